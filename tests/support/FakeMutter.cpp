#include "support/FakeMutter.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <future>

namespace {

const QString kDisplayConfig = QStringLiteral("org.gnome.Mutter.DisplayConfig");
const QString kDisplayConfigPath = QStringLiteral("/org/gnome/Mutter/DisplayConfig");
const QString kColor = QStringLiteral("org.gnome.SettingsDaemon.Color");
const QString kColorPath = QStringLiteral("/org/gnome/SettingsDaemon/Color");

// The records of GetResources, in Mutter's field order.
struct CrtcRecord {
    quint32 id = 0;
    qlonglong winsys = 0;
    qint32 x = 0, y = 0, width = 0, height = 0, mode = -1;
    quint32 transform = 0;
    QList<quint32> transforms;
    QVariantMap properties;
};
struct OutputRecord {
    quint32 id = 0;
    qlonglong winsys = 0;
    qint32 crtc = -1;
    QList<quint32> possibleCrtcs;
    QString name;
    QList<quint32> modes, clones;
    QVariantMap properties;
};
struct ModeRecord {
    quint32 id = 0;
    qlonglong winsys = 0;
    quint32 width = 1024, height = 768;
    double refresh = 60.0;
    quint32 flags = 0;
};

QDBusArgument& operator<<(QDBusArgument& a, const CrtcRecord& r) {
    a.beginStructure();
    a << r.id << r.winsys << r.x << r.y << r.width << r.height << r.mode << r.transform
      << r.transforms << r.properties;
    a.endStructure();
    return a;
}
const QDBusArgument& operator>>(const QDBusArgument& a, CrtcRecord& r) {
    a.beginStructure();
    a >> r.id >> r.winsys >> r.x >> r.y >> r.width >> r.height >> r.mode >> r.transform >>
        r.transforms >> r.properties;
    a.endStructure();
    return a;
}
QDBusArgument& operator<<(QDBusArgument& a, const OutputRecord& r) {
    a.beginStructure();
    a << r.id << r.winsys << r.crtc << r.possibleCrtcs << r.name << r.modes << r.clones
      << r.properties;
    a.endStructure();
    return a;
}
const QDBusArgument& operator>>(const QDBusArgument& a, OutputRecord& r) {
    a.beginStructure();
    a >> r.id >> r.winsys >> r.crtc >> r.possibleCrtcs >> r.name >> r.modes >> r.clones >>
        r.properties;
    a.endStructure();
    return a;
}
QDBusArgument& operator<<(QDBusArgument& a, const ModeRecord& r) {
    a.beginStructure();
    a << r.id << r.winsys << r.width << r.height << r.refresh << r.flags;
    a.endStructure();
    return a;
}
const QDBusArgument& operator>>(const QDBusArgument& a, ModeRecord& r) {
    a.beginStructure();
    a >> r.id >> r.winsys >> r.width >> r.height >> r.refresh >> r.flags;
    a.endStructure();
    return a;
}

// A rising table that differs per CRTC and per channel, so a swapped channel or CRTC shows.
FakeMutter::Tables startTables(std::uint32_t crtc, int size) {
    FakeMutter::Tables t;
    for (std::size_t c = 0; c < 3; ++c) {
        const std::size_t top = 60000 - 3000 * c - 97 * (crtc % 16);
        t[c].resize(static_cast<std::size_t>(size));
        for (std::size_t j = 0; j < t[c].size(); ++j) {
            t[c][j] = static_cast<std::uint16_t>(j * top / (t[c].size() - 1));
        }
    }
    return t;
}

}  // namespace

Q_DECLARE_METATYPE(CrtcRecord)
Q_DECLARE_METATYPE(OutputRecord)
Q_DECLARE_METATYPE(ModeRecord)

