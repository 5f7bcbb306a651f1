// The fee details of export and import jobs on a real server: the arithmetic
// of both kinds, what is stored and read back by name, the faults of saving,
// loading and submitting, view mode, and the export page printed to PDF.
#include "boundform.h"
#include "currentuser.h"
#include "fieldvalues.h"
#include "modalhelper.h"
#include "printablesheet.h"
#include "queryhelpers.h"
#include "radiogroup.h"
#include "recordingmessageservice.h"
#include "reportfixture.h"
#include "serverconnection.h"
#include "tagbinding.h"
#include "testserver.h"
#include "thychukoufeiyongmxfrm.h"
#include "thyjinkoufeiyongmxfrm.h"
#include "tpntsetupfrm.h"
#include "values.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace CommFunU;

namespace {

const QString ExportTable = u"货运出口费用明细"_s;
const QString ImportTable = u"货运进口费用明细"_s;

CargoJobValues job(const QString &number, int allocation = 0)
{
    CargoJobValues values;
    values.columns = {{u"业务编号"_s, number}, {u"订舱单位"_s, u"东方海外"_s}, {u"报关行"_s, u"外运报关"_s},
                      {u"车队"_s, u"强生车队"_s}, {u"仓库"_s, u"外高桥仓库"_s},
                      {u"分配车队"_s, allocation == 1 ? u"1"_s : u"0"_s},
                      {u"分配仓库"_s, allocation == 2 ? u"1"_s : u"0"_s},
                      {u"自做箱"_s, allocation == 3 ? u"1"_s : u"0"_s}};
    values.saved = true;
    return values;
}

QList<int> range(int first, int last)
{
    QList<int> tags;
    for (int t = first; t <= last; t += 10)
        tags << t;
    return tags;
}

// How a kind's totals follow from its items, as the fee sheet's rules read:
// subtotal Tag → its items, and the totals in terms of the subtotals.
struct Expected {
    QHash<int, QList<int>> subtotals;
    std::function<QHash<QString, Amount>(const std::function<Amount(int)> &)> totals;
};

Expected exportRules()
{
    Expected e;
    e.subtotals = {{100, {15, 20, 30, 40, 50, 60, 70, 80}}, {290, range(110, 260)}, {410, QList<int>{320} + range(350, 400)},
                   {480, range(420, 470)}, {560, range(500, 550)}, {640, range(580, 630)}, {740, range(660, 730)},
                   {850, range(770, 840)}, {940, range(860, 930)}, {1130, range(950, 1100)}};
    e.totals = [](const std::function<Amount(int)> &v) {
        const Amount comm = v(320).percentOf(v(330));
        return QHash<QString, Amount>{
            {u"COMM"_s, comm},
            {u"A1"_s, v(100) + v(850) + comm},
            {u"A2"_s, v(410) + v(940) + v(90)},
            {u"A"_s, v(100) - v(90) + comm - v(410) + v(850) - v(940)},
            {u"B1"_s, v(290)},
            {u"B2"_s, v(480) + v(560) + v(640) + v(740) + v(1130) + v(270)},
            {u"B"_s, v(290) - v(270) - v(480) - v(560) - v(640) - v(740) - v(1130)}};
    };
    return e;
}

Expected importRules()
{
    Expected e;
    e.subtotals = {{120, {20, 50, 60, 70, 80, 90, 110}}, {360, range(130, 340)}, {470, QList<int>{380} + range(410, 460)},
                   {510, range(480, 500)}, {600, range(520, 590)}, {710, range(610, 700)}, {760, range(720, 750)},
                   {870, range(790, 860)}, {960, range(880, 950)}, {1200, range(970, 1180)}};
    e.totals = [](const std::function<Amount(int)> &v) {
        const Amount rebate = v(20).percentOf(v(30));
        const Amount comm = v(380).percentOf(v(390));
        // The RMB 退佣 (355) lowers B but is no part of B2.
        return QHash<QString, Amount>{
            {u"COMM"_s, comm},
            {u"A1"_s, v(120) + v(870) + comm},
            {u"A2"_s, v(470) + v(960) + rebate},
            {u"A"_s, v(120) - rebate + comm - v(470) + v(870) - v(960)},
            {u"B1"_s, v(360)},
            {u"B2"_s, v(510) + v(600) + v(710) + v(760) + v(1200)},
            {u"B"_s, v(360) - v(355) - v(510) - v(600) - v(710) - v(760) - v(1200)}};
    };
    return e;
}

} // namespace

