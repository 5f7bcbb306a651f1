#include "servertrust.h"

#include <QCryptographicHash>
#include <QFile>

using namespace Qt::StringLiterals;

namespace TransportSecurity {

QString fingerprint(const QSslCertificate &certificate)
{
    const QByteArray hex = certificate.digest(QCryptographicHash::Sha256).toHex().toUpper();
    QString text;
    text.reserve(hex.size() * 3 / 2);
    for (qsizetype i = 0; i < hex.size(); i += 2) {
        if (i)
            text += u':';
        text += QLatin1StringView(hex.mid(i, 2));
    }
    return text;
}

QString normalized(const QString &fingerprint)
{
    QString hex;
    for (const QChar c : fingerprint) {
        if (c.isLetterOrNumber())
            hex += c.toUpper();
    }
    return hex;
}

bool sameFingerprint(const QString &a, const QString &b)
{
    const QString left = normalized(a);
    return !left.isEmpty() && left == normalized(b);
}

QStringList fingerprintLines(const QString &fingerprint)
{
    const QStringList pairs = fingerprint.split(u':');
    constexpr int PairsPerLine = 16;
    if (pairs.size() != 2 * PairsPerLine)
        return {fingerprint};
    return {pairs.mid(0, PairsPerLine).join(u':'), pairs.mid(PairsPerLine).join(u':')};
}

QList<QSslCertificate> readAuthorities(const QString &fileName, QString *error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = u"cannot read the CA file %1: %2"_s.arg(fileName, file.errorString());
        return {};
    }
    QList<QSslCertificate> certificates = QSslCertificate::fromData(file.readAll(), QSsl::Pem);
    if (certificates.isEmpty())
        *error = u"the CA file %1 holds no PEM certificate"_s.arg(fileName);
    return certificates;
}

} // namespace TransportSecurity
