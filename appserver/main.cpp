// korvan-server: the application server of the Korvan client.
#include "appserver.h"
#include "backupservice.h"
#include "crashlog.h"
#include "databasecheck.h"
#include "databasesession.h"
#include "databasesetup.h"
#include "pgconnection.h"
#include "postgrescopy.h"
#include "serverinfo.h"
#include "tlscontext.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QSocketNotifier>
#include <QTimer>

#include <sqlite3.h>

#include <algorithm>
#include <csignal>
#include <memory>
#include <cstdio>
#include <sys/stat.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

int signalPipe[2] = {-1, -1};

// The signal handler only writes the signal's number into the pipe; the
// event loop reads it.
void onSignal(int number)
{
    const char c = char(number);
    [[maybe_unused]] auto n = ::write(signalPipe[1], &c, 1);
}

int fail(const QString &message)
{
    std::fprintf(stderr, "korvan-server: %s\n", message.toUtf8().constData());
    return 2;
}

// Seconds between tries to reach a PostgreSQL that was down at start.
constexpr int DatabaseRetrySeconds = 2;

// Opens the database once and gives it what a new database gets (the schema,
// the demo data); false with *error set, and *reachable false when the
// database could not even be reached.
bool prepareDatabase(const QString &target, bool demo, bool *reachable, QString *error)
{
    const std::unique_ptr<DatabaseSession> probe = DatabaseSession::open(target, error);
    *reachable = probe && error->isEmpty();
    if (!*reachable)
        return false;
    QStringList notes;
    if (!probe->prepare(demo, &notes, error))
        return false;
    for (const QString &note : std::as_const(notes))
        serverLog(note);
    if (probe->adminHasDefaultPassword())
        serverLog(u"warning: the user admin still has the password admin; log in as admin and change it "
                  "(系统管理 > 修改密码) before anyone else can reach this server"_s);
    return true;
}

// A database (and its companions) that an older server left readable by
// others is made private; one that is not ours is left as it is.
void makePrivate(const QString &databasePath)
{
    for (const QString &suffix : {QString(), u"-wal"_s, u"-shm"_s}) {
        const QByteArray path = QFile::encodeName(databasePath + suffix);
        struct stat info = {};
        if (::stat(path.constData(), &info) != 0 || info.st_uid != ::geteuid() || (info.st_mode & 077) == 0)
            continue;
        if (::chmod(path.constData(), info.st_mode & 0700) == 0)
            serverLog(u"%1 was readable by other users; it is now private to the server's user"_s.arg(
                QString::fromLocal8Bit(path)));
    }
}

// The certificate of --tls-cert/--tls-key, or the server's own beside the database.
std::optional<TlsContext> tlsContext(const QCommandLineParser &parser, const QCommandLineOption &certificate,
                                     const QCommandLineOption &key, const QString &databasePath, QString *error)
{
    if (parser.isSet(certificate) != parser.isSet(key)) {
        *error = u"--tls-cert and --tls-key go together"_s;
        return std::nullopt;
    }
    if (parser.isSet(certificate))
        return TlsContext::load(parser.value(certificate), parser.value(key), error);
    QStringList notes;
    std::optional<TlsContext> context = TlsContext::ownBeside(databasePath, &notes, error);
    for (const QString &note : std::as_const(notes))
        serverLog(note);
    return context;
}

// SQLite's limits on each session's connection (sqlite3_limit), by the names
// --sqlite-limit takes, with the defaults of a forwarding office's server.
struct SqliteLimit {
    const char *name;
    int id;
    int value;
};
SqliteLimit sqliteLimits[] = {
    {"length", SQLITE_LIMIT_LENGTH, 16 * 1024 * 1024},  // one value or row, in bytes
    {"column", SQLITE_LIMIT_COLUMN, 2000},              // columns of a table, result or index
    {"expr_depth", SQLITE_LIMIT_EXPR_DEPTH, 1000},      // depth of an expression tree
    {"compound_select", SQLITE_LIMIT_COMPOUND_SELECT, 100},
    {"vdbe_op", SQLITE_LIMIT_VDBE_OP, 1000000},         // instructions of one prepared statement
    {"function_arg", SQLITE_LIMIT_FUNCTION_ARG, 127},
    {"attached", SQLITE_LIMIT_ATTACHED, 0},             // no ATTACH: a session sees its own database only
    {"like_pattern_length", SQLITE_LIMIT_LIKE_PATTERN_LENGTH, 5000},
    {"variable_number", SQLITE_LIMIT_VARIABLE_NUMBER, 100},
    {"trigger_depth", SQLITE_LIMIT_TRIGGER_DEPTH, 20},
    {"worker_threads", SQLITE_LIMIT_WORKER_THREADS, 0},
};

