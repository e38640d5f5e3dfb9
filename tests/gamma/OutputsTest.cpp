// The engine over several outputs: each on its own base, outputs coming and going, a resume, and
// the crash journal.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "gamma/GammaEngine.h"
#include "gamma/GammaJournal.h"
#include "gamma/RampMath.h"
#include "support/MemoryDisplayGamma.h"
#include "support/MemoryJournalStore.h"

namespace {

constexpr auto kFirst = MemoryDisplayGamma::kFirst;

// A distinct, rising ramp per seed: every output's own calibration.
GammaRamp baseOf(int seed) {
    GammaRamp r;
    for (std::size_t c = 0; c < 3; ++c) {
        for (std::size_t i = 0; i < 256; ++i) {
            r.at(c, i) = static_cast<std::uint16_t>(i * (200 + 10 * seed + c));
        }
    }
    return r;
}

GammaRamp tint(const GammaRamp& base) {
    GammaRamp out;
    ramp::buildAdjusted(base, -40, -20, 0, out);
    return out;
}

// Output 1 and output 2 (a 1024-entry table) lit, output 3 off, each with its own base.
struct Rig {
    Rig() {
        display.key = ":7";
        display.setTables(baseOf(1));
        display.add(1024).setTables(baseOf(2));
        display.add(256, false).setTables(baseOf(3));
    }
    void startTinted() {
        engine.SaveGamma();
        engine.SetGamma(-40, -20, 0);
    }
    GammaRamp on(DisplayGamma::OutputId id) { return display.at(id).current(); }

