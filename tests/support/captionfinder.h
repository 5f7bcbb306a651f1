#pragma once

// Finds a field of a window the way a screen reader (or a user) does: by its
// caption, through the accessibility interfaces Qt offers for every widget.

#include <QAccessible>
#include <QAccessibleInterface>
#include <QLabel>
#include <QWidget>

#include <functional>

namespace CaptionFinder {

inline QWidget *findIn(QAccessibleInterface *node, const QString &caption, int depth,
                       const std::function<bool(QWidget *)> &wanted)
{
    if (!node || depth > 64)
        return nullptr;
    // The name the interface reports, or the accessible name the widget
    // carries: on Linux an editable combo box reports its text as its name
    // (its caption reaches screen readers through the label relation).
    QWidget *widget = node->object() && node->object()->isWidgetType() ? static_cast<QWidget *>(node->object()) : nullptr;
    if (widget && wanted(widget) && (node->text(QAccessible::Name) == caption || widget->accessibleName() == caption))
        return widget;
    for (int i = 0; i < node->childCount(); ++i) {
        if (QWidget *found = findIn(node->child(i), caption, depth + 1, wanted))
            return found;
    }
    return nullptr;
}

// The first field below root whose accessible name is caption (a caption
// label itself is no field); nullptr when none.
inline QWidget *field(QWidget *root, const QString &caption)
{
    return findIn(QAccessible::queryAccessibleInterface(root), caption, 0,
                  [](QWidget *w) { return !qobject_cast<QLabel *>(w); });
}

// The first widget of type T captioned so.
template <class T> T *fieldAs(QWidget *root, const QString &caption)
{
    return qobject_cast<T *>(findIn(QAccessible::queryAccessibleInterface(root), caption, 0,
                                    [](QWidget *w) { return qobject_cast<T *>(w) != nullptr; }));
}

} // namespace CaptionFinder
