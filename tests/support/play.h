// What a player who knows the game knows: its screens told apart by colour
// (the menu green, a game black at the left margin, the option box a brown
// panel, the end-of-game overlay a yellow bar, the pause menu's cursor ring),
// a level's layout from the game's own generator, the way down through the
// most coins, where the runners stand (on levels 1 and 2 each carries two
// white key caps, found in a 640 x 480 window), and the moves of a session.
// Rows 0..50 are played; each hop goes one row down and one column left or
// right, the left runner in columns 0..9 (from 4), the right one in 10..19
// (from 14).
#pragma once

#include <string>
#include <vector>

#include "support/player.h"

namespace testing_support {

bool MenuScreen(const Shot& s);
bool GameScreen(const Shot& s);
bool OptionBox(const Shot& s);
bool EndOverlay(const Shot& s);
// The pause menu's cursor: quit (-1), resume (0), options (1); -2 none.
int PauseCursor(const Shot& s);

struct LevelLayout {
  static constexpr int kRows = 51, kCols = 20, kGoal = 50;
  std::vector<int> tile;  // kRows x kCols tile values
  std::vector<int> coin;  // 1 where a coin lies
  int Tile(int r, int c) const { return tile[r * kCols + c]; }
  bool Coin(int r, int c) const { return coin[r * kCols + c] != 0; }
  bool Deadly(int r, int c) const { return Tile(r, c) > 8 && Tile(r, c) < 18; }
};
LevelLayout MakeLayout(int level);
// A runner's way from (row, col) to the goal: the column in each following
// row, through the most coins and over no deadly tile; empty when none.
std::vector<int> CoinRoute(const LevelLayout& level, int row, int col);

struct RunnerColumns {
  int left = -1, right = -1;
  float leftX = 0, rightX = 0;  // runner centres in window pixels
};
// False unless all four key caps are found in a 640 x 480 shot.
bool FindRunners(const Shot& shot, RunnerColumns* out);
// Both runners found, resting on their columns (not easing there).
bool RunnersAtRest(const Shot& shot, RunnerColumns* out);

// ---- Moves: false (with a screenshot kept) when the game does not follow.
// The play button until a game shows; or Space, when the level ring has the
// focus (as on a start).
bool StartLevel(Player& p, bool keyboard = false);
// Plays level 1 or 2 to the goal along the coin routes; the coins taken,
// -1 when the runners went astray.
int WinLevel(Player& p, int level);
bool Pause(Player& p);
bool PauseAndQuit(Player& p);
// In the open option box: the cursor to `row`; Space until its label changed.
bool CursorTo(Player& p, int row);
bool ActOnRow(Player& p, int row);

}  // namespace testing_support
