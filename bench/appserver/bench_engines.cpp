// korvan-server on PostgreSQL against korvan-server on SQLite, side by side in
// one run, each a real server process on 100,000 export jobs (2,000 a month,
// with fee and finance rows; the PostgreSQL database is the SQLite file
// copied by --copy-to, so both hold the same rows):
//  1. a query of 5,000 job rows (every column) to the last value read;
//  2. an export job's save (job row and three cargo rows replaced in one
//     transaction: six ExecSql and the commit);
//  3. 应收未收款 of one month, the statement of the finance window's 统计;
//  4. 20 sessions saving side by side (a job and two cargo rows a save), the
//     saves per second of all of them.
// Rounds alternate which engine goes first, so a busy machine slows both
// alike; each figure is the median of its rounds. PostgreSQL runs in a
// cluster of the benchmark's own (PgCluster), with its default settings.
#include "benchsetup.h"
#include "financejobs.h"
#include "jobsave.h"
#include "jobsaver.h"
#include "pgcluster.h"
#include "resultreader.h"
#include "tcaiwuysyffrm.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

constexpr int Rounds = 9;
constexpr int SavesPerRound = 20;
constexpr int Writers = 20;
constexpr int WriterSeconds = 4;
constexpr int WriterRounds = 3;

struct Engine {
    Engine(const QString &title, TestServer::Engine kind) : name(title), server(kind) {}
    QString name;
    TestServer server;
    std::unique_ptr<ServerConnection> db;
    QList<double> queryMs, saveMs, receivablesMs, writerRates;
};

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values.at(n / 2) : (values.at(n / 2 - 1) + values.at(n / 2)) / 2;
}

double msOf(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.nsecsElapsed() / 1e6;
}

// The rows of the answer, every value read; qFatal when the server refused.
int readAll(ServerConnection &db, const QString &sql)
{
    ResultReader reader = ResultReader::fromAnswer(db.openQuery(sql, QString(), 0));
    if (reader.isError())
        qFatal("%s -> %s", qPrintable(sql), qPrintable(reader.status()));
    return int(reader.rows().size());
}

double savesPerSecond(const TestServer &server, int round)
{
    JobSaver saver(u"W%1-"_s.arg(round));
    QElapsedTimer timer;
    timer.start();
    saver.start(server, Writers);
    QThread::sleep(WriterSeconds);
    saver.finish();
    return saver.count() / (timer.nsecsElapsed() / 1e9);
}

} // namespace

int main(int argc, char *argv[])
{
    PrepareBenchEnvironment();
    QApplication app(argc, argv);
    if (const QString why = PgCluster::unavailableReason(); !why.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(why));
        return 1;
    }

    std::printf("filling the store (100,000 export jobs with fees and finance rows)...\n");
    Engine sqlite{u"SQLite"_s, TestServer::Engine::Sqlite};
    Engine postgres{u"PostgreSQL"_s, TestServer::Engine::Postgres}; // on the benchmark's own cluster
    const std::array<Engine *, 2> engines{&sqlite, &postgres};
    FillFinanceJobs(sqlite.server.databasePath());
    PgCluster cluster;
    if (!cluster.start() || !cluster.createDatabase(u"korvan"_s))
        qFatal("%s", qPrintable(cluster.errorText()));
    QProcess copy;
    const double copyMs = msOf([&] {
        copy.start(qEnvironmentVariable("KORVAN_SERVER_BIN"),
                   {u"--db"_s, sqlite.server.databasePath(), u"--copy-to"_s, cluster.uri(u"korvan"_s)});
        copy.waitForFinished(-1);
    });
    if (copy.exitCode() != 0)
        qFatal("--copy-to failed: %s", copy.readAllStandardError().constData());
    postgres.server.setDatabase(cluster.uri(u"korvan"_s));
    for (Engine *engine : engines) {
        // The access policy's cost is bench_policy's; here the engines alone.
        if (!engine->server.start({u"--no-login"_s, u"--max-sessions-per-address"_s, u"50"_s}))
            qFatal("%s", qPrintable(engine->server.errorText()));
        engine->db = engine->server.connect();
    }

    // The finance window's statement for 2022-06.
    CommFunU::SetAppServerProvider([&]() -> ServerConnection & { return *sqlite.db; });
    CommFunU::CurrentUser().Position = u"总经理"_s;
    QString receivables;
    {
        TCaiWuYSYFFrm window;
        const QDate month(2022, 6, 1);
        window.frame()->filters()->setPeriod(month, month.addMonths(1).addDays(-1));
        receivables = window.frame()->queryText();
    }
    const QString fiveThousand = u"select top 5000 * from 货运出口基本信息 order by 业务编号"_s;
    const QString jobValues = ExportJobValues();
    int queryRows = 0;
    int monthRows = 0;
    for (Engine *engine : engines) { // warm both, and check they answer alike
        queryRows = readAll(*engine->db, fiveThousand);
        const int rows = readAll(*engine->db, receivables);
        if (monthRows != 0 && rows != monthRows)
            qFatal("应收未收款: %d rows on SQLite, %d on PostgreSQL", monthRows, rows);
        monthRows = rows;
    }

    for (int round = 0; round < Rounds; ++round) {
        for (int turn = 0; turn < 2; ++turn) {
            Engine &engine = *engines[(round + turn) % 2];
            engine.queryMs << msOf([&] { readAll(*engine.db, fiveThousand); });
            engine.receivablesMs << msOf([&] { readAll(*engine.db, receivables); });
            engine.saveMs << msOf([&] {
                for (int i = 0; i < SavesPerRound; ++i) {
                    const QString job = u"SE%1"_s.arg((round * SavesPerRound + i) % 150, 6, 10, QLatin1Char('0'));
                    if (!SaveExportJob(*engine.db, job, jobValues, round))
                        qFatal("a save failed on %s", qPrintable(engine.name));
                }
            }) / SavesPerRound;
        }
    }
    for (int round = 0; round < WriterRounds; ++round) {
        for (int turn = 0; turn < 2; ++turn) {
            Engine &engine = *engines[(round + turn) % 2];
            engine.writerRates << savesPerSecond(engine.server, round);
        }
    }

    const auto line = [&](const QString &what, const QList<double> &a, const QList<double> &b, const char *unit) {
        std::printf("  %-40s %10.2f %10.2f  %-7s ratio %5.2f\n", what.toUtf8().constData(), median(a), median(b), unit,
                    median(b) / median(a));
    };
    std::printf("\nkorvan-server on each engine, %d rounds (medians)   SQLite PostgreSQL\n", Rounds);
    line(u"query of 5,000 job rows"_s, sqlite.queryMs, postgres.queryMs, "ms");
    line(u"export job save (6 ExecSql + commit)"_s, sqlite.saveMs, postgres.saveMs, "ms");
    line(u"receivables of a month (%1 rows)"_s.arg(monthRows), sqlite.receivablesMs, postgres.receivablesMs, "ms");
    line(u"20 writers side by side"_s, sqlite.writerRates, postgres.writerRates, "saves/s");
    std::printf("  (ratios PostgreSQL/SQLite; %d of 5,000 rows read)\n", queryRows);
    std::printf("  --copy-to of the 100,000 jobs' store: %.1f s\n", copyMs / 1000);
    // A forwarder's day: a few thousand saves and queries an hour.
    const double busiest = 5000.0 / 3600;
    std::printf("  a day of 5,000 saves an hour is %.1f saves/s: SQLite sustains %.0fx that, PostgreSQL %.0fx\n", busiest,
                median(sqlite.writerRates) / busiest, median(postgres.writerRates) / busiest);
    return 0;
}
