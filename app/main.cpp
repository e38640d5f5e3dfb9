// Dimwarden: tints the whole screen at night by rewriting the display's gamma ramp.
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QApplication>
#include <QSessionManager>
#include <QSocketNotifier>
#include <csignal>

#include "main_window/frmMain.h"
#include "platform/Platform.h"

namespace {

int signalPipe[2] = {-1, -1};

// Only a write happens here; the unload itself runs on the UI thread when the pipe wakes it.
void onTerminationSignal(int signo) {
    const char byte = static_cast<char>(signo);
    [[maybe_unused]] const auto n = ::write(signalPipe[1], &byte, 1);
}

bool watchTerminationSignals() {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalPipe) != 0) {
        return false;
    }
    struct sigaction sa {};
    sa.sa_handler = onTerminationSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int signo : {SIGTERM, SIGINT, SIGHUP}) {
        ::sigaction(signo, &sa, nullptr);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("dimwarden"));
    app.setQuitOnLastWindowClosed(false);

    // Watched from before the tint is first applied: a signal that arrives while the window loads
    // waits in the pipe and unloads the window as soon as the event loop runs.
    const bool watching = watchTerminationSignals();

    SystemPlatform system;
    frmMain window(system.platform());
    if (!window.Form_Load()) {
        return 0;  // another instance runs; it is left alone
    }

    // A logout or a kill must not leave the screen tinted or lose the colour: both go through the
    // normal unload.
    QObject::connect(&window, &frmMain::unloaded, &app, &QCoreApplication::quit);
    if (watching) {
        auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
            char buf[16];
            while (::read(signalPipe[0], buf, sizeof buf) > 0) {
            }
            window.Unload();
        });
    }
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager&) { window.Unload(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &window, [&window] { window.Unload(); });

    window.showAfterLoad();
    return app.exec();
}
