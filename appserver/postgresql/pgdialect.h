#pragma once

#include "pgpolicy.h"

#include <QList>
#include <QString>

class PgResult;

// The bridge from the client's SQL, as SqlRewriter leaves it for SQLite, to
// PostgreSQL, and from PostgreSQL's answers back to what the client reads:
//   [name], `name`        -> "name"
//   :p1                   -> $1 (bound by PostgreSQL)
//   8.3                   -> 8.3::float8 (SQLite's REAL, binary noise and all)
//   select count(*) …     -> select count(*) AS "count(*)" … (the column names
//                            SQLite gives an expression without alias)
// korvan_add, substr, LIMIT and the month lists' recursive query run as they
// are (pgschema.h has the functions). Only SELECT, INSERT, UPDATE and DELETE
// (or WITH … of them) from a client run at all, calling only the functions of
// the dialect: no SET, COPY, DO, CREATE, LISTEN, SELECT … INTO, system
// catalogs or server-side files.
namespace PgDialect {

struct Statement {
    QString text;        // for PostgreSQL
    bool writes = false; // INSERT, UPDATE or DELETE (or a WITH that does)
    bool bindsParam = false; // uses $1
    // BEGIN, COMMIT or ROLLBACK as a statement of its own, that word (upper case).
    QString transaction;
    // The tables it names and what it does to each (for the access policy).
    QList<PgPolicy::TableUse> uses;
};

// The statements of one call's rewritten text (empty ones left out), or an
// empty list with *refusal set (the user's words, without "Err").
QList<Statement> clientStatements(const QString &rewritten, QString *refusal);
// A statement of the server's own (demo data) for PostgreSQL, unchecked.
QString translate(const QString &rewritten);

// The message of a failed statement, phrased so that the client's
// classification of failures reads it as it reads SQLite's.
QString describeError(const PgResult &result);
// The failure was the connection's (PostgreSQL stopped or unreachable).
bool isConnectionFailure(const PgResult &result);

// One value of a result as the SQLite server would write it: NULL empty,
// integers and booleans as integers, other numbers as SqlDialect::realText.
QString valueText(const PgResult &result, int row, int column);

} // namespace PgDialect
