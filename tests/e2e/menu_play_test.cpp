// The game as a player meets it: build/bin/tazmelo under Xvfb in a working
// directory of its own (so the state file is its own), driven with xdotool
// and looked at through screenshots (kept in build/tests/screenshots).
//
//  - Back on the menu ends the program at once, with exit code 0.
//  - A first run with no state file: level 1 played to its end by hopping
//    both runners down the grid; back on the menu level 1 is marked
//    complete and level 2 is open and selected; closing the window ends the
//    program; the next run selects level 2 and lists the score of level 1.
//  - A tour of the credits, the option box and the pause menu.
//
// Ring items are told apart by colour: open buttons are blue, completed
// ones green, locked ones dark grey (the Buttons sheet).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "game/myapp.h"
#include "host/image_decode.h"
#include "support/game_session.h"
#include "support/process.h"
#include "support/xvfb.h"

namespace {

using namespace testing_support;

struct Image {
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;  // 3 bytes a pixel
  void At(int x, int y, int* r, int* g, int* b) const {
    const unsigned char* p = &rgb[((size_t)y * width + x) * 3];
    *r = p[0], *g = p[1], *b = p[2];
  }
};

Image LoadPng(const std::string& path) {
  Image img;
  std::string bytes = ReadFile(path);
  int depth = 0;
  unsigned char* px = DecodePng(reinterpret_cast<const unsigned char*>(bytes.data()),
                                bytes.size(), &img.width, &img.height, &depth);
  if (!px) return img;
  img.rgb.resize((size_t)img.width * img.height * 3);
  for (size_t i = 0; i < (size_t)img.width * img.height; ++i) {
    for (int c = 0; c < 3; ++c) img.rgb[i * 3 + c] = px[i * depth + (depth >= 3 ? c : 0)];
  }
  std::free(px);
  return img;
}

// The dominant colour of a ring button: the mean over an annulus around its
// centre (the item's number is drawn on the middle).
std::string ButtonColour(const Image& img, float cx, float cy, float r0, float r1) {
  long long sr = 0, sg = 0, sb = 0, n = 0;
  for (int y = (int)(cy - r1); y <= (int)(cy + r1); ++y) {
    for (int x = (int)(cx - r1); x <= (int)(cx + r1); ++x) {
      float d = std::hypot(x - cx, y - cy);
      if (d < r0 || d > r1 || x < 0 || y < 0 || x >= img.width || y >= img.height) continue;
      int r, g, b;
      img.At(x, y, &r, &g, &b);
      sr += r, sg += g, sb += b, ++n;
    }
  }
  if (!n) return "none";
  int r = (int)(sr / n), g = (int)(sg / n), b = (int)(sb / n);
  std::string rgb = " (" + std::to_string(r) + "," + std::to_string(g) + "," + std::to_string(b) + ")";
  if (b > r + 40 && b > g + 10) return "blue" + rgb;
  if (g > r + 30 && g > b + 30) return "green" + rgb;
  if (std::max({r, g, b}) < 120 && std::max({r, g, b}) - std::min({r, g, b}) < 40) return "dark" + rgb;
  return "other" + rgb;
}

bool StartsWith(const std::string& s, const std::string& prefix) {
  return s.rfind(prefix, 0) == 0;
}

// Pixels that differ between two screenshots inside a rectangle.
int Differences(const Image& a, const Image& b, int x0, int y0, int x1, int y1) {
  int n = 0;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      int ar, ag, ab, br, bg, bb;
      a.At(x, y, &ar, &ag, &ab);
      b.At(x, y, &br, &bg, &bb);
      n += std::abs(ar - br) + std::abs(ag - bg) + std::abs(ab - bb) > 24;
    }
  }
  return n;
}

