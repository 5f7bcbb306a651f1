#include "thypingxiangfrm.h"

#include "boundform.h"
#include "captionname.h"
#include "dropdowncombo.h"
#include "gridops.h"
#include "jobpages.h"
#include "korvanerror.h"
#include "marks.h"
#include "messageservice.h"
#include "queryhelpers.h"
#include "savekey.h"
#include "serverconnection.h"
#include "stringgrid.h"
#include "tagbinding.h"
#include "transactionguard.h"
#include "values.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;
using namespace CommFunU;

namespace {

// The sailing filter and the container editor, by Tag.
enum Tag { Destination = 10, Discharge = 20, Sailing = 30, Vessel = 40, Voyage = 50, BoxNumber = 60, BoxType = 70 };

const QStringList QuickTypes{u"20'GP"_s, u"40'GP"_s, u"40'HQ"_s};
const QString Waiting = u"待拼"_s;
const QString NewBoxNumber = u"箱封号"_s;

// The columns of the waiting list; 业务编号 is the last.
const QStringList WaitingColumns{u"拼箱编号"_s, u"货物已报关"_s, u"货名简称"_s, u"件数"_s,
                                 u"毛重"_s,     u"尺码"_s,       u"委托人"_s,   u"业务编号"_s};
constexpr int PiecesColumn = 3;
constexpr int WeightColumn = 4;
constexpr int VolumeColumn = 5;
constexpr int JobColumn = 7;

const QString WaitingSelect = u"select a.拼箱编号,a.货物已报关,a.货名简称,b.件数,b.毛重,b.尺码,a.委托人,b.业务编号 "
                              u"from 货运出口基本信息 as a inner join 货运出口货物明细 as b on a.业务编号=b.业务编号 "_s;

// What a tree node holds. A container: number/seal, type, weight, volume and
// whether it is new and empty. A cargo line: job, consolidation number,
// packages, weight, volume.
enum Role {
    NumberRole = Qt::UserRole, // container number/seal, or the cargo's 业务编号
    TypeRole,                  // container type, or the cargo's 拼箱编号
    PiecesRole,
    WeightRole, // Amount, scaled
    VolumeRole,
    FreshRole, // a new container that has had no cargo yet
};

Amount amountOf(const QTreeWidgetItem *item, int role)
{
    return Amount::fromScaled(item->data(0, role).toLongLong());
}

void setAmount(QTreeWidgetItem *item, int role, Amount value)
{
    item->setData(0, role, QVariant::fromValue(value.scaled()));
}

// The node's text, drawn from its data.
void drawNode(QTreeWidgetItem *item)
{
    const QString weight = FormatAmount(amountOf(item, WeightRole)) + u"KGS"_s;
    const QString volume = FormatAmount(amountOf(item, VolumeRole));
    if (!item->parent()) {
        // A new container's volume reads "CMB" until it receives cargo.
        const QString unit = item->data(0, FreshRole).toBool() ? u"CMB"_s : u"CBM"_s;
        item->setText(0, item->data(0, NumberRole).toString() + u' ' + item->data(0, TypeRole).toString() + u','
                             + weight + u',' + volume + unit);
    } else {
        item->setText(0, item->data(0, NumberRole).toString() + u',' + item->data(0, TypeRole).toString() + u','
                             + item->data(0, PiecesRole).toString() + u"件,"_s + weight + u',' + volume + u"CBM"_s);
    }
}

// The wait cursor while the window reads the server.
class WaitCursor
{
    Q_DISABLE_COPY(WaitCursor)
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
};

FormTable filterFields()
{
    using namespace Field;
    return {
        group(u"船期与港口"_s).withColumns(5),
        combo(Destination, u"目的港"_s),
        combo(Discharge, u"卸货港"_s),
        date(Sailing, u"船期"_s),
        edit(Vessel, u"船名"_s),
        edit(Voyage, u"航次"_s),
    };
}

FormTable editorFields()
{
    using namespace Field;
    return {
        group(u"集装箱"_s).withColumns(1),
        edit(BoxNumber, u"箱号/封号"_s),
        combo(BoxType, u"箱 类 型"_s, QuickTypes).withText(QuickTypes.first()),
    };
}

} // namespace

