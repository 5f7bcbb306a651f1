#include "tcaiwuzyywfrm.h"

#include "captionname.h"
#include "monthtree.h"
#include "values.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

using namespace Qt::StringLiterals;

namespace {

JobListFrame::Settings listSettings()
{
    JobListFrame::Settings s;
    s.filters.title = u"统计条件"_s;
    s.filters.vesselBoxes = false;
    s.reportTitle = u"主营业务收支"_s;
    s.columns = ListColumns::Amounts({}, 8); // 美圆应收款 to 总毛利
    s.totalLabelColumn = 7;
    return s;
}

} // namespace

TCaiWuZYYWFrm::TCaiWuZYYWFrm(QWidget *parent)
    : FinanceListWindow(
          u"主营业务收支"_s, listSettings(),
          // A rate that is no number throws; the frame then asks nothing.
          [this](const JobListFrame &f) { return QueryText(f, CommFunU::NormalizeAmount(m_rate->text())); },
          {u"统计"_s, u"清空"_s}, parent)
    , m_rate(new QLineEdit(u"8.3"_s))
{
    auto *box = new QWidget;
    box->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
    auto *row = new QHBoxLayout(box);
    row->setContentsMargins(12, 0, 0, 0);
    const QString caption = u"利率:"_s;
    row->addWidget(new QLabel(caption));
    row->addWidget(m_rate);
    m_rate->setMaximumWidth(m_rate->fontMetrics().horizontalAdvance(u"00000.000"_s));
    CommFunU::NameByCaption(m_rate, caption);
    frame()->addToBar(box);
}

TCaiWuZYYWFrm::~TCaiWuZYYWFrm() = default;

QString TCaiWuZYYWFrm::QueryText(const JobListFrame &frame, const QString &rate)
{
    return u"SELECT a.业务编号,a.委托编号,a.船期,a.船名+' '+a.航次 as [船名/航次],a.提单号,a.货名简称,a.箱型箱量, "
           "a.目的港, b.A1 as 美圆应收款,b.A2 as 美圆应付款,b.A as 美圆毛利,b.B1 as 人民币应收款,"
           "b.B2 as 人民币应付款,b.B as 人民币毛利, b.A*"_s
           + rate + u"+b.B as 总毛利  FROM "_s + frame.basicTable() + u" a Left join "_s
           + FeeColumnsOf(frame.line()).feeTable + u" b on a.业务编号=b.业务编号 "_s + u" WHERE"_s
           + frame.periodCondition() + frame.filters()->conditions();
}
