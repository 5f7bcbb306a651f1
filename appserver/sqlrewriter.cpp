#include "sqlrewriter.h"

#include "schema.h"

#include <QSet>

using namespace Qt::StringLiterals;

namespace {

// Words that never stand for a value: a '+' next to them is not an addition
// and a chain of terms stops at them.
const QSet<QString> &keywords()
{
    static const QSet<QString> words = [] {
        QSet<QString> s;
        for (const char *w :
             {"SELECT", "FROM", "WHERE", "GROUP", "ORDER", "BY", "HAVING", "LIMIT", "OFFSET", "UNION", "INTERSECT",
              "EXCEPT", "ALL", "DISTINCT", "AS", "ON", "USING", "JOIN", "LEFT", "RIGHT", "INNER", "OUTER", "CROSS",
              "FULL", "NATURAL", "AND", "OR", "NOT", "IN", "IS", "LIKE", "GLOB", "REGEXP", "MATCH", "BETWEEN",
              "ESCAPE", "CASE", "WHEN", "THEN", "ELSE", "END", "INSERT", "INTO", "VALUES", "UPDATE", "SET", "DELETE",
              "TOP", "ASC", "DESC", "COLLATE", "EXISTS", "WITH", "REPLACE", "DEFAULT", "CREATE", "TABLE", "DROP",
              "ALTER", "INDEX", "VIEW", "TRIGGER", "PRAGMA", "BEGIN", "COMMIT", "ROLLBACK", "ISNULL", "NOTNULL",
              "WINDOW", "OVER", "PARTITION", "FILTER", "RETURNING", "NULLS", "PERCENT"})
            s.insert(QString::fromLatin1(w));
        return s;
    }();
    return words;
}

// Keywords that are values themselves.
bool isValueKeyword(const SqlToken &t)
{
    return t.isWord("NULL") || t.isWord("TRUE") || t.isWord("FALSE") || t.isWord("CURRENT_DATE")
           || t.isWord("CURRENT_TIME") || t.isWord("CURRENT_TIMESTAMP");
}

// "te""xt" -> 'te"xt'; an apostrophe inside becomes two.
QString toStringLiteral(const QString &dq)
{
    QString body = dq.mid(1, dq.size() - 2);
    body.replace(u"\"\""_s, u"\""_s);
    body.replace(u"'"_s, u"''"_s);
    return u'\'' + body + u'\'';
}

// The name a qualifier stands for: [x] and `x` without their marks.
QString bareName(const SqlToken &t)
{
    if (t.kind == SqlToken::Name)
        return t.text.mid(1, t.text.size() - 2);
    return t.text;
}

} // namespace

std::optional<QString> SqlRewriter::rewrite(const QString &sql, QString *refusal, QList<SqlToken> *tokens)
{
    if (tokens)
        tokens->clear();
    try {
        SqlRewriter rewriter(sql);
        QString out = rewriter.run();
        if (tokens && out == sql)
            *tokens = std::move(rewriter.m_tokens);
        return out;
    } catch (const Unparsable &) {
        return sql;
    } catch (const TooDeep &) {
        *refusal = u"the statement nests parentheses and CASE deeper than %1 levels"_s.arg(MaxDepth);
        return std::nullopt;
    }
}

QString SqlRewriter::rewrite(const QString &sql)
{
    QString refusal;
    return rewrite(sql, &refusal).value_or(sql);
}

