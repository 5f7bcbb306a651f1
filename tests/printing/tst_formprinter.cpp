// The form printing engine on real paint devices: page images read back
// pixel by pixel, PDF files read back with pdftotext -bbox.

#include "formprintfixture.h"
#include "formprinter.h"
#include "korvanerror.h"
#include "reportfixture.h"
#include "reportprinter.h"
#include "shapecontrol.h"
#include "stringgrid.h"
#include "tagbinding.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTimeEdit>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;
using namespace FormPrintFixture;
using FormPrinting::PageBox;

namespace {

// A layout that maps the container one to one onto an image of its size.
PrintLayout oneToOne(QWidget *container, bool labels = true)
{
    PrintLayout layout;
    layout.Container = container;
    layout.PrintLabels = labels ? 1 : 0;
    layout.RefX2 = container->width();
    layout.RefY2 = container->height();
    return layout;
}

// Draws the container on a 96 dpi image of its size in printer mode.
QImage drawOnImage(const PrintLayout &layout)
{
    QImage image = pageImage(layout.Container->width(), layout.Container->height());
    QPainter painter(&image);
    DrawForm(PrinterPageLayout(layout, &painter));
    painter.end();
    return image;
}

// The A4 PDF of the report printer (600 dpi, the whole sheet drawable).
struct PdfPage {
    QTemporaryDir dir;
    ReportPrinter printers;
    QString path;
    PdfPage()
    {
        path = dir.filePath(u"page.pdf"_s);
        printers.setCurrentTarget(ReportPrinter::pdfTargetName());
        printers.setPdfFileName(path);
    }
    QPrinter &printer() { return printers.printer(); }
};

double pt(int devicePixels)
{
    return devicePixels * 72.0 / 600.0;
}

} // namespace

class TestFormPrinter : public QObject
{
    Q_OBJECT

private slots:
    void roundHalfEven_data();
    void roundHalfEven();
    void placement_data();
    void placement();
    void a4At600DpiScale();
    void badReferencePoints_data();
    void badReferencePoints();
    void noContainerDrawsNothing();
    void twoDecimalNumbersRightAligned_data();
    void twoDecimalNumbersRightAligned();
    void shrinking_data();
    void shrinking();
    void textTooWideForAnySizeIsLeftOut();
    void memoShrinksEachLine();
    void notPrintedMark_data();
    void notPrintedMark();
    void printLabelsOff();
    void visibility();
    void datePickerTexts_data();
    void datePickerTexts();
    void shapes();
    void gridRows();
    void gridHiddenColumnKeepsFont();
    void gridCellFittingNoSizeKeepsTheOthers();
    void faxPage();
};

void TestFormPrinter::roundHalfEven_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("expected");
    QTest::newRow("2.5 down to even") << 2.5 << 2;
    QTest::newRow("3.5 up to even") << 3.5 << 4;
    QTest::newRow("0.5") << 0.5 << 0;
    QTest::newRow("-2.5") << -2.5 << -2;
    QTest::newRow("-3.5") << -3.5 << -4;
    QTest::newRow("below half") << 7.4999 << 7;
    QTest::newRow("above half") << 7.5001 << 8;
    QTest::newRow("negative above half") << -1.6 << -2;
}

void TestFormPrinter::roundHalfEven()
{
    QFETCH(double, value);
    QFETCH(int, expected);
    QCOMPARE(FormPrinting::RoundHalfEven(value), expected);
}

void TestFormPrinter::placement_data()
{
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<PageBox>("expected");
    // Page 250 + margins 10 and 20 across, refs 0..100: sx = 2.5; down:
    // page 130, margins 5 and 25, refs 20..60: sy = 2.5.
    QTest::newRow("origin") << QRect(0, 20, 10, 10) << PageBox{10, 5, 35, 30};
    // (1 * 2.5) + 10 = 12.5 → 12; width 1 * 2.5 = 2.5 → 2.
    QTest::newRow("halves go to even") << QRect(1, 21, 1, 1) << PageBox{12, 8, 14, 10};
    // 3 * 2.5 + 10 = 17.5 → 18; (23 - 20) * 2.5 + 5 = 12.5 → 12; 3 * 2.5 = 7.5 → 8.
    QTest::newRow("halves up to even") << QRect(3, 23, 3, 3) << PageBox{18, 12, 26, 20};
    QTest::newRow("left of the first point") << QRect(-4, 10, 4, 4) << PageBox{0, -20, 10, -10};
}

