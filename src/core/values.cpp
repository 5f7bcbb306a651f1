#include "values.h"

#include <QDateTime>
#include <QRegularExpression>

#include "korvanerror.h"

#include <array>
#include <cmath>
#include <optional>

using namespace Qt::StringLiterals;

namespace CommFunU {

namespace {

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool allDigits(QStringView text)
{
    for (const QChar c : text) {
        if (!isAsciiDigit(c))
            return false;
    }
    return true;
}

[[noreturn]] void tooLarge(const QString &text)
{
    throw KorvanError(u"值无效或过大:"_s + text);
}

[[noreturn]] void notANumber(const QString &text)
{
    throw KorvanError(u"'"_s + text + u"' 不是有效的数值"_s);
}

// "0.000" with or without thousands separators.
QString formatThreeDecimals(Amount amount, bool grouped)
{
    const qint64 scaled = amount.scaled();
    // Magnitude in thousandths, the fourth decimal rounded half away from zero.
    quint64 magnitude = scaled < 0 ? quint64(0) - quint64(scaled) : quint64(scaled);
    magnitude = (magnitude + 5) / 10;
    const quint64 whole = magnitude / 1000;
    const quint64 thousandths = magnitude % 1000;
    QString digits = QString::number(whole);
    if (grouped) {
        for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
            digits.insert(at, u',');
    }
    QString out;
    if (scaled < 0 && magnitude != 0)
        out += u'-';
    out += digits;
    out += u'.';
    out += QString::number(thousandths).rightJustified(3, u'0');
    return out;
}

const std::array<QString, 100> &wordTable()
{
    static const std::array<QString, 100> table = [] {
        std::array<QString, 100> t;
        const char *const small[] = {"",        "ONE",     "TWO",       "THREE",    "FOUR",
                                     "FIVE",    "SIX",     "SEVEN",     "EIGHT",    "NINE",
                                     "TEN",     "ELEVEN",  "TWELVE",    "THIRTEEN", "FOURTEEN",
                                     "FIFTEEN", "SIXTEEN", "SEVENTEEN", "EIGHTEEN", "NINETEEN"};
        const char *const tens[] = {"TWENTY", "THIRTY", "FORTY", "FIFTY", "SIXTY", "SEVENTY", "EIGHTY", "NINETY"};
        for (int i = 0; i < 20; ++i)
            t[size_t(i)] = QString::fromLatin1(small[i]);
        for (int i = 20; i < 100; ++i) {
            t[size_t(i)] = QString::fromLatin1(tens[i / 10 - 2]);
            if (i % 10)
                t[size_t(i)] += u' ' + t[size_t(i % 10)];
        }
        return t;
    }();
    return table;
}

int digitsValue(QStringView digits)
{
    int value = 0;
    for (const QChar c : digits)
        value = value * 10 + (c.unicode() - '0');
    return value;
}

bool allZero(QStringView digits)
{
    for (const QChar c : digits) {
        if (c != u'0')
            return false;
    }
    return true;
}

} // namespace

Amount ParseAmount(const QString &text)
{
    if (text.contains(u'e') || text.contains(u'E')) {
        if (const std::optional<QString> plain = PlainDecimalText(text))
            return ParseAmount(*plain);
    }
    QString kept;
    kept.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'-' || c == u'.' || isAsciiDigit(c))
            kept += c;
    }
    if (kept.isEmpty())
        return Amount();
    const qsizetype dot = kept.indexOf(u'.');
    if (dot + 1 > 15 || (dot < 0 && kept.size() >= 15))
        tooLarge(text);
    if (dot >= 0 && kept.size() - dot - 1 > 4)
        kept.truncate(dot + 5);

    // What is left must read as a number: [-]digits[.digits], or [-].digits.
    qsizetype i = 0;
    const bool negative = kept.startsWith(u'-');
    if (negative)
        ++i;
    qint64 whole = 0;
    int wholeDigits = 0;
    while (i < kept.size() && isAsciiDigit(kept.at(i))) {
        whole = whole * 10 + (kept.at(i).unicode() - '0');
        ++wholeDigits;
        ++i;
    }
    qint64 fraction = 0;
    int fractionDigits = 0;
    if (i < kept.size() && kept.at(i) == u'.') {
        ++i;
        while (i < kept.size() && isAsciiDigit(kept.at(i))) {
            fraction = fraction * 10 + (kept.at(i).unicode() - '0');
            ++fractionDigits;
            ++i;
        }
    }
    if (i != kept.size() || wholeDigits + fractionDigits == 0)
        notANumber(text);
    for (int d = fractionDigits; d < 4; ++d)
        fraction *= 10;
    const qint64 scaled = whole * Amount::Scale + fraction;
    return Amount::fromScaled(negative ? -scaled : scaled);
}

