#pragma once

#include "connectsettings.h"

#include <QDialog>
#include <memory>

class LoginPicture;
class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;
class QWidget;
class ServerConnection;

// The login window. Created by the main window on its first showing, it lives
// until the process ends and owns the process's one server connection: it
// hands it out through CommFunU::GetAppServer, keeps CommFunU::CurrentUser,
// and handles every error that no window caught (KorvanApplication).
class TloginFrm : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(TloginFrm)
public:
    explicit TloginFrm(QWidget *parent = nullptr);
    ~TloginFrm() override;

    // Shows the dialog modally; true when a login succeeded this time.
    bool Run();
    bool LoginOk() const { return m_loginOk; }

    // 确定: connect, check the user and fill CurrentUser.
    void OkClick();
    // 高级选项>>: reveal the server address field.
    void AdvancedClick();

    // The connection as it stands (not opened).
    ServerConnection &Connection() { return *m_connection; }
    // GetAppServer: the connection, opened when it is not. A failure shows
    // "无法连接服务器…" and throws a KorvanError carrying the same text.
    ServerConnection &AppServer();

    // An address is an IP address when every character is a digit or '.',
    // with at most four dots (an empty text counts); otherwise a host name.
    static bool IsAddressText(const QString &text);

    // The lost-connection handler for every uncaught error of the process.
    static void HandleUncaughtError(const QString &errorText);

    QLineEdit *UserNameEdit() const { return m_userName; }
    QLineEdit *PasswordEdit() const { return m_password; }
    QLineEdit *AddressEdit() const { return m_address; }
    QPushButton *OkButton() const { return m_ok; }
    QPushButton *CancelButton() const { return m_cancel; }
    QPushButton *AdvancedButton() const { return m_advanced; }
    QStatusBar *StatusBar() const { return m_status; }
    LoginPicture *Picture() const { return m_picture; }
    QWidget *AddressRow() const { return m_addressRow; }

signals:
    // A user logged in and CurrentUser holds the new record: apply the rights.
    void LoggedIn();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void applyAddress();
    void applyTrust();
    bool trustOnFirstUse(const QString &address, const QString &fingerprint);
    bool connectServer();
    void checkUser();

    std::unique_ptr<ServerConnection> m_connection;
    ConnectSettings m_settings;
    LoginPicture *m_picture = nullptr;
    QLineEdit *m_userName = nullptr;
    QLineEdit *m_password = nullptr;
    QLineEdit *m_address = nullptr;
    QWidget *m_addressRow = nullptr;
    QPushButton *m_advanced = nullptr;
    QPushButton *m_ok = nullptr;
    QPushButton *m_cancel = nullptr;
    QStatusBar *m_status = nullptr;
    bool m_loginOk = false;
};
