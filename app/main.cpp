// Dimwarden: tints the whole screen at night by rewriting the display's gamma ramp.
#include <QAccessible>
#include <QApplication>
#include <QCommandLineParser>
#include <QSessionManager>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Instance.h"
#include "control/Command.h"
#include "main_window/frmMain.h"
#include "platform/CommandChannel.h"
#include "platform/SystemPlatform.h"
#include "views/qt/MainWindow.h"
#include "views/qt/Pictures.h"

namespace {

// The options every Qt application takes (with one or two leading dashes), which QApplication
// reads from the command line itself: those that take a value, and flags.
const QStringList kQtValueOptions = {
    QStringLiteral("platform"),
    QStringLiteral("platformpluginpath"),
    QStringLiteral("platformtheme"),
    QStringLiteral("plugin"),
    QStringLiteral("qwindowgeometry"),
    QStringLiteral("geometry"),
    QStringLiteral("qwindowicon"),
    QStringLiteral("icon"),
    QStringLiteral("qwindowtitle"),
    QStringLiteral("title"),
    QStringLiteral("session"),
    QStringLiteral("display"),
    QStringLiteral("name"),
    QStringLiteral("style"),
    QStringLiteral("stylesheet"),
};
const QStringList kQtFlags = {
    QStringLiteral("reverse"), QStringLiteral("widgetcount"), QStringLiteral("sync"),
    QStringLiteral("nograb"),  QStringLiteral("dograb"),      QStringLiteral("testability"),
};
const QStringList kQtAssignedOptions = {
    QStringLiteral("style="),      QStringLiteral("stylesheet="), QStringLiteral("qmljsdebugger="),
    QStringLiteral("fontengine="), QStringLiteral("dialogs="),
};

// The command line without Qt's own options, which are left to QApplication. A display named
// with -display is also put in DISPLAY, so that the tool's own X connections (the gamma tables,
// the instance check) go to the display its windows are on.
QStringList withoutQtOptions(int argc, char** argv) {
    QStringList args;
    for (int i = 0; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        QString name = arg.startsWith(QLatin1String("--")) ? arg.mid(2)
                       : arg.startsWith(QLatin1Char('-'))  ? arg.mid(1)
                                                           : QString();
        if (i > 0 && kQtValueOptions.contains(name) && i + 1 < argc) {
            if (name == QLatin1String("display")) {
                qputenv("DISPLAY", argv[i + 1]);
            }
            ++i;
            continue;
        }
        if (i > 0 && (kQtFlags.contains(name) ||
                      std::any_of(kQtAssignedOptions.begin(), kQtAssignedOptions.end(),
                                  [&name](const QString& o) { return name.startsWith(o); }))) {
            continue;
        }
        args << arg;
    }
    return args;
}

// The command line is read before Qt opens the display, so --help, --version and a mistyped
// option answer anywhere, even with no desktop at all. Returns the exit status when the process
// is to end here. A command for the running instance is taken out into `command`.
std::optional<int> handleCommandLine(int argc, char** argv,
                                     std::optional<control::Command>& command) {
    QStringList args = withoutQtOptions(argc, argv);
    std::vector<std::string> own;
    for (qsizetype i = 1; i < args.size(); ++i) {
        own.push_back(args[i].toLocal8Bit().toStdString());
    }
    const control::ParsedCommandLine taken = control::takeCommand(own);
    command = taken.command;
    args.erase(args.begin() + std::min<qsizetype>(args.size(), 1), args.end());
    for (const std::string& arg : taken.rest) {
        args << QString::fromLocal8Bit(arg.c_str());
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
    const auto usage = [] { return QByteArray::fromStdString(control::usageText()); };

    QString error = QString::fromStdString(taken.error);
    if (error.isEmpty() && !parser.parse(args)) {
        error = parser.errorText();
    } else if (error.isEmpty() && !parser.positionalArguments().isEmpty()) {
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
    std::optional<control::Command> command;
    if (const auto status = handleCommandLine(argc, argv, command)) {
        return *status;
    }
    if (command) {
        if (const auto status = sendToRunningInstance(*command, argc, argv)) {
            return *status;
        }
    }

    passOn = qInstallMessageHandler(holdStartMessage);
    QApplication app(argc, argv);
    passHeldMessagesOn();
    // Lets the desktop match the windows to the menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(DIMWARDEN_APP_ID));
    app.setQuitOnLastWindowClosed(false);

    SystemPlatform system;
    frmMain form(system.platform());
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &app,
                     [&form](QSessionManager&) { form.Unload(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &app, [&form] { form.Unload(); });
    // Built after the tint: its widgets wake Qt's accessibility bridge, which waits on the
    // session bus (and, with no bus address, on a bus being started for the display). For the
    // same reason the loop is QCoreApplication's: QApplication::exec() would first give the
    // bridge its root object; that is done here, with the window.
    std::unique_ptr<MainWindow> view;
    return runInstance(system, form, command, argc, argv,
                       {[] { return QCoreApplication::exec(); }, [] { QCoreApplication::quit(); },
                        [&view, &form, &app] {
                            // The pictures are decoded here, after the tint; the notification
                            // icon, added after the window, shows the program's own icon.
                            QApplication::setWindowIcon(Pictures::get().appIcon);
                            view = std::make_unique<MainWindow>(form);
                            QAccessible::setRootObject(&app);
                        }});
}
