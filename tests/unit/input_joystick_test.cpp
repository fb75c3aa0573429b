// Pads scripted at the GLFW boundary, seen through the real host, input
// device and game controls: every mapped button and axis, units and unplugging,
// and the raw layouts of joysticks GLFW cannot map.
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <set>

#include "game/globals.h"
#include "game/myapp.h"
#include "support/input_pads.h"

namespace {

using testing_support::PadHost;

class GamepadHost : public PadHost {
 public:
  std::map<int, GLFWgamepadstate> gamepads;  // GLFW joystick id -> mapped pad

  GLFWgamepadstate& PlugGamepad(int jid) {
    Plug(jid, 6, 15);
    GLFWgamepadstate& s = gamepads[jid] = GLFWgamepadstate{};
    s.axes[GLFW_GAMEPAD_AXIS_LEFT_TRIGGER] = s.axes[GLFW_GAMEPAD_AXIS_RIGHT_TRIGGER] = -1;
    return s;
  }
  void UnplugAny(int jid) { Unplug(jid), gamepads.erase(jid); }

 protected:
  bool JoystickGamepad(int jid, GLFWgamepadstate* state) override {
    auto it = gamepads.find(jid);
    if (it == gamepads.end()) return false;
    *state = it->second;
    return true;
  }
};

c_MyApp* app = nullptr;
rv_module appRoot(1000, nullptr, [] { gc_mark_q(app); });

const int kControls[] = {0, 3, 5, 8, 10, 11, 12, 13, 14, 15, 98, 99};

class Pads : public ::testing::Test {
 protected:
  GamepadHost host;
  c_InputDevice* dev = nullptr;

  void SetUp() override {
    rvInit();
    dev = (new c_InputDevice())->m_new();
    rv_input_SetInputDevice(dev);
    if (!app) gc_assign(app, new c_MyApp());
    rv_Quenmor_isOuya = 0;
  }
  void TearDown() override { rv_input_SetInputDevice(nullptr); }

