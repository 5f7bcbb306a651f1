// The same query of a few thousand text rows: through korvan-server over
// loopback, and run directly on SQLite in this process. Prints both and the
// ratio; then the query through a server without the limits on statements,
// answers and requests ("before": KORVAN_SERVER_BEFORE names an older build,
// else this one with its limits raised as far as they go) against one with
// the default limits, round by round side by side; then the query and a
// login (connect, handshake, Login) over TLS against a server started with
// --no-tls.
#include "serverconnection.h"
#include "testserver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <sqlite3.h>
#include <cstdio>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

void fill(ServerConnection &db, int rows)
{
    db.execSql(u"create table 货运 (业务编号 text, 船名 text, 航次 text, 目的港 text, 件数 text, 毛重 text)"_s, {});
    db.beginTrans();
    for (int i = 0; i < rows; ++i) {
        db.execSql(u"insert into 货运 values ('SE%1', 'COSCO SHIPPING 远洋', 'V.%2E', 'ROTTERDAM 鹿特丹', '%3', '%4.500')"_s
                       .arg(i, 6, 10, QChar(u'0')).arg(i % 97).arg(i % 500).arg(i * 3),
                   {});
    }
    db.commitTrans();
}

// Milliseconds of one query.
double timed(ServerConnection &db, const QString &sql, qsizetype *answerSize)
{
    QElapsedTimer t;
    t.start();
    *answerSize = db.openQuery(sql, {}, 0).size();
    return double(t.nsecsElapsed()) / 1e6;
}

