// Sends a window the notification Windows sends when the session or the display comes back, for
// the end-to-end test under Wine, which raises none of them itself:
//
//   send_system_event.exe WINDOW_CLASS unlock|console-connect|display-on|display-off
//
// A power-setting notification carries a pointer, which a message between processes does not
// carry across: the block is written into the receiving process first. Exits 0 once the window
// has handled the message, printing how long that took in milliseconds; 1 when there is no such
// window, 2 on bad usage.
#include <windows.h>

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

// Sends the message and prints how long the window took to handle it.
void sendTimed(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto start = std::chrono::steady_clock::now();
    SendMessageW(window, message, wParam, lParam);
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    std::printf("%.2f\n", took.count());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        return 2;
    }
    HWND window = FindWindowW(argv[1], nullptr);
    if (window == nullptr) {
        return 1;
    }
    const std::wstring_view what = argv[2];
    if (what == L"unlock" || what == L"console-connect") {
        sendTimed(window, WM_WTSSESSION_CHANGE,
                  what == L"unlock" ? WTS_SESSION_UNLOCK : WTS_CONSOLE_CONNECT, 1);
        return 0;
    }
    if (what != L"display-on" && what != L"display-off") {
        return 2;
    }
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid);
    if (process == nullptr) {
        return 1;
    }
    unsigned char block[offsetof(POWERBROADCAST_SETTING, Data) + sizeof(DWORD)] = {};
    auto* setting = reinterpret_cast<POWERBROADCAST_SETTING*>(block);
    setting->PowerSetting = GUID_CONSOLE_DISPLAY_STATE;
    setting->DataLength = sizeof(DWORD);
    const DWORD state = what == L"display-on" ? 1 : 0;
    std::memcpy(setting->Data, &state, sizeof state);
    void* remote = VirtualAllocEx(process, nullptr, sizeof block, MEM_COMMIT, PAGE_READWRITE);
    if (remote == nullptr || !WriteProcessMemory(process, remote, block, sizeof block, nullptr)) {
        CloseHandle(process);
        return 1;
    }
    sendTimed(window, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, reinterpret_cast<LPARAM>(remote));
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return 0;
}
