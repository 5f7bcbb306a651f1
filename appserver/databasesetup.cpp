#include "databasesetup.h"

#include "audittrail.h"
#include "demodata.h"
#include "passwords.h"
#include "rowwriter.h"
#include "schema.h"
#include "sqldialect.h"

#include <QDate>
#include <QHash>

#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace {

bool exec(sqlite3 *db, const QString &sql, QString *error)
{
    const QByteArray text = sql.toUtf8();
    char *message = nullptr;
    const int rc = sqlite3_exec(db, text.constData(), nullptr, nullptr, &message);
    sqlite3_free(message);
    if (rc == SQLITE_OK)
        return true;
    *error = SqlDialect::describeError(db, rc);
    return false;
}

// Every row of a query's first columns, as text.
QList<QStringList> rows(sqlite3 *db, const char *sql, int columns, QString *error)
{
    QList<QStringList> out;
    sqlite3_stmt *stmt = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
    while (rc == SQLITE_OK && (rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        QStringList row;
        for (int c = 0; c < columns; ++c)
            row << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, c)));
        out << row;
        rc = SQLITE_OK;
    }
    if (rc != SQLITE_DONE)
        *error = QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_finalize(stmt);
    return out;
}

QString quotedName(const QString &name)
{
    QString text = name;
    return u'"' + text.replace(u'"', u"\"\""_s) + u'"';
}

// Triggers and views are not the schema's: a client made them before the
// server refused such statements, and a trigger runs under every user's save.
bool dropStrayObjects(sqlite3 *db, QStringList *notes, QString *error)
{
    error->clear();
    const QList<QStringList> found =
        rows(db, "SELECT type, name FROM sqlite_schema WHERE type IN ('trigger', 'view')", 2, error);
    if (!error->isEmpty())
        return false;
    for (const QStringList &object : found) {
        if (!exec(db, u"DROP %1 IF EXISTS main.%2"_s.arg(object.at(0).toUpper(), quotedName(object.at(1))), error))
            return false;
        notes->append(u"dropped the %1 %2: the schema has none, and clients may not make them"_s.arg(object.at(0),
                                                                                                    object.at(1)));
    }
    return true;
}

// Passwords kept as typed (older databases, rows written by scripts)
// become digests; the login compares either, so nobody notices.
bool digestPlainPasswords(sqlite3 *db, QStringList *notes, QString *error)
{
    error->clear();
    const QList<QStringList> plain = rows(
        db, "SELECT rowid, 密码 FROM main.职员 WHERE 密码 <> '' AND 密码 NOT LIKE 'pbkdf2-sha256$%'", 2, error);
    if (!error->isEmpty() || plain.isEmpty())
        return error->isEmpty();
    QHash<QString, QString> digests; // one key derivation per distinct password
    for (const QStringList &row : plain) {
        QString &digest = digests[row.at(1)];
        if (digest.isEmpty())
            digest = CommFunU::PasswordToStore(row.at(1));
        if (!exec(db, u"UPDATE main.职员 SET 密码 = '%1' WHERE rowid = %2"_s.arg(digest, row.at(0)), error))
            return false;
    }
    notes->append(u"stored %1 password(s) kept in clear as digests"_s.arg(plain.size()));
    return true;
}

} // namespace

bool DatabaseSetup::adminHasDefaultPassword(sqlite3 *db)
{
    QString error;
    const QList<QStringList> admin =
        rows(db, "SELECT 密码 FROM main.职员 WHERE 用户名 = 'admin'", 1, &error);
    if (admin.isEmpty())
        return false;
    const QString stored = admin.first().first();
    return stored == QLatin1StringView(AdminPasswordDigest)
           || CommFunU::PasswordMatches(stored, QString::fromLatin1(AdminPassword));
}

bool DatabaseSetup::isEmpty(sqlite3 *db, QString *error, bool *empty)
{
    sqlite3_stmt *stmt = nullptr;
    const char sql[] = "SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND name NOT LIKE 'sqlite%'";
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK || sqlite3_step(stmt) != SQLITE_ROW) {
        *error = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_finalize(stmt);
        return false;
    }
    *empty = sqlite3_column_int64(stmt, 0) == 0;
    sqlite3_finalize(stmt);
    return true;
}

