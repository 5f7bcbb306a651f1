#pragma once

#include "sqltokenizer.h"

#include <QList>
#include <QString>
#include <optional>

// Rewrites the client's Access/SQL-Server-like SQL for SQLite, token by token:
//   select top n ...            -> select ... LIMIT n (a part of a UNION is
//                                  wrapped as SELECT * FROM (... LIMIT n))
//   a + b                       -> korvan_add(a, b): concatenation when both
//                                  values are text, addition otherwise
//   Left(x, n)                  -> substr(x, 1, n)
//   "text"                      -> 'text'
//   UPDATE t SET t.c = ...      -> UPDATE t SET c = ...
//   select distinct Left(c, n) from t [where w], the month list of a job
//   table with an index on that expression -> a recursive query that steps
//                                  through the index from one value to the
//                                  next, whatever the table's statistics say
// A select-list item changed by the rewrite and without alias keeps its
// original text as its column name. String literals, [bracketed] names and
// comments are never altered. A text the rewriter cannot follow (an
// unterminated literal, unbalanced parentheses, a Left() without two
// arguments, top with something other than a count) comes back unchanged, so
// that SQLite reports its own error.
//
// The work is linear in the length of the text. Parentheses and CASE nested
// deeper than MaxDepth are refused before any rewriting: SQLite's parser takes
// no more than about a hundred levels either, and the recursion of the rewrite
// (a few small frames per level) then stays far below a session's stack.
class SqlRewriter
{
public:
    static constexpr int MaxDepth = 100;

    // The rewritten text, or nullopt with *refusal set when the text nests
    // deeper than MaxDepth. When tokens is given and the text needed no
    // rewriting, *tokens gets its tokens (else it is emptied), so that a
    // later pass need not split it again.
    static std::optional<QString> rewrite(const QString &sql, QString *refusal, QList<SqlToken> *tokens = nullptr);
    // As above; a refused text comes back unchanged.
    static QString rewrite(const QString &sql);

    // Name of the function that a rewritten '+' calls.
    static constexpr char AddFunction[] = "korvan_add";

private:
    explicit SqlRewriter(const QString &sql);

    struct Unparsable {};
    struct TooDeep {};
    struct Piece {
        int end;      // index after the last token taken
        QString text; // the rewritten text of the tokens taken
    };

    QString run();
    QString statement(int begin, int end);
    QString selectStatement(int begin, int end);
    std::optional<QString> steppedDistinct(int begin, int end);
    QString selectCore(int begin, int end, int *top);
    QString selectItem(int begin, int end);
    QString updateStatement(int begin, int end);
    QString inner(int begin, int end);
    QString sequence(int begin, int end);
    Piece chain(int at, int end);
    Piece term(int at, int end, bool *ok);
    Piece unary(int at, int end, bool *ok);
    Piece primary(int at, int end, bool *ok);
    Piece call(int at, int open, int end);

    int next(int at, int end) const;
    int previous(int at, int begin) const;
    int skip(int at) const;
    QString raw(int begin, int end) const;
    QList<int> splitAt(int begin, int end, const char *punct) const;
    bool isKeyword(int at) const;
    bool isOperandEnd(int at) const;
    bool canStartTerm(int at, int begin, int end) const;
    static QString quoteName(const QString &text);

    QList<SqlToken> m_tokens;
    QList<int> m_match; // for '(' the index of its ')', else -1
};
