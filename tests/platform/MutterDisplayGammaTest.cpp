#include "platform/mutter/MutterDisplayGamma.h"

#include <gtest/gtest.h>

#include <QTest>
#include <chrono>
#include <optional>

#include "gamma/GammaEngine.h"
#include "gamma/RampMath.h"
#include "support/FakeMutter.h"
#include "support/HeadlessMutter.h"
#include "support/PrivateBus.h"
#include "support/Ramps.h"

namespace {

using Clock = std::chrono::steady_clock;
using Id = DisplayGamma::OutputId;

// What Mutter should hold after `ramp` was applied to a table of `size` entries.
FakeMutter::Tables spread(const GammaRamp& ramp, std::size_t size) {
    FakeMutter::Tables t;
    for (std::size_t c = 0; c < 3; ++c) {
        t[c].resize(size);
        ramp::spreadFrom256(ramp.channel(c), t[c]);
    }
    return t;
}

GammaRamp sampled(const FakeMutter::Tables& t) {
    GammaRamp r;
    for (std::size_t c = 0; c < 3; ++c) {
        ramp::sampleTo256(t[c], r.channel(c));
    }
    return r;
}

// Two lit CRTCs with tables of 256 and 1024 entries, and an unused one.
const std::vector<FakeMutter::Crtc> kLayout{
    {41, 256, true, "DP-1"}, {42, 1024, true, "HDMI-A-1"}, {43, 256, false, {}}};

class MutterDisplayGammaTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!PrivateBus::available()) {
            GTEST_SKIP() << "dbus-daemon is not installed";
        }
        ASSERT_TRUE(bus_.running()) << bus_.error().toStdString();
        fake_.emplace(bus_.address(), kLayout);
        ASSERT_TRUE(fake_->running());
        backend_.emplace(bus_.connect());
    }

    PrivateBus bus_;
    std::optional<FakeMutter> fake_;
    std::optional<MutterDisplayGamma> backend_;
};

TEST_F(MutterDisplayGammaTest, ListsEveryTableAndMovesThemExactly) {
    const auto outputs = backend_->outputs();
    ASSERT_EQ(outputs.size(), 3u);
    EXPECT_TRUE(backend_->refusal().empty());
    for (const auto& [id, name, size, active] : {std::tuple{41, "DP-1", 256, true},
                                                 {42, "HDMI-A-1", 1024, true},
                                                 {43, "CRTC 43", 256, false}}) {
        SCOPED_TRACE(name);
        const auto it = std::find_if(outputs.begin(), outputs.end(),
                                     [id = id](const auto& o) { return o.id == Id(id); });
        ASSERT_NE(it, outputs.end());
        EXPECT_EQ(it->name, name);
        EXPECT_EQ(it->gammaSize, size);
        EXPECT_EQ(it->active, active);

        GammaRamp base;
        ASSERT_TRUE(backend_->read(id, base));
        EXPECT_EQ(base, sampled(fake_->tables(id)));
        ASSERT_TRUE(backend_->apply(id, patterned(id)));
        EXPECT_EQ(fake_->tables(id), spread(patterned(id), size));
    }
    EXPECT_FALSE(backend_->apply(99, patterned(1)));
}

TEST_F(MutterDisplayGammaTest, StaleSerialIsRetriedOnceAndOnlyOnce) {
    ASSERT_EQ(backend_->outputs().size(), 3u);
    fake_->bumpSerial();
    ASSERT_TRUE(backend_->apply(41, patterned(5)));
    EXPECT_EQ(fake_->tables(41), spread(patterned(5), 256));
    EXPECT_EQ(fake_->staleRefusals(), 1);

    // A serial that is stale every time: one retry, then the call fails instead of looping.
    fake_->setAlwaysStale(true);
    EXPECT_FALSE(backend_->apply(41, patterned(6)));
    EXPECT_EQ(fake_->staleRefusals(), 3);
    EXPECT_EQ(fake_->tables(41), spread(patterned(5), 256));
}

TEST_F(MutterDisplayGammaTest, MonitorsChangedBringsNewCrtcsAndNewSizes) {
    ASSERT_EQ(backend_->outputs().size(), 3u);
    int announced = 0;
    backend_->onOutputsChanged = [&] { ++announced; };

    // CRTC 41 now has a table of 1024 entries, 43 is gone and 44 is new.
    fake_->setLayout(
        {{41, 1024, true, "DP-1"}, {42, 1024, true, "HDMI-A-1"}, {44, 256, true, "DP-2"}});
    ASSERT_TRUE(QTest::qWaitFor([&] { return announced > 0; }, 5000));
    const auto outputs = backend_->outputs();
    ASSERT_EQ(outputs.size(), 3u);
    EXPECT_EQ(outputs[2].id, 44u);
    EXPECT_EQ(outputs[2].name, "DP-2");
    for (Id id : {41, 44}) {
        ASSERT_TRUE(backend_->apply(id, patterned(7)));
        EXPECT_EQ(fake_->tables(id), spread(patterned(7), fake_->tables(id)[0].size()));
    }

    // Resized without a word: the refused apply makes the backend ask the size again.
    fake_->setLayout({{41, 256, true, "DP-1"}}, false);
    fake_->bumpSerial();
    EXPECT_FALSE(backend_->apply(41, patterned(8)));
    ASSERT_TRUE(backend_->apply(41, patterned(8)));
    EXPECT_EQ(fake_->tables(41), spread(patterned(8), 256));
}

