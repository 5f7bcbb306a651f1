#include "cargojobwindow.h"

#include "boundform.h"
#include "captionname.h"
#include "cargojobfields.h"
#include "cargojobtags.h"
#include "currentuser.h"
#include "dropdowncombo.h"
#include "fieldvalues.h"
#include "focushighlighter.h"
#include "jobpages.h"
#include "jobtabs.h"
#include "korvanerror.h"
#include "marks.h"
#include "messageservice.h"
#include "queryhelpers.h"
#include "savekey.h"
#include "serverconnection.h"
#include "stringgrid.h"
#include "tagbinding.h"
#include "tgetnewywbhfrm.h"
#include "tmainfrm.h"
#include "transactionguard.h"
#include "tywdata.h"
#include "values.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QStyle>
#include <QTabWidget>
#include <QTextDocument>
#include <QToolBar>
#include <QVBoxLayout>

#include <exception>

using namespace Qt::StringLiterals;
using namespace CommFunU;
using namespace CargoJobFields;

namespace {

// An amount the user types (Hint "1": 总毛重, 总净重, 总尺码).
QLineEdit *typedAmount(QWidget *field)
{
    auto *edit = qobject_cast<QLineEdit *>(field);
    return edit && !edit->isReadOnly() && HintOf(edit) == u"1"_s ? edit : nullptr;
}


// The lists fetched when first dropped down; one query fills every box of a row.
struct PickList {
    QList<int> tags;
    const char16_t *sql;
};

const QList<PickList> &pickLists()
{
    static const QList<PickList> lists{
        {{JobTag::Salesman, JobTag::Operator}, u"SELECT 职员姓名 FROM 职员"},
        {{JobTag::Client}, u"SELECT 简称 FROM 单位 WHERE  委托人='1'"},
        {{JobTag::BookingParty}, u"SELECT 简称 FROM 单位 WHERE 订舱单位='1'"},
        {{JobTag::Country}, u"SELECT DISTINCT(国家) FROM 港口 "},
        {{JobTag::Destination, JobTag::LoadingPort, JobTag::DischargePort, JobTag::TranshipmentPort},
         u"SELECT  港口名称 FROM 港口  ORDER BY 港口名称"},
        {{JobTag::Broker}, u"SELECT 简称 FROM 单位 WHERE 报关行='1'"},
        {{JobTag::Fleet}, u"SELECT 简称 FROM 单位 WHERE 车队='1'"},
        {{JobTag::Warehouse}, u"SELECT 简称 FROM 单位 WHERE 仓库='1'"},
    };
    return lists;
}

const PickList *pickListOf(int tag)
{
    for (const PickList &list : pickLists()) {
        if (list.tags.contains(tag))
            return &list;
    }
    return nullptr;
}

// Enter looks the typed text up as a unit's code; every key re-reads the client.
bool isUnitBox(int tag)
{
    return tag == JobTag::Client || tag == JobTag::BookingParty || tag == JobTag::Broker || tag == JobTag::Fleet
           || tag == JobTag::Warehouse;
}

// Enter looks the typed text up as a port's number; every key re-reads the country.
bool isPortBox(int tag)
{
    return tag == JobTag::Destination || tag == JobTag::LoadingPort || tag == JobTag::DischargePort;
}

// The fields whose change reapplies the derived fields and enabling rules.
bool refreshesOnChange(int tag)
{
    switch (tag) {
    case JobTag::PackageKind:
    case JobTag::JobType:
    case JobTag::Transhipment:
    case JobTag::CarrierBill:
    case JobTag::ForwarderBill:
    case JobTag::AssignFleet:
    case JobTag::AssignWarehouse:
    case JobTag::SelfPacked:
    case JobTag::BackDated:
    case JobTag::IssuedEarly:
    case JobTag::TelexRelease:
        return true;
    default:
        return false;
    }
}

// The job's status as finance keeps it (the read-only block); key quoted.
QString financeStatement(const QString &key)
{
    return u"SELECT 美元收款日, 美元发票号, 已收1, 人民币收款日, 人民币发票号, 已收2, 订舱单位美元, "
           u"已付1, 订舱单位人民币, 已付2, 报关行人民币, 已付3, 车队人民币, 已付4, 仓库人民币, 已付5  "
           u"FROM 财务 where 业务编号='"_s
           + key + u'\'';
}

bool isChecked(const BoundForm *form, int tag)
{
    const auto *button = qobject_cast<QAbstractButton *>(form->field(tag));
    return button && button->isChecked();
}

} // namespace

CargoJobWindow::CargoJobWindow(JobTabs *tabs, CargoJobSettings settings, const FormTable &fields)
    : JobWindow(tabs)
    , m_settings(std::move(settings))
{
    setWindowTitle(m_settings.caption);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 4);
    layout->setSpacing(2);
    m_toolBar = new QToolBar(m_settings.caption, this);
    layout->addWidget(m_toolBar);
    auto *area = new QWidget(this);
    layout->addWidget(area, 1);
    m_form = new BoundForm(this);
    m_form->build(fields, area);
    m_record = BoundControls(this, JobTag::RecordLow, JobTag::RecordHigh);
    m_finance = BoundControls(this, JobTag::FinanceLow, JobTag::FinanceHigh);
    m_cargo = new CargoGrid(m_settings.grid, this);
    placeCargo();
    buildToolBar();
    wireFields();
    ClearJob();
}

