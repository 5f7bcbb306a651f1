#include "korvanerror.h"
#include "values.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using namespace CommFunU;

namespace {

Amount scaled(qint64 tenThousandths)
{
    return Amount::fromScaled(tenThousandths);
}

} // namespace

Q_DECLARE_METATYPE(Amount)

class TestValues : public QObject
{
    Q_OBJECT

private slots:
    void parseAmount_data();
    void parseAmount();
    void parseAmountFails_data();
    void parseAmountFails();
    void formatting_data();
    void formatting();
    void scaledText();
    void products_data();
    void products();
    void overflowThrows();
    void digitsOnly_data();
    void digitsOnly();
    void twoDecimalText_data();
    void twoDecimalText();

    void hundredsInWords_data();
    void hundredsInWords();
    void amountInWords_data();
    void amountInWords();
    void amountInWordsRefuses_data();
    void amountInWordsRefuses();
    void amountInChinese_data();
    void amountInChinese();
    void percentOf_data();
    void percentOf();
    void parseExponent_data();
    void parseExponent();

    void parseDate_data();
    void parseDate();
    void parseDateFails_data();
    void parseDateFails();
    void otherLengthsGiveNow();
    void parseTime();
    void monthEnds_data();
    void monthEnds();
    void chineseDateTime_data();
    void chineseDateTime();
    void mmToPixels();
};

void TestValues::parseAmount_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("expected");
    QTest::newRow("empty") << u""_s << qint64(0);
    QTest::newRow("letters only") << u"abc"_s << qint64(0);
    QTest::newRow("grouped") << u"12,345.678"_s << qint64(123456780);
    QTest::newRow("cut, not rounded") << u"1.234567"_s << qint64(12345);
    QTest::newRow("negative cut") << u"-1.99999"_s << qint64(-19999);
    QTest::newRow("integer") << u"7"_s << qint64(70000);
    QTest::newRow("trailing point") << u"5."_s << qint64(50000);
    QTest::newRow("leading point") << u".5"_s << qint64(5000);
    QTest::newRow("units and spaces") << u" 1 234.5 KGS"_s << qint64(12345000);
    QTest::newRow("14 digits") << u"99999999999999"_s << qint64(999999999999990000);
    QTest::newRow("14 digits and decimals") << u"99999999999999.9999"_s << qint64(999999999999999999);
    // The second point lies past the four kept decimals and is cut away.
    QTest::newRow("second point after four decimals") << u"1.23456.7"_s << qint64(12345);
    QTest::newRow("full-width digits are not digits") << u"１２"_s << qint64(0);
}

void TestValues::parseAmount()
{
    QFETCH(QString, text);
    QFETCH(qint64, expected);
    QCOMPARE(ParseAmount(text).scaled(), expected);
}

void TestValues::parseAmountFails_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::newRow("two points") << u"1.2.3"_s << QString();
    QTest::newRow("minus inside") << u"12-3"_s << QString();
    QTest::newRow("minus alone") << u"-"_s << QString();
    QTest::newRow("point alone") << u"."_s << QString();
    QTest::newRow("15 digits") << u"123456789012345"_s << u"值无效或过大:123456789012345"_s;
    QTest::newRow("point at 16") << u"123456789012345.5"_s << u"值无效或过大:123456789012345.5"_s;
    // The sign counts among the 15 characters.
    QTest::newRow("minus and 14 digits") << u"-99999999999999.9"_s << u"值无效或过大:-99999999999999.9"_s;
}

void TestValues::parseAmountFails()
{
    QFETCH(QString, text);
    QFETCH(QString, message);
    try {
        ParseAmount(text);
        QFAIL("no error");
    } catch (const KorvanError &e) {
        if (!message.isEmpty())
            QCOMPARE(e.message(), message);
        else
            QVERIFY2(e.message().contains(text), qPrintable(e.message()));
    }
}

void TestValues::formatting_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("plain");
    QTest::addColumn<QString>("grouped");
    QTest::newRow("7") << u"7"_s << u"7.000"_s << u"7.000"_s;
    QTest::newRow("grouped input") << u"1,234.5"_s << u"1234.500"_s << u"1,234.500"_s;
    QTest::newRow("million") << u"1234567.5"_s << u"1234567.500"_s << u"1,234,567.500"_s;
    QTest::newRow("fourth decimal half up") << u"1.2345"_s << u"1.235"_s << u"1.235"_s;
    QTest::newRow("fourth decimal below half") << u"1.2344"_s << u"1.234"_s << u"1.234"_s;
    QTest::newRow("negative half") << u"-1000.0005"_s << u"-1000.001"_s << u"-1,000.001"_s;
    QTest::newRow("no negative zero") << u"-0.0004"_s << u"0.000"_s << u"0.000"_s;
    QTest::newRow("carry") << u"999.9995"_s << u"1000.000"_s << u"1,000.000"_s;
    QTest::newRow("exactly three groups") << u"123456"_s << u"123456.000"_s << u"123,456.000"_s;
    QTest::newRow("largest negative") << u"-9999999999999.9999"_s << u"-10000000000000.000"_s
                                      << u"-10,000,000,000,000.000"_s;
}

