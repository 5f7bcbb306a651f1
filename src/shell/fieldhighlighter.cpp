#include "fieldhighlighter.h"

#include <QApplication>
#include <QEvent>
#include <QPalette>
#include <QWidget>

FieldHighlighter &FieldHighlighter::instance()
{
    static FieldHighlighter filter;
    return filter;
}

void FieldHighlighter::install(QWidget *field)
{
    field->installEventFilter(&instance());
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
            paint(field, event->type() == QEvent::FocusIn);
    }
    return QObject::eventFilter(watched, event);
}
