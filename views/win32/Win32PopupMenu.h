#pragma once

#include <string>
#include <utility>
#include <vector>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

// A pop-up menu of plain items with check marks, opened from the notification icon, with at most
// one submenu of checkable items.
class Win32PopupMenu {
  public:
    explicit Win32PopupMenu(const std::vector<std::string>& captionsUtf8);
    ~Win32PopupMenu();
    Win32PopupMenu(const Win32PopupMenu&) = delete;
    Win32PopupMenu& operator=(const Win32PopupMenu&) = delete;

    void setChecked(int index, bool on);
    bool checked(int index) const;
    // A disabled item is greyed and cannot be chosen.
    void setEnabled(int index, bool on);
    bool enabled(int index) const;
    // Opens the menu at (x, y) in screen pixels and waits for the choice; the index of the item
    // chosen, or -1 when the menu was dismissed. Item i of the submenu is kSubmenuItem + i.
    int popUp(HWND owner, int x, int y);

    static constexpr int kSubmenuItem = 1000;
    // The submenu `caption` before the item `beforeIndex`, holding `items` (caption, checked) in
    // order; with no items there is no submenu.
    void setSubmenu(int beforeIndex, const std::string& captionUtf8,
                    const std::vector<std::pair<std::string, bool>>& items);

    HMENU handle() const { return menu_; }

  private:
    HMENU menu_;
    int count_ = 0;
    int submenuAt_ = -1;  // the submenu's position, or -1
    int submenuCount_ = 0;
};
