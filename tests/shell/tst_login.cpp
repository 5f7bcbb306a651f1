// The login window against a real korvan-server: the user check, the
// CurrentUser record, the settings file, the address kinds, GetAppServer and
// the process-wide handling of a lost connection.

#include "connectsettings.h"
#include "currentuser.h"
#include "demodata.h"
#include "korvanapplication.h"
#include "korvanerror.h"
#include "passwords.h"
#include "queryhelpers.h"
#include "loopbackpeer.h"
#include "recordingmessageservice.h"
#include "resultreader.h"
#include "serverconnection.h"
#include "stafftable.h"
#include "taboutfrm.h"
#include "testserver.h"
#include "textcodec.h"
#include "tlscontext.h"
#include "tloginfrm.h"
#include "wireprotocol.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QStatusBar>
#include <QSemaphore>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <atomic>

using namespace Qt::StringLiterals;

namespace {

// The one user of the tests that start a server of their own.
const StaffRow Op1{u"op1"_s, u"secret"_s, u"张三"_s, u"操作部"_s, u"操作员"_s, QString(), QString(), rightsOf("11000000")};

QString readFile(const QString &name)
{
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return TextCodec::decode(file.readAll());
}

void writeFile(const QString &name, const QString &text)
{
    QFile file(name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(TextCodec::encode(text));
}

// A server as they were before the Login call: a korvan-server behind a
// relay that, like those servers, closes the connection on a call it does
// not know.
class ServerWithoutLogin : public LoopbackPeer
{
public:
    explicit ServerWithoutLogin(int upstreamPort)
        : m_upstream(upstreamPort)
    {
        begin();
    }
    ~ServerWithoutLogin() override { finish(); }

protected:
    void serve(QTcpServer &listener) override
    {
        while (!stopping()) {
            if (!listener.waitForNewConnection(20))
                continue;
            std::unique_ptr<QTcpSocket> client(listener.nextPendingConnection());
            QTcpSocket server;
            server.connectToHost(QHostAddress::LocalHost, quint16(m_upstream));
            QByteArray requests;
            QByteArray payload;
            bool known = server.waitForConnected(5000);
            while (known && !stopping() && client->state() == QAbstractSocket::ConnectedState) {
                if (server.waitForReadyRead(5))
                    client->write(server.readAll());
                client->waitForBytesWritten(5);
                if (client->waitForReadyRead(5))
                    requests += client->readAll();
                while (known && WireProtocol::takeFrame(requests, WireProtocol::MaxRequestSize, payload)
                                    == WireProtocol::FrameStatus::Complete) {
                    known = WireProtocol::decodeItems(payload).value_or(QList<QByteArray>{}).value(0) != "Login";
                    if (known)
                        server.write(WireProtocol::frame(payload));
                }
                server.waitForBytesWritten(5);
            }
            client->abort(); // on Login: the connection closes
        }
    }

private:
    int m_upstream;
};

// The users the server's log says sessions logged in as, in order.
QStringList loginsIn(const QString &log)
{
    static const QRegularExpression loggedIn(u"logged in as (\\S+) \\("_s);
    QStringList users;
    for (auto it = loggedIn.globalMatch(log); it.hasNext();)
        users << it.next().captured(1);
    return users;
}

QString lastLoginIn(const QString &log)
{
    const QStringList users = loginsIn(log);
    return users.isEmpty() ? QString() : users.constLast();
}

// Sends a frame and waits until TLS has written it out.
bool send(QSslSocket &socket, const QByteArray &payload)
{
    socket.write(WireProtocol::frame(payload));
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(5000))
            return false;
    }
    return true;
}

// Takes the next frame off buffer, reading more from socket until it is whole.
bool receive(QSslSocket &socket, QByteArray &buffer, QByteArray &payload, int timeoutMs)
{
    while (WireProtocol::takeFrame(buffer, WireProtocol::MaxAnswerSize, payload) != WireProtocol::FrameStatus::Complete) {
        if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(timeoutMs))
            return false;
        buffer += socket.readAll();
    }
    return true;
}

