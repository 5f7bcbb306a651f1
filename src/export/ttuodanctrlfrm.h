#pragma once

#include <QDialog>
#include <array>

class QLineEdit;
class QPushButton;
class QRadioButton;

// 控件基本属性: position, size and 是否打印 of one field of the B/L
// confirmation. 确认 applies the four numbers (a number that is not one
// keeps the field's value; positions are kept within −9999…99999, sizes
// within 0…99999) and the not-printed mark (否: Hint "00"); 修改字体 gives
// the field the chosen font at once.
class TTuoDanCtrlFrm : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(TTuoDanCtrlFrm)
public:
    enum Box { Left, Top, Width, Height };

    explicit TTuoDanCtrlFrm(QWidget *field, QWidget *parent = nullptr);
    ~TTuoDanCtrlFrm() override;

    QLineEdit *box(Box which) const { return m_boxes.at(which); }
    QRadioButton *printedButton() const { return m_printed; }
    QRadioButton *notPrintedButton() const { return m_notPrinted; }
    QPushButton *fontButton() const { return m_font; }
    QPushButton *confirmButton() const { return m_confirm; }
    QPushButton *cancelButton() const { return m_cancel; }

    // 确认 without closing.
    void apply();

private:
    QWidget *m_field;
    std::array<QLineEdit *, 4> m_boxes{};
    QRadioButton *m_printed;
    QRadioButton *m_notPrinted;
    QPushButton *m_font;
    QPushButton *m_confirm;
    QPushButton *m_cancel;
};
