// The Group 3 coder, checked against netpbm's independent decoder.

#include "faxhangupcodes.h"
#include "faxpagecoder.h"
#include "faxtestutil.h"
#include "g3encoder.h"
#include "korvanerror.h"
#include "simulatedmodem.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// Bits as they go on the line: the codes in order, with the zero bits that
// complete the last byte placed in front of that byte's code bits; packed
// least significant bit first.
QByteArray wireBytes(QString bits)
{
    const int partial = bits.size() % 8;
    if (partial)
        bits.insert(bits.size() - partial, QString(8 - partial, u'0'));
    QByteArray out;
    for (int i = 0; i < bits.size(); i += 8) {
        uchar b = 0;
        for (int k = 0; k < 8; ++k) {
            if (bits.at(i + k) == u'1')
                b |= uchar(1u << k);
        }
        out.append(char(b));
    }
    return out;
}

// Undoes the DLE doubling the modem link needs; the decoder reads plain data.
QByteArray undoubled(const QByteArray &data)
{
    QByteArray plain;
    for (qsizetype i = 0; i < data.size(); ++i) {
        plain.append(data.at(i));
        if (data.at(i) == '\x10')
            ++i;
    }
    return plain;
}

QByteArray codePage(const QImage &image, const QRect &rect, int scaleX, int scaleY, int minBytes = 0)
{
    QByteArray data;
    FaxPageCoder(image, rect, scaleX, scaleY).code(minBytes, [&data](const QByteArray &b) { data += b; });
    return undoubled(data);
}

} // namespace

class TestG3Encoder : public QObject
{
    Q_OBJECT

private slots:
    void allWhiteLine();
    void dleIsDoubled();
    void bufferLimits_data();
    void bufferLimits();
    void roundTrip_data();
    void roundTrip();
    void extendedMakeUpCodes();
    void pixelColours_data();
    void pixelColours();
    void lineFill_data();
    void lineFill();
    void hangupTable();
};

void TestG3Encoder::allWhiteLine()
{
    // One white run of 1728: make-up 1728, terminating 0, a fill byte, EOL.
    G3Encoder encoder;
    const QByteArray white(1728, 0);
    encoder.putLine(reinterpret_cast<const uchar *>(white.constData()), white.size());
    encoder.putLineEnd(0);
    QCOMPARE(encoder.bitCount(), 9 + 8 + 8 + 12);
    QCOMPARE(encoder.flush(), wireBytes(u"010011011"_s + u"00110101"_s + u"00000000"_s + u"000000000001"_s));
    QCOMPARE(encoder.bitCount(), 0);
}

void TestG3Encoder::dleIsDoubled()
{
    G3Encoder encoder;
    encoder.putBits(0x08, 8); // goes on the line as 0x10
    encoder.putBits(0x01, 8); // 0x80
    encoder.putBits(0x08, 8);
    QCOMPARE(encoder.flush(), QByteArray("\x10\x10\x80\x10\x10"));
}

void TestG3Encoder::bufferLimits_data()
{
    QTest::addColumn<int>("bytes");
    QTest::addColumn<quint32>("pattern");
    QTest::addColumn<bool>("fits");
    QTest::newRow("16384 bits") << 2048 << quint32(0xFF) << true;
    QTest::newRow("16392 bits") << 2049 << quint32(0xFF) << false;
    QTest::newRow("1024 DLE doubled to 2048") << 1024 << quint32(0x08) << true;
    QTest::newRow("1025 DLE doubled to 2050") << 1025 << quint32(0x08) << false;
}

void TestG3Encoder::bufferLimits()
{
    QFETCH(int, bytes);
    QFETCH(quint32, pattern);
    QFETCH(bool, fits);
    G3Encoder encoder;
    QString error;
    try {
        for (int i = 0; i < bytes; ++i)
            encoder.putBits(pattern, 8);
        const QByteArray out = encoder.flush();
        QCOMPARE(out.size(), pattern == 0x08 ? 2 * bytes : bytes);
    } catch (const KorvanError &e) {
        error = e.message();
    }
    QCOMPARE(error, fits ? QString() : u"Group 3 encoding buffer is full"_s);
}

