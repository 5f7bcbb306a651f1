// The save of an export job with 200 cargo rows, with the check that nobody
// else changed the job since it was loaded, against the same save without
// it: the job row deleted and inserted and the cargo rows rewritten in one
// transaction through korvan-server, with and without the check's reading
// of the job row and its cargo rows before the writes and after them.
// The two are timed in alternation; the window's own 保存 is shown beside.
#include "benchsetup.h"
#include "boundform.h"
#include "currentuser.h"
#include "jobtabs.h"
#include "loadedsnapshot.h"
#include "queryhelpers.h"
#include "serverconnection.h"
#include "tagbinding.h"
#include "testserver.h"
#include "thychukoufrm.h"
#include "transactionguard.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

double medianOf(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times.empty() ? 0 : times[times.size() / 2];
}

double timedMs(const std::function<bool()> &work, bool *ok)
{
    QElapsedTimer t;
    t.start();
    if (!work())
        *ok = false;
    return double(t.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    PrepareBenchEnvironment();
    QApplication app(argc, argv);
    const int cargoRows = argc > 1 ? std::atoi(argv[1]) : 200;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 30;

    BenchServer bench;
    if (!bench.ready())
        return 1;
    auto &db = bench.db;
    CommFunU::CurrentUser().StaffName = u"赵敏"_s;
    db->execSql(u"insert into 单位 (缩写代码, 简称, 英文名称, 业务员, 委托人) values ('HXFZ', '华星纺织', "
                u"'HUAXING TEXTILES', '刘洋', '1')"_s,
                {});
    JobTabs tabs;
    tabs.resize(1366, 768);
    tabs.show();
    auto *window = new THYChuKouFrm(&tabs);

    const QString number = u"SE-BENCH-01"_s;
    window->NewPage();
    const auto set = [window](int tag, const QString &value) {
        CommFunU::SetControlValue(window->Form()->field(tag), value);
    };
    set(10, number);
    set(40, u"华星纺织"_s); // and with it 业务员 刘洋
    for (int tag : {50, 70, 80, 90, 150, 160, 540, 545})
        set(tag, u"V"_s + QString::number(tag));
    for (int tag : {260, 270, 280, 290, 300, 310, 510, 515})
        set(tag, u"MEMO "_s + QString::number(tag) + u"\r\nLINE 2"_s);
    QList<QStringList> rows;
    for (int i = 0; i < cargoRows; ++i)
        rows << QStringList{i % 3 ? u"20'GP"_s : u"40'HC"_s, u"CBHU%1/S%2"_s.arg(1000000 + i).arg(200000 + i), u"6"_s,
                            u"120.000"_s, u"6.500"_s};
    window->Cargo()->setCargoRows(rows);
    if (!window->SaveJob() || !window->LoadJob(number) || window->Cargo()->cargoRowCount() != cargoRows) {
        std::fprintf(stderr, "the job did not save and load (%d rows)\n", window->Cargo()->cargoRowCount());
        return 1;
    }

    // What the window keeps when it loads the job, read as it reads it.
    const QString jobSql = u"select *  from 货运出口基本信息 where 业务编号='"_s + number + u'\'';
    const QString cargoSql = CargoGrid::selectStatement(u"货运出口货物明细"_s, number);
    LoadedSnapshot loaded;
    loaded.keep({{jobSql, LoadedSnapshot::valuesOf(db->openQuery(jobSql, {}, 0))},
                 {cargoSql, LoadedSnapshot::valuesOf(db->openQuery(cargoSql, {}, 0))}},
                {u"货运出口基本信息"_s, u"货运出口货物明细"_s}, number);
    const QString values = CommFunU::BuildValuesList(CommFunU::SaveByTag(window, 10, 830, 1));

    // The save's statements in one transaction; with the check, the job is
    // read before the writes (and refused if changed) and after them.
    const auto save = [&](bool checked) {
        TransactionGuard transaction(*db);
        if (!transaction.begun())
            return false;
        if (checked && loaded.verify(*db) != LoadedSnapshot::Unchanged)
            return false;
        if (db->execSql(u"delete from 货运出口基本信息 where 业务编号='"_s + number + u'\'', {}).startsWith(u"Err"_s)
            || db->execSql(u"insert into 货运出口基本信息 "_s + values, {}).startsWith(u"Err"_s)
            || !window->Cargo()->saveRows(*db, u"货运出口货物明细"_s, number).isEmpty())
            return false;
        const bool reread = checked && loaded.reread(*db);
        if (!transaction.commit())
            return false;
        if (reread)
            loaded.adoptReread();
        return true;
    };

    bool ok = true;
    save(true);
    save(false);
    std::vector<double> with, without, byWindow;
    for (int r = 0; r < rounds; ++r) {
        // Alternating order, so that neither side always follows the other.
        if (r % 2) {
            with.push_back(timedMs([&] { return save(true); }, &ok));
            without.push_back(timedMs([&] { return save(false); }, &ok));
        } else {
            without.push_back(timedMs([&] { return save(false); }, &ok));
            with.push_back(timedMs([&] { return save(true); }, &ok));
        }
        byWindow.push_back(timedMs([&] { return window->SaveJob(); }, &ok));
    }
    if (!ok) {
        std::fprintf(stderr, "a save failed\n");
        return 1;
    }
    const double a = medianOf(with);
    const double b = medianOf(without);
    const double w = medianOf(byWindow);
    std::printf("export job save of %d cargo rows, median of %d rounds\n", cargoRows, rounds);
    std::printf("  without the stale check: %8.3f ms   ratio 1.00\n", b);
    std::printf("  with the stale check:    %8.3f ms   ratio %5.2f\n", a, a / b);
    std::printf("  the window's 保存:        %8.3f ms   ratio %5.2f\n", w, w / b);
    return 0;
}