CargoJobWindow::~CargoJobWindow() = default;

// --- building ------------------------------------------------------------------

void CargoJobWindow::placeCargo()
{
    // The grid fills the rest of the page that holds the marks.
    QTabWidget *pages = m_form->pages();
    QWidget *marks = m_form->field(JobTag::Marks);
    for (int i = 0; pages && marks && i < pages->count(); ++i) {
        auto *scroll = qobject_cast<QScrollArea *>(pages->widget(i));
        QWidget *body = scroll ? scroll->widget() : nullptr;
        if (!body || !body->isAncestorOf(marks))
            continue;
        auto *column = qobject_cast<QVBoxLayout *>(body->layout());
        if (!column)
            break;
        if (column->count() > 0 && column->itemAt(column->count() - 1)->spacerItem())
            delete column->takeAt(column->count() - 1);
        auto *box = new QGroupBox(u"集装箱"_s, body);
        auto *boxLayout = new QVBoxLayout(box);
        boxLayout->addWidget(m_cargo);
        column->addWidget(box, 1);
        break;
    }
    // The container summary sits under the grid it summarises.
    QWidget *summary = m_form->field(JobTag::ContainerSummary);
    QLabel *label = m_form->label(JobTag::ContainerSummary);
    if (summary) {
        for (QWidget *w : {static_cast<QWidget *>(label), summary}) {
            if (w && w->parentWidget() && w->parentWidget()->layout())
                w->parentWidget()->layout()->removeWidget(w);
        }
        m_cargo->addFieldBelow(label, summary);
    }
}

void CargoJobWindow::buildToolBar()
{
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_toolBar->setMovable(false);
    m_toolBar->setIconSize(QSize(16, 16));
    auto add = [this](const QString &caption, QStyle::StandardPixmap icon, std::function<void()> command) {
        QAction *action = icon == QStyle::SP_CustomBase ? m_toolBar->addAction(caption)
                                                        : m_toolBar->addAction(style()->standardIcon(icon), caption);
        action->setIconText(caption); // keeps the "..." of 另存为...
        connect(action, &QAction::triggered, this, [command = std::move(command)] { command(); });
        m_commands.insert(caption, action);
        return action;
    };
    BindSaveKey(this, add(u"保存"_s, QStyle::SP_DialogSaveButton, [this] {
        if (SaveJob())
            m_modified = false;
    }));
    add(u"新建业务"_s, QStyle::SP_FileIcon, [this] { NewJob(); });
    add(u"另存为..."_s, QStyle::SP_DirLinkIcon, [this] { SaveJobAs(); });
    add(u"删除业务"_s, QStyle::SP_TrashIcon, [this] { DeleteJob(); });
    m_toolBar->addSeparator();
    for (const QString &sheet : std::as_const(m_settings.sheetButtons)) {
        // The sheets are known by their names; the bar stays narrow enough
        // for a small screen.
        add(sheet, QStyle::SP_CustomBase, [this, sheet] { OpenSheet(sheet); });
        m_rules.insert(sheet, true);
        updateSheetCommand(sheet);
    }
    m_toolBar->addSeparator();
    add(u"关闭本页"_s, QStyle::SP_DialogCloseButton, [this] { CloseJobPage(); });
}

void CargoJobWindow::wireFields()
{
    connect(m_form, &BoundForm::modified, this, &CargoJobWindow::fieldChanged);
    for (QWidget *control : std::as_const(m_record)) {
        switch (BoundKindOf(control)) {
        case BoundKind::Edit:
        case BoundKind::Memo:
        case BoundKind::Combo:
        case BoundKind::Date:
        case BoundKind::Time:
            control->installEventFilter(this);
            break;
        default:
            break;
        }
        // What a new job carries over from the job shown before (the fields
        // with a Hint) is selected when entered, so typing replaces it.
        if (HintOf(control).isEmpty())
            continue;
        if (auto *edit = qobject_cast<QLineEdit *>(control))
            SelectWholeTextOnEntry(edit);
        else if (auto *combo = qobject_cast<QComboBox *>(control); combo && combo->lineEdit())
            SelectWholeTextOnEntry(combo->lineEdit());
    }
    // Derived and copied fields are read-only and no stop of the Tab key.
    for (int tag : {int(JobTag::TotalInWords), int(JobTag::ContainerSummary)})
        setRestingReadOnly(tag, true);
    for (const auto &[tag, name] : std::as_const(m_settings.fieldCopies)) {
        Q_UNUSED(tag)
        if (auto *copy = findChild<QLineEdit *>(name)) {
            copy->setReadOnly(true);
            copy->setFocusPolicy(Qt::ClickFocus);
            SetRestColour(copy, ButtonFaceColour());
        }
    }
    for (const PickList &list : pickLists()) {
        for (int tag : list.tags) {
            if (auto *combo = m_form->fieldAs<DropDownCombo>(tag))
                connect(combo, &DropDownCombo::aboutToDropDown, this, [this, combo] { fillPickList(combo); });
        }
    }
    m_cargo->setValidator([this] { return ValidateGoodsGrid(); });
    connect(m_cargo, &CargoGrid::edited, this, [this] { m_modified = true; });
    connect(m_cargo, &CargoGrid::tabbedOut, this, [this] { focusField(JobTag::Marks); });
}

