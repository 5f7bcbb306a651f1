#include "joblistfilters.h"

#include "boundform.h"
#include "currentuser.h"
#include "dropdowncombo.h"
#include "queryhelpers.h"
#include "values.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QVBoxLayout>

#include <functional>

using namespace Qt::StringLiterals;
using namespace CommFunU;

namespace {

// The boxes in their order, each with its Tag in the form; column is the
// basic table's column an edit box compares with ('=' and the quoted text).
struct BoxEntry {
    JobListFilters::Box box;
    const char16_t *label;
    FieldKind kind;
    const char16_t *column;
    bool aliased; // 船名 and 航次 are named without the table's alias
};

const BoxEntry boxEntries[] = {
    {JobListFilters::Number, u"业务编号:", FieldKind::Edit, u"业务编号", true},
    {JobListFilters::Verification, u"核销单号:", FieldKind::Edit, u"核销单号", true},
    {JobListFilters::ClientRef, u"委托编号:", FieldKind::Edit, u"委托编号", true},
    {JobListFilters::Vessel, u"船    名:", FieldKind::Edit, u"船名", false},
    {JobListFilters::Voyage, u"航    次:", FieldKind::Edit, u"航次", false},
    {JobListFilters::BillOfLading, u"提 单 号:", FieldKind::Edit, u"提单号", true},
    {JobListFilters::Unit, u"单位名称:", FieldKind::Combo, nullptr, true},
    {JobListFilters::Operator, u"操 作 员:", FieldKind::Combo, u"操作员", true},
    {JobListFilters::Port, u"港    口:", FieldKind::Combo, u"卸货港", true},
    {JobListFilters::Department, u"部    门:", FieldKind::Combo, nullptr, true},
};

int tagOf(JobListFilters::Box box)
{
    return 10 * (int(box) + 1);
}

constexpr int FromTag = 200;
constexpr int ToTag = 210;

FormTable fields(const JobListFilters::Options &options)
{
    FormTable table{Field::group(options.title).withColumns(4)};
    for (const BoxEntry &entry : boxEntries) {
        if (options.vesselBoxes || (entry.box != JobListFilters::Vessel && entry.box != JobListFilters::Voyage))
            table << Field::make(entry.kind, tagOf(entry.box), QString::fromUtf16(entry.label));
    }
    table << Field::date(FromTag, u"船期:自"_s) << Field::date(ToTag, u"到"_s);
    return table;
}

// Jobs whose operator belongs to the department.
QString departmentCondition(const QString &alias, const QString &department)
{
    return u"("_s + alias + u"操作员 in (SELECT 职员.职员姓名 FROM 职员 WHERE (职员.所属部门)='"_s
           + QuoteValue(department) + u"'))"_s;
}

// What a restricting box that is blank lets through: nothing.
const QString Nothing = u"(1=0)"_s;

bool isBlank(const QString &text)
{
    return text.trimmed().isEmpty();
}

// Replaces a pick list's items; the text in the box stays.
void setItems(QComboBox *list, const QStringList &items)
{
    const QString typed = list->currentText();
    const QSignalBlocker quiet(list);
    list->clear();
    list->addItems(items);
    list->setCurrentIndex(int(items.indexOf(typed)));
    list->setEditText(typed);
}

QStringList valuesOf(const QString &sql)
{
    QStringList values;
    std::optional<ResultReader> reader = OpenQueryStep(sql);
    if (!reader)
        return values;
    while (!reader->atEnd()) {
        const QString value = reader->next();
        if (!value.isEmpty())
            values << value;
    }
    return values;
}

} // namespace

JobListFilters::JobListFilters(const Options &options, QWidget *parent)
    : QWidget(parent)
    , m_options(options)
    , m_form(new BoundForm(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_form->build(fields(options), this);
    // The group lines up with the buttons and the list below it.
    if (QWidget *body = layout->itemAt(0)->widget(); body && body->layout())
        body->layout()->setContentsMargins(0, 0, 0, 0);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);

    // The lists are filled when they first drop down; the operators every
    // time, for the department then in its box.
    const auto fillWith = [this](Box b, std::function<void(QComboBox *)> fill) {
        auto *list = static_cast<DropDownCombo *>(box(b));
        connect(list, &DropDownCombo::aboutToDropDown, this, [list, fill] { fill(list); });
    };
    fillWith(Unit, [this](QComboBox *list) { fillOnce(list, u"SELECT 简称 FROM 单位 order by 简称"_s); });
    fillWith(Port, [this](QComboBox *list) { fillOnce(list, u"SELECT 港口名称 FROM 港口 order by 港口名称"_s); });
    fillWith(Department, [this](QComboBox *list) { fillOnce(list, u"SELECT 部门名称 FROM 部门 "_s); });
    fillWith(Operator, [this](QComboBox *list) { fillOperators(list); });

    const QDate today = QDate::currentDate();
    setPeriod(MonthStart(today), MonthEnd(today));
}

