#include "fieldvalues.h"
#include "gridops.h"
#include "korvanerror.h"
#include "marks.h"
#include "queryhelpers.h"
#include "radiogroup.h"
#include "recordingmessageservice.h"
#include "serverconnection.h"
#include "stringgrid.h"
#include "stringgridmodel.h"
#include "tagbinding.h"
#include "testserver.h"
#include "transactionguard.h"
#include "values.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QSpinBox>
#include <QTimeEdit>
#include <QVBoxLayout>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace CommFunU;

namespace {

QString record(const QStringList &values)
{
    QString out;
    for (const QString &v : values)
        out += v + FieldSep;
    return out;
}

QStringList fieldsOf(const QString &recordText)
{
    QStringList out = recordText.split(FieldSep);
    if (!out.isEmpty() && out.last().isEmpty())
        out.removeLast();
    return out;
}

template <class T> T *tagged(QWidget *parent, int tag, const QString &hint = QString())
{
    auto *w = new T(parent);
    SetTag(w, tag);
    if (!hint.isEmpty())
        SetHint(w, hint);
    w->setObjectName(u"f"_s + QString::number(tag));
    return w;
}

// One control of every bound kind, Tags 10 to 130, built by hand the way a
// designed window holds them (radio buttons each in a box of their own, as
// buttons sharing a parent exclude each other).
struct KindsWindow {
    QWidget window;
    QLineEdit *edit;
    QLineEdit *number;
    QLineEdit *hinted;
    QComboBox *combo;
    QPlainTextEdit *memo;
    QDateEdit *date;
    QTimeEdit *time;
    QCheckBox *check;
    QRadioButton *radio;
    RadioGroup *group;
    StringGrid *grid;
    QComboBox *fixedCombo;
    QCheckBox *hintedCheck;

    KindsWindow()
    {
        auto *layout = new QVBoxLayout(&window);
        edit = tagged<QLineEdit>(&window, 10);
        number = tagged<QLineEdit>(&window, 20, u"1"_s);
        hinted = tagged<QLineEdit>(&window, 30, u"0"_s);
        combo = tagged<QComboBox>(&window, 40);
        combo->setEditable(true);
        combo->addItems({u"CY"_s, u"CFS"_s, u"DOOR"_s, u"CY"_s});
        memo = tagged<QPlainTextEdit>(&window, 50);
        date = tagged<QDateEdit>(&window, 60);
        date->setMinimumDate(QDate(100, 1, 1));
        time = tagged<QTimeEdit>(&window, 70);
        check = tagged<QCheckBox>(&window, 80);
        auto *box = new QGroupBox(&window);
        radio = tagged<QRadioButton>(box, 90);
        new QRadioButton(box); // a sibling without a Tag
        group = tagged<RadioGroup>(&window, 100);
        group->setItems({u"未做箱"_s, u"已做箱"_s, u"其他"_s});
        grid = tagged<StringGrid>(&window, 110);
        grid->setRows({{u"a"_s, u"b"_s}, {u"c"_s, u"d"_s}}, 2);
        fixedCombo = tagged<QComboBox>(&window, 120);
        fixedCombo->addItems({u"整箱"_s, u"货代自拼箱"_s, u"客户自拼箱"_s});
        hintedCheck = tagged<QCheckBox>(&window, 130, u"0"_s);
        for (QWidget *w : window.findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            layout->addWidget(w);
    }
};

} // namespace

class TestTagBinding : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void kindsAreRecognised();
    void saveRendersEachKind();
    void numericEditSavesNormalised();
    void badNumberStopsSave();
    void separatorInValueStopsSave();
    void shortRecordLeavesTheRest();
    void loadValues_data();
    void loadValues();
    void comboSelectsFirstEqualItem();
    void radioUnchecksWhenStoredSo();
    void invalidDateStopsLoad();
    void radioGroupNeedsNumber();
    void gridTextsInRecords();
    void equalTagsVisitTheFirst();
    void unboundKindInRangeIsRefused();
    void clearByTag();
    void checkRequired_data();
    void checkRequired();
    void readAmountFailure();
    void mmToPrinter();
    void loadThenSaveKeepsEveryValue();

    void recordRoundTripThroughServer();
    void refusedInsertKeepsStoredRow();
    void nestedSaveJoinsOuterTransaction();
    void boundRangeMatchesSchema();

private:
    TestServer m_server;
    std::unique_ptr<ServerConnection> m_connection;
};

void TestTagBinding::initTestCase()
{
    // Tables of the test's own, on a server for trusted scripts: the access
    // policy knows only the schema's tables and refuses DDL.
    QVERIFY2(m_server.start({u"--no-login"_s}), qPrintable(m_server.errorText()));
    m_connection = m_server.connect();
    m_connection->open();
    SetAppServerProvider([this]() -> ServerConnection & { return *m_connection; });
}

