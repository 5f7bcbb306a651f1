#pragma once

#include "querywindow.h"

class JobListFrame;

// The business query "业务查询", the home page of the system: tab 0 of the
// main window, made after each login. It lists the export or import jobs of
// a month or of the conditions typed, as far as the user's position lets
// the user see them, opens a listed job in its job window (详细 or a
// double-click), and prints the list.
class TDanZhengFrm : public QueryWindow
{
    Q_OBJECT
    Q_DISABLE_COPY(TDanZhengFrm)
public:
    explicit TDanZhengFrm(JobTabs *tabs);
    ~TDanZhengFrm() override;

    QString Caption() const override;
    // Back on tab 0: the months are asked for again; the selected month and
    // its list stay.
    void EnterPage() override;

    JobListFrame *frame() const { return m_frame; }
    // Opens the job listed in row (the selected row when -1) in the export or
    // import window; the heading row and an empty row open nothing.
    void OpenJob(int row = -1);

    // The list's SQL for the frame's line, period and conditions.
    static QString QueryText(const JobListFrame &frame);

private:
    JobListFrame *m_frame;
};