THYPingXiangFrm::THYPingXiangFrm(QWidget *parent)
    : QDialog(parent)
    , m_form(new BoundForm(this))
    , m_tree(new QTreeWidget(this))
    , m_waiting(new StringGrid(this))
    , m_assign(new QToolButton(this))
    , m_release(new QToolButton(this))
{
    setWindowTitle(u"拼箱操作"_s);
    auto *layout = new QVBoxLayout(this);

    auto *filterHost = new QWidget(this);
    filterHost->setLayout(new QVBoxLayout);
    filterHost->layout()->setContentsMargins(0, 0, 0, 0);
    m_form->build(filterFields(), filterHost);
    layout->addWidget(filterHost);
    if (auto *ports = m_form->fieldAs<DropDownCombo>(Destination))
        connect(ports, &DropDownCombo::aboutToDropDown, this, &THYPingXiangFrm::fillPorts);
    if (auto *ports = m_form->fieldAs<DropDownCombo>(Discharge))
        connect(ports, &DropDownCombo::aboutToDropDown, this, &THYPingXiangFrm::fillPorts);

    // Left: the containers and the editor of the selected one.
    auto *left = new QWidget(this);
    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    auto *treeLabel = new QLabel(u"已拼箱业务:"_s, left);
    leftLayout->addWidget(treeLabel);
    m_tree->setHeaderHidden(true);
    m_tree->setColumnCount(1);
    m_tree->setMinimumWidth(m_tree->fontMetrics().horizontalAdvance(u"ABCU1234567/S123456 40'HQ,25000.000KGS,60.000CBM"_s));
    NameByCaption(m_tree, treeLabel->text());
    leftLayout->addWidget(m_tree, 1);
    // The editor of the selected container, its quick types beside it.
    auto *editorRow = new QHBoxLayout;
    auto *editorHost = new QWidget(left);
    editorHost->setLayout(new QVBoxLayout);
    editorHost->layout()->setContentsMargins(0, 0, 0, 0);
    m_form->build(editorFields(), editorHost);
    editorRow->addWidget(editorHost, 1);
    m_number = m_form->edit(BoxNumber);
    m_type = m_form->combo(BoxType);
    m_number->installEventFilter(this);
    m_type->installEventFilter(this);
    auto *quick = new QVBoxLayout;
    quick->addStretch(1);
    for (const QString &type : QuickTypes) {
        auto *b = new QPushButton(type, left);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [this, type] { setContainerType(type); });
        quick->addWidget(b);
        m_quickTypes << b;
    }
    editorRow->addLayout(quick);
    leftLayout->addLayout(editorRow);

    // Between the two: into a container, and back out.
    auto *middle = new QVBoxLayout;
    middle->addStretch(1);
    m_assign->setIcon(style()->standardIcon(QStyle::SP_ArrowLeft));
    m_assign->setToolTip(u"拼入所选集装箱"_s);
    m_assign->setAccessibleName(u"拼入集装箱"_s);
    m_release->setIcon(style()->standardIcon(QStyle::SP_ArrowRight));
    m_release->setToolTip(u"移回待拼箱业务"_s);
    m_release->setAccessibleName(u"移出集装箱"_s);
    for (QToolButton *b : {m_assign, m_release}) {
        b->setIconSize(QSize(24, 24));
        middle->addWidget(b);
    }
    middle->addStretch(1);
    connect(m_assign, &QToolButton::clicked, this, &THYPingXiangFrm::Assign);
    connect(m_release, &QToolButton::clicked, this, &THYPingXiangFrm::Release);

    // Right: the cargo waiting for a container.
    auto *right = new QWidget(this);
    auto *rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    auto *waitingLabel = new QLabel(u"待拼箱业务:"_s, right);
    rightLayout->addWidget(waitingLabel);
    m_waiting->setEditable(false);
    m_waiting->setRowSelect(true);
    m_waiting->setHeadingRow(true);
    m_waiting->setRows({WaitingColumns, QStringList()}, int(WaitingColumns.size()));
    m_waiting->horizontalHeader()->setStretchLastSection(true);
    NameByCaption(m_waiting, waitingLabel->text());
    rightLayout->addWidget(m_waiting, 1);
    connect(m_waiting, &QAbstractItemView::clicked, this, &THYPingXiangFrm::updateAssign);
    connect(m_waiting->selectionModel(), &QItemSelectionModel::currentChanged, this, &THYPingXiangFrm::updateAssign);

    auto *body = new QHBoxLayout;
    body->addWidget(left, 4);
    body->addLayout(middle);
    body->addWidget(right, 5);
    layout->addLayout(body, 1);

    auto *bar = new QHBoxLayout;
    const std::pair<QString, void (THYPingXiangFrm::*)()> commands[] = {
        {u"新增集装箱"_s, &THYPingXiangFrm::AddContainer}, {u"删除集装箱"_s, &THYPingXiangFrm::DeleteContainer},
        {u"刷新"_s, &THYPingXiangFrm::Load},               {u"业务详细"_s, &THYPingXiangFrm::ShowJob},
        {u"保存(&P)"_s, nullptr},                          {u"返回"_s, &THYPingXiangFrm::Return},
    };
    for (const auto &[caption, command] : commands) {
        if (caption == u"保存(&P)"_s)
            bar->addStretch(1);
        auto *b = new QPushButton(caption, this);
        b->setAutoDefault(false);
        if (command)
            connect(b, &QPushButton::clicked, this, command);
        else
            connect(b, &QPushButton::clicked, this, [this] { Save(); });
        if (!command)
            BindSaveKey(this, b);
        bar->addWidget(b);
        m_buttons << b;
    }
    layout->addLayout(bar);

    connect(m_tree, &QTreeWidget::currentItemChanged, this, &THYPingXiangFrm::selectionChanged);
    connect(m_type, &QComboBox::currentTextChanged, this, [this](const QString &text) {
        if (m_type->isEnabled())
            setContainerType(text);
    });
    resize(1100, 640);
    selectionChanged();
}

