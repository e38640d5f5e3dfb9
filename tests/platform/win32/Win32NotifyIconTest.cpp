#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "platform/win32/Win32NotifyIcon.h"
#include "views/win32/Win32PopupMenu.h"

namespace {
constexpr UINT kCallback = WM_APP + 1;
}  // namespace

TEST(Win32NotifyIcon, TurnsTheIconsMouseMessagesIntoClicks) {
    Win32NotifyIcon icon(kCallback);
    ASSERT_NE(icon.window(), nullptr);
    std::vector<Win32NotifyIcon::Click> clicks;
    icon.onClick = [&clicks](Win32NotifyIcon::Click c) { clicks.push_back(c); };

    struct Case {
        UINT mouse;
        std::optional<Win32NotifyIcon::Click> click;
    };
    const Case cases[] = {
        {WM_LBUTTONDOWN, Win32NotifyIcon::Click::LeftPress},
        {WM_LBUTTONDBLCLK, Win32NotifyIcon::Click::DoubleClick},
        {WM_RBUTTONDOWN, Win32NotifyIcon::Click::RightPress},
        {WM_MBUTTONDOWN, Win32NotifyIcon::Click::MiddlePress},
        {WM_MOUSEMOVE, std::nullopt},
        {WM_LBUTTONUP, std::nullopt},
        {WM_RBUTTONUP, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mouse);
        clicks.clear();
        // Through the icon's own hidden window, as the shell sends them.
        EXPECT_EQ(SendMessageW(icon.window(), kCallback, 1, c.mouse), 0);
        EXPECT_EQ(clicks, c.click ? std::vector{*c.click} : std::vector<Win32NotifyIcon::Click>{});
    }
    clicks.clear();
    EXPECT_FALSE(icon.handleMessage(kCallback, 2, WM_LBUTTONDOWN)) << "another icon's";
    EXPECT_FALSE(icon.handleMessage(WM_MOUSEMOVE, 0, 0)) << "the window's own";
    EXPECT_TRUE(clicks.empty());
}

// Explorer restarted: the icon that was wanted is added to the new taskbar, one that was removed
// is not.
TEST(Win32NotifyIcon, ANewTaskbarGetsTheIconAgainOnlyWhileWanted) {
    Win32NotifyIcon icon(kCallback);
    const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    ASSERT_NE(taskbarCreated, 0u);
    icon.add("澄岚电脑夜间模式工具");
    EXPECT_TRUE(icon.wanted());
    EXPECT_TRUE(icon.handleMessage(taskbarCreated, 0, 0));
    EXPECT_TRUE(icon.wanted());
    icon.remove();
    EXPECT_TRUE(icon.handleMessage(taskbarCreated, 0, 0));
    EXPECT_FALSE(icon.wanted());
}

TEST(Win32PopupMenu, ItemsInOrderWithTheirCheckMarks) {
    Win32PopupMenu menu({"夜间模式(Night)", "正常模式(Normal)", "退出程序(Exit)"});
    ASSERT_EQ(GetMenuItemCount(menu.handle()), 3);
    wchar_t text[64] = {};
    ASSERT_GT(GetMenuStringW(menu.handle(), 1, text, 64, MF_BYPOSITION), 0);
    EXPECT_STREQ(text, L"正常模式(Normal)");
    menu.setChecked(0, true);
    menu.setChecked(1, true);
    menu.setChecked(1, false);
    EXPECT_TRUE(menu.checked(0));
    EXPECT_FALSE(menu.checked(1));
    EXPECT_FALSE(menu.checked(2));
    EXPECT_TRUE(menu.enabled(2));
    menu.setEnabled(2, false);
    EXPECT_FALSE(menu.enabled(2));
    EXPECT_TRUE(menu.enabled(1));
    menu.setEnabled(2, true);
    EXPECT_TRUE(menu.enabled(2));
}

// The monitors submenu goes above Exit, replaces itself and goes away with no items.
TEST(Win32PopupMenu, SubmenuAboveExitWithItsChecks) {
    Win32PopupMenu menu({"夜间模式(Night)", "正常模式(Normal)", "退出程序(Exit)"});
    menu.setSubmenu(2, "显示器 [Monitors]", {{"DISPLAY1", true}, {"DISPLAY2 (Dell)", false}});
    menu.setSubmenu(2, "显示器 [Monitors]", {{"DISPLAY1", true}, {"DISPLAY2 (Dell)", false}});
    ASSERT_EQ(GetMenuItemCount(menu.handle()), 4);
    wchar_t text[64] = {};
    ASSERT_GT(GetMenuStringW(menu.handle(), 2, text, 64, MF_BYPOSITION), 0);
    EXPECT_STREQ(text, L"显示器 [Monitors]");
    ASSERT_GT(GetMenuStringW(menu.handle(), 3, text, 64, MF_BYPOSITION), 0);
    EXPECT_STREQ(text, L"退出程序(Exit)");
    HMENU sub = GetSubMenu(menu.handle(), 2);
    ASSERT_NE(sub, nullptr);
    ASSERT_EQ(GetMenuItemCount(sub), 2);
    ASSERT_GT(GetMenuStringW(sub, 1, text, 64, MF_BYPOSITION), 0);
    EXPECT_STREQ(text, L"DISPLAY2 (Dell)");
    EXPECT_NE(GetMenuState(sub, 0, MF_BYPOSITION) & MF_CHECKED, 0u);
    EXPECT_EQ(GetMenuState(sub, 1, MF_BYPOSITION) & MF_CHECKED, 0u);
    menu.setChecked(2, true);  // Exit's check by index is untouched by the submenu
    EXPECT_TRUE(menu.checked(2));

    menu.setSubmenu(2, "显示器 [Monitors]", {});
    EXPECT_EQ(GetMenuItemCount(menu.handle()), 3);
}
