#pragma once

#include "serverinfo.h"

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QThread>
#include <atomic>
#include <memory>

class LoginThrottle;
class QSslSocket;
class SqlSession;
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
    // A frame that has begun must be complete within this time.
    static constexpr int FrameCompletionMs = 30000;

    SessionWorker(quint64 id, qintptr socketDescriptor, QString databasePath, ServerInfo info,
                  SessionOptions options, LoginThrottle *throttle);

    void requestStop();

protected:
    void run() override;

private:
    QByteArray dispatch(SqlSession &db, const QList<QByteArray> &items, bool &ok);
    QString login(SqlSession &db, const QString &user, const QString &password);
    bool encrypt(QSslSocket &socket);

    quint64 m_id;
    qintptr m_descriptor;
    QString m_databasePath;
    ServerInfo m_info;
    SessionOptions m_options;
    LoginThrottle *m_throttle;
    QString m_peer;
    QString m_peerAddress;
    QString m_user; // empty until a Login succeeds
    std::atomic_bool m_stop{false};
    QMutex m_sessionMutex; // guards m_session against requestStop()
    SqlSession *m_session = nullptr;
};
