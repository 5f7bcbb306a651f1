#pragma once

#include "queryhelpers.h" // ProductName

#include <QString>


// The process-wide date and time conventions: dates travel and show as
// "yyyy-mm-dd", times as "hh:nn" (24 hours); the morning and afternoon marks
// are "上午" and "下午".
namespace CommFunU {

inline constexpr char16_t DateSeparator = u'-';
QString ShortDateFormat();  // QDate format "yyyy-MM-dd"
QString LongTimeFormat();   // QTime format "hh:mm"
QString MorningMark();      // "上午"
QString AfternoonMark();    // "下午"

// DateText, TimeText and DateTimeText are in values.h.

// Sets the conventions for the process (default locale Chinese/China, whose
// marks are the two above) and the process title.
void ApplyStartupConventions();

} // namespace CommFunU
