#include "joblistframe.h"

#include "amount.h"
#include "captionname.h"
#include "gridops.h"
#include "gridsort.h"
#include "korvanerror.h"
#include "marks.h"
#include "queryhelpers.h"
#include "serverconnection.h"
#include "stringgrid.h"
#include "stringgridmodel.h"
#include "tpntmainfrm.h"
#include "values.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;
using namespace CommFunU;

namespace {

// The wait cursor while a command runs; the status line is cleared when it
// ends, however it ends.
class Busy
{
    Q_DISABLE_COPY(Busy)
public:
    explicit Busy(QStatusBar *status) : m_status(status) { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~Busy()
    {
        m_status->clearMessage();
        QGuiApplication::restoreOverrideCursor();
    }

private:
    QStatusBar *m_status;
};

} // namespace

JobListFrame::JobListFrame(const Settings &settings, QueryText query, QWidget *parent)
    : QWidget(parent)
    , m_settings(settings)
    , m_query(std::move(query))
    , m_tree(new MonthTree(this))
    , m_filters(new JobListFilters(settings.filters, this))
    , m_grid(new StringGrid(this))
    , m_status(new QStatusBar(this))
    , m_buttonColumn(new QWidget(this))
{
    m_grid->setListColumns(settings.columns);
    m_grid->setEditable(false);
    m_grid->setRowSelect(true);
    m_grid->setHeadingRow(true);
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_grid->setAccessibleName(settings.listTitle);
    m_rowCount = new QLabel(this);
    m_rowCount->setAccessibleName(u"行数"_s);
    m_status->addPermanentWidget(m_rowCount);
    SortOnHeadingClick(m_grid);
    emptyList();

    auto *buttons = new QHBoxLayout(m_buttonColumn);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->addStretch();

    auto *listBox = new QGroupBox(settings.listTitle, this);
    auto *listLayout = new QVBoxLayout(listBox);
    listLayout->addWidget(m_grid);

    auto *right = new QWidget(this);
    auto *rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(m_filters);
    rightLayout->addWidget(m_buttonColumn);
    if (!settings.heading.isEmpty()) {
        m_heading = new QLabel(settings.heading, right);
        m_heading->setAlignment(Qt::AlignCenter);
        QFont font = m_heading->font();
        font.setPointSizeF(font.pointSizeF() * 1.6);
        font.setBold(true);
        m_heading->setFont(font);
        rightLayout->addWidget(m_heading);
    }
    if (!settings.tabs.isEmpty()) {
        m_tabs = new QTabBar(right);
        m_tabs->setAccessibleName(u"列表"_s);
        for (const QString &caption : settings.tabs)
            m_tabs->addTab(caption);
        rightLayout->addWidget(m_tabs);
        connect(m_tabs, &QTabBar::currentChanged, this, &JobListFrame::selectionChanged);
    }
    rightLayout->addWidget(listBox, 1);

    auto *treeBox = new QGroupBox(u"目录树"_s, this);
    auto *treeLayout = new QVBoxLayout(treeBox);
    treeLayout->addWidget(m_tree);

    auto *split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(treeBox);
    split->addWidget(right);
    split->setStretchFactor(1, 1);
    split->setChildrenCollapsible(false);
    // Wide enough for a month under its root, with room to spare.
    m_tree->setMinimumWidth(m_tree->fontMetrics().horizontalAdvance(u"海运出口海运出口"_s) + 2 * m_tree->indentation());
    split->setSizes({treeBox->minimumSizeHint().width() + m_tree->indentation(), 1000});

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 0);
    layout->addWidget(split, 1);
    layout->addWidget(m_status);

    connect(m_tree, &QTreeWidget::itemSelectionChanged, this, &JobListFrame::selectionChanged);
    connect(m_grid, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex &index) {
        if (index.row() >= 1)
            emit rowActivated(index.row());
    });
}

JobListFrame::~JobListFrame() = default;

QString JobListFrame::periodCondition() const
{
    const QString &a = m_settings.filters.alias;
    return u" ("_s + a + u"船期>='"_s + DateText(m_filters->from()) + u"') AND "_s + u"("_s + a + u"船期<='"_s
           + DateText(m_filters->to()) + u"') "_s;
}