SqlRewriter::SqlRewriter(const QString &sql)
    : m_tokens(SqlTokenizer::tokenize(sql))
{
    m_match.fill(-1, m_tokens.size());
    // One pass, without recursion: the matching parentheses, and how deep
    // parentheses and CASE (each closed by its END) nest.
    QList<int> open;
    QList<int> cases{0}; // per open parenthesis, its CASEs not yet ended
    int depth = 0;
    for (int i = 0; i < m_tokens.size(); ++i) {
        const SqlToken &t = m_tokens[i];
        if (t.kind == SqlToken::Bad)
            throw Unparsable{};
        if (t.is("(")) {
            open.append(i);
            cases.append(0);
            ++depth;
        } else if (t.is(")")) {
            if (open.isEmpty())
                throw Unparsable{};
            m_match[open.takeLast()] = i;
            depth -= 1 + cases.takeLast();
        } else if (t.isWord("CASE")) {
            ++cases.last();
            ++depth;
        } else if (t.isWord("END") && cases.last() > 0) {
            --cases.last();
            --depth;
        }
        if (depth > MaxDepth)
            throw TooDeep{};
    }
    if (!open.isEmpty())
        throw Unparsable{};
}

QString SqlRewriter::run()
{
    // Statements separated by ';' are rewritten one by one.
    QString out;
    const int n = int(m_tokens.size());
    int begin = 0;
    for (int i = 0; i <= n; i = skip(i)) {
        if (i == n || m_tokens[i].is(";")) {
            out += statement(begin, i);
            if (i < n)
                out += m_tokens[i].text;
            begin = i + 1;
            if (i == n)
                break;
        }
    }
    return out;
}

int SqlRewriter::next(int at, int end) const
{
    while (at < end && !m_tokens[at].isSignificant())
        ++at;
    return at;
}

int SqlRewriter::previous(int at, int begin) const
{
    for (int i = at - 1; i >= begin; --i) {
        if (m_tokens[i].isSignificant())
            return i;
    }
    return -1;
}

// The index after the token at `at`, or after its closing parenthesis.
int SqlRewriter::skip(int at) const
{
    if (at < m_tokens.size() && m_match[at] >= 0)
        return m_match[at] + 1;
    return at + 1;
}

QString SqlRewriter::raw(int begin, int end) const
{
    QString text;
    for (int i = begin; i < end; ++i)
        text += m_tokens[i].text;
    return text;
}

// Indexes of the top-level occurrences of a punctuation token in [begin, end).
QList<int> SqlRewriter::splitAt(int begin, int end, const char *punct) const
{
    QList<int> at;
    for (int i = begin; i < end; i = skip(i)) {
        if (m_tokens[i].is(punct))
            at.append(i);
    }
    return at;
}

bool SqlRewriter::isKeyword(int at) const
{
    const SqlToken &t = m_tokens[at];
    return t.kind == SqlToken::Word && keywords().contains(t.text.toUpper());
}

bool SqlRewriter::isOperandEnd(int at) const
{
    const SqlToken &t = m_tokens[at];
    switch (t.kind) {
    case SqlToken::String:
    case SqlToken::DqString:
    case SqlToken::Number:
    case SqlToken::Param:
    case SqlToken::Name:
        return true;
    case SqlToken::Punct:
        return t.is(")");
    case SqlToken::Word:
        return !isKeyword(at) || t.isWord("END") || isValueKeyword(t);
    default:
        return false;
    }
}

bool SqlRewriter::canStartTerm(int at, int begin, int end) const
{
    const SqlToken &t = m_tokens[at];
    switch (t.kind) {
    case SqlToken::String:
    case SqlToken::DqString:
    case SqlToken::Number:
    case SqlToken::Param:
    case SqlToken::Name:
        return true;
    case SqlToken::Punct: {
        if (t.is("("))
            return true;
        if (t.is("-") || t.is("+") || t.is("~")) {
            const int p = previous(at, begin);
            return p < 0 || !isOperandEnd(p);
        }
        return false;
    }
    case SqlToken::Word: {
        if (t.isWord("CASE") || isValueKeyword(t) || !isKeyword(at))
            return true;
        const int open = next(at + 1, end);
        // Left( is the function; LEFT JOIN never has a '(' right after LEFT.
        return open < end && m_tokens[open].is("(") && (t.isWord("LEFT") || t.isWord("REPLACE"));
    }
    default:
        return false;
    }
}

