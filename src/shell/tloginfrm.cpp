#include "tloginfrm.h"
#include "captionname.h"

#include "currentuser.h"
#include "focushighlighter.h"
#include "korvanapplication.h"
#include "korvanerror.h"
#include "loginpicture.h"
#include "messageservice.h"
#include "passwords.h"
#include "queryhelpers.h"
#include "serverconnection.h"
#include "servertrust.h"

#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QStatusBar>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// Restores the status line and the cursor however 确定 ends.
class BusyGuard
{
public:
    explicit BusyGuard(QStatusBar *status) : m_status(status) {}
    ~BusyGuard()
    {
        m_status->clearMessage();
        if (m_cursor)
            QGuiApplication::restoreOverrideCursor();
    }
    void waitCursor()
    {
        if (!m_cursor)
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        m_cursor = true;
    }

private:
    QStatusBar *m_status;
    bool m_cursor = false;
};

const QString ConnectFailure = u"无法连接服务器，请确认服务器已打开！"_s;
constexpr char DefaultAdmin[] = "admin";
const QString DefaultAdminWarning =
    u"admin 仍在使用初始密码 admin。请用 系统管理 > 修改密码 设置一个新密码。"_s;

const QString LoginSql = u"select  密码,职员姓名,所属部门,职位,权限1,权限2,权限3,权限4,权限5,权限6,权限7,权限8  from 职员 where 用户名=:p1"_s;

} // namespace

TloginFrm::TloginFrm(QWidget *parent)
    : QDialog(parent)
    , m_connection(std::make_unique<ServerConnection>())
{
    setWindowTitle(u"Korvan 登录"_s);
    setModal(true);

    m_picture = new LoginPicture(this);
    m_userName = new QLineEdit(u"admin"_s, this);
    m_password = new QLineEdit(this);
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setStyleSheet(u"lineedit-password-character: 42"_s); // '*'
    m_address = new QLineEdit(u"127.0.0.1"_s, this);
    m_advanced = new QPushButton(u"高级选项>>"_s, this);
    m_ok = new QPushButton(u"确定"_s, this);
    m_ok->setDefault(true);
    m_cancel = new QPushButton(u"取消"_s, this);
    m_status = new QStatusBar(this);
    m_status->setSizeGripEnabled(false);
    CommFunU::NameByCaption(m_userName, u"用户名:"_s);
    CommFunU::NameByCaption(m_password, u"密码:"_s);
    CommFunU::NameByCaption(m_address, u"服务器机器名或IP地址:"_s);
    for (QLineEdit *field : {m_userName, m_password, m_address}) {
        field->setMinimumWidth(180);
        FocusHighlighter::watch(field);
    }

    auto *form = new QFormLayout;
    form->addRow(u"用户名:"_s, m_userName);
    form->addRow(u"密码:"_s, m_password);
    m_addressRow = new QWidget(this);
    auto *addressLayout = new QVBoxLayout(m_addressRow);
    addressLayout->setContentsMargins(0, 0, 0, 0);
    addressLayout->addWidget(new QLabel(u"服务器机器名或IP地址:"_s, m_addressRow));
    addressLayout->addWidget(m_address);
    m_address->setParent(m_addressRow);
    m_addressRow->hide();

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_advanced);
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);

    auto *right = new QVBoxLayout;
    auto *welcome = new QLabel(u"欢迎使用 Korvan货运平台"_s, this);
    QFont bold = welcome->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    welcome->setFont(bold);
    right->addWidget(welcome);
    right->addSpacing(12);
    right->addLayout(form);
    right->addWidget(m_addressRow);
    right->addStretch(1);
    right->addLayout(buttons);

    auto *body = new QHBoxLayout;
    body->addWidget(m_picture);
    body->addSpacing(8);
    body->addLayout(right, 1);

    auto *outer = new QVBoxLayout(this);
    outer->addLayout(body, 1);
    outer->addWidget(m_status);

    connect(m_ok, &QPushButton::clicked, this, &TloginFrm::OkClick);
    connect(m_picture, &LoginPicture::clicked, this, &TloginFrm::OkClick);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_advanced, &QPushButton::clicked, this, &TloginFrm::AdvancedClick);

    // Settings: address, port (a bad one is written back as 211), last user.
    // A settings file that cannot be read or written is reported; the
    // defaults stand and the dialog still opens.
    try {
        const QString ip = m_settings.value(u"IP"_s);
        if (!ip.isEmpty())
            m_address->setText(ip);
        m_connection->setPort(m_settings.port());
        const QString user = m_settings.value(u"UserName"_s);
        if (!user.isEmpty())
            m_userName->setText(user);
    } catch (const KorvanError &error) {
        CommFunU::ShowMessage(error.message());
    }
    applyAddress();

    CommFunU::SetAppServerProvider([this]() -> ServerConnection & { return AppServer(); });
    KorvanApplication::setErrorHandler(&TloginFrm::HandleUncaughtError);
}

