#include "appserver.h"

#include "sessionworker.h"

#include <QDateTime>
#include <cstdio>

void serverLog(const QString &line)
{
    const QByteArray text = (QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss ")) + line)
                                .toUtf8();
    std::fprintf(stderr, "%s\n", text.constData());
    std::fflush(stderr);
}

AppServer::AppServer(QString databasePath, ServerInfo info, SessionOptions options, QObject *parent)
    : QTcpServer(parent)
    , m_databasePath(std::move(databasePath))
    , m_info(std::move(info))
    , m_options(options)
{
}

AppServer::~AppServer()
{
    shutdown();
}

void AppServer::incomingConnection(qintptr socketDescriptor)
{
    auto *worker = new SessionWorker(m_nextId++, socketDescriptor, m_databasePath, m_info, m_options, &m_throttle);
    {
        QMutexLocker lock(&m_mutex);
        m_workers.append(worker);
    }
    connect(worker, &QThread::finished, this, [this, worker] { forget(worker); });
    worker->start();
}

void AppServer::forget(SessionWorker *worker)
{
    {
        QMutexLocker lock(&m_mutex);
        if (!m_workers.removeOne(worker))
            return;
    }
    worker->wait();
    delete worker;
}

void AppServer::shutdown()
{
    close();
    QList<SessionWorker *> workers;
    {
        QMutexLocker lock(&m_mutex);
        workers.swap(m_workers);
    }
    for (SessionWorker *worker : workers)
        worker->requestStop();
    for (SessionWorker *worker : workers) {
        worker->wait();
        delete worker;
    }
}
