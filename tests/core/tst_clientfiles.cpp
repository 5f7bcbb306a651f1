// Where the client keeps its files: beside the program in a build folder,
// per user when installed, with the old files brought over.
#include "clientfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(ClientFile)

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    file.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A machine in a folder: a program folder, a working folder, the user's
// folders and the installation's folders, all below one temporary folder.
struct Layout {
    QTemporaryDir root;
    ClientFiles::Folders folders;

    explicit Layout(bool installed)
    {
        folders.program = root.filePath(u"usr/bin"_s);
        folders.working = root.filePath(u"work"_s);
        folders.data = root.filePath(u"home/.local/share/korvan"_s);
        folders.config = root.filePath(u"home/.config/korvan"_s);
        folders.documents = root.filePath(u"home/Documents/Korvan"_s);
        ClientFiles::addInstallationFolders(folders);
        QDir().mkpath(folders.program);
        QDir().mkpath(folders.working);
        if (installed)
            QDir().mkpath(folders.shared + u"/help"_s);
    }
    QStringList programFolderEntries() const
    {
        return QDir(folders.program).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }
};

} // namespace

class TestClientFiles : public QObject
{
    Q_OBJECT

private slots:
    void installationFolders_data();
    void installationFolders();
    void mode();
    void besideTheProgram_data();
    void besideTheProgram();
    void perUser_data();
    void perUser();
    void oldFilesComeAlong_data();
    void oldFilesComeAlong();
    void pictureFolderComesAlong();
    void aFileOfTheUserIsNeverReplaced();
    void firstStartWithoutOldFiles();
    void helpFolder();
};

void TestClientFiles::installationFolders_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("shared");
    QTest::addColumn<QString>("installed");
    QTest::newRow("Debian") << u"/usr/bin"_s << u"/usr/share/korvan"_s << u"/etc/korvan"_s;
    QTest::newRow("unpacked package") << u"/tmp/x/usr/bin"_s << u"/tmp/x/usr/share/korvan"_s
                                      << u"/tmp/x/etc/korvan"_s;
    QTest::newRow("/usr/local") << u"/usr/local/bin"_s << u"/usr/local/share/korvan"_s
                                << u"/usr/local/etc/korvan"_s;
    QTest::newRow("own prefix") << u"/opt/korvan/bin"_s << u"/opt/korvan/share/korvan"_s
                                << u"/opt/korvan/etc/korvan"_s;
}

void TestClientFiles::installationFolders()
{
    QFETCH(QString, program);
    ClientFiles::Folders folders;
    folders.program = program;
    ClientFiles::addInstallationFolders(folders);
    QFETCH(QString, shared);
    QFETCH(QString, installed);
    QCOMPARE(folders.shared, shared);
    QCOMPARE(folders.installed, installed);
}

