// The notification icon, minimising, the title strip and the link label.
#include "MainFormFixture.h"

TEST_F(MainFormTest, LeftPressOnTheIconRestoresAndNothingElseDoes) {
    storeColor("255");
    ASSERT_TRUE(form->Form_Load());
    ASSERT_EQ(view.window, Window::PutAway);

    for (NotifyIcon::Click click :
         {NotifyIcon::Click::DoubleClick, NotifyIcon::Click::MiddlePress}) {
        mp.tray.fire(click);
        EXPECT_EQ(view.window, Window::PutAway) << "click " << static_cast<int>(click);
    }
    EXPECT_EQ(view.calls, std::vector<std::string>{"putAway"});
    form->lbWeibo_MouseMove();
    mp.tray.fire(NotifyIcon::Click::LeftPress);
    EXPECT_EQ(view.window, Window::Shown);
    EXPECT_EQ(view.calls.back(), "restore");
    EXPECT_TRUE(mp.tray.shown);  // the icon stays while the window is shown
    EXPECT_FALSE(view.linkLit);
}

TEST_F(MainFormTest, RightButtonOnTheIconOpensTheMenuWithoutShowingTheWindow) {
    storeColor("255");
    ASSERT_TRUE(form->Form_Load());
    mp.tray.fire(NotifyIcon::Click::RightPress);
    EXPECT_EQ(view.calls, (std::vector<std::string>{"putAway", "openMenu"}));

    form->mnuNormal_Click();
    EXPECT_EQ(view.window, Window::PutAway);
    EXPECT_EQ(mp.display.current(), startRamp);
}

TEST_F(MainFormTest, IconEventsWhileShownOnlyResetTheLink) {
    ASSERT_TRUE(form->Form_Load());
    form->showAfterLoad();
    form->lbWeibo_MouseMove();
    mp.tray.fire(NotifyIcon::Click::RightPress);
    mp.tray.fire(NotifyIcon::Click::LeftPress);
    EXPECT_EQ(view.calls, std::vector<std::string>{"showWindow"});
    EXPECT_FALSE(view.linkLit);
}

TEST_F(MainFormTest, MinimiseRestoreMinimiseKeepsOneIcon) {
    ASSERT_TRUE(form->Form_Load());
    form->showAfterLoad();
    form->picMini_MouseMove();
    form->picMini_Click();
    EXPECT_EQ(view.window, Window::PutAway);
    EXPECT_TRUE(mp.tray.shown);
    EXPECT_FALSE(view.miniLit);
    mp.tray.fire(NotifyIcon::Click::LeftPress);
    EXPECT_EQ(view.window, Window::Shown);
    form->picMini_Click();
    EXPECT_EQ(view.window, Window::PutAway);
    EXPECT_TRUE(mp.tray.shown);
    EXPECT_EQ(mp.tray.removes, 0);
}

TEST_F(MainFormTest, MinimisedByTheWindowManagerGoesIntoTheNotificationArea) {
    ASSERT_TRUE(form->Form_Load());
    form->showAfterLoad();
    form->Form_Resize(false);
    EXPECT_EQ(mp.tray.adds, 0);
    form->Form_Resize(true);
    EXPECT_EQ(view.window, Window::PutAway);
    EXPECT_EQ(mp.tray.adds, 1);
    mp.tray.fire(NotifyIcon::Click::LeftPress);
    EXPECT_EQ(view.window, Window::Shown);
}

TEST_F(MainFormTest, WithoutANotificationAreaTheWindowGoesToTheTaskbarInstead) {
    mp.tray.hostPresent = false;
    storeColor("255");
    ASSERT_TRUE(form->Form_Load());
    form->showAfterLoad();
    EXPECT_EQ(view.calls, std::vector<std::string>{"minimise"});
    form->Form_Resize(true);  // the window manager reports the minimise: nothing more happens
    EXPECT_EQ(view.calls, std::vector<std::string>{"minimise"});
    // The icon still brings it back, should a notification area appear.
    mp.tray.fire(NotifyIcon::Click::LeftPress);
    EXPECT_EQ(view.window, Window::Shown);

    form->picMini_Click();
    EXPECT_EQ(view.window, Window::Minimised);
    form->Form_Resize(false);  // restored from the taskbar
    EXPECT_TRUE(form->windowShown());
    form->picMini_Click();
    EXPECT_EQ(view.window, Window::Minimised);
}

