#include "recordingmessageservice.h"
#include "reportfixture.h"
#include "reportprinter.h"
#include "stringgrid.h"
#include "tdataf.h"
#include "tpntmainfrm.h"
#include "tpreviewf.h"
#include "tsetupf.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace ReportFixture;

namespace {

QString rowsReport(int rows)
{
    QStringList cells;
    for (int r = 0; r < rows; ++r)
        cells << u"r%1"_s.arg(r, 4, 10, QLatin1Char('0')) << u"上海"_s << u"%1.50"_s.arg(r);
    return reportText(standardHead(), {u"业务编号"_s, u"港口"_s, u"金额"_s}, cells, u"合计：%1票"_s.arg(rows));
}

// The leftmost dark pixel in the footer band of a preview page (the footer
// is right-aligned, so a longer footer starts further left).
int footerInkLeft(const QImage &image, const TPreviewF *preview, const QFont &listFont)
{
    const auto page = ReportLayout::Page::fromSettings(preview->settings(), image.size(), preview->screenDpi(),
                                                       preview->screenDpi());
    const int bottomY = page.height - page.bottom;
    const int textHeight = QFontMetrics(listFont, &image).height();
    for (int x = image.width() / 2; x < image.width() - 2; ++x) {
        for (int y = bottomY - textHeight; y < bottomY; ++y) {
            if (qGray(image.pixel(x, y)) < 128)
                return x;
        }
    }
    return -1;
}

// Rows enough for three preview pages with the summary on the third: the
// rows of one page, measured on a longer report.
int rowsForThreePages(const QString &settingsPath)
{
    TPntMainFrm window(nullptr, settingsPath);
    if (!window.Load(rowsReport(500)))
        return -1;
    window.previewPage()->build();
    const int perPage = window.previewPage()->layout()->pageStarts().at(1).firstRow;
    return 2 * perPage + perPage / 2;
}

} // namespace

