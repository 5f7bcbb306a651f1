#include "formprinter.h"

#include "fieldvalues.h"
#include "korvanerror.h"
#include "shapecontrol.h"
#include "stringgrid.h"
#include "tagbinding.h"
#include "values.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QFontMetrics>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTextEdit>

#include <cmath>

using namespace Qt::StringLiterals;

namespace FormPrinting {

int RoundHalfEven(double value)
{
    const double lower = std::floor(value);
    const double fraction = value - lower;
    double result = lower;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(lower, 2.0) != 0.0))
        result = lower + 1.0;
    return int(result);
}

QPointF Scale(const PrintLayout &page)
{
    if (page.RefX2 == page.RefX1 || page.RefY2 == page.RefY1)
        throw KorvanError(u"打印参考点重合,无法确定打印比例!"_s);
    const int width = page.PageWidth - page.MarginLeft - page.MarginRight;
    const int height = page.PageHeight - page.MarginTop - page.MarginBottom;
    if (width <= 0 || height <= 0)
        throw KorvanError(u"页边距太大,页面上没有可打印的区域!"_s);
    return QPointF(double(width) / (page.RefX2 - page.RefX1), double(height) / (page.RefY2 - page.RefY1));
}

PageBox Place(const QRect &geometry, const PrintLayout &page, const QPointF &scale)
{
    PageBox box;
    box.x = RoundHalfEven((geometry.left() - page.RefX1) * scale.x() + page.MarginLeft);
    box.y = RoundHalfEven((geometry.top() - page.RefY1) * scale.y() + page.MarginTop);
    box.r = box.x + RoundHalfEven(geometry.width() * scale.x());
    box.b = box.y + RoundHalfEven(geometry.height() * scale.y());
    return box;
}

bool IsNotPrinted(const QWidget *control)
{
    const QString hint = CommFunU::HintOf(control);
    return hint.size() >= 2 && hint.at(1) == u'0';
}

double ShrinkPointSize(QFont font, double pointSize, const QString &text, int width, const QPaintDevice *device)
{
    auto tooWide = [&](double size) {
        font.setPointSizeF(size);
        return QFontMetrics(font, device).horizontalAdvance(text) >= width;
    };
    while (pointSize > 0 && tooWide(pointSize))
        pointSize -= 1.0;
    return pointSize > 0 ? pointSize : 0.0;
}

double PointSizeOf(const QWidget *control)
{
    const QFont font = control->font();
    if (font.pointSizeF() > 0)
        return font.pointSizeF();
    return font.pixelSize() * 72.0 / qMax(1, control->logicalDpiY());
}

QString DatePickerText(const QDateTimeEdit *picker)
{
    const bool dateKind = (picker->displayedSections() & QDateTimeEdit::DateSections_Mask) != 0;
    if (dateKind) {
        // An empty date field prints nothing.
        if (picker->text().trimmed().isEmpty())
            return QString();
        const QDate date = picker->date();
        return QString::number(date.year()) + u"年"_s + QString::number(date.month()) + u"月"_s
               + QString::number(date.day()) + u"日"_s;
    }
    const QTime time = picker->time();
    const int hour12 = time.hour() % 12 == 0 ? 12 : time.hour() % 12;
    return (time.hour() < 12 ? u"上午"_s : u"下午"_s) + QString::number(hour12) + u':'
           + u"%1"_s.arg(time.minute(), 2, 10, QLatin1Char('0'));
}

} // namespace FormPrinting

using namespace FormPrinting;

namespace {

// One page being drawn: the layout, its scale and how texts are drawn.
class PageDrawer
{
public:
    PageDrawer(const PrintLayout &page, FormPrintMode mode)
        : m_page(page)
        , m_mode(mode)
        , m_painter(*page.Canvas)
        , m_device(page.Canvas->device())
        , m_scale(Scale(page))
    {
    }

    void drawControl(QWidget *control);
    void drawGridRows(const StringGrid *grid, int firstRow, int lastRow);

private:
    bool fax() const { return m_mode == FormPrintMode::Fax; }
    double startSize(const QWidget *control) const
    {
        return PointSizeOf(control) + (fax() ? FaxFontIncrease : 0);
    }
    QFont fontAt(const QWidget *control, double pointSize) const
    {
        QFont font = control->font();
        font.setPointSizeF(pointSize);
        if (fax())
            font.setStyleStrategy(QFont::NoAntialias);
        return font;
    }
    QColor textColour(const QWidget *control, QPalette::ColorRole role) const
    {
        return fax() ? QColor(Qt::black) : control->palette().color(QPalette::Active, role);
    }
    int widthOf(const QFont &font, const QString &text) const
    {
        return QFontMetrics(font, m_device).horizontalAdvance(text);
    }
    int heightOf(const QFont &font) const { return QFontMetrics(font, m_device).height(); }
    // The text with its top-left corner at (x, y).
    void textOut(const QFont &font, const QColor &colour, int x, int y, const QString &text)
    {
        m_painter.setFont(font);
        m_painter.setPen(colour);
        m_painter.drawText(QPoint(x, y + QFontMetrics(font, m_device).ascent()), text);
    }
    // The text shrunk to fit the box's width; the font it took (size 0: none).
    double fittedText(const QWidget *control, const QString &text, const PageBox &box, double size)
    {
        return ShrinkPointSize(control->font(), size, text, box.r - box.x, m_device);
    }

