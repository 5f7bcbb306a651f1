#include "importopeners.h"

#include "thyjinkoucheduifrm.h"
#include "thyjinkoufeiyongmxfrm.h"

void OpenImportFeeDetails(const CargoJobValues &job, QWidget *parent)
{
    THYJinKouFeiYongMXFrm dialog(parent);
    dialog.setJob(job);
    dialog.execMaximised();
}

void OpenImportTruckingSheet(const CargoJobValues &job, QWidget *parent)
{
    THYJinKouCheDuiFrm sheet(job, parent);
    sheet.exec();
}
