// The fax driver against a simulated Class 2 modem on a real pseudo-terminal.

#include "efaxerror.h"
#include "faxportmap.h"
#include "faxtestutil.h"
#include "recordingmessageservice.h"
#include "simulatedmodem.h"
#include "tfax.h"

#include <QCursor>
#include <QPainter>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>

using namespace Qt::StringLiterals;

namespace {

// Real pauses are 200 ms to 1 s; 10 times faster still leaves the modem
// thread a fifth of a second for each echo, even on a busy machine.
constexpr int SpeedUp = 10;

struct Call {
    bool connected = false;
    bool sent = false;
    QString error;
};

QStringList texts(const QList<MessageService::Message> &messages)
{
    QStringList out;
    for (const MessageService::Message &m : messages)
        out << m.text;
    return out;
}

} // namespace

class TestTFax : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void wholeCall();
    void twoPagesAndPulseDialling();
    void classCheck_data();
    void classCheck();
    void sessionParameters_data();
    void sessionParameters();
    void linesLastTheScanTime_data();
    void linesLastTheScanTime();
    void rowsForResolutionAndPage_data();
    void rowsForResolutionAndPage();
    void hangups_data();
    void hangups();
    void pageRetransmission_data();
    void pageRetransmission();
    void commandWithoutEcho();
    void flowControlDuringPage_data();
    void flowControlDuringPage();
    void events();
    void ports_data();
    void ports();
    void portMap();
    void sendPageNeedsAConnection();

private:
    void setUpFax(TFax &fax, SimulatedModem &modem);
    // The modem reports fdcs; one pel and one line for each pixel.
    void setUpPixelForPel(TFax &fax, SimulatedModem &modem, const QByteArray &fdcs);
    Call runCall(TFax &fax, const QList<QImage> &pages);

    RecordingMessageService *m_messages = nullptr;
    QImage m_page;
};

void TestTFax::init()
{
    m_messages = new RecordingMessageService;
    m_page = FaxTestUtil::documentImage(240, 30);
}

void TestTFax::cleanup()
{
    delete m_messages;
    m_messages = nullptr;
    FaxPortMap::setMapFile({});
}

void TestTFax::setUpFax(TFax &fax, SimulatedModem &modem)
{
    QVERIFY2(modem.isValid(), qPrintable(modem.errorString()));
    fax.setPortDevice(modem.slavePath());
    fax.setPhoneNo(u"0571-8888"_s);
    fax.setFaxIdentification(u"KORVAN"_s);
    fax.clock().setSpeedUp(SpeedUp);
}

void TestTFax::setUpPixelForPel(TFax &fax, SimulatedModem &modem, const QByteArray &fdcs)
{
    SimulatedModem::Settings settings;
    settings.fdcs = fdcs;
    modem.setSettings(settings);
    setUpFax(fax, modem);
    fax.setScaleFactorX(1);
    fax.setScaleFactorY(1);
}

Call TestTFax::runCall(TFax &fax, const QList<QImage> &pages)
{
    Call call;
    try {
        call.connected = fax.Connect();
        for (qsizetype i = 0; i < pages.size(); ++i) {
            const bool last = i == pages.size() - 1;
            const bool result = fax.SendPage(pages.at(i), pages.at(i).rect(), !last);
            if (last)
                call.sent = result;
        }
    } catch (const EFaxError &e) {
        call.error = e.message();
    }
    return call;
}