THYPingXiangFrm::~THYPingXiangFrm() = default;

QPushButton *THYPingXiangFrm::button(const QString &caption) const
{
    for (QPushButton *b : m_buttons) {
        if (CaptionName(b->text()) == CaptionName(caption))
            return b;
    }
    return nullptr;
}

void THYPingXiangFrm::preset(const QString &destination, const QString &discharge, const QDate &sailing,
                             const QString &vessel, const QString &voyage)
{
    SetControlValue(m_form->field(Destination), destination);
    SetControlValue(m_form->field(Discharge), discharge);
    m_form->picker(Sailing)->setDate(sailing);
    m_form->edit(Vessel)->setText(vessel);
    m_form->edit(Voyage)->setText(voyage);
}

void THYPingXiangFrm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The data is read once the window is on screen.
    if (m_loadPosted)
        return;
    m_loadPosted = true;
    QMetaObject::invokeMethod(this, &THYPingXiangFrm::Load, Qt::QueuedConnection);
}

void THYPingXiangFrm::fillPorts()
{
    QComboBox *destination = m_form->combo(Destination);
    QComboBox *discharge = m_form->combo(Discharge);
    if (destination->count() > 0 && discharge->count() > 0)
        return;
    std::optional<ResultReader> ports = OpenQueryStep(u"SELECT  港口名称 FROM 港口  ORDER BY 港口名称"_s);
    if (!ports)
        return;
    QStringList names;
    while (!ports->atEnd())
        names << ports->next();
    for (QComboBox *box : {destination, discharge}) {
        if (box->count() == 0)
            DropDownCombo::ReplaceItems(box, names);
    }
}

// --- loading ---------------------------------------------------------------------

QString THYPingXiangFrm::filterCondition() const
{
    QString c;
    const auto part = [&c](const QString &column, const QString &value) {
        if (!value.trimmed().isEmpty())
            c += u" a."_s + column + u"='"_s + QuoteValue(value) + u"'AND"_s;
    };
    part(u"目的港"_s, m_form->combo(Destination)->currentText());
    part(u"卸货港"_s, m_form->combo(Discharge)->currentText());
    c += u" a.船期='"_s + DateText(m_form->picker(Sailing)->date()) + u"'AND"_s;
    part(u"船名"_s, m_form->edit(Vessel)->text());
    part(u"航次"_s, m_form->edit(Voyage)->text());
    return c + u" (a.业务类型='货代自拼箱' or a.业务类型='客户自拼箱')"_s;
}