// Through the real engine: each lit CRTC tinted on its own base, one announced later too, the
// unused one left alone, and every base back in normal mode (as at exit).
TEST_F(MutterDisplayGammaTest, EngineTintsEachCrtcOnItsBaseAndPutsItBack) {
    std::map<Id, FakeMutter::Tables> start;
    for (Id id : {41, 42, 43}) {
        start[id] = fake_->tables(id);
    }
    const auto tinted = [&](Id id) {
        GammaRamp r;
        ramp::buildAdjusted(sampled(start[id]), -10, -20, -30, r);
        return spread(r, start[id][0].size());
    };
    GammaEngine engine(*backend_);
    engine.SaveGamma();
    engine.SetGamma(-10, -20, -30);
    EXPECT_EQ(fake_->tables(41), tinted(41));
    EXPECT_EQ(fake_->tables(42), tinted(42));

    auto layout = kLayout;
    layout.push_back({44, 256, true, "DP-2"});
    fake_->setLayout(layout);
    start[44] = fake_->tables(44);  // the engine hears of it only once events are processed
    EXPECT_TRUE(QTest::qWaitFor([&] { return fake_->tables(44) == tinted(44); }, 5000));

    engine.SetDefault();
    for (const auto& [id, base] : start) {
        SCOPED_TRACE(id);
        EXPECT_EQ(fake_->tables(id), spread(sampled(base), base[0].size()));
    }
}

// An output kept untinted by its connector name stays on its base at night, also when it comes
// back on another CRTC.
TEST_F(MutterDisplayGammaTest, UntintedConnectorsKeepTheirBase) {
    std::map<Id, FakeMutter::Tables> start;
    for (Id id : {41, 42}) {
        start[id] = fake_->tables(id);
    }
    const auto tinted = [&](Id id) {
        GammaRamp r;
        ramp::buildAdjusted(sampled(start[id]), -10, -20, -30, r);
        return spread(r, start[id][0].size());
    };
    const auto base = [&](Id id) { return spread(sampled(start[id]), start[id][0].size()); };
    GammaEngine engine(*backend_);
    engine.setUntinted({"DP-1"});
    engine.SaveGamma();
    engine.SetGamma(-10, -20, -30);
    EXPECT_EQ(fake_->tables(41), base(41));
    EXPECT_EQ(fake_->tables(42), tinted(42));
    EXPECT_EQ(engine.litOutputs(),
              (std::vector<GammaEngine::LitOutput>{{41, "DP-1", false}, {42, "HDMI-A-1", true}}));

    fake_->setLayout({{42, 1024, true, "HDMI-A-1"}, {45, 256, true, "DP-1"}});
    start[45] = fake_->tables(45);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return engine.litOutputs().size() == 2 && engine.litOutputs()[1].id == 45; }, 5000));
    EXPECT_EQ(fake_->tables(45), base(45));
    EXPECT_EQ(fake_->tables(42), tinted(42));
}

TEST_F(MutterDisplayGammaTest, HungServiceEndsInRefusalWithinItsTimeout) {
    fake_->setHung(true);
    auto start = Clock::now();
    EXPECT_TRUE(backend_->outputs().empty());
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));
    EXPECT_NE(backend_->refusal().find("did not answer"), std::string::npos);

    // Taken as hung: the next calls fail at once instead of freezing the window again.
    start = Clock::now();
    GammaRamp ramp;
    EXPECT_FALSE(backend_->read(41, ramp));
    EXPECT_FALSE(backend_->apply(41, ramp));
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(200));

    // A signal shows the service alive again.
    fake_->setHung(false);
    bool announced = false;
    backend_->onOutputsChanged = [&] { announced = true; };
    fake_->emitMonitorsChanged();
    ASSERT_TRUE(QTest::qWaitFor([&] { return announced; }, 5000));
    EXPECT_EQ(backend_->outputs().size(), 3u);
    EXPECT_TRUE(backend_->refusal().empty());
}

TEST_F(MutterDisplayGammaTest, SaysWhyWhenNoTableCanBeSet) {
    EXPECT_TRUE(MutterDisplayGamma::offeredOn(bus_.connect()));
    fake_->setLayout({{50, 0, true, "Virtual-1"}});
    EXPECT_TRUE(backend_->outputs().empty());
    EXPECT_NE(backend_->refusal().find("no gamma table"), std::string::npos);

    fake_.reset();
    MutterDisplayGamma alone(bus_.connect());
    EXPECT_FALSE(MutterDisplayGamma::offeredOn(bus_.connect()));
    EXPECT_TRUE(alone.outputs().empty());
    EXPECT_NE(alone.refusal().find("not on the session bus"), std::string::npos);
    EXPECT_EQ(alone.journalKey().rfind("mutter-", 0), 0u);
}

TEST_F(MutterDisplayGammaTest, NightLightNoticeOnlyWhileItIsOn) {
    EXPECT_EQ(backend_->notice(), "");
    fake_->setNightLight(true);
    EXPECT_NE(backend_->notice().find("Night Light is on"), std::string::npos);
    fake_->setNightLight(false);
    EXPECT_EQ(backend_->notice(), "");
}

// The real service, headless: its virtual monitor has no CRTC. The refusal shows that the real
// reply was understood (a reply the backend cannot read ends without one).
TEST(HeadlessMutterTest, VirtualMonitorEndsInTheNoTableRefusal) {
    if (!PrivateBus::available() || !HeadlessMutter::available()) {
        GTEST_SKIP() << "dbus-daemon or mutter is not installed";
    }
    PrivateBus bus;
    ASSERT_TRUE(bus.running()) << bus.error().toStdString();
    HeadlessMutter mutter(bus.address());
    ASSERT_TRUE(mutter.running()) << mutter.error().toStdString();
    MutterDisplayGamma backend(bus.connect());
    EXPECT_TRUE(backend.outputs().empty());
    EXPECT_NE(backend.refusal().find("no gamma table"), std::string::npos);
    EXPECT_EQ(backend.notice(), "");
}

}  // namespace
