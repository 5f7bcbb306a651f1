#include "reportfixture.h"
#include "stringgrid.h"
#include "tdataf.h"

#include <QHeaderView>
#include <QLabel>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace ReportFixture;
using CommFunU::CellSep;
using CommFunU::ColonMark;
using CommFunU::FieldSep;

using Rows = QList<QStringList>;

class TestReportDocument : public QObject
{
    Q_OBJECT

private slots:
    void localPlaceholder()
    {
        TDataF page;
        QVERIFY(!page.Load(u"Local"_s));
        QCOMPARE(page.subtitleLabel()->text(), u"Local"_s);
        QVERIFY(page.titleLabel()->text().isEmpty());
        for (int i = 0; i < 6; ++i)
            QVERIFY(page.headerLabel(i)->text().isEmpty());
        QVERIFY(page.summaryLabel()->text().isEmpty());
        QCOMPARE(page.document().columns.size(), 0);
        QCOMPARE(page.document().rows.size(), 0);
        // The signature captions are the only texts a new page shows.
        QCOMPARE(page.signatureLabel(0)->text(), u"业务员签字："_s);
        QCOMPARE(page.signatureLabel(1)->text(), u"操作员签字："_s);
        QCOMPARE(page.signatureLabel(2)->text(), u"负责人签字："_s);
    }

    void load_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("loaded");
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<QString>("summary");

        const QStringList head = standardHead();
        const QStringList abc = {u"A"_s, u"B"_s, u"C"_s};
        QTest::newRow("columns without cells")
            << reportText(head, abc, {}, u"共0票"_s) << true << abc << Rows{} << u"共0票"_s;
        QTest::newRow("seven cells for three columns")
            << reportText(head, abc, {u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s, u"7"_s}, u"小结"_s) << true
            << abc << Rows{{u"1"_s, u"2"_s, u"3"_s}, {u"4"_s, u"5"_s, u"6"_s}, {u"7"_s}} << u"小结"_s;
        // The last cell has nothing after it: it is dropped and there is no summary.
        QTest::newRow("ends without CellSep")
            << reportText(head, {u"A"_s, u"B"_s}, {u"1"_s, u"2"_s, u"3"_s, u"4"_s}, QString(), false) << true
            << QStringList{u"A"_s, u"B"_s} << Rows{{u"1"_s, u"2"_s}, {u"3"_s}} << QString();
        QTest::newRow("empty cells keep their place")
            << reportText(head, {u"A"_s, u"B"_s}, {QString(), u"2"_s, u"3"_s, QString()}, u"s"_s) << true
            << QStringList{u"A"_s, u"B"_s} << Rows{{QString(), u"2"_s}, {u"3"_s, QString()}} << u"s"_s;
        QTest::newRow("colon mark is a colon")
            << reportText(head, {u"时间"_s + ColonMark}, {u"10"_s + ColonMark + u"30"_s}, u"合计"_s + ColonMark + u"1"_s)
            << true << QStringList{u"时间:"_s} << Rows{{u"10:30"_s}} << u"合计:1"_s;
        // A list without columns has nowhere to put cells: they are passed
        // over instead of dividing by a column count of zero.
        QTest::newRow("no columns")
            << reportText(head, {}, {u"x"_s, u"y"_s}, u"小结"_s) << true << QStringList{} << Rows{} << u"小结"_s;

