#include "faxportmap.h"
#include "clientfiles.h"

#include "textcodec.h"

#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;

namespace {

QString &overriddenMapFile()
{
    static QString path;
    return path;
}

} // namespace

QString FaxPortMap::mapFile()
{
    if (!overriddenMapFile().isEmpty())
        return overriddenMapFile();
    return ClientFiles::current().path(ClientFile::FaxPorts);
}

void FaxPortMap::setMapFile(const QString &path)
{
    overriddenMapFile() = path;
}

QString FaxPortMap::deviceFor(const QString &comName)
{
    const QString name = comName.trimmed().toUpper();
    QFile file(mapFile());
    if (file.open(QIODevice::ReadOnly)) {
        const QString text = TextCodec::decode(file.readAll());
        for (QStringView line : QStringView(text).split(u'\n')) {
            line = line.trimmed();
            if (line.isEmpty() || line.startsWith(u'#') || line.startsWith(u';'))
                continue;
            const qsizetype eq = line.indexOf(u'=');
            if (eq < 0)
                continue;
            if (line.left(eq).trimmed().toString().toUpper() == name) {
                const QString device = line.mid(eq + 1).trimmed().toString();
                if (!device.isEmpty())
                    return device;
            }
        }
    }
    static const QString standard[] = {u"COM1"_s, u"COM2"_s, u"COM3"_s, u"COM4"_s};
    for (int i = 0; i < 4; ++i) {
        if (name == standard[i])
            return u"/dev/ttyS"_s + QString::number(i);
    }
    return {};
}
