#include "platform/wayland/WlrDisplayGamma.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "gamma/GammaEngine.h"
#include "gamma/RampMath.h"
#include "support/FakeWlrCompositor.h"

namespace {

constexpr auto settle = FakeWlrCompositor::settle;

std::optional<DisplayGamma::Output> outputNamed(WlrDisplayGamma& display, const std::string& name) {
    for (const auto& output : display.outputs()) {
        if (output.name == name) {
            return output;
        }
    }
    return std::nullopt;
}

class WlrDisplayGammaTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_FALSE(compositor.socket().empty()); }
    // Nothing the backend sends may be a protocol error: that would end its connection.
    void expectConnectionAlive() {
        EXPECT_EQ(compositor.errors(), std::vector<std::string>{});
        EXPECT_EQ(compositor.clients(), 1);
    }
    // The output's last table becomes `ramp` (of the compositor's own size, 256 here).
    bool lastTableIs(const std::string& name, const GammaRamp& ramp) {
        return settle([&] {
            const auto tables = compositor.tables(name);
            return !tables.empty() && tables.back() == std::vector<std::uint16_t>(
                                                           ramp.words.begin(), ramp.words.end());
        });
    }
    FakeWlrCompositor compositor;
};

TEST_F(WlrDisplayGammaTest, EveryOutputGetsTheRampAtItsOwnTableSize) {
    compositor.addOutput("HDMI-A-1", 256);
    compositor.addOutput("DP-1", 1024);
    WlrDisplayGamma display(compositor.socket());
    ASSERT_TRUE(display.hasGammaControl());
    EXPECT_EQ(display.refusal(), "");

    GammaRamp tint;
    ramp::buildAdjusted(ramp::identity(), -10, -24, -40, tint);
    std::size_t sent = 0;
    for (const GammaRamp& ramp : {ramp::identity(), tint}) {
        ++sent;
        for (const auto& [name, size] : {std::pair{"HDMI-A-1", 256}, std::pair{"DP-1", 1024}}) {
            SCOPED_TRACE(name);
            const auto output = outputNamed(display, name);
            ASSERT_TRUE(output.has_value());
            EXPECT_EQ(output->gammaSize, size);
            ASSERT_TRUE(display.apply(output->id, ramp));
            ASSERT_TRUE(settle([&] { return compositor.tables(name).size() == sent; }));
            const std::vector<std::uint16_t> table = compositor.tables(name).back();
            const auto n = static_cast<std::size_t>(size);
            ASSERT_EQ(table.size(), 3 * n);
            for (std::size_t c = 0; c < 3; ++c) {
                // Red, then green, then blue; the ends of each channel are the ramp's own, and
                // sampled back to 256 entries the table is the ramp again.
                const std::span<const std::uint16_t> channel(table.data() + c * n, n);
                EXPECT_EQ(channel.front(), ramp.at(c, 0));
                EXPECT_EQ(channel.back(), ramp.at(c, 255));
                GammaRamp back;
                ramp::sampleTo256(channel, back.channel(c));
                for (std::size_t i = 0; i < 256; ++i) {
                    ASSERT_NEAR(back.at(c, i), ramp.at(c, i), size == 256 ? 0 : 1)
                        << "channel " << c << " level " << i;
                }
            }
        }
    }
    expectConnectionAlive();
}

// A slider dragged while the compositor is busy: the socket fills up. Tables still to be sent may
// be merged, but the last one must arrive and the connection must survive.
TEST_F(WlrDisplayGammaTest, BurstOfRampsEndsWithTheLastOne) {
    compositor.addOutput("DP-1", 1024);
    WlrDisplayGamma display(compositor.socket());
    const auto output = outputNamed(display, "DP-1");
    ASSERT_TRUE(output.has_value());
    compositor.setReading(false);
    GammaRamp ramp;
    for (int i = 0; i < 1000; ++i) {
        ramp::buildAdjusted(ramp::identity(), -(i % 41), -(i / 41 % 41), -40 + i % 41, ramp);
        ASSERT_TRUE(display.apply(output->id, ramp)) << "apply " << i;
    }
    compositor.setReading(true);
    std::vector<std::uint16_t> expected(3 * 1024);
    for (std::size_t c = 0; c < 3; ++c) {
        ramp::spreadFrom256(ramp.channel(c),
                            std::span<std::uint16_t>(expected.data() + c * 1024, 1024));
    }
    EXPECT_TRUE(settle([&] {
        const auto tables = compositor.tables("DP-1");
        return !tables.empty() && tables.back() == expected;
    }));
    EXPECT_TRUE(display.hasGammaControl()) << display.refusal();
    expectConnectionAlive();
}

