#pragma once

#include <QString>

// Where the client keeps the files it reads and writes.
//
//     QFile log(ClientFiles::current().path(ClientFile::RunLog));
//     const QString pages = ClientFiles::current().helpFolder();
//
// Beside the program: run from a build folder or by ./run (the executable's
// folder is writable and no installed data folder lies beside it), every file
// stays where it always was: the program files beside the executable, the
// working-folder files (ConnectServer.txt, faxtest.bmp, TDPic) in the current
// folder, by bare name.
//
// Per user: installed (the executable's folder is not writable, or the
// installed data folder share/korvan lies beside bin/), no file is written
// into the program folder:
//     program files         ~/.local/share/korvan/
//     ConnectServer.txt     ~/.config/korvan/
//     faxtest.bmp, TDPic    ~/Documents/Korvan/
// A file missing there is copied, when first asked for, from its old place
// (beside the executable, or the working folder) or else from the settings
// folder of the installation (/etc/korvan for a client in /usr/bin), and made
// readable and writable by its owner only. The folders are created as needed;
// a folder that cannot be created is left to the file's reader or writer to
// report, as a missing file always was.
enum class ClientFile {
    RunLog,          // 运行日志.txt
    BLTemplates,     // TuoDanRes.txt
    PrintSetup,      // SinglePntsetupf
    ReportSetup,     // MutiPntSetupf
    FaxPorts,        // FaxPorts.txt (read only)
    ConnectSettings, // ConnectServer.txt
    FaxPage,         // faxtest.bmp
    BLPictures,      // TDPic (a folder)
};

class ClientFiles
{
public:
    struct Folders {
        QString program;   // the executable's folder
        QString working;   // the folder whose files were opened by bare name
        QString data;      // the user's data folder for the program files
        QString config;    // the user's configuration folder
        QString documents; // the user's documents folder for pages and pictures
        QString installed; // the settings folder of the installation (may be missing)
        QString shared;    // the installed data folder with help/ (may be missing)
    };

    explicit ClientFiles(Folders folders);

    // The locations of this process (computed on first use).
    static ClientFiles &current();
    // The folders of this process: the executable's folder, the user's
    // folders after QStandardPaths, and the installation's folders at the
    // places the installation puts them relative to bin/.
    static Folders processFolders();
    // The installation's folders around a program folder PREFIX/bin:
    // shared PREFIX/share/korvan; installed /etc/korvan for the prefix /usr
    // (PREFIX/../etc/korvan), PREFIX/etc/korvan for any other prefix.
    static void addInstallationFolders(Folders &folders);

    static QString fileName(ClientFile file);

    bool perUser() const { return m_perUser; }
    // Where file is read and written; in per-user mode after its folder is
    // made and an old copy brought over.
    QString path(ClientFile file) const;
    // The folder of the help pages: the installed one when it has the
    // contents page, else help/ beside the executable.
    QString helpFolder() const;
    // Where file was kept before (beside the executable, or in the working folder).
    QString oldPath(ClientFile file) const;

private:
    QString newPath(ClientFile file) const;

    Folders m_folders;
    bool m_perUser;
};
