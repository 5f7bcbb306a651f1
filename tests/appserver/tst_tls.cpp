// Encrypted connections end to end: what a relay on the wire sees, which
// certificates a client believes, plain peers on either side, bad
// certificates and handshakes, and the modes of the files the server makes.
#include "korvanerror.h"
#include "loopbackpeer.h"
#include "marks.h"
#include "serverconnection.h"
#include "servertrust.h"
#include "testserver.h"
#include "textcodec.h"
#include "tlscontext.h"
#include "wireprotocol.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

const QString BusinessText = u"SE2503014 鹿特丹 COSCO 远洋"_s;

// Passes bytes between a client and the server unchanged and keeps a copy of
// all of them, as someone on the office network could.
class RecordingRelay : public LoopbackPeer
{
public:
    explicit RecordingRelay(int upstreamPort)
        : m_upstream(upstreamPort)
    {
        begin();
    }
    ~RecordingRelay() override { finish(); }
    QByteArray seen()
    {
        QMutexLocker lock(&m_mutex);
        return m_seen;
    }

protected:
    void serve(QTcpServer &listener) override
    {
        while (!stopping()) {
            if (!listener.waitForNewConnection(20))
                continue;
            std::unique_ptr<QTcpSocket> client(listener.nextPendingConnection());
            QTcpSocket server;
            server.connectToHost(QHostAddress::LocalHost, quint16(m_upstream));
            if (!server.waitForConnected(5000))
                continue;
            while (!stopping() && client->state() == QAbstractSocket::ConnectedState
                   && server.state() == QAbstractSocket::ConnectedState) {
                for (auto [from, to] : {std::pair{&server, client.get()}, std::pair{client.get(), &server}}) {
                    if (from->waitForReadyRead(2)) {
                        const QByteArray bytes = from->readAll();
                        to->write(bytes);
                        to->waitForBytesWritten(50);
                        QMutexLocker lock(&m_mutex);
                        m_seen += bytes;
                    }
                }
            }
        }
    }

private:
    int m_upstream;
    QMutex m_mutex;
    QByteArray m_seen;
};

// Poses as an encrypting korvan-server with any certificate, and keeps what
// the client sends once the handshake is done.
class FakeTlsServer : public LoopbackPeer
{
public:
    FakeTlsServer(const QString &certificateFile, const QString &keyFile)
    {
        QFile certificate(certificateFile);
        QFile key(keyFile);
        if (certificate.open(QIODevice::ReadOnly) && key.open(QIODevice::ReadOnly)) {
            m_certificate = QSslCertificate(certificate.readAll(), QSsl::Pem);
            m_key = QSslKey(key.readAll(), QSsl::Ec, QSsl::Pem);
        }
        begin();
    }
    ~FakeTlsServer() override { finish(); }
    QString fingerprint() const { return TransportSecurity::fingerprint(m_certificate); }
    QByteArray received() const { return m_received; }

protected:
    void serve(QTcpServer &listener) override
    {
        if (!listener.waitForNewConnection(10000))
            return;
        QSslSocket &socket = *qobject_cast<QSslSocket *>(listener.nextPendingConnection());
        socket.write(WireProtocol::frame(TransportSecurity::TlsGreeting));
        socket.waitForBytesWritten(1000);
        QSslConfiguration config;
        config.setLocalCertificate(m_certificate);
        config.setPrivateKey(m_key);
        config.setPeerVerifyMode(QSslSocket::VerifyNone);
        socket.setSslConfiguration(config);
        socket.startServerEncryption();
        if (!socket.waitForEncrypted(5000))
            return;
        socket.write(WireProtocol::frame(WireProtocol::Greeting));
        while (socket.waitForReadyRead(1000))
            m_received += socket.readAll();
    }

private:
    QSslCertificate m_certificate;
    QSslKey m_key;
    QByteArray m_received;
};

QString openFailure(ServerConnection &connection)
{
    try {
        connection.open();
    } catch (const KorvanError &e) {
        return e.message();
    }
    return QString();
}

