#pragma once

// Helpers of the form printing tests: forms laid out in a container, page
// images and where ink landed on them.

#include "reportdocument.h"

#include <QImage>
#include <QRect>
#include <QWidget>

namespace FormPrintFixture {

// A page image at dpi, white.
inline QImage pageImage(int width, int height, int dpi = 96)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    const int dotsPerMeter = qRound(dpi / 0.0254);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    return image;
}

// The bounding box of the dark pixels (grey below 128) inside area; null
// when there are none.
inline QRect inkBox(const QImage &image, const QRect &area)
{
    const QRect clipped = area.intersected(image.rect());
    int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
    for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
        for (int x = clipped.left(); x <= clipped.right(); ++x) {
            if (qGray(image.pixel(x, y)) < 128) {
                left = qMin(left, x);
                right = qMax(right, x);
                top = qMin(top, y);
                bottom = qMax(bottom, y);
            }
        }
    }
    if (right < 0)
        return QRect();
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

inline bool hasInk(const QImage &image, const QRect &area)
{
    return !inkBox(image, area).isNull();
}

// A container standing for a sheet, with the CJK font of the sheets.
inline QWidget *container(int pointSize = 12)
{
    auto *sheet = new QWidget;
    sheet->setFont(ReportDocument::defaultFont(pointSize));
    sheet->resize(1000, 1000);
    return sheet;
}

} // namespace FormPrintFixture
