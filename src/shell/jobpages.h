#pragma once

#include <QString>

// Opening job pages from any window.
namespace CommFunU {

// Switches to the tab "出口业务_" + number when one is open (the current page
// is snapshotted first, nothing is loaded); otherwise opens a new export page
// and loads the job into it. True when the job is shown.
bool OpenExportJob(const QString &businessNumber);
// The same for "进口业务_" and the import window.
bool OpenImportJob(const QString &businessNumber);
// The same for the finance window (whose tabs carry the job's line prefix).
bool OpenFinanceJob(const QString &businessNumber);

// Reports a failure while creating or opening a window.
void ReportWindowFailure(const QString &errorText);

} // namespace CommFunU
