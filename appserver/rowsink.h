#pragma once

#include <QString>
#include <QStringList>

// Where the server's own rows go when it fills a database (the administrator,
// the demo company), whatever the engine: whole rows of the tables of
// schema.h, every value bound as text (missing trailing values as empty
// text), and plain statements of the dialect both engines read alike.
class RowSink
{
public:
    virtual ~RowSink() = default;
    // false with error() set when the table is unknown, the row has more
    // values than the table has columns, or the database refuses the row.
    virtual bool insert(const QString &table, const QStringList &values) = 0;
    virtual bool exec(const QString &sql) = 0;
    virtual QString error() const = 0;

protected:
    // The table a row goes to, or null with *error set when the table is
    // unknown or the row too long for it.
    static const struct TableDef *tableFor(const QString &table, const QStringList &values, QString *error);
};
