// What an export operator types or saves is never lost: the cell being
// edited when 保存 is clicked, a page closed without saving, a job opened
// twice by a number in another case, a shipper typed by hand, a page whose
// cargo a consolidation rewrote, and a job that another user saved since
// the page loaded it. 赵敏 drives the window; the other user is a second
// connection logged in as 王军.

#include "exportfixture.h"

#include "loadedsnapshot.h"
#include "recordingmessageservice.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>

class TestKeptEdits : public QObject
{
    Q_OBJECT

    ExportFixture f;
    RecordingMessageService messages;
    std::unique_ptr<ServerConnection> other;
    QStringList jobs;

    QString stored(const QString &column, const QString &number) const
    {
        return f.value(u"select "_s + column + u" from 货运出口基本信息 where 业务编号='"_s + number + u'\'');
    }
    QString cargo(const QString &column, const QString &number) const
    {
        return f.value(u"select "_s + column + u" from 货运出口货物明细 where 业务编号='"_s + number + u'\'');
    }
    // Types into the cargo cell through its editor, leaving the editor open.
    static void typeInCell(CargoJobWindow *w, int row, int column, const QString &text)
    {
        StringGrid *grid = w->Cargo()->grid();
        const QModelIndex index = grid->model()->index(row, column);
        grid->setCurrentIndex(index);
        grid->edit(index);
        auto *editor = grid->viewport()->findChild<QLineEdit *>();
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, text);
    }

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(f.start(u"zhaomin"_s, u"123456"_s, &error), qPrintable(error));
        other = f.server.connect();
        const std::optional<QString> login = other->login(u"wangjun"_s, u"123456"_s);
        QVERIFY(login && !login->startsWith(u"Err"_s));
        const auto rows = f.rows(u"select 业务编号 from 货运出口基本信息 where 操作员='赵敏' and 业务类型='整箱' "
                                 u"order by 业务编号"_s);
        for (const QStringList &row : rows)
            jobs << row.value(0);
        QVERIFY(jobs.size() >= 4);
    }

    void cleanup()
    {
        messages.answers.clear();
        f.closeJobTabs();
        messages.clear();
    }

    // The toolbar takes no focus, so the cell editor is still open when 保存
    // is clicked; sheets, a tab switch and 关闭本页 → 是 meet the same editor.
    void theCellBeingEditedIsSaved_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("保存") << u"保存"_s;
        QTest::newRow("关闭本页 → 是") << u"关闭本页"_s;
        QTest::newRow("another tab, back and 保存") << u"tab"_s;
    }
    void theCellBeingEditedIsSaved()
    {
        QFETCH(QString, how);
        const QString number = jobs.at(0);
        CargoJobWindow *w = f.open(number);
        QCOMPARE(f.tabs()->tabText(1), u"出口业务_"_s + number);
        const QString container = u"TGHU" + QString::number(QDateTime::currentMSecsSinceEpoch() % 10000000);
        typeInCell(w, 1, 1, container);
        messages.answers = {MessageService::Yes};
        if (how == u"tab"_s) {
            f.pickTab(0);
            f.pickTab(1);
            QVERIFY(w->Modified());
            QVERIFY(f.press(w, u"保存"_s));
        } else {
            QVERIFY(f.press(w, how));
        }
        QCOMPARE(messages.lastText(), u"保存成功"_s);
        QCOMPARE(cargo(u"集装箱号封号"_s, number), container);
    }

    // After 关闭本页 → 否 the page is gone: 拼箱处理 must not store its edits.
    void aClosedPageIsNotSavedByTheLclMenu()
    {
        const QString number = jobs.at(1);
        const QString before = stored(u"委托编号"_s, number);
        CargoJobWindow *w = f.open(number);
        f.typeInto(f.field<QLineEdit>(u"委托编号"_s), u"DISCARDED"_s);
        messages.answers = {MessageService::No};
        QVERIFY(f.press(w, u"关闭本页"_s));
        QCoreApplication::sendPostedEvents();
        QCOMPARE(f.tabs()->count(), 1);
        messages.answers = {MessageService::Ok};
        f.main->Action(TMainFrm::Item::ExportLclProcessing)->trigger();
        QCOMPARE(stored(u"委托编号"_s, number), before);
    }

    // A job is one page whatever the case its number is typed in.
    void aNumberInAnotherCaseFindsTheOpenPage()
    {
        const QString number = jobs.at(2);
        f.open(number.toLower());
        QCOMPARE(f.tabs()->tabText(1), u"出口业务_"_s + number);
        f.open(number.toLower());
        QVERIFY(messages.said(u"此业务已打开"_s));
        QCOMPARE(f.tabs()->tabText(2), u"出口业务"_s);
    }

    // Keys that change no text (End, an arrow) in a unit box leave a shipper
    // typed by hand as it is.
    void aCursorKeyInAUnitBoxKeepsTheShipper_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<int>("key");
        QTest::newRow("订舱单位 End") << u"订舱单位"_s << int(Qt::Key_End);
        QTest::newRow("委托人 Left") << u"委托人"_s << int(Qt::Key_Left);
        QTest::newRow("报关行 Home") << u"报关行"_s << int(Qt::Key_Home);
    }
    void aCursorKeyInAUnitBoxKeepsTheShipper()
    {
        QFETCH(QString, box);
        QFETCH(int, key);
        f.open(jobs.at(3));
        auto *shipper = f.field<QPlainTextEdit>(u"发货人"_s);
        shipper->setFocus();
        shipper->selectAll();
        QTest::keyClicks(shipper, u"HAND TYPED SHIPPER"_s);
        auto *combo = f.field<QComboBox>(box);
        combo->setFocus();
        QTest::keyClick(combo, Qt::Key(key));
        QCOMPARE(shipper->toPlainText(), u"HAND TYPED SHIPPER"_s);
    }

    // The consolidation rewrites 箱类型 and 集装箱号封号; what was typed in the
    // other columns of a page left open stays.
    void aConsolidationKeepsTheEditsOfAnotherPage()
    {
        const QString number = jobs.at(0);
        CargoJobWindow *w = f.open(number);
        typeInCell(w, 1, 2, u"999"_s);
        w->Cargo()->grid()->commitEditor();
        f.open(jobs.at(1));
        QVERIFY(!f.exec(u"update 货运出口货物明细 set 集装箱号封号='LCLU1234567' where 业务编号='"_s + number + u'\'')
                     .startsWith(u"Err"_s));
        QCOMPARE(w->ReloadCargoOf({number}), 1);
        f.pickTab(1);
        QCOMPARE(w->Cargo()->grid()->cell(1, 2), u"999"_s);
        QCOMPARE(w->Cargo()->grid()->cell(1, 1), u"LCLU1234567"_s);
        // Taking the rewrite over is no stale save.
        QVERIFY(f.press(w, u"保存"_s));
        QCOMPARE(messages.lastText(), u"保存成功"_s);
        QCOMPARE(cargo(u"件数"_s, number), u"999"_s);
    }

    // Another user saves the job after the page loaded it: the page's save
    // writes nothing, names him, and the user keeps editing or reloads.
    void aJobChangedByAnotherUserIsNotOverwritten_data()
    {
        QTest::addColumn<QString>("what");
        QTest::newRow("job row") << u"update 货运出口基本信息 set 委托编号='BY-WANGJUN' where 业务编号='%1'"_s;
        QTest::newRow("cargo row") << u"update 货运出口货物明细 set 件数='77' where 业务编号='%1'"_s;
        QTest::newRow("deleted") << u"delete from 货运出口基本信息 where 业务编号='%1'"_s;
    }
    void aJobChangedByAnotherUserIsNotOverwritten()
    {
        QFETCH(QString, what);
        const QString number = jobs.at(QTest::currentDataTag() == u"deleted"_s ? 3 : 2);
        CargoJobWindow *w = f.open(number);
        QVERIFY(!other->execSql(what.arg(number), QString()).startsWith(u"Err"_s));
        const QString theirs = stored(u"委托编号"_s, number);
        const QString theirCargo = cargo(u"件数"_s, number);
        f.typeInto(f.field<QLineEdit>(u"委托编号"_s), u"BY-ZHAOMIN"_s);
        messages.clear();
        messages.answers = {MessageService::No}; // keep editing
        QVERIFY(f.press(w, u"保存"_s));
        const bool deleted = QTest::currentDataTag() == u"deleted"_s;
        const QString done = deleted ? u"删除"_s : u"修改"_s;
        // An operator may not read the audit trail, so the message names nobody.
        QVERIFY2(messages.said(u"此业务已被其他用户"_s), qPrintable(messages.messages.value(0).text));
        QVERIFY(messages.messages.value(0).text.contains(done + u"，您的修改没有保存。"_s));
        QVERIFY(!messages.said(u"保存成功"_s));
        QCOMPARE(stored(u"委托编号"_s, number), theirs);
        QCOMPARE(cargo(u"件数"_s, number), theirCargo);
        QCOMPARE(f.field<QLineEdit>(u"委托编号"_s)->text(), u"BY-ZHAOMIN"_s);
        QVERIFY(w->Modified());
        if (deleted)
            return;
        // Reload, after the second question: the page shows the stored job,
        // and its next save goes through.
        messages.answers = {MessageService::Yes, MessageService::Yes};
        QVERIFY(f.press(w, u"保存"_s));
        QCOMPARE(f.field<QLineEdit>(u"委托编号"_s)->text(), theirs);
        QVERIFY(!w->Modified());
        f.typeInto(f.field<QLineEdit>(u"委托编号"_s), u"AFTER-RELOAD"_s);
        QVERIFY(f.press(w, u"保存"_s));
        QCOMPARE(messages.lastText(), u"保存成功"_s);
        QCOMPARE(stored(u"委托编号"_s, number), u"AFTER-RELOAD"_s);
        // The page's own saves are no change by others.
        f.typeInto(f.field<QLineEdit>(u"委托编号"_s), u"SECOND-SAVE"_s);
        QVERIFY(f.press(w, u"保存"_s));
        QCOMPARE(messages.lastText(), u"保存成功"_s);
    }

    // Who and when come from the audit trail; without it the notice names nobody.
    void theNoticeReadsWithAndWithoutAName_data()
    {
        QTest::addColumn<QString>("who");
        QTest::addColumn<QString>("when");
        QTest::addColumn<bool>("deleted");
        QTest::addColumn<QString>("text");
        QTest::newRow("name and time") << u"陈静"_s << u"10:31"_s << false << u"此业务已被 陈静 于 10:31 修改，您的修改没有保存。"_s;
        QTest::newRow("nobody") << QString() << QString() << false << u"此业务已被其他用户修改，您的修改没有保存。"_s;
        QTest::newRow("deleted") << u"王军"_s << u"2026-12-09 08:05"_s << true
                                 << u"此业务已被 王军 于 2026-12-09 08:05 删除，您的修改没有保存。"_s;
    }
    void theNoticeReadsWithAndWithoutAName()
    {
        QFETCH(QString, who);
        QFETCH(QString, when);
        QFETCH(bool, deleted);
        QFETCH(QString, text);
        QCOMPARE(StaleRecordError::noticeText(u"业务"_s, deleted, who, when), text);
    }
};

QTEST_MAIN(TestKeptEdits)
#include "tst_keptedits.moc"
