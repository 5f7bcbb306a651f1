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

    // Runs korvan-query logged in as the administrator, unless the arguments
    // name their own --user or password is set (empty: none in the environment).
    Run run(const QStringList &arguments, int port = -1, const QByteArray &password = "admin",
            const QByteArray &input = {})
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(u"KORVAN_PASSWORD"_s);
        if (!password.isEmpty())
            env.insert(u"KORVAN_PASSWORD"_s, QString::fromUtf8(password));
        p.setProcessEnvironment(env);
        QStringList login;
        if (!arguments.contains(u"--user"_s) && password == "admin")
            login = {u"--user"_s, u"admin"_s};
        if (!arguments.contains(u"--fingerprint"_s) && !arguments.contains(u"--no-tls"_s))
            login << u"--fingerprint"_s << server.fingerprint();
        p.start(qEnvironmentVariable("KORVAN_QUERY_BIN"),
                QStringList{u"--port"_s, QString::number(port < 0 ? server.port() : port)} + login + arguments);
        p.write(input);
        p.closeWriteChannel();
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

    void logsInFirst_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("password");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        const QStringList asAdmin{u"--user"_s, u"admin"_s, u"--open"_s, u"select 1"_s};
        QTest::newRow("password from the environment") << asAdmin << QByteArray("admin") << QByteArray() << 0
                                                       << u"Suc龛1龛1\n"_s;
        QTest::newRow("password from standard input") << asAdmin << QByteArray() << QByteArray("admin\n") << 0
                                                      << u"Suc龛1龛1\n"_s;
        QTest::newRow("wrong password") << asAdmin << QByteArray("nimda") << QByteArray() << 1
                                        << u"Errwrong password\n"_s;
        QTest::newRow("unknown user") << QStringList{u"--user"_s, u"nobody"_s, u"--info"_s, u"1"_s}
                                      << QByteArray("x") << QByteArray() << 1 << u"Errunknown user: nobody\n"_s;
        QTest::newRow("no login, a query") << QStringList{u"--open"_s, u"select 1"_s} << QByteArray()
                                           << QByteArray() << 1
                                           << u"Errnot logged in: this server answers OpenQuery only after a Login\n"_s;
    }
    void logsInFirst()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, password);
        QFETCH(QByteArray, input);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        const Run r = run(arguments, -1, password, input);
        QCOMPARE(r.out, out);
        QCOMPARE(r.exitCode, exitCode);
    }
};

QTEST_GUILESS_MAIN(TestKorvanQuery)
#include "tst_korvanquery.moc"
