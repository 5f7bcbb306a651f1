// Every amount of the finance lists as the windows show amounts:
// "#,##0.000" and right-aligned in the list, on the report window's data
// page and on the printed page (a PDF read back with pdftotext), and a number
// cell of that format in the Excel workbook (read back with openpyxl). The
// database gives the same kind of amount as "1000.000" (stored), "1000.0" or
// "0" (computed products) and nothing at all (a job without fees); the jobs
// of the test (2001-07) hold each form, negative and large amounts among
// them. Logged in as the finance staff of the demo company through the real
// login: 郑芳 (财务经理) and 黄燕 (财务员).

#include "cargojobfixture.h"
#include "filebox.h"
#include "recordingmessageservice.h"
#include "reportfixture.h"
#include "reportprinter.h"
#include "stringgridmodel.h"
#include "tcaiwuglfrm.h"
#include "tcaiwuysyffrm.h"
#include "tcaiwuzyywfrm.h"
#include "tdataf.h"
#include "tpntmainfrm.h"
#include "tsetupf.h"
#include "tyongjinfrm.h"
#include "tzhuizhangfrm.h"
#include "values.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>

using namespace ReportFixture;

namespace {

const QString Month = u"2001-07"_s;

// openpyxl, sharing nothing with the writer: every cell's value, type
// ('n' number, 's' string, 'd' date) and number format.
const char *const ReaderScript = R"py(
import json, sys, openpyxl
ws = openpyxl.load_workbook(sys.argv[1]).active
def value(c):
    return c.value.isoformat() if hasattr(c.value, 'isoformat') else c.value
print(json.dumps([[{'v': value(c), 't': c.data_type, 'f': c.number_format} for c in row] for row in ws.iter_rows()],
    ensure_ascii=False))
)py";
const QString Python = u"/usr/bin/python3"_s;

// What one list showed: the grid, the report window's data page, the PDF
// and the workbook.
struct Shown {
    QList<QStringList> grid;
    QList<Qt::Alignment> gridAlignment; // per column, of the body
    QList<QStringList> page;            // the data page's rows, captions first
    QList<Qt::Alignment> pageAlignment;
    QList<PdfWord> pdf;
    QJsonArray workbook;
};

// The row of a list whose first cell is the job, or the one holding "TOTAL:".
int rowOf(const QList<QStringList> &rows, const QString &job)
{
    for (int r = 1; r < rows.size(); ++r) {
        if (job == u"TOTAL:"_s ? rows.at(r).contains(job) : rows.at(r).value(0) == job)
            return r;
    }
    return -1;
}

} // namespace

class TestFinanceAmounts : public QObject
{
    Q_OBJECT

    CargoJobFixture<TCaiWuGLFrm> f{JobKind::Finance, TMainFrm::Item::FinanceOpen};
    RecordingMessageService messages;
    QHash<QString, Shown> m_shown; // by list

    void exec(const QString &sql)
    {
        const QString answer = f.exec(sql);
        QVERIFY2(!answer.startsWith(u"Err"_s), qPrintable(sql + u" -> "_s + answer));
    }
    void addJob(const QString &number, const QStringList &feeColumns, const QStringList &fees,
                const QStringList &financeColumns, const QStringList &finance)
    {
        exec(u"insert into 货运出口基本信息 (业务编号, 操作员, 船期, 船名, 航次, 委托人) values ('%1', '赵敏', '%2-%3', "
             "'EVER ONE', '01E', '华星纺织')"_s.arg(number, Month, number.right(1).rightJustified(2, u'0')));
        if (!fees.isEmpty()) {
            exec(u"insert into 货运出口费用明细 (业务编号, %1) values ('%2', '%3')"_s.arg(
                feeColumns.join(u", "_s), number, fees.join(u"', '"_s)));
        }
        if (!finance.isEmpty()) {
            exec(u"insert into 财务 (业务编号, %1) values ('%2', '%3')"_s.arg(financeColumns.join(u", "_s), number,
                                                                            finance.join(u"', '"_s)));
        }
    }

