// The game's loader over any state file: the input becomes ./.kestrostate in
// a private directory and one game object loads it through the host's real
// LoadState, exactly as at start-up. Whatever the bytes, the load must not
// crash, the clamps must hold, and whatever was accepted must save and load
// back to the same arrays.
//
// The game object lives for the whole run (like the real one, its arrays
// carry over from one load to the next; a second load over the same object
// must change nothing); the collector runs after every input so the split
// texts do not pile up.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "game/globals.h"
#include "game/myapp.h"
#include "host/glfw_game.h"
#include "support/fuzz_support.h"

namespace {

struct Rig {
  RvGlfwGame* host;
  c_MyApp* app;
};

Rig& rig() {
  static Rig r = [] {
    fuzz_support::EnterScratchDir("tazmelo-fuzz-load");
    // The loader's messages are not the fuzzer's business.
    if (!std::freopen("/dev/null", "w", stdout)) std::abort();

    Rig made;
    made.host = new RvGlfwGame();
    fuzz_support::StartRuntime();
    // One game object (each holds a 20 MB level grid that the leak checker
    // would scan at every new input).
    made.app = (new c_MyApp())->m_new();
    return made;
  }();
  return r;
}

}  // namespace

// Leak checking is off by default here: at every new input it would scan the
// game object's 20 MB of arrays and slow the run tenfold. The loader's
// strings are checked for leaks by the unit tests under LeakSanitizer; give
// -detect_leaks=1 to have it anyway (flags given later win).
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  return fuzz_support::AddDefaultFlag(argc, argv, "-detect_leaks=0");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Rig& r = rig();
  c_MyApp* app = r.app;
  fuzz_support::WriteStateFile(data, size);
  app->p_Load();

  if (app->m_settings[10] < 64 || app->m_settings[11] < 64 || app->m_settings[12] < 8 ||
      app->m_settings[14] != 1 || rv_Quenmor_overscan != 0)
    __builtin_trap();
  if (app->m_menuLevelSel < 0 || app->m_menuLevelSel > 100) __builtin_trap();

  // What was accepted survives a save and a load unchanged.
  std::vector<int> settings(&app->m_settings[0], &app->m_settings[0] + 25);
  std::vector<bool> badges(&app->m_badgeGot[0], &app->m_badgeGot[0] + 256);
  std::vector<int> scores(&app->m_scores[0], &app->m_scores[0] + 2000);
  const int choice = app->m_menuLevelSel;
  app->p_Save();
  app->p_Load();
  if (std::vector<int>(&app->m_settings[0], &app->m_settings[0] + 25) != settings ||
      std::vector<bool>(&app->m_badgeGot[0], &app->m_badgeGot[0] + 256) != badges ||
      std::vector<int>(&app->m_scores[0], &app->m_scores[0] + 2000) != scores ||
      app->m_menuLevelSel != choice)
    __builtin_trap();

  gc_collect();
  return 0;
}