std::unique_ptr<ServerConnection> connectionTo(int port, const ServerTrust &trust, const QString &host = u"127.0.0.1"_s)
{
    auto connection = std::make_unique<ServerConnection>();
    connection->setHost(host);
    connection->setPort(port);
    connection->setTimeout(10000);
    connection->setTrust(trust);
    connection->setCredentials(QString::fromLatin1(TestServer::AdminUser), QString::fromLatin1(TestServer::AdminPassword));
    return connection;
}

ServerTrust pinned(const QString &fingerprint)
{
    ServerTrust trust;
    trust.fingerprints = {fingerprint};
    return trust;
}

int modeOf(const QString &path)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return -1;
    return int(info.st_mode & 0777);
}

// Reads one frame off a plain socket (nothing past it).
QByteArray plainFrame(QTcpSocket &socket)
{
    QByteArray buffer;
    QByteArray payload;
    while (WireProtocol::takeFrame(buffer, 1024, payload) != WireProtocol::FrameStatus::Complete) {
        if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(5000))
            return {};
        buffer += socket.read(1);
    }
    return payload;
}

bool closedByPeer(QTcpSocket &socket, int ms)
{
    for (int waited = 0; waited < ms && socket.state() == QAbstractSocket::ConnectedState; waited += 100)
        socket.waitForReadyRead(100);
    return socket.state() != QAbstractSocket::ConnectedState;
}

} // namespace

class TestTls : public QObject
{
    Q_OBJECT

    TestServer server;
    QTemporaryDir certificates;

    QString makePair(const QString &name, TlsContext::Request request = {})
    {
        QString error;
        const QString base = certificates.filePath(name);
        if (!TlsContext::create(base + u".crt"_s, base + u".key"_s, request, &error))
            qWarning("%s", qPrintable(error));
        return base;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(server.start(), qPrintable(server.errorText()));
        QVERIFY(QSslSocket::supportsSsl());
    }

    // The password and the business text cross the wire only inside TLS. The
    // plain row shows that the relay would see them otherwise.
    void relaySeesNeitherPasswordNorBusinessText_data()
    {
        QTest::addColumn<bool>("encrypted");
        QTest::newRow("TLS") << true;
        QTest::newRow("--no-tls, for comparison") << false;
    }
    void relaySeesNeitherPasswordNorBusinessText()
    {
        QFETCH(bool, encrypted);
        TestServer plain;
        if (!encrypted)
            QVERIFY2(plain.start({u"--no-tls"_s}), qPrintable(plain.errorText()));
        const TestServer &target = encrypted ? server : plain;
        RecordingRelay relay(target.port());
        ServerTrust trust = pinned(target.fingerprint());
        trust.plain = !encrypted;
        auto client = connectionTo(relay.port(), trust);
        const std::optional<QString> login = client->login(u"admin"_s, u"admin"_s);
        QVERIFY(login && !login->startsWith(u"Err"_s));
        const QString answer = client->openQuery(u"select :p1"_s, BusinessText, 0);
        QCOMPARE(answer, QStringList({u"Suc"_s, u"1"_s, BusinessText}).join(CommFunU::FieldSep));
        client->close();

        const QByteArray seen = relay.seen();
        QVERIFY(seen.size() > 100);
        for (const QByteArray &secret : {QByteArray("Login"), QByteArray("admin"), TextCodec::encode(BusinessText),
                                         QByteArray("select")})
            QVERIFY2(seen.contains(secret) != encrypted, secret.constData());
    }

