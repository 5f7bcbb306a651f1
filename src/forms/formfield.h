#pragma once

#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

// One line of a window's field table (see boundform.h for how a window
// declares its fields and builds itself from them).
enum class FieldKind {
    Edit,       // QLineEdit
    Number,     // QLineEdit with Hint "1", shown "0.000"
    Combo,      // DropDownCombo (a QComboBox), editable unless fixedList()
    Memo,       // QPlainTextEdit
    Date,       // QDateEdit, "yyyy-MM-dd"
    Time,       // QTimeEdit, "HH:mm:ss"
    Check,      // QCheckBox, the label is its text
    Radio,      // QRadioButton, the label is its text
    RadioGroup, // RadioGroup titled with the label, items = its buttons
    Grid,       // StringGrid; items = headings shown as the heading row
    Caption,    // a QLabel without a Tag
    Mark,       // an invisible reference mark of a printed sheet
    Line,       // a drawn line (QFrame) of a printed sheet
    Page,       // starts a page (tab) titled with the label
    Group       // starts a titled group on the current page
};

struct FormField {
    FieldKind kind = FieldKind::Edit;
    int tag = -1; // -1: no Tag
    QString label;
    QString hint;
    QStringList items;
    QString text;   // initial text (combo boxes: the item shown first)
    QString name;   // objectName; the label when empty
    QRect geometry; // printed sheets: position and size in the sheet
    int columns = 0; // Grid: columns without headings; Page/Group: label+field pairs per row; RadioGroup: items per row
    int rows = 0;    // Grid: initial row count
    bool readOnly = false;
    bool disabled = false;
    bool fixedList = false; // Combo: only the items can be chosen
    bool wide = false;      // takes a whole row of the layout
    bool masked = false;    // Edit: shows '*' for every character typed

    FormField withHint(const QString &value) const { FormField f = *this; f.hint = value; return f; }
    FormField withItems(const QStringList &value) const { FormField f = *this; f.items = value; return f; }
    FormField withText(const QString &value) const { FormField f = *this; f.text = value; return f; }
    FormField named(const QString &value) const { FormField f = *this; f.name = value; return f; }
    FormField at(int x, int y, int width, int height) const { FormField f = *this; f.geometry = QRect(x, y, width, height); return f; }
    FormField withColumns(int value) const { FormField f = *this; f.columns = value; return f; }
    FormField withRows(int value) const { FormField f = *this; f.rows = value; return f; }
    FormField asReadOnly() const { FormField f = *this; f.readOnly = true; return f; }
    FormField asDisabled() const { FormField f = *this; f.disabled = true; return f; }
    FormField asFixedList() const { FormField f = *this; f.fixedList = true; return f; }
    FormField asWide() const { FormField f = *this; f.wide = true; return f; }
    FormField asMasked() const { FormField f = *this; f.masked = true; return f; }

    bool isBound() const { return tag >= 0 && kind != FieldKind::Caption && kind != FieldKind::Mark
                                  && kind != FieldKind::Line && kind != FieldKind::Page && kind != FieldKind::Group; }
};

using FormTable = QList<FormField>;

// Row builders: the field table of a window reads like its list of fields.
namespace Field {

inline FormField make(FieldKind kind, int tag, const QString &label)
{
    FormField f;
    f.kind = kind;
    f.tag = tag;
    f.label = label;
    return f;
}

inline FormField edit(int tag, const QString &label) { return make(FieldKind::Edit, tag, label); }
inline FormField number(int tag, const QString &label)
{
    return make(FieldKind::Number, tag, label).withHint(QStringLiteral("1")).withText(QStringLiteral("0.000"));
}
inline FormField combo(int tag, const QString &label, const QStringList &items = {})
{
    return make(FieldKind::Combo, tag, label).withItems(items);
}
inline FormField memo(int tag, const QString &label) { return make(FieldKind::Memo, tag, label); }
inline FormField date(int tag, const QString &label) { return make(FieldKind::Date, tag, label); }
inline FormField time(int tag, const QString &label) { return make(FieldKind::Time, tag, label); }
inline FormField check(int tag, const QString &label) { return make(FieldKind::Check, tag, label); }
inline FormField radio(int tag, const QString &label) { return make(FieldKind::Radio, tag, label); }
inline FormField radioGroup(int tag, const QString &label, const QStringList &items)
{
    return make(FieldKind::RadioGroup, tag, label).withItems(items);
}
// With headings the grid shows them as its heading row (row 0).
inline FormField grid(int tag, const QString &label, const QStringList &headings = {})
{
    return make(FieldKind::Grid, tag, label).withItems(headings).asWide();
}
inline FormField caption(const QString &text) { return make(FieldKind::Caption, -1, text); }
inline FormField mark(const QString &name) { return make(FieldKind::Mark, -1, QString()).named(name); }
inline FormField line() { return make(FieldKind::Line, -1, QString()); }
inline FormField page(const QString &title) { return make(FieldKind::Page, -1, title); }
inline FormField group(const QString &title) { return make(FieldKind::Group, -1, title); }

} // namespace Field