void TestFormPrinter::placement()
{
    QFETCH(QRect, geometry);
    QFETCH(PageBox, expected);
    PrintLayout page;
    page.PageWidth = 280;
    page.MarginLeft = 10;
    page.MarginRight = 20;
    page.PageHeight = 130;
    page.MarginTop = 5;
    page.MarginBottom = 25;
    page.RefX1 = 0;
    page.RefX2 = 100;
    page.RefY1 = 20;
    page.RefY2 = 60;
    const QPointF scale = FormPrinting::Scale(page);
    QCOMPARE(scale, QPointF(2.5, 2.5));
    const PageBox box = FormPrinting::Place(geometry, page, scale);
    QCOMPARE(box.x, expected.x);
    QCOMPARE(box.y, expected.y);
    QCOMPARE(box.r, expected.r);
    QCOMPARE(box.b, expected.b);
}

void TestFormPrinter::a4At600DpiScale()
{
    std::unique_ptr<QWidget> sheet(container(9));
    auto *edit = new QLineEdit(u"KV2026-0001"_s, sheet.get());
    edit->setGeometry(102, 52, 200, 24);
    PrintLayout layout;
    layout.Container = sheet.get();
    layout.MarginLeft = layout.MarginRight = layout.MarginTop = layout.MarginBottom = 5;
    layout.RefX1 = 2;
    layout.RefY1 = 2;
    layout.RefX2 = 759;
    layout.RefY2 = 1032;

    PdfPage pdf;
    QPainter painter(&pdf.printer());
    const PrintLayout page = PrinterPageLayout(layout, &painter);
    QCOMPARE(page.MarginLeft, 118); // round(5 / 25.4 * 600)
    QCOMPARE(page.MarginRight, 118);
    QCOMPARE(page.MarginBottom, 118);
    // An A4 page 4961 device pixels wide (Qt's PDF A4 is 595 points: 4958).
    PrintLayout a4 = page;
    a4.PageWidth = 4961;
    QCOMPARE(FormPrinting::Scale(a4).x(), (4961.0 - 118 - 118) / 757);
    QCOMPARE(page.PageWidth, 4958);
    const QPointF scale = FormPrinting::Scale(page);
    QCOMPARE(scale.x(), (4958.0 - 236) / 757);
    QCOMPARE(scale.y(), (double(page.PageHeight) - 236) / 1030);
    // The layout handed in keeps its millimetres.
    QCOMPARE(layout.MarginLeft, 5);
    QVERIFY(DrawForm(page));
    painter.end();

    // The field's text starts at round(100 * sx + 118) = 742 device pixels.
    const QList<ReportFixture::PdfWord> words = ReportFixture::pdfWords(pdf.path);
    const ReportFixture::PdfWord *word = ReportFixture::findWord(words, u"KV2026-0001"_s);
    QVERIFY2(word, "the field's text is in the PDF");
    const int x = FormPrinting::RoundHalfEven(100 * scale.x() + 118);
    QCOMPARE(x, 742);
    QVERIFY2(qAbs(word->box.left() - pt(x)) < 1.5, qPrintable(QString::number(word->box.left())));
    const int y = FormPrinting::RoundHalfEven(50 * scale.y() + 118);
    QVERIFY2(word->box.top() >= pt(y) - 0.5 && word->box.top() < pt(y) + 4, qPrintable(QString::number(word->box.top())));
}

void TestFormPrinter::badReferencePoints_data()
{
    QTest::addColumn<int>("refX2");
    QTest::addColumn<int>("refY2");
    QTest::addColumn<int>("marginLeft");
    QTest::newRow("points on one column") << 0 << 100 << 0;
    QTest::newRow("points on one row") << 100 << 0 << 0;
    QTest::newRow("margins wider than the page") << 100 << 100 << 400;
}

void TestFormPrinter::badReferencePoints()
{
    QFETCH(int, refX2);
    QFETCH(int, refY2);
    QFETCH(int, marginLeft);
    std::unique_ptr<QWidget> sheet(container());
    new QLineEdit(u"x"_s, sheet.get());
    PrintLayout layout = oneToOne(sheet.get());
    layout.RefX2 = refX2;
    layout.RefY2 = refY2;
    QImage image = pageImage(400, 400);
    QPainter painter(&image);
    PrintLayout page = PrinterPageLayout(layout, &painter);
    page.MarginLeft = marginLeft;
    QVERIFY_THROWS_EXCEPTION(KorvanError, DrawForm(page));
}

