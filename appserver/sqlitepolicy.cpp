#include "sqlitepolicy.h"

#include "audittrail.h"
#include "schema.h"
#include "sqltokenizer.h"

#include <sqlite3.h>

#include <QMap>

#include <algorithm>

using namespace Qt::StringLiterals;
using AccessPolicy::Action;
using AccessPolicy::Grant;
using AccessPolicy::Rows;

namespace {

const QString KeptTable = u"korvan_keep_staff"_s;
const QString ObjectPrefix = u"korvan_policy_"_s;
const QString WritableColumn = u"korvan_writable"_s;
const QString SchemaRefusal = u"无权限: 数据库结构只由服务器维护, 客户端不能建立、修改或删除表、视图和触发器"_s;

QString ident(const QString &name)
{
    QString text = name;
    text.replace(u'"', u"\"\""_s);
    return u'"' + text + u'"';
}

QString literal(const QString &value)
{
    QString text = value;
    text.replace(u'\'', u"''"_s);
    return u'\'' + text + u'\'';
}

QString column(const QString &ref, const QString &name)
{
    return ref.isEmpty() ? ident(name) : ref + u'.' + ident(name);
}

QString utf8(const char *text)
{
    return text ? QString::fromUtf8(text) : QString();
}

// A schema's name however spelled: SQLite also takes a 'quoted' text for a
// name where only a name can stand.
bool isSchemaName(const SqlToken &token)
{
    QString name = token.text;
    if (token.kind == SqlToken::Name || token.kind == SqlToken::DqString || token.kind == SqlToken::String)
        name = name.mid(1, name.size() - 2);
    else if (token.kind != SqlToken::Word)
        return false;
    return name.compare(u"main"_s, Qt::CaseInsensitive) == 0 || name.compare(u"temp"_s, Qt::CaseInsensitive) == 0
           || name.compare(u"temporary"_s, Qt::CaseInsensitive) == 0;
}

QString bareName(const SqlToken &token)
{
    if (token.kind == SqlToken::Name || token.kind == SqlToken::DqString || token.kind == SqlToken::String)
        return token.text.mid(1, token.text.size() - 2);
    return token.text;
}

QList<Rows> rowsOf(const QList<Grant> &grants, const QString &columnName = QString())
{
    QList<Rows> rows;
    for (const Grant &g : grants) {
        if ((columnName.isEmpty() || AccessPolicy::covers(g, columnName)) && !rows.contains(g.rows))
            rows << g.rows;
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

bool wholeTable(const QList<Grant> &grants)
{
    return std::any_of(grants.cbegin(), grants.cend(),
                       [](const Grant &g) { return g.rows == Rows::Every && g.columns.isEmpty(); });
}

// Functions that reach outside the database or into the engine itself.
bool isRefusedFunction(const char *name)
{
    static const char *const refused[] = {"load_extension", "fts3_tokenizer", "fts5", "readfile", "writefile",
                                          "edit", "sqlite_dbpage", "zipfile", "sqlar_compress", "sqlar_uncompress"};
    for (const char *f : refused) {
        if (name && qstricmp(name, f) == 0)
            return true;
    }
    return false;
}

// Where the clauses of one statement stand at its own level (outside
// parentheses), from one significant token on: positions among the
// significant tokens, -1 when absent.
struct Clauses {
    qsizetype from = -1;     // UPDATE … FROM
    qsizetype where = -1;
    qsizetype whereEnd = -1; // RETURNING, ORDER BY, LIMIT, or the statement's end
    qsizetype upsert = -1;   // ON CONFLICT … DO UPDATE
};

Clauses clausesOf(const QList<SqlToken> &tokens, const QList<qsizetype> &sig, qsizetype start)
{
    Clauses c;
    int depth = 0;
    qsizetype p = start;
    for (; p < sig.size(); ++p) {
        const SqlToken &t = tokens.at(sig.at(p));
        if (t.is("("))
            ++depth;
        else if (t.is(")"))
            --depth;
        if (depth != 0)
            continue;
        if (t.is(";"))
            break;
        if (t.isWord("where") && c.where < 0)
            c.where = p;
        else if (t.isWord("from") && c.where < 0)
            c.from = p;
        else if (t.isWord("do") && p + 1 < sig.size() && tokens.at(sig.at(p + 1)).isWord("update"))
            c.upsert = p;
        else if (c.whereEnd < 0 && (t.isWord("returning") || t.isWord("order") || t.isWord("limit")))
            c.whereEnd = p;
    }
    if (c.whereEnd < 0)
        c.whereEnd = p;
    return c;
}

// The terms of a WHERE (significant tokens from .. to) that its top level
// ANDs and that compare a column with a constant (a = 'x', t.a = :p1, 'x' =
// a), joined by AND; empty when there are none, or when an OR, BETWEEN or
// CASE at its top level could make a piece between two ANDs no term of its.
QString keyTerms(const QList<SqlToken> &tokens, const QList<qsizetype> &sig, qsizetype from, qsizetype to)
{
    const auto tok = [&](qsizetype p) -> const SqlToken & { return tokens.at(sig.at(p)); };
    const auto isConstant = [](const SqlToken &t) {
        return t.kind == SqlToken::String || t.kind == SqlToken::Number || t.kind == SqlToken::Param;
    };
    const auto isColumn = [](const SqlToken &t) {
        return t.kind == SqlToken::Name || (t.kind == SqlToken::Word && !t.isWord("null"));
    };
    QList<QList<qsizetype>> pieces{{}};
    int depth = 0;
    for (qsizetype p = from; p < to; ++p) {
        const SqlToken &t = tok(p);
        depth += t.is("(") ? 1 : t.is(")") ? -1 : 0;
        if (depth == 0 && (t.isWord("or") || t.isWord("between") || t.isWord("case")))
            return QString();
        if (depth == 0 && t.isWord("and"))
            pieces.append(QList<qsizetype>());
        else
            pieces.last().append(p);
    }
    QStringList terms;
    for (const QList<qsizetype> &piece : std::as_const(pieces)) {
        QList<const SqlToken *> t;
        QStringList text;
        for (qsizetype p : piece) {
            t << &tok(p);
            text << tok(p).text;
        }
        const bool simple = t.size() == 3 && t[1]->is("=")
                            && ((isColumn(*t[0]) && isConstant(*t[2])) || (isConstant(*t[0]) && isColumn(*t[2])));
        const bool qualified = t.size() == 5 && isColumn(*t[0]) && t[1]->is(".") && isColumn(*t[2]) && t[3]->is("=")
                               && isConstant(*t[4]);
        if (simple || qualified)
            terms << text.join(u' ');
    }
    return terms.join(u" AND "_s);
}

QString rowViewName(const QString &table, Action action)
{
    return ObjectPrefix + (action == Action::Update ? u"update_"_s : u"delete_"_s) + table;
}

} // namespace

SqlitePolicy::SqlitePolicy(sqlite3 *db)
    : m_db(db)
{
}

bool SqlitePolicy::exec(const QString &sql, QString *error)
{
    const QByteArray text = sql.toUtf8();
    char *message = nullptr;
    const int rc = sqlite3_exec(m_db, text.constData(), nullptr, nullptr, &message);
    if (rc != SQLITE_OK && error)
        *error = QString::fromUtf8(message ? message : sqlite3_errstr(rc));
    sqlite3_free(message);
    return rc == SQLITE_OK;
}

void SqlitePolicy::clear()
{
    QStringList drops;
    sqlite3_stmt *stmt = nullptr;
    const char sql[] = "SELECT type, name FROM sqlite_temp_schema WHERE type = 'view' "
                       "OR (type = 'trigger' AND name LIKE 'korvan\\_policy\\_%' ESCAPE '\\')";
    if (sqlite3_prepare_v2(m_db, sql, -1, &stmt, nullptr) == SQLITE_OK) {
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            const QString type = utf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
            const QString name = utf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 1)));
            drops << u"DROP %1 IF EXISTS temp.%2"_s.arg(type.toUpper(), ident(name));
        }
    }
    sqlite3_finalize(stmt);
    for (const QString &drop : std::as_const(drops))
        exec(drop, nullptr);
    m_active = false;
    m_user = AccessPolicy::User();
    m_shadowed.clear();
    m_rowViews.clear();
    m_flagViews.clear();
    m_access.clear();
    m_readable.clear();
    m_targets.clear();
}

