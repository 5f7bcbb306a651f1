#pragma once

// The fee details of one cargo job, export or import: what the job earns
// from the client and the overseas agent and what it pays the booking party
// or shipping line, the customs broker, the truck fleet, the warehouse and
// the agent, in US dollars and renminbi, with the subtotals, the receivable
// and payable totals and the gross profit per currency. One row per job in
// the kind's fee table, stored positionally from its bound fields.
//
// One dialog serves both kinds; a kind is a table (FeeDetailsKind): its fee
// table and caption, its pages of boxes of fields, the recalculation steps in
// order, the fees an allocation disables, the unit names copied from the job.
//
//   THYChukouFeiYongMXFrm dialog(parent);   // a FeeDetailsDialog on the export table
//   dialog.setJob(jobValues);               // number, unit names, allocation
//   dialog.exec();                          // loads once it is shown
//
//   dialog.setViewing(number);              // the finance window's opening
//
// Every amount field carries a three-character Hint: "1" (a number), the
// group that sums it, and "1" to add or "0" to subtract; "1" alone is a
// number no sum uses. Group letters are case-sensitive ("a" is not "A").
// Fields disabled by the allocation keep their values and still count.

#include "amount.h"
#include "cargojobvalues.h"
#include "formfield.h"

#include <QDialog>
#include <QHash>
#include <QList>
#include <QRect>
#include <functional>
#include <optional>

class BoundForm;
class QHBoxLayout;
class QLineEdit;
class QPushButton;
class QTabWidget;

// One step of the recalculation: the target field gets a group sum, a lump
// sum when it is not zero (else a group sum), a percentage of a base, the
// sum of some fields, or a copy of another field's text.
struct FeeStep {
    enum class Kind { Group, LumpSumOrGroup, Percent, Sum, Copy };
    Kind kind = Kind::Group;
    int target = 0;
    QChar group;
    QList<int> sources; // lump sum | base, rate | the fields added | the field copied

    static FeeStep groupSum(int target, QChar group) { return {Kind::Group, target, group, {}}; }
    static FeeStep lumpSumOr(int target, int lumpSum, QChar group) { return {Kind::LumpSumOrGroup, target, group, {lumpSum}}; }
    // base × rate / 100, rounded once to four decimals, halves to even.
    static FeeStep percent(int target, int base, int rate) { return {Kind::Percent, target, QChar(), {base, rate}}; }
    static FeeStep sum(int target, const QList<int> &fields) { return {Kind::Sum, target, QChar(), fields}; }
    static FeeStep copy(int target, int source) { return {Kind::Copy, target, QChar(), {source}}; }
};

// A titled, framed box of fields on a page: its place (x, y, width; the
// height follows from its rows; a y below 0 puts it under the box before it
// at the same x) and its fields as label + field pairs, `columns` to a row.
// A caption row is a sub-heading across the box; memos, radio groups and
// wide fields take whole rows.
struct FeeBox {
    QString title;
    QPoint place;
    int width = 480;
    int columns = 2;
    FormTable fields;
};

struct FeePage {
    QString title;
    QList<FeeBox> boxes;
};

struct FeeDetailsKind {
    QString caption; // "费用明细(出口)"
    QString table;   // 货运出口费用明细
    QList<FeePage> pages;
    FormTable hidden;      // fields that are stored but not shown
    int keyTag = 10;       // the business number
    int submittedTag = 0;  // "1" once submitted
    int agentTag = 0;      // the 代理 pick list, focused when its page shows
    int agentPage = 2;
    QList<int> paymentTags; // choices whose change is no modification
    QList<FeeStep> steps;   // the recalculation, in order
    QList<int> fleetFees;     // disabled by 分配仓库 and 自做箱
    QList<int> warehouseFees; // disabled by 分配车队 and 自做箱
    // Unit names the job window's values replace after loading: Tag, job column.
    QList<std::pair<int, QString>> unitNames;
    bool printable = false; // 打印 prints the active page
};