void TestTFax::wholeCall()
{
    SimulatedModem modem;
    TFax fax;
    setUpFax(fax, modem);
    QList<TFax::TFaxStatus> statuses;
    bool hourglass = true;
    fax.setOnStatusChange([&](TFax &sender) {
        statuses << sender.status();
        const QCursor *cursor = QGuiApplication::overrideCursor();
        hourglass = hourglass && cursor && cursor->shape() == Qt::WaitCursor;
    });

    const Call call = runCall(fax, {m_page});
    QVERIFY2(call.error.isEmpty(), qPrintable(call.error));
    QVERIFY(call.connected);
    QVERIFY(call.sent);
    QVERIFY(hourglass);
    QVERIFY(!QGuiApplication::overrideCursor());
    QCOMPARE(texts(m_messages->messages), QStringList()); // no warning: a pty has no DTR/RTS to raise

    QCOMPARE(statuses, (QList<TFax::TFaxStatus>{TFax::fsDeviceOpen, TFax::fsModemSetup, TFax::fsDialling,
                                                TFax::fsWaitingForConnect, TFax::fsWaitingForPage,
                                                TFax::fsSendingPage, TFax::fsIdle}));
    QCOMPARE(modem.commands(), (QList<QByteArray>{"&FE1Q0V1S0=0", "+FCLASS=?", "+FCLASS=2", "+FLID=\"KORVAN\"",
                                                  "+FDCC=1", "DT0571-8888", "+FDT", "+FET=2", "Z"}));
    QCOMPARE(fax.negotiationParameters(), u"1,5,0,2,0,0,0,0"_s);
    QCOMPARE(fax.curSessionParameters(), u"1,5,0,2,0,0,0,0"_s);

    // XON/XOFF is off while the driver waits for the modem's DC1, on for the data.
    QCOMPARE(modem.xonXoffAtDc2(), QList<bool>{false});
    QCOMPARE(modem.xonXoffAtPageData(), QList<bool>{true});

    QCOMPARE(modem.pages().size(), 1);
    QString error;
    const QImage received = SimulatedModem::decodePage(modem.pages().first(), &error);
    QVERIFY2(!received.isNull(), qPrintable(error));
    const QString difference = FaxTestUtil::compareBitmaps(received, FaxTestUtil::expectedPage(m_page, m_page.rect(), 3, 2));
    QVERIFY2(difference.isEmpty(), qPrintable(difference));

    // The port is closed: the modem is free for the next call.
    QVERIFY(runCall(fax, {m_page}).sent);
}

void TestTFax::twoPagesAndPulseDialling()
{
    SimulatedModem modem;
    TFax fax;
    setUpFax(fax, modem);
    fax.setDialType(TFax::dtPulse);
    fax.setFaxMode(TFax::fmNormal);
    fax.setScaleFactorX(1);
    fax.setScaleFactorY(1);
    const QImage second = FaxTestUtil::noiseImage(1728, 12, 11);

    try {
        QVERIFY(fax.Connect());
        QVERIFY(!fax.SendPage(m_page, m_page.rect(), true));
        QCOMPARE(fax.status(), TFax::fsWaitingForPage);
        QCOMPARE(fax.pageNumber(), 2);
        QVERIFY(fax.SendPage(second, second.rect(), false));
    } catch (const EFaxError &e) {
        QFAIL(qPrintable(e.message()));
    }
    QCOMPARE(fax.status(), TFax::fsIdle);

    const QList<QByteArray> commands = modem.commands();
    QVERIFY(commands.contains("+FDCC=0"));
    QVERIFY(commands.contains("DP0571-8888"));
    QCOMPARE(commands.count("+FDT"), 2);
    QVERIFY(commands.indexOf("+FET=0") < commands.indexOf("+FET=2"));

    const QList<QImage> sent = {m_page, second};
    QCOMPARE(modem.pages().size(), 2);
    for (int i = 0; i < 2; ++i) {
        QString error;
        const QImage received = SimulatedModem::decodePage(modem.pages().at(i), &error);
        QVERIFY2(!received.isNull(), qPrintable(error));
        const QString difference = FaxTestUtil::compareBitmaps(received, FaxTestUtil::expectedPage(sent.at(i), sent.at(i).rect(), 1, 1));
        QVERIFY2(difference.isEmpty(), qPrintable(u"page %1: "_s.arg(i + 1) + difference));
    }
}

void TestTFax::classCheck_data()
{
    QTest::addColumn<QByteArray>("classes");
    QTest::addColumn<bool>("passes");
    QTest::newRow("0,1,2,2.0") << QByteArray("0,1,2,2.0") << true;
    QTest::newRow("2 alone") << QByteArray("2") << true;
    QTest::newRow("0,1,2.0") << QByteArray("0,1,2.0") << false;
    QTest::newRow("(0,1)") << QByteArray("(0,1)") << false;
    QTest::newRow("(0-2)") << QByteArray("(0-2)") << false;
}