    void drawShape(QWidget *control, ShapeControl::Shape shape, QPen pen, const PageBox &box);

    const PrintLayout &m_page;
    FormPrintMode m_mode;
    QPainter &m_painter;
    QPaintDevice *m_device;
    QPointF m_scale;
};

void PageDrawer::drawShape(QWidget *control, ShapeControl::Shape shape, QPen pen, const PageBox &box)
{
    if (fax())
        pen.setColor(Qt::black);
    // The pen is measured in the sheet's pixels and scaled like the shape: a
    // one-pixel rule stays a visible rule on a 600 dpi page.
    const double width = pen.widthF() > 0 ? pen.widthF() : 1.0;
    pen.setWidth(qMax(1, RoundHalfEven(width * qMin(m_scale.x(), m_scale.y()))));
    ShapeControl::drawShape(m_painter, shape, pen, ShapeControl::shapeBox(shape, control->size(), box.x, box.y, box.r, box.b));
}

void PageDrawer::drawControl(QWidget *control)
{
    if (IsNotPrinted(control))
        return;
    const bool labels = m_page.PrintLabels != 0;
    const bool visible = control->isVisibleTo(m_page.Container);
    const PageBox box = Place(control->geometry(), m_page, m_scale);

    if (auto *shape = qobject_cast<ShapeControl *>(control)) {
        if (labels && visible)
            drawShape(control, shape->shape(), shape->pen(), box);
    } else if (auto *label = qobject_cast<QLabel *>(control)) {
        if (!labels || !visible)
            return;
        const double size = fittedText(control, label->text(), box, startSize(control));
        if (size <= 0)
            return;
        const QFont font = fontAt(control, size);
        const int x = (label->alignment() & Qt::AlignRight) ? box.r - widthOf(font, label->text()) - 1 : box.x;
        textOut(font, textColour(control, QPalette::WindowText), x, box.y, label->text());
    } else if (auto *edit = qobject_cast<QLineEdit *>(control)) {
        if (!visible)
            return;
        const QString text = edit->text();
        const double size = fittedText(control, text, box, startSize(control));
        if (size <= 0)
            return;
        const QFont font = fontAt(control, size);
        // A field that shows its text on the right prints it there too; so
        // does an amount of two decimals anywhere.
        const bool right = (edit->alignment() & Qt::AlignRight) || CommFunU::IsTwoDecimalText(text);
        const int x = right ? box.r - widthOf(font, text) - 1 : box.x;
        textOut(font, textColour(control, QPalette::Text), x, box.y, text);
    } else if (qobject_cast<QPlainTextEdit *>(control) || qobject_cast<QTextEdit *>(control)) {
        if (!visible)
            return;
        auto *plain = qobject_cast<QPlainTextEdit *>(control);
        const QString all = plain ? plain->toPlainText() : qobject_cast<QTextEdit *>(control)->toPlainText();
        int y = box.y;
        for (const QString &line : all.split(u'\n')) {
            const double size = fittedText(control, line, box, startSize(control));
            if (size <= 0)
                continue; // a size-0 font has no height either
            const QFont font = fontAt(control, size);
            textOut(font, textColour(control, QPalette::Text), box.x, y, line);
            y += heightOf(font);
        }
    } else if (auto *combo = qobject_cast<QComboBox *>(control)) {
        if (labels)
            textOut(fontAt(control, startSize(control)), textColour(control, QPalette::Text), box.x, box.y,
                    combo->currentText());
    } else if (auto *picker = qobject_cast<QDateTimeEdit *>(control)) {
        if (labels)
            textOut(fontAt(control, startSize(control)), textColour(control, QPalette::Text), box.x, box.y,
                    DatePickerText(picker));
    } else if (auto *frame = qobject_cast<QFrame *>(control)) {
        // The rules the forms library builds for a sheet's lines.
        const QFrame::Shape kind = frame->frameShape();
        if ((kind == QFrame::HLine || kind == QFrame::VLine) && labels && visible) {
            const QPen pen(frame->palette().color(QPalette::Active, QPalette::WindowText), qMax(1, frame->lineWidth()));
            drawShape(control, ShapeControl::Rectangle, pen, box);
        }
    }
}

void PageDrawer::drawGridRows(const StringGrid *grid, int firstRow, int lastRow)
{
    QFont font = grid->font();
    double size = PointSizeOf(grid) + (fax() ? FaxFontIncrease : 0);
    if (fax())
        font.setStyleStrategy(QFont::NoAntialias);
    font.setPointSizeF(size);
    const QColor colour = fax() ? QColor(Qt::black) : grid->palette().color(QPalette::Active, QPalette::Text);
    m_painter.setPen(colour);

    const QPoint at = m_page.Container && m_page.Container->isAncestorOf(grid) ? grid->mapTo(m_page.Container, QPoint())
                                                                                : grid->pos();
    int top = RoundHalfEven((at.y() - m_page.RefY1) * m_scale.y() + m_page.MarginTop);
    const int left = RoundHalfEven((at.x() - m_page.RefX1) * m_scale.x() + m_page.MarginLeft);
    const int defaultHeight = grid->verticalHeader()->defaultSectionSize();
    for (int row = qMax(0, firstRow); row <= lastRow && row < grid->rowCount(); ++row) {
        const int rowHeight = grid->isRowHidden(row) || grid->rowHeight(row) <= 0 ? defaultHeight : grid->rowHeight(row);
        const int bottom = top + RoundHalfEven(rowHeight * m_scale.y());
        int x = left;
        for (int column = 0; column < grid->colCount(); ++column) {
            if (grid->isColumnHidden(column) || grid->columnWidth(column) <= 0)
                continue; // a hidden column takes no room and does not shrink the font
            const int right = x + RoundHalfEven(grid->columnWidth(column) * m_scale.x());
            const QString text = grid->cell(row, column);
            const double before = size;
            while (size >= 1 && widthOf(font, text) >= right - x) {
                size -= 1.0;
                if (size > 0)
                    font.setPointSizeF(size);
            }
            if (size > 0) {
                m_painter.setFont(font);
                const QFontMetrics metrics(font, m_device);
                m_painter.drawText(QPoint(x, (top + bottom - metrics.height()) / 2 + metrics.ascent()), text);
            } else {
                // A text that fits at no size is left out; the cells after it
                // keep the size they had, so they do not vanish with it.
                size = before;
                font.setPointSizeF(size);
            }
            x = right;
        }
        top = bottom;
    }
}

void prepareFaxPainter(QPainter &painter)
{
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
}

} // namespace