TloginFrm::~TloginFrm()
{
    KorvanApplication::setErrorHandler({});
    CommFunU::SetAppServerProvider({});
}

bool TloginFrm::Run()
{
    m_loginOk = false;
    // Every showing asks for the password afresh: a re-login never offers
    // the previous user's.
    m_password->clear();
    exec();
    return m_loginOk;
}

void TloginFrm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_password->setFocus();
}

void TloginFrm::AdvancedClick()
{
    m_addressRow->show();
    m_address->setFocus();
}

bool TloginFrm::IsAddressText(const QString &text)
{
    int dots = 0;
    for (const QChar c : text) {
        if (c == u'.')
            ++dots;
        else if (c < u'0' || c > u'9')
            return false;
    }
    return dots <= 4;
}

void TloginFrm::applyAddress()
{
    const QString text = m_address->text();
    if (IsAddressText(text))
        m_connection->setAddress(text);
    else
        m_connection->setHost(text);
}

// The connection trusts what the settings say for this address (and what the
// process trusts anyway); a server seen for the first time is asked about.
void TloginFrm::applyTrust()
{
    ServerTrust trust = m_settings.trust(m_address->text());
    trust.fingerprints += ServerConnection::defaultTrust().fingerprints;
    const QString address = m_address->text();
    trust.firstUse = [this, address](const QString &fingerprint) { return trustOnFirstUse(address, fingerprint); };
    m_connection->setTrust(trust);
}

bool TloginFrm::trustOnFirstUse(const QString &address, const QString &fingerprint)
{
    const QString question =
        u"首次连接此服务器（%1:%2）。\r服务器证书的 SHA-256 指纹是：\r%3\r\r"
        "请向系统管理员核对这个指纹（在服务器上运行 korvan-server --fingerprint 可以看到）。"
        "指纹一致才可信任；以后若服务器出示别的证书，登录会被拒绝。\r\r是否信任此服务器并继续连接？"_s.arg(
            address, QString::number(m_connection->port()),
            TransportSecurity::fingerprintLines(fingerprint).join(u'\r'));
    if (MessageService::ask(u"服务器证书"_s, question, MessageService::Yes | MessageService::No,
                            MessageService::Icon::Warning)
        != MessageService::Yes)
        return false;
    // Trusted for this session even when the answer cannot be kept.
    try {
        m_settings.keepFingerprint(address, fingerprint);
    } catch (const KorvanError &error) {
        CommFunU::ShowMessage(error.message());
    }
    return true;
}

namespace {

// The text of a refused trust without the marker every connection failure carries.
QString trustText(const KorvanError &error)
{
    QString text = error.message();
    text.remove(u"Error reading from socket: "_s);
    return text;
}

} // namespace

ServerConnection &TloginFrm::AppServer()
{
    if (!m_connection->isConnected()) {
        try {
            m_connection->open();
        } catch (const KorvanError &error) {
            const QString text = m_connection->trustRefused() ? trustText(error)
                                                               : ConnectFailure + u"\r"_s + error.message();
            MessageService::inform(u"出错"_s, text, MessageService::Icon::Warning);
            throw KorvanError(text);
        }
    }
    return *m_connection;
}

void TloginFrm::HandleUncaughtError(const QString &errorText)
{
    // A connection that could not be made has been reported by AppServer
    // already; it is no connection lost.
    if (errorText.startsWith(ConnectFailure))
        return;
    // A server that refused the session says why ("服务器连接数已满…").
    const qsizetype full = errorText.indexOf(u"服务器连接数已满"_s);
    if (full >= 0)
        MessageService::inform(u"出错"_s, errorText.mid(full), MessageService::Icon::Warning);
    else if (errorText.contains(u"Error reading from socket"_s) || errorText.contains(u"Windows socket error"_s))
        MessageService::inform(u"出错"_s, u"与服务器的连接已断开，请确认服务器已打开！"_s, MessageService::Icon::Warning);
    // every other uncaught error is dropped
}

