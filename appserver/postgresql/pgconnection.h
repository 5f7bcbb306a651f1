#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

struct pg_conn;
struct pg_result;
struct pg_cancel;
typedef struct pg_conn PGconn;
typedef struct pg_result PGresult;
typedef struct pg_cancel PGcancel;

// One result of libpq, freed with it.
class PgResult
{
    Q_DISABLE_COPY(PgResult)
public:
    PgResult() = default;
    explicit PgResult(PGresult *result) : m_result(result) {}
    PgResult(PgResult &&other) noexcept : m_result(std::exchange(other.m_result, nullptr)) {}
    PgResult &operator=(PgResult &&other) noexcept;
    ~PgResult();

    PGresult *get() const { return m_result; }
    // The command ran (with or without rows).
    bool ok() const;
    // The five characters of the SQLSTATE of a failure ("23505"), empty on success.
    QString sqlState() const;
    QString message() const;
    int rows() const;
    int columns() const;
    bool isNull(int row, int column) const;
    QString text(int row, int column) const;
    // Rows an INSERT, UPDATE or DELETE changed.
    qint64 changed() const;

private:
    PGresult *m_result = nullptr;
};

// A connection to a PostgreSQL database through libpq: the server's own
// statements, with their parameters bound by PostgreSQL (never pasted into
// the text), and the cancel request a session's interrupt sends.
class PgConnection
{
    Q_DISABLE_COPY(PgConnection)
public:
    PgConnection() = default;
    ~PgConnection();

    // Connects to a postgresql:// address (libpq's connection URI); false
    // with error() set when the database cannot be reached.
    bool connect(const QString &address);
    void close();
    // The connection is up (it may have broken since the last call).
    bool isOpen() const;
    QString error() const { return m_error; }
    PGconn *handle() const { return m_conn; }

    // Runs one statement, its parameters $1, $2 … bound as text (a null
    // QString binds NULL). Waiting for the answer, stillWanted is asked every
    // tenth of a second; when it says no, the statement is cancelled.
    PgResult exec(const QString &sql, const QStringList &params = {}, const std::function<bool()> &stillWanted = {});
    // Runs one statement without parameters; false with *error set on failure.
    bool run(const QString &sql, QString *error);

    // Asks the server to stop the running statement; safe from another thread.
    void cancel();

    // The address as the log may show it: any password replaced by ****.
    static QString shownAddress(const QString &address);

private:
    PGconn *m_conn = nullptr;
    PGcancel *m_cancel = nullptr;
    QString m_error;
};
