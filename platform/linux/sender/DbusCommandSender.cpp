// The sending side of the commands, on the session bus through libdbus alone. A command is the
// whole life of the process that sends it, so the sender loads no toolkit: a script's toggle costs
// about what a `gdbus call` costs, not a GUI program's start.
#include <dbus/dbus.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <variant>
#include <vector>

#include "platform/CommandChannel.h"
#include "platform/linux/sender/BusNames.h"

using namespace busnames;

namespace {

// A property's value as the instance sends it.
using Value = std::variant<bool, std::int32_t, std::string, std::vector<std::string>>;
using Properties = std::map<std::string, Value>;

// One private connection, closed on the way out (libdbus would otherwise end the process when
// the bus goes away).
class Bus {
  public:
    Bus() {
        DBusError error;
        dbus_error_init(&error);
        connection_ = dbus_bus_get_private(DBUS_BUS_SESSION, &error);
        dbus_error_free(&error);
        if (connection_) {
            dbus_connection_set_exit_on_disconnect(connection_, FALSE);
        }
    }
    ~Bus() {
        if (connection_) {
            dbus_connection_close(connection_);
            dbus_connection_unref(connection_);
        }
    }
    Bus(const Bus&) = delete;
    Bus& operator=(const Bus&) = delete;

    DBusConnection* get() const { return connection_; }
    explicit operator bool() const { return connection_ != nullptr; }

  private:
    DBusConnection* connection_ = nullptr;
};

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
    Message(Message&& o) noexcept : m(o.m) { o.m = nullptr; }
    Message& operator=(Message&& o) noexcept {
        std::swap(m, o.m);
        return *this;
    }
};

// What sending a message came to.
enum class Outcome { Answered, NoInstance, Failed };

struct Call {
    Outcome outcome = Outcome::Failed;
    Message reply;
    std::string error;
};

