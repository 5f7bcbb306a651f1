// korvan-query: sends one call of the server contract and prints the answer.
#include "korvanerror.h"
#include "serverconnection.h"

#include <QCommandLineParser>
#include <QCoreApplication>

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

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"korvan-query"_s);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Sends one call to korvan-server and prints the answer as UTF-8 text.\n"
        "With --user it logs in first; the password comes from KORVAN_PASSWORD or is asked for.\n"
        "Exit status: 0 answered, 1 the answer begins with \"Err\" (a refused login too), 2 no connection or "
        "bad usage."_s);
    parser.addHelpOption();
    const QCommandLineOption host(u"host"_s, u"Server address or host name."_s, u"H"_s, u"127.0.0.1"_s);
    const QCommandLineOption port(u"port"_s, u"Server port."_s, u"P"_s, u"211"_s);
    const QCommandLineOption mode(u"mode"_s, u"OpenQuery mode: 1 puts the column names first."_s, u"0|1"_s, u"0"_s);
    const QCommandLineOption param(u"param"_s, u"Value of :p1."_s, u"TEXT"_s);
    const QCommandLineOption open(u"open"_s, u"Run a query (OpenQuery)."_s, u"SQL"_s);
    const QCommandLineOption exec(u"exec"_s, u"Run a statement (ExecSql)."_s, u"SQL"_s);
    const QCommandLineOption info(u"info"_s, u"Ask for information text n (GetInfo)."_s, u"N"_s);
    const QCommandLineOption user(u"user"_s, u"Log in as this user of 职员 first."_s, u"NAME"_s);
    parser.addOptions({host, port, mode, param, open, exec, info, user});
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

    ServerConnection connection;
    connection.setHost(parser.value(host)); // an IP address works as a host too
    connection.setPort(portNumber);
    QString answer;
    try {
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