    // A client pinned to another certificate stops after the handshake: the
    // server gets no call, and the message shows both fingerprints.
    void otherCertificateIsRefused()
    {
        TestServer other;
        QVERIFY2(other.start(), qPrintable(other.errorText()));
        QVERIFY(other.fingerprint() != server.fingerprint());
        auto client = connectionTo(other.port(), pinned(server.fingerprint()));
        const QString message = openFailure(*client);
        QVERIFY(client->trustRefused());
        QVERIFY2(message.contains(server.fingerprint()) && message.contains(other.fingerprint()), qPrintable(message));
        QVERIFY2(message.contains(u"证书与此前信任的不同"_s), qPrintable(message));
        QVERIFY(!client->isConnected());
        QTest::qWait(200);
        QVERIFY2(!other.log().contains(u"logged in"_s) && !other.log().contains(u"opened"_s), qPrintable(other.log()));
        // The fingerprint can be written the way people copy it.
        auto lowerCase = connectionTo(other.port(), pinned(other.fingerprint().toLower().remove(u':')));
        QVERIFY(lowerCase->openQuery(u"select 1"_s, QString(), 0).startsWith(u"Suc"_s));
    }

    // First use asks once; the accepted fingerprint is pinned, so a reconnect
    // to a server with another certificate on the same address is refused.
    void reconnectChecksTheSamePin()
    {
        TestServer first;
        QVERIFY2(first.start(), qPrintable(first.errorText()));
        QStringList asked;
        ServerTrust trust;
        trust.firstUse = [&asked](const QString &fingerprint) {
            asked << fingerprint;
            return true;
        };
        auto client = connectionTo(first.port(), trust);
        QVERIFY(client->openQuery(u"select 1"_s, QString(), 0).startsWith(u"Suc"_s));
        QCOMPARE(asked, QStringList{first.fingerprint()});
        const int port = first.port();
        first.stop();

        TestServer impostor;
        QVERIFY2(impostor.start({u"--port"_s, QString::number(port)}), qPrintable(impostor.errorText()));
        // The first call meets the lost connection; the next one reconnects.
        QString message;
        for (int attempt = 0; attempt < 2 && !client->trustRefused(); ++attempt) {
            try {
                client->openQuery(u"select 1"_s, QString(), 0);
            } catch (const KorvanError &e) {
                message = e.message();
            }
        }
        QVERIFY2(client->trustRefused(), qPrintable(message));
        QVERIFY2(message.contains(impostor.fingerprint()) && message.contains(first.fingerprint()), qPrintable(message));
        QCOMPARE(asked.size(), 1);
        QVERIFY(!impostor.log().contains(u"logged in"_s));
    }

    void declinedFirstUseSendsNothing()
    {
        ServerTrust trust;
        trust.firstUse = [](const QString &) { return false; };
        auto client = connectionTo(server.port(), trust);
        const QString message = openFailure(*client);
        QVERIFY2(message.contains(u"未信任"_s) && message.contains(server.fingerprint()), qPrintable(message));
        QVERIFY(client->trustRefused());
    }

    // A company's certificate authority: a certificate it signed for the name
    // dialled is trusted without a question; any other is not.
    void certificateAuthority_data()
    {
        QTest::addColumn<QString>("authority");
        QTest::addColumn<QString>("host");
        QTest::addColumn<bool>("trusted");
        QTest::newRow("signed, name matches") << u"ca"_s << u"localhost"_s << true;
        QTest::newRow("another authority") << u"otherca"_s << u"localhost"_s << false;
    }
    void certificateAuthority()
    {
        QFETCH(QString, authority);
        QFETCH(QString, host);
        QFETCH(bool, trusted);
        TlsContext::Request ca;
        ca.authority = true;
        ca.commonName = u"Korvan Test CA"_s;
        const QString caBase = makePair(u"ca"_s, ca);
        makePair(u"otherca"_s, ca);
        TlsContext::Request leaf;
        leaf.hostNames = {u"localhost"_s};
        leaf.issuerCertificateFile = caBase + u".crt"_s;
        leaf.issuerKeyFile = caBase + u".key"_s;
        const QString leafBase = makePair(u"signed-"_s + QString::fromLatin1(QTest::currentDataTag()).left(6), leaf);

        TestServer signedServer;
        QVERIFY2(signedServer.start({u"--tls-cert"_s, leafBase + u".crt"_s, u"--tls-key"_s, leafBase + u".key"_s}),
                 qPrintable(signedServer.errorText()));
        QString error;
        ServerTrust trust;
        trust.authorities = TransportSecurity::readAuthorities(certificates.filePath(authority + u".crt"_s), &error);
        QVERIFY2(!trust.authorities.isEmpty(), qPrintable(error));
        bool asked = false;
        trust.firstUse = [&asked](const QString &) { return asked = true; };
        auto client = connectionTo(signedServer.port(), trust, host);
        const QString message = openFailure(*client);
        QVERIFY(!asked);
        QCOMPARE(message.isEmpty(), trusted);
        QCOMPARE(client->trustRefused(), !trusted);
        if (!trusted)
            QVERIFY2(message.contains(u"CAFile"_s), qPrintable(message));
        else
            QVERIFY(client->openQuery(u"select 1"_s, QString(), 0).startsWith(u"Suc"_s));
    }

