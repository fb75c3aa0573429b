// A short session of the real game, played as a player would: the menu, the
// option box (the sound row, saved when the box is closed), level 1 won
// along its coin route, level 2 paused, resumed and lost, then quit from
// the pause menu; the close button ends the program, and the next start
// reads the progress back and keeps it through its own saves. The sanitized
// whole session is the soak (tests/soak).
#include <gtest/gtest.h>

#include "support/play.h"

namespace {

using namespace testing_support;

constexpr int kSlotSound = 5;

TEST(Session, WonLostPausedAndQuitGamesAndTheSettingsOutliveARestart) {
  Player p;
  ASSERT_TRUE(p.Start()) << p.Output();
  ASSERT_TRUE(p.WaitFor(MenuScreen)) << "no menu" << p.Output();
  p.Keep("session_1_menu");

  // The gear (bottom left), one step of the sound row, back through the gear.
  p.PointerTo(38, 416);
  ASSERT_TRUE(p.Press({"button1"}, OptionBox)) << "no option box";
  p.PointerTo(250, 120);
  ASSERT_TRUE(CursorTo(p, 1) && ActOnRow(p, 1));
  p.Keep("session_2_options");
  ASSERT_TRUE(CursorTo(p, 0));
  ASSERT_TRUE(p.Press({"space"}, [](const Shot& s) { return !OptionBox(s); }));
  ASSERT_TRUE(p.WaitState([](const SavedText& s) { return s.Setting(kSlotSound) == 2; }))
      << "the sound setting was not saved";

  // Level 1, selected on a first start.
  ASSERT_TRUE(StartLevel(p));
  const int coins = WinLevel(p, 1);
  ASSERT_GE(coins, 0) << "level 1 not won";
  p.Keep("session_3_level1_complete");
  ASSERT_TRUE(p.WaitState([&](const SavedText& s) {
    return s.Status(1) == 1 && s.Score(1, 0) == 5 * coins;
  })) << "level 1 not recorded with " << coins << " coins";

  // Level 2, selected after level 1: paused, resumed, then lost.
  ASSERT_TRUE(p.WaitFor(MenuScreen));
  ASSERT_TRUE(StartLevel(p));
  ASSERT_TRUE(Pause(p)) << "no pause menu";
  p.Keep("session_4_paused");
  ASSERT_EQ(PauseCursor(p.Look()), 0) << "the pause menu opens on resume";
  ASSERT_TRUE(p.Press({"space"}, [](const Shot& s) { return PauseCursor(s) == -2 && GameScreen(s); }));
  ASSERT_TRUE(LoseLevel(p)) << "level 2 did not end";
  ASSERT_TRUE(p.WaitState([](const SavedText& s) { return s.Status(2) == -1; }));

  // Level 2 again, quit from the pause menu.
  ASSERT_TRUE(p.WaitFor(MenuScreen));
  ASSERT_TRUE(StartLevel(p));
  ASSERT_TRUE(PauseAndQuit(p)) << "no quit from the pause menu";
  ASSERT_TRUE(p.WaitState([](const SavedText& s) { return s.Status(2) == -2; }));
  ASSERT_TRUE(p.WaitFor(MenuScreen));
  ASSERT_TRUE(p.Close()) << "the close button did not end the program";
  EXPECT_EQ(p.Process().ExitCode(), 0) << p.Output();

  // A new start in the same folder reads everything back, and its own save
  // (level 2 quit once more) keeps it all.
  Player again;
  ASSERT_TRUE(again.Start({{GamePath()}, {"ALSOFT_DRIVERS=null"}, p.Dir()}));
  ASSERT_TRUE(again.WaitFor(MenuScreen));
  EXPECT_NE(again.Process().Stdout().find("Settings Loaded\nBadges Loaded\nHighscores Loaded\n"),
            std::string::npos) << again.Output();
  ASSERT_TRUE(StartLevel(again));
  ASSERT_TRUE(PauseAndQuit(again));
  ASSERT_TRUE(again.WaitState([](const SavedText& s) { return s.Status(2) == -3; }))
      << "level 2 was not the selected level, or its failures were forgotten";
  SavedText saved(ReadFile(again.StatePath()));
  EXPECT_EQ(saved.Problems(), "");
  EXPECT_EQ(saved.Setting(kSlotSound), 2);
  EXPECT_EQ(saved.Status(1), 1);
  EXPECT_EQ(saved.Score(1, 0), 5 * coins);
  ASSERT_TRUE(again.Close());
  EXPECT_EQ(again.Process().ExitCode(), 0);
}

}  // namespace
