// korvan-server: the application server of the Korvan client.
#include "appserver.h"
#include "backupservice.h"
#include "databasecheck.h"
#include "databasesetup.h"
#include "serverinfo.h"
#include "sqlsession.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QHostAddress>
#include <QSocketNotifier>

#include <csignal>
#include <memory>
#include <cstdio>
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

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"korvan-server"_s);

    QCommandLineParser parser;
    parser.setApplicationDescription(u"Application server of the Korvan freight-forwarding client."_s);
    parser.addHelpOption();
    const QCommandLineOption dbOption(u"db"_s, u"Database file (created when missing)."_s, u"FILE"_s, u"korvan.db"_s);
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
    parser.addOptions({dbOption, listenOption, portOption, settingsOption, demoOption, noLoginOption,
                       backupDirOption, backupEveryOption, keepOption, checkOption});
    parser.process(app);

    if (parser.isSet(checkOption)) {
        QStringList report;
        const bool ok = DatabaseCheck::check(parser.value(checkOption), &report);
        for (const QString &line : std::as_const(report))
            std::printf("%s\n", line.toUtf8().constData());
        std::printf("%s: %s\n", parser.value(checkOption).toUtf8().constData(), ok ? "ok" : "DAMAGED");
        return ok ? 0 : 1;
    }

    BackupService::Settings backup;
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

    const QString databasePath = QFileInfo(parser.value(dbOption)).absoluteFilePath();
    {
        // Opening once here creates a missing file and reports a bad one
        // before any client connects.
        SqlSession probe;
        if (!probe.open(databasePath))
            return fail(u"cannot open the database %1: %2"_s.arg(databasePath, probe.error()));
        // A new database gets the schema (and the demo data); any other is kept as it is.
        QStringList notes;
        QString error;
        if (!DatabaseSetup::prepare(probe.handle(), parser.isSet(demoOption), &notes, &error))
            return fail(u"cannot prepare the database %1: %2"_s.arg(databasePath, error));
        for (const QString &note : std::as_const(notes))
            serverLog(note);
        if (DatabaseSetup::adminHasDefaultPassword(probe.handle()))
            serverLog(u"warning: the user admin still has the password admin; log in as admin and change it "
                      "(系统管理 > 修改密码) before anyone else can reach this server"_s);
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
    AppServer server(databasePath, info, options);
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

    // The first line of standard output names the port, so that scripts and
    // tests that asked for port 0 learn which one was chosen.
    std::printf("korvan-server listening on %s:%u\n", address.toString().toUtf8().constData(), server.serverPort());
    std::fflush(stdout);
    serverLog(u"database %1"_s.arg(databasePath));
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