QString SqlRewriter::quoteName(const QString &text)
{
    QString body = text;
    body.replace(u"\""_s, u"\"\""_s);
    return u'"' + body + u'"';
}

QString SqlRewriter::statement(int begin, int end)
{
    const int first = next(begin, end);
    if (first == end)
        return raw(begin, end);
    if (m_tokens[first].isWord("SELECT")) {
        if (std::optional<QString> stepped = steppedDistinct(first, end))
            return raw(begin, first) + *stepped;
        return raw(begin, first) + selectStatement(first, end);
    }
    if (m_tokens[first].isWord("UPDATE"))
        return raw(begin, first) + updateStatement(first, end);
    return sequence(begin, end);
}

// Contents of a parenthesis: a subquery or an expression list or a join.
QString SqlRewriter::inner(int begin, int end)
{
    const int first = next(begin, end);
    if (first < end && m_tokens[first].isWord("SELECT"))
        return raw(begin, first) + selectStatement(first, end);
    return sequence(begin, end);
}

QString SqlRewriter::selectStatement(int begin, int end)
{
    // Split into the parts of a compound select.
    struct Part {
        int begin, end;
    };
    QList<Part> parts;
    QList<QString> joiners;
    int partBegin = begin;
    for (int i = begin; i < end; i = skip(i)) {
        const SqlToken &t = m_tokens[i];
        if (t.isWord("UNION") || t.isWord("INTERSECT") || t.isWord("EXCEPT")) {
            parts.append({partBegin, i});
            int j = i + 1;
            const int k = next(j, end);
            if (k < end && m_tokens[k].isWord("ALL"))
                j = k + 1;
            joiners.append(raw(i, j));
            partBegin = j;
            i = j - 1;
        }
    }
    parts.append({partBegin, end});

    QString out;
    for (int p = 0; p < parts.size(); ++p) {
        if (p > 0)
            out += joiners[p - 1];
        const Part &part = parts[p];
        const int first = next(part.begin, part.end);
        if (first == part.end || !m_tokens[first].isWord("SELECT")) {
            out += sequence(part.begin, part.end);
            continue;
        }
        // Where LIMIT goes: after the last significant token of the part, so
        // that a trailing comment cannot swallow it. The ORDER BY of the last
        // part of a compound belongs to the whole compound.
        int coreEnd = part.end;
        if (parts.size() > 1 && p == parts.size() - 1) {
            for (int i = first; i < part.end; i = skip(i)) {
                if (m_tokens[i].isWord("ORDER")) {
                    coreEnd = i;
                    break;
                }
            }
        }
        const int last = previous(coreEnd, part.begin);
        int top = -1;
        const QString core = selectCore(first, last + 1, &top);
        out += raw(part.begin, first);
        if (top < 0) {
            out += core + sequence(last + 1, part.end);
        } else if (parts.size() == 1) {
            out += core + u" LIMIT "_s + QString::number(top) + sequence(last + 1, part.end);
        } else {
            out += u"SELECT * FROM ("_s + core + u" LIMIT "_s + QString::number(top) + u')'
                   + sequence(last + 1, part.end);
        }
    }
    return out;
}

