#include "tmainfrm.h"

#include "currentuser.h"
#include "jobpages.h"
#include "jobtabs.h"
#include "jobwindow.h"
#include "korvanerror.h"
#include "mainmessage.h"
#include "querywindow.h"
#include "serverconnection.h"
#include "startupconventions.h"
#include "tloginfrm.h"
#include "tywdata.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QMenuBar>

#include <exception>

using namespace Qt::StringLiterals;

namespace {

TMainFrm *theMainWindow = nullptr;

using Item = TMainFrm::Item;
using Menu = TMainFrm::Menu;

// The menu bar, in order. A null text starts a submenu's items (sub holds
// its caption); kind marks the items with a fixed state. Every caption has
// its accelerator, none twice in one menu; the menu bar's letters are none
// that a page inside the main window uses (打印(&P), 新增箱数(&N)).
enum class Kind { Normal, Hidden, AlwaysDisabled, DisabledUntilEnabled };
struct MenuEntry {
    Menu menu;
    const char16_t *submenu; // nullptr: directly in the menu
    const char16_t *text;
    Item item;
    Kind kind;
};

const MenuEntry menuEntries[] = {
    {Menu::System, nullptr, u"重新登录(&L)", Item::ReLogin, Kind::Normal},
    {Menu::System, nullptr, u"修改密码(&P)", Item::ChangePassword, Kind::Normal},
    {Menu::System, nullptr, u"最近业务(&R)", Item::RecentJobs, Kind::AlwaysDisabled},
    {Menu::System, nullptr, u"退出系统(&X)", Item::Exit, Kind::Normal},
    {Menu::Export, nullptr, u"打开业务(&O)", Item::ExportOpen, Kind::Normal},
    {Menu::Export, nullptr, u"新建业务(&N)", Item::ExportNew, Kind::Normal},
    {Menu::Export, nullptr, u"另存为(&A)...", Item::ExportSaveAs, Kind::Hidden},
    {Menu::Export, nullptr, u"车队分配(&T)", Item::ExportTrucking, Kind::Normal},
    {Menu::Export, u"仓库分配(&W)", u"内装箱(&I)", Item::ExportInnerLoading, Kind::Normal},
    {Menu::Export, u"仓库分配(&W)", u"拼箱(&L)", Item::ExportLcl, Kind::Normal},
    {Menu::Export, nullptr, u"拼箱处理(&C)", Item::ExportLclProcessing, Kind::DisabledUntilEnabled},
    {Menu::Import, nullptr, u"打开业务(&O)", Item::ImportOpen, Kind::Normal},
    {Menu::Import, nullptr, u"新建业务(&N)", Item::ImportNew, Kind::Normal},
    {Menu::Import, nullptr, u"另存为(&A)...", Item::ImportSaveAs, Kind::Hidden},
    {Menu::Query, nullptr, u"业务查询(&Q)", Item::QueryJobs, Kind::Normal},
    {Menu::Query, nullptr, u"箱量统计(&T)", Item::ContainerStatistics, Kind::Normal},
    {Menu::Finance, nullptr, u"打开业务(&O)", Item::FinanceOpen, Kind::Normal},
    {Menu::Finance, nullptr, u"对帐单(&S)", Item::FinanceStatement, Kind::Normal},
    {Menu::Finance, nullptr, u"佣金核算(&C)", Item::FinanceCommission, Kind::Normal},
    {Menu::Finance, nullptr, u"主营业务收支(&I)", Item::FinanceIncomeExpense, Kind::Normal},
    {Menu::Finance, nullptr, u"应收应付帐款(&R)", Item::FinanceReceivables, Kind::Normal},
    {Menu::Archive, nullptr, u"部门管理(&D)", Item::Departments, Kind::Normal},
    {Menu::Archive, nullptr, u"职员管理(&S)", Item::Staff, Kind::Normal},
    {Menu::Archive, nullptr, u"单位管理(&U)", Item::Units, Kind::Normal},
    {Menu::Archive, nullptr, u"港口管理(&P)", Item::Ports, Kind::Normal},
    {Menu::Freight, nullptr, u"运价查询(&Q)", Item::FreightQuery, Kind::AlwaysDisabled},
    {Menu::Freight, nullptr, u"运价管理(&M)", Item::FreightMaintain, Kind::AlwaysDisabled},
    {Menu::Freight, nullptr, u"批量更新(&B)", Item::FreightBatchUpdate, Kind::AlwaysDisabled},
    {Menu::Help, nullptr, u"主题(&T)", Item::HelpTopics, Kind::Normal},
    {Menu::Help, nullptr, u"关于(&A)", Item::About, Kind::Normal},
};

const std::pair<Menu, const char16_t *> menuCaptions[] = {
    {Menu::System, u"系统管理(&S)"}, {Menu::Export, u"海运出口(&E)"}, {Menu::Import, u"海运进口(&I)"},
    {Menu::Query, u"查询统计(&Q)"},   {Menu::Finance, u"财务核算(&F)"}, {Menu::Archive, u"档案管理(&D)"},
    {Menu::Freight, u"运价管理(&R)"}, {Menu::Help, u"帮助(&H)"},
};

Kind kindOf(Item item)
{
    for (const MenuEntry &entry : menuEntries) {
        if (entry.item == item)
            return entry.kind;
    }
    return Kind::Normal;
}

int messageOf(JobKind kind)
{
    return 0x500 + int(kind);
}

} // namespace