void TestTagBinding::cleanupTestCase()
{
    SetAppServerProvider({});
    m_connection.reset();
}

void TestTagBinding::kindsAreRecognised()
{
    KindsWindow w;
    const QList<BoundKind> expected{BoundKind::Edit,  BoundKind::Edit,  BoundKind::Edit,  BoundKind::Combo,
                                    BoundKind::Memo,  BoundKind::Date,  BoundKind::Time,  BoundKind::Check,
                                    BoundKind::Radio, BoundKind::RadioGroup, BoundKind::Grid, BoundKind::Combo,
                                    BoundKind::Check};
    QList<BoundKind> kinds;
    for (QWidget *c : BoundControls(&w.window, 10, 130))
        kinds.append(BoundKindOf(c));
    QCOMPARE(kinds, expected);
    QVERIFY(!HasTag(w.radio->parentWidget()));
}

void TestTagBinding::saveRendersEachKind()
{
    KindsWindow w;
    w.edit->setText(u" 上海 "_s);
    w.number->setText(u"7"_s);
    w.hinted->setText(u"SHANGHAI"_s);
    w.combo->setEditText(u"CFS"_s);
    w.memo->setPlainText(u"  第一行\n第二行\t\n\n"_s);
    w.date->setDate(QDate(2024, 2, 29));
    w.time->setTime(QTime(9, 5, 59));
    w.check->setChecked(true);
    w.radio->setChecked(false);
    w.group->setItemIndex(-1);
    w.fixedCombo->setCurrentIndex(2);
    w.hintedCheck->setChecked(true);
    const QString grid = u"2"_s + CellSep + u"a"_s + CellSep + u"b"_s + CellSep + u"c"_s + CellSep + u"d"_s + CellSep;
    QCOMPARE(fieldsOf(SaveByTag(&w.window, 10, 130)),
             (QStringList{u" 上海 "_s, u"7.000"_s, u"SHANGHAI"_s, u"CFS"_s, u"第一行\r\n第二行"_s, u"2024-02-29"_s,
                          u"09:05"_s, u"1"_s, u"0"_s, u"-1"_s, grid, u"客户自拼箱"_s, u"1"_s}));
    // A part of the range.
    QCOMPARE(SaveByTag(&w.window, 15, 45), record({u"7.000"_s, u"SHANGHAI"_s, u"CFS"_s}));
    QCOMPARE(SaveByTag(&w.window, 200, 300), QString());
}

void TestTagBinding::numericEditSavesNormalised()
{
    KindsWindow w;
    w.number->setText(u"1,234.5"_s);
    QCOMPARE(SaveByTag(&w.window, 20, 20), record({u"1234.500"_s}));
    w.number->setText(u""_s);
    QCOMPARE(SaveByTag(&w.window, 20, 20), record({u"0.000"_s}));
    // Any Hint that begins with '1' marks a number (the fee windows say more after it).
    SetHint(w.hinted, u"1x"_s);
    w.hinted->setText(u"2.5 USD"_s);
    QCOMPARE(SaveByTag(&w.window, 30, 30), record({u"2.500"_s}));
    // Loading puts the text as stored.
    LoadByTag(record({u"12.3"_s}), &w.window, 20, 20);
    QCOMPARE(w.number->text(), u"12.3"_s);
}

void TestTagBinding::badNumberStopsSave()
{
    KindsWindow w;
    w.number->setText(u"1.2.3"_s);
    QVERIFY_THROWS_EXCEPTION(KorvanError, SaveByTag(&w.window, 10, 130));
}

void TestTagBinding::separatorInValueStopsSave()
{
    KindsWindow w;
    // 龛 is the character FieldSep decodes to: a user can type it.
    w.edit->setText(u"佛"_s + FieldSep);
    try {
        SaveByTag(&w.window, 10, 130);
        QFAIL("no error");
    } catch (const KorvanError &e) {
        QVERIFY2(e.message().contains(u"f10"_s), qPrintable(e.message()));
    }
    // A grid cell holding CellSep cannot go into the grid text either.
    w.edit->setText(u"ok"_s);
    w.grid->setCell(0, 0, u"x"_s + CellSep);
    QVERIFY_THROWS_EXCEPTION(KorvanError, SaveByTag(&w.window, 10, 130));
}

