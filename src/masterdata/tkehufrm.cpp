#include "tkehufrm.h"

#include "boundform.h"
#include "queryhelpers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>

using namespace Qt::StringLiterals;
using namespace CommFunU;

namespace {

enum Tag { CodeTag = 10, ShortNameTag = 20, SalesmanTag = 120, BookingTag = 140, CarrierTag = 180 };

MasterDataWindow::Settings unitSettings()
{
    MasterDataWindow::Settings s;
    s.caption = u"单位管理"_s;
    s.table = u"单位"_s;
    s.keyColumn = u"缩写代码"_s;
    s.keyTag = CodeTag;
    s.loadLow = 10;
    s.loadHigh = 210;
    s.saveLow = 10;
    s.saveHigh = 210;
    s.listSql = u"select * from 单位 order by 缩写代码"_s;
    s.emptyKeyMessage = u"缩写代码不能为空!"_s;
    s.buttonCaptions = {u"新增(&A)"_s, u"保存(&S)"_s, u"删除(&D)"_s, u"返回(&C)"_s};
    return s;
}

} // namespace

FormTable TkehuFrm::fields()
{
    return {
        Field::group(u"单位"_s).withColumns(3),
        Field::edit(CodeTag, u"缩写代码:"_s),
        Field::edit(ShortNameTag, u"简 称:"_s),
        Field::edit(30, u"单位全称:"_s),
        Field::edit(40, u"Email:"_s),
        Field::edit(50, u"联系人:"_s),
        Field::edit(60, u"电话:"_s),
        Field::edit(70, u"传真:"_s),
        Field::combo(SalesmanTag, u"业务员(&Y)："_s),
        Field::edit(80, u"地址:"_s).asWide(),
        Field::edit(90, u"发票抬头(RMB):"_s).asWide(),
        Field::edit(100, u"发票抬头(USD):"_s).asWide(),
        Field::memo(110, u"英文名称:"_s).asWide(),
        Field::group(u"单位类别"_s).withColumns(9),
        Field::check(130, u"委托人"_s),
        Field::check(BookingTag, u"订舱单位"_s),
        Field::check(150, u"报关行"_s),
        Field::check(160, u"仓库"_s),
        Field::check(170, u"车队"_s),
        Field::check(CarrierTag, u"船公司"_s),
        Field::check(190, u"航空公司"_s),
        Field::check(200, u"代理"_s),
        Field::check(210, u"其他"_s),
    };
}

TkehuFrm::TkehuFrm(QWidget *parent)
    : MasterDataWindow(unitSettings(), fields(), parent)
{
    addButton(u"查询(&Q)"_s, [this] { query(); });
    fillOnFirstDropDown(SalesmanTag, [] {
        return listValues(u"select 职员姓名 from 职员 "_s, 1, EmptyValue::Ends);
    });
    // A booking party is a shipping line and the reverse: a click on either
    // sets the other (loading a row sets neither).
    QCheckBox *booking = form()->check(BookingTag);
    QCheckBox *carrier = form()->check(CarrierTag);
    connect(booking, &QCheckBox::clicked, carrier, &QCheckBox::setChecked);
    connect(carrier, &QCheckBox::clicked, booking, &QCheckBox::setChecked);

    QPlainTextEdit *english = form()->memo(110);
    english->setMaximumHeight(english->fontMetrics().lineSpacing() * 4 + 12);
    resize(960, 720);
}

void TkehuFrm::query()
{
    fillGrid(u"select * from 单位 where 缩写代码 like '%"_s + QuoteValue(keyText()) + u"%' order by 简称 "_s);
}

bool TkehuFrm::validate()
{
    const QList<std::pair<QString, QString>> required = {
        {form()->edit(CodeTag)->text(), u"缩写代码不能为空!"_s},
        {form()->edit(ShortNameTag)->text(), u"简称不能为空!"_s},
        {form()->combo(SalesmanTag)->currentText(), u"业务员不能为空!"_s},
    };
    for (const auto &[text, message] : required) {
        if (text.trimmed().isEmpty()) {
            ShowMessage(message);
            return false;
        }
    }
    return true;
}
