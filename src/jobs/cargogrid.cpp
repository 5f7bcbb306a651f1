#include "cargogrid.h"

#include "captionname.h"
#include "focushighlighter.h"
#include "gridops.h"
#include "korvanerror.h"
#include "queryhelpers.h"
#include "radiogroup.h"
#include "serverconnection.h"
#include "stringgrid.h"
#include "stringgridmodel.h"
#include "tagbinding.h"
#include "values.h"

#include <QApplication>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;
using namespace CommFunU;

QStringList CargoGrid::tableColumns()
{
    return {u"箱类型"_s, u"集装箱号封号"_s, u"件数"_s, u"毛重"_s, u"尺码"_s};
}

QStringList CargoGrid::headings()
{
    return {u"箱类型"_s, u"集装箱号/封号"_s, u"件数"_s, u"毛重(KGS)"_s, u"尺码(CBM)"_s};
}

CargoGrid::CargoGrid(const CargoGridSettings &settings, QWidget *parent)
    : QWidget(parent)
    , m_settings(settings)
    , m_grid(new StringGrid(this))
    , m_sizes(new RadioGroup(u"箱型"_s, settings.sizes, this))
    , m_kinds(new RadioGroup(u"箱类"_s, settings.kinds, this))
    , m_count(new QLineEdit(this))
    , m_deleteRow(new QPushButton(settings.deleteRowCaption, this))
    , m_clear(new QPushButton(settings.clearCaption, this))
    , m_below(new QGridLayout)
{
    m_grid->setObjectName(u"sg_JZX"_s);
    NameByCaption(m_grid, u"货物明细"_s);
    m_grid->setColCount(Columns);
    m_grid->setHeadingRow(true);
    m_grid->setEditable(true);
    m_grid->setTabKeyNavigation(false);
    m_grid->horizontalHeader()->setStretchLastSection(true);
    const QFontMetrics metrics(m_grid->font());
    const int widths[Columns] = {12, 26, 10, 14, 14};
    for (int c = 0; c < Columns; ++c)
        m_grid->setColumnWidth(c, metrics.averageCharWidth() * widths[c] + 12);
    m_grid->setMinimumHeight(m_grid->verticalHeader()->defaultSectionSize() * 8);
    m_grid->setKeyHandler([this](QKeyEvent *event) { return gridKey(event); });
    connect(m_grid->gridModel(), &StringGridModel::cellEdited, this, &CargoGrid::edited);

    m_sizes->setAccessibleName(u"箱型"_s);
    m_kinds->setAccessibleName(u"箱类"_s);
    m_sizes->setColumns(qMin(4, int(settings.sizes.size())));
    m_kinds->setColumns(3);
    m_sizes->setItemIndex(0);
    m_kinds->setItemIndex(0);
    m_count->setObjectName(u"新增箱数"_s);
    m_count->setText(u"0"_s);
    m_count->setMaximumWidth(metrics.averageCharWidth() * 10);
    SetHint(m_count, u"ZXXZ"_s);
    NameByCaption(m_count, u"新增箱数"_s);
    FocusHighlighter::watch(m_count);
    m_count->installEventFilter(this);
    m_grid->installEventFilter(this);
    connect(m_deleteRow, &QPushButton::clicked, this, &CargoGrid::deleteCurrentRow);
    connect(m_clear, &QPushButton::clicked, this, &CargoGrid::clearRows);

    auto *countLabel = new QLabel(u"新增箱数(&N)"_s, this);
    countLabel->setBuddy(m_count);
    auto *countRow = new QHBoxLayout;
    countRow->addWidget(countLabel);
    countRow->addWidget(m_count);
    countRow->addStretch(1);

    auto *pickers = new QVBoxLayout;
    pickers->addWidget(m_sizes);
    pickers->addWidget(m_kinds);
    pickers->addLayout(countRow);
    pickers->addSpacing(8);
    pickers->addWidget(m_deleteRow);
    pickers->addWidget(m_clear);
    pickers->addStretch(1);

    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_grid, 0, 0);
    layout->addLayout(pickers, 0, 1);
    layout->addLayout(m_below, 1, 0, 1, 2);
    layout->setColumnStretch(0, 1);
    layout->setRowStretch(0, 1);

    // The pickers come before the grid: pick, type the count, Enter, then
    // fill in the container numbers.
    setTabOrder(m_sizes, m_kinds);
    setTabOrder(m_kinds, m_count);
    setTabOrder(m_count, m_grid);
    reset();
}