void TestTagBinding::shortRecordLeavesTheRest()
{
    KindsWindow w;
    w.edit->setText(u"old"_s);
    w.combo->setEditText(u"old combo"_s);
    w.memo->setPlainText(u"old memo"_s);
    const QString before = SaveByTag(&w.window, 10, 130);
    LoadByTag(QString(), &w.window, 10, 130);
    QCOMPARE(SaveByTag(&w.window, 10, 130), before);

    LoadByTag(record({u"new"_s, u"5"_s}), &w.window, 10, 130);
    QCOMPARE(w.edit->text(), u"new"_s);
    QCOMPARE(w.number->text(), u"5"_s);
    QCOMPARE(w.combo->currentText(), u"old combo"_s);
    QCOMPARE(w.memo->toPlainText(), u"old memo"_s);
    // A text without the last separator still gives its last field.
    LoadByTag(u"a"_s + FieldSep + u"9"_s, &w.window, 10, 130);
    QCOMPARE(w.number->text(), u"9"_s);
    // Surplus fields are ignored.
    LoadByTag(record({u"x"_s, u"1"_s, u"h"_s, u"CY"_s, u"extra"_s}), &w.window, 10, 40);
    QCOMPARE(w.memo->toPlainText(), u"old memo"_s);
}

void TestTagBinding::loadValues_data()
{
    QTest::addColumn<int>("tag");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("saved");
    QTest::newRow("check 1") << 80 << u"1"_s << u"1"_s;
    QTest::newRow("check 1 and a space") << 80 << u"1 "_s << u"0"_s;
    QTest::newRow("check empty") << 80 << u""_s << u"0"_s;
    QTest::newRow("check yes") << 80 << u"是"_s << u"0"_s;
    QTest::newRow("radio 1") << 90 << u"1"_s << u"1"_s;
    QTest::newRow("date") << 60 << u"1999-12-31"_s << u"1999-12-31"_s;
    QTest::newRow("date empty is today") << 60 << u""_s << DateText(QDate::currentDate());
    QTest::newRow("date 9 characters is today") << 60 << u"2024-1-01"_s << DateText(QDate::currentDate());
    QTest::newRow("time") << 70 << u"23:59"_s << u"23:59"_s;
    QTest::newRow("memo CR LF") << 50 << u"a\r\nb\r\n\r\nc"_s << u"a\r\nb\r\n\r\nc"_s;
    QTest::newRow("memo bare CR and LF") << 50 << u"a\rb\nc"_s << u"a\r\nb\r\nc"_s;
    QTest::newRow("memo keeps no-break space") << 50 << u"a\u00a0b"_s << u"a\u00a0b"_s;
    QTest::newRow("radio group") << 100 << u"2"_s << u"2"_s;
    QTest::newRow("radio group none") << 100 << u"-1"_s << u"-1"_s;
    QTest::newRow("radio group past the end") << 100 << u"7"_s << u"2"_s;
    QTest::newRow("edit with colon mark") << 10 << u"a"_s + ColonMark + u"b"_s << u"a:b"_s;
}

void TestTagBinding::loadValues()
{
    QFETCH(int, tag);
    QFETCH(QString, value);
    QFETCH(QString, saved);
    KindsWindow w;
    w.check->setChecked(true);
    w.group->setItemIndex(1);
    LoadByTag(record({value}), &w.window, tag, tag);
    const QString out = SaveByTag(&w.window, tag, tag);
    if (tag == 60 && out != record({saved}))
        QCOMPARE(out, record({DateText(QDate::currentDate())})); // midnight passed meanwhile
    else
        QCOMPARE(out, record({saved}));
}

void TestTagBinding::comboSelectsFirstEqualItem()
{
    KindsWindow w;
    LoadByTag(record({u"CY"_s}), &w.window, 40, 40);
    QCOMPARE(w.combo->currentIndex(), 0);
    LoadByTag(record({u"DOOR"_s}), &w.window, 40, 40);
    QCOMPARE(w.combo->currentIndex(), 2);
    LoadByTag(record({u"cy"_s}), &w.window, 40, 40);
    QCOMPARE(w.combo->currentIndex(), -1);
    QCOMPARE(w.combo->currentText(), u"cy"_s);
    // A fixed list shows only its items.
    LoadByTag(record({u"货代自拼箱"_s}), &w.window, 120, 120);
    QCOMPARE(w.fixedCombo->currentIndex(), 1);
}

void TestTagBinding::radioUnchecksWhenStoredSo()
{
    QWidget window;
    auto *first = tagged<QRadioButton>(&window, 200);
    auto *second = tagged<QRadioButton>(&window, 210);
    first->setChecked(true);
    // Both "0": an exclusive pair would keep its checked button; the record decides.
    LoadByTag(record({u"0"_s, u"0"_s}), &window, 200, 210);
    QVERIFY(!first->isChecked());
    QVERIFY(!second->isChecked());
    LoadByTag(record({u"0"_s, u"1"_s}), &window, 200, 210);
    QVERIFY(second->isChecked());
    first->setChecked(true); // still exclusive afterwards
    QVERIFY(!second->isChecked());
}

