// Commands over the session bus: the sending side, and the instance's service.
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QVariantMap>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>

#include "platform/CommandChannel.h"
#include "platform/posix/DbusControlService.h"

using namespace dbuscontrol;

namespace {

// The sender's own connection to the session bus, closed on the way out: the tool started by a
// command makes its own, and Qt D-Bus warns at exit about a connection left open after a call
// that found no instance.
struct CommandConnection {
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                                        QStringLiteral("dimwarden-command"));
    CommandConnection() = default;
    CommandConnection(const CommandConnection&) = delete;
    CommandConnection& operator=(const CommandConnection&) = delete;
    ~CommandConnection() { QDBusConnection::disconnectFromBus(bus.name()); }
};

// What sending a message came to.
enum class Outcome { Answered, NoInstance, Failed };

struct Call {
    Outcome outcome = Outcome::Failed;
    QDBusMessage reply;
};

Call call(const QDBusConnection& bus, const QString& interface, const QString& member,
          const QVariantList& args = {}) {
    // Asked of the bus first: a call to a name nobody holds leaves Qt D-Bus (6.4) with events
    // that it warns about at exit.
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(kService).value()) {
        return {Outcome::NoInstance, {}};
    }
    QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, interface, member);
    message.setArguments(args);
    // Nothing on the bus may be started in the tool's place.
    message.setAutoStartService(false);
    Call result;
    result.reply = bus.call(message);
    if (result.reply.type() == QDBusMessage::ReplyMessage) {
        result.outcome = Outcome::Answered;
    } else if (result.reply.errorName() ==
                   QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
               result.reply.errorName() ==
                   QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner")) {
        result.outcome = Outcome::NoInstance;
    }
    return result;
}

Call setProperty(const QDBusConnection& bus, const QString& name, const QVariant& value) {
    return call(bus, kPropertiesInterface, QStringLiteral("Set"),
                {kInterface, name, QVariant::fromValue(QDBusVariant(value))});
}

control::State stateOf(const QVariantMap& properties, control::State state = {}) {
    if (const auto it = properties.find(QStringLiteral("Night")); it != properties.end()) {
        state.night = it->toBool();
    }
    if (const auto it = properties.find(QStringLiteral("Color")); it != properties.end()) {
        state.color = control::parseColor(it->toString().toStdString()).value_or(state.color);
    }
    if (const auto it = properties.find(QStringLiteral("Brightness")); it != properties.end()) {
        state.brightness = it->toInt();
    }
    // Read back into the schedule's own form: what is printed is never another program's text.
    if (const auto it = properties.find(QStringLiteral("Schedule")); it != properties.end()) {
        if (const auto parsed = schedule::parse(it->toString().toStdString()); parsed.schedule) {
            state.schedule = schedule::format(*parsed.schedule);
        }
    }
    if (const auto it = properties.find(QStringLiteral("Fade")); it != properties.end()) {
        state.fade = it->toInt();
    }
    if (const auto it = properties.find(QStringLiteral("Automatic")); it != properties.end()) {
        state.automatic = it->toBool();
    }
    return state;
}

void print(const control::State& state, bool json) {
    const std::string line = json ? control::statusJson(state) : control::statusLine(state);
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);  // a status bar reads line by line from a pipe
}

int failed(const Call& c) {
    std::fprintf(stderr, "dimwarden: the running instance did not take the command: %s\n",
                 c.reply.errorMessage().toLocal8Bit().constData());
    return control::kFailed;
}

int notRunning() {
    std::fputs("dimwarden: no instance is running on this display.\n", stderr);
    return control::kNotRunning;
}

Call getAll(const QDBusConnection& bus) {
    return call(bus, kPropertiesInterface, QStringLiteral("GetAll"), {kInterface});
}

QVariantMap propertiesIn(const Call& c) {
    return qdbus_cast<QVariantMap>(c.reply.arguments().value(0));
}

// Hands on the instance's PropertiesChanged signals; Qt D-Bus connects signals to slots by name.
class ChangeReceiver : public QObject {
    Q_OBJECT
  public:
    std::function<void(const QVariantMap&)> onChanged;

  public slots:
    void changed(const QString&, const QVariantMap& properties, const QStringList&) {
        onChanged(properties);
    }
};

