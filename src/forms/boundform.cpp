#include "boundform.h"

#include "captionname.h"
#include "dropdowncombo.h"
#include "fieldvalues.h"
#include "focushighlighter.h"
#include "radiogroup.h"
#include "stringgrid.h"
#include "tagbinding.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QTimeEdit>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;
using namespace CommFunU;

namespace {

constexpr int DefaultPairsPerRow = 2;

// Fills one page (or the whole host) with groups of label + field pairs.
class PageBuilder
{
public:
    PageBuilder(QWidget *body, int pairs) : m_body(body), m_layout(new QVBoxLayout(body)), m_pagePairs(pairs) {}

    void startGroup(const QString &title, int pairs)
    {
        auto *box = new QGroupBox(title, m_body);
        m_layout->addWidget(box);
        startGrid(new QGridLayout(box), pairs > 0 ? pairs : m_pagePairs);
    }

    QWidget *parent()
    {
        ensureGrid();
        return m_grid->parentWidget() ? m_grid->parentWidget() : m_body;
    }

    void place(QLabel *label, QWidget *field, bool wide, bool topAligned)
    {
        ensureGrid();
        if (wide && m_column > 0)
            nextRow();
        const Qt::Alignment labelAlign = Qt::AlignRight | (topAligned ? Qt::AlignTop : Qt::AlignVCenter);
        if (wide) {
            if (label) {
                m_grid->addWidget(label, m_row, 0, labelAlign);
                m_labels.append(label);
            }
            m_grid->addWidget(field, m_row, label ? 1 : 0, 1, label ? m_pairs * 2 - 1 : m_pairs * 2);
            nextRow();
            return;
        }
        if (label) {
            m_grid->addWidget(label, m_row, m_column * 2, labelAlign);
            m_labels.append(label);
        }
        m_grid->addWidget(field, m_row, m_column * 2 + 1);
        if (++m_column == m_pairs)
            nextRow();
    }

    // The labels of a page share one width, so that the fields of all its
    // groups line up.
    void finish()
    {
        int width = 0;
        for (QLabel *label : m_labels)
            width = qMax(width, label->sizeHint().width());
        for (QLabel *label : m_labels)
            label->setMinimumWidth(width);
        m_layout->addStretch(1);
    }

private:
    void ensureGrid()
    {
        if (!m_grid) {
            auto *grid = new QGridLayout;
            m_layout->addLayout(grid);
            startGrid(grid, m_pagePairs);
        }
    }

    void startGrid(QGridLayout *grid, int pairs)
    {
        m_grid = grid;
        m_pairs = pairs;
        m_row = 0;
        m_column = 0;
        for (int p = 0; p < pairs; ++p)
            m_grid->setColumnStretch(p * 2 + 1, 1);
    }

    void nextRow()
    {
        ++m_row;
        m_column = 0;
    }

