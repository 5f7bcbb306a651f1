#include "pgsession.h"

#include "audittrail.h"
#include "databasesetup.h"
#include "demodata.h"
#include "marks.h"
#include "passwords.h"
#include "pgdialect.h"
#include "pgpolicy.h"
#include "pgrowwriter.h"
#include "pgschema.h"
#include "schema.h"
#include "sqlrewriter.h"

#include <QCryptographicHash>
#include <QDate>
#include <QDateTime>
#include <QMutexLocker>
#include <QRegularExpression>

#include <libpq-fe.h>

using namespace Qt::StringLiterals;
using CommFunU::FieldSep;

PgSession::PgSession() = default;

PgSession::~PgSession()
{
    if (inTransaction())
        run(u"ROLLBACK"_s);
    logOut(); // the session's row goes with it
}

bool PgSession::open(const QString &address)
{
    m_address = address;
    if (m_connection.connect(address))
        return true;
    m_error = m_connection.error();
    return false;
}

QString PgSession::reachDatabase()
{
    if (m_connection.isOpen())
        return {};
    // Whatever the connection held in a transaction is gone with it.
    if (m_transactionBegun)
        m_transactionLost = true;
    m_transactionBegun = false;
    m_scope = Scope::None;
    bool up = false;
    {
        QMutexLocker lock(&m_connectionMutex);
        up = m_connection.connect(m_address);
    }
    QString why;
    if (up && applyPolicy(&why))
        return {};
    if (up) {
        // A connection that cannot be put under the user's policy serves nothing.
        m_connection.close();
        return u"Errthe access policy cannot be applied on the new connection to the database (%1)"_s.arg(why);
    }
    return u"Errnetwork error: the server cannot reach its database (%1)"_s.arg(m_connection.error());
}

// All in one transaction, under a lock of the database's own: servers that
// start together on one database prepare it one after the other, the
// second finding what the first made.
bool PgSession::prepare(bool demo, QStringList *notes, QString *error)
{
    if (!m_connection.run(u"BEGIN"_s, error))
        return false;
    QStringList done;
    const bool ok = m_connection.run(u"SELECT pg_advisory_xact_lock(%1)"_s.arg(SetupLockKey), error)
                    && prepareLocked(demo, &done, error);
    QString ignored;
    if (!ok) {
        m_connection.run(u"ROLLBACK"_s, &ignored);
        return false;
    }
    if (!m_connection.run(u"COMMIT"_s, error))
        return false;
    // Fresh statistics for what was just filled or added.
    if (!done.isEmpty())
        m_connection.run(u"ANALYZE"_s, &ignored);
    *notes << done;
    return true;
}

// Under row-level security (and behind the policy's views) PostgreSQL takes
// a user's comparison into an index only when its function is LEAKPROOF;
// citext's are not marked so, and every lookup of a job by its number would
// read every job. Marking them takes a superuser: done here when the server
// is one, else the log says what to run once.
bool PgSession::leakproofComparisons(QStringList *notes, QString *error)
{
    const QString functions = u"'citext_eq', 'citext_ne', 'citext_lt', 'citext_le', 'citext_gt', 'citext_ge'"_s;
    const PgResult pending = run(u"SELECT p.oid::regprocedure::text FROM pg_proc p JOIN pg_depend d ON d.objid = p.oid "
                                 "JOIN pg_extension e ON e.oid = d.refobjid AND e.extname = 'citext' "
                                 "WHERE p.proname IN (%1) AND NOT p.proleakproof ORDER BY 1"_s.arg(functions));
    if (!pending.ok()) {
        *error = PgDialect::describeError(pending);
        return false;
    }
    if (pending.rows() == 0)
        return true;
    QStringList statements;
    for (int row = 0; row < pending.rows(); ++row)
        statements << u"ALTER FUNCTION %1 LEAKPROOF"_s.arg(pending.text(row, 0));
    const PgResult superuser = run(u"SELECT rolsuper FROM pg_roles WHERE rolname = current_user"_s);
    if (superuser.ok() && superuser.rows() == 1 && superuser.text(0, 0) == u"t"_s) {
        for (const QString &statement : std::as_const(statements)) {
            if (!m_connection.run(statement, error))
                return false;
        }
        notes->append(u"marked citext's comparisons LEAKPROOF, so that lookups under the access policy use the indexes"_s);
        return true;
    }
    notes->append(u"warning: citext's comparisons are not marked LEAKPROOF, so every lookup under the access policy "
                  "reads the whole table; run once as a PostgreSQL superuser in this database: "_s
                  + statements.join(u"; "_s));
    return true;
}

