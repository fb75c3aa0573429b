// CPU time of one frame of play (p_Game) without a window, against a
// baseline measured in the same run: a frame of the work every screen does
// anyway (background, star field, particles, score line), so the difference
// is the gameplay's own cost. Levels: 1 (no blocks) and 40 (three swinging
// blocks a row, each with its flames). The runners hop all the time through
// key events on the input device, and each level restarts every 600 frames.
// Also reported: draw records and collected bytes per frame (the step should
// allocate nothing collected; its text is reference-counted strings).
//   bench_gameplay_step [--quick]
#include <chrono>
#include <cstdio>
#include <cstring>

#include "app/input.h"
#include "game/myapp.h"
#include "host/game.h"

namespace {

using clock_type = std::chrono::steady_clock;

// A host whose clock advances one frame per update; nothing else.
class BenchHost : public RvGame {
 public:
  int clock = 10000;
  int Millisecs() override { return clock; }
};

c_MyApp* app = nullptr;
c_InputDevice* input = nullptr;
rv_module roots(1000, nullptr, [] {
  gc_mark_q(app);
  gc_mark_q(input);
});

constexpr int kRestartFrames = 600;
constexpr int kHopKeys[2][2] = {{76, 68}, {75, 65}};  // L+D right, then K+A left

void StartLevel(int level) {
  app->p_FlushGame();
  app->m_level = level;
  app->p_MakePath(level);
  app->m_mode = 10;
}

// One frame's input: both runners hop, alternating right and left.
void FrameInput(int frame) {
  const int* keys = kHopKeys[(frame / 12) % 2];
  int event = frame % 12 == 0 ? c_RvGameEvent::KeyDown
              : frame % 12 == 6 ? c_RvGameEvent::KeyUp
                                : 0;
  if (event != 0) {
    input->p_KeyEvent(event, keys[0]);
    input->p_KeyEvent(event, keys[1]);
  }
}

struct Result {
  double us;
  double records;
  double bytes;
};

template <class Frame>
Result Measure(int level, int frames, BenchHost* host, Frame frame) {
  StartLevel(level);
  long long records = 0, bytes = 0;
  double ns = 0;
  for (int f = 0; f < frames; ++f) {
    if (f % kRestartFrames == kRestartFrames - 1) StartLevel(level);
    FrameInput(f);
    input->p_BeginUpdate();
    long long before = gc_new_bytes;
    auto t = clock_type::now();
    frame();
    ns += std::chrono::duration<double, std::nano>(clock_type::now() - t).count();
    bytes += gc_new_bytes - before;
    records += app->m_drawCount / c_MyApp::kRecordFloats;
    input->p_EndUpdate();
    host->clock += 16;
  }
  return {ns / frames / 1000.0, (double)records / frames, (double)bytes / frames};
}

}  // namespace

int main(int argc, char** argv) {
  bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
  gc_init_lists();
  BenchHost host;  // before rvInit: the app module takes the host it finds
  rvInit();
  gc_mark();
  gc_assign(input, (new c_InputDevice())->m_new());
  gc_assign(rv_input_device, input);
  gc_assign(app, new c_MyApp());
  app->m_settings[5] = 0;  // silent: no sound or tune is loaded anyway

  const int frames = quick ? 1200 : 60000;
  std::printf("| level | frame | us/frame | records/frame | collected bytes/frame |\n");
  std::printf("|---|---|---|---|---|\n");
  for (int level : {1, 40}) {
    Result base = Measure(level, frames, &host, [] {
      app->p_DoBG(0, 0, 0, -123);
      app->p_DoStars(0, 0.3f);
      app->p_DoParticles(1);
      app->p_ScoreDisplay();
    });
    Result game = Measure(level, frames, &host, [] { app->p_Game(); });
    std::printf("| %d | baseline (background, stars, score) | %.1f | %.0f | %.0f |\n", level,
                base.us, base.records, base.bytes);
    std::printf("| %d | p_Game | %.1f | %.0f | %.0f |\n", level, game.us, game.records,
                game.bytes);
    std::printf("| %d | gameplay's own share | %.1f | | |\n", level, game.us - base.us);
  }
  return 0;
}
