#include "gridops.h"
#include "korvanerror.h"
#include "marks.h"
#include "stringgrid.h"
#include "stringgridmodel.h"

#include <QAbstractItemModelTester>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace CommFunU;

using Rows = QList<QStringList>;

namespace {

// "a|b|…|" with the given separator.
QString joined(const QStringList &fields, QChar sep)
{
    QString out;
    for (const QString &f : fields)
        out += f + sep;
    return out;
}

Rows rowsOf(const StringGridModel &grid)
{
    return grid.allRows();
}

} // namespace

class TestStringGrid : public QObject
{
    Q_OBJECT

private slots:
    void modelPassesTester();
    void readingAndWritingOutsideIsHarmless();
    void headingRowShowsAsCaptions();

    void textToGrid_data();
    void textToGrid();
    void textToGridRefusesBadCount_data();
    void textToGridRefusesBadCount();
    void textToGridKeepsRowsAboveFirstRow();
    void textToGridReadsModeOneAnswer();
    void gridTextRoundTrip();
    void gridToTextRefusesSeparatorInCell();
    void gridRowText();

    void deleteGridRow_data();
    void deleteGridRow();
    void addGridRowIfFilled();
    void clearGridRows_data();
    void clearGridRows();
    void flagsToYesNo();

    void selectionTopRow();
    void keyHandlerSeesEditorKeys();
};

void TestStringGrid::modelPassesTester()
{
    StringGridModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.setColumnCount(3);
    model.setRowCount(4);
    model.setCell(1, 2, u"x"_s);
    model.setHeadingRow(true);
    model.setCell(0, 0, u"标题"_s);
    model.setRows({{u"a"_s, u"b"_s}, {u"c"_s}}, 2);
    model.setColumnCount(5);
    model.removeGridRow(0);
    model.setRowCount(0);
    model.setColumnCount(1);
    model.setRowCount(3);
    QVERIFY(model.setData(model.index(2, 0), u"y"_s));
    QCOMPARE(model.cell(2, 0), u"y"_s);
    // Amount columns align right, announced as a change of the alignment only.
    model.setColumnCount(3);
    QSignalSpy aligned(&model, &QAbstractItemModel::dataChanged);
    model.setListColumns(ListColumns::Amounts({1}));
    QCOMPARE(aligned.size(), 1);
    QCOMPARE(aligned.at(0).at(2).value<QList<int>>(), QList<int>{Qt::TextAlignmentRole});
    QCOMPARE(model.index(0, 1).data(Qt::TextAlignmentRole).value<Qt::Alignment>(), Qt::AlignRight | Qt::AlignVCenter);
    QCOMPARE(model.index(0, 2).data(Qt::TextAlignmentRole).value<Qt::Alignment>(), Qt::AlignLeft | Qt::AlignVCenter);
    model.setListColumns(ListColumns::Amounts({1}));
    QCOMPARE(aligned.size(), 1); // the same columns again: nothing to repaint
}

void TestStringGrid::readingAndWritingOutsideIsHarmless()
{
    StringGridModel model;
    model.setRows({{u"a"_s, u"b"_s}}, 2);
    QSignalSpy changed(&model, &StringGridModel::contentsChanged);
    model.setCell(5, 0, u"x"_s);
    model.setCell(0, 2, u"x"_s);
    model.setCell(-1, 0, u"x"_s);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(model.cell(0, 5), QString());
    QCOMPARE(model.cell(9, 0), QString());
    QCOMPARE(rowsOf(model), (Rows{{u"a"_s, u"b"_s}}));
}

