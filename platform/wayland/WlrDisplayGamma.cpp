#include "platform/wayland/WlrDisplayGamma.h"

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <span>

#include "gamma/RampMath.h"
#include "wlr-gamma-control-unstable-v1-client-protocol.h"

struct WlrDisplayGamma::WlrOutput {
    WlrDisplayGamma* owner = nullptr;
    std::uint32_t global = 0;  // the registry name: the OutputId
    std::uint32_t version = 0;
    wl_output* output = nullptr;
    zwlr_gamma_control_v1* control = nullptr;
    std::string name;
    int gammaSize = 0;                 // 0 until the compositor has sized the control
    std::optional<GammaRamp> pending;  // to be sent once the socket has room again

    bool usable() const { return control != nullptr && gammaSize > 0; }
    std::string label() const { return name.empty() ? "output " + std::to_string(global) : name; }

    ~WlrOutput() {
        // Destroying the control gives the output its own ramp back.
        if (control != nullptr) {
            zwlr_gamma_control_v1_destroy(control);
        }
        if (output != nullptr) {
            if (version >= WL_OUTPUT_RELEASE_SINCE_VERSION) {
                wl_output_release(output);
            } else {
                wl_output_destroy(output);
            }
        }
    }
};

namespace {

// wl_output v4 names the output ("HDMI-A-1"); older compositors leave it to a number.
constexpr std::uint32_t kOutputVersion = 4;

bool writeAll(int fd, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, bytes, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

// The C callbacks of the protocol objects; each forwards to its owner.
struct WlrDisplayGamma::Listeners {
    static void global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                       std::uint32_t version) {
        auto* self = static_cast<WlrDisplayGamma*>(data);
        if (std::strcmp(interface, wl_output_interface.name) == 0) {
            auto output = std::make_unique<WlrOutput>();
            output->owner = self;
            output->global = name;
            output->version = std::min(version, kOutputVersion);
            output->output = static_cast<wl_output*>(
                wl_registry_bind(registry, name, &wl_output_interface, output->version));
            wl_output_add_listener(output->output, &outputListener, output.get());
            if (self->manager_ != nullptr) {
                self->requestControl(*output);
            }
            self->outputs_.push_back(std::move(output));
        } else if (std::strcmp(interface, zwlr_gamma_control_manager_v1_interface.name) == 0 &&
                   self->manager_ == nullptr) {
            self->manager_ = static_cast<zwlr_gamma_control_manager_v1*>(
                wl_registry_bind(registry, name, &zwlr_gamma_control_manager_v1_interface, 1));
            self->managerGlobal_ = name;
            for (auto& output : self->outputs_) {
                self->requestControl(*output);
            }
        }
    }
    static void globalRemove(void* data, wl_registry*, std::uint32_t name) {
        static_cast<WlrDisplayGamma*>(data)->forget(name);
    }

    static void outputName(void* data, wl_output*, const char* name) {
        static_cast<WlrOutput*>(data)->name = name;
    }
    static void geometry(void*, wl_output*, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                         std::int32_t, const char*, const char*, std::int32_t) {}
    static void mode(void*, wl_output*, std::uint32_t, std::int32_t, std::int32_t, std::int32_t) {}
    static void done(void*, wl_output*) {}
    static void scale(void*, wl_output*, std::int32_t) {}
    static void description(void*, wl_output*, const char*) {}

    static void gammaSize(void* data, zwlr_gamma_control_v1*, std::uint32_t size) {
        auto* output = static_cast<WlrOutput*>(data);
        // Far beyond any hardware table; keeps the table we build a sane size.
        output->gammaSize = size <= 65536 ? static_cast<int>(size) : 0;
        output->owner->changed_ = true;
    }
    static void failed(void* data, zwlr_gamma_control_v1*) {
        auto* output = static_cast<WlrOutput*>(data);
        // The control is dead for good. Asking again would only fail again (no table, or another
        // program holds it), so the output stays without one until it is plugged in anew.
        zwlr_gamma_control_v1_destroy(output->control);
        output->control = nullptr;
        output->gammaSize = 0;
        std::fprintf(stderr,
                     "dimwarden: the compositor refused the gamma table of %s (it has none, or "
                     "another program holds it)\n",
                     output->label().c_str());
        output->owner->changed_ = true;
    }

    static constexpr wl_registry_listener registryListener{global, globalRemove};
    static constexpr wl_output_listener outputListener{geometry, mode,       done,
                                                       scale,    outputName, description};
    static constexpr zwlr_gamma_control_v1_listener controlListener{gammaSize, failed};
};

WlrDisplayGamma::WlrDisplayGamma(const std::string& socket) {
    display_ = wl_display_connect(socket.empty() ? nullptr : socket.c_str());
    if (display_ == nullptr) {
        return;
    }
    registry_ = wl_display_get_registry(display_);
    wl_registry_add_listener(registry_, &Listeners::registryListener, this);
    // The first round trip brings the globals, the second what binding them asked for: output
    // names, and each control's table size or refusal.
    if (wl_display_roundtrip(display_) < 0 || wl_display_roundtrip(display_) < 0) {
        loseConnection();
        return;
    }
    changed_ = false;

    const int fd = wl_display_get_fd(display_);
    readNotifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(readNotifier_.get(), &QSocketNotifier::activated, [this] { onReadable(); });
    // Only armed while a request waits for room in the socket.
    writeNotifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
    writeNotifier_->setEnabled(false);
    QObject::connect(writeNotifier_.get(), &QSocketNotifier::activated, [this] { drain(); });
}

WlrDisplayGamma::~WlrDisplayGamma() {
    readNotifier_.reset();
    writeNotifier_.reset();
    outputs_.clear();
    if (manager_ != nullptr) {
        zwlr_gamma_control_manager_v1_destroy(manager_);
    }
    if (registry_ != nullptr) {
        wl_registry_destroy(registry_);
    }
    if (display_ != nullptr) {
        wl_display_flush(display_);
        wl_display_disconnect(display_);
    }
}

bool WlrDisplayGamma::hasGammaControl() const {
    return display_ != nullptr && !lost_ && manager_ != nullptr;
}

std::vector<DisplayGamma::Output> WlrDisplayGamma::outputs() {
    // The list is kept current by the registry's events; there is nothing to ask.
    std::vector<Output> result;
    for (const auto& output : outputs_) {
        if (output->usable()) {
            result.push_back({output->global, output->label(), output->gammaSize, true});
        }
    }
    return result;
}

bool WlrDisplayGamma::read(OutputId, GammaRamp&) {
    return false;
}

bool WlrDisplayGamma::apply(OutputId id, const GammaRamp& ramp) {
    WlrOutput* output = find(id);
    if (output == nullptr || !output->usable() || lost_) {
        return false;
    }
    if (backlog_) {
        // Each table travels as a file descriptor, and only a few may wait in the client's
        // buffer: one more than fits would end the connection. Only the newest table matters.
        output->pending = ramp;
        return true;
    }
    return send(*output, ramp);
}

bool WlrDisplayGamma::send(WlrOutput& output, const GammaRamp& ramp) {
    const auto n = static_cast<std::size_t>(output.gammaSize);
    std::vector<std::uint16_t> table(3 * n);
    for (std::size_t c = 0; c < 3; ++c) {
        ramp::spreadFrom256(ramp.channel(c), std::span<std::uint16_t>(table.data() + c * n, n));
    }
    // The compositor reads the tables from the file's current offset and demands exactly
    // 3 * n words; anything else is a protocol error that ends the connection.
    const int fd = memfd_create("dimwarden-gamma", MFD_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool written = writeAll(fd, table.data(), table.size() * sizeof(std::uint16_t)) &&
                         ::lseek(fd, 0, SEEK_SET) == 0;
    if (written) {
        zwlr_gamma_control_v1_set_gamma(output.control, fd);  // the request carries a copy
    }
    ::close(fd);
    return written && flush();
}

std::string WlrDisplayGamma::refusal() const {
    // A clause that completes "this display does not let programs change the screen's colours:".
    if (display_ == nullptr) {
        return "no Wayland compositor could be reached";
    }
    if (lost_) {
        return "the connection to the Wayland compositor was lost";
    }
    if (manager_ == nullptr) {
        return "this compositor offers programs no gamma control (on GNOME or KDE, use the "
               "desktop's own night light)";
    }
    const bool anyUsable = std::any_of(outputs_.begin(), outputs_.end(),
                                       [](const auto& output) { return output->usable(); });
    const bool anyRefused = std::any_of(outputs_.begin(), outputs_.end(), [](const auto& output) {
        return output->control == nullptr;
    });
    if (!anyUsable && anyRefused) {
        return "the compositor refused the gamma table of every screen (they have none, or another "
               "program holds them)";
    }
    return {};
}

WlrDisplayGamma::WlrOutput* WlrDisplayGamma::find(OutputId id) {
    for (auto& output : outputs_) {
        if (output->global == id) {
            return output.get();
        }
    }
    return nullptr;
}

void WlrDisplayGamma::requestControl(WlrOutput& output) {
    output.control = zwlr_gamma_control_manager_v1_get_gamma_control(manager_, output.output);
    zwlr_gamma_control_v1_add_listener(output.control, &Listeners::controlListener, &output);
}

void WlrDisplayGamma::forget(std::uint32_t global) {
    if (global == managerGlobal_ && manager_ != nullptr) {
        // Without the manager no table can be set any more: drop every control.
        for (auto& output : outputs_) {
            if (output->control != nullptr) {
                zwlr_gamma_control_v1_destroy(output->control);
                output->control = nullptr;
                output->gammaSize = 0;
            }
        }
        zwlr_gamma_control_manager_v1_destroy(manager_);
        manager_ = nullptr;
        changed_ = true;
        return;
    }
    const auto gone =
        std::remove_if(outputs_.begin(), outputs_.end(),
                       [global](const auto& output) { return output->global == global; });
    if (gone != outputs_.end()) {
        outputs_.erase(gone, outputs_.end());
        changed_ = true;
    }
}

bool WlrDisplayGamma::flush() {
    if (wl_display_flush(display_) >= 0) {
        return true;
    }
    // A full socket says EAGAIN; so does a connection that died of it, which only its error shows.
    if (errno == EAGAIN && wl_display_get_error(display_) == 0) {
        backlog_ = true;
        writeNotifier_->setEnabled(true);
        return true;
    }
    loseConnection();
    return false;
}

void WlrDisplayGamma::drain() {
    writeNotifier_->setEnabled(false);
    backlog_ = false;
    if (!flush()) {
        return;
    }
    for (auto& output : outputs_) {
        if (backlog_) {
            return;  // the rest waits for the next time the socket has room
        }
        if (output->pending && output->usable()) {
            const GammaRamp ramp = *output->pending;
            output->pending.reset();
            send(*output, ramp);
        }
    }
}

void WlrDisplayGamma::onReadable() {
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
    if (wl_display_read_events(display_) < 0 || wl_display_dispatch_pending(display_) < 0) {
        loseConnection();
        return;
    }
    // Requests made by the handlers (controls for new outputs, destroyed ones) go out now.
    if (flush()) {
        announceChanges();
    }
}

void WlrDisplayGamma::loseConnection() {
    if (lost_) {
        return;
    }
    lost_ = true;
    if (readNotifier_) {
        readNotifier_->setEnabled(false);
        writeNotifier_->setEnabled(false);
    }
    const int error = display_ != nullptr ? wl_display_get_error(display_) : 0;
    std::fprintf(stderr, "dimwarden: lost the connection to the Wayland compositor (%s)\n",
                 std::strerror(error != 0 ? error : EPIPE));
    changed_ = !outputs_.empty();
    outputs_.clear();
    announceChanges();
}

void WlrDisplayGamma::announceChanges() {
    if (changed_) {
        changed_ = false;
        if (onOutputsChanged) {
            onOutputsChanged();
        }
    }
}