// "select distinct Left(c, n) from t [where w]": the months in which the
// jobs of a list sail. SQLite answers DISTINCT by reading the index from one
// value to the next only when its statistics promise many rows per value,
// and reads every row of the index range otherwise (statistics that predate
// the table's growth). Here each distinct value is one seek for the first
// value above the last: a recursive query, ascending, with a NULL first when
// some row has none, as DISTINCT gives it. Taken only for a table with an
// index on the expression, where each step is a seek.
std::optional<QString> SqlRewriter::steppedDistinct(int begin, int end)
{
    const auto isName = [this](int at) {
        const SqlToken &t = m_tokens[at];
        return (t.kind == SqlToken::Word && !isKeyword(at)) || t.kind == SqlToken::Name;
    };
    const int distinct = next(begin + 1, end);
    const int left = next(distinct + 1, end);
    const int open = next(left + 1, end);
    if (open >= end || !m_tokens[distinct].isWord("DISTINCT") || !m_tokens[left].isWord("LEFT")
        || !m_tokens[open].is("("))
        return std::nullopt;
    const int close = m_match[open];
    const int column = next(open + 1, close);
    const int comma = next(column + 1, close);
    const int count = next(comma + 1, close);
    if (count >= close || !isName(column) || !m_tokens[comma].is(",") || m_tokens[count].kind != SqlToken::Number
        || next(count + 1, close) != close)
        return std::nullopt;
    const int from = next(close + 1, end);
    const int table = next(from + 1, end);
    if (table >= end || !m_tokens[from].isWord("FROM") || !isName(table))
        return std::nullopt;
    const int where = next(table + 1, end);
    if (where < end && (!m_tokens[where].isWord("WHERE") || next(where + 1, end) == end))
        return std::nullopt;
    for (int i = where; i < end; i = skip(i)) {
        for (const char *word : {"GROUP", "ORDER", "HAVING", "LIMIT", "OFFSET", "UNION", "INTERSECT", "EXCEPT",
                                 "WINDOW"}) {
            if (m_tokens[i].isWord(word))
                return std::nullopt;
        }
    }
    const QString indexed = u"substr(\""_s + bareName(m_tokens[column]) + u"\",1,"_s + m_tokens[count].text + u')';
    if (!Schema::hasIndexOn(bareName(m_tokens[table]), indexed))
        return std::nullopt;

    const QString value = u"substr("_s + m_tokens[column].text + u", 1,"_s + m_tokens[count].text + u')';
    const QString source = u" FROM "_s + m_tokens[table].text + u" WHERE "_s
                           + (where < end ? u"("_s + sequence(where + 1, end).trimmed() + u") AND "_s : QString());
    const QString first = u"SELECT "_s + value + source + value + u" IS NOT NULL ORDER BY 1 LIMIT 1"_s;
    const QString after = u"SELECT "_s + value + source + value + u" > korvan_steps.korvan_value ORDER BY 1 LIMIT 1"_s;
    return u"WITH RECURSIVE korvan_steps(korvan_value) AS (SELECT ("_s + first + u") UNION ALL SELECT ("_s + after
           + u") FROM korvan_steps WHERE korvan_value IS NOT NULL) SELECT NULL AS "_s
           + quoteName(raw(left, close + 1)) + u" WHERE EXISTS (SELECT 1"_s + source + value
           + u" IS NULL) UNION ALL SELECT korvan_value FROM korvan_steps WHERE korvan_value IS NOT NULL"_s;
}

// One SELECT core without its compound neighbours: removes "top n" (handing
// n back in *top) and rewrites the select list item by item.
QString SqlRewriter::selectCore(int begin, int end, int *top)
{
    const int select = next(begin, end);
    QString out = raw(begin, select + 1);
    int at = select + 1;
    auto takeQuantifier = [&] {
        const int q = next(at, end);
        if (q < end && (m_tokens[q].isWord("DISTINCT") || m_tokens[q].isWord("ALL"))) {
            out += raw(at, q + 1);
            at = q + 1;
        }
    };
    takeQuantifier();
    const int t = next(at, end);
    if (t < end && m_tokens[t].isWord("TOP")) {
        int count = next(t + 1, end);
        int after;
        bool parenthesised = count < end && m_tokens[count].is("(");
        if (parenthesised) {
            after = m_match[count] + 1;
            count = next(count + 1, end);
            if (next(count + 1, end) != after - 1)
                throw Unparsable{};
        } else {
            after = count + 1;
        }
        bool ok = false;
        const int n = count < end && m_tokens[count].kind == SqlToken::Number ? m_tokens[count].text.toInt(&ok) : 0;
        if (!ok || n < 0)
            throw Unparsable{};
        // "top 10 percent" and a core that has a LIMIT of its own are not followed.
        const int following = next(after, end);
        if (following < end && m_tokens[following].isWord("PERCENT"))
            throw Unparsable{};
        for (int i = after; i < end; i = skip(i)) {
            if (m_tokens[i].isWord("LIMIT"))
                throw Unparsable{};
        }
        *top = n;
        at = after;
        takeQuantifier();
    }

    // The select list runs to the top-level FROM.
    int listEnd = end;
    for (int i = at; i < end; i = skip(i)) {
        if (m_tokens[i].isWord("FROM")) {
            listEnd = i;
            break;
        }
    }
    int itemBegin = at;
    for (int comma : splitAt(at, listEnd, ",")) {
        out += selectItem(itemBegin, comma) + m_tokens[comma].text;
        itemBegin = comma + 1;
    }
    out += selectItem(itemBegin, listEnd);
    return out + sequence(listEnd, end);
}