void TestStringGrid::headingRowShowsAsCaptions()
{
    StringGrid grid;
    grid.setHeadings({u"箱类型"_s, u"件数"_s});
    grid.setRowCount(3);
    grid.setEditable(true);
    grid.setHeadingRow(true);
    QCOMPARE(grid.model()->headerData(1, Qt::Horizontal).toString(), u"件数"_s);
    QVERIFY(grid.isRowHidden(0));
    QVERIFY(!(grid.model()->flags(grid.model()->index(0, 0)) & Qt::ItemIsEditable));
    QVERIFY(grid.model()->flags(grid.model()->index(1, 0)) & Qt::ItemIsEditable);
    // Refilling the grid (one reset) keeps row 0 out of the body.
    grid.setRows({{u"A"_s, u"B"_s}, {u"1"_s, u"2"_s}}, 2);
    QVERIFY(grid.isRowHidden(0));
    QCOMPARE(grid.model()->headerData(0, Qt::Horizontal).toString(), u"A"_s);
    QCOMPARE(grid.firstBodyRow(), 1);
}

void TestStringGrid::textToGrid_data()
{
    QTest::addColumn<int>("firstRow");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<Rows>("expected");

    // Count 3 and six cells: two rows of three.
    QTest::newRow("count 3, six cells") << 0 << QStringList{u"3"_s, u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s, u"f"_s}
                                       << Rows{{u"a"_s, u"b"_s, u"c"_s}, {u"d"_s, u"e"_s, u"f"_s}};
    // Count 1: the grid is two columns wide, yet each row takes one cell.
    QTest::newRow("count 1") << 0 << QStringList{u"1"_s, u"x"_s, u"y"_s, u"z"_s}
                             << Rows{{u"x"_s, {}}, {u"y"_s, {}}, {u"z"_s, {}}};
    QTest::newRow("count 2, partial last row") << 0 << QStringList{u"2"_s, u"a"_s, u"b"_s, u"c"_s}
                                              << Rows{{u"a"_s, u"b"_s}, {u"c"_s, {}}};
    // One row only: the grid still keeps its two rows.
    QTest::newRow("single row") << 0 << QStringList{u"3"_s, u"a"_s, u"b"_s, u"c"_s}
                                << Rows{{u"a"_s, u"b"_s, u"c"_s}, {{}, {}, {}}};
    QTest::newRow("count only") << 0 << QStringList{u"3"_s} << Rows{{{}, {}, {}}, {{}, {}, {}}};
    QTest::newRow("from row 1") << 1 << QStringList{u"2"_s, u"a"_s, u"b"_s, u"c"_s, u"d"_s}
                                << Rows{{u"H1"_s, u"H2"_s}, {u"a"_s, u"b"_s}, {u"c"_s, u"d"_s}};
    QTest::newRow("colon mark becomes colon") << 0 << QStringList{u"2"_s, u"1"_s + ColonMark + u"2"_s, u"b"_s}
                                              << Rows{{u"1:2"_s, u"b"_s}, {{}, {}}};
}

void TestStringGrid::textToGrid()
{
    QFETCH(int, firstRow);
    QFETCH(QStringList, fields);
    QFETCH(Rows, expected);
    for (const QChar sep : {FieldSep, CellSep}) {
        StringGridModel grid;
        // A larger grid that was there before, with a heading row.
        grid.setRows({{u"H1"_s, u"H2"_s, u"H3"_s, u"H4"_s}, {u"old"_s}, {u"old"_s}, {u"old"_s}, {u"old"_s}}, 4);
        QVERIFY(TextToGrid(joined(fields, sep), &grid, firstRow, sep == FieldSep ? 1 : 2));
        QCOMPARE(rowsOf(grid), expected);
    }
}

void TestStringGrid::textToGridRefusesBadCount_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << u"0"_s + FieldSep + u"a"_s + FieldSep;
    QTest::newRow("not a number") << u"abc"_s + FieldSep + u"a"_s + FieldSep;
    QTest::newRow("negative") << u"-3"_s + FieldSep + u"a"_s + FieldSep;
    QTest::newRow("empty") << QString();
}

