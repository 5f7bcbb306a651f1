#include "transactionguard.h"

#include "korvanerror.h"
#include "serverconnection.h"

TransactionGuard::TransactionGuard(ServerConnection &server)
    : m_server(server)
{
    m_answer = m_server.beginTrans();
    m_active = !m_answer.startsWith(QLatin1StringView("Err"));
}

TransactionGuard::~TransactionGuard()
{
    if (!m_active)
        return;
    try {
        m_server.rollbackTrans();
    } catch (const KorvanError &) {
        // The connection is gone; the server rolls the session back itself.
    }
}

bool TransactionGuard::commit()
{
    if (!m_active)
        return false;
    m_answer = m_server.commitTrans();
    const bool ok = !m_answer.startsWith(QLatin1StringView("Err"));
    if (ok)
        m_active = false;
    return ok;
}