QString sqliteLimitHelp()
{
    QStringList names;
    for (const SqliteLimit &limit : sqliteLimits)
        names << u"%1=%2"_s.arg(QString::fromLatin1(limit.name)).arg(limit.value);
    return u"Set one of SQLite's limits on every session (repeatable). Defaults: "_s + names.join(u", "_s) + u'.';
}

// A whole number of at least min from an option; false when it is none.
bool readNumber(const QCommandLineParser &parser, const QCommandLineOption &option, qint64 min, qint64 max,
                qint64 *value)
{
    bool ok = false;
    const qint64 n = parser.value(option).toLongLong(&ok);
    if (!ok || n < min || n > max)
        return false;
    *value = n;
    return true;
}

// Raises the descriptor limit to what the system allows; returns the limit.
rlim_t raiseDescriptorLimit()
{
    rlimit limit = {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return 1024;
    if (limit.rlim_cur < limit.rlim_max) {
        rlimit raised = limit;
        raised.rlim_cur = qMin<rlim_t>(limit.rlim_max, 1u << 20);
        if (::setrlimit(RLIMIT_NOFILE, &raised) == 0)
            limit = raised;
    }
    return limit.rlim_cur;
}

// A --db (or --copy-to) value that names a PostgreSQL database, not a file.
bool namesPostgres(const QString &target)
{
    return DatabaseSession::engineOf(target) == DatabaseSession::Engine::Postgres;
}

} // namespace

