#include "korvanapplication.h"
#include "menuwiring.h"
#include "serverconnection.h"
#include "startupconventions.h"
#include "tmainfrm.h"
#include "widgetmessageservice.h"

#include <QGuiApplication>

int main(int argc, char *argv[])
{
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
