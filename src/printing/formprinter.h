#pragma once

#include "printlayout.h"

#include <QFont>
#include <QPointF>
#include <QString>

class QDateTimeEdit;
class QImage;
class QPaintDevice;
class QRect;
class StringGrid;

// The form printing engine: draws a document window onto a page. The
// window's area (PrintLayout::Container) holds captions, fields, combo boxes,
// date pickers and shapes laid out like the paper form; each direct child is
// drawn at its position mapped linearly onto the page between the two
// reference points. One call draws one page, on any paint device: a printer,
// a PDF writer, a page image or the fax bitmap.
//
//   QPainter painter(&printer);
//   const PrintLayout page = PrinterPageLayout(PrintLayout::shared(), &painter);
//   DrawForm(page);
//   DrawGridRows(grid, 0, 4, &painter, page);
//
// What is drawn, by kind (a control whose Hint has '0' as its second
// character, such as "00", is never drawn):
//   QLabel          with PrintLabels, when visible; shrunk to fit
//   QLineEdit       when visible; shrunk to fit; a two-decimal number
//                   ("1234.50") right-aligned in the field
//   QPlainTextEdit  when visible; line by line, each shrunk on its own
//   QComboBox       with PrintLabels; its text, never shrunk
//   QDateTimeEdit   with PrintLabels; 'yyyy"年"m"月"d"日"' or "上午h:nn"
//   ShapeControl, and the QFrame rules of the forms library
//                   with PrintLabels, when visible; rules, frames, ellipses,
//                   the pen as wide as the shape's pen scaled onto the page
// Everything else (pictures, panels, check boxes, grids, buttons) is left out.
// In fax mode every text is 8 points larger than its control's font and
// everything is drawn in pure black without smoothing, as a fax receives it.

enum class FormPrintMode { Printer, Fax };

// The page of a printer run: Canvas = canvas, the page size = its device's
// size in pixels, the margins converted from millimetres to device pixels
// (across with MmToPrinterX, down with MmToPrinterY). Convert once per run:
// every page of the run uses the same result.
PrintLayout PrinterPageLayout(const PrintLayout &layout, QPainter *canvas);
// The fax page on canvas (a bitmap of the fax page size): no margins.
PrintLayout FaxPageLayout(const PrintLayout &layout, QPainter *canvas);

// Draws the container's controls on page.Canvas. False, drawing nothing,
// when there is no container or no canvas. Throws KorvanError when the
// reference points coincide or the margins leave no room on the page.
bool DrawForm(const PrintLayout &page, FormPrintMode mode = FormPrintMode::Printer);

// Draws rows firstRow..lastRow of grid (stopping at its last row) at the
// grid's place on a page DrawForm has just drawn: the first row drawn starts
// at the grid's top whatever its index; no cell borders. The font shrinks
// while a cell does not fit and stays reduced for the following cells.
void DrawGridRows(const StringGrid *grid, int firstRow, int lastRow, QPainter *canvas, const PrintLayout &page,
                  FormPrintMode mode = FormPrintMode::Printer);

// Sizes bitmap to the fax page (1728 x 2287: an A4 page at fine resolution, white) and draws the container
// on it in fax mode, using a copy of layout. With a grid also its rows
// firstRow..lastRow. Answers what DrawForm answered.
bool RenderFaxPage(const PrintLayout &layout, QImage &bitmap);
bool RenderFaxPage(const PrintLayout &layout, QImage &bitmap, const StringGrid *grid, int firstRow, int lastRow);

// The pieces of the engine.
namespace FormPrinting {

constexpr int FaxPageWidth = 1728;
constexpr int FaxPageHeight = 2287; // the rows of an A4 page at fine resolution
constexpr int FaxFontIncrease = 8; // points
constexpr int FaxBitmapDpi = 96;   // the fax bitmap measures fonts like a screen

// Nearest integer, halves to the even neighbour (2.5 → 2, 3.5 → 4).
int RoundHalfEven(double value);

// sx, sy: the drawable page between the margins over the distance of the
// reference points. Throws KorvanError as DrawForm does.
QPointF Scale(const PrintLayout &page);

// Where a control of geometry (container coordinates) lands on the page:
// (x, y) its top-left corner, r and b its right and bottom edges.
struct PageBox {
    int x = 0;
    int y = 0;
    int r = 0;
    int b = 0;
    bool operator==(const PageBox &other) const
    {
        return x == other.x && y == other.y && r == other.r && b == other.b;
    }
};
PageBox Place(const QRect &geometry, const PrintLayout &page, const QPointF &scale);

// A control is never printed when its Hint has '0' as its second character.
bool IsNotPrinted(const QWidget *control);

// The point size text is drawn in: from pointSize down one point at a time
// while the text is at least width wide on device, and the size is above 0.
// 0 means the text cannot be shown at all.
double ShrinkPointSize(QFont font, double pointSize, const QString &text, int width, const QPaintDevice *device);

// The control's font size in points (a pixel-sized font converted at the
// control's resolution).
double PointSizeOf(const QWidget *control);

// A date picker's text as printed: 'yyyy"年"m"月"d"日"' for a date,
// "AMPMh:nn" with 上午/下午 for a time.
QString DatePickerText(const QDateTimeEdit *picker);

} // namespace FormPrinting