int main(int argc, char *argv[])
{
    // Everything the server creates (database, its journal files, backups,
    // key) is readable by the server's user only.
    ::umask(077);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"korvan-server"_s);

    QCommandLineParser parser;
    parser.setApplicationDescription(u"Application server of the Korvan freight-forwarding client."_s);
    parser.addHelpOption();
    const QCommandLineOption dbOption(u"db"_s, u"Database file (created when missing), or a PostgreSQL database as postgresql://user@host:port/name."_s,
                                      u"FILE|URL"_s, u"korvan.db"_s);
    const QCommandLineOption listenOption(u"listen"_s, u"Address to listen on."_s, u"ADDR"_s, u"127.0.0.1"_s);
    const QCommandLineOption portOption(u"port"_s, u"Port to listen on (0 picks a free one)."_s, u"N"_s, u"211"_s);
    const QCommandLineOption settingsOption(u"settings"_s, u"Settings file with the GetInfo texts."_s, u"FILE"_s,
                                            u"korvan-server.ini"_s);
    const QCommandLineOption demoOption(u"demo"_s, u"Fill a new, empty database with the demo company's data."_s);
    const QCommandLineOption noLoginOption(
        u"no-login"_s, u"Answer every call without a Login (scripts on a trusted machine only)."_s);
    const QCommandLineOption backupDirOption(u"backup-dir"_s, u"Folder for online backups of the database."_s,
                                             u"DIR"_s);
    const QCommandLineOption backupEveryOption(u"backup-every"_s, u"Hours between backups (default 24)."_s,
                                               u"HOURS"_s, u"24"_s);
    const QCommandLineOption keepOption(u"keep"_s, u"Keep only the newest N backups."_s, u"N"_s);
    const QCommandLineOption checkOption(u"check"_s, u"Check a database file (a backup) and exit."_s, u"FILE"_s);
    const QCommandLineOption copyToOption(
        u"copy-to"_s, u"Copy the SQLite database of --db into an empty PostgreSQL database and exit."_s, u"URL"_s);
    const QCommandLineOption certOption(u"tls-cert"_s, u"The server's certificate (PEM)."_s, u"FILE"_s);
    const QCommandLineOption keyOption(u"tls-key"_s, u"The key of --tls-cert (PEM, without passphrase)."_s,
                                       u"FILE"_s);
    const QCommandLineOption noTlsOption(
        u"no-tls"_s, u"Talk without encryption (scripts with korvan-query --no-tls on this machine only)."_s);
    const QCommandLineOption fingerprintOption(
        u"fingerprint"_s, u"Print the SHA-256 fingerprint of the certificate (made first when missing) and exit."_s);
    const QCommandLineOption handshakeOption(u"handshake-timeout"_s,
                                             u"Seconds a client has to finish the TLS handshake (default 30)."_s,
                                             u"S"_s, u"30"_s);
    const QCommandLineOption maxSessionsOption(u"max-sessions"_s, u"Most sessions open at once (default 200)."_s,
                                               u"N"_s, u"200"_s);
    const QCommandLineOption maxPerAddressOption(u"max-sessions-per-address"_s,
                                                 u"Most sessions open at once from one address (default 20)."_s,
                                                 u"N"_s, u"20"_s);
    const QCommandLineOption loginTimeoutOption(
        u"login-timeout"_s, u"Seconds a connection may stay without a login before it is closed (default 30)."_s,
        u"SECONDS"_s, u"30"_s);
    const QCommandLineOption transactionIdleOption(
        u"transaction-idle"_s,
        u"Seconds a transaction may stay open without a call before it is rolled back (default 120)."_s,
        u"SECONDS"_s, u"120"_s);
    const QCommandLineOption statementTimeoutOption(
        u"statement-timeout"_s, u"Seconds one call's statements may run before they are stopped (default 60, 0: none)."_s,
        u"SECONDS"_s, u"60"_s);
    const QCommandLineOption keepAliveOption(
        u"keepalive"_s, u"Seconds of silence before TCP keep-alive probes a client (default 60)."_s, u"SECONDS"_s,
        u"60"_s);
    const QCommandLineOption maxRequestOption(
        u"max-request"_s, u"Largest request of a logged-in session, in MiB (default 64; before a login 8 KiB)."_s,
        u"MIB"_s, u"64"_s);
    const QCommandLineOption maxAnswerOption(u"max-answer"_s, u"Largest answer to one query, in MiB (default 64)."_s,
                                             u"MIB"_s, u"64"_s);
    const QCommandLineOption maxSqlOption(u"max-sql-length"_s,
                                          u"Longest SQL text of one call, in bytes (default 1000000)."_s, u"BYTES"_s,
                                          u"1000000"_s);
    const QCommandLineOption sqliteLimitOption(u"sqlite-limit"_s, sqliteLimitHelp(), u"NAME=N"_s);
    parser.addOptions({dbOption, listenOption, portOption, settingsOption, demoOption, noLoginOption,
                       backupDirOption, backupEveryOption, keepOption, checkOption, copyToOption, certOption, keyOption,
                       noTlsOption, fingerprintOption, handshakeOption, maxSessionsOption,
                       maxPerAddressOption, loginTimeoutOption, transactionIdleOption, statementTimeoutOption,
                       keepAliveOption, maxRequestOption, maxAnswerOption, maxSqlOption, sqliteLimitOption});
    parser.process(app);
    CrashLog::install();

    if (parser.isSet(checkOption)) {
        QStringList report;
        const bool ok = DatabaseCheck::check(parser.value(checkOption), &report);
        for (const QString &line : std::as_const(report))
            std::printf("%s\n", line.toUtf8().constData());
        std::printf("%s: %s\n", parser.value(checkOption).toUtf8().constData(), ok ? "ok" : "DAMAGED");
        return ok ? 0 : 1;
    }

    if (parser.isSet(copyToOption)) {
        if (namesPostgres(parser.value(dbOption)))
            return fail(u"--copy-to copies an SQLite database file: name it with --db FILE"_s);
        if (!namesPostgres(parser.value(copyToOption)))
            return fail(u"--copy-to needs a PostgreSQL database, postgresql://user@host:port/name"_s);
        const QString source = QFileInfo(parser.value(dbOption)).absoluteFilePath();
        QList<PostgresCopy::TableCount> counts;
        QString error;
        if (!PostgresCopy::copy(source, parser.value(copyToOption), &counts, &error))
            return fail(u"--copy-to: "_s + error);
        for (const QString &line : PostgresCopy::report(counts))
            std::printf("%s\n", line.toUtf8().constData());
        std::printf("copied %s into %s\n", source.toUtf8().constData(),
                    PgConnection::shownAddress(parser.value(copyToOption)).toUtf8().constData());
        return 0;
    }

    BackupService::Settings backup;
    if (parser.isSet(backupDirOption) && namesPostgres(parser.value(dbOption)))
        return fail(u"--backup-dir: korvan-server takes no backups of a PostgreSQL database; its administrator "
                    "backs it up with PostgreSQL's tools: pg_dump (a dump of the database) or pg_basebackup (the "
                    "cluster, for point-in-time recovery). The README, \"PostgreSQL: backups\", gives the commands "
                    "and how to restore"_s);
    if (parser.isSet(backupDirOption)) {
        backup.folder = QFileInfo(parser.value(backupDirOption)).absoluteFilePath();
        bool ok = false;
        backup.everyHours = parser.value(backupEveryOption).toDouble(&ok);
        if (!ok || !(backup.everyHours > 0))
            return fail(u"--backup-every needs a number of hours above 0, such as 24 or 0.5"_s);
        if (parser.isSet(keepOption)) {
            backup.keep = parser.value(keepOption).toInt(&ok);
            if (!ok || backup.keep < 1)
                return fail(u"--keep needs a whole number of backups, 1 or more"_s);
        }
    } else if (parser.isSet(backupEveryOption) || parser.isSet(keepOption)) {
        return fail(u"--backup-every and --keep need --backup-dir"_s);
    }

    bool portOk = false;
    const uint port = parser.value(portOption).toUInt(&portOk);
    if (!portOk || port > 65535)
        return fail(u"--port needs a number from 0 to 65535"_s);
    QHostAddress address;
    if (!address.setAddress(parser.value(listenOption)))
        return fail(u"--listen needs an IP address, not \"%1\""_s.arg(parser.value(listenOption)));

    ServerInfo info;
    if (!info.load(parser.value(settingsOption)))
        return fail(u"cannot read the settings file %1"_s.arg(parser.value(settingsOption)));

    const bool postgres = namesPostgres(parser.value(dbOption));
    const QString databasePath = postgres ? parser.value(dbOption) : QFileInfo(parser.value(dbOption)).absoluteFilePath();
    // What the log may show of the address: never a password in it.
    const QString shownTarget = postgres ? PgConnection::shownAddress(databasePath) : databasePath;
    // The server's own certificate lives beside the database file, or beside
    // the settings file when the database is a PostgreSQL one.
    const QString ownFilesBeside = postgres ? QFileInfo(parser.value(settingsOption)).absoluteFilePath() : databasePath;
    std::shared_ptr<const TlsContext> tls;
    if (parser.isSet(fingerprintOption) || !parser.isSet(noTlsOption)) {
        QString error;
        std::optional<TlsContext> context = tlsContext(parser, certOption, keyOption, ownFilesBeside, &error);
        if (!context)
            return fail(error);
        if (parser.isSet(fingerprintOption)) {
            std::printf("%s\n", context->fingerprint().toLatin1().constData());
            return 0;
        }
        tls = std::make_shared<const TlsContext>(std::move(*context));
    } else if (parser.isSet(certOption) || parser.isSet(keyOption)) {
        return fail(u"--no-tls cannot be used with --tls-cert or --tls-key"_s);
    }
    bool handshakeOk = false;
    const double handshakeSeconds = parser.value(handshakeOption).toDouble(&handshakeOk);
    if (!handshakeOk || !(handshakeSeconds > 0) || handshakeSeconds > 3600)
        return fail(u"--handshake-timeout needs a number of seconds above 0, such as 30"_s);
    if (!postgres)
        makePrivate(databasePath);
    // Opening once here creates a missing file and reports a bad one before
    // any client connects. A PostgreSQL that cannot be reached yet is waited
    // for: the sessions answer Err until it is back, and the database is
    // prepared once it is.
    const bool demo = parser.isSet(demoOption);
    bool reachable = true;
    {
        QString error;
        if (!prepareDatabase(databasePath, demo, &reachable, &error)) {
            if (!postgres || reachable)
                return fail(u"cannot open or prepare the database %1: %2"_s.arg(shownTarget, error));
            serverLog(u"PostgreSQL cannot be reached at %1: %2; every call is answered with an error until it is "
                      "back, tried again every %3 s"_s.arg(shownTarget, error).arg(DatabaseRetrySeconds));
        }
    }
    QTimer retry;
    if (!reachable) {
        QObject::connect(&retry, &QTimer::timeout, &app, [&] {
            QString error;
            bool up = false;
            if (prepareDatabase(databasePath, demo, &up, &error)) {
                serverLog(u"PostgreSQL at %1 is reachable again"_s.arg(shownTarget));
                retry.stop();
            } else if (up) {
                serverLog(u"cannot prepare the database %1: %2"_s.arg(shownTarget, error));
                retry.stop();
            }
        });
        retry.start(DatabaseRetrySeconds * 1000);
    }

    if (::pipe(signalPipe) != 0)
        return fail(u"cannot set up signal handling"_s);
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGUSR1, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    SessionOptions options;
    options.requireLogin = !parser.isSet(noLoginOption);
    options.tls = tls;
    options.handshakeTimeoutMs = int(handshakeSeconds * 1000);
    AppServer::ConnectionLimits connections;
    {
        qint64 n = 0;
        const auto number = [&](const QCommandLineOption &option, qint64 min, qint64 max) {
            return readNumber(parser, option, min, max, &n);
        };
        const auto needs = [](const QCommandLineOption &option, const QString &what) {
            return fail(u"--%1 needs %2"_s.arg(option.names().constFirst(), what));
        };
        if (!number(maxSessionsOption, 1, 100000))
            return needs(maxSessionsOption, u"a whole number of sessions, 1 or more"_s);
        connections.maxSessions = int(n);
        if (!number(maxPerAddressOption, 1, 100000))
            return needs(maxPerAddressOption, u"a whole number of sessions, 1 or more"_s);
        connections.maxPerAddress = int(n);
        if (!number(loginTimeoutOption, 1, 86400))
            return needs(loginTimeoutOption, u"a number of seconds from 1 to 86400"_s);
        options.loginTimeoutMs = int(n * 1000);
        if (!number(transactionIdleOption, 1, 86400))
            return needs(transactionIdleOption, u"a number of seconds from 1 to 86400"_s);
        options.transactionIdleMs = int(n * 1000);
        if (!number(statementTimeoutOption, 0, 86400))
            return needs(statementTimeoutOption, u"a number of seconds from 0 (no limit) to 86400"_s);
        options.database.callTimeoutMs = int(n * 1000);
        if (!number(keepAliveOption, 1, 7200))
            return needs(keepAliveOption, u"a number of seconds from 1 to 7200"_s);
        options.keepAliveIdleSeconds = int(n);
        if (!number(maxRequestOption, 1, 1024))
            return needs(maxRequestOption, u"a number of MiB from 1 to 1024"_s);
        options.maxRequestBytes = quint32(n * 1024 * 1024);
        if (!number(maxAnswerOption, 1, 1023))
            return needs(maxAnswerOption, u"a number of MiB from 1 to 1023"_s);
        options.database.answerBytes = n * 1024 * 1024;
        if (!number(maxSqlOption, 1000, 1000000000))
            return needs(maxSqlOption, u"a number of bytes from 1000 to 1000000000"_s);
        options.database.sqlLength = int(n);
        for (const QString &setting : parser.values(sqliteLimitOption)) {
            const QString name = setting.section(u'=', 0, 0).trimmed().toLower();
            bool ok = false;
            const int value = setting.section(u'=', 1).trimmed().toInt(&ok);
            auto *limit = std::find_if(std::begin(sqliteLimits), std::end(sqliteLimits),
                                       [&](const SqliteLimit &l) { return name == QLatin1StringView(l.name); });
            if (limit == std::end(sqliteLimits) || !ok || value < 0)
                return fail(u"--sqlite-limit needs NAME=N with N 0 or more and one of the names of --help, not \"%1\""_s
                                .arg(setting));
            limit->value = value;
        }
        for (const SqliteLimit &limit : sqliteLimits)
            options.database.sqlite.append({limit.id, limit.value});
    }
    // Sessions are bounded by the descriptors the process may open.
    const rlim_t descriptors = raiseDescriptorLimit();
    const qint64 fitting = (qint64(descriptors) - 64) / AppServer::DescriptorsPerSession;
    if (fitting < connections.maxSessions) {
        connections.maxSessions = int(qMax<qint64>(1, fitting));
        serverLog(u"--max-sessions lowered to %1: the process may open only %2 files"_s.arg(connections.maxSessions)
                      .arg(qulonglong(descriptors)));
    }
    AppServer server(databasePath, info, options);
    server.setConnectionLimits(connections);
    std::unique_ptr<BackupService> backups;
    if (!backup.folder.isEmpty())
        backups = std::make_unique<BackupService>(databasePath, backup);
    QSocketNotifier notifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &app, [&] {
        char number = 0;
        if (::read(signalPipe[0], &number, 1) == 1 && number == SIGUSR1) {
            if (backups)
                backups->takeNow();
            else
                serverLog(u"SIGUSR1: no backup taken, the server runs without --backup-dir"_s);
            return;
        }
        serverLog(u"shutting down"_s);
        if (backups) {
            backups->requestStop();
            backups->wait();
        }
        server.shutdown();
        app.quit();
    });

    if (!server.listen(address, quint16(port)))
        return fail(u"cannot listen on %1:%2: %3"_s.arg(address.toString()).arg(port).arg(server.errorString()));

    // The fingerprint comes first, so that scripts and tests that read up to
    // the line naming the port (they asked for port 0) have learned both.
    if (tls)
        std::printf("korvan-server certificate SHA-256 fingerprint %s\n", tls->fingerprint().toLatin1().constData());
    std::printf("korvan-server listening on %s:%u\n", address.toString().toUtf8().constData(), server.serverPort());
    std::fflush(stdout);
    serverLog(u"database %1"_s.arg(shownTarget));
    if (tls && tls->expiryDate() < QDateTime::currentDateTimeUtc().addDays(30))
        serverLog(u"WARNING: the certificate %1 expires on %2; clients refuse it from then on. Give the server a new "
                  "one before (--tls-cert), or delete the server's own pair to have a new one made"_s.arg(
                      tls->certificateFile(), tls->expiryDate().toLocalTime().toString(u"yyyy-MM-dd"_s)));
    if (tls)
        serverLog(u"TLS with %1, valid until %2, SHA-256 fingerprint %3"_s.arg(
            tls->certificateFile(), tls->expiryDate().toLocalTime().toString(u"yyyy-MM-dd"_s), tls->fingerprint()));
    else
        serverLog(u"--no-tls: connections are not encrypted; only korvan-query --no-tls on this machine can talk to "
                  "this server"_s);
    serverLog(u"limits: %1 sessions, %2 from one address; login within %3 s; transactions idle %4 s; statements %5 s"_s
                  .arg(connections.maxSessions)
                  .arg(connections.maxPerAddress)
                  .arg(options.loginTimeoutMs / 1000)
                  .arg(options.transactionIdleMs / 1000)
                  .arg(options.database.callTimeoutMs / 1000));
    if (!options.requireLogin)
        serverLog(u"--no-login: every call is answered without a Login and without the access policy (any table, "
                  "any row, any statement); use this only where no one but trusted scripts can reach the port"_s);
    if (backups) {
        serverLog(u"backups: into %1 every %2 hours%3"_s.arg(backup.folder)
                      .arg(backup.everyHours)
                      .arg(backup.keep > 0 ? u", keeping the newest %1"_s.arg(backup.keep) : QString()));
        backups->start();
    }

    const int rc = app.exec();
    serverLog(u"stopped"_s);
    return rc;
}
