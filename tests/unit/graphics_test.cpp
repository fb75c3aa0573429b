// The renderer and the graphics module without a display: drawing is
// disabled, so the batcher's counters and vertex buffer show what would
// reach GL (the pixels themselves are judged in tests/display). Images are
// real PNG files made by ImageMagick.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/checks.h"
#include "support/graphics_rig.h"
#include "support/process.h"

namespace {

using testing_support::GraphicsHost;

class Graphics : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = testing_support::MakeTempDir("graphics");
    GraphicsHost()->dataDir = dir;
    g = testing_support::NewDevice();
    g->SetDrawingEnabled(false);
    g->BeginRender();
    surface = g->CreateSurface(64, 32);
    other = g->CreateSurface(64, 32);
  }
  void TearDown() override { GraphicsHost()->dataDir.clear(); }
  int Batches() { return g->Stats().batches; }
  void Blank(const std::string& name, int w, int h) {
    testing_support::Convert(
        {"-size", std::to_string(w) + "x" + std::to_string(h), "xc:gray", "PNG24:" + dir + "/" + name});
  }
  void Frame() {  // the module's frame start on this device
    g->BeginRender();
    rv_graphics_BeginRender();
  }
  c_GraphicsContext* Ctx() { return rv_graphics_context; }
  std::string dir;
  gxtkGraphics* g;
  gxtkSurface *surface, *other;
};

// ---- The batcher ---------------------------------------------------------------------

TEST_F(Graphics, OnlyLikeDrawsShareACallSoTheOrderHolds) {
  g->DrawSurface(surface, 0, 0);
  g->DrawSurface(surface, 10, 0);
  g->EndRender();
  EXPECT_EQ(g->Stats().drawCalls, 1);
  g->ResetStats();
  g->DrawSurface(surface, 0, 0);
  g->DrawRect(0, 0, 5, 5);
  g->DrawSurface(other, 0, 0);
  g->DrawSurface(surface, 0, 0);
  g->EndRender();
  EXPECT_EQ(Batches(), 4);
}

TEST_F(Graphics, AFullBufferFlushesBeforeItOverflows) {
  for (int i = 0; i < 256; ++i) g->DrawSurface2(surface, i, 0, 0, 0, 8, 8);
  EXPECT_EQ(Batches(), 0);
  g->DrawSurface2(surface, 0, 0, 0, 0, 8, 8);
  EXPECT_EQ(Batches(), 1);
  EXPECT_EQ(g->VertexCount(), 4);
  g->EndRender();
  g->ResetStats();
  for (int i = 0; i < 512; ++i) g->DrawLine(0, 0, 1, 1);
  EXPECT_EQ(Batches(), 0);
  g->DrawLine(0, 0, 1, 1);
  EXPECT_EQ(Batches(), 1);
  EXPECT_EQ(g->VertexCount(), 2);
  // What no batch can hold is refused, not written past the buffer.
  g->EndRender();
  g->ResetStats();
  g->DrawPoly(Array<float>(2050));
  g->DrawPoly(Array<float>());
  g->DrawPoly2(Array<float>(3), surface, 0, 0);
  g->DrawSurface(nullptr, 0, 0);
  g->DrawPoly2(Array<float>(12), nullptr, 0, 0);
  g->EndRender();
  EXPECT_EQ(Batches(), 0);
  EXPECT_EQ(g->Begin(4, 1025, nullptr), nullptr);
  g->SetMatrix(1e30f, 0, 0, 1e30f, 0, 0);
  g->DrawOval(0, 0, 1e30f, 1e30f);  // a segment count beyond an int
  EXPECT_GT(g->VertexCount(), 0);
}

