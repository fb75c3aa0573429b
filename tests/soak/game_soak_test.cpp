// The soak: the real program, built with AddressSanitizer and
// UndefinedBehaviorSanitizer, played under Xvfb by a scripted player who
// looks at the window after every move: loading and the menu, the credits
// panel, the option box with every row acted on (the window row flips to
// full screen and back), F11 full screen and back, a window resize and
// back, levels 1 and 2 won along their coin routes, level 3 paused (the
// option box over the paused game), resumed and lost, level 3 again quit
// from the pause menu, and the end through the window's close button.
//
// At the end: exit code 0, no sanitizer report, and a state file whose
// checksums hold, with the options' settings, the levels' status and the
// exact scores of the coins taken. Screenshots: soak_*.png.
#include <gtest/gtest.h>
#include <sys/inotify.h>

#include "support/play.h"

namespace {

using namespace testing_support;

constexpr int kSlotSound = 5, kSlotLeftStickY = 15, kSlotRightStickY = 16;

class Soak : public ::testing::Test {
 protected:
  Player p;
  FileWatch data{std::string(KESTRO_BIN_DIR) + "/data", IN_OPEN};

  // A new window of the given size, with the sheet of its size loaded.
  void Reopened(int width, int height, const char* sheet) {
    ASSERT_TRUE(p.FollowWindow()) << "no new window";
    int w = 0, h = 0;
    ASSERT_TRUE(p.Size(&w, &h));
    EXPECT_EQ(w, width);
    EXPECT_EQ(h, height);
    EXPECT_TRUE(data.WaitFor(IN_OPEN, sheet, Player::patience)) << sheet << " not loaded";
  }
};

TEST_F(Soak, AWholeSessionEndsCleanWithItsProgressSaved) {
  ASSERT_TRUE(p.Start({{GamePath()}, {"ALSOFT_DRIVERS=null", "KESTRO_GC_VERIFY=1"}, ""}));
  EXPECT_TRUE(data.WaitFor(IN_OPEN, "gfx-hd.png", Player::patience)) << "the loader never ran";
  ASSERT_TRUE(p.WaitFor(MenuScreen)) << "no menu";
  p.Keep("soak_01_menu");

  // The credits: a click gives the side panel the focus (a white edge),
  // Space slides it open over the menu's green.
  auto panelOpen = [](const Shot& s) { const Rgb c = s.Mean(300, 250, 100, 100); return c.g < c.r + 30; };
  p.PointerTo(570, 240);
  ASSERT_TRUE(p.Press({"button1"}, [](const Shot& s) {
    return s.Share(497, 100, 6, 300, [](Rgb c) { return c.r > 200 && c.g > 200; }) > 0.1;
  })) << "the side panel did not take the focus";
  p.PointerTo(250, 120);
  ASSERT_TRUE(p.Press({"space"}, panelOpen)) << "no credits";
  ASSERT_TRUE(WaitUntil([&] {  // slid in: the panel holds still over a few frames
    const Shot a = p.Look();
    p.NextFrames(5);
    return p.Look().Differences(a, 150, 240, 150, 240) < 200;
  }, Player::patience));
  p.Keep("soak_02_credits");
  // Space toggles the panel: held only until it starts to slide back.
  const Shot credits = p.Look();
  ASSERT_TRUE(p.Press({"space"}, [&](const Shot& s) { return s.Differences(credits, 150, 240, 150, 240) > 2000; }));
  ASSERT_TRUE(p.WaitFor([&](const Shot& s) { return !panelOpen(s); }));

  // The option box from the gear: every row.
  p.PointerTo(38, 416);
  ASSERT_TRUE(p.Press({"button1"}, OptionBox)) << "no option box";
  p.PointerTo(250, 120);
  ASSERT_TRUE(CursorTo(p, 1) && ActOnRow(p, 1));  // sound: effects only
  ASSERT_TRUE(CursorTo(p, 2) && ActOnRow(p, 2));  // iCade on
  p.Keep("soak_03_options_icade");
  ASSERT_TRUE(ActOnRow(p, 2));  // and off
  ASSERT_TRUE(CursorTo(p, 3));
  for (bool full : {true, false}) {  // the window row: a new window each time
    ASSERT_TRUE(p.Press({"space"}, [](const Shot& s) { return !s.Ok(); }, 1, Player::patience));
    ASSERT_NO_FATAL_FAILURE(Reopened(full ? 1280 : 640, full ? 720 : 480, full ? "gfx-hd2.png" : "gfx-hd.png"));
    ASSERT_TRUE(p.WaitFor(OptionBox)) << "no option box after the flip";
    p.Keep(full ? "soak_04_options_full_screen" : "soak_05_options_windowed");
  }
  ASSERT_TRUE(CursorTo(p, 4) && ActOnRow(p, 4));
  ASSERT_TRUE(CursorTo(p, 5) && ActOnRow(p, 5));
  ASSERT_TRUE(CursorTo(p, 0));
  ASSERT_TRUE(p.Press({"space"}, [](const Shot& s) { return !OptionBox(s); }));
  ASSERT_TRUE(p.WaitState([](const SavedText& s) {
    return s.Setting(kSlotSound) == 2 && s.Setting(kSlotLeftStickY) == 1 &&
           s.Setting(kSlotRightStickY) == 1;
  })) << "the option box's settings were not saved";

  // F11 and back, then a resize as a window manager does it, and back.
  for (bool full : {true, false}) {
    p.Tap("F11");
    ASSERT_NO_FATAL_FAILURE(Reopened(full ? 1280 : 640, full ? 720 : 480, full ? "gfx-hd2.png" : "gfx-hd.png"));
    ASSERT_TRUE(p.WaitFor(MenuScreen)) << "no menu after F11";
    p.Keep(full ? "soak_06_menu_full_screen" : "soak_07_menu_windowed");
  }
  for (int size : {900, 640}) {  // within the screen: XGetImage reads no more
    p.Resize(size, size == 640 ? 480 : 560);
    EXPECT_TRUE(data.WaitFor(IN_OPEN, "gfx-hd.png", Player::patience)) << "no reload after a resize";
    ASSERT_TRUE(p.WaitFor(MenuScreen));
  }
  p.Keep("soak_08_menu_resized_back");

  // Levels 1 and 2 won (each selected after the one before).
  int coins[3] = {0, 0, 0};
  for (int level : {1, 2}) {
    ASSERT_TRUE(StartLevel(p));
    coins[level] = WinLevel(p, level);
    ASSERT_GE(coins[level], 0) << "level " << level << " not won";
    p.Keep("soak_09_level" + std::to_string(level) + "_complete");
    ASSERT_TRUE(p.WaitState([&](const SavedText& s) { return s.Status(level) == 1; }));
  }

  // Level 3: paused, the option box over the paused game, resumed, lost.
  ASSERT_TRUE(StartLevel(p));
  ASSERT_TRUE(Pause(p));
  ASSERT_TRUE(p.Press({"Down"}, [](const Shot& s) { return PauseCursor(s) == 1; }));
  ASSERT_TRUE(p.Press({"space"}, OptionBox));
  p.Keep("soak_10_paused_options");
  ASSERT_TRUE(p.Press({"Escape"}, [](const Shot& s) { return !OptionBox(s) && PauseCursor(s) != -2; }))
      << "Escape must close the box, not the pause";
  ASSERT_TRUE(p.Press({"Up"}, [](const Shot& s) { return PauseCursor(s) == 0; }));
  ASSERT_TRUE(p.Press({"space"}, [](const Shot& s) { return PauseCursor(s) == -2 && GameScreen(s); }));
  ASSERT_TRUE(LoseLevel(p));
  p.Keep("soak_11_level3_lost");
  ASSERT_TRUE(p.WaitState([](const SavedText& s) { return s.Status(3) == -1; }));

  // Level 3 again, quit from the pause menu.
  ASSERT_TRUE(StartLevel(p));
  ASSERT_TRUE(PauseAndQuit(p));
  ASSERT_TRUE(p.WaitState([](const SavedText& s) { return s.Status(3) == -2; }));
  ASSERT_TRUE(p.WaitFor(MenuScreen));
  p.Keep("soak_12_menu_end");

  ASSERT_TRUE(p.Close()) << "the close button did not end the program";
  const std::string err = p.Process().Stderr();
  EXPECT_EQ(p.Process().ExitCode(), 0) << "signal " << p.Process().TermSignal();
  for (const char* report : {"AddressSanitizer", "LeakSanitizer", "runtime error:"}) {
    EXPECT_EQ(err.find(report), std::string::npos) << err;
  }
  SavedText saved(ReadFile(p.StatePath()));
  EXPECT_EQ(saved.Problems(), "");
  EXPECT_EQ(saved.Setting(kSlotSound), 2);
  EXPECT_EQ(saved.Setting(kSlotLeftStickY), 1);
  EXPECT_EQ(saved.Setting(kSlotRightStickY), 1);
  for (int level : {1, 2}) {
    EXPECT_EQ(saved.Status(level), 1);
    EXPECT_EQ(saved.Score(level, 0), 5 * coins[level]);
    EXPECT_EQ(saved.Score(level, 1), 0);
  }
  EXPECT_EQ(saved.Status(3), -2);
}

}  // namespace
