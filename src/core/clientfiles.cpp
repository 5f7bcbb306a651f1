#include "clientfiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace {

constexpr QFileDevice::Permissions PrivateFile = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr QFileDevice::Permissions PrivateFolder = PrivateFile | QFileDevice::ExeOwner;

enum class Place { Program, Working };

Place oldPlaceOf(ClientFile file)
{
    switch (file) {
    case ClientFile::ConnectSettings:
    case ClientFile::FaxPage:
    case ClientFile::BLPictures:
        return Place::Working;
    default:
        return Place::Program;
    }
}

bool makeFolder(const QString &folder)
{
    if (QFileInfo(folder).isDir())
        return true;
    if (!QDir().mkpath(folder))
        return false;
    QFile::setPermissions(folder, PrivateFolder);
    return true;
}

// Copies the file or folder from to the missing to, private to the owner.
void copyPrivately(const QString &from, const QString &to)
{
    const QFileInfo source(from);
    if (source.isFile()) {
        if (QFile::copy(from, to))
            QFile::setPermissions(to, PrivateFile);
        return;
    }
    if (!source.isDir() || !makeFolder(to))
        return;
    const QDir sourceDir(from);
    QDirIterator it(from, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo entry = it.nextFileInfo();
        const QString target = QDir(to).filePath(sourceDir.relativeFilePath(entry.filePath()));
        if (entry.isSymLink())
            continue; // a link may lead anywhere; only what is really inside is copied
        if (entry.isDir())
            makeFolder(target);
        else if (QFile::copy(entry.filePath(), target))
            QFile::setPermissions(target, PrivateFile);
    }
}

} // namespace

ClientFiles::ClientFiles(Folders folders)
    : m_folders(std::move(folders))
{
    const QFileInfo program(m_folders.program);
    m_perUser = !program.isWritable() || (!m_folders.shared.isEmpty() && QFileInfo(m_folders.shared).isDir());
}

ClientFiles::Folders ClientFiles::processFolders()
{
    Folders folders;
    folders.program = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
    folders.working = QDir::currentPath();
    folders.data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/korvan"_s;
    folders.config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u"/korvan"_s;
    folders.documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + u"/Korvan"_s;
    addInstallationFolders(folders);
    return folders;
}

void ClientFiles::addInstallationFolders(Folders &folders)
{
    // As Debian and CMake's GNUInstallDirs lay an installation out.
    const QDir prefix(QDir::cleanPath(folders.program + u"/.."_s));
    folders.shared = prefix.filePath(u"share/korvan"_s);
    folders.installed =
        QDir::cleanPath(prefix.filePath(prefix.dirName() == u"usr" ? u"../etc/korvan"_s : u"etc/korvan"_s));
}

ClientFiles &ClientFiles::current()
{
    static ClientFiles files(processFolders());
    return files;
}

QString ClientFiles::fileName(ClientFile file)
{
    switch (file) {
    case ClientFile::RunLog:
        return u"运行日志.txt"_s;
    case ClientFile::BLTemplates:
        return u"TuoDanRes.txt"_s;
    case ClientFile::PrintSetup:
        return u"SinglePntsetupf"_s;
    case ClientFile::ReportSetup:
        return u"MutiPntSetupf"_s;
    case ClientFile::FaxPorts:
        return u"FaxPorts.txt"_s;
    case ClientFile::ConnectSettings:
        return u"ConnectServer.txt"_s;
    case ClientFile::FaxPage:
        return u"faxtest.bmp"_s;
    case ClientFile::BLPictures:
        return u"TDPic"_s;
    }
    return {};
}

QString ClientFiles::oldPath(ClientFile file) const
{
    const QString &folder = oldPlaceOf(file) == Place::Program ? m_folders.program : m_folders.working;
    return QDir(folder).filePath(fileName(file));
}

QString ClientFiles::newPath(ClientFile file) const
{
    QString folder;
    switch (file) {
    case ClientFile::ConnectSettings:
        folder = m_folders.config;
        break;
    case ClientFile::FaxPage:
    case ClientFile::BLPictures:
        folder = m_folders.documents;
        break;
    default:
        folder = m_folders.data;
        break;
    }
    return QDir(folder).filePath(fileName(file));
}

QString ClientFiles::path(ClientFile file) const
{
    if (!m_perUser) {
        // As always: working-folder files by bare name, so that they follow
        // the current folder; program files beside the executable.
        if (oldPlaceOf(file) == Place::Working)
            return fileName(file);
        return oldPath(file);
    }
    const QString target = newPath(file);
    if (!QFileInfo::exists(target) && makeFolder(QFileInfo(target).path())) {
        const QString old = oldPath(file);
        const QString installed = QDir(m_folders.installed).filePath(fileName(file));
        if (QFileInfo::exists(old))
            copyPrivately(old, target);
        else if (!m_folders.installed.isEmpty() && QFileInfo::exists(installed))
            copyPrivately(installed, target);
    }
    return target;
}

QString ClientFiles::helpFolder() const
{
    const QString beside = QDir(m_folders.program).filePath(u"help"_s);
    if (m_perUser && !m_folders.shared.isEmpty()) {
        const QString installed = QDir(m_folders.shared).filePath(u"help"_s);
        if (QFileInfo(QDir(installed).filePath(u"index.html"_s)).isFile())
            return installed;
    }
    return beside;
}
