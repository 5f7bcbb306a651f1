#include "dropdowncombo.h"

void DropDownCombo::showPopup()
{
    emit aboutToDropDown();
    QComboBox::showPopup();
}