// Ring item centres at rest (ring centre 38, 416): the selected item sits
// at 48 degrees, the one before it at 16, the one after it at 80.
constexpr float kSelX = 171.0f, kSelY = 296.2f;
constexpr float kPrevX = 76.6f, kPrevY = 281.4f;
constexpr float kNextX = 167.0f, kNextY = 393.3f;

// The game's own lines of output (the audio device reports itself too).
std::string GameLines(const std::string& out) {
  std::string kept;
  size_t start = 0;
  for (size_t nl; (nl = out.find('\n', start)) != std::string::npos; start = nl + 1) {
    std::string line = out.substr(start, nl - start);
    if (line.rfind("opening openal", 0) == 0 || line.rfind("OpenAl error", 0) == 0) continue;
    kept += line + "\n";
  }
  return kept;
}

// A player who knows level 1: its layout comes from the game's own level
// generator, and each runner takes the way down through the most coins
// (every hop goes one row down and one column left or right, inside the
// runner's half). Gives the hops as -1 / +1 per runner and the coins.
struct Route {
  std::vector<int> left, right;
  int coins = 0;
};

Route PlanLevelOne() {
  c_MyApp* app = new c_MyApp();
  app->p_MakePath(1);
  auto coin = [&](int r, int c) { return app->m_grid[(r * 20 + c) * 10 + 1] == 1; };
  Route route;
  for (int half = 0; half < 2; ++half) {
    const int lo = half * 10, hi = lo + 9, start = lo + 4;
    const int rows = 50;
    std::vector<std::vector<int>> best(rows + 1, std::vector<int>(20, -1));
    best[0][start] = 0;
    for (int r = 1; r <= rows; ++r) {
      for (int c = lo; c <= hi; ++c) {
        int from = -1;
        if (c - 1 >= lo) from = std::max(from, best[r - 1][c - 1]);
        if (c + 1 <= hi) from = std::max(from, best[r - 1][c + 1]);
        if (from >= 0) best[r][c] = from + (coin(r, c) ? 1 : 0);
      }
    }
    int c = lo;
    for (int k = lo; k <= hi; ++k) {
      if (best[rows][k] > best[rows][c]) c = k;
    }
    route.coins += best[rows][c];
    std::vector<int> hops(rows);
    for (int r = rows; r >= 1; --r) {
      const int here = best[r][c] - (coin(r, c) ? 1 : 0);
      const int prev = (c - 1 >= lo && best[r - 1][c - 1] == here) ? c - 1 : c + 1;
      hops[r - 1] = c - prev;
      c = prev;
    }
    (half == 0 ? route.left : route.right) = hops;
  }
  return route;
}

class PlayedGame : public ::testing::Test {
 protected:
  std::string dir;
  std::string shots;
  std::unique_ptr<ChildProcess> game;
  unsigned long window = 0;

  void SetUp() override {
    StartXvfb();
    dir = MakeTempDir("menu-play");
    shots = std::string(KESTRO_TEST_TOOLS_DIR) + "/../screenshots";
    RunCommand({"mkdir", "-p", shots});
  }
  void TearDown() override {
    if (game && game->Pid() && game->Running()) game->Kill(9);
  }

  // Starts the game in `dir`, waits for its window and for the menu to
  // settle (loading, then the slide-in), with the pointer parked over the
  // logo, away from the ring and the side panel.
  void Launch() {
    game = std::make_unique<ChildProcess>();
    game->Start({GamePath()}, {"ALSOFT_DRIVERS=null"}, dir);
    window = WaitForWindow("Tazmelo");
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(WaitUntil([&] { return game->Stdout().find("Highscores Loaded") != std::string::npos; },
                        20))
        << game->Stdout();
    Xdotool({"mousemove", "--window", std::to_string(window), "250", "120"});
    SleepSeconds(2.0);
    ASSERT_TRUE(game->Running());
  }

  // A key held long enough for an update to see it.
  void Press(const std::string& key) {
    Xdotool({"keydown", key, "sleep", "0.1", "keyup", key, "sleep", "0.1"});
  }

