// The whole tool on a real wlroots compositor: sway, headless, with the pixman renderer. Headless
// outputs have no gamma table, so the compositor refuses every control: the tool must still show
// its window, say why, and run on until it is asked to end.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <csignal>
#include <filesystem>

#include "support/E2eSupport.h"
#include "support/Files.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// sway will not run as root; then the compositor and the tool both run as nobody.
std::vector<std::string> asUser(std::vector<std::string> argv) {
    if (::geteuid() != 0) {
        return argv;
    }
    std::vector<std::string> prefixed{"setpriv", "--reuid=65534", "--regid=65534",
                                      "--clear-groups"};
    prefixed.insert(prefixed.end(), argv.begin(), argv.end());
    return prefixed;
}

std::string firstMatch(const fs::path& folder, const std::string& prefix) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) == 0 && name.find(".lock") == std::string::npos) {
            return name;
        }
    }
    return {};
}

// Whether sway's tree holds a visible window of `pid`.
bool showsWindowOf(const QJsonObject& node, qint64 pid) {
    if (node.value("pid").toInteger(-1) == pid && node.value("visible").toBool()) {
        return true;
    }
    for (const char* children : {"nodes", "floating_nodes"}) {
        for (const QJsonValue& child : node.value(children).toArray()) {
            if (showsWindowOf(child.toObject(), pid)) {
                return true;
            }
        }
    }
    return false;
}

TEST(WlrSwayE2e, OnHeadlessSwayTheWindowShowsAndTheRefusalIsSaid) {
    // This process's environment (sanitizer options included) without its desktop session.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& key : environment.keys()) {
        if (key == "DISPLAY" || key == "HOME" || key.startsWith("WAYLAND_") ||
            key.startsWith("XDG_") || key.startsWith("DBUS_") || key.startsWith("QT_QPA_")) {
            environment.remove(key);
        }
    }
    if (runCommand({"sway", "--version"}, environment).status != 0) {
        GTEST_SKIP() << "sway is not installed";
    }
    char folderName[] = "/tmp/dimwarden-sway-XXXXXX";
    ASSERT_NE(::mkdtemp(folderName), nullptr);
    const fs::path folder = folderName;
    const fs::path runtime = folder / "run";
    fs::create_directories(folder / "config");
    fs::create_directory(runtime);
    ::chmod(runtime.c_str(), 0700);
    writeBytes(folder / "sway.conf", "xwayland disable\n");
    if (::geteuid() == 0) {
        for (const auto& entry : fs::recursive_directory_iterator(folder)) {
            ASSERT_EQ(::chown(entry.path().c_str(), 65534, 65534), 0);
        }
        ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
    }
    environment.insert("HOME", QString::fromStdString(folder));
    environment.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime));
    environment.insert("XDG_CONFIG_HOME", QString::fromStdString(folder / "config"));

    QProcessEnvironment swayEnvironment = environment;
    swayEnvironment.insert("WLR_BACKENDS", "headless");
    swayEnvironment.insert("WLR_LIBINPUT_NO_DEVICES", "1");
    swayEnvironment.insert("WLR_RENDERER", "pixman");
    ChildProcess sway(asUser({"sway", "-c", (folder / "sway.conf").string()}), swayEnvironment,
                      (folder / "sway.log").string());
    std::string socket;
    std::string ipc;
    ASSERT_TRUE(waitUntil(
        [&] {
            socket = firstMatch(runtime, "wayland-");
            ipc = firstMatch(runtime, "sway-ipc.");
            return !socket.empty() && !ipc.empty();
        },
        kStartTimeout))
        << sway.log();

    QProcessEnvironment toolEnvironment = environment;
    toolEnvironment.insert("WAYLAND_DISPLAY", QString::fromStdString(socket));
    useQtWayland(toolEnvironment);
    ChildProcess tool(asUser({DIMWARDEN_BINARY}), toolEnvironment, (folder / "tool.log").string());
    const auto windowShown = [&] {
        const CommandResult tree = runCommand(
            {"swaymsg", "-s", (runtime / ipc).string(), "-r", "-t", "get_tree"}, environment);
        return tree.status == 0 &&
               showsWindowOf(
                   QJsonDocument::fromJson(QByteArray::fromStdString(tree.output)).object(),
                   tool.pid());
    };
    EXPECT_TRUE(waitUntil(windowShown, kStartTimeout)) << tool.log();
    // Said once on stderr for the output, and once for the display as a whole.
    EXPECT_TRUE(waitUntil(
        [&] {
            return tool.log().find("does not let programs change the screen's colours") !=
                   std::string::npos;
        },
        kStepTimeout))
        << tool.log();
    EXPECT_NE(tool.log().find("refused the gamma table of HEADLESS-1"), std::string::npos)
        << tool.log();
    EXPECT_TRUE(tool.running()) << tool.log();

    tool.signal(SIGTERM);
    EXPECT_EQ(tool.waitExit(kStepTimeout), std::optional<int>(0)) << tool.log();
    sway.signal(SIGTERM);
    sway.waitExit(kStepTimeout);
    if (!::testing::Test::HasFailure()) {
        fs::remove_all(folder);
    } else {
        std::cerr << "session left in " << folder << "\n";
    }
}

}  // namespace
}  // namespace e2e
