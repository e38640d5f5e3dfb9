// The tray menu's monitors submenu: what it lists, what a choice does to the outputs, and what the
// settings file keeps.
#include <algorithm>
#include <functional>
#include <set>

#include "MainFormFixture.h"
#include "settings/UntintedOutputs.h"

namespace {

// The submenu as the view shows it: "+" checked (tinted), "-" unchecked; empty when hidden.
std::string menu(const RecordingMainView& view) {
    std::string out;
    for (const MonitorItem& item : view.monitors) {
        out += (out.empty() ? "" : " ") + std::string(item.tinted ? "+" : "-") + item.name;
    }
    return out;
}

}  // namespace

// Two outputs, MEM2 remembered as untinted in the file; after each step: what each output shows
// (T tinted, B its base, - dark), the submenu, and the names the file holds.
TEST_F(MainFormTest, MonitorsSubmenuChecksTintsAndRemembers) {
    mp.display.add().setTables(startRamp);
    ASSERT_TRUE(settings::SaveUntintedOutputs(mp.profile, mp.settingsDir.dir, {"MEM2"}));
    const auto shows = [&] {
        std::string out;
        for (DisplayGamma::OutputId id : {1, 2}) {
            const auto outputs = mp.display.outputs();
            const bool lit = std::ranges::any_of(
                outputs, [id](const DisplayGamma::Output& o) { return o.id == id && o.active; });
            const GammaRamp now = mp.display.at(id).current();
            out += !lit ? '-' : now == startRamp ? 'B' : 'T';
        }
        return out;
    };
    const struct {
        const char* what;
        std::function<void()> act;
        const char* shows;
        const char* menu;
        std::set<std::string> stored;
    } steps[] = {
        {"load", [&] { ASSERT_TRUE(form->Form_Load()); }, "TB", "+MEM1 -MEM2", {"MEM2"}},
        {"MEM2 checked", [&] { form->mnuMonitor_Click(1); }, "TT", "+MEM1 +MEM2", {}},
        {"MEM1 unchecked: its base at once",
         [&] { form->mnuMonitor_Click(0); },
         "BT",
         "-MEM1 +MEM2",
         {"MEM1"}},
        {"normal mode", [&] { form->mnuNormal_Click(); }, "BB", "-MEM1 +MEM2", {"MEM1"}},
        {"MEM2 unchecked in normal mode",
         [&] { form->mnuMonitor_Click(1); },
         "BB",
         "-MEM1 -MEM2",
         {"MEM1", "MEM2"}},
        {"night: both stay on their base",
         [&] { form->mnuNight_Click(); },
         "BB",
         "-MEM1 -MEM2",
         {"MEM1", "MEM2"}},
        {"MEM1 checked at night",
         [&] { form->mnuMonitor_Click(0); },
         "TB",
         "+MEM1 -MEM2",
         {"MEM2"}},
        {"MEM2 unplugged: one lit output, no submenu",
         [&] { mp.display.setActive(2, false); },
         "T-",
         "",
         {"MEM2"}},
        {"a choice out of range changes nothing",
         [&] { form->mnuMonitor_Click(5); },
         "T-",
         "",
         {"MEM2"}},
        {"MEM2 plugged in again stays untinted",
         [&] { mp.display.setActive(2, true); },
         "TB",
         "+MEM1 -MEM2",
         {"MEM2"}},
        {"a refused write is not taken for kept",
         [&] {
             mp.profile.refuseWrite = true;
             form->mnuMonitor_Click(1);
             mp.profile.refuseWrite = false;
         },
         "TT",
         "+MEM1 +MEM2",
         {"MEM2"}},
        {"... and is written at the next change",
         [&] { form->mnuMonitor_Click(0); },
         "BT",
         "-MEM1 +MEM2",
         {"MEM1"}},
        {"exit: every output its base", [&] { form->Unload(); }, "BB", "-MEM1 +MEM2", {"MEM1"}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        step.act();
        EXPECT_EQ(shows(), step.shows);
        EXPECT_EQ(menu(view), step.menu);
        EXPECT_EQ(view.monitors, form->services().monitors());
        EXPECT_EQ(settings::LoadUntintedOutputs(mp.profile, form->WinPath), step.stored);
    }
}

// Scripts name outputs, lit or not; each change of the untinted set is reported once, whatever
// made it.
TEST_F(MainFormTest, ScriptsNameOutputsAndEveryChangeIsReported) {
    mp.display.add().setTables(startRamp);
    ASSERT_TRUE(form->Form_Load());
    int reported = 0;
    form->changed = [&] { ++reported; };
    const auto base = [&](DisplayGamma::OutputId id) {
        return mp.display.at(id).current() == startRamp;
    };

    form->services().setOutputTinted("MEM2", false);
    EXPECT_TRUE(base(2));
    EXPECT_FALSE(base(1));
    form->services().setOutputTinted("HDMI-9", false);  // not plugged in: kept for when it is
    form->mnuMonitor_Click(1);               // MEM2 tinted again from the menu
    EXPECT_FALSE(base(2));
    form->services().setOutputTinted("MEM2", true);  // no change, nothing to report
    EXPECT_EQ(reported, 3);
    EXPECT_EQ(settings::LoadUntintedOutputs(mp.profile, form->WinPath),
              std::set<std::string>{"HDMI-9"});

    form->services().setUntintedOutputs({"MEM1"});
    EXPECT_EQ(reported, 4);
    EXPECT_TRUE(base(1));
    EXPECT_EQ(form->services().untintedOutputs(), std::set<std::string>{"MEM1"});

    // Late commands change neither the screen nor the file once unloaded.
    form->Unload();
    form->services().setOutputTinted("MEM1", true);
    form->services().setUntintedOutputs({});
    EXPECT_TRUE(base(1));
    EXPECT_TRUE(base(2));
    EXPECT_EQ(settings::LoadUntintedOutputs(mp.profile, form->WinPath),
              std::set<std::string>{"MEM1"});
}
