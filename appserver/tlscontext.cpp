#include "tlscontext.h"

#include "servertrust.h"
#include "wireprotocol.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostInfo>
#include <QSslConfiguration>
#include <QSslSocket>

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <fcntl.h>
#include <memory>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

template <typename T, void (*Free)(T *)>
struct Deleter {
    void operator()(T *p) const { Free(p); }
};
void freeBio(BIO *b) { BIO_free_all(b); }
using BioPtr = std::unique_ptr<BIO, Deleter<BIO, freeBio>>;
using KeyPtr = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY, EVP_PKEY_free>>;
using X509Ptr = std::unique_ptr<X509, Deleter<X509, X509_free>>;
using BignumPtr = std::unique_ptr<BIGNUM, Deleter<BIGNUM, BN_free>>;

// The last OpenSSL error as text, and the error queue emptied.
QString opensslError()
{
    const unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (!code)
        return u"unknown OpenSSL error"_s;
    char text[256];
    ERR_error_string_n(code, text, sizeof text);
    return QString::fromLatin1(text);
}

// A passphrase is never asked for: the server starts unattended.
int noPassphrase(char *, int, int, void *)
{
    return -1;
}

bool readAll(const QString &fileName, QByteArray *bytes, QString *error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = u"cannot read %1: %2"_s.arg(fileName, file.errorString());
        return false;
    }
    *bytes = file.readAll();
    return true;
}

X509Ptr readCertificate(const QByteArray &pem)
{
    BioPtr bio(BIO_new_mem_buf(pem.constData(), int(pem.size())));
    return X509Ptr(PEM_read_bio_X509(bio.get(), nullptr, noPassphrase, nullptr));
}

KeyPtr readKey(const QByteArray &pem)
{
    BioPtr bio(BIO_new_mem_buf(pem.constData(), int(pem.size())));
    return KeyPtr(PEM_read_bio_PrivateKey(bio.get(), nullptr, noPassphrase, nullptr));
}

QByteArray keyToPem(EVP_PKEY *key)
{
    BioPtr bio(BIO_new(BIO_s_mem()));
    if (!PEM_write_bio_PrivateKey(bio.get(), key, nullptr, nullptr, 0, nullptr, nullptr))
        return {};
    char *data = nullptr;
    const long n = BIO_get_mem_data(bio.get(), &data);
    return QByteArray(data, n);
}

QByteArray certificateToPem(X509 *certificate)
{
    BioPtr bio(BIO_new(BIO_s_mem()));
    if (!PEM_write_bio_X509(bio.get(), certificate))
        return {};
    char *data = nullptr;
    const long n = BIO_get_mem_data(bio.get(), &data);
    return QByteArray(data, n);
}

// Writes a new file readable by the owner only; an existing file is never replaced.
bool writePrivateFile(const QString &fileName, const QByteArray &bytes, QString *error)
{
    const QByteArray path = QFile::encodeName(fileName);
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        *error = u"cannot create %1: %2"_s.arg(fileName, QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n <= 0) {
            *error = u"cannot write %1: %2"_s.arg(fileName, QString::fromLocal8Bit(strerror(errno)));
            ::close(fd);
            ::unlink(path.constData());
            return false;
        }
        done += n;
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        *error = u"cannot write %1: %2"_s.arg(fileName, QString::fromLocal8Bit(strerror(errno)));
        ::unlink(path.constData());
        return false;
    }
    return true;
}

bool addExtension(X509 *certificate, X509 *issuer, int nid, const QString &value)
{
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
    X509_EXTENSION *extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value.toLatin1().constData());
    if (!extension)
        return false;
    const bool ok = X509_add_ext(certificate, extension, -1) == 1;
    X509_EXTENSION_free(extension);
    return ok;
}

QString dateText(const QDateTime &when)
{
    return when.toLocalTime().toString(u"yyyy-MM-dd hh:mm"_s);
}

} // namespace

