#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "platform/win32/Win32Autostart.h"

namespace {

// The Run value's data as the registry holds it; empty when there is none.
std::wstring runValue() {
    wchar_t data[1024] = {};
    DWORD bytes = sizeof data - sizeof data[0];
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, Win32Autostart::kKey, 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS) {
        return {};
    }
    const LSTATUS status = RegQueryValueExW(key, Win32Autostart::kValue, nullptr, nullptr,
                                            reinterpret_cast<BYTE*>(data), &bytes);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? std::wstring(data) : std::wstring();
}

}  // namespace

// On writes the quoted path of the running exe under Run, off removes it; what is there is read
// afresh each time, so a value removed by hand shows as off.
TEST(Win32Autostart, WritesAndRemovesTheRunValue) {
    Win32Autostart autostart;
    const std::wstring self = Win32Autostart::runningProgram();
    ASSERT_GE(self.size(), 2u);
    EXPECT_EQ(self.front(), L'"');
    EXPECT_EQ(self.substr(self.size() - 16), L"\\test_win32.exe\"");

    ASSERT_EQ(autostart.set(true), "");
    EXPECT_TRUE(autostart.enabled());
    EXPECT_EQ(runValue(), self);
    EXPECT_EQ(autostart.set(true), "") << "on twice";

    RegDeleteKeyValueW(HKEY_CURRENT_USER, Win32Autostart::kKey, Win32Autostart::kValue);
    EXPECT_FALSE(autostart.enabled()) << "removed by hand";

    ASSERT_EQ(autostart.set(true), "");
    ASSERT_EQ(autostart.set(false), "");
    EXPECT_FALSE(autostart.enabled());
    EXPECT_EQ(runValue(), L"");
    EXPECT_EQ(autostart.set(false), "") << "off twice";
}