TEST_F(Graphics, GlStateChangesFlushFirstAndClsDropsWhatWasNotDrawn) {
  g->DrawRect(0, 0, 1, 1);
  g->SetColor(1, 2, 3);
  g->SetAlpha(0.5f);
  g->SetMatrix(2, 0, 0, 2, 5, 5);
  g->SetBlend(0);  // the current blend again
  EXPECT_EQ(Batches(), 0);
  g->SetBlend(1);
  EXPECT_EQ(Batches(), 1);
  g->DrawRect(0, 0, 1, 1);
  g->SetScissor(1, 1, 5, 5);
  EXPECT_EQ(Batches(), 2);
  g->DrawRect(0, 0, 1, 1);
  g->ReadPixels(Array<int>(1), 0, 0, 1, 1, 0, 1);
  EXPECT_EQ(Batches(), 3);
  g->DrawRect(0, 0, 1, 1);
  g->Cls(0, 0, 0);
  g->EndRender();
  EXPECT_EQ(Batches(), 3);
}

TEST_F(Graphics, VerticesCarryPremultipliedColourMatrixAndFrameCoordinates) {
  g->SetColor(255, 128, 0);
  g->SetAlpha(0.5f);
  g->DrawRect(0, 0, 1, 1);
  g->SetColor(0, 0, 255);
  g->SetAlpha(1);
  g->DrawRect(0, 0, 1, 1);
  unsigned char b[4];
  std::memcpy(b, &g->Vertices()[3].color, 4);
  EXPECT_EQ(std::vector<int>(b, b + 4), (std::vector<int>{127, 64, 0, 127}));
  std::memcpy(b, &g->Vertices()[4].color, 4);
  EXPECT_EQ(std::vector<int>(b, b + 4), (std::vector<int>{0, 0, 255, 255}));
  g->Flush();
  g->SetMatrix(0, 1, -1, 0, 100, 50);  // a quarter turn, applied on the CPU
  g->DrawSurface2(surface, 10, 0, 16, 8, 16, 8);
  const auto* v = g->Vertices();
  EXPECT_FLOAT_EQ(v[0].x, 100);
  EXPECT_FLOAT_EQ(v[0].y, 60);
  EXPECT_EQ(v[0].u, 0.25f);
  EXPECT_EQ(v[0].v, 0.25f);
  EXPECT_EQ(v[2].u, 0.5f);
  EXPECT_EQ(v[2].v, 0.5f);
}

TEST_F(Graphics, TheBatchSurfaceStaysAliveThroughCollections) {
  gxtkSurface* only = g->CreateSurface(4, 4);
  g->DrawSurface(only, 0, 0);
  g->EndRender();  // flushed, but the batch still names the surface
  surface = other = nullptr;
  testing_support::ForceCollection(3, false);
  EXPECT_TRUE(gc_is_live(only));
  EXPECT_TRUE(gc_is_live(g));
}

// ---- The module: matrix and frame state ---------------------------------------------

TEST_F(Graphics, MatrixActsInLocalSpaceAndItsStackGrowsAndUnderflowsSafely) {
  Frame();
  rv_graphics_Translate(10, 0);
  rv_graphics_Rotate(90);
  rv_graphics_DrawRect(1, 0, 1, 1);
  EXPECT_NEAR(g->Vertices()[0].x, 10, 1e-5);
  EXPECT_NEAR(g->Vertices()[0].y, -1, 1e-5);
  for (int i = 1; i <= 33; ++i) {
    rv_graphics_SetMatrix((float)i, 0, 0, 1, (float)-i, 0);
    rv_graphics_PushMatrix();
  }
  for (int i = 33; i >= 1; --i) {
    rv_graphics_PopMatrix();
    ASSERT_EQ(Ctx()->m_ix, (float)i);
  }
  rv_graphics_PopMatrix();  // one more than was pushed
  EXPECT_EQ(Ctx()->m_matrixSp, 0);
  EXPECT_EQ(Ctx()->m_tformed, 0);
  rv_graphics_SetMatrix2(Array<float>(5));  // too short: ignored
  rv_graphics_Transform2(Array<float>());
  EXPECT_EQ(Ctx()->m_ix, 1);
  c_Image* font = (new c_Image())->m_new();
  rv_graphics_SetFont(font, 40);
  rv_graphics_SetColor(1, 2, 3);
  rv_graphics_EndRender();
  EXPECT_EQ(rv_graphics_renderDevice, nullptr);
  Frame();  // a new frame resets the state but keeps the font
  EXPECT_EQ(Ctx()->m_color_r, 255);
  EXPECT_EQ(Ctx()->m_font, font);
  EXPECT_EQ(g->PackedColor(), 0xffffffffu);
  rv_graphics_EndRender();
}

