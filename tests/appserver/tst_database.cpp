// korvan-server's database through the real server: a new database, the demo
// company, a database that exists already, and values over the wire.
#include "marks.h"
#include "serverconnection.h"
#include "passwords.h"
#include "testserver.h"

#include <QTest>

using namespace Qt::StringLiterals;
using CommFunU::FieldSep;

namespace {

// The values of an OpenQuery answer (Mode 0), without status and count.
QStringList values(const QString &answer)
{
    if (answer.startsWith(u"Err"_s))
        return {answer};
    QStringList fields = answer.split(FieldSep);
    return fields.mid(2);
}

} // namespace

class tst_Database : public QObject
{
    Q_OBJECT

private slots:
    void newDatabaseHasTheAdministrator();
    void demoCompany();
    void demoStaffLogIn_data();
    void demoStaffLogIn();
    void demoFeesAddUp_data();
    void demoFeesAddUp();
    void existingDatabaseIsKept();
    void valuesOverTheWire();

private:
    bool startDemo();
    QString one(const QString &sql);

    TestServer m_demo;
    std::unique_ptr<ServerConnection> m_demoConnection;
};

bool tst_Database::startDemo()
{
    if (m_demoConnection)
        return true;
    if (!m_demo.start({u"--demo"_s})) {
        qWarning("%s", qPrintable(m_demo.errorText()));
        return false;
    }
    m_demoConnection = m_demo.connect();
    m_demoConnection->open();
    return true;
}

QString tst_Database::one(const QString &sql)
{
    return values(m_demoConnection->openQuery(sql, QString(), 0)).value(0);
}

void tst_Database::newDatabaseHasTheAdministrator()
{
    TestServer server;
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    auto connection = server.connect();
    connection->open();
    const QString login =
        u"select  密码,职员姓名,所属部门,职位,权限1,权限2,权限3,权限4,权限5,权限6,权限7,权限8  from 职员 where 用户名=:p1"_s;
    // The login window's own query: the password reads as empty.
    QCOMPARE(values(connection->openQuery(login, u"admin"_s, 0)),
             (QStringList{QString(), u"系统管理员"_s, u"总经理室"_s, u"总经理"_s, u"1"_s, u"1"_s, u"1"_s, u"1"_s, u"1"_s,
                          u"1"_s, u"1"_s, u"1"_s}));
    QCOMPARE(values(connection->openQuery(u"select 部门名称 from 部门"_s, QString(), 0)), QStringList{u"总经理室"_s});
    QCOMPARE(values(connection->openQuery(u"select count(*) from 货运出口基本信息"_s, QString(), 0)),
             QStringList{u"0"_s});
    QVERIFY(server.log().contains(u"new database"_s));
}

// Enough of everything that every window shows something real.
void tst_Database::demoCompany()
{
    QVERIFY(startDemo());
    for (const char *table : {"货运出口基本信息", "货运出口货物明细", "货运出口报关单", "货运出口报检单", "货运出口更正单",
                              "货运出口费用明细", "货运进口基本信息", "货运进口货物明细", "货运进口费用明细", "财务"}) {
        const int rows = one(u"select count(*) from "_s + QString::fromUtf8(table)).toInt();
        QVERIFY2(rows >= 10, table);
    }
    QVERIFY(one(u"select count(*) from 港口"_s).toInt() >= 200);
    QCOMPARE(one(u"select count(distinct 职位) from 职员"_s), u"6"_s);
    for (const char *role : {"委托人", "订舱单位", "报关行", "仓库", "车队", "代理"})
        QVERIFY2(one(u"SELECT count(*) FROM 单位 WHERE "_s + QString::fromUtf8(role) + u"='1'"_s).toInt() >= 3, role);
    // Clients come with their salesman and English name.
    QCOMPARE(one(u"SELECT count(*) FROM 单位 WHERE  委托人='1' and (业务员='' or 英文名称='')"_s), u"0"_s);
    // Six months of each line in the month lists.
    QCOMPARE(values(m_demoConnection->openQuery(u"select distinct Left(船期,7) from 货运出口基本信息 "_s, {}, 0)).size(), 6);
    QCOMPARE(values(m_demoConnection->openQuery(u"select distinct Left(船期,7) from 货运进口基本信息 "_s, {}, 0)).size(), 6);
    // Consolidation: cargo waiting and cargo already in containers.
    QVERIFY(one(u"select count(*) from 货运出口货物明细 where 箱类型 Like '待拼%'"_s).toInt() > 0);
    QVERIFY(one(u"select count(*) from 货运出口基本信息 as a inner join 货运出口货物明细 as b on a.业务编号=b.业务编号 where b.箱类型 not Like '待拼%'AND (a.业务类型='货代自拼箱' or a.业务类型='客户自拼箱')"_s)
                .toInt()
            > 0);
    // Every cargo row belongs to a job, every job's summary matches its rows.
    QCOMPARE(one(u"select count(*) from 货运出口货物明细 b left join 货运出口基本信息 a on a.业务编号=b.业务编号 where a.业务编号 is null"_s),
             u"0"_s);
    QCOMPARE(one(u"select count(*) from 货运出口基本信息 where 箱型箱量=''"_s), u"0"_s);
    // The import window's 总净重(CBM) (column 净重), which the trucking sheet
    // gives the fleet as the measurement, holds the jobs' measurement.
    QCOMPARE(one(u"select count(*) from 货运进口基本信息 where 净重<>尺码"_s), u"0"_s);
}

