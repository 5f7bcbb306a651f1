#include "stringgrid.h"

#include "listcolumns.h"
#include "stringgridmodel.h"

#include <QApplication>
#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QKeyEvent>
#include <QStyle>
#include <QStyledItemDelegate>

#include <algorithm>

// Hands every cell editor to the grid, so that the window's key handler sees
// the keys typed while a cell is being edited.
class StringGridDelegate final : public QStyledItemDelegate
{
public:
    explicit StringGridDelegate(StringGrid *grid) : QStyledItemDelegate(grid), m_grid(grid) {}

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override
    {
        QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (editor)
            m_grid->watchEditor(editor);
        return editor;
    }

    // Cells hold plain text on one line: painted directly, without the text
    // layout the style builds for every cell, which makes a long list paint
    // several times faster.
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const QPalette::ColorGroup group = !(option.state & QStyle::State_Enabled) ? QPalette::Disabled
                                           : (option.state & QStyle::State_Active) ? QPalette::Active
                                                                                   : QPalette::Inactive;
        const bool selected = option.state & QStyle::State_Selected;
        if (selected)
            painter->fillRect(option.rect, option.palette.brush(group, QPalette::Highlight));
        const QString text = m_grid->cell(index.row(), index.column());
        if (!text.isEmpty()) {
            const QWidget *view = option.widget;
            const int margin = (view ? view->style() : QApplication::style())
                                   ->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
            const QRect area = option.rect.adjusted(margin, 0, -margin, 0);
            QString shown = text;
            shown.replace(u'\n', u' ').replace(u'\r', u' ');
            if (option.fontMetrics.horizontalAdvance(shown) > area.width())
                shown = option.fontMetrics.elidedText(shown, Qt::ElideRight, area.width());
            painter->save();
            painter->setFont(option.font);
            painter->setPen(option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
            const Qt::Alignment align = m_grid->listColumns().alignment(index.column());
            painter->drawText(area, int(align) | Qt::TextSingleLine, shown);
            painter->restore();
        }
        if (option.state & QStyle::State_HasFocus) {
            QStyleOptionFocusRect focus;
            focus.QStyleOption::operator=(option);
            focus.backgroundColor = option.palette.color(group, selected ? QPalette::Highlight : QPalette::Base);
            const QWidget *view = option.widget;
            (view ? view->style() : QApplication::style())->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, view);
        }
    }

private:
    StringGrid *m_grid;
};

StringGrid::StringGrid(QWidget *parent)
    : QTableView(parent)
    , m_model(new StringGridModel(this))
{
    setModel(m_model);
    setItemDelegate(new StringGridDelegate(this));
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    horizontalHeader()->hide();
    horizontalHeader()->setHighlightSections(false);
    connect(m_model, &StringGridModel::cellEdited, this, &StringGrid::cellEdited);
    connect(m_model, &StringGridModel::contentsChanged, this, &StringGrid::contentsChanged);
    // Hidden sections are forgotten when rows come and go: hide row 0 again.
    connect(m_model, &QAbstractItemModel::modelReset, this, &StringGrid::applyHeadingRow);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &StringGrid::applyHeadingRow);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &StringGrid::applyHeadingRow);
}

StringGrid::~StringGrid() = default;

int StringGrid::rowCount() const
{
    return m_model->rowCount();
}

void StringGrid::setRowCount(int rows)
{
    m_model->setRowCount(rows);
}

int StringGrid::colCount() const
{
    return m_model->columnCount();
}

void StringGrid::setColCount(int columns)
{
    m_model->setColumnCount(columns);
}

QString StringGrid::cell(int row, int column) const
{
    return m_model->cell(row, column);
}

void StringGrid::setCell(int row, int column, const QString &text)
{
    m_model->setCell(row, column, text);
}

QStringList StringGrid::rowCells(int row) const
{
    return m_model->rowCells(row);
}

void StringGrid::setRowCells(int row, const QStringList &cells)
{
    m_model->setRowCells(row, cells);
}

void StringGrid::setRows(QList<QStringList> rows, int columns)
{
    m_model->setRows(std::move(rows), columns);
}

void StringGrid::setHeadings(const QStringList &captions)
{
    if (colCount() < captions.size())
        setColCount(int(captions.size()));
    if (rowCount() < 1)
        setRowCount(1);
    m_model->setRowCells(0, captions);
}

void StringGrid::setListColumns(const ListColumns &columns)
{
    m_model->setListColumns(columns);
}

const ListColumns &StringGrid::listColumns() const
{
    return m_model->listColumns();
}

void StringGrid::setHeadingRow(bool heading)
{
    m_model->setHeadingRow(heading);
    horizontalHeader()->setVisible(heading);
    applyHeadingRow();
}

bool StringGrid::hasHeadingRow() const
{
    return m_model->hasHeadingRow();
}