// --- small helpers -------------------------------------------------------------

QString CargoJobWindow::fieldText(int tag) const
{
    QWidget *field = m_form->field(tag);
    return field ? rawValue(field) : QString();
}

// Writes a field only when its text differs, so that a refresh that changes
// nothing marks nothing as modified.
void CargoJobWindow::setFieldText(int tag, const QString &text)
{
    QWidget *field = m_form->field(tag);
    if (field && !shows(field, text))
        SetControlValue(field, text);
}

void CargoJobWindow::focusField(int tag)
{
    QWidget *field = m_form->field(tag);
    if (field && field->isEnabled() && field->isVisible() && field->focusPolicy() != Qt::NoFocus)
        field->setFocus();
}

void CargoJobWindow::setRestingReadOnly(int tag, bool readOnly)
{
    auto *edit = m_form->edit(tag);
    if (!edit)
        return;
    edit->setReadOnly(readOnly);
    SetRestColour(edit, readOnly ? ButtonFaceColour() : QColor(Qt::white));
    // The business number stays a stop of the Tab key when it cannot be changed.
    if (tag != JobTag::Number)
        edit->setFocusPolicy(readOnly ? Qt::ClickFocus : Qt::StrongFocus);
}

QString CargoJobWindow::BusinessNumber() const
{
    return fieldText(JobTag::Number);
}

bool CargoJobWindow::IsConsolidated() const
{
    const QString type = fieldText(JobTag::JobType);
    return type == u"货代自拼箱"_s || type == u"客户自拼箱"_s;
}

int CargoJobWindow::CurrentPage() const
{
    return m_form->pages() ? m_form->pages()->currentIndex() : 0;
}

void CargoJobWindow::refreshSafely()
{
    try {
        RefreshDerivedFields();
    } catch (const KorvanError &) {
        // An amount that does not parse stays as typed; saving reports it.
    }
}

// --- change tracking, lookups, pick lists -------------------------------------

void CargoJobWindow::fieldChanged(QWidget *field)
{
    const int tag = TagOf(field);
    if (tag < JobTag::RecordLow || tag > JobTag::RecordHigh)
        return; // the copies and the finance block are not the job's data
    // Derived fields follow the others: rewriting them is no edit.
    if (tag == JobTag::TotalInWords || tag == JobTag::ContainerSummary)
        return;
    m_modified = true;
    if (refreshesOnChange(tag))
        refreshSafely();
    else if (tag == JobTag::Client)
        ClientChanged();
    else if (tag == m_settings.countryPortTag)
        DestinationChanged();
    // A telex release needs a single original B/L.
    if (isChecked(m_form, JobTag::TelexRelease))
        setFieldText(JobTag::OriginalBills, u"ONE"_s);
}

void CargoJobWindow::ClientChanged()
{
    m_clientLookedUp = true;
    const QString client = QuoteValue(fieldText(JobTag::Client));
    try {
        if (auto salesman = OpenQueryStep(u"SELECT 业务员 FROM 单位 WHERE  简称='"_s + client + u'\''))
            setFieldText(JobTag::Salesman, salesman->next());
        if (auto shipper = OpenQueryStep(u"SELECT 英文名称 FROM 单位 WHERE  简称='"_s + client + u'\''))
            setFieldText(JobTag::Shipper, shipper->next());
    } catch (const KorvanError &) {
        // Only the server's own refusals are shown here.
    }
}

void CargoJobWindow::DestinationChanged()
{
    m_countryLookedUp = true;
    const QString port = QuoteValue(fieldText(m_settings.countryPortTag));
    try {
        if (auto country = OpenQueryStep(u"SELECT 国家 FROM 港口 WHERE 港口名称='"_s + port + u"' ORDER BY 国家"_s))
            setFieldText(JobTag::Country, country->next());
    } catch (const KorvanError &) {
    }
}

void CargoJobWindow::fillPickList(QComboBox *combo)
{
    const PickList *list = pickListOf(TagOf(combo));
    if (!list || combo->count() > 0)
        return;
    const QString sql = QString::fromUtf16(list->sql);
    std::optional<ResultReader> answer;
    try {
        answer = OpenQueryStep(sql);
    } catch (const KorvanError &) {
        return;
    }
    if (!answer)
        return;
    QStringList items;
    while (!answer->atEnd())
        items << answer->next();
    for (int tag : list->tags) {
        QComboBox *box = m_form->combo(tag);
        if (!box || box->count() > 0)
            continue;
        // Filling a list is no change of the job: the text stays as it was.
        const QSignalBlocker blocker(box);
        const QString text = box->currentText();
        box->addItems(items);
        box->setCurrentIndex(box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive));
        if (box->isEditable())
            box->setEditText(text);
    }
}

