// The main window: its menu bar, the login on first showing, the rights, and
// the contract of the job tabs with a small job window of the test's own.

#include "currentuser.h"
#include "jobpages.h"
#include "jobtabs.h"
#include "jobwindow.h"
#include "korvanapplication.h"
#include "korvanerror.h"
#include "mainmessage.h"
#include "modalhelper.h"
#include "querywindow.h"
#include "recordingmessageservice.h"
#include "stafftable.h"
#include "testserver.h"
#include "tloginfrm.h"
#include "tmainfrm.h"
#include "tywdata.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QRegularExpression>
#include <QTabBar>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;
using Item = TMainFrm::Item;
using Menu = TMainFrm::Menu;

namespace {

// A job window with one field (the business number) and a page index.
class TestJobWindow : public JobWindow
{
public:
    TestJobWindow(JobTabs *tabs, QString caption, QString prefix, int icon)
        : JobWindow(tabs), m_caption(std::move(caption)), m_prefix(std::move(prefix)), m_icon(icon)
    {
        number = new QLineEdit(this);
    }
    QString Caption() const override { return m_caption; }
    int TabIcon() const override { return m_icon; }
    bool LoadJob(const QString &businessNumber) override
    {
        ++loads;
        if (businessNumber == u"missing"_s)
            return false;
        number->setText(businessNumber);
        stored = 1;
        RenameCurrentTab(m_prefix + businessNumber);
        return true;
    }

    QLineEdit *number;
    int pageIndex = 0;
    int stored = 0;
    int loads = 0;
    int restores = 0;
    bool mayLeave = true;

protected:
    void ResetJob() override
    {
        number->clear();
        pageIndex = 0;
        stored = 0;
    }
    void SaveState(TYWData &page) override
    {
        page.MainText = number->text();
        page.PageIndex = pageIndex;
        page.Stored = stored;
    }
    void RestoreState(const TYWData &page) override
    {
        ++restores;
        number->setText(page.MainText);
        pageIndex = page.PageIndex;
        stored = page.Stored;
    }
    bool MayLeave() override { return mayLeave; }

private:
    QString m_caption;
    QString m_prefix;
    int m_icon;
};

class TestQueryWindow : public QueryWindow
{
public:
    using QueryWindow::QueryWindow;
    void EnterPage() override { ++entered; }
    int entered = 0;
};

// A caption without its accelerator: "另存为(&A)..." is 另存为....
QString withoutAccelerator(QString text)
{
    static const QRegularExpression accelerator(u"\\(&[A-Z]\\)"_s);
    return text.remove(accelerator);
}

QStringList captionsOf(const QList<QAction *> &actions)
{
    QStringList out;
    for (QAction *a : actions) {
        if (!a->isSeparator())
            out << withoutAccelerator(a->text());
    }
    return out;
}

// The accelerator letters of the actions ('?' for one without).
QString acceleratorsOf(const QList<QAction *> &actions)
{
    static const QRegularExpression accelerator(u"\\(&([A-Z])\\)"_s);
    QString out;
    for (QAction *a : actions) {
        if (a->isSeparator() || !a->isVisible())
            continue;
        const QRegularExpressionMatch m = accelerator.match(a->text());
        out += m.hasMatch() ? m.captured(1).at(0) : u'?';
    }
    return out;
}

} // namespace

class TestMainFrame : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void menuBar();
    void menuAccelerators();
    void fixedItems();
    void cancelledFirstLoginClosesWindow();
    void loginOpensQueryPage();
    void rights_data();
    void rights();
    void rightsAppliedAtEveryLogin();
    void newPagesAndSwitching();
    void leavingRefused();
    void openJobByNumber();
    void closingPages();
    void messagesSentAndPosted();
    void windowCreationFailure_data();
    void windowCreationFailure();
    void reLoginCancelledKeepsPages();
    void reLoginCompletedClosesPages();
    void exitReleasesConnection();

