#include "serverconnection.h"

#include "korvanerror.h"
#include "textcodec.h"
#include "wireprotocol.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QMutex>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace {

ServerConnection::BusyHook busyHook = nullptr;

QMutex defaultTrustMutex;
ServerTrust &defaultTrustValue()
{
    static ServerTrust trust;
    return trust;
}

// Where a kept fingerprint lives, for the messages that tell the user to change it.
QString pinHint(const ServerTrust &trust)
{
    return trust.pinStore.isEmpty() ? u"保存的指纹"_s : trust.pinStore;
}

// Reports the call as busy for as long as it runs, whichever way it ends.
struct BusyScope {
    BusyScope()
    {
        if (busyHook)
            busyHook(true);
    }
    ~BusyScope()
    {
        if (busyHook)
            busyHook(false);
    }
};

} // namespace

ServerConnection::ServerConnection()
    : m_trust(defaultTrust())
{
}

void ServerConnection::setDefaultTrust(const ServerTrust &trust)
{
    QMutexLocker lock(&defaultTrustMutex);
    defaultTrustValue() = trust;
}

ServerTrust ServerConnection::defaultTrust()
{
    QMutexLocker lock(&defaultTrustMutex);
    return defaultTrustValue();
}

void ServerConnection::setBusyHook(BusyHook hook)
{
    busyHook = hook;
}

ServerConnection::~ServerConnection()
{
    close();
}

void ServerConnection::setAddress(const QString &address)
{
    m_address = address;
    m_host.clear();
}

void ServerConnection::setHost(const QString &host)
{
    m_host = host;
    m_address.clear();
}

bool ServerConnection::isConnected() const
{
    return m_socket && m_socket->state() == QAbstractSocket::ConnectedState;
}

QString ServerConnection::peerName() const
{
    const QString name = m_host.isEmpty() ? m_address : m_host;
    return u"%1:%2"_s.arg(name.isEmpty() ? u"127.0.0.1"_s : name).arg(m_port);
}

void ServerConnection::fail(const QString &detail)
{
    close();
    throw KorvanError(u"Error reading from socket: "_s + detail);
}

void ServerConnection::refuse(const QString &detail)
{
    m_trustRefused = true;
    fail(detail);
}

// Reads the one frame a server sends first (and only that frame).
QByteArray ServerConnection::readGreeting(int timeoutMs)
{
    QByteArray buffer;
    QByteArray payload;
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        const auto status = WireProtocol::takeFrame(buffer, WireProtocol::MaxGreetingSize, payload);
        if (status == WireProtocol::FrameStatus::Complete)
            break;
        if (status == WireProtocol::FrameStatus::Oversized)
            fail(u"%1 is not a Korvan application server"_s.arg(peerName()));
        if (m_socket->bytesAvailable() == 0
            && !m_socket->waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
            fail(u"no greeting from %1 (%2)"_s.arg(peerName(), m_socket->errorString()));
        buffer.append(m_socket->readAll());
    }
    // A server that cannot take another session says why instead of greeting.
    if (const std::optional<QString> refused = WireProtocol::refusalMessage(payload))
        fail(*refused);
    if (!buffer.isEmpty())
        fail(u"%1 is not a Korvan application server"_s.arg(peerName()));
    return payload;
}

void ServerConnection::encrypt(const QString &target)
{
    if (!QSslSocket::supportsSsl())
        refuse(u"此计算机上没有可用的 TLS 库（Qt 的 OpenSSL 后端与 libssl3），无法建立加密连接"_s);
    // A configuration of its own: the system's certificate authorities are
    // never consulted (and never loaded for each connection).
    QSslConfiguration config;
    config.setCaCertificates({});
    config.setProtocol(QSsl::TlsV1_2OrLater);
    if (m_trust.authorities.isEmpty()) {
        // The certificate is judged by its fingerprint below, not by a chain.
        config.setPeerVerifyMode(QSslSocket::VerifyNone);
    } else {
        config.setCaCertificates(m_trust.authorities);
        config.setPeerVerifyMode(QSslSocket::VerifyPeer);
    }
    m_socket->setSslConfiguration(config);
    m_socket->setPeerVerifyName(target);
    m_socket->startClientEncryption();
    if (m_socket->waitForEncrypted(qMin(m_timeoutMs, 15000)))
        return;
    const QList<QSslError> errors = m_socket->sslHandshakeErrors();
    if (!errors.isEmpty() && !m_trust.authorities.isEmpty()) {
        QStringList reasons;
        for (const QSslError &e : errors)
            reasons << e.errorString();
        if (!m_socket->peerCertificate().isNull())
            m_serverFingerprint = TransportSecurity::fingerprint(m_socket->peerCertificate());
        refuse(u"服务器 %1 的证书未通过公司 CA 证书（CAFile）的验证，已拒绝连接，未发送任何信息：%2。"
               "请向系统管理员确认服务器证书由该 CA 签发、且含有所连接的地址 %3"_s.arg(
                   peerName(), reasons.join(u"; "_s), target));
    }
    refuse(u"与 %1 的加密握手失败（%2）"_s.arg(peerName(), m_socket->errorString()));
}

