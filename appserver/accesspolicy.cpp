#include "accesspolicy.h"

using namespace Qt::StringLiterals;

namespace AccessPolicy {

namespace {

constexpr Action Read = Action::Read;
constexpr Action Insert = Action::Insert;
constexpr Action Update = Action::Update;
constexpr Action Delete = Action::Delete;

const QString ExportJob = u"货运出口基本信息"_s;
const QString ImportJob = u"货运进口基本信息"_s;
const QString ExportCargo = u"货运出口货物明细"_s;

// What the export windows every right-2 user opens show of other operators'
// jobs: the allocation lists of a fleet or warehouse and the LCL window of
// one sailing.
const QStringList SharedExportColumns = {
    u"业务编号"_s, u"船名"_s, u"航次"_s, u"提单号"_s, u"目的港"_s, u"卸货港"_s, u"船期"_s, u"货名"_s, u"件数"_s,
    u"毛重"_s, u"尺码"_s, u"箱型箱量"_s, u"装箱仓库地址"_s, u"装箱仓库联系人"_s, u"装箱仓库联系电话"_s,
    u"装箱入仓日期"_s, u"车队"_s, u"仓库"_s, u"做箱情况"_s, u"拼箱编号"_s, u"货物已报关"_s, u"货名简称"_s,
    u"委托人"_s, u"业务类型"_s,
};

// The tables of one job kind and the right of its menu.
struct JobKind {
    QString basic;
    QStringList dependents;
    int right;
};

const QList<JobKind> &jobKinds()
{
    static const QList<JobKind> kinds = {
        {ExportJob,
         {ExportCargo, u"货运出口报关单"_s, u"货运出口报检单"_s, u"货运出口更正单"_s, u"货运出口费用明细"_s},
         2},
        {ImportJob, {u"货运进口货物明细"_s, u"货运进口费用明细"_s}, 3},
    };
    return kinds;
}

bool isFeeTable(const QString &table)
{
    return table.endsWith(u"费用明细"_s);
}

QList<Grant> buildGrants()
{
    QList<Grant> g;
    for (const JobKind &kind : jobKinds()) {
        // The basic row: seen by everyone it is visible to (the business
        // query is every user's home page), kept by the kind's operators,
        // read whole by finance.
        g << Grant{kind.basic, Read, {}, {}, Rows::Visible, {}};
        g << Grant{kind.basic, Read, {7}, {}, Rows::Every, {}};
        for (Action a : {Insert, Update, Delete})
            g << Grant{kind.basic, a, {kind.right}, {}, Rows::Visible, {}};
        for (const QString &table : kind.dependents) {
            g << Grant{table, Read, {}, {}, Rows::OfVisibleJob, {}};
            for (Action a : {Insert, Update, Delete})
                g << Grant{table, a, {kind.right}, {}, Rows::OfVisibleJob, {}};
            if (isFeeTable(table)) {
                // The finance window reads every job's fees and, with
                // 费用明细, opens them for editing.
                g << Grant{table, Read, {7}, {}, Rows::Every, {}};
                for (Action a : {Insert, Update, Delete})
                    g << Grant{table, a, {7, 8}, {}, Rows::Every, {}};
            }
        }
    }
    // The allocation lists and the LCL window of every export user.
    g << Grant{ExportJob, Read, {2}, {}, Rows::Every, SharedExportColumns};
    g << Grant{ExportCargo, Read, {2}, {}, Rows::Every, {}};
    g << Grant{ExportCargo, Update, {2}, {}, Rows::OfLclJob, {u"箱类型"_s, u"集装箱号封号"_s}};

    // The finance row of a job: kept by finance, shown in the job windows,
    // deleted with its job.
    const QString finance = u"财务"_s;
    g << Grant{finance, Read, {}, {}, Rows::OfVisibleJob, {}};
    g << Grant{finance, Read, {7}, {}, Rows::Every, {}};
    for (Action a : {Insert, Update, Delete})
        g << Grant{finance, a, {7}, {}, Rows::Every, {}};
    for (const JobKind &kind : jobKinds())
        g << Grant{finance, Delete, {kind.right}, {}, Rows::OfVisibleJob, {}};

    // Master data. Departments and ports need no right; every pick list
    // reads staff and units.
    for (const QString &table : {u"部门"_s, u"港口"_s}) {
        for (Action a : {Read, Insert, Update, Delete})
            g << Grant{table, a, {}, {}, Rows::Every, {}};
    }
    g << Grant{u"单位"_s, Read, {}, {}, Rows::Every, {}};
    for (Action a : {Insert, Update, Delete})
        g << Grant{u"单位"_s, a, {4}, {}, Rows::Every, {}};
    const QString staff = QString::fromUtf8(StaffTable);
    g << Grant{staff, Read, {}, {}, Rows::Every, {}};
    for (Action a : {Insert, Update, Delete})
        g << Grant{staff, a, {5}, {}, Rows::Every, {}};
    g << Grant{staff, Update, {}, {}, Rows::Own, {u"密码"_s}};

    // The rate book: kept by 运价维护 (right 6); read there and by export
    // staff (right 2), whose fee details look rates up (查运价) and who quote.
    g << Grant{u"运价"_s, Read, {2}, {}, Rows::Every, {}} << Grant{u"运价"_s, Read, {6}, {}, Rows::Every, {}};
    for (Action a : {Insert, Update, Delete})
        g << Grant{u"运价"_s, a, {6}, {}, Rows::Every, {}};

    // The audit trail: read by the general manager; written by the server only.
    g << Grant{u"审计日志"_s, Read, {}, QString::fromUtf8(GeneralManager), Rows::Every, {}};
    return g;
}

QList<TableRules> buildTables()
{
    QList<TableRules> t;
    for (const JobKind &kind : jobKinds()) {
        t << TableRules{kind.basic, {}, {}};
        for (const QString &table : kind.dependents)
            t << TableRules{table, {kind.basic}, {}};
    }
    t << TableRules{u"财务"_s, {ExportJob, ImportJob}, {}};
    t << TableRules{u"部门"_s, {}, {}} << TableRules{u"港口"_s, {}, {}} << TableRules{u"单位"_s, {}, {}};
    t << TableRules{u"运价"_s, {}, {}};
    t << TableRules{QString::fromUtf8(StaffTable), {}, {u"密码"_s}};
    t << TableRules{u"审计日志"_s, {}, {}};
    return t;
}

} // namespace

QStringList lclJobTypes()
{
    return {u"货代自拼箱"_s, u"客户自拼箱"_s};
}

bool User::isGeneralManager() const
{
    return position == QString::fromUtf8(GeneralManager);
}

const QList<Grant> &grants()
{
    static const QList<Grant> all = buildGrants();
    return all;
}

const QList<TableRules> &tables()
{
    static const QList<TableRules> all = buildTables();
    return all;
}

const TableRules *rulesOf(const QString &table)
{
    for (const TableRules &rules : tables()) {
        if (rules.table.compare(table, Qt::CaseInsensitive) == 0)
            return &rules;
    }
    return nullptr;
}

QList<Grant> grantsFor(const User &user, const QString &table, Action action)
{
    QList<Grant> held;
    for (const Grant &grant : grants()) {
        if (grant.action != action || grant.table.compare(table, Qt::CaseInsensitive) != 0)
            continue;
        if (!grant.position.isEmpty() && grant.position != user.position)
            continue;
        bool all = true;
        for (int right : grant.rights)
            all = all && user.hasRight(right);
        if (all)
            held << grant;
    }
    return held;
}

bool covers(const Grant &grant, const QString &column)
{
    if (grant.columns.isEmpty())
        return true;
    for (const QString &c : grant.columns) {
        if (c.compare(column, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QString verb(Action action)
{
    switch (action) {
    case Action::Read:
        return u"读取"_s;
    case Action::Insert:
        return u"新增"_s;
    case Action::Update:
        return u"修改"_s;
    case Action::Delete:
        return u"删除"_s;
    }
    return QString();
}

QString refusal(const User &user, Action action, const QString &table, const QString &column)
{
    const QString who = user.staffName.isEmpty() ? user.userName : user.staffName;
    QString text = u"无权限: %1 (%2) 不能%3 %4"_s.arg(who, user.position, verb(action), table);
    if (!column.isEmpty())
        text += u'.' + column;
    return text;
}

const QList<RankRule> &rankRules()
{
    static const QList<RankRule> rules = {
        {RankRule::GeneralManagerRow, u"无权限: 只有总经理可以修改总经理的资料"_s},
        {RankRule::MakesGeneralManager, u"无权限: 只有总经理可以任命总经理"_s},
        {RankRule::GrantsRightNotHeld, u"无权限: 不能授予您自己没有的权限"_s},
        {RankRule::ChangesOwnRank, u"无权限: 不能修改自己的权限和职位"_s},
    };
    return rules;
}

} // namespace AccessPolicy
