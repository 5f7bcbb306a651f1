#include "pgschema.h"

#include "audittrail.h"
#include "schema.h"

#include <libpq-fe.h>

using namespace Qt::StringLiterals;

namespace {

bool run(PGconn *conn, const QString &sql, QString *error)
{
    PGresult *result = PQexec(conn, sql.toUtf8().constData());
    const ExecStatusType status = PQresultStatus(result);
    const bool ok = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
    if (!ok)
        *error = QString::fromUtf8(PQresultErrorMessage(result)).trimmed() + u" ("_s + sql.left(120) + u')';
    PQclear(result);
    return ok;
}

// Numbers in arithmetic are double precision, as SQLite's REAL: the client's
// amounts (texts such as 1500.000) multiplied by a rate give the same digits
// on both engines, binary noise included.
const char *const functions[] = {
    "CREATE EXTENSION IF NOT EXISTS citext",
    R"(CREATE OR REPLACE FUNCTION korvan_num(t text) RETURNS float8 LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE AS
$$ SELECT coalesce(substring(ltrim(t, E' \t\n\r') from '^[+-]?(?:[0-9]+\.?[0-9]*|\.[0-9]+)(?:[eE][+-]?[0-9]+)?')::float8, 0) $$)",
    "CREATE OR REPLACE FUNCTION korvan_add(a text, b text) RETURNS text LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE "
    "AS $$ SELECT a || b $$",
    "CREATE OR REPLACE FUNCTION korvan_add(a float8, b float8) RETURNS float8 LANGUAGE sql IMMUTABLE STRICT "
    "PARALLEL SAFE AS $$ SELECT a + b $$",
    // Whole numbers stay whole: integer + integer is an integer (a counter of
    // a recursive query keeps its type), bigint + bigint exact, and past the
    // range of a 64-bit integer a number as SQLite's REAL.
    "CREATE OR REPLACE FUNCTION korvan_add(a integer, b integer) RETURNS integer LANGUAGE sql IMMUTABLE STRICT "
    "PARALLEL SAFE AS $$ SELECT a + b $$",
    "CREATE OR REPLACE FUNCTION korvan_add(a bigint, b bigint) RETURNS numeric LANGUAGE sql IMMUTABLE STRICT "
    "PARALLEL SAFE AS $$ SELECT a::numeric + b $$",
    "CREATE OR REPLACE FUNCTION korvan_add(a text, b float8) RETURNS float8 LANGUAGE sql IMMUTABLE STRICT "
    "PARALLEL SAFE AS $$ SELECT korvan_num(a) + b $$",
    "CREATE OR REPLACE FUNCTION korvan_add(a float8, b text) RETURNS float8 LANGUAGE sql IMMUTABLE STRICT "
    "PARALLEL SAFE AS $$ SELECT a + korvan_num(b) $$",
    // SQLite's typeof() of the value as the client would see it on SQLite.
    R"(CREATE OR REPLACE FUNCTION typeof(v anyelement) RETURNS text LANGUAGE sql IMMUTABLE PARALLEL SAFE AS
$$ SELECT CASE WHEN v IS NULL THEN 'null'
  WHEN pg_typeof(v) IN ('smallint'::regtype, 'integer'::regtype, 'bigint'::regtype, 'boolean'::regtype) THEN 'integer'
  WHEN pg_typeof(v) IN ('real'::regtype, 'double precision'::regtype, 'numeric'::regtype) THEN 'real'
  WHEN pg_typeof(v) = 'bytea'::regtype THEN 'blob' ELSE 'text' END $$)",
    R"(CREATE OR REPLACE FUNCTION korvan_sum_step(s float8, v citext) RETURNS float8 LANGUAGE sql IMMUTABLE
PARALLEL SAFE AS $$ SELECT CASE WHEN v IS NULL THEN s ELSE coalesce(s, 0) + korvan_num(v) END $$)",
    R"(CREATE OR REPLACE FUNCTION korvan_avg_step(s float8[], v citext) RETURNS float8[] LANGUAGE sql IMMUTABLE
