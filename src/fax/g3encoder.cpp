#include "g3encoder.h"

#include "korvanerror.h"

#include <QString>

#include <algorithm>
#include <cstring>

namespace {

struct Code {
    quint16 bits;
    quint8 length;
};

// Terminating codes, run lengths 0..63.
constexpr Code whiteTerminating[64] = {
    {0x35, 8}, {0x07, 6}, {0x07, 4}, {0x08, 4}, {0x0B, 4}, {0x0C, 4}, {0x0E, 4}, {0x0F, 4},
    {0x13, 5}, {0x14, 5}, {0x07, 5}, {0x08, 5}, {0x08, 6}, {0x03, 6}, {0x34, 6}, {0x35, 6},
    {0x2A, 6}, {0x2B, 6}, {0x27, 7}, {0x0C, 7}, {0x08, 7}, {0x17, 7}, {0x03, 7}, {0x04, 7},
    {0x28, 7}, {0x2B, 7}, {0x13, 7}, {0x24, 7}, {0x18, 7}, {0x02, 8}, {0x03, 8}, {0x1A, 8},
    {0x1B, 8}, {0x12, 8}, {0x13, 8}, {0x14, 8}, {0x15, 8}, {0x16, 8}, {0x17, 8}, {0x28, 8},
    {0x29, 8}, {0x2A, 8}, {0x2B, 8}, {0x2C, 8}, {0x2D, 8}, {0x04, 8}, {0x05, 8}, {0x0A, 8},
    {0x0B, 8}, {0x52, 8}, {0x53, 8}, {0x54, 8}, {0x55, 8}, {0x24, 8}, {0x25, 8}, {0x58, 8},
    {0x59, 8}, {0x5A, 8}, {0x5B, 8}, {0x4A, 8}, {0x4B, 8}, {0x32, 8}, {0x33, 8}, {0x34, 8},
};

constexpr Code blackTerminating[64] = {
    {0x37, 10}, {0x02, 3}, {0x03, 2}, {0x02, 2}, {0x03, 3}, {0x03, 4}, {0x02, 4}, {0x03, 5},
    {0x05, 6}, {0x04, 6}, {0x04, 7}, {0x05, 7}, {0x07, 7}, {0x04, 8}, {0x07, 8}, {0x18, 9},
    {0x17, 10}, {0x18, 10}, {0x08, 10}, {0x67, 11}, {0x68, 11}, {0x6C, 11}, {0x37, 11}, {0x28, 11},
    {0x17, 11}, {0x18, 11}, {0xCA, 12}, {0xCB, 12}, {0xCC, 12}, {0xCD, 12}, {0x68, 12}, {0x69, 12},
    {0x6A, 12}, {0x6B, 12}, {0xD2, 12}, {0xD3, 12}, {0xD4, 12}, {0xD5, 12}, {0xD6, 12}, {0xD7, 12},
    {0x6C, 12}, {0x6D, 12}, {0xDA, 12}, {0xDB, 12}, {0x54, 12}, {0x55, 12}, {0x56, 12}, {0x57, 12},
    {0x64, 12}, {0x65, 12}, {0x52, 12}, {0x53, 12}, {0x24, 12}, {0x37, 12}, {0x38, 12}, {0x27, 12},
    {0x28, 12}, {0x58, 12}, {0x59, 12}, {0x2B, 12}, {0x2C, 12}, {0x5A, 12}, {0x66, 12}, {0x67, 12},
};

// Make-up codes, run lengths 64, 128, .. 1728 (index = length / 64 - 1).
constexpr Code whiteMakeUp[27] = {
    {0x1B, 5}, {0x12, 5}, {0x17, 6}, {0x37, 7}, {0x36, 8}, {0x37, 8}, {0x64, 8}, {0x65, 8},
    {0x68, 8}, {0x67, 8}, {0xCC, 9}, {0xCD, 9}, {0xD2, 9}, {0xD3, 9}, {0xD4, 9}, {0xD5, 9},
    {0xD6, 9}, {0xD7, 9}, {0xD8, 9}, {0xD9, 9}, {0xDA, 9}, {0xDB, 9}, {0x98, 9}, {0x99, 9},
    {0x9A, 9}, {0x18, 6}, {0x9B, 9},
};

constexpr Code blackMakeUp[27] = {
    {0x0F, 10}, {0xC8, 12}, {0xC9, 12}, {0x5B, 12}, {0x33, 12}, {0x34, 12}, {0x35, 12},
    {0x6C, 13}, {0x6D, 13}, {0x4A, 13}, {0x4B, 13}, {0x4C, 13}, {0x4D, 13}, {0x72, 13},
    {0x73, 13}, {0x74, 13}, {0x75, 13}, {0x76, 13}, {0x77, 13}, {0x52, 13}, {0x53, 13},
    {0x54, 13}, {0x55, 13}, {0x5A, 13}, {0x5B, 13}, {0x64, 13}, {0x65, 13},
};

// Extended make-up codes shared by both colours, 1792, 1856, .. 2560.
constexpr Code extendedMakeUp[13] = {
    {0x08, 11}, {0x0C, 11}, {0x0D, 11}, {0x12, 12}, {0x13, 12}, {0x14, 12}, {0x15, 12},
    {0x16, 12}, {0x17, 12}, {0x1C, 12}, {0x1D, 12}, {0x1E, 12}, {0x1F, 12},
};

struct ReverseTable {
    uchar bytes[256];
    constexpr ReverseTable() : bytes()
    {
        for (int i = 0; i < 256; ++i) {
            int r = 0;
            for (int b = 0; b < 8; ++b) {
                if (i & (1 << b))
                    r |= 0x80 >> b;
            }
            bytes[i] = static_cast<uchar>(r);
        }
    }
};
constexpr ReverseTable reversed;

constexpr uchar DLE = 0x10;

[[noreturn]] void bufferFull()
{
    throw KorvanError(QStringLiteral("Group 3 encoding buffer is full"));
}

} // namespace

