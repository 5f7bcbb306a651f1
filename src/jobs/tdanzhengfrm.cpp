#include "tdanzhengfrm.h"

#include "currentuser.h"
#include "jobpages.h"
#include "joblistframe.h"
#include "stringgrid.h"

#include <QVBoxLayout>

using namespace Qt::StringLiterals;
using namespace CommFunU;

namespace {

JobListFrame::Settings listSettings()
{
    JobListFrame::Settings s;
    s.flagColumns = {0, 7, 9, 11}; // 货物已退关, 提单已签发, 核销单已寄发, 手册已寄发
    s.openNewestMonth = true;
    s.reportTitle = u"业务查询"_s;
    return s;
}

} // namespace

TDanZhengFrm::TDanZhengFrm(JobTabs *tabs)
    : QueryWindow(tabs)
    , m_frame(new JobListFrame(listSettings(), &TDanZhengFrm::QueryText, this))
{
    setWindowTitle(Caption());
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_frame);

    m_frame->filters()->applyPosition(CurrentUser());
    m_frame->addButton(u"查询"_s, [this] { m_frame->runQuery(); });
    m_frame->addButton(u"详细"_s, [this] { OpenJob(); });
    m_frame->addButton(u"清空条件"_s, [this] { m_frame->clearConditions(); });
    m_frame->addButton(u"打印(&P)"_s, [this] { m_frame->print(); });
    m_frame->addButton(u"刷新"_s, [this] { m_frame->refresh(); });
    connect(m_frame, &JobListFrame::rowActivated, this, [this](int row) { OpenJob(row); });
}

TDanZhengFrm::~TDanZhengFrm() = default;

QString TDanZhengFrm::Caption() const
{
    return u"业务查询"_s;
}

void TDanZhengFrm::EnterPage()
{
    m_frame->refresh();
}

QString TDanZhengFrm::QueryText(const JobListFrame &frame)
{
    return u"SELECT 货物已退关, 业务编号,提单号,船期,船名,航次,订舱单位,提单已签发,核销单号,核销单已寄发,手册号,"
           "手册已寄发,报关行 FROM "_s
           + frame.basicTable() + u" WHERE"_s + frame.periodCondition() + frame.filters()->conditions();
}

void TDanZhengFrm::OpenJob(int row)
{
    const StringGrid *grid = m_frame->grid();
    if (row < 0)
        row = grid->selectionTopRow();
    if (row < 1 || row >= grid->rowCount() || grid->cell(row, 0).trimmed().isEmpty())
        return;
    const QString number = grid->cell(row, 1);
    if (m_frame->line() == JobLine::Import)
        OpenImportJob(number);
    else
        OpenExportJob(number);
}
