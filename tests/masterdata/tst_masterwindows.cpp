// The staff, units and ports windows on a real server: what each stores,
// what the lists show, and the rights a user may grant.
#include "boundform.h"
#include "currentuser.h"
#include "passwords.h"
#include "queryhelpers.h"
#include "recordingmessageservice.h"
#include "serverconnection.h"
#include "stafftable.h"
#include "stringgrid.h"
#include "tagbinding.h"
#include "testserver.h"

#include <QScopeGuard>
#include "tgangkouglfrm.h"
#include "tkehufrm.h"
#include "trenyuanglfrm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

using namespace Qt::StringLiterals;
using CommFunU::CurrentUser;

class TestMasterWindows : public QObject
{
    Q_OBJECT

    TestServer server;
    std::unique_ptr<ServerConnection> db;
    RecordingMessageService messages;

    void exec(const QString &sql) { QVERIFY2(!db->execSql(sql, QString()).startsWith(u"Err"_s), qPrintable(sql)); }

    // The rows of a query, each as its values joined by '/'.
    QStringList rows(const QString &sql)
    {
        QStringList out;
        for (const QStringList &row : ResultReader::fromAnswer(db->openQuery(sql, QString(), 0)).rows())
            out << row.join(u'/');
        return out;
    }

    QString staff(const QString &user, const QString &expression = u"密码"_s)
    {
        // A stored password is read from the file: no session reads one back.
        if (expression == u"密码"_s)
            return server.valueDirect(u"select 密码 from 职员 where 用户名='"_s + user + u'\'');
        return rows(u"select "_s + expression + u" from 职员 where 用户名='"_s + user + u'\'').value(0);
    }
    QString rightsOf(const QString &user) { return staff(user, u"权限1||权限2||权限3||权限4||权限5||权限6||权限7||权限8"_s); }

    template <class Window> std::unique_ptr<Window> open()
    {
        auto window = std::make_unique<Window>();
        window->show();
        QCoreApplication::processEvents(); // the list loads once the window is shown
        return window;
    }

    static int rowOf(const StringGrid *grid, int column, const QString &text)
    {
        for (int r = 1; r < grid->rowCount(); ++r)
            if (grid->cell(r, column) == text)
                return r;
        return -1;
    }

    static QString checks(MasterDataWindow &window)
    {
        QString out;
        for (int tag = 210; tag <= 280; tag += 10)
            out += window.form()->check(tag)->isChecked() ? u'1' : u'0';
        return out;
    }

    static void loginAs(const QString &user, const QString &position, const char *rights)
    {
        CurrentUser() = {user, {}, {}, {}, position, {}, {}, {}};
        for (size_t i = 0; i < 8; ++i)
            CurrentUser().Rights[i] = QString(QLatin1Char(rights[i]));
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(server.start(), qPrintable(server.errorText()));
        db = server.connect();
        CommFunU::SetAppServerProvider([this]() -> ServerConnection & { return *db; });
    }

    void init()
    {
        messages.clear();
        loginAs(u"gm"_s, u"总经理"_s, "11111111");
        fillStaffTable(*db, {
            {u"gm"_s, u"gmpw"_s, u"王总"_s, u"总经理室"_s, u"总经理"_s, u"8000"_s, {}, ::rightsOf("11111111")},
            {u"mgr"_s, u"mgrpw"_s, u"李经理"_s, u"海运出口部"_s, u"部门经理"_s, u"8001"_s, {}, ::rightsOf("11111101")},
            // No name and no position: listed first, with a blank first cell.
            {u"anon"_s, u"anonpw"_s, QString(), QString(), QString(), {}, {}, ::rightsOf("10000000")},
            {u"zhang1"_s, u"pw-one"_s, u"张三"_s, u"海运出口部"_s, u"操作员"_s, u"8002"_s, {}, ::rightsOf("11000000")},
            {u"zhang2"_s, u"pw-two"_s, u"张三"_s, u"海运进口部"_s, u"操作员"_s, u"8003"_s, {}, ::rightsOf("11000000")},
        });
        exec(u"delete from 部门; delete from 单位; delete from 港口; insert into 部门 values "
             u"('海运出口部', '', '', '021-1111', ''), ('海运进口部', '', '', '021-2222', '')"_s);
    }

