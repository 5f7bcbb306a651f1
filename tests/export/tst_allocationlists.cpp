// The three allocation lists on a demo database, with a fleet and a warehouse
// of the test's own whose names hold an apostrophe: the title that follows
// the unit, the Enter lookup of a unit's code, the query of each list and the
// LCL list's filters, removing lines, and the report text that prints.
#include "allocationlistwindow.h"
#include "currentuser.h"
#include "demodatabase.h"
#include "recordingmessageservice.h"
#include "reportdocument.h"
#include "stringgrid.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

using namespace Qt::StringLiterals;
using Kind = AllocationListWindow::Kind;

Q_DECLARE_METATYPE(AllocationListWindow::Kind)

namespace {

const QString Fleet = u"O'Brien Haulage"_s;
const QString Store = u"Mary's Store"_s;

std::unique_ptr<AllocationListWindow> windowOf(Kind kind)
{
    std::unique_ptr<AllocationListWindow> w(kind == Kind::Trucking       ? new THYChuKouCheDuiPCLFrm
                                            : kind == Kind::InnerLoading ? static_cast<AllocationListWindow *>(new THYChuKouNZXPCLFrm)
                                                                         : new THYChuKouPXPCLFrm);
    w->show();
    QCoreApplication::processEvents(); // the unit list it reads once shown
    return w;
}

void typeUnit(AllocationListWindow &w, const QString &text)
{
    w.unitBox()->setEditText(text);
    QTest::keyClick(w.unitBox(), Qt::Key_Return);
}

QStringList column(const StringGrid *grid, int c)
{
    QStringList out;
    for (int r = 1; r < grid->rowCount(); ++r) {
        if (!grid->cell(r, c).isEmpty())
            out << grid->cell(r, c);
    }
    out.sort();
    return out;
}

} // namespace

class TestAllocationLists : public QObject
{
    Q_OBJECT

    DemoDatabase demo;
    RecordingMessageService messages;

    void exec(const QString &sql) { QCOMPARE(demo.exec(sql), QString()); }
    void addJob(const QString &number, const QString &fleet, const QString &store, const QString &stuffed,
                const QString &entry = u"2001-08-08"_s)
    {
        exec(u"insert into 货运出口基本信息 (业务编号, 船名, 车队, 仓库, 做箱情况, 装箱入仓日期) values "
             u"('%1', 'TEST V', '%2', '%3', '%4', '%5')"_s.arg(number, CommFunU::QuoteValue(fleet),
                                                             CommFunU::QuoteValue(store), stuffed, entry));
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(demo.start(), qPrintable(demo.server.errorText()));
        CommFunU::CurrentUser().Position = u"总经理"_s;
        exec(u"insert into 单位 (缩写代码, 简称, 车队) values ('OBH', 'O''Brien Haulage', '1')"_s);
        exec(u"insert into 单位 (缩写代码, 简称, 仓库) values ('MYS', 'Mary''s Store', '1')"_s);
        addJob(u"T-A1"_s, Fleet, QString(), u"0"_s);
        addJob(u"T-A2"_s, Fleet, QString(), u"1"_s); // stuffed already
        addJob(u"T-W1"_s, QString(), Store, u"0"_s);
        addJob(u"T-W2"_s, QString(), Store, u"0"_s, u"2001-08-09"_s);
        for (const QString &box : {u"C1/1"_s, u"C2/2"_s})
            exec(u"insert into 货运出口货物明细 values ('T-W1', '20''GP', '%1', '1', '1.000', '1.000')"_s.arg(box));
        exec(u"insert into 货运出口货物明细 values ('T-W2', '20''GP', 'C3/3', '1', '1.000', '1.000')"_s);
    }
    void init() { messages.clear(); }

