#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

class QSerialPort;

// The serial port as the fax driver uses it: raw bytes at 19200 8N1, a read
// that returns at once when no byte is waiting (after at most 1 ms), a write
// that must finish within 10 s, DTR and RTS raised, both queues purged on
// demand, and XON/XOFF output control that can be switched off and on.
// Every operation on a closed port fails (purge does nothing).
class FaxSerialPort
{
public:
    enum class Flow { None, Cts, Dsr, XonXoff };
    enum class ReadResult { Byte, Nothing, Failed };
    // NotSupported: the device has no modem-control lines (a pseudo-terminal,
    // some USB adapters), so there is nothing to raise.
    enum class SignalResult { Raised, NotSupported, Failed };

    static constexpr int ReadTimeoutMs = 1;
    static constexpr int WriteTimeoutMs = 10000;

    FaxSerialPort();
    ~FaxSerialPort();
    FaxSerialPort(const FaxSerialPort &) = delete;
    FaxSerialPort &operator=(const FaxSerialPort &) = delete;

    // Opens device for reading and writing, exclusively.
    bool open(const QString &device);
    void close();
    bool isOpen() const;

    bool setQueueSizes(int input, int output);
    // Reads the current line settings (fails on a device that has none).
    bool readSettings();
    // 19200 baud, 8 data bits, no parity, 1 stop bit, with the flow control.
    bool applySettings(Flow flow);
    // XON (17) / XOFF (19) output control of the driver's own sending.
    bool setXonXoffOutput(bool on);

    SignalResult raiseDtr();
    SignalResult raiseRts();

    void purge();
    ReadResult readByte(char &byte);
    bool write(const QByteArray &data);

    QString errorString() const;

private:
    SignalResult signalResult(bool ok);

    std::unique_ptr<QSerialPort> m_port;
};