// The condition that a row (ref: its table's alias, NEW or OLD) is one of
// the rows a scope gives. Dependent rows find their job by its key, one
// index lookup each.
QString SqlitePolicy::rowCondition(Rows rows, const QString &ref, const QString &table) const
{
    const bool everyJob = m_user.isGeneralManager();
    const QString job = u"korvan_job"_s;
    const QString jobNumber = QString::fromUtf8(AccessPolicy::JobNumberColumn);
    const auto jobOf = [&](const QString &jobTable, const QString &condition) -> QString {
        return u"EXISTS (SELECT 1 FROM main."_s + ident(jobTable) + u" AS "_s + job + u" WHERE "_s
               + column(job, jobNumber) + u" = "_s + column(ref, jobNumber) + u" AND "_s + condition + u')';
    };
    switch (rows) {
    case Rows::Every:
        return u"1"_s;
    case Rows::Visible: {
        if (everyJob)
            return u"1"_s;
        const QString operatorColumn = column(ref, QString::fromUtf8(AccessPolicy::OperatorColumn));
        if (m_user.position == QString::fromUtf8(AccessPolicy::DepartmentManager))
            return operatorColumn + u" IN (SELECT \"职员姓名\" FROM main.\"职员\" WHERE \"所属部门\" = "_s
                   + literal(m_user.department) + u')';
        return operatorColumn + u" = "_s + literal(m_user.staffName);
    }
    case Rows::OfVisibleJob: {
        if (everyJob)
            return u"1"_s;
        const AccessPolicy::TableRules *rules = AccessPolicy::rulesOf(table);
        QStringList parts;
        for (const QString &jobTable : rules ? rules->jobTables : QStringList())
            parts << jobOf(jobTable, rowCondition(Rows::Visible, job, jobTable));
        return parts.isEmpty() ? u"0"_s : u'(' + parts.join(u" OR "_s) + u')';
    }
    case Rows::OfLclJob: {
        QStringList types;
        for (const QString &type : AccessPolicy::lclJobTypes())
            types << literal(type);
        return jobOf(QString::fromUtf8(AccessPolicy::LclJobTable),
                     column(job, QString::fromUtf8(AccessPolicy::LclTypeColumn)) + u" IN ("_s + types.join(u", "_s) + u')');
    }
    case Rows::Own:
        return column(ref, u"用户名"_s) + u" = "_s + literal(m_user.userName);
    }
    return u"0"_s;
}

