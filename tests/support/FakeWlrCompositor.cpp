#include "support/FakeWlrCompositor.h"

#include <poll.h>
#include <unistd.h>
#include <wayland-server.h>

#include <QCoreApplication>
#include <algorithm>
#include <tuple>

#include "support/ChildProcess.h"

#include "wlr-foreign-toplevel-management-unstable-v1-server-protocol.h"
#include "wlr-gamma-control-unstable-v1-server-protocol.h"

struct FakeWlrCompositor::OutputRecord {
    FakeWlrCompositor* owner = nullptr;
    std::string name;
    int gammaSize = 0;
    bool held = false;
    wl_global* global = nullptr;
    bool removed = false;
    int controlsAsked = 0;
    wl_resource* control = nullptr;  // the live control, as wlroots allows one per output
    std::vector<std::vector<std::uint16_t>> tables;
    std::vector<wl_resource*> bound;  // every client's wl_output for it
};

struct FakeWlrCompositor::WindowRecord {
    FakeWlrCompositor* owner = nullptr;
    int id = 0;
    std::string appId;
    WindowState state;
    std::vector<wl_resource*> handles;  // one per client that bound the manager
    bool closed = false;
};

namespace {

void erase(std::vector<wl_resource*>& list, wl_resource* resource) {
    list.erase(std::remove(list.begin(), list.end(), resource), list.end());
}

// The client's own wl_output object for an output, if it bound one.
wl_resource* boundBy(const FakeWlrCompositor::OutputRecord& output, wl_client* client);

}  // namespace

struct FakeWlrCompositor::Handlers {
    static void destroyResource(wl_client*, wl_resource* resource) {
        wl_resource_destroy(resource);
    }

    static void bindOutput(wl_client* client, void* data, std::uint32_t version, std::uint32_t id) {
        auto* output = static_cast<OutputRecord*>(data);
        wl_resource* resource =
            wl_resource_create(client, &wl_output_interface, static_cast<int>(version), id);
        wl_resource_set_implementation(resource, &outputImpl, output, &outputGone);
        output->bound.push_back(resource);
        wl_output_send_geometry(resource, 0, 0, 600, 340, WL_OUTPUT_SUBPIXEL_UNKNOWN, "Fake",
                                output->name.c_str(), WL_OUTPUT_TRANSFORM_NORMAL);
        wl_output_send_mode(resource, WL_OUTPUT_MODE_CURRENT, 1920, 1080, 60000);
        if (version >= WL_OUTPUT_NAME_SINCE_VERSION) {
            wl_output_send_name(resource, output->name.c_str());
            wl_output_send_description(resource, "fake output");
        }
        if (version >= WL_OUTPUT_DONE_SINCE_VERSION) {
            wl_output_send_done(resource);
        }
    }
    static void outputGone(wl_resource* resource) {
        erase(static_cast<OutputRecord*>(wl_resource_get_user_data(resource))->bound, resource);
    }

    static void bindToplevels(wl_client* client, void* data, std::uint32_t version,
                              std::uint32_t id) {
        auto* self = static_cast<FakeWlrCompositor*>(data);
        wl_resource* manager = wl_resource_create(
            client, &zwlr_foreign_toplevel_manager_v1_interface, static_cast<int>(version), id);
        wl_resource_set_implementation(manager, &toplevelManagerImpl, self, &toplevelManagerGone);
        self->toplevelManagers_.push_back(manager);
        for (const auto& window : self->windows_) {
            if (!window->closed) {
                announce(*window, manager);
            }
        }
    }
    static void toplevelManagerGone(wl_resource* manager) {
        erase(
            static_cast<FakeWlrCompositor*>(wl_resource_get_user_data(manager))->toplevelManagers_,
            manager);
    }

