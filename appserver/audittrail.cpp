#include "audittrail.h"

#include "schema.h"
#include "sqltokenizer.h"

#include <sqlite3.h>

#include <QList>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace AuditTrail {

namespace {

const QString PasswordColumn = u"密码"_s;

// A name as the statement spells it, without brackets or quotes.
QString bareName(const SqlToken &token)
{
    if (token.kind == SqlToken::Name || token.kind == SqlToken::DqString)
        return token.text.mid(1, token.text.size() - 2);
    return token.text;
}

bool isName(const SqlToken &token)
{
    return token.kind == SqlToken::Word || token.kind == SqlToken::Name;
}

bool isValue(const SqlToken &token)
{
    return token.kind == SqlToken::String || token.kind == SqlToken::DqString || token.kind == SqlToken::Number
           || token.kind == SqlToken::Param || token.kind == SqlToken::Bad;
}

// Words that end the value of a comparison or an assignment.
bool endsExpression(const SqlToken &token)
{
    static const char *const words[] = {"where", "and", "or", "from", "order", "group", "having", "limit",
                                        "returning", "on", "when", "then", "else", "end", "union", "set"};
    if (token.kind != SqlToken::Word)
        return false;
    for (const char *word : words) {
        if (token.isWord(word))
            return true;
    }
    return false;
}

bool isComparison(const SqlToken &token)
{
    for (const char *op : {"=", "==", "<>", "!="}) {
        if (token.is(op))
            return true;
    }
    return token.isWord("like") || token.isWord("glob") || token.isWord("is") || token.isWord("in");
}

class Masker
{
public:
    explicit Masker(const QString &sql)
        : m_tokens(SqlTokenizer::tokenize(sql))
    {
        for (qsizetype i = 0; i < m_tokens.size(); ++i) {
            if (m_tokens.at(i).isSignificant())
                m_sig.append(i);
        }
    }

    MaskedStatement run()
    {
        for (qsizetype p = 0; p < m_sig.size(); ++p) {
            if (isPassword(p))
                maskAroundColumn(p);
            else if (tok(p).isWord("insert") || (tok(p).isWord("replace") && startsStatement(p)))
                maskInsert(p);
        }
        MaskedStatement out;
        for (const SqlToken &token : std::as_const(m_tokens))
            out.sql += token.text;
        out.paramHidden = m_paramHidden;
        return out;
    }

private:
    const SqlToken &tok(qsizetype p) const
    {
        static const SqlToken none;
        return p >= 0 && p < m_sig.size() ? m_tokens.at(m_sig.at(p)) : none;
    }

    bool isPassword(qsizetype p) const { return isName(tok(p)) && bareName(tok(p)) == PasswordColumn; }
    bool startsStatement(qsizetype p) const { return p == 0 || tok(p - 1).is(";"); }

    void hide(qsizetype p)
    {
        SqlToken &token = m_tokens[m_sig.at(p)];
        if (token.kind == SqlToken::Param) {
            if (token.text.compare(u":p1"_s, Qt::CaseInsensitive) == 0)
                m_paramHidden = true;
            return;
        }
        token.kind = SqlToken::String;
        token.text = QString::fromLatin1(Hidden);
    }

    // Goes to the end of the expression that starts at p, hiding its values
    // when hide is set; returns the position after it.
    qsizetype walkExpression(qsizetype p, bool hideValues)
    {
        int depth = 0;
        for (; p < m_sig.size(); ++p) {
            const SqlToken &t = tok(p);
            if (t.is("("))
                ++depth;
            else if (t.is(")") && --depth < 0)
                break;
            else if (depth == 0 && (t.is(",") || t.is(";") || endsExpression(t)))
                break;
            else if (hideValues && isValue(t))
                hide(p);
        }
        return p;
    }

