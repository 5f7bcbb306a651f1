#include "sqlsession.h"

#include "audittrail.h"
#include "databasesetup.h"
#include "marks.h"
#include "passwords.h"
#include "sqldialect.h"
#include "sqlitepolicy.h"
#include "sqlrewriter.h"
#include "values.h"

#include <QDateTime>
#include <QScopedValueRollback>

#include <sqlite3.h>

#include <utility>

using namespace Qt::StringLiterals;
using CommFunU::FieldSep;

namespace {

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
        out += SqlDialect::realText(sqlite3_column_double(stmt, column));
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

int bindText(sqlite3_stmt *stmt, int index, const QString &text)
{
    if (text.isEmpty())
        return sqlite3_bind_null(stmt, index);
    const QByteArray bytes = text.toUtf8();
    return sqlite3_bind_text(stmt, index, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
}

// Rows the statement just run changed: sqlite3_changes() keeps the count of
// the last INSERT, UPDATE or DELETE, so it counts only when the total moved.
qint64 rowsChanged(sqlite3 *db, sqlite3_int64 totalBefore)
{
    return sqlite3_total_changes64(db) > totalBefore ? sqlite3_changes64(db) : 0;
}

bool isSchemaAction(int action)
{
    return (action >= SQLITE_CREATE_INDEX && action <= SQLITE_DROP_VIEW && action != SQLITE_DELETE)
           || action == SQLITE_ALTER_TABLE || action == SQLITE_CREATE_VTABLE || action == SQLITE_DROP_VTABLE;
}

bool same(const char *a, const char *b)
{
    return a && qstrcmp(a, b) == 0;
}

} // namespace

// Marks the client's statements for the authorizer for as long as a call runs them.
struct ClientStatements {
    explicit ClientStatements(bool &flag, bool &schemaChanged, QString &refusal)
        : m_flag(flag)
    {
        m_flag = true;
        schemaChanged = false;
        refusal.clear();
    }
    ~ClientStatements() { m_flag = false; }
    bool &m_flag;
};

SqlSession::SqlSession() = default;

SqlSession::~SqlSession()
{
    sqlite3_finalize(m_trailInsert);
    for (sqlite3_stmt *stmt : m_kept)
        sqlite3_finalize(stmt);
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
    // No statement may corrupt the file (writable_schema, sqlite_dbpage, …),
    // and the FTS3 tokenizer cannot be pointed at memory.
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_ENABLE_FTS3_TOKENIZER, 0, nullptr);
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, nullptr);
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_busy_timeout(m_db, BusyTimeoutMs);
    sqlite3_extended_result_codes(m_db, 1);
    if (!execPlain("PRAGMA journal_mode=WAL") || !execPlain("PRAGMA synchronous=FULL")) {
        m_error = QString::fromUtf8(sqlite3_errmsg(m_db));
        return false;
    }
    SqlDialect::installFunctions(m_db);
    m_policy = std::make_unique<SqlitePolicy>(m_db);
    // A database without the staff table yet (a new file) gets it with the
    // schema; the sessions of the server open after that.
    bool hasStaff = false;
    QString ignored;
    if (DatabaseSetup::hasTable(m_db, QString::fromUtf8(AccessPolicy::StaffTable), &hasStaff, &ignored) && hasStaff
        && !m_policy->installPasswordKeeping(&m_error))
        return false;
    sqlite3_set_authorizer(m_db, &SqlSession::authorize, this);
    return true;
}

bool SqlSession::logIn(const AccessPolicy::User &user, QString *error)
{
    m_user = user.userName;
    if (m_policy->install(user, error))
        return true;
    m_user.clear();
    return false;
}

void SqlSession::logOut()
{
    m_user.clear();
    m_policy->clear();
}