    // A new handle for one client, with everything known about the window, then `done`.
    static void announce(WindowRecord& window, wl_resource* manager) {
        wl_client* client = wl_resource_get_client(manager);
        wl_resource* handle = wl_resource_create(client, &zwlr_foreign_toplevel_handle_v1_interface,
                                                 wl_resource_get_version(manager), 0);
        wl_resource_set_implementation(handle, &handleImpl, &window, &handleGone);
        window.handles.push_back(handle);
        zwlr_foreign_toplevel_manager_v1_send_toplevel(manager, handle);
        zwlr_foreign_toplevel_handle_v1_send_app_id(handle, window.appId.c_str());
        send(window.owner, {}, window.state, handle);
    }
    // From one state to the next for one client: outputs left and entered, states, `done`.
    static void send(FakeWlrCompositor* self, const WindowState& from, const WindowState& to,
                     wl_resource* handle) {
        const auto among = [](const std::string& name, const std::vector<std::string>& names) {
            return std::find(names.begin(), names.end(), name) != names.end();
        };
        using Names = const std::vector<std::string>*;
        using Pass = std::tuple<Names, Names, bool>;  // these outputs, unless among those: enter?
        for (const auto& [names, other, enter] :
             {Pass{&from.outputs, &to.outputs, false}, Pass{&to.outputs, &from.outputs, true}}) {
            for (const std::string& name : *names) {
                OutputRecord* output = self->record(name);
                wl_resource* bound =
                    output != nullptr ? boundBy(*output, wl_resource_get_client(handle)) : nullptr;
                if (bound != nullptr && !among(name, *other)) {
                    enter ? zwlr_foreign_toplevel_handle_v1_send_output_enter(handle, bound)
                          : zwlr_foreign_toplevel_handle_v1_send_output_leave(handle, bound);
                }
            }
        }
        wl_array states;
        wl_array_init(&states);
        const auto add = [&states](std::uint32_t state) {
            *static_cast<std::uint32_t*>(wl_array_add(&states, sizeof state)) = state;
        };
        if (to.activated) {
            add(ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED);
        }
        if (to.fullscreen) {
            add(ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_FULLSCREEN);
        }
        if (to.minimized) {
            add(ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_MINIMIZED);
        }
        zwlr_foreign_toplevel_handle_v1_send_state(handle, &states);
        wl_array_release(&states);
        zwlr_foreign_toplevel_handle_v1_send_done(handle);
    }
    static void handleGone(wl_resource* handle) {
        erase(static_cast<WindowRecord*>(wl_resource_get_user_data(handle))->handles, handle);
    }
    static void ignore(wl_client*, wl_resource*) {}
    static void ignoreObject(wl_client*, wl_resource*, wl_resource*) {}
    static void ignoreRectangle(wl_client*, wl_resource*, wl_resource*, std::int32_t, std::int32_t,
                                std::int32_t, std::int32_t) {}

    static void bindManager(wl_client* client, void*, std::uint32_t version, std::uint32_t id) {
        wl_resource* resource = wl_resource_create(client, &zwlr_gamma_control_manager_v1_interface,
                                                   static_cast<int>(version), id);
        wl_resource_set_implementation(resource, &managerImpl, nullptr, nullptr);
    }

    static void getControl(wl_client* client, wl_resource* manager, std::uint32_t id,
                           wl_resource* outputResource) {
        auto* output = static_cast<OutputRecord*>(wl_resource_get_user_data(outputResource));
        wl_resource* control = wl_resource_create(client, &zwlr_gamma_control_v1_interface,
                                                  wl_resource_get_version(manager), id);
        ++output->controlsAsked;
        if (output->held || output->gammaSize <= 0 || output->control != nullptr) {
            wl_resource_set_implementation(control, &controlImpl, nullptr, nullptr);
            zwlr_gamma_control_v1_send_failed(control);
            return;
        }
        output->control = control;
        wl_resource_set_implementation(control, &controlImpl, output, &controlGone);
        zwlr_gamma_control_v1_send_gamma_size(control,
                                              static_cast<std::uint32_t>(output->gammaSize));
    }

    static void controlGone(wl_resource* control) {
        auto* output = static_cast<OutputRecord*>(wl_resource_get_user_data(control));
        output->control = nullptr;
    }

    static void setGamma(wl_client*, wl_resource* control, std::int32_t fd) {
        auto* output = static_cast<OutputRecord*>(wl_resource_get_user_data(control));
        if (output == nullptr) {  // a failed control: ignored, as wlroots does
            ::close(fd);
            return;
        }
        // Like wlroots: one read() from the current offset. One word more is asked for, so that a
        // file too long shows as well as one too short.
        const std::size_t words = 3 * static_cast<std::size_t>(output->gammaSize);
        std::vector<std::uint16_t> table(words + 1);
        const ssize_t n = ::read(fd, table.data(), (words + 1) * sizeof(std::uint16_t));
        ::close(fd);
        if (n != static_cast<ssize_t>(words * sizeof(std::uint16_t))) {
            const std::string error = output->name + ": gamma table of " + std::to_string(n) +
                                      " bytes, expected " + std::to_string(words * 2);
            output->owner->errors_.push_back(error);
            wl_resource_post_error(control, ZWLR_GAMMA_CONTROL_V1_ERROR_INVALID_GAMMA, "%s",
                                   error.c_str());
            return;
        }
        table.pop_back();
        output->tables.push_back(std::move(table));
    }

    static constexpr struct wl_output_interface outputImpl { destroyResource };
    static constexpr struct zwlr_foreign_toplevel_manager_v1_interface toplevelManagerImpl {
        ignore
    };
    static constexpr struct zwlr_foreign_toplevel_handle_v1_interface handleImpl {
        ignore, ignore, ignore, ignore, ignoreObject, ignore, ignoreRectangle, destroyResource,
            ignoreObject, ignore
    };
    static constexpr struct zwlr_gamma_control_manager_v1_interface managerImpl {
        getControl, destroyResource
    };
    static constexpr struct zwlr_gamma_control_v1_interface controlImpl {
        setGamma, destroyResource
    };
};

namespace {

wl_resource* boundBy(const FakeWlrCompositor::OutputRecord& output, wl_client* client) {
    for (wl_resource* resource : output.bound) {
        if (wl_resource_get_client(resource) == client) {
            return resource;
        }
    }
    return nullptr;
}

}  // namespace

