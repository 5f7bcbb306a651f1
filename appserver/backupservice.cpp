#include "backupservice.h"

#include "appserver.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QString errorOf(sqlite3 *db, int rc)
{
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
}

void removeWithCompanions(const QString &path)
{
    for (const char *suffix : {"", "-journal", "-wal", "-shm"})
        QFile::remove(path + QLatin1StringView(suffix));
}

// Makes a rename in folder survive a power cut.
void syncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Copies source into the new file target; empty on success, else why not.
QString copyDatabase(const QString &source, const QString &target)
{
    sqlite3 *from = nullptr;
    sqlite3 *to = nullptr;
    QString error;
    int rc = sqlite3_open_v2(QFile::encodeName(source).constData(), &from, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        error = u"cannot open the database: "_s + errorOf(from, rc);
    } else {
        sqlite3_busy_timeout(from, 10000);
        rc = sqlite3_open_v2(QFile::encodeName(target).constData(), &to, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                             nullptr);
        if (rc != SQLITE_OK)
            error = u"cannot create %1: %2"_s.arg(target, errorOf(to, rc));
    }
    if (error.isEmpty()) {
        // One step copies one snapshot: every change committed before it began, none after.
        sqlite3_backup *backup = sqlite3_backup_init(to, "main", from, "main");
        if (!backup) {
            error = errorOf(to, SQLITE_ERROR);
        } else {
            for (int tries = 0; tries < 100; ++tries) {
                rc = sqlite3_backup_step(backup, -1);
                if (rc != SQLITE_BUSY && rc != SQLITE_LOCKED)
                    break;
                sqlite3_sleep(100);
            }
            sqlite3_backup_finish(backup);
            if (rc != SQLITE_DONE)
                error = errorOf(to, rc);
        }
    }
    // The copy is one self-contained file, without a write-ahead log beside it.
    if (error.isEmpty() && sqlite3_exec(to, "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr) != SQLITE_OK)
        error = errorOf(to, SQLITE_ERROR);
    sqlite3_close_v2(from);
    if (to && sqlite3_close(to) != SQLITE_OK && error.isEmpty())
        error = errorOf(to, SQLITE_ERROR);
    return error;
}

} // namespace

BackupService::BackupService(QString databasePath, Settings settings)
    : m_databasePath(std::move(databasePath))
    , m_settings(std::move(settings))
{
}

BackupService::~BackupService()
{
    requestStop();
    wait();
}

void BackupService::takeNow()
{
    QMutexLocker lock(&m_mutex);
    m_now = true;
    m_wake.wakeAll();
}

void BackupService::requestStop()
{
    QMutexLocker lock(&m_mutex);
    m_stop = true;
    m_wake.wakeAll();
}

bool BackupService::backupOnce(const QString &databasePath, const QString &folder, const QDateTime &when,
                               QString *written, QString *error)
{
    if (!QFileInfo(folder).isDir()) {
        *error = u"the folder %1 does not exist"_s.arg(folder);
        return false;
    }
    const QDir dir(folder);
    const QString name = QFileInfo(databasePath).completeBaseName() + u'-' + when.toString(u"yyyyMMdd-HHmmss"_s);
    QString target = dir.filePath(name + u".db"_s);
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = dir.filePath(u"%1-%2.db"_s.arg(name).arg(n));
    const QString part = target + u".part"_s;
    removeWithCompanions(part);
    *error = copyDatabase(databasePath, part);
    if (error->isEmpty() && std::rename(QFile::encodeName(part).constData(), QFile::encodeName(target).constData()) != 0)
        *error = u"cannot rename %1: %2"_s.arg(part, QString::fromLocal8Bit(std::strerror(errno)));
    removeWithCompanions(part);
    if (!error->isEmpty())
        return false;
    syncFolder(folder);
    *written = target;
    return true;
}

QStringList BackupService::prune(const QString &databasePath, const QString &folder, int keep)
{
    if (keep <= 0)
        return {};
    const QRegularExpression copyName(u"^"_s + QRegularExpression::escape(QFileInfo(databasePath).completeBaseName())
                                      + u"-\\d{8}-\\d{6}(-\\d+)?\\.db$"_s);
    QStringList copies = QDir(folder).entryList(QDir::Files).filter(copyName);
    // By time: the name without ".db" sorts -120000 before -120000-2.
    std::sort(copies.begin(), copies.end(),
              [](const QString &a, const QString &b) { return a.chopped(3) < b.chopped(3); });
    QStringList removed;
    for (qsizetype i = 0; i + keep < copies.size(); ++i) {
        if (QFile::remove(QDir(folder).filePath(copies.at(i))))
            removed << copies.at(i);
    }
    return removed;
}

void BackupService::run()
{
    const auto interval = qint64(m_settings.everyHours * 3600.0 * 1000.0);
    QDeadlineTimer next(0); // the first copy when the server starts
    for (;;) {
        {
            QMutexLocker lock(&m_mutex);
            while (!m_stop && !m_now && !next.hasExpired())
                m_wake.wait(&m_mutex, next);
            if (m_stop)
                return;
            m_now = false;
        }
        if (next.hasExpired())
            next = QDeadlineTimer(interval);
        serverLog(u"backup: started"_s);
        QElapsedTimer took;
        took.start();
        QString written;
        QString error;
        if (!backupOnce(m_databasePath, m_settings.folder, QDateTime::currentDateTime(), &written, &error)) {
            serverLog(u"backup FAILED: %1; the server goes on serving"_s.arg(error));
            continue;
        }
        serverLog(u"backup: written %1 (%2 bytes, %3 s)"_s.arg(written)
                      .arg(QFileInfo(written).size())
                      .arg(double(took.elapsed()) / 1000.0, 0, 'f', 1));
        for (const QString &gone : prune(m_databasePath, m_settings.folder, m_settings.keep))
            serverLog(u"backup: removed the old copy %1"_s.arg(gone));
    }
}
