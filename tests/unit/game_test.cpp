// The game's logic without a window: all 100 levels, the saved text, the record
// of a finished game, suspend, and the control and drawing helpers.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "app/app.h"
#include "game/globals.h"
#include "game/myapp.h"
#include "support/process.h"

namespace {

using namespace testing_support;

constexpr int kCols = 20, kRows = 100, kGoal = 50;

// Each game object holds a 20 MB grid: three for the whole program, reset to
// what start-up leaves whenever a test takes one.
c_MyApp* App(int i = 0) {
  static c_MyApp* pool[3] = {new c_MyApp(), new c_MyApp(), new c_MyApp()};
  c_MyApp* app = pool[i];
  for (int s = 0; s < 25; ++s) app->m_settings[s] = s == 5;
  for (int b = 0; b < 256; ++b) app->m_badgeGot[b] = false;
  for (int e = 0; e < 5000; ++e) app->m_scores[e] = 0;
  for (int p = 0; p < 20; ++p) app->m_pad[p] = 0;
  app->m_menuLevelSel = 1, app->m_level = 2, app->m_score = app->m_gameResult = 0;
  app->m_mode = 1, app->m_paused = 0, rv_Quenmor_HasMusicStream = 0;
  return app;
}

struct Level {
  std::vector<float> cells, player;
  float At(int r, int c, int k = 0) const { return cells[(r * kCols + c) * 10 + k]; }
};

Level Generate(int level) {
  c_MyApp* app = App();
  app->p_MakePath(level);
  return {std::vector<float>(app->m_grid.Data(), app->m_grid.Data() + kRows * kCols * 10),
          std::vector<float>(app->m_player.Data(), app->m_player.Data() + 100)};
}

bool Deadly(float tile) { return tile > 8 && tile < 18; }

// A runner hops one column left or right a row and must never land on a
// deadly tile.
bool WayDown(const Level& l, int start, int lo, int hi) {
  std::vector<bool> now(kCols, false);
  now[start] = true;
  for (int r = 1; r <= kGoal; ++r) {
    std::vector<bool> next(kCols, false);
    for (int c = lo; c <= hi; ++c) {
      next[c] = !Deadly(l.At(r, c)) && ((c > lo && now[c - 1]) || (c < hi && now[c + 1]));
    }
    now = next;
  }
  return std::count(now.begin(), now.end(), true) > 0;
}

uint64_t Digest(const Level& l) {
  uint64_t h = 1469598103934665603ull;
  for (const auto* v : {&l.cells, &l.player}) {
    for (float f : *v) {
      uint32_t bits;
      std::memcpy(&bits, &f, 4);
      h = (h ^ bits) * 1099511628211ull;
    }
  }
  return h;
}

TEST(Levels, EveryLevelIsFairToTheRunners) {
  int blocks = 0, coins = 0;
  for (int level = 1; level <= 100; ++level) {
    SCOPED_TRACE(level);
    Level l = Generate(level);
    EXPECT_TRUE(WayDown(l, 4, 0, 9)) << "left half cut";
    EXPECT_TRUE(WayDown(l, 14, 10, 19)) << "right half cut";
    for (int r = 0; r < kRows; ++r) {
      int inRow = 0;
      for (int c = 0; c < kCols; ++c) {
        float tile = l.At(r, c), swing = l.At(r, c, 2);
        ASSERT_TRUE(tile == 0 || tile == 1 || tile == 3 || (tile >= 9 && tile <= 17)) << tile;
        ASSERT_FALSE(level <= 2 && Deadly(tile)) << "row " << r;
        ASSERT_FALSE(level <= 4 && swing != 0) << "row " << r;  // the difficulty allows none
        blocks += swing > 0;
        if (l.At(r, c, 1) == 0) continue;
        ++coins, ++inRow;
        EXPECT_TRUE(r > 1 && c % 2 == r % 2 && !Deadly(tile)) << "a coin where no runner lands";
      }
      EXPECT_LE(inRow, 2);
    }
  }
  EXPECT_GT(blocks, 0);
  EXPECT_GT(coins, 100);
}

TEST(Levels, ALevelIsTheSameEveryTime) {
  for (int level : {1, 3, 7, 15, 42, 100}) {
    rv_random_Seed = (uint32_t)level * 7919u;  // whatever the generator did before
    Level first = Generate(level);
    Generate(level == 100 ? 99 : level + 1);
    EXPECT_EQ(Digest(first), Digest(Generate(level))) << level;
  }
  // Pinned: a changed layout changes the levels players know.
  const std::pair<int, uint64_t> golden[] = {{1, 8537574683754174465ull},
                                             {5, 1731711462570977887ull},
                                             {37, 5627483723307475337ull},
                                             {100, 15910044209057634066ull}};
  for (auto [level, digest] : golden) EXPECT_EQ(Digest(Generate(level)), digest) << level;
}

class Saved : public ::testing::Test {
 protected:
  struct StateHost : RvGame {
    int saves = 0;
    int SaveState(String state) override { return ++saves, RvGame::SaveState(state); }
  };
  void SetUp() override {
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(chdir(MakeTempDir("save").c_str()), 0);
    rvInit();
    rv_app__game = host = new StateHost();
  }
  void TearDown() override {
    rv_app__game = nullptr;
    delete host;
    EXPECT_EQ(chdir(cwd), 0);
  }
  static std::string Load(c_MyApp* app) {
    testing::internal::CaptureStdout();
    app->p_Load();
    return testing::internal::GetCapturedStdout();
  }
  static std::string Join(const std::vector<std::string>& fields) {
    std::string out;
    for (std::size_t i = 0; i < fields.size(); ++i) out += (i ? "|" : "") + fields[i];
    return out;
  }
  static std::vector<int> Data(c_MyApp* app) {
    std::vector<int> v(&app->m_settings[0], &app->m_settings[0] + 25);
    for (int i = 0; i < 256; ++i) v.push_back(app->m_badgeGot[i]);
    v.insert(v.end(), &app->m_scores[0], &app->m_scores[0] + 2000);
    return v;
  }
  StateHost* host;
  char cwd[4096];
};

const char kAllLoaded[] = "Settings Loaded\nBadges Loaded\nHighscores Loaded\n";

TEST_F(Saved, ARandomStateRoundTrips) {
  std::mt19937 rng(7);
  for (int round = 0; round < 5; ++round) {
    c_MyApp* app = App(0);
    for (int i = 0; i < 25; ++i) app->m_settings[i] = (int)(rng() % 200) - 50;
    app->m_settings[10] = 300, app->m_settings[11] = 200;  // above every clamp
    app->m_settings[12] = 12, app->m_settings[14] = 1;
    for (int i = 0; i < 256; ++i) app->m_badgeGot[i] = rng() % 3 == 0;
    for (int i = 0; i < 2000; ++i)
      app->m_scores[i] = i < 1000 ? (int)(rng() % 100000) : (int)(rng() % 9) - 5;
    app->m_scores[7] = INT_MAX, app->m_scores[1007] = INT_MIN;  // checksums wrap
    app->p_Save();
    EXPECT_EQ(SplitFields(ReadFile(".kestrostate")).size(), 2241u);
    c_MyApp* again = App(1);
    EXPECT_EQ(Load(again), kAllLoaded);
    EXPECT_EQ(Data(again), Data(app));
  }
}

TEST_F(Saved, TamperedAndTruncatedTextsKeepWhatTheirChecksumsVouchFor) {
  c_MyApp* saved = App(0);
  saved->m_settings[5] = 2;
  saved->m_badgeGot[9] = true;
  for (int k = 0; k < 100; ++k) saved->m_scores[10 * k] = 100 + k;
  saved->m_scores[1020] = 1;  // level 3 completed
  saved->p_Save();
  const std::vector<std::string> good = SplitFields(ReadFile(".kestrostate"));
  auto changed = [&](int field) {
    std::vector<std::string> f = good;
    f[field] = std::to_string(std::atoi(f[field].c_str()) + 1);
    return Join(f);
  };
  auto cut = [&](int n) { return Join(std::vector<std::string>(good.begin(), good.begin() + n)); };
  const char* kBadSettings = "Settings Checksum Invalid\nBadges Loaded\nHighscores Loaded\n";
  const char* kBadBadges = "Settings Loaded\nBadge Checksum Invalid\nHighscores Loaded\n";
  // kept: sound slot, badges 9 and 100, rows 0, 3 and 10, a mark in row 10, selection
  const struct {
    const char* what;
    std::string text;
    const char *printed, *kept;
  } cases[] = {
      {"intact", Join(good), kAllLoaded, "s2 b10 100 103 110 m0 sel3"},
      {"setting 7", changed(7), kBadSettings, "s1 b10 100 103 110 m0 sel3"},
      {"setting 0 (weighs nothing)", changed(0), kAllLoaded, "s2 b10 100 103 110 m0 sel3"},
      {"badge mask", changed(26), kBadBadges, "s2 b00 100 103 110 m0 sel3"},
      {"a score of row 3", changed(35 + 3 * 21 + 4), kAllLoaded, "s2 b10 100 0 110 m0 sel3"},
      {"cut in row 10", cut(35 + 10 * 21 + 7), kAllLoaded, "s2 b10 100 103 0 m7 sel3"},
      {"cut in the badges", cut(30), "Settings Loaded\nHighscores Loaded\n",
       "s2 b01 0 0 0 m7 sel0"},
      {"badges only", "0|0|0|0|0|0|0|0|0|", "Badges Loaded\nHighscores Loaded\n",
       "s3 b00 0 0 0 m7 sel0"},
      {"empty", "", "Highscores Loaded\n", "s3 b01 0 0 0 m7 sel0"},
  };
  for (const auto& c : cases) {
    WriteFile(".kestrostate", c.text);
    c_MyApp* app = App(1);
    app->m_settings[5] = 3, app->m_badgeGot[100] = true;  // memory before the load
    for (int k = 0; k < 100; ++k) app->m_scores[10 * k + 1] = 7;
    EXPECT_EQ(Load(app), c.printed) << c.what;
    char kept[100];
    std::snprintf(kept, sizeof kept, "s%d b%d%d %d %d %d m%d sel%d", app->m_settings[5],
                  app->m_badgeGot[9], app->m_badgeGot[100], app->m_scores[0], app->m_scores[30],
                  app->m_scores[100], app->m_scores[101], app->m_menuLevelSel);
    EXPECT_EQ(std::string(kept), c.kept) << c.what;
    EXPECT_EQ(app->m_levelListY, -32.0f * app->m_menuLevelSel);
  }
}

TEST_F(Saved, AFailedSaveIsReportedOnceAndKeepsThePreviousFile) {
  // A removed working folder, or a full disk (a file size limit: holds for root).
  for (bool diskFull : {false, true}) {
    SCOPED_TRACE(diskFull);
    std::string dir = MakeTempDir("failed-save");
    ASSERT_EQ(chdir(dir.c_str()), 0);
    WriteFile(".kestrostate", "previous|");
    if (!diskFull) {
      ASSERT_EQ(mkdir("gone", 0755), 0);
      ASSERT_EQ(chdir("gone"), 0);
      ASSERT_EQ(rmdir((dir + "/gone").c_str()), 0);
    }
    struct rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = {diskFull ? 1 : old.rlim_cur, old.rlim_max};
    setrlimit(RLIMIT_FSIZE, &small);
    // Standard error goes to a pipe: the size limit does not apply to it.
    int fds[2], saved = dup(2);
    ASSERT_EQ(pipe(fds), 0);
    dup2(fds[1], 2);
    close(fds[1]);
    int result = App(0)->p_Save();
    dup2(saved, 2);
    close(saved);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldSignal);
    std::string err(4096, '\0');
    err.resize((size_t)std::max<ssize_t>(0, read(fds[0], &err[0], err.size())));
    close(fds[0]);
    EXPECT_LT(result, 0);
    // One line naming the file and what is lost.
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find(".kestrostate"), std::string::npos) << err;
    EXPECT_NE(err.find("progress since the last good save is not stored"), std::string::npos);
    EXPECT_EQ(ReadFile(dir + "/.kestrostate"), "previous|");
    EXPECT_EQ(RunCommand({"ls", "-A", dir}).out, ".kestrostate\n");  // no temporary left
  }
}

