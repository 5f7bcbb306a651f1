// The same query of a few thousand text rows: through korvan-server over
// loopback, and run directly on SQLite in this process; then the query and a
// login (connect, handshake, Login) over TLS against a server started with
// --no-tls. Prints each pair and its ratio or difference.
#include "serverconnection.h"
#include "testserver.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <sqlite3.h>
#include <cstdio>

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

// Milliseconds per round of the query on one connection.
double timeQuery(ServerConnection &db, const QString &sql, int rounds, qsizetype *answerSize)
{
    db.openQuery(sql, {}, 0); // warm: the session and the page cache
    QElapsedTimer t;
    t.start();
    for (int r = 0; r < rounds; ++r)
        *answerSize = db.openQuery(sql, {}, 0).size();
    return double(t.nsecsElapsed()) / rounds / 1e6;
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
    const int rounds = 20;

    TestServer server;
    TestServer plain;
    if (!server.start() || !plain.start({u"--no-tls"_s})) {
        std::fprintf(stderr, "%s%s\n", qPrintable(server.errorText()), qPrintable(plain.errorText()));
        return 1;
    }
    auto db = server.connect();
    auto plainDb = plain.connect();
    fill(*db, rows);
    fill(*plainDb, rows);
    const QString sql = u"select * from 货运 order by 业务编号"_s;

    qsizetype answerSize = 0;
    // Side by side, alternating, so both see the same machine load.
    double viaServer = 0;
    double viaPlain = 0;
    for (int half = 0; half < 2; ++half) {
        viaServer += timeQuery(*db, sql, rounds / 2, &answerSize) / 2;
        viaPlain += timeQuery(*plainDb, sql, rounds / 2, &answerSize) / 2;
    }
    const int logins = 50;
    double loginTls = 0;
    double loginPlain = 0;
    for (int half = 0; half < 2; ++half) {
        loginTls += timeLogin(server, logins / 2) / 2;
        loginPlain += timeLogin(plain, logins / 2) / 2;
    }
    db.reset();
    plainDb.reset();
    server.stop();
    plain.stop();

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
    std::printf("  through korvan-server (TLS): %8.2f ms\n", viaServer);
    std::printf("  through korvan-server plain: %8.2f ms\n", viaPlain);
    std::printf("  directly on SQLite:          %8.2f ms\n", direct);
    std::printf("  ratio server/direct:         %8.2f\n", viaServer / direct);
    std::printf("  ratio TLS/plain:             %8.2f   (target: at most 1.2)\n", viaServer / viaPlain);
    std::printf("login (connect, greeting, handshake, Login), mean of %d\n", logins);
    std::printf("  TLS:   %8.2f ms\n  plain: %8.2f ms\n  TLS costs %.2f ms more   (target: at most 20)\n",
                loginTls, loginPlain, loginTls - loginPlain);
    return bytes > 0 ? 0 : 1;
}
