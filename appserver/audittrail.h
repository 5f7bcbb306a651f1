#pragma once

#include <QString>

struct sqlite3;

// The audit trail: one row in 审计日志 for every call that changed the
// database (rows written or the schema altered), written by the session in
// the same transaction as the change, so that a change rolled back leaves no
// row and a change kept always has one:
//
//     select 时间, 用户名, 客户端地址, 语句, 参数, 影响行数 from 审计日志
//     where 语句 like '%SE2401001%' order by 序号
//
// Password values never reach the trail (nor the server log): a value
// written to or compared with a column named 密码 is shown as '********'.
namespace AuditTrail {

inline constexpr char TableName[] = "审计日志";
inline constexpr char Hidden[] = "'********'";

// The CREATE TABLE statement (IF NOT EXISTS) of the trail.
QString createStatement();
// Adds the table to a database that has none yet (older databases included).
bool ensureTable(sqlite3 *db, QString *error);

struct MaskedStatement {
    QString sql;
    // The bound parameter :p1 stands for a password value.
    bool paramHidden = false;
};

// The statement with every password value replaced by '********': the
// assigned or compared value of a 密码 column (set 密码='…', where 密码=…)
// and its place in the value lists of an insert (by the column list, or by
// the schema's column order when the insert names no columns).
MaskedStatement maskPasswords(const QString &sql);

} // namespace AuditTrail
