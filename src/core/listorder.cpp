#include "listorder.h"

#include "korvanerror.h"
#include "values.h"

#include <QCollator>
#include <QDate>
#include <QLocale>

#include <algorithm>
#include <optional>

using namespace Qt::StringLiterals;

namespace CommFunU {

namespace {

QString cellOf(const QStringList &row, int column)
{
    return column >= 0 && column < row.size() ? row.at(column).trimmed() : QString();
}

// yyyy-mm-dd, alone or with a time after a blank; the key sorts as text.
std::optional<QString> dateKey(const QString &text)
{
    if (text.size() < 10 || (text.size() > 10 && text.at(10) != u' '))
        return std::nullopt;
    const QDate date = QDate::fromString(text.left(10), u"yyyy-MM-dd"_s);
    if (!date.isValid())
        return std::nullopt;
    return text;
}

std::optional<qint64> amountKey(const QString &text)
{
    if (!IsAmountText(text))
        return std::nullopt;
    try {
        return ParseAmount(text).scaled();
    } catch (const KorvanError &) {
        return std::nullopt;
    }
}

} // namespace

ColumnKind KindOfColumn(const QList<QStringList> &rows, qsizetype first, qsizetype last, int column)
{
    bool amounts = true;
    bool dates = true;
    bool any = false;
    for (qsizetype r = qMax<qsizetype>(0, first); r < qMin(last, rows.size()) && (amounts || dates); ++r) {
        const QString text = cellOf(rows.at(r), column);
        if (text.isEmpty())
            continue;
        any = true;
        amounts = amounts && amountKey(text).has_value();
        dates = dates && dateKey(text).has_value();
    }
    if (!any)
        return ColumnKind::Text;
    return amounts ? ColumnKind::Amount : dates ? ColumnKind::Date : ColumnKind::Text;
}

void SortRows(QList<QStringList> &rows, qsizetype first, qsizetype last, int column, Qt::SortOrder order)
{
    first = qMax<qsizetype>(0, first);
    last = qMin(last, rows.size());
    if (column < 0 || last - first < 2)
        return;
    const ColumnKind kind = KindOfColumn(rows, first, last, column);
    // Each row's key computed once: a long list is sorted in n log n
    // comparisons of prepared keys.
    struct Keyed {
        QStringList row;
        bool empty;
        qint64 number;
        QString text;
    };
    QList<Keyed> keyed;
    keyed.reserve(last - first);
    for (qsizetype r = first; r < last; ++r) {
        const QString text = cellOf(rows.at(r), column);
        Keyed k{std::move(rows[r]), text.isEmpty(), 0, QString()};
        if (kind == ColumnKind::Amount && !k.empty)
            k.number = *amountKey(text);
        else
            k.text = text;
        keyed.append(std::move(k));
    }
    QCollator collator{QLocale(QLocale::Chinese, QLocale::China)};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    const auto less = [&](const Keyed &a, const Keyed &b) {
        if (a.empty != b.empty)
            return a.empty;
        if (a.empty)
            return false;
        switch (kind) {
        case ColumnKind::Amount:
            return a.number < b.number;
        case ColumnKind::Date:
            return a.text < b.text;
        case ColumnKind::Text:
            break;
        }
        return collator.compare(a.text, b.text) < 0;
    };
    if (order == Qt::AscendingOrder)
        std::stable_sort(keyed.begin(), keyed.end(), less);
    else
        std::stable_sort(keyed.begin(), keyed.end(), [&](const Keyed &a, const Keyed &b) { return less(b, a); });
    for (qsizetype i = 0; i < keyed.size(); ++i)
        rows[first + i] = std::move(keyed[i].row);
}

} // namespace CommFunU