void TestValues::formatting()
{
    QFETCH(QString, text);
    QFETCH(QString, plain);
    QFETCH(QString, grouped);
    QCOMPARE(NormalizeAmount(text), plain);
    QCOMPARE(FormatGroupedAmount(ParseAmount(text)), grouped);
}

void TestValues::scaledText()
{
    QCOMPARE(ScaledToText(scaled(12345678)), u"1234.568"_s);
    QCOMPARE(ScaledToGroupedText(scaled(12345678)), u"1,234.568"_s);
    QCOMPARE(FourDecimalText(scaled(-5)), u"-0.0005"_s);
    // Beyond what ParseAmount reads back: the same error as a typed value.
    QVERIFY_THROWS_EXCEPTION(KorvanError, ScaledToText(scaled(1'000'000'000'000'000'000)));
}

void TestValues::products_data()
{
    QTest::addColumn<qint64>("a");
    QTest::addColumn<qint64>("b");
    QTest::addColumn<qint64>("product");
    // 0.0005 × 0.5 = 0.00025: halfway, to the even 0.0002.
    QTest::newRow("half to even, down") << qint64(5) << qint64(5000) << qint64(2);
    // 0.0015 × 0.5 = 0.00075: halfway, to the even 0.0008.
    QTest::newRow("half to even, up") << qint64(15) << qint64(5000) << qint64(8);
    QTest::newRow("negative half to even") << qint64(-15) << qint64(5000) << qint64(-8);
    QTest::newRow("above half") << qint64(12346) << qint64(12346) << qint64(15242); // 1.2346² = 1.52423716
    QTest::newRow("price times pieces") << qint64(12'3450) << qint64(3'0000) << qint64(37'0350);
}

void TestValues::products()
{
    QFETCH(qint64, a);
    QFETCH(qint64, b);
    QFETCH(qint64, product);
    QCOMPARE((scaled(a) * scaled(b)).scaled(), product);
    QCOMPARE((scaled(b) * scaled(a)).scaled(), product);
}

void TestValues::overflowThrows()
{
    const Amount big = scaled(std::numeric_limits<qint64>::max() - 1);
    QVERIFY_THROWS_EXCEPTION(KorvanError, big + scaled(10));
    QVERIFY_THROWS_EXCEPTION(KorvanError, big * Amount::fromUnits(2));
    QVERIFY_THROWS_EXCEPTION(KorvanError, -scaled(std::numeric_limits<qint64>::min()));
    QCOMPARE((Amount::fromUnits(3) - scaled(1)).scaled(), qint64(29999));
}

void TestValues::digitsOnly_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty") << u""_s << u"0"_s;
    QTest::newRow("mixed") << u"12 箱 3"_s << u"123"_s;
    QTest::newRow("minus kept") << u"-5pcs"_s << u"-5"_s;
    QTest::newRow("ten characters") << u"1234567890"_s << u"1234567890"_s;
    QTest::newRow("eleven characters") << u"12345678901"_s << QString();
    QTest::newRow("eleven with minus") << u"-1234567890"_s << QString();
}

void TestValues::digitsOnly()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    if (expected.isNull()) {
        try {
            DigitsOnly(text);
            QFAIL("no error");
        } catch (const KorvanError &e) {
            QCOMPARE(e.message(), u"值无效或过大:"_s + text);
        }
    } else {
        QCOMPARE(DigitsOnly(text), expected);
    }
}

void TestValues::twoDecimalText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("expected");
    QTest::newRow("1234.50") << u"1234.50"_s << true;
    QTest::newRow("1234.5") << u"1234.5"_s << false;
    QTest::newRow("12.345") << u"12.345"_s << false;
    QTest::newRow(".50") << u".50"_s << true;
    QTest::newRow("50") << u"50"_s << false;
}

void TestValues::twoDecimalText()
{
    QFETCH(QString, text);
    QFETCH(bool, expected);
    QCOMPARE(IsTwoDecimalText(text), expected);
}