void TestTagBinding::invalidDateStopsLoad()
{
    KindsWindow w;
    w.hinted->setText(u"keep"_s);
    SetTag(w.hinted, 65); // after the date
    try {
        LoadByTag(record({u"x"_s, u"3"_s, u"CY"_s, u"m"_s, u"2023-02-30"_s, u"lost"_s}), &w.window, 10, 130);
        QFAIL("no error");
    } catch (const KorvanError &e) {
        QCOMPARE(e.message(), u"日期格式不对: 2023-02-30"_s);
    }
    QCOMPARE(w.edit->text(), u"x"_s);
    QCOMPARE(w.memo->toPlainText(), u"m"_s);
    QCOMPARE(w.hinted->text(), u"keep"_s);
    try {
        LoadByTag(record({u"25:00"_s}), &w.window, 70, 70);
        QFAIL("no error");
    } catch (const KorvanError &e) {
        QCOMPARE(e.message(), u"日期格式不对: 25:00"_s);
    }
}

void TestTagBinding::radioGroupNeedsNumber()
{
    KindsWindow w;
    QVERIFY_THROWS_EXCEPTION(KorvanError, LoadByTag(record({u"已做箱"_s}), &w.window, 100, 100));
}

void TestTagBinding::gridTextsInRecords()
{
    KindsWindow w;
    auto gridValue = [](const QStringList &cells) {
        QString out;
        for (const QString &c : cells)
            out += c + CellSep;
        return out;
    };
    LoadByTag(record({gridValue({u"3"_s, u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s, u"f"_s})}), &w.window, 110, 110);
    QCOMPARE(w.grid->gridModel()->allRows(),
             (QList<QStringList>{{u"a"_s, u"b"_s, u"c"_s}, {u"d"_s, u"e"_s, u"f"_s}}));
    LoadByTag(record({gridValue({u"1"_s, u"x"_s, u"y"_s})}), &w.window, 110, 110);
    QCOMPARE(w.grid->colCount(), 2);
    QCOMPARE(w.grid->gridModel()->allRows(), (QList<QStringList>{{u"x"_s, {}}, {u"y"_s, {}}}));
    // An empty value (count 0) leaves the grid as it is.
    LoadByTag(record({QString()}), &w.window, 110, 110);
    QCOMPARE(w.grid->rowCount(), 2);
    QCOMPARE(w.grid->cell(1, 0), u"y"_s);
}

void TestTagBinding::equalTagsVisitTheFirst()
{
    QWidget window;
    auto *box = new QGroupBox(&window);
    auto *first = tagged<QLineEdit>(box, 20);
    auto *twin = tagged<QLineEdit>(&window, 20);
    auto *last = tagged<QLineEdit>(&window, 30);
    auto *low = tagged<QLineEdit>(&window, 10);
    QCOMPARE(NextByTag(&window, 10), first);
    QCOMPARE(NextByTag(&window, 15), first);
    QCOMPARE(NextByTag(&window, 5), low);
    QCOMPARE(NextByTag(&window, 20), last);
    QCOMPARE(NextByTag(&window, 30), nullptr);
    LoadByTag(record({u"a"_s, u"b"_s, u"c"_s}), &window, 10, 30);
    QCOMPARE(low->text(), u"a"_s);
    QCOMPARE(first->text(), u"b"_s);
    QCOMPARE(twin->text(), QString());
    QCOMPARE(last->text(), u"c"_s);
    twin->setText(u"ignored"_s);
    QCOMPARE(SaveByTag(&window, 10, 30), record({u"a"_s, u"b"_s, u"c"_s}));
}

void TestTagBinding::unboundKindInRangeIsRefused()
{
    KindsWindow w;
    auto *spin = tagged<QSpinBox>(&w.window, 45);
    Q_UNUSED(spin);
    QVERIFY_THROWS_EXCEPTION(KorvanError, SaveByTag(&w.window, 10, 130));
    QVERIFY_THROWS_EXCEPTION(KorvanError, LoadByTag(record({u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s}), &w.window, 10, 130));
    // Outside the range it does no harm.
    QCOMPARE(fieldsOf(SaveByTag(&w.window, 10, 40)).size(), 4);
}

