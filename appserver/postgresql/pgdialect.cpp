#include "pgdialect.h"

#include "audittrail.h"
#include "pgconnection.h"
#include "schema.h"
#include "sqldialect.h"
#include "sqlrewriter.h"
#include "sqltokenizer.h"

#include <QRegularExpression>
#include <QSet>

#include <libpq-fe.h>

using namespace Qt::StringLiterals;

namespace {

// Words that may stand before '(' without calling a function.
const QSet<QString> &wordsBeforeParenthesis()
{
    static const QSet<QString> words{
        u"IN"_s,      u"VALUES"_s, u"EXISTS"_s, u"AS"_s,    u"ON"_s,       u"USING"_s,  u"AND"_s,    u"OR"_s,
        u"NOT"_s,     u"FROM"_s,   u"JOIN"_s,   u"WHERE"_s, u"SELECT"_s,   u"SET"_s,    u"WHEN"_s,   u"THEN"_s,
        u"ELSE"_s,    u"CASE"_s,   u"BY"_s,     u"UNION"_s, u"ALL"_s,      u"DISTINCT"_s, u"OVER"_s, u"FILTER"_s,
        u"LIKE"_s,    u"IS"_s,     u"BETWEEN"_s, u"RETURNING"_s, u"ANY"_s, u"SOME"_s,   u"HAVING"_s, u"LIMIT"_s,
        u"OFFSET"_s,  u"INTERSECT"_s, u"EXCEPT"_s, u"END"_s, u"ESCAPE"_s,
    };
    return words;
}

// The functions a client statement may call: SQL's aggregates and text
// functions, and the dialect's own.
const QSet<QString> &allowedFunctions()
{
    static const QSet<QString> names{
        u"count"_s, u"sum"_s,      u"avg"_s,       u"min"_s,    u"max"_s,   u"substr"_s, u"substring"_s,
        u"length"_s, u"char_length"_s, u"lower"_s, u"upper"_s,  u"trim"_s,  u"ltrim"_s,  u"rtrim"_s,
        u"replace"_s, u"coalesce"_s, u"nullif"_s,  u"round"_s,  u"abs"_s,   u"cast"_s,   u"strpos"_s,
        u"greatest"_s, u"least"_s,  u"typeof"_s, u"group_concat"_s,   u"korvan_add"_s, u"korvan_num"_s,
    };
    return names;
}

bool isSystemName(const QString &bare)
{
    const QString name = bare.toLower();
    return name.startsWith(u"pg_"_s) || name.startsWith(u"lo_"_s) || name.startsWith(u"dblink"_s)
           || name == u"information_schema"_s;
}

QString bareName(const SqlToken &t)
{
    if (t.kind == SqlToken::Name || t.kind == SqlToken::DqString)
        return t.text.mid(1, t.text.size() - 2);
    return t.text;
}

QString doubleQuoted(const QString &name)
{
    QString text = name;
    return u'"' + text.replace(u'"', u"\"\""_s) + u'"';
}

// Names of the schema that PostgreSQL would fold to lower case unquoted
// (A1, RMB, HBL号…), by their lower-case spelling: SQLite finds b.a1 in a
// column declared A1, so the name goes to PostgreSQL quoted as declared.
const QHash<QString, QString> &mixedCaseNames()
{
    static const QHash<QString, QString> names = [] {
        QHash<QString, QString> out;
        const auto add = [&out](const QString &name) {
            if (name != name.toLower())
                out.insert(name.toLower(), name);
        };
        for (const TableDef &table : Schema::tables()) {
            add(table.name);
            for (const QString &column : table.columns)
                add(column);
        }
        return out;
    }();
    return names;
}

// A name as PostgreSQL must be given it: quoted, in the schema's spelling
// when the schema has it.
QString schemaName(const QString &bare)
{
    return doubleQuoted(mixedCaseNames().value(bare.toLower(), bare));
}

bool isDecimal(const SqlToken &t)
{
    return t.kind == SqlToken::Number && !t.text.startsWith(u"0x"_s, Qt::CaseInsensitive)
           && (t.text.contains(u'.') || t.text.contains(u'e', Qt::CaseInsensitive));
}

// One statement's tokens with the positions of its significant ones.
struct Tokens {
    QList<SqlToken> all;
    QList<int> sig;

