// Nothing acknowledged is lost: 20 sessions save jobs side by side, the
// server is killed without warning in the middle, and after a restart every
// save whose commit was answered is there, whole, and no save is there by
// halves. The same on each engine the server runs on.
#include "jobsaver.h"
#include "pgcluster.h"
#include "resultreader.h"
#include "serverconnection.h"
#include "testserver.h"

#include <QHash>
#include <QTest>


using namespace Qt::StringLiterals;

namespace {

constexpr int Writers = 20;

} // namespace

class TestDurability : public QObject
{
    Q_OBJECT

private slots:
    void killedServerLosesNothingAcknowledged_data()
    {
        QTest::addColumn<TestServer::Engine>("engine");
        QTest::newRow("SQLite") << TestServer::Engine::Sqlite;
        QTest::newRow("PostgreSQL") << TestServer::Engine::Postgres;
    }
    void killedServerLosesNothingAcknowledged()
    {
        QFETCH(TestServer::Engine, engine);
        if (engine == TestServer::Engine::Postgres) {
            if (const QString why = PgCluster::unavailableReason(); !why.isEmpty())
                QSKIP(qPrintable(why));
        }
        TestServer server(engine);
        // What is checked is the storage's promise, not the access policy's:
        // the sessions save without a login.
        const QStringList options{u"--no-login"_s, u"--max-sessions-per-address"_s, u"50"_s};
        QVERIFY2(server.start(options), qPrintable(server.errorText()));

        JobSaver saver(u"DU"_s);
        saver.start(server, Writers);
        // The writers have saved, and they go on saving when the server dies.
        QTRY_VERIFY_WITH_TIMEOUT(saver.count() >= 10 * Writers, 120000);
        server.kill();
        saver.finish();
        const QSet<QString> acknowledged = saver.acknowledgedJobs();

        QVERIFY2(server.start(options), qPrintable(server.errorText()));
        auto db = server.connect();
        ResultReader reader = ResultReader::fromAnswer(
            db->openQuery(u"select j.业务编号, count(c.业务编号) from 货运出口基本信息 j "
                          "left join 货运出口货物明细 c on c.业务编号 = j.业务编号 group by j.业务编号"_s,
                          QString(), 0));
        QVERIFY2(!reader.isError(), qPrintable(reader.status()));
        QHash<QString, int> stored;
        for (const QStringList &row : reader.rows())
            stored.insert(row.value(0), row.value(1).toInt());
        for (const QString &job : acknowledged)
            QVERIFY2(stored.contains(job), qPrintable(u"acknowledged but lost: "_s + job));
        for (auto it = stored.cbegin(); it != stored.cend(); ++it)
            QVERIFY2(it.value() == 2, qPrintable(u"saved by halves: %1 with %2 cargo rows"_s.arg(it.key()).arg(it.value())));
        // At most the commit in flight of each writer got in unanswered.
        QVERIFY2(stored.size() <= acknowledged.size() + Writers,
                 qPrintable(u"%1 stored, %2 acknowledged"_s.arg(stored.size()).arg(acknowledged.size())));
    }
};

QTEST_GUILESS_MAIN(TestDurability)
#include "tst_durability.moc"
