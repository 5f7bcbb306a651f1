#include "transactionguard.h"

#include "korvanerror.h"
#include "serverconnection.h"

TransactionGuard::TransactionGuard(ServerConnection &server)
    : m_server(server)
{
    m_active = !m_server.beginTrans().startsWith(QLatin1StringView("Err"));
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
    const bool ok = !m_server.commitTrans().startsWith(QLatin1StringView("Err"));
    if (ok)
        m_active = false;
    return ok;
}
