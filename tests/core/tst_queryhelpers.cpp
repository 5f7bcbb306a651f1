// The query helpers as the windows use them: field popping, value lists,
// the operator filter, lookups against a real server, the query step's
// messages, the outcome report and the run log.

#include "currentuser.h"
#include "korvanerror.h"
#include "marks.h"
#include "queryhelpers.h"
#include "recordingmessageservice.h"
#include "serverconnection.h"
#include "stafftable.h"
#include "testserver.h"
#include "textcodec.h"

#include <QFile>
#include <QtTest>

using namespace Qt::StringLiterals;
using CommFunU::CellSep;
using CommFunU::ColonMark;
using CommFunU::FieldSep;

class TestQueryHelpers : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void popField_data();
    void popField();
    void buildValuesList_data();
    void buildValuesList();
    void valuesListRunsOnServer();
    void fieldsToLines();
    void operatorFilter_data();
    void operatorFilter();
    void operatorFilterSelects();
    void lookups();
    void infoText();
    void queryStepMessages();
    void reportOutcome_data();
    void reportOutcome();
    void runLogEntry();

private:
    TestServer m_server;
    std::unique_ptr<ServerConnection> m_connection;
};

void TestQueryHelpers::initTestCase()
{
    // Tables of the test's own, on a server for trusted scripts: the access
    // policy knows only the schema's tables and refuses DDL.
    QVERIFY2(m_server.start({u"--no-login"_s}), qPrintable(m_server.errorText()));
    m_connection = m_server.connect();
    try {
        fillStaffTable(*m_connection, {
            {u"a"_s, u"1"_s, u"甲"_s, u"一部"_s, u"操作员"_s, u"101"_s, QString(), rightsOf("11000000")},
            {u"b"_s, u"2"_s, u"乙"_s, u"一部"_s, u"操作员"_s, u"102"_s, QString(), rightsOf("11000000")},
            {u"c"_s, u"3"_s, u"丙"_s, QString(), u"操作员"_s, u"103"_s, QString(), rightsOf("11000000")},
            {u"d'x"_s, u"4"_s, u"O'Neil"_s, u"二'部"_s, u"部门经理"_s, u"10:4"_s, QString(), rightsOf("11000000")},
        });
    } catch (const KorvanError &e) {
        QFAIL(qPrintable(e.message()));
    }
    ServerConnection *connection = m_connection.get();
    CommFunU::SetAppServerProvider([connection]() -> ServerConnection & { return *connection; });
}

void TestQueryHelpers::cleanupTestCase()
{
    CommFunU::SetAppServerProvider({});
}

void TestQueryHelpers::popField_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<int>("separator");
    QTest::addColumn<QStringList>("fields");

    const QString f(FieldSep);
    const QString c(CellSep);
    QTest::newRow("empty field in the middle") << u"a"_s + f + f + u"b"_s << 1 << QStringList{u"a"_s, QString(), u"b"_s};
    QTest::newRow("single field") << u"abc"_s << 1 << QStringList{u"abc"_s};
    QTest::newRow("two colon marks") << u"10"_s + ColonMark + u"30"_s + ColonMark + u"59"_s << 1
                                     << QStringList{u"10:30:59"_s};
    QTest::newRow("cell mark stays in a field") << u"x"_s + c + u"y"_s + f + u"z"_s << 1
                                                << QStringList{u"x"_s + c + u"y"_s, u"z"_s};
    QTest::newRow("cells") << u"x"_s + c + u"y"_s + f + u"z"_s << 2
                           << QStringList{u"x"_s, u"y"_s + f + u"z"_s};
    QTest::newRow("trailing separator") << u"a"_s + f << 1 << QStringList{u"a"_s};
    QTest::newRow("leading separator") << f + u"a"_s << 1 << QStringList{QString(), u"a"_s};
    QTest::newRow("chinese") << u"货运"_s + f + u"出口"_s << 1 << QStringList{u"货运"_s, u"出口"_s};
}

void TestQueryHelpers::popField()
{
    QFETCH(QString, source);
    QFETCH(int, separator);
    QFETCH(QStringList, fields);

    QString rest = source;
    QStringList popped;
    while (!rest.isEmpty())
        popped << CommFunU::PopField(rest, separator);
    QCOMPARE(popped, fields);
    QVERIFY(CommFunU::PopField(rest, separator).isEmpty());

    // The reader for large answers gives the same fields.
    if (separator == 1) {
        ResultReader reader(source, FieldSep);
        QStringList read;
        while (!reader.atEnd())
            read << reader.next();
        QCOMPARE(read, fields);
    }
}

