#pragma once

// The store of the finance benchmarks: FinanceJobs export jobs over
// FinanceMonths months (2,000 a month), each with a fee row, nine in ten with
// a finance row (a third of those received and refunded), written straight
// into a new SQLite file before any server opens it.

#include "databasesetup.h"
#include "rowwriter.h"
#include "schema.h"
#include "sqlsession.h"

#include <QDate>
#include <QStringList>

inline constexpr int FinanceJobs = 100000;
inline constexpr int FinanceMonths = 50;

inline void FillFinanceJobs(const QString &path)
{
    SqlSession session;
    QStringList notes;
    QString error;
    if (!session.open(path) || !DatabaseSetup::prepare(session.handle(), false, &notes, &error))
        qFatal("cannot create %s: %s", qPrintable(path), qPrintable(error + session.error()));
    session.beginTrans();
    RowWriter writer(session.handle());
    const TableDef *jobs = Schema::find(QStringLiteral("货运出口基本信息"));
    const TableDef *fees = Schema::find(QStringLiteral("货运出口费用明细"));
    const TableDef *finance = Schema::find(QStringLiteral("财务"));
    const auto put = [](const TableDef *table, QStringList &row, const char16_t *column, const QString &value) {
        row[table->columnIndex(QString::fromUtf16(column))] = value;
    };
    for (int i = 0; i < FinanceJobs; ++i) {
        const QString number = QStringLiteral("SE%1").arg(i, 6, 10, QLatin1Char('0'));
        QStringList job(jobs->columnCount());
        put(jobs, job, u"业务编号", number);
        put(jobs, job, u"操作员", QStringLiteral("赵敏"));
        put(jobs, job, u"船期",
            QDate(2020, 1, 1).addMonths(i % FinanceMonths).addDays((i / FinanceMonths) % 28).toString(u"yyyy-MM-dd"));
        put(jobs, job, u"船名", QStringLiteral("COSCO ASIA"));
        put(jobs, job, u"航次", QStringLiteral("%1W").arg(i % 90, 3, 10, QLatin1Char('0')));
        put(jobs, job, u"委托人", QStringLiteral("华星纺织"));
        QStringList fee(fees->columnCount());
        put(fees, fee, u"业务编号", number);
        put(fees, fee, u"f110", QStringLiteral("%1.500").arg(100 + i % 3000));
        put(fees, fee, u"f219", QStringLiteral("%1.250").arg(800 + i % 5000));
        put(fees, fee, u"f109", QStringLiteral("%1.000").arg(i % 50));
        put(fees, fee, u"f217", QStringLiteral("%1.000").arg(i % 80));
        if (!writer.insert(jobs->name, job) || !writer.insert(fees->name, fee))
            qFatal("%s", qPrintable(writer.error()));
        if (i % 10 != 0) {
            QStringList row(finance->columnCount());
            put(finance, row, u"业务编号", number);
            for (const char16_t *flag : {u"已收1", u"已收2", u"已退6", u"已退7"})
                put(finance, row, flag, i % 3 == 0 ? QStringLiteral("1") : QStringLiteral("0"));
            if (!writer.insert(finance->name, row))
                qFatal("%s", qPrintable(writer.error()));
        }
    }
    session.commitTrans();
}
