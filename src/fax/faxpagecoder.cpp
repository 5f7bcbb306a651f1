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

void FaxPageCoder::pelsOfRow(int y, uchar *pels) const
{
    std::memset(pels, 0, G3Encoder::LineWidth);
    if (y < 0 || y >= m_canvas.height() || m_scaleX < 1)
        return;
    const int right = m_rect.left() + m_rect.width(); // exclusive
    const uchar *line = m_canvas.constScanLine(y);
    const QImage::Format format = m_canvas.format();
    int pel = 0;
    for (int x = m_rect.left(); x < right && pel < G3Encoder::LineWidth; ++x, pel += m_scaleX) {
        if (x < 0 || x >= m_canvas.width())
            continue;
        bool black;
        switch (format) {
        case QImage::Format_Mono:
            black = m_blackIndex[(line[x >> 3] >> (7 - (x & 7))) & 1];
            break;
        case QImage::Format_MonoLSB:
            black = m_blackIndex[(line[x >> 3] >> (x & 7)) & 1];
            break;
        case QImage::Format_Indexed8:
            black = m_blackIndex[line[x]];
            break;
        default:
            black = isBlack(reinterpret_cast<const QRgb *>(line)[x]);
            break;
        }
        if (black)
            std::memset(pels + pel, 1, static_cast<size_t>(std::min(m_scaleX, G3Encoder::LineWidth - pel)));
    }
}

void FaxPageCoder::code(int minBytesPerLine, const Writer &write, const LineDone &lineDone) const
{
    G3Encoder encoder;
    uchar pels[G3Encoder::LineWidth];
    encoder.putEol();
    const int bottom = m_rect.top() + m_rect.height(); // exclusive
    for (int y = m_rect.top(); y < bottom; ++y) {
        pelsOfRow(y, pels);
        for (int repeat = 0; repeat < m_scaleY; ++repeat) {
            encoder.putLine(pels, G3Encoder::LineWidth);
            encoder.putLineEnd(minBytesPerLine);
            write(encoder.flush());
            if (lineDone)
                lineDone();
        }
    }
    for (int i = 0; i < 6; ++i)
        encoder.putEol();
    write(encoder.flush());
}
