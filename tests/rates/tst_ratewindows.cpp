// The rate windows on a real server with demo data, logged in as the
// department manager (运价维护): 运价管理, 运价查询, 批量更新 and the
// quotation, each checked against what the database holds afterwards.

#include "boundform.h"
#include "printdialogfixture.h"
#include "ratefixture.h"
#include "rateconditions.h"
#include "ratebook.h"
#include "ratelist.h"
#include "stringgridmodel.h"
#include "stringgrid.h"
#include "tagbinding.h"
#include "tbaojiadanfrm.h"
#include "tpilianggxfrm.h"
#include "tpntsetupfrm.h"
#include "tyunjiacxfrm.h"
#include "tyunjiaglfrm.h"
#include "values.h"
#include "radiogroup.h"
#include "tchayunjiafrm.h"
#include "thychukoufeiyongmxfrm.h"

#include <QAccessible>
#include <QComboBox>
#include <QGroupBox>
#include <QStyle>
#include <QPushButton>
#include <QScopeGuard>
#include <QDateEdit>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

using namespace CommFunU;
using T = TYunJiaGLFrm;

namespace {

const QString Port = u"PORT O'NEIL: 1"_s; // no demo rate goes there

QHash<QString, QString> testRate(const QString &from, const QString &until, const QStringList &sell,
                                 const QString &carrier = u"马士基"_s)
{
    QHash<QString, QString> r{{u"船公司"_s, carrier}, {u"航线"_s, u"欧洲线"_s}, {u"起运港"_s, u"SHANGHAI"_s},
                              {u"目的港"_s, Port},    {u"币种"_s, u"USD"_s},   {u"生效日期"_s, from},
                              {u"失效日期"_s, until}};
    for (int i = 0; i < sell.size(); ++i) {
        r.insert(RateBook::sellColumn(i), sell.at(i));
        r.insert(RateBook::costColumn(i), sell.at(i).isEmpty() ? QString() : u"1.000"_s);
    }
    return r;
}

QStringList column(const StringGrid *grid, int c)
{
    QStringList out;
    for (int r = 1; r < grid->rowCount(); ++r)
        out << grid->cell(r, c);
    return out;
}

} // namespace

class TestRateWindows : public QObject
{
    Q_OBJECT

    RateFixture f;
    QTemporaryDir dir;

    void clearTestRates() { QCOMPARE(f.exec(u"delete from 运价 where 目的港='"_s + QuoteValue(Port) + u'\''), QString()); }

    // A rate window by its title (the quotation of a test rate).
    std::unique_ptr<QWidget> rateWindow(const QString &title)
    {
        if (title == u"运价管理"_s)
            return maintenance();
        if (title == u"运价查询"_s)
            return std::make_unique<TYunJiaCXFrm>();
        if (title == u"批量更新"_s)
            return std::make_unique<TPiLiangGXFrm>();
        return std::make_unique<TBaoJiaDanFrm>(testRate(u"2031-03-01"_s, u"2031-03-31"_s, {u"1.000"_s}));
    }

    std::unique_ptr<TYunJiaGLFrm> maintenance()
    {
        auto w = std::make_unique<TYunJiaGLFrm>();
        w->show();
        if (!QTest::qWaitFor([&] { return w->grid()->cell(0, 0) == u"序号"_s; }, 5000))
            qWarning("the rates did not list");
        return w;
    }
    // Fills every field of the rate form: texts with apostrophes and colons.
    static void fillEveryField(TYunJiaGLFrm &w)
    {
        w.addNew();
        SetControlValue(w.form()->field(T::Carrier), u"马士基"_s);
        SetControlValue(w.form()->field(T::Route), u"欧洲线"_s);
        SetControlValue(w.form()->field(T::To), Port);
        SetControlValue(w.form()->field(T::Via), u"SINGAPORE: O'HARA"_s);
        SetControlValue(w.form()->field(T::Currency), u"USD"_s);
        for (int i = 0; i < 5; ++i) {
            w.form()->edit(T::FirstCost + 10 * i)->setText(QString::number(1000 + i) + u".5"_s);
            w.form()->edit(T::FirstSell + 10 * i)->setText(i == 3 ? QString() : u"1,"_s + QString::number(200 + i));
        }
        w.form()->edit(T::Surcharges)->setText(u"BAF USD100/TEU; O'K: yes"_s);
        w.form()->edit(T::Sailing)->setText(u"周三/周六"_s);
        w.form()->edit(T::Transit)->setText(u"28"_s);
        w.form()->picker(T::ValidFrom)->setDate(QDate(2031, 3, 1));
        w.form()->picker(T::ValidUntil)->setDate(QDate(2031, 3, 31));
        w.form()->edit(T::Remarks)->setText(u"D'ARCY: 备注"_s);
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(f.start(u"lihua"_s), qPrintable(f.server.errorText()));
        TPntSetupFrm::setDefaultSettingsPath(dir.filePath(u"SinglePntsetupf"_s));
    }
    void init()
    {
        f.messages.clear();
        f.messages.answers.clear();
        clearTestRates();
    }