TEST_F(Saved, AFinishedGameGivesTheStatusScoreRowAndSelection) {
  const std::vector<int> tens = {100, 90, 80, 70, 60, 50, 40, 30, 20, 10};
  const struct {
    int level, status, result, score;
    std::vector<int> row;
    int wantStatus;
    std::vector<int> wantRow;
    int selAfterReload;
  } cases[] = {
      {4, 0, 1, 0, {}, -1, {}, 0},             // failed, nothing scored
      {7, -2, 1, 0, {}, -3, {}, 7},            // a third failure passes the level
      {7, -1, -1, 0, {}, -2, {}, 0},           // a quit counts as a failure
      {3, -2, 2, 40, {}, 1, {40}, 3},          // completed
      {3, 1, 1, 10, {50}, 1, {50, 10}, 3},     // completed stays completed
      {5, INT_MIN, 1, 0, {}, INT_MIN, {}, 5},  // the lowest status stays
      {9, 0, 1, 100, tens, -1, {100, 100, 90, 80, 70, 60, 50, 40, 30, 20}, 0},  // ties go below
      {9, 0, 1, 5, tens, -1, tens, 0},  // below all ten: not kept
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.level * 100 + c.score);
    c_MyApp* app = App(0);
    const int b = 10 * (c.level - 1);
    std::copy(c.row.begin(), c.row.end(), &app->m_scores[b]);
    app->m_scores[1000 + b] = c.status;
    app->m_level = c.level, app->m_menuLevelSel = c.level - 1;  // as the menu starts it
    app->m_gameResult = c.result, app->m_score = c.score;
    app->p_LoadMenu();
    EXPECT_EQ(app->m_scores[1000 + b], c.wantStatus);
    std::vector<int> want = c.wantRow;
    want.resize(10);
    EXPECT_EQ(std::vector<int>(&app->m_scores[b], &app->m_scores[b] + 10), want);
    EXPECT_EQ(app->m_menuLevelSel, c.result == 2 ? c.level : c.level - 1);
    c_MyApp* reloaded = App(1);
    Load(reloaded);
    EXPECT_EQ(reloaded->m_menuLevelSel, c.selAfterReload);
  }
  c_MyApp* app = App(0);
  std::vector<int> before = Data(app);
  for (int level : {0, -5, 101, 100000}) {  // no row: nothing recorded, still saved
    app->m_level = level, app->m_gameResult = 2, app->m_score = 99;
    int saves = host->saves;
    app->p_LoadMenu();
    EXPECT_EQ(host->saves, saves + 1);
  }
  EXPECT_EQ(Data(app), before);
}

