#pragma once

#include <QString>
#include <QtGlobal>

struct sqlite3;

// One client session's database connection: runs the calls of the server
// contract and answers them as result strings ("Err" + message on failure).
class SqlSession
{
    Q_DISABLE_COPY(SqlSession)
public:
    static constexpr char SuccessStatus[] = "Suc";
    static constexpr int BusyTimeoutMs = 10000;

    SqlSession();
    ~SqlSession(); // rolls back an open transaction

    // Opens (creating when missing) the database file; false with error() set on failure.
    bool open(const QString &path);
    QString error() const { return m_error; }
    sqlite3 *handle() const { return m_db; }

    QString openQuery(const QString &sql, const QString &param, int mode);
    QString execSql(const QString &sql, const QString &param);
    QString beginTrans();
    QString commitTrans();
    QString rollbackTrans();
    bool inTransaction() const;

    // Aborts a running statement; safe from another thread.
    void interrupt();

    // Logs failed statements (set by the server; null means silent).
    void setFailureLogger(void (*logger)(const QString &sql, const QString &message)) { m_logFailure = logger; }

private:
    QString failure(const QString &sql, int resultCode);
    bool execPlain(const char *sql);

    sqlite3 *m_db = nullptr;
    QString m_error;
    // BeginTrans was answered and neither CommitTrans nor RollbackTrans has
    // been since: tells a transaction SQLite rolled back on its own (an I/O
    // error, a full disk) from none at all.
    bool m_transactionBegun = false;
    void (*m_logFailure)(const QString &, const QString &) = nullptr;
};
