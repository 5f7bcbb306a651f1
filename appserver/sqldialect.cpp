#include "sqldialect.h"

#include "sqlrewriter.h"
#include "values.h"

#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace {

// The value of a text operand as a number, converted as SQLite's own
// arithmetic converts text.
struct Number {
    bool integer = false;
    sqlite3_int64 i = 0;
    double d = 0;
};

Number numberOf(sqlite3_value *v)
{
    Number n;
    switch (sqlite3_value_numeric_type(v)) {
    case SQLITE_INTEGER:
        n.integer = true;
        n.i = sqlite3_value_int64(v);
        n.d = double(n.i);
        break;
    default:
        n.d = sqlite3_value_double(v);
        break;
    }
    return n;
}

bool isText(sqlite3_value *v)
{
    const int type = sqlite3_value_type(v);
    return type == SQLITE_TEXT || type == SQLITE_BLOB;
}

// a + b of the client's dialect: two texts are joined, anything else is
// added; NULL on either side gives NULL.
void addFunction(sqlite3_context *context, int, sqlite3_value **argv)
{
    sqlite3_value *a = argv[0];
    sqlite3_value *b = argv[1];
    if (sqlite3_value_type(a) == SQLITE_NULL || sqlite3_value_type(b) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    if (isText(a) && isText(b)) {
        const auto *ta = reinterpret_cast<const char *>(sqlite3_value_text(a));
        const int la = sqlite3_value_bytes(a);
        const auto *tb = reinterpret_cast<const char *>(sqlite3_value_text(b));
        const int lb = sqlite3_value_bytes(b);
        if (qint64(la) + lb > SqlDialect::MaxValueBytes) {
            sqlite3_result_error_toobig(context);
            return;
        }
        QByteArray joined;
        joined.reserve(la + lb);
        joined.append(ta, la).append(tb, lb);
        sqlite3_result_text(context, joined.constData(), int(joined.size()), SQLITE_TRANSIENT);
        return;
    }
    const Number x = numberOf(a);
    const Number y = numberOf(b);
    sqlite3_int64 sum = 0;
    if (x.integer && y.integer && !__builtin_add_overflow(x.i, y.i, &sum)) {
        sqlite3_result_int64(context, sum);
        return;
    }
    sqlite3_result_double(context, x.d + y.d);
}

// "UNIQUE constraint failed: 部门.部门名称" -> "部门.部门名称"
QString constraintSubject(const QString &message)
{
    const qsizetype colon = message.indexOf(u": "_s);
    return colon < 0 ? message : message.mid(colon + 2);
}

} // namespace

namespace SqlDialect {

// 0.1*8.3 - 0.83 reads 0.000000000000000111022302462516, which every
// amount reader (and a user looking at a computed cell) takes for the zero
// it is; 1030.0 reads 1030.
QString realText(double value)
{
    const QString general = QString::number(value, 'g', 15);
    return CommFunU::PlainDecimalText(general).value_or(general);
}

QString rewrite(const QString &sql)
{
    return SqlRewriter::rewrite(sql);
}

void installFunctions(sqlite3 *db)
{
    sqlite3_create_function_v2(db, SqlRewriter::AddFunction, 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                               addFunction, nullptr, nullptr, nullptr);
    sqlite3_limit(db, SQLITE_LIMIT_LENGTH, SqlDialect::MaxValueBytes);
}

// The client sorts failures by fragments of the message: "duplicate" for a
// repeated key, "mismatch" for a value of the wrong kind, "too small" for a
// value longer than its field, "zero-length" for an empty required field,
// "network error" when the server cannot reach its database.
QString describeError(sqlite3 *db, int resultCode)
{
    const QString message = QString::fromUtf8(sqlite3_errmsg(db));
    const int extended = sqlite3_extended_errcode(db);
    if (resultCode == (resultCode & 0xff) && (extended & 0xff) == resultCode)
        resultCode = extended;
    switch (resultCode) {
    case SQLITE_CONSTRAINT_UNIQUE:
    case SQLITE_CONSTRAINT_PRIMARYKEY:
        return u"duplicate value in %1: a row with this key exists already (%2)"_s.arg(constraintSubject(message),
                                                                                         message);
    case SQLITE_CONSTRAINT_NOTNULL:
        return u"zero-length value in %1: this field is required (%2)"_s.arg(constraintSubject(message), message);
    case SQLITE_CONSTRAINT_CHECK: {
        const QString subject = constraintSubject(message);
        if (subject.startsWith(u"required "_s))
            return u"zero-length value in %1: this field is required (%2)"_s.arg(subject.mid(9), message);
        return message;
    }
    default:
        break;
    }
    switch (resultCode & 0xff) {
    case SQLITE_MISMATCH:
        return u"data type mismatch: %1"_s.arg(message);
    case SQLITE_TOOBIG:
        return u"the field is too small for the value entered (%1)"_s.arg(message);
    case SQLITE_CANTOPEN:
    case SQLITE_IOERR:
    case SQLITE_NOTADB:
        return u"network error: the server cannot reach its database (%1)"_s.arg(message);
    default:
        return message;
    }
}

} // namespace SqlDialect
