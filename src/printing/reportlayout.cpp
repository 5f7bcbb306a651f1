#include "reportlayout.h"

#include "reportdocument.h"
#include "reportsettings.h"
#include "values.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// One point smaller; false when the font cannot get smaller (Qt draws no
// font below one point, so that is where shrinking stops).
bool shrinkFont(QFont &font)
{
    if (font.pointSizeF() > 0) {
        if (font.pointSizeF() <= 1.0)
            return false;
        font.setPointSizeF(qMax(1.0, font.pointSizeF() - 1.0));
        return true;
    }
    if (font.pixelSize() <= 1)
        return false;
    font.setPixelSize(font.pixelSize() - 1);
    return true;
}

} // namespace

int ReportLayout::roundHalfEven(double value)
{
    return int(std::nearbyint(value));
}

QString ReportLayout::footerText(int pageNumber, int pageTotal)
{
    if (pageTotal > 0)
        return u"第%1页 共%2页"_s.arg(pageNumber, 2).arg(pageTotal, 2);
    return u"第%1页 "_s.arg(pageNumber, 2);
}

ReportLayout::Page ReportLayout::Page::fromSettings(const ReportSettings &settings, QSize pixels, int dpiX,
                                                    int dpiY)
{
    Page page;
    page.width = pixels.width();
    page.height = pixels.height();
    page.left = CommFunU::MmToPixels(settings.leftMargin, dpiX);
    page.right = CommFunU::MmToPixels(settings.rightMargin, dpiX);
    page.top = CommFunU::MmToPixels(settings.topMargin, dpiY);
    page.bottom = CommFunU::MmToPixels(settings.bottomMargin, dpiY);
    page.titleGap = CommFunU::MmToPixels(settings.titleGap, dpiY);
    page.headerGap = CommFunU::MmToPixels(settings.headerGap, dpiY);
    page.lineGap = CommFunU::MmToPixels(settings.lineGap, dpiY);
    page.summaryGap = CommFunU::MmToPixels(settings.summaryGap, dpiY);
    return page;
}

ReportLayout::ReportLayout(const ReportDocument &document, const Page &page, QPaintDevice *device)
    : m_doc(document)
    , m_page(page)
    , m_device(device)
{
    qint64 sum = 0;
    for (const ReportDocument::Column &column : m_doc.columns)
        sum += column.width;
    if (sum > 0) {
        const double factor = double(m_page.width - m_page.left - m_page.right) / double(sum);
        for (const ReportDocument::Column &column : m_doc.columns) {
            const int w = roundHalfEven(column.width * factor);
            m_widths.append(w > 10 ? w : 0);
        }
    }
}

// The state of one layout run. Positions follow the report from the top of
// a page down; only the page being painted (target) is drawn.
struct ReportLayout::Run
{
    const ReportLayout &layout;
    const ReportDocument &doc;
    const Page &pg;
    QPainter *painter;
    int target;
    int pageTotal;
    QList<PageStart> *starts;

    int page = 0; // 0-based
    int y = 0;
    int captionY = 0;

    QFontMetrics metrics(const QFont &font) const { return QFontMetrics(font, layout.m_device); }
    int heightOf(const QFont &font) const { return metrics(font).height(); }
    int widthOf(const QFont &font, const QString &text) const { return metrics(font).horizontalAdvance(text); }
    bool painting() const { return painter && page == target; }

