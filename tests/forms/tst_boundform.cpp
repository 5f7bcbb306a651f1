#include "boundform.h"
#include "captionfinder.h"
#include "captionname.h"
#include "focushighlighter.h"
#include "queryhelpers.h"
#include "radiogroup.h"
#include "recordingmessageservice.h"
#include "serverconnection.h"
#include "stringgrid.h"
#include "tagbinding.h"
#include "testserver.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTimeEdit>
#include <QSignalSpy>
#include <QTabWidget>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace CommFunU;

namespace {

// A job-like window: four pages, a dozen groups, 90 bound fields of every
// kind, the way the job windows declare theirs.
FormTable jobFields()
{
    FormTable t{
        Field::page(u"基本信息"_s),
        Field::group(u"委托"_s),
        Field::edit(10, u"业务编号"_s),
        Field::combo(20, u"业务员"_s).asDisabled(),
        Field::combo(30, u"操作员"_s),
        Field::combo(40, u"委托人"_s),
        Field::edit(50, u"委托编号"_s),
        Field::combo(60, u"订舱单位"_s),
        Field::group(u"船期"_s),
        Field::edit(70, u"船名"_s),
        Field::edit(80, u"航次"_s),
        Field::edit(90, u"提单号"_s).asReadOnly(),
        Field::combo(100, u"目的港"_s),
        Field::combo(120, u"装货港"_s, {u"SHANGHAI"_s, u"NINGBO"_s}).withText(u"SHANGHAI"_s).withHint(u"0"_s),
        Field::check(180, u"货物已报关"_s),
        Field::radio(200, u"船公司提单"_s).withText(u"1"_s),
        Field::radio(210, u"货代提单"_s),
        Field::date(240, u"船期"_s),
        Field::combo(250, u"业务类型"_s, {u"整箱"_s, u"货代自拼箱"_s, u"客户自拼箱"_s, u"少量拼箱"_s}).asFixedList(),
        Field::page(u"货物信息"_s),
        Field::group(u"收发货人"_s).withColumns(1),
        Field::memo(260, u"发货人"_s),
        Field::memo(270, u"收货人"_s),
        Field::group(u"货物"_s),
        Field::number(340, u"总毛重(KGS)"_s),
        Field::number(350, u"总尺码(CBM)"_s),
        Field::edit(355, u"件数合计"_s).withText(u"SAY ZERO CARTON(S) ONLY"_s).withHint(u"0"_s).asReadOnly(),
        Field::radioGroup(500, u"做箱情况"_s, {u"未做箱"_s, u"已做箱"_s}),
        Field::time(530, u"装箱时间"_s),
        Field::grid(540, u"集装箱"_s, {u"箱类型"_s, u"集装箱号/封号"_s, u"件数"_s, u"毛重(KGS)"_s, u"尺码(CBM)"_s}),
        Field::page(u"其它信息"_s),
    };
    // Further plain fields, as many as the job windows carry.
    for (int i = 0; i < 36; ++i) {
        if (i % 12 == 0)
            t.append(Field::group(u"其它 "_s + QString::number(i / 12 + 1)));
        t.append(Field::edit(600 + i * 5, u"其它项目 "_s + QString::number(i + 1)));
    }
    t.append(Field::page(u"状态信息"_s));
    for (int i = 0; i < 30; ++i) {
        if (i % 10 == 0)
            t.append(Field::group(u"状态 "_s + QString::number(i / 10 + 1)).withColumns(3));
        t.append(i % 2 ? Field::check(900 + i * 5, u"已办 "_s + QString::number(i + 1))
                       : Field::date(900 + i * 5, u"日期 "_s + QString::number(i + 1)));
    }
    return t;
}

int boundRows(const FormTable &table)
{
    int n = 0;
    for (const FormField &f : table)
        n += f.isBound() ? 1 : 0;
    return n;
}

QColor base(const QWidget *w)
{
    return w->palette().color(QPalette::Active, QPalette::Base);
}

} // namespace

class TestBoundForm : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void buildsEveryFieldOnItsPage();
    void fieldsBeforeFirstPage();
    void initialValuesAndClear();
    void changesSignalModified();
    void loadAndClearAreQuiet();
    void saveLoadRoundTrip();
    void focusHighlight();
    void tabFollowsTags();
    void gridColumnsFitHeadings();
    void sheetUsesGeometry();
    void departmentsWindowMatchesSchema();
    void captionName_data();
    void captionName();
    void fieldsFoundByCaption();

private:
    TestServer m_server;
    std::unique_ptr<ServerConnection> m_connection;
};

