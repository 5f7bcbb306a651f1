// The new business number dialog against a real server and schema.
#include "currentuser.h"
#include "queryhelpers.h"
#include "recordingmessageservice.h"
#include "serverconnection.h"
#include "testserver.h"
#include "tgetnewywbhfrm.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

using namespace Qt::StringLiterals;

class TestGetNewYWBH : public QObject
{
    Q_OBJECT

    TestServer server;
    std::unique_ptr<ServerConnection> db;
    RecordingMessageService messages;

    void addJob(const QString &table, const QString &number, const QString &operatorName)
    {
        const QString answer = db->execSql(u"insert into %1 (业务编号, 操作员) values ('%2', '%3')"_s
                                               .arg(table, CommFunU::QuoteValue(number), operatorName),
                                           QString());
        QVERIFY2(!answer.startsWith(u"Err"_s), qPrintable(answer));
    }

    // Shows the dialog for table as operator and waits until it has loaded.
    std::unique_ptr<TGetNewYWBHFrm> openDialog(const QString &operatorName,
                                               const QString &table = u"货运出口基本信息"_s)
    {
        CommFunU::CurrentUser().StaffName = operatorName;
        auto dialog = std::make_unique<TGetNewYWBHFrm>();
        dialog->setTableName(table);
        dialog->lastNumberField()->setText(u"not loaded"_s);
        dialog->show();
        if (!QTest::qWaitFor([&] { return dialog->lastNumberField()->text() != u"not loaded"_s; }, 5000))
            qWarning("the dialog did not load");
        return dialog;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(server.start(), qPrintable(server.errorText()));
        db = server.connect();
        CommFunU::SetAppServerProvider([this]() -> ServerConnection & { return *db; });
        addJob(u"货运出口基本信息"_s, u"A9"_s, u"王芳"_s);
        addJob(u"货运出口基本信息"_s, u"A10"_s, u"王芳"_s);
        addJob(u"货运出口基本信息"_s, u"SE2026-001"_s, u"李强"_s);
        addJob(u"货运进口基本信息"_s, u"SI2026-001"_s, u"李强"_s);
    }

    void init() { messages.clear(); }

    void proposesTheOperatorsHighestNumberInTextOrder()
    {
        auto dialog = openDialog(u"王芳"_s);
        QCOMPARE(dialog->lastNumberField()->text(), u"A9"_s); // "A9" > "A10" as text
        QCOMPARE(dialog->numberField()->text(), u"A9"_s);
        QCOMPARE(dialog->numberField()->selectedText(), u"A9"_s);
        QVERIFY(dialog->lastNumberField()->isReadOnly());
        QCOMPARE(dialog->windowTitle(), u" 输入新的业务编号："_s);
    }

    void operatorWithoutJobsSeesEmptyFields()
    {
        auto dialog = openDialog(u"新来的"_s);
        QCOMPARE(dialog->lastNumberField()->text(), QString());
        QCOMPARE(dialog->numberField()->text(), QString());
    }

    void serverErrorLeavesBothFieldsEmpty()
    {
        auto dialog = openDialog(u"王芳"_s, u"没有的表"_s);
        QCOMPARE(dialog->lastNumberField()->text(), QString());
        QCOMPARE(dialog->numberField()->text(), QString());
        QCOMPARE(messages.messages.size(), 1);
        const QString text = messages.lastText();
        const QString sql = u"select top 1 业务编号 from 没有的表 where 操作员='王芳' order by 业务编号 desc"_s;
        QVERIFY2(text.startsWith(u"出错: \r"_s + sql) && text.size() > 5 + sql.size() && !text.contains(u"Err"_s),
                 qPrintable(text));
    }

    void operatorNameWithApostropheIsData()
    {
        addJob(u"货运出口基本信息"_s, u"OB-7"_s, u"O''Brien"_s);
        auto dialog = openDialog(u"O'Brien"_s);
        QCOMPARE(dialog->lastNumberField()->text(), u"OB-7"_s);
        QVERIFY(messages.messages.isEmpty());
    }

    void confirm_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("message");
        const QString exists = u"此业务编号数据库中已存在，请重新输入。"_s;
        QTest::newRow("new, upper-cased") << u"货运出口基本信息"_s << u"ab-001"_s << 1 << u"AB-001"_s << QString();
        QTest::newRow("exists") << u"货运出口基本信息"_s << u"A10"_s << 0 << u"A10"_s << exists;
        QTest::newRow("exists, typed in lower case") << u"货运出口基本信息"_s << u"se2026-001"_s << 0
                                                     << u"SE2026-001"_s << exists;
        QTest::newRow("exists only as an import job") << u"货运出口基本信息"_s << u"SI2026-001"_s << 1
                                                      << u"SI2026-001"_s << QString();
        QTest::newRow("import table checks itself") << u"货运进口基本信息"_s << u"SI2026-001"_s << 0
                                                    << u"SI2026-001"_s << exists;
        QTest::newRow("empty") << u"货运出口基本信息"_s << QString() << 0 << QString() << u"输入不能为空！"_s;
        QTest::newRow("blanks are checked as they stand") << u"货运出口基本信息"_s << u"   "_s << 1 << u"   "_s
                                                          << QString();
        QTest::newRow("apostrophe and colon") << u"货运出口基本信息"_s << u"x'1:2"_s << 1 << u"X'1:2"_s << QString();
    }
    void confirm()
    {
        QFETCH(QString, table);
        QFETCH(QString, typed);
        QFETCH(int, result);
        QFETCH(QString, number);
        QFETCH(QString, message);
        auto dialog = openDialog(u"李强"_s, table);
        dialog->numberField()->setText(typed);
        dialog->confirm();
        QCOMPARE(dialog->resultCode(), result);
        QCOMPARE(dialog->number(), number);
        QCOMPARE(dialog->isVisible(), result == 0); // a refused number keeps the dialog open
        QCOMPARE(messages.lastText(), message);
    }

    void cancelAnswersZero()
    {
        auto dialog = openDialog(u"李强"_s);
        dialog->numberField()->setText(u"NEW-1"_s);
        dialog->cancel();
        QCOMPARE(dialog->resultCode(), 0);
        QVERIFY(!dialog->isVisible());
    }
};

QTEST_MAIN(TestGetNewYWBH)
#include "tst_getnewywbh.moc"