QString SqlitePolicy::anyOf(const QList<Rows> &rows, const QString &ref, const QString &table) const
{
    QStringList parts;
    for (Rows r : rows) {
        const QString condition = rowCondition(r, ref, table);
        if (condition == u"1"_s)
            return condition;
        parts << u'(' + condition + u')';
    }
    return parts.isEmpty() ? u"0"_s : parts.join(u" OR "_s);
}

bool SqlitePolicy::installView(const QString &table, QString *error)
{
    const QList<Grant> grants = AccessPolicy::grantsFor(m_user, table, Action::Read);
    if (grants.isEmpty())
        return true; // nothing to read: the authorizer refuses the table
    if (wholeTable(grants)) {
        m_readable.insert(table);
        return true;
    }
    const TableDef *def = Schema::find(table);
    if (!def)
        return true;
    const QString row = u"korvan_row"_s;
    const QList<Rows> all = rowsOf(grants);
    const QString filter = anyOf(all, row, table);
    QStringList columns;
    bool everyColumn = true;
    for (const QString &name : def->columns) {
        const QList<Rows> rows = rowsOf(grants, name);
        const QString shown = anyOf(rows, row, table);
        if (rows == all || shown == u"1"_s || shown == filter) {
            columns << column(row, name) + u" AS "_s + ident(name);
        } else {
            columns << u"CASE WHEN "_s + shown + u" THEN "_s + column(row, name) + u" END COLLATE NOCASE AS "_s + ident(name);
            everyColumn = false;
        }
    }
    if (filter == u"1"_s && everyColumn) { // a 总经理's jobs: all of them
        m_readable.insert(table);
        return true;
    }
    QString view = u"CREATE TEMP VIEW "_s + ident(table) + u" AS SELECT "_s + columns.join(u", "_s) + u" FROM main."_s
                   + ident(table) + u" AS "_s + row;
    if (filter != u"1"_s)
        view += u" WHERE "_s + filter;
    if (!exec(view, error))
        return false;
    m_shadowed.insert(table);
    // The table as the user sees it, with whether he may change each row,
    // for the WHERE of an UPDATE or DELETE (prepareText). The flag is a
    // column, not the view's WHERE: SQLite orders the terms of a flattened
    // view's WHERE as it likes, and the client's WHERE must not be evaluated
    // on a row before the flag.
    for (Action action : {Action::Update, Action::Delete}) {
        const QList<Grant> writes = AccessPolicy::grantsFor(m_user, table, action);
        if (writes.isEmpty())
            continue; // the authorizer refuses the statement before it runs
        const QString name = rowViewName(table, action);
        // Where every row the user may change shows him every column as
        // stored, the view holds only the flag, looked up by rowid: a view
        // of every column costs its whole column list in each statement that
        // names it.
        const QList<Rows> writable = rowsOf(writes);
        const bool changesOnlyWholeRows = std::all_of(def->columns.cbegin(), def->columns.cend(), [&](const QString &c) {
            const QList<Rows> rows = rowsOf(grants, c);
            return anyOf(rows, row, table) == u"1"_s
                   || std::all_of(writable.cbegin(), writable.cend(), [&](Rows r) { return rows.contains(r); });
        });
        const bool flagOnly = everyColumn || changesOnlyWholeRows;
        const QString shown = flagOnly ? QString() : columns.join(u", "_s) + u", "_s;
        if (!exec(u"CREATE TEMP VIEW "_s + ident(name) + u" AS SELECT "_s + row + u".rowid AS rowid, "_s + shown
                      + u"("_s + filter + u") AND ("_s + anyOf(writable, row, table) + u") AS "_s
                      + WritableColumn + u" FROM main."_s + ident(table) + u" AS "_s + row,
                  error))
            return false;
        m_rowViews.insert(name, table);
        if (flagOnly)
            m_flagViews.insert(name);
    }
    return true;
}

