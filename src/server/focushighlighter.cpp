#include "focushighlighter.h"

#include <QAbstractSpinBox>
#include <QEvent>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QWidget>

namespace CommFunU {

QColor HighlightColour()
{
    return QColor(210, 233, 255);
}

void SetFieldColour(QWidget *field, const QColor &colour)
{
    if (!field)
        return;
    QPalette palette = field->palette();
    palette.setColor(QPalette::Active, QPalette::Base, colour);
    palette.setColor(QPalette::Inactive, QPalette::Base, colour);
    palette.setColor(QPalette::Disabled, QPalette::Base, palette.color(QPalette::Disabled, QPalette::Button));
    field->setPalette(palette);
}

} // namespace CommFunU

FocusHighlighter &FocusHighlighter::instance()
{
    static FocusHighlighter highlighter;
    return highlighter;
}

void FocusHighlighter::watch(QWidget *field)
{
    if (!field)
        return;
    field->removeEventFilter(&instance());
    field->installEventFilter(&instance());
    CommFunU::SetFieldColour(field, field->hasFocus() ? CommFunU::HighlightColour() : QColor(Qt::white));
}

namespace {

// Read-only fields take no input, so they are not highlighted.
bool isReadOnly(const QWidget *field)
{
    if (auto *edit = qobject_cast<const QLineEdit *>(field))
        return edit->isReadOnly();
    if (auto *memo = qobject_cast<const QPlainTextEdit *>(field))
        return memo->isReadOnly();
    if (auto *spin = qobject_cast<const QAbstractSpinBox *>(field))
        return spin->isReadOnly();
    return false;
}

} // namespace

bool FocusHighlighter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        if (auto *field = qobject_cast<QWidget *>(watched)) {
            const bool lit = event->type() == QEvent::FocusIn && !isReadOnly(field);
            CommFunU::SetFieldColour(field, lit ? CommFunU::HighlightColour() : QColor(Qt::white));
        }
    }
    return QObject::eventFilter(watched, event);
}
