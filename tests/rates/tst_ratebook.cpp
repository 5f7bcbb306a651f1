// The rate book without a window: the container types of a job, prices as
// stored, a general increase on one price, the order of a rate list and the
// freight of a job from a rate.

#include "ratebatch.h"
#include "ratebook.h"
#include "ratelist.h"
#include "schema.h"
#include "tchayunjiafrm.h"
#include "values.h"

#include <QTest>

using namespace Qt::StringLiterals;

using Boxes = QList<std::pair<QString, int>>;
Q_DECLARE_METATYPE(Boxes)

namespace {

// A listed rate: 序号, 船公司 and the selling prices 20'GP … CBM.
QStringList listed(const QString &number, const QString &carrier, const QStringList &prices)
{
    QStringList row(RateBook::listColumns().size());
    row[0] = number;
    row[1] = carrier;
    for (int i = 0; i < prices.size(); ++i)
        row[RateList::column(RateBook::sellColumn(i))] = prices.at(i);
    return row;
}

QHash<QString, QString> rate(const QString &currency, const QStringList &prices)
{
    QHash<QString, QString> r{{u"币种"_s, currency}};
    for (int i = 0; i < prices.size(); ++i)
        r.insert(RateBook::sellColumn(i), prices.at(i));
    return r;
}

} // namespace

class TestRateBook : public QObject
{
    Q_OBJECT

private slots:
    void columnsAreTheServersTable()
    {
        QCOMPARE(RateBook::columns(), Schema::find(RateBook::Table)->columns);
    }

    void containers_data()
    {
        QTest::addColumn<QString>("summary");
        QTest::addColumn<Boxes>("boxes");
        QTest::newRow("two types") << u"20'GP*2 & 40'HC*1"_s << Boxes{{u"20'GP"_s, 2}, {u"40'HC"_s, 1}};
        QTest::newRow("blanks") << u" 40'GP * 3 &&45'HC*1 "_s << Boxes{{u"40'GP"_s, 3}, {u"45'HC"_s, 1}};
        QTest::newRow("no count") << u"20'GP"_s << Boxes{{u"20'GP"_s, 1}};
        QTest::newRow("empty") << QString() << Boxes{};
        QTest::newRow("bad count") << u"20'GP*x"_s << Boxes{{u"20'GP"_s, 0}};
    }
    void containers()
    {
        QFETCH(QString, summary);
        QFETCH(Boxes, boxes);
        QCOMPARE(RateBook::containers(summary), boxes);
    }

