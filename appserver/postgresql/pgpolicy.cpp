#include "pgpolicy.h"

#include "audittrail.h"
#include "schema.h"
#include "sqlitepolicy.h"

#include <QHash>

#include <algorithm>

using namespace Qt::StringLiterals;
using AccessPolicy::Action;
using AccessPolicy::Grant;
using AccessPolicy::Rows;

namespace PgPolicy {

namespace {

QString ident(const QString &name)
{
    QString text = name;
    return u'"' + text.replace(u'"', u"\"\""_s) + u'"';
}

QString literal(const QString &value)
{
    QString text = value;
    return u'\'' + text.replace(u'\'', u"''"_s) + u'\'';
}

const QString Role = QString::fromLatin1(ClientRole);
const QString Me = u"(korvan_me())"_s;

QString policyName(Action action)
{
    switch (action) {
    case Action::Read:
        return u"korvan_read"_s;
    case Action::Insert:
        return u"korvan_insert"_s;
    case Action::Update:
        return u"korvan_update"_s;
    case Action::Delete:
        return u"korvan_delete"_s;
    }
    return {};
}

// The rows of one scope of a row of table (its columns named unqualified,
// as the policy's own table).
QString rowsCondition(Rows rows, const QString &table, const QString &ref)
{
    const auto column = [&ref](const char *name) -> QString { return ref + u'.' + ident(QString::fromUtf8(name)); };
    const QString job = ident(QString::fromUtf8(AccessPolicy::JobNumberColumn));
    switch (rows) {
    case Rows::Every:
        return u"true"_s;
    case Rows::Visible:
        return u"korvan_sees_job("_s + column(AccessPolicy::OperatorColumn) + u')';
    case Rows::OfVisibleJob: {
        const AccessPolicy::TableRules *rules = AccessPolicy::rulesOf(table);
        QStringList parts;
        for (const QString &jobTable : rules ? rules->jobTables : QStringList())
            parts << u"EXISTS (SELECT 1 FROM "_s + ident(jobTable) + u" korvan_job WHERE korvan_job."_s + job + u" = "_s
                         + column(AccessPolicy::JobNumberColumn) + u" AND korvan_sees_job(korvan_job."_s
                         + ident(QString::fromUtf8(AccessPolicy::OperatorColumn)) + u"))"_s;
        return parts.isEmpty() ? u"false"_s : u'(' + parts.join(u" OR "_s) + u')';
    }
    case Rows::OfLclJob:
        return u"korvan_is_lcl_job("_s + column(AccessPolicy::JobNumberColumn) + u')';
    case Rows::Own:
        return ref + u'.' + ident(u"用户名"_s) + u" = "_s + Me + u".user_name::citext"_s;
    }
    return u"false"_s;
}

// Whether the session's user holds the grant, and the row (ref: the
// table's name in a row policy, OLD or NEW in a trigger) is in its scope.
QString grantCondition(const Grant &grant, const QString &ref)
{
    QStringList parts;
    for (int right : grant.rights)
        parts << u"korvan_has_right(%1)"_s.arg(right);
    if (!grant.position.isEmpty())
        parts << Me + u".position = "_s + literal(grant.position);
    const QString rows = rowsCondition(grant.rows, grant.table, ref);
    if (rows != u"true"_s || parts.isEmpty())
        parts << rows;
    return u'(' + parts.join(u" AND "_s) + u')';
}

// The grants a row policy carries: a read restricted to some columns would
// show the other columns of its rows too, so it gives no rows here (the
// row stays readable through the table's other read grants).
QList<Grant> rowGrants(const QString &table, Action action)
{
    QList<Grant> out;
    for (const Grant &grant : AccessPolicy::grants()) {
        if (grant.table != table || grant.action != action)
            continue;
        if (action == Action::Read && !grant.columns.isEmpty())
            continue;
        out << grant;
    }
    return out;
}

QStringList sessionStatements()
{
    const QString lclTypes = [] {
        QStringList types;
        for (const QString &type : AccessPolicy::lclJobTypes())
            types << literal(type);
        return types.join(u", "_s);
    }();
    const QString definer = u"SECURITY DEFINER SET search_path = public, pg_temp"_s;
    return {
        u"CREATE TABLE IF NOT EXISTS %1 (pid integer PRIMARY KEY, user_name text NOT NULL, staff_name text NOT NULL, "
        "department text NOT NULL, position text NOT NULL, rights boolean[] NOT NULL)"_s.arg(QString::fromLatin1(SessionTable)),
        u"REVOKE ALL ON %1 FROM PUBLIC"_s.arg(QString::fromLatin1(SessionTable)),
        // Who this backend's user is: no argument, so that no one asks about another session.
        u"CREATE OR REPLACE FUNCTION korvan_me() RETURNS %1 LANGUAGE sql STABLE %2 AS "
        "$$ SELECT * FROM %1 WHERE pid = pg_backend_pid() $$"_s.arg(QString::fromLatin1(SessionTable), definer),
        u"CREATE OR REPLACE FUNCTION korvan_has_right(n integer) RETURNS boolean LANGUAGE sql STABLE AS "
        "$$ SELECT coalesce((korvan_me()).rights[n], false) $$"_s,
        // The visibility rule of the job windows, reading 职员 as the owner.
        u"CREATE OR REPLACE FUNCTION korvan_sees_job(operator citext) RETURNS boolean LANGUAGE sql STABLE %1 AS "
        "$$ SELECT coalesce((SELECT CASE WHEN m.position = '%2' THEN true "
        "WHEN m.position = '%3' THEN operator IN (SELECT \"职员姓名\" FROM \"职员\" WHERE \"所属部门\" = m.department::citext) "
        "ELSE operator = m.staff_name::citext END FROM %4 m WHERE m.pid = pg_backend_pid()), false) $$"_s.arg(
            definer, QString::fromUtf8(AccessPolicy::GeneralManager), QString::fromUtf8(AccessPolicy::DepartmentManager),
            QString::fromLatin1(SessionTable)),
        u"CREATE OR REPLACE FUNCTION korvan_is_lcl_job(number citext) RETURNS boolean LANGUAGE sql STABLE %1 AS "
        "$$ SELECT EXISTS (SELECT 1 FROM %2 WHERE %3 = number AND %4 IN (%5)) $$"_s.arg(
            definer, ident(QString::fromUtf8(AccessPolicy::LclJobTable)),
            ident(QString::fromUtf8(AccessPolicy::JobNumberColumn)), ident(QString::fromUtf8(AccessPolicy::LclTypeColumn)),
            lclTypes),
        u"REVOKE ALL ON FUNCTION korvan_me(), korvan_sees_job(citext), korvan_is_lcl_job(citext) FROM PUBLIC"_s,
    };
}

QStringList roleStatements()
{
    return {
        u"DO $$ BEGIN IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = '%1') THEN CREATE ROLE %1 NOLOGIN; END IF; "
        "EXCEPTION WHEN insufficient_privilege THEN NULL; END $$"_s.arg(Role),
        u"DO $$ BEGIN IF EXISTS (SELECT 1 FROM pg_roles WHERE rolname = '%1') THEN "
        "IF NOT pg_has_role(current_user, '%1', 'MEMBER') THEN GRANT %1 TO CURRENT_USER; END IF; END IF; "
        "EXCEPTION WHEN insufficient_privilege THEN NULL; END $$"_s.arg(Role),
    };
}

QString roleCheck(const QString &owner)
{
    QString message = administratorStep(owner);
    message.replace(u'\'', u"''"_s);
    return u"DO $$ BEGIN IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = '%1') THEN RAISE EXCEPTION '%2'; END IF; "
           "IF NOT pg_has_role(current_user, '%1', 'MEMBER') THEN RAISE EXCEPTION '%2'; END IF; END $$"_s.arg(Role, message);
}

// The privileges of the role on one table: the actions some grant gives,
// reading every column but the hidden ones.
QStringList privilegeStatements(const AccessPolicy::TableRules &rules)
{
    const QString table = ident(rules.table);
    QStringList out{u"REVOKE ALL ON %1 FROM %2"_s.arg(table, Role)};
    QStringList actions;
    for (Action action : {Action::Read, Action::Insert, Action::Update, Action::Delete}) {
        if (rowGrants(rules.table, action).isEmpty())
            continue;
        if (action == Action::Read && !rules.hiddenColumns.isEmpty()) {
            const TableDef *def = Schema::find(rules.table);
            QStringList shown;
            for (const QString &column : def ? def->columns : QStringList()) {
                if (!rules.hiddenColumns.contains(column))
                    shown << ident(column);
            }
            out << u"GRANT SELECT (%1) ON %2 TO %3"_s.arg(shown.join(u", "_s), table, Role);
            continue;
        }
        actions << (action == Action::Read     ? u"SELECT"_s
                    : action == Action::Insert ? u"INSERT"_s
                    : action == Action::Update ? u"UPDATE"_s
                                               : u"DELETE"_s);
    }
    if (!actions.isEmpty())
        out << u"GRANT %1 ON %2 TO %3"_s.arg(actions.join(u", "_s), table, Role);
    return out;
}

QStringList rowPolicyStatements(const QString &name)
{
    const QString table = ident(name);
    QStringList out{u"ALTER TABLE %1 ENABLE ROW LEVEL SECURITY"_s.arg(table),
                    u"ALTER TABLE %1 FORCE ROW LEVEL SECURITY"_s.arg(table),
                    u"DROP POLICY IF EXISTS korvan_owner ON %1"_s.arg(table),
                    // The server's own statements (login, audit trail) as the owner.
                    u"CREATE POLICY korvan_owner ON %1 TO CURRENT_USER USING (true) WITH CHECK (true)"_s.arg(table)};
    for (Action action : {Action::Read, Action::Insert, Action::Update, Action::Delete}) {
        out << u"DROP POLICY IF EXISTS %1 ON %2"_s.arg(policyName(action), table);
        QStringList conditions;
        for (const Grant &grant : rowGrants(name, action))
            conditions << grantCondition(grant, table);
        if (conditions.isEmpty())
            continue;
        const QString rows = conditions.join(u" OR "_s);
        QString policy = u"CREATE POLICY %1 ON %2 FOR %3 TO %4 "_s.arg(policyName(action), table,
                                                                       action == Action::Read     ? u"SELECT"_s
                                                                       : action == Action::Insert ? u"INSERT"_s
                                                                       : action == Action::Update ? u"UPDATE"_s
                                                                                                  : u"DELETE"_s,
                                                                       Role);
        if (action == Action::Insert)
            policy += u"WITH CHECK ("_s + rows + u')';
        else if (action == Action::Update)
            policy += u"USING ("_s + rows + u") WITH CHECK ("_s + rows + u')';
        else
            policy += u"USING ("_s + rows + u')';
        out << policy;
    }
    return out;
}

// A row that only a grant of some columns lets the user change (the LCL
// window's container of another's cargo, one's own password): the other
// columns stay as they are, or the change is refused.
QStringList columnGuardStatements(const QString &name)
{
    QList<Grant> whole;
    QStringList columns;
    for (const Grant &grant : AccessPolicy::grants()) {
        if (grant.table != name || grant.action != Action::Update)
            continue;
        if (grant.columns.isEmpty())
            whole << grant;
        else
            columns << grant.columns;
    }
    const TableDef *def = Schema::find(name);
    if (columns.isEmpty() || !def)
        return {};
    QStringList wholeRows;
    for (const Grant &grant : std::as_const(whole))
        wholeRows << grantCondition(grant, u"OLD"_s);
    QStringList changed;
    for (const QString &column : def->columns) {
        if (!columns.contains(column))
            changed << u"NEW.%1 IS DISTINCT FROM OLD.%1"_s.arg(ident(column));
    }
    AccessPolicy::User placeholder;
    placeholder.staffName = u"%s"_s;
    placeholder.position = u"%s"_s;
    const QString function = ident(u"korvan_columns_"_s + name);
    return {
        u"CREATE OR REPLACE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql AS $body$ BEGIN\n"
        "  IF current_user = '%2' AND NOT coalesce(%3, false) AND (%4) THEN\n"
        "    RAISE EXCEPTION USING MESSAGE = format(%5, coalesce(nullif(%6.staff_name, ''), %6.user_name), %6.position);\n"
        "  END IF;\n"
        "  RETURN NEW;\n"
        "END $body$"_s.arg(function, Role, wholeRows.isEmpty() ? u"false"_s : wholeRows.join(u" OR "_s),
                          changed.join(u" OR "_s), literal(AccessPolicy::refusal(placeholder, Action::Update, name)), Me),
        u"DROP TRIGGER IF EXISTS korvan_columns ON "_s + ident(name),
        u"CREATE TRIGGER korvan_columns BEFORE UPDATE ON %1 FOR EACH ROW EXECUTE FUNCTION %2()"_s.arg(ident(name), function),
    };
}

// The rank rules of the staff table, for a session under the role that is
// not a 总经理's.
QStringList rankRuleStatements()
{
    using Rule = AccessPolicy::RankRule;
    QHash<int, QString> message;
    for (const Rule &rule : AccessPolicy::rankRules())
        message.insert(rule.kind, u"RAISE EXCEPTION USING MESSAGE = "_s + literal(rule.message) + u';');
    const QString manager = literal(QString::fromUtf8(AccessPolicy::GeneralManager));
    QStringList rankChanged{u"NEW.\"职位\" IS DISTINCT FROM OLD.\"职位\""_s};
    QStringList newRank{u"NEW.\"职位\""_s};
    QStringList rightsNotHeld;
    for (int n = 1; n <= 8; ++n) {
        const QString r = ident(u"权限"_s + QString::number(n));
        rankChanged << u"NEW.%1 IS DISTINCT FROM OLD.%1"_s.arg(r);
        newRank << u"NEW."_s + r;
        // Inserted: a right the replaced row had may stay.
        rightsNotHeld << u"(NOT korvan_has_right(%1) AND NEW.%2 = '1' AND CASE WHEN TG_OP = 'INSERT' "
                         "THEN coalesce(kept[%3], '') <> '1' ELSE OLD.%2 IS DISTINCT FROM '1' END)"_s.arg(n)
                             .arg(r)
                             .arg(n + 1);
    }
    // One's own row inserted only as the deleted one was.
    rankChanged = QStringList{u"CASE WHEN TG_OP = 'INSERT' THEN kept IS NULL OR kept IS DISTINCT FROM ARRAY[%1]::citext[] "
                              "ELSE %2 END"_s.arg(newRank.join(u", "_s), rankChanged.join(u" OR "_s))};
    const QString staff = ident(QString::fromUtf8(AccessPolicy::StaffTable));
    const QString body =
        u"DECLARE kept citext[];\n"
        "BEGIN\n"
        "  IF current_user <> '%1' OR %2.position = %3 THEN RETURN CASE WHEN TG_OP = 'DELETE' THEN OLD ELSE NEW END; END IF;\n"
        "  IF TG_OP IN ('UPDATE', 'DELETE') AND OLD.\"职位\" = %3 THEN %4 END IF;\n"
        "  IF TG_OP = 'DELETE' THEN RETURN OLD; END IF;\n"
        "  IF NEW.\"职位\" = %3 THEN %5 END IF;\n"
        "  kept := CASE WHEN TG_OP = 'INSERT' THEN korvan_kept_rank(NEW.\"用户名\") END;\n"
        "  IF ((CASE WHEN TG_OP = 'INSERT' THEN NEW.\"用户名\" ELSE OLD.\"用户名\" END) = %2.user_name::citext AND (%6)) THEN %7 END IF;\n"
        "  IF (%8) THEN %9 END IF;\n"
        "  RETURN NEW;\n"
        "END"_s.arg(Role, Me, manager, message[Rule::GeneralManagerRow], message[Rule::MakesGeneralManager],
                    rankChanged.join(u" OR "_s), message[Rule::ChangesOwnRank], rightsNotHeld.join(u" OR "_s),
                    message[Rule::GrantsRightNotHeld]);
    return {
        u"CREATE OR REPLACE FUNCTION korvan_staff_rank() RETURNS trigger LANGUAGE plpgsql AS $body$\n"_s + body
            + u"\n$body$"_s,
        u"DROP TRIGGER IF EXISTS korvan_staff_rank ON "_s + staff,
        u"CREATE TRIGGER korvan_staff_rank BEFORE INSERT OR UPDATE OR DELETE ON "_s + staff
            + u" FOR EACH ROW EXECUTE FUNCTION korvan_staff_rank()"_s,
    };
}

// The tables with hidden columns as views of the policy's schema, found
// before public by the client role's search_path: the hidden columns read as
// NULL; the view's INSTEAD OF triggers write the table, under the
// row policies of the client role (security_invoker). A hidden column
// written as NULL or as the kept mark keeps what is stored.
QStringList hidingViewStatements(const AccessPolicy::TableRules &rules)
{
    const TableDef *def = Schema::find(rules.table);
    if (!def || rules.hiddenColumns.isEmpty() || def->key.isEmpty())
        return {};
    const QString schema = QString::fromLatin1(ViewSchema);
    const QString view = schema + u'.' + ident(rules.table);
    const QString table = u"public."_s + ident(rules.table);
    const QString base = schema + u'.' + ident(u"korvan_write_"_s + rules.table);
    QStringList shown, all, values, sets, key;
    for (const QString &column : def->columns) {
        const bool hidden = rules.hiddenColumns.contains(column);
        shown << (hidden ? u"NULL::citext AS "_s + ident(column) : ident(column));
        all << ident(column);
        values << (hidden ? u"CASE WHEN NEW.%1 = %2 THEN coalesce(korvan_kept_password(NEW.%3), '') "
                            "ELSE NEW.%1 END"_s.arg(ident(column), literal(QString::fromLatin1(SqlitePolicy::KeptPassword)),
                                                    ident(def->key.first()))
                         : u"NEW."_s + ident(column));
        if (!hidden)
            sets << ident(column) + u" = NEW."_s + ident(column);
    }
    for (const QString &column : def->key)
        key << ident(column) + u" = OLD."_s + ident(column);
    const QString where = key.join(u" AND "_s);
    // One hidden column (the password): set only when a new value is written.
    const QString hidden = ident(rules.hiddenColumns.first());
    // Every row of the view is one the user reads: a row the policy keeps
    // him from changing is refused, not passed over.
    const auto refused = [&](Action action) -> QString {
        AccessPolicy::User placeholder;
        placeholder.staffName = u"%s"_s;
        placeholder.position = u"%s"_s;
        return u"RAISE EXCEPTION USING MESSAGE = format(%1, coalesce(nullif(%2.staff_name, ''), %2.user_name), %2.position);"_s
            .arg(literal(AccessPolicy::refusal(placeholder, action, rules.table)), Me);
    };
    const QString body =
        u"BEGIN\n"
        "  IF TG_OP = 'DELETE' THEN\n"
        "    DELETE FROM %1 WHERE %2;\n"
        "    IF NOT FOUND THEN %8 END IF;\n"
        "    RETURN OLD;\n"
        "  ELSIF TG_OP = 'INSERT' THEN\n"
        "    INSERT INTO %1 (%3) VALUES (%4);\n"
        "    RETURN NEW;\n"
        "  END IF;\n"
        "  IF NEW.%5 IS NULL OR NEW.%5 = %6 THEN\n"
        "    UPDATE %1 SET %7 WHERE %2;\n"
        "  ELSE\n"
        "    UPDATE %1 SET %7, %5 = NEW.%5 WHERE %2;\n"
        "  END IF;\n"
        "  IF NOT FOUND THEN %9 END IF;\n"
        "  RETURN NEW;\n"
        "END"_s.arg(table, where, all.join(u", "_s), values.join(u", "_s), hidden,
                    literal(QString::fromLatin1(SqlitePolicy::KeptPassword)), sets.join(u", "_s),
                    refused(Action::Delete), refused(Action::Update));
    return {
        u"CREATE SCHEMA IF NOT EXISTS "_s + schema,
        u"GRANT USAGE ON SCHEMA %1 TO %2"_s.arg(schema, Role),
        u"DROP VIEW IF EXISTS "_s + view,
        u"CREATE VIEW %1 WITH (security_invoker = true) AS SELECT %2 FROM %3"_s.arg(view, shown.join(u", "_s), table),
        u"CREATE OR REPLACE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql SET search_path = public, pg_temp AS $body$\n"_s.arg(base)
            + body + u"\n$body$"_s,
        u"CREATE TRIGGER korvan_write INSTEAD OF INSERT OR UPDATE OR DELETE ON %1 FOR EACH ROW EXECUTE FUNCTION %2()"_s
            .arg(view, base),
        u"GRANT SELECT, INSERT, UPDATE, DELETE ON %1 TO %2"_s.arg(view, Role),
    };
}

// The tables some users read only some columns of (the shared columns of
// other operators' export jobs) as views of the policy's schema: each row a
// read grant gives, each column shown where a grant covering it holds and
// NULL elsewhere, as SQLite's view does. The view reads the table as its
// owner, so it does its own row filtering; security_barrier keeps the
// client's WHERE from being tried on rows outside it. Writes go through
// INSTEAD OF triggers to the table under the client role's row policies: a
// row the user reads but may not change is left alone, as a missing one.
QStringList sharedColumnsViewStatements(const AccessPolicy::TableRules &rules)
{
    const TableDef *def = Schema::find(rules.table);
    QList<Grant> reads;
    bool someColumns = false;
    for (const Grant &grant : AccessPolicy::grants()) {
        if (grant.table == rules.table && grant.action == Action::Read) {
            reads << grant;
            someColumns = someColumns || !grant.columns.isEmpty();
        }
    }
    if (!def || !someColumns || def->key.isEmpty())
        return {};
    const QString row = u"korvan_row"_s;
    const auto anyOf = [&](const QList<Grant> &held) -> QString {
        QStringList conditions;
        for (const Grant &grant : held)
            conditions << grantCondition(grant, row);
        return conditions.isEmpty() ? u"false"_s : u'(' + conditions.join(u" OR "_s) + u')';
    };
    QStringList shown, all, values, sets, key;
    for (const QString &column : def->columns) {
        QList<Grant> covering;
        for (const Grant &grant : std::as_const(reads)) {
            if (AccessPolicy::covers(grant, column))
                covering << grant;
        }
        const QString value = row + u'.' + ident(column);
        shown << (covering.size() == reads.size() ? value
                                                  : u"CASE WHEN %1 THEN %2 END AS %3"_s.arg(anyOf(covering), value, ident(column)));
        all << ident(column);
        values << u"NEW."_s + ident(column);
        // A row the user may change is one he reads whole (the grants that
        // change a job are within those that read it whole), so NEW holds
        // the stored values of what the statement does not set.
        sets << ident(column) + u" = NEW."_s + ident(column);
    }
    for (const QString &column : def->key)
        key << ident(column) + u" = OLD."_s + ident(column);
    const QString schema = QString::fromLatin1(ViewSchema);
    const QString view = schema + u'.' + ident(rules.table);
    const QString table = u"public."_s + ident(rules.table);
    const QString function = schema + u'.' + ident(u"korvan_write_"_s + rules.table);
    const QString body = u"BEGIN\n"
                         "  IF TG_OP = 'INSERT' THEN\n"
                         "    INSERT INTO %1 (%2) VALUES (%3);\n"
                         "    RETURN NEW;\n"
                         "  ELSIF TG_OP = 'DELETE' THEN\n"
                         "    DELETE FROM %1 WHERE %4;\n"
                         "    IF NOT FOUND THEN RETURN NULL; END IF;\n"
                         "    RETURN OLD;\n"
                         "  END IF;\n"
                         "  UPDATE %1 SET %5 WHERE %4;\n"
                         "  IF NOT FOUND THEN RETURN NULL; END IF;\n"
                         "  RETURN NEW;\n"
                         "END"_s.arg(table, all.join(u", "_s), values.join(u", "_s), key.join(u" AND "_s), sets.join(u", "_s));
    return {
        u"CREATE SCHEMA IF NOT EXISTS "_s + schema,
        u"GRANT USAGE ON SCHEMA %1 TO %2"_s.arg(schema, Role),
        u"DROP VIEW IF EXISTS "_s + view,
        u"CREATE VIEW %1 WITH (security_barrier = true) AS SELECT %2 FROM %3 AS %4 WHERE %5"_s.arg(
            view, shown.join(u", "_s), table, row, anyOf(reads)),
        // Not SECURITY DEFINER: the table's privileges and row policies of
        // the client role decide what the write reaches.
        u"CREATE OR REPLACE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql SET search_path = public, pg_temp AS $body$\n"_s.arg(
            function)
            + body + u"\n$body$"_s,
        u"CREATE TRIGGER korvan_write INSTEAD OF INSERT OR UPDATE OR DELETE ON %1 FOR EACH ROW EXECUTE FUNCTION %2()"_s.arg(
            view, function),
        u"GRANT SELECT, INSERT, UPDATE, DELETE ON %1 TO %2"_s.arg(view, Role),
    };
}

// What a deleted staff row held (its password and rank), for the insert
// that replaces it in the same transaction: the staff window saves an edit
// as a delete and an insert, and never has the stored password to send.
QStringList keptStaffStatements()
{
    const QString staff = ident(QString::fromUtf8(AccessPolicy::StaffTable));
    QStringList rank{u"OLD.\"职位\""_s};
    for (int n = 1; n <= 8; ++n)
        rank << u"OLD."_s + ident(u"权限"_s + QString::number(n));
    const QString definer = u"SECURITY DEFINER SET search_path = public, pg_temp"_s;
    const QString mine = u"pid = pg_backend_pid() AND xact = pg_current_xact_id() AND user_name = name"_s;
    return {
        u"CREATE TABLE IF NOT EXISTS korvan_kept_staff (pid integer, xact xid8, user_name citext, password citext, "
        "rank citext[], PRIMARY KEY (pid, user_name))"_s,
        u"REVOKE ALL ON korvan_kept_staff FROM PUBLIC"_s,
        u"CREATE OR REPLACE FUNCTION korvan_keep_staff() RETURNS trigger LANGUAGE plpgsql %1 AS $$ BEGIN "
        "DELETE FROM korvan_kept_staff WHERE pid = pg_backend_pid() AND xact <> pg_current_xact_id(); "
        "INSERT INTO korvan_kept_staff VALUES (pg_backend_pid(), pg_current_xact_id(), OLD.\"用户名\", OLD.\"密码\", "
        "ARRAY[%2]::citext[]) ON CONFLICT (pid, user_name) DO UPDATE SET xact = EXCLUDED.xact, "
        "password = EXCLUDED.password, rank = EXCLUDED.rank; RETURN OLD; END $$"_s.arg(definer, rank.join(u", "_s)),
        u"CREATE OR REPLACE FUNCTION korvan_kept_password(name citext) RETURNS citext LANGUAGE sql STABLE %1 AS "
        "$$ SELECT password FROM korvan_kept_staff WHERE %2 $$"_s.arg(definer, mine),
        // The position and rights 1 to 8 of the row, NULL when none was deleted.
        u"CREATE OR REPLACE FUNCTION korvan_kept_rank(name citext) RETURNS citext[] LANGUAGE sql STABLE %1 AS "
        "$$ SELECT rank FROM korvan_kept_staff WHERE %2 $$"_s.arg(definer, mine),
        u"REVOKE ALL ON FUNCTION korvan_kept_password(citext), korvan_kept_rank(citext) FROM PUBLIC"_s,
        u"GRANT EXECUTE ON FUNCTION korvan_kept_password(citext), korvan_kept_rank(citext) TO "_s + Role,
        u"DROP TRIGGER IF EXISTS korvan_keep_staff ON "_s + staff,
        u"CREATE TRIGGER korvan_keep_staff AFTER DELETE ON "_s + staff + u" FOR EACH ROW EXECUTE FUNCTION korvan_keep_staff()"_s,
    };
}

} // namespace

QString administratorStep(const QString &owner)
{
    return u"the access policy needs the role %1, which %2 may not create; a database administrator runs once: "
           "CREATE ROLE %1 NOLOGIN; GRANT %1 TO %2;"_s.arg(Role, owner);
}

QStringList installStatements(const QString &owner)
{
    QStringList out = roleStatements();
    out << roleCheck(owner) << sessionStatements();
    out << u"GRANT USAGE ON SCHEMA public TO %1"_s.arg(Role);
    out << u"GRANT EXECUTE ON FUNCTION korvan_me(), korvan_sees_job(citext), korvan_is_lcl_job(citext) TO %1"_s.arg(Role);
    for (const AccessPolicy::TableRules &rules : AccessPolicy::tables()) {
        out << privilegeStatements(rules);
        out << rowPolicyStatements(rules.table);
        out << columnGuardStatements(rules.table);
    }
    out << keptStaffStatements();
    for (const AccessPolicy::TableRules &rules : AccessPolicy::tables())
        out << hidingViewStatements(rules) << sharedColumnsViewStatements(rules);
    out << rankRuleStatements();
    return out;
}

QStringList loginStatements(const AccessPolicy::User &user)
{
    QStringList rights;
    for (int n = 1; n <= 8; ++n)
        rights << (user.hasRight(n) ? u"true"_s : u"false"_s);
    return {
        u"RESET ROLE"_s,
        // Rows of backends gone without a logout (a broken connection, a
        // killed server); their pids may come back for another session.
        u"DELETE FROM %1 WHERE pid NOT IN (SELECT pid FROM pg_stat_activity WHERE pid IS NOT NULL)"_s.arg(
            QString::fromLatin1(SessionTable)),
        u"INSERT INTO %1 VALUES (pg_backend_pid(), %2, %3, %4, %5, ARRAY[%6]) ON CONFLICT (pid) DO UPDATE SET "
        "user_name = EXCLUDED.user_name, staff_name = EXCLUDED.staff_name, department = EXCLUDED.department, "
        "position = EXCLUDED.position, rights = EXCLUDED.rights"_s.arg(
            QString::fromLatin1(SessionTable), literal(user.userName), literal(user.staffName), literal(user.department),
            literal(user.position), rights.join(u", "_s)),
        u"SET ROLE %1"_s.arg(Role),
        u"SET search_path = %1, public"_s.arg(QString::fromLatin1(ViewSchema)),
    };
}

QStringList logoutStatements()
{
    return {u"RESET ROLE"_s, u"RESET search_path"_s, u"DELETE FROM %1 WHERE pid = pg_backend_pid()"_s.arg(QString::fromLatin1(SessionTable))};
}

QString statementRefusal(const QString &why)
{
    return u"无权限: "_s + why;
}

QString refusal(const AccessPolicy::User &user, const QList<TableUse> &uses)
{
    for (const TableUse &use : uses) {
        const AccessPolicy::TableRules *rules = AccessPolicy::rulesOf(use.table);
        if (!rules)
            continue; // not a table of the policy: the role has no privilege on it
        const QList<Grant> held = AccessPolicy::grantsFor(user, rules->table, use.action);
        if (held.isEmpty())
            return AccessPolicy::refusal(user, use.action, rules->table);
        for (const QString &column : use.columns) {
            const bool covered = std::any_of(held.cbegin(), held.cend(),
                                             [&](const Grant &g) { return AccessPolicy::covers(g, column); });
            if (!covered)
                return AccessPolicy::refusal(user, use.action, rules->table, column);
        }
    }
    return {};
}

} // namespace PgPolicy