bool CargoJobWindow::comboKey(QComboBox *combo, int tag, QEvent *event)
{
    if (event->type() == QEvent::KeyRelease) {
        // A key pressed elsewhere (the Enter that opened the job and moved
        // the focus here) is no key of this box.
        if (m_keyBox != combo)
            return false;
        if (isUnitBox(tag) && !m_clientLookedUp)
            ClientChanged();
        if (isPortBox(tag) && !m_countryLookedUp)
            DestinationChanged();
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    auto *key = static_cast<QKeyEvent *>(event);
    m_clientLookedUp = false;
    m_countryLookedUp = false;
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (!enter || (!isUnitBox(tag) && !isPortBox(tag)))
        return false;
    const QString typed = combo->currentText();
    const QString found = isUnitBox(tag) ? LookupValue(typed, u"单位"_s, u"缩写代码"_s, u"简称"_s)
                                         : LookupNumber(typed, u"港口"_s, u"港口编号"_s, u"港口名称"_s);
    if (!found.isEmpty())
        SetControlValue(combo, found);
    if (combo->lineEdit())
        combo->lineEdit()->selectAll();
    return true;
}

bool CargoJobWindow::eventFilter(QObject *watched, QEvent *event)
{
    auto *field = qobject_cast<QWidget *>(watched);
    const int tag = field ? TagOf(field) : -1;
    if (tag < JobTag::RecordLow || tag > JobTag::RecordHigh)
        return JobWindow::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress)
        m_keyBox = qobject_cast<QComboBox *>(field);
    if (event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (QLineEdit *amount = typedAmount(field);
            amount && reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            refuseNoAmountLater(amount);
        refreshSafely();
        return false;
    }
    if (auto *combo = qobject_cast<QComboBox *>(field))
        return comboKey(combo, tag, event) || JobWindow::eventFilter(watched, event);
    if (event->type() != QEvent::KeyPress)
        return JobWindow::eventFilter(watched, event);
    auto *key = static_cast<QKeyEvent *>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    const bool plainTab = key->key() == Qt::Key_Tab && !(key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier));
    if (tag == JobTag::Number && enter) {
        OpenTypedNumber();
        return true;
    }
    // Tab at the end of the first page goes on to the goods page, and back.
    QWidget *marks = m_form->field(JobTag::Marks);
    QTabWidget *pages = m_form->pages();
    if (tag == JobTag::DestinationAgent && plainTab && isVisible() && marks && pages) {
        for (int i = 0; i < pages->count(); ++i) {
            if (pages->widget(i)->isAncestorOf(marks))
                pages->setCurrentIndex(i);
        }
        focusField(JobTag::Marks);
        return true;
    }
    if (tag == JobTag::Marks && key->key() == Qt::Key_Backtab && isVisible() && pages) {
        pages->setCurrentIndex(0);
        focusField(JobTag::DestinationAgent);
        return true;
    }
    return JobWindow::eventFilter(watched, event);
}

void CargoJobWindow::refuseNoAmountLater(QLineEdit *amount)
{
    // Once the focus has settled: a field left for another page or tab is
    // refused by 保存 instead, so that switching never holds the user.
    QMetaObject::invokeMethod(
        this,
        [amount = QPointer<QLineEdit>(amount)] {
            if (!amount || !amount->isVisible() || IsAmountText(amount->text()))
                return;
            try {
                ReadAmount(amount);
            } catch (const KorvanError &) {
                // marked and said by ReadAmount
            }
        },
        Qt::QueuedConnection);
}

// --- derived fields -------------------------------------------------------------

void CargoJobWindow::RefreshDerivedFields()
{
    QString failure;
    auto attempt = [&failure](const std::function<void()> &step) {
        try {
            step();
        } catch (const KorvanError &error) {
            if (failure.isEmpty())
                failure = error.message();
        }
    };
    setRestingReadOnly(JobTag::Number, m_stored == 1);
    for (int tag : {int(JobTag::GrossWeight), int(JobTag::NetWeight), int(JobTag::Volume)}) {
        // A text that is no amount stays as typed, to be refused, never
        // rewritten as the number its digits make.
        if (IsAmountText(fieldText(tag)))
            attempt([&] { setFieldText(tag, NormalizeAmount(fieldText(tag))); });
    }
    attempt([&] {
        setFieldText(JobTag::TotalInWords, u"SAY "_s + AmountInWords(fieldText(JobTag::Packages).trimmed()) + u' '
                                               + fieldText(JobTag::PackageKind) + u" ONLY"_s);
    });

    // Only a consolidated job has a consolidation number of its own.
    setRestingReadOnly(JobTag::ConsolidationNumber, !IsConsolidated());

    const bool transhipment = isChecked(m_form, JobTag::Transhipment);
    for (int tag : {int(JobTag::TranshipmentPort), int(JobTag::SecondBill), int(JobTag::SecondVessel),
                    int(JobTag::SecondVoyage), int(JobTag::TranshipmentInfo)}) {
        if (QWidget *field = m_form->field(tag))
            field->setEnabled(transhipment);
    }

    if (QWidget *house = m_form->field(JobTag::HouseBill)) {
        if (isChecked(m_form, JobTag::CarrierBill))
            house->setEnabled(false);
        else if (isChecked(m_form, JobTag::ForwarderBill))
            house->setEnabled(true);
    }

    const bool fleet = isChecked(m_form, JobTag::AssignFleet);
    const bool warehouse = isChecked(m_form, JobTag::AssignWarehouse);
    const int stuffing[] = {JobTag::StuffingAddress, JobTag::Requirements, JobTag::StuffingDate, JobTag::StuffingTime,
                            JobTag::Contact};
    auto enable = [this](int tag, bool on) {
        if (QWidget *field = m_form->field(tag))
            field->setEnabled(on);
    };
    auto relabel = [this](int tag, const QString &caption) {
        if (QLabel *label = m_form->label(tag))
            label->setText(caption);
        if (QWidget *field = m_form->field(tag))
            NameByCaption(field, caption);
    };
    if (fleet || warehouse) {
        enable(JobTag::Fleet, fleet);
        enable(JobTag::Warehouse, warehouse);
        QWidget *address = m_form->field(JobTag::StuffingAddress);
        if (auto *box = address ? qobject_cast<QGroupBox *>(address->parentWidget()) : nullptr)
            box->setTitle(fleet ? u"装箱信息"_s : u"仓库信息"_s);
        relabel(JobTag::StuffingAddress, fleet ? u"装箱地址"_s : u"仓库地址"_s);
        relabel(JobTag::StuffingDate, fleet ? u"装箱时间"_s : u"入仓时间"_s);
        relabel(JobTag::Requirements, fleet ? u"特殊要求"_s : u"备注"_s);
        for (int tag : stuffing)
            enable(tag, true);
    } else if (isChecked(m_form, JobTag::SelfPacked)) {
        enable(JobTag::Fleet, false);
        enable(JobTag::Warehouse, false);
        for (int tag : stuffing)
            enable(tag, false);
    }

    for (const auto &[tag, name] : std::as_const(m_settings.fieldCopies)) {
        auto *copy = findChild<QLineEdit *>(name);
        const QString text = fieldText(tag);
        if (copy && copy->text() != text)
            copy->setText(text);
    }
    RefreshOwnFields();
    if (!failure.isEmpty())
        throw KorvanError(failure);
}

