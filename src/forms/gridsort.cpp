#include "gridsort.h"

#include "listorder.h"
#include "stringgrid.h"
#include "stringgridmodel.h"

#include <QHeaderView>

using namespace Qt::StringLiterals;

namespace CommFunU {

namespace {

bool blank(const QStringList &row)
{
    for (const QString &cell : row) {
        if (!cell.trimmed().isEmpty())
            return false;
    }
    return true;
}

bool totalLine(const QStringList &row)
{
    for (const QString &cell : row) {
        if (cell.trimmed() == u"TOTAL:"_s)
            return true;
    }
    return false;
}

constexpr const char *SortedBy = "korvanSortedBy"; // the column, -1 for none
constexpr const char *SortedUp = "korvanSortedUp";

// The end of the list proper: before trailing blank rows and the TOTAL line.
qsizetype listEnd(const QList<QStringList> &rows, qsizetype first)
{
    qsizetype end = rows.size();
    while (end > first && blank(rows.at(end - 1)))
        --end;
    if (end > first && totalLine(rows.at(end - 1)))
        --end;
    return end;
}

} // namespace

void SortGrid(StringGrid *grid, int column, Qt::SortOrder order)
{
    if (!grid || column < 0 || column >= grid->colCount())
        return;
    QList<QStringList> rows = grid->gridModel()->allRows();
    const qsizetype first = grid->firstBodyRow();
    SortRows(rows, first, listEnd(rows, first), column, order);
    // Setting the rows resets the view: the widths the user sees stay.
    QList<int> widths;
    for (int c = 0; c < grid->colCount(); ++c)
        widths.append(grid->columnWidth(c));
    grid->setRows(std::move(rows), grid->colCount());
    for (int c = 0; c < widths.size(); ++c)
        grid->setColumnWidth(c, widths.at(c));
    grid->setProperty(SortedBy, column);
    grid->setProperty(SortedUp, order == Qt::AscendingOrder);
    grid->horizontalHeader()->setSortIndicatorShown(true);
    grid->horizontalHeader()->setSortIndicator(column, order);
}

void ForgetGridSort(StringGrid *grid)
{
    grid->setProperty(SortedBy, -1);
    grid->horizontalHeader()->setSortIndicatorShown(false);
}

void SortOnHeadingClick(StringGrid *grid)
{
    QHeaderView *header = grid->horizontalHeader();
    header->setSectionsClickable(true);
    ForgetGridSort(grid);
    // The order is the grid's own: the header flips its indicator by itself
    // on a click, before it tells of it.
    QObject::connect(header, &QHeaderView::sectionClicked, grid, [grid](int column) {
        const bool again = grid->property(SortedBy).toInt() == column && grid->property(SortedUp).toBool();
        SortGrid(grid, column, again ? Qt::DescendingOrder : Qt::AscendingOrder);
    });
}

int ListedRows(const StringGrid *grid)
{
    if (!grid)
        return 0;
    const QList<QStringList> &rows = grid->gridModel()->allRows();
    const qsizetype first = grid->firstBodyRow();
    int count = 0;
    for (qsizetype r = first; r < listEnd(rows, first); ++r) {
        if (!blank(rows.at(r)))
            ++count;
    }
    return count;
}

} // namespace CommFunU