TEST_F(Saved, SuspendSavesSlowsDownAndReleasesThePads) {
  c_MyApp* app = App(0);
  host->SetKeyboardEnabled(true);
  rv_Quenmor_iCadeControls = 1;
  for (int i = 0; i < 20; ++i) app->m_pad[i] = 2;
  app->p_OnSuspend();
  EXPECT_EQ(host->saves, 1);
  EXPECT_EQ(host->UpdateRate(), 5);
  EXPECT_FALSE(host->KeyboardEnabled() || rv_Quenmor_iCadeControls);
  EXPECT_EQ(std::count(&app->m_pad[0], &app->m_pad[0] + 20, 0), 19);  // all but the back entry
  EXPECT_EQ(app->m_paused, 0);                                        // the menu is not paused
}

class Helpers : public ::testing::Test {
 protected:
  void SetUp() override {
    host = new RvGame();
    rvInit();  // the module globals follow the new host
    input = (new c_InputDevice())->m_new();
    rv_input_SetInputDevice(input);
    app = App(2);
    app->m_drawCount = 0;
  }
  void TearDown() override {
    rv_input_SetInputDevice(nullptr);
    rv_Quenmor_iCadeControls = 0;
    delete host;
  }
  void Key(int key, bool down) {
    input->p_KeyEvent(down ? c_RvGameEvent::KeyDown : c_RvGameEvent::KeyUp, key);
  }
  RvGame* host;
  c_InputDevice* input;
  c_MyApp* app;
};

