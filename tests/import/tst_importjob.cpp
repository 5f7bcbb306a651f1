// The import job window on a demo database: its record against the schema
// and its own wording and defaults, saving and loading, the rules of its
// cargo grid, 结单状态, save as, the delete cascade, and an export and an
// import page of the same number side by side.

#include "importopeners.h"
#include "importfixture.h"

#include "currentuser.h"
#include "jobpages.h"
#include "korvanapplication.h"
#include "marks.h"
#include "radiogroup.h"
#include "recordingmessageservice.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolBar>

using namespace CommFunU;
namespace T = JobTag;

namespace {

const QString JobTable = u"货运进口基本信息"_s;
const QString CargoTable = u"货运进口货物明细"_s;
const int SettlementFlags[] = {1020, 1050, 1070, 1090, 1110, 1130, 1150};

QList<QStringList> cargoIn(const ImportFixture &f, const QString &number)
{
    return f.rows(u"select 箱类型, 集装箱号封号, 件数, 毛重, 尺码 from 货运进口货物明细 where 业务编号='"_s
                  + QuoteValue(number) + u"' order by rowid"_s);
}

QString settlement(THYJinKouFrm *w)
{
    return w->findChild<QRadioButton *>(u"已结单"_s)->isChecked() ? u"已结单"_s : u"未结单"_s;
}

} // namespace

class TestImportJob : public QObject
{
    Q_OBJECT

    ImportFixture f;
    RecordingMessageService messages;