    static FinanceListWindow *make(const QString &list)
    {
        if (list == u"主营业务收支"_s)
            return new TCaiWuZYYWFrm;
        if (list == u"对帐单"_s)
            return new TZhuiZhangFrm;
        if (list == u"佣金核算"_s)
            return new TYongJinFrm;
        auto *w = new TCaiWuYSYFFrm;
        if (list == u"应付未付款"_s)
            w->frame()->tabBar()->setCurrentIndex(TCaiWuYSYFFrm::Payable);
        return w;
    }

    // The list of the month as the user sees it, printed to PDF and written
    // to a workbook from the report window that 打印(&P) opens.
    Shown show(const QString &list)
    {
        Shown shown;
        std::unique_ptr<FinanceListWindow> w(make(list));
        w->show();
        JobListFrame *frame = w->frame();
        if (!QTest::qWaitFor([frame] { return !frame->tree()->months(JobLine::Export).isEmpty(); }, 10000)
            || !frame->tree()->selectMonth(JobLine::Export, Month))
            return shown;
        const StringGrid *grid = frame->grid();
        shown.grid = grid->gridModel()->allRows();
        for (int c = 0; c < grid->colCount(); ++c)
            shown.gridAlignment << grid->gridModel()->index(1, c).data(Qt::TextAlignmentRole).value<Qt::Alignment>();

        const QString pdf = f.dir.filePath(list + u".pdf"_s);
        const QString book = f.dir.filePath(list + u".xlsx"_s);
        ModalHelper::onNextModal([&](QWidget *modal) {
            auto *print = qobject_cast<TPntMainFrm *>(modal);
            if (!print) {
                modal->close();
                return;
            }
            const StringGrid *page = print->dataPage()->list();
            shown.page = page->gridModel()->allRows();
            for (int c = 0; c < page->colCount(); ++c)
                shown.pageAlignment << page->gridModel()->index(1, c).data(Qt::TextAlignmentRole).value<Qt::Alignment>();
            print->dataPage()->excelFileBox()->setFileName(book);
            print->dataPage()->exportButton()->click();
            print->showTab(TPntMainFrm::SetupTab);
            print->setupPage()->printerBox()->setCurrentText(ReportPrinter::pdfTargetName());
            print->setupPage()->pdfFileBox()->setText(pdf);
            print->setupPage()->printButton()->click();
            print->reject();
        });
        frame->button(u"打印(&P)"_s)->click();
        shown.pdf = pdfWords(pdf);
        QProcess python;
        python.start(Python, {u"-c"_s, QString::fromUtf8(ReaderScript), book});
        python.waitForFinished(60000);
        shown.workbook = QJsonDocument::fromJson(python.readAllStandardOutput()).array();
        return shown;
    }

    // The printed box of each row's cell in column, by the row of the list:
    // the words of a row's line (the line of its first filled cell) are its
    // filled cells, left to right, a cell of several words ("EVER ONE 01E")
    // taking as many. Rows whose words do not match their cells are
    // missing, with why.
    static QHash<int, QRectF> printedColumn(const Shown &s, int column, QString *why)
    {
        QHash<int, QRectF> boxes;
        for (int r = 1; r < s.grid.size(); ++r) {
            const QStringList &cells = s.grid.at(r);
            const auto first = std::find_if(cells.begin(), cells.end(), [](const QString &c) { return !c.trimmed().isEmpty(); });
            const PdfWord *start = first == cells.end() ? nullptr : findWord(s.pdf, first->split(u' ').value(0), 0);
            if (!start)
                continue;
            QList<PdfWord> line;
            for (const PdfWord &w : wordsOnPage(s.pdf, 0)) {
                if (std::abs(w.box.center().y() - start->box.center().y()) < 2)
                    line << w;
            }
            std::sort(line.begin(), line.end(), [](const PdfWord &a, const PdfWord &b) { return a.box.left() < b.box.left(); });
            qsizetype next = 0;
            for (int c = 0; c < cells.size(); ++c) {
                const QStringList tokens = cells.at(c).split(u' ', Qt::SkipEmptyParts);
                QRectF box;
                for (const QString &token : tokens) {
                    if (next >= line.size() || line.at(next).text != token) {
                        *why = u"row %1: \"%2\" is not printed where expected"_s.arg(r).arg(token);
                        return boxes;
                    }
                    box = box.isNull() ? line.at(next).box : box.united(line.at(next).box);
                    ++next;
                }
                if (c == column && !tokens.isEmpty())
                    boxes.insert(r, box);
            }
        }
        return boxes;
    }

