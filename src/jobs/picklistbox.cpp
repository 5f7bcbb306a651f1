#include "picklistbox.h"

#include <QLineEdit>

PickListBox::PickListBox(QWidget *parent)
    : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setMinimumContentsLength(8);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
}

PickListBox::~PickListBox() = default;

void PickListBox::setItems(const QStringList &items)
{
    const QString typed = currentText();
    const QSignalBlocker quiet(this);
    clear();
    addItems(items);
    setCurrentIndex(int(items.indexOf(typed)));
    setEditText(typed);
}

void PickListBox::showPopup()
{
    if (m_filler)
        m_filler(this);
    QComboBox::showPopup();
}
