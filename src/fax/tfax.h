#pragma once

#include "faxclock.h"
#include "faxserialport.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>

class QImage;
class QRect;

// Sends fax pages through a Service Class 2 fax modem (AT+F commands) on a
// serial port, coding each page with the 1-D Modified Huffman code of T.4.
//
// Everything runs on the calling (user-interface) thread: Connect() and
// SendPage() block until the modem is done and keep the user interface alive
// between their polls of the modem. Every failure returns the driver to
// fsIdle, closes the port, shows a warning (caption "提示") through the
// message service and raises EFaxError with the same text.
class TFax : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString CurSessionParameters READ curSessionParameters)
    Q_PROPERTY(TDialType DialType READ dialType WRITE setDialType)
    Q_PROPERTY(TFaxDevice FaxDevice READ faxDevice WRITE setFaxDevice)
    Q_PROPERTY(QString FaxIdentification READ faxIdentification WRITE setFaxIdentification)
    Q_PROPERTY(TFaxMode FaxMode READ faxMode WRITE setFaxMode)
    Q_PROPERTY(TFlowControl FlowControl READ flowControl WRITE setFlowControl)
    Q_PROPERTY(QString NegotiationParameters READ negotiationParameters)
    Q_PROPERTY(QString ModemInitStr READ modemInitStr WRITE setModemInitStr)
    Q_PROPERTY(QString ModemResetStr READ modemResetStr WRITE setModemResetStr)
    Q_PROPERTY(int PageHeight READ pageHeight)
    Q_PROPERTY(int PageNumber READ pageNumber)
    Q_PROPERTY(int PageWidth READ pageWidth)
    Q_PROPERTY(QString PhoneNo READ phoneNo WRITE setPhoneNo)
    Q_PROPERTY(QString RemoteStationID READ remoteStationID)
    Q_PROPERTY(int ScaleFactorX READ scaleFactorX WRITE setScaleFactorX)
    Q_PROPERTY(int ScaleFactorY READ scaleFactorY WRITE setScaleFactorY)
    Q_PROPERTY(TFaxStatus Status READ status NOTIFY statusChanged)

