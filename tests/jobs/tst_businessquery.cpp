// The business query and the job-list frame on a real server with the demo
// company, plus a few jobs of the test's own in 2001 (apostrophes, an empty
// sailing date). What a user should see is asked of the database directly.
#include "currentuser.h"
#include "joblistframe.h"
#include "jobwindow.h"
#include "marks.h"
#include "modalhelper.h"
#include "queryhelpers.h"
#include "recordingmessageservice.h"
#include "reportdocument.h"
#include "serverconnection.h"
#include "stringgrid.h"
#include "stringgridmodel.h"
#include "tdanzhengfrm.h"
#include "testserver.h"
#include "tmainfrm.h"
#include "tpntmainfrm.h"
#include "tdataf.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>

using namespace Qt::StringLiterals;
using Box = JobListFilters::Box;

namespace {

// A job window that only notes which jobs it was asked to load.
class NotingJobWindow : public JobWindow
{
public:
    NotingJobWindow(JobTabs *tabs, QString caption) : JobWindow(tabs), m_caption(std::move(caption)) {}
    QString Caption() const override { return m_caption; }
    int TabIcon() const override { return 1; }
    bool LoadJob(const QString &number) override
    {
        loaded << number;
        return true;
    }
    QStringList loaded;

protected:
    void ResetJob() override {}
    void SaveState(TYWData &) override {}
    void RestoreState(const TYWData &) override {}

private:
    QString m_caption;
};

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

} // namespace

class TestBusinessQuery : public QObject
{
    Q_OBJECT

    TestServer server;
    std::unique_ptr<ServerConnection> db;     // the test's own look at the data
    std::unique_ptr<ServerConnection> client; // the windows'
    RecordingMessageService messages;

    QStringList values(const QString &sql)
    {
        auto reader = ResultReader::fromAnswer(db->openQuery(sql, QString(), 0));
        QStringList out;
        while (!reader.atEnd())
            out << reader.next();
        return out;
    }
    void exec(const QString &sql)
    {
        const QString answer = db->execSql(sql, QString());
        if (answer != u"Suc"_s + CommFunU::FieldSep + u'1')
            QFAIL(qPrintable(sql + u" -> "_s + answer));
    }
    void addJob(const QString &table, const QString &number, const QString &op, const QString &sails,
                const QString &vessel = QString(), const QString &unit = QString(), int pieces = 0)
    {
        exec(u"insert into %1 (业务编号, 操作员, 船期, 船名, 委托人, 件数, 货物已退关, 提单已签发) "
             "values ('%2', '%3', '%4', '%5', '%6', '%7', '1', '0')"_s.arg(
                 table, number, op, sails, CommFunU::QuoteValue(vessel), CommFunU::QuoteValue(unit))
                 .arg(pieces));
    }

    // The window of a demo staff member, shown: the tree is built and the
    // newest month listed.
    std::unique_ptr<TDanZhengFrm> openAs(const QString &staff)
    {
        const QStringList row = values(u"select 所属部门, 职位 from 职员 where 职员姓名='"_s + staff + u'\'');
        CurrentUserRecord &user = CommFunU::CurrentUser();
        user = CurrentUserRecord();
        user.StaffName = staff;
        user.Department = row.value(0);
        user.Position = row.value(1);
        return openWindow();
    }
    std::unique_ptr<TDanZhengFrm> openWindow()
    {
        auto window = std::make_unique<TDanZhengFrm>(nullptr);
        window->resize(1200, 700);
        window->show();
        QCoreApplication::processEvents(); // the posted tree request
        return window;
    }
    static QStringList listed(const JobListFrame *frame, int column = 1)
    {
        QStringList out;
        for (int r = 1; r < frame->grid()->rowCount(); ++r) {
            if (!frame->grid()->cell(r, 0).isEmpty())
                out << frame->grid()->cell(r, column);
        }
        return sorted(out);
    }
    static void choose(JobListFrame *frame, JobLine line, const QString &month)
    {
        QVERIFY2(frame->tree()->selectMonth(line, month), qPrintable(month));
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(server.start({u"--demo"_s}), qPrintable(server.errorText()));
        db = server.connect();
        client = server.connect();
        CommFunU::SetAppServerProvider([this]() -> ServerConnection & { return *client; });
        const QString e = u"货运出口基本信息"_s;
        addJob(e, u"T-001"_s, u"赵敏"_s, u"2001-02-05"_s, u"O'NEIL STAR"_s, u"Mary's Trading"_s, 10);
        addJob(e, u"T-002"_s, u"陈静"_s, u"2001-02-10"_s, u"COSCO ASIA"_s, u"华星纺织"_s, 20);
        addJob(e, u"T-003"_s, u"赵敏"_s, QString()); // no sailing date yet
        addJob(u"货运进口基本信息"_s, u"I-001"_s, u"吴霞"_s, u"2001-03-07"_s);
        // An operator whose 所属部门 is empty, with a job of his own.
        exec(u"insert into 职员 (职员姓名, 用户名, 所属部门, 职位) values ('孤鸿', 'guhong', '', '操作员')"_s);
        addJob(e, u"T-004"_s, u"孤鸿"_s, u"2001-04-02"_s);
        // A month to sort: as texts the counts, dates and names would come
        // in another order than by value and by pinyin.
        addJob(e, u"S-1"_s, u"赵敏"_s, u"2001-05-20"_s, u"B"_s, u""_s, 9);
        addJob(e, u"S-2"_s, u"王军"_s, u"2001-05-03"_s, u"B"_s, u""_s, 10);
        addJob(e, u"S-3"_s, u"陈静"_s, u"2001-05-11"_s, u"B"_s, u""_s, 1250);
        addJob(e, u"S-4"_s, u"李华"_s, u"2001-05-30"_s, u"B"_s, u""_s, 100);
    }
    void init() { messages.clear(); }