bool PgSession::prepareLocked(bool demo, QStringList *notes, QString *error)
{
    if (!prepareTables(demo, notes, error))
        return false;
    const PgResult owner = run(u"SELECT current_user"_s);
    if (!owner.ok()) {
        *error = PgDialect::describeError(owner);
        return false;
    }
    // Installed only when this server's policy differs from the one in the
    // database: servers that start together on a prepared database then
    // take no table locks at all (which they could take in opposite orders).
    const QStringList install = PgPolicy::installStatements(owner.text(0, 0));
    const QString digest = QString::fromLatin1(
        QCryptographicHash::hash(install.join(u'\n').toUtf8(), QCryptographicHash::Sha256).toHex());
    if (!m_connection.run(u"CREATE TABLE IF NOT EXISTS korvan_policy_version (digest text NOT NULL)"_s, error)
        || !m_connection.run(u"REVOKE ALL ON korvan_policy_version FROM PUBLIC"_s, error))
        return false;
    if (!leakproofComparisons(notes, error))
        return false;
    const PgResult installed = run(u"SELECT digest FROM korvan_policy_version"_s);
    if (installed.ok() && installed.rows() == 1 && installed.text(0, 0) == digest)
        return true;
    for (const QString &statement : install) {
        if (!m_connection.run(statement, error))
            return false;
    }
    const PgResult recorded = run(u"DELETE FROM korvan_policy_version"_s);
    const PgResult inserted = run(u"INSERT INTO korvan_policy_version VALUES ($1)"_s, {digest});
    if (!recorded.ok() || !inserted.ok()) {
        *error = PgDialect::describeError(recorded.ok() ? inserted : recorded);
        return false;
    }
    notes->append(u"installed the access policy (role %1, row-level security)"_s.arg(
        QLatin1StringView(PgPolicy::ClientRole)));
    return true;
}

bool PgSession::prepareTables(bool demo, QStringList *notes, QString *error)
{
    bool any = false;
    if (!PgSchema::hasTables(m_connection.handle(), &any, error))
        return false;
    if (!any) {
        PgRowWriter writer(m_connection);
        if (!PgSchema::create(m_connection.handle(), error) || !DatabaseSetup::insertAdministrator(writer, error))
            return false;
        if (demo && !DemoData::fill(writer, QDate::currentDate(), error))
            return false;
        notes->append(u"new database: created the tables and the user %1"_s.arg(
            QLatin1StringView(DatabaseSetup::AdminUser)));
        if (demo)
            notes->append(u"demo data loaded"_s);
        return true;
    }
    if (demo)
        notes->append(u"the database already holds tables: --demo loads nothing into it"_s);
    // A database that has tables is kept as it is; what a newer server
    // needs beside them (a new table, a function of the dialect) is added.
    if (!PgSchema::createFunctions(m_connection.handle(), error))
        return false;
    for (const TableDef &table : Schema::tables()) {
        bool has = false;
        if (!PgSchema::hasTable(m_connection.handle(), table.name, &has, error))
            return false;
        if (has)
            continue;
        for (const QString &statement : PgSchema::createStatements(table)) {
            if (!m_connection.run(statement, error))
                return false;
        }
        notes->append(u"added the table %1"_s.arg(table.name));
    }
    return m_connection.run(PgSchema::auditTrailStatement(), error);
}