// Poses as the server, with a certificate of its own that the test trusts
// as it trusts its servers, and passes every frame on to a real
// korvan-server over a TLS connection of its own, but one: the nth call
// after the server has accepted a Login of the given user. That call never
// reaches the server; the relay answers it with an error, or closes the
// connection, as a server that failed right then would. So the server's
// Login succeeds while the window's own queries after it fail.
class FailAfterLoginRelay : public LoopbackPeer
{
public:
    enum class Failure { Answer, Drop };
    // What the failed call is answered with, after "Err".
    static constexpr char Message[] = "disk I/O error (the relay failed this call)";

    FailAfterLoginRelay(const TestServer &server, const QString &user, int nth, Failure failure)
        : m_server(server)
        , m_user(user)
        , m_nth(nth)
        , m_failure(failure)
    {
        TlsContext::Request request;
        request.commonName = u"relay"_s;
        const QString certificate = m_dir.filePath(u"relay.crt"_s);
        const QString key = m_dir.filePath(u"relay.key"_s);
        if (TlsContext::create(certificate, key, request, &m_error))
            m_tls = TlsContext::load(certificate, key, &m_error);
        if (m_tls)
            TestServer::trustFingerprint(m_tls->fingerprint());
        begin();
    }
    ~FailAfterLoginRelay() override { finish(); }
    // Empty when the relay has its certificate.
    QString errorText() const { return m_error; }
    // The calls it failed: 1 once the fault has struck.
    int failedCalls() const { return m_failed; }

protected:
    void serve(QTcpServer &listener) override
    {
        while (!stopping()) {
            if (!listener.waitForNewConnection(20))
                continue;
            std::unique_ptr<QSslSocket> client(qobject_cast<QSslSocket *>(listener.nextPendingConnection()));
            QString failure;
            std::unique_ptr<QSslSocket> server = m_server.rawSocket();
            if (m_tls && server && m_tls->secure(*client, 5000, stopFlag(), &failure)
                && send(*client, WireProtocol::Greeting))
                relay(*client, *server);
            client->abort();
        }
    }

private:
    void relay(QSslSocket &client, QSslSocket &server)
    {
        QByteArray fromClient;
        QByteArray fromServer;
        QByteArray request;
        QByteArray answer;
        int sinceLogin = -1; // calls since the Login of the user, -1 before it
        while (!stopping() && client.state() == QAbstractSocket::ConnectedState) {
            if (!receive(client, fromClient, request, 20))
                continue;
            const QList<QByteArray> items = WireProtocol::decodeItems(request).value_or(QList<QByteArray>{});
            if (sinceLogin >= 0 && ++sinceLogin == m_nth && m_failed == 0) {
                ++m_failed;
                if (m_failure == Failure::Drop || !send(client, QByteArray("Err") + Message))
                    return;
                continue;
            }
            if (!send(server, request) || !receive(server, fromServer, answer, 30000) || !send(client, answer))
                return;
            if (items.value(0) == "Login" && TextCodec::decode(items.value(1)) == m_user && !answer.startsWith("Err"))
                sinceLogin = 0;
        }
    }

    const TestServer &m_server;
    const QString m_user;
    const int m_nth;
    const Failure m_failure;
    QTemporaryDir m_dir;
    std::optional<TlsContext> m_tls;
    QString m_error;
    std::atomic_int m_failed{0};
};

} // namespace

class TestLogin : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void login_data();
    void login();
    void failedLoginKeepsPreviousUser();
    void settingsFile_data();
    void settingsFile();
    void addressKind_data();
    void addressKind();
    void hostNameReachesServer();
    void connectFailureKeepsDialogOpen();
    void appServerFailureShowsAndThrows();
    void uncaughtErrors_data();
    void uncaughtErrors();
    void lostConnectionWhenServerStops();
    void aboutBoxWithoutServerSaysItOnce();
    void halfFinishedReLoginGivesTheSessionBack_data();
    void halfFinishedReLoginGivesTheSessionBack();
    void serverWithAndWithoutLogin_data();
    void serverWithAndWithoutLogin();

private:
    void writeSettings(int port, const QString &user = QString());

    TestServer m_server;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_oldDir;
};

