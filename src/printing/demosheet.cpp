#include "demosheet.h"

#include "boundform.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

using namespace Qt::StringLiterals;

DemoSheet::DemoSheet(QWidget *parent)
    : PrintableSheet(parent)
{
    setWindowTitle(u"演示单据"_s);
    buildSheet(fields(), QSize(770, 1040));
    addShape(ShapeControl::Rectangle, QRect(20, 20, 730, 480), QPen(Qt::black, 2));
    addShape(ShapeControl::Ellipse, QRect(600, 400, 90, 90), QPen(Qt::black, 2));

    if (auto *title = sheet()->findChild<QLabel *>(u"title"_s)) {
        QFont font = title->font();
        font.setPointSize(16);
        font.setBold(true);
        title->setFont(font);
    }
    fillSample();
}

DemoSheet::~DemoSheet() = default;

FormTable DemoSheet::fields()
{
    return {
        Field::mark(FirstMark).at(2, 2, 1, 1),
        Field::caption(u"Korvan货运 演示单据"_s).named(u"title"_s).at(250, 36, 300, 32),
        Field::line().at(20, 80, 730, 1),
        Field::caption(u"业务编号:"_s).at(40, 98, 80, 24),
        Field::edit(Number, u"业务编号"_s).at(130, 98, 200, 24),
        Field::caption(u"委托人:"_s).at(400, 98, 70, 24),
        Field::edit(Client, u"委托人"_s).at(480, 98, 250, 24),
        Field::caption(u"船期:"_s).at(40, 138, 80, 24),
        Field::date(SailingDate, u"船期"_s).at(130, 138, 200, 24),
        Field::caption(u"装货港:"_s).at(400, 138, 70, 24),
        Field::combo(Port, u"装货港"_s, {u"SHANGHAI"_s, u"NINGBO"_s}).at(480, 138, 250, 24),
        Field::caption(u"运费:"_s).at(40, 178, 80, 24),
        Field::edit(Amount, u"运费"_s).at(130, 178, 200, 24),
        Field::caption(u"内部备注:"_s).at(400, 178, 70, 24),
        Field::edit(Internal, u"内部备注"_s).withHint(u"00"_s).at(480, 178, 250, 24),
        Field::line().at(20, 220, 730, 1),
        Field::line().at(380, 90, 1, 120),
        Field::caption(u"货物描述:"_s).at(40, 236, 80, 22),
        Field::memo(Goods, u"货物描述"_s).at(130, 236, 450, 200),
        Field::caption(u"(盖章)"_s).at(622, 436, 50, 20),
        Field::mark(SecondMark).at(759, 1032, 1, 1),
    };
}

void DemoSheet::fillSample()
{
    BoundForm::Quiet quiet(*form());
    form()->edit(Number)->setText(u"KV2026-0001"_s);
    form()->edit(Client)->setText(u"上海华东进出口有限公司"_s);
    form()->picker(SailingDate)->setDate(QDate(2026, 3, 8));
    form()->combo(Port)->setCurrentText(u"SHANGHAI"_s);
    form()->edit(Amount)->setText(u"1234.50"_s);
    form()->edit(Internal)->setText(u"只在屏幕上"_s);
    form()->memo(Goods)->setPlainText(u"ELECTRIC FANS 220V\n家用电风扇 500 CTNS\nN/M"_s);
}