class TestPntMainFrm : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString settingsFile(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void creation()
    {
        const QString path = settingsFile(u"create"_s);
        TPntMainFrm window(nullptr, path);
        QCOMPARE(window.windowTitle(), u"打印窗体"_s);
        QCOMPARE(window.tabButton(0)->text(), u"数据窗口"_s);
        QCOMPARE(window.tabButton(1)->text(), u"预览窗口"_s);
        QCOMPARE(window.tabButton(2)->text(), u"设置和打印窗口"_s);
        QCOMPARE(window.tabButton(3)->text(), u"返回"_s);
        // The placeholder report and a settings file created empty.
        QCOMPARE(window.dataPage()->subtitleLabel()->text(), u"Local"_s);
        QVERIFY(QFile::exists(path));
        QCOMPARE(QFile(path).size(), 0);
        // Every machine can output: the PDF target is always offered.
        QVERIFY(window.setupPage()->printerBox()->findText(ReportPrinter::pdfTargetName()) >= 0);
        QCOMPARE(window.setupPage()->box(TsetupF::Bottom)->text(), u"20"_s);
    }

    void loadAnswersWhetherThereIsAList()
    {
        RecordingMessageService messages;
        TPntMainFrm window(nullptr, settingsFile(u"load"_s));
        QVERIFY(!window.Load(u"Local"_s));
        TPntMainFrm other(nullptr, settingsFile(u"load"_s));
        QVERIFY(other.Load(rowsReport(3)));
        QCOMPARE(other.dataPage()->list()->rowCount(), 4);
        QVERIFY(messages.messages.isEmpty());
    }

    void previewIsBuiltTwice()
    {
        const int rows = rowsForThreePages(settingsFile(u"preview"_s));
        TPntMainFrm window(nullptr, settingsFile(u"preview"_s));
        QVERIFY(window.Load(rowsReport(rows)));
        TPreviewF *preview = window.previewPage();

        // The first build alone: footers without the total.
        preview->setPageTotal(0);
        const int pages = preview->build();
        QCOMPARE(pages, 3);
        const int withoutTotal = footerInkLeft(preview->pageImage(0), preview, window.dataPage()->document().listFont);

        window.showTab(TPntMainFrm::PreviewTab);
        QCOMPARE(window.currentTab(), TPntMainFrm::PreviewTab);
        QCOMPARE(preview->pageCount(), 3);
        QCOMPARE(preview->pageTotal(), 3);
        const QImage first = preview->pageImage(0);
        const int withTotal = footerInkLeft(first, preview, window.dataPage()->document().listFont);

        // "第 1页 " against "第 1页 共 3页", both ending at the right margin.
        const QFontMetrics fm(window.dataPage()->document().listFont, &first);
        const int expectedShift = fm.horizontalAdvance(u"第 1页 共 3页"_s) - fm.horizontalAdvance(u"第 1页 "_s);
        QVERIFY2(qAbs((withoutTotal - withTotal) - expectedShift) <= 3,
                 qPrintable(u"%1 %2 %3"_s.arg(withoutTotal).arg(withTotal).arg(expectedShift)));
    }

    void previewPlacement()
    {
        TPntMainFrm window(nullptr, settingsFile(u"placement"_s));
        QVERIFY(window.Load(rowsReport(rowsForThreePages(settingsFile(u"placement"_s)))));
        window.showTab(TPntMainFrm::PreviewTab);
        TPreviewF *preview = window.previewPage();
        const QSize size = preview->pageSize();
        // A4 portrait at the screen's resolution.
        const int dpi = preview->screenDpi();
        QVERIFY(qAbs(size.width() - qRound(210 / 25.4 * dpi)) <= 1);
        QVERIFY(qAbs(size.height() - qRound(297 / 25.4 * dpi)) <= 1);
        QCOMPARE(preview->pagePlacement(0), QRect(QPoint(30, 20), size));
        // Shadow 5 below, spacer 21 below the shadow: the next page.
        QCOMPARE(preview->pagePlacement(1).topLeft(), QPoint(30, 20 + size.height() + 26));
        QCOMPARE(preview->contentsSize(),
                 QSize(30 + size.width() + 5 + 31, 20 + 3 * (size.height() + 26)));

        // A page image: white with a black frame.
        const QImage image = preview->pageImage(1);
        QCOMPARE(image.size(), size);
        QCOMPARE(qGray(image.pixel(0, size.height() / 2)), 0);
        QCOMPARE(qGray(image.pixel(size.width() - 1, 5)), 0);
        QCOMPARE(qGray(image.pixel(size.width() / 2, size.height() - 1)), 0);
        QCOMPARE(qGray(image.pixel(3, 3)), 255);
    }

    void previewKeepsFewPageImages()
    {
        TPntMainFrm window(nullptr, settingsFile(u"cache"_s));
        QVERIFY(window.Load(rowsReport(2000)));
        window.showTab(TPntMainFrm::PreviewTab);
        TPreviewF *preview = window.previewPage();
        QVERIFY(preview->pageCount() > 30);
        window.resize(900, 700);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // Scroll through every page as a user would.
        QScrollBar *bar = preview->scrollArea()->verticalScrollBar();
        for (int v = 0; v <= bar->maximum(); v += bar->pageStep()) {
            bar->setValue(v);
            QCoreApplication::processEvents();
            QVERIFY(preview->cachedPageCount() <= 6);
        }
        QVERIFY(preview->cachedPageCount() >= 1);
        // The last page holds the summary.
        const QImage last = preview->pageImage(preview->pageCount() - 1);
        QVERIFY(!last.isNull());
    }

    void orientationSwapsRightAndBottom_data()
    {
        QTest::addColumn<QString>("right");
        QTest::addColumn<QString>("bottom");
        QTest::addColumn<int>("appliedRight");
        QTest::addColumn<int>("appliedBottom");
        QTest::newRow("empty boxes take the landscape defaults") << QString() << QString() << 20 << 5;
        QTest::newRow("values trade places") << u"7"_s << u"9"_s << 9 << 7;
        QTest::newRow("blank and not a number") << u"  "_s << u"x"_s << 20 << 5;
    }

    void orientationSwapsRightAndBottom()
    {
        QFETCH(QString, right);
        QFETCH(QString, bottom);
        QFETCH(int, appliedRight);
        QFETCH(int, appliedBottom);
        TPntMainFrm window(nullptr, settingsFile(u"orientation"_s));
        TsetupF *setup = window.setupPage();
        setup->box(TsetupF::Right)->setText(right);
        setup->box(TsetupF::Bottom)->setText(bottom);
        const QSize portraitPicture = setup->pagePicture()->size();
        setup->landscapeButton()->click();
        QCOMPARE(setup->box(TsetupF::Right)->text(), bottom);
        QCOMPARE(setup->box(TsetupF::Bottom)->text(), right);
        QCOMPARE(setup->pagePicture()->size(), portraitPicture.transposed());
        setup->applyButton()->click();
        QCOMPARE(window.previewPage()->settings().rightMargin, appliedRight);
        QCOMPARE(window.previewPage()->settings().bottomMargin, appliedBottom);
        QCOMPARE(window.printer()->orientation(), int(ReportSettings::Landscape));
        // The boxes show what was applied.
        QCOMPARE(setup->box(TsetupF::Right)->text(), QString::number(appliedRight));

        // The preview page turns too.
        window.showTab(TPntMainFrm::PreviewTab);
        QVERIFY(window.previewPage()->pageSize().width() > window.previewPage()->pageSize().height());

        // Choosing the orientation already shown swaps nothing.
        setup->landscapeButton()->click();
        QCOMPARE(setup->box(TsetupF::Right)->text(), QString::number(appliedRight));
    }

    void closingSavesTheSetup()
    {
        const QString path = settingsFile(u"saved"_s);
        {
            TPntMainFrm window(nullptr, path);
            TsetupF *setup = window.setupPage();
            setup->landscapeButton()->click();
            const QString values[TsetupF::BoxCount] = {u"11"_s, u"12"_s, u"13"_s, u"14"_s,
                                                       u"15"_s, u"16"_s, u"17"_s, u"18"_s};
            for (int i = 0; i < TsetupF::BoxCount; ++i)
                setup->box(TsetupF::Box(i))->setText(values[i]);
            setup->applyButton()->click();
            window.tabButton(3)->click(); // 返回
            QVERIFY(!window.isVisible());
        }
        QCOMPARE(QFile(path).size(), 36);
        ReportSettings stored;
        QVERIFY(stored.load(path));
        QCOMPARE(stored.orientation, int(ReportSettings::Landscape));
        QCOMPARE(stored.leftMargin, 11);
        QCOMPARE(stored.bottomMargin, 14);
        QCOMPARE(stored.titleGap, 15);
        QCOMPARE(stored.summaryGap, 18);

        TPntMainFrm again(nullptr, path);
        QVERIFY(again.setupPage()->landscapeButton()->isChecked());
        QCOMPARE(again.setupPage()->box(TsetupF::Right)->text(), u"12"_s);
        QCOMPARE(again.setupPage()->box(TsetupF::LineGap)->text(), u"17"_s);
        QCOMPARE(again.previewPage()->settings().topMargin, 13);
    }

    void fontsAppliedFromTheSetupPage()
    {
        TPntMainFrm window(nullptr, settingsFile(u"fonts"_s));
        TsetupF *setup = window.setupPage();
        setup->setFontHolder(TsetupF::BodyFont, ReportDocument::defaultFont(11));
        setup->setFontHolder(TsetupF::TitleFont, ReportDocument::defaultFont(22, true));
        QVERIFY(setup->fontCaption(TsetupF::BodyFont)->text().endsWith(u" 11"_s));
        // Shown at once, applied only with 应用.
        QCOMPARE(window.dataPage()->document().listFont.pointSize(), 9);
        setup->applyButton()->click();
        QCOMPARE(window.dataPage()->document().listFont.pointSize(), 11);
        QCOMPARE(window.dataPage()->document().headerFont.pointSize(), 11);
        QCOMPARE(window.dataPage()->document().titleFont.pointSize(), 22);
        QCOMPARE(window.dataPage()->document().summaryFont.pointSize(), 9);
    }

    void printToPdf()
    {
        if (!havePdfToText())
            QSKIP("pdftotext (poppler-utils) is needed to read the PDF back");
        RecordingMessageService messages;
        TPntMainFrm window(nullptr, settingsFile(u"pdf"_s));
        QVERIFY(window.Load(rowsReport(150)));
        window.showTab(TPntMainFrm::PreviewTab);
        const int previewPages = window.previewPage()->pageCount();
        window.showTab(TPntMainFrm::SetupTab);
        TsetupF *setup = window.setupPage();
        setup->printerBox()->setCurrentText(ReportPrinter::pdfTargetName());
        const QString pdf = m_dir.filePath(u"报表输出.pdf"_s);
        setup->pdfFileBox()->setText(pdf);
        setup->printButton()->click();

        QVERIFY2(QFile::exists(pdf), qPrintable(messages.lastText()));
        QCOMPARE(messages.messages.size(), 1);
        QCOMPARE(messages.messages.first().caption, u"提示"_s);
        QVERIFY(messages.lastText().contains(pdf));

        // The printer page at 600 dpi paginates like the preview page.
        const QStringList pages = pdfPages(pdf);
        QCOMPARE(pages.size(), previewPages);
        const int n = int(pages.size());
        QVERIFY(pages.at(0).contains(u"上海Korvan国际货运代理有限公司"_s));
        QVERIFY(pages.at(0).contains(u"集装箱统计表"_s));
        QVERIFY(pages.at(0).contains(u"业务编号"_s));
        QVERIFY(pages.at(0).contains(u"第 1页 共%1页"_s.arg(n, 2)));
        QVERIFY(pages.at(n - 1).contains(u"第%1页 共%1页"_s.arg(n, 2)));
        QVERIFY(pages.at(n - 1).contains(u"合计：150票"_s));
        QVERIFY(pages.at(n - 1).contains(u"负责人签字："_s));
        for (int r : {0, 60, 149})
            QVERIFY(pages.join(QString()).contains(u"r%1"_s.arg(r, 4, 10, QLatin1Char('0'))));

        // The Chinese font travels inside the file.
        QProcess fonts;
        fonts.start(u"pdffonts"_s, {pdf});
        QVERIFY(fonts.waitForFinished(30000));
        const QString list = QString::fromUtf8(fonts.readAllStandardOutput());
        // Columns emb, sub, uni: every font embedded and mapped to Unicode.
        static const QRegularExpression flags(uR"(\s(yes|no)\s+(yes|no)\s+(yes|no)\s)"_s);
        int fontLines = 0;
        for (auto it = flags.globalMatch(list); it.hasNext(); ++fontLines) {
            const QRegularExpressionMatch m = it.next();
            QVERIFY2(m.captured(1) == u"yes"_s && m.captured(3) == u"yes"_s, qPrintable(list));
        }
        QVERIFY2(fontLines >= 1, qPrintable(list));
    }

    // Columns as wide as their contents: long B/L numbers and vessel names
    // under short captions print at the size of the other cells, each
    // within its column; they were cut to the captions' widths and shrunk.
    void listColumnsFitTheirContents()
    {
        if (!havePdfToText())
            QSKIP("pdftotext (poppler-utils) is needed to read the PDF back");
        RecordingMessageService messages;
        QStringList cells;
        for (int r = 0; r < 20; ++r)
            cells << u"COSU62%1889012"_s.arg(r, 4, 10, QLatin1Char('0')) << u"EVERGREEN-EVERGLORY-%1"_s.arg(r)
                  << u"%1"_s.arg(r) << u"上海"_s;
        TPntMainFrm window(nullptr, settingsFile(u"widths"_s));
        QVERIFY(window.Load(reportText(standardHead(), {u"提单"_s, u"船名"_s, u"件"_s, u"港"_s}, cells, QString())));
        // The data page shows every text whole.
        const StringGrid *list = window.dataPage()->list();
        const QFontMetrics screen(list->font());
        QVERIFY(list->columnWidth(0) > screen.horizontalAdvance(u"COSU620000889012"_s));
        QVERIFY(list->columnWidth(1) > screen.horizontalAdvance(u"EVERGREEN-EVERGLORY-19"_s));

        window.showTab(TPntMainFrm::SetupTab);
        TsetupF *setup = window.setupPage();
        setup->printerBox()->setCurrentText(ReportPrinter::pdfTargetName());
        const QString pdf = m_dir.filePath(u"宽度.pdf"_s);
        setup->pdfFileBox()->setText(pdf);
        setup->printButton()->click();
        const QList<PdfWord> words = pdfWords(pdf);
        QVERIFY2(!words.isEmpty(), qPrintable(messages.lastText()));
        for (int r : {0, 7, 19}) {
            const PdfWord *number = findWord(words, u"COSU62%1889012"_s.arg(r, 4, 10, QLatin1Char('0')));
            const PdfWord *vessel = findWord(words, u"EVERGREEN-EVERGLORY-%1"_s.arg(r));
            const PdfWord *count = findWord(words, QString::number(r));
            QVERIFY(number && vessel && count);
            const PdfWord *port = nullptr;
            for (const PdfWord &w : words) {
                if (w.text == u"上海"_s && qAbs(w.box.center().y() - number->box.center().y()) < 2)
                    port = &w;
            }
            QVERIFY(port);
            // The same size as a short cell of the row…
            QVERIFY2(qAbs(number->box.height() - port->box.height()) < 0.15 * port->box.height(),
                     qPrintable(u"%1 vs %2"_s.arg(number->box.height()).arg(port->box.height())));
            QVERIFY(qAbs(vessel->box.height() - port->box.height()) < 0.15 * port->box.height());
            // …and each text before the next column's.
            QVERIFY(number->box.right() < vessel->box.left());
            QVERIFY(vessel->box.right() < count->box.left());
            QVERIFY(count->box.right() < port->box.left());
        }
    }

    void unwritablePdfIsReported()
    {
        RecordingMessageService messages;
        TPntMainFrm window(nullptr, settingsFile(u"badpdf"_s));
        QVERIFY(window.Load(rowsReport(3)));
        TsetupF *setup = window.setupPage();
        setup->printerBox()->setCurrentText(ReportPrinter::pdfTargetName());
        setup->pdfFileBox()->setText(m_dir.filePath(u"no/such/folder/x.pdf"_s));
        setup->printButton()->click();
        QCOMPARE(messages.messages.size(), 1);
        QVERIFY2(messages.lastText().startsWith(u"无法写入PDF文件"_s), qPrintable(messages.lastText()));
        QVERIFY(!QFile::exists(m_dir.filePath(u"no/such/folder/x.pdf"_s)));
    }
};

QTEST_MAIN(TestPntMainFrm)
#include "tst_tpntmainfrm.moc"
