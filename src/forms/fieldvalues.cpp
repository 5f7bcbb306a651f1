#include "fieldvalues.h"

#include "focushighlighter.h"
#include "korvanerror.h"
#include "queryhelpers.h"
#include "values.h"

#include <QLineEdit>
#include <QPaintDevice>

using namespace Qt::StringLiterals;

namespace CommFunU {

Amount ReadAmount(QLineEdit *edit)
{
    if (!edit)
        throw KorvanError(u"值过大或无效!"_s);
    try {
        return ParseAmount(edit->text());
    } catch (const KorvanError &e) {
        if (edit->isEnabled() && edit->isVisible() && edit->focusPolicy() != Qt::NoFocus)
            edit->setFocus();
        SetFieldColour(edit, HighlightColour());
        const QString text = u"值过大或无效!"_s + edit->text() + u"\r\r"_s + e.message();
        ShowMessage(text);
        throw KorvanError(text);
    }
}

QString FormatAmountEdit(QLineEdit *edit)
{
    return FormatGroupedAmount(ReadAmount(edit));
}

int MmToPrinterX(int millimetres, const QPaintDevice &printer)
{
    return MmToPixels(millimetres, printer.logicalDpiX());
}

int MmToPrinterY(int millimetres, const QPaintDevice &printer)
{
    return MmToPixels(millimetres, printer.logicalDpiY());
}

} // namespace CommFunU