    void boundControlsMatchTheTables()
    {
        TRenYuanGLFrm staff;
        TkehuFrm units;
        TGangKouGLFrm ports;
        QCOMPARE(CommFunU::CheckBoundRange(&staff, 10, 280, u"职员"_s), QString());
        QCOMPARE(CommFunU::CheckBoundRange(&units, 10, 210, u"单位"_s), QString());
        QCOMPARE(CommFunU::CheckBoundRange(&ports, 10, 200, u"港口"_s), QString());
    }

    // --- staff -----------------------------------------------------------

    void staffListHidesPasswordsAndDeletesByUserName()
    {
        auto window = open<TRenYuanGLFrm>();
        StringGrid *grid = window->grid();
        QCOMPARE(grid->cell(1, 1), u"anon"_s); // the blank first cell comes first
        for (int r = 1; r < grid->rowCount(); ++r)
            QCOMPARE(grid->cell(r, 2), u"********"_s);

        // Two staff named 张三: deleting one keeps the other and its login.
        grid->setCurrentCell(rowOf(grid, 1, u"zhang1"_s), 0);
        messages.answers = {MessageService::Yes};
        window->removeSelected();
        QCOMPARE(rows(u"select 用户名 from 职员 where 职员姓名='张三'"_s), QStringList{u"zhang2"_s});
        // A loaded row shows the mask, whatever the password; saved so, the
        // row keeps its own password.
        window->editRow(rowOf(grid, 1, u"zhang2"_s));
        QCOMPARE(window->form()->edit(30)->text(), u"********"_s);
        window->form()->edit(100)->setText(u"8123"_s);
        window->save();
        QCOMPARE(messages.lastText(), u"修改成功!"_s);
        QCOMPARE(staff(u"zhang2"_s), u"pw-two"_s);
        QCOMPARE(staff(u"zhang2"_s, u"分机号码"_s), u"8123"_s);
    }

    void staffPasswordsAreStoredAsDigests()
    {
        auto window = open<TRenYuanGLFrm>();
        window->addNew();
        window->form()->edit(10)->setText(u"新人"_s);
        window->form()->edit(20)->setText(u"newbie"_s);
        window->form()->edit(30)->setText(u"a'b:c"_s);
        window->form()->combo(90)->setCurrentText(u"业务员"_s);
        window->save();
        QCOMPARE(messages.lastText(), u"保存成功!"_s);
        const QString stored = staff(u"newbie"_s);
        QVERIFY(CommFunU::IsPasswordDigest(stored));
        QVERIFY(CommFunU::PasswordMatches(stored, u"a'b:c"_s));
        QCOMPARE(rightsOf(u"newbie"_s), u"11000000"_s);

        // Saved unchanged, the digest is kept as it is, not digested again.
        window->editRow(rowOf(window->grid(), 1, u"newbie"_s));
        window->save();
        QCOMPARE(messages.lastText(), u"修改成功!"_s);
        QCOMPARE(staff(u"newbie"_s), stored);

    }

    void failedSaveShowsNoPassword()
    {
        auto window = open<TRenYuanGLFrm>();
        window->form()->edit(10)->setText(u"重名"_s);
        window->form()->edit(20)->setText(u"mgr"_s); // taken
        window->form()->edit(30)->setText(u"Sekr3t!"_s);
        window->save();
        const QString text = messages.lastText();
        QVERIFY2(text.startsWith(u"出错: \rinsert into 职员"_s) && text.contains(u"'********'"_s), qPrintable(text));
        QVERIFY(!text.contains(u"Sekr3t!"_s) && !text.contains(u"pbkdf2"_s));
        QVERIFY(!server.log().contains(u"Sekr3t!"_s));
        QCOMPARE(staff(u"mgr"_s), u"mgrpw"_s);
    }

