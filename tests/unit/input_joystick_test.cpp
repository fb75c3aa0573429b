// Joysticks as the input device sees them: which pad answers for which unit,
// and how each layout turns a pad's axes and buttons into sticks, triggers and
// the 14 mapped framework buttons. The pads are scripted at the GLFW boundary;
// the port map and layouts are the production code.
#include <gtest/gtest.h>

#include <set>

#include "support/input_pads.h"

namespace {

using testing_support::PadHost;
using testing_support::ScriptedPad;

struct Reading {
  bool present = false;
  Array<float> x = Array<float>(2), y = Array<float>(2), z = Array<float>(2);
  Array<bool> buttons = Array<bool>(32);

  std::set<int> Pressed() const {
    std::set<int> out;
    for (int b = 0; b < 32; ++b) {
      if (buttons[b]) out.insert(b);
    }
    return out;
  }
};

Reading Poll(RvGame& host, int unit) {
  Reading r;
  r.present = host.PollJoystick(unit, r.x, r.y, r.z, r.buttons);
  return r;
}

// Presses each GLFW button alone and records which framework buttons follow.
std::vector<std::set<int>> ButtonMap(PadHost& host, int jid) {
  std::vector<std::set<int>> map;
  ScriptedPad& pad = host.pads.at(jid);
  for (std::size_t g = 0; g < pad.buttons.size(); ++g) {
    for (auto& b : pad.buttons) b = 0;
    pad.Press((int)g);
    map.push_back(Poll(host, 0).Pressed());
  }
  return map;
}

TEST(JoystickPorts, SinglePadOnGlfwPortThreeIsUnitZero) {
  PadHost host;
  host.Plug(3, 6, 12).Press(0);
  Reading unit0 = Poll(host, 0);
  EXPECT_TRUE(unit0.present);
  EXPECT_EQ(unit0.Pressed(), std::set<int>({2}));  // layout B: button 2 <- GLFW 0
  for (int unit = 1; unit < 4; ++unit) EXPECT_FALSE(Poll(host, unit).present) << unit;
}

TEST(JoystickPorts, PadsTakeUnitsInGlfwOrderFourAtMost) {
  PadHost host;
  for (int jid : {9, 2, 15, 5, 11}) host.Plug(jid, 6, 12).axes[0] = jid / 100.0f;
  float expected[4] = {0.02f, 0.05f, 0.09f, 0.11f};
  for (int unit = 0; unit < 4; ++unit) {
    Reading r = Poll(host, unit);
    ASSERT_TRUE(r.present) << unit;
    EXPECT_FLOAT_EQ(r.x[0], expected[unit]) << unit;
  }
  EXPECT_FALSE(Poll(host, 4).present);
  EXPECT_FALSE(Poll(host, -1).present);
}

TEST(JoystickPorts, PluggingIsPickedUpAtTheNextPollOfUnitZero) {
  PadHost host;
  host.Plug(3, 6, 12).axes[0] = 0.3f;
  ASSERT_TRUE(Poll(host, 0).present);
  EXPECT_FALSE(Poll(host, 1).present);

  // A pad plugged in before pad 3 takes unit 0 once unit 0 is polled again;
  // until then the map from the last scan stands.
  host.Plug(1, 6, 12).axes[0] = 0.1f;
  EXPECT_FALSE(Poll(host, 1).present);
  EXPECT_FLOAT_EQ(Poll(host, 0).x[0], 0.1f);
  EXPECT_FLOAT_EQ(Poll(host, 1).x[0], 0.3f);

  host.Unplug(1);
  host.Unplug(3);
  EXPECT_FALSE(Poll(host, 0).present);
  EXPECT_FALSE(Poll(host, 1).present);
}

TEST(JoystickLayouts, FourteenButtonsAndFiveAxesUseLayoutA) {
  PadHost host;
  ScriptedPad& pad = host.Plug(0, 5, 14);
  // GLFW's y axes grow downwards; the layouts read odd axes upwards.
  pad.axes = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f};
  Reading r = Poll(host, 0);
  ASSERT_TRUE(r.present);
  EXPECT_FLOAT_EQ(r.x[0], 0.1f);   // left x
  EXPECT_FLOAT_EQ(r.y[0], -0.2f);  // left y, up is positive
  EXPECT_FLOAT_EQ(r.z[0], 0.3f);   // left trigger: the shared trigger axis
  EXPECT_FLOAT_EQ(r.x[1], 0.5f);   // right x: axis 4
  EXPECT_FLOAT_EQ(r.y[1], 0.4f);   // right y: minus the (up-positive) axis 3
  EXPECT_FLOAT_EQ(r.z[1], -0.3f);  // right trigger: the shared axis negated

