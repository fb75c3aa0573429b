// A small program on the real host for process-level tests. It runs
// RvKestroGame::Main with a delegate that logs what it receives and does what
// the first argument asks:
//   loop            run, printing each key event as "key EVENT DATA"
//   error MESSAGE   raise a runtime error with MESSAGE in the first update
//   exit            rvError("") in the first update
//   signal N        raise signal N in the first update
//   throw           throw a framework exception in the first update
//   nodelegate      create no delegate: Main returns without running the loop
#include <GL/gl.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "host/glfw_game.h"

namespace {

std::string mode;
std::string arg;

class ProbeDelegate : public RvGameDelegate {
 public:
  void StartGame() override {
    RvGame::_game->SetUpdateRate(60);
    std::printf("started\n");
    std::fflush(stdout);
  }
  void UpdateGame() override {
    if (mode == "error") rvError(String(arg.c_str()));
    if (mode == "exit") rvError(String());
    if (mode == "signal") std::raise(std::atoi(arg.c_str()));
    if (mode == "throw") throw new ThrowableObject();
  }
  void RenderGame() override {
    glClearColor(0.1f, 0.4f, 0.2f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
  }
  void KeyEvent(int event, int data) override {
    std::printf("key %d %d\n", event, data);
    std::fflush(stdout);
  }
};

}  // namespace

int main(int argc, char** argv) {
  mode = argc > 1 ? argv[1] : "loop";
  arg = argc > 2 ? argv[2] : "";
  RvKestroGame::createApp = [] {
    if (mode == "nodelegate") return;
    RvGame::_game->SetDelegate(new ProbeDelegate());
  };
  RvKestroGame::Main(argc, argv);
  std::printf("main returned\n");
  return 0;
}
