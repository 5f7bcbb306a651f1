// The two engines side by side: the demo company made by --demo on SQLite
// and on PostgreSQL holds the same rows, and the windows' queries over it get
// the same answers to the byte. On PostgreSQL a client statement is a plain
// SELECT, INSERT, UPDATE or DELETE and nothing else.
#include "audittrail.h"
#include "marks.h"
#include "pgcluster.h"
#include "pgconnection.h"
#include "pgdialect.h"
#include "schema.h"
#include "sqlrewriter.h"
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
    void engineOfTheAddress_data();
    void engineOfTheAddress();
    void translation_data();
    void translation();
    void auditTrailAlike_data();
    void auditTrailAlike();
    void orderedListsReadAnIndex_data();
    void orderedListsReadAnIndex();
    void lookupsUnderThePolicyReadAnIndex_data();
    void lookupsUnderThePolicyReadAnIndex();

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

void tst_EnginesAgree::engineOfTheAddress_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("postgres");
    QTest::addColumn<QString>("shown"); // in the log
    QTest::newRow("a file") << u"korvan.db"_s << false << QString();
    QTest::newRow("a file named like an address") << u"./postgresql://x"_s << false << QString();
    QTest::newRow("postgresql") << u"postgresql://korvan@db:5432/korvan"_s << true
                                << u"postgresql://korvan@db:5432/korvan"_s;
    QTest::newRow("postgres, with a password") << u"postgres://korvan:geheim@db/korvan"_s << true
                                                << u"postgres://korvan:****@db/korvan"_s;
    QTest::newRow("password as a parameter") << u"postgresql://db/korvan?user=k&password=geheim&sslmode=require"_s
                                             << true << u"postgresql://db/korvan?user=k&password=****&sslmode=require"_s;
}

void tst_EnginesAgree::engineOfTheAddress()
{
    QFETCH(QString, target);
    QFETCH(bool, postgres);
    QFETCH(QString, shown);
    QCOMPARE(DatabaseSession::engineOf(target) == DatabaseSession::Engine::Postgres, postgres);
    if (postgres)
        QCOMPARE(PgConnection::shownAddress(target), shown);
}

// The PostgreSQL text of what SqlRewriter leaves for SQLite.
void tst_EnginesAgree::translation_data()
{
    QTest::addColumn<QString>("rewritten");
    QTest::addColumn<QString>("postgres");
    const auto add = [](const char *name, const QString &in, const QString &out) { QTest::newRow(name) << in << out; };
    // x, y, z, k: no names of the schema (its A, B, A1… go quoted as declared).
    add("bracketed name", u"select [船名/航次] from t"_s, u"select \"船名/航次\" from t"_s);
    add("mixed-case column as declared", u"select f.a1, f.rmb from t f"_s, u"select f.\"A1\", f.rmb from t f"_s);
    add("decimal literal as SQLite's REAL", u"select x * 8.300 as y from t"_s, u"select x * 8.300::float8 as y from t"_s);
    add("parameter", u"select x from t where y = :p1"_s, u"select x from t where y = $1"_s);
    add("expression named by its text", u"select count(*), Max(x) from t"_s,
        u"select count(*) AS \"count(*)\", Max(x) AS \"Max(x)\" from t"_s);
    add("columns and aliases keep their names", u"select x, t.y, z w, k as v from t"_s,
        u"select x, t.y, z w, k as v from t"_s);
    add("string alias", u"select x as '名称' from t"_s, u"select x as \"名称\" from t"_s);
    add("NULL sorts first", u"select x from t order by x, y desc"_s,
        u"select x from t order by x NULLS FIRST, y desc NULLS LAST"_s);
    add("subquery gets a name", u"SELECT * FROM (select x from t LIMIT 1) union select y from u"_s,
        u"SELECT * FROM (select x from t LIMIT 1) AS korvan_part10 union select y from u"_s);
    add("a parenthesised join keeps its names", u"select p.x from (t as p left join u as q on p.k=q.k)"_s,
        u"select p.x from (t as p left join u as q on p.k=q.k)"_s);
    add("texts added as texts", u"select korvan_add('200.000', 5) as v"_s,
        u"select korvan_add('200.000'::text, 5) as v"_s);
}

void tst_EnginesAgree::translation()
{
    QFETCH(QString, rewritten);
    QFETCH(QString, postgres);
    QString refusal;
    const QList<PgDialect::Statement> statements = PgDialect::clientStatements(rewritten, &refusal);
    QVERIFY2(refusal.isEmpty(), qPrintable(refusal));
    QCOMPARE(statements.size(), 1);
    QCOMPARE(statements.first().text, postgres);
}

// The trail rows of the same calls, as the general manager's window reads
// them: the same users, statements, parameters and counts; nothing for a
// change rolled back or a call that failed.
void tst_EnginesAgree::auditTrailAlike_data()
{
    QTest::addColumn<QStringList>("calls"); // "exec|sql", "begin", "commit", "rollback"
    QTest::addColumn<int>("rows");          // trail rows the calls leave
    QTest::newRow("a change") << QStringList{u"exec|update 部门 set 传真='1' where 部门名称='总经理室'"_s} << 1;
    QTest::newRow("nothing changed")
        << QStringList{u"exec|update 部门 set 传真='1' where 部门名称='没有'"_s} << 0;
    QTest::newRow("two statements of one call")
        << QStringList{u"exec|update 部门 set 传真='2' where 部门名称='总经理室'; update 部门 set 传真='3' where 部门名称='总经理室'"_s}
        << 1;
    QTest::newRow("a failing second statement keeps nothing")
        << QStringList{u"exec|update 部门 set 传真='4' where 部门名称='总经理室'; insert into 没有此表 values (1)"_s} << 0;
    QTest::newRow("a transaction committed")
        << QStringList{u"begin"_s, u"exec|update 部门 set 传真='5' where 部门名称='总经理室'"_s,
                       u"exec|insert into 港口 values (9001, 'x', 'y', 'z')"_s, u"commit"_s}
        << 2;
    QTest::newRow("a transaction rolled back")
        << QStringList{u"begin"_s, u"exec|update 部门 set 传真='6' where 部门名称='总经理室'"_s, u"rollback"_s} << 0;
    QTest::newRow("a password masked")
        << QStringList{u"exec|update 职员 set 密码='geheim' where 用户名='admin'"_s} << 1;
}