        QString notNumber = reportText(head, abc, {u"1"_s}, u"s"_s);
        notNumber.replace(u"3"_s + FieldSep + u"A"_s, u"三"_s + FieldSep + u"A"_s);
        QTest::newRow("count not a number") << notNumber << false << QStringList{} << Rows{} << QString();
        QString negative = reportText(head, abc, {u"1"_s}, u"s"_s);
        negative.replace(u"3"_s + FieldSep + u"A"_s, u"-3"_s + FieldSep + u"A"_s);
        QTest::newRow("negative count") << negative << false << QStringList{} << Rows{} << QString();
        // A count far beyond the fields of the text cannot be right.
        QString huge = reportText(head, abc, {u"1"_s}, u"s"_s);
        huge.replace(u"3"_s + FieldSep + u"A"_s, u"99999999"_s + FieldSep + u"A"_s);
        QTest::newRow("count beyond the text") << huge << false << QStringList{} << Rows{} << QString();
    }

    void load()
    {
        QFETCH(QString, text);
        QFETCH(bool, loaded);
        QFETCH(QStringList, captions);
        QFETCH(Rows, rows);
        QFETCH(QString, summary);

        TDataF page;
        QCOMPARE(page.Load(text), loaded);
        const ReportDocument &doc = page.document();
        QStringList gotCaptions;
        for (const auto &column : doc.columns)
            gotCaptions.append(column.caption);
        QCOMPARE(gotCaptions, captions);
        QCOMPARE(doc.rows, rows);
        QCOMPARE(doc.summary, summary);
        QCOMPARE(page.summaryLabel()->text(), summary);

        // Titles and header texts are shown whatever the list.
        const QStringList head = standardHead();
        QCOMPARE(page.subtitleLabel()->text(), head.at(0));
        QCOMPARE(page.titleLabel()->text(), head.at(1));
        for (int i = 0; i < 6; ++i)
            QCOMPARE(page.headerLabel(i)->text(), head.at(2 + i));

        // The list shows the captions as its heading row and the rows below.
        if (loaded) {
            QCOMPARE(page.list()->rowCount(), int(rows.size()) + 1);
            for (int r = 0; r < rows.size(); ++r) {
                for (int c = 0; c < captions.size(); ++c)
                    QCOMPARE(page.list()->cell(r + 1, c), rows.at(r).value(c));
            }
        }
    }

    void columnsAreCaptionWidthPlus30()
    {
        TDataF page;
        QVERIFY(page.Load(reportText(standardHead(), {u"业务编号"_s, u"W"_s, QString()}, {}, QString())));
        const QFontMetrics metrics(page.document().listFont);
        const auto &columns = page.document().columns;
        QCOMPARE(columns.at(0).width, metrics.horizontalAdvance(u"业务编号"_s) + 30);
        QCOMPARE(columns.at(1).width, metrics.horizontalAdvance(u"W"_s) + 30);
        QCOMPARE(columns.at(2).width, 30);
        QCOMPARE(page.list()->columnWidth(0), columns.at(0).width);
    }

    void widenedColumnPrintsWider()
    {
        TDataF page;
        QVERIFY(page.Load(reportText(standardHead(), {u"A"_s, u"B"_s}, {u"1"_s, u"2"_s}, QString())));
        page.list()->horizontalHeader()->resizeSection(1, 250);
        QCOMPARE(page.document().columns.at(1).width, 250);
    }

    void sortByHeadingClick_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QStringList>("firstColumnAfter");
        QTest::newRow("first column, case-insensitive") << 0 << QStringList{u"A"_s, u"b"_s, u"c"_s};
        // Column 1: "z", missing, "m" — a missing cell sorts as empty text.
        QTest::newRow("column with a missing cell") << 1 << QStringList{u"c"_s, u"A"_s, u"b"_s};
    }

    void sortByHeadingClick()
    {
        QFETCH(int, column);
        QFETCH(QStringList, firstColumnAfter);
        TDataF page;
        // Rows: (b, z), (A, m), (c) — the last row has one cell.
        QVERIFY(page.Load(
            reportText(standardHead(), {u"名称"_s, u"代码"_s}, {u"b"_s, u"z"_s, u"A"_s, u"m"_s, u"c"_s}, u"s"_s, true)));
        page.resize(600, 500);
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));

        QHeaderView *header = page.list()->horizontalHeader();
        const QPoint inSection(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                               header->height() / 2);
        for (int click = 0; click < 2; ++click) { // every click sorts ascending again
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, inSection);
            QStringList got;
            for (int r = 1; r < page.list()->rowCount(); ++r)
                got.append(page.list()->cell(r, 0));
            QCOMPARE(got, firstColumnAfter);
            QStringList inDocument;
            for (const QStringList &row : page.document().rows)
                inDocument.append(row.value(0));
            QCOMPARE(inDocument, firstColumnAfter);
        }
        // The caption row stays on top.
        QCOMPARE(page.list()->cell(0, 1), u"代码"_s);
    }

    void fontsGoWhereTheyBelong()
    {
        TDataF page;
        QFont body = ReportDocument::defaultFont(12);
        QFont summary = ReportDocument::defaultFont(7);
        page.setBodyFont(body);
        page.setSummaryFont(summary);
        QCOMPARE(page.document().listFont.pointSize(), 12);
        QCOMPARE(page.document().headerFont.pointSize(), 12);
        QCOMPARE(page.headerLabel(4)->font().pointSize(), 12);
        QCOMPARE(page.list()->font().pointSize(), 12);
        QCOMPARE(page.signatureLabel(2)->font().pointSize(), 7);
        QCOMPARE(page.summaryLabel()->font().pointSize(), 7);
        QCOMPARE(page.titleLabel()->font().pointSize(), 15);
    }
};

QTEST_MAIN(TestReportDocument)
#include "tst_reportdocument.moc"