bool IsAmountText(const QString &text)
{
    if (PlainDecimalText(text))
        return true;
    const QString t = text.trimmed();
    qsizetype i = t.startsWith(u'-') ? 1 : 0;
    int digits = 0;
    bool point = false;
    for (; i < t.size(); ++i) {
        const QChar c = t.at(i);
        if (isAsciiDigit(c)) {
            ++digits;
        } else if (c == u'.' && !point) {
            point = true;
        } else if (c == u',' && !point && digits > 0) {
            // grouping: only between digits of the whole part
            if (i + 1 >= t.size() || !isAsciiDigit(t.at(i + 1)))
                return false;
        } else {
            return false;
        }
    }
    return digits > 0 || t.isEmpty();
}

std::optional<QString> PlainDecimalText(const QString &text)
{
    static const QRegularExpression pattern(u"^\\s*([-+]?)(\\d*)(?:\\.(\\d*))?[eE]([-+]?\\d{1,3})\\s*$"_s);
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const QString whole = match.captured(2);
    const QString digits = whole + match.captured(3);
    if (digits.isEmpty())
        return std::nullopt;
    const qsizetype point = whole.size() + match.captured(4).toInt();
    QString plain;
    if (point <= 0)
        plain = u"0."_s + QString(-point, u'0') + digits;
    else if (point >= digits.size())
        plain = digits + QString(point - digits.size(), u'0');
    else
        plain = digits.left(point) + u'.' + digits.mid(point);
    return (match.captured(1) == u"-"_s ? u"-"_s : QString()) + plain;
}

QString NormalizeAmount(const QString &text)
{
    return FormatAmount(ParseAmount(text));
}

QString FormatAmount(Amount amount)
{
    return formatThreeDecimals(amount, false);
}

QString FormatGroupedAmount(Amount amount)
{
    return formatThreeDecimals(amount, true);
}

QString FourDecimalText(Amount amount)
{
    const qint64 scaled = amount.scaled();
    const quint64 magnitude = scaled < 0 ? quint64(0) - quint64(scaled) : quint64(scaled);
    return (scaled < 0 ? u"-"_s : QString()) + QString::number(magnitude / 10000) + u'.'
           + QString::number(magnitude % 10000).rightJustified(4, u'0');
}

QString ScaledToText(Amount amount)
{
    return FormatAmount(ParseAmount(FourDecimalText(amount)));
}

QString ScaledToGroupedText(Amount amount)
{
    return FormatGroupedAmount(ParseAmount(FourDecimalText(amount)));
}

QString DigitsOnly(const QString &text)
{
    QString kept;
    for (const QChar c : text) {
        if (c == u'-' || isAsciiDigit(c))
            kept += c;
    }
    if (kept.isEmpty())
        return u"0"_s;
    if (kept.size() > 10)
        tooLarge(text);
    return kept;
}

bool IsTwoDecimalText(const QString &text)
{
    return text.size() >= 3 && text.at(text.size() - 3) == u'.';
}

