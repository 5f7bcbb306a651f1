#include "declarationsheet.h"

#include "boundform.h"
#include "fieldvalues.h"
#include "formprinter.h"
#include "korvanerror.h"
#include "queryhelpers.h"
#include "stringgrid.h"
#include "tagbinding.h"
#include "tpntsetupfrm.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include <memory>
#include <vector>

using namespace Qt::StringLiterals;
using namespace CommFunU;

namespace {

constexpr int CaptionHeight = 18;
constexpr int FieldHeight = 22;

bool rowFilled(const StringGrid *grid, int row)
{
    for (const QString &cell : grid->rowCells(row)) {
        if (!cell.trimmed().isEmpty())
            return true;
    }
    return false;
}

} // namespace

FormTable DeclarationSheet::boxRow(int x, int y, int height, const QList<Box> &boxes)
{
    FormTable t;
    int left = x;
    for (const Box &box : boxes) {
        if (left > x)
            t << Field::line().at(left, y, 1, height);
        const bool beside = box.captionWidth > 0;
        if (!box.caption.isEmpty())
            t << Field::caption(box.caption).at(left + 4, beside ? y + (height - FieldHeight) / 2 : y + 2,
                                                (beside ? box.captionWidth : box.width) - 8,
                                                beside ? FieldHeight : CaptionHeight);
        if (box.field.kind != FieldKind::Caption) {
            const bool memo = box.field.kind == FieldKind::Memo;
            const bool below = !beside && !box.caption.isEmpty();
            const int top = below ? y + CaptionHeight + 2 : memo ? y + 3 : y + (height - FieldHeight) / 2;
            const int fieldHeight = memo ? y + height - 3 - top : FieldHeight;
            t << FormField(box.field).at(left + 4 + box.captionWidth, top, box.width - 8 - box.captionWidth, fieldHeight);
        }
        left += box.width;
    }
    t << Field::line().at(x, y, left - x, 1);
    return t;
}

DeclarationSheet::DeclarationSheet(const Settings &settings, const QString &number, QWidget *parent)
    : PrintableSheet(parent)
    , m_settings(settings)
    , m_number(number)
{
    m_saveButton = addButton(u"保存(&S)"_s, [this] { Save(); });
    addButton(m_settings.addGoodsCaption, [this] { AddGoodsRow(); });
    addButton(m_settings.deleteGoodsCaption, [this] { DeleteGoodsRow(); });
    // Only the values are printed, onto the pre-printed form.
    setPrintLabels(false);
}

DeclarationSheet::~DeclarationSheet() = default;

StringGrid *DeclarationSheet::goods() const
{
    return form()->grid(m_settings.goodsTag);
}

void DeclarationSheet::buildDeclaration(const FormTable &table, const QSize &sheetSize)
{
    buildSheet(table, sheetSize);
    StringGrid *grid = goods();
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setDefaultSectionSize(m_settings.goodsRowHeight);
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setFrameShape(QFrame::NoFrame); // its columns under the form's headings
    for (int c = 0; c < m_settings.goodsWidths.size(); ++c)
        grid->setColumnWidth(c, m_settings.goodsWidths.at(c));
    grid->setKeyHandler([this](QKeyEvent *event) { return goodsKey(event); });
    setPrintGrid(grid);
    for (int tag : std::as_const(m_settings.amountTags)) {
        form()->edit(tag)->installEventFilter(this);
        SelectWholeTextOnEntry(form()->edit(tag));
    }

    BoundForm::Quiet quiet(*form());
    ClearByTag(this, m_settings.lowTag, m_settings.highTag);
    form()->edit(m_settings.lowTag)->setText(m_number);
    form()->edit(m_settings.lowTag)->hide();
}

void DeclarationSheet::showEvent(QShowEvent *event)
{
    PrintableSheet::showEvent(event);
    if (std::exchange(m_shown, true))
        return;
    // The row is read once the sheet is on the screen.
    QMetaObject::invokeMethod(this, &DeclarationSheet::load, Qt::QueuedConnection);
}

void DeclarationSheet::load()
{
    BoundForm::Quiet quiet(*form());
    QString shown;
    try {
        shown = SaveByTag(this, m_settings.lowTag, m_settings.highTag, 1);
        switch (LoadRecord(this, m_settings.table, m_settings.lowTag, m_settings.highTag, m_number)) {
        case RecordLoad::Loaded:
            m_state = LoadState::Loaded;
            break;
        case RecordLoad::NoRow:
            m_state = LoadState::NoRow;
            break;
        case RecordLoad::Failed:
            m_state = LoadState::Failed;
            break;
        }
    } catch (const KorvanError &error) {
        // A stored value that cannot be read (a date): the sheet shows what
        // it showed before, says why, and does not save over the row.
        m_state = LoadState::Failed;
        if (!shown.isEmpty())
            LoadByTag(shown, this, m_settings.lowTag, m_settings.highTag);
        ShowMessage(u"出错: \r"_s + error.message());
    }
    m_saveButton->setEnabled(m_state != LoadState::Failed);
    afterLoad();
}