void TestTFax::classCheck()
{
    QFETCH(QByteArray, classes);
    QFETCH(bool, passes);
    SimulatedModem modem;
    SimulatedModem::Settings settings;
    settings.classes = classes;
    modem.setSettings(settings);
    TFax fax;
    setUpFax(fax, modem);

    const Call call = runCall(fax, {m_page});
    if (passes) {
        QVERIFY2(call.sent, qPrintable(call.error));
        return;
    }
    const QString message = u"此Modem不支持Class2,请更换较新的Modem!"_s;
    QCOMPARE(call.error, message);
    QCOMPARE(texts(m_messages->messages), QStringList{message});
    QCOMPARE(m_messages->messages.first().caption, u"提示"_s);
    QCOMPARE(m_messages->messages.first().icon, MessageService::Icon::Warning);
    QCOMPARE(fax.status(), TFax::fsIdle);
    QVERIFY2(!QGuiApplication::overrideCursor(), "the hourglass goes on an error too");
    QVERIFY(!modem.commands().contains("+FCLASS=2"));
}

void TestTFax::sessionParameters_data()
{
    QTest::addColumn<QByteArray>("fdcs");
    QTest::addColumn<int>("modeBefore");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("minBytes");

    // Bytes of eight bits: the scan time's bits at the bit rate, rounded up.
    // fine, 9600 bit/s, 10 ms: 96 bits, 12 bytes
    QTest::newRow("fine 9600 10ms") << QByteArray("+FDCS:1,3,0,2,0,0,0,4") << int(TFax::fmNormal) << int(TFax::fmFine) << 12;
    // normal, 14400 bit/s, 0 ms: no minimum
    QTest::newRow("normal 14400 0ms") << QByteArray("+FDCS:0,5,0,2,0,0,0,0") << int(TFax::fmFine) << int(TFax::fmNormal) << 0;
    // normal, 2400 bit/s, 40 ms: 96 bits, 12 bytes
    QTest::newRow("normal 2400 40ms") << QByteArray("+FDCS:0,0,0,2,0,0,0,7") << int(TFax::fmFine) << int(TFax::fmNormal) << 12;
    // normal 7200 bit/s, 10 ms (ST 2 is 10 ms in normal, 5 ms in fine): 72 bits, 9 bytes
    QTest::newRow("normal 7200 st2") << QByteArray("+FDCS:0,2,0,2,0,0,0,2") << int(TFax::fmFine) << int(TFax::fmNormal) << 9;
    // fine 4800 bit/s, 5 ms: 24 bits, 3 bytes
    QTest::newRow("fine 4800 st2") << QByteArray("+FDCS:1,1,0,2,0,0,0,2") << int(TFax::fmNormal) << int(TFax::fmFine) << 3;
    // bit rates above 14400 count as 14400; fine 20 ms: 288 bits, 36 bytes
    QTest::newRow("rate 9 as 14400") << QByteArray("+FDCS:1,9,0,2,0,0,0,5") << int(TFax::fmFine) << int(TFax::fmFine) << 36;
    // all fields missing: fine, 14400, ST 7 = 40 ms: 576 bits, 72 bytes
    QTest::newRow("defaults") << QByteArray("+FDCS:") << int(TFax::fmNormal) << int(TFax::fmFine) << 72;
}

void TestTFax::sessionParameters()
{
    QFETCH(QByteArray, fdcs);
    QFETCH(int, modeBefore);
    QFETCH(int, mode);
    QFETCH(int, minBytes);
    SimulatedModem modem;
    SimulatedModem::Settings settings;
    settings.fdcs = fdcs;
    modem.setSettings(settings);
    TFax fax;
    setUpFax(fax, modem);
    fax.setFaxMode(TFax::TFaxMode(modeBefore));
    fax.setScaleFactorX(1);
    fax.setScaleFactorY(1);
    QImage page = FaxTestUtil::documentImage(1728, 20);
    QPainter(&page).fillRect(0, 0, 1728, 5, Qt::white);

    const Call call = runCall(fax, {page});
    QVERIFY2(call.sent, qPrintable(call.error));
    QCOMPARE(int(fax.faxMode()), mode);
    QCOMPARE(fax.pageHeight(), mode == TFax::fmFine ? 2287 : 1143);
    QCOMPARE(fax.curSessionParameters(), QString::fromLatin1(fdcs.mid(6)));
    QCOMPARE(fax.minBytesPerLine(), minBytes);

    // The bytes on the line keep that minimum: after the first line every
    // line has its bytes of codes and fill, a zero byte and the EOL. At
    // normal resolution every second of the 20 fine rows is sent.
    const QList<qsizetype> lengths = FaxTestUtil::lineLengths(modem.pages().first());
    QCOMPARE(lengths.size(), mode == TFax::fmFine ? 20 : 10);
    qsizetype shortest = lengths.at(1);
    for (int i = 1; i < lengths.size(); ++i) {
        QVERIFY2(lengths.at(i) >= 8 * minBytes + 20, qPrintable(u"line %1: %2 bits"_s.arg(i).arg(lengths.at(i))));
        shortest = qMin(shortest, lengths.at(i));
    }
    QVERIFY2(shortest <= 8 * minBytes + 44, qPrintable(QString::number(shortest)));
}

