// Decoding result strings: the cursor reader against QString::split of the
// same text, and PopField in a loop. PopField takes each field off the front
// of its source; whether that costs a copy of the rest at every step depends
// on the string class, so the loop is timed at growing sizes: a quadratic
// cost shows as a ratio that grows with the size.

#include "marks.h"
#include "queryhelpers.h"
#include "resultreader.h"

#include <QElapsedTimer>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <functional>

using namespace Qt::StringLiterals;
using CommFunU::FieldSep;

namespace {

// A Mode 0 answer: status, column count, then rows × columns values like the
// job lists carry (numbers, dates, names, an occasional colon).
QString makeAnswer(int rows, int columns)
{
    QString text = u"OK0"_s + FieldSep + QString::number(columns);
    const QString samples[] = {u"EX2024-0001"_s, u"2024-03-05"_s, u"上海某某国际货运代理有限公司"_s, u"1,234.500"_s,
                               u"COSCO SHIPPING"_s, QString(), u"10"_s + CommFunU::ColonMark + u"30"_s, u"张三"_s};
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c)
            text += FieldSep + samples[(r + c) % 8];
    }
    return text;
}

// Best of a few runs, in milliseconds.
double best(const std::function<qsizetype()> &work, int runs, qsizetype *count)
{
    double fastest = 1e300;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        *count = work();
        fastest = std::min(fastest, timer.nsecsElapsed() / 1e6);
    }
    return fastest;
}

qsizetype readAll(const QString &answer)
{
    ResultReader reader = ResultReader::fromAnswer(answer);
    qsizetype n = 0;
    while (!reader.atEnd()) {
        const QString value = reader.next();
        n += value.size() >= 0;
    }
    return n;
}

qsizetype splitAll(const QString &answer)
{
    const QStringList parts = answer.split(FieldSep);
    qsizetype n = 0;
    for (qsizetype i = 2; i < parts.size(); ++i) {
        QString value = parts.at(i);
        if (value.contains(CommFunU::ColonMark))
            value.replace(CommFunU::ColonMark, u':');
        n += value.size() >= 0;
    }
    return n;
}

qsizetype popAll(const QString &answer)
{
    QString rest = answer;
    CommFunU::PopField(rest, 1);
    CommFunU::PopField(rest, 1);
    qsizetype n = 0;
    while (!rest.isEmpty()) {
        const QString value = CommFunU::PopField(rest, 1);
        n += value.size() >= 0;
    }
    return n;
}

} // namespace

int main()
{
    std::printf("Result decoding (best of 5 runs)\n");
    {
        const QString answer = makeAnswer(10000, 10); // 100,000 values
        qsizetype readerCount = 0;
        qsizetype splitCount = 0;
        const double reader = best([&] { return readAll(answer); }, 5, &readerCount);
        const double split = best([&] { return splitAll(answer); }, 5, &splitCount);
        std::printf("  100,000 values, %lld characters\n", static_cast<long long>(answer.size()));
        std::printf("    ResultReader        %8.2f ms  (%lld values)\n", reader, static_cast<long long>(readerCount));
        std::printf("    QString::split      %8.2f ms  (%lld values)\n", split, static_cast<long long>(splitCount));
        std::printf("    ratio reader/split  %8.2f\n", reader / split);
    }
    std::printf("PopField in a loop against ResultReader (best of 3 runs)\n");
    for (int values : {5000, 20000, 100000}) {
        const QString answer = makeAnswer(values / 10, 10);
        qsizetype popCount = 0;
        qsizetype readerCount = 0;
        const double pop = best([&] { return popAll(answer); }, 3, &popCount);
        const double reader = best([&] { return readAll(answer); }, 3, &readerCount);
        std::printf("  %6d values: PopField %9.2f ms, ResultReader %7.2f ms, ratio %7.1f\n", values, pop, reader,
                    pop / reader);
    }
    return 0;
}
