#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

class PgCluster;
class QSslSocket;
class ServerConnection;

// A real korvan-server for one test: 127.0.0.1, a port of its own choosing,
// a database in a temporary folder. The server binary comes from the
// KORVAN_SERVER_BIN environment variable that the test registration sets.
// The server encrypts (unless started with --no-tls) with a certificate of
// its own; every connection of the process trusts it, since start() adds its
// fingerprint to ServerConnection's default trust.
//
// The database is an SQLite file, or (KORVAN_TEST_ENGINE=postgresql, which
// the _postgresql registration of a test sets) a database of its own in a
// PostgreSQL cluster the test process starts once (pgcluster.h), owned by a
// role without superuser power. The same test then runs on either engine;
//     if (const QString why = TestServer::unavailableReason(); !why.isEmpty())
//         QSKIP(qPrintable(why));
// skips it where PostgreSQL is not installed.
class TestServer
{
public:
    enum class Engine { Sqlite, Postgres };
    // The engine the test runs on (KORVAN_TEST_ENGINE).
    static Engine engineUnderTest();
    // Empty when servers of engineUnderTest() can run here, else why not.
    static QString unavailableReason();
    // The shared cluster of the test process (started on first use), null
    // when it cannot start.
    static PgCluster *cluster(QString *error = nullptr);

    explicit TestServer(Engine engine = engineUnderTest());
    ~TestServer();

    Engine engine() const { return m_engine; }
    // What the server gets as --db: the file, or the postgresql:// address.
    QString databaseArgument() const;

    // Starts the server with extra arguments (for example {"--demo"}); false
    // with errorText() set when it does not come up.
    bool start(const QStringList &extraArguments = {});
    // SIGTERM and wait; the database file stays for the next start().
    void stop();
    // SIGKILL: the server dies without any clean-up.
    void kill();

    // Serves the database target names instead of one of its own: another
    // server's databaseArgument() (two servers on one PostgreSQL database),
    // or a PgCluster::uri. Before start().
    void setDatabase(const QString &target) { m_target = target; }

    int port() const { return m_port; }
    // 0 when the server is not running.
    qint64 processId() const { return m_process ? m_process->processId() : 0; }
    QString databasePath() const;
    QString folder() const { return m_dir.path(); }
    QString errorText() const { return m_error; }
    // The SHA-256 fingerprint of the server's certificate; empty with --no-tls.
    QString fingerprint() const { return m_fingerprint; }
    // What the server wrote to standard error so far (its log, kept in a
    // file of the folder across restarts).
    QString log();
    QString logPath() const;

    // The administrator every new database has; connect() logs in as him.
    static constexpr char AdminUser[] = "admin";
    static constexpr char AdminPassword[] = "admin";

    // A new connection to this server (not yet opened), logged in as the
    // administrator before its first call.
    std::unique_ptr<ServerConnection> connect() const;
    // The same, logged in as another user of 职员.
    std::unique_ptr<ServerConnection> connectAs(const QString &user, const QString &password) const;

    // Runs SQL on the database itself (the file, or the PostgreSQL database
    // as its superuser), beside the server, as the test's
    // set-up of a fault (a refusing trigger, a renamed table): the server
    // accepts no such statement from any client. Empty when it ran, else
    // the statement and SQLite's message.
    QString execDirect(const QString &sql) const;
    // The first value of a query on the file itself: what no session may
    // read (a stored password) or what a test checks beside the server.
    QString valueDirect(const QString &sql) const;

    // A socket to this server past the TLS handshake (when it encrypts) and
    // the greeting, for tests that write frames by hand; nullptr on failure.
    std::unique_ptr<QSslSocket> rawSocket() const;

    // Adds a certificate's fingerprint to ServerConnection's default trust,
    // as start() does for every server: also for a peer of the test's own
    // that encrypts with a certificate of its own.
    static void trustFingerprint(const QString &fingerprint);

private:
    // The PostgreSQL database of this server, created on first start.
    bool ensurePgDatabase();

    Engine m_engine;
    QString m_pgDatabase;
    QTemporaryDir m_dir;
    std::unique_ptr<QProcess> m_process;
    int m_port = 0;
    QString m_fingerprint;
    QString m_error;
    QString m_target;
};
