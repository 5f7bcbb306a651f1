#pragma once

#include "amount.h"

#include <QDate>
#include <QString>
#include <optional>

class QDateTime;
#include <QTime>

// The value conversions of CommFunU that need no widgets: amounts as text,
// numbers in English words and in Chinese capitals, dates and times.
// Failures throw KorvanError with the text the user sees.
namespace CommFunU {

// --- amounts ------------------------------------------------------------

// Keeps '-', '.' and the digits of text; more than four decimals are cut
// (not rounded); an empty result is 0. Throws "值无效或过大:" + text when the
// integer part has 15 characters or more, and a conversion error for what is
// not a number then (two points, a '-' inside). A number with a trailing
// exponent ("5.55111512312578e-17", "-1.5E+3") is read with it.
Amount ParseAmount(const QString &text);
// A number written with a trailing exponent ("1.11022302462516e-16", as a
// computed value may come) in plain decimals ("0.000000000000000111022302462516");
// nullopt for any other text, so what users type ("5 pieces", "12 PCS") keeps
// the usual reading.
std::optional<QString> PlainDecimalText(const QString &text);
// Whether text is an amount as a user types it: blanks around it, an optional
// leading '-', digits with optional grouping commas, at most one decimal
// point (a computed value with a trailing exponent counts too). Empty is
// an amount (0). Anything else ("12a", "98.6x", "1-2", "1.2.3") is not, so
// that a field never reads it as another number.
bool IsAmountText(const QString &text);
// ParseAmount, then "0.000".
QString NormalizeAmount(const QString &text);
// "0.000" and "#,##0.000": three decimals, the fourth rounded half away
// from zero (1.2345 gives 1.235); never "-0.000".
QString FormatAmount(Amount amount);
QString FormatGroupedAmount(Amount amount);
// The amount written with four decimals, read back with ParseAmount (so an
// amount beyond its range fails the same way) and formatted.
QString ScaledToText(Amount amount);
QString ScaledToGroupedText(Amount amount);
// The amount with all four decimals, "0.0000".
QString FourDecimalText(Amount amount);

// Keeps '-' and the digits; "" becomes "0"; more than 10 characters throw
// "值无效或过大:" + text.
QString DigitsOnly(const QString &text);

// True when text has 3 or more characters and the third from the end is '.'.
bool IsTwoDecimalText(const QString &text);

// --- words --------------------------------------------------------------

// English words of a whole number, as the B/L and job sheets write package
// counts ("SAY " + words + " " + kind + " ONLY"). Spaces stay as built: 100
// gives "ONE HUNDRED " and 1000 "ONE THOUSAND ". Leading zeros are ignored;
// up to 12 digits (BILLION after MILLION); a leading '-' gives "MINUS ".
// Anything else throws KorvanError.
QString AmountInWords(const QString &digits);
// One group of 1 to 3 digits.
QString HundredsInWords(const QString &digits);
// Chinese capitals with 圆/角/分, e.g. 1234.56 → 壹仟贰佰叁拾肆圆伍角陆分.
// The exact amount is rounded to 分, halves to even (1.015 → 壹圆零贰分);
// empty when the amount itself is above 99,999,999.99 (99,999,999.991
// included); 0 gives 零圆; a negative amount gets 负 before it.
QString AmountInChinese(Amount amount);

// --- dates --------------------------------------------------------------

// "yyyy-mm-dd" (characters 5 and 8 are not checked). A text of any other
// length gives today; a 10-character text that is no date throws
// "日期格式不对: " + text.
QDate ParseDate(const QString &text);
// "hh:nn", seconds 0. Any other length gives the current time; a 5-character
// text that is no time throws "日期格式不对: " + text.
QTime ParseTime(const QString &text);
// A date as people type it: 20261220, 2026-12-20, 2026/12/20, 2026.12.20
// (month and day with one or two digits), or 12-20 / 12/20 for the year of
// today. nullopt for any other text, and for a day that does not exist.
std::optional<QDate> ParseTypedDate(const QString &text, const QDate &today);
// A time as people type it: 1430, 930, 14:30, 9:30, 14:30:15, 143015.
std::optional<QTime> ParseTypedTime(const QString &text);
QString DateText(const QDate &date); // "yyyy-mm-dd"
QString TimeText(const QTime &time); // "hh:nn"
// Date, a space and time, as the run log writes it.
QString DateTimeText(const QDateTime &moment);
// A day and a time as the printed sheets write them: "2026年3月8日下午2:30"
// from "2026-03-08" and "14:30", twelve-hour with 上午/下午; a part that is
// no "yyyy-MM-dd" date or "hh:mm" time is left out.
QString ChineseDateTimeText(const QString &date, const QString &time);
QDate MonthStart(const QDate &date);
QDate MonthEnd(const QDate &date);

// Millimetres to device pixels at dpi dots per inch (25.4 mm per inch),
// rounded to the nearest integer.
int MmToPixels(int millimetres, int dpi);

} // namespace CommFunU
