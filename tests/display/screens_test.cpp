// The game's screens in-process: reloading for a new window size or full
// screen with every image intact, the draw list mapped onto the window, and
// what a frame does (the pointer, starting and pausing a game, size and
// focus) and does not do (X round trips, a home call while its gate is shut).
#include <GL/gl.h>
#include <GLFW/glfw3.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "game/globals.h"
#include "net/asyncevent.h"
#include "support/game_rig.h"

// Every Xlib call that waits for a reply goes through _XReply; the display
// tests export the symbol, so libX11's own calls land here.
static long long round_trips = 0;
extern "C" int _XReply(void* display, void* reply, int extra, int discard) {
  using Real = int (*)(void*, void*, int, int);
  static Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "_XReply"));
  ++round_trips;
  return real(display, reply, extra, discard);
}

namespace {

using namespace testing_support;

bool LogoBlue(int r, int g, int b) { return b > 120 && b > r + 80 && b > g + 50; }
bool Bright(int r, int g, int b) { return r > 180 && g > 180 && b > 180; }

class Screens : public ::testing::Test {
 protected:
  GameRig rig;
  c_MyApp* app = rig.app;
  void Put(float type, float x, float y, float a, float b, uint32_t rgb, float alpha = 1, float blend = 1) {
    const float v[15] = {type, x, y, 0, a, b, 0, alpha, 0, 0, (float)(rgb >> 16), (float)(rgb >> 8 & 0xff),
                         (float)(rgb & 0xff), blend, 0};
    std::copy(v, v + 15, app->m_drawList.Data() + app->m_drawCount);
    app->m_drawCount += 15;
  }
  void StartGame(int level = 1) {
    ASSERT_GT(rig.RunUntilLoaded(), 0);
    app->m_level = level, app->m_mode = 11, rig.Step();
    ASSERT_EQ(app->m_mode, 10);
  }
  int PauseIcons() { return (int)rig.Records(97, 0).size(); }
};

TEST_F(Screens, ANewWindowSizeShowsTheLoadingScreenThenTheGameGoesOnInGameUnits) {
  StartGame();
  rig.host->Open(800, 600);
  EXPECT_GT(rig.StepUntil([&] { return rig.HasText("Loading..."); }, 5), 0);
  EXPECT_GT(rig.RunUntilLoaded(), 0);
  rig.Move(400, 300), rig.Step();
  EXPECT_TRUE(app->m_mode == 10 && !rig.HasText("Loading...") && PauseIcons() == 1);
  EXPECT_EQ(app->m_mouseX * 1000 + app->m_mouseY, 320240);
  rig.Button(true), rig.Move(500, 300), rig.Step();
  EXPECT_TRUE(app->m_mouseHit == 1 && app->m_oldMouseX == 400) << "the old position follows a press: no jump";
}

TEST_F(Screens, FullScreenAndBackKeepEveryImage) {
  rig.RunUntilLoaded();
  // Each image drawn alone. Slots 40 and up keep the very image objects (the
  // loader replaces its own), so later they draw from rebuilt textures.
  const int slots[] = {2, 80, 85, 86, 90, 93, 94, 95, 96, 97, 98, 99};
  auto picture = [&](int slot, int size) {
    app->p_CLS2D(0, 0, 0, 1);
    app->p_SetSize((float)size);  // the star sprites (96) are tiny
    app->p_DrawImg(slot, 320, 240, 3 % app->m_images[slot]->p_Frames());
    return rig.Read().px;
  };
  std::vector<std::vector<uint32_t>> before;
  for (int i = 0; i < 12; ++i) {
    gc_assign(app->m_images[40 + i], app->m_images[slots[i]]);
    before.push_back(picture(40 + i, slots[i] == 96 ? 8 : 1));
    EXPECT_GT(std::count_if(before[i].begin(), before[i].end(), [](uint32_t c) { return c & 0xffffff; }), 20);
  }
  rig.Tap(122);  // F11
  ASSERT_TRUE(rig.Reload());
  EXPECT_EQ(app->m_assetLevel, 4) << "the sharpest images for the largest screen";
  Picture full = rig.Read();
  EXPECT_EQ(full.w, 1280);
  EXPECT_GT(full.Share(500, 200, 560, 330, LogoBlue), 0.5) << "textured, not a white box";
  EXPECT_LT(full.Share(500, 200, 560, 330, Bright), 0.2);
  rig.Tap(122);
  ASSERT_TRUE(rig.Reload());
  EXPECT_EQ(app->m_assetLevel, 2);
  for (int i = 0; i < 12; ++i) {
    EXPECT_TRUE(picture(40 + i, slots[i] == 96 ? 8 : 1) == before[i]) << "kept image of slot " << slots[i];
    EXPECT_TRUE(picture(slots[i], slots[i] == 96 ? 8 : 1) == before[i]) << "reloaded slot " << slots[i];
  }
}

TEST_F(Screens, RecordsLandOnTheirWindowPixelsAndOnlyThoseThatCanReachItAreSent) {
  rig.RunUntilLoaded();
  rig.host->Open(800, 600);  // scale 1.25
  ASSERT_TRUE(rig.Reload());
  app->m_clsRed = 0, app->m_clsGreen = 0, app->m_clsBlue = 60, app->m_clsAlpha = 1;
  app->m_drawCount = 0;
  Put(c_MyApp::kRectRecord, 40, 40, 80, 40, 0xff0000);     // 50..150 x 50..100
  Put(c_MyApp::kOvalRecord, 400, 200, 40, 20, 0x00ff00);   // at 500, 250
  Put(c_MyApp::kLineRecord, 100, 300, 300, 300, 0xffff00);  // at y 375
  Put(93, 320, 420, 0.25f, 0.25f, 0xffffff);               // the logo, 64 units
  Put(55, 600, 20, 1, 1, 0xffffff);                        // an empty slot: nothing
  Put(c_MyApp::kRectRecord, 0, 400, 40, 40, 0x0000c8);
  Put(c_MyApp::kRectRecord, 20, 400, 20, 40, 0xc80000, 0.5f, 3);  // additive: adds
  Picture p = rig.Read();
  for (auto [x, y] : {std::pair{52, 52}, {148, 98}}) EXPECT_EQ(p.At(x, y), 0xff0000u);
  for (auto [x, y] : {std::pair{20, 20}, {48, 75}, {152, 75}, {500, 280}, {356, 525}, {750, 25}})
    EXPECT_EQ(p.At(x, y), 0x00003cu) << x << "," << y;
  EXPECT_TRUE(p.At(500, 250) == 0x00ff00u && p.At(540, 250) == 0x00ff00u && p.At(300, 375) == 0xffff00u);
  EXPECT_GT(p.Share(380, 495, 420, 520, LogoBlue), 0.3);
  EXPECT_TRUE(Near(p.At(12, 525), 0x0000c8) && Near(p.At(37, 525), 0x6400c8, 2));

  // Records wholly off the window are left out (same picture, vertices and draw
  // calls); shapes reaching in over an edge are drawn, a turned sprite by its corners.
  auto frame = [&](bool withOff, float turnedX, long long* sent) {  // sent: vertices, calls
    app->m_drawCount = 0;
    auto off = [&](float t, float x, float y, float a, float b, float blend = 1) { if (withOff) Put(t, x, y, a, b, 0xffffff, 1, blend); };
    off(c_MyApp::kRectRecord, -200, 100, 100, 40), off(c_MyApp::kOvalRecord, 800, 300, 30, 30);
    off(c_MyApp::kLineRecord, -100, -100, 700, -20);
    Put(c_MyApp::kRectRecord, -40, 100, 48, 40, 0xff0000);  // -50..10 px
    Put(c_MyApp::kOvalRecord, 645, 200, 10, 20, 0x00ff00);   // reaches in to 793 px
    Put(c_MyApp::kLineRecord, 100, -50, 100, 5, 0xffff00);   // down to 6 px
    Put(93, 320, 500, 0.25f, 0.25f, 0xffffff);               // 585..665 px
    off(c_MyApp::kOvalRecord, 320, -100, 20, 20), off(93, 320, 700, 0.25f, 0.25f), off(93, 1600, 300, 1, 1);
    off(c_MyApp::kRectRecord, -200, 0, 10, 10, 3);  // additive: a blend change would flush
    Put(93, turnedX, 300, 0.25f, 0.25f, 0xffffff);  // at -36, 45 px off; only turned corners reach in
    app->m_drawList.Data()[app->m_drawCount - 15 + 3] = 45;
    const auto before = rv_graphics_device->Stats();
    Picture shot = rig.Read();
    sent[0] = rv_graphics_device->Stats().vertices - before.vertices;
    sent[1] = rv_graphics_device->Stats().drawCalls - before.drawCalls;
    return shot;
  };
  long long edges[2], withOff[2], inside[2];
  p = frame(false, -36, edges);
  EXPECT_TRUE(p.px == frame(true, -36, withOff).px) << "the same picture";
  EXPECT_TRUE(edges[0] == withOff[0] && edges[1] == withOff[1]) << withOff[0] << " " << withOff[1];
  frame(false, 320, inside);
  EXPECT_EQ(edges[0], inside[0]) << "the turned sprite at the edge is sent";
  EXPECT_TRUE(p.At(5, 150) == 0xff0000u && p.At(796, 250) == 0x00ff00u && p.At(125, 2) == 0xffff00u);
}

TEST_F(Screens, AGameStartsAfreshWithItsTuneAndPausesOnce) {
  app->m_score = 55, app->m_gameOverTime = 1;
  StartGame();
  EXPECT_EQ(app->m_score + app->m_gameOverTime, 0);
  EXPECT_EQ(rv_audio_device->MusicState(), 1) << "its tune";
  rig.KeyDown(kEscape), rig.Step(), rig.Step();
  EXPECT_EQ(app->m_paused * 10 + rv_audio_device->MusicState(), 12) << "the music pauses with the game";
  app->m_paused = 0, rig.Step();
  EXPECT_EQ(app->m_paused * 10 + rv_audio_device->MusicState(), 1) << "a held key pauses once";
}

TEST_F(Screens, WithTheGateClosedNoHomeCallIsMade) {
  testing::internal::CaptureStdout();
  rig.RunUntilLoaded(), rig.Step(30);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_TRUE(rv_Quenmor_J_On_Allow == 0 && app->m_homeRequest == nullptr);
  EXPECT_EQ(rv_asyncevent__sources ? rv_asyncevent__sources->p_Length() : 0, 0) << "no request under way";
  EXPECT_EQ(out.find("Requesting URL"), std::string::npos) << out;
}

TEST_F(Screens, ASteadyFrameAsksTheXServerNothingAndSizeAndFocusAreStillSeen) {
  ASSERT_GT(rig.RunUntilLoaded(), 0);
  rig.Step(30);
  GLFWwindow* window = rig.host->Window();
  long long before = round_trips;
  int w = 0, h = 0;
  glfwGetWindowSize(window, &w, &h);  // known to wait: the wrapper sees it
  ASSERT_GT(round_trips, before);
  // The host's frame without the swap, and the drawable check Mesa makes at
  // the first GL call after it (any GL program pays those).
  long long ours = 0;
  for (int i = 0; i < 30; ++i) {
    glfwSwapBuffers(window), glClear(GL_COLOR_BUFFER_BIT);
    before = round_trips;
    rig.host->RenderGame(), rig.host->UpdateEvents(), rig.host->clock += 1.0 / 60, rig.host->UpdateGame();
    ours += round_trips - before;
  }
  EXPECT_EQ(ours, 0);
  glfwSetWindowSize(window, 720, 400);  // the size still follows, from GLFW's callback
  for (int i = 0; i < 500 && rv_app_DeviceWidth() != 720; ++i) glfwWaitEventsTimeout(0.01), rig.Step();
  EXPECT_EQ(rv_app_DeviceWidth() * 1000 + rv_app_DeviceHeight(), 720400);
  GLFWwindow* other = glfwCreateWindow(64, 64, "other", nullptr, nullptr);  // and so does focus
  ASSERT_NE(other, nullptr);
  glfwFocusWindow(other);
  for (int i = 0; i < 500 && !rig.host->Suspended(); ++i) glfwWaitEventsTimeout(0.01), rig.host->UpdateEvents();
  EXPECT_TRUE(rig.host->Suspended());
  glfwFocusWindow(window);
  for (int i = 0; i < 500 && rig.host->Suspended(); ++i) rig.host->UpdateEvents();
  EXPECT_FALSE(rig.host->Suspended());
  glfwDestroyWindow(other);
}

}  // namespace
