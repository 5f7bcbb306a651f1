#include "faxpagecoder.h"

#include "g3encoder.h"

#include <algorithm>
#include <cstring>

namespace {

bool isBlack(QRgb pixel)
{
    return (pixel & 0x00FFFFFF) == 0 && qAlpha(pixel) != 0;
}

} // namespace

FaxPageCoder::FaxPageCoder(const QImage &canvas, const QRect &rect, int scaleX, int scaleY)
    : m_canvas(canvas), m_rect(rect), m_scaleX(scaleX), m_scaleY(scaleY)
{
    switch (m_canvas.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
        break;
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
    case QImage::Format_Indexed8: {
        const QList<QRgb> colours = m_canvas.colorTable();
        for (int i = 0; i < colours.size() && i < 256; ++i)
            m_blackIndex[i] = isBlack(colours.at(i)) ? 1 : 0;
        break;
    }
    default:
        // Premultiplied, 16-bit, grey, 24-bit …: read as plain 32-bit colour.
        m_canvas = m_canvas.convertToFormat(QImage::Format_ARGB32);
        break;
    }
}

void FaxPageCoder::blackFlags(int y, int x0, int count, uchar *out) const
{
    const uchar *line = m_canvas.constScanLine(y);
    switch (m_canvas.format()) {
    case QImage::Format_RGB32: {
        const auto *px = reinterpret_cast<const QRgb *>(line) + x0;
        for (int i = 0; i < count; ++i)
            out[i] = (px[i] & 0x00FFFFFF) == 0;
        break;
    }
    case QImage::Format_ARGB32: {
        const auto *px = reinterpret_cast<const QRgb *>(line) + x0;
        for (int i = 0; i < count; ++i)
            out[i] = isBlack(px[i]);
        break;
    }
    case QImage::Format_Mono:
        for (int i = 0, x = x0; i < count; ++i, ++x)
            out[i] = m_blackIndex[(line[x >> 3] >> (7 - (x & 7))) & 1];
        break;
    case QImage::Format_MonoLSB:
        for (int i = 0, x = x0; i < count; ++i, ++x)
            out[i] = m_blackIndex[(line[x >> 3] >> (x & 7)) & 1];
        break;
    default: // Format_Indexed8
        for (int i = 0; i < count; ++i)
            out[i] = m_blackIndex[line[x0 + i]];
        break;
    }
}

void FaxPageCoder::pelsOfRow(int y, uchar *pels) const
{
    std::memset(pels, 0, G3Encoder::LineWidth);
    if (y < 0 || y >= m_canvas.height() || m_scaleX < 1 || m_rect.width() <= 0)
        return;
    // Source pixels i = 0 .. shown - 1 of the rectangle start at pel i * scaleX.
    const int shown = std::min(m_rect.width(), (G3Encoder::LineWidth + m_scaleX - 1) / m_scaleX);
    // Of those, the ones inside the bitmap; the others stay white.
    const int first = std::max(0, -m_rect.left());
    const int last = std::min(shown, m_canvas.width() - m_rect.left()); // exclusive
    if (first >= last)
        return;
    if (m_scaleX == 1) {
        blackFlags(y, m_rect.left() + first, last - first, pels + first);
        return;
    }
    uchar flags[G3Encoder::LineWidth];
    blackFlags(y, m_rect.left() + first, last - first, flags);
    for (int i = first; i < last; ++i) {
        if (flags[i - first]) {
            const int pel = i * m_scaleX;
            std::memset(pels + pel, 1, static_cast<size_t>(std::min(m_scaleX, G3Encoder::LineWidth - pel)));
        }
    }
}

FaxPageCoder &FaxPageCoder::setLines(int step, int maxLines)
{
    m_step = std::max(1, step);
    m_maxLines = std::max(0, maxLines);
    return *this;
}

void FaxPageCoder::code(int minBytesPerLine, const Writer &write, const LineDone &lineDone) const
{
    G3Encoder encoder;
    QByteArray bytes;
    bytes.reserve(2 * G3Encoder::BufferBytes);
    uchar pels[G3Encoder::LineWidth];
    encoder.putEol();
    const int bottom = m_rect.top() + m_rect.height(); // exclusive
    qint64 fineLine = 0;
    int sent = 0;
    for (int y = m_rect.top(); y < bottom && sent < m_maxLines; ++y) {
        bool read = false;
        for (int repeat = 0; repeat < m_scaleY && sent < m_maxLines; ++repeat, ++fineLine) {
            if (fineLine % m_step != 0)
                continue;
            if (!read) {
                pelsOfRow(y, pels);
                read = true;
            }
            ++sent;
            encoder.putLine(pels, G3Encoder::LineWidth);
            encoder.putLineEnd(minBytesPerLine);
            encoder.flush(bytes);
            write(bytes);
            if (lineDone)
                lineDone();
        }
    }
    for (int i = 0; i < 6; ++i)
        encoder.putEol();
    encoder.flush(bytes);
    write(bytes);
}
