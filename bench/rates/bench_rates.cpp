// 运价查询 on korvan-server, side by side in one run: the rates valid on one
// date among 100,000 (ten carriers on a hundred ports in a hundred periods of
// ten days), from 查询 to the sorted, filled grid, against the bare
// OpenQuery of the same statement on the same connection. Each time is the
// fastest of 25 rounds in which the two take turns.
#include "benchsetup.h"
#include "databasesetup.h"
#include "queryhelpers.h"
#include "ratebook.h"
#include "rateconditions.h"
#include "ratelist.h"
#include "rowwriter.h"
#include "schema.h"
#include "serverconnection.h"
#include "sqlsession.h"
#include "stringgrid.h"
#include "testserver.h"
#include "tyunjiacxfrm.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

const QDate First(2020, 1, 1);
constexpr int Periods = 100;

void fill(const QString &path)
{
    SqlSession session;
    QStringList notes;
    QString error;
    if (!session.open(path) || !DatabaseSetup::prepare(session.handle(), false, &notes, &error))
        qFatal("cannot create %s: %s", qPrintable(path), qPrintable(error + session.error()));
    session.beginTrans();
    RowWriter writer(session.handle());
    const TableDef *table = Schema::find(u"运价"_s);
    int number = 0;
    for (int period = 0; period < Periods; ++period) {
        for (int port = 0; port < 100; ++port) {
            for (int carrier = 0; carrier < 10; ++carrier) {
                QStringList row(table->columnCount());
                const auto set = [&](const QString &column, const QString &value) {
                    row[table->columnIndex(column)] = value;
                };
                set(u"序号"_s, QString::number(++number));
                set(u"船公司"_s, u"CARRIER %1"_s.arg(carrier));
                set(u"航线"_s, u"欧洲线"_s);
                set(u"起运港"_s, u"SHANGHAI"_s);
                set(u"目的港"_s, u"PORT %1"_s.arg(port));
                set(u"币种"_s, u"USD"_s);
                for (int t = 0; t < 5; ++t) {
                    const int price = 100 + (number * 7919 + t * 31) % 3000;
                    if ((number + t) % 9 == 0)
                        continue; // no rate for this type
                    set(RateBook::costColumn(t), u"%1.000"_s.arg(price - 50));
                    set(RateBook::sellColumn(t), u"%1.500"_s.arg(price));
                }
                set(u"附加费"_s, u"BAF USD100/TEU"_s);
                set(u"船期"_s, u"周三/周六"_s);
                set(u"航程"_s, u"28"_s);
                set(u"生效日期"_s, First.addDays(10 * period).toString(u"yyyy-MM-dd"_s));
                set(u"失效日期"_s, First.addDays(10 * period + 9).toString(u"yyyy-MM-dd"_s));
                if (!writer.insert(table->name, row))
                    qFatal("%s", qPrintable(writer.error()));
            }
        }
    }
    session.commitTrans();
}

QList<double> fastest(const QList<std::function<void()>> &works, int rounds)
{
    QList<double> best(works.size(), 1e300);
    for (int round = 0; round < rounds; ++round) {
        for (qsizetype w = 0; w < works.size(); ++w) {
            QApplication::processEvents();
            QElapsedTimer timer;
            timer.start();
            works[w]();
            best[w] = std::min(best[w], timer.nsecsElapsed() / 1e6);
        }
    }
    return best;
}

} // namespace

int main(int argc, char *argv[])
{
    PrepareBenchEnvironment();
    QApplication app(argc, argv);
    QuietMessages quiet;
    MessageService::install(&quiet);

    std::printf("filling the store (100,000 rates)...\n");
    TestServer server;
    fill(server.databasePath());
    if (!server.start())
        qFatal("%s", qPrintable(server.errorText()));
    std::unique_ptr<ServerConnection> connection = server.connect();
    CommFunU::SetAppServerProvider([&connection]() -> ServerConnection & { return *connection; });

    TYunJiaCXFrm window;
    window.resize(1400, 800);
    window.show();
    window.conditions()->setDay(First.addDays(10 * (Periods / 2) + 4));
    window.conditions()->setText(RateConditions::Type, u"40'HC"_s);
    window.query();
    const int rows = window.grid()->rowCount() - 1;
    const QString sql = RateList::statement(window.conditions()->condition());
    const QList<double> t = fastest({[&] { connection->openQuery(sql, QString(), 0); }, [&] { window.query(); }}, 25);
    std::printf("\n运价查询 of one date, %d of 100,000 rates, sorted by 40'HC\n", rows);
    std::printf("  bare OpenQuery:                 %8.2f ms\n", t[0]);
    std::printf("  查询 to the sorted grid:        %8.2f ms   ratio %5.2f   (target <= 1.5)\n", t[1], t[1] / t[0]);
    MessageService::install(nullptr);
    return 0;
}
