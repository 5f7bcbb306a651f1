#pragma once

#include <QByteArray>

#include <array>

// One-dimensional Modified Huffman coder of Group 3 fax (ITU-T T.4).
//
// Codes are collected most significant bit first in a buffer of 2048 bytes
// (16384 bits). flush() turns the buffer into the bytes a Class 2 modem
// expects: each byte bit-reversed so that the first code bit goes first, a
// DLE (0x10) doubled, and an incomplete last byte padded with zero bits in
// front of its code bits. Every buffer the fax driver flushes ends with an
// EOL, so that padding only lengthens the EOL's run of zeros.
//
// Overflowing the buffer raises KorvanError "Group 3 encoding buffer is full".
class G3Encoder
{
public:
    static constexpr int BufferBytes = 2048;
    static constexpr int BufferBits = BufferBytes * 8;
    static constexpr int LineWidth = 1728; // pels of an A4 scan line

    G3Encoder();

    // Empties the buffer.
    void reset();
    int bitCount() const { return m_bitCount; }

    // Appends the length (at most 32) low bits of code, most significant first.
    void putBits(quint32 code, int length)
    {
        if (m_bitCount + length > BufferBits)
            overflow();
        if (length <= 0)
            return;
        m_pending = (m_pending << length) | (code & (length >= 32 ? ~0u : (1u << length) - 1));
        m_pendingBits += length;
        m_bitCount += length;
        while (m_pendingBits >= 8) {
            m_pendingBits -= 8;
            m_bytes[static_cast<size_t>(m_byteCount++)] = static_cast<uchar>(m_pending >> m_pendingBits);
        }
        m_pending &= (quint64(1) << m_pendingBits) - 1;
    }
    // The 12-bit end-of-line code 000000000001.
    void putEol();
    // One run: make-up codes for the multiples of 64 (the extended make-up
    // codes 1792..2560 serve both colours; longer runs repeat 2560), then the
    // terminating code of the remainder.
    void putRun(bool black, int length);
    // A scan line as alternating runs starting with white (a white run of 0
    // when the first pel is black). pels holds count bytes, 0 = white, else black.
    void putLine(const uchar *pels, int count);
    // Fill and end of a coded line: zero bytes until the buffer holds at least
    // minBytes whole bytes, one zero byte more, then an EOL.
    void putLineEnd(int minBytes);

    // The buffer as wire bytes (see above); resets the buffer.
    QByteArray flush();
    // The same, written into out (replacing its contents, keeping its capacity).
    void flush(QByteArray &out);

private:
    [[noreturn]] static void overflow();

    std::array<uchar, BufferBytes> m_bytes; // whole bytes, codes most significant bit first
    int m_byteCount = 0;
    quint64 m_pending = 0; // the bits not yet making a whole byte, right-aligned
    int m_pendingBits = 0;
    int m_bitCount = 0;
};
