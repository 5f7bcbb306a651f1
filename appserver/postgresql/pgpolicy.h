#pragma once

#include "accesspolicy.h"

#include <QString>
#include <QStringList>

// The access policy (accesspolicy.h) on PostgreSQL:
//
//     PgPolicy::installStatements()      // run by the owner when the server prepares the database
//     PgPolicy::loginStatements(user)    // at Login: who the session is, then SET ROLE
//     PgPolicy::refusal(user, uses)      // every client statement, before it runs
//
// - Who the session is lives in korvan_session, one row per backend
//   (pg_backend_pid()), written only by the server as the owner; the row
//   policies read it through SECURITY DEFINER functions that take no
//   argument. Nothing a client can SET or set_config says who he is.
// - After Login the session runs as the NOLOGIN role korvan_client: the
//   tables of the policy with their privileges, row-level security (ENABLE +
//   FORCE) with one policy per table and action, the OR over the grants of
//   that action of "the user holds the grant's rights and position, and the
//   row is in its scope". The owner keeps a policy of his own that gives
//   every row, for the server's own statements (audit trail, login).
// - The hidden password column is not readable by korvan_client: the client
//   reads and writes the staff table through a view of korvan_policy that
//   shows it as NULL (a password written as ******** keeps the stored one).
// - The server refuses beforehand, by table, action and updated column,
//   what none of the user's grants gives, with AccessPolicy::refusal.
// - The rank rules of the staff table are a trigger that reads the session's
//   row; a 总经理 is not bound by them.
namespace PgPolicy {

inline constexpr char ClientRole[] = "korvan_client";
inline constexpr char SessionTable[] = "korvan_session";
// The schema of the views that hide columns (first in the client role's search_path).
inline constexpr char ViewSchema[] = "korvan_policy";


// A table a client statement names and what it does to it (Read for every
// table it only reads), with the columns an UPDATE sets.
struct TableUse {
    QString table;
    AccessPolicy::Action action = AccessPolicy::Action::Read;
    QStringList columns;
};

// The statements that create (or bring up to date) the role, the session
// table, its functions, the privileges and the row policies; run in the
// owner's transaction. The role is created when the owner may create roles.
QStringList installStatements(const QString &owner);
// What the administrator runs once when the owner may not create roles.
QString administratorStep(const QString &owner);

// The statements of a Login as the owner (the session's row), then the SET ROLE.
QStringList loginStatements(const AccessPolicy::User &user);
// Back to the owner, the session's row removed.
QStringList logoutStatements();

// The dialect's refusal of a statement (pgdialect.h) as the policy words it.
QString statementRefusal(const QString &why);
// Why the user may not run a statement of these uses; empty when he may.
QString refusal(const AccessPolicy::User &user, const QList<TableUse> &uses);

} // namespace PgPolicy
