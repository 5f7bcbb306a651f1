#include "wireprotocol.h"

#include "textcodec.h"

#include <QtEndian>

namespace WireProtocol {

static void appendLength(QByteArray &out, quint32 n)
{
    char bytes[4];
    qToBigEndian(n, bytes);
    out.append(bytes, 4);
}

static quint32 readLength(const char *p)
{
    return qFromBigEndian<quint32>(p);
}

QByteArray frame(const QByteArray &payload)
{
    QByteArray out;
    out.reserve(HeaderSize + payload.size());
    appendLength(out, quint32(payload.size()));
    out.append(payload);
    return out;
}

QByteArray encodeItems(const QList<QByteArray> &items)
{
    QByteArray out;
    qsizetype total = 0;
    for (const QByteArray &item : items)
        total += HeaderSize + item.size();
    out.reserve(total);
    for (const QByteArray &item : items) {
        appendLength(out, quint32(item.size()));
        out.append(item);
    }
    return out;
}

std::optional<QList<QByteArray>> decodeItems(const QByteArray &payload)
{
    QList<QByteArray> items;
    qsizetype pos = 0;
    while (pos < payload.size()) {
        if (payload.size() - pos < HeaderSize)
            return std::nullopt;
        const quint32 n = readLength(payload.constData() + pos);
        pos += HeaderSize;
        if (n > quint64(payload.size() - pos))
            return std::nullopt;
        items.append(payload.mid(pos, n));
        pos += n;
    }
    return items;
}

FrameStatus takeFrame(QByteArray &buffer, quint32 limit, QByteArray &payload)
{
    if (buffer.size() < HeaderSize)
        return FrameStatus::Incomplete;
    const quint32 n = readLength(buffer.constData());
    if (n > limit)
        return FrameStatus::Oversized;
    if (quint64(buffer.size()) < quint64(HeaderSize) + n)
        return FrameStatus::Incomplete;
    payload = buffer.mid(HeaderSize, n);
    buffer.remove(0, HeaderSize + n);
    return FrameStatus::Complete;
}

QByteArray refusalFrame(const QString &message)
{
    QByteArray payload = QByteArray(Refusal) + TextCodec::encode(message);
    if (payload.size() > qsizetype(MaxGreetingSize))
        payload.truncate(MaxGreetingSize);
    return frame(payload);
}

std::optional<QString> refusalMessage(const QByteArray &payload)
{
    if (!payload.startsWith(Refusal))
        return std::nullopt;
    return TextCodec::decode(QByteArrayView(payload).sliced(qsizetype(sizeof(Refusal)) - 1));
}

} // namespace WireProtocol
