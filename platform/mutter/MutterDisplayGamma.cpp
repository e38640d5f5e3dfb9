#include "platform/mutter/MutterDisplayGamma.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QList>
#include <QObject>
#include <QVariantMap>
#include <array>
#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <utility>

#include "gamma/RampMath.h"

namespace {

const QString kService = QStringLiteral("org.gnome.Mutter.DisplayConfig");
const QString kPath = QStringLiteral("/org/gnome/Mutter/DisplayConfig");
const QString kInterface = QStringLiteral("org.gnome.Mutter.DisplayConfig");

// Anything else is not the interface this backend was written against; it is refused unread.
const QString kResourcesSignature =
    QStringLiteral("ua(uxiiiiiuaua{sv})a(uxiausauaua{sv})a(uxuudu)ii");

// Refusals are clauses: the window completes "this display does not let programs change the
// screen's colours: ..." with them.
const char* const kNoBus = "no D-Bus session bus could be reached to ask GNOME's display service";
const char* const kNotRunning = "GNOME's display service (Mutter) is not on the session bus";
const char* const kHung = "GNOME's display service (Mutter) did not answer in time";
const char* const kNoTables =
    "GNOME's display service offers no gamma table for any screen (virtual and remote screens "
    "have none)";

using Tables = std::array<QList<quint16>, 3>;

struct Crtc {
    quint32 id = 0;
    qint32 mode = -1;  // -1: unused
};

// Qt D-Bus connects a bus signal only to a slot named by string, hence this small receiver.
class MonitorsWatch : public QObject {
    Q_OBJECT
  public:
    explicit MonitorsWatch(std::function<void()> onChange) : onChange_(std::move(onChange)) {}

  public slots:
    void monitorsChanged() { onChange_(); }

  private:
    std::function<void()> onChange_;
};

}  // namespace

struct MutterDisplayGamma::Session {
    QDBusConnection bus;
    int timeoutMs;
    std::optional<quint32> serial;  // of the resources last fetched
    std::map<OutputId, int> sizes;  // table length per CRTC, as last seen
    bool hung = false;
    std::string refusal;
    std::string journalKey;
    std::unique_ptr<MonitorsWatch> watch;

    Session(const QDBusConnection& b, int t) : bus(b), timeoutMs(t) {}

    QDBusMessage call(const QString& method, const QVariantList& args) {
        QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
        message.setArguments(args);
        return bus.call(message, QDBus::Block, timeoutMs);
    }

    // True when the error says why nothing can work here; refusal() then says so.
    bool noteError(QDBusError::ErrorType type) {
        switch (type) {
            case QDBusError::NoReply:
            case QDBusError::Timeout:
            case QDBusError::TimedOut:
                // Asking again would freeze the window once more for the same answer.
                hung = true;
                refusal = kHung;
                return true;
            case QDBusError::ServiceUnknown:
                refusal = kNotRunning;
                return true;
            case QDBusError::Disconnected:
                refusal = kNoBus;
                return true;
            default:
                return false;
        }
    }

    // The CRTCs and the name of the output each drives, fetched afresh; the serial is kept for
    // the gamma calls.
    bool fetch(std::vector<Crtc>& crtcs, std::map<quint32, std::string>& names) {
        if (hung) {
            return false;
        }
        if (!bus.isConnected()) {
            refusal = kNoBus;
            return false;
        }
        const QDBusMessage reply = call(QStringLiteral("GetResources"), {});
        if (reply.type() == QDBusMessage::ErrorMessage) {
            if (!noteError(QDBusError(reply).type())) {
                refusal = "GNOME's display service refused to list the screens (" +
                          reply.errorName().toStdString() + ")";
            }
            return false;
        }
        if (reply.type() != QDBusMessage::ReplyMessage ||
            reply.signature() != kResourcesSignature) {
            refusal = "GNOME's display service lists the screens in a form this tool does not know";
            return false;
        }
        const QVariantList args = reply.arguments();
        serial = args[0].toUInt();

        const auto crtcArg = args[1].value<QDBusArgument>();
        crtcArg.beginArray();
        while (!crtcArg.atEnd()) {
            Crtc crtc;
            qlonglong winsys = 0;
            qint32 x = 0, y = 0, width = 0, height = 0;
            quint32 transform = 0;
            QList<quint32> transforms;
            QVariantMap properties;
            crtcArg.beginStructure();
            crtcArg >> crtc.id >> winsys >> x >> y >> width >> height >> crtc.mode >> transform >>
                transforms >> properties;
            crtcArg.endStructure();
            crtcs.push_back(crtc);
        }
        crtcArg.endArray();

        const auto outputArg = args[2].value<QDBusArgument>();
        outputArg.beginArray();
        while (!outputArg.atEnd()) {
            quint32 id = 0;
            qlonglong winsys = 0;
            qint32 crtc = -1;
            QList<quint32> possible, modes, clones;
            QString name;
            QVariantMap properties;
            outputArg.beginStructure();
            outputArg >> id >> winsys >> crtc >> possible >> name >> modes >> clones >> properties;
            outputArg.endStructure();
            if (crtc >= 0) {
                names[static_cast<quint32>(crtc)] = name.toStdString();
            }
        }
        outputArg.endArray();
        return true;
    }

