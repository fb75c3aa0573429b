// The renderer's batcher and a full sprite frame.
//
//  1. CPU side: sprites per second through the batcher with GL drawing
//     disabled (vertex writing, batching and flush bookkeeping only), for
//     the renderer's own quad call, with a rotation matrix, and through the
//     graphics module's rotated-image path, against a baseline that only
//     writes the same 80 bytes per sprite into a plain array. Also counts the
//     heap and collector allocations made while batching (must be 0).
//  2. GL side: the frame time of 2500 textured 28 x 28 sprites at 640 x 480
//     on Mesa llvmpipe under a private Xvfb (started here, stopped at exit),
//     batched on one texture and as the game's draw-list replay issues them
//     (colour, alpha and blend before every sprite, so every sprite is its
//     own draw call), against an empty frame (clear only) as the baseline.
//  3. Minor page faults per frame of 5000 sprites (twice the frame above):
//     a renderer that churns the heap each frame (glibc giving memory back
//     and taking it again) shows here; the bare baseline in perf_report takes
//     none at this size. Then a game-like frame, 500 sprites with an oval
//     after every 20 (50 switches of texturing), whose driver memory comes
//     and goes each frame: faults with glibc's heap as it comes, then as the
//     host keeps it (platform::KeepFreedMemory).
//
//   bench_graphics_batch [--quick]
#include <GL/gl.h>
#include <GLFW/glfw3.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>
#include <string>

#include "graphics/graphics.h"
#include "host/glfw_game.h"
#include "host/platform.h"
#include "support/bench.h"

// ---- allocation counting ---------------------------------------------------
// The replacements pair malloc with free themselves; GCC cannot see that
// through inlining.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

namespace {
std::atomic<long long> heap_allocations{0};
}  // namespace

