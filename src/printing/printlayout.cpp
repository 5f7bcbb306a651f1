#include "printlayout.h"

#include <QtEndian>

#include <array>

PrintLayout &PrintLayout::shared()
{
    static PrintLayout layout;
    return layout;
}

QByteArray PrintLayout::toImage() const
{
    const std::array<qint32, ImageFields> fields{0,         MarginLeft, MarginRight, MarginTop, MarginBottom,
                                                 FaxPort,   PrintLabels, RefX1,      RefY1,     RefX2,
                                                 RefY2,     PageWidth,  PageHeight, 0};
    QByteArray image(ImageSize, '\0');
    for (int i = 0; i < ImageFields; ++i)
        qToLittleEndian<qint32>(fields[size_t(i)], image.data() + 4 * i);
    return image;
}

void PrintLayout::readSettings(const QByteArray &image)
{
    qint32 *targets[] = {&MarginLeft, &MarginRight, &MarginTop, &MarginBottom, &FaxPort};
    for (int i = 0; i < 5; ++i) {
        const int offset = 4 * (i + 1);
        if (image.size() < offset + 4)
            return;
        *targets[i] = qFromLittleEndian<qint32>(image.constData() + offset);
    }
}
