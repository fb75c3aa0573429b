// One frame of the game: the CPU time of its update (game logic and drawing
// into the draw list) and of its render (replaying the list through the
// batching renderer), the draw calls the renderer issues and the records
// behind them, and what a frame allocates.
//
// The game runs in-process as the program runs it (desktop host, real window
// under a private Xvfb, Mesa llvmpipe, silent OpenAL device), with the
// build's data. Frames:
//   baseline      the update's fixed work with no mode, an empty list
//   loading       the loading screen (logo, 33 ovals, a text)
//   menu          mode 1 as the menu code draws it
//   game          mode 10 on level 5 as the gameplay code draws it
//   play-like     a full play frame drawn by the helpers directly: background,
//                 101 stars, 600 tiles, 20 coins, 2 runners, two score lines
//   full list     2499 text glyph records, the list's limit
// Update and render CPU are the main thread's (CLOCK_THREAD_CPUTIME_ID);
// "render wall" includes the swap and glFinish, so it holds llvmpipe's work
// on both cores. Frames run back to back, with warm caches; the game waits
// about 15 ms between frames, after which the same render costs far more on
// a shared virtual machine (caches and predictors lost to the idle CPU and
// its neighbours), so the render is also timed over frames that each follow
// a 15 ms sleep: that column is what the running game's profile compares to.
// Heap allocations are the main thread's malloc calls during the frame (the
// game's text strings); collector bytes must stay 0.
//
// The host's own part of an update (the device-window check, the input
// device, the streamed tune's decoding) is timed but its allocations are not
// counted.
//
//   bench_game_frame [--quick]
#include <GL/gl.h>
#include <GLFW/glfw3.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "game/globals.h"
#include "game/myapp.h"
#include "host/glfw_game.h"
#include "runtime/profile.h"
#include "support/bench.h"

// ---- main-thread malloc counting ---------------------------------------------
// malloc is interposed for the whole process; only calls from the main thread
// while `counting` is set are counted.
extern "C" void* __libc_malloc(std::size_t);
namespace {
thread_local bool counting = false;
long long mallocs = 0;
}  // namespace
extern "C" void* malloc(std::size_t n) {
  if (counting) ++mallocs;
  return __libc_malloc(n);
}

