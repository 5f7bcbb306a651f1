#include "tbaojiadanfrm.h"

#include "boundform.h"
#include "currentuser.h"
#include "queryhelpers.h"
#include "ratebook.h"
#include "tagbinding.h"
#include "values.h"

#include <QComboBox>
#include <QDate>
#include <QLabel>
#include <QLineEdit>

using namespace Qt::StringLiterals;
using namespace CommFunU;

namespace {

const QString HeadingName = u"heading"_s;
constexpr int Left = 40;
constexpr int Right = 400;
constexpr int CaptionWidth = 80;

QString priceCaptionName(int type)
{
    return u"price caption "_s + QString::number(type);
}

// A caption and its field at (x, y).
void place(FormTable &t, int x, int y, const QString &caption, const FormField &field, int width = 250)
{
    t << Field::caption(caption).at(x, y, CaptionWidth, 24) << FormField(field).at(x + CaptionWidth, y, width, 24);
}

} // namespace

TBaoJiaDanFrm::TBaoJiaDanFrm(const QHash<QString, QString> &rate, QWidget *parent)
    : PrintableSheet(parent)
{
    setWindowTitle(u"报价单"_s);
    buildSheet(fields(), QSize(770, 742));
    addShape(ShapeControl::Rectangle, QRect(10, 10, 740, 690), QPen(Qt::black, 2));
    setReferenceExtension(QPoint(0, 300));
    m_heading = emphasiseHeadingAndTitle(HeadingName, u"title"_s);
    alignPricesRight();
    fill(rate);
}

TBaoJiaDanFrm::~TBaoJiaDanFrm() = default;

FormTable TBaoJiaDanFrm::fields()
{
    FormTable t{
        Field::mark(FirstMark).at(2, 2, 1, 1),
        Field::caption(u"上海Korvan国际货运代理有限公司"_s).named(HeadingName).at(150, 18, 470, 30),
        Field::caption(u"报  价  单"_s).named(u"title"_s).at(300, 54, 200, 28),
    };
    place(t, Left, 96, u"客户:"_s, Field::combo(Customer, u"客户"_s));
    place(t, Right, 96, u"日期:"_s, Field::edit(Date, u"日期"_s));
    t << Field::line().at(20, 128, 720, 1);
    place(t, Left, 140, u"起运港:"_s, Field::edit(From, u"起运港"_s));
    place(t, Right, 140, u"目的港:"_s, Field::edit(To, u"目的港"_s));
    place(t, Left, 172, u"中转港:"_s, Field::edit(Via, u"中转港"_s));
    place(t, Right, 172, u"船公司:"_s, Field::edit(Carrier, u"船公司"_s));
    place(t, Left, 204, u"航线:"_s, Field::edit(Route, u"航线"_s));
    place(t, Right, 204, u"币种:"_s, Field::edit(Currency, u"币种"_s));
    t << Field::line().at(20, 236, 720, 1);
    t << Field::caption(u"海运费:"_s).at(Left, 248, CaptionWidth, 24);
    const QList<RateType> &types = RateBook::types();
    for (int i = 0; i < types.size(); ++i) {
        const int x = Left + CaptionWidth + i * 124;
        t << Field::caption(types.at(i).caption).named(priceCaptionName(i)).at(x, 248, 118, 24)
          << Field::edit(FirstPrice + 10 * i, types.at(i).caption).at(x, 276, 118, 24);
    }
    t << Field::line().at(20, 312, 720, 1);
    place(t, Left, 324, u"附加费:"_s, Field::memo(Surcharges, u"附加费"_s), 610);
    t.last().geometry.setHeight(50);
    place(t, Left, 384, u"船期:"_s, Field::edit(Sailing, u"船期"_s));
    place(t, Right, 384, u"航程(天):"_s, Field::edit(Transit, u"航程"_s));
    place(t, Left, 416, u"有效期:"_s, Field::edit(Validity, u"有效期"_s), 610);
    place(t, Left, 448, u"备注:"_s, Field::memo(Remarks, u"备注"_s), 610);
    t.last().geometry.setHeight(110);
    t << Field::line().at(20, 572, 720, 1);
    place(t, Left, 588, u"报价人:"_s, Field::edit(User, u"报价人"_s));
    place(t, Right, 588, u"分机:"_s, Field::edit(Extension, u"分机"_s));
    place(t, Right, 620, u"传真:"_s, Field::edit(Fax, u"传真"_s));
    t << Field::mark(SecondMark).at(759, 732, 1, 1);
    return t;
}

void TBaoJiaDanFrm::alignPricesRight()
{
    // Amounts stand on the right, as in every list, and so do the container
    // types above them; the printed sheet follows the screen.
    for (int i = 0; i < RateBook::types().size(); ++i) {
        if (QLineEdit *price = form()->edit(FirstPrice + 10 * i))
            price->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        if (auto *caption = sheet()->findChild<QLabel *>(priceCaptionName(i)))
            caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
}

void TBaoJiaDanFrm::fill(const QHash<QString, QString> &rate)
{
    const CurrentUserRecord &user = CurrentUser();
    QList<std::pair<int, QString>> texts{
        {From, rate.value(u"起运港"_s)},
        {To, rate.value(u"目的港"_s)},
        {Via, rate.value(u"中转港"_s)},
        {Carrier, rate.value(u"船公司"_s)},
        {Route, rate.value(u"航线"_s)},
        {Currency, rate.value(u"币种"_s)},
        {Surcharges, rate.value(u"附加费"_s)},
        {Sailing, rate.value(u"船期"_s)},
        {Transit, rate.value(u"航程"_s)},
        {Validity, rate.value(u"生效日期"_s) + u" 至 "_s + rate.value(u"失效日期"_s)},
        {Remarks, rate.value(u"备注"_s)},
        {User, user.StaffName},
        {Extension, user.Extension},
        {Fax, user.Fax},
        {Date, DateText(QDate::currentDate())},
    };
    for (int i = 0; i < RateBook::types().size(); ++i) {
        const QString price = rate.value(RateBook::sellColumn(i)).trimmed();
        texts.append({FirstPrice + 10 * i, price.isEmpty() ? u"-"_s : FormatGroupedAmount(ParseAmount(price))});
    }
    for (const auto &[tag, text] : texts)
        setFieldText(tag, text);
}

QString TBaoJiaDanFrm::fieldText(int tag) const
{
    QWidget *field = form()->field(tag);
    return field ? ControlValue(field) : QString();
}

void TBaoJiaDanFrm::setFieldText(int tag, const QString &text)
{
    if (QComboBox *combo = form()->combo(tag))
        combo->setEditText(text);
    else if (QWidget *field = form()->field(tag))
        SetControlValue(field, text);
}

void TBaoJiaDanFrm::showEvent(QShowEvent *event)
{
    PrintableSheet::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    showCompanyAndCustomers();
}

void TBaoJiaDanFrm::showCompanyAndCustomers()
{
    m_heading->setText(InfoText(1));
    centreCaption(m_heading);
    if (const QString date = InfoText(2); !date.isEmpty())
        setFieldText(Date, date);
    QStringList customers;
    std::optional<ResultReader> reader =
        OpenQueryStep(u"select 简称 from 单位 where 委托人='1' order by 简称"_s, QString(), 0, false);
    while (reader && !reader->atEnd()) {
        if (const QString name = reader->next(); !name.trimmed().isEmpty())
            customers << name;
    }
    QComboBox *customer = form()->combo(Customer);
    const QString typed = customer->currentText();
    customer->clear();
    customer->addItems(customers);
    customer->setCurrentIndex(-1);
    customer->setEditText(typed);
}
