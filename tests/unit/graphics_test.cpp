// The renderer and graphics module with drawing disabled: what a caller can get
// wrong or feed in must never overrun or crash (pixels: tests/display).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/checks.h"
#include "support/game_rig.h"
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
  }
  void TearDown() override { GraphicsHost()->dataDir.clear(); }
  std::string Png(const std::string& name, std::vector<std::string> args) {
    std::string path = dir + "/" + name;
    args.back() += path;  // the last argument is the output format prefix
    testing_support::Convert(args);
    return path;
  }
  c_GraphicsContext* Ctx() { return rv_graphics_context; }
  std::string dir;
  gxtkGraphics* g;
  gxtkSurface* surface;
};

TEST_F(Graphics, AFullBufferFlushesAndWhatNoBatchHoldsIsRefused) {
  for (int i = 0; i < 256; ++i) g->DrawSurface2(surface, i, 0, 0, 0, 8, 8);
  EXPECT_EQ(g->Stats().batches, 0);
  g->DrawSurface2(surface, 0, 0, 0, 0, 8, 8);  // the 257th quad
  EXPECT_EQ(g->Stats().batches, 1);
  for (int i = 0; i < 513; ++i) g->DrawLine(0, 0, 1, 1);
  EXPECT_EQ(g->VertexCount(), 2);
  g->EndRender();
  g->ResetStats();
  g->DrawPoly(Array<float>(2050));
  g->DrawPoly(Array<float>());
  g->DrawPoly2(Array<float>(3), surface, 0, 0);
  g->DrawSurface(nullptr, 0, 0);
  g->DrawPoly2(Array<float>(12), nullptr, 0, 0);
  g->EndRender();
  EXPECT_EQ(g->Stats().batches, 0);
  EXPECT_EQ(g->Begin(4, 1025, nullptr), nullptr);
  g->SetMatrix(1e30f, 0, 0, 1e30f, 0, 0);
  g->DrawOval(0, 0, 1e30f, 1e30f);  // a segment count beyond an int
  EXPECT_GT(g->VertexCount(), 0);
}

TEST_F(Graphics, TheBatchSurfaceStaysAliveThroughCollections) {
  gxtkSurface* only = g->CreateSurface(4, 4);
  g->DrawSurface(only, 0, 0);
  g->EndRender();  // flushed, but the batch still names the surface
  surface = nullptr;
  testing_support::ForceCollection(3, false);
  EXPECT_TRUE(gc_is_live(only) && gc_is_live(g));
}

TEST_F(Graphics, TheMatrixStackGrowsUnderflowsSafelyAndAFrameResetsIt) {
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
  rv_graphics_SetMatrix2(Array<float>(5));  // too short: ignored
  rv_graphics_Transform2(Array<float>());
  EXPECT_EQ(Ctx()->m_ix, 1);
  c_Image* font = (new c_Image())->m_new();
  rv_graphics_SetFont(font, 40);
  rv_graphics_Translate(5, 5);
  rv_graphics_PushMatrix();
  rv_graphics_SetColor(1, 2, 3);
  rv_graphics_BeginRender();
  EXPECT_EQ(Ctx()->m_matrixSp + Ctx()->m_tformed, 0);
  EXPECT_EQ(Ctx()->m_color_r, 255);
  EXPECT_EQ(Ctx()->m_font, font);  // kept
  rv_graphics_EndRender();
}

TEST_F(Graphics, ImagesAreCutIntoFramesAndBadOnesAreRefused) {
  Png("grid.png", {"-size", "64x48", "xc:gray", "PNG24:"});
  EXPECT_EQ(rv_graphics_LoadImage(String("grid.png"), 0, 0), nullptr);
  EXPECT_EQ(rv_graphics_LoadImage2(String("grid.png"), 8, 8, -1, 0), nullptr);
  EXPECT_EQ(rv_graphics_CreateImage(0, 8, 1, 0), nullptr);
  gxtkSurface* s = g->CreateSurface(100, 50);
  EXPECT_RUNTIME_ERROR(
      (new c_Image())->m_new()->p_Init2(s, 0, 0, 40, 20, 5, 0, nullptr, 0, 0, 100, 50),
      "Image frame outside surface");
  c_Image* img = (new c_Image())->m_new()->p_Init(s, 1, 0);
  EXPECT_RUNTIME_ERROR(img->p_Init(s, 1, 0), "Image already initialized");
}

TEST_F(Graphics, PalettedAndDeepPngsLoadAsRgbAndWritesStayInside) {
  // Gray, gray with alpha and RGBA are judged by their pixels in tests/display.
  for (std::string kind : {"PNG24:", "PNG8:", "PNG48:"}) {
    std::string depth = kind == "PNG48:" ? "16" : "8";
    std::string path = Png(kind.substr(0, kind.size() - 1) + ".png",
                           {"-size", "2x2", "xc:orange", "-depth", depth, kind});
    gxtkSurface* s = g->LoadSurface(String(path.c_str()));
    ASSERT_NE(s, nullptr) << kind;
    EXPECT_EQ(s->depth * 1000 + s->data[0], 3255) << kind;
  }
  gxtkSurface* s = g->CreateSurface(4, 2);
  Array<int> px(3);
  px[0] = (int)0x80ff8040u;
  g->WritePixels2(s, px, 3, 1, 3, 1, 0, 3);  // two of three pixels fall outside
  const unsigned char* p = s->data + (1 * 4 + 3) * 4;
  EXPECT_EQ(std::vector<int>(p, p + 4), (std::vector<int>{128, 64, 32, 128}));
  g->WritePixels2(s, px, 0, 0, 2, 2, 0, 2);  // needs 4 pixels from an array of 3
  EXPECT_EQ(s->data[3], 0);
}

TEST_F(Graphics, ImagesDrawAtTheirHandleAndBadFramesDrawNothing) {
  c_Image* strip =
      (new c_Image())->m_new()->p_Init(g->CreateSurface(40, 10), 4, c_Image::CentreHandle);
  rv_graphics_DrawImage(strip, 0, 0, 0);  // outside a frame: nothing
  rv_graphics_BeginRender();
  for (int frame : {4, -1}) rv_graphics_DrawImage(strip, 0, 0, frame);
  rv_graphics_DrawImage(nullptr, 0, 0, 0);
  rv_graphics_DrawImage((new c_Image())->m_new(), 0, 0, 0);
  EXPECT_EQ(g->VertexCount(), 0);
  rv_graphics_DrawImage2(strip, 100, 50, 90, 2, 2, 2);  // turned and scaled about the handle
  const auto* v = g->Vertices();
  EXPECT_NEAR(v[0].x, 90, 1e-4);
  EXPECT_NEAR(v[0].y, 60, 1e-4);
  EXPECT_EQ(v[0].u, 0.5f);
  EXPECT_EQ(Ctx()->m_tformed, 0);  // drawing leaves the context's matrix as it was
  rv_graphics_EndRender();
}

}  // namespace
