#include "tyunjiacxfrm.h"

#include "captionname.h"
#include "joblistframe.h"
#include "queryhelpers.h"
#include "ratebook.h"
#include "rateconditions.h"
#include "ratelist.h"
#include "stringgrid.h"
#include "tbaojiadanfrm.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;
using namespace CommFunU;

TYunJiaCXFrm::TYunJiaCXFrm(QWidget *parent)
    : QDialog(parent)
    , m_conditions(new RateConditions(this))
    , m_grid(new StringGrid(this))
    , m_buttons(new QHBoxLayout)
{
    setWindowTitle(u"运价查询"_s);
    m_buttons->addStretch();
    addButton(u"查询"_s, &TYunJiaCXFrm::query);
    addButton(u"清空条件"_s, &TYunJiaCXFrm::clearConditions);
    addButton(u"打印(&P)"_s, &TYunJiaCXFrm::print);
    addButton(u"报价单"_s, &TYunJiaCXFrm::quote);
    addButton(u"返回"_s, &TYunJiaCXFrm::reject);

    m_grid->setEditable(false);
    m_grid->setRowSelect(true);
    m_grid->setHeadingRow(true);
    m_grid->setHeadings(RateBook::listCaptions());
    m_grid->horizontalHeader()->setStretchLastSection(true);
    connect(m_grid, &QAbstractItemView::doubleClicked, this, [this] { quote(); });

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(m_buttons);
    layout->addWidget(m_conditions);
    layout->addWidget(m_grid, 1);
    resize(1000, 600);
}

TYunJiaCXFrm::~TYunJiaCXFrm() = default;

QPushButton *TYunJiaCXFrm::addButton(const QString &caption, void (TYunJiaCXFrm::*command)())
{
    auto *b = new QPushButton(caption, this);
    b->setObjectName(CaptionName(caption));
    b->setAutoDefault(false);
    m_buttons->insertWidget(m_buttons->count() - 1, b);
    connect(b, &QPushButton::clicked, this, command);
    return b;
}

QPushButton *TYunJiaCXFrm::button(const QString &caption) const
{
    return findChild<QPushButton *>(caption, Qt::FindDirectChildrenOnly);
}

void TYunJiaCXFrm::query()
{
    RateList::fill(m_grid, m_conditions->condition(), m_conditions->type());
}

void TYunJiaCXFrm::clearConditions()
{
    m_conditions->reset();
}

void TYunJiaCXFrm::print()
{
    JobListFrame::PrintList(this, windowTitle(), m_grid);
}

QHash<QString, QString> TYunJiaCXFrm::rateOf(int row) const
{
    QHash<QString, QString> rate;
    if (row < 1 || row >= m_grid->rowCount() || m_grid->cell(row, 0).trimmed().isEmpty())
        return rate;
    const QStringList columns = RateBook::listColumns();
    for (int c = 0; c < columns.size(); ++c)
        rate.insert(columns.at(c), m_grid->cell(row, c));
    return rate;
}

void TYunJiaCXFrm::quote()
{
    const QHash<QString, QString> rate = rateOf(m_grid->selectionTopRow());
    if (rate.isEmpty()) {
        ShowMessage(u"请先选择一条运价!"_s);
        return;
    }
    TBaoJiaDanFrm sheet(rate, this);
    sheet.exec();
}
