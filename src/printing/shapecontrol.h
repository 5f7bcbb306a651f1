#pragma once

#include <QPen>
#include <QWidget>

// A drawn shape of a printed sheet: a rule, a frame or an ellipse, drawn with
// its pen on the screen and by the print engine on the page. A rectangle less
// than 3 pixels wide is a vertical rule, one less than 3 pixels high a
// horizontal rule.
//
//   auto *rule = new ShapeControl(ShapeControl::Rectangle, sheet);
//   rule->setGeometry(10, 120, 600, 1);   // a horizontal rule
//   auto *frame = new ShapeControl(ShapeControl::Rectangle, sheet);
//   frame->setGeometry(8, 8, 620, 400);
//   frame->setPen(QPen(Qt::black, 2));
class ShapeControl : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(ShapeControl)
public:
    enum Shape { Rectangle, Ellipse };
    Q_ENUM(Shape)

    explicit ShapeControl(Shape shape = Rectangle, QWidget *parent = nullptr);
    ~ShapeControl() override;

    Shape shape() const { return m_shape; }
    void setShape(Shape shape);
    QPen pen() const { return m_pen; }
    void setPen(const QPen &pen);

    // The box a shape of the control's size is drawn in, given the box
    // (x, y)-(r, b) it occupies: the whole box, except that a rectangle less
    // than 3 pixels wide becomes the rule (x, y)-(x + 1, b) and one less than
    // 3 pixels high the rule (x, y)-(r, y + 1).
    static QRect shapeBox(Shape shape, const QSize &controlSize, int x, int y, int r, int b);
    // Draws shape with pen in the box, right and bottom exclusive: an ellipse,
    // or a rectangle whose outline covers the box (a box one pixel wide or
    // high is a line). The painter's brush is left out.
    static void drawShape(QPainter &painter, Shape shape, const QPen &pen, const QRect &box);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Shape m_shape;
    QPen m_pen;
};
