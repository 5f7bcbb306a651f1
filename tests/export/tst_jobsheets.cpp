// The correction notes, trucking, warehouse and guarantee sheets of a demo
// export job: notes stored by both keys (a crafted note number touches only
// its own note), the sheets filled from the right columns, the warehouse
// pages chosen by the job type, and each printed page read back from PDF.
#include "sheetfixture.h"

#include "boundform.h"
#include "stringgrid.h"
#include "tbaohangfrm.h"
#include "tcankufrm.h"
#include "tcheduifrm.h"
#include "tgengzhengfrm.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTest>

class TestJobSheets : public QObject
{
    Q_OBJECT

    SheetFixture f;

    static QString text(BoundForm *form, int tag) { return CommFunU::ControlValue(form->field(tag)); }
    QString notesOf(const QString &number) const
    {
        return f.value(u"select group_concat(更正单编号 + '=' + 更新内容, '|') from (select * from 货运出口更正单 where 业务编号='"_s
                       + CommFunU::QuoteValue(number) + u"' order by 更正单编号)"_s);
    }
    // A new note of the job saved through the window.
    static bool addNote(TGengZhengFrm &window, const QString &noteNumber, const QString &updated)
    {
        window.NewNote();
        CommFunU::SetControlValue(window.form()->field(TGengZhengFrm::NoteNumber), noteNumber);
        CommFunU::SetControlValue(window.form()->field(TGengZhengFrm::Updated), updated);
        return window.Save();
    }
    static int rowOf(const StringGrid *grid, const QString &noteNumber)
    {
        for (int r = 1; r < grid->rowCount(); ++r)
            if (grid->cell(r, 1) == noteNumber)
                return r;
        return -1;
    }

private slots:
    void initTestCase() { QVERIFY2(f.start(), qPrintable(f.server.errorText())); }

    // Notes with an apostrophe or a crafted number are data: saving one
    // again replaces only it, deleting one deletes only it; 删除 on the
    // heading row or on a note already gone says so.
    void notesKeyedByJobAndNumber()
    {
        const QString number = f.jobWhere(u"业务编号 not in (select 业务编号 from 货运出口更正单)"_s);
        QVERIFY(!number.isEmpty());
        const QString crafted = u"X') or ('1'='1"_s;
        TGengZhengFrm window(f.job(number));
        window.show();
        QVERIFY(QTest::qWaitFor([&] { return window.isLoaded(); }, 10000));
        QVERIFY(addNote(window, u"N1"_s, u"first"_s));
        QVERIFY(addNote(window, u"O'Brien"_s, u"second"_s));
        QVERIFY(addNote(window, crafted, u"third"_s));
        QCOMPARE(f.messages.lastText(), u"保存成功!"_s);
        QVERIFY(!addNote(window, u"N1"_s, u"twice"_s)); // a number the job has already
        const QString others = f.value(u"select count(*) from 货运出口更正单 where 业务编号<>'"_s + CommFunU::QuoteValue(number) + u'\'');

        window.LoadNotes();
        StringGrid *notes = window.notes();
        QCOMPARE(notes->rowCount(), 4);
        notes->selectRow(rowOf(notes, crafted));
        window.LoadSelectedNote();
        CommFunU::SetControlValue(window.form()->field(TGengZhengFrm::Updated), u"third, changed"_s);
        QVERIFY(window.Save()); // the crafted note is replaced, the others stay
        QCOMPARE(notesOf(number), u"N1=first|O'Brien=second|"_s + crafted + u"=third, changed"_s);

        notes->selectRow(rowOf(notes, crafted));
        window.DeleteSelectedNote();
        QCOMPARE(f.messages.lastText(), u"删除成功!"_s);
        QCOMPARE(notesOf(number), u"N1=first|O'Brien=second"_s);

        notes->selectRow(0);
        window.DeleteSelectedNote();
        QCOMPARE(f.messages.lastText(), u"当前并无选中记录!"_s);
        QCOMPARE(notesOf(number), u"N1=first|O'Brien=second"_s);

        QCOMPARE(f.exec(u"delete from 货运出口更正单 where 更正单编号='O''Brien'"_s), QString());
        notes->selectRow(rowOf(notes, u"O'Brien"_s));
        window.DeleteSelectedNote();
        QCOMPARE(f.messages.lastText(), u"此更正单已不存在，没有删除任何记录!"_s);
        QCOMPARE(notesOf(number), u"N1=first"_s);
        QCOMPARE(f.value(u"select count(*) from 货运出口更正单 where 业务编号<>'"_s + CommFunU::QuoteValue(number) + u'\''),
                 others);

        // A refused delete shows the server's reason, not the statement.
        QVERIFY(f.server.execDirect(u"create trigger keep_notes before delete on 货运出口更正单 "
                                    "begin select raise(abort, 'notes are kept'); end"_s).isEmpty());
        notes->selectRow(rowOf(notes, u"N1"_s));
        window.DeleteSelectedNote();
        f.server.execDirect(u"drop trigger keep_notes"_s);
        QVERIFY2(f.messages.lastText().startsWith(u"出错: \r"_s), qPrintable(f.messages.lastText()));
        QVERIFY(f.messages.lastText().contains(u"notes are kept"_s));
        QVERIFY2(!f.messages.lastText().contains(u"delete from"_s), qPrintable(f.messages.lastText()));
        QCOMPARE(notesOf(number), u"N1=first"_s);
        QVERIFY(rowOf(notes, u"N1"_s) > 0); // still listed

        // The note printed: saved first, its words and the job's on the page.
        window.notes()->selectRow(rowOf(notes, u"N1"_s));
        window.LoadSelectedNote();
        const QStringList words = f.print(window.printButton(), u"note.pdf"_s).texts();
        QVERIFY2(words.contains(u"first"_s) && words.join(u' ').contains(number), qPrintable(words.join(u' ')));
    }

