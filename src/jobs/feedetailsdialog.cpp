#include "feedetailsdialog.h"

#include "loadedsnapshot.h"

#include "boundform.h"
#include "currentuser.h"
#include "dropdowncombo.h"
#include "fieldvalues.h"
#include "focushighlighter.h"
#include "korvanerror.h"
#include "marks.h"
#include "messageservice.h"
#include "printablesheet.h"
#include "queryhelpers.h"
#include "savekey.h"
#include "reportdocument.h"
#include "serverconnection.h"
#include "tagbinding.h"
#include "values.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScopedValueRollback>
#include <QScrollArea>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;
using namespace CommFunU;

namespace {

// The grid of a page: pairs of a label and a field in framed boxes.
constexpr int RowHeight = 26;
constexpr int FieldHeight = 22;
constexpr int FieldWidth = 104;
constexpr int WideLabelWidth = 130;
constexpr int BoxTitleHeight = 26;
constexpr int BoxPadding = 8;
constexpr int BoxGap = 10;
constexpr int MemoRows = 3;
constexpr int ChoiceHeight = 44;
const QString BoxTitleName = u"boxTitle"_s;

bool takesWholeRow(const FormField &field)
{
    return field.wide || field.kind == FieldKind::Memo || field.kind == FieldKind::RadioGroup
           || field.kind == FieldKind::Caption;
}

// The rows of one box with their places, appended to rows; answers the
// box's bottom edge.
int layOutBox(const FeeBox &box, FormTable &rows)
{
    const int left = box.place.x();
    const int top = box.place.y();
    const int inner = box.width - 2 * BoxPadding;
    const int pairWidth = inner / qMax(1, box.columns);
    rows << Field::caption(box.title).named(BoxTitleName).at(left + BoxPadding, top + 4, inner, 20);

    int y = top + BoxTitleHeight;
    int column = 0;
    auto nextRow = [&](int height) {
        y += height;
        column = 0;
    };
    for (const FormField &field : box.fields) {
        if (takesWholeRow(field) && column > 0)
            nextRow(RowHeight);
        const int x = left + BoxPadding + column * pairWidth;
        if (field.kind == FieldKind::Caption) {
            rows << FormField(field).at(x, y, inner, FieldHeight);
            nextRow(FieldHeight);
        } else if (field.kind == FieldKind::RadioGroup) {
            rows << FormField(field).at(x, y, inner, ChoiceHeight);
            nextRow(ChoiceHeight + 4);
        } else {
            // A field ends at the right of its pair; a whole-row field starts
            // where the first column's fields start.
            const bool memo = field.kind == FieldKind::Memo;
            const int labelWidth = pairWidth - FieldWidth - 4;
            const int fieldX = takesWholeRow(field) ? x + qMin(labelWidth, WideLabelWidth) : x + labelWidth;
            const int fieldWidth = takesWholeRow(field) ? left + box.width - BoxPadding - fieldX : FieldWidth;
            const int height = memo ? RowHeight * MemoRows - 4 : FieldHeight;
            // The caption as high as its field: their texts line up on the
            // screen and on the page alike.
            rows << Field::caption(field.label).at(x, y, fieldX - x - 2, memo ? FieldHeight : height);
            rows << FormField(field).at(fieldX, y, fieldWidth, height);
            if (takesWholeRow(field))
                nextRow(memo ? RowHeight * MemoRows : RowHeight);
            else if (++column == box.columns)
                nextRow(RowHeight);
        }
    }
    if (column > 0)
        nextRow(RowHeight);
    const int bottom = y + BoxPadding / 2;
    const int right = left + box.width;
    rows << Field::line().at(left, top, box.width, 1) << Field::line().at(left, bottom, box.width, 1)
         << Field::line().at(left, top, 1, bottom - top + 1) << Field::line().at(right, top, 1, bottom - top + 1);
    return bottom;
}

// The field table of a page and the page's size.
FormTable layOutPage(const FeePage &page, QSize *size)
{
    FormTable rows;
    int right = 0;
    int bottom = 0;
    QHash<int, int> columnBottoms; // a box without a y stands below the last one at its x
    for (FeeBox box : page.boxes) {
        if (box.place.y() < 0)
            box.place.setY(columnBottoms.value(box.place.x()) + BoxGap);
        const int boxBottom = layOutBox(box, rows);
        columnBottoms.insert(box.place.x(), boxBottom);
        bottom = qMax(bottom, boxBottom);
        right = qMax(right, box.place.x() + box.width);
    }
    *size = QSize(right + 10, bottom + 10);
    return rows;
}

bool isEnter(const QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<const QKeyEvent *>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

FormTable FeeField::amounts(const QList<int> &tags, const QStringList &labels, const QString &hint)
{
    Q_ASSERT(tags.size() == labels.size());
    FormTable rows;
    for (qsizetype i = 0; i < tags.size(); ++i)
        rows << amount(tags.at(i), labels.value(i), hint);
    return rows;
}

QList<int> FeeField::tagRange(int first, int last, int step)
{
    QList<int> tags;
    for (int tag = first; tag <= last; tag += step)
        tags << tag;
    return tags;
}

FeeDetailsDialog::FeeDetailsDialog(FeeDetailsKind kind, QWidget *parent)
    : QDialog(parent)
    , m_kind(std::move(kind))
    , m_form(new BoundForm(this))
{
    setWindowTitle(m_kind.caption);
    setSizeGripEnabled(true);
    buildPages();

    m_save = new QPushButton(u"保存"_s, this);
    BindSaveKey(this, m_save);
    m_submit = new QPushButton(u"提交"_s, this);
    m_return = new QPushButton(u"返回"_s, this);
    auto *buttons = new QHBoxLayout;
    m_buttonBar = buttons;
    buttons->addStretch(1);
    buttons->addWidget(m_save);
    buttons->addWidget(m_submit);
    if (m_kind.printable) {
        m_print = new QPushButton(u"打印"_s, this);
        buttons->addWidget(m_print);
        connect(m_print, &QPushButton::clicked, this, &FeeDetailsDialog::PrintPage);
    }
    buttons->addWidget(m_return);
    for (QPushButton *button : findChildren<QPushButton *>())
        button->setAutoDefault(false);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_pages, 1);
    layout->addLayout(buttons);

    connect(m_save, &QPushButton::clicked, this, [this] { SaveFees(); });
    connect(m_submit, &QPushButton::clicked, this, [this] { SubmitFees(); });
    connect(m_return, &QPushButton::clicked, this, &FeeDetailsDialog::reject);
    wireFields();
    {
        BoundForm::Quiet quiet(*m_form);
        try {
            RecalcFees();
        } catch (const KorvanError &) {
        }
    }
}

FeeDetailsDialog::~FeeDetailsDialog() = default;

QPushButton *FeeDetailsDialog::addButton(const QString &caption, std::function<void()> command)
{
    auto *b = new QPushButton(caption, this);
    b->setAutoDefault(false);
    m_buttonBar->insertWidget(m_buttonBar->indexOf(m_return), b);
    connect(b, &QPushButton::clicked, this, std::move(command));
    return b;
}

void FeeDetailsDialog::buildPages()
{
    m_pages = new QTabWidget(this);
    for (const FeePage &page : std::as_const(m_kind.pages)) {
        auto *scroll = new QScrollArea(m_pages);
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setFocusPolicy(Qt::NoFocus);
        auto *sheet = new QWidget;
        sheet->setObjectName(page.title);
        // The font of the printed sheets, so the page prints as it shows.
        sheet->setFont(ReportDocument::defaultFont(9));
        QSize size;
        m_form->buildSheet(layOutPage(page, &size), sheet);
        sheet->setFixedSize(size);
        scroll->setWidget(sheet);
        m_pages->addTab(scroll, page.title);
        if (m_pages->count() == 1) {
            m_form->buildSheet(m_kind.hidden, sheet);
            for (const FormField &field : std::as_const(m_kind.hidden))
                m_form->field(field.tag)->hide();
        }
        QFont bold = sheet->font();
        bold.setBold(true);
        for (QLabel *title : sheet->findChildren<QLabel *>(BoxTitleName, Qt::FindDirectChildrenOnly))
            title->setFont(bold);
    }
    connect(m_pages, &QTabWidget::currentChanged, this, [this](int index) {
        QWidget *agent = m_form->field(m_kind.agentTag);
        if (index == m_kind.agentPage && agent && agent->isEnabled())
            agent->setFocus();
    });
}

void FeeDetailsDialog::wireFields()
{
    for (QWidget *field : BoundControls(this, m_form->lowTag(), m_form->highTag())) {
        if (auto *edit = qobject_cast<QLineEdit *>(field)) {
            const QString hint = HintOf(edit);
            if (hint.size() >= 3)
                m_groups[hint.at(1)].append({edit, hint.at(2) == u'1'});
            edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (edit->isReadOnly())
                SetRestColour(edit, ButtonFaceColour());
            else if (!edit->isHidden())
                m_amounts << edit;
        }
        field->installEventFilter(this);
        if (auto *combo = qobject_cast<QComboBox *>(field); combo && combo->lineEdit())
            combo->lineEdit()->installEventFilter(this);
    }
    connect(m_form, &BoundForm::modified, this, [this](QWidget *field) {
        if (!m_kind.paymentTags.contains(TagOf(field)))
            m_modified = true;
    });
    if (auto *agent = m_form->fieldAs<DropDownCombo>(m_kind.agentTag))
        connect(agent, &DropDownCombo::aboutToDropDown, this, &FeeDetailsDialog::fillAgents);
}

QLineEdit *FeeDetailsDialog::amountField(int tag) const
{
    return m_form->edit(tag);
}

QString FeeDetailsDialog::number() const
{
    QLineEdit *key = m_form->edit(m_kind.keyTag);
    return key ? key->text() : QString();
}

void FeeDetailsDialog::setJob(const CargoJobValues &job)
{
    m_job = job;
    m_allocation = job.allocationKind();
    BoundForm::Quiet quiet(*m_form);
    m_form->edit(m_kind.keyTag)->setText(job.number());
}

void FeeDetailsDialog::setViewing(const QString &number)
{
    m_job.reset();
    m_allocation = 0;
    m_viewing = true;
    m_save->setEnabled(false);
    BoundForm::Quiet quiet(*m_form);
    m_form->edit(m_kind.keyTag)->setText(number);
}

int FeeDetailsDialog::execMaximised()
{
    if (const QScreen *dialogScreen = screen())
        setGeometry(dialogScreen->availableGeometry());
    setWindowState(windowState() | Qt::WindowMaximized);
    return exec();
}

void FeeDetailsDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_loadPosted)
        return;
    m_loadPosted = true;
    // The dialog is on screen before the server is asked.
    QTimer::singleShot(0, this, &FeeDetailsDialog::LoadFees);
    applyAllocation();
}

