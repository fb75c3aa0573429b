// The draw list on screen: the virtual screen of each device shape, records
// mapped to device pixels (overscan included), the record limit, blending,
// the renderer's batching across records of one image, full screen and back
// with every texture rebuilt, and the screenshots of the loading screen and
// the first menu frame, compared by colour regions and kept for a person to
// look at (build/tests/screenshots).
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "game/globals.h"
#include "support/game_rig.h"

namespace {

using namespace testing_support;

uint32_t Pixel(const std::vector<uint32_t>& pixels, int width, int x, int y) {
  return pixels[(std::size_t)y * width + x] & 0xffffff;
}

// Share of a rectangle's pixels for which `test(r, g, b)` holds.
double Share(const std::vector<uint32_t>& pixels, int width, int x0, int y0, int x1, int y1,
             const std::function<bool(int, int, int)>& test) {
  long long hits = 0, total = 0;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      uint32_t p = pixels[(std::size_t)y * width + x];
      hits += test((int)(p >> 16 & 0xff), (int)(p >> 8 & 0xff), (int)(p & 0xff));
      ++total;
    }
  }
  return total ? (double)hits / (double)total : 0;
}

bool Black(int r, int g, int b) { return r < 8 && g < 8 && b < 8; }
bool LogoBlue(int r, int g, int b) { return b > 120 && b > r + 80 && b > g + 50; }
bool Bright(int r, int g, int b) { return r > 180 && g > 180 && b > 180; }

// A record written straight into the list (the helpers are tested elsewhere).
void PutRecord(c_MyApp* app, float type, float x, float y, float a, float b, float alpha,
               float red, float green, float blue, float blend = 1, float frame = 0) {
  float* r = app->m_drawList.Data() + app->m_drawCount;
  const float values[15] = {type, x, y, 0, a, b, frame, alpha, 0, 0, red, green, blue, blend, 0};
  for (int k = 0; k < 15; ++k) r[k] = values[k];
  app->m_drawCount += 15;
}

TEST(GameCoreRender, VirtualScreenOfEachDeviceShape) {
  GameRig rig;
  c_MyApp* app = rig.App();
  struct Case {
    int w, h;
    float scale, jw, jh;
    int fit, landscape;
  };
  const Case cases[] = {
      {640, 480, 1, 640, 480, 1, 1},
      {800, 600, 1.25f, 640, 480, 1, 1},
      {1280, 720, 2, 640, 360, 1, 1},          // width kept, shorter
      {480, 640, 640 / 720.0f, 540, 720, 2, 0},  // portrait: 1.5 times the design
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
    rig.Host()->SetGlfwWindow(c.w, c.h, 8, 8, 8, 0, 0, 0, false);
    rig.Step();
    EXPECT_FLOAT_EQ(app->m_scaleX, c.scale);
    EXPECT_FLOAT_EQ(app->m_scaleY, c.scale);
    EXPECT_FLOAT_EQ(rv_Quenmor_jscrw, c.jw);
    EXPECT_FLOAT_EQ(rv_Quenmor_jscrh, c.jh);
    EXPECT_EQ(app->m_fitMode, c.fit);
    EXPECT_EQ(app->m_landscape, c.landscape);
  }
}

