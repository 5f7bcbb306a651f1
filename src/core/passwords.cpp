#include "passwords.h"

#include <QCryptographicHash>
#include <QPasswordDigestor>
#include <QRandomGenerator>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace CommFunU {

namespace {

const QString Marker = u"pbkdf2-sha256$"_s;
constexpr int Iterations = 100000;
constexpr int SaltBytes = 16;
constexpr int KeyBytes = 32;
// A stored digest naming more rounds than this is not read: a crafted row
// must not keep a login busy for minutes.
constexpr int MostIterations = 5000000;

QByteArray deriveKey(const QString &password, const QByteArray &salt, int iterations)
{
    return QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256, password.toUtf8(), salt, iterations,
                                              KeyBytes);
}

// Compares without stopping at the first difference, so the time taken
// tells nothing about how much of a guess was right.
bool sameBytes(const QByteArray &a, const QByteArray &b)
{
    if (a.size() != b.size())
        return false;
    unsigned char difference = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        difference |= static_cast<unsigned char>(a.at(i) ^ b.at(i));
    return difference == 0;
}

} // namespace

QString PasswordToStore(const QString &password)
{
    if (password.isEmpty())
        return QString();
    quint32 words[SaltBytes / 4];
    QRandomGenerator::system()->fillRange(words);
    const QByteArray salt(reinterpret_cast<const char *>(words), SaltBytes);
    return Marker + QString::number(Iterations) + u'$' + QString::fromLatin1(salt.toBase64()) + u'$'
           + QString::fromLatin1(deriveKey(password, salt, Iterations).toBase64());
}

bool IsPasswordDigest(const QString &stored)
{
    return stored.startsWith(Marker);
}

bool PasswordMatches(const QString &stored, const QString &typed)
{
    if (!IsPasswordDigest(stored))
        return stored == typed;
    const QStringList parts = stored.mid(Marker.size()).split(u'$');
    if (parts.size() != 3)
        return false;
    bool ok = false;
    const int iterations = parts.at(0).toInt(&ok);
    const auto salt = QByteArray::fromBase64Encoding(parts.at(1).toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    const auto key = QByteArray::fromBase64Encoding(parts.at(2).toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!ok || iterations < 1 || iterations > MostIterations || !salt || !key || salt.decoded.isEmpty()
        || key.decoded.size() != KeyBytes)
        return false;
    return sameBytes(deriveKey(typed, salt.decoded, iterations), key.decoded);
}

} // namespace CommFunU
