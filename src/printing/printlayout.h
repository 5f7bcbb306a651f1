#pragma once

#include <QByteArray>
#include <QtGlobal>

class QPainter;
class QWidget;

// The one description of the document being printed. The printing window
// sets Container, PrintLabels and the two reference points; the print/fax
// dialog adds the margins (millimetres) and the fax port; the engine fills
// the page size and the canvas of the page it draws.
//
// The dialog keeps the record in the file SinglePntsetupf as its 56-byte
// image: fourteen little-endian 32-bit integers in field order, the two
// references written as 0.
struct PrintLayout {
    QWidget *Container = nullptr; // its direct child controls are printed
    qint32 MarginLeft = 0;        // millimetres (device pixels in a page layout)
    qint32 MarginRight = 0;
    qint32 MarginTop = 0;
    qint32 MarginBottom = 0;
    qint32 FaxPort = 0;     // 0..3 = COM1..COM4, -1 none
    qint32 PrintLabels = 0; // non-zero: captions, shapes, combo boxes and date pickers too
    qint32 RefX1 = 0;       // first reference point, container coordinates
    qint32 RefY1 = 0;
    qint32 RefX2 = 0;       // second reference point
    qint32 RefY2 = 0;
    qint32 PageWidth = 0;   // drawable page in device pixels
    qint32 PageHeight = 0;
    QPainter *Canvas = nullptr;

    static constexpr int ImageSize = 56;
    static constexpr int ImageFields = 14;

    // The process's shared instance, filled by every document window before
    // it opens the print/fax dialog.
    static PrintLayout &shared();

    QByteArray toImage() const;
    // Takes the four margins and the port from an image, as far as it goes
    // (a short image leaves the later fields as they are); the rest of the
    // record is not read back.
    void readSettings(const QByteArray &image);
};