bool nameHasOwner(const Bus& bus) {
    Message ask(dbus_message_new_method_call("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                             "org.freedesktop.DBus", "NameHasOwner"));
    const char* name = kService;
    dbus_message_append_args(ask.m, DBUS_TYPE_STRING, &name, DBUS_TYPE_INVALID);
    DBusError error;
    dbus_error_init(&error);
    Message reply(dbus_connection_send_with_reply_and_block(bus.get(), ask.m, -1, &error));
    dbus_bool_t owned = FALSE;
    if (reply.m) {
        dbus_message_get_args(reply.m, &error, DBUS_TYPE_BOOLEAN, &owned, DBUS_TYPE_INVALID);
    }
    dbus_error_free(&error);
    return owned;
}

// `append` adds the call's arguments.
template <typename Append>
Call call(const Bus& bus, const char* interface, const char* member, Append&& append) {
    if (!bus) {
        return {Outcome::NoInstance, Message(), {}};
    }
    Message message(dbus_message_new_method_call(kService, kPath, interface, member));
    // Nothing on the bus may be started in the tool's place.
    dbus_message_set_auto_start(message.m, FALSE);
    DBusMessageIter args;
    dbus_message_iter_init_append(message.m, &args);
    append(&args);
    DBusError error;
    dbus_error_init(&error);
    Call result;
    result.reply =
        Message(dbus_connection_send_with_reply_and_block(bus.get(), message.m, -1, &error));
    if (result.reply.m) {
        result.outcome = Outcome::Answered;
    } else {
        const bool absent = dbus_error_has_name(&error, DBUS_ERROR_SERVICE_UNKNOWN) ||
                            dbus_error_has_name(&error, DBUS_ERROR_NAME_HAS_NO_OWNER);
        result.outcome = absent ? Outcome::NoInstance : Outcome::Failed;
        result.error = error.message ? error.message : "no answer";
    }
    dbus_error_free(&error);
    return result;
}

void appendString(DBusMessageIter* it, const char* text) {
    dbus_message_iter_append_basic(it, DBUS_TYPE_STRING, &text);
}

// The property's value in a variant, as Properties.Set takes it.
void appendVariant(DBusMessageIter* it, const Value& value) {
    DBusMessageIter inner;
    if (const bool* b = std::get_if<bool>(&value)) {
        dbus_message_iter_open_container(it, DBUS_TYPE_VARIANT, "b", &inner);
        const dbus_bool_t v = *b;
        dbus_message_iter_append_basic(&inner, DBUS_TYPE_BOOLEAN, &v);
    } else if (const std::int32_t* i = std::get_if<std::int32_t>(&value)) {
        dbus_message_iter_open_container(it, DBUS_TYPE_VARIANT, "i", &inner);
        dbus_message_iter_append_basic(&inner, DBUS_TYPE_INT32, i);
    } else if (const std::string* s = std::get_if<std::string>(&value)) {
        dbus_message_iter_open_container(it, DBUS_TYPE_VARIANT, "s", &inner);
        appendString(&inner, s->c_str());
    } else {
        dbus_message_iter_open_container(it, DBUS_TYPE_VARIANT, "as", &inner);
        DBusMessageIter array;
        dbus_message_iter_open_container(&inner, DBUS_TYPE_ARRAY, "s", &array);
        for (const std::string& s : std::get<std::vector<std::string>>(value)) {
            appendString(&array, s.c_str());
        }
        dbus_message_iter_close_container(&inner, &array);
    }
    dbus_message_iter_close_container(it, &inner);
}

Call setProperty(const Bus& bus, const char* name, const Value& value) {
    return call(bus, kPropertiesInterface, "Set", [&](DBusMessageIter* it) {
        appendString(it, kInterface);
        appendString(it, name);
        appendVariant(it, value);
    });
}

// A variant's content; nothing for a type no property has.
std::optional<Value> readVariant(DBusMessageIter* it) {
    if (dbus_message_iter_get_arg_type(it) != DBUS_TYPE_VARIANT) {
        return std::nullopt;
    }
    DBusMessageIter inner;
    dbus_message_iter_recurse(it, &inner);
    switch (dbus_message_iter_get_arg_type(&inner)) {
        case DBUS_TYPE_BOOLEAN: {
            dbus_bool_t b = FALSE;
            dbus_message_iter_get_basic(&inner, &b);
            return std::optional<Value>(std::in_place, std::in_place_type<bool>, b != FALSE);
        }
        case DBUS_TYPE_INT32: {
            std::int32_t i = 0;
            dbus_message_iter_get_basic(&inner, &i);
            return std::optional<Value>(std::in_place, std::in_place_type<std::int32_t>, i);
        }
        case DBUS_TYPE_STRING: {
            const char* s = nullptr;
            dbus_message_iter_get_basic(&inner, &s);
            return std::optional<Value>(std::in_place, std::in_place_type<std::string>, s);
        }
        case DBUS_TYPE_ARRAY: {
            if (dbus_message_iter_get_element_type(&inner) != DBUS_TYPE_STRING) {
                return std::nullopt;
            }
            std::vector<std::string> list;
            DBusMessageIter array;
            dbus_message_iter_recurse(&inner, &array);
            while (dbus_message_iter_get_arg_type(&array) == DBUS_TYPE_STRING) {
                const char* s = nullptr;
                dbus_message_iter_get_basic(&array, &s);
                list.emplace_back(s);
                dbus_message_iter_next(&array);
            }
            return std::optional<Value>(std::in_place, std::in_place_type<std::vector<std::string>>,
                                        std::move(list));
        }
        default:
            return std::nullopt;
    }
}

// An a{sv} at `it`.
Properties readProperties(DBusMessageIter* it) {
    Properties properties;
    if (dbus_message_iter_get_arg_type(it) != DBUS_TYPE_ARRAY) {
        return properties;
    }
    DBusMessageIter entries;
    dbus_message_iter_recurse(it, &entries);
    while (dbus_message_iter_get_arg_type(&entries) == DBUS_TYPE_DICT_ENTRY) {
        DBusMessageIter entry;
        dbus_message_iter_recurse(&entries, &entry);
        if (dbus_message_iter_get_arg_type(&entry) == DBUS_TYPE_STRING) {
            const char* name = nullptr;
            dbus_message_iter_get_basic(&entry, &name);
            dbus_message_iter_next(&entry);
            if (std::optional<Value> value = readVariant(&entry)) {
                properties[name] = std::move(*value);
            }
        }
        dbus_message_iter_next(&entries);
    }
    return properties;
}

template <typename T>
const T* find(const Properties& properties, const char* name) {
    const auto it = properties.find(name);
    return it == properties.end() ? nullptr : std::get_if<T>(&it->second);
}

control::State stateOf(const Properties& properties, control::State state = {}) {
    if (const bool* night = find<bool>(properties, "Night")) {
        state.night = *night;
    }
    if (const std::string* color = find<std::string>(properties, "Color")) {
        state.color = control::parseColor(*color).value_or(state.color);
    }
    if (const std::int32_t* brightness = find<std::int32_t>(properties, "Brightness")) {
        state.brightness = *brightness;
    }
    // Read back into the schedule's own form: what is printed is never another program's text.
    if (const std::string* text = find<std::string>(properties, "Schedule")) {
        if (const schedule::Parsed parsed = schedule::parse(*text); parsed.schedule) {
            state.schedule = schedule::format(*parsed.schedule);
        }
    }
    if (const std::int32_t* fade = find<std::int32_t>(properties, "Fade")) {
        state.fade = *fade;
    }
    if (const bool* automatic = find<bool>(properties, "Automatic")) {
        state.automatic = *automatic;
    }
    if (const auto* names = find<std::vector<std::string>>(properties, "Untinted")) {
        state.untinted.assign(names->begin(), names->end());
    }
    return state;
}

Call getAll(const Bus& bus) {
    return call(bus, kPropertiesInterface, "GetAll",
                [](DBusMessageIter* it) { appendString(it, kInterface); });
}

Properties propertiesIn(const Call& c) {
    DBusMessageIter it;
    if (!c.reply.m || !dbus_message_iter_init(c.reply.m, &it)) {
        return {};
    }
    return readProperties(&it);
}

void print(const control::State& state, bool json) {
    const std::string line = json ? control::statusJson(state) : control::statusLine(state);
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);  // a status bar reads line by line from a pipe
}

int failed(const Call& c) {
    std::fprintf(stderr, "dimwarden: the running instance did not take the command: %s\n",
                 c.error.c_str());
    return control::kFailed;
}

int notRunning() {
    std::fputs("dimwarden: no instance is running on this display.\n", stderr);
    return control::kNotRunning;
}

bool addMatch(const Bus& bus, const std::string& rule) {
    DBusError error;
    dbus_error_init(&error);
    dbus_bus_add_match(bus.get(), rule.c_str(), &error);
    const bool ok = !dbus_error_is_set(&error);
    dbus_error_free(&error);
    return ok;
}

// Prints the state, then again after every change, until the instance leaves the bus.
int watch(const control::Command& command) {
    const Bus bus;
    if (!bus) {
        return notRunning();
    }
    // Listening before the first read, so that no change between the two is lost.
    const std::string service = kService;
    if (!addMatch(bus, "type='signal',sender='" + service + "',path='" + kPath + "',interface='" +
                           kPropertiesInterface + "',member='PropertiesChanged'") ||
        !addMatch(bus,
                  "type='signal',sender='org.freedesktop.DBus',interface='org.freedesktop."
                  "DBus',member='NameOwnerChanged',arg0='" +
                      service + "'")) {
        return notRunning();
    }
    const Call first = getAll(bus);
    if (first.outcome == Outcome::NoInstance) {
        return notRunning();
    }
    if (first.outcome == Outcome::Failed) {
        return failed(first);
    }
    control::State state = stateOf(propertiesIn(first));
    control::State shown = state;
    print(state, command.json);
    // Blocks in the kernel between messages: an idle watcher uses no CPU.
    while (dbus_connection_read_write(bus.get(), -1)) {
        while (DBusMessage* raw = dbus_connection_pop_message(bus.get())) {
            const Message message(raw);
            if (dbus_message_is_signal(raw, kPropertiesInterface, "PropertiesChanged")) {
                DBusMessageIter it;
                if (dbus_message_iter_init(raw, &it) && dbus_message_iter_next(&it)) {
                    state = stateOf(readProperties(&it), state);
                }
                // A change already in the first read comes again as a signal: said once.
                if (!(state == shown)) {
                    shown = state;
                    print(state, command.json);
                }
            } else if (dbus_message_is_signal(raw, "org.freedesktop.DBus", "NameOwnerChanged")) {
                const char* name = nullptr;
                const char* from = nullptr;
                const char* to = nullptr;
                if (dbus_message_get_args(raw, nullptr, DBUS_TYPE_STRING, &name, DBUS_TYPE_STRING,
                                          &from, DBUS_TYPE_STRING, &to, DBUS_TYPE_INVALID) &&
                    service == name && *to == '\0') {
                    return control::kNotRunning;
                }
            }
        }
    }
    // The bus itself went away, and the instance with it.
    return control::kNotRunning;
}

}  // namespace