    QString demoJob(const QString &condition)
    {
        return f.value(u"select top 1 业务编号 from 货运进口基本信息 where "_s + condition + u" order by 业务编号"_s);
    }
    QString row(const QString &number)
    {
        return f.rows(u"select * from 货运进口基本信息 where 业务编号='"_s + QuoteValue(number) + u'\'').value(0).join(u'|');
    }

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(f.start(u"wangjun"_s, u"123456"_s, &error), qPrintable(error));
    }
    void init() { messages.clear(); }
    void cleanup() { f.closeJobTabs(); }

    // First: the window is new, as a user meets it.
    void recordWordingAndDefaults()
    {
        THYJinKouFrm *w = f.newPage();
        QCOMPARE(f.tabs()->tabText(1), u"进口业务"_s);
        QCOMPARE(CheckBoundRange(w, T::RecordLow, T::RecordHigh, JobTable), QString());
        auto names = ResultReader::fromAnswer(f.db->openQuery(u"select * from 货运进口基本信息 where 1=0"_s, {}, 1));
        QStringList shown;
        for (QWidget *control : BoundControls(w, T::RecordLow, T::RecordHigh))
            shown << control->objectName();
        QCOMPARE(shown, names.next(names.columnCount()));
        QCOMPARE(BoundControls(w, T::FinanceLow, T::FinanceHigh).size(), 16);
        const QList<std::pair<QString, int>> captions{
            {u"船公司"_s, 60},     {u"启运国"_s, 110},     {u"付费联"_s, 160},     {u"到港日期"_s, 240},
            {u"总净重(CBM)"_s, 345}, {u"已换单"_s, 730}, {u"已提货"_s, 750}, {u"船公司人民币"_s, 1080}};
        for (const auto &[caption, tag] : captions)
            QVERIFY2(CaptionFinder::field(w, caption) == w->Form()->field(tag), qPrintable(caption));
        QVERIFY(CaptionFinder::field(w, u"付汇联号"_s));

        QCOMPARE(f.text(w, T::Destination), u"SHANGHAI"_s);
        QCOMPARE(f.text(w, T::DischargePort), u"SHANGHAI"_s);
        QCOMPARE(f.text(w, T::LoadingPort), QString());
        QCOMPARE(f.text(w, T::PrepaidAt), QString());
        QCOMPARE(f.text(w, T::IssuedAt), u"SHANGHAI"_s);
        QCOMPARE(f.text(w, T::AssignFleet), u"1"_s);
        QCOMPARE(f.text(w, T::CarrierBill), u"1"_s);
        QCOMPARE(settlement(w), u"未结单"_s);
        QCOMPARE(w->Cargo()->sizePicker()->items(), (QStringList{u"20'"_s, u"40'"_s, u"45'"_s}));
        QVERIFY(!w->Cargo()->kindPicker()->items().contains(u"待拼"_s));

        QStringList bar;
        for (QAction *action : w->ToolBar()->actions()) {
            if (!action->isSeparator())
                bar << action->text();
        }
        QCOMPARE(bar, (QStringList{u"保存"_s, u"新建业务"_s, u"另存为..."_s, u"删除业务"_s, u"车队分配"_s,
                                   u"费用明细"_s, u"关闭本页"_s}));
        // Both documents exist: a new job's buttons are there to say it must be saved first.
        QVERIFY(w->Command(u"车队分配"_s)->isEnabled() && w->Command(u"费用明细"_s)->isEnabled());
        QVERIFY(f.main->Action(TMainFrm::Item::ImportNew)->isEnabled());
        QVERIFY(!f.main->Action(TMainFrm::Item::ImportSaveAs)->isVisible());
    }

    void roundTripOfEveryFieldAndTheGrid()
    {
        const QString number = u"RI'01:A"_s;
        THYJinKouFrm *w = f.newPage();
        f.set(w, T::Client, u"华星纺织"_s);
        f.set(w, T::LoadingPort, u"HAMBURG"_s);
        QCOMPARE(f.text(w, T::Country), u"德国"_s); // the country of departure
        f.fillEveryField(w, {T::Client, T::LoadingPort, T::Country, T::Salesman, T::Shipper});
        f.set(w, T::Number, number);
        f.set(w, T::Packages, u"12"_s);
        f.click(w, T::ForwarderBill);
        f.click(w, T::AssignWarehouse);
        f.set(w, 500, u"1"_s);
        w->Cargo()->setCargoRows({{u"20'GP"_s, u"AB'12:34/S'1"_s, u"1'0"_s, u"1'5"_s, u"2'"_s},
                                  {u"40'HC"_s, u"C:2"_s, u"5"_s, u"0"_s, u"1"_s}});
        QVERIFY(f.press(w, u"保存"_s));
        QVERIFY2(messages.said(u"保存成功"_s), qPrintable(messages.lastText()));
        QCOMPARE(f.tabs()->tabText(f.tabs()->currentIndex()), u"进口业务_"_s + number);
        const QString record = SaveByTag(w, T::RecordLow, T::RecordHigh, 1);
        QCOMPARE(row(number), record.split(FieldSep).mid(0, 88).join(u'|'));
        const QList<QStringList> cargo{{u"20'GP"_s, u"AB'12:34/S'1"_s, u"10"_s, u"15.000"_s, u"2.000"_s},
                                       {u"40'HC"_s, u"C:2"_s, u"5"_s, u"0.000"_s, u"1.000"_s}};
        QCOMPARE(cargoIn(f, number), cargo);
        QCOMPARE(f.text(w, T::ContainerSummary), u"20'GP*1 & 40'HC*1"_s);

        THYJinKouFrm *again = f.newPage();
        QVERIFY(again->LoadJob(number));
        QCOMPARE(SaveByTag(again, T::RecordLow, T::RecordHigh, 1), record);
        QCOMPARE(again->Cargo()->cargoRows(), cargo);
        QVERIFY(!again->Modified());
    }

    void grid_data()
    {
        QTest::addColumn<QString>("jobType");
        QTest::addColumn<QList<QStringList>>("grid");
        QTest::addColumn<QString>("message"); // empty: the save goes through
        QTest::addColumn<QList<QStringList>>("stored");
        const QStringList a{u"20'GP"_s, u"A1"_s, u"12 PCS"_s, u"1,234.5"_s, u"2"_s};
        const QStringList storedA{u"20'GP"_s, u"A1"_s, u"12"_s, u"1234.500"_s, u"2.000"_s};
        QTest::newRow("12 PCS and 1,234.5 rewritten")
            << u"整箱"_s << QList<QStringList>{a} << QString() << QList<QStringList>{storedA};
        QTest::newRow("consolidated with two rows") << u"货代自拼箱"_s << QList<QStringList>{a, a} << QString()
                                                    << QList<QStringList>{storedA, storedA};
        QTest::newRow("all blank: no cargo rows")
            << u"整箱"_s << QList<QStringList>{{}, {}} << QString() << QList<QStringList>{};
        QTest::newRow("blank first type, other cells filled")
            << u"整箱"_s << QList<QStringList>{{QString(), u"B1"_s}} << u"输入有误:第1行的箱类型不能为空"_s
            << QList<QStringList>{};
        QTest::newRow("invalid 毛重") << u"整箱"_s
                                      << QList<QStringList>{a, {u"40'HC"_s, u"A2"_s, u"1"_s, u"1.2.3"_s, u"1"_s}}
                                      << u"输入有误:'1.2.3' 不是有效的数值"_s << QList<QStringList>{};
    }
    void grid()
    {
        QFETCH(QString, jobType);
        QFETCH(QList<QStringList>, grid);
        QFETCH(QString, message);
        QFETCH(QList<QStringList>, stored);
        const QString number = demoJob(u"操作员='吴霞'"_s);
        const QString before = row(number);
        const QList<QStringList> cargoBefore = cargoIn(f, number);
        THYJinKouFrm *w = f.open(number);
        f.set(w, T::ClientReference, QString::fromUtf8(QTest::currentDataTag()));
        f.set(w, T::JobType, jobType);
        w->Cargo()->setCargoRows(grid);
        QCOMPARE(f.press(w, u"保存"_s) && !w->Modified(), message.isEmpty());
        if (message.isEmpty()) {
            QCOMPARE(cargoIn(f, number), stored);
            w->Cargo()->setCargoRows(cargoBefore);
            f.set(w, T::JobType, u"整箱"_s);
            QVERIFY(w->SaveJob());
            return;
        }
        // The refusal is the last word: no "保存成功", nothing written.
        QCOMPARE(messages.lastText(), message);
        QCOMPARE(row(number), before);
        QCOMPARE(cargoIn(f, number), cargoBefore);
        QVERIFY(w->Modified());
    }

    void gridRowsAndLeavingTheGrid()
    {
        const QString number = demoJob(u"操作员='吴霞' and 箱型箱量 like '%*2'"_s);
        THYJinKouFrm *w = f.open(number);
        CargoGrid *cargo = w->Cargo();
        QCOMPARE(cargo->deleteRowButton()->text(), u"删除当前选中项"_s);
        cargo->grid()->setCurrentCell(1, 0);
        cargo->deleteRowButton()->click();
        QCOMPARE(cargo->cargoRowCount(), 1);
        QVERIFY(!w->Modified()); // deleting is no change of the job by itself…
        QCOMPARE(f.text(w, T::ContainerSummary).right(2), u"*1"_s);
        cargo->clearButton()->click();
        QVERIFY(cargo->isBlank() && !w->Modified());
        f.press(w, u"关闭本页"_s); // …so closing asks nothing
        QVERIFY(messages.messages.isEmpty());
        QTRY_COMPARE(f.tabs()->count(), 1);
        QCOMPARE(cargoIn(f, number).size(), 2);

        // Leaving the grid checks its rows.
        w = f.open(number);
        w->Form()->pages()->setCurrentIndex(1);
        cargo->grid()->setFocus();
        cargo->grid()->setCell(2, 3, u"9.9.9"_s);
        w->Form()->field(T::Marks)->setFocus();
        QTRY_VERIFY(messages.said(u"输入有误:'9.9.9'"_s));
        QCOMPARE(QPoint(cargo->grid()->currentCol(), cargo->grid()->currentRow()), QPoint(3, 2));
    }

    void enablingRulesAndSettlement()
    {
        THYJinKouFrm *w = f.newPage();
        BoundForm *form = w->Form();
        auto enabled = [form](int tag) { return form->field(tag)->isEnabled(); };
        f.click(w, T::AssignWarehouse);
        QCOMPARE(qobject_cast<QGroupBox *>(form->field(T::StuffingAddress)->parentWidget())->title(), u"仓库信息"_s);
        QCOMPARE((QStringList{form->label(T::StuffingAddress)->text(), form->label(T::StuffingDate)->text(),
                              form->label(T::Requirements)->text()}),
                 (QStringList{u"仓库地址"_s, u"入仓时间"_s, u"备注"_s}));
        QVERIFY(enabled(T::Warehouse) && !enabled(T::Fleet));
        f.click(w, T::SelfPacked);
        QVERIFY(!enabled(T::Warehouse) && !enabled(T::Fleet) && !enabled(T::StuffingAddress));
        f.newPage(); // a new job is assigned a fleet, whatever the last one had
        QCOMPARE(f.text(w, T::AssignFleet), u"1"_s);
        QCOMPARE(qobject_cast<QGroupBox *>(form->field(T::StuffingAddress)->parentWidget())->title(), u"装箱信息"_s);
        QVERIFY(enabled(T::Fleet) && enabled(T::StuffingDate));

        // 已结单 takes all seven flags; a failed load shows no stale one.
        const QString settled = demoJob(u"业务编号 in (select 业务编号 from 财务 where 已收1='1' and 已收2='1' and "
                                        u"已付1='1' and 已付2='1' and 已付3='1' and 已付4='1' and 已付5='1')"_s);
        QVERIFY(!settled.isEmpty());
        w = f.open(settled);
        QCOMPARE(settlement(w), u"已结单"_s);
        f.exec(u"update 财务 set 已付4='0' where 业务编号='"_s + settled + u'\'');
        QVERIFY(f.newPage()->LoadJob(settled));
        QCOMPARE(settlement(w), u"未结单"_s);
        f.exec(u"update 财务 set 已付4='1' where 业务编号='"_s + settled + u'\'');
        QVERIFY(f.newPage()->LoadJob(settled) && settlement(w) == u"已结单"_s);
        QCOMPARE(f.server.execDirect(u"alter table 货运进口货物明细 rename to 进口明细旧"_s), QString());
        const bool loaded = f.newPage()->LoadJob(settled);
        f.server.execDirect(u"alter table 进口明细旧 rename to 货运进口货物明细"_s);
        QVERIFY(!loaded);
        QCOMPARE(settlement(w), u"未结单"_s);
        for (int flag : SettlementFlags)
            QVERIFY(!form->check(flag)->isChecked());
    }

    void sheetsAskForASavedJob()
    {
        THYJinKouFrm *w = f.newPage();
        CargoJobValues received;
        w->SetSheetOpener(u"费用明细"_s, [&received](const CargoJobValues &job, QWidget *) { received = job; });
        QVERIFY(w->Command(u"费用明细"_s)->isEnabled());
        f.press(w, u"费用明细"_s);
        QCOMPARE(messages.lastText(), u"请先保存当前业务!"_s);
        // A job without an allocation goes to the fee details as self-packed.
        const QString number = demoJob(u"操作员='周强'"_s);
        f.exec(u"update 货运进口基本信息 set 分配车队='0' where 业务编号='"_s + number + u'\'');
        f.open(number);
        f.press(w, u"费用明细"_s);
        QCOMPARE(received.number(), number);
        QCOMPARE(received.allocationKind(), 3);
        w->SetSheetOpener(u"费用明细"_s, OpenImportFeeDetails);
    }

    void clientWithoutSalesmanIsRefused()
    {
        QVERIFY(f.exec(u"insert into 单位 (缩写代码, 简称, 委托人) values ('NOS', '无业务员公司', '1')"_s).startsWith(u"Suc"_s));
        THYJinKouFrm *w = f.newPage();
        f.set(w, T::Number, u"SI-NOS-1"_s);
        f.set(w, T::Client, u"无业务员公司"_s);
        QVERIFY(!w->SaveJob());
        QCOMPARE(messages.lastText(), u"业务员不能为空"_s);
        QCOMPARE(f.count(JobTable, u"SI-NOS-1"_s), 0);
    }

    void typedNumbers()
    {
        const QString others = demoJob(u"操作员='周强'"_s);
        const CurrentUserRecord boss = CurrentUser();
        CurrentUser().Position = u"操作员"_s;
        CurrentUser().StaffName = u"吴霞"_s;
        THYJinKouFrm *w = f.open(others);
        CurrentUser() = boss;
        QVERIFY(messages.messages.isEmpty()); // hidden from her: nothing happens
        QCOMPARE(w->Stored(), 0);
        QCOMPARE(f.tabs()->tabText(f.tabs()->currentIndex()), u"进口业务"_s);

        QVERIFY(f.open(others)->Stored());
        f.open(others);
        QCOMPARE(messages.lastText(), u"此业务已打开"_s + others);
    }

    void saveAsLeavesTheSourceUntouched()
    {
        const QString number = demoJob(u"操作员='吴霞' and 箱型箱量 like '%*2'"_s);
        const QString before = row(number);
        THYJinKouFrm *w = f.open(number);
        const int source = f.tabs()->currentIndex();
        const auto grid = w->Cargo()->cargoRows();
        f.set(w, T::ClientReference, u"EDITED"_s);
        f.answerNewNumber(u"si-copy-1"_s);
        f.press(w, u"另存为..."_s);
        QCOMPARE(f.tabs()->currentIndex(), source + 1);
        QCOMPARE(f.text(w, T::Number), u"SI-COPY-1"_s);
        QCOMPARE(f.text(w, T::ClientReference), u"EDITED"_s);
        QCOMPARE(w->Cargo()->cargoRows(), grid);
        QCOMPARE(w->Stored(), 0);
        QVERIFY(w->SaveJob());
        QCOMPARE(f.count(CargoTable, u"SI-COPY-1"_s), 2);
        QCOMPARE(row(number), before);
        QCOMPARE(f.tabs()->tabText(source), u"进口业务_"_s + number);
    }

    void deleteCascadeWholeOrNotAtAll()
    {
        const QString number = demoJob(u"业务编号 in (select 业务编号 from 货运进口费用明细) and "
                                       u"业务编号 in (select 业务编号 from 财务)"_s);
        const QStringList tables{JobTable, CargoTable, u"货运进口费用明细"_s, u"财务"_s};
        THYJinKouFrm *w = f.open(number);
        messages.answers = {MessageService::Yes, MessageService::Cancel}; // the fee question: Cancel
        QVERIFY(!w->DeleteJob());
        QCOMPARE(messages.lastText(), u"当前业务已有费用记录,确实要删除此业务？"_s);
        QCOMPARE(f.server.execDirect(
                     u"create trigger keep_finance before delete on 财务 begin select raise(abort, 'kept'); end"_s),
                 QString());
        QVERIFY(!w->DeleteJob());
        f.server.execDirect(u"drop trigger keep_finance"_s);
        QVERIFY(messages.said(u"出错: \rdelete from 财务"_s));
        for (const QString &table : tables)
            QVERIFY2(f.count(table, number) > 0, qPrintable(table)); // not at all
        QVERIFY(w->DeleteJob());
        for (const QString &table : tables)
            QVERIFY2(f.count(table, number) == 0, qPrintable(table)); // whole
        QTRY_COMPARE(f.tabs()->count(), 1);
    }

    void exportAndImportPagesOfOneNumber()
    {
        const QString number = f.value(u"select top 1 业务编号 from 货运出口基本信息 order by 业务编号"_s);
        QVERIFY(f.exec(u"insert into 货运进口基本信息 select * from 货运出口基本信息 where 业务编号='"_s + number + u'\'')
                    .startsWith(u"Suc"_s));
        f.exec(u"update 货运进口基本信息 set 委托编号='AS IMPORT' where 业务编号='"_s + number + u'\'');
        QVERIFY(OpenExportJob(number));
        QVERIFY(OpenImportJob(number));
        QCOMPARE(f.tabs()->count(), 3);
        QCOMPARE(f.tabs()->tabText(1), u"出口业务_"_s + number);
        QCOMPARE(f.tabs()->tabText(2), u"进口业务_"_s + number);
        auto *exportWindow = static_cast<THYChuKouFrm *>(f.main->JobWindowOf(JobKind::Export, false));
        QCOMPARE(f.text(f.window(), T::ClientReference), u"AS IMPORT"_s);
        f.pickTab(1);
        QVERIFY(exportWindow->isVisible() && !f.window()->isVisible());
        QVERIFY(f.text(exportWindow, T::ClientReference) != u"AS IMPORT"_s);
        QVERIFY(OpenImportJob(number)); // the open page is picked, not opened twice
        QCOMPARE(f.tabs()->count(), 3);
        QCOMPARE(f.tabs()->currentIndex(), 2);
        QVERIFY(f.window()->isVisible() && !exportWindow->isVisible());
    }
};

int main(int argc, char **argv)
{
    KorvanApplication app(argc, argv);
    TestImportJob test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_importjob.moc"