    // The unit typed (a code and Enter, or a name), the title that follows
    // it, and what the query lists.
    void listsWhatIsStillToStuff_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("container");
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("fleet by code") << Kind::Trucking << u"OBH"_s << Fleet + u"装 箱 明 细 单"_s << QString()
                                       << QStringList{u"T-A1"_s};
        QTest::newRow("warehouse by code") << Kind::InnerLoading << u"MYS"_s << Store + u"内装箱分配"_s << QString()
                                           << QStringList{u"T-W1"_s, u"T-W2"_s};
        QTest::newRow("LCL of a day") << Kind::Lcl << Store << Store + u"内装箱分配"_s << QString()
                                      << QStringList{u"C1/1"_s, u"C2/2"_s};
        QTest::newRow("LCL of a container") << Kind::Lcl << Store << Store + u"内装箱分配"_s << u"C2/2"_s
                                            << QStringList{u"C2/2"_s};
        QTest::newRow("a crafted container") << Kind::Lcl << Store << Store + u"内装箱分配"_s << u"x' or '1'='1"_s
                                             << QStringList{};
        QTest::newRow("no such code") << Kind::Lcl << u"NOPE"_s << u"拼 箱 分 配"_s << QString() << QStringList{};
    }
    void listsWhatIsStillToStuff()
    {
        QFETCH(Kind, kind);
        QFETCH(QString, typed);
        QFETCH(QString, title);
        QFETCH(QString, container);
        QFETCH(QStringList, listed);
        auto w = windowOf(kind);
        // Only the units of the list's kind are offered.
        QCOMPARE(w->unitBox()->findText(Fleet) >= 0, kind == Kind::Trucking);
        QCOMPARE(w->unitBox()->findText(Store) >= 0, kind != Kind::Trucking);
        typeUnit(*w, typed);
        QCOMPARE(w->title()->text(), title);
        if (kind == Kind::Lcl) {
            QCOMPARE(w->entryDate()->date(), QDate::currentDate());
            w->entryDate()->setDate(QDate(2001, 8, 8));
            w->containerBox()->setText(container);
        }
        w->Query();
        QVERIFY(messages.messages.isEmpty());
        QCOMPARE(w->grid()->cell(0, 0), kind == Kind::Lcl ? u"集装箱号/封号"_s : u"业务编号"_s);
        QCOMPARE(column(w->grid(), 0), listed);
    }

    // A unit list that cannot be read when the window opens: the fleet list
    // shows the server's message, the warehouse lists report the failure.
    void unitListFailure_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("fleet") << Kind::Trucking << u"出错: \r"_s;
        QTest::newRow("warehouse") << Kind::InnerLoading
                                   << u"不明原因使操作没有成功，请查看软件所在目录中的\"运行日志.txt\"并与开发人员联系"_s;
        QTest::newRow("LCL") << Kind::Lcl
                             << u"不明原因使操作没有成功，请查看软件所在目录中的\"运行日志.txt\"并与开发人员联系"_s;
    }
    void unitListFailure()
    {
        QFETCH(Kind, kind);
        QFETCH(QString, message);
        // A missing table, made beside the server: no client may rename one.
        QCOMPARE(demo.server.execDirect(u"alter table 单位 rename to 单位_away"_s), QString());
        auto w = windowOf(kind);
        QCOMPARE(demo.server.execDirect(u"alter table 单位_away rename to 单位"_s), QString());
        QCOMPARE(messages.messages.size(), 1);
        const QString shown = messages.lastText();
        QVERIFY2(shown.startsWith(message), qPrintable(shown));
        QVERIFY2(!shown.contains(u"select"_s, Qt::CaseInsensitive), qPrintable(shown));
        if (kind == Kind::Trucking)
            QVERIFY2(shown.size() > message.size(), qPrintable(shown)); // with the server's text
        QCOMPARE(w->unitBox()->count(), 0);
    }

    void removedLinesAreNotPrinted()
    {
        auto w = windowOf(Kind::InnerLoading);
        typeUnit(*w, u"MYS"_s);
        w->Query();
        // Nothing picked yet: nothing is asked, nothing removed; the heading never is.
        w->RemoveRow();
        w->grid()->setCurrentIndex(w->grid()->model()->index(0, 0));
        w->RemoveRow();
        QVERIFY(messages.messages.isEmpty());
        w->grid()->setCurrentIndex(w->grid()->model()->index(1, 0));
        messages.answers = {MessageService::No};
        w->RemoveRow();
        QCOMPARE(messages.messages.last().text, u"是否要删除当前数据？"_s);
        QCOMPARE(column(w->grid(), 0).size(), 2);
        w->RemoveRow(); // 是
        QCOMPARE(column(w->grid(), 0), QStringList{u"T-W2"_s});

        ReportDocument report;
        QCOMPARE(report.load(w->ReportText(), [](const QString &) { return 10; }),
                 ReportDocument::LoadResult::Loaded);
        QCOMPARE(report.title, Store + u"内装箱分配"_s);
        QVERIFY(report.headerTexts[2].startsWith(u"打印时间:"_s));
        QCOMPARE(report.columns.value(0).caption, u"业务编号"_s);
        QCOMPARE(report.rows.size(), 1);
        QCOMPARE(report.rows.value(0).value(0), u"T-W2"_s);
        w->Query();
        QCOMPARE(column(w->grid(), 0).size(), 2);
    }
};

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    TestAllocationLists test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_allocationlists.moc"
