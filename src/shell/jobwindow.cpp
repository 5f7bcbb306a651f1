#include "jobwindow.h"

#include "jobtabs.h"
#include "tmainfrm.h"
#include "tywdata.h"

JobWindow::JobWindow(JobTabs *tabs)
    : QWidget(tabs ? tabs->pageArea() : nullptr)
    , m_tabs(tabs)
{
    if (m_tabs)
        m_tabs->host(this);
}

JobWindow::~JobWindow() = default;

TYWData *JobWindow::CurrentRecord() const
{
    TYWData *page = m_tabs ? m_tabs->currentPage() : nullptr;
    return page && page->Window == this ? page : nullptr;
}

void JobWindow::RenameCurrentTab(const QString &caption)
{
    if (!CurrentRecord())
        return;
    m_tabs->setTabText(m_tabs->currentIndex(), caption);
    // The page shows a stored job now: it joins the user's 最近业务.
    const qsizetype mark = caption.indexOf(u'_');
    TMainFrm *main = TMainFrm::instance();
    if (main && mark >= 0 && TabIcon() >= 1 && TabIcon() <= 3)
        main->NoteJobOpened(JobKind(TabIcon()), caption.mid(mark + 1));
}

bool JobWindow::NewPage()
{
    show();
    ResetJob();
    auto record = std::make_unique<TYWData>();
    record->Window = this;
    SaveState(*record);
    m_newPageIndex = m_tabs->appendPage(Caption(), TabIcon(), std::move(record));
    m_tabs->setCurrentIndex(m_newPageIndex);
    FocusMainInput();
    return true;
}

bool JobWindow::SavePage()
{
    TYWData *page = CurrentRecord();
    if (!page)
        return true;
    SaveState(*page);
    return MayLeave();
}

void JobWindow::RestorePage()
{
    TYWData *page = CurrentRecord();
    if (!page)
        return;
    RestoreState(*page);
    RefreshDerived();
    show();
    raise();
    FocusMainInput();
}

bool JobWindow::DropPage()
{
    if (!CurrentRecord())
        return false;
    m_tabs->removePage(m_tabs->currentIndex());
    hide();
    return true;
}
