// korvan-query as administrators and scripts use it: output and exit status.
#include "testserver.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestKorvanQuery : public QObject
{
    Q_OBJECT

    TestServer server;
    TestServer plainServer; // --no-tls
    QTemporaryDir config;   // the user's configuration folder

    bool m_pinArguments = true; // run() pins the TLS server's certificate
    QString knownServers() const { return config.filePath(u"korvan-query/known_servers"_s); }

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
        if (m_pinArguments)
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
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
        QVERIFY2(server.start(), qPrintable(server.errorText()));
        QVERIFY2(plainServer.start({u"--no-tls"_s}), qPrintable(plainServer.errorText()));
    }

    void printsAnswersWithTheMarks()
    {
        QCOMPARE(run({u"--exec"_s, u"insert into 港口 (港口编号, 港口名称) values (1, :p1)"_s, u"--param"_s, u"O'HARA:1"_s}).exitCode, 0);
        const Run r = run({u"--open"_s, u"select 港口编号, 港口名称 from 港口"_s, u"--mode"_s, u"1"_s});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, u"Suc龛2龛港口编号龛港口名称龛1龛O'HARA:1\n"_s);
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

    // Which server korvan-query believes: the pin of the command line, the one
    // kept for the server, never an unknown or another certificate; --no-tls
    // only with a server that does not encrypt either.
    void trust_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("kept"); // known_servers before the run ("" none)
        QTest::addColumn<bool>("plain");   // against the --no-tls server
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("err");
        const QString wrong = u"00:11:22:33:44:55:66:77:88:99:AA:BB:CC:DD:EE:FF:00:11:22:33:44:55:66:77:88:99:AA:BB:CC:DD:EE:FF"_s;
        const QStringList info{u"--info"_s, u"1"_s};
        QTest::newRow("pin on the command line") << info + QStringList{u"--fingerprint"_s, server.fingerprint()}
                                                 << QString() << false << 0 << QString();
        QTest::newRow("another certificate") << info + QStringList{u"--fingerprint"_s, wrong} << QString() << false
                                             << 2 << u"证书与此前信任的不同"_s;
        QTest::newRow("no pin anywhere") << info + QStringList{u"--fingerprint"_s, QString()} << QString() << false
                                         << 2 << u"尚未被信任"_s;
        QTest::newRow("pin kept") << info + QStringList{u"--fingerprint"_s, QString()} << u"right"_s << false << 0
                                  << QString();
        QTest::newRow("kept pin of another certificate") << info + QStringList{u"--fingerprint"_s, QString()}
                                                         << wrong << false << 2 << u"known_servers"_s;
        QTest::newRow("--no-tls against TLS") << info + QStringList{u"--no-tls"_s} << QString() << false << 2
                                              << u"leave out --no-tls"_s;
        QTest::newRow("TLS against --no-tls") << info + QStringList{u"--fingerprint"_s, server.fingerprint()}
                                              << QString() << true << 2 << u"服务器版本过旧"_s;
        QTest::newRow("--no-tls against --no-tls") << info + QStringList{u"--no-tls"_s} << QString() << true << 0
                                                   << QString();
    }
    void trust()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, kept);
        QFETCH(bool, plain);
        QFETCH(int, exitCode);
        QFETCH(QString, err);
        QFile::remove(knownServers());
        TestServer &target = plain ? plainServer : server;
        if (!kept.isEmpty()) {
            QVERIFY(QDir().mkpath(config.filePath(u"korvan-query"_s)));
            QFile file(knownServers());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(u"127.0.0.1:%1 %2\n"_s.arg(target.port()).arg(kept == u"right"_s ? target.fingerprint() : kept).toUtf8());
        }
        // An empty --fingerprint stands for none given.
        const qsizetype empty = arguments.indexOf(QString());
        if (empty > 0)
            arguments.remove(empty - 1, 2);
        const qsizetype loginsBefore = target.log().count(u"logged in as admin"_s);
        m_pinArguments = false;
        const Run r = run(arguments, target.port());
        m_pinArguments = true;
        QVERIFY2(r.err.contains(err), qPrintable(r.err));
        QCOMPARE(r.exitCode, exitCode);
        QCOMPARE(r.out.isEmpty(), exitCode != 0);
        // A refused server never got the login (the password least of all).
        QTest::qWait(100);
        QCOMPARE(target.log().count(u"logged in as admin"_s) > loginsBefore, exitCode == 0);
    }

    // --remember keeps the pin, so the next run needs none.
    void remembersThePin()
    {
        QFile::remove(knownServers());
        QCOMPARE(run({u"--info"_s, u"1"_s, u"--remember"_s}).exitCode, 0);
        m_pinArguments = false;
        const Run r = run({u"--info"_s, u"1"_s});
        m_pinArguments = true;
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QFile file(knownServers());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()), u"127.0.0.1:%1 %2\n"_s.arg(server.port()).arg(server.fingerprint()));
    }
};

QTEST_GUILESS_MAIN(TestKorvanQuery)
#include "tst_korvanquery.moc"