namespace {

using clock_type = std::chrono::steady_clock;

// ---- the host: the build's data, a clock of our own ------------------------------

class BenchHost : public RvKestroGame {
 public:
  double clock = 10.0;
  std::string dataDir;
  double Now() override { return clock; }
  String PathToFilePath(String path) override {
    static const String kData("kestro://data/");
    if (path.StartsWith(kData)) return String(dataDir.c_str()) + path.Slice(kData.Length());
    return RvKestroGame::PathToFilePath(path);
  }
  void Swap() { SwapBuffers(); }
};

struct Result {
  double records = 0, drawCalls = 0;
  double updateUs = 0, renderUs = 0, renderWallMs = 0, idleRenderUs = 0;
  double mallocs = 0, gcBytes = 0;
};

BenchHost* host = nullptr;
c_MyApp* app = nullptr;

// `frames` frames after a few warm-up ones (llvmpipe compiles its shaders on
// first use), then `idleFrames` that each follow a 15 ms sleep. `before`
// runs ahead of each update, outside the timing; `update` replaces the
// game's update when given.
Result measure(int frames, int idleFrames, const std::function<void()>& before,
               const std::function<void()>& update = nullptr) {
  Result r;
  gxtkGraphics* g = rv_graphics_device;
  for (int i = -5; i < frames + idleFrames; ++i) {
    bool timed = i >= 0;
    host->clock += 1.0 / 60;
    if (before) before();
    long long gc0 = gc_new_bytes;
    mallocs = 0;
    double t0 = profile::ThreadCpuSeconds();
    // The delegate's update, step by step, so that malloc is counted in the
    // game's part only (the host's window-size query allocates inside Xlib).
    rv_app_ValidateDeviceWindow(true);
    rv_input_device->p_BeginUpdate();
    counting = true;
    if (update) {
      update();
    } else {
      app->p_OnUpdate();
    }
    counting = false;
    rv_input_device->p_EndUpdate();
    double t1 = profile::ThreadCpuSeconds();
    long long updateMallocs = mallocs;
    long long calls0 = g->Stats().drawCalls;
    auto w0 = clock_type::now();
    double t2 = profile::ThreadCpuSeconds();
    rv_app__delegate->RenderGame();
    double t3 = profile::ThreadCpuSeconds();
    host->Swap();
    glFinish();
    double wall = std::chrono::duration<double, std::milli>(clock_type::now() - w0).count();
    if (!timed) continue;
    if (i >= frames) {
      r.idleRenderUs += (t3 - t2) * 1e6;
      usleep(15000);  // ahead of the next frame, as the game's frame loop waits
      continue;
    }
    r.records += app->m_drawCount / 15.0;
    r.drawCalls += (double)(g->Stats().drawCalls - calls0);
    r.updateUs += (t1 - t0) * 1e6;
    r.renderUs += (t3 - t2) * 1e6;
    r.renderWallMs += wall;
    r.mallocs += (double)updateMallocs;
    r.gcBytes += (double)(gc_new_bytes - gc0);
  }
  for (double* v : {&r.records, &r.drawCalls, &r.updateUs, &r.renderUs, &r.renderWallMs,
                    &r.mallocs, &r.gcBytes}) {
    *v /= frames;
  }
  r.idleRenderUs /= idleFrames;
  return r;
}

// A play frame as the game step draws it, built from the helpers.
void play_like_frame() {
  c_MyApp* a = app;
  a->p_DoBG(0, 0, 0, -123);
  a->p_DoStars(0, -0.4f);
  float left = rv_Quenmor_jscrw / 2 - 242;
  for (int row = 0; row < 30; ++row) {
    for (int col = 0; col < 20; ++col) {
      float x = left + 24 * col + (col >= 10 ? 2 : 0), y = 24 * row - 20.0f;
      if ((row * 7 + col) % 30 == 0) {
        a->p_SetCol(255, 255, 0, 1);
        a->p_Oval(x, y, 5, 10);
      }
      a->p_SetCol(255, 255, 255, (row + col) % 2 ? 0.525f : 0.6f);
      a->p_DrawImg(2, x, y, col < 10 ? 0 : 1);
    }
  }
  a->p_ResetDraw();
  a->p_DrawImg(2, left + 96, 120, 18);
  a->p_DrawImg(2, left + 338, 120, 27);
  a->p_DoParticles(1);
  a->p_SetCol(100, 255, 100, 0.8f);
  a->p_SetSize(2);
  a->p_Text(rv_Quenmor_jscrw / 2, 28, a->p_rstr(8, 12345, String("0")), 1, 1);
  a->p_SetCol(255, 255, 100, 0.8f);
  a->p_SetSize(1);
  a->p_Text(rv_Quenmor_jscrw / 2, 10, String("3rd ") + a->p_rstr(8, 20000, String("0")), 1, 1);
  a->p_ResetDraw();
}

}  // namespace

