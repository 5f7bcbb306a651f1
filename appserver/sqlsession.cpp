#include "sqlsession.h"

#include "marks.h"
#include "sqldialect.h"
#include "values.h"

#include <sqlite3.h>

#include <utility>

using namespace Qt::StringLiterals;
using CommFunU::FieldSep;

namespace {

// A REAL with at most 15 significant digits (0.1 + 0.2 reads 0.3, 1030.0
// reads 1030) and never an exponent: 0.1*8.3 - 0.83 reads
// 0.000000000000000111022302462516, which every amount reader (and a user
// looking at a computed cell) takes for the zero it is.
QString realText(double value)
{
    const QString general = QString::number(value, 'g', 15);
    return CommFunU::PlainDecimalText(general).value_or(general);
}

// Text of one result value as the client reads it: NULL is empty, a REAL as
// realText gives it.
void appendValue(QString &out, sqlite3_stmt *stmt, int column)
{
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_NULL:
        return;
    case SQLITE_INTEGER:
        out += QString::number(sqlite3_column_int64(stmt, column));
        return;
    case SQLITE_FLOAT:
        out += realText(sqlite3_column_double(stmt, column));
        return;
    default: {
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt, column));
        out += QString::fromUtf8(text, sqlite3_column_bytes(stmt, column));
        return;
    }
    }
}

struct Statement {
    sqlite3_stmt *stmt = nullptr;
    ~Statement() { sqlite3_finalize(stmt); }
};

// True when the rest of the text holds no further statement (only blanks,
// semicolons and comments).
bool onlyBlanks(sqlite3 *db, const char *tail)
{
    while (tail && *tail) {
        sqlite3_stmt *next = nullptr;
        const char *after = nullptr;
        if (sqlite3_prepare_v2(db, tail, -1, &next, &after) != SQLITE_OK)
            return false;
        if (next) {
            sqlite3_finalize(next);
            return false;
        }
        if (after == tail)
            return true;
        tail = after;
    }
    return true;
}

int bindParam(sqlite3_stmt *stmt, const QByteArray &param)
{
    const int index = sqlite3_bind_parameter_index(stmt, ":p1");
    if (index == 0)
        return SQLITE_OK;
    return sqlite3_bind_text(stmt, index, param.constData(), int(param.size()), SQLITE_TRANSIENT);
}

} // namespace

SqlSession::SqlSession() = default;

SqlSession::~SqlSession()
{
    if (!m_db)
        return;
    if (inTransaction())
        execPlain("ROLLBACK");
    sqlite3_close_v2(m_db);
}

bool SqlSession::open(const QString &path)
{
    const QByteArray file = path.toUtf8();
    const int rc = sqlite3_open_v2(file.constData(), &m_db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        m_error = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        return false;
    }
    // "double-quoted" text must never silently become a string literal: the
    // dialect rewrite turns the client's double-quoted literals into proper ones.
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    sqlite3_busy_timeout(m_db, BusyTimeoutMs);
    sqlite3_extended_result_codes(m_db, 1);
    if (!execPlain("PRAGMA journal_mode=WAL") || !execPlain("PRAGMA synchronous=FULL")) {
        m_error = QString::fromUtf8(sqlite3_errmsg(m_db));
        return false;
    }
    SqlDialect::installFunctions(m_db);
    return true;
}

bool SqlSession::execPlain(const char *sql)
{
    return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool SqlSession::inTransaction() const
{
    return m_db && !sqlite3_get_autocommit(m_db);
}

void SqlSession::interrupt()
{
    if (m_db)
        sqlite3_interrupt(m_db);
}

QString SqlSession::failure(const QString &sql, int resultCode)
{
    const QString message = SqlDialect::describeError(m_db, resultCode);
    if (m_logFailure)
        m_logFailure(sql, message);
    return u"Err"_s + message;
}

QString SqlSession::openQuery(const QString &sql, const QString &param, int mode)
{
    const QByteArray text = SqlDialect::rewrite(sql).toUtf8();
    Statement st;
    const char *tail = nullptr;
    int rc = sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &st.stmt, &tail);
    if (rc != SQLITE_OK)
        return failure(sql, rc);
    if (!st.stmt)
        return u"Errempty query"_s;
    if (!onlyBlanks(m_db, tail))
        return u"Erronly one statement can be sent as a query"_s;
    if ((rc = bindParam(st.stmt, param.toUtf8())) != SQLITE_OK)
        return failure(sql, rc);

    const int columns = sqlite3_column_count(st.stmt);
    QString out = QLatin1StringView(SuccessStatus) + FieldSep + QString::number(columns);
    if (mode == 1) {
        for (int c = 0; c < columns; ++c)
            out += FieldSep + QString::fromUtf8(sqlite3_column_name(st.stmt, c));
    }
    while ((rc = sqlite3_step(st.stmt)) == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c) {
            out += FieldSep;
            appendValue(out, st.stmt, c);
        }
    }
    if (rc != SQLITE_DONE)
        return failure(sql, rc);
    return out;
}

QString SqlSession::execSql(const QString &sql, const QString &param)
{
    const QByteArray text = SqlDialect::rewrite(sql).toUtf8();
    const QByteArray paramText = param.toUtf8();
    const char *next = text.constData();
    const char *end = next + text.size();
    qint64 changed = 0;
    while (next < end && !onlyBlanks(m_db, next)) {
        Statement st;
        const char *tail = nullptr;
        int rc = sqlite3_prepare_v2(m_db, next, int(end - next), &st.stmt, &tail);
        if (rc != SQLITE_OK)
            return failure(sql, rc);
        next = tail;
        if (!st.stmt)
            continue;
        if ((rc = bindParam(st.stmt, paramText)) != SQLITE_OK)
            return failure(sql, rc);
        while ((rc = sqlite3_step(st.stmt)) == SQLITE_ROW) {
        }
        if (rc != SQLITE_DONE)
            return failure(sql, rc);
        if (!sqlite3_stmt_readonly(st.stmt))
            changed += sqlite3_changes(m_db);
    }
    return QLatin1StringView(SuccessStatus) + FieldSep + QString::number(changed);
}

// Nested BeginTrans and CommitTrans/RollbackTrans outside a transaction
// answer success and change nothing.
QString SqlSession::beginTrans()
{
    if (inTransaction())
        return QLatin1StringView(SuccessStatus);
    if (sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
        return failure(u"BEGIN IMMEDIATE"_s, sqlite3_errcode(m_db));
    m_transactionBegun = true;
    return QLatin1StringView(SuccessStatus);
}

QString SqlSession::commitTrans()
{
    const bool begun = std::exchange(m_transactionBegun, false);
    if (!inTransaction()) {
        // Committing what the database already threw away must not read as success.
        if (begun)
            return u"Errthe transaction was rolled back by the database; nothing was saved"_s;
        return QLatin1StringView(SuccessStatus);
    }
    if (sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        return failure(u"COMMIT"_s, sqlite3_errcode(m_db));
    return QLatin1StringView(SuccessStatus);
}

QString SqlSession::rollbackTrans()
{
    m_transactionBegun = false;
    if (!inTransaction())
        return QLatin1StringView(SuccessStatus);
    if (sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr) != SQLITE_OK)
        return failure(u"ROLLBACK"_s, sqlite3_errcode(m_db));
    return QLatin1StringView(SuccessStatus);
}