void THYPingXiangFrm::Load()
{
    WaitCursor wait;
    // Either list failing leaves it empty, so nothing half-read is saved.
    const bool waiting = loadWaiting();
    const bool containers = loadContainers();
    m_loadFailed = !waiting || !containers;
    m_tree->expandAll();
    selectionChanged();
}

bool THYPingXiangFrm::loadWaiting()
{
    QList<QStringList> rows{WaitingColumns};
    const std::optional<ResultReader> answer =
        OpenQueryStep(WaitingSelect + u"where b.箱类型 Like '待拼%' AND"_s + filterCondition(), QString(), 1);
    if (answer) {
        ResultReader reader = *answer;
        reader.next(reader.columnCount()); // the column names
        rows << reader.rows();
        FlagsToYesNo(rows, 1, u"是"_s, u"否"_s);
    }
    if (rows.size() < 2)
        rows << QStringList();
    m_waiting->setRows(std::move(rows), int(WaitingColumns.size()));
    m_waiting->fitColumns();
    return answer.has_value();
}

bool THYPingXiangFrm::loadContainers()
{
    const QString join = u" from 货运出口基本信息 as a inner join 货运出口货物明细  as b on a.业务编号=b.业务编号 "
                         u"where b.箱类型 not Like '待拼%'AND"_s;
    const std::optional<ResultReader> boxes = OpenQueryStep(
        u"select b.集装箱号封号,max(b.箱类型),sum(b.毛重),sum(b.尺码)"_s + join + filterCondition()
        + u" group by b.集装箱号封号 "_s);
    std::optional<ResultReader> lines;
    if (boxes) {
        lines = OpenQueryStep(u"select b.集装箱号封号,a.业务编号,a.拼箱编号,b.件数,b.毛重,b.尺码"_s + join
                              + filterCondition() + u" order by a.业务编号"_s);
    }
    m_tree->clear();
    if (!boxes || !lines)
        return false;
    try {
        QHash<QString, QTreeWidgetItem *> byNumber;
        for (const QStringList &row : ResultReader(*boxes).rows()) {
            byNumber.insert(row.value(0), addContainerNode(row.value(0), row.value(1), ParseAmount(row.value(2)),
                                                           ParseAmount(row.value(3)), false));
        }
        for (const QStringList &row : ResultReader(*lines).rows()) {
            if (QTreeWidgetItem *box = byNumber.value(row.value(0)))
                addCargoNode(box, row.mid(1));
        }
    } catch (const KorvanError &error) {
        m_tree->clear();
        ShowMessage(u"出错: \r"_s + error.message());
        return false;
    }
    return true;
}

QTreeWidgetItem *THYPingXiangFrm::addContainerNode(const QString &number, const QString &type, Amount weight,
                                                   Amount volume, bool fresh)
{
    auto *item = new QTreeWidgetItem(m_tree);
    item->setData(0, NumberRole, number);
    item->setData(0, TypeRole, type);
    setAmount(item, WeightRole, weight);
    setAmount(item, VolumeRole, volume);
    item->setData(0, FreshRole, fresh);
    drawNode(item);
    return item;
}

// values: 业务编号, 拼箱编号, 件数, 毛重, 尺码.
void THYPingXiangFrm::addCargoNode(QTreeWidgetItem *container, const QStringList &values)
{
    auto *item = new QTreeWidgetItem(container);
    item->setData(0, NumberRole, values.value(0));
    item->setData(0, TypeRole, values.value(1));
    item->setData(0, PiecesRole, values.value(2).trimmed());
    setAmount(item, WeightRole, ParseAmount(values.value(3).trimmed()));
    setAmount(item, VolumeRole, ParseAmount(values.value(4).trimmed()));
    drawNode(item);
}

// --- selection ---------------------------------------------------------------------

QTreeWidgetItem *THYPingXiangFrm::selectedContainer() const
{
    QTreeWidgetItem *item = m_tree->currentItem();
    return item && !item->parent() ? item : nullptr;
}

