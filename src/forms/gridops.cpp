#include "gridops.h"

#include "korvanerror.h"
#include "marks.h"
#include "resultreader.h"
#include "stringgrid.h"
#include "stringgridmodel.h"

using namespace Qt::StringLiterals;

namespace CommFunU {

namespace {

void appendCell(QString &out, const QString &cell, QChar sep, int row, int column)
{
    if (cell.contains(sep)) {
        throw KorvanError(u"第%1行第%2列含有不能保存的字符“%3”: "_s.arg(row).arg(column + 1).arg(sep) + cell);
    }
    out += cell;
    out += sep;
}

// Rows left by ClearGridRows(firstRow) on a grid of rows rows.
int rowsAfterClear(int rows, int firstRow)
{
    if (rows <= firstRow)
        return rows;
    return qMax(qMax(firstRow, 0), qMin(rows, 2));
}

} // namespace

QString GridRowText(const StringGridModel &grid, int row, int separator)
{
    const QChar sep = separatorByNumber(separator);
    QString out;
    const int columns = grid.columnCount();
    for (int c = 0; c < columns; ++c)
        appendCell(out, grid.cell(row, c), sep, row, c);
    return out;
}

QString GridRowText(const StringGrid *grid, int row, int separator)
{
    return grid ? GridRowText(*grid->gridModel(), row, separator) : QString();
}

QString GridToText(const StringGridModel &grid, int firstRow, int separator)
{
    const QChar sep = separatorByNumber(separator);
    const QList<QStringList> &rows = grid.allRows();
    const int columns = grid.columnCount();
    qsizetype size = 8;
    for (qsizetype r = qMax(0, firstRow); r < rows.size(); ++r) {
        for (const QString &cell : rows.at(r))
            size += cell.size() + 1;
    }
    QString out;
    out.reserve(size);
    out += QString::number(columns);
    out += sep;
    for (qsizetype r = qMax(0, firstRow); r < rows.size(); ++r) {
        const QStringList &row = rows.at(r);
        for (int c = 0; c < columns; ++c)
            appendCell(out, row.at(c), sep, int(r), c);
    }
    return out;
}

QString GridToText(const StringGrid *grid, int firstRow, int separator)
{
    return grid ? GridToText(*grid->gridModel(), firstRow, separator) : QString();
}

bool TextToGrid(const QString &text, StringGridModel *grid, int firstRow, int separator)
{
    if (!grid)
        return false;
    ResultReader reader(text, separatorByNumber(separator));
    bool ok = false;
    const int count = reader.next().trimmed().toInt(&ok);
    // A negative count would put every cell into one row far beyond the
    // columns; it is refused like a count of 0.
    if (!ok || count <= 0)
        return false;
    firstRow = qMax(0, firstRow);
    const int columns = count < 3 ? 2 : count;

    // The rows above firstRow stay; the rows from firstRow on are emptied
    // and, after row 1, dropped (ClearGridRows).
    const QList<QStringList> &old = grid->allRows();
    const int kept = rowsAfterClear(int(old.size()), firstRow);
    QList<QStringList> rows;
    rows.reserve(qMax(kept, firstRow + 1) + int(text.size() / (8 * count) + 1));
    QStringList empty;
    empty.resize(columns);
    for (int r = 0; r < kept; ++r) {
        if (r < firstRow) {
            QStringList row = old.at(r);
            row.resize(columns);
            rows.append(std::move(row));
        } else {
            rows.append(empty);
        }
    }

    int row = firstRow;
    int column = 0;
    int filled = 0;
    while (true) {
        while (rows.size() <= row)
            rows.append(empty);
        rows[row][column] = reader.next();
        if (reader.atEnd())
            break;
        ++column;
        if (++filled == count) {
            while (rows.size() < row + 2)
                rows.append(empty);
            ++row;
            column = 0;
            filled = 0;
        }
    }
    grid->setRows(std::move(rows), columns);
    return true;
}

bool TextToGrid(const QString &text, StringGrid *grid, int firstRow, int separator)
{
    return grid ? TextToGrid(text, grid->gridModel(), firstRow, separator) : false;
}

bool AnswerToGrid(const QString &answer, StringGridModel *grid, int firstRow)
{
    if (!grid || answer.startsWith(u"Err"_s))
        return false;
    const qsizetype afterStatus = answer.indexOf(FieldSep);
    if (afterStatus < 0)
        return false;
    return TextToGrid(answer.mid(afterStatus + 1), grid, firstRow, 1);
}

bool AnswerToGrid(const QString &answer, StringGrid *grid, int firstRow)
{
    return grid ? AnswerToGrid(answer, grid->gridModel(), firstRow) : false;
}

void DeleteGridRow(StringGridModel &grid, int row)
{
    const int rows = grid.rowCount();
    if (row < 0 || row >= rows)
        return;
    if (rows > 2) {
        grid.removeGridRow(row);
        return;
    }
    for (int r = row; r + 1 < rows; ++r)
        grid.setRowCells(r, grid.rowCells(r + 1));
    grid.setRowCells(rows - 1, QStringList());
}

void DeleteGridRow(StringGrid *grid, int row)
{
    if (grid)
        DeleteGridRow(*grid->gridModel(), row);
}

void AddGridRowIfFilled(StringGridModel &grid)
{
    if (!grid.cell(1, 0).trimmed().isEmpty())
        grid.setRowCount(grid.rowCount() + 1);
}

void AddGridRowIfFilled(StringGrid *grid)
{
    if (grid)
        AddGridRowIfFilled(*grid->gridModel());
}

void ClearGridRows(StringGridModel &grid, int firstRow)
{
    firstRow = qMax(0, firstRow);
    const int rows = grid.rowCount();
    if (rows <= firstRow)
        return;
    const int kept = rowsAfterClear(rows, firstRow);
    grid.setRowCount(kept);
    for (int r = firstRow; r < kept; ++r)
        grid.setRowCells(r, QStringList());
}

void ClearGridRows(StringGrid *grid, int firstRow)
{
    if (grid)
        ClearGridRows(*grid->gridModel(), firstRow);
}

void FlagsToYesNo(StringGridModel &grid, int column, const QString &yes, const QString &no)
{
    if (column < 0 || column >= grid.columnCount() || grid.rowCount() < 2)
        return;
    for (int r = 1; r < grid.rowCount(); ++r) {
        const QString flag = grid.cell(r, column).trimmed();
        if (flag == u"1"_s)
            grid.setCell(r, column, yes);
        else if (flag == u"0"_s)
            grid.setCell(r, column, no);
    }
}

void FlagsToYesNo(StringGrid *grid, int column, const QString &yes, const QString &no)
{
    if (grid)
        FlagsToYesNo(*grid->gridModel(), column, yes, no);
}

void FlagsToYesNo(QList<QStringList> &rows, int column, const QString &yes, const QString &no)
{
    for (qsizetype r = 1; r < rows.size(); ++r) {
        if (column < 0 || column >= rows.at(r).size())
            continue;
        const QString flag = rows.at(r).at(column).trimmed();
        if (flag == u"1"_s)
            rows[r][column] = yes;
        else if (flag == u"0"_s)
            rows[r][column] = no;
    }
}

} // namespace CommFunU
