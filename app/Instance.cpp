#include "app/Instance.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "main_window/frmMain.h"
#include "main_window/frmMainControlTarget.h"
#include "platform/CommandChannel.h"
#include "platform/SystemPlatform.h"

int runInstance(SystemPlatform& system, frmMain& form,
                const std::optional<control::Command>& command, int argc, char** argv,
                const EventLoop& loop) {
    // Watched from before the tint is first applied: a logout or a kill must not leave the screen
    // tinted or lose the colour, so both go through the normal unload.
    system.watchTermination([&form] { form.Unload(); });
    if (!form.Form_Load()) {
        if (command) {
            // Another start won the display a moment ago: the command goes to it once it serves.
            if (const auto status =
                    sendToRunningInstance(*command, argc, argv, std::chrono::seconds(10))) {
                return *status;
            }
            std::fprintf(stderr, "dimwarden: %s; nothing was sent\n",
                         SystemPlatform::instanceUnreachable().c_str());
            return control::kFailed;
        }
        // Another instance runs (or another program holds its place); it is left alone.
        if (const std::string said = SystemPlatform::alreadyRunning(); !said.empty()) {
            std::fprintf(stderr, "dimwarden: %s\n", said.c_str());
        }
        return 0;
    }
    // Only once the screen is tinted: nothing on the way there may wait on the system bus.
    system.watchResume([&form] { form.resumed(); });
    // Commands from outside, one given to this start first; none once the window has unloaded.
    frmMainControlTarget target(form);
    control::Controller controller(target);
    if (command) {
        // This process is the instance now: a refusal is said, as a running one answers it.
        if (const std::string refused = controller.apply(*command); !refused.empty()) {
            std::fprintf(stderr, "dimwarden: %s\n", refused.c_str());
        }
    }
    std::unique_ptr<CommandService> commands;
    form.onUnloaded = [&commands, &loop] {
        commands.reset();
        loop.quit();
    };
    // The screen is tinted: the window, the tray's and the toolkit's own use of the session bus
    // and the command service come after it, once the bus is known to answer.
    system.whenSessionBusUsable([&] {
        if (form.unloaded()) {
            return;
        }
        loop.buildWindows();
        commands = serveCommands(controller);
        form.showAfterLoad();
    });
    const int status = loop.run();
    form.Unload();
    form.onUnloaded = nullptr;
    return status;
}
