#pragma once

#include "amount.h"

#include <QString>

class QLineEdit;
class QPaintDevice;

// The value functions of CommFunU that read an input field or a printer.
namespace CommFunU {

// ParseAmount of the edit's text, which must be an amount as IsAmountText
// says. When it is not, or is too large: focuses the edit (its text
// selected), gives it the highlight colour, shows "值过大或无效!" + text +
// "\r\r" + the field's caption + ": " + the error and throws KorvanError
// with that same text, so that the calling action stops.
Amount ReadAmount(QLineEdit *edit);
// ReadAmount, formatted "#,##0.000".
QString FormatAmountEdit(QLineEdit *edit);

// The edit selects its whole text when entered (Tab, Enter, a click), so
// that typing replaces it: amount fields starting as "0.000" and texts
// carried over from the job shown before.
void SelectWholeTextOnEntry(QLineEdit *edit);

// Millimetres to the device's pixels, across and down (a printer, a page image).
int MmToPrinterX(int millimetres, const QPaintDevice &printer);
int MmToPrinterY(int millimetres, const QPaintDevice &printer);

} // namespace CommFunU
