#include "platform/win32/Win32ActiveWindowSource.h"

#include <iterator>
#include <string_view>
#include <utility>

#include "gamma/DisplayGamma.h"
#include "pause/PauseRules.h"
#include "platform/win32/Win32DisplayGamma.h"
#include "platform/win32/common/WinText.h"

namespace {

// The hooks carry no pointer of their own; there is one source per process.
Win32ActiveWindowSource* current = nullptr;

// The program's file name, "mpv.exe"; empty when the process cannot be asked (another user's,
// or already gone).
std::string programName(HWND window) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (process == nullptr) {
        return {};
    }
    wchar_t path[MAX_PATH * 2] = {};
    DWORD size = static_cast<DWORD>(std::size(path));
    const bool known = QueryFullProcessImageNameW(process, 0, path, &size) != 0;
    CloseHandle(process);
    if (!known) {
        return {};
    }
    const std::wstring full(path, size);
    const auto slash = full.find_last_of(L"\\/");
    return win::toUtf8(slash == std::wstring::npos ? full : full.substr(slash + 1));
}

struct MonitorList {
    std::vector<std::pair<std::wstring, RECT>> monitors;  // device name, rectangle
};

BOOL CALLBACK addMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
    MONITORINFOEXW info = {};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(monitor, &info)) {
        reinterpret_cast<MonitorList*>(data)->monitors.emplace_back(info.szDevice, info.rcMonitor);
    }
    return TRUE;
}

// The desktop behind every window (explorer's, or Wine's own) covers every monitor, but it is
// where no program is active.
bool isDesktop(HWND window) {
    if (window == GetDesktopWindow() || window == GetShellWindow()) {
        return true;
    }
    wchar_t name[16] = {};
    GetClassNameW(window, name, static_cast<int>(std::size(name)));
    return std::wstring_view(name) == L"Progman" || std::wstring_view(name) == L"WorkerW";
}

pausing::Rect toRect(const RECT& r) {
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

}  // namespace

Win32ActiveWindowSource::Win32ActiveWindowSource(DisplayGamma& display) : display_(display) {}

Win32ActiveWindowSource::~Win32ActiveWindowSource() {
    followProcess(0);
    for (HWINEVENTHOOK hook : hooks_) {
        UnhookWinEvent(hook);
    }
    if (current == this) {
        current = nullptr;
    }
}

std::string Win32ActiveWindowSource::unavailable() const {
    return hookFailed_ ? "Windows did not let the tool follow the foreground window" : "";
}

void Win32ActiveWindowSource::start() {
    if (!hooks_.empty() || current != nullptr) {
        return;
    }
    current = this;
    // The foreground event for every program, the tool's own windows included.
    if (HWINEVENTHOOK hook = SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND,
                                             nullptr, &onEvent, 0, 0, WINEVENT_OUTOFCONTEXT)) {
        hooks_.push_back(hook);
    } else {
        hookFailed_ = true;
    }
    update();
}

void Win32ActiveWindowSource::followProcess(DWORD pid) {
    if (pid == followed_) {
        return;
    }
    for (HWINEVENTHOOK hook : processHooks_) {
        UnhookWinEvent(hook);
    }
    processHooks_.clear();
    followed_ = pid;
    if (pid == 0 || pid == GetCurrentProcessId()) {
        return;
    }
    // Moves, minimising and closing of the program in front only: hooked for every program, the
    // location event alone would come for every pointer move and caret blink on the desktop.
    const std::pair<DWORD, DWORD> ranges[] = {
        {EVENT_SYSTEM_MINIMIZESTART, EVENT_SYSTEM_MINIMIZEEND},
        {EVENT_OBJECT_DESTROY, EVENT_OBJECT_DESTROY},
        {EVENT_OBJECT_LOCATIONCHANGE, EVENT_OBJECT_LOCATIONCHANGE},
    };
    for (const auto& [first, last] : ranges) {
        if (HWINEVENTHOOK hook =
                SetWinEventHook(first, last, nullptr, &onEvent, pid, 0, WINEVENT_OUTOFCONTEXT)) {
            processHooks_.push_back(hook);
        }
    }
}

void Win32ActiveWindowSource::displayChanged() {
    names_.clear();
    if (!hooks_.empty()) {
        update();
    }
}

void Win32ActiveWindowSource::foregroundMayHaveChanged() {
    if (!hooks_.empty()) {
        update();
    }
}

void CALLBACK Win32ActiveWindowSource::onEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object,
                                               LONG child, DWORD, DWORD) {
    if (current == nullptr || object != OBJID_WINDOW || child != CHILDID_SELF) {
        return;  // a caret, a scroll bar, a cursor: parts of windows, not windows
    }
    // Of the program in front, only its window in front matters.
    if (event != EVENT_SYSTEM_FOREGROUND && window != current->foreground_) {
        return;
    }
    current->update();
}

void Win32ActiveWindowSource::update() {
    foreground_ = GetForegroundWindow();
    DWORD pid = 0;
    if (foreground_ != nullptr) {
        GetWindowThreadProcessId(foreground_, &pid);
    }
    followProcess(pid);
    std::optional<Window> now = describe(foreground_);
    if (now == reported_) {
        return;
    }
    reported_ = std::move(now);
    if (onChanged) {
        onChanged();
    }
}

std::optional<ActiveWindowSource::Window> Win32ActiveWindowSource::describe(HWND window) {
    DWORD pid = 0;
    if (window == nullptr || !IsWindow(window) || GetWindowThreadProcessId(window, &pid) == 0 ||
        pid == GetCurrentProcessId() || isDesktop(window)) {
        return std::nullopt;
    }
    Window described;
    if (std::string name = programName(window); !name.empty()) {
        described.appNames.push_back(std::move(name));
    }
    if (IsIconic(window)) {
        return described;  // on no monitor
    }
    RECT client = {};
    POINT origin = {0, 0};
    if (!GetClientRect(window, &client) || !ClientToScreen(window, &origin)) {
        return described;
    }
    OffsetRect(&client, origin.x, origin.y);
    MonitorList list;
    EnumDisplayMonitors(nullptr, nullptr, &addMonitor, reinterpret_cast<LPARAM>(&list));
    std::vector<pausing::OutputRect> outputs;
    for (const auto& [device, rect] : list.monitors) {
        outputs.push_back({outputName(device), toRect(rect)});
    }
    described.outputs = pausing::placements(toRect(client), outputs);
    return described;
}

std::string Win32ActiveWindowSource::outputName(const std::wstring& device) {
    if (const auto it = names_.find(device); it != names_.end()) {
        return it->second;
    }
    // The display backend's outputs carry the monitor's own name after the device name; its ids
    // are the device names' hashes.
    const DisplayGamma::OutputId id = Win32DisplayGamma::idOf(device);
    std::string name = win::toUtf8(device);
    for (const auto& output : display_.outputs()) {
        if (output.id == id) {
            name = output.name;
        }
    }
    return names_[device] = name;
}
