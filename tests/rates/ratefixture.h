#pragma once

// The rate windows on a demo database, the windows' connection logged in as
// a demo user and the current user filled as the login window fills it; the
// test's own connection (the administrator) sets rates up and reads them back.

#include "currentuser.h"
#include "demodatabase.h"
#include "ratebook.h"
#include "recordingmessageservice.h"

#include <QHash>

using namespace Qt::StringLiterals;

struct RateFixture : DemoDatabase {
    RecordingMessageService messages;

    bool start(const QString &user)
    {
        if (!DemoDatabase::start())
            return false;
        client->setCredentials(user, u"123456"_s);
        const QStringList staff = ResultReader::fromAnswer(
                                      db->openQuery(u"select 职员姓名,所属部门,职位,分机号码,传真,权限1,权限2,权限3,权限4,"
                                                    u"权限5,权限6,权限7,权限8 from 职员 where 用户名=:p1"_s,
                                                    user, 0))
                                      .next(13);
        CurrentUserRecord &me = CommFunU::CurrentUser();
        me = CurrentUserRecord();
        me.UserName = user;
        me.StaffName = staff.value(0);
        me.Department = staff.value(1);
        me.Position = staff.value(2);
        me.Extension = staff.value(3);
        me.Fax = staff.value(4);
        for (int i = 0; i < 8; ++i)
            me.Rights[size_t(i)] = staff.value(5 + i);
        return !me.StaffName.isEmpty();
    }

    // A rate of the test: the columns given, the others empty; its 序号.
    QString addRate(const QHash<QString, QString> &values) const
    {
        const QString number = QString::number(value(u"select Max(序号) from 运价"_s).toInt() + 1);
        QStringList cells;
        for (const QString &column : RateBook::columns())
            cells << u'\'' + CommFunU::QuoteValue(column == u"序号"_s ? number : values.value(column)) + u'\'';
        const QString failure = exec(u"insert into 运价 values("_s + cells.join(u","_s) + u')');
        return failure.isEmpty() ? number : failure;
    }

    // The stored rate by column name (empty when there is none).
    QHash<QString, QString> rate(const QString &number) const
    {
        ResultReader reader =
            ResultReader::fromAnswer(db->openQuery(u"select * from 运价 where 序号="_s + number, QString(), 0));
        QHash<QString, QString> out;
        if (reader.atEnd())
            return out;
        const QStringList cells = reader.next(int(RateBook::columns().size()));
        for (int c = 0; c < cells.size(); ++c)
            out.insert(RateBook::columns().at(c), cells.at(c));
        return out;
    }
    int count(const QString &condition) const
    {
        return value(u"select count(*) from 运价 where "_s + condition).toInt();
    }
};
