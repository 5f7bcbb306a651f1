// The month list of the business query and the finance views, "select
// distinct Left(船期,7) ...", against 1,000 and against 100,000 export jobs
// spread over the same four years. The server steps through the month
// indexes from one month to the next, so the time should hardly grow with
// the number of jobs. For reference, the same lists as SQLite plans a plain
// DISTINCT on the indexed expression, and with the index defeated (a full
// scan). The last column: 100,000 jobs whose statistics were taken at
// 1,000, where SQLite's own DISTINCT reads every row of the operator.
#include "databasesetup.h"
#include "rowwriter.h"
#include "schema.h"
#include "sqlsession.h"

#include <QDate>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>

#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace {

const QStringList Operators{u"赵敏"_s, u"陈静"_s, u"马超"_s, u"李华"_s, u"王伟"_s,
                            u"张丽"_s, u"刘强"_s, u"孙悦"_s, u"周杰"_s, u"吴刚"_s};

// jobs export jobs; the statistics are taken when analyzedAt jobs are in
// (as the server takes them when it starts, before the table grows).
std::unique_ptr<SqlSession> makeStore(const QString &path, int jobs, int analyzedAt)
{
    auto session = std::make_unique<SqlSession>();
    QStringList notes;
    QString error;
    if (!session->open(path) || !DatabaseSetup::prepare(session->handle(), false, &notes, &error))
        qFatal("cannot create %s: %s", qPrintable(path), qPrintable(error + session->error()));
    session->beginTrans();
    RowWriter writer(session->handle());
    const TableDef *table = Schema::find(u"货运出口基本信息"_s);
    const int number = table->columnIndex(u"业务编号"_s);
    const int sails = table->columnIndex(u"船期"_s);
    const int op = table->columnIndex(u"操作员"_s);
    const QDate first(2021, 1, 1);
    QStringList row(table->columnCount());
    for (int i = 0; i < jobs; ++i) {
        if (i == analyzedAt) {
            session->commitTrans();
            sqlite3_exec(session->handle(), "PRAGMA analysis_limit=1000; ANALYZE", nullptr, nullptr, nullptr);
            session->beginTrans();
        }
        row[number] = u"SE%1"_s.arg(i, 6, 10, QLatin1Char('0'));
        row[sails] = first.addDays((i * 7919LL) % 1461).toString(u"yyyy-MM-dd"_s);
        row[op] = Operators[i % Operators.size()];
        if (!writer.insert(table->name, row))
            qFatal("%s", qPrintable(writer.error()));
    }
    for (int i = 0; i < Operators.size(); ++i)
        writer.insert(u"职员"_s, {Operators[i], u"u%1"_s.arg(i), QString(), QString(), QString(), QString(), QString(),
                                 i < 5 ? u"海运出口部"_s : u"市场部"_s});
    session->commitTrans();
    if (analyzedAt >= jobs)
        sqlite3_exec(session->handle(), "PRAGMA analysis_limit=1000; ANALYZE", nullptr, nullptr, nullptr);
    return session;
}

// Time of one run, in microseconds: the mean of the fastest of ten batches
// of runs (the machine may be busy with other work); checks that the answer
// has rows.
double timeOf(SqlSession &session, const QString &sql, int runs)
{
    const QString first = session.openQuery(sql, QString(), 0);
    if (first.startsWith(u"Err"_s))
        qFatal("%s: %s", qPrintable(sql), qPrintable(first));
    double fastest = 1e300;
    for (int batch = 0; batch < 10; ++batch) {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < runs; ++i)
            session.openQuery(sql, QString(), 0);
        fastest = std::min(fastest, double(timer.nsecsElapsed()) / 1000.0 / runs);
    }
    return fastest;
}

} // namespace

int main()
{
    QTemporaryDir dir;
    std::printf("filling the stores...\n");
    auto small = makeStore(dir.filePath(u"small.db"_s), 1000, 1000);
    auto large = makeStore(dir.filePath(u"large.db"_s), 100000, 100000);
    auto grown = makeStore(dir.filePath(u"grown.db"_s), 100000, 1000);

    struct Case {
        const char *name;
        QString sql;
    };
    const QString list = u"select distinct Left(船期,7) from 货运出口基本信息 "_s;
    const QList<Case> cases{
        {"all months", list},
        {"months of an operator", list + u" where  (操作员='陈静')"_s},
        {"months of a department", list + u" where  (操作员 in (SELECT 职员.职员姓名 FROM 职员 WHERE (职员.所属部门)='海运出口部'))"_s},
        {"reference: SQLite's DISTINCT", u"select distinct substr(船期,1,7) from 货运出口基本信息  where  (操作员='陈静')"_s},
        {"reference: full scan", u"select distinct substr(船期||'',1,7) from 货运出口基本信息 "_s},
    };
    std::printf("%-28s %14s %14s %8s %18s\n", "month list", "1,000 jobs", "100,000 jobs", "ratio",
                "statistics of 1,000");
    for (const Case &c : cases) {
        const int runs = c.sql.contains(u"||"_s) ? 2 : 50;
        const double a = timeOf(*small, c.sql, 50);
        const double b = timeOf(*large, c.sql, runs);
        const double g = timeOf(*grown, c.sql, runs);
        std::printf("%-28s %11.1f us %11.1f us %8.2f %15.1f us\n", c.name, a, b, b / a, g);
    }
    return 0;
}