bool PgSession::adminHasDefaultPassword()
{
    const PgResult admin = run(u"SELECT \"密码\" FROM \"职员\" WHERE \"用户名\" = 'admin'"_s);
    if (!admin.ok() || admin.rows() == 0)
        return false;
    const QString stored = admin.text(0, 0);
    return stored == QLatin1StringView(DatabaseSetup::AdminPasswordDigest)
           || CommFunU::PasswordMatches(stored, QString::fromLatin1(DatabaseSetup::AdminPassword));
}

PgResult PgSession::run(const QString &sql, const QStringList &params)
{
    return m_connection.exec(sql, params, [this] { return stillWanted(); });
}

bool PgSession::stillWanted()
{
    if (m_callDeadline.hasExpired()) {
        m_stopReason = u"the statement ran longer than the server allows (%1 s, --statement-timeout) and was "
                       "stopped"_s.arg(m_limits.callTimeoutMs / 1000.0);
        return false;
    }
    if (m_clientGone && m_clientGone()) {
        m_stopReason = u"the client hung up; its statement was stopped"_s;
        return false;
    }
    return true;
}

void PgSession::beginCall(std::function<bool()> clientGone)
{
    m_callDeadline = m_limits.callTimeoutMs > 0 ? QDeadlineTimer(m_limits.callTimeoutMs)
                                                : QDeadlineTimer(QDeadlineTimer::Forever);
    m_clientGone = std::move(clientGone);
    m_stopReason.clear();
}

void PgSession::interrupt()
{
    QMutexLocker lock(&m_connectionMutex);
    m_connection.cancel();
}

bool PgSession::inTransaction() const
{
    if (!m_connection.handle())
        return false;
    const PGTransactionStatusType status = PQtransactionStatus(m_connection.handle());
    return status == PQTRANS_INTRANS || status == PQTRANS_INERROR || status == PQTRANS_ACTIVE;
}

void PgSession::enableAudit(const QString &clientAddress)
{
    m_audit = true;
    m_clientAddress = clientAddress;
}

// The user's statements run under the client role from now on, with his
// row in the session table (prepare installed both).
bool PgSession::logIn(const AccessPolicy::User &user, QString *error)
{
    if (const QString down = reachDatabase(); !down.isEmpty()) {
        *error = down.mid(3);
        return false;
    }
    m_policyUser = user;
    if (applyPolicy(error)) {
        m_user = user.userName;
        return true;
    }
    logOut();
    return false;
}

bool PgSession::applyPolicy(QString *error)
{
    if (!m_policyUser)
        return true;
    for (const QString &statement : PgPolicy::loginStatements(*m_policyUser)) {
        const PgResult result = run(statement);
        if (!result.ok()) {
            *error = PgDialect::describeError(result);
            return false;
        }
    }
    return true;
}

void PgSession::logOut()
{
    m_user.clear();
    if (!std::exchange(m_policyUser, std::nullopt) || !m_connection.isOpen())
        return;
    for (const QString &statement : PgPolicy::logoutStatements())
        run(statement);
}

PgResult PgSession::runAsOwner(const QString &sql, const QStringList &params)
{
    if (!m_policyUser)
        return run(sql, params);
    if (PgResult reset = run(u"RESET ROLE"_s); !reset.ok())
        return reset;
    PgResult result = run(sql, params);
    // A transaction aborted by the statement gets the role back at its ROLLBACK.
    run(u"SET ROLE "_s + QLatin1StringView(PgPolicy::ClientRole));
    return result;
}

DatabaseSession::LoginCheck PgSession::checkLogin(const QString &name, const QString &password,
                                                  AccessPolicy::User *user, QString *error)
{
    if (const QString down = reachDatabase(); !down.isEmpty()) {
        *error = down.mid(3);
        return LoginCheck::Failed;
    }
    const PgResult result = runAsOwner(QString::fromUtf8(StaffLoginQuery) + u"$1"_s, {name.isEmpty() ? u""_s : name});
    if (!result.ok()) {
        *error = PgDialect::describeError(result);
        return LoginCheck::Failed;
    }
    if (result.rows() == 0)
        return LoginCheck::UnknownUser;
    return staffLogin([&result](int column) { return PgDialect::valueText(result, 0, column); }, password, user);
}

