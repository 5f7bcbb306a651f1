// The cost of the access policy: the same 5,000-row job query and the same
// export job saves through two korvan-servers on copies of one demo database,
// one whose session is the operator 赵敏 under the policy (TEMP views over
// the job tables, row guards on every write, the authorizer on every
// statement), the other a --no-login server without it. Both run in this
// process and take turns round after round (which goes first alternates);
// the ratios are the medians of the rounds' ratios.
#include "appserver.h"
#include "databasesetup.h"
#include "demodata.h"
#include "schema.h"
#include "serverconnection.h"
#include "sqlsession.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QTemporaryDir>
#include <QThread>

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

struct ServerUnderTest {
    explicit ServerUnderTest(QString title) : name(std::move(title)) {}
    QString name;
    QThread thread;
    AppServer *server = nullptr;
    ServerConnection db;
    QList<double> querySeconds;
    QList<double> saveSeconds;

    bool start(const QString &path, bool policy)
    {
        SessionOptions options;
        options.requireLogin = policy;
        server = new AppServer(path, ServerInfo(), options);
        server->moveToThread(&thread);
        thread.start();
        bool listening = false;
        QMetaObject::invokeMethod(
            server, [&] { listening = server->listen(QHostAddress::LocalHost, 0); }, Qt::BlockingQueuedConnection);
        db.setPort(server->serverPort());
        // A server of this process has no TLS context: it talks in clear.
        ServerTrust plain;
        plain.plain = true;
        db.setTrust(plain);
        if (policy)
            db.setCredentials(u"zhaomin"_s, QString::fromLatin1(DemoData::StaffPassword));
        return listening;
    }

    void stop()
    {
        db.close();
        QMetaObject::invokeMethod(server, [this] { delete server; }, Qt::BlockingQueuedConnection);
        thread.quit();
        thread.wait();
    }
};

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values.at(n / 2) : (values.at(n / 2 - 1) + values.at(n / 2)) / 2;
}

// The demo company and 5,000 export jobs of 赵敏 more, each with a cargo row.
bool makeDatabase(const QString &path, const QString &jobValues, int jobs)
{
    SqlSession probe;
    QStringList notes;
    QString error;
    if (!probe.open(path) || !DatabaseSetup::prepare(probe.handle(), true, &notes, &error)) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(error + probe.error()));
        return false;
    }
    sqlite3 *db = probe.handle();
    bool ok = sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK;
    for (int i = 0; ok && i < jobs; ++i) {
        const QString key = u"'BP%1'"_s.arg(i, 6, 10, QLatin1Char('0'));
        const QByteArray sql = (u"INSERT INTO 货运出口基本信息 VALUES ("_s + key + jobValues + u"); "_s
                                + u"INSERT INTO 货运出口货物明细 VALUES ("_s + key + u", '40''HQ', 'TGHU1/S', '1', '2.000', '3.000')"_s)
                                   .toUtf8();
        ok = sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    ok = ok && sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    if (!ok)
        std::fprintf(stderr, "%s\n", sqlite3_errmsg(db));
    return ok;
}

