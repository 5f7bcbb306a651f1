#include "tpilianggxfrm.h"

#include "boundform.h"
#include "captionname.h"
#include "currentuser.h"
#include "korvanerror.h"
#include "messageservice.h"
#include "queryhelpers.h"
#include "radiogroup.h"
#include "rateconditions.h"
#include "serverconnection.h"
#include "stringgrid.h"
#include "values.h"

#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;
using namespace CommFunU;

TPiLiangGXFrm::TPiLiangGXFrm(QWidget *parent)
    : QDialog(parent)
    , m_conditions(new RateConditions(this))
    , m_form(new BoundForm(this))
    , m_preview(new StringGrid(this))
    , m_buttons(new QHBoxLayout)
{
    setWindowTitle(u"批量更新"_s);
    m_buttons->addStretch();
    addButton(u"预览"_s, &TPiLiangGXFrm::showPreview);
    addButton(u"确定"_s, &TPiLiangGXFrm::confirm);
    addButton(u"返回"_s, &TPiLiangGXFrm::reject);

    auto *changeArea = new QWidget(this);
    m_form->build(fields(), changeArea);
    // The changes follow the conditions as the groups of one form follow one
    // another: without the margins each form keeps around its groups.
    for (QWidget *host : {static_cast<QWidget *>(m_conditions), changeArea}) {
        host->layout()->setContentsMargins(0, 0, 0, 0);
        for (QWidget *body : host->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            if (body->layout())
                body->layout()->setContentsMargins(0, 0, 0, 0);
        }
    }
    m_form->picker(NewFrom)->setDate(QDate::currentDate().addDays(1));

    m_preview->setEditable(false);
    m_preview->setRowSelect(true);
    m_preview->setHeadingRow(true);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(m_buttons);
    layout->addWidget(m_conditions);
    layout->addWidget(changeArea);
    layout->addWidget(m_preview, 1);
    resize(1100, 700);
}

TPiLiangGXFrm::~TPiLiangGXFrm() = default;

FormTable TPiLiangGXFrm::fields()
{
    FormTable t{
        Field::group(u"调整"_s).withColumns(5),
        Field::radioGroup(ChangeKind, u"调整方式"_s, {u"按金额"_s, u"按百分比"_s}).withText(u"0"_s).asWide(),
    };
    const QList<RateType> &types = RateBook::types();
    for (int i = 0; i < types.size(); ++i)
        t << Field::edit(FirstCost + 10 * i, u"成本"_s + types.at(i).caption + u':');
    for (int i = 0; i < types.size(); ++i)
        t << Field::edit(FirstSell + 10 * i, u"售价"_s + types.at(i).caption + u':');
    t << Field::radioGroup(Timing, u"执行"_s, {u"原价修改"_s, u"从日期起执行新价"_s}).withText(u"0"_s).asWide()
      << Field::date(NewFrom, u"新价生效日期:"_s);
    return t;
}

QPushButton *TPiLiangGXFrm::addButton(const QString &caption, void (TPiLiangGXFrm::*command)())
{
    auto *b = new QPushButton(caption, this);
    b->setObjectName(CaptionName(caption));
    b->setAutoDefault(false);
    m_buttons->insertWidget(m_buttons->count() - 1, b);
    connect(b, &QPushButton::clicked, this, command);
    return b;
}

QPushButton *TPiLiangGXFrm::button(const QString &caption) const
{
    return findChild<QPushButton *>(caption, Qt::FindDirectChildrenOnly);
}

std::optional<RateBatch> TPiLiangGXFrm::batch() const
{
    RateBatch b;
    b.change = m_form->radioGroup(ChangeKind)->itemIndex() == 1 ? RateBook::Percent : RateBook::ByAmount;
    for (int i = 0; i < RateBatch::TypeCount; ++i) {
        for (int tag : {FirstCost + 10 * i, FirstSell + 10 * i}) {
            QLineEdit *edit = m_form->edit(tag);
            const std::optional<QString> value = RateBook::storedPrice(edit->text());
            if (!value) {
                edit->setFocus();
                ShowMessage(CaptionName(m_form->label(tag)->text()) + u" 不是有效的金额: "_s + edit->text());
                return std::nullopt;
            }
            if (value->isEmpty())
                continue;
            (tag < FirstSell ? b.cost : b.sell)[size_t(i)] = ParseAmount(*value);
        }
    }
    if (!b.changesSomething()) {
        ShowMessage(u"请填写要调整的价格!"_s);
        return std::nullopt;
    }
    if (m_form->radioGroup(Timing)->itemIndex() == 1)
        b.from = m_form->picker(NewFrom)->date();
    b.user = CurrentUser().StaffName;
    b.today = QDate::currentDate();
    return b;
}

void TPiLiangGXFrm::showPreview()
{
    const std::optional<RateBatch> b = batch();
    if (!b)
        return;
    std::optional<ResultReader> reader =
        OpenQueryStep(u"select * from 运价 where"_s + m_conditions->condition() + u" order by 序号"_s);
    if (!reader)
        return;
    QString error;
    const QList<RateBatch::Row> rows = b->plan(reader->rows(), &error);
    if (!error.isEmpty()) {
        ShowMessage(error);
        return;
    }
    const QStringList columns = RateBook::columns();
    QStringList headings{u"序号"_s, u"船公司"_s, u"起运港"_s, u"目的港"_s, u"中转港"_s, u"生效日期"_s, u"失效日期"_s, u"处理"_s};
    QList<int> priceColumns;
    for (int i = 0; i < RateBatch::TypeCount; ++i) {
        const QString caption = RateBook::types().at(i).caption;
        headings << u"成本"_s + caption + u"(原)"_s << u"成本"_s + caption + u"(新)"_s << u"售价"_s + caption + u"(原)"_s
                 << u"售价"_s + caption + u"(新)"_s;
        priceColumns << int(columns.indexOf(RateBook::costColumn(i))) << int(columns.indexOf(RateBook::sellColumn(i)));
    }
    QList<QStringList> grid{headings};
    const int from = int(columns.indexOf(u"生效日期"_s));
    const int until = int(columns.indexOf(u"失效日期"_s));
    for (const RateBatch::Row &row : rows) {
        QStringList cells;
        for (const char16_t *name : {u"序号", u"船公司", u"起运港", u"目的港", u"中转港"})
            cells << row.before.value(int(columns.indexOf(QString::fromUtf16(name))));
        cells << row.after.value(from) << row.after.value(until)
              << (row.action == RateBatch::Row::Split ? u"新价自"_s + row.after.value(from) : u"原价修改"_s);
        for (int c : std::as_const(priceColumns))
            cells << row.before.value(c) << row.after.value(c);
        grid << cells;
    }
    m_preview->setRows(grid, int(headings.size()));
    m_preview->fitColumns();
}

void TPiLiangGXFrm::confirm()
{
    const std::optional<RateBatch> b = batch();
    if (!b)
        return;
    ServerConnection *server = nullptr;
    try {
        server = &GetAppServer();
    } catch (const KorvanError &) {
        return; // shown by the connection's provider
    }
    QString error;
    const int changed = b->apply(*server, m_conditions->condition(), &error);
    if (changed < 0) {
        ShowMessage(u"批量更新没有完成，没有修改任何运价。\r"_s + error);
        return;
    }
    ShowMessage(u"批量更新完成，共修改 "_s + QString::number(changed) + u" 条运价。"_s);
    m_preview->setRowCount(1); // what was previewed is done
    m_preview->setRowCells(0, {});
}
