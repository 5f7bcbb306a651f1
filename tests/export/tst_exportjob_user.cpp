// A new user's day in the export job window, driven as the user drives it:
// log in as an export operator, open a demo job by its number, edit it, add
// containers, save, switch tabs and back, create a job and delete one. Every
// field is found by its caption.

#include "exportfixture.h"

#include "currentuser.h"
#include "korvanapplication.h"
#include "radiogroup.h"
#include "recordingmessageservice.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QToolButton>

class TestExportJobUser : public QObject
{
    Q_OBJECT

    ExportFixture f;
    RecordingMessageService messages;

    QWidget *page() const { return f.window(); }
    template <class T> T *field(const QString &caption) { return CaptionFinder::fieldAs<T>(page(), caption); }
    void typeInto(QWidget *field, const QString &text, bool enter = false)
    {
        field->setFocus();
        if (auto *edit = qobject_cast<QLineEdit *>(field))
            edit->clear();
        if (auto *combo = qobject_cast<QComboBox *>(field))
            combo->setEditText(QString());
        QTest::keyClicks(field, text);
        if (enter)
            QTest::keyClick(field, Qt::Key_Return);
    }
    void press(const QString &caption)
    {
        QVERIFY2(ModalHelper::pressButton(page(), caption), qPrintable(caption));
    }

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
                                       u"业务类型='整箱' order by 业务编号 desc"_s);
        const int cargoBefore = f.count(u"货运出口货物明细"_s, number);
        QVERIFY(!number.isEmpty());

        // 海运出口 > 打开业务, the number and Enter.
        f.main->Action(TMainFrm::Item::ExportOpen)->trigger();
        QCOMPARE(page()->windowTitle(), u"出口业务"_s);
        typeInto(field<QLineEdit>(u"业务编号"_s), number, true);
        QCOMPARE(f.tabs()->tabText(1), u"出口业务_"_s + number);
        QVERIFY(!field<QComboBox>(u"委托人"_s)->currentText().isEmpty());
        const QString client = field<QComboBox>(u"委托人"_s)->currentText();
        QVERIFY(messages.messages.isEmpty());

        // Edit it; Tab at the end of the first page goes on to the goods page
        // and Shift+Tab comes back; add three 40' HC containers.
        typeInto(field<QLineEdit>(u"委托编号"_s), u"REF-2026/7"_s);
        QTest::keyClick(field<QPlainTextEdit>(u"目的港代理"_s), Qt::Key_Tab);
        QCOMPARE(f.window()->Form()->pages()->currentIndex(), 1);
        QTest::keyClick(field<QPlainTextEdit>(u"标记和号码"_s), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(f.window()->Form()->pages()->currentIndex(), 0);
        QTest::keyClick(field<QPlainTextEdit>(u"目的港代理"_s), Qt::Key_Tab);
        const QString goods = field<QLineEdit>(u"货名简称"_s)->text();
        QTest::mouseClick(f.window()->Cargo()->sizePicker()->findChildren<QAbstractButton *>().at(1), Qt::LeftButton);
        QTest::mouseClick(f.window()->Cargo()->kindPicker()->findChildren<QAbstractButton *>().at(1), Qt::LeftButton);
        typeInto(field<QLineEdit>(u"新增箱数"_s), u"3"_s, true);
        QCOMPARE(f.window()->Cargo()->cargoRowCount(), cargoBefore + 3);
        QVERIFY(field<QLineEdit>(u"箱型箱量"_s)->text().contains(u"40'HC*3"_s));
        press(u"保存"_s);
        QCOMPARE(messages.lastText(), u"保存成功"_s);
        QCOMPARE(f.count(u"货运出口货物明细"_s, number), cargoBefore + 3);
        QCOMPARE(f.value(u"select 委托编号 from 货运出口基本信息 where 业务编号='"_s + number + u'\''), u"REF-2026/7"_s);

        // Away to the query page and back: the job is as it was left.
        f.pickTab(0);
        f.pickTab(1);
        QCOMPARE(field<QLineEdit>(u"委托编号"_s)->text(), u"REF-2026/7"_s);
        QCOMPARE(f.window()->Form()->pages()->currentIndex(), 1);
        QVERIFY(!f.window()->Modified());

        // 海运出口 > 新建业务: a number, a client by its code, save.
        f.answerNewNumber(u"se-new-01"_s);
        f.main->Action(TMainFrm::Item::ExportNew)->trigger();
        QCOMPARE(f.tabs()->count(), 3);
        QCOMPARE(field<QLineEdit>(u"业务编号"_s)->text(), u"SE-NEW-01"_s);
        QCOMPARE(field<QComboBox>(u"装货港"_s)->currentText(), u"SHANGHAI"_s);
        QCOMPARE(field<QLineEdit>(u"货名简称"_s)->text(), goods); // kept from the job shown last
        // A port by its number, and its country follows.
        const QString hamburg = f.value(u"select 港口编号 from 港口 where 港口名称='HAMBURG'"_s);
        typeInto(field<QComboBox>(u"目的港"_s), hamburg, true);
        QCOMPARE(field<QComboBox>(u"目的港"_s)->currentText(), u"HAMBURG"_s);
        QCOMPARE(field<QComboBox>(u"运抵国"_s)->currentText(), u"德国"_s);
        typeInto(field<QComboBox>(u"委托人"_s), u"HXFZ"_s, true);
        QCOMPARE(field<QComboBox>(u"委托人"_s)->currentText(), u"华星纺织"_s);
        QCOMPARE(field<QComboBox>(u"业务员"_s)->currentText(), u"刘洋"_s);
        QVERIFY(f.window()->Modified());
        press(u"保存"_s);
        QCOMPARE(f.tabs()->tabText(2), u"出口业务_SE-NEW-01"_s);
        QCOMPARE(f.value(u"select 操作员 from 货运出口基本信息 where 业务编号='SE-NEW-01'"_s), u"赵敏"_s);

        // Delete it: asked first, the tab closes, the first job shows again.
        messages.clear();
        press(u"删除业务"_s);
        QCOMPARE(messages.messages.first().text, u"是否要删除当前业务？"_s);
        QTRY_COMPARE(f.tabs()->count(), 2);
        QCOMPARE(f.count(u"货运出口基本信息"_s, u"SE-NEW-01"_s), 0);
        QCOMPARE(f.tabs()->currentIndex(), 1);
        QCOMPARE(field<QComboBox>(u"委托人"_s)->currentText(), client);

        // Closing an edited job asks whether to save it.
        typeInto(field<QLineEdit>(u"委托编号"_s), u"UNSAVED"_s);
        messages.answers = {MessageService::No};
        press(u"关闭本页"_s);
        QCOMPARE(messages.messages.last().text, u"当前业务已修改，是否保存？"_s);
        QTRY_COMPARE(f.tabs()->count(), 1);
        QCOMPARE(f.value(u"select 委托编号 from 货运出口基本信息 where 业务编号='"_s + number + u'\''), u"REF-2026/7"_s);
    }
};

int main(int argc, char **argv)
{
    KorvanApplication app(argc, argv);
    TestExportJobUser test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_exportjob_user.moc"
