#include "queryhelpers.h"
#include "clientfiles.h"

#include "currentuser.h"
#include "korvanerror.h"
#include "marks.h"
#include "messageservice.h"
#include "serverconnection.h"
#include "textcodec.h"
#include "values.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;

namespace CommFunU {

namespace {

AppServerProvider &provider()
{
    static AppServerProvider instance;
    return instance;
}

} // namespace

CurrentUserRecord &CurrentUser()
{
    static CurrentUserRecord record;
    return record;
}

QString PopField(QString &source, int separator)
{
    if (source.isEmpty())
        return QString();
    const QChar sep = separatorByNumber(separator);
    const qsizetype at = source.indexOf(sep);
    QString field;
    if (at >= 0) {
        field = source.left(at);
        source.remove(0, at + 1);
    } else {
        field = source;
        source.clear();
    }
    field.replace(ColonMark, u':');
    return field;
}

QString QuoteValue(const QString &value)
{
    QString out;
    out.reserve(value.size() + 8);
    for (const QChar c : value) {
        if (c == u'\'')
            out += u"''"_s;
        else if (c == u':')
            out += ColonMark;
        else
            out += c;
    }
    return out;
}

QString BuildValuesList(const QString &recordText)
{
    QString out = u" values("_s;
    ResultReader fields(recordText, FieldSep);
    // PopField turns ColonMark back into ':' and QuoteValue turns it into
    // ColonMark again, so a colon travels as ColonMark either way.
    while (!fields.atEnd())
        out += u'\'' + QuoteValue(fields.next()) + u"',"_s;
    if (out.endsWith(u','))
        out.chop(1);
    return out + u')';
}

QString FieldsToLines(const QString &text)
{
    QString out = text;
    out.replace(FieldSep, u"\r\n"_s);
    return out;
}

bool IsIntegerText(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    qsizetype i = (t.front() == u'-' || t.front() == u'+') ? 1 : 0;
    if (i == t.size())
        return false;
    for (; i < t.size(); ++i) {
        if (!t.at(i).isDigit() || t.at(i).unicode() > 127)
            return false;
    }
    return true;
}

void SetAppServerProvider(AppServerProvider p)
{
    provider() = std::move(p);
}

ServerConnection &GetAppServer()
{
    if (!provider())
        throw KorvanError(u"无法连接服务器，请确认服务器已打开！\r没有服务器连接"_s);
    return provider()();
}

QString ProductName()
{
    return u"Korvan货运平台"_s;
}

QString MessageCaption()
{
    return ProductName();
}

void ShowMessage(const QString &text)
{
    MessageService::inform(MessageCaption(), text, MessageService::Icon::None);
}

std::optional<ResultReader> OpenQueryStep(const QString &sql, const QString &param, int mode, bool showSql)
{
    ServerConnection *server = nullptr;
    try {
        server = &GetAppServer();
    } catch (const KorvanError &) {
        return std::nullopt; // the provider has shown why
    }
    QString answer = server->openQuery(sql, param, mode);
    if (answer.startsWith(u"Err"_s)) {
        ShowMessage(u"出错: \r"_s + (showSql ? sql : QString()) + answer.mid(3));
        return std::nullopt;
    }
    return ResultReader::fromAnswer(std::move(answer));
}

std::optional<QString> ExecSqlStep(const QString &sql, const QString &param)
{
    ServerConnection *server = nullptr;
    try {
        server = &GetAppServer();
    } catch (const KorvanError &) {
        return std::nullopt;
    }
    QString answer = server->execSql(sql, param);
    if (answer.startsWith(u"Err"_s)) {
        ShowMessage(u"出错: \r"_s + sql + answer.mid(3));
        return std::nullopt;
    }
    return answer;
}

QString InfoText(int n)
{
    const QString answer = GetAppServer().getInfo(n);
    return answer.startsWith(u"Err"_s) ? QString() : answer;
}

QString LookupValue(const QString &value, const QString &table, const QString &keyColumn,
                    const QString &valueColumn)
{
    const QString sql = u"SELECT "_s + valueColumn + u" FROM "_s + table + u" WHERE "_s + keyColumn + u" ='"_s
                        + QuoteValue(value) + u'\'';
    try {
        QString answer = GetAppServer().openQuery(sql, QString(), 0);
        if (answer.startsWith(u"Err"_s)) {
            ShowMessage(u"出错: \r"_s + sql + answer.mid(3));
            return QString();
        }
        ResultReader reader = ResultReader::fromAnswer(std::move(answer));
        return reader.next();
    } catch (const KorvanError &) {
        return QString();
    }
}

QString LookupNumber(const QString &value, const QString &table, const QString &keyColumn,
                     const QString &valueColumn)
{
    // The key goes into the text unquoted: anything but an integer is refused
    // here rather than sent as SQL.
    if (!IsIntegerText(value))
        return QString();
    const QString sql = u"SELECT "_s + valueColumn + u" FROM "_s + table + u" WHERE "_s + keyColumn + u" ="_s
                        + value.trimmed();
    try {
        QString answer = GetAppServer().openQuery(sql, QString(), 0);
        if (answer.startsWith(u"Err"_s))
            return QString();
        ResultReader reader = ResultReader::fromAnswer(std::move(answer));
        return reader.next();
    } catch (const KorvanError &) {
        return QString();
    }
}

QString OperatorFilter()
{
    const CurrentUserRecord &user = CurrentUser();
    if (user.Position == u"总经理"_s)
        return QString();
    if (user.Position == u"部门经理"_s) {
        return u" 操作员 in (SELECT 职员.职员姓名 FROM 职员 WHERE (职员.所属部门)='"_s + QuoteValue(user.Department)
               + u"')"_s;
    }
    return u" 操作员='"_s + QuoteValue(user.StaffName) + u'\'';
}

void ReportOutcome(int kind, const QString &answer, const QString &sql)
{
    if (kind == 1) {
        MessageService::inform(u"提醒"_s, u"保存成功"_s, MessageService::Icon::Information);
        return;
    }
    if (kind != 0)
        return;
    WriteRunLog(answer, sql);
    QString text;
    // "zelo-length" is kept beside the database's own spelling "zero-length".
    if (answer.contains(u"zelo-length"_s) || answer.contains(u"zero-length"_s))
        text = u"操作没有成功：可能是有一两个必填项需要您填写，请检查"_s;
    else if (answer.contains(u"duplicate"_s) || answer.contains(u"创建重复的值"_s))
        text = u"操作没有成功：可能是业务重复，请检查业务编号等"_s;
    else if (answer.contains(u"mismatch"_s))
        text = u"操作没有成功：可能是您填写的格式不符，请检查内容"_s;
    else if (answer.contains(u"too small"_s))
        text = u"操作没有成功：可能是您填写的有些文字过长，请检查内容"_s;
    else
        text = u"不明原因使操作没有成功，请查看软件所在目录中的\"运行日志.txt\"并与开发人员联系"_s;
    MessageService::inform(u"提示"_s, text, MessageService::Icon::Information);
}

QString RunLogPath()
{
    return ClientFiles::current().path(ClientFile::RunLog);
}

bool WriteRunLog(const QString &answer, const QString &sql)
{
    QFile file(RunLogPath());
    if (!file.open(QIODevice::Append))
        throw KorvanError(u"无法写入运行日志 "_s + file.fileName() + u": "_s + file.errorString());
    const QDateTime now = QDateTime::currentDateTime();
    const QString entry = DateTimeText(now) + QString(111, u'-') + u"\r\n"_s
                          + u"服务器返回结果："_s + answer + u"\r\n"_s + u"SQL语句："_s + sql + u"\r\n"_s;
    file.write(TextCodec::encode(entry));
    return true;
}

} // namespace CommFunU
