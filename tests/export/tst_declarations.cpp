// The customs and inspection declarations on a demo server: what the job
// hands over, what is stored and how (one transaction, amounts formatted
// even without leaving the field), what is refused, and what is printed
// onto the pre-printed form and on plain paper.
#include "sheetfixture.h"

#include "boundform.h"
#include "stringgrid.h"
#include "tagbinding.h"
#include "tbaoguanfrm.h"
#include "tbjfrm.h"
#include "tgengzhengfrm.h"
#include "tpntsetupfrm.h"
#include "values.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>

class TestDeclarations : public QObject
{
    Q_OBJECT

    SheetFixture f;

    // The sheet shown and loaded, as its button opens it.
    template <class Sheet> static std::unique_ptr<Sheet> opened(const CargoJobValues &job)
    {
        auto sheet = std::make_unique<Sheet>(job);
        sheet->show();
        if (!QTest::qWaitFor([&] { return sheet->loadState() != DeclarationSheet::LoadState::Pending; }, 10000))
            qWarning("the sheet did not load");
        return sheet;
    }
    static QString text(const PrintableSheet &sheet, int tag) { return CommFunU::ControlValue(sheet.form()->field(tag)); }
    static void set(const PrintableSheet &sheet, int tag, const QString &value)
    {
        CommFunU::SetControlValue(sheet.form()->field(tag), value);
    }
    QString stored(const QString &column, const QString &number, const QString &table = u"货运出口报关单"_s) const
    {
        return f.value(u"select "_s + column + u" from "_s + table + u" where 业务编号='"_s + CommFunU::QuoteValue(number) + u'\'');
    }

private slots:
    void initTestCase() { QVERIFY2(f.start(), qPrintable(f.server.errorText())); }

