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

#include <QElapsedTimer>
#include <QTest>

using namespace Qt::StringLiterals;
using CommFunU::FieldSep;

class tst_PgFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void longStatementIsCancelled();
    void databaseGoesAwayAndComesBack();
    void databaseDownAtStart();

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

QTEST_GUILESS_MAIN(tst_PgFaults)
#include "tst_pgfaults.moc"