QByteArray SqlSession::clientText(const QString &sql, QString *refusal)
{
    QList<SqlToken> tokens;
    const QString text = rewritten(sql, refusal, m_policy->active() ? &tokens : nullptr);
    if (!refusal->isEmpty() || !m_policy->active())
        return text.toUtf8();
    QString why;
    const QString guarded = m_policy->prepareText(text, &why, std::move(tokens));
    if (!why.isEmpty()) {
        *refusal = refused(sql, why);
        return {};
    }
    return guarded.toUtf8();
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
    QString message = SqlDialect::describeError(m_db, resultCode);
    // A refusal of the authorizer says why in the user's words (a refused
    // function fails as an ordinary error, so any refusal counts).
    if (!m_refusal.isEmpty())
        message = std::exchange(m_refusal, QString());
    if ((resultCode & 0xff) == SQLITE_INTERRUPT && !m_stopReason.isEmpty())
        message = m_stopReason;
    return refused(sql, message);
}

QString SqlSession::refused(const QString &sql, const QString &message)
{
    if (m_logFailure)
        m_logFailure(AuditTrail::maskPasswords(sql).sql,
                     m_user.isEmpty() ? message : message + u" [user "_s + m_user + u']');
    return u"Err"_s + message;
}

void SqlSession::enableAudit(const QString &clientAddress)
{
    m_audit = true;
    m_clientAddress = clientAddress;
}

// Guards the trail and the scope of a change against the client's own
// statements; everything the session runs itself passes.
int SqlSession::authorize(void *self, int action, const char *a, const char *b, const char *c, const char *d)
{
    auto *session = static_cast<SqlSession *>(self);
    if (!session->m_clientStatement)
        return SQLITE_OK;
    const auto refuse = [session](const QString &why) {
        session->m_refusal = why;
        return SQLITE_DENY;
    };
    if (const int always = SqlitePolicy::refuseAlways(action, b, &session->m_refusal); always != SQLITE_OK)
        return always;
    const char *trail = AuditTrail::TableName;
    switch (action) {
    case SQLITE_INSERT:
    case SQLITE_UPDATE:
    case SQLITE_DELETE:
    case SQLITE_CREATE_TABLE:
    case SQLITE_CREATE_TEMP_TABLE:
    case SQLITE_CREATE_VIEW:
    case SQLITE_CREATE_TEMP_VIEW:
    case SQLITE_DROP_TABLE:
    case SQLITE_DROP_TEMP_TABLE:
        if (same(a, trail))
            return refuse(u"the audit trail %1 cannot be changed"_s.arg(QString::fromUtf8(trail)));
        break;
    case SQLITE_ALTER_TABLE:
    case SQLITE_CREATE_TRIGGER:
    case SQLITE_CREATE_TEMP_TRIGGER:
        if (same(b, trail))
            return refuse(u"the audit trail %1 cannot be changed"_s.arg(QString::fromUtf8(trail)));
        break;
    case SQLITE_TRANSACTION:
        if (session->m_scope != Scope::None && !same(a, "ROLLBACK"))
            return refuse(u"transactions are begun and committed with BeginTrans and CommitTrans"_s);
        break;
    case SQLITE_PRAGMA:
        if (a && b && qstricmp(a, "writable_schema") == 0)
            return refuse(u"the schema cannot be written directly"_s);
        break;
    default:
        break;
    }
    if (session->m_policy->active()) {
        const int decision = session->m_policy->authorize(action, a, b, c, d, &session->m_refusal);
        if (decision != SQLITE_OK)
            return decision;
    }
    if (isSchemaAction(action))
        session->m_statementAltersSchema = true;
    return SQLITE_OK;
}

// The statements of every change's scope, prepared once per session.
bool SqlSession::runKept(Kept which)
{
    static const char *const texts[] = {"BEGIN IMMEDIATE", "COMMIT"};
    sqlite3_stmt *&stmt = m_kept[int(which)];
    if (!stmt && sqlite3_prepare_v3(m_db, texts[int(which)], -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr) != SQLITE_OK)
        return false;
    const int rc = sqlite3_step(stmt);
    sqlite3_reset(stmt);
    return rc == SQLITE_DONE;
}