    // Text with its top-left corner at (x, top).
    void textOut(const QFont &font, int x, int top, const QString &text) const
    {
        if (!painting() || text.isEmpty())
            return;
        painter->setFont(font);
        painter->drawText(QPoint(x, top + metrics(font).ascent()), text);
    }
    // A frame whose outer edges run from (x1, y1) to (x2 - 1, y2 - 1).
    void frame(int x1, int y1, int x2, int y2) const
    {
        if (painting())
            painter->drawRect(QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1));
    }

    void titles()
    {
        const int available = pg.width - pg.left - pg.right;
        textOut(doc.subtitleFont, (available - widthOf(doc.subtitleFont, doc.subtitle)) / 2, pg.top, doc.subtitle);
        const int titleHeight = heightOf(doc.titleFont);
        y = pg.top + titleHeight;
        textOut(doc.titleFont, (available - widthOf(doc.titleFont, doc.title)) / 2, y, doc.title);

        y += titleHeight + pg.titleGap;
        headerLine(0);
        y += heightOf(doc.headerFont) + pg.lineGap;
        headerLine(3);
    }

    void headerLine(int first)
    {
        const QFont &font = doc.headerFont;
        textOut(font, pg.left, y, doc.headerTexts[first]);
        textOut(font, (pg.width - pg.left - pg.right) / 2, y, doc.headerTexts[first + 1]);
        const QString &right = doc.headerTexts[first + 2];
        textOut(font, pg.width - pg.right - widthOf(font, right), y, right);
    }

    void captions()
    {
        y += heightOf(doc.headerFont) + pg.headerGap;
        captionY = y;
        const int h = heightOf(doc.listFont);
        int x = pg.left;
        for (int c = 0; c < layout.m_widths.size(); ++c) {
            const int w = layout.m_widths.at(c);
            if (w == 0)
                continue;
            const QString &caption = doc.columns.at(c).caption;
            QFont font = doc.listFont;
            if (painting()) {
                while (widthOf(font, caption) > w && shrinkFont(font)) {
                }
            }
            frame(x, y, x + w + 1, y + h + pg.lineGap + 1);
            textOut(font, x + 1, y + (h + pg.lineGap - heightOf(font)) / 2, caption);
            x += w;
        }
    }

    void drawRow(int row, int top, int bottom) const
    {
        const QFontMetrics listMetrics = metrics(doc.listFont);
        int x = pg.left;
        for (int c = 0; c < layout.m_widths.size(); ++c) {
            const int w = layout.m_widths.at(c);
            if (w == 0)
                continue;
            const int right = x + w;
            const QString text = doc.cell(row, c);
            QFont font = doc.listFont;
            QFontMetrics fm = listMetrics;
            while (fm.horizontalAdvance(text) + fm.horizontalAdvance(u'X') / 2 > right - x && shrinkFont(font))
                fm = metrics(font);
            frame(x, top, right + 1, bottom + 1);
            const int textTop = top + (bottom - top - fm.height()) / 2;
            // An amount column's cells and any two-decimal number go to the right.
            const bool amount = doc.columns.at(c).kind == ListColumns::Kind::Amount;
            if (amount || CommFunU::IsTwoDecimalText(text))
                textOut(font, right - fm.horizontalAdvance(text), textTop, text);
            else
                textOut(font, x + fm.horizontalAdvance(u'X') / 2 + 1, textTop, text);
            x = right;
        }
    }

    void footer() const
    {
        if (!painting())
            return;
        const QString text = footerText(page + 1, pageTotal);
        const QFontMetrics fm = metrics(doc.listFont);
        textOut(doc.listFont, pg.width - fm.horizontalAdvance(text) - pg.right, pg.height - fm.height() - pg.bottom,
                text);
    }

    // Titles and header texts, then the captions or the summary gap.
    void openPage(bool withCaptions)
    {
        titles();
        if (withCaptions)
            captions();
        else
            y += pg.summaryGap;
    }

    // Ends the current page and begins the next. False when the page that
    // ended was the one being painted: the run is over.
    bool newPage(int firstRow, bool withCaptions, bool summaryOnly)
    {
        footer();
        if (page == target)
            return false;
        ++page;
        if (starts)
            starts->append({firstRow, withCaptions, summaryOnly});
        openPage(withCaptions);
        return true;
    }
};

void ReportLayout::run(QPainter *painter, int target, int pageTotal, QList<PageStart> *starts) const
{
    Run r{*this, m_doc, m_page, painter, target, pageTotal, starts};
    const QFont &listFont = m_doc.listFont;
    const int h = r.heightOf(listFont);
    const int limit = m_page.height - m_page.bottom;
    const int rowCount = int(m_doc.rows.size());
    const bool hasColumns = !m_widths.isEmpty();

    PageStart start;
    if (target > 0 && target < m_starts.size())
        start = m_starts.at(target);
    r.page = qMax(0, target);
    if (starts)
        starts->append(start);
    r.openPage(start.captions);

    if (!start.summaryOnly) {
        if (hasColumns) {
            // Every row is checked against the page end except the first of a
            // page that began with it.
            bool fresh = r.page > 0;
            int bottom = r.captionY + h + m_page.lineGap;
            for (int row = start.firstRow; row < rowCount; ++row) {
                r.y = bottom;
                bottom = r.y + h + m_page.lineGap;
                if (!fresh && h + bottom + m_page.lineGap >= limit) {
                    if (!r.newPage(row, true, false))
                        return;
                    r.y = r.captionY + h + m_page.lineGap;
                    bottom = r.y + h + m_page.lineGap;
                }
                fresh = false;
                if (r.painting())
                    r.drawRow(row, r.y, bottom);
            }
        }
        r.y += h + m_page.summaryGap + m_page.lineGap;
        if (2 * h + r.y + m_page.lineGap >= limit) {
            if (!r.newPage(rowCount, false, true))
                return;
        }
    }

    r.textOut(m_doc.summaryFont, m_page.left, r.y, m_doc.summary);
    r.y += r.heightOf(m_doc.summaryFont) + m_page.lineGap;
    const int firstWidth = r.widthOf(m_doc.summaryFont, m_doc.signatures[0]);
    const int third = (m_page.width - firstWidth) / 3;
    r.textOut(m_doc.summaryFont, m_page.left, r.y, m_doc.signatures[0]);
    r.textOut(m_doc.summaryFont, third, r.y, m_doc.signatures[1]);
    r.textOut(m_doc.summaryFont, third * 2, r.y, m_doc.signatures[2]);
    r.footer();
}

int ReportLayout::paginate()
{
    QList<PageStart> starts;
    run(nullptr, -1, 0, &starts);
    m_starts = starts;
    return pageCount();
}

void ReportLayout::paintPage(QPainter &painter, int pageIndex, int pageTotal) const
{
    if (pageIndex < 0 || pageIndex >= m_starts.size())
        return;
    painter.save();
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::NoBrush);
    run(&painter, pageIndex, pageTotal, nullptr);
    painter.restore();
}
