#include "filebox.h"
#include "korvanerror.h"
#include "recordingmessageservice.h"
#include "reportfixture.h"
#include "reportworkbook.h"
#include "stringgrid.h"
#include "tdataf.h"
#include "tpntmainfrm.h"

#include <QDir>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace ReportFixture;

namespace {

// openpyxl, a reader sharing nothing with the writer, prints the sheet as
// JSON: name, frozen cell, merged ranges, column widths, and every cell's
// value, type ('n' number, 's' string, 'd' date, 'f' formula), format, bold.
const char *const ReaderScript = R"py(
import json, sys, openpyxl
ws = openpyxl.load_workbook(sys.argv[1]).active
def cell(c):
    v = c.value.isoformat() if hasattr(c.value, 'isoformat') else c.value
    return {'v': v, 't': c.data_type, 'f': c.number_format, 'b': bool(getattr(c, 'font', None) and c.font.b)}
print(json.dumps({'sheet': ws.title, 'freeze': ws.freeze_panes, 'merged': [str(r) for r in ws.merged_cells.ranges],
    'widths': {k: d.width for k, d in ws.column_dimensions.items()},
    'rows': [[cell(c) for c in row] for row in ws.iter_rows()]}, ensure_ascii=False))
)py";

// Debian's python3, which sees python3-openpyxl (a python3 earlier on the
// PATH, of a virtual environment say, may not).
const QString Python = u"/usr/bin/python3"_s;

QJsonObject readBack(const QString &path)
{
    QProcess python;
    python.start(Python, {u"-c"_s, QString::fromUtf8(ReaderScript), path});
    python.waitForFinished(60000);
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

// Row and column from 0 (A1 is 0, 0).
QJsonObject cellAt(const QJsonObject &book, int row, int column)
{
    return book[u"rows"_s].toArray().at(row).toArray().at(column).toObject();
}

const QStringList Captions{u"业务编号"_s, u"委托单位"_s, u"船期"_s, u"金额"_s, u"核销单号"_s, u"提单号"_s, u"备注"_s};

// Three rows whose first cells sort into another order.
QString exportReport()
{
    const QStringList cells{
        u"HY0003"_s, u"上海远东贸易有限公司"_s, u"2026-01-15"_s, u"1,234,567.500"_s, u"0012345"_s, u"12345678"_s,
        u"=1+1"_s,
        u"HY0001"_s, u"宁波港务"_s, u"2026-02-01"_s, u"-0.830"_s, u"0098765"_s, u"87654321"_s, u"@SUM(A1)"_s,
        u"HY0002"_s, QString(), QString(), u"12"_s, QString(), u"5"_s, u"+86 21 5555"_s,
    };
    return reportText(standardHead(), Captions, cells, u"合计：3票"_s);
}

ReportDocument loaded(const QString &text)
{
    ReportDocument doc;
    doc.load(text, [](const QString &) { return 0; });
    return doc;
}

} // namespace

