// The instance's side of the commands: its service on the session bus.
#include <QDBusConnection>
#include <cstdio>

#include "platform/CommandChannel.h"
#include "platform/linux/DbusControlService.h"

using namespace dbuscontrol;

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
