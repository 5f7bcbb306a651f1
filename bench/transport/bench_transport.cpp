// The same query of a few thousand text rows: through korvan-server over
// loopback, and run directly on SQLite in this process. Prints both and the ratio.
#include "serverconnection.h"
#include "testserver.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <sqlite3.h>
#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("KORVAN_SERVER_BIN"))
        qputenv("KORVAN_SERVER_BIN", KORVAN_SERVER_PATH);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 5000;
    const int rounds = 20;

    // The transport alone: a table of the benchmark's own, on a server for
    // trusted scripts (the access policy knows only the schema's tables).
    TestServer server;
    if (!server.start({u"--no-login"_s})) {
        std::fprintf(stderr, "%s\n", qPrintable(server.errorText()));
        return 1;
    }
    auto db = server.connect();
    server.execDirect(u"create table 货运 (业务编号 text, 船名 text, 航次 text, 目的港 text, 件数 text, 毛重 text)"_s);
    db->beginTrans();
    for (int i = 0; i < rows; ++i) {
        db->execSql(u"insert into 货运 values ('SE%1', 'COSCO SHIPPING 远洋', 'V.%2E', 'ROTTERDAM 鹿特丹', '%3', '%4.500')"_s
                        .arg(i, 6, 10, QChar(u'0')).arg(i % 97).arg(i % 500).arg(i * 3),
                    {});
    }
    db->commitTrans();
    const QString sql = u"select * from 货运 order by 业务编号"_s;

    QElapsedTimer t;
    t.start();
    qsizetype answerSize = 0;
    for (int r = 0; r < rounds; ++r)
        answerSize = db->openQuery(sql, {}, 0).size();
    const double viaServer = double(t.nsecsElapsed()) / rounds / 1e6;
    server.stop();

    sqlite3 *raw = nullptr;
    sqlite3_open(server.databasePath().toUtf8().constData(), &raw);
    t.restart();
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
    return bytes > 0 ? 0 : 1;
}
