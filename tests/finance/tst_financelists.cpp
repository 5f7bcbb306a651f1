// The four finance lists on a real server with the demo company, logged in
// as 王军 through the real login, plus jobs of the test's own in 2001 (no
// finance row, amounts that must total exactly, apostrophes). What a user
// should see is asked of the database directly.

#include "cargojobfixture.h"
#include "currentuser.h"
#include "recordingmessageservice.h"
#include "reportdocument.h"
#include "tcaiwuglfrm.h"
#include "tcaiwuysyffrm.h"
#include "tcaiwuzyywfrm.h"
#include "tdataf.h"
#include "tpntmainfrm.h"
#include "tyongjinfrm.h"
#include "tzhuizhangfrm.h"
#include "values.h"

#include <QAction>
#include <QDateEdit>
#include <QPushButton>
#include <QStatusBar>

using Box = JobListFilters::Box;
using Factory = std::function<FinanceListWindow *()>;

class TestFinanceLists : public QObject
{
    Q_OBJECT

    CargoJobFixture<TCaiWuGLFrm> f{JobKind::Finance, TMainFrm::Item::FinanceOpen};
    RecordingMessageService messages;

    void exec(const QString &sql)
    {
        const QString answer = f.exec(sql);
        QVERIFY2(!answer.startsWith(u"Err"_s), qPrintable(sql + u" -> "_s + answer));
    }
    // A job of its own: the basic row, a fee row when fees are given, a finance row when flags are.
    void addJob(const QString &number, const QString &sails, const QStringList &fees,
                const QStringList &flags = {}, const QString &unit = u"华星纺织"_s)
    {
        const QString n = CommFunU::QuoteValue(number);
        exec(u"insert into 货运出口基本信息 (业务编号, 操作员, 船期, 船名, 航次, 委托人) values ('%1', '赵敏', '%2', "
             "'EVER ONE', '01E', '%3')"_s.arg(n, sails, CommFunU::QuoteValue(unit)));
        if (!fees.isEmpty()) {
            exec(u"insert into 货运出口费用明细 (业务编号, f110, f219, A, B, f109, f217) values ('%1', '%2')"_s.arg(
                n, fees.join(u"', '"_s)));
        }
        if (!flags.isEmpty()) {
            // flags: 已收1, 已收2, 已退6, 已退7 and the date of both refunds
            exec(u"insert into 财务 (业务编号, 已收1, 已收2, 已退6, 已退7, 佣金美元, 佣金人民币) values ('%1', '%2', '%3')"_s
                     .arg(n, flags.join(u"', '"_s), flags.value(4)));
        }
    }
    static void logIn(const QString &position, const QString &department, const QString &staff,
                      const QString &rights = QString())
    {
        CommFunU::CurrentUser() = CurrentUserRecord();
        std::tie(CommFunU::CurrentUser().Position, CommFunU::CurrentUser().Department,
                 CommFunU::CurrentUser().StaffName) = std::tie(position, department, staff);
        for (int i = 0; i < rights.size() && i < 8; ++i)
            CommFunU::CurrentUser().Rights[size_t(i)] = rights.at(i);
    }
    // The window shown, its tree built, an export month chosen.
    static std::unique_ptr<FinanceListWindow> open(const Factory &make, const QString &month)
    {
        std::unique_ptr<FinanceListWindow> w(make());
        w->show();
        QCoreApplication::processEvents(); // the posted tree request
        if (!month.isEmpty())
            w->frame()->tree()->selectMonth(JobLine::Export, month);
        return w;
    }
    static QStringList column(const JobListFrame *frame, int column)
    {
        QStringList out;
        for (int r = 1; r < frame->grid()->rowCount() - 1; ++r)
            out << frame->grid()->cell(r, column);
        return out;
    }
    static QStringList totalLine(const JobListFrame *frame) { return frame->grid()->rowCells(frame->grid()->rowCount() - 1); }
    static QString sumText(const QString &value) { return CommFunU::ScaledToGroupedText(CommFunU::ParseAmount(value)); }
    static QList<Factory> windows()
    {
        return {[] { return new TCaiWuYSYFFrm; }, [] { return new TZhuiZhangFrm; }, [] { return new TCaiWuZYYWFrm; },
                [] { return new TYongJinFrm; }};
    }

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(f.start(u"wangjun"_s, u"123456"_s, &error), qPrintable(error));
        QCOMPARE(CommFunU::CurrentUser().Position, u"总经理"_s);
        addJob(u"F-NOFIN"_s, u"2001-02-03"_s, {u"100.000"_s, u"50.000"_s, u"0"_s, u"0"_s, u"0"_s, u"0"_s});
        addJob(u"F-PAID"_s, u"2001-02-04"_s, {u"30.000"_s, u"20.000"_s, u"0"_s, u"0"_s, u"0"_s, u"0"_s},
               {u"1"_s, u"0"_s, u"0"_s, u"0"_s, QString()});
        addJob(u"F-NOFEE"_s, u"2001-02-05"_s, {});
        addJob(u"F-RATE"_s, u"2001-03-01"_s, {u"0"_s, u"0"_s, u"100"_s, u"200"_s, u"0"_s, u"0"_s});
        addJob(u"F-OTHER"_s, u"2001-03-02"_s, {u"0"_s, u"0"_s, u"0"_s, u"0"_s, u"0"_s, u"0"_s}, {},
               u"Mary's Trading"_s);
    }
    void init()
    {
        messages.clear();
        logIn(u"总经理"_s, u"总经理室"_s, u"王军"_s);
    }

    // 财务核算's four items open their windows maximised; the receivables of
    // the newest month total what the fee and finance rows say.
    void menuAndReceivablesOfAMonth()
    {
        const QString month = f.value(u"select max(substr(船期,1,7)) from 货运出口基本信息"_s);
        const QString period = u" where a.船期 like '"_s + month + u"%'"_s;
        QStringList expected{u"TOTAL:"_s};
        for (const QString &v : f.rows(u"select sum(c.f110), sum(iif(b.已收1='1', c.f110, 0)), sum(iif(b.已收1='1', 0, "
                                       "c.f110)), sum(c.f219), sum(iif(b.已收2='1', c.f219, 0)), sum(iif(b.已收2='1', "
                                       "0, c.f219)) from 货运出口基本信息 a left join 财务 b on a.业务编号=b.业务编号 "
                                       "left join 货运出口费用明细 c on a.业务编号=c.业务编号"_s + period).value(0))
            expected << sumText(v);
        QVERIFY(f.value(u"select count(*) from 货运出口基本信息 a where not exists (select 1 from 财务 b where "
                        "b.业务编号=a.业务编号) and a.船期 like '"_s + month + u"%'"_s).toInt() > 0);
        QStringList seen;
        QStringList total;
        for (TMainFrm::Item item : {TMainFrm::Item::FinanceStatement, TMainFrm::Item::FinanceCommission,
                                    TMainFrm::Item::FinanceIncomeExpense, TMainFrm::Item::FinanceReceivables}) {
            ModalHelper::onNextModal([&](QWidget *modal) {
                auto *w = qobject_cast<FinanceListWindow *>(modal);
                seen << (w && w->isMaximized() ? w->windowTitle() : QString());
                if (w && w->frame()->tabBar()) {
                    // The tree is asked for once the window is on screen.
                    if (QTest::qWaitFor([w] { return !w->frame()->tree()->months(JobLine::Export).isEmpty(); })
                        && w->frame()->tree()->selectMonth(JobLine::Export, month))
                        total = totalLine(w->frame()).mid(7, 7);
                }
                modal->close();
            });
            f.main->Action(item)->trigger();
        }
        QCOMPARE(total, expected);
        QCOMPARE(seen, (QStringList{u"对帐单"_s, u"佣金核算"_s, u"主营业务收支"_s, u"应收应付帐款"_s}));
    }

    // Every view lists what the position lets the user see, also with a blank name.
    void visibilityByPosition_data()
    {
        QTest::addColumn<QString>("position");
        QTest::addColumn<QString>("department");
        QTest::addColumn<QString>("staff");
        QTest::addColumn<QString>("sees"); // the jobs' condition
        QTest::addColumn<QString>("rights");
        QTest::addColumn<bool>("boxesOpen"); // 部门 and 操作员 may be filled
        const QString department = u"操作员 in (select 职员姓名 from 职员 where 所属部门='%1')"_s;
        QTest::newRow("总经理") << u"总经理"_s << u"总经理室"_s << u"王军"_s << u"1=1"_s << u"11111111"_s << true;
        QTest::newRow("部门经理") << u"部门经理"_s << u"海运出口部"_s << u"李华"_s << department.arg(u"海运出口部"_s)
                              << u"11111101"_s << false;
        QTest::newRow("财务经理 without right 7") << u"财务经理"_s << u"财务部"_s << u"郑芳"_s
                                              << department.arg(u"财务部"_s) << u"11000001"_s << false;
        QTest::newRow("操作员") << u"操作员"_s << u"海运出口部"_s << u"陈静"_s << u"操作员='陈静'"_s << u"11000000"_s
                             << false;
        QTest::newRow("部门经理 without department") << u"部门经理"_s << QString() << u"李华"_s << u"1=0"_s
                                                 << u"11111101"_s << false;
        QTest::newRow("操作员 without name") << u"操作员"_s << u"海运出口部"_s << QString() << u"1=0"_s
                                          << u"11000000"_s << false;
        // The finance staff, whose department runs no jobs: right 7 opens every job.
        QTest::newRow("zhengfang, 财务经理") << u"财务经理"_s << u"财务部"_s << u"郑芳"_s << u"1=1"_s << u"11000011"_s
                                         << true;
        QTest::newRow("huangyan, 财务员") << u"财务员"_s << u"财务部"_s << u"黄燕"_s << u"1=1"_s << u"10000010"_s << true;
        QTest::newRow("operator with right 7") << u"操作员"_s << u"海运出口部"_s << u"陈静"_s << u"1=1"_s
                                               << u"11000010"_s << true;
    }
    void visibilityByPosition()
    {
        QFETCH(QString, position);
        QFETCH(QString, department);
        QFETCH(QString, staff);
        QFETCH(QString, sees);
        QFETCH(QString, rights);
        QFETCH(bool, boxesOpen);
        logIn(position, department, staff, rights);
        const QString month = f.value(u"select max(substr(船期,1,7)) from 货运出口基本信息"_s);
        QStringList jobs;
        for (const QStringList &row : f.rows(u"select 业务编号 from 货运出口基本信息 where "_s + sees
                                             + u" and 船期 like '"_s + month + u"%' order by 1"_s))
            jobs << row.value(0);
        for (const Factory &make : windows()) {
            auto w = open(make, QString());
            QCOMPARE(w->frame()->tree()->months(JobLine::Export).isEmpty(),
                     f.value(u"select count(*) from 货运出口基本信息 where "_s + sees) == u"0"_s);
            const QDate first = CommFunU::ParseDate(month + u"-01"_s);
            w->frame()->filters()->setPeriod(first, CommFunU::MonthEnd(first));
            w->frame()->runQuery();
            QStringList listed = column(w->frame(), 0);
            listed.sort();
            QCOMPARE(listed, jobs);
            QCOMPARE(w->frame()->filters()->box(Box::Operator)->isEnabled(), boxesOpen || position == u"部门经理"_s);
            QCOMPARE(w->frame()->filters()->box(Box::Department)->isEnabled(), boxesOpen);
        }
        QVERIFY2(messages.messages.isEmpty(), qPrintable(messages.lastText()));
    }

    // A job without a finance row owes all; one without fees counts 0.
    void receivablesAndPayables()
    {
        auto w = open([] { return new TCaiWuYSYFFrm; }, u"2001-02"_s);
        JobListFrame *frame = w->frame();
        QCOMPARE(column(frame, 0), (QStringList{u"F-NOFIN"_s, u"F-PAID"_s, u"F-NOFEE"_s}));
        QCOMPARE(frame->grid()->rowCells(1).mid(8), (QStringList{u"100.000"_s, u"0.000"_s, u"100.000"_s, u"50.000"_s, u"0.000"_s, u"50.000"_s}));
        QCOMPARE(totalLine(frame).mid(7), (QStringList{u"TOTAL:"_s, u"130.000"_s, u"30.000"_s, u"100.000"_s,
                                                       u"70.000"_s, u"0.000"_s, u"70.000"_s}));
        QCOMPARE(frame->reportTitle(), u"应收未收款"_s);
        frame->tabBar()->setCurrentIndex(TCaiWuYSYFFrm::Payable); // lists the month again
        QCOMPARE(frame->grid()->colCount(), 23);
        QCOMPARE(frame->grid()->cell(0, 8), u"订舱单位美圆应付"_s);
        QCOMPARE(totalLine(frame).value(22), u"0.000"_s);
        QCOMPARE(frame->reportTitle(), u"应付未付款"_s);
        QVERIFY(messages.messages.isEmpty());
    }

    // Totals are exact, also for a value with an exponent; no job gives zeros in row 1.
    void exactTotals_data()
    {
        QTest::addColumn<QStringList>("amounts");
        QTest::addColumn<QString>("total");
        QTest::newRow("tenths") << QStringList{u"0.100"_s, u"0.200"_s, u"-0.300"_s} << u"0.000"_s;
        QTest::newRow("exponent") << QStringList{u"5.55111512312578e-17"_s, u"1.5E+3"_s} << u"1,500.000"_s;
        QTest::newRow("no job") << QStringList{} << u"0.000"_s;
    }
    void exactTotals()
    {
        QFETCH(QStringList, amounts);
        QFETCH(QString, total);
        exec(u"delete from 货运出口基本信息 where 业务编号 like 'X-%'"_s);
        exec(u"delete from 货运出口费用明细 where 业务编号 like 'X-%'"_s);
        for (int i = 0; i < amounts.size(); ++i)
            addJob(u"X-%1"_s.arg(i), u"2001-05-0%1"_s.arg(i + 1), {amounts[i], u"0"_s, u"0"_s, u"0"_s, u"0"_s, u"0"_s});
        auto w = open([] { return new TZhuiZhangFrm; }, QString());
        w->frame()->filters()->setPeriod(QDate(2001, 5, 1), QDate(2001, 5, 31));
        w->frame()->runQuery();
        QCOMPARE(w->frame()->grid()->rowCount(), amounts.size() + 2);
        QCOMPARE(totalLine(w->frame()).mid(7, 4), (QStringList{u"TOTAL:"_s, total, QString(), u"0.000"_s}));
    }

    // 总毛利 at the rate typed; a rate that is no number keeps the list; 清空 keeps the rate.
    void incomeAndExpense()
    {
        auto w = open([] { return new TCaiWuZYYWFrm; }, u"2001-03"_s);
        auto *window = static_cast<TCaiWuZYYWFrm *>(w.get());
        JobListFrame *frame = w->frame();
        QCOMPARE(frame->grid()->cell(1, 14), u"1,030.000"_s);
        window->rateBox()->setText(u"7"_s);
        frame->button(u"统计"_s)->click();
        QCOMPARE(frame->grid()->cell(1, 14), u"900.000"_s);
        QCOMPARE(totalLine(frame).value(14), u"900.000"_s);
        window->rateBox()->setText(u"7-1"_s);
        frame->button(u"统计"_s)->click();
        QCOMPARE(frame->grid()->cell(1, 14), u"900.000"_s);
        QCOMPARE(frame->statusLine()->currentMessage(), QString());
        frame->button(u"清空"_s)->click();
        QCOMPARE(window->rateBox()->text(), u"7-1"_s);
        QVERIFY(messages.messages.isEmpty());
    }

    // A unit with an apostrophe restricts the statement and retitles it, printed too.
    void statementOfAUnit()
    {
        auto w = open([] { return new TZhuiZhangFrm; }, u"2001-03"_s);
        JobListFrame *frame = w->frame();
        QCOMPARE(frame->heading(), u"对 帐 单"_s);
        frame->filters()->setText(Box::Unit, u"Mary's"_s);
        QCOMPARE(frame->heading(), u"Mary's 对帐单"_s);
        frame->button(u"查询"_s)->click();
        QCOMPARE(column(frame, 0), QStringList{u"F-OTHER"_s});
        QCOMPARE(frame->grid()->cell(1, 3), u"EVER ONE01E"_s);
        ModalHelper::onNextModal([](QWidget *modal) {
            auto *print = qobject_cast<TPntMainFrm *>(modal);
            QVERIFY(print);
            QCOMPARE(print->dataPage()->document().title, u"Mary's 对帐单"_s);
            print->reject();
        });
        frame->button(u"打印(&P)"_s)->click();
        frame->button(u"清空条件"_s)->click();
        QCOMPARE(frame->heading(), u"对 帐 单"_s);
    }

    // 退佣全部业务 in one transaction: jobs refunded in both currencies keep
    // their date, the job without a finance row is named; a refused update
    // rolls every job back. The heading row and the TOTAL line refund nothing.
    void commissionRefund()
    {
        const QStringList fees{u"10"_s, u"20"_s, u"0"_s, u"0"_s, u"1.5"_s, u"2.5"_s};
        addJob(u"R-1"_s, u"2001-04-01"_s, fees, {u"1"_s, u"0"_s, u"0"_s, u"0"_s, QString()});
        addJob(u"R-2"_s, u"2001-04-02"_s, fees, {u"1"_s, u"1"_s, u"1"_s, u"1"_s, u"2001-01-01"_s});
        addJob(u"R-3"_s, u"2001-04-03"_s, fees, {u"0"_s, u"0"_s, u"1"_s, u"0"_s, u"2001-01-01"_s});
        addJob(u"R-4"_s, u"2001-04-04"_s, fees);
        addJob(u"R'5"_s, u"2001-04-05"_s, fees, {u"0"_s, u"0"_s, u"0"_s, u"0"_s, QString()});
        auto w = open([] { return new TYongJinFrm; }, u"2001-04"_s);
        auto *window = static_cast<TYongJinFrm *>(w.get());
        JobListFrame *frame = w->frame();
        QCOMPARE(window->refundDate()->date(), QDate::currentDate());
        QCOMPARE(frame->grid()->rowCells(4).mid(5), (QStringList{u"10.000"_s, u"否"_s, u"20.000"_s, u"否"_s, u"1.500"_s,
                                                                 u"否"_s, u"2.500"_s, u"否"_s})); // no finance row
        QCOMPARE(totalLine(frame).mid(4, 6), (QStringList{u"TOTAL:"_s, u"50.000"_s, QString(), u"100.000"_s, QString(), u"7.500"_s}));
        const QString refunds = u"select group_concat(业务编号||已退6||已退7||佣金美元||佣金人民币, ' ') from (select * "
                                "from 财务 where 业务编号 in ('R-1', 'R-2', 'R-3', 'R''5') order by 业务编号)"_s;
        const QString before = f.value(refunds);

        for (int row : {0, frame->grid()->rowCount() - 1}) {
            frame->grid()->setCurrentCell(row, 1);
            window->RefundCurrent();
        }
        QCOMPARE(f.value(refunds), before);

        QCOMPARE(f.server.execDirect(u"CREATE TRIGGER refuse BEFORE UPDATE ON 财务 WHEN NEW.业务编号='R''5' BEGIN "
                                     "SELECT RAISE(ABORT, 'refused'); END"_s),
                 QString());
        window->refundDate()->setDate(QDate(2001, 6, 30));
        window->RefundAll();
        f.server.execDirect(u"DROP TRIGGER refuse"_s);
        QCOMPARE(f.value(refunds), before);
        QVERIFY(messages.said(u"不明原因使操作没有成功"_s));

        messages.clear();
        window->RefundAll();
        QCOMPARE(f.value(refunds), u"R'5112001-06-302001-06-30 R-1112001-06-302001-06-30 R-2112001-01-012001-01-01 "
                                   "R-3112001-06-302001-06-30"_s);
        QCOMPARE(messages.lastText(), u"以下业务没有财务记录，未能退佣:\rR-4"_s);
        QCOMPARE(column(frame, 10), (QStringList{u"是"_s, u"是"_s, u"是"_s, u"否"_s, u"是"_s}));
    }
};

QTEST_MAIN(TestFinanceLists)
#include "tst_financelists.moc"
