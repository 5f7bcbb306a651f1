#pragma once

#include <QTreeWidget>
#include <functional>

// The two lines of business a job list covers.
enum class JobLine { Export, Import };

// The basic table of a line's jobs: 货运出口基本信息 or 货运进口基本信息.
QString BasicTableOf(JobLine line);

// What the finance lists read of a line besides its basic table: the fee
// table and the fee columns whose names differ between the lines (the
// client's USD subtotal is f110 in both).
struct LineFeeColumns {
    QString feeTable;    // 货运出口费用明细 / 货运进口费用明细
    QString rmbSubtotal; // the client's RMB subtotal: f219 / f224
    QString usdRefund;   // the USD commission refund to the client: f109 / f103
    QString rmbRefund;   // the RMB commission refund to the client: f217 / f2231
};
const LineFeeColumns &FeeColumnsOf(JobLine line);

// The tree on the left of every job list: the roots 海运出口 and 海运进口,
// each with one node per month ("yyyy-mm") in which jobs of that line sail
// (export) or arrive (import), as far as the visibility condition lets the
// user see them.
class MonthTree : public QTreeWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(MonthTree)
public:
    using StatusLine = std::function<void(const QString &text)>;

    explicit MonthTree(QWidget *parent = nullptr);
    ~MonthTree() override;

    QTreeWidgetItem *root(JobLine line) const;
    // Import when 海运进口 or one of its months is selected; export otherwise
    // (also when nothing is).
    JobLine line() const;
    // The selected month, empty when a root or nothing is selected.
    QString month() const;
    QStringList months(JobLine line) const;
    // Selects the month of a line as the user does; false when there is none.
    bool selectMonth(JobLine line, const QString &month);

    // Asks the server again for the months of both lines under condition (a
    // WHERE condition, empty for all jobs). The selected node stays selected
    // when it is still there, else its line's root; the change is silent.
    // Values that are no month (an empty sailing date) make no node.
    void rebuild(const QString &condition, const StatusLine &status);

private:
    QTreeWidgetItem *m_roots[2];
};