void TestTagBinding::clearByTag()
{
    KindsWindow w;
    auto *plainNumber = w.number;
    auto *otherNumber = tagged<QLineEdit>(&w.window, 21, u"10"_s);
    auto *hintedCombo = tagged<QComboBox>(&w.window, 41, u"0"_s);
    hintedCombo->setEditable(true);
    hintedCombo->addItems({u"五区"_s, u"九区"_s});
    auto *hintedMemo = tagged<QPlainTextEdit>(&w.window, 51, u"0"_s);
    plainNumber->setText(u"5.000"_s);
    otherNumber->setText(u"6.000"_s);
    w.edit->setText(u"x"_s);
    w.hinted->setText(u"SHANGHAI"_s);
    w.combo->setEditText(u"typed"_s);
    hintedCombo->setEditText(u"九区"_s);
    w.memo->setPlainText(u"m"_s);
    hintedMemo->setPlainText(u"kept"_s);
    w.date->setDate(QDate(2001, 1, 1));
    w.time->setTime(QTime(1, 2));
    w.check->setChecked(true);
    w.hintedCheck->setChecked(true);
    w.radio->setChecked(true);
    w.group->setItemIndex(1);
    const QString gridBefore = GridToText(w.grid, 0, 2);
    ClearByTag(&w.window, 10, 130);
    QCOMPARE(plainNumber->text(), u"0.000"_s);
    QCOMPARE(otherNumber->text(), u"6.000"_s);
    QCOMPARE(w.edit->text(), QString());
    QCOMPARE(w.hinted->text(), u"SHANGHAI"_s);
    QCOMPARE(w.combo->currentIndex(), 0);
    QCOMPARE(w.combo->currentText(), u"CY"_s);
    QCOMPARE(hintedCombo->currentText(), u"九区"_s);
    QCOMPARE(w.memo->toPlainText(), QString());
    QCOMPARE(hintedMemo->toPlainText(), u"kept"_s);
    QVERIFY(qAbs(w.date->date().daysTo(QDate::currentDate())) <= 1);
    QCOMPARE(w.date->displayFormat(), u"yyyy-MM-dd"_s);
    QVERIFY(qAbs(w.time->time().secsTo(QTime::currentTime())) < 120);
    QCOMPARE(w.time->displayFormat(), u"HH:mm:ss"_s);
    QVERIFY(!w.check->isChecked());
    QVERIFY(w.hintedCheck->isChecked());
    QVERIFY(w.radio->isChecked());
    QCOMPARE(w.group->itemIndex(), 1);
    QCOMPARE(GridToText(w.grid, 0, 2), gridBefore);
}

void TestTagBinding::checkRequired_data()
{
    QTest::addColumn<int>("tag");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("filled");
    QTest::addColumn<QString>("message");
    QTest::newRow("business number") << 10 << u"  "_s << false << u"业务编号不能为空"_s;
    QTest::newRow("salesman") << 20 << u""_s << false << u"业务员不能为空"_s;
    QTest::newRow("client") << 40 << u"\t"_s << false << u"委托人不能为空"_s;
    QTest::newRow("other") << 50 << u""_s << false << u"此项不能为空"_s;
    QTest::newRow("filled") << 10 << u" A1 "_s << true << QString();
}

void TestTagBinding::checkRequired()
{
    QFETCH(int, tag);
    QFETCH(QString, text);
    QFETCH(bool, filled);
    QFETCH(QString, message);
    RecordingMessageService messages;
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *other = new QLineEdit(&window);
    layout->addWidget(other);
    QWidget *control = nullptr;
    if (tag == 40) {
        auto *combo = tagged<QComboBox>(&window, tag);
        combo->setEditable(true);
        combo->setEditText(text);
        control = combo;
    } else if (tag == 50) {
        auto *memo = tagged<QPlainTextEdit>(&window, tag);
        memo->setPlainText(text + u"\n\n"_s);
        control = memo;
    } else {
        auto *edit = tagged<QLineEdit>(&window, tag);
        edit->setText(text);
        control = edit;
    }
    layout->addWidget(control);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    other->setFocus();
    QCOMPARE(CheckRequired(control), filled);
    if (filled) {
        QVERIFY(messages.messages.isEmpty());
        return;
    }
    QCOMPARE(messages.messages.size(), 1);
    QCOMPARE(messages.messages.first().caption, u"错误"_s);
    QCOMPARE(messages.messages.first().text, message);
    QCOMPARE(messages.messages.first().icon, MessageService::Icon::Warning);
    QTRY_VERIFY(control->hasFocus() || control->isAncestorOf(QApplication::focusWidget()));
}

