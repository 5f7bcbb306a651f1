// korvan-query as administrators and scripts use it: output and exit status.
#include "testserver.h"

#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;

class TestKorvanQuery : public QObject
{
    Q_OBJECT

    TestServer server;

    struct Run {
        int exitCode;
        QString out;
        QString err;
    };

    Run run(const QStringList &arguments, int port = -1)
    {
        QProcess p;
        p.start(qEnvironmentVariable("KORVAN_QUERY_BIN"),
                QStringList{u"--port"_s, QString::number(port < 0 ? server.port() : port)} + arguments);
        p.waitForFinished(30000);
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(server.start(), qPrintable(server.errorText()));
        QCOMPARE(run({u"--exec"_s, u"create table 试验港 (试验港编号 integer, 试验港名称 text)"_s}).exitCode, 0);
    }

    void printsAnswersWithTheMarks()
    {
        QCOMPARE(run({u"--exec"_s, u"insert into 试验港 values (1, :p1)"_s, u"--param"_s, u"O'HARA:1"_s}).exitCode, 0);
        const Run r = run({u"--open"_s, u"select * from 试验港"_s, u"--mode"_s, u"1"_s});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, u"Suc龛2龛试验港编号龛试验港名称龛1龛O'HARA:1\n"_s);
    }

    void exitStatus_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("reachable");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("info") << QStringList{u"--info"_s, u"2"_s} << true << 0;
        QTest::newRow("Err answer") << QStringList{u"--open"_s, u"select from"_s} << true << 1;
        QTest::newRow("two calls") << QStringList{u"--info"_s, u"1"_s, u"--exec"_s, u"x"_s} << true << 2;
        QTest::newRow("bad mode") << QStringList{u"--mode"_s, u"7"_s, u"--open"_s, u"select 1"_s} << true << 2;
        QTest::newRow("no server") << QStringList{u"--info"_s, u"1"_s} << false << 2;
    }
    void exitStatus()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, reachable);
        QFETCH(int, exitCode);
        const Run r = reachable ? run(arguments) : run(arguments, 1); // nothing listens on port 1
        QCOMPARE(r.exitCode, exitCode);
        if (!reachable)
            QVERIFY2(r.err.contains(u"Error reading from socket"_s), qPrintable(r.err));
    }
};

QTEST_GUILESS_MAIN(TestKorvanQuery)
#include "tst_korvanquery.moc"