class TestReportWorkbook : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        QVERIFY2(QProcess::execute(Python, {u"-c"_s, u"import openpyxl"_s}) == 0,
                 "python3-openpyxl (scripts/install-deps) reads the workbooks back");
    }

    void readAmount_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value"); // NaN: not an amount
        const double no = qQNaN();
        QTest::newRow("grouped") << u"1,234,567.5"_s << 1234567.5;
        QTest::newRow("typeset minus") << u"\u22120.830"_s << -0.83;
        QTest::newRow("minus zero") << u"-0.000"_s << 0.0;
        QTest::newRow("leading zero") << u"00.5"_s << no;
        QTest::newRow("grouped wrongly") << u"1,23.5"_s << no;
        QTest::newRow("plus sign") << u"+5"_s << no;
        QTest::newRow("more digits than a double holds") << u"1234567890123456.5"_s << no;
    }

    void readAmount()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        const std::optional<double> read = ReportWorkbook::readAmount(text);
        QCOMPARE(read.has_value(), !qIsNaN(value));
        if (read)
            QCOMPARE(*read, value);
    }

    void workbookReadBack()
    {
        const QString path = m_dir.filePath(u"往来.xlsx"_s);
        ReportWorkbook(loaded(exportReport())).save(path);
        const QJsonObject book = readBack(path);
        QCOMPARE(book[u"sheet"_s].toString(), u"集装箱统计表"_s);
        QVERIFY(book[u"merged"_s].toArray().contains(u"A2:G2"_s)); // the title over the list
        QCOMPARE(cellAt(book, 3, 6)[u"v"_s].toString(), u"打印：李四"_s);
        // Captions in row 5, bold, frozen; the summary after a blank line.
        for (int c = 0; c < Captions.size(); ++c)
            QVERIFY(cellAt(book, 4, c)[u"v"_s].toString() == Captions.at(c) && cellAt(book, 4, c)[u"b"_s].toBool());
        QCOMPARE(book[u"freeze"_s].toString(), u"A6"_s);
        QCOMPARE(cellAt(book, 9, 0)[u"v"_s].toString(), u"合计：3票"_s);

        struct Expected {
            int row, column;
            QJsonValue value;
            const char *type;
            QString format;
        };
        const QString text = u"General"_s;
        const Expected cells[] = {
            {5, 1, u"上海远东贸易有限公司"_s, "s", text},
            {5, 2, u"2026-01-15T00:00:00"_s, "d", u"yyyy-mm-dd"_s},
            {5, 3, 1234567.5, "n", u"#,##0.000"_s},
            {5, 4, u"0012345"_s, "s", text},  // a leading zero keeps the column text
            {5, 5, u"12345678"_s, "s", text}, // digits without a point: text
            {5, 6, u"=1+1"_s, "s", text},     // never a formula
            {6, 3, -0.83, "n", u"#,##0.000"_s},
            {6, 6, u"@SUM(A1)"_s, "s", text},
            {7, 2, QJsonValue(), "n", text},   // an empty date stays empty
            {7, 3, 12.0, "n", u"#,##0.000"_s}, // no point, but among amounts
        };
        for (const Expected &e : cells) {
            const QJsonObject cell = cellAt(book, e.row, e.column);
            QVERIFY2(cell[u"t"_s].toString() == QLatin1String(e.type) && cell[u"v"_s] == e.value
                         && cell[u"f"_s].toString() == e.format,
                     QJsonDocument(cell).toJson(QJsonDocument::Compact).constData());
        }
        // Ten Chinese characters take twice ten digits.
        const QJsonObject widths = book[u"widths"_s].toObject();
        QVERIFY(widths[u"B"_s].toDouble() >= 20 && widths[u"B"_s].toDouble() <= 30);
        QVERIFY(widths[u"A"_s].toDouble() < widths[u"B"_s].toDouble());
    }

    // A column the list declares an amount column is written as numbers,
    // also where its cells alone would read as text (whole numbers without a
    // point, "0"); the loaded cells show "#,##0.000". Undeclared columns keep
    // the kind their cells give.
    void declaredAmountColumns_data()
    {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("shown");  // on the data page and in print
        QTest::addColumn<QJsonValue>("value");
        QTest::addColumn<QString>("type");
        QTest::newRow("whole") << u"1000"_s << u"1,000.000"_s << QJsonValue(1000.0) << u"n"_s;
        QTest::newRow("zero") << u"0"_s << u"0.000"_s << QJsonValue(0.0) << u"n"_s;
        QTest::newRow("computed") << u"1000.0"_s << u"1,000.000"_s << QJsonValue(1000.0) << u"n"_s;
        QTest::newRow("negative") << u"-1234.5"_s << u"-1,234.500"_s << QJsonValue(-1234.5) << u"n"_s;
        QTest::newRow("large") << u"98765432.1"_s << u"98,765,432.100"_s << QJsonValue(98765432.1) << u"n"_s;
        QTest::newRow("empty") << QString() << QString() << QJsonValue() << u"n"_s;
        // A text that is no amount is kept, as text, never read as a number.
        QTest::newRow("no amount") << u"待定"_s << u"待定"_s << QJsonValue(u"待定"_s) << u"s"_s;
    }
    void declaredAmountColumns()
    {
        QFETCH(QString, cell);
        QFETCH(QString, shown);
        QFETCH(QJsonValue, value);
        QFETCH(QString, type);
        ReportDocument doc;
        const QString text = reportText({}, {u"业务编号"_s, u"金额"_s, u"件数"_s},
                                        {u"1001"_s, cell, u"3"_s, u"1002"_s, u"5"_s, u"4"_s}, QString());
        doc.load(text, [](const QString &) { return 0; }, ListColumns::Amounts({1}));
        QCOMPARE(doc.cell(0, 1), shown);
        QCOMPARE(doc.cell(1, 1), u"5.000"_s);
        QCOMPARE(doc.cell(1, 2), u"4"_s);
        QCOMPARE(doc.listColumns().amountColumns(3), QList<int>{1});
        QVERIFY(doc.columns.at(1).kind == ListColumns::Kind::Amount);
        const QString path = m_dir.filePath(u"declared.xlsx"_s);
        ReportWorkbook(doc).save(path);
        const QJsonObject book = readBack(path);
        const QJsonObject amount = cellAt(book, 1, 1); // no titles: the captions come first
        QVERIFY2(amount[u"t"_s].toString() == type && amount[u"v"_s] == value,
                 QJsonDocument(amount).toJson(QJsonDocument::Compact).constData());
        if (type == u"n"_s && !value.isNull())
            QCOMPARE(amount[u"f"_s].toString(), u"#,##0.000"_s);
        QCOMPARE(cellAt(book, 2, 1)[u"f"_s].toString(), u"#,##0.000"_s);
        // Counts without a point are no amounts unless declared.
        QCOMPARE(cellAt(book, 2, 2)[u"t"_s].toString(), u"s"_s);
        QCOMPARE(cellAt(book, 1, 0)[u"v"_s].toString(), u"1001"_s);
    }

    void unwritableFileIsReportedAndNothingIsLeft_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing folder") << u"no/such/folder/x.xlsx"_s << u"无法写入Excel文件"_s;
        // The workbook cannot be built: the file it would replace is untouched.
        QTest::newRow("more columns than a sheet holds") << u"old.xlsx"_s << u"导出Excel出错"_s;
    }

    void unwritableFileIsReportedAndNothingIsLeft()
    {
        QFETCH(QString, target);
        QFETCH(QString, message);
        QTemporaryDir folder;
        QFile old(folder.filePath(u"old.xlsx"_s));
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        old.close();
        const QStringList before = QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden);

        ReportDocument doc = loaded(exportReport());
        while (target == u"old.xlsx"_s && doc.columns.size() <= 16384)
            doc.columns.append({u"列"_s, 10});
        try {
            ReportWorkbook(doc).save(folder.filePath(target));
            QFAIL("the workbook was written");
        } catch (const KorvanError &e) {
            QVERIFY2(e.message().startsWith(message), qPrintable(e.message()));
        }
        QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden), before);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("old"));
    }

    void exportThroughTheDataPage()
    {
        RecordingMessageService messages;
        TPntMainFrm window(nullptr, m_dir.filePath(u"settings"_s));
        QVERIFY(window.Load(exportReport()));
        TDataF *page = window.dataPage();
        // Named after the report until the user chooses another file.
        QCOMPARE(page->excelFileBox()->fileName(), QDir::current().absoluteFilePath(u"集装箱统计表.xlsx"_s));
        QCOMPARE(page->excelFileBox()->lineEdit()->accessibleName(), u"Excel文件"_s);

        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QHeaderView *header = page->list()->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(0) + 5, header->height() / 2));
        const QString path = m_dir.filePath(u"统计.xlsx"_s);
        page->excelFileBox()->lineEdit()->setText(path);
        page->exportButton()->click();
        QCOMPARE(messages.lastText(), u"报表已写入Excel文件：\r"_s + path);

        // The rows as the page shows them, sorted by the first column.
        const QJsonObject book = readBack(path);
        for (int r = 0; r < 3; ++r)
            QCOMPARE(cellAt(book, 5 + r, 0)[u"v"_s].toString(), u"HY000%1"_s.arg(r + 1));
        QCOMPARE(cellAt(book, 5, 3)[u"v"_s].toDouble(), -0.83);

        // A file that cannot be written is a warning.
        page->excelFileBox()->lineEdit()->setText(m_dir.filePath(u"没有/x.xlsx"_s));
        page->exportButton()->click();
        QVERIFY(messages.messages.size() == 2 && messages.messages.last().icon == MessageService::Icon::Warning);
        QVERIFY(messages.lastText().startsWith(u"无法写入Excel文件: "_s + m_dir.filePath(u"没有/x.xlsx"_s)));
    }
};

QTEST_MAIN(TestReportWorkbook)
#include "tst_reportworkbook.moc"
