#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QWidget;

// The values of a job window's bound fields beyond Tag binding:
//  - raw values, as the user sees them, for the snapshot a tab keeps when the
//    user leaves it: never checked, so leaving a tab never fails whatever is
//    typed (an amount that does not parse, the separator character itself),
//    and coming back shows it exactly;
//  - loading a record over controls found once, writing only the values that
//    change (a text layout costs more than the comparison).
namespace CargoJobFields {

// The text a field shows (an edit's text unnormalised, a memo's lines joined
// by '\n'); for the other kinds their record value.
QString rawValue(QWidget *control);
void setRawValue(QWidget *control, const QString &value);
// The field shows value already (a memo's CR LF counts as '\n').
bool shows(QWidget *control, const QString &value);
// rawValue of every control, and the reverse: each control that does not
// show its value yet gets it (surplus values are ignored).
QStringList rawValues(const QList<QWidget *> &controls);
void setRawValues(const QList<QWidget *> &controls, const QStringList &values);

// Values joined by FieldSep, a backslash escaping FieldSep and itself, and back.
QString encodeFields(const QStringList &values);
QStringList decodeFields(const QString &text);
// Rows of cells: the column count, then every cell.
QString encodeRows(const QList<QStringList> &rows, int columns);
QList<QStringList> decodeRows(const QString &text);

// LoadByTag and ClearByTag over a list of controls.
void loadFields(const QString &recordText, const QList<QWidget *> &controls);
void clearFields(const QList<QWidget *> &controls);

} // namespace CargoJobFields
