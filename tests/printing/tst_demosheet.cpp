// The demonstration sheet, the pattern of every printed sheet: built from its
// field table with reference marks, printed to PDF and faxed to a simulated
// modem through its 打印 button and the print/fax dialog.

#include "boundform.h"
#include "demosheet.h"
#include "faxportmap.h"
#include "faxtestutil.h"
#include "formprinter.h"
#include "korvanerror.h"
#include "modalhelper.h"
#include "recordingmessageservice.h"
#include "reportfixture.h"
#include "simulatedmodem.h"
#include "tpntsetupfrm.h"

#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;
using ReportFixture::PdfWord;

class TestDemoSheet : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void referencePoints();
    void missingMarks();
    void printedToPdf();
    void labelsLeftOut();
    void faxedToModem();

private:
    // Presses 打印 on the sheet; in the dialog runs setUp, presses 打印 and closes.
    void printThroughDialog(DemoSheet &sheet, const std::function<void(TPntSetupFrm &)> &setUp);
    QImage renderPdf(const QString &pdf, int dpi);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<RecordingMessageService> m_messages;
};

void TestDemoSheet::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    TPntSetupFrm::setDefaultSettingsPath(m_dir->filePath(u"SinglePntsetupf"_s));
    m_messages = std::make_unique<RecordingMessageService>();
}

void TestDemoSheet::cleanup()
{
    PrintableSheet::setDialogHook({});
    TPntSetupFrm::setDefaultSettingsPath(QString());
    FaxPortMap::setMapFile({});
    m_messages.reset();
    m_dir.reset();
}

void TestDemoSheet::printThroughDialog(DemoSheet &sheet, const std::function<void(TPntSetupFrm &)> &setUp)
{
    bool ran = false;
    PrintableSheet::setDialogHook([&](TPntSetupFrm &dialog) {
        dialog.setPdfFileName(m_dir->filePath(u"demo.pdf"_s));
        dialog.setFaxBitmapPath(m_dir->filePath(u"faxtest.bmp"_s));
        setUp(dialog);
    });
    ModalHelper::onNextModal([&](QWidget *modal) {
        auto *dialog = qobject_cast<TPntSetupFrm *>(modal);
        QVERIFY(dialog);
        QCOMPARE(PrintLayout::shared().Container, sheet.sheet());
        dialog->printButton()->click();
        ran = true;
        dialog->cancelButton()->click();
    });
    sheet.printButton()->click();
    QVERIFY(ran);
    // Closed: the shared layout no longer points at the sheet.
    QVERIFY(!PrintLayout::shared().Container);
}

QImage TestDemoSheet::renderPdf(const QString &pdf, int dpi)
{
    QProcess process;
    process.start(u"pdftoppm"_s, {u"-r"_s, QString::number(dpi), u"-gray"_s, u"-singlefile"_s, u"-png"_s, pdf,
                                  m_dir->filePath(u"page"_s)});
    process.waitForFinished(60000);
    return QImage(m_dir->filePath(u"page.png"_s));
}

void TestDemoSheet::referencePoints()
{
    DemoSheet sheet;
    PrintLayout layout;
    sheet.fillPrintLayout(layout);
    QCOMPARE(layout.Container, sheet.sheet());
    QCOMPARE(layout.PrintLabels, 1);
    QCOMPARE((QList<int>{layout.RefX1, layout.RefY1, layout.RefX2, layout.RefY2}), (QList<int>{2, 2, 759, 1032}));
    // A sheet printed smaller pushes its second point out.
    sheet.setReferenceExtension(QPoint(0, 300));
    sheet.setPrintLabels(false);
    sheet.fillPrintLayout(layout);
    QCOMPARE(layout.RefY2, 1332);
    QCOMPARE(layout.PrintLabels, 0);
    // Every control sits directly on the sheet, where the engine looks.
    QVERIFY(sheet.form()->edit(DemoSheet::Number)->parentWidget() == sheet.sheet());
}

void TestDemoSheet::missingMarks()
{
    PrintableSheet sheet;
    sheet.buildSheet({Field::edit(10, u"业务编号"_s).at(10, 10, 100, 20)}, QSize(200, 100));
    PrintLayout layout;
    QVERIFY_THROWS_EXCEPTION(KorvanError, sheet.fillPrintLayout(layout));
}

