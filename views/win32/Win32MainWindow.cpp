#include "views/win32/Win32MainWindow.h"

#include <commctrl.h>

#include "main_window/frmMain.h"
#include "platform/win32/common/WinText.h"
#include "views/win32/Dpi.h"
#include "views/win32/Win32ColorWindow.h"

namespace {

using frmMainLayout::Id;
using frmMainLayout::index;

constexpr wchar_t kClass[] = L"Dimwarden.frmMain";
constexpr UINT kSayMessage = WM_APP + 2;
// The notification menu's items, in order.
constexpr int kNight = 0;
constexpr int kNormal = 1;
constexpr int kAutomatic = 2;
constexpr int kAutostart = 3;
constexpr int kExit = 4;

const layout::Control& control(Id id) {
    return frmMainLayout::kControls[static_cast<std::size_t>(index(id))];
}

// Mouse buttons as the handlers count them: left 1, right 2, middle 4.
int buttonOf(UINT message) {
    switch (message) {
        case WM_RBUTTONDOWN:
            return 2;
        case WM_MBUTTONDOWN:
            return 4;
        default:
            return 1;
    }
}

}  // namespace

Win32MainWindow::Win32MainWindow(frmMain& form) : form_(form), canvas_(frmMainLayout::kControls) {
    viewwindow::registerClass<Win32MainWindow>(kClass, programIcon(32), programIcon(16));

    // Centred on the work area, at the density of the monitor there.
    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    canvas_.setDpi(dpi::atPoint({(work.left + work.right) / 2, (work.top + work.bottom) / 2}));
    const layout::PixelRect size = layout::toPixels(frmMainLayout::kWindow.client, canvas_.dpi());
    const int x = work.left + (work.right - work.left - size.width) / 2;
    const int y = work.top + (work.bottom - work.top - size.height) / 2;
    // The title is the program's name for the taskbar and the window list; the window draws its
    // own title strip.
    hwnd_ =
        CreateWindowExW(WS_EX_APPWINDOW, kClass, win::toWide(control(Id::lbTitle).caption).c_str(),
                        WS_POPUP | WS_CLIPCHILDREN | WS_MINIMIZEBOX | WS_SYSMENU, x, y, size.width,
                        size.height, nullptr, nullptr, GetModuleHandleW(nullptr), this);

    for (frmMainLayout::Slider s : frmMainLayout::kSliders) {
        HWND bar = CreateWindowExW(0, L"SCROLLBAR", nullptr, WS_CHILD | WS_VISIBLE | SBS_HORZ, 0, 0,
                                   0, 0, hwnd_, nullptr, GetModuleHandleW(nullptr), nullptr);
        SCROLLINFO info = {sizeof info, SIF_RANGE | SIF_POS | SIF_PAGE, 0, 40, 0, 40, 0};
        SetScrollInfo(bar, SB_CTL, &info, FALSE);
        bars_[static_cast<std::size_t>(s)] = bar;
    }

    std::vector<std::string> items;
    for (Id id : {Id::mnuNight, Id::mnuNormal, Id::mnuAuto, Id::mnuAutostart, Id::mnuExit}) {
        items.emplace_back(control(id).caption);
    }
    menu_ = std::make_unique<Win32PopupMenu>(items);
    menu_->setChecked(kNight, control(Id::mnuNight).checked);
    menu_->setChecked(kNormal, control(Id::mnuNormal).checked);
    // Greyed until the form says a schedule is set.
    menu_->setEnabled(kAutomatic, false);

    // Tooltips of the controls that have one.
    INITCOMMONCONTROLSEX common = {sizeof common, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&common);
    tips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_,
                            nullptr, GetModuleHandleW(nullptr), nullptr);
    for (std::size_t i = 0; i < frmMainLayout::kControls.size(); ++i) {
        const layout::Control& c = frmMainLayout::kControls[i];
        if (c.toolTip == nullptr || !c.visible || tips_ == nullptr) {
            continue;
        }
        std::wstring text = win::toWide(c.toolTip);
        TOOLINFOW tool = {};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_SUBCLASS;
        tool.hwnd = hwnd_;
        tool.uId = i + 1;
        tool.rect = canvas_.pixelRect(static_cast<int>(i));
        tool.lpszText = text.data();
        SendMessageW(tips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    // The window may stand on another monitor than the point asked about.
    if (const int d = dpi::ofWindow(hwnd_); d != canvas_.dpi()) {
        canvas_.setDpi(d);
        const layout::PixelRect sized = layout::toPixels(frmMainLayout::kWindow.client, d);
        SetWindowPos(hwnd_, nullptr, 0, 0, sized.width, sized.height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    placeChildren();
    form_.attach(*this);
}

void Win32MainWindow::placeChildren() {
    for (frmMainLayout::Slider s : frmMainLayout::kSliders) {
        const RECT r = canvas_.pixelRect(index(frmMainLayout::scrollBarOf(s)));
        MoveWindow(bars_[static_cast<std::size_t>(s)], r.left, r.top, r.right - r.left,
                   r.bottom - r.top, TRUE);
    }
    if (tips_ == nullptr) {
        return;
    }
    for (std::size_t i = 0; i < frmMainLayout::kControls.size(); ++i) {
        TOOLINFOW tool = {};
        tool.cbSize = sizeof tool;
        tool.hwnd = hwnd_;
        tool.uId = i + 1;
        tool.rect = canvas_.pixelRect(static_cast<int>(i));
        SendMessageW(tips_, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

Win32MainWindow::~Win32MainWindow() {
    form_.detach();
    viewwindow::destroy(hwnd_);
}

LRESULT Win32MainWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    switch (message) {
        case WM_PAINT:
            viewwindow::paint(hwnd_, canvas_, frmMainLayout::kWindow.back);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_MOUSEMOVE:
            mouseMove(x, y);
            return 0;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            mouseDown(x, y, buttonOf(message));
            return 0;
        case WM_LBUTTONUP:
            mouseUp(x, y);
            return 0;
        case WM_HSCROLL:
            scroll(reinterpret_cast<HWND>(lParam), LOWORD(wParam));
            return 0;
        case WM_SIZE:
            form_.Form_Resize(wParam == SIZE_MINIMIZED);
            return 0;
        case WM_CLOSE:
            form_.Unload();
            return 0;
        case WM_DPICHANGED: {
            // Moved to a monitor of another density, or its scaling changed: laid out anew at
            // that density, in the rectangle Windows suggests.
            canvas_.setDpi(HIWORD(wParam));
            const RECT* to = reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(hwnd_, nullptr, to->left, to->top, to->right - to->left,
                         to->bottom - to->top, SWP_NOZORDER | SWP_NOACTIVATE);
            placeChildren();
            InvalidateRect(hwnd_, nullptr, FALSE);
            return 0;
        }
        case kSayMessage:
            while (!messages_.empty()) {
                const auto [title, text] = messages_.front();
                messages_.erase(messages_.begin());
                MessageBoxW(nullptr, win::toWide(text).c_str(), win::toWide(title).c_str(),
                            MB_OK | MB_ICONWARNING | MB_SETFOREGROUND);
            }
            return 0;
        default:
            return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

void Win32MainWindow::mouseMove(int x, int y) {
    const TableCanvas::Hit hit = canvas_.hitTest(x, y);
    switch (static_cast<Id>(hit.index)) {
        case Id::picMini:
            form_.picMini_MouseMove();
            break;
        case Id::picCls:
            form_.picCls_MouseMove();
            break;
        case Id::picTopbar:
            form_.picTopbar_MouseMove();
            break;
        case Id::lbWeibo:
            form_.lbWeibo_MouseMove();
            break;
        default:
            if (hit.index < 0) {
                form_.Form_MouseMove();
            }
            break;
    }
}

void Win32MainWindow::mouseDown(int x, int y, int button) {
    const TableCanvas::Hit hit = canvas_.hitTest(x, y);
    pressed_ = button == 1 ? hit.index : -1;
    if (hit.index == index(Id::picTopbar)) {
        pressed_ = -1;
        form_.picTopbar_MouseDown(button);
    } else if (hit.index == index(Id::lbTitle)) {
        pressed_ = -1;
        form_.lbTitle_MouseDown(button);
    }
}

void Win32MainWindow::mouseUp(int x, int y) {
    const int down = pressed_;
    pressed_ = -1;
    const TableCanvas::Hit hit = canvas_.hitTest(x, y);
    // A click is a press and a release on the same control.
    if (down < 0 || hit.index != down) {
        return;
    }
    switch (static_cast<Id>(hit.index)) {
        case Id::lbSwitch:
            form_.lbSwitch_Click();
            break;
        case Id::picSwitch:
            form_.picSwitch_Click();
            break;
        case Id::picColor:
            form_.picColor_Click();
            break;
        case Id::lbSetting:
            form_.lbSetting_Click();
            break;
        case Id::picMini:
            form_.picMini_Click();
            break;
        case Id::picCls:
            form_.picCls_Click();
            break;
        case Id::lbWeibo:
            form_.lbWeibo_Click();
            break;
        default:
            break;
    }
}

void Win32MainWindow::scroll(HWND bar, int code) {
    for (frmMainLayout::Slider s : frmMainLayout::kSliders) {
        if (bars_[static_cast<std::size_t>(s)] != bar) {
            continue;
        }
        SCROLLINFO info = {sizeof info, SIF_ALL, 0, 0, 0, 0, 0};
        GetScrollInfo(bar, SB_CTL, &info);
        int position = info.nPos;
        switch (code) {
            case SB_LINELEFT:
            case SB_PAGELEFT:
                --position;
                break;
            case SB_LINERIGHT:
            case SB_PAGERIGHT:
                ++position;
                break;
            case SB_LEFT:
                position = 0;
                break;
            case SB_RIGHT:
                position = 40;
                break;
            case SB_THUMBTRACK:
                // The thumb follows the drag; the move counts once it completes.
                info.fMask = SIF_POS;
                info.nPos = info.nTrackPos;
                SetScrollInfo(bar, SB_CTL, &info, TRUE);
                return;
            case SB_THUMBPOSITION:
                position = info.nTrackPos;
                break;
            default:
                return;
        }
        position = position < 0 ? 0 : (position > 40 ? 40 : position);
        info.fMask = SIF_POS;
        info.nPos = position;
        SetScrollInfo(bar, SB_CTL, &info, TRUE);
        form_.moveSlider(s, position);
        return;
    }
}

void Win32MainWindow::invalidate(Id id) {
    RECT r = canvas_.pixelRect(index(id));
    // Labels are sized to their text: a longer number reaches past the design width.
    if (control(id).kind == layout::Kind::Label) {
        r.right += layout::scalePixels(64, canvas_.dpi());
    }
    InvalidateRect(hwnd_, &r, FALSE);
}

// ---- What the form shows ----------------------------------------------------------------------

NativeWindow Win32MainWindow::nativeWindow() const {
    return reinterpret_cast<NativeWindow>(hwnd_);
}

void Win32MainWindow::showSlider(Slider slider, int position) {
    SCROLLINFO info = {sizeof info, SIF_POS, 0, 0, 0, position, 0};
    SetScrollInfo(bars_[static_cast<std::size_t>(slider)], SB_CTL, &info, TRUE);
}

void Win32MainWindow::showSliderValue(Slider slider, int value) {
    const Id label = frmMainLayout::valueLabelOf(slider);
    canvas_.look(index(label)).caption = std::to_string(value);
    invalidate(label);
}

void Win32MainWindow::showColor(BgrColor color) {
    canvas_.look(index(Id::picColor)).back = color;
    invalidate(Id::picColor);
}

void Win32MainWindow::showSwitch(bool on) {
    canvas_.look(index(Id::lbSwitch)).caption = on ? "ON" : "OFF";
    canvas_.look(index(Id::picSwitch)).rect.left = frmMainLayout::knobLeft(on);
    canvas_.look(index(Id::picLightNormal)).visible = !on;
    canvas_.look(index(Id::picLightNight)).visible = on;
    invalidate(Id::shpSwitch);
    invalidate(Id::picLightNight);
}

void Win32MainWindow::showMonitors(const std::vector<MonitorItem>& items) {
    std::vector<std::pair<std::string, bool>> entries;
    for (const MonitorItem& item : items) {
        entries.emplace_back(item.name, item.tinted);
    }
    menu_->setSubmenu(kExit, frmMain::kMonitorsCaption, entries);  // above Exit
}

void Win32MainWindow::showMenuChecks(bool night, bool normal) {
    menu_->setChecked(kNight, night);
    menu_->setChecked(kNormal, normal);
}

void Win32MainWindow::showAutostart(bool checked) {
    menu_->setChecked(kAutostart, checked);
}

void Win32MainWindow::showAutomatic(bool checked, bool enabled) {
    menu_->setChecked(kAutomatic, checked);
    menu_->setEnabled(kAutomatic, enabled);
}

void Win32MainWindow::showMiniLit(bool lit) {
    canvas_.look(index(Id::picMini)).picture =
        control(lit ? Id::picMiniFocus : Id::picMiniNormal).picture;
    invalidate(Id::picMini);
}

void Win32MainWindow::showCloseLit(bool lit) {
    canvas_.look(index(Id::picCls)).picture =
        control(lit ? Id::picClsFocus : Id::picClsNormal).picture;
    invalidate(Id::picCls);
}

void Win32MainWindow::showLinkLit(bool lit) {
    canvas_.look(index(Id::lbWeibo)).fore = frmMainLayout::linkColor(lit);
    invalidate(Id::lbWeibo);
}

void Win32MainWindow::showWindow() {
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    UpdateWindow(hwnd_);
}

void Win32MainWindow::putAway() {
    ShowWindow(hwnd_, SW_HIDE);
}

void Win32MainWindow::minimise() {
    ShowWindow(hwnd_, SW_MINIMIZE);
}

void Win32MainWindow::restore() {
    ShowWindow(hwnd_, SW_RESTORE);
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    SetForegroundWindow(hwnd_);
    SetFocus(hwnd_);
}

void Win32MainWindow::closeWindow() {
    ShowWindow(hwnd_, SW_HIDE);
}

void Win32MainWindow::openMenu() {
    POINT at = {};
    GetCursorPos(&at);
    const int chosen = menu_->popUp(hwnd_, at.x, at.y);
    if (chosen >= Win32PopupMenu::kSubmenuItem) {
        form_.mnuMonitor_Click(static_cast<std::size_t>(chosen - Win32PopupMenu::kSubmenuItem));
        return;
    }
    switch (chosen) {
        case kNight:
            form_.mnuNight_Click();
            break;
        case kNormal:
            form_.mnuNormal_Click();
            break;
        case kAutomatic:
            form_.mnuAuto_Click();
            break;
        case kAutostart:
            form_.mnuAutostart_Click();
            break;
        case kExit:
            form_.mnuExit_Click();
            break;
        default:
            break;
    }
}

void Win32MainWindow::openPicker(frmColor& picker) {
    // The swatch's tip, due as the pointer rests after the click, would come up over the picker.
    if (tips_ != nullptr) {
        SendMessageW(tips_, TTM_ACTIVATE, FALSE, 0);
    }
    {
        Win32ColorWindow window(hwnd_, picker);
        picker.Show();
    }
    if (tips_ != nullptr) {
        SendMessageW(tips_, TTM_ACTIVATE, TRUE, 0);
    }
}

void Win32MainWindow::sayMessage(const std::string& title, const std::string& text) {
    // Shown once the handler that says it has returned, and owned by no window: the tool runs on
    // and its window stays usable while the message is open.
    messages_.push_back({title, text});
    PostMessageW(hwnd_, kSayMessage, 0, 0);
}

void Win32MainWindow::followPointer() {
    // Windows always has a window manager that moves windows; nothing to follow.
}

void Win32MainWindow::letPendingEventsRun() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}
