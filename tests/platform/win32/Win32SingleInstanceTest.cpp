#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>

#include "platform/win32/Win32SingleInstance.h"

// One name per test run, so that a tool running in the same Wine prefix is not disturbed.
TEST(Win32SingleInstance, TheFirstHoldsTheSessionUntilItEnds) {
    const std::wstring name = L"Local\\Dimwarden.Test." + std::to_wstring(GetCurrentProcessId());
    auto first = std::make_unique<Win32SingleInstance>(name);
    EXPECT_FALSE(first->anotherRunning());
    EXPECT_FALSE(first->anotherRunning()) << "asking again is not a second instance";

    Win32SingleInstance second(name);
    EXPECT_TRUE(second.anotherRunning());
    Win32SingleInstance otherName(name + L".other");
    EXPECT_FALSE(otherName.anotherRunning());

    first.reset();  // the process ends
    EXPECT_FALSE(Win32SingleInstance(name).anotherRunning()) << "no stale lock";
}