QPushButton *JobListFrame::addButton(const QString &caption, std::function<void()> command)
{
    auto *b = new QPushButton(caption, m_buttonColumn);
    b->setObjectName(CaptionName(caption));
    b->setAutoDefault(false);
    b->setMinimumWidth(b->fontMetrics().horizontalAdvance(u"清空条件"_s) + 24);
    addToBar(b);
    connect(b, &QPushButton::clicked, this, std::move(command));
    m_buttons << b;
    return b;
}

void JobListFrame::addToBar(QWidget *widget)
{
    auto *bar = static_cast<QHBoxLayout *>(m_buttonColumn->layout());
    widget->setParent(m_buttonColumn);
    bar->insertWidget(bar->count() - 1, widget);
}

QString JobListFrame::heading() const
{
    return m_heading ? m_heading->text() : QString();
}

void JobListFrame::setHeading(const QString &text)
{
    if (m_heading)
        m_heading->setText(text);
}

int JobListFrame::tab() const
{
    return m_tabs ? m_tabs->currentIndex() : 0;
}

QString JobListFrame::reportTitle() const
{
    if (!m_settings.reportTitle.isEmpty() || (!m_heading && !m_tabs))
        return m_settings.reportTitle;
    return m_heading ? heading() : m_tabs->tabText(m_tabs->currentIndex());
}

QPushButton *JobListFrame::button(const QString &caption) const
{
    for (QPushButton *b : m_buttons) {
        if (b->text() == caption || b->objectName() == caption)
            return b;
    }
    return nullptr;
}

void JobListFrame::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        refresh();
}

void JobListFrame::refresh()
{
    if (m_refreshPosted)
        return;
    m_refreshPosted = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_refreshPosted = false;
            rebuildTree();
        },
        Qt::QueuedConnection);
}

void JobListFrame::showStatus(const QString &text)
{
    if (text.isEmpty())
        m_status->clearMessage();
    else
        m_status->showMessage(text);
    m_status->repaint();
}

void JobListFrame::rebuildTree()
{
    const bool wasListed = m_listed;
    const bool hadMonth = !m_tree->month().isEmpty();
    {
        Busy busy(m_status);
        m_tree->rebuild(m_filters->treeCondition(), [this](const QString &text) { showStatus(text); });
    }
    const bool first = !m_treeBuilt;
    m_treeBuilt = true;
    if (m_tree->months(JobLine::Export).isEmpty() && m_tree->months(JobLine::Import).isEmpty())
        m_status->showMessage(u"没有可以查看的业务"_s);
    if (first && m_settings.openNewestMonth && m_tree->selectedItems().isEmpty()) {
        for (JobLine l : {JobLine::Export, JobLine::Import}) {
            const QStringList months = m_tree->months(l);
            if (!months.isEmpty()) {
                // Months come in the database's order, which need not be by date.
                m_tree->selectMonth(l, *std::max_element(months.begin(), months.end()));
                return;
            }
        }
    }
    // The months were replaced silently. A list that was on show is asked for
    // again, for the line still selected; the list of a month that has gone
    // is emptied, as when its root is chosen.
    if (hadMonth && m_tree->month().isEmpty())
        emptyList();
    else if (wasListed)
        runQuery();
}

void JobListFrame::selectionChanged()
{
    const QString month = m_tree->month();
    if (month.isEmpty()) {
        emptyList();
        return;
    }
    const QDate first = ParseDate(month + u"-01"_s);
    m_filters->setPeriod(MonthStart(first), MonthEnd(first));
    runQuery();
}

void JobListFrame::emptyList()
{
    ClearGridRows(m_grid, 0);
    m_grid->setColCount(1);
    m_listed = false;
    listChanged();
}