void TestLogin::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
    auto admin = m_server.connect();
    try {
        fillStaffTable(*admin, {
            {u"op1"_s, u"secret"_s, u"张三"_s, u"操作部"_s, u"操作员"_s, u"8001"_s, u"8002"_s, rightsOf("11000000")},
            {u"nopw"_s, QString(), u"李四"_s, u"操作部"_s, u"业务员"_s, QString(), QString(), rightsOf("11111111")},
            {u"o'brien"_s, u"q'1"_s, u"王五"_s, u"财务部"_s, u"财务员"_s, u"9'9"_s, QString(), rightsOf("10000001")},
            {u"用户甲"_s, u"密码甲"_s, u"赵六"_s, u"总经办"_s, u"总经理"_s, u"6001"_s, u"6002"_s, rightsOf("11111111")},
            {u"digest"_s, CommFunU::PasswordToStore(u"ge:heim"_s), u"孙七"_s, u"操作部"_s, u"操作员"_s, {}, {},
             rightsOf("11000000")},
            {u"admin"_s, u"admin"_s, u"系统管理员"_s, u"总经办"_s, u"总经理"_s, {}, {}, rightsOf("11111111")},
        });
    } catch (const KorvanError &e) {
        QFAIL(qPrintable(e.message()));
    }
}

void TestLogin::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_oldDir = QDir::currentPath();
    QDir::setCurrent(m_dir->path());
    writeSettings(m_server.port());
    CommFunU::CurrentUser() = CurrentUserRecord();
}

void TestLogin::cleanup()
{
    QDir::setCurrent(m_oldDir);
    m_dir.reset();
}

void TestLogin::writeSettings(int port, const QString &user)
{
    QString text = u"IP=127.0.0.1\r\nPort="_s + QString::number(port) + u"\r\n"_s;
    if (!user.isEmpty())
        text += u"UserName="_s + user + u"\r\n"_s;
    writeFile(u"ConnectServer.txt"_s, text);
}

void TestLogin::login_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("message");

    QTest::newRow("correct") << u"op1"_s << u"secret"_s << true << QString();
    QTest::newRow("unknown user") << u"nobody"_s << u"secret"_s << false << u"未找到此用户:nobody"_s;
    QTest::newRow("wrong password") << u"op1"_s << u"Secret"_s << false << u"密码不正确!"_s;
    QTest::newRow("password with a blank") << u"op1"_s << u"secret "_s << false << u"密码不正确!"_s;
    QTest::newRow("empty stored, empty typed") << u"nopw"_s << QString() << true << QString();
    QTest::newRow("empty stored, typed") << u"nopw"_s << u"x"_s << false << u"密码不正确!"_s;
    // The user name travels as the bound parameter: an apostrophe is data.
    QTest::newRow("apostrophe in the name") << u"o'brien"_s << u"q'1"_s << true << QString();
    QTest::newRow("apostrophe, no such user") << u"x' or '1'='1"_s << QString() << false
                                               << u"未找到此用户:x' or '1'='1"_s;
    QTest::newRow("chinese user") << u"用户甲"_s << u"密码甲"_s << true << QString();
    // A password set through the client is stored as a digest.
    QTest::newRow("digest stored") << u"digest"_s << u"ge:heim"_s << true << QString();
    QTest::newRow("digest stored, wrong") << u"digest"_s << u"Ge:heim"_s << false << u"密码不正确!"_s;
    // The administrator of a new database is told to change his first password.
    QTest::newRow("admin with the password admin")
        << u"admin"_s << u"admin"_s << true << u"admin 仍在使用初始密码 admin。请用 系统管理 > 修改密码 设置一个新密码。"_s;
    // An empty user name stops quietly.
    QTest::newRow("empty user name") << QString() << u"secret"_s << false << QString();
}