void TestValues::hundredsInWords_data()
{
    QTest::addColumn<QString>("digits");
    QTest::addColumn<QString>("words");
    QTest::newRow("0") << u"0"_s << u""_s;
    QTest::newRow("7") << u"7"_s << u"SEVEN"_s;
    QTest::newRow("19") << u"19"_s << u"NINETEEN"_s;
    QTest::newRow("40") << u"40"_s << u"FORTY"_s;
    QTest::newRow("99") << u"99"_s << u"NINETY NINE"_s;
    QTest::newRow("100") << u"100"_s << u"ONE HUNDRED "_s;
    QTest::newRow("105") << u"105"_s << u"ONE HUNDRED AND FIVE"_s;
    QTest::newRow("023") << u"023"_s << u"AND TWENTY THREE"_s;
    QTest::newRow("000") << u"000"_s << u""_s;
}

void TestValues::hundredsInWords()
{
    QFETCH(QString, digits);
    QFETCH(QString, words);
    QCOMPARE(HundredsInWords(digits), words);
}

void TestValues::amountInWords_data()
{
    QTest::addColumn<QString>("digits");
    QTest::addColumn<QString>("words");
    QTest::newRow("0") << u"0"_s << u"ZERO"_s;
    QTest::newRow("7") << u"7"_s << u"SEVEN"_s;
    QTest::newRow("100") << u"100"_s << u"ONE HUNDRED "_s;
    QTest::newRow("1000") << u"1000"_s << u"ONE THOUSAND "_s;
    QTest::newRow("1023") << u"1023"_s << u"ONE THOUSAND AND TWENTY THREE"_s;
    QTest::newRow("21500") << u"21500"_s << u"TWENTY ONE THOUSAND FIVE HUNDRED "_s;
    QTest::newRow("100000") << u"100000"_s << u"ONE HUNDRED  THOUSAND "_s;
    QTest::newRow("1000001") << u"1000001"_s << u"ONE MILLION AND ONE"_s;
    QTest::newRow("1001000") << u"1001000"_s << u"ONE MILLION AND ONE THOUSAND "_s; // as built: "001" reads "AND ONE"
    QTest::newRow("999999999") << u"999999999"_s
                               << u"NINE HUNDRED AND NINETY NINE MILLION NINE HUNDRED AND NINETY NINE THOUSAND "
                                  u"NINE HUNDRED AND NINETY NINE"_s;
    // Leading zeros read as the number they pad: 007 is SEVEN, not "AND SEVEN".
    QTest::newRow("007") << u"007"_s << u"SEVEN"_s;
    QTest::newRow("000") << u"000"_s << u"ZERO"_s;
    // Ten digits (DigitsOnly lets them through) go on to BILLION.
    QTest::newRow("1234567890") << u"1234567890"_s
                                << u"ONE BILLION TWO HUNDRED AND THIRTY FOUR MILLION FIVE HUNDRED AND SIXTY SEVEN "
                                   u"THOUSAND EIGHT HUNDRED AND NINETY"_s;
    QTest::newRow("negative") << u"-12"_s << u"MINUS TWELVE"_s;
    QTest::newRow("minus zero") << u"-0"_s << u"ZERO"_s;
}

void TestValues::amountInWords()
{
    QFETCH(QString, digits);
    QFETCH(QString, words);
    QCOMPARE(AmountInWords(digits), words);
}

void TestValues::amountInWordsRefuses_data()
{
    QTest::addColumn<QString>("digits");
    QTest::newRow("empty") << u""_s;
    QTest::newRow("letters") << u"12a"_s;
    QTest::newRow("decimal") << u"1.5"_s;
    QTest::newRow("minus inside") << u"1-2"_s;
    QTest::newRow("13 digits") << u"1234567890123"_s;
}

void TestValues::amountInWordsRefuses()
{
    QFETCH(QString, digits);
    QVERIFY_THROWS_EXCEPTION(KorvanError, AmountInWords(digits));
}

