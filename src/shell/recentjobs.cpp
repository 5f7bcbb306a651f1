#include "recentjobs.h"

#include "clientfiles.h"
#include "connectsettings.h"
#include "korvanerror.h"
#include "marks.h"

using namespace Qt::StringLiterals;

RecentJobs::RecentJobs()
    : RecentJobs(ClientFiles::current().path(ClientFile::RecentJobs))
{
}

RecentJobs::RecentJobs(QString fileName)
    : m_fileName(std::move(fileName))
{
}

QList<RecentJobs::Entry> RecentJobs::of(const QString &user) const
{
    QList<Entry> entries;
    if (user.isEmpty())
        return entries;
    QString text;
    try {
        text = ConnectSettings(m_fileName).value(user);
    } catch (const KorvanError &) {
        return entries;
    }
    for (const QString &item : text.split(CommFunU::FieldSep, Qt::SkipEmptyParts)) {
        const qsizetype colon = item.indexOf(u':');
        bool ok = false;
        const int kind = item.left(colon).toInt(&ok);
        if (colon < 1 || !ok || kind < 1 || kind > 3 || colon + 1 >= item.size())
            continue;
        const Entry entry{kind, item.mid(colon + 1)};
        if (!entries.contains(entry) && entries.size() < Limit)
            entries << entry;
    }
    return entries;
}

void RecentJobs::note(const QString &user, const Entry &entry) const
{
    if (user.isEmpty() || user.contains(u'=') || user.contains(u'\n') || entry.number.trimmed().isEmpty() || entry.number.contains(CommFunU::FieldSep)
        || entry.number.contains(u'\n') || entry.number.contains(u'\r'))
        return;
    QList<Entry> entries = of(user);
    entries.removeAll(entry);
    entries.prepend(entry);
    QStringList items;
    for (const Entry &e : std::as_const(entries).mid(0, Limit))
        items << QString::number(e.kind) + u':' + e.number;
    try {
        ConnectSettings(m_fileName).setValue(user, items.join(CommFunU::FieldSep));
    } catch (const KorvanError &) {
    }
}