void TestBoundForm::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
    m_connection = m_server.connect();
    m_connection->open();
    SetAppServerProvider([this]() -> ServerConnection & { return *m_connection; });
}

void TestBoundForm::cleanupTestCase()
{
    SetAppServerProvider({});
    m_connection.reset();
}

void TestBoundForm::buildsEveryFieldOnItsPage()
{
    QWidget window;
    BoundForm form(&window);
    const FormTable table = jobFields();
    form.build(table);
    QCOMPARE(boundRows(table), 90);
    QCOMPARE(form.lowTag(), 10);
    QCOMPARE(form.highTag(), 1045);
    const QList<QWidget *> controls = BoundControls(&window, form.lowTag(), form.highTag());
    QCOMPARE(controls.size(), 90);
    // In Tag order, each the field the table declares for its Tag.
    int previous = -1;
    for (QWidget *c : controls) {
        QVERIFY(TagOf(c) > previous);
        previous = TagOf(c);
        QCOMPARE(form.field(TagOf(c)), c);
    }
    QVERIFY(form.edit(10));
    QCOMPARE(form.edit(10)->objectName(), u"业务编号"_s);
    QCOMPARE(form.label(10)->text(), u"业务编号"_s);
    QCOMPARE(form.label(10)->buddy(), form.edit(10));
    QVERIFY(!form.combo(20)->isEnabled());
    QVERIFY(form.edit(90)->isReadOnly());
    QCOMPARE(HintOf(form.edit(340)), u"1"_s);
    QCOMPARE(HintOf(form.combo(120)), u"0"_s);
    QVERIFY(!form.combo(250)->isEditable());
    QVERIFY(form.combo(40)->isEditable());
    QCOMPARE(form.check(180)->text(), u"货物已报关"_s);
    QVERIFY(!form.label(180)); // a check box is labelled by its own text
    QCOMPARE(form.radioGroup(500)->items(), (QStringList{u"未做箱"_s, u"已做箱"_s}));
    QVERIFY(form.grid(540)->hasHeadingRow());
    QCOMPARE(form.grid(540)->colCount(), 5);
    QCOMPARE(form.grid(540)->cell(0, 1), u"集装箱号/封号"_s);
    QVERIFY(qobject_cast<QTimeEdit *>(form.picker(530)));

    // Pages and groups.
    QTabWidget *pages = form.pages();
    QVERIFY(pages);
    QCOMPARE(pages->count(), 4);
    QCOMPARE(pages->tabText(1), u"货物信息"_s);
    QVERIFY(pages->widget(0)->isAncestorOf(form.edit(10)));
    QVERIFY(pages->widget(1)->isAncestorOf(form.grid(540)));
    QVERIFY(pages->widget(3)->isAncestorOf(form.field(1045)));
    auto *box = qobject_cast<QGroupBox *>(form.memo(260)->parentWidget());
    QVERIFY(box);
    QCOMPARE(box->title(), u"收发货人"_s);
    // The two radio buttons share their group box and so exclude each other.
    QCOMPARE(form.field(200)->parentWidget(), form.field(210)->parentWidget());
    // A group with one pair per row puts the second memo below the first.
    QVERIFY(form.memo(270)->y() >= 0);
    window.resize(900, 600);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    pages->setCurrentIndex(1);
    QTRY_VERIFY(form.memo(270)->isVisible());
    QVERIFY(form.memo(270)->mapTo(&window, QPoint()).y() > form.memo(260)->mapTo(&window, QPoint()).y());
    QCOMPARE(form.memo(270)->mapTo(&window, QPoint()).x(), form.memo(260)->mapTo(&window, QPoint()).x());
    // Two pairs per row elsewhere: 船名 and 航次 side by side.
    pages->setCurrentIndex(0);
    QTRY_VERIFY(form.edit(80)->isVisible());
    QCOMPARE(form.edit(80)->mapTo(&window, QPoint()).y(), form.edit(70)->mapTo(&window, QPoint()).y());
    QVERIFY(form.edit(80)->mapTo(&window, QPoint()).x() > form.edit(70)->mapTo(&window, QPoint()).x());
    // KORVAN_FORM_SHOT=/tmp/form-%1.png keeps a picture of every page.
    const QString shot = qEnvironmentVariable("KORVAN_FORM_SHOT");
    for (int i = 0; !shot.isEmpty() && i < pages->count(); ++i) {
        pages->setCurrentIndex(i);
        window.grab().save(shot.arg(i));
    }
}

