#include "resultreader.h"

#include "marks.h"

using namespace CommFunU;

ResultReader::ResultReader(QString text, QChar separator)
    : m_text(std::move(text))
    , m_separator(separator)
{
}

ResultReader ResultReader::fromAnswer(QString answer)
{
    ResultReader reader(std::move(answer), FieldSep);
    if (reader.m_text.startsWith(QLatin1StringView("Err"))) {
        reader.m_error = true;
        reader.m_pos = reader.m_text.size();
        return reader;
    }
    reader.m_status = reader.next();
    reader.m_columns = reader.next().toInt();
    return reader;
}

QString ResultReader::next()
{
    if (atEnd())
        return QString();
    qsizetype end = m_text.indexOf(m_separator, m_pos);
    const bool last = end < 0;
    if (last)
        end = m_text.size();
    QString field = m_text.mid(m_pos, end - m_pos);
    m_pos = last ? m_text.size() : end + 1;
    if (field.contains(ColonMark))
        field.replace(ColonMark, QLatin1Char(':'));
    return field;
}

QStringList ResultReader::next(int count)
{
    QStringList fields;
    fields.reserve(count);
    for (int i = 0; i < count; ++i)
        fields.append(next());
    return fields;
}

QList<QStringList> ResultReader::rows()
{
    QList<QStringList> out;
    const int width = qMax(1, m_columns);
    while (!atEnd())
        out.append(next(width));
    return out;
}