void TestQueryHelpers::buildValuesList_data()
{
    QTest::addColumn<QString>("record");
    QTest::addColumn<QString>("values");

    const QString f(FieldSep);
    QTest::newRow("two values") << u"a"_s + f + u"b"_s << u" values('a','b')"_s;
    QTest::newRow("trailing separator adds nothing") << u"a"_s + f + u"b"_s + f << u" values('a','b')"_s;
    QTest::newRow("empty middle value") << u"a"_s + f + f + u"c"_s << u" values('a','','c')"_s;
    QTest::newRow("quote and colon") << u"O'Neil"_s + f + u"10:30"_s
                                     << u" values('O''Neil','10"_s + ColonMark + u"30')"_s;
    QTest::newRow("colon mark in the record") << u"1"_s + ColonMark + u"2"_s
                                              << u" values('1"_s + ColonMark + u"2')"_s;
    QTest::newRow("one value") << u"x"_s << u" values('x')"_s;
}

void TestQueryHelpers::buildValuesList()
{
    QFETCH(QString, record);
    QFETCH(QString, values);
    QCOMPARE(CommFunU::BuildValuesList(record), values);
}

void TestQueryHelpers::valuesListRunsOnServer()
{
    // A value list with quotes and colons is an insert the server accepts,
    // and reads back as it was typed.
    QString answer = m_connection->execSql(u"create table if not exists 测试值 (a text, b text, c text)"_s, QString());
    QVERIFY2(!answer.startsWith(u"Err"_s), qPrintable(answer));
    const QString record = u"it's"_s + FieldSep + u"12:30"_s + FieldSep + u"a'b:c"_s + FieldSep;
    answer = m_connection->execSql(u"insert into 测试值"_s + CommFunU::BuildValuesList(record), QString());
    QVERIFY2(!answer.startsWith(u"Err"_s), qPrintable(answer));
    auto reader = CommFunU::OpenQueryStep(u"select a, b, c from 测试值"_s);
    QVERIFY(reader);
    QCOMPARE(reader->next(3), (QStringList{u"it's"_s, u"12:30"_s, u"a'b:c"_s}));
}

void TestQueryHelpers::fieldsToLines()
{
    const QString text = u"一"_s + FieldSep + u"二"_s + FieldSep + u"三"_s;
    QCOMPARE(CommFunU::FieldsToLines(text), u"一\r\n二\r\n三"_s);
}

void TestQueryHelpers::operatorFilter_data()
{
    QTest::addColumn<QString>("position");
    QTest::addColumn<QString>("department");
    QTest::addColumn<QString>("staff");
    QTest::addColumn<QString>("filter");

    QTest::newRow("general manager") << u"总经理"_s << u"一部"_s << u"甲"_s << QString();
    QTest::newRow("department manager") << u"部门经理"_s << u"一部"_s << u"甲"_s
                                        << u" 操作员 in (SELECT 职员.职员姓名 FROM 职员 WHERE (职员.所属部门)='一部')"_s;
    QTest::newRow("manager, empty department") << u"部门经理"_s << QString() << u"甲"_s
                                               << u" 操作员 in (SELECT 职员.职员姓名 FROM 职员 WHERE (职员.所属部门)='')"_s;
    QTest::newRow("operator") << u"操作员"_s << u"一部"_s << u"甲"_s << u" 操作员='甲'"_s;
    // The finance manager opens the jobs his business query lists: the department's.
    QTest::newRow("finance manager") << u"财务经理"_s << u"一部"_s << u"甲"_s
                                     << u" 操作员 in (SELECT 职员.职员姓名 FROM 职员 WHERE (职员.所属部门)='一部')"_s;
    QTest::newRow("operator without department") << u"操作员"_s << QString() << u"甲"_s << u" 操作员='甲'"_s;
    QTest::newRow("apostrophe in the name") << u"业务员"_s << u"一部"_s << u"O'Neil"_s << u" 操作员='O''Neil'"_s;
}

void TestQueryHelpers::operatorFilter()
{
    QFETCH(QString, position);
    QFETCH(QString, department);
    QFETCH(QString, staff);
    QFETCH(QString, filter);
    CurrentUserRecord user;
    user.Position = position;
    user.Department = department;
    user.StaffName = staff;
    CommFunU::CurrentUser() = user;
    QCOMPARE(CommFunU::OperatorFilter(), filter);
}