void TestFormPrinter::noContainerDrawsNothing()
{
    PrintLayout layout;
    layout.RefX2 = layout.RefY2 = 10;
    QImage image = pageImage(100, 100);
    QPainter painter(&image);
    QVERIFY(!DrawForm(PrinterPageLayout(layout, &painter)));
    painter.end();
    QVERIFY(!hasInk(image, image.rect()));
}

void TestFormPrinter::twoDecimalNumbersRightAligned_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("right");
    QTest::newRow("1234.50") << u"1234.50"_s << true;
    QTest::newRow("-1.00") << u"-1.00"_s << true;
    QTest::newRow(".50, three characters") << u".50"_s << true;
    QTest::newRow("1234.5") << u"1234.5"_s << false;
    QTest::newRow("12.345") << u"12.345"_s << false;
    QTest::newRow("1234") << u"1234"_s << false;
    QTest::newRow("amount with three decimals") << u"1234.500"_s << false;
}

void TestFormPrinter::twoDecimalNumbersRightAligned()
{
    QFETCH(QString, text);
    QFETCH(bool, right);
    std::unique_ptr<QWidget> sheet(container());
    sheet->resize(400, 100);
    auto *edit = new QLineEdit(text, sheet.get());
    edit->setGeometry(100, 30, 200, 30);
    const QImage image = drawOnImage(oneToOne(sheet.get()));
    const QRect ink = inkBox(image, image.rect());
    QVERIFY(!ink.isNull());
    // R = 300; the text ends at R - 1 (a glyph's ink stops a little short).
    if (right) {
        QVERIFY2(ink.right() <= 299 && ink.right() >= 293, qPrintable(QString::number(ink.right())));
        QVERIFY(ink.left() > 150);
    } else {
        QVERIFY2(ink.left() >= 100 && ink.left() <= 104, qPrintable(QString::number(ink.left())));
        QVERIFY(ink.right() < 250);
    }
}

void TestFormPrinter::shrinking_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::addColumn<double>("start");
    QTest::newRow("fits") << u"ABC"_s << 200 << 12.0;
    QTest::newRow("a little too wide") << u"上海华东进出口有限公司"_s << 130 << 12.0;
    QTest::newRow("much too wide") << u"ELECTRIC FANS 220V ELECTRIC FANS 220V"_s << 60 << 17.0;
    QTest::newRow("no room at all") << u"ABC"_s << 0 << 12.0;
    QTest::newRow("empty text in no room") << QString() << 0 << 12.0;
}

void TestFormPrinter::shrinking()
{
    QFETCH(QString, text);
    QFETCH(int, width);
    QFETCH(double, start);
    const QImage device = pageImage(10, 10);
    const QFont font = ReportDocument::defaultFont(12);
    const double size = FormPrinting::ShrinkPointSize(font, start, text, width, &device);
    auto widthAt = [&](double points) {
        QFont f = font;
        f.setPointSizeF(points);
        return QFontMetrics(f, &device).horizontalAdvance(text);
    };
    QVERIFY(size >= 0 && size <= start);
    if (size > 0) {
        QVERIFY(widthAt(size) < width); // it fits: less than the room
        if (size < start)
            QVERIFY(widthAt(size + 1) >= width); // and one point more did not
    } else {
        QVERIFY(width <= 0 || widthAt(1) >= width);
    }
    if (width == 200)
        QCOMPARE(size, start);
}

void TestFormPrinter::textTooWideForAnySizeIsLeftOut()
{
    std::unique_ptr<QWidget> sheet(container());
    sheet->resize(200, 100);
    auto *tiny = new QLineEdit(u"WWWWWWWW"_s, sheet.get());
    tiny->setGeometry(20, 20, 2, 30);
    auto *roomy = new QLineEdit(u"WWWWWWWW"_s, sheet.get());
    roomy->setGeometry(20, 60, 60, 30);
    const QImage image = drawOnImage(oneToOne(sheet.get()));
    // Shrunk to size 0: nothing left to draw.
    QVERIFY(!hasInk(image, QRect(0, 0, 200, 55)));
    // The other one is shrunk to fit within its 60 pixels.
    const QRect ink = inkBox(image, QRect(0, 55, 200, 45));
    QVERIFY(!ink.isNull());
    QVERIFY2(ink.right() < 80, qPrintable(QString::number(ink.right())));
}

