// GLFW input callbacks and the translation from GLFW 3 key codes to the
// framework's key space (key codes below 256 as listed in the input device).
// Keys without a framework code (Alt, Super, the lock keys, F13 and up, the
// keypad's Enter and Equal) are ignored entirely.
#include <GLFW/glfw3.h>

#include "host/glfw_game.h"

int TransKey(int key) {
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return key;
  if (key >= GLFW_KEY_F1 && key <= GLFW_KEY_F12) return 112 + (key - GLFW_KEY_F1);
  if (key >= GLFW_KEY_KP_0 && key <= GLFW_KEY_KP_9) return 96 + (key - GLFW_KEY_KP_0);
  switch (key) {
    case GLFW_KEY_SPACE: return 32;
    case GLFW_KEY_APOSTROPHE: return 222;
    case GLFW_KEY_COMMA: return 188;
    case GLFW_KEY_MINUS: return 189;
    case GLFW_KEY_PERIOD: return 190;
    case GLFW_KEY_SLASH: return 191;
    case GLFW_KEY_SEMICOLON: return 186;
    case GLFW_KEY_EQUAL: return 187;
    case GLFW_KEY_LEFT_BRACKET: return 219;
    case GLFW_KEY_BACKSLASH: return 220;
    case GLFW_KEY_RIGHT_BRACKET: return 221;
    case GLFW_KEY_GRAVE_ACCENT: return 192;
    case GLFW_KEY_ESCAPE: return 27;
    case GLFW_KEY_UP: return 38;
    case GLFW_KEY_DOWN: return 40;
    case GLFW_KEY_LEFT: return 37;
    case GLFW_KEY_RIGHT: return 39;
    case GLFW_KEY_LEFT_SHIFT: return 16;
    case GLFW_KEY_RIGHT_SHIFT: return 16;
    case GLFW_KEY_LEFT_CONTROL: return 17;
    case GLFW_KEY_RIGHT_CONTROL: return 17;
    case GLFW_KEY_TAB: return 9;
    case GLFW_KEY_ENTER: return 13;
    case GLFW_KEY_BACKSPACE: return 8;
    case GLFW_KEY_INSERT: return 45;
    case GLFW_KEY_DELETE: return 46;
    case GLFW_KEY_PAGE_UP: return 33;
    case GLFW_KEY_PAGE_DOWN: return 34;
    case GLFW_KEY_HOME: return 36;
    case GLFW_KEY_END: return 35;
    case GLFW_KEY_KP_DIVIDE: return 111;
    case GLFW_KEY_KP_MULTIPLY: return 106;
    case GLFW_KEY_KP_SUBTRACT: return 109;
    case GLFW_KEY_KP_ADD: return 107;
    case GLFW_KEY_KP_DECIMAL: return 110;
    default: return 0;
  }
}

int KeyToChar(int key) {
  switch (key) {
    case 8:
    case 9:
    case 13:
    case 27:
      return key;
    case 46:
      return 127;
    default:
      if ((key >= 33 && key <= 40) || key == 45) return 65536 + key;
      return 0;
  }
}

void RvGlfwGame::OnKey(GLFWwindow*, int key, int, int action, int) {
  int code = TransKey(key);
  if (!code) return;
  if (action == GLFW_RELEASE) {
    _glfwGame->KeyEvent(c_RvGameEvent::KeyUp, code);
    return;
  }
  // GLFW_PRESS and every auto-repeat
  _glfwGame->KeyEvent(c_RvGameEvent::KeyDown, code);
  if (int ch = KeyToChar(code)) _glfwGame->KeyEvent(c_RvGameEvent::KeyChar, ch);
}

void RvGlfwGame::OnChar(GLFWwindow*, unsigned int character) {
  _glfwGame->KeyEvent(c_RvGameEvent::KeyChar, (int)character);
}

void RvGlfwGame::OnMouseButton(GLFWwindow* window, int button, int action, int) {
  if (button < 0 || button > 2) return;
  double x = 0, y = 0;
  glfwGetCursorPos(window, &x, &y);
  float fx = (float)(int)x, fy = (float)(int)y;
  if (action == GLFW_RELEASE) {
    _glfwGame->MouseEvent(c_RvGameEvent::MouseUp, button, fx, fy);
  } else {
    _glfwGame->MouseEvent(c_RvGameEvent::MouseDown, button, fx, fy);
  }
}

void RvGlfwGame::OnMousePos(GLFWwindow*, double x, double y) {
  _glfwGame->MouseEvent(c_RvGameEvent::MouseMove, -1, (float)(int)x, (float)(int)y);
}

void RvGlfwGame::OnWindowClose(GLFWwindow* window) {
  // The application decides: it receives the close key and may end itself.
  _glfwGame->KeyEvent(c_RvGameEvent::KeyDown, 432);
  _glfwGame->KeyEvent(c_RvGameEvent::KeyUp, 432);
  glfwSetWindowShouldClose(window, GLFW_FALSE);
}
