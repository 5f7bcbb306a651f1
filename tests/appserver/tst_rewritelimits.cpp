// The dialect rewrite under hostile nesting and length: refused past its
// depth, the same text as before below it, and within a small stack.
#include "sessionworker.h"
#include "sqlrewriter.h"

#include <QTest>
#include <QThread>

using namespace Qt::StringLiterals;

namespace {

QString nested(const QString &open, const QString &inner, const QString &close, int depth)
{
    return open.repeated(depth) + inner + close.repeated(depth);
}

} // namespace

class TestRewriteLimits : public QObject
{
    Q_OBJECT

private slots:
    void depth_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<bool>("refused");
        const int most = SqlRewriter::MaxDepth;
        QTest::newRow("parentheses at the limit") << u"select "_s + nested(u"("_s, u"1+2"_s, u")"_s, most) << false;
        QTest::newRow("parentheses past it") << u"select "_s + nested(u"("_s, u"1"_s, u")"_s, most + 1) << true;
        QTest::newRow("20,000 parentheses") << u"select "_s + nested(u"("_s, u"1"_s, u")"_s, 20000) << true;
        QTest::newRow("CASE at the limit")
            << u"select "_s + nested(u"case when 1 then "_s, u"'a'+'b'"_s, u" end"_s, most) << false;
        QTest::newRow("CASE past it") << u"select "_s + nested(u"case when 1 then "_s, u"1"_s, u" end"_s, most + 1)
                                      << true;
        QTest::newRow("CASE and parentheses together past it")
            << u"select "_s + nested(u"(case when 1 then "_s, u"1"_s, u" end)"_s, most / 2 + 1) << true;
        QTest::newRow("subqueries and Left at the limit")
            << u"select "_s + nested(u"(select Left("_s, u"'abc'+'d'"_s, u", 2))"_s, most / 2) << false;
        QTest::newRow("many levels one after the other")
            << u"select "_s + QString(nested(u"("_s, u"1"_s, u")"_s, most) + u"+"_s).repeated(50) + u"1"_s << false;
        QTest::newRow("unbalanced past the limit") << u"select "_s + QString(most + 5, u'(') << true;
    }
    // Refused text is named; accepted text is rewritten on a stack a tenth
    // of a session's.
    void depth()
    {
        QFETCH(QString, sql);
        QFETCH(bool, refused);
        QString why;
        std::optional<QString> out;
        QThread *thread = QThread::create([&] { out = SqlRewriter::rewrite(sql, &why); });
        thread->setStackSize(SessionWorker::StackBytes / 10);
        thread->start();
        QVERIFY(thread->wait(20000));
        delete thread;
        QCOMPARE(!out.has_value(), refused);
        if (refused) {
            QCOMPARE(why, u"the statement nests parentheses and CASE deeper than 100 levels"_s);
            QCOMPARE(SqlRewriter::rewrite(sql), sql);
        } else {
            QVERIFY(out->size() >= sql.size());
        }
    }

    // A long chain of '+' becomes nested calls, opened all at once.
    void longChain()
    {
        const int terms = 20000;
        const QString sql = u"select "_s + u"a+"_s.repeated(terms - 1) + u"a from t"_s;
        const QString expected = u"select "_s + u"korvan_add("_s.repeated(terms - 1) + u"a"_s
                                 + u", a)"_s.repeated(terms - 1) + u" AS \""_s + u"a+"_s.repeated(terms - 1)
                                 + u"a\" from t"_s;
        QCOMPARE(SqlRewriter::rewrite(sql), expected);
        QCOMPARE(SqlRewriter::rewrite(u"select a - b + c - d from t"_s),
                 u"select korvan_add(a - b, c) - d AS \"a - b + c - d\" from t"_s);
    }

    // Nested select lists: each item named by its own text, and each level
    // rewritten once, so that 45 levels come back at once (twice per level
    // would be 2^45 rewrites).
    void nestedSelectLists()
    {
        QCOMPARE(SqlRewriter::rewrite(u"select (select 'x'+'y')"_s),
                 u"select (select korvan_add('x', 'y') AS \"'x'+'y'\") AS \"(select 'x'+'y')\""_s);
        const QString sql = u"select "_s + nested(u"(select "_s, u"'x'+'y'"_s, u")"_s, 45);
        std::optional<QString> out;
        QString why;
        QThread *thread = QThread::create([&] { out = SqlRewriter::rewrite(sql, &why); });
        thread->start();
        QVERIFY(thread->wait(20000));
        delete thread;
        QVERIFY(out && out->contains(u"korvan_add('x', 'y')"_s));
    }
};

QTEST_GUILESS_MAIN(TestRewriteLimits)
#include "tst_rewritelimits.moc"