void TestQueryHelpers::operatorFilterSelects()
{
    // The condition is SQL the server runs: used on the staff table itself
    // (操作员 standing for 职员姓名), a manager of 一部 sees 甲 and 乙, one
    // with an empty department sees 丙, a manager of 二'部 sees O'Neil.
    const auto names = [](const QString &department) {
        CurrentUserRecord user;
        user.Position = u"部门经理"_s;
        user.Department = department;
        CommFunU::CurrentUser() = user;
        QString condition = CommFunU::OperatorFilter();
        condition.replace(u" 操作员 in"_s, u" x.职员姓名 in"_s);
        auto reader = CommFunU::OpenQueryStep(u"select x.职员姓名 from 职员 x where"_s + condition
                                              + u" order by x.用户名"_s);
        QStringList out;
        while (reader && !reader->atEnd())
            out << reader->next();
        return out;
    };
    RecordingMessageService messages;
    QCOMPARE(names(u"一部"_s), (QStringList{u"甲"_s, u"乙"_s}));
    QCOMPARE(names(u"二'部"_s), (QStringList{u"O'Neil"_s}));
    QVERIFY2(messages.messages.isEmpty(), qPrintable(messages.lastText()));
    // 丙's department is stored as empty text: an empty department matches it.
    QCOMPARE(names(QString()), (QStringList{u"丙"_s}));
}

void TestQueryHelpers::lookups()
{
    RecordingMessageService messages;
    QCOMPARE(CommFunU::LookupValue(u"a"_s, u"职员"_s, u"用户名"_s, u"分机号码"_s), u"101"_s);
    // The key is data even with an apostrophe; a colon comes back as typed.
    QCOMPARE(CommFunU::LookupValue(u"d'x"_s, u"职员"_s, u"用户名"_s, u"分机号码"_s), u"10:4"_s);
    QCOMPARE(CommFunU::LookupValue(u"nobody"_s, u"职员"_s, u"用户名"_s, u"分机号码"_s), QString());
    QCOMPARE(CommFunU::LookupValue(u"x' or '1'='1"_s, u"职员"_s, u"用户名"_s, u"分机号码"_s), QString());
    QVERIFY(messages.messages.isEmpty());

    // An "Err" answer shows the statement and the message, and answers empty.
    QCOMPARE(CommFunU::LookupValue(u"a"_s, u"没有的表"_s, u"用户名"_s, u"分机号码"_s), QString());
    QCOMPARE(messages.messages.size(), 1);
    QVERIFY(messages.lastText().startsWith(u"出错: \rSELECT 分机号码 FROM 没有的表 WHERE 用户名 ='a'"_s));

    // LookupNumber: the key unquoted; a key that is not a number asks nothing.
    messages.clear();
    QString answer = m_connection->execSql(u"create table if not exists 测试数 (n integer, v text)"_s, QString());
    QVERIFY2(!answer.startsWith(u"Err"_s), qPrintable(answer));
    answer = m_connection->execSql(u"insert into 测试数 values (7, '七')"_s, QString());
    QVERIFY2(!answer.startsWith(u"Err"_s), qPrintable(answer));
    QCOMPARE(CommFunU::LookupNumber(u"7"_s, u"测试数"_s, u"n"_s, u"v"_s), u"七"_s);
    QCOMPARE(CommFunU::LookupNumber(u"8"_s, u"测试数"_s, u"n"_s, u"v"_s), QString());
    QCOMPARE(CommFunU::LookupNumber(u"7 or 1=1"_s, u"测试数"_s, u"n"_s, u"v"_s), QString());
    QCOMPARE(CommFunU::LookupNumber(u"7"_s, u"没有的表"_s, u"n"_s, u"v"_s), QString());
    QVERIFY(messages.messages.isEmpty());
}

void TestQueryHelpers::infoText()
{
    using CommFunU::InfoText;
    QCOMPARE(InfoText(2), QDate::currentDate().toString(u"yyyy-MM-dd"_s));
    // An "Err" answer is never handed on as text to print.
    QVERIFY(CommFunU::GetAppServer().getInfo(5).startsWith(u"Err"_s));
    QCOMPARE(InfoText(5), QString());
}

void TestQueryHelpers::queryStepMessages()
{
    RecordingMessageService messages;
    const QString sql = u"select 没有的列 from 职员"_s;
    QVERIFY(!CommFunU::OpenQueryStep(sql).has_value());
    QCOMPARE(messages.messages.size(), 1);
    const QString text = messages.lastText();
    QVERIFY2(text.startsWith(u"出错: \r"_s + sql), qPrintable(text));
    QVERIFY(!text.contains(u"Err"_s)); // the answer from its fourth character
    QVERIFY(text.size() > 5 + sql.size());

    messages.clear();
    QVERIFY(!CommFunU::OpenQueryStep(sql, QString(), 0, false).has_value());
    QVERIFY(!messages.lastText().contains(sql));

    messages.clear();
    QVERIFY(!CommFunU::ExecSqlStep(u"delete from 没有的表"_s).has_value());
    QVERIFY(messages.lastText().startsWith(u"出错: \rdelete from 没有的表"_s));

    // One row expected: anything after the two header fields.
    auto found = CommFunU::OpenQueryStep(u"select 职员姓名 from 职员 where 用户名=:p1"_s, u"b"_s);
    QVERIFY(found && !found->atEnd());
    QCOMPARE(found->columnCount(), 1);
    QCOMPARE(found->next(), u"乙"_s);
    auto none = CommFunU::OpenQueryStep(u"select 职员姓名 from 职员 where 用户名=:p1"_s, u"zz"_s);
    QVERIFY(none && none->atEnd());
}

