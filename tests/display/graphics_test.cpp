// The renderer on Mesa under Xvfb judged by the pixels read back: opaque
// ones exactly, blended ones within 2 per channel.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include "audio/sound.h"
#include "support/checks.h"
#include "support/game_rig.h"

namespace {

using namespace testing_support;

constexpr uint32_t kRed = 0xff0000, kGreen = 0x00ff00, kBlue = 0x0000ff;

class Pixels : public ::testing::Test {
 protected:
  void SetUp() override {
    GraphicsHost()->Open();
    GraphicsHost()->dataDir = dir;
    glDisable(GL_SCISSOR_TEST);
    g = NewDevice();
  }
  // One frame as the application layer brackets it, read back.
  Picture Frame(uint32_t clear, const std::function<void()>& draw) {
    EXPECT_EQ(g->BeginRender(), 1);
    rv_graphics_BeginRender(), g->Cls((float)(clear >> 16), (float)(clear >> 8 & 0xff), (float)(clear & 0xff));
    draw();
    rv_graphics_EndRender(), g->EndRender();
    return ReadPicture(640, 480);
  }
  static bool Filled(const Picture& p, int x, int y, int w, int h, uint32_t want) {
    return p.Share(x, y, x + w, y + h, [&](int r, int g, int b) { return (uint32_t)(r << 16 | g << 8 | b) == want; }) == 1;
  }
  c_Image* Load(const std::string& name, std::vector<std::string> args, int frames = 1, int flags = 0) {
    args.back() += dir + "/" + name;
    Convert(args);
    return rv_graphics_LoadImage(String(name.c_str()), frames, flags);
  }
  Array<int> Fill(int n, uint32_t argb) {
    Array<int> a(n);
    for (int i = 0; i < n; ++i) a[i] = (int)argb;
    return a;
  }
  std::string dir = MakeTempDir("display");
  gxtkGraphics* g = nullptr;
};

TEST_F(Pixels, BlendingScissorAndPrimitives) {
  Picture p = Frame(kBlue, [&] {
    rv_graphics_SetColor(255, 128, 0), rv_graphics_SetAlpha(0.5f), rv_graphics_DrawRect(10, 10, 40, 40);
    rv_graphics_SetAlpha(1), rv_graphics_SetBlend(1), rv_graphics_SetColor(100, 50, 100);
    rv_graphics_DrawRect(100, 10, 50, 50), rv_graphics_SetBlend(0), rv_graphics_SetScissor(200, 20, 30, 40);
    rv_graphics_SetColor(255, 0, 0), rv_graphics_DrawRect(0, 0, 640, 480);
    rv_graphics_SetScissor(50, 50, -5, 10);  // an empty box clips everything
    rv_graphics_DrawRect(0, 0, 640, 480);
    rv_graphics_SetScissor(0, 0, 640, 480);  // the full window: no scissor
    rv_graphics_SetColor(255, 255, 255), g->DrawPoint(5, 107), rv_graphics_DrawLine(10, 120, 30, 120);
    rv_graphics_DrawEllipse(315, 310, 15, 10);
    rv_graphics_SetAlpha(0);  // fully transparent: no trace
    rv_graphics_DrawRect(0, 0, 640, 480);
  });
  EXPECT_TRUE(Near(p.At(30, 30), 0x7f4080, 2));  // 127, 64, 0 over blue x (1 - 127/255)
  EXPECT_TRUE(Filled(p, 100, 10, 50, 50, 0x6432ff)) << "added, saturated";
  EXPECT_TRUE(Filled(p, 200, 20, 30, 40, kRed));
  for (auto [x, y] : {std::pair{199, 30}, {230, 30}, {210, 19}, {210, 60}, {6, 107}, {20, 121}, {301, 301}})
    EXPECT_EQ(p.At(x, y), kBlue) << x << "," << y;
  for (auto [x, y] : {std::pair{5, 107}, {10, 120}, {29, 120}, {315, 310}, {328, 310}}) EXPECT_EQ(p.At(x, y), 0xffffffu);
}

TEST_F(Pixels, ImagesOfEveryChannelCountAndTheirFramesDraw) {
  std::vector<c_Image*> img = {
      Load("g.png", {"-size", "8x8", "xc:gray(40%)", "-define", "png:color-type=0", "-depth", "8", ""}),
      Load("ga.png", {"-size", "8x8", "xc:graya(80%,0.4)", "-define", "png:color-type=4", "-depth", "8", ""}),
      Load("rgba.png", {"-size", "8x8", "xc:rgba(255,128,32,0.6)", "PNG32:"}),
      Load("s.png", {"-size", "10x8", "xc:#ff0000", "xc:#00ff00", "xc:#0000ff", "+append", "PNG24:"}, 3),
      Load("p.png", {"-size", "8x6", "xc:#ff0000", "xc:#00ff00", "-bordercolor", "#ffff00", "-border", "1x0",
                     "+append", "PNG24:"}, 2, c_Image::PadX)};
  for (c_Image* i : img) ASSERT_NE(i, nullptr);
  Picture p = Frame(0x323232, [&] {
    for (int k = 0; k < 3; ++k) rv_graphics_DrawImage(img[k], 20.0f * k, 0, 0);
    for (int k = 0; k < 3; ++k) rv_graphics_DrawImage(img[3], 20.0f * k, 100, 2 - k);
    for (int k = 0; k < 2; ++k) rv_graphics_DrawImage(img[4], 100 + 8.0f * k, 50, k);
  });
  EXPECT_EQ(p.At(4, 4), 0x666666u);
  EXPECT_TRUE(Near(p.At(24, 4), 0x707070, 2));  // 204 x 0.4 over 50 x 0.6
  EXPECT_TRUE(Near(p.At(44, 4), 0xad6127, 2));
  for (int k = 0; k < 3; ++k) EXPECT_TRUE(Filled(p, 20 * k, 100, 10, 8, kBlue << (8 * k))) << k;
  EXPECT_TRUE(Filled(p, 100, 50, 8, 6, kRed) && Filled(p, 108, 50, 8, 6, kGreen)) << "padding hidden";
  EXPECT_EQ(p.At(10, 100), 0x323232u);
}

TEST_F(Pixels, AnOversizedOrRetriedTextureBreaksNothing) {
  gxtkSurface* wide = g->CreateSurface(16385, 2);  // above llvmpipe's 16384
  glEnable(0xffff);  // an error left behind by someone else
  EXPECT_EQ(g->CreateSurface(3, 5)->uscale, 1.0f / 3) << "a stale GL error must not force a retry";
  Frame(0, [&] { g->DrawSurface(wide, 0, 0); });  // no storage: nothing breaks
}

TEST_F(Pixels, TexturesSurviveAWindowReopenAndTheCollectorReleasesOnlyDroppedOnes) {
  c_Image* strip = Load("s.png", {"-size", "6x6", "xc:#ff0000", "xc:#00ff00", "+append", "PNG24:"}, 2);
  gxtkSurface* written = g->CreateSurface(2, 2);
  g->WritePixels2(written, Fill(4, 0x80ffffffu), 0, 0, 2, 2, 0, 2);
  gxtkSurface* stale = g->CreateSurface(2, 2);
  Frame(0, [&] { g->DrawSurface(stale, 0, 0); });  // its texture is made when first drawn
  auto draw = [&] {
    return Frame(0x1e2832, [&] {
      for (int k = 0; k < 2; ++k) rv_graphics_DrawImage(strip, 10 + 8.0f * k, 10, k);
      g->DrawSurface(written, 40, 10);
    }).px;
  };
  std::vector<uint32_t> before = draw();
  GraphicsHost()->Open();
  EXPECT_EQ(draw(), before);
  stale->Discard();  // made under the old window: its texture's name is another's now
  EXPECT_EQ(draw(), before);
  // Locals are no roots: only the font (the strip) survives a collection.
  rv_graphics_SetFont(strip, 32);
  unsigned int dropped = rv_graphics_CreateImage(4, 4, 1, 0)->m_surface->texture;
  ForceCollection();
  EXPECT_FALSE(glIsTexture(dropped));
  EXPECT_TRUE(Filled(Frame(0, [] { rv_graphics_DrawImage(rv_graphics_context->m_font, 10, 10, 0); }), 10, 10, 6, 6,
                     kRed));
}

}  // namespace
