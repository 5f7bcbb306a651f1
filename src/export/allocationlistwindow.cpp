#include "allocationlistwindow.h"

#include "boundform.h"
#include "dropdowncombo.h"
#include "gridops.h"
#include "gridsort.h"
#include "joblistframe.h"
#include "korvanerror.h"
#include "messageservice.h"
#include "queryhelpers.h"
#include "serverconnection.h"
#include "stringgrid.h"
#include "values.h"

#include <QAction>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QStatusBar>
#include <QLineEdit>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;
using namespace CommFunU;

namespace {

enum Tag { UnitTag = 10, ContainerTag = 20, EntryDateTag = 30 };

// What tells the three lists apart. The unit goes, quoted, between head and
// tail of the query.
struct ListKind {
    AllocationListWindow::Kind kind;
    const char16_t *caption;     // the window's title
    const char16_t *unitCaption; // the unit box's caption
    const char16_t *role;        // the column of 单位 that marks a unit of this kind
    const char16_t *startTitle;  // the list's title before a unit is chosen
    const char16_t *unitTitle;   // … and after the unit's name
    const char16_t *head;
    const char16_t *tail;
};

const ListKind listKinds[] = {
    {AllocationListWindow::Kind::Trucking, u"车队分配(出口)", u"车队名称", u"车队", u"装 箱 明 细 单",
     u"装 箱 明 细 单",
     u"select 业务编号,船名,航次,提单号,目的港,货名,件数,毛重,尺码,箱型箱量,装箱仓库地址,装箱仓库联系人,"
     u"装箱仓库联系电话,装箱入仓日期  from 货运出口基本信息 where ( 车队='",
     u"') AND ( 做箱情况 = '0' ) "},
    {AllocationListWindow::Kind::InnerLoading, u"内装箱分配(出口)", u"仓库名称", u"仓库", u"内 装 箱 分 配",
     u"内装箱分配",
     u"select 业务编号,船名,航次,提单号,目的港,货名,件数,毛重,尺码,箱型箱量,装箱入仓日期  from 货运出口基本信息 "
     u"where ( 仓库='",
     u"') AND ( 做箱情况 = '0' ) "},
    {AllocationListWindow::Kind::Lcl, u"拼箱分配(出口)", u"仓库名称", u"仓库", u"拼 箱 分 配", u"内装箱分配",
     u"select b.集装箱号封号 as [集装箱号/封号],a.船名,a.航次,a.提单号,a.目的港,a.货名,a.件数,a.毛重,a.尺码  "
     u"from 货运出口基本信息 a ,货运出口货物明细 b where (a.业务编号 = b.业务编号)  AND ( a.仓库='",
     u"') AND ( a.做箱情况 = '0' ) "},
};

const ListKind &listKind(AllocationListWindow::Kind kind)
{
    for (const ListKind &k : listKinds) {
        if (k.kind == kind)
            return k;
    }
    return listKinds[0];
}

QString text(const char16_t *value)
{
    return QString::fromUtf16(value);
}

FormTable selectionFields(const ListKind &k)
{
    FormTable table{Field::group(QString()).withColumns(3), Field::combo(UnitTag, text(k.unitCaption))};
    if (k.kind == AllocationListWindow::Kind::Lcl)
        table << Field::edit(ContainerTag, u"箱号/封号:"_s) << Field::date(EntryDateTag, u"进仓日期:"_s);
    return table;
}

} // namespace

AllocationListWindow::AllocationListWindow(Kind kind, QWidget *parent)
    : QDialog(parent)
    , m_kind(kind)
    , m_form(new BoundForm(this))
    , m_toolBar(new QToolBar(this))
    , m_title(new QLabel(this))
    , m_grid(new StringGrid(this))
    , m_status(new QStatusBar(this))
    , m_rowCount(new QLabel(this))
{
    const ListKind &k = listKind(kind);
    setWindowTitle(text(k.caption));
    auto *layout = new QVBoxLayout(this);

    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    const std::pair<QString, void (AllocationListWindow::*)()> commands[] = {
        {u"打印(&P)"_s, &AllocationListWindow::Print},
        {u"查询"_s, &AllocationListWindow::Query},
        {u"删除"_s, &AllocationListWindow::RemoveRow},
        {u"返回"_s, nullptr},
    };
    for (const auto &[caption, command] : commands) {
        QAction *action = m_toolBar->addAction(caption);
        if (command)
            connect(action, &QAction::triggered, this, command);
        else
            connect(action, &QAction::triggered, this, &QDialog::reject);
    }
    layout->addWidget(m_toolBar);

    // The selection band: the unit (and the LCL filters) beside the title.
    auto *band = new QHBoxLayout;
    auto *fields = new QWidget(this);
    fields->setLayout(new QVBoxLayout);
    fields->layout()->setContentsMargins(0, 0, 0, 0);
    m_form->build(selectionFields(k), fields);
    band->addWidget(fields);
    QFont bold = m_title->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.5);
    m_title->setFont(bold);
    m_title->setText(text(k.startTitle));
    m_title->setAlignment(Qt::AlignCenter);
    band->addWidget(m_title, 1);
    layout->addLayout(band);

    m_grid->setEditable(false);
    m_grid->setRowSelect(true);
    m_grid->setHeadingRow(true);
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_grid->setAccessibleName(text(k.caption));
    SortOnHeadingClick(m_grid);
    layout->addWidget(m_grid, 1);
    m_status->setSizeGripEnabled(false);
    m_rowCount->setAccessibleName(u"行数"_s);
    m_status->addPermanentWidget(m_rowCount);
    layout->addWidget(m_status);

    auto *unit = static_cast<DropDownCombo *>(unitBox());
    // Wide enough for the longest short names of fleets and warehouses.
    unit->setMinimumContentsLength(14);
    unit->installEventFilter(this);
    connect(unit, &DropDownCombo::aboutToDropDown, this, [this, k] {
        if (unitBox()->count() == 0)
            fillUnits(u"SELECT 简称 FROM 单位 WHERE "_s + text(k.role) + u"='1'"_s);
    });
    connect(unit, &QComboBox::currentTextChanged, this, &AllocationListWindow::followUnit);
    if (QDateTimeEdit *date = entryDate())
        date->setDate(QDate::currentDate());
    resize(1100, 600);
}

