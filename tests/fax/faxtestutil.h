#pragma once

// Helpers shared by the fax tests: sample pages, the bitmap a page should
// arrive as, and the line structure of Group 3 data.

#include <QByteArray>
#include <QFont>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QRandomGenerator>
#include <QString>

namespace FaxTestUtil {

// A small document: a frame, ruled lines, filled boxes and text, drawn in
// pure black without anti-aliasing on white.
inline QImage documentImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.setPen(QPen(Qt::black, 1));
    p.drawRect(0, 0, width - 1, height - 1);
    for (int y = 8; y < height; y += 17)
        p.drawLine(4, y, width - 5, y);
    p.fillRect(width / 3, height / 4, width / 5, height / 3, Qt::black);
    p.fillRect(width - 9, 2, 7, height - 4, Qt::black); // reaches the right edge region
    QFont font(QStringLiteral("WenQuanYi Zen Hei"));
    font.setPixelSize(qMax(8, height / 6));
    font.setStyleStrategy(QFont::NoAntialias);
    p.setFont(font);
    p.drawText(QRect(2, 2, width - 4, height - 4), Qt::AlignLeft | Qt::AlignBottom, QStringLiteral("Korvan 货运 0123"));
    p.end();
    return image;
}

inline QImage noiseImage(int width, int height, quint32 seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = random.bounded(2) ? qRgb(0, 0, 0) : qRgb(255, 255, 255);
    }
    return image;
}

// The page a receiver should print for rect of image: 1728 pels wide, each
// pixel repeated scaleX times across and its row scaleY times down, black
// where the colour value is 0, white elsewhere and outside the image.
inline QImage expectedPage(const QImage &image, const QRect &rect, int scaleX, int scaleY)
{
    const QImage source = image.convertToFormat(QImage::Format_ARGB32);
    QImage page(1728, rect.height() * scaleY, QImage::Format_RGB32);
    page.fill(Qt::white);
    for (int row = 0; row < page.height(); ++row) {
        const int y = rect.top() + row / scaleY;
        for (int pel = 0; pel < 1728; ++pel) {
            const int x = rect.left() + pel / scaleX;
            if (x >= rect.left() + rect.width() || x < 0 || y < 0 || x >= source.width() || y >= source.height())
                continue;
            const QRgb px = source.pixel(x, y);
            if ((px & 0xFFFFFF) == 0 && qAlpha(px) != 0)
                page.setPixel(pel, row, qRgb(0, 0, 0));
        }
    }
    return page;
}

// Empty when equal, else where the first difference is.
inline QString compareBitmaps(const QImage &actual, const QImage &expected)
{
    if (actual.size() != expected.size())
        return QStringLiteral("size %1x%2, expected %3x%4")
            .arg(actual.width()).arg(actual.height()).arg(expected.width()).arg(expected.height());
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            const bool a = qGray(actual.pixel(x, y)) < 128;
            const bool e = qGray(expected.pixel(x, y)) < 128;
            if (a != e)
                return QStringLiteral("pel (%1, %2) is %3").arg(x).arg(y).arg(a ? u"black" : u"white");
        }
    }
    return {};
}

// The bit positions, in transmission order (least significant bit of each
// byte first), at which an EOL (eleven or more zeros, then a one) ends.
inline QList<qsizetype> eolEnds(const QByteArray &data)
{
    QList<qsizetype> ends;
    int zeros = 0;
    for (qsizetype i = 0; i < data.size() * 8; ++i) {
        const bool one = (static_cast<uchar>(data.at(i / 8)) >> (i % 8)) & 1;
        if (!one) {
            ++zeros;
            continue;
        }
        if (zeros >= 11)
            ends.append(i);
        zeros = 0;
    }
    return ends;
}

// Bits from one EOL's end to the next, for the coded lines of a page (the
// RTC's EOLs, 12 bits apart, are left out).
inline QList<qsizetype> lineLengths(const QByteArray &data)
{
    const QList<qsizetype> ends = eolEnds(data);
    QList<qsizetype> lengths;
    for (qsizetype i = 1; i < ends.size(); ++i) {
        if (ends.at(i) - ends.at(i - 1) > 12)
            lengths.append(ends.at(i) - ends.at(i - 1));
    }
    return lengths;
}

} // namespace FaxTestUtil
