#include "cargojobfields.h"

#include "korvanerror.h"
#include "marks.h"
#include "resultreader.h"
#include "tagbinding.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextDocument>

using namespace Qt::StringLiterals;
using namespace CommFunU;

namespace CargoJobFields {

QString rawValue(QWidget *control)
{
    switch (BoundKindOf(control)) {
    case BoundKind::Edit:
        return static_cast<QLineEdit *>(control)->text();
    case BoundKind::Memo: {
        QString text = static_cast<QPlainTextEdit *>(control)->document()->toRawText();
        text.replace(QChar::ParagraphSeparator, u'\n');
        return text;
    }
    default:
        return ControlValue(control);
    }
}

void setRawValue(QWidget *control, const QString &value)
{
    switch (BoundKindOf(control)) {
    case BoundKind::Edit:
        static_cast<QLineEdit *>(control)->setText(value);
        return;
    case BoundKind::Memo:
        static_cast<QPlainTextEdit *>(control)->setPlainText(value);
        return;
    default:
        SetControlValue(control, value);
        return;
    }
}

QStringList rawValues(const QList<QWidget *> &controls)
{
    QStringList values;
    for (QWidget *control : controls)
        values << rawValue(control);
    return values;
}

void setRawValues(const QList<QWidget *> &controls, const QStringList &values)
{
    for (qsizetype i = 0; i < controls.size() && i < values.size(); ++i) {
        try {
            if (rawValue(controls.at(i)) != values.at(i))
                setRawValue(controls.at(i), values.at(i));
        } catch (const KorvanError &) {
            // A value a snapshot took from the control always fits it.
        }
    }
}

QString encodeFields(const QStringList &values)
{
    QString out;
    for (const QString &value : values) {
        for (const QChar c : value) {
            if (c == u'\\')
                out += u"\\\\"_s;
            else if (c == FieldSep)
                out += u"\\|"_s;
            else
                out += c;
        }
        out += FieldSep;
    }
    return out;
}

QStringList decodeFields(const QString &text)
{
    QStringList values;
    QString current;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\\' && i + 1 < text.size()) {
            const QChar next = text.at(++i);
            current += next == u'|' ? FieldSep : next;
        } else if (c == FieldSep) {
            values << current;
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.isEmpty())
        values << current;
    return values;
}

QString encodeRows(const QList<QStringList> &rows, int columns)
{
    QStringList cells{QString::number(columns)};
    for (const QStringList &row : rows) {
        for (int c = 0; c < columns; ++c)
            cells << row.value(c);
    }
    return encodeFields(cells);
}

QList<QStringList> decodeRows(const QString &text)
{
    const QStringList cells = decodeFields(text);
    const int columns = cells.isEmpty() ? 0 : cells.first().toInt();
    QList<QStringList> rows;
    if (columns <= 0)
        return rows;
    for (qsizetype at = 1; at < cells.size(); at += columns)
        rows << cells.mid(at, columns);
    return rows;
}

bool shows(QWidget *control, const QString &value)
{
    QString text = value;
    if (BoundKindOf(control) == BoundKind::Memo) {
        text.replace(u"\r\n"_s, u"\n"_s);
        text.replace(u'\r', u'\n');
    }
    return rawValue(control) == text;
}

void loadFields(const QString &recordText, const QList<QWidget *> &controls)
{
    ResultReader fields(recordText, FieldSep);
    for (QWidget *control : controls) {
        if (fields.atEnd())
            break;
        const QString value = fields.next();
        if (!shows(control, value))
            SetControlValue(control, value);
    }
}

void clearFields(const QList<QWidget *> &controls)
{
    for (QWidget *control : controls)
        ClearControl(control);
}

} // namespace CargoJobFields
