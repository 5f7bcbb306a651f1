#include "tzhuizhangfrm.h"

#include "monthtree.h"

#include <QComboBox>

using namespace Qt::StringLiterals;

namespace {

const QString Title = u"对 帐 单"_s;

JobListFrame::Settings listSettings()
{
    JobListFrame::Settings s;
    s.filters.title = u"条件"_s;
    s.filters.unitColumns = QStringList{u"委托人"_s, u"报关行"_s, u"订舱单位"_s, u"车队"_s, u"仓库"_s};
    s.heading = Title;
    s.columns = ListColumns::Amounts({8, 10}); // 海运费, 人民币费; the invoice numbers are text
    s.totalLabelColumn = 7;
    return s;
}

} // namespace

TZhuiZhangFrm::TZhuiZhangFrm(QWidget *parent)
    : FinanceListWindow(u"对帐单"_s, listSettings(), &TZhuiZhangFrm::QueryText, {u"查询"_s, u"清空条件"_s}, parent)
{
    // An emptied box gives the statement its plain title back.
    connect(frame()->filters()->combo(JobListFilters::Unit), &QComboBox::editTextChanged, this,
            [this](const QString &unit) { frame()->setHeading(unit.isEmpty() ? Title : unit + u" 对帐单"_s); });
}

TZhuiZhangFrm::~TZhuiZhangFrm() = default;

QString TZhuiZhangFrm::QueryText(const JobListFrame &frame)
{
    return u"SELECT a.业务编号,a.委托编号,a.船期,a.船名+''+a.航次 as [船名/航次],a.提单号,a.货名简称,a.箱型箱量, "
           "a.目的港, c.f110 as 海运费,b.美元发票号,c."_s
           + FeeColumnsOf(frame.line()).rmbSubtotal + u" as 人民币费,b.人民币发票号"_s + JoinedJobs(frame);
}
