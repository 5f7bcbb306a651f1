// Date and time fields as people type into them: the forms they accept, an
// empty date that stays empty, and a text that is no date refused with the
// field named.

#include "recordingmessageservice.h"
#include "tagbinding.h"
#include "korvanerror.h"
#include "typedpicker.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

class TestTypedPicker : public QObject
{
    Q_OBJECT

    RecordingMessageService messages;
    QWidget window;
    DateField *date = nullptr;
    TimeField *time = nullptr;
    QLineEdit *next = nullptr;

    // Clicks into the field, types, and leaves it with Tab as a user does.
    void typeInto(QAbstractSpinBox *field, const QString &text)
    {
        QTest::mouseClick(field->findChild<QLineEdit *>(), Qt::LeftButton);
        QTest::qWait(1); // the whole text is selected once the click is through
        QTest::keyClicks(field, text);
        next->setFocus();
        QCoreApplication::processEvents();
    }

private slots:
    void initTestCase()
    {
        auto *layout = new QVBoxLayout(&window);
        date = new DateField(&window);
        date->setAccessibleName(u"离职日期"_s);
        time = new TimeField(&window);
        time->setAccessibleName(u"装箱时间"_s);
        next = new QLineEdit(&window);
        layout->addWidget(date);
        layout->addWidget(time);
        layout->addWidget(next);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }

    void init()
    {
        messages.clear();
        CommFunU::SetControlValue(date, u"2025-01-31"_s);
        CommFunU::SetControlValue(time, u"08:15"_s);
    }

    void typedDates_data()
    {
        const QString year = QString::number(QDate::currentDate().year());
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("refused");
        QTest::newRow("digits") << u"20261220"_s << u"2026-12-20"_s << false;
        QTest::newRow("dashes") << u"2026-12-20"_s << u"2026-12-20"_s << false;
        QTest::newRow("slashes") << u"2026/12/20"_s << u"2026-12-20"_s << false;
        QTest::newRow("dots, one digit") << u"2026.1.5"_s << u"2026-01-05"_s << false;
        QTest::newRow("this year") << u"12-20"_s << year + u"-12-20"_s << false;
        QTest::newRow("this year, slash") << u"3/8"_s << year + u"-03-08"_s << false;
        QTest::newRow("nothing") << QString() << QString() << false;
        QTest::newRow("no such day") << u"2026-02-30"_s << u"2025-01-31"_s << true;
        QTest::newRow("month 13") << u"20261320"_s << u"2025-01-31"_s << true;
        QTest::newRow("too few digits") << u"2026122"_s << u"2025-01-31"_s << true;
        QTest::newRow("day first") << u"20-12-2026"_s << u"2025-01-31"_s << true;
    }
    void typedDates()
    {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        QFETCH(bool, refused);
        if (typed.isEmpty()) {
            QTest::mouseClick(date->findChild<QLineEdit *>(), Qt::LeftButton);
            QTest::qWait(1);
            QTest::keyClick(date, Qt::Key_Delete);
            next->setFocus();
            QCoreApplication::processEvents();
        } else {
            typeInto(date, typed);
        }
        QTest::qWait(1);
        QCOMPARE(CommFunU::ControlValue(date), stored);
        QCOMPARE(messages.said(u"离职日期: 日期格式不对: "_s + typed), refused);
        QCOMPARE(date->text(), stored);
    }

    // A date typed and not yet left (保存 on a tool bar takes no focus) is the
    // one read; a text that is no date stops the reading with the field named.
    void aPendingDateIsRead()
    {
        date->setFocus();
        date->findChild<QLineEdit *>()->setText(u"2026/7/1"_s);
        QCOMPARE(CommFunU::ControlValue(date), u"2026-07-01"_s);
        date->findChild<QLineEdit *>()->setText(u"7/45"_s);
        try {
            CommFunU::ControlValue(date);
            QFAIL("a text that is no date was read");
        } catch (const KorvanError &error) {
            QVERIFY(error.message().startsWith(u"离职日期: 日期格式不对: 7/45"_s));
        }
        next->setFocus();
    }

    // Stored empty, loaded empty, cleared empty: never today.
    void anEmptyDateStaysEmpty()
    {
        CommFunU::SetControlValue(date, QString());
        QVERIFY(date->isEmpty());
        QCOMPARE(date->text(), QString());
        QCOMPARE(CommFunU::ControlValue(date), QString());
        CommFunU::SetControlValue(date, u"2026-12-20"_s);
        CommFunU::ClearControl(date);
        QCOMPARE(CommFunU::ControlValue(date), QString());
        // The arrow key starts an empty date from today.
        date->stepBy(1);
        QCOMPARE(date->date(), QDate::currentDate());
    }

    void typedTimes_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("refused");
        QTest::newRow("four digits") << u"1430"_s << u"14:30"_s << false;
        QTest::newRow("three digits") << u"930"_s << u"09:30"_s << false;
        QTest::newRow("colon") << u"14:30"_s << u"14:30"_s << false;
        QTest::newRow("one-digit hour") << u"9:05"_s << u"09:05"_s << false;
        QTest::newRow("seconds") << u"14:30:15"_s << u"14:30"_s << false;
        QTest::newRow("hour 25") << u"2530"_s << u"08:15"_s << true;
        QTest::newRow("minute 61") << u"14:61"_s << u"08:15"_s << true;
    }
    void typedTimes()
    {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        QFETCH(bool, refused);
        typeInto(time, typed);
        QTest::qWait(1);
        QCOMPARE(CommFunU::ControlValue(time), stored);
        QCOMPARE(messages.said(u"装箱时间: 时间格式不对: "_s + typed), refused);
    }
};

QTEST_MAIN(TestTypedPicker)
#include "tst_typedpicker.moc"
