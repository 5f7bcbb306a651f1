// The client as the program wires it, on a demo database. 最近业务: the jobs
// an operator opens, newest first, kept on the client for that user across a
// re-login as someone else; choosing one opens its page. And the export fee
// details opened from the job window carry 查运价.

#include "cargojobfixture.h"
#include "currentuser.h"
#include "jobpages.h"
#include "recentjobs.h"
#include "tchayunjiafrm.h"
#include "thychukoufeiyongmxfrm.h"
#include "thychukoufrm.h"
#include "tywdata.h"

#include <QPushButton>

#include <QAction>
#include <QMenu>

namespace {

QStringList captions(const QMenu *menu)
{
    QStringList out;
    for (const QAction *a : menu->actions())
        out << a->text();
    return out;
}

} // namespace

class TestRecentJobs : public QObject
{
    Q_OBJECT

    CargoJobFixture<THYChuKouFrm> f{JobKind::Export, TMainFrm::Item::ExportOpen};

    void reLogin(const QString &user)
    {
        ModalHelper::onNextModal([user](QWidget *modal) {
            auto *login = qobject_cast<TloginFrm *>(modal);
            if (!login)
                return;
            login->UserNameEdit()->setText(user);
            login->PasswordEdit()->setText(u"123456"_s);
            ModalHelper::pressButton(login, u"确定"_s);
        });
        f.main->ReLogin();
        if (!QTest::qWaitFor([&] { return CommFunU::CurrentUser().UserName == user; }, 10000))
            qWarning("the re-login did not finish");
    }

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(f.start(u"zhaomin"_s, u"123456"_s, &error), qPrintable(error));
    }

    void newestFirstAcrossReLogin()
    {
        QMenu *recent = f.main->RecentJobsMenu();
        QVERIFY(!recent->menuAction()->isEnabled()); // nothing opened yet
        const QList<QStringList> jobs = f.rows(u"select top 3 业务编号 from 货运出口基本信息 where 操作员='赵敏' order by 业务编号"_s);
        QCOMPARE(jobs.size(), 3);
        for (const QStringList &job : jobs)
            QVERIFY(CommFunU::OpenExportJob(job.value(0)));
        // The first one again: it moves to the top, once.
        QVERIFY(CommFunU::OpenExportJob(jobs.at(0).value(0)));
        const QStringList expected{u"出口业务_"_s + jobs.at(0).value(0), u"出口业务_"_s + jobs.at(2).value(0),
                                   u"出口业务_"_s + jobs.at(1).value(0)};
        QCOMPARE(captions(recent), expected);
        QVERIFY(recent->menuAction()->isEnabled());

        reLogin(u"wuxia"_s);
        QVERIFY(captions(recent).isEmpty());
        QVERIFY(!recent->menuAction()->isEnabled());

        reLogin(u"zhaomin"_s);
        QCOMPARE(captions(recent), expected);
        QCOMPARE(f.tabs()->count(), 1); // the re-login closed the pages
        recent->actions().at(2)->trigger();
        QCOMPARE(f.tabs()->count(), 2);
        QCOMPARE(f.tabs()->tabText(1), expected.at(2));
        QCOMPARE(captions(recent).value(0), expected.at(2));
    }

    void exportFeeDetailsLookRatesUp()
    {
        const QString number = f.value(u"select top 1 业务编号 from 货运出口基本信息 where 操作员='赵敏' order by 业务编号"_s);
        THYChuKouFrm *w = f.open(number);
        bool lookedUp = false;
        ModalHelper::onNextModal([&](QWidget *modal) {
            auto *fees = qobject_cast<THYChukouFeiYongMXFrm *>(modal);
            if (!fees) {
                modal->close();
                return;
            }
            ModalHelper::onNextModal([&](QWidget *inner) {
                auto *lookup = qobject_cast<TChaYunJiaFrm *>(inner);
                // The job's own demo rates: valid on its 船期, to its 目的港.
                lookedUp = lookup && QTest::qWaitFor([&] { return lookup->grid()->rowCount() > 1; }, 5000)
                           && lookup->grid()->cell(1, 4) == f.value(u"select 目的港 from 货运出口基本信息 where 业务编号='"_s
                                                                    + number + u'\'');
                inner->close();
            });
            for (QPushButton *b : fees->findChildren<QPushButton *>()) {
                if (b->text() == u"查运价"_s)
                    b->click();
            }
            fees->reject();
        });
        QVERIFY(CargoJobFixture<THYChuKouFrm>::press(w, u"费用明细"_s));
        QVERIFY(lookedUp);
        f.closeJobTabs();
    }

    // A finance page is captioned as the job's export page is: 详细 of the
    // export job opens its export page, never the finance page.
    void financePageIsNotTheExportPage()
    {
        reLogin(u"wangjun"_s);
        const QString number = f.value(u"select top 1 业务编号 from 货运出口基本信息 order by 业务编号 desc"_s);
        QVERIFY(CommFunU::OpenFinanceJob(number));
        QCOMPARE(f.tabs()->count(), 2);
        JobWindow *finance = f.main->JobWindowOf(JobKind::Finance, false);
        QVERIFY(finance);
        QCOMPARE(f.tabs()->currentPage()->Window, finance);
        QVERIFY(CommFunU::OpenExportJob(number));
        QCOMPARE(f.tabs()->count(), 3);
        QCOMPARE(f.tabs()->currentPage()->Window, f.main->JobWindowOf(JobKind::Export, false));
        // Both are in 最近业务, the export page first.
        QCOMPARE(captions(f.main->RecentJobsMenu()).mid(0, 2),
                 (QStringList{u"出口业务_"_s + number, u"财务管理_"_s + number}));
        f.closeJobTabs();
    }

    void listKeepsTenAndSkipsWhatItCannotRead()
    {
        RecentJobs store(u"recent-test.txt"_s);
        for (int i = 0; i < 12; ++i)
            store.note(u"u1"_s, {1 + i % 3, u"N'"_s + QString::number(i) + u":x"_s});
        const QList<RecentJobs::Entry> entries = store.of(u"u1"_s);
        QCOMPARE(entries.size(), RecentJobs::Limit);
        QCOMPARE(entries.first().number, u"N'11:x"_s);
        QCOMPARE(entries.first().kind, 3);
        QVERIFY(store.of(u"u2"_s).isEmpty());
        QFile file(u"recent-test.txt"_s);
        QVERIFY(file.open(QIODevice::Append));
        file.write("u3=9:bad\xef\xbf\xbd" "1:\r\nu4=1:OK\r\n");
        file.close();
        QVERIFY(store.of(u"u3"_s).isEmpty());
        QCOMPARE(store.of(u"u4"_s).value(0).number, u"OK"_s);
    }
};

QTEST_MAIN(TestRecentJobs)
#include "tst_recentjobs.moc"
