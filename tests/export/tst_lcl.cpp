// The LCL consolidation on a demo database, logged in as 王军 (总经理): a
// sailing of the test's own (a port with an apostrophe, jobs of each type),
// moving cargo in and out of containers, the container numbers it refuses,
// a save that is all or nothing, the questions before leaving, the export
// pages that read their cargo again, and a new user's consolidation counted
// by the container statistics; then as the operator 赵敏, whose sailing holds
// a colleague's job. The database is read back to check.

#include "exportfixture.h"

#include "joblistframe.h"
#include "korvanapplication.h"
#include "recordingmessageservice.h"
#include "thychukouxltjfrm.h"
#include "thypingxiangfrm.h"

#include <QAction>
#include <QComboBox>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>

using namespace CommFunU;

namespace {

const QString Port = u"COTE D'IVOIRE"_s;
const QDate Sailing(2001, 5, 10);
// The jobs of the sailing: number, type, container, type of job, packages, weight, volume.
const QList<QStringList> Jobs{
    {u"T-LCL-1"_s, u"待拼"_s, u"待拼"_s, u"货代自拼箱"_s, u"10"_s, u"1000.250"_s, u"1.500"_s},
    {u"T-LCL-2"_s, u"待拼"_s, u"待拼"_s, u"客户自拼箱"_s, u"20"_s, u"2000.500"_s, u"2.000"_s},
    {u"T-LCL-3"_s, u"20'GP"_s, u"OLDU0000001/S1"_s, u"货代自拼箱"_s, u"5"_s, u"500.000"_s, u"0.750"_s},
    {u"T-FCL-1"_s, u"待拼"_s, u"待拼"_s, u"整箱"_s, u"1"_s, u"1.000"_s, u"1.000"_s},
};
const QString Mine = u" 业务编号 in ('T-LCL-1','T-LCL-2','T-LCL-3','T-FCL-1','T-LCL-9') "_s;

QTreeWidgetItem *node(const THYPingXiangFrm &sheet, const QString &key)
{
    const QList<QTreeWidgetItem *> items = sheet.tree()->findItems(QString(), Qt::MatchContains | Qt::MatchRecursive);
    for (QTreeWidgetItem *item : items) {
        if (item->data(0, Qt::UserRole).toString() == key)
            return item;
    }
    return nullptr;
}

int waitingRowOf(const THYPingXiangFrm &sheet, const QString &job)
{
    for (int r = 1; r < sheet.waitingList()->rowCount(); ++r) {
        if (sheet.waitingList()->cell(r, 7) == job)
            return r;
    }
    return -1;
}

void pickWaiting(THYPingXiangFrm &sheet, const QString &job)
{
    sheet.waitingList()->setCurrentIndex(sheet.waitingList()->model()->index(waitingRowOf(sheet, job), 0));
}

// A new container holding the jobs, numbered (Enter in 箱号/封号).
QTreeWidgetItem *fill(THYPingXiangFrm &sheet, const QString &number, const QStringList &jobs)
{
    sheet.AddContainer();
    QTreeWidgetItem *box = sheet.tree()->currentItem();
    for (const QString &job : jobs) {
        pickWaiting(sheet, job);
        sheet.assignButton()->click();
    }
    sheet.numberField()->setText(number);
    QTest::keyClick(sheet.numberField(), Qt::Key_Return);
    return box;
}

} // namespace

class TestLcl : public QObject
{
    Q_OBJECT

    ExportFixture f;
    RecordingMessageService messages;

