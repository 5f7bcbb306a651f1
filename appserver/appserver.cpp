#include "appserver.h"

#include "sessionworker.h"
#include "wireprotocol.h"

#include <QDateTime>
#include <QHostAddress>
#include <QTimer>

#include <cstdio>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QString peerAddressOf(qintptr descriptor)
{
    sockaddr_storage peer = {};
    socklen_t size = sizeof peer;
    if (::getpeername(int(descriptor), reinterpret_cast<sockaddr *>(&peer), &size) != 0)
        return QString();
    QHostAddress address(reinterpret_cast<const sockaddr *>(&peer));
    // An IPv4 client of a dual-stack listener counts as its IPv4 address.
    bool v4 = false;
    const quint32 ip4 = address.toIPv4Address(&v4);
    return v4 ? QHostAddress(ip4).toString() : address.toString();
}

// True when the process can still open n descriptors (a session needs a few).
bool descriptorsLeft(int spare, int n)
{
    QList<int> taken;
    bool ok = true;
    for (int i = 0; i < n && ok; ++i) {
        const int fd = ::fcntl(spare >= 0 ? spare : STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
        if (fd < 0)
            ok = false;
        else
            taken.append(fd);
    }
    for (int fd : std::as_const(taken))
        ::close(fd);
    return ok;
}

} // namespace

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
    m_spareDescriptor = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    connect(this, &QTcpServer::acceptError, this, &AppServer::onAcceptError);
}

AppServer::~AppServer()
{
    shutdown();
    if (m_spareDescriptor >= 0)
        ::close(m_spareDescriptor);
}

// The message goes where the client expects its greeting; the descriptor is
// closed at once, and no thread is started for it.
void AppServer::refuse(qintptr descriptor, const QString &address, const QString &message, const QString &why)
{
    const QByteArray frame = WireProtocol::refusalFrame(message);
    [[maybe_unused]] auto n = ::send(int(descriptor), frame.constData(), size_t(frame.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
    ::close(int(descriptor));
    ++m_refusalsUnlogged;
    if (m_sinceRefusalLog.isValid() && !m_sinceRefusalLog.hasExpired(10000))
        return;
    m_sinceRefusalLog.start();
    serverLog(u"connection from %1 refused: %2 (%3 refused since the last such line)"_s.arg(
        address.isEmpty() ? u"?"_s : address, why, QString::number(std::exchange(m_refusalsUnlogged, 0))));
}

void AppServer::incomingConnection(qintptr socketDescriptor)
{
    const QString address = peerAddressOf(socketDescriptor);
    int sessions = 0;
    int fromAddress = 0;
    {
        QMutexLocker lock(&m_mutex);
        sessions = int(m_workers.size());
        fromAddress = m_perAddress.value(address);
    }
    if (sessions >= m_limits.maxSessions) {
        refuse(socketDescriptor, address,
               u"服务器连接数已满（最多 %1 个连接），请稍后再试或联系系统管理员。"_s.arg(m_limits.maxSessions),
               u"%1 sessions open, the most allowed (--max-sessions)"_s.arg(sessions));
        return;
    }
    if (fromAddress >= m_limits.maxPerAddress) {
        refuse(socketDescriptor, address,
               u"服务器连接数已满：这台电脑已有 %1 个连接，请关闭不用的程序后再试。"_s.arg(fromAddress),
               u"%1 sessions open from this address, the most allowed (--max-sessions-per-address)"_s.arg(fromAddress));
        return;
    }
    if (!descriptorsLeft(m_spareDescriptor, DescriptorsPerSession * 2)) {
        refuse(socketDescriptor, address, u"服务器连接数已满：服务器暂时无法接受新的连接，请稍后再试。"_s,
               u"the process is short of file descriptors"_s);
        return;
    }
    auto *worker = new SessionWorker(m_nextId++, socketDescriptor, m_databasePath, m_info, m_options, &m_throttle);
    worker->setStackSize(SessionWorker::StackBytes);
    {
        QMutexLocker lock(&m_mutex);
        m_workers.append(worker);
        ++m_perAddress[address];
    }
    connect(worker, &QThread::finished, this, [this, worker, address] { forget(worker, address); });
    worker->start();
    // A thread that could not be created never runs nor finishes.
    if (!worker->isRunning() && !worker->isFinished()) {
        {
            QMutexLocker lock(&m_mutex);
            m_workers.removeOne(worker);
            if (--m_perAddress[address] <= 0)
                m_perAddress.remove(address);
        }
        delete worker;
        refuse(socketDescriptor, address, u"服务器连接数已满：服务器暂时无法接受新的连接，请稍后再试。"_s,
               u"no thread could be started for the session"_s);
    }
}

// Out of descriptors, the listener stops accepting: one pending connection
// is taken with the spare descriptor and refused, and accepting resumes
// shortly, so that the server never stops answering for good.
void AppServer::onAcceptError(QAbstractSocket::SocketError error)
{
    if (error == QAbstractSocket::SocketResourceError && m_spareDescriptor >= 0) {
        ::close(m_spareDescriptor);
        const int fd = ::accept4(int(socketDescriptor()), nullptr, nullptr, SOCK_CLOEXEC);
        if (fd >= 0)
            refuse(fd, peerAddressOf(fd), u"服务器连接数已满：服务器暂时无法接受新的连接，请稍后再试。"_s,
                   u"the process is out of file descriptors"_s);
        m_spareDescriptor = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    } else {
        serverLog(u"accepting a connection failed: %1"_s.arg(errorString()));
    }
    QTimer::singleShot(100, this, [this] {
        if (isListening())
            resumeAccepting();
    });
}

void AppServer::forget(SessionWorker *worker, const QString &address)
{
    {
        QMutexLocker lock(&m_mutex);
        if (!m_workers.removeOne(worker))
            return;
        if (--m_perAddress[address] <= 0)
            m_perAddress.remove(address);
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
        m_perAddress.clear();
    }
    for (SessionWorker *worker : workers)
        worker->requestStop();
    for (SessionWorker *worker : workers) {
        worker->wait();
        delete worker;
    }
}