// An item whose text the rewrite changes keeps its original text as its
// column name, as the client's database names it.
QString SqlRewriter::selectItem(int begin, int end)
{
    const int first = next(begin, end);
    const int last = previous(end, begin);
    if (last < 0)
        return sequence(begin, end);
    // The item is rewritten once; the blanks around it stay where they were.
    const QString original = raw(first, last + 1);
    const QString item = sequence(first, last + 1);
    const QString rewritten = raw(begin, first) + item + raw(last + 1, end);
    if (item == original)
        return rewritten;
    bool aliased = false;
    const SqlToken &lt = m_tokens[last];
    if ((lt.kind == SqlToken::Word && !isKeyword(last)) || lt.kind == SqlToken::Name || lt.kind == SqlToken::String
        || lt.kind == SqlToken::DqString) {
        const int before = previous(last, begin);
        aliased = before >= 0 && (m_tokens[before].isWord("AS") || (isOperandEnd(before) && !m_tokens[before].is(".")));
    }
    if (aliased)
        return rewritten;
    return raw(begin, first) + item + u" AS "_s + quoteName(original.trimmed()) + raw(last + 1, end);
}

// UPDATE t [AS x] SET t.c = v, ...: SQLite names the columns of SET without
// their table. Only the updated table's own name or alias is taken off; any
// other qualifier stays, and SQLite refuses it.
QString SqlRewriter::updateStatement(int begin, int end)
{
    int set = -1;
    for (int i = begin; i < end; i = skip(i)) {
        if (m_tokens[i].isWord("SET")) {
            set = i;
            break;
        }
    }
    if (set < 0)
        return sequence(begin, end);
    QSet<QString> names;
    for (int i = begin + 1; i < set; ++i) {
        const SqlToken &t = m_tokens[i];
        if ((t.kind == SqlToken::Word && !isKeyword(i)) || t.kind == SqlToken::Name)
            names.insert(bareName(t).toLower());
    }
    int setEnd = end;
    for (int i = set + 1; i < end; i = skip(i)) {
        const SqlToken &t = m_tokens[i];
        if (t.isWord("WHERE") || t.isWord("FROM") || t.isWord("ORDER") || t.isWord("LIMIT")
            || t.isWord("RETURNING")) {
            setEnd = i;
            break;
        }
    }
    QString out = raw(begin, set + 1);
    int itemBegin = set + 1;
    QList<int> commas = splitAt(set + 1, setEnd, ",");
    commas.append(setEnd);
    for (int comma : commas) {
        int target = next(itemBegin, comma);
        const int dot = next(target + 1, comma);
        const int column = dot < comma ? next(dot + 1, comma) : comma;
        const bool qualified = target < comma && dot < comma && m_tokens[dot].is(".") && column < comma
                               && (m_tokens[column].kind == SqlToken::Word || m_tokens[column].kind == SqlToken::Name)
                               && names.contains(bareName(m_tokens[target]).toLower());
        if (qualified) {
            out += raw(itemBegin, target) + sequence(column, comma);
        } else {
            out += sequence(itemBegin, comma);
        }
        if (comma < setEnd)
            out += m_tokens[comma].text;
        itemBegin = comma + 1;
    }
    return out + sequence(setEnd, end);
}