  void Update() {
    dev->p_EndUpdate();
    dev->p_BeginUpdate();
  }
  // Controls the game sees down for a player (buttons only, no sticks).
  std::set<int> Controls(int player) {
    std::set<int> on;
    for (int c : kControls) if (app->p_PlayKey(c, 0, player)) on.insert(c);
    return on;
  }
  std::set<int> Buttons(int unit) {
    std::set<int> on;
    for (int b = 0; b < 32; ++b) if (rv_input_JoyDown(b, unit)) on.insert(b);
    return on;
  }
};

TEST_F(Pads, EveryGamepadButtonReachesTheControlOfItsMeaning) {
  struct Row {
    int glfw;
    std::set<int> buttons, controls;
  } rows[] = {
      {GLFW_GAMEPAD_BUTTON_A, {0}, {10}},          {GLFW_GAMEPAD_BUTTON_B, {1}, {11}},
      {GLFW_GAMEPAD_BUTTON_X, {2}, {12}},          {GLFW_GAMEPAD_BUTTON_Y, {3}, {13}},
      {GLFW_GAMEPAD_BUTTON_LEFT_BUMPER, {4}, {14}}, {GLFW_GAMEPAD_BUTTON_RIGHT_BUMPER, {5}, {15}},
      {GLFW_GAMEPAD_BUTTON_BACK, {6}, {98, 99}},   {GLFW_GAMEPAD_BUTTON_START, {7}, {98, 99}},
      {GLFW_GAMEPAD_BUTTON_LEFT_THUMB, {12}, {}},  {GLFW_GAMEPAD_BUTTON_RIGHT_THUMB, {13}, {}},
      {GLFW_GAMEPAD_BUTTON_GUIDE, {}, {}},         {GLFW_GAMEPAD_BUTTON_DPAD_LEFT, {8}, {3}},
      {GLFW_GAMEPAD_BUTTON_DPAD_UP, {9}, {0}},     {GLFW_GAMEPAD_BUTTON_DPAD_RIGHT, {10}, {5}},
      {GLFW_GAMEPAD_BUTTON_DPAD_DOWN, {11}, {8}},
  };
  GLFWgamepadstate& pad = host.PlugGamepad(5);
  for (const Row& row : rows) {
    pad.buttons[row.glfw] = GLFW_PRESS;
    Update();
    EXPECT_EQ(Buttons(0), row.buttons) << "GLFW gamepad button " << row.glfw;
    EXPECT_EQ(Controls(0), row.controls) << "GLFW gamepad button " << row.glfw;
    pad.buttons[row.glfw] = GLFW_RELEASE;
  }
}

TEST_F(Pads, SticksReadUpTheSameWayAndTriggersFromZeroToOne) {
  struct Row {
    int axis;
    float value;
    float leftX, leftY, rightX, rightY, leftTrigger, rightTrigger;
  } rows[] = {
      {GLFW_GAMEPAD_AXIS_LEFT_X, 0.5f, 0.5f, 0, 0, 0, 0, 0},
      {GLFW_GAMEPAD_AXIS_LEFT_Y, -0.5f, 0, 0.5f, 0, 0, 0, 0},  // pushed up
      {GLFW_GAMEPAD_AXIS_RIGHT_X, -0.25f, 0, 0, -0.25f, 0, 0, 0},
      {GLFW_GAMEPAD_AXIS_RIGHT_Y, -0.5f, 0, 0, 0, 0.5f, 0, 0},  // pushed up
      {GLFW_GAMEPAD_AXIS_LEFT_TRIGGER, 0, 0, 0, 0, 0, 0.5f, 0},
      {GLFW_GAMEPAD_AXIS_LEFT_TRIGGER, 1, 0, 0, 0, 0, 1, 0},
      {GLFW_GAMEPAD_AXIS_RIGHT_TRIGGER, 1, 0, 0, 0, 0, 0, 1},
  };
  GLFWgamepadstate& pad = host.PlugGamepad(0);
  for (const Row& row : rows) {
    float rest = pad.axes[row.axis];
    pad.axes[row.axis] = row.value;
    Update();
    c_JoyState* joy = dev->_joyStates[0];
    EXPECT_EQ(std::vector<float>({joy->joyx[0], joy->joyy[0], joy->joyx[1], joy->joyy[1],
                                  joy->joyz[0], joy->joyz[1]}),
              std::vector<float>({row.leftX, row.leftY, row.rightX, row.rightY, row.leftTrigger,
                                  row.rightTrigger}))
        << "GLFW gamepad axis " << row.axis << " at " << row.value;
    pad.axes[row.axis] = rest;
  }
  // The game: either stick pushed up reads the same, and the left one steers up.
  pad.axes[GLFW_GAMEPAD_AXIS_LEFT_Y] = pad.axes[GLFW_GAMEPAD_AXIS_RIGHT_Y] = -1;
  Update();
  EXPECT_LT(app->p_StickY(0, 0), 0);
  EXPECT_EQ(app->p_StickY(1, 0), app->p_StickY(0, 0));
  EXPECT_EQ(app->p_PlayKey(0, 1, 0), 1);
}

TEST_F(Pads, PadsKeepTheirUnitsAndReleaseEverythingWhenUnplugged) {
  host.PlugGamepad(3).buttons[GLFW_GAMEPAD_BUTTON_A] = GLFW_PRESS;  // a lone pad is unit 0
  Update();
  EXPECT_EQ(Controls(0), std::set<int>({10}));
  host.UnplugAny(3);
  for (int jid : {0, 1}) {
    GLFWgamepadstate& pad = host.PlugGamepad(jid);
    pad.buttons[GLFW_GAMEPAD_BUTTON_A] = GLFW_PRESS;
    pad.axes[GLFW_GAMEPAD_AXIS_LEFT_X] = -1;
  }
  Update();
  EXPECT_EQ(Controls(0), std::set<int>({10}));
  EXPECT_EQ(Controls(1), std::set<int>({10}));

  host.UnplugAny(0);
  Update();
  EXPECT_EQ(Buttons(0), std::set<int>());  // nothing stuck
  EXPECT_EQ(rv_input_JoyX(0, 0), 0);
  EXPECT_EQ(app->p_PlayKey(3, 1, 0), 0);
  EXPECT_EQ(Buttons(1), std::set<int>({0}));  // still unit 1, still held: no new hit
  EXPECT_EQ(rv_input_JoyHit(0, 1), 0);

  host.PlugGamepad(7).buttons[GLFW_GAMEPAD_BUTTON_B] = GLFW_PRESS;  // the free unit
  Update();
  EXPECT_EQ(Controls(0), std::set<int>({11}));
  EXPECT_EQ(Controls(1), std::set<int>({10}));

  host.UnplugAny(1);
  host.UnplugAny(7);
  Update();
  for (int key = 256; key < 384; ++key) EXPECT_FALSE(rv_input_KeyDown(key)) << key;
}

TEST_F(Pads, UnmappedJoysticksKeepTheRawLayoutsWithTheHatInOrder) {
  // GLFW 3 appends a hat as up, right, down, left after the real buttons;
  // the d-pad slots are left, up, right, down (controls 3, 0, 5, 8).
  struct Row {
    int buttonCount, axisCount, glfw;
    std::set<int> buttons;
  } rows[] = {
      {14, 5, 0, {0}},  {14, 5, 6, {6}},   {14, 5, 7, {7}},   {14, 5, 8, {12}},
      {14, 5, 10, {9}}, {14, 5, 11, {10}}, {14, 5, 12, {11}}, {14, 5, 13, {8}},
      {16, 6, 0, {2}},  {16, 6, 1, {0}},   {16, 6, 8, {6}},   {16, 6, 9, {7}},
      {16, 6, 12, {9}}, {16, 6, 13, {10}}, {16, 6, 14, {11}}, {16, 6, 15, {8}},
  };
  for (const Row& row : rows) {
    host.Plug(2, row.axisCount, row.buttonCount).Press(row.glfw);
    Update();
    EXPECT_EQ(Buttons(0), row.buttons)
        << row.buttonCount << " buttons, " << row.axisCount << " axes, GLFW button " << row.glfw;
  }
  // Both sticks pushed up read the same in both layouts (GLFW's y grows down).
  for (auto [axes, buttons] : {std::pair{5, 14}, std::pair{6, 16}}) {
    host.Plug(2, axes, buttons).axes = std::vector<float>(axes, 0);
    host.pads.at(2).axes[1] = host.pads.at(2).axes[3] = -0.5f;
    Update();
    EXPECT_EQ(rv_input_JoyY(0, 0), 0.5f) << axes;
    EXPECT_EQ(rv_input_JoyY(1, 0), 0.5f) << axes;
  }
}

}  // namespace