void TestFormPrinter::memoShrinksEachLine()
{
    std::unique_ptr<QWidget> sheet(container(9));
    auto *memo = new QPlainTextEdit(sheet.get());
    memo->setPlainText(u"SHORT\nA LINE MUCH TOO LONG FOR THIS MEMO FIELD\nAGAIN"_s);
    memo->setGeometry(100, 100, 200, 100);
    PrintLayout layout;
    layout.Container = sheet.get();
    layout.RefX2 = 757;
    layout.RefY2 = 1030;

    PdfPage pdf;
    QPainter painter(&pdf.printer());
    const PrintLayout page = PrinterPageLayout(layout, &painter);
    DrawForm(page);
    painter.end();

    const QList<ReportFixture::PdfWord> words = ReportFixture::pdfWords(pdf.path);
    const auto *first = ReportFixture::findWord(words, u"SHORT"_s);
    const auto *middle = ReportFixture::findWord(words, u"MEMO"_s);
    const auto *last = ReportFixture::findWord(words, u"AGAIN"_s);
    QVERIFY(first && middle && last);
    // The long line is smaller; the third starts again from the field's size.
    QVERIFY2(middle->box.height() < first->box.height() * 0.8, qPrintable(QString::number(middle->box.height())));
    QVERIFY(qAbs(last->box.height() - first->box.height()) < 0.5);
    QVERIFY(first->box.top() < middle->box.top() && middle->box.top() < last->box.top());

    // Lines advance by the height of the line's own font.
    QFont font = memo->font();
    const double scaleX = FormPrinting::Scale(page).x();
    const int room = FormPrinting::RoundHalfEven(200 * scaleX);
    const double middleSize =
        FormPrinting::ShrinkPointSize(font, 9, u"A LINE MUCH TOO LONG FOR THIS MEMO FIELD"_s, room, &pdf.printer());
    QVERIFY(middleSize > 0 && middleSize < 9);
    font.setPointSizeF(9);
    const int full = QFontMetrics(font, &pdf.printer()).height();
    font.setPointSizeF(middleSize);
    const int small = QFontMetrics(font, &pdf.printer()).height();
    const double lastLineTop = pt(FormPrinting::RoundHalfEven(100 * FormPrinting::Scale(page).y()) + full + small);
    const double firstLineTop = pt(FormPrinting::RoundHalfEven(100 * FormPrinting::Scale(page).y()));
    // A word's box starts at its line's top (pdftotext boxes span the font's height).
    QVERIFY2(qAbs((last->box.top() - first->box.top()) - (lastLineTop - firstLineTop)) < 1.5,
             qPrintable(u"%1 %2"_s.arg(last->box.top() - first->box.top()).arg(lastLineTop - firstLineTop)));
}

void TestFormPrinter::notPrintedMark_data()
{
    QTest::addColumn<QString>("hint");
    QTest::addColumn<bool>("printed");
    QTest::newRow("no hint") << QString() << true;
    QTest::newRow("00") << u"00"_s << false;
    QTest::newRow("10") << u"10"_s << false;
    QTest::newRow("0") << u"0"_s << true;
    QTest::newRow("1") << u"1"_s << true;
    QTest::newRow("01") << u"01"_s << true;
}

void TestFormPrinter::notPrintedMark()
{
    QFETCH(QString, hint);
    QFETCH(bool, printed);
    std::unique_ptr<QWidget> sheet(container());
    sheet->resize(600, 300);
    QList<QWidget *> controls;
    auto *label = new QLabel(u"CAPTION"_s, sheet.get());
    label->setGeometry(10, 10, 200, 30);
    auto *edit = new QLineEdit(u"FIELD"_s, sheet.get());
    edit->setGeometry(10, 60, 200, 30);
    auto *memo = new QPlainTextEdit(u"MEMO"_s, sheet.get());
    memo->setGeometry(10, 110, 200, 40);
    auto *combo = new QComboBox(sheet.get());
    combo->addItem(u"COMBO"_s);
    combo->setGeometry(300, 10, 200, 30);
    auto *date = new QDateEdit(QDate(2026, 3, 8), sheet.get());
    date->setGeometry(300, 60, 200, 30);
    auto *shape = new ShapeControl(ShapeControl::Rectangle, sheet.get());
    shape->setGeometry(300, 110, 200, 60);
    controls << label << edit << memo << combo << date << shape;
    for (QWidget *control : controls) {
        if (!hint.isEmpty())
            CommFunU::SetHint(control, hint);
        QCOMPARE(FormPrinting::IsNotPrinted(control), !printed);
    }
    const QImage image = drawOnImage(oneToOne(sheet.get()));
    for (QWidget *control : controls)
        QVERIFY2(hasInk(image, control->geometry().adjusted(0, 0, 0, 10)) == printed, control->metaObject()->className());
}