void TestTagBinding::readAmountFailure()
{
    RecordingMessageService messages;
    QLineEdit edit;
    edit.setText(u"1234567.5"_s);
    QCOMPARE(FormatAmountEdit(&edit), u"1,234,567.500"_s);
    edit.setText(u"1.2.3"_s);
    try {
        ReadAmount(&edit);
        QFAIL("no error");
    } catch (const KorvanError &e) {
        QVERIFY(e.message().startsWith(u"值过大或无效!1.2.3\r\r"_s));
        QCOMPARE(messages.lastText(), e.message());
    }
    QCOMPARE(edit.palette().color(QPalette::Active, QPalette::Base), QColor(210, 233, 255));
    QCOMPARE(edit.text(), u"1.2.3"_s); // what was typed stays for correcting
}

void TestTagBinding::mmToPrinter()
{
    QImage page(100, 100, QImage::Format_Mono);
    page.setDotsPerMeterX(qRound(600 / 0.0254));
    page.setDotsPerMeterY(qRound(300 / 0.0254));
    QCOMPARE(MmToPrinterX(5, page), 118);
    QCOMPARE(MmToPrinterY(5, page), 59);
    QCOMPARE(MmToPrinterX(254, page), 6000);
}

// Any record text whose values hold no FieldSep comes back from LoadByTag
// then SaveByTag value for value, as each kind keeps it.
void TestTagBinding::loadThenSaveKeepsEveryValue()
{
    const quint32 seed = QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);
    const QString alphabet = u"abcXYZ019 ,.:'\"-_/\\()货运上海黹中外\u00a0\u3000"_s + CellSep;
    auto text = [&](int maxLength, const QString &letters) {
        QString out;
        const int length = random.bounded(maxLength + 1);
        for (int i = 0; i < length; ++i)
            out += letters.at(random.bounded(int(letters.size())));
        return out;
    };
    const QString noCellSep = QString(alphabet).remove(CellSep);

    KindsWindow w;
    for (int round = 0; round < 300; ++round) {
        QStringList values;
        QStringList expected;
        auto add = [&](const QString &value, const QString &kept) {
            values.append(value);
            expected.append(kept);
        };
        const QString plain = text(20, alphabet);
        add(plain, plain);
        const QString amount = (random.bounded(2) ? u"-"_s : QString()) + QString::number(random.bounded(1000000))
                               + u'.' + QString::number(random.bounded(1000000));
        add(amount, NormalizeAmount(amount));
        const QString hinted = text(10, alphabet);
        add(hinted, hinted);
        const QString combo = random.bounded(2) ? u"CFS"_s : text(12, alphabet);
        add(combo, combo);
        QStringList lines;
        for (int i = random.bounded(4); i >= 0; --i)
            lines.append(text(15, alphabet + u"\t"_s));
        const QString memo = lines.join(u"\r\n"_s);
        QString trimmed = memo;
        while (!trimmed.isEmpty() && trimmed.front().unicode() <= 0x20)
            trimmed.remove(0, 1);
        while (!trimmed.isEmpty() && trimmed.back().unicode() <= 0x20)
            trimmed.chop(1);
        add(memo, trimmed);
        const QString date = DateText(QDate(1900, 1, 1).addDays(random.bounded(73000)));
        add(date, date);
        const QString time = TimeText(QTime(random.bounded(24), random.bounded(60)));
        add(time, time);
        const QString flag = QStringList{u"1"_s, u"0"_s, u"1 "_s, u""_s}.at(random.bounded(4));
        add(flag, flag == u"1"_s ? u"1"_s : u"0"_s);
        const QString radio = random.bounded(2) ? u"1"_s : u"0"_s;
        add(radio, radio);
        const QString index = QString::number(random.bounded(4) - 1);
        add(index, index);
        const int columns = 2 + random.bounded(4);
        const int rows = 2 + random.bounded(5);
        QString grid = QString::number(columns) + CellSep;
        for (int c = 0; c < columns * rows; ++c)
            grid += text(6, noCellSep) + CellSep;
        add(grid, grid);
        const QString fixed = QStringList{u"整箱"_s, u"货代自拼箱"_s, u"客户自拼箱"_s}.at(random.bounded(3));
        add(fixed, fixed);
        const QString hintedFlag = random.bounded(2) ? u"1"_s : u"0"_s;
        add(hintedFlag, hintedFlag);

        LoadByTag(record(values), &w.window, 10, 130);
        const QStringList saved = fieldsOf(SaveByTag(&w.window, 10, 130));
        QCOMPARE(saved.size(), expected.size());
        for (int i = 0; i < expected.size(); ++i) {
            if (saved.at(i) != expected.at(i)) {
                qWarning() << "seed" << seed << "round" << round << "field" << i << "value" << values.at(i);
                QCOMPARE(saved.at(i), expected.at(i));
            }
        }
    }
}

