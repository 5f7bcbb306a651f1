#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QMutex>
#include <QString>

#include <atomic>

// Slows down guessing: after FreeFailures failed logins in a row from one
// address, every further login from it waits its turn, one turn per attempt,
// a turn longer with every failure (doubling up to MaxDelayMs). Only the
// session that logs in waits; every other session goes on. A success, or
// ForgetAfterMs without a failure, clears the address.
class LoginThrottle
{
    Q_DISABLE_COPY(LoginThrottle)
public:
    static constexpr int FreeFailures = 5;
    static constexpr qint64 FirstDelayMs = 1000;
    static constexpr qint64 MaxDelayMs = 30000;
    static constexpr qint64 ForgetAfterMs = 15 * 60 * 1000;

    LoginThrottle();

    // Waits for this attempt's turn; false when stop was set meanwhile.
    bool waitTurn(const QString &address, const std::atomic_bool &stop);
    // Records a refused login; returns the failures in a row from address.
    int failed(const QString &address);
    void succeeded(const QString &address);

private:
    struct Entry {
        int failures = 0;
        qint64 lastFailure = 0;
        qint64 nextTurn = 0;
    };
    static qint64 delayAfter(int failures);
    Entry &entry(const QString &address, qint64 now);

    QMutex m_mutex;
    QHash<QString, Entry> m_entries;
    QElapsedTimer m_clock;
};
