#pragma once

#include "rowsink.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QtGlobal>

struct sqlite3;
struct sqlite3_stmt;
struct TableDef;

// Inserts whole rows into the tables of the schema of an SQLite database
// with prepared statements, every value bound as text (missing trailing
// values as empty text).
class RowWriter : public RowSink
{
    Q_DISABLE_COPY(RowWriter)
public:
    explicit RowWriter(sqlite3 *db);
    ~RowWriter() override;

    // false with error() set when the table is unknown, the row has more
    // values than the table has columns, or SQLite refuses the row.
    bool insert(const QString &table, const QStringList &values) override;
    bool exec(const QString &sql) override;
    QString error() const override { return m_error; }

private:
    sqlite3_stmt *statementFor(const TableDef &table);

    sqlite3 *m_db;
    QHash<QString, sqlite3_stmt *> m_statements;
    QString m_error;
};
