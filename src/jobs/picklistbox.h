#pragma once

#include <QComboBox>
#include <functional>

// A combo box whose list is filled by its filler each time it is about to
// drop down (the filler decides whether a filled list is asked for again).
class PickListBox : public QComboBox
{
    Q_OBJECT
    Q_DISABLE_COPY(PickListBox)
public:
    explicit PickListBox(QWidget *parent = nullptr);
    ~PickListBox() override;

    void setFiller(std::function<void(PickListBox *)> filler) { m_filler = std::move(filler); }
    // Replaces the items, keeping the text typed in the box.
    void setItems(const QStringList &items);
    void showPopup() override;

private:
    std::function<void(PickListBox *)> m_filler;
};
