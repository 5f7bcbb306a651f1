#include "tfax.h"

#include "efaxerror.h"
#include "faxhangupcodes.h"
#include "faxpagecoder.h"
#include "faxportmap.h"
#include "messageservice.h"
#include "textcodec.h"

#include <QCursor>
#include <QGuiApplication>
#include <QImage>
#include <QRect>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

constexpr char CR = '\r';
constexpr char LF = '\n';
constexpr char DC1 = 0x11;
constexpr char DC2 = 0x12;
constexpr char DLE = 0x10;
constexpr char ETX = 0x03;
// The start of every hang-up warning.
const QString HangupPrefix = QStringLiteral("Modem hangup: ");

// The hourglass for the length of a public operation, restored on every way out.
class WaitCursor
{
public:
    WaitCursor() : m_shown(qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr)
    {
        if (m_shown)
            QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    }
    ~WaitCursor()
    {
        if (m_shown)
            QGuiApplication::restoreOverrideCursor();
    }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;

private:
    bool m_shown;
};

QString text(const QByteArray &bytes)
{
    return TextCodec::decode(bytes);
}

QByteArray bytes(const QString &s)
{
    return TextCodec::encode(s);
}

QByteArray textAfter(const QByteArray &response, const QByteArray &marker)
{
    const qsizetype at = response.indexOf(marker);
    return at < 0 ? QByteArray() : response.mid(at + marker.size(), 255);
}

} // namespace

TFax::TFax(QObject *parent)
    : QObject(parent), m_modemInitStr(u"&FE1Q0V1S0=0"_s), m_modemResetStr(u"Z"_s)
{
}

TFax::~TFax()
{
    m_port.close();
}

void TFax::fail(const QString &message)
{
    setStatus(fsIdle);
    m_port.close();
    MessageService::current().show({u"提示"_s, message, MessageService::Icon::Warning, MessageService::Ok});
    throw EFaxError(message);
}

void TFax::Abort()
{
    if (m_status != fsIdle)
        m_abortRequested = true;
}

void TFax::stopIfAborted()
{
    if (!m_abortRequested)
        return;
    m_abortRequested = false;
    m_port.close();
    setStatus(fsAborted);
    m_status = fsIdle; // the next call may begin; the status line keeps 放弃
    throw EFaxError(AbortText);
}

void TFax::setStatus(TFaxStatus status)
{
    m_status = status;
    if (m_onStatusChange)
        m_onStatusChange(*this);
    emit statusChanged(status);
}

// ---------------------------------------------------------------- the port

QString TFax::portName() const
{
    if (!m_portDevice.isEmpty())
        return m_portDevice;
    const int index = static_cast<int>(m_faxDevice);
    if (index < fdCOM1 || index > fdCOM4)
        return {};
    return u"COM"_s + QString::number(index + 1) + u':';
}

void TFax::openPort()
{
    if (m_status != fsIdle)
        return;
    const QString name = portName();
    if (name.isEmpty())
        fail(u"Invalid fax communications port"_s);
    const QString device = m_portDevice.isEmpty() ? FaxPortMap::deviceFor(name.chopped(1)) : m_portDevice;
    if (!m_port.open(device))
        fail(u"无法打开断口: "_s + name + u" 请确定正确的端口号!"_s);
    setStatus(fsDeviceOpen);
    try {
        if (!m_port.setQueueSizes(2048, 2048))
            fail(u"Error allocating serial I/O buffers"_s);
        if (!m_port.readSettings())
            fail(u"GetCommState call failed"_s);
        FaxSerialPort::Flow flow = FaxSerialPort::Flow::None;
        switch (m_flowControl) {
        case fcCTS: flow = FaxSerialPort::Flow::Cts; break;
        case fcDSR: flow = FaxSerialPort::Flow::Dsr; break;
        case fcXOFF: flow = FaxSerialPort::Flow::XonXoff; break;
        case fcNone: break;
        }
        if (!m_port.applySettings(flow))
            fail(u"SetCommState call failed"_s);
        // Time-outs are those of FaxSerialPort: reads return after at most
        // 1 ms, writes must be done within 10 s.
        if (m_port.raiseDtr() == FaxSerialPort::SignalResult::Failed)
            fail(u"Error raising DTR signal"_s);
        if (m_port.raiseRts() == FaxSerialPort::SignalResult::Failed)
            fail(u"Error raising RTS signal"_s);
    } catch (const EFaxError &) {
        // Shown already and the port is closed: the first write of the call
        // fails and ends it.
    }
}

void TFax::writeText(QByteArray data)
{
    if (m_onCommTransmit)
        m_onCommTransmit(*this, data);
    writeData(data);
}

