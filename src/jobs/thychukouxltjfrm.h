#pragma once

#include <QDialog>

class JobListFrame;

// The container statistics "箱量统计": containers of export or import jobs
// counted by vessel, voyage and container type over a sailing period, with a
// "合计" row per container type, and printed. It is a job list: the month
// tree of both lines (choosing a month counts that month at once), the
// condition boxes "统计条件" with the position rule, and the list, all the
// job-list frame's; what it adds is its SQL. Jobs marked as shut out
// (货物已退关) are never counted; every condition restricts the per-vessel
// rows and the totals alike.
class THYChukouXLTJFrm : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(THYChukouXLTJFrm)
public:
    explicit THYChukouXLTJFrm(QWidget *parent = nullptr);
    ~THYChukouXLTJFrm() override;

    JobListFrame *frame() const { return m_frame; }

    // The counting SQL for the frame's line, period and conditions.
    static QString QueryText(const JobListFrame &frame);

private:
    JobListFrame *m_frame;
};
