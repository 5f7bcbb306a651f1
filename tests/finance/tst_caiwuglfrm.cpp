// The finance window on a demo database: its record against the schema, the
// invoice amounts from the fee details and from 财务, the kind a page shows,
// the amount in words, the settlement state, saving and what the server
// refuses, the fee details for viewing, printing an invoice, and the job
// windows' finance block after a save.

#include "cargojobfixture.h"
#include "currentuser.h"
#include "faxportmap.h"
#include "feedetailsdialog.h"
#include "financeform.h"
#include "korvanapplication.h"
#include "printdialogfixture.h"
#include "recordingmessageservice.h"
#include "tcaiwuglfrm.h"
#include "thychukoufrm.h"
#include "values.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QTabWidget>

#include <algorithm>

using namespace CommFunU;
using namespace FinanceTag;

namespace {

using Fixture = CargoJobFixture<TCaiWuGLFrm>;

QString shown(TCaiWuGLFrm *w, int tag)
{
    return ControlValue(w->Form()->field(tag));
}
void set(TCaiWuGLFrm *w, int tag, const QString &value)
{
    SetControlValue(w->Form()->field(tag), value);
}
bool checked(TCaiWuGLFrm *w, int tag)
{
    return ControlValue(w->Form()->field(tag)) == u"1"_s;
}

} // namespace

class TestCaiWuGLFrm : public QObject
{
    Q_OBJECT

    Fixture f{JobKind::Finance, TMainFrm::Item::FinanceOpen};
    RecordingMessageService messages;
    QTemporaryDir dir;

