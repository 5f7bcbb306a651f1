// The export job window with a job of 200 cargo rows: LoadJob (the job row,
// its cargo rows and its finance status) and a tab switch away and back
// (snapshot and restore), each against one bare OpenQuery round trip of the
// job row through korvan-server. Prints the times and the ratios.
#include "currentuser.h"
#include "jobtabs.h"
#include "queryhelpers.h"
#include "serverconnection.h"
#include "testserver.h"
#include "thychukoufrm.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

double meanMs(int rounds, const std::function<void()> &work)
{
    work(); // warm up
    QElapsedTimer t;
    t.start();
    for (int r = 0; r < rounds; ++r)
        work();
    return double(t.nsecsElapsed()) / rounds / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("KORVAN_SERVER_BIN"))
        qputenv("KORVAN_SERVER_BIN", KORVAN_SERVER_PATH);
    const int cargoRows = argc > 1 ? std::atoi(argv[1]) : 200;
    const int rounds = 50;

    TestServer server;
    if (!server.start()) {
        std::fprintf(stderr, "%s\n", qPrintable(server.errorText()));
        return 1;
    }
    auto db = server.connect();
    const QString number = u"SE-BENCH-01"_s;
    db->beginTrans();
    db->execSql(u"insert into 货运出口基本信息 (业务编号, 业务员, 操作员, 委托人, 船名, 航次, 目的港, 件数, 毛重, 尺码, "
                u"包装种类, 业务类型, 船期) values ('SE-BENCH-01', '刘洋', '赵敏', '华星纺织', 'COSCO ASIA', '042E', "
                u"'HAMBURG', '12000', '240000.000', '1300.000', 'CARTON(S)', '整箱', '2026-11-02')"_s,
                {});
    for (int i = 0; i < cargoRows; ++i) {
        db->execSql(u"insert into 货运出口货物明细 values ('SE-BENCH-01', :p1, 'CBHU%1/S%2', '60', '1200.000', '6.500')"_s
                        .arg(1000000 + i)
                        .arg(200000 + i),
                    i % 3 ? u"40'HC"_s : u"20'GP"_s);
    }
    db->execSql(u"insert into 财务 (业务编号, 已收1, 已收2) values ('SE-BENCH-01', '1', '0')"_s, {});
    db->commitTrans();

    CommFunU::SetAppServerProvider([&db]() -> ServerConnection & { return *db; });
    CommFunU::CurrentUser().Position = u"总经理"_s;
    JobTabs tabs;
    tabs.resize(1280, 800);
    tabs.show();
    auto *window = new THYChuKouFrm(&tabs);
    window->NewPage();
    if (!window->LoadJob(number) || window->Cargo()->cargoRowCount() != cargoRows) {
        std::fprintf(stderr, "the job did not load\n");
        return 1;
    }

    const QString sql = u"select *  from 货运出口基本信息 where 业务编号='SE-BENCH-01'"_s;
    const double bare = meanMs(rounds, [&] { db->openQuery(sql, {}, 0); });
    const double load = meanMs(rounds, [&] { window->LoadJob(number); });
    const double tabSwitch = meanMs(rounds, [&] {
        window->SavePage();
        window->RestorePage();
    });

    std::printf("export job of %d cargo rows, mean of %d rounds\n", cargoRows, rounds);
    std::printf("  one OpenQuery of the job row: %8.3f ms\n", bare);
    std::printf("  LoadJob:                      %8.3f ms   ratio %6.2f\n", load, load / bare);
    std::printf("  tab switch away and back:     %8.3f ms   ratio %6.2f\n", tabSwitch, tabSwitch / bare);
    return 0;
}
