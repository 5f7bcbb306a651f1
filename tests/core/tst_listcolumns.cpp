// The amount columns of a list: which columns they are, and how their cells
// are shown whatever form the database gave them in.

#include "listcolumns.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class TestListColumns : public QObject
{
    Q_OBJECT

private slots:
    void shownAmount_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        // The forms one amount comes in from the database.
        QTest::newRow("stored") << u"1000.000"_s << u"1,000.000"_s;
        QTest::newRow("computed whole") << u"1000"_s << u"1,000.000"_s;
        QTest::newRow("computed real") << u"1000.0"_s << u"1,000.000"_s;
        QTest::newRow("zero") << u"0"_s << u"0.000"_s;
        QTest::newRow("minus zero") << u"-0.0"_s << u"0.000"_s;
        QTest::newRow("negative") << u"-1234.5"_s << u"-1,234.500"_s;
        QTest::newRow("small negative") << u"-0.5"_s << u"-0.500"_s;
        QTest::newRow("millions") << u"12345678.9"_s << u"12,345,678.900"_s;
        QTest::newRow("already grouped") << u"1,234.000"_s << u"1,234.000"_s;
        QTest::newRow("fourth decimal rounds") << u"2.0005"_s << u"2.001"_s;
        QTest::newRow("exponent") << u"5.55111512312578e-17"_s << u"0.000"_s;
        // No amount known, or no amount at all: kept as it came.
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("blank") << u"  "_s << u"  "_s;
        QTest::newRow("text") << u"待定"_s << u"待定"_s;
        QTest::newRow("digits and letters") << u"12a"_s << u"12a"_s;
        QTest::newRow("beyond range") << u"1234567890123456"_s << u"1234567890123456"_s;
    }
    void shownAmount()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(ListColumns::ShownAmount(text), shown);
    }

    void kinds_data()
    {
        QTest::addColumn<QList<int>>("amounts");
        QTest::addColumn<int>("from");
        QTest::addColumn<QList<int>>("amountColumns"); // of a list of 12 columns
        QTest::newRow("none") << QList<int>{} << -1 << QList<int>{};
        QTest::newRow("some") << QList<int>{10, 8} << -1 << QList<int>{8, 10};
        QTest::newRow("from a column on") << QList<int>{} << 8 << QList<int>{8, 9, 10, 11};
        QTest::newRow("both") << QList<int>{2, 9} << 10 << QList<int>{2, 9, 10, 11};
        QTest::newRow("beyond the list") << QList<int>{12, 20} << 15 << QList<int>{};
    }
    void kinds()
    {
        QFETCH(QList<int>, amounts);
        QFETCH(int, from);
        QFETCH(QList<int>, amountColumns);
        const ListColumns columns = ListColumns::Amounts(amounts, from);
        QCOMPARE(columns.amountColumns(12), amountColumns);
        QCOMPARE(columns.declaresAmounts(), !amounts.isEmpty() || from >= 0);
        for (int c = -1; c < 12; ++c) {
            const bool amount = amountColumns.contains(c);
            QCOMPARE(columns.isAmount(c), amount);
            QCOMPARE(columns.alignment(c), (amount ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
        }
    }

    // Only the amount columns of the body change; the captions, the text
    // columns and short rows stay as they are.
    void showAmounts()
    {
        QList<QStringList> rows{{u"业务编号"_s, u"金额"_s, u"发票号"_s, u"人民币"_s},
                                {u"1001"_s, u"1000"_s, u"2001"_s, u"-5"_s},
                                {u"1002"_s, QString(), u"2002"_s, u"0"_s},
                                {u"1003"_s, u"1234567.5"_s}};
        ListColumns::Amounts({1, 3}).showAmounts(rows, 1);
        QCOMPARE(rows.at(0), (QStringList{u"业务编号"_s, u"金额"_s, u"发票号"_s, u"人民币"_s}));
        QCOMPARE(rows.at(1), (QStringList{u"1001"_s, u"1,000.000"_s, u"2001"_s, u"-5.000"_s}));
        QCOMPARE(rows.at(2), (QStringList{u"1002"_s, QString(), u"2002"_s, u"0.000"_s}));
        QCOMPARE(rows.at(3), (QStringList{u"1003"_s, u"1,234,567.500"_s}));

        QList<QStringList> text{{u"1000"_s}};
        ListColumns().showAmounts(text, 0);
        QCOMPARE(text.at(0).at(0), u"1000"_s);
    }
};

QTEST_GUILESS_MAIN(TestListColumns)
#include "tst_listcolumns.moc"
