#include "tbaoguanfrm.h"

#include "boundform.h"
#include "sheetparts.h"

#include <QLabel>

using namespace Qt::StringLiterals;

namespace {

constexpr int Left = 20;
constexpr int RowHeight = 44;
const QString TitleName = u"title"_s;

FormField shown(int tag, const QString &label)
{
    return Field::edit(tag, label).asDisabled();
}

using Box = DeclarationSheet::Box;

Box box(int width, const QString &caption, const FormField &field)
{
    return Box{width, caption, field};
}

Box text(int width, const QString &caption)
{
    return Box{width, caption};
}

} // namespace

TBaoGuanFrm::TBaoGuanFrm(const CargoJobValues &job, QWidget *parent)
    : DeclarationSheet(settings(), job.number(), parent)
{
    setWindowTitle(u"报关单"_s);
    buildDeclaration(fields(), QSize(770, 1040));
    addShape(ShapeControl::Rectangle, QRect(Left, 84, 730, 712));
    // The form's heading stands above the first mark.
    setReferenceOffset(QPoint(0, -50));
    auto *title = sheet()->findChild<QLabel *>(TitleName);
    Emphasise(title, 16);
    centreCaption(title);

    BoundForm::Quiet quiet(*form());
    SheetParts::Fill(form(), {
        {Filing, job.column(u"手册号"_s)},
        {Conveyance, job.vesselAndVoyage()},
        {BillNumber, job.column(u"提单号"_s)},
        {Country, job.column(u"运抵国"_s)},
        {DestinationPort, job.column(u"目的港"_s)},
        {Approval, job.column(u"核销单号"_s)},
        {Pieces, job.column(u"件数"_s)},
        {Packing, job.column(u"包装种类"_s)},
        {GrossWeight, job.column(u"毛重"_s)},
        {NetWeight, job.column(u"净重"_s)},
        {Container, job.firstContainer()},
        {Marks, job.column(u"标记和号码"_s)},
        // Stored: the job's customs broker until the declaration says otherwise.
        {Documents, job.column(u"报关行"_s)},
    });
}

TBaoGuanFrm::~TBaoGuanFrm() = default;

DeclarationSheet::Settings TBaoGuanFrm::settings()
{
    Settings s;
    s.table = u"货运出口报关单"_s;
    s.lowTag = Number;
    s.highTag = Declarant;
    s.goodsTag = Goods;
    s.goodsWidths = {40, 90, 170, 90, 130, 90, 50, 70};
    s.addGoodsCaption = u"新增货物"_s;
    s.deleteGoodsCaption = u"删除"_s;
    s.amountTags = {Freight, Insurance, Charges};
    return s;
}

