#pragma once

#include "serverinfo.h"
#include "databasesession.h"

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QThread>
#include <atomic>
#include <memory>

class AnswerFrame;
class LoginThrottle;
class QSslSocket;
class QTcpSocket;
class TlsContext;

// How sessions treat their clients.
struct SessionOptions {
    // Every call but GetInfo and Login is refused until the session has
    // logged in; off (--no-login) every call is answered, as on a trusted
    // machine where only scripts reach the server.
    bool requireLogin = true;
    // Every change is recorded in the audit trail.
    bool audit = true;
    // The certificate and key every connection is encrypted with; none
    // (--no-tls) talks in clear.
    std::shared_ptr<const TlsContext> tls;
    // A connection must have finished its TLS handshake within this time.
    int handshakeTimeoutMs = 30000;

    // What one session's calls may ask of the database.
    DatabaseSession::Limits database;
    // The largest request frame after the login (before it, a login's worth).
    quint32 maxRequestBytes = 64u * 1024 * 1024;
    // A connection that has not logged in within this time is closed.
    int loginTimeoutMs = 30000;
    // A transaction left without a call for this long is rolled back, and the
    // session's next call is told so.
    int transactionIdleMs = 120000;
    // TCP keep-alive: the first probe after this many idle seconds.
    int keepAliveIdleSeconds = 60;
};

// One client session: reads request frames, runs them on the session's own
// SqlSession and writes the answers. Login binds the session to a user of
// 职员 (the user of its audit rows); a refused Login leaves it logged out. Garbage, an oversized frame or a frame
// left unfinished closes the connection; whatever the session held in a
// transaction is rolled back when it ends.
class SessionWorker : public QThread
{
    Q_OBJECT
public:
    // A frame that has begun must be complete within this time, and an
    // answer must make progress towards the client within it.
    static constexpr int FrameCompletionMs = 30000;
    // The session's thread stack: many times what the deepest statement the
    // dialect rewrite takes needs.
    static constexpr uint StackBytes = 4u * 1024 * 1024;
    // Longest user name shown in an answer or a log line.
    static constexpr int ShownNameLength = 40;

    SessionWorker(quint64 id, qintptr socketDescriptor, QString databasePath, ServerInfo info,
                  SessionOptions options, LoginThrottle *throttle);

    void requestStop();

protected:
    void run() override;

private:
    QByteArray dispatch(DatabaseSession &db, const QList<QByteArray> &items, bool &ok);
    QString login(DatabaseSession &db, const QString &user, const QString &password);
    bool encrypt(QSslSocket &socket);
    QString serve(QTcpSocket &socket, DatabaseSession &db);
    void configureSocket(QTcpSocket &socket) const;
    bool writeAnswer(QTcpSocket &socket, const QByteArray &frame);
    bool rollBackIdleTransaction(DatabaseSession &db);
    bool loggedIn() const { return !m_options.requireLogin || !m_user.isEmpty(); }
    // The client has hung up (or the server is stopping): nothing it asked
    // for needs finishing.
    bool clientGone() const;

    quint64 m_id;
    qintptr m_descriptor;
    QString m_databasePath;
    ServerInfo m_info;
    SessionOptions m_options;
    LoginThrottle *m_throttle;
    QString m_peer;
    QString m_peerAddress;
    QString m_user; // empty until a Login succeeds
    qintptr m_socketDescriptor = -1;
    bool m_idleRolledBack = false; // the transaction was rolled back for want of calls
    std::atomic_bool m_stop{false};
    QMutex m_sessionMutex; // guards m_session against requestStop()
    DatabaseSession *m_session = nullptr;
};
