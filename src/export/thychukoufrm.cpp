#include "thychukoufrm.h"

#include "boundform.h"
#include "cargojobtags.h"
#include "jobtabs.h"
#include "radiogroup.h"
#include "tmainfrm.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>

using namespace Qt::StringLiterals;

namespace {

const QStringList ServiceTypes{u"CY"_s, u"CFS"_s, u"DOOR"_s};

// The stored name of each column follows the label: .named(column).
FormField col(const FormField &field, const QString &column)
{
    return field.named(column);
}

} // namespace

FormTable THYChuKouFrm::fields()
{
    using namespace Field;
    return {
        page(u"基本信息"_s),
        group(u"委托"_s).withColumns(3),
        col(edit(10, u"业务编号"_s), u"业务编号"_s),
        col(combo(20, u"业务员"_s).asDisabled(), u"业务员"_s),
        col(combo(30, u"操作员"_s).asDisabled(), u"操作员"_s),
        col(combo(40, u"委托人"_s), u"委托人"_s),
        col(edit(50, u"委托编号"_s), u"委托编号"_s),
        col(combo(60, u"订舱单位"_s), u"订舱单位"_s),
        group(u"船名航次与港口"_s).withColumns(3),
        col(edit(70, u"船名"_s), u"船名"_s),
        col(edit(80, u"航次"_s), u"航次"_s),
        col(edit(90, u"提单号"_s), u"提单号"_s),
        col(combo(100, u"目的港"_s), u"目的港"_s),
        col(combo(110, u"运抵国"_s), u"运抵国"_s),
        col(combo(120, u"装货港"_s).withText(u"SHANGHAI"_s).withHint(u"0"_s), u"装货港"_s),
        col(edit(130, u"拼箱编号"_s), u"拼箱编号"_s),
        col(combo(140, u"卸货港"_s), u"卸货港"_s),
        col(edit(150, u"手册号"_s), u"手册号"_s),
        col(edit(160, u"核销单号"_s), u"核销单号"_s),
        col(combo(170, u"报关行"_s), u"报关行"_s),
        group(u"货物情况与提单性质"_s).withColumns(5),
        col(check(180, u"货物已报关"_s), u"货物已报关"_s),
        col(check(190, u"货物已退关"_s), u"货物已退关"_s),
        col(radio(200, u"船公司提单"_s).withText(u"1"_s), u"船公司提单"_s),
        col(radio(210, u"货代提单"_s), u"货代提单"_s),
        col(edit(220, u"H B/L"_s), u"HBL号"_s),
        group(u"日期与业务类型"_s).withColumns(5),
        col(date(230, u"委托日期"_s), u"委托日期"_s),
        col(date(240, u"船期"_s), u"船期"_s),
        col(date(244, u"签单日期"_s), u"签单日期"_s),
        col(date(245, u"截关日期"_s), u"截关日期"_s),
        col(combo(250, u"业务类型"_s, {u"整箱"_s, u"货代自拼箱"_s, u"客户自拼箱"_s, u"少量拼箱"_s}), u"业务类型"_s),
        group(u"收发货人"_s).withColumns(2),
        col(memo(260, u"发货人"_s), u"发货人"_s),
        col(memo(270, u"收货人"_s), u"收货人"_s),
        col(memo(280, u"通知人"_s), u"通知人"_s),
        col(memo(290, u"目的港代理"_s), u"目的港代理"_s),

        page(u"货物信息"_s),
        group(u"货物"_s).withColumns(2),
        col(memo(300, u"标记和号码"_s), u"标记和号码"_s),
        col(memo(310, u"货名"_s), u"货名"_s),
        group(u"件数、重量和尺码"_s).withColumns(4),
        col(edit(320, u"总件数"_s).withText(u"0"_s).withHint(u"0"_s), u"件数"_s),
        col(combo(330, u"包装种类"_s,
                  {u"CARTON(S)"_s, u"BUNDLE(S)"_s, u"BOX(ES)"_s, u"BALE(S)"_s, u"PALLET(S)"_s, u"DRUM(S)"_s,
                   u"BAG(S)"_s, u"CASE(S)"_s, u"PLATE(S)"_s, u"POLL"_s}),
            u"包装种类"_s),
        col(number(340, u"总毛重(KGS)"_s), u"毛重"_s),
        col(number(345, u"总净重(KGS)"_s), u"净重"_s),
        col(number(350, u"总尺码(CBM)"_s), u"尺码"_s),
        col(edit(353, u"货名简称"_s).withHint(u"0"_s), u"货名简称"_s),
        col(edit(355, u"集装箱数或件数合计"_s)
                .withText(u"SAY ZERO CARTON(S) ONLY"_s)
                .withHint(u"0"_s)
                .asReadOnly()
                .asWide(),
            u"集装箱数或件数合计"_s),

        page(u"其它信息"_s),
        group(u"提单条款"_s).withColumns(3),
        col(edit(360, u"预付地点"_s).withText(u"SHANGHAI"_s).withHint(u"0"_s), u"预付地点"_s),
        col(edit(370, u"到付地点"_s), u"到付地点"_s),
        col(edit(380, u"签发地点"_s).withText(u"SHANGHAI"_s).withHint(u"0"_s), u"签发地点"_s),
        col(combo(390, u"From Server Type"_s, ServiceTypes), u"FromServerType"_s),
        col(combo(400, u"To Server Type"_s, ServiceTypes), u"ToServerType"_s),
        col(combo(410, u"收费条款"_s, {u"FREIGHT PREPAID"_s, u"FREIGHT COLLECT"_s}), u"收费条款"_s),
        col(combo(420, u"正本提单份数"_s, {u"THREE"_s, u"TWO"_s, u"ONE"_s}), u"正本提单份数"_s),
        col(combo(430, u"作业码头"_s,
                  {u"五区"_s, u"九区"_s, u"十区"_s, u"十四区"_s, u"十六区"_s, u"十七区"_s, u"散货码头"_s})
                .withText(u"九区"_s),
            u"作业码头"_s),
        col(combo(440, u"货物种类"_s,
                  {u"Ordinary(一般货物)"_s, u"Reefer(冷藏)"_s, u"Dangerous(危险品)"_s, u"Auto(裸装车辆)"_s,
                   u"Liquid(液体)"_s, u"Live Animal(活动物)"_s, u"Bulk(散货)"_s, u"Other(其他)"_s}),
            u"货物种类"_s),
        group(u"分配情况"_s).withColumns(4),
        col(radio(450, u"分配车队"_s), u"分配车队"_s),
        col(combo(460, u"车队"_s), u"车队"_s),
        col(radio(470, u"分配仓库"_s), u"分配仓库"_s),
        col(combo(480, u"仓库"_s), u"仓库"_s),
        col(radio(490, u"自做箱"_s), u"自做箱"_s),
        col(radioGroup(500, u"做箱情况"_s, {u"未做箱"_s, u"已做箱"_s}), u"做箱情况"_s),
        group(u"装箱信息"_s).withColumns(4),
        col(memo(510, u"装箱地址"_s), u"装箱仓库地址"_s),
        col(memo(515, u"特殊要求"_s), u"特殊要求"_s),
        col(date(520, u"装箱时间"_s), u"装箱入仓日期"_s),
        col(time(530, u"时刻"_s), u"装箱入仓时间"_s),
        col(edit(540, u"联系人"_s), u"装箱仓库联系人"_s),
        col(edit(545, u"联系电话"_s), u"装箱仓库联系电话"_s),
        group(u"特殊要求"_s).withColumns(6),
        col(check(550, u"倒签"_s), u"倒签"_s),
        col(check(560, u"预借"_s), u"预借"_s),
        col(check(570, u"电放"_s), u"电放"_s),
        col(check(580, u"分批"_s), u"分批"_s),
        col(check(590, u"转船"_s), u"转船"_s),
        col(combo(600, u"中转港"_s), u"中转港"_s),
        group(u"转船信息与备注"_s).withColumns(3),
        col(memo(610, u"转船信息"_s), u"转船信息"_s),
        col(memo(620, u"备注"_s), u"备注"_s),
        col(edit(630, u"二程船公司提单号"_s), u"二程船公司提单号"_s),
        col(edit(640, u"二程船名"_s), u"二程船名"_s),
        col(edit(650, u"二程航次"_s), u"二程航次"_s),

        page(u"状态信息"_s),
        group(u"手册:"_s).withColumns(6),
        edit(-1, u"手册号"_s).named(u"手册号副本"_s),
        col(date(670, u"退单日期"_s), u"手册退单日期"_s),
        col(check(680, u"已退单"_s), u"手册已退单"_s),
        col(date(690, u"寄发日期"_s), u"手册寄发日期"_s),
        col(check(700, u"已寄发"_s), u"手册已寄发"_s),
        col(edit(710, u"快件名称"_s), u"手册快件名称"_s),
        group(u"提单状态:"_s).withColumns(6),
        col(date(720, u"签发日期"_s), u"提单签发日期"_s),
        col(check(730, u"已签发"_s), u"提单已签发"_s),
        col(date(740, u"寄发日期"_s), u"提单寄发日期"_s),
        col(check(750, u"已寄发"_s), u"提单已寄发"_s),
        col(edit(760, u"快件名称"_s), u"提单快件名称"_s),
        group(u"核销单:"_s).withColumns(6),
        edit(-1, u"核销单号"_s).named(u"核销单号副本"_s),
        col(date(780, u"退单日期"_s), u"核销单退单日期"_s),
        col(check(790, u"已退单"_s), u"核销单已退单"_s),
        col(date(800, u"寄发日期"_s), u"核销单寄发日期"_s),
        col(check(810, u"已寄发"_s), u"核销单已寄发"_s),
        col(edit(820, u"快件名称"_s), u"核销单快件名称"_s),
        // Shown under the cargo grid.
        col(edit(830, u"箱型箱量"_s).asReadOnly(), u"箱型箱量"_s),

        group(u"收款情况"_s).withColumns(3),
        col(date(1000, u"美元收款日"_s).asDisabled(), u"美元收款日"_s),
        col(edit(1010, u"美元发票号"_s).asDisabled(), u"美元发票号"_s),
        col(check(1020, u"已收"_s).asDisabled(), u"已收1"_s),
        col(date(1030, u"人民币收款日"_s).asDisabled(), u"人民币收款日"_s),
        col(edit(1040, u"人民币发票号"_s).asDisabled(), u"人民币发票号"_s),
        col(check(1050, u"已收"_s).asDisabled(), u"已收2"_s),
        group(u"付款情况"_s).withColumns(4),
        col(date(1060, u"订舱单位美元"_s).asDisabled(), u"订舱单位美元"_s),
        col(check(1070, u"已付"_s).asDisabled(), u"已付1"_s),
        col(date(1080, u"订舱单位人民币"_s).asDisabled(), u"订舱单位人民币"_s),
        col(check(1090, u"已付"_s).asDisabled(), u"已付2"_s),
        col(date(1100, u"报关行人民币"_s).asDisabled(), u"报关行人民币"_s),
        col(check(1110, u"已付"_s).asDisabled(), u"已付3"_s),
        col(date(1120, u"车队人民币"_s).asDisabled(), u"车队人民币"_s),
        col(check(1130, u"已付"_s).asDisabled(), u"已付4"_s),
        col(date(1140, u"仓库人民币"_s).asDisabled(), u"仓库人民币"_s),
        col(check(1150, u"已付"_s).asDisabled(), u"已付5"_s),
    };
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
    s.fieldCopies = {{JobTag::Manual, u"手册号副本"_s}, {JobTag::BillNumber, u"核销单号副本"_s}};
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
    // The shared window cleared itself before this kind's rules existed.
    ClearJob();
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
