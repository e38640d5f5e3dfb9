// Pausing for the active window through the form: the kept choices, the menu item, what each
// output shows as windows come and go, a switch by hand while paused, and the unload.
#include <algorithm>
#include <functional>
#include <string>

#include "MainFormFixture.h"
#include "settings/PauseSetting.h"
#include "settings/UntintedOutputs.h"

namespace {

using ActiveWindow = ActiveWindowSource::Window;

}  // namespace

// Three outputs, MEM3 left untinted and full screen chosen in the file; after each step what each
// output shows (T tinted, B its base), the ramps written, and whether a change was reported.
TEST_F(MainFormTest, ActiveWindowPausesTheOutputsItCovers) {
    mp.display.add().setTables(startRamp);
    mp.display.add().setTables(startRamp);
    ASSERT_TRUE(settings::SaveUntintedOutputs(mp.profile, mp.settingsDir.dir, {"MEM3"}));
    ASSERT_TRUE(settings::SavePauseSetting(mp.profile, mp.settingsDir.dir, {true, {}}));
    int reported = 0;
    form->changed = [&] { ++reported; };
    const auto writes = [&] {
        std::size_t n = 0;
        for (DisplayGamma::OutputId id : {1, 2, 3}) {
            n += mp.display.at(id).applied.size();
        }
        return n;
    };
    const auto shows = [&] {
        std::string out;
        for (DisplayGamma::OutputId id : {1, 2, 3}) {
            out += mp.display.at(id).current() == startRamp ? 'B' : 'T';
        }
        return out;
    };
    auto& windows = mp.activeWindow;
    const ActiveWindow game{{"game"}, true, {{"MEM2", true}}};
    const ActiveWindow editor{{"gimp", "Gimp"}, false, {{"MEM1", false}, {"MEM2", false}}};
    const struct {
        const char* what;
        std::function<void()> act;
        const char* shows;
        std::size_t writes;
        bool reported;
    } steps[] = {
        {"a full-screen game on MEM2", [&] { windows.activate(game); }, "TBB", 1, true},
        {"an editor across both: nothing pauses", [&] { windows.activate(editor); }, "TTB", 1,
         true},
        {"another window that changes nothing", [&] { windows.activate(editor); }, "TTB", 0, false},
        {"the game again, then normal mode by hand",
         [&] {
             windows.activate(game);
             form->mnuNormal_Click();
         },
         "BBB", 4, true},
        {"night by hand: MEM2 stays paused", [&] { form->mnuNight_Click(); }, "TBB", 3, true},
        {"the editor listed from a script",
         [&] {
             form->services().setPauseChoices({true, {"GIMP"}});
         },
         "TBB", 0, true},
        {"the editor active: both its outputs pause", [&] { windows.activate(editor); }, "BBB", 1,
         true},
        {"no window active", [&] { windows.activate(std::nullopt); }, "TTB", 2, true},
        {"full screen off from the menu; the game again",
         [&] {
             form->mnuPauseFull_Click();
             windows.activate(game);
         },
         "TTB", 0, true},
    };
    ASSERT_TRUE(form->Form_Load());
    EXPECT_TRUE(view.pauseFullChecked);
    EXPECT_TRUE(view.pauseFullEnabled);
    EXPECT_TRUE(windows.started);
    EXPECT_EQ(shows(), "TTB");
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        const std::size_t before = writes();
        reported = 0;
        step.act();
        EXPECT_EQ(shows(), step.shows);
        EXPECT_EQ(writes() - before, step.writes);
        EXPECT_EQ(reported > 0, step.reported);
    }
    EXPECT_FALSE(view.pauseFullChecked);
    EXPECT_EQ(settings::LoadPauseSetting(mp.profile, mp.settingsDir.dir),
              (pausing::Choices{false, {"GIMP"}}));
    EXPECT_EQ(settings::LoadUntintedOutputs(mp.profile, mp.settingsDir.dir),
              std::set<std::string>{"MEM3"})
        << "a pause is no untinting";

    // Unload while paused: every output gets its base, and a late window event writes nothing.
    windows.activate(editor);
    ASSERT_EQ(shows(), "BBB");
    form->Unload();
    EXPECT_EQ(shows(), "BBB");
    const std::size_t after = writes();
    windows.activate(std::nullopt);
    windows.wake();
    EXPECT_EQ(writes(), after);
}

// Where no window can be followed: the item is greyed with the reason, a choice kept from an
// earlier run is said once on stderr, and a choice from the menu once in a message.
TEST_F(MainFormTest, PauseChoicesThatCannotActAreSaidOnce) {
    mp.activeWindow.unavailableText = "GNOME on Wayland tells no program which window is active";
    ASSERT_TRUE(settings::SavePauseSetting(mp.profile, mp.settingsDir.dir, {false, {"mpv"}}));
    testing::internal::CaptureStderr();
    ASSERT_TRUE(form->Form_Load());
    form->mnuPauseFull_Click();
    form->mnuPauseFull_Click();
    form->mnuPauseFull_Click();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(mp.activeWindow.started);
    EXPECT_FALSE(view.pauseFullEnabled);
    EXPECT_EQ(view.pauseFullWhy, mp.activeWindow.unavailableText);
    EXPECT_TRUE(view.pauseFullChecked) << "the choice is kept";
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find("GNOME on Wayland"), std::string::npos) << err;
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_NE(view.messages[0].second.find("[The tint cannot pause"), std::string::npos);
}
