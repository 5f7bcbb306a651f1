#include "simulatedmodem.h"

#include <QFile>
#include <QMutexLocker>
#include <QProcess>
#include <QTemporaryFile>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr char DC1 = 0x11;
constexpr char DC2 = 0x12;
constexpr char DC3 = 0x13;
constexpr char DLE = 0x10;
constexpr char ETX = 0x03;

QByteArray reply(const QByteArray &line)
{
    return "\r\n" + line + "\r\n";
}

} // namespace

SimulatedModem::SimulatedModem()
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        m_error = u"posix_openpt: "_s + QString::fromLocal8Bit(std::strerror(errno));
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
        return;
    }
    m_slavePath = QString::fromLocal8Bit(::ptsname(m_master));
    m_slave = ::open(::ptsname(m_master), O_RDWR | O_NOCTTY);
    if (m_slave >= 0) {
        // Raw until the driver sets the line up (and again after it closes).
        termios tio;
        if (::tcgetattr(m_slave, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::tcsetattr(m_slave, TCSANOW, &tio);
        }
    }
    m_thread = std::thread([this] { run(); });
}

SimulatedModem::~SimulatedModem()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
}

void SimulatedModem::setSettings(const Settings &settings)
{
    QMutexLocker lock(&m_mutex);
    m_settings = settings;
}

QList<QByteArray> SimulatedModem::commands() const
{
    QMutexLocker lock(&m_mutex);
    return m_commands;
}

QList<QByteArray> SimulatedModem::pages() const
{
    QMutexLocker lock(&m_mutex);
    return m_pages;
}

QList<bool> SimulatedModem::xonXoffAtDc2() const
{
    QMutexLocker lock(&m_mutex);
    return m_xonAtDc2;
}

QList<bool> SimulatedModem::xonXoffAtPageData() const
{
    QMutexLocker lock(&m_mutex);
    return m_xonAtData;
}

void SimulatedModem::run()
{
    char buffer[4096];
    while (!m_stop) {
        pollfd pfd{m_master, POLLIN, 0};
        const int ready = ::poll(&pfd, 1, 5);
        if (ready <= 0 || !(pfd.revents & POLLIN))
            continue;
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        for (ssize_t i = 0; i < n; ++i)
            received(buffer[i]);
    }
}

void SimulatedModem::send(const QByteArray &data)
{
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(m_master, data.constData() + done, static_cast<size_t>(data.size() - done));
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return;
        }
        done += n;
    }
}

bool SimulatedModem::slaveXonXoff() const
{
    termios tio;
    return m_slave >= 0 && ::tcgetattr(m_slave, &tio) == 0 && (tio.c_iflag & IXON);
}

void SimulatedModem::received(char c)
{
    switch (m_mode) {
    case Mode::Command:
        if (c == '\n')
            return;
        if (c != '\r') {
            m_line.append(c);
            return;
        }
        commandLine(m_line);
        m_line.clear();
        return;
    case Mode::WaitDc2:
        if (c != DC2)
            return;
        {
            QMutexLocker lock(&m_mutex);
            m_xonAtDc2.append(slaveXonXoff());
        }
        m_mode = Mode::Data;
        m_dle = false;
        m_pageBytes = 0;
        send(QByteArray(1, DC1));
        return;
    case Mode::Data:
        pageByte(c);
        return;
    }
}

void SimulatedModem::pageByte(char c)
{
    Settings settings;
    {
        QMutexLocker lock(&m_mutex);
        if (m_pageBytes == 0)
            m_xonAtData.append(slaveXonXoff());
        ++m_pageBytes;
        if (m_dle) {
            m_dle = false;
            if (c == ETX) {
                m_mode = Mode::Command;
                lock.unlock();
                send(reply("OK"));
                return;
            }
            m_pages.last().append(DLE);
            if (c != DLE)
                m_pages.last().append(c);
        } else if (c == DLE) {
            m_dle = true;
        } else {
            m_pages.last().append(c);
        }
        settings = m_settings;
    }
    if (m_pageBytes == settings.lineAfterPageBytes)
        send(settings.lineDuringPage);
    if (m_pageBytes == settings.xoffAfterPageBytes) {
        send(QByteArray(1, DC3));
        std::this_thread::sleep_for(std::chrono::milliseconds(settings.xoffMs));
        send(QByteArray(1, DC1));
    }
}

void SimulatedModem::commandLine(const QByteArray &line)
{
    if (!line.toUpper().startsWith("AT"))
        return;
    const QByteArray command = line.mid(2);
    Settings settings;
    int pageResult = 1;
    {
        QMutexLocker lock(&m_mutex);
        m_commands.append(command);
        if (command.startsWith("+FET") && !m_settings.pageResults.isEmpty())
            pageResult = m_settings.pageResults.takeFirst();
        if (command.startsWith("+FDT"))
            m_pages.append(QByteArray());
        settings = m_settings;
    }

    QByteArray out;
    if (settings.echo && (settings.noEchoFor.isEmpty() || !command.startsWith(settings.noEchoFor)))
        out += line + '\r';
    for (auto it = settings.before.cbegin(); it != settings.before.cend(); ++it) {
        if (command.startsWith(it.key()))
            out += it.value();
    }
    bool replaced = false;
    for (auto it = settings.replace.cbegin(); it != settings.replace.cend(); ++it) {
        if (command.startsWith(it.key())) {
            out += it.value();
            replaced = true;
        }
    }
    if (!replaced) {
        if (command.startsWith("+FCLASS=?")) {
            out += reply(settings.classes) + reply("OK");
        } else if (command.toUpper().startsWith("D")) {
            out += reply(settings.dialAnswer) + reply(settings.fdis) + reply("OK");
        } else if (command.startsWith("+FDT")) {
            if (!settings.fdcs.isEmpty())
                out += reply(settings.fdcs);
            out += reply("CONNECT");
            m_mode = Mode::WaitDc2;
        } else if (command.startsWith("+FET")) {
            out += reply("+FPTS:" + QByteArray::number(pageResult));
            if (command.startsWith("+FET=2"))
                out += reply("+FHNG:0");
            out += reply("OK");
        } else {
            out += reply("OK");
        }
    }
    send(out);
}

QImage SimulatedModem::decodePage(const QByteArray &data, QString *error, int width)
{
    QTemporaryFile file;
    if (!file.open() || file.write(data) != data.size() || !file.flush()) {
        if (error)
            *error = u"cannot write the page data"_s;
        return {};
    }
    QProcess g3topbm;
    g3topbm.start(u"g3topbm"_s, {u"-reversebits"_s, u"-stop_error"_s, u"-width="_s + QString::number(width), file.fileName()});
    if (!g3topbm.waitForFinished(60000) || g3topbm.exitStatus() != QProcess::NormalExit
        || g3topbm.exitCode() != 0) {
        if (error)
            *error = u"g3topbm: "_s + g3topbm.errorString() + u' '
                     + QString::fromLocal8Bit(g3topbm.readAllStandardError());
        return {};
    }
    QImage image = QImage::fromData(g3topbm.readAllStandardOutput(), "PBM");
    if (image.isNull() && error)
        *error = u"g3topbm wrote no readable PBM"_s;
    return image;
}
