// The password change against a real server, the about box and the help
// window with the pages the build installs.

#include "currentuser.h"
#include "helpwindow.h"
#include "passwords.h"
#include "recordingmessageservice.h"
#include "serverconnection.h"
#include "stafftable.h"
#include "taboutfrm.h"
#include "testserver.h"
#include "textcodec.h"
#include "tloginfrm.h"
#include "txgmmfrm.h"

#include <QAccessible>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestDialogs : public QObject
{
    Q_OBJECT

    TestServer m_server;
    std::unique_ptr<ServerConnection> m_db;
    QTemporaryDir m_dir;
    std::unique_ptr<TloginFrm> m_login;
    RecordingMessageService messages;

    // Logs in through the login window, as the user does.
    bool login(const QString &user, const QString &password)
    {
        m_login.reset(); // one login window at a time: it owns the connection
        m_login = std::make_unique<TloginFrm>();
        m_login->UserNameEdit()->setText(user);
        m_login->PasswordEdit()->setText(password);
        m_login->OkClick();
        return m_login->LoginOk();
    }

    // 确认 in the password change; true when the dialog closed.
    bool change(const QString &old, const QString &password, const QString &confirmation)
    {
        TXGMMFrm dialog;
        dialog.show();
        dialog.OldPassword()->setText(old);
        dialog.NewPassword()->setText(password);
        dialog.Confirmation()->setText(confirmation);
        dialog.ConfirmClick();
        return dialog.result() == QDialog::Accepted;
    }

    // A stored password is read from the file: no session reads one back.
    QString column(const QString &expression)
    {
        const QString sql = u"select "_s + expression + u" from 职员 where 用户名='op1'"_s;
        if (expression == u"密码"_s)
            return m_server.valueDirect(sql);
        return ResultReader::fromAnswer(m_db->openQuery(sql, QString(), 0)).next();
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
        m_db = m_server.connect();
        QDir::setCurrent(m_dir.path());
        QFile settings(u"ConnectServer.txt"_s);
        QVERIFY(settings.open(QIODevice::WriteOnly));
        const QString text = u"IP=127.0.0.1\r\nPort="_s + QString::number(m_server.port()) + u"\r\n"_s;
        settings.write(TextCodec::encode(text));
    }

    void init()
    {
        fillStaffTable(*m_db, {{u"op1"_s, u"secret"_s, u"张三"_s, u"操作部"_s, u"操作员"_s, {}, {}, rightsOf("11000000")}});
        QVERIFY(login(u"op1"_s, u"secret"_s));
        messages.clear();
    }

    void newPasswordLogsIn_data()
    {
        QTest::addColumn<QString>("password");
        QTest::newRow("quote and colon") << u"a'b:c"_s;
        // Spliced in as typed, this would make the user 总经理 with every right.
        QTest::newRow("injection") << u"x', 权限1='1', 权限2='1', 权限3='1', 权限4='1', 权限5='1', 权限6='1', "
                                      u"权限7='1', 权限8='1', 职位='总经理"_s;
        QTest::newRow("empty") << QString();
    }
    void newPasswordLogsIn()
    {
        QFETCH(QString, password);
        QVERIFY(change(u"secret"_s, password, password));
        QCOMPARE(messages.messages.size(), 1);
        QCOMPARE(messages.messages.last().caption, u"提示"_s);
        QCOMPARE(messages.lastText(), u"密码修改成功!"_s);
        QCOMPARE(column(u"权限1||权限2||权限3||权限4||权限5||权限6||权限7||权限8||职位"_s), u"11000000操作员"_s);
        const QString stored = column(u"密码"_s);
        QCOMPARE(CommFunU::IsPasswordDigest(stored), !password.isEmpty());
        QVERIFY(login(u"op1"_s, password));
        QVERIFY(!login(u"op1"_s, u"secret"_s));
    }

    void oldPasswordIsTheOneTypedAtLogin()
    {
        QVERIFY(change(u"secret"_s, u"p1"_s, u"p1"_s));
        // The record keeps the password typed at login, not the one just set.
        QVERIFY(!change(u"p1"_s, u"p2"_s, u"p2"_s));
        QCOMPARE(messages.messages.last().caption, u"出错"_s);
        QCOMPARE(messages.lastText(), u"原密码不正确或新密码输入不一致!"_s);
        QVERIFY(!change(u"secret"_s, u"p2"_s, u"p3"_s)); // confirmation differs
        QVERIFY(change(u"secret"_s, u"p2"_s, u"p2"_s));
        QVERIFY(CommFunU::PasswordMatches(column(u"密码"_s), u"p2"_s));
    }

    void failureShowsNoPassword()
    {
        QCOMPARE(m_server.execDirect(
                     u"create trigger refuse before update on 职员 begin select raise(abort, 'refused by test'); end"_s),
                 QString());
        const bool closed = change(u"secret"_s, u"Sekr3t!"_s, u"Sekr3t!"_s);
        m_server.execDirect(u"drop trigger refuse"_s);
        QVERIFY(!closed);
        QCOMPARE(messages.lastText(), u"出错: \rupdate 职员 set 密码='********' where 用户名=:p1refused by test"_s);
        QVERIFY(!m_server.log().contains(u"Sekr3t!"_s));
        QCOMPARE(column(u"密码"_s), u"secret"_s);

        // Success only when the user's own row changed.
        m_db->execSql(u"delete from 职员"_s, QString());
        QVERIFY(!change(u"secret"_s, u"new"_s, u"new"_s));
        QCOMPARE(messages.lastText(), u"未找到此用户:op1"_s);
    }

    void aboutBoxShowsTheServersTelephone()
    {
        TAboutFrm about;
        QCOMPARE(about.windowTitle(), u"关于"_s);
        QCOMPARE(about.TelephoneLine()->text(), u"Tel:"_s);
        about.show();
        QTRY_COMPARE(about.TelephoneLine()->text(), u"电话: 021-00000000"_s);
    }

    void helpOpensOnlyWhenPresent()
    {
        QTemporaryDir empty;
        QCOMPARE(HelpWindow::OpenTopics(nullptr, empty.path()), nullptr);
        for (QWidget *w : QApplication::topLevelWidgets())
            QVERIFY(!qobject_cast<HelpWindow *>(w));

        HelpWindow *help = HelpWindow::OpenTopics(nullptr);
        QVERIFY2(help, qPrintable(HelpWindow::Folder()));
        QCOMPARE(help->windowTitle(), u"帮助"_s);
        QVERIFY(help->isVisible());
        // A screen reader meets a window named by its title, not a filler.
        QAccessibleInterface *announced = QAccessible::queryAccessibleInterface(help);
        QVERIFY(announced);
        QCOMPARE(announced->role(), QAccessible::Window);
        QCOMPARE(announced->text(QAccessible::Name), u"帮助"_s);
        QCOMPARE(help->Browser()->source().fileName(), u"index.html"_s);
        QCOMPARE(help->Browser()->documentTitle(), u"Korvan货运平台 帮助"_s);
        help->Browser()->setSource(QUrl(u"staff.html"_s));
        QCOMPARE(help->Browser()->documentTitle(), u"职员管理和权限"_s);
        QCOMPARE(HelpWindow::OpenTopics(nullptr), help); // one window, back at the contents
        QCOMPARE(help->Browser()->source().fileName(), u"index.html"_s);
        help->close();
    }

    void helpPagesLinkUp()
    {
        // Every link leads to a page that is there; every page is in the
        // contents and leads back to it.
        const QDir folder(HelpWindow::Folder());
        const QStringList pages = folder.entryList({u"*.html"_s}, QDir::Files);
        QVERIFY(pages.contains(u"index.html"_s));
        const QRegularExpression href(u"href=\"([^\"#]*)"_s);
        QSet<QString> inContents;
        for (const QString &page : pages) {
            QFile file(folder.filePath(page));
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QString html = QString::fromUtf8(file.readAll());
            QSet<QString> links;
            for (const QRegularExpressionMatch &m : href.globalMatch(html)) {
                links << m.captured(1);
                QVERIFY2(folder.exists(m.captured(1)), qPrintable(page + u" -> "_s + m.captured(1)));
            }
            if (page == u"index.html"_s)
                inContents = links;
            else
                QVERIFY2(links.contains(u"index.html"_s), qPrintable(page));
        }
        for (const QString &page : pages)
            QVERIFY2(page == u"index.html"_s || inContents.contains(page), qPrintable(page));
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
