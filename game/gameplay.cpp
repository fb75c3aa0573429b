// Gameplay: the level generator, one frame of play, the end of a game and the
// score line.
//
// Index
//   [random]     p_SeedRnd, p_Rand: the framework's generator (app/numeric.h)
//   [reset]      p_FlushGame, p_ResetObj, p_ResetGrid, p_ResetPlayers
//   [generator]  p_MakePath: bands, deadly spans, swinging blocks, coins
//   [step]       p_Game: camera, scroll, tiles, blocks, steering, hops,
//                landing, runners, hints, catch-up, end test
//   [end]        p_GameOver
//   [score]      p_ScoreDisplay, p_Nth, p_MyNth
//
// The grid is 20 columns of 10 floats per cell, row after row (kCell*). Two
// runners share one layout in m_player: the left one at 1..9, the right one
// at 11..19 (kRunner*), plus level values above them (kP*).
//
// A level is a pure function of its number: p_MakePath seeds the shared
// generator with level x 65 and draws every value in a fixed order, in float
// arithmetic, so a layout never changes between builds or runs. Each row has
// a three-column safe band per half that drifts by at most one column a row,
// and nothing deadly is ever placed on a band cell, so a way down always
// exists; the bands are then painted over as plain floor. p_MakePath first
// clears the rows it writes (a span may reach into the next row before that
// row is made), so a level does not depend on the grid it replaces.
//
// Decisions ours to take:
//   - A runner that reaches the goal while the other one is lost plays its
//     own home sound (6 or 7); sound 8 is kept for the second one home.
//   - The end-of-game words are drawn opaque so they read over the dimmed
//     field; the bars and the highscore box keep their half alpha.
//   - The desktop build has no touch steering, so a game started with the
//     pointer (control style 2) steers and is hinted like the keyboard style;
//     otherwise nothing could steer the right runner from the keyboard.
//
// Per frame the step allocates nothing but the strings of its text.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "app/numeric.h"
#include "game/globals.h"
#include "game/myapp.h"

namespace {

// ---- Grid layout -----------------------------------------------------------
constexpr int kCols = 20;
constexpr int kCellFloats = 10;
constexpr int kCellTile = 0;
constexpr int kCellCoin = 1;
constexpr int kCellSwingType = 2;
constexpr int kCellSwingPhase = 3;
constexpr int kCellSwingSpeed = 4;
constexpr int kGenRows = 100;   // rows the generator writes
constexpr int kGoalRow = 50;
constexpr int kPlayRows = 51;   // rows 0..50 are played and drawn
// Rows 0..kGenRows: the generator reads one row past its last.
constexpr int kGridFloatsUsed = kCellFloats * kCols * (kGenRows + 1);

// Tile values
constexpr int kFloorLeft = 0;
constexpr int kFloorRight = 1;
constexpr int kSteppedLeft = 2;
constexpr int kSteppedRight = 3;
constexpr int kDeadlyStacked = 17;  // a deadly tile below another
// While a level is generated the same values mark the safe bands; the
// finishing pass turns the marks 1 and 2 back into floor.
constexpr int kBandLeft = 1;
constexpr int kBandRight = 2;
constexpr int kBandBoth = 3;
constexpr int kBlockFrame = 36;     // "gfx" frame of a swinging block
constexpr int kTileFrames = 81;     // "gfx" holds frames 0..80

inline bool IsDeadly(float tile) { return tile > 8 && tile < 18; }
inline int CellIndex(int row, int col) { return (row * kCols + col) * kCellFloats; }

// ---- Player record -----------------------------------------------------------
// Runner fields, added to the runner's base (0 left, 10 right).
constexpr int kRunnerCol = 1;
constexpr int kRunnerRow = 2;
constexpr int kRunnerShownCol = 3;
constexpr int kRunnerShownRow = 4;
constexpr int kRunnerHop = 5;
constexpr int kRunnerState = 6;
constexpr int kRunnerLatch = 9;
constexpr int kLeft = 0, kRight = 10;

constexpr int kRunning = 0, kLost = 1, kHome = 2;

constexpr int kPSpeed = 20;
constexpr int kPSpeedLimit = 21;
constexpr int kPLeftScreenX = 48, kPLeftScreenY = 49;
constexpr int kPRightScreenX = 58, kPRightScreenY = 59;
constexpr int kPLostFrames = 55;
constexpr int kPHomeFrames = 56;
constexpr int kPGoalRow = 89;
constexpr int kPlayerResetFloats = 500;

// ---- Tunables ---------------------------------------------------------------
constexpr int kReservedSeed = -37171650;  // "seed from the clock"
constexpr int kSeedWarmup = 21;           // generator steps after seeding
constexpr int kLevelSeedFactor = 65;
constexpr float kCameraStartY = -260;     // row 0 starts 260 units down
constexpr float kSpeedStep = 0.005f;      // scroll acceleration per frame
constexpr int kHopFrames = 90;            // hop timer after a hop
constexpr int kHopTick = 10;              // timer loss per frame
constexpr int kLandBelow = 20;            // a hop lands below this timer
constexpr float kEaseStep = 0.1f;         // shown position, cells per frame
constexpr float kSnap = 0.05f;
constexpr float kSlide = 0.45f;           // a lost runner's slide, rows/frame
constexpr int kEndDelay = 30;             // frames before the end is decided
constexpr int kEndFrames = 90;            // frames of the end sequence
constexpr int kCoinPoints = 5;
constexpr int kParticlesReset = 250;
constexpr int kStarsReset = 100;

constexpr double kDegToRad = 3.14159265358979323846 / 180.0;
inline float SinD(double deg) { return (float)std::sin(deg * kDegToRad); }
inline float CosD(double deg) { return (float)std::cos(deg * kDegToRad); }

// The ordinal table of the score line and the highscore notice.
const char* const kOrdinals[30] = {
    "1st",  "2nd",  "3rd",  "4th",  "5th",  "6th",  "7th",  "8th",  "9th",  "10th",
    "11th", "12th", "13th", "14th", "15th", "16th", "17th", "18th", "19th", "20th",
    "21st", "22nd", "23rd", "24th", "25th", "26th", "27th", "28th", "29th", "30th"};

// One unit value of the shared generator.
inline float U() { return rv_random_Rnd(); }

}  // namespace

