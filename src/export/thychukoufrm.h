#pragma once

#include "cargojobwindow.h"

// The export job window "出口业务": where an operator books and keeps one
// sea-export job, and the hub its documents hang on. Table
// 货运出口基本信息 (Tags 10 to 830), cargo rows in 货运出口货物明细, the
// finance status of 财务 shown read-only (Tags 1000 to 1150).
//
// Beyond what every cargo job window does, an export job has: consolidated
// jobs (货代自拼箱, 客户自拼箱) with the 拼箱操作 button and the menu item
// 海运出口 > 拼箱处理, their cargo waiting as "待拼"; the 保函 button for a
// back-dated, early or telex-released B/L; 车队分配 and 仓库分配 following
// the allocation.
class THYChuKouFrm : public CargoJobWindow
{
    Q_OBJECT
    Q_DISABLE_COPY(THYChuKouFrm)
public:
    explicit THYChuKouFrm(JobTabs *tabs);
    ~THYChuKouFrm() override;

    static FormTable fields();
    static CargoJobSettings settings();

    // Menu 海运出口 > 拼箱处理: the 拼箱操作 button.
    void LclProcessing();

protected:
    void RefreshOwnFields() override;

private:
    void refreshLcl();
};