bool SqlitePolicy::installWriteGuards(const QString &table, QString *error)
{
    // A row the user cannot read whole is skipped as if it were not there,
    // so that a write tells nothing about it; a readable one is refused.
    const QString unseen = m_readable.contains(table)
                               ? u"RAISE(ABORT, %1)"_s.arg(literal(AccessPolicy::refusal(m_user, Action::Update, table)))
                               : u"RAISE(IGNORE)"_s;
    const QString target = u" ON main."_s + ident(table) + u" FOR EACH ROW WHEN "_s;
    const QString name = ObjectPrefix + table;

    const QList<Grant> inserts = AccessPolicy::grantsFor(m_user, table, Action::Insert);
    if (const QString allowed = anyOf(rowsOf(inserts), u"NEW"_s, table); !inserts.isEmpty() && allowed != u"1"_s) {
        if (!exec(u"CREATE TEMP TRIGGER "_s + ident(name + u"_insert"_s) + u" BEFORE INSERT"_s + target + u"NOT ("_s
                      + allowed + u") BEGIN SELECT RAISE(ABORT, "_s
                      + literal(AccessPolicy::refusal(m_user, Action::Insert, table)) + u"); END"_s,
                  error))
            return false;
    }
    const QList<Grant> deletes = AccessPolicy::grantsFor(m_user, table, Action::Delete);
    if (const QString allowed = anyOf(rowsOf(deletes), u"OLD"_s, table); !deletes.isEmpty() && allowed != u"1"_s) {
        const QString refused = m_readable.contains(table)
                                    ? u"RAISE(ABORT, %1)"_s.arg(literal(AccessPolicy::refusal(m_user, Action::Delete, table)))
                                    : u"RAISE(IGNORE)"_s;
        if (!exec(u"CREATE TEMP TRIGGER "_s + ident(name + u"_delete"_s) + u" BEFORE DELETE"_s + target + u"NOT ("_s
                      + allowed + u") BEGIN SELECT "_s + refused + u"; END"_s,
                  error))
            return false;
    }
    const QList<Grant> updates = AccessPolicy::grantsFor(m_user, table, Action::Update);
    const TableDef *def = Schema::find(table);
    if (updates.isEmpty() || wholeTable(updates) || !def)
        return true;
    // One trigger per set of row scopes: the columns those scopes may change.
    QMap<QList<Rows>, QStringList> groups;
    for (const QString &c : def->columns) {
        const QList<Rows> rows = rowsOf(updates, c);
        if (!rows.isEmpty() && anyOf(rows, u"OLD"_s, table) != u"1"_s)
            groups[rows] << ident(c);
    }
    int n = 0;
    for (auto it = groups.cbegin(); it != groups.cend(); ++it) {
        const QString before = anyOf(it.key(), u"OLD"_s, table);
        const QString after = anyOf(it.key(), u"NEW"_s, table);
        const QString refused = literal(AccessPolicy::refusal(m_user, Action::Update, table));
        if (!exec(u"CREATE TEMP TRIGGER "_s + ident(name + u"_update"_s + QString::number(++n)) + u" BEFORE UPDATE OF "_s
                      + it.value().join(u", "_s) + u" ON main."_s + ident(table) + u" FOR EACH ROW WHEN NOT ("_s + before
                      + u") OR NOT ("_s + after + u") BEGIN SELECT CASE WHEN NOT ("_s + before + u") THEN "_s + unseen
                      + u" ELSE RAISE(ABORT, "_s + refused + u") END; END"_s,
                  error))
            return false;
    }
    return true;
}

