// Joystick polling: no joysticks are reported yet.
#include "host/glfw_game.h"

bool RvGlfwGame::PollJoystick(int, Array<float>, Array<float>, Array<float>, Array<bool>) {
  return false;
}
