#pragma once

// How the import job window opens its fee details and its trucking sheet,
// in the shape of a job window's sheet opener (CargoJobWindow::SetSheetOpener):
// the job's values and the window as parent; the window has checked that the
// job is saved.
//
//   SetSheetOpener(u"费用明细"_s, OpenImportFeeDetails);
//   SetSheetOpener(u"车队分配"_s, OpenImportTruckingSheet);

#include "cargojobvalues.h"

class QWidget;

// 费用明细 of the import job window: THYJinKouFeiYongMXFrm, maximised and
// modal, with the job's number, unit names and allocation.
void OpenImportFeeDetails(const CargoJobValues &job, QWidget *parent);
// 车队分配 of the import job window: THYJinKouCheDuiFrm filled from the job.
void OpenImportTruckingSheet(const CargoJobValues &job, QWidget *parent);