G3Encoder::G3Encoder()
{
    m_bytes.fill(0);
}

void G3Encoder::reset()
{
    m_byteCount = 0;
    m_pending = 0;
    m_pendingBits = 0;
    m_bitCount = 0;
}

void G3Encoder::overflow()
{
    bufferFull();
}

void G3Encoder::putEol()
{
    putBits(1, 12);
}

namespace {

// Make-up and terminating code of every run up to a line's width, joined into
// one code of at most 25 bits, so that a run costs one putBits().
struct JoinedCode {
    quint32 bits;
    int length;
};

struct JoinedTable {
    JoinedCode runs[2][G3Encoder::LineWidth + 1];
    JoinedTable()
    {
        for (int colour = 0; colour < 2; ++colour) {
            for (int length = 0; length <= G3Encoder::LineWidth; ++length) {
                const Code &t = (colour ? blackTerminating : whiteTerminating)[length % 64];
                JoinedCode joined{t.bits, t.length};
                if (length >= 64) {
                    const Code &m = (colour ? blackMakeUp : whiteMakeUp)[length / 64 - 1];
                    joined = {(quint32(m.bits) << t.length) | t.bits, m.length + t.length};
                }
                runs[colour][length] = joined;
            }
        }
    }
};

const JoinedTable &joinedTable()
{
    static const JoinedTable table;
    return table;
}

} // namespace

void G3Encoder::putRun(bool black, int length)
{
    if (length >= 0 && length <= LineWidth) {
        const JoinedCode &c = joinedTable().runs[black ? 1 : 0][length];
        putBits(c.bits, c.length);
        return;
    }
    while (length > 2560 + 63) {
        putBits(extendedMakeUp[12].bits, extendedMakeUp[12].length);
        length -= 2560;
    }
    if (length >= 64) {
        const int makeUp = length / 64; // 1 .. 40
        const Code &c = makeUp <= 27 ? (black ? blackMakeUp : whiteMakeUp)[makeUp - 1]
                                     : extendedMakeUp[makeUp - 28];
        putBits(c.bits, c.length);
        length -= makeUp * 64;
    }
    const Code &t = (black ? blackTerminating : whiteTerminating)[length];
    putBits(t.bits, t.length);
}

void G3Encoder::putLine(const uchar *pels, int count)
{
    // Runs are found eight pels at a time where they are long.
    constexpr quint64 allBlack = 0x0101010101010101ull;
    bool black = false;
    int pos = 0;
    while (pos < count) {
        const int start = pos;
        const quint64 same = black ? allBlack : 0;
        while (pos + 8 <= count) {
            quint64 word;
            std::memcpy(&word, pels + pos, 8);
            if (word != same)
                break;
            pos += 8;
        }
        if (black) {
            while (pos < count && pels[pos])
                ++pos;
        } else {
            while (pos < count && !pels[pos])
                ++pos;
        }
        putRun(black, pos - start);
        black = !black;
    }
}

void G3Encoder::putLineEnd(int minBytes)
{
    while (m_bitCount / 8 < minBytes)
        putBits(0, 8);
    putBits(0, 8);
    putEol();
}

QByteArray G3Encoder::flush()
{
    QByteArray out;
    flush(out);
    return out;
}

void G3Encoder::flush(QByteArray &out)
{
    const int whole = m_byteCount;
    const bool partial = m_pendingBits > 0;
    // Right-aligned, the pending bits are the last byte with its missing
    // zero bits in front: those go on the line first.
    if (partial)
        m_bytes[static_cast<size_t>(m_byteCount)] = static_cast<uchar>(m_pending);
    const int byteCount = whole + (partial ? 1 : 0);
    out.resize(2 * byteCount);
    char *p = out.data();
    for (int i = 0; i < byteCount; ++i) {
        const uchar b = reversed.bytes[m_bytes[static_cast<size_t>(i)]];
        *p++ = static_cast<char>(b);
        if (b == DLE)
            *p++ = static_cast<char>(b);
    }
    const qsizetype size = p - out.constData();
    if (size > BufferBytes)
        bufferFull();
    out.resize(size);
    reset();
}