std::optional<int> sendToRunningInstance(const control::Command& command, int, char**,
                                         std::chrono::milliseconds patience) {
    if (command.action == control::Action::Watch) {
        return watch(command);
    }
    const Bus bus;
    // An instance still in its load sequence takes the name when it is done.
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (bus && std::chrono::steady_clock::now() < deadline && !nameHasOwner(bus)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    Call done;
    switch (command.action) {
        case control::Action::Status:
            done = getAll(bus);
            if (done.outcome == Outcome::NoInstance) {
                return notRunning();
            }
            if (done.outcome == Outcome::Answered) {
                print(stateOf(propertiesIn(done)), command.json);
            }
            break;
        case control::Action::Night:
        case control::Action::Normal:
            done = setProperty(bus, "Night", command.action == control::Action::Night);
            break;
        case control::Action::Toggle:
            done = call(bus, kInterface, "Toggle", [](DBusMessageIter*) {});
            break;
        case control::Action::Color:
            done = setProperty(bus, "Color", control::formatColor(command.color));
            break;
        case control::Action::Brightness: {
            std::int32_t current = 0;
            if (command.relative) {
                done = call(bus, kPropertiesInterface, "Get", [](DBusMessageIter* it) {
                    appendString(it, kInterface);
                    appendString(it, "Brightness");
                });
                if (done.outcome != Outcome::Answered) {
                    break;
                }
                DBusMessageIter it;
                dbus_message_iter_init(done.reply.m, &it);
                const std::optional<Value> value = readVariant(&it);
                if (const std::int32_t* i = value ? std::get_if<std::int32_t>(&*value) : nullptr) {
                    current = *i;
                }
            }
            done = setProperty(bus, "Brightness",
                               std::int32_t(control::targetBrightness(command, current)));
            break;
        }
        case control::Action::Schedule:
            done = setProperty(bus, "Schedule", schedule::format(command.schedule));
            break;
        case control::Action::Fade:
            done = setProperty(bus, "Fade", std::int32_t(command.fade));
            break;
        case control::Action::Tint:
        case control::Action::Untint:
            // The bus carries UTF-8 alone; libdbus would refuse the message on its own terms.
            if (!dbus_validate_utf8(command.output.c_str(), nullptr)) {
                std::fputs("dimwarden: an output name on the session bus must be UTF-8.\n", stderr);
                return control::kBadUsage;
            }
            done =
                call(bus, kInterface, command.action == control::Action::Tint ? "Tint" : "Untint",
                     [&](DBusMessageIter* it) { appendString(it, command.output.c_str()); });
            break;
        case control::Action::Watch:
            break;
    }
    switch (done.outcome) {
        case Outcome::Answered:
            return control::kDone;
        case Outcome::NoInstance:
            return std::nullopt;
        case Outcome::Failed:
            break;
    }
    return failed(done);
}