void TestLogin::login()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(bool, ok);
    QFETCH(QString, message);

    RecordingMessageService messages;
    TloginFrm form;
    int loggedIn = 0;
    connect(&form, &TloginFrm::LoggedIn, this, [&loggedIn] { ++loggedIn; });
    const QString before = readFile(u"ConnectServer.txt"_s);
    form.UserNameEdit()->setText(user);
    form.PasswordEdit()->setText(password);
    form.OkClick();

    QCOMPARE(form.LoginOk(), ok);
    QCOMPARE(loggedIn, ok ? 1 : 0);
    QVERIFY(form.StatusBar()->currentMessage().isEmpty());
    if (message.isEmpty()) {
        QVERIFY2(messages.messages.isEmpty(), qPrintable(messages.lastText()));
    } else {
        QCOMPARE(messages.messages.size(), 1);
        QCOMPARE(messages.lastText(), message);
    }
    const CurrentUserRecord &current = CommFunU::CurrentUser();
    if (!ok) {
        QVERIFY(current.StaffName.isEmpty());
        QCOMPARE(readFile(u"ConnectServer.txt"_s), before);
        return;
    }
    QCOMPARE(current.UserName, user);
    QCOMPARE(current.Password, password);
    QVERIFY(!current.StaffName.isEmpty());
    ConnectSettings settings;
    QCOMPARE(settings.value(u"UserName"_s), user);
    QCOMPARE(settings.value(u"IP"_s), u"127.0.0.1"_s);
    QCOMPARE(settings.value(u"Port"_s), QString::number(m_server.port()));
    if (user == u"op1"_s) {
        QCOMPARE(current.StaffName, u"张三"_s);
        QCOMPARE(current.Department, u"操作部"_s);
        QCOMPARE(current.Position, u"操作员"_s);
        QCOMPARE(current.Extension, u"8001"_s);
        QCOMPARE(current.Fax, u"8002"_s);
        QVERIFY(current.hasRight(1) && current.hasRight(2) && !current.hasRight(3) && !current.hasRight(8));
    }
    if (user == u"o'brien"_s) {
        // The extension is looked up with the name quoted, not spliced in.
        QCOMPARE(current.Extension, u"9'9"_s);
        QVERIFY(current.hasRight(8) && !current.hasRight(2));
    }
}

void TestLogin::failedLoginKeepsPreviousUser()
{
    RecordingMessageService messages;
    TloginFrm form;
    form.UserNameEdit()->setText(u"op1"_s);
    form.PasswordEdit()->setText(u"secret"_s);
    form.OkClick();
    QVERIFY(form.LoginOk());
    const QString settings = readFile(u"ConnectServer.txt"_s);

    form.UserNameEdit()->setText(u"用户甲"_s);
    form.PasswordEdit()->setText(u"wrong"_s);
    form.OkClick();
    QCOMPARE(messages.lastText(), u"密码不正确!"_s);
    QCOMPARE(CommFunU::CurrentUser().UserName, u"op1"_s);
    QCOMPARE(CommFunU::CurrentUser().StaffName, u"张三"_s);
    QCOMPARE(readFile(u"ConnectServer.txt"_s), settings);
}

void TestLogin::settingsFile_data()
{
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QString>("content");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("user");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("portAfter");

    QTest::newRow("missing file") << false << QString() << u"127.0.0.1"_s << u"admin"_s << 211 << u"211"_s;
    QTest::newRow("empty file") << true << QString() << u"127.0.0.1"_s << u"admin"_s << 211 << u"211"_s;
    QTest::newRow("all keys") << true << u"IP=10.1.2.3\r\nPort=4000\r\nUserName=用户甲\r\n"_s << u"10.1.2.3"_s
                              << u"用户甲"_s << 4000 << u"4000"_s;
    QTest::newRow("port not a number") << true << u"IP=srv\r\nPort=abc\r\nUserName=op1\r\n"_s << u"srv"_s
                                       << u"op1"_s << 211 << u"211"_s;
    QTest::newRow("port empty") << true << u"Port=\r\nIP=srv\r\n"_s << u"srv"_s << u"admin"_s << 211 << u"211"_s;
    QTest::newRow("port zero") << true << u"Port=0\r\n"_s << u"127.0.0.1"_s << u"admin"_s << 211 << u"211"_s;
    QTest::newRow("port too large") << true << u"Port=70000\r\n"_s << u"127.0.0.1"_s << u"admin"_s << 211
                                    << u"211"_s;
    QTest::newRow("unix line ends, other case") << true << u"ip=192.168.0.9\nport=5000\nusername=op1\n"_s
                                                << u"192.168.0.9"_s << u"op1"_s << 5000 << u"5000"_s;
}

