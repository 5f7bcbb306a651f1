#include "schema.h"

using namespace Qt::StringLiterals;

namespace {

// Fee columns are named "f" + group + two-digit position within the group:
// feeColumns(u"f2"_s, 1, 3) gives f201, f202, f203.
QStringList feeColumns(const QString &group, int first, int last)
{
    QStringList names;
    for (int i = first; i <= last; ++i)
        names << group + QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'));
    return names;
}

QString quoted(const QString &name)
{
    QString text = name;
    text.replace(u'"', u"\"\""_s);
    return u'"' + text + u'"';
}

// The basic table of a job, export or import (same names, same order).
QStringList jobColumns()
{
    return {
        u"业务编号"_s, u"业务员"_s, u"操作员"_s, u"委托人"_s, u"委托编号"_s,
        u"订舱单位"_s, u"船名"_s, u"航次"_s, u"提单号"_s, u"目的港"_s,
        u"运抵国"_s, u"装货港"_s, u"拼箱编号"_s, u"卸货港"_s, u"手册号"_s,
        u"核销单号"_s, u"报关行"_s, u"货物已报关"_s, u"货物已退关"_s, u"船公司提单"_s,
        u"货代提单"_s, u"HBL号"_s, u"委托日期"_s, u"船期"_s, u"签单日期"_s,
        u"截关日期"_s, u"业务类型"_s, u"发货人"_s, u"收货人"_s, u"通知人"_s,
        u"目的港代理"_s, u"标记和号码"_s, u"货名"_s, u"件数"_s, u"包装种类"_s,
        u"毛重"_s, u"净重"_s, u"尺码"_s, u"货名简称"_s, u"集装箱数或件数合计"_s,
        u"预付地点"_s, u"到付地点"_s, u"签发地点"_s, u"FromServerType"_s, u"ToServerType"_s,
        u"收费条款"_s, u"正本提单份数"_s, u"作业码头"_s, u"货物种类"_s, u"分配车队"_s,
        u"车队"_s, u"分配仓库"_s, u"仓库"_s, u"自做箱"_s, u"做箱情况"_s,
        u"装箱仓库地址"_s, u"特殊要求"_s, u"装箱入仓日期"_s, u"装箱入仓时间"_s, u"装箱仓库联系人"_s,
        u"装箱仓库联系电话"_s, u"倒签"_s, u"预借"_s, u"电放"_s, u"分批"_s,
        u"转船"_s, u"中转港"_s, u"转船信息"_s, u"备注"_s, u"二程船公司提单号"_s,
        u"二程船名"_s, u"二程航次"_s, u"手册退单日期"_s, u"手册已退单"_s, u"手册寄发日期"_s,
        u"手册已寄发"_s, u"手册快件名称"_s, u"提单签发日期"_s, u"提单已签发"_s, u"提单寄发日期"_s,
        u"提单已寄发"_s, u"提单快件名称"_s, u"核销单退单日期"_s, u"核销单已退单"_s, u"核销单寄发日期"_s,
        u"核销单已寄发"_s, u"核销单快件名称"_s, u"箱型箱量"_s,
    };
}

QStringList cargoColumns()
{
    return {u"业务编号"_s, u"箱类型"_s, u"集装箱号封号"_s, u"件数"_s, u"毛重"_s, u"尺码"_s};
}

QStringList feeTotals()
{
    return {u"A1"_s, u"A2"_s, u"A"_s, u"B1"_s, u"B2"_s, u"B"_s};
}

QStringList exportFeeColumns()
{
    QStringList c{u"业务编号"_s};
    c << feeColumns(u"f1"_s, 1, 10);  // client USD; f109 退佣, f110 USD小计
    c << feeColumns(u"f2"_s, 1, 19);  // client RMB; f217 退佣, f218 包干费, f219 RMB小计
    c << u"收费备注"_s << u"订舱单位"_s;
    c << feeColumns(u"f3"_s, 1, 10);  // booking party USD; f302 退佣率, f303 COMM, f310 小计
    c << feeColumns(u"f4"_s, 1, 7);   // booking party RMB; f407 小计
    c << u"报关行"_s;
    c << feeColumns(u"f5"_s, 1, 7);   // customs broker; f507 小计
    c << u"车队"_s;
    c << feeColumns(u"f6"_s, 1, 7);   // truck fleet; f607 小计
    c << u"仓库"_s;
    c << feeColumns(u"f7"_s, 1, 9);   // warehouse; f709 小计
    c << u"应付备注"_s << u"代理"_s;
    c << feeColumns(u"f8"_s, 1, 9);   // receivable from the agent; f809 小计
    c << feeColumns(u"f9"_s, 1, 9);   // payable to the agent; f909 小计
    c << feeColumns(u"fa"_s, 1, 18);  // agent RMB; fa17 包干费, fa18 小计
    c << u"其它备注"_s << u"MBL付款方式"_s << u"HBL付款方式"_s;
    c << feeTotals();
    c << u"已提交"_s;
    return c;
}

QStringList importFeeColumns()
{
    QStringList c{u"业务编号"_s};
    c << feeColumns(u"f1"_s, 1, 10);  // client USD; f102 退佣率, f103 退佣, f110 USD小计
    c << feeColumns(u"f2"_s, 1, 23);  // client RMB; f223 包干费
    c << u"f2231"_s << u"f224"_s;     // RMB 退佣, RMB小计
    c << u"收费备注"_s << u"船公司"_s;
    c << feeColumns(u"f3"_s, 1, 10);  // shipping line USD; f302 退佣率, f303 COMM, f310 小计
    c << feeColumns(u"f4"_s, 1, 4);   // shipping line RMB; f404 小计
    c << u"报关行"_s;
    c << feeColumns(u"f5"_s, 1, 9);   // customs broker; f509 小计
    c << u"车队"_s;
    c << feeColumns(u"f6"_s, 1, 11);  // truck fleet; f611 小计
    c << u"仓库"_s;
    c << feeColumns(u"f7"_s, 1, 5);   // warehouse; f705 小计
    c << u"应付备注"_s << u"代理"_s;
    c << feeColumns(u"f8"_s, 1, 9);
    c << feeColumns(u"f9"_s, 1, 9);
    c << feeColumns(u"fa"_s, 1, 24);  // fa23 包干费, fa24 小计
    c << u"其它备注"_s << u"MBL付款方式"_s << u"HBL付款方式"_s;
    c << feeTotals();
    c << u"已提交"_s;
    return c;
}

// The freight rates: a carrier's prices on one route for a period; cost
// and selling price per container type, empty where there is no rate.
QStringList rateColumns()
{
    QStringList c{u"序号"_s, u"船公司"_s, u"航线"_s, u"起运港"_s, u"目的港"_s, u"中转港"_s, u"币种"_s};
    for (const QString &side : {u"成本"_s, u"售价"_s}) {
        for (const QString &type : {u"20GP"_s, u"40GP"_s, u"40HC"_s, u"45HC"_s, u"CBM"_s})
            c << side + type;
    }
    c << u"附加费"_s << u"船期"_s << u"航程"_s << u"生效日期"_s << u"失效日期"_s << u"备注"_s << u"录入人"_s
      << u"修改日期"_s;
    return c;
}

TableDef def(const QString &name, const QStringList &columns, const QStringList &key,
             const QList<QStringList> &indexes = {}, bool integerKey = false)
{
    TableDef table;
    table.name = name;
    table.columns = columns;
    table.key = key;
    table.integerKey = integerKey;
    table.indexes = indexes;
    return table;
}

QList<TableDef> buildTables()
{
    const QStringList job{u"业务编号"_s};
    // Month lists and period queries of the cross-job windows: by sailing
    // date, by month, and by operator and month.
    const QList<QStringList> jobIndexes{
        {u"船期"_s},
        {u"substr(\"船期\",1,7)"_s},
        {u"操作员"_s, u"substr(\"船期\",1,7)"_s},
    };
    QList<QStringList> exportIndexes = jobIndexes;
    exportIndexes << QStringList{u"车队"_s, u"做箱情况"_s} << QStringList{u"仓库"_s, u"做箱情况"_s};

    QList<TableDef> t;
    t << def(u"货运出口基本信息"_s, jobColumns(), job, exportIndexes);
    t << def(u"货运出口货物明细"_s, cargoColumns(), {}, {{u"业务编号"_s}, {u"集装箱号封号"_s}});
    t << def(u"货运出口报关单"_s,
                  {u"业务编号"_s, u"预录入编号"_s, u"海关编号"_s, u"出口日期"_s, u"申报日期"_s, u"经营单位"_s,
                   u"运输方式"_s, u"发货单位"_s, u"贸易方式"_s, u"征免性质"_s, u"结汇方式"_s, u"许可证号"_s,
                   u"境内货源地"_s, u"成交方式"_s, u"运费"_s, u"保费"_s, u"杂费"_s, u"合同协议号"_s,
                   u"随附单据"_s, u"生产厂家"_s, u"货物明细"_s, u"报关员"_s},
                  job);
    t << def(u"货运出口报检单"_s,
                  {u"业务编号"_s, u"报检编号"_s, u"报检单位登记号"_s, u"联系人"_s, u"电话"_s, u"报检日期"_s,
                   u"发货人中文"_s, u"发货人英文"_s, u"收货人中文"_s, u"收货人英文"_s, u"货物明细"_s,
                   u"货物存放地点"_s, u"信用证号"_s, u"用途"_s, u"许可证审批号"_s, u"生产单位注册号"_s,
                   u"集装箱规格数量及号码"_s, u"检验检疫条款"_s, u"标记及号码"_s, u"检验检疫费总金额"_s,
                   u"记费人"_s, u"收费人"_s},
                  job);
    t << def(u"货运出口更正单"_s,
                  {u"业务编号"_s, u"更正单编号"_s, u"TO"_s, u"打印时间"_s, u"原来内容"_s, u"更新内容"_s,
                   u"更新原因"_s},
                  {u"业务编号"_s, u"更正单编号"_s});
    t << def(u"货运出口费用明细"_s, exportFeeColumns(), job);
    t << def(u"货运进口基本信息"_s, jobColumns(), job, jobIndexes);
    t << def(u"货运进口货物明细"_s, cargoColumns(), {}, {{u"业务编号"_s}});
    t << def(u"货运进口费用明细"_s, importFeeColumns(), job);
    t << def(u"财务"_s,
                  {u"业务编号"_s, u"美元收款日"_s, u"美元发票号"_s, u"已收1"_s, u"人民币收款日"_s,
                   u"人民币发票号"_s, u"已收2"_s, u"订舱单位美元"_s, u"已付1"_s, u"订舱单位人民币"_s,
                   u"已付2"_s, u"报关行人民币"_s, u"已付3"_s, u"车队人民币"_s, u"已付4"_s, u"仓库人民币"_s,
                   u"已付5"_s, u"佣金美元"_s, u"已退6"_s, u"佣金人民币"_s, u"已退7"_s,
                   u"美元付款单位"_s, u"美元开票日期"_s, u"美元发票NO"_s, u"美元开户银行"_s, u"美元帐号"_s,
                   u"美元金额"_s, u"美元收费内容"_s, u"美元制单"_s,
                   u"人民币付款单位"_s, u"人民币开票日期"_s, u"人民币发票NO"_s, u"人民币开户银行"_s,
                   u"人民币帐号"_s, u"人民币金额"_s, u"人民币收费内容"_s, u"人民币制单"_s},
                  job);
    t << def(u"部门"_s, {u"部门名称"_s, u"部门经理"_s, u"上级部门"_s, u"直线电话"_s, u"传真"_s},
                  {u"部门名称"_s});
    t << def(u"职员"_s,
                  {u"职员姓名"_s, u"用户名"_s, u"密码"_s, u"英文名"_s, u"生日"_s, u"录用日期"_s, u"离职日期"_s,
                   u"所属部门"_s, u"职位"_s, u"分机号码"_s, u"传真"_s, u"档案所在地"_s, u"劳动手册"_s,
                   u"手册状态"_s, u"Email"_s, u"家庭电话"_s, u"手机号"_s, u"家庭地址"_s, u"邮编"_s,
                   u"权限1"_s, u"权限2"_s, u"权限3"_s, u"权限4"_s, u"权限5"_s, u"权限6"_s, u"权限7"_s,
                   u"权限8"_s},
                  {u"用户名"_s}, {{u"职员姓名"_s}, {u"所属部门"_s}});
    t << def(u"单位"_s,
                  {u"缩写代码"_s, u"简称"_s, u"单位全称"_s, u"Email"_s, u"联系人"_s, u"电话"_s, u"传真"_s,
                   u"地址"_s, u"发票抬头RMB"_s, u"发票抬头USD"_s, u"英文名称"_s, u"业务员"_s, u"委托人"_s,
                   u"订舱单位"_s, u"报关行"_s, u"仓库"_s, u"车队"_s, u"船公司"_s, u"航空公司"_s, u"代理"_s,
                   u"其他"_s},
                  {u"缩写代码"_s}, {{u"简称"_s}});
    t << def(u"运价"_s, rateColumns(), {u"序号"_s},
                  {{u"起运港"_s, u"目的港"_s}, {u"船公司"_s}, {u"生效日期"_s, u"失效日期"_s}}, true);
    t << def(u"港口"_s, {u"港口编号"_s, u"航线名称"_s, u"国家"_s, u"港口名称"_s}, {u"港口编号"_s},
                  {{u"港口名称"_s}, {u"航线名称"_s, u"国家"_s}}, true);
    return t;
}

} // namespace

