#pragma once

#include <QString>

class ServerConnection;

// BeginTrans on construction; commit() ends it, and a guard that goes out of
// scope without commit() rolls back, so no path (an error answer, an
// exception, an early return) leaves a transaction open on the server.
class TransactionGuard
{
    Q_DISABLE_COPY(TransactionGuard)
public:
    explicit TransactionGuard(ServerConnection &server);
    ~TransactionGuard();

    // True when BeginTrans was answered without "Err".
    bool begun() const { return m_active; }
    // CommitTrans; false (and rolled back) when the server refused it.
    bool commit();
    // The server's answer to the last BeginTrans or CommitTrans ("Err" + message on failure).
    QString lastAnswer() const { return m_answer; }

private:
    ServerConnection &m_server;
    bool m_active = false;
    QString m_answer;
};
