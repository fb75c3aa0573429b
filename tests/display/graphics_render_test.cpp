// The renderer and the graphics module on Mesa's real GL under Xvfb, judged
// by the pixels read back from the frame buffer: blending, scissor, frames of
// strips, every surface depth, ovals, rotation, pixel transfer, textures that
// survive a window reopen, and the collector releasing textures. Opaque
// pixels must match exactly; blended ones within 2 per channel.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/graphics_rig.h"
#include "support/process.h"

namespace {

using testing_support::ColorNear;
using testing_support::Convert;
using testing_support::GraphicsHost;
using testing_support::MakeStrip;
using testing_support::PixelAt;
using testing_support::Rgb;

constexpr int kBlendTolerance = 2;

class GraphicsRender : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_support::OpenTestWindow();
    g = testing_support::NewDevice();
    dir = testing_support::MakeTempDir("graphics-render");
    GraphicsHost()->dataDir = dir;
  }
  void TearDown() override { GraphicsHost()->dataDir.clear(); }
  // A frame as the application layer brackets it.
  void Begin(int r = 0, int gr = 0, int b = 0) {
    ASSERT_EQ(g->BeginRender(), 1);
    rv_graphics_BeginRender();
    g->Cls((float)r, (float)gr, (float)b);
  }
  void End() {
    rv_graphics_EndRender();
    g->EndRender();
  }
  // Every pixel of the rectangle has this colour.
  ::testing::AssertionResult Filled(int x, int y, int w, int h, uint32_t want) {
    for (int j = y; j < y + h; ++j) {
      for (int i = x; i < x + w; ++i) {
        auto r = ColorNear(PixelAt(i, j), want);
        if (!r) return r << " at (" << i << ", " << j << ")";
      }
    }
    return ::testing::AssertionSuccess();
  }
  gxtkGraphics* g;
  std::string dir;
};

// ---- colour and blending ---------------------------------------------------

TEST_F(GraphicsRender, HalfTransparentColourBlendsPremultiplied) {
  Begin(0, 0, 255);
  rv_graphics_SetColor(255, 128, 0);
  rv_graphics_SetAlpha(0.5f);
  rv_graphics_DrawRect(10, 10, 40, 40);
  rv_graphics_SetColor(10, 200, 30);
  rv_graphics_SetAlpha(1);
  rv_graphics_DrawRect(100, 10, 40, 40);
  End();
  // 127, 64, 0 premultiplied, over blue weighted by 1 - 127/255.
  EXPECT_TRUE(ColorNear(PixelAt(30, 30), Rgb(127, 64, 128), kBlendTolerance));
  EXPECT_TRUE(Filled(100, 10, 40, 40, Rgb(10, 200, 30)));
  EXPECT_TRUE(ColorNear(PixelAt(99, 30), Rgb(0, 0, 255)));
  EXPECT_TRUE(ColorNear(PixelAt(140, 30), Rgb(0, 0, 255)));
}

TEST_F(GraphicsRender, AdditiveBlendingAddsAndSaturates) {
  Begin(100, 0, 200);
  rv_graphics_SetBlend(1);
  rv_graphics_SetColor(100, 50, 100);
  rv_graphics_DrawRect(0, 0, 50, 50);
  rv_graphics_SetBlend(0);
  rv_graphics_SetAlpha(0);  // fully transparent under alpha blending: no trace
  rv_graphics_DrawRect(0, 0, 640, 480);
  End();
  EXPECT_TRUE(Filled(0, 0, 50, 50, Rgb(200, 50, 255)));
  EXPECT_TRUE(ColorNear(PixelAt(60, 60), Rgb(100, 0, 200)));
}