// ---- Images -------------------------------------------------------------------------

TEST_F(Graphics, ImagesAreCutIntoFramesInReadingOrder) {
  Blank("strip.png", 960, 12);
  c_Image* strip = rv_graphics_LoadImage(String("strip.png"), 96, c_Image::PadX);
  ASSERT_NE(strip, nullptr);
  EXPECT_EQ(strip->m_width, 8);
  for (int i = 0; i < 96; ++i) ASSERT_EQ(strip->m_frames[i]->m_x, 1 + 10 * i);
  Blank("grid.png", 64, 48);
  c_Image* grid = rv_graphics_LoadImage2(String("grid.png"), 32, 16, 6, 0);
  ASSERT_NE(grid, nullptr);
  EXPECT_EQ(grid->m_frames[5]->m_x, 32);
  EXPECT_EQ(grid->m_frames[5]->m_y, 32);
  c_Image* made = rv_graphics_CreateImage(16, 8, 3, c_Image::CentreHandle);
  EXPECT_EQ(made->m_surface->Width(), 48);
  EXPECT_EQ(made->m_tx, 8);
  // Refused: no frames, no size, no file, no picture.
  testing_support::WriteFile(dir + "/junk.png", "not a picture");
  EXPECT_EQ(rv_graphics_LoadImage(String("strip.png"), 0, 0), nullptr);
  EXPECT_EQ(rv_graphics_LoadImage2(String("grid.png"), 8, 8, -1, 0), nullptr);
  EXPECT_EQ(rv_graphics_CreateImage(0, 8, 1, 0), nullptr);
  EXPECT_EQ(rv_graphics_LoadImage(String("absent.png"), 1, 0), nullptr);
  EXPECT_EQ(rv_graphics_LoadImage(String("junk.png"), 1, 0), nullptr);
}

TEST_F(Graphics, FramesOutsideTheSurfaceOrASecondInitAreRuntimeErrors) {
  gxtkSurface* s = g->CreateSurface(100, 50);
  EXPECT_RUNTIME_ERROR(
      (new c_Image())->m_new()->p_Init2(s, 0, 0, 40, 20, 5, 0, nullptr, 0, 0, 100, 50),
      "Image frame outside surface");
  c_Image* img = (new c_Image())->m_new()->p_Init(s, 1, 0);
  EXPECT_RUNTIME_ERROR(img->p_Init(s, 1, 0), "Image already initialized");
}

TEST_F(Graphics, PngsOfEveryKindLoadAtTheirDepthPremultiplied) {
  const struct {
    std::string args;
    int depth, first, alpha;
  } cases[] = {{"xc:gray(40%) -define png:color-type=0 -depth 8 ", 1, 102, -1},
               {"xc:graya(80%,0.5) -define png:color-type=4 -depth 8 ", 2, 102, 128},
               {"xc:#ff8000 PNG24:", 3, 255, -1},
               {"xc:rgba(255,128,0,0.5) PNG32:", 4, 128, 128},
               {"xc:orange PNG8:", 3, 255, -1},
               {"xc:orange -depth 16 PNG48:", 3, 255, -1}};
  int n = 0;
  for (const auto& c : cases) {
    std::vector<std::string> args = {"-size", "2x2"};
    for (std::size_t at = 0, next; (next = c.args.find(' ', at)) != std::string::npos; at = next + 1) {
      args.push_back(c.args.substr(at, next - at));
    }
    std::string path = dir + "/k" + std::to_string(n++) + ".png";
    args.push_back(c.args.substr(c.args.rfind(' ') + 1) + path);
    testing_support::Convert(args);
    gxtkSurface* s = g->LoadSurface(String(path.c_str()));
    ASSERT_NE(s, nullptr) << c.args;
    EXPECT_EQ(s->depth, c.depth) << c.args;
    EXPECT_NEAR(s->data[0], c.first, 1) << c.args;
    if (c.alpha >= 0) EXPECT_NEAR(s->data[c.depth - 1], c.alpha, 1) << c.args;
  }
}