void TestTagBinding::recordRoundTripThroughServer()
{
    RecordingMessageService messages;
    QVERIFY(ExecSqlStep(u"create table 测试单 (业务编号 text primary key, 金额 text, 日期 text, 备注 text)"_s));
    QWidget window;
    auto *number = tagged<QLineEdit>(&window, 10);
    auto *amount = tagged<QLineEdit>(&window, 20, u"1"_s);
    auto *date = tagged<QDateEdit>(&window, 30);
    auto *memo = tagged<QPlainTextEdit>(&window, 40);
    number->setText(u"EX'2024:001"_s);
    amount->setText(u"1,234.5"_s);
    date->setDate(QDate(2024, 3, 9));
    memo->setPlainText(u"时间 10:30\n它's ok"_s);
    const std::optional<QString> answer = SaveRecord(&window, u"测试单"_s, 10, 40, number->text());
    QVERIFY(answer);
    QVERIFY2(!answer->startsWith(u"Err"_s), qPrintable(*answer));
    // Saving again replaces the row (delete, then insert).
    amount->setText(u"2"_s);
    QVERIFY(!SaveRecord(&window, u"测试单"_s, 10, 40, number->text())->startsWith(u"Err"_s));

    QWidget copy;
    auto *number2 = tagged<QLineEdit>(&copy, 10);
    auto *amount2 = tagged<QLineEdit>(&copy, 20, u"1"_s);
    auto *date2 = tagged<QDateEdit>(&copy, 30);
    auto *memo2 = tagged<QPlainTextEdit>(&copy, 40);
    QCOMPARE(LoadRecord(&copy, u"测试单"_s, 10, 40, u"EX'2024:001"_s), RecordLoad::Loaded);
    QCOMPARE(number2->text(), u"EX'2024:001"_s);
    QCOMPARE(amount2->text(), u"2.000"_s);
    QCOMPARE(date2->date(), QDate(2024, 3, 9));
    QCOMPARE(memo2->toPlainText(), u"时间 10:30\n它's ok"_s);
    // No row: the controls stay as they are.
    memo2->setPlainText(u"unchanged"_s);
    QCOMPARE(LoadRecord(&copy, u"测试单"_s, 10, 40, u"none"_s), RecordLoad::NoRow);
    QCOMPARE(memo2->toPlainText(), u"unchanged"_s);
    QVERIFY(messages.messages.isEmpty());
    // A query that fails is no "no row": the window must not save over the stored row.
    QCOMPARE(LoadRecord(&copy, u"没有这个表"_s, 10, 40, u"EX'2024:001"_s), RecordLoad::Failed);
    QCOMPARE(memo2->toPlainText(), u"unchanged"_s);
    QCOMPARE(messages.messages.size(), 1);
    messages.messages.clear();
    std::optional<ResultReader> rows = OpenQueryStep(u"select count(*) from 测试单"_s);
    QVERIFY(rows);
    QCOMPARE(rows->next(), u"1"_s);
}

void TestTagBinding::refusedInsertKeepsStoredRow()
{
    RecordingMessageService messages;
    QVERIFY(ExecSqlStep(u"create table 测试短 (业务编号 text primary key, 名称 text check (length(名称) < 5))"_s));
    QWidget window;
    auto *number = tagged<QLineEdit>(&window, 10);
    auto *name = tagged<QLineEdit>(&window, 20);
    number->setText(u"A1"_s);
    name->setText(u"短"_s);
    QVERIFY(!SaveRecord(&window, u"测试短"_s, 10, 20, u"A1"_s)->startsWith(u"Err"_s));
    name->setText(u"太长的名称不行"_s);
    const std::optional<QString> answer = SaveRecord(&window, u"测试短"_s, 10, 20, u"A1"_s);
    QVERIFY(answer);
    QVERIFY2(answer->startsWith(u"Err"_s), qPrintable(*answer));
    // Without the transaction the delete would have taken the stored row with it.
    name->clear();
    QCOMPARE(LoadRecord(&window, u"测试短"_s, 10, 20, u"A1"_s), RecordLoad::Loaded);
    QCOMPARE(name->text(), u"短"_s);
}