void TestBoundForm::fieldsBeforeFirstPage()
{
    QWidget window;
    BoundForm form(&window);
    form.build({Field::group(u"头"_s), Field::edit(10, u"甲"_s), Field::page(u"第二页"_s), Field::edit(20, u"乙"_s)});
    QCOMPARE(form.pages()->count(), 2);
    QCOMPARE(form.pages()->tabText(1), u"第二页"_s);
    QVERIFY(form.pages()->widget(0)->isAncestorOf(form.edit(10)));
    QVERIFY(form.pages()->widget(1)->isAncestorOf(form.edit(20)));
    QCOMPARE(BoundControls(&window, 0, 100).size(), 2);
}

void TestBoundForm::initialValuesAndClear()
{
    QWidget window;
    BoundForm form(&window);
    form.build(jobFields());
    QCOMPARE(form.edit(340)->text(), u"0.000"_s);
    QCOMPARE(form.combo(120)->currentText(), u"SHANGHAI"_s);
    QCOMPARE(form.combo(40)->currentText(), QString());
    QCOMPARE(form.combo(250)->currentText(), u"整箱"_s);
    QVERIFY(qobject_cast<QRadioButton *>(form.field(200))->isChecked());
    QCOMPARE(form.grid(540)->rowCount(), 2);
    form.edit(340)->setText(u"9"_s);
    form.combo(120)->setEditText(u"NINGBO"_s);
    form.edit(10)->setText(u"X"_s);
    form.edit(355)->setText(u"SAY TEN CARTON(S) ONLY"_s);
    form.clear();
    QCOMPARE(form.edit(340)->text(), u"0.000"_s);
    QCOMPARE(form.edit(10)->text(), QString());
    QCOMPARE(form.combo(120)->currentText(), u"NINGBO"_s);                  // Hint "0": kept
    QCOMPARE(form.edit(355)->text(), u"SAY TEN CARTON(S) ONLY"_s); // Hint "0": kept
}

void TestBoundForm::changesSignalModified()
{
    QWidget window;
    BoundForm form(&window);
    form.build(jobFields());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QSignalSpy spy(&form, &BoundForm::modified);
    QVERIFY(!form.isModified());

    form.edit(10)->setFocus();
    QTest::keyClicks(form.edit(10), u"AB"_s);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.last().first().value<QWidget *>(), form.edit(10));
    QVERIFY(form.isModified());

    struct Change {
        QWidget *field;
        std::function<void()> act;
    };
    const QList<Change> changes{
        {form.combo(40), [&] { form.combo(40)->setEditText(u"客户甲"_s); }},
        {form.combo(250), [&] { form.combo(250)->setCurrentIndex(2); }},
        {form.memo(260), [&] { form.memo(260)->setPlainText(u"SHIPPER"_s); }},
        {form.picker(240), [&] { form.picker(240)->setDate(QDate(2020, 5, 6)); }},
        {form.check(180), [&] { form.check(180)->setChecked(true); }},
        {form.radioGroup(500), [&] { form.radioGroup(500)->setItemIndex(1); }},
        {form.grid(540), [&] { form.grid(540)->setCell(1, 0, u"20'GP"_s); }},
    };
    for (const Change &c : changes) {
        spy.clear();
        c.act();
        QVERIFY2(!spy.isEmpty(), qPrintable(c.field->objectName()));
        QCOMPARE(spy.last().first().value<QWidget *>(), c.field);
    }
    // A field built by hand joins the same wiring.
    auto *extra = new QLineEdit(&window);
    form.watch(extra);
    spy.clear();
    extra->setText(u"x"_s);
    QCOMPARE(spy.count(), 1);
}

void TestBoundForm::loadAndClearAreQuiet()
{
    QWidget window;
    BoundForm form(&window);
    form.build(jobFields());
    QSignalSpy spy(&form, &BoundForm::modified);
    form.edit(10)->setText(u"A"_s);
    QVERIFY(form.isModified());
    const QString text = form.save();
    form.load(text);
    form.clear();
    {
        BoundForm::Quiet quiet(form);
        form.edit(10)->setText(u"B"_s);
    }
    QCOMPARE(spy.count(), 1);
    QVERIFY(!form.isModified());
}