private:
    // A main window logged in as user (through its real login dialog).
    std::unique_ptr<TMainFrm> loggedIn(const QString &user, const QString &password);
    void registerWindows(TMainFrm &main);
    static void answerLogin(const QString &user, const QString &password);

    TestServer m_server;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_oldDir;
    QPointer<TestJobWindow> m_export;
    QPointer<TestJobWindow> m_import;
    QPointer<TestQueryWindow> m_query;
    QString m_failWith;
};

void TestMainFrame::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
    auto admin = m_server.connect();
    try {
        fillStaffTable(*admin, {
            {u"boss"_s, u"b"_s, u"总经理甲"_s, u"总经办"_s, u"总经理"_s, QString(), QString(), rightsOf("11111111")},
            {u"op"_s, u"o"_s, u"操作员甲"_s, u"操作部"_s, u"操作员"_s, QString(), QString(), rightsOf("11000000")},
            {u"none"_s, u"n"_s, u"无权限"_s, u"操作部"_s, u"操作员"_s, QString(), QString(), rightsOf("10000000")},
            {u"blank"_s, u"x"_s, u"空格"_s, u"操作部"_s, u"操作员"_s, QString(), QString(),
             {u"1"_s, u"1 "_s, u"1 "_s, u"1 "_s, u"1 "_s, u"1 "_s, u"1 "_s, u"1 "_s}},
            {u"units"_s, u"u"_s, u"单位员"_s, u"操作部"_s, u"操作员"_s, QString(), QString(), rightsOf("10010100")},
        });
    } catch (const KorvanError &e) {
        QFAIL(qPrintable(e.message()));
    }
}

void TestMainFrame::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_oldDir = QDir::currentPath();
    QDir::setCurrent(m_dir->path());
    QFile file(u"ConnectServer.txt"_s);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("IP=127.0.0.1\r\nPort=" + QByteArray::number(m_server.port()) + "\r\n");
    file.close();
    CommFunU::CurrentUser() = CurrentUserRecord();
    m_failWith.clear();
}

void TestMainFrame::cleanup()
{
    QDir::setCurrent(m_oldDir);
    m_dir.reset();
}

void TestMainFrame::answerLogin(const QString &user, const QString &password)
{
    ModalHelper::onNextModal([user, password](QWidget *modal) {
        auto *login = qobject_cast<TloginFrm *>(modal);
        if (!login) {
            qWarning("the modal widget is not the login window");
            modal->close();
            return;
        }
        if (user.isNull()) {
            ModalHelper::pressButton(login, u"取消"_s);
            return;
        }
        login->UserNameEdit()->setText(user);
        login->PasswordEdit()->setText(password);
        ModalHelper::pressButton(login, u"确定"_s);
        if (login->isVisible()) // the login failed: do not leave the test hanging
            ModalHelper::pressButton(login, u"取消"_s);
    });
}

void TestMainFrame::registerWindows(TMainFrm &main)
{
    main.RegisterJobWindow(JobKind::Export, [this](JobTabs *tabs) -> JobWindow * {
        if (!m_failWith.isEmpty())
            throw KorvanError(m_failWith);
        m_export = new TestJobWindow(tabs, u"出口业务"_s, u"出口业务_"_s, JobTabs::ExportIcon);
        return m_export;
    });
    main.RegisterJobWindow(JobKind::Import, [this](JobTabs *tabs) -> JobWindow * {
        m_import = new TestJobWindow(tabs, u"进口业务"_s, u"进口业务_"_s, JobTabs::ImportIcon);
        return m_import;
    });
    main.RegisterQueryWindow([this](JobTabs *tabs) {
        m_query = new TestQueryWindow(tabs);
        return m_query.data();
    });
}

std::unique_ptr<TMainFrm> TestMainFrame::loggedIn(const QString &user, const QString &password)
{
    auto main = std::make_unique<TMainFrm>();
    registerWindows(*main);
    answerLogin(user, password);
    main->show();
    // The login runs from the message the window posts to itself when shown.
    if (!QTest::qWaitFor([&] { return main->Tabs()->count() == 1 || !main->isVisible(); }, 10000))
        qWarning("the login did not finish");
    return main;
}

