#include "menuwiring.h"

#include "helpwindow.h"
#include "jobpages.h"
#include "korvanerror.h"
#include "jobtabs.h"
#include "allocationlistwindow.h"
#include "taboutfrm.h"
#include "tcaiwuglfrm.h"
#include "tcaiwuysyffrm.h"
#include "tcaiwuzyywfrm.h"
#include "tbumengglfrm.h"
#include "tchayunjiafrm.h"
#include "exportfeeopeners.h"
#include "tdanzhengfrm.h"
#include "tgangkouglfrm.h"
#include "thychukoufrm.h"
#include "thyjinkoufrm.h"
#include "thychukouxltjfrm.h"
#include "tkehufrm.h"
#include "tmainfrm.h"
#include "tpilianggxfrm.h"
#include "trenyuanglfrm.h"
#include "txgmmfrm.h"
#include "tyongjinfrm.h"
#include "tyunjiacxfrm.h"
#include "tyunjiaglfrm.h"
#include "tzhuizhangfrm.h"

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

// Runs a command of the job window of a kind; create: make the window first
// when it does not exist yet (a failure is reported as the main window does).
template <class Window>
void withJobWindow(TMainFrm *main, JobKind kind, bool create, const std::function<void(Window &)> &command)
{
    try {
        if (auto *window = qobject_cast<Window *>(main->JobWindowOf(kind, create)))
            command(*window);
    } catch (const KorvanError &e) {
        CommFunU::ReportWindowFailure(e.message());
    }
}

// The menu items 新建业务 and 另存为... of a job kind run its window's steps.
template <class Window> void wireJobMenu(TMainFrm *main, JobKind kind, TMainFrm::Item newJob, TMainFrm::Item saveAs)
{
    main->RegisterJobWindow(kind, [](JobTabs *tabs) { return new Window(tabs); });
    main->WireMenu(newJob, [main, kind] { withJobWindow<Window>(main, kind, true, [](Window &w) { w.NewJob(); }); });
    main->WireMenu(saveAs,
                   [main, kind] { withJobWindow<Window>(main, kind, false, [](Window &w) { w.SaveJobAs(); }); });
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

    wireJobMenu<THYChuKouFrm>(window, JobKind::Export, Item::ExportNew, Item::ExportSaveAs);
    mainWindow.WireMenu(Item::ExportLclProcessing, [window] {
        withJobWindow<THYChuKouFrm>(window, JobKind::Export, false, [](THYChuKouFrm &w) { w.LclProcessing(); });
    });
    wireJobMenu<THYJinKouFrm>(window, JobKind::Import, Item::ImportNew, Item::ImportSaveAs);
    mainWindow.RegisterJobWindow(JobKind::Finance, [](JobTabs *tabs) { return new TCaiWuGLFrm(tabs); });
    mainWindow.WireMenu(Item::FinanceStatement, [window] { openModal<TZhuiZhangFrm>(window); });
    mainWindow.WireMenu(Item::FinanceCommission, [window] { openModal<TYongJinFrm>(window); });
    mainWindow.WireMenu(Item::FinanceIncomeExpense, [window] { openModal<TCaiWuZYYWFrm>(window); });
    mainWindow.WireMenu(Item::FinanceReceivables, [window] { openModal<TCaiWuYSYFFrm>(window); });
    mainWindow.WireMenu(Item::ExportTrucking, [window] { openModal<THYChuKouCheDuiPCLFrm>(window); });
    mainWindow.WireMenu(Item::ExportInnerLoading, [window] { openModal<THYChuKouNZXPCLFrm>(window); });
    mainWindow.WireMenu(Item::ExportLcl, [window] { openModal<THYChuKouPXPCLFrm>(window); });
    mainWindow.WireMenu(Item::ContainerStatistics, [window] { openModal<THYChukouXLTJFrm>(window); });

    // The rate book; the export fee details look rates up and fill 海运费 (Tag 15).
    mainWindow.WireMenu(Item::FreightQuery, [window] { openModal<TYunJiaCXFrm>(window); });
    mainWindow.WireMenu(Item::FreightMaintain, [window] { openModal<TYunJiaGLFrm>(window); });
    mainWindow.WireMenu(Item::FreightBatchUpdate, [window] { openModal<TPiLiangGXFrm>(window); });
    SetExportFeeDetailsExtension([](FeeDetailsDialog &dialog, const CargoJobValues &job) {
        TChaYunJiaFrm::AddTo(dialog, job, TChaYunJiaFrm::ClientFreightTag);
    });
}