void FeeDetailsDialog::applyAllocation()
{
    QList<int> disabled;
    if (m_allocation == 1 || m_allocation == 3)
        disabled << m_kind.warehouseFees;
    if (m_allocation == 2 || m_allocation == 3)
        disabled << m_kind.fleetFees;
    for (int tag : std::as_const(disabled)) {
        if (QWidget *field = m_form->field(tag))
            field->setEnabled(false);
    }
}

// --- loading ------------------------------------------------------------------------

void FeeDetailsDialog::LoadFees()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restoreCursor = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    const QString key = number();
    setWindowTitle(m_kind.caption + u'_' + key);

    // Until the row has been read, nothing may be saved over it.
    m_loadFailed = true;
    m_form->loaded().forget();
    const QString sql = u"select * from "_s + m_kind.table + u" where 业务编号='"_s + QuoteValue(key) + u'\'';
    {
        BoundForm::Quiet quiet(*m_form);
        const auto finish = qScopeGuard([this] {
            formatAmounts(true);
            try {
                RecalcFees();
            } catch (const KorvanError &) {
                // ReadAmount has marked the field and said why; the rest of the load goes on.
            }
            if (m_job) {
                for (const auto &[tag, column] : std::as_const(m_kind.unitNames))
                    SetControlValue(m_form->field(tag), m_job->column(column));
            }
            m_modified = false;
            updateButtons();
        });
        const QString answer = GetAppServer().openQuery(sql, QString(), 0);
        if (answer.startsWith(u"Err"_s)) {
            ReportOutcome(0, answer, sql);
            return;
        }
        ResultReader reader = ResultReader::fromAnswer(answer);
        try {
            const QString values = reader.rest().toString();
            if (!values.isEmpty())
                LoadByTag(values, this, m_form->lowTag(), m_form->highTag());
            m_form->loaded().keep({{sql, values}}, {m_kind.table}, key);
            m_loadFailed = false;
        } catch (const KorvanError &error) {
            ShowMessage(u"出错: \r"_s + error.message());
        }
    }
}

