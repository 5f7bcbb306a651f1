// The export job window with a job of 200 cargo rows: LoadJob (the job row,
// its cargo rows and its finance status) and a tab switch away and back
// (snapshot and restore), each against one bare OpenQuery round trip of the
// job row through korvan-server. Prints the times and the ratios.
#include "benchsetup.h"
#include "boundform.h"
#include "currentuser.h"
#include "jobtabs.h"
#include "queryhelpers.h"
#include "serverconnection.h"
#include "tagbinding.h"
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
    PrepareBenchEnvironment();
    QApplication app(argc, argv);
    const int cargoRows = argc > 1 ? std::atoi(argv[1]) : 200;
    const int rounds = 50;

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

    // Two jobs as the window writes them (every column, every date), with
    // different values throughout, one in each tab: every load and every
    // switch changes what the window shows.
    const QStringList numbers{u"SE-BENCH-01"_s, u"SE-BENCH-02"_s};
    for (int j = 0; j < 2; ++j) {
        window->NewPage();
        const QString id = QString::number(j + 1);
        const auto set = [window](int tag, const QString &value) {
            CommFunU::SetControlValue(window->Form()->field(tag), value);
        };
        set(10, numbers[j]);
        set(40, u"华星纺织"_s);
        for (int tag : {50, 70, 80, 90, 150, 160, 540, 545})
            set(tag, u"V"_s + QString::number(tag) + u'-' + id);
        for (int tag : {100, 140, 170, 460})
            set(tag, u"C"_s + QString::number(tag) + u'-' + id);
        for (int tag : {260, 270, 280, 290, 300, 310, 510, 515})
            set(tag, u"MEMO "_s + QString::number(tag) + u'-' + id + u"\r\nLINE 2"_s);
        for (int tag : {230, 240, 244, 245, 520, 670, 690, 720, 740, 780, 800})
            set(tag, u"2026-1%1-0%2"_s.arg(j).arg(tag % 9 + 1));
        set(320, u"1200"_s + id);
        set(340, u"24000"_s + id);
        QList<QStringList> rows;
        for (int i = 0; i < cargoRows; ++i) {
            rows << QStringList{i % 3 == j ? u"40'HC"_s : u"20'GP"_s,
                                u"CBHU%1/S%2"_s.arg(1000000 + i + j * 5000).arg(200000 + i), u"6"_s + id,
                                u"120"_s + id, u"6.5"_s + id};
        }
        window->Cargo()->setCargoRows(rows);
        db->execSql(u"insert into 财务 (业务编号, 美元收款日, 已收1, 已收2) values ('%1', '2026-12-0%2', '%3', '1')"_s
                        .arg(numbers[j], id)
                        .arg(j),
                    {});
        if (!window->SaveJob() || !window->LoadJob(numbers[j]) || window->Cargo()->cargoRowCount() != cargoRows) {
            std::fprintf(stderr, "the job did not save and load\n");
            return 1;
        }
    }

    int turn = 0;
    const double bare = meanMs(rounds, [&] {
        db->openQuery(u"select *  from 货运出口基本信息 where 业务编号='"_s + numbers[++turn % 2] + u'\'', {}, 0);
    });
    // The three statements LoadJob sends, bare: what it costs beyond them is
    // the work of showing the job.
    const double queries = meanMs(rounds, [&] {
        const QString key = u"'"_s + numbers[++turn % 2] + u"'"_s;
        db->openQuery(u"select *  from 货运出口基本信息 where 业务编号="_s + key, {}, 0);
        db->openQuery(u"select  箱类型,集装箱号封号,件数,毛重,尺码  from 货运出口货物明细 where 业务编号="_s + key, {}, 0);
        db->openQuery(u"SELECT 美元收款日, 美元发票号, 已收1, 人民币收款日, 人民币发票号, 已收2, 订舱单位美元, 已付1, "
                      u"订舱单位人民币, 已付2, 报关行人民币, 已付3, 车队人民币, 已付4, 仓库人民币, 已付5  FROM 财务 "
                      u"where 业务编号="_s + key,
                      {}, 0);
    });
    const double load = meanMs(rounds, [&] { window->LoadJob(numbers[++turn % 2]); });
    // Away to the query page and back: the window's state is snapshotted and
    // restored.
    const double awayAndBack = meanMs(rounds, [&] {
        window->SavePage();
        window->RestorePage();
    });
    // To the other export tab and back: two snapshots and two restores that
    // change every field.
    const auto switchTo = [&](int index) {
        window->SavePage();
        tabs.setCurrentIndex(index);
        window->RestorePage();
    };
    const double otherAndBack = meanMs(rounds, [&] {
        switchTo(0);
        switchTo(1);
    });

    std::printf("export job of %d cargo rows, mean of %d rounds\n", cargoRows, rounds);
    std::printf("  one OpenQuery of the job row: %8.3f ms\n", bare);
    std::printf("  its three queries, bare:      %8.3f ms   ratio %6.2f\n", queries, queries / bare);
    std::printf("  LoadJob:                      %8.3f ms   ratio %6.2f\n", load, load / bare);
    std::printf("  away to the query tab and back: %6.3f ms   ratio %6.2f\n", awayAndBack, awayAndBack / bare);
    std::printf("  to the other job's tab and back: %5.3f ms   ratio %6.2f\n", otherAndBack, otherAndBack / bare);
    return 0;
}
