#include "textcodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace TextCodec {

QByteArray encode(QStringView text)
{
    QStringEncoder encoder("GB18030");
    return encoder.encode(text);
}

QString decode(QByteArrayView bytes)
{
    QStringDecoder decoder("GB18030");
    return decoder.decode(bytes);
}

} // namespace TextCodec
