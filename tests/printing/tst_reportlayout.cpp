#include "reportfixture.h"
#include "reportlayout.h"
#include "reportsettings.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace ReportFixture;

namespace {

constexpr int Dpi = 300;

// A report laid out and written as an A4 PDF at 300 dpi, read back.
struct Rendered {
    ReportLayout::Page page;
    QList<ReportLayout::PageStart> starts;
    QList<int> widths;
    QList<PdfWord> words; // boxes in device pixels
    int pages = 0;
};

Rendered renderPdf(const ReportDocument &doc, const QString &path, bool withTotal = true,
                   const ReportSettings &settings = ReportSettings())
{
    Rendered out;
    {
        QPdfWriter writer(path);
        writer.setResolution(Dpi);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        out.page = ReportLayout::Page::fromSettings(settings, QSize(writer.width(), writer.height()), Dpi, Dpi);
        ReportLayout layout(doc, out.page, &writer);
        out.pages = layout.paginate();
        out.starts = layout.pageStarts();
        out.widths = layout.columnWidths();
        QPainter painter(&writer);
        for (int i = 0; i < out.pages; ++i) {
            if (i > 0)
                writer.newPage();
            layout.paintPage(painter, i, withTotal ? out.pages : 0);
        }
    }
    const double scale = Dpi / 72.0;
    for (PdfWord w : pdfWords(path)) {
        w.box = QRectF(w.box.left() * scale, w.box.top() * scale, w.box.width() * scale, w.box.height() * scale);
        out.words.append(w);
    }
    return out;
}

// Rows per page: the r-numbers found on each page.
QList<QList<int>> rowsByPage(const Rendered &r)
{
    QList<QList<int>> pages(r.pages);
    for (const PdfWord &w : r.words) {
        if (w.text.size() == 5 && w.text.startsWith(u'r'))
            pages[w.page].append(w.text.mid(1).toInt());
    }
    return pages;
}

// The rows count that makes the layout end the way wanted.
int rowsFor(const QList<int> &widths, const std::function<bool(const ReportLayout &)> &wanted)
{
    QPdfWriter writer(QStringLiteral("/dev/null"));
    writer.setResolution(Dpi);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    const auto page = ReportLayout::Page::fromSettings(ReportSettings(), QSize(writer.width(), writer.height()), Dpi, Dpi);
    for (int n = 1; n < 2000; ++n) {
        const ReportDocument doc = document(widths, n);
        ReportLayout layout(doc, page, &writer);
        layout.paginate();
        if (wanted(layout))
            return n;
    }
    return -1;
}

} // namespace

class TestReportLayout : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString pdfPath(const char *name) const { return m_dir.filePath(QString::fromLatin1(name) + u".pdf"_s); }