void TestMainFrame::menuBar()
{
    TMainFrm main;
    QCOMPARE(main.windowTitle(), u"Korvan货运平台"_s);
    QCOMPARE(captionsOf(main.menuBar()->actions()),
             (QStringList{u"系统管理"_s, u"海运出口"_s, u"海运进口"_s, u"查询统计"_s, u"财务核算"_s, u"档案管理"_s,
                          u"运价管理"_s, u"帮助"_s}));
    const QList<std::pair<Menu, QStringList>> items = {
        {Menu::System, {u"重新登录"_s, u"修改密码"_s, u"最近业务"_s, u"退出系统"_s}},
        {Menu::Export, {u"打开业务"_s, u"新建业务"_s, u"另存为..."_s, u"车队分配"_s, u"仓库分配"_s, u"拼箱处理"_s}},
        {Menu::Import, {u"打开业务"_s, u"新建业务"_s, u"另存为..."_s}},
        {Menu::Query, {u"业务查询"_s, u"箱量统计"_s}},
        {Menu::Finance, {u"打开业务"_s, u"对帐单"_s, u"佣金核算"_s, u"主营业务收支"_s, u"应收应付帐款"_s}},
        {Menu::Archive, {u"部门管理"_s, u"职员管理"_s, u"单位管理"_s, u"港口管理"_s}},
        {Menu::Freight, {u"运价查询"_s, u"运价管理"_s, u"批量更新"_s}},
        {Menu::Help, {u"主题"_s, u"关于"_s}},
    };
    for (const auto &[menu, captions] : items)
        QCOMPARE(captionsOf(main.MenuOf(menu)->actions()), captions);
    QMenu *warehouse = main.MenuOf(Menu::Export)->actions().at(4)->menu();
    QVERIFY(warehouse);
    QCOMPARE(captionsOf(warehouse->actions()), (QStringList{u"内装箱"_s, u"拼箱"_s}));
    QCOMPARE(withoutAccelerator(main.Action(Item::ExportLcl)->text()), u"拼箱"_s);
    QCOMPARE(withoutAccelerator(main.Action(Item::ExportInnerLoading)->text()), u"内装箱"_s);
    // Before anyone logged in, the menus behind a right are closed.
    for (Menu m : {Menu::Export, Menu::Import, Menu::Finance, Menu::Freight})
        QVERIFY(!main.MenuOf(m)->menuAction()->isEnabled());
}

// Every menu and item has an accelerator, none twice in one menu, and the
// menu bar uses none that a page inside the window uses (打印(&P) of the
// lists, 新增箱数(&N) of the job windows).
void TestMainFrame::menuAccelerators()
{
    TMainFrm main;
    QList<QList<QAction *>> menus{main.menuBar()->actions()};
    for (QAction *top : main.menuBar()->actions()) {
        menus.append(top->menu()->actions());
        for (QAction *item : top->menu()->actions()) {
            if (item->menu())
                menus.append(item->menu()->actions());
        }
    }
    for (const QList<QAction *> &actions : std::as_const(menus)) {
        const QString letters = acceleratorsOf(actions);
        QVERIFY2(!letters.contains(u'?'), qPrintable(captionsOf(actions).join(u' ')));
        for (const QChar c : letters)
            QVERIFY2(letters.count(c) == 1, qPrintable(letters));
    }
    const QString bar = acceleratorsOf(main.menuBar()->actions());
    QCOMPARE(bar.left(1), u"S"_s); // 系统管理(&S)
    QVERIFY(!bar.contains(u'P') && !bar.contains(u'N'));
}