QString CargoJobWindow::ContainerSummary() const
{
    return m_cargo->containerSummary();
}

bool CargoJobWindow::ValidateGoodsGrid()
{
    if (m_cargo->isBlank()) {
        setFieldText(JobTag::ContainerSummary, QString());
        return true;
    }
    // Other cells are filled: the rows are cargo, and the first needs its type.
    if (m_cargo->firstTypeBlank()) {
        m_cargo->refuseCell(1, 0, u"第1行的箱类型不能为空"_s);
        return false;
    }
    if (m_settings.oneCargoRowWhenConsolidated && IsConsolidated() && m_cargo->cargoRowCount() > 1) {
        MessageService::inform(u"出错"_s, u"拼箱业务货物不能超过一件!"_s, MessageService::Icon::Warning);
        return false;
    }
    int passed = 0;
    const bool valid = m_cargo->normaliseRows(&passed);
    if (passed > 0) {
        refreshSafely();
        setFieldText(JobTag::ContainerSummary, m_cargo->containerSummary());
    }
    return valid;
}

// --- the page operations -----------------------------------------------------------

void CargoJobWindow::ClearJob()
{
    m_keyBox = nullptr;
    {
        BoundForm::Quiet quiet(*m_form);
        m_cargo->reset();
        if (m_form->pages())
            m_form->pages()->setCurrentIndex(0);
        // The radio buttons the table checks (船公司提单; 分配车队 of an
        // import job) are checked in every new job, their neighbours not.
        for (const FormField &entry : m_form->table()) {
            auto *radio = entry.kind == FieldKind::Radio && entry.text == u"1"_s
                              ? qobject_cast<QAbstractButton *>(m_form->field(entry.tag))
                              : nullptr;
            if (radio)
                radio->setChecked(true);
        }
        // Fields with a Hint keep their text: a new tab starts with the
        // loading port, the places and the goods the window showed last.
        clearFields(m_record);
        clearFields(m_finance);
        // Lists filled from the database start empty, not on their first
        // unit or port; fixed lists start on their declared item.
        for (const FormField &entry : m_form->table()) {
            QComboBox *combo = entry.kind == FieldKind::Combo ? m_form->combo(entry.tag) : nullptr;
            if (!combo || !entry.hint.isEmpty())
                continue;
            if (pickListOf(entry.tag)) {
                combo->setCurrentIndex(-1);
                combo->setEditText(QString());
            } else if (!entry.text.isEmpty()) {
                SetControlValue(combo, entry.text);
            }
        }
        setFieldText(JobTag::Operator, CurrentUser().StaffName);
        m_stored = 0;
        m_modified = false;
        refreshSafely();
    }
    focusField(JobTag::Number);
    m_stored = 0;
    m_modified = false;
}

void CargoJobWindow::FocusMainInput()
{
    // A blank page waits for its business number; a job for its client.
    if (m_stored == 0 && BusinessNumber().trimmed().isEmpty())
        focusField(JobTag::Number);
    else
        focusField(JobTag::Client);
}

void CargoJobWindow::SaveState(TYWData &page)
{
    page.Window = this;
    page.MainText = encodeFields(rawValues(m_record + m_finance));
    page.GridText = encodeRows(m_cargo->allRows(), CargoGrid::Columns);
    page.PageIndex = CurrentPage();
    page.Stored = m_stored;
    page.Modified = m_modified ? 1 : 0;
}

void CargoJobWindow::restoreSnapshot(const QString &mainText, const QString &gridText)
{
    setRawValues(m_record + m_finance, decodeFields(mainText));
    const QList<QStringList> rows = decodeRows(gridText);
    if (rows != m_cargo->allRows())
        m_cargo->setAllRows(rows);
}