// Answers every message on both paths by hand, so that errors and silence are the test's to
// choose. It lives in the fake's thread, where Qt D-Bus delivers its messages.
class FakeMutter::Service : public QDBusVirtualObject {
  public:
    explicit Service(FakeMutter& fake) : fake_(fake) {}

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& m, const QDBusConnection& bus) override {
        std::lock_guard lock(fake_.mutex_);
        if (fake_.hung_) {
            return true;  // swallowed: the caller waits for its time-out
        }
        QDBusConnection(bus).send(answer(m));
        return true;
    }

  private:
    QDBusMessage answer(const QDBusMessage& m) {
        const QVariantList args = m.arguments();
        if (m.path() == kColorPath && m.member() == QLatin1String("Get") && args.size() == 2 &&
            args[0].toString() == kColor &&
            args[1].toString() == QLatin1String("NightLightActive")) {
            return m.createReply(QVariant::fromValue(QDBusVariant(fake_.nightLight_)));
        }
        if (m.path() != kDisplayConfigPath || m.interface() != kDisplayConfig) {
            return m.createErrorReply(QDBusError::UnknownMethod, m.member());
        }
        if (m.member() == QLatin1String("GetResources")) {
            return resources(m);
        }
        const bool get = m.member() == QLatin1String("GetCrtcGamma") && m.signature() == "uu";
        const bool set = m.member() == QLatin1String("SetCrtcGamma") && m.signature() == "uuaqaqaq";
        if (!get && !set) {
            return m.createErrorReply(QDBusError::UnknownMethod, m.member());
        }
        if (args[0].toUInt() != fake_.serial_) {
            ++fake_.staleRefusals_;
            return m.createErrorReply(QDBusError::AccessDenied,
                                      "The requested configuration is based on stale information");
        }
        const auto found = fake_.tables_.find(args[1].toUInt());
        if (found == fake_.tables_.end()) {
            return m.createErrorReply(QDBusError::InvalidArgs, "Invalid crtc id");
        }
        Tables& tables = found->second;
        if (get) {
            QVariantList out;
            for (const auto& channel : tables) {
                out << QVariant::fromValue(QList<quint16>(channel.begin(), channel.end()));
            }
            return m.createReply(out);
        }
        Tables incoming;
        for (std::size_t c = 0; c < 3; ++c) {
            const auto channel = qdbus_cast<QList<quint16>>(args[static_cast<int>(c) + 2]);
            if (static_cast<std::size_t>(channel.size()) != tables[c].size()) {
                return m.createErrorReply(QDBusError::InvalidArgs, "Invalid gamma size");
            }
            incoming[c].assign(channel.begin(), channel.end());
        }
        tables = std::move(incoming);
        return m.createReply();
    }

    QDBusMessage resources(const QDBusMessage& m) {
        const quint32 serial = fake_.alwaysStale_ ? fake_.serial_++ : fake_.serial_;
        QList<CrtcRecord> crtcs;
        QList<OutputRecord> outputs;
        QList<ModeRecord> modes{ModeRecord{}};
        quint32 outputId = 100;
        for (const Crtc& c : fake_.layout_) {
            CrtcRecord record;
            record.id = c.id;
            record.winsys = c.id;
            record.mode = c.inUse ? 0 : -1;
            crtcs << record;
            if (!c.output.isEmpty()) {
                OutputRecord output;
                output.id = outputId++;
                output.crtc = static_cast<qint32>(c.id);
                output.possibleCrtcs = {c.id};
                output.name = c.output;
                outputs << output;
            }
        }
        return m.createReply({QVariant::fromValue(serial), QVariant::fromValue(crtcs),
                              QVariant::fromValue(outputs), QVariant::fromValue(modes),
                              QVariant::fromValue(qint32{8192}),
                              QVariant::fromValue(qint32{8192})});
    }

    FakeMutter& fake_;
};

class FakeMutter::Thread : public QThread {
  public:
    Thread(FakeMutter& fake, QString address) : fake_(fake), address_(std::move(address)) {}

    std::promise<bool> ready;
    std::unique_ptr<Service> service;  // lives in this thread

