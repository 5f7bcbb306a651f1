#pragma once

// A general rate increase over the rates a condition chooses: an amount or
// a percentage added to the cost and/or selling price of each container
// type, either in place or as new prices from a date. From a date, a rate
// that runs across it ends the day before and a copy with the new prices
// runs from that date to the old 失效日期; a rate that starts on or after it
// changes in place; one that ends before it stays as it is.
//
//   RateBatch batch;
//   batch.change = RateBook::Percent;
//   batch.sell[0] = Amount::fromUnits(5);                 // 20'GP selling +5 %
//   batch.from = QDate(2026, 7, 1);                        // new prices from
//   QString error;
//   QList<RateBatch::Row> rows = batch.plan(storedRows, &error);   // the preview
//   int changed = batch.apply(server, condition, &error);  // one transaction

#include "amount.h"
#include "ratebook.h"

#include <QDate>
#include <QList>
#include <QStringList>
#include <array>
#include <optional>

class ServerConnection;

struct RateBatch {
    static constexpr int TypeCount = 5;

    RateBook::Change change = RateBook::ByAmount;
    std::array<std::optional<Amount>, TypeCount> cost{};
    std::array<std::optional<Amount>, TypeCount> sell{};
    QDate from; // invalid: in place
    QString user;  // 录入人 of the copies
    QDate today;   // 修改日期

    struct Row {
        enum Action { InPlace, Split };
        Action action = InPlace;
        QStringList before; // the stored row, every column of 运价
        QStringList after;  // the same rate with the new prices (the copy when split)
    };

    // Whether anything is to change at all.
    bool changesSomething() const;
    // The rows the batch changes, from stored rows (select * from 运价).
    // Empty with *error when a new price would be below zero or a stored
    // price is no amount.
    QList<Row> plan(const QList<QStringList> &stored, QString *error) const;
    // Reads the rates meeting condition and changes them in one
    // transaction: the number of rates changed, or -1 with *error (then
    // nothing is stored).
    int apply(ServerConnection &server, const QString &condition, QString *error) const;
};
