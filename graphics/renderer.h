// The batched OpenGL 1.1 renderer (gxtkGraphics) and its textures
// (gxtkSurface).
//
// Every 2D primitive becomes vertices in one CPU-side buffer of 1024
// interleaved vertices, handed to the fixed-function client arrays in as few
// draw calls as possible: consecutive primitives of one type, one texture
// and room left share a batch. The matrix is applied on the CPU, so a change
// of matrix never breaks a batch. Colours are premultiplied by alpha.
//
// A surface's texture is rebuilt after the window (and with it the GL
// context) is opened again: it compares the host's glfwGraphicsSeq with the
// value its texture was made under. A surface loaded from a file keeps only
// the file's path once its texture is made, and decodes the file again for
// the rebuild: the decoded copies were about 17 MB of the game's memory at
// 640 x 480 (its "-hd" images), llvmpipe holds the textures anyway, and a
// reopen is rare (full screen and back). A surface whose pixels were written
// (SetSubData) keeps its CPU copy, which is then the only record of them.
//
// Decisions that were ours:
//  - A second glTexImage2D failure (after the power-of-two retry) is not
//    reported; such a surface draws as untextured vertex colour.
//  - A pixel copy that SetSubData has to allocate starts as transparent black.
//  - Pixel transfers (ReadPixels, WritePixels2, SetSubData) clip or refuse
//    rectangles that fall outside the surface or the caller's array instead
//    of writing or reading past either.
//  - WritePixels2 flushes first when the surface it writes is the texture of
//    the open batch, so quads drawn before the write keep the old picture.
//  - A negative scissor size is an empty box, null surfaces draw nothing.
//  - uscale/vscale start as 1/width and 1/height (an exact-size texture), so
//    a surface made before any window draws with the right coordinates.
//  - With SetDrawingEnabled(false) the batcher runs without touching GL (for
//    benchmarks and display-less tests); the counters still count.
#pragma once

#include <cstdint>

#include "runtime/kestro.h"

class gxtkSurface : public Object {
 public:
  unsigned char* data = nullptr;  // pixels, top row first, malloc'ed; null once
                                  // a file's texture is made
  String path;                    // the file, while it can rebuild the texture
  int width = 0, height = 0;
  int depth = 0;              // bytes per pixel, 1 to 4
  unsigned int format = 0;    // GL_LUMINANCE, GL_LUMINANCE_ALPHA, GL_RGB, GL_RGBA
  int seq = -1;               // glfwGraphicsSeq of the texture, -1 for none
  unsigned int texture = 0;   // valid only while seq == glfwGraphicsSeq
  float uscale = 0, vscale = 0;

  gxtkSurface();
  ~gxtkSurface() override;

  virtual int Discard();
  virtual int Width();
  virtual int Height();
  virtual bool Loaded();

  void OnUnsafeLoadComplete();
  // Takes ownership of a malloc'ed block of width x height x depth bytes and
  // premultiplies it. Invalid sizes or depths are refused (the block stays
  // the caller's).
  bool SetData(unsigned char* pixels, int width, int height, int depth);
  // Writes 0xAARRGGBB pixels (row r at source + r * pitch) into the
  // rectangle, premultiplied; RGBA surfaces only. Clipped to the surface.
  void SetSubData(int x, int y, int width, int height, const unsigned* source, int pitch);
  void Bind();

 private:
  void ReloadFromFile();  // data = the file's pixels, premultiplied, if unchanged
};

class gxtkGraphics : public Object {
 public:
  // One interleaved vertex: position, texture coordinates, colour bytes
  // R, G, B, A in memory order.
  struct Vertex {
    float x, y;
    float u, v;
    std::uint32_t color;
  };
  static_assert(sizeof(Vertex) == 20, "vertices are 20 bytes");

  static constexpr int kBatchVertices = 1024;  // 256 quads; 16-bit indices
  static constexpr int kQuadIndices = kBatchVertices / 4 * 6;

  // What the renderer handed to GL; read by tests and benchmarks.
  struct Counters {
    long long drawCalls = 0;  // glDrawArrays + glDrawElements calls
    long long batches = 0;    // non-empty batches flushed
    long long vertices = 0;   // vertices flushed
    long long quads = 0;      // quads (sprites, rectangles) flushed
    int lastCount = 0;        // indices (quads) or vertices of the last call
    int lastType = 0;         // primitive type of the last flushed batch
  };

  gxtkGraphics();
  void mark() override;

  virtual int Width();
  virtual int Height();
  virtual int BeginRender();  // 1 = render through the graphics module
  virtual void EndRender();
  virtual void DiscardGraphics();
  virtual gxtkSurface* LoadSurface(String path);
  virtual gxtkSurface* CreateSurface(int width, int height);
  virtual bool LoadSurface__UNSAFE__(gxtkSurface* surface, String path);
  virtual int Cls(float r, float g, float b);
  virtual int SetAlpha(float alpha);
  virtual int SetColor(float r, float g, float b);
  virtual int SetBlend(int blend);
  virtual int SetScissor(int x, int y, int width, int height);
  virtual int SetMatrix(float ix, float iy, float jx, float jy, float tx, float ty);
  virtual int DrawPoint(float x, float y);
  virtual int DrawRect(float x, float y, float width, float height);
  virtual int DrawLine(float x1, float y1, float x2, float y2);
  virtual int DrawOval(float x, float y, float width, float height);
  virtual int DrawPoly(Array<float> verts);
  virtual int DrawPoly2(Array<float> verts, gxtkSurface* surface, int srcx, int srcy);
  virtual int DrawSurface(gxtkSurface* surface, float x, float y);
  virtual int DrawSurface2(gxtkSurface* surface, float x, float y, int srcx, int srcy, int srcw,
                           int srch);
  virtual int ReadPixels(Array<int> pixels, int x, int y, int width, int height, int offset,
                         int pitch);
  virtual int WritePixels2(gxtkSurface* surface, Array<int> pixels, int x, int y, int width,
                           int height, int offset, int pitch);

  // Reserves `count` vertices of primitive `type` on `surface` (null for
  // untextured) and gives the first; null when count is not 1 to 1024.
  Vertex* Begin(int type, int count, gxtkSurface* surface);
  void Flush();

  // Tests and benchmarks.
  void SetDrawingEnabled(bool enabled) { drawing = enabled; }
  const Counters& Stats() const { return counters; }
  void ResetStats() { counters = Counters(); }
  int VertexCount() const { return vertexCount; }
  int PrimitiveType() const { return primType; }
  const Vertex* Vertices() const { return vertices; }
  std::uint32_t PackedColor() const { return color; }

 protected:
  int width = 0, height = 0;
  std::uint32_t color = 0;
  float colorR = 0, colorG = 0, colorB = 0;
  float alpha = 0;
  float ix = 1, iy = 0, jx = 0, jy = 1, tx = 0, ty = 0;
  bool transformed = false;
  Vertex vertices[kBatchVertices] = {};
  std::uint16_t quadIndices[kQuadIndices] = {};
  int primType = 0;
  int vertexCount = 0;
  long long frameQuads = 0;  // counters.quads when the frame began
  gxtkSurface* batchSurface = nullptr;

  bool drawing = true;
  int blendMode = 0;  // the blend function GL has now: 0 alpha, 1 additive
  bool textureOn = false;  // GL_TEXTURE_2D is enabled now
  Counters counters;

 private:
  void UpdateColor();
  void Map(float x, float y, float* ox, float* oy) const;
  void PutQuad(Vertex* v, float x0, float y0, float x1, float y1, float u0, float v0, float u1,
               float v1);
};
