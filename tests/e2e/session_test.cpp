// A short session of the real game, played as a player would: level 1 won
// along its coin route and scored, level 2 quit from the pause menu, the
// close button ending the program with exit code 0; the next start reads the
// progress back and keeps it through its own save. The sanitized long
// session (menus, options, window changes, a lost level) is the soak.
#include <gtest/gtest.h>

#include "support/play.h"

namespace {

using namespace testing_support;

TEST(Session, AWonAndAQuitLevelOutliveARestart) {
  Player p;
  ASSERT_TRUE(p.Start()) << p.Output();
  ASSERT_TRUE(StartLevel(p)) << "no level 1" << p.Output();
  const int coins = WinLevel(p, 1);
  ASSERT_GE(coins, 0) << "level 1 not won";
  p.Keep("session_1_level1_complete");
  ASSERT_TRUE(p.WaitState([&](const SavedText& s) {
    return s.Status(1) == 1 && s.Score(1, 0) == 5 * coins;
  })) << "level 1 not recorded with " << coins << " coins";

  // Level 2, selected after level 1, quit from the pause menu.
  ASSERT_TRUE(StartLevel(p));
  ASSERT_TRUE(PauseAndQuit(p)) << "no quit from the pause menu";
  p.Keep("session_2_level2_quit");
  ASSERT_TRUE(p.WaitState([](const SavedText& s) { return s.Status(2) == -1; }));
  ASSERT_TRUE(p.WaitFor(MenuScreen));
  ASSERT_TRUE(p.Close()) << "the close button did not end the program";
  EXPECT_EQ(p.Process().ExitCode(), 0) << p.Output();

  // A new start in the same folder reads everything back, and its own save
  // (level 2 quit once more) keeps it all.
  Player again;
  ASSERT_TRUE(again.Start({{GamePath()}, {"ALSOFT_DRIVERS=null"}, p.Dir()}));
  ASSERT_TRUE(StartLevel(again));
  EXPECT_NE(again.Process().Stdout().find("Settings Loaded\nBadges Loaded\nHighscores Loaded\n"),
            std::string::npos) << again.Output();
  ASSERT_TRUE(PauseAndQuit(again));
  ASSERT_TRUE(again.WaitState([&](const SavedText& s) {
    return s.Status(2) == -2 && s.Status(1) == 1 && s.Score(1, 0) == 5 * coins;
  })) << "level 2 was not the selected level, or the earlier records were lost";
  ASSERT_TRUE(again.Close());
  EXPECT_EQ(again.Process().ExitCode(), 0);
}

}  // namespace
