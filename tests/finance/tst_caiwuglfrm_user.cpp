// A finance manager's day, driven as the user drives it: 郑芳 opens a demo
// export job in 财务核算 > 打开业务, looks at its fees, ticks 已收, types the
// USD invoice's amount and saves; logged in again as the job's operator,
// the export job shows 已收 in its finance block. Fields are found by caption.

#include "cargojobfixture.h"
#include "currentuser.h"
#include "feedetailsdialog.h"
#include "korvanapplication.h"
#include "recordingmessageservice.h"
#include "tcaiwuglfrm.h"
#include "thychukoufrm.h"

#include <QAction>
#include <QCheckBox>
#include <QTabWidget>

class TestCaiWuGLFrmUser : public QObject
{
    Q_OBJECT

    CargoJobFixture<TCaiWuGLFrm> f{JobKind::Finance, TMainFrm::Item::FinanceOpen};
    RecordingMessageService messages;

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(f.start(u"zhengfang"_s, u"123456"_s, &error), qPrintable(error));
        QCOMPARE(CommFunU::CurrentUser().Position, u"财务经理"_s);
    }

    void aFinanceManagersDay()
    {
        // A job of 赵敏's whose client has not paid in dollars yet.
        const QString number = f.value(u"select top 1 业务编号 from 货运出口基本信息 where 操作员='赵敏' and 业务编号 "
                                       u"not in (select 业务编号 from 财务 where 已收1='1') order by 业务编号 desc"_s);
        QVERIFY(!number.isEmpty());

        // 财务核算 > 打开业务, the number and Enter.
        f.main->Action(TMainFrm::Item::FinanceOpen)->trigger();
        QCOMPARE(f.tabs()->tabText(1), u"财务管理"_s);
        QCOMPARE(f.window()->windowTitle(), u"财务管理"_s);
        f.typeInto(f.field<QLineEdit>(u"业务编号"_s), number, true);
        QCOMPARE(f.tabs()->tabText(1), u"出口业务_"_s + number);
        QCOMPARE(f.field<QLineEdit>(u"操作员"_s)->text(), u"赵敏"_s);
        QVERIFY(!f.field<QLineEdit>(u"业务编号"_s)->isEnabled());

        // 费用明细 shows the job's fees; closing it asks nothing.
        QString feesTitle;
        ModalHelper::onNextModal([&](QWidget *modal) {
            QTest::qWait(50); // the fees load once the dialog shows
            feesTitle = modal->windowTitle();
            ModalHelper::pressButton(modal, u"返回"_s);
        });
        QVERIFY(f.pressOnPage(u"费用明细"_s));
        QCOMPARE(feesTitle, u"费用明细(出口)_"_s + number);
        f.main->activateWindow(); // as the desktop does once the dialog is gone
        QTRY_COMPARE(QApplication::activeWindow(), f.main.get());

        // 状态信息: tick 已收 (dollars).
        f.window()->Pages()->setCurrentIndex(TCaiWuGLFrm::StatusPage);
        auto *received = f.field<QCheckBox>(u"已收"_s);
        QTest::mouseClick(received, Qt::LeftButton, {}, QPoint(8, received->height() / 2)); // on the box
        QVERIFY(f.window()->Modified());
        // 美元发票: the amount typed and left; the total and the words follow.
        f.window()->Pages()->setCurrentIndex(TCaiWuGLFrm::UsdInvoicePage);
        auto *amount = f.field<QLineEdit>(u"金额"_s);
        f.typeInto(amount, u"1234.5"_s);
        QTest::keyClick(amount, Qt::Key_Tab);
        QCOMPARE(amount->text(), u"1,234.500"_s);
        QCOMPARE(f.field<QLineEdit>(u"合计"_s)->text(), u"USD1,234.500"_s);
        QCOMPARE(f.field<QLineEdit>(u"金额合计大写"_s)->text(), u"美圆壹仟贰佰叁拾肆圆伍角"_s);
        // Letters in an amount are refused when it is left, not read as 12.
        messages.clear();
        f.typeInto(amount, u"12a"_s);
        QTest::keyClick(amount, Qt::Key_Tab);
        QVERIFY2(messages.lastText().startsWith(u"值过大或无效!12a"_s), qPrintable(messages.lastText() + u" / "_s + amount->text()));
        QVERIFY(messages.lastText().contains(u"金额: "_s));
        f.typeInto(amount, u"1234.5"_s);
        // Ctrl+S saves, as 保存 does.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(messages.lastText(), u"保存成功"_s);
        const QString key = u" from 财务 where 业务编号='"_s + number + u'\'';
        QCOMPARE(f.value(u"select 已收1"_s + key), u"1"_s);
        QCOMPARE(f.value(u"select 美元金额"_s + key), u"1234.500"_s);

        // 系统管理 > 重新登录 as the job's operator: the export job shows 已收.
        // The login asks for a password afresh, never showing 郑芳's.
        QString passwordShown = u"(not shown)"_s;
        ModalHelper::onNextModal([&passwordShown](QWidget *modal) {
            auto *login = qobject_cast<TloginFrm *>(modal);
            if (!login)
                return;
            passwordShown = login->PasswordEdit()->text();
            login->UserNameEdit()->setText(u"zhaomin"_s);
            login->PasswordEdit()->setText(u"123456"_s);
            ModalHelper::pressButton(login, u"确定"_s);
        });
        f.main->Action(TMainFrm::Item::ReLogin)->trigger();
        QCOMPARE(passwordShown, QString());
        QCOMPARE(CommFunU::CurrentUser().StaffName, u"赵敏"_s);
        QCOMPARE(f.tabs()->count(), 1);
        f.main->Action(TMainFrm::Item::ExportOpen)->trigger();
        auto *exportWindow = static_cast<THYChuKouFrm *>(f.main->JobWindowOf(JobKind::Export, false));
        f.typeInto(CaptionFinder::fieldAs<QLineEdit>(exportWindow, u"业务编号"_s), number, true);
        QCOMPARE(f.tabs()->tabText(1), u"出口业务_"_s + number);
        auto *shownThere = CaptionFinder::fieldAs<QCheckBox>(exportWindow, u"已收"_s);
        QVERIFY(shownThere && shownThere->isChecked());
        QVERIFY(!shownThere->isEnabled()); // the job window only shows it
    }
};

int main(int argc, char **argv)
{
    KorvanApplication app(argc, argv);
    TestCaiWuGLFrmUser test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_caiwuglfrm_user.moc"