    void logInAs(const QString &user)
    {
        if (CommFunU::CurrentUser().UserName != user)
            QVERIFY2(f.reLogin(user, u"123456"_s), qPrintable(user));
    }

private slots:
    void initTestCase()
    {
        if (!havePdfToText())
            QSKIP("pdftotext (poppler-utils, scripts/install-deps) reads the printed lists back");
        QVERIFY2(QProcess::execute(Python, {u"-c"_s, u"import openpyxl"_s}) == 0,
                 "python3-openpyxl (scripts/install-deps) reads the workbooks back");
        QString error;
        QVERIFY2(f.start(u"zhengfang"_s, u"123456"_s, &error), qPrintable(error));
        const QStringList fees{u"f110"_s, u"f219"_s, u"f109"_s, u"f217"_s, u"f310"_s, u"f407"_s, u"f507"_s,
                               u"f607"_s, u"f709"_s, u"A1"_s, u"A2"_s, u"A"_s, u"B1"_s, u"B2"_s, u"B"_s};
        const QStringList finance{u"已收1"_s, u"已收2"_s, u"已付1"_s, u"已付2"_s, u"已付3"_s, u"已付4"_s,
                                  u"已付5"_s, u"已退6"_s, u"已退7"_s, u"美元发票号"_s};
        // Amounts as stored ("1000.000"), typed whole ("1000"), empty, negative and large.
        addJob(u"AM-1"_s, fees,
               {u"1000.000"_s, u"1000"_s, u"0"_s, u"12345.6"_s, u"-20.5"_s, u"0"_s, u"1000"_s, u"1234567.891"_s,
                QString(), u"1000.000"_s, u"0"_s, u"1000"_s, u"1000"_s, u"1250.5"_s, u"-250.5"_s},
               finance, {u"1"_s, u"0"_s, u"0"_s, u"1"_s, u"0"_s, u"1"_s, u"0"_s, u"0"_s, u"1"_s, u"INV-1000"_s});
        addJob(u"AM-2"_s, fees,
               {u"0"_s, u"2345678.5"_s, u"-15"_s, u"0"_s, u"0"_s, u"9876543.21"_s, u"0"_s, u"0"_s, u"500"_s,
                u"0"_s, u"-15"_s, u"15"_s, u"2345678.5"_s, u"0"_s, u"2345678.5"_s},
               finance, {u"0"_s, u"1"_s, u"1"_s, u"0"_s, u"1"_s, u"0"_s, u"1"_s, u"1"_s, u"0"_s, QString()});
        addJob(u"AM-3"_s, {}, {}, {}, {}); // no fees, no finance row
    }
    void amountColumns_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("job"); // or TOTAL:
        QTest::addColumn<bool>("amount"); // else a text column, shown left as it came
        QTest::addColumn<QString>("shown");
        const auto row = [](const char *user, const QString &list, const QString &caption, const QString &job,
                            bool amount, const QString &shown) {
            QTest::addRow("%s %s %s", qPrintable(list), qPrintable(caption), qPrintable(job))
                << QString::fromLatin1(user) << list << caption << job << amount << shown;
        };
        const QString receivable = u"应收未收款"_s;
        row("zhengfang", receivable, u"业务编号"_s, u"AM-1"_s, false, u"AM-1"_s);
        row("zhengfang", receivable, u"美圆应收款"_s, u"AM-1"_s, true, u"1,000.000"_s);  // stored 1000.000
        row("zhengfang", receivable, u"美圆已收款"_s, u"AM-1"_s, true, u"1,000.000"_s);  // a product, 1000.0
        row("zhengfang", receivable, u"美圆未收款"_s, u"AM-1"_s, true, u"0.000"_s);      // a difference, 0.0
        row("zhengfang", receivable, u"人民币应收款"_s, u"AM-1"_s, true, u"1,000.000"_s); // stored 1000
        row("zhengfang", receivable, u"人民币已收款"_s, u"AM-2"_s, true, u"2,345,678.500"_s);
        row("zhengfang", receivable, u"人民币应收款"_s, u"AM-3"_s, true, QString()); // no fees: no amount
        row("zhengfang", receivable, u"美圆应收款"_s, u"TOTAL:"_s, true, u"1,000.000"_s);
        row("zhengfang", receivable, u"人民币应收款"_s, u"TOTAL:"_s, true, u"2,346,678.500"_s);
        const QString payable = u"应付未付款"_s;
        row("zhengfang", payable, u"订舱单位美圆应付"_s, u"AM-1"_s, true, u"-20.500"_s);
        row("zhengfang", payable, u"订舱单位人民币应付"_s, u"AM-2"_s, true, u"9,876,543.210"_s);
        row("zhengfang", payable, u"车队已付"_s, u"AM-1"_s, true, u"1,234,567.891"_s);
        row("zhengfang", payable, u"仓库应付"_s, u"AM-1"_s, true, QString()); // stored empty
        row("zhengfang", payable, u"仓库未付"_s, u"AM-1"_s, true, u"0.000"_s);  // computed from the empty text
        row("zhengfang", payable, u"仓库未付"_s, u"TOTAL:"_s, true, u"0.000"_s);
        row("zhengfang", payable, u"车队应付"_s, u"TOTAL:"_s, true, u"1,234,567.891"_s);
        const QString income = u"主营业务收支"_s;
        row("zhengfang", income, u"美圆应付款"_s, u"AM-1"_s, true, u"0.000"_s);
        row("zhengfang", income, u"人民币毛利"_s, u"AM-1"_s, true, u"-250.500"_s);
        row("zhengfang", income, u"总毛利"_s, u"AM-1"_s, true, u"8,049.500"_s); // 1000 × 8.300 − 250.5
        row("zhengfang", income, u"总毛利"_s, u"AM-2"_s, true, u"2,345,803.000"_s);
        row("zhengfang", income, u"总毛利"_s, u"TOTAL:"_s, true, u"2,353,852.500"_s);
        const QString statement = u"对帐单"_s;
        row("huangyan", statement, u"海运费"_s, u"AM-1"_s, true, u"1,000.000"_s);
        row("huangyan", statement, u"美元发票号"_s, u"AM-1"_s, false, u"INV-1000"_s);
        row("huangyan", statement, u"人民币费"_s, u"AM-2"_s, true, u"2,345,678.500"_s);
        row("huangyan", statement, u"人民币费"_s, u"TOTAL:"_s, true, u"2,346,678.500"_s);
        const QString commission = u"佣金核算"_s;
        row("huangyan", commission, u"美元佣金款"_s, u"AM-2"_s, true, u"-15.000"_s);
        row("huangyan", commission, u"人民币佣金款"_s, u"AM-1"_s, true, u"12,345.600"_s);
        row("huangyan", commission, u"美元已收"_s, u"AM-1"_s, false, u"是"_s);
        row("huangyan", commission, u"美元佣金款"_s, u"TOTAL:"_s, true, u"-15.000"_s);
    }
    void amountColumns()
    {
        QFETCH(QString, user);
        QFETCH(QString, list);
        QFETCH(QString, caption);
        QFETCH(QString, job);
        QFETCH(bool, amount);
        QFETCH(QString, shown);
        logInAs(user);
        if (!m_shown.contains(list))
            m_shown.insert(list, show(list));
        const Shown &s = m_shown[list];
        const Qt::Alignment align = (amount ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;

        // The list.
        const int column = int(s.grid.value(0).indexOf(caption));
        QVERIFY2(column >= 0, qPrintable(s.grid.value(0).join(u' ')));
        const int row = rowOf(s.grid, job);
        QVERIFY(row >= 1);
        QCOMPARE(s.grid.at(row).at(column), shown);
        QCOMPARE(s.gridAlignment.value(column), align);

        // The report window's data page.
        QCOMPARE(s.page.value(0), s.grid.at(0));
        QCOMPARE(s.page.value(rowOf(s.page, job)).value(column), shown);
        QCOMPARE(s.pageAlignment.value(column), align);

        // The workbook: the captions' line, then the list's rows.
        int captions = 0;
        while (captions < s.workbook.size() && s.workbook.at(captions).toArray().at(0).toObject()[u"v"_s] != u"业务编号"_s)
            ++captions;
        QVERIFY2(captions < s.workbook.size(), "no captions in the workbook");
        QJsonObject cell;
        for (qsizetype r = captions + 1; r < s.workbook.size() && cell.isEmpty(); ++r) {
            const QJsonArray line = s.workbook.at(r).toArray();
            const bool total = std::any_of(line.begin(), line.end(),
                                           [](const QJsonValue &v) { return v.toObject()[u"v"_s] == u"TOTAL:"_s; });
            if (job == u"TOTAL:"_s ? total : line.at(0).toObject()[u"v"_s] == job)
                cell = line.at(column).toObject();
        }
        QVERIFY2(!cell.isEmpty(), "the row is not in the workbook");
        if (shown.isEmpty()) {
            QVERIFY(cell[u"v"_s].isNull());
        } else if (amount) {
            QCOMPARE(cell[u"t"_s].toString(), u"n"_s);
            QCOMPARE(cell[u"f"_s].toString(), u"#,##0.000"_s);
            QCOMPARE(cell[u"v"_s].toDouble(), CommFunU::ParseAmount(shown).toDouble());
        } else {
            QCOMPARE(cell[u"t"_s].toString(), u"s"_s);
            QCOMPARE(cell[u"v"_s].toString(), shown);
        }

        // The printed page: an amount ends where the other amounts of its
        // column end (and, being narrower or wider, starts elsewhere); a text
        // starts where the column's other texts start.
        if (shown.isEmpty())
            return;
        QString why;
        const QHash<int, QRectF> printed = printedColumn(s, column, &why);
        QVERIFY2(printed.contains(row), qPrintable(why));
        const QRectF box = printed.value(row);
        for (const QRectF &other : printed) {
            if (amount) {
                QVERIFY2(std::abs(other.right() - box.right()) < 1, qPrintable(u"%1 ends at %2, another amount of its column at %3"_s.arg(shown).arg(box.right()).arg(other.right())));
                if (std::abs(other.width() - box.width()) > 2)
                    QVERIFY(std::abs(other.left() - box.left()) > 1);
            } else {
                QVERIFY2(std::abs(other.left() - box.left()) < 1, qPrintable(shown + u" is not at the left"_s));
            }
        }
    }

    void cleanupTestCase()
    {
        // Nothing went wrong on the way: no message but the workbooks' and
        // the PDFs' "written".
        for (const RecordingMessageService::Message &m : messages.messages)
            QVERIFY2(m.text.contains(u"写入"_s) || m.text.contains(u".pdf"_s), qPrintable(m.text));
    }
};

QTEST_MAIN(TestFinanceAmounts)
#include "tst_financeamounts.moc"