PARALLEL SAFE AS $$ SELECT CASE WHEN v IS NULL THEN s ELSE float8_accum(s, korvan_num(v)) END $$)",
    "CREATE OR REPLACE AGGREGATE sum(citext) (SFUNC = korvan_sum_step, STYPE = float8)",
    // SQLite's group_concat(x [, separator]): the values joined, NULLs left out.
    R"(CREATE OR REPLACE FUNCTION korvan_concat_step(s text, v text, separator text) RETURNS text LANGUAGE sql
IMMUTABLE PARALLEL SAFE AS $$ SELECT CASE WHEN v IS NULL THEN s WHEN s IS NULL THEN v ELSE s || separator || v END $$)",
    R"(CREATE OR REPLACE FUNCTION korvan_concat_step(s text, v text) RETURNS text LANGUAGE sql IMMUTABLE
PARALLEL SAFE AS $$ SELECT korvan_concat_step(s, v, ',') $$)",
    "CREATE OR REPLACE AGGREGATE group_concat(text) (SFUNC = korvan_concat_step, STYPE = text)",
    "CREATE OR REPLACE AGGREGATE group_concat(text, text) (SFUNC = korvan_concat_step, STYPE = text)",
    "CREATE OR REPLACE AGGREGATE avg(citext) (SFUNC = korvan_avg_step, STYPE = float8[], FINALFUNC = float8_avg, "
    "INITCOND = '{0,0,0}')",
};

struct Operator {
    const char *op;
    const char *name; // of its functions
};

const Operator arithmetic[] = {{"-", "minus"}, {"*", "times"}, {"/", "divided"}};

const Operator comparisons[] = {
    {"=", "eq"}, {"<>", "ne"}, {"<", "lt"}, {"<=", "le"}, {">", "gt"}, {">=", "ge"},
};

// The operators of a citext operand with a number or another citext.
QStringList operatorStatements()
{
    QStringList out;
    for (const Operator &o : arithmetic) {
        const QString name = QString::fromLatin1(o.name);
        const struct {
            const char *left, *right, *suffix;
            QString a, b;
        } shapes[] = {
            {"citext", "citext", "tt", u"korvan_num(a::text)"_s, u"korvan_num(b::text)"_s},
            {"citext", "float8", "tn", u"korvan_num(a::text)"_s, u"b"_s},
            {"float8", "citext", "nt", u"a"_s, u"korvan_num(b::text)"_s},
        };
        for (const auto &s : shapes) {
            const QString expression = s.a + u' ' + QLatin1StringView(o.op) + u' ' + s.b;
            const QString function = u"korvan_"_s + name + u'_' + QLatin1StringView(s.suffix);
            out << u"CREATE OR REPLACE FUNCTION %1(a %2, b %3) RETURNS float8 LANGUAGE sql IMMUTABLE STRICT "
                   "PARALLEL SAFE AS $$ SELECT %4 $$"_s.arg(function, QLatin1StringView(s.left),
                                                               QLatin1StringView(s.right), expression);
            out << u"DO $$ BEGIN CREATE OPERATOR %1 (LEFTARG = %2, RIGHTARG = %3, FUNCTION = %4); "
                   "EXCEPTION WHEN duplicate_function THEN NULL; END $$"_s.arg(QLatin1StringView(o.op),
                                                                              QLatin1StringView(s.left),
                                                                              QLatin1StringView(s.right), function);
        }
    }
    for (const Operator &o : comparisons) {
        const QString name = QString::fromLatin1(o.name);
        const QString op = QString::fromLatin1(o.op);
        // The number's shortest exact text, as it would be stored.
        out << u"CREATE OR REPLACE FUNCTION korvan_%1_tn(a citext, b float8) RETURNS boolean LANGUAGE sql IMMUTABLE "
               "STRICT PARALLEL SAFE AS $$ SELECT a %2 b::text::citext $$"_s.arg(name, op);
        out << u"CREATE OR REPLACE FUNCTION korvan_%1_nt(a float8, b citext) RETURNS boolean LANGUAGE sql IMMUTABLE "
               "STRICT PARALLEL SAFE AS $$ SELECT a::text::citext %2 b $$"_s.arg(name, op);
        out << u"DO $$ BEGIN CREATE OPERATOR %1 (LEFTARG = citext, RIGHTARG = float8, FUNCTION = korvan_%2_tn); "
               "CREATE OPERATOR %1 (LEFTARG = float8, RIGHTARG = citext, FUNCTION = korvan_%2_nt); "
               "EXCEPTION WHEN duplicate_function THEN NULL; END $$"_s.arg(op, name);
    }
    return out;
}

} // namespace

