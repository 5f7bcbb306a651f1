#include "fieldvalues.h"

#include "focushighlighter.h"
#include "korvanerror.h"
#include "queryhelpers.h"
#include "values.h"

#include <QEvent>
#include <QFocusEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPaintDevice>

using namespace Qt::StringLiterals;

namespace CommFunU {

Amount ReadAmount(QLineEdit *edit)
{
    if (!edit)
        throw KorvanError(u"值过大或无效!"_s);
    try {
        // Letters, a second point or a '-' inside are refused, never read
        // as the number their digits would make.
        if (!IsAmountText(edit->text()))
            throw KorvanError(u"'"_s + edit->text() + u"' 不是有效的数值"_s);
        return ParseAmount(edit->text());
    } catch (const KorvanError &e) {
        if (edit->isEnabled() && edit->isVisible() && edit->focusPolicy() != Qt::NoFocus) {
            edit->setFocus();
            edit->selectAll();
        }
        SetFieldColour(edit, HighlightColour());
        const QString field = edit->accessibleName().isEmpty() ? QString() : edit->accessibleName() + u": "_s;
        const QString text = u"值过大或无效!"_s + edit->text() + u"\r\r"_s + field + e.message();
        ShowMessage(text);
        throw KorvanError(text);
    }
}

QString FormatAmountEdit(QLineEdit *edit)
{
    return FormatGroupedAmount(ReadAmount(edit));
}

namespace {

// Selects the whole text of the edits it watches when they are entered, so
// that what is typed replaces it. A click selects once the button is
// released (the press itself places the cursor), unless the user dragged a
// selection of his own.
class WholeTextOnEntry : public QObject
{
public:
    static WholeTextOnEntry &instance()
    {
        static auto *filter = new WholeTextOnEntry;
        return *filter;
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *edit = qobject_cast<QLineEdit *>(watched);
        if (!edit)
            return false;
        switch (event->type()) {
        case QEvent::FocusIn: {
            const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
            if (reason == Qt::MouseFocusReason)
                edit->setProperty(ClickedIn, true);
            else if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
                edit->selectAll();
            break;
        }
        case QEvent::MouseButtonRelease:
            if (edit->property(ClickedIn).toBool()) {
                edit->setProperty(ClickedIn, false);
                if (!edit->hasSelectedText())
                    edit->selectAll();
            }
            break;
        case QEvent::FocusOut:
            edit->setProperty(ClickedIn, false);
            break;
        default:
            break;
        }
        return false;
    }

private:
    static constexpr const char *ClickedIn = "korvanClickedIn";
};

} // namespace

void SelectWholeTextOnEntry(QLineEdit *edit)
{
    if (edit)
        edit->installEventFilter(&WholeTextOnEntry::instance());
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
