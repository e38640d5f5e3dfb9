#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <set>
#include <string>

#include "gamma/GammaEngine.h"
#include "gamma/GammaRamp.h"
#include "gamma/RampMath.h"
#include "platform/win32/Win32DisplayGamma.h"
#include "platform/win32/common/WinText.h"

namespace {

// DIMWARDEN_DISPLAY_GAMMA says what the display under the test can do: "fails" (Wine on Xvfb,
// which has no XF86VidMode) or "works" (Wine on the dummy Xorg). Unset, either is accepted, but
// the calls must agree with each other.
std::string expected() {
    const char* env = std::getenv("DIMWARDEN_DISPLAY_GAMMA");
    return env != nullptr ? env : "";
}

GammaRamp scaled(int numerator) {
    GammaRamp r;
    for (std::size_t i = 0; i < r.words.size(); ++i) {
        r.words[i] = static_cast<std::uint16_t>((i % 256) * numerator);
    }
    return r;
}

}  // namespace

TEST(Win32DisplayGamma, ListsEveryDeviceUnderItsOwnName) {
    Win32DisplayGamma display;
    const auto outputs = display.outputs();
    ASSERT_FALSE(outputs.empty());
    std::set<DisplayGamma::OutputId> ids;
    int lit = 0;
    for (const auto& o : outputs) {
        // "\\.\DISPLAY1", then the monitor's name in brackets where the system gives one.
        ASSERT_EQ(o.name.rfind("\\\\.\\DISPLAY", 0), 0u) << o.name;
        const std::string device = o.name.substr(0, o.name.find(' '));
        EXPECT_EQ(o.id, Win32DisplayGamma::idOf(win::toWide(device))) << o.name;
        EXPECT_EQ(o.gammaSize, 256);
        ids.insert(o.id);
        lit += o.active ? 1 : 0;
    }
    EXPECT_EQ(ids.size(), outputs.size()) << "one id per device";
    EXPECT_GE(lit, 1);
    // The ids hold from one listing (and one run) to the next: the crash journal relies on it.
    EXPECT_EQ(display.outputs().front().id, outputs.front().id);
    EXPECT_TRUE(display.refusal().empty());
}

TEST(Win32DisplayGamma, CallsSucceedTogetherOrLeaveTheRampAlone) {
    Win32DisplayGamma display;
    GammaRamp sentinel;
    sentinel.words.fill(0x1234);
    for (const auto& o : display.outputs()) {
        if (!o.active) {
            continue;
        }
        SCOPED_TRACE(o.name);
        GammaRamp original = sentinel;
        const bool readable = display.read(o.id, original);
        // A gentle dimming of the identity, which any display accepts.
        const GammaRamp dimmed = scaled(200);
        const bool applied = display.apply(o.id, dimmed);
        GammaRamp back = sentinel;
        const bool readBack = display.read(o.id, back);

        if (applied) {
            ASSERT_TRUE(readable && readBack);
            // A display may keep fewer bits per entry (8 on the dummy Xorg) than the ramp carries.
            for (std::size_t i = 0; i < back.words.size(); ++i) {
                ASSERT_LT(std::abs(back.words[i] - dimmed.words[i]), 257) << "entry " << i;
            }
            EXPECT_TRUE(display.apply(o.id, original));
        }
        if (!readable) {
            EXPECT_EQ(original.words, sentinel.words) << "a failed read must not touch the ramp";
        }
        if (!readBack) {
            EXPECT_EQ(back.words, sentinel.words) << "a failed read must not touch the ramp";
        }
        if (expected() == "fails") {
            EXPECT_FALSE(readable || applied || readBack);
        } else if (expected() == "works") {
            EXPECT_TRUE(readable && applied);
        }
    }
    // An id no device has is refused without a call.
    GammaRamp untouched = sentinel;
    EXPECT_FALSE(display.read(Win32DisplayGamma::idOf(L"\\\\.\\NOSUCHDISPLAY"), untouched));
    EXPECT_EQ(untouched.words, sentinel.words);
}

