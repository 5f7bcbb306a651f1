#include "thychukoufeiyongmxfrm.h"

using namespace Qt::StringLiterals;
using namespace FeeField;

THYChukouFeiYongMXFrm::THYChukouFeiYongMXFrm(QWidget *parent)
    : FeeDetailsDialog(feeKind(), parent)
{
}

THYChukouFeiYongMXFrm::~THYChukouFeiYongMXFrm() = default;

FeeDetailsKind THYChukouFeiYongMXFrm::feeKind()
{
    const QStringList usd{u"海运费"_s, u"B A F"_s, u"Y A S"_s, u"W R P"_s, u"D D C"_s, u"P S S"_s};
    const QStringList rmb{u"订舱费"_s, u"报关费"_s, u"集卡拖运费"_s, u"内装箱费"_s, u"THC"_s, u"电放费"_s,
                          u"商检费"_s, u"查验费"_s, u"熏蒸费"_s, u"加急费"_s, u"短驳费"_s, u"退关移箱费"_s,
                          u"打托费"_s, u"改单费"_s, u"快件费"_s, u"其他"_s};
    const QStringList agentUsd = usd + QStringList{u"代理费"_s, u"其他"_s};

    FeeDetailsKind k;
    k.caption = u"费用明细(出口)"_s;
    k.table = u"货运出口费用明细"_s;
    k.hidden = {Field::edit(10, u"业务编号"_s), Field::edit(1190, u"已提交"_s)};
    k.submittedTag = 1190;
    k.agentTag = 765;
    k.paymentTags = {1150, 1160};
    k.printable = true;

    k.pages << FeePage{
        u"应收款明细"_s,
        {
            {u"美元(USD)"_s, {10, 10}, 300, 1,
             amounts({15, 20, 30, 40, 50, 60, 70, 80}, usd + QStringList{u"其他"_s, u"代理费"_s}, u"111"_s)
                 << amount(90, u"退佣"_s, u"1A0"_s) << computed(100, u"USD小计"_s, u"1A1"_s)},
            {u"人民币(RMB)"_s, {320, 10}, 670, 3,
             amounts(tagRange(110, 260), rmb, u"121"_s)
                 << amount(270, u"退佣"_s, u"1B0"_s) << plainAmount(280, u"包干费"_s)
                 << computed(290, u"RMB 小计"_s, u"1B1"_s) << Field::memo(300, u"收费备注"_s)},
            {u"付款方式"_s, {10, -1}, 300, 1,
             {Field::radioGroup(1150, u"M B/L"_s, {u"P.P"_s, u"C.C"_s}).withText(u"0"_s),
              Field::radioGroup(1160, u"H B/L"_s, {u"无"_s, u"P.P"_s, u"C.C"_s}).withText(u"0"_s).withHint(u"0"_s)}},
            {u"合计"_s, {320, -1}, 670, 3,
             {computed(1162, u"美元应收款小计"_s, u"1"_s), computed(1164, u"美元应付款小计"_s, u"1"_s),
              computed(1170, u"美元毛利"_s, u"1"_s), computed(1172, u"人民币应收款小计"_s, u"1"_s),
              computed(1174, u"人民币应付款小计"_s, u"1"_s), computed(1180, u"人民币毛利"_s, u"1"_s)}},
        }};
    k.pages << FeePage{
        u"应付款明细"_s,
        {
            {u"订舱单位"_s, {10, 10}, 490, 2,
             FormTable{Field::combo(315, u"订舱单位"_s).asDisabled().asWide(), Field::caption(u"美元(USD)："_s),
                       amount(320, u"海运费"_s, u"131"_s), amount(330, u"退佣率%"_s, u"1"_s),
                       computed(340, u"COMM"_s, u"1A1"_s)}
                 << amounts(tagRange(350, 400), usd.mid(1) + QStringList{u"其他"_s}, u"131"_s)
                 << computed(410, u"小计"_s, u"1A0"_s) << Field::caption(u"人民币(RMB)"_s)
                 << amounts(tagRange(420, 470),
                            {u"订舱费"_s, u"THC"_s, u"电放费"_s, u"改单费"_s, u"加急费"_s, u"其他"_s}, u"141"_s)
                 << computed(480, u"RMB小计"_s, u"1B0"_s)},
            {u"报关行"_s, {510, 10}, 480, 2,
             FormTable{Field::combo(495, u"报关行"_s).asDisabled().asWide()}
                 << amounts(tagRange(500, 550),
                            {u"报关费"_s, u"报检费"_s, u"查验费"_s, u"加急费"_s, u"改单费"_s, u"其他"_s}, u"151"_s)
                 << computed(560, u"RMB小计"_s, u"1B0"_s)},
            {u"车队"_s, {510, -1}, 480, 2,
             FormTable{Field::combo(575, u"车队"_s).asDisabled().asWide()}
                 << amounts(tagRange(580, 630),
                            {u"集卡拖运费"_s, u"熏蒸费"_s, u"加急费"_s, u"短驳费"_s, u"退关移箱费"_s, u"其他"_s},
                            u"161"_s)
                 << computed(640, u"RMB小计"_s, u"1B0"_s)},
            {u"仓库"_s, {10, -1}, 490, 2,
             FormTable{Field::combo(655, u"仓库"_s).asDisabled().asWide()}
                 << amounts(tagRange(660, 730),
                            {u"装/拆箱费"_s, u"内装箱费"_s, u"熏蒸费"_s, u"加急费"_s, u"打托费"_s, u"退关移箱费"_s,
                             u"短驳费"_s, u"其他"_s},
                            u"171"_s)
                 << computed(740, u"RMB小计"_s, u"1B0"_s)},
            {u"备注"_s, {510, -1}, 480, 1, {Field::memo(750, u"备注"_s)}},
        }};
    k.pages << FeePage{
        u"其它明细款"_s,
        {
            {u"美元(USD)"_s, {10, 10}, 490, 2,
             FormTable{Field::combo(765, u"代理"_s).asWide(), Field::caption(u"应收代理"_s)}
                 << amounts(tagRange(770, 840), agentUsd, u"181"_s) << computed(850, u"USD小计"_s, u"1A1"_s)
                 << Field::caption(u"应付代理"_s) << amounts(tagRange(860, 930), agentUsd, u"191"_s)
                 << computed(940, u"USD小计"_s, u"1A0"_s)},
            {u"人民币应付(RMB)"_s, {510, 10}, 480, 2,
             amounts(tagRange(950, 1100), rmb, u"1a1"_s)
                 << plainAmount(1120, u"包干费"_s) << computed(1130, u"RMB 小计"_s, u"1B0"_s)},
            {u"备注："_s, {510, -1}, 480, 1, {Field::memo(1140, u"备注"_s)}},
        }};

    k.steps = {
        FeeStep::groupSum(100, u'1'),
        FeeStep::lumpSumOr(290, 280, u'2'),
        FeeStep::percent(340, 320, 330),
        FeeStep::groupSum(410, u'3'),
        FeeStep::groupSum(480, u'4'),
        FeeStep::groupSum(560, u'5'),
        FeeStep::groupSum(640, u'6'),
        FeeStep::groupSum(740, u'7'),
        FeeStep::groupSum(850, u'8'),
        FeeStep::groupSum(940, u'9'),
        FeeStep::lumpSumOr(1130, 1120, u'a'),
        FeeStep::groupSum(1170, u'A'),
        FeeStep::groupSum(1180, u'B'),
        // The client's rebates are paid back, so they count as payables;
        // the commission on the booking party's freight is receivable.
        FeeStep::sum(1162, {100, 850, 340}),
        FeeStep::sum(1164, {410, 940, 90}),
        FeeStep::copy(1172, 290),
        FeeStep::sum(1174, {480, 560, 640, 740, 1130, 270}),
    };
    k.fleetFees = tagRange(580, 630);
    k.warehouseFees = tagRange(660, 730);
    k.unitNames = {{315, u"订舱单位"_s}, {495, u"报关行"_s}, {575, u"车队"_s}, {655, u"仓库"_s}};
    return k;
}
