#pragma once

#include <QList>
#include <QSize>

class QFont;
class QPaintDevice;
class QPainter;
class QString;
struct ReportDocument;
struct ReportSettings;

// Lays a list report out on pages. One routine decides the page breaks and
// draws: paginate() runs it without painting and remembers where every page
// starts; paintPage() runs it again from the start of one page, painting
// that page only. A 10,000-row report therefore counts its pages without
// drawing a cell, and any page can be drawn on demand, in any order.
//
// Every position is in pixels of the drawing surface (a preview page image,
// a printer page, a PDF page); the fonts' point sizes are mapped by the
// surface's resolution, so a layout measured on a device paints identically
// on it.
class ReportLayout
{
public:
    // The page and the settings in pixels of the surface.
    struct Page {
        int width = 0;
        int height = 0;
        int left = 0;
        int right = 0;
        int top = 0;
        int bottom = 0;
        int titleGap = 0;
        int headerGap = 0;
        int lineGap = 0;
        int summaryGap = 0;

        // Millimetres to pixels: round(mm / 25.4 × dots per inch); the left
        // and right margins by the horizontal resolution, everything else by
        // the vertical one.
        static Page fromSettings(const ReportSettings &settings, QSize pixels, int dpiX, int dpiY);
    };

    // Where a page starts: the first list row on it (the row count for a
    // page that holds only the summary) and whether it carries the column
    // captions.
    struct PageStart {
        int firstRow = 0;
        bool captions = true;
        bool summaryOnly = false;
    };

    // device gives the font metrics (the surface that will be painted, or
    // one of the same resolution); document and device must outlive the
    // layout.
    ReportLayout(const ReportDocument &document, const Page &page, QPaintDevice *device);

    // Computes the page breaks; answers the page count (at least 1).
    int paginate();
    int pageCount() const { return int(m_starts.size()); }
    const QList<PageStart> &pageStarts() const { return m_starts; }

    // Paints one page (0-based) onto painter, whose device is the surface
    // given to the constructor or one of the same resolution. pageTotal 0
    // leaves the total out of the footer ("第 2页 "). paginate() first.
    void paintPage(QPainter &painter, int pageIndex, int pageTotal) const;

    // The scaled width of each column on this page, 0 for the columns left
    // out (10 pixels or less).
    const QList<int> &columnWidths() const { return m_widths; }

    static QString footerText(int pageNumber, int pageTotal);
    // Rounds halves to even, as the settings conversion and the column scale do.
    static int roundHalfEven(double value);

private:
    struct Run;
    void run(QPainter *painter, int target, int pageTotal, QList<PageStart> *starts) const;

    const ReportDocument &m_doc;
    Page m_page;
    QPaintDevice *m_device;
    QList<int> m_widths;
    QList<PageStart> m_starts;
};
