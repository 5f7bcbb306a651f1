#include "tyongjinfrm.h"

#include "captionname.h"
#include "korvanerror.h"
#include "monthtree.h"
#include "queryhelpers.h"
#include "serverconnection.h"
#include "stringgrid.h"
#include "transactionguard.h"
#include "values.h"

#include <QDateEdit>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

using namespace Qt::StringLiterals;
using namespace CommFunU;

namespace {

JobListFrame::Settings listSettings()
{
    JobListFrame::Settings s;
    s.filters.title = u"条件"_s;
    s.heading = u"佣 金 核 算"_s;
    s.flagColumns = {6, 8, 10, 12};
    s.columns = ListColumns::Amounts({5, 7, 9, 11}); // beside each its 是/否
    s.totalLabelColumn = 4;
    return s;
}

} // namespace

TYongJinFrm::TYongJinFrm(QWidget *parent)
    : FinanceListWindow(u"佣金核算"_s, listSettings(), &TYongJinFrm::QueryText, {u"查询"_s, u"清空条件"_s}, parent)
    , m_date(new QDateEdit(QDate::currentDate()))
{
    m_date->setDisplayFormat(u"yyyy-MM-dd"_s);
    m_date->setCalendarPopup(true);
    // Untitled, so that it lines up with the buttons beside it.
    auto *group = new QGroupBox;
    group->setAccessibleName(u"退佣"_s);
    auto *row = new QHBoxLayout(group);
    row->setContentsMargins(6, 2, 6, 2);
    const QString caption = u"退佣日期:"_s;
    row->addWidget(new QLabel(caption));
    row->addWidget(m_date);
    NameByCaption(m_date, caption);
    for (const auto &[text, command] : {std::pair{u"退佣当前业务"_s, &TYongJinFrm::RefundCurrent},
                                        std::pair{u"退佣全部业务"_s, &TYongJinFrm::RefundAll}}) {
        auto *button = new QPushButton(text);
        button->setAutoDefault(false);
        row->addWidget(button);
        connect(button, &QPushButton::clicked, this, command);
    }
    frame()->addToBar(group);
}

TYongJinFrm::~TYongJinFrm() = default;

QString TYongJinFrm::QueryText(const JobListFrame &frame)
{
    const LineFeeColumns &fee = FeeColumnsOf(frame.line());
    return u"SELECT a.业务编号,a.委托人,a.委托编号,a.船名+' '+a.航次 as [船名/航次],a.提单号,c.f110 as 美元应收款,"_s
           + Flag(u"已收1"_s) + u" as 美元已收,c."_s + fee.rmbSubtotal + u" as 人民币应收款,"_s + Flag(u"已收2"_s)
           + u" as 人民币已收,c."_s + fee.usdRefund + u" as 美元佣金款 ,"_s + Flag(u"已退6"_s) + u" as 美元已退,c."_s
           + fee.rmbRefund + u" as 人民币佣金款 ,"_s + Flag(u"已退7"_s) + u" as 人民币已退"_s + JoinedJobs(frame);
}

QString TYongJinFrm::RefundStatement(const QString &number, const QString &date)
{
    const QString d = QuoteValue(date);
    return u"UPDATE 财务 SET 财务.佣金美元 = '"_s + d + u"', 财务.已退6 = \"1\", 财务.佣金人民币 = '"_s + d
           + u"', 财务.已退7 = \"1\" WHERE 财务.业务编号='"_s + QuoteValue(number) + u'\'';
}

void TYongJinFrm::RefundCurrent()
{
    const StringGrid *grid = frame()->grid();
    const int row = grid->selectionTopRow();
    // The heading row and the TOTAL line (no number) are never refunded.
    if (!frame()->showsList() || row < 1 || row >= grid->rowCount() - 1)
        return;
    const QString number = grid->cell(row, 0);
    if (number.trimmed().isEmpty())
        return;
    Refund({number}, false);
    frame()->runQuery();
}

void TYongJinFrm::RefundAll()
{
    const StringGrid *grid = frame()->grid();
    QStringList numbers;
    for (int r = 1; frame()->showsList() && r < grid->rowCount() - 1; ++r) {
        if (!grid->cell(r, 0).trimmed().isEmpty())
            numbers << grid->cell(r, 0);
    }
    Refund(numbers, true);
    frame()->runQuery();
}

bool TYongJinFrm::Refund(const QStringList &numbers, bool keepRefunded)
{
    if (numbers.isEmpty())
        return true;
    const QString date = DateText(m_date->date());
    QStringList missing;
    ServerConnection *connection = nullptr;
    try {
        connection = &GetAppServer();
    } catch (const KorvanError &) {
        return false; // the connection's provider has shown why
    }
    ServerConnection &server = *connection;
    // A connection lost on the way throws: nothing was committed.
    try {
        TransactionGuard transaction(server);
        if (!transaction.begun()) {
            ReportOutcome(0, transaction.lastAnswer(), u"BeginTrans"_s);
            return false;
        }
        for (const QString &number : numbers) {
            std::optional<ResultReader> flags = OpenQueryStep(
                u"SELECT 财务.已退6, 财务.已退7 FROM 财务 WHERE 财务.业务编号='"_s + QuoteValue(number) + u'\'');
            if (!flags)
                return false; // shown; the guard rolls back what was marked
            const QStringList row = flags->rows().value(0);
            if (row.isEmpty()) {
                missing << number;
                continue;
            }
            if (keepRefunded && row == QStringList{u"1"_s, u"1"_s})
                continue;
            const QString update = RefundStatement(number, date);
            const QString answer = server.execSql(update, QString());
            if (answer.startsWith(u"Err"_s)) {
                ReportOutcome(0, answer, update);
                return false;
            }
        }
        if (!transaction.commit()) {
            ReportOutcome(0, transaction.lastAnswer(), u"CommitTrans"_s);
            return false;
        }
    } catch (const KorvanError &) {
        ShowMessage(u"更新未成功"_s);
        return false;
    }
    if (!missing.isEmpty())
        ShowMessage(u"以下业务没有财务记录，未能退佣:\r"_s + missing.join(u"\r"_s));
    return true;
}
