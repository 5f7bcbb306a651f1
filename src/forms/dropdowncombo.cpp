#include "dropdowncombo.h"

#include <QSignalBlocker>

void DropDownCombo::showPopup()
{
    emit aboutToDropDown();
    QComboBox::showPopup();
}

void DropDownCombo::ReplaceItems(QComboBox *box, const QStringList &items)
{
    const QSignalBlocker quiet(box);
    const QString text = box->currentText();
    box->clear();
    box->addItems(items);
    box->setCurrentIndex(box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive));
    if (box->isEditable())
        box->setEditText(text);
}