void CargoJobWindow::RestoreState(const TYWData &page)
{
    BoundForm::Quiet quiet(*m_form);
    restoreSnapshot(page.MainText, page.GridText);
    if (QTabWidget *pages = m_form->pages(); pages && page.PageIndex >= 0 && page.PageIndex < pages->count())
        pages->setCurrentIndex(page.PageIndex);
    m_stored = page.Stored;
    m_modified = page.Modified != 0;
    refreshSafely();
    m_stored = page.Stored;
    m_modified = page.Modified != 0;
    // Finance may have changed the job's status since the page was left.
    if (m_stored == 1)
        reloadFinance();
}

void CargoJobWindow::reloadFinance()
{
    std::optional<ResultReader> finance;
    try {
        finance = OpenQueryStep(financeStatement(QuoteValue(BusinessNumber())));
    } catch (const KorvanError &) {
        return; // the next action meets the lost connection; the page shows as it was
    }
    if (!finance)
        return;
    BoundForm::Quiet quiet(*m_form);
    try {
        if (finance->atEnd())
            clearFields(m_finance);
        else
            loadFields(finance->rest().toString(), m_finance);
    } catch (const KorvanError &) {
        // A stored date that cannot be read: the block keeps what it showed.
    }
}

// --- opening and loading ---------------------------------------------------------

void CargoJobWindow::OpenTypedNumber()
{
    const QString number = fieldText(JobTag::Number).trimmed();
    if (number.isEmpty())
        return;
    const QString caption = m_settings.tabPrefix + number;
    for (int i = 0; Tabs() && i < Tabs()->count(); ++i) {
        if (Tabs()->tabText(i) == caption) {
            MessageService::inform(u"提示"_s, u"此业务已打开"_s + number, MessageService::Icon::Warning);
            return;
        }
    }
    if (LoadJob(number))
        m_modified = false;
}

void CargoJobWindow::failLoad(const QString &number)
{
    // Nothing half-loaded stays on screen to be saved over the job's rows.
    ClearJob();
    BoundForm::Quiet quiet(*m_form);
    setFieldText(JobTag::Number, number);
}

bool CargoJobWindow::LoadJob(const QString &businessNumber)
{
    const QString key = QuoteValue(businessNumber);
    QString sql = u"select *  from "_s + m_settings.jobTable + u" where 业务编号='"_s + key + u'\'';
    const QString filter = OperatorFilter();
    if (!filter.isEmpty())
        sql += u" and "_s + filter;
    // The three answers are all in hand before any field changes.
    std::optional<ResultReader> job = OpenQueryStep(sql);
    if (!job || job->atEnd())
        return false; // refused (and shown), or no such job for this user
    const QString record = job->rest().toString();
    std::optional<ResultReader> cargo = OpenQueryStep(CargoGrid::selectStatement(m_settings.cargoTable, businessNumber));
    std::optional<ResultReader> finance;
    if (cargo) {
        finance = OpenQueryStep(financeStatement(key));
    }
    if (!cargo || !finance) {
        failLoad(businessNumber);
        return false;
    }
    try {
        BoundForm::Quiet quiet(*m_form);
        loadFields(record, m_record);
        m_cargo->setCargoRows(cargo->rows());
        // A job without a finance row shows a clear block, never the last
        // job's; a row gives every control of the block its value.
        if (finance->atEnd())
            clearFields(m_finance);
        else
            loadFields(finance->rest().toString(), m_finance);
        m_stored = 1;
        refreshSafely();
        setFieldText(JobTag::ContainerSummary, m_cargo->containerSummary());
    } catch (const KorvanError &error) {
        ShowMessage(u"出错: \r"_s + error.message());
        failLoad(businessNumber);
        return false;
    }
    RenameCurrentTab(m_settings.tabPrefix + businessNumber);
    m_modified = false;
    focusField(JobTag::Client);
    return true;
}

// --- saving ------------------------------------------------------------------------

bool CargoJobWindow::SaveJob()
{
    for (int tag : {int(JobTag::Number), int(JobTag::Salesman), int(JobTag::Client)}) {
        if (!CheckRequired(m_form->field(tag)))
            return false;
    }
    if (!ValidateGoodsGrid())
        return false;
    try {
        for (QWidget *control : std::as_const(m_record)) {
            if (QLineEdit *amount = typedAmount(control))
                ReadAmount(amount);
        }
    } catch (const KorvanError &) {
        return false; // the field is marked and the message shown
    }
    const QString number = BusinessNumber();
    // What went wrong is shown once the transaction is closed, so that no
    // message box keeps the other users waiting for the database.
    QString failedSql;
    QString failedAnswer;
    QString failureText;
    try {
        RefreshDerivedFields();
        const QString values = BuildValuesList(SaveByTag(this, JobTag::RecordLow, JobTag::RecordHigh, 1));
        ServerConnection &server = GetAppServer();
        {
            TransactionGuard transaction(server);
            auto run = [&](const QString &statement) {
                const QString answer = server.execSql(statement, QString());
                if (answer.startsWith(u"Err"_s)) {
                    failedSql = statement;
                    failedAnswer = answer;
                    return false;
                }
                return true;
            };
            if (!transaction.begun()) {
                failedSql = u"BeginTrans"_s;
                failedAnswer = transaction.lastAnswer();
            } else {
                const QString removal = u"delete from "_s + m_settings.jobTable + u" where 业务编号='"_s
                                        + QuoteValue(number) + u'\'';
                const bool written = (m_stored != 1 || run(removal))
                                     && run(u"insert into "_s + m_settings.jobTable + u' ' + values);
                if (written) {
                    failureText = m_cargo->saveRows(server, m_settings.cargoTable, number);
                    if (failureText.isEmpty() && !transaction.commit()) {
                        failedSql = u"CommitTrans"_s;
                        failedAnswer = transaction.lastAnswer();
                    }
                }
            }
        } // rolled back here unless committed
    } catch (const KorvanError &error) {
        ShowMessage(u"异常:"_s + error.message());
        throw;
    }
    if (!failureText.isEmpty()) {
        ShowMessage(failureText);
        return false;
    }
    if (!failedAnswer.isEmpty()) {
        ReportOutcome(0, failedAnswer, failedSql);
        return false;
    }
    ReportOutcome(1, QString(), QString());
    m_stored = 1;
    refreshSafely();
    RenameCurrentTab(m_settings.tabPrefix + number);
    return true;
}

