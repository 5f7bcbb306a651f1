#include "loginpicture.h"

#include "queryhelpers.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

using namespace Qt::StringLiterals;

LoginPicture::LoginPicture(QWidget *parent)
    : QWidget(parent)
{
    setCursor(Qt::PointingHandCursor);
    setMinimumSize(200, 220);
}

LoginPicture::~LoginPicture() = default;

QSize LoginPicture::sizeHint() const
{
    return {230, 260};
}

void LoginPicture::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QWidget::mouseReleaseEvent(event);
}

void LoginPicture::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = width();
    const qreal h = height();
    const qreal seaTop = h * 0.68;

    // sky
    QLinearGradient sky(0, 0, 0, seaTop);
    sky.setColorAt(0, QColor(18, 52, 110));
    sky.setColorAt(0.6, QColor(70, 130, 200));
    sky.setColorAt(1, QColor(250, 200, 140));
    p.fillRect(QRectF(0, 0, w, seaTop), sky);

    // sun low on the horizon
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 225, 150, 200));
    p.drawEllipse(QPointF(w * 0.78, seaTop - 4), h * 0.07, h * 0.07);

    // sea
    QLinearGradient sea(0, seaTop, 0, h);
    sea.setColorAt(0, QColor(30, 90, 150));
    sea.setColorAt(1, QColor(10, 35, 70));
    p.fillRect(QRectF(0, seaTop, w, h - seaTop), sea);

    // the ship: hull, containers in rows of colours, bridge at the stern
    const qreal shipLeft = w * 0.08;
    const qreal shipRight = w * 0.92;
    const qreal deck = seaTop - h * 0.02;
    const qreal keel = seaTop + h * 0.06;
    QPainterPath hull;
    hull.moveTo(shipLeft, deck);
    hull.lineTo(shipRight + w * 0.03, deck - h * 0.015);
    hull.lineTo(shipRight - w * 0.03, keel);
    hull.lineTo(shipLeft + w * 0.04, keel);
    hull.closeSubpath();
    p.setBrush(QColor(150, 30, 30));
    p.drawPath(hull);
    p.setBrush(QColor(30, 30, 40));
    p.drawRect(QRectF(shipLeft + w * 0.02, deck - 1, shipRight - shipLeft, h * 0.018));

    const QColor colours[] = {QColor(200, 70, 40), QColor(40, 120, 180), QColor(60, 150, 80),
                              QColor(220, 170, 40), QColor(120, 120, 130), QColor(170, 60, 120)};
    const qreal boxW = w * 0.07;
    const qreal boxH = h * 0.035;
    int colour = 0;
    for (int row = 0; row < 3; ++row) {
        for (qreal x = shipLeft + w * 0.2; x + boxW < shipRight - w * 0.02; x += boxW + 1) {
            p.setBrush(colours[colour++ % 6]);
            p.setPen(QPen(QColor(0, 0, 0, 90), 0.8));
            p.drawRect(QRectF(x, deck - (row + 1) * (boxH + 1), boxW, boxH));
        }
        colour += 2;
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(235, 235, 235));
    const qreal bridgeX = shipLeft + w * 0.04;
    p.drawRect(QRectF(bridgeX, deck - h * 0.16, w * 0.12, h * 0.16));
    p.setBrush(QColor(40, 60, 90));
    for (int i = 0; i < 3; ++i)
        p.drawRect(QRectF(bridgeX + w * 0.015 + i * w * 0.035, deck - h * 0.145, w * 0.02, h * 0.02));
    p.setBrush(QColor(60, 60, 60));
    p.drawRect(QRectF(bridgeX + w * 0.08, deck - h * 0.21, w * 0.025, h * 0.05));

    // waves
    p.setPen(QPen(QColor(255, 255, 255, 70), 1.5));
    for (int i = 0; i < 5; ++i) {
        const qreal y = keel + 6 + i * (h - keel) / 5;
        for (qreal x = (i % 2) * 14; x < w; x += 28)
            p.drawLine(QPointF(x, y), QPointF(x + 12, y));
    }

    // product name
    QFont title = font();
    title.setBold(true);
    title.setPixelSize(int(h * 0.09));
    p.setFont(title);
    p.setPen(QColor(0, 0, 0, 90));
    const QRectF titleRect(0, h * 0.08, w, h * 0.14);
    p.drawText(titleRect.translated(1.5, 1.5), Qt::AlignCenter, CommFunU::ProductName());
    p.setPen(Qt::white);
    p.drawText(titleRect, Qt::AlignCenter, CommFunU::ProductName());
    QFont sub = font();
    sub.setPixelSize(int(h * 0.05));
    p.setFont(sub);
    p.setPen(QColor(230, 240, 255));
    p.drawText(QRectF(0, h * 0.22, w, h * 0.08), Qt::AlignCenter, u"海运进出口 · 单证 · 财务"_s);
}
