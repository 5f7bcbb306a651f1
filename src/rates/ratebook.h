#pragma once

// The rate book (table 运价): a carrier's cost and selling prices on one
// route for a period, per container type, empty where there is no rate.
// What the rate windows share and what needs no widget: the container
// types and their columns, reading a job's 箱型箱量, the condition "valid on
// a day", the list of a query, a general rate increase on one price.
//
//   const QList<RateType> &types = RateBook::types();   // 20'GP … CBM
//   RateBook::sellColumn(0);                            // "售价20GP"
//   RateBook::containers(u"20'GP*2 & 40'HC*1"_s);        // {{"20'GP", 2}, {"40'HC", 1}}
//   RateBook::adjusted(price, RateBook::Percent, Amount::fromUnits(5));  // +5 %

#include "amount.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>

struct RateType {
    QString caption; // 20'GP, as the cargo grid writes it
    QString column;  // 20GP, the end of the column names 成本20GP and 售价20GP
};

namespace RateBook {

const QString Table = QStringLiteral("运价");

// The columns of 运价 in stored order (as "select *" answers them).
QStringList columns();

// 20'GP, 40'GP, 40'HC, 45'HC and CBM (per cubic metre, for LCL).
const QList<RateType> &types();
QStringList typeCaptions();
// The index of a type by its caption (case-insensitive), -1 when unknown.
int typeIndex(const QString &caption);
QString costColumn(int type);
QString sellColumn(int type);

// The columns a rate list shows, in order, and their captions.
QStringList listColumns();
QStringList listCaptions();

// A job's 箱型箱量 ("20'GP*2 & 40'HC*1"): each type with its count, in the
// order written; a part without a count counts once. Empty for an empty text.
QList<std::pair<QString, int>> containers(const QString &summary);

// A price as the table stores it: empty for no rate, else "0.000".
// nullopt when the text is no amount.
std::optional<QString> storedPrice(const QString &text);

// " (生效日期<='d') and (失效日期>='d') ": valid on that day, both ends included.
QString validOn(const QDate &day);

enum Change { ByAmount, Percent };
// The price raised by an amount or by a percentage (rounded to three
// decimals, halves away from zero as every amount shows). An empty price
// (no rate) stays empty.
QString adjusted(const QString &price, Change change, Amount by);

} // namespace RateBook
