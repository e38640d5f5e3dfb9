// The instance's interface on a private session bus, over a stand-in for the window: reads,
// writes, the errors of bad writes, PropertiesChanged, the name held once, and a flood.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QTimer>
#include <QVariantMap>
#include <chrono>
#include <memory>

#include "platform/linux/DbusControlService.h"
#include "support/MemoryControlTarget.h"
#include "support/PrivateBus.h"

using namespace dbuscontrol;

namespace {

class ChangeRecorder : public QObject {
    Q_OBJECT
  public:
    std::vector<QVariantMap> changes;

  public slots:
    void changed(const QString& interface, const QVariantMap& properties, const QStringList&) {
        if (interface == kInterface) {
            changes.push_back(properties);
        }
    }
};

bool pumpUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

class DbusControlServiceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!PrivateBus::available()) {
            GTEST_SKIP() << "dbus-daemon is not installed";
        }
        ASSERT_TRUE(bus_.running()) << bus_.error().toStdString();
        serverBus_ = std::make_unique<QDBusConnection>(bus_.connect());
        clientBus_ = std::make_unique<QDBusConnection>(bus_.connect());
        controller_ = std::make_unique<control::Controller>(target_);
        service_ = std::make_unique<DbusControlService>(*controller_, *serverBus_);
        ASSERT_EQ(service_->start(), DbusControlService::Start::Serving);
        ASSERT_TRUE(clientBus_->connect(kService, kPath, kPropertiesInterface,
                                        QStringLiteral("PropertiesChanged"), &recorder_,
                                        SLOT(changed(QString, QVariantMap, QStringList))));
    }

    // A call from the client's side, answered while this thread runs the service's events.
    QDBusMessage call(const QString& interface, const QString& member,
                      const QVariantList& args = {}) {
        QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, interface, member);
        message.setArguments(args);
        QDBusPendingCall pending = clientBus_->asyncCall(message);
        EXPECT_TRUE(pumpUntil([&] { return pending.isFinished(); })) << member.toStdString();
        return pending.reply();
    }
    QDBusMessage set(const QString& property, const QVariant& value) {
        return call(kPropertiesInterface, QStringLiteral("Set"),
                    {kInterface, property, QVariant::fromValue(QDBusVariant(value))});
    }
    QVariant get(const QString& property) {
        const QDBusMessage reply =
            call(kPropertiesInterface, QStringLiteral("Get"), {kInterface, property});
        return qdbus_cast<QDBusVariant>(reply.arguments().value(0)).variant();
    }
    // Signals still on their way arrive before a call's answer does.
    void settle() { call(kPropertiesInterface, QStringLiteral("GetAll"), {kInterface}); }

    PrivateBus bus_;
    std::unique_ptr<QDBusConnection> serverBus_;
    std::unique_ptr<QDBusConnection> clientBus_;
    MemoryControlTarget target_;
    std::unique_ptr<control::Controller> controller_;
    std::unique_ptr<DbusControlService> service_;
    ChangeRecorder recorder_;
};

