#include "rateconditions.h"

#include "boundform.h"
#include "dropdowncombo.h"
#include "queryhelpers.h"
#include "ratebook.h"
#include "tagbinding.h"
#include "values.h"

#include <QComboBox>
#include <QDateEdit>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;
using namespace CommFunU;

namespace {

QStringList column(const QString &sql)
{
    QStringList values;
    std::optional<ResultReader> reader = OpenQueryStep(sql, QString(), 0, false);
    while (reader && !reader->atEnd()) {
        const QString value = reader->next();
        if (!value.trimmed().isEmpty())
            values << value;
    }
    return values;
}

// Fills combo from items() each time its list drops down, keeping its text.
void fillOnDropDown(QComboBox *combo, std::function<QStringList()> items)
{
    auto *drop = qobject_cast<DropDownCombo *>(combo);
    if (!drop)
        return;
    QObject::connect(drop, &DropDownCombo::aboutToDropDown, drop, [drop, items] {
        const QString shown = drop->currentText();
        const QSignalBlocker block(drop);
        drop->clear();
        drop->addItems(items());
        drop->setCurrentIndex(-1);
        drop->setEditText(shown);
    });
}

} // namespace

namespace RateLists {

QStringList carriers()
{
    return column(u"select 简称 from 单位 where 船公司='1' order by 简称"_s);
}

QStringList routes()
{
    return column(u"select distinct 航线名称 from 港口 order by 航线名称"_s);
}

QStringList ports(const QString &route)
{
    if (route.trimmed().isEmpty())
        return column(u"select distinct 港口名称 from 港口 order by 港口名称"_s);
    return column(u"select 港口名称 from 港口 where 航线名称='"_s + QuoteValue(route.trimmed())
                  + u"' order by 港口名称"_s);
}

} // namespace RateLists

RateConditions::RateConditions(QWidget *parent)
    : QWidget(parent)
    , m_form(new BoundForm(this))
{
    m_form->build(fields(), this);
    if (layout())
        layout()->setContentsMargins(0, 0, 0, 0);
    fillOnDropDown(m_form->combo(From), [] { return RateLists::ports(QString()); });
    fillOnDropDown(m_form->combo(To), [this] { return RateLists::ports(text(Route)); });
    fillOnDropDown(m_form->combo(Carrier), [] { return RateLists::carriers(); });
    fillOnDropDown(m_form->combo(Route), [] { return RateLists::routes(); });
    reset();
}

RateConditions::~RateConditions() = default;

FormTable RateConditions::fields()
{
    return {
        Field::group(u"查询条件"_s).withColumns(3),
        Field::combo(From, u"起运港:"_s),
        Field::combo(To, u"目的港:"_s),
        Field::combo(Carrier, u"船公司:"_s),
        Field::combo(Route, u"航线:"_s),
        Field::combo(Type, u"箱型:"_s, RateBook::typeCaptions()).asFixedList(),
        Field::date(ValidOn, u"有效日期:"_s),
    };
}

QString RateConditions::text(int tag) const
{
    QWidget *field = m_form->field(tag);
    return field ? ControlValue(field) : QString();
}

void RateConditions::setText(int tag, const QString &value)
{
    if (QComboBox *combo = m_form->combo(tag)) {
        if (combo->isEditable())
            combo->setEditText(value);
        else
            combo->setCurrentIndex(qMax(0, combo->findText(value)));
    }
}

QDate RateConditions::day() const
{
    return m_form->picker(ValidOn)->date();
}

void RateConditions::setDay(const QDate &value)
{
    m_form->picker(ValidOn)->setDate(value);
}

int RateConditions::type() const
{
    return qMax(0, m_form->combo(Type)->currentIndex());
}

QString RateConditions::condition() const
{
    QString sql = RateBook::validOn(day());
    const std::pair<int, const char16_t *> boxes[] = {
        {From, u"起运港"}, {To, u"目的港"}, {Carrier, u"船公司"}, {Route, u"航线"}};
    for (const auto &[tag, name] : boxes) {
        const QString value = text(tag).trimmed();
        if (!value.isEmpty())
            sql += u"and ("_s + QString::fromUtf16(name) + u"='"_s + QuoteValue(value) + u"') "_s;
    }
    return sql;
}

void RateConditions::reset()
{
    BoundForm::Quiet quiet(*m_form);
    for (int tag : {To, Carrier, Route})
        setText(tag, QString());
    setText(From, u"SHANGHAI"_s);
    m_form->combo(Type)->setCurrentIndex(0);
    setDay(QDate::currentDate());
}
