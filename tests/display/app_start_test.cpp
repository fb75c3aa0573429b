// The application started by the real desktop host in a real window: the
// devices exist before p_OnCreate, the display modes come from the X screen,
// and renders, updates, suspension and key events reach the application
// through the host's guarded dispatch.
#include <gtest/gtest.h>

#include <GLFW/glfw3.h>

#include <string>
#include <vector>

#include "app/app.h"
#include "audio/sound.h"
#include "graphics/graphics.h"
#include "host/glfw_game.h"
#include "support/xvfb.h"

namespace {

class StartApp : public c_App {
 public:
  std::vector<std::string> log;

  StartApp* m_new() {
    c_App::m_new();
    return this;
  }
  int p_OnCreate() override {
    log.push_back(std::string("create") + (rv_graphics_device ? " graphics" : "") +
                  (rv_audio_device ? " audio" : "") + (rv_input_device ? " input" : "") + " " +
                  std::to_string(rv_app_DeviceWidth()) + "x" +
                  std::to_string(rv_app_DeviceHeight()));
    rv_app_SetUpdateRate(60);
    return 0;
  }
  int p_OnUpdate() override {
    log.push_back("update hit=" + std::to_string(rv_input_KeyHit(70)));
    return 0;
  }
  int p_OnRender() override {
    log.push_back(std::string("render") +
                  (rv_graphics_renderDevice == rv_graphics_device ? " framed" : ""));
    return 0;
  }
  int p_OnSuspend() override {
    log.push_back("suspend");
    return 0;
  }
  int p_OnResume() override {
    log.push_back("resume");
    return 0;
  }
};

class AppStart : public ::testing::Test {
 protected:
  RvKestroGame* host = nullptr;
  void SetUp() override {
    testing_support::StartXvfb();
    ASSERT_TRUE(glfwInit());
    host = new RvKestroGame();
    rvInit();
    host->SetGlfwWindow(640, 480, 8, 8, 8, 0, 0, 0, false);
  }
  void TearDown() override { glfwTerminate(); }
};

TEST_F(AppStart, DevicesAreReadyWhenTheApplicationIsCreated) {
  StartApp* app = (new StartApp())->m_new();
  ASSERT_EQ(host->Delegate(), rv_app__delegate);
  host->StartGame();
  ASSERT_EQ(app->log, std::vector<std::string>({"create graphics audio input 640x480"}));
  EXPECT_EQ(host->UpdateRate(), 60);
  c_GameDelegate* delegate = rv_app__delegate;
  EXPECT_EQ(rv_graphics_device, delegate->_graphics);
  EXPECT_EQ(rv_audio_device, delegate->_audio);
  EXPECT_EQ(rv_input_device, delegate->_input);
  for (int unit = 0; unit < 4; ++unit) EXPECT_NE(rv_input_device->_joyStates[unit], nullptr);

  // Xvfb offers one mode, its screen, which is also the desktop.
  ASSERT_EQ(rv_app__displayModes.Length(), 1);
  EXPECT_EQ(rv_app__displayModes[0]->width, 1280);
  EXPECT_EQ(rv_app__displayModes[0]->height, 720);
  ASSERT_NE(rv_app__desktopMode, nullptr);
  EXPECT_EQ(rv_app__desktopMode->width, 1280);
  EXPECT_EQ(rv_app__desktopMode->height, 720);
}

TEST_F(AppStart, HostEventsReachTheApplicationInOrder) {
  StartApp* app = (new StartApp())->m_new();
  host->KeyEvent(c_RvGameEvent::KeyDown, 70);  // before the start: dropped
  host->StartGame();
  host->RenderGame();
  EXPECT_EQ(rv_graphics_renderDevice, nullptr);  // the frame is closed again
  host->KeyEvent(c_RvGameEvent::KeyDown, 70);
  host->KeyEvent(c_RvGameEvent::KeyUp, 70);
  host->UpdateGame();  // real joystick poll: no pads here
  host->SuspendGame();
  host->UpdateGame();  // suspended: no update
  host->ResumeGame();
  host->UpdateGame();
  EXPECT_EQ(app->log, std::vector<std::string>({
                          "create graphics audio input 640x480",
                          "render framed",
                          "update hit=1",
                          "suspend",
                          "resume",
                          "update hit=0",
                      }));
  for (int key = 256; key < 384; ++key) EXPECT_FALSE(rv_input_KeyDown(key)) << key;
}

TEST_F(AppStart, ResizedWindowIsSeenByTheNextUpdate) {
  (new StartApp())->m_new();
  host->StartGame();
  EXPECT_EQ(rv_app_DeviceWidth(), 640);
  host->SetGlfwWindow(800, 600, 8, 8, 8, 0, 0, 0, false);
  host->UpdateGame();
  EXPECT_EQ(rv_app_DeviceWidth(), 800);
  EXPECT_EQ(rv_app_DeviceHeight(), 600);
}

}  // namespace
