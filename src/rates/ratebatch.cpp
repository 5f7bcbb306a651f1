#include "ratebatch.h"

#include "queryhelpers.h"
#include "resultreader.h"
#include "serverconnection.h"
#include "transactionguard.h"
#include "values.h"

using namespace Qt::StringLiterals;
using namespace CommFunU;

namespace {

int columnOf(const QString &name)
{
    return int(RateBook::columns().indexOf(name));
}

QString quoted(const QString &value)
{
    return u'\'' + QuoteValue(value) + u'\'';
}

} // namespace

bool RateBatch::changesSomething() const
{
    for (int i = 0; i < TypeCount; ++i) {
        if (cost[i] || sell[i])
            return true;
    }
    return false;
}

QList<RateBatch::Row> RateBatch::plan(const QList<QStringList> &stored, QString *error) const
{
    QList<Row> rows;
    const int validFrom = columnOf(u"生效日期"_s);
    const int validUntil = columnOf(u"失效日期"_s);
    const QString fromText = from.isValid() ? DateText(from) : QString();
    for (const QStringList &rate : stored) {
        Row row;
        row.before = rate;
        row.after = rate;
        if (from.isValid()) {
            if (rate.value(validUntil) < fromText)
                continue; // over before the new prices start
            if (rate.value(validFrom) < fromText) {
                row.action = Row::Split;
                row.after[validFrom] = fromText;
            }
        }
        for (int i = 0; i < TypeCount; ++i) {
            const std::pair<const std::optional<Amount> &, QString> sides[] = {{cost[i], RateBook::costColumn(i)},
                                                                               {sell[i], RateBook::sellColumn(i)}};
            for (const auto &[by, name] : sides) {
                if (!by)
                    continue;
                const int at = columnOf(name);
                QString price;
                try {
                    price = RateBook::adjusted(rate.value(at), change, *by);
                } catch (const std::exception &) {
                    *error = u"序号为 "_s + rate.value(0) + u" 的运价的 "_s + name + u" 不是有效的金额: "_s + rate.value(at);
                    return {};
                }
                if (!price.isEmpty() && ParseAmount(price) < Amount()) {
                    *error = u"序号为 "_s + rate.value(0) + u" 的运价调整后 "_s + name + u" 小于零: "_s + price;
                    return {};
                }
                row.after[at] = price;
            }
        }
        rows.append(row);
    }
    return rows;
}

int RateBatch::apply(ServerConnection &server, const QString &condition, QString *error) const
{
    TransactionGuard transaction(server);
    if (!transaction.begun()) {
        *error = transaction.lastAnswer().mid(3);
        return -1;
    }
    // Read inside the transaction: the rates as they are now.
    const QString answer = server.openQuery(u"select * from 运价 where"_s + condition + u" order by 序号"_s, QString(), 0);
    ResultReader reader = ResultReader::fromAnswer(answer);
    if (reader.isError()) {
        *error = answer.mid(3);
        return -1;
    }
    const QList<Row> rows = plan(reader.rows(), error);
    if (rows.isEmpty())
        return error->isEmpty() ? 0 : -1;
    const QString highest = ResultReader::fromAnswer(server.openQuery(u"select Max(序号) from 运价"_s, QString(), 0)).next();
    qint64 next = highest.toLongLong() + 1;

    const QStringList columns = RateBook::columns();
    const int changed = columnOf(u"修改日期"_s);
    const int enteredBy = columnOf(u"录入人"_s);
    const int validFrom = columnOf(u"生效日期"_s);
    const int validUntil = columnOf(u"失效日期"_s);
    auto run = [&](const QString &sql) {
        const QString result = server.execSql(sql, QString());
        if (!result.startsWith(u"Err"_s))
            return true;
        *error = result.mid(3) + u"\r"_s + sql;
        return false;
    };
    for (const Row &row : rows) {
        const QString key = row.before.value(0);
        if (!IsIntegerText(key)) {
            *error = u"序号必须是整数: "_s + key;
            return -1;
        }
        if (row.action == Row::InPlace) {
            QStringList sets;
            for (int c = 0; c < columns.size(); ++c) {
                if (row.after.value(c) != row.before.value(c))
                    sets << columns.at(c) + u'=' + quoted(row.after.value(c));
            }
            sets << columns.at(changed) + u'=' + quoted(DateText(today));
            if (!run(u"update 运价 set "_s + sets.join(u","_s) + u" where 序号="_s + key))
                return -1;
        } else {
            const QString dayBefore = DateText(from.addDays(-1));
            if (!run(u"update 运价 set "_s + columns.at(validUntil) + u'=' + quoted(dayBefore) + u','
                     + columns.at(changed) + u'=' + quoted(DateText(today)) + u" where 序号="_s + key))
                return -1;
            QStringList copy = row.after;
            copy[0] = QString::number(next++);
            copy[validFrom] = DateText(from);
            copy[enteredBy] = user;
            copy[changed] = DateText(today);
            QStringList values;
            for (const QString &value : std::as_const(copy))
                values << quoted(value);
            if (!run(u"insert into 运价 values("_s + values.join(u","_s) + u')'))
                return -1;
        }
    }
    if (!transaction.commit()) {
        *error = transaction.lastAnswer().mid(3);
        return -1;
    }
    return int(rows.size());
}
