// Two korvan-servers in front of one PostgreSQL database, as two offices run
// them: what one saves the other's next query sees, and the transactions of
// the LCL consolidation and of the commission refund reach the other server
// whole or not at all — also when the server that ran them dies half-way.
#include "korvanerror.h"
#include "pgcluster.h"
#include "resultreader.h"
#include "serverconnection.h"
#include "testserver.h"
#include "thypingxiangfrm.h"
#include "tyongjinfrm.h"

#include <QTest>

#include <QThread>

#include <memory>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

QString firstValue(ServerConnection &db, const QString &sql)
{
    return ResultReader::fromAnswer(db.openQuery(sql, QString(), 0)).next();
}

QStringList column(ServerConnection &db, const QString &sql)
{
    QStringList values;
    for (const QStringList &row : ResultReader::fromAnswer(db.openQuery(sql, QString(), 0)).rows())
        values << row.value(0);
    return values;
}

QString inList(const QStringList &jobs)
{
    return u"('"_s + jobs.join(u"','"_s) + u"')"_s;
}

} // namespace

class TestTwoServers : public QObject
{
    Q_OBJECT

    // The two offices' servers; the first made the demo database.
    TestServer m_first{TestServer::Engine::Postgres};
    TestServer m_second{TestServer::Engine::Postgres};
    std::unique_ptr<ServerConnection> m_a; // a session of the first server
    std::unique_ptr<ServerConnection> m_b; // a session of the second

    // Export jobs of the demo company that have cargo rows, the first n.
    QStringList jobsWithCargo(int n)
    {
        return column(*m_b, u"select distinct 业务编号 from 货运出口货物明细 order by 业务编号 limit %1"_s.arg(n));
    }
    // Consolidated export jobs (of any operator) that have cargo rows, the first n.
    QStringList lclJobsWithCargo(int n)
    {
        return column(*m_b, u"select distinct b.业务编号 from 货运出口货物明细 b join 货运出口基本信息 a on a.业务编号 = "
                            "b.业务编号 where a.业务类型 in ('货代自拼箱', '客户自拼箱') order by b.业务编号 limit %1"_s.arg(n));
    }
    // A session of server logged in as one of the demo company's users.
    static std::unique_ptr<ServerConnection> demoUser(const TestServer &server, const QString &user)
    {
        auto session = server.connectAs(user, u"123456"_s);
        session->open();
        return session;
    }
    // Jobs with a finance row, the first n.
    QStringList jobsWithFinance(int n)
    {
        return column(*m_b, u"select 业务编号 from 财务 order by 业务编号 limit %1"_s.arg(n));
    }

    // A server (again) on the database, its session logged in.
    bool startServer(TestServer &server, std::unique_ptr<ServerConnection> &session, const QStringList &extra = {})
    {
        if (&server != &m_first)
            server.setDatabase(m_first.databaseArgument());
        // Logged in under the access policy: the administrator (总经理)
        // here, the users of the windows where a test says so.
        if (!server.start(extra))
            return false;
        session = server.connect();
        return true;
    }

private slots:
    void initTestCase()
    {
        if (const QString why = PgCluster::unavailableReason(); !why.isEmpty())
            QSKIP(qPrintable(why));
        QVERIFY2(startServer(m_first, m_a, {u"--demo"_s}), qPrintable(m_first.errorText()));
        QVERIFY2(startServer(m_second, m_b), qPrintable(m_second.errorText()));
        QTRY_VERIFY(m_second.log().contains(u"database postgresql://"_s));
    }