void TestMainFrame::fixedItems()
{
    TMainFrm main;
    QVERIFY(!main.Action(Item::ExportSaveAs)->isVisible());
    QVERIFY(!main.Action(Item::ImportSaveAs)->isVisible());
    // Items whose window is not provided are there but disabled.
    for (Item item : {Item::ChangePassword, Item::ExportOpen, Item::ExportNew, Item::ExportTrucking, Item::FinanceOpen,
                      Item::ContainerStatistics, Item::Departments, Item::Ports, Item::HelpTopics, Item::About})
        QVERIFY(!main.Action(item)->isEnabled());
    // The window's own items work from the start.
    for (Item item : {Item::ReLogin, Item::Exit, Item::QueryJobs})
        QVERIFY(main.Action(item)->isEnabled());

    int calls = 0;
    for (Item item : {Item::RecentJobs, Item::FreightQuery, Item::FreightMaintain, Item::FreightBatchUpdate,
                      Item::ExportLclProcessing, Item::Departments, Item::About})
        main.WireMenu(item, [&calls] { ++calls; });
    // Always disabled, whatever is wired to them.
    for (Item item : {Item::RecentJobs, Item::FreightQuery, Item::FreightMaintain, Item::FreightBatchUpdate})
        QVERIFY(!main.Action(item)->isEnabled());
    // 拼箱处理 is connected but left for the export window to enable.
    QVERIFY(!main.Action(Item::ExportLclProcessing)->isEnabled());
    main.Action(Item::ExportLclProcessing)->setEnabled(true);
    main.Action(Item::ExportLclProcessing)->trigger();
    QCOMPARE(calls, 1);
    QVERIFY(main.Action(Item::Departments)->isEnabled());
    main.Action(Item::About)->trigger();
    QCOMPARE(calls, 2);

    // Registering the export window enables its 打开业务.
    registerWindows(main);
    QVERIFY(main.Action(Item::ExportOpen)->isEnabled());
    QVERIFY(main.Action(Item::ImportOpen)->isEnabled());
    QVERIFY(!main.Action(Item::FinanceOpen)->isEnabled());
}

void TestMainFrame::cancelledFirstLoginClosesWindow()
{
    RecordingMessageService messages;
    auto main = loggedIn(QString(), QString());
    QTRY_VERIFY(!main->isVisible());
    QCOMPARE(main->Tabs()->count(), 0);
    QVERIFY(!main->LoginForm()); // destroyed with the closing window
}

void TestMainFrame::loginOpensQueryPage()
{
    RecordingMessageService messages;
    auto main = loggedIn(u"boss"_s, u"b"_s);
    QVERIFY2(main->isVisible(), qPrintable(messages.lastText()));
    QCOMPARE(main->Tabs()->count(), 1);
    QCOMPARE(main->Tabs()->tabText(0), u"业务查询"_s);
    QVERIFY(!main->Tabs()->tabBar()->tabIcon(0).isNull());
    QCOMPARE(main->Tabs()->currentIndex(), 0);
    QVERIFY(m_query && m_query->isVisible());
    QCOMPARE(CommFunU::CurrentUser().StaffName, u"总经理甲"_s);
    TYWData *record = main->Tabs()->page(0);
    QVERIFY(record && !record->Window && record->MainText.isEmpty());
    // The login window stays for later re-logins.
    QVERIFY(main->LoginForm() && !main->LoginForm()->isVisible());
}

void TestMainFrame::rights_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QList<bool>>("enabled"); // 海运出口, 海运进口, 单位管理, 职员管理, 运价管理, 财务核算

    QTest::newRow("all rights") << u"boss"_s << u"b"_s << QList<bool>{true, true, true, true, true, true};
    QTest::newRow("export only") << u"op"_s << u"o"_s << QList<bool>{true, false, false, false, false, false};
    QTest::newRow("no rights") << u"none"_s << u"n"_s << QList<bool>{false, false, false, false, false, false};
    // "1 " is not "1".
    QTest::newRow("rights with a blank") << u"blank"_s << u"x"_s
                                         << QList<bool>{false, false, false, false, false, false};
    QTest::newRow("units and freight") << u"units"_s << u"u"_s
                                       << QList<bool>{false, false, true, false, true, false};
}

