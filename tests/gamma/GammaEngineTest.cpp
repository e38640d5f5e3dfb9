#include "gamma/GammaEngine.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "gamma/RampMath.h"
#include "support/MemoryDisplayGamma.h"
#include "support/Ramps.h"

namespace {

GammaRamp filled(std::uint16_t value) {
    GammaRamp r;
    r.words.fill(value);
    return r;
}

class GammaEngineTest : public ::testing::Test {
  protected:
    void SetUp() override { display.setTables(calibrated()); }

    // The remembered ramp of the display's first output.
    GammaRamp saved() const {
        const GammaEngine::OutputState* s = engine.output(MemoryDisplayGamma::kFirst);
        return s != nullptr ? s->savedRamp : GammaRamp{};
    }

    MemoryDisplayGamma display;
    GammaEngine engine{display};
};

TEST_F(GammaEngineTest, SaveGammaRemembersTheScreensRamp) {
    engine.SaveGamma();
    EXPECT_EQ(saved(), calibrated());
    EXPECT_TRUE(display.applied.empty());
}

TEST_F(GammaEngineTest, NeutralOffsetsApplyTheSavedRampBitForBit) {
    engine.SaveGamma();
    for (int offset : {0, -1}) {
        engine.SetGamma(offset, offset, offset);
        ASSERT_FALSE(display.applied.empty());
        EXPECT_EQ(display.applied.back(), calibrated()) << "offset " << offset;
    }
}

TEST_F(GammaEngineTest, AdjustmentsDeriveFromTheSavedRampAndNeverAccumulate) {
    engine.SaveGamma();
    engine.SetGamma(-40, -40, -40);
    const GammaRamp first = display.applied.back();
    EXPECT_NE(first, calibrated());
    engine.SetGamma(-40, -40, -40);
    EXPECT_EQ(display.applied.back(), first);  // not dimmed a second time

    engine.SetGamma(0, 0, 0);
    EXPECT_EQ(display.current(), calibrated());
    EXPECT_EQ(saved(), calibrated());
    EXPECT_EQ(display.applied.size(), 3u);
}

TEST_F(GammaEngineTest, EachChannelTakesItsOwnOffset) {
    display.setTables(ramp::identity());
    engine.SaveGamma();
    engine.SetGamma(-40, 0, 40);
    const GammaRamp& sent = display.applied.back();
    for (std::size_t i = 0; i < 256; ++i) {
        ASSERT_EQ(sent.at(0, i), i * 128);
        ASSERT_EQ(sent.at(1, i), i * 256);
        ASSERT_EQ(sent.at(2, i), 32768 + i * 128);
    }
}

TEST_F(GammaEngineTest, SmallOffsetOnMidGrey) {
    display.setTables(filled(32768));
    engine.SaveGamma();
    engine.SetGamma(-3, 0, 0);
    EXPECT_EQ(display.applied.back().at(0, 77), 31130);
    EXPECT_EQ(display.applied.back().at(1, 77), 32768);
}

// Normal mode gives the screen back the ramp it had before the first tint; only a ramp that no
// display would keep (all zero, or falling somewhere) is replaced by the identity.
TEST_F(GammaEngineTest, SetDefaultWritesTheBaseAndKeepsTheSavedRamp) {
    GammaRamp falling = ramp::identity();
    falling.at(1, 200) = 0;
    const struct {
        const char* what;
        GammaRamp start;
        GammaRamp expected;
    } cases[] = {{"calibrated", calibrated(), calibrated()},
                 {"all zero", GammaRamp{}, ramp::identity()},
                 {"falling", falling, ramp::identity()}};
    for (const auto& c : cases) {
        MemoryDisplayGamma screen;
        screen.setTables(c.start);
        GammaEngine e(screen);
        e.SaveGamma();
        e.SetGamma(-40, -40, -40);
        e.SetDefault();
        EXPECT_EQ(screen.applied.back(), c.expected) << c.what;
        EXPECT_EQ(e.output(MemoryDisplayGamma::kFirst)->savedRamp, c.start) << c.what;
    }
}

TEST_F(GammaEngineTest, AfterNormalModeTheReportedIdentityIsTheNewBase) {
    engine.SaveGamma();
    engine.SetDefault();
    // The screen reports the identity back in its own way (8-bit hardware: i * 257).
    GammaRamp reported;
    for (std::size_t k = 0; k < GammaRamp::kWords; ++k) {
        reported.words[k] = static_cast<std::uint16_t>((k % 256) * 257);
    }
    display.setTables(reported);
    engine.SaveGamma();
    EXPECT_EQ(saved(), reported);

    engine.SetGamma(0, 0, 0);
    EXPECT_EQ(display.applied.back(), reported);
    engine.SetGamma(-40, -40, -40);
    EXPECT_EQ(display.applied.back().at(0, 255), 32768);  // 65535 / 2, tie to even
}

TEST_F(GammaEngineTest, RestoreGammaAppliesTheSavedRamp) {
    engine.SaveGamma();
    engine.SetGamma(-20, -30, -40);
    engine.RestoreGamma();
    EXPECT_EQ(display.applied.back(), calibrated());
    EXPECT_EQ(display.current(), calibrated());
}

TEST_F(GammaEngineTest, FailedReadLeavesTheSavedRampUnchanged) {
    display.refuseRead = true;
    engine.SaveGamma();
    EXPECT_EQ(engine.output(MemoryDisplayGamma::kFirst), nullptr);  // never read: left alone
    engine.SetGamma(-40, -40, -40);
    EXPECT_TRUE(display.applied.empty());

    display.refuseRead = false;
    engine.SaveGamma();
    display.setTables(filled(4242));
    display.refuseRead = true;
    engine.SaveGamma();
    EXPECT_EQ(saved(), calibrated());
}

TEST_F(GammaEngineTest, RefusedApplyChangesNothingOnTheScreen) {
    engine.SaveGamma();
    display.refuseApply = true;
    engine.SetGamma(-40, -40, -40);
    engine.SetDefault();
    engine.RestoreGamma();
    EXPECT_TRUE(display.applied.empty());
    EXPECT_EQ(display.current(), calibrated());
    EXPECT_EQ(saved(), calibrated());
}

}  // namespace