// Prints the state, then again after every change, until the instance leaves the bus.
int watch(const control::Command& command, int argc, char** argv) {
    // Asked once before listening: Qt D-Bus cannot follow the signals of a name nobody holds.
    {
        const CommandConnection probe;
        const Call first = getAll(probe.bus);
        if (first.outcome == Outcome::NoInstance) {
            return notRunning();
        }
        if (first.outcome == Outcome::Failed) {
            return failed(first);
        }
    }
    QCoreApplication app(argc, argv);
    CommandConnection connection;
    QDBusConnection& bus = connection.bus;

    control::State state;
    ChangeReceiver receiver;
    receiver.onChanged = [&](const QVariantMap& properties) {
        state = stateOf(properties, state);
        print(state, command.json);
    };
    bus.connect(kService, kPath, kPropertiesInterface, QStringLiteral("PropertiesChanged"),
                &receiver, SLOT(changed(QString, QVariantMap, QStringList)));
    QDBusServiceWatcher gone(kService, bus, QDBusServiceWatcher::WatchForUnregistration);
    QObject::connect(&gone, &QDBusServiceWatcher::serviceUnregistered, &app,
                     [] { QCoreApplication::exit(control::kNotRunning); });

    // Read again once listening, so that no change between the two is lost; the instance may
    // have ended meanwhile.
    const Call first = getAll(bus);
    if (first.outcome != Outcome::Answered) {
        return control::kNotRunning;
    }
    state = stateOf(propertiesIn(first));
    print(state, command.json);
    return app.exec();
}

}  // namespace

std::optional<int> sendToRunningInstance(const control::Command& command, int argc, char** argv,
                                         std::chrono::milliseconds patience) {
    if (command.action == control::Action::Watch) {
        return watch(command, argc, argv);
    }
    // Blocking calls need no event loop, nor an application object: a command that goes on to
    // start the tool must leave that to the tool.
    const CommandConnection connection;
    const QDBusConnection& bus = connection.bus;
    // An instance still in its load sequence takes the name when it is done.
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (std::chrono::steady_clock::now() < deadline && bus.isConnected() &&
           !bus.interface()->isServiceRegistered(kService).value()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    Call done;
    switch (command.action) {
        case control::Action::Status:
            done = getAll(bus);
            if (done.outcome == Outcome::NoInstance) {
                return notRunning();
            }
            if (done.outcome == Outcome::Answered) {
                print(stateOf(propertiesIn(done)), command.json);
            }
            break;
        case control::Action::Night:
        case control::Action::Normal:
            done =
                setProperty(bus, QStringLiteral("Night"), command.action == control::Action::Night);
            break;
        case control::Action::Toggle:
            done = call(bus, kInterface, QStringLiteral("Toggle"));
            break;
        case control::Action::Color:
            done = setProperty(bus, QStringLiteral("Color"),
                               QString::fromStdString(control::formatColor(command.color)));
            break;
        case control::Action::Brightness: {
            int current = 0;
            if (command.relative) {
                done = call(bus, kPropertiesInterface, QStringLiteral("Get"),
                            {kInterface, QStringLiteral("Brightness")});
                if (done.outcome != Outcome::Answered) {
                    break;
                }
                current =
                    qdbus_cast<QDBusVariant>(done.reply.arguments().value(0)).variant().toInt();
            }
            done = setProperty(bus, QStringLiteral("Brightness"),
                               control::targetBrightness(command, current));
            break;
        }
        case control::Action::Schedule:
            done = setProperty(bus, QStringLiteral("Schedule"),
                               QString::fromStdString(schedule::format(command.schedule)));
            break;
        case control::Action::Fade:
            done = setProperty(bus, QStringLiteral("Fade"), command.fade);
            break;
        case control::Action::Watch:
            break;
    }
    switch (done.outcome) {
        case Outcome::Answered:
            return control::kDone;
        case Outcome::NoInstance:
            return std::nullopt;
        case Outcome::Failed:
            break;
    }
    return failed(done);
}

std::unique_ptr<CommandService> serveCommands(control::Controller& controller) {
    auto service = std::make_unique<DbusControlService>(controller, QDBusConnection::sessionBus());
    if (service->start() == DbusControlService::Start::NameTaken) {
        std::fputs(
            "dimwarden: another instance in this session (on another display) already answers "
            "commands on the session bus; this one runs without them, and commands and the bus "
            "reach that one\n",
            stderr);
    }
    return service;
}

#include "DbusCommandChannel.moc"
