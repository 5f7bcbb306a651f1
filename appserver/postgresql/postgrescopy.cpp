#include "postgrescopy.h"

#include "pgconnection.h"
#include "pgschema.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <libpq-fe.h>
#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace {

// COPY takes its data in pieces of about this many bytes.
constexpr qsizetype CopyChunk = 1 << 20;

QString quoted(const QString &name)
{
    QString inner = name;
    inner.replace(u'"', u"\"\""_s);
    return u'"' + inner + u'"';
}

// The SQLite file, read-only, inside one read transaction: what is copied
// (tables, rows, counts) is one moment of it, even while a server writes.
class SqliteSource
{
public:
    ~SqliteSource()
    {
        if (m_db)
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close_v2(m_db);
    }

    bool open(const QString &path, QString *error)
    {
        if (!QFileInfo(path).isFile()) {
            *error = u"there is no database file %1"_s.arg(path);
            return false;
        }
        const QByteArray name = QFile::encodeName(path);
        if (sqlite3_open_v2(name.constData(), &m_db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
            *error = u"cannot open %1: %2"_s.arg(path, message());
            return false;
        }
        sqlite3_busy_timeout(m_db, 10000);
        // The transaction's snapshot begins with its first read.
        if (sqlite3_exec(m_db, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK) {
            *error = u"cannot read %1: %2"_s.arg(path, message());
            return false;
        }
        return true;
    }

    QString message() const { return QString::fromUtf8(sqlite3_errmsg(m_db)); }

    // The first column of every row of sql (as text).
    bool column(const QString &sql, QStringList *values, QString *error)
    {
        sqlite3_stmt *stmt = prepare(sql, error);
        if (!stmt)
            return false;
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
            values->append(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0))));
        sqlite3_finalize(stmt);
        if (rc != SQLITE_DONE)
            *error = message();
        return rc == SQLITE_DONE;
    }

    // The tables of the file, the server's own; SQLite's statistics stay behind.
    bool tables(QStringList *names, QString *error)
    {
        return column(u"SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' "
                      "ORDER BY name"_s,
                      names, error);
    }

    bool columns(const QString &table, QStringList *names, QString *error)
    {
        return column(u"SELECT name FROM pragma_table_info("_s + quotedLiteral(table) + u") ORDER BY cid"_s, names,
                      error);
    }

    bool count(const QString &table, qint64 *rows, QString *error)
    {
        QStringList value;
        if (!column(u"SELECT count(*) FROM "_s + quoted(table), &value, error))
            return false;
        *rows = value.value(0).toLongLong();
        return true;
    }

    sqlite3_stmt *prepare(const QString &sql, QString *error)
    {
        sqlite3_stmt *stmt = nullptr;
        const QByteArray text = sql.toUtf8();
        if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &stmt, nullptr) != SQLITE_OK) {
            *error = message();
            return nullptr;
        }
        return stmt;
    }

private:
    static QString quotedLiteral(const QString &text)
    {
        QString inner = text;
        inner.replace(u'\'', u"''"_s);
        return u'\'' + inner + u'\'';
    }

    sqlite3 *m_db = nullptr;
};

// One value in COPY's text format: NULL as \N, the text with backslash, tab,
// newline and carriage return escaped. A number is SQLite's own text of it.
// A NUL byte cannot be held by a PostgreSQL text: false.
bool appendValue(sqlite3_stmt *stmt, int column, QByteArray *line)
{
    if (sqlite3_column_type(stmt, column) == SQLITE_NULL) {
        line->append("\\N");
        return true;
    }
    // A blob in a text column is copied as its bytes; PostgreSQL refuses
    // them unless they are UTF-8.
    const char *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt, column));
    const int size = sqlite3_column_bytes(stmt, column);
    for (int i = 0; i < size; ++i) {
        switch (text[i]) {
        case '\0': return false;
        case '\\': line->append("\\\\"); break;
        case '\t': line->append("\\t"); break;
        case '\n': line->append("\\n"); break;
        case '\r': line->append("\\r"); break;
        default: line->append(text[i]);
        }
    }
    return true;
}

