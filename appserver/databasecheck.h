#pragma once

#include <QStringList>

// korvan-server --check FILE: whether a database file (a backup before it is
// restored) is whole: SQLite's integrity check passes and every table of the
// schema and the audit trail is there. Opens the file read-only.
namespace DatabaseCheck {

// true when the file passes; *report holds one line per finding either way.
bool check(const QString &path, QStringList *report);

} // namespace DatabaseCheck