public:
    enum TDialType { dtTone, dtPulse };
    Q_ENUM(TDialType)
    // Of fixed type, so that any port index (−1 for none) can be held and refused.
    enum TFaxDevice : int { fdCOM1, fdCOM2, fdCOM3, fdCOM4 };
    Q_ENUM(TFaxDevice)
    enum TFaxStatus {
        fsIdle,
        fsDeviceOpen,
        fsModemSetup,
        fsDialling,
        fsWaitingForConnect,
        fsWaitingForPage,
        fsSendingPage,
        fsAborted,
        fsError
    };
    Q_ENUM(TFaxStatus)
    enum TFaxMode { fmNormal, fmFine };
    Q_ENUM(TFaxMode)
    enum TFlowControl { fcNone, fcCTS, fcDSR, fcXOFF };
    Q_ENUM(TFlowControl)

    // The text may be changed by the handler; the driver goes on with it.
    using TCommReceiveEvent = std::function<void(TFax &sender, QByteArray &text)>;
    using TCommTransmitEvent = std::function<void(TFax &sender, QByteArray &text)>;
    using TStatusChangeEvent = std::function<void(TFax &sender)>;

    explicit TFax(QObject *parent = nullptr);
    ~TFax() override;

    // Opens the port, sets the modem up, dials PhoneNo and negotiates; true
    // when the remote machine is ready for the first page.
    bool Connect();
    // Sends rect of canvas as one page. With morePages the call stays open and
    // the result is false; the last page ends the call and returns true. Does
    // nothing and returns false unless the status is fsWaitingForPage.
    bool SendPage(const QImage &canvas, const QRect &rect, bool morePages);
    // Asks a call in progress to stop: at its next read or write the driver
    // closes the port, reports fsAborted and raises EFaxError(AbortText)
    // without a warning (the user asked for it).
    void Abort();
    static inline const QString AbortText = QStringLiteral("传真已取消");

    QString curSessionParameters() const { return m_curSessionParameters; }
    TDialType dialType() const { return m_dialType; }
    void setDialType(TDialType type) { m_dialType = type; }
    // Any int may be stored (the print dialog hands over −1 for "no port");
    // a value outside fdCOM1..fdCOM4 is refused when the port is opened.
    TFaxDevice faxDevice() const { return m_faxDevice; }
    void setFaxDevice(TFaxDevice device) { m_faxDevice = device; }
    QString faxIdentification() const { return m_faxIdentification; }
    void setFaxIdentification(const QString &id) { m_faxIdentification = id; }
    TFaxMode faxMode() const { return m_faxMode; }
    void setFaxMode(TFaxMode mode) { m_faxMode = mode; }
    TFlowControl flowControl() const { return m_flowControl; }
    void setFlowControl(TFlowControl flow) { m_flowControl = flow; }
    QString negotiationParameters() const { return m_negotiationParameters; }
    QString modemInitStr() const { return m_modemInitStr; }
    void setModemInitStr(const QString &s) { m_modemInitStr = s; }
    QString modemResetStr() const { return m_modemResetStr; }
    void setModemResetStr(const QString &s) { m_modemResetStr = s; }
    int pageHeight() const { return m_faxMode == fmFine ? 2287 : 1143; }
    int pageNumber() const { return m_pageNumber; }
    int pageWidth() const { return 1728; }
    QString phoneNo() const { return m_phoneNo; }
    void setPhoneNo(const QString &number) { m_phoneNo = number; }
    QString remoteStationID() const { return m_remoteStationID; }
    int scaleFactorX() const { return m_scaleFactorX; }
    void setScaleFactorX(int factor) { m_scaleFactorX = factor; }
    int scaleFactorY() const { return m_scaleFactorY; }
    void setScaleFactorY(int factor) { m_scaleFactorY = factor; }
    TFaxStatus status() const { return m_status; }

    TCommReceiveEvent onCommReceive() const { return m_onCommReceive; }
    void setOnCommReceive(TCommReceiveEvent handler) { m_onCommReceive = std::move(handler); }
    TCommTransmitEvent onCommTransmit() const { return m_onCommTransmit; }
    void setOnCommTransmit(TCommTransmitEvent handler) { m_onCommTransmit = std::move(handler); }
    TStatusChangeEvent onStatusChange() const { return m_onStatusChange; }
    void setOnStatusChange(TStatusChangeEvent handler) { m_onStatusChange = std::move(handler); }

    // A device (such as /dev/ttyUSB0) to open instead of the one FaxDevice
    // names; empty (the default) uses FaxDevice and the port map.
    QString portDevice() const { return m_portDevice; }
    void setPortDevice(const QString &device) { m_portDevice = device; }

    // The least bytes per coded line, from the first page's +FDCS report.
    int minBytesPerLine() const { return m_minBytesPerLine; }

    // The clock of every pause (tests speed it up).
    FaxClock &clock() { return m_clock; }

signals:
    // Emitted with OnStatusChange, every time the status is set.
    void statusChanged(TFax::TFaxStatus status);

private:
    [[noreturn]] void fail(const QString &message);
    void setStatus(TFaxStatus status);

    QString portName() const;
    void openPort();

    void writeText(QByteArray text);
    void writeData(const QByteArray &data);
    void purge();
    QByteArray readLine();
    void checkHangup(const QByteArray &line);
    static QByteArray printable(const QByteArray &line);
    static int field(const QByteArray &response, int k, int defaultValue);

    void command(const QByteArray &s);
    QByteArray waitResponse(int attempts, int pauseMs);
    QByteArray waitText(const QByteArray &w);

    void transmitPage(const QImage &canvas, const QRect &rect, bool morePages);
    void readSessionParameters(const QByteArray &response);
    void waitForPageStart();

    FaxSerialPort m_port;
    FaxClock m_clock;

    QString m_curSessionParameters;
    TDialType m_dialType = dtTone;
    TFaxDevice m_faxDevice = fdCOM1;
    QString m_faxIdentification;
    TFaxMode m_faxMode = fmFine;
    TFlowControl m_flowControl = fcXOFF;
    QString m_negotiationParameters;
    QString m_modemInitStr;
    QString m_modemResetStr;
    int m_pageNumber = 1;
    QString m_phoneNo;
    QString m_remoteStationID;
    int m_scaleFactorX = 3;
    int m_scaleFactorY = 2;
    TFaxStatus m_status = fsIdle;
    TCommReceiveEvent m_onCommReceive;
    TCommTransmitEvent m_onCommTransmit;
    TStatusChangeEvent m_onStatusChange;
    QString m_portDevice;
    int m_minBytesPerLine = 0;
    bool m_abortRequested = false;

    void stopIfAborted();
};
