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

#include <cstdio>
#include <string>
#include <vector>

#include "support/game_rig.h"
#include "support/process.h"
#include "support/xvfb.h"

namespace {

using namespace testing_support;

struct Rgb {
  int r = 0, g = 0, b = 0;
};

// Average colour of a rectangle of a PNG, by ImageMagick.
Rgb AverageColour(const std::string& png, int x, int y, int w, int h) {
  RunResult res = RunCommand(
      {"convert", png, "-crop",
       std::to_string(w) + "x" + std::to_string(h) + "+" + std::to_string(x) + "+" +
           std::to_string(y),
       "+repage", "-resize", "1x1!", "-format",
       "%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]", "info:"});
  Rgb c;
  std::sscanf(res.out.c_str(), "%d %d %d", &c.r, &c.g, &c.b);
  return c;
}

class GameplayPlay : public ::testing::Test {
 protected:
  ChildProcess game;
  unsigned long window = 0;
  std::string dir;

  void TearDown() override {
    for (const char* key : {"k", "l", "a", "d"}) Xdotool({"keyup", key});
    if (game.Pid() && game.Running()) game.Kill(9);
  }

  std::string Shot(const std::string& stage) {
    std::string path = ScreenshotDir() + "/gameplay_e2e_" + stage + ".png";
    EXPECT_TRUE(Screenshot(window, path)) << stage;
    return path;
  }

  // One hop of each runner: hold both keys long enough for several updates
  // to see them, then let go so the next press counts again.
  void Hop(bool right) {
    const char* left = right ? "l" : "k";
    const char* other = right ? "d" : "a";
    Xdotool({"keydown", left, "keydown", other});
    SleepSeconds(0.09);
    Xdotool({"keyup", left, "keyup", other});
    SleepSeconds(0.13);
  }

  // Takes screenshots until `done` holds for one (up to `timeout` seconds);
  // gives the last one's path, or "" when it never held.
  template <class F>
  std::string WaitForScreen(const std::string& stage, F done, double timeout) {
    for (double t = 0; t < timeout && game.Running(); t += 0.25) {
      std::string path = Shot(stage);
      if (done(path)) return path;
      SleepSeconds(0.25);
    }
    return "";
  }

  // The menu's background is green; the game draws on black.
  static bool Green(const std::string& png) {
    Rgb c = AverageColour(png, 0, 100, 40, 40);
    return c.g > c.r + 20;
  }
  static bool Black(const std::string& png) {
    Rgb c = AverageColour(png, 0, 100, 40, 40);
    return c.g < 40 && c.r < 40;
  }

  // The end-of-game overlay's yellow bar crosses the left margin at 45 % of
  // the height, left of the playfield.
  bool OverlayShown(const std::string& png) {
    Rgb c = AverageColour(png, 4, 212, 60, 8);
    return c.r > 90 && c.g > 90 && c.b < 60;
  }
};

TEST_F(GameplayPlay, LevelOneFromTheMenuToLevelCompleteAndBack) {
  StartXvfb();
  dir = MakeTempDir("gameplay_play");
  game.Start({GamePath()}, {"ALSOFT_DRIVERS=null"}, dir);
  window = WaitForWindow("Tazmelo");
  ASSERT_NE(window, 0u);
  // The loading screen, then the menu's background eases to green and its
  // layout slides in (half a second at full speed; the machine may be busy).
  ASSERT_NE(WaitForScreen("1_menu", Green, 30), "") << "no menu";
  SleepSeconds(1.5);
  Shot("1_menu");

  // Space starts the selected level; with a fresh state file that is level 1.
  std::string start;
  for (int press = 0; press < 3 && start.empty(); ++press) {
    Xdotool({"keydown", "space"});
    SleepSeconds(0.1);
    Xdotool({"keyup", "space"});
    start = WaitForScreen("2_start", Black, 5);
  }
  ASSERT_NE(start, "") << "the game did not start";
  SleepSeconds(0.3);
  Shot("2_start");

  bool ended = false;
  int hops = 0;
  for (; hops < 140 && !ended && game.Running(); ++hops) {
    Hop(hops % 2 == 0);
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

  EXPECT_NE(WaitForScreen("6_menu_after", Green, 15), "") << "the menu is not back";
  SleepSeconds(1.0);
  Shot("6_menu_after");

  Xdotool({"key", "F4"});
  ASSERT_TRUE(game.Wait(10));
  EXPECT_EQ(game.ExitCode(), 0) << game.Stdout() << game.Stderr();
}

}  // namespace
