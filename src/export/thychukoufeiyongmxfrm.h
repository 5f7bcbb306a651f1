#pragma once

#include "feedetailsdialog.h"

// The fee details of an export job, "费用明细(出口)": table 货运出口费用明细,
// 123 columns from the bound fields of Tags 10 to 1190. The client's
// charges and the totals (应收款明细), what is paid to the booking party,
// the customs broker, the truck fleet and the warehouse (应付款明细), the
// agent's side (其它明细款). 打印 prints the page on screen.
//
// Read by name elsewhere: f109 and f217 (the client's USD and RMB 退佣),
// f110 and f219 (the client's USD and RMB subtotals), A1, A2, A (USD
// receivable, payable, profit) and B1, B2, B (RMB).
class THYChukouFeiYongMXFrm : public FeeDetailsDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(THYChukouFeiYongMXFrm)
public:
    explicit THYChukouFeiYongMXFrm(QWidget *parent = nullptr);
    ~THYChukouFeiYongMXFrm() override;

    static FeeDetailsKind feeKind();
};
