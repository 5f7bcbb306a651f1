#pragma once

#include "reportlayout.h"
#include "reportsettings.h"

#include <QImage>
#include <QList>
#include <QWidget>
#include <memory>

class QPagedPaintDevice;
class QScrollArea;
class ReportPrinter;
class TDataF;

// The preview page of the report print window (tab "预览窗口"): the report
// as true-size page images stacked in a scroll area, each with a black
// shadow. It holds the report settings.
//
// A build lays the report out on the screen's pixels and counts its pages;
// the page images are drawn only when they come into view, and only a few
// are kept, so a report of thousands of pages previews at once and in
// little memory.
class TPreviewF : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(TPreviewF)
public:
    TPreviewF(TDataF *dataPage, ReportPrinter *printer, QWidget *parent = nullptr);
    ~TPreviewF() override;

    ReportSettings &settings() { return m_settings; }
    const ReportSettings &settings() const { return m_settings; }
    void setSettings(const ReportSettings &settings) { m_settings = settings; }

    // The total the footers show; 0 leaves it out ("第 1页 ").
    int pageTotal() const { return m_pageTotal; }
    void setPageTotal(int total);

    // Lays the report out on preview pages; answers the page count.
    int build();
    int pageCount() const { return m_pageCount; }
    // The preview page: the printer's page in screen pixels.
    QSize pageSize() const { return m_pageSize; }
    int screenDpi() const;
    // Where page index sits in the scroll area's contents.
    QRect pagePlacement(int index) const;
    QSize contentsSize() const;
    // The image of one page, drawn when first asked for and kept among the
    // few most recently used.
    QImage pageImage(int index);
    int cachedPageCount() const { return int(m_cache.size()); }
    // The layout of the last build (none before the first).
    const ReportLayout *layout() const { return m_layout.get(); }

    // Prints to the current target of the printer (a printer or the PDF
    // file): the pages are counted and drawn at the printer's resolution,
    // one after another. Answers the number of pages. Throws KorvanError
    // when the output cannot be started.
    int print();
    // The same onto any paged device (a QPdfWriter, a QPrinter) of the given
    // resolution.
    int renderTo(QPagedPaintDevice *device, int dpiX, int dpiY);

    QScrollArea *scrollArea() const { return m_scroll; }

private:
    class Canvas;

    TDataF *m_data;
    ReportPrinter *m_printer;
    ReportSettings m_settings;
    QScrollArea *m_scroll;
    Canvas *m_canvas;

    QImage m_metrics; // a surface of the screen's resolution, for measuring
    std::unique_ptr<ReportLayout> m_layout;
    QSize m_pageSize;
    int m_pageCount = 0;
    int m_pageTotal = 0;
    QList<QPair<int, QImage>> m_cache; // most recently used first
};
