// The print/fax dialog: its settings file, margins, pages of a grid, the PDF
// and printer routes, the orientation swap and faxing to a simulated Class 2
// modem on a real pseudo-terminal (the page decoded by netpbm's g3topbm).

#include "efaxerror.h"
#include "faxportmap.h"
#include "faxtestutil.h"
#include "formprintfixture.h"
#include "formprinter.h"
#include "korvanerror.h"
#include "modalhelper.h"
#include "recordingmessageservice.h"
#include "reportfixture.h"
#include "reportdocument.h"
#include "simulatedmodem.h"
#include "stringgrid.h"
#include "tpntsetupfrm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;
using ReportFixture::PdfWord;

namespace {

QList<qint32> imageFields(const QByteArray &image)
{
    QList<qint32> fields;
    for (int offset = 0; offset + 4 <= image.size(); offset += 4)
        fields.append(qFromLittleEndian<qint32>(image.constData() + offset));
    return fields;
}

QStringList marginTexts(const TPntSetupFrm &dialog)
{
    QStringList texts;
    for (auto box : {TPntSetupFrm::LeftMargin, TPntSetupFrm::RightMargin, TPntSetupFrm::TopMargin,
                     TPntSetupFrm::BottomMargin})
        texts << dialog.marginBox(box)->text();
    return texts;
}

void setMargins(TPntSetupFrm &dialog, const QStringList &texts)
{
    for (int i = 0; i < 4; ++i)
        dialog.marginBox(TPntSetupFrm::MarginBox(i))->setText(texts.at(i));
}

int pageCountOf(const QList<PdfWord> &words)
{
    int pages = 0;
    for (const PdfWord &w : words)
        pages = qMax(pages, w.page + 1);
    return pages;
}

QStringList wordsOn(const QList<PdfWord> &words, int page, const QString &prefix)
{
    QStringList out;
    for (const PdfWord &w : words) {
        if (w.page == page && w.text.startsWith(prefix))
            out << w.text;
    }
    out.sort();
    return out;
}

} // namespace

class TestTPntSetupFrm : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startState();
    void settingsRoundTrip();
    void settingsFile_data();
    void settingsFile();
    void marginsNormalised_data();
    void marginsNormalised();
    void gridPages_data();
    void gridPages();
    void pdfFileThatCannotBeWritten();
    void printerRouteWithoutPrinter();
    void orientationSwap_data();
    void orientationSwap();
    void fax();
    void faxWithGridSendsEveryPage();
    void faxWithoutPort();
    void choicesKeptAcrossPrints();

private:
    void makeSheet(int gridRows = -1);
    std::unique_ptr<TPntSetupFrm> dialog();
    void setUpFax(TPntSetupFrm &dialog, SimulatedModem &modem);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<RecordingMessageService> m_messages;
    std::unique_ptr<QWidget> m_sheet;
    StringGrid *m_grid = nullptr;
    PrintLayout m_layout;
};

void TestTPntSetupFrm::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    TPntSetupFrm::setDefaultSettingsPath(m_dir->filePath(u"SinglePntsetupf"_s));
    m_messages = std::make_unique<RecordingMessageService>();
    makeSheet();
}

void TestTPntSetupFrm::cleanup()
{
    m_messages.reset();
    m_grid = nullptr;
    m_sheet.reset();
    m_dir.reset();
    TPntSetupFrm::setDefaultSettingsPath(QString());
    FaxPortMap::setMapFile({});
}

