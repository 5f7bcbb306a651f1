#pragma once

#include <QDateTime>
#include <QMutex>
#include <QString>
#include <QThread>
#include <QWaitCondition>

// Online backups: consistent copies of the database taken while sessions go
// on writing (SQLite's online backup copies one snapshot; writers are not
// held up in WAL mode). Each copy is written as NAME.db.part beside its final
// name and renamed when complete, so a file named NAME.db is always whole:
//
//     BackupService backups(databasePath, {folder, 24.0, 7});
//     backups.start();        // first copy now, then every 24 hours
//     backups.takeNow();      // one more now (SIGUSR1)
//     backups.requestStop(); backups.wait();
//
// Copies are named after the database and the time, korvan-20250314-093000.db,
// so they sort by age; with keep set the oldest beyond that number go.
// A copy that fails (folder missing, disk full) is logged, leaves no file, and
// the next one is tried at its time.
class BackupService : public QThread
{
    Q_OBJECT
public:
    struct Settings {
        QString folder;
        double everyHours = 24;
        int keep = 0; // 0: every copy is kept
    };

    BackupService(QString databasePath, Settings settings);
    ~BackupService() override;

    void takeNow();
    void requestStop();

    // One copy of databasePath into folder, named for when; the path written
    // or an error.
    static bool backupOnce(const QString &databasePath, const QString &folder, const QDateTime &when,
                           QString *written, QString *error);
    // Deletes the oldest copies of databasePath in folder beyond keep; the names deleted.
    static QStringList prune(const QString &databasePath, const QString &folder, int keep);

protected:
    void run() override;

private:
    QString m_databasePath;
    Settings m_settings;
    QMutex m_mutex;
    QWaitCondition m_wake;
    bool m_stop = false;
    bool m_now = false;
};