void TestValues::amountInChinese_data()
{
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("text");
    QTest::newRow("1234.56") << u"1234.56"_s << u"壹仟贰佰叁拾肆圆伍角陆分"_s;
    QTest::newRow("100") << u"100"_s << u"壹佰圆"_s;
    QTest::newRow("1005") << u"1005"_s << u"壹仟零伍圆"_s;
    QTest::newRow("10.05") << u"10.05"_s << u"壹拾圆零伍分"_s;
    QTest::newRow("0.5") << u"0.5"_s << u"伍角"_s;
    QTest::newRow("100000") << u"100000"_s << u"壹拾万圆"_s;
    QTest::newRow("10000000") << u"10000000"_s << u"壹仟万圆"_s;
    QTest::newRow("1000100") << u"1000100"_s << u"壹佰万零壹佰圆"_s;
    QTest::newRow("largest") << u"99999999.99"_s << u"玖仟玖佰玖拾玖万玖仟玖佰玖拾玖圆玖角玖分"_s;
    QTest::newRow("too large") << u"100000000"_s << u""_s;
    QTest::newRow("rounds to too large") << u"99999999.995"_s << u""_s;
    // The limit is on the amount, not on the amount rounded to 分.
    QTest::newRow("just above the limit") << u"99999999.991"_s << u""_s;
    QTest::newRow("negative, just above the limit") << u"-99999999.991"_s << u""_s;
    QTest::newRow("half cent to even, down") << u"0.125"_s << u"壹角贰分"_s;
    QTest::newRow("half cent to even, up") << u"0.375"_s << u"叁角捌分"_s;
    // Exact: as a double 1.015 is 1.01499…, which would round to 壹圆零壹分.
    QTest::newRow("1.015 exact") << u"1.015"_s << u"壹圆零贰分"_s;
    QTest::newRow("half cent to zero") << u"0.005"_s << u"零圆"_s;
    QTest::newRow("zero") << u"0"_s << u"零圆"_s;
    QTest::newRow("negative") << u"-10.05"_s << u"负壹拾圆零伍分"_s;
    QTest::newRow("negative too large") << u"-100000000"_s << u""_s;
}

void TestValues::amountInChinese()
{
    QFETCH(QString, amount);
    QFETCH(QString, text);
    QCOMPARE(AmountInChinese(ParseAmount(amount)), text);
}

void TestValues::percentOf_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<QString>("four");
    QTest::addColumn<QString>("shown");
    // One rounding at the fourth decimal, halves to even; shown with three.
    QTest::newRow("2.100 x 0.5%") << u"2.100"_s << u"0.5"_s << u"0.0105"_s << u"0.011"_s;
    QTest::newRow("2.090 x 0.5%") << u"2.090"_s << u"0.5"_s << u"0.0104"_s << u"0.010"_s;
    QTest::newRow("-2.100 x 0.5%") << u"-2.100"_s << u"0.5"_s << u"-0.0105"_s << u"-0.011"_s;
    QTest::newRow("half to even up") << u"0.0030"_s << u"5"_s << u"0.0002"_s << u"0.000"_s;
    QTest::newRow("1,000 x 3%") << u"1000"_s << u"3"_s << u"30.0000"_s << u"30.000"_s;
    QTest::newRow("rate with decimals") << u"12345.6789"_s << u"0.125"_s << u"15.4321"_s << u"15.432"_s;
}

void TestValues::percentOf()
{
    QFETCH(QString, base);
    QFETCH(QString, rate);
    QFETCH(QString, four);
    QFETCH(QString, shown);
    const Amount result = ParseAmount(base).percentOf(ParseAmount(rate));
    QCOMPARE(FourDecimalText(result), four);
    QCOMPARE(FormatAmount(result), shown);
}

void TestValues::parseExponent_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("four");
    // What a computed REAL may look like; read with its exponent, not as 1.1102.
    QTest::newRow("tiny positive") << u"1.11022302462516e-16"_s << u"0.0000"_s;
    QTest::newRow("tiny negative") << u"-5.55111512312578e-17"_s << u"0.0000"_s;
    QTest::newRow("large") << u"1.5E+3"_s << u"1500.0000"_s;
    QTest::newRow("no fraction") << u"2e2"_s << u"200.0000"_s;
    QTest::newRow("small kept") << u"1.2345e-2"_s << u"0.0123"_s;
    // Anything else keeps the usual reading of typed text.
    QTest::newRow("word with e") << u"5 pieces"_s << u"5.0000"_s;
    QTest::newRow("exponent not trailing") << u"1e5 PCS"_s << u"15.0000"_s;
}

void TestValues::parseExponent()
{
    QFETCH(QString, text);
    QFETCH(QString, four);
    QCOMPARE(FourDecimalText(ParseAmount(text)), four);
}

void TestValues::parseDate_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("date");
    QTest::newRow("plain") << u"2024-02-29"_s << QDate(2024, 2, 29);
    QTest::newRow("other separators") << u"2024/03/01"_s << QDate(2024, 3, 1);
    QTest::newRow("month text -01") << u"2023-11-01"_s << QDate(2023, 11, 1);
}

void TestValues::parseDate()
{
    QFETCH(QString, text);
    QFETCH(QDate, date);
    QCOMPARE(ParseDate(text), date);
    QCOMPARE(DateText(date), text.left(4) + u'-' + text.mid(5, 2) + u'-' + text.right(2));
}