    // 密码 = value, value = 密码, 职员.密码 in (…)
    void maskAroundColumn(qsizetype p)
    {
        if (isComparison(tok(p + 1))) {
            qsizetype from = p + 2;
            if (tok(from).isWord("not"))
                ++from;
            walkExpression(from, true);
        }
        qsizetype before = p - 1;
        if (tok(before).is(".")) // a qualified column: 职员.密码
            before -= 2;
        if (isComparison(tok(before)) && isValue(tok(before - 1)))
            hide(before - 1);
    }

    // insert [or …] into table [(columns)] values (…), (…) | select …
    void maskInsert(qsizetype p)
    {
        ++p;
        if (tok(p).isWord("or"))
            p += 2;
        if (!tok(p).isWord("into"))
            return;
        ++p;
        QString table = bareName(tok(p));
        while (tok(p + 1).is(".")) { // main.职员
            p += 2;
            table = bareName(tok(p));
        }
        ++p;
        QList<int> places;
        if (tok(p).is("(")) {
            int column = 0;
            for (++p; p < m_sig.size() && !tok(p).is(")"); ++p) {
                if (tok(p).is(","))
                    ++column;
                else if (bareName(tok(p)) == PasswordColumn)
                    places.append(column);
            }
            ++p;
        } else if (const TableDef *def = Schema::find(table)) {
            const int column = def->columnIndex(PasswordColumn);
            if (column >= 0)
                places.append(column);
        }
        if (places.isEmpty())
            return;
        if (tok(p).isWord("values")) {
            ++p;
            while (tok(p).is("(")) {
                p = hideRow(p + 1, places, true);
                if (!tok(p).is(","))
                    break;
                ++p;
            }
        } else if (tok(p).isWord("select")) {
            ++p;
            if (tok(p).isWord("distinct") || tok(p).isWord("all"))
                ++p;
            hideRow(p, places, false);
        }
    }

    // Hides the items at places of one value list; returns the position
    // after the list (after its closing parenthesis when it has one).
    qsizetype hideRow(qsizetype p, const QList<int> &places, bool parenthesised)
    {
        for (int item = 0; p < m_sig.size(); ++item) {
            p = walkExpression(p, places.contains(item));
            if (!tok(p).is(","))
                break;
            ++p;
        }
        return parenthesised && tok(p).is(")") ? p + 1 : p;
    }

    QList<SqlToken> m_tokens;
    QList<qsizetype> m_sig; // positions of the significant tokens
    bool m_paramHidden = false;
};

} // namespace

QString createStatement()
{
    return u"CREATE TABLE IF NOT EXISTS \"%1\" (\n"
           "  \"序号\" INTEGER PRIMARY KEY,\n"
           "  \"时间\" TEXT NOT NULL,\n"
           "  \"用户名\" TEXT COLLATE NOCASE,\n"
           "  \"客户端地址\" TEXT,\n"
           "  \"语句\" TEXT NOT NULL,\n"
           "  \"参数\" TEXT,\n"
           "  \"影响行数\" INTEGER NOT NULL\n"
           ")"_s.arg(QString::fromUtf8(TableName));
}

bool ensureTable(sqlite3 *db, QString *error)
{
    const QByteArray sql = createStatement().toUtf8();
    if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr) == SQLITE_OK)
        return true;
    *error = QString::fromUtf8(sqlite3_errmsg(db));
    return false;
}

MaskedStatement maskPasswords(const QString &sql)
{
    // Only text naming the column, or a table that has it, can hold a password.
    static const QStringList tables = [] {
        QStringList names;
        for (const TableDef &table : Schema::tables()) {
            if (table.columnIndex(PasswordColumn) >= 0)
                names << table.name;
        }
        return names;
    }();
    const auto named = [&sql](const QString &name) { return sql.contains(name); };
    if (!sql.contains(PasswordColumn) && std::none_of(tables.cbegin(), tables.cend(), named))
        return {sql, false};
    return Masker(sql).run();
}

} // namespace AuditTrail