FakeWlrCompositor::FakeWlrCompositor(bool offerGammaControl, bool offerToplevels) {
    display_ = wl_display_create();
    if (display_ == nullptr) {
        return;
    }
    const char* name = wl_display_add_socket_auto(display_);
    if (name == nullptr) {
        return;
    }
    socket_ = name;
    if (offerGammaControl) {
        wl_global_create(display_, &zwlr_gamma_control_manager_v1_interface, 1, nullptr,
                         &Handlers::bindManager);
    }
    if (offerToplevels) {
        wl_global_create(display_, &zwlr_foreign_toplevel_manager_v1_interface, 3, this,
                         &Handlers::bindToplevels);
    }
    thread_ = std::thread([this] { run(); });
}

FakeWlrCompositor::~FakeWlrCompositor() {
    if (thread_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        thread_.join();
    }
    if (display_ != nullptr) {
        wl_display_destroy_clients(display_);
        wl_display_destroy(display_);
    }
}

void FakeWlrCompositor::run() {
    const int fd = wl_event_loop_get_fd(wl_display_get_event_loop(display_));
    for (;;) {
        pollfd wake{fd, POLLIN, 0};
        ::poll(&wake, 1, 5);
        std::lock_guard lock(mutex_);
        if (stop_) {
            return;
        }
        if (!reading_) {
            continue;
        }
        wl_event_loop_dispatch(wl_display_get_event_loop(display_), 0);
        wl_display_flush_clients(display_);
    }
}

void FakeWlrCompositor::addOutput(const std::string& name, int gammaSize, bool held) {
    std::lock_guard lock(mutex_);
    auto output = std::make_unique<OutputRecord>();
    output->owner = this;
    output->name = name;
    output->gammaSize = gammaSize;
    output->held = held;
    output->global =
        wl_global_create(display_, &wl_output_interface, 4, output.get(), &Handlers::bindOutput);
    outputs_.push_back(std::move(output));
    wl_display_flush_clients(display_);
}

void FakeWlrCompositor::removeOutput(const std::string& name) {
    std::lock_guard lock(mutex_);
    if (OutputRecord* output = record(name); output != nullptr && !output->removed) {
        // Withdrawn, not destroyed: a client that binds it in the meantime must not get an error.
        wl_global_remove(output->global);
        output->removed = true;
        wl_display_flush_clients(display_);
    }
}

FakeWlrCompositor::OutputRecord* FakeWlrCompositor::record(const std::string& name) const {
    for (const auto& output : outputs_) {
        if (output->name == name && !output->removed) {
            return output.get();
        }
    }
    return nullptr;
}

FakeWlrCompositor::WindowRecord* FakeWlrCompositor::window(int id) const {
    for (const auto& window : windows_) {
        if (window->id == id && !window->closed) {
            return window.get();
        }
    }
    return nullptr;
}

int FakeWlrCompositor::openWindow(const std::string& appId) {
    std::lock_guard lock(mutex_);
    auto window = std::make_unique<WindowRecord>();
    window->owner = this;
    window->id = static_cast<int>(windows_.size()) + 1;
    window->appId = appId;
    for (wl_resource* manager : toplevelManagers_) {
        Handlers::announce(*window, manager);
    }
    windows_.push_back(std::move(window));
    wl_display_flush_clients(display_);
    return windows_.back()->id;
}

void FakeWlrCompositor::setWindow(int id, WindowState state) {
    std::lock_guard lock(mutex_);
    if (WindowRecord* w = window(id)) {
        for (wl_resource* handle : w->handles) {
            Handlers::send(this, w->state, state, handle);
        }
        w->state = std::move(state);
        wl_display_flush_clients(display_);
    }
}

void FakeWlrCompositor::closeWindow(int id) {
    std::lock_guard lock(mutex_);
    if (WindowRecord* w = window(id)) {
        w->closed = true;
        for (wl_resource* handle : w->handles) {
            zwlr_foreign_toplevel_handle_v1_send_closed(handle);
        }
        wl_display_flush_clients(display_);
    }
}

std::vector<std::vector<std::uint16_t>> FakeWlrCompositor::tables(const std::string& name) const {
    std::lock_guard lock(mutex_);
    const OutputRecord* output = record(name);
    return output != nullptr ? output->tables : std::vector<std::vector<std::uint16_t>>{};
}

int FakeWlrCompositor::controlsAsked(const std::string& name) const {
    std::lock_guard lock(mutex_);
    const OutputRecord* output = record(name);
    return output != nullptr ? output->controlsAsked : 0;
}

void FakeWlrCompositor::setReading(bool reading) {
    std::lock_guard lock(mutex_);
    reading_ = reading;
}

std::vector<std::string> FakeWlrCompositor::errors() const {
    std::lock_guard lock(mutex_);
    return errors_;
}

int FakeWlrCompositor::clients() const {
    std::lock_guard lock(mutex_);
    int count = 0;
    wl_client* client = nullptr;
    wl_client_for_each(client, wl_display_get_client_list(display_)) {
        ++count;
    }
    return count;
}

bool FakeWlrCompositor::settle(const std::function<bool()>& condition) {
    return waitUntil(
        [&] {
            QCoreApplication::processEvents();
            return condition();
        },
        std::chrono::seconds(5));
}