    void demoRatesExpiredCurrentAndFuture()
    {
        const QString today = DateText(QDate::currentDate());
        QVERIFY(f.count(u"失效日期<'"_s + today + u'\'') > 0);
        QVERIFY(f.count(u"生效日期<='"_s + today + u"' and 失效日期>='"_s + today + u'\'') > 0);
        QVERIFY(f.count(u"生效日期>'"_s + today + u'\'') > 0);
        // Every carrier of a rate is a unit marked 船公司.
        QCOMPARE(f.value(u"select count(*) from 运价 where 船公司 not in (select 简称 from 单位 where 船公司='1')"_s),
                 u"0"_s);
    }

    // A database made before the rate book gets the table, empty, when the
    // server opens it; its other tables stay as they were.
    void olderDatabaseGetsTheTable()
    {
        TestServer old;
        QVERIFY2(old.start(), qPrintable(old.errorText()));
        old.stop();
        sqlite3 *raw = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(old.databasePath()).constData(), &raw), SQLITE_OK);
        QCOMPARE(sqlite3_exec(raw, "DROP TABLE \"运价\"; INSERT INTO \"部门\" VALUES ('旧部门','','','','')", nullptr,
                              nullptr, nullptr),
                 SQLITE_OK);
        sqlite3_close(raw);
        QVERIFY2(old.start(), qPrintable(old.errorText()));
        QVERIFY2(old.log().contains(u"added the table 运价"_s), qPrintable(old.log()));
        auto c = old.connect();
        QCOMPARE(ResultReader::fromAnswer(c->openQuery(u"select count(*) from 运价"_s, QString(), 0)).next(), u"0"_s);
        QCOMPARE(ResultReader::fromAnswer(c->openQuery(u"select count(*) from 部门 where 部门名称='旧部门'"_s, QString(), 0))
                     .next(),
                 u"1"_s);
    }

    void boundControlsMatchTheTable()
    {
        TYunJiaGLFrm w;
        QCOMPARE(CheckBoundRange(&w, 10, 250, u"运价"_s), QString());
    }

    void openedReadyForANewRate()
    {
        auto w = maintenance();
        QCOMPARE(w->form()->edit(T::Number)->text(), QString::number(f.value(u"select Max(序号) from 运价"_s).toInt() + 1));
        QCOMPARE(ControlValue(w->form()->field(T::From)), u"SHANGHAI"_s);
        QCOMPARE(w->form()->picker(T::ValidFrom)->date(), QDate::currentDate());
    }

    void roundTripWithEveryField()
    {
        auto w = maintenance();
        fillEveryField(*w);
        w->save();
        QCOMPARE(f.messages.lastText(), u"保存成功!"_s);
        const QString number = w->form()->edit(T::Number)->text();
        const QHash<QString, QString> stored = f.rate(number);
        QCOMPARE(stored.value(u"目的港"_s), Port);
        QCOMPARE(stored.value(u"中转港"_s), u"SINGAPORE: O'HARA"_s);
        QCOMPARE(stored.value(u"成本20GP"_s), u"1000.500"_s);
        QCOMPARE(stored.value(u"售价40GP"_s), u"1201.000"_s);
        QCOMPARE(stored.value(u"售价45HC"_s), QString()); // no rate for that type
        QCOMPARE(stored.value(u"附加费"_s), u"BAF USD100/TEU; O'K: yes"_s);
        QCOMPARE(stored.value(u"生效日期"_s), u"2031-03-01"_s);
        QCOMPARE(stored.value(u"失效日期"_s), u"2031-03-31"_s);
        QCOMPARE(stored.value(u"备注"_s), u"D'ARCY: 备注"_s);
        QCOMPARE(stored.value(u"录入人"_s), u"李华"_s);
        QCOMPARE(stored.value(u"修改日期"_s), DateText(QDate::currentDate()));

        // Listed and loaded again, every field shows what was stored.
        w->query();
        int row = -1;
        for (int r = 1; r < w->grid()->rowCount(); ++r)
            row = w->grid()->cell(r, 0) == number ? r : row;
        QVERIFY(row > 0);
        w->addNew();
        w->editRow(row);
        const QStringList columns = RateBook::columns();
        const QList<QWidget *> fields = BoundControls(w.get(), 10, 250);
        for (int c = 0; c < columns.size(); ++c)
            QCOMPARE(ControlValue(fields.at(c)), stored.value(columns.at(c)));
    }

    void badInputRefused_data()
    {
        QTest::addColumn<int>("tag");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("said");
        QTest::newRow("price no amount") << int(T::FirstSell + 20) << u"USD 1200"_s << u"售价40'HC 不是有效的金额"_s;
        QTest::newRow("carrier no carrier") << int(T::Carrier) << u"华星纺织"_s << u"船公司必须是"_s;
        QTest::newRow("no destination") << int(T::To) << QString() << u"起运港和目的港不能为空"_s;
    }
    void badInputRefused()
    {
        QFETCH(int, tag);
        QFETCH(QString, text);
        QFETCH(QString, said);
        auto w = maintenance();
        fillEveryField(*w);
        SetControlValue(w->form()->field(tag), text);
        const int before = f.count(u"1=1"_s);
        w->save();
        QVERIFY2(f.messages.lastText().startsWith(said), qPrintable(f.messages.lastText()));
        QCOMPARE(f.count(u"1=1"_s), before);
    }

    void datesAndPricesRequired()
    {
        auto w = maintenance();
        fillEveryField(*w);
        w->form()->picker(T::ValidUntil)->setDate(QDate(2031, 2, 28));
        w->save();
        QCOMPARE(f.messages.lastText(), u"生效日期不能晚于失效日期!"_s);
        w->form()->picker(T::ValidUntil)->setDate(QDate(2031, 3, 1)); // one day is a period
        for (int i = 0; i < 5; ++i) {
            w->form()->edit(T::FirstCost + 10 * i)->clear();
            w->form()->edit(T::FirstSell + 10 * i)->clear();
        }
        w->save();
        QCOMPARE(f.messages.lastText(), u"请至少填写一个价格!"_s);
        QCOMPARE(f.count(u"目的港='"_s + QuoteValue(Port) + u'\''), 0);
    }

    void overlapAsked_data()
    {
        QTest::addColumn<QString>("via");
        QTest::addColumn<QString>("from");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<int>("stored");
        QTest::newRow("overlap, no") << QString() << u"2031-03-31"_s << false << true << 1;
        QTest::newRow("overlap, yes") << QString() << u"2031-03-15"_s << true << true << 2;
        QTest::newRow("the day after") << QString() << u"2031-04-01"_s << false << false << 2;
        QTest::newRow("other 中转港") << u"BUSAN"_s << u"2031-03-10"_s << false << false << 2;
    }
    void overlapAsked()
    {
        QFETCH(QString, via);
        QFETCH(QString, from);
        QFETCH(bool, yes);
        QFETCH(bool, asked);
        QFETCH(int, stored);
        const QString other = f.addRate(testRate(u"2031-03-01"_s, u"2031-03-31"_s, {u"100.000"_s}));
        auto w = maintenance();
        fillEveryField(*w);
        SetControlValue(w->form()->field(T::Via), via);
        w->form()->picker(T::ValidFrom)->setDate(QDate::fromString(from, u"yyyy-MM-dd"_s));
        w->form()->picker(T::ValidUntil)->setDate(QDate(2031, 5, 31));
        f.messages.answers = {yes ? MessageService::Yes : MessageService::No};
        w->save();
        bool questioned = false;
        for (const MessageService::Message &m : std::as_const(f.messages.messages))
            questioned = questioned || m.text.startsWith(u"与序号为 "_s + other + u" 的运价 (2031-03-01 至 2031-03-31)"_s);
        QCOMPARE(questioned, asked);
        QCOMPARE(f.count(u"目的港='"_s + QuoteValue(Port) + u'\''), stored);
    }

    void rateDeletedElsewhereNotRecreated()
    {
        const QString number = f.addRate(testRate(u"2031-03-01"_s, u"2031-03-31"_s, {u"100.000"_s}));
        auto w = maintenance();
        w->query();
        int row = -1;
        for (int r = 1; r < w->grid()->rowCount(); ++r)
            row = w->grid()->cell(r, 0) == number ? r : row;
        w->editRow(row);
        QCOMPARE(f.exec(u"delete from 运价 where 序号="_s + number), QString());
        w->form()->edit(T::FirstSell)->setText(u"150"_s);
        w->save();
        QVERIFY2(f.messages.lastText().contains(u"已被其他用户删除"_s), qPrintable(f.messages.lastText()));
        QVERIFY(f.rate(number).isEmpty());
    }

    void copyIsANewRateForTheNextPeriod()
    {
        const QString number = f.addRate(testRate(u"2031-03-01"_s, u"2031-03-31"_s, {u"100.000"_s}));
        auto w = maintenance();
        w->query();
        for (int r = 1; r < w->grid()->rowCount(); ++r) {
            if (w->grid()->cell(r, 0) == number)
                w->grid()->setCurrentCell(r, 0);
        }
        w->copySelected();
        QCOMPARE(w->mode(), MasterDataWindow::Mode::New);
        QVERIFY(w->form()->edit(T::Number)->text() != number);
        QCOMPARE(w->form()->picker(T::ValidFrom)->date(), QDate(2031, 4, 1));
        w->save();
        QCOMPARE(f.messages.lastText(), u"保存成功!"_s);
        QCOMPARE(f.count(u"目的港='"_s + QuoteValue(Port) + u"' and 售价20GP='100.000'"_s), 2);
        QCOMPARE(f.rate(number).value(u"失效日期"_s), u"2031-03-31"_s); // the original is untouched
    }

    void queryOnTheEdgesOfAValidity_data()
    {
        QTest::addColumn<QDate>("day");
        QTest::addColumn<bool>("listed");
        QTest::newRow("the day before") << QDate(2031, 2, 28) << false;
        QTest::newRow("the first day") << QDate(2031, 3, 1) << true;
        QTest::newRow("the last day") << QDate(2031, 3, 31) << true;
        QTest::newRow("the day after") << QDate(2031, 4, 1) << false;
    }
    void queryOnTheEdgesOfAValidity()
    {
        QFETCH(QDate, day);
        QFETCH(bool, listed);
        const QString number = f.addRate(testRate(u"2031-03-01"_s, u"2031-03-31"_s, {u"100.000"_s}));
        TYunJiaCXFrm w;
        QCOMPARE(w.conditions()->day(), QDate::currentDate());
        w.conditions()->setText(RateConditions::To, Port);
        w.conditions()->setDay(day);
        w.button(u"查询"_s)->click();
        QCOMPARE(column(w.grid(), 0).contains(number), listed);
        QCOMPARE(w.grid()->cell(0, 7), u"20'GP"_s);
    }

    void sortedByTheChosenType_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QList<int>>("order"); // of the rates added, by index
        QTest::newRow("20'GP") << u"20'GP"_s << QList<int>{0, 1, 2};
        QTest::newRow("40'HC") << u"40'HC"_s << QList<int>{2, 0, 1};
    }
    void sortedByTheChosenType()
    {
        QFETCH(QString, type);
        QFETCH(QList<int>, order);
        const QStringList numbers{
            f.addRate(testRate(u"2031-03-01"_s, u"2031-03-31"_s, {u"300.000"_s, {}, u"500.000"_s})),
            f.addRate(testRate(u"2031-03-01"_s, u"2031-03-31"_s, {u"1200.000"_s, {}, {}}, u"中远集运"_s)),
            f.addRate(testRate(u"2031-03-01"_s, u"2031-03-31"_s, {{}, {}, u"200.000"_s}, u"东方海外"_s)),
        };
        TYunJiaCXFrm w;
        w.conditions()->setText(RateConditions::To, Port);
        w.conditions()->setText(RateConditions::Type, type);
        w.conditions()->setDay(QDate(2031, 3, 15));
        w.query();
        QStringList expected;
        for (int i : std::as_const(order))
            expected << numbers.at(i);
        // 300 < 1,200 (as amounts, not as text); a rate without the price last.
        QCOMPARE(column(w.grid(), 0), expected);
        // The prices as every list shows amounts, the other columns as stored.
        const int first = int(column(w.grid(), 0).indexOf(numbers.at(1))) + 1;
        const int gp20 = RateList::column(RateBook::sellColumn(0));
        const int hc40 = RateList::column(RateBook::sellColumn(2));
        QCOMPARE(w.grid()->cell(first, gp20), u"1,200.000"_s);
        QCOMPARE(w.grid()->cell(first, hc40), QString()); // no price
        const auto alignment = [&](int c) {
            return w.grid()->gridModel()->index(first, c).data(Qt::TextAlignmentRole).value<Qt::Alignment>();
        };
        QCOMPARE(alignment(gp20), Qt::AlignRight | Qt::AlignVCenter);
        QCOMPARE(alignment(0), Qt::AlignLeft | Qt::AlignVCenter);
        QVERIFY(w.grid()->listColumns().amountColumns(w.grid()->colCount()).contains(hc40));
    }

    void batchUpdate_data()
    {
        QTest::addColumn<bool>("percent");
        QTest::addColumn<QString>("sell20");
        QTest::addColumn<QString>("cost40");
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QStringList>("after"); // 序号-ordered: 失效日期/售价20GP/成本40GP of each rate
        QTest::newRow("amount in place") << false << u"50"_s << u"-10.5"_s << QDate()
                                         << QStringList{u"2031-03-31/350.000/89.500"_s, u"2031-03-31/1250.000/"_s};
        QTest::newRow("percent in place") << true << u"10"_s << QString() << QDate()
                                          << QStringList{u"2031-03-31/330.000/100.000"_s, u"2031-03-31/1320.000/"_s};
        QTest::newRow("percent from a date")
            << true << u"5"_s << QString() << QDate(2031, 3, 16)
            << QStringList{u"2031-03-15/300.000/100.000"_s, u"2031-03-15/1200.000/"_s, u"2031-03-31/315.000/100.000"_s,
                           u"2031-03-31/1260.000/"_s};
    }
    void batchUpdate()
    {
        QFETCH(bool, percent);
        QFETCH(QString, sell20);
        QFETCH(QString, cost40);
        QFETCH(QDate, from);
        QFETCH(QStringList, after);
        auto rate = [](const QStringList &sell, const QString &cost40Price) {
            QHash<QString, QString> r = testRate(u"2031-03-01"_s, u"2031-03-31"_s, sell);
            r.insert(u"成本40GP"_s, cost40Price);
            return r;
        };
        f.addRate(rate({u"300.000"_s}, u"100.000"_s));
        f.addRate(rate({u"1200.000"_s}, QString())); // no 40'GP rate stays none
        const int others = f.count(u"目的港<>'"_s + QuoteValue(Port) + u'\'');

        TPiLiangGXFrm w;
        w.conditions()->setText(RateConditions::To, Port);
        w.conditions()->setDay(QDate(2031, 3, 10));
        w.form()->radioGroup(TPiLiangGXFrm::ChangeKind)->setItemIndex(percent ? 1 : 0);
        w.form()->edit(TPiLiangGXFrm::FirstSell)->setText(sell20);
        w.form()->edit(TPiLiangGXFrm::FirstCost + 10)->setText(cost40);
        if (from.isValid()) {
            w.form()->radioGroup(TPiLiangGXFrm::Timing)->setItemIndex(1);
            w.form()->picker(TPiLiangGXFrm::NewFrom)->setDate(from);
        }
        w.showPreview();
        QCOMPARE(w.preview()->rowCount(), 3); // heading and the two rates
        w.confirm();
        QCOMPARE(f.messages.lastText(), u"批量更新完成，共修改 2 条运价。"_s);
        const QList<QStringList> rows = ResultReader::fromAnswer(
                                            f.db->openQuery(u"select 失效日期, 售价20GP, 成本40GP from 运价 where 目的港='"_s
                                                                + QuoteValue(Port) + u"' order by 序号"_s,
                                                            QString(), 0))
                                            .rows();
        QStringList stored;
        for (const QStringList &row : rows)
            stored << row.join(u'/');
        QCOMPARE(stored, after);
        if (from.isValid())
            QCOMPARE(f.count(u"目的港='"_s + QuoteValue(Port) + u"' and 生效日期='2031-03-16' and 录入人='李华'"_s), 2);
        QCOMPARE(f.count(u"目的港<>'"_s + QuoteValue(Port) + u'\''), others);
    }

    // A trigger refuses the change of the second rate: the first one, changed
    // before it in the same transaction, keeps its price too.
    void batchUpdateAllOrNothing()
    {
        f.addRate(testRate(u"2031-03-01"_s, u"2031-03-31"_s, {u"300.000"_s}));
        const QString second = f.addRate(testRate(u"2031-03-01"_s, u"2031-03-31"_s, {u"400.000"_s}));
        sqlite3 *raw = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(f.server.databasePath()).constData(), &raw), SQLITE_OK);
        const QByteArray trigger = "CREATE TRIGGER refuse_rate BEFORE UPDATE ON \"运价\" WHEN old.\"序号\"=" + second.toUtf8()
                                   + " BEGIN SELECT RAISE(ABORT, 'refused by the test'); END";
        QCOMPARE(sqlite3_exec(raw, trigger.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
        const auto drop = qScopeGuard([raw] {
            sqlite3_exec(raw, "DROP TRIGGER refuse_rate", nullptr, nullptr, nullptr);
            sqlite3_close(raw);
        });
        TPiLiangGXFrm w;
        w.conditions()->setText(RateConditions::To, Port);
        w.conditions()->setDay(QDate(2031, 3, 10));
        w.form()->edit(TPiLiangGXFrm::FirstSell)->setText(u"100"_s);
        w.confirm();
        QVERIFY2(f.messages.lastText().startsWith(u"批量更新没有完成"_s), qPrintable(f.messages.lastText()));
        QCOMPARE(f.count(u"目的港='"_s + QuoteValue(Port) + u"' and 售价20GP in ('300.000','400.000')"_s), 2);
        QCOMPARE(f.count(u"目的港='"_s + QuoteValue(Port) + u'\''), 2);
    }

    void quotationPrintedToPdf()
    {
        if (!ReportFixture::havePdfToText())
            QSKIP("pdftotext is not installed");
        const QString number =
            f.addRate(testRate(u"2031-03-01"_s, u"2031-03-31"_s, {u"1234.000"_s, u"2200.000"_s, {}, {}, u"48.000"_s}));
        TYunJiaCXFrm query;
        query.conditions()->setText(RateConditions::To, Port);
        query.conditions()->setDay(QDate(2031, 3, 1));
        query.query();
        QCOMPARE(query.grid()->cell(1, 0), number);
        TBaoJiaDanFrm sheet(query.rateOf(1));
        sheet.show();
        QVERIFY(QTest::qWaitForWindowExposed(&sheet));
        QVERIFY(QTest::qWaitFor([&] { return !sheet.heading()->text().isEmpty(); }, 5000));
        sheet.setFieldText(TBaoJiaDanFrm::Customer, u"华星纺织"_s);
        const PrintDialogFixture::Printed printed =
            PrintDialogFixture::printToPdf([&] { sheet.printButton()->click(); }, dir.filePath(u"quote.pdf"_s));
        const QString words = printed.texts().join(u' ');
        for (const QString &expected : {u"华星纺织"_s, u"马士基"_s, u"SHANGHAI"_s, u"1,234.000"_s, u"2,200.000"_s,
                                        u"48.000"_s, u"2031-03-01"_s, u"李华"_s})
            QVERIFY2(words.contains(expected), qPrintable(expected + u" not in: "_s + words));
        QCOMPARE(sheet.fieldText(TBaoJiaDanFrm::FirstPrice + 20), u"-"_s); // 40'HC: no rate
        QCOMPARE(sheet.fieldText(TBaoJiaDanFrm::User), u"李华"_s);

        // On paper as on screen each price ends where its container type ends.
        const auto wordBox = [&](const QString &text) {
            for (const ReportFixture::PdfWord &w : printed.words) {
                if (w.text == text)
                    return w.box;
            }
            return QRectF();
        };
        const std::pair<QString, QString> underTypes[] = {
            {u"20'GP"_s, u"1,234.000"_s}, {u"40'GP"_s, u"2,200.000"_s}, {u"CBM"_s, u"48.000"_s}};
        for (const auto &[type, price] : underTypes) {
            const QRectF caption = wordBox(type);
            const QRectF amount = wordBox(price);
            QVERIFY2(!caption.isNull() && !amount.isNull(), qPrintable(type + u" / "_s + price));
            QVERIFY2(qAbs(caption.right() - amount.right()) < 2.0,
                     qPrintable(u"%1 ends at %2, %3 at %4"_s.arg(type).arg(caption.right()).arg(price).arg(amount.right())));
        }
        for (int i = 0; i < RateBook::types().size(); ++i) {
            QLineEdit *priceEdit = sheet.form()->edit(TBaoJiaDanFrm::FirstPrice + 10 * i);
            QVERIFY(priceEdit);
            QVERIFY(priceEdit->alignment() & Qt::AlignRight);
        }
    }

    // Every rate window carries its caption as title and every field its
    // caption as the name a screen reader says.
    void fieldsNamedByTheirCaptions_data()
    {
        QTest::addColumn<QString>("window");
        for (const char16_t *title : {u"运价管理", u"运价查询", u"批量更新", u"报价单"})
            QTest::newRow(QString::fromUtf16(title).toUtf8()) << QString::fromUtf16(title);
    }
    void fieldsNamedByTheirCaptions()
    {
        QFETCH(QString, window);
        std::unique_ptr<QWidget> w = rateWindow(window);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QCOMPARE(w->windowTitle(), window);
        QStringList unnamed;
        int fields = 0;
        for (QWidget *field : w->findChildren<QWidget *>()) {
            const bool own = qobject_cast<QComboBox *>(field) || qobject_cast<QDateEdit *>(field)
                             || (qobject_cast<QLineEdit *>(field) && !qobject_cast<QComboBox *>(field->parentWidget())
                                 && !qobject_cast<QAbstractSpinBox *>(field->parentWidget()));
            if (!own || !field->isVisibleTo(w.get()))
                continue;
            ++fields;
            QAccessibleInterface *node = QAccessible::queryAccessibleInterface(field);
            if (field->accessibleName().isEmpty() && (!node || node->text(QAccessible::Name).isEmpty()))
                unnamed << field->metaObject()->className() + u' ' + field->objectName();
        }
        QVERIFY(fields > 5);
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(u", "_s)));
    }

    // Tab goes through the fields as they are read: row by row, left to right.
    void tabFollowsTheRows_data() { fieldsNamedByTheirCaptions_data(); }
    void tabFollowsTheRows()
    {
        QFETCH(QString, window);
        std::unique_ptr<QWidget> w = rateWindow(window);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        const auto isField = [&](QWidget *field) {
            return (qobject_cast<QComboBox *>(field) || qobject_cast<QDateEdit *>(field)
                    || (qobject_cast<QLineEdit *>(field) && !qobject_cast<QComboBox *>(field->parentWidget())
                        && !qobject_cast<QAbstractSpinBox *>(field->parentWidget())))
                   && field->isVisibleTo(w.get()) && field->isEnabled() && (field->focusPolicy() & Qt::TabFocus);
        };
        QList<QWidget *> chain;
        for (QWidget *next = w->nextInFocusChain(); next && next != w.get(); next = next->nextInFocusChain()) {
            if (isField(next) && !chain.contains(next))
                chain << next;
        }
        QVERIFY(chain.size() > 5);
        const auto place = [&](QWidget *field) { return field->mapTo(w.get(), QPoint(0, 0)); };
        for (int i = 1; i < chain.size(); ++i) {
            const QPoint before = place(chain.at(i - 1));
            const QPoint after = place(chain.at(i));
            const bool sameRow = qAbs(before.y() - after.y()) < 8;
            QVERIFY2(sameRow ? after.x() > before.x() : after.y() > before.y(),
                     qPrintable(u"%1 (%2,%3) then %4 (%5,%6)"_s.arg(chain.at(i - 1)->accessibleName()).arg(before.x())
                                    .arg(before.y()).arg(chain.at(i)->accessibleName()).arg(after.x()).arg(after.y())));
        }
    }

    // The windows that look rates up stack their groups of fields one under
    // the other without an empty band between them.
    void groupsFollowOneAnother_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("upper");
        QTest::addColumn<QString>("lower");
        QTest::newRow("批量更新") << u"批量更新"_s << u"查询条件"_s << u"调整"_s;
        QTest::newRow("运价管理") << u"运价管理"_s << u"运价"_s << u"成本价 (空 = 无此箱型运价)"_s;
    }
    void groupsFollowOneAnother()
    {
        QFETCH(QString, window);
        QFETCH(QString, upper);
        QFETCH(QString, lower);
        std::unique_ptr<QWidget> w;
        if (window == u"批量更新"_s)
            w = std::make_unique<TPiLiangGXFrm>();
        else
            w = maintenance();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QCOMPARE(w->windowTitle(), window);
        const auto box = [&](const QString &title) -> QRect {
            for (QGroupBox *g : w->findChildren<QGroupBox *>()) {
                if (g->title() == title)
                    return QRect(g->mapTo(w.get(), QPoint(0, 0)), g->size());
            }
            return {};
        };
        const QRect top = box(upper);
        const QRect bottom = box(lower);
        QVERIFY(top.isValid() && bottom.isValid());
        const int gap = bottom.top() - top.bottom();
        QVERIFY2(gap >= 0 && gap <= 2 * w->style()->pixelMetric(QStyle::PM_LayoutVerticalSpacing) + 2,
                 qPrintable(u"%1 px between %2 and %3"_s.arg(gap).arg(upper, lower)));
    }

    // 运价管理 lists cost and selling prices on the right like every list's
    // amounts, the other columns on the left, the cells as stored.
    void maintenanceListsPricesOnTheRight()
    {
        const QString number =
            f.addRate(testRate(u"2031-03-01"_s, u"2031-03-31"_s, {u"1234.000"_s, {}, {}, {}, u"48.000"_s}));
        auto w = maintenance();
        w->listAll();
        StringGrid *grid = w->grid();
        int row = 1;
        while (row < grid->rowCount() && grid->cell(row, 0) != number)
            ++row;
        QVERIFY(row < grid->rowCount());
        int amounts = 0;
        for (int c = 0; c < grid->colCount(); ++c) {
            const QString heading = grid->cell(0, c);
            const bool price = heading.startsWith(u"成本"_s) || heading.startsWith(u"售价"_s);
            const auto align = grid->model()->index(row - 1, c).data(Qt::TextAlignmentRole).value<Qt::Alignment>();
            QVERIFY2(bool(align & Qt::AlignRight) == price, qPrintable(heading));
            amounts += price ? 1 : 0;
        }
        QCOMPARE(amounts, 2 * int(RateBook::types().size()));
        QStringList headings;
        for (int c = 0; c < grid->colCount(); ++c)
            headings << grid->cell(0, c);
        QCOMPARE(grid->cell(row, int(headings.indexOf(RateBook::sellColumn(0)))), u"1234.000"_s);
    }

    // 查运价 of the export fee details for a job of three containers: the
    // job's carrier first, whose rate has no 40'HC (said, nothing taken),
    // then another carrier's rate: 2 × 20'GP + 1 × 40'HC into 海运费.
    void lookupFillsTheFreight()
    {
        f.addRate(testRate(u"2031-03-01"_s, u"2031-03-31"_s, {u"1200.000"_s, u"2200.000"_s, u"2300.000"_s}));
        f.addRate(testRate(u"2031-03-01"_s, u"2031-03-31"_s, {u"900.000"_s, u"1700.000"_s}, u"中远集运"_s));
        f.addRate(testRate(u"2031-04-01"_s, u"2031-04-30"_s, {u"100.000"_s, u"100.000"_s, u"100.000"_s}));
        CargoJobValues job;
        job.columns = {{u"业务编号"_s, f.value(u"select top 1 业务编号 from 货运出口费用明细 order by 业务编号"_s)},
                       {u"船期"_s, u"2031-03-31"_s},
                       {u"装货港"_s, u"SHANGHAI"_s},
                       {u"目的港"_s, Port},
                       {u"订舱单位"_s, u"中远集运"_s},
                       {u"箱型箱量"_s, u"20'GP*2 & 40'HC*1"_s}};
        job.saved = true;
        THYChukouFeiYongMXFrm fees;
        fees.setJob(job);
        TChaYunJiaFrm::AddTo(fees, job, TChaYunJiaFrm::ClientFreightTag);
        fees.show();
        QVERIFY(QTest::qWaitFor([&] { return !fees.loadFailed(); }, 5000));
        QPushButton *lookupButton = nullptr;
        for (QPushButton *b : fees.findChildren<QPushButton *>())
            lookupButton = b->text() == u"查运价"_s ? b : lookupButton;
        QVERIFY(lookupButton);

        QStringList carriers;
        QStringList saidInside;
        ModalHelper::onNextModal([&](QWidget *modal) {
            auto *lookup = qobject_cast<TChaYunJiaFrm *>(modal);
            if (!lookup) {
                modal->close();
                return;
            }
            if (!QTest::qWaitFor([&] { return lookup->grid()->rowCount() == 3; }, 5000))
                qWarning("the rates did not list");
            carriers = column(lookup->grid(), 1);
            lookup->grid()->setCurrentCell(1, 0);
            lookup->button(u"确定"_s)->click();
            saidInside << f.messages.lastText();
            f.messages.answers = {MessageService::Yes};
            lookup->grid()->setCurrentCell(2, 0);
            lookup->button(u"确定"_s)->click();
        });
        lookupButton->click();
        QCOMPARE(carriers, (QStringList{u"中远集运"_s, u"马士基"_s}));
        QCOMPARE(saidInside, QStringList{u"所选运价没有 40'HC 的价格，没有填入海运费。"_s});
        QCOMPARE(f.messages.lastText(), u"海运费: 2 × 20'GP 1,200.000 + 1 × 40'HC 2,300.000 = 4,700.000 USD\r是否填入海运费？"_s);
        QCOMPARE(fees.amountField(TChaYunJiaFrm::ClientFreightTag)->text(), u"4,700.000"_s);
        QVERIFY(fees.isModified());
        fees.saveButton()->setEnabled(false); // closing asks nothing
        fees.reject();
    }

    // The server decides: an export operator (no 运价维护) reads the rates,
    // as 查运价 does, but 运价管理's save and 批量更新 are refused and nothing is stored.
    void operatorWithoutRightSixRefused()
    {
        const QString number = f.addRate(testRate(u"2031-03-01"_s, u"2031-03-31"_s, {u"300.000"_s}));
        auto op = f.server.connect();
        op->setCredentials(u"zhaomin"_s, u"123456"_s);
        QCOMPARE(ResultReader::fromAnswer(op->openQuery(u"select 售价20GP from 运价 where 序号="_s + number, QString(), 0)).next(),
                 u"300.000"_s);
        QVERIFY(op->execSql(u"update 运价 set 售价20GP='1.000' where 序号="_s + number, QString()).startsWith(u"Err"_s));
        QVERIFY(op->execSql(u"delete from 运价 where 序号="_s + number, QString()).startsWith(u"Err"_s));
        CommFunU::SetAppServerProvider([&op]() -> ServerConnection & { return *op; });
        const auto back = qScopeGuard([this] { CommFunU::SetAppServerProvider([this]() -> ServerConnection & { return *f.client; }); });
        {
            auto w = maintenance();
            fillEveryField(*w);
            w->save();
            QVERIFY2(f.messages.lastText().contains(u"无权限"_s), qPrintable(f.messages.lastText()));
        }
        TPiLiangGXFrm batch;
        batch.conditions()->setText(RateConditions::To, Port);
        batch.conditions()->setDay(QDate(2031, 3, 10));
        batch.form()->edit(TPiLiangGXFrm::FirstSell)->setText(u"100"_s);
        batch.confirm();
        QVERIFY2(f.messages.lastText().startsWith(u"批量更新没有完成"_s), qPrintable(f.messages.lastText()));
        QCOMPARE(f.count(u"目的港='"_s + QuoteValue(Port) + u'\''), 1);
        QCOMPARE(f.rate(number).value(u"售价20GP"_s), u"300.000"_s);
    }

};

QTEST_MAIN(TestRateWindows)
#include "tst_ratewindows.moc"
