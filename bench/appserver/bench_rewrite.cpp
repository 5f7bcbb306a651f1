// The dialect rewrite of hostile statements, in microseconds per input byte:
// a long chain of '+' at two lengths (linear time reads the same per byte),
// and deep nesting at the depth limit and far past it (refused before any
// rewriting).
#include "sqlrewriter.h"

#include <QElapsedTimer>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

// Microseconds per input byte of the rewrite, best of a few rounds.
double perByte(const QString &sql)
{
    const qsizetype bytes = sql.toUtf8().size();
    double best = 1e300;
    for (int round = 0; round < 5; ++round) {
        QElapsedTimer t;
        t.start();
        QString why;
        const auto out = SqlRewriter::rewrite(sql, &why);
        const double us = double(t.nsecsElapsed()) / 1000.0;
        if (!out && why.isEmpty())
            std::printf("unexpected\n");
        best = qMin(best, us);
    }
    return best / double(bytes);
}

QString chain(int terms)
{
    return u"select "_s + u"1+"_s.repeated(terms - 1) + u'1';
}

QString deep(int depth)
{
    return u"select "_s + QString(depth, u'(') + u"a+1"_s + QString(depth, u')');
}

} // namespace

int main()
{
    const double chain2k = perByte(chain(2000));
    const double chain20k = perByte(chain(20000));
    const double deep100 = perByte(deep(SqlRewriter::MaxDepth));
    const double deep2k = perByte(deep(2000));
    const double deep20k = perByte(deep(20000));
    std::printf("dialect rewrite, microseconds per input byte (best of 5)\n");
    std::printf("  chain of  2,000 terms (%6d bytes): %8.4f\n", int(chain(2000).size()), chain2k);
    std::printf("  chain of 20,000 terms (%6d bytes): %8.4f   ratio 20,000/2,000: %.2f\n", int(chain(20000).size()),
                chain20k, chain20k / chain2k);
    std::printf("  %d deep, at the limit  (%6d bytes): %8.4f\n", SqlRewriter::MaxDepth,
                int(deep(SqlRewriter::MaxDepth).size()), deep100);
    std::printf("  2,000 deep, refused     (%6d bytes): %8.4f\n", int(deep(2000).size()), deep2k);
    std::printf("  20,000 deep, refused    (%6d bytes): %8.4f   ratio 20,000/2,000 deep: %.2f\n",
                int(deep(20000).size()), deep20k, deep20k / deep2k);
    return 0;
}
