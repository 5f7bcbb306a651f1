#pragma once

#include "accesspolicy.h"
#include "sqltokenizer.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>

struct sqlite3;

// The access policy (accesspolicy.h) on one SQLite connection, for the user
// logged in on it:
//
//     SqlitePolicy policy(db);
//     policy.install(user, &error);            // after Login
//     text = policy.prepareText(text, &why);   // every client statement
//     … the session's authorizer asks policy.authorize(…) …
//
// - Tables, columns and actions: the authorizer refuses what no grant gives,
//   reads hidden columns (密码) as NULL, and refuses every statement kind a
//   client never sends (ATTACH, DDL, triggers, views, SAVEPOINT, PRAGMA but
//   foreign_keys, VACUUM, functions that reach outside the database).
// - Rows: TEMP views named as the job tables shadow them (unqualified names
//   resolve to the temp schema first) and show only the rows, and in them the
//   columns, the user's grants give; the written table is addressed as
//   main."…" by prepareText, and TEMP triggers on it skip rows the user does
//   not see and refuse rows he may not write. The WHERE of an UPDATE or
//   DELETE of such a table is evaluated over a TEMP view of the rows the user
//   may change, as he sees them (WHERE rowid IN (SELECT rowid FROM … WHERE
//   …)), so that no expression in it can fail on a row he cannot see; an
//   UPDATE … FROM or an upsert of such a table is refused. A client statement
//   that names a schema itself (main., temp.) is refused.
// - The staff table: its rank rules as TEMP triggers for everybody but a
//   总经理, and a password written as "********" keeps the stored one (the
//   staff window's save of a row whose password was left alone).
class SqlitePolicy
{
    Q_DISABLE_COPY(SqlitePolicy)
public:
    static constexpr char KeptPassword[] = "********";

    explicit SqlitePolicy(sqlite3 *db);

    // Installs the user's views and triggers in place of any earlier user's;
    // false with *error set when the database refuses them.
    bool install(const AccessPolicy::User &user, QString *error);
    // A password written as KeptPassword into a row of 职员 that the same
    // session deleted keeps the password the row had (with or without a
    // user's policy: the staff window never has the stored one to send).
    bool installPasswordKeeping(QString *error);
    // Drops them: the connection is as open as without a policy.
    void clear();
    bool active() const { return m_active; }
    const AccessPolicy::User &user() const { return m_user; }

    // The client's statement text (already in SQLite's dialect) with the
    // written tables addressed in the main schema; empty with *refusal set
    // when the text names a schema itself. tokens: those of sql when the
    // caller has them (empty: sql is split here).
    QString prepareText(const QString &sql, QString *refusal, QList<SqlToken> tokens = {});

    // The decision on one authorizer callback of a client statement
    // (SQLITE_OK, SQLITE_IGNORE or SQLITE_DENY with *why set).
    int authorize(int action, const char *a, const char *b, const char *c, const char *d, QString *why) const;

    // Statement kinds refused for every client, logged in or not (the
    // audit trail's savepoint hole, functions that reach outside the
    // database); SQLITE_OK when not refused.
    static int refuseAlways(int action, const char *b, QString *why);

private:
    bool exec(const QString &sql, QString *error);
    QString rowCondition(AccessPolicy::Rows rows, const QString &ref, const QString &table) const;
    QString anyOf(const QList<AccessPolicy::Rows> &rows, const QString &ref, const QString &table) const;
    bool installView(const QString &table, QString *error);
    bool installWriteGuards(const QString &table, QString *error);
    bool installStaffRules(QString *error);

    // What the authorizer needs of one table, by the name SQLite gives it.
    struct TableAccess {
        QString table; // as the policy names it (a row view: its table)
        const AccessPolicy::TableRules *rules = nullptr;
        std::array<QList<AccessPolicy::Grant>, 4> grants; // the user's, by Action
    };
    const TableAccess &accessOf(const char *name) const;

    sqlite3 *m_db;
    bool m_active = false;
    AccessPolicy::User m_user;
    QSet<QString> m_shadowed; // tables with a TEMP view of this user
    QHash<QString, QString> m_rowViews; // their UPDATE and DELETE row views: the table of each
    QSet<QString> m_flagViews; // the row views that hold only the rowid and the flag
    QSet<QString> m_readable; // tables whose every row the user reads
    QSet<QString> m_targets;  // tables the current call writes in main
    mutable QHash<QByteArray, TableAccess> m_access; // filled as the authorizer meets tables
};
