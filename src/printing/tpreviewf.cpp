#include "tpreviewf.h"

#include "korvanerror.h"
#include "reportprinter.h"
#include "tdataf.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPrinter>
#include <QScrollArea>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// The first page's corner in the scroll area, the shadow's offset and the
// spacer past each shadow's bottom-right corner.
constexpr int PageLeft = 30;
constexpr int PageTop = 20;
constexpr int ShadowOffset = 5;
constexpr int SpacerWidth = 31;
constexpr int SpacerHeight = 21;
constexpr int CachedPages = 6;

QImage screenSurface(QSize size, int dpi)
{
    QImage image(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    const int dotsPerMeter = qRound(dpi / 0.0254);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    return image;
}

} // namespace

// Paints the pages that come into view: shadow, then the page image.
class TPreviewF::Canvas : public QWidget
{
public:
    explicit Canvas(TPreviewF *preview)
        : m_preview(preview)
    {
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QPainter painter(this);
        const int count = m_preview->pageCount();
        if (count == 0)
            return;
        const QSize size = m_preview->pageSize();
        const int stride = size.height() + ShadowOffset + SpacerHeight;
        const QRect exposed = event->rect();
        const int first = qMax(0, (exposed.top() - PageTop) / stride);
        const int last = qMin(count - 1, (exposed.bottom() - PageTop) / stride);
        for (int i = first; i <= last; ++i) {
            const QRect place = m_preview->pagePlacement(i);
            painter.fillRect(place.translated(ShadowOffset, ShadowOffset), Qt::black);
            painter.drawImage(place.topLeft(), m_preview->pageImage(i));
        }
    }

private:
    TPreviewF *m_preview;
};

TPreviewF::TPreviewF(TDataF *dataPage, ReportPrinter *printer, QWidget *parent)
    : QWidget(parent)
    , m_data(dataPage)
    , m_printer(printer)
    , m_scroll(new QScrollArea(this))
    , m_canvas(new Canvas(this))
{
    m_scroll->setWidget(m_canvas);
    m_scroll->setWidgetResizable(false);
    m_scroll->setBackgroundRole(QPalette::Dark);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_scroll);
}

TPreviewF::~TPreviewF() = default;

int TPreviewF::screenDpi() const
{
    const int dpi = logicalDpiY();
    return dpi > 0 ? dpi : 96;
}

void TPreviewF::setPageTotal(int total)
{
    if (total == m_pageTotal)
        return;
    m_pageTotal = total;
    m_cache.clear();
    m_canvas->update();
}

int TPreviewF::build()
{
    const int dpi = screenDpi();
    const QSize printerPage = m_printer->pagePixels();
    const int printerDpiX = m_printer->dpiX();
    const int printerDpiY = m_printer->dpiY();
    m_pageSize = QSize(ReportLayout::roundHalfEven(double(printerPage.width()) / printerDpiX * dpi),
                       ReportLayout::roundHalfEven(double(printerPage.height()) / printerDpiY * dpi));

    m_metrics = screenSurface(QSize(1, 1), dpi);
    m_cache.clear();
    m_layout = std::make_unique<ReportLayout>(m_data->document(),
                                              ReportLayout::Page::fromSettings(m_settings, m_pageSize, dpi, dpi),
                                              &m_metrics);
    m_pageCount = m_layout->paginate();

    m_canvas->resize(contentsSize());
    m_canvas->update();
    return m_pageCount;
}

QRect TPreviewF::pagePlacement(int index) const
{
    const int stride = m_pageSize.height() + ShadowOffset + SpacerHeight;
    return QRect(QPoint(PageLeft, PageTop + index * stride), m_pageSize);
}

QSize TPreviewF::contentsSize() const
{
    if (m_pageCount == 0)
        return QSize(0, 0);
    const QRect last = pagePlacement(m_pageCount - 1);
    return QSize(last.right() + 1 + ShadowOffset + SpacerWidth, last.bottom() + 1 + ShadowOffset + SpacerHeight);
}

QImage TPreviewF::pageImage(int index)
{
    if (!m_layout || index < 0 || index >= m_pageCount)
        return QImage();
    for (int i = 0; i < m_cache.size(); ++i) {
        if (m_cache.at(i).first == index) {
            if (i > 0)
                m_cache.move(i, 0);
            return m_cache.first().second;
        }
    }

    // A white page with a one-pixel black frame, then the report.
    QImage image = screenSurface(m_pageSize, screenDpi());
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setPen(QPen(Qt::black, 1));
        painter.drawRect(0, 0, m_pageSize.width() - 1, m_pageSize.height() - 1);
        m_layout->paintPage(painter, index, m_pageTotal);
    }
    m_cache.prepend({index, image});
    while (m_cache.size() > CachedPages)
        m_cache.removeLast();
    return image;
}

int TPreviewF::renderTo(QPagedPaintDevice *device, int dpiX, int dpiY)
{
    const ReportLayout::Page page =
        ReportLayout::Page::fromSettings(m_settings, QSize(device->width(), device->height()), dpiX, dpiY);
    ReportLayout layout(m_data->document(), page, device);
    const int total = layout.paginate();

    QPainter painter;
    if (!painter.begin(device))
        return 0;
    for (int i = 0; i < total; ++i) {
        if (i > 0)
            device->newPage();
        layout.paintPage(painter, i, total);
    }
    painter.end();
    return total;
}

int TPreviewF::print()
{
    QPrinter &printer = m_printer->printer();
    printer.setDocName(m_data->document().title);
    const int pages = renderTo(&printer, printer.logicalDpiX(), printer.logicalDpiY());
    if (pages == 0) {
        if (m_printer->isPdf())
            throw KorvanError(u"无法写入PDF文件: "_s + m_printer->pdfFileName());
        throw KorvanError(u"打印机无法开始打印: "_s + m_printer->currentTarget());
    }
    return pages;
}
