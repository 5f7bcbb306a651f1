#pragma once

#include "financelistwindow.h"

// 对帐单: the statement of account sent to a client or another party: for
// the jobs of a period, the client's USD and RMB charges with the invoice
// numbers, and their totals. The unit chosen in 单位名称 retitles the
// statement ("<unit> 对帐单") and restricts it to the jobs whose client,
// customs broker, booking party, truck fleet or warehouse contains it.
class TZhuiZhangFrm : public FinanceListWindow
{
    Q_OBJECT
    Q_DISABLE_COPY(TZhuiZhangFrm)
public:
    explicit TZhuiZhangFrm(QWidget *parent = nullptr);
    ~TZhuiZhangFrm() override;

    static QString QueryText(const JobListFrame &frame);
};
