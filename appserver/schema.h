#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One table of the store: its columns in stored order (the order in which the
// client's positional inserts and "select *" loads take them) and its key.
struct TableDef {
    QString name;
    QStringList columns;
    // Columns of the unique key; empty for tables that hold many rows per job.
    QStringList key;
    // The key is a single INTEGER column (港口编号), compared and ordered as a number.
    bool integerKey = false;
    // Further indexes, each a list of column names or expressions.
    QList<QStringList> indexes;

    int columnCount() const { return int(columns.size()); }
    // Position of a column (0-based), -1 when the table has no such column.
    int columnIndex(const QString &column) const { return int(columns.indexOf(column)); }
};

// The schema of every table the client reads and writes. Widget-free, so that
// tests of other modules can compare a window's bound controls with a table.
class Schema
{
public:
    static const QList<TableDef> &tables();
    // The table of that name, or null.
    static const TableDef *find(const QString &name);
    // Whether an index of the table holds part (a column name or an
    // expression as the index is declared, e.g. substr("船期",1,7)).
    static bool hasIndexOn(const QString &table, const QString &part);
    // How an engine declares the columns: every value as text compared
    // without case, and the integer key.
    struct ColumnTypes {
        QString text = QStringLiteral("TEXT COLLATE NOCASE");
        QString integerKey = QStringLiteral("INTEGER");
        // Appended to every column of an index ("NULLS FIRST" where the
        // engine sorts NULL last unless told): an index then gives the order
        // the dialect asks for.
        QString indexOrder;
        // An index of the key in that order beside the key's own.
        bool orderedKeyIndex = false;
    };
    // CREATE TABLE and CREATE INDEX statements of one table, with SQLite's
    // types or those given.
    static QStringList createStatements(const TableDef &table);
    static QStringList createStatements(const TableDef &table, const ColumnTypes &types);
};
