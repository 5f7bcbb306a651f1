#include "sessionworker.h"

#include "appserver.h"
#include "crashlog.h"
#include "loginthrottle.h"
#include "sqlsession.h"
#include "textcodec.h"
#include "tlscontext.h"
#include "wireprotocol.h"

#include <QDeadlineTimer>
#include <QSslSocket>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

using namespace Qt::StringLiterals;

namespace {

// A user name as answers and log lines show it: on one line, and cut short.
QString shownName(const QString &user)
{
    const QString line = user.left(SessionWorker::ShownNameLength + 1).simplified();
    return line.size() > SessionWorker::ShownNameLength ? line.left(SessionWorker::ShownNameLength) + u"…"_s : line;
}

// The peer has closed its side, or the connection is broken.
bool hungUp(qintptr descriptor)
{
    pollfd p{int(descriptor), POLLRDHUP, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLRDHUP | POLLHUP | POLLERR));
}

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

QByteArray SessionWorker::dispatch(DatabaseSession &db, const QList<QByteArray> &items, bool &ok)
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
    } else if (m_idleRolledBack && method != "GetInfo" && method != "Login") {
        // Nothing of the lost transaction may go on outside it: every call is
        // refused until the client ends or begins a transaction.
        if (method == "RollbackTrans" || method == "BeginTrans") {
            m_idleRolledBack = false;
            answer = method == "BeginTrans" ? db.beginTrans() : QString::fromLatin1(DatabaseSession::SuccessStatus);
        } else {
            m_idleRolledBack = method != "CommitTrans";
            answer = u"Errthe transaction was rolled back: it stayed open %1 s without a call (--transaction-idle); "
                     "nothing of it was saved"_s.arg(m_options.transactionIdleMs / 1000.0);
        }
    } else if (method == "Login") {
        answer = login(db, text(1), text(2));
    } else if (method == "OpenQuery") {
        const int mode = number(3, &valid);
        if (!valid || (mode != 0 && mode != 1))
            answer = u"ErrMode must be 0 or 1"_s;
        else
            return db.openQuery(text(1), text(2), mode).frame(); // built once, in the wire's encoding
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
    return WireProtocol::frame(TextCodec::encode(answer));
}

// Checks a login; the answer says which part was wrong. Refused logins are
// logged with the client's address (never with the password) and slowed
// down after repeated failures for the name or from the address.
QString SessionWorker::login(DatabaseSession &db, const QString &user, const QString &password)
{
    // The session is logged out until this login succeeds.
    m_user.clear();
    db.logOut();
    if (!m_throttle->begin(user, m_peerAddress, [this] { return clientGone(); }))
        return m_stop ? u"Errthe server is shutting down"_s : u"Errthe client hung up before its turn"_s;
    AccessPolicy::User account;
    QString error;
    const DatabaseSession::LoginCheck check = db.checkLogin(user, password, &account, &error);
    using Outcome = LoginThrottle::Outcome;
    const Outcome outcome = check == DatabaseSession::LoginCheck::Accepted ? Outcome::Accepted
                            : check == DatabaseSession::LoginCheck::Failed ? Outcome::Undecided
                                                                      : Outcome::Refused;
    const LoginThrottle::Counts counts = m_throttle->finish(user, m_peerAddress, outcome);
    if (check == DatabaseSession::LoginCheck::Failed)
        return u"Err"_s + error;
    if (check == DatabaseSession::LoginCheck::Accepted) {
        // The session reads and writes as this user from now on (under
        // --no-login the user only names the audit rows).
        if (!m_options.requireLogin)
            db.setUser(account.userName);
        else if (!db.logIn(account, &error)) {
            serverLog(u"session %1 from %2: cannot apply the access policy for %3: %4"_s.arg(m_id).arg(
                m_peer, shownName(account.userName), error));
            return u"Errcannot apply the access policy: "_s + error;
        }
        m_user = account.userName;
        serverLog(u"session %1 from %2: logged in as %3 (%4)"_s.arg(m_id).arg(m_peer, shownName(m_user),
                                                                            shownName(account.position)));
        return QLatin1StringView(DatabaseSession::SuccessStatus);
    }
    const bool unknown = check == DatabaseSession::LoginCheck::UnknownUser;
    // One pass over the line, and the name on one line and short: what a
    // client typed cannot forge placeholders or further log lines.
    serverLog(u"session %1 from %2: login refused for user \"%3\": %4 (%5 failed in a row for this user, %6 from %7)"_s.arg(
        QString::number(m_id), m_peer, shownName(user), unknown ? u"unknown user"_s : u"wrong password"_s,
        QString::number(counts.user), QString::number(counts.address), m_peerAddress));
    return unknown ? u"Errunknown user: "_s + shownName(user) : u"Errwrong password"_s;
}

bool SessionWorker::clientGone() const
{
    return m_stop || (m_socketDescriptor >= 0 && hungUp(m_socketDescriptor));
}

// Keep-alive on the session's socket, so that a client machine that lost
// power or network is noticed within a few minutes.
void SessionWorker::configureSocket(QTcpSocket &socket) const
{
    socket.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    const int fd = int(socket.socketDescriptor());
    const int idle = qMax(1, m_options.keepAliveIdleSeconds);
    const int interval = qMax(1, qMin(idle, 10));
    const int probes = 6;
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes);
    // Unacknowledged answers count as dead too, after the same time.
    const unsigned userTimeoutMs = unsigned(idle + interval * probes) * 1000u;
    ::setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &userTimeoutMs, sizeof userTimeoutMs);
}