AllocationListWindow::~AllocationListWindow() = default;

QComboBox *AllocationListWindow::unitBox() const
{
    return m_form->combo(UnitTag);
}

QLineEdit *AllocationListWindow::containerBox() const
{
    return m_form->edit(ContainerTag);
}

QDateTimeEdit *AllocationListWindow::entryDate() const
{
    return m_form->picker(EntryDateTag);
}

void AllocationListWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The units are read once the window is on screen.
    if (m_unitsRead)
        return;
    m_unitsRead = true;
    const QString role = text(listKind(m_kind).role);
    QMetaObject::invokeMethod(
        this, [this, role] { fillUnits(u"select distinct 简称 from 单位 where "_s + role + u" = '1'"_s); },
        Qt::QueuedConnection);
}

void AllocationListWindow::fillUnits(const QString &sql)
{
    std::optional<ResultReader> units = OpenQueryStep(sql);
    if (!units)
        return;
    QStringList names;
    while (!units->atEnd())
        names << units->next();
    DropDownCombo::ReplaceItems(unitBox(), names);
}

void AllocationListWindow::lookUpUnit()
{
    // A unit's code gives its short name; a short name picked from the list
    // stays; anything else leaves the box empty.
    QComboBox *box = unitBox();
    const QString typed = box->currentText();
    QString found = LookupValue(typed, u"单位"_s, u"缩写代码"_s, u"简称"_s);
    if (found.isEmpty() && box->findText(typed, Qt::MatchExactly | Qt::MatchCaseSensitive) >= 0)
        found = typed;
    box->setCurrentIndex(int(box->findText(found, Qt::MatchExactly | Qt::MatchCaseSensitive)));
    box->setEditText(found);
}

void AllocationListWindow::followUnit(const QString &unit)
{
    const ListKind &k = listKind(m_kind);
    m_title->setText(unit.isEmpty() ? text(k.startTitle) : unit + text(k.unitTitle));
}

bool AllocationListWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == unitBox() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            lookUpUnit();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

QString AllocationListWindow::QueryText() const
{
    const ListKind &k = listKind(m_kind);
    QString sql = text(k.head) + QuoteValue(unitBox()->currentText()) + text(k.tail);
    if (m_kind == Kind::Lcl) {
        sql += u" AND (a.装箱入仓日期='"_s + DateText(entryDate()->date()) + u"')"_s;
        if (!containerBox()->text().isEmpty())
            sql += u" AND ( b.集装箱号封号='"_s + QuoteValue(containerBox()->text()) + u"')"_s;
    }
    return sql;
}

void AllocationListWindow::Query()
{
    const QString sql = QueryText();
    ServerConnection *server = nullptr;
    try {
        server = &GetAppServer();
    } catch (const KorvanError &) {
        return; // the provider has said why
    }
    const QString answer = server->openQuery(sql, QString(), 1);
    if (!AnswerToGrid(answer, m_grid, 0)) {
        // The list keeps what it showed.
        ReportOutcome(0, answer, sql);
        return;
    }
    m_grid->fitColumns();
    ForgetGridSort(m_grid);
    showRowCount();
}

void AllocationListWindow::showRowCount()
{
    m_rowCount->setText(u"共 %1 条"_s.arg(ListedRows(m_grid)));
}

void AllocationListWindow::RemoveRow()
{
    const QModelIndex at = m_grid->currentIndex();
    const int row = at.isValid() ? at.row() : -1;
    const QStringList cells = row >= 1 ? m_grid->rowCells(row) : QStringList();
    const bool listed = std::any_of(cells.begin(), cells.end(), [](const QString &c) { return !c.trimmed().isEmpty(); });
    if (!listed)
        return;
    if (MessageService::ask(u"提示"_s, u"是否要删除当前数据？"_s, MessageService::Yes | MessageService::No,
                            MessageService::Icon::Warning)
        == MessageService::Yes) {
        DeleteGridRow(m_grid, row);
        showRowCount();
    }
}

QString AllocationListWindow::ReportText() const
{
    return JobListFrame::ListReportText(m_title->text(), m_grid);
}

void AllocationListWindow::Print()
{
    JobListFrame::PrintList(this, m_title->text(), m_grid);
}
