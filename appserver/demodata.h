#pragma once

#include <QDate>
#include <QString>

class RowSink;

// The demo company: a small Shanghai forwarder with its departments, staff,
// units, ports and six months of export and import jobs ending in the month
// of `today`. Generated from a fixed seed, so the same day gives the same data.
class DemoData
{
public:
    static constexpr char StaffPassword[] = "123456";
    // How the demo staff's password is stored (one digest made once).
    static constexpr char StaffPasswordDigest[] =
        "pbkdf2-sha256$100000$a29ydmFuLWRlbW8tc3RhZg==$3H/q+PHK6y6qmF27Yu7j9TV0HsJO/C8umO/+XFkMPPY=";

    // Inserts everything inside the caller's transaction, into tables that
    // hold only the administrator. false with *error on the first failure.
    static bool fill(RowSink &sink, const QDate &today, QString *error);
};
