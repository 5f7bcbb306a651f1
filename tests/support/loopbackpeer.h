#pragma once

// A program of the test's own on 127.0.0.1 (a relay, an impostor, an older
// server), run in a thread of its own, since the client's calls block the
// test's thread. A subclass serves the listener in serve() until stopping();
// its constructor calls begin(), which returns once port() is known.

#include <QSemaphore>
#include <QTcpServer>
#include <QThread>

#include <atomic>

class LoopbackPeer : public QThread
{
public:
    ~LoopbackPeer() override { finish(); }
    int port() const { return m_port; }

protected:
    virtual void serve(QTcpServer &listener) = 0;
    bool stopping() const { return m_stop; }

    void begin()
    {
        start();
        m_ready.acquire();
    }
    // Called by the subclass's destructor, while its members still live.
    void finish()
    {
        m_stop = true;
        wait();
    }

private:
    void run() override
    {
        QTcpServer listener;
        listener.listen(QHostAddress::LocalHost);
        m_port = listener.serverPort();
        m_ready.release();
        serve(listener);
    }

    int m_port = 0;
    QSemaphore m_ready;
    std::atomic_bool m_stop{false};
};