// Through the engine, as the tool runs it: nothing can be read, so tints are built on the identity.
TEST_F(WlrDisplayGammaTest, OutputsComeAndGoWhileRunning) {
    compositor.addOutput("HDMI-A-1", 256);
    WlrDisplayGamma display(compositor.socket());
    GammaEngine engine(display);
    GammaRamp tint;
    ramp::buildAdjusted(ramp::identity(), -20, -10, 0, tint);
    engine.SaveGamma();
    engine.SetGamma(-20, -10, 0);
    EXPECT_TRUE(lastTableIs("HDMI-A-1", tint));

    compositor.addOutput("DP-2", 256);  // plugged in while tinted
    EXPECT_TRUE(lastTableIs("DP-2", tint));
    const auto added = outputNamed(display, "DP-2");
    ASSERT_TRUE(added.has_value());

    compositor.removeOutput("DP-2");
    ASSERT_TRUE(settle([&] { return !outputNamed(display, "DP-2").has_value(); }));
    EXPECT_FALSE(display.apply(added->id, ramp::identity()));
    engine.SetDefault();
    EXPECT_TRUE(lastTableIs("HDMI-A-1", ramp::identity()));
    expectConnectionAlive();
}

// An output kept untinted by its wl_output name gets the identity (its base here) at night, also
// when it is plugged in again.
TEST_F(WlrDisplayGammaTest, UntintedOutputsKeepTheIdentity) {
    compositor.addOutput("HDMI-A-1", 256);
    compositor.addOutput("DP-2", 256);
    WlrDisplayGamma display(compositor.socket());
    GammaEngine engine(display);
    GammaRamp tint;
    ramp::buildAdjusted(ramp::identity(), -20, -10, 0, tint);
    engine.setUntinted({"DP-2"});
    engine.SaveGamma();
    engine.SetGamma(-20, -10, 0);
    EXPECT_TRUE(lastTableIs("HDMI-A-1", tint));
    EXPECT_TRUE(lastTableIs("DP-2", ramp::identity()));

    compositor.removeOutput("DP-2");
    ASSERT_TRUE(settle([&] { return engine.litOutputs().size() == 1; }));
    compositor.addOutput("DP-2", 256);
    ASSERT_TRUE(settle([&] { return engine.litOutputs().size() == 2; }));
    EXPECT_TRUE(lastTableIs("DP-2", ramp::identity()));
    const GammaRamp base = ramp::identity();
    for (const auto& table : compositor.tables("DP-2")) {
        EXPECT_EQ(table, std::vector<std::uint16_t>(base.words.begin(), base.words.end()))
            << "never tinted on the way";
    }
    expectConnectionAlive();
}

TEST_F(WlrDisplayGammaTest, RefusedOutputIsReportedOnceAndNotAskedAgain) {
    compositor.addOutput("HDMI-A-1", 256);
    compositor.addOutput("eDP-1", 256, /*held=*/true);
    testing::internal::CaptureStderr();
    WlrDisplayGamma display(compositor.socket());
    const auto good = outputNamed(display, "HDMI-A-1");
    ASSERT_TRUE(good.has_value());
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(display.apply(good->id, ramp::identity()));
    }
    ASSERT_TRUE(settle([&] { return compositor.tables("HDMI-A-1").size() == 5; }));
    const std::string err = testing::internal::GetCapturedStderr();

    EXPECT_EQ(err.find("dimwarden: "), 0u) << err;
    EXPECT_NE(err.find("eDP-1"), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_EQ(compositor.controlsAsked("eDP-1"), 1);
    EXPECT_FALSE(outputNamed(display, "eDP-1").has_value());
    EXPECT_EQ(display.refusal(), "");  // one screen still takes tables
    expectConnectionAlive();
}

// Where nothing can be tinted, the user is told why in one sentence.
TEST(WlrDisplayGammaRefusal, SaysWhyNoTableCanBeSet) {
    FakeWlrCompositor withoutManager(/*offerGammaControl=*/false);
    withoutManager.addOutput("HDMI-A-1", 256);
    FakeWlrCompositor allHeld;
    allHeld.addOutput("HDMI-A-1", 256, /*held=*/true);
    testing::internal::CaptureStderr();
    const struct {
        std::string socket;
        bool gammaControl;
        const char* says;
    } cases[] = {
        {withoutManager.socket(), false, "GNOME"},
        {allHeld.socket(), true, "another program"},
        {"wayland-no-such-socket", false, "no Wayland compositor"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.says);
        WlrDisplayGamma display(c.socket);
        EXPECT_EQ(display.hasGammaControl(), c.gammaControl);
        EXPECT_TRUE(display.outputs().empty());
        EXPECT_NE(display.refusal().find(c.says), std::string::npos) << display.refusal();
        EXPECT_FALSE(display.apply(1, ramp::identity()));
    }
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(withoutManager.errors().size() + allHeld.errors().size(), 0u);
}

}  // namespace
