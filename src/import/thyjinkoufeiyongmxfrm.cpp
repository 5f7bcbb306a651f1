#include "thyjinkoufeiyongmxfrm.h"

using namespace Qt::StringLiterals;
using namespace FeeField;

THYJinKouFeiYongMXFrm::THYJinKouFeiYongMXFrm(QWidget *parent)
    : FeeDetailsDialog(feeKind(), parent)
{
}

THYJinKouFeiYongMXFrm::~THYJinKouFeiYongMXFrm() = default;

FeeDetailsKind THYJinKouFeiYongMXFrm::feeKind()
{
    const QStringList surcharges{u"B A F"_s, u"Y A S"_s, u"W R P"_s, u"D D C"_s, u"P S S"_s, u"其他"_s};
    const QStringList agentUsd{u"海运费"_s, u"B A F"_s, u"Y A S"_s, u"W R P"_s,
                               u"D D C"_s,  u"P S S"_s, u"代理费"_s, u"其他"_s};
    const QStringList customs{u"报关费"_s, u"三检费"_s, u"海关查验"_s, u"关税"_s,
                              u"监管费"_s, u"滞报金"_s, u"滞纳金"_s};
    const QStringList port{u"港建港杂费"_s, u"理货费"_s,     u"汽代费"_s, u"集卡拖运费"_s, u"上卸车费"_s,
                           u"超期租箱费"_s, u"三检查验费"_s, u"疏港费"_s, u"坏污箱费"_s};
    const QStringList rmb = QStringList{u"换单费"_s, u"T H C"_s, u"装拆箱费"_s, u"提货费"_s, u"仓储费"_s, u"其他"_s}
                            + customs + port;

    FeeDetailsKind k;
    k.caption = u"费用明细(进口)"_s;
    k.table = u"货运进口费用明细"_s;
    // The client's commission rate is kept with the row but not shown.
    k.hidden = {Field::edit(10, u"业务编号"_s), plainAmount(30, u"退佣率%"_s), Field::edit(1300, u"已提交"_s)};
    k.submittedTag = 1300;
    k.agentTag = 780;
    k.paymentTags = {1220, 1230};

    k.pages << FeePage{
        u"应收款明细"_s,
        {
            {u"美元(USD)"_s, {10, 10}, 300, 1,
             FormTable{amount(20, u"海运费"_s, u"111"_s), computed(40, u"退佣"_s, u"1A0"_s)}
                 << amounts({50, 60, 70, 80, 90, 110}, surcharges, u"111"_s)
                 << computed(120, u"USD小计"_s, u"1A1"_s)},
            {u"人民币(RMB)"_s, {320, 10}, 670, 3,
             amounts(tagRange(130, 340), rmb, u"121"_s)
                 << plainAmount(350, u"包干费"_s) << amount(355, u"退佣"_s, u"1B0"_s)
                 << computed(360, u"RMB 小计"_s, u"1B1"_s) << Field::memo(370, u"备注"_s)},
            {u"付款方式"_s, {10, -1}, 300, 1,
             {Field::radioGroup(1220, u"M B/L"_s, {u"P.P"_s, u"C.C"_s}).withText(u"0"_s),
              Field::radioGroup(1230, u"H B/L"_s, {u"无"_s, u"P.P"_s, u"C.C"_s}).withText(u"0"_s)}},
            {u"合计"_s, {320, -1}, 670, 3,
             {computed(1240, u"美元应收款小计"_s, u"1"_s), computed(1250, u"美元应付款小计"_s, u"1"_s),
              computed(1260, u"美元毛利"_s, u"1"_s), computed(1270, u"人民币应收款小计"_s, u"1"_s),
              computed(1280, u"人民币应付款小计"_s, u"1"_s), computed(1290, u"人民币毛利"_s, u"1"_s)}},
        }};
    k.pages << FeePage{
        u"应付款明细"_s,
        {
            {u"船公司"_s, {10, 10}, 490, 2,
             FormTable{Field::combo(375, u"船公司"_s).asDisabled().asWide(), Field::caption(u"美元(USD)"_s),
                       amount(380, u"海运费"_s, u"131"_s), plainAmount(390, u"退佣率%"_s),
                       computed(400, u"COMM :"_s, u"1A1"_s)}
                 << amounts(tagRange(410, 460), surcharges, u"131"_s) << computed(470, u"USD小计"_s, u"1A0"_s)
                 << Field::caption(u"人民币(RMB)"_s)
                 << amounts({480, 490, 500}, {u"换单费"_s, u"T H C"_s, u"其他"_s}, u"141"_s)
                 << computed(510, u"RMB小计"_s, u"1B0"_s)},
            {u"报关行"_s, {510, 10}, 480, 2,
             FormTable{Field::combo(515, u"报关行"_s).asDisabled().asWide()}
                 << amounts(tagRange(520, 590), customs + QStringList{u"其他"_s}, u"151"_s)
                 << computed(600, u"RMB小计"_s, u"1B0"_s)},
            {u"车队"_s, {510, -1}, 480, 2,
             FormTable{Field::combo(605, u"车队"_s).asDisabled().asWide()}
                 << amounts(tagRange(610, 700), port + QStringList{u"其他"_s}, u"161"_s)
                 << computed(710, u"RMB小计"_s, u"1B0"_s)},
            {u"仓库"_s, {10, -1}, 490, 2,
             FormTable{Field::combo(715, u"仓库"_s).asDisabled().asWide()}
                 << amounts(tagRange(720, 750), {u"装/拆箱费"_s, u"提货费"_s, u"仓储费"_s, u"其他"_s}, u"171"_s)
                 << computed(760, u"RMB小计"_s, u"1B0"_s)},
            {u"备注"_s, {10, -1}, 490, 1, {Field::memo(770, u"备注"_s)}},
        }};
    k.pages << FeePage{
        u"自理付款明细"_s,
        {
            {u"美元(USD)"_s, {10, 10}, 490, 2,
             FormTable{Field::combo(780, u"代理"_s).asWide(), Field::caption(u"应收代理"_s)}
                 << amounts(tagRange(790, 860), agentUsd, u"181"_s) << computed(870, u"USD小计"_s, u"1A1"_s)
                 << Field::caption(u"应付代理"_s) << amounts(tagRange(880, 950), agentUsd, u"191"_s)
                 << computed(960, u"USD小计"_s, u"1A0"_s)},
            {u"人民币应付(RMB)"_s, {510, 10}, 480, 2,
             amounts(tagRange(970, 1180), rmb, u"1a1"_s)
                 << plainAmount(1190, u"包干费"_s) << computed(1200, u"RMB 小计"_s, u"1B0"_s)
                 << Field::memo(1210, u"备注"_s)},
        }};

    k.steps = {
        FeeStep::percent(40, 20, 30),
        FeeStep::groupSum(120, u'1'),
        FeeStep::lumpSumOr(360, 350, u'2'),
        FeeStep::percent(400, 380, 390),
        FeeStep::groupSum(470, u'3'),
        FeeStep::groupSum(510, u'4'),
        FeeStep::groupSum(600, u'5'),
        FeeStep::groupSum(710, u'6'),
        FeeStep::groupSum(760, u'7'),
        FeeStep::groupSum(870, u'8'),
        FeeStep::groupSum(960, u'9'),
        FeeStep::lumpSumOr(1200, 1190, u'a'),
        FeeStep::groupSum(1260, u'A'),
        FeeStep::groupSum(1290, u'B'),
        FeeStep::sum(1240, {120, 870, 400}),
        FeeStep::sum(1250, {470, 960, 40}),
        FeeStep::copy(1270, 360),
        // The RMB 退佣 (355) lowers the RMB profit but is no payable here.
        FeeStep::sum(1280, {510, 600, 710, 760, 1200}),
    };
    k.fleetFees = tagRange(610, 700);
    k.warehouseFees = tagRange(720, 750);
    // 订舱单位 is the job table's column of the shipping line.
    k.unitNames = {{375, u"订舱单位"_s}, {515, u"报关行"_s}, {605, u"车队"_s}, {715, u"仓库"_s}};
    return k;
}