QString HundredsInWords(const QString &digits)
{
    if (digits.isEmpty() || digits.size() > 3 || !allDigits(digits))
        throw KorvanError(u"不是一至三位的数字: "_s + digits);
    const auto &words = wordTable();
    if (digits.size() != 3)
        return words[size_t(digitsValue(digits))];
    QString out;
    if (digits.at(0) != u'0')
        out = words[size_t(digits.at(0).unicode() - '0')] + u" HUNDRED "_s;
    const int lastTwo = digitsValue(QStringView(digits).mid(1));
    if (lastTwo != 0)
        out += u"AND "_s + words[size_t(lastTwo)];
    return out;
}

QString AmountInWords(const QString &digits)
{
    QStringView number(digits);
    const bool negative = number.startsWith(u'-');
    if (negative)
        number = number.mid(1);
    if (number.isEmpty() || !allDigits(number))
        throw KorvanError(u"不是整数,无法写成英文: "_s + digits);
    while (number.size() > 1 && number.front() == u'0')
        number = number.mid(1);
    if (allZero(number))
        return u"ZERO"_s;
    if (number.size() > 12)
        throw KorvanError(u"数值过大,无法写成英文: "_s + digits);

    static const char *const scales[] = {"", " THOUSAND ", " MILLION ", " BILLION "};
    const qsizetype length = number.size();
    qsizetype group = length % 3 == 0 ? 3 : length % 3;
    int scale = int((length - 1) / 3);
    QString out = negative ? u"MINUS "_s : QString();
    qsizetype at = 0;
    while (scale > 0) {
        const QStringView part = number.mid(at, group);
        if (!allZero(part))
            out += HundredsInWords(part.toString()) + QLatin1StringView(scales[scale]);
        at += group;
        group = 3;
        --scale;
    }
    return out + HundredsInWords(number.mid(at).toString());
}

QString AmountInChinese(Amount amount)
{
    // The limit applies to the amount itself, before it is rounded to 分.
    constexpr qint64 Limit = 999999999900; // 99,999,999.99 in ten-thousandths
    if (amount.scaled() > Limit || amount.scaled() < -Limit)
        return QString();
    const qint64 cents = amount.roundedToCents().scaled() / 100;
    if (cents < 0)
        return u"负"_s + AmountInChinese(-amount);
    static const QString numerals = u"零壹贰叁肆伍陆柒捌玖"_s;
    static const QString units = u"分角圆拾佰仟万拾佰仟"_s;
    if (cents == 0)
        return u"零圆"_s;
    const QString s = QString::number(cents);
    const qsizetype length = s.size();
    QString out;
    for (qsizetype i = 1; i <= length; ++i) {
        const QChar digit = s.at(i - 1);
        if (digit != u'0') {
            if (i > 1 && s.at(i - 2) == u'0')
                out += numerals.at(0);
            out += numerals.at(digit.unicode() - '0');
            out += units.at(length - i);
        } else if (i == length - 2) {
            out += u'圆';
        } else if (i == length - 6) {
            out += u'万';
        }
    }
    return out;
}

QDate ParseDate(const QString &text)
{
    if (text.size() != 10)
        return QDate::currentDate();
    const QStringView t(text);
    QDate date;
    if (allDigits(t.mid(0, 4)) && allDigits(t.mid(5, 2)) && allDigits(t.mid(8, 2)))
        date = QDate(digitsValue(t.mid(0, 4)), digitsValue(t.mid(5, 2)), digitsValue(t.mid(8, 2)));
    if (!date.isValid())
        throw KorvanError(u"日期格式不对: "_s + text);
    return date;
}

