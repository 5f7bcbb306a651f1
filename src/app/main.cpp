#include "clientfiles.h"
#include "korvanapplication.h"
#include "menuwiring.h"
#include "serverconnection.h"
#include "startupconventions.h"
#include "tmainfrm.h"
#include "widgetmessageservice.h"

#include <QFileInfo>
#include <QGuiApplication>

#include <cstdio>
#include <cstring>

namespace {

// korvan --files: where the client keeps this user's files, one "name<TAB>path"
// per line (what support asks for first), without a display.
int PrintClientFiles()
{
    const ClientFiles &files = ClientFiles::current();
    std::printf("mode\t%s\n", files.perUser() ? "per-user" : "beside-the-program");
    for (ClientFile file : {ClientFile::RunLog, ClientFile::BLTemplates, ClientFile::PrintSetup,
                            ClientFile::ReportSetup, ClientFile::FaxPorts, ClientFile::ConnectSettings,
                            ClientFile::FaxPage, ClientFile::BLPictures}) {
        std::printf("%s\t%s\n", ClientFiles::fileName(file).toUtf8().constData(),
                    QFileInfo(files.path(file)).absoluteFilePath().toUtf8().constData());
    }
    std::printf("help\t%s\n", QFileInfo(files.helpFolder()).absoluteFilePath().toUtf8().constData());
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 2 && std::strcmp(argv[1], "--files") == 0) {
        QCoreApplication app(argc, argv);
        return PrintClientFiles();
    }
    KorvanApplication app(argc, argv);
    CommFunU::ApplyStartupConventions();

    WidgetMessageService messages;
    MessageService::install(&messages);
    // The wait cursor shows while the user interface waits for the server.
    ServerConnection::setBusyHook([](bool busy) {
        if (busy)
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QGuiApplication::restoreOverrideCursor();
    });

    int status = 0;
    {
        TMainFrm mainWindow;
        WireMenus(mainWindow);
        mainWindow.showMaximized();
        status = app.exec();
    }
    MessageService::install(nullptr);
    return status;
}
