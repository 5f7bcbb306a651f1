#include "serverconnection.h"

#include "korvanerror.h"
#include "textcodec.h"
#include "wireprotocol.h"

#include <QDeadlineTimer>
#include <QStringList>
#include <QTcpSocket>

using namespace Qt::StringLiterals;

namespace {

ServerConnection::BusyHook busyHook = nullptr;

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

ServerConnection::ServerConnection() = default;

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

void ServerConnection::open()
{
    if (isConnected())
        return;
    close();
    m_socket = std::make_unique<QTcpSocket>();
    const QString target = m_host.isEmpty() ? (m_address.isEmpty() ? u"127.0.0.1"_s : m_address) : m_host;
    m_socket->connectToHost(target, quint16(m_port));
    if (!m_socket->waitForConnected(m_timeoutMs))
        fail(u"cannot connect to %1 (%2)"_s.arg(peerName(), m_socket->errorString()));

    // The greeting tells a korvan-server from any other program on that port.
    QByteArray buffer;
    QByteArray payload;
    QDeadlineTimer deadline(qMin(m_timeoutMs, 15000));
    for (;;) {
        const auto status = WireProtocol::takeFrame(buffer, WireProtocol::MaxGreetingSize, payload);
        if (status == WireProtocol::FrameStatus::Complete)
            break;
        if (status == WireProtocol::FrameStatus::Oversized)
            fail(u"%1 is not a Korvan application server"_s.arg(peerName()));
        if (!m_socket->waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
            fail(u"no greeting from %1 (%2)"_s.arg(peerName(), m_socket->errorString()));
        buffer.append(m_socket->readAll());
    }
    // A server that cannot take another session says why instead of greeting.
    if (const std::optional<QString> refused = WireProtocol::refusalMessage(payload))
        fail(*refused);
    if (payload != WireProtocol::Greeting)
        fail(u"%1 is not a Korvan application server"_s.arg(peerName()));
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