// Milliseconds of CPU a process has used (user and system), from /proc.
double cpuMs(qint64 pid)
{
    QFile stat(u"/proc/%1/stat"_s.arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    // utime and stime are fields 14 and 15 of the line, 12 and 13 after the name.
    return (fields.value(11).toDouble() + fields.value(12).toDouble()) * 1000.0 / double(sysconf(_SC_CLK_TCK));
}

// Milliseconds from a new connection to an accepted login.
double timeLogin(const TestServer &server, int rounds)
{
    QElapsedTimer t;
    t.start();
    for (int r = 0; r < rounds; ++r) {
        auto connection = server.connect();
        const std::optional<QString> answer = connection->login(u"admin"_s, u"admin"_s);
        if (!answer || answer->startsWith(u"Err"_s))
            return -1;
    }
    return double(t.nsecsElapsed()) / rounds / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("KORVAN_SERVER_BIN"))
        qputenv("KORVAN_SERVER_BIN", KORVAN_SERVER_PATH);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 5000;
    const int rounds = 40;
    const QString sql = u"select * from 货运 order by 业务编号"_s;

    // The transport alone: a table of the benchmark's own, on a server for
    // trusted scripts (the access policy knows only the schema's tables).
    TestServer server;
    if (!server.start({u"--no-login"_s})) {
        std::fprintf(stderr, "%s\n", qPrintable(server.errorText()));
        return 1;
    }
    auto db = server.connect();
    fill(*db, rows);

    // The server before the limits, on a database of its own filled alike.
    const QString beforeBinary = qEnvironmentVariable("KORVAN_SERVER_BEFORE");
    const QByteArray current = qgetenv("KORVAN_SERVER_BIN");
    if (!beforeBinary.isEmpty())
        qputenv("KORVAN_SERVER_BIN", beforeBinary.toLocal8Bit());
    TestServer older;
    const bool olderUp = older.start(beforeBinary.isEmpty()
                                         ? QStringList{u"--no-login"_s, u"--statement-timeout"_s, u"0"_s, u"--max-answer"_s,
                                                       u"1023"_s, u"--max-request"_s, u"1024"_s}
                                         : QStringList{u"--no-login"_s});
    qputenv("KORVAN_SERVER_BIN", current);
    if (!olderUp) {
        std::fprintf(stderr, "%s\n", qPrintable(older.errorText()));
        return 1;
    }
    auto olderDb = older.connect();
    fill(*olderDb, rows);

    qsizetype answerSize = 0;
    qsizetype olderSize = 0;
    double viaServer = 0;
    double before = 0;
    timed(*db, sql, &answerSize); // both warm
    timed(*olderDb, sql, &olderSize);
    double cpuBefore = -cpuMs(older.processId());
    double cpuAfter = -cpuMs(server.processId());
    for (int r = 0; r < rounds; ++r) {
        before += timed(*olderDb, sql, &olderSize);
        viaServer += timed(*db, sql, &answerSize);
    }
    cpuBefore = (cpuBefore + cpuMs(older.processId())) / rounds;
    cpuAfter = (cpuAfter + cpuMs(server.processId())) / rounds;
    viaServer /= rounds;
    before /= rounds;
    older.stop();

    // Encrypted against plain, on a database filled alike, rounds in turn.
    TestServer plain;
    if (!plain.start({u"--no-tls"_s})) {
        std::fprintf(stderr, "%s\n", qPrintable(plain.errorText()));
        return 1;
    }
    auto plainDb = plain.connect();
    fill(*plainDb, rows);
    qsizetype plainSize = 0;
    timed(*plainDb, sql, &plainSize);
    double encrypted = 0;
    double clear = 0;
    for (int r = 0; r < rounds; ++r) {
        clear += timed(*plainDb, sql, &plainSize);
        encrypted += timed(*db, sql, &answerSize);
    }
    encrypted /= rounds;
    clear /= rounds;
    const int logins = 50;
    double loginTls = 0;
    double loginPlain = 0;
    for (int half = 0; half < 2; ++half) {
        loginTls += timeLogin(server, logins / 2) / 2;
        loginPlain += timeLogin(plain, logins / 2) / 2;
    }
    plainDb.reset();
    plain.stop();
    server.stop();

    sqlite3 *raw = nullptr;
    sqlite3_open(server.databasePath().toUtf8().constData(), &raw);
    QElapsedTimer t;
    t.start();
    qint64 bytes = 0;
    for (int r = 0; r < rounds; ++r) {
        sqlite3_stmt *st = nullptr;
        const QByteArray text = sql.toUtf8();
        sqlite3_prepare_v2(raw, text.constData(), -1, &st, nullptr);
        // The same text work as an answer: every value read and joined into one string.
        QString values;
        while (sqlite3_step(st) == SQLITE_ROW) {
            for (int c = 0; c < sqlite3_column_count(st); ++c) {
                values += QChar(0x9F9B);
                values += QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, c)),
                                            sqlite3_column_bytes(st, c));
            }
        }
        bytes += values.size();
        sqlite3_finalize(st);
    }
    const double direct = double(t.nsecsElapsed()) / rounds / 1e6;
    sqlite3_close(raw);

    std::printf("query of %d rows x 6 columns (answer %lld characters), mean of %d rounds\n", rows,
                qlonglong(answerSize), rounds);
    std::printf("  through korvan-server: %8.2f ms\n", viaServer);
    std::printf("  directly on SQLite:    %8.2f ms\n", direct);
    std::printf("  ratio server/direct:   %8.2f\n", viaServer / direct);
    std::printf("the same query before the limits (%s), rounds taken in turn:\n",
                beforeBinary.isEmpty() ? "this build, limits raised" : "KORVAN_SERVER_BEFORE");
    std::printf("  before the limits:     %8.2f ms\n", before);
    std::printf("  with the limits:       %8.2f ms\n", viaServer);
    std::printf("  ratio limits/before:   %8.2f%s\n", viaServer / before,
                olderSize == answerSize ? "" : "  (the answers differ!)");
    std::printf("  server CPU per query:  %8.2f ms before, %.2f ms with the limits, ratio %.2f\n", cpuBefore,
                cpuAfter, cpuAfter / cpuBefore);
    std::printf("the same query over TLS and without it (--no-tls), rounds taken in turn:\n");
    std::printf("  TLS:                   %8.2f ms\n", encrypted);
    std::printf("  plain:                 %8.2f ms\n", clear);
    std::printf("  ratio TLS/plain:       %8.2f   (target: at most 1.2)%s\n", encrypted / clear,
                plainSize == answerSize ? "" : "  (the answers differ!)");
    std::printf("login (connect, greeting, handshake, Login), mean of %d:\n", logins);
    std::printf("  TLS:                   %8.2f ms\n  plain:                 %8.2f ms\n", loginTls, loginPlain);
    std::printf("  TLS costs              %8.2f ms more   (target: at most 20)\n", loginTls - loginPlain);
    return bytes > 0 ? 0 : 1;
}
