// korvan-query: sends one call of the server contract and prints the answer.
#include "korvanerror.h"
#include "serverconnection.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

#include <cstdio>
#include <iostream>
#include <string>
#include <termios.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// The password of --user: KORVAN_PASSWORD, else one line of standard input,
// asked for without echo on a terminal.
QString readPassword(const QString &user)
{
    if (qEnvironmentVariableIsSet("KORVAN_PASSWORD"))
        return qEnvironmentVariable("KORVAN_PASSWORD");
    const bool terminal = ::isatty(STDIN_FILENO);
    termios saved{};
    if (terminal) {
        std::fprintf(stderr, "Password for %s: ", user.toUtf8().constData());
        std::fflush(stderr);
        ::tcgetattr(STDIN_FILENO, &saved);
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    std::string line;
    std::getline(std::cin, line);
    if (terminal) {
        ::tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        std::fprintf(stderr, "\n");
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return QString::fromStdString(line);
}

// The servers this user trusts: one "HOST:PORT FINGERPRINT" a line, in the
// user's configuration folder (~/.config/korvan-query/known_servers).
QString knownServersFile()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(u"korvan-query/known_servers"_s);
}

QString serverKey(const QString &host, int port)
{
    return host.toLower() + u':' + QString::number(port);
}

QString knownFingerprint(const QString &key)
{
    QFile file(knownServersFile());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray &raw : file.readAll().split('\n')) {
        const QStringList parts = QString::fromUtf8(raw).simplified().split(u' ');
        if (parts.size() == 2 && parts.first().compare(key, Qt::CaseInsensitive) == 0)
            return parts.last();
    }
    return {};
}