void TestStringGrid::textToGridRefusesBadCount()
{
    QFETCH(QString, text);
    StringGridModel grid;
    const Rows before{{u"a"_s, u"b"_s}, {u"c"_s, u"d"_s}, {u"e"_s, u"f"_s}};
    grid.setRows(before, 2);
    QVERIFY(!TextToGrid(text, &grid, 0, 1));
    QCOMPARE(rowsOf(grid), before);
    QVERIFY(!TextToGrid(text, static_cast<StringGrid *>(nullptr), 0, 1));
}

void TestStringGrid::textToGridKeepsRowsAboveFirstRow()
{
    // A grid of 2 rows filled from row 3: rows 0 and 1 stay, the new rows
    // appear below them (nothing is written where it cannot be seen).
    StringGridModel grid;
    grid.setRows({{u"h"_s, u"i"_s}, {u"j"_s, u"k"_s}}, 2);
    QVERIFY(TextToGrid(joined({u"2"_s, u"a"_s, u"b"_s}, FieldSep), &grid, 3, 1));
    QCOMPARE(rowsOf(grid), (Rows{{u"h"_s, u"i"_s}, {u"j"_s, u"k"_s}, {{}, {}}, {u"a"_s, u"b"_s}}));
}

void TestStringGrid::textToGridReadsModeOneAnswer()
{
    // A Mode 1 answer without its status and separator: count, names, values
    // with no separator after the last value.
    const QString answer = u"3"_s + FieldSep + u"名称"_s + FieldSep + u"代码"_s + FieldSep + u"电话"_s + FieldSep
                           + u"甲"_s + FieldSep + u"A"_s + FieldSep + u"1"_s + FieldSep + u"乙"_s + FieldSep
                           + u"B"_s + FieldSep + u""_s;
    StringGrid grid;
    grid.setHeadingRow(true);
    QVERIFY(TextToGrid(answer, &grid, 0, 1));
    QCOMPARE(grid.colCount(), 3);
    QCOMPARE(grid.rowCount(), 3);
    QCOMPARE(grid.model()->headerData(2, Qt::Horizontal).toString(), u"电话"_s);
    QCOMPARE(grid.rowCells(2), (QStringList{u"乙"_s, u"B"_s, QString()}));

    // The whole answer, status first.
    StringGrid fromAnswer;
    QVERIFY(AnswerToGrid(u"OK0"_s + FieldSep + answer, &fromAnswer, 0));
    QCOMPARE(fromAnswer.gridModel()->allRows(), grid.gridModel()->allRows());
    QVERIFY(!AnswerToGrid(u"Errno such table"_s, &fromAnswer, 0));
    QCOMPARE(fromAnswer.rowCount(), 3);
}

void TestStringGrid::gridTextRoundTrip()
{
    StringGridModel grid;
    const Rows rows{{u"20'GP"_s, u"TGHU1234567/SEAL 9"_s, u"10"_s, u"1,234.500"_s},
                    {u""_s, u"  "_s, u"x"_s + FieldSep + u"y"_s, u"末"_s},
                    {u"a:b"_s, u""_s, u""_s, u""_s}};
    grid.setRows(rows, 4);
    const QString text = GridToText(grid, 0, 2);
    QVERIFY(text.startsWith(u"4"_s + CellSep + u"20'GP"_s + CellSep));
    QVERIFY(text.endsWith(CellSep));
    StringGridModel copy;
    QVERIFY(TextToGrid(text, &copy, 0, 2));
    QCOMPARE(rowsOf(copy), rows);
    // From row 1: the heading row stays out of the text.
    QCOMPARE(GridToText(grid, 1, 2), u"4"_s + CellSep + GridRowText(grid, 1, 2) + GridRowText(grid, 2, 2));
}