PrintLayout PrinterPageLayout(const PrintLayout &layout, QPainter *canvas)
{
    PrintLayout page = layout;
    page.Canvas = canvas;
    const QPaintDevice &device = *canvas->device();
    page.PageWidth = device.width();
    page.PageHeight = device.height();
    page.MarginLeft = CommFunU::MmToPrinterX(layout.MarginLeft, device);
    page.MarginRight = CommFunU::MmToPrinterX(layout.MarginRight, device);
    page.MarginTop = CommFunU::MmToPrinterY(layout.MarginTop, device);
    page.MarginBottom = CommFunU::MmToPrinterY(layout.MarginBottom, device);
    return page;
}

PrintLayout FaxPageLayout(const PrintLayout &layout, QPainter *canvas)
{
    PrintLayout page = layout;
    page.Canvas = canvas;
    page.PageWidth = canvas->device()->width();
    page.PageHeight = canvas->device()->height();
    page.MarginLeft = page.MarginRight = page.MarginTop = page.MarginBottom = 0;
    return page;
}

bool DrawForm(const PrintLayout &page, FormPrintMode mode)
{
    if (!page.Container || !page.Canvas)
        return false;
    PageDrawer drawer(page, mode);
    page.Canvas->save();
    if (mode == FormPrintMode::Fax)
        prepareFaxPainter(*page.Canvas);
    for (QObject *child : page.Container->children()) {
        auto *control = qobject_cast<QWidget *>(child);
        if (control && !control->isWindow())
            drawer.drawControl(control);
    }
    page.Canvas->restore();
    return true;
}

void DrawGridRows(const StringGrid *grid, int firstRow, int lastRow, QPainter *canvas, const PrintLayout &page,
                  FormPrintMode mode)
{
    if (!grid || !canvas)
        return;
    PrintLayout onCanvas = page;
    onCanvas.Canvas = canvas;
    PageDrawer drawer(onCanvas, mode);
    canvas->save();
    if (mode == FormPrintMode::Fax)
        prepareFaxPainter(*canvas);
    drawer.drawGridRows(grid, firstRow, lastRow);
    canvas->restore();
}

bool RenderFaxPage(const PrintLayout &layout, QImage &bitmap)
{
    return RenderFaxPage(layout, bitmap, nullptr, 0, -1);
}

bool RenderFaxPage(const PrintLayout &layout, QImage &bitmap, const StringGrid *grid, int firstRow, int lastRow)
{
    bitmap = QImage(FaxPageWidth, FaxPageHeight, QImage::Format_RGB32);
    bitmap.fill(Qt::white);
    const int dotsPerMeter = RoundHalfEven(FaxBitmapDpi / 0.0254);
    bitmap.setDotsPerMeterX(dotsPerMeter);
    bitmap.setDotsPerMeterY(dotsPerMeter);
    QPainter painter(&bitmap);
    const PrintLayout page = FaxPageLayout(layout, &painter);
    const bool drawn = DrawForm(page, FormPrintMode::Fax);
    if (drawn && grid)
        DrawGridRows(grid, firstRow, lastRow, &painter, page, FormPrintMode::Fax);
    return drawn;
}
