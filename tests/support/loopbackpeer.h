#pragma once

// A program of the test's own on 127.0.0.1 (a relay, an impostor, an older
// server), run in a thread of its own, since the client's calls block the
// test's thread. A subclass serves the listener in serve() until stopping();
// its constructor calls begin(), which returns once port() is known.
//
// The listener hands out QSslSockets, which talk in clear until the peer
// starts encryption: a peer that poses as an encrypting server takes the
// socket as it is (qobject_cast<QSslSocket *>) instead of opening a second
// socket on the same descriptor.

#include <QSemaphore>
#include <QSslSocket>
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
    // The same, for code that watches the flag itself (a TLS handshake).
    const std::atomic_bool &stopFlag() const { return m_stop; }

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
    class Listener : public QTcpServer
    {
    protected:
        void incomingConnection(qintptr descriptor) override
        {
            auto *socket = new QSslSocket(this);
            socket->setSocketDescriptor(descriptor);
            addPendingConnection(socket);
        }
    };

    void run() override
    {
        Listener listener;
        listener.listen(QHostAddress::LocalHost);
        m_port = listener.serverPort();
        m_ready.release();
        serve(listener);
    }

    int m_port = 0;
    QSemaphore m_ready;
    std::atomic_bool m_stop{false};
};
