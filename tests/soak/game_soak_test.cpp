// The soak: the real program, built with AddressSanitizer and
// UndefinedBehaviorSanitizer, played for a minute or two under Xvfb by a
// scripted player who looks at the window after every move:
//
//   loading and the menu (ring, credits), the option box with every row
//   acted on (the window row flips to full screen and back), F11 full
//   screen and back, a window resize and back, levels 1 and 2 won along
//   their coin routes, level 3 paused (the option box over the paused game)
//   and resumed, then lost on a deadly tile, level 3 again quit from the
//   pause menu, level 1 chosen on the ring and won again, and the end
//   through the window's close button.
//
// What must hold at the end: exit code 0, no sanitizer report on stderr,
// and a state file whose checksums hold, with the options' settings, the
// levels' status and the exact scores of the coins the player took.
//
// The player never relies on speed: every move is checked on screen (the
// runners' key hints on levels 1 and 2, the option box's cursor bar, the
// window after a flip) and repeated when the game missed it. Screenshots of
// each stage go to build-san/tests/screenshots/soak_*.png.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/game_rig.h"
#include "support/process.h"
#include "support/soak_game.h"
#include "support/soak_route.h"
#include "support/soak_x.h"
#include "support/xvfb.h"

namespace {

using namespace testing_support;

// The sanitized game on a shared 2-core machine runs at a fraction of its
// speed: waits are long, and only ever cut short by what the screen shows.
constexpr double kPatience = 90;     // seconds for a screen or a save to come
constexpr double kHopWait = 2.5;     // for both runners to land after a press
constexpr double kHold = 0.12;       // a key held over several updates
constexpr double kGap = 0.25;        // and released long enough to count again

// Setting slots the option box changes.
constexpr int kSlotSound = 5;
constexpr int kSlotLeftStickY = 15;
constexpr int kSlotRightStickY = 16;

// ---- What the screen shows ------------------------------------------------------

// The game draws a 640 x 480 design scaled up to fill the window's longer
// side: rectangles given in design units, read from a shot of any size.
Rgb MeanAt(const Shot& s, int x, int y, int w, int h) {
  const double k = std::max(s.width / 640.0, s.height / 480.0);
  return s.Mean((int)(x * k), (int)(y * k), std::max(1, (int)(w * k)), std::max(1, (int)(h * k)));
}
// The pause menu's cursor ring is drawn in (255, 255, 100); nothing else
// near its buttons is that colour (the gear is brass and grey).
double CursorYellowAt(const Shot& s, int x, int y, int w, int h) {
  const double k = std::max(s.width / 640.0, s.height / 480.0);
  return s.Share((int)(x * k), (int)(y * k), (int)(w * k), (int)(h * k),
                 [](Rgb c) { return c.r > 230 && c.g > 230 && c.b > 70 && c.b < 130; });
}

// The menu's background is green, a game's black (the left margin).
bool MenuScreen(const Shot& s) {
  Rgb c = MeanAt(s, 0, 100, 40, 40);
  return s.Ok() && c.g > c.r + 20;
}
bool GameScreen(const Shot& s) {
  Rgb c = MeanAt(s, 0, 100, 40, 40);
  return s.Ok() && c.r < 40 && c.g < 40 && c.b < 40;
}
// The option box's brown panel, below its rows.
bool OptionBox(const Shot& s) {
  Rgb c = MeanAt(s, 60, 320, 20, 20);
  return s.Ok() && c.r > 100 && c.r > c.g + 30 && c.g > c.b + 30;
}
// The option box fully slid in: its panel reaches the top of the screen
// (nothing in it reacts before).
bool OptionBoxOpen(const Shot& s) {
  Rgb c = MeanAt(s, 560, 20, 20, 20);
  return OptionBox(s) && c.r > 100 && c.r > c.g + 30 && c.g > c.b + 30;
}
// The end-of-game overlay's yellow bar crosses the left margin at 45 % of
// the height.
bool EndOverlay(const Shot& s) {
  Rgb c = MeanAt(s, 4, 212, 60, 8);
  return s.Ok() && c.r > 90 && c.g > 90 && c.b < 60;
}
// The option box's row under the cursor has a light blue bar (rows 1..5 at
// 40-unit steps, the first at y 128); 0 when none has (the back gear).
int CursorRow(const Shot& s) {
  for (int row = 1; row <= 5; ++row) {
    Rgb c = MeanAt(s, 86, 92 + 40 * row, 10, 16);
    if (c.g > 100 && c.b > 100) return row;
  }
  return 0;
}
// The pause menu's yellow cursor ring: around its quit (-1), resume (0) or
// options (1) button, one above the other at x 64; -2 when not shown.
int PauseCursor(const Shot& s) {
  for (int button = -1; button <= 1; ++button) {
    if (CursorYellowAt(s, 34, 166 + 100 * button, 60, 60) > 0.05) return button;
  }
  return -2;
}
bool PauseMenu(const Shot& s) { return s.Ok() && PauseCursor(s) != -2; }

class Soak : public ::testing::Test {
 protected:
  GameInstall install;
  ChildProcess game;
  std::unique_ptr<XSession> x;
  std::unique_ptr<DataWatch> data;
  unsigned long window = 0;
  int shots = 0;
  // Seconds since the start, for the log of stages.
  struct {
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    double Seconds() const {
      return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
  } clock;

