#pragma once

#include "databasesession.h"
#include "pgconnection.h"

#include <QDeadlineTimer>
#include <QMutex>

#include <optional>

namespace PgDialect {
struct Statement;
}

// One client session's connection to a PostgreSQL database (libpq): the
// calls of the server contract answered byte for byte as the SQLite session
// answers them (pgdialect.h turns the client's dialect into PostgreSQL's).
//
// A client statement inside a transaction runs under a savepoint, so that a
// failing one leaves the transaction as SQLite leaves it: open, with what
// went before. The audit trail row of a change is written in the change's
// transaction, as on SQLite (sqlsession.h).
//
// When the connection breaks (PostgreSQL stopped, the network between), the
// call is answered "Err" with "network error", the next call connects again,
// and a transaction lost with the connection is reported as such at its
// CommitTrans: nothing of it was saved.
class PgSession : public DatabaseSession
{
    Q_DISABLE_COPY(PgSession)
public:
    PgSession();
    ~PgSession() override;

    // Connects to a postgresql:// address; false with error() set when it
    // cannot. A session whose database is down stays usable: every call
    // tries again.
    bool open(const QString &address);
    QString error() const { return m_error; }
    PgConnection &connection() { return m_connection; }

    Engine engine() const override { return Engine::Postgres; }
    bool prepare(bool demo, QStringList *notes, QString *error) override;
    bool adminHasDefaultPassword() override;

    AnswerFrame openQuery(const QString &sql, const QString &param, int mode) override;
    QString execSql(const QString &sql, const QString &param) override;
    QString beginTrans() override;
    QString commitTrans() override;
    QString rollbackTrans() override;
    bool inTransaction() const override;

    void enableAudit(const QString &clientAddress) override;
    void setUser(const QString &user) override { m_user = user; }
    bool logIn(const AccessPolicy::User &user, QString *error) override;
    void logOut() override;
    LoginCheck checkLogin(const QString &name, const QString &password, AccessPolicy::User *user,
                          QString *error) override;

    void interrupt() override;
    void applyLimits(const Limits &limits) override { m_limits = limits; }
    void beginCall(std::function<bool()> clientGone) override;
    QString stopReason() const override { return m_stopReason; }
    void setFailureLogger(FailureLogger logger) override { m_logFailure = logger; }

private:
    // The advisory lock under which servers prepare a database (any number
    // no other program of the database is likely to take).
    static constexpr qint64 SetupLockKey = 0x6b6f7276616e; // "korvan"
    bool leakproofComparisons(QStringList *notes, QString *error);
    bool prepareLocked(bool demo, QStringList *notes, QString *error);
    bool prepareTables(bool demo, QStringList *notes, QString *error);
    // Connects again when the connection broke; empty when it is up, else
    // the "Err" answer.
    QString reachDatabase();
    // Binds the connection to the policy's user (pgpolicy.h); false with *error set.
    bool applyPolicy(QString *error);
    // Runs one server statement as the owner, back under the client role after it.
    PgResult runAsOwner(const QString &sql, const QStringList &params = {});
    // The statements of a client call, or empty with *answer set to its "Err".
    QList<PgDialect::Statement> clientStatements(const QString &sql, QString *answer);
    // Runs one client statement: under a savepoint inside a transaction.
    PgResult runClient(const PgDialect::Statement &statement, const QString &param);
    PgResult run(const QString &sql, const QStringList &params = {});
    QString failure(const QString &sql, const PgResult &result);
    QString refused(const QString &sql, const QString &message);
    // The audit scope of one changing call, as on SQLite.
    bool beginChange(QString *answer);
    QString endChange(const QString &sql, const QString &param, qint64 changed, bool failed);
    bool stillWanted();
    QString clientTransaction(const QString &sql, const QString &word);

    PgConnection m_connection;
    QMutex m_connectionMutex; // interrupt() against a reconnect
    QString m_address;
    QString m_error;
    bool m_transactionBegun = false;
    bool m_transactionLost = false; // the connection broke while a transaction was open
    bool m_audit = false;
    QString m_clientAddress;
    QString m_user;
    std::optional<AccessPolicy::User> m_policyUser; // logged in: his statements run under the policy
    enum class Scope { None, Own, Joined };
    Scope m_scope = Scope::None;
    FailureLogger m_logFailure = nullptr;

    Limits m_limits;
    QDeadlineTimer m_callDeadline;
    std::function<bool()> m_clientGone;
    QString m_stopReason;
};
