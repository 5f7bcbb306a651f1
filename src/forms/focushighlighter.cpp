#include "focushighlighter.h"

#include <QAbstractSpinBox>
#include <QApplication>
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
    // Disabled fields show the button face.
    palette.setColor(QPalette::Disabled, QPalette::Base, QApplication::palette().color(QPalette::Active, QPalette::Button));
    field->setPalette(palette);
}

QColor ButtonFaceColour()
{
    return QApplication::palette().color(QPalette::Active, QPalette::Button);
}

} // namespace CommFunU

FocusHighlighter &FocusHighlighter::instance()
{
    static FocusHighlighter highlighter;
    return highlighter;
}

namespace {

const char WatchedProperty[] = "korvanFocusHighlight";
const char RestColourProperty[] = "korvanRestColour";

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

void paint(QWidget *field, bool focused)
{
    const bool lit = focused && !isReadOnly(field);
    const QVariant rest = field->property(RestColourProperty);
    const QColor restColour = rest.isValid() ? rest.value<QColor>() : QColor(Qt::white);
    CommFunU::SetFieldColour(field, lit ? CommFunU::HighlightColour() : restColour);
}

} // namespace

void CommFunU::SetRestColour(QWidget *field, const QColor &colour)
{
    if (!field)
        return;
    field->setProperty(RestColourProperty, colour);
    paint(field, field->hasFocus());
}

void FocusHighlighter::watch(QWidget *field)
{
    if (!field)
        return;
    FocusHighlighter &self = instance();
    // The application reports every change of the focus widget, also those
    // made while a window is inactive, which bring no focus events.
    if (!self.m_followsApplication && qApp) {
        connect(qApp, &QApplication::focusChanged, &self, [](QWidget *old, QWidget *now) {
            if (old && old->property(WatchedProperty).toBool())
                paint(old, old->hasFocus());
            if (now && now->property(WatchedProperty).toBool())
                paint(now, true);
        });
        self.m_followsApplication = true;
    }
    field->setProperty(WatchedProperty, true);
    field->removeEventFilter(&self);
    field->installEventFilter(&self);
    paint(field, field->hasFocus());
}

bool FocusHighlighter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        if (auto *field = qobject_cast<QWidget *>(watched))
            paint(field, event->type() == QEvent::FocusIn);
    }
    return QObject::eventFilter(watched, event);
}