TEST(GameCoreRender, RecordsLandOnTheirDevicePixels) {
  GameRig rig;
  c_MyApp* app = rig.App();
  rig.RunUntilLoaded();
  rig.Host()->SetGlfwWindow(800, 600, 8, 8, 8, 0, 0, 0, false);
  rig.RunUntilLoaded();
  ASSERT_FLOAT_EQ(app->m_scaleX, 1.25f);

  app->m_clsRed = 0, app->m_clsGreen = 0, app->m_clsBlue = 60, app->m_clsAlpha = 1;
  app->m_drawCount = 0;
  PutRecord(app, -3717, 40, 40, 80, 40, 1, 255, 0, 0);        // rect: 50..150 x 50..100
  PutRecord(app, -3716, 400, 200, 40, 20, 1, 0, 255, 0);      // oval at 500, 250
  PutRecord(app, -3715, 100, 300, 300, 300, 1, 255, 255, 0);  // line at y 375
  PutRecord(app, 93, 320, 420, 0.25f, 0.25f, 1, 255, 255, 255);  // logo, 64 units
  PutRecord(app, 55, 600, 20, 1, 1, 1, 255, 255, 255);        // an empty slot: nothing
  int w = 0, h = 0;
  std::vector<uint32_t> px = rig.ReadWindow(&w, &h);
  ASSERT_EQ(w, 800);
  EXPECT_EQ(Pixel(px, w, 20, 20), 0x00003cu);  // the clear colour
  EXPECT_EQ(Pixel(px, w, 52, 52), 0xff0000u);
  EXPECT_EQ(Pixel(px, w, 148, 98), 0xff0000u);
  EXPECT_EQ(Pixel(px, w, 48, 75), 0x00003cu);
  EXPECT_EQ(Pixel(px, w, 152, 75), 0x00003cu);
  EXPECT_EQ(Pixel(px, w, 500, 250), 0x00ff00u);
  EXPECT_EQ(Pixel(px, w, 540, 250), 0x00ff00u);  // x radius 50
  EXPECT_EQ(Pixel(px, w, 500, 280), 0x00003cu);  // y radius 25
  EXPECT_EQ(Pixel(px, w, 300, 375), 0xffff00u);
  // The logo: 64 units = 80 pixels around (400, 525); its blue in the middle.
  EXPECT_GT(Share(px, w, 380, 495, 420, 520, LogoBlue), 0.3);
  EXPECT_EQ(Pixel(px, w, 400 - 44, 525), 0x00003cu);
  EXPECT_EQ(Pixel(px, w, 750, 25), 0x00003cu);

  // The console's overscan moves everything in by 64 pixels, 48 vertically.
  rv_Quenmor_overscan = 64;
  rig.Render();  // a render computes the new scale: (800 - 128) / 640
  app->m_drawCount = 0;
  PutRecord(app, -3717, 0, 0, 10, 10, 1, 255, 0, 0);
  px = rig.ReadWindow(&w, &h);
  EXPECT_FLOAT_EQ(app->m_scaleX, 1.05f);
  EXPECT_EQ(Pixel(px, w, 65, 49), 0xff0000u);
  EXPECT_EQ(Pixel(px, w, 63, 49), 0x00003cu);
  EXPECT_EQ(Pixel(px, w, 65, 47), 0x00003cu);
}

TEST(GameCoreRender, AlphaAndAdditiveBlending) {
  GameRig rig;
  c_MyApp* app = rig.App();
  rig.RunUntilLoaded();
  app->m_clsRed = app->m_clsGreen = app->m_clsBlue = 0;
  app->m_drawCount = 0;
  PutRecord(app, -3717, 0, 0, 100, 100, 1, 0, 0, 200);
  PutRecord(app, -3717, 0, 0, 50, 100, 0.5f, 200, 0, 0);       // normal: mixes
  PutRecord(app, -3717, 50, 0, 50, 100, 0.5f, 200, 0, 0, 3);   // additive: adds
  int w = 0;
  std::vector<uint32_t> px = rig.ReadWindow(&w);
  uint32_t mixed = Pixel(px, w, 25, 50), added = Pixel(px, w, 75, 50);
  EXPECT_NEAR((int)(mixed >> 16), 100, 2);
  EXPECT_NEAR((int)(mixed & 0xff), 100, 2);
  EXPECT_NEAR((int)(added >> 16), 100, 2);
  EXPECT_NEAR((int)(added & 0xff), 200, 2);
  // The render leaves the graphics state at alpha 0.5, white.
  EXPECT_FLOAT_EQ(rv_graphics_context->m_alpha, 0.5f);
  EXPECT_EQ(rv_graphics_context->m_color_r, 255);
}

TEST(GameCoreRender, AFullListDropsFurtherRecordsFromThePicture) {
  GameRig rig;
  c_MyApp* app = rig.App();
  rig.RunUntilLoaded();
  app->p_CLS2D(0, 0, 0, 1);
  app->p_SetCol(0, 0, 255);
  for (int i = 0; i < 2499; ++i) app->p_Rect(0, 0, 10, 10);
  int w = 0;
  std::vector<uint32_t> before = rig.ReadWindow(&w);
  app->p_SetCol(255, 255, 255);
  app->p_Rect(0, 0, 640, 480);
  EXPECT_EQ(app->m_drawCount, 37485);
  std::vector<uint32_t> after = rig.ReadWindow(&w);
  EXPECT_EQ(before, after);
  EXPECT_EQ(Pixel(after, w, 5, 5), 0x0000ffu);
  EXPECT_EQ(Pixel(after, w, 300, 300), 0u);
}