TEST_F(GraphicsRender, ScissorBoxClipsAndTheFullWindowTurnsItOff) {
  Begin();
  rv_graphics_SetScissor(10, 20, 30, 40);
  EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
  rv_graphics_SetColor(255, 0, 0);
  rv_graphics_DrawRect(0, 0, 640, 480);
  g->Flush();
  EXPECT_TRUE(Filled(10, 20, 30, 40, Rgb(255, 0, 0)));
  EXPECT_TRUE(ColorNear(PixelAt(9, 20), Rgb(0, 0, 0)));
  EXPECT_TRUE(ColorNear(PixelAt(40, 59), Rgb(0, 0, 0)));
  EXPECT_TRUE(ColorNear(PixelAt(10, 60), Rgb(0, 0, 0)));
  EXPECT_TRUE(ColorNear(PixelAt(10, 19), Rgb(0, 0, 0)));
  rv_graphics_SetScissor(0, 0, 640, 480);
  EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
  rv_graphics_SetColor(0, 255, 0);
  rv_graphics_DrawRect(0, 0, 1, 1);
  rv_graphics_SetScissor(50, 50, -5, 10);  // an empty box clips everything
  rv_graphics_DrawRect(0, 0, 640, 480);
  End();
  EXPECT_TRUE(ColorNear(PixelAt(0, 0), Rgb(0, 255, 0)));
  EXPECT_TRUE(ColorNear(PixelAt(60, 60), Rgb(0, 0, 0)));
}

TEST_F(GraphicsRender, ClsDropsWhatWasNotFlushed) {
  Begin();
  rv_graphics_SetColor(255, 255, 255);
  rv_graphics_DrawRect(0, 0, 100, 100);
  g->Cls(0, 0, 64);
  End();
  EXPECT_TRUE(ColorNear(PixelAt(50, 50), Rgb(0, 0, 64)));
  EXPECT_EQ(g->Stats().batches, 0);
}

// ---- textures --------------------------------------------------------------

TEST_F(GraphicsRender, FramesOfAStripDrawTheirOwnCells) {
  const std::vector<std::string> colors = {"#ff0000", "#00ff00", "#0000ff", "#808080"};
  MakeStrip(dir + "/strip.png", 10, 8, colors);
  c_Image* strip = rv_graphics_LoadImage(String("strip.png"), 4, 0);
  ASSERT_NE(strip, nullptr);
  const uint32_t want[] = {Rgb(255, 0, 0), Rgb(0, 255, 0), Rgb(0, 0, 255), Rgb(128, 128, 128)};
  Begin(20, 20, 20);
  for (int k = 0; k < 4; ++k) rv_graphics_DrawImage(strip, 20 * k, 100, 3 - k);
  End();
  EXPECT_EQ(g->Stats().drawCalls, 1);
  EXPECT_EQ(g->Stats().lastCount, 24);
  for (int k = 0; k < 4; ++k) EXPECT_TRUE(Filled(20 * k, 100, 10, 8, want[3 - k])) << k;
  EXPECT_TRUE(ColorNear(PixelAt(10, 100), Rgb(20, 20, 20)));
  EXPECT_TRUE(ColorNear(PixelAt(0, 108), Rgb(20, 20, 20)));
}

TEST_F(GraphicsRender, PaddedCellsHideTheirBorders) {
  std::vector<std::string> args;
  for (std::string c : {"#ff0000", "#00ff00", "#0000ff"}) {
    args.insert(args.end(),
                {"(", "-size", "8x6", "xc:" + c, "-bordercolor", "#ffff00", "-border", "1x0", ")"});
  }
  args.insert(args.end(), {"+append", "PNG24:" + dir + "/pad.png"});
  Convert(args);
  c_Image* font = rv_graphics_LoadImage(String("pad.png"), 3, c_Image::PadX);
  ASSERT_NE(font, nullptr);
  ASSERT_EQ(font->m_width, 8);
  Begin();
  for (int k = 0; k < 3; ++k) rv_graphics_DrawImage(font, 100 + 8 * k, 50, k);
  End();
  EXPECT_TRUE(Filled(100, 50, 8, 6, Rgb(255, 0, 0)));
  EXPECT_TRUE(Filled(108, 50, 8, 6, Rgb(0, 255, 0)));
  EXPECT_TRUE(Filled(116, 50, 8, 6, Rgb(0, 0, 255)));
}

