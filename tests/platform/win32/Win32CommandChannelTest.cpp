// The instance's command window against senders that misbehave: one whose thread never takes its
// answer, and one that registers as a watcher over and over.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "control/CommandMessage.h"
#include "platform/CommandChannel.h"
#include "support/MemoryControlTarget.h"

namespace {

// The channel's marks on its WM_COPYDATA, and its note to watchers.
constexpr ULONG_PTR kCommandTag = 0x44574D43;
constexpr ULONG_PTR kStateTag = 0x44574D53;
constexpr UINT kStateChanged = WM_APP + 1;

// A sender's reply window on this thread, keeping the last answer.
struct Sender {
    HWND hwnd = nullptr;
    std::string answer;

    Sender() {
        static const bool registered = [] {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = &proc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"Dimwarden.TestSender";
            return RegisterClassExW(&wc) != 0;
        }();
        EXPECT_TRUE(registered);
        hwnd = CreateWindowExW(0, L"Dimwarden.TestSender", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE,
                               nullptr, GetModuleHandleW(nullptr), nullptr);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~Sender() { DestroyWindow(hwnd); }

    static LRESULT CALLBACK proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<Sender*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (message == WM_COPYDATA && self != nullptr) {
            const auto& data = *reinterpret_cast<const COPYDATASTRUCT*>(lParam);
            if (data.dwData == kStateTag) {
                self->answer.assign(static_cast<const char*>(data.lpData), data.cbData);
                return TRUE;
            }
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
};

// Hands `bytes` to the instance's window as from `from`; true when it was taken.
bool send(HWND from, const std::string& bytes) {
    HWND instance = FindWindowExW(HWND_MESSAGE, nullptr, L"Dimwarden.Commands", nullptr);
    COPYDATASTRUCT data{kCommandTag, static_cast<DWORD>(bytes.size()),
                        const_cast<char*>(bytes.data())};
    DWORD_PTR taken = 0;
    return instance != nullptr &&
           SendMessageTimeoutW(instance, WM_COPYDATA, reinterpret_cast<WPARAM>(from),
                               reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, 30000, &taken) != 0 &&
           taken != 0;
}

int notesFor(HWND hwnd) {
    int notes = 0;
    MSG msg;
    while (PeekMessageW(&msg, hwnd, kStateChanged, kStateChanged, PM_REMOVE)) {
        ++notes;
    }
    return notes;
}

class Win32CommandChannel : public ::testing::Test {
  protected:
    MemoryControlTarget target;
    control::Controller controller{target};
    std::unique_ptr<CommandService> service = serveCommands(controller);
};

TEST_F(Win32CommandChannel, ASenderThatNeverTakesItsAnswerDoesNotHoldTheInstance) {
    HWND hung = nullptr;
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread frozen([&] {
        hung = CreateWindowExW(0, L"STATIC", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
        SetEvent(ready);
        WaitForSingleObject(release, INFINITE);  // pumps nothing meanwhile
        DestroyWindow(hung);
    });
    WaitForSingleObject(ready, INFINITE);

    // It used to wait ten seconds for each such sender (thirty here); now a moment each.
    const ULONGLONG start = GetTickCount64();
    for (int i = 0; i < 3; ++i) {
        send(hung, std::string("--toggle\0", 9));
    }
    const ULONGLONG took = GetTickCount64() - start;
    SetEvent(release);
    frozen.join();
    CloseHandle(ready);
    CloseHandle(release);
    EXPECT_LT(took, 10000u);
    EXPECT_EQ(target.calls, (std::vector<std::string>{"toggle", "toggle", "toggle"}));
}

TEST_F(Win32CommandChannel, AWatcherIsRegisteredOnceAndTheirNumberIsBounded) {
    Sender first;
    for (int i = 0; i < 100; ++i) {
        ASSERT_TRUE(send(first.hwnd, std::string("--watch\0", 8)));
    }
    controller.setNight(false);
    EXPECT_EQ(notesFor(first.hwnd), 1) << "one note a change, however often it registered";

    std::vector<std::unique_ptr<Sender>> more;
    for (int i = 1; i < 64; ++i) {
        more.push_back(std::make_unique<Sender>());
        ASSERT_TRUE(send(more.back()->hwnd, std::string("--watch\0", 8)));
    }
    Sender late;
    ASSERT_TRUE(send(late.hwnd, std::string("--watch\0", 8)));
    const auto refused = control::unpackAnswer(late.answer);
    ASSERT_TRUE(refused) << late.answer;
    EXPECT_EQ(refused->status, control::kFailed);
    EXPECT_EQ(refused->message, "too many watchers (64): end one of them first.");
    controller.setNight(true);
    EXPECT_EQ(notesFor(late.hwnd), 0);
    EXPECT_EQ(notesFor(more.back()->hwnd), 1);
}

}  // namespace