    // A demo job of the table that has a fee row and a 财务 row with 已收1 = flag.
    QString jobWithFinance(const QString &jobTable, const QString &feeTable, const QString &flag)
    {
        return f.value(u"select top 1 j.业务编号 from "_s + jobTable + u" j, "_s + feeTable
                       + u" e, 财务 c where j.业务编号=e.业务编号 and j.业务编号=c.业务编号 and c.已收1='"_s + flag
                       + u"' order by j.业务编号 desc"_s);
    }
    QString finance(const QString &column, const QString &number)
    {
        return f.value(u"select "_s + column + u" from 财务 where 业务编号='"_s + QuoteValue(number) + u'\'');
    }

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(f.start(QString::fromLatin1(TestServer::AdminUser), QString::fromLatin1(TestServer::AdminPassword), &error),
                 qPrintable(error));
        TPntSetupFrm::setDefaultSettingsPath(dir.filePath(u"SinglePntsetupf"_s));
    }
    void init() { messages.clear(); }
    void cleanup() { f.closeJobTabs(); }

    void recordIsTheTableInOrder()
    {
        TCaiWuGLFrm *w = f.newPage();
        QCOMPARE(CheckBoundRange(w, RecordLow, RecordHigh, u"财务"_s), QString());
        // Each of the 37 fields is named after the column it is stored in.
        ResultReader columns = ResultReader::fromAnswer(f.db->openQuery(u"select * from 财务 where 1=0"_s, {}, 1));
        QStringList names;
        for (QWidget *field : BoundControls(w, RecordLow, RecordHigh))
            names << field->objectName();
        QCOMPARE(names, columns.next(columns.columnCount()));
    }

    void amountsFromFeesUntilSaved_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("jobTable");
        QTest::addColumn<QString>("feeTable");
        QTest::addColumn<QString>("rmbColumn");
        QTest::addColumn<QString>("tab");
        QTest::newRow("export") << 0 << u"货运出口基本信息"_s << u"货运出口费用明细"_s << u"f219"_s << u"出口业务_"_s;
        QTest::newRow("import") << 1 << u"货运进口基本信息"_s << u"货运进口费用明细"_s << u"f224"_s << u"进口业务_"_s;
    }
    void amountsFromFeesUntilSaved()
    {
        QFETCH(int, kind);
        QFETCH(QString, jobTable);
        QFETCH(QString, feeTable);
        QFETCH(QString, rmbColumn);
        const QString number = jobWithFinance(jobTable, feeTable, u"0"_s);
        const QString key = u" where 业务编号='"_s + number + u'\'';
        QVERIFY(f.exec(u"delete from 财务"_s + key).startsWith(u"Suc"_s));
        const Amount usd = ParseAmount(f.value(u"select f110 from "_s + feeTable + key));
        const Amount rmb = ParseAmount(f.value(u"select "_s + rmbColumn + u" from "_s + feeTable + key));

        QFETCH(QString, tab);
        TCaiWuGLFrm *w = f.open(number);
        QCOMPARE(f.tabs()->tabText(1), tab + number);
        QCOMPARE(w->JobKindShown(), kind);
        // Until the job has a 财务 row the invoices ask the client's subtotals.
        QCOMPARE(shown(w, UsdInvoice + InvoiceAmount), FormatAmount(usd));
        QCOMPARE(shown(w, RmbInvoice + InvoiceAmount), FormatAmount(rmb));
        QCOMPARE(shown(w, UsdCopies + Total), u"USD"_s + FormatGroupedAmount(usd));
        QCOMPARE(shown(w, RmbCopies + Total), u"RMB"_s + FormatGroupedAmount(rmb));
        QCOMPARE(shown(w, RmbCopies + InWords), u"人民币"_s + AmountInChinese(rmb));
        const QString client = shown(w, 520);
        QCOMPARE(shown(w, UsdInvoice + Payer),
                 f.value(u"select 发票抬头USD from 单位 where 简称='"_s + QuoteValue(client) + u'\''));
        // The kind shows in the radio buttons and the captions.
        QVERIFY(checked(w, kind == 1 ? ImportKind : ExportKind));
        QCOMPARE(w->Form()->label(BookingParty)->text(), kind == 1 ? u"船公司"_s : u"定舱单位"_s);
        QCOMPARE(w->Form()->label(Verification)->text(), kind == 1 ? u"付费联"_s : u"核销单"_s);
        QCOMPARE(shown(w, RmbCopies + CopySailingDate), shown(w, SailingDate));

        QVERIFY(w->SaveJob());
        QCOMPARE(messages.lastText(), u"保存成功"_s);
        QVERIFY(!w->Modified());
        QCOMPARE(finance(u"美元金额"_s, number), ScaledToText(usd));
        // From now on the amounts are 财务's, whatever the fees say.
        QVERIFY(f.exec(u"update "_s + feeTable + u" set f110='99.000'"_s + key).startsWith(u"Suc"_s));
        w = f.open(number);
        QCOMPARE(shown(w, UsdInvoice + InvoiceAmount), FormatAmount(usd));

        // A blank page after it is an export page; its own page keeps its kind.
        w = f.newPage();
        QCOMPARE(w->JobKindShown(), 0);
        QVERIFY(checked(w, ExportKind));
        QCOMPARE(w->Form()->label(Verification)->text(), u"核销单"_s);
        f.pickTab(1);
        QCOMPARE(w->JobKindShown(), kind);
        QCOMPARE(w->Form()->label(Verification)->text(), kind == 1 ? u"付费联"_s : u"核销单"_s);
        QCOMPARE(f.tabs()->page(3)->JobKind, 0);
    }

    void numberWithAnApostrophe()
    {
        const QString number = u"O'NEIL-7"_s;
        QVERIFY(f.exec(u"insert into 货运进口基本信息 (业务编号, 委托人, 船期) values ('O''NEIL-7', '新天服装', "
                       u"'2026-01-05')"_s).startsWith(u"Suc"_s));
        TCaiWuGLFrm *w = f.open(number);
        QCOMPARE(f.tabs()->tabText(1), u"进口业务_O'NEIL-7"_s);
        set(w, UsdReceived, u"1"_s);
        QVERIFY(w->Modified());
        QVERIFY(w->SaveJob());
        QVERIFY(w->SaveJob()); // the second save replaces the row
        QCOMPARE(f.count(u"财务"_s, number), 1);
        QCOMPARE(finance(u"已收1"_s, number), u"1"_s);

        // 费用明细: the job's import fees, only to look at.
        bool viewing = false;
        ModalHelper::onNextModal([&](QWidget *modal) {
            auto *fees = qobject_cast<FeeDetailsDialog *>(modal);
            viewing = fees && fees->isViewing() && fees->number() == number && fees->kind().table == u"货运进口费用明细"_s;
            if (fees)
                fees->reject();
        });
        w->Command(u"费用明细"_s)->trigger();
        QVERIFY(viewing);
        // Without right 8 the fee details stay closed.
        const QString right = CurrentUser().Rights[7];
        CurrentUser().Rights[7] = u"0"_s;
        w->RefreshDerivedFields();
        QVERIFY(!w->Command(u"费用明细"_s)->isEnabled());
        CurrentUser().Rights[7] = right;
    }

    void refusedCommitStoresNothing()
    {
        const QString number = jobWithFinance(u"货运出口基本信息"_s, u"货运出口费用明细"_s, u"0"_s);
        // A deferred foreign key makes the database refuse the commit itself.
        for (const QString &sql :
             {u"create table 父表 (k text primary key)"_s,
              u"create table 子表 (k text references 父表(k) deferrable initially deferred)"_s,
              u"create trigger refuse_commit after insert on 财务 begin insert into 子表 values ('none'); end"_s})
            QCOMPARE(f.server.execDirect(sql), QString());
        QVERIFY(GetAppServer().execSql(u"PRAGMA foreign_keys=ON"_s, {}).startsWith(u"Suc"_s));
        TCaiWuGLFrm *w = f.open(number);
        set(w, UsdReceived, u"1"_s);
        QVERIFY(!w->SaveJob());
        QVERIFY(!messages.said(u"保存成功"_s));
        QVERIFY(!messages.messages.isEmpty());
        QVERIFY(w->Modified());
        QCOMPARE(finance(u"已收1"_s, number), u"0"_s);

        // No transaction was left open: the next save goes through.
        QCOMPARE(f.server.execDirect(u"drop trigger refuse_commit"_s), QString());
        GetAppServer().execSql(u"PRAGMA foreign_keys=OFF"_s, {});
        QVERIFY(w->SaveJob());
        QCOMPARE(finance(u"已收1"_s, number), u"1"_s);
    }

    void failedLoadCannotSave()
    {
        const QString number = jobWithFinance(u"货运出口基本信息"_s, u"货运出口费用明细"_s, u"1"_s);
        QCOMPARE(f.server.execDirect(u"alter table 财务 rename to 财务暂存"_s), QString());
        TCaiWuGLFrm *w = f.open(number);
        QCOMPARE(f.server.execDirect(u"alter table 财务暂存 rename to 财务"_s), QString());
        QVERIFY(messages.said(u"出错: \rselect * from 财务"_s));
        QCOMPARE(w->Stored(), 0);
        QCOMPARE(f.tabs()->tabText(1), u"财务管理"_s);
        QVERIFY(!checked(w, UsdReceived)); // a default, never to be saved
        QVERIFY(!w->SaveJob());
        QCOMPARE(messages.lastText(), u"当前无业务保存!"_s);
        QCOMPARE(finance(u"已收1"_s, number), u"1"_s);
    }

    void amountInWords_data()
    {
        QTest::addColumn<int>("invoice");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("total");
        QTest::addColumn<QString>("words");
        // Halves to even on the exact amount: a double would make 1.015 101.4999… 分.
        QTest::newRow("half a fen") << int(UsdInvoice) << u"0.005"_s << u"USD0.005"_s << u"美圆零圆"_s;
        QTest::newRow("1.015") << int(UsdInvoice) << u"1.015"_s << u"USD1.015"_s << u"美圆壹圆零贰分"_s;
        QTest::newRow("1.025") << int(UsdInvoice) << u"1.025"_s << u"USD1.025"_s << u"美圆壹圆零贰分"_s;
        QTest::newRow("above the words") << int(UsdInvoice) << u"100,000,000"_s << u"USD100,000,000.000"_s << QString();
        QTest::newRow("rmb") << int(RmbInvoice) << u"1234.56"_s << u"RMB1,234.560"_s << u"人民币壹仟贰佰叁拾肆圆伍角陆分"_s;
        QTest::newRow("no amount") << int(RmbInvoice) << u"12a.5.5"_s << QString() << QString();
    }
    void amountInWords()
    {
        QFETCH(int, invoice);
        QFETCH(QString, typed);
        TCaiWuGLFrm *w = f.newPage();
        set(w, invoice + InvoiceAmount, typed);
        w->RefreshDerivedFields();
        const int copies = invoice == UsdInvoice ? UsdCopies : RmbCopies;
        QTEST(shown(w, copies + Total), "total");
        QTEST(shown(w, copies + InWords), "words");
    }

    void settledOnlyWithAllSevenFlags_data()
    {
        QTest::addColumn<int>("open"); // the flag left unticked, 0 for none
        QTest::newRow("all seven") << 0;
        for (int flag : FinanceForm::settlementFlags())
            QTest::newRow(qPrintable(QString::number(flag))) << flag;
    }
    void settledOnlyWithAllSevenFlags()
    {
        QFETCH(int, open);
        TCaiWuGLFrm *w = f.newPage();
        for (int flag : FinanceForm::settlementFlags())
            set(w, flag, flag == open ? u"0"_s : u"1"_s);
        w->RefreshDerivedFields(); // the refunds (已退6, 已退7) do not count
        QCOMPARE(w->Settled(), open == 0);
        QVERIFY(checked(w, open == 0 ? SettledMark : UnsettledMark));
    }

    void printsTheInvoiceShown()
    {
        const QString number = jobWithFinance(u"货运出口基本信息"_s, u"货运出口费用明细"_s, u"1"_s);
        TCaiWuGLFrm *w = f.open(number);
        int opened = 0;
        PrintableSheet::setDialogHook([&](TPntSetupFrm &dialog) {
            ++opened;
            QTimer::singleShot(0, &dialog, &QDialog::reject);
        });
        w->PrintInvoice(); // the basic page prints nothing
        w->Pages()->setCurrentIndex(TCaiWuGLFrm::StatusPage);
        w->PrintInvoice();
        PrintableSheet::setDialogHook({});
        QCOMPARE(opened, 0);

        w->Pages()->setCurrentIndex(TCaiWuGLFrm::RmbInvoicePage);
        const auto printed = PrintDialogFixture::printToPdf([&] { w->Command(u"打印(&P)"_s)->trigger(); },
                                                            dir.filePath(u"invoice.pdf"_s));
        QCOMPARE(printed.container, static_cast<QScrollArea *>(w->Pages()->currentWidget())->widget());
        QCOMPARE(printed.title, u"财务管理"_s);
        const QStringList words = printed.texts();
        for (const QString &expected : {u"国际货物运输代理业专用发票"_s, shown(w, RmbCopies + Total),
                                        shown(w, RmbCopies + InWords), shown(w, RmbInvoice + Payer)})
            QVERIFY2(words.join(u' ').contains(expected), qPrintable(expected + u" missing from "_s + words.join(u' ')));
        QVERIFY(!words.contains(shown(w, UsdCopies + Total))); // only the page shown

        // The print/fax dialog says what went wrong; the window adds nothing.
        QFile ports(dir.filePath(u"FaxPorts.txt"_s));
        QVERIFY(ports.open(QIODevice::WriteOnly));
        ports.write("COM1=/nonexistent/ttyFAX\n");
        ports.close();
        FaxPortMap::setMapFile(ports.fileName());
        PrintableSheet::setDialogHook([](TPntSetupFrm &dialog) {
            dialog.setOutput(TPntSetupFrm::FaxOutput);
            dialog.faxNumberBox()->setText(u"0571-8888"_s);
            dialog.portBox()->setCurrentIndex(0);
            dialog.print();
        });
        messages.clear();
        w->PrintInvoice();
        PrintableSheet::setDialogHook({});
        QVERIFY(!messages.messages.isEmpty());
        QCOMPARE(messages.lastText(), u"传真失败,请确认Modem设置正确!"_s);
        QVERIFY(!messages.said(u"出错"_s) && !messages.said(u"异常"_s));
    }

    // The invoice is lower than the page: it prints in its own proportions at
    // the top of the page, not stretched over the page's height. Measured on
    // the PDF: the distances between texts against those on the sheet.
    void invoicePrintsInProportion()
    {
        const QString number = jobWithFinance(u"货运出口基本信息"_s, u"货运出口费用明细"_s, u"1"_s);
        TCaiWuGLFrm *w = f.open(number);
        w->Pages()->setCurrentIndex(TCaiWuGLFrm::UsdInvoicePage);
        QWidget *sheet = static_cast<QScrollArea *>(w->Pages()->currentWidget())->widget();
        const auto printed = PrintDialogFixture::printToPdf([&] { w->Command(u"打印(&P)"_s)->trigger(); },
                                                            dir.filePath(u"proportion.pdf"_s));
        // Texts of the sheet that the page holds once, with where they are on both.
        struct Pair {
            QPointF sheet;
            QPointF page;
        };
        QList<Pair> pairs;
        for (QWidget *child : sheet->findChildren<QWidget *>()) {
            QString text;
            if (auto *label = qobject_cast<QLabel *>(child))
                text = label->text();
            else if (auto *edit = qobject_cast<QLineEdit *>(child))
                text = edit->text();
            if (text.isEmpty() || text.contains(u' ') || !child->isVisible())
                continue;
            const auto same = [&](const ReportFixture::PdfWord &word) { return word.text == text; };
            if (std::count_if(printed.words.begin(), printed.words.end(), same) != 1)
                continue;
            const auto word = std::find_if(printed.words.begin(), printed.words.end(), same);
            pairs.append({QPointF(child->mapTo(sheet, QPoint())), word->box.topLeft()});
        }
        QVERIFY2(pairs.size() >= 3, qPrintable(QString::number(pairs.size())));
        // The scale across from the widest pair, down from the tallest.
        double across = 0;
        double down = 0;
        double widest = 0;
        double tallest = 0;
        double lowest = 0;
        for (const Pair &a : pairs) {
            lowest = qMax(lowest, a.page.y());
            for (const Pair &b : pairs) {
                const QPointF s = b.sheet - a.sheet;
                const QPointF p = b.page - a.page;
                if (s.x() > widest) {
                    widest = s.x();
                    across = p.x() / s.x();
                }
                if (s.y() > tallest) {
                    tallest = s.y();
                    down = p.y() / s.y();
                }
            }
        }
        QVERIFY(widest > 200 && tallest > 200);
        QVERIFY2(qAbs(down / across - 1.0) < 0.12, qPrintable(u"down %1, across %2"_s.arg(down).arg(across)));
        // At the top of an A4 page (842 points high).
        QVERIFY2(lowest < 842 * 0.7, qPrintable(QString::number(lowest)));
    }

    void exportPageShowsWhatFinanceSaved()
    {
        const QString number = jobWithFinance(u"货运出口基本信息"_s, u"货运出口费用明细"_s, u"0"_s);
        f.main->Action(TMainFrm::Item::ExportOpen)->trigger();
        auto *exportWindow = static_cast<THYChuKouFrm *>(f.main->JobWindowOf(JobKind::Export, false));
        Fixture::typeInto(exportWindow->Form()->edit(JobTag::Number), number, true);
        QCOMPARE(f.tabs()->tabText(1), u"出口业务_"_s + number);
        QVERIFY(!exportWindow->Form()->check(1020)->isChecked());

        TCaiWuGLFrm *w = f.open(number);
        set(w, UsdReceived, u"1"_s);
        QVERIFY(w->SaveJob());
        f.pickTab(1);
        QVERIFY(exportWindow->Form()->check(1020)->isChecked());
        QVERIFY(!exportWindow->Modified());
    }
};

int main(int argc, char **argv)
{
    KorvanApplication app(argc, argv);
    TestCaiWuGLFrm test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_caiwuglfrm.moc"