  Image Shot(const std::string& name) {
    std::string path = shots + "/" + name;
    EXPECT_TRUE(Screenshot(window, path));
    return LoadPng(path);
  }

  void Close() {
    RequestClose(window);
    ASSERT_TRUE(game->Wait(10));
    EXPECT_EQ(game->ExitCode(), 0);
  }

  std::string State() { return ReadFile(dir + "/.kestrostate"); }
};

TEST_F(PlayedGame, BackOnTheMenuEndsTheProgramAtOnce) {
  Launch();
  Shot("e2e_menu_first_start.png");
  Xdotool({"keydown", "Escape"});  // held: the menu reads the key's state
  ASSERT_TRUE(game->Wait(5));
  Xdotool({"keyup", "Escape"});
  EXPECT_EQ(game->ExitCode(), 0);
  EXPECT_EQ(GameLines(game->Stdout()), "Highscores Loaded\n");  // no file: nothing else read
  EXPECT_FALSE(FileExists(dir + "/.kestrostate"));   // no question, no save
}

TEST_F(PlayedGame, LevelOneCompletedIsMarkedRecordedAndRemembered) {
  Launch();
  Image fresh = Shot("e2e_menu_fresh.png");
  ASSERT_GT(fresh.width, 0);
  EXPECT_TRUE(StartsWith(ButtonColour(fresh, kSelX, kSelY, 26, 40), "blue"))
      << ButtonColour(fresh, kSelX, kSelY, 26, 40);
  EXPECT_TRUE(StartsWith(ButtonColour(fresh, kNextX, kNextY, 11, 17), "dark"))
      << ButtonColour(fresh, kNextX, kNextY, 11, 17);

  // Level 1 from the keyboard; then both runners hop down the grid along
  // the planned route, the left one with X / C, the right one with the
  // arrow keys (the keyboard style's steering), both in the same moment.
  const Route route = PlanLevelOne();
  ASSERT_EQ(route.left.size(), 50u);
  Press("space");
  SleepSeconds(1.0);
  ASSERT_TRUE(game->Running());
  auto hop = [](std::vector<std::string>& chain, int left, int right) {
    const std::string a = left < 0 ? "x" : "c", b = right < 0 ? "Left" : "Right";
    for (const char* s : {"keydown", a.c_str(), "keydown", b.c_str(), "sleep", "0.07", "keyup",
                          a.c_str(), "keyup", b.c_str(), "sleep", "0.15"}) {
      chain.push_back(s);
    }
  };
  for (int first = 0; first < 50; first += 10) {
    std::vector<std::string> chain;
    for (int i = first; i < first + 10; ++i) hop(chain, route.left[i], route.right[i]);
    Xdotool(chain);
    if (first == 20) Shot("e2e_playing_level1.png");
  }

  // The end of the game is recorded (and saved) on the way back to the
  // menu. A hop the game missed (a busy machine) leaves a runner short of
  // the goal: one more at a time then, never so many that a spare press
  // would start the next level from the menu.
  const std::string stateFile = dir + "/.kestrostate";
  bool ended = WaitUntil([&] { return FileExists(stateFile); }, 6);
  for (int extra = 0; !ended && extra < 12; ++extra) {
    std::vector<std::string> chain;
    hop(chain, extra % 2 ? -1 : 1, extra % 2 ? -1 : 1);
    Xdotool(chain);
    ended = WaitUntil([&] { return FileExists(stateFile); }, 3.5);
  }
  ASSERT_TRUE(ended) << "the game did not end";
  std::vector<std::string> fields = SplitFields(State());
  ASSERT_EQ(fields.size(), 2241u);
  EXPECT_EQ(fields[36], "1") << "level 1 is not marked complete";
  const int score = std::atoi(fields[35].c_str());
  EXPECT_GT(score, 0) << "the route passes " << route.coins << " coins";
  EXPECT_LE(score, route.coins * 5);
  SleepSeconds(2.0);  // the overlay fades, the menu slides in

  // Level 1 complete (green) one place back on the ring, level 2 open (blue)
  // and selected, level 3 still locked.
  Image after = Shot("e2e_menu_after_level1.png");
  EXPECT_TRUE(StartsWith(ButtonColour(after, kPrevX, kPrevY, 11, 17), "green"))
      << ButtonColour(after, kPrevX, kPrevY, 11, 17);
  EXPECT_TRUE(StartsWith(ButtonColour(after, kSelX, kSelY, 26, 40), "blue"))
      << ButtonColour(after, kSelX, kSelY, 26, 40);
  EXPECT_TRUE(StartsWith(ButtonColour(after, kNextX, kNextY, 11, 17), "dark"))
      << ButtonColour(after, kNextX, kNextY, 11, 17);
  Close();

  // Again: the saved state is read back, level 2 is selected.
  Launch();
  EXPECT_EQ(GameLines(game->Stdout()), "Settings Loaded\nBadges Loaded\nHighscores Loaded\n");
  Image again = Shot("e2e_menu_restart.png");
  EXPECT_TRUE(StartsWith(ButtonColour(again, kPrevX, kPrevY, 11, 17), "green"))
      << ButtonColour(again, kPrevX, kPrevY, 11, 17);
  EXPECT_TRUE(StartsWith(ButtonColour(again, kSelX, kSelY, 26, 40), "blue"))
      << ButtonColour(again, kSelX, kSelY, 26, 40);
  // The side panel lists level 2's empty table, like the fresh start's.
  EXPECT_EQ(Differences(fresh, again, 505, 76, 640, 89), 0);

  // One step up: level 1's table, with the score in first place.
  Press("Up");
  SleepSeconds(1.0);
  Image level1 = Shot("e2e_menu_restart_level1.png");
  EXPECT_TRUE(StartsWith(ButtonColour(level1, kSelX, kSelY, 26, 40), "green"))
      << ButtonColour(level1, kSelX, kSelY, 26, 40);
  EXPECT_GT(Differences(fresh, level1, 505, 76, 640, 89), 20) << "no score on line 1";
  EXPECT_EQ(Differences(fresh, level1, 505, 91, 640, 104), 0) << "line 2 should stay 0";
  Close();
  RecordProperty("score", score);
}