TMainFrm::TMainFrm(QWidget *parent)
    : QMainWindow(parent)
{
    theMainWindow = this;
    setWindowTitle(CommFunU::ProductName());
    // Opened maximised; the size also holds where no window manager maximises.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        resize(screen->availableSize());
    m_tabs = new JobTabs(this);
    setCentralWidget(m_tabs);
    m_tabs->clear();
    m_tabs->setLeaveHandler([this](int) { return LeaveCurrentTab(); });
    m_tabs->setEnterHandler([this](int index) { EnterTab(index); });
    buildMenus();
}

TMainFrm::~TMainFrm()
{
    discardPages();
    delete m_login;
    m_login = nullptr;
    if (theMainWindow == this)
        theMainWindow = nullptr;
}

TMainFrm *TMainFrm::instance()
{
    return theMainWindow;
}

void TMainFrm::buildMenus()
{
    for (const auto &[menu, caption] : menuCaptions) {
        QMenu *m = menuBar()->addMenu(QString::fromUtf16(caption));
        m_menus[menu] = m;
    }
    std::map<QString, QMenu *> submenus;
    for (const MenuEntry &entry : menuEntries) {
        QMenu *parent = m_menus[entry.menu];
        if (entry.submenu) {
            const QString name = QString::fromUtf16(entry.submenu);
            auto found = submenus.find(name);
            if (found == submenus.end())
                found = submenus.emplace(name, parent->addMenu(name)).first;
            parent = found->second;
        }
        QAction *action = parent->addAction(QString::fromUtf16(entry.text));
        m_actions[entry.item] = action;
        m_wired[entry.item] = false;
        if (entry.kind == Kind::Hidden)
            action->setVisible(false);
        action->setEnabled(false);
    }

    // The items of this window itself.
    WireMenu(Item::ReLogin, [this] { ReLogin(); });
    WireMenu(Item::Exit, [this] { close(); });
    WireMenu(Item::QueryJobs, [this] { OpenQueryPage(); });

    // Menus gated by a right stay closed until a user has logged in.
    for (Menu menu : {Menu::Export, Menu::Import, Menu::Finance, Menu::Freight})
        m_menus[menu]->menuAction()->setEnabled(false);
}

QAction *TMainFrm::Action(Item item) const
{
    const auto found = m_actions.find(item);
    return found == m_actions.end() ? nullptr : found->second;
}

