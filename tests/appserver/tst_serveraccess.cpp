// Who may ask and what is kept of it, against a real korvan-server: Login and
// the calls refused before it, the slowing of repeated failures, the audit
// trail of every change, and a connection that logs in again when reopened.
#include "marks.h"
#include "passwords.h"
#include "serverconnection.h"
#include "testserver.h"

#include <QDate>
#include <QElapsedTimer>
#include <QTest>
#include <QThread>

#include <thread>

using namespace Qt::StringLiterals;
using CommFunU::FieldSep;

namespace {

const QString Trail = u"审计日志"_s;

// The values of an answer, without status and count.
QStringList values(const QString &answer)
{
    return answer.split(FieldSep).mid(2);
}

} // namespace

class TestServerAccess : public QObject
{
    Q_OBJECT

    TestServer server;
    std::unique_ptr<ServerConnection> admin;

    // A connection that keeps no login.
    std::unique_ptr<ServerConnection> anonymous(const TestServer &to) const
    {
        auto connection = std::make_unique<ServerConnection>();
        connection->setPort(to.port());
        connection->setTimeout(30000);
        return connection;
    }

    QString one(const QString &sql)
    {
        return values(admin->openQuery(sql, QString(), 0)).value(0);
    }

    // The newest trail rows, newest first: 用户名, 客户端地址, 语句, 参数, 影响行数 each.
    QStringList lastTrail(int rows = 1)
    {
        return values(admin->openQuery(u"select 用户名, 客户端地址, 语句, 参数, 影响行数 from 审计日志 "
                                       "order by 序号 desc limit %1"_s.arg(rows),
                                       QString(), 0));
    }

    int trailSize() { return one(u"select count(*) from 审计日志"_s).toInt(); }

private slots:
    void initTestCase()
    {
        QVERIFY2(server.start(), qPrintable(server.errorText()));
        admin = server.connect();
        const QString add = u"insert into 职员 (职员姓名, 用户名, 密码) values (:p1)"_s;
        for (const QString &row : QStringList{u"'张三', 'op1', 'secret'"_s, u"'李四', 'nopw', ''"_s,
                                   u"'孙七', 'digest', '"_s + CommFunU::PasswordToStore(u"ge:heim"_s) + u'\''}) {
            const QString answer = admin->execSql(QString(add).replace(u":p1"_s, row), QString());
            QVERIFY2(answer.startsWith(u"Suc"_s), qPrintable(answer));
        }
    }

    void callsBeforeLoginAreRefused()
    {
        auto stranger = anonymous(server);
        for (const QString &answer : {stranger->openQuery(u"select * from 职员"_s, {}, 0),
                                      stranger->execSql(u"delete from 职员 where 用户名='op1'"_s, {}),
                                      stranger->beginTrans(), stranger->commitTrans(), stranger->rollbackTrans()})
            QVERIFY2(answer.startsWith(u"Errnot logged in"_s), qPrintable(answer));
        QVERIFY(stranger->isConnected()); // the session may still log in
        QCOMPARE(stranger->getInfo(2), QDate::currentDate().toString(u"yyyy-MM-dd"_s));
        QCOMPARE(one(u"select count(*) from 职员 where 用户名='op1'"_s), u"1"_s);
        QVERIFY(stranger->login(u"op1"_s, u"secret"_s) == u"Suc"_s);
        QCOMPARE(values(stranger->openQuery(u"select count(*) from 职员"_s, {}, 0)), QStringList{u"4"_s});
    }