bool DatabaseSetup::hasTable(sqlite3 *db, const QString &name, bool *found, QString *error)
{
    sqlite3_stmt *stmt = nullptr;
    const QByteArray table = name.toUtf8();
    const char sql[] = "SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = ?1";
    int rc = sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_bind_text(stmt, 1, table.constData(), int(table.size()), SQLITE_TRANSIENT);
    if (rc == SQLITE_OK)
        rc = sqlite3_step(stmt);
    sqlite3_finalize(stmt);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
        *error = QString::fromUtf8(sqlite3_errmsg(db));
        return false;
    }
    *found = rc == SQLITE_ROW;
    return true;
}

bool DatabaseSetup::createSchema(sqlite3 *db, QString *error)
{
    for (const TableDef &table : Schema::tables()) {
        for (const QString &statement : Schema::createStatements(table)) {
            if (!exec(db, statement, error))
                return false;
        }
    }
    RowWriter writer(db);
    return insertAdministrator(writer, error);
}

bool DatabaseSetup::insertAdministrator(RowSink &writer, QString *error)
{
    // The administrator: general manager with every right.
    const QString admin = QString::fromUtf8(AdminName);
    const QString department = QString::fromUtf8(AdminDepartment);
    if (!writer.insert(u"部门"_s, {department, admin, QString(), QString(), QString()})) {
        *error = writer.error();
        return false;
    }
    QStringList staff{admin, QString::fromLatin1(AdminUser), QString::fromLatin1(AdminPasswordDigest), u"Administrator"_s,
                      QString(), QString(), QString(), department, u"总经理"_s};
    while (staff.size() < 19)
        staff << QString();
    for (int right = 0; right < 8; ++right)
        staff << u"1"_s;
    if (!writer.insert(u"职员"_s, staff)) {
        *error = writer.error();
        return false;
    }
    return true;
}

bool DatabaseSetup::prepare(sqlite3 *db, bool demo, QStringList *notes, QString *error)
{
    bool empty = false;
    if (!isEmpty(db, error, &empty))
        return false;
    if (empty) {
        if (!exec(db, u"BEGIN IMMEDIATE"_s, error))
            return false;
        bool ok = createSchema(db, error);
        if (ok && demo) {
            RowWriter writer(db);
            ok = DemoData::fill(writer, QDate::currentDate(), error);
        }
        if (!ok) {
            QString ignored;
            exec(db, u"ROLLBACK"_s, &ignored);
            return false;
        }
        if (!exec(db, u"COMMIT"_s, error))
            return false;
        notes->append(u"new database: created the tables and the user %1"_s.arg(QLatin1StringView(AdminUser)));
        if (demo)
            notes->append(u"demo data loaded"_s);
    } else if (demo) {
        notes->append(u"the database already holds tables: --demo loads nothing into it"_s);
    }
    // A database made before a table joined the schema (the freight rates)
    // gets that table, empty; the tables it has are never changed.
    if (!empty) {
        for (const TableDef &table : Schema::tables()) {
            bool has = false;
            if (!hasTable(db, table.name, &has, error))
                return false;
            if (has)
                continue;
            for (const QString &statement : Schema::createStatements(table)) {
                if (!exec(db, statement, error))
                    return false;
            }
            notes->append(u"added the table %1"_s.arg(table.name));
        }
    }
    // The audit trail is added to a database that has tables as well.
    bool hasTrail = false;
    if (!hasTable(db, QString::fromUtf8(AuditTrail::TableName), &hasTrail, error))
        return false;
    if (!hasTrail) {
        if (!AuditTrail::ensureTable(db, error))
            return false;
        if (!empty)
            notes->append(u"added the audit trail table %1"_s.arg(QString::fromUtf8(AuditTrail::TableName)));
    }
    if (!exec(db, u"BEGIN IMMEDIATE"_s, error))
        return false;
    if (!dropStrayObjects(db, notes, error) || !digestPlainPasswords(db, notes, error)) {
        QString ignored;
        exec(db, u"ROLLBACK"_s, &ignored);
        return false;
    }
    if (!exec(db, u"COMMIT"_s, error))
        return false;
    // Fresh statistics let the month lists skip from month to month in their
    // index instead of reading every job; only sqlite_stat1 is written.
    QString ignored;
    exec(db, u"PRAGMA analysis_limit=1000; ANALYZE"_s, &ignored);
    return true;
}