    void aSaveIsSeenByTheOthersNextQuery_data()
    {
        QTest::addColumn<bool>("firstSaves");
        QTest::newRow("saved on the first, read on the second") << true;
        QTest::newRow("saved on the second, read on the first") << false;
    }
    void aSaveIsSeenByTheOthersNextQuery()
    {
        QFETCH(bool, firstSaves);
        ServerConnection &writer = firstSaves ? *m_a : *m_b;
        ServerConnection &reader = firstSaves ? *m_b : *m_a;
        const QString job = firstSaves ? u"TWO-A1"_s : u"TWO-B1"_s;
        QCOMPARE(firstValue(reader, u"select count(*) from 货运出口基本信息 where 业务编号 = '%1'"_s.arg(job)), u"0"_s);
        QVERIFY(writer.execSql(u"insert into 货运出口基本信息 (业务编号, 船名) values ('%1', 'EVER GIVEN')"_s.arg(job), {})
                    .startsWith(u"Suc"_s));
        QCOMPARE(firstValue(reader, u"select 船名 from 货运出口基本信息 where 业务编号 = '%1'"_s.arg(job)), u"EVER GIVEN"_s);
        QVERIFY(reader.execSql(u"update 货运出口基本信息 set 船名 = 'MSC ANNA' where 业务编号 = '%1'"_s.arg(job), {})
                    .startsWith(u"Suc"_s));
        QCOMPARE(firstValue(writer, u"select 船名 from 货运出口基本信息 where 业务编号 = '%1'"_s.arg(job)), u"MSC ANNA"_s);
    }

    // The consolidation's save: nothing of it is seen before its commit,
    // all of it after; one refused assignment undoes the others.
    void consolidationIsWholeOnTheOtherServer()
    {
        // Saved by an operator, as the LCL window saves it, over other
        // operators' jobs too.
        const QStringList jobs = lclJobsWithCargo(4);
        QCOMPARE(jobs.size(), 4);
        const auto zhaomin = demoUser(m_first, u"zhaomin"_s);
        const QString boxed = u"select count(*) from 货运出口货物明细 where 集装箱号封号 = '%1' and 业务编号 in "_s;

        QList<THYPingXiangFrm::Assignment> assignments;
        for (const QString &job : jobs)
            assignments.append({job, u"40'HQ"_s, u"TWOU1234565/S01"_s});
        // The last job was deleted by the other office meanwhile: its
        // assignment changes no row, and the whole save is refused.
        assignments.append({u"TWO-GONE"_s, u"40'HQ"_s, u"TWOU1234565/S01"_s});
        const QString refused = THYPingXiangFrm::WriteAssignments(*zhaomin, assignments);
        QVERIFY2(refused.contains(u"已不存在"_s), qPrintable(refused));
        QCOMPARE(firstValue(*m_b, boxed.arg(u"TWOU1234565/S01"_s) + inList(jobs)), u"0"_s);

        assignments.removeLast();
        QCOMPARE(THYPingXiangFrm::WriteAssignments(*zhaomin, assignments), QString());
        const QString cargoRows = firstValue(*m_b, u"select count(*) from 货运出口货物明细 where 业务编号 in "_s + inList(jobs));
        QCOMPARE(firstValue(*m_b, boxed.arg(u"TWOU1234565/S01"_s) + inList(jobs)), cargoRows);
        QCOMPARE(firstValue(*m_b, u"select distinct 箱类型 from 货运出口货物明细 where 业务编号 = '%1'"_s.arg(jobs.first())),
                 u"40'HQ"_s);

        // Half-way through a consolidation, the other server sees none of it.
        QVERIFY(m_a->beginTrans().startsWith(u"Suc"_s));
        QVERIFY(m_a->execSql(u"update 货运出口货物明细 set 集装箱号封号 = 'TWOU7654321/S02' where 业务编号 = '%1'"_s.arg(jobs[0]), {})
                    .startsWith(u"Suc"_s));
        QCOMPARE(firstValue(*m_b, boxed.arg(u"TWOU7654321/S02"_s) + inList(jobs)), u"0"_s);
        QVERIFY(m_a->rollbackTrans().startsWith(u"Suc"_s));
        QCOMPARE(firstValue(*m_b, boxed.arg(u"TWOU7654321/S02"_s) + inList(jobs)), u"0"_s);
    }

