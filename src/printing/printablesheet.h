#pragma once

#include "formfield.h"
#include "shapecontrol.h"

#include <QDialog>
#include <QPoint>
#include <functional>

class BoundForm;
class QHBoxLayout;
class QLabel;
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

// A sheet as a request with its labels: from its first to its second
// reference mark (its direct children named PrintableSheet::FirstMark and
// SecondMark) when it has them; otherwise from (0, 0) to its width and, so
// that it keeps its proportions on an A4 portrait page with the default
// margins, 1.36 times its width (or its height when that is more).
PrintRequest SheetRequest(QWidget *sheet, const QString &title);
// A page inside a tabbed window, printed as a sheet: SheetRequest of the
// active page's sheet (the widget its scroll area shows, else its first child
// widget). The fee details print their pages so; a PrintableSheet of several
// designed pages prints the page shown so.
PrintRequest ActivePageRequest(const QTabWidget *pages, const QString &title);
// 打印 of such a window: the print/fax dialog for its active page.
void PrintActivePage(const QTabWidget *pages, const QString &title, QWidget *parent);
// Moves the second reference point down so that the region between the two
// has the proportions of an A4 portrait page with the default margins: a
// sheet lower than that prints in proportion at the top of the page instead
// of being stretched over its height.
void KeepProportions(PrintRequest &request);

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
// the sheet smaller, the first one moved as well (setReferenceOffset).
//
// A sheet of several designed pages (a letter and its second letter, the
// notices of a warehouse) adds each with addPage instead of buildSheet: the
// pages are tabs, each with its own marks and form, and 打印 prints the page
// shown. The buttons above the sheet are 打印(&P) and 返回 and the sheet's
// own (addButton, left of them); a widget that is on the sheet only for the
// screen (a list of records) is added with addUnprinted.
//
//   addButton(u"保存(&S)"_s, [this] { Save(); });
//   BoundForm *client = addPage(u"拼箱客户联系单"_s, clientFields(), QSize(770, 740));
//   centreCaption(heading);   // sized to its text, centred between the marks
class PrintableSheet : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(PrintableSheet)
public:
    static const QString FirstMark;  // "RefMark1"
    static const QString SecondMark; // "RefMark2"

    explicit PrintableSheet(QWidget *parent = nullptr);
    ~PrintableSheet() override;

    // The sheet: the container whose direct children are printed (of a
    // sheet of several pages, the page shown).
    QWidget *sheet() const;
    BoundForm *form() const { return m_form; }
    QPushButton *printButton() const { return m_printButton; }
    QPushButton *closeButton() const { return m_closeButton; }

    // Builds table into the sheet (marks, captions, fields, lines) and
    // gives the sheet its size.
    void buildSheet(const FormTable &table, const QSize &sheetSize);

    // A designed page titled title, built from table into a sheet of its own
    // with a form of its own (Tags are looked up in the page). From the first
    // page on, sheet() is the page shown.
    BoundForm *addPage(const QString &title, const FormTable &table, const QSize &sheetSize);
    // The tabs of the pages (nullptr for a sheet of one page).
    QTabWidget *pages() const { return m_pages; }
    int pageCount() const;
    QWidget *pageSheet(int index) const;
    BoundForm *pageForm(int index) const { return m_pageForms.value(index); }

    // A button of the sheet left of 打印 and 返回, its caption with the
    // accelerator ("保存(&S)"); action runs on a click.
    QPushButton *addButton(const QString &caption, const std::function<void()> &action);
    // Puts widget on the page (sheet when nullptr) at geometry, seen on the
    // screen and never printed (it is marked as the engine's Hint "00" marks).
    // For widgets without a Tag.
    void addUnprinted(QWidget *widget, const QRect &geometry, QWidget *page = nullptr);
    // Sizes caption to its text (with a little room, so that the printed text
    // is not shrunk) and centres the text between the reference marks of the
    // page it is on: left = (left of the first mark + left of the second −
    // text width) / 2.
    void centreCaption(QLabel *caption) const;
    // A caption's font made larger and bold (headings and titles).
    static void Emphasise(QLabel *caption, int pointSize);
    // The company heading of a letter-like sheet (the label named heading,
    // 16 pt) and its title (named title, 14 pt, centred); the heading is
    // returned, to be filled and centred once its text is known.
    QLabel *emphasiseHeadingAndTitle(const QString &heading, const QString &title);
    // A rule, frame or ellipse on the sheet (or on page), drawn when labels
    // are printed.
    ShapeControl *addShape(ShapeControl::Shape shape, const QRect &geometry, const QPen &pen = QPen(Qt::black, 1),
                           QWidget *page = nullptr);

    // Whether captions, shapes, combo boxes and date pickers are printed
    // (a sheet printed on a pre-printed form leaves them out).
    bool printLabels() const { return m_printLabels; }
    void setPrintLabels(bool on) { m_printLabels = on; }
    // Added to the second reference point.
    QPoint referenceExtension() const { return m_extension; }
    void setReferenceExtension(const QPoint &extension) { m_extension = extension; }
    // Added to the first reference point.
    QPoint referenceOffset() const { return m_offset; }
    void setReferenceOffset(const QPoint &offset) { m_offset = offset; }
    // A grid printed five rows per page (none by default). Not owned.
    StringGrid *printGrid() const { return m_printGrid; }
    void setPrintGrid(StringGrid *grid) { m_printGrid = grid; }

    // Container, PrintLabels and the reference points into layout. Throws
    // KorvanError when a reference mark is missing.
    void fillPrintLayout(PrintLayout &layout) const;
    // The same as a request to the print/fax dialog, titled with the window.
    PrintRequest printRequest() const;
    // Fills the shared PrintLayout and shows the print/fax dialog.
    void openPrintDialog();
    // Shows the sheet modally, maximised (the whole screen also where no
    // window manager maximises).
    int execMaximised();

    // Called with every print/fax dialog this sheet opens, before it shows
    // (the tests point its files and its fax port elsewhere).
    using DialogHook = std::function<void(TPntSetupFrm &dialog)>;
    static void setDialogHook(DialogHook hook);

protected:
    // 打印(&P): openPrintDialog(); a sheet that does more first (a note saved
    // before it prints) overrides it. An error it raises ends the printing,
    // not the sheet.
    virtual void print();
    // Lets a sheet adjust the dialog (document title, grid) before it shows.
    virtual void prepareDialog(TPntSetupFrm &dialog);

private:
    QScrollArea *m_scroll;
    QWidget *m_sheet;
    QTabWidget *m_pages = nullptr;
    QList<BoundForm *> m_pageForms;
    BoundForm *m_form;
    QPushButton *m_printButton;
    QPushButton *m_closeButton;
    QHBoxLayout *m_buttons;
    bool m_printLabels = true;
    QPoint m_extension;
    QPoint m_offset;
    StringGrid *m_printGrid = nullptr;
};
