#pragma once

#include "joblistfilters.h"
#include "listcolumns.h"
#include "monthtree.h"

#include <QList>
#include <QWidget>
#include <functional>

class QGroupBox;
class QLabel;
class QTabBar;
class QPushButton;
class QStatusBar;
class StringGrid;
class StringGridModel;

// The frame every job list shares: the business query, the finance views
// and the container statistics. On the left the month tree of both lines;
// on the right the condition boxes, the window's buttons, the list and a
// status line. A window gives its settings and its SQL; the frame does the
// rest:
//
//     JobListFrame::Settings s;
//     s.filters.vesselBoxes = false;          // no 船名 / 航次 boxes
//     s.filters.alias = u"a."_s;              // the basic table is "a"
//     s.columns = ListColumns::Amounts({8, 9, 10}); // amounts, "#,##0.000" ...
//     s.totalLabelColumn = 7;                 // ... summed, "TOTAL:" in column 7
//     s.reportTitle = u"主营业务收支"_s;
//     auto *frame = new JobListFrame(s, [](const JobListFrame &f) {
//         return u"SELECT … FROM "_s + f.basicTable() + u" a … WHERE"_s + f.periodCondition()
//                + f.filters()->conditions();
//     }, this);
//     frame->addButton(u"统计"_s, [frame] { frame->runQuery(); });
//     frame->addButton(u"清空"_s, [frame] { frame->clearConditions(); });
//     frame->addButton(u"打印(&P)"_s, [frame] { frame->print(); });
//
// A window with more to set than the conditions (a rate, a date) puts its
// boxes into the button row with addToBar(). An empty query text asks the
// server nothing and keeps the list as it is (a box the window could not
// read). The printed title is reportTitle, else the heading, else the
// caption of the selected tab.
//
// Showing the frame builds the tree once it is on screen; choosing a month
// sets the period to that month and runs the query; choosing a root empties
// the list. The line of the selected node chooses the tables (basicTable()).
class JobListFrame : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(JobListFrame)
public:
    struct Settings {
        JobListFilters::Options filters;
        QString listTitle = QStringLiteral("详细信息");
        QString reportTitle;      // the title of the printed list
        QList<int> flagColumns;   // "1" / "0" shown as 是 / 否
        // The amount columns: shown "#,##0.000" and right-aligned, in the
        // list, the printed report and the workbook, and summed in the TOTAL line.
        ListColumns columns;
        int totalLabelColumn = -1; // where "TOTAL:" goes; -1: no TOTAL line
        QString heading;          // a title above the list (none when empty)
        QStringList tabs;         // tabs above the list; a change lists the selected month again
        // The first time the tree is built with nothing selected, the newest
        // month is chosen (export before import), so the list shows jobs.
        bool openNewestMonth = false;
    };
    using QueryText = std::function<QString(const JobListFrame &frame)>;

    JobListFrame(const Settings &settings, QueryText query, QWidget *parent = nullptr);
    ~JobListFrame() override;

    MonthTree *tree() const { return m_tree; }
    JobListFilters *filters() const { return m_filters; }
    StringGrid *grid() const { return m_grid; }
    QStatusBar *statusLine() const { return m_status; }

    JobLine line() const { return m_tree->line(); }
    QString basicTable() const { return BasicTableOf(line()); }
    // " (船期>='from') AND (船期<='to') " with the basic table's alias.
    QString periodCondition() const;
    // The list's SQL as the window composes it.
    QString queryText() const { return m_query(*this); }

    // Adds a button after the ones already there.
    QPushButton *addButton(const QString &caption, std::function<void()> command);
    // Adds a widget to the button row, after what is already there.
    void addToBar(QWidget *widget);
    QString heading() const;
    void setHeading(const QString &text);
    // The selected tab above the list (0 when there are none).
    int tab() const;
    QTabBar *tabBar() const { return m_tabs; }
    QString reportTitle() const;
    QPushButton *button(const QString &caption) const;

    // Rebuilds the tree once the event loop runs again (several requests
    // before then rebuild once).
    void refresh();
    // Rebuilds the tree now. The selected line and month stay selected, and
    // a list on show is asked for again with the same conditions.
    void rebuildTree();
    // The query: the list with its column names as row 0, the amounts as
    // "#,##0.000", then the TOTAL line and the 是/否 columns.
    void runQuery();
    // Empties the enabled condition boxes; locked boxes and the period stay.
    void clearConditions();
    // The report text of the list for the report print window.
    QString reportText() const;
    // Opens the report print window with the list.
    void print();
    // Whether the list shows the answer of a query (else it is empty).
    bool showsList() const { return m_listed; }

    // The report text of a list window: the company heading, the title, the
    // print time as the third header text, the grid from its heading row and
    // an empty summary. Every list that prints through the report print
    // window hands it this.
    // A job list hands its period (the line and 船期 自 … 至) as the first
    // header text and its filled conditions as the fourth.
    static QString ListReportText(const QString &title, const StringGrid *grid, const QString &period = QString(),
                                  const QString &conditions = QString());
    // Opens the report print window with that text and the grid's columns
    // (which of them are amounts), modally when it loads.
    static void PrintList(QWidget *parent, const QString &title, const StringGrid *grid,
                          const QString &period = QString(), const QString &conditions = QString());
    // "海运出口  船期: 2026-12-01 至 2026-12-31", and "条件: 委托编号: W-7  操作员: 赵敏"
    // (empty when no box is filled), as the printed list shows them.
    QString periodText() const;
    QString conditionText() const;

    // Appends the TOTAL line: "TOTAL:" in labelColumn and each of columns
    // summed over the rows from 1 (an empty cell counts 0), "#,##0.000".
    static void AddTotalLine(StringGridModel &grid, int labelColumn, const QList<int> &columns);

signals:
    // A body row was double-clicked.
    void rowActivated(int row);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void selectionChanged();
    void emptyList();
    void showStatus(const QString &text);
    // After the list changed: the row count in the status line, no sort mark.
    void listChanged();

    Settings m_settings;
    QueryText m_query;
    MonthTree *m_tree;
    JobListFilters *m_filters;
    StringGrid *m_grid;
    QStatusBar *m_status;
    QList<QPushButton *> m_buttons;
    QLabel *m_heading = nullptr;
    QLabel *m_rowCount = nullptr;
    QTabBar *m_tabs = nullptr;
    QWidget *m_buttonColumn;
    bool m_refreshPosted = false;
    bool m_treeBuilt = false;
    bool m_listed = false;
};
