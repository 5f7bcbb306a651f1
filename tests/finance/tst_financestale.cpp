// 郑芳 (财务经理) saves a finance page whose 财务 row changed after the page
// loaded it: 黄燕 refunded the commission from her own client, or 郑芳 saved
// the same job from a second finance tab. The save writes nothing, says who
// changed the row, and the refund flags and dates stay.

#include "cargojobfixture.h"
#include "recordingmessageservice.h"
#include "tcaiwuglfrm.h"
#include "tyongjinfrm.h"

#include <QCheckBox>
#include <QLineEdit>

class TestFinanceStale : public QObject
{
    Q_OBJECT

    CargoJobFixture<TCaiWuGLFrm> f{JobKind::Finance, TMainFrm::Item::FinanceOpen};
    RecordingMessageService messages;
    std::unique_ptr<ServerConnection> other;

    TCaiWuGLFrm *open(const QString &number)
    {
        f.main->Action(TMainFrm::Item::FinanceOpen)->trigger();
        f.typeInto(f.field<QLineEdit>(u"业务编号"_s), number, true);
        return f.window();
    }
    void tick(const QString &caption)
    {
        f.window()->Pages()->setCurrentIndex(TCaiWuGLFrm::StatusPage);
        auto *box = f.field<QCheckBox>(caption);
        QVERIFY2(box, qPrintable(caption));
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    }

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(f.start(u"zhengfang"_s, u"123456"_s, &error), qPrintable(error));
        other = f.server.connect();
        const std::optional<QString> login = other->login(u"huangyan"_s, u"123456"_s);
        QVERIFY(login && !login->startsWith(u"Err"_s));
    }

    void cleanup()
    {
        messages.answers.clear();
        f.closeJobTabs();
        messages.clear();
    }

    void aChangedFinanceRowIsNotOverwritten_data()
    {
        QTest::addColumn<bool>("refund");
        QTest::addColumn<QString>("who");
        QTest::newRow("refunded by 黄燕") << true << u"黄燕"_s;
        QTest::newRow("saved from another tab") << false << u"郑芳"_s;
    }
    void aChangedFinanceRowIsNotOverwritten()
    {
        QFETCH(bool, refund);
        QFETCH(QString, who);
        const QString number = f.value(u"select top 1 业务编号 from 财务 where 已退6<>'1' and 已收1<>'1' and 业务编号 in "
                                       u"(select 业务编号 from 货运出口基本信息) order by 业务编号 "_s
                                       + (refund ? u"desc"_s : u"asc"_s));
        QVERIFY(!number.isEmpty());
        const QString key = u" from 财务 where 业务编号='"_s + number + u'\'';
        TCaiWuGLFrm *w = open(number);
        QCOMPARE(f.tabs()->tabText(1), u"出口业务_"_s + number);
        if (refund) {
            const QString answer = other->execSql(TYongJinFrm::RefundStatement(number, u"2026-12-09"_s), QString());
            QVERIFY2(!answer.startsWith(u"Err"_s), qPrintable(answer));
        } else {
            open(number);
            tick(u"已收"_s);
            QVERIFY(f.pressOnPage(u"保存"_s));
            QCOMPARE(messages.lastText(), u"保存成功"_s);
            f.pickTab(1);
        }
        const QString storedBefore = f.value(u"select 已退6||'/'||已收1||'/'||已收2"_s + key);
        messages.clear();
        tick(u"已收"_s);
        f.window()->Pages()->setCurrentIndex(TCaiWuGLFrm::StatusPage);
        messages.answers = {MessageService::No}; // keeps editing
        QVERIFY(f.pressOnPage(u"保存"_s));
        // Only a 总经理 reads the audit trail: a finance user is told that
        // somebody else changed the row, without a name.
        Q_UNUSED(who);
        QVERIFY2(messages.said(u"此业务的财务信息已被其他用户修改"_s), qPrintable(messages.lastText()));
        QVERIFY(!messages.said(u"保存成功"_s));
        QCOMPARE(f.value(u"select 已退6||'/'||已收1||'/'||已收2"_s + key), storedBefore);
        if (refund)
            QVERIFY(storedBefore.startsWith(u"1/"_s));
        QVERIFY(w->Modified());
        // Reloaded, the page shows the stored row and saves over it no more
        // than the user changes.
        messages.answers = {MessageService::Yes, MessageService::Yes};
        QVERIFY(f.pressOnPage(u"保存"_s));
        QVERIFY(!w->Modified());
        tick(u"已收"_s);
        QVERIFY(f.pressOnPage(u"保存"_s));
        QCOMPARE(messages.lastText(), u"保存成功"_s);
        if (refund)
            QCOMPARE(f.value(u"select 已退6"_s + key), u"1"_s);
    }
};

QTEST_MAIN(TestFinanceStale)
#include "tst_financestale.moc"
