#pragma once

#include "loginthrottle.h"
#include "serverinfo.h"
#include "sessionworker.h"

#include <QList>
#include <QMutex>
#include <QTcpServer>

// korvan-server's listener: every accepted connection becomes a session with
// its own thread and its own database connection.
class AppServer : public QTcpServer
{
    Q_OBJECT
public:
    AppServer(QString databasePath, ServerInfo info, SessionOptions options = {}, QObject *parent = nullptr);
    ~AppServer() override;

    // Ends every session (rolling back what each held) and waits for them.
    void shutdown();

protected:
    void incomingConnection(qintptr socketDescriptor) override;

private:
    void forget(SessionWorker *worker);

    QString m_databasePath;
    ServerInfo m_info;
    SessionOptions m_options;
    LoginThrottle m_throttle; // shared by all sessions: failures count per address
    QMutex m_mutex;
    QList<SessionWorker *> m_workers;
    quint64 m_nextId = 1;
};

// Writes one timestamped line to the server log (standard error).
void serverLog(const QString &line);
