#pragma once

// How the export job window opens its fee details, in the shape of a job
// window's sheet opener (CargoJobWindow::SetSheetOpener): the job's values
// and the window as parent; the window has checked that the job is saved.
//
//   SetSheetOpener(u"费用明细"_s, OpenExportFeeDetails);

#include "cargojobvalues.h"

#include <functional>

class FeeDetailsDialog;
class QWidget;

// What the program adds to the export fee details before they show (the
// rate lookup 查运价); none by default. Set by the program, so that the
// export windows need not know the rate book.
using FeeDetailsExtension = std::function<void(FeeDetailsDialog &dialog, const CargoJobValues &job)>;
void SetExportFeeDetailsExtension(FeeDetailsExtension extension);

// 费用明细 of the export job window: THYChukouFeiYongMXFrm, maximised and
// modal, with the job's number, unit names and allocation.
void OpenExportFeeDetails(const CargoJobValues &job, QWidget *parent);
