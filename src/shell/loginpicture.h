#pragma once

#include <QWidget>

// The picture on the left of the login window: a container ship at sea under
// the product name. Clicking it confirms the login like the 确定 button.
class LoginPicture : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(LoginPicture)
public:
    explicit LoginPicture(QWidget *parent = nullptr);
    ~LoginPicture() override;

    QSize sizeHint() const override;

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
};
