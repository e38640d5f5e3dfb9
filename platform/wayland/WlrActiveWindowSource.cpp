#include "platform/wayland/WlrActiveWindowSource.h"

#include <wayland-client.h>

#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

struct WlrActiveWindowSource::Output {
    std::uint32_t global = 0;
    std::uint32_t version = 0;
    wl_output* output = nullptr;
    std::string name;

    // As the gamma backend names an output that gives no name of its own.
    std::string label() const { return name.empty() ? "output " + std::to_string(global) : name; }

    ~Output() {
        if (version >= WL_OUTPUT_RELEASE_SINCE_VERSION) {
            wl_output_release(output);
        } else {
            wl_output_destroy(output);
        }
    }
};

struct WlrActiveWindowSource::Toplevel {
    struct State {
        std::string appId;
        bool activated = false;
        bool fullscreen = false;
        bool minimized = false;
        std::vector<const Output*> outputs;
    };
    WlrActiveWindowSource* owner = nullptr;
    zwlr_foreign_toplevel_handle_v1* handle = nullptr;
    State next;  // what the events since the last `done` said
    State now;   // what the compositor has committed

    ~Toplevel() { zwlr_foreign_toplevel_handle_v1_destroy(handle); }
};

namespace {

// wl_output v4 names the output ("HDMI-A-1"), as the gamma backend knows it.
constexpr std::uint32_t kOutputVersion = 4;
// Version 2 brought the fullscreen state; 3 adds only the parent event.
constexpr std::uint32_t kManagerVersion = 3;

}  // namespace

