// The graphics module without a display: the matrix and its stack, images
// cut into frames from real PNG files (made by ImageMagick), handles and
// flags, the default font, the frame bracket, and the calls that must not
// crash when used wrongly. The renderer runs with drawing disabled; its
// vertex buffer shows what reached it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "support/graphics_rig.h"
#include "support/process.h"

namespace {

using testing_support::Convert;
using testing_support::GraphicsHost;

// A runtime error ends the process with -1 after printing its message on
// standard output; the death test reads standard error, so route it there.
#define EXPECT_RUNTIME_ERROR(statement, text)                                         \
  EXPECT_EXIT(                                                                        \
      {                                                                               \
        if (!std::freopen("/dev/null", "r", stdin)) std::abort();                     \
        dup2(2, 1);                                                                   \
        statement;                                                                    \
      },                                                                              \
      ::testing::ExitedWithCode(255), "Kestro Runtime Error : " text)

class GraphicsModule : public ::testing::Test {
 protected:
  void SetUp() override {
    ::testing::FLAGS_gtest_death_test_style = "threadsafe";
    dir = testing_support::MakeTempDir("graphics-module");
    GraphicsHost()->dataDir = dir;
    g = testing_support::NewDevice();
    g->SetDrawingEnabled(false);
  }
  void TearDown() override { GraphicsHost()->dataDir.clear(); }
  void Blank(const std::string& name, int w, int h) {
    Convert({"-size", std::to_string(w) + "x" + std::to_string(h), "xc:gray", "PNG24:" + dir + "/" + name});
  }
  c_GraphicsContext* Ctx() { return rv_graphics_context; }
  // Where the current context matrix sends (x, y).
  void Apply(float x, float y, float* ox, float* oy) {
    c_GraphicsContext* c = Ctx();
    *ox = c->m_ix * x + c->m_jx * y + c->m_tx;
    *oy = c->m_iy * x + c->m_jy * y + c->m_ty;
  }
  std::string dir;
  gxtkGraphics* g;
};

// ---- matrix ----------------------------------------------------------------

TEST_F(GraphicsModule, TranslateThenRotateActsInLocalSpace) {
  rv_graphics_Translate(10, 0);
  rv_graphics_Rotate(90);
  float x, y;
  Apply(1, 0, &x, &y);
  EXPECT_NEAR(x, 10, 1e-5);
  EXPECT_NEAR(y, -1, 1e-5);
  EXPECT_EQ(Ctx()->m_tformed, 1);
  // The renderer sees the same matrix at the next draw.
  g->BeginRender();
  gc_assign(rv_graphics_renderDevice, g);  // a frame without the reset
  rv_graphics_DrawRect(1, 0, 1, 1);
  EXPECT_NEAR(g->Vertices()[0].x, 10, 1e-5);
  EXPECT_NEAR(g->Vertices()[0].y, -1, 1e-5);
  EXPECT_EQ(Ctx()->m_matDirty, 0);
}

TEST_F(GraphicsModule, ThirtyThreeNestedPushesGrowTheStackAndPopInReverse) {
  EXPECT_EQ(Ctx()->m_matrixStack.Length(), 192);
  for (int i = 1; i <= 33; ++i) {
    rv_graphics_SetMatrix((float)i, 0, 0, 1, (float)-i, 0);
    rv_graphics_PushMatrix();
  }
  EXPECT_EQ(Ctx()->m_matrixStack.Length(), 384);
  EXPECT_EQ(Ctx()->m_matrixSp, 33 * 6);
  for (int i = 33; i >= 1; --i) {
    rv_graphics_PopMatrix();
    EXPECT_EQ(Ctx()->m_ix, (float)i);
    EXPECT_EQ(Ctx()->m_tx, (float)-i);
  }
  EXPECT_EQ(Ctx()->m_matrixSp, 0);
}

TEST_F(GraphicsModule, PopWithoutPushLeavesTheIdentity) {
  rv_graphics_Scale(3, 4);
  rv_graphics_PopMatrix();
  rv_graphics_PopMatrix();
  EXPECT_EQ(Ctx()->m_matrixSp, 0);
  EXPECT_EQ(Ctx()->m_tformed, 0);
  EXPECT_EQ(Ctx()->m_ix, 1);
  EXPECT_EQ(Ctx()->m_jy, 1);
  rv_graphics_PushMatrix();  // the stack still works afterwards
  EXPECT_EQ(Ctx()->m_matrixSp, 6);
}

TEST_F(GraphicsModule, MatrixFromArraysAndShortArraysIgnored) {
  Array<float> m(6);
  float v[6] = {2, 0, 0, 2, 5, 6};
  for (int i = 0; i < 6; ++i) m[i] = v[i];
  rv_graphics_SetMatrix2(m);
  rv_graphics_Transform2(m);
  EXPECT_EQ(Ctx()->m_ix, 4);
  EXPECT_EQ(Ctx()->m_tx, 15);  // 5 * 2 + 5
  rv_graphics_SetMatrix2(Array<float>(5));
  rv_graphics_Transform2(Array<float>());
  EXPECT_EQ(Ctx()->m_ix, 4);
}

TEST_F(GraphicsModule, FrameStartResetsStateButKeepsTheFont) {
  c_Image* font = (new c_Image())->m_new();
  rv_graphics_SetFont(font, 40);
  rv_graphics_Translate(5, 5);
  rv_graphics_PushMatrix();
  rv_graphics_SetColor(1, 2, 3);
  g->BeginRender();
  rv_graphics_BeginRender();
  EXPECT_EQ(rv_graphics_renderDevice, g);
  EXPECT_EQ(Ctx()->m_matrixSp, 0);
  EXPECT_EQ(Ctx()->m_tformed, 0);
  EXPECT_EQ(Ctx()->m_matDirty, 1);
  EXPECT_EQ(Ctx()->m_color_r, 255);
  EXPECT_EQ(Ctx()->m_alpha, 1);
  EXPECT_EQ(Ctx()->m_blend, 0);
  EXPECT_EQ(Ctx()->m_scissor_width, (float)g->Width());
  EXPECT_EQ(Ctx()->m_font, font);
  EXPECT_EQ(Ctx()->m_firstChar, 40);
  EXPECT_EQ(g->PackedColor(), 0xffffffffu);
  rv_graphics_EndRender();
  EXPECT_EQ(rv_graphics_renderDevice, nullptr);
}

// ---- images ----------------------------------------------------------------

TEST_F(GraphicsModule, PaddedStripOf96Frames) {
  Blank("strip.png", 960, 12);
  c_Image* img = rv_graphics_LoadImage(String("strip.png"), 96, c_Image::PadX);
  ASSERT_NE(img, nullptr);
  EXPECT_EQ(img->p_Frames(), 96);
  EXPECT_EQ(img->m_width, 8);
  EXPECT_EQ(img->m_height, 12);
  for (int i = 0; i < 96; ++i) EXPECT_EQ(img->m_frames[i]->m_x, 1 + 10 * i);
  EXPECT_EQ(img->m_frames[95]->m_y, 0);
  EXPECT_EQ(img->m_flags, c_Image::PadX);
}

TEST_F(GraphicsModule, OneUnpaddedFrameCoversTheWholeSurface) {
  Blank("one.png", 20, 10);
  c_Image* whole = rv_graphics_LoadImage(String("one.png"), 1, 0);
  c_Image* padded = rv_graphics_LoadImage(String("one.png"), 1, c_Image::PadX);
  ASSERT_TRUE(whole && padded);
  EXPECT_EQ(whole->m_flags, c_Image::WholeSurface);
  EXPECT_EQ(padded->m_flags & c_Image::WholeSurface, 0);
  EXPECT_EQ(padded->m_frames[0]->m_x, 1);
  c_Image* told = rv_graphics_LoadImage(String("one.png"), 2, c_Image::WholeSurface);
  EXPECT_EQ(told->m_flags, 0) << "only the module decides WholeSurface";
}

TEST_F(GraphicsModule, CentreHandleIsNotKeptInTheFlags) {
  gxtkSurface* s = g->CreateSurface(64, 16);
  c_Image* img = (new c_Image())->m_new()->p_Init(s, 2, c_Image::CentreHandle | c_Image::PadY);
  EXPECT_EQ(img->m_tx, 16);
  EXPECT_EQ(img->m_ty, 7);  // PadY first: 14 high
  EXPECT_EQ(img->m_flags, c_Image::PadY);
  img->p_SetHandle(1, 2);
  EXPECT_EQ(img->m_tx, 1);
  c_Image* plain = (new c_Image())->m_new()->p_Init(g->CreateSurface(32, 16), 1, 1);
  EXPECT_EQ(plain->m_tx, 16);
  EXPECT_EQ(plain->m_ty, 8);
  EXPECT_EQ(plain->m_flags, c_Image::WholeSurface);
}

TEST_F(GraphicsModule, FramesOfAGridInReadingOrder) {
  gxtkSurface* s = g->CreateSurface(100, 50);
  c_Image* img = (new c_Image())->m_new()->p_Init2(s, 0, 0, 40, 20, 4, 0, nullptr, 0, 0, 100, 50);
  int want[4][2] = {{0, 0}, {40, 0}, {0, 20}, {40, 20}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(img->m_frames[i]->m_x, want[i][0]);
    EXPECT_EQ(img->m_frames[i]->m_y, want[i][1]);
  }
  EXPECT_RUNTIME_ERROR(
      (new c_Image())->m_new()->p_Init2(s, 0, 0, 40, 20, 5, 0, nullptr, 0, 0, 100, 50),
      "Image frame outside surface");
  EXPECT_RUNTIME_ERROR(
      (new c_Image())->m_new()->p_Init2(s, 0, 0, 120, 20, 1, 0, nullptr, 0, 0, 100, 50),
      "Image frame outside surface");
}

TEST_F(GraphicsModule, LoadImage2CutsFramesOfTheGivenSize) {
  Blank("grid.png", 64, 48);
  c_Image* img = rv_graphics_LoadImage2(String("grid.png"), 32, 16, 6, 0);
  ASSERT_NE(img, nullptr);
  EXPECT_EQ(img->m_frames[5]->m_x, 32);
  EXPECT_EQ(img->m_frames[5]->m_y, 32);
  EXPECT_EQ(img->m_source, nullptr);
}

TEST_F(GraphicsModule, AnImageIsInitialisedOnce) {
  gxtkSurface* s = g->CreateSurface(8, 8);
  c_Image* img = (new c_Image())->m_new()->p_Init(s, 1, 0);
  EXPECT_RUNTIME_ERROR(img->p_Init(s, 1, 0), "Image already initialized");
  EXPECT_RUNTIME_ERROR(img->p_Init2(s, 0, 0, 8, 8, 1, 0, nullptr, 0, 0, 8, 8),
                       "Image already initialized");
}

TEST_F(GraphicsModule, FrameCountsBelowOneAreRefused) {
  Blank("a.png", 8, 8);
  EXPECT_EQ(rv_graphics_LoadImage(String("a.png"), 0, 0), nullptr);
  EXPECT_EQ(rv_graphics_LoadImage2(String("a.png"), 8, 8, -1, 0), nullptr);
  EXPECT_EQ(rv_graphics_CreateImage(8, 8, 0, 0), nullptr);
  gxtkSurface* s = g->CreateSurface(8, 8);
  c_Image* img = (new c_Image())->m_new()->p_Init(s, 0, 0);
  EXPECT_EQ(img->m_surface, nullptr);
  EXPECT_EQ(img->p_Frames(), 0);
  img->p_Init(s, 2, 0);  // still free to be initialised properly
  EXPECT_EQ(img->p_Frames(), 2);
  EXPECT_EQ(img->m_width, 4);
}

TEST_F(GraphicsModule, CreateImageMakesOneSurfaceForAllFrames) {
  c_Image* img = rv_graphics_CreateImage(16, 8, 3, c_Image::CentreHandle);
  ASSERT_NE(img, nullptr);
  EXPECT_EQ(img->m_surface->Width(), 48);
  EXPECT_EQ(img->m_surface->Height(), 8);
  EXPECT_EQ(img->m_frames[2]->m_x, 32);
  EXPECT_EQ(img->m_tx, 8);
  EXPECT_EQ(rv_graphics_CreateImage(0, 8, 1, 0), nullptr);
}

TEST_F(GraphicsModule, MissingFilesGiveNull) {
  EXPECT_EQ(rv_graphics_LoadImage(String("absent.png"), 1, 0), nullptr);
  EXPECT_EQ(rv_graphics_LoadImage2(String("absent.png"), 4, 4, 1, 0), nullptr);
  testing_support::WriteFile(dir + "/junk.png", "not a picture");
  EXPECT_EQ(rv_graphics_LoadImage(String("junk.png"), 1, 0), nullptr);
}

TEST_F(GraphicsModule, BareNamesResolveToTheDataFolderBesideTheProgram) {
  GraphicsHost()->dataDir.clear();
  char exe[4096] = {0};
  ASSERT_GT(readlink("/proc/self/exe", exe, sizeof exe - 1), 0);
  std::string data = std::string(exe).substr(0, std::string(exe).rfind('/')) + "/data";
  ASSERT_EQ(testing_support::RunCommand({"mkdir", "-p", data}).exit_code, 0);
  std::string name = "graphics_module_" + std::to_string(getpid()) + ".png";
  Convert({"-size", "6x3", "xc:red", "PNG24:" + data + "/" + name});
  c_Image* img = rv_graphics_LoadImage(String(name.c_str()), 3, 0);
  std::remove((data + "/" + name).c_str());
  ASSERT_NE(img, nullptr);
  EXPECT_EQ(img->m_width, 2);
  c_Image* absolute = rv_graphics_LoadImage(String((dir + "/none.png").c_str()), 1, 0);
  EXPECT_EQ(absolute, nullptr);
}

// ---- pixels as loaded ------------------------------------------------------

TEST_F(GraphicsModule, EveryPngColourTypeLoadsAtItsOwnDepthPremultiplied) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
    int depth;
  };
  std::vector<Case> cases = {
      {"g.png", {"-size", "2x2", "xc:gray(40%)", "-define", "png:color-type=0", "-depth", "8"}, 1},
      {"ga.png",
       {"-size", "2x2", "xc:graya(80%,0.5)", "-define", "png:color-type=4", "-depth", "8"},
       2},
      {"rgb.png", {"-size", "2x2", "xc:#ff8000"}, 3},
      {"rgba.png", {"-size", "2x2", "xc:rgba(255,128,0,0.5)"}, 4},
  };
  const char* prefix[] = {"", "", "PNG24:", "PNG32:"};
  for (int i = 0; i < 4; ++i) {
    auto& c = cases[i];
    std::vector<std::string> args = c.args;
    args.push_back(std::string(prefix[i]) + dir + "/" + c.name);
    Convert(args);
    int w = 0, h = 0, d = 0;
    unsigned char* raw = GraphicsHost()->LoadImageData(String((dir + "/" + c.name).c_str()), &w, &h, &d);
    ASSERT_NE(raw, nullptr) << c.name;
    EXPECT_EQ(d, c.depth) << c.name;
    gxtkSurface* s = g->LoadSurface(String((dir + "/" + c.name).c_str()));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->depth, c.depth);
    if (d == 2) {
      EXPECT_EQ(s->data[0], raw[0] * raw[1] / 255);
      EXPECT_EQ(s->data[1], raw[1]);
    } else if (d == 4) {
      EXPECT_EQ(s->data[0], raw[0] * raw[3] / 255);
      EXPECT_EQ(s->data[1], raw[1] * raw[3] / 255);
      EXPECT_EQ(s->data[3], raw[3]);
    } else {
      EXPECT_EQ(s->data[0], raw[0]) << "no alpha: unchanged";
    }
    std::free(raw);
  }
}