TEST(GameCoreRender, RecordsOfOneImageAndBlendShareADrawCall) {
  GameRig rig;
  c_MyApp* app = rig.App();
  rig.RunUntilLoaded();
  gxtkGraphics* device = rv_graphics_device;
  auto callsFor = [&](const std::function<void()>& fill) {
    app->p_CLS2D(0, 0, 0, 1);
    fill();
    device->ResetStats();
    rig.Render();
    return device->Stats().drawCalls;
  };
  // The clear rectangle alone.
  long long clear = callsFor([] {});
  EXPECT_EQ(clear, 1);
  // 300 glyphs in changing colours and alphas: one batch of quads per 256.
  long long glyphs = callsFor([&] {
    for (int i = 0; i < 300; ++i) {
      app->p_SetCol((float)(i % 255), 100, 200, (i % 10) / 10.0f);
      app->p_DrawImg(90, (float)(i % 600), (float)(i / 2), 33 + i % 60);
    }
  });
  EXPECT_EQ(glyphs, clear + 2);
  // Alternating blends break the batch at every change.
  long long alternating = callsFor([&] {
    for (int i = 0; i < 10; ++i) {
      app->m_blend = i % 2 ? 3 : 1;
      app->p_DrawImg(90, 10, 10, 40);
    }
  });
  EXPECT_EQ(alternating, clear + 10);
  // Alternating images too.
  long long images = callsFor([&] {
    for (int i = 0; i < 10; ++i) app->p_DrawImg(i % 2 ? 90 : 97, 10, 10, 1);
  });
  EXPECT_EQ(images, clear + 10);
}

TEST(GameCoreRender, FullScreenAndBackKeepEveryImage) {
  GameRig rig;
  c_MyApp* app = rig.App();
  rig.RunUntilLoaded();
  // Each loaded image drawn alone, as the window shows it now. Slots 40 and
  // up keep the very image objects (the loader replaces its own slots), so
  // after the window is opened again they draw from rebuilt textures.
  const int slots[] = {2, 80, 85, 86, 90, 93, 94, 95, 96, 97, 98, 99};
  auto picture = [&](int slot, int loaderSlot) {
    app->p_CLS2D(0, 0, 0, 1);
    app->p_SetSize(loaderSlot == 96 ? 8 : 1);  // the star sprites are tiny
    app->p_DrawImg(slot, 320, 240, 3 % app->m_images[slot]->p_Frames());
    return rig.ReadWindow();
  };
  std::vector<std::vector<uint32_t>> before;
  for (int i = 0; i < 12; ++i) {
    gc_assign(app->m_images[40 + i], app->m_images[slots[i]]);
    before.push_back(picture(40 + i, slots[i]));
    int lit = 0;
    for (uint32_t p : before.back()) lit += (p & 0xffffff) != 0;
    EXPECT_GT(lit, 20) << slots[i];
  }

  rig.TapKey(122);  // F11
  EXPECT_EQ(app->m_fullscreen, 1);
  EXPECT_EQ(rig.Host()->GetDeviceWidth(), 1280);
  EXPECT_EQ(rig.Host()->GetDeviceHeight(), 720);
  rig.KeyUp(122);
  ASSERT_GT(rig.RunUntilLoaded(), 0);
  EXPECT_EQ(app->m_assetLevel, 4);
  // The loading screen's last frame, at scale 2 on the 640 x 360 screen: the
  // logo's hexagon is textured, not a white box.
  int w = 0, h = 0;
  std::vector<uint32_t> full = rig.ReadWindow(&w, &h);
  ASSERT_EQ(w, 1280);
  WritePng(ScreenshotDir() + "/game_core_fullscreen.png", full, w, h);
  EXPECT_GT(Share(full, w, 500, 200, 560, 330, LogoBlue), 0.5);
  EXPECT_LT(Share(full, w, 500, 200, 560, 330, Bright), 0.2);
  EXPECT_GT(Share(full, w, 0, 0, 100, 100, Black), 0.99);

  rig.TapKey(122);
  rig.KeyUp(122);
  EXPECT_EQ(app->m_fullscreen, 0);
  EXPECT_EQ(rig.Host()->GetDeviceWidth(), 640);
  ASSERT_GT(rig.RunUntilLoaded(), 0);
  EXPECT_EQ(app->m_assetLevel, 2);
  std::vector<uint32_t> back = rig.ReadWindow(&w, &h);
  ASSERT_EQ(w, 640);
  EXPECT_GT(Share(back, w, 230, 150, 260, 210, LogoBlue), 0.5);
  for (int i = 0; i < 12; ++i) {
    EXPECT_TRUE(picture(40 + i, slots[i]) == before[i]) << "kept image of slot " << slots[i];
    EXPECT_TRUE(picture(slots[i], slots[i]) == before[i]) << "reloaded slot " << slots[i];
  }
}

