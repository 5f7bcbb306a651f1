#include "menuwiring.h"

#include "jobpages.h"
#include "korvanerror.h"
#include "jobtabs.h"
#include "tbumengglfrm.h"
#include "thychukoufrm.h"
#include "tmainfrm.h"

#include <exception>
#include <functional>

namespace {

// Opens a modal dialog created on use and destroyed when it closes; a
// failure while creating or opening it is reported as the main window does.
template <class Dialog> void openModal(TMainFrm *parent)
{
    try {
        Dialog dialog(parent);
        dialog.exec();
    } catch (const KorvanError &e) {
        CommFunU::ReportWindowFailure(e.message());
    } catch (const std::exception &e) {
        CommFunU::ReportWindowFailure(QString::fromLocal8Bit(e.what()));
    }
}

// Runs a command of the export window; create: make the window first when
// it does not exist yet (a failure is reported as the main window does).
void withExportWindow(TMainFrm *main, bool create, const std::function<void(THYChuKouFrm &)> &command)
{
    try {
        if (auto *window = qobject_cast<THYChuKouFrm *>(main->JobWindowOf(JobKind::Export, create)))
            command(*window);
    } catch (const KorvanError &e) {
        CommFunU::ReportWindowFailure(e.message());
    }
}

} // namespace

void WireMenus(TMainFrm &mainWindow)
{
    TMainFrm *window = &mainWindow;
    mainWindow.WireMenu(TMainFrm::Item::Departments, [window] { openModal<TBuMengGLFrm>(window); });

    mainWindow.RegisterJobWindow(JobKind::Export, [](JobTabs *tabs) { return new THYChuKouFrm(tabs); });
    mainWindow.WireMenu(TMainFrm::Item::ExportNew,
                        [window] { withExportWindow(window, true, [](THYChuKouFrm &w) { w.NewJob(); }); });
    mainWindow.WireMenu(TMainFrm::Item::ExportSaveAs,
                        [window] { withExportWindow(window, false, [](THYChuKouFrm &w) { w.SaveJobAs(); }); });
    mainWindow.WireMenu(TMainFrm::Item::ExportLclProcessing,
                        [window] { withExportWindow(window, false, [](THYChuKouFrm &w) { w.LclProcessing(); }); });
}
