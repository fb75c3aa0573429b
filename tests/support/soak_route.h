// What a player who knows the levels knows: a level's layout from the game's
// own generator, the way down through the most coins, the shortest way onto
// a deadly tile, and where the runners stand on screen.
//
// Rows 0..50 are played; each hop goes one row down and one column left or
// right, the left runner in columns 0..9 (starting at 4), the right one in
// 10..19 (starting at 14). A coin pays 5 when a runner lands on it.
//
// Runners on screen: on levels 1 and 2 each runner carries two key caps
// (the steering hints, white boxes 56 units apart, drawn 24 left and 32
// right of the runner), which a player can find in a 640 x 480 window and
// turn back into columns. The field's left edge is at 78 (column c of the
// left half at 78 + 24c, of the right half at 80 + 24c).
#pragma once

#include <string>
#include <vector>

#include "support/soak_x.h"

namespace testing_support {

struct LevelLayout {
  static constexpr int kRows = 51, kCols = 20, kGoal = 50;
  int level = 0;
  std::vector<int> tile;  // kRows x kCols tile values
  std::vector<int> coin;  // 1 where a coin lies

  int Tile(int r, int c) const { return tile[r * kCols + c]; }
  bool Coin(int r, int c) const { return coin[r * kCols + c] != 0; }
  bool Deadly(int r, int c) const { return Tile(r, c) > 8 && Tile(r, c) < 18; }
};

// Built by the game's level generator in this process.
LevelLayout MakeLayout(int level);

// A runner's way from (row, col) down to the goal row as the column of each
// following row (entry i is the column at row + 1 + i), through the most
// coins and over no deadly tile; empty when there is none.
std::vector<int> CoinRoute(const LevelLayout& level, int row, int col);
// The fewest hops of the runner starting at `col` on row 0 that end on a
// deadly tile (every earlier landing safe): the columns of rows 1, 2, ...
std::vector<int> RouteOntoDeadlyTile(const LevelLayout& level, int col);

// The runners' columns read from a shot of a 640 x 480 window; false when
// the four key caps are not all found.
struct RunnerColumns {
  int left = -1, right = -1;
  float leftX = 0, rightX = 0;  // runner centres in window pixels
};
bool FindRunners(const Shot& shot, RunnerColumns* out);
// Whether a runner's centre sits on its column (not still easing there).
bool Settled(float x, int col);

}  // namespace testing_support