QString PgSession::refused(const QString &sql, const QString &message)
{
    if (m_logFailure)
        m_logFailure(AuditTrail::maskPasswords(sql).sql,
                     m_user.isEmpty() ? message : message + u" [user "_s + m_user + u']');
    return u"Err"_s + message;
}

QString PgSession::failure(const QString &sql, const PgResult &result)
{
    QString message = PgDialect::describeError(result);
    if (result.sqlState() == u"57014"_s && !m_stopReason.isEmpty())
        message = m_stopReason;
    // A row the policy does not let him write reads as the policy's refusal,
    // as SQLite's guards word it.
    static const QRegularExpression rowPolicy(u"row-level security policy for table \"([^\"]+)\""_s);
    if (const QRegularExpressionMatch match = rowPolicy.match(message);
        m_policyUser && result.sqlState() == u"42501"_s && match.hasMatch()) {
        const QString verb = sql.trimmed().section(u' ', 0, 0).toLower();
        const AccessPolicy::Action action = verb == u"update"_s   ? AccessPolicy::Action::Update
                                            : verb == u"delete"_s ? AccessPolicy::Action::Delete
                                                                  : AccessPolicy::Action::Insert;
        message = AccessPolicy::refusal(*m_policyUser, action, match.captured(1));
    }
    return refused(sql, message);
}

QList<PgDialect::Statement> PgSession::clientStatements(const QString &sql, QString *answer)
{
    *answer = reachDatabase();
    if (!answer->isEmpty())
        return {};
    const int limit = m_limits.sqlLength;
    if (sql.size() > limit) {
        *answer = u"Errthe statement is longer than the server takes (%1 bytes, --max-sql-length): the field is too "
                  "small for the value entered"_s.arg(limit);
        return {};
    }
    QString why;
    const std::optional<QString> text = SqlRewriter::rewrite(sql, &why);
    if (!text) {
        *answer = u"Err"_s + why;
        return {};
    }
    QList<PgDialect::Statement> statements = PgDialect::clientStatements(*text, &why);
    if (!why.isEmpty()) {
        // A logged-in user's refusal reads as the policy's, as on SQLite.
        *answer = refused(sql, m_policyUser ? PgPolicy::statementRefusal(why) : why);
        return {};
    }
    if (m_policyUser) {
        for (const PgDialect::Statement &statement : std::as_const(statements)) {
            if (const QString refusal = PgPolicy::refusal(*m_policyUser, statement.uses); !refusal.isEmpty()) {
                *answer = refused(sql, refusal);
                return {};
            }
        }
    }
    return statements;
}

PgResult PgSession::runClient(const PgDialect::Statement &statement, const QString &param)
{
    const QStringList params = statement.bindsParam ? QStringList{param.isNull() ? u""_s : param} : QStringList();
    if (!inTransaction())
        return run(statement.text, params);
    // A failing statement must not end the transaction, as it does not on SQLite.
    PgResult mark = run(u"SAVEPOINT korvan_statement"_s);
    if (!mark.ok())
        return mark;
    PgResult result = run(statement.text, params);
    // One statement per call: libpq's extended protocol takes no more.
    if (!result.ok())
        run(u"ROLLBACK TO SAVEPOINT korvan_statement"_s);
    run(u"RELEASE SAVEPOINT korvan_statement"_s);
    return result;
}

bool PgSession::beginChange(QString *answer)
{
    if (!m_audit)
        return true;
    if (inTransaction()) {
        m_scope = Scope::Joined;
        return true;
    }
    const PgResult begun = run(u"BEGIN"_s);
    if (!begun.ok()) {
        *answer = failure(u"BEGIN"_s, begun);
        return false;
    }
    m_scope = Scope::Own;
    return true;
}