TEST_F(Helpers, EveryBindingOfTheControls) {
  const struct {
    int control;
    std::vector<int> keys;
    int pad;
  } table[] = {{0, {38, 87}, 0},       {3, {37, 65}, 3},          {5, {39, 68}, 5},
               {8, {40, 83}, 8},       {10, {90, 74, 32, 13}, 10}, {11, {88, 75, 17}, 11},
               {12, {67, 76, 16}, 12}, {13, {86, 73}, 13},         {14, {66, 85}, 14},
               {15, {78, 79}, 15},     {98, {27, 192, 46, 8}, 16}, {99, {27, 192, 46, 8}, 17}};
  for (const auto& b : table) {
    SCOPED_TRACE(b.control);
    for (int key : b.keys) {
      Key(key, true);
      EXPECT_EQ(app->p_PlayKeyAll(b.control, 1), 4) << key;  // the keyboard is every player's
      Key(key, false);
      EXPECT_EQ(app->p_PlayKey(b.control, 1, 0), 0) << key;
    }
    app->m_pad[b.pad] = 2;
    EXPECT_EQ(app->p_PlayKey(b.control, 0, -1), 1);
    app->m_pad[b.pad] = 0;
  }
  rv_Quenmor_iCadeControls = 1;  // the iCade sends letters: they steer no more
  Key(87, true);
  EXPECT_EQ(app->p_PlayKey(0, 1, 0), 0);
  Key(27, true);
  EXPECT_EQ(app->p_PlayKey(98, 1, 0) * 10 + app->p_PlayKey(99, 1, 0), 1);
}