// A refused ramp is said once, and refusal() gives the reason to show. Wine refuses ramps it
// cannot express (on Xvfb every ramp); Windows refuses ramps far from the identity.
TEST(Win32DisplayGamma, ARefusedRampIsToldOnce) {
    Win32DisplayGamma display;
    int told = 0;
    display.onRefused = [&told] { ++told; };
    GammaEngine engine(display);
    engine.SaveGamma();
    engine.SetGamma(0, 0, 0);
    const bool tookIdentity = engine.accepted();
    // All black: the darkest a ramp can be, refused by Windows without the full-range setting.
    GammaRamp black;
    const auto id = display.outputs().front().id;
    GammaRamp before;
    const bool readable = display.read(id, before);
    const bool blackTaken = display.apply(id, black);
    display.apply(id, black);
    engine.SetDefault();

    if (expected() == "fails") {
        EXPECT_FALSE(tookIdentity);
        EXPECT_EQ(told, 1);
        EXPECT_EQ(display.refusal(), "Windows or the display driver refused every gamma ramp");
    }
    if (!blackTaken) {
        EXPECT_EQ(told, 1) << "told once, however often refused";
        EXPECT_FALSE(display.refusal().empty());
        if (tookIdentity) {
            EXPECT_NE(display.refusal().find("GdiIcmGammaRange"), std::string::npos)
                << display.refusal();
        }
    } else {
        EXPECT_EQ(told, 0);
        EXPECT_TRUE(display.refusal().empty());
    }
    if (readable) {
        display.apply(id, before);
    }
    std::printf("[ note ] black ramp %s\n", blackTaken ? "taken" : "refused");
}

// WM_DISPLAYCHANGE brings every lit device to the current ramp through the engine.
TEST(Win32DisplayGamma, DisplayChangeWritesTheCurrentRampAgain) {
    Win32DisplayGamma display;
    GammaEngine engine(display);
    engine.SaveGamma();
    engine.SetGamma(-20, -20, -20);
    if (!engine.accepted()) {
        GTEST_SKIP() << "this display takes no ramps";
    }
    const auto id = display.outputs().front().id;
    const GammaRamp tinted = engine.output(id)->lastWritten;
    ASSERT_TRUE(display.apply(id, engine.output(id)->base));  // as a mode set may do
    display.displayChanged();
    GammaRamp now;
    ASSERT_TRUE(display.read(id, now));
    for (std::size_t i = 0; i < now.words.size(); ++i) {
        ASSERT_LT(std::abs(now.words[i] - tinted.words[i]), 257) << "entry " << i;
    }
    engine.SetDefault();
}

namespace {

// A device that answers TRUE to every write and keeps what `keep` makes of it: the written ramp,
// its 8-bit rounding, or nothing at all (the ramp it had stays).
struct SilentDevice : Win32DisplayGamma::DeviceRamps {
    std::function<bool(const GammaRamp&)> keeps;
    bool readable = true;
    bool eightBits = false;
    GammaRamp held = ramp::identity();
    bool get(const std::wstring&, GammaRamp& r) override {
        r = held;
        return readable;
    }
    bool set(const std::wstring&, const GammaRamp& r) override {
        if (keeps(r)) {
            held = r;
            if (eightBits) {
                for (auto& w : held.words) {
                    w = static_cast<std::uint16_t>((w >> 8) * 257);
                }
            }
        }
        return true;
    }
};

}  // namespace

// A write the call says it took but the device did not keep counts as refused, as a FALSE
// return does: told once, with the full-range note once some ramp was taken.
TEST(Win32DisplayGamma, ARampThatReadsBackUnlikeTheWrittenOneIsRefused) {
    const auto any = [](const GammaRamp&) { return true; };
    const auto none = [](const GammaRamp&) { return false; };
    // Keeps ramps no darker at the top than half: the identity goes, the dark ramp not.
    const auto bright = [](const GammaRamp& r) { return r.words[255] >= 32768; };
    struct Case {
        const char* what;
        std::function<bool(const GammaRamp&)> keeps;
        bool eightBits;
        bool readable;
        bool identityTaken, darkTaken;
        const char* refusal;  // a part of refusal() afterwards; null: none
    };
    const Case cases[] = {
        {"kept as written", any, false, true, true, true, nullptr},
        {"kept at 8 bits a word", any, true, true, true, true, nullptr},
        {"nothing kept", none, false, true, false, false, "refused every gamma ramp"},
        {"only the bright kept", bright, false, true, true, false, "GdiIcmGammaRange"},
        {"not readable: taken at its word", none, false, false, true, true, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SilentDevice device;
        device.keeps = c.keeps;
        device.eightBits = c.eightBits;
        device.readable = c.readable;
        device.held = scaled(100);  // what the device had before: unlike both ramps written
        Win32DisplayGamma display(&device);
        int told = 0;
        display.onRefused = [&told] { ++told; };
        const auto id = display.outputs().front().id;
        EXPECT_EQ(display.apply(id, ramp::identity()), c.identityTaken);
        EXPECT_EQ(display.apply(id, scaled(40)), c.darkTaken);
        EXPECT_EQ(display.apply(id, scaled(40)), c.darkTaken);
        EXPECT_EQ(told, c.refusal != nullptr ? 1 : 0);
        if (c.refusal != nullptr) {
            EXPECT_NE(display.refusal().find(c.refusal), std::string::npos) << display.refusal();
        } else {
            EXPECT_EQ(display.refusal(), "");
        }
    }
}