void TestLogin::settingsFile()
{
    QFETCH(bool, exists);
    QFETCH(QString, content);
    QFETCH(QString, address);
    QFETCH(QString, user);
    QFETCH(int, port);
    QFETCH(QString, portAfter);

    QFile::remove(u"ConnectServer.txt"_s);
    if (exists)
        writeFile(u"ConnectServer.txt"_s, content);
    RecordingMessageService messages;
    TloginFrm form;
    QCOMPARE(form.AddressEdit()->text(), address);
    QCOMPARE(form.UserNameEdit()->text(), user);
    QCOMPARE(form.Connection().port(), port);
    QVERIFY(messages.messages.isEmpty());
    ConnectSettings settings;
    QCOMPARE(settings.value(u"Port"_s), portAfter);
    // Rewriting the port keeps the other entries.
    if (content.contains(u"UserName"_s))
        QCOMPARE(settings.value(u"UserName"_s), user);
    QVERIFY(!form.AddressRow()->isVisibleTo(&form));
    form.AdvancedClick();
    QVERIFY(form.AddressRow()->isVisibleTo(&form));
}

void TestLogin::addressKind_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("isAddress");

    QTest::newRow("dotted quad") << u"192.168.1.20"_s << true;
    QTest::newRow("loopback") << u"127.0.0.1"_s << true;
    QTest::newRow("empty") << QString() << true;
    QTest::newRow("digits only") << u"12345"_s << true;
    QTest::newRow("four dots") << u"1.2.3.4.5"_s << true;
    QTest::newRow("five dots") << u"1.2.3.4.5.6"_s << false;
    QTest::newRow("name") << u"server01"_s << false;
    QTest::newRow("domain") << u"db.example.com"_s << false;
    QTest::newRow("leading blank") << u" 10.0.0.1"_s << false;
    QTest::newRow("full-width digits") << u"１２７.０.０.１"_s << false;
}

void TestLogin::addressKind()
{
    QFETCH(QString, text);
    QFETCH(bool, isAddress);
    QCOMPARE(TloginFrm::IsAddressText(text), isAddress);

    // The connection gets the text as its address or as its host.
    RecordingMessageService messages;
    writeFile(u"ConnectServer.txt"_s, u"IP="_s + text + u"\r\nPort=1\r\n"_s);
    TloginFrm form;
    form.AddressEdit()->setText(text);
    form.UserNameEdit()->clear();
    form.Connection().setTimeout(300); // a name lookup need not finish
    form.OkClick(); // fails to connect: there is no server on port 1
    QCOMPARE(form.Connection().address(), isAddress ? text : QString());
    QCOMPARE(form.Connection().host(), isAddress ? QString() : text);
}

void TestLogin::hostNameReachesServer()
{
    RecordingMessageService messages;
    TloginFrm form;
    form.AddressEdit()->setText(u"localhost"_s);
    form.UserNameEdit()->setText(u"op1"_s);
    form.PasswordEdit()->setText(u"secret"_s);
    form.OkClick();
    QVERIFY2(form.LoginOk(), qPrintable(messages.lastText()));
    QCOMPARE(form.Connection().host(), u"localhost"_s);
    QCOMPARE(ConnectSettings().value(u"IP"_s), u"localhost"_s);
}

void TestLogin::connectFailureKeepsDialogOpen()
{
    // A port on which nothing listens: take a free one from a server that is gone.
    TestServer gone;
    QVERIFY(gone.start());
    const int port = gone.port();
    gone.stop();
    writeSettings(port);

    RecordingMessageService messages;
    TloginFrm form;
    form.UserNameEdit()->setText(u"op1"_s);
    form.PasswordEdit()->setText(u"secret"_s);
    form.OkClick();
    QVERIFY(!form.LoginOk());
    QCOMPARE(messages.messages.size(), 1);
    QVERIFY(messages.lastText().startsWith(u"连接服务器失败,请确认服务器已打开且服务器IP地址输入无误!\r"_s));
    QVERIFY(messages.lastText().contains(u"Error reading from socket"_s));
    QCOMPARE(messages.messages.last().caption, u"出错"_s); // as every connection failure
    QCOMPARE(messages.messages.last().icon, MessageService::Icon::Warning);
    QVERIFY(form.StatusBar()->currentMessage().isEmpty());
    QVERIFY(!QGuiApplication::overrideCursor());
    QCOMPARE(ConnectSettings().value(u"UserName"_s), QString());
}

