#include "pgconnection.h"

#include <QRegularExpression>
#include <QVarLengthArray>

#include <libpq-fe.h>
#include <poll.h>

using namespace Qt::StringLiterals;

PgResult &PgResult::operator=(PgResult &&other) noexcept
{
    if (this != &other) {
        PQclear(m_result);
        m_result = std::exchange(other.m_result, nullptr);
    }
    return *this;
}

PgResult::~PgResult()
{
    PQclear(m_result);
}

bool PgResult::ok() const
{
    const ExecStatusType status = m_result ? PQresultStatus(m_result) : PGRES_FATAL_ERROR;
    return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
}

QString PgResult::sqlState() const
{
    if (ok())
        return {};
    const char *state = m_result ? PQresultErrorField(m_result, PG_DIAG_SQLSTATE) : nullptr;
    // No SQLSTATE: libpq itself failed (the connection broke).
    return state ? QString::fromLatin1(state) : u"08006"_s;
}

QString PgResult::message() const
{
    const char *primary = m_result ? PQresultErrorField(m_result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    if (primary)
        return QString::fromUtf8(primary);
    return m_result ? QString::fromUtf8(PQresultErrorMessage(m_result)).trimmed() : u"no answer from PostgreSQL"_s;
}

int PgResult::rows() const
{
    return m_result ? PQntuples(m_result) : 0;
}

int PgResult::columns() const
{
    return m_result ? PQnfields(m_result) : 0;
}

bool PgResult::isNull(int row, int column) const
{
    return PQgetisnull(m_result, row, column) != 0;
}

QString PgResult::text(int row, int column) const
{
    return QString::fromUtf8(PQgetvalue(m_result, row, column), PQgetlength(m_result, row, column));
}

qint64 PgResult::changed() const
{
    return m_result ? QByteArray(PQcmdTuples(m_result)).toLongLong() : 0;
}

PgConnection::~PgConnection()
{
    close();
}

void PgConnection::close()
{
    if (m_cancel)
        PQfreeCancel(std::exchange(m_cancel, nullptr));
    if (m_conn)
        PQfinish(std::exchange(m_conn, nullptr));
}

bool PgConnection::connect(const QString &address)
{
    close();
    const QByteArray uri = address.toUtf8();
    // Every text goes both ways as UTF-8, whatever the server's locale.
    const char *keys[] = {"dbname", "client_encoding", "application_name", "connect_timeout", nullptr};
    const char *values[] = {uri.constData(), "UTF8", "korvan-server", "10", nullptr};
    m_conn = PQconnectdbParams(keys, values, 1);
    if (!m_conn || PQstatus(m_conn) != CONNECTION_OK) {
        m_error = m_conn ? QString::fromUtf8(PQerrorMessage(m_conn)).trimmed() : u"out of memory"_s;
        close();
        return false;
    }
    m_cancel = PQgetCancel(m_conn);
    // NOTICEs ("already exists, skipping") are no news for the server's log.
    PQsetNoticeProcessor(m_conn, [](void *, const char *) {}, nullptr);
    return true;
}

bool PgConnection::isOpen() const
{
    return m_conn && PQstatus(m_conn) == CONNECTION_OK;
}

PgResult PgConnection::exec(const QString &sql, const QStringList &params, const std::function<bool()> &stillWanted)
{
    if (!m_conn)
        return PgResult();
    const QByteArray text = sql.toUtf8();
    QList<QByteArray> bytes;
    QVarLengthArray<const char *, 8> values;
    for (const QString &param : params)
        bytes << (param.isNull() ? QByteArray() : param.toUtf8());
    for (qsizetype i = 0; i < params.size(); ++i)
        values.append(params.at(i).isNull() ? nullptr : bytes.at(i).constData());
    if (!stillWanted)
        return PgResult(PQexecParams(m_conn, text.constData(), int(values.size()), nullptr, values.data(), nullptr,
                                     nullptr, 0));
    if (!PQsendQueryParams(m_conn, text.constData(), int(values.size()), nullptr, values.data(), nullptr, nullptr, 0))
        return PgResult(PQmakeEmptyPGresult(m_conn, PGRES_FATAL_ERROR));
    // Waits for the answer a tenth of a second at a time, so that a call
    // past its time or of a client gone is cancelled rather than waited for.
    bool cancelled = false;
    while (PQisBusy(m_conn)) {
        pollfd fd{PQsocket(m_conn), POLLIN, 0};
        const int ready = ::poll(&fd, 1, 100);
        if (ready > 0 && !PQconsumeInput(m_conn))
            break;
        if (ready == 0 && !cancelled && !stillWanted()) {
            cancel();
            cancelled = true;
        }
    }
    PgResult last;
    while (PGresult *result = PQgetResult(m_conn))
        last = PgResult(result);
    if (!last.get())
        last = PgResult(PQmakeEmptyPGresult(m_conn, PGRES_FATAL_ERROR));
    return last;
}

bool PgConnection::run(const QString &sql, QString *error)
{
    const PgResult result = exec(sql);
    if (result.ok())
        return true;
    *error = result.message();
    return false;
}

void PgConnection::cancel()
{
    if (!m_cancel)
        return;
    char message[256];
    PQcancel(m_cancel, message, int(sizeof message));
}

QString PgConnection::shownAddress(const QString &address)
{
    static const QRegularExpression password(u"^(postgres(?:ql)?://[^:@/]*):[^@/]*@"_s);
    QString shown = address;
    shown.replace(password, u"\\1:****@"_s);
    static const QRegularExpression passwordParam(u"([?&]password=)[^&]*"_s);
    shown.replace(passwordParam, u"\\1****"_s);
    return shown;
}