class TestFeeDetails : public QObject
{
    Q_OBJECT

    TestServer server;
    std::unique_ptr<ServerConnection> db;
    RecordingMessageService messages;
    QTemporaryDir dir;

    QString exec(const QString &sql) { return db->execSql(sql, QString()); }
    QStringList row(const QString &table, const QString &columns, const QString &number)
    {
        auto reader = ResultReader::fromAnswer(db->openQuery(
            u"select "_s + columns + u" from "_s + table + u" where 业务编号='"_s + QuoteValue(number) + u'\'', QString(), 0));
        return reader.rows().value(0);
    }

    static std::unique_ptr<FeeDetailsDialog> dialog(bool import)
    {
        if (import)
            return std::make_unique<THYJinKouFeiYongMXFrm>();
        return std::make_unique<THYChukouFeiYongMXFrm>();
    }
    // Shown and loaded, as from the job window.
    static std::unique_ptr<FeeDetailsDialog> open(const CargoJobValues &values, bool import = false)
    {
        auto d = dialog(import);
        d->setJob(values);
        showLoaded(*d);
        return d;
    }
    static void showLoaded(FeeDetailsDialog &d)
    {
        d.show();
        if (!QTest::qWaitFor([&] { return d.windowTitle().endsWith(u'_' + d.number()); }, 5000))
            qWarning("the fees did not load");
    }
    static void type(FeeDetailsDialog &d, int tag, const QString &text)
    {
        d.amountField(tag)->setText(text);
    }
    static QString shown(FeeDetailsDialog &d, int tag) { return d.amountField(tag)->text(); }
    // Types into the field as a user does and presses Enter.
    static void typeAndEnter(FeeDetailsDialog &d, int tag, const QString &text)
    {
        QLineEdit *edit = d.amountField(tag);
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(server.start(), qPrintable(server.errorText()));
        db = server.connect();
        SetAppServerProvider([this]() -> ServerConnection & { return *db; });
        TPntSetupFrm::setDefaultSettingsPath(dir.filePath(u"SinglePntsetupf"_s));
    }

    void init()
    {
        messages.clear();
        messages.answers.clear();
        CurrentUser().Position = u"操作员"_s;
        exec(u"delete from "_s + ExportTable);
        exec(u"delete from "_s + ImportTable);
    }

    void boundFieldsMatchTheTable_data()
    {
        QTest::addColumn<bool>("import");
        QTest::addColumn<int>("highTag");
        QTest::addColumn<QString>("table");
        QTest::newRow("export, 123 columns") << false << 1190 << ExportTable;
        QTest::newRow("import, 134 columns") << true << 1300 << ImportTable;
    }
    void boundFieldsMatchTheTable()
    {
        QFETCH(bool, import);
        QFETCH(int, highTag);
        QFETCH(QString, table);
        auto d = dialog(import);
        QCOMPARE(CheckBoundRange(d.get(), 10, highTag, table), QString());
        QCOMPARE(d->form()->lowTag(), 10);
        QCOMPARE(d->form()->highTag(), highTag);
    }