QString PgSession::endChange(const QString &sql, const QString &param, qint64 changed, bool failed)
{
    const Scope scope = std::exchange(m_scope, Scope::None);
    if (scope == Scope::None || !inTransaction())
        return {};
    if (failed && scope == Scope::Own) {
        run(u"ROLLBACK"_s);
        return {};
    }
    if (changed > 0) {
        const AuditTrail::MaskedStatement masked = AuditTrail::maskPasswords(sql);
        const QString shownParam = masked.paramHidden && !param.isEmpty() ? u"********"_s : param;
        const auto orNull = [](const QString &text) { return text.isEmpty() ? QString() : text; };
        const PgResult row = runAsOwner(u"INSERT INTO \"%1\" (\"时间\", \"用户名\", \"客户端地址\", \"语句\", \"参数\", \"影响行数\") "
                                 "VALUES ($1, $2, $3, $4, $5, $6)"_s.arg(QString::fromUtf8(AuditTrail::TableName)),
                                 {QDateTime::currentDateTime().toString(u"yyyy-MM-dd hh:mm:ss"_s), orNull(m_user),
                                  orNull(m_clientAddress), masked.sql, orNull(shownParam), QString::number(changed)});
        if (!row.ok()) {
            // A change that cannot be recorded is not kept, nor the client's
            // transaction it joined (CommitTrans then says so).
            const QString answer = failure(sql, row);
            run(u"ROLLBACK"_s);
            return answer;
        }
    }
    if (scope == Scope::Own) {
        const PgResult committed = run(u"COMMIT"_s);
        if (!committed.ok() || PQtransactionStatus(m_connection.handle()) != PQTRANS_IDLE) {
            const QString answer = failure(u"COMMIT"_s, committed);
            if (inTransaction())
                run(u"ROLLBACK"_s);
            return answer;
        }
    }
    return {};
}

AnswerFrame PgSession::openQuery(const QString &sql, const QString &param, int mode)
{
    QString answer;
    const QList<PgDialect::Statement> statements = clientStatements(sql, &answer);
    if (!answer.isEmpty())
        return answer;
    if (statements.isEmpty())
        return u"Errempty query"_s;
    if (statements.size() > 1)
        return u"Erronly one statement can be sent as a query"_s;
    const PgDialect::Statement &statement = statements.first();
    if (!statement.transaction.isEmpty()) {
        answer = clientTransaction(sql, statement.transaction);
        return answer.isEmpty() ? AnswerFrame(QLatin1StringView(SuccessStatus) + FieldSep + u'0') : AnswerFrame(answer);
    }
    if (statement.writes && !beginChange(&answer))
        return answer;
    const PgResult result = runClient(statement, param);
    if (!result.ok()) {
        const QString failed = failure(sql, result);
        endChange(sql, param, 0, true);
        return failed;
    }
    const int columns = result.columns();
    AnswerFrame out(m_limits.answerBytes);
    out += QString::fromLatin1(SuccessStatus);
    out += FieldSep;
    out += QString::number(columns);
    if (mode == 1) {
        for (int c = 0; c < columns; ++c) {
            out += FieldSep;
            out += QString::fromUtf8(PQfname(result.get(), c));
        }
    }
    for (int r = 0; r < result.rows(); ++r) {
        QString &row = out.pending();
        for (int c = 0; c < columns; ++c) {
            row += FieldSep;
            row += PgDialect::valueText(result, r, c);
        }
        out.rowDone();
        if (out.overLimit()) {
            endChange(sql, param, 0, true);
            return u"Errthe answer is larger than the server sends (%1 bytes, --max-answer): ask for fewer rows or "
                   "columns"_s.arg(out.limit());
        }
    }
    if (statement.writes) {
        const QString failed = endChange(sql, param, result.changed(), false);
        if (!failed.isEmpty())
            return failed;
    }
    return out;
}

