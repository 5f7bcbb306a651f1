#pragma once

#include "feedetailsdialog.h"

// The fee details of an import job, "费用明细(进口)": table 货运进口费用明细,
// 134 columns from the bound fields of Tags 10 to 1300. The client's
// charges and the totals (应收款明细), what is paid to the shipping line, the
// customs broker, the truck fleet and the warehouse (应付款明细), the agent's
// side (自理付款明细).
//
// Read by name elsewhere: f103 and f2231 (the client's USD and RMB 退佣),
// f110 and f224 (the client's USD and RMB subtotals), the payable subtotals
// f310, f404, f509, f611, f705, and A1, A2, A, B1, B2, B. The RMB 退佣
// (f2231) lowers the RMB profit B but is not part of the RMB payables B2.
class THYJinKouFeiYongMXFrm : public FeeDetailsDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(THYJinKouFeiYongMXFrm)
public:
    explicit THYJinKouFeiYongMXFrm(QWidget *parent = nullptr);
    ~THYJinKouFeiYongMXFrm() override;

    static FeeDetailsKind feeKind();
};