    // The refund of several jobs in one transaction; its server is killed
    // before the commit: the other server finds none of them refunded.
    void refundIsWholeEvenWhenItsServerDies()
    {
        const QStringList jobs = jobsWithFinance(6);
        QCOMPARE(jobs.size(), 6);
        QVERIFY(m_b->execSql(u"update 财务 set 已退6 = '0', 已退7 = '0', 佣金美元 = null where 业务编号 in "_s + inList(jobs), {})
                    .startsWith(u"Suc"_s));
        const QString refunded = u"select count(*) from 财务 where 已退6 = '1' and 已退7 = '1' and 佣金美元 = '%1' and 业务编号 in "_s;

        // Refunded by finance: 黄燕 (财务员) at one office, 郑芳 (财务经理) at the other.
        auto huangyan = demoUser(m_first, u"huangyan"_s);
        QVERIFY(huangyan->beginTrans().startsWith(u"Suc"_s));
        for (const QString &job : jobs.mid(0, 4))
            QVERIFY(huangyan->execSql(TYongJinFrm::RefundStatement(job, u"2026-03-31"_s), {}).startsWith(u"Suc"_s));
        QCOMPARE(firstValue(*m_b, refunded.arg(u"2026-03-31"_s) + inList(jobs)), u"0"_s);
        m_first.kill(); // no commit, no rollback: the server is gone
        huangyan.reset();
        m_a.reset();
        QCOMPARE(firstValue(*m_b, refunded.arg(u"2026-03-31"_s) + inList(jobs)), u"0"_s);
        // The rows are free again: the other office refunds them at once.
        const auto zhengfang = demoUser(m_second, u"zhengfang"_s);
        QVERIFY(zhengfang->beginTrans().startsWith(u"Suc"_s));
        for (const QString &job : jobs)
            QVERIFY(zhengfang->execSql(TYongJinFrm::RefundStatement(job, u"2026-04-30"_s), {}).startsWith(u"Suc"_s));
        QVERIFY(zhengfang->commitTrans().startsWith(u"Suc"_s));

        QVERIFY2(startServer(m_first, m_a), qPrintable(m_first.errorText()));
        QCOMPARE(firstValue(*m_a, refunded.arg(u"2026-04-30"_s) + inList(jobs)), u"6"_s);
        QCOMPARE(firstValue(*m_a, refunded.arg(u"2026-03-31"_s) + inList(jobs)), u"0"_s);
    }

    // Both offices refund the same jobs at once, in opposite orders: each
    // waits for the rows the other holds, PostgreSQL breaks the deadlock by
    // refusing one statement, and that refund is undone whole. Every job
    // ends with one office's date, all of them the same office's.
    void crossingRefundsStayWhole()
    {
        const QStringList jobs = jobsWithFinance(12);
        QCOMPARE(jobs.size(), 12);
        QStringList reversed(jobs.crbegin(), jobs.crend());
        struct Refund {
            QString date;
            QStringList order;
            QString failure; // the refused call's answer, empty when committed
        };
        Refund first{u"2026-05-01"_s, jobs, {}};
        Refund second{u"2026-05-02"_s, reversed, {}};
        const auto run = [](ServerConnection &db, Refund &refund) {
            db.beginTrans();
            for (const QString &job : std::as_const(refund.order)) {
                const QString answer = db.execSql(TYongJinFrm::RefundStatement(job, refund.date), {});
                if (answer.startsWith(u"Err"_s)) {
                    refund.failure = answer;
                    db.rollbackTrans();
                    return;
                }
                QThread::msleep(20); // both hold some rows before either is done
            }
            const QString committed = db.commitTrans();
            if (!committed.startsWith(u"Suc"_s))
                refund.failure = committed;
        };
        std::thread one([&] { run(*m_a, first); });
        std::thread two([&] { run(*m_b, second); });
        one.join();
        two.join();
        QVERIFY2(first.failure.isEmpty() || second.failure.isEmpty(), qPrintable(first.failure + second.failure));
        const QStringList dates = column(*m_b, u"select distinct 佣金美元 from 财务 where 业务编号 in "_s + inList(jobs));
        QCOMPARE(dates.size(), 1);
        // The date is the refund that committed; with both committed, the later one.
        if (!first.failure.isEmpty())
            QCOMPARE(dates.first(), second.date);
        if (!second.failure.isEmpty())
            QCOMPARE(dates.first(), first.date);
        QCOMPARE(firstValue(*m_a, u"select count(*) from 财务 where 已退6 = '1' and 已退7 = '1' and 佣金人民币 = '%1' and 业务编号 in "_s
                                      .arg(dates.first())
                                  + inList(jobs)),
                 QString::number(jobs.size()));
    }
};

QTEST_GUILESS_MAIN(TestTwoServers)
#include "tst_twoservers.moc"