// Every speed with every minimum scan time: each coded line, decoded from
// the bytes the modem received, lasts at least the scan time at that speed.
void TestTFax::linesLastTheScanTime_data()
{
    QTest::addColumn<int>("rate");     // BR field
    QTest::addColumn<int>("scanCode"); // ST field, fine resolution
    QTest::addColumn<int>("ms");
    const int bitRates[] = {2400, 4800, 7200, 9600, 12000, 14400};
    const std::pair<int, int> scanTimes[] = {{1, 5}, {3, 10}, {5, 20}, {7, 40}};
    for (int br = 0; br < 6; ++br) {
        for (const auto &[st, ms] : scanTimes)
            QTest::addRow("%d bit/s, %d ms", bitRates[br], ms) << br << st << ms;
    }
}

void TestTFax::linesLastTheScanTime()
{
    QFETCH(int, rate);
    QFETCH(int, scanCode);
    QFETCH(int, ms);
    const int bitRate = QList<int>{2400, 4800, 7200, 9600, 12000, 14400}.at(rate);
    SimulatedModem modem;
    TFax fax;
    setUpPixelForPel(fax, modem, "+FDCS:1," + QByteArray::number(rate) + ",0,2,0,0,0," + QByteArray::number(scanCode));
    // White lines (the shortest codes) and a document's lines.
    QImage page = FaxTestUtil::documentImage(1728, 24);
    QPainter(&page).fillRect(0, 0, 1728, 8, Qt::white);
    const Call call = runCall(fax, {page});
    QVERIFY2(call.sent, qPrintable(call.error));

    QString error;
    const QImage received = SimulatedModem::decodePage(modem.pages().first(), &error);
    QVERIFY2(!received.isNull(), qPrintable(error));
    const QString difference = FaxTestUtil::compareBitmaps(received, FaxTestUtil::expectedPage(page, page.rect(), 1, 1));
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    // From one EOL to the next: the line's time on the wire.
    const QList<qsizetype> lengths = FaxTestUtil::lineLengths(modem.pages().first());
    QCOMPARE(lengths.size(), 24);
    const qsizetype needed = qsizetype(bitRate) * ms / 1000;
    for (int i = 1; i < lengths.size(); ++i)
        QVERIFY2(lengths.at(i) >= needed, qPrintable(u"line %1: %2 bits, %3 needed"_s.arg(i).arg(lengths.at(i)).arg(needed)));
}

// At normal resolution a line is two fine rows high: every second row goes,
// and no page is longer than the resolution's A4 page.
void TestTFax::rowsForResolutionAndPage_data()
{
    QTest::addColumn<QByteArray>("fdcs");
    QTest::addColumn<int>("rows");     // of the page drawn (fine rows)
    QTest::addColumn<int>("received"); // lines the receiver prints
    QTest::addColumn<int>("step");
    QTest::newRow("normal, 40 rows") << QByteArray("+FDCS:0,5,0,2,0,0,0,0") << 40 << 20 << 2;
    QTest::newRow("fine, 40 rows") << QByteArray("+FDCS:1,5,0,2,0,0,0,0") << 40 << 40 << 1;
    QTest::newRow("fine, longer than A4") << QByteArray("+FDCS:1,5,0,2,0,0,0,0") << 2403 << 2287 << 1;
    QTest::newRow("normal, longer than A4") << QByteArray("+FDCS:0,5,0,2,0,0,0,0") << 2403 << 1143 << 2;
}