    void storedPrice_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("stored");
        QTest::newRow("empty is no rate") << u"  "_s << true << QString();
        QTest::newRow("grouped") << u"1,250.5"_s << true << u"1250.500"_s;
        QTest::newRow("three decimals") << u"0.0005"_s << true << u"0.001"_s;
        QTest::newRow("words") << u"USD 100"_s << false << QString();
        QTest::newRow("two points") << u"1.2.3"_s << false << QString();
        QTest::newRow("a unit after it") << u"100元"_s << false << QString();
        QTest::newRow("negative") << u"-12.5"_s << true << u"-12.500"_s;
    }
    void storedPrice()
    {
        QFETCH(QString, typed);
        QFETCH(bool, valid);
        QFETCH(QString, stored);
        const std::optional<QString> price = RateBook::storedPrice(typed);
        QCOMPARE(price.has_value(), valid);
        if (valid)
            QCOMPARE(*price, stored);
    }

    void adjusted_data()
    {
        QTest::addColumn<QString>("price");
        QTest::addColumn<bool>("percent");
        QTest::addColumn<QString>("by");
        QTest::addColumn<QString>("result");
        QTest::newRow("amount") << u"1200.000"_s << false << u"150"_s << u"1350.000"_s;
        QTest::newRow("decrease") << u"1200.000"_s << false << u"-200.5"_s << u"999.500"_s;
        QTest::newRow("percent") << u"1200.000"_s << true << u"7.5"_s << u"1290.000"_s;
        // 333.333 × 101.1 % = 336.999663: stored with three decimals.
        QTest::newRow("percent rounded") << u"333.333"_s << true << u"1.1"_s << u"337.000"_s;
        QTest::newRow("no rate stays none") << QString() << false << u"100"_s << QString();
    }
    void adjusted()
    {
        QFETCH(QString, price);
        QFETCH(bool, percent);
        QFETCH(QString, by);
        QFETCH(QString, result);
        QCOMPARE(RateBook::adjusted(price, percent ? RateBook::Percent : RateBook::ByAmount, CommFunU::ParseAmount(by)),
                 result);
    }

    void planRefusesANegativePrice()
    {
        RateBatch batch;
        batch.sell[0] = Amount::fromUnits(-500);
        QStringList stored(RateBook::columns().size());
        stored[0] = u"7"_s;
        stored[RateBook::columns().indexOf(RateBook::sellColumn(0))] = u"400.000"_s;
        QString error;
        QVERIFY(batch.plan({stored}, &error).isEmpty());
        QVERIFY2(error.contains(u"7"_s) && error.contains(u"售价20GP"_s), qPrintable(error));
    }

    void sortOrder_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("carrier");
        QTest::addColumn<QStringList>("numbers");
        // Rates 1 to 4: 20'GP 300, 100, none, 100; 40'HC 500, 50, 200, none.
        QTest::newRow("20'GP, none last, ties by number") << 0 << QString() << QStringList{u"2"_s, u"4"_s, u"1"_s, u"3"_s};
        QTest::newRow("40'HC") << 2 << QString() << QStringList{u"2"_s, u"3"_s, u"1"_s, u"4"_s};
        QTest::newRow("carrier first") << 0 << u"马士基"_s << QStringList{u"1"_s, u"3"_s, u"2"_s, u"4"_s};
    }
    void sortOrder()
    {
        QFETCH(int, type);
        QFETCH(QString, carrier);
        QFETCH(QStringList, numbers);
        QList<QStringList> rows{listed(u"1"_s, u"马士基"_s, {u"300.000"_s, {}, u"500.000"_s}),
                                listed(u"2"_s, u"中远集运"_s, {u"100.000"_s, {}, u"50.000"_s}),
                                listed(u"3"_s, u"马士基"_s, {{}, {}, u"200.000"_s}),
                                listed(u"4"_s, u"中远集运"_s, {u"100.000"_s, {}, {}})};
        RateList::sort(rows, type, carrier);
        QStringList order;
        for (const QStringList &row : rows)
            order << row.value(0);
        QCOMPARE(order, numbers);
    }

    void freightOfAJob_data()
    {
        QTest::addColumn<QString>("currency");
        QTest::addColumn<QString>("containers");
        QTest::addColumn<QString>("total");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("three containers") << u"USD"_s << u"20'GP*2 & 40'HC*1"_s << u"4700.000"_s << QString();
        QTest::newRow("type without a price") << u"USD"_s << u"20'GP*1 & 45'HC*1"_s << QString() << u"45'HC"_s;
        QTest::newRow("type unknown") << u"USD"_s << u"20'RF*1"_s << QString() << u"20'RF"_s;
        QTest::newRow("no containers") << u"USD"_s << QString() << QString() << u"没有箱型箱量"_s;
        QTest::newRow("not in dollars") << u"RMB"_s << u"20'GP*1"_s << QString() << u"RMB"_s;
    }
    void freightOfAJob()
    {
        QFETCH(QString, currency);
        QFETCH(QString, containers);
        QFETCH(QString, total);
        QFETCH(QString, refusal);
        const TChaYunJiaFrm::Sum sum =
            TChaYunJiaFrm::SumOf(rate(currency, {u"1200.000"_s, u"2200.000"_s, u"2300.000"_s, {}, u"48.000"_s}), containers);
        if (refusal.isEmpty()) {
            QCOMPARE(sum.refusal, QString());
            QCOMPARE(CommFunU::FormatAmount(sum.total), total);
            QCOMPARE(sum.text, u"2 × 20'GP 1,200.000 + 1 × 40'HC 2,300.000 = 4,700.000 USD"_s);
        } else {
            QVERIFY2(sum.refusal.contains(refusal), qPrintable(sum.refusal));
        }
    }
};

QTEST_MAIN(TestRateBook)
#include "tst_ratebook.moc"