// A sheet with a caption, a field and, with gridRows >= 0, a grid of
// gridRows rows "r0" … below them.
void TestTPntSetupFrm::makeSheet(int gridRows)
{
    m_sheet = std::make_unique<QWidget>();
    m_sheet->setFont(ReportDocument::defaultFont(9));
    m_sheet->resize(760, 1040);
    auto *caption = new QLabel(u"FORMTITLE"_s, m_sheet.get());
    caption->setGeometry(300, 20, 200, 30);
    auto *field = new QLineEdit(u"KV2026-0001"_s, m_sheet.get());
    field->setGeometry(100, 80, 200, 24);
    m_grid = nullptr;
    if (gridRows >= 0) {
        m_grid = new StringGrid(m_sheet.get());
        m_grid->setGeometry(20, 200, 700, 200);
        m_grid->setColCount(2);
        QList<QStringList> rows;
        for (int r = 0; r < gridRows; ++r)
            rows.append({u"r%1"_s.arg(r), u"c%1"_s.arg(r)});
        m_grid->setRows(rows, 2);
        for (int r = 0; r < gridRows; ++r)
            m_grid->setRowHeight(r, 30);
    }
    m_layout = PrintLayout();
    m_layout.Container = m_sheet.get();
    m_layout.PrintLabels = 1;
    m_layout.RefX1 = 2;
    m_layout.RefY1 = 2;
    m_layout.RefX2 = 759;
    m_layout.RefY2 = 1032;
}

std::unique_ptr<TPntSetupFrm> TestTPntSetupFrm::dialog()
{
    auto d = std::make_unique<TPntSetupFrm>(nullptr, m_layout);
    d->setGrid(m_grid);
    d->setPdfFileName(m_dir->filePath(u"out.pdf"_s));
    d->setFaxBitmapPath(m_dir->filePath(u"faxtest.bmp"_s));
    return d;
}

void TestTPntSetupFrm::startState()
{
    auto d = dialog();
    QCOMPARE(d->windowTitle(), u"打印"_s);
    QCOMPARE(d->output(), TPntSetupFrm::PrinterOutput);
    QCOMPARE(d->copiesBox()->value(), 1);
    QCOMPARE(d->copiesBox()->minimum(), 0);
    QCOMPARE(d->portBox()->currentIndex(), -1);
    QCOMPARE(d->portBox()->count(), 4);
    QCOMPARE(marginTexts(*d), (QStringList{u"5"_s, u"5"_s, u"5"_s, u"20"_s}));
    QVERIFY(d->printButton()->isDefault());
    QCOMPARE(d->statusLine()->text(), u"就绪"_s);

    // The output choice only recolours the boxes; all stay usable.
    auto base = [](QWidget *w) { return w->palette().color(QPalette::Base); };
    QCOMPARE(base(d->copiesBox()), QColor(Qt::white));
    QVERIFY(base(d->faxNumberBox()) != QColor(Qt::white));
    d->outputButton(TPntSetupFrm::FaxOutput)->click();
    QCOMPARE(d->output(), TPntSetupFrm::FaxOutput);
    QVERIFY(base(d->copiesBox()) != QColor(Qt::white));
    QCOMPARE(base(d->faxNumberBox()), QColor(Qt::white));
    QCOMPARE(base(d->portBox()), QColor(Qt::white));
    // A drop-down list one cannot type into is painted in its button colour.
    QCOMPARE(d->portBox()->palette().color(QPalette::Button), QColor(Qt::white));
    QVERIFY(d->copiesBox()->isEnabled() && d->faxNumberBox()->isEnabled() && d->pdfFileBox()->isEnabled());
    d->outputButton(TPntSetupFrm::PrinterOutput)->click();
    QCOMPARE(base(d->copiesBox()), QColor(Qt::white));
    QVERIFY(base(d->portBox()) != QColor(Qt::white));
    QVERIFY(d->portBox()->palette().color(QPalette::Button) != QColor(Qt::white));

    // A PDF file not chosen yet is named after the document, safely.
    TPntSetupFrm fresh(nullptr, m_layout);
    fresh.setDocumentTitle(u"托运单 KV/01"_s);
    QCOMPARE(QFileInfo(fresh.pdfFileName()).fileName(), u"托运单 KV_01.pdf"_s);
    fresh.setPdfFileName(m_dir->filePath(u"chosen.pdf"_s));
    fresh.setDocumentTitle(u"报关单"_s);
    QCOMPARE(fresh.pdfFileName(), m_dir->filePath(u"chosen.pdf"_s));
}