// Copies the rows of table through COPY FROM STDIN, in the transaction open on conn.
bool copyTable(SqliteSource &source, PGconn *conn, const QString &table, const QStringList &columns, QString *error)
{
    QStringList names;
    for (const QString &column : columns)
        names << quoted(column);
    const QString list = names.join(u", "_s);
    sqlite3_stmt *stmt = source.prepare(u"SELECT "_s + list + u" FROM "_s + quoted(table), error);
    if (!stmt)
        return false;
    PgResult started(PQexec(conn, (u"COPY "_s + quoted(table) + u" ("_s + list + u") FROM STDIN"_s).toUtf8().constData()));
    if (PQresultStatus(started.get()) != PGRES_COPY_IN) {
        *error = started.message();
        sqlite3_finalize(stmt);
        return false;
    }
    QByteArray buffer;
    QString failure;
    qint64 row = 0;
    int rc = SQLITE_DONE;
    while (failure.isEmpty() && (rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        ++row;
        for (int c = 0; c < columns.size() && failure.isEmpty(); ++c) {
            if (c > 0)
                buffer.append('\t');
            if (!appendValue(stmt, c, &buffer))
                failure = u"row %1, column %2 holds a NUL character, which PostgreSQL cannot store"_s.arg(row).arg(
                    columns[c]);
        }
        buffer.append('\n');
        if (failure.isEmpty() && buffer.size() >= CopyChunk) {
            if (PQputCopyData(conn, buffer.constData(), int(buffer.size())) != 1)
                failure = QString::fromUtf8(PQerrorMessage(conn)).trimmed();
            buffer.clear();
        }
    }
    if (failure.isEmpty() && rc != SQLITE_DONE)
        failure = u"reading it from SQLite: "_s + source.message();
    sqlite3_finalize(stmt);
    if (failure.isEmpty() && !buffer.isEmpty() && PQputCopyData(conn, buffer.constData(), int(buffer.size())) != 1)
        failure = QString::fromUtf8(PQerrorMessage(conn)).trimmed();
    // Ending with an error message aborts the COPY (and with it the transaction).
    const QByteArray abort = failure.toUtf8();
    PQputCopyEnd(conn, failure.isEmpty() ? nullptr : abort.constData());
    PgResult finished(PQgetResult(conn));
    while (PGresult *more = PQgetResult(conn))
        PQclear(more);
    if (failure.isEmpty() && !finished.ok()) {
        failure = finished.message();
        if (const char *context = PQresultErrorField(finished.get(), PG_DIAG_CONTEXT))
            failure += u" ("_s + QString::fromUtf8(context) + u')';
    }
    if (!failure.isEmpty())
        *error = failure;
    return failure.isEmpty();
}

bool run(PGconn *conn, const QString &sql, QString *error)
{
    PgResult result(PQexec(conn, sql.toUtf8().constData()));
    if (!result.ok())
        *error = result.message();
    return result.ok();
}

// A value of a query that returns one.
bool value(PGconn *conn, const QString &sql, QString *text, QString *error)
{
    PgResult result(PQexec(conn, sql.toUtf8().constData()));
    if (!result.ok() || result.rows() < 1) {
        *error = result.ok() ? u"no answer to "_s + sql : result.message();
        return false;
    }
    *text = result.text(0, 0);
    return true;
}

// The columns PostgreSQL's schema gives the table; empty when it has no such table.
bool postgresColumns(PGconn *conn, const QString &table, QSet<QString> *columns, QString *error)
{
    const QByteArray name = table.toUtf8();
    const char *params[] = {name.constData()};
    PgResult result(PQexecParams(conn,
                                 "SELECT column_name FROM information_schema.columns "
                                 "WHERE table_schema = 'public' AND table_name = $1",
                                 1, nullptr, params, nullptr, nullptr, 0));
    if (!result.ok()) {
        *error = result.message();
        return false;
    }
    for (int row = 0; row < result.rows(); ++row)
        columns->insert(result.text(row, 0));
    return true;
}

// Identity columns (the audit trail's 序号) continue after the copied rows.
bool continueIdentities(PGconn *conn, QString *error)
{
    PgResult result(PQexec(conn,
                           "SELECT table_name, column_name, pg_get_serial_sequence(format('%I', table_name), column_name) "
                           "FROM information_schema.columns WHERE table_schema = 'public' "
                           "AND pg_get_serial_sequence(format('%I', table_name), column_name) IS NOT NULL"));
    if (!result.ok()) {
        *error = result.message();
        return false;
    }
    for (int row = 0; row < result.rows(); ++row) {
        const QString sequence = result.text(row, 2);
        QString ignored;
        if (!value(conn,
                   u"SELECT setval('%1', coalesce((SELECT max(%2) FROM %3), 0) + 1, false)"_s.arg(
                       QString(sequence).replace(u'\'', u"''"_s), quoted(result.text(row, 1)),
                       quoted(result.text(row, 0))),
                   &ignored, error))
            return false;
    }
    return true;
}

// Everything inside the PostgreSQL transaction; the caller commits or rolls back.
bool copyAll(SqliteSource &source, PGconn *conn, QList<PostgresCopy::TableCount> *counts, QString *error)
{
    QStringList tables;
    if (!source.tables(&tables, error))
        return false;
    if (tables.isEmpty()) {
        *error = u"the SQLite database holds no tables"_s;
        return false;
    }
    if (!PgSchema::create(conn, error))
        return false;
    for (const QString &table : std::as_const(tables)) {
        QStringList columns;
        QSet<QString> target;
        if (!source.columns(table, &columns, error) || !postgresColumns(conn, table, &target, error))
            return false;
        if (target.isEmpty()) {
            *error = u"the SQLite table %1 is not a table of korvan-server's schema"_s.arg(table);
            return false;
        }
        for (const QString &column : std::as_const(columns)) {
            if (!target.contains(column)) {
                *error = u"the SQLite table %1 has a column %2 that the schema does not have"_s.arg(table, column);
                return false;
            }
        }
        PostgresCopy::TableCount count{table};
        if (!source.count(table, &count.sqliteRows, error))
            return false;
        if (!copyTable(source, conn, table, columns, error)) {
            *error = u"table %1: %2"_s.arg(table, *error);
            return false;
        }
        QString rows;
        if (!value(conn, u"SELECT count(*) FROM "_s + quoted(table), &rows, error))
            return false;
        count.postgresRows = rows.toLongLong();
        counts->append(count);
        if (count.postgresRows != count.sqliteRows) {
            *error = u"table %1: %2 rows in SQLite, %3 arrived in PostgreSQL"_s.arg(table)
                         .arg(count.sqliteRows)
                         .arg(count.postgresRows);
            return false;
        }
    }
    return continueIdentities(conn, error);
}

// Display width on a terminal: CJK characters take two columns.
int displayWidth(const QString &text)
{
    int width = 0;
    for (const QChar c : text)
        width += c.unicode() >= 0x1100 ? 2 : 1;
    return width;
}

} // namespace

