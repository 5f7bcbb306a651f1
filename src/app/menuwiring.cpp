#include "menuwiring.h"

#include "jobpages.h"
#include "korvanerror.h"
#include "tbumengglfrm.h"
#include "tdanzhengfrm.h"
#include "tmainfrm.h"

#include <exception>

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

} // namespace

void WireMenus(TMainFrm &mainWindow)
{
    TMainFrm *window = &mainWindow;
    // The home page: the business query as tab 0.
    mainWindow.RegisterQueryWindow([](JobTabs *tabs) { return new TDanZhengFrm(tabs); });
    mainWindow.WireMenu(TMainFrm::Item::Departments, [window] { openModal<TBuMengGLFrm>(window); });
}
