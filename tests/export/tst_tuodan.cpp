// The B/L confirmation of a demo export job: what it shows, how a user
// designs, saves and reopens a template, what the template file holds after
// any file it may meet, and what reaches paper and the fax page.
#include "sheetfixture.h"

#include "captionfinder.h"
#include "currentuser.h"
#include "formprinter.h"
#include "marks.h"
#include "tagbinding.h"
#include "textcodec.h"
#include "tmbglfrm.h"
#include "ttuodanctrlfrm.h"
#include "ttuodanfrm.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

using CommFunU::FieldSep;
using T = TuoDanTemplates;

class TestTuoDan : public QObject
{
    Q_OBJECT

    SheetFixture f;
    QString number;
    CargoJobValues job;
    int fileNumber = 0;

    // A fresh TuoDanRes.txt path for the next sheet.
    QString freshPath()
    {
        const QString path = f.dir.filePath(u"t%1/TuoDanRes.txt"_s.arg(++fileNumber));
        QDir().mkpath(QFileInfo(path).path());
        TTuoDanFrm::setTemplatePath(path);
        return path;
    }
    static QString fileText(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? TextCodec::decode(file.readAll()) : QString();
    }
    static void write(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    static QAction *command(const TTuoDanFrm &sheet, const QString &text)
    {
        for (QAction *action : sheet.designMenu()->actions()) {
            if (action->text() == text)
                return action;
        }
        return nullptr;
    }
    // Chooses row in the template dialog the next command opens.
    static void chooseNext(int row)
    {
        ModalHelper::onNextModal([row](QWidget *modal) {
            auto *dialog = qobject_cast<TMBGLFrm *>(modal);
            dialog->list()->setCurrentItem(dialog->list()->topLevelItem(row));
            dialog->confirmButton()->click();
        });
    }
    static QString text(const TTuoDanFrm &sheet, int i) { return CommFunU::ControlValue(sheet.field(i)); }
    static bool anyVisible(const QList<QWidget *> &widgets)
    {
        return std::any_of(widgets.begin(), widgets.end(), [](QWidget *w) { return !w->isHidden(); });
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(f.start(), qPrintable(f.server.errorText()));
        CommFunU::CurrentUser().StaffName = u"王军"_s;
        CommFunU::CurrentUser().Extension = u"8021"_s;
        CommFunU::CurrentUser().Fax = u"021-6352"_s;
        number = f.jobWhere(u"业务编号 in (select 业务编号 from 货运出口货物明细 where 集装箱号封号<>'') and 转船='1'"_s);
        if (number.isEmpty())
            number = f.jobWhere(u"业务编号 in (select 业务编号 from 货运出口货物明细 where 集装箱号封号<>'')"_s);
        QVERIFY(!number.isEmpty());
        job = f.job(number);
    }

    // Without a file the sheet writes exactly the default line: its name, flag
    // 1 and the 36 records of the design layout; the fields show the job.
    void firstOpeningShowsTheJobAndWritesTheDefault()
    {
        const QString path = freshPath();
        TTuoDanFrm sheet(job);
        const QString layout = sheet.currentLayout();
        QCOMPARE(layout.size(), 756);
        QVERIFY(layout.startsWith(u"   40   65  353  105    40  189  353   95 "_s));
        QCOMPARE(fileText(path), T::DefaultName + FieldSep + u'1' + FieldSep + layout + u"\r\n"_s);

        sheet.show();
        QVERIFY(QTest::qWaitFor([&] { return sheet.fromCaption()->text() != QString(); }));
        QCOMPARE(sheet.fromCaption()->text(), u"From: "_s + f.db->getInfo(4));
        QCOMPARE(text(sheet, TTuoDanFrm::Number), number);
        QCOMPARE(text(sheet, TTuoDanFrm::Packages), job.column(u"件数"_s) + job.column(u"包装种类"_s));
        QCOMPARE(text(sheet, TTuoDanFrm::GrossWeight), job.column(u"毛重"_s) + u"KGS"_s);
        // Texts that leave the office: the measurement in CBM, the request said once.
        QCOMPARE(text(sheet, TTuoDanFrm::Measurement), job.column(u"尺码"_s) + u"CBM"_s);
        QStringList captions;
        for (const QLabel *label : sheet.findChildren<QLabel *>())
            captions << label->text();
        QVERIFY(captions.join(u'\n').contains(u"2.如有内容更正，请出具更正单通知我司。"_s));
        QCOMPARE(text(sheet, TTuoDanFrm::Transhipment), job.column(u"转船"_s) == u"1"_s ? u"是"_s : u"否"_s);
        QCOMPARE(text(sheet, TTuoDanFrm::Services),
                 job.column(u"FromServerType"_s) + u" TO "_s + job.column(u"ToServerType"_s));
        QStringList seals;
        for (const QStringList &row : job.cargoRows)
            seals << row.value(1).trimmed();
        QCOMPARE(qobject_cast<QPlainTextEdit *>(sheet.field(TTuoDanFrm::ContainerSeals))->toPlainText(), seals.join(u'\n'));
        QCOMPARE(text(sheet, TTuoDanFrm::Contact), u"请与我司王军联系"_s);
        QCOMPARE(text(sheet, TTuoDanFrm::Telephone), u"电话:8021  传真:021-6352"_s);
        QCOMPARE(CaptionFinder::field(&sheet, u"SHIPPER"_s), sheet.field(TTuoDanFrm::Shipper));
        QCOMPARE(sheet.windowTitle(), u"提单确认"_s);
    }

    // Whatever the file holds, every template that is not blank is written
    // back at close, and the default stays first with the design layout.
    void malformedFilesKeepEveryTemplate_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("written"); // after the default line
        QTest::addColumn<QString>("defaultHead"); // name and flag of the default line
        const auto rec = [](int x) { return T::FormatLayout({{QRect(x, 7, 50, 24), true}}); };
        const QString a = u"中远"_s + FieldSep + u'0' + FieldSep + rec(100).repeated(36);
        const QString b = u"马士基 "_s + FieldSep + u'1' + FieldSep + rec(200).repeated(3);
        const QString d = u"我的默认"_s + FieldSep + u"0"_s + FieldSep + u"junk"_s;
        const QString def = T::DefaultName + FieldSep + u'1';
        const auto gb = [](const QString &t) { return TextCodec::encode(t); };
        const QString crlf = u"\r\n"_s;

        QTest::newRow("blank lines between") << gb(d + crlf + crlf + a + crlf + u"  \r\n"_s + b + crlf)
                                             << QStringList{a, b} << u"我的默认"_s + FieldSep + u'0';
        QTest::newRow("blank first line") << gb(crlf + a + crlf + b) << QStringList{a, b} << def;
        QTest::newRow("0 bytes") << QByteArray() << QStringList{} << def;
        QTest::newRow("blank lines only") << gb(crlf + crlf) << QStringList{} << def;
        QTest::newRow("no separator") << gb(d + crlf + u"老模板"_s + crlf) << QStringList{u"老模板"_s}
                                      << u"我的默认"_s + FieldSep + u'0';
        QTest::newRow("short last record") << gb(def + crlf + a.chopped(4)) << QStringList{a.chopped(4)} << def;
        QTest::newRow("more than 36 records") << gb(def + crlf + a + rec(300).repeated(5))
                                              << QStringList{a + rec(300).repeated(5)} << def;
        QTest::newRow("text in a number") << gb(def + crlf + b.chopped(21) + u"  abc    1    2    3 "_s)
                                          << QStringList{b.chopped(21) + u"  abc    1    2    3 "_s} << def;
        QTest::newRow("LF endings") << gb(d + u'\n' + a + u'\n' + b + u'\n') << QStringList{a, b}
                                    << u"我的默认"_s + FieldSep + u'0';
        QTest::newRow("GB18030 byte-order mark") << gb(QChar(0xFEFF) + def + crlf + a) << QStringList{a} << def;
        QTest::newRow("UTF-8 byte-order mark") << QByteArray("\xEF\xBB\xBF") + (def + crlf + b).toUtf8()
                                               << QStringList{b} << def;
    }
    void malformedFilesKeepEveryTemplate()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, written);
        QFETCH(QString, defaultHead);
        const QString path = freshPath();
        write(path, bytes);
        f.messages.clear();
        {
            TTuoDanFrm sheet(job);
            const QString design = sheet.currentLayout();
            QCOMPARE(sheet.templates().count(), written.size() + 1);
            // Every template applies as far as it is sound.
            for (int n = sheet.templates().count() - 1; n >= 0; --n)
                sheet.applyTemplate(n);
            QCOMPARE(sheet.currentLayout(), design);
            sheet.show();
            sheet.closeButton()->click();
            QStringList lines{defaultHead + FieldSep + design};
            QCOMPARE(fileText(path), (lines + written).join(u"\r\n"_s) + u"\r\n"_s);
        }
        QVERIFY2(f.messages.messages.isEmpty(), qPrintable(f.messages.lastText()));
    }

    // The sheet moved by keys and the mouse, a field hidden, saved as a new
    // template, closed, reopened, the template chosen and printed: the layout
    // is kept, and only template 0 prints the captions.
    void designedTemplateKeptAndPrinted()
    {
        if (!ReportFixture::havePdfToText())
            QSKIP("pdftotext is not installed");
        const QString path = freshPath();
        QRect numberAt;
        QRect marksAt;
        {
            TTuoDanFrm sheet(job);
            sheet.show();
            QVERIFY(QTest::qWaitForWindowExposed(&sheet));
            QWidget *numberField = sheet.field(TTuoDanFrm::Number);
            numberField->setFocus();
            QTest::keyClick(numberField, Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
            QTest::keyClick(numberField, Qt::Key_Down, Qt::ControlModifier);
            QTest::keyClick(numberField, Qt::Key_Left, Qt::ShiftModifier);
            QCOMPARE(numberField->geometry(), QRect(490, 117, 203, 24));
            QTest::keyClick(numberField, Qt::Key_Left); // the caret's, not the designer's
            QCOMPARE(numberField->geometry(), QRect(490, 117, 203, 24));

            auto *marks = qobject_cast<QPlainTextEdit *>(sheet.field(TTuoDanFrm::Marks));
            const QPoint p(10, 10);
            QTest::mousePress(marks->viewport(), Qt::LeftButton, {}, p);
            QTest::mouseMove(marks->viewport(), p + QPoint(30, 20));
            QTest::mouseRelease(marks->viewport(), Qt::LeftButton, {}, p);
            QCOMPARE(marks->pos(), QPoint(70, 523));

            sheet.field(TTuoDanFrm::Goods)->setFocus();
            command(sheet, u"删除数据"_s)->trigger();
            QVERIFY(sheet.field(TTuoDanFrm::Goods)->isHidden());

            ModalHelper::onNextModal([](QWidget *modal) {
                auto *dialog = qobject_cast<TMBGLFrm *>(modal);
                QVERIFY(dialog->nameBox()->isVisible());
                dialog->nameBox()->setText(u"中远格式"_s);
                dialog->confirmButton()->click();
            });
            command(sheet, u"另存模版"_s)->trigger();
            QCOMPARE(sheet.windowTitle(), u"中远格式"_s);
            QCOMPARE(sheet.currentTemplate(), 1);
            QVERIFY(!anyVisible(sheet.captions()));
            numberAt = numberField->geometry();
            marksAt = marks->geometry();
            sheet.closeButton()->click();
        }
        QCOMPARE(fileText(path).count(u"\r\n"_s), 2);

        TTuoDanFrm again(job);
        again.show();
        QVERIFY(QTest::qWaitForWindowExposed(&again));
        QCOMPARE(again.field(TTuoDanFrm::Number)->x(), 485); // opens with the design layout
        QVERIFY(anyVisible(again.captions()));
        const auto print = [&](const QString &name) { return f.print(again.printButton(), name).texts().join(u' '); };
        const QString design = print(u"design.pdf"_s);
        QVERIFY2(design.contains(u"SHIPPER:"_s) && design.contains(u"注意事项:"_s), qPrintable(design));

        chooseNext(1);
        for (QPushButton *button : again.findChildren<QPushButton *>()) {
            if (button->text() == u"选择格式"_s)
                button->click();
        }
        QCOMPARE(again.currentTemplate(), 1);
        QCOMPARE(again.field(TTuoDanFrm::Number)->geometry(), numberAt);
        QCOMPARE(again.field(TTuoDanFrm::Marks)->geometry(), marksAt);
        QVERIFY(again.field(TTuoDanFrm::Goods)->isHidden());
        QCOMPARE(CommFunU::HintOf(again.field(TTuoDanFrm::Goods)), u"00"_s);
        const PrintDialogFixture::Printed printed = f.print(again.printButton(), u"template.pdf"_s);
        QCOMPARE(printed.title, u"中远格式"_s);
        const QString onForm = printed.texts().join(u' ');
        QVERIFY2(onForm.contains(number), qPrintable(onForm));
        QVERIFY2(!onForm.contains(u"SHIPPER:"_s) && !onForm.contains(u"注意事项"_s), qPrintable(onForm));
        const QString goods = text(again, TTuoDanFrm::Goods).section(u'\n', 0, 0).section(u' ', 0, 0);
        if (!goods.isEmpty())
            QVERIFY2(!onForm.contains(goods), qPrintable(goods));
    }

    // Positions and sizes stay within what a template can store, by keys and
    // by the property dialog; the commands that cannot act change nothing.
    void limitsAndRefusals()
    {
        freshPath();
        TTuoDanFrm sheet(job);
        sheet.show();
        QVERIFY(QTest::qWaitForWindowExposed(&sheet));
        QWidget *client = sheet.field(TTuoDanFrm::Client);
        client->setGeometry(99997, -9997, 1, 24);
        client->setFocus();
        QTest::keyClick(client, Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
        QTest::keyClick(client, Qt::Key_Up, Qt::ControlModifier | Qt::ShiftModifier);
        QTest::keyClick(client, Qt::Key_Left, Qt::ShiftModifier);
        QTest::keyClick(client, Qt::Key_Left, Qt::ShiftModifier);
        QCOMPARE(client->geometry(), QRect(99999, -9999, 0, 24));

        ModalHelper::onNextModal([](QWidget *modal) {
            auto *dialog = qobject_cast<TTuoDanCtrlFrm *>(modal);
            QCOMPARE(dialog->box(TTuoDanCtrlFrm::Left)->text(), u"99999"_s);
            dialog->box(TTuoDanCtrlFrm::Left)->setText(u"-200000"_s);
            dialog->box(TTuoDanCtrlFrm::Top)->setText(u"abc"_s); // keeps -9999
            dialog->box(TTuoDanCtrlFrm::Width)->setText(u"123456"_s);
            dialog->box(TTuoDanCtrlFrm::Height)->setText(u"-4"_s);
            dialog->notPrintedButton()->setChecked(true);
            dialog->confirmButton()->click();
        });
        command(sheet, u"修改属性"_s)->trigger();
        QCOMPARE(client->geometry(), QRect(-9999, -9999, 99999, 0));
        QCOMPARE(CommFunU::HintOf(client), u"00"_s);
        QVERIFY(sheet.currentLayout().mid(29 * 21, 21) == u"-9999-999999999    0 "_s);

        f.messages.clear();
        command(sheet, u"保存模版"_s)->trigger();
        QCOMPARE(f.messages.lastText(), u"默认模板不能修改!"_s);

        // A name in use is refused and the dialog stays; nothing chosen changes nothing.
        ModalHelper::onNextModal([this](QWidget *modal) {
            auto *dialog = qobject_cast<TMBGLFrm *>(modal);
            dialog->nameBox()->setText(u"提单确认"_s);
            dialog->confirmButton()->click();
            QCOMPARE(f.messages.lastText(), u"输入的名称已存在!"_s);
            QVERIFY(dialog->isVisible());
            dialog->cancelButton()->click();
        });
        command(sheet, u"另存模版"_s)->trigger();
        ModalHelper::onNextModal([this](QWidget *modal) {
            auto *dialog = qobject_cast<TMBGLFrm *>(modal);
            QVERIFY(!dialog->nameBox()->isVisible());
            dialog->confirmButton()->click();
            QCOMPARE(f.messages.lastText(), u"请选择一个模板!"_s);
            QVERIFY(dialog->isVisible());
            dialog->cancelButton()->click();
        });
        command(sheet, u"打开模版"_s)->trigger();
        QCOMPARE(sheet.templates().count(), 1);
        QCOMPARE(sheet.currentTemplate(), 0);
        QCOMPARE(client->geometry(), QRect(-9999, -9999, 99999, 0));
    }

    // A file that cannot be read is said so; the sheet works and the file
    // is left as it was.
    void unreadableFileLeftAlone()
    {
        const QString path = freshPath();
        QVERIFY(QDir().mkpath(path));
        f.messages.clear();
        {
            TTuoDanFrm sheet(job);
            QVERIFY(f.messages.lastText().contains(u"无法读取"_s));
            sheet.show();
            QCOMPARE(text(sheet, TTuoDanFrm::Number), number);
            sheet.applyTemplate(0);
            sheet.closeButton()->click();
        }
        QCOMPARE(f.messages.messages.size(), 1);
        QVERIFY(QFileInfo(path).isDir());
    }

    // The fax page: the fields and captions, never the background picture.
    void faxPageWithoutTheBackground()
    {
        freshPath();
        TTuoDanFrm sheet(job);
        sheet.show();
        QImage black(780, 1052, QImage::Format_RGB32);
        black.fill(Qt::black);
        const QString picture = f.dir.filePath(u"form.png"_s);
        QVERIFY(black.save(picture));
        sheet.setBackground(picture);
        QVERIFY(sheet.background()->isVisible());

        const auto ink = [&sheet] {
            PrintLayout layout;
            sheet.fillPrintLayout(layout);
            QImage page;
            RenderFaxPage(layout, page);
            qsizetype dark = 0;
            for (int y = 0; y < page.height(); y += 2) {
                for (int x = 0; x < page.width(); x += 2)
                    dark += qGray(page.pixel(x, y)) < 128;
            }
            return double(dark) / (page.width() / 2 * page.height() / 2);
        };
        const double withCaptions = ink();
        QVERIFY2(withCaptions > 0.002 && withCaptions < 0.2, qPrintable(QString::number(withCaptions)));
        for (QWidget *caption : sheet.captions())
            caption->hide();
        sheet.setPrintLabels(false);
        QVERIFY(ink() < withCaptions);

        QTest::mouseDClick(sheet.background(), Qt::LeftButton);
        QVERIFY(sheet.background()->isHidden());
    }
};

QTEST_MAIN(TestTuoDan)
#include "tst_tuodan.moc"
