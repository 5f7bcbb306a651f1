#pragma once

#include "rowsink.h"

#include <QSet>

class PgConnection;

// Inserts whole rows into the tables of the schema of a PostgreSQL database,
// each table's INSERT prepared once on the connection, every value bound as
// text (missing trailing values as empty text).
class PgRowWriter : public RowSink
{
    Q_DISABLE_COPY(PgRowWriter)
public:
    explicit PgRowWriter(PgConnection &connection);

    bool insert(const QString &table, const QStringList &values) override;
    bool exec(const QString &sql) override;
    QString error() const override { return m_error; }

private:
    PgConnection &m_connection;
    int m_id = 0;
    QSet<QString> m_prepared; // tables whose INSERT is prepared
    QString m_error;
};