QString PgSession::execSql(const QString &sql, const QString &param)
{
    QString answer;
    const QList<PgDialect::Statement> statements = clientStatements(sql, &answer);
    if (!answer.isEmpty())
        return answer;
    qint64 changed = 0;
    QString failed;
    for (const PgDialect::Statement &statement : statements) {
        if (m_scope != Scope::None && !inTransaction()) {
            failed = u"Errstatements after a ROLLBACK in the same call are not run"_s;
            break;
        }
        if (!statement.transaction.isEmpty()) {
            failed = clientTransaction(sql, statement.transaction);
            if (!failed.isEmpty())
                break;
            continue;
        }
        // The scope begins with the first statement that writes.
        if (statement.writes && m_scope == Scope::None && !beginChange(&failed))
            break;
        const PgResult result = runClient(statement, param);
        if (!result.ok()) {
            failed = failure(sql, result);
            break;
        }
        if (statement.writes)
            changed += result.changed();
    }
    const QString refusedChange = endChange(sql, param, changed, !failed.isEmpty());
    if (!failed.isEmpty())
        return failed;
    if (!refusedChange.isEmpty())
        return refusedChange;
    return QLatin1StringView(SuccessStatus) + FieldSep + QString::number(changed);
}

// A client's own BEGIN, COMMIT or ROLLBACK, as SQLite answers them: a
// ROLLBACK ends the transaction (CommitTrans then says nothing was saved),
// but nothing is committed before its audit row.
QString PgSession::clientTransaction(const QString &sql, const QString &word)
{
    if (m_scope != Scope::None && word != u"ROLLBACK"_s)
        return refused(sql, u"transactions are begun and committed with BeginTrans and CommitTrans"_s);
    if (word == u"BEGIN"_s && inTransaction())
        return refused(sql, u"cannot start a transaction within a transaction"_s);
    if (word != u"BEGIN"_s && !inTransaction())
        return refused(sql, u"cannot %1 - no transaction is active"_s.arg(word.toLower()));
    const PgResult result = run(word);
    return result.ok() ? QString() : failure(sql, result);
}

// Nested BeginTrans and CommitTrans/RollbackTrans outside a transaction
// answer success and change nothing, as on SQLite.
QString PgSession::beginTrans()
{
    if (const QString down = reachDatabase(); !down.isEmpty())
        return down;
    m_transactionLost = false;
    if (inTransaction())
        return QLatin1StringView(SuccessStatus);
    const PgResult begun = run(u"BEGIN"_s);
    if (!begun.ok())
        return failure(u"BEGIN"_s, begun);
    m_transactionBegun = true;
    return QLatin1StringView(SuccessStatus);
}

QString PgSession::commitTrans()
{
    const QString down = reachDatabase();
    const bool lost = std::exchange(m_transactionLost, false);
    const bool begun = std::exchange(m_transactionBegun, false);
    if (lost)
        return u"Errnetwork error: the connection to the database broke during the transaction; nothing of it was "
               "saved"_s;
    if (!down.isEmpty())
        return down;
    if (!inTransaction()) {
        if (begun)
            return u"Errthe transaction was rolled back by the database; nothing was saved"_s;
        return QLatin1StringView(SuccessStatus);
    }
    const PgResult committed = run(u"COMMIT"_s);
    // COMMIT of a transaction PostgreSQL had aborted answers ROLLBACK.
    if (!committed.ok() || QByteArray(PQcmdStatus(committed.get())) == "ROLLBACK") {
        if (inTransaction())
            run(u"ROLLBACK"_s);
        if (committed.ok())
            return u"Errthe transaction was rolled back by the database; nothing was saved"_s;
        if (PgDialect::isConnectionFailure(committed) || !m_connection.isOpen())
            return u"Errnetwork error: the connection to the database broke at the commit; whether the "
                   "transaction was saved is not known until the database is back"_s;
        return failure(u"COMMIT"_s, committed);
    }
    return QLatin1StringView(SuccessStatus);
}

QString PgSession::rollbackTrans()
{
    m_transactionBegun = false;
    m_transactionLost = false;
    if (!m_connection.isOpen() || !inTransaction())
        return QLatin1StringView(SuccessStatus);
    const PgResult rolledBack = run(u"ROLLBACK"_s);
    if (!rolledBack.ok())
        return failure(u"ROLLBACK"_s, rolledBack);
    return QLatin1StringView(SuccessStatus);
}