FormTable TBaoGuanFrm::fields()
{
    using namespace Field;
    const QStringList terms{u"FOB"_s, u"CFR"_s, u"CIF"_s, u"FCA"_s, u"CPT"_s, u"CIP"_s, u"EXW"_s,
                            u"FAS"_s, u"DAF"_s, u"DES"_s, u"DEQ"_s, u"DDU"_s, u"DDP"_s};
    FormTable t{
        caption(u"中华人民共和国海关出口货物报关单"_s).named(TitleName).at(200, 12, 400, 32),
        mark(PrintableSheet::FirstMark).at(2, 52, 1, 1),
        edit(Number, u"业务编号"_s).withHint(u"00"_s).at(Left, 56, 100, 22),
        caption(u"预录入编号："_s).at(Left, 56, 90, 22),
        edit(PreEntry, u"预录入编号"_s).at(Left + 90, 56, 250, 22),
        caption(u"海关编号："_s).at(420, 56, 80, 22),
        edit(CustomsNumber, u"海关编号"_s).at(500, 56, 250, 22),
    };
    int y = 84;
    t << DeclarationSheet::boxRow(Left, y, RowHeight, {
        box(180, u"出口口岸"_s, shown(ExportPort, u"出口口岸"_s).withText(u"SHANGHAI"_s)),
        box(190, u"备案号"_s, shown(Filing, u"备案号"_s)),
        box(180, u"出口日期"_s, date(ExportDate, u"出口日期"_s)),
        box(180, u"申报日期"_s, date(DeclarationDate, u"申报日期"_s)),
    });
    t << DeclarationSheet::boxRow(Left, y += RowHeight, RowHeight, {
        box(180, u"经营单位"_s, edit(Company, u"经营单位"_s)),
        box(190, u"运输方式"_s, combo(Transport, u"运输方式"_s, {u"海运"_s, u"空运"_s})),
        box(180, u"运输工具名称"_s, shown(Conveyance, u"运输工具名称"_s)),
        box(180, u"提运单号"_s, shown(BillNumber, u"提运单号"_s)),
    });
    t << DeclarationSheet::boxRow(Left, y += RowHeight, RowHeight, {
        box(180, u"发货单位"_s, edit(Consignor, u"发货单位"_s)),
        box(190, u"贸易方式"_s,
            combo(TradeMode, u"贸易方式"_s,
                  {u"一般贸易"_s, u"来料加工"_s, u"来件装配"_s, u"出料加工"_s, u"进料加工"_s, u"补偿贸易"_s})),
        box(180, u"征免性质"_s, combo(DutyNature, u"征免性质"_s, {u"照章"_s, u"免征"_s})),
        box(180, u"结汇方式"_s,
            combo(Settlement, u"结汇方式"_s, {u"L/C"_s, u"T/T"_s, u"M/T"_s, u"D/D"_s, u"D/P"_s, u"D/A"_s})),
    });
    t << DeclarationSheet::boxRow(Left, y += RowHeight, RowHeight, {
        box(180, u"许可证号"_s, edit(Permit, u"许可证号"_s)),
        box(190, u"运抵国(地区)"_s, shown(Country, u"运抵国(地区)"_s)),
        box(180, u"指运港"_s, shown(DestinationPort, u"指运港"_s)),
        box(180, u"境内货源地"_s, edit(Source, u"境内货源地"_s)),
    });
    t << DeclarationSheet::boxRow(Left, y += RowHeight, RowHeight, {
        box(180, u"批准文号"_s, shown(Approval, u"批准文号"_s)),
        box(130, u"成交方式"_s, combo(TradeTerms, u"成交方式"_s, terms)),
        box(140, u"运费"_s, edit(Freight, u"运费"_s)),
        box(140, u"保费"_s, edit(Insurance, u"保费"_s)),
        box(140, u"杂费"_s, edit(Charges, u"杂费"_s)),
    });
    t << DeclarationSheet::boxRow(Left, y += RowHeight, RowHeight, {
        box(180, u"合同协议号"_s, edit(Contract, u"合同协议号"_s)),
        box(130, u"件数"_s, shown(Pieces, u"件数"_s)),
        box(140, u"包装种类"_s, shown(Packing, u"包装种类"_s)),
        box(140, u"毛重(KGS)"_s, shown(GrossWeight, u"毛重(KGS)"_s)),
        box(140, u"净重(KGS)"_s, shown(NetWeight, u"净重(KGS)"_s)),
    });
    t << DeclarationSheet::boxRow(Left, y += RowHeight, RowHeight, {
        box(180, u"集装箱号"_s, shown(Container, u"集装箱号"_s)),
        box(270, u"随附单据"_s, edit(Documents, u"随附单据"_s)),
        box(280, u"生产厂家"_s, edit(Manufacturer, u"生产厂家"_s)),
    });
    t << DeclarationSheet::boxRow(Left, y += RowHeight, 70, {
        box(730, u"标记唛码及备注"_s, memo(Marks, u"标记唛码及备注"_s).asDisabled()),
    });
    // The goods: their headings on the form, five rows a page below them.
    y += 70;
    const QStringList headings{u"项号"_s, u"商品编号"_s, u"商品名称、规格型号"_s, u"数量及单位"_s,
                               u"最终目的国(地区)单价"_s, u"总价"_s, u"币制"_s, u"征免"_s};
    QList<Box> heads;
    for (qsizetype c = 0; c < headings.size(); ++c)
        heads << text(settings().goodsWidths.at(c), headings.at(c));
    t << DeclarationSheet::boxRow(Left, y, 24, heads);
    t << grid(Goods, u"货物明细"_s).withColumns(8).withRows(1).at(Left, y + 24, 730, 5 * 24);
    y += 24 + 5 * 24;
    t << DeclarationSheet::boxRow(Left, y, 40, {text(730, u"税费征收情况"_s)});
    y += 40;
    t << DeclarationSheet::boxRow(Left, y, 150, {text(300, u"录入员            录入单位"_s),
                                                  text(200, u"兹声明以上申报无讹并承担法律责任"_s),
                                                  text(230, u"海关审单批注及放行日期（签章）"_s)})
      << caption(u"报关员"_s).at(Left + 4, y + 50, 60, 22) << edit(Declarant, u"报关员"_s).at(Left + 64, y + 50, 220, 22)
      << caption(u"单位地址"_s).at(Left + 4, y + 84, 80, 22)
      << caption(u"邮编            电话            填制日期"_s).at(Left + 4, y + 118, 290, 22)
      << caption(u"申报单位（签章）"_s).at(Left + 304, y + 118, 190, 22)
      << caption(u"审单            审价"_s).at(Left + 504, y + 40, 220, 22)
      << caption(u"征税            统计"_s).at(Left + 504, y + 76, 220, 22)
      << caption(u"查验            放行"_s).at(Left + 504, y + 112, 220, 22)
      << mark(PrintableSheet::SecondMark).at(759, 1030, 1, 1);
    return t;
}