  void SetUp() override {
    StartXvfb();
    x = std::make_unique<XSession>();
    ASSERT_TRUE(x->Ok());
    install = InstallGameCopy("soak");
    data = std::make_unique<DataWatch>(install.data);
    RunCommand({"sh", "-c", "rm -f '" + ScreenshotDir() + "'/soak_*.png"});
  }

  void TearDown() override {
    if (x) x->ReleaseAll();
    if (game.Pid() > 0 && game.Running()) game.Kill(9);
    if (HasFailure() && game.Pid() != 0) {
      std::printf("--- game stdout\n%s\n--- game stderr\n%s\n", game.Stdout().c_str(),
                  game.Stderr().c_str());
      std::printf("the game's copy and its state file: %s\n", install.dir.c_str());
    } else if (!install.dir.empty()) {
      RunCommand({"rm", "-rf", install.dir});
    }
  }

  // ---- Eyes and hands ------------------------------------------------------------

  Shot Look() { return x->Grab(window); }

  // Saves what the window shows, numbered in the order of the session.
  void Keep(const std::string& stage) {
    std::printf("[soak] %5.1f s  %s\n", clock.Seconds(), stage.c_str());
    std::fflush(stdout);
    char name[64];
    std::snprintf(name, sizeof name, "/soak_%02d_", ++shots);
    Look().SavePng(ScreenshotDir() + name + stage + ".png");
  }

  bool WaitScreen(const std::function<bool(const Shot&)>& test, double timeout = kPatience) {
    for (double t = 0; t < timeout && game.Running(); t += 0.1) {
      if (test(Look())) return true;
      SleepSeconds(0.1);
    }
    return false;
  }

  void Press(const std::string& key) { x->Press(key, kHold, kGap); }

  // After the program opened its window again (full screen, back): the new
  // window, with the keyboard focus and the pointer parked over the logo,
  // away from the ring, the gear and the side panel.
  bool FollowWindow(unsigned long old) {
    for (double t = 0; t < kPatience && game.Running(); t += 0.1) {
      unsigned long w = x->FindWindow("Tazmelo", old, 0);
      if (w) {
        window = w;
        x->Focus(window);
        x->PointerTo(window, 250, 120);
        return true;
      }
      SleepSeconds(0.1);
    }
    return false;
  }

  // ---- The saved text ----------------------------------------------------------

  std::string StatePath() const { return install.work + "/.kestrostate"; }

