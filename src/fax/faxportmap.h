#pragma once

#include <QString>

// Which device a COM name stands for. COM1 to COM4 are /dev/ttyS0 to
// /dev/ttyS3 unless the file FaxPorts.txt (beside the executable, or in the user's data folder when installed: clientfiles.h) maps the name
// to another device, one "COMn=device" per line, for example
//     COM1=/dev/ttyUSB0
// (blank lines and lines starting with '#' or ';' are ignored; names are
// case-insensitive). The file is read at every look-up, so an edit applies to
// the next call.
class FaxPortMap
{
public:
    // The device of comName ("COM1" …); empty for a name that is neither
    // mapped nor one of COM1..COM4.
    static QString deviceFor(const QString &comName);

    // The map file in use: FaxPorts.txt where ClientFiles keeps it unless another
    // file was set (tests set one of their own).
    static QString mapFile();
    static void setMapFile(const QString &path);
};
