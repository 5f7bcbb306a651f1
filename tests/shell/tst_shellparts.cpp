// Parts of the shell that need no server: the widget message service, the
// focus colours, the date and time conventions, the settings file and the
// login picture.

#include "connectsettings.h"
#include "focushighlighter.h"
#include "korvanapplication.h"
#include "korvanerror.h"
#include "loginpicture.h"
#include "modalhelper.h"
#include "recordingmessageservice.h"
#include "serverconnection.h"
#include "startupconventions.h"
#include "values.h"
#include "textcodec.h"
#include "tloginfrm.h"
#include "widgetmessageservice.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QStyle>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestShellParts : public QObject
{
    Q_OBJECT

private slots:
    void messageBoxText();
    void messageBoxButtons_data();
    void messageBoxButtons();
    void focusColours();
    void conventions();
    void settingsKeepOtherLines();
    void settingsWriteFailure();
    void pictureConfirmsLogin();
    void loginFieldColours();
};

void TestShellParts::messageBoxText()
{
    WidgetMessageService service;
    QString shown;
    QString caption;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    ModalHelper::onNextModal([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY(box);
        shown = box->text();
        caption = box->windowTitle();
        icon = box->icon();
        ModalHelper::pressButton(box, u"确定"_s);
    });
    const MessageService::Message message{u"出错"_s, u"出错: \rselect 1\r\nno such table"_s,
                                          MessageService::Icon::Warning, MessageService::Ok};
    QCOMPARE(service.show(message), MessageService::Ok);
    QCOMPARE(shown, u"出错: \nselect 1\nno such table"_s);
    QCOMPARE(caption, u"出错"_s);
    QCOMPARE(icon, QMessageBox::Warning);
    // The message itself keeps its "\r".
    QCOMPARE(message.text, u"出错: \rselect 1\r\nno such table"_s);
}

void TestShellParts::messageBoxButtons_data()
{
    QTest::addColumn<int>("buttons");
    QTest::addColumn<QString>("press");
    QTest::addColumn<int>("answer");

    using M = MessageService;
    QTest::newRow("yes") << int(M::Yes | M::No) << u"是"_s << int(M::Yes);
    QTest::newRow("no") << int(M::Yes | M::No) << u"否"_s << int(M::No);
    QTest::newRow("cancel") << int(M::Yes | M::No | M::Cancel) << u"取消"_s << int(M::Cancel);
    QTest::newRow("ok of two") << int(M::Ok | M::Cancel) << u"确定"_s << int(M::Ok);
}

void TestShellParts::messageBoxButtons()
{
    QFETCH(int, buttons);
    QFETCH(QString, press);
    QFETCH(int, answer);

    WidgetMessageService service;
    bool pressed = false;
    ModalHelper::onNextModal([&](QWidget *modal) { pressed = ModalHelper::pressButton(modal, press); });
    const auto result = service.show({u"提示"_s, u"保存吗?"_s, MessageService::Icon::Question,
                                      MessageService::Buttons(buttons)});
    QVERIFY(pressed);
    QCOMPARE(int(result), answer);
}

void TestShellParts::focusColours()
{
    QWidget window;
    auto *first = new QLineEdit(&window);
    auto *second = new QLineEdit(&window);
    first->move(0, 0);
    second->move(0, 40);
    FocusHighlighter::watch(first);
    FocusHighlighter::watch(second);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();

    first->setFocus();
    QTRY_VERIFY(first->hasFocus());
    QCOMPARE(first->palette().color(QPalette::Active, QPalette::Base), QColor(210, 233, 255));
    QCOMPARE(second->palette().color(QPalette::Active, QPalette::Base), QColor(Qt::white));
    second->setFocus();
    QTRY_VERIFY(second->hasFocus());
    QCOMPARE(first->palette().color(QPalette::Active, QPalette::Base), QColor(Qt::white));
    QCOMPARE(second->palette().color(QPalette::Active, QPalette::Base), QColor(210, 233, 255));
    first->setEnabled(false);
    QCOMPARE(first->palette().color(QPalette::Disabled, QPalette::Base),
             QApplication::palette().color(QPalette::Active, QPalette::Button));
}

void TestShellParts::conventions()
{
    CommFunU::ApplyStartupConventions();
    QCOMPARE(QCoreApplication::applicationName(), u"Korvan货运平台"_s);
    QCOMPARE(QLocale().amText(), CommFunU::MorningMark());
    QCOMPARE(QLocale().pmText(), CommFunU::AfternoonMark());
    QCOMPARE(CommFunU::MorningMark(), u"上午"_s);
    QCOMPARE(CommFunU::AfternoonMark(), u"下午"_s);
    QCOMPARE(CommFunU::DateText(QDate(2024, 3, 5)), u"2024-03-05"_s);
    QCOMPARE(CommFunU::TimeText(QTime(7, 5, 59)), u"07:05"_s);
    QCOMPARE(CommFunU::TimeText(QTime(19, 30)), u"19:30"_s);
    QCOMPARE(CommFunU::DateTimeText(QDateTime(QDate(2024, 12, 31), QTime(23, 59))), u"2024-12-31 23:59"_s);
}

