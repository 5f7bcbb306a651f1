#pragma once

// Finds a field of a window the way a screen reader (or a user) does: by its
// caption, through the accessibility interfaces Qt offers for every widget.

#include <QAccessible>
#include <QAccessibleInterface>
#include <QWidget>

namespace CaptionFinder {

inline QWidget *findIn(QAccessibleInterface *node, const QString &caption, int depth)
{
    if (!node || depth > 64)
        return nullptr;
    if (node->text(QAccessible::Name) == caption && node->object() && node->object()->isWidgetType())
        return static_cast<QWidget *>(node->object());
    for (int i = 0; i < node->childCount(); ++i) {
        if (QWidget *found = findIn(node->child(i), caption, depth + 1))
            return found;
    }
    return nullptr;
}

// The first widget below root whose accessible name is caption; nullptr when none.
inline QWidget *field(QWidget *root, const QString &caption)
{
    return findIn(QAccessible::queryAccessibleInterface(root), caption, 0);
}

template <class T> T *fieldAs(QWidget *root, const QString &caption)
{
    return qobject_cast<T *>(field(root, caption));
}

} // namespace CaptionFinder