bool SqlSession::beginChange()
{
    if (!m_audit)
        return true;
    if (inTransaction()) {
        m_scope = Scope::Joined;
        return true;
    }
    const QScopedValueRollback serverOwn(m_clientStatement, false);
    if (!runKept(Kept::Begin))
        return false;
    m_scope = Scope::Own;
    return true;
}

QString SqlSession::endChange(const QString &sql, const QString &param, qint64 changed, bool failed)
{
    const Scope scope = std::exchange(m_scope, Scope::None);
    if (scope == Scope::None || !inTransaction())
        return QString(); // nothing begun, or a ROLLBACK (or the database) threw it all away
    const QScopedValueRollback serverOwn(m_clientStatement, false);
    if (failed && scope == Scope::Own) {
        execPlain("ROLLBACK");
        return QString();
    }
    if ((changed > 0 || m_schemaChanged) && !writeTrailRow(sql, param, changed)) {
        // A change that cannot be recorded is not kept, nor the client's
        // transaction it joined (CommitTrans then says so).
        const QString answer = failure(sql, sqlite3_errcode(m_db));
        execPlain("ROLLBACK");
        return answer;
    }
    if (scope == Scope::Own && !runKept(Kept::Commit)) {
        const QString answer = failure(u"COMMIT"_s, sqlite3_errcode(m_db));
        if (inTransaction())
            execPlain("ROLLBACK");
        return answer;
    }
    return QString();
}

bool SqlSession::writeTrailRow(const QString &sql, const QString &param, qint64 changed)
{
    if (!m_trailInsert) {
        const QByteArray insert = u"INSERT INTO main.\"%1\" (\"时间\", \"用户名\", \"客户端地址\", \"语句\", \"参数\", "
                                  "\"影响行数\") VALUES (?1, ?2, ?3, ?4, ?5, ?6)"_s.arg(QString::fromUtf8(AuditTrail::TableName))
                                      .toUtf8();
        if (sqlite3_prepare_v3(m_db, insert.constData(), -1, SQLITE_PREPARE_PERSISTENT, &m_trailInsert, nullptr)
            != SQLITE_OK)
            return false;
    }
    const AuditTrail::MaskedStatement masked = AuditTrail::maskPasswords(sql);
    const QString shownParam = masked.paramHidden && !param.isEmpty() ? u"********"_s : param;
    const QString now = QDateTime::currentDateTime().toString(u"yyyy-MM-dd hh:mm:ss"_s);
    bindText(m_trailInsert, 1, now);
    bindText(m_trailInsert, 2, m_user);
    bindText(m_trailInsert, 3, m_clientAddress);
    bindText(m_trailInsert, 4, masked.sql);
    bindText(m_trailInsert, 5, shownParam);
    sqlite3_bind_int64(m_trailInsert, 6, changed);
    const int rc = sqlite3_step(m_trailInsert);
    sqlite3_reset(m_trailInsert);
    sqlite3_clear_bindings(m_trailInsert);
    return rc == SQLITE_DONE;
}

SqlSession::LoginCheck SqlSession::checkLogin(const QString &name, const QString &password, AccessPolicy::User *user,
                                              QString *error)
{
    Statement st;
    const QByteArray sql = QByteArray(StaffLoginQuery) + "?1";
    int rc = sqlite3_prepare_v2(m_db, sql.constData(), int(sql.size()), &st.stmt, nullptr);
    if (rc == SQLITE_OK)
        rc = bindText(st.stmt, 1, name.isEmpty() ? u""_s : name);
    if (rc == SQLITE_OK)
        rc = sqlite3_step(st.stmt);
    if (rc == SQLITE_DONE)
        return LoginCheck::UnknownUser;
    if (rc != SQLITE_ROW) {
        *error = SqlDialect::describeError(m_db, rc);
        return LoginCheck::Failed;
    }
    const auto text = [&st](int column) {
        QString value;
        appendValue(value, st.stmt, column);
        return value;
    };
    return staffLogin(text, password, user);
}

