#include "thyjinkoufrm.h"

#include "boundform.h"
#include "cargojobform.h"
#include "cargojobtags.h"
#include "importopeners.h"
#include "jobtabs.h"
#include "tmainfrm.h"

#include <QCheckBox>
#include <QRadioButton>

using namespace Qt::StringLiterals;

namespace {

// The received flags (USD, RMB) and the five paid flags of the finance block.
const int SettlementFlags[] = {1020, 1050, 1070, 1090, 1110, 1130, 1150};

} // namespace

FormTable THYJinKouFrm::fields()
{
    using namespace Field;
    const QString shanghai = u"SHANGHAI"_s;
    return CargoJobForm::fields(
        {
            combo(60, u"船公司"_s),
            // The job arrives in Shanghai.
            combo(100, u"目的港"_s).withText(shanghai).withHint(u"0"_s),
            combo(110, u"启运国"_s),
            combo(140, u"卸货港"_s).withText(shanghai).withHint(u"0"_s),
            edit(160, u"付费联"_s),
            date(240, u"到港日期"_s),
            date(244, u"换单日期"_s),
            date(245, u"提货日期"_s),
            number(345, u"总净重(CBM)"_s),
            radio(450, u"分配车队"_s).withText(u"1"_s),
            group(u"提货单状态:"_s).named(u"提单状态"_s),
            date(720, u"换单日期"_s),
            check(730, u"已换单"_s),
            date(740, u"提货日期"_s),
            check(750, u"已提货"_s),
            group(u"付汇联:"_s).named(u"核销单"_s),
            edit(-1, u"付汇联号"_s).named(QString::fromUtf16(CargoJobForm::BillNumberCopy)),
            date(1060, u"船公司美元"_s),
            date(1080, u"船公司人民币"_s),
        },
        {
            group(u"结单状态"_s).withColumns(3),
            radio(-1, u"未结单"_s).asDisabled(),
            radio(-1, u"已结单"_s).asDisabled(),
            caption(u"注：  所有费用结清(7项科目全选)表示已结单，否则表示未结单。此项软件自动生成"_s),
        });
}

CargoJobSettings THYJinKouFrm::settings()
{
    CargoJobSettings s;
    s.caption = u"进口业务"_s;
    s.tabPrefix = u"进口业务_"_s;
    s.tabIcon = JobTabs::ImportIcon;
    s.newPageMessage = TMainFrm::NewImportPage;
    s.jobTable = u"货运进口基本信息"_s;
    s.cargoTable = u"货运进口货物明细"_s;
    s.feeTable = u"货运进口费用明细"_s;
    s.dependentTables = {u"货运进口费用明细"_s, u"货运进口货物明细"_s, u"财务"_s};
    s.newJobTexts = {{JobTag::Destination, u"SHANGHAI"_s}, {JobTag::DischargePort, u"SHANGHAI"_s}};
    s.countryPortTag = JobTag::LoadingPort;
    // The 付汇联 group names its own number, the 付费联 (the column 核销单号),
    // as the finance window does for the same job.
    s.fieldCopies = {{JobTag::Manual, QString::fromUtf16(CargoJobForm::ManualCopy)},
                     {JobTag::VerificationNumber, QString::fromUtf16(CargoJobForm::BillNumberCopy)}};
    s.sheetButtons = {u"车队分配"_s, u"费用明细"_s};
    // The import fee details know the modes 1 to 3: a job without an
    // allocation has neither a fleet's nor a warehouse's fees.
    s.allocationWhenNone = 3;
    s.oneCargoRowWhenConsolidated = false;
    s.grid.sizes = {u"20'"_s, u"40'"_s, u"45'"_s};
    s.grid.kinds = {u"GP"_s, u"HC"_s, u"OT"_s, u"FR"_s, u"TK"_s, u"PF"_s, u"RF"_s, u"HT"_s};
    s.grid.deleteRowCaption = u"删除当前选中项"_s;
    s.grid.clearCaption = u"清除全部货物信息"_s;
    s.grid.rowButtonsEdit = false;
    s.grid.validateOnLeave = true;
    return s;
}

THYJinKouFrm::THYJinKouFrm(JobTabs *tabs)
    : CargoJobWindow(tabs, settings(), fields())
{
    SetSheetOpener(u"费用明细"_s, OpenImportFeeDetails);
    SetSheetOpener(u"车队分配"_s, OpenImportTruckingSheet);
    // The shared window cleared itself before this kind's rules existed.
    ClearJob();
}

THYJinKouFrm::~THYJinKouFrm() = default;

bool THYJinKouFrm::Settled() const
{
    for (int tag : SettlementFlags) {
        const QCheckBox *flag = Form()->check(tag);
        if (!flag || !flag->isChecked())
            return false;
    }
    return true;
}

void THYJinKouFrm::RefreshOwnFields()
{
    auto *open = findChild<QRadioButton *>(u"未结单"_s);
    auto *settled = findChild<QRadioButton *>(u"已结单"_s);
    if (open && settled)
        (Settled() ? settled : open)->setChecked(true);
}
