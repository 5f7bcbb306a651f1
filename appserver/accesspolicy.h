#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <array>

// Who may read and change what, as data: one table of grants that every
// database engine enforces in its own way (SQLite: the session's authorizer,
// TEMP views and TEMP triggers, sqlitepolicy.h; PostgreSQL: row-level
// security policies of the same rows).
//
//     const AccessPolicy::User me = …;            // loaded at login
//     for (const AccessPolicy::Grant &g : AccessPolicy::grantsFor(me, u"财务"_s, AccessPolicy::Action::Read))
//         … g.rows, g.columns …
//
// A grant gives one action on one table to the users who hold all its rights
// (and its position, when it names one), for the rows its scope names and
// the columns it lists (none listed: every column). What no grant gives is
// refused. Rows follow the visibility rule of the job windows: a 总经理 sees
// every job, a 部门经理 the jobs of his department's operators, everybody else
// the jobs where he or she is 操作员; the dependent tables of a job follow it
// through 业务编号.
namespace AccessPolicy {

enum class Action { Read, Insert, Update, Delete };

enum class Rows {
    Every,        // every row
    Visible,      // a job row the user sees by the visibility rule (its 操作员)
    OfVisibleJob, // a row whose 业务编号 is a job the user sees
    OfLclJob,     // a row whose 业务编号 is a consolidated export job (货代自拼箱, 客户自拼箱)
    Own,          // the user's own row (用户名)
};

struct Grant {
    QString table;
    Action action;
    QList<int> rights;  // all needed (1 to 8); empty: anyone logged in
    QString position;   // needed as well when not empty
    Rows rows;
    QStringList columns; // empty: every column
};

struct TableRules {
    QString table;
    // Job tables whose rows (by 业务编号) a dependent table's rows follow.
    QStringList jobTables;
    // Columns no one reads back (they read as NULL, shown as empty).
    QStringList hiddenColumns;
};

// The logged-in user as the policy sees him (the row of 职员 read at login).
struct User {
    QString userName;
    QString staffName;
    QString department;
    QString position;
    std::array<bool, 8> rights{};

    bool hasRight(int n) const { return n >= 1 && n <= 8 && rights[size_t(n - 1)]; }
    bool isGeneralManager() const;
};

inline constexpr char GeneralManager[] = "总经理";
inline constexpr char DepartmentManager[] = "部门经理";
inline constexpr char StaffTable[] = "职员";
inline constexpr char JobNumberColumn[] = "业务编号";
inline constexpr char OperatorColumn[] = "操作员";

// The consolidated export jobs (Rows::OfLclJob): their table, the column
// and the values that mark them.
inline constexpr char LclJobTable[] = "货运出口基本信息";
inline constexpr char LclTypeColumn[] = "业务类型";
QStringList lclJobTypes();

// Every grant, table by table.
const QList<Grant> &grants();
// Every table the policy knows, with its row and column rules.
const QList<TableRules> &tables();
const TableRules *rulesOf(const QString &table);

// The grants of one action on one table that the user holds.
QList<Grant> grantsFor(const User &user, const QString &table, Action action);
bool covers(const Grant &grant, const QString &column);

// Verbs of the refusal messages ("读取", "新增", "修改", "删除").
QString verb(Action action);
// "无权限: 赵敏 (操作员) 不能修改 职员"
QString refusal(const User &user, Action action, const QString &table, const QString &column = QString());

// The rank rules of the staff table, for everybody but a 总经理: only a
// 总经理 writes a 总经理's row or makes anyone 总经理; a right is granted
// only by someone who holds it (a right the row already had may stay);
// nobody changes his own position or rights.
struct RankRule {
    enum Kind { GeneralManagerRow, MakesGeneralManager, GrantsRightNotHeld, ChangesOwnRank };
    Kind kind;
    QString message;
};
const QList<RankRule> &rankRules();

} // namespace AccessPolicy
