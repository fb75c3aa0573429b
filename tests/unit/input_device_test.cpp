// The input device as the game polls it between two updates: held keys and
// hit counts, the mirrored pointer keys, the bounded hit and character
// queues, the module's query functions, and joystick buttons turned into keys.
#include <gtest/gtest.h>

#include <vector>

#include "app/input.h"
#include "support/input_pads.h"

namespace {

using testing_support::PadHost;

constexpr int kDown = c_RvGameEvent::KeyDown;
constexpr int kUp = c_RvGameEvent::KeyUp;
constexpr int kChar = c_RvGameEvent::KeyChar;

class InputDevice : public ::testing::Test {
 protected:
  c_InputDevice* dev = nullptr;
  void SetUp() override {
    dev = (new c_InputDevice())->m_new();
    rv_input_SetInputDevice(dev);
  }
  void TearDown() override { rv_input_SetInputDevice(nullptr); }
  void Press(int key) { dev->p_KeyEvent(kDown, key); }
  void Release(int key) { dev->p_KeyEvent(kUp, key); }
  void Update() {
    dev->p_BeginUpdate();
    dev->p_EndUpdate();
  }
};

TEST_F(InputDevice, HeldKeyIsDownAndHitOnceDespiteRepeats) {
  Press(65);
  Press(65);  // auto-repeat
  Press(65);
  EXPECT_TRUE(rv_input_KeyDown(65));
  EXPECT_EQ(rv_input_KeyHit(65), 1);
  dev->p_EndUpdate();
  EXPECT_TRUE(rv_input_KeyDown(65));  // held across updates
  EXPECT_EQ(rv_input_KeyHit(65), 0);
  Release(65);
  EXPECT_FALSE(rv_input_KeyDown(65));
  Release(65);  // a stray release changes nothing
  EXPECT_FALSE(rv_input_KeyDown(65));
}

TEST_F(InputDevice, PressReleasePressBeforeAnUpdateCountsTwoHits) {
  Press(32);
  Release(32);
  Press(32);
  EXPECT_EQ(rv_input_KeyHit(32), 2);
  EXPECT_TRUE(rv_input_KeyDown(32));
}

TEST_F(InputDevice, HitsAreClearedAfterEachUpdate) {
  Press(37);
  Release(37);
  Press(13);
  EXPECT_EQ(rv_input_KeyHit(37), 1);
  dev->p_EndUpdate();
  EXPECT_EQ(rv_input_KeyHit(37), 0);
  EXPECT_EQ(rv_input_KeyHit(13), 0);
  EXPECT_EQ(dev->_keyHitPut, 0);
  Press(37);
  EXPECT_EQ(rv_input_KeyHit(37), 1);
}

TEST_F(InputDevice, HitQueueKeepsThirtyThreeHitsPerUpdate) {
  for (int i = 0; i < 40; ++i) Press(60 + i);
  for (int i = 0; i < 40; ++i) {
    EXPECT_TRUE(rv_input_KeyDown(60 + i)) << i;  // every key is down
    EXPECT_EQ(rv_input_KeyHit(60 + i), i < 33 ? 1 : 0) << i;
  }
  dev->p_EndUpdate();
  for (int i = 0; i < 40; ++i) EXPECT_EQ(rv_input_KeyHit(60 + i), 0) << i;
  Release(99);
  Press(99);
  EXPECT_EQ(rv_input_KeyHit(99), 1);  // counted again in the next update
}

TEST_F(InputDevice, LeftMouseButtonAndFirstFingerAreOneKey) {
  dev->p_MouseEvent(c_RvGameEvent::MouseDown, 0, 10, 20);
  EXPECT_TRUE(rv_input_KeyDown(1));
  EXPECT_TRUE(rv_input_KeyDown(384));
  EXPECT_EQ(rv_input_KeyHit(1), 1);
  EXPECT_EQ(rv_input_KeyHit(384), 1);
  EXPECT_TRUE(rv_input_MouseDown(0));
  EXPECT_EQ(rv_input_MouseHit(0), 1);
  EXPECT_EQ(rv_input_MouseX(), 10);
  EXPECT_EQ(dev->_touchY[0], 20);
  dev->p_MouseEvent(c_RvGameEvent::MouseUp, 0, 99, 99);
  EXPECT_FALSE(rv_input_KeyDown(1));
  EXPECT_FALSE(rv_input_KeyDown(384));
  EXPECT_EQ(rv_input_MouseX(), 10);  // a release does not move the pointer
  dev->p_EndUpdate();

  dev->p_TouchEvent(c_RvGameEvent::TouchDown, 0, 5, 6);
  EXPECT_TRUE(rv_input_MouseDown(0));
  EXPECT_EQ(rv_input_MouseHit(0), 1);
  EXPECT_EQ(rv_input_MouseY(), 6);
  dev->p_TouchEvent(c_RvGameEvent::TouchUp, 0, 0, 0);
  EXPECT_FALSE(rv_input_KeyDown(1));
  EXPECT_FALSE(rv_input_KeyDown(384));
}

TEST_F(InputDevice, OtherButtonsAndFingersAreNotMirrored) {
  dev->p_MouseEvent(c_RvGameEvent::MouseDown, 1, 0, 0);
  dev->p_MouseEvent(c_RvGameEvent::MouseDown, 2, 0, 0);
  EXPECT_TRUE(rv_input_KeyDown(2));
  EXPECT_TRUE(rv_input_KeyDown(3));
  EXPECT_FALSE(rv_input_KeyDown(1));
  EXPECT_FALSE(rv_input_KeyDown(384));

  dev->p_MouseEvent(c_RvGameEvent::MouseMove, -1, 7, 8);
  dev->p_TouchEvent(c_RvGameEvent::TouchDown, 3, 50, 60);
  EXPECT_TRUE(rv_input_KeyDown(387));
  EXPECT_FALSE(rv_input_KeyDown(1));
  EXPECT_EQ(dev->_touchX[3], 50);
  EXPECT_EQ(rv_input_MouseX(), 7);  // only finger 0 moves the mouse
  dev->p_TouchEvent(c_RvGameEvent::TouchMove, 3, 51, 61);
  EXPECT_EQ(dev->_touchY[3], 61);
  dev->p_TouchEvent(c_RvGameEvent::TouchMove, 0, 1, 2);
  EXPECT_EQ(rv_input_MouseX(), 1);
  EXPECT_EQ(rv_input_MouseY(), 2);
}

TEST_F(InputDevice, MirroredHitIsDroppedWhenTheQueueIsFull) {
  for (int i = 0; i < 32; ++i) Press(100 + i);
  dev->p_MouseEvent(c_RvGameEvent::MouseDown, 0, 0, 0);
  EXPECT_EQ(rv_input_KeyHit(1), 1);    // the 33rd hit
  EXPECT_EQ(rv_input_KeyHit(384), 0);  // no room left
  EXPECT_TRUE(rv_input_KeyDown(384));
}

TEST_F(InputDevice, CharactersComeInTypingOrderThenZero) {
  for (int c : std::vector<int>{'H', 'i', 65573, 127}) dev->p_KeyEvent(kChar, c);
  std::vector<int> got;
  while (int c = rv_input_GetChar()) got.push_back(c);
  EXPECT_EQ(got, std::vector<int>({'H', 'i', 65573, 127}));
  EXPECT_EQ(rv_input_GetChar(), 0);
}

TEST_F(InputDevice, CharacterQueueHoldsThirtyTwoPerUpdate) {
  for (int i = 0; i < 40; ++i) dev->p_KeyEvent(kChar, 'a' + i);
  int count = 0, last = 0;
  while (int c = rv_input_GetChar()) {
    ++count;
    last = c;
  }
  EXPECT_EQ(count, 32);
  EXPECT_EQ(last, 'a' + 31);
  dev->p_EndUpdate();
  EXPECT_EQ(rv_input_GetChar(), 0);  // nothing left over for the next update
  dev->p_KeyEvent(kChar, 'z');
  EXPECT_EQ(rv_input_GetChar(), 'z');
}

TEST_F(InputDevice, QueriesOutsideTheKeySpaceAnswerNothing) {
  Press(0);
  Press(511);
  EXPECT_FALSE(rv_input_KeyDown(0));
  EXPECT_EQ(rv_input_KeyHit(0), 0);
  EXPECT_FALSE(rv_input_KeyDown(512));
  EXPECT_EQ(rv_input_KeyHit(512), 0);
  EXPECT_FALSE(rv_input_KeyDown(-1));
  EXPECT_TRUE(rv_input_KeyDown(511));
  EXPECT_FALSE(rv_input_MouseDown(-1));
  EXPECT_EQ(rv_input_MouseHit(-1), 0);
  EXPECT_TRUE(rv_input_MouseDown(510));  // key 511
  EXPECT_FALSE(rv_input_MouseDown(511));
}

TEST_F(InputDevice, EventsOutsideTheKeySpaceAreIgnored) {
  Press(512);
  Press(-7);
  Press(100000);
  Release(-1);
  dev->p_MouseEvent(c_RvGameEvent::MouseDown, 600, 3, 4);
  dev->p_MouseEvent(c_RvGameEvent::MouseDown, -2, 3, 4);
  dev->p_TouchEvent(c_RvGameEvent::TouchDown, 32, 3, 4);
  dev->p_TouchEvent(c_RvGameEvent::TouchDown, -1, 3, 4);
  EXPECT_EQ(dev->_keyHitPut, 0);
  EXPECT_EQ(rv_input_MouseX(), 0);
}

TEST_F(InputDevice, JoystickQueriesReadTheJoystickKeys) {
  Press(291);
  EXPECT_TRUE(rv_input_JoyDown(3, 1));
  EXPECT_EQ(rv_input_JoyHit(3, 1), 1);
  EXPECT_FALSE(rv_input_JoyDown(3, 0));
  Press(256 + 3 * 32 + 31);
  EXPECT_TRUE(rv_input_JoyDown(31, 3));
  Press(256);
  EXPECT_TRUE(rv_input_JoyDown(0, 0));
  EXPECT_FALSE(rv_input_JoyDown(0, 16));  // key 768, outside the key space
  EXPECT_FALSE(rv_input_JoyDown(0, -1));
  dev->_joyStates[2]->joyx[1] = 0.5f;
  dev->_joyStates[2]->joyy[0] = -0.25f;
  EXPECT_EQ(rv_input_JoyX(1, 2), 0.5f);
  EXPECT_EQ(rv_input_JoyY(0, 2), -0.25f);
}

TEST_F(InputDevice, AccelerometerFollowsMotionEvents) {
  dev->p_MotionEvent(c_RvGameEvent::MotionAccel, 0, 0.1f, -0.2f, 0.9f);
  EXPECT_EQ(rv_input_AccelX(), 0.1f);
  EXPECT_EQ(rv_input_AccelY(), -0.2f);
  EXPECT_EQ(dev->_accelZ, 0.9f);
  dev->p_MotionEvent(c_RvGameEvent::TouchMove, 0, 5, 5, 5);
  EXPECT_EQ(rv_input_AccelX(), 0.1f);
}

TEST_F(InputDevice, KeyboardSwitchReachesTheHost) {
  PadHost host;
  rv_input_EnableKeyboard();
  EXPECT_TRUE(host.KeyboardEnabled());
  rv_input_DisableKeyboard();
  EXPECT_FALSE(host.KeyboardEnabled());
  dev->p_SetKeyboardEnabled(true);
  EXPECT_TRUE(host.KeyboardEnabled());
}

TEST_F(InputDevice, JoystickButtonsBecomeKeysOncePerUpdate) {
  PadHost host;
  host.Plug(4, 6, 12).Press(0);  // unit 0, framework button 2
  host.Plug(7, 5, 14).Press(8);  // unit 1, layout A framework button 12
  dev->p_BeginUpdate();
  EXPECT_TRUE(rv_input_JoyDown(2, 0));
  EXPECT_EQ(rv_input_JoyHit(2, 0), 1);
  EXPECT_TRUE(rv_input_KeyDown(256 + 32 + 12));
  EXPECT_EQ(rv_input_JoyHit(12, 1), 1);
  dev->p_EndUpdate();

  Update();  // still held: no new hit
  dev->p_BeginUpdate();
  EXPECT_TRUE(rv_input_JoyDown(2, 0));
  EXPECT_EQ(rv_input_JoyHit(2, 0), 0);
  dev->p_EndUpdate();

  host.pads.at(4).Press(0, false);
  dev->p_BeginUpdate();
  EXPECT_FALSE(rv_input_JoyDown(2, 0));
  EXPECT_TRUE(rv_input_JoyDown(12, 1));
  dev->p_EndUpdate();

  host.pads.at(4).Press(0);
  host.pads.at(4).axes[0] = 0.75f;
  dev->p_BeginUpdate();
  EXPECT_EQ(rv_input_JoyHit(2, 0), 1);  // pressed again
  EXPECT_EQ(rv_input_JoyX(0, 0), 0.75f);
  dev->p_EndUpdate();
}

TEST_F(InputDevice, WithoutJoysticksNoJoystickKeyIsEverDown) {
  PadHost host;
  for (int i = 0; i < 3; ++i) Update();
  dev->p_BeginUpdate();
  for (int key = 256; key < 384; ++key) EXPECT_FALSE(rv_input_KeyDown(key)) << key;
  dev->p_EndUpdate();
}

// Every unit is asked (a pad keeps its unit while an earlier one is
// unplugged); a unit that answers false holds no key.
class CountingHost : public RvGame {
 public:
  std::vector<int> polled;
  int units = 0;
  bool PollJoystick(int unit, Array<float>, Array<float>, Array<float>,
                    Array<bool> buttons) override {
    polled.push_back(unit);
    buttons[5] = true;
    return unit < units;
  }
};

TEST_F(InputDevice, AUnitWithoutAJoystickHoldsNoKey) {
  CountingHost host;
  host.units = 2;
  dev->p_BeginUpdate();
  EXPECT_EQ(host.polled, std::vector<int>({0, 1, 2, 3}));
  EXPECT_TRUE(rv_input_JoyDown(5, 1));
  EXPECT_FALSE(rv_input_JoyDown(5, 2));  // the unit answered false
}

TEST(InputModule, AnswersNothingBeforeTheDeviceExists) {
  rv_input_SetInputDevice(nullptr);
  EXPECT_FALSE(rv_input_KeyDown(65));
  EXPECT_EQ(rv_input_KeyHit(65), 0);
  EXPECT_EQ(rv_input_GetChar(), 0);
  EXPECT_FALSE(rv_input_JoyDown(0, 0));
  EXPECT_EQ(rv_input_JoyX(0, 0), 0);
  EXPECT_EQ(rv_input_MouseX(), 0);
}

TEST(InputModule, DeviceSurvivesCollectionsWithItsState) {
  c_InputDevice* dev = (new c_InputDevice())->m_new();
  rv_input_SetInputDevice(dev);
  dev->p_KeyEvent(kDown, 70);
  dev->p_KeyEvent(kChar, 'f');
  dev->_joyStates[3]->joyz[1] = 0.5f;
  for (int i = 0; i < 3; ++i) {
    gc_ext_malloced(kGcBudgetBytes + 1);
    gc_collect();  // a flip, verified when KESTRO_GC_VERIFY=1
    while (gc_free_bytes > 0) (void)Array<char>(4096);
  }
  EXPECT_TRUE(gc_is_live(dev));
  EXPECT_TRUE(gc_is_live(dev->_joyStates[3]));
  EXPECT_TRUE(rv_input_KeyDown(70));
  EXPECT_EQ(rv_input_GetChar(), 'f');
  EXPECT_EQ(rv_input_JoyX(0, 3), 0.0f);
  EXPECT_EQ(dev->_joyStates[3]->joyz[1], 0.5f);
  rv_input_SetInputDevice(nullptr);
}

}  // namespace
