#include "transactionguard.h"

#include "korvanerror.h"
#include "serverconnection.h"

using namespace Qt::StringLiterals;

TransactionGuard::TransactionGuard(ServerConnection &server)
    : m_server(server)
{
    if (m_server.m_transactionDepth > 0 && m_server.m_transactionSession == m_server.sessionNumber()) {
        m_joined = true;
        m_active = true;
        ++m_server.m_transactionDepth;
        m_answer = u"Suc"_s;
        return;
    }
    m_server.m_transactionDepth = 0;
    m_answer = m_server.beginTrans();
    m_active = !m_answer.startsWith(u"Err"_s);
    if (m_active) {
        m_server.m_transactionDepth = 1;
        m_server.m_transactionFailed = false;
        m_server.m_transactionSession = m_server.sessionNumber();
    }
}

TransactionGuard::~TransactionGuard()
{
    if (!m_active)
        return;
    if (m_joined) {
        m_server.m_transactionFailed = true;
        --m_server.m_transactionDepth;
        return;
    }
    rollback();
}

void TransactionGuard::rollback()
{
    m_active = false;
    m_server.m_transactionDepth = 0;
    if (m_server.m_transactionSession != m_server.sessionNumber())
        return; // the session that held the transaction is gone, and with it the transaction
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
    if (m_joined) {
        m_active = false;
        --m_server.m_transactionDepth;
        return true;
    }
    if (m_server.m_transactionFailed) {
        rollback();
        m_answer = u"Err保存的一部分失败，全部未保存"_s;
        return false;
    }
    if (m_server.m_transactionSession != m_server.sessionNumber()) {
        rollback();
        m_answer = u"Err与服务器的连接中断过，事务未提交"_s;
        return false;
    }
    m_answer = m_server.commitTrans();
    if (m_answer.startsWith(u"Err"_s)) {
        rollback();
        return false;
    }
    m_active = false;
    m_server.m_transactionDepth = 0;
    return true;
}