void TestFormPrinter::printLabelsOff()
{
    std::unique_ptr<QWidget> sheet(container(9));
    auto *label = new QLabel(u"CAPTION"_s, sheet.get());
    label->setGeometry(10, 10, 200, 30);
    auto *edit = new QLineEdit(u"FIELD"_s, sheet.get());
    edit->setGeometry(10, 60, 200, 30);
    auto *memo = new QPlainTextEdit(u"MEMO"_s, sheet.get());
    memo->setGeometry(10, 110, 200, 40);
    auto *combo = new QComboBox(sheet.get());
    combo->addItem(u"COMBO"_s);
    combo->setGeometry(300, 10, 200, 30);
    auto *date = new QDateEdit(QDate(2026, 3, 8), sheet.get());
    date->setGeometry(300, 60, 200, 30);
    auto *time = new QTimeEdit(QTime(14, 5), sheet.get());
    time->setGeometry(300, 110, 200, 30);

    for (const bool labels : {true, false}) {
        PdfPage pdf;
        PrintLayout layout = oneToOne(sheet.get(), labels);
        QPainter painter(&pdf.printer());
        DrawForm(PrinterPageLayout(layout, &painter));
        painter.end();
        QStringList texts;
        for (const ReportFixture::PdfWord &word : ReportFixture::pdfWords(pdf.path))
            texts << word.text;
        texts.sort();
        if (labels) {
            QCOMPARE(texts, (QStringList{u"2026年3月8日"_s, u"CAPTION"_s, u"COMBO"_s, u"FIELD"_s, u"MEMO"_s,
                                         u"下午2:05"_s}));
        } else {
            QCOMPARE(texts, (QStringList{u"FIELD"_s, u"MEMO"_s}));
        }
    }

    // Shapes and the forms library's rules go with the labels.
    std::unique_ptr<QWidget> rules(container());
    rules->resize(300, 200);
    auto *shape = new ShapeControl(ShapeControl::Rectangle, rules.get());
    shape->setGeometry(10, 10, 100, 50);
    auto *line = new QFrame(rules.get());
    line->setFrameShape(QFrame::HLine);
    line->setGeometry(10, 100, 200, 1);
    QImage with = drawOnImage(oneToOne(rules.get(), true));
    QImage without = drawOnImage(oneToOne(rules.get(), false));
    QVERIFY(hasInk(with, QRect(0, 0, 300, 70)));
    QVERIFY(hasInk(with, QRect(0, 90, 300, 20)));
    QVERIFY(!hasInk(without, without.rect()));
}

void TestFormPrinter::visibility()
{
    std::unique_ptr<QWidget> sheet(container());
    sheet->resize(600, 200);
    auto *label = new QLabel(u"CAPTION"_s, sheet.get());
    label->setGeometry(10, 10, 200, 30);
    auto *edit = new QLineEdit(u"FIELD"_s, sheet.get());
    edit->setGeometry(10, 60, 200, 30);
    auto *combo = new QComboBox(sheet.get());
    combo->addItem(u"COMBO"_s);
    combo->setGeometry(300, 10, 200, 30);
    auto *date = new QDateEdit(QDate(2026, 3, 8), sheet.get());
    date->setGeometry(300, 60, 200, 30);
    for (QWidget *control : {static_cast<QWidget *>(label), static_cast<QWidget *>(edit),
                             static_cast<QWidget *>(combo), static_cast<QWidget *>(date)})
        control->hide();
    const QImage image = drawOnImage(oneToOne(sheet.get()));
    QVERIFY(!hasInk(image, label->geometry()));
    QVERIFY(!hasInk(image, edit->geometry()));
    // Combo boxes and date pickers print whether shown or not.
    QVERIFY(hasInk(image, combo->geometry()));
    QVERIFY(hasInk(image, date->geometry()));
}

