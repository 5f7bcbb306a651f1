#include "fieldhighlighter.h"

#include <QApplication>
#include <QEvent>
#include <QPalette>
#include <QWidget>

namespace {

const char RegisteredProperty[] = "korvanFocusHighlight";

bool registered(QWidget *widget)
{
    return widget && widget->property(RegisteredProperty).toBool();
}

} // namespace

FieldHighlighter &FieldHighlighter::instance()
{
    static FieldHighlighter filter;
    return filter;
}

void FieldHighlighter::install(QWidget *field)
{
    FieldHighlighter &self = instance();
    // The application reports every change of the focus widget, also those
    // that happen while a window is not active and bring no focus events.
    if (!self.m_watching && qApp) {
        connect(qApp, &QApplication::focusChanged, &self, [](QWidget *old, QWidget *now) {
            if (registered(old))
                paint(old, old->hasFocus());
            if (registered(now))
                paint(now, true);
        });
        self.m_watching = true;
    }
    field->setProperty(RegisteredProperty, true);
    field->installEventFilter(&self);
    paint(field, field->hasFocus());
}

void FieldHighlighter::paint(QWidget *field, bool focused)
{
    QPalette palette = field->palette();
    palette.setColor(QPalette::Active, QPalette::Base, focused ? FocusColour : QColor(Qt::white));
    palette.setColor(QPalette::Inactive, QPalette::Base, focused ? FocusColour : QColor(Qt::white));
    palette.setColor(QPalette::Disabled, QPalette::Base, QApplication::palette().color(QPalette::Active, QPalette::Button));
    field->setPalette(palette);
}

bool FieldHighlighter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        if (auto *field = qobject_cast<QWidget *>(watched))
            paint(field, field->hasFocus());
    }
    return QObject::eventFilter(watched, event);
}