void TestValues::parseDateFails_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("29 Feb 2023") << u"2023-02-29"_s;
    QTest::newRow("month 13") << u"2023-13-01"_s;
    QTest::newRow("letters") << u"2023-0a-01"_s;
    QTest::newRow("spaces") << u"2023- 1-01"_s;
    QTest::newRow("year 0") << u"0000-01-01"_s;
}

void TestValues::parseDateFails()
{
    QFETCH(QString, text);
    try {
        ParseDate(text);
        QFAIL("no error");
    } catch (const KorvanError &e) {
        QCOMPARE(e.message(), u"日期格式不对: "_s + text);
    }
}

void TestValues::otherLengthsGiveNow()
{
    const QDate today = QDate::currentDate();
    for (const QString &text : {u""_s, u"2024-1-01"_s, u"2024-01-011"_s}) {
        const QDate d = ParseDate(text);
        QVERIFY(d == today || d == today.addDays(1)); // midnight may pass
    }
    QVERIFY(ParseTime(u"9:30"_s).isValid());
}

void TestValues::parseTime()
{
    QCOMPARE(ParseTime(u"09:05"_s), QTime(9, 5, 0));
    QCOMPARE(ParseTime(u"23.59"_s), QTime(23, 59, 0));
    QCOMPARE(TimeText(QTime(7, 3, 45)), u"07:03"_s);
    for (const QString &bad : {u"24:00"_s, u"12:60"_s, u"ab:cd"_s}) {
        try {
            ParseTime(bad);
            QFAIL("no error");
        } catch (const KorvanError &e) {
            QCOMPARE(e.message(), u"日期格式不对: "_s + bad);
        }
    }
}

void TestValues::chineseDateTime_data()
{
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("expected");
    QTest::newRow("afternoon") << u"2026-03-08"_s << u"14:30"_s << u"2026年3月8日下午2:30"_s;
    QTest::newRow("morning") << u"2026-12-01"_s << u"09:05"_s << u"2026年12月1日上午9:05"_s;
    QTest::newRow("midnight") << u"2026-01-01"_s << u"00:00"_s << u"2026年1月1日上午12:00"_s;
    QTest::newRow("noon") << u"2026-06-30"_s << u"12:00"_s << u"2026年6月30日下午12:00"_s;
    QTest::newRow("date only") << u"2026-03-08"_s << QString() << u"2026年3月8日"_s;
    QTest::newRow("time only") << QString() << u"23:59"_s << u"下午11:59"_s;
    QTest::newRow("no date, no time") << u"2026-02-30"_s << u"25:00"_s << QString();
}

void TestValues::chineseDateTime()
{
    QFETCH(QString, date);
    QFETCH(QString, time);
    QFETCH(QString, expected);
    QCOMPARE(CommFunU::ChineseDateTimeText(date, time), expected);
}

void TestValues::monthEnds_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QDate>("start");
    QTest::addColumn<QDate>("end");
    QTest::newRow("Feb 2000 (leap)") << QDate(2000, 2, 13) << QDate(2000, 2, 1) << QDate(2000, 2, 29);
    QTest::newRow("Feb 1900 (not leap)") << QDate(1900, 2, 28) << QDate(1900, 2, 1) << QDate(1900, 2, 28);
    QTest::newRow("Feb 2024") << QDate(2024, 2, 1) << QDate(2024, 2, 1) << QDate(2024, 2, 29);
    QTest::newRow("Feb 2023") << QDate(2023, 2, 10) << QDate(2023, 2, 1) << QDate(2023, 2, 28);
    QTest::newRow("April") << QDate(2023, 4, 30) << QDate(2023, 4, 1) << QDate(2023, 4, 30);
    QTest::newRow("December") << QDate(2023, 12, 31) << QDate(2023, 12, 1) << QDate(2023, 12, 31);
}

void TestValues::monthEnds()
{
    QFETCH(QDate, date);
    QFETCH(QDate, start);
    QFETCH(QDate, end);
    QCOMPARE(MonthStart(date), start);
    QCOMPARE(MonthEnd(date), end);
}

void TestValues::mmToPixels()
{
    QCOMPARE(MmToPixels(5, 600), 118); // 118.11
    QCOMPARE(MmToPixels(254, 300), 3000);
    QCOMPARE(MmToPixels(10, 72), 28); // 28.35
    QCOMPARE(MmToPixels(0, 600), 0);
}

QTEST_APPLESS_MAIN(TestValues)
#include "tst_values.moc"