namespace {

QStringList rightColumns(const QString &prefix = QString())
{
    QStringList rights;
    for (int n = 1; n <= 8; ++n)
        rights << prefix + ident(u"权限"_s + QString::number(n));
    return rights;
}

} // namespace

bool SqlitePolicy::installPasswordKeeping(QString *error)
{
    const QString staff = u"main."_s + ident(QString::fromUtf8(AccessPolicy::StaffTable));
    const QStringList rights = rightColumns();
    const QStringList oldRights = rightColumns(u"OLD."_s);
    // What a deleted row held, for the insert that replaces it (the staff
    // window saves an edited row as a delete and an insert).
    if (!exec(u"CREATE TEMP TABLE IF NOT EXISTS "_s + ident(KeptTable) + u" (\"用户名\" TEXT PRIMARY KEY COLLATE NOCASE, \"密码\", "
                                                          u"\"职位\", "_s
                  + rights.join(u", "_s) + u')',
              error)
        || !exec(u"CREATE TEMP TRIGGER IF NOT EXISTS "_s + ident(KeptTable + u"_delete"_s) + u" BEFORE DELETE ON "_s + staff
                     + u" FOR EACH ROW BEGIN INSERT OR REPLACE INTO "_s + ident(KeptTable)
                     + u" VALUES (OLD.\"用户名\", OLD.\"密码\", OLD.\"职位\", "_s + oldRights.join(u", "_s) + u"); END"_s,
                 error)
        || !exec(u"CREATE TEMP TRIGGER IF NOT EXISTS "_s + ident(KeptTable + u"_insert"_s) + u" AFTER INSERT ON "_s + staff
                     + u" FOR EACH ROW WHEN NEW.\"密码\" = "_s + literal(QString::fromLatin1(KeptPassword))
                     + u" BEGIN UPDATE "_s + ident(QString::fromUtf8(AccessPolicy::StaffTable)) + u" SET \"密码\" = coalesce((SELECT \"密码\" FROM temp."_s
                     + ident(KeptTable) + u" WHERE \"用户名\" = NEW.\"用户名\"), '') WHERE rowid = NEW.rowid; END"_s,
                 error))
        return false;
    return true;
}