void JobListFrame::runQuery()
{
    Busy busy(m_status);
    showStatus(u"正在查询服务器,请稍侯..."_s);
    QString sql;
    ServerConnection *server = nullptr;
    try {
        sql = queryText();
        if (sql.isEmpty())
            return; // the window could not compose it; the list stays
        server = &GetAppServer();
    } catch (const KorvanError &) {
        return; // a box that could not be read, or no connection (its provider has shown why)
    }
    // A connection lost on the way is not caught: the process-wide handler
    // tells the user.
    const QString answer = server->openQuery(sql, QString(), 1);
    if (answer.startsWith(u"Err"_s)) {
        ShowMessage(u"出错: \r"_s + sql + answer.mid(3));
        return;
    }
    showStatus(u"正在处理数据,请稍侯..."_s);
    // The rows are made ready aside and shown in one step: the column names,
    // then the jobs, at least two columns and two rows as TextToGrid gives.
    ResultReader reader = ResultReader::fromAnswer(answer);
    const int columns = reader.columnCount();
    if (columns <= 0)
        return;
    QList<QStringList> rows = reader.rows();
    while (rows.size() < 2)
        rows.append(QStringList());
    for (int column : m_settings.flagColumns)
        FlagsToYesNo(rows, column, u"是"_s, u"否"_s);
    // The database gives "1000.000", "1000" or "0" for the same kind of
    // amount (stored text, computed products): every amount as the windows show it.
    m_settings.columns.showAmounts(rows, 1);
    m_grid->setRows(std::move(rows), qMax(2, columns));
    if (m_settings.totalLabelColumn >= 0)
        AddTotalLine(*m_grid->gridModel(), m_settings.totalLabelColumn, m_settings.columns.amountColumns(columns));
    m_grid->fitColumns();
    m_listed = true;
    listChanged();
}

void JobListFrame::listChanged()
{
    // A new list is in the server's order until a heading is clicked.
    ForgetGridSort(m_grid);
    m_rowCount->setText(m_listed ? u"共 %1 条"_s.arg(ListedRows(m_grid)) : QString());
}

QString JobListFrame::periodText() const
{
    const QDate from = m_filters->from();
    const QDate to = m_filters->to();
    QString text = line() == JobLine::Import ? u"海运进口"_s : u"海运出口"_s;
    if (from.isValid() || to.isValid())
        text += u"  船期: "_s + DateText(from) + u" 至 "_s + DateText(to);
    return text;
}

QString JobListFrame::conditionText() const
{
    QStringList parts;
    for (int b = 0; b < JobListFilters::BoxCount; ++b) {
        const auto box = JobListFilters::Box(b);
        const QWidget *field = m_filters->box(box);
        const QString value = field ? m_filters->text(box).trimmed() : QString();
        if (!value.isEmpty())
            parts << field->accessibleName() + u": "_s + value;
    }
    return parts.isEmpty() ? QString() : u"条件: "_s + parts.join(u"  "_s);
}

void JobListFrame::AddTotalLine(StringGridModel &grid, int labelColumn, const QList<int> &columns)
{
    AddGridRowIfFilled(grid);
    const int last = grid.rowCount() - 1;
    grid.setCell(last, labelColumn, u"TOTAL:"_s);
    for (int column : columns) {
        Amount sum;
        for (int r = 1; r < last; ++r)
            sum += ParseAmount(grid.cell(r, column));
        grid.setCell(last, column, ScaledToGroupedText(sum));
    }
}

void JobListFrame::clearConditions()
{
    m_filters->clear();
}

QString JobListFrame::reportText() const
{
    return ListReportText(reportTitle(), m_grid, periodText(), conditionText());
}

void JobListFrame::print()
{
    PrintList(this, reportTitle(), m_grid, periodText(), conditionText());
}

QString JobListFrame::ListReportText(const QString &title, const StringGrid *grid, const QString &period,
                                     const QString &conditions)
{
    QString text = InfoText(1) + FieldSep + title + FieldSep;
    // Six header texts: the period first, the print time third, the
    // conditions on the second line.
    text += period + FieldSep + FieldSep + u"打印时间:"_s + InfoText(2) + FieldSep + conditions + FieldSep + FieldSep
            + FieldSep;
    return text + GridToText(grid, 0, 1) + CellSep + FieldSep;
}

void JobListFrame::PrintList(QWidget *parent, const QString &title, const StringGrid *grid, const QString &period,
                             const QString &conditions)
{
    const QString text = ListReportText(title, grid, period, conditions);
    TPntMainFrm window(parent);
    if (window.Load(text, grid->listColumns()))
        window.exec();
}
