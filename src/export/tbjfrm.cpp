#include "tbjfrm.h"

#include "boundform.h"
#include "queryhelpers.h"
#include "sheetparts.h"

#include <QLabel>
#include <QLineEdit>

#include <tuple>

using namespace Qt::StringLiterals;

namespace {

constexpr int Left = 20;
constexpr int RowHeight = 44;

FormField shown(int tag, const QString &label)
{
    return Field::edit(tag, label).asDisabled();
}

using Box = DeclarationSheet::Box;

Box box(int width, const QString &caption, const FormField &field, int captionWidth = 0)
{
    return Box{width, caption, field, captionWidth};
}

Box text(int width, const QString &caption)
{
    return Box{width, caption};
}

// Check boxes of the form in two columns from (x, y); neither set nor stored.
FormTable documentBoxes(int x, int y, int columnWidth, const QStringList &names)
{
    FormTable t;
    for (qsizetype i = 0; i < names.size(); ++i)
        t << Field::check(-1, names.at(i)).asDisabled().at(x + int(i % 2) * columnWidth, y + int(i / 2) * 22, columnWidth, 20);
    return t;
}

} // namespace

TbjFrm::TbjFrm(const CargoJobValues &job, QWidget *parent)
    : DeclarationSheet(settings(), job.number(), parent)
{
    setWindowTitle(u"报检单"_s);
    buildDeclaration(fields(), QSize(770, 1040));
    addShape(ShapeControl::Rectangle, QRect(Left, 138, 730, 876));
    auto *first = sheet()->findChild<QLabel *>(u"title1"_s);
    auto *second = sheet()->findChild<QLabel *>(u"title2"_s);
    Emphasise(first, 14);
    Emphasise(second, 18);
    centreCaption(first);
    centreCaption(second);

    BoundForm::Quiet quiet(*form());
    SheetParts::Fill(form(), {
        {Conveyance, job.vesselAndVoyage()},
        {ShippingDate, job.column(u"船期"_s)},
        {Country, job.column(u"运抵国"_s)},
        {ArrivalPort, job.column(u"目的港"_s)},
        // Until a stored application date replaces it.
        {ApplicationDate, job.column(u"船期"_s)},
    });
}

TbjFrm::~TbjFrm() = default;

DeclarationSheet::Settings TbjFrm::settings()
{
    Settings s;
    s.table = u"货运出口报检单"_s;
    s.lowTag = Number;
    s.highTag = FeeCollectedBy;
    s.goodsTag = Goods;
    s.goodsWidths = {210, 100, 80, 110, 110, 120};
    s.addGoodsCaption = u"新增"_s;
    s.deleteGoodsCaption = u"删除货物"_s;
    return s;
}