void TestLogin::appServerFailureShowsAndThrows()
{
    RecordingMessageService messages;
    {
        TloginFrm form;
        form.Connection().setPort(1);
        QString thrown;
        try {
            CommFunU::GetAppServer();
        } catch (const KorvanError &e) {
            thrown = e.message();
        }
        QCOMPARE(messages.messages.size(), 1);
        const MessageService::Message &shown = messages.messages.first();
        QCOMPARE(shown.caption, u"出错"_s);
        QCOMPARE(shown.icon, MessageService::Icon::Warning);
        QVERIFY(shown.text.startsWith(u"无法连接服务器，请确认服务器已打开！\r"_s));
        QCOMPARE(thrown, shown.text);

        // The standard query step abandons silently after that message.
        messages.clear();
        QVERIFY(!CommFunU::OpenQueryStep(u"select 1"_s).has_value());
        QCOMPARE(messages.messages.size(), 1); // only GetAppServer's own message

        // With the right port GetAppServer opens the connection itself.
        form.Connection().setPort(m_server.port());
        messages.clear();
        QVERIFY(CommFunU::GetAppServer().isConnected());
        QVERIFY(messages.messages.isEmpty());
    }
    // Once the login window is gone nobody provides a server.
    QVERIFY_THROWS_EXCEPTION(KorvanError, CommFunU::GetAppServer());
}

void TestLogin::uncaughtErrors_data()
{
    QTest::addColumn<QString>("error");
    QTest::addColumn<bool>("standard");
    QTest::addColumn<bool>("shown");

    QTest::newRow("socket error") << u"Error reading from socket: connection lost"_s << false << true;
    QTest::newRow("windows socket error") << u"Windows socket error: 10054"_s << false << true;
    QTest::newRow("socket error, std") << u"Error reading from socket"_s << true << true;
    QTest::newRow("other error") << u"Access violation"_s << false << false;
    QTest::newRow("other std error") << u"bad"_s << true << false;
    // A connection that could not be made was reported where it failed; it
    // is no lost connection, whatever the socket's text says.
    QTest::newRow("connection never made") << u"无法连接服务器，请确认服务器已打开！\rError reading from socket: refused"_s
                                           << false << false;
}

void TestLogin::uncaughtErrors()
{
    QFETCH(QString, error);
    QFETCH(bool, standard);
    QFETCH(bool, shown);

    RecordingMessageService messages;
    TloginFrm form;
    bool after = false;
    // Thrown from a timer: nobody but the application object catches it.
    QTimer::singleShot(0, this, [error, standard] {
        if (standard)
            throw std::runtime_error(error.toStdString());
        throw KorvanError(error);
    });
    QTimer::singleShot(20, this, [&after] { after = true; });
    QTRY_VERIFY(after); // the event loop survived the error
    if (!shown) {
        QVERIFY(messages.messages.isEmpty());
        return;
    }
    QCOMPARE(messages.messages.size(), 1);
    QCOMPARE(messages.messages.first().caption, u"出错"_s);
    QCOMPARE(messages.messages.first().icon, MessageService::Icon::Warning);
    QCOMPARE(messages.lastText(), u"与服务器的连接已断开，请确认服务器已打开！"_s);
}

void TestLogin::lostConnectionWhenServerStops()
{
    TestServer server;
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    fillStaffTable(*server.connect(), {Op1});
    writeSettings(server.port());
    RecordingMessageService messages;
    TloginFrm form;
    form.UserNameEdit()->setText(u"op1"_s);
    form.PasswordEdit()->setText(u"secret"_s);
    form.OkClick();
    QVERIFY2(form.LoginOk(), qPrintable(messages.lastText()));
    messages.clear();

    server.stop();
    // A window's query step after the server went away: the lost connection
    // is not caught by the window and reaches the process-wide handler.
    bool ran = false;
    QTimer::singleShot(0, this, [&ran] {
        ran = true;
        CommFunU::OpenQueryStep(u"select 职员姓名 from 职员"_s);
    });
    QTRY_VERIFY(ran);
    QTRY_COMPARE(messages.messages.size(), 1);
    QCOMPARE(messages.lastText(), u"与服务器的连接已断开，请确认服务器已打开！"_s);

    // The next step finds no server: GetAppServer says so, the step is abandoned.
    messages.clear();
    QVERIFY(!CommFunU::OpenQueryStep(u"select 职员姓名 from 职员"_s).has_value());
    QCOMPARE(messages.messages.size(), 1);
    QVERIFY(messages.lastText().startsWith(u"无法连接服务器，请确认服务器已打开！\r"_s));

    // The server is back (on another port here): the next step opens a new
    // session, which the connection logs in as op1 before the query.
    messages.clear();
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    form.Connection().setPort(server.port());
    auto names = CommFunU::OpenQueryStep(u"select 职员姓名 from 职员"_s);
    QVERIFY2(names.has_value(), qPrintable(messages.lastText()));
    QCOMPARE(names->next(), u"张三"_s);
    QVERIFY(messages.messages.isEmpty());
    QTRY_COMPARE(server.log().count(u"logged in as op1"_s), 2); // once before the restart, once after
}