void TestClientFiles::mode()
{
    // A build folder: writable, nothing installed beside it.
    Layout build(false);
    QVERIFY(!ClientFiles(build.folders).perUser());
    // Installed: share/korvan beside bin/, even for a user (root) who could
    // write into the program folder.
    Layout installed(true);
    QVERIFY(ClientFiles(installed.folders).perUser());
    // A program folder this user cannot write into.
    Layout readOnly(false);
    QFile::setPermissions(readOnly.folders.program, QFile::ReadOwner | QFile::ExeOwner);
    const bool root = ::geteuid() == 0; // root writes everywhere: the folder still counts as writable
    QCOMPARE(ClientFiles(readOnly.folders).perUser(), !root);
    QFile::setPermissions(readOnly.folders.program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // A program folder that is gone (a client started from a removed mount).
    Layout gone(false);
    gone.folders.program = gone.root.filePath(u"missing/bin"_s);
    QVERIFY(ClientFiles(gone.folders).perUser());
}

void TestClientFiles::besideTheProgram_data()
{
    QTest::addColumn<ClientFile>("file");
    QTest::addColumn<bool>("inProgramFolder"); // else by bare name in the working folder
    QTest::addColumn<QString>("name");
    QTest::newRow("run log") << ClientFile::RunLog << true << u"运行日志.txt"_s;
    QTest::newRow("B/L templates") << ClientFile::BLTemplates << true << u"TuoDanRes.txt"_s;
    QTest::newRow("print setup") << ClientFile::PrintSetup << true << u"SinglePntsetupf"_s;
    QTest::newRow("report setup") << ClientFile::ReportSetup << true << u"MutiPntSetupf"_s;
    QTest::newRow("fax ports") << ClientFile::FaxPorts << true << u"FaxPorts.txt"_s;
    QTest::newRow("connection") << ClientFile::ConnectSettings << false << u"ConnectServer.txt"_s;
    QTest::newRow("faxed page") << ClientFile::FaxPage << false << u"faxtest.bmp"_s;
    QTest::newRow("B/L pictures") << ClientFile::BLPictures << false << u"TDPic"_s;
}

void TestClientFiles::besideTheProgram()
{
    QFETCH(ClientFile, file);
    QFETCH(bool, inProgramFolder);
    QFETCH(QString, name);
    Layout build(false);
    writeFile(build.folders.working + u"/ConnectServer.txt"_s, "IP=10.0.0.1\r\n");
    const ClientFiles files(build.folders);
    const QString expected = inProgramFolder ? build.folders.program + u'/' + name : name;
    QCOMPARE(files.path(file), expected);
    // Nothing is copied or created in the user's folders.
    QVERIFY(!QFileInfo::exists(build.root.filePath(u"home"_s)));
}

void TestClientFiles::perUser_data()
{
    QTest::addColumn<ClientFile>("file");
    QTest::addColumn<QString>("expected"); // below the temporary root
    QTest::newRow("run log") << ClientFile::RunLog << u"home/.local/share/korvan/运行日志.txt"_s;
    QTest::newRow("B/L templates") << ClientFile::BLTemplates << u"home/.local/share/korvan/TuoDanRes.txt"_s;
    QTest::newRow("print setup") << ClientFile::PrintSetup << u"home/.local/share/korvan/SinglePntsetupf"_s;
    QTest::newRow("report setup") << ClientFile::ReportSetup << u"home/.local/share/korvan/MutiPntSetupf"_s;
    QTest::newRow("fax ports") << ClientFile::FaxPorts << u"home/.local/share/korvan/FaxPorts.txt"_s;
    QTest::newRow("connection") << ClientFile::ConnectSettings << u"home/.config/korvan/ConnectServer.txt"_s;
    QTest::newRow("faxed page") << ClientFile::FaxPage << u"home/Documents/Korvan/faxtest.bmp"_s;
    QTest::newRow("B/L pictures") << ClientFile::BLPictures << u"home/Documents/Korvan/TDPic"_s;
}

void TestClientFiles::perUser()
{
    QFETCH(ClientFile, file);
    QFETCH(QString, expected);
    Layout installed(true);
    const ClientFiles files(installed.folders);
    const QString path = files.path(file);
    QCOMPARE(path, installed.root.filePath(expected));
    // The folder exists, so that the first write succeeds, and only the user may look into it.
    const QFileInfo folder(QFileInfo(path).path());
    QVERIFY(folder.isDir());
    QCOMPARE(folder.permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther),
             QFile::Permissions());
    QVERIFY(installed.programFolderEntries().isEmpty());
}

void TestClientFiles::oldFilesComeAlong_data()
{
    QTest::addColumn<ClientFile>("file");
    QTest::addColumn<bool>("old");       // a copy at the old place
    QTest::addColumn<bool>("installed"); // a copy in the installation's settings folder
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("template beside the program") << ClientFile::BLTemplates << true << false << QByteArray("old");
    QTest::newRow("run log beside the program") << ClientFile::RunLog << true << false << QByteArray("old");
    QTest::newRow("connection in the working folder") << ClientFile::ConnectSettings << true << true
                                                      << QByteArray("old");
    QTest::newRow("company's connection") << ClientFile::ConnectSettings << false << true << QByteArray("installed");
    QTest::newRow("company's fax ports") << ClientFile::FaxPorts << false << true << QByteArray("installed");
    QTest::newRow("nothing to bring") << ClientFile::ReportSetup << false << false << QByteArray();
}

