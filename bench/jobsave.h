#pragma once

// An export job's save as the export window sends it: one transaction that
// replaces the job row and its three cargo rows (six ExecSql and the commit).

#include "schema.h"
#include "serverconnection.h"

#include <QLatin1Char>
#include <QString>

// The values of a job row after its number, as the export window sends them.
inline QString ExportJobValues()
{
    const int columns = Schema::find(QStringLiteral("货运出口基本信息"))->columnCount();
    QString values;
    for (int c = 1; c < columns; ++c)
        values += QStringLiteral(", '") + (c == 23 ? QStringLiteral("2025-03-14") : QStringLiteral("值%1 COSCO SHIPPING 远洋").arg(c))
                  + QLatin1Char('\'');
    return values;
}

// true when every call and the commit succeeded; round varies the container numbers.
inline bool SaveExportJob(ServerConnection &db, const QString &job, const QString &jobValues, int round)
{
    const auto ok = [](const QString &answer) { return answer.startsWith(QLatin1StringView("Suc")); };
    const QString key = QLatin1Char('\'') + job + QLatin1Char('\'');
    bool saved = ok(db.beginTrans());
    saved = saved && ok(db.execSql(QStringLiteral("delete from 货运出口基本信息 where 业务编号=") + key, {}));
    saved = saved && ok(db.execSql(QStringLiteral("insert into 货运出口基本信息 values (") + key + jobValues + QLatin1Char(')'), {}));
    saved = saved && ok(db.execSql(QStringLiteral("delete from 货运出口货物明细 where 业务编号=") + key, {}));
    for (int box = 0; saved && box < 3; ++box) {
        saved = ok(db.execSql(QStringLiteral("insert into 货运出口货物明细 values (%1, '40HQ', 'TGHU%2%3/SEAL%2', '%4', '%5.500', '28.000')")
                                  .arg(key)
                                  .arg(round, 3, 10, QLatin1Char('0'))
                                  .arg(box)
                                  .arg(100 + box)
                                  .arg(2000 + box),
                              QStringLiteral("40'HQ")));
    }
    return saved && ok(db.commitTrans());
}
