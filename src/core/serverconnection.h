#pragma once

#include "servertrust.h"

#include <QString>
#include <QtGlobal>
#include <memory>
#include <optional>

class QSslSocket;

// The one connection of the client to korvan-server, with the calls of the
// server contract. Calls are synchronous: each sends one request frame and
// waits for its answer. A refused, lost or timed-out connection throws a
// KorvanError whose text contains "Error reading from socket"; the socket is
// then closed, so the next open() starts afresh.
//
// Every connection is encrypted and checked against the connection's
// ServerTrust before anything is sent (see servertrust.h); a server the trust
// refuses, or one that cannot encrypt, fails open() with a message that says
// what to do, and trustRefused() is then true.
//
// The server answers only GetInfo and Login until a session has logged in.
// The connection keeps the user and password of the login the server last
// accepted and logs every later session in with them before its first call,
// so a connection reopened after a loss goes on as the same user.
class ServerConnection
{
    Q_DISABLE_COPY(ServerConnection)
public:
    static constexpr int DefaultPort = 211;
    static constexpr int DefaultTimeoutMs = 120000;

    ServerConnection();
    ~ServerConnection();

    // The server is named either by an IP address or by a host name; setting
    // one clears the other.
    void setAddress(const QString &address);
    void setHost(const QString &host);
    QString address() const { return m_address; }
    QString host() const { return m_host; }
    void setPort(int port) { m_port = port; }
    int port() const { return m_port; }
    void setTimeout(int milliseconds) { m_timeoutMs = milliseconds; }

    // Called with true before and false after every call, e.g. to show a wait
    // cursor while the user interface thread waits for the server.
    using BusyHook = void (*)(bool busy);
    static void setBusyHook(BusyHook hook);

    // The trust a new connection starts with: none unless a program sets it
    // (a tool from its options, the tests for the servers they start).
    static void setDefaultTrust(const ServerTrust &trust);
    static ServerTrust defaultTrust();
    void setTrust(ServerTrust trust) { m_trust = std::move(trust); }
    const ServerTrust &trust() const { return m_trust; }
    // The fingerprint of the certificate the server showed last; empty
    // before any encrypted connection.
    QString serverFingerprint() const { return m_serverFingerprint; }
    // The last open() failed because the server was not trusted (or could
    // not encrypt), not because it could not be reached.
    bool trustRefused() const { return m_trustRefused; }

    bool isConnected() const;
    void open();
    void close();

    QString openQuery(const QString &sql, const QString &param, int mode);
    QString execSql(const QString &sql, const QString &param);
    QString getInfo(int n);
    QString beginTrans();
    QString commitTrans();
    QString rollbackTrans();

    // Login: the server checks user and password against 职员. The answer is
    // the server's: "Err…" when refused, naming an "unknown user" or a "wrong
    // password". An accepted login is kept for later sessions; a refused one
    // leaves the kept login (if any) to log the next call in again.
    // nullopt: the server does not know the call (servers before it close
    // the session on an unknown call); the connection is then open afresh and
    // works as it did before logins existed.
    std::optional<QString> login(const QString &user, const QString &password);
    // Keeps a login without sending it now: the next session sends it first.
    void setCredentials(const QString &user, const QString &password);
    // The user of the kept login, empty when none is kept.
    QString loginUser() const { return m_user; }
    // The kept login's user changed his password: later sessions use the new one.
    void updatePassword(const QString &user, const QString &password);

    // Counts the sessions this connection has opened: a call after a lost
    // connection runs in a new session on the server, outside any transaction
    // the old one had begun.
    quint64 sessionNumber() const { return m_sessionNumber; }

private:
    friend class TransactionGuard;
    QString call(const char *method, const QStringList &arguments);
    QString exchange(const char *method, const QStringList &arguments);
    [[noreturn]] void fail(const QString &detail);
    [[noreturn]] void refuse(const QString &detail);
    QByteArray readGreeting(int timeoutMs);
    void encrypt(const QString &target);
    void checkCertificate();
    QString peerName() const;

    std::unique_ptr<QSslSocket> m_socket;
    ServerTrust m_trust;
    QString m_serverFingerprint;
    bool m_trustRefused = false;
    QString m_address = QStringLiteral("127.0.0.1");
    QString m_host;
    int m_port = DefaultPort;
    int m_timeoutMs = DefaultTimeoutMs;
    quint64 m_sessionNumber = 0;
    bool m_closedByPeer = false; // the last failure was the server closing the connection

    QString m_user;
    QString m_password;
    quint64 m_loginSession = 0; // the session logged in with the kept login

    // Kept by TransactionGuard: how many guards are open on the session's
    // transaction, and whether one of the inner ones ended without committing.
    int m_transactionDepth = 0;
    bool m_transactionFailed = false;
    quint64 m_transactionSession = 0;
};
