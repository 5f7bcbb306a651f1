#include "jobtabs.h"

#include <QGridLayout>
#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QTabBar>
#include <QVBoxLayout>

namespace {

// The four tab pictures: a magnifier (query), a ship leaving (export), a ship
// arriving (import) and a coin (finance).
QPixmap drawIcon(int index)
{
    const int size = 32;
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    switch (index) {
    case JobTabs::QueryIcon:
        p.setPen(QPen(QColor(40, 90, 160), 4));
        p.setBrush(QColor(200, 225, 255));
        p.drawEllipse(QRectF(4, 4, 17, 17));
        p.setPen(QPen(QColor(90, 60, 30), 5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(19, 19), QPointF(28, 28));
        break;
    case JobTabs::ExportIcon:
    case JobTabs::ImportIcon: {
        const bool outward = index == JobTabs::ExportIcon;
        QPainterPath hull;
        hull.moveTo(2, 17);
        hull.lineTo(30, 17);
        hull.lineTo(25, 25);
        hull.lineTo(6, 25);
        hull.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(30, 60, 120));
        p.drawPath(hull);
        p.setBrush(QColor(200, 60, 40));
        p.drawRect(QRectF(7, 11, 7, 6));
        p.setBrush(QColor(60, 150, 70));
        p.drawRect(QRectF(15, 11, 7, 6));
        p.setPen(QPen(outward ? QColor(220, 120, 0) : QColor(0, 140, 180), 3, Qt::SolidLine, Qt::RoundCap));
        // the arrow points away from the ship for export, towards it for import
        if (outward) {
            p.drawLine(QPointF(18, 7), QPointF(28, 3));
            p.drawLine(QPointF(28, 3), QPointF(23, 2));
            p.drawLine(QPointF(28, 3), QPointF(26, 8));
        } else {
            p.drawLine(QPointF(28, 3), QPointF(18, 7));
            p.drawLine(QPointF(18, 7), QPointF(20, 2));
            p.drawLine(QPointF(18, 7), QPointF(23, 9));
        }
        p.setPen(QPen(QColor(70, 140, 220), 2));
        p.drawLine(QPointF(1, 29), QPointF(31, 29));
        break;
    }
    default: {
        p.setPen(QPen(QColor(150, 110, 0), 2));
        p.setBrush(QColor(250, 200, 40));
        p.drawEllipse(QRectF(3, 3, 26, 26));
        QFont font = p.font();
        font.setBold(true);
        font.setPixelSize(18);
        p.setFont(font);
        p.setPen(QColor(120, 70, 0));
        p.drawText(QRectF(3, 3, 26, 26), Qt::AlignCenter, QStringLiteral("¥"));
        break;
    }
    }
    return pixmap;
}

} // namespace

JobTabs::JobTabs(QWidget *parent)
    : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_bar = new QTabBar(this);
    m_bar->setExpanding(false);
    m_bar->setDrawBase(true);
    m_bar->setIconSize(QSize(16, 16));
    m_area = new QWidget(this);
    m_areaLayout = new QGridLayout(m_area);
    m_areaLayout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_bar);
    layout->addWidget(m_area, 1);
    connect(m_bar, &QTabBar::currentChanged, this, &JobTabs::userChanged);
}

JobTabs::~JobTabs() = default;

int JobTabs::count() const
{
    return m_bar->count();
}

int JobTabs::currentIndex() const
{
    return m_bar->currentIndex();
}

void JobTabs::setCurrentIndex(int index)
{
    selectSilently(index);
}

QString JobTabs::tabText(int index) const
{
    return m_bar->tabText(index);
}

void JobTabs::setTabText(int index, const QString &text)
{
    m_bar->setTabText(index, text);
}

void JobTabs::selectSilently(int index)
{
    m_silent = true;
    m_bar->setCurrentIndex(index);
    m_silent = false;
    m_last = m_bar->currentIndex();
}

int JobTabs::appendPage(const QString &caption, int iconIndex, std::unique_ptr<TYWData> record)
{
    m_pages.push_back(record ? std::move(record) : std::make_unique<TYWData>());
    m_silent = true;
    const int index = m_bar->addTab(icon(iconIndex), caption);
    m_silent = false;
    m_last = m_bar->currentIndex();
    return index;
}

void JobTabs::removePage(int index)
{
    if (index < 0 || index >= count())
        return;
    const bool wasCurrent = index == currentIndex();
    m_pages.erase(m_pages.begin() + index);
    m_silent = true;
    m_bar->removeTab(index);
    m_silent = false;
    if (wasCurrent && count() > 0)
        selectSilently(count() - 1);
    m_last = m_bar->currentIndex();
}

void JobTabs::clear()
{
    m_silent = true;
    while (m_bar->count() > 0)
        m_bar->removeTab(m_bar->count() - 1);
    m_silent = false;
    m_pages.clear();
    m_last = -1;
}

TYWData *JobTabs::page(int index) const
{
    if (index < 0 || size_t(index) >= m_pages.size())
        return nullptr;
    return m_pages[size_t(index)].get();
}

void JobTabs::host(QWidget *window)
{
    window->setParent(m_area);
    window->setWindowFlags(Qt::Widget);
    m_areaLayout->addWidget(window, 0, 0);
    window->hide();
}

void JobTabs::showOnly(QWidget *window)
{
    for (int i = 0; i < m_areaLayout->count(); ++i) {
        QWidget *w = m_areaLayout->itemAt(i)->widget();
        if (w && w != window)
            w->hide();
    }
    if (window) {
        window->show();
        window->raise();
    }
}

void JobTabs::userChanged(int index)
{
    if (m_silent)
        return;
    // The bar has already moved: put it back while the old page is asked
    // whether it may be left, so that "the current tab" still means it.
    const int from = m_last;
    selectSilently(from);
    if (from >= 0 && m_leave && !m_leave(from))
        return;
    selectSilently(index);
    if (m_enter)
        m_enter(index);
}

QIcon JobTabs::icon(int index)
{
    return QIcon(drawIcon(index));
}
