#pragma once

#include "serverinfo.h"

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QThread>
#include <atomic>

class QTcpSocket;
class SqlSession;

// One client session: reads request frames, runs them on the session's own
// SqlSession and writes the answers. Garbage, an oversized frame or a frame
// left unfinished closes the connection; whatever the session held in a
// transaction is rolled back when it ends.
class SessionWorker : public QThread
{
    Q_OBJECT
public:
    // A frame that has begun must be complete within this time.
    static constexpr int FrameCompletionMs = 30000;

    SessionWorker(quint64 id, qintptr socketDescriptor, QString databasePath, ServerInfo info);

    void requestStop();

protected:
    void run() override;

private:
    QByteArray dispatch(SqlSession &db, const QList<QByteArray> &items, bool &ok);

    quint64 m_id;
    qintptr m_descriptor;
    QString m_databasePath;
    ServerInfo m_info;
    QString m_peer;
    std::atomic_bool m_stop{false};
    QMutex m_sessionMutex; // guards m_session against requestStop()
    SqlSession *m_session = nullptr;
};
