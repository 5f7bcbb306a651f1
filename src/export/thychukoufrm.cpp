#include "thychukoufrm.h"

#include "boundform.h"
#include "cargojobform.h"
#include "cargojobtags.h"
#include "exportfeeopeners.h"
#include "jobtabs.h"
#include "radiogroup.h"
#include "tbaoguanfrm.h"
#include "tbaohangfrm.h"
#include "tbjfrm.h"
#include "tcankufrm.h"
#include "tcheduifrm.h"
#include "tgengzhengfrm.h"
#include "thypingxiangfrm.h"
#include "ttuodanfrm.h"
#include "tmainfrm.h"
#include "values.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>

using namespace Qt::StringLiterals;

namespace {

enum Size { OwnSize, Maximised };

// A paper of the job, shown modally until the user closes it.
template <class Sheet, Size size = OwnSize> void openSheet(const CargoJobValues &job, QWidget *parent)
{
    Sheet sheet(job, parent);
    if (size == Maximised)
        sheet.execMaximised();
    else
        sheet.exec();
}

} // namespace

FormTable THYChuKouFrm::fields()
{
    using namespace Field;
    // An export job leaves Shanghai, its freight usually prepaid there.
    return CargoJobForm::fields({
        combo(120, u"装货港"_s).withText(u"SHANGHAI"_s).withHint(u"0"_s),
        edit(360, u"预付地点"_s).withText(u"SHANGHAI"_s).withHint(u"0"_s),
    });
}

CargoJobSettings THYChuKouFrm::settings()
{
    CargoJobSettings s;
    s.caption = u"出口业务"_s;
    s.tabPrefix = u"出口业务_"_s;
    s.tabIcon = JobTabs::ExportIcon;
    s.newPageMessage = TMainFrm::NewExportPage;
    s.jobTable = u"货运出口基本信息"_s;
    s.cargoTable = u"货运出口货物明细"_s;
    s.feeTable = u"货运出口费用明细"_s;
    s.dependentTables = {u"货运出口费用明细"_s, u"货运出口货物明细"_s, u"货运出口更正单"_s,
                         u"货运出口报检单"_s,   u"货运出口报关单"_s,   u"财务"_s};
    s.newJobTexts = {{JobTag::LoadingPort, u"SHANGHAI"_s}, {JobTag::PrepaidAt, u"SHANGHAI"_s},
                     {JobTag::IssuedAt, u"SHANGHAI"_s}};
    s.countryPortTag = JobTag::Destination;
    s.sheetButtons = {u"报关单"_s, u"报检单"_s, u"更正单"_s, u"提单确认"_s, u"保函"_s,
                      u"费用明细"_s, u"车队分配"_s, u"仓库分配"_s, u"拼箱操作"_s};
    s.oneCargoRowWhenConsolidated = true;
    s.grid.sizes = {u"20'"_s, u"40'"_s, u"45'"_s, u"待拼"_s};
    s.grid.kinds = {u"GP"_s, u"HC"_s, u"OT"_s, u"FR"_s, u"TK"_s, u"PF"_s, u"RF"_s, u"HT"_s, u"待拼"_s};
    return s;
}

THYChuKouFrm::THYChuKouFrm(JobTabs *tabs)
    : CargoJobWindow(tabs, settings(), fields())
{
    // A shut-out job is written in red.
    if (QWidget *shutOut = Form()->field(JobTag::ShutOut))
        shutOut->setStyleSheet(u"QCheckBox { color: #c00000; }"_s);
    SetSheetOpener(u"费用明细"_s, OpenExportFeeDetails);
    // The tall papers open maximised, the letters at their own size.
    SetSheetOpener(u"报关单"_s, openSheet<TBaoGuanFrm, Maximised>);
    SetSheetOpener(u"报检单"_s, openSheet<TbjFrm, Maximised>);
    SetSheetOpener(u"提单确认"_s, openSheet<TTuoDanFrm, Maximised>);
    SetSheetOpener(u"更正单"_s, openSheet<TGengZhengFrm>);
    SetSheetOpener(u"保函"_s, openSheet<TBaoHangFrm>);
    SetSheetOpener(u"车队分配"_s, openSheet<TCheDuiFrm>);
    SetSheetOpener(u"仓库分配"_s, openSheet<TCanKuFrm>);
    // The shared window cleared itself before this kind's rules existed.
    ClearJob();
    // The consolidation of the job's sailing; once it is saved, the pages
    // showing its jobs read their cargo again.
    SetSheetOpener(u"拼箱操作"_s, [this](const CargoJobValues &job, QWidget *parent) {
        THYPingXiangFrm sheet(parent);
        sheet.preset(job.column(u"目的港"_s), job.column(u"卸货港"_s), CommFunU::ParseDate(job.column(u"船期"_s)),
                     job.column(u"船名"_s), job.column(u"航次"_s));
        connect(&sheet, &THYPingXiangFrm::consolidationSaved, this, &CargoJobWindow::ReloadCargoOf);
        sheet.exec();
    });
}

THYChuKouFrm::~THYChuKouFrm() = default;

void THYChuKouFrm::RefreshOwnFields()
{
    const auto checked = [this](int tag) {
        const auto *button = qobject_cast<QAbstractButton *>(Form()->field(tag));
        return button && button->isChecked();
    };
    // Consolidated cargo waits as 待拼 until it is put into a container.
    const bool consolidated = IsConsolidated();
    SetSheetRule(u"拼箱操作"_s, consolidated);
    for (RadioGroup *picker : {Cargo()->sizePicker(), Cargo()->kindPicker()})
        picker->setItemIndex(consolidated ? int(picker->items().size()) - 1 : 0);
    refreshLcl();

    SetSheetRule(u"保函"_s, checked(JobTag::BackDated) || checked(JobTag::IssuedEarly) || checked(JobTag::TelexRelease));
    if (checked(JobTag::AssignFleet)) {
        SetSheetRule(u"车队分配"_s, true);
        SetSheetRule(u"仓库分配"_s, false);
    } else if (checked(JobTag::AssignWarehouse)) {
        SetSheetRule(u"车队分配"_s, false);
        SetSheetRule(u"仓库分配"_s, true);
    }
}

void THYChuKouFrm::refreshLcl()
{
    // The menu item does what the button does, so it is enabled with it.
    TMainFrm *main = TMainFrm::instance();
    QAction *item = main ? main->Action(TMainFrm::Item::ExportLclProcessing) : nullptr;
    QAction *button = Command(u"拼箱操作"_s);
    if (item && button)
        item->setEnabled(button->isEnabled());
}

void THYChuKouFrm::LclProcessing()
{
    OpenSheet(u"拼箱操作"_s);
}
