#include "shapecontrol.h"

#include <QPainter>

ShapeControl::ShapeControl(Shape shape, QWidget *parent)
    : QWidget(parent)
    , m_shape(shape)
    , m_pen(Qt::black, 1)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

ShapeControl::~ShapeControl() = default;

void ShapeControl::setShape(Shape shape)
{
    m_shape = shape;
    update();
}

void ShapeControl::setPen(const QPen &pen)
{
    m_pen = pen;
    update();
}

QRect ShapeControl::shapeBox(Shape shape, const QSize &controlSize, int x, int y, int r, int b)
{
    if (shape == Rectangle && controlSize.width() < 3)
        r = x + 1;
    else if (shape == Rectangle && controlSize.height() < 3)
        b = y + 1;
    return QRect(QPoint(x, y), QPoint(r - 1, b - 1));
}

void ShapeControl::drawShape(QPainter &painter, Shape shape, const QPen &pen, const QRect &box)
{
    if (box.width() <= 0 || box.height() <= 0)
        return;
    const int penWidth = qMax(1, qRound(pen.widthF()));
    painter.save();
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    // With a one-pixel pen Qt's outline of QRect(x, y, w, h) covers w + 1
    // columns, so the box is shrunk by one to cover exactly its own pixels.
    const QRect outline(box.left(), box.top(), box.width() - 1, box.height() - 1);
    if (shape == Ellipse)
        painter.drawEllipse(outline);
    else if (box.width() == 1) // a vertical rule, the pen's width centred on it
        painter.fillRect(QRect(box.left() - penWidth / 2, box.top(), penWidth, box.height()), pen.brush());
    else if (box.height() == 1)
        painter.fillRect(QRect(box.left(), box.top() - penWidth / 2, box.width(), penWidth), pen.brush());
    else
        painter.drawRect(outline);
    painter.restore();
}

void ShapeControl::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    drawShape(painter, m_shape, m_pen, shapeBox(m_shape, size(), 0, 0, width(), height()));
}