    QWidget *m_body;
    QVBoxLayout *m_layout;
    QGridLayout *m_grid = nullptr;
    QList<QLabel *> m_labels;
    int m_pagePairs;
    int m_pairs = DefaultPairsPerRow;
    int m_row = 0;
    int m_column = 0;
};

// A page scrolls when the window is small. The area itself is no stop of
// the Tab key: the focus goes from the last field of a page to the tabs.
QScrollArea *newPageArea(QWidget *parent)
{
    auto *scroll = new QScrollArea(parent);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFocusPolicy(Qt::NoFocus);
    return scroll;
}

// The Tab key visits the fields in Tag order, whatever the order of the
// table; a radio group is visited through its buttons.
void orderTabsByTag(QList<std::pair<int, QWidget *>> fields)
{
    std::stable_sort(fields.begin(), fields.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    QList<QWidget *> stops;
    for (const auto &[tag, field] : fields) {
        Q_UNUSED(tag)
        if (qobject_cast<RadioGroup *>(field)) {
            for (QAbstractButton *button : field->findChildren<QAbstractButton *>(Qt::FindDirectChildrenOnly))
                stops.append(button);
        } else {
            stops.append(field);
        }
    }
    for (qsizetype i = 1; i < stops.size(); ++i)
        QWidget::setTabOrder(stops.at(i - 1), stops.at(i));
}

// A grid of a form: the columns at least as wide as their headings, the
// last one filling the width left.
void fitGridColumns(StringGrid *grid, const QStringList &headings)
{
    QHeaderView *header = grid->horizontalHeader();
    header->setStretchLastSection(true);
    const QFontMetrics metrics(header->font());
    for (int c = 0; c < headings.size(); ++c) {
        const int wanted = metrics.horizontalAdvance(headings.at(c)) + 4 * metrics.averageCharWidth();
        if (grid->columnWidth(c) < wanted)
            grid->setColumnWidth(c, wanted);
    }
}

bool labelledByItself(FieldKind kind)
{
    return kind == FieldKind::Check || kind == FieldKind::Radio || kind == FieldKind::RadioGroup;
}

} // namespace

BoundForm::BoundForm(QWidget *window)
    : QObject(window)
    , m_window(window)
{
}

BoundForm::~BoundForm() = default;

void BoundForm::addToTable(const FormTable &table)
{
    for (const FormField &entry : table) {
        m_table.append(entry);
        if (!entry.isBound())
            continue;
        if (m_high < m_low) {
            m_low = entry.tag;
            m_high = entry.tag;
        } else {
            m_low = qMin(m_low, entry.tag);
            m_high = qMax(m_high, entry.tag);
        }
    }
}

void BoundForm::build(const FormTable &table, QWidget *host)
{
    host = host ? host : m_window;
    addToTable(table);
    QLayout *outer = host->layout() ? host->layout() : new QVBoxLayout(host);

    bool hasPages = false;
    for (const FormField &entry : table)
        hasPages = hasPages || entry.kind == FieldKind::Page;

    std::unique_ptr<PageBuilder> page;
    if (hasPages) {
        m_pages = new QTabWidget(host);
        outer->addWidget(m_pages);
    } else {
        auto *body = new QWidget(host);
        outer->addWidget(body);
        page = std::make_unique<PageBuilder>(body, DefaultPairsPerRow);
    }

    // Fields before the first page go to a page without a title.
    auto untitledPage = [this] {
        QScrollArea *scroll = newPageArea(m_pages);
        auto *body = new QWidget(scroll);
        scroll->setWidget(body);
        m_pages->addTab(scroll, QString());
        return std::make_unique<PageBuilder>(body, DefaultPairsPerRow);
    };

    QList<std::pair<int, QWidget *>> tabStops;
    for (const FormField &entry : table) {
        switch (entry.kind) {
        case FieldKind::Page: {
            if (page)
                page->finish();
            QScrollArea *scroll = newPageArea(m_pages);
            auto *body = new QWidget(scroll);
            body->setObjectName(entry.name.isEmpty() ? entry.label : entry.name);
            scroll->setWidget(body);
            m_pages->addTab(scroll, entry.label);
            page = std::make_unique<PageBuilder>(body, entry.columns > 0 ? entry.columns : DefaultPairsPerRow);
            continue;
        }
        case FieldKind::Group:
            if (!page)
                page = untitledPage();
            page->startGroup(entry.label, entry.columns);
            continue;
        case FieldKind::Mark:
            continue; // reference marks belong to printed sheets
        default:
            break;
        }
        if (!page)
            page = untitledPage();
        QWidget *parent = page->parent();
        if (entry.kind == FieldKind::Caption) {
            auto *caption = new QLabel(entry.label, parent);
            caption->setObjectName(entry.name);
            page->place(nullptr, caption, true, false);
            continue;
        }
        if (entry.kind == FieldKind::Line) {
            auto *line = new QFrame(parent);
            line->setFrameShape(QFrame::HLine);
            line->setFrameShadow(QFrame::Sunken);
            page->place(nullptr, line, true, false);
            continue;
        }
        QWidget *field = createField(entry, parent);
        if (entry.tag >= 0)
            tabStops.append({entry.tag, field});
        if (entry.kind == FieldKind::Grid)
            fitGridColumns(static_cast<StringGrid *>(field), entry.items);
        QLabel *label = nullptr;
        if (!labelledByItself(entry.kind) && !entry.label.isEmpty()) {
            label = new QLabel(entry.label, parent);
            label->setBuddy(field);
            if (entry.tag >= 0 && !m_labels.contains(entry.tag))
                m_labels.insert(entry.tag, label);
        }
        const bool tall = entry.kind == FieldKind::Memo || entry.kind == FieldKind::Grid;
        page->place(label, field, entry.wide, tall);
    }
    if (page)
        page->finish();
    orderTabsByTag(tabStops);
}

void BoundForm::buildSheet(const FormTable &table, QWidget *sheet)
{
    addToTable(table);
    for (const FormField &entry : table) {
        QWidget *control = nullptr;
        switch (entry.kind) {
        case FieldKind::Page:
        case FieldKind::Group:
            continue;
        case FieldKind::Caption: {
            auto *caption = new QLabel(entry.label, sheet);
            caption->setObjectName(entry.name);
            control = caption;
            break;
        }
        case FieldKind::Mark:
            control = new QWidget(sheet);
            control->setObjectName(entry.name);
            m_marks.insert(entry.name, control);
            break;
        case FieldKind::Line: {
            auto *line = new QFrame(sheet);
            line->setFrameShape(entry.geometry.width() >= entry.geometry.height() ? QFrame::HLine : QFrame::VLine);
            line->setFrameShadow(QFrame::Plain);
            control = line;
            break;
        }
        default:
            control = createField(entry, sheet);
            break;
        }
        if (entry.geometry.isValid()) {
            // The sheet's geometry holds, whatever a field asks for on a page.
            control->setMinimumSize(0, 0);
            control->setGeometry(entry.geometry);
        }
    }
}

QWidget *BoundForm::createField(const FormField &entry, QWidget *parent)
{
    QWidget *field = nullptr;
    switch (entry.kind) {
    case FieldKind::Edit:
    case FieldKind::Number: {
        auto *edit = new QLineEdit(parent);
        edit->setMaxLength(1 << 24);
        edit->setText(entry.text);
        edit->setReadOnly(entry.readOnly);
        if (entry.kind == FieldKind::Number)
            SelectWholeTextOnEntry(edit);
        if (entry.masked) {
            edit->setEchoMode(QLineEdit::Password);
            edit->setStyleSheet(u"lineedit-password-character: 42"_s); // '*'
        }
        field = edit;
        break;
    }
    case FieldKind::Combo: {
        auto *combo = new DropDownCombo(parent);
        combo->setEditable(!entry.fixedList);
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->addItems(entry.items);
        combo->setMinimumContentsLength(6);
        combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        if (!entry.text.isEmpty()) {
            SetControlValue(combo, entry.text);
        } else if (!entry.fixedList) {
            combo->setCurrentIndex(-1);
            combo->setEditText(QString());
        }
        if (entry.readOnly && combo->lineEdit())
            combo->lineEdit()->setReadOnly(true);
        field = combo;
        break;
    }
    case FieldKind::Memo: {
        auto *memo = new QPlainTextEdit(parent);
        memo->setTabChangesFocus(true);
        memo->setPlainText(entry.text);
        memo->setReadOnly(entry.readOnly);
        memo->setMinimumHeight(memo->fontMetrics().lineSpacing() * 3 + 12);
        field = memo;
        break;
    }
    case FieldKind::Date:
    case FieldKind::Time: {
        QDateTimeEdit *picker = nullptr;
        if (entry.kind == FieldKind::Date) {
            picker = new QDateEdit(parent);
            picker->setDisplayFormat(u"yyyy-MM-dd"_s);
            picker->setCalendarPopup(true);
            picker->setMinimumDate(QDate(100, 1, 1));
        } else {
            picker = new QTimeEdit(parent);
            picker->setDisplayFormat(u"HH:mm:ss"_s);
        }
        picker->setDateTime(QDateTime::currentDateTime());
        if (!entry.text.isEmpty())
            SetControlValue(picker, entry.text);
        picker->setReadOnly(entry.readOnly);
        picker->installEventFilter(this);
        field = picker;
        break;
    }
    case FieldKind::Check: {
        auto *box = new QCheckBox(entry.label, parent);
        box->setChecked(entry.text == u"1"_s);
        field = box;
        break;
    }
    case FieldKind::Radio: {
        auto *button = new QRadioButton(entry.label, parent);
        button->setChecked(entry.text == u"1"_s);
        field = button;
        break;
    }
    case FieldKind::RadioGroup: {
        auto *group = new RadioGroup(entry.label, entry.items, parent);
        if (entry.columns > 0)
            group->setColumns(entry.columns);
        if (!entry.text.isEmpty())
            group->setItemIndex(entry.text.toInt());
        field = group;
        break;
    }
    case FieldKind::Grid: {
        auto *grid = new StringGrid(parent);
        const int columns = entry.items.isEmpty() ? qMax(1, entry.columns) : int(entry.items.size());
        grid->setColCount(columns);
        grid->setRowCount(qMax(entry.rows, entry.items.isEmpty() ? 1 : 2));
        if (!entry.items.isEmpty()) {
            grid->setHeadings(entry.items);
            grid->setHeadingRow(true);
        }
        grid->setEditable(!entry.readOnly);
        grid->setMinimumHeight(grid->verticalHeader()->defaultSectionSize() * 5);
        field = grid;
        break;
    }
    default:
        return nullptr;
    }
    field->setObjectName(entry.name.isEmpty() ? entry.label : entry.name);
    NameByCaption(field, entry.label);
    if (entry.tag >= 0) {
        SetTag(field, entry.tag);
        if (!m_fields.contains(entry.tag))
            m_fields.insert(entry.tag, field);
    }
    if (!entry.hint.isEmpty())
        SetHint(field, entry.hint);
    if (entry.disabled)
        field->setEnabled(false);
    watch(field);
    return field;
}

void BoundForm::watch(QWidget *control)
{
    auto note = [this, control] { noteChange(control); };
    switch (BoundKindOf(control)) {
    case BoundKind::Edit:
        connect(static_cast<QLineEdit *>(control), &QLineEdit::textChanged, this, note);
        break;
    case BoundKind::Combo:
        connect(static_cast<QComboBox *>(control), &QComboBox::currentTextChanged, this, note);
        break;
    case BoundKind::Memo:
        connect(static_cast<QPlainTextEdit *>(control), &QPlainTextEdit::textChanged, this, note);
        break;
    case BoundKind::Date:
    case BoundKind::Time:
        connect(static_cast<QDateTimeEdit *>(control), &QDateTimeEdit::dateTimeChanged, this, note);
        break;
    case BoundKind::Check:
    case BoundKind::Radio:
        connect(static_cast<QAbstractButton *>(control), &QAbstractButton::toggled, this, note);
        return;
    case BoundKind::RadioGroup:
        connect(static_cast<RadioGroup *>(control), &RadioGroup::itemIndexChanged, this, note);
        return;
    case BoundKind::Grid:
        connect(static_cast<StringGrid *>(control), &StringGrid::contentsChanged, this, note);
        return;
    case BoundKind::None:
        return;
    }
    FocusHighlighter::watch(control);
}

bool BoundForm::eventFilter(QObject *watched, QEvent *event)
{
    // Tab leaves a date or time picker at once instead of walking its
    // sections one by one (the arrow keys move between those).
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        auto *picker = qobject_cast<QDateTimeEdit *>(watched);
        const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
        if (picker && tab && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
            && picker->parentWidget()) {
            // The parent moves the focus on as for any other field.
            QKeyEvent forward(QEvent::KeyPress, key->key(), key->modifiers());
            QCoreApplication::sendEvent(picker->parentWidget(), &forward);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void BoundForm::noteChange(QWidget *field)
{
    if (m_quiet > 0)
        return;
    m_modified = true;
    emit modified(field);
}

QLineEdit *BoundForm::edit(int tag) const
{
    return fieldAs<QLineEdit>(tag);
}

QComboBox *BoundForm::combo(int tag) const
{
    return fieldAs<QComboBox>(tag);
}

QPlainTextEdit *BoundForm::memo(int tag) const
{
    return fieldAs<QPlainTextEdit>(tag);
}

QDateTimeEdit *BoundForm::picker(int tag) const
{
    return fieldAs<QDateTimeEdit>(tag);
}

QCheckBox *BoundForm::check(int tag) const
{
    return fieldAs<QCheckBox>(tag);
}

RadioGroup *BoundForm::radioGroup(int tag) const
{
    return fieldAs<RadioGroup>(tag);
}

StringGrid *BoundForm::grid(int tag) const
{
    return fieldAs<StringGrid>(tag);
}

QString BoundForm::save(int lowTag, int highTag) const
{
    return SaveByTag(m_window, lowTag, highTag, 1);
}

void BoundForm::load(const QString &recordText, int lowTag, int highTag)
{
    Quiet quiet(*this);
    LoadByTag(recordText, m_window, lowTag, highTag);
    m_modified = false;
}

void BoundForm::clear(int lowTag, int highTag)
{
    Quiet quiet(*this);
    ClearByTag(m_window, lowTag, highTag);
    m_modified = false;
}

RecordLoad BoundForm::loadRecord(const QString &table, const QString &number)
{
    Quiet quiet(*this);
    const RecordLoad outcome = LoadRecord(m_window, table, m_low, m_high, number);
    if (outcome == RecordLoad::Loaded)
        m_modified = false;
    return outcome;
}

std::optional<QString> BoundForm::saveRecord(const QString &table, const QString &number) const
{
    return SaveRecord(m_window, table, m_low, m_high, number);
}
