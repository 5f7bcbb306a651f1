#include "sqltokenizer.h"

namespace {

bool isWordStart(QChar c)
{
    return c.isLetter() || c == u'_' || c.unicode() >= 0x80;
}

bool isWordChar(QChar c)
{
    return isWordStart(c) || c.isDigit() || c == u'$';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// End of a literal or name closed by `close`, where a doubled close character
// stands for one; -1 when it is never closed.
qsizetype closing(const QString &s, qsizetype from, QChar close, bool doubling)
{
    for (qsizetype i = from; i < s.size(); ++i) {
        if (s[i] != close)
            continue;
        if (doubling && i + 1 < s.size() && s[i + 1] == close) {
            ++i;
            continue;
        }
        return i + 1;
    }
    return -1;
}

} // namespace

QList<SqlToken> SqlTokenizer::tokenize(const QString &sql)
{
    QList<SqlToken> tokens;
    const qsizetype n = sql.size();
    qsizetype i = 0;
    auto push = [&](SqlToken::Kind kind, qsizetype end) {
        tokens.append(SqlToken{kind, sql.mid(i, end - i)});
        i = end;
    };
    while (i < n) {
        const QChar c = sql[i];
        const QChar next = i + 1 < n ? sql[i + 1] : QChar();
        if (c.isSpace()) {
            qsizetype j = i;
            while (j < n && sql[j].isSpace())
                ++j;
            push(SqlToken::Space, j);
        } else if (c == u'-' && next == u'-') {
            qsizetype j = sql.indexOf(u'\n', i);
            push(SqlToken::Comment, j < 0 ? n : j);
        } else if (c == u'/' && next == u'*') {
            qsizetype j = sql.indexOf(QLatin1StringView("*/"), i + 2);
            push(SqlToken::Comment, j < 0 ? n : j + 2);
        } else if (c == u'\'' || c == u'"' || c == u'[' || c == u'`') {
            const QChar close = c == u'[' ? QChar(u']') : c;
            const qsizetype end = closing(sql, i + 1, close, c != u'[');
            if (end < 0) {
                push(SqlToken::Bad, n);
            } else {
                const SqlToken::Kind kind = c == u'\'' ? SqlToken::String
                                            : c == u'"' ? SqlToken::DqString
                                                        : SqlToken::Name;
                push(kind, end);
            }
        } else if (isDigit(c) || (c == u'.' && isDigit(next))) {
            qsizetype j = i;
            if (c == u'0' && (next == u'x' || next == u'X')) {
                j += 2;
                while (j < n && (isDigit(sql[j]) || QStringLiteral("abcdefABCDEF").contains(sql[j])))
                    ++j;
            } else {
                while (j < n && isDigit(sql[j]))
                    ++j;
                if (j < n && sql[j] == u'.') {
                    ++j;
                    while (j < n && isDigit(sql[j]))
                        ++j;
                }
                if (j < n && (sql[j] == u'e' || sql[j] == u'E')) {
                    qsizetype k = j + 1;
                    if (k < n && (sql[k] == u'+' || sql[k] == u'-'))
                        ++k;
                    if (k < n && isDigit(sql[k])) {
                        j = k;
                        while (j < n && isDigit(sql[j]))
                            ++j;
                    }
                }
            }
            push(SqlToken::Number, j);
        } else if ((c == u':' || c == u'@' || c == u'$') && i + 1 < n && isWordChar(next)) {
            qsizetype j = i + 1;
            while (j < n && isWordChar(sql[j]))
                ++j;
            push(SqlToken::Param, j);
        } else if (c == u'?') {
            qsizetype j = i + 1;
            while (j < n && isDigit(sql[j]))
                ++j;
            push(SqlToken::Param, j);
        } else if (isWordStart(c)) {
            qsizetype j = i + 1;
            while (j < n && isWordChar(sql[j]))
                ++j;
            push(SqlToken::Word, j);
        } else {
            static const char *const pairs[] = {"||", "<=", ">=", "<>", "!=", "==", "<<", ">>"};
            qsizetype end = i + 1;
            for (const char *p : pairs) {
                if (c == QLatin1Char(p[0]) && next == QLatin1Char(p[1])) {
                    end = i + 2;
                    break;
                }
            }
            push(SqlToken::Punct, end);
        }
    }
    return tokens;
}