std::optional<TlsContext> TlsContext::load(const QString &certificateFile, const QString &keyFile, QString *error)
{
    QByteArray certificatePem;
    QByteArray keyPem;
    if (!readAll(certificateFile, &certificatePem, error) || !readAll(keyFile, &keyPem, error))
        return std::nullopt;
    const X509Ptr certificate = readCertificate(certificatePem);
    if (!certificate) {
        *error = u"%1 holds no PEM certificate (%2)"_s.arg(certificateFile, opensslError());
        return std::nullopt;
    }
    const KeyPtr key = readKey(keyPem);
    if (!key) {
        *error = keyPem.contains("ENCRYPTED")
                     ? u"the key %1 is protected by a passphrase; the server starts unattended, so give it a key "
                       "without one (readable only by the server's user)"_s.arg(keyFile)
                     : u"%1 holds no PEM private key (%2)"_s.arg(keyFile, opensslError());
        return std::nullopt;
    }
    if (X509_check_private_key(certificate.get(), key.get()) != 1) {
        ERR_clear_error();
        *error = u"the key %1 does not belong to the certificate %2"_s.arg(keyFile, certificateFile);
        return std::nullopt;
    }

    TlsContext context;
    context.m_certificateFile = QFileInfo(certificateFile).absoluteFilePath();
    context.m_certificate = QSslCertificate(certificateToPem(certificate.get()), QSsl::Pem);
    const QByteArray plainKey = keyToPem(key.get());
    switch (EVP_PKEY_get_base_id(key.get())) {
    case EVP_PKEY_RSA:
        context.m_key = QSslKey(plainKey, QSsl::Rsa, QSsl::Pem);
        break;
    case EVP_PKEY_EC:
        context.m_key = QSslKey(plainKey, QSsl::Ec, QSsl::Pem);
        break;
    default:
        // Other kinds (Ed25519, …) go to Qt as OpenSSL's own key, which it then owns.
        context.m_key = QSslKey(Qt::HANDLE(EVP_PKEY_dup(key.get())), QSsl::PrivateKey);
        break;
    }
    if (context.m_certificate.isNull() || context.m_key.isNull()) {
        *error = u"Qt's TLS backend cannot use the certificate %1 with its key"_s.arg(certificateFile);
        return std::nullopt;
    }
    const QDateTime now = QDateTime::currentDateTimeUtc();
    if (context.m_certificate.expiryDate() < now) {
        *error = u"the certificate %1 expired on %2; give the server a new one"_s.arg(
            certificateFile, dateText(context.m_certificate.expiryDate()));
        return std::nullopt;
    }
    if (context.m_certificate.effectiveDate() > now) {
        *error = u"the certificate %1 is valid only from %2 on; check the clock of this machine"_s.arg(
            certificateFile, dateText(context.m_certificate.effectiveDate()));
        return std::nullopt;
    }
    return context;
}

QString TlsContext::ownCertificateFile(const QString &databasePath)
{
    return QFileInfo(databasePath).absoluteDir().filePath(u"korvan-server.crt"_s);
}

QString TlsContext::ownKeyFile(const QString &databasePath)
{
    return QFileInfo(databasePath).absoluteDir().filePath(u"korvan-server.key"_s);
}

std::optional<TlsContext> TlsContext::ownBeside(const QString &databasePath, QStringList *notes, QString *error)
{
    const QString certificateFile = ownCertificateFile(databasePath);
    const QString keyFile = ownKeyFile(databasePath);
    const bool haveCertificate = QFileInfo::exists(certificateFile);
    const bool haveKey = QFileInfo::exists(keyFile);
    if (haveCertificate != haveKey) {
        *error = u"%1 is there without %2: restore it, or delete the other one to have a new pair made (every "
                 "client must then trust the new fingerprint)"_s.arg(haveKey ? keyFile : certificateFile,
                                                                    haveKey ? certificateFile : keyFile);
        return std::nullopt;
    }
    if (!haveCertificate) {
        Request request;
        const QString machine = QHostInfo::localHostName();
        request.hostNames = {u"localhost"_s};
        if (!machine.isEmpty() && machine != u"localhost"_s)
            request.hostNames << machine;
        if (!create(certificateFile, keyFile, request, error))
            return std::nullopt;
        notes->append(u"made a new key %1 and self-signed certificate %2"_s.arg(keyFile, certificateFile));
    }
    std::optional<TlsContext> context = load(certificateFile, keyFile, error);
    if (!context && haveCertificate)
        *error += u" (to have a new pair made, delete %1 and %2; every client must then trust the new "
                  "fingerprint)"_s.arg(certificateFile, keyFile);
    return context;
}