// Rows of the fee tables.
namespace FeeField {

// Amount fields sharing a Hint, one per Tag, labelled in order.
FormTable amounts(const QList<int> &tags, const QStringList &labels, const QString &hint);
inline FormField amount(int tag, const QString &label, const QString &hint)
{
    return Field::number(tag, label).withHint(hint);
}
// A total the dialog computes.
inline FormField computed(int tag, const QString &label, const QString &hint)
{
    return amount(tag, label, hint).asReadOnly();
}
// An amount without a Hint (a lump sum, a rate): stored as it is shown.
inline FormField plainAmount(int tag, const QString &label)
{
    return Field::number(tag, label).withHint(QString());
}
// first, first + step, …, last.
QList<int> tagRange(int first, int last, int step = 10);

} // namespace FeeField

class FeeDetailsDialog : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(FeeDetailsDialog)
public:
    FeeDetailsDialog(FeeDetailsKind kind, QWidget *parent = nullptr);
    ~FeeDetailsDialog() override;

    // Opened from the job window: its business number, unit names and
    // allocation (1 分配车队, 2 分配仓库, 3 自做箱).
    void setJob(const CargoJobValues &job);
    // Opened from the finance window: the business number only, 保存
    // disabled until the load decides, no question on closing.
    void setViewing(const QString &number);
    // Shows the dialog maximised and modal, as the job and finance windows
    // open it: the whole screen also where no window manager maximises.
    int execMaximised();

    // The load runs once the dialog is shown; these run it at once.
    void LoadFees();
    // Throws KorvanError at the first amount that cannot be read (the field
    // is marked and the message shown); later totals keep their values.
    void RecalcFees();
    // Every amount checked and the totals made again, then the row replaced
    // in one transaction; true once the commit was answered.
    bool SaveFees();
    // The submitted flag set and saved; 保存 and 提交 stay disabled then.
    bool SubmitFees();
    void PrintPage();

    const FeeDetailsKind &kind() const { return m_kind; }
    BoundForm *form() const { return m_form; }
    QTabWidget *pages() const { return m_pages; }
    QLineEdit *amountField(int tag) const;
    QString number() const;
    bool isModified() const { return m_modified; }
    bool isViewing() const { return m_viewing; }
    bool loadFailed() const { return m_loadFailed; }
    QPushButton *saveButton() const { return m_save; }
    QPushButton *submitButton() const { return m_submit; }
    QPushButton *printButton() const { return m_print; }
    QPushButton *returnButton() const { return m_return; }
    // A button of the program's own left of 返回 (the rate lookup).
    QPushButton *addButton(const QString &caption, std::function<void()> command);

public slots:
    // 返回 and the close box: asks about unsaved changes unless 保存 is
    // disabled or the dialog is only viewing.
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Term {
        QLineEdit *field;
        bool adds;
    };

    void buildPages();
    void wireFields();
    void applyAllocation();
    void fieldLeft(QWidget *field);
    void formatAmounts(bool quietly);
    Amount groupSum(QChar group) const;
    Amount read(int tag) const;
    void showTotal(int tag, const QString &text);
    void fillAgents();
    void updateButtons();

    FeeDetailsKind m_kind;
    BoundForm *m_form;
    QTabWidget *m_pages = nullptr;
    QPushButton *m_save = nullptr;
    QPushButton *m_submit = nullptr;
    QPushButton *m_print = nullptr;
    QPushButton *m_return = nullptr;
    QHBoxLayout *m_buttonBar = nullptr;
    QHash<QChar, QList<Term>> m_groups;
    QList<QLineEdit *> m_amounts; // every editable amount, formatted when left
    std::optional<CargoJobValues> m_job;
    int m_allocation = 0;
    bool m_viewing = false;
    bool m_modified = false;
    bool m_loadFailed = false;
    bool m_loadPosted = false;
    bool m_leaving = false;
};
