// Virtual controls: keyboard, joysticks, iCade, on-screen pad, touch and
// tilt; full screen.
//
// A virtual control (0 up, 3 left, 5 right, 8 down, 10..15 buttons 1..6, 98
// back, 99 start) is down when any of its bindings holds for the player asked
// about: a keyboard key, a button or stick of that player's joystick, or an
// m_pad entry (set by the iCade map, the on-screen pad and the back key).
// Player -1 means the keyboard and the pad entries alone. The console and
// iCade variants of the table are applied here and nowhere else.
//
// The touch table is filled by no source on the desktop (OnUpdate clears it
// every frame), so the touch helpers report nothing there; they still draw.
//
// Decisions that were ours:
//  - Players above 3 have no joystick: only the keyboard and pad entries
//    count for them, and their sticks read 0 (the input device has four).
//  - Stick numbers other than 0 and 1 read 0.
//  - On the console with iCade on, control 98 still reports 0 (the iCade
//    rule) and control 99 keeps the console's bindings.
//  - The on-screen pad's buttons are frames of the d-pad sheet (slot 94):
//    its centre (5) is what the pinch-and-move grip and the action buttons
//    use, the action buttons taking frame 0 as given.
#include <cmath>

#include "game/globals.h"
#include "game/myapp.h"
#include "host/glfw_game.h"

namespace {

constexpr float kStickThreshold = 0.4f;
constexpr int kPadEntries = 19;  // m_pad 0..18 are cleared together; 19 is the back key
constexpr int kJoyBase = c_InputDevice::kKeyJoyBase;

bool Key(int key) { return rv_input_KeyDown(key); }

bool AnyKey(std::initializer_list<int> keys) {
  for (int k : keys) {
    if (rv_input_KeyDown(k)) return true;
  }
  return false;
}

bool JoyButton(int player, int button) {
  return player >= 0 && player <= 3 && rv_input_KeyDown(kJoyBase + 32 * player + button);
}

bool AnyJoyButton(int player, std::initializer_list<int> buttons) {
  for (int b : buttons) {
    if (JoyButton(player, b)) return true;
  }
  return false;
}

}  // namespace

// ---- Virtual controls ---------------------------------------------------------

int c_MyApp::p_PlayKey(int control, int stickAllowed, int player) {
  if (player < -1) return 0;
  const bool icade = rv_Quenmor_iCadeControls != 0;
  const bool letters = !icade;  // with iCade on, the letter keys are iCade codes
  const bool sticks = stickAllowed != 0 && !icade && player >= 0 && player <= 3;
  auto pad = [&](int entry) { return m_pad[entry] != 0; };
  bool down = false;
  switch (control) {
    case 0:
      down = Key(38) || (letters && Key(87)) || JoyButton(player, 9) ||
             (sticks && p_StickY(0, player) < -kStickThreshold) || pad(0);
      break;
    case 3:
      down = Key(37) || (letters && Key(65)) || JoyButton(player, 8) ||
             (sticks && p_StickX(0, player) < -kStickThreshold) || pad(3);
      break;
    case 5:
      down = Key(39) || (letters && Key(68)) || JoyButton(player, 10) ||
             (sticks && p_StickX(0, player) > kStickThreshold) || pad(5);
      break;
    case 8:
      down = Key(40) || (letters && Key(83)) || JoyButton(player, 11) ||
             (sticks && p_StickY(0, player) > kStickThreshold) || pad(8);
      break;
    case 10:
      down = (letters && AnyKey({90, 74})) || AnyKey({32, 13}) || JoyButton(player, 0) || pad(10);
      break;
    case 11:
      down = (letters && AnyKey({88, 75})) || Key(17) || JoyButton(player, 1) || pad(11);
      break;
    case 12:
      down = (letters && AnyKey({67, 76})) || Key(16) || JoyButton(player, 2) || pad(12);
      break;
    case 13:
      down = (letters && AnyKey({86, 73})) || JoyButton(player, 3) || pad(13);
      break;
    case 14:
      down = (letters && AnyKey({66, 85})) || JoyButton(player, 4) || pad(14);
      break;
    case 15:
      down = (letters && AnyKey({78, 79})) || JoyButton(player, 5) || pad(15);
      break;
    case 98:
    case 99:
      if (icade && control == 98) {
        down = false;
      } else if (rv_Quenmor_isOuya) {
        down = Key(27) || pad(19) || JoyButton(player, 6) ||
               (control == 99 && JoyButton(player, 7));
      } else if (icade) {
        down = AnyKey({27, 46, 8}) || AnyJoyButton(player, {6, 7, 14}) || pad(16) || pad(17) ||
               pad(19);
      } else {
        down = AnyKey({27, 192, 46, 8}) || AnyJoyButton(player, {6, 7, 14}) || pad(16) ||
               pad(17) || pad(19);
      }
      break;
    default:
      return 0;
  }
  return down ? 1 : 0;
}

