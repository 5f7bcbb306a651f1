#pragma once

#include <QList>
#include <QStringList>

// The order of a list sorted by one of its columns, as a click on a heading
// sorts it: a column whose filled cells are all amounts (IsAmountText) by
// value, a column of dates (yyyy-mm-dd, a time may follow) by date, any
// other by text in the collation of zh_CN (Chinese by pinyin, Latin letters
// without regard to case, digits inside a text by value). Empty cells come
// first in ascending order; rows that compare equal keep their order.
//
//   CommFunU::SortRows(rows, 1, rows.size() - 1, column, Qt::AscendingOrder);
namespace CommFunU {

enum class ColumnKind { Amount, Date, Text };

// The kind of column over rows [first, last).
ColumnKind KindOfColumn(const QList<QStringList> &rows, qsizetype first, qsizetype last, int column);
// Sorts rows [first, last) by column.
void SortRows(QList<QStringList> &rows, qsizetype first, qsizetype last, int column, Qt::SortOrder order);

} // namespace CommFunU
