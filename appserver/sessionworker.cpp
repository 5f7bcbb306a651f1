#include "sessionworker.h"

#include "appserver.h"
#include "loginthrottle.h"
#include "sqlsession.h"
#include "textcodec.h"
#include "tlscontext.h"
#include "wireprotocol.h"

#include <QDeadlineTimer>
#include <QSslSocket>

using namespace Qt::StringLiterals;

namespace {

void logFailedStatement(const QString &sql, const QString &message)
{
    QString oneLine = sql.simplified();
    if (oneLine.size() > 300)
        oneLine = oneLine.left(300) + u"…"_s;
    serverLog(u"statement failed: %1 | %2"_s.arg(message, oneLine));
}

} // namespace

SessionWorker::SessionWorker(quint64 id, qintptr socketDescriptor, QString databasePath, ServerInfo info,
                             SessionOptions options, LoginThrottle *throttle)
    : m_id(id)
    , m_descriptor(socketDescriptor)
    , m_databasePath(std::move(databasePath))
    , m_info(std::move(info))
    , m_options(options)
    , m_throttle(throttle)
{
}

void SessionWorker::requestStop()
{
    m_stop = true;
    QMutexLocker lock(&m_sessionMutex);
    if (m_session)
        m_session->interrupt();
}

QByteArray SessionWorker::dispatch(SqlSession &db, const QList<QByteArray> &items, bool &ok)
{
    ok = true;
    const QByteArray &method = items.first();
    auto text = [&](int i) { return i < items.size() ? TextCodec::decode(items.at(i)) : QString(); };
    auto number = [&](int i, bool *valid) { return text(i).toInt(valid); };

    static const QByteArrayList open{"GetInfo", "Login"};
    static const QByteArrayList guarded{"OpenQuery", "ExecSql", "BeginTrans", "CommitTrans", "RollbackTrans"};
    if (!open.contains(method) && !guarded.contains(method)) {
        ok = false;
        return {};
    }
    QString answer;
    bool valid = true;
    if (guarded.contains(method) && m_options.requireLogin && m_user.isEmpty()) {
        answer = u"Errnot logged in: this server answers %1 only after a Login"_s.arg(QString::fromLatin1(method));
    } else if (method == "Login") {
        answer = login(db, text(1), text(2));
    } else if (method == "OpenQuery") {
        const int mode = number(3, &valid);
        answer = valid && (mode == 0 || mode == 1) ? db.openQuery(text(1), text(2), mode)
                                                   : u"ErrMode must be 0 or 1"_s;
    } else if (method == "ExecSql") {
        answer = db.execSql(text(1), text(2));
    } else if (method == "GetInfo") {
        const int n = number(1, &valid);
        answer = valid ? m_info.answer(n) : u"ErrGetInfo needs a number"_s;
    } else if (method == "BeginTrans") {
        answer = db.beginTrans();
    } else if (method == "CommitTrans") {
        answer = db.commitTrans();
    } else if (method == "RollbackTrans") {
        answer = db.rollbackTrans();
    }
    return TextCodec::encode(answer);
}

// Checks a login; the answer says which part was wrong. Refused logins are
// logged with the client's address (never with the password) and slowed
// down after repeated failures from that address.
QString SessionWorker::login(SqlSession &db, const QString &user, const QString &password)
{
    // The session is logged out until this login succeeds.
    m_user.clear();
    db.setUser(QString());
    if (!m_throttle->waitTurn(m_peerAddress, m_stop))
        return u"Errthe server is shutting down"_s;
    QString name;
    QString error;
    const SqlSession::LoginCheck check = db.checkLogin(user, password, &name, &error);
    if (check == SqlSession::LoginCheck::Failed)
        return u"Err"_s + error;
    if (check == SqlSession::LoginCheck::Accepted) {
        m_throttle->succeeded(m_peerAddress);
        m_user = name;
        db.setUser(name);
        serverLog(u"session %1 from %2: logged in as %3"_s.arg(m_id).arg(m_peer, name));
        return QLatin1StringView(SqlSession::SuccessStatus);
    }
    const bool unknown = check == SqlSession::LoginCheck::UnknownUser;
    const int failures = m_throttle->failed(m_peerAddress);
    // One pass over the line, and the name on one line: what a client typed
    // cannot forge placeholders or further log lines.
    serverLog(u"session %1 from %2: login refused for user \"%3\": %4 (%5 failed in a row from %6)"_s.arg(
        QString::number(m_id), m_peer, user.simplified(), unknown ? u"unknown user"_s : u"wrong password"_s,
        QString::number(failures), m_peerAddress));
    return unknown ? u"Errunknown user: "_s + user : u"Errwrong password"_s;
}

