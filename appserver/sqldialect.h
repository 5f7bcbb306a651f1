#pragma once

#include <QString>

struct sqlite3;

// The bridge between the client's Access/SQL-Server-like SQL and SQLite.
namespace SqlDialect {

// Rewrites one request's SQL text for SQLite. Text the rewriter does not
// understand comes back unchanged, so SQLite reports its own error.
QString rewrite(const QString &sql);

// Registers the functions the rewritten SQL calls, on one connection.
void installFunctions(sqlite3 *db);

// The message of a failed SQLite call, phrased so that the client's
// classification of failures can read it.
QString describeError(sqlite3 *db, int resultCode);

// A REAL as the client reads it, whatever the engine computed it with: at
// most 15 significant digits (0.1 + 0.2 reads 0.3) and never an exponent.
QString realText(double value);

// Largest single value a session stores or builds; a longer one is refused
// as "too small" for it.
inline constexpr int MaxValueBytes = 16 * 1024 * 1024;

} // namespace SqlDialect
