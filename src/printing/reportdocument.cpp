#include "reportdocument.h"

#include "marks.h"
#include "resultreader.h"

#include <algorithm>

using namespace Qt::StringLiterals;
using CommFunU::CellSep;
using CommFunU::FieldSep;

ReportDocument::ReportDocument()
    : subtitleFont(defaultFont(14))
    , titleFont(defaultFont(15, true))
    , headerFont(defaultFont(9))
    , listFont(defaultFont(9))
    , summaryFont(defaultFont(9))
{
}

QFont ReportDocument::defaultFont(int pointSize, bool bold)
{
    QFont font;
    // 宋体 where it is installed, else the CJK font every machine of ours has.
    font.setFamilies({u"宋体"_s, u"SimSun"_s, u"WenQuanYi Zen Hei"_s});
    font.setPointSize(pointSize);
    font.setBold(bold);
    return font;
}

ListColumns ReportDocument::listColumns() const
{
    QList<int> amounts;
    for (int c = 0; c < columns.size(); ++c) {
        if (columns.at(c).kind == ListColumns::Kind::Amount)
            amounts << c;
    }
    return ListColumns::Amounts(amounts);
}

QString ReportDocument::cell(int row, int column) const
{
    if (row < 0 || row >= rows.size())
        return QString();
    const QStringList &cells = rows.at(row);
    return column >= 0 && column < cells.size() ? cells.at(column) : QString();
}

void ReportDocument::sortByColumn(int column)
{
    if (column < 0)
        return;
    std::stable_sort(rows.begin(), rows.end(), [column](const QStringList &a, const QStringList &b) {
        const QString &left = column < a.size() ? a.at(column) : QString();
        const QString &right = column < b.size() ? b.at(column) : QString();
        return QString::compare(left, right, Qt::CaseInsensitive) < 0;
    });
}

ReportDocument::LoadResult ReportDocument::load(const QString &text,
                                                const std::function<int(const QString &)> &captionWidth,
                                                const ListColumns &kinds)
{
    ResultReader reader(text, FieldSep);
    subtitle = reader.next();
    title = reader.next();
    for (QString &header : headerTexts)
        header = reader.next();

    bool isNumber = false;
    const int count = reader.next().toInt(&isNumber);
    // A count larger than the fields left cannot be right: every column
    // needs a caption field.
    if (!isNumber || count < 0 || count > reader.rest().count(FieldSep) + 1)
        return LoadResult::NotANumber;

    for (int i = 0; i < count; ++i) {
        Column column;
        column.caption = reader.next();
        column.width = captionWidth(column.caption) + 30;
        column.kind = kinds.kind(i);
        columns.append(column);
    }

    // The cells, row by row, until the text reaches CellSep. A cell with
    // nothing after it is dropped: a well-formed text always goes on with
    // CellSep and the summary. Without columns there is nowhere to put cells
    // and they are passed over.
    const int listColumns = int(columns.size());
    int columnIndex = 0;
    while (!reader.atEnd() && !reader.rest().startsWith(CellSep)) {
        QString value = reader.next();
        if (reader.atEnd())
            break;
        if (listColumns == 0)
            continue;
        if (columnIndex == 0)
            rows.append(QStringList());
        rows.last().append(std::move(value));
        columnIndex = (columnIndex + 1) % listColumns;
    }

    // Each new column as wide as its widest text, caption or cell, so that
    // a printed list gives long numbers and names the room they need.
    const qsizetype firstNew = columns.size() - count;
    for (QStringList &row : rows) {
        for (qsizetype c = firstNew; c < qMin<qsizetype>(row.size(), columns.size()); ++c) {
            if (columns.at(c).kind == ListColumns::Kind::Amount)
                row[c] = ListColumns::ShownAmount(row.at(c));
            const QString &cell = row.at(c);
            if (!cell.isEmpty())
                columns[c].width = qMax(columns.at(c).width, captionWidth(cell) + 30);
        }
    }

    QString last = reader.next();
    summary = last.startsWith(CellSep) ? last.mid(1) : last;
    return LoadResult::Loaded;
}