void TestTPntSetupFrm::settingsRoundTrip()
{
    {
        auto d = dialog();
        setMargins(*d, {u"10"_s, u"10"_s, u"10"_s, u"25"_s});
        d->portBox()->setCurrentIndex(1);
        d->setOutput(TPntSetupFrm::PdfOutput);
        d->print();
        QCOMPARE(d->lastPageCount(), 1);
    }
    QFile file(m_dir->filePath(u"SinglePntsetupf"_s));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray image = file.readAll();
    QCOMPARE(image.size(), 56);
    const QList<qint32> fields = imageFields(image);
    QCOMPARE(fields.mid(0, 11), (QList<qint32>{0, 10, 10, 10, 25, 1, 1, 2, 2, 759, 1032}));
    QCOMPARE(fields.at(13), 0);
    QCOMPARE(m_layout.MarginBottom, 25);
    QCOMPARE(m_layout.FaxPort, 1);

    auto again = dialog();
    QCOMPARE(marginTexts(*again), (QStringList{u"10"_s, u"10"_s, u"10"_s, u"25"_s}));
    QCOMPARE(again->portBox()->currentText(), u"COM2"_s);
    QVERIFY(QFile::exists(m_dir->filePath(u"out.pdf"_s)));
}

void TestTPntSetupFrm::settingsFile_data()
{
    QTest::addColumn<QByteArray>("image");
    QTest::addColumn<QStringList>("margins");
    QTest::addColumn<int>("port");
    auto ints = [](const QList<qint32> &values) {
        QByteArray bytes(values.size() * 4, '\0');
        for (int i = 0; i < values.size(); ++i)
            qToLittleEndian<qint32>(values.at(i), bytes.data() + 4 * i);
        return bytes;
    };
    QTest::newRow("no file") << QByteArray() << QStringList{u"5"_s, u"5"_s, u"5"_s, u"20"_s} << -1;
    QTest::newRow("short file: read as far as it goes")
        << ints({0, 11, 12}) << QStringList{u"11"_s, u"12"_s, u"5"_s, u"20"_s} << -1;
    QTest::newRow("a byte short of the port")
        << ints({0, 1, 2, 3, 4, 3}).chopped(1) << QStringList{u"1"_s, u"2"_s, u"3"_s, u"4"_s} << -1;
    QTest::newRow("COM4") << ints({0, 7, 8, 9, 30, 3, 0, 0, 0, 0, 0, 0, 0, 0})
                          << QStringList{u"7"_s, u"8"_s, u"9"_s, u"30"_s} << 3;
    QTest::newRow("no such port") << ints({0, 7, 8, 9, 30, 9, 0, 0, 0, 0, 0, 0, 0, 0})
                                  << QStringList{u"7"_s, u"8"_s, u"9"_s, u"30"_s} << -1;
    QTest::newRow("only margins and port are read back")
        << ints({77, 1, 1, 1, 1, -1, 1, 5, 5, 50, 50, 99, 99, 77}) << QStringList{u"1"_s, u"1"_s, u"1"_s, u"1"_s}
        << -1;
}

