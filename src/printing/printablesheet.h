#pragma once

#include "formfield.h"
#include "shapecontrol.h"

#include <QDialog>
#include <QPoint>
#include <functional>

class BoundForm;
class QPushButton;
class QScrollArea;
class QTabWidget;
class StringGrid;
class TPntSetupFrm;
struct PrintLayout;

// What a window hands the print/fax dialog: the container whose direct
// children are printed, whether captions, shapes, combo boxes and date
// pickers are printed too, the two reference points (container
// coordinates), the document title and a grid printed five rows per page
// (optional, not owned).
struct PrintRequest {
    QWidget *container = nullptr;
    bool printLabels = true;
    QPoint first;
    QPoint second;
    QString title;
    StringGrid *grid = nullptr;
};

// Fills the shared PrintLayout from the request and shows the print/fax
// dialog modally; prepare (when given) and then the dialog hook of
// PrintableSheet adjust the dialog before it shows. Once the dialog has
// closed the shared layout no longer points at the container.
void OpenPrintDialog(const PrintRequest &request, QWidget *parent,
                     const std::function<void(TPntSetupFrm &)> &prepare = {});

// A page inside a tabbed window, printed as a sheet: the active page's sheet
// (the widget its scroll area shows, else its first child widget) with its
// labels, from (0, 0) to its width and, so that it keeps its proportions on
// an A4 portrait page with the default margins, 1.36 times its width (or its
// height when that is more).
PrintRequest ActivePageRequest(const QTabWidget *pages, const QString &title);
// 打印 of such a window: the print/fax dialog for its active page.
void PrintActivePage(const QTabWidget *pages, const QString &title, QWidget *parent);

// The base of every printed sheet window: a white sheet with controls at
// absolute positions (built from a field table with BoundForm::buildSheet),
// two reference marks that map the sheet onto the page, and a 打印 button
// that opens the print/fax dialog.
//
//   class TTruckSheetFrm : public PrintableSheet {
//       TTruckSheetFrm(QWidget *parent) : PrintableSheet(parent) {
//           buildSheet({
//               Field::mark(PrintableSheet::FirstMark).at(2, 2, 1, 1),
//               Field::caption(u"托运单"_s).at(300, 10, 120, 24),
//               Field::edit(10, u"业务编号"_s).at(90, 50, 160, 22),
//               Field::line().at(10, 80, 740, 1),
//               Field::mark(PrintableSheet::SecondMark).at(759, 1000, 1, 1),
//           }, QSize(770, 1010));
//           addShape(ShapeControl::Rectangle, QRect(6, 6, 750, 990));
//       }
//   };
//
// The reference points are the top-left corners of the two marks; the
// second point may be pushed further out (setReferenceExtension) to print
// the sheet smaller.
class PrintableSheet : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(PrintableSheet)
public:
    static const QString FirstMark;  // "RefMark1"
    static const QString SecondMark; // "RefMark2"

    explicit PrintableSheet(QWidget *parent = nullptr);
    ~PrintableSheet() override;

    // The sheet: the container whose direct children are printed.
    QWidget *sheet() const { return m_sheet; }
    BoundForm *form() const { return m_form; }
    QPushButton *printButton() const { return m_printButton; }
    QPushButton *closeButton() const { return m_closeButton; }

    // Builds table into the sheet (marks, captions, fields, lines) and
    // gives the sheet its size.
    void buildSheet(const FormTable &table, const QSize &sheetSize);
    // A rule, frame or ellipse on the sheet, drawn when labels are printed.
    ShapeControl *addShape(ShapeControl::Shape shape, const QRect &geometry, const QPen &pen = QPen(Qt::black, 1));

    // Whether captions, shapes, combo boxes and date pickers are printed
    // (a sheet printed on a pre-printed form leaves them out).
    bool printLabels() const { return m_printLabels; }
    void setPrintLabels(bool on) { m_printLabels = on; }
    // Added to the second reference point.
    QPoint referenceExtension() const { return m_extension; }
    void setReferenceExtension(const QPoint &extension) { m_extension = extension; }
    // A grid printed five rows per page (none by default). Not owned.
    StringGrid *printGrid() const { return m_printGrid; }
    void setPrintGrid(StringGrid *grid) { m_printGrid = grid; }

    // Container, PrintLabels and the reference points into layout. Throws
    // KorvanError when a reference mark is missing.
    void fillPrintLayout(PrintLayout &layout) const;
    // The same as a request to the print/fax dialog, titled with the window.
    PrintRequest printRequest() const;
    // 打印: fills the shared PrintLayout and shows the print/fax dialog.
    void openPrintDialog();

    // Called with every print/fax dialog this sheet opens, before it shows
    // (the tests point its files and its fax port elsewhere).
    using DialogHook = std::function<void(TPntSetupFrm &dialog)>;
    static void setDialogHook(DialogHook hook);

protected:
    // Lets a sheet adjust the dialog (document title, grid) before it shows.
    virtual void prepareDialog(TPntSetupFrm &dialog);

private:
    QScrollArea *m_scroll;
    QWidget *m_sheet;
    BoundForm *m_form;
    QPushButton *m_printButton;
    QPushButton *m_closeButton;
    bool m_printLabels = true;
    QPoint m_extension;
    StringGrid *m_printGrid = nullptr;
};
