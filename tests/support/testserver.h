#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

class QSslSocket;
class ServerConnection;

// A real korvan-server for one test: 127.0.0.1, a port of its own choosing,
// a database in a temporary folder. The server binary comes from the
// KORVAN_SERVER_BIN environment variable that the test registration sets.
// The server encrypts (unless started with --no-tls) with a certificate of
// its own; every connection of the process trusts it, since start() adds its
// fingerprint to ServerConnection's default trust.
class TestServer
{
public:
    TestServer();
    ~TestServer();

    // Starts the server with extra arguments (for example {"--demo"}); false
    // with errorText() set when it does not come up.
    bool start(const QStringList &extraArguments = {});
    // SIGTERM and wait; the database file stays for the next start().
    void stop();
    // SIGKILL: the server dies without any clean-up.
    void kill();

    // Serve another database than the file of the folder: a PostgreSQL
    // address (PgCluster::uri) for the same tests on both engines. Before start().
    void setDatabase(const QString &target) { m_target = target; }
    // What --db names: the file of the folder unless setDatabase() said otherwise.
    QString database() const { return m_target.isEmpty() ? databasePath() : m_target; }

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

    // Runs SQL on the database file itself, beside the server, as the test's
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

private:
    QTemporaryDir m_dir;
    std::unique_ptr<QProcess> m_process;
    int m_port = 0;
    QString m_fingerprint;
    QString m_error;
    QString m_target;
};