  // Waits until the state file holds a complete text for which `test` holds.
  bool WaitState(const std::function<bool(const SavedText&)>& test, double timeout = kPatience) {
    for (double t = 0; t < timeout; t += 0.1) {
      if (FileExists(StatePath())) {
        SavedText saved(ReadFile(StatePath()));
        if (saved.Complete() && test(saved)) return true;
      }
      if (!game.Running()) return false;
      SleepSeconds(0.1);
    }
    return false;
  }

  // ---- Stages --------------------------------------------------------------------

  // Moves the option box's cursor to `row` (0 the gear), checking each step.
  void CursorTo(int row) {
    for (int tries = 0; tries < 30; ++tries) {
      int now = -1;
      for (double t = 0; t < 3 && now < 0; t += 0.1) {
        Shot s = Look();
        if (OptionBox(s)) now = CursorRow(s);
        if (now < 0) SleepSeconds(0.1);
      }
      ASSERT_GE(now, 0) << "the option box is not shown";
      if (now == row) return;
      Press(now < row ? "Down" : "Up");
      SleepSeconds(0.2);
    }
    FAIL() << "the option box's cursor does not reach row " << row;
  }

  // Acts on the row under the cursor and waits until its label changed.
  void ActOnRow(int row) {
    const int y = 88 + 40 * row;
    Shot before = Look();
    for (int tries = 0; tries < 5; ++tries) {
      Press("space");
      for (double t = 0; t < 3; t += 0.1) {
        Shot after = Look();
        const double k = std::max(after.width / 640.0, after.height / 480.0);
        if (OptionBox(after) &&
            after.Differences(before, (int)(100 * k), (int)(y * k), (int)(400 * k), (int)(24 * k)) >
                40) {
          return;
        }
        SleepSeconds(0.1);
      }
    }
    FAIL() << "row " << row << " did not change";
  }

  // Every row of the option box, opened from the menu's gear: sound one
  // step on, iCade on and off, full screen and back (each a new window and
  // the assets of its size loaded again), both thumbstick rows flipped; then
  // closed from the gear, which saves.
  void OptionRows() {
    ASSERT_TRUE(WaitScreen(OptionBox)) << "no option box";
    Keep("options");
    ASSERT_NO_FATAL_FAILURE(CursorTo(1));
    ASSERT_NO_FATAL_FAILURE(ActOnRow(1));  // sound: effects and music -> effects
    ASSERT_NO_FATAL_FAILURE(CursorTo(2));
    ASSERT_NO_FATAL_FAILURE(ActOnRow(2));  // iCade on
    Keep("options_icade_on");
    ASSERT_NO_FATAL_FAILURE(ActOnRow(2));  // and off again
    ASSERT_NO_FATAL_FAILURE(CursorTo(3));

    // Full screen: the window is opened again at the screen's size, and the
    // loader runs again for the larger device.
    for (bool full : {true, false}) {
      const unsigned long old = window;
      std::size_t mark = data->Mark();
      for (int tries = 0; tries < 5 && x->FindWindow("Tazmelo", old, 0) == 0; ++tries) {
        Press("space");
        for (double t = 0; t < 5 && x->Exists(old); t += 0.1) SleepSeconds(0.1);
      }
      ASSERT_TRUE(FollowWindow(old)) << "no window after the window row";
      int w = 0, h = 0;
      ASSERT_TRUE(x->Size(window, &w, &h));
      EXPECT_EQ(full ? 1280 : 640, w);
      EXPECT_EQ(full ? 720 : 480, h);
      EXPECT_TRUE(data->WaitOpened(full ? "gfx-hd2.png" : "gfx-hd.png", mark, kPatience))
          << "the game's sheet of the new size was not loaded";
      ASSERT_TRUE(WaitScreen(OptionBox)) << "no option box after the flip";
      Keep(full ? "options_fullscreen" : "options_windowed");
    }

    ASSERT_NO_FATAL_FAILURE(CursorTo(4));
    ASSERT_NO_FATAL_FAILURE(ActOnRow(4));  // left thumbstick Y flipped
    ASSERT_NO_FATAL_FAILURE(CursorTo(5));
    ASSERT_NO_FATAL_FAILURE(ActOnRow(5));  // right thumbstick Y flipped
    Keep("options_rows_done");
    ASSERT_NO_FATAL_FAILURE(CursorTo(0));
    for (int tries = 0; tries < 5 && OptionBox(Look()); ++tries) {
      Press("space");  // the gear: back, and the settings are saved
      WaitScreen([](const Shot& s) { return !OptionBox(s); }, 5);
    }
    ASSERT_TRUE(WaitState([](const SavedText& s) {
      return s.Setting(kSlotSound) == 2 && s.Setting(kSlotLeftStickY) == 1 &&
             s.Setting(kSlotRightStickY) == 1;
    })) << "the settings the option box changed were not saved";
  }