    // Months and jobs by position; an empty sailing date makes no month.
    void visibilityByPosition_data()
    {
        QTest::addColumn<QString>("staff");
        QTest::addColumn<QString>("sees"); // the jobs' condition
        QTest::addColumn<bool>("departmentFree");
        QTest::addColumn<bool>("operatorFree");
        const QString department = u"操作员 in (select 职员姓名 from 职员 where 所属部门='%1')"_s;
        QTest::newRow("总经理") << u"王军"_s << u"1=1"_s << true << true;
        QTest::newRow("部门经理") << u"李华"_s << department.arg(u"海运出口部"_s) << false << true;
        QTest::newRow("操作员") << u"赵敏"_s << u"操作员='赵敏'"_s << false << false;
        QTest::newRow("import operator") << u"吴霞"_s << u"操作员='吴霞'"_s << false << false;
        QTest::newRow("财务经理") << u"郑芳"_s << department.arg(u"财务部"_s) << false << false;
        // The blank, locked 部门 box restricts nothing by itself.
        QTest::newRow("操作员 without department") << u"孤鸿"_s << u"操作员='孤鸿'"_s << false << false;
    }
    void visibilityByPosition()
    {
        QFETCH(QString, staff);
        QFETCH(QString, sees);
        QFETCH(bool, departmentFree);
        QFETCH(bool, operatorFree);
        auto window = openAs(staff);
        JobListFrame *frame = window->frame();
        QCOMPARE(frame->filters()->box(Box::Department)->isEnabled(), departmentFree);
        QCOMPARE(frame->filters()->box(Box::Operator)->isEnabled(), operatorFree);
        for (JobLine line : {JobLine::Export, JobLine::Import}) {
            const QString table = BasicTableOf(line);
            const QStringList months = values(u"select distinct substr(船期,1,7) from %1 where %2 and 船期<>'' "
                                              "order by 1"_s.arg(table, sees));
            QCOMPARE(sorted(frame->tree()->months(line)), months);
            if (months.isEmpty())
                continue;
            choose(frame, line, months.first());
            QCOMPARE(listed(frame), values(u"select 业务编号 from %1 where %2 and 船期 like '%3%' order by 1"_s.arg(
                                         table, sees, months.first())));
        }
        QVERIFY(messages.messages.isEmpty());
    }

    // The home page opens on the newest month, export before import.
    void opensOnTheNewestMonth()
    {
        auto window = openAs(u"吴霞"_s); // import jobs only
        QCOMPARE(window->frame()->line(), JobLine::Import);
        QCOMPARE(window->frame()->tree()->month(), values(u"select max(substr(船期,1,7)) from 货运进口基本信息 "
                                                          "where 操作员='吴霞'"_s).value(0));
        QVERIFY(listed(window->frame()).size() > 0);
    }

    void importRootEmptiesTheList()
    {
        auto window = openAs(u"王军"_s);
        JobListFrame *frame = window->frame();
        choose(frame, JobLine::Import, u"2001-03"_s);
        QCOMPARE(listed(frame), QStringList{u"I-001"_s});
        frame->tree()->setCurrentItem(frame->tree()->root(JobLine::Import));
        QCOMPARE(frame->grid()->colCount(), 1);
        QCOMPARE(listed(frame), QStringList());
    }