QStringList PgSchema::createStatements(const TableDef &table)
{
    Schema::ColumnTypes types;
    // Compared and sorted byte by byte, Latin letters without case: SQLite's
    // NOCASE, whatever the locale the database was made with.
    types.text = u"citext COLLATE \"C\""_s;
    types.integerKey = u"bigint"_s;
    // The dialect sorts NULL first, as SQLite does; PostgreSQL's default
    // order puts it last, and an index in that order cannot give an ORDER BY
    // (top n of the job numbers read every job and sorted them).
    types.indexOrder = u"NULLS FIRST"_s;
    types.orderedKeyIndex = true;
    return Schema::createStatements(table, types);
}

QString PgSchema::auditTrailStatement()
{
    return u"CREATE TABLE IF NOT EXISTS \"%1\" (\n"
           "  \"序号\" bigint GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY,\n"
           "  \"时间\" citext NOT NULL,\n"
           "  \"用户名\" citext,\n"
           "  \"客户端地址\" citext,\n"
           "  \"语句\" citext NOT NULL,\n"
           "  \"参数\" citext,\n"
           "  \"影响行数\" bigint NOT NULL\n"
           ")"_s.arg(QString::fromUtf8(AuditTrail::TableName));
}

bool PgSchema::createFunctions(PGconn *conn, QString *error)
{
    for (const char *statement : functions) {
        if (!run(conn, QString::fromUtf8(statement), error))
            return false;
    }
    for (const QString &statement : operatorStatements()) {
        if (!run(conn, statement, error))
            return false;
    }
    return true;
}

bool PgSchema::create(PGconn *conn, QString *error)
{
    const bool own = PQtransactionStatus(conn) == PQTRANS_IDLE;
    if (own && !run(conn, u"BEGIN"_s, error))
        return false;
    bool ok = createFunctions(conn, error);
    for (const TableDef &table : Schema::tables()) {
        for (const QString &statement : createStatements(table)) {
            if (ok)
                ok = run(conn, statement, error);
        }
    }
    if (ok)
        ok = run(conn, auditTrailStatement(), error);
    QString ignored;
    if (own)
        return ok ? run(conn, u"COMMIT"_s, error) : (run(conn, u"ROLLBACK"_s, &ignored), false);
    return ok;
}

bool PgSchema::hasTables(PGconn *conn, bool *any, QString *error)
{
    PGresult *result = PQexec(conn, "SELECT count(*) FROM pg_tables WHERE schemaname = 'public'");
    const bool ok = PQresultStatus(result) == PGRES_TUPLES_OK;
    if (ok)
        *any = QByteArray(PQgetvalue(result, 0, 0)).toLongLong() > 0;
    else
        *error = QString::fromUtf8(PQresultErrorMessage(result)).trimmed();
    PQclear(result);
    return ok;
}

bool PgSchema::hasTable(PGconn *conn, const QString &name, bool *found, QString *error)
{
    const QByteArray table = name.toUtf8();
    const char *values[] = {table.constData()};
    PGresult *result = PQexecParams(conn, "SELECT 1 FROM pg_tables WHERE schemaname = 'public' AND tablename = $1",
                                    1, nullptr, values, nullptr, nullptr, 0);
    const bool ok = PQresultStatus(result) == PGRES_TUPLES_OK;
    if (ok)
        *found = PQntuples(result) > 0;
    else
        *error = QString::fromUtf8(PQresultErrorMessage(result)).trimmed();
    PQclear(result);
    return ok;
}