    // The trucking sheet's 卸货港 and 尺码 come from those columns of the job,
    // and the page printed carries them.
    void truckingSheet()
    {
        CargoJobValues job = f.job(f.jobWhere(u"车队<>'' and 卸货港<>装货港"_s));
        job.columns.insert(u"尺码"_s, u"12.5"_s);
        job.columns.insert(u"净重"_s, u"99.9"_s);
        TCheDuiFrm sheet(job);
        sheet.show();
        QCOMPARE(text(sheet.form(), TCheDuiFrm::DischargePort), job.column(u"卸货港"_s));
        QCOMPARE(text(sheet.form(), TCheDuiFrm::Measurement), u"12.5"_s);
        const QStringList words = f.print(sheet.printButton(), u"trucking.pdf"_s).texts();
        for (const QString &expected : {u"12.5"_s, job.column(u"卸货港"_s), job.number()})
            QVERIFY2(words.join(u' ').contains(expected), qPrintable(expected + u" missing from "_s + words.join(u' ')));
        QVERIFY(!words.contains(u"99.9"_s));
    }

    // An inner-stuffing job gets the inner pages (entry number: the job's),
    // a consolidation the LCL pages (entry number: the consolidation's); the
    // page shown is the one printed.
    void warehousePagesByJobType_data()
    {
        QTest::addColumn<QString>("jobType");
        QTest::addColumn<int>("firstPage");
        QTest::newRow("整箱") << u"整箱"_s << 0;
        QTest::newRow("少量拼箱") << u"少量拼箱"_s << 0;
        QTest::newRow("货代自拼箱") << u"货代自拼箱"_s << 2;
        QTest::newRow("客户自拼箱") << u"客户自拼箱"_s << 2;
    }
    void warehousePagesByJobType()
    {
        QFETCH(QString, jobType);
        QFETCH(int, firstPage);
        CargoJobValues job = f.job(f.jobWhere(u"仓库<>''"_s));
        job.columns.insert(u"业务类型"_s, jobType);
        job.columns.insert(u"拼箱编号"_s, u"PX-0042"_s);
        TCanKuFrm sheet(job);
        sheet.show();
        QCOMPARE(sheet.pageCount(), 2);
        QCOMPARE(sheet.pages()->tabText(0), TCanKuFrm::PageTitles.at(firstPage));
        QCOMPARE(sheet.pages()->tabText(1), TCanKuFrm::PageTitles.at(firstPage + 1));
        const QString entry = firstPage == 0 ? job.number() : u"PX-0042"_s;
        QCOMPARE(text(sheet.pageForm(1), TCanKuFrm::EntryNumber), entry);
        sheet.pages()->setCurrentIndex(1);
        const QString words = f.print(sheet.printButton(), u"warehouse.pdf"_s).texts().join(u' ');
        QVERIFY2(words.contains(entry) && words.contains(u"联 系 单"_s) && !words.contains(u"通 知 书"_s), qPrintable(words));
        QCOMPARE(ReportFixture::pdfPages(f.pdf(u"warehouse.pdf"_s)).size(), 1);
    }

    // Both letters of indemnity carry the job; the one shown is printed.
    void guaranteeLetters()
    {
        const CargoJobValues job = f.job(f.jobWhere(u"提单号<>'' and 船名<>''"_s));
        TBaoHangFrm sheet(job);
        sheet.show();
        QCOMPARE(sheet.pageCount(), 2);
        for (int letter = 0; letter < 2; ++letter) {
            QCOMPARE(text(sheet.pageForm(letter), TBaoHangFrm::BillNumber), job.column(u"提单号"_s));
            QCOMPARE(text(sheet.pageForm(letter), TBaoHangFrm::Vessel), job.column(u"船名"_s));
        }
        sheet.pages()->setCurrentIndex(TBaoHangFrm::AdvanceOrBackDated);
        const QString words = f.print(sheet.printButton(), u"guarantee.pdf"_s).texts().join(u' ');
        QVERIFY2(words.contains(job.column(u"提单号"_s)) && words.contains(job.column(u"船名"_s)), qPrintable(words));
    }
};

QTEST_MAIN(TestJobSheets)
#include "tst_jobsheets.moc"
