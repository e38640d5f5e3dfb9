#include "platform/linux/DbusControlService.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <QVariantMap>
#include <optional>
#include <set>

#include "schedule/Scheduler.h"

namespace dbuscontrol {
namespace {

const QString kInvalidArgs = QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs");
const QString kUnknownProperty = QStringLiteral("org.freedesktop.DBus.Error.UnknownProperty");
const QString kUnknownInterface = QStringLiteral("org.freedesktop.DBus.Error.UnknownInterface");
const QString kUnknownMethod = QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod");

const QString kNight = QStringLiteral("Night");
const QString kColor = QStringLiteral("Color");
const QString kBrightness = QStringLiteral("Brightness");
const QString kSchedule = QStringLiteral("Schedule");
const QString kFade = QStringLiteral("Fade");
const QString kAutomatic = QStringLiteral("Automatic");
const QString kUntinted = QStringLiteral("Untinted");
const QStringList kProperties = {kNight, kColor,     kBrightness, kSchedule,
                                 kFade,  kAutomatic, kUntinted};

QVariant valueOf(const control::State& state, const QString& property) {
    if (property == kNight) {
        return state.night;
    }
    if (property == kColor) {
        return QString::fromStdString(control::formatColor(state.color));
    }
    if (property == kBrightness) {
        return state.brightness;
    }
    if (property == kSchedule) {
        return QString::fromStdString(state.schedule);
    }
    if (property == kFade) {
        return state.fade;
    }
    if (property == kAutomatic) {
        return state.automatic;
    }
    if (property == kUntinted) {
        QStringList names;
        for (const std::string& name : state.untinted) {
            names << QString::fromStdString(name);
        }
        return names;
    }
    return {};
}

QVariantMap allOf(const control::State& state) {
    QVariantMap all;
    for (const QString& property : kProperties) {
        all.insert(property, valueOf(state, property));
    }
    return all;
}

// The interface name of a Get, GetAll or Set; empty means "whichever has the property".
bool ours(const QString& interface) {
    return interface.isEmpty() || interface == kInterface;
}

}  // namespace

DbusControlService::DbusControlService(control::Controller& controller, const QDBusConnection& bus)
    : controller_(controller), bus_(bus), announced_(controller.state()) {
    listener_ = controller_.addListener([this](const control::State& state) { announce(state); });
}

DbusControlService::~DbusControlService() {
    controller_.removeListener(listener_);
    if (nameOwned_) {
        bus_.unregisterService(kService);
    }
    if (objectRegistered_) {
        bus_.unregisterObject(kPath);
    }
}

DbusControlService::Start DbusControlService::start() {
    if (!bus_.isConnected()) {
        return Start::NoBus;
    }
    // The object first, so that whoever sees the name appear finds it answering.
    objectRegistered_ = bus_.registerVirtualObject(kPath, this);
    if (!objectRegistered_) {
        return Start::NoBus;  // this connection serves the path already
    }
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        bus_.interface()->registerService(kService, QDBusConnectionInterface::DontQueueService,
                                          QDBusConnectionInterface::DontAllowReplacement);
    nameOwned_ = reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered;
    if (!nameOwned_) {
        bus_.unregisterObject(kPath);
        objectRegistered_ = false;
        return reply.isValid() ? Start::NameTaken : Start::NoBus;
    }
    return Start::Serving;
}

QString DbusControlService::introspect(const QString&) const {
    return QStringLiteral(
        "  <interface name=\"io.github.dimwarden.Dimwarden\">\n"
        "    <property name=\"Night\" type=\"b\" access=\"readwrite\"/>\n"
        "    <property name=\"Color\" type=\"s\" access=\"readwrite\"/>\n"
        "    <property name=\"Brightness\" type=\"i\" access=\"readwrite\"/>\n"
        "    <property name=\"Schedule\" type=\"s\" access=\"readwrite\"/>\n"
        "    <property name=\"Fade\" type=\"i\" access=\"readwrite\"/>\n"
        "    <property name=\"Automatic\" type=\"b\" access=\"read\"/>\n"
        "    <property name=\"Untinted\" type=\"as\" access=\"readwrite\"/>\n"
        "    <method name=\"Toggle\"/>\n"
        "    <method name=\"Tint\"><arg name=\"output\" type=\"s\" direction=\"in\"/></method>\n"
        "    <method name=\"Untint\"><arg name=\"output\" type=\"s\" direction=\"in\"/></method>\n"
        "  </interface>\n");
}

bool DbusControlService::handleMessage(const QDBusMessage& message, const QDBusConnection&) {
    if (message.type() != QDBusMessage::MethodCallMessage) {
        return false;
    }
    const QString& member = message.member();
    QDBusMessage reply;
    if (message.interface() == kPropertiesInterface) {
        if (member == QLatin1String("Get") && message.signature() == QLatin1String("ss")) {
            reply = get(message);
        } else if (member == QLatin1String("GetAll") && message.signature() == QLatin1String("s")) {
            reply = getAll(message);
        } else if (member == QLatin1String("Set") && message.signature() == QLatin1String("ssv")) {
            reply = set(message);
        } else {
            reply = message.createErrorReply(kUnknownMethod, QStringLiteral("No such method."));
        }
    } else if (ours(message.interface()) && member == QLatin1String("Toggle")) {
        if (!message.signature().isEmpty()) {
            reply = message.createErrorReply(kInvalidArgs, QStringLiteral("Toggle takes nothing."));
        } else {
            controller_.toggle();
            reply = message.createReply();
        }
    } else if (ours(message.interface()) &&
               (member == QLatin1String("Tint") || member == QLatin1String("Untint"))) {
        // One name at a time, so that two scripts changing two outputs at once both count.
        const QString name =
            message.signature() == QLatin1String("s") ? message.arguments()[0].toString() : "";
        if (name.isEmpty()) {
            reply = message.createErrorReply(kInvalidArgs,
                                             member + QStringLiteral(" takes an output name (s)."));
        } else {
            control::Command command;
            command.action =
                member == QLatin1String("Tint") ? control::Action::Tint : control::Action::Untint;
            command.output = name.toStdString();
            controller_.apply(command);
            reply = message.createReply();
        }
    } else {
        // Introspection and the peer interface are the connection's own.
        return false;
    }
    bus_.send(reply);
    return true;
}

QDBusMessage DbusControlService::get(const QDBusMessage& message) const {
    const QVariantList args = message.arguments();
    if (!ours(args[0].toString())) {
        return message.createErrorReply(kUnknownInterface, QStringLiteral("No such interface."));
    }
    const QVariant value = valueOf(controller_.state(), args[1].toString());
    if (!value.isValid()) {
        return message.createErrorReply(kUnknownProperty, QStringLiteral("No such property."));
    }
    return message.createReply(QVariant::fromValue(QDBusVariant(value)));
}

QDBusMessage DbusControlService::getAll(const QDBusMessage& message) const {
    if (!ours(message.arguments()[0].toString())) {
        return message.createErrorReply(kUnknownInterface, QStringLiteral("No such interface."));
    }
    return message.createReply(QVariant(allOf(controller_.state())));
}

QDBusMessage DbusControlService::set(const QDBusMessage& message) {
    const QVariantList args = message.arguments();
    if (!ours(args[0].toString())) {
        return message.createErrorReply(kUnknownInterface, QStringLiteral("No such interface."));
    }
    const QString property = args[1].toString();
    const QVariant value = args[2].value<QDBusVariant>().variant();
    const int type = value.metaType().id();
    auto invalid = [&message](const QString& why) {
        return message.createErrorReply(kInvalidArgs, why);
    };
    if (property == kNight) {
        if (type != QMetaType::Bool) {
            return invalid(QStringLiteral("Night is a boolean (b)."));
        }
        controller_.setNight(value.toBool());
    } else if (property == kColor) {
        const auto color = type == QMetaType::QString
                               ? control::parseColor(value.toString().toStdString())
                               : std::nullopt;
        if (!color) {
            return invalid(QStringLiteral("Color is a string (s) of the form #RRGGBB."));
        }
        controller_.setColor(*color);
    } else if (property == kBrightness) {
        if (type != QMetaType::Int || value.toInt() < control::kMinBrightness ||
            value.toInt() > control::kMaxBrightness) {
            return invalid(QStringLiteral("Brightness is an integer (i) from 0 to 40."));
        }
        controller_.setBrightness(value.toInt());
    } else if (property == kSchedule) {
        if (type != QMetaType::QString) {
            return invalid(QStringLiteral(
                "Schedule is a string (s): HH:MM-HH:MM, sun:LATITUDE,LONGITUDE or off."));
        }
        const schedule::Parsed parsed = schedule::parse(value.toString().toStdString());
        if (!parsed.schedule) {
            return invalid(QStringLiteral("'%1' is not a schedule: %2.")
                               .arg(value.toString(), QString::fromStdString(parsed.error)));
        }
        controller_.setSchedule(*parsed.schedule);
    } else if (property == kFade) {
        if (type != QMetaType::Int || value.toInt() < 0 ||
            value.toInt() > Scheduler::kMaxFadeSeconds) {
            return invalid(QStringLiteral("Fade is an integer (i) of seconds from 0 to 3600."));
        }
        controller_.setFadeSeconds(value.toInt());
    } else if (property == kAutomatic) {
        return message.createErrorReply(
            QStringLiteral("org.freedesktop.DBus.Error.PropertyReadOnly"),
            QStringLiteral("Automatic is the tray menu's to change."));
    } else if (property == kUntinted) {
        // Qt hands over an array of strings as a string list; anything else is no "as".
        if (type != QMetaType::QStringList) {
            return invalid(QStringLiteral("Untinted is an array of strings (as)."));
        }
        std::set<std::string> names;
        for (const QString& name : value.toStringList()) {
            names.insert(name.toStdString());
        }
        controller_.setUntinted(names);
    } else {
        return message.createErrorReply(kUnknownProperty, QStringLiteral("No such property."));
    }
    return message.createReply();
}

void DbusControlService::announce(const control::State& state) {
    const control::State before = announced_;
    announced_ = state;
    if (!nameOwned_) {
        return;
    }
    QVariantMap changed;
    for (const QString& property : kProperties) {
        if (valueOf(before, property) != valueOf(state, property)) {
            changed.insert(property, valueOf(state, property));
        }
    }
    if (changed.isEmpty()) {
        return;
    }
    QDBusMessage signal = QDBusMessage::createSignal(kPath, kPropertiesInterface,
                                                     QStringLiteral("PropertiesChanged"));
    signal << kInterface << changed << QStringList();
    bus_.send(signal);
}

}  // namespace dbuscontrol
