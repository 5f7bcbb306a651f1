#include "stringgridmodel.h"

StringGridModel::StringGridModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

int StringGridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int StringGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_columns;
}

QVariant StringGridModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return QVariant();
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return m_rows.at(index.row()).at(index.column());
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(m_listColumns.alignment(index.column()));
    return QVariant();
}

bool StringGridModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole
        || !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return false;
    const QString text = value.toString();
    if (m_rows.at(index.row()).at(index.column()) == text)
        return true;
    setCell(index.row(), index.column(), text);
    emit cellEdited(index.row(), index.column());
    return true;
}

Qt::ItemFlags StringGridModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (m_editable && !(m_headingRow && index.row() == 0))
        f |= Qt::ItemIsEditable;
    return f;
}

QVariant StringGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= m_columns)
            return QVariant();
        if (m_headingRow)
            return cell(0, section);
        return QString::number(section + 1);
    }
    if (section < 0 || section >= m_rows.size())
        return QVariant();
    return QString::number(section);
}

QString StringGridModel::cell(int row, int column) const
{
    if (row < 0 || row >= m_rows.size() || column < 0 || column >= m_columns)
        return QString();
    return m_rows.at(row).at(column);
}

void StringGridModel::setCell(int row, int column, const QString &text)
{
    if (row < 0 || row >= m_rows.size() || column < 0 || column >= m_columns)
        return;
    QString &target = m_rows[row][column];
    if (target == text)
        return;
    target = text;
    const QModelIndex at = index(row, column);
    emit dataChanged(at, at, {Qt::DisplayRole, Qt::EditRole});
    if (m_headingRow && row == 0)
        emit headerDataChanged(Qt::Horizontal, column, column);
    emit contentsChanged();
}

QStringList StringGridModel::rowCells(int row) const
{
    if (row < 0 || row >= m_rows.size())
        return QStringList();
    return m_rows.at(row);
}

void StringGridModel::setRowCells(int row, const QStringList &cells)
{
    if (row < 0 || row >= m_rows.size() || m_columns == 0)
        return;
    QStringList line = cells;
    line.resize(m_columns);
    if (m_rows.at(row) == line)
        return;
    m_rows[row] = std::move(line);
    emit dataChanged(index(row, 0), index(row, m_columns - 1), {Qt::DisplayRole, Qt::EditRole});
    if (m_headingRow && row == 0)
        emit headerDataChanged(Qt::Horizontal, 0, m_columns - 1);
    emit contentsChanged();
}

void StringGridModel::setRowCount(int rows)
{
    rows = qMax(0, rows);
    const int now = int(m_rows.size());
    if (rows == now)
        return;
    if (rows > now) {
        beginInsertRows(QModelIndex(), now, rows - 1);
        QStringList empty;
        empty.resize(m_columns);
        m_rows.reserve(rows);
        for (int r = now; r < rows; ++r)
            m_rows.append(empty);
        endInsertRows();
    } else {
        beginRemoveRows(QModelIndex(), rows, now - 1);
        m_rows.resize(rows);
        endRemoveRows();
        if (m_headingRow && rows == 0 && m_columns > 0)
            emit headerDataChanged(Qt::Horizontal, 0, m_columns - 1);
    }
    emit contentsChanged();
}

void StringGridModel::setColumnCount(int columns)
{
    columns = qMax(0, columns);
    if (columns == m_columns)
        return;
    if (columns > m_columns)
        beginInsertColumns(QModelIndex(), m_columns, columns - 1);
    else
        beginRemoveColumns(QModelIndex(), columns, m_columns - 1);
    for (QStringList &row : m_rows)
        row.resize(columns);
    const bool grew = columns > m_columns;
    m_columns = columns;
    if (grew)
        endInsertColumns();
    else
        endRemoveColumns();
    emit contentsChanged();
}

void StringGridModel::setRows(QList<QStringList> rows, int columns)
{
    beginResetModel();
    m_columns = qMax(0, columns);
    for (QStringList &row : rows) {
        if (row.size() != m_columns)
            row.resize(m_columns);
    }
    m_rows = std::move(rows);
    endResetModel();
    emit contentsChanged();
}

void StringGridModel::removeGridRow(int row)
{
    if (row < 0 || row >= m_rows.size())
        return;
    beginRemoveRows(QModelIndex(), row, row);
    m_rows.removeAt(row);
    endRemoveRows();
    if (m_headingRow && row == 0 && m_columns > 0)
        emit headerDataChanged(Qt::Horizontal, 0, m_columns - 1);
    emit contentsChanged();
}

void StringGridModel::setEditable(bool editable)
{
    if (m_editable == editable)
        return;
    m_editable = editable;
    if (!m_rows.isEmpty() && m_columns > 0)
        emit dataChanged(index(0, 0), index(int(m_rows.size()) - 1, m_columns - 1), {});
}

void StringGridModel::setHeadingRow(bool heading)
{
    if (m_headingRow == heading)
        return;
    m_headingRow = heading;
    if (m_columns > 0)
        emit headerDataChanged(Qt::Horizontal, 0, m_columns - 1);
}

void StringGridModel::setListColumns(const ListColumns &columns)
{
    if (m_listColumns == columns)
        return;
    m_listColumns = columns;
    if (!m_rows.isEmpty() && m_columns > 0)
        emit dataChanged(index(0, 0), index(int(m_rows.size()) - 1, m_columns - 1), {Qt::TextAlignmentRole});
}
