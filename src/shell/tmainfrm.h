#pragma once

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <map>

class JobTabs;
class JobWindow;
class QAction;
class QMenu;
class QueryWindow;
class TloginFrm;
struct CurrentUserRecord;

// The kinds of job page; the numbers are the tab icons of their pages.
enum class JobKind { Export = 1, Import = 2, Finance = 3 };

// The main window: the menu bar from which every function is reached and the
// tab control whose pages are the query window (tab 0) and the job pages.
//
// The job windows and the query window come from factories registered by the
// program; a menu item whose window is not provided stays disabled.
class TMainFrm : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY(TMainFrm)
public:
    // Private messages (MainMessage events of these types).
    enum Message {
        LoginMessage = 0x500,     // run the login
        NewExportPage = 0x501,    // open a new export page: 1 on success, 0 on failure
        NewImportPage = 0x502,    // the same for an import page
        NewFinancePage = 0x503,   // the same for a finance page
        ClosePageMessage = 0x504, // close the current job page
    };

    enum class Menu { System, Export, Import, Query, Finance, Archive, Freight, Help };
    enum class Item {
        ReLogin, ChangePassword, RecentJobs, Exit,
        ExportOpen, ExportNew, ExportSaveAs, ExportTrucking, ExportInnerLoading, ExportLcl, ExportLclProcessing,
        ImportOpen, ImportNew, ImportSaveAs,
        QueryJobs, ContainerStatistics,
        FinanceOpen, FinanceStatement, FinanceCommission, FinanceIncomeExpense, FinanceReceivables,
        Departments, Staff, Units, Ports,
        FreightQuery, FreightMaintain, FreightBatchUpdate,
        HelpTopics, About,
    };

    using JobWindowFactory = std::function<JobWindow *(JobTabs *tabs)>;
    using QueryWindowFactory = std::function<QueryWindow *(JobTabs *tabs)>;

    explicit TMainFrm(QWidget *parent = nullptr);
    ~TMainFrm() override;

    // The main window of the process (nullptr when there is none).
    static TMainFrm *instance();

    // --- what the program provides ------------------------------------------
    // The window of a job kind; enables its 打开业务 item.
    void RegisterJobWindow(JobKind kind, JobWindowFactory factory);
    // The window of tab 0 (without one, an empty page captioned "业务查询").
    void RegisterQueryWindow(QueryWindowFactory factory);
    // Connects a menu item to its action and enables it (subject to the
    // user's rights). 拼箱处理 is connected but enabled by the export window.
    void WireMenu(Item item, std::function<void()> action);

    QAction *Action(Item item) const;
    QMenu *MenuOf(Menu menu) const;
    JobTabs *Tabs() const { return m_tabs; }
    TloginFrm *LoginForm() const { return m_login; }
    QueryWindow *QueryPage() const { return m_query; }
    // The window of a kind, created when create is set and it does not exist
    // yet (creation errors propagate); nullptr when there is none.
    JobWindow *JobWindowOf(JobKind kind, bool create);

    // --- private messages ------------------------------------------------------
    // Sends message synchronously and answers its result.
    int Perform(int message);
    // Queues message for the window itself.
    void Post(int message);

    // --- steps --------------------------------------------------------------
    // Enables the menus that the user's rights allow (rights 2 to 7) and
    // shows the user's 最近业务.
    void ApplyRights(const CurrentUserRecord &user);
    // 最近业务: a job page of kind now shows the job (it was opened or saved
    // as new); it goes first in the user's list.
    void NoteJobOpened(JobKind kind, const QString &businessNumber);
    // The submenu again from the user's list: newest first, each item opening
    // its job as 业务查询's 详细 does; disabled while the list is empty.
    void RefreshRecentJobs();
    QMenu *RecentJobsMenu() const { return m_recent; }
    void OpenQueryPage();
    void ReLogin();
    // The tab-leaving step for the current tab: false keeps the user there.
    bool LeaveCurrentTab();
    // The tab-entering step for tab index (already current).
    void EnterTab(int index);

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenus();
    int runLogin();
    int newJobPage(JobKind kind);
    void closeCurrentPage();
    void discardPages();
    // Hides a window and deletes it once no handler can be running under it
    // (destroyRetired).
    void retire(QWidget *window);
    void destroyRetired();
    void refreshItem(Item item);
    bool itemAllowed(Item item) const;

    JobTabs *m_tabs = nullptr;
    TloginFrm *m_login = nullptr;
    QueryWindow *m_query = nullptr;
    std::map<JobKind, JobWindow *> m_jobWindows;
    std::map<JobKind, JobWindowFactory> m_factories;
    QueryWindowFactory m_queryFactory;
    std::map<Item, QAction *> m_actions;
    std::map<Item, bool> m_wired;
    std::map<Menu, QMenu *> m_menus;
    bool m_firstShow = true;
    QList<QPointer<QWidget>> m_retired; // hidden windows waiting to be deleted
    int m_mainLoopLevel = 0;            // the event loop of the first login
    bool m_rightUnits = false;
    bool m_rightStaff = false;
    QMenu *m_recent = nullptr;
};