TEST_F(GraphicsRender, RotationTurnsTheXAxisTowardsTheTop) {
  // Left half red, right half blue; handle in the middle.
  Convert({"-size", "5x8", "xc:#ff0000", "xc:#0000ff", "+append", "PNG24:" + dir + "/two.png"});
  c_Image* img = rv_graphics_LoadImage(String("two.png"), 1, c_Image::CentreHandle);
  ASSERT_NE(img, nullptr);
  Begin();
  rv_graphics_DrawImage2(img, 300, 300, 90, 2, 2, 0);
  rv_graphics_Translate(100, 100);
  rv_graphics_Rotate(90);
  rv_graphics_SetColor(0, 255, 0);
  rv_graphics_DrawRect(0, 0, 20, 10);  // covers x 100..110, y 80..100
  End();
  // Doubled to 20 x 16 and turned: 16 wide, 20 high, blue above red.
  EXPECT_TRUE(Filled(292, 290, 16, 10, Rgb(0, 0, 255)));
  EXPECT_TRUE(Filled(292, 300, 16, 10, Rgb(255, 0, 0)));
  EXPECT_TRUE(ColorNear(PixelAt(291, 300), Rgb(0, 0, 0)));
  EXPECT_TRUE(ColorNear(PixelAt(300, 310), Rgb(0, 0, 0)));
  EXPECT_TRUE(Filled(100, 80, 10, 20, Rgb(0, 255, 0)));
  EXPECT_TRUE(ColorNear(PixelAt(99, 90), Rgb(0, 0, 0)));
  EXPECT_TRUE(ColorNear(PixelAt(105, 101), Rgb(0, 0, 0)));
}

TEST_F(GraphicsRender, SurfacesOfEveryDepthDrawTheirPixels) {
  struct Case {
    const char* file;
    std::vector<std::string> args;
  };
  const std::vector<Case> cases = {
      {"g.png", {"xc:gray(40%)", "-define", "png:color-type=0", "-depth", "8"}},
      {"ga.png", {"xc:graya(80%,0.4)", "-define", "png:color-type=4", "-depth", "8"}},
      {"rgb.png", {"xc:#ff8020", "PNG24:"}},
      {"rgba.png", {"xc:rgba(255,128,32,0.6)", "PNG32:"}},
  };
  const int bg = 50;
  Begin(bg, bg, bg);
  std::vector<uint32_t> want;
  for (size_t i = 0; i < cases.size(); ++i) {
    std::vector<std::string> args = {"-size", "8x8"};
    std::string prefix;
    for (const auto& a : cases[i].args) {
      if (a.back() == ':') prefix = a; else args.push_back(a);
    }
    std::string path = dir + "/" + cases[i].file;
    args.push_back(prefix + path);
    Convert(args);
    int w, h, d;
    unsigned char* raw = GraphicsHost()->LoadImageData(String(path.c_str()), &w, &h, &d);
    ASSERT_NE(raw, nullptr);
    ASSERT_EQ(d, (int)i + 1) << cases[i].file;
    int r, gr, b, a;
    if (d <= 2) {
      r = gr = b = raw[0];
      a = d == 2 ? raw[1] : 255;
    } else {
      r = raw[0], gr = raw[1], b = raw[2];
      a = d == 4 ? raw[3] : 255;
    }
    std::free(raw);
    auto blend = [&](int c) { return c * a / 255 + bg * (255 - a) / 255; };
    want.push_back(Rgb(blend(r), blend(gr), blend(b)));
    c_Image* img = rv_graphics_LoadImage(String(cases[i].file), 1, 0);
    ASSERT_NE(img, nullptr);
    rv_graphics_DrawImage(img, 20.0f * i, 0, 0);
  }
  End();
  for (size_t i = 0; i < want.size(); ++i) {
    int tol = (i == 1 || i == 3) ? kBlendTolerance : 0;
    EXPECT_TRUE(ColorNear(PixelAt(20 * (int)i + 4, 4), want[i], tol)) << cases[i].file;
  }
}

// ---- primitives ------------------------------------------------------------

TEST_F(GraphicsRender, OvalsOfEverySize) {
  Begin();
  rv_graphics_SetColor(255, 255, 255);
  struct Case {
    float x, y, w, h;
    int segments;
  };
  const Case cases[] = {{100, 100, 4, 4, 12}, {200, 300, 30, 20, 24},
                        {320 - 1500, 240 - 1500, 3000, 3000, 1024}};
  for (const auto& c : cases) {
    rv_graphics_DrawEllipse(c.x + c.w / 2, c.y + c.h / 2, c.w / 2, c.h / 2);
    g->Flush();
    EXPECT_EQ(g->Stats().lastCount, c.segments);
    if (c.segments == 24) {
      EXPECT_TRUE(ColorNear(PixelAt(215, 310), Rgb(255, 255, 255)));
      EXPECT_TRUE(ColorNear(PixelAt(201, 301), Rgb(0, 0, 0))) << "the box corner is outside";
      EXPECT_TRUE(ColorNear(PixelAt(228, 310), Rgb(255, 255, 255)));
    } else if (c.segments == 12) {
      EXPECT_TRUE(ColorNear(PixelAt(102, 102), Rgb(255, 255, 255)));
    } else {
      EXPECT_TRUE(ColorNear(PixelAt(0, 0), Rgb(255, 255, 255)));
      EXPECT_TRUE(ColorNear(PixelAt(639, 479), Rgb(255, 255, 255)));
    }
  }
  End();
}

