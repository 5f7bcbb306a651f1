#pragma once

#include <QList>
#include <QString>

// 最近业务: the last ten jobs each user opened on this client (export,
// import and finance pages), newest first. Kept in RecentJobs.txt beside
// ConnectServer.txt (ClientFile::RecentJobs), one "user=entries" line per user
// in the same GB18030 key=value form; an entry is the page kind's number
// (1 export, 2 import, 3 finance), ':' and the business number.
class RecentJobs
{
public:
    static constexpr int Limit = 10;

    struct Entry {
        int kind = 0; // JobKind: 1 export, 2 import, 3 finance
        QString number;
        bool operator==(const Entry &other) const
        {
            return kind == other.kind && number.compare(other.number, Qt::CaseInsensitive) == 0;
        }
    };

    RecentJobs();
    explicit RecentJobs(QString fileName);

    // The user's jobs, newest first (empty when the file cannot be read).
    QList<Entry> of(const QString &user) const;
    // Puts the job first in the user's list (once), keeping the newest ten.
    // A file that cannot be written loses nothing but the list.
    void note(const QString &user, const Entry &entry) const;

private:
    QString m_fileName;
};
