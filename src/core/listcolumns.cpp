#include "listcolumns.h"

#include "korvanerror.h"
#include "values.h"

#include <algorithm>

ListColumns ListColumns::Amounts(const QList<int> &columns, int from)
{
    ListColumns c;
    c.m_amounts = columns;
    std::sort(c.m_amounts.begin(), c.m_amounts.end());
    c.m_amounts.erase(std::unique(c.m_amounts.begin(), c.m_amounts.end()), c.m_amounts.end());
    c.m_amountsFrom = from;
    return c;
}

ListColumns::Kind ListColumns::kind(int column) const
{
    if (column < 0)
        return Kind::Text;
    if ((m_amountsFrom >= 0 && column >= m_amountsFrom) || m_amounts.contains(column))
        return Kind::Amount;
    return Kind::Text;
}

QList<int> ListColumns::amountColumns(int columnCount) const
{
    QList<int> out;
    for (int c = 0; c < columnCount; ++c) {
        if (isAmount(c))
            out << c;
    }
    return out;
}

Qt::Alignment ListColumns::alignment(int column) const
{
    return (isAmount(column) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
}

QString ListColumns::ShownAmount(const QString &text)
{
    // ParseAmount reads what it can of any text ("abc" is 0), so only a
    // text that is an amount is read.
    if (text.trimmed().isEmpty() || !CommFunU::IsAmountText(text))
        return text;
    try {
        return CommFunU::FormatGroupedAmount(CommFunU::ParseAmount(text));
    } catch (const KorvanError &) {
        return text; // beyond the range of an amount: shown as it came
    }
}

void ListColumns::showAmounts(QList<QStringList> &rows, int firstRow) const
{
    if (!declaresAmounts())
        return;
    for (qsizetype r = qMax(0, firstRow); r < rows.size(); ++r) {
        QStringList &cells = rows[r];
        for (qsizetype c = 0; c < cells.size(); ++c) {
            if (isAmount(int(c)))
                cells[c] = ShownAmount(cells.at(c));
        }
    }
}