bool SqlitePolicy::installStaffRules(QString *error)
{
    if (m_user.isGeneralManager())
        return true;
    const QString staff = u"main."_s + ident(QString::fromUtf8(AccessPolicy::StaffTable));
    const QStringList rights = rightColumns();

    using Rule = AccessPolicy::RankRule;
    QMap<Rule::Kind, QString> message;
    for (const Rule &rule : AccessPolicy::rankRules())
        message.insert(rule.kind, u"RAISE(ABORT, "_s + literal(rule.message) + u')');
    const QString manager = literal(QString::fromUtf8(AccessPolicy::GeneralManager));
    const QString me = literal(m_user.userName);
    const QString kept = u"temp."_s + ident(KeptTable);

    // Insert: never a 总经理; one's own row only as it was; a right not held
    // only where the replaced row had it.
    QStringList sameRank{u"k.\"职位\" IS NEW.\"职位\""_s};
    QStringList rankChanged{u"NEW.\"职位\" IS NOT OLD.\"职位\""_s};
    for (const QString &r : std::as_const(rights)) {
        sameRank << u"k."_s + r + u" IS NEW."_s + r;
        rankChanged << u"NEW."_s + r + u" IS NOT OLD."_s + r;
    }
    QStringList onInsert{u"WHEN NEW.\"职位\" = "_s + manager + u" THEN "_s + message[Rule::MakesGeneralManager],
                         u"WHEN NEW.\"用户名\" = "_s + me + u" AND NOT EXISTS (SELECT 1 FROM "_s + kept
                             + u" k WHERE k.\"用户名\" = NEW.\"用户名\" AND "_s + sameRank.join(u" AND "_s) + u") THEN "_s
                             + message[Rule::ChangesOwnRank]};
    QStringList onUpdate{u"WHEN OLD.\"职位\" = "_s + manager + u" THEN "_s + message[Rule::GeneralManagerRow],
                         u"WHEN NEW.\"职位\" = "_s + manager + u" THEN "_s + message[Rule::MakesGeneralManager],
                         u"WHEN OLD.\"用户名\" = "_s + me + u" AND ("_s + rankChanged.join(u" OR "_s) + u") THEN "_s
                             + message[Rule::ChangesOwnRank]};
    for (int n = 1; n <= 8; ++n) {
        if (m_user.hasRight(n))
            continue;
        const QString r = rights.at(n - 1);
        onInsert << u"WHEN NEW."_s + r + u" = '1' AND NOT EXISTS (SELECT 1 FROM "_s + kept
                        + u" k WHERE k.\"用户名\" = NEW.\"用户名\" AND k."_s + r + u" = '1') THEN "_s
                        + message[Rule::GrantsRightNotHeld];
        onUpdate << u"WHEN NEW."_s + r + u" = '1' AND OLD."_s + r + u" IS NOT '1' THEN "_s
                        + message[Rule::GrantsRightNotHeld];
    }
    const auto trigger = [&](const QString &suffix, const QString &when, const QStringList &cases) -> QString {
        return u"CREATE TEMP TRIGGER "_s + ident(ObjectPrefix + u"staff_rank_"_s + suffix) + u' ' + when + u" ON "_s
               + staff + u" FOR EACH ROW BEGIN SELECT CASE "_s + cases.join(u' ') + u" END; END"_s;
    };
    return exec(trigger(u"insert"_s, u"BEFORE INSERT"_s, onInsert), error)
           && exec(trigger(u"update"_s, u"BEFORE UPDATE"_s, onUpdate), error)
           && exec(trigger(u"delete"_s, u"BEFORE DELETE"_s,
                           {u"WHEN OLD.\"职位\" = "_s + manager + u" THEN "_s + message[Rule::GeneralManagerRow]}),
                   error);
}

bool SqlitePolicy::install(const AccessPolicy::User &user, QString *error)
{
    clear();
    m_user = user;
    // REPLACE deletes the rows it displaces through the delete guards too.
    bool ok = exec(u"PRAGMA recursive_triggers = ON"_s, error);
    for (const AccessPolicy::TableRules &rules : AccessPolicy::tables()) {
        ok = ok && installView(rules.table, error);
        ok = ok && installWriteGuards(rules.table, error);
    }
    ok = ok && installStaffRules(error);
    if (!ok) {
        clear();
        return false;
    }
    m_user = user;
    m_active = true;
    return true;
}

