#pragma once

#include "listcolumns.h"

#include <QFont>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>

// Everything a list report prints: titles, the six header texts, the list
// with its columns and rows, the summary and the three signature captions,
// with the fonts of each. The data page (TDataF) holds one; the layout reads
// it; it knows no widgets.
struct ReportDocument
{
    struct Column {
        QString caption;
        int width = 0; // on screen, in pixels
        // An amount column is shown "#,##0.000" and right-aligned on the
        // page and in print, and written as numbers to the workbook.
        ListColumns::Kind kind = ListColumns::Kind::Text;
    };

    QString subtitle;
    QString title;
    std::array<QString, 6> headerTexts; // line 1 left, middle, right; line 2 the same
    QList<Column> columns;
    QList<QStringList> rows;             // a row may hold fewer cells than there are columns
    QString summary;
    std::array<QString, 3> signatures = {QStringLiteral("业务员签字："), QStringLiteral("操作员签字："),
                                         QStringLiteral("负责人签字：")};

    QFont subtitleFont;
    QFont titleFont;
    QFont headerFont;  // the six header texts
    QFont listFont;    // the list and its captions
    QFont summaryFont; // the summary and the signature captions

    ReportDocument();

    // The kinds of the columns, as the list that printed them declared.
    ListColumns listColumns() const;

    // The cell of a row, empty when the row has no such cell.
    QString cell(int row, int column) const;

    // Sorts the rows by one column, ascending, comparing case-insensitively;
    // a missing cell counts as empty. Rows that compare equal keep their order.
    void sortByColumn(int column);

    enum class LoadResult { NotANumber, Loaded };
    // Reads a report text: subtitle, title, six header texts, the column
    // count, the captions, the cells row by row and, after CellSep, the
    // summary. Columns and rows are added to those already held; each new
    // column is as wide as its widest text, caption or cell, measured by
    // captionWidth, + 30 pixels. The cost is linear in the text's length.
    //
    // kinds tells which of the new columns hold amounts (counted from the
    // first new column); their cells are shown as ListColumns::ShownAmount
    // gives them. The text itself carries no kinds.
    //
    // NotANumber when the column count is not a number, is negative or is
    // larger than the fields the text still holds (nothing is added to the
    // list then; the titles and header texts are taken all the same).
    LoadResult load(const QString &text, const std::function<int(const QString &)> &captionWidth,
                    const ListColumns &kinds = ListColumns());

    // The default fonts of a new data page.
    static QFont defaultFont(int pointSize, bool bold = false);
};