TEST_F(Helpers, SticksSteerOutsideTheDeadZoneInTheChosenDirection) {
  input->_joyStates[1]->joyx[0] = -0.5f;
  EXPECT_EQ(app->p_PlayKey(3, 1, 1), 1);
  EXPECT_EQ(app->p_PlayKey(3, 0, 1) + app->p_PlayKey(3, 1, 0) + app->p_PlayKey(3, 1, -1), 0);
  input->_joyStates[1]->joyx[0] = 0.3f;  // inside the dead zone
  EXPECT_EQ(app->p_PlayKey(5, 1, 1), 0);
  input->_joyStates[1]->joyy[0] = 0.5f;
  EXPECT_EQ(app->p_PlayKey(0, 1, 1), 1);
  app->m_settings[15] = 1;  // the option turns the stick around
  EXPECT_EQ(app->p_PlayKey(8, 1, 1), 1);
  EXPECT_EQ(app->p_StickY(0, 4) + app->p_StickX(2, 0), 0);  // no such player or stick
}

TEST_F(Helpers, ListsAndPoolsStayWithinTheirSize) {
  for (int i = 0; i < 2501; ++i) app->p_Rect((float)i, 0, 1, 1);
  app->p_DrawImg(3, 1, 1, 0);
  EXPECT_EQ(app->m_drawCount, 2499 * 15);
  for (int i = 2499 * 15; i < 2500 * 15; ++i) ASSERT_EQ(app->m_drawList[i], 0) << i;
  app->p_CLS2D(-3717, 0, 0, 0);
  EXPECT_EQ(app->m_drawCount, 0);  // a new frame
  for (int count : {0, 500, 1}) app->p_ResetStars(count);
  EXPECT_EQ(app->m_starCount, 1);
  app->p_ResetParticles(600);
  EXPECT_EQ(app->m_particleCount, 250);
}

}  // namespace