void TestLogin::aboutBoxWithoutServerSaysItOnce()
{
    RecordingMessageService messages;
    TloginFrm form;
    form.Connection().setPort(1); // nothing listens there
    TAboutFrm about;
    about.show(); // asks the server for its telephone line once on screen
    QTest::qWait(200);
    QCOMPARE(messages.messages.size(), 1);
    QVERIFY(messages.lastText().startsWith(u"无法连接服务器，请确认服务器已打开！\r"_s));
    QCOMPARE(about.TelephoneLine()->text(), u"Tel:"_s);
}

// A login the server accepted while the window's own query of the user's
// record then failed (refused, or the connection lost) ends with client and
// server agreeing: the user logged in before is the session's user again,
// and with nobody logged in before, nobody is. Once the record is read, a
// failed lookup of the extension no longer stops the login: both sides are
// the new user.
void TestLogin::halfFinishedReLoginGivesTheSessionBack_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("failedCall"); // counted from the server's answer to the Login
    QTest::addColumn<bool>("connectionLost");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("after");
    const QString refused = u"出错: \r"_s;
    const QString lost = u"与服务器的连接已断开，请确认服务器已打开！"_s;
    const QString op = u"zhaomin"_s;
    const QString boss = u"wangjun"_s;
    QTest::newRow("re-login, record refused") << op << 1 << false << refused << op;
    QTest::newRow("re-login, connection lost") << op << 1 << true << lost << op;
    QTest::newRow("first login, record refused") << QString() << 1 << false << refused << QString();
    QTest::newRow("first login, connection lost") << QString() << 1 << true << lost << QString();
    QTest::newRow("re-login, extension refused") << op << 2 << false << refused << boss;
    // The lookup of a value stops quietly; the next one opens a new session as him.
    QTest::newRow("re-login, lost at the extension") << op << 2 << true << QString() << boss;
}

void TestLogin::halfFinishedReLoginGivesTheSessionBack()
{
    QFETCH(QString, before);
    QFETCH(int, failedCall);
    QFETCH(bool, connectionLost);
    QFETCH(QString, message);
    QFETCH(QString, after);
    TestServer server;
    QVERIFY2(server.start({u"--demo"_s}), qPrintable(server.errorText()));
    const QString boss = u"wangjun"_s;
    FailAfterLoginRelay relay(server, boss, failedCall,
                              connectionLost ? FailAfterLoginRelay::Failure::Drop : FailAfterLoginRelay::Failure::Answer);
    QVERIFY2(relay.errorText().isEmpty(), qPrintable(relay.errorText()));
    writeSettings(relay.port());
    const QString password = QString::fromLatin1(DemoData::StaffPassword);
    RecordingMessageService messages;
    TloginFrm form;
    if (!before.isEmpty()) {
        form.UserNameEdit()->setText(before);
        form.PasswordEdit()->setText(password);
        form.OkClick();
        QVERIFY2(form.LoginOk(), qPrintable(messages.lastText()));
    }

    // The 总经理 logs in: the server accepts him, a query after it fails,
    // he is told so (if at all) and cancels.
    messages.clear();
    form.UserNameEdit()->setText(boss);
    form.PasswordEdit()->setText(password);
    form.OkClick();
    form.reject();
    QCOMPARE(relay.failedCalls(), 1);
    QCOMPARE(messages.messages.size(), message.isEmpty() ? 0 : 1);
    QVERIFY2(messages.lastText().startsWith(message), qPrintable(messages.lastText()));
    if (!message.isEmpty() && !connectionLost)
        QVERIFY(messages.lastText().endsWith(QString::fromLatin1(FailAfterLoginRelay::Message)));
    QCOMPARE(CommFunU::CurrentUser().UserName, after);
    QCOMPARE(form.Connection().loginUser(), after);
    if (after != boss) {
        // His session on the server has ended.
        static const QRegularExpression hisSession(u"session (\\d+) from \\S+: logged in as wangjun "_s);
        const QString session = hisSession.match(server.log()).captured(1);
        QVERIFY2(!session.isEmpty(), qPrintable(server.log()));
        QTRY_VERIFY2(server.log().contains(QRegularExpression(u"session "_s + session + u" from \\S+: closed"_s)),
                     qPrintable(server.log()));
    }

    // The next call runs as the client's user: what the server shows that
    // session is what it shows him.
    const QString count = u"select count(*) from 货运出口基本信息"_s;
    const QString answer = form.Connection().openQuery(count, QString(), 0);
    if (after.isEmpty()) {
        QVERIFY2(answer.startsWith(u"Errnot logged in"_s), qPrintable(answer));
        QCOMPARE(loginsIn(server.log()), QStringList{boss});
        return;
    }
    QTRY_COMPARE(lastLoginIn(server.log()), after);
    auto seenBy = [&](const QString &user) {
        return ResultReader::fromAnswer(server.connectAs(user, password)->openQuery(count, {}, 0)).next();
    };
    QVERIFY2(seenBy(before) != seenBy(boss), "the check needs users who see different jobs");
    QCOMPARE(ResultReader::fromAnswer(answer).next(), seenBy(after));
}

