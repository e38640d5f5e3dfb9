#pragma once

#include <QDBusConnection>
#include <string>
#include <utility>
#include <vector>

#include "gamma/DisplayGamma.h"

// Wayland desktops that let no program set the screen's gamma tables, named for the user.
namespace wayland_desktop {

// KDE Plasma: KWin keeps the tables for its own Night Color and offers clients no way to set
// them. Plasma is recognised by XDG_CURRENT_DESKTOP listing KDE, or by KWin on the session bus.
bool isKdePlasma(const QDBusConnection& bus = QDBusConnection::sessionBus());

// Why the screen cannot be tinted on KDE Plasma's Wayland session, as a refusal clause.
std::string kdePlasmaRefusal();

}  // namespace wayland_desktop

// The display of a desktop that takes no ramps at all; refusal() says which and why.
class RefusedDisplayGamma : public DisplayGamma {
  public:
    explicit RefusedDisplayGamma(std::string why) : why_(std::move(why)) {}

    std::vector<Output> outputs() override { return {}; }
    bool read(OutputId, GammaRamp&) override { return false; }
    bool apply(OutputId, const GammaRamp&) override { return false; }
    std::string refusal() const override { return why_; }

  private:
    std::string why_;
};
