// Joysticks: the port map from framework units 0..3 to GLFW joysticks and the
// two pad layouts that turn a joystick's axes and buttons into the framework's
// fixed pad (two sticks, two triggers, 32 buttons).
//
// Decisions:
// - Only JoystickPresent/JoystickAxes/JoystickButtons touch GLFW; everything
//   else here is the mapping itself, so a scripted pad exercises exactly the
//   code a real one does.
// - GLFW 3 reports y axes growing downwards; the layouts were drawn up for
//   readings where every odd-numbered axis grows upwards, so odd axes are
//   negated as they are read. The game's stick-inversion options stay
//   meaningful that way.
// - GLFW 3 appends each hat's up, right, down and left as buttons after the
//   real ones; the layouts take the last four buttons as the d-pad, which is
//   exactly where they land.
// - A layout entry naming a button that was not read (before the first one,
//   e.g. counted from the end on a pad with fewer than 4 buttons, or past the
//   32 that are read) leaves the framework button released.
#include <GLFW/glfw3.h>

#include "host/glfw_game.h"

namespace {

constexpr int kUnits = 4;            // framework joystick units
constexpr int kGlfwJoysticks = 16;   // GLFW joysticks scanned for the port map
constexpr int kMaxAxes = 6;          // axes read per joystick
constexpr int kMaxButtons = 32;      // buttons read, and framework buttons
constexpr int kLayoutButtons = 14;   // framework buttons a layout fills

// Axis program codes: the low bits name an axis (or, with kFromButton, a
// button); the flags say what to make of it.
constexpr int kNegated = 0x40;     // -axis
constexpr int kHalfUp = 0x10;      // (axis + 1) / 2
constexpr int kHalfDown = 0x20;    // (1 - axis) / 2
constexpr int kFromButton = 0x80;  // 1.0 while the button is pressed, else 0.0

struct PadLayout {
  // left x, left y, left trigger, right x, right y, right trigger
  int axes[6];
  // GLFW button for framework buttons 0..13; negative counts from the end
  int buttons[kLayoutButtons];
};

// Pads reporting exactly 14 buttons and 5 axes (the common twin-stick pad
// with its d-pad as 4 trailing buttons and both triggers on one axis).
const PadLayout kLayoutA = {
    {0, 1, 2, 4, 3 | kNegated, 2 | kNegated},
    {0, 1, 2, 3, 4, 5, 6, 7, -4, -3, -2, -1, 8, 9}};
// Everything else: triggers as buttons 6 and 7.
const PadLayout kLayoutB = {
    {0, 1, 6 | kFromButton, 2, 3 | kNegated, 7 | kFromButton},
    {1, 2, 0, 3, 4, 5, 8, 9, -4, -3, -2, -1, 10, 11}};

float RunAxisCode(int code, const float* axes, const bool* pressed) {
  if (code & kFromButton) return pressed[code & 0x1f] ? 1.0f : 0.0f;
  float v = axes[code & 0x0f];
  if (code & kNegated) return -v;
  if (code & kHalfUp) return (v + 1.0f) * 0.5f;
  if (code & kHalfDown) return (1.0f - v) * 0.5f;
  return v;
}

template <class T>
void Put(const Array<T>& a, int i, T v) {
  if (i < a.Length()) a[i] = v;
}

}  // namespace

bool RvGlfwGame::JoystickPresent(int jid) { return glfwJoystickPresent(jid) == GLFW_TRUE; }

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

bool RvGlfwGame::PollJoystick(int unit, Array<float> joyx, Array<float> joyy, Array<float> joyz,
                              Array<bool> buttons) {
  if (unit < 0 || unit >= kUnits) return false;

  // Unit 0 is polled first in every update: joysticks plugged in or out since
  // then get their units now, in GLFW's order.
  if (unit == 0) {
    int next = 0;
    for (int jid = 0; jid < kGlfwJoysticks && next < kUnits; ++jid) {
      if (JoystickPresent(jid)) _joyPorts[next++] = jid;
    }
    while (next < kUnits) _joyPorts[next++] = -1;
  }
  int jid = _joyPorts[unit];
  if (jid < 0) return false;

  float axes[kMaxAxes] = {};
  int axisCount = 0;
  const float* rawAxes = JoystickAxes(jid, &axisCount);
  for (int i = 0; i < axisCount && i < kMaxAxes; ++i) {
    axes[i] = (i & 1) ? -rawAxes[i] : rawAxes[i];
  }

  bool pressed[kMaxButtons] = {};
  int n = 0;
  const unsigned char* rawButtons = JoystickButtons(jid, &n);
  for (int i = 0; i < n && i < kMaxButtons; ++i) pressed[i] = rawButtons[i] == GLFW_PRESS;

  const PadLayout& layout = (n == 14 && axisCount == 5) ? kLayoutA : kLayoutB;

  float out[6];
  for (int k = 0; k < 6; ++k) out[k] = RunAxisCode(layout.axes[k], axes, pressed);
  Put(joyx, 0, out[0]);
  Put(joyy, 0, out[1]);
  Put(joyz, 0, out[2]);
  Put(joyx, 1, out[3]);
  Put(joyy, 1, out[4]);
  Put(joyz, 1, out[5]);

  for (int b = 0; b < kMaxButtons; ++b) Put(buttons, b, false);
  for (int j = 0; j < kLayoutButtons; ++j) {
    int g = layout.buttons[j];
    if (g < 0) g += n;
    Put(buttons, j, g >= 0 && g < kMaxButtons && pressed[g]);
  }
  return true;
}
