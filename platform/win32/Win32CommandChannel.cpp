// Commands between two processes of the tool on Windows: the sender finds the instance's command
// window, hands it the command with WM_COPYDATA and reads the state from the answer; --watch
// leaves a message-only window of its own to which the instance posts every change.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "control/CommandMessage.h"
#include "platform/CommandChannel.h"

namespace {

// Only the instance that won the session's instance check creates a window of this class, once
// its load is done; a start that loses has none, so a command never reaches it.
constexpr wchar_t kClass[] = L"Dimwarden.Commands";
// Marks the WM_COPYDATA that carries a command, against any other program's data.
constexpr ULONG_PTR kCommandTag = 0x44574D43;  // "DWMC"
// Posted to a watcher: the new state in lParam; or the instance has ended.
constexpr UINT kStateChanged = WM_APP + 1;
constexpr UINT kInstanceEnded = WM_APP + 2;
// An instance that takes longer than this is hung.
constexpr UINT kAnswerMs = 10000;

void print(const control::State& state, bool json) {
    const std::string line = json ? control::statusJson(state) : control::statusLine(state);
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);  // a status bar reads line by line from a pipe
}

int notRunning() {
    std::fputs("dimwarden: no instance is running in this session.\n", stderr);
    return control::kNotRunning;
}

int failed() {
    std::fputs("dimwarden: the running instance did not take the command.\n", stderr);
    return control::kFailed;
}

HWND findInstance(std::chrono::milliseconds patience) {
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(patience.count());
    HWND found = FindWindowExW(HWND_MESSAGE, nullptr, kClass, nullptr);
    while (found == nullptr && GetTickCount64() < deadline) {
        Sleep(20);
        found = FindWindowExW(HWND_MESSAGE, nullptr, kClass, nullptr);
    }
    return found;
}

// The instance's answer: the state after the command, or nothing when it refused or is gone.
std::optional<control::State> send(HWND instance, const control::Command& command,
                                   HWND watcher = nullptr) {
    std::string bytes = control::packCommand(command);
    COPYDATASTRUCT data{kCommandTag, static_cast<DWORD>(bytes.size()), bytes.data()};
    DWORD_PTR answer = 0;
    if (SendMessageTimeoutW(instance, WM_COPYDATA, reinterpret_cast<WPARAM>(watcher),
                            reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, kAnswerMs,
                            &answer) == 0) {
        return std::nullopt;
    }
    return control::unpackState(static_cast<std::uint32_t>(answer));
}

// A window that only takes messages: never shown, in no taskbar. It keeps `owner` in its user data.
HWND createMessageWindow(const wchar_t* className, void* owner, WNDPROC proc) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = className;
    RegisterClassExW(&wc);
    HWND hwnd = CreateWindowExW(0, className, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                wc.hInstance, nullptr);
    if (hwnd != nullptr) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
    }
    return hwnd;
}

// Prints the state, then again on every change, until the instance ends: with its end notice,
// or, killed, by its process ending.
int watch(HWND instance, const control::Command& command) {
    DWORD pid = 0;
    GetWindowThreadProcessId(instance, &pid);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    HWND self = createMessageWindow(L"Dimwarden.Watcher", nullptr, DefWindowProcW);
    const auto first = self != nullptr ? send(instance, command, self) : std::nullopt;
    int status = control::kNotRunning;
    if (first) {
        print(*first, command.json);
    } else if (IsWindow(instance)) {
        status = failed();
    }
    bool ended = !first;
    while (!ended) {
        const DWORD woke = MsgWaitForMultipleObjects(process != nullptr ? 1 : 0, &process, FALSE,
                                                     INFINITE, QS_ALLINPUT);
        ended = process != nullptr && woke == WAIT_OBJECT_0;
        MSG msg;
        while (!ended && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.hwnd == self && msg.message == kStateChanged) {
                const auto state = control::unpackState(static_cast<std::uint32_t>(msg.lParam));
                if (state) {
                    print(*state, command.json);
                }
            } else if ((msg.hwnd == self && msg.message == kInstanceEnded) ||
                       msg.message == WM_QUIT) {
                ended = true;
            } else {
                DispatchMessageW(&msg);
            }
        }
    }
    if (self != nullptr) {
        DestroyWindow(self);
    }
    if (process != nullptr) {
        CloseHandle(process);
    }
    return status;
}

class Win32CommandService : public CommandService {
  public:
    explicit Win32CommandService(control::Controller& controller) : controller_(controller) {
        hwnd_ = createMessageWindow(kClass, this, &Win32CommandService::windowProc);
        listener_ = controller_.addListener([this](const control::State& state) {
            tellWatchers(kStateChanged, control::packState(state));
        });
    }
    ~Win32CommandService() override {
        controller_.removeListener(listener_);
        tellWatchers(kInstanceEnded, 0);
        if (hwnd_ != nullptr) {
            SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
            DestroyWindow(hwnd_);
        }
    }
    Win32CommandService(const Win32CommandService&) = delete;
    Win32CommandService& operator=(const Win32CommandService&) = delete;

    bool serving() const { return hwnd_ != nullptr; }

  private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<Win32CommandService*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (message == WM_COPYDATA && self != nullptr) {
            return self->received(reinterpret_cast<HWND>(wParam),
                                  *reinterpret_cast<const COPYDATASTRUCT*>(lParam));
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }

    // The answer is the state once the command is applied; 0 refuses it.
    LRESULT received(HWND watcher, const COPYDATASTRUCT& data) {
        if (data.dwData != kCommandTag || data.lpData == nullptr) {
            return 0;
        }
        const auto command = control::unpackCommand(
            std::string_view(static_cast<const char*>(data.lpData), data.cbData));
        if (!command) {
            return 0;
        }
        if (command->action == control::Action::Watch) {
            if (watcher == nullptr || !IsWindow(watcher)) {
                return 0;
            }
            watchers_.push_back(watcher);
        }
        controller_.apply(*command);
        return static_cast<LRESULT>(control::packState(controller_.state()));
    }

    // A watcher that has ended is dropped at the first message it cannot take.
    void tellWatchers(UINT message, std::uint32_t state) {
        std::erase_if(watchers_, [&](HWND w) {
            return PostMessageW(w, message, 0, static_cast<LPARAM>(state)) == 0;
        });
    }

    control::Controller& controller_;
    HWND hwnd_ = nullptr;
    int listener_ = 0;
    std::vector<HWND> watchers_;
};

}  // namespace

std::optional<int> sendToRunningInstance(const control::Command& command, int, char**,
                                         std::chrono::milliseconds patience) {
    HWND instance = findInstance(patience);
    if (instance == nullptr) {
        return control::startsTool(command.action) ? std::nullopt
                                                   : std::optional<int>(notRunning());
    }
    if (command.action == control::Action::Watch) {
        return watch(instance, command);
    }
    const auto state = send(instance, command);
    if (!state) {
        // Gone between the look-up and the call: as if none ran.
        if (!IsWindow(instance)) {
            return control::startsTool(command.action) ? std::nullopt
                                                       : std::optional<int>(notRunning());
        }
        return failed();
    }
    if (command.action == control::Action::Status) {
        print(*state, command.json);
    }
    return control::kDone;
}

std::unique_ptr<CommandService> serveCommands(control::Controller& controller) {
    auto service = std::make_unique<Win32CommandService>(controller);
    if (!service->serving()) {
        std::fputs("dimwarden: commands cannot reach this instance: no command window\n", stderr);
    }
    return service;
}