    bool refetch() {
        std::vector<Crtc> crtcs;
        std::map<quint32, std::string> names;
        return fetch(crtcs, names);
    }

    // A gamma call, which carries the serial. Mutter refuses a serial that is no longer current
    // with AccessDenied: the resources are fetched again and the call is made once more.
    QDBusMessage callWithSerial(const QString& method, quint32 crtc, const QVariantList& rest) {
        for (int attempt = 0; attempt < 2; ++attempt) {
            if ((!serial || attempt > 0) && !refetch()) {
                break;
            }
            QVariantList args{QVariant::fromValue(*serial), QVariant::fromValue(crtc)};
            args += rest;
            QDBusMessage reply = call(method, args);
            if (reply.type() != QDBusMessage::ErrorMessage ||
                QDBusError(reply).type() != QDBusError::AccessDenied) {
                if (reply.type() == QDBusMessage::ErrorMessage) {
                    noteError(QDBusError(reply).type());
                }
                return reply;
            }
        }
        return {};
    }

    // A CRTC's three tables as Mutter holds them; false unless all three have the same length.
    // A CRTC without a table answers with empty ones.
    bool tables(quint32 crtc, Tables& rgb) {
        if (hung) {
            return false;
        }
        const QDBusMessage reply = callWithSerial(QStringLiteral("GetCrtcGamma"), crtc, {});
        if (reply.type() != QDBusMessage::ReplyMessage ||
            reply.signature() != QLatin1String("aqaqaq")) {
            return false;
        }
        const QVariantList args = reply.arguments();
        for (std::size_t c = 0; c < 3; ++c) {
            rgb[c] = qdbus_cast<QList<quint16>>(args[static_cast<int>(c)]);
        }
        return rgb[1].size() == rgb[0].size() && rgb[2].size() == rgb[0].size();
    }
};

MutterDisplayGamma::MutterDisplayGamma(const QDBusConnection& bus, int timeoutMs)
    : session_(std::make_unique<Session>(bus, timeoutMs)) {
    session_->watch = std::make_unique<MonitorsWatch>([this] {
        // A signal is a sign of life: a service taken as hung is asked again.
        Session& s = *session_;
        s.serial.reset();
        if (s.hung) {
            s.hung = false;
            s.refusal.clear();
        }
        if (onOutputsChanged) {
            onOutputsChanged();
        }
    });
    session_->bus.connect(kService, kPath, kInterface, QStringLiteral("MonitorsChanged"),
                          session_->watch.get(), SLOT(monitorsChanged()));
}

MutterDisplayGamma::~MutterDisplayGamma() {
    session_->bus.disconnect(kService, kPath, kInterface, QStringLiteral("MonitorsChanged"),
                             session_->watch.get(), SLOT(monitorsChanged()));
}

bool MutterDisplayGamma::offeredOn(const QDBusConnection& bus) {
    const QDBusConnectionInterface* daemon = bus.isConnected() ? bus.interface() : nullptr;
    return daemon != nullptr && daemon->isServiceRegistered(kService).value();
}