void TestFormPrinter::datePickerTexts_data()
{
    QTest::addColumn<bool>("dateKind");
    QTest::addColumn<QDateTime>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("date") << true << QDateTime(QDate(2026, 3, 8), QTime(9, 0)) << u"2026年3月8日"_s;
    QTest::newRow("two-digit month and day") << true << QDateTime(QDate(2025, 12, 31), QTime()) << u"2025年12月31日"_s;
    QTest::newRow("afternoon") << false << QDateTime(QDate(2026, 1, 1), QTime(14, 5)) << u"下午2:05"_s;
    QTest::newRow("morning") << false << QDateTime(QDate(2026, 1, 1), QTime(9, 7)) << u"上午9:07"_s;
    QTest::newRow("midnight is 12 in the morning") << false << QDateTime(QDate(2026, 1, 1), QTime(0, 30))
                                                   << u"上午12:30"_s;
    QTest::newRow("noon is 12 in the afternoon") << false << QDateTime(QDate(2026, 1, 1), QTime(12, 0))
                                                 << u"下午12:00"_s;
}

void TestFormPrinter::datePickerTexts()
{
    QFETCH(bool, dateKind);
    QFETCH(QDateTime, value);
    QFETCH(QString, expected);
    std::unique_ptr<QDateTimeEdit> picker(dateKind ? static_cast<QDateTimeEdit *>(new QDateEdit)
                                                   : static_cast<QDateTimeEdit *>(new QTimeEdit));
    picker->setDisplayFormat(dateKind ? u"yyyy-MM-dd"_s : u"HH:mm:ss"_s);
    picker->setDateTime(value);
    QCOMPARE(FormPrinting::DatePickerText(picker.get()), expected);
}

void TestFormPrinter::shapes()
{
    std::unique_ptr<QWidget> sheet(container());
    sheet->resize(400, 400);
    auto *frame = new ShapeControl(ShapeControl::Rectangle, sheet.get());
    frame->setGeometry(20, 20, 100, 60);
    auto *vertical = new ShapeControl(ShapeControl::Rectangle, sheet.get());
    vertical->setGeometry(200, 20, 2, 100); // less than 3 wide: a rule at its left edge
    auto *horizontal = new ShapeControl(ShapeControl::Rectangle, sheet.get());
    horizontal->setGeometry(20, 150, 300, 2);
    auto *ellipse = new ShapeControl(ShapeControl::Ellipse, sheet.get());
    ellipse->setGeometry(250, 250, 100, 100);
    auto *thick = new ShapeControl(ShapeControl::Rectangle, sheet.get());
    thick->setGeometry(20, 250, 100, 100);
    thick->setPen(QPen(Qt::black, 5));

    const QImage image = drawOnImage(oneToOne(sheet.get()));
    // The frame's outline covers exactly its box, the inside stays white.
    QCOMPARE(inkBox(image, QRect(0, 0, 150, 100)), QRect(20, 20, 100, 60));
    QVERIFY(!hasInk(image, QRect(22, 22, 96, 56)));
    QCOMPARE(inkBox(image, QRect(150, 0, 100, 140)), QRect(200, 20, 1, 100));
    QCOMPARE(inkBox(image, QRect(0, 140, 400, 20)), QRect(20, 150, 300, 1));
    // The ellipse touches its box in the middle of each side, not at the corners.
    const QRect round = inkBox(image, QRect(240, 240, 160, 160));
    QVERIFY(qAbs(round.left() - 250) <= 1 && qAbs(round.right() - 349) <= 1);
    QVERIFY(!hasInk(image, QRect(250, 250, 8, 8)));
    QVERIFY(!hasInk(image, QRect(290, 290, 20, 20)));
    // The pen is the shape's own: five pixels.
    int dark = 0;
    for (int x = 10; x < 40; ++x)
        dark += qGray(image.pixel(x, 300)) < 128 ? 1 : 0;
    QCOMPARE(dark, 5);

    // Scaled onto a page twice the sheet's size, rules and pens grow with it.
    QImage twice = pageImage(800, 800);
    QPainter painter(&twice);
    PrintLayout layout = oneToOne(sheet.get());
    DrawForm(PrinterPageLayout(layout, &painter)); // sheet 400 x 400 on 800 x 800: scale 2
    painter.end();
    QCOMPARE(inkBox(twice, QRect(300, 0, 200, 280)), QRect(399, 40, 2, 200)); // the vertical rule, 2 pixels
    dark = 0;
    for (int x = 20; x < 80; ++x)
        dark += qGray(twice.pixel(x, 600)) < 128 ? 1 : 0;
    QCOMPARE(dark, 10);
}

