#pragma once

#include <QList>
#include <QSslCertificate>
#include <QString>
#include <QStringList>
#include <functional>

// Which korvan-server a client believes, in the manner of ssh.
//
//     ServerTrust trust;
//     trust.fingerprints = {settings.value(u"Fingerprint"_s)}; // the pin kept for this address
//     trust.firstUse = [](const QString &fingerprint) { return askTheUser(fingerprint); };
//     connection.setTrust(trust);
//
// The connection is encrypted (TLS 1.2 or newer) before anything is sent.
// With authorities (a company's own certificate authority) the server's
// certificate must be signed by one of them and name the address dialled.
// Otherwise its SHA-256 fingerprint must be one of fingerprints; without any
// pinned fingerprint firstUse is asked, and an accepted fingerprint is pinned
// for the rest of the connection's life, so reconnects check the same one.
struct ServerTrust {
    QStringList fingerprints;
    QList<QSslCertificate> authorities;
    std::function<bool(const QString &fingerprint)> firstUse;
    // Where the pin is kept, named in the messages that tell the user to
    // remove a stale one (e.g. "ConnectServer.txt 中的 Fingerprint= 一行").
    QString pinStore;
    // No TLS at all: only against a korvan-server started with --no-tls.
    bool plain = false;
};

namespace TransportSecurity {

// The frame a server that encrypts sends in clear before the TLS handshake.
// Older clients, expecting the plain greeting, refuse it as a wrong peer and
// send nothing; a server that does not encrypt sends the plain greeting.
inline constexpr char TlsGreeting[] = "KORVAN-RDM/1 TLS";

// "AB:CD:…": the SHA-256 digest of the certificate in upper-case hex pairs.
QString fingerprint(const QSslCertificate &certificate);
// The same fingerprint written any way people copy it (case, colons, blanks).
QString normalized(const QString &fingerprint);
bool sameFingerprint(const QString &a, const QString &b);
// A fingerprint as a person compares it with the one the administrator reads
// out: "AB:CD:…" in two lines of 16 pairs each (a message box would otherwise
// break the line wherever its width ends, mid-way through a pair's group).
// Anything that is not 32 pairs comes back as one line, as it was.
QStringList fingerprintLines(const QString &fingerprint);

// Reads the PEM certificates of a CA file; an error text when there are none.
QList<QSslCertificate> readAuthorities(const QString &fileName, QString *error);

} // namespace TransportSecurity