TEST_F(MainFormTest, HoverPicturesSwapOnEnterAndResetOnlyOverTheTitleStrip) {
    form->picCls_MouseMove();
    form->picMini_MouseMove();
    EXPECT_TRUE(view.closeLit);
    EXPECT_TRUE(view.miniLit);

    form->Form_MouseMove();  // the window background resets nothing
    EXPECT_TRUE(view.closeLit);
    EXPECT_TRUE(form->closeLit());

    form->picTopbar_MouseMove();
    EXPECT_FALSE(view.closeLit);
    EXPECT_FALSE(view.miniLit);
    EXPECT_FALSE(form->miniLit());
}

TEST_F(MainFormTest, OnlyTheLeftButtonDragsByTheTitleStripAndAWindowManagerDoesIt) {
    form->picTopbar_MouseDown(2);
    form->lbTitle_MouseDown(4);
    EXPECT_EQ(mp.drag.calls, 0);
    form->picTopbar_MouseDown(1);
    form->lbTitle_MouseDown(1);
    EXPECT_EQ(mp.drag.calls, 2);
    EXPECT_EQ(mp.drag.window, RecordingMainView::kId);
    EXPECT_TRUE(view.calls.empty());

    mp.drag.accept = false;  // no window manager: the window follows the pointer itself
    form->picTopbar_MouseDown(1);
    EXPECT_EQ(view.calls, std::vector<std::string>{"followPointer"});
}

TEST_F(MainFormTest, LinkTurnsBlueOverItselfGreyOverTheBackgroundAndOpensTheHelpPage) {
    form->lbWeibo_MouseMove();
    EXPECT_TRUE(view.linkLit);
    EXPECT_EQ(frmMainLayout::linkColor(true), BgrColor(0x00F38D38));
    form->Form_MouseMove();
    EXPECT_FALSE(view.linkLit);
    EXPECT_EQ(frmMainLayout::linkColor(false), BgrColor(0x00808080));

    form->lbWeibo_Click();
    EXPECT_EQ(view.calls, std::vector<std::string>{"letPendingEventsRun"});
    EXPECT_EQ(mp.url.opened, std::vector<std::string>{frmMain::kHelpUrl});
}

// Start at login shows what the system holds each time the menu opens (an entry removed by hand
// included), the item turns it the other way, and a change the system refuses is said while the
// check keeps showing what is there.
TEST_F(MainFormTest, StartAtLoginIsCheckedFromWhatIsThereWhenTheMenuOpens) {
    storeColor("255");
    ASSERT_TRUE(form->Form_Load());
    int changes = 0;
    form->changed = [&changes] { ++changes; };
    mp.autostart.on = true;  // added by hand, or by the setup program
    mp.tray.fire(NotifyIcon::Click::RightPress);
    EXPECT_TRUE(view.autostartChecked);

    form->mnuAutostart_Click();
    EXPECT_FALSE(mp.autostart.on);
    EXPECT_FALSE(view.autostartChecked);
    form->mnuAutostart_Click();
    EXPECT_TRUE(mp.autostart.on);
    EXPECT_TRUE(view.autostartChecked);
    EXPECT_EQ(changes, 2);

    mp.autostart.on = false;  // removed by hand
    mp.tray.fire(NotifyIcon::Click::RightPress);
    EXPECT_FALSE(view.autostartChecked);

    mp.autostart.refusal = "the folder is read-only";
    form->mnuAutostart_Click();
    EXPECT_FALSE(view.autostartChecked);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_NE(view.messages[0].second.find("The folder is read-only."), std::string::npos);
    EXPECT_EQ(changes, 2) << "nothing changed";
}
