// The application layer without a window: the input device as the game polls
// it between two updates, the display-mode containers, and the app module's
// calls through to the host.
#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "app/app.h"
#include "app/containers.h"
#include "app/numeric.h"
#include "support/checks.h"
#include "support/printers.h"

namespace {

using testing_support::ForceCollection;

constexpr int kDown = c_RvGameEvent::KeyDown, kUp = c_RvGameEvent::KeyUp, kChar = c_RvGameEvent::KeyChar;

// A host whose joystick units answer as scripted, above the raw readings.
class ScriptedHost : public RvGame {
 public:
  std::vector<std::pair<int, int>> modes;
  bool hasDesktop = true;
  int width = 640, height = 480, clock = 0, units = 0, button = 5;
  std::vector<int> polled;
  std::vector<std::string> saved;
  String stored;
  Array<RvDisplayMode*> GetDisplayModes() override {
    Array<RvDisplayMode*> out((int)modes.size());
    for (int i = 0; i < (int)modes.size(); ++i) gc_assign(out[i], Mode(modes[i]));
    return out;
  }
  RvDisplayMode* GetDesktopMode() override { return hasDesktop ? Mode({1920, 1080}) : nullptr; }
  int GetDeviceWidth() override { return width; }
  int GetDeviceHeight() override { return height; }
  int Millisecs() override { return clock; }
  int SaveState(String state) override {
    saved.push_back(state.ToUtf8());
    return -1;
  }
  String LoadState() override { return stored; }
  bool PollJoystick(int unit, Array<float>, Array<float>, Array<float>, Array<bool> buttons) override {
    polled.push_back(unit);
    for (int b = 0; b < buttons.Length(); ++b) buttons[b] = unit < units && b == button;
    return unit < units;
  }
  static RvDisplayMode* Mode(std::pair<int, int> size) {
    RvDisplayMode* m = new RvDisplayMode();
    m->width = size.first, m->height = size.second;
    return m;
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

TEST_F(Input, HeldKeysHitOnceAndHitsLastOneUpdate) {
  Press(65);
  Press(65);  // auto-repeat
  Press(32);
  Release(32);
  Press(32);
  EXPECT_EQ(rv_input_KeyHit(65), 1);
  EXPECT_EQ(rv_input_KeyHit(32), 2);
  dev->p_EndUpdate();
  EXPECT_TRUE(rv_input_KeyDown(65));  // held across updates
  EXPECT_EQ(rv_input_KeyHit(65), 0);
  Release(65);
  Release(65);  // a stray release changes nothing
  EXPECT_FALSE(rv_input_KeyDown(65));
}

TEST_F(Input, QueuesHoldThirtyThreeHitsAndThirtyTwoCharactersPerUpdate) {
  for (int i = 0; i < 40; ++i) Press(60 + i);
  for (int i = 0; i < 40; ++i) dev->p_KeyEvent(kChar, i == 2 ? 65573 : 'a' + i);
  for (int i = 0; i < 40; ++i) {
    EXPECT_TRUE(rv_input_KeyDown(60 + i)) << i;
    EXPECT_EQ(rv_input_KeyHit(60 + i), i < 33 ? 1 : 0) << i;
  }
  std::vector<int> chars;
  while (int c = rv_input_GetChar()) chars.push_back(c);
  ASSERT_EQ(chars.size(), 32u);
  EXPECT_EQ(chars[2], 65573);
  EXPECT_EQ(chars[31], 'a' + 31);
  dev->p_EndUpdate();
  EXPECT_EQ(rv_input_KeyHit(60), 0);
  EXPECT_EQ(rv_input_GetChar(), 0);
  Release(99);
  Press(99);
  EXPECT_EQ(rv_input_KeyHit(99), 1);
}

TEST_F(Input, TheLeftButtonAndTheFirstFingerAreOneKey) {
  dev->p_MouseEvent(c_RvGameEvent::MouseDown, 0, 10, 20);
  EXPECT_TRUE(rv_input_KeyDown(1) && rv_input_KeyDown(384));
  EXPECT_EQ(rv_input_MouseHit(0), 1);
  dev->p_MouseEvent(c_RvGameEvent::MouseUp, 0, 99, 99);
  EXPECT_FALSE(rv_input_KeyDown(1) || rv_input_KeyDown(384));
  EXPECT_EQ(rv_input_MouseX(), 10);  // a release does not move the pointer
  dev->p_TouchEvent(c_RvGameEvent::TouchDown, 3, 50, 60);
  EXPECT_TRUE(rv_input_KeyDown(387));
  EXPECT_EQ(rv_input_MouseX(), 10);  // only finger 0 moves the pointer
  dev->p_TouchEvent(c_RvGameEvent::TouchMove, 0, 1, 2);
  EXPECT_EQ(rv_input_MouseY(), 2);
  dev->p_EndUpdate();
  for (int i = 0; i < 32; ++i) Press(100 + i);
  dev->p_MouseEvent(c_RvGameEvent::MouseDown, 0, 0, 0);
  EXPECT_EQ(rv_input_KeyHit(1), 1);    // the 33rd hit
  EXPECT_EQ(rv_input_KeyHit(384), 0);  // its mirror finds no room
  EXPECT_TRUE(rv_input_KeyDown(384));
  dev->p_MotionEvent(c_RvGameEvent::MotionAccel, 0, 0.1f, -0.2f, 0.9f);
  EXPECT_EQ(rv_input_AccelY(), -0.2f);
}

TEST_F(Input, EverythingOutsideTheKeySpaceIsIgnored) {
  struct Case {
    int key;
    bool valid;
  };
  const Case keys[] = {{INT_MIN, false}, {-7, false}, {-1, false}, {0, false},
                       {1, true},        {511, true}, {512, false}, {100000, false}};
  for (const Case& c : keys) {
    Press(c.key);
    EXPECT_EQ(rv_input_KeyDown(c.key), c.valid) << c.key;
    EXPECT_EQ(rv_input_KeyHit(c.key), c.valid ? 1 : 0) << c.key;
    Release(c.key);
    EXPECT_FALSE(rv_input_KeyDown(c.key));
  }
  const std::pair<int, bool> buttons[] = {{-2, false}, {-1, false}, {0, true}, {510, true}, {511, false}, {600, false}};
  for (auto [button, valid] : buttons) {
    dev->p_MouseEvent(c_RvGameEvent::MouseDown, button, 3, 4);
    EXPECT_EQ(rv_input_MouseDown(button), valid) << button;
  }
  for (int finger : {-1, 32}) dev->p_TouchEvent(c_RvGameEvent::TouchDown, finger, 3, 4);
  const std::pair<int, int> joys[] = {{0, -1}, {0, 16}, {32, 0}, {-1, 0}};
  for (auto [button, unit] : joys) EXPECT_FALSE(rv_input_JoyDown(button, unit)) << button << " " << unit;
  for (auto [index, unit] : {std::pair{0, 9}, {0, -1}, {2, 0}, {-1, 0}}) {
    EXPECT_EQ(rv_input_JoyX(index, unit) + rv_input_JoyY(index, unit), 0) << index << " " << unit;
  }
}

TEST_F(Input, JoystickButtonsBecomeKeysOncePerUpdateUpToTheFirstMissingUnit) {
  ScriptedHost host;
  host.units = 2;
  for (int update = 0; update < 2; ++update) {
    host.polled.clear();
    dev->p_BeginUpdate();
    EXPECT_EQ(host.polled, (std::vector<int>{0, 1, 2}));
    EXPECT_TRUE(rv_input_JoyDown(5, 1));
    EXPECT_EQ(rv_input_JoyHit(5, 1), update == 0 ? 1 : 0);  // held: one hit
    EXPECT_FALSE(rv_input_JoyDown(5, 2));
    EXPECT_TRUE(rv_input_KeyDown(256 + 32 + 5));
    dev->p_EndUpdate();
  }
  host.button = -1;
  dev->p_BeginUpdate();
  EXPECT_FALSE(rv_input_JoyDown(5, 1));
  dev->p_EndUpdate();
  rv_input_EnableKeyboard();
  EXPECT_TRUE(host.KeyboardEnabled());
  rv_input_DisableKeyboard();
  EXPECT_FALSE(host.KeyboardEnabled());
}

TEST(InputModule, AnswersNothingWithoutADeviceAndKeepsItsStateThroughCollections) {
  rv_input_SetInputDevice(nullptr);
  EXPECT_FALSE(rv_input_KeyDown(65));
  EXPECT_EQ(rv_input_GetChar(), 0);
  EXPECT_EQ(rv_input_JoyX(0, 0), 0);
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

// ---- Containers ---------------------------------------------------------------------

c_IntMap* root_map = nullptr;
c_Stack* root_stack = nullptr;
rv_module container_roots(1000, nullptr, [] {
  gc_mark_q(root_map);
  gc_mark_q(root_stack);
});

// Order, parent links and the red-black rules below `node`; returns the
// black height (nulls count one).
int CheckTree(c_Node* node, c_Node* parent, long long low, long long high, int* count) {
  if (!node) return 1;
  ++*count;
  EXPECT_EQ(node->m_parent, parent);
  EXPECT_TRUE(node->m_key > low && node->m_key < high);
  if (node->m_color == c_Node::kRed) {
    for (c_Node* child : {node->m_left, node->m_right}) EXPECT_TRUE(!child || child->m_color == c_Node::kBlack);
  }
  int left = CheckTree(node->m_left, node, low, node->m_key, count);
  EXPECT_EQ(left, CheckTree(node->m_right, node, node->m_key, high, count));
  return left + (node->m_color == c_Node::kBlack);
}

int CheckMap(c_Map* map) {
  int count = 0;
  if (map->m_root) EXPECT_EQ(map->m_root->m_color, c_Node::kBlack);
  CheckTree(map->m_root, nullptr, (long long)INT_MIN - 1, (long long)INT_MAX + 1, &count);
  return count;
}

TEST(Containers, TheMapAgreesWithStdMapAndStaysBalanced) {
  std::mt19937 rng(20240611);
  // Dense keys with repeats, sorted runs, and the whole int range (key
  // differences that overflow an int).
  const std::pair<int, int> ranges[] = {{0, 200}, {0, 0x7fffffff}, {INT_MIN, INT_MAX}};
  for (auto [low, high] : ranges) {
    gc_assign(root_map, (new c_IntMap())->m_new());
    std::map<int, c_DisplayMode*> reference;
    std::uniform_int_distribution<int> keys(low, high);
    for (int i = 0; i < 3000; ++i) {
      int key = i < 500 ? low + i : keys(rng);
      c_DisplayMode* value = (new c_DisplayMode())->m_new(i, key);
      bool fresh = reference.count(key) == 0;
      reference[key] = value;
      ASSERT_EQ(root_map->p_Set(key, value), fresh) << key;
      if (i % 500 == 0) ForceCollection(1, false);
    }
    ASSERT_EQ(CheckMap(root_map), (int)reference.size());
    for (auto& [key, value] : reference) ASSERT_EQ(root_map->p_Get(key), value);
    for (int i = 0; i < 1000; ++i) {
      int key = keys(rng);
      EXPECT_EQ(root_map->p_Contains(key), reference.count(key) == 1) << key;
    }
  }
  root_map = nullptr;
}

TEST(Containers, TheStackGrowsAndGivesAnExactArray) {
  gc_assign(root_stack, (new c_Stack())->m_new());
  EXPECT_EQ(root_stack->p_ToArray().Length(), 0);
  std::vector<c_DisplayMode*> pushed;
  for (int i = 0; i < 75; ++i) {
    pushed.push_back((new c_DisplayMode())->m_new(i, 2 * i));
    root_stack->p_Push(pushed.back());
    if (i % 20 == 0) ForceCollection();
  }
  Array<c_DisplayMode*> out = root_stack->p_ToArray();
  ASSERT_EQ(out.Length(), 75);
  for (int i = 0; i < 75; ++i) EXPECT_EQ(out[i], pushed[i]);
  root_stack = nullptr;
}

// ---- The app module -----------------------------------------------------------------

class RecordingApp : public c_App {
 public:
  std::vector<std::string> log;
  int p_OnUpdate() override {
    log.push_back("hit65=" + std::to_string(rv_input_KeyHit(65)) + " down256=" +
                  std::to_string(rv_input_KeyDown(256)) + " chars=" + std::to_string(rv_input_GetChar()) +
                  " w=" + std::to_string(rv_app_DeviceWidth()));
    return 0;
  }
};

class AppModule : public ::testing::Test {
 protected:
  void SetUp() override { rvInit(); }  // fresh module globals; the host is this one
  std::vector<std::pair<int, int>> Modes() {
    std::vector<std::pair<int, int>> out;
    for (int i = 0; i < rv_app__displayModes.Length(); ++i) {
      out.emplace_back(rv_app__displayModes[i]->width, rv_app__displayModes[i]->height);
    }
    return out;
  }
  ScriptedHost host;
};

TEST_F(AppModule, DisplayModesAreDistinctInFirstSeenOrderAndSurviveCollections) {
  host.modes = {{1024, 768}, {480, 640}, {1024, 768}, {640, 480}, {480, 640}, {70000, 5}};
  rv_app_EnumDisplayModes();
  ForceCollection(3);
  EXPECT_EQ(Modes(), (std::vector<std::pair<int, int>>{{1024, 768}, {480, 640}, {640, 480}, {70000, 5}}));
  EXPECT_EQ(rv_app__desktopMode->width, 1920);
  host.modes.clear();
  host.hasDesktop = false;  // the device size stands in
  host.width = 800;
  rv_app_ValidateDeviceWindow(false);
  rv_app_EnumDisplayModes();
  EXPECT_EQ(rv_app__displayModes.Length(), 0);
  EXPECT_EQ(rv_app__desktopMode->width, 800);
}

TEST_F(AppModule, CallsReachTheHostAndTheSizeIsReadOncePerValidation) {
  rv_app_ValidateDeviceWindow(false);
  host.width = 1280;
  EXPECT_EQ(rv_app_DeviceWidth(), 640);
  rv_app_ValidateDeviceWindow(true);
  EXPECT_EQ(rv_app_DeviceWidth(), 1280);
  rv_app_SetUpdateRate(5);
  EXPECT_EQ(host.UpdateRate(), 5);
  host.clock = 123456;
  EXPECT_EQ(rv_app_Millisecs(), 123456);
  EXPECT_EQ(rv_app_SaveState(String("a|b")), 0);  // the host's failure is not the game's
  EXPECT_EQ(host.saved, std::vector<std::string>({"a|b"}));
  host.stored = String("saved text");
  EXPECT_EQ(rv_app_LoadState(), String("saved text"));
}

TEST(Random, DrawsStayInRangeAndEachAdvancesTheStateOnce) {
  for (uint32_t seed : {0u, 1234u, 0x7fffffffu, 0xffffffffu}) {
    rv_random_Seed = seed;
    float u = rv_random_Rnd();
    uint32_t afterOne = rv_random_Seed;
    EXPECT_NE(afterOne, seed);
    EXPECT_TRUE(u >= 0 && u < 1) << seed;
    rv_random_Seed = seed;
    EXPECT_EQ(rv_random_Rnd2(10.0f, 20.0f), 10.0f + 10.0f * u);
    EXPECT_EQ(rv_random_Seed, afterOne);
    rv_random_Seed = seed;
    EXPECT_EQ(rv_random_Rnd3(4.0f), 4.0f * u);
  }
  for (int i = 0; i < 100000; ++i) ASSERT_LT(rv_random_Rnd(), 1.0f);
  EXPECT_EQ(rv_math_Abs(INT_MIN), INT_MIN);  // no overflow trap
}

TEST_F(AppModule, TheDelegateFeedsInputAndEachUpdateSeesItsOwnHits) {
  RecordingApp* app = new RecordingApp();
  app->m_new();
  EXPECT_EQ(rv_app__app, app);
  c_GameDelegate* delegate = rv_app__delegate;
  EXPECT_EQ(host.Delegate(), delegate);
  gc_assign(delegate->_input, (new c_InputDevice())->m_new());  // as StartGame makes it
  rv_input_SetInputDevice(delegate->_input);
  host.width = 800;
  host.units = 1;
  host.button = 0;
  delegate->KeyEvent(kDown, 65);
  delegate->KeyEvent(kUp, 65);
  delegate->KeyEvent(kChar, 'a');
  delegate->KeyEvent(kUp, 416);  // the back and close keys end only when pressed
  delegate->KeyEvent(kChar, 432);
  delegate->UpdateGame();
  delegate->UpdateGame();
  EXPECT_EQ(app->log, std::vector<std::string>({"hit65=1 down256=1 chars=97 w=800",
                                                "hit65=0 down256=1 chars=0 w=800"}));
  rv_input_SetInputDevice(nullptr);
}

}  // namespace