QTreeWidgetItem *THYPingXiangFrm::selectedCargo() const
{
    QTreeWidgetItem *item = m_tree->currentItem();
    return item && item->parent() ? item : nullptr;
}

bool THYPingXiangFrm::hasWaitingCargo() const
{
    return !m_waiting->cell(1, JobColumn).trimmed().isEmpty();
}

int THYPingXiangFrm::waitingRow() const
{
    // Only a row the user picked counts; the heading row never does.
    const QModelIndex at = m_waiting->currentIndex();
    const int row = at.isValid() ? at.row() : -1;
    if (row < 1 || row >= m_waiting->rowCount() || m_waiting->cell(row, JobColumn).trimmed().isEmpty())
        return -1;
    return row;
}

void THYPingXiangFrm::selectionChanged()
{
    QTreeWidgetItem *box = selectedContainer();
    const bool cargo = selectedCargo() != nullptr;
    {
        const QSignalBlocker quietNumber(m_number);
        const QSignalBlocker quietType(m_type);
        m_number->setText(box ? box->data(0, NumberRole).toString() : QString());
        m_type->setCurrentIndex(box ? int(m_type->findText(box->data(0, TypeRole).toString())) : -1);
        m_type->setEditText(box ? box->data(0, TypeRole).toString() : QString());
    }
    m_number->setEnabled(box);
    m_type->setEnabled(box);
    for (QPushButton *b : std::as_const(m_quickTypes))
        b->setEnabled(box);
    button(u"删除集装箱"_s)->setEnabled(box);
    m_release->setEnabled(cargo);
    button(u"业务详细"_s)->setEnabled(cargo);
    updateAssign();
}

void THYPingXiangFrm::updateAssign()
{
    m_assign->setEnabled(selectedContainer() && waitingRow() >= 1);
}

// --- editing a container ---------------------------------------------------------------

QString THYPingXiangFrm::ContainerNumberFault(const QString &number)
{
    const QString text = number.trimmed();
    if (text.isEmpty())
        return u"箱号/封号不能为空!"_s;
    for (const QChar c : text) {
        if (c.isSpace() || c == u',')
            return u"箱号/封号不能含有空格或逗号!"_s;
    }
    return QString();
}

void THYPingXiangFrm::setContainerNumber()
{
    QTreeWidgetItem *box = selectedContainer();
    if (!box)
        return;
    const QString number = m_number->text().trimmed();
    QString fault = ContainerNumberFault(number);
    for (int i = 0; fault.isEmpty() && i < m_tree->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *other = m_tree->topLevelItem(i);
        if (other != box && other->data(0, NumberRole).toString().compare(number, Qt::CaseInsensitive) == 0)
            fault = u"箱号/封号与其它集装箱重复!"_s;
    }
    if (!fault.isEmpty()) {
        ShowMessage(fault);
        m_number->setFocus();
        m_number->selectAll();
        return;
    }
    if (box->data(0, NumberRole).toString() == number)
        return;
    box->setData(0, NumberRole, number);
    drawNode(box);
    m_number->setText(number);
    m_changed = true;
}

void THYPingXiangFrm::setContainerType(const QString &type)
{
    QTreeWidgetItem *box = selectedContainer();
    if (!box)
        return;
    if (m_type->currentText() != type) {
        const QSignalBlocker quiet(m_type);
        m_type->setCurrentIndex(int(m_type->findText(type)));
        m_type->setEditText(type);
    }
    if (box->data(0, TypeRole).toString() == type)
        return;
    box->setData(0, TypeRole, type);
    drawNode(box);
    m_changed = true;
}