    // Plain against TLS and TLS against plain: a clear message on the side
    // that meets it, never a hang, nothing sent in clear.
    void plainAndEncryptedPeers()
    {
        TestServer plain;
        QVERIFY2(plain.start({u"--no-tls"_s}), qPrintable(plain.errorText()));
        QVERIFY(plain.fingerprint().isEmpty());

        // This client against a server that cannot encrypt (as older ones).
        auto encrypting = connectionTo(plain.port(), ServerTrust{});
        QString message = openFailure(*encrypting);
        QVERIFY2(message.contains(u"服务器版本过旧，不支持加密连接"_s), qPrintable(message));
        QVERIFY(encrypting->trustRefused());

        // A --no-tls client against this server.
        ServerTrust clear;
        clear.plain = true;
        auto plainClient = connectionTo(server.port(), clear);
        message = openFailure(*plainClient);
        QVERIFY2(message.contains(u"leave out --no-tls"_s), qPrintable(message));

        // Both plain: works, for scripts on one machine.
        auto both = connectionTo(plain.port(), clear);
        QVERIFY(both->openQuery(u"select 1"_s, QString(), 0).startsWith(u"Suc"_s));

        // An older client: it reads a greeting that is not the one it knows
        // and hangs up; one that talks at once is refused in the log.
        QTcpSocket old;
        old.connectToHost(u"127.0.0.1"_s, quint16(server.port()));
        QVERIFY(old.waitForConnected(5000));
        QVERIFY(plainFrame(old) != WireProtocol::Greeting);
        old.abort();
        QTcpSocket talksAtOnce;
        talksAtOnce.connectToHost(u"127.0.0.1"_s, quint16(server.port()));
        QVERIFY(talksAtOnce.waitForConnected(5000));
        talksAtOnce.write(WireProtocol::frame(WireProtocol::encodeItems({"Login", "admin", "admin"})));
        QVERIFY(closedByPeer(talksAtOnce, 5000));
        QTRY_VERIFY2(server.log().contains(u"before encrypting"_s), qPrintable(server.log()));
        QTRY_VERIFY2(server.log().contains(u"without encryption (an older client"_s), qPrintable(server.log()));
    }