const QList<TableDef> &Schema::tables()
{
    static const QList<TableDef> all = buildTables();
    return all;
}

const TableDef *Schema::find(const QString &name)
{
    for (const TableDef &table : tables()) {
        if (table.name == name)
            return &table;
    }
    return nullptr;
}

bool Schema::hasIndexOn(const QString &table, const QString &part)
{
    const TableDef *def = find(table);
    if (!def)
        return false;
    for (const QStringList &index : def->indexes) {
        if (index.contains(part))
            return true;
    }
    return false;
}

// Every value is text compared without regard to the case of Latin letters,
// as the client's dialect compares: a job typed ab-001 is found as AB-001 and
// cannot be stored twice as AB-001 and ab-001. Key columns refuse NULL and the
// empty text; the CHECK constraint's name tells the error text which column.
QStringList Schema::createStatements(const TableDef &table)
{
    return createStatements(table, ColumnTypes());
}

QStringList Schema::createStatements(const TableDef &table, const ColumnTypes &types)
{
    QStringList columns;
    for (const QString &column : table.columns) {
        QString def = quoted(column);
        const bool inKey = table.key.contains(column);
        // A row of any job table belongs to a job: its number is never empty.
        const bool required = inKey || column == u"业务编号"_s;
        if (table.integerKey && inKey) {
            def += u' ' + types.integerKey + u" NOT NULL PRIMARY KEY"_s;
        } else {
            def += u' ' + types.text;
            if (required)
                def += u" NOT NULL CONSTRAINT "_s + quoted(u"required "_s + column) + u" CHECK ("_s
                       + quoted(column) + u" <> '')"_s;
        }
        columns << def;
    }
    if (!table.integerKey && !table.key.isEmpty()) {
        QStringList keyColumns;
        for (const QString &column : table.key)
            keyColumns << quoted(column);
        columns << u"PRIMARY KEY ("_s + keyColumns.join(u", "_s) + u')';
    }
    QStringList statements{u"CREATE TABLE "_s + quoted(table.name) + u" (\n  "_s + columns.join(u",\n  "_s)
                           + u"\n)"_s};
    const QString order = types.indexOrder.isEmpty() ? QString() : u' ' + types.indexOrder;
    const auto createIndex = [&](const QString &name, const QStringList &index) {
        QStringList parts;
        for (const QString &part : index)
            parts << (part.contains(u'(') ? part : quoted(part)) + order;
        statements << u"CREATE INDEX "_s + quoted(name) + u" ON "_s + quoted(table.name) + u" ("_s + parts.join(u", "_s)
                          + u')';
    };
    if (types.orderedKeyIndex && !table.key.isEmpty())
        createIndex(table.name + u"_key"_s, table.key);
    int n = 0;
    for (const QStringList &index : table.indexes)
        createIndex(table.name + u"_ix"_s + QString::number(++n), index);
    return statements;
}
