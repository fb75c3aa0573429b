// An application on the real host that prints what its input device sees,
// one line per observation, prefixed with the update number:
//   ready W H               after p_OnCreate (device size)
//   uN hit KEY COUNT        KeyHit of KEY in update N
//   uN down KEY / uN up KEY KeyDown changed since the previous update
//   uN char C               a character from GetChar, in queue order
//   uN mouse X Y            the mouse position changed
// Usage: input_probe [UPDATES_PER_SECOND [OPTION...]]   (default 60)
//   ticks    also print "uN tick" every update
//   reopen   F11 reopens the window (as a full-screen switch does)
// The close and back keys end it through the application layer (exit 0).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/app.h"
#include "host/glfw_game.h"

namespace {

int updateRate = 60;
bool ticks = false;
bool reopen = false;

class c_ProbeApp : public c_App {
 public:
  int updates = 0;
  bool wasDown[c_InputDevice::kKeyCount] = {};
  float lastX = 0, lastY = 0;

  c_ProbeApp* m_new() {
    c_App::m_new();
    return this;
  }

  int p_OnCreate() override {
    rv_app_SetUpdateRate(updateRate);
    std::printf("ready %d %d\n", rv_app_DeviceWidth(), rv_app_DeviceHeight());
    std::fflush(stdout);
    return 0;
  }

  int p_OnUpdate() override {
    ++updates;
    if (ticks) std::printf("u%d tick\n", updates);
    for (int key = 0; key < c_InputDevice::kKeyCount; ++key) {
      if (int hits = rv_input_KeyHit(key)) std::printf("u%d hit %d %d\n", updates, key, hits);
      bool down = rv_input_KeyDown(key);
      if (down != wasDown[key]) {
        std::printf("u%d %s %d\n", updates, down ? "down" : "up", key);
        wasDown[key] = down;
      }
    }
    while (int ch = rv_input_GetChar()) std::printf("u%d char %d\n", updates, ch);
    float x = rv_input_MouseX(), y = rv_input_MouseY();
    if (x != lastX || y != lastY) {
      std::printf("u%d mouse %g %g\n", updates, x, y);
      lastX = x;
      lastY = y;
    }
    if (reopen && rv_input_KeyHit(122)) {
      rv_app__game->SetDeviceWindow(640, 480, 0);
      std::printf("u%d reopened\n", updates);
    }
    std::fflush(stdout);
    return 0;
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) updateRate = std::atoi(argv[1]);
  for (int i = 2; i < argc; ++i) {
    ticks = ticks || std::string(argv[i]) == "ticks";
    reopen = reopen || std::string(argv[i]) == "reopen";
  }
  RvKestroGame::createApp = [] { (new c_ProbeApp())->m_new(); };
  RvKestroGame::Main(argc, argv);
  return 0;
}