// ============================================================================
// [random]
// ============================================================================

int c_MyApp::p_SeedRnd(int seed) {
  if (seed == kReservedSeed) seed = rv_app_Millisecs();
  rv_random_Seed = (uint32_t)seed;
  for (int i = 0; i < kSeedWarmup; ++i) rv_random_Rnd();
  return 0;
}

int c_MyApp::p_Rand(int lo, int hi) {
  float u = U();
  return (int)std::floor(u * (((float)hi + 0.99f) - (float)lo) + (float)lo);
}

// ============================================================================
// [reset]
// ============================================================================

int c_MyApp::p_FlushGame() {
  p_ResetObj();
  p_ResetGrid();
  p_ResetStars(kStarsReset);
  p_ResetParticles(kParticlesReset);
  p_ResetPlayers();
  m_paused = 0;
  m_score = 0;
  m_gameOverTime = 0;
  m_endTime = 0;
  m_gameResult = 0;
  m_camX = m_camY = m_camTargetX = m_camTargetY = 0;
  return 0;
}

int c_MyApp::p_ResetObj() {
  std::memset(m_objects.Data(), 0, sizeof(float) * m_objects.Length());
  return 0;
}

// Only the rows a level can reach are cleared: the rest of the grid is never
// read or written, so its pages are never touched and never become resident.
int c_MyApp::p_ResetGrid() {
  std::memset(m_grid.Data(), 0, sizeof(float) * std::min(kGridFloatsUsed, m_grid.Length()));
  return 0;
}

int c_MyApp::p_ResetPlayers() {
  std::memset(m_player.Data(), 0, sizeof(float) * kPlayerResetFloats);
  return 0;
}

// ============================================================================
// [generator]
// ============================================================================
//
// Every value below is one generator step taken exactly where it stands; a
// reordering changes every level.

