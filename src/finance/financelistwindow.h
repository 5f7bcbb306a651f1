#pragma once

#include "joblistframe.h"

#include <QDialog>

// What the four cross-job finance windows (应收应付帐款, 对帐单, 主营业务收支,
// 佣金核算) share: each is a modal dialog, opened maximised, holding the
// job-list frame (month tree, condition boxes with the position rule, the
// list with its TOTAL line, the printed list) with the buttons 返回, its
// query and clear buttons and 打印(&P). A window adds its settings and SQL:
//
//     TCaiWuYSYFFrm::TCaiWuYSYFFrm(QWidget *parent)
//         : FinanceListWindow(u"应收应付帐款"_s, settings(), &QueryText, {u"统计"_s, u"清空"_s}, parent) {}
//
// The finance row of a job is joined as b and its fee row as c (JoinedJobs);
// a flag of a job without a finance row reads "0" (Flag).
class FinanceListWindow : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(FinanceListWindow)
public:
    ~FinanceListWindow() override;

    JobListFrame *frame() const { return m_frame; }

    // "COALESCE(b.column,'0')": a flag of the finance row, clear when the job has none.
    static QString Flag(const QString &column);
    // " FROM (basic as a Left join 财务 as b …) Left Join fee as c … WHERE" the
    // period and the conditions, for the line of the frame.
    static QString JoinedJobs(const JobListFrame &frame);

protected:
    struct Buttons {
        QString query; // 统计 or 查询
        QString clear; // 清空 or 清空条件
    };
    FinanceListWindow(const QString &caption, JobListFrame::Settings settings, JobListFrame::QueryText query,
                      const Buttons &buttons, QWidget *parent);

private:
    JobListFrame *m_frame;
};
