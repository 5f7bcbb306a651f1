#pragma once

#include "cargojobwindow.h"

// The import job window "进口业务": where an operator records one sea-import
// job, from the vessel's arrival to the delivery of its containers. Table
// 货运进口基本信息 (the same 88 columns as the export table, several with an
// import meaning: 船公司, 启运国, 付费联, 到港日期, 换单日期, 提货日期), cargo
// rows in 货运进口货物明细, the finance status of 财务 shown read-only with
// the 结单状态 it gives (Tags 1000 to 1150).
//
// What an import job does not have: consolidation (no 待拼 containers, no
// one-row rule), the 保函 and 仓库分配 sheets, an allocation mode 0 for the
// fee details. Its cargo grid checks its rows when left, and deleting or
// clearing rows is no edit of the job until something else changes.
class THYJinKouFrm : public CargoJobWindow
{
    Q_OBJECT
    Q_DISABLE_COPY(THYJinKouFrm)
public:
    explicit THYJinKouFrm(JobTabs *tabs);
    ~THYJinKouFrm() override;

    static FormTable fields();
    static CargoJobSettings settings();

    // The country of 装货港 into 启运国.
    void LoadingPortChanged() { DestinationChanged(); }
    // 已结单 when every receipt and payment of the job is ticked by finance.
    bool Settled() const;

protected:
    void RefreshOwnFields() override;
};
