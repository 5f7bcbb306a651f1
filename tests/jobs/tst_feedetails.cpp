// The fee details of export and import jobs on a real server: the arithmetic
// of both kinds, what is stored and read back by name, the faults of saving,
// loading and submitting, view mode, and the export page printed to PDF.
#include "boundform.h"
#include "currentuser.h"
#include "fieldvalues.h"
#include "queryhelpers.h"
#include "radiogroup.h"
#include "recordingmessageservice.h"
#include "printdialogfixture.h"
#include "serverconnection.h"
#include "tagbinding.h"
#include "testserver.h"
#include "textcodec.h"
#include "thychukoufeiyongmxfrm.h"
#include "thyjinkoufeiyongmxfrm.h"
#include "values.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
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

// The computed fields of a kind, in the order they follow from each other,
// as sums of other fields: "+100 -90 +110..260" (a range steps by 10).
// A field given as "%base,rate" is base × rate / 100.
using Rules = QList<std::pair<int, QString>>;
const Rules ExportRules{
    {100, u"+15 +20..80"_s}, {290, u"+110..260"_s}, {340, u"%320,330"_s}, {410, u"+320 +350..400"_s},
    {480, u"+420..470"_s}, {560, u"+500..550"_s}, {640, u"+580..630"_s}, {740, u"+660..730"_s}, {850, u"+770..840"_s},
    {940, u"+860..930"_s}, {1130, u"+950..1100"_s}, {1162, u"+100 +850 +340"_s}, {1164, u"+410 +940 +90"_s},
    {1170, u"+100 -90 +340 -410 +850 -940"_s}, {1172, u"+290"_s}, {1174, u"+480 +560 +640 +740 +1130 +270"_s},
    {1180, u"+290 -270 -480 -560 -640 -740 -1130"_s}};
// The RMB 退佣 (355) lowers B (1290) but is no part of B2 (1280).
const Rules ImportRules{
    {40, u"%20,30"_s}, {120, u"+20 +50..90 +110"_s}, {360, u"+130..340"_s}, {400, u"%380,390"_s},
    {470, u"+380 +410..460"_s}, {510, u"+480..500"_s}, {600, u"+520..590"_s}, {710, u"+610..700"_s},
    {760, u"+720..750"_s}, {870, u"+790..860"_s}, {960, u"+880..950"_s}, {1200, u"+970..1180"_s},
    {1240, u"+120 +870 +400"_s}, {1250, u"+470 +960 +40"_s}, {1260, u"+120 -40 +400 -470 +870 -960"_s},
    {1270, u"+360"_s}, {1280, u"+510 +600 +710 +760 +1200"_s}, {1290, u"+360 -355 -510 -600 -710 -760 -1200"_s}};

