#include "thychukouxltjfrm.h"

#include "cargogrid.h"
#include "currentuser.h"
#include "joblistframe.h"

#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

JobListFrame::Settings statisticsSettings()
{
    JobListFrame::Settings s;
    s.filters.title = u"统计条件"_s;
    s.filters.alias = u"a."_s;
    s.reportTitle = u"箱量统计"_s;
    return s;
}

// The cargo rows of the line's jobs.
QString cargoTableOf(JobLine line)
{
    return line == JobLine::Import ? u"货运进口货物明细"_s : u"货运出口货物明细"_s;
}

} // namespace

THYChukouXLTJFrm::THYChukouXLTJFrm(QWidget *parent)
    : QDialog(parent)
    , m_frame(new JobListFrame(statisticsSettings(), &THYChukouXLTJFrm::QueryText, this))
{
    setWindowTitle(u"箱量统计"_s);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_frame);
    m_frame->filters()->applyPosition(CommFunU::CurrentUser());
    m_frame->addButton(u"统计"_s, [this] { m_frame->runQuery(); });
    m_frame->addButton(u"清空条件"_s, [this] { m_frame->clearConditions(); });
    m_frame->addButton(u"打印(&P)"_s, [this] { m_frame->print(); });
    m_frame->addButton(u"返回"_s, [this] { reject(); });
    resize(1100, 680);
}

THYChukouXLTJFrm::~THYChukouXLTJFrm() = default;

QString THYChukouXLTJFrm::QueryText(const JobListFrame &frame)
{
    const QString jobs = frame.basicTable();
    const QString cargo = cargoTableOf(frame.line());
    // Shut-out jobs are left out of the rows and of the totals.
    const QString where = frame.periodCondition() + u" AND a.货物已退关='0' "_s + frame.filters()->conditions();
    // A high cube is one type however the window that stored it named it.
    const QString type = CargoGrid::SummedTypeSql(u"b.箱类型"_s);
    return u"SELECT a.船名,a.航次,max(a.船期) as 船期 ,"_s + type + u" as 箱类型,count(b.箱类型) as 箱量 FROM "_s
           + jobs + u" a Inner Join "_s + cargo + u" b on  a.业务编号=b.业务编号 "_s + u" where "_s + where
           + u"  group by a.船名,a.航次,"_s + type + u" "_s + u"union "_s + u"select '合计','','',"_s + type
           + u",count(b.箱类型) as 箱量 "_s + u"FROM "_s + jobs + u"  a Inner Join  "_s + cargo
           + u"  b on a.业务编号=b.业务编号 where"_s + where + u" group by "_s + type;
}