void TFax::writeData(const QByteArray &data)
{
    stopIfAborted();
    if (!m_port.write(data))
        fail(u"Error writing to communications port"_s);
}

void TFax::purge()
{
    m_port.purge();
}

QByteArray TFax::readLine()
{
    stopIfAborted();
    QByteArray line;
    for (;;) {
        char c = 0;
        const FaxSerialPort::ReadResult result = m_port.readByte(c);
        if (result == FaxSerialPort::ReadResult::Failed)
            fail(u"Error reading from communications port"_s);
        if (result == FaxSerialPort::ReadResult::Nothing)
            break;
        if (c == LF)
            continue;
        line.append(c);
        if (c == CR)
            break;
    }
    if (!line.isEmpty()) {
        if (m_onCommReceive)
            m_onCommReceive(*this, line);
        if (line.contains("+FHNG:"))
            checkHangup(line);
    }
    return line;
}

void TFax::checkHangup(const QByteArray &line)
{
    QByteArray digits;
    for (qsizetype i = line.indexOf("+FHNG:") + 6; i < line.size(); ++i) {
        const char c = line.at(i);
        if (c >= '0' && c <= '9')
            digits.append(c);
        else if (c != ' ')
            break;
    }
    if (std::all_of(digits.cbegin(), digits.cend(), [](char c) { return c == '0'; }))
        return; // code 0 (or none): the normal and proper end of a call
    bool ok = false;
    const int code = digits.toInt(&ok);
    QString message = ok ? FaxHangupCodes::message(code) : QString();
    if (message.isEmpty())
        message = u"Error "_s + QString::fromLatin1(digits);
    fail(HangupPrefix + message);
}

QByteArray TFax::printable(const QByteArray &line)
{
    QByteArray out;
    out.reserve(line.size());
    for (char c : line) {
        const auto u = static_cast<uchar>(c);
        if (u >= 32 && u <= 127)
            out.append(c);
    }
    return out;
}

int TFax::field(const QByteArray &response, int k, int defaultValue)
{
    qsizetype pos = 0;
    for (int skip = 1; skip < k; ++skip) {
        pos = response.indexOf(',', pos);
        if (pos < 0)
            return defaultValue;
        ++pos;
    }
    QByteArray digits;
    for (; pos < response.size() && response.at(pos) != ','; ++pos) {
        if (response.at(pos) >= '0' && response.at(pos) <= '9')
            digits.append(response.at(pos));
    }
    bool ok = false;
    const int value = digits.toInt(&ok);
    return ok ? value : defaultValue;
}

// ------------------------------------------------------ commands and waits

void TFax::command(const QByteArray &s)
{
    const QByteArray echo = "AT" + s;
    purge();
    writeText(echo + CR);
    m_clock.sleep(200);
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (readLine().startsWith(echo))
            return;
        m_clock.keepAlive();
        m_clock.sleep(200);
    }
    fail(u"等待超时: "_s + text(echo));
}

QByteArray TFax::waitResponse(int attempts, int pauseMs)
{
    for (int attempt = 0; attempt < attempts; ++attempt) {
        const QByteArray response = printable(readLine());
        if (!response.isEmpty())
            return response;
        m_clock.keepAlive();
        m_clock.sleep(pauseMs);
    }
    fail(u"No response from modem"_s);
}

QByteArray TFax::waitText(const QByteArray &w)
{
    try {
        for (;;) {
            const QByteArray response = waitResponse(1000, 250);
            if (response.contains(w))
                return response;
        }
    } catch (const EFaxError &error) {
        // A hang-up or a stop is the reason itself, shown once.
        if (error.message().startsWith(HangupPrefix) || error.message() == AbortText)
            throw;
        fail(u"Error waiting for "_s + QString::fromLatin1(w) + u" response"_s);
    }
}

// ------------------------------------------------------------------ Connect

bool TFax::Connect()
{
    WaitCursor wait;
    m_abortRequested = false;
    m_pageNumber = 1;
    m_minBytesPerLine = 0;
    openPort();

    setStatus(fsModemSetup);
    writeText("AT" + bytes(m_modemInitStr) + CR);
    m_clock.sleep(1000);
    purge();

    command("+FCLASS=?");
    QByteArray classes;
    try {
        classes = waitResponse(1000, 250);
    } catch (const EFaxError &) {
        classes.clear(); // shown; the class check below ends the call
    }
    bool class2 = false;
    for (const QByteArray &item : classes.split(',')) {
        QByteArray kept;
        for (char c : item) {
            if ((c >= '0' && c <= '9') || c == '.')
                kept.append(c);
        }
        class2 = class2 || kept == "2";
    }
    if (!class2)
        fail(u"此Modem不支持Class2,请更换较新的Modem!"_s);

    command("+FCLASS=2");
    command("+FLID=\"" + bytes(m_faxIdentification) + '"');
    command(m_faxMode == fmFine ? "+FDCC=1" : "+FDCC=0");

    setStatus(fsDialling);
    command((m_dialType == dtPulse ? "DP" : "DT") + bytes(m_phoneNo));
    QByteArray answer;
    try {
        answer = waitResponse(45, 1000);
    } catch (const EFaxError &) {
        answer.clear();
    }
    if (!answer.contains("+FCON"))
        fail(u"无法拨号 Response: "_s + text(answer));

    setStatus(fsWaitingForConnect);
    m_negotiationParameters = text(textAfter(waitText("+FDIS:"), "+FDIS:"));
    waitText("OK");

    setStatus(fsWaitingForPage);
    return true;
}