    void presetsFollowTheUsersChangesOnly()
    {
        exec(u"update 职员 set 权限2='0', 权限3='0' where 用户名='mgr'"_s); // ticked off by hand
        auto window = open<TRenYuanGLFrm>();
        window->editRow(rowOf(window->grid(), 1, u"mgr"_s));
        QCOMPARE(checks(*window), u"10011101"_s); // loading presets nothing
        QCOMPARE(window->form()->edit(100)->text(), u"8001"_s);
        window->form()->combo(80)->setCurrentText(u"海运进口部"_s);
        QCOMPARE(checks(*window), u"11111101"_s);
        QCOMPARE(window->form()->edit(100)->text(), u"021-2222"_s);
    }

    void managerGrantsOnlyHisOwnRights()
    {
        // The window talks to the server as the manager himself, so the
        // server's rank rules stand behind the window's.
        loginAs(u"MGR"_s, u"部门经理"_s, "11111101");
        auto manager = server.connectAs(u"mgr"_s, u"mgrpw"_s);
        CommFunU::SetAppServerProvider([&manager]() -> ServerConnection & { return *manager; });
        const auto back = qScopeGuard([this] { CommFunU::SetAppServerProvider([this]() -> ServerConnection & { return *db; }); });
        exec(u"update 职员 set 权限7='1' where 用户名='zhang2'"_s);
        auto window = open<TRenYuanGLFrm>();
        QCheckBox *finance = window->form()->check(270);

        // A new row: 财务核算 cannot be ticked, not even by the 总经理 preset.
        QVERIFY(!finance->isEnabled());
        window->form()->edit(10)->setText(u"新人"_s);
        window->form()->edit(20)->setText(u"newbie"_s);
        window->form()->combo(90)->setCurrentText(u"总经理"_s);
        QCOMPARE(checks(*window), u"11111101"_s);
        window->save();
        QCOMPARE(messages.lastText(), u"只有总经理才能任命总经理!"_s);
        window->form()->combo(90)->setCurrentText(u"操作员"_s);
        finance->setChecked(true); // past the disabled box
        window->save();
        QCOMPARE(messages.lastText(), u"不能授予您自己没有的权限: 财务核算"_s);
        QVERIFY(rows(u"select 用户名 from 职员 where 用户名='newbie'"_s).isEmpty());

        // A right the row already has stays.
        window->editRow(rowOf(window->grid(), 1, u"zhang2"_s));
        QVERIFY(finance->isChecked() && !finance->isEnabled());
        window->form()->edit(110)->setText(u"8099"_s);
        window->save();
        QCOMPARE(messages.lastText(), u"修改成功!"_s);
        QCOMPARE(rightsOf(u"zhang2"_s), u"11000010"_s);
        QCOMPARE(staff(u"zhang2"_s), u"pw-two"_s);

        // The 总经理's row is not his to change, nor to delete; nor is his
        // password (the server refuses it too).
        window->editRow(rowOf(window->grid(), 1, u"gm"_s));
        window->form()->edit(30)->setText(u"taken-over"_s);
        window->save();
        QCOMPARE(messages.lastText(), u"只有总经理才能修改总经理的资料!"_s);
        window->grid()->setCurrentCell(rowOf(window->grid(), 1, u"gm"_s), 0);
        messages.answers = {MessageService::Yes};
        window->removeSelected();
        QCOMPARE(messages.lastText(), u"只有总经理才能修改总经理的资料!"_s);
        QCOMPARE(staff(u"gm"_s), u"gmpw"_s);
        QVERIFY(manager->execSql(u"update 职员 set 密码='x' where 用户名='gm'"_s, {})
                    .startsWith(u"Err无权限: 只有总经理可以修改总经理的资料"_s));

        // His own row (the login name in another case): no rights, no position.
        window->editRow(rowOf(window->grid(), 1, u"mgr"_s));
        QVERIFY(!window->form()->check(220)->isEnabled() && !window->form()->combo(90)->isEnabled());
        window->form()->combo(80)->setCurrentText(u"海运进口部"_s);
        window->form()->check(260)->setChecked(false);
        window->save();
        QCOMPARE(messages.lastText(), u"不能修改自己的权限和职位!"_s);
        QCOMPARE(rightsOf(u"mgr"_s), u"11111101"_s);
    }

