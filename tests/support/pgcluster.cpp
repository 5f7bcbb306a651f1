#include "pgcluster.h"

#include <libpq-fe.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTcpServer>
#include <QThread>
#include <QUrl>
#include <QVersionNumber>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr char UnprivilegedUser[] = "nobody";
constexpr char UnprivilegedGroup[] = "nogroup";

bool runningAsRoot()
{
    return ::geteuid() == 0;
}

bool hasServerBinaries(const QString &dir)
{
    return QFileInfo(dir + u"/initdb"_s).isExecutable() && QFileInfo(dir + u"/postgres"_s).isExecutable();
}

// Debian keeps the server programs out of PATH, one folder per major version.
QString findBinDir()
{
    const QString configured = qEnvironmentVariable("KORVAN_PG_BINDIR");
    if (!configured.isEmpty())
        return hasServerBinaries(configured) ? configured : QString();
    QString newest;
    QVersionNumber newestVersion;
    const QDir debian(u"/usr/lib/postgresql"_s);
    for (const QString &entry : debian.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString dir = debian.filePath(entry + u"/bin"_s);
        const QVersionNumber version = QVersionNumber::fromString(entry);
        if (hasServerBinaries(dir) && (newest.isEmpty() || version > newestVersion)) {
            newest = dir;
            newestVersion = version;
        }
    }
    if (!newest.isEmpty())
        return newest;
    const QString initdb = QStandardPaths::findExecutable(u"initdb"_s);
    return initdb.isEmpty() ? QString() : QFileInfo(initdb).absolutePath();
}

QString setprivPath()
{
    return QStandardPaths::findExecutable(u"setpriv"_s);
}

// A port nobody listens on just now. Another process may take it before the
// postmaster binds it; start() then tries another.
int freePort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

QString quotedIdentifier(const QString &name)
{
    QString inner = name;
    inner.replace(u'"', u"\"\""_s);
    return u'"' + inner + u'"';
}

// One libpq connection for the fixture's own statements, closed on scope exit.
struct Connection
{
    explicit Connection(const QString &conninfo) : conn(PQconnectdb(conninfo.toUtf8().constData())) {}
    ~Connection() { PQfinish(conn); }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;
    bool ok() const { return PQstatus(conn) == CONNECTION_OK; }
    QString error() const { return QString::fromUtf8(PQerrorMessage(conn)).trimmed(); }
    PGconn *conn;
};

} // namespace

PgCluster::PgCluster()
    : m_dir(QDir::tempPath() + u'/' + QLatin1StringView(FolderPrefix) + u"XXXXXX"_s)
    , m_binDir(findBinDir())
{
    if (m_dir.isValid()) {
        const QByteArray lock = QFile::encodeName(m_dir.filePath(QString::fromLatin1(LockFile)));
        m_lock = ::open(lock.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_lock >= 0)
            ::flock(m_lock, LOCK_EX);
    }
    removeAbandonedFolders();
}

PgCluster::~PgCluster()
{
    stop();
    if (m_lock >= 0)
        ::close(m_lock);
}