void TestMainFrame::rights()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QList<bool>, enabled);

    RecordingMessageService messages;
    auto main = std::make_unique<TMainFrm>();
    registerWindows(*main);
    main->WireMenu(Item::Units, [] {});
    main->WireMenu(Item::Staff, [] {});
    answerLogin(user, password);
    QCOMPARE(main->Perform(TMainFrm::LoginMessage), 1);
    const QList<bool> actual{main->MenuOf(Menu::Export)->menuAction()->isEnabled(),
                             main->MenuOf(Menu::Import)->menuAction()->isEnabled(),
                             main->Action(Item::Units)->isEnabled(),
                             main->Action(Item::Staff)->isEnabled(),
                             main->MenuOf(Menu::Freight)->menuAction()->isEnabled(),
                             main->MenuOf(Menu::Finance)->menuAction()->isEnabled()};
    QCOMPARE(actual, enabled);
    // Menus without a right are always open.
    for (Menu m : {Menu::System, Menu::Query, Menu::Archive, Menu::Help})
        QVERIFY(main->MenuOf(m)->menuAction()->isEnabled());
}

void TestMainFrame::rightsAppliedAtEveryLogin()
{
    RecordingMessageService messages;
    auto main = loggedIn(u"boss"_s, u"b"_s);
    main->WireMenu(Item::Staff, [] {});
    QVERIFY(main->MenuOf(Menu::Finance)->menuAction()->isEnabled());
    QVERIFY(main->Action(Item::Staff)->isEnabled());
    answerLogin(u"op"_s, u"o"_s);
    main->ReLogin();
    QCOMPARE(CommFunU::CurrentUser().StaffName, u"操作员甲"_s);
    QVERIFY(!main->MenuOf(Menu::Finance)->menuAction()->isEnabled());
    QVERIFY(!main->Action(Item::Staff)->isEnabled());
    QVERIFY(main->MenuOf(Menu::Export)->menuAction()->isEnabled());
}

void TestMainFrame::newPagesAndSwitching()
{
    RecordingMessageService messages;
    auto main = loggedIn(u"boss"_s, u"b"_s);
    JobTabs *tabs = main->Tabs();

    main->Action(Item::ExportOpen)->trigger(); // 海运出口 > 打开业务
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(tabs->tabText(1), u"出口业务"_s);
    QCOMPARE(tabs->currentIndex(), 1);
    QVERIFY(m_export && m_export->isVisible());
    QVERIFY(!m_query->isVisible());
    QCOMPARE(tabs->page(1)->Window, static_cast<JobWindow *>(m_export.data()));
    QCOMPARE(tabs->tabBar()->tabIcon(1).pixmap(16).toImage(), JobTabs::icon(JobTabs::ExportIcon).pixmap(16).toImage());
    QVERIFY(tabs->tabBar()->tabIcon(1).pixmap(16).toImage() != JobTabs::icon(JobTabs::QueryIcon).pixmap(16).toImage());

    m_export->number->setText(u"A1"_s);
    m_export->pageIndex = 2;
    QCOMPARE(main->Perform(TMainFrm::NewExportPage), 1);
    QCOMPARE(tabs->count(), 3);
    QCOMPARE(tabs->currentIndex(), 2);
    // The page left behind was snapshotted, and the window is empty again.
    QCOMPARE(tabs->page(1)->MainText, u"A1"_s);
    QCOMPARE(tabs->page(1)->PageIndex, 2);
    QVERIFY(m_export->number->text().isEmpty());
    QCOMPARE(m_export->pageIndex, 0);
    m_export->number->setText(u"B2"_s);

    // The user picks tab 1: tab 2 is saved, tab 1 restored.
    tabs->tabBar()->setCurrentIndex(1);
    QCOMPARE(tabs->currentIndex(), 1);
    QCOMPARE(m_export->number->text(), u"A1"_s);
    QCOMPARE(m_export->pageIndex, 2);
    QCOMPARE(tabs->page(2)->MainText, u"B2"_s);

    // Leaving for the query page and coming back shows the page as it was left.
    m_export->number->setText(u"A1 edited"_s);
    const int entered = m_query->entered;
    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(0).center());
    QCOMPARE(tabs->currentIndex(), 0);
    QCOMPARE(m_query->entered, entered + 1);
    QVERIFY(m_query->isVisible());
    QVERIFY(!m_export->isVisible());
    m_export->number->setText(u"scribbled while hidden"_s);
    tabs->tabBar()->setCurrentIndex(1);
    QCOMPARE(m_export->number->text(), u"A1 edited"_s);
    QVERIFY(m_export->isVisible());
    QVERIFY(!m_query->isVisible());

    // An import page beside them: its own window, its own icon.
    QCOMPARE(main->Perform(TMainFrm::NewImportPage), 1);
    QCOMPARE(tabs->tabText(3), u"进口业务"_s);
    QVERIFY(m_import && m_import->isVisible() && !m_export->isVisible());
    QCOMPARE(tabs->page(1)->MainText, u"A1 edited"_s);
    tabs->tabBar()->setCurrentIndex(2);
    QCOMPARE(m_export->number->text(), u"B2"_s);
    QVERIFY(!m_import->isVisible());
}

