#pragma once

// Saves export job after job through one session each, every job in one
// transaction (the job row and two cargo rows), and remembers every job whose
// commit the server answered: what a durability or backup test checks the
// database against afterwards.
//
//     JobSaver saver(u"BK"_s);
//     saver.start(server, 3);     // three sessions saving side by side
//     ...
//     saver.finish();             // (the destructor does it too, also after a failed check)
//     // every job of saver.acknowledgedJobs() must be there, whole

#include "korvanerror.h"
#include "serverconnection.h"
#include "testserver.h"

#include <QMutex>
#include <QSet>
#include <QString>

#include <atomic>
#include <thread>
#include <vector>

class JobSaver
{
public:
    explicit JobSaver(const QString &prefix) : m_prefix(prefix) {}
    ~JobSaver() { finish(); }
    JobSaver(const JobSaver &) = delete;
    JobSaver &operator=(const JobSaver &) = delete;

    // writers threads, each running run() with its own session.
    void start(const TestServer &server, int writers)
    {
        for (int i = 0; i < writers; ++i)
            m_threads.emplace_back([this, &server, i] { run(server, i); });
    }
    // Stops the writers and waits for them.
    void finish()
    {
        stop = true;
        for (std::thread &thread : m_threads)
            thread.join();
        m_threads.clear();
    }

    std::atomic_bool stop{false};

    // Saves until stop is set or the server goes away (a call that fails
    // because it died ends the loop; its job is not acknowledged).
    void run(const TestServer &server, int writer)
    {
        auto db = server.connect();
        try {
            for (int n = 0; !stop; ++n) {
                const QString job = QStringLiteral("%1%2-%3").arg(m_prefix).arg(writer).arg(n, 5, 10, QLatin1Char('0'));
                db->beginTrans();
                db->execSql(QStringLiteral("insert into 货运出口基本信息 (业务编号, 船期) values ('%1', '2025-03-01')").arg(job),
                            {});
                for (const char *box : {"20GP", "40HQ"})
                    db->execSql(QStringLiteral("insert into 货运出口货物明细 (业务编号, 箱类型) values ('%1', '%2')")
                                    .arg(job, QLatin1StringView(box)),
                                {});
                if (db->commitTrans().startsWith(QLatin1StringView("Suc"))) {
                    QMutexLocker lock(&m_mutex);
                    m_acknowledged.insert(job);
                }
            }
        } catch (const KorvanError &) {
            // The server is gone: what was acknowledged is what counts.
        }
    }

    qsizetype count()
    {
        QMutexLocker lock(&m_mutex);
        return m_acknowledged.size();
    }
    QSet<QString> acknowledgedJobs()
    {
        QMutexLocker lock(&m_mutex);
        return m_acknowledged;
    }

private:
    const QString m_prefix;
    QMutex m_mutex;
    QSet<QString> m_acknowledged;
    std::vector<std::thread> m_threads;
};
