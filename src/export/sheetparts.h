#pragma once

// What the papers of an export job share: the company heading and the print
// date they show, captions beside their fields, the job's texts put into
// fields by Tag, and lines of a letter whose texts run around fields.
//
//   FormTable t{Field::mark(PrintableSheet::FirstMark).at(2, 2, 1, 1), …};
//   t << SheetParts::pair(30, 128, u"To:"_s, Field::edit(Fleet, u"To"_s).asDisabled(), 70, 280);
//   t << SheetParts::flow(60, 200, font, {SheetParts::text(u"贵司船名"_s), SheetParts::field(Vessel, u"船名"_s, 150)});
//   …
//   SheetParts::Fill(form(), {{Fleet, job.column(u"车队"_s)}, …});
//   SheetParts::ShowHeading(*this, heading);     // when shown

#include "formfield.h"

#include <QFont>
#include <QList>
#include <utility>

class BoundForm;
class PrintableSheet;
class QLabel;
class QWidget;

namespace SheetParts {

// A caption and its field on one line, the caption as high as the field so
// that their texts line up.
FormTable pair(int x, int y, const QString &caption, const FormField &field, int captionWidth, int fieldWidth,
               int height = 24);

// One piece of a letter's line: a text, or a field of a given width.
struct Piece {
    QString text;
    FormField field;
    int width = 0;
};
Piece text(const QString &text);
Piece field(int tag, const QString &label, int width);
// The pieces one after the other from x: each text a caption as wide as the
// text is in font (with a little room), each field as wide as asked with a
// rule under it; all disabled, as a letter's fields are filled from the job.
FormTable flow(int x, int y, const QFont &font, const QList<Piece> &pieces, int height = 26);

// The texts into the form's fields by Tag (fields the form lacks are skipped).
void Fill(const BoundForm *form, const QList<std::pair<int, QString>> &texts);

// The company's heading (GetInfo 1) into heading, sized to its text and
// centred between the marks of its page: empty when the server has none
// (an "Err" answer is never shown).
void ShowHeading(const PrintableSheet &sheet, QLabel *heading);
// The print date: the server's date (GetInfo 2), the client's own when the
// server has none; withTime adds a space and the client's time "hh:nn".
QString PrintDate(bool withTime);

// The font of every caption and field of page but those named in keep.
void SetPageFont(QWidget *page, const QFont &font, const QList<QWidget *> &keep);

} // namespace SheetParts
