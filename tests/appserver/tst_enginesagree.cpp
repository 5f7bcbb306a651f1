// The two engines side by side: the demo company made by --demo on SQLite
// and on PostgreSQL holds the same rows, and the windows' queries over it get
// the same answers to the byte. On PostgreSQL a client statement is a plain
// SELECT, INSERT, UPDATE or DELETE and nothing else.
#include "audittrail.h"
#include "marks.h"
#include "pgcluster.h"
#include "schema.h"
#include "sqlsession.h"
#include "testserver.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class tst_EnginesAgree : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void demoTablesAreTheSame_data();
    void demoTablesAreTheSame();
    void queriesAnswerAlike_data();
    void queriesAnswerAlike();
    void onlyPlainStatementsRun_data();
    void onlyPlainStatementsRun();

private:
    QString onSqlite(const QString &sql) { return m_sqlite->openQuery(sql, QString(), 1).text(); }
    QString onPostgres(const QString &sql) { return m_postgres->openQuery(sql, QString(), 1).text(); }

    QTemporaryDir m_dir;
    std::unique_ptr<DatabaseSession> m_sqlite;
    std::unique_ptr<DatabaseSession> m_postgres;
    QString m_pgAddress;
};

void tst_EnginesAgree::initTestCase()
{
    if (const QString why = PgCluster::unavailableReason(); !why.isEmpty())
        QSKIP(qPrintable(why));
    QString error;
    PgCluster *cluster = TestServer::cluster(&error);
    QVERIFY2(cluster, qPrintable(error));
    QVERIFY2(cluster->createDatabase(u"agree"_s), qPrintable(cluster->errorText()));
    m_pgAddress = cluster->uri(u"agree"_s);
    QStringList notes;
    for (const QString &target : {m_dir.filePath(u"demo.db"_s), m_pgAddress}) {
        std::unique_ptr<DatabaseSession> session = DatabaseSession::open(target, &error);
        QVERIFY2(session && error.isEmpty(), qPrintable(error));
        QVERIFY2(session->prepare(true, &notes, &error), qPrintable(error));
        (session->engine() == DatabaseSession::Engine::Sqlite ? m_sqlite : m_postgres) = std::move(session);
    }
}

void tst_EnginesAgree::demoTablesAreTheSame_data()
{
    QTest::addColumn<QString>("table");
    for (const TableDef &table : Schema::tables())
        QTest::newRow(qPrintable(table.name)) << table.name;
}

// Every row, every value, in the order of all columns.
void tst_EnginesAgree::demoTablesAreTheSame()
{
    QFETCH(QString, table);
    const TableDef *def = Schema::find(table);
    QStringList order;
    for (int c = 1; c <= def->columnCount(); ++c)
        order << QString::number(c);
    const QString sql = u"select * from "_s + table + u" order by "_s + order.join(u',');
    const QString expected = onSqlite(sql);
    QVERIFY2(!expected.startsWith(u"Err"_s), qPrintable(expected));
    QVERIFY2(m_sqlite->openQuery(u"select count(*) from "_s + table, QString(), 0).text()
                 != u"Suc"_s + CommFunU::FieldSep + u'1' + CommFunU::FieldSep + u'0',
             "the demo company has no rows in the table");
    QCOMPARE(onPostgres(sql), expected);
}

void tst_EnginesAgree::queriesAnswerAlike_data()
{
    QTest::addColumn<QString>("sql");
    const auto add = [](const char *name, const QString &sql) { QTest::newRow(name) << sql; };
    add("month list", u"select distinct Left(船期,7) from 货运出口基本信息 "_s);
    add("month list of an operator", u"select distinct Left(船期,7) from 货运进口基本信息  where  (操作员='吴霞')"_s);
    add("top with order", u"select top 3 业务编号, 船期 from 货运出口基本信息 order by 船期 desc, 业务编号"_s);
    add("joined texts", u"select top 5 船名+' '+航次 as [船名/航次], 业务编号 from 货运出口基本信息 order by 2"_s);
    add("sums of stored amounts",
        u"select sum(f110), sum(f219), count(*), max(f110), min(f219) from 货运出口费用明细"_s);
    add("amounts times a rate",
        u"select top 10 业务编号, A*8.300+B as 总毛利, A1-A2 as 美圆毛利 from 货运出口费用明细 order by 业务编号"_s);
    add("received and not received",
        u"SELECT top 10 a.业务编号, c.f110*COALESCE(b.已收1,'0'), c.f110-c.f110*COALESCE(b.已收1,'0') FROM (货运出口基本信息 as a Left join 财务 as b on a.业务编号=b.业务编号) Left Join 货运出口费用明细 as c on a.业务编号=c.业务编号 order by 1"_s);
    add("case-insensitive match", u"select count(*) from 单位 where 简称 like '%a%' or 缩写代码 = 'cosco'"_s);
    add("grouped counts", u"select 操作员, count(*) from 货运出口基本信息 group by 操作员 order by 2 desc, 1"_s);
    add("empty texts and NULLs sort first", u"select distinct 拼箱编号 from 货运出口基本信息 order by 1"_s);
    // A stored text compared with a number compares with the number's text,
    // as SQLite compares a TEXT column: '100' < 5, '50' > 5.
    add("text compared with a number", u"select count(*) from 货运出口货物明细 where 件数 > 5"_s);
    add("text equal to a number", u"select count(*) from 财务 where 已收1 = 1"_s);
    add("number compared with a text", u"select count(*) from 货运出口货物明细 where 5 < 件数"_s);
    add("port numbers compare as numbers", u"select count(*) from 港口 where 港口编号 > 9"_s);
    add("typeof", u"select typeof(港口名称), typeof(港口编号), typeof(港口编号 * 2) from 港口 limit 1"_s);
    add("the audit trail's columns", u"select * from 审计日志"_s);
}