CargoGrid::~CargoGrid() = default;

void CargoGrid::addFieldBelow(QLabel *label, QWidget *field)
{
    const int row = m_below->rowCount();
    if (label)
        m_below->addWidget(label, row, 0);
    m_below->addWidget(field, row, 1);
    m_below->setColumnStretch(1, 1);
}

// --- contents -----------------------------------------------------------------

void CargoGrid::reset()
{
    m_grid->setRows({headings(), QStringList()}, Columns);
}

bool CargoGrid::isBlank() const
{
    for (int r = 1; r < m_grid->rowCount(); ++r) {
        for (const QString &cell : m_grid->rowCells(r)) {
            if (!cell.trimmed().isEmpty())
                return false;
        }
    }
    return true;
}

bool CargoGrid::firstTypeBlank() const
{
    return m_grid->cell(1, 0).trimmed().isEmpty();
}

int CargoGrid::cargoRowCount() const
{
    return qMax(0, m_grid->rowCount() - 1);
}

QList<QStringList> CargoGrid::cargoRows() const
{
    const QList<QStringList> &all = m_grid->gridModel()->allRows();
    return all.mid(1);
}

QList<QStringList> CargoGrid::gridRowsOf(const QList<QStringList> &cargoRows)
{
    QList<QStringList> all;
    all.reserve(cargoRows.size() + 1);
    all << headings() << cargoRows;
    if (cargoRows.isEmpty())
        all << QStringList();
    return all;
}

void CargoGrid::setCargoRows(const QList<QStringList> &rows)
{
    m_grid->setRows(gridRowsOf(rows), Columns);
}

QList<QStringList> CargoGrid::allRows() const
{
    return m_grid->gridModel()->allRows();
}

void CargoGrid::setAllRows(const QList<QStringList> &rows)
{
    if (rows.size() < 2) {
        setCargoRows(rows.mid(1));
        return;
    }
    m_grid->setRows(rows, Columns);
}

QString CargoGrid::containerSummary() const
{
    return summaryOf(cargoRows());
}

QString CargoGrid::summaryOf(const QList<QStringList> &cargoRows)
{
    const bool blank = std::all_of(cargoRows.begin(), cargoRows.end(), [](const QStringList &row) {
        return std::all_of(row.begin(), row.end(), [](const QString &cell) { return cell.trimmed().isEmpty(); });
    });
    if (blank)
        return QString();
    QStringList types;
    QList<int> counts;
    for (const QStringList &row : cargoRows) {
        const QString type = row.value(0).trimmed();
        qsizetype at = 0;
        while (at < types.size() && types.at(at).compare(type, Qt::CaseInsensitive) != 0)
            ++at;
        if (at == types.size()) {
            types << type;
            counts << 0;
        }
        ++counts[at];
    }
    QStringList parts;
    for (qsizetype i = 0; i < types.size(); ++i)
        parts << types.at(i) + u'*' + QString::number(counts.at(i));
    return parts.join(u" & "_s);
}

QString CargoGrid::pickedType() const
{
    const auto picked = [](const RadioGroup *group) {
        const int index = group->itemIndex();
        return index >= 0 ? group->items().at(index) : QString();
    };
    return picked(m_sizes) + picked(m_kinds);
}

void CargoGrid::refuseCell(int row, int column, const QString &text)
{
    ShowMessage(u"输入有误:"_s + text);
    m_grid->setFocus();
    m_grid->setCurrentCell(row, column);
}

bool CargoGrid::normaliseRows(int *rowsPassed)
{
    *rowsPassed = 0;
    for (int r = 1; r < m_grid->rowCount(); ++r) {
        int column = 2;
        try {
            const QString pieces = DigitsOnly(m_grid->cell(r, 2));
            bool isInteger = false;
            pieces.toInt(&isInteger);
            if (!isInteger)
                throw KorvanError(u"'"_s + pieces + u"' 不是有效的整数值"_s);
            if (pieces != m_grid->cell(r, 2))
                m_grid->setCell(r, 2, pieces);
            for (column = 3; column <= 4; ++column) {
                const QString amount = NormalizeAmount(m_grid->cell(r, column));
                if (amount != m_grid->cell(r, column))
                    m_grid->setCell(r, column, amount);
            }
        } catch (const KorvanError &error) {
            refuseCell(r, column, error.message());
            return false;
        }
        ++*rowsPassed;
    }
    return true;
}

