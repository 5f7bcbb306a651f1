#include "financelistwindow.h"

#include "currentuser.h"
#include "monthtree.h"

#include <QVBoxLayout>

using namespace Qt::StringLiterals;

FinanceListWindow::FinanceListWindow(const QString &caption, JobListFrame::Settings settings,
                                     JobListFrame::QueryText query, const Buttons &buttons, QWidget *parent)
    : QDialog(parent)
{
    settings.filters.alias = u"a."_s;
    m_frame = new JobListFrame(settings, std::move(query), this);
    setWindowTitle(caption);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_frame);
    m_frame->filters()->applyPosition(CommFunU::CurrentUser(), CommFunU::JobScope::FinanceLists);
    m_frame->addButton(u"返回"_s, [this] { reject(); });
    m_frame->addButton(buttons.query, [this] { m_frame->runQuery(); });
    m_frame->addButton(buttons.clear, [this] { m_frame->clearConditions(); });
    m_frame->addButton(u"打印(&P)"_s, [this] { m_frame->print(); });
    resize(1100, 700);
    setWindowState(windowState() | Qt::WindowMaximized);
}

FinanceListWindow::~FinanceListWindow() = default;

QString FinanceListWindow::Flag(const QString &column)
{
    return u"COALESCE(b."_s + column + u",'0')"_s;
}

QString FinanceListWindow::JoinedJobs(const JobListFrame &frame)
{
    return u"  FROM ("_s + frame.basicTable() + u" as a Left join 财务 as b on a.业务编号=b.业务编号)"_s
           + u" Left Join "_s + FeeColumnsOf(frame.line()).feeTable + u" as c on a.业务编号=c.业务编号 "_s
           + u" WHERE"_s + frame.periodCondition() + frame.filters()->conditions();
}
