#pragma once

#include <QList>
#include <QStringList>
#include <Qt>

// What the columns of a list hold: amounts of money or text. A list declares
// it once; the list grid, the report print window (data page, preview, PDF)
// and the Excel workbook all read the same declaration, so an amount looks
// the same everywhere: "#,##0.000", right-aligned, a number cell in Excel.
//
//     // 0-7 the job, 8 and 10 amounts, 9 and 11 invoice numbers
//     const ListColumns columns = ListColumns::Amounts({8, 10});
//     columns.showAmounts(rows, 1);             // "1000" -> "1,000.000"
//     grid->setListColumns(columns);            // right-aligned
//     window.Load(reportText, columns);         // the report and its workbook
//
// Weights, measures, counts and every column a list does not declare stay
// text as they came.
class ListColumns
{
public:
    enum class Kind { Text, Amount };

    // Every column text: the lists that declare nothing.
    ListColumns() = default;
    // Amounts in the columns given and in every column from `from` to the last
    // (none when from is -1): the finance lists whose column count depends
    // on the job line or the tab.
    static ListColumns Amounts(const QList<int> &columns, int from = -1);

    Kind kind(int column) const;
    bool isAmount(int column) const { return kind(column) == Kind::Amount; }
    // Whether any column is an amount.
    bool declaresAmounts() const { return !m_amounts.isEmpty() || m_amountsFrom >= 0; }
    // The amount columns of a list of columnCount columns, in order.
    QList<int> amountColumns(int columnCount) const;
    // Amounts right, text left; both centred vertically.
    Qt::Alignment alignment(int column) const;

    // The cell of an amount column as every list shows it: "#,##0.000"
    // (1000 → "1,000.000", -0.5 → "-0.500"). An empty cell stays empty (no
    // amount is known: a job without fees), and a text that is no amount
    // stays as it came rather than being read as some other number.
    static QString ShownAmount(const QString &text);
    // ShownAmount on the amount columns of rows from firstRow on (row 0 of a
    // list holds the captions).
    void showAmounts(QList<QStringList> &rows, int firstRow) const;

    friend bool operator==(const ListColumns &a, const ListColumns &b)
    {
        return a.m_amounts == b.m_amounts && a.m_amountsFrom == b.m_amountsFrom;
    }

private:
    QList<int> m_amounts;
    int m_amountsFrom = -1;
};