    // A value in every field of every group: each subtotal and total exact,
    // stored, and the columns the finance windows read by name the same.
    void fullRecompute_data()
    {
        QTest::addColumn<bool>("import");
        QTest::addColumn<QStringList>("named"); // column = Tag
        QTest::newRow("export") << false
                                << QStringList{u"f109=90"_s, u"f110=100"_s, u"f217=270"_s, u"f219=290"_s, u"A1=1162"_s,
                                               u"A2=1164"_s, u"A=1170"_s, u"B1=1172"_s, u"B2=1174"_s, u"B=1180"_s};
        QTest::newRow("import") << true
                                << QStringList{u"f103=40"_s, u"f110=120"_s, u"f2231=355"_s, u"f224=360"_s, u"f310=470"_s,
                                               u"f404=510"_s, u"f509=600"_s, u"f611=710"_s, u"f705=760"_s, u"A1=1240"_s,
                                               u"A2=1250"_s, u"A=1260"_s, u"B1=1270"_s, u"B2=1280"_s, u"B=1290"_s};
    }
    void fullRecompute()
    {
        QFETCH(bool, import);
        QFETCH(QStringList, named);
        auto d = open(job(u"FULL-1"_s), import);
        const Expected rules = import ? importRules() : exportRules();
        const QList<int> lumpSums = import ? QList<int>{350, 1190} : QList<int>{280, 1120};
        const QList<int> rates = import ? QList<int>{30, 390} : QList<int>{330};
        // Every editable amount (and the hidden rate) gets Tag × 1.001.
        QHash<int, Amount> value;
        for (QWidget *field : BoundControls(d.get(), 10, d->form()->highTag())) {
            auto *edit = qobject_cast<QLineEdit *>(field);
            const int tag = TagOf(field);
            if (!edit || edit->isReadOnly() || tag == 10 || tag == d->kind().submittedTag || lumpSums.contains(tag))
                continue;
            value[tag] = rates.contains(tag) ? Amount::fromUnits(5) : Amount::fromScaled(tag * 10010);
            type(*d, tag, FormatAmount(value[tag]));
        }
        d->RecalcFees();
        auto v = [&](int tag) { return value.contains(tag) ? value[tag] : ParseAmount(shown(*d, tag)); };
        for (auto it = rules.subtotals.cbegin(); it != rules.subtotals.cend(); ++it) {
            Amount sum;
            for (int item : it.value())
                sum += value.value(item);
            QCOMPARE(shown(*d, it.key()), FormatGroupedAmount(sum));
        }
        const QHash<QString, Amount> totals = rules.totals(v);
        const QHash<QString, int> at{{u"A1"_s, import ? 1240 : 1162}, {u"A2"_s, import ? 1250 : 1164},
                                     {u"A"_s, import ? 1260 : 1170},  {u"B1"_s, import ? 1270 : 1172},
                                     {u"B2"_s, import ? 1280 : 1174}, {u"B"_s, import ? 1290 : 1180},
                                     {u"COMM"_s, import ? 400 : 340}};
        for (auto it = at.cbegin(); it != at.cend(); ++it)
            QVERIFY2(shown(*d, it.value()) == FormatGroupedAmount(totals[it.key()]), qPrintable(it.key()));
        QCOMPARE(totals[u"A"_s], totals[u"A1"_s] - totals[u"A2"_s]);
        if (import)
            QCOMPARE(totals[u"B"_s], totals[u"B1"_s] - totals[u"B2"_s] - value[355]);
        else
            QCOMPARE(totals[u"B"_s], totals[u"B1"_s] - totals[u"B2"_s]);

        QVERIFY(d->SaveFees());
        for (const QString &pair : named) {
            const QString column = pair.section(u'=', 0, 0);
            const int tag = pair.section(u'=', 1).toInt();
            QCOMPARE(row(d->kind().table, column, u"FULL-1"_s).value(0), NormalizeAmount(shown(*d, tag)));
        }
    }

    void percentRounding_data()
    {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("rate");
        QTest::addColumn<QString>("comm");
        QTest::newRow("0.0105 rounds to even, shown up") << u"2.100"_s << u"0.5"_s << u"0.011"_s;
        QTest::newRow("0.01045 to 0.0104") << u"2.090"_s << u"0.5"_s << u"0.010"_s;
        QTest::newRow("negative") << u"-2.100"_s << u"0.5"_s << u"-0.011"_s;
        QTest::newRow("5 % of 1,000") << u"1,000"_s << u"5"_s << u"50.000"_s;
    }
    void percentRounding()
    {
        QFETCH(QString, base);
        QFETCH(QString, rate);
        QFETCH(QString, comm);
        auto d = open(job(u"PCT-1"_s));
        type(*d, 320, base);
        type(*d, 330, rate);
        d->RecalcFees();
        QCOMPARE(shown(*d, 340), comm);
        // The profit sums what the fields show.
        QCOMPARE(shown(*d, 1170), FormatGroupedAmount(ParseAmount(comm) - ParseAmount(base)));
    }

