#include "sqldialect.h"

#include <sqlite3.h>

namespace SqlDialect {

QString rewrite(const QString &sql)
{
    return sql;
}

void installFunctions(sqlite3 *)
{
}

QString describeError(sqlite3 *db, int resultCode)
{
    Q_UNUSED(resultCode);
    return QString::fromUtf8(sqlite3_errmsg(db));
}

} // namespace SqlDialect
