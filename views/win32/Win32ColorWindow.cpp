#include "views/win32/Win32ColorWindow.h"

#include "color_picker/frmColor.h"
#include "views/win32/Dpi.h"

namespace {

using frmColorLayout::Id;
using frmColorLayout::index;

constexpr wchar_t kClass[] = L"Dimwarden.frmColor";

const layout::Control& control(Id id) {
    return frmColorLayout::kControls[static_cast<std::size_t>(index(id))];
}

}  // namespace

Win32ColorWindow::Win32ColorWindow(HWND owner, frmColor& form)
    : owner_(owner), form_(form), canvas_(frmColorLayout::kControls) {
    viewwindow::registerClass<Win32ColorWindow>(kClass);
    // It opens over its owner, so at the owner's density.
    canvas_.setDpi(dpi::ofWindow(owner_));
    const layout::PixelRect size = layout::toPixels(frmColorLayout::kWindow.client, canvas_.dpi());
    // Owned, so it has no taskbar button of its own and stays above its owner.
    hwnd_ = CreateWindowExW(WS_EX_TOOLWINDOW, kClass, L"", WS_POPUP, 0, 0, size.width, size.height,
                            owner_, nullptr, GetModuleHandleW(nullptr), this);
    form_.attach(*this);
}

Win32ColorWindow::~Win32ColorWindow() {
    form_.detach();
    viewwindow::destroy(hwnd_);
}

LRESULT Win32ColorWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    switch (message) {
        case WM_PAINT:
            viewwindow::paint(hwnd_, canvas_, frmColorLayout::kWindow.back);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_MOUSEMOVE: {
            const TableCanvas::Hit hit = canvas_.hitTest(x, y);
            if (hit.index == index(Id::picCls)) {
                form_.picCls_MouseMove();
            } else if (hit.index == index(Id::picTopbar)) {
                form_.picTopbar_MouseMove();
            }
            return 0;
        }
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN: {
            const int button = message == WM_LBUTTONDOWN ? 1 : (message == WM_RBUTTONDOWN ? 2 : 4);
            const TableCanvas::Hit hit = canvas_.hitTest(x, y);
            pressed_ = button == 1 ? hit.index : -1;
            pressedItem_ = hit.item;
            if (hit.index == index(Id::picTopbar)) {
                pressed_ = -1;
                form_.picTopbar_MouseDown(button);
            } else if (hit.index == index(Id::lbTitle)) {
                pressed_ = -1;
                form_.lbTitle_MouseDown(button);
            }
            return 0;
        }
        case WM_LBUTTONUP: {
            const TableCanvas::Hit hit = canvas_.hitTest(x, y);
            const int down = pressed_;
            pressed_ = -1;
            if (down < 0 || hit.index != down || hit.item != pressedItem_) {
                return 0;
            }
            if (hit.index == index(Id::picPickColor)) {
                form_.picPickColor_Click(static_cast<std::int16_t>(hit.item));
            } else if (hit.index == index(Id::picCls)) {
                form_.picCls_Click();
            }
            return 0;
        }
        case WM_DPICHANGED: {
            canvas_.setDpi(HIWORD(wParam));
            const RECT* to = reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(hwnd_, nullptr, to->left, to->top, to->right - to->left,
                         to->bottom - to->top, SWP_NOZORDER | SWP_NOACTIVATE);
            InvalidateRect(hwnd_, nullptr, FALSE);
            return 0;
        }
        case WM_CLOSE:
            // Closed by the system: no handler of the picker runs.
            closeWindow();
            return 0;
        default:
            return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

NativeWindow Win32ColorWindow::nativeWindow() const {
    return reinterpret_cast<NativeWindow>(hwnd_);
}

void Win32ColorWindow::showLoaded(float width, float height, const layout::TwipsRect& back,
                                  const layout::TwipsRect& topBar) {
    canvas_.look(index(Id::shpBack)).rect = back;
    canvas_.look(index(Id::picTopbar)).rect = topBar;
    SetWindowPos(hwnd_, nullptr, 0, 0, layout::twipsToPixels(width, canvas_.dpi()),
                 layout::twipsToPixels(height, canvas_.dpi()),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void Win32ColorWindow::showSwatch(int item, const layout::TwipsRect& rect, BgrColor color) {
    TableCanvas::Look& look = canvas_.look(index(Id::picPickColor), item);
    look.rect = rect;
    look.back = color;
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void Win32ColorWindow::showMarker(const layout::TwipsRect& rect) {
    TableCanvas::Look& look = canvas_.look(index(Id::shpPick));
    look.rect = rect;
    look.visible = true;
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void Win32ColorWindow::showConfirmLit(bool lit) {
    canvas_.look(index(Id::picCls)).picture =
        control(lit ? Id::picClsFocus : Id::picClsNormal).picture;
    const RECT r = canvas_.pixelRect(index(Id::picCls));
    InvalidateRect(hwnd_, &r, FALSE);
}

void Win32ColorWindow::showModal() {
    RECT owner = {};
    RECT mine = {};
    GetWindowRect(owner_, &owner);
    GetWindowRect(hwnd_, &mine);
    const int w = mine.right - mine.left;
    const int h = mine.bottom - mine.top;
    SetWindowPos(hwnd_, HWND_TOP, (owner.left + owner.right - w) / 2,
                 (owner.top + owner.bottom - h) / 2, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    SetForegroundWindow(hwnd_);
    // Modal: the owner takes no input until the picker closes.
    EnableWindow(owner_, FALSE);
    open_ = true;
    MSG msg;
    while (open_ && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        // No key closes the picker: keys for it are swallowed.
        if ((msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) && msg.hwnd == hwnd_) {
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (open_) {
        // WM_QUIT arrived while open: hand it on to the main loop.
        PostQuitMessage(static_cast<int>(msg.wParam));
    }
    EnableWindow(owner_, TRUE);
    ShowWindow(hwnd_, SW_HIDE);
    SetForegroundWindow(owner_);
}

void Win32ColorWindow::closeWindow() {
    open_ = false;
    ShowWindow(hwnd_, SW_HIDE);
}

void Win32ColorWindow::followPointer() {
    // Windows moves every window itself; nothing to follow.
}
