#pragma once

#include <QDBusConnection>
#include <string>

// Wayland desktops that let no program set the screen's gamma tables, named for the user.
namespace wayland_desktop {

// KDE Plasma: KWin keeps the tables for its own Night Color and offers clients no way to set
// them. Plasma is recognised by XDG_CURRENT_DESKTOP listing KDE, or by KWin on the session bus.
bool isKdePlasma(const QDBusConnection& bus = QDBusConnection::sessionBus());

// Why the screen cannot be tinted on KDE Plasma's Wayland session, as a refusal clause.
std::string kdePlasmaRefusal();

}  // namespace wayland_desktop
