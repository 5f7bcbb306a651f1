// The login window and the server's certificate: the question on first use,
// the fingerprint kept in ConnectServer.txt, a changed certificate refused, a
// company CA named by CAFile=.
#include "connectsettings.h"
#include "currentuser.h"
#include "korvanapplication.h"
#include "recordingmessageservice.h"
#include "serverconnection.h"
#include "stafftable.h"
#include "testserver.h"
#include "textcodec.h"
#include "tlscontext.h"
#include "tloginfrm.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const StaffRow Operator{u"zhaomin"_s, u"123456"_s, u"赵敏"_s, u"操作部"_s, u"操作员"_s, {}, {}, rightsOf("11000000")};
const QString Stranger = u"00:11:22:33:44:55:66:77:88:99:AA:BB:CC:DD:EE:FF:00:11:22:33:44:55:66:77:88:99:AA:BB:CC:DD:EE:FF"_s;

void writeFile(const QString &name, const QString &text)
{
    QFile file(name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(TextCodec::encode(text));
}

} // namespace

class TestLoginTrust : public QObject
{
    Q_OBJECT

    TestServer server;
    std::unique_ptr<QTemporaryDir> folder;
    QString oldFolder;

    // Logs zhaomin in through a new login window (its messages go to the
    // recorder the caller installed).
    static bool logIn(const QString &address = QString())
    {
        TloginFrm form;
        if (!address.isEmpty())
            form.AddressEdit()->setText(address);
        form.UserNameEdit()->setText(Operator.user);
        form.PasswordEdit()->setText(Operator.password);
        form.OkClick();
        return form.LoginOk();
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(server.start(), qPrintable(server.errorText()));
        fillStaffTable(*server.connect(), {Operator});
    }
    void init()
    {
        // The window must decide for itself: the fixture's trust does not count here.
        ServerConnection::setDefaultTrust({});
        folder = std::make_unique<QTemporaryDir>();
        oldFolder = QDir::currentPath();
        QDir::setCurrent(folder->path());
        CommFunU::CurrentUser() = CurrentUserRecord();
    }
    void cleanup()
    {
        QDir::setCurrent(oldFolder);
        folder.reset();
    }

    void firstUseAndKeptPin_data()
    {
        QTest::addColumn<QString>("kept");      // Fingerprint= before: "", "right" or a stranger's
        QTest::addColumn<QString>("address");   // typed into the address field ("" as the file says)
        QTest::addColumn<int>("answer");        // to the first-use question
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("loggedIn");
        QTest::addColumn<QString>("keptAfter");
        QTest::addColumn<QString>("message");   // a text the last message holds
        const int yes = MessageService::Yes;
        const int no = MessageService::No;
        QTest::newRow("first use, trusted") << QString() << QString() << yes << true << true << u"right"_s << QString();
        QTest::newRow("first use, declined") << QString() << QString() << no << true << false << QString()
                                             << u"未信任"_s;
        QTest::newRow("kept pin") << u"right"_s << QString() << yes << false << true << u"right"_s << QString();
        QTest::newRow("changed certificate") << Stranger << QString() << yes << false << false << Stranger
                                             << u"ConnectServer.txt 中的 Fingerprint= 一行"_s;
        QTest::newRow("pin of another address") << Stranger << u"localhost"_s << yes << true << true << u"right"_s
                                                << QString();
    }
    void firstUseAndKeptPin()
    {
        QFETCH(QString, kept);
        QFETCH(QString, address);
        QFETCH(int, answer);
        QFETCH(bool, asked);
        QFETCH(bool, loggedIn);
        QFETCH(QString, keptAfter);
        QFETCH(QString, message);
        const auto resolve = [this](const QString &pin) { return pin == u"right"_s ? server.fingerprint() : pin; };
        QString settings = u"IP=127.0.0.1\r\nPort=%1\r\n"_s.arg(server.port());
        if (!kept.isEmpty())
            settings += u"Fingerprint="_s + resolve(kept) + u"\r\n"_s;
        writeFile(u"ConnectServer.txt"_s, settings);
        const qsizetype loginsBefore = server.log().count(u"logged in as zhaomin"_s);

        RecordingMessageService messages;
        messages.answers = {MessageService::Button(answer)};
        QCOMPARE(logIn(address), loggedIn);
        const bool question = !messages.messages.isEmpty() && messages.messages.first().text.startsWith(u"首次连接此服务器"_s);
        QCOMPARE(question, asked);
        if (asked) {
            // The fingerprint stands in two lines of 16 pairs, to be read
            // against the server's pair by pair; together they are the whole.
            const QStringList lines = messages.messages.first().text.split(u'\r');
            const auto half = [](const QString &line) {
                return line.size() == 47 && line.count(u':') == 15;
            };
            const qsizetype first = lines.indexOf(server.fingerprint().left(47));
            QVERIFY2(first > 0 && first + 1 < lines.size(), qPrintable(lines.join(u'|')));
            QVERIFY(half(lines.at(first)) && half(lines.at(first + 1)));
            QCOMPARE(lines.at(first) + u':' + lines.at(first + 1), server.fingerprint());
            QCOMPARE(messages.messages.first().buttons, MessageService::Yes | MessageService::No);
        }
        if (!message.isEmpty())
            QVERIFY2(messages.lastText().contains(message), qPrintable(messages.lastText()));
        if (!loggedIn && !kept.isEmpty() && message.contains(u"Fingerprint"_s)) {
            QVERIFY(messages.lastText().contains(server.fingerprint()));
            QVERIFY(messages.lastText().contains(Stranger));
        }
        QCOMPARE(messages.messages.size(), (asked ? 1 : 0) + (loggedIn ? 0 : 1));

        ConnectSettings file;
        QCOMPARE(file.value(u"Fingerprint"_s), resolve(keptAfter));
        QCOMPARE(file.value(u"IP"_s), address.isEmpty() ? u"127.0.0.1"_s : address);
        const auto logins = [this] { return server.log().count(u"logged in as zhaomin"_s); };
        if (!loggedIn) {
            QTest::qWait(200);
            QCOMPARE(logins(), loginsBefore);
            return;
        }
        QTRY_COMPARE(logins(), loginsBefore + 1);
        // A trusted server is not asked about again.
        RecordingMessageService again;
        QVERIFY(logIn());
        QVERIFY2(again.messages.isEmpty(), qPrintable(again.lastText()));
        QTRY_COMPARE(logins(), loginsBefore + 2);
    }