TEST_F(PlayedGame, CreditsOptionBoxAndPauseMenuTour) {
  Launch();
  // Credits: focus the side panel and press a button.
  Press("Right");
  Press("Right");
  Press("space");
  SleepSeconds(1.5);
  Image credits = Shot("e2e_credits.png");
  Press("space");
  SleepSeconds(1.0);

  // The option box: focus the gear.
  Press("Left");
  Press("Left");
  Press("Left");
  Press("space");
  SleepSeconds(1.0);
  Image options = Shot("e2e_option_box.png");
  Press("Escape");  // closes the box (and saves), not the program
  SleepSeconds(1.0);
  ASSERT_TRUE(game->Running());
  EXPECT_TRUE(FileExists(dir + "/.kestrostate"));

  // A game, paused.
  Press("Right");
  Press("space");
  SleepSeconds(1.5);
  Press("Escape");
  SleepSeconds(1.0);
  Image pause = Shot("e2e_pause_menu.png");
  ASSERT_TRUE(game->Running());
  Close();

  // Each screen leaves its mark: the credits' dark panel covers the ring,
  // the option box is brown, the pause screen dark.
  ASSERT_GT(credits.width, 0);
  ASSERT_GT(options.width, 0);
  ASSERT_GT(pause.width, 0);
  int r, g, b;
  options.At(320, 450, &r, &g, &b);
  EXPECT_GT(r, g) << r << "," << g << "," << b;
  EXPECT_GT(g, b);
}

}  // namespace
