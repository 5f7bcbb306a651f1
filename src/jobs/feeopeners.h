#pragma once

// How the job windows and the finance window open the fee details and the
// import trucking sheet. The first three have the shape of a job window's
// sheet opener (CargoJobWindow::SetSheetOpener): the job's values and the
// window as parent; the window has checked that the job is saved.
//
//   SetSheetOpener(u"费用明细"_s, OpenImportFeeDetails);
//   SetSheetOpener(u"车队分配"_s, OpenImportTruckingSheet);

#include "cargojobvalues.h"

#include <functional>

class FeeDetailsDialog;
class QWidget;

// What the program adds to the export fee details before they show (the
// rate lookup 查运价); none by default.
using FeeDetailsExtension = std::function<void(FeeDetailsDialog &dialog, const CargoJobValues &job)>;
void SetExportFeeDetailsExtension(FeeDetailsExtension extension);

// 费用明细 of the export job window: THYChukouFeiYongMXFrm, maximised and
// modal, with the job's number, unit names and allocation.
void OpenExportFeeDetails(const CargoJobValues &job, QWidget *parent);
// 费用明细 of the import job window: THYJinKouFeiYongMXFrm likewise.
void OpenImportFeeDetails(const CargoJobValues &job, QWidget *parent);
// 车队分配 of the import job window: THYJinKouCheDuiFrm filled from the job.
void OpenImportTruckingSheet(const CargoJobValues &job, QWidget *parent);

// 费用明细 of the finance window: the fee details of an export (or import)
// job by its number only, for viewing: 保存 disabled until the load decides,
// no question on closing, no unit names copied, nothing disabled.
void OpenFeeDetailsForViewing(bool importJob, const QString &number, QWidget *parent);
