#include "tyunjiaglfrm.h"

#include "boundform.h"
#include "captionname.h"
#include "currentuser.h"
#include "dropdowncombo.h"
#include "listcolumns.h"
#include "messageservice.h"
#include "queryhelpers.h"
#include "ratebook.h"
#include "rateconditions.h"
#include "stringgrid.h"
#include "tagbinding.h"
#include "values.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>

using namespace Qt::StringLiterals;
using namespace CommFunU;

namespace {

const QString Order = u" order by 船公司,目的港,生效日期"_s;

MasterDataWindow::Settings rateSettings()
{
    MasterDataWindow::Settings s;
    s.caption = u"运价管理"_s;
    s.table = u"运价"_s;
    s.keyColumn = u"序号"_s;
    s.keyTag = TYunJiaGLFrm::Number;
    s.keyAlwaysDisabled = true;
    s.loadLow = 10;
    s.loadHigh = 250;
    s.saveLow = 10;
    s.saveHigh = 250;
    s.emptyKeyMessage = u"序号不能为空!"_s;
    return s;
}

QString quoted(const QString &value)
{
    return u'\'' + QuoteValue(value) + u'\'';
}

} // namespace

FormTable TYunJiaGLFrm::fields()
{
    FormTable t{
        Field::group(u"运价"_s).withColumns(4),
        Field::edit(Number, u"序号:"_s).asDisabled(),
        Field::combo(Carrier, u"船公司:"_s),
        Field::combo(Route, u"航线:"_s),
        Field::combo(From, u"起运港:"_s).withText(u"SHANGHAI"_s),
        Field::combo(To, u"目的港:"_s),
        Field::combo(Via, u"中转港:"_s),
        Field::combo(Currency, u"币种:"_s, {u"USD"_s, u"RMB"_s}).asFixedList(),
    };
    const QList<RateType> &types = RateBook::types();
    t << Field::group(u"成本价 (空 = 无此箱型运价)"_s).withColumns(5);
    for (int i = 0; i < types.size(); ++i)
        t << Field::edit(FirstCost + 10 * i, u"成本"_s + types.at(i).caption + u':');
    t << Field::group(u"销售价"_s).withColumns(5);
    for (int i = 0; i < types.size(); ++i)
        t << Field::edit(FirstSell + 10 * i, u"售价"_s + types.at(i).caption + u':');
    t << Field::group(u"船期与有效期"_s).withColumns(4) << Field::edit(Surcharges, u"附加费:"_s)
      << Field::edit(Sailing, u"船期:"_s) << Field::edit(Transit, u"航程:"_s)
      << Field::date(ValidFrom, u"生效日期:"_s) << Field::date(ValidUntil, u"失效日期:"_s)
      << Field::edit(Remarks, u"备注:"_s) << Field::edit(EnteredBy, u"录入人:"_s).asDisabled()
      << Field::edit(Changed, u"修改日期:"_s).asDisabled();
    return t;
}

TYunJiaGLFrm::TYunJiaGLFrm(QWidget *parent)
    : MasterDataWindow(rateSettings(), fields(), parent)
{
    addButton(u"复制"_s, [this] { copySelected(); });
    addButton(u"查询"_s, [this] { query(); });
    addButton(u"全部"_s, [this] { listAll(); });
    fillOnFirstDropDown(Carrier, [] { return RateLists::carriers(); });
    fillOnFirstDropDown(Route, [] { return RateLists::routes(); });
    fillOnFirstDropDown(From, [] { return RateLists::ports(QString()); });
    // The destinations follow the route chosen.
    if (auto *to = form()->fieldAs<DropDownCombo>(To))
        connect(to, &DropDownCombo::aboutToDropDown, this, [this] { setComboItems(To, RateLists::ports(text(Route))); });
    fillOnFirstDropDown(Via, [] { return RateLists::ports(QString()); });
    resize(1100, 680);
}

QString TYunJiaGLFrm::text(int tag) const
{
    QWidget *field = form()->field(tag);
    return field ? ControlValue(field) : QString();
}