TEST_F(GraphicsModule, SubDataIsPremultipliedAndClipped) {
  gxtkSurface* s = g->CreateSurface(4, 2);
  Array<int> px(3);
  px[0] = (int)0x80ff8040u;
  px[1] = (int)0xff102030u;
  px[2] = (int)0xffffffffu;
  g->WritePixels2(s, px, 3, 1, 3, 1, 0, 3);  // two of three pixels fall outside
  ASSERT_NE(s->data, nullptr);
  const unsigned char* p = s->data + (1 * 4 + 3) * 4;
  EXPECT_EQ(p[0], 255 * 128 / 255);
  EXPECT_EQ(p[1], 128 * 128 / 255);
  EXPECT_EQ(p[2], 64 * 128 / 255);
  EXPECT_EQ(p[3], 128);
  EXPECT_EQ(s->data[0], 0) << "the rest of a new copy is transparent black";
  EXPECT_EQ(s->data[3], 0);
  g->WritePixels2(s, px, 0, 0, 2, 2, 0, 2);  // needs 4 ints from an array of 3
  EXPECT_EQ(s->data[0], 0);
}

// ---- the default font ------------------------------------------------------

TEST_F(GraphicsModule, NullFontMeansTheDefaultFontFromCharacter32) {
  Blank("zuli_font.png", 960, 10);
  rv_graphics_SetFont(nullptr, 65);
  c_Image* font = Ctx()->m_font;
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(Ctx()->m_firstChar, 32);
  EXPECT_EQ(font->p_Frames(), 96);
  EXPECT_EQ(font->m_width, 8);
  EXPECT_EQ(font->m_frames[2]->m_x, 21);
  rv_graphics_SetFont(nullptr, 32);
  EXPECT_EQ(Ctx()->m_font, font) << "loaded once";
  c_Image* mine = (new c_Image())->m_new();
  rv_graphics_SetFont(mine, 65);
  EXPECT_EQ(Ctx()->m_firstChar, 65);
  EXPECT_EQ(Ctx()->m_font, mine);
}