    void login_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("answer");
        // Never more than four failures in a row: the fifth would be slowed down.
        QTest::newRow("right") << u"op1"_s << u"secret"_s << u"Suc"_s;
        QTest::newRow("wrong password") << u"op1"_s << u"Secret"_s << u"Errwrong password"_s;
        QTest::newRow("unknown user") << u"nobody"_s << u"secret"_s << u"Errunknown user: nobody"_s;
        QTest::newRow("quote in the name is data") << u"x' or '1'='1"_s << QString() << u"Errunknown user: x' or '1'='1"_s;
        QTest::newRow("digest, right") << u"digest"_s << u"ge:heim"_s << u"Suc"_s;
        QTest::newRow("digest, wrong") << u"digest"_s << u"Ge:heim"_s << u"Errwrong password"_s;
        QTest::newRow("empty stored, empty typed") << u"nopw"_s << QString() << u"Suc"_s;
        QTest::newRow("empty stored, typed") << u"nopw"_s << u"x"_s << u"Errwrong password"_s;
    }
    void login()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, answer);
        auto connection = anonymous(server);
        QCOMPARE(connection->login(user, password).value_or(u"(no Login call)"_s), answer);
        const bool accepted = answer == u"Suc"_s;
        QCOMPARE(connection->loginUser(), accepted ? user : QString());
        QCOMPARE(connection->openQuery(u"select 1"_s, {}, 0).startsWith(u"Suc"_s), accepted);
    }

    void sessionIsBoundToItsUser()
    {
        auto connection = anonymous(server);
        const auto change = [&] {
            return connection->execSql(u"update 部门 set 传真='x' where 部门名称='总经理室'"_s, {}).startsWith(u"Suc"_s);
        };
        QVERIFY(connection->login(u"op1"_s, u"secret"_s) == u"Suc"_s);
        QVERIFY(change());
        QCOMPARE(lastTrail().value(0), u"op1"_s);
        // Re-login as another user: the same session now works as him.
        const quint64 session = connection->sessionNumber();
        QVERIFY(connection->login(u"DIGEST"_s, u"ge:heim"_s) == u"Suc"_s);
        QCOMPARE(connection->sessionNumber(), session);
        QVERIFY(change());
        QCOMPARE(lastTrail().value(0), u"digest"_s); // as stored, whatever the case typed
        // A refused re-login logs the session out; the kept login (digest)
        // logs the next call in again.
        QVERIFY(connection->login(u"op1"_s, u"wrong"_s) == u"Errwrong password"_s);
        QVERIFY(change());
        QCOMPARE(lastTrail().value(0), u"digest"_s);
        QTRY_VERIFY(server.log().contains(u"logged in as digest"_s));
    }

    void auditEntryPerChange()
    {
        const int before = trailSize();
        auto op = anonymous(server);
        QVERIFY(op->login(u"op1"_s, u"secret"_s) == u"Suc"_s);
        const QStringList changes{u"insert into 部门 (部门名称) values ('审计部')"_s,
                                  u"update 部门 set 传真='1' where 部门名称 in ('审计部','总经理室')"_s,
                                  u"delete from 部门 where 部门名称='审计部'"_s};
        for (const QString &sql : changes)
            QVERIFY(op->execSql(sql, {}).startsWith(u"Suc"_s));
        // Calls that change nothing leave nothing.
        QCOMPARE(op->execSql(u"update 部门 set 传真='1' where 1=0"_s, {}), u"Suc"_s + FieldSep + u"0"_s);
        QCOMPARE(op->execSql(u"select * from 职员"_s, {}), u"Suc"_s + FieldSep + u"0"_s);
        QCOMPARE(trailSize(), before + 3);
        const QString address = u"127.0.0.1"_s;
        QCOMPARE(lastTrail(3), (QStringList{u"op1"_s, address, changes.at(2), QString(), u"1"_s, // newest first
                                            u"op1"_s, address, changes.at(1), QString(), u"2"_s,
                                            u"op1"_s, address, changes.at(0), QString(), u"1"_s}));
        QCOMPARE(one(u"select substr(时间,1,10) from 审计日志 order by 序号 desc limit 1"_s),
                 QDate::currentDate().toString(u"yyyy-MM-dd"_s));
        // The schema is the server's: a refused change leaves nothing either.
        QVERIFY(op->execSql(u"create table 临时表 (a text)"_s, {}).startsWith(u"Err无权限"_s));
        QCOMPARE(trailSize(), before + 3);
    }

    void rolledBackChangesLeaveNoEntry()
    {
        const int before = trailSize();
        const QString insert = u"insert into 部门 (部门名称) values ('回滚部')"_s;
        QVERIFY(admin->beginTrans().startsWith(u"Suc"_s));
        QVERIFY(admin->execSql(insert, {}).startsWith(u"Suc"_s));
        QVERIFY(admin->rollbackTrans().startsWith(u"Suc"_s));
        // A call that fails half-way keeps neither its first statement nor an entry.
        QVERIFY(admin->execSql(insert + u"; insert into 没有的表 values (1)"_s, {}).startsWith(u"Err"_s));
        // A ROLLBACK sent as a statement inside the client's transaction.
        QVERIFY(admin->beginTrans().startsWith(u"Suc"_s));
        QVERIFY(admin->execSql(insert, {}).startsWith(u"Suc"_s));
        QVERIFY(admin->execSql(u"rollback"_s, {}).startsWith(u"Suc"_s));
        QVERIFY(admin->commitTrans().startsWith(u"Err"_s));
        QCOMPARE(one(u"select count(*) from 部门 where 部门名称='回滚部'"_s), u"0"_s);
        QCOMPARE(trailSize(), before);
        // Committed, the change and its entry are kept together.
        QVERIFY(admin->beginTrans().startsWith(u"Suc"_s));
        QVERIFY(admin->execSql(insert, {}).startsWith(u"Suc"_s));
        QVERIFY(admin->commitTrans().startsWith(u"Suc"_s));
        QCOMPARE(trailSize(), before + 1);
        // Inside the client's transaction, what a failing call did before its
        // error stays there, and so does its entry.
        QVERIFY(admin->beginTrans().startsWith(u"Suc"_s));
        QVERIFY(admin->execSql(u"delete from 部门 where 部门名称='回滚部'; insert into 没有的表 values (1)"_s, {})
                    .startsWith(u"Err"_s));
        const QString committed = admin->commitTrans();
        QVERIFY2(committed.startsWith(u"Suc"_s), qPrintable(committed));
        QCOMPARE(one(u"select count(*) from 部门 where 部门名称='回滚部'"_s), u"0"_s);
        QCOMPARE(lastTrail().value(4), u"1"_s);
        QCOMPARE(trailSize(), before + 2);
    }

    void trailCannotBeBypassed_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::newRow("delete") << u"delete from 审计日志"_s;
        QTest::newRow("drop") << u"drop table 审计日志"_s;
        QTest::newRow("trigger") << u"create trigger 静音 before insert on 审计日志 begin select raise(ignore); end"_s;
        QTest::newRow("commit half-way") << u"insert into 部门 (部门名称) values ('漏记部'); commit"_s;
        QTest::newRow("a table of the same name in temp")
            << u"create temp table 审计日志 (序号, 时间, 用户名, 客户端地址, 语句, 参数, 影响行数)"_s;
    }
    void trailCannotBeBypassed()
    {
        QFETCH(QString, sql);
        const int before = trailSize();
        const QString answer = admin->execSql(sql, {});
        QVERIFY2(answer.startsWith(u"Err"_s), qPrintable(answer));
        QCOMPARE(trailSize(), before);
        QCOMPARE(one(u"select count(*) from 部门 where 部门名称='漏记部'"_s), u"0"_s);
    }

    void passwordsAreMasked_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("param");
        QStringList staffRow(27, u"''"_s);
        staffRow[0] = u"'周八'"_s;
        staffRow[1] = u"'zhou8'"_s;
        staffRow[2] = u"'S3cret:pw'"_s;
        // The password change and the staff window's positional insert.
        QTest::newRow("password change") << u"update 职员 set 密码='S3cret:pw' where 用户名=:p1"_s << u"op1"_s;
        QTest::newRow("staff row by position") << u"insert into 职员 values ("_s + staffRow.join(u", "_s) + u')'
                                               << QString();
        QTest::newRow("named columns, bound") << u"insert into 职员 (职员姓名, 用户名, 密码) values ('吴九', 'wu9', :p1)"_s
                                              << u"S3cret:pw"_s;
        QTest::newRow("bracketed, in a condition")
            << u"update [职员] set [密码]=\"S3cret:pw\" where 用户名='op1' or 密码 = 'S3cret:pw'"_s
                                                   << QString();
    }
    void passwordsAreMasked()
    {
        QFETCH(QString, sql);
        QFETCH(QString, param);
        const QString answer = admin->execSql(sql, param);
        QVERIFY2(answer.startsWith(u"Suc"_s), qPrintable(answer));
        const QStringList row = lastTrail();
        QVERIFY2(!row.join(u'|').contains(u"S3cret"_s), qPrintable(row.join(u'|')));
        QVERIFY2(row.value(2).contains(u"'********'"_s) || row.value(3) == u"********"_s, qPrintable(row.join(u'|')));
        if (param == u"op1"_s)
            QCOMPARE(row.value(3), u"op1"_s); // only passwords are hidden
        // A failed statement reaches the server log without its password too.
        QVERIFY(admin->execSql(sql + u" and 没有的列 = 1"_s, param).startsWith(u"Err"_s));
        QTRY_VERIFY(server.log().contains(u"没有的列"_s));
        QVERIFY(!server.log().contains(u"S3cret"_s));
        admin->execSql(u"update 职员 set 密码='secret' where 用户名='op1'; delete from 职员 where 用户名 in ('zhou8','wu9')"_s, {});
    }

    void reopenedConnectionLogsInAgain()
    {
        auto connection = anonymous(server);
        QVERIFY(connection->login(u"op1"_s, u"secret"_s) == u"Suc"_s);
        // The user changes his password; the connection keeps the new one.
        QVERIFY(connection->execSql(u"update 职员 set 密码='neu' where 用户名='op1'"_s, {}).startsWith(u"Suc"_s));
        connection->updatePassword(u"op1"_s, u"neu"_s);
        // A new session (as after a lost connection) is logged in before its first call.
        connection->close();
        QVERIFY(connection->execSql(u"update 职员 set 密码='secret' where 用户名='op1'"_s, {}).startsWith(u"Suc"_s));
        QCOMPARE(lastTrail().value(0), u"op1"_s);
        QCOMPARE(connection->sessionNumber(), 2u);
        // Kept credentials the server refuses: the call says why.
        connection->setCredentials(u"op1"_s, u"stale"_s);
        connection->close();
        const QString answer = connection->openQuery(u"select 1"_s, {}, 0);
        QVERIFY2(answer.startsWith(u"Errthe server refused to log op1 in again: wrong password"_s), qPrintable(answer));
    }

    // Last of the login cases: it leaves failures counted for 127.0.0.1.
    void failedLoginsAreLoggedAndSlowedDown()
    {
        auto guesser = anonymous(server);
        QVERIFY(guesser->login(u"op1"_s, u"secret"_s) == u"Suc"_s); // no failures counted before
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < 5; ++i)
            QVERIFY(guesser->login(u"op1"_s, u"guess%1"_s.arg(i)) == u"Errwrong password"_s);
        QVERIFY(timer.elapsed() < 5000);
        // The sixth waits its turn; other sessions are answered meanwhile.
        std::optional<QString> sixth;
        qint64 waited = 0;
        std::thread attempt([&] {
            auto other = anonymous(server);
            QElapsedTimer t;
            t.start();
            sixth = other->login(u"op1"_s, u"guess5"_s);
            waited = t.elapsed();
        });
        QThread::msleep(100);
        timer.restart();
        QCOMPARE(admin->getInfo(2), QDate::currentDate().toString(u"yyyy-MM-dd"_s));
        QCOMPARE(one(u"select count(*) from 职员 where 用户名='op1'"_s), u"1"_s);
        const qint64 othersWaited = timer.elapsed();
        attempt.join();
        QCOMPARE(sixth, std::optional<QString>(u"Errwrong password"_s));
        QVERIFY2(waited >= 900, qPrintable(QString::number(waited)));
        QVERIFY2(othersWaited < 900, qPrintable(QString::number(othersWaited)));
        QTRY_VERIFY(server.log().contains(
            u"login refused for user \"op1\": wrong password (6 failed in a row for this user"_s));
        QVERIFY(!server.log().contains(u"guess"_s));
        // The right password still gets in (after its turn) and clears the count.
        QVERIFY(guesser->login(u"op1"_s, u"secret"_s) == u"Suc"_s);
    }

    void noLoginServerAnswersEveryone()
    {
        TestServer open;
        QVERIFY2(open.start({u"--no-login"_s}), qPrintable(open.errorText()));
        auto stranger = anonymous(open);
        QVERIFY(stranger->execSql(u"insert into 部门 (部门名称) values ('脚本部')"_s, {}).startsWith(u"Suc"_s));
        QCOMPARE(values(stranger->openQuery(u"select 用户名, 客户端地址 from 审计日志"_s, {}, 0)),
                 (QStringList{QString(), u"127.0.0.1"_s}));
        QTRY_VERIFY(open.log().contains(u"--no-login: every call is answered without a Login"_s));
    }
};

QTEST_GUILESS_MAIN(TestServerAccess)
#include "tst_serveraccess.moc"
