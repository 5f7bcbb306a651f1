#include "radiogroup.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>

RadioGroup::RadioGroup(QWidget *parent)
    : QGroupBox(parent)
    , m_buttons(new QButtonGroup(this))
    , m_layout(new QGridLayout(this))
{
    m_layout->setContentsMargins(6, 2, 6, 2);
    connect(m_buttons, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked)
            emit itemIndexChanged(itemIndex());
    });
}

RadioGroup::RadioGroup(const QString &title, const QStringList &items, QWidget *parent)
    : RadioGroup(parent)
{
    setTitle(title);
    setItems(items);
}

RadioGroup::~RadioGroup() = default;

void RadioGroup::setItems(const QStringList &items)
{
    m_items = items;
    rebuild();
}

void RadioGroup::setColumns(int columns)
{
    m_columns = columns;
    rebuild();
}

int RadioGroup::itemIndex() const
{
    return m_buttons->checkedId();
}

void RadioGroup::setItemIndex(int index)
{
    index = qBound(-1, index, int(m_items.size()) - 1);
    if (index == itemIndex())
        return;
    if (index < 0) {
        // An exclusive group never unchecks its last button by itself.
        m_buttons->setExclusive(false);
        if (QAbstractButton *checked = m_buttons->checkedButton())
            checked->setChecked(false);
        m_buttons->setExclusive(true);
        emit itemIndexChanged(-1);
        return;
    }
    m_buttons->button(index)->setChecked(true);
}

void RadioGroup::rebuild()
{
    const int old = itemIndex();
    for (QAbstractButton *button : m_buttons->buttons()) {
        m_buttons->removeButton(button);
        delete button;
    }
    const int columns = m_columns > 0 ? m_columns : qMax(1, int(m_items.size()));
    for (int i = 0; i < m_items.size(); ++i) {
        auto *button = new QRadioButton(m_items.at(i), this);
        m_buttons->addButton(button, i);
        m_layout->addWidget(button, i / columns, i % columns);
    }
    if (old >= 0 && old < m_items.size())
        m_buttons->button(old)->setChecked(true);
}
