#pragma once

#include <QList>
#include <QString>

// One lexical token of an SQL text. The texts of all tokens of a statement,
// concatenated, give the statement back exactly.
struct SqlToken {
    enum Kind {
        Space,      // blanks and line breaks
        Comment,    // -- to the end of the line, or /* ... */
        Word,       // a name or a keyword
        Name,       // [bracketed] or `backquoted` name
        String,     // 'text' with doubled quotes inside
        DqString,   // "text": a string literal in the client's dialect
        Number,
        Param,      // :p1, ?, @x, $x
        Punct,      // operators and punctuation, "||", "<=" ... as one token
        Bad,        // an unterminated literal or name
    };
    Kind kind = Bad;
    QString text;

    bool isSignificant() const { return kind != Space && kind != Comment; }
    bool is(const char *punct) const { return kind == Punct && text == QLatin1StringView(punct); }
    // A word compared without regard to letter case.
    bool isWord(const char *word) const
    {
        return kind == Word && text.compare(QLatin1StringView(word), Qt::CaseInsensitive) == 0;
    }
};

// Splits SQL text into tokens; never alters the text of any token.
class SqlTokenizer
{
public:
    static QList<SqlToken> tokenize(const QString &sql);
};