void TloginFrm::OkClick()
{
    BusyGuard busy(m_status);
    m_status->showMessage(u"正在连接服务器..."_s);
    m_connection->close();
    applyAddress();
    busy.waitCursor();
    try {
        applyTrust();
        m_connection->open();
    } catch (const KorvanError &error) {
        // A connection failure, captioned as every connection failure is; a
        // server that is not trusted (or cannot encrypt) says what to do.
        MessageService::inform(u"出错"_s,
                               m_connection->trustRefused()
                                   ? trustText(error)
                                   : u"连接服务器失败,请确认服务器已打开且服务器IP地址输入无误!\r"_s + error.message(),
                               MessageService::Icon::Warning);
        return;
    }
    m_status->showMessage(u"正在读取信息..."_s);
    try {
        checkUser();
    } catch (const KorvanError &error) {
        // A connection lost half-way is reported as any uncaught error is.
        KorvanApplication::handleError(error.message());
    }
}

void TloginFrm::checkUser()
{
    const QString user = m_userName->text();
    if (user.isEmpty())
        return;
    const QString password = m_password->text();
    // The server checks the login first and binds the session to the user;
    // a server without the Login call leaves the check to the window alone.
    const std::optional<QString> refused = m_connection->login(user, password);
    if (refused && refused->startsWith(u"Err"_s)) {
        if (refused->contains(u"unknown user"_s))
            CommFunU::ShowMessage(u"未找到此用户:"_s + user);
        else if (refused->contains(u"wrong password"_s))
            CommFunU::ShowMessage(u"密码不正确!"_s);
        else if (refused->contains(u"network error"_s))
            MessageService::inform(u"出错"_s, u"未找到SQL服务器,请确认服务器已打开！\r"_s + *refused,
                                   MessageService::Icon::Warning);
        else
            CommFunU::ShowMessage(u"出错: \r"_s + refused->mid(3));
        return;
    }
    // The server's session is the new user's now. Until the client takes him
    // on as well, any way out of here gives the connection back to the user
    // logged in before, so client and server never disagree on who it is:
    // the next call logs in again as that user, or, when nobody was logged
    // in, as nobody (the server then answers only GetInfo and Login).
    const CurrentUserRecord before = CommFunU::CurrentUser();
    bool takenOn = false;
    const auto giveBack = qScopeGuard([&] {
        if (takenOn || !refused)
            return;
        m_connection->setCredentials(before.UserName, before.Password);
        m_connection->close();
    });
    const QString answer = m_connection->openQuery(LoginSql, user, 0);
    if (answer.startsWith(u"Err"_s)) {
        if (answer.contains(u"network error"_s))
            MessageService::inform(u"出错"_s, u"未找到SQL服务器,请确认服务器已打开！\r"_s + answer,
                                   MessageService::Icon::Warning);
        else
            CommFunU::ShowMessage(u"出错: \r"_s + LoginSql + answer.mid(3));
        return;
    }
    ResultReader row = ResultReader::fromAnswer(answer);
    if (row.atEnd()) {
        CommFunU::ShowMessage(u"未找到此用户:"_s + user);
        return;
    }
    const QStringList values = row.next(12);
    // A server that checked the login never reads a password back (the
    // first value is empty); only a server without Login leaves it here.
    const bool checkedByServer = refused.has_value();
    if (!checkedByServer && !CommFunU::PasswordMatches(values.at(0), password)) {
        CommFunU::ShowMessage(u"密码不正确!"_s);
        return;
    }

    CurrentUserRecord record;
    record.UserName = user;
    record.Password = password;
    record.StaffName = values.at(1);
    record.Department = values.at(2);
    record.Position = values.at(3);
    for (size_t i = 0; i < record.Rights.size(); ++i)
        record.Rights[i] = values.at(4 + int(i));
    record.Extension = CommFunU::LookupValue(user, u"职员"_s, u"用户名"_s, u"分机号码"_s);
    record.Fax = CommFunU::LookupValue(user, u"职员"_s, u"用户名"_s, u"传真"_s);
    CommFunU::CurrentUser() = record;
    takenOn = true;

    emit LoggedIn();

    // The user is logged in whether or not the settings can be kept.
    try {
        m_settings.setValue(u"IP"_s, m_address->text());
        m_settings.setValue(u"UserName"_s, user);
    } catch (const KorvanError &error) {
        CommFunU::ShowMessage(error.message());
    }
    m_status->clearMessage();
    m_loginOk = true;
    accept();
    // The administrator every new database starts with must not keep his
    // well-known password.
    if (user == QLatin1StringView(DefaultAdmin) && password == QLatin1StringView(DefaultAdmin))
        MessageService::inform(u"提示"_s, DefaultAdminWarning, MessageService::Icon::Warning);
}
