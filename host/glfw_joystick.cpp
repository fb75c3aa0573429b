// Joysticks: which GLFW joystick answers for which framework unit, and the
// translation of its state into the framework's pad (host/glfw_joystick.h).
//
// Decisions:
// - Pads GLFW can map (its built-in mappings, plus a gamecontrollerdb.txt
//   beside the executable) are read through the gamepad API, so every
//   button lands in the slot of its meaning whatever the pad's own order.
//   The Guide button has no slot: desktops and launchers claim it.
// - Other joysticks keep the two raw layouts. GLFW 3 appends each hat as
//   up, right, down, left; the layouts take the last four buttons as the
//   d-pad in the framework's order left, up, right, down.
// - Both sticks read with up positive (GLFW's y grows downwards), so the
//   game's per-stick inversion options mean the same on both sticks.
// - A pad keeps its unit while it stays plugged in; a new pad takes the
//   lowest free unit. A unit whose pad went away answers false, and the
//   input device then releases every key of that unit.
// - Only JoystickPresent/JoystickGamepad/JoystickAxes/JoystickButtons touch
//   GLFW, so a scripted pad runs exactly the code a real one does.
// - A raw layout entry naming a button that was not read (before the first
//   one on a pad with fewer than 4 buttons, or past the 32 read) is released.
#include "host/glfw_joystick.h"

#include <cstdio>
#include <vector>

#include "host/glfw_game.h"
#include "host/platform.h"

namespace joystick {
namespace {

constexpr int kMaxAxes = 6;         // raw axes read per joystick
constexpr int kMaxButtons = 32;     // raw buttons read, and framework buttons
constexpr int kLayoutButtons = 14;  // framework buttons a raw layout fills

// Framework button of each GLFW gamepad button (-1: none).
constexpr int kGamepadSlot[GLFW_GAMEPAD_BUTTON_LAST + 1] = {
    /* A */ 0,           /* B */ 1,          /* X */ 2,           /* Y */ 3,
    /* left bumper */ 4, /* right bumper */ 5, /* back */ 6,      /* start */ 7,
    /* guide */ -1,      /* left thumb */ 12, /* right thumb */ 13,
    /* d-pad up */ 9,    /* right */ 10,      /* down */ 11,      /* left */ 8};

float Trigger(float axis) {  // -1 released .. 1 pulled
  float t = (axis + 1.0f) * 0.5f;
  return t < 0 ? 0 : t > 1 ? 1 : t;
}

// Raw axis program codes: the low bits name an axis (or, with kFromButton, a
// button); the flags say what to make of it.
constexpr int kNegated = 0x40;     // -axis
constexpr int kFromButton = 0x80;  // 1.0 while the button is pressed, else 0.0

struct RawLayout {
  int axes[6];  // left x, left y, left trigger, right x, right y, right trigger
  int buttons[kLayoutButtons];  // GLFW button per framework button; <0 from the end
};

// The common twin-stick pad: both triggers on axis 2, a hat after 10 buttons.
const RawLayout kLayoutA = {{0, 1, 2, 4, 3, 2 | kNegated},
                            {0, 1, 2, 3, 4, 5, 6, 7, -1, -4, -3, -2, 8, 9}};
// Everything else: triggers as buttons 6 and 7.
const RawLayout kLayoutB = {{0, 1, 6 | kFromButton, 2, 3, 7 | kFromButton},
                            {1, 2, 0, 3, 4, 5, 8, 9, -1, -4, -3, -2, 10, 11}};

float RunAxisCode(int code, const float* axes, const bool* pressed) {
  if (code & kFromButton) return pressed[code & 0x1f] ? 1.0f : 0.0f;
  float v = axes[code & 0x0f];
  return (code & kNegated) ? -v : v;
}

}  // namespace

Reading FromGamepad(const GLFWgamepadstate& pad) {
  Reading r;
  for (int g = 0; g <= GLFW_GAMEPAD_BUTTON_LAST; ++g) {
    if (kGamepadSlot[g] >= 0) r.buttons[kGamepadSlot[g]] = pad.buttons[g] == GLFW_PRESS;
  }
  r.x[0] = pad.axes[GLFW_GAMEPAD_AXIS_LEFT_X];
  r.y[0] = -pad.axes[GLFW_GAMEPAD_AXIS_LEFT_Y];
  r.x[1] = pad.axes[GLFW_GAMEPAD_AXIS_RIGHT_X];
  r.y[1] = -pad.axes[GLFW_GAMEPAD_AXIS_RIGHT_Y];
  r.z[0] = Trigger(pad.axes[GLFW_GAMEPAD_AXIS_LEFT_TRIGGER]);
  r.z[1] = Trigger(pad.axes[GLFW_GAMEPAD_AXIS_RIGHT_TRIGGER]);
  return r;
}

Reading FromRawJoystick(const float* rawAxes, int axisCount, const unsigned char* rawButtons,
                        int n) {
  float axes[kMaxAxes] = {};
  for (int i = 0; i < axisCount && i < kMaxAxes; ++i) {
    axes[i] = (i & 1) ? -rawAxes[i] : rawAxes[i];  // odd axes are y axes: up positive
  }
  bool pressed[kMaxButtons] = {};
  for (int i = 0; i < n && i < kMaxButtons; ++i) pressed[i] = rawButtons[i] == GLFW_PRESS;

  const RawLayout& layout = (n == 14 && axisCount == 5) ? kLayoutA : kLayoutB;
  float out[6];
  for (int k = 0; k < 6; ++k) out[k] = RunAxisCode(layout.axes[k], axes, pressed);
  Reading r;
  r.x[0] = out[0], r.y[0] = out[1], r.z[0] = out[2];
  r.x[1] = out[3], r.y[1] = out[4], r.z[1] = out[5];
  for (int j = 0; j < kLayoutButtons; ++j) {
    int g = layout.buttons[j];
    if (g < 0) g += n;
    r.buttons[j] = g >= 0 && g < kMaxButtons && pressed[g];
  }
  return r;
}

}  // namespace joystick

