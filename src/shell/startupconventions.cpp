#include "startupconventions.h"


#include <QCoreApplication>
#include <QLocale>

using namespace Qt::StringLiterals;

namespace CommFunU {

QString ShortDateFormat()
{
    return u"yyyy-MM-dd"_s;
}

QString LongTimeFormat()
{
    return u"hh:mm"_s;
}

QString MorningMark()
{
    return u"上午"_s;
}

QString AfternoonMark()
{
    return u"下午"_s;
}

void ApplyStartupConventions()
{
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    QCoreApplication::setApplicationName(ProductName());
}

} // namespace CommFunU
