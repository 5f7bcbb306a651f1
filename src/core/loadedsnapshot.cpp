#include "loadedsnapshot.h"

#include "marks.h"
#include "messageservice.h"
#include "queryhelpers.h"
#include "resultreader.h"
#include "serverconnection.h"

#include <QDate>
#include <QDateTime>

using namespace Qt::StringLiterals;

void LoadedSnapshot::keep(QList<Part> parts, QStringList tables, QString key)
{
    m_parts = std::move(parts);
    m_tables = std::move(tables);
    m_key = std::move(key);
    m_reread.clear();
}

void LoadedSnapshot::forget()
{
    m_parts.clear();
    m_reread.clear();
    m_tables.clear();
    m_key.clear();
}

QString LoadedSnapshot::valuesOf(const QString &answer)
{
    const ResultReader reader = ResultReader::fromAnswer(answer);
    return reader.isError() ? QString() : reader.rest().toString();
}

namespace {

// The values of a part, however its text ends.
QStringList valueList(const QString &values)
{
    QStringList out;
    ResultReader reader(values, CommFunU::FieldSep);
    while (!reader.atEnd())
        out << reader.next();
    return out;
}

} // namespace

LoadedSnapshot::State LoadedSnapshot::verify(ServerConnection &server, QString *failure) const
{
    for (qsizetype i = 0; i < m_parts.size(); ++i) {
        const Part &part = m_parts.at(i);
        const QString answer = server.openQuery(part.sql, QString(), 0);
        if (answer.startsWith(u"Err"_s)) {
            if (failure)
                *failure = answer;
            return Failed;
        }
        const QString now = valuesOf(answer);
        if (now == part.values || valueList(now) == valueList(part.values))
            continue;
        return i == 0 && now.isEmpty() ? Deleted : Changed;
    }
    return Unchanged;
}

bool LoadedSnapshot::reread(ServerConnection &server)
{
    m_reread.clear();
    for (const Part &part : std::as_const(m_parts)) {
        const QString answer = server.openQuery(part.sql, QString(), 0);
        if (answer.startsWith(u"Err"_s)) {
            m_reread.clear();
            return false;
        }
        m_reread.append({part.sql, valuesOf(answer)});
    }
    return true;
}

void LoadedSnapshot::adoptReread()
{
    if (m_reread.size() == m_parts.size())
        m_parts = m_reread;
    m_reread.clear();
}

// --- the notice ------------------------------------------------------------------

QString StaleRecordError::noticeText(const QString &noun, bool deleted, const QString &who, const QString &when)
{
    const QString done = deleted ? u"删除"_s : u"修改"_s;
    QString by;
    if (who.isEmpty())
        by = u"其他用户"_s + (when.isEmpty() ? QString() : u" 于 "_s + when + u' ');
    else
        by = u' ' + who + u' ' + (when.isEmpty() ? QString() : u"于 "_s + when + u' ');
    return u"此"_s + noun + u"已被"_s + by + done + u"，您的修改没有保存。"_s;
}

namespace {

QString noticeOf(const LoadedSnapshot &snapshot, const QStringList &tables, LoadedSnapshot::State state,
                 const QString &noun)
{
    CommFunU::LastChange change;
    try {
        change = CommFunU::LastChangeOf(CommFunU::GetAppServer(), tables, snapshot.key());
    } catch (const KorvanError &) {
        // No name then: the refusal itself still stands.
    }
    return StaleRecordError::noticeText(noun, state == LoadedSnapshot::Deleted, change.who, change.when);
}

} // namespace

StaleRecordError::StaleRecordError(const LoadedSnapshot &snapshot, LoadedSnapshot::State state, const QString &noun)
    : KorvanError(noticeOf(snapshot, snapshot.m_tables, state, noun))
    , m_deleted(state == LoadedSnapshot::Deleted)
{
}

namespace CommFunU {

LastChange LastChangeOf(ServerConnection &server, const QStringList &tables, const QString &key)
{
    LastChange change;
    if (tables.isEmpty() || key.isEmpty())
        return change;
    // The statements of the trail hold the key as it was quoted in them.
    const QString quotedKey = QuoteValue(QuoteValue(key));
    QStringList inTables;
    for (const QString &table : tables)
        inTables << u"语句 like '%"_s + QuoteValue(table) + u"%'"_s;
    const QString sql = u"select top 1 用户名, 时间 from 审计日志 where 影响行数>0 and 语句 like '%''"_s + quotedKey
                        + u"''%' and ("_s + inTables.join(u" or "_s) + u") order by 序号 desc"_s;
    const QString answer = server.openQuery(sql, QString(), 0);
    ResultReader reader = ResultReader::fromAnswer(answer);
    if (reader.isError() || reader.atEnd())
        return change; // not readable for this user, or no such change
    const QString user = reader.next();
    const QString time = reader.next();
    const QString staff = LookupValue(user, u"职员"_s, u"用户名"_s, u"职员姓名"_s);
    change.who = staff.isEmpty() ? user : staff;
    const QDateTime at = QDateTime::fromString(time, u"yyyy-MM-dd hh:mm:ss"_s);
    if (at.isValid())
        change.when = at.date() == QDate::currentDate() ? at.toString(u"hh:mm"_s) : at.toString(u"yyyy-MM-dd hh:mm"_s);
    return change;
}

bool AskReloadAfterStaleSave(const StaleRecordError &error)
{
    const QString text = error.message()
                         + (error.deleted() ? u"\r是否关闭此页？选“否”继续编辑，可复制您输入的内容。"_s
                                            : u"\r是否重新读取？选“否”继续编辑，可复制您输入的内容。"_s);
    if (MessageService::ask(u"提示"_s, text, MessageService::Yes | MessageService::No, MessageService::Icon::Warning)
        != MessageService::Yes)
        return false;
    return MessageService::ask(u"提示"_s, u"您在此页的修改将全部丢失，确定吗？"_s,
                               MessageService::Yes | MessageService::No, MessageService::Icon::Warning)
           == MessageService::Yes;
}

} // namespace CommFunU
