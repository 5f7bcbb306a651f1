#pragma once

#include <QDateTime>
#include <QSslCertificate>
#include <QSslKey>
#include <QString>
#include <QStringList>
#include <atomic>
#include <optional>

class QSslSocket;

// The server's certificate and key, and the server side of every handshake.
//
//     QString error;
//     std::optional<TlsContext> tls = certFile.isEmpty()
//         ? TlsContext::ownBeside(databasePath, &notes, &error)   // made on first start
//         : TlsContext::load(certFile, keyFile, &error);
//     serverLog(u"certificate SHA-256 fingerprint "_s + tls->fingerprint());
//
// The key is read, checked against the certificate and (on first start)
// created with OpenSSL's own API; the files are written readable only by the
// server's user. The handshake itself is Qt's QSslSocket, TLS 1.2 or newer.
class TlsContext
{
public:
    // A certificate that cannot be read, a key that does not belong to it, or
    // a certificate that is expired or not yet valid: nullopt with the reason.
    static std::optional<TlsContext> load(const QString &certificateFile, const QString &keyFile, QString *error);
    // The server's own pair beside the database (korvan-server.crt and
    // korvan-server.key in its folder), created when neither exists.
    static std::optional<TlsContext> ownBeside(const QString &databasePath, QStringList *notes, QString *error);
    static QString ownCertificateFile(const QString &databasePath);
    static QString ownKeyFile(const QString &databasePath);

    // What a new certificate says and who signs it.
    struct Request {
        QString commonName = QStringLiteral("korvan-server");
        QStringList hostNames;   // subjectAltName DNS entries (localhost and this machine by default)
        QStringList addresses;   // subjectAltName IP entries (127.0.0.1 by default)
        QDateTime validFrom;     // default: now
        QDateTime validUntil;    // default: ten years from now
        bool authority = false;  // a CA certificate that signs others
        QString issuerCertificateFile; // empty: self-signed
        QString issuerKeyFile;
    };
    // Creates a new EC P-256 key and its certificate, both files new and
    // readable by the owner only.
    static bool create(const QString &certificateFile, const QString &keyFile, const Request &request,
                       QString *error);

    QString fingerprint() const;
    QString certificateFile() const { return m_certificateFile; }
    QDateTime expiryDate() const { return m_certificate.expiryDate(); }

    // The server side of a new connection: announces encryption in clear,
    // then takes the client's TLS handshake, all within timeoutMs. A client
    // that talks without encryption, garbage, a failed or unfinished handshake:
    // false, with the reason for the log.
    bool secure(QSslSocket &socket, int timeoutMs, const std::atomic_bool &stop, QString *failure) const;

private:
    QSslCertificate m_certificate;
    QSslKey m_key;
    QString m_certificateFile;
};
