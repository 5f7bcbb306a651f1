#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class StringGrid;
class StringGridModel;

// The string-grid operations of CommFunU. Each takes the grid widget or, for
// grids that are never shown (a report's data, a benchmark), its model.
// Separator numbers: 1 = FieldSep, 2 = CellSep.
//
// Grid text: the column count in decimal and the separator, then every cell
// of every row from the first row given, each followed by the separator.
namespace CommFunU {

// The cells of one row from column 0, each followed by the separator.
// Throws KorvanError when a cell holds the separator itself (the text could
// not be read back).
QString GridRowText(const StringGridModel &grid, int row, int separator);
QString GridRowText(const StringGrid *grid, int row, int separator);

// Grid text of the rows from firstRow to the last. Throws KorvanError when a
// cell holds the separator.
QString GridToText(const StringGridModel &grid, int firstRow, int separator);
QString GridToText(const StringGrid *grid, int firstRow, int separator);

// Fills the grid from firstRow with a grid text (or a Mode 1 answer without
// its status): the first field is the count of cells per row; the grid gets
// max(2, count) columns. A count that is not a positive number returns false
// and leaves the grid as it was. Rows above firstRow keep their cells. The
// cost is linear in the text's length; the grid is set in one step.
bool TextToGrid(const QString &text, StringGridModel *grid, int firstRow, int separator);
bool TextToGrid(const QString &text, StringGrid *grid, int firstRow, int separator);

// A server answer in Mode 1 (column names first) into the grid from
// firstRow: the status field is dropped (its three characters and the
// FieldSep after them) and the rest goes to TextToGrid with FieldSep, so row
// firstRow gets the column names. False for an "Err" answer (the grid is
// left as it was) and whenever TextToGrid answers false.
bool AnswerToGrid(const QString &answer, StringGridModel *grid, int firstRow);
bool AnswerToGrid(const QString &answer, StringGrid *grid, int firstRow);

// Removes a row: the rows below move up, the last row is emptied, and the
// row count drops by one unless it is 2 or less.
void DeleteGridRow(StringGridModel &grid, int row);
void DeleteGridRow(StringGrid *grid, int row);

// Appends one empty row when the trimmed cell at row 1, column 0 is filled.
void AddGridRowIfFilled(StringGridModel &grid);
void AddGridRowIfFilled(StringGrid *grid);

// Empties every row from the last up to firstRow; emptied rows after row 1
// are removed, so a larger grid shrinks to no fewer than 2 rows.
void ClearGridRows(StringGridModel &grid, int firstRow);
void ClearGridRows(StringGrid *grid, int firstRow);

// Rows 1 to the last of one column: a trimmed "1" becomes yes, "0" becomes no.
void FlagsToYesNo(StringGridModel &grid, int column, const QString &yes, const QString &no);
void FlagsToYesNo(StringGrid *grid, int column, const QString &yes, const QString &no);
// The same on rows not shown yet (row 0 is left alone), before they go into
// a grid in one step: no signal per cell.
void FlagsToYesNo(QList<QStringList> &rows, int column, const QString &yes, const QString &no);

} // namespace CommFunU
