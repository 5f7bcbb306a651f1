// The container statistics on a real server with the demo company and jobs
// of the test's own in 2001: counts by vessel, voyage and type with the 合计
// rows, shut-out jobs left out, a vessel condition restricting the totals
// too, the import line, and an operator held to the own jobs.
#include "cargogrid.h"
#include "currentuser.h"
#include "demodatabase.h"
#include "joblistframe.h"
#include "recordingmessageservice.h"
#include "stringgrid.h"
#include "thychukouxltjfrm.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

class TestContainerStats : public QObject
{
    Q_OBJECT

    DemoDatabase demo;
    RecordingMessageService messages;

    void exec(const QString &sql, const QString &param = QString()) { QCOMPARE(demo.exec(sql, param), QString()); }
    // A job with one cargo row per type.
    void addJob(const QString &line, const QString &number, const QString &op, const QString &sails,
                const QString &vessel, const QString &shutOut, const QStringList &types)
    {
        exec(u"insert into 货运%1基本信息 (业务编号, 操作员, 船期, 船名, 航次, 货物已退关) values "
             u"('%2', '%3', '%4', '%5', '001', '%6')"_s.arg(line, number, op, sails, CommFunU::QuoteValue(vessel), shutOut));
        for (const QString &type : types) {
            exec(u"insert into 货运%1货物明细 values ('%2', :p1, 'X', '1', '1.000', '1.000')"_s.arg(line, number), type);
        }
    }
    std::unique_ptr<THYChukouXLTJFrm> openAs(const QString &staff, const QString &position)
    {
        CurrentUserRecord &user = CommFunU::CurrentUser();
        user = CurrentUserRecord();
        user.StaffName = staff;
        user.Position = position;
        user.Department = demo.value(u"select 所属部门 from 职员 where 职员姓名='"_s + staff + u'\'');
        auto w = std::make_unique<THYChukouXLTJFrm>();
        w->show();
        QCoreApplication::processEvents(); // the month tree it builds once shown
        return w;
    }
    // The rows as "vessel/type/count", the vessels' blanks kept.
    static QString counted(const THYChukouXLTJFrm &w)
    {
        QStringList rows;
        const StringGrid *grid = w.frame()->grid();
        for (int r = 1; r < grid->rowCount(); ++r) {
            if (!grid->cell(r, 0).isEmpty())
                rows << grid->cell(r, 0) + u'/' + grid->cell(r, 3) + u'/' + grid->cell(r, 4);
        }
        return rows.join(u' ');
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(demo.start(), qPrintable(demo.server.errorText()));
        addJob(u"出口"_s, u"T-S1"_s, u"赵敏"_s, u"2001-06-03"_s, u"O'NEIL STAR"_s, u"0"_s, {u"20'GP"_s, u"20'GP"_s});
        addJob(u"出口"_s, u"T-S2"_s, u"赵敏"_s, u"2001-06-04"_s, u"O'NEIL STAR"_s, u"1"_s, {u"20'GP"_s, u"40'HC"_s});
        addJob(u"出口"_s, u"T-S3"_s, u"陈静"_s, u"2001-06-20"_s, u"BLUE SEA"_s, u"0"_s, {u"40'HC"_s, u"20'GP"_s});
        addJob(u"进口"_s, u"T-I1"_s, u"吴霞"_s, u"2001-06-09"_s, u"IMPORT V"_s, u"0"_s, {u"45'HC"_s});
        // A high cube as the LCL window names it (HQ) and as the job window does (HC).
        addJob(u"出口"_s, u"T-S4"_s, u"赵敏"_s, u"2001-07-03"_s, u"CUBE"_s, u"0"_s, {u"40'HQ"_s, u"40'HC"_s});
        addJob(u"出口"_s, u"T-S5"_s, u"赵敏"_s, u"2001-07-04"_s, u"CUBE"_s, u"0"_s, {u"40'HQ"_s, u"20'GP"_s});
    }

    // One type, one line: wherever containers are summed.
    void highCubeIsOneType()
    {
        auto w = openAs(u"王军"_s, u"总经理"_s);
        QVERIFY(w->frame()->tree()->selectMonth(JobLine::Export, u"2001-07"_s));
        QCOMPARE(counted(*w), u"CUBE/20'GP/1 CUBE/40'HC/3 合计/20'GP/1 合计/40'HC/3"_s);
        QVERIFY(messages.messages.isEmpty());
        const auto row = [](const QString &type) { return QStringList{type, u"X"_s, u"1"_s, u"1.000"_s, u"1.000"_s}; };
        QCOMPARE(CargoGrid::summaryOf({row(u"40'HC"_s), row(u"40'HQ"_s), row(u"20'GP"_s), row(u"40'hq"_s)}),
                 u"40'HC*3 & 20'GP*1"_s);
    }
    void init() { messages.clear(); }

    // Rows as "vessel/type/count"; the shut-out T-S2 is counted nowhere.
    void countsByVesselVoyageAndType_data()
    {
        QTest::addColumn<QString>("staff");
        QTest::addColumn<QString>("position");
        QTest::addColumn<bool>("import");
        QTest::addColumn<QString>("vessel");
        QTest::addColumn<QString>("rows");
        QTest::newRow("all export jobs") << u"王军"_s << u"总经理"_s << false << QString()
                                         << u"BLUE SEA/20'GP/1 BLUE SEA/40'HC/1 O'NEIL STAR/20'GP/2 合计/20'GP/3 合计/40'HC/1"_s;
        QTest::newRow("one vessel, its totals") << u"王军"_s << u"总经理"_s << false << u"O'NEIL STAR"_s
                                                << u"O'NEIL STAR/20'GP/2 合计/20'GP/2"_s;
        QTest::newRow("import") << u"王军"_s << u"总经理"_s << true << QString() << u"IMPORT V/45'HC/1 合计/45'HC/1"_s;
        QTest::newRow("an operator's own jobs") << u"陈静"_s << u"操作员"_s << false << QString()
                                                << u"BLUE SEA/20'GP/1 BLUE SEA/40'HC/1 合计/20'GP/1 合计/40'HC/1"_s;
    }
    void countsByVesselVoyageAndType()
    {
        QFETCH(QString, staff);
        QFETCH(QString, position);
        QFETCH(bool, import);
        QFETCH(QString, vessel);
        QFETCH(QString, rows);
        auto w = openAs(staff, position);
        JobListFrame *frame = w->frame();
        const JobLine line = import ? JobLine::Import : JobLine::Export;
        QVERIFY(frame->tree()->selectMonth(line, u"2001-06"_s));
        QCOMPARE(frame->filters()->from(), QDate(2001, 6, 1));
        QCOMPARE(frame->filters()->to(), QDate(2001, 6, 30));
        if (!vessel.isEmpty()) {
            frame->filters()->setText(JobListFilters::Vessel, vessel);
            frame->button(u"统计"_s)->click();
        }
        QCOMPARE(frame->grid()->rowCells(0), (QStringList{u"船名"_s, u"航次"_s, u"船期"_s, u"箱类型"_s, u"箱量"_s}));
        QCOMPARE(counted(*w), rows);
        // The locked boxes stay through 清空条件.
        frame->button(u"清空条件"_s)->click();
        QCOMPARE(frame->filters()->text(JobListFilters::Operator), position == u"操作员"_s ? staff : QString());
        QVERIFY(messages.messages.isEmpty());
    }
};

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    TestContainerStats test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_containerstats.moc"
