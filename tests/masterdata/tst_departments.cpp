// The departments window, and with it the master-data pattern, on a real server.
#include "boundform.h"
#include "korvanerror.h"
#include "queryhelpers.h"
#include "recordingmessageservice.h"
#include "serverconnection.h"
#include "stringgrid.h"
#include "tagbinding.h"
#include "tbumengglfrm.h"
#include "testserver.h"

#include <QLineEdit>
#include <QScopeGuard>
#include <QTest>

using namespace Qt::StringLiterals;

class TestDepartments : public QObject
{
    Q_OBJECT

    TestServer server;
    std::unique_ptr<ServerConnection> db;
    RecordingMessageService messages;

    QString exec(const QString &sql)
    {
        return db->execSql(sql, QString());
    }

    QString departmentsInDatabase()
    {
        auto reader = ResultReader::fromAnswer(
            db->openQuery(u"select 部门名称, 部门经理 from 部门 order by 部门名称"_s, QString(), 0));
        QStringList out;
        for (const QStringList &row : reader.rows())
            out << row.join(u'/');
        return out.join(u", "_s);
    }

    std::unique_ptr<TBuMengGLFrm> openWindow()
    {
        auto window = std::make_unique<TBuMengGLFrm>();
        window->show();
        if (!QTest::qWaitFor([&] { return window->grid()->cell(0, 0) == u"部门名称"_s; }, 5000))
            qWarning("the list did not load");
        return window;
    }

    int rowOf(const StringGrid *grid, const QString &name)
    {
        for (int r = 1; r < grid->rowCount(); ++r) {
            if (grid->cell(r, 0) == name)
                return r;
        }
        return -1;
    }

    void type(TBuMengGLFrm &window, int tag, const QString &text)
    {
        window.form()->edit(tag)->setText(text);
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
        exec(u"delete from 部门"_s);
        exec(u"insert into 部门 values ('操作部', '李华', '总经理室', '021-63501001', '021-63501009')"_s);
        exec(u"insert into 部门 values ('财务部', '郑芳', '总经理室', '021-63501002', '')"_s);
    }

    void boundControlsMatchTheTable()
    {
        TBuMengGLFrm window;
        QCOMPARE(CommFunU::CheckBoundRange(&window, 10, 200, u"部门"_s), QString());
    }

    void listsTheTableWithColumnNames()
    {
        auto window = openWindow();
        const StringGrid *grid = window->grid();
        QCOMPARE(grid->rowCells(0), (QStringList{u"部门名称"_s, u"部门经理"_s, u"上级部门"_s, u"直线电话"_s, u"传真"_s}));
        QCOMPARE(grid->rowCount(), 3);
        QCOMPARE(grid->cell(1, 0), u"操作部"_s); // ordered by name
        QCOMPARE(grid->cell(2, 3), u"021-63501002"_s);
        QCOMPARE(window->mode(), MasterDataWindow::Mode::New);
        QVERIFY(window->form()->edit(20)->isEnabled());
    }

    void savesANewDepartment()
    {
        auto window = openWindow();
        type(*window, 20, u"O'Neil 海运部"_s);
        type(*window, 30, u"周强"_s);
        window->save();
        QCOMPARE(messages.lastText(), u"保存成功!"_s);
        QCOMPARE(window->mode(), MasterDataWindow::Mode::Editing);
        QVERIFY(!window->form()->edit(20)->isEnabled());
        QVERIFY(rowOf(window->grid(), u"O'Neil 海运部"_s) > 0); // the list reloaded
        QVERIFY(departmentsInDatabase().contains(u"O'Neil 海运部/周强"_s));
    }

