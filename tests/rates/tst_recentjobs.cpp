// 最近业务 of the main window, as the program wires it, on a demo database:
// the jobs an operator opens, newest first, kept on the client for that user
// across a re-login as someone else; choosing one opens its page.

#include "cargojobfixture.h"
#include "currentuser.h"
#include "jobpages.h"
#include "recentjobs.h"
#include "thychukoufrm.h"

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