void TestStringGrid::gridToTextRefusesSeparatorInCell()
{
    StringGridModel grid;
    grid.setRows({{u"ok"_s, u"a"_s + CellSep + u"b"_s}, {u"c"_s, u"d"_s}}, 2);
    // With FieldSep the CellSep is ordinary data …
    QVERIFY(!GridToText(grid, 0, 1).isEmpty());
    // … but as the separator itself it would split the cell on reading.
    QVERIFY_THROWS_EXCEPTION(KorvanError, GridToText(grid, 0, 2));
}

void TestStringGrid::gridRowText()
{
    StringGrid grid;
    grid.setRows({{u"a"_s, u"b"_s, u""_s}, {u"c"_s, u"d"_s, u"e"_s}}, 3);
    QCOMPARE(GridRowText(&grid, 0, 1), u"a"_s + FieldSep + u"b"_s + FieldSep + FieldSep);
    QCOMPARE(GridRowText(&grid, 1, 2), u"c"_s + CellSep + u"d"_s + CellSep + u"e"_s + CellSep);
}

void TestStringGrid::deleteGridRow_data()
{
    QTest::addColumn<Rows>("before");
    QTest::addColumn<int>("row");
    QTest::addColumn<Rows>("after");
    const QStringList e{{}, {}};
    QTest::newRow("two rows: row 1 emptied, two rows kept")
        << Rows{{u"H"_s, u"h"_s}, {u"a"_s, u"b"_s}} << 1 << Rows{{u"H"_s, u"h"_s}, e};
    QTest::newRow("two rows: row 0 gets row 1")
        << Rows{{u"H"_s, u"h"_s}, {u"a"_s, u"b"_s}} << 0 << Rows{{u"a"_s, u"b"_s}, e};
    QTest::newRow("four rows: middle row removed")
        << Rows{{u"H"_s}, {u"a"_s}, {u"b"_s}, {u"c"_s}} << 2 << Rows{{u"H"_s, {}}, {u"a"_s, {}}, {u"c"_s, {}}};
    QTest::newRow("three rows: last removed")
        << Rows{{u"H"_s}, {u"a"_s}, {u"b"_s}} << 2 << Rows{{u"H"_s, {}}, {u"a"_s, {}}};
    QTest::newRow("outside: nothing") << Rows{{u"H"_s}, {u"a"_s}, {u"b"_s}} << 3
                                      << Rows{{u"H"_s, {}}, {u"a"_s, {}}, {u"b"_s, {}}};
    QTest::newRow("one row: emptied") << Rows{{u"a"_s, u"b"_s}} << 0 << Rows{e};
}

void TestStringGrid::deleteGridRow()
{
    QFETCH(Rows, before);
    QFETCH(int, row);
    QFETCH(Rows, after);
    StringGrid grid;
    grid.setRows(before, 2);
    DeleteGridRow(&grid, row);
    QCOMPARE(rowsOf(*grid.gridModel()), after);
}

void TestStringGrid::addGridRowIfFilled()
{
    StringGrid grid;
    grid.setRows({{u"H"_s}, {u"  "_s}}, 1);
    AddGridRowIfFilled(&grid);
    QCOMPARE(grid.rowCount(), 2); // a blank row 1 takes the next line itself
    grid.setCell(1, 0, u"20'GP"_s);
    AddGridRowIfFilled(&grid);
    QCOMPARE(grid.rowCount(), 3);
    QCOMPARE(grid.cell(2, 0), QString());
}

void TestStringGrid::clearGridRows_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("firstRow");
    QTest::addColumn<int>("rowsAfter");
    QTest::addColumn<int>("firstEmptied");
    QTest::newRow("10 from 0") << 10 << 0 << 2 << 0;
    QTest::newRow("10 from 1") << 10 << 1 << 2 << 1;
    QTest::newRow("10 from 4") << 10 << 4 << 4 << 4;
    QTest::newRow("2 from 1") << 2 << 1 << 2 << 1;
    QTest::newRow("1 from 0") << 1 << 0 << 1 << 0;
    QTest::newRow("3 from 5: nothing") << 3 << 5 << 3 << 3;
}