void tst_EnginesAgree::queriesAnswerAlike()
{
    QFETCH(QString, sql);
    const QString expected = onSqlite(sql);
    QVERIFY2(!expected.startsWith(u"Err"_s), qPrintable(expected));
    QCOMPARE(onPostgres(sql), expected);
}

// What a client could do with a PostgreSQL connection beyond reading and
// writing rows: each is refused and leaves no trace.
void tst_EnginesAgree::onlyPlainStatementsRun_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("fragment"); // of the answer
    const auto add = [](const char *name, const QString &sql, const QString &fragment) {
        QTest::newRow(name) << sql << fragment;
    };
    const QString plain = u"only SELECT, INSERT, UPDATE and DELETE"_s;
    add("set role", u"SET ROLE postgres"_s, plain);
    add("set a setting", u"set statement_timeout = 0"_s, plain);
    add("reset", u"RESET ALL"_s, plain);
    add("copy to a file", u"COPY 职员 TO '/tmp/staff.txt'"_s, plain);
    add("copy from a program", u"copy 部门 from program 'id'"_s, plain);
    add("do block", u"DO $$ BEGIN PERFORM 1; END $$"_s, plain);
    add("create table", u"create table x (a text)"_s, plain);
    add("drop table", u"drop table 部门"_s, plain);
    add("alter table", u"alter table 部门 add column x text"_s, plain);
    add("grant", u"grant all on 职员 to public"_s, plain);
    add("listen", u"LISTEN korvan"_s, plain);
    add("notify", u"notify korvan"_s, plain);
    add("truncate", u"truncate 部门"_s, plain);
    add("explain analyze runs a statement", u"explain analyze delete from 部门"_s, plain);
    add("prepare", u"prepare p as delete from 部门"_s, plain);
    add("a second statement after a plain one", u"select 1; drop table 部门"_s, plain);
    add("read a server file", u"select pg_read_file('/etc/passwd')"_s, u"pg_read_file"_s);
    add("large objects", u"select lo_import('/etc/passwd')"_s, u"lo_import"_s);
    add("dblink", u"select dblink_connect('host=127.0.0.1')"_s, u"dblink_connect"_s);
    add("change a setting by function", u"select set_config('role', 'postgres', false)"_s, u"set_config"_s);
    add("read a setting", u"select current_setting('data_directory')"_s, u"current_setting"_s);
    add("system catalog", u"select rolname from pg_authid"_s, u"pg_authid"_s);
    add("schema-qualified catalog", u"select * from pg_catalog.pg_roles"_s, u"pg_catalog"_s);
    add("information schema", u"select table_name from information_schema.tables"_s, u"information_schema"_s);
    add("select into a new table", u"select * into 副本 from 职员"_s, u"INTO"_s);
    add("write the audit trail", u"insert into 审计日志 (时间, 语句, 影响行数) values ('x', 'x', 0)"_s,
        u"audit trail"_s);
    add("erase the audit trail", u"delete from 审计日志"_s, u"audit trail"_s);
    add("dollar quoting", u"select $$x$$"_s, u"parameter"_s);
    add("a positional parameter", u"select $1"_s, u"parameter"_s);
    add("sleep", u"select pg_sleep(10)"_s, u"pg_sleep"_s);
    add("a function of the dialect's own making", u"select korvan_sum_step(0, '1')"_s, u"korvan_sum_step"_s);
}

void tst_EnginesAgree::onlyPlainStatementsRun()
{
    QFETCH(QString, sql);
    QFETCH(QString, fragment);
    const QString before = onPostgres(u"select count(*) from 部门"_s);
    for (const QString &answer : {m_postgres->execSql(sql, QString()), m_postgres->openQuery(sql, QString(), 0).text()}) {
        QVERIFY2(answer.startsWith(u"Err"_s), qPrintable(answer));
        QVERIFY2(answer.contains(fragment), qPrintable(answer));
    }
    QCOMPARE(onPostgres(u"select count(*) from 部门"_s), before);
    QVERIFY2(!onPostgres(u"select count(*) from 部门"_s).startsWith(u"Err"_s), "the session still works");
    QString error;
    PgCluster *cluster = TestServer::cluster(&error);
    QCOMPARE(cluster->valueDirect(u"agree"_s, u"select count(*) from pg_tables where tablename in ('x', '副本')"_s),
             u"0"_s);
    QCOMPARE(cluster->valueDirect(u"agree"_s, u"select count(*) from pg_class where relname = 'x' or relname = '副本'"_s),
             u"0"_s);
}

QTEST_GUILESS_MAIN(tst_EnginesAgree)
#include "tst_enginesagree.moc"
