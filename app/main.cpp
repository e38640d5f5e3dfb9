// Dimwarden: tints the whole screen at night by rewriting the display's gamma ramp.
#include <QApplication>
#include <QCommandLineParser>
#include <QSessionManager>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "main_window/frmMain.h"
#include "platform/SystemPlatform.h"
#include "views/qt/MainWindow.h"
#include "views/qt/Pictures.h"

namespace {

// The command line is read before Qt opens the display, so --help, --version and a mistyped
// option answer anywhere, even with no desktop at all. Returns the exit status when the process
// is to end here.
std::optional<int> handleCommandLine(int argc, char** argv) {
    QStringList args;
    for (int i = 0; i < argc; ++i) {
        args << QString::fromLocal8Bit(argv[i]);
    }
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Dims or tints the whole screen by rewriting the display's gamma ramp."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version and exit."));
    parser.addOption(help);
    parser.addOption(version);
    const auto usage = [&parser] {
        // Qt names the program by the path it was started with; users know it by its name.
        QString text = parser.helpText();
        text.replace(0, text.indexOf(QLatin1Char('\n')),
                     QStringLiteral("Usage: dimwarden [options]"));
        return text.toLocal8Bit();
    };

    QString error;
    if (!parser.parse(args)) {
        error = parser.errorText();
    } else if (!parser.positionalArguments().isEmpty()) {
        error = QStringLiteral("unexpected argument '%1'.").arg(parser.positionalArguments()[0]);
    }
    if (!error.isEmpty()) {
        std::fprintf(stderr, "dimwarden: %s\n\n%s", error.toLocal8Bit().constData(),
                     usage().constData());
        return 2;
    }
    if (parser.isSet(help)) {
        std::fputs(usage().constData(), stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("dimwarden %s\n", DIMWARDEN_VERSION);
        return 0;
    }
    return std::nullopt;
}

// Without a display to connect to, Qt ends the process with an abort (and a core dump). While
// the application object is built, Qt's messages are held back: if it fails, one line says what
// is wrong and the process ends with status 1; if it succeeds, they are passed on as they came.
struct HeldMessage {
    QtMsgType type;
    QString text;
};
std::vector<HeldMessage> heldMessages;
QtMessageHandler passOn = nullptr;

void holdStartMessage(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "dimwarden: %s\n", SystemPlatform::noDisplay().c_str());
        std::_Exit(1);
    }
    heldMessages.push_back({type, text});
}

void passHeldMessagesOn() {
    qInstallMessageHandler(passOn);
    for (const HeldMessage& m : heldMessages) {
        qt_message_output(m.type, QMessageLogContext(), m.text);
    }
    heldMessages.clear();
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication::setApplicationName(QStringLiteral("dimwarden"));
    QCoreApplication::setApplicationVersion(QStringLiteral(DIMWARDEN_VERSION));
    if (const auto status = handleCommandLine(argc, argv)) {
        return *status;
    }

    passOn = qInstallMessageHandler(holdStartMessage);
    QApplication app(argc, argv);
    passHeldMessagesOn();
    // Lets the desktop match the windows to the menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(DIMWARDEN_APP_ID));
    app.setQuitOnLastWindowClosed(false);

    // The notification icon shows the program's own icon.
    QApplication::setWindowIcon(Pictures::get().appIcon);

    SystemPlatform system;
    frmMain form(system.platform());
    MainWindow view(form);
    // Watched from before the tint is first applied: a logout or a kill must not leave the screen
    // tinted or lose the colour, so both go through the normal unload.
    system.watchTermination([&form] { form.Unload(); });
    system.watchResume([&form] { form.resumed(); });
    if (!form.Form_Load()) {
        return 0;  // another instance runs; it is left alone
    }

    form.onUnloaded = [] { QCoreApplication::quit(); };
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &view,
                     [&form](QSessionManager&) { form.Unload(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &view, [&form] { form.Unload(); });

    form.showAfterLoad();
    return app.exec();
}
