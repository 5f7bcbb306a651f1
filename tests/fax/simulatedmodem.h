#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QString>

#include <atomic>
#include <thread>

// A Class 2 fax modem on a real pseudo-terminal, for tests of everything that
// faxes. The driver opens slavePath() as it would open a serial port; the
// modem answers on the master side from its own thread: it echoes every AT
// command, answers +FCLASS=?, dialling (+FCON, +FDIS:, OK), +FDT (+FDCS:,
// CONNECT, then DC1 once it has received DC2), takes the page data up to
// DLE ETX (undoing DLE doubling) and reports +FPTS: on +FET. What it
// received is kept for the test: the commands and each page's data, which
// decodePage() turns back into a bitmap with netpbm's g3topbm.
//
// Set the behaviour with setSettings() before the driver connects.
class SimulatedModem
{
public:
    struct Settings {
        bool echo = true;
        QByteArray noEchoFor;                     // commands starting so are not echoed
        QByteArray classes = "0,1,2,2.0";          // answer to +FCLASS=?
        QByteArray dialAnswer = "+FCON";           // first line after dialling
        QByteArray fdis = "+FDIS:1,5,0,2,0,0,0,0";
        QByteArray fdcs = "+FDCS:1,5,0,2,0,0,0,0"; // sent on every +FDT; empty: none
        QList<int> pageResults;                    // +FPTS: of each +FET, then 1
        QMap<QByteArray, QByteArray> before;       // command prefix -> raw text sent after its echo
        QMap<QByteArray, QByteArray> replace;      // command prefix -> raw text instead of its answer
        int lineAfterPageBytes = -1;               // during page data, after so many bytes ...
        QByteArray lineDuringPage;                 // ... send this raw text
        int xoffAfterPageBytes = -1;               // during page data, after so many bytes ...
        int xoffMs = 0;                            // ... send XOFF, wait, send XON
    };

    SimulatedModem();
    ~SimulatedModem();
    SimulatedModem(const SimulatedModem &) = delete;
    SimulatedModem &operator=(const SimulatedModem &) = delete;

    // False (with errorString()) when no pseudo-terminal could be had.
    bool isValid() const { return m_master >= 0; }
    QString errorString() const { return m_error; }
    // The device for the driver to open (/dev/pts/N).
    QString slavePath() const { return m_slavePath; }

    void setSettings(const Settings &settings);

    // What the modem received: the command lines without "AT" and CR, and the
    // page data of every +FDT (DLE doubling undone, DLE ETX removed).
    QList<QByteArray> commands() const;
    QList<QByteArray> pages() const;
    // Whether the driver had XON/XOFF output control on when its DC2 arrived
    // and when the first page byte arrived, one entry per page sent.
    QList<bool> xonXoffAtDc2() const;
    QList<bool> xonXoffAtPageData() const;

    // Decodes Group 3 page data (bits least significant first, as a Class 2
    // modem receives them) with g3topbm into a bitmap whose every line must be
    // width pels; a null image and *error on failure.
    static QImage decodePage(const QByteArray &data, QString *error = nullptr, int width = 1728);

private:
    enum class Mode { Command, WaitDc2, Data };

    void run();
    void received(char c);
    void commandLine(const QByteArray &line);
    void pageByte(char c);
    void send(const QByteArray &data);
    bool slaveXonXoff() const;

    int m_master = -1;
    int m_slave = -1; // held open so the master never sees a hang-up between calls
    QString m_slavePath;
    QString m_error;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};

    mutable QMutex m_mutex;
    Settings m_settings;
    QList<QByteArray> m_commands;
    QList<QByteArray> m_pages;
    QList<bool> m_xonAtDc2;
    QList<bool> m_xonAtData;

    // Owned by the modem thread.
    Mode m_mode = Mode::Command;
    QByteArray m_line;
    bool m_dle = false;
    int m_pageBytes = 0;
};
