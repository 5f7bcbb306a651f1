#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// What a satellite sheet of a job (declarations, correction notes, trucking
// and warehouse sheets, guarantee letter, fee details, LCL consolidation,
// B/L confirmation) receives from the job window: values, never pointers
// into the window's controls, so that a sheet can be built and tested alone.
//
//   void openCustomsDeclaration(const CargoJobValues &job, QWidget *parent)
//   {
//       TBaoGuanFrm sheet(parent);
//       sheet.preset(job.number(), job.column(u"手册号"_s), job.vesselAndVoyage(),
//                    job.firstContainer(), …);
//       sheet.exec();
//   }
struct CargoJobValues {
    // The job table's columns by name (the 88 of 货运出口基本信息 or
    // 货运进口基本信息) and the finance status columns of 财务, as the window
    // shows them: amounts as "0.000", dates "yyyy-mm-dd", times "hh:nn",
    // flags "1"/"0", radio groups their item index.
    QHash<QString, QString> columns;
    // The cargo rows under the grid's heading: 箱类型, 集装箱号封号, 件数,
    // 毛重, 尺码 (empty when the grid is empty).
    QList<QStringList> cargoRows;
    // The job exists in the database (it was loaded or saved in its tab).
    bool saved = false;
    // Unsaved edits are on screen.
    bool modified = false;

    QString column(const QString &name) const { return columns.value(name); }
    QString number() const { return column(QStringLiteral("业务编号")); }
    // 船名 + " " + 航次.
    QString vesselAndVoyage() const;
    // 集装箱号封号 of the first cargo row (empty without cargo).
    QString firstContainer() const;
    // 1 分配车队, 2 分配仓库, 3 自做箱, 0 none of them.
    int allocationKind() const;
};
