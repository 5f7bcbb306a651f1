#include "tchayunjiafrm.h"

#include "captionname.h"
#include "feedetailsdialog.h"
#include "korvanerror.h"
#include "messageservice.h"
#include "queryhelpers.h"
#include "ratebook.h"
#include "ratelist.h"
#include "stringgrid.h"
#include "values.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;
using namespace CommFunU;

TChaYunJiaFrm::TChaYunJiaFrm(const CargoJobValues &job, QWidget *parent)
    : QDialog(parent)
    , m_job(job)
    , m_grid(new StringGrid(this))
{
    setWindowTitle(u"查运价"_s);
    auto *info = new QLabel(u"船期: "_s + job.column(u"船期"_s) + u"    装货港: "_s + job.column(u"装货港"_s)
                                + u"    目的港: "_s + job.column(u"目的港"_s) + u"    箱型箱量: "_s
                                + job.column(u"箱型箱量"_s),
                            this);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(info, 1);
    for (const QString &caption : {u"确定"_s, u"返回"_s}) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(caption);
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    connect(button(u"确定"_s), &QPushButton::clicked, this, &TChaYunJiaFrm::take);
    connect(button(u"返回"_s), &QPushButton::clicked, this, &TChaYunJiaFrm::reject);

    m_grid->setEditable(false);
    m_grid->setRowSelect(true);
    m_grid->setHeadingRow(true);
    m_grid->setHeadings(RateBook::listCaptions());
    m_grid->horizontalHeader()->setStretchLastSection(true);
    connect(m_grid, &QAbstractItemView::doubleClicked, this, [this] { take(); });

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_grid, 1);
    resize(1000, 420);
}

TChaYunJiaFrm::~TChaYunJiaFrm() = default;

QPushButton *TChaYunJiaFrm::button(const QString &caption) const
{
    return findChild<QPushButton *>(caption, Qt::FindDirectChildrenOnly);
}

void TChaYunJiaFrm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_listed)
        return;
    m_listed = true;
    QTimer::singleShot(0, this, &TChaYunJiaFrm::list);
}

void TChaYunJiaFrm::list()
{
    m_listed = true;
    const QDate sails = ParseDate(m_job.column(u"船期"_s));
    if (!sails.isValid()) {
        ShowMessage(u"船期不是有效的日期: "_s + m_job.column(u"船期"_s));
        return;
    }
    const QList<std::pair<QString, int>> boxes = RateBook::containers(m_job.column(u"箱型箱量"_s));
    const int type = boxes.isEmpty() ? 0 : qMax(0, RateBook::typeIndex(boxes.first().first));
    const QString condition = RateBook::validOn(sails) + u"and (起运港='"_s
                              + QuoteValue(m_job.column(u"装货港"_s).trimmed()) + u"') and (目的港='"_s
                              + QuoteValue(m_job.column(u"目的港"_s).trimmed()) + u"') "_s;
    RateList::fill(m_grid, condition, type, m_job.column(u"订舱单位"_s).trimmed());
}

TChaYunJiaFrm::Sum TChaYunJiaFrm::SumOf(const QHash<QString, QString> &rate, const QString &containers)
{
    Sum sum;
    const QString currency = rate.value(u"币种"_s).trimmed();
    if (currency.compare(u"USD"_s, Qt::CaseInsensitive) != 0) {
        sum.refusal = u"所选运价的币种为 "_s + currency + u"，海运费以美元计，没有填入。"_s;
        return sum;
    }
    const QList<std::pair<QString, int>> boxes = RateBook::containers(containers);
    if (boxes.isEmpty()) {
        sum.refusal = u"本业务没有箱型箱量，无法计算海运费。"_s;
        return sum;
    }
    QStringList parts;
    for (const auto &[type, count] : boxes) {
        const int index = RateBook::typeIndex(type);
        const QString price = index < 0 ? QString() : rate.value(RateBook::sellColumn(index)).trimmed();
        if (price.isEmpty()) {
            sum.refusal = u"所选运价没有 "_s + type + u" 的价格，没有填入海运费。"_s;
            return sum;
        }
        const Amount each = ParseAmount(price);
        sum.total += each * qint64(count);
        parts << QString::number(count) + u" × "_s + type + u' ' + FormatGroupedAmount(each);
    }
    sum.text = parts.join(u" + "_s) + u" = "_s + FormatGroupedAmount(sum.total) + u' ' + currency;
    return sum;
}

void TChaYunJiaFrm::take()
{
    const int row = m_grid->selectionTopRow();
    if (row < 1 || row >= m_grid->rowCount() || m_grid->cell(row, 0).trimmed().isEmpty()) {
        ShowMessage(u"请先选择一条运价!"_s);
        return;
    }
    QHash<QString, QString> rate;
    const QStringList columns = RateBook::listColumns();
    for (int c = 0; c < columns.size(); ++c)
        rate.insert(columns.at(c), m_grid->cell(row, c));
    Sum sum;
    try {
        sum = SumOf(rate, m_job.column(u"箱型箱量"_s));
    } catch (const KorvanError &e) {
        sum.refusal = e.message();
    }
    if (!sum.refusal.isEmpty()) {
        ShowMessage(sum.refusal);
        return;
    }
    if (MessageService::ask(u"提示"_s, u"海运费: "_s + sum.text + u"\r是否填入海运费？"_s,
                            MessageService::Yes | MessageService::No, MessageService::Icon::Question)
        != MessageService::Yes)
        return;
    m_freight = sum.total;
    accept();
}

void TChaYunJiaFrm::AddTo(FeeDetailsDialog &dialog, const CargoJobValues &job, int freightTag)
{
    FeeDetailsDialog *fees = &dialog;
    dialog.addButton(u"查运价"_s, [fees, job, freightTag] {
        TChaYunJiaFrm lookup(job, fees);
        if (lookup.exec() != QDialog::Accepted || !lookup.freight())
            return;
        if (QLineEdit *field = fees->amountField(freightTag))
            field->setText(FormatGroupedAmount(*lookup.freight()));
        try {
            fees->RecalcFees();
        } catch (const KorvanError &) {
            // the field that could not be read is marked and said
        }
    });
}