int c_MyApp::p_MakePath(int level) {
  float* p = m_player.Data();
  float* g = m_grid.Data();
  std::memset(g, 0, sizeof(float) * kGridFloatsUsed);
  p[kPGoalRow] = kGoalRow;
  p_SeedRnd(level * kLevelSeedFactor);

  int a = 4, b = 14;  // safe-band centres, left and right half
  p[kLeft + kRunnerCol] = p[kLeft + kRunnerShownCol] = (float)a;
  p[kLeft + kRunnerRow] = p[kLeft + kRunnerShownRow] = 0;
  p[kRight + kRunnerCol] = p[kRight + kRunnerShownCol] = (float)b;
  p[kRight + kRunnerRow] = p[kRight + kRunnerShownRow] = 0;

  // Difficulty by level.
  const float spanDivisor = level <= 3 ? 10.0f : level <= 6 ? 7.0f : 5.0f;
  const int blocksPerRow = level <= 4 ? 0 : level <= 9 ? 1 : level <= 14 ? 2 : 3;
  const int topSwing = level <= 10 ? 2 : level <= 16 ? 4 : 5;

  for (int r = 0; r < kGenRows; ++r) {
    // Floor and the two safe bands.
    for (int c = 0; c < kCols; ++c) {
      bool inA = c >= a - 1 && c <= a + 1;
      bool inB = c >= b - 1 && c <= b + 1;
      g[CellIndex(r, c) + kCellTile] =
          inA && inB ? kBandBoth : inA ? kBandLeft : inB ? kBandRight : kFloorLeft;
    }

    // Deadly spans: a run of cells counted along the whole grid, so it may
    // reach the end of the previous row; only plain floor (0) turns deadly.
    for (int attempt = 0; attempt < 3; ++attempt) {
      float u = U();
      if (u * spanDivisor < 2 && r >= 2 && r <= 49 && level >= 3) {
        int centre = (int)std::floor(U() * 19.99f);
        int half = (int)std::floor(U() * 2.99f + 1);
        int base = r * kCols + centre;
        for (int cell = base - half; cell <= base + half; ++cell) {
          float& tile = g[cell * kCellFloats + kCellTile];
          if (tile == kFloorLeft) tile = (float)(int)std::floor(U() * 7.99f + 9);
        }
      }
    }

    // Swinging blocks beside a band: odd rows in the left half, even rows in
    // the right half.
    if (blocksPerRow > 0 && r >= 3 && r <= 47) {
      for (int attempt = 0; attempt < blocksPerRow; ++attempt) {
        int c = (int)std::floor(U() * 9.99f);
        if (r % 2 == 0) c = (int)std::floor(U() * 9.99f + 10);
        int cell = r * kCols + c;
        float tile = g[cell * kCellFloats + kCellTile];
        float right = g[(cell + 1) * kCellFloats + kCellTile];
        float left = g[(cell - 1) * kCellFloats + kCellTile];
        bool bordersBand = right == kBandLeft || right == kBandRight || left == kBandLeft ||
                           left == kBandRight;
        if (tile == kFloorLeft && bordersBand) {
          float* s = g + cell * kCellFloats;
          s[kCellSwingType] = (float)(int)std::floor(U() * ((float)topSwing + 0.99f - 1) + 1);
          s[kCellSwingPhase] = U() * 360;
          float speed = U() * 1.5f + 0.5f;
          if (!(r % 4 == 2 || r % 4 == 3)) speed = -speed;
          s[kCellSwingSpeed] = speed;
        }
      }
    }

    // Band drift.
    if (U() * 10 < 6) a += (int)std::floor(U() * 2.99f - 1);
    if (U() * 10 < 6) b += (int)std::floor(U() * 2.99f - 1);
    if (a < 0) a = 0;
    if (a > 9) a = 9;
    if (b < 10) b = 10;
    if (b > 19) b = 19;
  }

  // Finishing pass: at most one coin per band and row, then the bands become
  // plain floor and stacked deadly tiles get their own frame.
  for (int r = 0; r < kGenRows; ++r) {
    bool leftCoin = false, rightCoin = false;
    for (int c = 0; c < kCols; ++c) {
      float* cell = g + CellIndex(r, c);
      float tile = cell[kCellTile];
      bool sameParity = (c % 2) == (r % 2);
      if (tile == kBandLeft) {
        float u = U();
        if (u * 20 < 2 && sameParity && r > 1 && !leftCoin) {
          cell[kCellCoin] = 1;
          leftCoin = true;
        }
      } else if (tile == kBandRight) {
        float u = U();
        if (u * 20 < 2 && sameParity && r > 1 && !rightCoin) {
          cell[kCellCoin] = 1;
          rightCoin = true;
        }
      }
      if (tile == kFloorLeft || tile == kBandLeft || tile == kBandRight) {
        cell[kCellTile] = c <= 9 ? kFloorLeft : kFloorRight;
      }
      if (r > 0 && IsDeadly(g[CellIndex(r - 1, c) + kCellTile]) && IsDeadly(cell[kCellTile])) {
        cell[kCellTile] = kDeadlyStacked;
      }
    }
  }

  // The generator's state stays in rv_random_Seed.
  m_camY = m_camTargetY = kCameraStartY;
  m_camX = m_camTargetX = 0;
  p[kPSpeed] = 0;
  p[kPSpeedLimit] = level == 1 ? 0.3f : 0.4f;

  switch (level % 3) {
    case 1: p_PlayTune(String("artichoke"), 1); break;
    case 2: p_PlayTune(String("broccoli"), 1); break;
    default: p_PlayTune(String("horseraddish"), 1); break;
  }
  return 0;
}