Amount evaluate(const QString &rule, const std::function<Amount(int)> &v)
{
    if (rule.startsWith(u'%'))
        return v(rule.mid(1).section(u',', 0, 0).toInt()).percentOf(v(rule.section(u',', 1).toInt()));
    Amount total;
    for (const QString &term : rule.split(u' ')) {
        const int first = term.mid(1).section(u".."_s, 0, 0).toInt();
        const int last = term.contains(u".."_s) ? term.section(u".."_s, 1).toInt() : first;
        for (int tag = first; tag <= last; tag += 10)
            total = term.startsWith(u'-') ? total - v(tag) : total + v(tag);
    }
    return total;
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

    // Shown and loaded, as from the job window.
    static std::unique_ptr<FeeDetailsDialog> open(const CargoJobValues &values, bool import = false)
    {
        std::unique_ptr<FeeDetailsDialog> d;
        if (import)
            d = std::make_unique<THYJinKouFeiYongMXFrm>();
        else
            d = std::make_unique<THYChukouFeiYongMXFrm>();
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
    static void type(FeeDetailsDialog &d, int tag, const QString &text) { d.amountField(tag)->setText(text); }
    static QString shown(FeeDetailsDialog &d, int tag) { return d.amountField(tag)->text(); }
    // Types into the field as a user does, then (with enter) presses Enter.
    static void typeIn(FeeDetailsDialog &d, int tag, const QString &text, bool enter = true)
    {
        QLineEdit *edit = d.amountField(tag);
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(edit, text);
        if (enter)
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

    // The bound fields against the schema; a value in every field of every
    // group: each computed field exact, A = A1 - A2, and the columns the
    // finance windows read by name stored as the window shows them.
    void fullRecompute_data()
    {
        QTest::addColumn<bool>("import");
        QTest::addColumn<QStringList>("named"); // column=Tag
        QTest::newRow("export, 123 columns") << false
                                << QStringList{u"f109=90"_s, u"f110=100"_s, u"f217=270"_s, u"f219=290"_s, u"A1=1162"_s,
                                               u"A2=1164"_s, u"A=1170"_s, u"B1=1172"_s, u"B2=1174"_s, u"B=1180"_s};
        QTest::newRow("import, 134 columns") << true
                                << QStringList{u"f103=40"_s, u"f110=120"_s, u"f2231=355"_s, u"f224=360"_s, u"f310=470"_s,
                                               u"f404=510"_s, u"f509=600"_s, u"f611=710"_s, u"f705=760"_s, u"A1=1240"_s,
                                               u"A2=1250"_s, u"A=1260"_s, u"B1=1270"_s, u"B2=1280"_s, u"B=1290"_s};
    }
    void fullRecompute()
    {
        QFETCH(bool, import);
        QFETCH(QStringList, named);
        auto d = open(job(u"FULL-1"_s), import);
        QCOMPARE(CheckBoundRange(d.get(), 10, d->kind().submittedTag, d->kind().table), QString());
        const QList<int> lumpSums = import ? QList<int>{350, 1190} : QList<int>{280, 1120};
        const QList<int> rates = import ? QList<int>{30, 390} : QList<int>{330};
        // Every amount one may type (and the hidden rate) gets Tag × 1.001, the rates 5 %.
        QHash<int, Amount> value;
        for (QWidget *field : BoundControls(d.get(), 11, d->kind().submittedTag - 1)) {
            auto *edit = qobject_cast<QLineEdit *>(field);
            const int tag = TagOf(field);
            if (!edit || edit->isReadOnly() || lumpSums.contains(tag))
                continue;
            value[tag] = rates.contains(tag) ? Amount::fromUnits(5) : Amount::fromScaled(tag * 10010);
            type(*d, tag, FormatAmount(value[tag]));
        }
        d->RecalcFees();
        for (const auto &[tag, rule] : import ? ImportRules : ExportRules) {
            value[tag] = evaluate(rule, [&](int t) { return value.value(t); });
            QVERIFY2(shown(*d, tag) == FormatGroupedAmount(value[tag]), qPrintable(QString::number(tag)));
        }
        const auto at = [&](int tag) { return ParseAmount(shown(*d, tag)); };
        const int a = import ? 1240 : 1162;
        QCOMPARE(at(a + (import ? 20 : 8)), at(a) - at(a + (import ? 10 : 2))); // A = A1 - A2

        QVERIFY(d->SaveFees());
        for (const QString &pair : named) {
            const QString column = pair.section(u'=', 0, 0);
            QCOMPARE(row(d->kind().table, column, u"FULL-1"_s).value(0), NormalizeAmount(shown(*d, pair.section(u'=', 1).toInt())));
        }
    }

    void percentRounding_data()
    {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("comm");
        QTest::newRow("0.0105: even at four decimals, shown up") << u"2.100"_s << u"0.011"_s;
        QTest::newRow("0.01045 to 0.0104") << u"2.090"_s << u"0.010"_s;
        QTest::newRow("negative") << u"-2.100"_s << u"-0.011"_s;
    }
    void percentRounding()
    {
        QFETCH(QString, base);
        QFETCH(QString, comm);
        auto d = open(job(u"PCT-1"_s));
        type(*d, 320, base);
        type(*d, 330, u"0.5"_s);
        d->RecalcFees();
        QCOMPARE(shown(*d, 340), comm);
        QCOMPARE(shown(*d, 1170), FormatGroupedAmount(ParseAmount(comm) - ParseAmount(base))); // the shown COMM counts
    }

    // Typed as a user types, left with Enter: cut to four decimals, shown
    // with three; credits; the lump sum overriding the items and 0 restoring.
    void typingAndLeaving()
    {
        auto d = open(job(u"TYPE-1"_s));
        QVERIFY(QTest::qWaitForWindowActive(d.get()));
        typeIn(*d, 15, u"1.23456"_s, false);
        QLineEdit *freight = d->amountField(15);
        QCOMPARE(ReadAmount(freight), Amount::fromScaled(12345));
        QTest::keyClick(freight, Qt::Key_Return);
        QVERIFY(d->amountField(20)->hasFocus());
        QCOMPARE(freight->text(), u"1.235"_s);
        QCOMPARE(shown(*d, 100), u"1.235"_s);
        QVERIFY(d->isModified());

        typeIn(*d, 110, u"500"_s);
        typeIn(*d, 120, u"-150.5"_s);
        typeIn(*d, 90, u"-10"_s);
        QCOMPARE(shown(*d, 290), u"349.500"_s);
        QCOMPARE(shown(*d, 1164), u"-10.000"_s);
        typeIn(*d, 280, u"1200"_s);
        QCOMPARE(shown(*d, 280), u"1,200.000"_s);
        QCOMPARE(shown(*d, 290), u"1,200.000"_s);
        QCOMPARE(shown(*d, 1172), u"1,200.000"_s);
        QVERIFY(d->SaveFees());
        // Amounts stored as "0.000", the lump sum as it is shown.
        QCOMPARE(row(ExportTable, u"f202, f218, f219, A"_s, u"TYPE-1"_s),
                 (QStringList{u"-150.500"_s, u"1,200.000"_s, u"1200.000"_s, u"11.235"_s}));
        typeIn(*d, 280, u"0"_s);
        QCOMPARE(shown(*d, 1180), u"349.500"_s);
    }

    // A click into "0.000" selects it, so the typed amount replaces it (海运费
    // 5500 became 55,000.000); letters are refused, never read as a number.
    void clickedAmountReplaced_data()
    {
        QTest::addColumn<int>("tag");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown"); // empty: refused
        QTest::newRow("USD freight") << 15 << u"5500"_s << u"5,500.000"_s;
        QTest::newRow("lump sum") << 280 << u"1200"_s << u"1,200.000"_s;
        QTest::newRow("letters") << 15 << u"12a"_s << QString();
        QTest::newRow("letter after a point") << 110 << u"98.6x"_s << QString();
    }
    void clickedAmountReplaced()
    {
        QFETCH(int, tag);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        auto d = open(job(u"CLICK-1"_s));
        QVERIFY(QTest::qWaitForWindowActive(d.get()));
        QLineEdit *edit = d->amountField(tag);
        QCOMPARE(edit->text(), u"0.000"_s);
        QTest::mouseClick(edit, Qt::LeftButton, {}, QPoint(6, edit->height() / 2));
        QTest::keyClicks(edit, typed);
        QCOMPARE(edit->text(), typed);
        QTest::keyClick(edit, Qt::Key_Return);
        if (!shown.isEmpty()) {
            QCOMPARE(edit->text(), shown);
            QVERIFY(messages.messages.isEmpty());
            return;
        }
        QVERIFY2(messages.lastText().startsWith(u"值过大或无效!"_s + typed), qPrintable(messages.lastText()));
        QCOMPARE(edit->text(), typed);
        QVERIFY(!d->SaveFees());
    }

    // A refused insert keeps the old row, the window open with its changes,
    // and a refused submit leaves the fees unsubmitted.
    void refusedInsertKeepsTheOldRow()
    {
        auto d = open(job(u"KEEP-1"_s));
        type(*d, 15, u"100"_s);
        QVERIFY(d->SaveFees());
        QCOMPARE(server.execDirect(u"create trigger refuse_fees before insert on 货运出口费用明细 when new.f101 = '999.000' "
                                   "begin select raise(abort, 'refused'); end"_s),
                 QString());
        const auto dropTrigger = qScopeGuard([this] { server.execDirect(u"drop trigger refuse_fees"_s); });
        type(*d, 15, u"999"_s);
        QVERIFY(!d->SaveFees());
        QCOMPARE(messages.lastText(), u"不明原因使操作没有成功，请查看软件所在目录中的\"运行日志.txt\"并与开发人员联系"_s);
        QVERIFY(d->isModified());
        QVERIFY(!d->SubmitFees());
        QCOMPARE(shown(*d, 1190), QString());
        QVERIFY(d->saveButton()->isEnabled() && d->submitButton()->isEnabled());
        QCOMPARE(row(ExportTable, u"f101, f110, 已提交"_s, u"KEEP-1"_s), (QStringList{u"100.000"_s, u"100.000"_s, QString()}));
        messages.answers = {MessageService::Yes};
        d->reject();
        QVERIFY(d->isVisible());
    }

    // Another session changes the fee row after the dialog loaded it: the
    // save writes nothing and says who; reloaded, the dialog shows the row.
    void feesChangedElsewhereAreNotOverwritten()
    {
        auto d = open(job(u"STALE-1"_s));
        type(*d, 15, u"100"_s);
        QVERIFY(d->SaveFees());
        const auto other = server.connect();
        QVERIFY(!other->execSql(u"update 货运出口费用明细 set f101='555.000' where 业务编号='STALE-1'"_s, QString())
                     .startsWith(u"Err"_s));
        type(*d, 15, u"200"_s);
        messages.clear();
        messages.answers = {MessageService::No};
        QVERIFY(!d->SaveFees());
        QVERIFY2(messages.said(u"此费用明细已被 系统管理员 于 "_s), qPrintable(messages.lastText()));
        QCOMPARE(row(ExportTable, u"f101"_s, u"STALE-1"_s).value(0), u"555.000"_s);
        QCOMPARE(shown(*d, 15), u"200.000"_s);
        messages.answers = {MessageService::Yes, MessageService::Yes};
        QVERIFY(!d->SaveFees());
        QCOMPARE(shown(*d, 15), u"555.000"_s);
        type(*d, 15, u"300"_s);
        QVERIFY(d->SaveFees());
        QCOMPARE(row(ExportTable, u"f101"_s, u"STALE-1"_s).value(0), u"300.000"_s);
    }

    // The run log names the statement the server refused: the delete of the
    // old row here, not the insert that never ran.
    void runLogNamesTheRefusedStatement()
    {
        auto d = open(job(u"LOG-1"_s));
        type(*d, 15, u"100"_s);
        QVERIFY(d->SaveFees());
        QCOMPARE(server.execDirect(u"create trigger refuse_delete before delete on 货运出口费用明细 "
                                   "begin select raise(abort, 'delete refused'); end"_s),
                 QString());
        const auto dropTrigger = qScopeGuard([this] { server.execDirect(u"drop trigger refuse_delete"_s); });
        const qint64 before = QFileInfo(CommFunU::RunLogPath()).size(); // the log is shared: read what is new
        type(*d, 15, u"200"_s);
        QVERIFY(!d->SaveFees());
        QFile log(CommFunU::RunLogPath());
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QString text = TextCodec::decode(log.readAll().mid(before));
        QVERIFY2(text.contains(u"服务器返回结果：Err"_s) && text.contains(u"delete refused"_s), qPrintable(text));
        QVERIFY2(text.contains(u"SQL语句：delete from 货运出口费用明细 where 业务编号='LOG-1'"_s), qPrintable(text));
        QVERIFY2(!text.contains(u"insert into"_s), qPrintable(text));
    }

    void numberWithApostropheTouchesOnlyItsJob()
    {
        auto other = open(job(u"OTHER"_s));
        type(*other, 15, u"7"_s);
        QVERIFY(other->SaveFees());
        const QString crafted = u"X' or '1'='1"_s;
        auto d = open(job(crafted));
        QCOMPARE(shown(*d, 15), u"0.000"_s);
        type(*d, 15, u"8"_s);
        QVERIFY(d->SaveFees());
        QCOMPARE(row(ExportTable, u"f101"_s, u"OTHER"_s), QStringList{u"7.000"_s});
        QCOMPARE(row(ExportTable, u"f101"_s, crafted), QStringList{u"8.000"_s});
    }

    void returnYesStoresTheTypedAmount()
    {
        auto d = open(job(u"RET-1"_s));
        QVERIFY(QTest::qWaitForWindowActive(d.get()));
        d->form()->radioGroup(1150)->setItemIndex(1);
        QVERIFY(!d->isModified()); // a payment choice is no change
        typeIn(*d, 15, u"1500"_s, false); // still in the field
        messages.answers = {MessageService::Yes};
        d->returnButton()->click();
        QCOMPARE(messages.messages.value(0).text, u"当前数据已修改，是否保存？"_s);
        QVERIFY(!d->isVisible());
        QCOMPARE(row(ExportTable, u"f101, f110, A1, MBL付款方式"_s, u"RET-1"_s),
                 (QStringList{u"1500.000"_s, u"1500.000"_s, u"1500.000"_s, u"1"_s}));
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
        type(d, 20, u"999"_s);
        messages.clear();
        d.reject();
        QVERIFY(messages.messages.isEmpty());
        QVERIFY(!d.isVisible());
        QCOMPARE(row(ImportTable, u"f101"_s, u"VIEW-1"_s), QStringList{u"300.000"_s});
    }

    void submitLockByPosition()
    {
        auto first = open(job(u"SUB-1"_s));
        QVERIFY(first->SubmitFees());
        QVERIFY(!first->saveButton()->isEnabled() && !first->submitButton()->isEnabled());
        for (const auto &[position, editable] : {std::pair{u"业务员"_s, false}, {u"部门经理"_s, true}, {u"财务经理"_s, true}}) {
            CurrentUser().Position = position;
            auto d = open(job(u"SUB-1"_s));
            QVERIFY2(d->saveButton()->isEnabled() == editable && d->submitButton()->isEnabled() == editable,
                     qPrintable(position));
        }
    }

    // A load that fails leaves nothing to save; a stored amount that cannot
    // be read stops neither the load nor the lock, and refuses the save.
    void failedLoadCannotSave()
    {
        QCOMPARE(server.execDirect(u"alter table 货运出口费用明细 rename to 费用旧表"_s), QString());
        {
            const auto restore =
                qScopeGuard([this] { server.execDirect(u"alter table 费用旧表 rename to 货运出口费用明细"_s); });
            auto d = open(job(u"LOAD-1"_s));
            QVERIFY(d->loadFailed() && !messages.messages.isEmpty());
            QVERIFY(!d->saveButton()->isEnabled() && !d->submitButton()->isEnabled());
            type(*d, 15, u"5"_s);
            messages.clear();
            d->reject();
            QVERIFY(messages.messages.isEmpty() && !d->isVisible());
        }
        auto saved = open(job(u"LOAD-1"_s));
        type(*saved, 15, u"40"_s);
        QVERIFY(saved->SaveFees());
        exec(u"update 货运出口费用明细 set f102='1.2.3', 已提交='1', 车队='旧车队' where 业务编号='LOAD-1'"_s);
        messages.clear();
        auto d = open(job(u"LOAD-1"_s, 2));
        QVERIFY(messages.lastText().startsWith(u"值过大或无效!1.2.3"_s));
        QCOMPARE(d->form()->combo(575)->currentText(), u"强生车队"_s); // the load went on
        QVERIFY(!d->saveButton()->isEnabled());

        CurrentUser().Position = u"总经理"_s;
        auto manager = open(job(u"LOAD-1"_s));
        type(*manager, 15, u"60"_s);
        QVERIFY(!manager->SaveFees());
        QCOMPARE(row(ExportTable, u"f101, f102"_s, u"LOAD-1"_s), (QStringList{u"40.000"_s, u"1.2.3"_s}));
    }

    // 自做箱 disables the fleet's and the warehouse's fees (分配车队 only the
    // warehouse's); they keep their values and still count.
    void allocationDisablesFees()
    {
        const FeeDetailsKind kind = THYJinKouFeiYongMXFrm::feeKind();
        auto first = open(job(u"ALLOC-1"_s), true);
        for (int tag : kind.fleetFees + kind.warehouseFees)
            type(*first, tag, u"1"_s);
        QVERIFY(first->SaveFees());
        auto d = open(job(u"ALLOC-1"_s, 3), true);
        for (int tag : kind.fleetFees + kind.warehouseFees)
            QVERIFY(!d->amountField(tag)->isEnabled());
        QCOMPARE(shown(*d, 1280), FormatGroupedAmount(Amount::fromUnits(kind.fleetFees.size() + kind.warehouseFees.size())));
        auto fleet = open(job(u"ALLOC-1"_s, 1));
        QVERIFY(fleet->amountField(580)->isEnabled() && !fleet->amountField(660)->isEnabled());
    }

    void exportPagePrintsToPdf()
    {
        auto d = open(job(u"PRINT-1"_s));
        type(*d, 320, u"3,000.000"_s);
        type(*d, 330, u"5.000"_s);
        d->RecalcFees();
        d->pages()->setCurrentIndex(1);
        const auto printed = PrintDialogFixture::printToPdf([&] { d->printButton()->click(); }, dir.filePath(u"f.pdf"_s));
        QCOMPARE(printed.container, static_cast<QScrollArea *>(d->pages()->currentWidget())->widget());
        QCOMPARE(printed.title, u"费用明细(出口)_PRINT-1"_s);
        const QStringList words = printed.texts();
        for (const QString &expected : {u"订舱单位"_s, u"东方海外"_s, u"3,000.000"_s, u"150.000"_s, u"外运报关"_s})
            QVERIFY2(words.contains(expected), qPrintable(expected + u" missing from "_s + words.join(u' ')));
        QVERIFY(!words.contains(u"应收代理"_s)); // only the active page
        QVERIFY(!THYJinKouFeiYongMXFrm().printButton()); // import fees have no 打印
    }
};

QTEST_MAIN(TestFeeDetails)
#include "tst_feedetails.moc"
