#pragma once

#include "financelistwindow.h"

class QDateEdit;

// 佣金核算: per job of a period, the client's receivables and whether they
// were received, beside the commission refunds owed to the client and
// whether they were paid back (是/否); and the refund itself, of the
// selected job (退佣当前业务) or of every listed job (退佣全部业务), marked
// in both currencies on the date of 退佣日期 (today at first).
//
// A refund runs in one transaction: an "Err" answer or a refused commit
// rolls every job back and is reported. Jobs without a finance row cannot be
// marked; they are named in one message after the others are refunded.
// 退佣全部业务 leaves a job refunded in both currencies with its dates; the
// heading row and the TOTAL line are never refunded.
class TYongJinFrm : public FinanceListWindow
{
    Q_OBJECT
    Q_DISABLE_COPY(TYongJinFrm)
public:
    explicit TYongJinFrm(QWidget *parent = nullptr);
    ~TYongJinFrm() override;

    QDateEdit *refundDate() const { return m_date; }
    // 退佣当前业务 and 退佣全部业务; the list is asked for again after either.
    void RefundCurrent();
    void RefundAll();
    // Marks the jobs refunded on the date of the box, in one transaction;
    // keepRefunded: a job refunded in both currencies is left as it is.
    // False when nothing was stored (the failure has been reported).
    bool Refund(const QStringList &numbers, bool keepRefunded);

    static QString QueryText(const JobListFrame &frame);
    // The update that marks one job refunded in both currencies on date.
    static QString RefundStatement(const QString &number, const QString &date);

private:
    QDateEdit *m_date;
};
