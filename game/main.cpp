// Tazmelo's entry point: the host's start-up with the game's application
// object, which start-up creates once the module globals have their values.
#include "game/myapp.h"
#include "host/glfw_game.h"

int main(int argc, char** argv) {
  RvKestroGame::createApp = [] { (new c_MyApp())->m_new(); };
  RvKestroGame::Main(argc, argv);
  return 0;
}
