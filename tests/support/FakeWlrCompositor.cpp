#include "support/FakeWlrCompositor.h"

#include <poll.h>
#include <unistd.h>
#include <wayland-server.h>

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
};

struct FakeWlrCompositor::Handlers {
    static void destroyResource(wl_client*, wl_resource* resource) {
        wl_resource_destroy(resource);
    }

    static void bindOutput(wl_client* client, void* data, std::uint32_t version, std::uint32_t id) {
        auto* output = static_cast<OutputRecord*>(data);
        wl_resource* resource =
            wl_resource_create(client, &wl_output_interface, static_cast<int>(version), id);
        wl_resource_set_implementation(resource, &outputImpl, output, nullptr);
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
    static constexpr struct zwlr_gamma_control_manager_v1_interface managerImpl {
        getControl, destroyResource
    };
    static constexpr struct zwlr_gamma_control_v1_interface controlImpl {
        setGamma, destroyResource
    };
};

FakeWlrCompositor::FakeWlrCompositor(bool offerGammaControl) {
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