// Encrypts the connection before the session begins; a client that cannot
// (or garbage, or a handshake left unfinished) is logged and closed.
bool SessionWorker::encrypt(QSslSocket &socket)
{
    if (!m_options.tls)
        return true;
    QString failure;
    if (m_options.tls->secure(socket, m_options.handshakeTimeoutMs, m_stop, &failure))
        return true;
    serverLog(u"session %1 from %2: %3"_s.arg(m_id).arg(m_peer, failure));
    socket.abort();
    return false;
}

void SessionWorker::run()
{
    QSslSocket socket;
    if (!socket.setSocketDescriptor(m_descriptor)) {
        serverLog(u"session %1: cannot take over the connection: %2"_s.arg(m_id).arg(socket.errorString()));
        return;
    }
    m_peerAddress = socket.peerAddress().toString();
    m_peer = u"%1:%2"_s.arg(m_peerAddress).arg(socket.peerPort());
    if (!encrypt(socket))
        return;

    SqlSession db;
    if (!db.open(m_databasePath)) {
        serverLog(u"session %1 from %2: cannot open the database: %3"_s.arg(m_id).arg(m_peer, db.error()));
        return;
    }
    db.setFailureLogger(&logFailedStatement);
    if (m_options.audit)
        db.enableAudit(m_peerAddress);
    {
        QMutexLocker lock(&m_sessionMutex);
        m_session = &db;
    }
    serverLog(u"session %1 from %2: opened"_s.arg(m_id).arg(m_peer));

    socket.write(WireProtocol::frame(WireProtocol::Greeting));
    QString reason = u"closed by the client"_s;
    QByteArray buffer;
    QDeadlineTimer frameDeadline = QDeadlineTimer::Forever;

    while (!m_stop) {
        QByteArray payload;
        const auto status = WireProtocol::takeFrame(buffer, WireProtocol::MaxRequestSize, payload);
        if (status == WireProtocol::FrameStatus::Oversized) {
            reason = u"refused a frame over the size limit"_s;
            break;
        }
        if (status == WireProtocol::FrameStatus::Complete) {
            frameDeadline = buffer.isEmpty() ? QDeadlineTimer(QDeadlineTimer::Forever)
                                             : QDeadlineTimer(FrameCompletionMs);
            const auto items = WireProtocol::decodeItems(payload);
            bool known = false;
            QByteArray answer;
            if (items && !items->isEmpty())
                answer = dispatch(db, *items, known);
            if (!known) {
                reason = u"closed after a request it could not read"_s;
                break;
            }
            socket.write(WireProtocol::frame(answer));
            while (socket.bytesToWrite() > 0 && !m_stop) {
                if (!socket.waitForBytesWritten(250) && socket.state() != QAbstractSocket::ConnectedState)
                    break;
            }
            continue;
        }
        if (frameDeadline.hasExpired()) {
            reason = u"closed: a request frame was left unfinished"_s;
            break;
        }
        if (socket.state() != QAbstractSocket::ConnectedState && socket.bytesAvailable() == 0)
            break;
        if (socket.waitForReadyRead(250)) {
            const bool wasEmpty = buffer.isEmpty();
            buffer.append(socket.readAll());
            if (wasEmpty && !buffer.isEmpty())
                frameDeadline = QDeadlineTimer(FrameCompletionMs);
        } else if (socket.state() != QAbstractSocket::ConnectedState) {
            break;
        }
    }
    if (m_stop)
        reason = u"closed by server shutdown"_s;

    {
        QMutexLocker lock(&m_sessionMutex);
        m_session = nullptr;
    }
    const bool heldTransaction = db.inTransaction();
    if (heldTransaction)
        db.rollbackTrans();
    socket.abort();
    serverLog(u"session %1 from %2: %3%4"_s.arg(m_id)
                  .arg(m_peer, reason, heldTransaction ? u"; open transaction rolled back"_s : QString()));
}
