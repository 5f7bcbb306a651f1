#pragma once

#include "listcolumns.h"

#include <QList>
#include <QString>
#include <QStringList>

class StringGrid;

// A list of rates as the rate windows show it: the columns of
// RateBook::listColumns() under their captions (20'GP, …), the selling
// prices as amounts ("#,##0.000", right-aligned, in print and in Excel too),
// sorted by the selling price of one container type, cheapest first, rates
// without that price last; rates of a preferred carrier come before all others.
namespace RateList {

// The statement of the rates meeting condition (the text after "where").
QString statement(const QString &condition);

// Sorts body rows (cells in the list's column order) as described above.
void sort(QList<QStringList> &rows, int type, const QString &preferredCarrier = QString());

// Asks the server for the rates meeting condition and fills grid (row 0 the
// captions). False, with the message shown, when the server refuses.
bool fill(StringGrid *grid, const QString &condition, int type, const QString &preferredCarrier = QString());

// The column of a list column's name, -1 when the list has none.
int column(const QString &name);
// The selling prices: the amount columns of the list.
ListColumns priceColumns();

} // namespace RateList