bool THYPingXiangFrm::eventFilter(QObject *watched, QEvent *event)
{
    if ((watched == m_number || watched == m_type) && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (watched == m_number)
                setContainerNumber();
            else
                setContainerType(m_type->currentText());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// --- moving cargo ---------------------------------------------------------------------

void THYPingXiangFrm::Assign()
{
    QTreeWidgetItem *box = selectedContainer();
    const int row = waitingRow();
    if (!box || row < 1)
        return;
    const QStringList cells = m_waiting->rowCells(row);
    Amount weight;
    Amount volume;
    try {
        weight = amountOf(box, WeightRole) + ParseAmount(cells.value(WeightColumn).trimmed());
        volume = amountOf(box, VolumeRole) + ParseAmount(cells.value(VolumeColumn).trimmed());
    } catch (const KorvanError &error) {
        ShowMessage(u"数据有错误!\r"_s + error.message());
        return;
    }
    setAmount(box, WeightRole, weight);
    setAmount(box, VolumeRole, volume);
    box->setData(0, FreshRole, false);
    drawNode(box);
    addCargoNode(box, {cells.value(JobColumn), cells.value(0), cells.value(PiecesColumn), cells.value(WeightColumn),
                       cells.value(VolumeColumn)});
    DeleteGridRow(m_waiting, row);
    m_tree->expandAll();
    m_changed = true;
    updateAssign();
}

bool THYPingXiangFrm::releaseNode(QTreeWidgetItem *cargo)
{
    const QString job = cargo->data(0, NumberRole).toString();
    // The row goes back with what the database holds, not with the node's text.
    const std::optional<ResultReader> stored =
        OpenQueryStep(WaitingSelect + u"where b.业务编号='"_s + QuoteValue(job) + u'\'');
    if (!stored)
        return false;
    ResultReader reader = *stored;
    if (reader.atEnd()) {
        ShowMessage(u"业务"_s + job + u"的货物已不存在"_s);
    } else {
        if (hasWaitingCargo())
            m_waiting->setRowCount(m_waiting->rowCount() + 1);
        m_waiting->setRowCells(m_waiting->rowCount() - 1, reader.next(int(WaitingColumns.size())));
        FlagsToYesNo(m_waiting, 1, u"是"_s, u"否"_s);
    }
    // The container loses what the line brought into it.
    QTreeWidgetItem *box = cargo->parent();
    setAmount(box, WeightRole, amountOf(box, WeightRole) - amountOf(cargo, WeightRole));
    setAmount(box, VolumeRole, amountOf(box, VolumeRole) - amountOf(cargo, VolumeRole));
    drawNode(box);
    delete cargo;
    m_changed = true;
    return true;
}

void THYPingXiangFrm::Release()
{
    if (QTreeWidgetItem *cargo = selectedCargo()) {
        releaseNode(cargo);
        selectionChanged();
    }
}

void THYPingXiangFrm::AddContainer()
{
    QTreeWidgetItem *box = addContainerNode(NewBoxNumber, QuickTypes.first(), Amount(), Amount(), true);
    m_tree->expandAll();
    m_tree->setCurrentItem(box);
    m_changed = true;
}

void THYPingXiangFrm::DeleteContainer()
{
    QTreeWidgetItem *box = selectedContainer();
    if (!box)
        return;
    while (box->childCount() > 0) {
        if (!releaseNode(box->child(box->childCount() - 1)))
            return; // the lines not released stay in their container
    }
    delete box;
    m_changed = true;
    selectionChanged();
}

// --- saving --------------------------------------------------------------------------

QList<THYPingXiangFrm::Assignment> THYPingXiangFrm::assignments() const
{
    QList<Assignment> list;
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *box = m_tree->topLevelItem(i);
        for (int c = 0; c < box->childCount(); ++c) {
            list.append({box->child(c)->data(0, NumberRole).toString(), box->data(0, TypeRole).toString(),
                         box->data(0, NumberRole).toString()});
        }
    }
    for (int r = 1; r < m_waiting->rowCount(); ++r) {
        const QString job = m_waiting->cell(r, JobColumn);
        if (!job.trimmed().isEmpty())
            list.append({job, Waiting, Waiting});
    }
    return list;
}

QStringList THYPingXiangFrm::containerNumbers() const
{
    QStringList numbers;
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i)
        numbers << m_tree->topLevelItem(i)->data(0, NumberRole).toString();
    return numbers;
}