int c_MyApp::p_PlayKeyAll(int control, int stickAllowed) {
  int sum = 0;
  for (int player = 0; player < 4; ++player) sum += p_PlayKey(control, stickAllowed, player);
  return sum;
}

float c_MyApp::p_StickX(int stick, int player) {
  if (player < 0 || player > 3 || stick < 0 || stick > 1) return 0;
  return rv_input_JoyX(stick, player);
}

float c_MyApp::p_StickY(int stick, int player) {
  if (player < 0 || player > 3 || stick < 0 || stick > 1) return 0;
  float y = rv_input_JoyY(stick, player);
  return m_settings[15 + stick] != 0 ? y : -y;
}

// ---- iCade ----------------------------------------------------------------------

int c_MyApp::p_iCade(int on) {
  if (on == 1) {
    if (rv_app__game) rv_app__game->SetKeyboardEnabled(true);
    rv_Quenmor_iCadeControls = 1;
    for (int c = rv_input_GetChar(); c != 0; c = rv_input_GetChar()) m_lastChar = c;
  } else {
    if (rv_app__game) rv_app__game->SetKeyboardEnabled(false);
    rv_Quenmor_iCadeControls = 0;
    for (int i = 0; i < kPadEntries; ++i) m_pad[i] = 0;
  }
  return 0;
}

// The iCade sends one character when a control is pressed and another when
// it is released; upper and lower case alike.
int c_MyApp::p_iCadeChars() {
  struct Mapping {
    char press, release;
    int entry;
  };
  static const Mapping kMap[] = {
      {'W', 'E', 0},  {'X', 'Z', 8},  {'A', 'Q', 3},  {'D', 'C', 5},
      {'Y', 'T', 13}, {'U', 'F', 14}, {'I', 'M', 15}, {'O', 'G', 16},
      {'H', 'R', 10}, {'J', 'N', 11}, {'K', 'P', 12}, {'L', 'V', 17},
  };
  for (int c = rv_input_GetChar(); c != 0; c = rv_input_GetChar()) {
    m_lastChar = c;
    int upper = (c >= 'a' && c <= 'z') ? c - 32 : c;
    for (const Mapping& m : kMap) {
      if (upper == m.press) m_pad[m.entry] = 2;
      if (upper == m.release) m_pad[m.entry] = 0;
    }
  }
  return 0;
}

// ---- Buttons and touch tests ---------------------------------------------------------

int c_MyApp::p_Button(int slot, float x, float y, int frame) {
  p_DrawImg(slot, x, y, frame);
  m_buttonHit = 0;
  if (slot < 0 || slot >= m_images.Length() || m_touchDown <= 0) return 0;
  float hw = (float)m_imageInfo[slot * 3] * m_imageScale * m_sizeX * 0.5f;
  float hh = (float)m_imageInfo[slot * 3 + 1] * m_imageScale * m_sizeY * 0.5f;
  for (int i = 0; i < 10; ++i) {
    float tx = (float)m_touchX[i], ty = (float)m_touchY[i];
    if (tx > x - hw && tx < x + hw && ty > y - hh && ty < y + hh) {
      m_buttonHit = 1;
      break;
    }
  }
  return m_buttonHit;
}

