#include "views/win32/Win32PopupMenu.h"

#include "platform/win32/common/WinText.h"

namespace {
// Command ids are the item's index plus this: TrackPopupMenu reports 0 for "nothing chosen".
constexpr UINT kFirstId = 1;
}  // namespace

Win32PopupMenu::Win32PopupMenu(const std::vector<std::string>& captionsUtf8)
    : menu_(CreatePopupMenu()) {
    for (const std::string& caption : captionsUtf8) {
        AppendMenuW(menu_, MF_STRING, kFirstId + static_cast<UINT>(count_++),
                    win::toWide(caption).c_str());
    }
}

Win32PopupMenu::~Win32PopupMenu() {
    if (menu_ != nullptr) {
        DestroyMenu(menu_);
    }
}

void Win32PopupMenu::setChecked(int index, bool on) {
    CheckMenuItem(menu_, kFirstId + static_cast<UINT>(index),
                  MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

bool Win32PopupMenu::checked(int index) const {
    const UINT state = GetMenuState(menu_, kFirstId + static_cast<UINT>(index), MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && (state & MF_CHECKED) != 0;
}

void Win32PopupMenu::setSubmenu(int beforeIndex, const std::string& captionUtf8,
                                const std::vector<std::pair<std::string, bool>>& items) {
    if (submenuAt_ >= 0) {
        DeleteMenu(menu_, static_cast<UINT>(submenuAt_), MF_BYPOSITION);  // destroys it too
        submenuAt_ = -1;
        submenuCount_ = 0;
    }
    if (items.empty()) {
        return;
    }
    HMENU sub = CreatePopupMenu();
    for (const auto& [caption, on] : items) {
        AppendMenuW(sub, MF_STRING | (on ? MF_CHECKED : MF_UNCHECKED),
                    kFirstId + static_cast<UINT>(kSubmenuItem + submenuCount_++),
                    win::toWide(caption).c_str());
    }
    InsertMenuW(menu_, static_cast<UINT>(beforeIndex), MF_BYPOSITION | MF_POPUP | MF_STRING,
                reinterpret_cast<UINT_PTR>(sub), win::toWide(captionUtf8).c_str());
    submenuAt_ = beforeIndex;
}

void Win32PopupMenu::setEnabled(int index, bool on) {
    EnableMenuItem(menu_, kFirstId + static_cast<UINT>(index),
                   MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
}

bool Win32PopupMenu::enabled(int index) const {
    const UINT state = GetMenuState(menu_, kFirstId + static_cast<UINT>(index), MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && (state & (MF_GRAYED | MF_DISABLED)) == 0;
}

int Win32PopupMenu::popUp(HWND owner, int x, int y) {
    // Without the owner in the foreground the menu does not close when the user clicks elsewhere;
    // the posted message lets it close on the next click as well.
    SetForegroundWindow(owner);
    const UINT chosen = static_cast<UINT>(TrackPopupMenu(
        menu_, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, x, y, 0, owner, nullptr));
    PostMessageW(owner, WM_NULL, 0, 0);
    const int index = static_cast<int>(chosen) - static_cast<int>(kFirstId);
    const bool item = index >= 0 && index < count_;
    const bool subItem = index >= kSubmenuItem && index < kSubmenuItem + submenuCount_;
    return item || subItem ? index : -1;
}