// Pins the certificate the way ssh does: the kept fingerprint, or the user's
// answer on first use. Nothing has been sent to the server yet.
void ServerConnection::checkCertificate()
{
    const QSslCertificate certificate = m_socket->peerCertificate();
    if (certificate.isNull())
        refuse(u"服务器 %1 没有出示证书，已拒绝连接"_s.arg(peerName()));
    m_serverFingerprint = TransportSecurity::fingerprint(certificate);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    if (certificate.expiryDate() < now)
        refuse(u"服务器 %1 的证书已于 %2 过期，已拒绝连接。请系统管理员为服务器更换证书"_s.arg(
            peerName(), certificate.expiryDate().toLocalTime().toString(u"yyyy-MM-dd hh:mm"_s)));
    if (certificate.effectiveDate() > now)
        refuse(u"服务器 %1 的证书要到 %2 才生效，已拒绝连接。请检查服务器和本机的时钟"_s.arg(
            peerName(), certificate.effectiveDate().toLocalTime().toString(u"yyyy-MM-dd hh:mm"_s)));
    if (!m_trust.authorities.isEmpty())
        return; // the chain and the name were verified in the handshake

    QStringList pins;
    for (const QString &pin : std::as_const(m_trust.fingerprints)) {
        if (!TransportSecurity::normalized(pin).isEmpty())
            pins << pin;
    }
    for (const QString &pin : std::as_const(pins)) {
        if (TransportSecurity::sameFingerprint(pin, m_serverFingerprint))
            return;
    }
    if (!pins.isEmpty())
        refuse(u"服务器 %1 出示的证书与此前信任的不同，已拒绝连接，未发送任何信息。\n"
               "此前信任的指纹：%2\n服务器现在的指纹：%3\n"
               "如果系统管理员确认服务器换了证书（在服务器上运行 korvan-server --fingerprint 可以看到指纹），"
               "请删除%4后重新连接；否则可能有人冒充服务器，请不要登录，并通知系统管理员。"_s.arg(
                   peerName(), pins.join(u"\n                "_s), m_serverFingerprint, pinHint(m_trust)));
    if (!m_trust.firstUse)
        refuse(u"服务器 %1 的证书尚未被信任，已拒绝连接（指纹 %2）。请向系统管理员核对指纹"
               "（korvan-server --fingerprint），再把它写入%3"_s.arg(peerName(), m_serverFingerprint,
                                                                     pinHint(m_trust)));
    if (!m_trust.firstUse(m_serverFingerprint))
        refuse(u"未信任服务器 %1 的证书（指纹 %2），已取消连接"_s.arg(peerName(), m_serverFingerprint));
    // Pinned from now on: every reconnect must show the same certificate.
    m_trust.fingerprints = {m_serverFingerprint};
}

void ServerConnection::open()
{
    if (isConnected())
        return;
    close();
    m_trustRefused = false;
    m_socket = std::make_unique<QSslSocket>();
    const QString target = m_host.isEmpty() ? (m_address.isEmpty() ? u"127.0.0.1"_s : m_address) : m_host;
    m_socket->connectToHost(target, quint16(m_port));
    if (!m_socket->waitForConnected(m_timeoutMs))
        fail(u"cannot connect to %1 (%2)"_s.arg(peerName(), m_socket->errorString()));

    // The first frame tells a korvan-server from any other program on that
    // port, and an encrypting server from one that is not.
    const int greetingMs = qMin(m_timeoutMs, 15000);
    const QByteArray first = readGreeting(greetingMs);
    if (first == WireProtocol::Greeting) {
        if (!m_trust.plain)
            refuse(u"服务器版本过旧，不支持加密连接（%1），已拒绝连接，未发送任何信息。"
                   "请系统管理员升级服务器上的 korvan-server；若服务器是用 --no-tls 启动的，请去掉该选项后重新启动"_s
                       .arg(peerName()));
    } else if (first == TransportSecurity::TlsGreeting) {
        if (m_trust.plain)
            refuse(u"%1 only takes encrypted connections: leave out --no-tls"_s.arg(peerName()));
        encrypt(target);
        const bool asked = m_trust.fingerprints.isEmpty() && m_trust.authorities.isEmpty();
        checkCertificate();
        if (asked && m_trust.firstUse) {
            // The user may have taken a while to answer: start afresh on the
            // now pinned certificate rather than on a session that may have
            // timed out meanwhile.
            close();
            open();
            return;
        }
        if (readGreeting(greetingMs) != WireProtocol::Greeting)
            fail(u"%1 is not a Korvan application server"_s.arg(peerName()));
    } else {
        fail(u"%1 is not a Korvan application server"_s.arg(peerName()));
    }
    ++m_sessionNumber;
}

