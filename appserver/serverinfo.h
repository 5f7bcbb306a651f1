#pragma once

#include <QString>

// The texts GetInfo answers, from the server's settings file (INI, UTF-8):
//   [info]
//   Heading=…     GetInfo 1: the company heading on sheets and reports
//   FromText=…    GetInfo 4: printed after "From: " on the B/L sheet
//   Telephone=…   GetInfo 6: the telephone line of the about box
// GetInfo 2 and 3 are the server's date "yyyy-mm-dd" and time "hh:nn".
class ServerInfo
{
public:
    ServerInfo();
    // Reads the file; a missing file keeps the defaults. False when the file
    // exists but cannot be read.
    bool load(const QString &path);

    QString answer(int n) const;

    QString heading;
    QString fromText;
    QString telephone;
};