    // Filters of the month 2001-02 for the general manager.
    void filters_data()
    {
        QTest::addColumn<int>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("jobs");
        const QStringList both{u"T-001"_s, u"T-002"_s};
        QTest::newRow("none") << int(Box::Number) << QString() << both;
        QTest::newRow("only spaces") << int(Box::Number) << u"   "_s << both;
        QTest::newRow("number") << int(Box::Number) << u"T-002"_s << QStringList{u"T-002"_s};
        QTest::newRow("spaces are sent") << int(Box::Number) << u" T-002"_s << QStringList();
        QTest::newRow("vessel with apostrophe") << int(Box::Vessel) << u"O'NEIL STAR"_s << QStringList{u"T-001"_s};
        QTest::newRow("unit with apostrophe") << int(Box::Unit) << u"Mary's"_s << QStringList{u"T-001"_s};
        QTest::newRow("crafted number") << int(Box::Number) << u"x') OR ('1'='1"_s << QStringList();
        QTest::newRow("operator") << int(Box::Operator) << u"陈静"_s << QStringList{u"T-002"_s};
    }
    void filters()
    {
        QFETCH(int, box);
        QFETCH(QString, text);
        QFETCH(QStringList, jobs);
        auto window = openAs(u"王军"_s);
        JobListFrame *frame = window->frame();
        choose(frame, JobLine::Export, u"2001-02"_s);
        frame->filters()->setText(Box(box), text);
        frame->button(u"查询"_s)->click();
        QCOMPARE(listed(frame), jobs);
        QVERIFY2(messages.messages.isEmpty(), qPrintable(messages.lastText()));
        QCOMPARE(frame->statusLine()->currentMessage(), QString());
    }

    // An operator's locked boxes survive 清空条件, and no filter widens the list.
    void restrictionIsKept()
    {
        auto window = openAs(u"赵敏"_s);
        JobListFilters *filters = window->frame()->filters();
        choose(window->frame(), JobLine::Export, u"2001-02"_s);
        QCOMPARE(listed(window->frame()), QStringList{u"T-001"_s});
        filters->setText(Box::Number, u"T-002') OR ('1'='1"_s);
        filters->setText(Box::Vessel, u"COSCO ASIA"_s);
        window->frame()->button(u"清空条件"_s)->click();
        QCOMPARE(filters->text(Box::Number), QString());
        QCOMPARE(filters->text(Box::Vessel), QString());
        QCOMPARE(filters->text(Box::Operator), u"赵敏"_s);
        QCOMPARE(filters->text(Box::Department), u"海运出口部"_s);
        for (const QString &crafted : {QString(), u"T-002' OR '1'='1"_s}) {
            filters->setText(Box::Number, crafted);
            window->frame()->runQuery();
            QCOMPARE(listed(window->frame()), crafted.isEmpty() ? QStringList{u"T-001"_s} : QStringList());
        }
    }

    // A restricted position whose name is empty sees nothing at all.
    void blankNameRestrictsToNothing_data()
    {
        QTest::addColumn<QString>("position");
        QTest::addColumn<QString>("department");
        QTest::addColumn<QString>("staff");
        QTest::newRow("部门经理 without department") << u"部门经理"_s << QString() << u"李华"_s;
        QTest::newRow("操作员 without name") << u"操作员"_s << u"海运出口部"_s << u" "_s;
    }
    void blankNameRestrictsToNothing()
    {
        QFETCH(QString, position);
        QFETCH(QString, department);
        QFETCH(QString, staff);
        CommFunU::CurrentUser() = CurrentUserRecord();
        CommFunU::CurrentUser().Position = position;
        CommFunU::CurrentUser().Department = department;
        CommFunU::CurrentUser().StaffName = staff;
        auto window = openWindow();
        JobListFrame *frame = window->frame();
        QCOMPARE(frame->tree()->months(JobLine::Export) + frame->tree()->months(JobLine::Import), QStringList());
        frame->filters()->setPeriod(QDate(2000, 1, 1), QDate::currentDate().addYears(1));
        frame->runQuery();
        QCOMPARE(listed(frame), QStringList());
        QCOMPARE(frame->grid()->cell(0, 1), u"业务编号"_s);
    }