// Any run of tokens: every additive chain that contains a '+' becomes nested
// calls; everything else is taken over as it stands, with the contents of
// parentheses rewritten in turn.
QString SqlRewriter::sequence(int begin, int end)
{
    QString out;
    int i = begin;
    while (i < end) {
        if (m_tokens[i].isSignificant() && canStartTerm(i, begin, end)) {
            const Piece piece = chain(i, end);
            if (piece.end > i) {
                out += piece.text;
                i = piece.end;
                continue;
            }
        }
        if (m_match[i] >= 0) {
            out += m_tokens[i].text + inner(i + 1, m_match[i]) + m_tokens[m_match[i]].text;
            i = m_match[i] + 1;
            continue;
        }
        out += m_tokens[i].kind == SqlToken::DqString ? toStringLiteral(m_tokens[i].text) : m_tokens[i].text;
        ++i;
    }
    return out;
}

// term (('+' | '-') term)*, the operators of SQL's additive level. A chain
// without '+' keeps its text; with one, a + b becomes korvan_add(a, b), left
// to right, so that a - b + c is korvan_add(a - b, c).
SqlRewriter::Piece SqlRewriter::chain(int at, int end)
{
    bool ok = false;
    Piece first = term(at, end, &ok);
    if (!ok)
        return {at, QString()};
    QString plain = first.text;
    // What follows each operator in the nested form: ", b)" after a '+',
    // "- b" after a '-'; the calls are opened in front all at once, so that
    // no text is copied again for every '+'.
    QString nestedTail;
    int pluses = 0;
    int pos = first.end;
    while (true) {
        const int op = next(pos, end);
        if (op >= end || !(m_tokens[op].is("+") || m_tokens[op].is("-")))
            break;
        const int operand = next(op + 1, end);
        if (operand >= end)
            break;
        Piece right = term(operand, end, &ok);
        if (!ok)
            break;
        const QString between = raw(pos, operand);
        plain += between + right.text;
        if (m_tokens[op].is("+")) {
            ++pluses;
            nestedTail += u", "_s + right.text + u')';
        } else {
            nestedTail += between + right.text;
        }
        pos = right.end;
    }
    if (pluses == 0)
        return {pos, plain};
    QString nested;
    // A word right before the chain ("select(a)+1", "not(a)+1") must not run
    // into the function name.
    if (at > 0) {
        const SqlToken::Kind before = m_tokens[at - 1].kind;
        if (before == SqlToken::Word || before == SqlToken::Number || before == SqlToken::Param)
            nested += u' ';
    }
    const QString call = QLatin1StringView(AddFunction) + u'(';
    nested.reserve(nested.size() + pluses * call.size() + first.text.size() + nestedTail.size());
    for (int i = 0; i < pluses; ++i)
        nested += call;
    nested += first.text + nestedTail;
    return {pos, nested};
}

// unary (('*' | '/' | '%' | '||') unary)*: everything that binds tighter than '+'.
SqlRewriter::Piece SqlRewriter::term(int at, int end, bool *ok)
{
    Piece piece = unary(at, end, ok);
    if (!*ok)
        return piece;
    while (true) {
        const int op = next(piece.end, end);
        if (op >= end || !(m_tokens[op].is("*") || m_tokens[op].is("/") || m_tokens[op].is("%") || m_tokens[op].is("||")))
            break;
        const int operand = next(op + 1, end);
        if (operand >= end)
            break;
        bool rightOk = false;
        const Piece right = unary(operand, end, &rightOk);
        if (!rightOk)
            break;
        piece.text += raw(piece.end, operand) + right.text;
        piece.end = right.end;
    }
    return piece;
}

