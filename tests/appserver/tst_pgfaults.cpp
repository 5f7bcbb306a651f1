// Faults of a korvan-server on PostgreSQL. A statement that runs too long is
// cancelled in PostgreSQL itself, the session going on. A PostgreSQL that
// goes away under a running server, or is not there when it starts: the
// server says so, answers Err ("network error", which the
// client shows as a lost connection), connects again once the database is
// back, and a transaction lost with the connection is reported at its commit,
// never committed half.
#include "marks.h"
#include "pgcluster.h"
#include "serverconnection.h"
#include "testserver.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using CommFunU::FieldSep;

class tst_PgFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void longStatementIsCancelled();
    void statementOfAClientGoneIsCancelled();
    void answerOverTheLimitIsRefused();
    void logShowsNoPassword();
    void serversStartingTogetherPrepareOnce();
    void databaseGoesAwayAndComesBack();
    void databaseDownAtStart();
    void policyHoldsAfterAReconnect();
    void clientRoleIsTheAdministratorsStep();

private:
    // A server for trusted scripts on the cluster's database (the access
    // policy is not what this test is about).
    bool startServer(TestServer &server, bool demo, const QStringList &more = {});
    QString count(ServerConnection &db);

    PgCluster m_cluster;
};

void tst_PgFaults::initTestCase()
{
    if (const QString why = PgCluster::unavailableReason(); !why.isEmpty())
        QSKIP(qPrintable(why));
    QVERIFY2(m_cluster.start(), qPrintable(m_cluster.errorText()));
    QVERIFY2(m_cluster.createDatabase(u"korvan"_s), qPrintable(m_cluster.errorText()));
}

bool tst_PgFaults::startServer(TestServer &server, bool demo, const QStringList &more)
{
    QStringList arguments{u"--no-login"_s, u"--db"_s, m_cluster.uri(u"korvan"_s)};
    if (demo)
        arguments << u"--demo"_s;
    return server.start(arguments + more);
}

QString tst_PgFaults::count(ServerConnection &db)
{
    return db.openQuery(u"select count(*) from 部门 where 部门名称 like 'outage%'"_s, QString(), 0);
}

void tst_PgFaults::longStatementIsCancelled()
{
    TestServer server(TestServer::Engine::Sqlite); // its own --db names the cluster
    QVERIFY2(startServer(server, false, {u"--statement-timeout"_s, u"1"_s}), qPrintable(server.errorText()));
    auto db = server.connect();
    db->open();
    QElapsedTimer clock;
    clock.start();
    const QString answer = db->openQuery(u"with recursive n(i) as (select 1 union all select i+1 from n where i < "
                                         "300000000) select count(*) from n"_s, QString(), 0);
    QVERIFY2(answer.startsWith(u"Err"_s) && answer.contains(u"--statement-timeout"_s), qPrintable(answer));
    QVERIFY2(clock.elapsed() < 20000, "the statement was not stopped in time");
    // No backend of PostgreSQL runs it any more, and the session goes on.
    QCOMPARE(m_cluster.valueDirect(u"korvan"_s, u"select count(*) from pg_stat_activity where query like "
                                                "'%300000000%' and state = 'active' and pid <> pg_backend_pid()"_s),
             u"0"_s);
    QCOMPARE(db->openQuery(u"select 1+1"_s, QString(), 0), u"Suc"_s + FieldSep + u'1' + FieldSep + u'2');
}

// How many backends run the long query of these tests right now.
static QString runningLongQueries(const PgCluster &cluster)
{
    return cluster.valueDirect(u"korvan"_s, u"select count(*) from pg_stat_activity where query like '%300000000%' "
                                            "and state = 'active' and pid <> pg_backend_pid()"_s);
}