// ============================================================================
// [step]
// ============================================================================

int c_MyApp::p_Game() {
  float* p = m_player.Data();
  float* g = m_grid.Data();
  const float scrW = rv_Quenmor_jscrw, scrH = rv_Quenmor_jscrh;
  const float left = scrW / 2 - 242;
  const int goal = (int)p[kPGoalRow];
  const int ms = rv_app_Millisecs();

  // 1. Frame start and camera.
  p_DoBG(0, 0, 0, -123);
  float dx = (m_camX - m_camTargetX) * 0.125f;
  float dy = (m_camY - m_camTargetY) * 0.125f;
  m_camX -= dx;
  m_camY -= dy;
  p_DoStars(dx, dy);

  // 2. Auto-scroll, speeding up to its limit.
  m_camTargetY += p[kPSpeed];
  p[kPSpeed] += kSpeedStep;
  if (p[kPSpeed] > p[kPSpeedLimit]) p[kPSpeed] = p[kPSpeedLimit];

  auto visible = [&](int r, float y) { return y > -128 && y < scrH + 128 && r <= goal; };
  auto cellX = [&](int c) { return left + 24 * c + (c >= 10 ? 2 : 0); };

  // 3. Coins and tiles; every swing phase advances, seen or not.
  for (int r = 0; r < kPlayRows; ++r) {
    float y = 24 * r - m_camY;
    bool seen = visible(r, y);
    for (int c = 0; c < kCols; ++c) {
      float* cell = g + CellIndex(r, c);
      float x = cellX(c);
      if (seen && cell[kCellCoin] == 1) {
        p_SetCol(255, 255, 0, 1);
        p_Oval(x, y, 7 * SinD(35.0 * r + 24.0 * c + 0.25 * ms), 10);
      }
      cell[kCellSwingPhase] += cell[kCellSwingSpeed];
      int tile = (int)cell[kCellTile];
      if (seen && tile >= 0 && tile < kTileFrames) {
        p_SetCol(255, 255, 255, (r + c) % 2 == 1 ? 0.525f : 0.6f);
        p_DrawImg(2, x, y, tile);
      }
    }
  }

  // 4. Swinging blocks, their touch and their flames.
  p_ResetDraw();
  for (int r = 0; r < kPlayRows; ++r) {
    float y = 24 * r - m_camY;
    if (!visible(r, y)) continue;
    for (int c = 0; c < kCols; ++c) {
      float* cell = g + CellIndex(r, c);
      int type = (int)cell[kCellSwingType];
      if (type <= 0) continue;
      float ph = cell[kCellSwingPhase];
      float bx = cellX(c), by = y;
      switch (type) {
        case 1: bx += 24 * SinD(ph); break;
        case 2: bx += 48 * SinD(ph); break;
        case 3: by -= 24 * CosD(ph); break;
        case 4: by -= 48 * CosD(ph); break;
        case 5: bx += 24 * SinD(ph); by += 24 * CosD(ph); break;
        case 6: bx += 48 * SinD(ph); by -= 48 * CosD(ph); break;
        default: break;
      }
      p_SetCol(255, 255, 255, 1);
      p_DrawImg(2, bx, by, kBlockFrame);
      const int touch[2][4] = {{kLeft, kPLeftScreenX, kPLeftScreenY, 3},
                               {kRight, kPRightScreenX, kPRightScreenY, 4}};
      for (const auto& rn : touch) {
        float* state = p + rn[0] + kRunnerState;
        if (*state != kRunning) continue;
        if (std::fabs(p[rn[1]] - bx) < 16 && std::fabs(p[rn[2]] - (by - 8)) < 24) {
          *state = kLost;
          p_PlaySFX(rn[3], 1.0f);
        }
      }
      for (int i = 1; i <= 5; ++i) {
        int k = 15 - 3 * i;  // 12, 9, 6, 3, 0
        float blue = 100 * U();
        float green = 100 + 155 * U();
        float red = 200 + 55 * U();
        float fx = bx - i + 2 * i * U();
        p_SetCol(red, green, blue, 0.6f);
        p_Oval(fx, by - 4 - (24 - 2 * k), (float)(8 - i), (float)k);
      }
    }
  }

  // 5. Steering. Style 0 is the keyboard: the left runner on control 11/12
  // (K, L), the right one on left/right (A, D, arrows).
  const int style = m_controlStyle == 2 ? 0 : m_controlStyle;
  int d1 = (p_StickX(0, 0) < -0.3f || p_PlayKey(3, 1, 0)) ? -1 : 0;
  if (p_PlayKey(5, 1, 0)) d1 = 1;
  if (p_StickX(0, 0) > 0.3f) d1 = 1;
  int d2 = 0;
  if (p_PlayKey(11, 1, 0)) d2 = style == 0 ? -1 : style == 1 ? 1 : 0;
  if (p_StickX(1, 0) < -0.3f) d2 = -1;
  if (p_PlayKey(12, 1, 0)) {
    if (style == 0) d2 = 1;
    if (style == 1) d2 = -1;
  }
  if (p_StickX(1, 0) > 0.3f) d2 = 1;
  const int dirLeft = style == 0 ? d2 : d1;
  const int dirRight = style == 0 ? d1 : d2;

  // 6.-9. Hops, timers, shown positions and landing, per runner.
  const struct {
    int base, dir, low, high, hopSound, lostSound, homeSound, other;
  } runners[2] = {{kLeft, dirLeft, 0, 9, 1, 3, 6, kRight},
                  {kRight, dirRight, 10, 19, 2, 4, 7, kLeft}};
  for (const auto& rn : runners) {
    float* q = p + rn.base;
    if (rn.dir == 0) q[kRunnerLatch] = 0;
    if (q[kRunnerHop] == 0 && q[kRunnerState] == kRunning && q[kRunnerLatch] == 0) {
      int col = (int)q[kRunnerCol];
      int step = 0;
      if (rn.dir == -1 && col > rn.low) step = -1;
      if (rn.dir == 1 && col < rn.high) step = 1;
      if (step != 0) {
        q[kRunnerCol] = (float)(col + step);
        q[kRunnerLatch] = 1;
        q[kRunnerHop] = kHopFrames;
        q[kRunnerRow] += 1;
        p_PlaySFX(rn.hopSound, 0.9f + 0.2f * U(), 1, 0);
      }
    }
  }
  for (const auto& rn : runners) {
    float* q = p + rn.base;
    if (q[kRunnerHop] > 0) q[kRunnerHop] = std::max(0.0f, q[kRunnerHop] - kHopTick);
  }
  for (const auto& rn : runners) {
    float* q = p + rn.base;
    if (q[kRunnerState] == kRunning) {
      for (int f : {kRunnerShownCol, kRunnerShownRow}) {
        float target = q[f - 2], shown = q[f];
        if (std::fabs(target - shown) < kSnap) {
          q[f] = target;
        } else {
          q[f] = shown + (target > shown ? kEaseStep : -kEaseStep);
        }
      }
    } else if (q[kRunnerState] == kHome) {
      q[kRunnerShownCol] = q[kRunnerCol];
      q[kRunnerShownRow] = q[kRunnerRow];
    }
  }
  for (const auto& rn : runners) {
    float* q = p + rn.base;
    if (q[kRunnerState] != kRunning || q[kRunnerHop] >= kLandBelow) continue;
    int row = (int)q[kRunnerRow], col = (int)q[kRunnerCol];
    float* cell = g + CellIndex(row, col);
    if (IsDeadly(cell[kCellTile])) {
      q[kRunnerState] = kLost;
      p_PlaySFX(rn.lostSound, 1.0f);
    }
    if (rn.base == kLeft && cell[kCellTile] == kFloorLeft) cell[kCellTile] = kSteppedLeft;
    if (rn.base == kRight && cell[kCellTile] == kFloorRight) cell[kCellTile] = kSteppedRight;
    if (cell[kCellCoin] == 1) {
      cell[kCellCoin] = 0;
      m_score += kCoinPoints;
      p_PlaySFX(5, 1.0f);
    }
    if (q[kRunnerState] == kRunning && row >= goal) {
      q[kRunnerState] = kHome;
      p_PlaySFX(p[rn.other + kRunnerState] == kHome ? 8 : rn.homeSound, 1.0f);
    }
  }

  // 10. A lost runner slides down the field; one at home bobs.
  for (const auto& rn : runners) {
    float* q = p + rn.base;
    if (q[kRunnerState] == kLost) {
      q[kRunnerShownRow] += kSlide;
    } else if (q[kRunnerState] == kHome) {
      float bob = rn.base == kLeft ? SinD(0.5 * ms) : SinD(0.5 * ms + 90);
      q[kRunnerShownRow] = q[kRunnerRow] - std::fabs(bob);
    }
  }

  // 11. Runners; the top edge overtaking one loses it.
  p_ResetDraw();
  float screenY[2];
  for (int i = 0; i < 2; ++i) {
    const auto& rn = runners[i];
    float* q = p + rn.base;
    float sx = left + 24 * q[kRunnerShownCol] + (rn.base == kRight ? 2 : 0);
    float sy = 24 * q[kRunnerShownRow] - m_camY - 8 * SinD(q[kRunnerHop]);
    p[rn.base == kLeft ? kPLeftScreenX : kPRightScreenX] = sx;
    p[rn.base == kLeft ? kPLeftScreenY : kPRightScreenY] = sy;
    screenY[i] = sy;
    if (sy < -32 && q[kRunnerState] == kRunning) {
      q[kRunnerState] = kLost;
      p_PlaySFX(rn.lostSound, 1.0f);
    }
    int frame = rn.base == kLeft ? 18 + (ms / 110) % 6 : 27 + (ms / 90) % 6;
    p_DrawImg(2, sx, sy - 11, frame);
  }

  // 12. Steering hints on the first two levels.
  if (m_level == 1 || m_level == 2) {
    int beat = ms / 3;
    float rise1 = std::fabs(6 * SinD(beat));
    float rise2 = std::fabs(6 * SinD(beat + 90.0));
    p_ResetDraw();
    p_SetSize(2);
    const char16_t* leftKeys[2] = {style == 0 ? u"\u00acK" : u"\u00acA",
                                   style == 0 ? u"\u00acL" : u"\u00acD"};
    const char16_t* rightKeys[2] = {style == 0 ? u"\u00acA" : u"\u00acL",
                                    style == 0 ? u"\u00acD" : u"\u00acK"};
    if (style == 0 || style == 1) {
      // The glyph set follows m_controlStyle; a pointer game shows the keys.
      const int savedStyle = m_controlStyle;
      m_controlStyle = style;
      for (int i = 0; i < 2; ++i) {
        const char16_t* const* keys = i == 0 ? leftKeys : rightKeys;
        float x = p[i == 0 ? kPLeftScreenX : kPRightScreenX];
        float y = screenY[i];
        p_Text(x - 24, y - rise1, String(keys[0]), 1, 1);
        p_Text(x + 32, y - rise2, String(keys[1]), 1, 1);
      }
      m_controlStyle = savedStyle;
    }
    p_ResetDraw();
  }

  // 13. Catch-up: the camera follows runners that run ahead of it.
  const bool leftRunning = p[kLeft + kRunnerState] == kRunning;
  const bool rightRunning = p[kRight + kRunnerState] == kRunning;
  if (leftRunning && rightRunning && (int)screenY[0] > 0.7f * scrH &&
      (int)screenY[1] > 0.7f * scrH) {
    m_camTargetY += 1;
  }
  if (leftRunning && screenY[0] > 0.8f * scrH) m_camTargetY += 1.5f;
  if (rightRunning && screenY[1] > 0.8f * scrH) m_camTargetY += 1.5f;

  // 14. Particles.
  p_DoParticles(1);

  // 15. End test: one runner lost fails, both home completes.
  const float sl = p[kLeft + kRunnerState], sr = p[kRight + kRunnerState];
  if (sl == kLost || sr == kLost) {
    p[kPLostFrames] += 1;
    if (p[kPLostFrames] > kEndDelay) {
      m_gameOverTime = 1;
      m_gameResult = 1;
    }
  }
  if (sl == kHome && sr == kHome) {
    p[kPHomeFrames] += 1;
    if (p[kPHomeFrames] > kEndDelay) {
      m_gameOverTime = 1;
      m_gameResult = 2;
    }
  }

  // 16. Score line.
  p_ScoreDisplay();
  return 0;
}