bool DeclarationSheet::Save()
{
    if (m_state == LoadState::Pending || m_state == LoadState::Failed) {
        ShowMessage(u"数据没有读取成功，不能保存！"_s);
        return false;
    }
    goods()->commitEditor();
    try {
        for (int tag : std::as_const(m_settings.amountTags))
            formatAmount(form()->edit(tag));
    } catch (const KorvanError &) {
        return false; // the field is marked and the message shown
    }
    QString insert;
    std::optional<QString> answer;
    try {
        insert = u"insert into "_s + m_settings.table + u' '
                 + BuildValuesList(SaveByTag(this, m_settings.lowTag, m_settings.highTag, 1));
        answer = SaveRecord(this, m_settings.table, m_settings.lowTag, m_settings.highTag, m_number);
    } catch (const KorvanError &error) {
        // A value holding a separator could not be read back: refused.
        ShowMessage(error.message());
        return false;
    }
    if (!answer)
        return false;
    if (answer->startsWith(u"Err"_s)) {
        ShowMessage(u"出错: \r"_s + insert + u'\r' + answer->mid(3));
        return false;
    }
    ShowMessage(u"成功!"_s);
    return true;
}

void DeclarationSheet::formatAmount(QLineEdit *edit)
{
    const QString text = FormatAmountEdit(edit);
    if (text != edit->text())
        edit->setText(text);
}

bool DeclarationSheet::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusOut) {
        // A message box or a list popping up is no leaving of the field.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        auto *edit = qobject_cast<QLineEdit *>(watched);
        if (edit && reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            try {
                formatAmount(edit);
            } catch (const KorvanError &) {
            }
        }
    }
    return PrintableSheet::eventFilter(watched, event);
}

// Enter moves to the next cell; from the last column to the first cell of
// the next row, appending a row first when the last one holds anything.
bool DeclarationSheet::goodsKey(QKeyEvent *event)
{
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
        return false;
    StringGrid *grid = goods();
    grid->commitEditor();
    const int row = qMax(0, grid->currentRow());
    const int column = qMax(0, grid->currentCol());
    if (column < grid->colCount() - 1) {
        grid->setCurrentCell(row, column + 1);
        return true;
    }
    if (row == grid->rowCount() - 1 && rowFilled(grid, row))
        grid->setRowCount(grid->rowCount() + 1);
    grid->setCurrentCell(qMin(row + 1, grid->rowCount() - 1), 0);
    return true;
}

void DeclarationSheet::AddGoodsRow()
{
    StringGrid *grid = goods();
    grid->commitEditor();
    if (rowFilled(grid, grid->rowCount() - 1))
        grid->setRowCount(grid->rowCount() + 1);
}

void DeclarationSheet::DeleteGoodsRow()
{
    StringGrid *grid = goods();
    grid->commitEditor();
    const int row = grid->selectionTopRow();
    if (row < 0 || row >= grid->rowCount())
        return;
    for (int r = row; r < grid->rowCount() - 1; ++r)
        grid->setRowCells(r, grid->rowCells(r + 1));
    grid->setRowCells(grid->rowCount() - 1, QStringList());
    if (grid->rowCount() > 1)
        grid->setRowCount(grid->rowCount() - 1);
}

void DeclarationSheet::print()
{
    std::vector<std::unique_ptr<QLineEdit>> shownValues;
    QWidget *paper = sheet();
    for (QWidget *control : paper->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        QString text;
        if (auto *combo = qobject_cast<QComboBox *>(control))
            text = combo->currentText();
        else if (auto *picker = qobject_cast<QDateTimeEdit *>(control))
            text = FormPrinting::DatePickerText(picker);
        else
            continue;
        if (FormPrinting::IsNotPrinted(control) || !control->isVisibleTo(paper))
            continue;
        // A field under the control, hidden by it on the screen.
        auto value = std::make_unique<QLineEdit>(text, paper);
        value->setGeometry(control->geometry());
        value->setFont(control->font());
        value->stackUnder(control);
        value->show();
        m_shownValues.append(value.get());
        shownValues.push_back(std::move(value));
    }
    openPrintDialog();
    m_shownValues.clear();
}

void DeclarationSheet::prepareDialog(TPntSetupFrm &dialog)
{
    // On plain paper the engine prints the captions, the rules and the
    // lists' and dates' own texts: the fields standing in for them stay out.
    dialog.offerPlainPaper([this](bool plain) {
        for (QLineEdit *value : std::as_const(m_shownValues))
            SetHint(value, plain ? u"00"_s : u"0"_s);
    });
}
