#pragma once

#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <memory>

// A PostgreSQL cluster of one test's own: initdb into a temporary folder, the
// postmaster on 127.0.0.1 at a free port with its unix socket in that folder,
// stopped and the folder removed by the destructor (also after a failed
// check). It never touches a cluster the machine already runs (Debian's
// package starts one on 5432): its own port, its own folder.
//
//     if (const QString why = PgCluster::unavailableReason(); !why.isEmpty())
//         QSKIP(qPrintable(why));
//     PgCluster cluster;
//     QVERIFY2(cluster.start(), qPrintable(cluster.errorText()));
//     QVERIFY2(cluster.createDatabase(u"korvan"_s), qPrintable(cluster.errorText()));
//     server.start({u"--db"_s, cluster.uri(u"korvan"_s)});
//
// PostgreSQL refuses to run as root, so when the test does (CI does), initdb
// and the postmaster run as nobody:nogroup through setpriv, the folder owned
// by nobody and closed to others. The postmaster gets SIGQUIT when the test
// process dies, so a crashed test leaves no server behind.
//
// A test process that is killed outright leaves its folder behind (the
// postmaster follows it); the next PgCluster removes such folders: each
// cluster holds a lock on a file in its folder for as long as it lives, and
// the kernel drops that lock with the process however it ends.
//
// Binaries are looked up in KORVAN_PG_BINDIR, then Debian's
// /usr/lib/postgresql/<newest>/bin, then PATH.
class PgCluster
{
public:
    PgCluster();
    ~PgCluster();
    PgCluster(const PgCluster &) = delete;
    PgCluster &operator=(const PgCluster &) = delete;

    // Empty when a cluster can be started here, else why not (for QSKIP):
    // initdb/postgres or setpriv missing.
    static QString unavailableReason();

    // initdb (once) and start; false with errorText() set when it fails.
    bool start();
    // Fast shutdown (the sessions are cut off); the data stays for the next start().
    void stop();
    bool isRunning() const;

    // The superuser that initdb made; trusted without a password, over TCP
    // from 127.0.0.1 and over the socket.
    static constexpr char SuperUser[] = "postgres";

    int port() const { return m_port; }
    QString folder() const { return m_dir.path(); }
    QString dataDirectory() const;
    QString errorText() const { return m_error; }
    // What the postmaster wrote so far.
    QString log() const;
    // The postmaster's process id; 0 when it is not running.
    qint64 processId() const;

    // postgresql://user@127.0.0.1:port/dbname; the superuser when user is empty.
    QString uri(const QString &dbname, const QString &user = {}) const;

    // CREATE DATABASE (owned by owner when given); false with errorText().
    bool createDatabase(const QString &name, const QString &owner = {});
    // A login role without superuser power (row-level security applies to
    // it, not to a superuser); false with errorText().
    bool createRole(const QString &name);

    // Runs SQL as the superuser in dbname, beside any korvan-server, as a
    // test's set-up or check. Empty when it ran, else the statement and
    // PostgreSQL's message.
    QString execDirect(const QString &dbname, const QString &sql) const;
    // The first column of the first row (NULL as empty); empty on error, with
    // the message in *error when given.
    QString valueDirect(const QString &dbname, const QString &sql, QString *error = nullptr) const;
    // Every row of sql, each value as text and NULL as nullText; empty on
    // error, with the message in *error when given.
    QList<QStringList> rowsDirect(const QString &dbname, const QString &sql, const QString &nullText,
                                  QString *error = nullptr) const;

    // The folder prefix in QDir::tempPath(), and the file whose lock says the folder is in use.
    static constexpr char FolderPrefix[] = "korvan-pg-";
    static constexpr char LockFile[] = "owner.lock";

private:
    // Removes the folders of clusters whose process is gone.
    static void removeAbandonedFolders();
    bool initDatabase();
    bool startPostmaster();
    bool waitUntilReady(int timeoutMs);
    // Sets up process to run program from the PostgreSQL binaries as the
    // cluster's owner (nobody when the test runs as root).
    void prepare(QProcess &process, const QString &program, const QStringList &arguments) const;

    QTemporaryDir m_dir;
    int m_lock = -1; // descriptor of the folder's LockFile, locked while this object lives
    QString m_binDir;
    std::unique_ptr<QProcess> m_postmaster;
    int m_port = 0;
    bool m_initialized = false;
    QString m_error;
};