  // Plays a level whose runners carry key hints (levels 1 and 2) to the
  // goal: each runner takes the way down through the most coins, found
  // again from where it really stands after every press. Gives the coins
  // taken.
  int PlayToTheGoal(int level) {
    const LevelLayout layout = MakeLayout(level);
    // The ways are planned two columns off the middle on either side: closer
    // together, the runners' key hints run into each other and cannot be
    // told apart. (These levels have no deadly tiles; the plan's are walls.)
    LevelLayout plan = layout;
    for (int r = 0; r < LevelLayout::kRows; ++r) {
      for (int c = 8; c <= 11; ++c) plan.tile[r * LevelLayout::kCols + c] = 9;
    }
    struct Runner {
      int col, row;
      const char *leftKey, *rightKey;
    } runners[2] = {{4, 0, "k", "l"}, {14, 0, "a", "d"}};
    int coins = 0, missed = 0;
    for (int presses = 0; runners[0].row < LevelLayout::kGoal ||
                          runners[1].row < LevelLayout::kGoal;
         ++presses) {
      if (presses >= 400) {
        ADD_FAILURE() << "level " << level << " is not done after 400 presses";
        return coins;
      }
      int target[2];
      std::vector<std::string> keys;
      for (int i = 0; i < 2; ++i) {
        Runner& r = runners[i];
        target[i] = r.col;
        if (r.row >= LevelLayout::kGoal) continue;
        std::vector<int> route = CoinRoute(plan, r.row, r.col);
        if (route.empty()) {
          ADD_FAILURE() << "no way down from row " << r.row << ", column " << r.col;
          return coins;
        }
        target[i] = route[0];
        keys.push_back(route[0] > r.col ? r.rightKey : r.leftKey);
      }
      x->Chord(keys, kHold);

      // Where the runners came to rest: on the targets, or (a press the
      // game did not see) where they were.
      RunnerColumns seen, landed;
      bool any = false;
      for (double t = 0; t < kPatience && game.Running(); t += 0.05) {
        SleepSeconds(0.05);
        if (!FindRunners(Look(), &seen) || !Settled(seen.leftX, seen.left) ||
            !Settled(seen.rightX, seen.right)) {
          continue;
        }
        landed = seen;
        any = true;
        if ((seen.left == target[0] && seen.right == target[1]) || t >= kHopWait) break;
      }
      if (!any) {
        Keep("runners_lost");
        ADD_FAILURE() << "the runners are not on screen (row " << runners[0].row << ", "
                      << runners[1].row << ")";
        return coins;
      }
      const int now[2] = {landed.left, landed.right};
      for (int i = 0; i < 2; ++i) {
        Runner& r = runners[i];
        const int step = target[i] - r.col;
        int hops = 0;
        if (now[i] == r.col) {
          hops = 0;
          if (step != 0) {
            ++missed;
            std::printf("[soak] %5.1f s  level %d: runner %d missed a hop at row %d\n",
                        clock.Seconds(), level, i, r.row);
          }
        } else if (step != 0 && now[i] == r.col + step) {
          hops = 1;
        } else if (step != 0 && now[i] == r.col + 2 * step) {
          hops = 2;  // pressed again before a slow frame showed the first
        } else {
          ADD_FAILURE() << "runner " << i << " went from column " << r.col << " to " << now[i];
          return coins;
        }
        for (int k = 1; k <= hops && r.row < LevelLayout::kGoal; ++k) {
          ++r.row;
          r.col += step;
          coins += layout.Coin(r.row, r.col) ? 1 : 0;
        }
      }
    }
    std::printf("[soak] %5.1f s  level %d: both runners home, %d coins, %d hops missed\n",
                clock.Seconds(), level, coins, missed);
    return coins;
  }

