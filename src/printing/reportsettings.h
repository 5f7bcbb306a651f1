#pragma once

#include <QString>

// The page setup of list reports, in millimetres as it is stored and edited.
// It survives in the file MutiPntSetupf: nine little-endian 32-bit integers
// (orientation, title gap, summary gap, header gap, line gap, left, right,
// top and bottom margin).
struct ReportSettings
{
    enum Orientation { Portrait = 0, Landscape = 1 };

    int orientation = Portrait;
    int leftMargin = 5;
    int rightMargin = 5;
    int topMargin = 5;
    int bottomMargin = 20;
    int titleGap = 10;   // 标题与表头间距
    int headerGap = 2;   // 表头与正文间距
    int lineGap = 2;     // 正文行间距
    int summaryGap = 5;  // 正文与小结间距

    // The defaults of the right and bottom margin depend on the orientation:
    // 5 and 20 in portrait, 20 and 5 in landscape.
    static int defaultRightMargin(int orientation) { return orientation == Landscape ? 20 : 5; }
    static int defaultBottomMargin(int orientation) { return orientation == Landscape ? 5 : 20; }

    // MutiPntSetupf where ClientFiles keeps it (beside the executable, or per user).
    static QString defaultFilePath();

    // Reads the file (creating it empty when it is missing). An empty file
    // holds no settings and changes nothing; a short file is read as far as
    // whole integers go. A value outside 0..999 (what the boxes can hold) is
    // not taken, so a damaged file cannot produce an unusable page. Returns
    // false when the file could not be opened or created (nothing changes).
    bool load(const QString &path);
    // Writes the nine integers from the start of the file, leaving anything
    // after them as it was. Returns false when the file cannot be written.
    bool save(const QString &path) const;

    QByteArray toBytes() const;
    void fromBytes(const QByteArray &bytes);

    friend bool operator==(const ReportSettings &a, const ReportSettings &b);
};