    MemoryDisplayGamma display;
    MemoryJournalStore journal;
    GammaEngine engine{display, &journal};
};

class OutputsTest : public ::testing::Test, protected Rig {};

TEST_F(OutputsTest, EveryLitOutputIsTintedOnItsOwnBaseAndGetsItBack) {
    startTinted();
    EXPECT_EQ(on(1), tint(baseOf(1)));
    EXPECT_EQ(on(2), ramp::roundTrip(tint(baseOf(2)), 1024));
    EXPECT_TRUE(display.at(3).applied.empty());  // off: left as it is

    engine.SetDefault();
    EXPECT_EQ(on(1), baseOf(1));
    EXPECT_EQ(on(2), ramp::roundTrip(baseOf(2), 1024));
    EXPECT_TRUE(display.at(3).applied.empty());
}

// What an output that lights up gets, by the mode the tool is in and by what its table holds.
TEST_F(OutputsTest, OutputsThatLightUpTakeTheCurrentState) {
    struct Case {
        const char* what;
        std::function<void(Rig&)> before;     // after the start in night mode
        std::function<GammaRamp()> expected;  // on output 3 once lit
    } cases[] = {
        {"night", [](Rig&) {}, [] { return tint(baseOf(3)); }},
        {"normal", [](Rig& t) { t.engine.SetDefault(); }, [] { return baseOf(3); }},
        {"back on, tint still in its table",
         [](Rig& t) {
             t.display.setActive(3, true);
             t.display.setActive(3, false);
         },
         [] { return tint(baseOf(3)); }},
        {"back on, table changed while off",
         [](Rig& t) {
             t.display.setActive(3, true);
             t.display.setActive(3, false);
             t.display.at(3).setTables(baseOf(4));
         },
         [] { return tint(baseOf(4)); }},
        {"off at normal mode, then night",
         [](Rig& t) {
             t.display.setActive(3, true);
             t.display.setActive(3, false);
             t.engine.SetDefault();
             t.engine.SaveGamma();
             t.engine.SetGamma(-40, -20, 0);
         },
         [] { return tint(baseOf(3)); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Rig t;
        t.startTinted();
        c.before(t);
        t.display.setActive(3, true);
        EXPECT_EQ(t.on(3), c.expected());
        EXPECT_EQ(t.on(1), c.expected() == baseOf(3) ? baseOf(1) : tint(baseOf(1)));
    }
}

TEST_F(OutputsTest, OffOutputsGetTheirBaseAtNormalModeAndNewOnesAreReadFirst) {
    startTinted();
    display.setActive(2, false);
    engine.SetDefault();  // as at exit
    EXPECT_EQ(on(2), ramp::roundTrip(baseOf(2), 1024));

    // An output that cannot be read is never written.
    MemoryOutput& unreadable = display.add();
    unreadable.refuseRead = true;
    display.announce();
    engine.SetGamma(-40, -40, -40);
    EXPECT_TRUE(unreadable.applied.empty());
    display.remove(unreadable.info.id);
    engine.SetDefault();  // an output gone for good is no trouble
}

TEST_F(OutputsTest, ResumeWritesEveryLitOutputAgain) {
    startTinted();
    display.setTables(baseOf(1));  // the driver reset the table across suspend
    display.at(2).setTables(baseOf(2));
    engine.reapply();
    EXPECT_EQ(on(1), tint(baseOf(1)));
    EXPECT_EQ(on(2), ramp::roundTrip(tint(baseOf(2)), 1024));
}

// A run that died left its tint and its journal. What the next run builds its tint on depends on
// whether the journal is sound and belongs to this display and these tables.
TEST_F(OutputsTest, JournalOfADeadRunPreventsACompoundedTint) {
    {
        GammaEngine dead(display, &journal);
        dead.SaveGamma();
        dead.SetGamma(-40, -20, 0);
    }  // no unload: the journal stays
    const std::string left = journal.files.at(":7");
    const auto entries = journal::decode(":7", left);
    ASSERT_TRUE(entries);
    EXPECT_EQ(entries->size(), 2u);

    std::string flipped = left;
    flipped[flipped.size() / 2] ^= 0x01;
    std::vector<journal::Entry> otherRamps = *entries;
    for (journal::Entry& e : otherRamps) {
        e.last = tint(baseOf(9));
    }
    // Every journal passed over is said, once.
    const struct {
        const char* what;
        std::string bytes;
        bool recovered;
    } cases[] = {
        {"sound", left, true},
        {"truncated", left.substr(0, left.size() - 9), false},
        {"one bit flipped", flipped, false},
        {"another display's", journal::encode(":8", *entries), false},
        {"another server's ramps", journal::encode(":7", otherRamps), false},
        {"empty", "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryJournalStore store;
        store.files[":7"] = c.bytes;
        display.setTables(tint(baseOf(1)));
        display.at(2).setTables(tint(baseOf(2)));
        GammaEngine next(display, &store);
        int told = 0;
        next.tell = [&](const std::string&) { ++told; };
        next.SaveGamma();
        EXPECT_EQ(told, c.recovered ? 0 : 1);
        next.SetGamma(-40, -20, 0);
        const GammaRamp base1 = c.recovered ? baseOf(1) : tint(baseOf(1));
        EXPECT_EQ(on(1), tint(base1));
        next.SetDefault();
        EXPECT_EQ(on(1), base1);
        next.closeJournal();
        EXPECT_TRUE(store.files.empty());
    }
}

TEST_F(OutputsTest, JournalFollowsEveryChangeAndOnlyThen) {
    engine.SaveGamma();
    EXPECT_EQ(journal.saves, 0);  // nothing written yet, nothing to undo
    engine.SetGamma(-40, -20, 0);
    engine.SetGamma(-40, -20, 0);
    EXPECT_EQ(journal.saves, 1);
    const auto entries = journal::decode(":7", journal.files.at(":7"));
    ASSERT_TRUE(entries);
    ASSERT_EQ(entries->size(), 2u);
    EXPECT_EQ(entries->front(), (journal::Entry{kFirst, baseOf(1), tint(baseOf(1))}));
    engine.SetDefault();
    EXPECT_EQ(journal.saves, 2);
    engine.closeJournal();
    engine.SetGamma(-40, -40, -40);
    EXPECT_TRUE(journal.files.empty());
}

}  // namespace

// The journal is saved ahead of the ramps it names: at every save, and after every operation, each
// output's table is its base or one of the ramps the journal names, so a kill at any moment leaves
// nothing that the next start could take for the display's own ramp.
TEST(OutputsJournal, NamesEveryRampBeforeItReachesTheTable) {
    struct Checking : MemoryJournalStore {
        std::function<void()> check;
        void save(const std::string& key, const std::string& bytes) override {
            check();  // what a kill right before this save would leave
            MemoryJournalStore::save(key, bytes);
            check();  // ... and right after it
        }
    } store;
    MemoryDisplayGamma display;
    display.key = ":7";
    display.setTables(baseOf(1));
    display.add(1024).setTables(baseOf(2));
    GammaEngine engine(display, &store);
    store.check = [&] {
        const auto entries = journal::decode(":7", store.files[":7"]);
        for (DisplayGamma::OutputId id : {1, 2}) {
            const GammaRamp table = display.at(id).current();
            const bool named =
                entries && std::ranges::any_of(*entries, [&](const auto& e) {
                    return e.id == id && table == ramp::roundTrip(e.last, id == 1 ? 256 : 1024);
                });
            EXPECT_TRUE(named || display.at(id).applied.empty())
                << "output " << id << " holds a ramp the journal does not name";
        }
    };
    engine.SaveGamma();
    for (int offset : {-40, -20, -20, 0}) {
        engine.SetGamma(offset, -20, 0);
        store.check();
    }
    engine.SetDefault();
    store.check();
    EXPECT_EQ(store.saves, 4);  // the same ramp again is named already
}
