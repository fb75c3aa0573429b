// A player's whole game: build/bin/tazmelo under Xvfb, level 1 started from
// the menu with the keyboard, both runners steered down with the keys the
// on-screen hints show (K/L for the left runner, A/D for the right one,
// alternating right and left), through "Level Complete" and back to the
// menu, where the finished game is saved in the state file.
//
// Screenshots of every stage are kept in build/tests/screenshots
// (gameplay_e2e_*.png) for a person to look at.
//
// Needs the menu (starting a game with Space), the loader and mode dispatch,
// the drawing and control helpers and the saved data; with a fresh state file
// the menu selects level 1.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/game_session.h"
#include "support/process.h"
#include "support/xvfb.h"

namespace {

using namespace testing_support;

class GameplayPlay : public ::testing::Test {
 protected:
  GameSession session;
  std::string dir;

  std::string Shot(const std::string& stage) { return session.Shot("gameplay_e2e_" + stage); }

  std::string WaitForScreen(const std::string& stage,
                            const std::function<bool(const std::string&)>& done, double timeout) {
    return session.WaitForScreen("gameplay_e2e_" + stage, done, timeout);
  }

  // The end-of-game overlay's yellow bar crosses the left margin at 45 % of
  // the height, left of the playfield.
  static bool OverlayShown(const std::string& png) {
    Rgb c = AverageColour(png, 4, 212, 60, 8);
    return c.r > 90 && c.g > 90 && c.b < 60;
  }
};

TEST_F(GameplayPlay, LevelOneFromTheMenuToLevelCompleteAndBack) {
  StartXvfb();
  dir = MakeTempDir("gameplay_play");
  ASSERT_TRUE(session.Start(GamePath(), dir));
  // The loading screen, then the menu's background eases to green and its
  // layout slides in (half a second at full speed; the machine may be busy).
  ASSERT_NE(WaitForScreen("1_menu", GameSession::MenuScreen, 30), "") << "no menu";
  SleepSeconds(1.5);
  Shot("1_menu");

  // Space starts the selected level; with a fresh state file that is level 1.
  ASSERT_TRUE(session.StartLevel("gameplay_e2e_2_start")) << "the game did not start";
  SleepSeconds(0.3);
  Shot("2_start");

  bool ended = false;
  int hops = 0;
  for (; hops < 140 && !ended && session.Running(); ++hops) {
    session.Hop(hops % 2 == 0);
    if (hops == 24) Shot("3_midgame");
    if (hops >= 46) ended = OverlayShown(Shot("4_end"));
  }
  ASSERT_TRUE(ended) << "no end-of-game overlay after " << hops << " hops";
  SleepSeconds(0.5);
  Shot("5_end_words");

  // The game is recorded when the sequence ends; then the menu is back.
  std::string state;
  for (int i = 0; i < 100 && state.empty(); ++i) {
    SleepSeconds(0.1);
    if (FileExists(dir + "/.kestrostate")) state = ReadFile(dir + "/.kestrostate");
  }
  ASSERT_FALSE(state.empty()) << "no state saved after the game";
  std::vector<std::string> fields = SplitFields(state);
  ASSERT_GE(fields.size(), 37u);
  EXPECT_EQ(fields[36], "1") << "level 1 is not recorded as complete";
  EXPECT_GE(std::stoi(fields[35]), 0);

  EXPECT_NE(WaitForScreen("6_menu_after", GameSession::MenuScreen, 15), "")
      << "the menu is not back";
  SleepSeconds(1.0);
  Shot("6_menu_after");

  Xdotool({"key", "F4"});
  ASSERT_TRUE(session.Process().Wait(10));
  EXPECT_EQ(session.Process().ExitCode(), 0)
      << session.Process().Stdout() << session.Process().Stderr();
}

}  // namespace
