#pragma once

#include <QString>
#include <array>

// The logged-in user's record, filled by the login window at each successful
// login and kept until the next one.
struct CurrentUserRecord {
    QString UserName;
    QString Password;
    QString StaffName;
    QString Department;
    QString Position;
    QString Extension;
    QString Fax;
    std::array<QString, 8> Rights; // Rights[0] is right 1 … Rights[7] is right 8

    // A right is granted only when its text is exactly "1" ("1 " is not).
    bool hasRight(int n) const { return n >= 1 && n <= 8 && Rights[size_t(n - 1)] == QLatin1StringView("1"); }
};

namespace CommFunU {

CurrentUserRecord &CurrentUser();

} // namespace CommFunU
