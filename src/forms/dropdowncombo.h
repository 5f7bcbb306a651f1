#pragma once

#include <QComboBox>

// The combo box of the forms: a QComboBox that says when its list is about
// to drop down, so that a window can fill the list from the server the first
// time the user opens it (before the list is sized and shown).
class DropDownCombo : public QComboBox
{
    Q_OBJECT
    Q_DISABLE_COPY(DropDownCombo)
public:
    explicit DropDownCombo(QWidget *parent = nullptr) : QComboBox(parent) {}

    void showPopup() override;

    // Replaces the list of box with items, silently; the text in the box
    // stays as it was (an item again when it is one).
    static void ReplaceItems(QComboBox *box, const QStringList &items);

signals:
    void aboutToDropDown();
};
