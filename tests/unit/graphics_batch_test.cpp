// The renderer's batcher without a display: which primitives share a draw
// call, where each vertex lands and which colour it carries. The renderer
// runs with drawing disabled, so only its counters and vertex buffer are
// observed; the same rules are checked on real GL in tests/display.
#include <gtest/gtest.h>

#include <cstring>

#include "support/graphics_rig.h"

namespace {

using testing_support::GraphicsHost;

class GraphicsBatcher : public ::testing::Test {
 protected:
  void SetUp() override {
    g = testing_support::NewDevice();
    g->SetDrawingEnabled(false);
    g->BeginRender();
    surface = g->CreateSurface(64, 32);
    other = g->CreateSurface(64, 32);  // no window: no texture, exact-size scales
  }
  const gxtkGraphics::Counters& Stats() { return g->Stats(); }
  static void Bytes(std::uint32_t color, unsigned char out[4]) { std::memcpy(out, &color, 4); }

  gxtkGraphics* g;
  gxtkSurface* surface;
  gxtkSurface* other;
};

TEST_F(GraphicsBatcher, TwoQuadsOfOneSurfaceAreOneCallOfTwelveIndices) {
  g->DrawSurface(surface, 0, 0);
  g->DrawSurface(surface, 10, 0);
  g->EndRender();
  EXPECT_EQ(Stats().drawCalls, 1);
  EXPECT_EQ(Stats().lastCount, 12);
}

TEST_F(GraphicsBatcher, ARectangleBetweenTwoQuadsMakesThreeCalls) {
  g->DrawSurface(surface, 0, 0);
  g->DrawRect(0, 0, 5, 5);
  g->DrawSurface(surface, 10, 0);
  g->EndRender();
  EXPECT_EQ(Stats().drawCalls, 3);
}

TEST_F(GraphicsBatcher, AnotherSurfaceStartsANewBatch) {
  g->DrawSurface(surface, 0, 0);
  g->DrawSurface(other, 0, 0);
  g->DrawSurface(surface, 0, 0);
  g->EndRender();
  EXPECT_EQ(Stats().batches, 3);
}

TEST_F(GraphicsBatcher, The257thQuadFlushesTheFirst256) {
  for (int i = 0; i < 256; ++i) g->DrawSurface2(surface, i, 0, 0, 0, 8, 8);
  EXPECT_EQ(Stats().batches, 0);
  EXPECT_EQ(g->VertexCount(), 1024);
  g->DrawSurface2(surface, 0, 0, 0, 0, 8, 8);
  EXPECT_EQ(Stats().batches, 1);
  EXPECT_EQ(Stats().lastCount, 256 * 6);
  EXPECT_EQ(g->VertexCount(), 4);
  g->EndRender();
  EXPECT_EQ(Stats().drawCalls, 2);
  EXPECT_EQ(Stats().lastCount, 6);
}

TEST_F(GraphicsBatcher, PointsAndLinesFillTheBufferToTheLastVertex) {
  for (int i = 0; i < 1024; ++i) g->DrawPoint(i, 0);
  EXPECT_EQ(Stats().batches, 0);
  g->DrawPoint(0, 0);
  EXPECT_EQ(Stats().batches, 1);
  g->EndRender();
  g->ResetStats();
  for (int i = 0; i < 511; ++i) g->DrawLine(0, 0, 1, 1);
  EXPECT_EQ(g->VertexCount(), 1022);
  g->DrawLine(0, 0, 1, 1);
  EXPECT_EQ(g->VertexCount(), 1024);
  g->DrawLine(0, 0, 1, 1);
  EXPECT_EQ(Stats().batches, 1);
  EXPECT_EQ(g->VertexCount(), 2);
}

TEST_F(GraphicsBatcher, PolygonsOfFiveAndSixVerticesAreTwoBatches) {
  Array<float> five(10), six(12);
  g->DrawPoly(five);
  g->DrawPoly(six);
  g->EndRender();
  EXPECT_EQ(Stats().batches, 2);
  EXPECT_EQ(Stats().drawCalls, 2);
  g->ResetStats();
  g->DrawPoly(five);
  g->DrawPoly(five);
  g->EndRender();
  EXPECT_EQ(Stats().batches, 1);
  EXPECT_EQ(Stats().drawCalls, 2);  // one fan per polygon
}

TEST_F(GraphicsBatcher, PolygonVertexCountIsItsPrimitiveType) {
  Array<float> pts(2), quad(8), big(2048), tooBig(2050), odd(3);
  g->DrawPoly(pts);
  EXPECT_EQ(g->PrimitiveType(), 1);
  g->DrawPoly(quad);
  EXPECT_EQ(g->PrimitiveType(), 4);
  g->DrawPoly(big);
  EXPECT_EQ(g->PrimitiveType(), 1024);
  g->EndRender();
  g->ResetStats();
  g->DrawPoly(tooBig);
  g->DrawPoly(Array<float>());
  g->DrawPoly2(Array<float>(3), surface, 0, 0);
  g->EndRender();
  EXPECT_EQ(Stats().batches, 0);
}

TEST_F(GraphicsBatcher, ClsDropsTheUnflushedBatch) {
  g->DrawRect(0, 0, 10, 10);
  g->DrawRect(20, 0, 10, 10);
  g->Cls(0, 0, 0);
  g->EndRender();
  EXPECT_EQ(Stats().batches, 0);
}

TEST_F(GraphicsBatcher, StateChangesThatTouchGlFlushOthersDoNot) {
  g->DrawRect(0, 0, 1, 1);
  g->SetColor(1, 2, 3);
  g->SetAlpha(0.5f);
  g->SetMatrix(2, 0, 0, 2, 5, 5);
  g->DrawRect(0, 0, 1, 1);
  EXPECT_EQ(Stats().batches, 0);
  g->SetBlend(1);
  EXPECT_EQ(Stats().batches, 1);
  g->DrawRect(0, 0, 1, 1);
  g->SetScissor(1, 1, 5, 5);
  EXPECT_EQ(Stats().batches, 2);
  g->DrawRect(0, 0, 1, 1);
  g->ReadPixels(Array<int>(1), 0, 0, 1, 1, 0, 1);
  EXPECT_EQ(Stats().batches, 3);
}

TEST_F(GraphicsBatcher, AskingForTheCurrentBlendKeepsTheBatchOpen) {
  // The game's replay sets the blend before every record.
  for (int i = 0; i < 10; ++i) {
    g->SetBlend(0);
    g->DrawSurface(surface, (float)i, 0);
  }
  EXPECT_EQ(Stats().batches, 0);
  g->SetBlend(1);
  g->SetBlend(1);
  EXPECT_EQ(Stats().batches, 1);
  g->DrawSurface(surface, 0, 0);
  g->SetBlend(3);  // anything but 1 is alpha blending
  EXPECT_EQ(Stats().batches, 2);
  g->EndRender();
  g->BeginRender();  // a frame starts in alpha blending
  g->DrawSurface(surface, 0, 0);
  g->SetBlend(0);
  EXPECT_EQ(Stats().batches, 2);
  g->SetBlend(1);
  EXPECT_EQ(Stats().batches, 3);
}

TEST_F(GraphicsBatcher, ColourIsPremultipliedAndBakedIntoEachVertex) {
  g->SetColor(255, 128, 0);
  g->SetAlpha(0.5f);
  unsigned char b[4];
  Bytes(g->PackedColor(), b);
  EXPECT_EQ(b[0], 127);
  EXPECT_EQ(b[1], 64);
  EXPECT_EQ(b[2], 0);
  EXPECT_EQ(b[3], 127);
  g->DrawRect(0, 0, 1, 1);
  g->SetColor(0, 0, 255);
  g->SetAlpha(1);
  g->DrawRect(0, 0, 1, 1);
  Bytes(g->Vertices()[3].color, b);
  EXPECT_EQ(b[0], 127) << "an earlier vertex keeps its colour";
  Bytes(g->Vertices()[4].color, b);
  EXPECT_EQ(b[2], 255);
  EXPECT_EQ(b[3], 255);
}

TEST_F(GraphicsBatcher, RectangleCornersAndHalfPixelOffsets) {
  g->DrawRect(10, 20, 30, 40);
  const auto* v = g->Vertices();
  float want[4][2] = {{10, 20}, {40, 20}, {40, 60}, {10, 60}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(v[i].x, want[i][0]);
    EXPECT_EQ(v[i].y, want[i][1]);
  }
  g->SetMatrix(1, 0, 0, 1, 100, 0);
  g->DrawPoint(1, 2);
  EXPECT_EQ(g->Vertices()[0].x, 101.5f);
  EXPECT_EQ(g->Vertices()[0].y, 2.5f);
  g->DrawLine(0, 0, 4, 4);  // another type: a new batch from vertex 0
  EXPECT_EQ(g->Vertices()[0].x, 100.5f);
  EXPECT_EQ(g->Vertices()[1].x, 104.5f);
  EXPECT_EQ(g->Vertices()[1].y, 4.5f);
}

TEST_F(GraphicsBatcher, TheMatrixIsAppliedOnTheCpuWithoutBreakingTheBatch) {
  g->DrawSurface2(surface, 0, 0, 0, 0, 8, 8);
  g->SetMatrix(0, 1, -1, 0, 100, 50);  // 90 degrees clockwise on screen
  g->DrawSurface2(surface, 10, 0, 0, 0, 8, 8);
  EXPECT_EQ(g->VertexCount(), 8);
  const auto* v = g->Vertices() + 4;
  EXPECT_FLOAT_EQ(v[0].x, 100);  // (10, 0) -> (100 - 0, 50 + 10)
  EXPECT_FLOAT_EQ(v[0].y, 60);
  EXPECT_FLOAT_EQ(v[2].x, 92);  // (18, 8)
  EXPECT_FLOAT_EQ(v[2].y, 68);
  g->SetMatrix(1, 0, 0, 1, 0, 0);
  g->DrawRect(1, 2, 3, 4);
  EXPECT_EQ(g->Vertices()[0].x, 1);
}

TEST_F(GraphicsBatcher, TextureCoordinatesOfSurfacesAndFrames) {
  g->DrawSurface(surface, 0, 0);
  const auto* v = g->Vertices();
  EXPECT_EQ(v[2].u, 1.0f);
  EXPECT_EQ(v[2].v, 1.0f);
  EXPECT_EQ(v[2].x, 64);
  EXPECT_EQ(v[2].y, 32);
  g->DrawSurface2(surface, 5, 5, 16, 8, 16, 8);
  v = g->Vertices() + 4;
  EXPECT_EQ(v[0].u, 0.25f);
  EXPECT_EQ(v[0].v, 0.25f);
  EXPECT_EQ(v[1].u, 0.5f);
  EXPECT_EQ(v[3].v, 0.5f);
  EXPECT_EQ(v[2].x, 21);
  EXPECT_EQ(v[2].y, 13);
  Array<float> tri(12);
  float q[12] = {0, 0, 0, 0, 10, 0, 16, 0, 0, 10, 0, 8};
  std::memcpy(tri.Data(), q, sizeof q);
  g->DrawPoly2(tri, surface, 16, 8);
  v = g->Vertices();
  EXPECT_EQ(g->PrimitiveType(), 3);
  EXPECT_EQ(v[1].u, 0.5f);   // (16 + 16) / 64
  EXPECT_EQ(v[2].v, 0.5f);   // (8 + 8) / 32
}

TEST_F(GraphicsBatcher, NullSurfacesDrawNothing) {
  g->DrawSurface(nullptr, 0, 0);
  g->DrawSurface2(nullptr, 0, 0, 0, 0, 1, 1);
  g->DrawPoly2(Array<float>(12), nullptr, 0, 0);
  g->EndRender();
  EXPECT_EQ(Stats().batches, 0);
  EXPECT_EQ(g->Begin(4, 0, nullptr), nullptr);
  EXPECT_EQ(g->Begin(4, 1025, nullptr), nullptr);
}

int OvalSegments(gxtkGraphics* g, float w, float h) {
  g->DrawOval(0, 0, w, h);
  int n = g->PrimitiveType();
  g->Flush();
  return n;
}

TEST_F(GraphicsBatcher, OvalSegmentCountFollowsItsSize) {
  EXPECT_EQ(OvalSegments(g, 4, 4), 12);
  EXPECT_EQ(OvalSegments(g, 3000, 3000), 1024);
  EXPECT_EQ(OvalSegments(g, 30, 20), 24);  // 15 + 10, down to a multiple of 4
  EXPECT_EQ(OvalSegments(g, -30, -20), 24);
  EXPECT_EQ(OvalSegments(g, 24, 24), 24);
  g->SetMatrix(2, 0, 0, 2, 0, 0);
  EXPECT_EQ(OvalSegments(g, 20, 20), 40);
  g->SetMatrix(0, -1, 1, 0, 7, 7);  // rotation keeps the count
  EXPECT_EQ(OvalSegments(g, 30, 20), 24);
  g->SetMatrix(1e30f, 0, 0, 1e30f, 0, 0);
  EXPECT_EQ(OvalSegments(g, 1e30f, 1e30f), 12);  // beyond an int: the minimum
}

TEST_F(GraphicsBatcher, OvalVerticesRunCounterClockwiseFromTheRight) {
  g->DrawOval(10, 20, 40, 20);  // centre (30, 30), radii 20 and 10
  const auto* v = g->Vertices();
  int n = g->VertexCount();
  ASSERT_EQ(n, 28);
  EXPECT_FLOAT_EQ(v[0].x, 50);
  EXPECT_FLOAT_EQ(v[0].y, 30);
  EXPECT_NEAR(v[n / 4].x, 30, 1e-4);  // a quarter turn: the top
  EXPECT_NEAR(v[n / 4].y, 20, 1e-4);
}

TEST_F(GraphicsBatcher, TheBatchSurfaceStaysAliveThroughCollections) {
  gxtkSurface* only = g->CreateSurface(4, 4);
  g->DrawSurface(only, 0, 0);
  g->EndRender();  // flushed, but the batch still names the surface
  surface = other = nullptr;
  for (int i = 0; i < 3; ++i) {
    gc_ext_malloced(9 << 20);
    gc_collect();
  }
  EXPECT_TRUE(gc_is_live(only));
  EXPECT_TRUE(gc_is_live(g));
}

}  // namespace