// The C callbacks of the protocol objects; each forwards to its owner.
struct WlrActiveWindowSource::Listeners {
    static void global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                       std::uint32_t version) {
        auto* self = static_cast<WlrActiveWindowSource*>(data);
        if (std::strcmp(interface, wl_output_interface.name) == 0) {
            auto output = std::make_unique<Output>();
            output->global = name;
            output->version = std::min(version, kOutputVersion);
            output->output = static_cast<wl_output*>(
                wl_registry_bind(registry, name, &wl_output_interface, output->version));
            wl_output_add_listener(output->output, &outputListener, output.get());
            self->outputs_.push_back(std::move(output));
        } else if (std::strcmp(interface, zwlr_foreign_toplevel_manager_v1_interface.name) == 0 &&
                   self->managerGlobal_ == 0) {
            self->managerGlobal_ = name;
            self->managerVersion_ = std::min(version, kManagerVersion);
            if (self->started_) {
                self->bindManager();
            }
        }
    }
    static void globalRemove(void* data, wl_registry*, std::uint32_t name) {
        static_cast<WlrActiveWindowSource*>(data)->forgetOutput(name);
    }

    static void outputName(void* data, wl_output*, const char* name) {
        static_cast<Output*>(data)->name = name;
    }
    static void geometry(void*, wl_output*, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                         std::int32_t, const char*, const char*, std::int32_t) {}
    static void mode(void*, wl_output*, std::uint32_t, std::int32_t, std::int32_t, std::int32_t) {}
    static void outputDone(void*, wl_output*) {}
    static void scale(void*, wl_output*, std::int32_t) {}
    static void description(void*, wl_output*, const char*) {}

    static void toplevel(void* data, zwlr_foreign_toplevel_manager_v1*,
                         zwlr_foreign_toplevel_handle_v1* handle) {
        auto* self = static_cast<WlrActiveWindowSource*>(data);
        auto window = std::make_unique<Toplevel>();
        window->owner = self;
        window->handle = handle;
        zwlr_foreign_toplevel_handle_v1_add_listener(handle, &toplevelListener, window.get());
        self->toplevels_.push_back(std::move(window));
    }
    static void finished(void* data, zwlr_foreign_toplevel_manager_v1*) {
        auto* self = static_cast<WlrActiveWindowSource*>(data);
        // The compositor destroyed the manager; its windows say nothing more.
        zwlr_foreign_toplevel_manager_v1_destroy(self->manager_);
        self->manager_ = nullptr;
        self->finished_ = true;
        self->toplevels_.clear();
        std::fputs("dimwarden: the compositor stopped telling which window is active\n", stderr);
    }

    static void title(void*, zwlr_foreign_toplevel_handle_v1*, const char*) {}
    static void appId(void* data, zwlr_foreign_toplevel_handle_v1*, const char* id) {
        static_cast<Toplevel*>(data)->next.appId = id;
    }
    static void outputEnter(void* data, zwlr_foreign_toplevel_handle_v1*, wl_output* output) {
        auto& outputs = static_cast<Toplevel*>(data)->next.outputs;
        // Null when the output's object was released here after its global went away.
        const auto* known = output != nullptr
                                ? static_cast<const Output*>(wl_output_get_user_data(output))
                                : nullptr;
        if (known != nullptr && std::find(outputs.begin(), outputs.end(), known) == outputs.end()) {
            outputs.push_back(known);
        }
    }
    static void outputLeave(void* data, zwlr_foreign_toplevel_handle_v1*, wl_output* output) {
        auto& outputs = static_cast<Toplevel*>(data)->next.outputs;
        const auto* known = output != nullptr
                                ? static_cast<const Output*>(wl_output_get_user_data(output))
                                : nullptr;
        outputs.erase(std::remove(outputs.begin(), outputs.end(), known), outputs.end());
    }
    static void state(void* data, zwlr_foreign_toplevel_handle_v1*, wl_array* states) {
        auto& next = static_cast<Toplevel*>(data)->next;
        next.activated = next.fullscreen = next.minimized = false;
        const auto* entry = static_cast<const std::uint32_t*>(states->data);
        for (std::size_t i = 0; i < states->size / sizeof(std::uint32_t); ++i) {
            switch (entry[i]) {
                case ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED:
                    next.activated = true;
                    break;
                case ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_FULLSCREEN:
                    next.fullscreen = true;
                    break;
                case ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_MINIMIZED:
                    next.minimized = true;
                    break;
                default:
                    break;
            }
        }
    }
    static void done(void* data, zwlr_foreign_toplevel_handle_v1*) {
        auto* window = static_cast<Toplevel*>(data);
        window->now = window->next;
    }
    static void closed(void* data, zwlr_foreign_toplevel_handle_v1*) {
        auto* window = static_cast<Toplevel*>(data);
        WlrActiveWindowSource* self = window->owner;
        auto& list = self->toplevels_;
        list.erase(std::remove_if(list.begin(), list.end(),
                                  [window](const auto& t) { return t.get() == window; }),
                   list.end());
    }
    static void parent(void*, zwlr_foreign_toplevel_handle_v1*, zwlr_foreign_toplevel_handle_v1*) {}

    static constexpr wl_registry_listener registryListener{global, globalRemove};
    static constexpr wl_output_listener outputListener{geometry, mode,       outputDone,
                                                       scale,    outputName, description};
    static constexpr zwlr_foreign_toplevel_manager_v1_listener managerListener{toplevel, finished};
    static constexpr zwlr_foreign_toplevel_handle_v1_listener toplevelListener{
        title, appId, outputEnter, outputLeave, state, done, closed, parent};
};

WlrActiveWindowSource::WlrActiveWindowSource(const std::string& socket) {
    display_ = wl_display_connect(socket.empty() ? nullptr : socket.c_str());
    if (display_ == nullptr) {
        return;
    }
    registry_ = wl_display_get_registry(display_);
    wl_registry_add_listener(registry_, &Listeners::registryListener, this);
    // The globals, then the outputs' names.
    if (wl_display_roundtrip(display_) < 0 || wl_display_roundtrip(display_) < 0) {
        loseConnection();
    }
}

WlrActiveWindowSource::~WlrActiveWindowSource() {
    readNotifier_.reset();
    toplevels_.clear();
    outputs_.clear();
    if (manager_ != nullptr) {
        zwlr_foreign_toplevel_manager_v1_destroy(manager_);
    }
    if (registry_ != nullptr) {
        wl_registry_destroy(registry_);
    }
    if (display_ != nullptr) {
        wl_display_flush(display_);
        wl_display_disconnect(display_);
    }
}

