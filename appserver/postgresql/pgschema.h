#pragma once

#include <QString>
#include <QStringList>

struct pg_conn;
typedef struct pg_conn PGconn;
struct TableDef;

// The schema of schema.h in a PostgreSQL database. Every value is text as on
// SQLite, of the type citext (PostgreSQL's contrib module, part of Debian's
// postgresql package): it compares without regard to case in =, <, ORDER
// BY, GROUP BY, DISTINCT, keys and LIKE alike, which a nondeterministic ICU
// collation does not do for LIKE on PostgreSQL 15. The functions and
// operators the client's dialect needs on PostgreSQL come with it:
//   korvan_add(a, b)     the '+' of the client: texts joined, numbers added
//   korvan_num(text)     a text read as a number as SQLite reads it (its
//                        numeric beginning, else 0)
//   citext - * / number  arithmetic on stored texts, as double precision
//   citext = < … number  a text compared with a number compares with the
//                        number's text, as SQLite compares a TEXT column
//   sum(citext), avg(citext), typeof(value)
class PgSchema
{
public:
    // Creates every table, index and function in an empty database, inside
    // the caller's transaction (or in one of its own when there is none).
    static bool create(PGconn *conn, QString *error);
    // Only the functions and operators (CREATE OR REPLACE: run again when a
    // database made by an earlier server lacks one).
    static bool createFunctions(PGconn *conn, QString *error);
    // Whether the database holds a table of its own (in schema public).
    static bool hasTables(PGconn *conn, bool *any, QString *error);
    static bool hasTable(PGconn *conn, const QString &name, bool *found, QString *error);

    // The CREATE TABLE and CREATE INDEX statements of one table.
    static QStringList createStatements(const TableDef &table);
    static QString auditTrailStatement();
};