    // Garbage and handshakes that never finish are closed, each with its
    // reason in the log, while the server goes on serving others.
    void badHandshakes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("logged");
        QTest::newRow("nothing at all") << QByteArray() << u"no TLS handshake within 1 s"_s;
        QTest::newRow("half a record header") << QByteArray("\x16\x03\x01", 3) << u"did not finish within 1 s"_s;
        QTest::newRow("garbage record") << QByteArray("\x16\x03\x01\x00\x05hello", 10) << u"TLS handshake failed"_s;
        QTest::newRow("http request") << QByteArray("GET / HTTP/1.0\r\n\r\n") << u"garbage instead of a TLS handshake"_s;
    }
    void badHandshakes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, logged);
        TestServer quick;
        QVERIFY2(quick.start({u"--handshake-timeout"_s, u"1"_s}), qPrintable(quick.errorText()));
        QTcpSocket socket;
        socket.connectToHost(u"127.0.0.1"_s, quint16(quick.port()));
        QVERIFY(socket.waitForConnected(5000));
        QCOMPARE(plainFrame(socket), QByteArray(TransportSecurity::TlsGreeting));
        socket.write(bytes);
        socket.waitForBytesWritten(1000);
        // Served meanwhile.
        QVERIFY(quick.connect()->openQuery(u"select 1"_s, QString(), 0).startsWith(u"Suc"_s));
        QVERIFY(closedByPeer(socket, 5000));
        QTRY_VERIFY2(quick.log().contains(logged), qPrintable(quick.log()));
        QVERIFY(quick.connect()->openQuery(u"select 2"_s, QString(), 0).startsWith(u"Suc"_s));
    }

    // A client meets a certificate out of its time only from a server that
    // is not ours (ours refuses to start with one): refused, even when pinned,
    // and the impostor receives nothing.
    void certificateOutOfItsTime_data()
    {
        QTest::addColumn<int>("fromDays");
        QTest::addColumn<int>("untilDays");
        QTest::addColumn<QString>("message");
        QTest::newRow("expired") << -400 << -1 << u"已于"_s;
        QTest::newRow("not yet valid") << 2 << 400 << u"才生效"_s;
        QTest::newRow("valid, for comparison") << -1 << 400 << QString();
    }
    void certificateOutOfItsTime()
    {
        QFETCH(int, fromDays);
        QFETCH(int, untilDays);
        QFETCH(QString, message);
        TlsContext::Request request;
        request.validFrom = QDateTime::currentDateTimeUtc().addDays(fromDays);
        request.validUntil = QDateTime::currentDateTimeUtc().addDays(untilDays);
        const QString base = makePair(u"time"_s + QString::number(fromDays), request);
        FakeTlsServer impostor(base + u".crt"_s, base + u".key"_s);
        auto client = connectionTo(impostor.port(), pinned(impostor.fingerprint()));
        const QString failure = openFailure(*client);
        if (message.isEmpty()) {
            QVERIFY2(failure.isEmpty(), qPrintable(failure));
            try {
                client->openQuery(u"select 1"_s, QString(), 0); // the impostor never answers
            } catch (const KorvanError &) {
            }
        } else {
            QVERIFY2(failure.contains(message), qPrintable(failure));
            QVERIFY(client->trustRefused());
        }
        client->close();
        impostor.wait();
        // The control row shows that the impostor would get the login.
        QCOMPARE(impostor.received().contains("Login"), message.isEmpty());
    }

    // A certificate and key the server cannot use stop it at start, saying why.
    void badCertificateOrKey_data()
    {
        QTest::addColumn<QString>("certificate");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("message");
        QTest::newRow("garbage certificate") << u"garbage.crt"_s << u"good.key"_s << u"holds no PEM certificate"_s;
        QTest::newRow("missing certificate") << u"missing.crt"_s << u"good.key"_s << u"cannot read"_s;
        QTest::newRow("key of another pair") << u"good.crt"_s << u"other.key"_s << u"does not belong to"_s;
        QTest::newRow("garbage key") << u"good.crt"_s << u"garbage.crt"_s << u"holds no PEM private key"_s;
        QTest::newRow("expired") << u"expired.crt"_s << u"expired.key"_s << u"expired on"_s;
        QTest::newRow("not yet valid") << u"future.crt"_s << u"future.key"_s << u"valid only from"_s;
        QTest::newRow("certificate without key") << u"good.crt"_s << QString() << u"go together"_s;
    }
    void badCertificateOrKey()
    {
        QFETCH(QString, certificate);
        QFETCH(QString, key);
        QFETCH(QString, message);
        if (!QFileInfo::exists(certificates.filePath(u"good.crt"_s))) {
            makePair(u"good"_s);
            makePair(u"other"_s);
            TlsContext::Request expired;
            expired.validFrom = QDateTime::currentDateTimeUtc().addYears(-2);
            expired.validUntil = QDateTime::currentDateTimeUtc().addDays(-1);
            makePair(u"expired"_s, expired);
            TlsContext::Request future;
            future.validFrom = QDateTime::currentDateTimeUtc().addDays(2);
            makePair(u"future"_s, future);
            QFile garbage(certificates.filePath(u"garbage.crt"_s));
            QVERIFY(garbage.open(QIODevice::WriteOnly));
            garbage.write("-----BEGIN CERTIFICATE-----\nnot base64 at all\n-----END CERTIFICATE-----\n");
        }
        QStringList arguments{u"--tls-cert"_s, certificates.filePath(certificate)};
        if (!key.isEmpty())
            arguments << u"--tls-key"_s << certificates.filePath(key);
        TestServer refused;
        QVERIFY(!refused.start(arguments));
        QVERIFY2(refused.errorText().contains(message), qPrintable(refused.errorText()));
        QVERIFY2(!refused.errorText().contains(u"listening"_s), qPrintable(refused.errorText()));
    }

    // Everything the server makes is readable by its user only; an older
    // database readable by others is made private.
    void filesArePrivate()
    {
        TestServer fresh;
        const QString backups = fresh.folder() + u"/backups"_s;
        QVERIFY(QDir().mkpath(backups));
        QVERIFY2(fresh.start({u"--backup-dir"_s, backups}), qPrintable(fresh.errorText()));
        auto held = fresh.connect(); // keeps the journal files open
        QVERIFY(held->openQuery(u"select count(*) from 职员"_s, QString(), 0).startsWith(u"Suc"_s));
        QTRY_VERIFY(!QDir(backups).entryList({u"*.db"_s}).isEmpty());
        const QString database = fresh.databasePath();
        QStringList files{database, database + u"-wal"_s, database + u"-shm"_s,
                          TlsContext::ownKeyFile(database), TlsContext::ownCertificateFile(database)};
        for (const QString &name : QDir(backups).entryList({u"*.db"_s}))
            files << backups + u'/' + name;
        for (const QString &file : std::as_const(files))
            QVERIFY2(modeOf(file) == 0600, qPrintable(u"%1: %2"_s.arg(file).arg(modeOf(file), 0, 8)));
        held.reset();
        fresh.stop();

        QVERIFY(::chmod(QFile::encodeName(database).constData(), 0644) == 0);
        QVERIFY2(fresh.start(), qPrintable(fresh.errorText()));
        QCOMPARE(modeOf(database), 0600);
        QVERIFY2(fresh.log().contains(u"readable by other users"_s), qPrintable(fresh.log()));
    }

    // The pair made on first start is kept: the fingerprint stays the same
    // across restarts, and --fingerprint prints it.
    void ownCertificateIsKept()
    {
        TestServer own;
        QVERIFY2(own.start(), qPrintable(own.errorText()));
        const QString first = own.fingerprint();
        own.stop();
        QVERIFY2(own.start(), qPrintable(own.errorText()));
        QCOMPARE(own.fingerprint(), first);
        own.stop();
        QProcess print;
        print.start(qEnvironmentVariable("KORVAN_SERVER_BIN"), {u"--db"_s, own.databasePath(), u"--fingerprint"_s});
        QVERIFY(print.waitForFinished(10000));
        QCOMPARE(print.exitCode(), 0);
        QCOMPARE(QString::fromLatin1(print.readAllStandardOutput()).trimmed(), first);
        // Half a pair is not replaced behind the administrator's back.
        QVERIFY(QFile::remove(TlsContext::ownKeyFile(own.databasePath())));
        QVERIFY(!own.start());
        QVERIFY2(own.errorText().contains(u"without"_s), qPrintable(own.errorText()));
    }
};

QTEST_GUILESS_MAIN(TestTls)
#include "tst_tls.moc"
