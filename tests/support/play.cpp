// What a player who knows the game knows; see play.h.
#include "support/play.h"

#include <algorithm>
#include <cmath>

#include "game/myapp.h"

namespace testing_support {

namespace {
constexpr float kFieldLeft = 78;  // column 0's centre in a 640-wide window
constexpr float kCell = 24;
constexpr float kCapSpacing = 56;  // the two caps of one runner
constexpr float kCapMidToRunner = -4;  // caps at -24 and +32: their middle is 4 right

bool Half(int col, int lo) { return col >= lo && col <= lo + 9; }  // a runner's columns
float ColumnX(int col) { return kFieldLeft + kCell * col + (col >= 10 ? 2 : 0); }
}  // namespace

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

// ---- Levels --------------------------------------------------------------------

LevelLayout MakeLayout(int level) {
  LevelLayout out;
  c_MyApp* app = new c_MyApp();
  app->p_MakePath(level);
  out.tile.resize(LevelLayout::kRows * LevelLayout::kCols);
  out.coin.resize(out.tile.size());
  for (int r = 0; r < LevelLayout::kRows; ++r) {
    for (int c = 0; c < LevelLayout::kCols; ++c) {
      const int cell = (r * LevelLayout::kCols + c) * 10;
      out.tile[r * LevelLayout::kCols + c] = (int)app->m_grid[cell];
      out.coin[r * LevelLayout::kCols + c] = app->m_grid[cell + 1] == 1 ? 1 : 0;
    }
  }
  return out;
}

std::vector<int> CoinRoute(const LevelLayout& level, int row, int col) {
  const int lo = col <= 9 ? 0 : 10;
  const int rows = LevelLayout::kGoal;
  // best[r][c]: most coins collectable on the way from (row, col) to (r, c).
  std::vector<std::vector<int>> best(rows + 1, std::vector<int>(LevelLayout::kCols, -1));
  best[row][col] = 0;
  for (int r = row + 1; r <= rows; ++r) {
    for (int c = lo; c <= lo + 9; ++c) {
      if (level.Deadly(r, c)) continue;
      int from = -1;
      if (Half(c - 1, lo)) from = std::max(from, best[r - 1][c - 1]);
      if (Half(c + 1, lo)) from = std::max(from, best[r - 1][c + 1]);
      if (from >= 0) best[r][c] = from + (level.Coin(r, c) ? 1 : 0);
    }
  }
  int c = -1;
  for (int k = lo; k <= lo + 9; ++k) {
    if (best[rows][k] >= 0 && (c < 0 || best[rows][k] > best[rows][c])) c = k;
  }
  if (c < 0) return {};
  std::vector<int> columns(rows - row);
  for (int r = rows; r > row; --r) {
    columns[r - row - 1] = c;
    const int before = best[r][c] - (level.Coin(r, c) ? 1 : 0);
    c = (Half(c - 1, lo) && best[r - 1][c - 1] == before) ? c - 1 : c + 1;
  }
  return columns;
}

bool FindRunners(const Shot& shot, RunnerColumns* out) {
  const int w = shot.width, h = shot.height;
  if (w != 640 || h != 480) return false;
  // Near-white pixels: the caps' faces (stars are a few pixels at most).
  std::vector<char> white((std::size_t)w * h, 0);
  for (int i = 0; i < w * h; ++i) {
    const Rgb c = shot.At(i % w, i / w);
    white[i] = std::min({c.r, c.g, c.b}) >= 190 && std::max({c.r, c.g, c.b}) - std::min({c.r, c.g, c.b}) <= 50;
  }
  std::vector<std::pair<float, float>> caps;  // centres of blobs of cap size, by x
  for (int start = 0; start < w * h; ++start) {
    if (!white[start]) continue;
    int area = 0, x0 = w, x1 = -1, y0 = h, y1 = -1;
    std::vector<int> stack = {start};
    white[start] = 0;
    while (!stack.empty()) {
      const int p = stack.back(), x = p % w, y = p / w;
      stack.pop_back();
      ++area, x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
      for (int q : {x > 0 ? p - 1 : -1, x + 1 < w ? p + 1 : -1, y > 0 ? p - w : -1, y + 1 < h ? p + w : -1}) {
        if (q >= 0 && white[q]) white[q] = 0, stack.push_back(q);
      }
    }
    if (area >= 60 && x1 - x0 >= 9 && x1 - x0 < 40 && y1 - y0 >= 7 && y1 - y0 < 40) {
      caps.emplace_back((x0 + x1) * 0.5f, (y0 + y1) * 0.5f);
    }
  }
  std::sort(caps.begin(), caps.end());
  // Pair the caps: the two of one runner lie 56 apart at about one height.
  std::vector<float> runners;
  std::vector<bool> used(caps.size(), false);
  for (std::size_t i = 0; i < caps.size(); ++i) {
    for (std::size_t j = i + 1; j < caps.size() && !used[i]; ++j) {
      if (!used[j] && std::fabs(caps[j].first - caps[i].first - kCapSpacing) <= 4 &&
          std::fabs(caps[j].second - caps[i].second) <= 12) {
        used[i] = used[j] = true;
        runners.push_back((caps[i].first + caps[j].first) * 0.5f + kCapMidToRunner);
      }
    }
  }
  if (runners.size() != 2) return false;
  out->leftX = runners[0];
  out->rightX = runners[1];
  out->left = (int)std::lround((runners[0] - kFieldLeft) / kCell);
  out->right = (int)std::lround((runners[1] - kFieldLeft - 2) / kCell);
  return out->left >= 0 && out->left <= 9 && out->right >= 10 && out->right <= 19;
}

bool RunnersAtRest(const Shot& shot, RunnerColumns* out) {
  auto settled = [](float x, int col) { return std::fabs(x - ColumnX(col)) <= 3.0f; };
  return FindRunners(shot, out) && settled(out->leftX, out->left) && settled(out->rightX, out->right);
}

int WinLevel(Player& p, int level) {
  const LevelLayout layout = MakeLayout(level);
  // The ways keep two columns off the middle on either side: closer
  // together, the runners' key caps run into each other.
  LevelLayout plan = layout;
  for (int r = 0; r < LevelLayout::kRows; ++r) {
    for (int c = 8; c <= 11; ++c) plan.tile[r * LevelLayout::kCols + c] = 9;
  }
  RunnerColumns seen;
  if (!p.WaitFor([&](const Shot& s) { return RunnersAtRest(s, &seen); })) {
    p.Keep("no_runners");
    return -1;
  }
  const char* keys[2][2] = {{"k", "l"}, {"a", "d"}};
  int col[2] = {4, 14}, row[2] = {0, 0}, coins = 0;
  for (int presses = 0; row[0] < LevelLayout::kGoal || row[1] < LevelLayout::kGoal; ++presses) {
    int target[2] = {col[0], col[1]};
    std::vector<std::string> down;
    for (int i = 0; i < 2; ++i) {
      if (row[i] >= LevelLayout::kGoal) continue;
      const std::vector<int> route = CoinRoute(plan, row[i], col[i]);
      if (route.empty() || presses > 300) return -1;
      target[i] = route[0];
      down.push_back(keys[i][route[0] > col[i]]);
    }
    // Held until both land; a hop the game missed is planned again.
    p.Press(down, [&](const Shot& s) {
      return RunnersAtRest(s, &seen) && seen.left == target[0] && seen.right == target[1];
    }, 1, Player::patience / 12);
    if (!p.WaitFor([&](const Shot& s) { return RunnersAtRest(s, &seen); })) {
      p.Keep("runners_lost");
      return -1;
    }
    const int now[2] = {seen.left, seen.right};
    for (int i = 0; i < 2; ++i) {
      const int step = target[i] - col[i];
      const int hops = step ? (now[i] - col[i]) / step : 0;
      if (now[i] != col[i] + hops * step || hops < 0 || hops > 2) return -1;
      for (int k = 0; k < hops && row[i] < LevelLayout::kGoal; ++k) {
        ++row[i];
        col[i] += step;
        coins += layout.Coin(row[i], col[i]) ? 1 : 0;
      }
    }
  }
  return p.WaitFor(EndOverlay) ? coins : -1;
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
