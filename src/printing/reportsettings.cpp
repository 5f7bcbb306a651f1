#include "reportsettings.h"
#include "clientfiles.h"

#include <QFile>
#include <QtEndian>

using namespace Qt::StringLiterals;

namespace {

constexpr int FieldCount = 9;
constexpr int MaxValue = 999;

} // namespace

QString ReportSettings::defaultFilePath()
{
    return ClientFiles::current().path(ClientFile::ReportSetup);
}

QByteArray ReportSettings::toBytes() const
{
    const qint32 values[FieldCount] = {orientation, titleGap,   summaryGap, headerGap,   lineGap,
                                       leftMargin,  rightMargin, topMargin, bottomMargin};
    QByteArray bytes(FieldCount * 4, '\0');
    for (int i = 0; i < FieldCount; ++i)
        qToLittleEndian<qint32>(values[i], bytes.data() + 4 * i);
    return bytes;
}

void ReportSettings::fromBytes(const QByteArray &bytes)
{
    int *fields[FieldCount] = {&orientation, &titleGap,   &summaryGap, &headerGap,   &lineGap,
                               &leftMargin,  &rightMargin, &topMargin, &bottomMargin};
    const int present = qMin<int>(FieldCount, int(bytes.size() / 4));
    for (int i = 0; i < present; ++i) {
        const qint32 value = qFromLittleEndian<qint32>(bytes.constData() + 4 * i);
        if (i == 0) {
            if (value == Portrait || value == Landscape)
                orientation = value;
        } else if (value >= 0 && value <= MaxValue) {
            *fields[i] = value;
        }
    }
}

bool ReportSettings::load(const QString &path)
{
    QFile file(path);
    // Opening read-write creates the file empty when it is missing.
    if (!file.open(QIODevice::ReadWrite))
        return false;
    fromBytes(file.read(FieldCount * 4));
    return true;
}

bool ReportSettings::save(const QString &path) const
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    const QByteArray bytes = toBytes();
    return file.write(bytes) == bytes.size();
}

bool operator==(const ReportSettings &a, const ReportSettings &b)
{
    return a.toBytes() == b.toBytes();
}
