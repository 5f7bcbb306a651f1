#pragma once

#include "financelistwindow.h"

class QLineEdit;

// 主营业务收支: per job of a period, the receivable and payable totals and
// the gross profit in US dollars and renminbi as the fee details computed
// them, and the total profit in renminbi at the rate typed in 利率 (US
// dollar to renminbi, 8.3 at first), computed by the database per job. A
// rate that is no number lists nothing new; 清空 keeps the rate.
class TCaiWuZYYWFrm : public FinanceListWindow
{
    Q_OBJECT
    Q_DISABLE_COPY(TCaiWuZYYWFrm)
public:
    explicit TCaiWuZYYWFrm(QWidget *parent = nullptr);
    ~TCaiWuZYYWFrm() override;

    QLineEdit *rateBox() const { return m_rate; }
    // The list's SQL at a rate ("0.000" form), for the frame's line, period and conditions.
    static QString QueryText(const JobListFrame &frame, const QString &rate);

private:
    QLineEdit *m_rate;
};
