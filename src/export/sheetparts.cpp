#include "sheetparts.h"

#include "boundform.h"
#include "printablesheet.h"
#include "queryhelpers.h"
#include "tagbinding.h"
#include "values.h"

#include <QDate>
#include <QFontMetrics>
#include <QLabel>
#include <QTime>

using namespace Qt::StringLiterals;

namespace SheetParts {

namespace {

// Beside a caption's text, so that the printed text is not shrunk.
constexpr int TextRoom = 6;

} // namespace

FormTable pair(int x, int y, const QString &caption, const FormField &field, int captionWidth, int fieldWidth,
               int height)
{
    return {Field::caption(caption).at(x, y, captionWidth, height), FormField(field).at(x + captionWidth, y, fieldWidth, height)};
}

Piece text(const QString &text)
{
    return Piece{text, FormField(), 0};
}

Piece field(int tag, const QString &label, int width)
{
    return Piece{QString(), Field::edit(tag, label).asDisabled(), width};
}

FormTable flow(int x, int y, const QFont &font, const QList<Piece> &pieces, int height)
{
    const QFontMetrics metrics(font);
    FormTable table;
    for (const Piece &piece : pieces) {
        if (piece.width > 0) {
            // A blank of the letter, filled in: a rule under its text.
            table << FormField(piece.field).at(x, y, piece.width, height) << Field::line().at(x, y + height, piece.width, 1);
            x += piece.width;
        } else {
            const int width = metrics.horizontalAdvance(piece.text) + TextRoom;
            table << Field::caption(piece.text).at(x, y, width, height);
            x += width;
        }
    }
    return table;
}

void Fill(const BoundForm *form, const QList<std::pair<int, QString>> &texts)
{
    for (const auto &[tag, value] : texts) {
        if (QWidget *target = form->field(tag))
            CommFunU::SetControlValue(target, value);
    }
}

void ShowHeading(const PrintableSheet &sheet, QLabel *heading)
{
    heading->setText(CommFunU::InfoText(1));
    sheet.centreCaption(heading);
}

QString PrintDate(bool withTime)
{
    QString date = CommFunU::InfoText(2);
    if (date.isEmpty())
        date = CommFunU::DateText(QDate::currentDate());
    return withTime ? date + u' ' + CommFunU::TimeText(QTime::currentTime()) : date;
}

void SetPageFont(QWidget *page, const QFont &font, const QList<QWidget *> &keep)
{
    for (QWidget *child : page->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (!keep.contains(child))
            child->setFont(font);
    }
}

} // namespace SheetParts
