#pragma once

class QAbstractButton;
class QAction;
class QWidget;

// Ctrl+S in a window runs its 保存: the button is clicked (the action
// triggered) when it is enabled and shown, exactly as a click would. The key
// belongs to the window (the focus is inside it): a job page hidden behind
// another tab does not answer it.
//
//   m_save = new QPushButton(u"保存"_s, this);
//   BindSaveKey(this, m_save);
namespace CommFunU {

void BindSaveKey(QWidget *window, QAbstractButton *button);
void BindSaveKey(QWidget *window, QAction *action);

} // namespace CommFunU
