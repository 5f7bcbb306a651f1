#include "feeopeners.h"

#include "thychukoufeiyongmxfrm.h"
#include "thyjinkoucheduifrm.h"
#include "thyjinkoufeiyongmxfrm.h"

#include <QScreen>

namespace {

// Maximised; the whole screen also where no window manager maximises.
void showMaximised(QDialog &dialog)
{
    if (const QScreen *screen = dialog.screen())
        dialog.setGeometry(screen->availableGeometry());
    dialog.setWindowState(dialog.windowState() | Qt::WindowMaximized);
    dialog.exec();
}

FeeDetailsExtension &exportExtension()
{
    static FeeDetailsExtension extension;
    return extension;
}

} // namespace

void SetExportFeeDetailsExtension(FeeDetailsExtension extension)
{
    exportExtension() = std::move(extension);
}

void OpenExportFeeDetails(const CargoJobValues &job, QWidget *parent)
{
    THYChukouFeiYongMXFrm dialog(parent);
    dialog.setJob(job);
    if (exportExtension())
        exportExtension()(dialog, job);
    showMaximised(dialog);
}

void OpenImportFeeDetails(const CargoJobValues &job, QWidget *parent)
{
    THYJinKouFeiYongMXFrm dialog(parent);
    dialog.setJob(job);
    showMaximised(dialog);
}

void OpenImportTruckingSheet(const CargoJobValues &job, QWidget *parent)
{
    THYJinKouCheDuiFrm sheet(job, parent);
    sheet.exec();
}

void OpenFeeDetailsForViewing(bool importJob, const QString &number, QWidget *parent)
{
    if (importJob) {
        THYJinKouFeiYongMXFrm dialog(parent);
        dialog.setViewing(number);
        showMaximised(dialog);
    } else {
        THYChukouFeiYongMXFrm dialog(parent);
        dialog.setViewing(number);
        showMaximised(dialog);
    }
}