void PgCluster::removeAbandonedFolders()
{
    const QDir temp(QDir::tempPath());
    const QString mine = QString::fromLatin1(FolderPrefix) + u'*';
    for (const QFileInfo &folder : temp.entryInfoList({mine}, QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QByteArray lock = QFile::encodeName(folder.filePath() + u'/' + QLatin1StringView(LockFile));
        // No lock file: a cluster being made this moment (or not ours); left alone.
        const int fd = ::open(lock.constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0)
            continue;
        const bool abandoned = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        if (abandoned)
            QDir(folder.filePath()).removeRecursively();
        ::close(fd);
    }
}

QString PgCluster::unavailableReason()
{
    if (findBinDir().isEmpty())
        return u"PostgreSQL server programs (initdb, postgres) not found: install Debian's postgresql package "
               "(scripts/install-deps) or set KORVAN_PG_BINDIR"_s;
    if (setprivPath().isEmpty())
        return u"setpriv (util-linux) not found: it runs the test cluster"_s;
    if (runningAsRoot() && (!::getpwnam(UnprivilegedUser) || !::getgrnam(UnprivilegedGroup)))
        return u"running as root, but there is no user nobody or group nogroup to run PostgreSQL as"_s;
    return {};
}

QString PgCluster::dataDirectory() const
{
    return m_dir.filePath(u"data"_s);
}

QString PgCluster::log() const
{
    QFile file(m_dir.filePath(u"postgres.log"_s));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

qint64 PgCluster::processId() const
{
    return isRunning() ? m_postmaster->processId() : 0;
}

bool PgCluster::isRunning() const
{
    return m_postmaster && m_postmaster->state() == QProcess::Running;
}

void PgCluster::prepare(QProcess &process, const QString &program, const QStringList &arguments) const
{
    QStringList wrapper;
    if (runningAsRoot())
        wrapper << u"--reuid=%1"_s.arg(QLatin1StringView(UnprivilegedUser))
                << u"--regid=%1"_s.arg(QLatin1StringView(UnprivilegedGroup)) << u"--clear-groups"_s;
    // Set after the change of user, which clears it: the postmaster shuts
    // down at once when the test process dies without running destructors.
    wrapper << u"--pdeathsig"_s << u"QUIT"_s << m_binDir + u'/' + program;
    process.setProgram(setprivPath());
    process.setArguments(wrapper + arguments);
    process.setWorkingDirectory(m_dir.path());
    process.setStandardOutputFile(QProcess::nullDevice());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // Keeps the PG* variables of whoever runs the test out of the cluster's programs.
    for (const QString &key : environment.keys())
        if (key.startsWith(u"PG"_s))
            environment.remove(key);
    environment.insert(u"LC_ALL"_s, u"C.UTF-8"_s);
    process.setProcessEnvironment(environment);
}

bool PgCluster::initDatabase()
{
    if (runningAsRoot()) {
        // The folder belongs to the cluster's owner and stays closed to others:
        // initdb refuses a data directory that others could read.
        const passwd *user = ::getpwnam(UnprivilegedUser);
        const group *grp = ::getgrnam(UnprivilegedGroup);
        const QByteArray path = QFile::encodeName(m_dir.path());
        if (::chown(path.constData(), user->pw_uid, grp->gr_gid) != 0 || ::chmod(path.constData(), 0700) != 0) {
            m_error = u"cannot hand %1 to %2: %3"_s.arg(m_dir.path(), QLatin1StringView(UnprivilegedUser),
                                                        QString::fromLocal8Bit(strerror(errno)));
            return false;
        }
    }
    QProcess initdb;
    prepare(initdb, u"initdb"_s,
            {u"--pgdata"_s, dataDirectory(), u"--username"_s, QString::fromLatin1(SuperUser), u"--auth=trust"_s,
             u"--encoding=UTF8"_s, u"--locale=C.UTF-8"_s, u"--no-instructions"_s,
             // A test's cluster need not survive a power cut of the machine
             // during initdb; the server's own writes are still synced.
             u"--no-sync"_s});
    initdb.setStandardErrorFile(m_dir.filePath(u"initdb.log"_s));
    initdb.start();
    if (!initdb.waitForFinished(120000) || initdb.exitStatus() != QProcess::NormalExit || initdb.exitCode() != 0) {
        QFile logFile(m_dir.filePath(u"initdb.log"_s));
        logFile.open(QIODevice::ReadOnly);
        m_error = u"initdb failed: "_s + initdb.errorString() + u"\n"_s + QString::fromUtf8(logFile.readAll());
        return false;
    }
    m_initialized = true;
    return true;
}

bool PgCluster::startPostmaster()
{
    m_postmaster = std::make_unique<QProcess>();
    prepare(*m_postmaster, u"postgres"_s,
            {u"-D"_s, dataDirectory(), u"-p"_s, QString::number(m_port), u"-c"_s, u"listen_addresses=127.0.0.1"_s,
             u"-c"_s, u"unix_socket_directories="_s + m_dir.path(), u"-c"_s, u"unix_socket_permissions=0700"_s});
    m_postmaster->setStandardErrorFile(m_dir.filePath(u"postgres.log"_s), QIODevice::Append);
    m_postmaster->start();
    if (!m_postmaster->waitForStarted(10000)) {
        m_error = u"postgres did not start: "_s + m_postmaster->errorString();
        return false;
    }
    return waitUntilReady(60000);
}

bool PgCluster::waitUntilReady(int timeoutMs)
{
    const QByteArray conninfo = u"host=127.0.0.1 port=%1 dbname=postgres user=%2 connect_timeout=2"_s
                                    .arg(m_port)
                                    .arg(QLatin1StringView(SuperUser))
                                    .toUtf8();
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (m_postmaster->state() == QProcess::NotRunning) {
            m_error = u"postgres stopped while starting:\n"_s + log();
            return false;
        }
        if (PQping(conninfo.constData()) == PQPING_OK)
            return true;
        QThread::msleep(50);
    }
    m_error = u"postgres did not accept connections on port %1 in time:\n"_s.arg(m_port) + log();
    return false;
}

bool PgCluster::start()
{
    if (isRunning())
        return true;
    m_error = unavailableReason();
    if (!m_error.isEmpty())
        return false;
    if (!m_dir.isValid()) {
        m_error = u"no temporary folder: "_s + m_dir.errorString();
        return false;
    }
    if (!m_initialized && !initDatabase())
        return false;
    // The port was free when probed; should another process bind it first,
    // the postmaster stops with "could not bind" and another port is tried.
    // A restart keeps the port while it is free, so that servers connected
    // before reach the cluster again.
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (attempt > 0 || m_port == 0)
            m_port = freePort();
        if (startPostmaster())
            return true;
        const bool portTaken = log().contains(u"could not bind"_s) || log().contains(u"could not create listen socket"_s);
        stop();
        if (!portTaken)
            return false;
    }
    return false;
}

