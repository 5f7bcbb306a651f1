// A new user's day in the import job window, driven as she drives it: log in
// as the import operator, open one of her demo jobs by its number, edit it,
// add containers, save, create a job and delete it.
// Every field is found by its caption.

#include "importfixture.h"

#include "currentuser.h"
#include "korvanapplication.h"
#include "recordingmessageservice.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>

class TestImportJobUser : public QObject
{
    Q_OBJECT

    ImportFixture f;
    RecordingMessageService messages;

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(f.start(u"wuxia"_s, u"123456"_s, &error), qPrintable(error));
        QCOMPARE(CommFunU::CurrentUser().StaffName, u"吴霞"_s);
    }

    void anImportOperatorsDay()
    {
        const QString number = f.value(u"select top 1 业务编号 from 货运进口基本信息 where 操作员='吴霞' "
                                       u"order by 业务编号 desc"_s);
        QVERIFY(!number.isEmpty());
        const int cargoBefore = f.count(u"货运进口货物明细"_s, number);

        // 海运进口 > 打开业务, the number and Enter.
        f.main->Action(TMainFrm::Item::ImportOpen)->trigger();
        QCOMPARE(f.window()->windowTitle(), u"进口业务"_s);
        // Enter goes down in 业务编号 and comes up in 委托人, where the job
        // puts the focus: the job stays as stored.
        auto *numberField = f.field<QLineEdit>(u"业务编号"_s);
        f.typeInto(numberField, number);
        QTest::keyPress(numberField, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), f.field<QComboBox>(u"委托人"_s));
        QTest::keyRelease(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(f.tabs()->tabText(1), u"进口业务_"_s + number);
        QCOMPARE(f.field<QPlainTextEdit>(u"发货人"_s)->toPlainText(),
                 f.value(u"select 发货人 from 货运进口基本信息 where 业务编号='"_s + number + u'\''));
        QVERIFY(!f.window()->Modified());
        const QString client = f.field<QComboBox>(u"委托人"_s)->currentText();
        QVERIFY(!client.isEmpty());
        QVERIFY(messages.messages.isEmpty());

        // Edit it; on to the goods page with Tab; two 20' GP containers.
        f.typeInto(f.field<QLineEdit>(u"委托编号"_s), u"IMP-2026/3"_s);
        QTest::keyClick(f.field<QPlainTextEdit>(u"目的港代理"_s), Qt::Key_Tab);
        QCOMPARE(f.window()->Form()->pages()->currentIndex(), 1);
        f.typeInto(f.field<QLineEdit>(u"新增箱数"_s), u"2"_s, true);
        QCOMPARE(f.window()->Cargo()->cargoRowCount(), cargoBefore + 2);
        QVERIFY(f.field<QLineEdit>(u"箱型箱量"_s)->text().contains(u"20'GP*"_s));
        // Ctrl+S saves, as 保存 does.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(messages.lastText(), u"保存成功"_s);
        QCOMPARE(f.count(u"货运进口货物明细"_s, number), cargoBefore + 2);
        QCOMPARE(f.value(u"select 委托编号 from 货运进口基本信息 where 业务编号='"_s + number + u'\''), u"IMP-2026/3"_s);

        // 海运进口 > 新建业务: arriving in Shanghai; the port of loading by its
        // number gives the country of departure; the client by its code.
        f.answerNewNumber(u"si-new-01"_s);
        f.main->Action(TMainFrm::Item::ImportNew)->trigger();
        QCOMPARE(f.tabs()->count(), 3);
        QCOMPARE(f.field<QLineEdit>(u"业务编号"_s)->text(), u"SI-NEW-01"_s);
        QCOMPARE(f.field<QComboBox>(u"目的港"_s)->currentText(), u"SHANGHAI"_s);
        QCOMPARE(f.field<QComboBox>(u"卸货港"_s)->currentText(), u"SHANGHAI"_s);
        const QString hamburg = f.value(u"select 港口编号 from 港口 where 港口名称='HAMBURG'"_s);
        f.typeInto(f.field<QComboBox>(u"装货港"_s), hamburg, true);
        QCOMPARE(f.field<QComboBox>(u"装货港"_s)->currentText(), u"HAMBURG"_s);
        QCOMPARE(f.field<QComboBox>(u"启运国"_s)->currentText(), u"德国"_s);
        f.typeInto(f.field<QComboBox>(u"委托人"_s), u"HXFZ"_s, true);
        QCOMPARE(f.field<QComboBox>(u"委托人"_s)->currentText(), u"华星纺织"_s);
        QCOMPARE(f.field<QComboBox>(u"业务员"_s)->currentText(), u"刘洋"_s);
        QVERIFY(f.pressOnPage(u"保存"_s));
        QCOMPARE(f.tabs()->tabText(2), u"进口业务_SI-NEW-01"_s);
        QCOMPARE(f.value(u"select 操作员 from 货运进口基本信息 where 业务编号='SI-NEW-01'"_s), u"吴霞"_s);
        QCOMPARE(f.value(u"select 运抵国 from 货运进口基本信息 where 业务编号='SI-NEW-01'"_s), u"德国"_s);

        // Delete it: asked first, the tab closes, her first job shows again.
        messages.clear();
        QVERIFY(f.pressOnPage(u"删除业务"_s));
        QCOMPARE(messages.messages.first().text, u"是否要删除当前业务？"_s);
        QTRY_COMPARE(f.tabs()->count(), 2);
        QCOMPARE(f.count(u"货运进口基本信息"_s, u"SI-NEW-01"_s), 0);
        QCOMPARE(f.field<QComboBox>(u"委托人"_s)->currentText(), client);
    }
};

int main(int argc, char **argv)
{
    KorvanApplication app(argc, argv);
    TestImportJobUser test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_importjob_user.moc"