TEST_F(Graphics, WrittenPixelsArePremultipliedAndClipped) {
  gxtkSurface* s = g->CreateSurface(4, 2);
  Array<int> px(3);
  px[0] = (int)0x80ff8040u;
  g->WritePixels2(s, px, 3, 1, 3, 1, 0, 3);  // two of three pixels fall outside
  const unsigned char* p = s->data + (1 * 4 + 3) * 4;
  EXPECT_EQ(std::vector<int>(p, p + 4), (std::vector<int>{128, 64, 32, 128}));
  EXPECT_EQ(s->data[3], 0);  // the rest of a new copy is transparent
  g->WritePixels2(s, px, 0, 0, 2, 2, 0, 2);  // needs 4 pixels from an array of 3
  EXPECT_EQ(s->data[3], 0);
}

TEST_F(Graphics, TheDefaultFontLoadsOnceOrNotAtAll) {
  rv_graphics_SetFont(nullptr, 65);
  EXPECT_EQ(Ctx()->m_font, nullptr);  // not there: no font, no crash
  Blank("zuli_font.png", 960, 10);
  rv_graphics_SetFont(nullptr, 65);
  c_Image* font = Ctx()->m_font;
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(Ctx()->m_firstChar, 32);
  EXPECT_EQ(font->p_Frames(), 96);
  rv_graphics_SetFont(nullptr, 32);
  EXPECT_EQ(Ctx()->m_font, font);
}

TEST_F(Graphics, ImagesDrawAtTheirHandleAndBadFramesDrawNothing) {
  gxtkSurface* s = g->CreateSurface(40, 10);
  c_Image* strip = (new c_Image())->m_new()->p_Init(s, 4, c_Image::CentreHandle);
  rv_graphics_DrawImage(strip, 0, 0, 0);  // outside a frame: nothing
  rv_graphics_DrawRect(0, 0, 1, 1);
  EXPECT_EQ(g->VertexCount(), 0);
  Frame();
  for (int frame : {4, -1}) rv_graphics_DrawImage(strip, 0, 0, frame);
  rv_graphics_DrawImage(nullptr, 0, 0, 0);
  rv_graphics_DrawImage((new c_Image())->m_new(), 0, 0, 0);
  EXPECT_EQ(g->VertexCount(), 0);
  rv_graphics_DrawImage(strip, 100, 50, 2);
  const auto* v = g->Vertices();
  EXPECT_EQ(v[0].x, 95);
  EXPECT_EQ(v[0].y, 45);
  EXPECT_EQ(v[0].u, 0.5f);
  rv_graphics_DrawImage2(strip, 100, 50, 90, 2, 2, 2);  // turned and scaled about the handle
  v = g->Vertices() + 4;
  EXPECT_NEAR(v[0].x, 90, 1e-4);
  EXPECT_NEAR(v[0].y, 60, 1e-4);
  EXPECT_NEAR(v[2].x, 110, 1e-4);
  EXPECT_EQ(Ctx()->m_tformed, 0);  // the matrix is popped again
  rv_graphics_EndRender();
}

}  // namespace
