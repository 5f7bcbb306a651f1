#pragma once

#include <QWidget>

class JobTabs;
struct TYWData;

// The one interface through which the main window drives a job window
// (export, import, finance). There is one window per kind; it serves every
// page of its kind by swapping the page's state in and out of its controls.
//
// The five page operations have working defaults built on the protected
// hooks below; a window overrides them only where its own lifecycle differs.
class JobWindow : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(JobWindow)
public:
    // The window is hosted in the tab control's page area.
    explicit JobWindow(JobTabs *tabs);
    ~JobWindow() override;

    // The caption of a new page of this kind ("出口业务", "进口业务", "财务管理").
    virtual QString Caption() const = 0;
    // The tab picture of its pages (JobTabs::Icon).
    virtual int TabIcon() const = 0;

    // Shows the window, resets it to an empty job (active page 0), appends a
    // record and a tab for it and selects that tab.
    virtual bool NewPage();
    // Snapshots the window into the current tab's record; true when the page
    // may be left.
    virtual bool SavePage();
    // Loads the current tab's record into the window, refreshes its derived
    // fields, shows it and focuses its main input.
    virtual void RestorePage();
    // Frees the current tab's record and tab and hides the window.
    virtual bool DropPage();
    // Loads the job into the current page and renames its tab; true when found.
    virtual bool LoadJob(const QString &businessNumber) = 0;
    // Whether the last LoadJob found no job the user may see (rather than
    // failing on a server error it has shown already).
    virtual bool LoadMissed() const { return false; }

    JobTabs *Tabs() const { return m_tabs; }
    // Index of the tab the window last opened with NewPage.
    int NewPageIndex() const { return m_newPageIndex; }

protected:
    // Empties every control: a new job on page 0, neither stored nor modified.
    virtual void ResetJob() = 0;
    // Writes the whole state of the window into page.
    virtual void SaveState(TYWData &page) = 0;
    // Reads it back.
    virtual void RestoreState(const TYWData &page) = 0;
    // Totals, summaries and other fields computed from the others.
    virtual void RefreshDerived() {}
    virtual void FocusMainInput() {}
    // Asked after the snapshot: false keeps the user on the page.
    virtual bool MayLeave() { return true; }

    // The current tab's record when this window owns it, else nullptr.
    TYWData *CurrentRecord() const;
    void RenameCurrentTab(const QString &caption);

private:
    JobTabs *m_tabs;
    int m_newPageIndex = -1;
};