void TestFormPrinter::gridRows()
{
    std::unique_ptr<QWidget> sheet(container(9));
    auto *grid = new StringGrid(sheet.get());
    grid->setGeometry(50, 200, 600, 300);
    grid->setColCount(3);
    QList<QStringList> rows;
    for (int r = 0; r < 8; ++r)
        rows.append({u"r%1"_s.arg(r), u"a%1"_s.arg(r), u"b%1"_s.arg(r)});
    grid->setRows(rows, 3);
    grid->setColumnWidth(0, 100);
    grid->setColumnWidth(1, 150);
    grid->setColumnWidth(2, 120);
    for (int r = 0; r < 8; ++r)
        grid->setRowHeight(r, 30);
    PrintLayout layout;
    layout.Container = sheet.get();
    layout.MarginLeft = layout.MarginRight = layout.MarginTop = layout.MarginBottom = 5;
    layout.RefX2 = 757;
    layout.RefY2 = 1030;

    PdfPage pdf;
    QPainter painter(&pdf.printer());
    const PrintLayout page = PrinterPageLayout(layout, &painter);
    DrawForm(page); // grids themselves are not drawn by DrawForm
    DrawGridRows(grid, 5, 9, &painter, page); // rows 5, 6 and 7: the grid ends there
    painter.end();

    const QPointF scale = FormPrinting::Scale(page);
    const QList<ReportFixture::PdfWord> words = ReportFixture::pdfWords(pdf.path);
    QStringList texts;
    for (const auto &w : words)
        texts << w.text;
    texts.sort();
    QCOMPARE(texts, (QStringList{u"a5"_s, u"a6"_s, u"a7"_s, u"b5"_s, u"b6"_s, u"b7"_s, u"r5"_s, u"r6"_s, u"r7"_s}));
    // Row 5 takes the grid's top; columns start where the scaled widths add up.
    const int top = FormPrinting::RoundHalfEven(200 * scale.y() + page.MarginTop);
    const int bottom = top + FormPrinting::RoundHalfEven(30 * scale.y());
    const int left = FormPrinting::RoundHalfEven(50 * scale.x() + page.MarginLeft);
    const auto *r5 = ReportFixture::findWord(words, u"r5"_s);
    const auto *a5 = ReportFixture::findWord(words, u"a5"_s);
    const auto *b5 = ReportFixture::findWord(words, u"b5"_s);
    const auto *r6 = ReportFixture::findWord(words, u"r6"_s);
    QVERIFY(r5 && a5 && b5 && r6);
    QVERIFY(qAbs(r5->box.left() - pt(left)) < 1.5);
    QVERIFY(qAbs(a5->box.left() - pt(left + FormPrinting::RoundHalfEven(100 * scale.x()))) < 1.5);
    QVERIFY(qAbs(b5->box.left() - pt(left + FormPrinting::RoundHalfEven(100 * scale.x())
                                     + FormPrinting::RoundHalfEven(150 * scale.x()))) < 1.5);
    // Vertically centred in the row.
    QVERIFY(qAbs(r5->box.center().y() - pt((top + bottom) / 2)) < 3);
    QVERIFY(qAbs((r6->box.top() - r5->box.top()) - pt(bottom - top)) < 0.5);
}

void TestFormPrinter::gridHiddenColumnKeepsFont()
{
    std::unique_ptr<QWidget> sheet(container());
    sheet->resize(600, 200);
    auto *grid = new StringGrid(sheet.get());
    grid->setGeometry(0, 50, 600, 100);
    grid->setColCount(3);
    grid->setRows({{u"HIDDEN"_s, u"ABC"_s, u"DEF"_s}}, 3);
    grid->setColumnWidth(0, 0);
    grid->setColumnWidth(1, 200);
    grid->setColumnWidth(2, 200);
    grid->setRowHeight(0, 40);

    QImage image = pageImage(600, 200);
    QPainter painter(&image);
    const PrintLayout page = PrinterPageLayout(oneToOne(sheet.get()), &painter);
    DrawGridRows(grid, 0, 0, &painter, page);
    painter.end();
    // The cells after a column of no width keep the grid's font: both drawn,
    // starting at the grid's left edge.
    const QRect first = inkBox(image, QRect(0, 0, 200, 200));
    const QRect second = inkBox(image, QRect(200, 0, 200, 200));
    QVERIFY(!first.isNull() && !second.isNull());
    QVERIFY(first.left() <= 3);
    QVERIFY2(first.height() >= 8, qPrintable(QString::number(first.height())));
}