void TYunJiaGLFrm::setText(int tag, const QString &value)
{
    if (QWidget *field = form()->field(tag))
        SetControlValue(field, value);
}

void TYunJiaGLFrm::reloadList()
{
    // On screen for the first time: a new rate is ready to be typed.
    if (mode() == Mode::New && keyText().isEmpty())
        afterClear();
    if (m_lastList.isEmpty())
        m_lastList = u"select * from 运价 where 失效日期>='"_s + DateText(QDate::currentDate()) + u'\'' + Order;
    fillGrid(m_lastList);
}

void TYunJiaGLFrm::list(const QString &sql)
{
    m_lastList = sql;
    fillGrid(sql);
}

void TYunJiaGLFrm::query()
{
    QStringList conditions;
    const std::pair<int, const char16_t *> boxes[] = {{Carrier, u"船公司"}, {Route, u"航线"}, {To, u"目的港"}};
    for (const auto &[tag, name] : boxes) {
        if (const QString value = text(tag).trimmed(); !value.isEmpty())
            conditions << u"("_s + QString::fromUtf16(name) + u"="_s + quoted(value) + u')';
    }
    list(u"select * from 运价"_s + (conditions.isEmpty() ? QString() : u" where "_s + conditions.join(u" and "_s))
         + Order);
}

void TYunJiaGLFrm::listAll()
{
    list(u"select * from 运价"_s + Order);
}

void TYunJiaGLFrm::numberAsNew()
{
    std::optional<ResultReader> reader = OpenQueryStep(u"select Max(序号) from 运价 "_s, QString(), 0, false);
    const int highest = reader && !reader->atEnd() ? reader->next().toInt() : 0;
    BoundForm::Quiet quiet(*form());
    setText(Number, QString::number(highest + 1));
}

void TYunJiaGLFrm::afterFill()
{
    // The prices stand on the right like the amounts of every list; their
    // text stays as stored, since a row is loaded into the form from its cells.
    QStringList priceColumns;
    for (int i = 0; i < RateBook::types().size(); ++i)
        priceColumns << RateBook::costColumn(i) << RateBook::sellColumn(i);
    QList<int> prices;
    for (int c = 0; c < grid()->colCount(); ++c) {
        if (priceColumns.contains(grid()->cell(0, c)))
            prices << c;
    }
    grid()->setListColumns(ListColumns::Amounts(prices));
}

void TYunJiaGLFrm::afterClear()
{
    numberAsNew();
    BoundForm::Quiet quiet(*form());
    setText(From, u"SHANGHAI"_s);
    setText(Currency, u"USD"_s);
    form()->picker(ValidFrom)->setDate(QDate::currentDate());
    form()->picker(ValidUntil)->setDate(QDate::currentDate().addMonths(1).addDays(-1));
}

void TYunJiaGLFrm::afterRowLoaded(int row)
{
    Q_UNUSED(row)
}

void TYunJiaGLFrm::copySelected()
{
    const int row = grid()->selectionTopRow();
    if (row < 1 || row >= grid()->rowCount() || grid()->cell(row, 0).trimmed().isEmpty()) {
        ShowMessage(u"当前并无选中记录!"_s);
        return;
    }
    editRow(row);
    setMode(Mode::New);
    numberAsNew();
    // The period after the copied one, as long as it: the user sets it.
    const QDate from = form()->picker(ValidFrom)->date();
    const QDate until = form()->picker(ValidUntil)->date();
    BoundForm::Quiet quiet(*form());
    form()->picker(ValidFrom)->setDate(until.addDays(1));
    form()->picker(ValidUntil)->setDate(until.addDays(1 + from.daysTo(until)));
    setText(EnteredBy, QString());
    setText(Changed, QString());
    form()->picker(ValidFrom)->setFocus();
}

