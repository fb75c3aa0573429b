// Tazmelo's entry point: the host's start-up with the game's application.
//
// Until the application layer arrives, a minimal delegate runs the loop at 60
// updates per second, clears the window, and ends on the close key.
#include <GL/gl.h>

#include "host/glfw_game.h"

namespace {

class BootDelegate : public RvGameDelegate {
 public:
  void StartGame() override { RvGame::_game->SetUpdateRate(60); }
  void RenderGame() override {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
  }
  void KeyEvent(int event, int data) override {
    if (event == c_RvGameEvent::KeyDown && (data == 432 || data == 416)) rvError(String());
  }
};

}  // namespace

int main(int argc, char** argv) {
  RvKestroGame::createApp = [] { RvGame::_game->SetDelegate(new BootDelegate()); };
  RvKestroGame::Main(argc, argv);
  return 0;
}