// Writes one answer frame in slices, so that the socket never holds a second
// copy of a large answer; false when the client stops taking it.
bool SessionWorker::writeAnswer(QTcpSocket &socket, const QByteArray &frame)
{
    constexpr qsizetype Slice = 1024 * 1024;
    qsizetype written = 0;
    QDeadlineTimer stalled(FrameCompletionMs);
    while (!m_stop) {
        if (written < frame.size() && socket.bytesToWrite() < Slice) {
            const qsizetype n = qMin(Slice, frame.size() - written);
            if (socket.write(frame.constData() + written, n) != n)
                return false;
            written += n;
            continue;
        }
        if (written == frame.size() && socket.bytesToWrite() == 0)
            return true;
        const qint64 before = socket.bytesToWrite();
        if (!socket.waitForBytesWritten(250) && socket.state() != QAbstractSocket::ConnectedState)
            return false;
        if (socket.bytesToWrite() < before)
            stalled = QDeadlineTimer(FrameCompletionMs);
        else if (stalled.hasExpired())
            return false;
    }
    return false;
}

// A transaction without a call for longer than the limit holds every other
// session's saves: it is rolled back, and the next call is told so.
bool SessionWorker::rollBackIdleTransaction(DatabaseSession &db)
{
    if (!db.inTransaction())
        return false;
    db.rollbackTrans();
    m_idleRolledBack = true;
    serverLog(u"session %1 from %2: transaction rolled back after %3 s without a call"_s.arg(m_id)
                  .arg(m_peer)
                  .arg(m_options.transactionIdleMs / 1000.0));
    return true;
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
    const CrashLog::ThreadStack crashStack;
    QSslSocket socket;
    if (!socket.setSocketDescriptor(m_descriptor)) {
        serverLog(u"session %1: cannot take over the connection: %2"_s.arg(m_id).arg(socket.errorString()));
        return;
    }
    m_socketDescriptor = socket.socketDescriptor();
    m_peerAddress = socket.peerAddress().toString();
    m_peer = u"%1:%2"_s.arg(m_peerAddress).arg(socket.peerPort());
    configureSocket(socket);
    if (!encrypt(socket))
        return;

    QString openError;
    const std::unique_ptr<DatabaseSession> session = DatabaseSession::open(m_databasePath, &openError);
    if (!session) {
        serverLog(u"session %1 from %2: cannot open the database: %3"_s.arg(m_id).arg(m_peer, openError));
        return;
    }
    if (!openError.isEmpty())
        serverLog(u"session %1 from %2: the database cannot be reached: %3; its calls are answered with an error "
                  "until it is back"_s.arg(m_id).arg(m_peer, openError));
    DatabaseSession &db = *session;
    db.applyLimits(m_options.database);
    db.setFailureLogger(&logFailedStatement);
    if (m_options.audit)
        db.enableAudit(m_peerAddress);
    {
        QMutexLocker lock(&m_sessionMutex);
        m_session = &db;
    }
    serverLog(u"session %1 from %2: opened"_s.arg(m_id).arg(m_peer));

    socket.write(WireProtocol::frame(WireProtocol::Greeting));
    QString reason = serve(socket, db);
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

// Reads request frames and answers them until the connection ends; returns
// why it ended.
QString SessionWorker::serve(QTcpSocket &socket, DatabaseSession &db)
{
    QByteArray buffer;
    QDeadlineTimer frameDeadline = QDeadlineTimer::Forever;
    const QDeadlineTimer loginDeadline = m_options.requireLogin && m_options.loginTimeoutMs > 0
                                             ? QDeadlineTimer(m_options.loginTimeoutMs)
                                             : QDeadlineTimer(QDeadlineTimer::Forever);
    QElapsedTimer sinceCall;
    sinceCall.start();

    while (!m_stop) {
        QByteArray payload;
        const quint32 limit = loggedIn() ? m_options.maxRequestBytes : WireProtocol::MaxRequestBeforeLogin;
        const auto status = WireProtocol::takeFrame(buffer, limit, payload);
        if (status == WireProtocol::FrameStatus::Oversized)
            return loggedIn() ? u"refused a frame over the size limit"_s
                              : u"refused a frame over the size limit before a login"_s;
        if (status == WireProtocol::FrameStatus::Complete) {
            frameDeadline = buffer.isEmpty() ? QDeadlineTimer(QDeadlineTimer::Forever)
                                             : QDeadlineTimer(FrameCompletionMs);
            const auto items = WireProtocol::decodeItems(payload);
            payload.clear();
            bool known = false;
            QByteArray answer;
            if (items && !items->isEmpty()) {
                db.beginCall([this] { return clientGone(); });
                answer = dispatch(db, *items, known);
            }
            if (!known)
                return u"closed after a request it could not read"_s;
            if (!writeAnswer(socket, answer))
                return u"closed: the client stopped taking its answer"_s;
            sinceCall.restart();
            continue;
        }
        if (frameDeadline.hasExpired())
            return u"closed: a request frame was left unfinished"_s;
        if (!loggedIn() && loginDeadline.hasExpired())
            return u"closed: no login within %1 s"_s.arg(m_options.loginTimeoutMs / 1000.0);
        if (m_options.transactionIdleMs > 0 && buffer.isEmpty() && sinceCall.hasExpired(m_options.transactionIdleMs)
            && rollBackIdleTransaction(db))
            sinceCall.restart();
        if (socket.state() != QAbstractSocket::ConnectedState && socket.bytesAvailable() == 0)
            return u"closed by the client"_s;
        if (socket.waitForReadyRead(250)) {
            const bool wasEmpty = buffer.isEmpty();
            buffer.append(socket.readAll());
            if (wasEmpty && !buffer.isEmpty())
                frameDeadline = QDeadlineTimer(FrameCompletionMs);
        } else if (socket.state() != QAbstractSocket::ConnectedState) {
            return u"closed by the client"_s;
        }
    }
    return u"closed by server shutdown"_s;
}