namespace {

// Numbers of one to maxDigits digits, between the separators given.
std::optional<QList<int>> typedParts(const QString &text, const QString &separators, int maxDigits)
{
    QList<int> parts;
    int digits = 0;
    int value = 0;
    for (const QChar c : text) {
        if (c >= u'0' && c <= u'9') {
            if (++digits > maxDigits)
                return std::nullopt;
            value = value * 10 + (c.unicode() - u'0');
        } else if (separators.contains(c) && digits > 0) {
            parts << value;
            digits = 0;
            value = 0;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0)
        return std::nullopt;
    parts << value;
    return parts;
}

bool isDigitRun(const QString &text, int length)
{
    return text.size() == length && allDigits(QStringView(text));
}

} // namespace

std::optional<QDate> ParseTypedDate(const QString &typed, const QDate &today)
{
    const QString text = typed.trimmed();
    QDate date;
    if (isDigitRun(text, 8)) {
        const QStringView t(text);
        date = QDate(digitsValue(t.mid(0, 4)), digitsValue(t.mid(4, 2)), digitsValue(t.mid(6, 2)));
    } else if (const auto parts = typedParts(text, u"-/."_s, 4)) {
        const qsizetype first = text.indexOf(QRegularExpression(u"[-/.]"_s));
        if (parts->size() == 3 && first == 4 && parts->at(1) <= 99 && parts->at(2) <= 99)
            date = QDate(parts->at(0), parts->at(1), parts->at(2));
        else if (parts->size() == 2 && first <= 2 && parts->at(1) <= 99)
            date = QDate(today.year(), parts->at(0), parts->at(1));
    }
    if (!date.isValid())
        return std::nullopt;
    return date;
}

std::optional<QTime> ParseTypedTime(const QString &typed)
{
    const QString text = typed.trimmed();
    QTime time;
    if (isDigitRun(text, 3) || isDigitRun(text, 4)) {
        const int value = text.toInt();
        time = QTime(value / 100, value % 100);
    } else if (isDigitRun(text, 6)) {
        const int value = text.toInt();
        time = QTime(value / 10000, value / 100 % 100, value % 100);
    } else if (const auto parts = typedParts(text, u":"_s, 2); parts && parts->size() >= 2 && parts->size() <= 3) {
        time = QTime(parts->at(0), parts->at(1), parts->size() == 3 ? parts->at(2) : 0);
    }
    if (!time.isValid())
        return std::nullopt;
    return time;
}

QTime ParseTime(const QString &text)
{
    if (text.size() != 5)
        return QTime::currentTime();
    const QStringView t(text);
    QTime time;
    if (allDigits(t.mid(0, 2)) && allDigits(t.mid(3, 2)))
        time = QTime(digitsValue(t.mid(0, 2)), digitsValue(t.mid(3, 2)), 0);
    if (!time.isValid())
        throw KorvanError(u"日期格式不对: "_s + text);
    return time;
}

QString DateText(const QDate &date)
{
    return date.toString(u"yyyy-MM-dd"_s);
}

QString TimeText(const QTime &time)
{
    return time.toString(u"HH:mm"_s);
}

QString DateTimeText(const QDateTime &moment)
{
    return DateText(moment.date()) + u' ' + TimeText(moment.time());
}

QString ChineseDateTimeText(const QString &date, const QString &time)
{
    QString text;
    const QDate day = QDate::fromString(date, u"yyyy-MM-dd"_s);
    if (day.isValid())
        text = QString::number(day.year()) + u"年"_s + QString::number(day.month()) + u"月"_s
               + QString::number(day.day()) + u"日"_s;
    const QTime moment = QTime::fromString(time, u"hh:mm"_s);
    if (moment.isValid()) {
        const int hour = moment.hour() % 12 == 0 ? 12 : moment.hour() % 12;
        text += (moment.hour() < 12 ? u"上午"_s : u"下午"_s) + QString::number(hour) + u':'
                + u"%1"_s.arg(moment.minute(), 2, 10, QLatin1Char('0'));
    }
    return text;
}

QDate MonthStart(const QDate &date)
{
    return date.isValid() ? QDate(date.year(), date.month(), 1) : QDate();
}

QDate MonthEnd(const QDate &date)
{
    return date.isValid() ? QDate(date.year(), date.month(), date.daysInMonth()) : QDate();
}

int MmToPixels(int millimetres, int dpi)
{
    return int(std::nearbyint(double(millimetres) / 25.4 * double(dpi)));
}

} // namespace CommFunU