    void emitSignal() {
        QMetaObject::invokeMethod(
            service.get(),
            [this] {
                bus().send(QDBusMessage::createSignal(kDisplayConfigPath, kDisplayConfig,
                                                      QStringLiteral("MonitorsChanged")));
            },
            Qt::BlockingQueuedConnection);
    }

  protected:
    void run() override {
        qDBusRegisterMetaType<CrtcRecord>();
        qDBusRegisterMetaType<OutputRecord>();
        qDBusRegisterMetaType<ModeRecord>();
        qDBusRegisterMetaType<QList<CrtcRecord>>();
        qDBusRegisterMetaType<QList<OutputRecord>>();
        qDBusRegisterMetaType<QList<ModeRecord>>();
        service = std::make_unique<Service>(fake_);
        {
            QDBusConnection b = QDBusConnection::connectToBus(address_, name());
            const bool ok = b.isConnected() && b.registerService(kDisplayConfig) &&
                            b.registerService(kColor) &&
                            b.registerVirtualObject(kDisplayConfigPath, service.get()) &&
                            b.registerVirtualObject(kColorPath, service.get());
            ready.set_value(ok);
        }
        exec();
        bus().unregisterObject(kDisplayConfigPath);
        bus().unregisterObject(kColorPath);
        service.reset();
        QDBusConnection::disconnectFromBus(name());
    }

  private:
    QString name() const {
        return QStringLiteral("fake-mutter-%1").arg(reinterpret_cast<quintptr>(this));
    }
    QDBusConnection bus() const { return QDBusConnection(name()); }

    FakeMutter& fake_;
    QString address_;
};

FakeMutter::FakeMutter(const QString& busAddress, std::vector<Crtc> layout) {
    setLayout(std::move(layout), false);
    thread_ = std::make_unique<Thread>(*this, busAddress);
    auto ready = thread_->ready.get_future();
    thread_->start();
    running_ = ready.wait_for(std::chrono::seconds(10)) == std::future_status::ready && ready.get();
}

FakeMutter::~FakeMutter() {
    thread_->quit();
    thread_->wait();
}

void FakeMutter::setLayout(std::vector<Crtc> layout, bool announce) {
    {
        std::lock_guard lock(mutex_);
        std::map<std::uint32_t, Tables> kept;
        for (const Crtc& c : layout) {
            const auto old = tables_.find(c.id);
            kept[c.id] = old != tables_.end() &&
                                 old->second[0].size() == static_cast<std::size_t>(c.gammaSize)
                             ? old->second
                             : startTables(c.id, c.gammaSize);
        }
        tables_ = std::move(kept);
        layout_ = std::move(layout);
        ++serial_;
    }
    if (announce) {
        emitMonitorsChanged();
    }
}

void FakeMutter::emitMonitorsChanged() {
    thread_->emitSignal();
}

void FakeMutter::bumpSerial() {
    std::lock_guard lock(mutex_);
    ++serial_;
}

void FakeMutter::setAlwaysStale(bool on) {
    std::lock_guard lock(mutex_);
    alwaysStale_ = on;
    ++serial_;
}

void FakeMutter::setHung(bool on) {
    std::lock_guard lock(mutex_);
    hung_ = on;
}

void FakeMutter::setNightLight(bool on) {
    std::lock_guard lock(mutex_);
    nightLight_ = on;
}

FakeMutter::Tables FakeMutter::tables(std::uint32_t crtc) const {
    std::lock_guard lock(mutex_);
    const auto found = tables_.find(crtc);
    return found != tables_.end() ? found->second : Tables{};
}

void FakeMutter::setTables(std::uint32_t crtc, Tables tables) {
    std::lock_guard lock(mutex_);
    tables_[crtc] = std::move(tables);
}

int FakeMutter::staleRefusals() const {
    std::lock_guard lock(mutex_);
    return staleRefusals_;
}
