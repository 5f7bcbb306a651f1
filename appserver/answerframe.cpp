#include "answerframe.h"

#include "textcodec.h"
#include "wireprotocol.h"

#include <QtEndian>

#include <utility>

AnswerFrame::AnswerFrame(const QString &text)
    : m_bytes(WireProtocol::HeaderSize, '\0')
{
    m_pending = text;
}

AnswerFrame::AnswerFrame(qint64 limitBytes)
    : m_bytes(WireProtocol::HeaderSize, '\0')
    , m_limit(limitBytes)
{
    m_pending.reserve(ChunkChars + 1024);
}

AnswerFrame &AnswerFrame::operator+=(QStringView text)
{
    m_pending += text;
    if (m_pending.size() >= ChunkChars)
        flush();
    return *this;
}

AnswerFrame &AnswerFrame::operator+=(QChar c)
{
    m_pending += c;
    if (m_pending.size() >= ChunkChars)
        flush();
    return *this;
}

void AnswerFrame::flush()
{
    if (m_pending.isEmpty())
        return;
    if (m_limit >= 0 && m_bytes.size() - WireProtocol::HeaderSize > m_limit) {
        m_pending.resize(0); // past the limit: nothing more is kept
        return;
    }
    // GB18030 takes at most four bytes for a UTF-16 unit.
    const qsizetype room = m_encoder.requiredSpace(m_pending.size());
    const qsizetype used = m_bytes.size();
    m_bytes.resize(used + room);
    char *end = m_encoder.appendToBuffer(m_bytes.data() + used, m_pending);
    m_bytes.resize(end - m_bytes.constData());
    m_pending.resize(0); // keeps its room for the next chunk
}

bool AnswerFrame::overLimit() const
{
    return m_limit >= 0 && m_bytes.size() - WireProtocol::HeaderSize > m_limit;
}

QByteArray AnswerFrame::frame()
{
    flush();
    qToBigEndian(quint32(m_bytes.size() - WireProtocol::HeaderSize), m_bytes.data());
    return std::exchange(m_bytes, QByteArray(WireProtocol::HeaderSize, '\0'));
}

QString AnswerFrame::text()
{
    flush();
    return TextCodec::decode(QByteArrayView(m_bytes).sliced(WireProtocol::HeaderSize));
}
