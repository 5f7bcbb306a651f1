#include "jobpages.h"

#include "jobtabs.h"
#include "jobwindow.h"
#include "messageservice.h"
#include "queryhelpers.h"
#include "tywdata.h"
#include "tmainfrm.h"
#include "tywdata.h"

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
    // Only a page of the kind's own window: a finance page of the same job
    // carries the same caption.
    JobWindow *owner = main->JobWindowOf(kind, false);
    for (int i = 0; owner && i < tabs->count(); ++i) {
        if (tabs->tabText(i) != caption || !tabs->page(i) || tabs->page(i)->Window != owner)
            continue;
        if (!main->LeaveCurrentTab())
            return false;
        tabs->setCurrentIndex(i);
        main->EnterTab(i);
        main->NoteJobOpened(kind, businessNumber);
        return true;
    }
    if (main->Perform(message) != 1)
        return false;
    JobWindow *window = main->JobWindowOf(kind, false);
    if (!window)
        return false;
    if (window->LoadJob(businessNumber))
        return true;
    // No blank page is left behind; a job the user may not see is named.
    const bool missed = window->LoadMissed();
    main->Perform(TMainFrm::ClosePageMessage);
    if (missed) {
        MessageService::inform(u"提示"_s, u"无法打开业务"_s + businessNumber + u"：没有此业务，或您无权查看"_s,
                               MessageService::Icon::Warning);
    }
    return false;
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

bool OpenFinanceJob(const QString &businessNumber)
{
    // The finance window finds the job in either line; its tab is named after it.
    for (const QString &prefix : {u"出口业务_"_s, u"进口业务_"_s}) {
        TMainFrm *main = TMainFrm::instance();
        JobWindow *own = main ? main->JobWindowOf(JobKind::Finance, false) : nullptr;
        JobTabs *tabs = main ? main->Tabs() : nullptr;
        for (int i = 0; tabs && own && i < tabs->count(); ++i) {
            const TYWData *page = tabs->page(i);
            if (page && page->Window == own && tabs->tabText(i) == prefix + businessNumber)
                return openJob(JobKind::Finance, prefix, TMainFrm::NewFinancePage, businessNumber);
        }
    }
    return openJob(JobKind::Finance, u"出口业务_"_s, TMainFrm::NewFinancePage, businessNumber);
}

void ReportWindowFailure(const QString &errorText)
{
    if (errorText.contains(u"win32"_s, Qt::CaseInsensitive))
        ShowMessage(u"出错，可能内存不足!,请关闭其他部分程序！\r"_s + errorText);
    else
        ShowMessage(u"出错: \r"_s + errorText);
}

} // namespace CommFunU