// --- the user's commands ------------------------------------------------------

void CargoGrid::validate()
{
    if (m_validator)
        m_validator();
}

void CargoGrid::addContainers()
{
    bool isNumber = false;
    int count = m_count->text().trimmed().toInt(&isNumber);
    if (!isNumber || count > MaxNewContainers)
        count = 0;
    m_count->setText(QString::number(count));
    const QString type = pickedType();
    for (int i = 0; i < count; ++i) {
        AddGridRowIfFilled(m_grid);
        m_grid->setCell(m_grid->rowCount() - 1, 0, type);
    }
    if (count > 0)
        emit edited();
    validate();
}

void CargoGrid::deleteCurrentRow()
{
    const int row = qMax(1, m_grid->selectionTopRow());
    DeleteGridRow(m_grid, row);
    if (m_settings.rowButtonsEdit)
        emit edited();
    validate();
}

void CargoGrid::clearRows()
{
    ClearGridRows(m_grid, 1);
    if (m_settings.rowButtonsEdit)
        emit edited();
    validate();
}

bool CargoGrid::gridKey(QKeyEvent *event)
{
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        m_grid->commitEditor();
        const int row = m_grid->currentRow();
        const int column = m_grid->currentCol();
        if (!m_validator || m_validator()) {
            // One cell on: along the row, then to the first column of the
            // next row, and from the last row back to the first cargo row.
            int nextRow = row;
            int nextColumn = column + 1;
            if (nextColumn >= Columns) {
                nextColumn = 0;
                nextRow = row + 1 < m_grid->rowCount() ? row + 1 : 1;
            }
            m_grid->setCurrentCell(qMax(1, nextRow), nextColumn);
        }
        return true;
    }
    // Every key that types or erases is an edit of the cargo.
    if (!event->text().isEmpty() || key == Qt::Key_Backspace || key == Qt::Key_Delete)
        emit edited();
    return false;
}

bool CargoGrid::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_count && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            addContainers();
            return true;
        }
    }
    if (watched == m_grid && event->type() == QEvent::FocusOut) {
        // The cell editor is part of the grid: opening it leaves nothing.
        QWidget *next = QApplication::focusWidget();
        const bool left = !next || !m_grid->isAncestorOf(next);
        if (left && m_settings.validateOnLeave)
            validate();
        // Tab out of the grid goes back to the top of the page.
        if (left && static_cast<QFocusEvent *>(event)->reason() == Qt::TabFocusReason)
            emit tabbedOut();
    }
    return QWidget::eventFilter(watched, event);
}

// --- the cargo table ----------------------------------------------------------

QString CargoGrid::selectStatement(const QString &table, const QString &number)
{
    return u"select  "_s + tableColumns().join(u',') + u"  from "_s + table + u" where 业务编号='"_s
           + QuoteValue(number) + u'\'';
}

QString CargoGrid::saveRows(ServerConnection &server, const QString &table, const QString &number) const
{
    const QString key = QuoteValue(number);
    const QString removal = u"delete from "_s + table + u" where 业务编号='"_s + key + u'\'';
    QString answer = server.execSql(removal, QString());
    // A refused delete stops here: inserting would double the rows.
    if (answer.startsWith(u"Err"_s))
        return u"出错: \r"_s + removal + u"\r"_s + answer.mid(3);
    if (isBlank())
        return QString();
    for (int r = 1; r < m_grid->rowCount(); ++r) {
        // The type travels as the parameter: it holds an apostrophe (20'GP).
        QString sql = u"insert into "_s + table + u" values('"_s + key + u"',:p1"_s;
        for (int c = 1; c < Columns; ++c)
            sql += u",'"_s + QuoteValue(m_grid->cell(r, c).trimmed()) + u'\'';
        sql += u')';
        answer = server.execSql(sql, m_grid->cell(r, 0).trimmed());
        if (answer.startsWith(u"Err"_s))
            return u"出错: \r"_s + sql + u"\r"_s + answer.mid(3);
    }
    return QString();
}
