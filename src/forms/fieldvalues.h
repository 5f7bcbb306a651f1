#pragma once

#include "amount.h"

#include <QString>

class QLineEdit;
class QPaintDevice;

// The value functions of CommFunU that read an input field or a printer.
namespace CommFunU {

// ParseAmount of the edit's text. When that fails: focuses the edit, gives it
// the highlight colour, shows "值过大或无效!" + text + "\r\r" + the error and
// throws KorvanError with that same text, so that the calling action stops.
Amount ReadAmount(QLineEdit *edit);
// ReadAmount, formatted "#,##0.000".
QString FormatAmountEdit(QLineEdit *edit);

// Millimetres to the device's pixels, across and down (a printer, a page image).
int MmToPrinterX(int millimetres, const QPaintDevice &printer);
int MmToPrinterY(int millimetres, const QPaintDevice &printer);

} // namespace CommFunU