bool TYunJiaGLFrm::checkPrices()
{
    bool anyPrice = false;
    for (int i = 0; i < RateBook::types().size(); ++i) {
        for (int tag : {FirstCost + 10 * i, FirstSell + 10 * i}) {
            QLineEdit *edit = form()->edit(tag);
            const std::optional<QString> price = RateBook::storedPrice(edit->text());
            const QString caption = CaptionName(form()->label(tag) ? form()->label(tag)->text() : QString());
            if (!price) {
                edit->setFocus();
                ShowMessage(caption + u" 不是有效的金额: "_s + edit->text());
                return false;
            }
            if (price->startsWith(u'-')) {
                edit->setFocus();
                ShowMessage(caption + u" 不能小于零: "_s + edit->text());
                return false;
            }
            anyPrice = anyPrice || !price->isEmpty();
            BoundForm::Quiet quiet(*form());
            edit->setText(*price);
        }
    }
    if (!anyPrice)
        ShowMessage(u"请至少填写一个价格!"_s);
    return anyPrice;
}

bool TYunJiaGLFrm::stillStored()
{
    std::optional<ResultReader> reader =
        OpenQueryStep(u"select count(*) from 运价 where 序号="_s + keyText().trimmed(), QString(), 0);
    if (!reader)
        return false;
    if (reader->next().toInt() > 0)
        return true;
    ShowMessage(u"序号为 "_s + keyText().trimmed() + u" 的运价已被其他用户删除，没有保存。"_s);
    return false;
}

bool TYunJiaGLFrm::checkOverlap()
{
    const QString sql = u"select 序号,生效日期,失效日期 from 运价 where 船公司="_s + quoted(text(Carrier).trimmed())
                        + u" and 起运港="_s + quoted(text(From).trimmed()) + u" and 目的港="_s
                        + quoted(text(To).trimmed()) + u" and 中转港="_s + quoted(text(Via).trimmed())
                        + u" and 序号<>"_s + keyText().trimmed() + u" and 生效日期<="_s + quoted(text(ValidUntil))
                        + u" and 失效日期>="_s + quoted(text(ValidFrom)) + u" order by 生效日期"_s;
    std::optional<ResultReader> reader = OpenQueryStep(sql, QString(), 0);
    if (!reader)
        return false;
    if (reader->atEnd())
        return true;
    const QStringList other = reader->next(3);
    const QString question = u"与序号为 "_s + other.value(0) + u" 的运价 (" + other.value(1) + u" 至 "_s + other.value(2)
                             + u") 有效期重叠，是否仍要保存？"_s;
    return MessageService::ask(u"提示"_s, question, MessageService::Yes | MessageService::No,
                               MessageService::Icon::Question)
           == MessageService::Yes;
}

bool TYunJiaGLFrm::validate()
{
    if (mode() == Mode::New)
        numberAsNew();
    if (!MasterDataWindow::validate() || !IsIntegerText(keyText().trimmed()))
        return false;
    const QString carrier = text(Carrier).trimmed();
    if (carrier.isEmpty() || !RateLists::carriers().contains(carrier, Qt::CaseInsensitive)) {
        ShowMessage(u"船公司必须是单位管理中标记为船公司的单位: "_s + carrier);
        return false;
    }
    if (text(From).trimmed().isEmpty() || text(To).trimmed().isEmpty()) {
        ShowMessage(u"起运港和目的港不能为空!"_s);
        return false;
    }
    if (form()->picker(ValidFrom)->date() > form()->picker(ValidUntil)->date()) {
        ShowMessage(u"生效日期不能晚于失效日期!"_s);
        return false;
    }
    if (!checkPrices())
        return false;
    if (mode() == Mode::Editing && !stillStored())
        return false;
    if (!checkOverlap())
        return false;
    BoundForm::Quiet quiet(*form());
    if (mode() == Mode::New || text(EnteredBy).trimmed().isEmpty())
        setText(EnteredBy, CurrentUser().StaffName);
    setText(Changed, DateText(QDate::currentDate()));
    return true;
}

QString TYunJiaGLFrm::deleteStatement(const QString &key) const
{
    return u"delete from 运价 where 序号="_s + key.trimmed();
}

QString TYunJiaGLFrm::rowDeleteStatement(const QString &key) const
{
    if (IsIntegerText(key.trimmed()))
        return deleteStatement(key);
    ShowMessage(u"序号必须是整数: "_s + key);
    return QString();
}