bool CargoJobWindow::ConfirmSaved()
{
    if (!m_modified)
        return true;
    const auto answer = MessageService::ask(u"提示"_s, u"当前业务已修改，请保存！"_s,
                                            MessageService::Ok | MessageService::Cancel,
                                            MessageService::Icon::Information);
    if (answer != MessageService::Ok || !SaveJob())
        return false;
    m_modified = false;
    return true;
}

void CargoJobWindow::CloseJobPage()
{
    if (m_modified) {
        const auto answer = MessageService::ask(u"提示"_s, u"当前业务已修改，是否保存？"_s,
                                                MessageService::Yes | MessageService::No | MessageService::Cancel,
                                                MessageService::Icon::Information);
        if (answer == MessageService::Cancel || answer == MessageService::NoButton)
            return;
        if (answer == MessageService::Yes) {
            if (!SaveJob())
                return;
            m_modified = false;
        }
    }
    if (TMainFrm *main = TMainFrm::instance())
        main->Post(TMainFrm::ClosePageMessage);
}

// --- new numbers and copies ----------------------------------------------------------

std::optional<QString> CargoJobWindow::askNewNumber()
{
    TGetNewYWBHFrm dialog(this);
    dialog.setTableName(m_settings.jobTable);
    dialog.exec();
    if (dialog.resultCode() != 1)
        return std::nullopt;
    return dialog.number();
}

bool CargoJobWindow::requestNewPage()
{
    TMainFrm *main = TMainFrm::instance();
    return main && main->Perform(m_settings.newPageMessage) == 1 && CurrentRecord();
}

void CargoJobWindow::NewJob()
{
    const std::optional<QString> number = askNewNumber();
    // When no new tab opens, the tab on screen stays as it was.
    if (!number || !requestNewPage())
        return;
    setFieldText(JobTag::Number, *number);
    for (const auto &[tag, text] : std::as_const(m_settings.newJobTexts))
        setFieldText(tag, text);
    refreshSafely();
}

void CargoJobWindow::SaveJobAs()
{
    if (!CurrentRecord())
        return; // only a page of this window can be copied
    const std::optional<QString> number = askNewNumber();
    if (!number)
        return;
    const int source = Tabs()->currentIndex();
    if (!requestNewPage())
        return;
    const TYWData *from = Tabs()->page(source);
    if (!from)
        return;
    {
        // The copy keeps its fields as they were: no lookup runs.
        BoundForm::Quiet quiet(*m_form);
        restoreSnapshot(from->MainText, from->GridText);
        setFieldText(JobTag::Number, *number);
        m_stored = 0;
        refreshSafely();
    }
    m_stored = 0;
    m_modified = true;
    FocusMainInput();
}

// --- deleting ---------------------------------------------------------------------------

bool CargoJobWindow::DeleteJob()
{
    if (m_stored != 1) {
        MessageService::inform(u"提示"_s, u"当前业务未保存，不能删除？"_s, MessageService::Icon::Information);
        return false;
    }
    if (MessageService::ask(u"提示"_s, u"是否要删除当前业务？"_s, MessageService::Yes | MessageService::No,
                            MessageService::Icon::Warning)
        != MessageService::Yes)
        return false;
    const QString number = BusinessNumber();
    if (!LookupValue(number, m_settings.feeTable, u"业务编号"_s, u"业务编号"_s).isEmpty()
        && MessageService::ask(u"提示"_s, u"当前业务已有费用记录,确实要删除此业务？"_s,
                               MessageService::Ok | MessageService::Cancel, MessageService::Icon::Warning)
               != MessageService::Ok)
        return false;

    const QString key = QuoteValue(number);
    QStringList statements{u"delete from "_s + m_settings.jobTable + u" where  业务编号='"_s + key + u'\''};
    for (const QString &table : std::as_const(m_settings.dependentTables))
        statements << u"delete from "_s + table + u" where 业务编号='"_s + key + u'\'';
    ServerConnection *server = nullptr;
    try {
        server = &GetAppServer();
    } catch (const KorvanError &) {
        return false; // the provider has said why
    }
    // The job and everything that hangs on it go together or not at all.
    QString failure;
    {
        TransactionGuard transaction(*server);
        if (!transaction.begun()) {
            failure = u"出错: \rBeginTrans"_s + transaction.lastAnswer().mid(3);
        } else {
            for (const QString &sql : std::as_const(statements)) {
                const QString answer = server->execSql(sql, QString());
                if (answer.startsWith(u"Err"_s)) {
                    failure = u"出错: \r"_s + sql + answer.mid(3);
                    break;
                }
            }
            if (failure.isEmpty() && !transaction.commit())
                failure = u"出错: \rCommitTrans"_s + transaction.lastAnswer().mid(3);
        }
    }
    if (!failure.isEmpty()) {
        ShowMessage(failure);
        return false;
    }
    if (TMainFrm *main = TMainFrm::instance())
        main->Post(TMainFrm::ClosePageMessage);
    return true;
}