void tst_Database::demoStaffLogIn_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("position");
    QTest::addColumn<QString>("rights");
    QTest::newRow("general manager") << u"wangjun"_s << u"总经理"_s << u"11111111"_s;
    QTest::newRow("department manager") << u"lihua"_s << u"部门经理"_s << u"11111101"_s;
    QTest::newRow("export operator") << u"zhaomin"_s << u"操作员"_s << u"11000000"_s;
    QTest::newRow("import operator") << u"wuxia"_s << u"操作员"_s << u"11100000"_s;
    QTest::newRow("salesman") << u"sunli"_s << u"业务员"_s << u"11000000"_s;
    QTest::newRow("finance manager") << u"zhengfang"_s << u"财务经理"_s << u"11000011"_s;
    QTest::newRow("finance clerk") << u"huangyan"_s << u"财务员"_s << u"10000010"_s;
}

void tst_Database::demoStaffLogIn()
{
    QFETCH(QString, user);
    QFETCH(QString, position);
    QFETCH(QString, rights);
    QVERIFY(startDemo());
    const QStringList row = values(m_demoConnection->openQuery(
        u"select  密码,职员姓名,所属部门,职位,权限1,权限2,权限3,权限4,权限5,权限6,权限7,权限8  from 职员 where 用户名=:p1"_s,
        user, 0));
    QCOMPARE(row.size(), 12);
    QCOMPARE(row[0], QString()); // never read back
    const QString stored = m_demo.valueDirect(u"select 密码 from 职员 where 用户名='"_s + user + u'\'');
    QVERIFY(CommFunU::IsPasswordDigest(stored) && CommFunU::PasswordMatches(stored, u"123456"_s));
    QCOMPARE(row[3], position);
    QCOMPARE(row.mid(4).join(QString()), rights);
    // An operator sees jobs of his own: the visibility filter finds some.
    const QString name = row[1];
    const QString table = user == u"wuxia"_s ? u"货运进口基本信息"_s : u"货运出口基本信息"_s;
    if (position == u"操作员"_s)
        QVERIFY(one(u"select count(*) from "_s + table + u" where 操作员='"_s + name + u"'"_s).toInt() > 0);
}

