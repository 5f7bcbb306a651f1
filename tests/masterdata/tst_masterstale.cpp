// The staff and units windows on the demo database, as 王军 (总经理) uses
// them while 李华 works on the same rows from a second connection: an empty
// 离职日期 stays empty when a phone number is edited, and a row 李华 changed
// after it was listed is not overwritten.
#include "boundform.h"
#include "captionfinder.h"
#include "currentuser.h"
#include "queryhelpers.h"
#include "recordingmessageservice.h"
#include "serverconnection.h"
#include "stringgrid.h"
#include "testserver.h"
#include "tkehufrm.h"
#include "trenyuanglfrm.h"

#include <QLineEdit>
#include <QTest>

using namespace Qt::StringLiterals;

class TestMasterStale : public QObject
{
    Q_OBJECT

    TestServer server;
    std::unique_ptr<ServerConnection> client;
    std::unique_ptr<ServerConnection> other;
    RecordingMessageService messages;

    QString value(const QString &sql)
    {
        return ResultReader::fromAnswer(client->openQuery(sql, QString(), 0)).rows().value(0).value(0);
    }
    static std::unique_ptr<ServerConnection> loggedIn(const TestServer &server, const QString &user)
    {
        auto connection = server.connect();
        const std::optional<QString> answer = connection->login(user, u"123456"_s);
        if (!answer || answer->startsWith(u"Err"_s))
            return nullptr;
        return connection;
    }
    template <class Window> std::unique_ptr<Window> open()
    {
        auto window = std::make_unique<Window>();
        window->show();
        QCoreApplication::processEvents(); // the list loads once the window is shown
        return window;
    }
    static int rowOf(const StringGrid *grid, int column, const QString &text)
    {
        for (int r = 1; r < grid->rowCount(); ++r)
            if (grid->cell(r, column) == text)
                return r;
        return -1;
    }
    static void type(QWidget *window, const QString &caption, const QString &text)
    {
        auto *edit = CaptionFinder::fieldAs<QLineEdit>(window, caption);
        QVERIFY2(edit, qPrintable(caption));
        edit->setText(text);
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(server.start({u"--demo"_s}), qPrintable(server.errorText()));
        client = loggedIn(server, u"wangjun"_s);
        other = loggedIn(server, u"lihua"_s);
        QVERIFY(client && other);
        CommFunU::SetAppServerProvider([this]() -> ServerConnection & { return *client; });
        CommFunU::CurrentUser() = {u"王军"_s, {}, {}, {}, u"总经理"_s, {}, {}, {}};
        for (QString &right : CommFunU::CurrentUser().Rights)
            right = u"1"_s;
    }

    void init() { messages.clear(); }

    // The demo staff have no 离职日期: editing a phone number keeps it empty.
    void aStaffEditKeepsAnEmptyLeavingDate()
    {
        QCOMPARE(value(u"select 离职日期 from 职员 where 用户名='zhaomin'"_s), QString());
        auto window = open<TRenYuanGLFrm>();
        window->editRow(rowOf(window->grid(), 1, u"zhaomin"_s));
        type(window.get(), u"电话号码"_s, u"021-6666 0001"_s);
        window->save();
        QCOMPARE(messages.lastText(), u"修改成功!"_s);
        QCOMPARE(value(u"select 分机号码 from 职员 where 用户名='zhaomin'"_s), u"021-6666 0001"_s);
        QCOMPARE(value(u"select 离职日期 from 职员 where 用户名='zhaomin'"_s), QString());
        QCOMPARE(value(u"select 生日 from 职员 where 用户名='zhaomin'"_s), u"1980-02-17"_s);
        // A new employee starts without a leaving date.
        window->addNew();
        QCOMPARE(CommFunU::ControlValue(window->form()->field(70)), QString());
    }

    // 李华 changes the row after 王军's window listed it: the save writes
    // nothing, names 李华, and 李华's change stays.
    void aRowChangedByAnotherUserIsNotOverwritten_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("theirs");
        QTest::addColumn<QString>("checked");
        QTest::addColumn<QString>("caption");
        QTest::newRow("unit") << u"单位"_s << u"update 单位 set 电话='BY-LIHUA' where 缩写代码='%1'"_s
                              << u"select 电话||'/'||传真 from 单位 where 缩写代码='%1'"_s << u"传真"_s;
        QTest::newRow("staff") << u"职员"_s << u"update 职员 set 手机号='BY-LIHUA' where 用户名='%1'"_s
                               << u"select 手机号||'/'||传真 from 职员 where 用户名='%1'"_s << u"传真"_s;
    }
    void aRowChangedByAnotherUserIsNotOverwritten()
    {
        QFETCH(QString, table);
        QFETCH(QString, theirs);
        QFETCH(QString, checked);
        QFETCH(QString, caption);
        std::unique_ptr<MasterDataWindow> window;
        QString key;
        int row = -1;
        if (table == u"单位"_s) {
            window = open<TkehuFrm>();
            row = 1;
            key = window->grid()->cell(row, 0);
        } else {
            window = open<TRenYuanGLFrm>();
            key = u"wuxia"_s;
            row = rowOf(window->grid(), 1, key);
        }
        QVERIFY(row > 0 && !key.isEmpty());
        window->editRow(row);
        QVERIFY(!other->execSql(theirs.arg(key), QString()).startsWith(u"Err"_s));
        const QString stored = value(checked.arg(key));
        type(window.get(), caption, u"BY-WANGJUN"_s);
        messages.answers = {MessageService::No}; // keeps editing
        window->save();
        QVERIFY2(messages.said(u"此记录已被 李华 于 "_s), qPrintable(messages.lastText()));
        QVERIFY(!messages.said(u"修改成功!"_s));
        QCOMPARE(value(checked.arg(key)), stored);
        QVERIFY(stored.startsWith(u"BY-LIHUA/"_s));
        QCOMPARE(CaptionFinder::fieldAs<QLineEdit>(window.get(), caption)->text(), u"BY-WANGJUN"_s);
        // Listed again, the row saves.
        messages.answers = {MessageService::Yes, MessageService::Yes};
        window->save();
        row = table == u"单位"_s ? rowOf(window->grid(), 0, key) : rowOf(window->grid(), 1, key);
        window->editRow(row);
        type(window.get(), caption, u"BY-WANGJUN"_s);
        window->save();
        QCOMPARE(messages.lastText(), u"修改成功!"_s);
        QCOMPARE(value(checked.arg(key)), u"BY-LIHUA/BY-WANGJUN"_s);
    }
};

QTEST_MAIN(TestMasterStale)
#include "tst_masterstale.moc"
