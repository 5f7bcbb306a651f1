#include "ratelist.h"

#include "queryhelpers.h"
#include "ratebook.h"
#include "stringgrid.h"
#include "values.h"

#include <algorithm>

using namespace Qt::StringLiterals;
using namespace CommFunU;

namespace RateList {

QString statement(const QString &condition)
{
    return u"select "_s + RateBook::listColumns().join(u","_s) + u" from 运价 where"_s + condition;
}

int column(const QString &name)
{
    return int(RateBook::listColumns().indexOf(name));
}

void sort(QList<QStringList> &rows, int type, const QString &preferredCarrier)
{
    const int price = column(RateBook::sellColumn(type));
    const int carrier = column(u"船公司"_s);
    struct Key {
        bool otherCarrier;
        bool noPrice;
        qint64 price;
        qint64 number;
    };
    QList<std::pair<Key, QStringList>> keyed;
    keyed.reserve(rows.size());
    for (QStringList &row : rows) {
        const QString text = row.value(price).trimmed();
        qint64 value = 0;
        bool noPrice = text.isEmpty();
        if (!noPrice) {
            try {
                value = ParseAmount(text).scaled();
            } catch (...) {
                noPrice = true; // a stored text that is no amount sorts with the rates without one
            }
        }
        const bool other = !preferredCarrier.isEmpty()
                           && row.value(carrier).compare(preferredCarrier, Qt::CaseInsensitive) != 0;
        keyed.append({Key{other, noPrice, value, row.value(0).toLongLong()}, std::move(row)});
    }
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto &a, const auto &b) {
        const Key &x = a.first;
        const Key &y = b.first;
        if (x.otherCarrier != y.otherCarrier)
            return !x.otherCarrier;
        if (x.noPrice != y.noPrice)
            return !x.noPrice;
        if (x.price != y.price)
            return x.price < y.price;
        return x.number < y.number;
    });
    rows.clear();
    for (auto &entry : keyed)
        rows.append(std::move(entry.second));
}

ListColumns priceColumns()
{
    QList<int> prices;
    for (int i = 0; i < RateBook::types().size(); ++i)
        prices << column(RateBook::sellColumn(i));
    return ListColumns::Amounts(prices);
}

bool fill(StringGrid *grid, const QString &condition, int type, const QString &preferredCarrier)
{
    std::optional<ResultReader> reader = OpenQueryStep(statement(condition), QString(), 0);
    if (!reader)
        return false;
    QList<QStringList> rows = reader->rows();
    sort(rows, type, preferredCarrier);
    const ListColumns prices = priceColumns();
    prices.showAmounts(rows, 0);
    grid->setListColumns(prices);
    const QStringList captions = RateBook::listCaptions();
    rows.prepend(captions);
    grid->setRows(std::move(rows), int(captions.size()));
    grid->fitColumns();
    return true;
}

} // namespace RateList