void TestStringGrid::clearGridRows()
{
    QFETCH(int, rows);
    QFETCH(int, firstRow);
    QFETCH(int, rowsAfter);
    QFETCH(int, firstEmptied);
    StringGridModel grid;
    Rows data;
    for (int r = 0; r < rows; ++r)
        data.append({QString::number(r), u"x"_s});
    grid.setRows(data, 2);
    ClearGridRows(grid, firstRow);
    QCOMPARE(grid.rowCount(), rowsAfter);
    QCOMPARE(grid.columnCount(), 2);
    for (int r = 0; r < rowsAfter; ++r)
        QCOMPARE(grid.cell(r, 0), r < firstEmptied ? QString::number(r) : QString());
}

void TestStringGrid::flagsToYesNo()
{
    StringGridModel grid;
    grid.setRows({{u"0"_s, u"1"_s}, {u" 1 "_s, u"x"_s}, {u"0"_s, u""_s}, {u"10"_s, u"1"_s}}, 2);
    FlagsToYesNo(grid, 0, u"是"_s, u"否"_s);
    // Row 0 is the heading and stays; "10" is not a flag.
    QCOMPARE(rowsOf(grid), (Rows{{u"0"_s, u"1"_s}, {u"是"_s, u"x"_s}, {u"否"_s, u""_s}, {u"10"_s, u"1"_s}}));
    FlagsToYesNo(grid, 2, u"是"_s, u"否"_s); // outside the grid: nothing
    FlagsToYesNo(grid, -1, u"是"_s, u"否"_s);
    QCOMPARE(grid.cell(3, 1), u"1"_s);
    StringGridModel single;
    single.setRows({{u"1"_s}}, 1);
    FlagsToYesNo(single, 0, u"是"_s, u"否"_s);
    QCOMPARE(single.cell(0, 0), u"1"_s);
}

void TestStringGrid::selectionTopRow()
{
    StringGrid grid;
    grid.setHeadingRow(true);
    grid.setRows({{u"H"_s, u"h"_s}, {u"a"_s, u"b"_s}, {u"c"_s, u"d"_s}, {u"e"_s, u"f"_s}}, 2);
    QCOMPARE(grid.selectionTopRow(), 1); // nothing chosen yet: the first body row
    grid.setCurrentCell(3, 1);
    QCOMPARE(grid.currentRow(), 3);
    QCOMPARE(grid.currentCol(), 1);
    grid.selectionModel()->select(QItemSelection(grid.model()->index(2, 0), grid.model()->index(3, 1)),
                                  QItemSelectionModel::ClearAndSelect);
    QCOMPARE(grid.selectionTopRow(), 2);
    DeleteGridRow(&grid, grid.selectionTopRow());
    QCOMPARE(grid.rowCells(2), (QStringList{u"e"_s, u"f"_s}));
}

void TestStringGrid::keyHandlerSeesEditorKeys()
{
    StringGrid grid;
    grid.setRows({{u"a"_s, u"b"_s}, {u"c"_s, u"d"_s}}, 2);
    grid.setEditable(true);
    QStringList seen;
    grid.setKeyHandler([&](QKeyEvent *event) {
        seen.append(event->text());
        return event->key() == Qt::Key_X; // X is consumed
    });
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    grid.setCurrentCell(1, 1);
    grid.edit(grid.currentIndex());
    QWidget *editor = QApplication::focusWidget();
    QVERIFY(editor && editor != &grid);
    QTest::keyClicks(editor, u"zx"_s);
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY(!grid.isEditing());
    QCOMPARE(seen.mid(0, 2), (QStringList{u"z"_s, u"x"_s}));
    // The editor opened by edit() selects the old text: "z" replaced it, "x" was eaten.
    QCOMPARE(grid.cell(1, 1), u"z"_s);
}

QTEST_MAIN(TestStringGrid)
#include "tst_stringgrid.moc"