void TestBoundForm::saveLoadRoundTrip()
{
    QWidget window;
    BoundForm form(&window);
    form.build(jobFields());
    form.edit(10)->setText(u"EX-1"_s);
    form.combo(40)->setEditText(u"上海甲公司"_s);
    form.memo(270)->setPlainText(u"TO ORDER\nOF SHIPPER"_s);
    form.edit(340)->setText(u"12,000.5"_s);
    form.picker(240)->setDate(QDate(2024, 1, 31));
    form.radioGroup(500)->setItemIndex(1);
    form.grid(540)->setRowCells(1, {u"40'HC"_s, u"TGHU1/S1"_s, u"10"_s, u"1.000"_s, u"2.000"_s});
    form.check(965)->setChecked(true);
    const QString text = form.save();

    QWidget other;
    BoundForm copy(&other);
    copy.build(jobFields());
    copy.load(text);
    QCOMPARE(copy.save(), text);
    QCOMPARE(copy.edit(340)->text(), u"12000.500"_s);
    QCOMPARE(copy.grid(540)->cell(1, 0), u"40'HC"_s);
    QVERIFY(copy.check(965)->isChecked());
    // A part of the range, as the finance block of a job window.
    QCOMPARE(copy.save(900, 1045), form.save(900, 1045));
}

void TestBoundForm::focusHighlight()
{
    QWidget window;
    BoundForm form(&window);
    form.build({Field::edit(10, u"甲"_s), Field::combo(20, u"乙"_s), Field::memo(30, u"丙"_s),
                Field::date(40, u"丁"_s), Field::edit(50, u"只读"_s).asReadOnly(),
                Field::edit(60, u"禁用"_s).asDisabled()});
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QColor lit(210, 233, 255);
    QWidget *readOnly = form.field(50);
    QTRY_COMPARE(base(form.field(10)), lit); // the first field has the focus on showing
    readOnly->setFocus();
    for (int tag : {10, 20, 30, 40}) {
        QWidget *field = form.field(tag);
        QCOMPARE(base(field), QColor(Qt::white));
        field->setFocus();
        QTRY_COMPARE(base(field), lit);
        // The read-only field takes the focus but stays white.
        readOnly->setFocus();
        QTRY_COMPARE(base(field), QColor(Qt::white));
        QVERIFY(readOnly->hasFocus());
        QCOMPARE(base(readOnly), QColor(Qt::white));
    }
    QWidget *disabled = form.field(60);
    QCOMPARE(disabled->palette().color(QPalette::Disabled, QPalette::Base),
             disabled->palette().color(QPalette::Disabled, QPalette::Button));
}

void TestBoundForm::tabFollowsTags()
{
    // The table lists the fields as they are laid out, not by Tag.
    QWidget window;
    BoundForm form(&window);
    form.build({Field::edit(40, u"丁"_s), Field::edit(10, u"甲"_s), Field::radioGroup(30, u"丙"_s, {u"一"_s, u"二"_s}),
                Field::date(20, u"乙"_s), Field::time(25, u"乙二"_s), Field::combo(50, u"戊"_s)});
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    form.field(10)->setFocus();
    QTRY_VERIFY(form.field(10)->hasFocus());
    const auto *buttons = form.radioGroup(30);
    QWidget *firstButton = buttons->findChildren<QRadioButton *>().value(0);
    // One Tab leaves a date or time picker, whichever of its sections is current.
    const QList<QWidget *> forward{form.field(20), form.field(25), firstButton, form.field(40), form.field(50)};
    for (QWidget *next : forward) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTRY_COMPARE(QApplication::focusWidget(), next);
    }
    const QList<QWidget *> backward{form.field(40), firstButton, form.field(25), form.field(20), form.field(10)};
    for (QWidget *previous : backward) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
        QTRY_COMPARE(QApplication::focusWidget(), previous);
    }
}

void TestBoundForm::gridColumnsFitHeadings()
{
    QWidget window;
    BoundForm form(&window);
    const QString longHeading = u"集装箱号/封号/箱型/尺码"_s;
    form.build({Field::grid(10, u"集装箱"_s, {u"箱类型"_s, longHeading, u"件数"_s})});
    StringGrid *grid = form.grid(10);
    window.resize(900, 400);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QFontMetrics metrics(grid->horizontalHeader()->font());
    QVERIFY(grid->columnWidth(1) > metrics.horizontalAdvance(longHeading));
    // No blank strip to the right of the last column.
    const int used = grid->columnWidth(0) + grid->columnWidth(1) + grid->columnWidth(2);
    QTRY_COMPARE(used, grid->viewport()->width());
}

