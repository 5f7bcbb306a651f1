// The server contract end to end: a real korvan-server, real SQLite, real sockets.
#include "korvanerror.h"
#include "marks.h"
#include "serverconnection.h"
#include "testserver.h"
#include "wireprotocol.h"

#include <QFile>
#include <QTcpServer>
#include <QSslSocket>
#include <QTcpSocket>
#include <QTest>
#include <QThread>

#include <csignal>
#include <thread>

using namespace Qt::StringLiterals;
using CommFunU::FieldSep;

namespace {

QString joined(const QStringList &items)
{
    return items.join(FieldSep);
}

// True when the server closes the socket within a few seconds.
bool closedByPeer(QTcpSocket &socket)
{
    for (int i = 0; i < 40 && socket.state() == QAbstractSocket::ConnectedState; ++i)
        socket.waitForReadyRead(250);
    return socket.state() != QAbstractSocket::ConnectedState;
}

} // namespace

class TestTransport : public QObject
{
    Q_OBJECT

private:
    TestServer server;
    std::unique_ptr<ServerConnection> db;

    void exec(const QString &sql, const QString &param = QString())
    {
        const QString answer = db->execSql(sql, param);
        QVERIFY2(!answer.startsWith(u"Err"_s), qPrintable(answer));
    }

    void assertServes()
    {
        auto other = server.connect();
        QCOMPARE(other->openQuery(u"select 1+1"_s, QString(), 0), joined({u"Suc"_s, u"1"_s, u"2"_s}));
    }

private slots:
    void initTestCase()
    {
        QFile settings(server.folder() + u"/korvan-server.ini"_s);
        QVERIFY(settings.open(QIODevice::WriteOnly));
        settings.write("[info]\nHeading=上海测试国际货运有限公司\nFromText=TEST SHIPPING CO.\nTelephone=电话: 021-12345678\n");
        settings.close();
        // Tables of the test's own, on a server for trusted scripts: the access
        // policy knows only the schema's tables and refuses DDL.
        QVERIFY2(server.start({u"--no-login"_s}), qPrintable(server.errorText()));
        db = server.connect();
        db->open();
        QCOMPARE(server.execDirect(u"create table 货物 (业务编号 text, 箱型 text, 件数 text)"_s), QString());
    }

    void cleanup()
    {
        if (server.processId() == 0)
            return; // the last tests stop the server
        db->rollbackTrans();
        exec(u"delete from 货物"_s);
    }

    void bothModes()
    {
        exec(u"insert into 货物 values ('E001', '20GP', '5')"_s);
        exec(u"insert into 货物 values ('E002', NULL, '7')"_s);
        const QString sql = u"select 业务编号, 箱型 from 货物 order by 业务编号"_s;
        QCOMPARE(db->openQuery(sql, QString(), 0),
                 joined({u"Suc"_s, u"2"_s, u"E001"_s, u"20GP"_s, u"E002"_s, QString()}));
        QCOMPARE(db->openQuery(sql, QString(), 1),
                 joined({u"Suc"_s, u"2"_s, u"业务编号"_s, u"箱型"_s, u"E001"_s, u"20GP"_s, u"E002"_s, QString()}));
    }

    void emptyResultEndsAfterCountOrNames()
    {
        const QString sql = u"select 业务编号, 件数 from 货物"_s;
        QCOMPARE(db->openQuery(sql, QString(), 0), joined({u"Suc"_s, u"2"_s}));
        QCOMPARE(db->openQuery(sql, QString(), 1), joined({u"Suc"_s, u"2"_s, u"业务编号"_s, u"件数"_s}));
    }

