#pragma once

#include "formfield.h"
#include "ratebatch.h"

#include <QDialog>
#include <optional>

class BoundForm;
class QPushButton;
class RateConditions;
class StringGrid;

// 批量更新: a general rate increase. The rates are chosen by the conditions
// of 运价查询; the change is an amount or a percentage for the cost and/or
// selling price of each container type (an empty box changes nothing), made
// in place or as new prices from a date. 预览 lists every rate before and
// after; 确定 applies all of it in one transaction, or nothing, and says how
// many rates changed.
class TPiLiangGXFrm : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(TPiLiangGXFrm)
public:
    enum Tag {
        ChangeKind = 110, // 0 按金额, 1 按百分比
        FirstCost = 120,  // one per container type, 10 apart
        FirstSell = 170,
        Timing = 220,     // 0 原价修改, 1 从日期起执行新价
        NewFrom = 230
    };

    explicit TPiLiangGXFrm(QWidget *parent = nullptr);
    ~TPiLiangGXFrm() override;

    static FormTable fields();
    RateConditions *conditions() const { return m_conditions; }
    BoundForm *form() const { return m_form; }
    StringGrid *preview() const { return m_preview; }
    QPushButton *button(const QString &caption) const;

    // The batch the boxes describe; nullopt (with the reason shown) when a
    // box holds no amount or nothing is to change.
    std::optional<RateBatch> batch() const;
    // 预览 and 确定.
    void showPreview();
    void confirm();

private:
    QPushButton *addButton(const QString &caption, void (TPiLiangGXFrm::*command)());

    RateConditions *m_conditions;
    BoundForm *m_form;
    StringGrid *m_preview;
    class QHBoxLayout *m_buttons;
};
