#pragma once

#include <QByteArray>
#include <QString>
#include <QStringEncoder>

// One answer, built once in the wire's encoding (GB18030) behind its frame
// header: text appended in pieces is encoded in chunks, so the answer is never
// held as a second, wider string. Past the size limit the frame stops taking
// text and says so (overLimit).
class AnswerFrame
{
public:
    // No limit: a short answer such as "Err…" or "Suc".
    AnswerFrame(const QString &text); // NOLINT(google-explicit-constructor): errors return as text
    explicit AnswerFrame(qint64 limitBytes);

    AnswerFrame &operator+=(QStringView text);
    AnswerFrame &operator+=(QChar c);
    // The text not yet encoded, to append to in place; rowDone() after each
    // row encodes it when it has grown to a chunk.
    QString &pending() { return m_pending; }
    void rowDone()
    {
        if (m_pending.size() >= ChunkChars)
            flush();
    }
    // Past the limit (within one chunk of text): the answer cannot be sent.
    bool overLimit() const;
    qint64 limit() const { return m_limit; }

    // The whole frame, length header first, ready to be written.
    QByteArray frame();
    // The answer as text (for callers that are not the wire).
    QString text();
    operator QString() { return text(); } // NOLINT(google-explicit-constructor)

private:
    // Text gathered before it is encoded: small against any answer worth a limit.
    static constexpr qsizetype ChunkChars = 32 * 1024;
    void flush();

    QByteArray m_bytes;
    QString m_pending;
    QStringEncoder m_encoder{"GB18030"};
    qint64 m_limit = -1;
};