    void typedAmountIsCutAndShownRounded()
    {
        auto d = open(job(u"CUT-1"_s));
        QVERIFY(QTest::qWaitForWindowActive(d.get()));
        QLineEdit *freight = d->amountField(15);
        freight->setFocus();
        QTest::keyClick(freight, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(freight, u"1.23456"_s);
        QCOMPARE(ReadAmount(freight), Amount::fromScaled(12345));
        QTest::keyClick(freight, Qt::Key_Return); // Enter leaves the field
        QVERIFY(!freight->hasFocus());
        QCOMPARE(freight->text(), u"1.235"_s);
        QCOMPARE(shown(*d, 100), u"1.235"_s);
        QVERIFY(d->isModified());
    }

    void lumpSumOverridesAndRestores()
    {
        auto d = open(job(u"LUMP-1"_s));
        QVERIFY(QTest::qWaitForWindowActive(d.get()));
        type(*d, 110, u"500"_s);
        type(*d, 120, u"350"_s);
        typeAndEnter(*d, 280, u"1200"_s);
        QCOMPARE(shown(*d, 280), u"1,200.000"_s);
        QCOMPARE(shown(*d, 290), u"1,200.000"_s);
        QCOMPARE(shown(*d, 1172), u"1,200.000"_s);
        QVERIFY(d->SaveFees());
        // Amounts stored as "0.000", the lump sum as it is shown.
        QCOMPARE(row(ExportTable, u"f201, f218, f219, B1"_s, u"LUMP-1"_s),
                 (QStringList{u"500.000"_s, u"1,200.000"_s, u"1200.000"_s, u"1200.000"_s}));
        typeAndEnter(*d, 280, u"0"_s);
        QCOMPARE(shown(*d, 290), u"850.000"_s);
        QCOMPARE(shown(*d, 1180), u"850.000"_s);
    }

    void negativeCredits()
    {
        auto d = open(job(u"NEG-1"_s));
        type(*d, 15, u"1000"_s);
        type(*d, 70, u"-250.5"_s); // a credit among the charges
        type(*d, 90, u"-10"_s);    // a rebate taken back
        type(*d, 860, u"2,000"_s);
        d->RecalcFees();
        QCOMPARE(shown(*d, 100), u"749.500"_s);
        QCOMPARE(shown(*d, 1164), u"1,990.000"_s);
        QCOMPARE(shown(*d, 1170), u"-1,240.500"_s);
        QVERIFY(d->SaveFees());
        QCOMPARE(row(ExportTable, u"f107, A"_s, u"NEG-1"_s), (QStringList{u"-250.500"_s, u"-1240.500"_s}));
    }

    // Saving and submitting replace the row in one transaction: a refused
    // insert keeps the old row, the window open and the record modified.
    void refusedInsertKeepsTheOldRow()
    {
        auto d = open(job(u"KEEP-1"_s));
        type(*d, 15, u"100"_s);
        QVERIFY(d->SaveFees());
        QCOMPARE(exec(u"create trigger refuse_fees before insert on 货运出口费用明细 when new.f101 = '999.000' "
                      "begin select raise(abort, 'refused'); end"_s).left(3), u"Suc"_s);
        const auto dropTrigger = qScopeGuard([this] { exec(u"drop trigger refuse_fees"_s); });
        type(*d, 15, u"999"_s);
        QVERIFY(!d->SaveFees());
        QCOMPARE(messages.lastText(), u"不明原因使操作没有成功，请查看软件所在目录中的\"运行日志.txt\"并与开发人员联系"_s);
        QCOMPARE(row(ExportTable, u"f101, f110"_s, u"KEEP-1"_s), (QStringList{u"100.000"_s, u"100.000"_s}));
        QVERIFY(d->isModified());

        QVERIFY(!d->SubmitFees());
        QCOMPARE(shown(*d, 1190), QString()); // not submitted
        QVERIFY(d->saveButton()->isEnabled() && d->submitButton()->isEnabled());
        QCOMPARE(row(ExportTable, u"f101, 已提交"_s, u"KEEP-1"_s), (QStringList{u"100.000"_s, QString()}));

        messages.answers = {MessageService::Yes};
        d->reject();
        QVERIFY(d->isVisible());
    }

    void numberWithApostropheTouchesOnlyItsJob()
    {
        auto other = open(job(u"OTHER"_s));
        type(*other, 15, u"7"_s);
        QVERIFY(other->SaveFees());
        const QString crafted = u"X' or '1'='1"_s;
        auto d = open(job(crafted));
        QCOMPARE(shown(*d, 15), u"0.000"_s); // OTHER's row was not read
        type(*d, 15, u"8"_s);
        QVERIFY(d->SaveFees());
        QCOMPARE(row(ExportTable, u"f101"_s, u"OTHER"_s), QStringList{u"7.000"_s});
        QCOMPARE(row(ExportTable, u"f101"_s, crafted), QStringList{u"8.000"_s});
    }

    void returnYesStoresTheTypedAmount()
    {
        auto d = open(job(u"RET-1"_s));
        QVERIFY(QTest::qWaitForWindowActive(d.get()));
        QLineEdit *freight = d->amountField(15);
        freight->setFocus();
        QTest::keyClick(freight, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(freight, u"1500"_s); // still in the field
        messages.answers = {MessageService::Yes};
        d->returnButton()->click();
        QCOMPARE(messages.messages.value(0).text, u"当前数据已修改，是否保存？"_s);
        QVERIFY(!d->isVisible());
        QCOMPARE(row(ExportTable, u"f101, f110, A1, A"_s, u"RET-1"_s),
                 (QStringList{u"1500.000"_s, u"1500.000"_s, u"1500.000"_s, u"1500.000"_s}));
    }

    void paymentChoiceIsNoChange()
    {
        auto d = open(job(u"PAY-1"_s));
        d->form()->radioGroup(1150)->setItemIndex(1);
        d->form()->radioGroup(1160)->setItemIndex(2);
        QVERIFY(!d->isModified());
        d->reject();
        QVERIFY(messages.messages.isEmpty());
        QVERIFY(!d->isVisible());
    }

    // The finance window's opening: no names copied, 保存 decided by the
    // load, never a question on closing.
    void viewMode()
    {
        auto first = open(job(u"VIEW-1"_s), true);
        type(*first, 20, u"300"_s);
        QVERIFY(first->SaveFees());
        exec(u"update 货运进口费用明细 set 船公司='老名字' where 业务编号='VIEW-1'"_s);

        THYJinKouFeiYongMXFrm d;
        d.setViewing(u"VIEW-1"_s);
        QVERIFY(!d.saveButton()->isEnabled());
        showLoaded(d);
        QVERIFY(d.saveButton()->isEnabled());
        QCOMPARE(d.form()->combo(375)->currentText(), u"老名字"_s);
        QCOMPARE(shown(d, 120), u"300.000"_s);
        type(d, 20, u"999"_s);
        QVERIFY(d.isModified());
        messages.clear();
        d.reject();
        QVERIFY(messages.messages.isEmpty());
        QVERIFY(!d.isVisible());
        QCOMPARE(row(ImportTable, u"f101"_s, u"VIEW-1"_s), QStringList{u"300.000"_s});
    }

    void submitLockByPosition_data()
    {
        QTest::addColumn<QString>("position");
        QTest::addColumn<bool>("editable");
        QTest::newRow("业务员") << u"业务员"_s << false;
        QTest::newRow("操作员") << u"操作员"_s << false;
        QTest::newRow("部门经理") << u"部门经理"_s << true;
        QTest::newRow("财务经理") << u"财务经理"_s << true;
    }
    void submitLockByPosition()
    {
        QFETCH(QString, position);
        QFETCH(bool, editable);
        auto first = open(job(u"SUB-1"_s));
        QVERIFY(first->SubmitFees());
        QVERIFY(!first->saveButton()->isEnabled() && !first->submitButton()->isEnabled());
        QCOMPARE(row(ExportTable, u"已提交"_s, u"SUB-1"_s), QStringList{u"1"_s});

        CurrentUser().Position = position;
        auto d = open(job(u"SUB-1"_s));
        QCOMPARE(d->saveButton()->isEnabled(), editable);
        QCOMPARE(d->submitButton()->isEnabled(), editable);
    }

    // A load that fails leaves nothing to save; a stored amount that cannot
    // be read stops neither the load nor the lock, and refuses the save.
    void failedLoadCannotSave()
    {
        QVERIFY(exec(u"alter table 货运出口费用明细 rename to 费用旧表"_s).startsWith(u"Suc"_s));
        {
            const auto restore = qScopeGuard([this] { exec(u"alter table 费用旧表 rename to 货运出口费用明细"_s); });
            auto d = open(job(u"LOAD-1"_s));
            QVERIFY(d->loadFailed());
            QVERIFY(!messages.messages.isEmpty()); // ReportOutcome said so
            QVERIFY(!d->saveButton()->isEnabled() && !d->submitButton()->isEnabled());
            type(*d, 15, u"5"_s);
            messages.clear();
            d->reject();
            QVERIFY(messages.messages.isEmpty());
            QVERIFY(!d->isVisible());
        }
        auto saved = open(job(u"LOAD-1"_s));
        type(*saved, 15, u"40"_s);
        QVERIFY(saved->SaveFees());
        exec(u"update 货运出口费用明细 set f102='1.2.3', 已提交='1', 车队='旧车队' where 业务编号='LOAD-1'"_s);

        messages.clear();
        auto d = open(job(u"LOAD-1"_s, 2));
        QVERIFY(messages.lastText().startsWith(u"值过大或无效!1.2.3"_s));
        QCOMPARE(d->form()->combo(575)->currentText(), u"强生车队"_s); // the job's names came after
        QVERIFY(!d->amountField(580)->isEnabled());
        QVERIFY(!d->saveButton()->isEnabled()); // submitted, and no manager

        CurrentUser().Position = u"总经理"_s;
        auto manager = open(job(u"LOAD-1"_s));
        QVERIFY(manager->saveButton()->isEnabled());
        type(*manager, 15, u"60"_s);
        QVERIFY(!manager->SaveFees());
        QCOMPARE(row(ExportTable, u"f101, f102"_s, u"LOAD-1"_s), (QStringList{u"40.000"_s, u"1.2.3"_s}));
    }

    void allocationDisablesFees_data()
    {
        QTest::addColumn<bool>("import");
        QTest::addColumn<int>("allocation");
        QTest::addColumn<bool>("fleet");
        QTest::addColumn<bool>("warehouse");
        QTest::newRow("export 分配车队") << false << 1 << true << false;
        QTest::newRow("export 分配仓库") << false << 2 << false << true;
        QTest::newRow("export 自做箱") << false << 3 << false << false;
        QTest::newRow("import 分配车队") << true << 1 << true << false;
        QTest::newRow("import 分配仓库") << true << 2 << false << true;
    }
    void allocationDisablesFees()
    {
        QFETCH(bool, import);
        QFETCH(int, allocation);
        QFETCH(bool, fleet);
        QFETCH(bool, warehouse);
        const FeeDetailsKind kind = import ? THYJinKouFeiYongMXFrm::feeKind() : THYChukouFeiYongMXFrm::feeKind();
        auto first = open(job(u"ALLOC-1"_s), import);
        for (int tag : kind.fleetFees + kind.warehouseFees)
            type(*first, tag, u"1"_s);
        QVERIFY(first->SaveFees());

        auto d = open(job(u"ALLOC-1"_s, allocation), import);
        for (int tag : kind.fleetFees)
            QCOMPARE(d->amountField(tag)->isEnabled(), fleet);
        for (int tag : kind.warehouseFees)
            QCOMPARE(d->amountField(tag)->isEnabled(), warehouse);
        // Disabled fees keep their values and still count.
        const int fleetTotal = import ? 710 : 640;
        const int warehouseTotal = import ? 760 : 740;
        QCOMPARE(shown(*d, fleetTotal), FormatGroupedAmount(Amount::fromUnits(kind.fleetFees.size())));
        QCOMPARE(shown(*d, warehouseTotal), FormatGroupedAmount(Amount::fromUnits(kind.warehouseFees.size())));
    }

    void exportPagePrintsToPdf()
    {
        auto d = open(job(u"PRINT-1"_s));
        type(*d, 320, u"3,000.000"_s);
        type(*d, 330, u"5.000"_s);
        type(*d, 500, u"280.000"_s);
        d->RecalcFees();
        d->pages()->setCurrentIndex(1);
        const QString pdf = dir.filePath(u"fees.pdf"_s);
        QWidget *printed = nullptr;
        PrintableSheet::setDialogHook([&](TPntSetupFrm &dialog) {
            dialog.setOutput(TPntSetupFrm::PdfOutput);
            dialog.setPdfFileName(pdf);
            printed = PrintLayout::shared().Container;
            QCOMPARE(dialog.documentTitle(), u"费用明细(出口)_PRINT-1"_s);
        });
        const auto unhook = qScopeGuard([] { PrintableSheet::setDialogHook({}); });
        ModalHelper::onNextModal([](QWidget *modal) {
            auto *dialog = qobject_cast<TPntSetupFrm *>(modal);
            QVERIFY(dialog);
            dialog->printButton()->click();
            dialog->cancelButton()->click();
        });
        d->printButton()->click();
        QCOMPARE(printed, static_cast<QScrollArea *>(d->pages()->currentWidget())->widget());
        QStringList words;
        for (const ReportFixture::PdfWord &w : ReportFixture::pdfWords(pdf))
            words << w.text;
        for (const QString &expected : {u"订舱单位"_s, u"东方海外"_s, u"3,000.000"_s, u"150.000"_s, u"COMM"_s,
                                        u"报关行"_s, u"外运报关"_s, u"280.000"_s, u"备注"_s})
            QVERIFY2(words.contains(expected), qPrintable(expected + u" missing from "_s + words.join(u' ')));
        QVERIFY(!words.contains(u"应收代理"_s)); // only the active page
        QVERIFY(!d->printButton()->isHidden());
        QVERIFY(!THYJinKouFeiYongMXFrm().printButton()); // import fees have no 打印
    }
};

QTEST_MAIN(TestFeeDetails)
#include "tst_feedetails.moc"