TEST_F(GraphicsModule, AMissingDefaultFontLeavesNoFont) {
  rv_graphics_SetFont(nullptr, 65);
  EXPECT_EQ(Ctx()->m_font, nullptr);
  EXPECT_EQ(Ctx()->m_firstChar, 32);
}

// ---- drawing that must not crash -------------------------------------------

TEST_F(GraphicsModule, FramesOutsideTheImageAndDrawsOutsideAFrameDrawNothing) {
  gxtkSurface* s = g->CreateSurface(16, 8);
  c_Image* img = (new c_Image())->m_new()->p_Init(s, 2, 0);
  // Outside a frame: no render device.
  rv_graphics_SetColor(10, 20, 30);
  rv_graphics_SetBlend(1);
  rv_graphics_DrawImage(img, 0, 0, 0);
  rv_graphics_DrawRect(0, 0, 1, 1);
  rv_graphics_DrawEllipse(0, 0, 1, 1);
  rv_graphics_DrawLine(0, 0, 1, 1);
  EXPECT_EQ(Ctx()->m_color_g, 20) << "state is still kept";
  EXPECT_EQ(g->VertexCount(), 0);

  g->BeginRender();
  rv_graphics_BeginRender();
  rv_graphics_DrawImage(img, 0, 0, 2);
  rv_graphics_DrawImage(img, 0, 0, -1);
  rv_graphics_DrawImage2(img, 0, 0, 45, 2, 2, 7);
  rv_graphics_DrawImage(nullptr, 0, 0, 0);
  rv_graphics_DrawImage((new c_Image())->m_new(), 0, 0, 0);
  EXPECT_EQ(g->VertexCount(), 0);
  EXPECT_EQ(Ctx()->m_matrixSp, 0);
  rv_graphics_DrawImage(img, 0, 0, 1);
  EXPECT_EQ(g->VertexCount(), 4);
  rv_graphics_EndRender();
}