void StringGrid::setEditable(bool editable)
{
    m_model->setEditable(editable);
    setEditTriggers(editable ? QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                                   | QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked
                             : QAbstractItemView::NoEditTriggers);
}

bool StringGrid::isEditable() const
{
    return m_model->isEditable();
}

void StringGrid::setRowSelect(bool wholeRows)
{
    setSelectionBehavior(wholeRows ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
    setSelectionMode(wholeRows ? QAbstractItemView::SingleSelection : QAbstractItemView::ContiguousSelection);
}

int StringGrid::firstBodyRow() const
{
    return hasHeadingRow() ? 1 : 0;
}

int StringGrid::currentRow() const
{
    const QModelIndex at = currentIndex();
    if (at.isValid())
        return at.row();
    return qMin(firstBodyRow(), rowCount() - 1);
}

int StringGrid::currentCol() const
{
    const QModelIndex at = currentIndex();
    return at.isValid() ? at.column() : (colCount() > 0 ? 0 : -1);
}

void StringGrid::setCurrentCell(int row, int column)
{
    const QModelIndex at = m_model->index(row, column);
    if (at.isValid())
        setCurrentIndex(at);
}

int StringGrid::selectionTopRow() const
{
    int top = -1;
    if (selectionModel()) {
        for (const QItemSelectionRange &range : selectionModel()->selection()) {
            if (top < 0 || range.top() < top)
                top = range.top();
        }
    }
    return top >= 0 ? top : currentRow();
}

void StringGrid::fitColumns()
{
    const int columns = colCount();
    if (columns < 1)
        return;
    // Measuring every cell costs too much for long lists: the widest texts
    // are found by their length (a wide, CJK, character counting two) and
    // only the few longest of each column are measured.
    constexpr int Measured = 4;
    const QList<QStringList> &rows = m_model->allRows();
    const int firstRow = firstBodyRow();
    QList<QList<std::pair<int, int>>> longest(columns); // (length, row), longest first
    for (int r = firstRow; r < rows.size(); ++r) {
        const QStringList &row = rows.at(r);
        for (int c = 0; c < columns; ++c) {
            int length = 0;
            for (const QChar ch : row.at(c))
                length += ch.unicode() >= 0x2E80 ? 2 : 1;
            QList<std::pair<int, int>> &best = longest[c];
            if (best.size() == Measured && length <= best.last().first)
                continue;
            auto at = std::find_if(best.begin(), best.end(), [length](const auto &e) { return e.first < length; });
            best.insert(at, {length, r});
            if (best.size() > Measured)
                best.removeLast();
        }
    }

    const QFontMetrics cellMetrics(font());
    const QFontMetrics captionMetrics(horizontalHeader()->font());
    const int margin = 2 * style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, this);
    const int padding = fontMetrics().height();
    QList<int> widths;
    int total = 0;
    for (int c = 0; c < columns; ++c) {
        int width = hasHeadingRow() ? captionMetrics.horizontalAdvance(cell(0, c)) : 0;
        for (const auto &[length, row] : std::as_const(longest[c])) {
            Q_UNUSED(length)
            width = qMax(width, cellMetrics.horizontalAdvance(rows.at(row).at(c)));
        }
        widths.append(width + margin + padding);
        total += widths.last();
    }
    // A long list is about to get its vertical scroll bar: its width is not
    // shared out, or the last column would run under it.
    int room = viewport()->width();
    const int bodyRows = rowCount() - firstBodyRow();
    if (!verticalScrollBar()->isVisible() && bodyRows * verticalHeader()->defaultSectionSize() > viewport()->height())
        room -= style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, verticalScrollBar());
    const int spare = room - total;
    if (spare > 0) {
        for (int c = 0; c < columns; ++c)
            widths[c] += spare / columns + (c == columns - 1 ? spare % columns : 0);
    }
    for (int c = 0; c < columns; ++c)
        setColumnWidth(c, widths.at(c));
}

void StringGrid::commitEditor()
{
    if (m_editor && state() == QAbstractItemView::EditingState) {
        QWidget *editor = m_editor;
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void StringGrid::keyPressEvent(QKeyEvent *event)
{
    if (m_keyHandler && m_keyHandler(event))
        return;
    QTableView::keyPressEvent(event);
}

bool StringGrid::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_editor && event->type() == QEvent::KeyPress && m_keyHandler) {
        if (m_keyHandler(static_cast<QKeyEvent *>(event)))
            return true;
    }
    return QTableView::eventFilter(watched, event);
}

void StringGrid::applyHeadingRow()
{
    if (rowCount() > 0)
        setRowHidden(0, hasHeadingRow());
}

void StringGrid::watchEditor(QWidget *editor)
{
    m_editor = editor;
    editor->installEventFilter(this);
    connect(editor, &QObject::destroyed, this, [this, editor] {
        if (m_editor == editor)
            m_editor = nullptr;
    });
}
