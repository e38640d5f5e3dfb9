#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "gamma/GammaRamp.h"
#include "platform/win32/Win32DisplayGamma.h"

// DIMWARDEN_DISPLAY_GAMMA says what the display under the test can do: "fails" (Wine on Xvfb,
// which has no XF86VidMode) or "works" (Wine on the dummy Xorg). Unset, either is accepted, but
// the calls must agree with each other.
TEST(Win32DisplayGamma, CallsSucceedTogetherOrLeaveTheRampAlone) {
    const char* env = std::getenv("DIMWARDEN_DISPLAY_GAMMA");
    const std::string expected = env != nullptr ? env : "";
    Win32DisplayGamma display;
    const auto outputs = display.outputs();
    ASSERT_EQ(outputs.size(), 1u);  // the whole screen
    const DisplayGamma::OutputId id = outputs.front().id;
    GammaRamp sentinel;
    sentinel.words.fill(0x1234);

    GammaRamp original = sentinel;
    const bool readable = display.read(id, original);
    // A gentle dimming of the identity, which any display accepts.
    GammaRamp dimmed;
    for (std::size_t i = 0; i < dimmed.words.size(); ++i) {
        dimmed.words[i] = static_cast<std::uint16_t>((i % 256) * 200);
    }
    const bool applied = display.apply(id, dimmed);
    GammaRamp back = sentinel;
    const bool readBack = display.read(id, back);

    if (applied) {
        ASSERT_TRUE(readable && readBack);
        // A display may keep fewer bits per entry (8 on the dummy Xorg) than the ramp carries.
        for (std::size_t i = 0; i < back.words.size(); ++i) {
            ASSERT_LT(std::abs(back.words[i] - dimmed.words[i]), 257) << "entry " << i;
        }
        EXPECT_TRUE(display.apply(id, original));
    }
    if (!readable) {
        EXPECT_EQ(original.words, sentinel.words) << "a failed read must not touch the ramp";
    }
    if (!readBack) {
        EXPECT_EQ(back.words, sentinel.words) << "a failed read must not touch the ramp";
    }
    if (expected == "fails") {
        EXPECT_FALSE(readable || applied || readBack);
    } else if (expected == "works") {
        EXPECT_TRUE(readable && applied);
    }
}
