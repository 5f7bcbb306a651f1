#include "testserver.h"

#include <sqlite3.h>

#include "pgcluster.h"
#include "serverconnection.h"
#include "servertrust.h"
#include "wireprotocol.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QRegularExpression>
#include <QSslConfiguration>
#include <QSslSocket>

#include <csignal>

using namespace Qt::StringLiterals;

namespace {

// The owner of every test database: no superuser, as a production server's
// role would be (row security and grants then apply to what it grants).
constexpr char OwnerRole[] = "korvan_owner";

} // namespace

TestServer::Engine TestServer::engineUnderTest()
{
    const QString engine = qEnvironmentVariable("KORVAN_TEST_ENGINE");
    return engine.startsWith(u"postgres"_s) ? Engine::Postgres : Engine::Sqlite;
}

QString TestServer::unavailableReason()
{
    return engineUnderTest() == Engine::Postgres ? PgCluster::unavailableReason() : QString();
}

PgCluster *TestServer::cluster(QString *error)
{
    static std::unique_ptr<PgCluster> shared;
    static QString failure;
    if (!shared && failure.isEmpty()) {
        auto started = std::make_unique<PgCluster>();
        if (!started->start())
            failure = started->errorText();
        else if (!started->createRole(QString::fromLatin1(OwnerRole)))
            failure = started->errorText();
        // The administrator's one-time step of the access policy: the
        // owner may not create roles.
        else if (const QString step = started->execDirect(
                     u"postgres"_s, u"CREATE ROLE korvan_client NOLOGIN; GRANT korvan_client TO "_s
                                        + QString::fromLatin1(OwnerRole));
                 !step.isEmpty())
            failure = step;
        else
            shared = std::move(started);
    }
    if (error)
        *error = failure;
    return shared.get();
}

TestServer::TestServer(Engine engine)
    : m_engine(engine)
{
}

bool TestServer::ensurePgDatabase()
{
    if (!m_pgDatabase.isEmpty())
        return true;
    PgCluster *pg = cluster(&m_error);
    if (!pg)
        return false;
    static int databases = 0;
    const QString name = u"korvan_%1_%2"_s.arg(QCoreApplication::applicationPid()).arg(++databases);
    if (!pg->createDatabase(name, QString::fromLatin1(OwnerRole))) {
        m_error = pg->errorText();
        return false;
    }
    m_pgDatabase = name;
    return true;
}

QString TestServer::databaseArgument() const
{
    if (!m_target.isEmpty())
        return m_target;
    if (m_engine == Engine::Postgres)
        return cluster() ? cluster()->uri(m_pgDatabase, QString::fromLatin1(OwnerRole)) : QString();
    return databasePath();
}

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
    if (m_target.isEmpty() && m_engine == Engine::Postgres && !ensurePgDatabase())
        return false;
    m_fingerprint.clear();
    m_process = std::make_unique<QProcess>();
    m_process->setProgram(binary);
    m_process->setArguments(QStringList{u"--db"_s, databaseArgument(), u"--port"_s, u"0"_s, u"--settings"_s,
                                        m_dir.filePath(u"korvan-server.ini"_s)}
                            + extraArguments);
    // The log goes to a file, not a pipe: a pipe is read only while the test
    // waits on the process, so a lot of logging would block the server once
    // the pipe is full, and a line written just before "listening" could be
    // missing from log() when start() returns.
    m_process->setStandardErrorFile(logPath(), QIODevice::Append);
    m_process->start();
    if (!m_process->waitForStarted(10000)) {
        m_error = m_process->errorString();
        return false;
    }
    static const QRegularExpression listening(u"listening on [^:]+:(\\d+)"_s);
    static const QRegularExpression fingerprint(u"fingerprint ([0-9A-F:]+)"_s);
    QByteArray out;
    QDeadlineTimer deadline(60000); // a demo database may take a moment to fill
    while (!deadline.hasExpired()) {
        if (m_process->canReadLine() || m_process->waitForReadyRead(200)) {
            out += m_process->readAllStandardOutput();
            const auto match = listening.match(QString::fromUtf8(out));
            if (match.hasMatch()) {
                m_port = match.captured(1).toInt();
                m_fingerprint = fingerprint.match(QString::fromUtf8(out)).captured(1);
                if (!m_fingerprint.isEmpty()) {
                    trustFingerprint(m_fingerprint);
                } else if (!extraArguments.contains(u"--no-tls"_s)) {
                    m_error = u"korvan-server named no certificate fingerprint: "_s + QString::fromUtf8(out);
                    return false;
                }
                return true;
            }
        }
        if (m_process->state() == QProcess::NotRunning)
            break;
    }
    m_error = u"korvan-server did not start: "_s + QString::fromUtf8(out) + log();
    return false;
}

void TestServer::trustFingerprint(const QString &fingerprint)
{
    ServerTrust trust = ServerConnection::defaultTrust();
    if (!trust.fingerprints.contains(fingerprint))
        trust.fingerprints << fingerprint;
    ServerConnection::setDefaultTrust(trust);
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
    m_process.reset();
}

void TestServer::kill()
{
    if (!m_process)
        return;
    m_process->kill();
    m_process->waitForFinished(5000);
    m_process.reset();
}

QString TestServer::logPath() const
{
    return m_dir.filePath(u"korvan-server.log"_s);
}

QString TestServer::log()
{
    QFile file(logPath());
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
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
    ServerTrust trust;
    trust.plain = m_fingerprint.isEmpty();
    trust.fingerprints = {m_fingerprint};
    connection->setTrust(trust);
    return connection;
}

QString TestServer::valueDirect(const QString &sql) const
{
    if (m_engine == Engine::Postgres)
        return cluster() ? cluster()->valueDirect(m_pgDatabase, sql) : QString();
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
    if (m_engine == Engine::Postgres) {
        if (!cluster())
            return sql + u" -> no PostgreSQL cluster"_s;
        // As the owner, so that what the test makes is the server's to use.
        return cluster()->execDirect(m_pgDatabase, u"SET ROLE "_s + QLatin1StringView(OwnerRole) + u"; "_s + sql);
    }
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

namespace {

bool readFrame(QSslSocket &socket, QByteArray *payload)
{
    QByteArray buffer;
    while (WireProtocol::takeFrame(buffer, 1024, *payload) != WireProtocol::FrameStatus::Complete) {
        if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(5000))
            return false;
        buffer += socket.read(1); // never past the frame: the handshake follows it
    }
    return true;
}

} // namespace

std::unique_ptr<QSslSocket> TestServer::rawSocket() const
{
    auto socket = std::make_unique<QSslSocket>();
    socket->connectToHost(u"127.0.0.1"_s, quint16(m_port));
    QByteArray payload;
    if (!socket->waitForConnected(5000) || !readFrame(*socket, &payload))
        return nullptr;
    if (payload == TransportSecurity::TlsGreeting) {
        QSslConfiguration config = socket->sslConfiguration();
        config.setPeerVerifyMode(QSslSocket::VerifyNone);
        socket->setSslConfiguration(config);
        socket->startClientEncryption();
        if (!socket->waitForEncrypted(5000)
            || TransportSecurity::fingerprint(socket->peerCertificate()) != m_fingerprint
            || !readFrame(*socket, &payload))
            return nullptr;
    }
    return payload == WireProtocol::Greeting ? std::move(socket) : nullptr;
}