void FeeDetailsDialog::updateButtons()
{
    QLineEdit *flag = m_form->edit(m_kind.submittedTag);
    const bool submitted = flag && flag->text() == u"1"_s;
    const bool manager = CurrentUser().Position.contains(u"经理"_s);
    const bool editable = !m_loadFailed && (!submitted || manager);
    m_save->setEnabled(editable);
    m_submit->setEnabled(editable);
}

// --- the arithmetic -----------------------------------------------------------------

Amount FeeDetailsDialog::read(int tag) const
{
    QLineEdit *edit = m_form->edit(tag);
    if (!edit)
        throw KorvanError(u"费用明细没有 Tag %1 的字段"_s.arg(tag));
    return ReadAmount(edit);
}

Amount FeeDetailsDialog::groupSum(QChar group) const
{
    Amount total;
    for (const Term &term : m_groups.value(group)) {
        const Amount value = ReadAmount(term.field);
        total = term.adds ? total + value : total - value;
    }
    return total;
}

void FeeDetailsDialog::showTotal(int tag, const QString &text)
{
    QLineEdit *edit = m_form->edit(tag);
    if (edit && edit->text() != text)
        edit->setText(text);
}

void FeeDetailsDialog::RecalcFees()
{
    // Totals follow the amounts; they are no change of the user's.
    BoundForm::Quiet quiet(*m_form);
    const bool wasModified = m_modified;
    const auto keepFlag = qScopeGuard([this, wasModified] { m_modified = wasModified; });
    for (const FeeStep &step : std::as_const(m_kind.steps)) {
        switch (step.kind) {
        case FeeStep::Kind::Group:
            showTotal(step.target, ScaledToGroupedText(groupSum(step.group)));
            break;
        case FeeStep::Kind::LumpSumOrGroup: {
            const int lumpSum = step.sources.value(0);
            if (!read(lumpSum).isZero())
                showTotal(step.target, m_form->edit(lumpSum)->text());
            else
                showTotal(step.target, ScaledToGroupedText(groupSum(step.group)));
            break;
        }
        case FeeStep::Kind::Percent:
            showTotal(step.target, ScaledToGroupedText(read(step.sources.value(0)).percentOf(read(step.sources.value(1)))));
            break;
        case FeeStep::Kind::Sum: {
            Amount total;
            for (int tag : step.sources)
                total += read(tag);
            showTotal(step.target, ScaledToGroupedText(total));
            break;
        }
        case FeeStep::Kind::Copy:
            showTotal(step.target, m_form->edit(step.sources.value(0))->text());
            break;
        }
    }
}