bool THYPingXiangFrm::refuseNumbers() const
{
    // Empty containers are not written: only those holding cargo must be right.
    QStringList seen;
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem *box = m_tree->topLevelItem(i);
        if (box->childCount() == 0)
            continue;
        const QString number = box->data(0, NumberRole).toString();
        const QString type = box->data(0, TypeRole).toString().trimmed();
        QString fault = ContainerNumberFault(number);
        if (fault.isEmpty() && seen.contains(number, Qt::CaseInsensitive))
            fault = u"箱号/封号与其它集装箱重复!"_s;
        if (fault.isEmpty() && (type.isEmpty() || type.startsWith(Waiting)))
            fault = u"请选择集装箱的箱类型!"_s;
        if (!fault.isEmpty()) {
            m_tree->setCurrentItem(box);
            ShowMessage(fault + u"\r"_s + box->text(0));
            return true;
        }
        seen << number;
    }
    return false;
}

QString THYPingXiangFrm::WriteAssignments(ServerConnection &server, const QList<Assignment> &assignments,
                                          QString *failedSql, QString *failedAnswer)
{
    const auto refused = [&](const QString &sql, const QString &answer) {
        if (failedSql)
            *failedSql = sql;
        if (failedAnswer)
            *failedAnswer = answer;
        return u"出错: \r"_s + sql + answer.mid(3);
    };
    TransactionGuard transaction(server);
    if (!transaction.begun())
        return refused(u"BeginTrans"_s, transaction.lastAnswer());
    for (const Assignment &a : assignments) {
        // The type travels as the parameter: it holds an apostrophe (20'GP).
        const QString sql = u"UPDATE 货运出口货物明细 SET 箱类型=:p1,集装箱号封号='"_s + QuoteValue(a.container)
                            + u"' WHERE 业务编号='"_s + QuoteValue(a.job) + u'\'';
        const QString answer = server.execSql(sql, a.type);
        if (answer.startsWith(u"Err"_s))
            return refused(sql, answer);
        // A job deleted meanwhile has no row to take the container.
        if (answer.section(FieldSep, 1, 1).toInt() < 1)
            return u"业务"_s + a.job + u"的货物已不存在，保存没有成功"_s;
    }
    if (!transaction.commit())
        return refused(u"CommitTrans"_s, transaction.lastAnswer());
    return QString();
}

bool THYPingXiangFrm::Save()
{
    if (m_loadFailed) {
        ShowMessage(u"数据没有读取成功，不能保存！"_s);
        return false;
    }
    if (refuseNumbers())
        return false;
    const QList<Assignment> list = assignments();
    QString failure;
    QString failedSql;
    QString failedAnswer;
    try {
        failure = WriteAssignments(GetAppServer(), list, &failedSql, &failedAnswer);
    } catch (const KorvanError &) {
        MessageService::inform(u"提醒"_s, u"保存没有成功"_s, MessageService::Icon::Information);
        return false;
    }
    if (!failedAnswer.isEmpty()) {
        ReportOutcome(0, failedAnswer, failedSql);
        return false;
    }
    if (!failure.isEmpty()) {
        MessageService::inform(u"提醒"_s, failure, MessageService::Icon::Information);
        return false;
    }
    QStringList jobs;
    for (const Assignment &a : list)
        jobs << a.job;
    emit consolidationSaved(jobs);
    ReportOutcome(1, QString(), QString());
    Load();
    return true;
}

// --- leaving ------------------------------------------------------------------------

// True when the window may go on: nothing unsaved, saved now, or dropped
// (No); false when the user cancels or the save fails.
bool THYPingXiangFrm::askToSave()
{
    if (!m_changed)
        return true;
    const auto answer = MessageService::ask(u"提示"_s, u"数据已修改，是否保存？"_s,
                                            MessageService::Yes | MessageService::No | MessageService::Cancel,
                                            MessageService::Icon::Information);
    if (answer == MessageService::Yes)
        return Save();
    return answer == MessageService::No;
}

void THYPingXiangFrm::ShowJob()
{
    const QTreeWidgetItem *cargo = selectedCargo();
    if (!cargo)
        return;
    const QString job = cargo->data(0, NumberRole).toString();
    if (!askToSave())
        return;
    if (OpenExportJob(job))
        QDialog::reject();
}

void THYPingXiangFrm::Return()
{
    if (askToSave())
        QDialog::reject();
}

void THYPingXiangFrm::reject()
{
    Return();
}