    // CAFile= names the company's certificate authority: a server whose
    // certificate it signed is trusted without a question, and nothing is pinned.
    void companyAuthority_data()
    {
        QTest::addColumn<QString>("caFile");
        QTest::addColumn<bool>("loggedIn");
        QTest::addColumn<QString>("message");
        QTest::newRow("signed by the CA") << u"ca.crt"_s << true << QString();
        QTest::newRow("CA file missing") << u"missing.crt"_s << false << u"CAFile="_s;
        QTest::newRow("not signed by it") << u"other-ca.crt"_s << false << u"CAFile"_s;
    }
    void companyAuthority()
    {
        QFETCH(QString, caFile);
        QFETCH(bool, loggedIn);
        QFETCH(QString, message);
        QString error;
        TlsContext::Request ca;
        ca.authority = true;
        ca.commonName = u"Korvan Company CA"_s; // not the server's own name, or it would read as self-signed
        QVERIFY2(TlsContext::create(u"ca.crt"_s, u"ca.key"_s, ca, &error), qPrintable(error));
        QVERIFY2(TlsContext::create(u"other-ca.crt"_s, u"other-ca.key"_s, ca, &error), qPrintable(error));
        TlsContext::Request leaf;
        leaf.hostNames = {u"localhost"_s};
        leaf.issuerCertificateFile = u"ca.crt"_s;
        leaf.issuerKeyFile = u"ca.key"_s;
        QVERIFY2(TlsContext::create(u"server.crt"_s, u"server.key"_s, leaf, &error), qPrintable(error));
        TestServer company;
        QVERIFY2(company.start({u"--tls-cert"_s, QDir::current().filePath(u"server.crt"_s), u"--tls-key"_s,
                                QDir::current().filePath(u"server.key"_s)}),
                 qPrintable(company.errorText()));
        fillStaffTable(*company.connect(), {Operator});
        ServerConnection::setDefaultTrust({});
        writeFile(u"ConnectServer.txt"_s, u"IP=localhost\r\nPort=%1\r\nCAFile=%2\r\n"_s.arg(company.port()).arg(caFile));

        RecordingMessageService messages;
        QVERIFY2(logIn() == loggedIn, qPrintable(messages.lastText()));
        for (const MessageService::Message &m : std::as_const(messages.messages))
            QVERIFY2(!m.text.startsWith(u"首次连接此服务器"_s), qPrintable(m.text));
        if (loggedIn)
            QVERIFY(messages.messages.isEmpty());
        else
            QVERIFY2(messages.lastText().contains(message), qPrintable(messages.lastText()));
        QVERIFY(ConnectSettings().value(u"Fingerprint"_s).isEmpty());
    }
};

int main(int argc, char **argv)
{
    KorvanApplication app(argc, argv);
    TestLoginTrust test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_logintrust.moc"
