#pragma once

#include "loginthrottle.h"
#include "serverinfo.h"
#include "sessionworker.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QTcpServer>

// korvan-server's listener: every accepted connection becomes a session with
// its own thread and its own database connection. Past the maximum number of
// sessions (in all, or from one address), or when the process is short of
// descriptors or threads, a connection is refused with a message the client
// shows in place of the greeting, and the sessions already open go on.
class AppServer : public QTcpServer
{
    Q_OBJECT
public:
    struct ConnectionLimits {
        int maxSessions = 200;
        int maxPerAddress = 20;
    };

    AppServer(QString databasePath, ServerInfo info, SessionOptions options = {}, QObject *parent = nullptr);
    ~AppServer() override;

    void setConnectionLimits(ConnectionLimits limits) { m_limits = limits; }
    // Descriptors one session holds at most (socket, database, journal and
    // shared memory, the thread's wake-up pipe), with a margin.
    static constexpr int DescriptorsPerSession = 8;

    // Ends every session (rolling back what each held) and waits for them.
    void shutdown();

protected:
    void incomingConnection(qintptr socketDescriptor) override;

private:
    void forget(SessionWorker *worker, const QString &address);
    void refuse(qintptr descriptor, const QString &address, const QString &message, const QString &why);
    void onAcceptError(QAbstractSocket::SocketError error);

    QString m_databasePath;
    ServerInfo m_info;
    SessionOptions m_options;
    ConnectionLimits m_limits;
    LoginThrottle m_throttle; // shared by all sessions: failures count per name and per address
    QMutex m_mutex;
    QList<SessionWorker *> m_workers;
    QHash<QString, int> m_perAddress;
    quint64 m_nextId = 1;
    int m_spareDescriptor = -1; // given up to accept and refuse a connection when none is left
    // Refusals are logged at most once every few seconds, with their count.
    QElapsedTimer m_sinceRefusalLog;
    int m_refusalsUnlogged = 0;
};

// Writes one timestamped line to the server log (standard error).
void serverLog(const QString &line);
