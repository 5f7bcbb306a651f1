#pragma once

#include <QList>
#include <QString>
#include <optional>

struct ReportDocument;

// A list report as an Excel workbook (.xlsx, written with libxlsxwriter), one
// sheet named after the report:
//
//     subtitle              merged across the list's columns
//     title                 bold, merged
//     header texts 1 2 3    in the first, the middle and the last column
//     header texts 4 5 6
//     column captions       bold; they and the lines above stay in view while scrolling
//     the rows              in the document's order (the data page sorts its document)
//
//     summary
//
// A title or header line whose texts are all empty is left out; each column is
// as wide as its widest text. A column the list declared an amount column
// (ReportDocument::Column::kind) is written as amounts; the report text
// carries no other types, so the kind of every other column is read from its
// cells (columnKind). Widget-free:
//
//     ReportWorkbook(dataPage->document()).save(fileName); // throws KorvanError
class ReportWorkbook
{
public:
    enum class ColumnKind { Text, Amount, Date };

    explicit ReportWorkbook(const ReportDocument &document);

    // Amount: a column declared so, or one whose every non-empty cell is an
    // amount (readAmount) with at least one decimal point; written as numbers
    // shown "#,##0.000" (a cell of a declared column that is no amount stays
    // text). Digit strings without a point (job numbers, B/L numbers) in an
    // undeclared column thus stay text.
    // Date: every non-empty cell is a date "yyyy-mm-dd"; written as dates.
    // Text: anything else, and a column without cells. Text is always written
    // as a string, never as a formula, whatever its first character.
    ColumnKind columnKind(int column) const;

    // Writes the workbook to fileName. The workbook is built aside and moved
    // into place at the end, so a failure leaves neither a part-written file
    // nor a damaged older one. Throws KorvanError with the text the user sees.
    void save(const QString &fileName) const;

    // An amount as the lists write it: an optional minus, the whole part plain
    // or grouped by commas in threes, optionally a point and decimals; at most
    // 15 digits (what a double holds exactly) and no leading zero ("0.5" is an
    // amount, "012" and "00.5" are not). Blanks around it are ignored.
    static std::optional<double> readAmount(const QString &text);

private:
    void write(const QString &path) const;

    const ReportDocument &m_doc;
    QList<ColumnKind> m_kinds;
};
