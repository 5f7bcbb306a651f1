#pragma once

#include <QDialog>

class QLineEdit;

// 修改密码: the logged-in user changes his password. The old password is the
// one typed at this login (CurrentUser); the new one is stored as a digest
// (passwords.h). A password never appears in clear in a message, in the run
// log or in the server's log.
class TXGMMFrm : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(TXGMMFrm)
public:
    explicit TXGMMFrm(QWidget *parent = nullptr);

    QLineEdit *OldPassword() const { return m_old; }
    QLineEdit *NewPassword() const { return m_new; }
    QLineEdit *Confirmation() const { return m_confirm; }

    // 确认: checks, stores the new password and closes on success.
    void ConfirmClick();

private:
    QLineEdit *m_old;
    QLineEdit *m_new;
    QLineEdit *m_confirm;
};