void TestMainFrame::leavingRefused()
{
    RecordingMessageService messages;
    auto main = loggedIn(u"boss"_s, u"b"_s);
    JobTabs *tabs = main->Tabs();
    QCOMPARE(main->Perform(TMainFrm::NewExportPage), 1);
    m_export->number->setText(u"half done"_s);
    m_export->mayLeave = false;
    const int restores = m_export->restores;
    tabs->tabBar()->setCurrentIndex(0);
    QCOMPARE(tabs->currentIndex(), 1);
    QCOMPARE(tabs->tabBar()->currentIndex(), 1);
    QVERIFY(m_export->isVisible());
    QCOMPARE(m_export->restores, restores);
    m_export->mayLeave = true;
    tabs->tabBar()->setCurrentIndex(0);
    QCOMPARE(tabs->currentIndex(), 0);
}

void TestMainFrame::openJobByNumber()
{
    RecordingMessageService messages;
    auto main = loggedIn(u"boss"_s, u"b"_s);
    JobTabs *tabs = main->Tabs();

    QVERIFY(CommFunU::OpenExportJob(u"EX001"_s));
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(tabs->tabText(1), u"出口业务_EX001"_s);
    QCOMPARE(m_export->loads, 1);
    QVERIFY(CommFunU::OpenImportJob(u"IM001"_s));
    QCOMPARE(tabs->tabText(2), u"进口业务_IM001"_s);
    QVERIFY(CommFunU::OpenExportJob(u"EX002"_s));
    QCOMPARE(tabs->tabText(3), u"出口业务_EX002"_s);
    m_export->number->setText(u"EX002 edited"_s);

    // Already open: switch to its tab, load nothing, snapshot the page left.
    QVERIFY(CommFunU::OpenExportJob(u"EX001"_s));
    QCOMPARE(tabs->currentIndex(), 1);
    QCOMPARE(m_export->loads, 2); // EX001 and EX002, not again
    QCOMPARE(m_export->number->text(), u"EX001"_s);
    QCOMPARE(tabs->page(3)->MainText, u"EX002 edited"_s);
    QCOMPARE(tabs->count(), 4);

    // The same number as an import job is another tab.
    QVERIFY(CommFunU::OpenImportJob(u"EX001"_s));
    QCOMPARE(tabs->count(), 5);
    QCOMPARE(tabs->tabText(4), u"进口业务_EX001"_s);

    // A job that is not found leaves its new, empty page open.
    QVERIFY(!CommFunU::OpenExportJob(u"missing"_s));
    QCOMPARE(tabs->count(), 6);
    QCOMPARE(tabs->tabText(5), u"出口业务"_s);
}

