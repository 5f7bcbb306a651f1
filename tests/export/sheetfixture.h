#pragma once

// The sheets of an export job without the job window: a demo server (the
// windows' connection and the test's own), the values of a stored job as
// the job window hands them over, and a sheet printed to PDF as a user does.

#include "cargojobvalues.h"
#include "demodatabase.h"
#include "printdialogfixture.h"
#include "recordingmessageservice.h"
#include "tpntsetupfrm.h"

#include <QTemporaryDir>

using namespace Qt::StringLiterals;

struct SheetFixture : DemoDatabase {
    QTemporaryDir dir;
    RecordingMessageService messages;

    bool start()
    {
        TPntSetupFrm::setDefaultSettingsPath(dir.filePath(u"SinglePntsetupf"_s));
        return DemoDatabase::start();
    }

    // The first job (by number) meeting condition.
    QString jobWhere(const QString &condition) const
    {
        return value(u"select top 1 业务编号 from 货运出口基本信息 where "_s + condition + u" order by 业务编号"_s);
    }

    // The stored job's columns and cargo rows.
    CargoJobValues job(const QString &number) const
    {
        CargoJobValues values;
        const QString key = u"业务编号='"_s + CommFunU::QuoteValue(number) + u'\'';
        ResultReader row = ResultReader::fromAnswer(
            db->openQuery(u"select * from 货运出口基本信息 where "_s + key, QString(), 1));
        const QStringList names = row.next(row.columnCount());
        const QStringList cells = row.next(row.columnCount());
        for (qsizetype c = 0; c < names.size(); ++c)
            values.columns.insert(names.at(c), cells.at(c));
        values.cargoRows = ResultReader::fromAnswer(
                               db->openQuery(u"select 箱类型, 集装箱号封号, 件数, 毛重, 尺码 from 货运出口货物明细 where "_s + key,
                                             QString(), 0))
                               .rows();
        values.saved = true;
        return values;
    }

    // Prints through the sheet's 打印 to a PDF named name; its words.
    PrintDialogFixture::Printed print(QAbstractButton *printButton, const QString &name,
                                      const std::function<void(TPntSetupFrm &)> &choose = {})
    {
        return PrintDialogFixture::printToPdf([printButton] { printButton->click(); }, dir.filePath(name), choose);
    }

    QString pdf(const QString &name) const { return dir.filePath(name); }
};
