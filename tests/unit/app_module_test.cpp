// The application layer without a window: the app module's calls through to
// the host, display-mode enumeration, the random sequence, registering the
// application, and the delegate's update bracket and ending keys.
#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "app/app.h"

namespace {

class ScriptedHost : public RvGame {
 public:
  std::vector<std::pair<int, int>> modes;
  bool hasDesktop = true;
  int desktopWidth = 1920, desktopHeight = 1080;
  int width = 640, height = 480;
  int clock = 0;
  std::vector<std::string> saved;
  String stored;
  int joyButton = -1;  // unit 0 reports this button pressed

  Array<RvDisplayMode*> GetDisplayModes() override {
    Array<RvDisplayMode*> out((int)modes.size());
    for (int i = 0; i < (int)modes.size(); ++i) {
      RvDisplayMode* m = new RvDisplayMode();
      m->width = modes[i].first;
      m->height = modes[i].second;
      gc_assign(out[i], m);
    }
    return out;
  }
  RvDisplayMode* GetDesktopMode() override {
    if (!hasDesktop) return nullptr;
    RvDisplayMode* m = new RvDisplayMode();
    m->width = desktopWidth;
    m->height = desktopHeight;
    return m;
  }
  int GetDeviceWidth() override { return width; }
  int GetDeviceHeight() override { return height; }
  int Millisecs() override { return clock; }
  int SaveState(String state) override {
    saved.push_back(state.ToUtf8());
    return -1;  // a failure, passed on to the caller
  }
  String LoadState() override { return stored; }
  bool PollJoystick(int unit, Array<float>, Array<float>, Array<float>,
                    Array<bool> buttons) override {
    if (unit != 0 || joyButton < 0) return false;
    buttons[joyButton] = true;
    return true;
  }
};

// Records what it sees in its callbacks.
class RecordingApp : public c_App {
 public:
  std::vector<std::string> log;

