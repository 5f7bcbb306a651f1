#pragma once

#include <QChar>
#include <QString>

// The three marks of result strings, record texts and grid texts. In memory
// they are the characters that their GBK byte pairs decode to, so searching a
// QString for them can never match across two characters.
namespace CommFunU {

inline constexpr QChar FieldSep{0x9F9B};  // bytes 0xED 0xE8: between fields
inline constexpr QChar CellSep{0x9EF9};   // bytes 0xED 0xE9: between grid cells
inline constexpr QChar ColonMark{0x7913}; // bytes 0xED 0xE4: ':' inside SQL values

// Separator number as the field and grid operations take it: 1 = FieldSep, 2 = CellSep.
inline QChar separatorByNumber(int number)
{
    return number == 2 ? CellSep : FieldSep;
}

} // namespace CommFunU
