// What a player who knows the game knows; see play.h.
#include "support/play.h"

namespace testing_support {

bool MenuScreen(const Shot& s) {
  const Rgb c = s.Mean(0, 100, 40, 40);
  return s.Ok() && c.g > 60 && c.g > c.r + 30;  // (19, 79, 19) once faded in
}
bool GameScreen(const Shot& s) {
  const Rgb c = s.Mean(0, 100, 40, 40);
  return s.Ok() && c.r < 40 && c.g < 40 && c.b < 40;
}
bool OptionBox(const Shot& s) {
  const Rgb c = s.Mean(60, 320, 20, 20);  // brown
  return s.Ok() && c.r > 100 && c.r > c.g + 30 && c.g > c.b + 30;
}
bool EndOverlay(const Shot& s) {
  const Rgb c = s.Mean(4, 212, 60, 8);
  return s.Ok() && c.r > 90 && c.g > 90 && c.b < 60;
}
namespace {
int CursorRow(const Shot& s) {  // the option box's row under the cursor (1..5; 0 the back gear)
  for (int row = 1; row <= 5; ++row) {
    const Rgb c = s.Mean(86, 92 + 40 * row, 10, 16);
    if (c.g > 100 && c.b > 100) return row;
  }
  return 0;
}
}  // namespace

int PauseCursor(const Shot& s) {
  for (int button = -1; button <= 1; ++button) {
    if (s.Share(34, 166 + 100 * button, 60, 60, [](Rgb c) {
          return c.r > 230 && c.g > 230 && c.b > 70 && c.b < 130;
        }) > 0.05) {
      return button;
    }
  }
  return -2;
}

bool StartLevel(Player& p, bool keyboard) {
  // The play button (bottom right), whichever control has the focus.
  if (!keyboard) p.PointerTo(570, 430);
  const bool started = p.WaitFor(MenuScreen) && p.Press({keyboard ? "space" : "button1"}, GameScreen);
  p.PointerTo(250, 120);
  if (!started) p.Keep("start_level_failed");
  return started;
}

bool Pause(Player& p) {
  const bool paused = p.Press({"Escape"}, [](const Shot& s) { return PauseCursor(s) != -2; });
  if (!paused) p.Keep("pause_failed");
  return paused;
}

bool PauseAndQuit(Player& p) {
  return Pause(p) && p.Press({"Up"}, [](const Shot& s) { return PauseCursor(s) == -1; }) &&
         p.Press({"space"}, EndOverlay);
}

bool CursorTo(Player& p, int row) {
  for (int tries = 0; tries < 12; ++tries) {
    Shot s = p.Look();
    if (!OptionBox(s)) return false;
    const int now = CursorRow(s);
    if (now == row) return true;
    p.Press({now < row ? "Down" : "Up"}, [&](const Shot& t) { return CursorRow(t) != now; }, 1);
  }
  return false;
}

bool ActOnRow(Player& p, int row) {
  const Shot before = p.Look();
  return p.Press({"space"}, [&](const Shot& s) {
    return OptionBox(s) && s.Differences(before, 100, 88 + 40 * row, 400, 24) > 40;
  });
}

}  // namespace testing_support