void tst_EnginesAgree::auditTrailAlike()
{
    QFETCH(QStringList, calls);
    QFETCH(int, rows);
    const QString trail = u"select 用户名, 客户端地址, 语句, 参数, 影响行数 from 审计日志 order by 序号"_s;
    QStringList answers;
    for (DatabaseSession *db : {m_sqlite.get(), m_postgres.get()}) {
        db->enableAudit(u"10.1.2.3"_s);
        db->setUser(u"zhaomin"_s);
        QVERIFY(db->execSql(u"delete from 港口 where 港口编号 = 9001"_s, QString()).startsWith(u"Suc"_s));
        const QString before = db->openQuery(u"select count(*) from 审计日志"_s, QString(), 0).text();
        for (const QString &call : calls) {
            if (call.startsWith(u"exec|"_s))
                db->execSql(call.mid(5), QString());
            else if (call == u"begin"_s)
                QCOMPARE(db->beginTrans(), u"Suc"_s);
            else if (call == u"commit"_s)
                QCOMPARE(db->commitTrans(), u"Suc"_s);
            else
                QCOMPARE(db->rollbackTrans(), u"Suc"_s);
        }
        const int added = db->openQuery(u"select count(*) from 审计日志"_s, QString(), 0).text().section(CommFunU::FieldSep, 2).toInt()
                          - before.section(CommFunU::FieldSep, 2).toInt();
        QCOMPARE(added, rows);
        answers << db->openQuery(trail, QString(), 1).text();
    }
    QCOMPARE(answers.at(1), answers.at(0));
    QVERIFY2(!answers.at(0).contains(u"geheim"_s), qPrintable(answers.at(0)));
}

QTEST_GUILESS_MAIN(tst_EnginesAgree)
#include "tst_enginesagree.moc"

namespace {

// PostgreSQL's plan of a client's statement, after the settings given.
QString planOf(const QString &client, const QString &settings, QString *error)
{
    QString refusal;
    const QList<PgDialect::Statement> statements = PgDialect::clientStatements(SqlRewriter::rewrite(client), &refusal);
    if (!refusal.isEmpty() || statements.size() != 1) {
        *error = u"not one statement: "_s + refusal;
        return QString();
    }
    PgCluster *cluster = TestServer::cluster(error);
    if (!cluster)
        return QString();
    const QList<QStringList> plan =
        cluster->rowsDirect(u"agree"_s, settings + u" EXPLAIN (COSTS OFF) "_s + statements.first().text, QString(), error);
    QStringList lines{statements.first().text};
    for (const QStringList &row : plan)
        lines << row.value(0);
    return lines.join(u'\n');
}

} // namespace

// The dialect sorts NULL first as SQLite does; PostgreSQL's indexes are made
// in that order, so that a list in the order of a key or an index column is
// read from the index rather than every row sorted. With sorting made as
// dear as the planner allows, a plan that still sorts has no index to use.
void tst_EnginesAgree::orderedListsReadAnIndex_data()
{
    QTest::addColumn<QString>("client");
    QTest::newRow("top n of the job numbers") << u"select top 50 * from 货运出口基本信息 order by 业务编号"_s;
    QTest::newRow("the job numbers backwards") << u"select top 50 业务编号 from 货运进口基本信息 order by 业务编号 desc"_s;
    QTest::newRow("by sailing date") << u"select 业务编号, 船期 from 货运出口基本信息 order by 船期"_s;
    QTest::newRow("ports by number") << u"select * from 港口 order by 港口编号"_s;
}

void tst_EnginesAgree::orderedListsReadAnIndex()
{
    QFETCH(QString, client);
    QString error;
    const QString plan = planOf(client, u"SET enable_sort = off; SET enable_seqscan = off;"_s, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    const QString steps = plan.section(u'\n', 1);
    QVERIFY2(!steps.contains(u"Sort"_s) && steps.contains(u"Index"_s), qPrintable(plan));
}

// A user's lookup runs as the client role, under row security and through
// the policy's views; its comparison still finds the row by the index (the
// server, a superuser here, marked citext's comparisons LEAKPROOF).
void tst_EnginesAgree::lookupsUnderThePolicyReadAnIndex_data()
{
    QTest::addColumn<QString>("client");
    QTest::newRow("a job by its number") << u"select * from 货运出口基本信息 where 业务编号='SHA-0001'"_s;
    QTest::newRow("a job's cargo") << u"select * from 货运出口货物明细 where 业务编号='SHA-0001'"_s;
    QTest::newRow("an import job's fees") << u"select * from 货运进口费用明细 where 业务编号='SHA-0001'"_s;
}

void tst_EnginesAgree::lookupsUnderThePolicyReadAnIndex()
{
    QFETCH(QString, client);
    QString error;
    const QString plan = planOf(
        client, u"SET ROLE korvan_client; SET search_path = korvan_policy, public; SET enable_seqscan = off;"_s, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY2(plan.section(u'\n', 1).contains(u"Index Cond"_s), qPrintable(plan));
}