// The totals of every demo fee row follow the fee windows' arithmetic, so a
// job opened and saved again shows the same figures.
void tst_Database::demoFeesAddUp_data()
{
    QTest::addColumn<QString>("condition");
    QTest::newRow("export USD profit") << u"from 货运出口费用明细 where abs(A - (f110 - f109 + f303 - f310 + f809 - f909)) > 0.0001"_s;
    QTest::newRow("export RMB profit")
        << u"from 货运出口费用明细 where abs(B - (f219 - f217 - f407 - f507 - f607 - f709 - fa18)) > 0.0001"_s;
    // The columns hold text, and text + text joins: "*1" makes them numbers first.
    QTest::newRow("export receivable") << u"from 货运出口费用明细 where abs(A1 - (f110*1 + f809*1 + f303*1)) > 0.0001"_s;
    QTest::newRow("export payable") << u"from 货运出口费用明细 where abs(A2 - (f310*1 + f909*1 + f109*1)) > 0.0001"_s;
    QTest::newRow("export commission") << u"from 货运出口费用明细 where abs(f303 - f301 * f302 / 100) > 0.0001"_s;
    QTest::newRow("import USD profit") << u"from 货运进口费用明细 where abs(A - (f110 - f103 + f303 - f310 + f809 - f909)) > 0.0001"_s;
    QTest::newRow("import RMB profit")
        << u"from 货运进口费用明细 where abs(B - (f224 - f2231 - f404 - f509 - f611 - f705 - fa24)) > 0.0001"_s;
    QTest::newRow("import refund") << u"from 货运进口费用明细 where abs(f103 - f101 * f102 / 100) > 0.0001"_s;
    QTest::newRow("flags are 1 or 0") << u"from 财务 where 已收1 not in ('0','1') or 已付5 not in ('0','1') or 已退7 not in ('0','1')"_s;
}

void tst_Database::demoFeesAddUp()
{
    QFETCH(QString, condition);
    QVERIFY(startDemo());
    QCOMPARE(one(u"select count(*) "_s + condition), u"0"_s);
}

// A database that exists is opened as it is, --demo or not.
void tst_Database::existingDatabaseIsKept()
{
    TestServer server;
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    {
        auto connection = server.connect();
        connection->open();
        QCOMPARE(connection->execSql(u"insert into 部门 values('市场部','孙丽','总经理室','021-1','021-2')"_s, {}),
                 u"Suc"_s + FieldSep + u"1"_s);
        QCOMPARE(connection->execSql(u"delete from 职员 where 用户名='admin'"_s, {}), u"Suc"_s + FieldSep + u"1"_s);
    }
    server.stop();
    // Nobody is left to log in: the second start answers without a login.
    QVERIFY2(server.start({u"--demo"_s, u"--no-login"_s}), qPrintable(server.errorText()));
    auto connection = server.connect();
    connection->open();
    QCOMPARE(values(connection->openQuery(u"select 部门名称 from 部门 order by 部门名称"_s, {}, 0)),
             (QStringList{u"市场部"_s, u"总经理室"_s}));
    // Nothing re-created: the deleted administrator stays deleted, no demo jobs.
    QCOMPARE(values(connection->openQuery(u"select count(*) from 职员"_s, {}, 0)), QStringList{u"0"_s});
    QCOMPARE(values(connection->openQuery(u"select count(*) from 货运出口基本信息"_s, {}, 0)), QStringList{u"0"_s});
    QVERIFY(server.log().contains(u"--demo loads nothing"_s));
}

void tst_Database::valuesOverTheWire()
{
    TestServer server;
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    auto connection = server.connect();
    connection->open();
    const QString value = u"O'NEIL 10"_s + CommFunU::ColonMark + u"30 Müller 😀"_s;
    QString quoted = value;
    quoted.replace(u"'"_s, u"''"_s);
    QCOMPARE(connection->execSql(u"insert into 部门 values('"_s + quoted + u"','','','','')"_s, {}),
             u"Suc"_s + FieldSep + u"1"_s);
    QCOMPARE(values(connection->openQuery(u"select 部门名称+' / '+部门名称 from 部门 where 部门名称 like 'o''neil%'"_s, {}, 0)),
             QStringList{value + u" / "_s + value});
    // A statement the rewriter cannot follow fails as SQLite reports it.
    QVERIFY(connection->openQuery(u"select top x 部门名称 from 部门"_s, {}, 0).startsWith(u"Err"_s));
    QVERIFY(connection->execSql(u"insert into 部门 values('"_s + quoted + u"','','','','')"_s, {}).contains(u"duplicate"_s));
}

QTEST_GUILESS_MAIN(tst_Database)
#include "tst_database.moc"