void TestMainFrame::closingPages()
{
    RecordingMessageService messages;
    auto main = loggedIn(u"boss"_s, u"b"_s);
    JobTabs *tabs = main->Tabs();

    // The query page cannot be closed.
    main->Perform(TMainFrm::ClosePageMessage);
    QCOMPARE(tabs->count(), 1);

    QVERIFY(CommFunU::OpenExportJob(u"E1"_s));
    QVERIFY(CommFunU::OpenImportJob(u"I1"_s));
    QVERIFY(CommFunU::OpenExportJob(u"E2"_s));
    m_export->number->setText(u"E2 edited"_s);
    tabs->tabBar()->setCurrentIndex(1); // E1
    QCOMPARE(m_export->number->text(), u"E1"_s);

    // Closing E1 selects the last tab (E2) and restores it.
    main->Perform(TMainFrm::ClosePageMessage);
    QCOMPARE(tabs->count(), 3);
    QCOMPARE(tabs->currentIndex(), 2);
    QCOMPARE(tabs->tabText(2), u"出口业务_E2"_s);
    QCOMPARE(m_export->number->text(), u"E2 edited"_s);
    QVERIFY(m_export->isVisible());
    // Page records stay parallel to the tabs.
    QCOMPARE(tabs->page(1)->Window, static_cast<JobWindow *>(m_import.data()));
    QCOMPARE(tabs->page(2)->Window, static_cast<JobWindow *>(m_export.data()));

    main->Perform(TMainFrm::ClosePageMessage); // E2: the import page is last now
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(tabs->currentIndex(), 1);
    QVERIFY(m_import->isVisible());
    QVERIFY(!m_export->isVisible());

    // Closing the only job page leaves tab 0 selected.
    main->Perform(TMainFrm::ClosePageMessage);
    QCOMPARE(tabs->count(), 1);
    QCOMPARE(tabs->currentIndex(), 0);
    QVERIFY(m_query->isVisible());
    QVERIFY(!m_import->isVisible());
    QVERIFY(!tabs->page(1));
}

void TestMainFrame::messagesSentAndPosted()
{
    RecordingMessageService messages;
    auto main = loggedIn(u"boss"_s, u"b"_s);
    JobTabs *tabs = main->Tabs();

    // Sent as an event, the result comes back in the message.
    MainMessage open(TMainFrm::NewExportPage);
    QCoreApplication::sendEvent(main.get(), &open);
    QCOMPARE(open.result, 1);
    QCOMPARE(tabs->count(), 2);

    // Posted, it runs once the event loop gets to it.
    main->Post(TMainFrm::NewImportPage);
    QCOMPARE(tabs->count(), 2);
    QTRY_COMPARE(tabs->count(), 3);
    main->Post(TMainFrm::ClosePageMessage);
    QTRY_COMPARE(tabs->count(), 2);

    // Without a finance window 0x503 fails and says why.
    QCOMPARE(main->Perform(TMainFrm::NewFinancePage), 0);
    QVERIFY(messages.lastText().startsWith(u"出错: \r"_s));
    QCOMPARE(tabs->count(), 2);
}

void TestMainFrame::windowCreationFailure_data()
{
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("message");

    QTest::newRow("win32 error") << u"Win32 Error. Code: 8"_s
                                 << u"出错，可能内存不足!,请关闭其他部分程序！\rWin32 Error. Code: 8"_s;
    QTest::newRow("upper case") << u"WIN32 failure"_s << u"出错，可能内存不足!,请关闭其他部分程序！\rWIN32 failure"_s;
    QTest::newRow("other error") << u"控件创建失败"_s << u"出错: \r控件创建失败"_s;
}