void TestTFax::rowsForResolutionAndPage()
{
    QFETCH(QByteArray, fdcs);
    QFETCH(int, rows);
    QFETCH(int, received);
    QFETCH(int, step);
    SimulatedModem modem;
    TFax fax;
    setUpPixelForPel(fax, modem, fdcs);
    const QImage page = FaxTestUtil::documentImage(1728, rows);
    const Call call = runCall(fax, {page});
    QVERIFY2(call.sent, qPrintable(call.error));
    QString error;
    const QImage printed = SimulatedModem::decodePage(modem.pages().first(), &error);
    QVERIFY2(!printed.isNull(), qPrintable(error));
    QCOMPARE(printed.height(), received);
    // Line k of the receiver is row k * step of the page.
    QImage expected(1728, received, QImage::Format_RGB32);
    const QImage all = FaxTestUtil::expectedPage(page, page.rect(), 1, 1);
    for (int k = 0; k < received; ++k)
        std::memcpy(expected.scanLine(k), all.constScanLine(k * step), size_t(expected.bytesPerLine()));
    const QString difference = FaxTestUtil::compareBitmaps(printed, expected);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestTFax::hangups_data()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("error");     // empty: the page is sent
    QTest::addColumn<QStringList>("shown"); // warnings, in order

    const QString dcs = u"Modem hangup: DCS sent three times without response"_s;
    QTest::newRow("0 during the page") << u"page"_s << QByteArray("\r\n+FHNG:0\r\n") << QString() << QStringList();
    QTest::newRow("0 before +FDIS:") << u"dial"_s << QByteArray("\r\n+FHNG:0\r\n") << QString() << QStringList();
    QTest::newRow("25 during the page") << u"page"_s << QByteArray("\r\n+FHNG: 25\r\n") << dcs << QStringList{dcs};
    QTest::newRow("99 during the page") << u"page"_s << QByteArray("\r\n+FHNG:99\r\n")
                                        << u"Modem hangup: Error 99"_s << QStringList{u"Modem hangup: Error 99"_s};
    QTest::newRow("11 instead of an echo") << u"echo"_s << QByteArray("\r\n+FHNG:11\r\n")
                                           << u"Modem hangup: No Answer (T.30 T1 timeout)"_s
                                           << QStringList{u"Modem hangup: No Answer (T.30 T1 timeout)"_s};
    // Inside a wait for a report the hang-up is the reason: shown once.
    QTest::newRow("25 before +FDIS:") << u"dial"_s << QByteArray("\r\n+FHNG:25\r\n") << dcs << QStringList{dcs};
    // A hang-up where the page report should come ends the call with it.
    QTest::newRow("25 instead of +FPTS:") << u"report"_s << QByteArray("\r\n+FHNG:25\r\n") << dcs << QStringList{dcs};
}

void TestTFax::hangups()
{
    QFETCH(QString, where);
    QFETCH(QByteArray, line);
    QFETCH(QString, error);
    QFETCH(QStringList, shown);
    SimulatedModem modem;
    SimulatedModem::Settings settings;
    if (where == u"page") {
        settings.lineAfterPageBytes = 40;
        settings.lineDuringPage = line;
    } else if (where == u"report") {
        settings.replace.insert("+FET", line);
    } else if (where == u"dial") {
        settings.replace.insert("D", "\r\n+FCON\r\n" + line + "\r\n" + settings.fdis + "\r\n\r\nOK\r\n");
    } else {
        settings.noEchoFor = "+FCLASS=2";
        settings.before.insert("+FCLASS=2", line);
    }
    modem.setSettings(settings);
    TFax fax;
    setUpFax(fax, modem);

    // 300 coded lines, each followed by a read: the report sent early in the
    // page arrives long before the page ends.
    const Call call = runCall(fax, {FaxTestUtil::documentImage(240, 150)});
    QCOMPARE(call.error, error);
    QCOMPARE(call.sent, error.isEmpty());
    QCOMPARE(texts(m_messages->messages), shown);
    QCOMPARE(fax.status(), TFax::fsIdle);
}

void TestTFax::pageRetransmission_data()
{
    QTest::addColumn<QList<int>>("results");
    QTest::addColumn<int>("sends");
    QTest::addColumn<QString>("error");
    QTest::newRow("1") << QList<int>{1} << 1 << QString();
    QTest::newRow("2, 1") << QList<int>{2, 1} << 2 << QString();
    QTest::newRow("2, 2, 3") << QList<int>{2, 2, 3} << 3 << QString();
    QTest::newRow("2, 2, 2") << QList<int>{2, 2, 2} << 3 << u"Too many bad pages. Transmission aborted."_s;
}

