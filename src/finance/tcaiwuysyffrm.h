#pragma once

#include "financelistwindow.h"

// 应收应付帐款: for the jobs of a period, what the clients still owe
// (应收未收款: the client's USD and RMB charges, received or not) and what
// the company still owes the shipping line or booking party, the customs
// broker, the truck fleet and the warehouse (应付未付款), from the fee
// details and the received and paid flags of 财务. A flag of 1 moves the
// whole amount from 未收 (未付) to 已收 (已付); a job without a finance row
// owes all. The TOTAL line sums every amount column.
class TCaiWuYSYFFrm : public FinanceListWindow
{
    Q_OBJECT
    Q_DISABLE_COPY(TCaiWuYSYFFrm)
public:
    enum Tab { Receivable, Payable };

    explicit TCaiWuYSYFFrm(QWidget *parent = nullptr);
    ~TCaiWuYSYFFrm() override;

    // The list's SQL for the frame's tab, line, period and conditions.
    static QString QueryText(const JobListFrame &frame);
};
