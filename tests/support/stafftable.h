#pragma once

// Staff rows for the login tests, written into the test server's 职员 table.

#include "korvanerror.h"
#include "queryhelpers.h"
#include "serverconnection.h"

#include <QStringList>

struct StaffRow {
    QString user;
    QString password;
    QString name;
    QString department;
    QString position;
    QString extension;
    QString fax;
    QStringList rights; // 权限1 … 权限8
};

// Creates 职员 when the database has none (a server without a schema) and
// replaces its rows by rows. Throws KorvanError with the server's answer.
inline void fillStaffTable(ServerConnection &server, const QList<StaffRow> &rows)
{
    using namespace Qt::StringLiterals;
    const auto exec = [&server](const QString &sql) {
        const QString answer = server.execSql(sql, QString());
        if (answer.startsWith(u"Err"_s))
            throw KorvanError(sql + u" -> "_s + answer);
    };
    // Only a server without its schema lacks the table (DDL is refused otherwise).
    if (server.openQuery(u"select count(*) from 职员"_s, QString(), 0).startsWith(u"Err"_s))
        exec(u"create table if not exists 职员 (职员姓名 text, 用户名 text primary key, 密码 text, 英文名 text, "
         "生日 text, 录用日期 text, 离职日期 text, 所属部门 text, 职位 text, 分机号码 text, 传真 text, "
         "档案所在地 text, 劳动手册 text, 手册状态 text, Email text, 家庭电话 text, 手机号 text, 家庭地址 text, "
         "邮编 text, 权限1 text, 权限2 text, 权限3 text, 权限4 text, 权限5 text, 权限6 text, 权限7 text, "
         "权限8 text)"_s);
    exec(u"delete from 职员"_s);
    for (const StaffRow &row : rows) {
        QString sql = u"insert into 职员 (用户名, 密码, 职员姓名, 所属部门, 职位, 分机号码, 传真, 权限1, 权限2, 权限3, "
                      "权限4, 权限5, 权限6, 权限7, 权限8)"_s;
        QString values;
        for (const QString &v : QStringList{row.user, row.password, row.name, row.department, row.position,
                                            row.extension, row.fax}
                                    + row.rights)
            values += u'\'' + CommFunU::QuoteValue(v) + u"',"_s;
        values.chop(1);
        exec(sql + u" values("_s + values + u')');
    }
}

inline QStringList rightsOf(const char *digits)
{
    QStringList out;
    for (const char *d = digits; *d; ++d)
        out << QString(QLatin1Char(*d));
    return out;
}