void TestTFax::pageRetransmission()
{
    QFETCH(QList<int>, results);
    QFETCH(int, sends);
    QFETCH(QString, error);
    SimulatedModem modem;
    SimulatedModem::Settings settings;
    settings.pageResults = results;
    modem.setSettings(settings);
    TFax fax;
    setUpFax(fax, modem);

    const Call call = runCall(fax, {m_page});
    QCOMPARE(call.error, error);
    QCOMPARE(call.sent, error.isEmpty());
    QCOMPARE(modem.commands().count("+FDT"), sends);
    QCOMPARE(modem.pages().size(), sends);
    // Every send carries the whole page again.
    const QImage expected = FaxTestUtil::expectedPage(m_page, m_page.rect(), 3, 2);
    for (const QByteArray &page : modem.pages()) {
        QString decodeError;
        const QImage received = SimulatedModem::decodePage(page, &decodeError);
        QVERIFY2(!received.isNull(), qPrintable(decodeError));
        QVERIFY(FaxTestUtil::compareBitmaps(received, expected).isEmpty());
    }
    QCOMPARE(modem.commands().contains("Z"), error.isEmpty());
}

void TestTFax::commandWithoutEcho()
{
    SimulatedModem modem;
    SimulatedModem::Settings settings;
    settings.echo = false;
    modem.setSettings(settings);
    TFax fax;
    setUpFax(fax, modem);

    const Call call = runCall(fax, {m_page});
    QCOMPARE(call.error, u"等待超时: AT+FCLASS=?"_s);
    QCOMPARE(texts(m_messages->messages), QStringList{u"等待超时: AT+FCLASS=?"_s});
    QCOMPARE(fax.status(), TFax::fsIdle);

    // The port was closed on the error: once the modem echoes, the next call works.
    modem.setSettings({});
    QVERIFY(runCall(fax, {m_page}).sent);
}

void TestTFax::flowControlDuringPage_data()
{
    QTest::addColumn<int>("flow");
    QTest::addColumn<bool>("xonXoff");
    QTest::newRow("XON/XOFF") << int(TFax::fcXOFF) << true;
    QTest::newRow("none") << int(TFax::fcNone) << false;
}