bool PostgresCopy::copy(const QString &sqlitePath, const QString &address, QList<TableCount> *counts, QString *error)
{
    counts->clear();
    SqliteSource source;
    if (!source.open(sqlitePath, error))
        return false;
    PgConnection target;
    if (!target.connect(address)) {
        *error = u"cannot reach %1: %2"_s.arg(PgConnection::shownAddress(address), target.error());
        return false;
    }
    PGconn *conn = target.handle();
    bool any = false;
    if (!PgSchema::hasTables(conn, &any, error))
        return false;
    if (any) {
        *error = u"%1 already has tables; the copy goes only into an empty database (create one with "
                 "createdb), nothing was copied"_s.arg(PgConnection::shownAddress(address));
        return false;
    }
    QString failure;
    if (!run(conn, u"BEGIN"_s, &failure) || !copyAll(source, conn, counts, &failure)) {
        QString ignored;
        run(conn, u"ROLLBACK"_s, &ignored);
        *error = failure + u"; nothing was copied"_s;
        return false;
    }
    if (!run(conn, u"COMMIT"_s, &failure)) {
        *error = u"the commit failed: "_s + failure + u"; nothing was copied"_s;
        return false;
    }
    // Statistics for the planner from the first query on.
    QString ignored;
    run(conn, u"ANALYZE"_s, &ignored);
    return true;
}

QStringList PostgresCopy::report(const QList<TableCount> &counts)
{
    int width = displayWidth(u"table"_s);
    for (const TableCount &count : counts)
        width = qMax(width, displayWidth(count.table));
    const auto line = [width](const QString &name, const QString &left, const QString &right) -> QString {
        return name + QString(width - displayWidth(name), u' ') + u"  "_s + left.rightJustified(10) + u"  "_s
               + right.rightJustified(10);
    };
    QStringList lines{line(u"table"_s, u"SQLite"_s, u"PostgreSQL"_s)};
    qint64 sqliteTotal = 0;
    qint64 postgresTotal = 0;
    for (const TableCount &count : counts) {
        lines << line(count.table, QString::number(count.sqliteRows), QString::number(count.postgresRows));
        sqliteTotal += count.sqliteRows;
        postgresTotal += count.postgresRows;
    }
    lines << line(u"total"_s, QString::number(sqliteTotal), QString::number(postgresTotal));
    return lines;
}