void TestShellParts::settingsKeepOtherLines()
{
    QTemporaryDir dir;
    const QString name = dir.filePath(u"ConnectServer.txt"_s);
    QFile file(name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(TextCodec::encode(u"# 备注\r\nIP=srv\r\nExtra=保留\r\n"_s));
    file.close();
    ConnectSettings settings(name);
    settings.setValue(u"UserName"_s, u"用户甲"_s);
    settings.setValue(u"ip"_s, u"10.0.0.2"_s);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(TextCodec::decode(file.readAll()), u"# 备注\r\nip=10.0.0.2\r\nExtra=保留\r\nUserName=用户甲\r\n"_s);
    file.close();
    QCOMPARE(settings.value(u"IP"_s), u"10.0.0.2"_s);
    QCOMPARE(settings.value(u"Extra"_s), u"保留"_s);
    QCOMPARE(settings.value(u"Missing"_s), QString());
    // A value may hold '='.
    settings.setValue(u"Note"_s, u"a=b"_s);
    QCOMPARE(settings.value(u"Note"_s), u"a=b"_s);
}

void TestShellParts::settingsWriteFailure()
{
    QTemporaryDir dir;
    // A folder where the file should be: neither readable nor writable as a file.
    const QString name = dir.filePath(u"ConnectServer.txt"_s);
    QVERIFY(QDir().mkdir(name));
    ConnectSettings settings(name);
    QVERIFY_THROWS_EXCEPTION(KorvanError, settings.setValue(u"IP"_s, u"x"_s));

    // The login window still opens with the defaults and says what went wrong.
    const QString old = QDir::currentPath();
    QDir::setCurrent(dir.path());
    RecordingMessageService messages;
    {
        TloginFrm form;
        QCOMPARE(form.AddressEdit()->text(), u"127.0.0.1"_s);
        QCOMPARE(form.Connection().port(), 211);
    }
    QDir::setCurrent(old);
    QCOMPARE(messages.messages.size(), 1);
    QVERIFY(messages.lastText().contains(u"ConnectServer.txt"_s));
}

void TestShellParts::pictureConfirmsLogin()
{
    QTemporaryDir dir;
    const QString old = QDir::currentPath();
    QDir::setCurrent(dir.path());
    RecordingMessageService messages;
    {
        TloginFrm form;
        form.Connection().setPort(1); // nothing listens there
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTest::mouseClick(form.Picture(), Qt::LeftButton);
        QCOMPARE(messages.messages.size(), 1);
        QVERIFY(messages.lastText().startsWith(u"连接服务器失败"_s));
        // Focus starts in the password field.
        QVERIFY(form.PasswordEdit()->hasFocus() || QApplication::focusWidget() == form.PasswordEdit());
        // The picture really draws something.
        const QImage image = form.Picture()->grab().toImage();
        QVERIFY(image.pixelColor(image.width() / 2, 5) != image.pixelColor(image.width() / 2, image.height() - 5));
    }
    QDir::setCurrent(old);
}

void TestShellParts::loginFieldColours()
{
    QTemporaryDir dir;
    const QString old = QDir::currentPath();
    QDir::setCurrent(dir.path());
    {
        TloginFrm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.activateWindow();
        QTRY_VERIFY(form.PasswordEdit()->hasFocus());
        const QColor highlight(210, 233, 255);
        const auto base = [](QLineEdit *field) { return field->palette().color(QPalette::Active, QPalette::Base); };
        QCOMPARE(base(form.PasswordEdit()), highlight);
        QCOMPARE(base(form.UserNameEdit()), QColor(Qt::white));
        form.AdvancedClick();
        QTRY_VERIFY(form.AddressEdit()->hasFocus());
        QCOMPARE(base(form.AddressEdit()), highlight);
        QCOMPARE(base(form.PasswordEdit()), QColor(Qt::white));
        // What the user sees: the password field is painted white again.
        const QImage image = form.PasswordEdit()->grab().toImage();
        QCOMPARE(image.pixelColor(image.width() - 4, image.height() / 2), QColor(Qt::white));
        // The password is masked with '*'.
        form.PasswordEdit()->setText(u"abc"_s);
        QCOMPARE(form.PasswordEdit()->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr,
                                                         form.PasswordEdit()),
                 int(u'*'));
    }
    QDir::setCurrent(old);
}

int main(int argc, char **argv)
{
    KorvanApplication app(argc, argv);
    TestShellParts test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_shellparts.moc"
