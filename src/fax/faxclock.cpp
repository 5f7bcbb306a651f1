#include "faxclock.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <algorithm>

void FaxClock::keepAlive()
{
    QCoreApplication::processEvents();
}

void FaxClock::sleep(int ms)
{
    const QDeadlineTimer deadline(std::max(0, ms / m_speedUp));
    keepAlive();
    // Short slices, so that the window stays responsive through a long pause.
    while (!deadline.hasExpired()) {
        const qint64 left = deadline.remainingTime();
        QThread::msleep(static_cast<unsigned long>(std::clamp<qint64>(left, 0, 10)));
        keepAlive();
    }
}