QString SqlitePolicy::prepareText(const QString &sql, QString *refusal, QList<SqlToken> tokens)
{
    m_targets.clear();
    if (tokens.isEmpty())
        tokens = SqlTokenizer::tokenize(sql);
    QList<qsizetype> sig;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        if (tokens.at(i).isSignificant())
            sig << i;
    }
    const auto tok = [&](qsizetype p) -> const SqlToken & {
        static const SqlToken none;
        return p >= 0 && p < sig.size() ? tokens.at(sig.at(p)) : none;
    };
    for (qsizetype p = 0; p < sig.size(); ++p) {
        if (isSchemaName(tok(p)) && tok(p + 1).is(".")) {
            *refusal = u"无权限: 语句不能指定数据库 (%1.)"_s.arg(bareName(tok(p)));
            return QString();
        }
    }
    for (qsizetype p = 0; p < sig.size(); ++p) {
        qsizetype at = -1;
        if (tok(p).isWord("insert") || tok(p).isWord("replace")) {
            qsizetype q = p + 1;
            if (tok(q).isWord("or"))
                q += 2;
            if (tok(q).isWord("into"))
                at = q + 1;
        } else if (tok(p).isWord("update")) {
            at = tok(p + 1).isWord("or") ? p + 3 : p + 1;
        } else if (tok(p).isWord("delete") && tok(p + 1).isWord("from")) {
            at = p + 2;
        }
        if (at < 0 || at >= sig.size() || tok(at + 1).is("."))
            continue;
        const QString table = bareName(tok(at));
        const AccessPolicy::TableRules *rules = AccessPolicy::rulesOf(table);
        if (!rules)
            continue;
        m_targets.insert(rules->table);
        if (!m_shadowed.contains(rules->table))
            continue;
        tokens[sig.at(at)].text = u"main."_s + ident(rules->table);
        const Clauses clauses = clausesOf(tokens, sig, at + 1);
        if (!tok(p).isWord("update") && !tok(p).isWord("delete")) {
            // The update of an upsert would see the row it collides with,
            // whoever's it is.
            if (clauses.upsert >= 0) {
                *refusal = u"无权限: 新增 %1 时不能用 ON CONFLICT … DO UPDATE"_s.arg(rules->table);
                return QString();
            }
            continue;
        }
        const QString view = rowViewName(rules->table, tok(p).isWord("update") ? Action::Update : Action::Delete);
        if (!m_rowViews.contains(view))
            continue; // refused by the authorizer before it runs
        if (clauses.from >= 0) {
            *refusal = u"无权限: 修改 %1 的 UPDATE 不能带 FROM"_s.arg(rules->table);
            return QString();
        }
        // The WHERE sees only the rows (and columns) the user's view of the
        // table shows, so that no expression in it can fail or succeed on a
        // row he cannot see.
        // The client's WHERE w becomes CASE WHEN writable THEN (w) END, which
        // SQLite never evaluates out of order; its equalities of a column and
        // a constant, which cannot fail, are repeated outside it, so that the
        // key's index still finds the rows.
        // With every column shown as stored, w reads the table's own row
        // and the flag comes from the flag view by rowid.
        const QString alias = tok(at + 1).isWord("as") ? tok(at + 2).text : ident(rules->table);
        if (m_flagViews.contains(view)) {
            const QString writable = u"(SELECT "_s + WritableColumn + u" FROM temp."_s + ident(view)
                                     + u" AS korvan_guard WHERE korvan_guard.rowid = "_s + alias + u".rowid)"_s;
            if (clauses.where >= 0) {
                const QString lookup = keyTerms(tokens, sig, clauses.where + 1, clauses.whereEnd);
                tokens[sig.at(clauses.where)].text +=
                    u' ' + (lookup.isEmpty() ? QString() : lookup + u" AND "_s) + u"CASE WHEN "_s + writable + u" THEN ("_s;
                tokens[sig.at(clauses.whereEnd - 1)].text += u") END"_s;
            } else {
                tokens[sig.at(clauses.whereEnd - 1)].text += u" WHERE "_s + writable;
            }
            continue;
        }
        const QString rows = u"rowid IN (SELECT rowid FROM temp."_s + ident(view) + u" AS "_s + alias + u" WHERE "_s;
        const QString writable = alias + u'.' + WritableColumn;
        if (clauses.where >= 0) {
            const QString lookup = keyTerms(tokens, sig, clauses.where + 1, clauses.whereEnd);
            tokens[sig.at(clauses.where)].text +=
                u' ' + rows + (lookup.isEmpty() ? QString() : lookup + u" AND "_s) + u"CASE WHEN "_s + writable + u" THEN ("_s;
            tokens[sig.at(clauses.whereEnd - 1)].text += u") END)"_s;
        } else {
            tokens[sig.at(clauses.whereEnd - 1)].text += u" WHERE "_s + rows + writable + u')';
        }
    }
    QString out;
    for (const SqlToken &t : std::as_const(tokens))
        out += t.text;
    return out;
}