  // Starts the level selected on the menu with Space, once the menu has
  // settled (the end-of-game overlay fades out over it, and keys do nothing
  // until it has).
  void StartSelectedLevel(const std::string& stage) {
    ASSERT_TRUE(WaitScreen(MenuScreen)) << "not on the menu";
    SleepSeconds(2.0);
    Keep(stage + "_menu");
    for (int tries = 0; tries < 5 && !GameScreen(Look()); ++tries) {
      if (tries > 0) Keep(stage + "_not_started");
      Press("space");
      WaitScreen(GameScreen, 5);
    }
    ASSERT_TRUE(GameScreen(Look())) << "the level did not start";
  }

  // Waits for the runners' hints to show (the level's first frames).
  void WaitForRunners() {
    RunnerColumns seen;
    if (!WaitScreen([&](const Shot& s) { return FindRunners(s, &seen); })) {
      Keep("no_runners");
      FAIL() << "no runners";
    }
  }

  // Starts the selected level (1 or 2), plays it to the goal and checks that
  // it is recorded as complete. Gives the coins taken.
  int WinSelectedLevel(int level) {
    const std::string name = "level" + std::to_string(level);
    StartSelectedLevel(name);
    if (!HasFatalFailure()) WaitForRunners();
    if (HasFatalFailure()) return 0;
    Keep(name);
    const int coins = PlayToTheGoal(level);
    if (HasFailure()) return coins;
    EXPECT_TRUE(WaitScreen(EndOverlay)) << "no end of level " << level;
    Keep(name + "_complete");
    EXPECT_TRUE(WaitState([&](const SavedText& s) { return s.Status(level) == 1; }))
        << "level " << level << " is not recorded as complete";
    return coins;
  }

