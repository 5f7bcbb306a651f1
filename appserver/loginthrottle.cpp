#include "loginthrottle.h"

#include <QThread>

LoginThrottle::LoginThrottle()
{
    m_clock.start();
}

qint64 LoginThrottle::delayAfter(int failures)
{
    const int doublings = qMin(failures - FreeFailures, 16);
    return qMin(FirstDelayMs << doublings, MaxDelayMs);
}

LoginThrottle::Entry &LoginThrottle::entry(const QString &address, qint64 now)
{
    Entry &e = m_entries[address];
    if (e.failures > 0 && now - e.lastFailure > ForgetAfterMs)
        e = Entry();
    return e;
}

bool LoginThrottle::waitTurn(const QString &address, const std::atomic_bool &stop)
{
    qint64 turn = 0;
    {
        QMutexLocker lock(&m_mutex);
        const qint64 now = m_clock.elapsed();
        Entry &e = entry(address, now);
        if (e.failures < FreeFailures)
            return true;
        // Attempts made at the same time line up one turn apart.
        turn = qMax(now, e.nextTurn);
        e.nextTurn = turn + delayAfter(e.failures);
    }
    while (m_clock.elapsed() < turn) {
        if (stop)
            return false;
        QThread::msleep(ulong(qMin<qint64>(100, turn - m_clock.elapsed())));
    }
    return !stop;
}

int LoginThrottle::failed(const QString &address)
{
    QMutexLocker lock(&m_mutex);
    const qint64 now = m_clock.elapsed();
    if (m_entries.size() > 10000) { // many addresses: keep only those still counting
        for (auto it = m_entries.begin(); it != m_entries.end();)
            it = now - it->lastFailure > ForgetAfterMs ? m_entries.erase(it) : std::next(it);
    }
    Entry &e = entry(address, now);
    ++e.failures;
    e.lastFailure = now;
    if (e.failures >= FreeFailures)
        e.nextTurn = qMax(e.nextTurn, now + delayAfter(e.failures));
    return e.failures;
}

void LoginThrottle::succeeded(const QString &address)
{
    QMutexLocker lock(&m_mutex);
    m_entries.remove(address);
}
