// Background stars and the particle pool.
//
// Stars are sprites of the "parts" sheet (slot 96) in screen space; the
// camera's movement pushes each by its depth (0.2..0.8, also its alpha), and
// a star leaving the screen by more than a margin re-enters at the far side
// with a new depth and sprite. Both star passes reseed the shared generator
// from the clock first, so what is drawn later in the frame is not tied to
// the level's seed.
//
// Particles live in grid (world) units and are drawn relative to the camera.
// Nothing in the game spawns them: the pool is cleared on every game start and
// then only its live entries (none) are updated.
//
// Records are 10 floats; both pools hold 510 of them. The counts are kept
// to 1..499 by the reset rules; the passes never read past the arrays
// whatever a count holds.
#include <cmath>

#include "game/globals.h"
#include "game/myapp.h"

namespace {

constexpr int kStride = 10;
constexpr int kMaxCount = 499;          // largest count a reset accepts

// Index of the last record a pass may touch for a count (records 0..count).
int LastRecord(int count, const Array<float>& pool) {
  int last = pool.Length() / kStride - 1;
  return count < last ? count : last;
}

float Frame() { return std::floor(rv_random_Rnd() * 255.99f); }
float Depth() { return rv_random_Rnd() * 0.6f + 0.2f; }

}  // namespace

int c_MyApp::p_ResetStars(int n) {
  if (n >= 1 && n <= kMaxCount) {
    m_starCount = n;
  } else {
    n = m_starCount;
  }
  if (n < 0) return 0;
  p_SeedRnd(rv_app_Millisecs());
  const float w = rv_Quenmor_jscrw, h = rv_Quenmor_jscrh;
  float* s = m_stars.Data();
  for (int i = 0; i <= LastRecord(n, m_stars); ++i) {
    float* star = s + i * kStride;
    star[0] = Frame();
    star[1] = rv_random_Rnd() * (w + 16) - 8;
    star[2] = rv_random_Rnd() * (h + 16) - 8;
    star[3] = Depth();
    star[5] = rv_random_Rnd() * 360;
    star[6] = rv_random_Rnd() - 0.5f;
  }
  return 0;
}

int c_MyApp::p_DoStars(float dx, float dy) {
  p_SeedRnd(rv_app_Millisecs());
  p_ResetDraw();
  const float w = rv_Quenmor_jscrw, h = rv_Quenmor_jscrh, ov = rv_Quenmor_overscan;
  const float margin = ov + 16;
  const float spanX = w + 2 * ov + 32, spanY = h + 2 * ov + 32;
  float* s = m_stars.Data();
  for (int i = 0; i <= LastRecord(m_starCount, m_stars); ++i) {
    float* star = s + i * kStride;
    star[1] += dx * star[3];
    star[2] += dy * star[3];
    auto rewrap = [&](bool horizontal) {
      if (horizontal) {
        star[2] = rv_random_Rnd() * (h + 16) - 8;
      } else {
        star[1] = rv_random_Rnd() * (w + 16) - 8;
      }
      star[3] = Depth();
      star[0] = Frame();
    };
    if (star[1] < -margin) {
      star[1] += spanX;
      rewrap(true);
    }
    if (star[1] > w + margin) {
      star[1] -= spanX;
      rewrap(true);
    }
    if (star[2] < -margin) {
      star[2] += spanY;
      rewrap(false);
    }
    if (star[2] > h + margin) {
      star[2] -= spanY;
      rewrap(false);
    }
    star[5] += star[6];
    m_alpha = star[3];
    p_SetRot(star[5]);
    p_DrawImg(96, star[1], star[2], TruncToInt(star[0]));
  }
  p_ResetDraw();
  return 0;
}

int c_MyApp::p_ResetParticles(int n) {
  if (n >= 1 && n <= kMaxCount) {
    m_particleCount = n;
  } else {
    n = m_particleCount;
  }
  if (n < 0) return 0;
  float* p = m_particles.Data();
  for (int i = 0; i <= LastRecord(n, m_particles); ++i) p[i * kStride] = 0;
  return 0;
}

int c_MyApp::p_DoParticles(float scale) {
  float* pool = m_particles.Data();
  for (int i = 0; i <= LastRecord(m_particleCount, m_particles); ++i) {
    float* p = pool + i * kStride;
    const int kind = TruncToInt(p[0]);
    if (kind <= 0) continue;
    p[1] += p[3];
    p[2] += p[4];
    p[5] += p[6];
    p_SetRot(kind == 99 ? 0 : p[5]);
    if (kind == 2) {
      p[3] *= 0.95f;
      p[4] += 0.2f;
    } else if (kind == 3) {
      p[3] *= 0.98f;
      p[4] += 0.2f;
      if (p[5] < p[2]) p[4] = 2 * rv_random_Rnd() - 3;
    }
    m_alpha = p[7] < 1 ? p[7] : 1;
    p_SetSize(scale, scale);
    p_Ink(TruncToInt(p[8]), 1);
    const float x = p[1] - m_camX, y = p[2] - m_camY;
    if (kind >= 1 && kind <= 9) {
      p_DrawImg(96, x, y, TruncToInt(p[9]));
    } else if (kind == 16) {
      p_Rect(16 * std::floor(x / 16), 16 * std::floor(y / 16), 16, 16);
    } else if (kind == 99) {
      p_Text(x, y, String(TruncToInt(p[9])), 1, 1);
    }
    p[7] -= kind == 4 ? 0.003f : (kind == 16 ? 0.013f : 0.01f);
    if (p[7] < 0) p[0] = 0;
  }
  p_ResetDraw();
  return 0;
}
