#include "platform/linux/DbusControlService.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <QTimer>
#include <QVariantMap>
#include <optional>
#include <set>
#include <utility>

#include "control/CommandMessage.h"
#include "control/CommandTable.h"

namespace dbuscontrol {
namespace {

const QString kInvalidArgs = QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs");
const QString kUnknownProperty = QStringLiteral("org.freedesktop.DBus.Error.UnknownProperty");
const QString kUnknownInterface = QStringLiteral("org.freedesktop.DBus.Error.UnknownInterface");
const QString kUnknownMethod = QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod");

// A field's value as Qt D-Bus carries it, and back; nothing for a value of another type.
QVariant toVariant(const control::FieldValue& value) {
    if (const bool* b = std::get_if<bool>(&value)) {
        return *b;
    }
    if (const int* i = std::get_if<int>(&value)) {
        return *i;
    }
    if (const std::string* s = std::get_if<std::string>(&value)) {
        return QString::fromStdString(*s);
    }
    QStringList names;
    for (const std::string& name : std::get<std::vector<std::string>>(value)) {
        names << QString::fromStdString(name);
    }
    return names;
}

std::optional<control::FieldValue> fromVariant(control::FieldType type, const QVariant& value) {
    const int id = value.metaType().id();
    switch (type) {
        case control::FieldType::Bool:
            return id == QMetaType::Bool ? std::optional(control::FieldValue(value.toBool()))
                                         : std::nullopt;
        case control::FieldType::Int:
            return id == QMetaType::Int ? std::optional(control::FieldValue(value.toInt()))
                                        : std::nullopt;
        case control::FieldType::Text:
            return id == QMetaType::QString
                       ? std::optional(control::FieldValue(value.toString().toStdString()))
                       : std::nullopt;
        case control::FieldType::TextList: {
            // Qt hands over an array of strings as a string list; anything else is no "as".
            if (id != QMetaType::QStringList) {
                return std::nullopt;
            }
            std::vector<std::string> names;
            for (const QString& name : value.toStringList()) {
                names.push_back(name.toStdString());
            }
            return control::FieldValue(std::move(names));
        }
    }
    return std::nullopt;
}

QVariant valueOf(const control::State& state, const QString& property) {
    const control::FieldRow* field = control::fieldNamed(property.toStdString());
    return field != nullptr ? toVariant(field->get(state)) : QVariant();
}

QVariantMap allOf(const control::State& state) {
    QVariantMap all;
    for (const control::FieldRow& field : control::fieldRows()) {
        all.insert(QString::fromLatin1(field.name.data(), qsizetype(field.name.size())),
                   toVariant(field.get(state)));
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
    if (inRun_) {
        // Taken down amid a run (the instance ends): its effects are not left held, and its
        // callers hear back.
        controller_.release();
        for (const QDBusMessage& reply : answers_) {
            bus_.send(reply);
        }
    }
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
    QString xml = QStringLiteral("  <interface name=\"%1\">\n").arg(kInterface);
    for (const control::FieldRow& field : control::fieldRows()) {
        xml +=
            QStringLiteral("    <property name=\"%1\" type=\"%2\" access=\"%3\"/>\n")
                .arg(QString::fromLatin1(field.name.data(), qsizetype(field.name.size())),
                     QString::fromLatin1(control::busType(field.type).data(),
                                         qsizetype(control::busType(field.type).size())),
                     field.write != nullptr ? QStringLiteral("readwrite") : QStringLiteral("read"));
    }
    return xml + QStringLiteral(
                     "    <method name=\"Toggle\"/>\n"
                     "    <method name=\"Tint\"><arg name=\"output\" type=\"s\" "
                     "direction=\"in\"/></method>\n"
                     "    <method name=\"Untint\"><arg name=\"output\" type=\"s\" "
                     "direction=\"in\"/></method>\n"
                     "    <method name=\"Command\"><arg name=\"arguments\" type=\"as\" "
                     "direction=\"in\"/><arg name=\"status\" type=\"i\" "
                     "direction=\"out\"/><arg name=\"state\" type=\"s\" "
                     "direction=\"out\"/><arg name=\"message\" type=\"s\" "
                     "direction=\"out\"/></method>\n"
                     "  </interface>\n");
}

bool DbusControlService::handleMessage(const QDBusMessage& message, const QDBusConnection&) {
    if (message.type() != QDBusMessage::MethodCallMessage) {
        return false;
    }
    const QString& member = message.member();
    const bool methodOfOurs =
        ours(message.interface()) &&
        (member == QLatin1String("Toggle") || member == QLatin1String("Tint") ||
         member == QLatin1String("Untint") || member == QLatin1String("Command"));
    if (message.interface() != kPropertiesInterface && !methodOfOurs) {
        // Introspection and the peer interface are the connection's own.
        return false;
    }
    // A burst of calls (10,000 writes sent without waiting) would otherwise write the display
    // and the settings file once per call and leave everyone else waiting behind it: the calls
    // already queued are handled as one run, and its effects are done once where it ends.
    if (!inRun_) {
        inRun_ = true;
        controller_.hold();
        QMetaObject::invokeMethod(
            this, [this] { endRun(); }, Qt::QueuedConnection);
    }
    answers_.push_back(answer(message));
    return true;
}

void DbusControlService::endRun() {
    inRun_ = false;
    // Answered only once the run's changes are on the screen and in the settings file, so a
    // change a client saw answered outlives a kill.
    controller_.release();
    for (const QDBusMessage& reply : std::exchange(answers_, {})) {
        bus_.send(reply);
    }
    if (controller_.takeQuitRequest()) {
        // Answered first; the instance then ends as the tray's Exit ends it, which takes this
        // service down with it.
        QTimer::singleShot(0, QCoreApplication::instance(),
                           [&controller = controller_] { controller.quit(); });
    }
}

QDBusMessage DbusControlService::answer(const QDBusMessage& message) {
    const QString& member = message.member();
    if (message.interface() == kPropertiesInterface) {
        if (member == QLatin1String("Get") && message.signature() == QLatin1String("ss")) {
            return get(message);
        }
        if (member == QLatin1String("GetAll") && message.signature() == QLatin1String("s")) {
            return getAll(message);
        }
        if (member == QLatin1String("Set") && message.signature() == QLatin1String("ssv")) {
            return set(message);
        }
        return message.createErrorReply(kUnknownMethod, QStringLiteral("No such method."));
    }
    if (member == QLatin1String("Toggle")) {
        if (!message.signature().isEmpty()) {
            return message.createErrorReply(kInvalidArgs, QStringLiteral("Toggle takes nothing."));
        }
        controller_.toggle();
        return message.createReply();
    }
    if (member == QLatin1String("Tint") || member == QLatin1String("Untint")) {
        // One name at a time, so that two scripts changing two outputs at once both count.
        const QString name =
            message.signature() == QLatin1String("s") ? message.arguments()[0].toString() : "";
        if (name.isEmpty()) {
            return message.createErrorReply(kInvalidArgs,
                                            member + QStringLiteral(" takes an output name (s)."));
        }
        const control::Answer done = control::answer(
            controller_,
            {member == QLatin1String("Tint") ? "--tint" : "--untint", name.toStdString()});
        return done.status == control::kDone
                   ? message.createReply()
                   : message.createErrorReply(kInvalidArgs, QString::fromStdString(done.message));
    }
    // Command: a command as typed on the command line, read with the same parser: its exit
    // status, the state after it, and a refusal's line.
    if (message.signature() != QLatin1String("as")) {
        return message.createErrorReply(kInvalidArgs,
                                        QStringLiteral("Command takes the arguments (as)."));
    }
    std::vector<std::string> args;
    for (const QString& arg : message.arguments()[0].toStringList()) {
        args.push_back(arg.toStdString());
    }
    const control::Answer done = control::answer(controller_, args);
    return message.createReply(QVariantList{done.status, QString::fromStdString(done.state),
                                            QString::fromStdString(done.message)});
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
    const control::FieldRow* field = control::fieldNamed(args[1].toString().toStdString());
    if (field == nullptr) {
        return message.createErrorReply(kUnknownProperty, QStringLiteral("No such property."));
    }
    if (field->write == nullptr) {
        return message.createErrorReply(
            QStringLiteral("org.freedesktop.DBus.Error.PropertyReadOnly"),
            QString::fromStdString(std::string(field->typeError)));
    }
    const auto value = fromVariant(field->type, args[2].value<QDBusVariant>().variant());
    const std::string refused =
        value ? field->write(controller_, *value) : std::string(field->typeError);
    if (!refused.empty()) {
        return message.createErrorReply(kInvalidArgs, QString::fromStdString(refused));
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
    for (const control::FieldRow& field : control::fieldRows()) {
        if (field.get(before) != field.get(state)) {
            changed.insert(QString::fromLatin1(field.name.data(), qsizetype(field.name.size())),
                           toVariant(field.get(state)));
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
