#include "tgangkouglfrm.h"

#include "boundform.h"
#include "queryhelpers.h"

#include <QComboBox>
#include <QLineEdit>

using namespace Qt::StringLiterals;
using namespace CommFunU;

namespace {

enum Tag { NumberTag = 10, RouteTag = 20, CountryTag = 30, NameTag = 40 };
const QString Order = u" order by 国家,港口名称"_s;

MasterDataWindow::Settings portSettings()
{
    MasterDataWindow::Settings s;
    s.caption = u"港口管理"_s;
    s.table = u"港口"_s;
    s.keyColumn = u"港口编号"_s;
    s.keyTag = NumberTag;
    s.keyAlwaysDisabled = true;
    s.loadLow = 10;
    s.loadHigh = 60;
    s.saveLow = 10;
    s.saveHigh = 200;
    s.emptyKeyMessage = u"编号不能为空!"_s;
    return s;
}

bool checkNumber(const QString &number)
{
    if (IsIntegerText(number))
        return true;
    ShowMessage(u"港口编号必须是整数: "_s + number);
    return false;
}

} // namespace

FormTable TGangKouGLFrm::fields()
{
    return {
        Field::group(u"港口"_s).withColumns(2),
        Field::edit(NumberTag, u"港口编号:"_s).asDisabled(),
        Field::combo(RouteTag, u"航线名称:"_s),
        Field::combo(CountryTag, u"国    家:"_s),
        Field::edit(NameTag, u"港口名称:"_s),
    };
}

TGangKouGLFrm::TGangKouGLFrm(QWidget *parent)
    : MasterDataWindow(portSettings(), fields(), parent)
{
    addButton(u"查询"_s, [this] { query(); });
    addButton(u"全部"_s, [this] { listAll(); });
    // Only the user's choice lists: loading a row or refilling does not.
    connect(form()->combo(RouteTag), &QComboBox::activated, this, [this] { chooseRoute(); });
    connect(form()->combo(CountryTag), &QComboBox::activated, this, [this] { query(); });
    resize(640, 560);
}

void TGangKouGLFrm::reloadList()
{
    QComboBox *routes = form()->combo(RouteTag);
    const bool first = routes->currentText().isEmpty();
    // A port without a route must not hide the routes listed after it.
    setComboItems(RouteTag, listValues(u"select distinct 航线名称 from 港口 "_s, 0, EmptyValue::Skipped, false));
    if (first && routes->count() > 0) {
        BoundForm::Quiet quiet(*form());
        routes->setCurrentIndex(0);
    }
}

void TGangKouGLFrm::chooseRoute()
{
    const QStringList countries =
        listValues(u"SELECT distinct 国家 FROM 港口 WHERE 航线名称='"_s + QuoteValue(form()->combo(RouteTag)->currentText())
                       + u"' ORDER BY 国家"_s,
                   0, EmptyValue::Skipped);
    {
        BoundForm::Quiet quiet(*form());
        QComboBox *country = form()->combo(CountryTag);
        country->clear();
        country->addItems(countries);
        country->setCurrentIndex(-1);
        country->setEditText(QString());
    }
    query();
}

void TGangKouGLFrm::query()
{
    QString sql = u"select * from 港口 where (航线名称 = '"_s + QuoteValue(form()->combo(RouteTag)->currentText()) + u"')"_s;
    if (const QString name = form()->edit(NameTag)->text(); !name.isEmpty())
        sql += u"and(港口名称='"_s + QuoteValue(name) + u"')"_s;
    if (const QString country = form()->combo(CountryTag)->currentText(); !country.isEmpty())
        sql += u"and(国家='"_s + QuoteValue(country) + u"')"_s;
    list(sql + Order);
}

void TGangKouGLFrm::listAll()
{
    list(u"select * from 港口"_s + Order);
}

void TGangKouGLFrm::list(const QString &sql)
{
    m_lastList = sql;
    fillGrid(sql);
}

bool TGangKouGLFrm::validate()
{
    return MasterDataWindow::validate() && checkNumber(keyText().trimmed());
}

QString TGangKouGLFrm::deleteStatement(const QString &key) const
{
    return u"delete from 港口 where 港口编号="_s + key.trimmed();
}

QString TGangKouGLFrm::rowDeleteStatement(const QString &key) const
{
    return checkNumber(key.trimmed()) ? deleteStatement(key) : QString();
}

void TGangKouGLFrm::afterClear()
{
    // The next number: one above the highest, 1 for the first port.
    std::optional<ResultReader> reader = OpenQueryStep(u"select Max(港口编号) from 港口 "_s, QString(), 0, false);
    if (!reader)
        return;
    const int highest = reader->atEnd() ? 0 : reader->next().toInt();
    BoundForm::Quiet quiet(*form());
    form()->edit(NumberTag)->setText(QString::number(highest + 1));
}

void TGangKouGLFrm::afterSave()
{
    reloadList();
    query(); // the port just saved is listed
}

void TGangKouGLFrm::afterRemove(bool succeeded)
{
    Q_UNUSED(succeeded)
    reloadList();
    if (!m_lastList.isEmpty())
        fillGrid(m_lastList);
}