  RecordingApp* m_new() {
    c_App::m_new();
    return this;
  }
  int p_OnUpdate() override {
    log.push_back("update hit65=" + std::to_string(rv_input_KeyHit(65)) +
                  " down256=" + std::to_string(rv_input_KeyDown(256)) +
                  " chars=" + std::to_string(rv_input_GetChar()) +
                  " w=" + std::to_string(rv_app_DeviceWidth()));
    return 0;
  }
};

class AppModule : public ::testing::Test {
 protected:
  ScriptedHost host;
  void SetUp() override { rvInit(); }  // fresh module globals; the host is this one
};

std::vector<std::pair<int, int>> Modes() {
  std::vector<std::pair<int, int>> out;
  for (int i = 0; i < rv_app__displayModes.Length(); ++i) {
    out.emplace_back(rv_app__displayModes[i]->width, rv_app__displayModes[i]->height);
  }
  return out;
}

TEST_F(AppModule, DisplayModesAreDistinctInFirstSeenOrder) {
  ASSERT_EQ(rv_app__game, &host);
  host.modes = {{640, 480}, {800, 600}, {640, 480}};
  rv_app_EnumDisplayModes();
  EXPECT_EQ(Modes(), (std::vector<std::pair<int, int>>{{640, 480}, {800, 600}}));

  host.modes = {{1024, 768}, {480, 640}, {1024, 768}, {640, 480}, {480, 640}, {70000, 5}};
  rv_app_EnumDisplayModes();
  EXPECT_EQ(Modes(), (std::vector<std::pair<int, int>>{
                         {1024, 768}, {480, 640}, {640, 480}, {70000, 5}}));

  host.modes.clear();
  rv_app_EnumDisplayModes();
  EXPECT_EQ(rv_app__displayModes.Length(), 0);
}

TEST_F(AppModule, DesktopModeFallsBackToTheDeviceSize) {
  rv_app_EnumDisplayModes();
  ASSERT_NE(rv_app__desktopMode, nullptr);
  EXPECT_EQ(rv_app__desktopMode->width, 1920);
  EXPECT_EQ(rv_app__desktopMode->height, 1080);

  host.hasDesktop = false;
  host.width = 800;
  host.height = 600;
  rv_app_ValidateDeviceWindow(false);
  rv_app_EnumDisplayModes();
  EXPECT_EQ(rv_app__desktopMode->width, 800);
  EXPECT_EQ(rv_app__desktopMode->height, 600);
}

TEST_F(AppModule, EnumeratedModesSurviveCollections) {
  host.modes = {{640, 480}, {800, 600}};
  rv_app_EnumDisplayModes();
  for (int i = 0; i < 3; ++i) {
    gc_ext_malloced(kGcBudgetBytes + 1);
    gc_collect();
    while (gc_free_bytes > 0) (void)Array<char>(4096);
  }
  EXPECT_EQ(Modes(), (std::vector<std::pair<int, int>>{{640, 480}, {800, 600}}));
  EXPECT_TRUE(gc_is_live(rv_app__desktopMode));
}

TEST_F(AppModule, DeviceSizeIsCachedUntilValidated) {
  rv_app_ValidateDeviceWindow(false);
  EXPECT_EQ(rv_app_DeviceWidth(), 640);
  EXPECT_EQ(rv_app_DeviceHeight(), 480);
  host.width = 1280;
  EXPECT_EQ(rv_app_DeviceWidth(), 640);
  rv_app_ValidateDeviceWindow(true);
  EXPECT_EQ(rv_app_DeviceWidth(), 1280);
  EXPECT_EQ(rv_app_DeviceHeight(), 480);
}

TEST_F(AppModule, RateClockAndStatePassThroughToTheHost) {
  rv_app_SetUpdateRate(60);
  EXPECT_EQ(host.UpdateRate(), 60);
  EXPECT_EQ(rv_app__updateRate, 60);
  rv_app_SetUpdateRate(5);
  EXPECT_EQ(host.UpdateRate(), 5);
  host.clock = 123456;
  EXPECT_EQ(rv_app_Millisecs(), 123456);
  EXPECT_EQ(rv_app_SaveState(String("a|b")), -1);
  EXPECT_EQ(host.saved, std::vector<std::string>({"a|b"}));
  host.stored = String("saved text");
  EXPECT_EQ(rv_app_LoadState(), String("saved text"));
}

TEST(Random, SequenceFromTheStartSeed) {
  rvInit();
  EXPECT_EQ(rv_random_Seed, 1234u);
  uint64_t state = 1234;
  for (int i = 0; i < 1000; ++i) {
    state = (state * 1664525 + 1013904223) % 4294967296ull;
    float expected = (float)(state >> 8) / 16777216.0f;
    float got = rv_random_Rnd();
    ASSERT_EQ(got, expected) << i;
    ASSERT_EQ(rv_random_Seed, state) << i;
    ASSERT_GE(got, 0.0f);
    ASSERT_LT(got, 1.0f);
  }
  rv_random_Seed = 1234;
  float first = rv_random_Rnd();
  EXPECT_EQ(rv_random_Seed, (uint32_t)((1234ull * 1664525 + 1013904223) % 4294967296ull));
  EXPECT_EQ(first, (float)(rv_random_Seed >> 8) / 16777216.0f);
}

TEST(Random, EveryDrawAdvancesTheStateOnce) {
  rv_random_Seed = 99;
  float u = rv_random_Rnd();
  rv_random_Seed = 99;
  EXPECT_EQ(rv_random_Rnd2(10.0f, 20.0f), 10.0f + 10.0f * u);
  uint32_t afterOne = rv_random_Seed;
  rv_random_Seed = 99;
  EXPECT_EQ(rv_random_Rnd3(4.0f), u * 4.0f);
  EXPECT_EQ(rv_random_Seed, afterOne);
  rv_random_Seed = 0xffffffffu;  // the game may store any 32-bit state
  float v = rv_random_Rnd();
  EXPECT_EQ(rv_random_Seed, (uint32_t)(0xffffffffull * 1664525 + 1013904223));
  EXPECT_LT(v, 1.0f);
}

TEST(MathModule, AbsoluteValuesAndMaxima) {
  EXPECT_EQ(rv_math_Abs(-5), 5);
  EXPECT_EQ(rv_math_Abs(7), 7);
  EXPECT_EQ(rv_math_Abs(INT_MIN), INT_MIN);
  EXPECT_EQ(rv_math_Abs2(-2.5f), 2.5f);
  EXPECT_EQ(rv_math_Max(3, -4), 3);
  EXPECT_EQ(rv_math_Max(-3, -3), -3);
  EXPECT_EQ(rv_math_Max2(0.5f, 1.5f), 1.5f);
}

TEST_F(AppModule, AppRegistersItselfAndHandsTheHostADelegate) {
  RecordingApp* app = (new RecordingApp())->m_new();
  EXPECT_EQ(rv_app__app, app);
  ASSERT_NE(rv_app__delegate, nullptr);
  EXPECT_EQ(host.Delegate(), rv_app__delegate);
  EXPECT_EQ(rv_app__delegate->_input, nullptr);  // devices come with StartGame
}

// Death tests run in a child process: route the runtime error's stdout line
// to stderr where the matcher looks, and give the debugger stop no input.
void QuietChild() {
  std::fflush(stdout);
  dup2(2, 1);
  if (!std::freopen("/dev/null", "r", stdin)) std::abort();
}

TEST_F(AppModule, ASecondAppIsARuntimeError) {
  (new RecordingApp())->m_new();
  EXPECT_EXIT(
      {
        QuietChild();
        (new RecordingApp())->m_new();
      },
      ::testing::ExitedWithCode(255), "Kestro Runtime Error : App has already been created");
}

class DelegateTest : public AppModule {
 protected:
  RecordingApp* app = nullptr;
  c_GameDelegate* delegate = nullptr;
  void SetUp() override {
    AppModule::SetUp();
    app = (new RecordingApp())->m_new();
    delegate = rv_app__delegate;
    // The input device alone, as StartGame would make it.
    gc_assign(delegate->_input, (new c_InputDevice())->m_new());
    rv_input_SetInputDevice(delegate->_input);
  }
};

TEST_F(DelegateTest, BackAndCloseKeysEndTheProcessWithZero) {
  EXPECT_EXIT(
      {
        QuietChild();
        delegate->KeyEvent(c_RvGameEvent::KeyDown, 416);
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_EXIT(
      {
        QuietChild();
        delegate->KeyEvent(c_RvGameEvent::KeyDown, 432);
      },
      ::testing::ExitedWithCode(0), "");
  // Already down (the press was lost to a full queue or came twice): still ends.
  delegate->_input->_keyDown[416] = true;
  EXPECT_EXIT(
      {
        QuietChild();
        delegate->KeyEvent(c_RvGameEvent::KeyDown, 416);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(DelegateTest, OtherKeyEventsOnlyFeedTheInputDevice) {
  delegate->KeyEvent(c_RvGameEvent::KeyUp, 416);
  delegate->KeyEvent(c_RvGameEvent::KeyUp, 432);
  delegate->KeyEvent(c_RvGameEvent::KeyChar, 416);
  delegate->KeyEvent(c_RvGameEvent::KeyDown, 415);
  delegate->MouseEvent(c_RvGameEvent::MouseDown, 0, 3, 4);
  delegate->TouchEvent(c_RvGameEvent::TouchDown, 2, 5, 6);
  delegate->MotionEvent(c_RvGameEvent::MotionAccel, 0, 1, 2, 3);
  EXPECT_TRUE(rv_input_KeyDown(415));
  EXPECT_TRUE(rv_input_KeyDown(1));
  EXPECT_TRUE(rv_input_KeyDown(386));
  EXPECT_EQ(rv_input_MouseX(), 3);
  EXPECT_EQ(rv_input_AccelY(), 2);
  EXPECT_EQ(rv_input_GetChar(), 416);
}

TEST_F(DelegateTest, UpdateSeesTheHitsOfItsFrameOnly) {
  host.width = 800;
  delegate->KeyEvent(c_RvGameEvent::KeyDown, 65);
  delegate->KeyEvent(c_RvGameEvent::KeyUp, 65);
  delegate->KeyEvent(c_RvGameEvent::KeyChar, 'a');
  host.joyButton = 0;
  delegate->UpdateGame();
  delegate->UpdateGame();
  EXPECT_EQ(app->log, std::vector<std::string>({
                          "update hit65=1 down256=1 chars=97 w=800",
                          "update hit65=0 down256=1 chars=0 w=800",
                      }));
}

}  // namespace