bool save(ServerConnection &db, const QString &job, const QString &jobValues, int round)
{
    const QString key = u"'"_s + job + u"'"_s;
    bool ok = db.beginTrans().startsWith(u"Suc"_s);
    ok = ok && db.execSql(u"delete from 货运出口基本信息 where 业务编号="_s + key, {}) == u"Suc\u9F9B1"_s;
    ok = ok && db.execSql(u"insert into 货运出口基本信息 values ("_s + key + jobValues + u')', {}).startsWith(u"Suc"_s);
    ok = ok && db.execSql(u"delete from 货运出口货物明细 where 业务编号="_s + key, {}).startsWith(u"Suc"_s);
    for (int box = 0; ok && box < 3; ++box) {
        ok = db.execSql(u"insert into 货运出口货物明细 values (%1, :p1, 'TGHU%2%3/SEAL', '%4', '%5.500', '28.000')"_s
                            .arg(key)
                            .arg(round, 3, 10, QLatin1Char('0'))
                            .arg(box)
                            .arg(100 + box)
                            .arg(2000 + box),
                        u"40'HQ"_s)
                 .startsWith(u"Suc"_s);
    }
    return ok && db.commitTrans().startsWith(u"Suc"_s);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // bench_policy [jobs] [--statements]
    const QStringList arguments = app.arguments().mid(1);
    const bool statementsOnly = arguments.contains(u"--statements"_s);
    const int jobs = !arguments.isEmpty() && arguments.first().toInt() > 0 ? arguments.first().toInt() : 5000;
    const int rounds = 31;
    const int savesPerRound = 20;

    // A job row after its number: the operator 赵敏, the rest as the window sends it.
    const TableDef *table = Schema::find(u"货运出口基本信息"_s);
    QString jobValues;
    for (int c = 1; c < table->columnCount(); ++c) {
        const QString &column = table->columns.at(c);
        const QString value = column == u"操作员"_s ? u"赵敏"_s
                              : column == u"船期"_s ? u"2025-03-14"_s
                                                    : u"值%1 COSCO SHIPPING 远洋"_s.arg(c);
        jobValues += u", '"_s + value + u'\'';
    }

    QTemporaryDir dir;
    const QString with = dir.filePath(u"with.db"_s);
    const QString without = dir.filePath(u"without.db"_s);
    if (!makeDatabase(with, jobValues, jobs) || !QFile::copy(with, without))
        return 1;
    ServerUnderTest policy(u"赵敏 under the policy"_s);
    ServerUnderTest open(u"--no-login, no policy"_s);
    if (!policy.start(with, true) || !open.start(without, false))
        return 1;

    if (statementsOnly) {
        // What the policy adds to each kind of statement the windows send,
        // changing nothing (so no write reaches the disk): round trips of
        // each, a first run to warm up, then the measured one.
        const QStringList statements = {
            u"delete from 货运出口基本信息 where 业务编号='NONE'"_s,
            u"update 货运出口基本信息 set 船名='X' where 业务编号='NONE'"_s,
            u"delete from 货运出口货物明细 where 业务编号='NONE'"_s,
            u"select 业务编号 from 货运出口基本信息 where 业务编号='BP000001'"_s,
        };
        const int calls = 300;
        std::printf("one statement, %d calls each, microseconds a call: under the policy / without / ratio\n", calls);
        for (const QString &statement : statements) {
            double micros[2] = {};
            for (int pass = 0; pass < 2; ++pass) {
                for (ServerUnderTest *side : {&policy, &open}) {
                    QElapsedTimer timer;
                    timer.start();
                    for (int i = 0; i < calls; ++i) {
                        if (!side->db.execSql(statement, {}).startsWith(u"Suc"_s)) {
                            std::fprintf(stderr, "refused on the server %s: %s\n", qPrintable(side->name),
                                         qPrintable(statement));
                            return 1;
                        }
                    }
                    micros[side == &open] = double(timer.nsecsElapsed()) / 1e3 / calls;
                }
            }
            std::printf("  %8.1f %8.1f %5.2f  %s\n", micros[0], micros[1], micros[0] / micros[1], qPrintable(statement));
        }
        policy.stop();
        open.stop();
        return 0;
    }
    const QString query = u"select 业务编号,船名,航次,目的港,件数,毛重 from 货运出口基本信息 where 操作员='赵敏' order by 业务编号"_s;
    qsizetype answers[2] = {};
    for (int round = 0; round < rounds; ++round) {
        const std::array<ServerUnderTest *, 2> order = round % 2 ? std::array{&open, &policy} : std::array{&policy, &open};
        for (ServerUnderTest *side : order) {
            QElapsedTimer timer;
            timer.start();
            answers[side == &policy] = side->db.openQuery(query, {}, 0).size();
            side->querySeconds.append(double(timer.nsecsElapsed()) / 1e9);
            timer.restart();
            for (int i = 0; i < savesPerRound; ++i) {
                if (!save(side->db, u"BP%1"_s.arg((round * savesPerRound + i) % jobs, 6, 10, QLatin1Char('0')), jobValues,
                          round)) {
                    std::fprintf(stderr, "a save failed on the server %s\n", qPrintable(side->name));
                    return 1;
                }
            }
            side->saveSeconds.append(double(timer.nsecsElapsed()) / 1e9);
        }
    }
    policy.stop();
    open.stop();
    if (answers[0] != answers[1]) {
        std::fprintf(stderr, "the two answers differ: %lld and %lld characters\n", qlonglong(answers[0]),
                     qlonglong(answers[1]));
        return 1;
    }

    QList<double> queryRatios;
    QList<double> saveRatios;
    for (int r = 0; r < rounds; ++r) {
        queryRatios.append(policy.querySeconds.at(r) / open.querySeconds.at(r));
        saveRatios.append(policy.saveSeconds.at(r) / open.saveSeconds.at(r));
    }
    std::printf("access policy: %d rounds; query of %d jobs (%lld characters), %d saves of an export job per round\n",
                rounds, jobs, qlonglong(answers[0]), savesPerRound);
    std::printf("  query, under the policy:  %8.2f ms   without: %8.2f ms   ratio %5.2f (target at most 1.1)\n",
                median(policy.querySeconds) * 1e3, median(open.querySeconds) * 1e3, median(queryRatios));
    std::printf("  save, under the policy:   %8.2f ms   without: %8.2f ms   ratio %5.2f (target at most 1.1)\n",
                median(policy.saveSeconds) * 1e3 / savesPerRound, median(open.saveSeconds) * 1e3 / savesPerRound,
                median(saveRatios));
    return 0;
}
