#include "thyjinkoucheduifrm.h"

#include "boundform.h"
#include "queryhelpers.h"
#include "tagbinding.h"
#include "values.h"

#include <QComboBox>
#include <QDate>
#include <QLabel>
#include <QLineEdit>

using namespace Qt::StringLiterals;

namespace {

const QString HeadingName = u"heading"_s;
constexpr int LeftColumn = 30;
constexpr int RightColumn = 400;

// A caption and its field in one of the sheet's two columns.
FormTable pair(int x, int y, const QString &caption, const FormField &field, int fieldWidth = 260)
{
    // The caption as high as its field, so that their texts line up.
    return {Field::caption(caption).at(x, y, 70, 24), FormField(field).at(x + 70, y, fieldWidth, 24)};
}

} // namespace

THYJinKouCheDuiFrm::THYJinKouCheDuiFrm(const CargoJobValues &job, QWidget *parent)
    : PrintableSheet(parent)
{
    setWindowTitle(u"分配车队(进口)"_s);
    buildSheet(fields(), QSize(770, 742));
    addShape(ShapeControl::Rectangle, QRect(10, 10, 740, 676), QPen(Qt::black, 2));
    // Printed smaller than the full page height: the sheet keeps its proportions.
    setReferenceExtension(QPoint(0, 300));

    m_heading = emphasiseHeadingAndTitle(HeadingName, u"title"_s);
    fill(job);
}

THYJinKouCheDuiFrm::~THYJinKouCheDuiFrm() = default;

FormTable THYJinKouCheDuiFrm::fields()
{
    const int l = LeftColumn;
    const int r = RightColumn;
    FormTable t{
        Field::mark(FirstMark).at(2, 2, 1, 1),
        Field::caption(u"上海Korvan国际货运代理有限公司"_s).named(HeadingName).at(200, 18, 360, 30),
        Field::caption(u"装    箱    单"_s).named(u"title"_s).at(300, 52, 200, 28),
        Field::caption(u"打印日期:"_s).at(500, 88, 70, 24),
        Field::edit(PrintDate, u"打印日期"_s).at(570, 88, 160, 24),
        Field::line().at(20, 118, 720, 1),
    };
    t << pair(l, 128, u"To:"_s, Field::combo(Fleet, u"To"_s), 280) << pair(r, 128, u"From:"_s, Field::edit(From, u"From"_s))
      << pair(l, 160, u"业务编号:"_s, Field::edit(Number, u"业务编号"_s), 280)
      << pair(r, 160, u"客户编号:"_s, Field::edit(ClientNumber, u"客户编号"_s)) << Field::line().at(20, 194, 720, 1)
      << pair(l, 206, u"船名航次"_s, Field::edit(VesselVoyage, u"船名航次"_s), 280)
      << pair(r, 206, u"货名"_s, Field::edit(Goods, u"货名"_s))
      << pair(l, 238, u"提单号"_s, Field::edit(BillNumber, u"提单号"_s), 280)
      << pair(r, 238, u"件数"_s, Field::edit(Pieces, u"件数"_s))
      << pair(l, 270, u"装货港:"_s, Field::edit(Port, u"装货港"_s), 280)
      << pair(r, 270, u"毛重"_s, Field::edit(GrossWeight, u"毛重"_s))
      << pair(l, 302, u"作业码头:"_s, Field::edit(Terminal, u"作业码头"_s), 280)
      << pair(r, 302, u"尺码"_s, Field::edit(Measurement, u"尺码"_s))
      << pair(l, 334, u"箱型/箱量"_s, Field::edit(Containers, u"箱型/箱量"_s), 630) << Field::line().at(20, 368, 720, 1)
      << Field::caption(u"送货地址:"_s).at(l, 380, 70, 24) << Field::memo(Address, u"送货地址"_s).at(l + 70, 380, 630, 50)
      << pair(l, 442, u"联系人："_s, Field::edit(Contact, u"联系人"_s), 280)
      << pair(r, 442, u"电话"_s, Field::edit(Telephone, u"电话"_s))
      << Field::caption(u"特殊要求:"_s).at(l, 476, 70, 24)
      << Field::memo(Requirements, u"特殊要求"_s).at(l + 70, 476, 630, 120) << Field::line().at(20, 610, 720, 1)
      << Field::caption(u"注意：以上货物请于："_s).at(l, 630, 150, 24)
      << Field::edit(DeliveryTime, u"送货时间"_s).at(l + 150, 630, 230, 24)
      << Field::caption(u"送货！"_s).at(l + 390, 630, 60, 24) << Field::mark(SecondMark).at(759, 732, 1, 1);
    return t;
}

void THYJinKouCheDuiFrm::fill(const CargoJobValues &job)
{
    const QList<std::pair<int, QString>> texts{
        {Fleet, job.column(u"车队"_s)},
        {From, job.column(u"业务员"_s)},
        {Number, job.number()},
        {VesselVoyage, job.vesselAndVoyage()},
        {Goods, job.column(u"货名简称"_s)},
        {BillNumber, job.column(u"提单号"_s)},
        {Pieces, job.column(u"件数"_s)},
        {Port, job.column(u"目的港"_s)},
        {GrossWeight, job.column(u"毛重"_s)},
        // The job's 总净重 box is what the sheet calls 尺码.
        {Measurement, job.column(u"净重"_s)},
        {Containers, job.column(u"箱型箱量"_s)},
        {Address, job.column(u"装箱仓库地址"_s)},
        {Contact, job.column(u"装箱仓库联系人"_s)},
        {Telephone, job.column(u"装箱仓库联系电话"_s)},
        {Requirements, job.column(u"特殊要求"_s)},
        {DeliveryTime, CommFunU::ChineseDateTimeText(job.column(u"装箱入仓日期"_s), job.column(u"装箱入仓时间"_s))},
    };
    for (const auto &[tag, text] : texts)
        CommFunU::SetControlValue(form()->field(tag), text);
}

QString THYJinKouCheDuiFrm::fieldText(int tag) const
{
    QWidget *field = form()->field(tag);
    return field ? CommFunU::ControlValue(field) : QString();
}

void THYJinKouCheDuiFrm::showEvent(QShowEvent *event)
{
    PrintableSheet::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    showCompany();
}

void THYJinKouCheDuiFrm::showCompany()
{
    m_heading->setText(CommFunU::InfoText(1));
    centreCaption(m_heading);
    const QString date = CommFunU::InfoText(2);
    form()->edit(PrintDate)->setText(date.isEmpty() ? CommFunU::DateText(QDate::currentDate()) : date);
}