private slots:
    void initTestCase()
    {
        if (!havePdfToText())
            QSKIP("pdftotext (poppler-utils) is needed to read the pages back");
    }

    void settingsToPixels_data()
    {
        QTest::addColumn<int>("dpiX");
        QTest::addColumn<int>("dpiY");
        QTest::addColumn<QList<int>>("expected"); // left right top bottom titleGap headerGap lineGap summaryGap
        // Defaults: margins 5 5 5 20, gaps 10 2 2 5 millimetres.
        QTest::newRow("screen 96") << 96 << 96 << QList<int>{19, 19, 19, 76, 38, 8, 8, 19};
        QTest::newRow("printer 600") << 600 << 600 << QList<int>{118, 118, 118, 472, 236, 47, 47, 118};
        // Left and right by the horizontal resolution, the rest by the vertical one.
        QTest::newRow("600 x 300") << 600 << 300 << QList<int>{118, 118, 59, 236, 118, 24, 24, 59};
    }

    void settingsToPixels()
    {
        QFETCH(int, dpiX);
        QFETCH(int, dpiY);
        QFETCH(QList<int>, expected);
        const auto p = ReportLayout::Page::fromSettings(ReportSettings(), QSize(1000, 2000), dpiX, dpiY);
        QCOMPARE((QList<int>{p.left, p.right, p.top, p.bottom, p.titleGap, p.headerGap, p.lineGap, p.summaryGap}),
                 expected);
        QCOMPARE(p.width, 1000);
        QCOMPARE(p.height, 2000);
    }

    void footerText_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("total");
        QTest::addColumn<QString>("text");
        QTest::newRow("with total") << 1 << 3 << u"第 1页 共 3页"_s;
        QTest::newRow("without total") << 2 << 0 << u"第 2页 "_s;
        QTest::newRow("two digits") << 12 << 12 << u"第12页 共12页"_s;
    }

    void footerText()
    {
        QFETCH(int, page);
        QFETCH(int, total);
        QFETCH(QString, text);
        QCOMPARE(ReportLayout::footerText(page, total), text);
    }

    void reportWithoutRowsIsOnePage()
    {
        const ReportDocument doc = document({200, 300, 200}, 0);
        const Rendered r = renderPdf(doc, pdfPath("norows"));
        QCOMPARE(r.pages, 1);
        const QStringList expected = {u"上海Korvan国际货运代理有限公司"_s, u"集装箱统计表"_s, u"期间一"_s, u"部门二"_s,
                                      u"制表三"_s, u"币种四"_s, u"船名五"_s, u"打印六"_s, u"列0"_s, u"列1"_s, u"列2"_s,
                                      u"合计：箱量100"_s, u"业务员签字："_s, u"操作员签字："_s, u"负责人签字："_s};
        for (const QString &text : expected)
            QVERIFY2(findWord(r.words, text, 0), qPrintable(text));
        QVERIFY(findWord(r.words, u"共"_s, 0));
        QCOMPARE(r.words.last().page, 0);

        // Summary and first signature at the left margin, the signature below
        // the summary, the third header text and the footer against the right
        // margin.
        const PdfWord *summary = findWord(r.words, u"合计：箱量100"_s);
        const PdfWord *signature = findWord(r.words, u"业务员签字："_s);
        QVERIFY(qAbs(summary->box.left() - r.page.left) < 4);
        QVERIFY(qAbs(signature->box.left() - r.page.left) < 4);
        QVERIFY(signature->box.top() > summary->box.bottom() - 2);
        QVERIFY(qAbs(findWord(r.words, u"制表三"_s)->box.right() - (r.page.width - r.page.right)) < 4);
        const PdfWord *lastFooterWord = findWord(r.words, u"1页"_s);
        QVERIFY(lastFooterWord);
        const PdfWord *total = nullptr;
        for (const PdfWord &w : r.words) {
            if (w.text == u"1页"_s)
                total = &w; // the second "1页" is the total, the last word of the footer
        }
        QVERIFY(qAbs(total->box.right() - (r.page.width - r.page.right)) < 4);
        QVERIFY(total->box.bottom() <= r.page.height - r.page.bottom + 2);
        QVERIFY(total->box.bottom() > r.page.height - r.page.bottom - 60);
    }

    void threePagesWithFooters()
    {
        const QList<int> widths = {200, 300, 200};
        const int n = rowsFor(widths, [](const ReportLayout &l) {
            return l.pageCount() == 3 && !l.pageStarts().last().summaryOnly;
        });
        QVERIFY(n > 0);
        const ReportDocument doc = document(widths, n);

        const Rendered second = renderPdf(doc, pdfPath("three-total"), true);
        QCOMPARE(second.pages, 3);
        const QStringList pages = pdfPages(pdfPath("three-total"));
        QCOMPARE(pages.size(), 3);
        for (int i = 0; i < 3; ++i) {
            QVERIFY2(pages.at(i).contains(u"第 %1页 共 3页"_s.arg(i + 1)), qPrintable(pages.at(i).right(200)));
            // Every page of rows carries the titles, header texts and captions.
            QVERIFY(findWord(second.words, u"集装箱统计表"_s, i));
            QVERIFY(findWord(second.words, u"打印六"_s, i));
            QVERIFY(findWord(second.words, u"列2"_s, i));
        }
        QVERIFY(!pages.at(0).contains(u"合计"_s));
        QVERIFY(pages.at(2).contains(u"合计：箱量100"_s));

        // The breaks the layout counted are the breaks it drew: each row once,
        // in order, on the page its start says.
        const QList<QList<int>> byPage = rowsByPage(second);
        int expectedRow = 0;
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(byPage.at(i).value(0), second.starts.at(i).firstRow);
            for (int row : byPage.at(i))
                QCOMPARE(row, expectedRow++);
        }
        QCOMPARE(expectedRow, n);

        const Rendered first = renderPdf(doc, pdfPath("three-nototal"), false);
        const QStringList firstPages = pdfPages(pdfPath("three-nototal"));
        QCOMPARE(firstPages.size(), 3);
        for (int i = 0; i < 3; ++i) {
            QVERIFY(firstPages.at(i).contains(u"第 %1页"_s.arg(i + 1)));
            QVERIFY(!firstPages.at(i).contains(u"共"_s));
        }
        Q_UNUSED(first);
    }

    void summaryMovesToPageWithoutCaptions()
    {
        const QList<int> widths = {200, 300, 200};
        const int n = rowsFor(widths, [](const ReportLayout &l) { return l.pageStarts().last().summaryOnly; });
        QVERIFY(n > 0);
        const Rendered r = renderPdf(document(widths, n), pdfPath("summary"));
        const int last = r.pages - 1;
        QVERIFY(last >= 1);
        QVERIFY(!r.starts.at(last).captions);
        // Titles and header texts, no captions and no rows on the last page.
        QVERIFY(findWord(r.words, u"集装箱统计表"_s, last));
        QVERIFY(findWord(r.words, u"船名五"_s, last));
        QVERIFY(!findWord(r.words, u"列0"_s, last));
        QVERIFY(rowsByPage(r).at(last).isEmpty());
        QCOMPARE(rowsByPage(r).at(last - 1).last(), n - 1);
        const PdfWord *summary = findWord(r.words, u"合计：箱量100"_s);
        QVERIFY(summary);
        QCOMPARE(summary->page, last);
        QVERIFY(qAbs(summary->box.left() - r.page.left) < 4);
        QVERIFY(summary->box.top() > findWord(r.words, u"船名五"_s, last)->box.bottom());
        QVERIFY(findWord(r.words, u"负责人签字："_s, last));
        QVERIFY(!findWord(r.words, u"合计：箱量100"_s, last - 1));
    }

    void narrowColumnIsLeftOutOnEveryPage()
    {
        // 2 of 602 pixels: scaled to the page it stays under 10 pixels.
        const QList<int> widths = {300, 2, 300};
        ReportDocument doc = document(widths, 120);
        const Rendered r = renderPdf(doc, pdfPath("narrow"));
        QVERIFY(r.pages >= 2);
        QCOMPARE(r.widths.at(1), 0);
        QVERIFY(r.widths.at(0) > 10);
        for (int page = 0; page < r.pages; ++page) {
            QVERIFY(!findWord(r.words, u"列1"_s, page));
            QVERIFY(findWord(r.words, u"列2"_s, page));
            // The third column moves left into the place of the second.
            const PdfWord *third = findWord(r.words, u"列2"_s, page);
            QVERIFY2(qAbs(third->box.left() - (r.page.left + r.widths.at(0) + 1)) < 4,
                     qPrintable(QString::number(third->box.left())));
        }
        for (const PdfWord &w : r.words)
            QVERIFY2(!w.text.startsWith(u"c1-"_s), qPrintable(w.text));
    }

    void amountsRightAlignedOtherTextLeft()
    {
        ReportDocument doc = document({300, 300}, 0);
        doc.rows = {{u"1234.50"_s, u"1234.5"_s}, {u"12.345"_s, u"9.99"_s}};
        const Rendered r = renderPdf(doc, pdfPath("amounts"));
        const int colRight0 = r.page.left + r.widths.at(0);
        const int colRight1 = colRight0 + r.widths.at(1);
        const QFontMetrics fm(doc.listFont, [] {
            static QPdfWriter w(QStringLiteral("/dev/null"));
            w.setResolution(Dpi);
            return &w;
        }());
        const int textLeft0 = r.page.left + fm.horizontalAdvance(u'X') / 2 + 1;
        const int textLeft1 = colRight0 + fm.horizontalAdvance(u'X') / 2 + 1;
        QVERIFY(qAbs(findWord(r.words, u"1234.50"_s)->box.right() - colRight0) < 4);
        QVERIFY(qAbs(findWord(r.words, u"9.99"_s)->box.right() - colRight1) < 4);
        QVERIFY(qAbs(findWord(r.words, u"1234.5"_s)->box.left() - textLeft1) < 4);
        QVERIFY(qAbs(findWord(r.words, u"12.345"_s)->box.left() - textLeft0) < 4);
    }

    void tooWideTextShrinks()
    {
        ReportDocument doc = document({400, 60}, 0);
        doc.rows = {{u"normal"_s, u"短"_s}, {u"x"_s, u"一二三四五六七八九十"_s}};
        const Rendered r = renderPdf(doc, pdfPath("shrink"));
        const PdfWord *normal = findWord(r.words, u"短"_s);
        const PdfWord *shrunk = findWord(r.words, u"一二三四五六七八九十"_s);
        QVERIFY(normal && shrunk);
        QVERIFY(shrunk->box.height() < normal->box.height() * 0.8);
        QVERIFY(shrunk->box.right() <= r.page.left + r.widths.at(0) + r.widths.at(1) + 2);
    }

    void noColumnWidthMeansNoList()
    {
        ReportDocument doc = document({0, 0}, 5);
        const Rendered r = renderPdf(doc, pdfPath("nowidth"));
        QCOMPARE(r.pages, 1);
        QVERIFY(!findWord(r.words, u"r0000"_s));
        QVERIFY(!findWord(r.words, u"列0"_s));
        QVERIFY(findWord(r.words, u"合计：箱量100"_s));
    }

    void marginsBeyondThePageStillEnd()
    {
        // Everything overflows such a page: the first page keeps only its
        // captions, every further page takes one row, the summary one more;
        // the layout ends instead of opening pages for ever.
        ReportSettings s;
        s.topMargin = 999;
        s.bottomMargin = 999;
        s.leftMargin = 999;
        const ReportDocument doc = document({100, 100}, 4);
        QImage image(794, 1123, QImage::Format_RGB32);
        ReportLayout layout(doc, ReportLayout::Page::fromSettings(s, image.size(), 96, 96), &image);
        QCOMPARE(layout.paginate(), 6);
        QCOMPARE(layout.pageStarts().at(1).firstRow, 0);
        QCOMPARE(layout.pageStarts().at(4).firstRow, 3);
        QVERIFY(layout.pageStarts().at(5).summaryOnly);
        QCOMPARE(layout.columnWidths(), (QList<int>{0, 0}));
    }

    void framesOnAPageImage()
    {
        // Screen resolution, as the preview draws.
        QImage image(794, 1123, QImage::Format_RGB32);
        image.setDotsPerMeterX(3780);
        image.setDotsPerMeterY(3780);
        image.fill(Qt::white);
        const int rows = 7;
        const ReportDocument doc = document({100, 150, 100}, rows);
        const auto page = ReportLayout::Page::fromSettings(ReportSettings(), image.size(), 96, 96);
        ReportLayout layout(doc, page, &image);
        QCOMPARE(layout.paginate(), 1);
        {
            QPainter painter(&image);
            layout.paintPage(painter, 0, 1);
        }
        // The left edge of the frames runs unbroken from the top of the
        // caption band to the bottom of the last row: one band and seven
        // rows of "X" height plus the line gap, and the closing pixel.
        const int h = QFontMetrics(doc.listFont, &image).height();
        auto longestRun = [&image](int x) {
            int best = 0, run = 0;
            for (int y = 0; y < image.height(); ++y) {
                run = qGray(image.pixel(x, y)) < 128 ? run + 1 : 0;
                best = qMax(best, run);
            }
            return best;
        };
        const int expected = (rows + 1) * (h + page.lineGap) + 1;
        QCOMPARE(longestRun(page.left), expected);
        int right = page.left;
        for (int w : layout.columnWidths())
            right += w;
        QCOMPARE(longestRun(right), expected);
        QCOMPARE(longestRun(right + 2), 0);
    }
};

QTEST_MAIN(TestReportLayout)
#include "tst_reportlayout.moc"