// ----------------------------------------------------------------- SendPage

bool TFax::SendPage(const QImage &canvas, const QRect &rect, bool morePages)
{
    if (m_status != fsWaitingForPage)
        return false;
    WaitCursor wait;
    setStatus(fsSendingPage);

    for (int sends = 1;; ++sends) {
        transmitPage(canvas, rect, morePages);
        // A failed wait for the page report (a hang-up in its place) ends the
        // call with its own reason.
        const int result = field(waitText("+FPTS:"), 1, 1);
        if (result % 2 == 1)
            break;
        if (sends >= 3)
            fail(u"Too many bad pages. Transmission aborted."_s);
    }

    if (morePages) {
        ++m_pageNumber;
        setStatus(fsWaitingForPage);
        return false;
    }
    command(bytes(m_modemResetStr));
    purge();
    m_port.close();
    setStatus(fsIdle);
    return true;
}

void TFax::transmitPage(const QImage &canvas, const QRect &rect, bool morePages)
{
    purge();
    // The modem's DC1 must reach us, not be taken as XON.
    if (m_flowControl == fcXOFF)
        m_port.setXonXoffOutput(false);
    m_clock.sleep(1000);

    command("+FDT");
    if (m_pageNumber == 1)
        readSessionParameters(waitText("+FDCS:"));
    waitText("CONNECT");
    writeText(QByteArray(1, DC2));
    waitForPageStart();
    if (m_flowControl == fcXOFF)
        m_port.setXonXoffOutput(true);

    try {
        // Normal resolution sends every second fine line; no page is longer
        // than the resolution's A4 page.
        FaxPageCoder(canvas, rect, m_scaleFactorX, m_scaleFactorY)
            .setLines(m_faxMode == fmFine ? 1 : 2, pageHeight())
            .code(m_minBytesPerLine, [this](const QByteArray &data) { writeData(data); },
                  [this] { readLine(); }); // catches a hang-up report during the page
    } catch (const EFaxError &) {
        throw;
    } catch (const KorvanError &e) {
        fail(e.message()); // the coder's buffer limits
    }
    writeText(QByteArray().append(DLE).append(ETX));
    waitText("OK");

    command(morePages ? "+FET=0" : "+FET=2");
}

void TFax::readSessionParameters(const QByteArray &response)
{
    m_curSessionParameters = text(textAfter(response, "+FDCS:"));

    m_faxMode = field(response, 1, 1) != 0 ? fmFine : fmNormal;

    static constexpr int bitRates[] = {2400, 4800, 7200, 9600, 12000, 14400};
    const int br = std::clamp(field(response, 2, 5), 0, 5);

    static constexpr int normalScanTimes[] = {0, 5, 10, 10, 20, 20, 40, 40};
    static constexpr int fineScanTimes[] = {0, 5, 5, 10, 10, 20, 20, 40};
    const int st = std::clamp(field(response, 8, 7), 0, 7);
    const int scanMs = (m_faxMode == fmFine ? fineScanTimes : normalScanTimes)[st];

    // Eight bits a byte: the bytes of the scan time at the bit rate, rounded up.
    m_minBytesPerLine = (scanMs * bitRates[br] + 7999) / 8000;
}

void TFax::waitForPageStart()
{
    for (int attempt = 0; attempt < 1000; ++attempt) {
        m_clock.keepAlive();
        m_clock.sleep(1000);
        char c = 0;
        const FaxSerialPort::ReadResult result = m_port.readByte(c);
        if (result == FaxSerialPort::ReadResult::Failed)
            fail(u"Error while waiting for fax start"_s);
        if (result == FaxSerialPort::ReadResult::Nothing)
            continue;
        QByteArray received(1, c);
        if (m_onCommReceive)
            m_onCommReceive(*this, received);
        if (received.startsWith(DC1) || received.startsWith(DC2))
            return;
    }
    fail(u"Timeout waiting for fax start"_s);
}