void* operator new(std::size_t n) {
  heap_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { ::operator delete(p); }

namespace {

using clock_type = std::chrono::steady_clock;

double seconds_since(clock_type::time_point t) {
  return std::chrono::duration<double>(clock_type::now() - t).count();
}

constexpr int kSprites = 2500;
constexpr int kFrame = 28;
constexpr int kFrames = 81;

// Sprite positions: a fixed pseudo-random scatter over the window.
float pos_x[kSprites], pos_y[kSprites];
void make_positions() {
  unsigned s = 1234;
  for (int i = 0; i < kSprites; ++i) {
    s = s * 1664525u + 1013904223u;
    pos_x[i] = (float)((s >> 8) % (640 - kFrame));
    s = s * 1664525u + 1013904223u;
    pos_y[i] = (float)((s >> 8) % (480 - kFrame));
  }
}

// ---- 1. CPU side -----------------------------------------------------------

struct CpuResult {
  double sprites_per_second;
  long long allocations;
  long long gc_bytes;
};

// Frames of kSprites sprites, best of three runs (these machines are shared).
template <class F>
CpuResult run_cpu(gxtkGraphics* g, long long sprites, F&& draw) {
  CpuResult best = {0, 0, 0};
  for (int run = 0; run < 3; ++run) {
    g->BeginRender();
    long long heap0 = heap_allocations.load();
    long long gc0 = gc_new_bytes;
    auto t = clock_type::now();
    for (long long n = 0; n < sprites; n += kSprites) {
      for (int i = 0; i < kSprites; ++i) draw(i);
      g->EndRender();
      g->BeginRender();
    }
    double rate = (double)sprites / seconds_since(t);
    if (rate > best.sprites_per_second) best.sprites_per_second = rate;
    best.allocations += heap_allocations.load() - heap0;
    best.gc_bytes += gc_new_bytes - gc0;
  }
  return best;
}

// ---- 2. GL side ----------------------------------------------------------------

// Average milliseconds of one rendered frame (GL finished), after warm-up
// frames that pay for the driver's shader compilation.
template <class F>
double frame_ms(gxtkGraphics* g, int frames, F&& body) {
  auto one = [&] {
    g->BeginRender();
    rv_graphics_BeginRender();
    g->Cls(0, 0, 0);
    body();
    rv_graphics_EndRender();
    g->EndRender();
    glfwSwapBuffers(RvGlfwGame::_glfwGame->Window());
    glFinish();
  };
  for (int i = 0; i < 5; ++i) one();
  auto t = clock_type::now();
  for (int i = 0; i < frames; ++i) one();
  return seconds_since(t) * 1000.0 / frames;
}

}  // namespace

int main(int argc, char** argv) {
  bool quick = bench::Start(argc, argv);
  make_positions();
  RvKestroGame* host = new RvKestroGame();

  // ---- 1. CPU side ----
  const long long sprites = quick ? 250000 : 10000000;
  gxtkGraphics* g = new gxtkGraphics();
  g->SetDrawingEnabled(false);
  rv_graphics_SetGraphicsDevice(g);
  gxtkSurface* surface = g->CreateSurface(kFrame * kFrames, kFrame);
  c_Image* image = rv_graphics_CreateImage(kFrame, kFrame, kFrames, c_Image::CentreHandle);

  static gxtkGraphics::Vertex plain[gxtkGraphics::kBatchVertices];
  CpuResult base = run_cpu(g, sprites, [&](int i) {
    gxtkGraphics::Vertex* v = plain + (i & 255) * 4;
    float x = pos_x[i], y = pos_y[i];
    v[0] = {x, y, 0, 0, 0xffffffffu};
    v[1] = {x + kFrame, y, 1, 0, 0xffffffffu};
    v[2] = {x + kFrame, y + kFrame, 1, 1, 0xffffffffu};
    v[3] = {x, y + kFrame, 0, 1, 0xffffffffu};
  });
  std::printf("(baseline checksum %g)\n", (double)plain[5].x);
  CpuResult quad = run_cpu(g, sprites, [&](int i) {
    g->DrawSurface2(surface, pos_x[i], pos_y[i], (i % kFrames) * kFrame, 0, kFrame, kFrame);
  });
  g->ResetStats();
  g->BeginRender();
  for (int i = 0; i < kSprites; ++i) g->DrawSurface2(surface, pos_x[i], pos_y[i], 0, 0, kFrame, kFrame);
  g->EndRender();
  long long batches = g->Stats().batches;
  g->SetMatrix(0.8660254f, -0.5f, 0.5f, 0.8660254f, 10, 20);
  CpuResult turned = run_cpu(g, sprites, [&](int i) {
    g->DrawSurface2(surface, pos_x[i], pos_y[i], (i % kFrames) * kFrame, 0, kFrame, kFrame);
  });
  g->SetMatrix(1, 0, 0, 1, 0, 0);
  rv_graphics_BeginRender();
  CpuResult module = run_cpu(g, sprites / 4, [&](int i) {
    rv_graphics_DrawImage2(image, pos_x[i], pos_y[i], (float)(i % 360), 1.5f, 1.5f, i % kFrames);
  });
  rv_graphics_EndRender();

  std::printf("\n## Batcher, CPU only (%lld sprites, GL drawing disabled)\n\n", sprites);
  std::printf("| path | sprites/s | ns/sprite | vs baseline | heap allocs | gc bytes |\n");
  std::printf("|---|---:|---:|---:|---:|---:|\n");
  auto row = [&](const char* name, const CpuResult& r) {
    std::printf("| %s | %.3g | %.1f | %.2fx | %lld | %lld |\n", name, r.sprites_per_second,
                1e9 / r.sprites_per_second, base.sprites_per_second / r.sprites_per_second,
                r.allocations, r.gc_bytes);
  };
  row("baseline: 4 vertices into an array", base);
  row("DrawSurface2, identity matrix", quad);
  row("DrawSurface2, rotated matrix", turned);
  row("rv_graphics_DrawImage2 (push, rotate, scale, pop)", module);
  std::printf("\nbatches per frame of %d sprites: %lld (256 quads each, the last 196)\n", kSprites,
              batches);

  // ---- 2. GL side ----
  if (!bench::StartXvfb() || !glfwInit()) {
    std::printf("\nno Xvfb or GLFW: frame timing skipped\n");
    return 0;
  }
  host->SetGlfwWindow(640, 480, 8, 8, 8, 0, 0, 0, false);
  glfwSwapInterval(0);
  gxtkGraphics* gl = new gxtkGraphics();
  rv_graphics_SetGraphicsDevice(gl);
  c_Image* sprites_img = rv_graphics_CreateImage(kFrame, kFrame, kFrames, 0);
  {
    Array<int> px(kFrame * kFrames * kFrame);
    for (int i = 0; i < px.Length(); ++i) px[i] = (int)(0xff000000u | (unsigned)(i * 2654435761u) >> 8);
    gl->WritePixels2(sprites_img->m_surface, px, 0, 0, kFrame * kFrames, kFrame, 0, kFrame * kFrames);
  }
  const int frames = quick ? 10 : 200;
  double empty = frame_ms(gl, frames, [] {});
  gl->ResetStats();
  double batched = frame_ms(gl, frames, [&] {
    for (int i = 0; i < kSprites; ++i) rv_graphics_DrawImage(sprites_img, pos_x[i], pos_y[i], i % kFrames);
  });
  double calls_batched = (double)gl->Stats().drawCalls / (frames + 5);
  gl->ResetStats();
  double replay = frame_ms(gl, frames, [&] {
    for (int i = 0; i < kSprites; ++i) {
      rv_graphics_SetAlpha(1);
      rv_graphics_SetColor(255, 255, 255);
      rv_graphics_SetBlend(0);
      rv_graphics_DrawImage(sprites_img, pos_x[i], pos_y[i], i % kFrames);
    }
  });
  double calls_replay = (double)gl->Stats().drawCalls / (frames + 5);

  auto minor_faults = [] {
    rusage r;
    getrusage(RUSAGE_SELF, &r);
    return (long long)r.ru_minflt;
  };
  auto twice = [&] {
    for (int k = 0; k < 2; ++k) {
      for (int i = 0; i < kSprites; ++i) {
        rv_graphics_DrawImage(sprites_img, pos_x[i] + k, pos_y[i], i % kFrames);
      }
    }
  };
  frame_ms(gl, 5, twice);  // the heap settles
  long long faults0 = minor_faults();
  double doubled = frame_ms(gl, frames, twice);
  double faults = (double)(minor_faults() - faults0) / (frames + 5);
  auto switching = [&] {
    for (int i = 0; i < 500; ++i) {
      rv_graphics_DrawImage(sprites_img, pos_x[i], pos_y[i], i % kFrames);
      if (i % 20 == 19) rv_graphics_DrawEllipse(pos_x[i], pos_y[i], 8, 10);
    }
  };
  auto faults_per_frame = [&](const std::function<void()>& draw, double* ms) {
    frame_ms(gl, 5, draw);
    long long before = minor_faults();
    *ms = frame_ms(gl, frames, draw);
    return (double)(minor_faults() - before) / (frames + 5);
  };
  double switching_ms, kept_ms;
  double switching_faults = faults_per_frame(switching, &switching_ms);
  platform::KeepFreedMemory();
  double kept_faults = faults_per_frame(switching, &kept_ms);

  std::printf("\n## %d sprites of %d x %d at 640 x 480, Mesa llvmpipe under Xvfb (%d frames)\n\n",
              kSprites, kFrame, kFrame, frames);
  std::printf("| frame | ms/frame | minus empty frame | draw calls/frame |\n");
  std::printf("|---|---:|---:|---:|\n");
  std::printf("| empty (clear only): baseline | %.2f | | 0 |\n", empty);
  std::printf("| 2500 sprites, batched | %.2f | %.2f | %.0f |\n", batched, batched - empty,
              calls_batched);
  std::printf("| 2500 sprites, blend set before each | %.2f | %.2f | %.0f |\n", replay,
              replay - empty, calls_replay);
  std::printf("\n5000 sprites, batched: %.2f ms/frame, %.1f minor page faults per frame\n",
              doubled, faults);
  std::printf("500 sprites and 25 ovals: %.2f ms/frame, %.1f minor page faults per frame; "
              "with the heap kept: %.2f ms/frame, %.1f faults\n",
              switching_ms, switching_faults, kept_ms, kept_faults);
  glfwTerminate();
  return 0;
}
