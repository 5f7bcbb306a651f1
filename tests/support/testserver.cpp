#include "testserver.h"

#include <sqlite3.h>

#include "serverconnection.h"

#include <QDeadlineTimer>
#include <QRegularExpression>

#include <csignal>

using namespace Qt::StringLiterals;

TestServer::TestServer() = default;

TestServer::~TestServer()
{
    stop();
}

QString TestServer::databasePath() const
{
    return m_dir.filePath(u"korvan.db"_s);
}

bool TestServer::start(const QStringList &extraArguments)
{
    const QString binary = qEnvironmentVariable("KORVAN_SERVER_BIN");
    if (binary.isEmpty()) {
        m_error = u"KORVAN_SERVER_BIN is not set"_s;
        return false;
    }
    m_process = std::make_unique<QProcess>();
    m_process->setProgram(binary);
    m_process->setArguments(QStringList{u"--db"_s, databasePath(), u"--port"_s, u"0"_s, u"--settings"_s,
                                        m_dir.filePath(u"korvan-server.ini"_s)}
                            + extraArguments);
    m_process->start();
    if (!m_process->waitForStarted(10000)) {
        m_error = m_process->errorString();
        return false;
    }
    static const QRegularExpression listening(u"listening on [^:]+:(\\d+)"_s);
    QByteArray out;
    QDeadlineTimer deadline(60000); // a demo database may take a moment to fill
    while (!deadline.hasExpired()) {
        if (m_process->canReadLine() || m_process->waitForReadyRead(200)) {
            out += m_process->readAllStandardOutput();
            const auto match = listening.match(QString::fromUtf8(out));
            if (match.hasMatch()) {
                m_port = match.captured(1).toInt();
                return true;
            }
        }
        if (m_process->state() == QProcess::NotRunning)
            break;
    }
    m_error = u"korvan-server did not start: "_s + QString::fromUtf8(out) + log();
    return false;
}

void TestServer::stop()
{
    if (!m_process)
        return;
    if (m_process->state() != QProcess::NotRunning) {
        ::kill(pid_t(m_process->processId()), SIGTERM);
        if (!m_process->waitForFinished(15000)) {
            m_process->kill();
            m_process->waitForFinished(5000);
        }
    }
    log();
    m_process.reset();
}

void TestServer::kill()
{
    if (!m_process)
        return;
    m_process->kill();
    m_process->waitForFinished(5000);
    log();
    m_process.reset();
}

QString TestServer::log()
{
    if (m_process)
        m_log += m_process->readAllStandardError();
    return QString::fromUtf8(m_log);
}

std::unique_ptr<ServerConnection> TestServer::connect() const
{
    return connectAs(QString::fromLatin1(AdminUser), QString::fromLatin1(AdminPassword));
}

std::unique_ptr<ServerConnection> TestServer::connectAs(const QString &user, const QString &password) const
{
    auto connection = std::make_unique<ServerConnection>();
    connection->setAddress(u"127.0.0.1"_s);
    connection->setPort(m_port);
    connection->setTimeout(30000);
    connection->setCredentials(user, password);
    return connection;
}

QString TestServer::valueDirect(const QString &sql) const
{
    sqlite3 *db = nullptr;
    sqlite3_stmt *stmt = nullptr;
    const QByteArray path = databasePath().toUtf8();
    const QByteArray text = sql.toUtf8();
    QString value;
    if (sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK
        && sqlite3_prepare_v2(db, text.constData(), -1, &stmt, nullptr) == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW)
        value = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
    sqlite3_finalize(stmt);
    sqlite3_close_v2(db);
    return value;
}

QString TestServer::execDirect(const QString &sql) const
{
    sqlite3 *db = nullptr;
    const QByteArray path = databasePath().toUtf8();
    QString failure;
    if (sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        failure = sql + u" -> "_s + QString::fromUtf8(sqlite3_errmsg(db));
    } else {
        sqlite3_busy_timeout(db, 10000);
        const QByteArray text = sql.toUtf8();
        char *message = nullptr;
        if (sqlite3_exec(db, text.constData(), nullptr, nullptr, &message) != SQLITE_OK)
            failure = sql + u" -> "_s + QString::fromUtf8(message ? message : sqlite3_errmsg(db));
        sqlite3_free(message);
    }
    sqlite3_close_v2(db);
    return failure;
}
