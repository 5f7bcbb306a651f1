#pragma once

#include "databasesession.h"
#include "sqltokenizer.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QList>
#include <QPair>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;

// One client session's connection to an SQLite database file: runs the
// calls of the server contract and answers them as result strings ("Err" +
// message on failure).
//
// With the audit trail on, a call that changes the database writes its row
// of the trail (audittrail.h) in the transaction of the change: from its first
// writing statement on, a call outside the client's transaction runs in one
// of its own (all or nothing, the row included); inside it, the row joins the
// client's transaction, written also for the part a failing call did. Either
// way a change and its row are kept or lost together. Client statements can
// neither write the trail nor commit a change before its row (COMMIT, BEGIN
// inside a call that writes); a ROLLBACK ends the transaction as before.
class SqlitePolicy;

class SqlSession : public DatabaseSession
{
    Q_DISABLE_COPY(SqlSession)
public:
    static constexpr int BusyTimeoutMs = 10000;

    SqlSession();
    ~SqlSession() override; // rolls back an open transaction

    Engine engine() const override { return Engine::Sqlite; }
    bool prepare(bool demo, QStringList *notes, QString *error) override;
    bool adminHasDefaultPassword() override;

    // Opens (creating when missing) the database file; false with error() set on failure.
    bool open(const QString &path);
    QString error() const { return m_error; }
    sqlite3 *handle() const { return m_db; }

    AnswerFrame openQuery(const QString &sql, const QString &param, int mode) override;
    QString execSql(const QString &sql, const QString &param) override;
    QString beginTrans() override;
    QString commitTrans() override;
    QString rollbackTrans() override;
    bool inTransaction() const override;

    void enableAudit(const QString &clientAddress) override;
    void setUser(const QString &user) override { m_user = user; }

    // The policy of a logged-in user is SQLite's (sqlitepolicy.h); the
    // calls are as databasesession.h describes them.
    bool logIn(const AccessPolicy::User &user, QString *error) override;
    void logOut() override;

    LoginCheck checkLogin(const QString &name, const QString &password, AccessPolicy::User *user,
                          QString *error) override;

    void interrupt() override;

    void applyLimits(const Limits &limits) override;
    void beginCall(std::function<bool()> clientGone) override;
    // Why the last call's statement was stopped, empty when it was not.
    QString stopReason() const override { return m_stopReason; }

    // Logs failed statements (set by the server; null means silent).
    void setFailureLogger(FailureLogger logger) override { m_logFailure = logger; }

private:
    QString failure(const QString &sql, int resultCode);
    // The rewritten SQL of one call, or empty with *refusal set when it is
    // too long or nests too deep.
    // tokens (when given) as SqlRewriter::rewrite gives them.
    QString rewritten(const QString &sql, QString *refusal, QList<SqlToken> *tokens) const;
    static int progress(void *self);
    // The "Err" answer of a refused statement, logged with the user.
    QString refused(const QString &sql, const QString &message);
    bool execPlain(const char *sql);
    // Runs every statement of sql; empty on success, else the "Err" answer.
    QString runStatements(const QString &sql, const QByteArray &param, qint64 *changed);
    // The audit scope of one changing call: begun before its first writing
    // statement, ended after the call (failed: it stopped at an error) with
    // the trail row and the commit of its own transaction; empty on success,
    // else the "Err" answer.
    bool beginChange();
    QString endChange(const QString &sql, const QString &param, qint64 changed, bool failed);
    bool writeTrailRow(const QString &sql, const QString &param, qint64 changed);
    enum class Kept { Begin, Commit };
    bool runKept(Kept which);
    static int authorize(void *self, int action, const char *a, const char *b, const char *c, const char *d);

    // The client's statement text for SQLite: the dialect rewrite, then the
    // policy's; empty with *refusal set to the "Err" answer when either
    // refuses it.
    QByteArray clientText(const QString &sql, QString *refusal);

    sqlite3 *m_db = nullptr;
    std::unique_ptr<SqlitePolicy> m_policy;
    QString m_error;
    // BeginTrans was answered and neither CommitTrans nor RollbackTrans has
    // been since: tells a transaction SQLite rolled back on its own (an I/O
    // error, a full disk) from none at all.
    bool m_transactionBegun = false;
    void (*m_logFailure)(const QString &, const QString &) = nullptr;

    bool m_audit = false;
    sqlite3_stmt *m_trailInsert = nullptr;
    sqlite3_stmt *m_kept[2] = {};
    QString m_clientAddress;
    QString m_user;
    enum class Scope { None, Own, Joined };
    Scope m_scope = Scope::None;
    bool m_clientStatement = false; // a client's statement is being prepared or run
    bool m_statementAltersSchema = false; // the statement being prepared alters the schema
    bool m_schemaChanged = false;         // a statement of this call altered it
    QString m_refusal;              // why the authorizer refused a statement

    Limits m_limits;
    QDeadlineTimer m_callDeadline;
    std::function<bool()> m_clientGone;
    QElapsedTimer m_sinceClientCheck;
    QString m_stopReason; // why progress() stopped the running statement
};