void TestG3Encoder::roundTrip_data()
{
    QTest::addColumn<QImage>("image");
    QTest::addColumn<QRect>("rect");
    QTest::addColumn<int>("scaleX");
    QTest::addColumn<int>("scaleY");

    // Every run length 0..1728 of both colours appears in these rows.
    QImage runs(1728, 60, QImage::Format_RGB32);
    runs.fill(Qt::white);
    for (int y = 0; y < runs.height(); ++y) {
        int x = 0;
        bool black = y % 2;
        for (int len = y * 29 % 1729;; len = (len * 7 + 13) % 1729) {
            for (int i = 0; i < len && x < 1728; ++i, ++x) {
                if (black)
                    runs.setPixel(x, y, qRgb(0, 0, 0));
            }
            if (x >= 1728)
                break;
            black = !black;
        }
    }
    QImage allBlack(1728, 3, QImage::Format_RGB32);
    allBlack.fill(Qt::black);
    QImage alternating(1728, 2, QImage::Format_RGB32);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 1728; ++x)
            alternating.setPixel(x, y, (x + y) % 2 ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    }
    const QImage document = FaxTestUtil::documentImage(1728, 120);
    const QImage small = FaxTestUtil::documentImage(300, 50);

    QTest::newRow("runs") << runs << runs.rect() << 1 << 1;
    QTest::newRow("all black") << allBlack << allBlack.rect() << 1 << 1;
    QTest::newRow("alternating pels") << alternating << alternating.rect() << 1 << 1;
    QTest::newRow("noise") << FaxTestUtil::noiseImage(1728, 40, 7) << QRect(0, 0, 1728, 40) << 1 << 1;
    QTest::newRow("document") << document << document.rect() << 1 << 1;
    QTest::newRow("mono document") << document.convertToFormat(QImage::Format_Mono) << document.rect() << 1 << 1;
    QTest::newRow("scaled 3 x 2") << small << small.rect() << 3 << 2;
    QTest::newRow("scaled 7 x 1, cut at 1728") << small << small.rect() << 7 << 1;
    QTest::newRow("inner rectangle") << small << QRect(40, 10, 200, 30) << 2 << 3;
    QTest::newRow("rectangle beyond the image") << small << QRect(-20, -5, 400, 70) << 1 << 1;
    QTest::newRow("wider than a line") << FaxTestUtil::noiseImage(2000, 10, 3) << QRect(0, 0, 2000, 10) << 1 << 1;
}

void TestG3Encoder::roundTrip()
{
    QFETCH(QImage, image);
    QFETCH(QRect, rect);
    QFETCH(int, scaleX);
    QFETCH(int, scaleY);
    QString error;
    const QImage decoded = SimulatedModem::decodePage(codePage(image, rect, scaleX, scaleY), &error);
    QVERIFY2(!decoded.isNull(), qPrintable(error));
    const QString difference = FaxTestUtil::compareBitmaps(decoded, FaxTestUtil::expectedPage(image, rect, scaleX, scaleY));
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestG3Encoder::extendedMakeUpCodes()
{
    // Lines of 1728 pels never need them; wide lines show they are right.
    // Each line: a white run, a black run of the length under test, white to
    // the common width; the lines in the second half start with black.
    const QList<int> lengths = {1792, 1856, 1920, 1984, 2048, 2112, 2176, 2240, 2304,
                                2368, 2432, 2496, 2560, 2623, 2624, 5200, 1800};
    const int width = 8000;
    struct Line {
        bool startsBlack;
        QList<int> runs;
    };
    QList<Line> lines;
    for (int length : lengths) {
        lines.append({false, {100, length, width - 100 - length}});
        lines.append({true, {length, width - length}});
    }
    G3Encoder encoder;
    QByteArray data;
    encoder.putEol();
    for (const Line &line : lines) {
        bool black = line.startsBlack;
        if (black)
            encoder.putRun(false, 0);
        for (int r : line.runs) {
            encoder.putRun(black, r);
            black = !black;
        }
        encoder.putLineEnd(0);
        data += encoder.flush();
    }
    for (int i = 0; i < 6; ++i)
        encoder.putEol();
    data += encoder.flush();

    QString error;
    const QImage decoded = SimulatedModem::decodePage(undoubled(data), &error, width);
    QVERIFY2(!decoded.isNull(), qPrintable(error));
    QCOMPARE(decoded.size(), QSize(width, int(lines.size())));
    for (int y = 0; y < lines.size(); ++y) {
        int x = 0;
        bool black = lines.at(y).startsBlack;
        for (int r : lines.at(y).runs) {
            for (int probe : {x, x + r - 1}) {
                QVERIFY2((qGray(decoded.pixel(probe, y)) < 128) == black,
                         qPrintable(u"line %1 pel %2"_s.arg(y).arg(probe)));
            }
            x += r;
            black = !black;
        }
    }
}

void TestG3Encoder::pixelColours_data()
{
    QTest::addColumn<QImage>("image");
    QTest::addColumn<QString>("expected"); // first pels of the line, 1 = black

    QImage rgb(4, 1, QImage::Format_RGB32);
    rgb.setPixel(0, 0, qRgb(0, 0, 0));
    rgb.setPixel(1, 0, qRgb(1, 0, 0));  // almost black is white
    rgb.setPixel(2, 0, qRgb(0, 0, 1));
    rgb.setPixel(3, 0, qRgb(0, 0, 0));
    QTest::newRow("colour value 0 only") << rgb << u"1001"_s;

    QImage alpha(3, 1, QImage::Format_ARGB32);
    alpha.setPixel(0, 0, qRgba(0, 0, 0, 255));
    alpha.setPixel(1, 0, qRgba(0, 0, 0, 0));   // transparent: nothing painted
    alpha.setPixel(2, 0, qRgba(0, 0, 0, 128));
    QTest::newRow("transparent is white") << alpha << u"101"_s;
    QTest::newRow("premultiplied") << alpha.convertToFormat(QImage::Format_ARGB32_Premultiplied) << u"101"_s;

    QImage indexed(3, 1, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0), qRgb(10, 10, 10)});
    indexed.setPixel(0, 0, 1);
    indexed.setPixel(1, 0, 2);
    indexed.setPixel(2, 0, 1);
    QTest::newRow("indexed") << indexed << u"101"_s;

    QImage mono(9, 1, QImage::Format_Mono);
    mono.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)}); // index 0 is black here
    mono.fill(1);
    mono.setPixel(0, 0, 0);
    mono.setPixel(8, 0, 0);
    QTest::newRow("mono, black at index 0") << mono << u"100000001"_s;
    QTest::newRow("mono lsb") << mono.convertToFormat(QImage::Format_MonoLSB) << u"100000001"_s;

    QImage grey(2, 1, QImage::Format_Grayscale8);
    grey.setPixel(0, 0, qRgb(255, 255, 255));
    grey.setPixel(1, 0, qRgb(0, 0, 0));
    QTest::newRow("grey") << grey << u"01"_s;
}

