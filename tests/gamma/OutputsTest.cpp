// The engine over several outputs: each on its own base, outputs coming and going, a resume, and
// the crash journal.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "gamma/GammaEngine.h"
#include "gamma/GammaJournal.h"
#include "gamma/RampMath.h"
#include "support/MemoryDisplayGamma.h"
#include "support/MemoryJournalStore.h"
#include "support/Ramps.h"

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

// Whether the journal names `table`, read from output `id` (1: 256 entries, 2: 1024), as the
// tool's: one of the ramps written, or any tint of the base where the entry says so.
bool names(const std::optional<std::vector<journal::Entry>>& entries, DisplayGamma::OutputId id,
           const GammaRamp& table) {
    const std::size_t size = id == 2 ? 1024 : 256;
    return entries && std::ranges::any_of(*entries, [&](const journal::Entry& e) {
               return e.id == id && (e.tints ? ramp::tintOf(table, e.base, size)
                                             : table == ramp::roundTrip(e.last, size));
           });
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

// After a reset the system may or may not have made, a tint is written again only where the
// table lost it: a table that merely rounds, a base showing or an output left untinted is not
// written.
TEST_F(OutputsTest, AResetIsUndoneOnlyWhereATableLostTheTint) {
    display.at(kFirst).bits = 8;
    startTinted();
    engine.setTinted("MEM2", false);
    display.at(2).setTables(ramp::identity());  // not the tool's to put back
    const std::size_t before1 = display.at(1).applied.size();
    const std::size_t before2 = display.at(2).applied.size();
    engine.restoreAfterReset();
    EXPECT_EQ(display.at(1).applied.size(), before1) << "output 1 only rounds the tint";
    EXPECT_EQ(display.at(2).applied.size(), before2);

    display.setTables(ramp::identity());
    engine.restoreAfterReset();
    ASSERT_EQ(display.at(1).applied.size(), before1 + 1);
    EXPECT_EQ(display.at(1).applied.back(), tint(baseOf(1)));

    engine.SetDefault();
    display.setTables(ramp::identity());
    const std::size_t normal = display.at(1).applied.size();
    engine.restoreAfterReset();
    EXPECT_EQ(display.at(1).applied.size(), normal) << "a base showing is the display's own";
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
        e.last = e.shown = tint(baseOf(9));
        e.tints = false;
    }
    // Every journal passed over is said, once.
    const struct {
        const char* what;
        std::string bytes;
        bool recovered;
    } cases[] = {
        {"sound", left, true},
        {"written by an earlier release",
         journal::encode(":7",
                         {{kFirst, baseOf(1), tint(baseOf(1)), {}, false},
                          {2, baseOf(2), tint(baseOf(2)), {}, false}},
                         1),
         true},
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
    // Tints and the base are all named by one save of each output's base.
    engine.SetGamma(-40, -20, 0);
    engine.SetGamma(-20, 0, 10);
    engine.SetDefault();
    EXPECT_EQ(journal.saves, 1);
    const auto entries = journal::decode(":7", journal.files.at(":7"));
    ASSERT_TRUE(entries);
    ASSERT_EQ(entries->size(), 2u);
    EXPECT_EQ(entries->front(), (journal::Entry{kFirst, baseOf(1), baseOf(1), baseOf(1), true}));
    // A blend's ramps are no tints: each is named on its own.
    engine.SetBlend(GammaEngine::Request::tint(-40, -20, 0), 0.5);
    EXPECT_EQ(journal.saves, 2);
    engine.closeJournal();
    engine.SetGamma(-40, -40, -40);
    EXPECT_TRUE(journal.files.empty());
}

// Tints asked while held are only noted: a run of them reaches the journal and the tables once,
// and an operation that writes only some outputs writes the noted tint first. Each run, held,
// ends on the tables and the journal the same steps leave when each is written at once.
TEST(OutputsHold, AHeldRunEndsWhereTheSameStepsWrittenOneByOneEnd) {
    using Step = std::function<void(Rig&)>;
    const Step dim = [](Rig& t) { t.engine.SetGamma(-30, -30, -30); };
    const Step warm = [](Rig& t) { t.engine.SetGamma(-10, -20, -30); };
    const struct {
        const char* what;
        std::vector<Step> steps;
        int heldWrites;  // table writes before the release
    } runs[] = {
        {"a run of tints", {dim, warm, dim}, 0},
        // The menu's Normal and Night, over and over: the base, the ramps remembered, the tint.
        {"normal and night again",
         {[](Rig& t) { t.engine.SetDefault(); }, [](Rig& t) { t.engine.SaveGamma(); }, warm,
          [](Rig& t) { t.engine.SetDefault(); }, [](Rig& t) { t.engine.SaveGamma(); }, dim},
         0},
        {"night, then normal",
         {warm, [](Rig& t) { t.engine.SetDefault(); }, [](Rig& t) { t.engine.SaveGamma(); }},
         0},
        {"tints, then normal", {dim, warm, [](Rig& t) { t.engine.SetDefault(); }}, 0},
        // The noted tint on both, then a blend's first step.
        {"a tint, then a fade",
         {warm, [](Rig& t) { t.engine.SetBlend(GammaEngine::Request::base(), 0.5); }},
         4},
        // The noted tint on both, then MEM2's base.
        {"a tint, an output untinted, a tint",
         {dim, [](Rig& t) { t.engine.setTinted("MEM2", false); }, warm},
         3},
        {"a tint, then a pause", {warm, [](Rig& t) { t.engine.setPaused({"MEM1"}); }}, 3},
        // The noted tint on both, then all three lit outputs written again.
        {"a tint, then an output lights up",
         {warm, [](Rig& t) { t.display.setActive(3, true); }},
         5},
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(run.what);
        Rig direct;
        Rig held;
        for (Rig* rig : {&direct, &held}) {
            rig->startTinted();
        }
        for (const Step& step : run.steps) {
            step(direct);
        }
        const auto writes = [&] {
            int n = 0;
            for (const DisplayGamma::OutputId id : {1, 2, 3}) {
                n += static_cast<int>(held.display.at(id).applied.size());
            }
            return n;
        };
        const int before = writes();
        const int savesBefore = held.journal.saves;
        held.engine.hold();
        for (const Step& step : run.steps) {
            step(held);
        }
        EXPECT_EQ(writes() - before, run.heldWrites);
        held.engine.release();
        if (run.heldWrites == 0) {
            EXPECT_EQ(writes() - before, 2) << "one write per lit output";
            EXPECT_EQ(held.journal.saves, savesBefore)
                << "the base and its tints are named already";
        }
        for (const DisplayGamma::OutputId id : {1, 2, 3}) {
            EXPECT_EQ(held.on(id), direct.on(id)) << "output " << id;
        }
        EXPECT_EQ(held.journal.files, direct.journal.files);
        const int released = writes();
        held.engine.release();
        EXPECT_EQ(writes(), released) << "a second release writes nothing";
    }
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
            EXPECT_TRUE(names(entries, id, display.at(id).current()) ||
                        display.at(id).applied.empty())
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
    for (double t : {0.25, 0.5, 1.0}) {
        engine.SetBlend(GammaEngine::Request::tint(-40, -20, 0), t);
        store.check();
    }
    EXPECT_EQ(store.saves, 4);  // the tints and the base by one, each blended ramp by its own
}

// Displays that keep fewer bits than a word give back a rounded copy of every ramp. A dead run's
// tint is recognised by what the display made of it, whether the run died at its first tint
// (the journal has not seen the read-back) or after a change of tint; the next run tints once on
// the display's own base and gives that base back.
TEST(OutputsJournal, ADeadRunsTintIsRecognisedOnADisplayThatRounds) {
    for (int bits : {8, 10}) {
        for (int tints : {1, 2}) {
            SCOPED_TRACE(std::to_string(bits) + " bits, " + std::to_string(tints) + " tints");
            MemoryDisplayGamma display;
            display.key = ":7";
            display.at(1).bits = bits;
            display.add(1024).bits = bits;
            MemoryJournalStore store;
            std::map<DisplayGamma::OutputId, GammaRamp> own;
            for (DisplayGamma::OutputId id : {1, 2}) {
                display.at(id).setTables(baseOf(static_cast<int>(id)));
                own[id] = display.at(id).current();
            }
            {
                GammaEngine dead(display, &store);
                dead.SaveGamma();
                for (int t = 0; t < tints; ++t) {
                    dead.SetGamma(-40 + 20 * t, -20, 0);
                }
                EXPECT_FALSE(dead.changedSinceWrite(1, display.at(1).current()));
                EXPECT_TRUE(dead.changedSinceWrite(1, own[1]));
            }  // killed: no unload
            GammaEngine next(display, &store);
            int told = 0;
            next.tell = [&](const std::string&) { ++told; };
            next.SaveGamma();
            EXPECT_EQ(told, 0);
            next.SetGamma(-40, -20, 0);
            for (DisplayGamma::OutputId id : {1, 2}) {
                EXPECT_EQ(display.at(id).applied.back(), tint(own[id])) << "output " << id;
                EXPECT_EQ(*next.shown(id), display.at(id).current());
            }
            next.SetDefault();
            next.closeJournal();
            for (DisplayGamma::OutputId id : {1, 2}) {
                EXPECT_EQ(display.at(id).applied.back(), own[id]) << "output " << id;
            }
            EXPECT_TRUE(store.files.empty());
        }
    }
}

namespace {

// What each output shows, in output order: T its tint, B its base, '-' off (not looked at).
std::string shows(Rig& t) {
    std::string out;
    for (DisplayGamma::OutputId id : {1, 2, 3, 4}) {
        const auto listed = t.display.outputs();
        const auto it = std::find_if(listed.begin(), listed.end(),
                                     [id](const DisplayGamma::Output& o) { return o.id == id; });
        if (it == listed.end()) {
            continue;
        }
        const std::size_t size = t.display.at(id).red.size();
        const int seed = static_cast<int>(id == 4 ? 3 : id);
        if (!it->active) {
            out += '-';
        } else if (t.on(id) == ramp::roundTrip(tint(baseOf(seed)), size)) {
            out += 'T';
        } else if (t.on(id) == ramp::roundTrip(baseOf(seed), size)) {
            out += 'B';
        } else {
            out += '?';
        }
    }
    return out;
}

// The Monitors menu: "+" checked (tinted), "-" unchecked.
std::string menu(const GammaEngine& engine) {
    std::string out;
    for (const GammaEngine::LitOutput& o : engine.litOutputs()) {
        out += (out.empty() ? "" : " ") + std::string(o.tinted ? "+" : "-") + o.name;
    }
    return out;
}

}  // namespace

// Untinted outputs, remembered by name, through a whole run: after each step, what every output
// shows, what the menu lists, and whether the menu was told to change.
TEST_F(OutputsTest, UntintedOutputsKeepTheirBaseInEveryMode) {
    int announced = 0;
    engine.onMonitorsChanged = [&] { ++announced; };
    const struct {
        const char* what;
        std::function<void(Rig&)> act;
        const char* shows;
        const char* menu;
        bool announced;
    } steps[] = {
        {"remembered before the start", [](Rig& t) { t.engine.setUntinted({"MEM2"}); }, "BB-", "",
         true},
        {"night with MEM2 remembered", [](Rig& t) { t.startTinted(); }, "TB-", "+MEM1 -MEM2", true},
        {"MEM1 unchecked at night: its base at once",
         [](Rig& t) { t.engine.setTinted("MEM1", false); }, "BB-", "-MEM1 -MEM2", true},
        {"MEM2 checked again: tinted at once", [](Rig& t) { t.engine.setTinted("MEM2", true); },
         "BT-", "-MEM1 +MEM2", true},
        {"a slider moves", [](Rig& t) { t.engine.SetGamma(-40, -20, 0); }, "BT-", "-MEM1 +MEM2",
         false},
        {"an absent name unchecked (script)", [](Rig& t) { t.engine.setTinted("MEM3", false); },
         "BT-", "-MEM1 +MEM2", true},
        {"an empty name (script)", [](Rig& t) { t.engine.setTinted("", false); }, "BT-",
         "-MEM1 +MEM2", false},
        {"MEM3 lit carries a remembered name", [](Rig& t) { t.display.setActive(3, true); }, "BTB",
         "-MEM1 +MEM2 -MEM3", true},
        {"MEM3 unplugged", [](Rig& t) { t.display.remove(3); }, "BT", "-MEM1 +MEM2", true},
        {"plugged in again under another id",
         [](Rig& t) {
             t.display.add(0);  // takes id 3 and lists nothing: the name comes back as id 4
             MemoryOutput& back = t.display.add();
             back.info.name = "MEM3";
             back.setTables(baseOf(3));
             t.display.announce();
         },
         "BTB", "-MEM1 +MEM2 -MEM3", true},
        {"resume after the driver reset every table",
         [](Rig& t) {
             t.display.setTables(tint(baseOf(1)));
             t.display.at(2).setTables(baseOf(2));
             t.display.at(4).setTables(tint(baseOf(3)));
             t.engine.reapply();
         },
         "BTB", "-MEM1 +MEM2 -MEM3", false},
        {"normal mode",
         [](Rig& t) {
             t.engine.SetDefault();
             t.engine.SaveGamma();
         },
         "BBB", "-MEM1 +MEM2 -MEM3", false},
        {"MEM1 checked in normal mode keeps its base",
         [](Rig& t) { t.engine.setTinted("MEM1", true); }, "BBB", "+MEM1 +MEM2 -MEM3", true},
        {"night again", [](Rig& t) { t.engine.SetGamma(-40, -20, 0); }, "TTB", "+MEM1 +MEM2 -MEM3",
         false},
        {"exit", [](Rig& t) { t.engine.SetDefault(); }, "BBB", "+MEM1 +MEM2 -MEM3", false},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        announced = 0;
        step.act(*this);
        EXPECT_EQ(shows(*this), step.shows);
        EXPECT_EQ(menu(engine), step.menu);
        EXPECT_EQ(announced > 0, step.announced);
    }
    EXPECT_EQ(engine.untinted(), (std::set<std::string>{"MEM3"}));
}

// An untinted output's base reaches its table only once the journal names it, and a refused write
// leaves the journal naming the tint the table truly holds: a run after a crash never takes the
// wrong ramp for the display's own.
TEST_F(OutputsTest, JournalNamesWhatAnUntintedOutputHolds) {
    const auto holds = [&](DisplayGamma::OutputId id, const GammaRamp& r) {
        return names(journal::decode(":7", journal.files.at(":7")), id,
                     ramp::roundTrip(r, id == 2 ? 1024 : 256));
    };
    engine.setUntinted({"MEM2"});
    startTinted();
    EXPECT_TRUE(holds(1, tint(baseOf(1))));
    EXPECT_TRUE(holds(2, baseOf(2)));

    engine.setTinted("MEM2", true);
    EXPECT_TRUE(holds(2, tint(baseOf(2))));
    display.refuseApply = true;
    engine.setTinted("MEM1", false);
    EXPECT_EQ(on(1), tint(baseOf(1))) << "the refused write left the tint";
    EXPECT_TRUE(holds(1, tint(baseOf(1))));
    display.refuseApply = false;
    engine.reapply();
    EXPECT_EQ(on(1), baseOf(1));
    EXPECT_TRUE(holds(1, baseOf(1)));
}

// Four lit outputs, two of them left untinted: a fade either way moves the tinted ones step by
// step and writes nothing but its base to an untinted one.
TEST_F(OutputsTest, FadesPassUntintedOutputsBy) {
    display.setActive(3, true);
    display.add().setTables(baseOf(4));
    engine.setUntinted({"MEM3", "MEM4"});
    startTinted();
    ASSERT_EQ(engine.litOutputs().size(), 4u);
    const auto fade = [&](const GammaEngine::Request& to) {
        engine.SetBlend(to, 0.5);
        EXPECT_NE(on(1), tint(baseOf(1)));
        EXPECT_NE(on(1), baseOf(1));
        engine.SetBlend(to, 1);
    };
    fade(GammaEngine::Request::base());
    EXPECT_EQ(on(1), baseOf(1));
    EXPECT_EQ(on(2), ramp::roundTrip(baseOf(2), 1024));
    engine.SetDefault();  // the switch to normal mode that ends the fade
    engine.SaveGamma();

    fade(GammaEngine::Request::tint(-40, -20, 0));
    engine.SetGamma(-40, -20, 0);
    EXPECT_EQ(on(1), tint(baseOf(1)));
    EXPECT_EQ(on(2), ramp::roundTrip(tint(baseOf(2)), 1024));
    for (DisplayGamma::OutputId id : {3, 4}) {
        for (const GammaRamp& written : display.at(id).applied) {
            EXPECT_EQ(written, baseOf(static_cast<int>(id))) << "output " << id;
        }
    }
}

// Outputs paused for the active window among untinted ones: each step's screens, and how many
// ramps it wrote (a pause that changes nothing writes none).
TEST_F(OutputsTest, PausedOutputsShowTheirBaseAndComeBackAtOnce) {
    display.setActive(3, true);
    engine.setUntinted({"MEM3"});
    startTinted();
    const auto writes = [&] {
        std::size_t n = 0;
        for (DisplayGamma::OutputId id : {1, 2, 3}) {
            n += display.at(id).applied.size();
        }
        return n;
    };
    const struct {
        const char* what;
        std::function<void(Rig&)> act;
        const char* shows;
        std::size_t writes;
    } steps[] = {
        {"MEM2 paused", [](Rig& t) { t.engine.setPaused({"MEM2"}); }, "TBB", 1},
        {"the same pause again", [](Rig& t) { t.engine.setPaused({"MEM2"}); }, "TBB", 0},
        {"an untinted output paused as well",
         [](Rig& t) {
             t.engine.setPaused({"MEM2", "MEM3"});
         },
         "TBB", 0},
        {"a slider moves while paused", [](Rig& t) { t.engine.SetGamma(-40, -20, 0); }, "TBB", 3},
        {"a fade halfway, MEM1 paused meanwhile",
         [](Rig& t) {
             t.engine.SetBlend(GammaEngine::Request::base(), 0.5);
             t.engine.setPaused({"MEM1"});
         },
         "B?B", 5},
        {"the pause moves back: MEM2 takes the fade where it is",
         [](Rig& t) { t.engine.setPaused({"MEM2"}); }, "?BB", 2},
        {"the fade goes on to its end",
         [](Rig& t) { t.engine.SetBlend(GammaEngine::Request::base(), 1); }, "BBB", 3},
        {"night by hand while paused", [](Rig& t) { t.engine.SetGamma(-40, -20, 0); }, "TBB", 3},
        {"no window pauses any more", [](Rig& t) { t.engine.setPaused({}); }, "TTB", 1},
        {"paused again, then the exit",
         [](Rig& t) {
             t.engine.setPaused({"MEM1", "MEM2"});
             t.engine.SetDefault();
         },
         "BBB", 5},
    };
    // The journal names what every output shows.
    const auto named = [&](DisplayGamma::OutputId id) {
        const auto entries = journal::decode(":7", journal.files.at(":7"));
        const std::size_t size = display.at(id).red.size();
        return entries && std::ranges::any_of(*entries, [&](const journal::Entry& e) {
                   // An entry of tints names every ramp built on its base with channel offsets.
                   return e.id == id && (e.tints || ramp::roundTrip(e.last, size) == on(id));
               });
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        const std::size_t before = writes();
        step.act(*this);
        EXPECT_EQ(shows(*this), step.shows);
        EXPECT_EQ(writes() - before, step.writes);
        for (DisplayGamma::OutputId id : {1, 2, 3}) {
            EXPECT_TRUE(named(id)) << "output " << id;
        }
    }
    EXPECT_TRUE(engine.untinted() == std::set<std::string>{"MEM3"}) << "a pause stores nothing";
}

// Another program writes over the tint: put back once per change and said once per output; the
// third change within ten seconds leaves the output to that program until the colour changes.
TEST_F(OutputsTest, ATintAnotherProgramUndidIsPutBackUntilTheyFight) {
    std::vector<std::string> told;
    engine.tell = [&](const std::string& what) { told.push_back(what); };
    startTinted();
    const GammaRamp theirs = patterned(9);
    const struct {
        const char* what;
        std::int64_t atMs;
        bool overwrite;  // the other program writes output 1 first
        const char* shows;
        std::size_t writes;
        std::size_t told;
    } steps[] = {
        {"nothing changed", 0, false, "TT-", 0, 0},
        {"a first change", 1000, true, "TT-", 1, 1},
        {"nothing changed since", 1500, false, "TT-", 0, 1},
        {"a second change, said no more", 2000, true, "TT-", 1, 1},
        {"a third within ten seconds: theirs", 10999, true, "?T-", 0, 2},
        {"changed again: still theirs, said no more", 11000, true, "?T-", 0, 2},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        if (step.overwrite) {
            display.setTables(theirs);
        }
        const std::size_t before = display.applied.size() + display.at(2).applied.size();
        engine.putBack(step.atMs);
        EXPECT_EQ(shows(*this), step.shows);
        EXPECT_EQ(display.applied.size() + display.at(2).applied.size() - before, step.writes);
        EXPECT_EQ(told.size(), step.told);
    }
    EXPECT_NE(told.at(0).find("MEM1"), std::string::npos) << told.at(0);
    engine.reapply();  // a resume leaves it to them as well
    EXPECT_EQ(on(1), theirs);

    engine.SetGamma(-40, -20, 0);  // a colour change: the tool's own again, fights forgotten
    EXPECT_EQ(shows(*this), "TT-");
    for (std::int64_t at : {20000, 21000}) {
        display.setTables(theirs);
        engine.putBack(at);
        EXPECT_EQ(shows(*this), "TT-");
    }
}

// What shows the base is the display's own, whichever program changes it; and a window going full
// screen on an output whose ramp a game set keeps the game's ramp.
TEST_F(OutputsTest, OnlyATintIsPutBackAndAPauseKeepsAnotherProgramsRamp) {
    engine.setUntinted({"MEM2"});
    startTinted();
    const GammaRamp theirs = patterned(4);
    display.at(2).setTables(theirs);
    engine.putBack(0);
    EXPECT_EQ(on(2), ramp::roundTrip(theirs, 1024)) << "untinted";

    display.setTables(theirs);
    engine.setPaused({"MEM1"});
    EXPECT_EQ(on(1), theirs) << "paused over another program's ramp";
    engine.putBack(0);
    EXPECT_EQ(on(1), theirs) << "paused: nothing to put back";
    engine.setPaused({});
    EXPECT_EQ(on(1), tint(baseOf(1))) << "the pause ends: the tint";

    engine.SetDefault();
    display.setTables(theirs);
    engine.putBack(0);
    EXPECT_EQ(on(1), theirs) << "normal mode";
}

// Two outputs that share one table (under Wine every display device is the X screen's one ramp):
// the tool's write to one shows on the other, which is not another program's doing.
TEST_F(OutputsTest, ATableHoldingTheToolsRampOfAnotherOutputIsNotPutBack) {
    std::vector<std::string> told;
    engine.tell = [&](const std::string& what) { told.push_back(what); };
    startTinted();
    display.setActive(3, true);
    engine.outputsChanged();
    ASSERT_EQ(on(3), tint(baseOf(3)));
    const struct {
        const char* what;
        GammaRamp table;  // what output 3 comes to hold
        std::size_t writes;
    } cases[] = {
        {"output 1's tint", tint(baseOf(1)), 0},
        {"another program's ramp", patterned(9), 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        display.at(3).setTables(c.table);
        const std::size_t before = display.at(3).applied.size();
        engine.putBack(0);
        EXPECT_EQ(display.at(3).applied.size() - before, c.writes);
        EXPECT_EQ(told.size(), c.writes);
    }
}