void TestClientFiles::oldFilesComeAlong()
{
    QFETCH(ClientFile, file);
    QFETCH(bool, old);
    QFETCH(bool, installed);
    QFETCH(QByteArray, expected);
    Layout layout(true);
    ClientFiles files(layout.folders);
    const QString oldPath = files.oldPath(file);
    if (old) {
        writeFile(oldPath, "old");
        // An old program folder made read-only: its files read-only too.
        QFile::setPermissions(oldPath, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    }
    if (installed)
        writeFile(layout.folders.installed + u'/' + ClientFiles::fileName(file), "installed");

    const QString path = files.path(file);
    QCOMPARE(readFile(path), expected);
    if (expected.isEmpty()) {
        QVERIFY(!QFileInfo::exists(path));
        return;
    }
    // The copy is the user's: writable, and nobody else's to read.
    QCOMPARE(QFileInfo(path).permissions() & ~(QFile::ReadUser | QFile::WriteUser),
             QFile::ReadOwner | QFile::WriteOwner);
    QFile append(path);
    QVERIFY2(append.open(QIODevice::Append), qPrintable(append.errorString()));
    // The old file stays where it was, untouched.
    if (old)
        QCOMPARE(readFile(oldPath), QByteArray("old"));
}

void TestClientFiles::pictureFolderComesAlong()
{
    Layout layout(true);
    const ClientFiles files(layout.folders);
    const QString old = files.oldPath(ClientFile::BLPictures);
    writeFile(old + u"/COSCO.png"_s, "picture 1");
    writeFile(old + u"/船公司/MSK.jpg"_s, "picture 2");
    writeFile(layout.root.filePath(u"secret"_s), "not a picture");
    QVERIFY(QFile::link(layout.root.filePath(u"secret"_s), old + u"/link.png"_s));

    const QString folder = files.path(ClientFile::BLPictures);
    QCOMPARE(readFile(folder + u"/COSCO.png"_s), QByteArray("picture 1"));
    QCOMPARE(readFile(folder + u"/船公司/MSK.jpg"_s), QByteArray("picture 2"));
    // A link leading out of the folder is not followed.
    QVERIFY(!QFileInfo::exists(folder + u"/link.png"_s));
}

void TestClientFiles::aFileOfTheUserIsNeverReplaced()
{
    Layout layout(true);
    const ClientFiles files(layout.folders);
    writeFile(files.oldPath(ClientFile::BLTemplates), "old");
    writeFile(layout.folders.data + u"/TuoDanRes.txt"_s, "mine");
    QCOMPARE(readFile(files.path(ClientFile::BLTemplates)), QByteArray("mine"));
}

void TestClientFiles::firstStartWithoutOldFiles()
{
    // No old files, no user folders yet, a program folder nobody may write
    // into: every folder is made, nothing else, and nothing says a word.
    Layout layout(true);
    QFile::setPermissions(layout.folders.program, QFile::ReadOwner | QFile::ExeOwner);
    const ClientFiles files(layout.folders);
    for (ClientFile file : {ClientFile::RunLog, ClientFile::ConnectSettings, ClientFile::BLPictures}) {
        const QString path = files.path(file);
        QVERIFY(!QFileInfo::exists(path));
        QVERIFY(QFileInfo(QFileInfo(path).path()).isDir());
    }
    // The run log can be written at once.
    QFile log(files.path(ClientFile::RunLog));
    QVERIFY2(log.open(QIODevice::Append), qPrintable(log.errorString()));
    QFile::setPermissions(layout.folders.program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(layout.programFolderEntries().isEmpty());
}

void TestClientFiles::helpFolder()
{
    Layout build(false);
    QCOMPARE(ClientFiles(build.folders).helpFolder(), build.folders.program + u"/help"_s);

    Layout installed(true);
    // Installed help without its contents page: the pages beside the program are used.
    QCOMPARE(ClientFiles(installed.folders).helpFolder(), installed.folders.program + u"/help"_s);
    writeFile(installed.folders.shared + u"/help/index.html"_s, "<html></html>");
    QCOMPARE(ClientFiles(installed.folders).helpFolder(), installed.folders.shared + u"/help"_s);
}

QTEST_GUILESS_MAIN(TestClientFiles)
#include "tst_clientfiles.moc"
