#pragma once

#include <QString>

class ServerConnection;

// A scoped transaction on the server connection.
//
// The outermost guard sends BeginTrans on construction; commit() sends
// CommitTrans, and a guard that goes out of scope without commit() rolls
// back, so no path (an error answer, an exception, an early return) leaves a
// transaction open on the server.
//
// A guard opened while another is open on the same connection joins that
// transaction: it sends neither BeginTrans nor CommitTrans. Its commit() only
// says the inner part went well; when it ends without commit(), the outer
// guard's commit() refuses and rolls the whole transaction back. So a save
// that calls another save (a job row, then its cargo rows) is stored whole or
// not at all.
//
//     TransactionGuard transaction(server);
//     if (!transaction.begun())
//         return report(transaction.lastAnswer());
//     ... statements, each answer checked ...
//     if (!transaction.commit())
//         return report(transaction.lastAnswer());
class TransactionGuard
{
    Q_DISABLE_COPY(TransactionGuard)
public:
    explicit TransactionGuard(ServerConnection &server);
    ~TransactionGuard();

    // True when this guard takes part in a transaction: the outermost one's
    // BeginTrans was answered without "Err", or it joined an open one.
    bool begun() const { return m_active; }
    // True when this guard joined a transaction an outer guard opened.
    bool joined() const { return m_joined; }
    // The outermost guard: CommitTrans; false (and rolled back) when the server
    // refused it, an inner guard failed, or the connection was lost since
    // BeginTrans. An inner guard: true, ending its part of the transaction.
    bool commit();
    // The server's answer to the last BeginTrans or CommitTrans ("Err" + message on failure).
    QString lastAnswer() const { return m_answer; }

private:
    void rollback();

    ServerConnection &m_server;
    bool m_active = false;
    bool m_joined = false;
    QString m_answer;
};