FormTable TbjFrm::fields()
{
    using namespace Field;
    FormTable t{
        mark(PrintableSheet::FirstMark).at(2, 2, 1, 1),
        caption(u"中华人民共和国出入境检验检疫"_s).named(u"title1"_s).at(250, 10, 300, 28),
        caption(u"出境货物报检单"_s).named(u"title2"_s).at(300, 38, 200, 34),
        edit(Number, u"业务编号"_s).withHint(u"00"_s).at(Left, 80, 100, 22),
        caption(u"报检单位（加盖公章）:"_s).at(Left, 80, 150, 22),
        shown(Applicant, u"报检单位（加盖公章）"_s).at(Left + 150, 80, 300, 22),
        caption(u"*编号"_s).at(500, 80, 50, 22),
        edit(InspectionNumber, u"编号"_s).at(550, 80, 200, 22),
        caption(u"报检单位登记号："_s).at(Left, 108, 110, 22),
        edit(Enrolment, u"报检单位登记号"_s).at(Left + 110, 108, 120, 22),
        caption(u"联系人："_s).at(260, 108, 55, 22),
        edit(Contact, u"联系人"_s).at(315, 108, 90, 22),
        caption(u"电话："_s).at(410, 108, 40, 22),
        edit(Telephone, u"电话"_s).at(450, 108, 110, 22),
        caption(u"报检日期："_s).at(565, 108, 70, 22),
        date(ApplicationDate, u"报检日期"_s).at(635, 108, 115, 22),
    };
    int y = 138;
    const int line = 30;
    // The parties: Chinese and foreign names, one line each.
    const QList<std::tuple<QString, QString, int, QString>> parties{
        {u"发货人"_s, u"（中文）"_s, ConsignorChinese, u"发货人(中文)"_s},
        {QString(), u"（外文）"_s, ConsignorEnglish, u"发货人(英文)"_s},
        {u"收货人"_s, u"（中文）"_s, ConsigneeChinese, u"收货人(中文)"_s},
        {QString(), u"（外文）"_s, ConsigneeEnglish, u"收货人(英文)"_s},
    };
    for (const auto &[party, language, tag, label] : parties) {
        t << DeclarationSheet::boxRow(Left, y, line, {text(90, party), box(640, language, edit(tag, label), 70)});
        y += line;
    }
    // The goods: their headings on the form, five rows a page below them.
    const QStringList headings{u"货物名称(中/外文)"_s, u"H.S.编码"_s, u"产地"_s, u"数/重量"_s, u"货物总值"_s,
                               u"包装种类及重量"_s};
    QList<Box> heads;
    for (qsizetype c = 0; c < headings.size(); ++c)
        heads << text(settings().goodsWidths.at(c), headings.at(c));
    t << DeclarationSheet::boxRow(Left, y, 24, heads);
    t << grid(Goods, u"货物明细"_s).withColumns(6).withRows(1).at(Left, y + 24, 730, 5 * 24);
    y += 24 + 5 * 24;
    t << DeclarationSheet::boxRow(Left, y, RowHeight, {
        box(250, u"运输工具名称号码"_s, shown(Conveyance, u"运输工具名称号码"_s)),
        box(230, u"贸易方式"_s, shown(TradeMode, u"贸易方式"_s)),
        box(250, u"货物存放地点"_s, edit(Storage, u"货物存放地点"_s)),
    });
    t << DeclarationSheet::boxRow(Left, y += RowHeight, RowHeight, {
        box(250, u"合同号"_s, shown(ContractNumber, u"合同号"_s)),
        box(230, u"信用证号"_s, edit(Credit, u"信用证号"_s)),
        box(250, u"用途"_s, edit(Purpose, u"用途"_s)),
    });
    t << DeclarationSheet::boxRow(Left, y += RowHeight, RowHeight, {
        box(250, u"发货日期"_s, date(ShippingDate, u"发货日期"_s).asDisabled()),
        box(230, u"输往国家(地区)"_s, shown(Country, u"输往国家(地区)"_s)),
        box(250, u"许可证/审批号"_s, edit(Permit, u"许可证/审批号"_s)),
    });
    t << DeclarationSheet::boxRow(Left, y += RowHeight, RowHeight, {
        box(250, u"启运地"_s, shown(Departure, u"启运地"_s).withText(u"SHANGHAI"_s)),
        box(230, u"到达口岸"_s, shown(ArrivalPort, u"到达口岸"_s)),
        box(250, u"生产单位注册号"_s, edit(Producer, u"生产单位注册号"_s)),
    });
    t << DeclarationSheet::boxRow(Left, y += RowHeight, RowHeight, {
        box(730, u"集装箱规格、数量及号码"_s, edit(Containers, u"集装箱规格、数量及号码"_s)),
    });
    y += RowHeight;
    t << DeclarationSheet::boxRow(Left, y, 150, {
        box(250, u"合同、信用证订立的检验检疫条款或特殊要求"_s,
            memo(Terms, u"合同、信用证订立的检验检疫条款或特殊要求"_s)),
        box(230, u"标记及号码"_s, memo(Marks, u"标记及号码"_s)),
        text(250, u"随附单据(划\"√\"或补填)"_s),
    });
    t << documentBoxes(Left + 484, y + 22, 122,
                       {u"合同"_s, u"信用证"_s, u"发票"_s, u"换证凭证"_s, u"装箱单"_s, u"厂检单"_s,
                        u"包装性能结果单"_s, u"许可/审批文件"_s});
    y += 150;
    t << DeclarationSheet::boxRow(Left, y, 130, {text(480, u"需要证单名称(划\"√\"或补填)"_s),
                                                  text(250, u"* 检验检疫费"_s)})
      << documentBoxes(Left + 4, y + 22, 236,
                       {u"品质证书"_s, u"重量证书"_s, u"数量证书"_s, u"兽医卫生证书"_s, u"健康证书"_s,
                        u"卫生证书"_s, u"动物卫生证书"_s, u"植物检疫证书"_s, u"熏蒸/消毒证书"_s,
                        u"出境货物换证凭单"_s})
      << caption(u"总金额(人民币元)"_s).at(Left + 484, y + 26, 110, 22)
      << edit(FeeTotal, u"检验检疫费 总金额 (人民币元)"_s).at(Left + 594, y + 26, 130, 22)
      << caption(u"计费人"_s).at(Left + 484, y + 60, 110, 22)
      << edit(FeeCalculatedBy, u"记费人"_s).at(Left + 594, y + 60, 130, 22)
      << caption(u"收费人"_s).at(Left + 484, y + 94, 110, 22)
      << edit(FeeCollectedBy, u"收费人"_s).at(Left + 594, y + 94, 130, 22);
    y += 130;
    t << DeclarationSheet::boxRow(Left, y, 112, {text(480, u"报检人郑重声明："_s), text(250, u"领取证单"_s)})
      << caption(u"1.本人被授权报检。"_s).at(Left + 20, y + 22, 440, 20)
      << caption(u"2.上列填写内容正确属实，货物无伪造或冒用他人的厂名、"_s).at(Left + 20, y + 42, 440, 20)
      << caption(u"标志、认证标志，并承担货物质量责任。"_s).at(Left + 32, y + 62, 430, 20)
      << caption(u"签名：____________"_s).at(Left + 260, y + 86, 200, 20)
      << caption(u"日期"_s).at(Left + 484, y + 30, 100, 20) << caption(u"签名"_s).at(Left + 484, y + 70, 100, 20)
      << mark(PrintableSheet::SecondMark).at(759, 1030, 1, 1);
    return t;
}

void TbjFrm::afterLoad()
{
    // The customs declaration's, as it is stored now: empty without one.
    const QString sql = u"select 贸易方式 , 合同协议号 from 货运出口报关单 where 业务编号='"_s
                        + CommFunU::QuoteValue(number()) + u'\'';
    std::optional<ResultReader> answer = CommFunU::OpenQueryStep(sql);
    if (!answer)
        return;
    BoundForm::Quiet quiet(*form());
    form()->edit(TradeMode)->setText(answer->next());
    form()->edit(ContractNumber)->setText(answer->next());
}