// ---- Screenshots ---------------------------------------------------------------

TEST(GameCoreScreens, LoadingScreen) {
  GameRig rig;
  c_MyApp* app = rig.App();
  rig.Step(5);
  int w = 0, h = 0;
  std::vector<uint32_t> px = rig.ReadWindow(&w, &h);
  ASSERT_TRUE(WritePng(ScreenshotDir() + "/game_core_loading.png", px, w, h));
  // Corners black: the rings never reach them.
  EXPECT_GT(Share(px, w, 0, 0, 60, 60, Black), 0.99);
  EXPECT_GT(Share(px, w, 580, 420, 640, 480, Black), 0.99);
  // The studio logo in the middle: its blue hexagon and white lettering.
  EXPECT_GT(Share(px, w, 230, 150, 260, 210, LogoBlue), 0.8);
  EXPECT_GT(Share(px, w, 120, 340, 520, 400, Bright), 0.15);
  // "Loading..." centred near the bottom.
  EXPECT_GT(Share(px, w, 285, 442, 355, 454, Bright), 0.05);
  EXPECT_LT(Share(px, w, 200, 442, 270, 454, Bright), 0.01);
  // The head of each ring (the opaque oval) where its angle puts it.
  const float a = app->m_spinAngle;
  struct Ring {
    float start, distance, radius;
    uint32_t colour;
  };
  const Ring rings[] = {{a, 216, 16, 0x007dff}, {a + 120, 192, 12, 0xff7d00},
                        {a + 240, 168, 8, 0xff7d00}};
  for (const Ring& r : rings) {
    float t = (r.start + 40) * 0.017453292f;
    int cx = (int)std::lround(320 + std::sin(t) * r.distance);
    int cy = (int)std::lround(240 - std::cos(t) * r.distance);
    int d = (int)(r.radius * 0.5f);
    EXPECT_GT(ColourShare(px, w, cx - d, cy - d, cx + d, cy + d, r.colour, 3), 0.9)
        << "ring at " << cx << "," << cy;
  }
}

TEST(GameCoreScreens, FirstMenuFrame) {
  GameRig rig;
  c_MyApp* app = rig.App();
  rig.RunUntilLoaded();
  std::vector<float> lastLoaderFrame(app->m_drawList.Data(),
                                     app->m_drawList.Data() + app->m_drawCount);
  rig.Step();
  int w = 0, h = 0;
  std::vector<uint32_t> first = rig.ReadWindow(&w, &h);
  ASSERT_TRUE(WritePng(ScreenshotDir() + "/game_core_menu_first.png", first, w, h));
  std::vector<float> menuFrame(app->m_drawList.Data(), app->m_drawList.Data() + app->m_drawCount);
  if (menuFrame == lastLoaderFrame) {
    // The menu draws nothing of its own yet: its first frame still shows the
    // loading screen's last picture, and nothing runs the loader any more.
    EXPECT_EQ(app->m_mode, 1);
    EXPECT_EQ(app->m_loadStage, 0);
    GTEST_SKIP() << "the menu mode draws nothing of its own yet";
  }
  // The menu eases its green background in from the loader's black and
  // slides its layout in from outside the screen: the first frame is dark.
  EXPECT_GT(Share(first, w, 0, 0, 640, 480, [](int r, int g, int b) {
              return r < 20 && g < 30 && b < 20;
            }), 0.9);
  rig.Step(59);
  std::vector<uint32_t> settled = rig.ReadWindow(&w, &h);
  ASSERT_TRUE(WritePng(ScreenshotDir() + "/game_core_menu_settled.png", settled, w, h));
  // Between the logo, the level ring and the side panel: the green background.
  EXPECT_GT(ColourShare(settled, w, 280, 220, 400, 270, 0x145014, 4), 0.5);
}

}  // namespace
