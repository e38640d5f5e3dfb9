#include "platform/linux/WaylandDesktop.h"

#include <QDBusConnectionInterface>
#include <QString>
#include <cstdlib>

namespace wayland_desktop {

bool isKdePlasma(const QDBusConnection& bus) {
    // A colon-separated list, e.g. "KDE" or "ubuntu:KDE".
    if (const char* desktops = std::getenv("XDG_CURRENT_DESKTOP")) {
        if (QString::fromLocal8Bit(desktops).split(u':').contains(u"KDE", Qt::CaseInsensitive)) {
            return true;
        }
    }
    const QDBusConnectionInterface* daemon = bus.isConnected() ? bus.interface() : nullptr;
    return daemon != nullptr && daemon->isServiceRegistered(QStringLiteral("org.kde.KWin")).value();
}

std::string kdePlasmaRefusal() {
    return "KDE Plasma on Wayland offers programs no gamma control (use Plasma's own Night Color, "
           "or a Plasma X11 session)";
}

}  // namespace wayland_desktop