TEST_F(GraphicsRender, LinesAndPointsLandOnPixelCentres) {
  Begin();
  rv_graphics_SetColor(255, 0, 255);
  g->DrawPoint(5, 7);
  rv_graphics_DrawLine(10, 20, 30, 20);
  Array<float> tri(6);
  float v[6] = {50, 50, 90, 50, 50, 90};
  for (int i = 0; i < 6; ++i) tri[i] = v[i];
  g->DrawPoly(tri);
  End();
  EXPECT_TRUE(ColorNear(PixelAt(5, 7), Rgb(255, 0, 255)));
  EXPECT_TRUE(ColorNear(PixelAt(6, 7), Rgb(0, 0, 0)));
  EXPECT_TRUE(Filled(10, 20, 20, 1, Rgb(255, 0, 255)));
  EXPECT_TRUE(ColorNear(PixelAt(20, 21), Rgb(0, 0, 0)));
  EXPECT_TRUE(ColorNear(PixelAt(55, 55), Rgb(255, 0, 255)));
  EXPECT_TRUE(ColorNear(PixelAt(85, 85), Rgb(0, 0, 0)));
}

// ---- pixel transfer --------------------------------------------------------

TEST_F(GraphicsRender, ReadPixelsGivesRowsTopDownAtOffsetAndPitch) {
  Begin(0, 0, 0);
  rv_graphics_SetColor(255, 0, 0);
  rv_graphics_DrawRect(10, 10, 3, 1);
  rv_graphics_SetColor(0, 0, 255);
  rv_graphics_DrawRect(10, 11, 3, 1);
  Array<int> px(2 + 2 * 5);
  g->ReadPixels(px, 10, 10, 3, 2, 2, 5);  // flushes first
  EXPECT_EQ((uint32_t)px[2], 0xffff0000u);
  EXPECT_EQ((uint32_t)px[4], 0xffff0000u);
  EXPECT_EQ((uint32_t)px[7], 0xff0000ffu);
  EXPECT_EQ(px[5], 0) << "between rows nothing is written";
  g->ReadPixels(px, 0, 0, 4, 4, 0, 4);  // needs 16 ints: refused
  EXPECT_EQ((uint32_t)px[2], 0xffff0000u);
  End();
}

TEST_F(GraphicsRender, WrittenPixelsReachTheTexture) {
  gxtkSurface* s = g->CreateSurface(4, 4);
  Array<int> red(16), green(2);
  for (int i = 0; i < 16; ++i) red[i] = (int)0xffff0000u;
  green[0] = green[1] = (int)0xff00ff00u;
  g->WritePixels2(s, red, 0, 0, 4, 4, 0, 4);     // whole rows: one upload
  g->WritePixels2(s, green, 1, 2, 2, 1, 0, 2);   // part of a row
  Begin();
  g->DrawSurface(s, 0, 0);
  // A write to the texture of the open batch lands after what was drawn.
  Array<int> blue(16);
  for (int i = 0; i < 16; ++i) blue[i] = (int)0xff0000ffu;
  g->WritePixels2(s, blue, 0, 0, 4, 4, 0, 4);
  g->DrawSurface(s, 10, 0);
  End();
  EXPECT_TRUE(ColorNear(PixelAt(0, 0), Rgb(255, 0, 0)));
  EXPECT_TRUE(ColorNear(PixelAt(1, 2), Rgb(0, 255, 0)));
  EXPECT_TRUE(ColorNear(PixelAt(2, 2), Rgb(0, 255, 0)));
  EXPECT_TRUE(ColorNear(PixelAt(3, 2), Rgb(255, 0, 0)));
  EXPECT_TRUE(Filled(10, 0, 4, 4, Rgb(0, 0, 255)));
}