QMenu *TMainFrm::MenuOf(Menu menu) const
{
    const auto found = m_menus.find(menu);
    return found == m_menus.end() ? nullptr : found->second;
}

bool TMainFrm::itemAllowed(Item item) const
{
    if (item == Item::Units)
        return m_rightUnits;
    if (item == Item::Staff)
        return m_rightStaff;
    return true;
}

void TMainFrm::refreshItem(Item item)
{
    QAction *action = Action(item);
    const Kind kind = kindOf(item);
    if (kind == Kind::AlwaysDisabled || kind == Kind::DisabledUntilEnabled)
        return;
    action->setEnabled(m_wired[item] && itemAllowed(item));
}

void TMainFrm::WireMenu(Item item, std::function<void()> action)
{
    QAction *a = Action(item);
    if (!a || kindOf(item) == Kind::AlwaysDisabled)
        return;
    a->disconnect(this);
    connect(a, &QAction::triggered, this, [action = std::move(action)] { action(); });
    m_wired[item] = true;
    refreshItem(item);
}

void TMainFrm::RegisterJobWindow(JobKind kind, JobWindowFactory factory)
{
    m_factories[kind] = std::move(factory);
    const Item open = kind == JobKind::Export ? Item::ExportOpen
                      : kind == JobKind::Import ? Item::ImportOpen
                                                : Item::FinanceOpen;
    const int message = messageOf(kind);
    WireMenu(open, [this, message] { Perform(message); });
}

void TMainFrm::RegisterQueryWindow(QueryWindowFactory factory)
{
    m_queryFactory = std::move(factory);
}

JobWindow *TMainFrm::JobWindowOf(JobKind kind, bool create)
{
    const auto found = m_jobWindows.find(kind);
    if (found != m_jobWindows.end() && found->second)
        return found->second;
    if (!create)
        return nullptr;
    const auto factory = m_factories.find(kind);
    if (factory == m_factories.end() || !factory->second)
        throw KorvanError(u"此功能尚未提供"_s);
    JobWindow *window = factory->second(m_tabs);
    if (!window)
        throw KorvanError(u"窗口创建失败"_s);
    if (window->parentWidget() != m_tabs->pageArea())
        m_tabs->host(window);
    m_jobWindows[kind] = window;
    return window;
}

int TMainFrm::Perform(int message)
{
    MainMessage m(message);
    QCoreApplication::sendEvent(this, &m);
    return m.result;
}

void TMainFrm::Post(int message)
{
    QCoreApplication::postEvent(this, new MainMessage(message));
}

bool TMainFrm::event(QEvent *e)
{
    const int type = int(e->type());
    if (type < LoginMessage || type > ClosePageMessage)
        return QMainWindow::event(e);
    auto *message = static_cast<MainMessage *>(e);
    switch (type) {
    case LoginMessage:
        message->result = runLogin();
        break;
    case NewExportPage:
        message->result = newJobPage(JobKind::Export);
        break;
    case NewImportPage:
        message->result = newJobPage(JobKind::Import);
        break;
    case NewFinancePage:
        message->result = newJobPage(JobKind::Finance);
        break;
    case ClosePageMessage:
        closeCurrentPage();
        break;
    }
    return true;
}

void TMainFrm::showEvent(QShowEvent *e)
{
    QMainWindow::showEvent(e);
    if (m_firstShow) {
        m_firstShow = false;
        Post(LoginMessage);
    }
}

int TMainFrm::runLogin()
{
    if (!m_login) {
        m_login = new TloginFrm(this);
        connect(m_login, &TloginFrm::LoggedIn, this, [this] { ApplyRights(CommFunU::CurrentUser()); });
    }
    if (m_login->Run()) {
        OpenQueryPage();
        return 1;
    }
    // No user: the process ends with its main window.
    close();
    return 0;
}