// Keeps (or replaces) the pin of one server; false with the reason when it cannot.
bool rememberFingerprint(const QString &key, const QString &fingerprint, QString *error)
{
    const QString fileName = knownServersFile();
    QDir().mkpath(QFileInfo(fileName).absolutePath());
    QStringList lines;
    QFile old(fileName);
    if (old.open(QIODevice::ReadOnly)) {
        for (const QByteArray &raw : old.readAll().split('\n')) {
            const QString line = QString::fromUtf8(raw).trimmed();
            if (!line.isEmpty() && line.section(u' ', 0, 0).compare(key, Qt::CaseInsensitive) != 0)
                lines << line;
        }
    }
    lines << key + u' ' + fingerprint;
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write((lines.join(u'\n') + u'\n').toUtf8()) < 0 || !file.commit()) {
        *error = u"cannot write %1: %2"_s.arg(fileName, file.errorString());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"korvan-query"_s);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Sends one call to korvan-server and prints the answer as UTF-8 text.\n"
        "With --user it logs in first; the password comes from KORVAN_PASSWORD or is asked for.\n"
        "The connection is encrypted; the server's certificate must have the fingerprint of --fingerprint, or the one "
        "kept for HOST:PORT in ~/.config/korvan-query/known_servers (--remember keeps it there), or be signed by "
        "the authority of --ca-file.\n"
        "Exit status: 0 answered, 1 the answer begins with \"Err\" (a refused login too), 2 no connection, an "
        "untrusted server or bad usage."_s);
    parser.addHelpOption();
    const QCommandLineOption host(u"host"_s, u"Server address or host name."_s, u"H"_s, u"127.0.0.1"_s);
    const QCommandLineOption port(u"port"_s, u"Server port."_s, u"P"_s, u"211"_s);
    const QCommandLineOption mode(u"mode"_s, u"OpenQuery mode: 1 puts the column names first."_s, u"0|1"_s, u"0"_s);
    const QCommandLineOption param(u"param"_s, u"Value of :p1."_s, u"TEXT"_s);
    const QCommandLineOption open(u"open"_s, u"Run a query (OpenQuery)."_s, u"SQL"_s);
    const QCommandLineOption exec(u"exec"_s, u"Run a statement (ExecSql)."_s, u"SQL"_s);
    const QCommandLineOption info(u"info"_s, u"Ask for information text n (GetInfo)."_s, u"N"_s);
    const QCommandLineOption user(u"user"_s, u"Log in as this user of 职员 first."_s, u"NAME"_s);
    const QCommandLineOption fingerprint(u"fingerprint"_s, u"SHA-256 fingerprint the server's certificate must have."_s,
                                         u"FP"_s);
    const QCommandLineOption remember(u"remember"_s, u"Keep --fingerprint for this server in known_servers."_s);
    const QCommandLineOption caFile(u"ca-file"_s, u"Trust certificates signed by this authority (PEM)."_s, u"FILE"_s);
    const QCommandLineOption noTls(u"no-tls"_s, u"No encryption: only against a korvan-server started with --no-tls."_s);
    parser.addOptions({host, port, mode, param, open, exec, info, user, fingerprint, remember, caFile, noTls});
    parser.process(app);

    const int calls = int(parser.isSet(open)) + int(parser.isSet(exec)) + int(parser.isSet(info));
    bool portOk = false, modeOk = false, infoOk = true;
    const int portNumber = parser.value(port).toInt(&portOk);
    const int modeNumber = parser.value(mode).toInt(&modeOk);
    const int infoNumber = parser.isSet(info) ? parser.value(info).toInt(&infoOk) : 0;
    if (calls != 1 || !portOk || !modeOk || (modeNumber != 0 && modeNumber != 1) || !infoOk) {
        std::fprintf(stderr, "korvan-query: give exactly one of --open, --exec, --info, a numeric --port, "
                             "--mode 0 or 1 and a numeric --info\n");
        return 2;
    }

    if (parser.isSet(remember) && !parser.isSet(fingerprint)) {
        std::fprintf(stderr, "korvan-query: --remember needs --fingerprint\n");
        return 2;
    }
    const QString key = serverKey(parser.value(host), portNumber);
    ServerTrust trust;
    trust.plain = parser.isSet(noTls);
    trust.pinStore = u"%1 中 %2 的一行（或用 --fingerprint 给出新的指纹）"_s.arg(knownServersFile(), key);
    if (parser.isSet(caFile)) {
        QString error;
        trust.authorities = TransportSecurity::readAuthorities(parser.value(caFile), &error);
        if (trust.authorities.isEmpty()) {
            std::fprintf(stderr, "korvan-query: %s\n", error.toUtf8().constData());
            return 2;
        }
    } else if (parser.isSet(fingerprint)) {
        trust.fingerprints = {parser.value(fingerprint)};
    } else if (const QString kept = knownFingerprint(key); !kept.isEmpty()) {
        trust.fingerprints = {kept};
    }

    ServerConnection connection;
    connection.setHost(parser.value(host)); // an IP address works as a host too
    connection.setPort(portNumber);
    connection.setTrust(trust);
    QString answer;
    try {
        connection.open();
        if (parser.isSet(remember)) {
            QString error;
            if (!rememberFingerprint(key, connection.serverFingerprint(), &error))
                std::fprintf(stderr, "korvan-query: %s\n", error.toUtf8().constData());
        }
        if (parser.isSet(user)) {
            const QString name = parser.value(user);
            const std::optional<QString> login = connection.login(name, readPassword(name));
            if (login && login->startsWith(u"Err"_s)) {
                std::printf("%s\n", login->toUtf8().constData());
                return 1;
            }
        }
        if (parser.isSet(open))
            answer = connection.openQuery(parser.value(open), parser.value(param), modeNumber);
        else if (parser.isSet(exec))
            answer = connection.execSql(parser.value(exec), parser.value(param));
        else
            answer = connection.getInfo(infoNumber);
    } catch (const KorvanError &e) {
        std::fprintf(stderr, "korvan-query: %s\n", e.message().toUtf8().constData());
        return 2;
    }
    std::printf("%s\n", answer.toUtf8().constData());
    return answer.startsWith(u"Err"_s) ? 1 : 0;
}
