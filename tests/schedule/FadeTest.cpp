#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "gamma/GammaEngine.h"
#include "gamma/RampMath.h"
#include "schedule/Scheduler.h"
#include "support/EngineScheduleTarget.h"
#include "support/MemoryClock.h"
#include "support/MemoryDisplayGamma.h"

namespace {

constexpr BgrColor kColor(0x00FF8000);

// A calibration a display may really carry (rising in every channel), so that it is each output's
// base.
GammaRamp calibrated(int seed) {
    GammaRamp r;
    for (std::size_t c = 0; c < GammaRamp::kChannels; ++c) {
        for (std::size_t i = 0; i < GammaRamp::kLevels; ++i) {
            r.at(c, i) = static_cast<std::uint16_t>(i * (180 + seed + 10 * c) + (i * i) % 97);
        }
    }
    return r;
}

// Two displays with the same calibrated ramps on two outputs (one of 1024 entries): one gets the
// schedule's fade, the other the instant switch. Their last ramps must be the same, bit for bit.
struct Rig {
    MemoryDisplayGamma display;
    std::unique_ptr<GammaEngine> engine;
    Rig() {
        display.setTables(calibrated(7));
        display.add(1024).setTables(calibrated(8));
        engine = std::make_unique<GammaEngine>(display);
        engine->SaveGamma();
    }
};

TEST(Fade, EndsOnTheInstantSwitchsRampBitForBit) {
    for (const bool toNight : {true, false}) {
        SCOPED_TRACE(toNight ? "to night" : "to normal");
        Rig faded;
        Rig instant;
        MemoryClock clock;
        clock.nowMs = utcMs(2026, 1, 10, toNight ? 12 : 2);
        MemoryAlarm alarm;
        EngineScheduleTarget target(*faded.engine, kColor, true);
        EngineScheduleTarget reference(*instant.engine, kColor, true);
        // Both start in the mode the schedule wants before the change.
        Scheduler scheduler(target, clock, alarm);
        scheduler.setSchedule(*schedule::parse("22:00-07:00").schedule);
        scheduler.setAutomatic(true);
        scheduler.start();
        toNight ? reference.switchToNormal() : reference.switchToNight();

        alarm.runUntil(clock, clock.nowMs + 10 * 3'600'000LL + 300'000);
        ASSERT_GE(target.blends, 1199);
        toNight ? reference.switchToNight() : reference.switchToNormal();
        for (const DisplayGamma::OutputId id :
             {MemoryDisplayGamma::kFirst, DisplayGamma::OutputId{2}}) {
            SCOPED_TRACE(id);
            const auto& fadedRamps = faded.display.at(id).applied;
            const auto& instantRamps = instant.display.at(id).applied;
            ASSERT_FALSE(fadedRamps.empty());
            EXPECT_EQ(faded.display.at(id).current(), instant.display.at(id).current());
            EXPECT_EQ(fadedRamps.back(), instantRamps.back());
        }
    }
}

TEST(Fade, BlendsRunFromTheShownRampToTheTargetEntryByEntry) {
    Rig rig;
    const GammaRamp base = rig.display.current();
    rig.engine->SetGamma(-40, -20, 0);
    const GammaRamp night = rig.display.current();
    rig.engine->SetBlend(GammaEngine::Request::base(), 0.0);
    EXPECT_EQ(rig.display.current(), night);
    rig.engine->SetBlend(GammaEngine::Request::base(), 0.25);
    const GammaRamp quarter = rig.display.current();
    rig.engine->SetBlend(GammaEngine::Request::base(), 1.0);
    EXPECT_EQ(rig.display.current(), base);
    for (std::size_t i = 0; i < GammaRamp::kWords; ++i) {
        const double expected = night.words[i] + (base.words[i] - night.words[i]) * 0.25;
        ASSERT_NEAR(quarter.words[i], expected, 0.5) << "word " << i;
    }
    // A newly lit output joins the blend where it stands.
    rig.engine->SetBlend(GammaEngine::Request::base(), 0.5);
    MemoryOutput& late = rig.display.add();
    late.setTables(calibrated(9));
    rig.display.announce();
    GammaRamp expected;
    const GammaRamp lateBase = calibrated(9);
    ramp::buildAdjusted(lateBase, -40, -20, 0, expected);
    for (std::size_t i = 0; i < GammaRamp::kWords; ++i) {
        expected.words[i] = static_cast<std::uint16_t>(
            ramp::rne(expected.words[i] + (lateBase.words[i] - expected.words[i]) * 0.5));
    }
    EXPECT_EQ(late.current(), expected);
    // Any other operation ends the blend.
    rig.engine->SetGamma(0, 0, 0);
    EXPECT_EQ(rig.display.current(), base);
}

}  // namespace
