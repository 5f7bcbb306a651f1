// Typing at the desk in the export job window, as 赵敏 (操作员, export) does:
// amounts that start as "0.000" replaced by what is typed after a click or
// Tab, a text that is no amount refused and never stored as another number,
// a count carried over from the job before replaced the same way, and
// Ctrl+S saving.

#include "exportfixture.h"

#include "captionname.h"
#include "currentuser.h"
#include "recordingmessageservice.h"
#include "values.h"

#include <QAction>
#include <QLineEdit>
#include <QTabWidget>

namespace {

// Shows the page of the job window that holds field.
void showPageOf(CargoJobWindow *w, QWidget *field)
{
    QTabWidget *pages = w->Form()->pages();
    for (int i = 0; i < pages->count(); ++i) {
        if (pages->widget(i)->isAncestorOf(field))
            pages->setCurrentIndex(i);
    }
}

// The field before edit in the Tab order, so that a Tab from it enters edit.
QWidget *tabStopBefore(QWidget *edit)
{
    for (QWidget *w = edit->previousInFocusChain(); w && w != edit; w = w->previousInFocusChain()) {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisible() && w->isEnabled())
            return w;
    }
    return nullptr;
}

// A click into the text, towards its start, as a user clicks a field.
void clickInto(QLineEdit *edit)
{
    QTest::mouseClick(edit, Qt::LeftButton, {}, QPoint(6, edit->height() / 2));
}

void tabInto(QLineEdit *edit)
{
    QWidget *before = tabStopBefore(edit);
    QVERIFY(before);
    before->setFocus();
    QTest::keyClick(before, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), edit);
}

} // namespace

class TestDeskEntryUser : public QObject
{
    Q_OBJECT

    ExportFixture f;
    RecordingMessageService messages;
    QString m_number;

    QString stored(const QString &column) const
    {
        return f.value(u"select "_s + column + u" from 货运出口基本信息 where 业务编号='"_s + m_number + u'\'');
    }

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(f.start(u"zhaomin"_s, u"123456"_s, &error), qPrintable(error));
        QCOMPARE(CommFunU::CurrentUser().StaffName, u"赵敏"_s);
        m_number = f.value(u"select top 1 业务编号 from 货运出口基本信息 where 操作员='赵敏' order by 业务编号 desc"_s);
        QVERIFY(!m_number.isEmpty());
        f.main->Action(TMainFrm::Item::ExportOpen)->trigger();
        f.typeInto(f.field<QLineEdit>(u"业务编号"_s), m_number, true);
        QCOMPARE(f.tabs()->tabText(1), u"出口业务_"_s + m_number);
    }

    void typedAmountReplacesText_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("byClick");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("column");
        // With the cursor inside "0.000" the digits merged: 15480.5 became
        // 0.000 and 98.6 became 0.001.
        QTest::newRow("总毛重 after a click") << u"总毛重(KGS)"_s << true << u"15480.5"_s << u"15480.500"_s << u"毛重"_s;
        QTest::newRow("总尺码 after a click") << u"总尺码(CBM)"_s << true << u"98.6"_s << u"98.600"_s << u"尺码"_s;
        QTest::newRow("总毛重 after Tab") << u"总毛重(KGS)"_s << false << u"2,500"_s << u"2500.000"_s << u"毛重"_s;
        QTest::newRow("总尺码 after Tab") << u"总尺码(CBM)"_s << false << u"7"_s << u"7.000"_s << u"尺码"_s;
    }
    void typedAmountReplacesText()
    {
        QFETCH(QString, caption);
        QFETCH(bool, byClick);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(QString, column);
        auto *edit = f.field<QLineEdit>(caption);
        QVERIFY(edit);
        showPageOf(f.window(), edit);
        edit->setText(u"0.000"_s);
        if (byClick)
            clickInto(edit);
        else
            tabInto(edit);
        QCOMPARE(QApplication::focusWidget(), edit);
        QTest::keyClicks(edit, typed);
        QCOMPARE(edit->text(), typed);

        // Ctrl+S saves what was typed, read back from the database.
        messages.messages.clear();
        QTest::keyClick(edit, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(messages.lastText(), u"保存成功"_s);
        QCOMPARE(edit->text(), shown);
        QCOMPARE(CommFunU::NormalizeAmount(stored(column)), shown);
    }

    void letterRefused_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("column");
        // They were read as 12.000 and 98.600.
        QTest::newRow("12a") << u"总毛重(KGS)"_s << u"12a"_s << u"毛重"_s;
        QTest::newRow("98.6x") << u"总尺码(CBM)"_s << u"98.6x"_s << u"尺码"_s;
        QTest::newRow("two points") << u"总净重(KGS)"_s << u"1.2.3"_s << u"净重"_s;
    }
    void letterRefused()
    {
        QFETCH(QString, caption);
        QFETCH(QString, typed);
        QFETCH(QString, column);
        const QString before = stored(column);
        auto *edit = f.field<QLineEdit>(caption);
        showPageOf(f.window(), edit);
        clickInto(edit);
        QTest::keyClicks(edit, typed);

        // Leaving the field says so, naming it, and brings the user back.
        messages.messages.clear();
        QTest::keyClick(edit, Qt::Key_Tab);
        QTRY_VERIFY(!messages.messages.isEmpty());
        QVERIFY2(messages.lastText().startsWith(u"值过大或无效!"_s + typed), qPrintable(messages.lastText()));
        QVERIFY2(messages.lastText().contains(CommFunU::CaptionName(caption)), qPrintable(messages.lastText()));
        QCOMPARE(QApplication::focusWidget(), edit);
        QCOMPARE(edit->text(), typed);

        // Saving refuses it too: nothing is stored.
        messages.messages.clear();
        QTest::keyClick(edit, Qt::Key_S, Qt::ControlModifier);
        QVERIFY(messages.lastText().startsWith(u"值过大或无效!"_s));
        QCOMPARE(stored(column), before);
        edit->setText(u"0.000"_s);
    }

    void carriedOverCountReplaced()
    {
        auto *packages = f.field<QLineEdit>(u"总件数"_s);
        packages->setText(u"1303"_s);
        f.answerNewNumber(u"desk-new-1"_s);
        const int pages = f.tabs()->count();
        QVERIFY(CargoJobFixture<THYChuKouFrm>::press(f.window(), u"新建业务"_s));
        QCOMPARE(f.tabs()->count(), pages + 1);
        QCOMPARE(f.field<QLineEdit>(u"业务编号"_s)->text(), u"DESK-NEW-1"_s);
        f.main->activateWindow(); // as the desktop does once the number dialog is gone
        QTRY_COMPARE(QApplication::activeWindow(), f.main.get());
        packages = f.field<QLineEdit>(u"总件数"_s);
        QCOMPARE(packages->text(), u"1303"_s); // carried over
        showPageOf(f.window(), packages);
        clickInto(packages);
        QTest::keyClicks(packages, u"860"_s);
        QCOMPARE(packages->text(), u"860"_s); // it became 1303860
    }
};

QTEST_MAIN(TestDeskEntryUser)
#include "tst_deskentry_user.moc"
