#include "monthtree.h"

#include "queryhelpers.h"

#include <QDate>
#include <QHeaderView>

using namespace Qt::StringLiterals;
using namespace CommFunU;

namespace {

bool isMonth(const QString &text)
{
    return text.size() == 7 && QDate::fromString(text + u"-01"_s, u"yyyy-MM-dd"_s).isValid();
}

} // namespace

QString BasicTableOf(JobLine line)
{
    return line == JobLine::Import ? u"货运进口基本信息"_s : u"货运出口基本信息"_s;
}

const LineFeeColumns &FeeColumnsOf(JobLine line)
{
    static const LineFeeColumns lines[2] = {
        {u"货运出口费用明细"_s, u"f219"_s, u"f109"_s, u"f217"_s},
        {u"货运进口费用明细"_s, u"f224"_s, u"f103"_s, u"f2231"_s},
    };
    return lines[line == JobLine::Import ? 1 : 0];
}

MonthTree::MonthTree(QWidget *parent)
    : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setAccessibleName(u"目录树"_s);
    m_roots[0] = new QTreeWidgetItem(this, {u"海运出口"_s});
    m_roots[1] = new QTreeWidgetItem(this, {u"海运进口"_s});
}

MonthTree::~MonthTree() = default;

QTreeWidgetItem *MonthTree::root(JobLine line) const
{
    return m_roots[line == JobLine::Import ? 1 : 0];
}

JobLine MonthTree::line() const
{
    const QList<QTreeWidgetItem *> selected = selectedItems();
    if (selected.isEmpty())
        return JobLine::Export;
    const QTreeWidgetItem *item = selected.first();
    const QTreeWidgetItem *top = item->parent() ? item->parent() : item;
    return top == root(JobLine::Import) ? JobLine::Import : JobLine::Export;
}

QString MonthTree::month() const
{
    const QList<QTreeWidgetItem *> selected = selectedItems();
    if (selected.isEmpty() || !selected.first()->parent())
        return QString();
    return selected.first()->text(0);
}

QStringList MonthTree::months(JobLine line) const
{
    QStringList out;
    const QTreeWidgetItem *top = root(line);
    for (int i = 0; i < top->childCount(); ++i)
        out << top->child(i)->text(0);
    return out;
}

bool MonthTree::selectMonth(JobLine line, const QString &month)
{
    QTreeWidgetItem *top = root(line);
    for (int i = 0; i < top->childCount(); ++i) {
        if (top->child(i)->text(0) == month) {
            setCurrentItem(top->child(i));
            return true;
        }
    }
    return false;
}

void MonthTree::rebuild(const QString &condition, const StatusLine &status)
{
    const QList<QTreeWidgetItem *> selected = selectedItems();
    const bool hadSelection = !selected.isEmpty();
    const JobLine keptLine = line();
    const QString keptMonth = month();

    const QSignalBlocker quiet(this);
    setFocus();
    for (QTreeWidgetItem *top : m_roots)
        qDeleteAll(top->takeChildren());

    for (JobLine l : {JobLine::Export, JobLine::Import}) {
        QString sql = u"select distinct Left(船期,7) from "_s + BasicTableOf(l) + u' ';
        if (!condition.isEmpty())
            sql += u" where "_s + condition;
        status(u"正在查询服务器,请稍侯..."_s);
        std::optional<ResultReader> reader = OpenQueryStep(sql);
        if (!reader)
            continue;
        status(u"正在处理数据,请稍侯..."_s);
        QList<QTreeWidgetItem *> nodes;
        while (!reader->atEnd()) {
            const QString value = reader->next();
            if (isMonth(value))
                nodes << new QTreeWidgetItem(QStringList{value});
        }
        root(l)->addChildren(nodes);
    }
    status(QString());

    clearSelection();
    if (hadSelection && (keptMonth.isEmpty() || !selectMonth(keptLine, keptMonth)))
        setCurrentItem(root(keptLine));
    else if (!hadSelection)
        setCurrentItem(nullptr);
    expandAll();
}