// The window logs in on the server first. A server without the Login call
// (korvan-server --no-login --no-tls behind a relay that refuses the call as
// old servers did) cannot encrypt either: the window refuses it before
// sending anything, the password least of all.
void TestLogin::serverWithAndWithoutLogin_data()
{
    QTest::addColumn<bool>("serverKnowsLogin");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("message");
    for (const bool knows : {true, false}) {
        const char *kind = knows ? "server with Login" : "server without Login";
        const QString old = u"服务器版本过旧，不支持加密连接"_s;
        QTest::addRow("%s, right", kind) << knows << u"op1"_s << u"secret"_s << (knows ? QString() : old);
        QTest::addRow("%s, unknown user", kind) << knows << u"nobody"_s << u"x"_s
                                               << (knows ? u"未找到此用户:nobody"_s : old);
        QTest::addRow("%s, wrong password", kind) << knows << u"op1"_s << u"x"_s << (knows ? u"密码不正确!"_s : old);
    }
}

void TestLogin::serverWithAndWithoutLogin()
{
    QFETCH(bool, serverKnowsLogin);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, message);
    TestServer server;
    QVERIFY2(server.start(serverKnowsLogin ? QStringList() : QStringList{u"--no-login"_s, u"--no-tls"_s}),
             qPrintable(server.errorText()));
    fillStaffTable(*server.connect(), {Op1});
    std::unique_ptr<ServerWithoutLogin> relay;
    if (!serverKnowsLogin)
        relay = std::make_unique<ServerWithoutLogin>(server.port());
    writeSettings(relay ? relay->port() : server.port());

    RecordingMessageService messages;
    TloginFrm form;
    form.UserNameEdit()->setText(user);
    form.PasswordEdit()->setText(password);
    form.OkClick();
    QCOMPARE(form.LoginOk(), message.isEmpty());
    QVERIFY2(messages.lastText().startsWith(message), qPrintable(messages.lastText()));
    QCOMPARE(messages.messages.size(), message.isEmpty() ? 0 : 1);
    if (serverKnowsLogin && message.isEmpty())
        QTRY_VERIFY(server.log().contains(u"logged in as op1"_s));
    else
        QVERIFY(!server.log().contains(u"logged in as op1"_s));
    if (message.isEmpty()) {
        QCOMPARE(CommFunU::CurrentUser().StaffName, u"张三"_s);
        QVERIFY(CommFunU::OpenQueryStep(u"select 职员姓名 from 职员"_s).has_value());
        QVERIFY(messages.messages.isEmpty());
    }
}

int main(int argc, char **argv)
{
    KorvanApplication app(argc, argv);
    TestLogin test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_login.moc"
