#pragma once

#include <QWidget>

class JobTabs;

// The window of tab 0. The business query window derives from it; until one
// is registered with the main window, tab 0 shows this empty page.
class QueryWindow : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(QueryWindow)
public:
    explicit QueryWindow(JobTabs *tabs);
    ~QueryWindow() override;

    virtual QString Caption() const;
    // The user came back to tab 0: refresh and run the query again.
    virtual void EnterPage() {}
};
