// A new user's day in the export job window, driven as the user drives it:
// log in as an export operator, open a demo job by its number, edit it, add
// containers, save, switch tabs and back, create a job and delete one, hand
// the desk over by 重新登录. Every field is found by its caption.

#include "exportfixture.h"

#include "currentuser.h"
#include "korvanapplication.h"
#include "radiogroup.h"
#include "recordingmessageservice.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QToolButton>

class TestExportJobUser : public QObject
{
    Q_OBJECT

    ExportFixture f;
    RecordingMessageService messages;

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(f.start(u"zhaomin"_s, u"123456"_s, &error), qPrintable(error));
        QCOMPARE(CommFunU::CurrentUser().StaffName, u"赵敏"_s);
    }

    void anOperatorsDay()
    {
        const QString number = f.value(u"select top 1 业务编号 from 货运出口基本信息 where 操作员='赵敏' and "
                                       u"业务类型='整箱' and 箱型箱量 not like '%40''HC%' order by 业务编号 desc"_s);
        const int cargoBefore = f.count(u"货运出口货物明细"_s, number);
        // The demo job may have 40' HC containers already.
        const int highCubes = f.value(u"select count(*) from 货运出口货物明细 where 箱类型='40''HC' and 业务编号='"_s
                                      + number + u'\'').toInt();
        QVERIFY(!number.isEmpty());

        // 海运出口 > 打开业务, the number and Enter.
        f.main->Action(TMainFrm::Item::ExportOpen)->trigger();
        QCOMPARE(f.window()->windowTitle(), u"出口业务"_s);
        f.typeInto(f.field<QLineEdit>(u"业务编号"_s), number, true);
        QCOMPARE(f.tabs()->tabText(1), u"出口业务_"_s + number);
        QVERIFY(!f.field<QComboBox>(u"委托人"_s)->currentText().isEmpty());
        const QString client = f.field<QComboBox>(u"委托人"_s)->currentText();
        QVERIFY(messages.messages.isEmpty());

        // Edit it; Tab at the end of the first page goes on to the goods page
        // and Shift+Tab comes back; add three 40' HC containers.
        f.typeInto(f.field<QLineEdit>(u"委托编号"_s), u"REF-2026/7"_s);
        QTest::keyClick(f.field<QPlainTextEdit>(u"目的港代理"_s), Qt::Key_Tab);
        QCOMPARE(f.window()->Form()->pages()->currentIndex(), 1);
        QTest::keyClick(f.field<QPlainTextEdit>(u"标记和号码"_s), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(f.window()->Form()->pages()->currentIndex(), 0);
        QTest::keyClick(f.field<QPlainTextEdit>(u"目的港代理"_s), Qt::Key_Tab);
        const QString goods = f.field<QLineEdit>(u"货名简称"_s)->text();
        QTest::mouseClick(f.window()->Cargo()->sizePicker()->findChildren<QAbstractButton *>().at(1), Qt::LeftButton);
        QTest::mouseClick(f.window()->Cargo()->kindPicker()->findChildren<QAbstractButton *>().at(1), Qt::LeftButton);
        f.typeInto(f.field<QLineEdit>(u"新增箱数"_s), u"3"_s, true);
        QCOMPARE(f.window()->Cargo()->cargoRowCount(), cargoBefore + 3);
        QVERIFY(f.field<QLineEdit>(u"箱型箱量"_s)->text().contains(u"40'HC*"_s + QString::number(highCubes + 3)));
        QVERIFY(f.pressOnPage(u"保存"_s));
        QCOMPARE(messages.lastText(), u"保存成功"_s);
        QCOMPARE(f.count(u"货运出口货物明细"_s, number), cargoBefore + 3);
        QCOMPARE(f.value(u"select 委托编号 from 货运出口基本信息 where 业务编号='"_s + number + u'\''), u"REF-2026/7"_s);

        // Away to the query page and back: the job is as it was left.
        f.pickTab(0);
        f.pickTab(1);
        QCOMPARE(f.field<QLineEdit>(u"委托编号"_s)->text(), u"REF-2026/7"_s);
        QCOMPARE(f.window()->Form()->pages()->currentIndex(), 1);
        QVERIFY(!f.window()->Modified());

        // 海运出口 > 新建业务: a number, a client by its code, save.
        f.answerNewNumber(u"se-new-01"_s);
        f.main->Action(TMainFrm::Item::ExportNew)->trigger();
        QCOMPARE(f.tabs()->count(), 3);
        QCOMPARE(f.field<QLineEdit>(u"业务编号"_s)->text(), u"SE-NEW-01"_s);
        QCOMPARE(f.field<QComboBox>(u"装货港"_s)->currentText(), u"SHANGHAI"_s);
        QCOMPARE(f.field<QLineEdit>(u"货名简称"_s)->text(), goods); // kept from the job shown last
        // A port by its number, and its country follows.
        const QString hamburg = f.value(u"select 港口编号 from 港口 where 港口名称='HAMBURG'"_s);
        f.typeInto(f.field<QComboBox>(u"目的港"_s), hamburg, true);
        QCOMPARE(f.field<QComboBox>(u"目的港"_s)->currentText(), u"HAMBURG"_s);
        QCOMPARE(f.field<QComboBox>(u"运抵国"_s)->currentText(), u"德国"_s);
        f.typeInto(f.field<QComboBox>(u"委托人"_s), u"HXFZ"_s, true);
        QCOMPARE(f.field<QComboBox>(u"委托人"_s)->currentText(), u"华星纺织"_s);
        QCOMPARE(f.field<QComboBox>(u"业务员"_s)->currentText(), u"刘洋"_s);
        QVERIFY(f.window()->Modified());
        QVERIFY(f.pressOnPage(u"保存"_s));
        QCOMPARE(f.tabs()->tabText(2), u"出口业务_SE-NEW-01"_s);
        QCOMPARE(f.value(u"select 操作员 from 货运出口基本信息 where 业务编号='SE-NEW-01'"_s), u"赵敏"_s);

        // Delete it: asked first, the tab closes, the first job shows again.
        messages.clear();
        QVERIFY(f.pressOnPage(u"删除业务"_s));
        QCOMPARE(messages.messages.first().text, u"是否要删除当前业务？"_s);
        QTRY_COMPARE(f.tabs()->count(), 2);
        QCOMPARE(f.count(u"货运出口基本信息"_s, u"SE-NEW-01"_s), 0);
        QCOMPARE(f.tabs()->currentIndex(), 1);
        QCOMPARE(f.field<QComboBox>(u"委托人"_s)->currentText(), client);

        // Closing an edited job asks whether to save it.
        f.typeInto(f.field<QLineEdit>(u"委托编号"_s), u"UNSAVED"_s);
        messages.answers = {MessageService::No};
        QVERIFY(f.pressOnPage(u"关闭本页"_s));
        QCOMPARE(messages.messages.last().text, u"当前业务已修改，是否保存？"_s);
        QTRY_COMPARE(f.tabs()->count(), 1);
        QCOMPARE(f.value(u"select 委托编号 from 货运出口基本信息 where 业务编号='"_s + number + u'\''), u"REF-2026/7"_s);
    }

    // 重新登录 takes the export window away and 海运出口 > 拼箱处理 with it:
    // the item follows the export window that is open, never one that is gone.
    void aReLoginTakesTheLclItemWithTheWindow()
    {
        messages.clear();
        const QString lclJob = f.value(u"select top 1 业务编号 from 货运出口基本信息 where 操作员='赵敏' and "
                                       u"业务类型 in ('货代自拼箱', '客户自拼箱') order by 业务编号"_s);
        QVERIFY(!lclJob.isEmpty());
        QAction *lcl = f.main->Action(TMainFrm::Item::ExportLclProcessing);
        f.main->Action(TMainFrm::Item::ExportOpen)->trigger();
        const QPointer<QWidget> window = f.window();
        f.typeInto(f.field<QLineEdit>(u"业务编号"_s), lclJob, true);
        QCOMPARE(f.tabs()->tabText(1), u"出口业务_"_s + lclJob);
        QVERIFY(lcl->isEnabled()); // an LCL job: the item does what 拼箱操作 of the page does

        // The department manager takes over the desk.
        QVERIFY(f.reLogin(u"lihua"_s, u"123456"_s));
        QCOMPARE(f.tabs()->count(), 1);
        QTRY_VERIFY(window.isNull());
        QVERIFY(!lcl->isEnabled());
        QVERIFY2(messages.messages.isEmpty(), qPrintable(messages.lastText()));

        // Her own export window enables it again for the same job.
        f.main->Action(TMainFrm::Item::ExportOpen)->trigger();
        f.typeInto(f.field<QLineEdit>(u"业务编号"_s), lclJob, true);
        QCOMPARE(f.tabs()->tabText(1), u"出口业务_"_s + lclJob);
        QVERIFY(lcl->isEnabled());
        QVERIFY2(messages.messages.isEmpty(), qPrintable(messages.lastText()));
    }
};

int main(int argc, char **argv)
{
    KorvanApplication app(argc, argv);
    TestExportJobUser test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_exportjob_user.moc"
