#include "loginthrottle.h"

#include <QThread>

using namespace Qt::StringLiterals;

namespace {

QString userKey(const QString &user)
{
    // Names compare without regard to case in 职员; a very long one counts
    // by its beginning.
    return u"u:"_s + user.left(64).toLower();
}

QString addressKey(const QString &address)
{
    return u"a:"_s + address;
}

} // namespace

LoginThrottle::LoginThrottle()
{
    m_clock.start();
}

qint64 LoginThrottle::delayAfter(int failures, int free)
{
    if (failures < free)
        return 0;
    const int doublings = qMin(failures - free, 16);
    return qMin(FirstDelayMs << doublings, MaxDelayMs);
}

LoginThrottle::Entry &LoginThrottle::entry(const QString &key, qint64 now)
{
    Entry &e = m_entries[key];
    if (e.failures > 0 && !e.busy && now - e.lastFailure > ForgetAfterMs)
        e = Entry();
    return e;
}

bool LoginThrottle::ready(Entry &e, int free, qint64 now) const
{
    return !e.busy && now >= e.lastFailure + delayAfter(e.failures, free);
}

void LoginThrottle::prune(qint64 now)
{
    if (m_entries.size() <= 10000) // many names or addresses: keep only those still counting
        return;
    for (auto it = m_entries.begin(); it != m_entries.end();)
        it = !it->busy && now - it->lastFailure > ForgetAfterMs ? m_entries.erase(it) : std::next(it);
}

bool LoginThrottle::begin(const QString &user, const QString &address, const std::function<bool()> &giveUp)
{
    const QString u = userKey(user);
    const QString a = addressKey(address);
    for (;;) {
        {
            QMutexLocker lock(&m_mutex);
            const qint64 now = m_clock.elapsed();
            prune(now);
            entry(u, now);
            Entry &ae = entry(a, now);
            Entry &ue = m_entries[u]; // present: no insertion moves ae
            if (ready(ue, FreeFailuresPerUser, now) && ready(ae, FreeFailuresPerAddress, now)) {
                ue.busy = true;
                ae.busy = true;
                return true;
            }
        }
        if (giveUp())
            return false;
        QThread::msleep(50);
    }
}

LoginThrottle::Counts LoginThrottle::finish(const QString &user, const QString &address, Outcome outcome)
{
    QMutexLocker lock(&m_mutex);
    const qint64 now = m_clock.elapsed();
    const QString u = userKey(user);
    entry(u, now);
    Entry &ae = entry(addressKey(address), now);
    Entry &ue = m_entries[u]; // present: no insertion moves ae
    ue.busy = false;
    ae.busy = false;
    if (outcome == Outcome::Refused) {
        for (Entry *e : {&ue, &ae}) {
            ++e->failures;
            e->lastFailure = now;
        }
    } else if (outcome == Outcome::Accepted) {
        ue = Entry();
    }
    return {ue.failures, ae.failures};
}