  // Pauses the running game and waits for the pause menu.
  void Pause() {
    for (int tries = 0; tries < 5 && !PauseMenu(Look()); ++tries) {
      Press("Escape");
      WaitScreen(PauseMenu, 5);
    }
    ASSERT_TRUE(PauseMenu(Look())) << "no pause menu";
  }
};

TEST_F(Soak, AWholeSessionEndsCleanWithItsProgressSaved) {
  game.Start({install.exe},
             {"ALSOFT_DRIVERS=null", "KESTRO_GC_VERIFY=1"},
             install.work);
  window = x->FindWindow("Tazmelo", 0, kPatience);
  ASSERT_NE(window, 0u) << "no window";
  x->Focus(window);
  x->PointerTo(window, 250, 120);

  // ---- Loading, then the menu.
  std::size_t mark = 0;
  EXPECT_TRUE(data->WaitOpened("gfx-hd.png", mark, kPatience)) << "the loader never ran";
  ASSERT_TRUE(WaitScreen(MenuScreen)) << "no menu";
  SleepSeconds(1.5);  // the menu slides in
  Keep("menu");

  // The ring (level 2 is locked; back to level 1), then the credits panel.
  Press("Down");
  Press("Up");
  Press("Right");
  Press("Right");
  Press("space");
  SleepSeconds(1.0);
  Keep("credits");
  Press("space");
  SleepSeconds(2.0);  // the panel slides back (the pointer must not be over it)

  // ---- The option box from the menu's gear.
  Press("Left");
  Press("Left");
  Press("Left");
  for (int tries = 0; tries < 5 && !OptionBox(Look()); ++tries) {
    Press("space");
    WaitScreen(OptionBox, 5);
  }
  ASSERT_NO_FATAL_FAILURE(OptionRows());
  ASSERT_TRUE(WaitScreen(MenuScreen));

  // ---- F11: full screen and back, from the menu.
  for (bool full : {true, false}) {
    const unsigned long old = window;
    for (int tries = 0; tries < 5 && x->FindWindow("Tazmelo", old, 0) == 0; ++tries) {
      Press("F11");
      for (double t = 0; t < 5 && x->Exists(old); t += 0.1) SleepSeconds(0.1);
    }
    ASSERT_TRUE(FollowWindow(old)) << "F11 opened no window";
    ASSERT_TRUE(WaitScreen(MenuScreen)) << "no menu after F11";
    Keep(full ? "menu_fullscreen" : "menu_windowed");
  }

  // ---- A resize, as a window manager would do it, and back.
  for (int size : {0, 1}) {
    mark = data->Mark();
    x->Resize(window, size ? 640 : 900, size ? 480 : 560);
    EXPECT_TRUE(data->WaitOpened("gfx-hd.png", mark, kPatience)) << "no reload after a resize";
    ASSERT_TRUE(WaitScreen(MenuScreen)) << "no menu after a resize";
    SleepSeconds(0.5);
    Keep(size ? "menu_resized_back" : "menu_resized");
  }
  int w = 0, h = 0;
  ASSERT_TRUE(x->Size(window, &w, &h));
  ASSERT_EQ(640, w);
  ASSERT_EQ(480, h);

  // ---- Levels 1 and 2, each won along its coin route (level 1 is selected
  // on a fresh start, and completing it selects level 2).
  Press("Right");  // the ring has the focus again
  const int coins1 = WinSelectedLevel(1);
  ASSERT_FALSE(HasFailure());
  const int coins2 = WinSelectedLevel(2);
  ASSERT_FALSE(HasFailure());

  // ---- Level 3 (now selected): paused at once, the option box opened over
  // the paused game and closed, the game resumed; then lost, the left
  // runner hopping the shortest way onto a deadly tile. Should a hop be
  // missed, the top edge takes it.
  const LevelLayout level3 = MakeLayout(3);
  const std::vector<int> fall = RouteOntoDeadlyTile(level3, 4);
  ASSERT_FALSE(fall.empty());
  ASSERT_NO_FATAL_FAILURE(StartSelectedLevel("level3"));
  SleepSeconds(1.0);
  ASSERT_NO_FATAL_FAILURE(Pause());
  Keep("level3_paused");
  for (int tries = 0; tries < 5 && PauseCursor(Look()) != 1; ++tries) {
    Press("Down");  // the pause menu's gear
    WaitScreen([](const Shot& s) { return PauseCursor(s) == 1; }, 3);
  }
  for (int tries = 0; tries < 5 && !OptionBox(Look()); ++tries) {
    Press("space");
    WaitScreen(OptionBox, 5);
  }
  ASSERT_TRUE(WaitScreen(OptionBoxOpen)) << "no option box over the paused game";
  Keep("level3_paused_options");
  Press("Escape");  // closes the box, not the pause
  ASSERT_TRUE(WaitScreen([](const Shot& s) { return !OptionBox(s) && PauseMenu(s); }))
      << "the pause menu is not back";
  SleepSeconds(1.0);  // the box slides out over the buttons
  for (int tries = 0; tries < 5 && PauseCursor(Look()) != 0; ++tries) {
    Press("Up");  // back on the resume button
    WaitScreen([](const Shot& s) { return PauseCursor(s) == 0; }, 3);
  }
  for (int tries = 0; tries < 5 && PauseMenu(Look()); ++tries) {
    Press("space");
    WaitScreen([](const Shot& s) { return !PauseMenu(s); }, 5);
  }
  ASSERT_TRUE(WaitScreen(GameScreen)) << "the game is not back";
  SleepSeconds(0.5);
  Keep("level3_resumed");
  int col = 4;
  for (int next : fall) {
    x->Press(next > col ? "l" : "k", kHold, 0.4);
    col = next;
  }
  EXPECT_TRUE(WaitScreen(EndOverlay, 2 * kPatience)) << "level 3 does not end";
  Keep("level3_lost");
  ASSERT_TRUE(WaitState([](const SavedText& s) { return s.Status(3) == -1; }, 2 * kPatience))
      << "level 3 is not recorded as failed once";

  // ---- Level 3 again, left through the pause menu's quit button.
  ASSERT_NO_FATAL_FAILURE(StartSelectedLevel("level3_again"));
  SleepSeconds(1.0);
  ASSERT_NO_FATAL_FAILURE(Pause());
  for (int tries = 0; tries < 5 && PauseCursor(Look()) != -1; ++tries) {
    Press("Up");  // the quit button
    WaitScreen([](const Shot& s) { return PauseCursor(s) == -1; }, 3);
  }
  ASSERT_EQ(-1, PauseCursor(Look())) << "the cursor is not on the quit button";
  Keep("level3_pause_quit");
  for (int tries = 0; tries < 5 && !EndOverlay(Look()); ++tries) {
    Press("space");
    WaitScreen(EndOverlay, 5);
  }
  ASSERT_TRUE(WaitState([](const SavedText& s) { return s.Status(3) == -2; }))
      << "the quit game is not recorded";
  ASSERT_TRUE(WaitScreen(MenuScreen));

  // ---- Two steps back on the ring, each seen turning it, and level 1 won
  // again: its table keeps both games.
  SleepSeconds(2.0);  // the overlay fades out over the menu
  for (int step = 0; step < 2; ++step) {
    Shot before = Look();
    for (int tries = 0; tries < 5; ++tries) {
      Press("Up");
      if (WaitScreen([&](const Shot& s) { return s.Differences(before, 0, 200, 260, 280) > 300; },
                     3)) {
        break;
      }
    }
    SleepSeconds(1.0);  // the ring eases to the new item
  }
  const int coins1again = WinSelectedLevel(1);
  ASSERT_FALSE(HasFailure());
  ASSERT_TRUE(WaitScreen(MenuScreen));
  SleepSeconds(1.0);
  Keep("menu_end");

  // ---- The window's close button ends the program.
  RequestClose(window);
  ASSERT_TRUE(game.Wait(kPatience)) << "the program did not end";
  const std::string err = game.Stderr();
  EXPECT_EQ(0, game.ExitCode()) << "signal " << game.TermSignal();
  EXPECT_EQ(std::string::npos, err.find("ERROR: AddressSanitizer")) << err;
  EXPECT_EQ(std::string::npos, err.find("runtime error:")) << err;
  EXPECT_EQ(std::string::npos, err.find("LeakSanitizer")) << err;

  SavedText saved(ReadFile(StatePath()));
  EXPECT_EQ("", saved.ChecksumProblems());
  EXPECT_EQ(2, saved.Setting(kSlotSound));
  EXPECT_EQ(1, saved.Setting(kSlotLeftStickY));
  EXPECT_EQ(1, saved.Setting(kSlotRightStickY));
  EXPECT_EQ(1, saved.Status(1));
  EXPECT_EQ(1, saved.Status(2));
  EXPECT_EQ(-2, saved.Status(3));
  EXPECT_EQ(5 * std::max(coins1, coins1again), saved.Score(1, 0));
  EXPECT_EQ(5 * std::min(coins1, coins1again), saved.Score(1, 1));
  EXPECT_EQ(0, saved.Score(1, 2));
  EXPECT_EQ(5 * coins2, saved.Score(2, 0));
  EXPECT_EQ(0, saved.Score(2, 1));
  RecordProperty("score1", 5 * coins1);
  RecordProperty("score2", 5 * coins2);
}

}  // namespace
