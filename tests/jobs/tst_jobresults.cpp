// Job pages showing the right job with the right status, logged in as the
// demo users of each position: who opens which job, a finance page beside
// the job page, the finance block read back, copies and new jobs.

#include "cargojobfixture.h"
#include "currentuser.h"
#include "financeform.h"
#include "jobpages.h"
#include "korvanapplication.h"
#include "radiogroup.h"
#include "recordingmessageservice.h"
#include "tcaiwuglfrm.h"
#include "thychukoufrm.h"
#include "thyjinkoufrm.h"

#include <QCheckBox>
#include <QRadioButton>

using Fixture = CargoJobFixture<CargoJobWindow>;

namespace {

// The seven flags of a finance row (received, paid) that settle a job.
const QString SettlingFlags = u"已收1='%1', 已收2='%1', 已付1='%1', 已付2='%1', 已付3='%1', 已付4='%1', 已付5='%1'"_s;

} // namespace

class TestJobResults : public QObject
{
    Q_OBJECT

    Fixture f{JobKind::Export, TMainFrm::Item::ExportOpen};
    RecordingMessageService messages;

    CargoJobWindow *importWindow() const
    {
        return static_cast<CargoJobWindow *>(f.main->JobWindowOf(JobKind::Import, false));
    }
    // An import job of wuxia's with a finance row.
    QString importJob(int skip = 0)
    {
        return f.rows(u"select j.业务编号 from 货运进口基本信息 j, 财务 c where j.业务编号=c.业务编号 and "
                      "j.操作员='吴霞' order by j.业务编号"_s)
            .value(skip)
            .value(0);
    }
    QString exec(const QString &sql)
    {
        const QString answer = f.exec(sql);
        if (!answer.startsWith(u"Suc"_s))
            qWarning("%s -> %s", qPrintable(sql), qPrintable(answer));
        return answer;
    }
    // Opens the import job in a new page of the import window.
    CargoJobWindow *openImport(const QString &number)
    {
        f.main->Action(TMainFrm::Item::ImportOpen)->trigger();
        CargoJobWindow *w = importWindow();
        Fixture::typeInto(w->Form()->edit(JobTag::Number), number, true);
        return w;
    }

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(f.start(u"zhengfang"_s, u"123456"_s, &error), qPrintable(error));
        QCOMPARE(CommFunU::CurrentUser().Position, u"财务经理"_s);
    }
    void init() { messages.clear(); }
    void cleanup() { f.closeJobTabs(); }

    // The finance manager opens what her business query lists: the jobs of
    // her department's operators. Another department's job is refused with
    // a word, and no blank page stays.
    void financeManagerOpensHerDepartmentsJobs()
    {
        const QStringList jobs = f.rows(u"select top 2 业务编号 from 货运出口基本信息 where 操作员='赵敏' "
                                        "order by 业务编号"_s)
                                     .value(0)
                                 + f.rows(u"select top 2 业务编号 from 货运出口基本信息 where 操作员='赵敏' "
                                          "order by 业务编号 desc"_s)
                                       .value(0);
        QCOMPARE(jobs.size(), 2);
        const QString colleagues = jobs.at(0);
        const QString others = jobs.at(1);
        QVERIFY(exec(u"update 货运出口基本信息 set 操作员='黄燕' where 业务编号='"_s + colleagues + u'\'').startsWith(u"Suc"_s));

        QVERIFY(CommFunU::OpenExportJob(colleagues));
        QCOMPARE(f.tabs()->count(), 2);
        QCOMPARE(f.tabs()->tabText(1), u"出口业务_"_s + colleagues);
        QCOMPARE(Fixture::text(f.window(), JobTag::Operator), u"黄燕"_s);
        QVERIFY2(messages.messages.isEmpty(), qPrintable(messages.lastText()));

        QVERIFY(!CommFunU::OpenExportJob(others));
        QCOMPARE(f.tabs()->count(), 2);
        QCOMPARE(messages.messages.size(), 1);
        QCOMPARE(messages.lastText(), u"无法打开业务"_s + others + u"：没有此业务，或您无权查看"_s);
    }

    // A finance page carries the caption of the job page; the job opens
    // beside it all the same, from the menu and from the business query.
    void financePageBesideTheJobPage()
    {
        const QString number = f.value(u"select top 1 业务编号 from 货运出口基本信息 where 操作员='黄燕'"_s);
        QVERIFY(!number.isEmpty());
        f.main->Action(TMainFrm::Item::FinanceOpen)->trigger();
        auto *finance = static_cast<TCaiWuGLFrm *>(f.main->JobWindowOf(JobKind::Finance, false));
        Fixture::typeInto(finance->Form()->edit(FinanceTag::Number), number, true);
        QCOMPARE(f.tabs()->tabText(1), u"出口业务_"_s + number);

        // 海运出口 > 打开业务 and the number: the job loads, no "此业务已打开".
        CargoJobWindow *w = f.newPage();
        Fixture::typeInto(w->Form()->edit(JobTag::Number), number, true);
        QVERIFY2(messages.messages.isEmpty(), qPrintable(messages.lastText()));
        QCOMPARE(f.tabs()->tabText(2), u"出口业务_"_s + number);
        QCOMPARE(f.tabs()->page(2)->Window, static_cast<JobWindow *>(w));

        // From the finance page, 详细 of the query switches to the job page.
        f.pickTab(1);
        QVERIFY(CommFunU::OpenExportJob(number));
        QCOMPARE(f.tabs()->currentIndex(), 2);
        QCOMPARE(f.tabs()->count(), 3);
        // With only the finance page open, the opener opens the job page.
        f.pickTab(2);
        f.main->Perform(TMainFrm::ClosePageMessage);
        f.pickTab(1);
        QVERIFY(CommFunU::OpenExportJob(number));
        QCOMPARE(f.tabs()->count(), 3);
        QCOMPARE(f.tabs()->currentPage()->Window, f.main->JobWindowOf(JobKind::Export, false));
        QCOMPARE(Fixture::text(f.window(), JobTag::Number), number);
    }

    void departmentManager() { QVERIFY(f.reLogin(u"lihua"_s, u"123456"_s)); }

    // The department manager opens and saves the jobs of her department's
    // operators, as the server lets her; another department's job is
    // refused like a missing one.
    void departmentManagerKeepsHerDepartmentsJobs()
    {
        const QString colleagues = f.value(u"select top 1 业务编号 from 货运出口基本信息 where 操作员='陈静'"_s);
        const QString others = f.value(u"select top 1 业务编号 from 货运出口基本信息 where 操作员='马超'"_s);
        QVERIFY(!colleagues.isEmpty() && !others.isEmpty());
        QVERIFY(exec(u"update 货运出口基本信息 set 操作员='刘洋' where 业务编号='"_s + others + u'\'').startsWith(u"Suc"_s));

        QVERIFY(CommFunU::OpenExportJob(colleagues));
        QCOMPARE(f.tabs()->tabText(1), u"出口业务_"_s + colleagues);
        QCOMPARE(Fixture::text(f.window(), JobTag::Operator), u"陈静"_s);
        Fixture::typeInto(f.field<QLineEdit>(u"委托编号"_s), u"DM-2026/1"_s);
        QVERIFY(f.pressOnPage(u"保存"_s));
        QCOMPARE(messages.lastText(), u"保存成功"_s);
        QCOMPARE(f.value(u"select 委托编号 from 货运出口基本信息 where 业务编号='"_s + colleagues + u'\''), u"DM-2026/1"_s);

        messages.clear();
        QVERIFY(!CommFunU::OpenExportJob(others));
        QCOMPARE(f.tabs()->count(), 2);
        QCOMPARE(messages.lastText(), u"无法打开业务"_s + others + u"：没有此业务，或您无权查看"_s);
        exec(u"update 货运出口基本信息 set 操作员='马超' where 业务编号='"_s + others + u'\'');
    }

    void importOperator() { QVERIFY(f.reLogin(u"wuxia"_s, u"123456"_s)); }

    // Coming back to the tab, 结单状态 follows the finance flags read again.
    void settledStateFollowsFinance()
    {
        const QString number = importJob();
        const QString key = u" where 业务编号='"_s + number + u'\'';
        exec(u"update 财务 set "_s + SettlingFlags.arg(u"0"_s) + key);
        CargoJobWindow *w = openImport(number);
        auto *settled = w->findChild<QRadioButton *>(u"已结单"_s);
        QVERIFY(settled);
        QVERIFY(!settled->isChecked());
        f.pickTab(0);
        exec(u"update 财务 set "_s + SettlingFlags.arg(u"1"_s) + key);
        f.pickTab(1);
        QVERIFY(w->Form()->check(1020)->isChecked());
        QVERIFY(settled->isChecked());
        QVERIFY(!w->Modified());
    }

    // 付汇联号 shows the 付费联 number, as the finance window does.
    void payingCopyNumberIsThePaymentCopy()
    {
        const QString number = importJob();
        exec(u"update 货运进口基本信息 set 核销单号='FH-7788', 提单号='BL-1122' where 业务编号='"_s + number + u'\'');
        CargoJobWindow *w = openImport(number);
        QCOMPARE(f.tabs()->tabText(1), u"进口业务_"_s + number);
        auto *copy = CaptionFinder::fieldAs<QLineEdit>(w, u"付汇联号"_s);
        QVERIFY(copy);
        QCOMPARE(copy->text(), u"FH-7788"_s);
        QCOMPARE(Fixture::text(w, JobTag::VerificationNumber), u"FH-7788"_s);
    }

    // 另存为... copies the job, not what finance has received and paid for it.
    void saveAsStartsWithoutFinance()
    {
        const QString number = importJob();
        exec(u"update 财务 set "_s + SettlingFlags.arg(u"1"_s) + u" where 业务编号='"_s + number + u'\'');
        CargoJobWindow *w = openImport(number);
        QVERIFY(w->Form()->check(1020)->isChecked());
        f.answerNewNumber(u"SI-COPY-01"_s);
        QVERIFY(Fixture::press(w, u"另存为..."_s));
        QCOMPARE(f.tabs()->count(), 3);
        QCOMPARE(Fixture::text(w, JobTag::Number), u"SI-COPY-01"_s);
        QCOMPARE(Fixture::text(w, JobTag::Client), f.value(u"select 委托人 from 货运进口基本信息 where 业务编号='"_s
                                                          + number + u'\''));
        for (int flag : {1020, 1050, 1070, 1090, 1110, 1130, 1150})
            QVERIFY2(!w->Form()->check(flag)->isChecked(), qPrintable(QString::number(flag)));
        QVERIFY(!w->findChild<QRadioButton *>(u"已结单"_s)->isChecked());
    }

    // A date of the read-only finance block that cannot be read is reported;
    // the job opens.
    void unreadableFinanceDateStillOpensTheJob()
    {
        const QString number = importJob(1);
        exec(u"update 财务 set 美元收款日='not a date' where 业务编号='"_s + number + u'\'');
        CargoJobWindow *w = openImport(number);
        QCOMPARE(f.tabs()->tabText(1), u"进口业务_"_s + number);
        QCOMPARE(Fixture::text(w, JobTag::Client), f.value(u"select 委托人 from 货运进口基本信息 where 业务编号='"_s
                                                          + number + u'\''));
        QCOMPARE(messages.messages.size(), 1);
        QVERIFY2(messages.lastText().startsWith(u"出错"_s), qPrintable(messages.lastText()));
    }

    // A new job's status groups start at their first item, whatever the job
    // shown before; the texts a new job takes over stay.
    void newJobStartsAtTheFirstStatus()
    {
        const QString number = importJob(2);
        exec(u"update 货运进口基本信息 set 做箱情况='1' where 业务编号='"_s + number + u'\'');
        CargoJobWindow *w = openImport(number);
        auto *packed = qobject_cast<RadioGroup *>(w->Form()->field(500));
        QVERIFY(packed);
        QCOMPARE(packed->itemIndex(), 1);
        const QString goods = Fixture::text(w, JobTag::GoodsShort);
        f.answerNewNumber(u"SI-NEW-77"_s);
        f.main->Action(TMainFrm::Item::ImportNew)->trigger();
        QCOMPARE(Fixture::text(w, JobTag::Number), u"SI-NEW-77"_s);
        QCOMPARE(packed->itemIndex(), 0);
        QCOMPARE(Fixture::text(w, JobTag::GoodsShort), goods);
    }
};

int main(int argc, char **argv)
{
    KorvanApplication app(argc, argv);
    TestJobResults test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_jobresults.moc"