    // --- every window ------------------------------------------------------

    void refusedEditKeepsTheOldRow_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("check"); // the row, read back
        QTest::newRow("staff") << u"职员"_s << u"select 分机号码 from 职员 where 用户名='zhang2'"_s;
        QTest::newRow("units") << u"单位"_s << u"select 电话 from 单位 where 缩写代码='ABC'"_s;
        QTest::newRow("ports") << u"港口"_s << u"select 港口名称 from 港口 where 港口编号=1"_s;
    }
    void refusedEditKeepsTheOldRow()
    {
        QFETCH(QString, table);
        QFETCH(QString, check);
        exec(u"insert into 单位 (缩写代码, 简称, 电话, 业务员) values ('ABC', 'A', '8003', '张三'); "
             u"insert into 港口 values (1, 'R', 'C', '8003')"_s);
        QCOMPARE(server.execDirect(u"create trigger refuse before insert on "_s + table
                                   + u" begin select raise(abort, 'refused by test'); end"_s),
                 QString());
        std::unique_ptr<MasterDataWindow> window;
        if (table == u"港口"_s) {
            auto ports = open<TGangKouGLFrm>();
            ports->listAll();
            window = std::move(ports);
        } else {
            window = table == u"职员"_s ? std::unique_ptr<MasterDataWindow>(open<TRenYuanGLFrm>()) : open<TkehuFrm>();
        }
        window->editRow(table == u"职员"_s ? rowOf(window->grid(), 1, u"zhang2"_s) : 1);
        window->save();
        server.execDirect(u"drop trigger refuse"_s);
        QVERIFY2(messages.lastText().endsWith(u"\rrefused by test"_s), qPrintable(messages.lastText()));
        QCOMPARE(rows(check), QStringList{u"8003"_s});
    }

    // --- units -------------------------------------------------------------

    void unitsQueryQuotesTheCode()
    {
        exec(u"insert into 单位 (缩写代码, 简称) values ('OB''X', 'Z'), ('ABC', 'Y')"_s);
        auto window = open<TkehuFrm>();
        window->form()->edit(10)->setText(u"B'X"_s);
        window->query();
        QCOMPARE(window->grid()->rowCount(), 2);
        QCOMPARE(window->grid()->cell(1, 0), u"OB'X"_s);
        window->form()->edit(10)->clear();
        window->query(); // every unit, by short name
        QCOMPARE(window->grid()->cell(1, 0), u"ABC"_s);
        QCOMPARE(window->grid()->cell(2, 0), u"OB'X"_s);
    }

    void bookingPartyAndShippingLineMoveTogether()
    {
        exec(u"insert into 单位 (缩写代码, 简称, 订舱单位, 船公司) values ('ABC', 'A', '1', '0')"_s);
        auto window = open<TkehuFrm>();
        QCheckBox *booking = window->form()->check(140);
        QCheckBox *carrier = window->form()->check(180);
        window->editRow(1); // loading moves neither
        QVERIFY(booking->isChecked() && !carrier->isChecked());
        carrier->click();
        QVERIFY(booking->isChecked() && carrier->isChecked());
        booking->click();
        QVERIFY(!booking->isChecked() && !carrier->isChecked());
    }

    void salesmanListFilledOnFirstDropDown()
    {
        exec(u"delete from 职员 where 用户名='anon'"_s);
        auto window = open<TkehuFrm>();
        QComboBox *salesman = window->form()->combo(120);
        QCOMPARE(salesman->count(), 0);
        salesman->setEditText(u"typed"_s);
        salesman->showPopup();
        salesman->hidePopup();
        QCOMPARE(salesman->count(), 4);
        QVERIFY(salesman->findText(u"李经理"_s) >= 0);
        QCOMPARE(salesman->currentText(), u"typed"_s); // filling changed nothing typed
    }

    // --- ports -------------------------------------------------------------

    void newPortNumberIsOneAboveTheHighest()
    {
        auto window = open<TGangKouGLFrm>();
        window->addNew();
        QCOMPARE(window->form()->edit(10)->text(), u"1"_s);
        QVERIFY(!window->form()->edit(10)->isEnabled());
        for (int n = 1; n <= 7; ++n)
            exec(u"insert into 港口 values (%1, 'R', 'C', 'P%1')"_s.arg(n));
        window->addNew();
        QCOMPARE(window->form()->edit(10)->text(), u"8"_s);
        window->form()->edit(40)->setText(u"P8"_s);
        window->save();
        window->listAll();
        window->grid()->setCurrentCell(rowOf(window->grid(), 0, u"8"_s), 0);
        messages.answers = {MessageService::Yes};
        window->removeSelected();
        window->addNew();
        QCOMPARE(window->form()->edit(10)->text(), u"8"_s);
    }

    void routesWithApostrophes()
    {
        exec(u"insert into 港口 values (1, 'WEST AFRICA', 'COTE D''IVOIRE', 'ABIDJAN'), "
             u"(2, '', 'X', 'NOWHERE'), (3, 'WEST AFRICA', 'GHANA', 'TEMA'), (4, 'O''HARE LINE', 'USA', 'CHICAGO'), "
             u"(5, 'ASIA', 'JAPAN', 'KOBE')"_s);
        auto window = open<TGangKouGLFrm>();
        QComboBox *route = window->form()->combo(20);
        QComboBox *country = window->form()->combo(30);
        // A port without a route does not end the route list (the empty
        // route may well come first). The middle route is no list's first.
        QCOMPARE(route->count(), 3);
        QVERIFY(route->findText(u"O'HARE LINE"_s) >= 0 && route->findText(u"WEST AFRICA"_s) >= 0);
        QCOMPARE(route->currentText(), route->itemText(0));

        route->setCurrentText(u"WEST AFRICA"_s);
        window->chooseRoute();
        QCOMPARE(country->count(), 2);
        QCOMPARE(country->itemText(0), u"COTE D'IVOIRE"_s);
        QCOMPARE(window->grid()->rowCount(), 3); // the route's two ports
        country->setCurrentText(u"COTE D'IVOIRE"_s);
        window->query();
        QCOMPARE(window->grid()->rowCells(1), (QStringList{u"1"_s, u"WEST AFRICA"_s, u"COTE D'IVOIRE"_s, u"ABIDJAN"_s}));

        window->addNew();
        route->setCurrentText(u"O'HARE LINE"_s);
        country->setCurrentText(u"USA"_s);
        window->form()->edit(40)->setText(u"O'BRIEN FIELD"_s);
        window->save();
        QCOMPARE(messages.lastText(), u"保存成功!"_s);
        QCOMPARE(route->currentText(), u"O'HARE LINE"_s); // kept, not the first route
        QVERIFY(rowOf(window->grid(), 3, u"O'BRIEN FIELD"_s) > 0);
        window->save(); // a second save keeps the port on its route
        QCOMPARE(messages.lastText(), u"修改成功!"_s);
        QCOMPARE(rows(u"select 航线名称 from 港口 where 港口编号=6"_s), QStringList{u"O'HARE LINE"_s});
    }
};

QTEST_MAIN(TestMasterWindows)
#include "tst_masterwindows.moc"
