#pragma once

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QGridLayout;

// A titled group of radio buttons whose value is the index of the checked
// item (-1 when none), like the radio groups of the job windows.
class RadioGroup : public QGroupBox
{
    Q_OBJECT
    Q_DISABLE_COPY(RadioGroup)
public:
    explicit RadioGroup(QWidget *parent = nullptr);
    RadioGroup(const QString &title, const QStringList &items, QWidget *parent = nullptr);
    ~RadioGroup() override;

    void setItems(const QStringList &items);
    QStringList items() const { return m_items; }
    // Items per row (default: all in one row).
    void setColumns(int columns);

    int itemIndex() const;
    // Below -1 becomes -1, past the last item the last item.
    void setItemIndex(int index);

signals:
    void itemIndexChanged(int index);

private:
    void rebuild();

    QStringList m_items;
    int m_columns = 0;
    QButtonGroup *m_buttons;
    QGridLayout *m_layout;
};
