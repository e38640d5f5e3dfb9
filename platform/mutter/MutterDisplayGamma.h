#pragma once

#include <QDBusConnection>
#include <memory>
#include <string>
#include <vector>

#include "gamma/DisplayGamma.h"

// GNOME on Wayland: the CRTCs' gamma tables through Mutter's display-configuration service on the
// session bus (org.gnome.Mutter.DisplayConfig). Every call blocks for at most `timeoutMs`; a
// service that does not answer in that time is taken as hung: from then on every call fails at
// once and refusal() says why, until the service shows life again with a MonitorsChanged signal.
// Mutter keeps a table after its client exits, so this backend keeps a crash journal like X11.
class MutterDisplayGamma : public DisplayGamma {
  public:
    static constexpr int kDefaultTimeoutMs = 1000;

    explicit MutterDisplayGamma(const QDBusConnection& bus = QDBusConnection::sessionBus(),
                                int timeoutMs = kDefaultTimeoutMs);
    ~MutterDisplayGamma() override;
    MutterDisplayGamma(const MutterDisplayGamma&) = delete;
    MutterDisplayGamma& operator=(const MutterDisplayGamma&) = delete;

    // Whether someone owns Mutter's display-configuration service on `bus`.
    static bool offeredOn(const QDBusConnection& bus);

    std::vector<Output> outputs() override;
    bool read(OutputId id, GammaRamp& ramp) override;
    bool apply(OutputId id, const GammaRamp& ramp) override;
    std::string refusal() const override;
    std::string journalKey() const override;
    // GNOME's own Night Light writes the same tables: said while it is on; empty when it is off
    // or cannot be asked. GNOME's settings are never changed.
    std::string notice() override;

  private:
    struct Session;
    std::unique_ptr<Session> session_;
};
