#include "tuodantemplates.h"

#include "marks.h"
#include "queryhelpers.h"
#include "textcodec.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

using namespace Qt::StringLiterals;
using CommFunU::FieldSep;

const QString TuoDanTemplates::DefaultName = u"提单确认"_s;
const QString TuoDanTemplates::FileName = u"TuoDanRes.txt"_s;

namespace {

// A number of a record: leading blanks allowed, anything else not a number reads 0.
int readNumber(QStringView text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? value : 0;
}

// The file's text: GB18030, or UTF-8 when it starts with UTF-8's byte-order
// mark; a leading byte-order mark is no part of the first name.
QString decodeFile(const QByteArray &bytes)
{
    QString text;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        text = utf8.decode(QByteArrayView(bytes).sliced(3));
    } else {
        text = TextCodec::decode(bytes);
    }
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

} // namespace

TuoDanTemplates::TuoDanTemplates()
    : m_entries{DefaultName + FieldSep + u'1'}
{
}

int TuoDanTemplates::ClampPosition(int value)
{
    return qBound(MinPosition, value, MaxPosition);
}

int TuoDanTemplates::ClampSize(int value)
{
    return qBound(0, value, MaxPosition);
}

QRect TuoDanTemplates::Clamped(const QRect &geometry)
{
    return QRect(ClampPosition(geometry.x()), ClampPosition(geometry.y()), ClampSize(geometry.width()),
                 ClampSize(geometry.height()));
}

QString TuoDanTemplates::FormatLayout(const QList<Record> &records)
{
    QString out;
    out.reserve(records.size() * RecordLength);
    for (const Record &record : records) {
        const QRect g = Clamped(record.geometry);
        for (const int value : {g.x(), g.y(), g.width(), g.height()})
            out += QString::number(value).rightJustified(NumberWidth, u' ');
        out += record.visible ? u' ' : u'0';
    }
    return out;
}

QList<TuoDanTemplates::Record> TuoDanTemplates::ParseLayout(const QString &layout, int maxRecords)
{
    QList<Record> records;
    for (qsizetype at = 0; at + RecordLength <= layout.size() && records.size() < maxRecords; at += RecordLength) {
        const QStringView record = QStringView(layout).mid(at, RecordLength);
        const auto number = [&](int i) { return readNumber(record.mid(i * NumberWidth, NumberWidth)); };
        records.append({Clamped(QRect(number(0), number(1), number(2), number(3))),
                        record.at(4 * NumberWidth) != u'0'});
    }
    return records;
}

QString TuoDanTemplates::nameError(const QString &typed) const
{
    if (typed.trimmed().isEmpty())
        return u"输入名称不可为空!"_s;
    if (typed.contains(FieldSep) || typed.contains(u'\r') || typed.contains(u'\n'))
        return u"模板名称不能含有分隔符或换行!"_s;
    for (int n = 0; n < count(); ++n) {
        if (name(n).trimmed() == typed)
            return u"输入的名称已存在!"_s;
    }
    return QString();
}

TuoDanTemplates::Outcome TuoDanTemplates::load(const QString &path)
{
    QFile file(path);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly)) {
        m_writable = false;
        return {false, u"模板文件 "_s + path + u" 无法读取: "_s + file.errorString()};
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        m_writable = false;
        return {false, u"模板文件 "_s + path + u" 无法读取: "_s + file.errorString()};
    }
    QString text = decodeFile(bytes);
    text.replace(u"\r\n"_s, u"\n"_s);
    text.replace(u'\r', u'\n');
    const QStringList lines = text.split(u'\n');
    QStringList entries;
    for (const QString &line : lines) {
        if (!line.trimmed().isEmpty())
            entries.append(line);
    }
    // Only a first line that is a template is the default one: a user's
    // template after a blank line never becomes the locked default.
    if (entries.isEmpty() || lines.first().trimmed().isEmpty())
        entries.prepend(m_entries.first());
    m_entries = entries;
    m_writable = true;
    return {};
}

QString TuoDanTemplates::fileText() const
{
    QString text;
    for (const QString &entry : m_entries) {
        if (!entry.trimmed().isEmpty())
            text += entry + u"\r\n"_s;
    }
    return text;
}

TuoDanTemplates::Outcome TuoDanTemplates::save(const QString &path) const
{
    if (!m_writable) {
        // The unreadable file is never replaced; what was made since goes
        // beside it, so that no template is lost without a word.
        if (!m_madeHere)
            return {};
        const QString aside = path + u".new"_s;
        QSaveFile file(aside);
        if (file.open(QIODevice::WriteOnly)) {
            file.write(TextCodec::encode(fileText()));
            if (file.commit())
                return {false, u"模板文件 "_s + path + u" 无法读取，没有改写；本次的模板已保存到 "_s + aside};
        }
        return {false, u"模板文件 "_s + path + u" 无法读取，本次的模板无法保存: "_s + file.errorString()};
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {false, u"模板文件 "_s + path + u" 无法写入: "_s + file.errorString()};
    file.write(TextCodec::encode(fileText()));
    if (!file.commit())
        return {false, u"模板文件 "_s + path + u" 无法写入: "_s + file.errorString()};
    return {};
}

QStringList TuoDanTemplates::parts(int n) const
{
    QString rest = entry(n);
    const QString name = CommFunU::PopField(rest, 1);
    const QString flag = CommFunU::PopField(rest, 1);
    return {name, flag, rest};
}

QString TuoDanTemplates::name(int n) const
{
    return parts(n).at(0);
}

bool TuoDanTemplates::printCaptions(int n) const
{
    return parts(n).at(1) != u"0"_s;
}

QString TuoDanTemplates::layout(int n) const
{
    return parts(n).at(2);
}

void TuoDanTemplates::setLayout(int n, const QString &layout)
{
    if (n < 0 || n >= count())
        return;
    // Name and flag as the entry holds them (a colon mark in a name stays one).
    QString rest = m_entries.at(n);
    const qsizetype first = rest.indexOf(FieldSep);
    const qsizetype second = first < 0 ? -1 : rest.indexOf(FieldSep, first + 1);
    QString head;
    if (first < 0)
        head = rest + FieldSep + FieldSep;
    else if (second < 0)
        head = rest + FieldSep;
    else
        head = rest.left(second + 1);
    m_entries[n] = head + layout;
    // The default layout is the designer's own, rebuilt every time.
    if (n > 0)
        m_madeHere = true;
}

int TuoDanTemplates::append(const QString &name, bool printCaptions)
{
    m_entries.append(name + FieldSep + (printCaptions ? u'1' : u'0') + FieldSep);
    m_madeHere = true;
    return count() - 1;
}