  // GLFW button -> framework buttons; the last four (the d-pad) are 8..11.
  std::vector<std::set<int>> expected = {{0}, {1}, {2},  {3},  {4},  {5},  {6},
                                         {7}, {12}, {13}, {8}, {9}, {10}, {11}};
  EXPECT_EQ(ButtonMap(host, 0), expected);
}

TEST(JoystickLayouts, OtherPadsUseLayoutBWithTriggersAsButtons) {
  PadHost host;
  ScriptedPad& pad = host.Plug(0, 5, 12);
  pad.axes = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f};
  Reading r = Poll(host, 0);
  EXPECT_FLOAT_EQ(r.x[0], 0.1f);
  EXPECT_FLOAT_EQ(r.y[0], -0.2f);
  EXPECT_FLOAT_EQ(r.z[0], 0.0f);
  EXPECT_FLOAT_EQ(r.x[1], 0.3f);  // right x: axis 2
  EXPECT_FLOAT_EQ(r.y[1], 0.4f);
  EXPECT_FLOAT_EQ(r.z[1], 0.0f);

  pad.Press(6);
  pad.Press(7);
  r = Poll(host, 0);
  EXPECT_FLOAT_EQ(r.z[0], 1.0f);
  EXPECT_FLOAT_EQ(r.z[1], 1.0f);

  // With 12 buttons the four counted from the end are 8..11, which the
  // layout also maps directly, so those buttons light two framework buttons.
  std::vector<std::set<int>> expected = {{2},     {0},     {1},      {3},      {4},     {5},
                                         {},      {},      {6, 8},   {7, 9},   {10, 12}, {11, 13}};
  EXPECT_EQ(ButtonMap(host, 0), expected);
}

TEST(JoystickLayouts, FourteenButtonsWithSixAxesIsLayoutB) {
  PadHost host;
  host.Plug(0, 6, 14).Press(0);
  EXPECT_EQ(Poll(host, 0).Pressed(), std::set<int>({2}));
}

TEST(JoystickLayouts, FewerThanFourButtonsLeaveTheMissingOnesReleased) {
  PadHost host;
  ScriptedPad& pad = host.Plug(0, 2, 3);
  for (int g = 0; g < 3; ++g) pad.Press(g);
  // Counted from the end: n-4 is before the first button; n-3..n-1 are 0..2.
  EXPECT_EQ(Poll(host, 0).Pressed(), std::set<int>({0, 1, 2, 9, 10, 11}));

  host.Plug(0, 0, 0);
  Reading r = Poll(host, 0);
  EXPECT_TRUE(r.present);
  EXPECT_TRUE(r.Pressed().empty());
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(r.x[i], 0.0f);
    EXPECT_EQ(r.y[i], 0.0f);
    EXPECT_EQ(r.z[i], 0.0f);
  }
}

TEST(JoystickLayouts, ButtonsBeyondThoseReadStayReleased) {
  PadHost host;
  ScriptedPad& pad = host.Plug(0, 6, 40);
  for (auto& b : pad.buttons) b = 1;
  // Only 32 buttons are read; the d-pad of a 40-button pad (36..39) is not.
  std::set<int> expected = {0, 1, 2, 3, 4, 5, 6, 7, 12, 13};
  EXPECT_EQ(Poll(host, 0).Pressed(), expected);
}

TEST(JoystickLayouts, UnmappedFrameworkButtonsAreClearedEveryPoll) {
  PadHost host;
  host.Plug(0, 6, 32);
  Reading r;
  for (int b = 0; b < 32; ++b) r.buttons[b] = true;
  for (int i = 0; i < 2; ++i) r.x[i] = r.y[i] = r.z[i] = 9.0f;
  ASSERT_TRUE(host.PollJoystick(0, r.x, r.y, r.z, r.buttons));
  EXPECT_TRUE(r.Pressed().empty());
  EXPECT_EQ(r.x[1], 0.0f);
  EXPECT_EQ(r.z[0], 0.0f);
}

TEST(JoystickLayouts, MissingAxesReadAsCentred) {
  PadHost host;
  ScriptedPad& pad = host.Plug(0, 1, 14);
  pad.axes[0] = -1.0f;
  Reading r = Poll(host, 0);
  EXPECT_EQ(r.x[0], -1.0f);
  EXPECT_EQ(r.y[0], 0.0f);
  EXPECT_EQ(r.x[1], 0.0f);
  EXPECT_EQ(r.y[1], 0.0f);
}

}  // namespace
