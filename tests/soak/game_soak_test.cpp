// The soak: the real program, built with AddressSanitizer and
// UndefinedBehaviorSanitizer, played under Xvfb by a scripted player who
// looks at the window after every move: the menu, the option box with every
// row acted on (the window row flips to full screen and back), a window
// resize and back, level 1 paused (the option box over the paused game),
// resumed and lost, and the end through the close button: exit code 0 and
// no sanitizer report. Won and quit levels and a restart are the session's.
#include <gtest/gtest.h>
#include <sys/inotify.h>

#include "support/play.h"

namespace {

using namespace testing_support;

constexpr int kSlotSound = 5, kSlotLeftStickY = 15, kSlotRightStickY = 16;

TEST(Soak, AWholeSessionEndsClean) {
  Player p;
  FileWatch data(std::string(KESTRO_BIN_DIR) + "/data", IN_OPEN);
  ASSERT_TRUE(p.Start({{GamePath()}, {"ALSOFT_DRIVERS=null", "KESTRO_GC_VERIFY=1"}, ""}));
  EXPECT_TRUE(data.WaitFor(IN_OPEN, "gfx-hd.png", Player::patience)) << "the loader never ran";
  ASSERT_TRUE(p.WaitFor(MenuScreen)) << "no menu";
  p.Keep("soak_01_menu");

  // The option box from the gear: every row.
  p.PointerTo(38, 416);
  ASSERT_TRUE(p.Press({"button1"}, OptionBox)) << "no option box";
  p.PointerTo(250, 120);
  ASSERT_TRUE(CursorTo(p, 1) && ActOnRow(p, 1));  // sound: effects only
  ASSERT_TRUE(CursorTo(p, 2) && ActOnRow(p, 2));  // iCade on
  p.Keep("soak_02_options_icade");
  ASSERT_TRUE(ActOnRow(p, 2));  // and off
  ASSERT_TRUE(CursorTo(p, 3));
  for (bool full : {true, false}) {  // the window row: a new window each time
    ASSERT_TRUE(p.Press({"space"}, [](const Shot& s) { return !s.Ok(); }, 1, Player::patience));
    int w = 0, h = 0;
    ASSERT_TRUE(p.FollowWindow() && p.Size(&w, &h)) << "no new window";
    EXPECT_EQ(w * 10000 + h, full ? 12800720 : 6400480);
    EXPECT_TRUE(data.WaitFor(IN_OPEN, full ? "gfx-hd2.png" : "gfx-hd.png", Player::patience)) << "no sheet loaded";
    ASSERT_TRUE(p.WaitFor(OptionBox)) << "no option box after the flip";
    p.Keep(full ? "soak_03_options_full_screen" : "soak_04_options_windowed");
  }
  ASSERT_TRUE(CursorTo(p, 4) && ActOnRow(p, 4));
  ASSERT_TRUE(CursorTo(p, 5) && ActOnRow(p, 5));
  ASSERT_TRUE(CursorTo(p, 0));
  ASSERT_TRUE(p.Press({"space"}, [](const Shot& s) { return !OptionBox(s); }));
  ASSERT_TRUE(p.WaitState([](const SavedText& s) {
    return s.Setting(kSlotSound) == 2 && s.Setting(kSlotLeftStickY) == 1 &&
           s.Setting(kSlotRightStickY) == 1;
  })) << "the option box's settings were not saved";

  // A resize as a window manager does it, and back.
  for (int size : {900, 640}) {  // within the screen: XGetImage reads no more
    p.Resize(size, size == 640 ? 480 : 560);
    EXPECT_TRUE(data.WaitFor(IN_OPEN, "gfx-hd.png", Player::patience)) << "no reload after a resize";
    ASSERT_TRUE(p.WaitFor(MenuScreen));
  }
  p.Keep("soak_05_menu_resized_back");

  // Level 1: paused, the option box over the paused game, resumed, lost.
  ASSERT_TRUE(StartLevel(p));
  ASSERT_TRUE(Pause(p));
  ASSERT_TRUE(p.Press({"Down"}, [](const Shot& s) { return PauseCursor(s) == 1; }));
  ASSERT_TRUE(p.Press({"space"}, OptionBox));
  p.Keep("soak_06_paused_options");
  ASSERT_TRUE(p.Press({"Escape"}, [](const Shot& s) { return !OptionBox(s) && PauseCursor(s) != -2; }))
      << "Escape must close the box, not the pause";
  ASSERT_TRUE(p.Press({"Up"}, [](const Shot& s) { return PauseCursor(s) == 0; }));
  ASSERT_TRUE(p.Press({"space"}, [](const Shot& s) { return PauseCursor(s) == -2 && GameScreen(s); }));
  ASSERT_TRUE(p.WaitFor(EndOverlay)) << "no move, yet level 1 did not end";
  p.Keep("soak_07_level1_lost");
  ASSERT_TRUE(p.WaitState([](const SavedText& s) { return s.Status(1) == -1; }));

  ASSERT_TRUE(p.WaitFor(MenuScreen));
  p.Keep("soak_08_menu_end");

  ASSERT_TRUE(p.Close()) << "the close button did not end the program";
  const std::string err = p.Process().Stderr();
  EXPECT_EQ(p.Process().ExitCode(), 0) << "(-1000: a signal)";
  for (const char* report : {"AddressSanitizer", "LeakSanitizer", "runtime error:"}) {
    EXPECT_EQ(err.find(report), std::string::npos) << err;
  }
}

}  // namespace