    const SqlToken &at(int s) const { return all[sig[s]]; }
    int size() const { return int(sig.size()); }
    bool word(int s, const char *w) const { return s >= 0 && s < size() && at(s).isWord(w); }
};

// Why the statement may not run, empty when it may.
// BEGIN, COMMIT or ROLLBACK [TRANSACTION | WORK] alone, as SQLite takes them from a client.
QString transactionWord(const Tokens &t)
{
    if (t.size() < 1 || t.size() > 2 || (t.size() == 2 && !t.word(1, "TRANSACTION") && !t.word(1, "WORK")))
        return {};
    for (const char *word : {"BEGIN", "COMMIT", "ROLLBACK", "END"}) {
        if (t.word(0, word))
            return t.word(0, "END") ? u"COMMIT"_s : QString::fromLatin1(word);
    }
    return {};
}

QString refusalOf(const Tokens &t)
{
    if (t.size() == 0 || !transactionWord(t).isEmpty())
        return {};
    const SqlToken &first = t.at(0);
    if (!(first.isWord("SELECT") || first.isWord("INSERT") || first.isWord("UPDATE") || first.isWord("DELETE")
          || first.isWord("WITH")))
        return u"only SELECT, INSERT, UPDATE and DELETE statements are run by this server (not %1)"_s.arg(
            first.text.left(40));
    const QString trail = QString::fromUtf8(AuditTrail::TableName);
    for (int s = 0; s < t.size(); ++s) {
        const SqlToken &tok = t.at(s);
        if (tok.kind == SqlToken::String && tok.text.toUtf8().size() > SqlDialect::MaxValueBytes)
            return u"the field is too small for the value entered (a text of more than %1 bytes)"_s.arg(
                SqlDialect::MaxValueBytes);
        if (tok.kind == SqlToken::Param && tok.text.compare(u":p1"_s, Qt::CaseInsensitive) != 0)
            return u"only the parameter :p1 is bound, not %1"_s.arg(tok.text.left(40));
        if ((tok.kind == SqlToken::Word || tok.kind == SqlToken::Name) && isSystemName(bareName(tok)))
            return u"%1 is not open to clients"_s.arg(bareName(tok).left(40));
        if (tok.isWord("INTO") && !t.word(s - 1, "INSERT"))
            return u"SELECT … INTO is not run by this server"_s;
        const bool changes = (tok.isWord("INTO") && t.word(s - 1, "INSERT")) || tok.isWord("UPDATE")
                             || (tok.isWord("FROM") && t.word(s - 1, "DELETE"));
        if (changes && s + 1 < t.size() && bareName(t.at(s + 1)) == trail)
            return u"the audit trail %1 cannot be changed"_s.arg(trail);
        if (tok.kind == SqlToken::Word && s + 1 < t.size() && t.at(s + 1).is("(")) {
            const QString upper = tok.text.toUpper();
            if (wordsBeforeParenthesis().contains(upper) || t.word(s - 1, "INTO") || t.word(s - 1, "RECURSIVE")
                || t.word(s - 1, "WITH"))
                continue;
            if (!allowedFunctions().contains(tok.text.toLower()))
                return u"the function %1 is not available to clients"_s.arg(tok.text.left(40));
        }
    }
    return {};
}

bool writes(const Tokens &t)
{
    if (t.size() == 0)
        return false;
    if (t.word(0, "INSERT") || t.word(0, "UPDATE") || t.word(0, "DELETE"))
        return true;
    for (int s = 0; s < t.size(); ++s) {
        if (t.word(s, "INSERT") || t.word(s, "UPDATE") || t.word(s, "DELETE"))
            return true;
    }
    return false;
}

// The tables a statement names after FROM, JOIN, UPDATE and INSERT INTO
// (and in the comma list of a FROM), with what it does to each; the columns
// an UPDATE sets. Names that are not tables (a WITH's, an alias) are kept
// too: the policy passes over what it does not know.
QList<PgPolicy::TableUse> tableUses(const Tokens &t)
{
    using AccessPolicy::Action;
    QList<PgPolicy::TableUse> uses;
    const auto isName = [&t](int s) {
        return s < t.size() && (t.at(s).kind == SqlToken::Word || t.at(s).kind == SqlToken::Name
                                || t.at(s).kind == SqlToken::DqString);
    };
    // A schema-qualified name counts by its last part.
    const auto nameAt = [&](int s) {
        while (s + 2 < t.size() && t.at(s + 1).is(".") && isName(s + 2))
            s += 2;
        return bareName(t.at(s));
    };
    static const char *const endsFromList[] = {"WHERE", "GROUP", "ORDER", "LIMIT", "HAVING", "UNION", "EXCEPT",
                                               "INTERSECT", "ON", "USING", "SET", "RETURNING", "WINDOW", "OFFSET",
                                               "JOIN", "LEFT", "RIGHT", "INNER", "FULL", "CROSS", "VALUES", "SELECT"};
    bool inFromList = false;
    int depthOfFrom = 0;
    int depth = 0;
    for (int s = 0; s < t.size(); ++s) {
        const SqlToken &tok = t.at(s);
        if (tok.is("("))
            ++depth;
        if (tok.is(")")) {
            --depth;
            if (depth < depthOfFrom)
                inFromList = false;
        }
        if (inFromList && depth == depthOfFrom) {
            for (const char *word : endsFromList) {
                if (tok.isWord(word))
                    inFromList = false;
            }
        }
        const bool from = tok.isWord("FROM") || tok.isWord("JOIN");
        const bool listed = inFromList && depth == depthOfFrom && tok.is(",");
        if ((from || listed || tok.isWord("UPDATE") || (tok.isWord("INTO") && t.word(s - 1, "INSERT"))) && isName(s + 1)
            && !t.word(s + 1, "SET") && !t.word(s + 1, "LATERAL") && !t.word(s + 1, "ONLY")) {
            PgPolicy::TableUse use;
            use.table = nameAt(s + 1);
            if (tok.isWord("UPDATE"))
                use.action = Action::Update;
            else if (tok.isWord("INTO"))
                use.action = Action::Insert;
            else if (tok.isWord("FROM") && t.word(s - 1, "DELETE"))
                use.action = Action::Delete;
            if (use.action == Action::Update) {
                // SET a = …, b = … at the statement's own depth.
                int inner = 0;
                for (int c = s + 2; c < t.size(); ++c) {
                    if (t.at(c).is("("))
                        ++inner;
                    else if (t.at(c).is(")"))
                        --inner;
                    if (inner == 0 && (t.word(c, "WHERE") || t.word(c, "FROM") || t.word(c, "RETURNING")))
                        break;
                    if (inner == 0 && isName(c) && c + 1 < t.size() && t.at(c + 1).is("=")
                        && (t.word(c - 1, "SET") || t.at(c - 1).is(",") || t.at(c - 1).is(".")))
                        use.columns << bareName(t.at(c));
                }
            }
            uses << use;
            if (from && tok.isWord("FROM")) {
                inFromList = true;
                depthOfFrom = depth;
            }
        }
    }
    return uses;
}

// A select-list item that SQLite names by its text but PostgreSQL would not
// (an expression without alias).
bool needsAlias(const Tokens &t, int begin, int end)
{
    // Outer parentheses around a lone column change nothing: (国家) is 国家.
    while (end - begin >= 3 && t.at(begin).is("(") && t.at(end - 1).is(")")) {
        ++begin;
        --end;
    }
    const int n = end - begin;
    if (n <= 0)
        return false;
    const auto isName = [&](int s) {
        const SqlToken &k = t.at(s);
        return k.kind == SqlToken::Word || k.kind == SqlToken::Name;
    };
    const auto isNameOrStar = [&](int s) { return isName(s) || t.at(s).is("*"); };
    if (n == 1 && isNameOrStar(begin) && !t.at(begin).isWord("NULL"))
        return false;
    if (n == 3 && isName(begin) && t.at(begin + 1).is(".") && isNameOrStar(begin + 2))
        return false;
    int depth = 0;
    for (int s = begin; s < end; ++s) {
        if (t.at(s).is("("))
            ++depth;
        else if (t.at(s).is(")"))
            --depth;
        else if (depth == 0 && t.at(s).isWord("AS"))
            return false;
    }
    // An alias without AS: a name right after a complete operand.
    const SqlToken &last = t.at(end - 1);
    if (n >= 2 && (last.kind == SqlToken::Name || (last.kind == SqlToken::Word && !last.isWord("END")))) {
        const SqlToken &before = t.at(end - 2);
        if (before.is(")") || before.kind == SqlToken::Name || before.kind == SqlToken::String
            || before.kind == SqlToken::Number || (before.kind == SqlToken::Word && !before.isWord("CASE")))
            return false;
    }
    return true;
}

// The aliases to add after the items of the statement's own select list:
// the significant position of an item's last token, with its text.
QHash<int, QString> aliases(const Tokens &t)
{
    QHash<int, QString> out;
    if (!t.word(0, "SELECT"))
        return out;
    int s = 1;
    if (t.word(s, "DISTINCT") || t.word(s, "ALL"))
        ++s;
    int depth = 0;
    int itemBegin = s;
    const auto close = [&](int end) {
        if (end > itemBegin && needsAlias(t, itemBegin, end)) {
            QString text;
            for (int k = t.sig[itemBegin]; k <= t.sig[end - 1]; ++k)
                text += t.all[k].text;
            out.insert(end - 1, text);
        }
        itemBegin = end + 1;
    };
    for (; s < t.size(); ++s) {
        const SqlToken &k = t.at(s);
        if (k.is("("))
            ++depth;
        else if (k.is(")"))
            --depth;
        else if (depth == 0 && k.is(","))
            close(s);
        else if (depth == 0
                 && (k.isWord("FROM") || k.isWord("UNION") || k.isWord("ORDER") || k.isWord("WHERE")
                     || k.isWord("LIMIT") || k.isWord("GROUP") || k.isWord("INTERSECT") || k.isWord("EXCEPT")))
            break;
    }
    close(s);
    return out;
}

// The ')' of subqueries in FROM without an alias (SELECT * FROM (… LIMIT 1)
// of a union's part): PostgreSQL 15 wants one.
QSet<int> unnamedSubqueries(const Tokens &t)
{
    static const QSet<QString> clauses{u"UNION"_s, u"ORDER"_s, u"WHERE"_s, u"GROUP"_s, u"LIMIT"_s, u"HAVING"_s,
                                       u"EXCEPT"_s, u"INTERSECT"_s, u"JOIN"_s, u"LEFT"_s, u"RIGHT"_s, u"INNER"_s,
                                       u"CROSS"_s, u"FULL"_s, u"ON"_s, u"OFFSET"_s, u"WINDOW"_s};
    QSet<int> out;
    QList<int> open; // significant positions of '(' after FROM, or -1 for other '('
    for (int s = 0; s < t.size(); ++s) {
        if (t.at(s).is("(")) {
            // A subquery, not a parenthesised join: ( SELECT … ).
            const bool subquery = (t.word(s - 1, "FROM") || (s > 0 && t.at(s - 1).is(",")))
                                  && (t.word(s + 1, "SELECT") || t.word(s + 1, "WITH"));
            open.append(subquery ? s : -1);
        } else if (t.at(s).is(")") && !open.isEmpty() && open.takeLast() >= 0) {
            const bool named = s + 1 < t.size()
                               && (t.at(s + 1).kind == SqlToken::Name
                                   || (t.at(s + 1).kind == SqlToken::Word
                                       && !clauses.contains(t.at(s + 1).text.toUpper())));
            if (!named)
                out.insert(s);
        }
    }
    return out;
}

// What goes after the items of every ORDER BY: SQLite sorts NULL before
// every value, PostgreSQL after, unless told.
QHash<int, QString> nullOrder(const Tokens &t)
{
    QHash<int, QString> out;
    for (int s = 0; s + 1 < t.size(); ++s) {
        if (!t.word(s, "ORDER") || !t.word(s + 1, "BY"))
            continue;
        int depth = 0;
        bool named = false; // the item says NULLS itself
        const auto close = [&](int last) {
            if (last < 0 || named)
                return;
            out.insert(last, t.word(last, "DESC") ? u" NULLS LAST"_s : u" NULLS FIRST"_s);
        };
        int k = s + 2;
        for (; k < t.size(); ++k) {
            const SqlToken &tok = t.at(k);
            if (tok.is("(")) {
                ++depth;
            } else if (tok.is(")")) {
                if (--depth < 0)
                    break;
            } else if (depth == 0 && tok.is(",")) {
                close(k - 1);
                named = false;
            } else if (depth == 0 && (tok.isWord("LIMIT") || tok.isWord("OFFSET") || tok.isWord("UNION")
                                      || tok.isWord("FOR") || tok.isWord("EXCEPT") || tok.isWord("INTERSECT"))) {
                break;
            } else if (depth == 0 && tok.isWord("NULLS")) {
                named = true;
            }
        }
        close(k - 1);
        s = k - 1;
    }
    return out;
}

// The significant positions of text literals that are arguments of the
// dialect's '+' (korvan_add): they go as text, so that '200.000' + 5 reads
// the text as a number rather than PostgreSQL taking it for an integer.
QSet<int> textArguments(const Tokens &t)
{
    QSet<int> out;
    QList<bool> calls; // per open parenthesis: korvan_add's
    for (int s = 0; s < t.size(); ++s) {
        const SqlToken &tok = t.at(s);
        if (tok.is("(")) {
            calls.append(s > 0 && t.at(s - 1).isWord(SqlRewriter::AddFunction));
        } else if (tok.is(")")) {
            if (!calls.isEmpty())
                calls.removeLast();
        } else if (tok.kind == SqlToken::String && !calls.isEmpty() && calls.last() && s > 0 && s + 1 < t.size()
                   && (t.at(s - 1).is("(") || t.at(s - 1).is(",")) && (t.at(s + 1).is(")") || t.at(s + 1).is(","))) {
            out.insert(s);
        }
    }
    return out;
}

QString translated(const Tokens &t, bool *bindsParam)
{
    const QHash<int, QString> nulls = nullOrder(t);
    const QSet<int> texts = textArguments(t);
    const QHash<int, QString> added = aliases(t);
    const QSet<int> subqueries = unnamedSubqueries(t);
    QString out;
    int s = 0;
    for (int i = 0; i < t.all.size(); ++i) {
        const SqlToken &k = t.all[i];
        const bool significant = s < t.size() && t.sig[s] == i;
        switch (k.kind) {
        case SqlToken::Name:
            out += schemaName(bareName(k));
            break;
        case SqlToken::Word:
            if (mixedCaseNames().contains(k.text.toLower()) && !(s + 1 < t.size() && t.at(s + 1).is("(")))
                out += schemaName(k.text);
            else
                out += k.text;
            break;
        case SqlToken::String:
            // SQLite takes a string as an alias (AS 'name'); PostgreSQL a name.
            if (significant && s > 0 && t.at(s - 1).isWord("AS")) {
                QString body = k.text.mid(1, k.text.size() - 2);
                out += doubleQuoted(body.replace(u"''"_s, u"'"_s));
            } else {
                out += k.text;
            }
            break;
        case SqlToken::Param:
            out += u"$1"_s;
            if (bindsParam)
                *bindsParam = true;
            break;
        case SqlToken::Number:
            out += k.text;
            if (isDecimal(k))
                out += u"::float8"_s;
            break;
        default:
            out += k.text;
            break;
        }
        if (significant) {
            if (added.contains(s))
                out += u" AS "_s + doubleQuoted(added.value(s));
            if (subqueries.contains(s))
                out += u" AS korvan_part"_s + QString::number(s);
            if (texts.contains(s))
                out += u"::text"_s;
            out += nulls.value(s);
            ++s;
        }
    }
    return out;
}

// The statements of a text, split at the semicolons between them.
QList<Tokens> split(const QString &text)
{
    QList<Tokens> out(1);
    for (const SqlToken &k : SqlTokenizer::tokenize(text)) {
        if (k.is(";")) {
            out.append(Tokens());
            continue;
        }
        if (k.isSignificant())
            out.last().sig.append(int(out.last().all.size()));
        out.last().all.append(k);
    }
    out.removeIf([](const Tokens &t) { return t.size() == 0; });
    return out;
}

QString field(const PgResult &result, int code)
{
    const char *value = result.get() ? PQresultErrorField(result.get(), code) : nullptr;
    return value ? QString::fromUtf8(value) : QString();
}

} // namespace