// Every amount the user may type shown "#,##0.000", as leaving it does. With
// quietly, a text that is no amount stays as it is without a message.
void FeeDetailsDialog::formatAmounts(bool quietly)
{
    BoundForm::Quiet quiet(*m_form);
    for (QLineEdit *edit : std::as_const(m_amounts)) {
        QString text;
        if (quietly) {
            try {
                text = FormatGroupedAmount(ParseAmount(edit->text()));
            } catch (const KorvanError &) {
                continue;
            }
        } else {
            text = FormatAmountEdit(edit);
        }
        if (text != edit->text())
            edit->setText(text);
    }
}

// --- editing ------------------------------------------------------------------------

bool FeeDetailsDialog::eventFilter(QObject *watched, QEvent *event)
{
    auto *widget = qobject_cast<QWidget *>(watched);
    if (widget && isEnter(event)) {
        QWidget *field = qobject_cast<QComboBox *>(widget->parentWidget()) ? widget->parentWidget() : widget;
        if (qobject_cast<QLineEdit *>(field) || qobject_cast<QComboBox *>(field) || qobject_cast<QDateTimeEdit *>(field)) {
            focusNextChild();
            return true;
        }
    }
    if (widget && event->type() == QEvent::FocusOut) {
        // A message box or a list popping up is no leaving of the field.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            fieldLeft(widget);
    }
    return QDialog::eventFilter(watched, event);
}