bool TlsContext::create(const QString &certificateFile, const QString &keyFile, const Request &request,
                        QString *error)
{
    KeyPtr key(EVP_EC_gen("P-256"));
    X509Ptr certificate(X509_new());
    BignumPtr serial(BN_new());
    if (!key || !certificate || !serial || !BN_rand(serial.get(), 127, BN_RAND_TOP_ANY, BN_RAND_BOTTOM_ANY)
        || !BN_to_ASN1_INTEGER(serial.get(), X509_get_serialNumber(certificate.get()))) {
        *error = u"cannot make a key: "_s + opensslError();
        return false;
    }

    X509Ptr issuer;
    KeyPtr issuerKey;
    if (!request.issuerCertificateFile.isEmpty()) {
        QByteArray pem;
        QByteArray keyPem;
        if (!readAll(request.issuerCertificateFile, &pem, error) || !readAll(request.issuerKeyFile, &keyPem, error))
            return false;
        issuer = readCertificate(pem);
        issuerKey = readKey(keyPem);
        if (!issuer || !issuerKey) {
            *error = u"cannot read the issuer: "_s + opensslError();
            return false;
        }
    }

    const QDateTime from = request.validFrom.isValid() ? request.validFrom : QDateTime::currentDateTimeUtc();
    const QDateTime until = request.validUntil.isValid() ? request.validUntil : from.addYears(10);
    X509_NAME *subject = X509_get_subject_name(certificate.get());
    const QByteArray commonName = request.commonName.toUtf8();
    X509_NAME_add_entry_by_txt(subject, "O", MBSTRING_UTF8, reinterpret_cast<const unsigned char *>("Korvan"), -1,
                               -1, 0);
    X509_NAME_add_entry_by_txt(subject, "CN", MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char *>(commonName.constData()), -1, -1, 0);
    QStringList names;
    for (const QString &host : request.hostNames)
        names << u"DNS:"_s + host;
    for (const QString &address : request.addresses.isEmpty() ? QStringList{u"127.0.0.1"_s} : request.addresses)
        names << u"IP:"_s + address;
    X509 *signer = issuer ? issuer.get() : certificate.get();
    const bool ok = X509_set_version(certificate.get(), 2) == 1
                    && ASN1_TIME_set(X509_getm_notBefore(certificate.get()), time_t(from.toSecsSinceEpoch()))
                    && ASN1_TIME_set(X509_getm_notAfter(certificate.get()), time_t(until.toSecsSinceEpoch()))
                    && X509_set_pubkey(certificate.get(), key.get()) == 1
                    && X509_set_issuer_name(certificate.get(), X509_get_subject_name(signer)) == 1
                    && addExtension(certificate.get(), signer, NID_basic_constraints,
                                    request.authority ? u"critical,CA:TRUE"_s : u"critical,CA:FALSE"_s)
                    && addExtension(certificate.get(), signer, NID_key_usage,
                                    request.authority ? u"critical,keyCertSign,cRLSign"_s
                                                      : u"critical,digitalSignature,keyAgreement"_s)
                    && (request.authority
                        || (addExtension(certificate.get(), signer, NID_ext_key_usage, u"serverAuth"_s)
                            && addExtension(certificate.get(), signer, NID_subject_alt_name, names.join(u','))))
                    && addExtension(certificate.get(), signer, NID_subject_key_identifier, u"hash"_s)
                    && X509_sign(certificate.get(), issuerKey ? issuerKey.get() : key.get(), EVP_sha256()) > 0;
    if (!ok) {
        *error = u"cannot make the certificate: "_s + opensslError();
        return false;
    }
    const QByteArray keyPem = keyToPem(key.get());
    const QByteArray certificatePem = certificateToPem(certificate.get());
    if (keyPem.isEmpty() || certificatePem.isEmpty()) {
        *error = u"cannot encode the key or certificate: "_s + opensslError();
        return false;
    }
    if (!writePrivateFile(keyFile, keyPem, error))
        return false;
    if (!writePrivateFile(certificateFile, certificatePem, error)) {
        QFile::remove(keyFile);
        return false;
    }
    return true;
}

QString TlsContext::fingerprint() const
{
    return TransportSecurity::fingerprint(m_certificate);
}

bool TlsContext::secure(QSslSocket &socket, int timeoutMs, const std::atomic_bool &stop, QString *failure) const
{
    const QDeadlineTimer deadline(timeoutMs);
    auto slice = [&deadline] { return int(qBound(qint64(1), deadline.remainingTime(), qint64(250))); };
    socket.write(WireProtocol::frame(TransportSecurity::TlsGreeting));

    // The first byte tells a TLS client (a handshake record, 0x16) from an
    // older one that talks in clear, or from garbage.
    while (socket.bytesAvailable() == 0) {
        if (stop) {
            *failure = u"closed by server shutdown before encrypting"_s;
            return false;
        }
        if (deadline.hasExpired()) {
            *failure = u"closed: no TLS handshake within %1 s"_s.arg(timeoutMs / 1000.0);
            return false;
        }
        if (!socket.waitForReadyRead(slice()) && socket.state() != QAbstractSocket::ConnectedState) {
            *failure = u"closed by the client before encrypting (an older client, which must be updated, or one "
                       "that did not trust this server)"_s;
            return false;
        }
    }
    char first = 0;
    socket.peek(&first, 1);
    if (first != 0x16) {
        *failure = first == 0 ? u"refused: the client sent a request without encryption (an older client: update "
                                "it, or start the server with --no-tls for it)"_s
                              : u"refused: garbage instead of a TLS handshake"_s;
        return false;
    }

    QSslConfiguration config;
    config.setCaCertificates({});
    config.setProtocol(QSsl::TlsV1_2OrLater);
    config.setLocalCertificate(m_certificate);
    config.setPrivateKey(m_key);
    config.setPeerVerifyMode(QSslSocket::VerifyNone);
    socket.setSslConfiguration(config);
    socket.startServerEncryption();
    while (!socket.isEncrypted()) {
        if (stop) {
            *failure = u"closed by server shutdown during the TLS handshake"_s;
            return false;
        }
        if (deadline.hasExpired()) {
            *failure = u"closed: the TLS handshake did not finish within %1 s"_s.arg(timeoutMs / 1000.0);
            return false;
        }
        if (!socket.waitForEncrypted(slice())
            && (socket.state() != QAbstractSocket::ConnectedState
                || socket.error() == QAbstractSocket::SslHandshakeFailedError)) {
            *failure = socket.error() == QAbstractSocket::RemoteHostClosedError
                           ? u"closed by the client during the TLS handshake (a client that does not trust this "
                             "server's certificate, or no Korvan client)"_s
                           : u"TLS handshake failed: "_s + socket.errorString();
            return false;
        }
    }
    return true;
}
