// The export job window on a demo database: its record against the schema,
// saving and loading, the cargo grid, the enabling rules, the tab snapshot,
// save as, the delete cascade, and what happens when the server refuses.

#include "exportfixture.h"

#include "currentuser.h"
#include "korvanapplication.h"
#include "marks.h"
#include "radiogroup.h"
#include "recordingmessageservice.h"
#include "ttuodanfrm.h"
#include "modalhelper.h"
#include "tagbinding.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>

#include <csignal>

using namespace CommFunU;
namespace T = JobTag;

namespace {

const QString JobTable = u"货运出口基本信息"_s;
const QString CargoTable = u"货运出口货物明细"_s;

QList<QStringList> cargoIn(const ExportFixture &f, const QString &number)
{
    return f.rows(u"select 箱类型, 集装箱号封号, 件数, 毛重, 尺码 from 货运出口货物明细 where 业务编号='"_s
                  + QuoteValue(number) + u"' order by rowid"_s);
}

// The child of killedInsideASaveLeavesNoLock: saves a job and dies while its
// transaction is open.
int callsBeforeDeath = 0;
void dieAfterCalls(bool busy)
{
    if (!busy && --callsBeforeDeath == 0)
        ::raise(SIGKILL);
}

int saveAndDie(const QString &number)
{
    ServerConnection connection;
    connection.setPort(qEnvironmentVariableIntValue("KORVAN_TEST_PORT"));
    connection.setCredentials(QString::fromLatin1(TestServer::AdminUser), QString::fromLatin1(TestServer::AdminPassword));
    SetAppServerProvider([&connection]() -> ServerConnection & { return connection; });
    CurrentUser().Position = u"总经理"_s;
    JobTabs tabs;
    THYChuKouFrm window(&tabs);
    window.NewPage();
    if (!window.LoadJob(number))
        return 2;
    ExportFixture::set(&window, 50, u"KILLED"_s);
    callsBeforeDeath = 3; // BeginTrans, the delete and the insert of the job row
    ServerConnection::setBusyHook(&dieAfterCalls);
    window.SaveJob();
    return 3;
}

} // namespace

class TestExportJob : public QObject
{
    Q_OBJECT

    ExportFixture f;
    RecordingMessageService messages;

