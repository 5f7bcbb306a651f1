#pragma once

#include "accesspolicy.h"
#include "answerframe.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>
#include <memory>

// One client session's connection to the server's database, whatever the
// engine: the calls of the server contract answered as result strings ("Err"
// + message on failure), the login against 职员 and the access policy of the
// logged-in user. The session worker and main() know only this class;
//
//     std::unique_ptr<DatabaseSession> db = DatabaseSession::open(target, &error);
//     db->applyLimits(limits);
//     db->openQuery(u"select 简称 from 单位"_s, QString(), 0);
//
// where target is a file name (SQLite, sqlsession.h) or a
// postgresql:// or postgres:// address (pgsession.h). Every engine answers the
// same calls with the same bytes.
class DatabaseSession
{
    Q_DISABLE_COPY(DatabaseSession)
public:
    static constexpr char SuccessStatus[] = "Suc";

    enum class Engine { Sqlite, Postgres };
    // Which engine a --db value names: postgresql:// and postgres:// are
    // PostgreSQL addresses, anything else the SQLite file.
    static Engine engineOf(const QString &target);
    // A session of the engine target names, opened; null with *error set
    // when it cannot be opened. A PostgreSQL session whose database cannot
    // be reached comes back with *error set all the same: its calls answer
    // "Err" (network error) and connect again until the database is back.
    static std::unique_ptr<DatabaseSession> open(const QString &target, QString *error);

    DatabaseSession() = default;
    virtual ~DatabaseSession() = default; // an open transaction is rolled back

    virtual Engine engine() const = 0;

    // What main() does before it listens: a database without tables gets the
    // schema, the administrator and (demo) the demo data; one with tables is
    // opened as it is. Lines for the log go to *notes.
    virtual bool prepare(bool demo, QStringList *notes, QString *error) = 0;
    // Whether the administrator still has his first password.
    virtual bool adminHasDefaultPassword() = 0;

    // The rows of one query; the answer is refused when it outgrows the
    // answer limit of applyLimits.
    virtual AnswerFrame openQuery(const QString &sql, const QString &param, int mode) = 0;
    virtual QString execSql(const QString &sql, const QString &param) = 0;
    virtual QString beginTrans() = 0;
    virtual QString commitTrans() = 0;
    virtual QString rollbackTrans() = 0;
    virtual bool inTransaction() const = 0;

    // Turns the audit trail on for this session's changes, recorded with the
    // client's address and the user set by setUser or logIn.
    virtual void enableAudit(const QString &clientAddress) = 0;
    virtual void setUser(const QString &user) = 0;

    // Binds the session to a logged-in user: from now on every client
    // statement runs under the access policy for him. False with *error set
    // when the policy cannot be applied (the session stays logged out).
    virtual bool logIn(const AccessPolicy::User &user, QString *error) = 0;
    // Back to no user and no policy (a refused re-login).
    virtual void logOut() = 0;

    enum class LoginCheck { Accepted, UnknownUser, WrongPassword, Failed };
    // Checks a login against 职员 with the client's password rule; *user
    // gets the row as stored, *error the reason of Failed.
    virtual LoginCheck checkLogin(const QString &name, const QString &password, AccessPolicy::User *user,
                                  QString *error) = 0;

    // Aborts a running statement; safe from another thread.
    virtual void interrupt() = 0;

    // What one session may ask of the database. The SQLite limits
    // (sqlite3_limit's id and value) concern only that engine; sqlLength
    // bounds the SQL of one call before it is even rewritten.
    struct Limits {
        QList<QPair<int, int>> sqlite;
        int sqlLength = 1000000000;
        qint64 answerBytes = -1; // -1: none
        int callTimeoutMs = 0;   // 0: none
    };
    virtual void applyLimits(const Limits &limits) = 0;
    // Starts the clock of one client call: its statements are stopped when
    // they run past the call time limit, or when clientGone (asked now and
    // then while a statement runs) says the client has hung up.
    virtual void beginCall(std::function<bool()> clientGone) = 0;
    // Why the last call's statement was stopped, empty when it was not.
    virtual QString stopReason() const = 0;

    // Logs failed statements (set by the server; null means silent).
    using FailureLogger = void (*)(const QString &sql, const QString &message);
    virtual void setFailureLogger(FailureLogger logger) = 0;

protected:
    // The login's row of 职员, its name compared with the parameter that
    // follows the text: user name, password as stored, name, department,
    // position, rights 1 to 8.
    static constexpr char StaffLoginQuery[] =
        "SELECT \"用户名\", \"密码\", \"职员姓名\", \"所属部门\", \"职位\", \"权限1\", \"权限2\", \"权限3\", "
        "\"权限4\", \"权限5\", \"权限6\", \"权限7\", \"权限8\" FROM \"职员\" WHERE \"用户名\" = ";
    // The user of that row (its columns by position) and whether the
    // password matches with the client's password rule.
    static LoginCheck staffLogin(const std::function<QString(int)> &column, const QString &password,
                                 AccessPolicy::User *user);
};
