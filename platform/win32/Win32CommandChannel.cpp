// Commands between two processes of the tool on Windows: the sender finds the instance's command
// window and hands it the command with WM_COPYDATA; the instance answers with the state as text,
// in a WM_COPYDATA of its own to the sender's reply window while the sender waits. A watcher
// keeps that window: the instance posts it a note on every change, and it asks for the state.
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
// Mark the WM_COPYDATA that carries a command, and the one that carries the answer, against any
// other program's data.
constexpr ULONG_PTR kCommandTag = 0x44574D43;  // "DWMC"
constexpr ULONG_PTR kStateTag = 0x44574D53;    // "DWMS"
// Posted to a watcher: the state has changed; or the instance has ended.
constexpr UINT kStateChanged = WM_APP + 1;
constexpr UINT kInstanceEnded = WM_APP + 2;
// An instance, or a sender waiting for its answer, that takes longer than this is hung.
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

// The sender's end: the window the instance answers to, and for a watcher the one it notifies.
class ReplyWindow {
  public:
    ReplyWindow() { hwnd_ = createMessageWindow(L"Dimwarden.Reply", this, &ReplyWindow::proc); }
    ~ReplyWindow() {
        if (hwnd_ != nullptr) {
            DestroyWindow(hwnd_);
        }
    }
    ReplyWindow(const ReplyWindow&) = delete;
    ReplyWindow& operator=(const ReplyWindow&) = delete;

    HWND hwnd() const { return hwnd_; }

    // The instance's answer: the state after the command, or nothing when it refused or is gone.
    std::optional<control::State> send(HWND instance, const control::Command& command) {
        std::string bytes = control::packCommand(command);
        COPYDATASTRUCT data{kCommandTag, static_cast<DWORD>(bytes.size()), bytes.data()};
        answer_.reset();
        DWORD_PTR taken = 0;
        // The answer comes while this call waits: a thread in SendMessage takes the messages
        // other threads send to its windows.
        if (hwnd_ == nullptr ||
            SendMessageTimeoutW(instance, WM_COPYDATA, reinterpret_cast<WPARAM>(hwnd_),
                                reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, kAnswerMs,
                                &taken) == 0 ||
            taken == 0 || !answer_) {
            return std::nullopt;
        }
        return control::unpackState(*answer_);
    }

  private:
    static LRESULT CALLBACK proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<ReplyWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (message == WM_COPYDATA && self != nullptr) {
            const auto& data = *reinterpret_cast<const COPYDATASTRUCT*>(lParam);
            if (data.dwData != kStateTag || data.lpData == nullptr) {
                return FALSE;
            }
            self->answer_.emplace(static_cast<const char*>(data.lpData), data.cbData);
            return TRUE;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }

    HWND hwnd_ = nullptr;
    std::optional<std::string> answer_;
};

// Prints the state, then again on every change, until the instance ends: with its end notice,
// or, killed, by its process ending. Notes of changes that came together make one question, and
// a state like the last printed is not printed again.
int watch(HWND instance, const control::Command& command) {
    DWORD pid = 0;
    GetWindowThreadProcessId(instance, &pid);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    ReplyWindow self;
    std::optional<control::State> shown = self.send(instance, command);
    int status = control::kNotRunning;
    if (shown) {
        print(*shown, command.json);
    } else if (IsWindow(instance)) {
        status = failed();
    }
    control::Command ask = command;
    ask.action = control::Action::Status;
    bool ended = !shown;
    while (!ended) {
        const DWORD woke = MsgWaitForMultipleObjects(process != nullptr ? 1 : 0, &process, FALSE,
                                                     INFINITE, QS_ALLINPUT);
        ended = process != nullptr && woke == WAIT_OBJECT_0;
        bool changed = false;
        MSG msg;
        while (!ended && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.hwnd == self.hwnd() && msg.message == kStateChanged) {
                changed = true;
            } else if ((msg.hwnd == self.hwnd() && msg.message == kInstanceEnded) ||
                       msg.message == WM_QUIT) {
                ended = true;
            } else {
                DispatchMessageW(&msg);
            }
        }
        if (!ended && changed) {
            const auto now = self.send(instance, ask);
            ended = !now && !IsWindow(instance);
            if (now && now != shown) {
                shown = now;
                print(*now, command.json);
            }
        }
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
        listener_ =
            controller_.addListener([this](const control::State&) { tellWatchers(kStateChanged); });
    }
    ~Win32CommandService() override {
        controller_.removeListener(listener_);
        tellWatchers(kInstanceEnded);
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

    // Applies the command and answers the sender's window with the state; 0 refuses it.
    LRESULT received(HWND sender, const COPYDATASTRUCT& data) {
        if (data.dwData != kCommandTag || data.lpData == nullptr || sender == nullptr ||
            !IsWindow(sender)) {
            return 0;
        }
        const auto command = control::unpackCommand(
            std::string_view(static_cast<const char*>(data.lpData), data.cbData));
        if (!command) {
            return 0;
        }
        if (command->action == control::Action::Watch) {
            watchers_.push_back(sender);
        }
        controller_.apply(*command);
        std::string state = control::packState(controller_.state());
        COPYDATASTRUCT answer{kStateTag, static_cast<DWORD>(state.size()), state.data()};
        DWORD_PTR taken = 0;
        // The sender waits for this inside its own call, so it takes it at once.
        return SendMessageTimeoutW(sender, WM_COPYDATA, reinterpret_cast<WPARAM>(hwnd_),
                                   reinterpret_cast<LPARAM>(&answer), SMTO_NORMAL, kAnswerMs,
                                   &taken) != 0 &&
               taken != 0;
    }

    // A watcher that has ended is dropped at the first note it cannot take.
    void tellWatchers(UINT message) {
        std::erase_if(watchers_, [&](HWND w) { return PostMessageW(w, message, 0, 0) == 0; });
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
    ReplyWindow reply;
    const auto state = reply.send(instance, command);
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