int main(int argc, char** argv) {
  bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
  const int frames = quick ? 20 : 600;
  const int idleFrames = quick ? 10 : 120;
  setenv("ALSOFT_DRIVERS", "null", 0);
  // A finished game saves the state file into the current directory: use a
  // scratch one.
  char scratch[] = "/tmp/kestro-bench-game-XXXXXX";
  if (!mkdtemp(scratch) || chdir(scratch) != 0) {
    std::printf("no scratch directory\n");
    return 1;
  }
  static std::string scratchDir = scratch;
  std::atexit([] { std::system(("rm -rf " + scratchDir).c_str()); });
  if (!bench::StartXvfb()) {
    std::printf("no Xvfb: nothing measured\n");
    return 0;
  }
  if (!glfwInit()) {
    std::printf("no GLFW: nothing measured\n");
    return 0;
  }
  gc_init_lists();
  host = new BenchHost();
  host->dataDir = bench::DataDir();
  rvInit();
  gc_mark();
  app = (new c_MyApp())->m_new();
  host->SetGlfwWindow(640, 480, 8, 8, 8, 0, 0, 0, false);
  glfwSwapInterval(0);
  host->StartGame();
  for (int i = 0; i < 20 && app->m_loadStage != 0; ++i) {
    host->clock += 1.0 / 60;
    host->UpdateGame();
    host->RenderGame();
  }
  if (app->m_images[2] == nullptr) {
    std::printf("the game's data was not found in %s\n", host->dataDir.c_str());
    return 1;
  }

  app->m_mode = 0;
  Result baseline = measure(frames, idleFrames, [] { app->m_drawCount = 0; });
  Result loading = measure(frames, idleFrames, [] { app->m_loadStage = 14; });
  app->m_mode = 1;
  Result menu = measure(frames, idleFrames, nullptr);
  app->m_level = 5;
  app->m_mode = 11;
  host->UpdateGame();  // the level is made here
  Result game = measure(frames, idleFrames, nullptr);
  app->m_mode = 0;
  Result play = measure(frames, idleFrames, nullptr, [] {
    app->p_OnUpdate();
    play_like_frame();
  });
  Result full = measure(frames, idleFrames, nullptr, [] {
    app->p_OnUpdate();
    app->p_CLS2D(0, 0, 0, 1);
    static const String kLine("The quick brown fox jumps over the lazy dog 0123456789");
    for (int i = 0; i < 60; ++i) app->p_Text(10, 8.0f * i, kLine, 0, 0);
  });

  std::printf("\n## Game frame at 640 x 480 (%d frames each, then %d after an idle; means per "
              "frame)\n\n",
              frames, idleFrames);
  std::printf("| frame | records | draw calls | update CPU us | render CPU us | render CPU us "
              "after 15 ms idle | render wall ms (swap, glFinish) | mallocs in the game's "
              "update | collector bytes |\n");
  std::printf("|---|---:|---:|---:|---:|---:|---:|---:|---:|\n");
  auto row = [](const char* name, const Result& r) {
    std::printf("| %s | %.0f | %.1f | %.1f | %.1f | %.1f | %.2f | %.1f | %.0f |\n", name,
                r.records, r.drawCalls, r.updateUs, r.renderUs, r.idleRenderUs, r.renderWallMs,
                r.mallocs, r.gcBytes);
  };
  row("baseline (no mode, empty list)", baseline);
  row("loading screen", loading);
  row("menu (mode 1)", menu);
  row("game (mode 10, level 5)", game);
  row("play-like (helpers)", play);
  row("full list (2499 glyphs)", full);
  std::printf("\nupdate CPU vs baseline: loading %.2fx, play-like %.2fx, full list %.2fx\n",
              loading.updateUs / baseline.updateUs, play.updateUs / baseline.updateUs,
              full.updateUs / baseline.updateUs);
  std::printf("render CPU vs baseline: loading %.2fx, play-like %.2fx, full list %.2fx\n",
              loading.renderUs / baseline.renderUs, play.renderUs / baseline.renderUs,
              full.renderUs / baseline.renderUs);
  bool clean = baseline.gcBytes == 0 && loading.gcBytes == 0 && play.gcBytes == 0 &&
               full.gcBytes == 0 && menu.gcBytes == 0 && game.gcBytes == 0;
  std::printf("collector allocations per frame: %s\n", clean ? "none" : "SOME (see table)");
  std::fflush(stdout);
  // The audio device and the window stay open to the end; leave quickly.
  std::system(("rm -rf " + scratchDir).c_str());
  _exit(clean ? 0 : 1);
}
