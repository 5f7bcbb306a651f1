#pragma once

#include <QByteArray>
#include <QString>

// GB18030 is the encoding of the wire and of every text file the client keeps:
// byte-identical to GBK for every GBK character, and it loses no character.
namespace TextCodec {

QByteArray encode(QStringView text);
QString decode(QByteArrayView bytes);

} // namespace TextCodec