namespace PgDialect {

QList<Statement> clientStatements(const QString &rewritten, QString *refusal)
{
    QList<Statement> out;
    for (const Tokens &t : split(rewritten)) {
        const QString why = refusalOf(t);
        if (!why.isEmpty()) {
            *refusal = why;
            return {};
        }
        Statement statement;
        statement.text = translated(t, &statement.bindsParam);
        statement.writes = writes(t);
        statement.transaction = transactionWord(t);
        statement.uses = tableUses(t);
        out << statement;
    }
    return out;
}

QString translate(const QString &rewritten)
{
    QStringList out;
    for (const Tokens &t : split(rewritten))
        out << translated(t, nullptr);
    return out.join(u"; "_s);
}

bool isConnectionFailure(const PgResult &result)
{
    const QString state = result.sqlState();
    return state.startsWith(u"08"_s) || state == u"57P01"_s || state == u"57P02"_s || state == u"57P03"_s;
}

QString describeError(const PgResult &result)
{
    const QString state = result.sqlState();
    const QString message = result.message();
    const QString table = field(result, PG_DIAG_TABLE_NAME);
    if (state == u"23505"_s) {
        // "Key (用户名)=(ADMIN) already exists." names the key's columns.
        static const QRegularExpression key(u"^Key \\((.*?)\\)="_s);
        const QString columns = key.match(field(result, PG_DIAG_MESSAGE_DETAIL)).captured(1).remove(u'"');
        return u"duplicate value in %1.%2: a row with this key exists already (%3)"_s.arg(table, columns, message);
    }
    if (state == u"23502"_s)
        return u"zero-length value in %1.%2: this field is required (%3)"_s.arg(table, field(result, PG_DIAG_COLUMN_NAME),
                                                                                message);
    if (state == u"23514"_s) {
        const QString constraint = field(result, PG_DIAG_CONSTRAINT_NAME);
        if (constraint.startsWith(u"required "_s))
            return u"zero-length value in %1: this field is required (%2)"_s.arg(constraint.mid(9), message);
        return message;
    }
    if (state == u"22P02"_s || state == u"22003"_s || state == u"42804"_s || state == u"22007"_s
        || state == u"22008"_s)
        return u"data type mismatch: %1"_s.arg(message);
    if (state == u"22001"_s || state == u"54000"_s)
        return u"the field is too small for the value entered (%1)"_s.arg(message);
    if (state == u"42703"_s || state == u"42P01"_s) {
        // As SQLite says it: "no such column: 不存在", "no such table: x".
        static const QRegularExpression named(u"^(?:column|relation) \"(.*)\" does not exist"_s);
        const QString name = named.match(message).captured(1);
        if (!name.isEmpty())
            return (state == u"42703"_s ? u"no such column: "_s : u"no such table: "_s) + name;
        return message;
    }
    if (isConnectionFailure(result))
        return u"network error: the server cannot reach its database (%1)"_s.arg(message);
    return message;
}

QString valueText(const PgResult &result, int row, int column)
{
    if (result.isNull(row, column))
        return {};
    const QString text = result.text(row, column);
    switch (PQftype(result.get(), column)) {
    case 16: // boolean: SQLite's comparisons give 1 and 0
        return text == u"t"_s ? u"1"_s : u"0"_s;
    case 20: // bigint, smallint, integer
    case 21:
    case 23:
        return text;
    case 1700: { // numeric: a whole number as it is, as SQLite's INTEGER
        bool whole = false;
        text.toLongLong(&whole);
        if (whole)
            return text;
        return SqlDialect::realText(text.toDouble());
    }
    case 700: // real, double precision
    case 701:
        return SqlDialect::realText(text.toDouble());
    default:
        return text;
    }
}

} // namespace PgDialect