TEST_F(DbusControlServiceTest, ReadsTheStateAndIntrospects) {
    target_.bgr = BgrColor(0x00FF8000);
    target_.position = 12;
    target_.untintedNames = {"DP-1", "My TV é"};
    EXPECT_EQ(get(QStringLiteral("Untinted")), QVariant(QStringList{"DP-1", "My TV é"}));
    EXPECT_EQ(get(QStringLiteral("Night")), QVariant(true));
    EXPECT_EQ(get(QStringLiteral("Color")), QVariant(QStringLiteral("#0080FF")));
    EXPECT_EQ(get(QStringLiteral("Brightness")), QVariant(12));
    const QDBusMessage all = call(kPropertiesInterface, QStringLiteral("GetAll"), {kInterface});
    const QVariantMap properties = qdbus_cast<QVariantMap>(all.arguments().value(0));
    EXPECT_EQ(properties.keys(),
              (QStringList{QStringLiteral("Automatic"), QStringLiteral("Autostart"),
                           QStringLiteral("Brightness"), QStringLiteral("Color"),
                           QStringLiteral("Fade"), QStringLiteral("Night"),
                           QStringLiteral("PauseApps"), QStringLiteral("PauseFullscreen"),
                           QStringLiteral("PauseUnavailable"), QStringLiteral("Paused"),
                           QStringLiteral("Schedule"), QStringLiteral("Untinted")}));
    EXPECT_EQ(properties.value(QStringLiteral("Schedule")), QVariant(QStringLiteral("off")));

    const QDBusMessage xml =
        call(QStringLiteral("org.freedesktop.DBus.Introspectable"), QStringLiteral("Introspect"));
    const QString text = xml.arguments().value(0).toString();
    for (const char* part :
         {"<interface name=\"io.github.dimwarden.Dimwarden\">",
          "<property name=\"Night\" type=\"b\" access=\"readwrite\"/>",
          "<property name=\"Color\" type=\"s\" access=\"readwrite\"/>",
          "<property name=\"Brightness\" type=\"i\" access=\"readwrite\"/>",
          "<property name=\"Schedule\" type=\"s\" access=\"readwrite\"/>",
          "<property name=\"Fade\" type=\"i\" access=\"readwrite\"/>",
          "<property name=\"Automatic\" type=\"b\" access=\"read\"/>",
          "<property name=\"Untinted\" type=\"as\" access=\"readwrite\"/>",
          "<property name=\"PauseFullscreen\" type=\"b\" access=\"readwrite\"/>",
          "<property name=\"PauseApps\" type=\"as\" access=\"readwrite\"/>",
          "<property name=\"Paused\" type=\"as\" access=\"read\"/>", "<method name=\"Toggle\"/>",
          "<method name=\"Untint\">", "org.freedesktop.DBus.Properties"}) {
        EXPECT_TRUE(text.contains(QLatin1String(part))) << part << "\n" << text.toStdString();
    }
}

