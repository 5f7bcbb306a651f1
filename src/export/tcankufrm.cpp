#include "tcankufrm.h"

#include "boundform.h"
#include "currentuser.h"
#include "queryhelpers.h"
#include "sheetparts.h"
#include "values.h"

#include <QLabel>
#include <QTabWidget>

using namespace Qt::StringLiterals;
using SheetParts::pair;

namespace {

const QString HeadingName = u"heading"_s;
const QString TitleName = u"title"_s;
constexpr int L = 40;  // left column
constexpr int R = 400; // right column
constexpr int CaptionWidth = 80;

FormField shown(int tag, const QString &label)
{
    return Field::edit(tag, label).asDisabled();
}

bool toClient(TCanKuFrm::Kind kind)
{
    return kind == TCanKuFrm::Kind::InnerClient || kind == TCanKuFrm::Kind::LclClient;
}

bool inner(TCanKuFrm::Kind kind)
{
    return kind == TCanKuFrm::Kind::InnerClient || kind == TCanKuFrm::Kind::InnerWarehouse;
}

QString title(TCanKuFrm::Kind kind)
{
    switch (kind) {
    case TCanKuFrm::Kind::InnerClient:
        return u"内 装 箱 通 知 书"_s;
    case TCanKuFrm::Kind::InnerWarehouse:
        return u"内 装 箱 联 系 单"_s;
    case TCanKuFrm::Kind::LclClient:
        return u"进 仓 通 知 书"_s;
    case TCanKuFrm::Kind::LclWarehouse:
        break;
    }
    return u"拼 箱 联 系 单"_s;
}

} // namespace

const QStringList TCanKuFrm::PageTitles{u"内装箱客户联系单"_s, u"内装箱仓库联系单"_s, u"拼箱客户联系单"_s,
                                        u"拼箱仓库联系单"_s};

TCanKuFrm::TCanKuFrm(const CargoJobValues &job, QWidget *parent)
    : PrintableSheet(parent)
{
    setWindowTitle(u"分配仓库"_s);
    const bool innerJob = IsInnerStuffing(job.column(u"业务类型"_s));
    const QList<Kind> kinds = innerJob ? QList<Kind>{Kind::InnerClient, Kind::InnerWarehouse}
                                       : QList<Kind>{Kind::LclClient, Kind::LclWarehouse};
    for (Kind kind : kinds) {
        addPage(PageTitles.at(int(kind)), fields(kind), QSize(770, 1040));
        const int page = pageCount() - 1;
        QWidget *paper = pageSheet(page);
        addShape(ShapeControl::Rectangle, QRect(10, 10, 740, 700), QPen(Qt::black, 2), paper);
        if (toClient(kind)) // the warehouse the goods go to
            addShape(ShapeControl::Rectangle, QRect(L + 10, 418, 680, 112), QPen(Qt::black, 1), paper);
        Emphasise(paper->findChild<QLabel *>(HeadingName), 16);
        auto *caption = paper->findChild<QLabel *>(TitleName);
        Emphasise(caption, 16);
        centreCaption(caption);
        fill(page, kind, job);
    }
}

TCanKuFrm::~TCanKuFrm() = default;

bool TCanKuFrm::IsInnerStuffing(const QString &jobType)
{
    return jobType == u"整箱"_s || jobType == u"少量拼箱"_s;
}