    // 详细 and a double-click open the job of the row through the main window;
    // an empty list and the heading row open nothing.
    void opensListedJobs()
    {
        TMainFrm main;
        NotingJobWindow *windows[2] = {nullptr, nullptr};
        main.RegisterJobWindow(JobKind::Export, [&](JobTabs *tabs) {
            return windows[0] = new NotingJobWindow(tabs, u"出口业务"_s);
        });
        main.RegisterJobWindow(JobKind::Import, [&](JobTabs *tabs) {
            return windows[1] = new NotingJobWindow(tabs, u"进口业务"_s);
        });
        auto window = openAs(u"王军"_s);
        JobListFrame *frame = window->frame();
        frame->tree()->setCurrentItem(frame->tree()->root(JobLine::Export));
        window->frame()->button(u"详细"_s)->click();
        choose(frame, JobLine::Export, u"2001-02"_s);
        window->OpenJob(0);
        QVERIFY(!windows[0]);
        frame->grid()->setCurrentCell(2, 1);
        window->frame()->button(u"详细"_s)->click();
        const QRect row1 = frame->grid()->visualRect(frame->grid()->model()->index(1, 2));
        QTest::mouseDClick(window->windowHandle(), Qt::LeftButton, {},
                           frame->grid()->viewport()->mapTo(window.get(), row1.center()));
        QVERIFY(windows[0]);
        QCOMPARE(windows[0]->loaded, (QStringList{frame->grid()->cell(2, 1), frame->grid()->cell(1, 1)}));
        choose(frame, JobLine::Import, u"2001-03"_s);
        window->OpenJob(1);
        QVERIFY(windows[1]);
        QCOMPARE(windows[1]->loaded, QStringList{u"I-001"_s});
    }

    // Back on tab 0 the tree is rebuilt; the import month stays selected and
    // its list (of import jobs) is asked for again.
    void refreshKeepsLineAndMonth()
    {
        addJob(u"货运进口基本信息"_s, u"I-010"_s, u"吴霞"_s, u"2001-05-02"_s);
        auto window = openAs(u"吴霞"_s);
        choose(window->frame(), JobLine::Import, u"2001-05"_s);
        addJob(u"货运进口基本信息"_s, u"I-011"_s, u"吴霞"_s, u"2001-05-20"_s);
        addJob(u"货运进口基本信息"_s, u"I-012"_s, u"吴霞"_s, u"2001-06-01"_s);
        window->EnterPage();
        window->frame()->button(u"刷新"_s)->click(); // several requests rebuild once
        QCoreApplication::processEvents();
        QVERIFY(window->frame()->tree()->months(JobLine::Import).contains(u"2001-06"_s));
        QCOMPARE(window->frame()->line(), JobLine::Import);
        QCOMPARE(window->frame()->tree()->month(), u"2001-05"_s);
        QCOMPARE(listed(window->frame()), (QStringList{u"I-010"_s, u"I-011"_s}));
    }

    void operatorListFollowsDepartment()
    {
        auto window = openAs(u"李华"_s);
        QComboBox *operators = window->frame()->filters()->combo(Box::Operator);
        operators->showPopup();
        operators->hidePopup();
        QStringList items;
        for (int i = 0; i < operators->count(); ++i)
            items << operators->itemText(i);
        QCOMPARE(sorted(items), values(u"select 职员姓名 from 职员 where 所属部门='海运出口部' order by 1"_s));
    }

    // The report text: heading, title, period, print time, the conditions,
    // the list as shown, CellSep.
    void printedReport()
    {
        auto window = openAs(u"王军"_s);
        choose(window->frame(), JobLine::Export, u"2001-02"_s);
        const QString text = window->frame()->reportText();
        const QStringList fields = text.split(CommFunU::FieldSep);
        QCOMPARE(fields.mid(0, 9), (QStringList{db->getInfo(1), u"业务查询"_s,
                                                u"海运出口  船期: 2001-02-01 至 2001-02-28"_s, QString(),
                                                u"打印时间:"_s + db->getInfo(2), QString(), QString(), QString(),
                                                u"13"_s}));
        QCOMPARE(fields.value(9), u"货物已退关"_s);
        QVERIFY(text.endsWith(CommFunU::FieldSep + CommFunU::CellSep + CommFunU::FieldSep));
        ModalHelper::onNextModal([](QWidget *modal) {
            auto *print = qobject_cast<TPntMainFrm *>(modal);
            QVERIFY(print);
            const ReportDocument &report = print->dataPage()->document();
            QCOMPARE(report.rows.size(), 2);
            QCOMPARE(report.rows.at(0).at(0), u"是"_s);
            QCOMPARE(report.columns.size(), 13);
            print->reject();
        });
        window->frame()->button(u"打印(&P)"_s)->click();

        // The conditions filled are printed under the period.
        window->frame()->filters()->setText(Box::Vessel, u"COSCO ASIA"_s);
        window->frame()->filters()->setText(Box::Number, u"T-002"_s);
        window->frame()->runQuery();
        const QStringList narrowed = window->frame()->reportText().split(CommFunU::FieldSep);
        QCOMPARE(narrowed.value(5), u"条件: 业务编号: T-002  船名: COSCO ASIA"_s);
    }