    // One bound control per column, in the tables' order of Tags.
    void boundFieldsMatchTheTables_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("table");
        QTest::addColumn<int>("columns");
        QTest::newRow("报关单") << 0 << u"货运出口报关单"_s << 22;
        QTest::newRow("报检单") << 1 << u"货运出口报检单"_s << 22;
        QTest::newRow("更正单") << 2 << u"货运出口更正单"_s << 7;
    }
    void boundFieldsMatchTheTables()
    {
        QFETCH(int, kind);
        QFETCH(QString, table);
        QFETCH(int, columns);
        CargoJobValues job;
        job.columns.insert(u"业务编号"_s, u"X1"_s);
        std::unique_ptr<QWidget> sheet;
        int high = TGengZhengFrm::HighTag;
        if (kind == 0) {
            sheet = std::make_unique<TBaoGuanFrm>(job);
            high = TBaoGuanFrm::Declarant;
        } else if (kind == 1) {
            sheet = std::make_unique<TbjFrm>(job);
            high = TbjFrm::FeeCollectedBy;
        } else {
            sheet = std::make_unique<TGengZhengFrm>(job);
        }
        QCOMPARE(CommFunU::BoundControls(sheet.get(), 10, high).size(), columns);
        QCOMPARE(CommFunU::CheckBoundRange(sheet.get(), 10, high, table), QString());
    }

    // A first declaration shows what the job hands over and today's dates;
    // 1250 typed into 运费 and saved at once is stored "1,250.000"; the
    // inspection declaration reads 贸易方式 and 合同协议号 from it.
    void savedAndReadBack()
    {
        const QString number = f.jobWhere(u"业务编号 not in (select 业务编号 from 货运出口报关单) and 报关行<>'' "
                                          u"and 业务编号 in (select 业务编号 from 货运出口货物明细)"_s);
        QVERIFY(!number.isEmpty());
        const CargoJobValues job = f.job(number);
        {
            auto sheet = opened<TBaoGuanFrm>(job);
            QCOMPARE(sheet->loadState(), DeclarationSheet::LoadState::NoRow);
            QCOMPARE(text(*sheet, TBaoGuanFrm::Filing), job.column(u"手册号"_s));
            QCOMPARE(text(*sheet, TBaoGuanFrm::Conveyance), job.column(u"船名"_s) + u' ' + job.column(u"航次"_s));
            QCOMPARE(text(*sheet, TBaoGuanFrm::Container), job.cargoRows.value(0).value(1));
            QCOMPARE(text(*sheet, TBaoGuanFrm::Documents), job.column(u"报关行"_s));
            QCOMPARE(text(*sheet, TBaoGuanFrm::ExportDate), CommFunU::DateText(QDate::currentDate()));
            QCOMPARE(text(*sheet, TBaoGuanFrm::TradeMode), u"一般贸易"_s);

            auto *freight = sheet->form()->edit(TBaoGuanFrm::Freight);
            freight->setFocus();
            QTest::keyClicks(freight, u"1250"_s);
            set(*sheet, TBaoGuanFrm::Company, u"O'Neil: 上海"_s);
            set(*sheet, TBaoGuanFrm::TradeMode, u"进料加工"_s);
            set(*sheet, TBaoGuanFrm::Contract, u"HT'2026:01"_s);
            set(*sheet, TBaoGuanFrm::Documents, u"发票 装箱单"_s);
            QVERIFY(sheet->Save());
            QCOMPARE(f.messages.lastText(), u"成功!"_s);
            QCOMPARE(freight->text(), u"1,250.000"_s);
        }
        QCOMPARE(stored(u"运费"_s, number), u"1,250.000"_s);
        QCOMPARE(stored(u"保费"_s, number), u"0.000"_s);
        QCOMPARE(stored(u"经营单位"_s, number), u"O'Neil: 上海"_s);

        auto again = opened<TBaoGuanFrm>(job);
        QCOMPARE(again->loadState(), DeclarationSheet::LoadState::Loaded);
        QCOMPARE(text(*again, TBaoGuanFrm::Documents), u"发票 装箱单"_s); // stored, not the broker
        QCOMPARE(text(*again, TBaoGuanFrm::TradeMode), u"进料加工"_s);

        auto inspection = opened<TbjFrm>(job);
        QCOMPARE(text(*inspection, TbjFrm::TradeMode), u"进料加工"_s);
        QCOMPARE(text(*inspection, TbjFrm::ContractNumber), u"HT'2026:01"_s);
        QCOMPARE(text(*inspection, TbjFrm::ApplicationDate), job.column(u"船期"_s));
        set(*inspection, TbjFrm::ApplicationDate, u"2026-02-03"_s);
        // Ctrl+S saves, as 保存(&S) does.
        inspection->activateWindow();
        QTRY_VERIFY(inspection->isActiveWindow());
        QWidget *picker = inspection->form()->picker(TbjFrm::ApplicationDate);
        picker->setFocus();
        f.messages.clear();
        QTest::keyClick(picker, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(f.messages.lastText(), u"成功!"_s);
        QCOMPARE(opened<TbjFrm>(job)->form()->picker(TbjFrm::ApplicationDate)->date(), QDate(2026, 2, 3));
    }

    // The database refuses the new row: the old one stays.
    void refusedInsertKeepsTheOldDeclaration()
    {
        const QString number = f.value(u"select top 1 业务编号 from 货运出口报关单 order by 业务编号"_s);
        const QString declarant = stored(u"报关员"_s, number);
        QCOMPARE(f.exec(u"create trigger refuse before insert on 货运出口报关单 when new.报关员 = '拒绝' "
                        u"begin select raise(abort, 'refused by test'); end"_s),
                 QString());
        const auto drop = qScopeGuard([this] { f.exec(u"drop trigger refuse"_s); });
        auto sheet = opened<TBaoGuanFrm>(f.job(number));
        set(*sheet, TBaoGuanFrm::Declarant, u"拒绝"_s);
        QVERIFY(!sheet->Save());
        QVERIFY2(f.messages.lastText().startsWith(u"出错: \rinsert into 货运出口报关单  values('"_s + number), qPrintable(f.messages.lastText()));
        QVERIFY(f.messages.lastText().endsWith(u"refused by test"_s));
        QCOMPARE(stored(u"count(*)"_s, number), u"1"_s);
        QCOMPARE(stored(u"报关员"_s, number), declarant);
    }

    // What cannot be stored is refused with a message and nothing is written.
    void badInputRefused_data()
    {
        QTest::addColumn<int>("tag");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::newRow("record separator") << int(TBaoGuanFrm::Company) << u"A"_s + CommFunU::FieldSep + u"B"_s
                                          << u"控件 经营单位 (Tag 50) 的内容含有不能保存的字符"_s;
        QTest::newRow("no amount") << int(TBaoGuanFrm::Insurance) << u"1.2.3"_s << u"值过大或无效!1.2.3"_s;
        // It was read as 12.000 and stored.
        QTest::newRow("letters") << int(TBaoGuanFrm::Freight) << u"12a"_s << u"值过大或无效!12a\r\r运费: "_s;
    }
    void badInputRefused()
    {
        QFETCH(int, tag);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        const QString number = f.value(u"select top 1 业务编号 from 货运出口报关单 order by 业务编号 desc"_s);
        const QString before = f.value(u"select 经营单位 + '|' + 保费 from 货运出口报关单 where 业务编号='"_s + number + u'\'');
        auto sheet = opened<TBaoGuanFrm>(f.job(number));
        set(*sheet, tag, typed);
        f.messages.clear();
        QVERIFY(!sheet->Save());
        QVERIFY2(f.messages.said(message), qPrintable(f.messages.lastText()));
        QCOMPARE(f.value(u"select 经营单位 + '|' + 保费 from 货运出口报关单 where 业务编号='"_s + number + u'\''), before);
    }

    // A stored date that cannot be read: said, nothing half-loaded, no save.
    void unreadableDateShownAsError()
    {
        const QString number = f.value(u"select top 1 业务编号 from 货运出口报关单 where 预录入编号<>'' order by 业务编号"_s);
        QCOMPARE(f.exec(u"update 货运出口报关单 set 出口日期='2026-13-45' where 业务编号='"_s + number + u'\''), QString());
        f.messages.clear();
        auto sheet = opened<TBaoGuanFrm>(f.job(number));
        QCOMPARE(sheet->loadState(), DeclarationSheet::LoadState::Failed);
        QCOMPARE(f.messages.lastText(), u"出错: \r日期格式不对: 2026-13-45"_s);
        QCOMPARE(text(*sheet, TBaoGuanFrm::PreEntry), QString()); // read before the date, then undone
        QVERIFY(!sheet->saveButton()->isEnabled());
        QVERIFY(!sheet->Save());
        QCOMPARE(stored(u"出口日期"_s, number), u"2026-13-45"_s);
    }

    // Enter walks the cells and opens a row after a filled last one; 删除
    // always leaves one row.
    void goodsGrid()
    {
        TBaoGuanFrm sheet(f.job(f.jobWhere(u"1=1"_s)));
        sheet.show();
        StringGrid *goods = sheet.goods();
        goods->setCurrentCell(0, 7);
        QTest::keyClick(goods, Qt::Key_Return);
        QCOMPARE(goods->rowCount(), 1); // an empty row stays the last
        goods->setCell(0, 2, u"T-SHIRTS"_s);
        goods->setCurrentCell(0, 6);
        QTest::keyClick(goods, Qt::Key_Return);
        QCOMPARE(goods->currentCol(), 7);
        QTest::keyClick(goods, Qt::Key_Return);
        QCOMPARE(goods->rowCount(), 2);
        QCOMPARE(goods->currentRow(), 1);
        sheet.AddGoodsRow(); // the last row is empty: no other
        QCOMPARE(goods->rowCount(), 2);
        goods->setCurrentCell(0, 0);
        sheet.DeleteGoodsRow();
        sheet.DeleteGoodsRow();
        QCOMPARE(goods->rowCount(), 1);
        QCOMPARE(goods->rowCells(0).join(QString()), QString());
    }

    // Onto the pre-printed form: the values only (also those of the combo
    // boxes and date pickers), the goods five rows a page.
    void printsValuesAndGoodsFiveAPage()
    {
        const QString number = f.jobWhere(u"业务编号 in (select 业务编号 from 货运出口报关单)"_s);
        auto sheet = opened<TBaoGuanFrm>(f.job(number));
        set(*sheet, TBaoGuanFrm::DutyNature, u"免征"_s);
        set(*sheet, TBaoGuanFrm::ExportDate, u"2026-03-08"_s);
        sheet->goods()->setRows({{u"G1"_s}, {u"G2"_s}, {u"G3"_s}, {u"G4"_s}, {u"G5"_s}, {u"G6"_s, u"6109"_s}}, 8);
        const auto fields = [&] { return sheet->sheet()->findChildren<QLineEdit *>(Qt::FindDirectChildrenOnly).size(); };
        const qsizetype before = fields();
        const auto printed = f.print(sheet->printButton(), u"customs.pdf"_s,
                                     [](TPntSetupFrm &dialog) { dialog.setPlainPaper(false); });
        QCOMPARE(printed.container, sheet->sheet());
        QCOMPARE(ReportFixture::pdfPages(f.pdf(u"customs.pdf"_s)).size(), 2);
        QStringList first, second;
        for (const ReportFixture::PdfWord &w : printed.words)
            (w.page == 0 ? first : second) << w.text;
        for (const QString &expected : {u"G1"_s, u"G5"_s, u"免征"_s, u"2026年3月8日"_s, u"SHANGHAI"_s})
            QVERIFY2(first.contains(expected), qPrintable(expected + u" missing from "_s + first.join(u' ')));
        QVERIFY(!first.contains(u"G6"_s));
        // The second page: the form's values again and the sixth row alone.
        QVERIFY(second.contains(u"G6"_s) && second.contains(u"6109"_s) && second.contains(u"免征"_s));
        QVERIFY(!second.contains(u"G1"_s) && !second.contains(u"G5"_s));
        for (const QString &left : {u"经营单位"_s, u"中华人民共和国海关出口货物报关单"_s, number})
            QVERIFY2(!first.join(u' ').contains(left), qPrintable(left)); // captions, title, hidden number
        QCOMPARE(fields(), before); // the choices' printed fields are gone with the dialog

        auto inspection = opened<TbjFrm>(f.job(number));
        const QStringList words = f.print(inspection->printButton(), u"inspection.pdf"_s).texts();
        for (const QString &expected : {text(*inspection, TbjFrm::TradeMode), u"SHANGHAI"_s, inspection->form()->edit(TbjFrm::Conveyance)->text().section(u' ', -1)})
            QVERIFY2(words.contains(expected), qPrintable(expected + u" missing from "_s + words.join(u' ')));
        QVERIFY(!words.contains(u"信用证"_s) && !words.contains(u"出境货物报检单"_s));
    }

    // On plain paper: the screen form's title, captions and boxes with the
    // values in them, each value once.
    void printsOnPlainPaper()
    {
        const QString number = f.jobWhere(u"业务编号 in (select 业务编号 from 货运出口报关单)"_s);
        auto sheet = opened<TBaoGuanFrm>(f.job(number));
        set(*sheet, TBaoGuanFrm::DutyNature, u"免征"_s);
        set(*sheet, TBaoGuanFrm::ExportDate, u"2026-03-08"_s);
        sheet->goods()->setRows({{u"G1"_s}}, 8);
        bool offered = false;
        const auto printed = f.print(sheet->printButton(), u"plain.pdf"_s, [&offered](TPntSetupFrm &dialog) {
            offered = !dialog.plainPaperBox()->isHidden();
            dialog.setPlainPaper(true);
        });
        QVERIFY(offered);
        const QString all = ReportFixture::pdfPages(f.pdf(u"plain.pdf"_s)).join(u' ');
        for (const QString &expected : {u"中华人民共和国海关出口货物报关单"_s, u"经营单位"_s, u"运费"_s, u"G1"_s,
                                        u"免征"_s, u"SHANGHAI"_s})
            QVERIFY2(all.contains(expected), qPrintable(expected + u" missing from "_s + all));
        QCOMPARE(printed.texts().count(u"免征"_s), 1); // the list's text, not its stand-in as well
        QCOMPARE(all.count(number), 0); // the hidden number stays hidden
        // The choice stays for the next print of a declaration.
        TPntSetupFrm next;
        QVERIFY(next.plainPaper());
    }
};

QTEST_MAIN(TestDeclarations)
#include "tst_declarations.moc"
