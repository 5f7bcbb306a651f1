// The finance lists on korvan-server, side by side in one run:
//  1. 应收未收款 of one month (2,000 of 100,000 export jobs, with fee rows
//     and finance rows for most): the client's query step (OpenQuery and
//     the rows read), and the window's 统计 to the filled grid with its
//     TOTAL line, against the same statement run directly on SQLite in
//     this process (rewritten by the same dialect, every value read as text).
//  2. 佣金核算: the refund of 500 jobs in one transaction against 500
//     refunds of one job, each its own transaction.
// Each time is the fastest of its rounds.
#include "benchsetup.h"
#include "financejobs.h"
#include "currentuser.h"
#include "databasesetup.h"
#include "queryhelpers.h"
#include "resultreader.h"
#include "rowwriter.h"
#include "schema.h"
#include "serverconnection.h"
#include "sqldialect.h"
#include "sqlsession.h"
#include "stringgrid.h"
#include "tcaiwuysyffrm.h"
#include "testserver.h"
#include "tyongjinfrm.h"

#include <QApplication>
#include <QElapsedTimer>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

double fastest(int rounds, const std::function<void()> &before, const std::function<void()> &work)
{
    double best = 1e300;
    for (int round = 0; round < rounds; ++round) {
        before();
        QElapsedTimer timer;
        timer.start();
        work();
        best = std::min(best, timer.nsecsElapsed() / 1e6);
    }
    return best;
}

// The statement run on SQLite in this process, every value read as text.
int runDirectly(sqlite3 *db, const QString &sql)
{
    const QByteArray text = SqlDialect::rewrite(sql).toUtf8();
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(db, text.constData(), -1, &st, nullptr) != SQLITE_OK)
        qFatal("%s", sqlite3_errmsg(db));
    QStringList values;
    int rows = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        for (int c = 0; c < sqlite3_column_count(st); ++c) {
            values << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, c)),
                                        sqlite3_column_bytes(st, c));
        }
        ++rows;
    }
    sqlite3_finalize(st);
    return rows;
}

} // namespace

int main(int argc, char *argv[])
{
    PrepareBenchEnvironment();
    QApplication app(argc, argv);

    std::printf("filling the store (100,000 export jobs with fees and finance rows)...\n");
    TestServer server;
    FillFinanceJobs(server.databasePath());
    if (!server.start())
        qFatal("%s", qPrintable(server.errorText()));
    std::unique_ptr<ServerConnection> connection = server.connect();
    CommFunU::SetAppServerProvider([&]() -> ServerConnection & { return *connection; });
    CommFunU::CurrentUser().Position = u"总经理"_s;

    // 1. The receivables of a month.
    {
        TCaiWuYSYFFrm window;
        window.resize(1600, 900);
        window.show();
        QApplication::processEvents();
        JobListFrame *frame = window.frame();
        const QDate month(2022, 6, 1);
        frame->filters()->setPeriod(month, month.addMonths(1).addDays(-1));
        const QString sql = frame->queryText();
        sqlite3 *db = nullptr;
        sqlite3_open(server.databasePath().toUtf8().constData(), &db);
        SqlDialect::installFunctions(db);
        const int rows = runDirectly(db, sql);
        const auto nothing = [] {};
        const int rounds = 15;
        const double direct = fastest(rounds, nothing, [&] { runDirectly(db, sql); });
        const double step = fastest(rounds, nothing, [&] {
            std::optional<ResultReader> reader = CommFunU::OpenQueryStep(sql, QString(), 1);
            reader->rows();
        });
        const double listed = fastest(rounds, nothing, [&] { frame->runQuery(); });
        sqlite3_close(db);
        std::printf("\n应收未收款 of one month, %d of 100,000 jobs\n", rows);
        std::printf("  SQLite in-process:                 %8.2f ms\n", direct);
        std::printf("  the client's query step:           %8.2f ms   ratio %5.2f   (target <= 1.5)\n", step,
                    step / direct);
        std::printf("  统计 to the grid with TOTAL:       %8.2f ms   ratio %5.2f\n", listed, listed / direct);
    }

    // 2. Commission refunds of 500 jobs.
    {
        TYongJinFrm window;
        QStringList numbers;
        for (int i = 1; numbers.size() < 500; ++i) {
            if (i % 10 != 0)
                numbers << u"SE%1"_s.arg(i, 6, 10, QLatin1Char('0'));
        }
        const QString in = u"('"_s + numbers.join(u"','"_s) + u"')"_s;
        const auto reset = [&] {
            connection->execSql(u"update 财务 set 已退6='0', 已退7='0' where 业务编号 in "_s + in, QString());
        };
        const int rounds = 5;
        const double together = fastest(rounds, reset, [&] {
            if (!window.Refund(numbers, true))
                qFatal("the refund failed");
        });
        const double single = fastest(rounds, reset, [&] {
            for (const QString &number : numbers)
                window.Refund({number}, false);
        });
        std::printf("\n佣金核算: refund of 500 jobs\n");
        std::printf("  one transaction (退佣全部业务):    %8.2f ms\n", together);
        std::printf("  500 refunds of one job:            %8.2f ms   ratio %5.2f\n", single, single / together);
    }
    return 0;
}