    // A click on a heading sorts the list by that column, a second click the
    // other way; the status line counts the jobs.
    void headingClickSorts_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QStringList>("ascending"); // the job numbers
        QTest::newRow("text") << 0 << QStringList{u"S-1"_s, u"S-2"_s, u"S-3"_s, u"S-4"_s};
        QTest::newRow("date") << 1 << QStringList{u"S-2"_s, u"S-3"_s, u"S-1"_s, u"S-4"_s};
        QTest::newRow("amount") << 2 << QStringList{u"S-1"_s, u"S-2"_s, u"S-4"_s, u"S-3"_s};
        QTest::newRow("Chinese") << 3 << QStringList{u"S-3"_s, u"S-4"_s, u"S-2"_s, u"S-1"_s};
    }
    void headingClickSorts()
    {
        QFETCH(int, column);
        QFETCH(QStringList, ascending);
        CommFunU::CurrentUser() = CurrentUserRecord();
        CommFunU::CurrentUser().Position = u"总经理"_s;
        JobListFrame::Settings settings;
        settings.filters.alias = u"a."_s;
        settings.totalLabelColumn = 0;
        settings.columns = ListColumns::Amounts({2});
        JobListFrame frame(settings, [](const JobListFrame &f) -> QString {
            return u"SELECT a.业务编号, a.船期, a.件数, a.操作员 FROM "_s + f.basicTable() + u" a WHERE"_s
                   + f.periodCondition() + f.filters()->conditions() + u" order by a.业务编号 desc"_s;
        });
        frame.resize(1000, 600);
        frame.show();
        frame.filters()->setPeriod(QDate(2001, 5, 1), QDate(2001, 5, 31));
        frame.runQuery();
        auto *count = frame.statusLine()->findChild<QLabel *>();
        QVERIFY(count);
        QCOMPARE(count->text(), u"共 4 条"_s); // the TOTAL line is no job

        QHeaderView *header = frame.grid()->horizontalHeader();
        const auto clickHeading = [&] {
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(column) + 4, header->height() / 2));
        };
        const auto numbers = [&] {
            QStringList out;
            for (int r = 1; r <= 4; ++r)
                out << frame.grid()->cell(r, 0);
            return out;
        };
        clickHeading();
        QCOMPARE(numbers(), ascending);
        QCOMPARE(frame.grid()->cell(5, 0), u"TOTAL:"_s); // stays last
        clickHeading();
        std::reverse(ascending.begin(), ascending.end());
        QCOMPARE(numbers(), ascending);
        QCOMPARE(frame.grid()->cell(5, 2), u"1,369.000"_s);
        QCOMPARE(count->text(), u"共 4 条"_s);
    }

    // The frame as the finance views use it: alias, no vessel boxes, TOTAL line.
    void totalLineOfAFinanceList()
    {
        CommFunU::CurrentUser() = CurrentUserRecord();
        CommFunU::CurrentUser().Position = u"总经理"_s;
        JobListFrame::Settings settings;
        settings.filters.vesselBoxes = false;
        settings.filters.alias = u"a."_s;
        settings.totalLabelColumn = 1;
        settings.columns = ListColumns::Amounts({2});
        JobListFrame frame(settings, [](const JobListFrame &f) -> QString {
            return u"SELECT a.业务编号, a.船期, a.件数 FROM "_s + f.basicTable() + u" a WHERE"_s + f.periodCondition()
                   + f.filters()->conditions();
        });
        QVERIFY(!frame.filters()->box(Box::Vessel));
        frame.filters()->setPeriod(QDate(2001, 2, 1), QDate(2001, 2, 28));
        frame.runQuery();
        QCOMPARE(frame.grid()->rowCells(3), (QStringList{QString(), u"TOTAL:"_s, u"30.000"_s}));
        frame.filters()->setText(Box::Number, u"none"_s);
        frame.runQuery();
        QCOMPARE(frame.grid()->rowCount(), 2); // no job: the TOTAL line takes row 1
        QCOMPARE(frame.grid()->rowCells(1), (QStringList{QString(), u"TOTAL:"_s, u"0.000"_s}));
    }
};

QTEST_MAIN(TestBusinessQuery)
#include "tst_businessquery.moc"
