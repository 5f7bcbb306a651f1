// The PostgreSQL test cluster itself: it starts as an unprivileged owner,
// answers through libpq, runs beside another, keeps its data across a
// restart and leaves nothing behind.
#include "pgcluster.h"

#include <libpq-fe.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// The first value of sql over a connection to uri, as a client would make it.
QString queryThrough(const QString &uri, const QString &sql)
{
    PGconn *conn = PQconnectdb(uri.toUtf8().constData());
    QString value;
    if (PQstatus(conn) != CONNECTION_OK) {
        value = u"connection failed: "_s + QString::fromUtf8(PQerrorMessage(conn));
    } else {
        PGresult *result = PQexec(conn, sql.toUtf8().constData());
        value = PQresultStatus(result) == PGRES_TUPLES_OK ? QString::fromUtf8(PQgetvalue(result, 0, 0))
                                                           : QString::fromUtf8(PQresultErrorMessage(result));
        PQclear(result);
    }
    PQfinish(conn);
    return value;
}

uid_t ownerOf(qint64 pid)
{
    struct stat info {};
    return ::stat(QByteArray("/proc/" + QByteArray::number(pid)).constData(), &info) == 0 ? info.st_uid : uid_t(-1);
}

} // namespace

class TestPgCluster : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        if (QByteArrayView(QTest::currentTestFunction()) == "missingBinariesSayWhy")
            return; // runs without PostgreSQL too
        if (const QString why = PgCluster::unavailableReason(); !why.isEmpty())
            QSKIP(qPrintable(why));
    }

    // Where the server programs are not, tests are skipped with a reason
    // that says what to install, and start() fails with it, touching nothing.
    void missingBinariesSayWhy()
    {
        const QByteArray before = qgetenv("KORVAN_PG_BINDIR");
        QTemporaryDir empty;
        qputenv("KORVAN_PG_BINDIR", QFile::encodeName(empty.path()));
        const QString why = PgCluster::unavailableReason();
        PgCluster cluster;
        const bool started = cluster.start();
        const QString error = cluster.errorText();
        if (before.isNull())
            qunsetenv("KORVAN_PG_BINDIR");
        else
            qputenv("KORVAN_PG_BINDIR", before);
        QVERIFY2(why.contains(u"postgresql package"_s) && why.contains(u"scripts/install-deps"_s), qPrintable(why));
        QVERIFY(!started);
        QCOMPARE(error, why);
        QVERIFY(!QFileInfo::exists(cluster.dataDirectory()));
    }

    void startsAndAnswersThroughLibpq()
    {
        PgCluster cluster;
        QVERIFY2(cluster.start(), qPrintable(cluster.errorText()));
        QVERIFY(cluster.port() > 0);
        QVERIFY(cluster.port() != 5432); // never the packaged cluster's port
        QVERIFY2(cluster.createDatabase(u"korvan"_s), qPrintable(cluster.errorText()));
        const QString uri = cluster.uri(u"korvan"_s);
        QCOMPARE(uri, u"postgresql://postgres@127.0.0.1:%1/korvan"_s.arg(cluster.port()));
        QCOMPARE(queryThrough(uri, u"select current_database() || ' ' || current_user"_s), u"korvan postgres"_s);
        QCOMPARE(queryThrough(uri, u"select pg_encoding_to_char(encoding) from pg_database where datname = 'korvan'"_s),
                 u"UTF8"_s);
    }

    void runsAsUnprivilegedOwner()
    {
        PgCluster cluster;
        QVERIFY2(cluster.start(), qPrintable(cluster.errorText()));
        const QFileInfo data(cluster.dataDirectory());
        // PostgreSQL refuses a data directory others may read.
        QCOMPARE(data.permissions() & (QFile::ReadOther | QFile::ReadGroup | QFile::WriteOther), QFile::Permissions());
        const uid_t expected = ::geteuid() == 0 ? uid_t(65534) : ::geteuid();
        QCOMPARE(uid_t(data.ownerId()), expected);
        QCOMPARE(ownerOf(cluster.processId()), expected);
    }

    void rolesWithoutSuperuserPower()
    {
        PgCluster cluster;
        QVERIFY2(cluster.start(), qPrintable(cluster.errorText()));
        QVERIFY2(cluster.createRole(u"clerk"_s), qPrintable(cluster.errorText()));
        QVERIFY2(cluster.createDatabase(u"office"_s, u"clerk"_s), qPrintable(cluster.errorText()));
        const QString uri = cluster.uri(u"office"_s, u"clerk"_s);
        QCOMPARE(queryThrough(uri, u"select rolsuper::text from pg_roles where rolname = current_user"_s), u"false"_s);
        QCOMPARE(cluster.valueDirect(u"postgres"_s, u"select pg_get_userbyid(datdba) from pg_database where datname = 'office'"_s),
                 u"clerk"_s);
    }

    void twoClustersSideBySide()
    {
        PgCluster first;
        PgCluster second;
        QVERIFY2(first.start(), qPrintable(first.errorText()));
        QVERIFY2(second.start(), qPrintable(second.errorText()));
        QVERIFY(first.port() != second.port());
        QVERIFY(first.folder() != second.folder());
        QCOMPARE(first.execDirect(u"postgres"_s, u"create table only_here (n int)"_s), QString());
        QCOMPARE(first.valueDirect(u"postgres"_s, u"select coalesce(to_regclass('only_here')::text, 'none')"_s),
                 u"only_here"_s);
        QCOMPARE(second.valueDirect(u"postgres"_s, u"select coalesce(to_regclass('only_here')::text, 'none')"_s),
                 u"none"_s);
    }

    void restartKeepsTheData()
    {
        PgCluster cluster;
        QVERIFY2(cluster.start(), qPrintable(cluster.errorText()));
        QCOMPARE(cluster.execDirect(u"postgres"_s, u"create table kept (n int); insert into kept values (42)"_s), QString());
        cluster.stop();
        QVERIFY(!cluster.isRunning());
        QCOMPARE(cluster.valueDirect(u"postgres"_s, u"select 1"_s), QString()); // nobody answers while stopped
        QVERIFY2(cluster.start(), qPrintable(cluster.errorText()));
        QCOMPARE(cluster.valueDirect(u"postgres"_s, u"select n from kept"_s), u"42"_s);
    }

    void errorsNameTheStatementAndTheReason_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("reason");
        QTest::newRow("syntax") << u"selec 1"_s << u"syntax error"_s;
        QTest::newRow("no such table") << u"select * from nowhere"_s << u"does not exist"_s;
        QTest::newRow("duplicate database") << u"create database postgres"_s << u"already exists"_s;
    }

    void errorsNameTheStatementAndTheReason()
    {
        QFETCH(QString, sql);
        QFETCH(QString, reason);
        if (!m_shared) {
            m_shared = std::make_unique<PgCluster>();
            QVERIFY2(m_shared->start(), qPrintable(m_shared->errorText()));
        }
        PgCluster &cluster = *m_shared;
        const QString failure = cluster.execDirect(u"postgres"_s, sql);
        QVERIFY2(failure.startsWith(sql) && failure.contains(reason), qPrintable(failure));
        QString error;
        QCOMPARE(cluster.valueDirect(u"postgres"_s, sql, &error), QString());
        QVERIFY2(error.contains(reason), qPrintable(error));
        QVERIFY(!cluster.createDatabase(u"postgres"_s));
        QVERIFY2(cluster.errorText().contains(u"already exists"_s), qPrintable(cluster.errorText()));
    }

    void nothingLeftAfterDestruction()
    {
        auto cluster = std::make_unique<PgCluster>();
        QVERIFY2(cluster->start(), qPrintable(cluster->errorText()));
        const QString folder = cluster->folder();
        const qint64 pid = cluster->processId();
        const int port = cluster->port();
        QVERIFY(QFileInfo::exists(folder + u"/data/PG_VERSION"_s));
        QVERIFY(pid > 0);
        cluster.reset();
        QVERIFY(!QFileInfo::exists(folder));
        QCOMPARE(::kill(pid_t(pid), 0), -1); // the postmaster is gone, not left running
        QCOMPARE(PQping(u"host=127.0.0.1 port=%1 dbname=postgres connect_timeout=2"_s.arg(port).toUtf8().constData()),
                 PQPING_NO_RESPONSE);
    }

    // A test process killed outright leaves its folder; the next cluster
    // removes it, and never the folder of a cluster still in use.
    void abandonedFoldersAreRemoved()
    {
        QTemporaryDir abandoned(QDir::tempPath() + u'/' + QLatin1StringView(PgCluster::FolderPrefix) + u"XXXXXX"_s);
        abandoned.setAutoRemove(false);
        QFile lock(abandoned.filePath(QString::fromLatin1(PgCluster::LockFile)));
        QVERIFY(lock.open(QIODevice::WriteOnly)); // the lock file, held by no one
        lock.close();
        QVERIFY(QDir().mkpath(abandoned.filePath(u"data/base"_s)));
        PgCluster inUse;
        QVERIFY2(inUse.start(), qPrintable(inUse.errorText()));
        QVERIFY(!QFileInfo::exists(abandoned.path()));
        PgCluster next;
        QVERIFY(QFileInfo::exists(inUse.folder() + u"/data/PG_VERSION"_s));
        QCOMPARE(inUse.valueDirect(u"postgres"_s, u"select 1"_s), u"1"_s);
    }

private:
    // One cluster for the rows of a table that only read.
    std::unique_ptr<PgCluster> m_shared;
};

QTEST_GUILESS_MAIN(TestPgCluster)
#include "tst_pgcluster.moc"