void FeeDetailsDialog::fieldLeft(QWidget *field)
{
    if (m_leaving)
        return;
    const QScopedValueRollback<bool> leaving(m_leaving, true);
    try {
        auto *edit = qobject_cast<QLineEdit *>(field);
        if (edit && !edit->isReadOnly() && !qobject_cast<QComboBox *>(edit->parentWidget())) {
            const QString text = FormatAmountEdit(edit);
            if (text != edit->text())
                edit->setText(text);
        }
        RecalcFees();
    } catch (const KorvanError &) {
        // ReadAmount has marked the field and said why.
    }
}

void FeeDetailsDialog::fillAgents()
{
    QComboBox *agent = m_form->combo(m_kind.agentTag);
    if (!agent || agent->count() > 0)
        return;
    std::optional<ResultReader> answer = OpenQueryStep(u"SELECT 简称 FROM 单位 WHERE 代理='1'"_s);
    if (!answer)
        return;
    QStringList names;
    while (!answer->atEnd())
        names << answer->next();
    // Filling the list is no change of the fees: the text stays.
    BoundForm::Quiet quiet(*m_form);
    const QString text = agent->currentText();
    agent->addItems(names);
    SetControlValue(agent, text);
}

// --- saving, submitting, printing, closing ----------------------------------------

bool FeeDetailsDialog::SaveFees()
{
    if (m_loadFailed)
        return false;
    try {
        formatAmounts(false);
        RecalcFees();
    } catch (const KorvanError &error) {
        // An amount that cannot be read has been shown by ReadAmount.
        if (!error.message().startsWith(u"值过大或无效!"_s))
            ShowMessage(error.message());
        return false;
    }
    std::optional<QString> answer;
    QString failed; // the statement the run log names
    try {
        answer = m_form->saveRecord(m_kind.table, number(), u"费用明细"_s, &failed);
    } catch (const StaleRecordError &stale) {
        if (AskReloadAfterStaleSave(stale))
            LoadFees();
        return false;
    } catch (const KorvanError &error) {
        ShowMessage(error.message());
        return false;
    }
    if (!answer)
        return false;
    if (answer->startsWith(u"Err"_s)) {
        ReportOutcome(0, *answer, failed);
        return false;
    }
    ReportOutcome(1, QString(), QString());
    m_modified = false;
    return true;
}

bool FeeDetailsDialog::SubmitFees()
{
    QLineEdit *flag = m_form->edit(m_kind.submittedTag);
    const QString before = flag->text();
    {
        BoundForm::Quiet quiet(*m_form);
        flag->setText(u"1"_s);
    }
    if (!SaveFees()) {
        BoundForm::Quiet quiet(*m_form);
        flag->setText(before);
        return false;
    }
    m_save->setEnabled(false);
    m_submit->setEnabled(false);
    return true;
}

void FeeDetailsDialog::PrintPage()
{
    if (m_kind.printable)
        PrintActivePage(m_pages, windowTitle(), this);
}

void FeeDetailsDialog::reject()
{
    if (m_save->isEnabled() && m_modified && !m_viewing) {
        const auto answer = MessageService::ask(u"提示"_s, u"当前数据已修改，是否保存？"_s,
                                                MessageService::Yes | MessageService::No | MessageService::Cancel,
                                                MessageService::Icon::Information);
        if (answer != MessageService::Yes && answer != MessageService::No)
            return;
        if (answer == MessageService::Yes && !SaveFees())
            return;
    }
    QDialog::reject();
}
