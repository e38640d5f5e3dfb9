// A burst of property writes on the session bus: the tool runs on a private Xvfb and a private
// bus with its settings file on disk, and one client sends 10,000 writes of Brightness (each a
// new value) without waiting for any answer, then asks for the brightness. Printed: how long that
// question waited for its answer (every write before it is done by then: one connection is
// answered in order), the writes per second that makes, and whether the last value was kept in
// the settings file. Beside it, below the bus: the same writes handed to the window's form in
// the process, over an in-memory display, with the real settings file and crash journal in a
// temporary folder. Figures are printed; nothing fails.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "main_window/frmMain.h"
#include "main_window/frmMainControlTarget.h"
#include "platform/linux/IniProfileFile.h"
#include "platform/linux/RuntimeJournalStore.h"
#include "support/E2eSupport.h"
#include "support/MemoryPlatform.h"
#include "support/PrivateBus.h"
#include "support/RecordingViews.h"

namespace {

constexpr int kWrites = 10'000;
const QString kService = QStringLiteral("io.github.dimwarden.Dimwarden");
const QString kPath = QStringLiteral("/io/github/dimwarden/Dimwarden");

QDBusMessage property(const QString& method) {
    QDBusMessage m = QDBusMessage::createMethodCall(
        kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"), method);
    m << kService << QStringLiteral("Brightness");
    return m;
}

// The writes handed straight to the form, as the bus service hands each one over.
void printFormFigure() {
    std::string folder = (std::filesystem::temp_directory_path() / "burst-XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr) {
        return;
    }
    MemoryPlatform memory;
    memory.settingsDir.dir = folder;
    memory.display.key = ":burst";
    IniProfileFile profile;
    RuntimeJournalStore journal(folder);
    Platform platform{memory.display, profile,    memory.settingsDir, memory.tray,
                      memory.drag,    memory.url, memory.instance,    &journal};
    frmMain form(platform);
    RecordingMainView view;
    form.attach(view);
    form.Form_Load();
    frmMainControlTarget target(form);
    const auto t0 = e2e::Clock::now();
    for (int i = 0; i < kWrites; ++i) {
        target.moveBrightness(10 + i % 30);
    }
    const double took = std::chrono::duration<double>(e2e::Clock::now() - t0).count();
    std::printf(
        "the same %d writes handed to the form (memory display, files on disk): %.2f s, "
        "%.0f writes/s, %zu ramps written\n",
        kWrites, took, kWrites / took, memory.display.applied.size());
    form.Unload();
    std::filesystem::remove_all(folder);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    printFormFigure();
    e2e::Session session;
    PrivateBus bus;
    if (!session.ready() || !bus.running()) {
        std::fprintf(stderr, "no Xvfb or no dbus-daemon: %s %s\n", session.error().c_str(),
                     bus.error().toStdString().c_str());
        return 1;
    }
    session.useSessionBus(bus.address());
    std::filesystem::remove(session.settingsPath());
    const auto tool = session.startTool();
    QDBusConnection client = QDBusConnection::connectToBus(bus.address(), "burst");
    waitUntil([&] { return client.call(property("Get")).type() == QDBusMessage::ReplyMessage; },
              e2e::kStartTimeout);

    int last = 0;
    const auto t0 = e2e::Clock::now();
    for (int i = 0; i < kWrites; ++i) {
        last = 10 + i % 30;
        QDBusMessage set = property("Set");
        set << QVariant::fromValue(QDBusVariant(last));
        client.send(set);
    }
    const auto sent = e2e::Clock::now();
    const QDBusMessage answer = client.call(property("Get"), QDBus::Block, 120'000);
    const auto answered = e2e::Clock::now();
    const double sending = std::chrono::duration<double>(sent - t0).count();
    const double waited = std::chrono::duration<double>(answered - sent).count();
    const bool ok = answer.type() == QDBusMessage::ReplyMessage;
    std::printf(
        "%d Brightness writes sent in %.2f s; a question after them answered %.2f s later "
        "(%s); %.0f writes/s\n",
        kWrites, sending, waited, ok ? "answered" : "NO ANSWER", kWrites / (sending + waited));
    tool->signal(SIGKILL);
    tool->waitExit(e2e::kStepTimeout);
    std::ifstream file(session.settingsPath());
    std::stringstream text;
    text << file.rdbuf();
    std::printf("settings file after a kill right after the answer: %s\n",
                text.str().find("color=") != std::string::npos ? "holds a colour" : "NO COLOUR");
    return 0;
}