std::vector<DisplayGamma::Output> MutterDisplayGamma::outputs() {
    Session& s = *session_;
    std::vector<Crtc> crtcs;
    std::map<quint32, std::string> names;
    if (!s.fetch(crtcs, names)) {
        return {};
    }
    std::vector<Output> found;
    s.sizes.clear();
    for (const Crtc& crtc : crtcs) {
        Tables rgb;
        if (!s.tables(crtc.id, rgb)) {
            if (s.hung) {
                return {};
            }
            continue;
        }
        if (rgb[0].isEmpty()) {
            continue;
        }
        const int size = static_cast<int>(rgb[0].size());
        s.sizes[crtc.id] = size;
        const auto name = names.find(crtc.id);
        found.push_back(
            Output{crtc.id, name != names.end() ? name->second : "CRTC " + std::to_string(crtc.id),
                   size, crtc.mode >= 0});
    }
    s.refusal = found.empty() ? kNoTables : "";
    return found;
}

bool MutterDisplayGamma::read(OutputId id, GammaRamp& ramp) {
    Session& s = *session_;
    Tables rgb;
    if (!s.tables(static_cast<quint32>(id), rgb) || rgb[0].isEmpty()) {
        return false;
    }
    const auto n = static_cast<std::size_t>(rgb[0].size());
    s.sizes[id] = static_cast<int>(n);
    GammaRamp fresh;
    for (std::size_t c = 0; c < 3; ++c) {
        ramp::sampleTo256(std::span<const std::uint16_t>(rgb[c].constData(), n), fresh.channel(c));
    }
    ramp = fresh;
    return true;
}

bool MutterDisplayGamma::apply(OutputId id, const GammaRamp& ramp) {
    Session& s = *session_;
    if (s.hung) {
        return false;
    }
    auto known = s.sizes.find(id);
    if (known == s.sizes.end()) {
        GammaRamp unused;
        if (!read(id, unused)) {
            return false;
        }
        known = s.sizes.find(id);
    }
    const auto n = static_cast<std::size_t>(known->second);
    Tables rgb;
    QVariantList args;
    for (std::size_t c = 0; c < 3; ++c) {
        rgb[c].resize(static_cast<qsizetype>(n));
        ramp::spreadFrom256(ramp.channel(c), std::span<std::uint16_t>(rgb[c].data(), n));
        args << QVariant::fromValue(rgb[c]);
    }
    const QDBusMessage reply =
        s.callWithSerial(QStringLiteral("SetCrtcGamma"), static_cast<quint32>(id), args);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        // The table may have changed size with the mode: ask for it again next time.
        s.sizes.erase(id);
        return false;
    }
    return true;
}

std::string MutterDisplayGamma::refusal() const {
    return session_->refusal;
}

std::string MutterDisplayGamma::journalKey() const {
    // Tables outlive the client but not the session: the key names this session's bus, so a
    // journal left by a crash in another session is never applied here.
    Session& s = *session_;
    if (s.journalKey.empty()) {
        const QDBusMessage reply = s.bus.call(
            QDBusMessage::createMethodCall(
                QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetId")),
            QDBus::Block, s.timeoutMs);
        std::string id;
        if (reply.type() == QDBusMessage::ReplyMessage && reply.signature() == QLatin1String("s")) {
            for (const QChar ch : reply.arguments().constFirst().toString()) {
                if (ch.isLetterOrNumber() && ch.unicode() < 128) {
                    id += static_cast<char>(ch.unicode());
                }
            }
        }
        s.journalKey = id.empty() ? "mutter" : "mutter-" + id;
    }
    return s.journalKey;
}

std::string MutterDisplayGamma::notice() {
    QDBusMessage get = QDBusMessage::createMethodCall(
        QStringLiteral("org.gnome.SettingsDaemon.Color"),
        QStringLiteral("/org/gnome/SettingsDaemon/Color"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QStringLiteral("org.gnome.SettingsDaemon.Color") << QStringLiteral("NightLightActive");
    const QDBusMessage reply = session_->bus.call(get, QDBus::Block, session_->timeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.signature() != QLatin1String("v")) {
        return {};
    }
    const QVariant active = reply.arguments().constFirst().value<QDBusVariant>().variant();
    if (active.typeId() != QMetaType::Bool || !active.toBool()) {
        return {};
    }
    return "GNOME's Night Light is on and will fight the tint: turn it off in GNOME's Settings "
           "(Displays, Night Light)";
}

#include "MutterDisplayGamma.moc"
