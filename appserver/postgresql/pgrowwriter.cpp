#include "pgrowwriter.h"

#include "pgconnection.h"
#include "pgdialect.h"
#include "schema.h"

#include <libpq-fe.h>

#include <QVarLengthArray>

#include <atomic>

using namespace Qt::StringLiterals;

PgRowWriter::PgRowWriter(PgConnection &connection)
    : m_connection(connection)
{
    // Prepared statements live as long as the connection: each writer names its own.
    static std::atomic_int writers{0};
    m_id = ++writers;
}

bool PgRowWriter::insert(const QString &tableName, const QStringList &values)
{
    const TableDef *table = tableFor(tableName, values, &m_error);
    if (!table)
        return false;
    const QByteArray name = (u"korvan_insert_%1_%2"_s.arg(m_id).arg(table - Schema::tables().constData())).toUtf8();
    if (!m_prepared.contains(tableName)) {
        QStringList marks;
        for (int i = 1; i <= table->columnCount(); ++i)
            marks << u'$' + QString::number(i);
        const QByteArray sql = (u"INSERT INTO \""_s + table->name + u"\" VALUES ("_s + marks.join(u',') + u')').toUtf8();
        PgResult prepared(PQprepare(m_connection.handle(), name.constData(), sql.constData(), 0, nullptr));
        if (!prepared.ok()) {
            m_error = tableName + u": "_s + prepared.message();
            return false;
        }
        m_prepared.insert(tableName);
    }
    QList<QByteArray> bytes;
    QVarLengthArray<const char *, 128> params;
    for (int i = 0; i < table->columnCount(); ++i)
        bytes << (i < values.size() ? values[i].toUtf8() : QByteArray(""));
    for (const QByteArray &b : std::as_const(bytes))
        params.append(b.constData());
    const PgResult result(PQexecPrepared(m_connection.handle(), name.constData(), int(params.size()), params.data(),
                                         nullptr, nullptr, 0));
    if (!result.ok()) {
        m_error = tableName + u": "_s + PgDialect::describeError(result);
        return false;
    }
    return true;
}

bool PgRowWriter::exec(const QString &sql)
{
    const PgResult result = m_connection.exec(PgDialect::translate(sql));
    if (result.ok())
        return true;
    m_error = PgDialect::describeError(result);
    return false;
}