AnswerFrame SqlSession::openQuery(const QString &sql, const QString &param, int mode)
{
    const ClientStatements client(m_clientStatement, m_schemaChanged, m_refusal);
    QString refusal;
    const QByteArray text = clientText(sql, &refusal);
    if (!refusal.isEmpty())
        return refusal;
    Statement st;
    const char *tail = nullptr;
    m_statementAltersSchema = false;
    int rc = sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &st.stmt, &tail);
    if (rc != SQLITE_OK)
        return failure(sql, rc);
    if (!st.stmt)
        return u"Errempty query"_s;
    if (!onlyBlanks(m_db, tail))
        return u"Erronly one statement can be sent as a query"_s;
    if ((rc = bindParam(st.stmt, param.toUtf8())) != SQLITE_OK)
        return failure(sql, rc);
    // A query that writes is a change like any other.
    const bool changes = m_audit && !sqlite3_stmt_readonly(st.stmt);
    if (changes && !beginChange())
        return failure(u"BEGIN IMMEDIATE"_s, sqlite3_errcode(m_db));
    const sqlite3_int64 totalBefore = sqlite3_total_changes64(m_db);

    const int columns = sqlite3_column_count(st.stmt);
    AnswerFrame out(m_limits.answerBytes);
    out += QString::fromLatin1(SuccessStatus);
    out += FieldSep;
    out += QString::number(columns);
    if (mode == 1) {
        for (int c = 0; c < columns; ++c) {
            out += FieldSep;
            out += QString::fromUtf8(sqlite3_column_name(st.stmt, c));
        }
    }
    while ((rc = sqlite3_step(st.stmt)) == SQLITE_ROW) {
        QString &row = out.pending();
        for (int c = 0; c < columns; ++c) {
            row += FieldSep;
            appendValue(row, st.stmt, c);
        }
        out.rowDone();
        if (out.overLimit()) {
            endChange(sql, param, 0, true);
            return u"Errthe answer is larger than the server sends (%1 bytes, --max-answer): ask for fewer rows or "
                   "columns"_s.arg(out.limit());
        }
    }
    if (rc != SQLITE_DONE) {
        const QString answer = failure(sql, rc);
        endChange(sql, param, 0, true);
        return answer;
    }
    if (changes) {
        const qint64 changed = rowsChanged(m_db, totalBefore);
        m_schemaChanged = m_statementAltersSchema;
        sqlite3_reset(st.stmt);
        const QString refused = endChange(sql, param, changed, false);
        if (!refused.isEmpty())
            return refused;
    }
    return out;
}

QString SqlSession::execSql(const QString &sql, const QString &param)
{
    const ClientStatements client(m_clientStatement, m_schemaChanged, m_refusal);
    qint64 changed = 0;
    const QString failed = runStatements(sql, param.toUtf8(), &changed);
    const QString refused = endChange(sql, param, changed, !failed.isEmpty());
    if (!failed.isEmpty())
        return failed;
    if (!refused.isEmpty())
        return refused;
    return QLatin1StringView(SuccessStatus) + FieldSep + QString::number(changed);
}