    std::unique_ptr<THYPingXiangFrm> openSheet()
    {
        auto sheet = std::make_unique<THYPingXiangFrm>();
        sheet->preset(Port, Port, Sailing, u"TEST LCL"_s, u"001E"_s);
        sheet->show();
        QCoreApplication::processEvents(); // the load it posts on show
        return sheet;
    }
    QList<QStringList> cargo(const QString &condition)
    {
        return f.rows(u"select 业务编号,箱类型,集装箱号封号,件数,毛重,尺码 from 货运出口货物明细 where "_s + condition
                      + u" order by 业务编号, 集装箱号封号"_s);
    }
    QString said() const { return messages.lastText(); }

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(f.start(u"wangjun"_s, u"123456"_s, &error), qPrintable(error));
        for (const QStringList &j : Jobs) {
            QVERIFY(!f.exec(u"insert into 货运出口基本信息 (业务编号, 操作员, 委托人, 船名, 航次, 船期, 目的港, 卸货港, "
                            u"业务类型, 拼箱编号, 货物已报关, 货名简称, 货物已退关, 做箱情况) values ('%1', '赵敏', '华星纺织', "
                            u"'TEST LCL', '001E', '2001-05-10', '%2', '%2', '%3', 'PX-%1', '1', '布料', '0', '0')"_s
                                .arg(j[0], QuoteValue(Port), j[3]))
                         .startsWith(u"Err"_s));
        }
        // The same vessel a day later: another sailing.
        QVERIFY(!f.exec(u"insert into 货运出口基本信息 (业务编号, 船名, 航次, 船期, 目的港, 卸货港, 业务类型) values "
                        u"('T-LCL-9', 'TEST LCL', '001E', '2001-05-11', '%1', '%1', '货代自拼箱')"_s.arg(QuoteValue(Port)))
                     .startsWith(u"Err"_s));
    }
    void init()
    {
        messages.clear();
        f.exec(u"delete from 货运出口货物明细 where"_s + Mine);
        for (const QStringList &j : Jobs) {
            f.db->execSql(u"insert into 货运出口货物明细 values ('%1', :p1, '%2', '%3', '%4', '%5')"_s.arg(j[0], j[2], j[4], j[5], j[6]),
                          j[1]);
        }
        f.db->execSql(u"insert into 货运出口货物明细 values ('T-LCL-9', '待拼', '待拼', '1', '1.000', '1.000')"_s, {});
    }
    void cleanup() { f.closeJobTabs(); }

    void movesCargoInAndOut()
    {
        auto sheet = openSheet();
        // Consolidated jobs of that day only, 整箱 never; the flag as 是/否.
        QCOMPARE(waitingRowOf(*sheet, u"T-FCL-1"_s) + waitingRowOf(*sheet, u"T-LCL-9"_s), -2);
        QTreeWidgetItem *old = node(*sheet, u"OLDU0000001/S1"_s);
        QCOMPARE(old->child(0)->text(0), u"T-LCL-3,PX-T-LCL-3,5件,500.000KGS,0.750CBM"_s);
        sheet->AddContainer();
        QTreeWidgetItem *box = sheet->tree()->currentItem();
        QCOMPARE(box->text(0), u"箱封号 20'GP,0.000KGS,0.000CMB"_s);
        // Nothing is assigned until a waiting row is picked; the heading never counts.
        sheet->waitingList()->setCurrentIndex(sheet->waitingList()->model()->index(0, 0));
        QVERIFY(!sheet->assignButton()->isEnabled());
        for (const QString &job : {u"T-LCL-1"_s, u"T-LCL-2"_s}) {
            pickWaiting(*sheet, job);
            sheet->assignButton()->click();
        }
        QCOMPARE(box->text(0), u"箱封号 20'GP,3000.750KGS,3.500CBM"_s);
        QVERIFY(sheet->waitingList()->cell(1, 7).isEmpty());

        // A container renamed on screen only: its cargo goes back as stored.
        sheet->tree()->setCurrentItem(old);
        sheet->numberField()->setText(u"RENAMED1"_s);
        QTest::keyClick(sheet->numberField(), Qt::Key_Return);
        sheet->tree()->setCurrentItem(old->child(0));
        sheet->releaseButton()->click();
        QCOMPARE(old->text(0), u"RENAMED1 20'GP,0.000KGS,0.000CBM"_s);
        QCOMPARE(sheet->waitingList()->rowCells(1), (QStringList{u"PX-T-LCL-3"_s, u"是"_s, u"布料"_s, u"5"_s,
                                                                 u"500.000"_s, u"0.750"_s, u"华星纺织"_s, u"T-LCL-3"_s}));
        // 删除集装箱 releases what it holds; nothing is saved.
        sheet->tree()->setCurrentItem(box);
        sheet->DeleteContainer();
        QCOMPARE(sheet->containerNumbers(), QStringList{u"RENAMED1"_s});
        QCOMPARE(sheet->waitingList()->rowCount(), 4);
        QCOMPARE(cargo(u"业务编号='T-LCL-3'"_s).value(0).value(2), u"OLDU0000001/S1"_s);
        QVERIFY(messages.messages.isEmpty());
    }

    void refusesContainerNumbers()
    {
        const std::pair<QString, QString> cases[] = {
            {QString(), u"箱号/封号不能为空!"_s},
            {u"   "_s, u"箱号/封号不能为空!"_s},
            {u"ABCU123 /S1"_s, u"箱号/封号不能含有空格或逗号!"_s},
            {u"ABCU123,S1"_s, u"箱号/封号不能含有空格或逗号!"_s},
            {u"oldu0000001/s1"_s, u"箱号/封号与其它集装箱重复!"_s}, // another container's, whatever the case
        };
        auto sheet = openSheet();
        QTreeWidgetItem *box = fill(*sheet, u"GOODU1"_s, {u"T-LCL-1"_s});
        for (const auto &[typed, why] : cases) {
            sheet->numberField()->setText(typed);
            QTest::keyClick(sheet->numberField(), Qt::Key_Return);
            QCOMPARE(said(), why);
            QCOMPARE(box->data(0, Qt::UserRole).toString(), u"GOODU1"_s);
        }
    }

    void savesOnlyWholeAndQuoted()
    {
        const QList<QStringList> others = cargo(u"not"_s + Mine);
        auto sheet = openSheet();
        // New containers holding cargo under their placeholder "箱封号" are
        // refused at 保存: the placeholder is no container number.
        sheet->AddContainer();
        pickWaiting(*sheet, u"T-LCL-1"_s);
        sheet->Assign();
        sheet->AddContainer();
        pickWaiting(*sheet, u"T-LCL-2"_s);
        sheet->Assign();
        QVERIFY(!sheet->Save());
        QVERIFY(said().startsWith(u"箱号/封号不能为空!"_s));
        QCOMPARE(cargo(u"业务编号='T-LCL-1'"_s).value(0).value(2), u"待拼"_s);

        // A job gone meanwhile: its statement changes no row, so nothing is saved.
        for (const QString &number : {u"GOODU9"_s, u"X'--"_s}) {
            sheet->tree()->setCurrentItem(node(*sheet, u"箱封号"_s));
            sheet->numberField()->setText(number);
            QTest::keyClick(sheet->numberField(), Qt::Key_Return);
        }
        f.exec(u"delete from 货运出口货物明细 where 业务编号='T-LCL-2'"_s);
        QVERIFY(!sheet->Save());
        QCOMPARE(said(), u"业务T-LCL-2的货物已不存在，保存没有成功"_s);
        QCOMPARE(cargo(u"业务编号='T-LCL-1'"_s).value(0).value(2), u"待拼"_s);

        // Saved: the hostile number is data, the other jobs keep their rows.
        f.db->execSql(u"insert into 货运出口货物明细 values ('T-LCL-2', '待拼', '待拼', '20', '2000.500', '2.000')"_s, {});
        messages.clear();
        QVERIFY(sheet->Save());
        QCOMPARE(messages.messages.last().text, u"保存成功"_s);
        QCOMPARE(messages.messages.last().caption, u"提醒"_s);
        QCOMPARE(cargo(u"业务编号 like 'T-LCL-_'"_s).value(1), (QStringList{u"T-LCL-2"_s, u"20'GP"_s, u"X'--"_s, u"20"_s,
                                                                         u"2000.500"_s, u"2.000"_s}));
        QCOMPARE(cargo(u"not"_s + Mine), others);
        // Reloaded from the database: the totals are the server's.
        QCOMPARE(node(*sheet, u"X'--"_s)->text(0), u"X'-- 20'GP,2000.500KGS,2.000CBM"_s);
    }

    void asksBeforeLeaving()
    {
        auto sheet = openSheet();
        QTreeWidgetItem *box = fill(*sheet, u"ASKU1"_s, {u"T-LCL-1"_s});
        // 业务详细 with unsaved assignments: Cancel stays.
        sheet->tree()->setCurrentItem(box->child(0));
        messages.answers = {MessageService::Cancel};
        sheet->ShowJob();
        QCOMPARE(said(), u"数据已修改，是否保存？"_s);
        QVERIFY(sheet->isVisible());
        QCOMPARE(f.tabs()->count(), 1);
        // 返回 → 是 with a save that fails keeps the window open.
        f.exec(u"delete from 货运出口货物明细 where 业务编号='T-LCL-1'"_s);
        messages.answers = {MessageService::Yes};
        sheet->Return();
        QCOMPARE(said(), u"业务T-LCL-1的货物已不存在，保存没有成功"_s);
        QVERIFY(sheet->isVisible());
        // 业务详细, answered 否: the job opens in its export page and the window closes.
        messages.answers = {MessageService::No};
        sheet->tree()->setCurrentItem(node(*sheet, u"T-LCL-1"_s));
        sheet->ShowJob();
        QVERIFY(!sheet->isVisible());
        QCOMPARE(f.tabs()->tabText(f.tabs()->currentIndex()), u"出口业务_T-LCL-1"_s);
    }

    void exportPagesReadTheConsolidatedCargoAgain()
    {
        THYChuKouFrm *w = f.open(u"T-LCL-1"_s);
        f.open(u"T-LCL-2"_s);
        QCOMPARE(f.tabs()->count(), 3);
        // 拼箱操作 from the page on screen; T-LCL-1's page is a snapshot.
        ModalHelper::onNextModal([this](QWidget *modal) {
            auto *sheet = qobject_cast<THYPingXiangFrm *>(modal);
            QVERIFY(sheet);
            sheet->Load();
            fill(*sheet, u"CONU7"_s, {u"T-LCL-1"_s, u"T-LCL-2"_s});
            sheet->Save();
            messages.answers = {MessageService::No};
            sheet->Return();
        });
        w->Command(u"拼箱操作"_s)->trigger();
        QCOMPARE(messages.messages.value(0).text, u"保存成功"_s);
        QCOMPARE(w->Cargo()->cargoRows().value(0).value(1), u"CONU7"_s);
        QVERIFY(!w->Modified());
        f.pickTab(1);
        QCOMPARE(w->BusinessNumber(), u"T-LCL-1"_s);
        QCOMPARE(w->Cargo()->cargoRows(), (QList<QStringList>{{u"20'GP"_s, u"CONU7"_s, u"10"_s, u"1000.250"_s, u"1.500"_s}}));
        QCOMPARE(f.text(w, JobTag::ContainerSummary), u"20'GP*1"_s);
        // Its next save keeps the consolidation.
        QVERIFY(f.press(w, u"保存"_s));
        QCOMPARE(cargo(u"业务编号='T-LCL-1'"_s).value(0).value(2), u"CONU7"_s);
    }

    // A new user logged in as 王军 consolidates two waiting demo jobs of one
    // sailing, and the container statistics count the container's type.
    void wangJunConsolidatesTwoDemoJobs()
    {
        // The newest sailing with two consolidated jobs; once it has sailed
        // (late in a month) their cargo is put back to waiting first.
        const QList<QStringList> sailings = f.rows(
            u"select 船期, 船名, 航次, min(业务编号), max(业务编号) from 货运出口基本信息 where 货物已退关='0' and "
            u"业务编号 like 'SE%' and 业务类型 in ('货代自拼箱','客户自拼箱') group by 船期, 船名, 航次 "
            u"having count(*)=2 order by 船期 desc"_s);
        QVERIFY2(!sailings.isEmpty(), "the demo data has no sailing with two LCL jobs");
        const QStringList s = sailings.first();
        const QStringList jobs{s[3], s[4]};
        QVERIFY(!f.exec(u"update 货运出口货物明细 set 箱类型='待拼', 集装箱号封号='待拼' where 业务编号 in ('%1','%2')"_s
                            .arg(jobs[0], jobs[1]))
                     .startsWith(u"Err"_s));

        f.main->Action(TMainFrm::Item::ExportOpen)->trigger();
        auto *number = CaptionFinder::fieldAs<QLineEdit>(f.window(), u"业务编号"_s);
        QTest::keyClicks(number, jobs[0]);
        QTest::keyClick(number, Qt::Key_Return);
        ModalHelper::onNextModal([this, jobs](QWidget *modal) {
            auto *sheet = qobject_cast<THYPingXiangFrm *>(modal);
            QVERIFY(sheet);
            for (const QString &port : {u"目的港"_s, u"卸货港"_s})
                CaptionFinder::fieldAs<QComboBox>(sheet, port)->setEditText(QString());
            QVERIFY(ModalHelper::pressButton(sheet, u"刷新"_s));
            QVERIFY(ModalHelper::pressButton(sheet, u"新增集装箱"_s));
            for (const QString &job : jobs) {
                pickWaiting(*sheet, job);
                sheet->assignButton()->click();
            }
            QVERIFY(ModalHelper::pressButton(sheet, u"40'HQ"_s));
            auto *box = CaptionFinder::fieldAs<QLineEdit>(sheet, u"箱号/封号"_s);
            box->setText(u"WJNU7654321/S88"_s);
            QTest::keyClick(box, Qt::Key_Return);
            QVERIFY(ModalHelper::pressButton(sheet, u"保存(P)"_s));
            messages.answers = {MessageService::No};
            QVERIFY(ModalHelper::pressButton(sheet, u"返回"_s));
        });
        QVERIFY(ModalHelper::pressButton(f.window(), u"拼箱操作"_s));
        QCOMPARE(cargo(u"集装箱号封号='WJNU7654321/S88'"_s).size(), 2);

        // A high cube counts as one type (40'HC) with the job windows' ones of the voyage.
        const QString highCubes = f.value(
            u"select count(*) from 货运出口基本信息 a inner join 货运出口货物明细 b on a.业务编号=b.业务编号 where a.船名='"_s
            + CommFunU::QuoteValue(s[1]) + u"' and a.航次='"_s + CommFunU::QuoteValue(s[2]) + u"' and a.货物已退关='0' and "
            u"b.箱类型 in ('40''HQ', '40''HC') and a.船期 like '"_s + s[0].left(7) + u"%'"_s);
        QVERIFY(highCubes.toInt() >= 2);
        ModalHelper::onNextModal([s, highCubes](QWidget *modal) {
            auto *stats = qobject_cast<THYChukouXLTJFrm *>(modal);
            QVERIFY(stats);
            QTRY_VERIFY(stats->frame()->tree()->months(JobLine::Export).contains(s[0].left(7)));
            stats->frame()->tree()->selectMonth(JobLine::Export, s[0].left(7));
            const StringGrid *list = stats->frame()->grid();
            QCOMPARE(list->rowCells(0), (QStringList{u"船名"_s, u"航次"_s, u"船期"_s, u"箱类型"_s, u"箱量"_s}));
            QStringList found;
            for (int r = 1; r < list->rowCount(); ++r) {
                if (list->cell(r, 0) == s[1] && list->cell(r, 1) == s[2] && list->cell(r, 3).startsWith(u"40'H"_s))
                    found << list->cell(r, 3) + u'*' + list->cell(r, 4);
            }
            ModalHelper::pressButton(stats, u"返回"_s);
            QCOMPARE(found, QStringList{u"40'HC*"_s + highCubes});
        });
        f.main->Action(TMainFrm::Item::ContainerStatistics)->trigger();
    }

    // The operator the window serves: 赵敏 consolidates his job with 陈静's
    // of the same sailing. The window lists her job too, and its save
    // rewrites the container of her cargo and nothing else of it.
    void operatorConsolidatesAColleaguesCargo()
    {
        QVERIFY(f.reLogin(u"zhaomin"_s, u"123456"_s));
        QVERIFY(!f.exec(u"update 货运出口基本信息 set 操作员='陈静' where 业务编号='T-LCL-2'"_s).startsWith(u"Err"_s));
        QStringList hers = cargo(u"业务编号='T-LCL-2'"_s).value(0);
        auto sheet = openSheet();
        QCOMPARE(sheet->waitingList()->rowCells(waitingRowOf(*sheet, u"T-LCL-2"_s)),
                 (QStringList{u"PX-T-LCL-2"_s, u"是"_s, u"布料"_s, u"20"_s, u"2000.500"_s, u"2.000"_s, u"华星纺织"_s,
                              u"T-LCL-2"_s}));
        fill(*sheet, u"OPRU1234567/S5"_s, {u"T-LCL-1"_s, u"T-LCL-2"_s});
        QVERIFY(sheet->Save());
        QCOMPARE(said(), u"保存成功"_s);
        hers[1] = u"20'GP"_s;
        hers[2] = u"OPRU1234567/S5"_s;
        QCOMPARE(cargo(u"业务编号='T-LCL-2'"_s), QList<QStringList>{hers});
        QCOMPARE(cargo(u"业务编号='T-LCL-1'"_s).value(0).value(2), u"OPRU1234567/S5"_s);
        f.exec(u"update 货运出口基本信息 set 操作员='赵敏' where 业务编号='T-LCL-2'"_s);
    }
};

int main(int argc, char **argv)
{
    KorvanApplication app(argc, argv);
    TestLcl test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_lcl.moc"
