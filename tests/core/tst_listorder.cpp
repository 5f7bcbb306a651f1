// Amounts as users type them, and the order of a list sorted by a column.

#include "listorder.h"
#include "values.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using namespace CommFunU;

namespace {

// One cell per row, in column 0 (and the row's position in column 1, so that
// the order of equal cells can be seen).
QList<QStringList> column(const QStringList &cells)
{
    QList<QStringList> rows;
    for (qsizetype i = 0; i < cells.size(); ++i)
        rows.append({cells.at(i), QString::number(i)});
    return rows;
}

QStringList firstCells(const QList<QStringList> &rows)
{
    QStringList out;
    for (const QStringList &row : rows)
        out << row.value(0);
    return out;
}

} // namespace

Q_DECLARE_METATYPE(CommFunU::ColumnKind)

class TestListOrder : public QObject
{
    Q_OBJECT

private slots:
    void amountText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("amount");
        QTest::newRow("typed") << u"15480.5"_s << true;
        QTest::newRow("grouped") << u"55,000.000"_s << true;
        QTest::newRow("negative") << u"-98.6"_s << true;
        QTest::newRow("blanks around") << u" 12 "_s << true;
        QTest::newRow("empty") << QString() << true;
        QTest::newRow("point first") << u".5"_s << true;
        QTest::newRow("computed exponent") << u"5.55111512312578e-17"_s << true;
        QTest::newRow("letter after") << u"12a"_s << false;
        QTest::newRow("letter after point") << u"98.6x"_s << false;
        QTest::newRow("unit") << u"5 KGS"_s << false;
        QTest::newRow("two points") << u"1.2.3"_s << false;
        QTest::newRow("minus inside") << u"1-2"_s << false;
        QTest::newRow("minus alone") << u"-"_s << false;
        QTest::newRow("comma in decimals") << u"1.000,5"_s << false;
        QTest::newRow("comma first") << u",500"_s << false;
        QTest::newRow("comma last") << u"500,"_s << false;
        QTest::newRow("full-width digits") << u"１２"_s << false;
    }
    void amountText()
    {
        QFETCH(QString, text);
        QFETCH(bool, amount);
        QCOMPARE(IsAmountText(text), amount);
    }

    void kinds_data()
    {
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<CommFunU::ColumnKind>("kind");
        QTest::newRow("amounts") << QStringList{u"1,250.000"_s, u""_s, u"-3.5"_s, u"12"_s} << ColumnKind::Amount;
        QTest::newRow("dates") << QStringList{u"2026-12-20"_s, u"2026-01-03 14:30"_s, u""_s} << ColumnKind::Date;
        QTest::newRow("B/L numbers with letters") << QStringList{u"COSU123"_s, u"123"_s} << ColumnKind::Text;
        QTest::newRow("no date") << QStringList{u"2026-13-01"_s} << ColumnKind::Text;
        QTest::newRow("all empty") << QStringList{u""_s, u" "_s} << ColumnKind::Text;
    }
    void kinds()
    {
        QFETCH(QStringList, cells);
        QFETCH(CommFunU::ColumnKind, kind);
        const QList<QStringList> rows = column(cells);
        QCOMPARE(KindOfColumn(rows, 0, rows.size(), 0), kind);
    }

    void sorted_data()
    {
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<QStringList>("ascending");
        // As text, 9.000 would follow 10.000 and 1,250.000 would lead.
        QTest::newRow("amounts by value")
            << QStringList{u"10.000"_s, u"9.000"_s, u"1,250.000"_s, u"-2.000"_s, u""_s}
            << QStringList{u""_s, u"-2.000"_s, u"9.000"_s, u"10.000"_s, u"1,250.000"_s};
        QTest::newRow("dates by date")
            << QStringList{u"2026-12-01"_s, u"2025-12-31"_s, u"2026-02-28 08:00"_s}
            << QStringList{u"2025-12-31"_s, u"2026-02-28 08:00"_s, u"2026-12-01"_s};
        // By pinyin: chen, li, wang, zhang, zhao; the code points would give
        // 张 (5F20), 李 (674E), 王 (738B), 赵 (8D75), 陈 (9648).
        QTest::newRow("Chinese by pinyin")
            << QStringList{u"赵敏"_s, u"王军"_s, u"陈静"_s, u"张三"_s, u"李华"_s}
            << QStringList{u"陈静"_s, u"李华"_s, u"王军"_s, u"张三"_s, u"赵敏"_s};
        QTest::newRow("Latin without case, numbers inside by value")
            << QStringList{u"vessel 10"_s, u"Vessel 9"_s, u"ANNA"_s}
            << QStringList{u"ANNA"_s, u"Vessel 9"_s, u"vessel 10"_s};
    }
    void sorted()
    {
        QFETCH(QStringList, cells);
        QFETCH(QStringList, ascending);
        QList<QStringList> rows = column(cells);
        SortRows(rows, 0, rows.size(), 0, Qt::AscendingOrder);
        QCOMPARE(firstCells(rows), ascending);
        SortRows(rows, 0, rows.size(), 0, Qt::DescendingOrder);
        QStringList descending = ascending;
        std::reverse(descending.begin(), descending.end());
        QCOMPARE(firstCells(rows), descending);
    }

    void rangeAndStability()
    {
        // The heading row and a TOTAL line outside the range stay; equal
        // cells keep their order.
        QList<QStringList> rows{{u"金额"_s, u"h"_s}, {u"5"_s, u"a"_s}, {u"1"_s, u"b"_s},
                                {u"5"_s, u"c"_s}, {u"1"_s, u"d"_s}, {u"12"_s, u"TOTAL"_s}};
        SortRows(rows, 1, 5, 0, Qt::AscendingOrder);
        QStringList order;
        for (const QStringList &row : rows)
            order << row.at(1);
        QCOMPARE(order, (QStringList{u"h"_s, u"b"_s, u"d"_s, u"a"_s, u"c"_s, u"TOTAL"_s}));
    }
};

QTEST_APPLESS_MAIN(TestListOrder)
#include "tst_listorder.moc"
