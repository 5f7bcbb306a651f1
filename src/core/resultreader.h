#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

// Reads a result string (or any text of fields) front to back with a
// cursor: the cost is linear in the text's length, whatever the row count.
// Values come back with ColonMark turned into ':' as PopField does.
class ResultReader
{
public:
    explicit ResultReader(QString text, QChar separator);
    // A server answer: takes the status and column count off the front.
    // An "Err" answer is reported by isError() and has no values.
    static ResultReader fromAnswer(QString answer);

    bool isError() const { return m_error; }
    QString status() const { return m_status; }
    int columnCount() const { return m_columns; }

    bool atEnd() const { return m_pos >= m_text.size(); }
    // The next field (empty at the end).
    QString next();
    // The next count fields (padded with empty fields at the end).
    QStringList next(int count);
    // Every remaining row of columnCount() fields.
    QList<QStringList> rows();
    // The remaining text, unread.
    QStringView rest() const { return QStringView(m_text).mid(m_pos); }

private:
    QString m_text;
    qsizetype m_pos = 0;
    QChar m_separator;
    bool m_error = false;
    QString m_status;
    int m_columns = 0;
};
