#include "tcheduifrm.h"

#include "boundform.h"
#include "sheetparts.h"
#include "values.h"

#include <QLabel>
#include <QLineEdit>

using namespace Qt::StringLiterals;
using SheetParts::pair;

namespace {

const QString HeadingName = u"heading"_s;
const QString TitleName = u"title"_s;
constexpr int L = 30;  // left column
constexpr int R = 400; // right column

FormField shown(int tag, const QString &label)
{
    return Field::edit(tag, label).asDisabled();
}

} // namespace

TCheDuiFrm::TCheDuiFrm(const CargoJobValues &job, QWidget *parent)
    : PrintableSheet(parent)
{
    setWindowTitle(u"分配车队"_s);
    buildSheet(fields(), QSize(770, 742));
    addShape(ShapeControl::Rectangle, QRect(10, 10, 740, 676), QPen(Qt::black, 2));
    // Printed smaller than the full page height: the sheet keeps its proportions.
    setReferenceExtension(QPoint(0, 300));

    m_heading = sheet()->findChild<QLabel *>(HeadingName);
    Emphasise(m_heading, 16);
    QLabel *title = sheet()->findChild<QLabel *>(TitleName);
    Emphasise(title, 14);
    centreCaption(title);

    SheetParts::Fill(form(), {
        {Fleet, job.column(u"车队"_s)},
        {From, job.column(u"操作员"_s)},
        {Number, job.number()},
        {ClientNumber, job.column(u"委托编号"_s)},
        {VesselVoyage, job.vesselAndVoyage()},
        {Goods, job.column(u"货名简称"_s)},
        {BillNumber, job.column(u"提单号"_s)},
        {Pieces, job.column(u"件数"_s)},
        {DischargePort, job.column(u"卸货港"_s)},
        {GrossWeight, job.column(u"毛重"_s)},
        {Destination, job.column(u"目的港"_s)},
        {Measurement, job.column(u"尺码"_s)}, // the job's 总尺码
        {Containers, job.column(u"箱型箱量"_s)},
        {Address, job.column(u"装箱仓库地址"_s)},
        {Contact, job.column(u"装箱仓库联系人"_s)},
        {Telephone, job.column(u"装箱仓库联系电话"_s)},
        {Requirements, job.column(u"特殊要求"_s)},
        {StuffingTime, CommFunU::ChineseDateTimeText(job.column(u"装箱入仓日期"_s), job.column(u"装箱入仓时间"_s))},
    });
}

TCheDuiFrm::~TCheDuiFrm() = default;

FormTable TCheDuiFrm::fields()
{
    FormTable t{
        Field::mark(FirstMark).at(2, 2, 1, 1),
        Field::caption(QString()).named(HeadingName).at(200, 18, 360, 30),
        Field::caption(u"装  箱  单"_s).named(TitleName).at(300, 52, 200, 28),
        Field::caption(u"打印日期:"_s).at(500, 88, 70, 24),
        shown(PrintDate, u"打印日期"_s).at(570, 88, 160, 24),
        Field::line().at(20, 118, 720, 1),
    };
    t << pair(L, 128, u"To:"_s, shown(Fleet, u"To"_s), 70, 280) << pair(R, 128, u"From:"_s, shown(From, u"From"_s), 70, 260)
      << pair(L, 160, u"业务编号"_s, shown(Number, u"业务编号"_s), 70, 280)
      << pair(R, 160, u"客户编号"_s, shown(ClientNumber, u"客户编号"_s), 70, 260) << Field::line().at(20, 194, 720, 1)
      << pair(L, 206, u"船名航次"_s, shown(VesselVoyage, u"船名航次"_s), 70, 280)
      << pair(R, 206, u"货    名"_s, shown(Goods, u"货名"_s), 70, 260)
      << pair(L, 238, u"提 单 号"_s, shown(BillNumber, u"提单号"_s), 70, 280)
      << pair(R, 238, u"件    数"_s, shown(Pieces, u"件数"_s), 70, 260)
      << pair(L, 270, u"卸 货 港"_s, shown(DischargePort, u"卸货港"_s), 70, 280)
      << pair(R, 270, u"毛    重"_s, shown(GrossWeight, u"毛重"_s), 70, 260)
      << pair(L, 302, u"目 的 港"_s, shown(Destination, u"目的港"_s), 70, 280)
      << pair(R, 302, u"尺    码"_s, shown(Measurement, u"尺码"_s), 70, 260)
      << pair(L, 334, u"箱型/箱量"_s, shown(Containers, u"箱型/箱量"_s), 70, 630) << Field::line().at(20, 368, 720, 1)
      << Field::caption(u"装箱地点"_s).at(L, 380, 70, 24)
      << Field::memo(Address, u"装箱地点"_s).asDisabled().at(L + 70, 380, 630, 50)
      << pair(L, 442, u"联 系 人"_s, shown(Contact, u"联系人"_s), 70, 280)
      << pair(R, 442, u"电  话"_s, shown(Telephone, u"电话"_s), 70, 260)
      << Field::caption(u"特殊要求"_s).at(L, 476, 70, 24)
      << Field::memo(Requirements, u"特殊要求"_s).asDisabled().at(L + 70, 476, 630, 120)
      << Field::line().at(20, 610, 720, 1)
      << Field::caption(u"注意：以上货物请于："_s).at(L, 630, 150, 24)
      << shown(StuffingTime, u"装箱时间"_s).at(L + 150, 630, 230, 24)
      << Field::caption(u"装箱！"_s).at(L + 390, 630, 60, 24) << Field::mark(SecondMark).at(759, 732, 1, 1);
    return t;
}

void TCheDuiFrm::showEvent(QShowEvent *event)
{
    PrintableSheet::showEvent(event);
    if (std::exchange(m_shown, true))
        return;
    SheetParts::ShowHeading(*this, m_heading);
    form()->edit(PrintDate)->setText(SheetParts::PrintDate(true));
}
