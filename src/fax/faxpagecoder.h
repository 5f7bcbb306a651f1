#pragma once

#include <QImage>
#include <QRect>

#include <functional>

// Codes a rectangle of a bitmap as one Group 3 page (1-D Modified Huffman).
//
// A pixel is black when its colour value (red, green, blue) is 0, white
// otherwise; pixels outside the bitmap, and fully transparent ones, are white.
// Every pixel row of the rectangle becomes scaleY coded lines of exactly 1728
// pels: the row's pixels from the left edge, each repeated scaleX times, cut at
// 1728, white after the right edge. The page opens with an EOL and closes with
// six EOLs (RTC).
//
// Those lines are fine-resolution lines. setLines() sends only every step-th
// of them (2 at normal resolution, whose lines are twice as high) and no more
// than a page holds.
class FaxPageCoder
{
public:
    // Receives each flushed buffer, ready for the wire.
    using Writer = std::function<void(const QByteArray &bytes)>;
    // Called after each coded line has been written.
    using LineDone = std::function<void()>;

    FaxPageCoder(const QImage &canvas, const QRect &rect, int scaleX, int scaleY);

    // Every step-th fine line, at most maxLines of them.
    FaxPageCoder &setLines(int step, int maxLines);

    // minBytesPerLine: the least number of bytes a coded line (before its
    // final zero byte and EOL) takes, from the receiver's minimum scan time.
    void code(int minBytesPerLine, const Writer &write, const LineDone &lineDone = {}) const;

    // The 1728 pels of coded line row (0 = white, 1 = black) for pixel row y.
    void pelsOfRow(int y, uchar *pels) const;

private:
    // Black (1) or white (0) for count pixels of row y from x0, all inside the bitmap.
    void blackFlags(int y, int x0, int count, uchar *out) const;

    QImage m_canvas;
    QRect m_rect;
    int m_scaleX;
    int m_scaleY;
    int m_step = 1;
    int m_maxLines = 1 << 30;
    uchar m_blackIndex[256] = {}; // indexed formats: is colour table entry black
};