TEST_F(GraphicsRender, RefusedTextureSizesAreRetriedAtPowersOfTwo) {
  gxtkSurface* wide = g->CreateSurface(16385, 2);  // above llvmpipe's 16384
  gxtkSurface* odd = g->CreateSurface(3, 5);
  ASSERT_NE(wide, nullptr);
  Begin(0, 0, 0);
  g->DrawSurface(wide, 0, 0);  // textures are made when first drawn; no storage: no crash
  g->Flush();
  glEnable(0xffff);  // an error left behind by someone else
  g->DrawSurface(odd, 0, 0);
  End();
  EXPECT_EQ(wide->uscale, 1.0f / 32768);
  EXPECT_EQ(wide->vscale, 1.0f / 2);
  EXPECT_EQ(odd->uscale, 1.0f / 3) << "a stale GL error must not force a retry";
}

// ---- lifetime ---------------------------------------------------------------

TEST_F(GraphicsRender, TexturesSurviveAWindowReopenAndDrawIdentically) {
  MakeStrip(dir + "/strip.png", 6, 6, {"#ff0000", "#00ff00", "#ffffff"});
  c_Image* strip = rv_graphics_LoadImage(String("strip.png"), 3, 0);
  gxtkSurface* written = g->CreateSurface(2, 2);
  Array<int> px(4);
  for (int i = 0; i < 4; ++i) px[i] = (int)(i % 2 ? 0xff123456u : 0x80ffffffu);
  g->WritePixels2(written, px, 0, 0, 2, 2, 0, 2);
  gxtkSurface* unused = g->CreateSurface(2, 2);
  unused->Bind();  // a texture in this context, never drawn
  auto draw = [&] {
    Begin(30, 40, 50);
    for (int k = 0; k < 3; ++k) rv_graphics_DrawImage(strip, 10 + 8 * k, 10, k);
    g->DrawSurface(written, 40, 10);
    End();
    std::vector<uint32_t> shot;
    for (int y = 8; y < 20; ++y) {
      for (int x = 8; x < 44; ++x) shot.push_back(PixelAt(x, y));
    }
    return shot;
  };
  std::vector<uint32_t> before = draw();
  int seq = glfwGraphicsSeq;
  testing_support::OpenTestWindow();
  ASSERT_EQ(glfwGraphicsSeq, seq + 1);
  std::vector<uint32_t> after = draw();
  EXPECT_EQ(before, after);
  EXPECT_TRUE(ColorNear(PixelAt(12, 12), Rgb(255, 0, 0)));

  // A surface new in this context may reuse a stale surface's texture name;
  // discarding the stale one must leave it alone.
  gxtkSurface* fresh = g->CreateSurface(2, 2);
  Array<int> green(4);
  for (int i = 0; i < 4; ++i) green[i] = (int)0xff00ff00u;
  g->WritePixels2(fresh, green, 0, 0, 2, 2, 0, 2);
  fresh->Bind();
  unused->Discard();
  EXPECT_TRUE(glIsTexture(fresh->texture));
  Begin();
  g->DrawSurface(fresh, 0, 0);
  End();
  EXPECT_TRUE(ColorNear(PixelAt(1, 1), Rgb(0, 255, 0)));
}

TEST_F(GraphicsRender, TheCollectorReleasesTexturesOfDroppedImagesOnly) {
  MakeStrip(dir + "/keep.png", 4, 4, {"#00ffff"});
  rv_graphics_SetFont(rv_graphics_LoadImage(String("keep.png"), 1, 0), 32);
  c_Image* dropped = rv_graphics_CreateImage(4, 4, 1, 0);
  dropped->m_surface->Bind();  // its texture is made on first use
  unsigned int texture = dropped->m_surface->texture;
  ASSERT_TRUE(glIsTexture(texture));
  dropped = nullptr;
  for (int i = 0; i < 2; ++i) {
    gc_ext_malloced(9 << 20);
    gc_collect();
  }
  Array<int> big(1 << 20);  // this allocation pays for destroying the dead
  (void)big;
  EXPECT_FALSE(glIsTexture(texture));
  Begin();
  rv_graphics_DrawImage(rv_graphics_context->m_font, 0, 0, 0);
  End();
  EXPECT_TRUE(Filled(0, 0, 4, 4, Rgb(0, 255, 255)));
}

}  // namespace
