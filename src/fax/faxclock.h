#pragma once

// The fax driver's sense of time. Every pause of the driver goes through
// sleep(), which keeps the user interface alive while it waits. The pauses
// are those a real modem needs; tests make the clock run faster with
// setSpeedUp() so that a whole call takes a fraction of its real time.
class FaxClock
{
public:
    // Lets the user interface process its pending events.
    void keepAlive();

    // Waits ms milliseconds (ms / speedUp() when sped up), processing events
    // all the while.
    void sleep(int ms);

    int speedUp() const { return m_speedUp; }
    // factor 1 is real time; values below 1 count as 1.
    void setSpeedUp(int factor) { m_speedUp = factor < 1 ? 1 : factor; }

private:
    int m_speedUp = 1;
};
