#include "serverinfo.h"

#include <QDateTime>
#include <QFileInfo>
#include <QSettings>

using namespace Qt::StringLiterals;

ServerInfo::ServerInfo()
    : heading(u"上海Korvan国际货运代理有限公司"_s)
    , fromText(u"上海Korvan国际货运代理有限公司"_s)
    , telephone(u"电话: 021-00000000"_s)
{
}

bool ServerInfo::load(const QString &path)
{
    if (!QFileInfo::exists(path))
        return true;
    QSettings settings(path, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError)
        return false;
    heading = settings.value("info/Heading", heading).toString();
    fromText = settings.value("info/FromText", fromText).toString();
    telephone = settings.value("info/Telephone", telephone).toString();
    return true;
}

QString ServerInfo::answer(int n) const
{
    switch (n) {
    case 1:
        return heading;
    case 2:
        return QDate::currentDate().toString(u"yyyy-MM-dd"_s);
    case 3:
        return QTime::currentTime().toString(u"hh:mm"_s);
    case 4:
        return fromText;
    case 6:
        return telephone;
    default:
        return u"ErrGetInfo knows no text %1"_s.arg(n);
    }
}