void PgCluster::stop()
{
    if (!m_postmaster)
        return;
    if (m_postmaster->state() != QProcess::NotRunning) {
        // SIGINT is the fast shutdown: open sessions are cut off, the data is
        // written out; SIGQUIT (no checkpoint) only if that hangs.
        ::kill(pid_t(m_postmaster->processId()), SIGINT);
        if (!m_postmaster->waitForFinished(30000)) {
            ::kill(pid_t(m_postmaster->processId()), SIGQUIT);
            if (!m_postmaster->waitForFinished(10000)) {
                m_postmaster->kill();
                m_postmaster->waitForFinished(5000);
            }
        }
    }
    m_postmaster.reset();
}

QString PgCluster::uri(const QString &dbname, const QString &user) const
{
    const QString role = user.isEmpty() ? QString::fromLatin1(SuperUser) : user;
    return u"postgresql://%1@127.0.0.1:%2/%3"_s.arg(QString::fromLatin1(QUrl::toPercentEncoding(role)))
        .arg(m_port)
        .arg(QString::fromLatin1(QUrl::toPercentEncoding(dbname)));
}

bool PgCluster::createDatabase(const QString &name, const QString &owner)
{
    QString sql = u"CREATE DATABASE "_s + quotedIdentifier(name);
    if (!owner.isEmpty())
        sql += u" OWNER "_s + quotedIdentifier(owner);
    m_error = execDirect(u"postgres"_s, sql);
    return m_error.isEmpty();
}

bool PgCluster::createRole(const QString &name)
{
    m_error = execDirect(u"postgres"_s, u"CREATE ROLE "_s + quotedIdentifier(name) + u" LOGIN"_s);
    return m_error.isEmpty();
}

QString PgCluster::execDirect(const QString &dbname, const QString &sql) const
{
    Connection db(uri(dbname));
    if (!db.ok())
        return sql + u" -> "_s + db.error();
    PGresult *result = PQexec(db.conn, sql.toUtf8().constData());
    const ExecStatusType status = PQresultStatus(result);
    QString failure;
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        failure = sql + u" -> "_s + QString::fromUtf8(PQresultErrorMessage(result)).trimmed();
    PQclear(result);
    return failure;
}

QString PgCluster::valueDirect(const QString &dbname, const QString &sql, QString *error) const
{
    return rowsDirect(dbname, sql, QString(), error).value(0).value(0);
}

QList<QStringList> PgCluster::rowsDirect(const QString &dbname, const QString &sql, const QString &nullText,
                                         QString *error) const
{
    Connection db(uri(dbname));
    QList<QStringList> rows;
    QString failure;
    if (!db.ok()) {
        failure = db.error();
    } else {
        PGresult *result = PQexec(db.conn, sql.toUtf8().constData());
        if (PQresultStatus(result) != PGRES_TUPLES_OK)
            failure = QString::fromUtf8(PQresultErrorMessage(result)).trimmed();
        for (int row = 0; failure.isEmpty() && row < PQntuples(result); ++row) {
            QStringList values;
            for (int column = 0; column < PQnfields(result); ++column)
                values << (PQgetisnull(result, row, column)
                               ? nullText
                               : QString::fromUtf8(PQgetvalue(result, row, column), PQgetlength(result, row, column)));
            rows << values;
        }
        PQclear(result);
    }
    if (error)
        *error = failure.isEmpty() ? QString() : sql + u" -> "_s + failure;
    return rows;
}