void tst_PgFaults::statementOfAClientGoneIsCancelled()
{
    TestServer server(TestServer::Engine::Sqlite);
    QVERIFY2(startServer(server, false, {u"--statement-timeout"_s, u"0"_s}), qPrintable(server.errorText()));
    {
        auto db = server.connect();
        db->setTimeout(1000); // the client gives up and hangs up
        db->open();
        try {
            db->openQuery(u"with recursive n(i) as (select 1 union all select i+1 from n where i < 300000000) "
                          "select count(*) from n"_s, QString(), 0);
        } catch (const std::exception &) {
        }
        db->close();
    }
    QTRY_COMPARE_WITH_TIMEOUT(runningLongQueries(m_cluster), u"0"_s, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(server.log().contains(u"the client hung up"_s), 10000);
}

void tst_PgFaults::answerOverTheLimitIsRefused()
{
    TestServer server(TestServer::Engine::Sqlite);
    QVERIFY2(startServer(server, false, {u"--max-answer"_s, u"1"_s}), qPrintable(server.errorText()));
    auto db = server.connect();
    db->open();
    const QString answer = db->openQuery(u"with recursive n(i) as (select 1 union all select i+1 from n where i < "
                                         "200000) select i, 'some text to fill the answer' from n"_s, QString(), 0);
    QVERIFY2(answer.startsWith(u"Errthe answer is larger than the server sends"_s), qPrintable(answer.left(200)));
    QCOMPARE(db->openQuery(u"select 1+1"_s, QString(), 0), u"Suc"_s + FieldSep + u'1' + FieldSep + u'2');
}

// A password in the address (the test cluster trusts 127.0.0.1, so any
// works) never reaches the log.
void tst_PgFaults::logShowsNoPassword()
{
    TestServer server(TestServer::Engine::Sqlite);
    QString address = m_cluster.uri(u"korvan"_s);
    address.replace(u"postgresql://postgres@"_s, u"postgresql://postgres:s3cret-Pw@"_s);
    QVERIFY2(address.contains(u"s3cret-Pw"_s), qPrintable(address));
    QVERIFY2(server.start({u"--no-login"_s, u"--db"_s, address}), qPrintable(server.errorText()));
    // The address is logged just after the line naming the port.
    QTRY_VERIFY2(server.log().contains(u"postgres:****@"_s), qPrintable(server.log()));
    QVERIFY(!server.log().contains(u"s3cret"_s));
}

// Two servers started at once on one new database: one makes the schema and
// the demo company, the other waits for it and opens what it made.
void tst_PgFaults::serversStartingTogetherPrepareOnce()
{
    QVERIFY2(m_cluster.createDatabase(u"together"_s), qPrintable(m_cluster.errorText()));
    QTemporaryDir folder;
    QList<std::shared_ptr<QProcess>> servers;
    for (int n = 0; n < 2; ++n) {
        auto server = std::make_shared<QProcess>();
        server->setProgram(qEnvironmentVariable("KORVAN_SERVER_BIN"));
        server->setArguments({u"--db"_s, m_cluster.uri(u"together"_s), u"--demo"_s, u"--no-login"_s, u"--no-tls"_s,
                              u"--port"_s, u"0"_s, u"--settings"_s, folder.filePath(u"k%1.ini"_s.arg(n))});
        server->start();
        QVERIFY2(server->waitForStarted(10000), qPrintable(server->errorString()));
        servers << server;
    }
    const auto stopAll = qScopeGuard([&servers] {
        for (const auto &server : std::as_const(servers)) {
            server->terminate();
            server->waitForFinished(10000);
        }
    });
    for (const auto &server : std::as_const(servers)) {
        QByteArray out;
        QDeadlineTimer deadline(60000);
        while (!out.contains("listening") && !deadline.hasExpired() && server->state() == QProcess::Running) {
            server->waitForReadyRead(200);
            out += server->readAllStandardOutput();
        }
        QVERIFY2(out.contains("listening"), server->readAllStandardError().constData());
    }
    QCOMPARE(m_cluster.valueDirect(u"together"_s, u"select count(*) from 职员 where 用户名 = 'admin'"_s), u"1"_s);
    QCOMPARE(m_cluster.valueDirect(u"together"_s, u"select count(*) from 部门 where 部门名称 = '海运出口部'"_s), u"1"_s);
}

void tst_PgFaults::databaseGoesAwayAndComesBack()
{
    TestServer server(TestServer::Engine::Sqlite); // its own --db names the cluster
    QVERIFY2(startServer(server, true), qPrintable(server.errorText()));
    auto db = server.connect();
    db->open();
    QCOMPARE(count(*db), u"Suc"_s + FieldSep + u"1"_s + FieldSep + u"0"_s);

    // A transaction holds a row when PostgreSQL stops.
    QCOMPARE(db->beginTrans(), u"Suc"_s);
    QVERIFY(db->execSql(u"insert into 部门 values ('outage 1', '', '', '', '')"_s, QString()).startsWith(u"Suc"_s));
    m_cluster.stop();
    const QString down = db->execSql(u"insert into 部门 values ('outage 2', '', '', '', '')"_s, QString());
    QVERIFY2(down.startsWith(u"Errnetwork error"_s), qPrintable(down));
    QVERIFY2(count(*db).startsWith(u"Errnetwork error"_s), qPrintable(count(*db)));

    // Back: the next call is answered, the lost transaction is reported
    // and nothing of it is in the database.
    QVERIFY2(m_cluster.start(), qPrintable(m_cluster.errorText()));
    QCOMPARE(count(*db), u"Suc"_s + FieldSep + u"1"_s + FieldSep + u"0"_s);
    const QString commit = db->commitTrans();
    QVERIFY2(commit.startsWith(u"Err"_s) && commit.contains(u"nothing of it was saved"_s), qPrintable(commit));
    QCOMPARE(m_cluster.valueDirect(u"korvan"_s, u"select count(*) from 部门 where 部门名称 like 'outage%'"_s),
             u"0"_s);
    // And the session goes on as before.
    QVERIFY(db->execSql(u"insert into 部门 values ('outage 3', '', '', '', '')"_s, QString()).startsWith(u"Suc"_s));
    QCOMPARE(count(*db), u"Suc"_s + FieldSep + u"1"_s + FieldSep + u"1"_s);
    QVERIFY(db->execSql(u"delete from 部门 where 部门名称 like 'outage%'"_s, QString()).startsWith(u"Suc"_s));
}

void tst_PgFaults::databaseDownAtStart()
{
    m_cluster.stop();
    TestServer server(TestServer::Engine::Sqlite);
    QVERIFY2(startServer(server, false), qPrintable(server.errorText()));
    QVERIFY2(server.log().contains(u"PostgreSQL cannot be reached"_s), qPrintable(server.log()));
    auto db = server.connect();
    db->open();
    QVERIFY2(count(*db).startsWith(u"Errnetwork error"_s), qPrintable(count(*db)));
    QVERIFY2(m_cluster.start(), qPrintable(m_cluster.errorText()));
    QCOMPARE(count(*db), u"Suc"_s + FieldSep + u"1"_s + FieldSep + u"0"_s);
    QTRY_VERIFY_WITH_TIMEOUT(server.log().contains(u"reachable again"_s), 10000);
}

// A logged-in session whose connection to PostgreSQL broke is put under its
// user's policy again on the new connection, before any of its statements.
void tst_PgFaults::policyHoldsAfterAReconnect()
{
    QVERIFY2(m_cluster.createDatabase(u"policy"_s), qPrintable(m_cluster.errorText()));
    TestServer server(TestServer::Engine::Sqlite); // its own --db names the cluster
    QVERIFY2(server.start({u"--demo"_s, u"--db"_s, m_cluster.uri(u"policy"_s)}), qPrintable(server.errorText()));
    auto zhaomin = server.connectAs(u"zhaomin"_s, u"123456"_s);
    zhaomin->open();
    const QString everyImportJob = m_cluster.valueDirect(u"policy"_s, u"select count(*) from 货运进口基本信息"_s);
    QVERIFY(everyImportJob.toInt() > 0);
    const QString seen = u"select count(*) from 货运进口基本信息"_s;
    const QString promotion = u"update 职员 set 权限7='1' where 用户名='zhaomin'"_s;
    const QString refusal = u"Err无权限: 赵敏 (操作员) 不能修改 职员.权限7"_s;
    for (int round = 0; round < 2; ++round) {
        QCOMPARE(zhaomin->openQuery(seen, QString(), 0), u"Suc"_s + FieldSep + u"1"_s + FieldSep + u"0"_s);
        QCOMPARE(zhaomin->execSql(promotion, QString()), refusal);
        QCOMPARE(m_cluster.valueDirect(u"policy"_s, u"select count(*) from korvan_session where user_name = 'zhaomin'"_s),
                 u"1"_s);
        if (round == 0) {
            m_cluster.stop();
            QVERIFY(zhaomin->openQuery(seen, QString(), 0).startsWith(u"Errnetwork error"_s));
            QVERIFY2(m_cluster.start(), qPrintable(m_cluster.errorText()));
        }
    }
    QCOMPARE(m_cluster.valueDirect(u"policy"_s, u"select 权限7 from 职员 where 用户名='zhaomin'"_s), u"0"_s);
}

// A server whose role may not create roles starts only once the
// administrator has made the client role and made it a member: until then
// it says what to run, and installs nothing.
void tst_PgFaults::clientRoleIsTheAdministratorsStep()
{
    QVERIFY2(m_cluster.createRole(u"office"_s), qPrintable(m_cluster.errorText()));
    QVERIFY2(m_cluster.createDatabase(u"office"_s, u"office"_s), qPrintable(m_cluster.errorText()));
    const QStringList arguments{u"--db"_s, m_cluster.uri(u"office"_s, u"office"_s)};
    {
        TestServer refused(TestServer::Engine::Sqlite); // its own --db names the cluster
        QVERIFY(!refused.start(arguments));
        QVERIFY2(refused.errorText().contains(u"GRANT korvan_client TO office;"_s), qPrintable(refused.errorText()));
        QCOMPARE(m_cluster.valueDirect(u"office"_s, u"select count(*) from pg_tables where schemaname = 'public'"_s),
                 u"0"_s);
    }
    QCOMPARE(m_cluster.execDirect(u"postgres"_s, u"DO $$ BEGIN IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = "
                                                  "'korvan_client') THEN CREATE ROLE korvan_client NOLOGIN; END IF; END $$"_s),
             QString());
    QCOMPARE(m_cluster.execDirect(u"postgres"_s, u"GRANT korvan_client TO office"_s), QString());
    TestServer server(TestServer::Engine::Sqlite);
    QVERIFY2(server.start(arguments + QStringList{u"--demo"_s}), qPrintable(server.errorText()));
    QVERIFY(server.log().contains(u"installed the access policy"_s));
    auto zhaomin = server.connectAs(u"zhaomin"_s, u"123456"_s);
    zhaomin->open();
    QCOMPARE(zhaomin->execSql(u"update 职员 set 职位='总经理' where 用户名='zhaomin'"_s, QString()),
             u"Err无权限: 赵敏 (操作员) 不能修改 职员.职位"_s);
}

QTEST_GUILESS_MAIN(tst_PgFaults)
#include "tst_pgfaults.moc"
