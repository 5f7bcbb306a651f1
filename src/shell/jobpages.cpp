#include "jobpages.h"

#include "jobtabs.h"
#include "jobwindow.h"
#include "queryhelpers.h"
#include "tmainfrm.h"

using namespace Qt::StringLiterals;

namespace CommFunU {

namespace {

bool openJob(JobKind kind, const QString &prefix, int message, const QString &businessNumber)
{
    TMainFrm *main = TMainFrm::instance();
    if (!main)
        return false;
    JobTabs *tabs = main->Tabs();
    const QString caption = prefix + businessNumber;
    for (int i = 0; i < tabs->count(); ++i) {
        if (tabs->tabText(i) != caption)
            continue;
        if (!main->LeaveCurrentTab())
            return false;
        tabs->setCurrentIndex(i);
        main->EnterTab(i);
        return true;
    }
    if (main->Perform(message) != 1)
        return false;
    JobWindow *window = main->JobWindowOf(kind, false);
    return window && window->LoadJob(businessNumber);
}

} // namespace

bool OpenExportJob(const QString &businessNumber)
{
    return openJob(JobKind::Export, u"出口业务_"_s, TMainFrm::NewExportPage, businessNumber);
}

bool OpenImportJob(const QString &businessNumber)
{
    return openJob(JobKind::Import, u"进口业务_"_s, TMainFrm::NewImportPage, businessNumber);
}

void ReportWindowFailure(const QString &errorText)
{
    if (errorText.contains(u"win32"_s, Qt::CaseInsensitive))
        ShowMessage(u"出错，可能内存不足!,请关闭其他部分程序！\r"_s + errorText);
    else
        ShowMessage(u"出错: \r"_s + errorText);
}

} // namespace CommFunU
