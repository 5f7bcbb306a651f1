#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QMutex>
#include <QString>

#include <functional>

// Slows down guessing, counted both per user name and per client address:
// after FreeFailuresPerUser failed logins in a row for one name, or
// FreeFailuresPerAddress from one address, every further attempt for that
// name or from that address waits until the delay after the last failure
// has passed (doubling with every failure, up to MaxDelayMs). Attempts of
// one name or one address are checked one at a time, so that the cost of
// checking a password digest is paid only by attempts let through. An
// attempt that gives up while waiting (its client hung up) takes no turn
// from anybody. A name's count is cleared only by that name's own success;
// an address's only by ForgetAfterMs without a failure.
class LoginThrottle
{
    Q_DISABLE_COPY(LoginThrottle)
public:
    static constexpr int FreeFailuresPerUser = 5;
    static constexpr int FreeFailuresPerAddress = 10;
    static constexpr qint64 FirstDelayMs = 1000;
    static constexpr qint64 MaxDelayMs = 30000;
    static constexpr qint64 ForgetAfterMs = 15 * 60 * 1000;

    LoginThrottle();

    // Waits until this attempt may be checked and holds the turn of the name
    // and the address until finish(); false when giveUp() said to stop waiting
    // (then finish() is not called).
    bool begin(const QString &user, const QString &address, const std::function<bool()> &giveUp);

    enum class Outcome { Accepted, Refused, Undecided };
    struct Counts {
        int user = 0;
        int address = 0;
    };
    // Ends the attempt begun; returns the failures in a row counted now.
    Counts finish(const QString &user, const QString &address, Outcome outcome);

private:
    struct Entry {
        int failures = 0;
        qint64 lastFailure = 0;
        bool busy = false;
    };
    static qint64 delayAfter(int failures, int free);
    Entry &entry(const QString &key, qint64 now);
    bool ready(Entry &e, int free, qint64 now) const;
    void prune(qint64 now);

    QMutex m_mutex;
    QHash<QString, Entry> m_entries;
    QElapsedTimer m_clock;
};