    void paramIsBoundNotSpliced_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("apostrophe and colon") << u"20' GP: O'Neil"_s;
        QTest::newRow("looks like SQL") << u"x'); drop table 货物; --"_s;
        QTest::newRow("outside GBK") << u"😀 𠀀 ﬁ"_s;
        QTest::newRow("marks inside a value") << (u"a"_s + CommFunU::CellSep + u"b"_s + CommFunU::ColonMark);
    }
    void paramIsBoundNotSpliced()
    {
        QFETCH(QString, value);
        exec(u"insert into 货物 (业务编号, 箱型) values ('E9', :p1)"_s, value);
        QCOMPARE(db->openQuery(u"select 箱型 from 货物 where 箱型 = :p1"_s, value, 0),
                 joined({u"Suc"_s, u"1"_s, value}));
    }

    void failuresComeBackAsErr()
    {
        const QString answer = db->openQuery(u"select 名称 from nowhere"_s, QString(), 0);
        QVERIFY(answer.startsWith(u"Err"_s));
        QVERIFY2(answer.contains(u"nowhere"_s), qPrintable(answer));
        QVERIFY(db->execSql(u"insert into 没有的表 values (1)"_s, QString()).startsWith(u"Err"_s));
        QVERIFY(db->isConnected()); // a failed statement does not cost the connection
    }

    void getInfo()
    {
        QCOMPARE(db->getInfo(1), u"上海测试国际货运有限公司"_s);
        QCOMPARE(db->getInfo(4), u"TEST SHIPPING CO."_s);
        QCOMPARE(db->getInfo(6), u"电话: 021-12345678"_s);
        QCOMPARE(db->getInfo(2), QDate::currentDate().toString(u"yyyy-MM-dd"_s));
        QVERIFY(QTime::fromString(db->getInfo(3), u"hh:mm"_s).isValid());
    }

    void transactionsOfTwoSessionsAreIsolated()
    {
        auto other = server.connect();
        QVERIFY(!db->beginTrans().startsWith(u"Err"_s));
        exec(u"insert into 货物 values ('T1', '40HQ', '1')"_s);
        QCOMPARE(other->openQuery(u"select count(*) from 货物"_s, QString(), 0), joined({u"Suc"_s, u"1"_s, u"0"_s}));
        QCOMPARE(db->openQuery(u"select count(*) from 货物"_s, QString(), 0), joined({u"Suc"_s, u"1"_s, u"1"_s}));
        db->commitTrans();
        QCOMPARE(other->openQuery(u"select count(*) from 货物"_s, QString(), 0), joined({u"Suc"_s, u"1"_s, u"1"_s}));

        db->beginTrans();
        exec(u"delete from 货物"_s);
        db->rollbackTrans();
        QCOMPARE(other->openQuery(u"select count(*) from 货物"_s, QString(), 0), joined({u"Suc"_s, u"1"_s, u"1"_s}));
    }

    void commitAndRollbackOutsideTransactionAreHarmless()
    {
        QVERIFY(!db->commitTrans().startsWith(u"Err"_s));
        QVERIFY(!db->rollbackTrans().startsWith(u"Err"_s));
        QVERIFY(!db->beginTrans().startsWith(u"Err"_s));
        QVERIFY(!db->beginTrans().startsWith(u"Err"_s)); // nested: still one transaction
        exec(u"insert into 货物 values ('N1', '', '')"_s);
        QVERIFY(!db->commitTrans().startsWith(u"Err"_s));
        QCOMPARE(db->openQuery(u"select count(*) from 货物"_s, QString(), 0), joined({u"Suc"_s, u"1"_s, u"1"_s}));
    }

    void commitOfATransactionTheDatabaseEndedFails()
    {
        // SQLite ends a transaction by itself after some errors; a plain
        // ROLLBACK statement does the same here.
        QVERIFY(!db->beginTrans().startsWith(u"Err"_s));
        exec(u"insert into 货物 values ('R1', '', '')"_s);
        exec(u"rollback"_s);
        const QString answer = db->commitTrans();
        QVERIFY2(answer.startsWith(u"Err"_s), qPrintable(answer));
        QCOMPARE(db->openQuery(u"select count(*) from 货物"_s, QString(), 0), joined({u"Suc"_s, u"1"_s, u"0"_s}));
        QVERIFY(!db->commitTrans().startsWith(u"Err"_s)); // and only once
    }

    void trailingCommentsAndCounts()
    {
        QCOMPARE(db->openQuery(u"select 7; -- the answer"_s, QString(), 0), joined({u"Suc"_s, u"1"_s, u"7"_s}));
        QVERIFY(db->openQuery(u"select 1; select 2"_s, QString(), 0).startsWith(u"Err"_s));
        exec(u"insert into 货物 values ('C1', '', '')"_s);
        QCOMPARE(db->execSql(u"select * from 货物"_s, QString()), joined({u"Suc"_s, u"0"_s}));
        QCOMPARE(db->execSql(u"update 货物 set 件数='2'; /* done */"_s, QString()), joined({u"Suc"_s, u"1"_s}));
    }

    // One ExecSql of several statements: blanks, empty statements and
    // comments between and after them are passed over, every statement runs
    // once, and nothing runs after a ROLLBACK of the call's own.
    void statementsOfOneCall_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<bool>("succeeds");
        QTest::addColumn<QString>("rows");
        QTest::newRow("two statements") << u"insert into 货物 values ('A', '', ''); insert into 货物 values ('B', '', '')"_s << true
                                        << u"A,B"_s;
        QTest::newRow("empty statements and comments between")
            << u";; insert into 货物 values ('A', '', '') ; ; -- one\n /* two */ ; insert into 货物 values ('B', '', '');;"_s
            << true << u"A,B"_s;
        QTest::newRow("a block comment left open at the end")
            << u"insert into 货物 values ('A', '', ''); /* never closed"_s << true << u"A"_s;
        QTest::newRow("only blanks and comments") << u" ; -- nothing\n /* at all */ "_s << true << QString();
        QTest::newRow("a failing second statement")
            << u"insert into 货物 values ('A', '', ''); insert into 没有此表 values (1)"_s << false << QString();
        QTest::newRow("after its own rollback")
            << u"insert into 货物 values ('A', '', ''); rollback; insert into 货物 values ('B', '', '')"_s << false
            << QString();
    }

    void statementsOfOneCall()
    {
        QFETCH(QString, sql);
        QFETCH(bool, succeeds);
        QFETCH(QString, rows);
        const QString answer = db->execSql(sql, QString());
        QVERIFY2(answer.startsWith(u"Err"_s) != succeeds, qPrintable(answer));
        QStringList expected{u"Suc"_s, u"1"_s};
        if (!rows.isEmpty())
            expected << rows.split(u',');
        QCOMPARE(db->openQuery(u"select 业务编号 from 货物 order by 业务编号"_s, QString(), 0), joined(expected));
    }

    void disconnectInsideTransactionRollsBack()
    {
        auto doomed = server.connect();
        doomed->beginTrans();
        QVERIFY(!doomed->execSql(u"insert into 货物 values ('D1', '', '')"_s, QString()).startsWith(u"Err"_s));
        doomed->close(); // abort: as a killed client would
        // The write lock must come free: this insert waits on the busy time-out otherwise.
        exec(u"insert into 货物 values ('D2', '', '')"_s);
        QCOMPARE(db->openQuery(u"select 业务编号 from 货物"_s, QString(), 0), joined({u"Suc"_s, u"1"_s, u"D2"_s}));
        QTRY_VERIFY(server.log().contains(u"open transaction rolled back"_s));
    }

    void badFramesCloseOnlyThatConnection_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("oversized length") << QByteArray("\xff\xff\xff\xff", 4);
        QTest::newRow("items that do not add up") << WireProtocol::frame(QByteArray("\x00\x00\x00\x09OpenQ", 9));
        QTest::newRow("unknown method") << WireProtocol::frame(WireProtocol::encodeItems({"DropEverything"}));
        QTest::newRow("empty request") << WireProtocol::frame(QByteArray());
        QTest::newRow("garbage") << QByteArray("GET / HTTP/1.0\r\n\r\n");
    }
    void badFramesCloseOnlyThatConnection()
    {
        QFETCH(QByteArray, bytes);
        db->beginTrans();
        exec(u"insert into 货物 values ('K1', '', '')"_s);
        auto socket = server.rawSocket();
        QVERIFY(socket);
        socket->write(bytes);
        socket->waitForBytesWritten(2000);
        QVERIFY(closedByPeer(*socket));
        // Other sessions, and their transactions, are untouched.
        QCOMPARE(server.connect()->openQuery(u"select count(*) from 货物"_s, QString(), 0),
                 joined({u"Suc"_s, u"1"_s, u"0"_s}));
        QVERIFY(!db->commitTrans().startsWith(u"Err"_s));
        QCOMPARE(db->openQuery(u"select count(*) from 货物"_s, QString(), 0), joined({u"Suc"_s, u"1"_s, u"1"_s}));
        assertServes();
    }

    void truncatedFrameThenHangUp()
    {
        auto socket = server.rawSocket();
        QVERIFY(socket);
        QByteArray frame = WireProtocol::frame(WireProtocol::encodeItems({"OpenQuery", "select 1", "", "0"}));
        socket->write(frame.left(frame.size() / 2));
        socket->waitForBytesWritten(2000);
        socket->abort();
        assertServes();
    }

    void clientSideFailuresNameTheSocket()
    {
        // Nobody listens on a port that was just freed.
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const quint16 freePort = probe.serverPort();
        probe.close();
        ServerConnection refused;
        refused.setAddress(u"127.0.0.1"_s);
        refused.setPort(freePort);
        refused.setTimeout(5000);
        try {
            refused.open();
            QFAIL("connecting to a closed port succeeded");
        } catch (const KorvanError &e) {
            QVERIFY2(e.message().contains(u"Error reading from socket"_s), qPrintable(e.message()));
        }
    }

    void wrongPeerFailsClearly()
    {
        QTcpServer impostor;
        QVERIFY(impostor.listen(QHostAddress::LocalHost));
        connect(&impostor, &QTcpServer::newConnection, this, [&] {
            QTcpSocket *s = impostor.nextPendingConnection();
            s->write("SSH-2.0-OpenSSH_9.2\r\n");
        });
        ServerConnection wrong;
        wrong.setAddress(u"127.0.0.1"_s);
        wrong.setPort(impostor.serverPort());
        wrong.setTimeout(3000);
        // The impostor answers from this thread's event loop, so connect in another.
        QString message;
        std::thread client([&] {
            try {
                wrong.open();
            } catch (const KorvanError &e) {
                message = e.message();
            }
        });
        QTRY_VERIFY_WITH_TIMEOUT(!message.isEmpty(), 10000);
        client.join();
        QVERIFY2(message.contains(u"Error reading from socket"_s), qPrintable(message));
        QVERIFY2(message.contains(u"not a Korvan"_s), qPrintable(message));
    }

    void hostNamesResolve()
    {
        ServerConnection byName;
        byName.setHost(u"localhost"_s);
        byName.setPort(server.port());
        byName.setCredentials(QString::fromLatin1(TestServer::AdminUser), QString::fromLatin1(TestServer::AdminPassword));
        QCOMPARE(byName.openQuery(u"select 'ok'"_s, QString(), 0), joined({u"Suc"_s, u"1"_s, u"ok"_s}));
    }

    // Last: these stop the server.
    void sigtermRollsBackOpenTransactions()
    {
        db->beginTrans();
        exec(u"insert into 货物 values ('S1', '', '')"_s);
        server.stop();
        QVERIFY2(server.log().contains(u"open transaction rolled back"_s), qPrintable(server.log()));
        QVERIFY2(server.start({u"--no-login"_s}), qPrintable(server.errorText()));
        db = server.connect();
        QCOMPARE(db->openQuery(u"select count(*) from 货物"_s, QString(), 0), joined({u"Suc"_s, u"1"_s, u"0"_s}));
    }

    void serverKilledDuringCall()
    {
        const qint64 pid = server.processId();
        std::thread killer([pid] {
            QThread::msleep(300);
            ::kill(pid_t(pid), SIGKILL);
        });
        QString message;
        try {
            // Long enough to be running when the server dies.
            db->openQuery(u"with recursive n(i) as (select 1 union all select i+1 from n where i < 300000000) "
                          u"select count(*) from n"_s, QString(), 0);
        } catch (const KorvanError &e) {
            message = e.message();
        }
        killer.join();
        server.kill(); // reap it
        QVERIFY2(message.contains(u"Error reading from socket"_s), qPrintable(message));
        QVERIFY(!db->isConnected());
    }
};

QTEST_GUILESS_MAIN(TestTransport)
#include "tst_transport.moc"