QString SqlSession::runStatements(const QString &sql, const QByteArray &param, qint64 *changed)
{
    QString refusal;
    const QByteArray text = clientText(sql, &refusal);
    if (!refusal.isEmpty())
        return refusal;
    const char *next = text.constData();
    const char *end = next + text.size();
    // Each statement is prepared once: a null statement is a stretch of
    // blanks, semicolons or comments, passed over.
    while (next < end) {
        Statement st;
        const char *tail = nullptr;
        m_statementAltersSchema = false;
        int rc = sqlite3_prepare_v2(m_db, next, int(end - next), &st.stmt, &tail);
        if (rc == SQLITE_OK && !st.stmt) {
            if (!tail || tail <= next)
                break;
            next = tail;
            continue;
        }
        if (m_scope != Scope::None && !inTransaction())
            return u"Errstatements after a ROLLBACK in the same call are not run"_s;
        if (rc != SQLITE_OK)
            return failure(sql, rc);
        next = tail;
        if ((rc = bindParam(st.stmt, param)) != SQLITE_OK)
            return failure(sql, rc);
        // The scope begins with the first statement that writes: reading
        // statements and settings (PRAGMA foreign_keys) run as they always did.
        if (m_audit && m_scope == Scope::None && !sqlite3_stmt_readonly(st.stmt) && !beginChange())
            return failure(u"BEGIN IMMEDIATE"_s, sqlite3_errcode(m_db));
        const sqlite3_int64 totalBefore = sqlite3_total_changes64(m_db);
        while ((rc = sqlite3_step(st.stmt)) == SQLITE_ROW) {
        }
        if (rc != SQLITE_DONE)
            return failure(sql, rc);
        *changed += rowsChanged(m_db, totalBefore);
        m_schemaChanged = m_schemaChanged || m_statementAltersSchema;
    }
    return QString();
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

QString SqlSession::rewritten(const QString &sql, QString *refusal, QList<SqlToken> *tokens) const
{
    // Every UTF-16 unit is at least one byte of UTF-8: a text longer than the
    // limit in units is refused before it is looked at.
    const int limit = m_limits.sqlLength;
    if (sql.size() > limit) {
        *refusal = u"Errthe statement is longer than the server takes (%1 bytes, --max-sql-length): the field is too "
                   "small for the value entered"_s.arg(limit);
        return {};
    }
    QString why;
    const std::optional<QString> text = SqlRewriter::rewrite(sql, &why, tokens);
    if (!text) {
        *refusal = u"Err"_s + why;
        return {};
    }
    return *text;
}

void SqlSession::applyLimits(const Limits &limits)
{
    m_limits = limits;
    for (const auto &[id, value] : std::as_const(limits.sqlite))
        sqlite3_limit(m_db, id, value);
    sqlite3_limit(m_db, SQLITE_LIMIT_SQL_LENGTH, limits.sqlLength);
    // Looked at every few thousand steps of the statement machine: the
    // clock and, now and then, the client.
    sqlite3_progress_handler(m_db, 4000, &SqlSession::progress, this);
}

void SqlSession::beginCall(std::function<bool()> clientGone)
{
    m_callDeadline = m_limits.callTimeoutMs > 0 ? QDeadlineTimer(m_limits.callTimeoutMs)
                                                : QDeadlineTimer(QDeadlineTimer::Forever);
    m_clientGone = std::move(clientGone);
    m_sinceClientCheck.start();
    m_stopReason.clear();
}

int SqlSession::progress(void *self)
{
    auto *session = static_cast<SqlSession *>(self);
    if (session->m_callDeadline.hasExpired()) {
        session->m_stopReason = u"the statement ran longer than the server allows (%1 s, --statement-timeout) and "
                                "was stopped"_s.arg(session->m_limits.callTimeoutMs / 1000.0);
        return 1;
    }
    if (session->m_clientGone && session->m_sinceClientCheck.hasExpired(100)) {
        session->m_sinceClientCheck.start();
        if (session->m_clientGone()) {
            session->m_stopReason = u"the client hung up; its statement was stopped"_s;
            return 1;
        }
    }
    return 0;
}

bool SqlSession::prepare(bool demo, QStringList *notes, QString *error)
{
    return DatabaseSetup::prepare(m_db, demo, notes, error);
}

bool SqlSession::adminHasDefaultPassword()
{
    return DatabaseSetup::adminHasDefaultPassword(m_db);
}