void TestMainFrame::windowCreationFailure()
{
    QFETCH(QString, error);
    QFETCH(QString, message);

    RecordingMessageService messages;
    auto main = loggedIn(u"boss"_s, u"b"_s);
    messages.clear();
    m_failWith = error;
    QCOMPARE(main->Perform(TMainFrm::NewExportPage), 0);
    QCOMPARE(messages.messages.size(), 1);
    QCOMPARE(messages.lastText(), message);
    QCOMPARE(main->Tabs()->count(), 1);
    QVERIFY(!CommFunU::OpenExportJob(u"E1"_s));
    // Once the window can be made, the page opens.
    m_failWith.clear();
    QVERIFY(CommFunU::OpenExportJob(u"E1"_s));
    QCOMPARE(main->Tabs()->count(), 2);
}

void TestMainFrame::reLoginCancelledKeepsPages()
{
    RecordingMessageService messages;
    auto main = loggedIn(u"boss"_s, u"b"_s);
    JobTabs *tabs = main->Tabs();
    QVERIFY(CommFunU::OpenExportJob(u"E1"_s));
    QVERIFY(CommFunU::OpenImportJob(u"I1"_s));
    QPointer<TestJobWindow> exportWindow = m_export;

    answerLogin(QString(), QString()); // 取消
    main->ReLogin();
    QVERIFY(main->isVisible());
    QCOMPARE(tabs->count(), 3);
    QCOMPARE(tabs->tabText(1), u"出口业务_E1"_s);
    QCOMPARE(tabs->currentIndex(), 2);
    QVERIFY(exportWindow);
    QCOMPARE(CommFunU::CurrentUser().StaffName, u"总经理甲"_s);
    QVERIFY(main->MenuOf(Menu::Finance)->menuAction()->isEnabled());

    // A failed attempt (wrong password, then 取消) changes nothing either.
    answerLogin(u"op"_s, u"wrong"_s);
    main->ReLogin();
    QCOMPARE(messages.lastText(), u"密码不正确!"_s);
    QCOMPARE(tabs->count(), 3);
    QCOMPARE(CommFunU::CurrentUser().UserName, u"boss"_s);
}

void TestMainFrame::reLoginCompletedClosesPages()
{
    RecordingMessageService messages;
    auto main = loggedIn(u"boss"_s, u"b"_s);
    JobTabs *tabs = main->Tabs();
    QVERIFY(CommFunU::OpenExportJob(u"E1"_s));
    m_export->number->setText(u"unsaved"_s);
    QPointer<TestJobWindow> exportWindow = m_export;
    QPointer<TestQueryWindow> queryWindow = m_query;

    answerLogin(u"op"_s, u"o"_s);
    main->ReLogin();
    QCOMPARE(CommFunU::CurrentUser().UserName, u"op"_s);
    QCOMPARE(tabs->count(), 1);
    QCOMPARE(tabs->tabText(0), u"业务查询"_s);
    QVERIFY(!exportWindow);            // destroyed without asking
    QVERIFY(!queryWindow);             // and the query window made anew
    QVERIFY(m_query && m_query->isVisible());
    QVERIFY(messages.messages.isEmpty());
    QVERIFY(CommFunU::OpenExportJob(u"E1"_s));
    QVERIFY(m_export->number->text() == u"E1"_s);
}

void TestMainFrame::exitReleasesConnection()
{
    RecordingMessageService messages;
    auto main = loggedIn(u"boss"_s, u"b"_s);
    QVERIFY(CommFunU::OpenExportJob(u"E1"_s));
    QVERIFY(CommFunU::GetAppServer().isConnected());
    main->Action(Item::Exit)->trigger();
    QVERIFY(!main->isVisible());
    QCOMPARE(main->Tabs()->count(), 0);
    QVERIFY(!main->LoginForm());
    QVERIFY(!m_query);
    QVERIFY(messages.messages.isEmpty()); // nothing asked about the unsaved page
    QVERIFY_THROWS_EXCEPTION(KorvanError, CommFunU::GetAppServer());
}

int main(int argc, char **argv)
{
    KorvanApplication app(argc, argv);
    TestMainFrame test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainframe.moc"