    QString demoJob(const QString &condition)
    {
        return f.value(u"select top 1 业务编号 from 货运出口基本信息 where "_s + condition + u" order by 业务编号"_s);
    }

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(f.start(u"wangjun"_s, u"123456"_s, &error), qPrintable(error));
    }
    void init() { messages.clear(); }
    void cleanup() { f.closeJobTabs(); }

    void fieldsMatchTheSchema()
    {
        THYChuKouFrm *w = f.newPage();
        QCOMPARE(CheckBoundRange(w, T::RecordLow, T::RecordHigh, JobTable), QString());
        QCOMPARE(BoundControls(w, T::RecordLow, T::RecordHigh).size(), 88);
        // Every column is named as the table names it, in the table's order.
        auto names = ResultReader::fromAnswer(f.db->openQuery(u"select * from 货运出口基本信息 where 1=0"_s, {}, 1));
        QStringList columns = names.next(names.columnCount());
        QStringList shown;
        for (QWidget *control : BoundControls(w, T::RecordLow, T::RecordHigh))
            shown << control->objectName();
        QCOMPARE(shown, columns);
        // The finance block: 16 columns of 财务, none of them editable here.
        const QList<QWidget *> finance = BoundControls(w, T::FinanceLow, T::FinanceHigh);
        QCOMPARE(finance.size(), 16);
        for (QWidget *control : finance)
            QVERIFY(!control->isEnabled() && f.value(u"select count("_s + control->objectName() + u") from 财务"_s) != u"Err"_s);
    }

    void roundTripOfEveryFieldAndTheGrid()
    {
        // A client, a port and a number with apostrophes and colons are data,
        // stored as the units and ports windows store them.
        const auto q = [](const QString &value) -> QString { return u"'"_s + QuoteValue(value) + u"'"_s; };
        QVERIFY(f.exec(u"insert into 单位 (缩写代码, 简称, 英文名称, 业务员, 委托人) values ('OBR', "_s
                       + q(u"O'Brien:Co"_s) + u", "_s + q(u"O'BRIEN TRADING\r\nNO.1: PIER"_s) + u", "_s
                       + q(u"小'王"_s) + u", '1')"_s)
                    .startsWith(u"Suc"_s));
        QVERIFY(f.exec(u"insert into 港口 (港口编号, 航线名称, 国家, 港口名称) values (9901, '北美线', "_s
                       + q(u"加'拿:大"_s) + u", "_s + q(u"ST. JOHN'S:NF"_s) + u")"_s)
                    .startsWith(u"Suc"_s));
        const QString number = u"RT'01:A"_s;
        THYChuKouFrm *w = f.newPage();
        f.set(w, T::Client, u"O'Brien:Co"_s);
        QCOMPARE(f.text(w, T::Salesman), u"小'王"_s);
        QCOMPARE(f.text(w, T::Shipper), u"O'BRIEN TRADING\r\nNO.1: PIER"_s);
        f.set(w, T::Destination, u"ST. JOHN'S:NF"_s);
        QCOMPARE(f.text(w, T::Country), u"加'拿:大"_s);
        // Every other field a value of its kind.
        f.fillEveryField(w, {T::Client, T::Destination, T::Country, T::Salesman, T::Shipper});
        f.set(w, T::Number, number);
        f.set(w, T::Packages, u"12"_s);
        f.click(w, T::ForwarderBill);
        f.click(w, T::AssignWarehouse);
        f.set(w, 500, u"1"_s);
        QCOMPARE(f.text(w, T::OriginalBills), u"ONE"_s); // 电放 is checked
        w->Cargo()->setCargoRows({{u"20'GP"_s, u"AB'12:34/S'1"_s, u"10"_s, u"1.5"_s, u"2"_s},
                                  {u"20'gp"_s, u"C:2"_s, u"5 件"_s, u"0"_s, u"1,000"_s}});
        QVERIFY(f.press(w, u"保存"_s));
        QVERIFY2(messages.said(u"保存成功"_s), qPrintable(messages.lastText()));
        QCOMPARE(f.tabs()->tabText(f.tabs()->currentIndex()), u"出口业务_"_s + number);
        QVERIFY(!w->Modified());
        QCOMPARE(f.text(w, T::GrossWeight), u"12340.500"_s);
        QCOMPARE(f.text(w, T::TotalInWords), u"SAY TWELVE C'330 ONLY"_s);
        QCOMPARE(f.text(w, T::ContainerSummary), u"20'GP*2"_s);
        const QString record = SaveByTag(w, T::RecordLow, T::RecordHigh, 1);

        // The database holds exactly what the window showed…
        const auto row = f.rows(u"select * from 货运出口基本信息 where 业务编号="_s + q(number));
        QCOMPARE(row.size(), 1);
        QCOMPARE(row.first(), record.split(FieldSep).mid(0, 88));
        const QList<QStringList> cargo{{u"20'GP"_s, u"AB'12:34/S'1"_s, u"10"_s, u"1.500"_s, u"2.000"_s},
                                       {u"20'gp"_s, u"C:2"_s, u"5"_s, u"0.000"_s, u"1000.000"_s}};
        QCOMPARE(cargoIn(f, number), cargo);
        // …and a load shows it again, unchanged and unmodified.
        THYChuKouFrm *again = f.newPage();
        QVERIFY(again->LoadJob(number));
        QCOMPARE(SaveByTag(again, T::RecordLow, T::RecordHigh, 1), record);
        QCOMPARE(again->Cargo()->cargoRows(), cargo);
        QVERIFY(!again->Modified());
        QCOMPARE(again->Stored(), 1);
        QVERIFY(again->Form()->edit(T::Number)->isReadOnly());

        // A number with an apostrophe deletes too, with everything it has.
        const int tabs = f.tabs()->count();
        QVERIFY(again->DeleteJob());
        QTRY_COMPARE(f.tabs()->count(), tabs - 1);
        QCOMPARE(f.count(JobTable, number), 0);
        QCOMPARE(f.count(CargoTable, number), 0);
    }

    void refusedStepsLeaveTheJobAsItWas()
    {
        const QString number = demoJob(u"业务类型='整箱' and 箱型箱量 like '%*1'"_s);
        const QString key = u" where 业务编号='"_s + number + u'\'';
        const QString row = f.rows(u"select * from 货运出口基本信息"_s + key).first().join(u'|');
        const auto cargo = cargoIn(f, number);
        THYChuKouFrm *w = f.open(number);
        f.set(w, T::ClientReference, u"NOT SAVED"_s);
        w->Cargo()->setCargoRows(cargo + cargo);

        // Another user holds the database: BeginTrans is refused, nothing is sent.
        QVERIFY(!f.db->beginTrans().startsWith(u"Err"_s));
        QVERIFY(!w->SaveJob());
        f.db->rollbackTrans();
        QVERIFY(messages.said(u"不明原因"_s));
        // The old cargo rows cannot be deleted: no row is added to them.
        f.exec(u"create trigger keep_cargo before delete on 货运出口货物明细 begin select raise(abort, 'kept'); end"_s);
        messages.clear();
        QVERIFY(!w->SaveJob());
        f.exec(u"drop trigger keep_cargo"_s);
        QVERIFY(messages.said(u"出错: \rdelete from 货运出口货物明细"_s));
        QVERIFY(!messages.said(u"保存成功"_s));
        QCOMPARE(f.rows(u"select * from 货运出口基本信息"_s + key).first().join(u'|'), row);
        QCOMPARE(cargoIn(f, number), cargo);
        QVERIFY(w->Modified());
        QCOMPARE(w->Stored(), 1);
    }

    void refusedCommitLeavesTheWindowAsItWas()
    {
        // A deferred foreign key makes the database refuse the commit itself.
        for (const QString &sql :
             {u"create table 父表 (k text primary key)"_s,
              u"create table 子表 (k text references 父表(k) deferrable initially deferred)"_s,
              u"create trigger refuse_commit after insert on 货运出口货物明细 begin insert into 子表 values ('none'); end"_s})
            QVERIFY2(f.exec(sql).startsWith(u"Suc"_s), qPrintable(sql));
        QVERIFY(GetAppServer().execSql(u"PRAGMA foreign_keys=ON"_s, {}).startsWith(u"Suc"_s));
        THYChuKouFrm *w = f.newPage();
        f.set(w, T::Number, u"COMMIT-1"_s);
        f.set(w, T::Client, u"华星纺织"_s); // and so a salesman
        w->Cargo()->setCargoRows({{u"40'HC"_s, u"X1"_s, u"1"_s, u"1"_s, u"1"_s}});
        QVERIFY(!w->SaveJob());
        QVERIFY(!messages.said(u"保存成功"_s));
        QVERIFY(messages.said(u"不明原因"_s)); // reported, and written to the run log
        QCOMPARE(w->Stored(), 0);
        QVERIFY(w->Modified());
        QCOMPARE(f.tabs()->tabText(f.tabs()->currentIndex()), u"出口业务"_s);
        QCOMPARE(f.count(JobTable, u"COMMIT-1"_s), 0);
        QCOMPARE(f.count(CargoTable, u"COMMIT-1"_s), 0);

        QVERIFY(f.exec(u"drop trigger refuse_commit"_s).startsWith(u"Suc"_s));
        GetAppServer().execSql(u"PRAGMA foreign_keys=OFF"_s, {});
        QVERIFY(w->SaveJob());
        QCOMPARE(f.tabs()->tabText(f.tabs()->currentIndex()), u"出口业务_COMMIT-1"_s);
        QCOMPARE(f.count(CargoTable, u"COMMIT-1"_s), 1);
    }

    void killedInsideASaveLeavesNoLock()
    {
        const QString number = demoJob(u"业务类型='整箱'"_s);
        const QString key = u"业务编号='"_s + number + u'\'';
        const QString before = f.value(u"select 委托编号 from 货运出口基本信息 where "_s + key);
        const int cargo = f.count(CargoTable, number);
        QProcess child;
        child.setProgram(QCoreApplication::applicationFilePath());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"KORVAN_SAVE_AND_DIE"_s, number);
        env.insert(u"KORVAN_TEST_PORT"_s, QString::number(f.server.port()));
        child.setProcessEnvironment(env);
        child.start();
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        // Another client writes at once; the dead client's save left nothing.
        QCOMPARE(f.exec(u"update 货运出口基本信息 set 委托编号='AFTER' where "_s + key), u"Suc"_s + FieldSep + u"1"_s);
        QCOMPARE(f.count(CargoTable, number), cargo);
        f.exec(u"update 货运出口基本信息 set 委托编号='"_s + before + u"' where "_s + key);
    }

    void grid_data()
    {
        QTest::addColumn<QString>("jobType");
        QTest::addColumn<QList<QStringList>>("grid");
        QTest::addColumn<QString>("message"); // empty: the save goes through
        QTest::addColumn<QList<QStringList>>("stored");
        QTest::addColumn<QPoint>("cell");     // selected after a refusal (column, row)
        const QStringList a{u"20'GP"_s, u"A1"_s, u"12a"_s, u"1"_s, u"2"_s};
        QTest::newRow("digits and amounts rewritten")
            << u"整箱"_s << QList<QStringList>{a} << QString()
            << QList<QStringList>{{u"20'GP"_s, u"A1"_s, u"12"_s, u"1.000"_s, u"2.000"_s}} << QPoint();
        QTest::newRow("all blank: no cargo rows")
            << u"整箱"_s << QList<QStringList>{{}, {}} << QString() << QList<QStringList>{} << QPoint();
        QTest::newRow("blank first type, other cells filled")
            << u"整箱"_s << QList<QStringList>{{QString(), u"B1"_s, u"1"_s}} << u"输入有误:第1行的箱类型不能为空"_s
            << QList<QStringList>{} << QPoint(0, 1);
        QTest::newRow("consolidated with two rows")
            << u"货代自拼箱"_s << QList<QStringList>{a, a} << u"拼箱业务货物不能超过一件!"_s << QList<QStringList>{}
            << QPoint(-1, -1);
        QTest::newRow("bad weight in the second row")
            << u"整箱"_s << QList<QStringList>{a, {u"20'GP"_s, u"A2"_s, u"1"_s, u"1.2.3"_s, u"1"_s}}
            << u"输入有误:'1.2.3' 不是有效的数值"_s << QList<QStringList>{} << QPoint(3, 2);
    }
    void grid()
    {
        QFETCH(QString, jobType);
        QFETCH(QList<QStringList>, grid);
        QFETCH(QString, message);
        QFETCH(QList<QStringList>, stored);
        QFETCH(QPoint, cell);
        const QString number = demoJob(u"业务类型='整箱' and 箱型箱量 like '%*1'"_s);
        THYChuKouFrm *w = f.open(number);
        const QList<QStringList> before = cargoIn(f, number);
        f.set(w, T::JobType, jobType);
        w->Cargo()->setCargoRows(grid);
        const bool saved = w->SaveJob();
        QCOMPARE(saved, message.isEmpty());
        if (saved) {
            QCOMPARE(cargoIn(f, number), stored);
            // Back as it was for the next row.
            w->Cargo()->setCargoRows(before);
            f.set(w, T::JobType, u"整箱"_s);
            QVERIFY(w->SaveJob());
            return;
        }
        QVERIFY2(messages.said(message), qPrintable(messages.lastText()));
        QCOMPARE(cargoIn(f, number), before); // nothing written
        if (cell.x() >= 0)
            QCOMPARE(QPoint(w->Cargo()->grid()->currentCol(), w->Cargo()->grid()->currentRow()), cell);
    }

    void addContainers_data()
    {
        QTest::addColumn<QString>("count");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("shown");
        QTest::newRow("three") << u"3"_s << 3 << u"3"_s;
        QTest::newRow("two hundred") << u"200"_s << 200 << u"200"_s;
        QTest::newRow("over two hundred") << u"201"_s << 0 << u"0"_s;
        QTest::newRow("not a number") << u"x"_s << 0 << u"0"_s;
    }
    void addContainers()
    {
        QFETCH(QString, count);
        QFETCH(int, rows);
        QFETCH(QString, shown);
        THYChuKouFrm *w = f.newPage();
        CargoGrid *cargo = w->Cargo();
        cargo->sizePicker()->setItemIndex(1);
        cargo->kindPicker()->setItemIndex(1);
        cargo->countField()->setText(count);
        QTest::keyClick(cargo->countField(), Qt::Key_Return);
        QCOMPARE(cargo->countField()->text(), shown);
        QCOMPARE(cargo->isBlank() ? 0 : cargo->cargoRowCount(), rows);
        QCOMPARE(f.text(w, T::ContainerSummary), rows ? u"40'HC*"_s + QString::number(rows) : QString());
        QCOMPARE(w->Modified(), rows > 0);
        if (rows == 3) {
            // Enter in the grid validates and moves one cell on, from the
            // end of a row to the next, from the last row back to the first.
            StringGrid *grid = cargo->grid();
            grid->setCurrentCell(1, 4);
            QTest::keyClick(grid, Qt::Key_Return);
            QCOMPARE(QPoint(grid->currentCol(), grid->currentRow()), QPoint(0, 2));
            grid->setCurrentCell(3, 4);
            QTest::keyClick(grid, Qt::Key_Return);
            QCOMPARE(QPoint(grid->currentCol(), grid->currentRow()), QPoint(0, 1));
            QCOMPARE(grid->cell(3, 3), u"0.000"_s);
        }
        // Types are counted whatever their case, under the spelling met first.
        cargo->setCargoRows({{u"20'gp"_s}, {u"40'HC"_s}, {u"20'GP"_s}});
        QCOMPARE(w->ContainerSummary(), u"20'gp*2 & 40'HC*1"_s);
    }

    void enablingRules()
    {
        THYChuKouFrm *w = f.newPage();
        BoundForm *form = w->Form();
        auto enabled = [form](int tag) { return form->field(tag)->isEnabled(); };
        auto pickers = [w] {
            return QPoint(w->Cargo()->sizePicker()->itemIndex(), w->Cargo()->kindPicker()->itemIndex());
        };

        f.set(w, T::JobType, u"货代自拼箱"_s);
        QVERIFY(!form->edit(T::ConsolidationNumber)->isReadOnly());
        QCOMPARE(pickers(), QPoint(3, 8)); // 待拼, 待拼
        QVERIFY(w->SheetRule(u"拼箱操作"_s));
        QVERIFY(w->Command(u"拼箱操作"_s)->isEnabled());
        f.set(w, T::JobType, u"整箱"_s);
        QVERIFY(form->edit(T::ConsolidationNumber)->isReadOnly());
        QCOMPARE(pickers(), QPoint(0, 0));
        QVERIFY(!w->SheetRule(u"拼箱操作"_s));
        // 海运出口 > 拼箱处理 does what the button does, when the button can.
        QAction *lcl = f.main->Action(TMainFrm::Item::ExportLclProcessing);
        QVERIFY(!lcl->isEnabled());
        f.set(w, T::JobType, u"客户自拼箱"_s);
        QVERIFY(lcl->isEnabled() && w->Command(u"拼箱操作"_s)->isEnabled());
        f.set(w, T::JobType, u"少量拼箱"_s);
        QVERIFY(!lcl->isEnabled());

        QVERIFY(!enabled(T::TranshipmentPort));
        f.click(w, T::Transhipment);
        for (int tag : {T::TranshipmentPort, T::SecondBill, T::SecondVessel, T::SecondVoyage, T::TranshipmentInfo})
            QVERIFY(enabled(tag));
        QVERIFY(!enabled(T::HouseBill));
        f.click(w, T::ForwarderBill);
        QVERIFY(enabled(T::HouseBill));

        f.click(w, T::AssignWarehouse);
        QVERIFY(enabled(T::Warehouse) && !enabled(T::Fleet));
        QCOMPARE(qobject_cast<QGroupBox *>(form->field(T::StuffingAddress)->parentWidget())->title(), u"仓库信息"_s);
        QCOMPARE(form->label(T::StuffingAddress)->text(), u"仓库地址"_s);
        QCOMPARE(CaptionFinder::field(w, u"入仓时间"_s), form->field(T::StuffingDate));
        QVERIFY(w->SheetRule(u"仓库分配"_s) && !w->SheetRule(u"车队分配"_s));
        f.click(w, T::SelfPacked);
        QVERIFY(!enabled(T::Warehouse) && !enabled(T::Fleet) && !enabled(T::StuffingAddress));
        QVERIFY(enabled(T::ContactPhone));
        QVERIFY(w->SheetRule(u"仓库分配"_s) && !w->SheetRule(u"车队分配"_s)); // kept as they were
        f.click(w, T::AssignFleet);
        QCOMPARE(form->label(T::Requirements)->text(), u"特殊要求"_s);
        QVERIFY(!w->SheetRule(u"仓库分配"_s) && w->SheetRule(u"车队分配"_s));

        QVERIFY(!w->SheetRule(u"保函"_s));
        f.set(w, T::OriginalBills, u"THREE"_s);
        f.click(w, T::TelexRelease);
        QCOMPARE(f.text(w, T::OriginalBills), u"ONE"_s);
        QVERIFY(w->SheetRule(u"保函"_s));
        f.click(w, T::TelexRelease);
        QCOMPARE(f.text(w, T::OriginalBills), u"ONE"_s);
        QVERIFY(!w->SheetRule(u"保函"_s));
        f.click(w, T::BackDated);
        QVERIFY(w->SheetRule(u"保函"_s));

        // A satellite sheet receives the job as values, and only a saved one.
        CargoJobValues received;
        w->SetSheetOpener(u"保函"_s, [&received](const CargoJobValues &job, QWidget *) { received = job; });
        QVERIFY(w->Command(u"保函"_s)->isEnabled());
        f.set(w, T::Vessel, u"EVER UNION"_s);
        w->OpenSheet(u"保函"_s);
        QCOMPARE(messages.lastText(), u"请先保存当前业务!"_s);
        QVERIFY(received.columns.isEmpty());
    }

    void pickListsFillWhenFirstDropped()
    {
        THYChuKouFrm *w = f.newPage();
        QComboBox *client = w->Form()->combo(T::Client);
        QComboBox *discharge = w->Form()->combo(T::DischargePort);
        QCOMPARE(client->count(), 0);
        QTest::keyClick(client, Qt::Key_F4);
        client->hidePopup();
        QVERIFY(client->findText(u"华星纺织"_s) >= 0);
        QVERIFY(client->findText(u"中远集运"_s) < 0); // a booking party, not a client
        QCOMPARE(client->currentText(), QString()); // filling is no choice
        QVERIFY(!w->Modified());
        // One query fills the four port lists.
        QTest::keyClick(w->Form()->combo(T::Destination), Qt::Key_Down, Qt::AltModifier);
        w->Form()->combo(T::Destination)->hidePopup();
        QVERIFY(discharge->count() > 200);
        QCOMPARE(discharge->count(), w->Form()->combo(T::TranshipmentPort)->count());
        // A new page starts with these lists empty, not on their first item.
        f.set(w, T::Client, u"华星纺织"_s);
        THYChuKouFrm *next = f.newPage();
        QCOMPARE(f.text(next, T::Client), QString());
        QCOMPARE(f.text(next, 430), u"九区"_s);
    }

    // 提单确认 opens the B/L confirmation of the saved job.
    void billConfirmationOpensForTheJob()
    {
        const QString number = demoJob(u"1=1"_s);
        THYChuKouFrm *w = f.open(number);
        QTemporaryDir dir;
        TTuoDanFrm::setTemplatePath(dir.filePath(u"TuoDanRes.txt"_s));
        QString shown;
        ModalHelper::onNextModal([&shown](QWidget *modal) {
            if (auto *sheet = qobject_cast<TTuoDanFrm *>(modal)) {
                shown = CommFunU::ControlValue(sheet->field(TTuoDanFrm::Number));
                sheet->closeButton()->click();
            }
        });
        w->OpenSheet(u"提单确认"_s);
        TTuoDanFrm::setTemplatePath(QString());
        QCOMPARE(shown, number);
        QVERIFY(QFile::exists(dir.filePath(u"TuoDanRes.txt"_s)));
    }

    void sheetsReceiveTheSavedJob()
    {
        const QString number = demoJob(u"分配仓库='1'"_s);
        THYChuKouFrm *w = f.open(number);
        CargoJobValues received;
        w->SetSheetOpener(u"报关单"_s, [&received](const CargoJobValues &job, QWidget *) { received = job; });
        f.set(w, T::Voyage, u"099E"_s);
        messages.answers = {MessageService::Ok}; // 当前业务已修改，请保存！
        w->OpenSheet(u"报关单"_s);
        QCOMPARE(messages.messages.first().text, u"当前业务已修改，请保存！"_s);
        QVERIFY(received.saved && !received.modified);
        QCOMPARE(received.number(), number);
        QCOMPARE(received.vesselAndVoyage(), f.text(w, T::Vessel) + u" 099E"_s);
        QCOMPARE(received.allocationKind(), 2);
        QCOMPARE(received.cargoRows, cargoIn(f, number));
        QCOMPARE(received.column(u"已收1"_s), f.text(w, 1020));
        QCOMPARE(f.value(u"select 航次 from 货运出口基本信息 where 业务编号='"_s + number + u'\''), u"099E"_s);
    }

    void loadsAndRestoresAreQuiet()
    {
        const QString number = demoJob(u"操作员='赵敏'"_s);
        f.exec(u"update 货运出口基本信息 set 业务员='某人', 发货人='SHIPPER AS STORED', 运抵国='某国' where 业务编号='"_s
               + number + u'\'');
        THYChuKouFrm *w = f.open(number);
        const int tab = f.tabs()->currentIndex();
        const QString record = SaveByTag(w, T::RecordLow, T::RecordHigh, 1);
        QCOMPARE(f.text(w, T::Salesman), u"某人"_s);
        QCOMPARE(f.text(w, T::Shipper), u"SHIPPER AS STORED"_s);
        QCOMPARE(f.text(w, T::Country), u"某国"_s);
        QVERIFY(!w->Modified());
        f.pickTab(0);
        f.pickTab(tab);
        QCOMPARE(SaveByTag(w, T::RecordLow, T::RecordHigh, 1), record);
        QVERIFY(!w->Modified());
    }

    void tabSwitchKeepsWhatWasTyped()
    {
        THYChuKouFrm *w = f.newPage();
        const int tab = f.tabs()->currentIndex();
        f.set(w, T::Number, u"TAB-1"_s);
        f.set(w, T::GrossWeight, u"12.3.4"_s);             // not an amount
        f.set(w, 620, u"备注 龛 \\ 与分隔符\n第二行 "_s);  // the record separator and a backslash
        w->Cargo()->setCargoRows({{u"20'GP"_s, u"龛\\1"_s, u"x"_s}});
        w->Form()->pages()->setCurrentIndex(2);
        const QStringList typed{w->Form()->edit(T::GrossWeight)->text(),
                                w->Form()->memo(620)->toPlainText()};
        const auto grid = w->Cargo()->allRows();
        f.pickTab(0);
        QCOMPARE(f.tabs()->currentIndex(), 0); // leaving never fails
        THYChuKouFrm *other = f.open(demoJob(u"业务类型='整箱'"_s));
        QVERIFY(other->Stored());
        f.pickTab(tab);
        QCOMPARE(f.tabs()->currentIndex(), tab);
        QCOMPARE((QStringList{w->Form()->edit(T::GrossWeight)->text(), w->Form()->memo(620)->toPlainText()}), typed);
        QCOMPARE(w->Cargo()->allRows(), grid);
        QCOMPARE(w->Form()->pages()->currentIndex(), 2);
        QVERIFY(w->Modified());
        QCOMPARE(w->Stored(), 0);
        // The invalid amount is refused when saving, with nothing written.
        f.set(w, T::Client, u"华星纺织"_s);
        QVERIFY(f.press(w, u"保存"_s));
        QVERIFY2(messages.said(u"值过大或无效!12.3.4"_s), qPrintable(messages.lastText()));
        QCOMPARE(f.count(JobTable, u"TAB-1"_s), 0);
    }

    void saveAsLeavesTheSourceUntouched()
    {
        const QString number = f.value(u"select top 1 j.业务编号 from 货运出口基本信息 j, 财务 c where "
                                       u"j.业务编号 = c.业务编号 and c.已收2='1' order by j.业务编号"_s);
        THYChuKouFrm *w = f.open(number);
        const int source = f.tabs()->currentIndex();
        const QString row = f.rows(u"select * from 货运出口基本信息 where 业务编号='"_s + number + u'\'').first().join(u'|');
        const auto grid = w->Cargo()->cargoRows();
        f.set(w, T::ClientReference, u"EDITED"_s);
        f.answerNewNumber(u"copy-1"_s);
        f.press(w, u"另存为..."_s);
        QCOMPARE(f.tabs()->currentIndex(), source + 1);
        QCOMPARE(f.text(w, T::Number), u"COPY-1"_s);
        QCOMPARE(f.text(w, T::ClientReference), u"EDITED"_s);
        QCOMPARE(w->Stored(), 0);
        QVERIFY(w->Modified());
        QVERIFY(!w->Form()->edit(T::Number)->isReadOnly());
        QCOMPARE(w->Cargo()->cargoRows(), grid);
        QCOMPARE(f.text(w, 1050), u"1"_s); // the finance status shown at that moment
        QCOMPARE(f.tabs()->tabText(source), u"出口业务_"_s + number);
        QVERIFY(w->SaveJob());
        QCOMPARE(f.count(CargoTable, u"COPY-1"_s), grid.size());
        QCOMPARE(f.rows(u"select * from 货运出口基本信息 where 业务编号='"_s + number + u'\'').first().join(u'|'), row);
        f.pickTab(source);
        QCOMPARE(f.text(w, T::ClientReference), u"EDITED"_s); // the source keeps its own edits, unsaved
        QVERIFY(w->Modified());
    }

    void deleteCascadeWholeOrNotAtAll()
    {
        const QString number = f.value(u"select top 1 j.业务编号 from 货运出口基本信息 j, 货运出口报关单 d, 财务 c where "
                                       u"j.业务编号 = d.业务编号 and j.业务编号 = c.业务编号 order by j.业务编号"_s);
        const QString key = u"'"_s + number + u"'"_s;
        f.exec(u"insert into 货运出口更正单 (业务编号, 更正单编号) values ("_s + key + u", 'T1')"_s);
        f.exec(u"delete from 货运出口报检单 where 业务编号="_s + key);
        f.exec(u"insert into 货运出口报检单 (业务编号) values ("_s + key + u')');
        const QStringList tables{JobTable, CargoTable, u"货运出口费用明细"_s, u"货运出口更正单"_s,
                                 u"货运出口报检单"_s, u"货运出口报关单"_s, u"财务"_s};
        for (const QString &table : tables)
            QVERIFY2(f.count(table, number) > 0, qPrintable(table));
        THYChuKouFrm *w = f.open(number);
        const int tabs = f.tabs()->count();

        f.exec(u"create trigger keep_finance before delete on 财务 begin select raise(abort, 'finance kept'); end"_s);
        QVERIFY(!w->DeleteJob());
        QVERIFY(messages.said(u"出错: \rdelete from 财务"_s));
        for (const QString &table : tables)
            QVERIFY2(f.count(table, number) > 0, qPrintable(table)); // not at all
        f.exec(u"drop trigger keep_finance"_s);

        messages.clear();
        messages.answers = {MessageService::Yes, MessageService::Cancel}; // the fee question: Cancel
        QVERIFY(!w->DeleteJob());
        QCOMPARE(messages.lastText(), u"当前业务已有费用记录,确实要删除此业务？"_s);
        QCOMPARE(f.count(JobTable, number), 1);

        QVERIFY(w->DeleteJob());
        for (const QString &table : tables)
            QVERIFY2(f.count(table, number) == 0, qPrintable(table)); // whole
        QTRY_COMPARE(f.tabs()->count(), tabs - 1);
    }

    void failedLoadsLeaveNothingStale()
    {
        const QString withFinance = f.value(u"select top 1 业务编号 from 财务 where 已收2='1' and 业务编号 like 'SE%'"_s);
        const QString without = demoJob(u"业务编号 not in (select 业务编号 from 财务)"_s);
        THYChuKouFrm *w = f.newPage();
        QVERIFY(w->LoadJob(withFinance));
        QVERIFY(w->Form()->check(1050)->isChecked());
        QVERIFY(w->LoadJob(without));
        QVERIFY(!w->Form()->check(1050)->isChecked()); // not the last job's flag

        QVERIFY(f.exec(u"alter table 货运出口货物明细 rename to 货物明细旧"_s).startsWith(u"Suc"_s));
        THYChuKouFrm *failed = f.newPage();
        const bool loaded = failed->LoadJob(withFinance);
        f.exec(u"alter table 货物明细旧 rename to 货运出口货物明细"_s);
        QVERIFY(!loaded);
        QVERIFY(messages.said(u"出错: \rselect  箱类型"_s));
        QCOMPARE(failed->Stored(), 0);
        QCOMPARE(f.text(failed, T::Client), QString());
        QVERIFY(failed->Cargo()->isBlank());
        QCOMPARE(f.tabs()->tabText(f.tabs()->currentIndex()), u"出口业务"_s);
    }

    void typedNumbers()
    {
        const QString own = demoJob(u"操作员='赵敏'"_s);
        const QString others = demoJob(u"操作员='陈静'"_s);
        const CurrentUserRecord boss = CurrentUser();
        CurrentUser().Position = u"操作员"_s;
        CurrentUser().StaffName = u"赵敏"_s;
        THYChuKouFrm *w = f.open(others);
        CurrentUser() = boss;
        QVERIFY(messages.messages.isEmpty()); // another operator's job: nothing happens
        QCOMPARE(w->Stored(), 0);
        QCOMPARE(f.text(w, T::Number), others);

        f.open(own);
        QVERIFY(f.window()->Stored());
        THYChuKouFrm *second = f.open(own);
        QCOMPARE(messages.lastText(), u"此业务已打开"_s + own);
        QCOMPARE(messages.messages.last().icon, MessageService::Icon::Warning);
        QCOMPARE(second->Stored(), 0);
    }
};

int main(int argc, char **argv)
{
    KorvanApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("KORVAN_SAVE_AND_DIE"))
        return saveAndDie(qEnvironmentVariable("KORVAN_SAVE_AND_DIE"));
    TestExportJob test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_exportjob.moc"