void TestDemoSheet::printedToPdf()
{
    DemoSheet sheet;
    printThroughDialog(sheet, [](TPntSetupFrm &dialog) { dialog.setOutput(TPntSetupFrm::PdfOutput); });
    const QString pdf = m_dir->filePath(u"demo.pdf"_s);
    const QList<PdfWord> words = ReportFixture::pdfWords(pdf);
    QStringList texts;
    for (const PdfWord &w : words)
        texts << w.text;
    for (const QString &expected : {u"Korvan"_s, u"货运"_s, u"演示单据"_s, u"业务编号:"_s, u"KV2026-0001"_s,
                                    u"上海华东进出口有限公司"_s, u"2026年3月8日"_s, u"SHANGHAI"_s, u"1234.50"_s,
                                    u"家用电风扇"_s, u"ELECTRIC"_s, u"N/M"_s})
        QVERIFY2(texts.contains(expected), qPrintable(expected + u" missing from "_s + texts.join(u' ')));
    QVERIFY(!texts.contains(u"只在屏幕上"_s)); // Hint "00"

    // The amount ends at the right edge of its field: R = round((130 + 200 - 2) * sx + 5 mm).
    const double sx = (4958.0 - 236) / 757;
    const double fieldRight = FormPrinting::RoundHalfEven(328 * sx + 118) * 72.0 / 600;
    const PdfWord *amount = ReportFixture::findWord(words, u"1234.50"_s);
    QVERIFY(amount);
    QVERIFY2(amount->box.right() <= fieldRight && amount->box.right() > fieldRight - 2,
             qPrintable(u"%1 vs %2"_s.arg(amount->box.right()).arg(fieldRight)));

    // The rules and the frame, seen on the page as the printer gets it.
    const QImage page = renderPdf(pdf, 100);
    QVERIFY(!page.isNull());
    const double sy = (7016.0 * 100 / 600 - (118.0 + 472) * 100 / 600) / 1030; // 5 and 20 mm margins
    const double sxPage = sx * 100 / 600;
    auto dark = [&](double sheetX, double sheetY) {
        const int x = qRound((sheetX - 2) * sxPage + 118.0 / 6);
        const int y = qRound((sheetY - 2) * sy + 118.0 / 6);
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                if (qGray(page.pixel(x + dx, y + dy)) < 160)
                    return true;
            }
        }
        return false;
    };
    QVERIFY(dark(400, 80));  // the rule under the title
    QVERIFY(dark(380, 150)); // the vertical rule
    QVERIFY(dark(20, 300));  // the frame's left side
    QVERIFY(dark(749, 300)); // and its right side
    QVERIFY(!dark(400, 300));
}

void TestDemoSheet::labelsLeftOut()
{
    DemoSheet sheet;
    sheet.setPrintLabels(false); // printing on a pre-printed form
    printThroughDialog(sheet, [](TPntSetupFrm &dialog) { dialog.setOutput(TPntSetupFrm::PdfOutput); });
    QStringList texts;
    for (const PdfWord &w : ReportFixture::pdfWords(m_dir->filePath(u"demo.pdf"_s)))
        texts << w.text;
    texts.sort();
    QCOMPARE(texts, (QStringList{u"1234.50"_s, u"220V"_s, u"500"_s, u"CTNS"_s, u"ELECTRIC"_s, u"FANS"_s,
                                 u"KV2026-0001"_s, u"N/M"_s, u"上海华东进出口有限公司"_s, u"家用电风扇"_s}));
}

void TestDemoSheet::faxedToModem()
{
    SimulatedModem modem;
    QVERIFY2(modem.isValid(), qPrintable(modem.errorString()));
    QFile map(m_dir->filePath(u"FaxPorts.txt"_s));
    QVERIFY(map.open(QIODevice::WriteOnly));
    map.write("COM3=" + modem.slavePath().toUtf8() + "\n");
    map.close();
    FaxPortMap::setMapFile(map.fileName());

    DemoSheet sheet;
    printThroughDialog(sheet, [](TPntSetupFrm &dialog) {
        dialog.fax().clock().setSpeedUp(10);
        dialog.setOutput(TPntSetupFrm::FaxOutput);
        dialog.faxNumberBox()->setText(u"021-6666"_s);
        dialog.portBox()->setCurrentIndex(2);
    });
    QCOMPARE(m_messages->lastText(), u"传真已发送"_s);
    QCOMPARE(modem.pages().size(), 1);
    QVERIFY(modem.commands().contains("DT021-6666"));

    QString error;
    const QImage received = SimulatedModem::decodePage(modem.pages().first(), &error);
    QVERIFY2(!received.isNull(), qPrintable(error));
    const QImage saved(m_dir->filePath(u"faxtest.bmp"_s));
    QCOMPARE(saved.size(), QSize(1728, 2403));
    QString difference = FaxTestUtil::compareBitmaps(received, saved);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    // And it is the sheet: rendered again now, the same page.
    PrintLayout layout;
    sheet.fillPrintLayout(layout);
    QImage rendered;
    QVERIFY(RenderFaxPage(layout, rendered));
    difference = FaxTestUtil::compareBitmaps(received, rendered);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    // The title rule crosses the page at (80 - 2) * 2403 / 1030.
    const int ruleY = FormPrinting::RoundHalfEven(78 * 2403.0 / 1030);
    int black = 0;
    for (int x = 0; x < 1728; ++x)
        black += qGray(received.pixel(x, ruleY)) < 128 ? 1 : 0;
    QVERIFY2(black > 1500, qPrintable(QString::number(black)));
}

QTEST_MAIN(TestDemoSheet)
#include "tst_demosheet.moc"
