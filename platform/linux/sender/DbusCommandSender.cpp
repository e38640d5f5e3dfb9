// The sending side of the commands, on the session bus through libdbus alone. A command is the
// whole life of the process that sends it, so the sender loads no toolkit: a script's toggle costs
// about what a `gdbus call` costs, not a GUI program's start.
#include <dbus/dbus.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "control/Client.h"
#include "platform/CommandChannel.h"
#include "platform/linux/sender/BusHandshake.h"
#include "platform/linux/sender/BusNames.h"

using namespace busnames;

namespace {

// Owns one message reference.
struct Message {
    DBusMessage* m = nullptr;
    explicit Message(DBusMessage* message = nullptr) : m(message) {}
    ~Message() {
        if (m) {
            dbus_message_unref(m);
        }
    }
    Message(const Message&) = delete;
    Message& operator=(const Message&) = delete;
};

// The command's arguments to the instance's Command(as) method over one private connection,
// closed on the way out (libdbus would otherwise end the process when the bus goes away).
class DbusTransport : public control::Transport {
  public:
    DbusTransport() {
        DBusError error;
        dbus_error_init(&error);
        bus_ = dbus_bus_get_private(DBUS_BUS_SESSION, &error);
        dbus_error_free(&error);
        if (bus_) {
            dbus_connection_set_exit_on_disconnect(bus_, FALSE);
        }
    }
    ~DbusTransport() override {
        if (bus_) {
            dbus_connection_close(bus_);
            dbus_connection_unref(bus_);
        }
    }
    DbusTransport(const DbusTransport&) = delete;
    DbusTransport& operator=(const DbusTransport&) = delete;

    std::string_view place() const override { return "on this display"; }

    void awaitInstance(std::chrono::milliseconds patience) override {
        const auto deadline = std::chrono::steady_clock::now() + patience;
        while (bus_ && std::chrono::steady_clock::now() < deadline && !nameHasOwner()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    Reply send(const std::vector<std::string>& args) override {
        if (!bus_) {
            return {Reach::NoInstance, {}, {}};
        }
        // The bus carries UTF-8 alone; libdbus would refuse the message on its own terms.
        for (const std::string& arg : args) {
            if (!dbus_validate_utf8(arg.c_str(), nullptr)) {
                return {
                    Reach::Answered,
                    {control::kBadUsage, {}, "an output name on the session bus must be UTF-8."},
                    {}};
            }
        }
        Message call(dbus_message_new_method_call(kService, kPath, kInterface, "Command"));
        // Nothing on the bus may be started in the tool's place.
        dbus_message_set_auto_start(call.m, FALSE);
        DBusMessageIter it;
        DBusMessageIter array;
        dbus_message_iter_init_append(call.m, &it);
        dbus_message_iter_open_container(&it, DBUS_TYPE_ARRAY, "s", &array);
        for (const std::string& arg : args) {
            const char* text = arg.c_str();
            dbus_message_iter_append_basic(&array, DBUS_TYPE_STRING, &text);
        }
        dbus_message_iter_close_container(&it, &array);

        DBusError error;
        dbus_error_init(&error);
        Message reply(dbus_connection_send_with_reply_and_block(bus_, call.m, -1, &error));
        Reply result;
        std::int32_t status = 0;
        const char* state = nullptr;
        const char* message = nullptr;
        if (reply.m &&
            dbus_message_get_args(reply.m, &error, DBUS_TYPE_INT32, &status, DBUS_TYPE_STRING,
                                  &state, DBUS_TYPE_STRING, &message, DBUS_TYPE_INVALID)) {
            result = {Reach::Answered, {status, state, message}, {}};
        } else {
            const bool absent = dbus_error_has_name(&error, DBUS_ERROR_SERVICE_UNKNOWN) ||
                                dbus_error_has_name(&error, DBUS_ERROR_NAME_HAS_NO_OWNER);
            result.reach = absent ? Reach::NoInstance : Reach::Failed;
            result.error = error.message ? error.message : "no answer";
        }
        dbus_error_free(&error);
        return result;
    }

    bool listen() override {
        if (!bus_) {
            return false;
        }
        const std::string service = kService;
        return addMatch("type='signal',sender='" + service + "',path='" + kPath + "',interface='" +
                        kPropertiesInterface + "',member='PropertiesChanged'") &&
               addMatch(
                   "type='signal',sender='org.freedesktop.DBus',interface='org.freedesktop.DBus',"
                   "member='NameOwnerChanged',arg0='" +
                   service + "'");
    }

    bool waitForChange() override {
        // Blocks in the kernel between messages: an idle watcher uses no CPU.
        while (dbus_connection_read_write(bus_, -1)) {
            bool changed = false;
            while (DBusMessage* raw = dbus_connection_pop_message(bus_)) {
                const Message message(raw);
                if (dbus_message_is_signal(raw, kPropertiesInterface, "PropertiesChanged")) {
                    changed = true;
                } else if (dbus_message_is_signal(raw, "org.freedesktop.DBus",
                                                  "NameOwnerChanged")) {
                    const char* name = nullptr;
                    const char* from = nullptr;
                    const char* to = nullptr;
                    if (dbus_message_get_args(raw, nullptr, DBUS_TYPE_STRING, &name,
                                              DBUS_TYPE_STRING, &from, DBUS_TYPE_STRING, &to,
                                              DBUS_TYPE_INVALID) &&
                        std::string(kService) == name && *to == '\0') {
                        return false;
                    }
                }
            }
            if (changed) {
                return true;
            }
        }
        // The bus itself went away, and the instance with it.
        return false;
    }

  private:
    bool nameHasOwner() {
        Message ask(dbus_message_new_method_call("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                 "org.freedesktop.DBus", "NameHasOwner"));
        const char* name = kService;
        dbus_message_append_args(ask.m, DBUS_TYPE_STRING, &name, DBUS_TYPE_INVALID);
        DBusError error;
        dbus_error_init(&error);
        Message reply(dbus_connection_send_with_reply_and_block(bus_, ask.m, -1, &error));
        dbus_bool_t owned = FALSE;
        if (reply.m) {
            dbus_message_get_args(reply.m, &error, DBUS_TYPE_BOOLEAN, &owned, DBUS_TYPE_INVALID);
        }
        dbus_error_free(&error);
        return owned;
    }

    bool addMatch(const std::string& rule) {
        DBusError error;
        dbus_error_init(&error);
        dbus_bus_add_match(bus_, rule.c_str(), &error);
        const bool ok = !dbus_error_is_set(&error);
        dbus_error_free(&error);
        return ok;
    }

    DBusConnection* bus_ = nullptr;
};

}  // namespace

std::optional<int> sendToRunningInstance(const control::Command& command, int, char**,
                                         std::chrono::milliseconds patience) {
    // libdbus would wait for ever on a bus that takes the connection and never answers.
    constexpr int kBusLimitMs = 4000;
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address != nullptr &&
        bushandshake::ask(address, kBusLimitMs) == bushandshake::Answer::Silent) {
        std::fputs(
            "dimwarden: the session bus takes connections but does not answer; nothing was sent\n",
            stderr);
        return control::kFailed;
    }
    DbusTransport transport;
    return control::runClient(transport, command, patience);
}
