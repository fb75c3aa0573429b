// Level generation without a window: a level is the same every time, the
// difficulty rises at the stated levels, and every one of the 100 levels has
// a way down in both halves that never lands on a deadly tile.
//
// p_MakePath reseeds from the level number and starts the level's tune; with
// music unavailable and sound off the tune call does nothing, so no host or
// audio device is needed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <string>
#include <vector>

#include "app/numeric.h"
#include "game/globals.h"
#include "game/myapp.h"

namespace {

constexpr int kCols = 20;
constexpr int kRows = 100;
constexpr int kGoal = 50;

c_MyApp* App() {
  // One game object for the whole program: its grid is 20 MB.
  static c_MyApp* app = [] {
    auto* a = new c_MyApp();
    a->m_settings[5] = 0;
    return a;
  }();
  rv_Quenmor_HasMusicStream = 0;
  return app;
}

struct Layout {
  std::vector<float> cells;  // rows 0..99, 10 floats per cell
  std::vector<float> player;
  uint32_t seedAfter = 0;
  float Tile(int r, int c) const { return cells[(r * kCols + c) * 10]; }
  float Coin(int r, int c) const { return cells[(r * kCols + c) * 10 + 1]; }
  float Swing(int r, int c) const { return cells[(r * kCols + c) * 10 + 2]; }
};

Layout Generate(int level) {
  // No reset in between: a level must not depend on the one before.
  c_MyApp* app = App();
  app->p_MakePath(level);
  Layout out;
  out.cells.assign(app->m_grid.Data(), app->m_grid.Data() + kRows * kCols * 10);
  out.player.assign(app->m_player.Data(), app->m_player.Data() + 100);
  out.seedAfter = rv_random_Seed;
  return out;
}

bool Deadly(float tile) { return tile > 8 && tile < 18; }

// ---- An independent model of the generator's rules -------------------------
// Written from the rules with the difficulty values as inputs, so the game's
// own table can be pinned at each boundary: the game's level L must equal the
// model run with L's values and differ from the model run with the
// neighbouring level's values.
struct Difficulty {
  float spanDivisor;
  int blocksPerRow;
  int topSwing;
};

struct ModelRng {
  uint32_t s;
  float Next() {
    s = s * 1664525u + 1013904223u;
    return (float)(s >> 8) * (1.0f / 16777216.0f);
  }
};

std::vector<float> Model(int level, Difficulty d) {
  std::vector<int> tile(kRows * kCols + 40, 0);
  std::vector<float> cells(kRows * kCols * 10, 0);
  ModelRng rng{(uint32_t)(level * 65)};
  for (int i = 0; i < 21; ++i) rng.Next();
  int a = 4, b = 14;
  for (int r = 0; r < kRows; ++r) {
    for (int c = 0; c < kCols; ++c) {
      bool inA = std::abs(c - a) <= 1, inB = std::abs(c - b) <= 1;
      tile[r * kCols + c] = (inA ? 1 : 0) + (inB ? 2 : 0);
    }
    for (int k = 0; k < 3; ++k) {
      bool take = rng.Next() * d.spanDivisor < 2;
      if (!take || r < 2 || r > 49 || level < 3) continue;
      int centre = (int)std::floor(rng.Next() * 19.99f);
      int w = (int)std::floor(rng.Next() * 2.99f + 1);
      for (int i = r * kCols + centre - w; i <= r * kCols + centre + w; ++i) {
        if (tile[i] == 0) tile[i] = (int)std::floor(rng.Next() * 7.99f + 9);
      }
    }
    if (d.blocksPerRow > 0 && r >= 3 && r <= 47) {
      for (int k = 0; k < d.blocksPerRow; ++k) {
        int c = (int)std::floor(rng.Next() * 9.99f);
        if (r % 2 == 0) c = (int)std::floor(rng.Next() * 9.99f + 10);
        int i = r * kCols + c;
        auto band = [](int t) { return t == 1 || t == 2; };
        if (tile[i] == 0 && (band(tile[i + 1]) || band(tile[i - 1]))) {
          cells[i * 10 + 2] = (float)(int)std::floor(rng.Next() * ((float)d.topSwing + 0.99f - 1) + 1);
          cells[i * 10 + 3] = rng.Next() * 360;
          float speed = rng.Next() * 1.5f + 0.5f;
          cells[i * 10 + 4] = (r % 4 == 2 || r % 4 == 3) ? speed : -speed;
        }
      }
    }
    if (rng.Next() * 10 < 6) a += (int)std::floor(rng.Next() * 2.99f - 1);
    if (rng.Next() * 10 < 6) b += (int)std::floor(rng.Next() * 2.99f - 1);
    a = std::min(std::max(a, 0), 9);
    b = std::min(std::max(b, 10), 19);
  }
  for (int r = 0; r < kRows; ++r) {
    bool coinA = false, coinB = false;
    for (int c = 0; c < kCols; ++c) {
      int i = r * kCols + c;
      int t = tile[i];
      bool eligible = (c % 2 == r % 2) && r > 1;
      if (t == 1 || t == 2) {
        bool& had = t == 1 ? coinA : coinB;
        if (rng.Next() * 20 < 2 && eligible && !had) {
          cells[i * 10 + 1] = 1;
          had = true;
        }
      }
      if (t <= 2) tile[i] = c <= 9 ? 0 : 1;
      if (r > 0 && Deadly((float)tile[i - kCols]) && Deadly((float)tile[i])) tile[i] = 17;
      cells[i * 10] = (float)tile[i];
    }
  }
  return cells;
}

Difficulty TableFor(int level) {
  return {level <= 3 ? 10.0f : level <= 6 ? 7.0f : 5.0f,
          level <= 4 ? 0 : level <= 9 ? 1 : level <= 14 ? 2 : 3,
          level <= 10 ? 2 : level <= 16 ? 4 : 5};
}

// ---- Path search -------------------------------------------------------------
// Columns reachable in row r by hops from the start column, never landing on
// a deadly tile; empty when the way is cut.
std::vector<int> Reachable(const Layout& l, int startCol, int lo, int hi, int* cutRow) {
  std::vector<int> now = {startCol};
  for (int r = 1; r <= kGoal; ++r) {
    std::vector<bool> next(kCols, false);
    for (int c : now) {
      for (int nc : {c - 1, c + 1}) {
        if (nc >= lo && nc <= hi && !Deadly(l.Tile(r, nc))) next[nc] = true;
      }
    }
    now.clear();
    for (int c = lo; c <= hi; ++c) {
      if (next[c]) now.push_back(c);
    }
    if (now.empty()) {
      *cutRow = r;
      return now;
    }
  }
  return now;
}

// ============================================================================

TEST(GameplayLevels, TheSameLevelAlwaysGivesTheSameGridAndCoins) {
  for (int level : {1, 3, 7, 15, 42, 100}) {
    Layout first = Generate(level);
    Generate(level == 100 ? 99 : level + 1);  // something else in between
    Layout again = Generate(level);
    EXPECT_EQ(first.cells, again.cells) << "level " << level;
    EXPECT_EQ(first.seedAfter, again.seedAfter) << "level " << level;
  }
  EXPECT_NE(Generate(8).cells, Generate(9).cells);
}

TEST(GameplayLevels, GenerationDoesNotDependOnTheGeneratorStateBefore) {
  rv_random_Seed = 1;
  Layout a = Generate(23);
  rv_random_Seed = 987654321u;
  Layout b = Generate(23);
  EXPECT_EQ(a.cells, b.cells);
}

TEST(GameplayLevels, TheFirstTwoLevelsHaveNoDeadlyTiles) {
  for (int level : {1, 2}) {
    Layout l = Generate(level);
    for (int r = 0; r < kRows; ++r)
      for (int c = 0; c < kCols; ++c)
        ASSERT_FALSE(Deadly(l.Tile(r, c))) << "level " << level << " row " << r << " col " << c;
  }
  // From level 3 on deadly tiles appear, only in rows 1..49.
  Layout three = Generate(3);
  int deadly = 0;
  for (int r = 0; r < kRows; ++r)
    for (int c = 0; c < kCols; ++c)
      if (Deadly(three.Tile(r, c))) {
        ++deadly;
        EXPECT_GE(r, 1);
        EXPECT_LE(r, 49);
      }
  EXPECT_GT(deadly, 0);
}

TEST(GameplayLevels, TheFirstFourLevelsHaveNoSwingingBlocks) {
  for (int level = 1; level <= 4; ++level) {
    Layout l = Generate(level);
    for (int r = 0; r < kRows; ++r)
      for (int c = 0; c < kCols; ++c) ASSERT_EQ(l.Swing(r, c), 0) << "level " << level;
  }
  int withBlocks = 0;
  for (int level = 5; level <= 9; ++level) {
    Layout l = Generate(level);
    for (int r = 0; r < kRows; ++r)
      for (int c = 0; c < kCols; ++c) withBlocks += l.Swing(r, c) > 0;
  }
  EXPECT_GT(withBlocks, 0);
}

TEST(GameplayLevels, SwingingBlocksSitBesideTheWayOnRowsThreeToFortySeven) {
  int maxType = 0;
  for (int level = 5; level <= 100; ++level) {
    Layout l = Generate(level);
    Difficulty d = TableFor(level);
    for (int r = 0; r < kRows; ++r) {
      int inRow = 0;
      for (int c = 0; c < kCols; ++c) {
        float type = l.Swing(r, c);
        if (type == 0) continue;
        ++inRow;
        ASSERT_GE(r, 3);
        ASSERT_LE(r, 47);
        ASSERT_GE(type, 1);
        ASSERT_LE(type, d.topSwing) << "level " << level;
        EXPECT_EQ(c <= 9, r % 2 == 1) << "odd rows left, even rows right";
        maxType = std::max(maxType, (int)type);
        float speed = std::fabs(l.cells[(r * kCols + c) * 10 + 4]);
        EXPECT_GE(speed, 0.5f);
        EXPECT_LE(speed, 2.0f);
      }
      ASSERT_LE(inRow, d.blocksPerRow) << "level " << level << " row " << r;
    }
  }
  EXPECT_EQ(maxType, 5);  // type 6 is never generated
}

TEST(GameplayLevels, DifficultyTableHoldsAtItsBoundaries) {
  // Each pair straddles one step of the table.
  const int pairs[][2] = {{3, 4}, {6, 7}, {9, 10}, {14, 15}, {10, 11}, {16, 17}, {4, 5}};
  for (const auto& pr : pairs) {
    for (int i = 0; i < 2; ++i) {
      int level = pr[i], other = pr[1 - i];
      Layout l = Generate(level);
      EXPECT_EQ(l.cells, Model(level, TableFor(level))) << "level " << level;
      Difficulty neighbour = TableFor(other);
      EXPECT_NE(l.cells, Model(level, neighbour))
          << "level " << level << " also matches level " << other << "'s difficulty";
    }
  }
}

TEST(GameplayLevels, RunnersCameraAndScrollStartAsTheLevelSays) {
  c_MyApp* app = App();
  for (int level : {1, 2, 50}) {
    Layout l = Generate(level);
    EXPECT_EQ(l.player[89], 50);
    EXPECT_EQ(l.player[1], 4);
    EXPECT_EQ(l.player[3], 4);
    EXPECT_EQ(l.player[2], 0);
    EXPECT_EQ(l.player[11], 14);
    EXPECT_EQ(l.player[13], 14);
    EXPECT_EQ(l.player[12], 0);
    EXPECT_EQ(l.player[20], 0);
    EXPECT_FLOAT_EQ(l.player[21], level == 1 ? 0.3f : 0.4f);
    EXPECT_EQ(app->m_camY, -260);
    EXPECT_EQ(app->m_camTargetY, -260);
    EXPECT_EQ(app->m_camX, 0);
  }
}

// One coin at most per band and row; a band may lean one column into the
// other half, so a half can hold both of a row's coins.
TEST(GameplayLevels, CoinsLieOnTheWayAtMostTwoARow) {
  int total = 0;
  for (int level = 1; level <= 100; ++level) {
    Layout l = Generate(level);
    for (int r = 0; r < kRows; ++r) {
      int inRow = 0;
      for (int c = 0; c < kCols; ++c) {
        if (l.Coin(r, c) == 0) continue;
        ++total;
        ++inRow;
        EXPECT_GT(r, 1);
        EXPECT_EQ(c % 2, r % 2) << "a coin lies on a cell a runner can land on";
        EXPECT_FALSE(Deadly(l.Tile(r, c)));
      }
      EXPECT_LE(inRow, 2);
    }
  }
  EXPECT_GT(total, 100);
}

TEST(GameplayLevels, TilesAreFloorOrDeadlyOnly) {
  for (int level = 1; level <= 100; ++level) {
    Layout l = Generate(level);
    for (int r = 0; r < kRows; ++r)
      for (int c = 0; c < kCols; ++c) {
        float t = l.Tile(r, c);
        bool floor = t == (c <= 9 ? 0 : 1) || t == 3;
        ASSERT_TRUE(floor || (t >= 9 && t <= 17)) << "level " << level << " tile " << t;
        if (t == 17) {
          EXPECT_TRUE(Deadly(l.Tile(r - 1, c)));
        }
        if (t == 3) {
          EXPECT_TRUE(c == 9 || c == 10) << "both bands meet only at the middle";
        }
      }
  }
}

TEST(GameplayLevels, EveryLevelHasAWayDownInBothHalves) {
  std::string cut;
  int whole = 0;
  for (int level = 1; level <= 100; ++level) {
    Layout l = Generate(level);
    int rowLeft = -1, rowRight = -1;
    bool left = !Reachable(l, 4, 0, 9, &rowLeft).empty();
    bool right = !Reachable(l, 14, 10, 19, &rowRight).empty();
    if (!left) cut += " " + std::to_string(level) + " (left, row " + std::to_string(rowLeft) + ")";
    if (!right)
      cut += " " + std::to_string(level) + " (right, row " + std::to_string(rowRight) + ")";
    whole += left && right;
  }
  std::printf("levels with a way down in both halves: %d of 100\n", whole);
  EXPECT_EQ(cut, "") << "levels without a way to the goal row:" << cut;
}

TEST(GameplayRandom, RandStaysWithinItsBoundsAndReachesThem) {
  c_MyApp* app = App();
  app->p_SeedRnd(5);
  int seen[4] = {0, 0, 0, 0};
  for (int i = 0; i < 3000; ++i) {
    int v = app->p_Rand(1, 3);
    ASSERT_GE(v, 1);
    ASSERT_LE(v, 3);
    seen[v]++;
  }
  EXPECT_GT(seen[1], 800);
  EXPECT_GT(seen[2], 800);
  EXPECT_GT(seen[3], 800);
  for (int i = 0; i < 1000; ++i) {
    int v = app->p_Rand(-2, 0);
    ASSERT_GE(v, -2);
    ASSERT_LE(v, 0);
  }
}

TEST(GameplayRandom, SeedingStepsTheGeneratorTwentyOneTimes) {
  c_MyApp* app = App();
  app->p_SeedRnd(650);
  uint32_t after = rv_random_Seed;
  ModelRng m{650};
  for (int i = 0; i < 21; ++i) m.Next();
  EXPECT_EQ(after, m.s);
}

TEST(GameplayScore, OrdinalsRunFromFirstToThirtieth) {
  c_MyApp* app = App();
  const std::pair<int, const char*> cases[] = {
      {1, "1st"},   {2, "2nd"},   {3, "3rd"},   {4, "4th"},   {10, "10th"}, {11, "11th"},
      {12, "12th"}, {13, "13th"}, {21, "21st"}, {22, "22nd"}, {23, "23rd"}, {24, "24th"},
      {30, "30th"}, {31, ""},     {0, ""},      {-1, ""}};
  for (const auto& c : cases) EXPECT_EQ(app->p_Nth(c.first).ToUtf8(), c.second) << c.first;
}

TEST(GameplayScore, HighscorePlaceTakesTiesAndAnnouncesTheBest) {
  c_MyApp* app = App();
  app->m_level = 7;
  const int base = 60;
  const int table[10] = {500, 400, 300, 200, 100, 90, 80, 70, 60, 50};
  for (int i = 0; i < 10; ++i) app->m_scores[base + i] = table[i];

  app->m_score = 500;
  EXPECT_EQ(app->p_MyNth().ToUtf8(), "1st!");
  EXPECT_EQ(app->m_i, 1);
  app->m_score = 900;
  EXPECT_EQ(app->p_MyNth().ToUtf8(), "1st!");
  app->m_score = 300;
  EXPECT_EQ(app->p_MyNth().ToUtf8(), "3rd");
  EXPECT_EQ(app->m_i, 3);
  app->m_score = 299;
  EXPECT_EQ(app->p_MyNth().ToUtf8(), "4th");
  app->m_score = 50;
  EXPECT_EQ(app->p_MyNth().ToUtf8(), "10th");
  app->m_score = 45;
  EXPECT_EQ(app->p_MyNth().ToUtf8(), "");
  EXPECT_EQ(app->m_i, 0);
  for (int i = 0; i < 10; ++i) app->m_scores[base + i] = 0;
}

TEST(GameplayReset, ResetsClearWhatTheyOwnAndNothingElse) {
  c_MyApp* app = App();
  app->p_MakePath(12);
  app->m_player[505] = 7;
  app->m_objects[5099] = 3;
  app->p_ResetPlayers();
  for (int i = 0; i < 500; ++i) ASSERT_EQ(app->m_player[i], 0);
  EXPECT_EQ(app->m_player[505], 7);
  app->p_ResetObj();
  EXPECT_EQ(app->m_objects[5099], 0);
  app->m_grid[4999999] = 1;
  app->p_ResetGrid();
  EXPECT_EQ(app->m_grid[4999999], 1) << "rows no level reaches are left untouched";
  app->m_grid[4999999] = 0;
  for (int i = 0; i < kRows * kCols * 10; ++i) ASSERT_EQ(app->m_grid[i], 0);
  app->m_player[505] = 0;
}

}  // namespace
