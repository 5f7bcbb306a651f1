// The cost of the audit trail: export jobs saved through korvan-server (each
// save one transaction: the job row and three cargo rows replaced, six
// ExecSql calls, every one writing its trail row) against the same saves on a
// server whose sessions keep no trail. Both servers run in this process, on
// databases of their own, taking turns round after round (which goes first
// alternates) so that a busy machine slows both alike; the ratio is the
// median of the rounds' ratios, the rates the medians of the rounds' rates.
#include "appserver.h"
#include "databasesetup.h"
#include "jobsave.h"
#include "schema.h"
#include "serverconnection.h"
#include "sqlsession.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// A server in a thread of its own, so that this thread can block in calls.
struct ServerUnderTest {
    ServerUnderTest(QString title, bool keepsTrail)
        : name(std::move(title))
        , audit(keepsTrail)
    {
    }
    QString name;
    bool audit = true;
    QThread thread;
    AppServer *server = nullptr;
    ServerConnection db;
    QList<double> seconds; // of each round

    bool start(const QString &path)
    {
        SqlSession probe;
        QStringList notes;
        QString error;
        if (!probe.open(path) || !DatabaseSetup::prepare(probe.handle(), false, &notes, &error)) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(error + probe.error()));
            return false;
        }
        SessionOptions options;
        options.audit = audit;
        server = new AppServer(path, ServerInfo(), options);
        server->moveToThread(&thread);
        thread.start();
        bool listening = false;
        QMetaObject::invokeMethod(
            server, [&] { listening = server->listen(QHostAddress::LocalHost, 0); }, Qt::BlockingQueuedConnection);
        db.setPort(server->serverPort());
        // A server of this process has no TLS context: it talks in clear.
        ServerTrust plain;
        plain.plain = true;
        db.setTrust(plain);
        db.setCredentials(QString::fromLatin1(DatabaseSetup::AdminUser), QString::fromLatin1(DatabaseSetup::AdminPassword));
        return listening;
    }

    void stop()
    {
        db.close();
        QMetaObject::invokeMethod(
            server, [this] { delete server; }, Qt::BlockingQueuedConnection);
        thread.quit();
        thread.wait();
    }
};

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values.at(n / 2) : (values.at(n / 2 - 1) + values.at(n / 2)) / 2;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int savesPerRound = argc > 1 ? std::atoi(argv[1]) : 50;
    const int rounds = 24;
    const int jobs = 150; // saves cycle over these: later saves replace stored jobs

    const QString jobValues = ExportJobValues();

    QTemporaryDir dir;
    ServerUnderTest with(u"with the audit trail"_s, true);
    ServerUnderTest without(u"without it"_s, false);
    if (!with.start(dir.filePath(u"with.db"_s)) || !without.start(dir.filePath(u"without.db"_s)))
        return 1;

    for (int round = 0; round < rounds; ++round) {
        const std::array<ServerUnderTest *, 2> order = round % 2 ? std::array{&without, &with}
                                                                 : std::array{&with, &without};
        for (ServerUnderTest *side : order) {
            QElapsedTimer timer;
            timer.start();
            for (int i = 0; i < savesPerRound; ++i) {
                const QString job = u"SE%1"_s.arg((round * savesPerRound + i) % jobs, 6, 10, QLatin1Char('0'));
                if (!SaveExportJob(side->db, job, jobValues, round)) {
                    std::fprintf(stderr, "a save failed on the server %s\n", qPrintable(side->name));
                    return 1;
                }
            }
            side->seconds.append(double(timer.nsecsElapsed()) / 1e9);
        }
    }
    const QString trailRows = with.db.openQuery(u"select count(*) from 审计日志"_s, {}, 0).section(QChar(0x9F9B), 2);
    const QString noRows = without.db.openQuery(u"select count(*) from 审计日志"_s, {}, 0).section(QChar(0x9F9B), 2);
    with.stop();
    without.stop();

    QList<double> ratios;
    for (int round = 0; round < rounds; ++round)
        ratios.append(with.seconds.at(round) / without.seconds.at(round));
    const double rateWith = savesPerRound / median(with.seconds);
    const double rateWithout = savesPerRound / median(without.seconds);
    std::printf("saves of an export job (job row + 3 cargo rows, 6 ExecSql + commit), %d rounds of %d\n", rounds,
                savesPerRound);
    std::printf("  with the audit trail:    %8.1f saves/s  (%s trail rows)\n", rateWith, qPrintable(trailRows));
    std::printf("  without it:              %8.1f saves/s  (%s trail rows)\n", rateWithout, qPrintable(noRows));
    std::printf("  ratio without/with:      %8.2f  (median of the rounds; target under 1.3)\n", median(ratios));
    return 0;
}
