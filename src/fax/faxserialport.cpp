#include "faxserialport.h"

#include <QDeadlineTimer>
#include <QSerialPort>

#include <cerrno>
#include <termios.h>

FaxSerialPort::FaxSerialPort() : m_port(std::make_unique<QSerialPort>()) {}

FaxSerialPort::~FaxSerialPort()
{
    close();
}

bool FaxSerialPort::open(const QString &device)
{
    close();
    if (device.isEmpty())
        return false;
    m_port->setPortName(device);
    return m_port->open(QIODevice::ReadWrite);
}

void FaxSerialPort::close()
{
    if (m_port->isOpen())
        m_port->close();
    m_port->clearError();
}

bool FaxSerialPort::isOpen() const
{
    return m_port->isOpen();
}

bool FaxSerialPort::setQueueSizes(int input, int output)
{
    Q_UNUSED(output) // the output queue grows as needed; writes wait until it is sent
    if (!isOpen() || input <= 0)
        return false;
    m_port->setReadBufferSize(input);
    return true;
}

bool FaxSerialPort::readSettings()
{
    termios tio;
    return isOpen() && ::tcgetattr(static_cast<int>(m_port->handle()), &tio) == 0;
}

bool FaxSerialPort::applySettings(Flow flow)
{
    if (!isOpen())
        return false;
    bool ok = m_port->setBaudRate(QSerialPort::Baud19200) && m_port->setDataBits(QSerialPort::Data8)
              && m_port->setParity(QSerialPort::NoParity) && m_port->setStopBits(QSerialPort::OneStop);
    // POSIX terminals know no DSR output handshake: such a port runs without one.
    ok = ok && m_port->setFlowControl(flow == Flow::Cts ? QSerialPort::HardwareControl : QSerialPort::NoFlowControl);
    if (ok && flow == Flow::XonXoff)
        ok = setXonXoffOutput(true);
    return ok;
}

bool FaxSerialPort::setXonXoffOutput(bool on)
{
    if (!isOpen())
        return false;
    const int fd = static_cast<int>(m_port->handle());
    termios tio;
    if (::tcgetattr(fd, &tio) != 0)
        return false;
    // Output control only: the driver never sends XOFF itself, and only XON
    // (not any byte) restarts its output.
    tio.c_iflag &= ~static_cast<tcflag_t>(IXOFF | IXANY);
    if (on)
        tio.c_iflag |= IXON;
    else
        tio.c_iflag &= ~static_cast<tcflag_t>(IXON);
    tio.c_cc[VSTART] = 17;
    tio.c_cc[VSTOP] = 19;
    return ::tcsetattr(fd, TCSANOW, &tio) == 0;
}

FaxSerialPort::SignalResult FaxSerialPort::signalResult(bool ok)
{
    if (ok)
        return SignalResult::Raised;
    // A pseudo-terminal or an adapter without modem-control lines answers
    // ENOTTY / EINVAL to the modem-line ioctl.
    const QSerialPort::SerialPortError error = m_port->error();
    m_port->clearError();
    if (error == QSerialPort::UnsupportedOperationError)
        return SignalResult::NotSupported;
    if (error == QSerialPort::UnknownError && (errno == ENOTTY || errno == EINVAL))
        return SignalResult::NotSupported;
    return SignalResult::Failed;
}

FaxSerialPort::SignalResult FaxSerialPort::raiseDtr()
{
    if (!isOpen())
        return SignalResult::Failed;
    errno = 0;
    return signalResult(m_port->setDataTerminalReady(true));
}

FaxSerialPort::SignalResult FaxSerialPort::raiseRts()
{
    if (!isOpen())
        return SignalResult::Failed;
    errno = 0;
    return signalResult(m_port->setRequestToSend(true));
}

void FaxSerialPort::purge()
{
    if (isOpen())
        m_port->clear(QSerialPort::AllDirections);
}

FaxSerialPort::ReadResult FaxSerialPort::readByte(char &byte)
{
    if (!isOpen())
        return ReadResult::Failed;
    if (m_port->bytesAvailable() == 0 && !m_port->waitForReadyRead(ReadTimeoutMs)) {
        const QSerialPort::SerialPortError error = m_port->error();
        m_port->clearError();
        if (error != QSerialPort::NoError && error != QSerialPort::TimeoutError)
            return ReadResult::Failed;
        if (!isOpen())
            return ReadResult::Failed;
    }
    if (m_port->bytesAvailable() == 0)
        return ReadResult::Nothing;
    return m_port->getChar(&byte) ? ReadResult::Byte : ReadResult::Failed;
}

bool FaxSerialPort::write(const QByteArray &data)
{
    if (!isOpen())
        return false;
    if (data.isEmpty())
        return true;
    if (m_port->write(data) != data.size())
        return false;
    const QDeadlineTimer deadline(WriteTimeoutMs);
    while (m_port->bytesToWrite() > 0) {
        if (deadline.hasExpired() || !m_port->waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) {
            m_port->clearError();
            return false;
        }
    }
    return true;
}

QString FaxSerialPort::errorString() const
{
    return m_port->errorString();
}
