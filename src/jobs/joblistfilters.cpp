#include "joblistfilters.h"

#include "captionname.h"
#include "currentuser.h"
#include "focushighlighter.h"
#include "dropdowncombo.h"
#include "queryhelpers.h"
#include "values.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include <functional>

using namespace Qt::StringLiterals;
using namespace CommFunU;

namespace {

enum class Kind { Edit, PickList };

// The boxes in their order; column is the basic table's column an edit box
// compares with ('=' and the quoted text).
struct BoxEntry {
    JobListFilters::Box box;
    const char16_t *label;
    Kind kind;
    const char16_t *column;
    bool aliased; // 船名 and 航次 are named without the table's alias
};

const BoxEntry boxEntries[] = {
    {JobListFilters::Number, u"业务编号:", Kind::Edit, u"业务编号", true},
    {JobListFilters::Verification, u"核销单号:", Kind::Edit, u"核销单号", true},
    {JobListFilters::ClientRef, u"委托编号:", Kind::Edit, u"委托编号", true},
    {JobListFilters::Vessel, u"船    名:", Kind::Edit, u"船名", false},
    {JobListFilters::Voyage, u"航    次:", Kind::Edit, u"航次", false},
    {JobListFilters::BillOfLading, u"提 单 号:", Kind::Edit, u"提单号", true},
    {JobListFilters::Unit, u"单位名称:", Kind::PickList, nullptr, true},
    {JobListFilters::Operator, u"操 作 员:", Kind::PickList, u"操作员", true},
    {JobListFilters::Port, u"港    口:", Kind::PickList, u"卸货港", true},
    {JobListFilters::Department, u"部    门:", Kind::PickList, nullptr, true},
};

constexpr int PairsPerRow = 4;

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
    : QGroupBox(options.title, parent)
    , m_options(options)
{
    auto *grid = new QGridLayout(this);
    int pair = 0;
    auto place = [&](const QString &caption, QWidget *field) {
        auto *label = new QLabel(caption, this);
        label->setBuddy(field);
        NameByCaption(field, caption);
        field->setObjectName(CaptionName(caption));
        grid->addWidget(label, pair / PairsPerRow, (pair % PairsPerRow) * 2, Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(field, pair / PairsPerRow, (pair % PairsPerRow) * 2 + 1);
        FocusHighlighter::watch(field);
        ++pair;
    };

    for (const BoxEntry &entry : boxEntries) {
        if (!options.vesselBoxes && (entry.box == Vessel || entry.box == Voyage))
            continue;
        QWidget *field = nullptr;
        if (entry.kind == Kind::Edit) {
            field = new QLineEdit(this);
        } else {
            auto *list = new DropDownCombo(this);
            list->setEditable(true);
            list->setInsertPolicy(QComboBox::NoInsert);
            list->setMinimumContentsLength(8);
            list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
            list->setCurrentIndex(-1);
            list->setEditText(QString());
            field = list;
        }
        m_boxes[size_t(entry.box)] = field;
        place(QString::fromUtf16(entry.label), field);
    }

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

    auto newDate = [this] {
        auto *date = new QDateEdit(this);
        date->setDisplayFormat(u"yyyy-MM-dd"_s);
        date->setCalendarPopup(true);
        return date;
    };
    m_from = newDate();
    m_to = newDate();
    place(u"船期:自"_s, m_from);
    place(u"到"_s, m_to);
    for (int p = 0; p < PairsPerRow; ++p)
        grid->setColumnStretch(p * 2 + 1, 1);

    const QDate today = QDate::currentDate();
    setPeriod(MonthStart(today), MonthEnd(today));
}

JobListFilters::~JobListFilters() = default;

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

void JobListFilters::applyPosition(const CurrentUserRecord &user)
{
    for (Box b : {Department, Operator}) {
        setText(b, QString());
        box(b)->setEnabled(true);
        m_restricted[size_t(b)] = false;
    }
    if (user.Position == u"总经理"_s)
        return;
    setLocked(Department, user.Department, true);
    if (user.Position == u"部门经理"_s)
        return;
    if (user.Position == u"财务经理"_s)
        setLocked(Operator, QString(), false);
    else
        setLocked(Operator, user.StaffName, true);
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
    for (QWidget *b : m_boxes) {
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
    return m_from->date();
}

QDate JobListFilters::to() const
{
    return m_to->date();
}

void JobListFilters::setPeriod(const QDate &from, const QDate &to)
{
    m_from->setDate(from);
    m_to->setDate(to);
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
