#pragma once

#include "queryhelpers.h"

#include <QDate>
#include <QStringList>
#include <QWidget>
#include <array>

class BoundForm;
class QComboBox;
class QDateTimeEdit;
class QLineEdit;
struct CurrentUserRecord;

// The condition boxes of a job list (business query, finance views,
// container statistics), in their fixed order, with the period 船期 自 … 到.
//
// Each box adds one condition to the list's WHERE clause when its trimmed
// text is not empty; the text goes in as typed, quoted (QuoteValue), so an
// apostrophe is data and a crafted text cannot widen the list. The user's
// position locks the 部门 and 操作员 boxes; a locked box that restricts the
// list restricts it even when blank (to nothing), and 清空条件 keeps it.
// The boxes are a form built from a field table, in one titled group.
class JobListFilters : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(JobListFilters)
public:
    // In the order their conditions are appended.
    enum Box { Number, Verification, ClientRef, Vessel, Voyage, BillOfLading, Unit, Operator, Port, Department };
    static constexpr int BoxCount = Department + 1;

    struct Options {
        QString title = QStringLiteral("查询条件");
        bool vesselBoxes = true; // the 船名 and 航次 boxes
        QString alias;           // put before the basic table's columns ("a.")
        // The columns the 单位名称 text is looked for in (LIKE '%text%').
        QStringList unitColumns{QStringLiteral("委托人"), QStringLiteral("订舱单位"), QStringLiteral("车队"),
                                QStringLiteral("仓库")};
    };

    explicit JobListFilters(const Options &options, QWidget *parent = nullptr);
    ~JobListFilters() override;

    // The position rule (CommFunU::JobVisibilityOf): the boxes locked, filled
    // and restricting as the user's position and the list's scope say.
    void applyPosition(const CurrentUserRecord &user, CommFunU::JobScope scope = CommFunU::JobScope::Jobs);

    // "AND (…)" conditions of the filled boxes, in box order.
    QString conditions() const;
    // The visibility condition of the month tree (operator, then department),
    // without WHERE; empty when nothing restricts.
    QString treeCondition() const;
    // Empties every enabled box; locked boxes and the period stay.
    void clear();

    QDate from() const;
    QDate to() const;
    void setPeriod(const QDate &from, const QDate &to);

    // A box (nullptr for 船名/航次 when the list has none).
    QWidget *box(Box box) const;
    QLineEdit *edit(Box box) const;
    QComboBox *combo(Box box) const;
    QString text(Box box) const;
    void setText(Box box, const QString &text);
    bool restricts(Box box) const { return m_restricted[size_t(box)]; }
    QDateTimeEdit *fromEdit() const;
    QDateTimeEdit *toEdit() const;

private:
    void setLocked(Box box, const QString &text, bool restricts);
    QString conditionOf(Box box, const QString &value) const;
    void fillOnce(QComboBox *list, const QString &sql);
    void fillOperators(QComboBox *list);

    Options m_options;
    BoundForm *m_form;
    std::array<bool, BoxCount> m_restricted{};
};