TEST_F(GraphicsModule, ImagesDrawAtTheirHandleWithRotationAndScaleAboutIt) {
  gxtkSurface* s = g->CreateSurface(40, 10);
  c_Image* strip = (new c_Image())->m_new()->p_Init(s, 4, c_Image::CentreHandle);
  g->BeginRender();
  rv_graphics_BeginRender();
  rv_graphics_DrawImage(strip, 100, 50, 2);
  const auto* v = g->Vertices();
  EXPECT_EQ(v[0].x, 95);
  EXPECT_EQ(v[0].y, 45);
  EXPECT_EQ(v[0].u, 0.5f);
  EXPECT_EQ(v[2].u, 0.75f);
  // Doubled and turned a quarter: the handle stays at (100, 50).
  rv_graphics_DrawImage2(strip, 100, 50, 90, 2, 2, 2);
  v = g->Vertices() + 4;
  EXPECT_NEAR(v[0].x, 90, 1e-4);  // corner (-5, -5) -> scaled (-10, -10) -> turned
  EXPECT_NEAR(v[0].y, 60, 1e-4);
  EXPECT_NEAR(v[2].x, 110, 1e-4);
  EXPECT_NEAR(v[2].y, 40, 1e-4);
  EXPECT_EQ(Ctx()->m_tformed, 0) << "the matrix is popped again";

  c_Image* whole = (new c_Image())->m_new()->p_Init(s, 1, 0);
  rv_graphics_DrawImage(whole, 0, 0, 0);
  v = g->Vertices() + 8;
  EXPECT_EQ(v[2].x, 40);
  EXPECT_EQ(v[2].u, 1.0f);
  rv_graphics_EndRender();
}

}  // namespace
