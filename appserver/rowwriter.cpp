#include "rowwriter.h"

#include "schema.h"
#include "sqldialect.h"

#include <sqlite3.h>

using namespace Qt::StringLiterals;

RowWriter::RowWriter(sqlite3 *db)
    : m_db(db)
{
}

RowWriter::~RowWriter()
{
    for (sqlite3_stmt *stmt : std::as_const(m_statements))
        sqlite3_finalize(stmt);
}

sqlite3_stmt *RowWriter::statementFor(const TableDef &table)
{
    if (sqlite3_stmt *stmt = m_statements.value(table.name))
        return stmt;
    QStringList marks;
    for (int i = 0; i < table.columnCount(); ++i)
        marks << u"?"_s;
    const QByteArray sql = (u"INSERT INTO \""_s + table.name + u"\" VALUES ("_s + marks.join(u',') + u')').toUtf8();
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(m_db, sql.constData(), int(sql.size()), &stmt, nullptr) != SQLITE_OK) {
        m_error = QString::fromUtf8(sqlite3_errmsg(m_db));
        return nullptr;
    }
    m_statements.insert(table.name, stmt);
    return stmt;
}

bool RowWriter::insert(const QString &tableName, const QStringList &values)
{
    const TableDef *table = tableFor(tableName, values, &m_error);
    if (!table)
        return false;
    sqlite3_stmt *stmt = statementFor(*table);
    if (!stmt)
        return false;
    sqlite3_reset(stmt);
    for (int i = 0; i < table->columnCount(); ++i) {
        const QByteArray text = i < values.size() ? values[i].toUtf8() : QByteArray("");
        sqlite3_bind_text(stmt, i + 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
    }
    const int rc = sqlite3_step(stmt);
    if (rc != SQLITE_DONE) {
        m_error = tableName + u": "_s + SqlDialect::describeError(m_db, rc);
        sqlite3_reset(stmt);
        return false;
    }
    return true;
}

bool RowWriter::exec(const QString &sql)
{
    const QByteArray text = sql.toUtf8();
    if (sqlite3_exec(m_db, text.constData(), nullptr, nullptr, nullptr) == SQLITE_OK)
        return true;
    m_error = QString::fromUtf8(sqlite3_errmsg(m_db));
    return false;
}

const TableDef *RowSink::tableFor(const QString &tableName, const QStringList &values, QString *error)
{
    const TableDef *table = Schema::find(tableName);
    if (!table) {
        *error = u"no table "_s + tableName;
        return nullptr;
    }
    if (values.size() > table->columnCount()) {
        *error = u"%1 values for the %2 columns of %3"_s.arg(values.size()).arg(table->columnCount()).arg(tableName);
        return nullptr;
    }
    return table;
}
