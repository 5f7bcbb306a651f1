#include "exportfeeopeners.h"

#include "thychukoufeiyongmxfrm.h"

namespace {

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
    dialog.execMaximised();
}
