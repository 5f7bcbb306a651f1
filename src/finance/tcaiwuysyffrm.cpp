#include "tcaiwuysyffrm.h"

#include "monthtree.h"

using namespace Qt::StringLiterals;

namespace {

// One amount of a party: the fee column, the flag of 财务 that marks it
// settled, and the captions of its three list columns.
struct Owed {
    QString party;
    QString column;
    QString flag;
};

QList<Owed> receivables(JobLine line)
{
    return {{u"美圆"_s, u"f110"_s, u"已收1"_s}, {u"人民币"_s, FeeColumnsOf(line).rmbSubtotal, u"已收2"_s}};
}

QList<Owed> payables(JobLine line)
{
    if (line == JobLine::Import) {
        return {{u"船公司美圆"_s, u"f310"_s, u"已付1"_s}, {u"船公司人民币"_s, u"f404"_s, u"已付2"_s},
                {u"报关行"_s, u"f509"_s, u"已付3"_s}, {u"车队"_s, u"f611"_s, u"已付4"_s},
                {u"仓库"_s, u"f705"_s, u"已付5"_s}};
    }
    return {{u"订舱单位美圆"_s, u"f310"_s, u"已付1"_s}, {u"订舱单位人民币"_s, u"f407"_s, u"已付2"_s},
            {u"报关行"_s, u"f507"_s, u"已付3"_s}, {u"车队"_s, u"f607"_s, u"已付4"_s},
            {u"仓库"_s, u"f709"_s, u"已付5"_s}};
}

// "amount as X应收款, amount*flag as X已收款, amount-amount*flag as X未收款" for each.
QString owedColumns(const QList<Owed> &owed, const QStringList &suffixes)
{
    QStringList out;
    for (const Owed &o : owed) {
        const QString amount = u"c."_s + o.column;
        const QString settled = amount + u'*' + FinanceListWindow::Flag(o.flag);
        out << amount + u" as "_s + o.party + suffixes[0] << settled + u" as "_s + o.party + suffixes[1]
            << amount + u'-' + settled + u" as "_s + o.party + suffixes[2];
    }
    return out.join(u',');
}

JobListFrame::Settings listSettings()
{
    JobListFrame::Settings s;
    s.filters.title = u"统计条件"_s;
    s.filters.vesselBoxes = false;
    s.tabs = QStringList{u"应收未收款"_s, u"应付未付款"_s};
    s.columns = ListColumns::Amounts({}, 8); // six on one tab, fifteen on the other
    s.totalLabelColumn = 7;
    return s;
}

} // namespace

TCaiWuYSYFFrm::TCaiWuYSYFFrm(QWidget *parent)
    : FinanceListWindow(u"应收应付帐款"_s, listSettings(), &TCaiWuYSYFFrm::QueryText, {u"统计"_s, u"清空"_s}, parent)
{
}

TCaiWuYSYFFrm::~TCaiWuYSYFFrm() = default;

QString TCaiWuYSYFFrm::QueryText(const JobListFrame &frame)
{
    const QString fields = frame.tab() == Payable
                               ? owedColumns(payables(frame.line()), {u"应付"_s, u"已付"_s, u"未付"_s})
                               : owedColumns(receivables(frame.line()), {u"应收款"_s, u"已收款"_s, u"未收款"_s});
    return u"SELECT a.业务编号,a.委托人,a.船期,a.船名+' '+a.航次 as [船名/航次],a.提单号,a.货名简称,a.箱型箱量, "
           "a.目的港, "_s
           + fields + JoinedJobs(frame);
}