FormTable TCanKuFrm::fields(Kind kind)
{
    const int w = CaptionWidth;
    FormTable t{
        Field::mark(FirstMark).at(2, 2, 1, 1),
        Field::caption(QString()).named(HeadingName).at(200, 20, 360, 32),
        Field::caption(title(kind)).named(TitleName).at(300, 60, 200, 32),
        Field::caption(u"打印日期:"_s).at(500, 104, 70, 24),
        shown(PrintDate, u"打印日期"_s).at(570, 104, 160, 24),
        Field::line().at(20, 136, 720, 1),
    };
    t << pair(L, 150, u"To:"_s, shown(To, u"To"_s), w, 270)
      << pair(R, 150, u"进仓编号:"_s, shown(EntryNumber, u"进仓编号"_s), w, 250);
    if (toClient(kind))
        t << pair(L, 186, u"客户编号:"_s, shown(Client, u"客户编号"_s), w, 270);
    else
        t << pair(L, 186, u"客户名称:"_s, shown(Client, u"客户名称"_s), w, 270);
    t << pair(R, 186, u"船名航次:"_s, shown(VesselVoyage, u"船名航次"_s), w, 250)
      << pair(L, 222, u"货  名:"_s, shown(Goods, u"货名"_s), w, 270)
      << pair(R, 222, u"提单号:"_s, shown(BillNumber, u"提单号"_s), w, 250)
      << pair(L, 258, u"卸货港:"_s, shown(DischargePort, u"卸货港"_s), w, 270)
      << pair(R, 258, u"目的港:"_s, shown(Destination, u"目的港"_s), w, 250)
      << pair(L, 294, u"件  数:"_s, shown(Pieces, u"件数"_s), w, 270)
      << pair(R, 294, u"毛  重:"_s, shown(GrossWeight, u"毛重"_s), w, 250)
      << pair(L, 330, u"尺  码:"_s, shown(Measurement, u"尺码"_s), w, 270);
    if (inner(kind))
        t << pair(R, 330, u"箱型/箱量:"_s, shown(Containers, u"箱型/箱量"_s), w, 250);
    else if (!toClient(kind))
        t << pair(R, 330, u"箱号/封号:"_s, shown(Containers, u"箱号/封号"_s), w, 250);
    t << Field::line().at(20, 368, 720, 1);

    if (toClient(kind)) {
        t << Field::caption(u"注意：以上货物请于"_s).at(L, 384, 140, 26)
          << shown(DeliveryTime, u"送货时间"_s).at(L + 140, 384, 230, 26)
          << Field::caption(u"之前送至下列仓库"_s).at(L + 376, 384, 140, 26)
          << shown(Warehouse, u"仓库"_s).at(L + 20, 424, 640, 28)
          << pair(L + 20, 462, u"仓库地址："_s, shown(WarehouseAddress, u"仓库地址"_s), w, 560)
          << pair(L + 20, 494, u"联系人："_s, shown(WarehouseContact, u"联系人"_s), w, 250)
          << pair(R, 494, u"电话"_s, shown(WarehousePhone, u"电话"_s), 50, 240);
    } else {
        t << Field::caption(inner(kind) ? u"备注:"_s : u"唛  头:"_s).at(L, 384, w, 24)
          << Field::memo(Remarks, inner(kind) ? u"备注"_s : u"唛头"_s).asDisabled().at(L + w, 384, 600, 100)
          << Field::caption(u"注意：以上货物将于"_s).at(L, 496, 140, 26)
          << shown(DeliveryTime, u"进仓时间"_s).at(L + 140, 496, 230, 26)
          << Field::caption(u"进贵司仓库！"_s).at(L + 376, 496, 120, 26);
    }
    t << Field::line().at(20, 556, 720, 1)
      << Field::caption(u"如有任何疑问，请与我司操作员"_s).at(L, 580, 210, 26)
      << shown(Operator, u"操作员"_s).at(L + 210, 580, 120, 26)
      << Field::caption(u"联系，方法如下："_s).at(L + 336, 580, 140, 26)
      << pair(L + 20, 620, u"电话:"_s, shown(OperatorPhone, u"电话"_s), 50, 250)
      << pair(R, 620, u"传真:"_s, shown(OperatorFax, u"传真"_s), 50, 250)
      << Field::mark(SecondMark).at(759, 1030, 1, 1);
    return t;
}

void TCanKuFrm::fill(int page, Kind kind, const CargoJobValues &job)
{
    const bool client = toClient(kind);
    // The contact of the unit the notice goes to.
    const QString unit = job.column(client ? u"委托人"_s : u"仓库"_s);
    const QString contact = unit.trimmed().isEmpty() ? QString() : CommFunU::LookupValue(unit, u"单位"_s, u"简称"_s, u"联系人"_s);
    const QString time = CommFunU::ChineseDateTimeText(job.column(u"装箱入仓日期"_s), job.column(u"装箱入仓时间"_s));
    SheetParts::Fill(pageForm(page), {
        {To, contact},
        {EntryNumber, inner(kind) ? job.number() : job.column(u"拼箱编号"_s)},
        {Client, job.column(client ? u"委托编号"_s : u"委托人"_s)},
        {VesselVoyage, job.vesselAndVoyage()},
        {Goods, job.column(u"货名简称"_s)},
        {BillNumber, job.column(u"提单号"_s)},
        {DischargePort, job.column(u"卸货港"_s)},
        {Destination, job.column(u"目的港"_s)},
        {Pieces, job.column(u"件数"_s)},
        {GrossWeight, job.column(u"毛重"_s)},
        {Measurement, job.column(u"尺码"_s)}, // the job's 总尺码
        {Containers, job.column(u"箱型箱量"_s)},
        {Remarks, job.column(inner(kind) ? u"特殊要求"_s : u"标记和号码"_s)},
        {DeliveryTime, time},
        {Warehouse, job.column(u"仓库"_s)},
        {WarehouseAddress, job.column(u"装箱仓库地址"_s).replace(u"\r\n"_s, u" "_s)}, // on one line
        {WarehouseContact, job.column(u"装箱仓库联系人"_s)},
        {WarehousePhone, job.column(u"装箱仓库联系电话"_s)},
    });
}

void TCanKuFrm::showEvent(QShowEvent *event)
{
    PrintableSheet::showEvent(event);
    if (std::exchange(m_shown, true))
        return;
    const CurrentUserRecord &user = CommFunU::CurrentUser();
    const QString date = SheetParts::PrintDate(true);
    for (int page = 0; page < pageCount(); ++page) {
        SheetParts::ShowHeading(*this, pageSheet(page)->findChild<QLabel *>(HeadingName));
        SheetParts::Fill(pageForm(page), {{PrintDate, date},
                                          {Operator, user.StaffName},
                                          {OperatorPhone, user.Extension},
                                          {OperatorFax, user.Fax}});
    }
}