void TestTagBinding::nestedSaveJoinsOuterTransaction()
{
    // A save that runs SaveRecord inside its own transaction (a job row, then
    // its cargo rows) must be stored whole or not at all.
    RecordingMessageService messages;
    QVERIFY(ExecSqlStep(u"create table 测试嵌套 (业务编号 text primary key, 名称 text)"_s));
    QWidget window;
    tagged<QLineEdit>(&window, 10)->setText(u"N1"_s);
    tagged<QLineEdit>(&window, 20)->setText(u"内层"_s);
    ServerConnection &server = GetAppServer();
    const auto rows = [] {
        std::optional<ResultReader> reader = OpenQueryStep(u"select count(*) from 测试嵌套"_s);
        return reader ? reader->next() : u"?"_s;
    };
    {
        TransactionGuard outer(server);
        QVERIFY(outer.begun() && !outer.joined());
        QVERIFY(!SaveRecord(&window, u"测试嵌套"_s, 10, 20, u"N1"_s)->startsWith(u"Err"_s));
        // The inner save committed nothing: another session does not see the row yet.
        ServerConnection other;
        other.setPort(server.port());
        other.setCredentials(QString::fromLatin1(TestServer::AdminUser), QString::fromLatin1(TestServer::AdminPassword));
        QCOMPARE(other.openQuery(u"select count(*) from 测试嵌套"_s, QString(), 0).section(FieldSep, 2, 2), u"0"_s);
        // The outer part fails: the guard ends without commit.
    }
    QCOMPARE(rows(), u"0"_s);

    {
        TransactionGuard outer(server);
        {
            TransactionGuard inner(server);
            QVERIFY(inner.joined());
            QVERIFY(server.execSql(u"insert into 测试嵌套 values('N2','x')"_s, QString()).startsWith(u"Suc"_s));
            // inner ends without commit: its part failed
        }
        QVERIFY(server.execSql(u"insert into 测试嵌套 values('N3','y')"_s, QString()).startsWith(u"Suc"_s));
        QVERIFY(!outer.commit());
        QVERIFY(outer.lastAnswer().startsWith(u"Err"_s));
    }
    QCOMPARE(rows(), u"0"_s);

    {
        // The connection is lost inside the transaction: the server rolls the
        // first insert back with its session, and the second must not be kept
        // on its own in a new one.
        TransactionGuard outer(server);
        QVERIFY(server.execSql(u"insert into 测试嵌套 values('N4','z')"_s, QString()).startsWith(u"Suc"_s));
        server.close();
        QVERIFY_THROWS_EXCEPTION(KorvanError, server.execSql(u"insert into 测试嵌套 values('N5','z')"_s, QString()));
        QVERIFY_THROWS_EXCEPTION(KorvanError, server.openQuery(u"select 1"_s, QString(), 0));
        QVERIFY(!outer.commit());
        QCOMPARE(outer.lastAnswer(), u"Err与服务器的连接中断过，事务未提交"_s);
    }
    QCOMPARE(rows(), u"0"_s); // and the connection serves again once the guard has ended

    {
        TransactionGuard outer(server);
        QVERIFY(!SaveRecord(&window, u"测试嵌套"_s, 10, 20, u"N1"_s)->startsWith(u"Err"_s));
        QVERIFY(outer.commit());
    }
    QCOMPARE(rows(), u"1"_s);
}

void TestTagBinding::boundRangeMatchesSchema()
{
    // The departments window: five plain edits, Tags 20 to 60, over 部门.
    QWidget window;
    for (int tag = 20; tag <= 60; tag += 10)
        tagged<QLineEdit>(&window, tag);
    QCOMPARE(TableColumnCount(u"部门"_s), 5);
    QCOMPARE(CheckBoundRange(&window, 10, 60, u"部门"_s), QString());
    tagged<QLineEdit>(&window, 55);
    QVERIFY(CheckBoundRange(&window, 10, 60, u"部门"_s).contains(u"6"_s));
    QVERIFY_THROWS_EXCEPTION(KorvanError, TableColumnCount(u"没有这个表"_s));

    // The master-data list: a Mode 1 answer, column names as row 0.
    RecordingMessageService messages;
    QVERIFY(ExecSqlStep(u"insert into 部门 values('业务部','王五','','021-1','021-2')"_s));
    StringGrid list;
    list.setHeadingRow(true);
    QVERIFY(AnswerToGrid(m_connection->openQuery(u"select * from 部门 order by 部门名称 "_s, QString(), 1), &list, 0));
    QCOMPARE(list.colCount(), 5);
    QCOMPARE(list.cell(0, 0), u"部门名称"_s);
    QCOMPARE(list.cell(0, 3), u"直线电话"_s);
    int row = -1;
    for (int r = 1; r < list.rowCount(); ++r) {
        if (list.cell(r, 0) == u"业务部"_s)
            row = r;
    }
    QVERIFY(row > 0);
    QCOMPARE(GridRowText(&list, row, 1), record({u"业务部"_s, u"王五"_s, QString(), u"021-1"_s, u"021-2"_s}));
}

QTEST_MAIN(TestTagBinding)
#include "tst_tagbinding.moc"