namespace {

constexpr int kUnits = 4;           // framework joystick units
constexpr int kGlfwJoysticks = 16;  // GLFW joysticks scanned for new pads
constexpr long kMaxMappingBytes = 8 << 20;  // the community file is under 1 MiB

template <class T>
void Put(const Array<T>& a, int i, T v) {
  if (i < a.Length()) a[i] = v;
}

}  // namespace

bool RvGlfwGame::JoystickPresent(int jid) { return glfwJoystickPresent(jid) == GLFW_TRUE; }

bool RvGlfwGame::JoystickGamepad(int jid, GLFWgamepadstate* state) {
  return glfwJoystickIsGamepad(jid) == GLFW_TRUE && glfwGetGamepadState(jid, state) == GLFW_TRUE;
}

const float* RvGlfwGame::JoystickAxes(int jid, int* count) {
  *count = 0;
  const float* axes = glfwGetJoystickAxes(jid, count);
  if (!axes) *count = 0;
  return axes;
}

const unsigned char* RvGlfwGame::JoystickButtons(int jid, int* count) {
  *count = 0;
  const unsigned char* buttons = glfwGetJoystickButtons(jid, count);
  if (!buttons) *count = 0;
  return buttons;
}

void RvGlfwGame::LoadGamepadMappings() {
  FILE* f = platform::OpenFile(_baseDir + String("/gamecontrollerdb.txt"), String("rb"));
  if (!f) return;
  std::vector<char> text;
  char chunk[4096];
  std::size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0 &&
         (long)(text.size() + got) <= kMaxMappingBytes) {
    text.insert(text.end(), chunk, chunk + got);
  }
  std::fclose(f);
  text.push_back('\0');
  // Lines GLFW cannot parse are skipped by GLFW; the rest still apply.
  glfwUpdateGamepadMappings(text.data());
}

bool RvGlfwGame::PollJoystick(int unit, Array<float> joyx, Array<float> joyy, Array<float> joyz,
                              Array<bool> buttons) {
  if (unit < 0 || unit >= kUnits) return false;

  // Unit 0 is polled first in every update: pads gone since then free their
  // units, new ones take the lowest free unit in GLFW's order.
  if (unit == 0) {
    bool mapped[kGlfwJoysticks] = {};
    for (int u = 0; u < kUnits; ++u) {
      int& jid = _joyPorts[u];
      if (jid >= 0 && !JoystickPresent(jid)) jid = -1;
      if (jid >= 0) mapped[jid] = true;
    }
    int free = 0;
    for (int jid = 0; jid < kGlfwJoysticks; ++jid) {
      if (mapped[jid] || !JoystickPresent(jid)) continue;
      while (free < kUnits && _joyPorts[free] >= 0) ++free;
      if (free == kUnits) break;
      _joyPorts[free] = jid;
    }
  }
  int jid = _joyPorts[unit];
  if (jid < 0) return false;

  joystick::Reading r;
  GLFWgamepadstate pad;
  if (JoystickGamepad(jid, &pad)) {
    r = joystick::FromGamepad(pad);
  } else {
    int axisCount = 0, buttonCount = 0;
    const float* axes = JoystickAxes(jid, &axisCount);
    const unsigned char* pressed = JoystickButtons(jid, &buttonCount);
    r = joystick::FromRawJoystick(axes, axisCount, pressed, buttonCount);
  }
  for (int s = 0; s < 2; ++s) {
    Put(joyx, s, r.x[s]);
    Put(joyy, s, r.y[s]);
    Put(joyz, s, r.z[s]);
  }
  for (int b = 0; b < 32; ++b) Put(buttons, b, r.buttons[b]);
  return true;
}
