// The application layer without a window: the input device as the game polls
// it between two updates, and the app module between the host and the game.
#include "app/app.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <utility>
#include <vector>

#include "support/checks.h"
#include "support/printers.h"

namespace {

using testing_support::ForceCollection;

constexpr int kDown = c_RvGameEvent::KeyDown, kUp = c_RvGameEvent::KeyUp,
              kChar = c_RvGameEvent::KeyChar;

// A host whose joystick units answer as scripted.
class ScriptedHost : public RvGame {
 public:
  int units = 0, button = 5;
  bool PollJoystick(int unit, Array<float>, Array<float>, Array<float>,
                    Array<bool> buttons) override {
    for (int b = 0; b < buttons.Length(); ++b) buttons[b] = unit < units && b == button;
    return unit < units;
  }
};

class Input : public ::testing::Test {
 protected:
  void SetUp() override {
    dev = (new c_InputDevice())->m_new();
    rv_input_SetInputDevice(dev);
  }
  void TearDown() override { rv_input_SetInputDevice(nullptr); }
  void Press(int key) { dev->p_KeyEvent(kDown, key); }
  void Release(int key) { dev->p_KeyEvent(kUp, key); }
  c_InputDevice* dev;
};

TEST_F(Input, HitsCountPressesOfOneUpdateWithinTheQueues) {
  Press(65);
  Press(65);  // auto-repeat
  Press(32), Release(32), Press(32);
  EXPECT_EQ(rv_input_KeyHit(65) * 10 + rv_input_KeyHit(32), 12);
  dev->p_EndUpdate();
  EXPECT_TRUE(rv_input_KeyDown(65));  // held across updates, no new hit
  EXPECT_EQ(rv_input_KeyHit(65), 0);
  for (int i = 0; i < 40; ++i) Press(100 + i), dev->p_KeyEvent(kChar, 'a' + i);
  for (int i = 0; i < 40; ++i)
    ASSERT_EQ(rv_input_KeyDown(100 + i) * 10 + rv_input_KeyHit(100 + i), i < 33 ? 11 : 10) << i;
  std::vector<int> chars;
  while (int c = rv_input_GetChar()) chars.push_back(c);
  EXPECT_EQ(chars.size() * 1000 + chars.back(), 32 * 1000 + 'a' + 31u);
  dev->p_EndUpdate();
  EXPECT_EQ(rv_input_KeyHit(100) + rv_input_GetChar(), 0);
  // The left button and the first finger are one key; its mirror may find no room.
  for (int i = 0; i < 32; ++i) Press(200 + i);
  dev->p_MouseEvent(c_RvGameEvent::MouseDown, 0, 10, 20);
  EXPECT_EQ(rv_input_KeyHit(1) * 10 + rv_input_KeyHit(384), 10);
  EXPECT_TRUE(rv_input_KeyDown(384));
  dev->p_MouseEvent(c_RvGameEvent::MouseUp, 0, 99, 99);
  EXPECT_FALSE(rv_input_KeyDown(1) || rv_input_KeyDown(384));
  dev->p_TouchEvent(c_RvGameEvent::TouchDown, 3, 50, 60);
  EXPECT_EQ(rv_input_MouseX(), 10);  // neither a release nor finger 3 moves the pointer
  EXPECT_TRUE(rv_input_KeyDown(387));
}

TEST_F(Input, EverythingOutsideTheKeySpaceIsIgnored) {
  const std::pair<int, bool> keys[] = {{INT_MIN, false}, {-7, false},    {-1, false},
                                       {0, false},       {1, true},      {511, true},
                                       {512, false},     {100000, false}};
  for (auto [key, valid] : keys) {
    Press(key);
    EXPECT_EQ(rv_input_KeyDown(key) * 10 + rv_input_KeyHit(key), valid ? 11 : 0) << key;
    Release(key);
    EXPECT_FALSE(rv_input_KeyDown(key));
  }
  const std::pair<int, bool> buttons[] = {{-2, false}, {-1, false},  {0, true},
                                          {510, true}, {511, false}, {600, false}};
  for (auto [button, valid] : buttons) {
    dev->p_MouseEvent(c_RvGameEvent::MouseDown, button, 3, 4);
    EXPECT_EQ(rv_input_MouseDown(button), valid) << button;
  }
  for (int finger : {-1, 32}) dev->p_TouchEvent(c_RvGameEvent::TouchDown, finger, 3, 4);
  const std::pair<int, int> joys[] = {{0, -1}, {0, 16}, {32, 0}, {-1, 0}};
  for (auto [button, unit] : joys)
    EXPECT_FALSE(rv_input_JoyDown(button, unit)) << button << " " << unit;
  for (auto [index, unit] : {std::pair{0, 9}, {0, -1}, {2, 0}, {-1, 0}}) {
    EXPECT_EQ(rv_input_JoyX(index, unit) + rv_input_JoyY(index, unit), 0) << index << " " << unit;
  }
}

TEST(InputModule, KeepsItsStateThroughCollections) {
  c_InputDevice* dev = (new c_InputDevice())->m_new();
  rv_input_SetInputDevice(dev);
  dev->p_KeyEvent(kDown, 70);
  dev->p_KeyEvent(kChar, 'f');
  dev->_joyStates[3]->joyz[1] = 0.5f;
  ForceCollection(3);
  EXPECT_TRUE(gc_is_live(dev->_joyStates[3]));
  EXPECT_TRUE(rv_input_KeyDown(70));
  EXPECT_EQ(rv_input_GetChar(), 'f');
  EXPECT_EQ(dev->_joyStates[3]->joyz[1], 0.5f);
  rv_input_SetInputDevice(nullptr);
}

class RecordingApp : public c_App {
 public:
  std::vector<std::string> log;
  int p_OnUpdate() override {
    log.push_back("hit65=" + std::to_string(rv_input_KeyHit(65)) +
                  " down256=" + std::to_string(rv_input_KeyDown(256)) +
                  " chars=" + std::to_string(rv_input_GetChar()));
    return 0;
  }
};

class AppModule : public ::testing::Test {
 protected:
  void SetUp() override { rvInit(); }  // fresh module globals; the host is this one
  ScriptedHost host;
};

TEST_F(AppModule, TheDelegateFeedsInputAndEachUpdateSeesItsOwnHits) {
  RecordingApp* app = new RecordingApp();
  app->m_new();
  EXPECT_EQ(rv_app__app, app);
  c_GameDelegate* delegate = rv_app__delegate;
  EXPECT_EQ(host.Delegate(), delegate);
  gc_assign(delegate->_input, (new c_InputDevice())->m_new());  // as StartGame makes it
  rv_input_SetInputDevice(delegate->_input);
  host.units = 1;
  host.button = 0;
  delegate->KeyEvent(kDown, 65);
  delegate->KeyEvent(kUp, 65);
  delegate->KeyEvent(kChar, 'a');
  delegate->KeyEvent(kUp, 416);  // the back and close keys end only when pressed
  delegate->KeyEvent(kChar, 432);
  delegate->UpdateGame();
  delegate->UpdateGame();
  EXPECT_EQ(app->log,
            std::vector<std::string>({"hit65=1 down256=1 chars=97", "hit65=0 down256=1 chars=0"}));
  rv_input_SetInputDevice(nullptr);
}

}  // namespace
