// Level layouts, routes and runner positions; see soak_route.h.
#include "support/soak_route.h"

#include <algorithm>
#include <cmath>

#include "game/myapp.h"

namespace testing_support {

namespace {

constexpr float kFieldLeft = 78;  // column 0's centre in a 640-wide window
constexpr float kCell = 24;
constexpr float kCapSpacing = 56;  // the two caps of one runner
constexpr float kCapMidToRunner = -4;  // caps at -24 and +32: their middle is 4 right

bool Half(int col, int lo) { return col >= lo && col <= lo + 9; }

// The columns a runner may occupy.
int HalfStart(int col) { return col <= 9 ? 0 : 10; }

float ColumnX(int col) { return kFieldLeft + kCell * col + (col >= 10 ? 2 : 0); }

}  // namespace

LevelLayout MakeLayout(int level) {
  LevelLayout out;
  out.level = level;
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
  const int lo = HalfStart(col);
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

std::vector<int> RouteOntoDeadlyTile(const LevelLayout& level, int col) {
  const int lo = HalfStart(col);
  // Breadth first over (row, column); prev holds the column one row up.
  std::vector<std::vector<int>> prev(LevelLayout::kRows, std::vector<int>(LevelLayout::kCols, -2));
  prev[0][col] = -1;
  for (int r = 1; r < LevelLayout::kRows; ++r) {
    for (int c = lo; c <= lo + 9; ++c) {
      for (int from : {c - 1, c + 1}) {
        if (!Half(from, lo) || prev[r - 1][from] == -2) continue;
        if (r - 1 > 0 && level.Deadly(r - 1, from)) continue;  // no hop starts from a deadly tile
        prev[r][c] = from;
      }
    }
    for (int c = lo; c <= lo + 9; ++c) {
      if (prev[r][c] != -2 && level.Deadly(r, c)) {
        std::vector<int> columns(r);
        for (int rr = r, cc = c; rr > 0; cc = prev[rr][cc], --rr) columns[rr - 1] = cc;
        return columns;
      }
    }
  }
  return {};
}

bool FindRunners(const Shot& shot, RunnerColumns* out) {
  if (shot.width != 640 || shot.height != 480) return false;
  const int w = shot.width, h = shot.height;
  // Near-white pixels: the caps' faces (stars are a few pixels at most).
  std::vector<char> white((std::size_t)w * h, 0);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      Rgb c = shot.At(x, y);
      const int lo = std::min({c.r, c.g, c.b}), hi = std::max({c.r, c.g, c.b});
      white[(std::size_t)y * w + x] = lo >= 190 && hi - lo <= 50;
    }
  }
  struct Cap {
    float x, y;
  };
  std::vector<Cap> caps;
  std::vector<int> stack;
  for (int start = 0; start < w * h; ++start) {
    if (!white[start]) continue;
    int area = 0, x0 = w, x1 = -1, y0 = h, y1 = -1;
    long sx = 0, sy = 0;
    stack.assign(1, start);
    white[start] = 0;
    while (!stack.empty()) {
      const int p = stack.back();
      stack.pop_back();
      const int x = p % w, y = p / w;
      ++area, sx += x, sy += y;
      x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
      const int next[4] = {x > 0 ? p - 1 : -1, x + 1 < w ? p + 1 : -1, y > 0 ? p - w : -1,
                           y + 1 < h ? p + w : -1};
      for (int q : next) {
        if (q >= 0 && white[q]) {
          white[q] = 0;
          stack.push_back(q);
        }
      }
    }
    const int bw = x1 - x0 + 1, bh = y1 - y0 + 1;
    if (area >= 60 && bw >= 10 && bw <= 40 && bh >= 8 && bh <= 40) {
      caps.push_back(Cap{(x0 + x1) * 0.5f, (y0 + y1) * 0.5f});
    }
  }
  // Pair the caps: the two of one runner lie 56 apart at about one height.
  std::sort(caps.begin(), caps.end(), [](const Cap& a, const Cap& b) { return a.x < b.x; });
  std::vector<float> runners;
  std::vector<bool> used(caps.size(), false);
  for (std::size_t i = 0; i < caps.size(); ++i) {
    if (used[i]) continue;
    for (std::size_t j = i + 1; j < caps.size(); ++j) {
      if (used[j]) continue;
      if (std::fabs(caps[j].x - caps[i].x - kCapSpacing) <= 4 &&
          std::fabs(caps[j].y - caps[i].y) <= 12) {
        used[i] = used[j] = true;
        runners.push_back((caps[i].x + caps[j].x) * 0.5f + kCapMidToRunner);
        break;
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

bool Settled(float x, int col) { return std::fabs(x - ColumnX(col)) <= 3.0f; }

}  // namespace testing_support
