#include "connectsettings.h"

#include "clientfiles.h"

#include "korvanerror.h"
#include "textcodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

using namespace Qt::StringLiterals;

ConnectSettings::ConnectSettings()
    : ConnectSettings(ClientFiles::current().path(ClientFile::ConnectSettings))
{
}

ConnectSettings::ConnectSettings(QString fileName)
    : m_fileName(std::move(fileName))
{
}

QStringList ConnectSettings::load() const
{
    QFile file(m_fileName);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly))
        throw KorvanError(u"无法读取 "_s + m_fileName + u": "_s + file.errorString());
    QString text = TextCodec::decode(file.readAll());
    text.replace(u"\r\n"_s, u"\n"_s);
    text.replace(u'\r', u'\n');
    QStringList lines = text.split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QString ConnectSettings::value(const QString &key) const
{
    for (const QString &line : load()) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq >= 0 && line.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0)
            return line.mid(eq + 1).trimmed();
    }
    return QString();
}

void ConnectSettings::setValue(const QString &key, const QString &value) const
{
    QStringList lines = load();
    const QString entry = key + u'=' + value;
    bool found = false;
    for (QString &line : lines) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq >= 0 && line.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0) {
            line = entry;
            found = true;
            break;
        }
    }
    if (!found)
        lines.append(entry);

    // Written whole through a temporary file, so a failed write never leaves
    // a half-written settings file behind.
    QSaveFile file(m_fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw KorvanError(u"无法写入 "_s + m_fileName + u": "_s + file.errorString());
    const QString text = lines.join(u"\r\n"_s) + u"\r\n"_s;
    file.write(TextCodec::encode(text));
    if (!file.commit())
        throw KorvanError(u"无法写入 "_s + m_fileName + u": "_s + file.errorString());
}

int ConnectSettings::port() const
{
    bool ok = false;
    const int number = value(u"Port"_s).toInt(&ok);
    // 0 and numbers above 65535 are no port either: they take the default too.
    if (ok && number > 0 && number <= 65535)
        return number;
    setValue(u"Port"_s, QString::number(DefaultPort));
    return DefaultPort;
}

ServerTrust ConnectSettings::trust(const QString &address) const
{
    ServerTrust trust;
    trust.pinStore = m_fileName + u" 中的 Fingerprint= 一行"_s;
    const QString caFile = value(u"CAFile"_s);
    if (!caFile.isEmpty()) {
        // A relative name is read beside the settings file.
        const QString path = QDir(QFileInfo(m_fileName).absolutePath()).absoluteFilePath(caFile);
        QString error;
        trust.authorities = TransportSecurity::readAuthorities(path, &error);
        if (trust.authorities.isEmpty())
            throw KorvanError(u"无法使用 "_s + m_fileName + u" 中 CAFile= 指定的证书: "_s + error);
        return trust;
    }
    const QString pin = value(u"Fingerprint"_s);
    if (!pin.isEmpty() && value(u"IP"_s).compare(address.trimmed(), Qt::CaseInsensitive) == 0)
        trust.fingerprints = {pin};
    return trust;
}

void ConnectSettings::keepFingerprint(const QString &address, const QString &fingerprint) const
{
    setValue(u"IP"_s, address.trimmed());
    setValue(u"Fingerprint"_s, fingerprint);
}