int SqlitePolicy::refuseAlways(int action, const char *b, QString *why)
{
    if (action == SQLITE_SAVEPOINT) {
        *why = u"savepoints are not accepted: transactions are begun and committed with BeginTrans and CommitTrans"_s;
        return SQLITE_DENY;
    }
    if (action == SQLITE_FUNCTION && isRefusedFunction(b)) {
        *why = u"无权限: 函数 %1 不能使用"_s.arg(utf8(b));
        return SQLITE_DENY;
    }
    return SQLITE_OK;
}

const SqlitePolicy::TableAccess &SqlitePolicy::accessOf(const char *name) const
{
    if (const auto it = m_access.constFind(QByteArray::fromRawData(name, qstrlen(name))); it != m_access.cend())
        return *it;
    TableAccess access;
    const QString named = utf8(name);
    // The row views of an UPDATE's or DELETE's WHERE stand for their table.
    access.table = m_rowViews.value(named, named);
    access.rules = AccessPolicy::rulesOf(access.table);
    if (access.rules) {
        access.table = access.rules->table;
        for (Action a : {Action::Read, Action::Insert, Action::Update, Action::Delete})
            access.grants[size_t(a)] = AccessPolicy::grantsFor(m_user, access.table, a);
    }
    return *m_access.insert(QByteArray(name), access);
}

int SqlitePolicy::authorize(int action, const char *a, const char *b, const char *c, const char *d,
                            QString *why) const
{
    if (const int always = refuseAlways(action, b, why); always != SQLITE_OK)
        return always;
    const auto refuse = [why](const QString &text) {
        *why = text;
        return SQLITE_DENY;
    };
    switch (action) {
    case SQLITE_SELECT:
    case SQLITE_RECURSIVE:
    case SQLITE_FUNCTION:
    case SQLITE_TRANSACTION:
        return SQLITE_OK;
    case SQLITE_READ: {
        if (d)
            return SQLITE_OK; // inside the policy's own views and triggers
        if (!c)
            return SQLITE_OK; // a CTE of the statement itself: no table of any schema
        const TableAccess &access = accessOf(a);
        if (!access.rules)
            return refuse(AccessPolicy::refusal(m_user, Action::Read, access.table));
        if (!access.rules->hiddenColumns.isEmpty() && access.rules->hiddenColumns.contains(utf8(b)))
            return SQLITE_IGNORE;
        if (access.grants[size_t(Action::Read)].isEmpty())
            return refuse(AccessPolicy::refusal(m_user, Action::Read, access.table));
        if (qstrcmp(c, "main") == 0 && m_shadowed.contains(access.table) && !m_targets.contains(access.table))
            return refuse(AccessPolicy::refusal(m_user, Action::Read, access.table));
        return SQLITE_OK;
    }
    case SQLITE_INSERT:
    case SQLITE_UPDATE:
    case SQLITE_DELETE: {
        if (d)
            return SQLITE_OK;
        const Action what = action == SQLITE_INSERT ? Action::Insert
                            : action == SQLITE_UPDATE ? Action::Update
                                                      : Action::Delete;
        if (qstrnicmp(a, "sqlite_", 7) == 0)
            return refuse(SchemaRefusal);
        const TableAccess &access = accessOf(a);
        if (!access.rules || qstrcmp(c, "main") != 0)
            return refuse(AccessPolicy::refusal(m_user, what, access.table));
        const QList<Grant> &grants = access.grants[size_t(what)];
        const QString columnName = action == SQLITE_UPDATE ? utf8(b) : QString();
        const bool granted = std::any_of(grants.cbegin(), grants.cend(), [&](const Grant &g) {
            return columnName.isEmpty() || AccessPolicy::covers(g, columnName);
        });
        if (!granted)
            return refuse(AccessPolicy::refusal(m_user, what, access.table, columnName));
        return SQLITE_OK;
    }
    case SQLITE_PRAGMA:
        // The one setting a client may make: enforcing references is stricter, never looser.
        if (qstricmp(a, "foreign_keys") == 0)
            return SQLITE_OK;
        return refuse(u"无权限: PRAGMA %1 不能使用"_s.arg(utf8(a)));
    case SQLITE_ATTACH:
    case SQLITE_DETACH:
        return refuse(u"无权限: 不能附加或分离数据库"_s);
    default:
        // Every CREATE, DROP and ALTER, triggers and views, VACUUM, ANALYZE, REINDEX.
        return refuse(SchemaRefusal);
    }
}
