#include "savekey.h"

#include <QAbstractButton>
#include <QAction>
#include <QKeySequence>
#include <QPointer>
#include <QShortcut>

namespace CommFunU {

namespace {

QShortcut *saveShortcut(QWidget *window)
{
    auto *shortcut = new QShortcut(QKeySequence::Save, window);
    // Within the window only, so that job pages side by side in tabs never
    // make the key ambiguous.
    shortcut->setContext(Qt::WidgetWithChildrenShortcut);
    return shortcut;
}

} // namespace

void BindSaveKey(QWidget *window, QAbstractButton *button)
{
    if (!window || !button)
        return;
    QObject::connect(saveShortcut(window), &QShortcut::activated, button,
                     [window, button = QPointer<QAbstractButton>(button)] {
                         if (button && window->isVisible() && button->isEnabled() && button->isVisibleTo(window))
                             button->click();
                     });
}

void BindSaveKey(QWidget *window, QAction *action)
{
    if (!window || !action)
        return;
    QObject::connect(saveShortcut(window), &QShortcut::activated, action,
                     [window, action = QPointer<QAction>(action)] {
                         if (action && window->isVisible() && action->isEnabled())
                             action->trigger();
                     });
}

} // namespace CommFunU