void TMainFrm::ReLogin()
{
    if (!m_login) {
        runLogin();
        return;
    }
    if (!m_login->Run())
        return; // a cancelled re-login changes nothing
    discardPages();
    OpenQueryPage();
}

void TMainFrm::discardPages()
{
    m_tabs->clear();
    for (auto &[kind, window] : m_jobWindows)
        delete window;
    m_jobWindows.clear();
    delete m_query;
    m_query = nullptr;
}

void TMainFrm::ApplyRights(const CurrentUserRecord &user)
{
    m_menus[Menu::Export]->menuAction()->setEnabled(user.hasRight(2));
    m_menus[Menu::Import]->menuAction()->setEnabled(user.hasRight(3));
    m_rightUnits = user.hasRight(4);
    m_rightStaff = user.hasRight(5);
    refreshItem(Item::Units);
    refreshItem(Item::Staff);
    m_menus[Menu::Freight]->menuAction()->setEnabled(user.hasRight(6));
    m_menus[Menu::Finance]->menuAction()->setEnabled(user.hasRight(7));
}

void TMainFrm::OpenQueryPage()
{
    if (!m_query) {
        m_query = m_queryFactory ? m_queryFactory(m_tabs) : nullptr;
        if (!m_query)
            m_query = new QueryWindow(m_tabs);
        if (m_query->parentWidget() != m_tabs->pageArea())
            m_tabs->host(m_query);
        // The query page is always tab 0: it is made before any job page.
        m_tabs->appendPage(m_query->Caption(), JobTabs::QueryIcon, std::make_unique<TYWData>());
    }
    if (m_tabs->currentIndex() > 0 && !LeaveCurrentTab())
        return;
    m_tabs->setCurrentIndex(0);
    m_tabs->showOnly(m_query);
}

bool TMainFrm::LeaveCurrentTab()
{
    const int current = m_tabs->currentIndex();
    if (current <= 0)
        return true;
    TYWData *page = m_tabs->page(current);
    if (!page || !page->Window)
        return true;
    return page->Window->SavePage();
}

void TMainFrm::EnterTab(int index)
{
    if (index == 0) {
        if (m_query) {
            m_tabs->showOnly(m_query);
            m_query->EnterPage();
        }
        return;
    }
    TYWData *page = m_tabs->page(index);
    if (page && page->Window) {
        page->Window->RestorePage();
        m_tabs->showOnly(page->Window);
    }
}

int TMainFrm::newJobPage(JobKind kind)
{
    try {
        JobWindow *window = JobWindowOf(kind, true);
        if (m_tabs->currentIndex() > 0) {
            TYWData *page = m_tabs->currentPage();
            if (page && page->Window)
                page->Window->SavePage();
        }
        if (!window->NewPage())
            return 0;
        m_tabs->showOnly(window);
        return 1;
    } catch (const KorvanError &error) {
        CommFunU::ReportWindowFailure(error.message());
    } catch (const std::exception &error) {
        CommFunU::ReportWindowFailure(QString::fromLocal8Bit(error.what()));
    }
    return 0;
}

void TMainFrm::closeCurrentPage()
{
    if (m_tabs->currentIndex() < 1)
        return;
    TYWData *page = m_tabs->currentPage();
    if (!page || !page->Window || !page->Window->DropPage())
        return;
    if (m_tabs->count() == 0)
        return;
    // The last tab is current now; a job page is restored, the query page
    // is only shown again.
    const int index = m_tabs->currentIndex();
    if (index > 0)
        EnterTab(index);
    else if (m_query)
        m_tabs->showOnly(m_query);
}

void TMainFrm::closeEvent(QCloseEvent *e)
{
    // Unsaved job pages are discarded without asking.
    discardPages();
    if (m_login) {
        m_login->Connection().close();
        delete m_login;
        m_login = nullptr;
    }
    e->accept();
}
