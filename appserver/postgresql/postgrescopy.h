#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Moves an office's SQLite database onto PostgreSQL:
//
//     korvan-server --db var/server/korvan.db --copy-to postgresql://korvan@dbhost/korvan
//
// Every table of the file — the schema's, the audit trail, 职员 with the
// passwords as they are stored — goes into an empty PostgreSQL database, in
// one transaction with the schema that PgSchema creates there: either all of
// it arrives, checked row count by row count, or nothing does. A database
// that has tables is refused before anything is written, and the SQLite file
// is only read (a server may go on serving it; the copy is of one moment).
class PostgresCopy
{
public:
    struct TableCount {
        QString table;
        qint64 sqliteRows = 0;
        qint64 postgresRows = 0;
    };

    // false with *error (saying that nothing was copied) on any failure;
    // *counts has a line per table copied.
    static bool copy(const QString &sqlitePath, const QString &address, QList<TableCount> *counts, QString *error);

    // The counts as a table for the terminal, a line per table and a total.
    static QStringList report(const QList<TableCount> &counts);
};