// --- satellite sheets ---------------------------------------------------------------------

void CargoJobWindow::SetSheetOpener(const QString &button, SheetOpener opener)
{
    m_openers.insert(button, std::move(opener));
    updateSheetCommand(button);
}

void CargoJobWindow::SetSheetRule(const QString &button, bool enabled)
{
    m_rules.insert(button, enabled);
    updateSheetCommand(button);
}

bool CargoJobWindow::SheetRule(const QString &button) const
{
    return m_rules.value(button, false);
}

void CargoJobWindow::updateSheetCommand(const QString &button)
{
    if (QAction *action = m_commands.value(button))
        action->setEnabled(m_rules.value(button, false) && bool(m_openers.value(button)));
}

void CargoJobWindow::OpenSheet(const QString &button)
{
    const SheetOpener opener = m_openers.value(button);
    QAction *action = m_commands.value(button);
    if (!opener || (action && !action->isEnabled()))
        return;
    if (m_stored != 1) {
        ShowMessage(u"请先保存当前业务!"_s);
        return;
    }
    if (!ConfirmSaved())
        return;
    try {
        opener(JobValues(), this);
    } catch (const KorvanError &error) {
        ReportWindowFailure(error.message());
    } catch (const std::exception &error) {
        ReportWindowFailure(QString::fromLocal8Bit(error.what()));
    }
}

CargoJobValues CargoJobWindow::JobValues() const
{
    CargoJobValues values;
    for (const FormField &entry : m_form->table()) {
        const bool job = entry.tag >= JobTag::RecordLow && entry.tag <= JobTag::RecordHigh;
        const bool finance = entry.tag >= JobTag::FinanceLow && entry.tag <= JobTag::FinanceHigh;
        QWidget *field = m_form->field(entry.tag);
        if (!entry.isBound() || (!job && !finance) || !field)
            continue;
        QString value;
        try {
            value = ControlValue(field);
        } catch (const KorvanError &) {
            value = rawValue(field);
        }
        values.columns.insert(entry.name.isEmpty() ? entry.label : entry.name, value);
    }
    if (!m_cargo->isBlank())
        values.cargoRows = m_cargo->cargoRows();
    values.saved = m_stored == 1;
    values.modified = m_modified;
    values.allocationWhenNone = m_settings.allocationWhenNone;
    return values;
}

// --- cargo rewritten elsewhere -----------------------------------------------------------

int CargoJobWindow::ReloadCargoOf(const QStringList &numbers)
{
    const auto storedRows = [this](const QString &number) -> std::optional<QList<QStringList>> {
        std::optional<ResultReader> cargo = OpenQueryStep(CargoGrid::selectStatement(m_settings.cargoTable, number));
        if (!cargo)
            return std::nullopt;
        return cargo->rows();
    };
    const auto shown = [&numbers](const QString &number) {
        return !number.trimmed().isEmpty() && numbers.contains(number);
    };
    const qsizetype numberAt = m_record.indexOf(m_form->field(JobTag::Number));
    const qsizetype summaryAt = m_record.indexOf(m_form->field(JobTag::ContainerSummary));
    int refreshed = 0;
    const TYWData *onScreen = CurrentRecord();
    for (int i = 0; Tabs() && i < Tabs()->count(); ++i) {
        TYWData *page = Tabs()->page(i);
        if (!page || page->Window != this)
            continue;
        if (page == onScreen) {
            if (m_stored != 1 || !shown(BusinessNumber()))
                continue;
            const std::optional<QList<QStringList>> rows = storedRows(BusinessNumber());
            if (!rows)
                continue;
            BoundForm::Quiet quiet(*m_form);
            m_cargo->setCargoRows(*rows);
            setFieldText(JobTag::ContainerSummary, m_cargo->containerSummary());
            ++refreshed;
            continue;
        }
        QStringList values = decodeFields(page->MainText);
        if (page->Stored != 1 || !shown(values.value(numberAt)))
            continue;
        const std::optional<QList<QStringList>> rows = storedRows(values.value(numberAt));
        if (!rows)
            continue;
        page->GridText = encodeRows(CargoGrid::gridRowsOf(*rows), CargoGrid::Columns);
        if (summaryAt >= 0 && summaryAt < values.size()) {
            values[summaryAt] = CargoGrid::summaryOf(*rows);
            page->MainText = encodeFields(values);
        }
        ++refreshed;
    }
    return refreshed;
}