SqlRewriter::Piece SqlRewriter::unary(int at, int end, bool *ok)
{
    QString prefix;
    int i = at;
    while (i < end && (m_tokens[i].is("-") || m_tokens[i].is("+") || m_tokens[i].is("~"))) {
        const int operand = next(i + 1, end);
        prefix += raw(i, operand);
        i = operand;
    }
    if (i >= end) {
        *ok = false;
        return {at, QString()};
    }
    Piece piece = primary(i, end, ok);
    if (!*ok)
        return {at, QString()};
    piece.text.prepend(prefix);
    // x COLLATE name
    const int collate = next(piece.end, end);
    if (collate < end && m_tokens[collate].isWord("COLLATE")) {
        const int name = next(collate + 1, end);
        if (name < end) {
            piece.text += raw(piece.end, name + 1);
            piece.end = name + 1;
        }
    }
    return piece;
}

SqlRewriter::Piece SqlRewriter::primary(int at, int end, bool *ok)
{
    *ok = true;
    const SqlToken &t = m_tokens[at];
    switch (t.kind) {
    case SqlToken::String:
    case SqlToken::Number:
    case SqlToken::Param:
        return {at + 1, t.text};
    case SqlToken::DqString:
        return {at + 1, toStringLiteral(t.text)};
    case SqlToken::Punct:
        if (t.is("(")) {
            const int close = m_match[at];
            return {close + 1, t.text + inner(at + 1, close) + m_tokens[close].text};
        }
        break;
    case SqlToken::Word:
        if (t.isWord("CASE")) {
            // CASE ... END, with nested CASEs at the same parenthesis level.
            int depth = 0;
            for (int i = at; i < end; i = skip(i)) {
                if (m_tokens[i].isWord("CASE")) {
                    ++depth;
                } else if (m_tokens[i].isWord("END") && --depth == 0) {
                    return {i + 1, t.text + sequence(at + 1, i) + m_tokens[i].text};
                }
            }
            throw Unparsable{};
        }
        if (isValueKeyword(t))
            return {at + 1, t.text};
        {
            const int open = next(at + 1, end);
            if (open < end && m_tokens[open].is("(") && (!isKeyword(at) || t.isWord("LEFT") || t.isWord("REPLACE")))
                return call(at, open, end);
        }
        if (isKeyword(at))
            break;
        [[fallthrough]];
    case SqlToken::Name: {
        // name, qualified name a.b.c or a.*
        int last = at;
        while (true) {
            const int dot = next(last + 1, end);
            if (dot >= end || !m_tokens[dot].is("."))
                break;
            const int part = next(dot + 1, end);
            if (part >= end)
                break;
            const SqlToken &p = m_tokens[part];
            if (!(p.kind == SqlToken::Word || p.kind == SqlToken::Name || p.is("*")))
                break;
            last = part;
            if (p.is("*"))
                break;
        }
        return {last + 1, raw(at, last + 1)};
    }
    default:
        break;
    }
    *ok = false;
    return {at, QString()};
}

// name(arguments); Left(x, n) becomes substr(x, 1, n), the form the month
// indexes of the job tables are built on.
SqlRewriter::Piece SqlRewriter::call(int at, int open, int end)
{
    Q_UNUSED(end);
    const int close = m_match[open];
    if (m_tokens[at].isWord("LEFT")) {
        const QList<int> commas = splitAt(open + 1, close, ",");
        if (commas.size() != 1 || next(open + 1, commas[0]) == commas[0] || next(commas[0] + 1, close) == close)
            throw Unparsable{};
        return {close + 1, u"substr("_s + sequence(open + 1, commas[0]) + u", 1,"_s
                               + sequence(commas[0] + 1, close) + u')'};
    }
    return {close + 1, raw(at, open + 1) + inner(open + 1, close) + m_tokens[close].text};
}
