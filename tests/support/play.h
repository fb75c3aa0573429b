// What a player who knows the game knows: its screens told apart by colour
// (the menu green, a game black at the left margin, the option box a brown
// panel, the end-of-game overlay a yellow bar, the pause menu's cursor ring)
// and the moves of a session. How levels are won is proven in-process
// (tests/display/play_test.cpp).
#pragma once

#include <string>

#include "support/player.h"

namespace testing_support {

bool MenuScreen(const Shot& s);
bool GameScreen(const Shot& s);
bool OptionBox(const Shot& s);
bool EndOverlay(const Shot& s);
// The pause menu's cursor: quit (-1), resume (0), options (1); -2 none.
int PauseCursor(const Shot& s);

// ---- Moves: false (with a screenshot kept) when the game does not follow.
// The play button until a game shows; or Space, when the level ring has the
// focus (as on a start).
bool StartLevel(Player& p, bool keyboard = false);
bool Pause(Player& p);
bool PauseAndQuit(Player& p);
// In the open option box: the cursor to `row`; Space until its label changed.
bool CursorTo(Player& p, int row);
bool ActOnRow(Player& p, int row);

}  // namespace testing_support