void TestTFax::flowControlDuringPage()
{
    // The modem holds the data back with XOFF for a while early in the page;
    // nothing may be lost. The page (some 200 KB of noise) is far larger than
    // the terminal's buffers, so the driver really has to stop and go on.
    QFETCH(int, flow);
    QFETCH(bool, xonXoff);
    SimulatedModem modem;
    SimulatedModem::Settings settings;
    if (xonXoff) {
        settings.xoffAfterPageBytes = 2000;
        settings.xoffMs = 300;
    }
    modem.setSettings(settings);
    TFax fax;
    setUpFax(fax, modem);
    fax.setFlowControl(TFax::TFlowControl(flow));
    fax.setScaleFactorX(1);
    fax.setScaleFactorY(1);
    const QImage page = FaxTestUtil::noiseImage(1728, 200, 5);

    const Call call = runCall(fax, {page});
    QVERIFY2(call.sent, qPrintable(call.error));
    QCOMPARE(modem.xonXoffAtDc2(), QList<bool>{false});
    QCOMPARE(modem.xonXoffAtPageData(), QList<bool>{xonXoff});
    QString error;
    const QImage received = SimulatedModem::decodePage(modem.pages().first(), &error);
    QVERIFY2(!received.isNull(), qPrintable(error));
    const QString difference = FaxTestUtil::compareBitmaps(received, FaxTestUtil::expectedPage(page, page.rect(), 1, 1));
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestTFax::events()
{
    SimulatedModem modem;
    TFax fax;
    setUpFax(fax, modem);
    QList<QByteArray> transmitted;
    QList<QByteArray> received;
    fax.setOnCommTransmit([&transmitted](TFax &, QByteArray &text) {
        transmitted << text;
        if (text == "AT&FE1Q0V1S0=0\r")
            text = "AT&FE1Q0V1S0=0M0\r"; // the handler may change what is written
    });
    fax.setOnCommReceive([&received](TFax &, QByteArray &text) { received << text; });

    const Call call = runCall(fax, {m_page});
    QVERIFY2(call.sent, qPrintable(call.error));
    QVERIFY(transmitted.contains("AT&FE1Q0V1S0=0\r"));
    QVERIFY(transmitted.contains("ATDT0571-8888\r"));
    QVERIFY(transmitted.contains(QByteArray("\x12")));
    QVERIFY(transmitted.contains(QByteArray("\x10\x03")));
    QCOMPARE(modem.commands().first(), QByteArray("&FE1Q0V1S0=0M0"));
    // Page data does not pass through the event: only the texts written.
    for (const QByteArray &text : transmitted)
        QVERIFY2(text.size() < 40, text.toHex().constData());

    QVERIFY(received.contains("+FCON\r"));
    QVERIFY(received.contains("CONNECT\r"));
    QVERIFY(received.contains(QByteArray("\x11"))); // the page start, byte by byte
}

void TestTFax::ports_data()
{
    QTest::addColumn<int>("device");
    QTest::addColumn<QString>("override");
    QTest::addColumn<QString>("error");
    QTest::newRow("no port chosen") << -1 << QString() << u"Invalid fax communications port"_s;
    QTest::newRow("fdCOM4 + 1") << 4 << QString() << u"Invalid fax communications port"_s;
    QTest::newRow("COM2 on a missing device") << int(TFax::fdCOM2) << QString()
                                              << u"无法打开断口: COM2: 请确定正确的端口号!"_s;
    QTest::newRow("missing device") << int(TFax::fdCOM1) << u"/nonexistent/ttyFAX"_s
                                    << u"无法打开断口: /nonexistent/ttyFAX 请确定正确的端口号!"_s;
}

void TestTFax::ports()
{
    QFETCH(int, device);
    QFETCH(QString, override);
    QFETCH(QString, error);
    QTemporaryDir dir;
    QFile map(dir.filePath(u"FaxPorts.txt"_s));
    QVERIFY(map.open(QIODevice::WriteOnly));
    map.write("COM2=/nonexistent/ttyUSB7\n");
    map.close();
    FaxPortMap::setMapFile(map.fileName());

    TFax fax;
    fax.clock().setSpeedUp(SpeedUp);
    fax.setFaxDevice(TFax::TFaxDevice(device));
    fax.setPortDevice(override);
    fax.setPhoneNo(u"1"_s);
    const Call call = runCall(fax, {m_page});
    QCOMPARE(call.error, error);
    QCOMPARE(texts(m_messages->messages), QStringList{error});
    QCOMPARE(fax.status(), TFax::fsIdle);
}

void TestTFax::portMap()
{
    SimulatedModem modem;
    QVERIFY2(modem.isValid(), qPrintable(modem.errorString()));
    QTemporaryDir dir;
    QFile map(dir.filePath(u"FaxPorts.txt"_s));
    QVERIFY(map.open(QIODevice::WriteOnly));
    map.write("# fax modems\n\ncom3 = " + modem.slavePath().toLocal8Bit() + "\nCOM5=/dev/ttyACM0\nbad line\n");
    map.close();
    FaxPortMap::setMapFile(map.fileName());

    QCOMPARE(FaxPortMap::deviceFor(u"COM1"_s), u"/dev/ttyS0"_s);
    QCOMPARE(FaxPortMap::deviceFor(u"COM4"_s), u"/dev/ttyS3"_s);
    QCOMPARE(FaxPortMap::deviceFor(u"COM3"_s), modem.slavePath());
    QCOMPARE(FaxPortMap::deviceFor(u"COM5"_s), u"/dev/ttyACM0"_s);
    QCOMPARE(FaxPortMap::deviceFor(u"COM6"_s), QString());

    // The dialog's way: a port index, the device from the map.
    TFax fax;
    fax.clock().setSpeedUp(SpeedUp);
    fax.setFaxDevice(TFax::fdCOM3);
    fax.setPhoneNo(u"1"_s);
    const Call call = runCall(fax, {m_page});
    QVERIFY2(call.sent, qPrintable(call.error));
    QCOMPARE(modem.pages().size(), 1);
}

void TestTFax::sendPageNeedsAConnection()
{
    SimulatedModem modem;
    TFax fax;
    setUpFax(fax, modem);
    QVERIFY(!fax.SendPage(m_page, m_page.rect(), false));
    QCOMPARE(fax.status(), TFax::fsIdle);
    QVERIFY(m_messages->messages.isEmpty());
    QTest::qWait(50);
    QVERIFY(modem.commands().isEmpty());
}

QTEST_MAIN(TestTFax)
#include "tst_tfax.moc"