TEST_F(DbusControlServiceTest, WritesRunTheHandlersAndBadOnesChangeNothing) {
    QStringList tooMany;
    for (int i = 0; i < 257; ++i) {
        tooMany << QString::number(i);
    }
    const struct {
        const char* property;
        QVariant value;
        const char* error;  // empty: accepted
        const char* call;   // the handler run, or empty
    } cases[] = {
        {"Night", false, "", "normal"},
        {"Night", true, "", "night"},
        {"Color", QStringLiteral("#FF8000"), "", "color #FF8000"},
        {"Color", QStringLiteral("0a0b0c"), "", "color #0A0B0C"},
        {"Brightness", 0, "", "brightness 0"},
        {"Brightness", 40, "", "brightness 40"},
        {"Untinted", QStringList{"DP-1", "My TV"}, "", "untinted 2"},
        {"Untinted", QStringList{}, "", "untinted 0"},
        {"Night", 1, "org.freedesktop.DBus.Error.InvalidArgs", ""},
        {"Night", QStringLiteral("true"), "org.freedesktop.DBus.Error.InvalidArgs", ""},
        {"Color", QStringLiteral("#FF800"), "org.freedesktop.DBus.Error.InvalidArgs", ""},
        {"Color", 0xFF8000, "org.freedesktop.DBus.Error.InvalidArgs", ""},
        {"Brightness", 41, "org.freedesktop.DBus.Error.InvalidArgs", ""},
        {"Brightness", -1, "org.freedesktop.DBus.Error.InvalidArgs", ""},
        {"Brightness", 20u, "org.freedesktop.DBus.Error.InvalidArgs", ""},
        {"Brightness", 20.0, "org.freedesktop.DBus.Error.InvalidArgs", ""},
        {"Brightness", QStringLiteral("20"), "org.freedesktop.DBus.Error.InvalidArgs", ""},
        {"Schedule", QStringLiteral("22:00-07:00"), "", "schedule 22:00-07:00"},
        {"Schedule", QStringLiteral(" Sun:52.52, 13.4 "), "", "schedule sun:52.52,13.4"},
        {"Schedule", QStringLiteral("off"), "", "schedule off"},
        {"Fade", 0, "", "fade 0"},
        {"Fade", 3600, "", "fade 3600"},
        {"Schedule", QStringLiteral("25:00-07:00"), "org.freedesktop.DBus.Error.InvalidArgs", ""},
        {"Schedule", 2200, "org.freedesktop.DBus.Error.InvalidArgs", ""},
        {"Fade", 3601, "org.freedesktop.DBus.Error.InvalidArgs", ""},
        {"Fade", -1, "org.freedesktop.DBus.Error.InvalidArgs", ""},
        {"Fade", QStringLiteral("60"), "org.freedesktop.DBus.Error.InvalidArgs", ""},
        {"Automatic", false, "org.freedesktop.DBus.Error.PropertyReadOnly", ""},
        {"Untinted", QStringLiteral("DP-1"), "org.freedesktop.DBus.Error.InvalidArgs", ""},
        {"PauseFullscreen", true, "", "pause-fullscreen on"},
        {"PauseFullscreen", QStringLiteral("on"), "org.freedesktop.DBus.Error.InvalidArgs", ""},
        {"PauseApps", QStringList{" mpv", "GIMP", "mpv.exe"}, "", "pause-apps mpv|GIMP"},
        {"PauseApps", QStringList{}, "", "pause-apps "},
        {"PauseApps", QStringLiteral("mpv"), "org.freedesktop.DBus.Error.InvalidArgs", ""},
        {"Paused", QStringList{"DP-1"}, "org.freedesktop.DBus.Error.PropertyReadOnly", ""},
        {"Dimness", 20, "org.freedesktop.DBus.Error.UnknownProperty", ""},
        // What the settings file could not keep.
        {"Untinted", tooMany, "org.freedesktop.DBus.Error.InvalidArgs", ""},
        {"Untinted", QStringList{QString(254, QLatin1Char('x'))},
         "org.freedesktop.DBus.Error.InvalidArgs", ""},
        {"Schedule", QString(65, QLatin1Char('1')), "org.freedesktop.DBus.Error.InvalidArgs", ""},
    };
    for (const auto& c : cases) {
        target_.calls.clear();
        const control::State before = controller_->state();
        const QDBusMessage reply = set(QString::fromLatin1(c.property), c.value);
        const std::string what = std::string(c.property) + " = " + c.value.toString().toStdString();
        EXPECT_EQ(reply.errorName().toStdString(), c.error) << what;
        if (*c.call != '\0') {
            EXPECT_EQ(target_.calls, std::vector<std::string>{c.call}) << what;
        } else {
            EXPECT_TRUE(target_.calls.empty()) << what;
            EXPECT_EQ(controller_->state(), before) << what;
        }
    }

    target_.calls.clear();
    EXPECT_EQ(call(kInterface, QStringLiteral("Toggle")).type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(target_.calls, std::vector<std::string>{"toggle"});
    // One output by name; no name or an empty one is an error.
    target_.calls.clear();
    EXPECT_EQ(call(kInterface, QStringLiteral("Untint"), {QStringLiteral("My TV")}).type(),
              QDBusMessage::ReplyMessage);
    EXPECT_EQ(call(kInterface, QStringLiteral("Tint"), {QStringLiteral("DP-1")}).type(),
              QDBusMessage::ReplyMessage);
    EXPECT_EQ(call(kInterface, QStringLiteral("Tint")).errorName(),
              QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"));
    EXPECT_EQ(call(kInterface, QStringLiteral("Untint"), {QString()}).errorName(),
              QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"));
    EXPECT_EQ(
        call(kInterface, QStringLiteral("Untint"), {QString(254, QLatin1Char('x'))}).errorName(),
        QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"));
    EXPECT_EQ(target_.calls, (std::vector<std::string>{"untint My TV", "tint DP-1"}));

    // A command as typed: applied where the slider stands, answered with status and state.
    target_.position = 10;
    const QDBusMessage step =
        call(kInterface, QStringLiteral("Command"),
             {QStringList{QStringLiteral("--brightness"), QStringLiteral("+1")}});
    EXPECT_EQ(step.arguments().value(0), QVariant(0));
    EXPECT_TRUE(step.arguments().value(1).toString().contains(QLatin1String("brightness=11\n")));
    const QDBusMessage bad =
        call(kInterface, QStringLiteral("Command"),
             {QStringList{QStringLiteral("--brightness"), QStringLiteral("50")}});
    EXPECT_EQ(bad.arguments().value(0), QVariant(2));
    EXPECT_TRUE(bad.arguments().value(2).toString().startsWith(QLatin1String("'50' is not")));
    EXPECT_EQ(call(kPropertiesInterface, QStringLiteral("Set"),
                   {QStringLiteral("org.example.Other"), QStringLiteral("Night"),
                    QVariant::fromValue(QDBusVariant(true))})
                  .errorName(),
              QStringLiteral("org.freedesktop.DBus.Error.UnknownInterface"));
}

TEST_F(DbusControlServiceTest, AnnouncesWhatChangedWhateverTheSource) {
    set(QStringLiteral("Brightness"), 10);
    set(QStringLiteral("Brightness"), 10);  // no change, no signal
    set(QStringLiteral("Night"), false);
    target_.changeFromWindow(BgrColor(0x000000));
    set(QStringLiteral("Night"), false);  // normal again: nothing new
    set(QStringLiteral("Fade"), 5);
    target_.runs = false;  // the tray's Automatic; a schedule set turns it on again
    target_.changeFromWindow(BgrColor(0x000000));
    set(QStringLiteral("Schedule"), QStringLiteral("sun:0,0"));
    set(QStringLiteral("Schedule"), QStringLiteral("sun:91,0"));  // refused: nothing
    target_.setOutputTinted("DP-1", false);  // the tray menu's Monitors submenu
    settle();
    const std::vector<QVariantMap> expected = {
        {{QStringLiteral("Brightness"), 10}},
        {{QStringLiteral("Night"), false}},
        {{QStringLiteral("Color"), QStringLiteral("#000000")}},
        {{QStringLiteral("Fade"), 5}},
        {{QStringLiteral("Automatic"), false}},
        {{QStringLiteral("Schedule"), QStringLiteral("sun:0,0")},
         {QStringLiteral("Automatic"), true}},
        {{QStringLiteral("Untinted"), QStringList{"DP-1"}}},
    };
    EXPECT_EQ(recorder_.changes, expected);
}

TEST_F(DbusControlServiceTest, TheNameIsHeldOnceAndFreedWithTheService) {
    control::Controller otherController(target_);
    QDBusConnection other = bus_.connect();
    {
        DbusControlService second(otherController, other);
        EXPECT_EQ(second.start(), DbusControlService::Start::NameTaken);
    }
    EXPECT_EQ(get(QStringLiteral("Night")), QVariant(true)) << "the first lost its name";

    service_.reset();
    EXPECT_TRUE(pumpUntil([&] { return !clientBus_->interface()->isServiceRegistered(kService); }));
    DbusControlService third(otherController, other);
    EXPECT_EQ(third.start(), DbusControlService::Start::Serving);
}

TEST_F(DbusControlServiceTest, AFloodOfWritesIsHandledInRunsEndingOnTheLast) {
    constexpr std::size_t kWrites = 10000;
    // Timer events that ran while part of the writes had been handled and part had not.
    int ticksAmidWrites = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const std::size_t handled = target_.calls.size();
        ticksAmidWrites += handled > 0 && handled < kWrites ? 1 : 0;
    });
    ticker.start(0);

    std::vector<QDBusPendingCall> pending;
    pending.reserve(kWrites);
    for (std::size_t i = 0; i < kWrites; ++i) {
        QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kPropertiesInterface,
                                                              QStringLiteral("Set"));
        const QString color = QString::fromStdString(
            control::formatColor(BgrColor(static_cast<std::uint32_t>(i * 0x10101 + 7))));
        message.setArguments(
            {kInterface, QStringLiteral("Color"), QVariant::fromValue(QDBusVariant(color))});
        pending.push_back(clientBus_->asyncCall(message));
    }
    ASSERT_TRUE(pumpUntil([&] { return pending.back().isFinished(); }, std::chrono::seconds(60)));
    ticker.stop();

    int failures = 0;
    for (const QDBusPendingCall& p : pending) {
        failures += p.isError() ? 1 : 0;
    }
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(target_.calls.size(), kWrites);
    EXPECT_EQ(target_.bgr, BgrColor(static_cast<std::uint32_t>((kWrites - 1) * 0x10101 + 7)));
    EXPECT_EQ(get(QStringLiteral("Color")).toString().toStdString(),
              control::formatColor(target_.bgr));
    // The writes were handled in runs of those already queued, with the window's other events
    // between them; each run ended (its effects done) before the next began, and was announced
    // once, ending on the last colour.
    EXPECT_GT(ticksAmidWrites, 0);
    EXPECT_FALSE(target_.held);
    ASSERT_FALSE(target_.runEnds.empty());
    EXPECT_EQ(target_.runEnds.back(), kWrites);
    EXPECT_LT(target_.runEnds.size(), kWrites / 2);
    settle();
    EXPECT_LE(recorder_.changes.size(), target_.runEnds.size());
    ASSERT_FALSE(recorder_.changes.empty());
    EXPECT_EQ(recorder_.changes.back().value(QStringLiteral("Color")).toString().toStdString(),
              control::formatColor(target_.bgr));
}

}  // namespace

#include "DbusControlServiceTest.moc"
