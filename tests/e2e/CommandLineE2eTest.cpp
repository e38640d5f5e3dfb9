// The command line is answered before any display is opened: help and version anywhere, a
// mistyped option as a usage error, and a missing display as one line instead of an abort.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <filesystem>

#include "support/E2eSupport.h"

namespace e2e {
namespace {

struct Case {
    std::vector<std::string> args;
    const char* display;  // nullptr: DISPLAY unset
    int status;
    std::string out;  // stdout starts with this
    std::string err;  // stderr starts with this
    int errLines;     // lines on stderr, or -1 for any number
};

// A display that no server answers: nothing listens on its socket.
constexpr const char* kNowhere = ":4097";

TEST(CommandLineE2e, AnswersWithoutTouchingDisplayOrSettings) {
    ASSERT_FALSE(std::filesystem::exists("/tmp/.X11-unix/X4097"));
    const std::string version = "dimwarden " DIMWARDEN_VERSION "\n";
    const Case cases[] = {
        {{"--help"}, nullptr, 0, "Usage: dimwarden [options]\n", "", 0},
        {{"-h"}, kNowhere, 0, "Usage: dimwarden [options]\n", "", 0},
        {{"--version"}, nullptr, 0, version, "", 0},
        {{"-v"}, kNowhere, 0, version, "", 0},
        {{"--bogus"}, kNowhere, 2, "", "dimwarden: Unknown option 'bogus'.\n\nUsage:", -1},
        {{"--help", "extra"}, kNowhere, 2, "", "dimwarden: unexpected argument 'extra'.", -1},
        {{}, nullptr, 1, "", "dimwarden: no display", 1},
        {{}, kNowhere, 1, "", "dimwarden: cannot connect to display :4097", 1},
        // Qt's own options go to Qt; -display also names the display the tool tints.
        {{"-platform", "xcb", "-h"}, nullptr, 0, "Usage: dimwarden [options]\n", "", 0},
        {{"--reverse", "-style=fusion", "-v"}, nullptr, 0, version, "", 0},
        {{"-display", kNowhere}, nullptr, 1, "", "dimwarden: cannot connect to display :4097", 1},
        {{"-platfrom", "xcb"}, nullptr, 2, "", "dimwarden: Unknown options: p, l, a, t, f", -1},
    };
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QString config = home.filePath(QStringLiteral("config"));
    const QString runtime = home.filePath(QStringLiteral("runtime"));
    ASSERT_TRUE(QDir().mkpath(config) && QDir().mkpath(runtime));
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    for (const Case& c : cases) {
        QProcessEnvironment env;
        env.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        if (c.display != nullptr) {
            env.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(c.display));
        }
        // The two streams apart: the shell keeps one of them and drops the other.
        auto run = [&](const char* redirect) {
            std::vector<std::string> argv = {
                "/bin/sh", "-c", std::string("exec \"$0\" \"$@\" ") + redirect, DIMWARDEN_BINARY};
            argv.insert(argv.end(), c.args.begin(), c.args.end());
            return runCommand(argv, env);
        };
        const CommandResult out = run("2>/dev/null");
        const CommandResult err = run("2>&1 >/dev/null");
        const std::string what = c.args.empty() ? "(no arguments)" : c.args[0];
        EXPECT_EQ(out.status, c.status) << what << ": " << err.output;
        EXPECT_EQ(out.output.substr(0, c.out.size()), c.out) << what;
        EXPECT_EQ(c.out.empty(), out.output.empty()) << what << ": " << out.output;
        EXPECT_EQ(err.output.substr(0, c.err.size()), c.err) << what;
        if (c.errLines >= 0) {
            EXPECT_EQ(std::count(err.output.begin(), err.output.end(), '\n'), c.errLines)
                << what << ": " << err.output;
        }
    }
    EXPECT_TRUE(QDir(config).isEmpty()) << "the settings folder was written";
    EXPECT_TRUE(QDir(runtime).isEmpty()) << "the lock was taken";
}

// `dimwarden` answers --help itself, and a window program that is there but cannot be run is
// named as such.
TEST(CommandLineE2e, TheLauncherAnswersHelpAloneAndNamesAWindowProgramThatCannotRun) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString launcher = dir.filePath(QStringLiteral("dimwarden"));
    const QString gui = dir.filePath(QStringLiteral("dimwarden-gui"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(DIMWARDEN_BINARY), launcher));
    QFile stub(gui);
    ASSERT_TRUE(stub.open(QIODevice::WriteOnly));
    stub.close();
    QFile::setPermissions(gui, QFile::ReadOwner | QFile::WriteOwner);
    QProcessEnvironment env;
    env.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(kNowhere));

    const CommandResult help = runCommand({launcher.toStdString(), "--help"}, env);
    EXPECT_EQ(help.status, 0) << help.output;
    EXPECT_EQ(help.output.rfind("Usage: dimwarden [options]\n", 0), 0u) << help.output;
    const CommandResult start = runCommand({launcher.toStdString()}, env);
    EXPECT_EQ(start.status, 1);
    EXPECT_EQ(start.output, "dimwarden: " + gui.toStdString() +
                                " is there but cannot be run: Permission denied\n");
}

}  // namespace
}  // namespace e2e