void ServerConnection::close()
{
    if (!m_socket)
        return;
    m_socket->abort();
    m_socket.reset();
}

QString ServerConnection::call(const char *method, const QStringList &arguments)
{
    const BusyScope busy;
    open();
    // A guard's transaction whose session is gone went with it: a statement
    // of it sent now would be kept on its own in the new session, so that
    // half a save is stored while the guard reports nothing saved. Only the
    // guard's own ending goes on (it sends neither, see transactionguard.cpp).
    if (m_transactionDepth > 0 && m_transactionSession != m_sessionNumber && qstrcmp(method, "CommitTrans") != 0
        && qstrcmp(method, "RollbackTrans") != 0)
        fail(u"the connection to %1 was lost inside a transaction, which the server rolled back: nothing of it was "
             "saved"_s.arg(peerName()));
    QString refused;
    if (!m_user.isEmpty() && m_loginSession != m_sessionNumber) {
        // A session opened since the last login: log it in first, once.
        m_loginSession = m_sessionNumber;
        const QString login = exchange("Login", {m_user, m_password});
        if (login.startsWith(u"Err"_s))
            refused = login.mid(3);
    }
    const QString answer = exchange(method, arguments);
    // A server that answers without a login (--no-login) answers anyway.
    if (!refused.isEmpty() && answer.startsWith(u"Errnot logged in"_s))
        return u"Errthe server refused to log %1 in again: %2"_s.arg(m_user, refused);
    return answer;
}

std::optional<QString> ServerConnection::login(const QString &user, const QString &password)
{
    const BusyScope busy;
    open();
    QString answer;
    try {
        answer = exchange("Login", {user, password});
    } catch (const KorvanError &) {
        if (!m_closedByPeer)
            throw;
        open(); // throws when the server is really gone
        return std::nullopt;
    }
    if (answer.startsWith(u"Err"_s)) {
        m_loginSession = 0; // this session is logged out; the next call logs the kept login in again
        return answer;
    }
    m_user = user;
    m_password = password;
    m_loginSession = m_sessionNumber;
    return answer;
}

void ServerConnection::setCredentials(const QString &user, const QString &password)
{
    m_user = user;
    m_password = password;
    m_loginSession = 0;
}

void ServerConnection::updatePassword(const QString &user, const QString &password)
{
    if (!m_user.isEmpty() && m_user == user)
        m_password = password;
}

QString ServerConnection::exchange(const char *method, const QStringList &arguments)
{
    m_closedByPeer = false;
    QList<QByteArray> items{QByteArray(method)};
    for (const QString &argument : arguments)
        items.append(TextCodec::encode(argument));
    const QByteArray request = WireProtocol::frame(WireProtocol::encodeItems(items));
    m_socket->write(request);
    QDeadlineTimer deadline(m_timeoutMs);
    while (m_socket->bytesToWrite() > 0) {
        if (!m_socket->waitForBytesWritten(int(qMax<qint64>(1, deadline.remainingTime()))))
            fail(u"sending to %1 failed (%2)"_s.arg(peerName(), m_socket->errorString()));
    }

    QByteArray buffer;
    QByteArray payload;
    for (;;) {
        const auto status = WireProtocol::takeFrame(buffer, WireProtocol::MaxAnswerSize, payload);
        if (status == WireProtocol::FrameStatus::Complete)
            break;
        if (status == WireProtocol::FrameStatus::Oversized)
            fail(u"the answer from %1 is over the size limit"_s.arg(peerName()));
        if (m_socket->bytesAvailable() == 0
            && !m_socket->waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())))) {
            m_closedByPeer = buffer.isEmpty() && m_socket->error() == QAbstractSocket::RemoteHostClosedError;
            fail(deadline.hasExpired() ? u"no answer from %1 within %2 s"_s.arg(peerName()).arg(m_timeoutMs / 1000)
                                       : u"connection to %1 lost (%2)"_s.arg(peerName(), m_socket->errorString()));
        }
        buffer.append(m_socket->readAll());
    }
    if (!buffer.isEmpty())
        fail(u"unexpected data from %1"_s.arg(peerName()));
    return TextCodec::decode(payload);
}

QString ServerConnection::openQuery(const QString &sql, const QString &param, int mode)
{
    return call("OpenQuery", {sql, param, QString::number(mode)});
}

QString ServerConnection::execSql(const QString &sql, const QString &param)
{
    return call("ExecSql", {sql, param});
}

QString ServerConnection::getInfo(int n)
{
    return call("GetInfo", {QString::number(n)});
}

QString ServerConnection::beginTrans()
{
    return call("BeginTrans", {});
}

QString ServerConnection::commitTrans()
{
    return call("CommitTrans", {});
}

QString ServerConnection::rollbackTrans()
{
    return call("RollbackTrans", {});
}
