// Saving an LCL consolidation of 200 cargo rows (200 jobs of one sailing in
// 20 containers) through korvan-server: the consolidation window's write, one
// transaction with every answer checked, against the same 200 UPDATE
// statements sent one by one without a transaction, each committed on its
// own. Also the window's whole 保存 (checks, the write, reading the sailing
// again). The three take turns round after round, so that a busy machine
// slows them alike. Prints the times and the ratios.
#include "benchsetup.h"
#include "currentuser.h"
#include "queryhelpers.h"
#include "serverconnection.h"
#include "testserver.h"
#include "thypingxiangfrm.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <functional>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    PrepareBenchEnvironment();
    QApplication app(argc, argv);
    const int cargoRows = argc > 1 ? std::atoi(argv[1]) : 200;
    const int rounds = 10;

    BenchServer bench;
    if (!bench.ready())
        return 1;
    auto &db = bench.db;

    // The jobs of one sailing, their cargo in containers of ten.
    QList<THYPingXiangFrm::Assignment> assignments;
    db->beginTrans();
    for (int i = 0; i < cargoRows; ++i) {
        const QString number = u"LCL-%1"_s.arg(i, 4, 10, QLatin1Char('0'));
        const QString box = u"BOXU%1/S1"_s.arg(i / 10);
        db->execSql(u"insert into 货运出口基本信息 (业务编号, 船名, 航次, 船期, 业务类型, 拼箱编号) values "
                    u"('%1', 'BENCH', '001E', '2001-05-10', '货代自拼箱', 'PX%1')"_s.arg(number),
                    {});
        db->execSql(u"insert into 货运出口货物明细 values ('%1', '40''HQ', '%2', '10', '1000.000', '2.500')"_s.arg(number, box),
                    {});
        assignments.append({number, u"40'HQ"_s, box});
    }
    db->commitTrans();

    THYPingXiangFrm sheet;
    sheet.preset(QString(), QString(), QDate(2001, 5, 10), u"BENCH"_s, u"001E"_s);
    sheet.Load();
    if (sheet.assignments().size() != cargoRows) {
        std::fprintf(stderr, "the sailing did not load\n");
        return 1;
    }

    const auto oneByOne = [&] {
        for (const THYPingXiangFrm::Assignment &a : assignments) {
            db->execSql(u"UPDATE 货运出口货物明细 SET 箱类型=:p1,集装箱号封号='"_s + CommFunU::QuoteValue(a.container)
                            + u"' WHERE 业务编号='"_s + CommFunU::QuoteValue(a.job) + u'\'',
                        a.type);
        }
    };
    bool failed = false;
    const auto oneTransaction = [&] { failed = failed || !THYPingXiangFrm::WriteAssignments(*db, assignments).isEmpty(); };
    const auto windowSave = [&] { failed = failed || !sheet.Save(); };

    const std::function<void()> work[] = {oneByOne, oneTransaction, windowSave};
    double best[3] = {1e300, 1e300, 1e300};
    for (const auto &w : work)
        w(); // warm up
    for (int r = 0; r < rounds; ++r) {
        for (int k = 0; k < 3; ++k) {
            QElapsedTimer t;
            t.start();
            work[k]();
            best[k] = std::min(best[k], double(t.nsecsElapsed()) / 1e6);
        }
    }
    if (failed) {
        std::fprintf(stderr, "a save failed\n");
        return 1;
    }
    std::printf("LCL consolidation of %d cargo rows, best of %d rounds\n", cargoRows, rounds);
    std::printf("  %d statements, each on its own: %9.3f ms\n", cargoRows, best[0]);
    std::printf("  one transaction, answers checked: %7.3f ms   ratio %6.2f\n", best[1], best[0] / best[1]);
    std::printf("  the window's 保存 (and reload):   %7.3f ms   ratio %6.2f\n", best[2], best[0] / best[2]);
    return 0;
}