int c_MyApp::p_Button(float x, float y, int frame) { return p_Button(97, x, y, frame); }

int c_MyApp::p_Button0(int slot, float x, float y, int frame) {
  p_DrawImg(slot, x, y, frame);
  m_buttonHit = 0;
  if (slot < 0 || slot >= m_images.Length()) return 0;
  float hw = (float)m_imageInfo[slot * 3] * m_imageScale * m_sizeX * 0.5f;
  float hh = (float)m_imageInfo[slot * 3 + 1] * m_imageScale * m_sizeY * 0.5f;
  float tx = (float)m_touchX[0], ty = (float)m_touchY[0];
  if (tx > x - hw && tx < x + hw && ty > y - hh && ty < y + hh) m_buttonHit = m_touchDown > 0;
  return m_buttonHit;
}

int c_MyApp::p_Touch(float x, float y, float w, float h) {
  p_Rect(x, y, w, h);
  for (int i = 0; i < 10; ++i) {
    if (!m_touchHit[i]) continue;
    float tx = (float)m_touchX[i], ty = (float)m_touchY[i];
    if (tx > x - 6 && tx < x + w + 12 && ty > y - 6 && ty < y + h + 12) return 1;
  }
  return 0;
}

int c_MyApp::p_Touch(float y, float w) { return p_Touch(84, y, w, 24); }

int c_MyApp::p_MouseIn(float x, float y, float w, float h) {
  for (int i = 0; i < 10; ++i) {
    if (!m_touchHit[i]) continue;
    float tx = (float)m_touchX[i], ty = (float)m_touchY[i];
    if (tx > x && tx < x + w && ty > y && ty < y + h) return 1;
  }
  return 0;
}

int c_MyApp::p_MouseIn_Centered(float x, float y, float w, float h) {
  return p_MouseIn(x - w * 0.5f, y - h * 0.5f, w, h);
}

int c_MyApp::p_MouseIn_Radius(float x, float y, float w, float h) {
  for (int i = 0; i < 10; ++i) {
    if (!m_touchHit[i]) continue;
    float dx = (float)m_touchX[i] - x, dy = (float)m_touchY[i] - y;
    if (dx * dx + dy * dy <= (w * 0.5f) * (w * 0.5f) + (h * 0.5f) * (h * 0.5f)) return 1;
  }
  return 0;
}

// ---- On-screen pad and tilt -------------------------------------------------------------

