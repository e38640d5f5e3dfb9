// Bursts of property writes on the session bus: the tool runs on a private Xvfb and a private
// bus with its settings file on disk, and one client sends 10,000 writes of one property (each a
// new value) without waiting for any answer, then asks for the colour; so for Night, Color, Fade,
// Schedule and Brightness in turn. Printed: how long that
// question waited for its answer (every write before it is done by then: one connection is
// answered in order), the writes per second that makes, and whether a kill right after the answer
// finds that colour kept in the settings file. Beside it, below the bus: the same writes handed to
// the window's form in the process, over an in-memory display, with the real settings file and
// crash journal in a temporary folder. Figures are printed; nothing fails.
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "control/CommandTable.h"
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

QDBusMessage property(const QString& method, const QString& name = QStringLiteral("Brightness")) {
    QDBusMessage m = QDBusMessage::createMethodCall(
        kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"), method);
    m << kService << name;
    return m;
}

// The [Setting] colour the file keeps, as "#RRGGBB"; empty when it keeps none.
std::string keptColor(const std::string& path) {
    std::ifstream file(path);
    for (std::string line; std::getline(file, line);) {
        if (line.starts_with("color=")) {
            return control::formatColor(
                BgrColor(static_cast<std::uint32_t>(std::strtoul(line.c_str() + 6, nullptr, 10))));
        }
    }
    return {};
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
    // One write at a time as a lone call is handled, then all as one run as a burst on the bus is.
    for (const bool held : {false, true}) {
        const std::size_t before = memory.display.applied.size();
        const auto t0 = e2e::Clock::now();
        target.holdEffects(held);
        for (int i = 0; i < kWrites; ++i) {
            target.moveBrightness(10 + (i + (held ? 1 : 0)) % 30);
        }
        target.holdEffects(false);
        const double took = std::chrono::duration<double>(e2e::Clock::now() - t0).count();
        std::printf(
            "the same %d writes handed to the form %s (memory display, files on disk): %.3f s, "
            "%.0f writes/s, %zu ramps written\n",
            kWrites, held ? "as one run" : "one by one", took, kWrites / took,
            memory.display.applied.size() - before);
    }
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

    // Brightness last: the kill below checks the colour its burst leaves.
    const struct {
        const char* name;
        QVariant (*value)(int i);
    } bursts[] = {
        {"Night", [](int i) { return QVariant(i % 2 == 0); }},
        {"Color",
         [](int i) {
             return QVariant(QString::asprintf("#%02X%02X%02X", i % 256, (i / 256) % 256, 128));
         }},
        {"Fade", [](int i) { return QVariant(i % 3600); }},
        {"Schedule",
         [](int i) {
             return QVariant(i % 2 == 0 ? QStringLiteral("22:00-07:00") : QStringLiteral("off"));
         }},
        {"Brightness", [](int i) { return QVariant(10 + i % 30); }},
    };
    QDBusMessage answer;
    bool ok = false;
    for (const auto& burst : bursts) {
        const auto t0 = e2e::Clock::now();
        for (int i = 0; i < kWrites; ++i) {
            QDBusMessage set = property("Set", QString::fromLatin1(burst.name));
            set << QVariant::fromValue(QDBusVariant(burst.value(i)));
            client.send(set);
        }
        const auto sent = e2e::Clock::now();
        answer = client.call(property("Get", QStringLiteral("Color")), QDBus::Block, 120'000);
        const auto answered = e2e::Clock::now();
        const double sending = std::chrono::duration<double>(sent - t0).count();
        const double waited = std::chrono::duration<double>(answered - sent).count();
        ok = answer.type() == QDBusMessage::ReplyMessage;
        std::printf(
            "%d %s writes sent in %.2f s; a question after them answered %.2f s later (%s); "
            "%.0f writes/s\n",
            kWrites, burst.name, sending, waited, ok ? "answered" : "NO ANSWER",
            kWrites / (sending + waited));
    }
    tool->signal(SIGKILL);
    tool->waitExit(e2e::kStepTimeout);
    const std::string shown = ok ? qdbus_cast<QDBusVariant>(answer.arguments().value(0))
                                       .variant()
                                       .toString()
                                       .toStdString()
                                 : std::string();
    const std::string kept = keptColor(session.settingsPath());
    std::printf("settings file after a kill right after the answer: %s (%s, answered %s)\n",
                !kept.empty() && kept == shown ? "keeps the colour answered" : "DIFFERS",
                kept.c_str(), shown.c_str());
    return 0;
}
