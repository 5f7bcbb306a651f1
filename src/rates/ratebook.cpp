#include "ratebook.h"

#include "values.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace RateBook {

const QList<RateType> &types()
{
    static const QList<RateType> all{{u"20'GP"_s, u"20GP"_s}, {u"40'GP"_s, u"40GP"_s}, {u"40'HC"_s, u"40HC"_s},
                                     {u"45'HC"_s, u"45HC"_s}, {u"CBM"_s, u"CBM"_s}};
    return all;
}

QStringList columns()
{
    QStringList c{u"序号"_s, u"船公司"_s, u"航线"_s, u"起运港"_s, u"目的港"_s, u"中转港"_s, u"币种"_s};
    for (int i = 0; i < types().size(); ++i)
        c << costColumn(i);
    for (int i = 0; i < types().size(); ++i)
        c << sellColumn(i);
    c << u"附加费"_s << u"船期"_s << u"航程"_s << u"生效日期"_s << u"失效日期"_s << u"备注"_s << u"录入人"_s
      << u"修改日期"_s;
    return c;
}

QStringList typeCaptions()
{
    QStringList captions;
    for (const RateType &type : types())
        captions << type.caption;
    return captions;
}

int typeIndex(const QString &caption)
{
    const QString wanted = caption.trimmed();
    for (int i = 0; i < types().size(); ++i) {
        if (types().at(i).caption.compare(wanted, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString costColumn(int type)
{
    return u"成本"_s + types().value(type).column;
}

QString sellColumn(int type)
{
    return u"售价"_s + types().value(type).column;
}

QStringList listColumns()
{
    QStringList c = columns().mid(0, 7);
    for (int i = 0; i < types().size(); ++i)
        c << sellColumn(i);
    c << u"附加费"_s << u"船期"_s << u"航程"_s << u"生效日期"_s << u"失效日期"_s << u"备注"_s;
    return c;
}

QStringList listCaptions()
{
    QStringList c = listColumns();
    for (int i = 0; i < types().size(); ++i)
        c[7 + i] = types().at(i).caption;
    return c;
}

QList<std::pair<QString, int>> containers(const QString &summary)
{
    QList<std::pair<QString, int>> out;
    for (const QString &part : summary.split(u'&', Qt::SkipEmptyParts)) {
        const QString item = part.trimmed();
        if (item.isEmpty())
            continue;
        const qsizetype star = item.lastIndexOf(u'*');
        bool ok = true;
        const int count = star < 0 ? 1 : item.mid(star + 1).trimmed().toInt(&ok);
        out.append({(star < 0 ? item : item.left(star)).trimmed(), ok ? count : 0});
    }
    return out;
}

std::optional<QString> storedPrice(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return QString();
    // Digits with an optional sign, point and thousands commas, nothing else:
    // "USD 100" or "100元" is no price.
    static const QRegularExpression number(u"^[+-]?([0-9][0-9,]*(\\.[0-9]*)?|\\.[0-9]+)$"_s);
    if (!number.match(t).hasMatch())
        return std::nullopt;
    try {
        return CommFunU::FormatAmount(CommFunU::ParseAmount(t));
    } catch (...) {
        return std::nullopt;
    }
}

QString validOn(const QDate &day)
{
    const QString d = CommFunU::DateText(day);
    return u" (生效日期<='"_s + d + u"') and (失效日期>='"_s + d + u"') "_s;
}

QString adjusted(const QString &price, Change change, Amount by)
{
    if (price.trimmed().isEmpty())
        return QString();
    const Amount old = CommFunU::ParseAmount(price);
    return CommFunU::FormatAmount(change == Percent ? old + old.percentOf(by) : old + by);
}

} // namespace RateBook