void TestTPntSetupFrm::settingsFile()
{
    QFETCH(QByteArray, image);
    QFETCH(QStringList, margins);
    QFETCH(int, port);
    if (!image.isEmpty()) {
        QFile file(m_dir->filePath(u"SinglePntsetupf"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(image);
    }
    const PrintLayout before = m_layout;
    auto d = dialog();
    QCOMPARE(marginTexts(*d), margins);
    QCOMPARE(d->portBox()->currentIndex(), port);
    // Opening takes nothing into the layout.
    QVERIFY(memcmp(&before, &m_layout, sizeof m_layout) == 0);
}

void TestTPntSetupFrm::marginsNormalised_data()
{
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("numbers") << QStringList{u"10"_s, u"11"_s, u"12"_s, u"13"_s}
                             << QStringList{u"10"_s, u"11"_s, u"12"_s, u"13"_s};
    QTest::newRow("blanks around") << QStringList{u" 7 "_s, u"8 "_s, u" 9"_s, u"0"_s}
                                   << QStringList{u"7"_s, u"8"_s, u"9"_s, u"0"_s};
    QTest::newRow("not numbers take the defaults") << QStringList{u"abc"_s, QString(), u"1.5"_s, u"x"_s}
                                                   << QStringList{u"5"_s, u"5"_s, u"5"_s, u"20"_s};
    QTest::newRow("negative takes the default") << QStringList{u"-3"_s, u"4"_s, u"4"_s, u"-1"_s}
                                                << QStringList{u"5"_s, u"4"_s, u"4"_s, u"20"_s};
}

void TestTPntSetupFrm::marginsNormalised()
{
    QFETCH(QStringList, typed);
    QFETCH(QStringList, shown);
    auto d = dialog();
    setMargins(*d, typed);
    d->setOutput(TPntSetupFrm::PdfOutput);
    d->print();
    QCOMPARE(marginTexts(*d), shown);
    QCOMPARE((QStringList{QString::number(m_layout.MarginLeft), QString::number(m_layout.MarginRight),
                          QString::number(m_layout.MarginTop), QString::number(m_layout.MarginBottom)}),
             shown);
}

void TestTPntSetupFrm::gridPages_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<QList<QStringList>>("pages");
    QTest::newRow("heading and 10 rows: three pages")
        << 11
        << QList<QStringList>{{u"r0"_s, u"r1"_s, u"r2"_s, u"r3"_s, u"r4"_s},
                              {u"r5"_s, u"r6"_s, u"r7"_s, u"r8"_s, u"r9"_s},
                              {u"r10"_s}};
    QTest::newRow("five rows: one page") << 5 << QList<QStringList>{{u"r0"_s, u"r1"_s, u"r2"_s, u"r3"_s, u"r4"_s}};
    QTest::newRow("six rows: two pages") << 6
                                         << QList<QStringList>{{u"r0"_s, u"r1"_s, u"r2"_s, u"r3"_s, u"r4"_s},
                                                               {u"r5"_s}};
    QTest::newRow("heading only") << 1 << QList<QStringList>{{u"r0"_s}};
}

void TestTPntSetupFrm::gridPages()
{
    QFETCH(int, rows);
    QFETCH(QList<QStringList>, pages);
    makeSheet(rows);
    auto d = dialog();
    setMargins(*d, {u"10"_s, u"10"_s, u"15"_s, u"25"_s});
    d->setOutput(TPntSetupFrm::PdfOutput);
    QCOMPARE(d->pageCount(), pages.size());
    d->print();
    QCOMPARE(d->lastPageCount(), pages.size());

    const QList<PdfWord> words = ReportFixture::pdfWords(d->pdfFileName());
    QCOMPARE(pageCountOf(words), pages.size());
    const PdfWord *title = ReportFixture::findWord(words, u"FORMTITLE"_s, 0);
    const PdfWord *firstRow = ReportFixture::findWord(words, u"r0"_s, 0);
    QVERIFY(title && firstRow);
    for (int p = 0; p < pages.size(); ++p) {
        QCOMPARE(wordsOn(words, p, u"r"_s), pages.at(p));
        // Every page: the form in the same place (same margins), the rows
        // starting at the grid's top.
        const PdfWord *pageTitle = ReportFixture::findWord(words, u"FORMTITLE"_s, p);
        QVERIFY(pageTitle);
        QCOMPARE(pageTitle->box, title->box);
        const PdfWord *top = ReportFixture::findWord(words, pages.at(p).first(), p);
        QVERIFY(top);
        QVERIFY(qAbs(top->box.top() - firstRow->box.top()) < 0.01);
    }
    // Margins 10 mm left and 15 mm top: the title at (300 - 2) * sx + 10 mm.
    const double sx = (4958.0 - 2 * 236) / 757; // 10 mm = 236 pixels at 600 dpi
    QVERIFY(qAbs(title->box.left() - (FormPrinting::RoundHalfEven(298 * sx + 236) * 72.0 / 600)) < 1.5);
}

void TestTPntSetupFrm::pdfFileThatCannotBeWritten()
{
    auto d = dialog();
    d->setOutput(TPntSetupFrm::PdfOutput);
    d->setPdfFileName(m_dir->filePath(u"no/such/folder/out.pdf"_s));
    d->print();
    QCOMPARE(d->lastPageCount(), 0);
    QVERIFY(m_messages->lastText().startsWith(u"无法开始打印: "_s));
    QCOMPARE(m_messages->messages.last().caption, u"提示"_s);

    m_messages->clear();
    d->setPdfFileName(QString());
    d->print();
    QCOMPARE(m_messages->lastText(), u"请指定PDF文件!"_s);
}

void TestTPntSetupFrm::printerRouteWithoutPrinter()
{
    if (!QPrinterInfo::availablePrinterNames().isEmpty())
        QSKIP("this machine has printers installed");
    auto d = dialog();
    setMargins(*d, {u"6"_s, u"7"_s, u"8"_s, u"9"_s});
    QVERIFY_THROWS_EXCEPTION(KorvanError, d->print());
    QCOMPARE(m_messages->lastText(), u"未安装打印机!"_s);
    QCOMPARE(m_messages->messages.last().caption, u"提示"_s);
    // The settings were kept before the printer was looked for.
    QCOMPARE(imageFields([&] {
                 QFile f(m_dir->filePath(u"SinglePntsetupf"_s));
                 return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
             }()).mid(1, 4),
             (QList<qint32>{6, 7, 8, 9}));
    m_messages->clear();
    QVERIFY_THROWS_EXCEPTION(KorvanError, d->setupPrinter());
    QCOMPARE(m_messages->lastText(), u"未安装打印机!"_s);
}

void TestTPntSetupFrm::orientationSwap_data()
{
    QTest::addColumn<bool>("landscape");
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<QStringList>("margins");
    QTest::newRow("changed and confirmed: right and bottom swap")
        << true << true << QStringList{u"4"_s, u"20"_s, u"6"_s, u"7"_s};
    QTest::newRow("confirmed unchanged") << false << true << QStringList{u"4"_s, u"7"_s, u"6"_s, u"20"_s};
    QTest::newRow("changed but cancelled") << true << false << QStringList{u"4"_s, u"7"_s, u"6"_s, u"20"_s};
}

void TestTPntSetupFrm::orientationSwap()
{
    QFETCH(bool, landscape);
    QFETCH(bool, confirm);
    QFETCH(QStringList, margins);
    auto d = dialog();
    setMargins(*d, {u"4"_s, u"7"_s, u"6"_s, u"20"_s});
    d->setOutput(TPntSetupFrm::PdfOutput); // the page set-up of the PDF file
    bool seen = false;
    ModalHelper::onNextModal([&](QWidget *setup) {
        seen = true;
        if (landscape) {
            auto *button = setup->findChild<QRadioButton *>(u"landscape"_s);
            QVERIFY(button);
            button->click();
        }
        QVERIFY(ModalHelper::pressButton(setup, confirm ? u"OK"_s : u"Cancel"_s));
    });
    d->setupPrinter();
    QVERIFY(seen);
    QCOMPARE(marginTexts(*d), margins);

    // The PDF comes out in the orientation chosen.
    d->print();
    QList<PdfWord> words = ReportFixture::pdfWords(d->pdfFileName());
    QVERIFY(!words.isEmpty());
    QProcess info;
    info.start(u"pdfinfo"_s, {d->pdfFileName()});
    info.waitForFinished(30000);
    const QString text = QString::fromUtf8(info.readAllStandardOutput());
    QVERIFY2(text.contains(landscape && confirm ? u"842 x 595"_s : u"595 x 842"_s), qPrintable(text));
}

// The output, the PDF folder and plain paper are offered again by the next
// print; a PDF written is confirmed and closes the dialog (it said nothing
// and stayed open on "就绪").
void TestTPntSetupFrm::choicesKeptAcrossPrints()
{
    QVERIFY(QDir(m_dir->path()).mkpath(u"单据输出"_s));
    const QString folder = m_dir->filePath(u"单据输出"_s);
    QList<bool> applied;
    {
        TPntSetupFrm first(nullptr, m_layout);
        first.setDocumentTitle(u"报关单"_s);
        QCOMPARE(first.output(), TPntSetupFrm::PrinterOutput);
        first.offerPlainPaper([&applied](bool plain) { applied << plain; });
        QVERIFY(!first.plainPaperBox()->isHidden());
        first.plainPaperBox()->setChecked(true);
        first.outputButton(TPntSetupFrm::PdfOutput)->click();
        first.setPdfFileName(folder + u"/第一份.pdf"_s);
        first.show();
        first.print();
        QVERIFY(QFile::exists(folder + u"/第一份.pdf"_s));
        QCOMPARE(m_messages->lastText(), u"已写入 "_s + folder + u"/第一份.pdf"_s);
        QCOMPARE(first.result(), int(QDialog::Accepted));
        QVERIFY(!first.isVisible());
        QCOMPARE(applied, QList<bool>{true});
        QCOMPARE(m_layout.PrintLabels, 1);
    }
    TPntSetupFrm second(nullptr, m_layout);
    second.setDocumentTitle(u"报检单"_s);
    QCOMPARE(second.output(), TPntSetupFrm::PdfOutput);
    QCOMPARE(second.pdfFileName(), folder + u"/报检单.pdf"_s);
    QVERIFY(second.plainPaper());
    // A document without plain paper does not offer it.
    QVERIFY(second.plainPaperBox()->isHidden());
    second.print();
    QVERIFY(QFile::exists(folder + u"/报检单.pdf"_s));
    QCOMPARE(m_messages->lastText(), u"已写入 "_s + folder + u"/报检单.pdf"_s);
    // The choice is off: values only, onto the pre-printed form.
    TPntSetupFrm third(nullptr, m_layout);
    third.offerPlainPaper([&applied](bool plain) { applied << plain; });
    third.setPlainPaper(false);
    third.outputButton(TPntSetupFrm::PdfOutput)->click();
    third.print();
    QCOMPARE(applied, (QList<bool>{true, false}));
    QCOMPARE(m_layout.PrintLabels, 0);
}

void TestTPntSetupFrm::setUpFax(TPntSetupFrm &d, SimulatedModem &modem)
{
    QVERIFY2(modem.isValid(), qPrintable(modem.errorString()));
    // COM2 is the pseudo-terminal, through the port map as on a user's machine.
    QFile map(m_dir->filePath(u"FaxPorts.txt"_s));
    QVERIFY(map.open(QIODevice::WriteOnly));
    map.write("COM2=" + modem.slavePath().toUtf8() + "\n");
    map.close();
    FaxPortMap::setMapFile(map.fileName());
    d.fax().clock().setSpeedUp(10);
    d.setOutput(TPntSetupFrm::FaxOutput);
    d.faxNumberBox()->setText(u"0571-8888"_s);
    d.portBox()->setCurrentIndex(1);
}

void TestTPntSetupFrm::fax()
{
    SimulatedModem modem;
    auto d = dialog();
    setUpFax(*d, modem);
    QStringList statusTexts;
    connect(&d->fax(), &TFax::statusChanged, this, [&] { statusTexts << d->statusLine()->text(); });

    try {
        d->print();
    } catch (const EFaxError &e) {
        QFAIL(qPrintable(e.message()));
    }
    QCOMPARE(m_messages->lastText(), u"传真已发送"_s);
    QCOMPARE(m_messages->messages.last().caption, u"提示"_s);
    QCOMPARE(m_messages->messages.last().icon, MessageService::Icon::Information);
    QVERIFY(d->lastFaxSent());
    QCOMPARE(statusTexts, (QStringList{u"打开设备..."_s, u"设置Modem..."_s, u"拨号..."_s, u"等待对方连接..."_s,
                                       u"等待数据..."_s, u"传送数据..."_s, u"就绪"_s}));
    const QList<QByteArray> commands = modem.commands();
    QCOMPARE(commands.first(), QByteArray("&FE1Q0V1S0=0"));
    QVERIFY(commands.contains("+FDCC=1"));
    QVERIFY(commands.contains("DT0571-8888"));
    QCOMPARE(commands.last(), QByteArray("Z"));

    // faxtest.bmp holds the page as rendered; the modem received the same.
    const QImage saved(d->faxBitmapPath());
    QCOMPARE(saved.size(), QSize(1728, 2403));
    QImage rendered;
    RenderFaxPage(m_layout, rendered);
    QString difference = FaxTestUtil::compareBitmaps(saved, rendered);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    QVERIFY(FormPrintFixture::hasInk(rendered, rendered.rect()));

    QCOMPARE(modem.pages().size(), 1);
    QString error;
    const QImage received = SimulatedModem::decodePage(modem.pages().first(), &error);
    QVERIFY2(!received.isNull(), qPrintable(error));
    difference = FaxTestUtil::compareBitmaps(received, rendered);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestTPntSetupFrm::faxWithGridSendsEveryPage()
{
    makeSheet(7);
    SimulatedModem modem;
    auto d = dialog();
    setUpFax(*d, modem);
    try {
        d->print();
    } catch (const EFaxError &e) {
        QFAIL(qPrintable(e.message()));
    }
    QCOMPARE(m_messages->lastText(), u"传真已发送"_s);
    QCOMPARE(modem.pages().size(), 2);
    QCOMPARE(d->lastPageCount(), 2);
    for (int p = 0; p < 2; ++p) {
        QImage rendered;
        RenderFaxPage(m_layout, rendered, m_grid, 5 * p, 5 * p + 4);
        QString error;
        const QImage received = SimulatedModem::decodePage(modem.pages().at(p), &error);
        QVERIFY2(!received.isNull(), qPrintable(error));
        const QString difference = FaxTestUtil::compareBitmaps(received, rendered);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }
    // The grid's second page differs from the first: its rows were drawn.
    QVERIFY(modem.pages().at(0) != modem.pages().at(1));
    // faxtest.bmp is the last page.
    QImage last;
    RenderFaxPage(m_layout, last, m_grid, 5, 9);
    QVERIFY(FaxTestUtil::compareBitmaps(QImage(d->faxBitmapPath()), last).isEmpty());
}

void TestTPntSetupFrm::faxWithoutPort()
{
    auto d = dialog();
    d->setOutput(TPntSetupFrm::FaxOutput);
    d->faxNumberBox()->setText(u"0571-8888"_s);
    QVERIFY_THROWS_EXCEPTION(EFaxError, d->print());
    QCOMPARE(m_layout.FaxPort, -1);
    QStringList texts;
    for (const auto &m : m_messages->messages)
        texts << m.text;
    // The driver's own warning, then the dialog's failure box.
    QCOMPARE(texts, (QStringList{u"Invalid fax communications port"_s, u"传真失败,请确认Modem设置正确!"_s}));
    QCOMPARE(d->statusLine()->text(), u"就绪"_s);
    QVERIFY(!d->lastFaxSent());
}

QTEST_MAIN(TestTPntSetupFrm)
#include "tst_tpntsetupfrm.moc"