    void emptyNameIsRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("empty") << QString();
        QTest::newRow("blanks") << u"   "_s;
    }
    void emptyNameIsRefused()
    {
        auto window = openWindow();
        QFETCH(QString, name);
        type(*window, 20, name);
        window->save();
        QCOMPARE(messages.lastText(), u"名称不能为空!"_s);
        QCOMPARE(departmentsInDatabase(), u"操作部/李华, 财务部/郑芳"_s);
    }

    void duplicateNameIsRefusedByTheDatabase()
    {
        auto window = openWindow();
        type(*window, 20, u"财务部"_s);
        type(*window, 30, u"别人"_s);
        window->save();
        const QString text = messages.lastText();
        QVERIFY2(text.startsWith(u"出错: \rinsert into 部门  values('财务部','别人',"_s), qPrintable(text));
        QVERIFY2(text.contains(u"\r"_s + u"duplicate"_s) || text.contains(u"duplicate"_s), qPrintable(text));
        QCOMPARE(window->mode(), MasterDataWindow::Mode::New);
        QCOMPARE(departmentsInDatabase(), u"操作部/李华, 财务部/郑芳"_s);
    }

    void editingReplacesTheRow()
    {
        auto window = openWindow();
        const int row = rowOf(window->grid(), u"财务部"_s);
        window->editRow(row);
        QCOMPARE(window->mode(), MasterDataWindow::Mode::Editing);
        QCOMPARE(window->form()->edit(50)->text(), u"021-63501002"_s);
        QVERIFY(!window->form()->edit(20)->isEnabled()); // the key cannot change
        type(*window, 30, u"黄燕"_s);
        window->save();
        QCOMPARE(messages.lastText(), u"修改成功!"_s);
        QCOMPARE(departmentsInDatabase(), u"操作部/李华, 财务部/黄燕"_s);
        QCOMPARE(window->grid()->rowCount(), 3);
    }

    void refusedInsertWhileEditingKeepsTheOldRow()
    {
        // Replacing is delete then insert: when the database refuses the
        // insert, the delete must not have cost the department.
        QCOMPARE(server.execDirect(u"create trigger refuse_test before insert on 部门 when new.部门经理='拒绝' "
                                   u"begin select raise(abort, 'refused by test'); end"_s),
                 QString());
        auto window = openWindow();
        window->editRow(rowOf(window->grid(), u"操作部"_s));
        type(*window, 30, u"拒绝"_s);
        window->save();
        server.execDirect(u"drop trigger refuse_test"_s);
        QVERIFY2(messages.lastText().startsWith(u"出错: \rinsert into 部门 "_s), qPrintable(messages.lastText()));
        QVERIFY(messages.lastText().endsWith(u"\rrefused by test"_s));
        QCOMPARE(departmentsInDatabase(), u"操作部/李华, 财务部/郑芳"_s);
    }

    void clickingABlankRowLoadsNothing()
    {
        exec(u"delete from 部门"_s);
        auto window = openWindow();
        type(*window, 30, u"typed"_s);
        window->editRow(1);
        QCOMPARE(window->mode(), MasterDataWindow::Mode::New);
        QCOMPARE(window->form()->edit(30)->text(), u"typed"_s);
    }

    void addNewClearsTheForm()
    {
        auto window = openWindow();
        window->editRow(1);
        window->addNew();
        QCOMPARE(window->mode(), MasterDataWindow::Mode::New);
        QVERIFY(window->form()->edit(20)->isEnabled());
        QCOMPARE(window->form()->edit(20)->text(), QString());
        QCOMPARE(window->form()->edit(50)->text(), QString());
    }

    void deleteAsksFirst()
    {
        auto window = openWindow();
        window->grid()->setCurrentCell(rowOf(window->grid(), u"财务部"_s), 0);
        messages.answers = {MessageService::No};
        window->removeSelected();
        QCOMPARE(messages.messages.last().caption, u"提示"_s);
        QCOMPARE(messages.messages.last().text, u"是否要删除当前数据？"_s);
        QCOMPARE(messages.messages.last().icon, MessageService::Icon::Warning);
        QCOMPARE(departmentsInDatabase(), u"操作部/李华, 财务部/郑芳"_s);

        messages.answers = {MessageService::Yes};
        window->removeSelected();
        QCOMPARE(departmentsInDatabase(), u"操作部/李华"_s);
        QCOMPARE(window->grid()->rowCount(), 2);
        QCOMPARE(window->grid()->cell(1, 0), u"操作部"_s);
    }

    void columnsAreWideEnoughForTheirTexts()
    {
        exec(u"insert into 部门 values ('国际物流与多式联运事业部', '欧阳', '总经理室', "
             u"'+86-21-6350-1003 转 8001', '+86-21-6350-1009')"_s);
        auto window = openWindow();
        window->resize(900, 560);
        QCoreApplication::processEvents();
        const StringGrid *grid = window->grid();
        QCOMPARE(grid->rowCount(), 4);
        const QFontMetrics metrics(grid->font());
        int total = 0;
        for (int c = 0; c < grid->colCount(); ++c) {
            for (int r = 0; r < grid->rowCount(); ++r) {
                const QString text = grid->cell(r, c);
                QVERIFY2(metrics.horizontalAdvance(text) < grid->columnWidth(c),
                         qPrintable(u"column %1 cuts \"%2\""_s.arg(c).arg(text)));
            }
            total += grid->columnWidth(c);
        }
        // The columns fill the grid: no empty strip beside the last one.
        QVERIFY2(total >= grid->viewport()->width(), qPrintable(u"%1 < %2"_s.arg(total).arg(grid->viewport()->width())));
    }

    void lostConnectionReachesTheErrorHandler()
    {
        // A connection lost during a list or a delete is not swallowed: it
        // goes on to the process-wide handler, which tells the user.
        auto window = openWindow();
        window->grid()->setCurrentCell(rowOf(window->grid(), u"财务部"_s), 0);
        TestServer gone;
        QVERIFY(gone.start());
        auto dead = gone.connect();
        gone.stop();
        CommFunU::SetAppServerProvider([&dead]() -> ServerConnection & { return *dead; });
        const auto restore = qScopeGuard(
            [this] { CommFunU::SetAppServerProvider([this]() -> ServerConnection & { return *db; }); });
        messages.answers = {MessageService::Yes};
        QVERIFY_THROWS_EXCEPTION(KorvanError, window->removeSelected());
        QVERIFY_THROWS_EXCEPTION(KorvanError, window->reloadList());
        QCOMPARE(window->grid()->rowCount(), 3); // nothing removed from the list
    }

    void deletingTheLastRowLeavesAnEmptyGridOfTwoRows()
    {
        exec(u"delete from 部门 where 部门名称='财务部'"_s);
        auto window = openWindow();
        window->grid()->setCurrentCell(1, 0);
        messages.answers = {MessageService::Yes};
        window->removeSelected();
        QCOMPARE(departmentsInDatabase(), QString());
        QCOMPARE(window->grid()->rowCount(), 2);
        QCOMPARE(window->grid()->cell(0, 0), u"部门名称"_s);
        QCOMPARE(window->grid()->cell(1, 0), QString());

        window->removeSelected();
        QCOMPARE(messages.lastText(), u"当前并无选中记录!"_s);
    }
};

QTEST_MAIN(TestDepartments)
#include "tst_departments.moc"