int c_MyApp::p_OnScreenPad() {
  auto clamp = [](int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); };
  const float w = rv_Quenmor_jscrw, h = rv_Quenmor_jscrh;
  m_settings[10] = clamp(m_settings[10], 32, TruncToInt(w - 32));
  m_settings[11] = clamp(m_settings[11], 32, TruncToInt(h - 32));
  m_settings[12] = clamp(m_settings[12], 8, 25);
  m_padX = m_settings[10];
  m_padY = TruncToInt(h - (float)m_settings[11]);
  const float s = m_padScale = (float)m_settings[12] / 10.0f;
  const float px = (float)m_padX, py = (float)m_padY;

  p_SetCol(255, 255, 255, 0.6f);
  p_SetRot(0);
  p_SetSize(s, s);
  struct Arm {
    float dx, dy;
    int frame, entry;
  };
  static const Arm kArms[] = {{-32, 0, 4, 3}, {0, -32, 1, 0}, {0, 32, 9, 8}, {32, 0, 6, 5}};
  for (const Arm& a : kArms) {
    if (p_Button(94, px + a.dx * s, py + a.dy * s, a.frame) && !m_paused) m_pad[a.entry] = 1;
  }
  p_DrawImg(94, px, py, 5);

  if (m_paused) {
    // The pad can be moved with one finger and resized with two.
    p_SetSize(3, 3);
    if (p_Button0(94, px, py, 5)) {
      int touches = 0;
      for (int i = 0; i < 10; ++i) touches += m_touchX[i] != kUnset;
      if (touches == 1) {
        m_settings[10] = m_touchX[0];
        m_settings[11] = TruncToInt(h - (float)m_touchY[0]);
        m_pinching = 0;
      } else if (touches >= 2) {
        int d = std::abs(m_touchX[0] - m_touchX[1]) / 16;
        if (m_pinching) m_settings[12] += d - m_pinchLast;
        m_pinching = 1;
        m_pinchLast = d;
      }
    } else {
      m_pinching = 0;
    }
    p_SetSize(s, s);
  }

  p_SetSize(1.5f * s, 1.5f * s);
  if (p_Button(94, w - (px - 24 * s), py - 24 * s, 0)) m_pad[10] = 1;
  if (p_Button(94, w - (px + 24 * s), py + 24 * s, 0)) m_pad[11] = 1;
  p_ResetDraw();
  return 0;
}

int c_MyApp::p_Tilt() {
  const float dx = m_accelZeroX - rv_input_AccelX();
  const float dy = m_accelZeroY - rv_input_AccelY();
  m_tiltX = -dx;
  m_tiltY = -dy;
  auto ease = [](float& smooth, float target) {
    smooth += (target - smooth) * 0.25f;
    if (std::fabs(target - smooth) < 0.005f) smooth = target;
  };
  ease(m_tiltSmoothX, -dx);
  ease(m_tiltSmoothY, -dy);

  const float h = rv_Quenmor_jscrh;
  p_ResetDraw();
  p_SetSize(1.5f, 1.5f);
  p_Alpha(0.8f);
  if (p_Button(97, 24, h - 24, 7)) {
    m_accelZeroX = rv_input_AccelX();
    m_accelZeroY = rv_input_AccelY();
  }
  p_ResetDraw();
  p_SetCol(100, 255, 100, 0.6f);
  p_Oval(24 + 20 * m_tiltSmoothX, h - 24 + 20 * m_tiltSmoothY, 4, 4);
  p_ResetDraw();
  return 0;
}

// ---- Full screen ----------------------------------------------------------------------

// The window is opened again; the renderer rebuilds every texture under the
// new context, and the next render sees the new device size and reloads the
// assets for it.
int c_MyApp::p_FullscreenFlip() {
  m_fullscreen = m_fullscreen ? 0 : 1;
  RvGlfwGame* host = RvGlfwGame::_glfwGame;
  if (!host) return 0;
  RvGlfwVideoMode* desktop = host->GetGlfwDesktopMode();
  int red = desktop ? desktop->red : 8, green = desktop ? desktop->green : 8,
      blue = desktop ? desktop->blue : 8;
  if (m_fullscreen) {
    int w = desktop ? desktop->width : 640, h = desktop ? desktop->height : 480;
    host->SetGlfwWindow(w, h, red, green, blue, 0, 0, 0, true);
  } else {
    host->SetGlfwWindow(640, 480, red, green, blue, 0, 0, 0, false);
  }
  return 0;
}

c_MyApp::Pointer c_MyApp::p_Pointer() {
  Pointer p;
  p.x = (float)m_mouseX;
  p.y = (float)m_mouseY;
  p.down = rv_input_KeyDown(1) || m_touchDown > 0;
  p.hit = m_mouseHit > 0;
  for (int i = 0; i < 10; ++i) {
    if (m_touchHit[i] && m_touchX[i] != kUnset) {
      p.hit = true;
      p.x = (float)m_touchX[i];
      p.y = (float)m_touchY[i];
      break;
    }
  }
  return p;
}
