#pragma once

#include <QString>
#include <QStringList>

struct sqlite3;
class RowSink;

// What korvan-server does to its database before it listens. A database
// without tables gets the schema, the administrator and, on request, the demo
// data, all in one transaction; a database that holds tables is opened as it
// is: nothing is dropped or rewritten in it but what no client may keep —
// passwords stored in clear become digests, and triggers and views (the
// schema has none; a client before the access policy could make them) are
// dropped — and only the audit trail's table is added when it has none.
class DatabaseSetup
{
public:
    static constexpr char AdminUser[] = "admin";
    static constexpr char AdminPassword[] = "admin";
    static constexpr char AdminName[] = "系统管理员";
    static constexpr char AdminDepartment[] = "总经理室";
    // The stored form of AdminPassword in a new database (a digest made
    // once, so that creating a database costs no key derivation).
    static constexpr char AdminPasswordDigest[] =
        "pbkdf2-sha256$100000$a29ydmFuLWFkbWluLW5ldw==$7/FcFiz87LGhCmjOvR03KrIvzcKsbQWVIpAPHr2sstw=";

    // Lines for the server log go to *notes. false with *error when the
    // database cannot be prepared (a new database then stays empty).
    static bool prepare(sqlite3 *db, bool demo, QStringList *notes, QString *error);

    // true when the database holds no table of its own.
    static bool isEmpty(sqlite3 *db, QString *error, bool *empty);
    static bool hasTable(sqlite3 *db, const QString &name, bool *found, QString *error);
    // The schema and the administrator, inside the caller's transaction.
    static bool createSchema(sqlite3 *db, QString *error);
    // The administrator's department and staff row, whatever the engine.
    static bool insertAdministrator(RowSink &writer, QString *error);
    // Whether the administrator still has his first password (for the
    // warning at start); false when there is no such user.
    static bool adminHasDefaultPassword(sqlite3 *db);
};