void TestQueryHelpers::reportOutcome_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("logLines");

    QTest::newRow("success") << 1 << u"OK"_s << u"提醒"_s << u"保存成功"_s << 0;
    QTest::newRow("zero-length") << 0 << u"Err field cannot be a zero-length string"_s << u"提示"_s
                                 << u"操作没有成功：可能是有一两个必填项需要您填写，请检查"_s << 3;
    QTest::newRow("zelo-length") << 0 << u"Errzelo-length"_s << u"提示"_s
                                 << u"操作没有成功：可能是有一两个必填项需要您填写，请检查"_s << 3;
    QTest::newRow("duplicate") << 0 << u"Err duplicate key"_s << u"提示"_s
                               << u"操作没有成功：可能是业务重复，请检查业务编号等"_s << 3;
    QTest::newRow("duplicate, chinese") << 0 << u"Err不能创建重复的值"_s << u"提示"_s
                                        << u"操作没有成功：可能是业务重复，请检查业务编号等"_s << 3;
    QTest::newRow("mismatch") << 0 << u"Err datatype mismatch"_s << u"提示"_s
                              << u"操作没有成功：可能是您填写的格式不符，请检查内容"_s << 3;
    QTest::newRow("too small") << 0 << u"Err field too small"_s << u"提示"_s
                               << u"操作没有成功：可能是您填写的有些文字过长，请检查内容"_s << 3;
    QTest::newRow("unknown") << 0 << u"Err disk I/O error"_s << u"提示"_s
                             << u"不明原因使操作没有成功，请查看软件所在目录中的\"运行日志.txt\"并与开发人员联系"_s << 3;
    QTest::newRow("other kind") << 2 << u"Err duplicate"_s << QString() << QString() << 0;
}

void TestQueryHelpers::reportOutcome()
{
    QFETCH(int, kind);
    QFETCH(QString, answer);
    QFETCH(QString, caption);
    QFETCH(QString, message);
    QFETCH(int, logLines);

    const auto lineCount = [] {
        QFile file(CommFunU::RunLogPath());
        if (!file.open(QIODevice::ReadOnly))
            return 0;
        return int(file.readAll().count('\n'));
    };
    const int before = lineCount();
    RecordingMessageService messages;
    CommFunU::ReportOutcome(kind, answer, u"insert into x values('1')"_s);
    QCOMPARE(lineCount() - before, logLines);
    if (message.isEmpty()) {
        QVERIFY(messages.messages.isEmpty());
        return;
    }
    QCOMPARE(messages.messages.size(), 1);
    QCOMPARE(messages.messages.first().caption, caption);
    QCOMPARE(messages.messages.first().icon, MessageService::Icon::Information);
    QCOMPARE(messages.lastText(), message);
}

void TestQueryHelpers::runLogEntry()
{
    QFile file(CommFunU::RunLogPath());
    const qint64 before = file.exists() ? file.size() : 0;
    const QString answer = u"Err 出错了: 重复"_s;
    const QString sql = u"insert into 职员 values('甲')"_s;
    QVERIFY(CommFunU::WriteRunLog(answer, sql));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.seek(before));
    const QString entry = TextCodec::decode(file.readAll());
    QStringList lines = entry.split(u"\r\n"_s);
    QCOMPARE(lines.size(), 4);
    QVERIFY(lines.last().isEmpty());
    static const QRegularExpression stamp(u"^\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}-{111}$"_s);
    QVERIFY2(stamp.match(lines[0]).hasMatch(), qPrintable(lines[0]));
    QCOMPARE(lines[1], u"服务器返回结果："_s + answer);
    QCOMPARE(lines[2], u"SQL语句："_s + sql);
    // Appended, never truncated: a second entry of the same size follows.
    file.close();
    const qint64 afterFirst = QFileInfo(file.fileName()).size();
    QVERIFY(CommFunU::WriteRunLog(answer, sql));
    QCOMPARE(QFileInfo(file.fileName()).size(), afterFirst + (afterFirst - before));
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    TestQueryHelpers test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_queryhelpers.moc"
