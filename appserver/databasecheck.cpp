#include "databasecheck.h"

#include "audittrail.h"
#include "schema.h"

#include <QFile>
#include <QSet>

#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace {

// Every row of the first column of a query; false with *error on failure.
bool column(sqlite3 *db, const char *sql, QStringList *values, QString *error)
{
    sqlite3_stmt *stmt = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
    if (rc == SQLITE_OK) {
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
            *values << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
    }
    if (rc != SQLITE_DONE)
        *error = QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_finalize(stmt);
    return rc == SQLITE_DONE;
}

} // namespace

namespace DatabaseCheck {

bool check(const QString &path, QStringList *report)
{
    if (!QFile::exists(path)) {
        *report << u"%1: no such file"_s.arg(path);
        return false;
    }
    sqlite3 *db = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    if (rc != SQLITE_OK) {
        *report << u"cannot open: "_s + (db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc)));
        sqlite3_close_v2(db);
        return false;
    }
    bool ok = true;
    QStringList findings;
    QString error;
    if (!column(db, "PRAGMA integrity_check(20)", &findings, &error)) {
        *report << u"integrity check failed: "_s + error;
        ok = false;
    } else if (findings != QStringList{u"ok"_s}) {
        *report << u"integrity check failed:"_s;
        for (const QString &row : std::as_const(findings)) {
            for (const QString &line : row.split(u'\n', Qt::SkipEmptyParts))
                *report << u"  "_s + line;
        }
        ok = false;
    } else {
        *report << u"integrity check: ok"_s;
    }

    QStringList tables;
    if (!column(db, "SELECT name FROM sqlite_schema WHERE type = 'table'", &tables, &error)) {
        *report << u"cannot read the tables: "_s + error;
        ok = false;
    } else {
        const QSet<QString> present(tables.cbegin(), tables.cend());
        QStringList expected{QString::fromUtf8(AuditTrail::TableName)};
        for (const TableDef &table : Schema::tables())
            expected << table.name;
        QStringList missing;
        for (const QString &name : std::as_const(expected)) {
            if (!present.contains(name))
                missing << name;
        }
        if (missing.isEmpty()) {
            *report << u"tables: all %1 present"_s.arg(expected.size());
        } else {
            *report << u"tables missing: "_s + missing.join(u", "_s);
            ok = false;
        }
    }
    sqlite3_close_v2(db);
    return ok;
}

} // namespace DatabaseCheck
