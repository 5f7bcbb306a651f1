#include "menuwiring.h"

#include "helpwindow.h"
#include "jobpages.h"
#include "korvanerror.h"
#include "jobtabs.h"
#include "taboutfrm.h"
#include "tbumengglfrm.h"
#include "tdanzhengfrm.h"
#include "tgangkouglfrm.h"
#include "thychukoufrm.h"
#include "tkehufrm.h"
#include "tmainfrm.h"
#include "trenyuanglfrm.h"
#include "txgmmfrm.h"

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
    using Item = TMainFrm::Item;
    // The home page: the business query as tab 0.
    mainWindow.RegisterQueryWindow([](JobTabs *tabs) { return new TDanZhengFrm(tabs); });
    mainWindow.WireMenu(Item::ChangePassword, [window] { openModal<TXGMMFrm>(window); });
    mainWindow.WireMenu(Item::Departments, [window] { openModal<TBuMengGLFrm>(window); });
    mainWindow.WireMenu(Item::Staff, [window] { openModal<TRenYuanGLFrm>(window); });
    mainWindow.WireMenu(Item::Units, [window] { openModal<TkehuFrm>(window); });
    mainWindow.WireMenu(Item::Ports, [window] { openModal<TGangKouGLFrm>(window); });
    // Without the help pages beside the program, 主题 does nothing.
    mainWindow.WireMenu(Item::HelpTopics, [window] { HelpWindow::OpenTopics(window); });
    mainWindow.WireMenu(Item::About, [window] { openModal<TAboutFrm>(window); });

    mainWindow.RegisterJobWindow(JobKind::Export, [](JobTabs *tabs) { return new THYChuKouFrm(tabs); });
    mainWindow.WireMenu(Item::ExportNew,
                        [window] { withExportWindow(window, true, [](THYChuKouFrm &w) { w.NewJob(); }); });
    mainWindow.WireMenu(Item::ExportSaveAs,
                        [window] { withExportWindow(window, false, [](THYChuKouFrm &w) { w.SaveJobAs(); }); });
    mainWindow.WireMenu(Item::ExportLclProcessing,
                        [window] { withExportWindow(window, false, [](THYChuKouFrm &w) { w.LclProcessing(); }); });
}