std::string WlrActiveWindowSource::unavailable() const {
    if (display_ == nullptr) {
        return "no Wayland compositor could be reached";
    }
    if (lost_) {
        return "the connection to the Wayland compositor was lost";
    }
    if (managerGlobal_ == 0 || finished_) {
        return "this compositor tells no program which window is active (it offers no "
               "wlr-foreign-toplevel-management)";
    }
    return {};
}

void WlrActiveWindowSource::start() {
    if (started_ || !unavailable().empty()) {
        return;
    }
    started_ = true;
    bindManager();
    // The windows open now and their states, so that active() is right when this returns.
    if (wl_display_roundtrip(display_) < 0) {
        loseConnection();
        return;
    }
    readNotifier_ =
        std::make_unique<QSocketNotifier>(wl_display_get_fd(display_), QSocketNotifier::Read);
    QObject::connect(readNotifier_.get(), &QSocketNotifier::activated, [this] { onReadable(); });
    changed();
}

std::optional<ActiveWindowSource::Window> WlrActiveWindowSource::active() const {
    for (const auto& toplevel : toplevels_) {
        const Toplevel::State& state = toplevel->now;
        if (!state.activated) {
            continue;
        }
        Window window;
        if (!state.appId.empty()) {
            window.appNames.push_back(state.appId);
        }
        window.fullscreen = state.fullscreen;
        // A minimised window shows on no output, whatever the compositor last said of it.
        if (!state.minimized) {
            for (const Output* output : state.outputs) {
                window.outputs.push_back({output->label(), false});
            }
        }
        return window;
    }
    return std::nullopt;
}

void WlrActiveWindowSource::bindManager() {
    manager_ = static_cast<zwlr_foreign_toplevel_manager_v1*>(wl_registry_bind(
        registry_, managerGlobal_, &zwlr_foreign_toplevel_manager_v1_interface, managerVersion_));
    zwlr_foreign_toplevel_manager_v1_add_listener(manager_, &Listeners::managerListener, this);
}

void WlrActiveWindowSource::forgetOutput(std::uint32_t global) {
    const auto gone = std::find_if(outputs_.begin(), outputs_.end(), [global](const auto& output) {
        return output->global == global;
    });
    if (gone == outputs_.end()) {
        return;
    }
    for (const auto& toplevel : toplevels_) {
        for (auto* state : {&toplevel->next, &toplevel->now}) {
            auto& outputs = state->outputs;
            outputs.erase(std::remove(outputs.begin(), outputs.end(), gone->get()), outputs.end());
        }
    }
    outputs_.erase(gone);
}

void WlrActiveWindowSource::onReadable() {
    if (lost_) {
        return;
    }
    // Events already queued must be dispatched before this thread may read more.
    while (wl_display_prepare_read(display_) != 0) {
        if (wl_display_dispatch_pending(display_) < 0) {
            loseConnection();
            return;
        }
    }
    if (wl_display_read_events(display_) < 0 || wl_display_dispatch_pending(display_) < 0 ||
        (wl_display_flush(display_) < 0 && errno != EAGAIN)) {
        loseConnection();
        return;
    }
    // Told once for all that was read: a switch from one window to another comes as one window's
    // `done` without the activated state and then the other's with it, and the moment between is
    // no window at all.
    changed();
}

void WlrActiveWindowSource::loseConnection() {
    if (lost_) {
        return;
    }
    lost_ = true;
    if (readNotifier_) {
        readNotifier_->setEnabled(false);
    }
    if (started_) {
        const int error = wl_display_get_error(display_);
        std::fprintf(stderr,
                     "dimwarden: lost the Wayland connection that follows the active window (%s)\n",
                     std::strerror(error != 0 ? error : EPIPE));
    }
    toplevels_.clear();
    changed();
}

void WlrActiveWindowSource::changed() {
    if (!started_) {
        return;
    }
    // Only a change of what active() says is told.
    std::optional<Window> now = active();
    if (now == reported_) {
        return;
    }
    reported_ = std::move(now);
    if (onChanged) {
        onChanged();
    }
}