void TestG3Encoder::pixelColours()
{
    QFETCH(QImage, image);
    QFETCH(QString, expected);
    uchar pels[1728];
    FaxPageCoder(image, image.rect(), 1, 1).pelsOfRow(0, pels);
    QString actual;
    for (int i = 0; i < expected.size(); ++i)
        actual += pels[i] ? u'1' : u'0';
    QCOMPARE(actual, expected);
    for (int i = expected.size(); i < 1728; ++i)
        QVERIFY2(!pels[i], "white after the right edge");
}

void TestG3Encoder::lineFill_data()
{
    QTest::addColumn<int>("minBytes");
    QTest::newRow("none") << 0;
    QTest::newRow("5") << 5;
    QTest::newRow("10") << 10;
    QTest::newRow("58") << 58;
}

void TestG3Encoder::lineFill()
{
    // Every coded line holds at least the minimum number of bytes of codes
    // and fill, then a zero byte and the EOL. The first line shares its
    // buffer with the page's opening EOL, which counts towards its minimum.
    // A short (all-white) line is padded no further than needed.
    QFETCH(int, minBytes);
    QImage image = FaxTestUtil::documentImage(1728, 40);
    QPainter(&image).fillRect(0, 0, 1728, 10, Qt::white);
    const QByteArray data = codePage(image, image.rect(), 1, 1, minBytes);
    const QList<qsizetype> lengths = FaxTestUtil::lineLengths(data);
    QCOMPARE(lengths.size(), 40);
    qsizetype shortest = lengths.first();
    for (int i = 0; i < lengths.size(); ++i) {
        const qsizetype bits = lengths.at(i);
        QVERIFY2(bits >= 8 * minBytes + (i == 0 ? 8 : 20), qPrintable(u"line %1: %2 bits"_s.arg(i).arg(bits)));
        shortest = qMin(shortest, bits);
    }
    QVERIFY2(shortest <= 8 * minBytes + 44, qPrintable(QString::number(shortest)));
}

void TestG3Encoder::hangupTable()
{
    QCOMPARE(FaxHangupCodes::tableSize(), 40);
    for (int i = 1; i < FaxHangupCodes::tableSize(); ++i)
        QVERIFY(FaxHangupCodes::table()[i - 1].code < FaxHangupCodes::table()[i].code);
    QCOMPARE(FaxHangupCodes::message(25), u"DCS sent three times without response"_s);
    QCOMPARE(FaxHangupCodes::message(103), u"Unable to continue after PIN or PIP"_s);
    QVERIFY(FaxHangupCodes::message(99).isEmpty());
}

QTEST_MAIN(TestG3Encoder)
#include "tst_g3encoder.moc"
