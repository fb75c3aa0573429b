// The input device's per-update cost and the display-mode map, each against
// a baseline measured in the same run:
//   - one update bracket (BeginUpdate with no joystick, EndUpdate) after a
//     frame of typical input, against clearing all 512 hit counters instead
//     of only the queued ones;
//   - inserting 1024 display-mode keys (the most the host reports) into the
//     red-black map, against std::map.
//   bench_input_update [--quick]
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>

#include "app/containers.h"
#include "app/input.h"
#include "host/game.h"
#include "support/bench.h"

namespace {

using clock_type = std::chrono::steady_clock;

double ns_since(clock_type::time_point t) {
  return std::chrono::duration<double, std::nano>(clock_type::now() - t).count();
}

c_InputDevice* device = nullptr;
rv_module roots(1000, nullptr, [] { gc_mark_q(device); });

// A frame's worth of input: a few keys pressed and released, a mouse move,
// two characters.
void FrameOfInput(c_InputDevice* d, int frame) {
  int key = 65 + frame % 26;
  d->p_KeyEvent(c_RvGameEvent::KeyDown, key);
  d->p_KeyEvent(c_RvGameEvent::KeyChar, key + 32);
  d->p_KeyEvent(c_RvGameEvent::KeyUp, key);
  d->p_KeyEvent(c_RvGameEvent::KeyDown, 37);
  d->p_KeyEvent(c_RvGameEvent::KeyChar, 65573);
  d->p_MouseEvent(c_RvGameEvent::MouseMove, -1, (float)frame, 10.0f);
}

}  // namespace

int main(int argc, char** argv) {
  bool quick = bench::Start(argc, argv);
  RvGame host;  // answers "no joystick"
  gc_assign(device, (new c_InputDevice())->m_new());

  // Whole frames in one timed loop each (a clock read costs about as much
  // as the work measured).
  const int frames = quick ? 20000 : 2000000;
  auto t = clock_type::now();
  for (int f = 0; f < frames; ++f) {
    FrameOfInput(device, f);
    device->p_BeginUpdate();
    device->p_EndUpdate();
  }
  double queued_ns = ns_since(t);
  t = clock_type::now();
  for (int f = 0; f < frames; ++f) {
    FrameOfInput(device, f);
    device->p_BeginUpdate();
    for (int k = 0; k < c_InputDevice::kKeyCount; ++k) device->_keyHit[k] = 0;  // baseline
    device->_keyHitPut = device->_charGet = device->_charPut = 0;
  }
  double all_ns = ns_since(t);

  const int rounds = quick ? 20 : 2000;
  double map_ns = 0, std_ns = 0;
  for (int r = 0; r < rounds; ++r) {
    c_IntMap* map = (new c_IntMap())->m_new();
    c_DisplayMode* mode = (new c_DisplayMode())->m_new(0, 0);
    auto t = clock_type::now();
    for (int i = 0; i < 1024; ++i) {
      int key = (int)(((unsigned)(320 + (i * 37) % 2000) << 16) | (unsigned)(200 + i % 300));
      if (!map->p_Contains(key)) map->p_Set(key, mode);
    }
    map_ns += ns_since(t);
    std::map<int, c_DisplayMode*> reference;
    t = clock_type::now();
    for (int i = 0; i < 1024; ++i) {
      int key = (int)(((unsigned)(320 + (i * 37) % 2000) << 16) | (unsigned)(200 + i % 300));
      reference.emplace(key, mode);
    }
    std_ns += ns_since(t);
    gc_collect();
  }

  std::printf("| measure | ns |\n|---|---|\n");
  std::printf("| frame: 6 input events and the update bracket | %.0f |\n", queued_ns / frames);
  std::printf("| same, clearing all 512 hit counters (baseline) | %.0f |\n", all_ns / frames);
  std::printf("| 1024 display modes into the red-black map | %.0f |\n", map_ns / rounds);
  std::printf("| 1024 display modes into std::map (baseline) | %.0f |\n", std_ns / rounds);
  return 0;
}