// ============================================================================
// [end]
// ============================================================================

int c_MyApp::p_GameOver() {
  const float scrW = rv_Quenmor_jscrw, scrH = rv_Quenmor_jscrh;
  int t = m_endTime;
  if (t > 0) {
    m_player[kPSpeedLimit] = 240;  // the field races away under the overlay
    m_keyLock = 1;
    m_inputUsed = 1;

    p_ResetDraw();
    p_SetCol(0, 0, 0, std::min((float)t / 40.0f, 0.7f));
    p_Rect(-1, -1, scrW + 2, scrH + 2);

    int len = std::min(12 * t, (int)(0.45f * scrH));
    p_SetCol(255, 255, 0, 0.5f);
    p_Rect(-1, 0.45f * scrH - 8, (float)(2 * len), 16);
    p_SetCol(255, 128, 0, 0.5f);
    p_Rect(scrW - 2 * len, 0.55f * scrH - 8, (float)(2 * len + 1), 16);

    const char* first = "GAME";
    const char* second = "OVER";
    switch (m_gameResult) {
      case -1: first = "Quit"; second = "Game"; break;
      case 1: first = "Bad"; second = "Luck"; break;
      case 2: first = "Level"; second = "Complete"; break;
      default: break;
    }
    p_SetSize(4);
    p_SetCol(255, 180, 180, 1);
    p_Text(0.35f * scrW, (float)len, String(first), 1, 1);
    p_Text(0.65f * scrW, scrH - len, String(second), 1, 1);

    String place = p_MyNth();
    if (m_i > 0) {
      p_SetCol(0, 125, 255, 0.5f);
      p_Rect(0.35f * scrW, scrH - len / 1.5f - 16, 0.3f * scrW, 32);
      p_SetSize(2);
      p_SetCol(100, 255, 100, 1);
      // A backslash and "n" break the line in p_Text.
      p_Text(scrW / 2, scrH - len / 1.5f, String("New Highscore\\n           ") + place, 0.5f,
             2);
    }
    p_ResetDraw();
  }

  if (m_mode == 10) {
    t += 1;
    if (t >= kEndFrames) {
      m_mode = 2;
      if (rv_Quenmor_HasMusicStream) {
        t = 75;
        p_StopTune();
      } else {
        t = 73;
      }
    }
  } else if (m_mode < 10) {
    t = std::max(t - 2, 0);
  }
  m_endTime = t;
  return 0;
}

