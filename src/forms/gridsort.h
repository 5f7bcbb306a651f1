#pragma once

#include <Qt>

class StringGrid;

// Sorting a list grid by a click on a heading, and counting its rows. The
// body (from the first row below the heading) is sorted as ListOrder says:
// amounts and dates by value, text in the zh_CN collation. A TOTAL line at
// the end (a cell "TOTAL:") and blank rows after the list stay where they are.
//
//   SortOnHeadingClick(grid);            // a second click sorts the other way
//   status->setText(u"共 %1 条"_s.arg(ListedRows(grid)));
namespace CommFunU {

void SortGrid(StringGrid *grid, int column, Qt::SortOrder order);
void SortOnHeadingClick(StringGrid *grid);
// A new list: unsorted, the next click sorts ascending.
void ForgetGridSort(StringGrid *grid);
// The body rows that hold anything, the TOTAL line not counted.
int ListedRows(const StringGrid *grid);

} // namespace CommFunU