JobListFilters::~JobListFilters() = default;

QWidget *JobListFilters::box(Box b) const
{
    return m_form->field(tagOf(b));
}

QDateTimeEdit *JobListFilters::fromEdit() const
{
    return m_form->picker(FromTag);
}

QDateTimeEdit *JobListFilters::toEdit() const
{
    return m_form->picker(ToTag);
}

QLineEdit *JobListFilters::edit(Box b) const
{
    return qobject_cast<QLineEdit *>(box(b));
}

QComboBox *JobListFilters::combo(Box b) const
{
    return qobject_cast<QComboBox *>(box(b));
}

QString JobListFilters::text(Box b) const
{
    if (const QLineEdit *e = edit(b))
        return e->text();
    if (const QComboBox *c = combo(b))
        return c->currentText();
    return QString();
}

void JobListFilters::setText(Box b, const QString &value)
{
    if (QLineEdit *e = edit(b)) {
        e->setText(value);
    } else if (QComboBox *c = combo(b)) {
        c->setCurrentIndex(int(c->findText(value)));
        c->setEditText(value);
    }
}

void JobListFilters::setLocked(Box b, const QString &value, bool restricts)
{
    setText(b, value);
    box(b)->setEnabled(false);
    m_restricted[size_t(b)] = restricts;
}

void JobListFilters::applyPosition(const CurrentUserRecord &user, JobScope scope)
{
    const JobVisibility v = JobVisibilityOf(user, scope);
    for (Box b : {Department, Operator}) {
        setText(b, QString());
        box(b)->setEnabled(true);
        m_restricted[size_t(b)] = false;
    }
    if (!v.departmentOpen)
        setLocked(Department, v.department, v.departmentRestricts);
    if (!v.operatorOpen)
        setLocked(Operator, v.staff, v.operatorRestricts);
}

QString JobListFilters::conditionOf(Box b, const QString &value) const
{
    const QString &a = m_options.alias;
    if (b == Department)
        return departmentCondition(a, value);
    if (b == Unit) {
        QStringList parts;
        for (const QString &column : m_options.unitColumns)
            parts << u"("_s + a + column + u" LIKE'%"_s + QuoteValue(value) + u"%')"_s;
        return u"("_s + parts.join(u" OR "_s) + u")"_s;
    }
    for (const BoxEntry &entry : boxEntries) {
        if (entry.box == b) {
            return u"("_s + (entry.aliased ? a : QString()) + QString::fromUtf16(entry.column) + u"='"_s
                   + QuoteValue(value) + u"')"_s;
        }
    }
    return QString();
}

QString JobListFilters::conditions() const
{
    QString out;
    for (const BoxEntry &entry : boxEntries) {
        if (!box(entry.box))
            continue;
        const QString value = text(entry.box);
        if (!isBlank(value))
            out += u"AND "_s + conditionOf(entry.box, value);
        else if (restricts(entry.box))
            out += u"AND "_s + Nothing;
    }
    return out;
}

QString JobListFilters::treeCondition() const
{
    QStringList parts;
    for (Box b : {Operator, Department}) {
        const QString value = text(b);
        if (!isBlank(value)) {
            parts << (b == Operator ? u"(操作员='"_s + QuoteValue(value) + u"')"_s : departmentCondition(QString(), value));
        } else if (restricts(b)) {
            parts << Nothing;
        }
    }
    return parts.isEmpty() ? QString() : u" "_s + parts.join(u"AND "_s);
}

void JobListFilters::clear()
{
    for (const BoxEntry &entry : boxEntries) {
        QWidget *b = box(entry.box);
        if (!b || !b->isEnabled())
            continue;
        if (auto *e = qobject_cast<QLineEdit *>(b)) {
            e->clear();
        } else if (auto *c = qobject_cast<QComboBox *>(b)) {
            c->setCurrentIndex(-1);
            c->setEditText(QString());
        }
    }
}

QDate JobListFilters::from() const
{
    return fromEdit()->date();
}

QDate JobListFilters::to() const
{
    return toEdit()->date();
}

void JobListFilters::setPeriod(const QDate &from, const QDate &to)
{
    fromEdit()->setDate(from);
    toEdit()->setDate(to);
}

void JobListFilters::fillOnce(QComboBox *list, const QString &sql)
{
    if (list->count() == 0)
        setItems(list, valuesOf(sql));
}

void JobListFilters::fillOperators(QComboBox *list)
{
    QString sql = u"SELECT 职员姓名 FROM 职员 "_s;
    const QString department = text(Department);
    if (!isBlank(department))
        sql += u" where 所属部门='"_s + QuoteValue(department) + u'\'';
    setItems(list, valuesOf(sql));
}
