#pragma once

#include <QString>

// Passwords at rest. A password set through the client (password change,
// staff window) is stored as a salted PBKDF2 digest:
//
//     pbkdf2-sha256$<iterations>$<salt, base64>$<key, base64>
//
// A stored text without that marker is a password kept as typed (older
// databases, rows written by other means) and is compared exactly. The empty
// password stays empty, so a row without a password logs in with an empty
// one only. Login, password change, the staff window and the server's own
// login check all go through these functions.
namespace CommFunU {

// The text to store for a password: its digest, or empty for empty.
QString PasswordToStore(const QString &password);

// True when stored carries the digest's marker.
bool IsPasswordDigest(const QString &stored);

// Whether typed is the password stored: by digest when stored is one,
// otherwise exactly (case-sensitive). A digest that cannot be read matches
// nothing.
bool PasswordMatches(const QString &stored, const QString &typed);

} // namespace CommFunU