void TestBoundForm::sheetUsesGeometry()
{
    QWidget window;
    auto *sheet = new QWidget(&window);
    BoundForm form(&window);
    form.buildSheet({Field::mark(u"左上"_s).at(2, 2, 1, 1),
                     Field::caption(u"发货人"_s).at(10, 10, 60, 16),
                     Field::memo(10, u"发货人"_s).at(10, 30, 300, 80),
                     Field::edit(20, u"提单号"_s).at(320, 30, 120, 22).withHint(u"00"_s),
                     Field::line().at(10, 120, 430, 1),
                     Field::mark(u"右下"_s).at(759, 1000, 1, 1)},
                    sheet);
    QCOMPARE(form.memo(10)->parentWidget(), sheet);
    QCOMPARE(form.memo(10)->geometry(), QRect(10, 30, 300, 80));
    QCOMPARE(form.edit(20)->geometry(), QRect(320, 30, 120, 22));
    QCOMPARE(HintOf(form.edit(20)), u"00"_s);
    QCOMPARE(form.mark(u"右下"_s)->geometry().topLeft(), QPoint(759, 1000));
    QCOMPARE(sheet->findChildren<QLabel *>(Qt::FindDirectChildrenOnly).size(), 1);
    auto *line = sheet->findChild<QFrame *>(QString(), Qt::FindDirectChildrenOnly);
    QVERIFY(line);
    // Direct children in design order: what the print engine walks.
    const QObjectList children = sheet->children();
    QCOMPARE(children.indexOf(form.memo(10)) < children.indexOf(form.edit(20)), true);
    QCOMPARE(BoundControls(&window, 10, 20).size(), 2);
}

void TestBoundForm::departmentsWindowMatchesSchema()
{
    QWidget window;
    BoundForm form(&window);
    form.build({Field::edit(20, u"部门名称:"_s), Field::edit(30, u"部门经理:"_s), Field::edit(40, u"上级部门:"_s),
                Field::edit(50, u"直线电话:"_s), Field::edit(60, u"传    真:"_s)});
    QCOMPARE(CheckBoundRange(&window, 10, 60, u"部门"_s), QString());
    RecordingMessageService messages;
    form.edit(20)->setText(u"测试部"_s);
    form.edit(50)->setText(u"021-1234"_s);
    const QString values = BuildValuesList(form.save());
    QVERIFY(ExecSqlStep(u"insert into 部门 "_s + values));
    QWidget copy;
    BoundForm loaded(&copy);
    loaded.build({Field::edit(20, u"部门名称:"_s), Field::edit(30, u"部门经理:"_s), Field::edit(40, u"上级部门:"_s),
                  Field::edit(50, u"直线电话:"_s), Field::edit(60, u"传    真:"_s)});
    std::optional<ResultReader> row = OpenQueryStep(u"select * from 部门 where 部门名称='测试部'"_s);
    QVERIFY(row && !row->atEnd());
    loaded.load(row->rest().toString());
    QCOMPARE(loaded.edit(50)->text(), u"021-1234"_s);
    QVERIFY(messages.messages.isEmpty());
}

QTEST_MAIN(TestBoundForm)
void TestBoundForm::captionName_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("name");
    QTest::newRow("padding blanks") << u"传    真:"_s << u"传真"_s;
    QTest::newRow("accelerator in brackets") << u"业务员(&Y)："_s << u"业务员"_s;
    QTest::newRow("single ampersand") << u"左(&L)"_s << u"左"_s;
    QTest::newRow("plain ampersand") << u"&Save"_s << u"Save"_s;
    QTest::newRow("literal ampersand") << u"R&&D:"_s << u"R&D"_s;
    QTest::newRow("words keep one blank") << u"Port  of loading:"_s << u"Port of loading"_s;
    QTest::newRow("units kept") << u"总毛重(KGS)"_s << u"总毛重(KGS)"_s;
    QTest::newRow("full-width blank") << u"船\u3000名："_s << u"船名"_s;
}

void TestBoundForm::captionName()
{
    QFETCH(QString, label);
    QFETCH(QString, name);
    QCOMPARE(CaptionName(label), name);
}

void TestBoundForm::fieldsFoundByCaption()
{
    QWidget window;
    BoundForm form(&window);
    form.build(jobFields());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // Fields on pages not shown are found too, of every kind.
    QCOMPARE(CaptionFinder::field(&window, u"业务编号"_s), form.edit(10));
    QCOMPARE(CaptionFinder::field(&window, u"总毛重(KGS)"_s), form.edit(340));
    QCOMPARE(CaptionFinder::field(&window, u"发货人"_s), form.memo(260));
    QCOMPARE(CaptionFinder::field(&window, u"集装箱"_s), form.grid(540));
    QCOMPARE(CaptionFinder::field(&window, u"货物已报关"_s), form.field(180));
    QCOMPARE(CaptionFinder::field(&window, u"已办 30"_s), form.field(1045));
    QVERIFY(!CaptionFinder::field(&window, u"没有这一项"_s));
}

#include "tst_boundform.moc"
