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

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "control/Client.h"
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
// Posted by the instance to itself: --quit, once its answer is out.
constexpr UINT kQuit = WM_APP + 3;
// An instance that takes longer than this to take a command is hung.
constexpr UINT kAnswerMs = 10000;
// A sender waits inside its own call for the answer, so it takes it at once; one that does not
// is hung, and the instance does not wait for it.
constexpr UINT kReplyMs = 500;
// Watchers at most; each is told of every change.
constexpr std::size_t kMaxWatchers = 64;

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

    // The instance's answer text, or nothing when it refused or is gone.
    std::optional<std::string> send(HWND instance, const std::vector<std::string>& args) {
        std::string bytes;
        for (const std::string& arg : args) {
            bytes += arg;
            bytes += '\0';
        }
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
        return answer_;
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

// Ctrl+C or a closed console ends a watch as the instance's end does: the loop is woken and
// leaves cleanly.
HANDLE interrupted = nullptr;
volatile LONG wasInterrupted = 0;
BOOL WINAPI onConsoleControl(DWORD) {
    InterlockedExchange(&wasInterrupted, 1);
    if (interrupted != nullptr) {
        SetEvent(interrupted);
    }
    return TRUE;
}

// The instance's command window, found by its class, and a reply window of this process's own.
class Win32Transport : public control::Transport {
  public:
    ~Win32Transport() override {
        if (process_ != nullptr) {
            CloseHandle(process_);
        }
        if (interrupted != nullptr) {
            SetConsoleCtrlHandler(&onConsoleControl, FALSE);
            CloseHandle(interrupted);
            interrupted = nullptr;
        }
    }

    std::string_view place() const override { return "in this session"; }

    void awaitInstance(std::chrono::milliseconds patience) override {
        instance_ = findInstance(patience);
    }

    Reply send(const std::vector<std::string>& args) override {
        if (instance_ == nullptr) {
            instance_ = findInstance({});
        }
        if (instance_ == nullptr) {
            return {Reach::NoInstance, {}, {}};
        }
        const auto text = reply_.send(instance_, args);
        const auto answer = text ? control::unpackAnswer(*text) : std::nullopt;
        if (!answer) {
            // Gone between the look-up and the call: as if none ran.
            return {IsWindow(instance_) ? Reach::Failed : Reach::NoInstance, {}, {}};
        }
        return {Reach::Answered, *answer, {}};
    }

    bool listen() override {
        instance_ = findInstance({});
        if (instance_ == nullptr) {
            return false;
        }
        DWORD pid = 0;
        GetWindowThreadProcessId(instance_, &pid);
        process_ = OpenProcess(SYNCHRONIZE, FALSE, pid);
        interrupted = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        SetConsoleCtrlHandler(&onConsoleControl, TRUE);
        return true;
    }

    // Notes of changes that came together make one question. The instance ends with its end
    // notice or, killed, by its process ending.
    bool waitForChange() override {
        for (;;) {
            HANDLE handles[2];
            DWORD count = 0;
            if (interrupted != nullptr) {
                handles[count++] = interrupted;
            }
            if (process_ != nullptr) {
                handles[count++] = process_;
            }
            const DWORD woke =
                MsgWaitForMultipleObjects(count, handles, FALSE, INFINITE, QS_ALLINPUT);
            if (woke < WAIT_OBJECT_0 + count) {
                return false;
            }
            bool changed = false;
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.hwnd == reply_.hwnd() && msg.message == kStateChanged) {
                    changed = true;
                } else if ((msg.hwnd == reply_.hwnd() && msg.message == kInstanceEnded) ||
                           msg.message == WM_QUIT) {
                    return false;
                } else {
                    DispatchMessageW(&msg);
                }
            }
            if (changed) {
                return true;
            }
        }
    }

  private:
    HWND instance_ = nullptr;
    HANDLE process_ = nullptr;
    ReplyWindow reply_;
};

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
        if (message == kQuit && self != nullptr) {
            // Ends the instance, and this window with it: nothing of `self` is used after.
            self->controller_.quit();
            return 0;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }

    // Applies the command and answers the sender's window; 0 refuses it.
    LRESULT received(HWND sender, const COPYDATASTRUCT& data) {
        if (data.dwData != kCommandTag || data.lpData == nullptr || sender == nullptr ||
            !IsWindow(sender)) {
            return 0;
        }
        const std::string_view bytes(static_cast<const char*>(data.lpData), data.cbData);
        if (bytes.empty() || bytes.back() != '\0') {
            return 0;
        }
        std::vector<std::string> args;
        for (std::string_view rest = bytes; !rest.empty();) {
            const std::size_t end = rest.find('\0');
            args.emplace_back(rest.substr(0, end));
            rest.remove_prefix(end + 1);
        }
        const bool watching = args.size() == 1 && args[0] == "--watch";
        // One registration a window, and a bound on them all.
        if (watching && std::find(watchers_.begin(), watchers_.end(), sender) == watchers_.end()) {
            if (watchers_.size() >= kMaxWatchers) {
                return reply(
                    sender,
                    {control::kFailed, {}, "too many watchers (64): end one of them first."});
            }
            watchers_.push_back(sender);
        }
        const LRESULT taken = reply(sender, control::answer(controller_, args));
        if (controller_.takeQuitRequest()) {
            PostMessageW(hwnd_, kQuit, 0, 0);
        }
        return taken;
    }

    // The sender waits for this inside its own call, so it takes it at once; a hung one is not
    // waited for.
    LRESULT reply(HWND sender, const control::Answer& answer) {
        std::string text = control::packAnswer(answer);
        COPYDATASTRUCT data{kStateTag, static_cast<DWORD>(text.size()), text.data()};
        DWORD_PTR taken = 0;
        return SendMessageTimeoutW(sender, WM_COPYDATA, reinterpret_cast<WPARAM>(hwnd_),
                                   reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG | SMTO_BLOCK,
                                   kReplyMs, &taken) != 0 &&
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
    Win32Transport transport;
    const std::optional<int> status = control::runClient(transport, command, patience);
    // Interrupted, as a shell counts it (128 + SIGINT).
    return InterlockedCompareExchange(&wasInterrupted, 0, 0) != 0 ? std::optional<int>(130)
                                                                  : status;
}

std::unique_ptr<CommandService> serveCommands(control::Controller& controller) {
    auto service = std::make_unique<Win32CommandService>(controller);
    if (!service->serving()) {
        std::fputs("dimwarden: commands cannot reach this instance: no command window\n", stderr);
    }
    return service;
}
