#pragma once

#include <QString>
#include <QtGlobal>

struct sqlite3;
struct sqlite3_stmt;

// One client session's database connection: runs the calls of the server
// contract and answers them as result strings ("Err" + message on failure).
//
// With the audit trail on, a call that changes the database runs, from its
// first writing statement on, in a transaction of its own (a savepoint inside
// the client's transaction) that also writes its row of the trail
// (audittrail.h): the change and its row are kept or lost together, and the
// call is all or nothing. Client statements
// can neither write the trail nor end that transaction half-way (COMMIT,
// BEGIN); a ROLLBACK ends the client's transaction as before.
class SqlSession
{
    Q_DISABLE_COPY(SqlSession)
public:
    static constexpr char SuccessStatus[] = "Suc";
    static constexpr int BusyTimeoutMs = 10000;

    SqlSession();
    ~SqlSession(); // rolls back an open transaction

    // Opens (creating when missing) the database file; false with error() set on failure.
    bool open(const QString &path);
    QString error() const { return m_error; }
    sqlite3 *handle() const { return m_db; }

    QString openQuery(const QString &sql, const QString &param, int mode);
    QString execSql(const QString &sql, const QString &param);
    QString beginTrans();
    QString commitTrans();
    QString rollbackTrans();
    bool inTransaction() const;

    // Turns the audit trail on for this session's changes, recorded with the
    // client's address and the user set by setUser.
    void enableAudit(const QString &clientAddress);
    void setUser(const QString &user) { m_user = user; }

    enum class LoginCheck { Accepted, UnknownUser, WrongPassword, Failed };
    // Checks a login against 职员 with the client's password rule;
    // *userName gets the name as stored, *error the reason of Failed.
    LoginCheck checkLogin(const QString &user, const QString &password, QString *userName, QString *error);

    // Aborts a running statement; safe from another thread.
    void interrupt();

    // Logs failed statements (set by the server; null means silent).
    void setFailureLogger(void (*logger)(const QString &sql, const QString &message)) { m_logFailure = logger; }

private:
    QString failure(const QString &sql, int resultCode);
    bool execPlain(const char *sql);
    // Runs every statement of sql; empty on success, else the "Err" answer.
    QString runStatements(const QString &sql, const QByteArray &param, qint64 *changed);
    // The audit scope of one changing call: begun before its statements run,
    // finished (trail row written, scope committed) or abandoned after.
    bool beginChange();
    QString finishChange(const QString &sql, const QString &param, qint64 changed);
    void abandonChange();
    bool writeTrailRow(const QString &sql, const QString &param, qint64 changed);
    enum class Kept { Savepoint, Release, Begin, Commit };
    bool runKept(Kept which);
    static int authorize(void *self, int action, const char *a, const char *b, const char *c, const char *d);

    sqlite3 *m_db = nullptr;
    QString m_error;
    // BeginTrans was answered and neither CommitTrans nor RollbackTrans has
    // been since: tells a transaction SQLite rolled back on its own (an I/O
    // error, a full disk) from none at all.
    bool m_transactionBegun = false;
    void (*m_logFailure)(const QString &, const QString &) = nullptr;

    bool m_audit = false;
    sqlite3_stmt *m_trailInsert = nullptr;
    sqlite3_stmt *m_kept[4] = {};
    QString m_clientAddress;
    QString m_user;
    enum class Scope { None, Transaction, Savepoint };
    Scope m_scope = Scope::None;
    bool m_clientStatement = false; // a client's statement is being prepared or run
    bool m_schemaChanged = false;   // a statement of this call alters the schema
    QString m_refusal;              // why the authorizer refused a statement
};