void TestFormPrinter::gridCellFittingNoSizeKeepsTheOthers()
{
    std::unique_ptr<QWidget> sheet(container());
    sheet->resize(600, 200);
    auto *grid = new StringGrid(sheet.get());
    grid->setGeometry(0, 50, 600, 100);
    grid->setColCount(3);
    // The first cell is narrow and its text so long that it fits at no size.
    grid->setRows({{QString(400, u'W'), u"ABC"_s, u"DEF"_s}, {u"GHI"_s, u"JKL"_s, u"MNO"_s}}, 3);
    grid->setColumnWidth(0, 30);
    grid->setColumnWidth(1, 200);
    grid->setColumnWidth(2, 200);
    grid->setRowHeight(0, 40);
    grid->setRowHeight(1, 40);

    QImage image = pageImage(600, 200);
    QPainter painter(&image);
    const PrintLayout page = PrinterPageLayout(oneToOne(sheet.get()), &painter);
    DrawGridRows(grid, 0, 1, &painter, page);
    painter.end();
    // The cells after it are drawn, in both rows, at a readable size.
    for (const QRect &cell : {QRect(30, 50, 200, 40), QRect(230, 50, 200, 40), QRect(30, 90, 200, 40)}) {
        const QRect ink = inkBox(image, cell);
        QVERIFY2(!ink.isNull(), qPrintable(u"nothing drawn in %1,%2"_s.arg(cell.x()).arg(cell.y())));
        QVERIFY2(ink.height() >= 8, qPrintable(QString::number(ink.height())));
    }
}

void TestFormPrinter::faxPage()
{
    std::unique_ptr<QWidget> sheet(container(10));
    sheet->resize(757, 1053);
    auto *edit = new QLineEdit(u"EEEE"_s, sheet.get());
    edit->setGeometry(100, 100, 300, 40);
    auto *line = new ShapeControl(ShapeControl::Rectangle, sheet.get());
    line->setGeometry(0, 500, 757, 1);
    line->setPen(QPen(Qt::red, 1)); // drawn black: a fax has no colours
    PrintLayout layout = oneToOne(sheet.get());
    layout.MarginLeft = 5;
    layout.MarginBottom = 20;
    const PrintLayout before = layout;

    QImage bitmap;
    QVERIFY(RenderFaxPage(layout, bitmap));
    QCOMPARE(bitmap.size(), QSize(1728, 2287));
    // The layout handed in is left as it was.
    QVERIFY(memcmp(&before, &layout, sizeof layout) == 0);
    // Only pure black and pure white.
    QSet<QRgb> colours;
    for (int y = 0; y < bitmap.height(); y += 3) {
        for (int x = 0; x < bitmap.width(); ++x)
            colours.insert(bitmap.pixel(x, y) & 0xFFFFFF);
    }
    QCOMPARE(colours, (QSet<QRgb>{0x000000, 0xFFFFFF}));
    // No margins: the rule runs across the whole bitmap at 500 * 2287 / 1053.
    // Its one-pixel pen is scaled like the sheet: min(1728 / 757, 2287 / 1053) = 2.17 → 2.
    const int ruleY = FormPrinting::RoundHalfEven(500 * 2287.0 / 1053);
    const QRect rule = inkBox(bitmap, QRect(0, ruleY - 5, 1728, 11));
    QCOMPARE(rule.left(), 0);
    QCOMPARE(rule.right(), 1727);
    QCOMPARE(rule.height(), 2);
    QVERIFY(qAbs(rule.center().y() - ruleY) <= 1);

    // Texts are 8 points larger than in printer mode on a bitmap of the same size.
    QImage printed = pageImage(1728, 2287);
    QPainter painter(&printed);
    DrawForm(PrinterPageLayout(oneToOne(sheet.get()), &painter));
    painter.end();
    const QRect area(0, 200, 1728, 200);
    const double ratio = double(inkBox(bitmap, area).height()) / inkBox(printed, area).height();
    QVERIFY2(ratio > 1.6 && ratio < 2.0, qPrintable(QString::number(ratio))); // 18 / 10 points
}

QTEST_MAIN(TestFormPrinter)
#include "tst_formprinter.moc"
