// Dimwarden: tints the whole screen at night by rewriting the display's gamma ramp.
#include <QApplication>
#include <QSessionManager>

#include "main_window/frmMain.h"
#include "platform/SystemPlatform.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("dimwarden"));
    app.setQuitOnLastWindowClosed(false);

    SystemPlatform system;
    frmMain window(system.platform());
    // Watched from before the tint is first applied: a logout or a kill must not leave the screen
    // tinted or lose the colour, so both go through the normal unload.
    system.watchTermination([&window] { window.Unload(); });
    if (!window.Form_Load()) {
        return 0;  // another instance runs; it is left alone
    }

    QObject::connect(&window, &frmMain::unloaded, &app, &QCoreApplication::quit);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager&) { window.Unload(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &window, [&window] { window.Unload(); });

    window.showAfterLoad();
    return app.exec();
}