// ============================================================================
// [score]
// ============================================================================

int c_MyApp::p_ScoreDisplay() {
  const float scrW = rv_Quenmor_jscrw;
  int diff = m_score - m_shownScore;
  if (std::abs(diff) < 6) {
    m_shownScore = m_score;
  } else {
    m_shownScore += diff / 6;
  }

  p_ResetDraw();
  if (m_hideHud != 1) {
    p_SetSize(2);
    p_SetCol(100, 255, 100, 0.8f);
    p_Text(scrW / 2, 28, p_rstr(8, m_shownScore, String("0")), 1, 1);
  }

  // The next score to beat in this level's table.
  const int base = 10 * (m_level - 1);
  int place = 11;
  for (int k = 10; k >= 1; --k) {
    int s = m_scores[base + k - 1];
    if (s < m_score || s == 0) place = k;
  }
  int target = m_scores[base + (place == 1 ? 0 : place - 2)];
  p_SetSize(1);
  p_SetCol(255, 255, 100, 0.8f);
  p_Text(scrW / 2, 10, p_Nth(place) + String(" ") + p_rstr(8, target, String("0")), 1, 1);
  p_ResetDraw();
  return 0;
}

String c_MyApp::p_Nth(int n) {
  if (n < 1 || n > 30) return String();
  return String(kOrdinals[n - 1]);
}

String c_MyApp::p_MyNth() {
  const int base = 10 * (m_level - 1);
  for (int k = 1; k <= 10; ++k) {
    if (m_score >= m_scores[base + k - 1]) {
      m_i = k;
      return k == 1 ? String("1st!") : p_Nth(k);
    }
  }
  m_i = 0;
  return String();
}
