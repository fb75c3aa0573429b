// The batched OpenGL 1.1 renderer and its surfaces. See renderer.h for the
// model and the decisions we took.
//
// Index: [SECTION] helpers, [SECTION] surfaces, [SECTION] frame,
// [SECTION] state, [SECTION] batching, [SECTION] primitives,
// [SECTION] surface loading, [SECTION] pixel transfer.
#include "graphics/renderer.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "host/glfw_game.h"
#include "runtime/profile.h"

#ifndef GL_BGRA
#define GL_BGRA 0x80E1
#endif
#ifndef GL_CLAMP_TO_EDGE
#define GL_CLAMP_TO_EDGE 0x812F
#endif

// [SECTION] helpers ----------------------------------------------------------

namespace {

constexpr float kTwoPi = 6.2831855f;
constexpr int kMinOvalSegments = 12;
constexpr int kMaxGlErrorsDrained = 16;  // GL keeps at most a few error flags

// The colour byte of a float: converted toward zero, not clamped (callers
// keep colours in range); only the low 8 bits are kept.
unsigned char color_byte(float v) { return (unsigned char)(TruncToInt(v) & 0xff); }

// The smallest power of two not below n; 1 below 2.
int next_pow2(int n) {
  int p = 1;
  while (p < n && p < (1 << 30)) p <<= 1;
  return p;
}

void drain_gl_errors() {
  for (int i = 0; i < kMaxGlErrorsDrained && glGetError() != GL_NO_ERROR; ++i) {
  }
}

unsigned int format_of_depth(int depth) {
  switch (depth) {
    case 1:
      return GL_LUMINANCE;
    case 2:
      return GL_LUMINANCE_ALPHA;
    case 3:
      return GL_RGB;
    default:
      return GL_RGBA;
  }
}

// Premultiplies a freshly decoded block in place: grey by alpha for depth 2,
// R, G, B by A for depth 4. Depths 1 and 3 have no alpha.
void premultiply(unsigned char* p, long long pixels, int depth) {
  if (depth == 2) {
    for (long long i = 0; i < pixels; ++i, p += 2) p[0] = (unsigned char)(p[0] * p[1] / 255);
  } else if (depth == 4) {
    for (long long i = 0; i < pixels; ++i, p += 4) {
      unsigned a = p[3];
      p[0] = (unsigned char)(p[0] * a / 255);
      p[1] = (unsigned char)(p[1] * a / 255);
      p[2] = (unsigned char)(p[2] * a / 255);
    }
  }
}

// The ints pixels[offset + r * pitch + c] for r < height, c < width all lie
// within an array of `length` ints.
bool rect_in_array(long long length, int offset, int width, int height, int pitch) {
  if (width <= 0 || height <= 0) return false;
  long long first = offset;
  long long last = (long long)offset + (long long)(height - 1) * pitch;
  long long lo = first < last ? first : last;
  long long hi = (first > last ? first : last) + width;
  return lo >= 0 && hi <= length;
}

}  // namespace

// [SECTION] surfaces ---------------------------------------------------------

gxtkSurface::gxtkSurface() {}

gxtkSurface::~gxtkSurface() { Discard(); }

int gxtkSurface::Discard() {
  // A texture made under an earlier context is gone with that context; its
  // name may already belong to another texture of the current one.
  if (seq == glfwGraphicsSeq && seq > 0) glDeleteTextures(1, &texture);
  seq = -1;
  texture = 0;
  std::free(data);
  data = nullptr;
  path = String();
  return 0;
}

int gxtkSurface::Width() { return width; }
int gxtkSurface::Height() { return height; }
bool gxtkSurface::Loaded() { return true; }

void gxtkSurface::OnUnsafeLoadComplete() { Bind(); }

bool gxtkSurface::SetData(unsigned char* pixels, int w, int h, int d) {
  if (!pixels || w <= 0 || h <= 0 || d < 1 || d > 4) return false;
  if (seq == glfwGraphicsSeq && seq > 0) glDeleteTextures(1, &texture);
  seq = -1;
  texture = 0;
  std::free(data);
  data = pixels;
  path = String();
  width = w;
  height = h;
  depth = d;
  format = format_of_depth(d);
  // Right for an exact-size texture, even before one exists.
  uscale = 1.0f / (float)w;
  vscale = 1.0f / (float)h;
  premultiply(data, (long long)w * h, d);
  return true;
}

void gxtkSurface::SetSubData(int x, int y, int w, int h, const unsigned* source, int pitch) {
  if (format != GL_RGBA || !source || width <= 0 || height <= 0) return;
  // Clip to the surface, moving the source along.
  int x0 = x < 0 ? 0 : x, y0 = y < 0 ? 0 : y;
  int x1 = (long long)x + w > width ? width : x + w;
  int y1 = (long long)y + h > height ? height : y + h;
  if (x1 <= x0 || y1 <= y0) return;
  source += (long long)(y0 - y) * pitch + (x0 - x);
  w = x1 - x0;
  h = y1 - y0;

  // Written pixels have no file to come back from: the copy is kept now,
  // starting from the file's picture.
  if (!data && !path.Empty()) ReloadFromFile();
  path = String();
  if (!data) {
    std::size_t bytes = (std::size_t)width * height * 4;
    data = static_cast<unsigned char*>(std::calloc(bytes, 1));
    if (!data) rv_out_of_memory();
    gc_ext_malloced((long long)bytes);
  }
  for (int r = 0; r < h; ++r) {
    const unsigned* src = source + (long long)r * pitch;
    unsigned char* dst = data + ((std::size_t)(y0 + r) * width + x0) * 4;
    for (int c = 0; c < w; ++c, dst += 4) {
      unsigned p = src[c];
      unsigned a = p >> 24;
      dst[0] = (unsigned char)(((p >> 16) & 0xff) * a / 255);
      dst[1] = (unsigned char)(((p >> 8) & 0xff) * a / 255);
      dst[2] = (unsigned char)((p & 0xff) * a / 255);
      dst[3] = (unsigned char)a;
    }
  }

  // A stale texture is rebuilt from the copy at its next Bind.
  if (seq != glfwGraphicsSeq || seq <= 0) return;
  glBindTexture(GL_TEXTURE_2D, texture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  if (x0 == 0 && w == width) {
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, y0, w, h, GL_RGBA, GL_UNSIGNED_BYTE,
                    data + (std::size_t)y0 * width * 4);
  } else {
    for (int r = 0; r < h; ++r) {
      glTexSubImage2D(GL_TEXTURE_2D, 0, x0, y0 + r, w, 1, GL_RGBA, GL_UNSIGNED_BYTE,
                      data + ((std::size_t)(y0 + r) * width + x0) * 4);
    }
  }
}

void gxtkSurface::Bind() {
  if (glfwGraphicsSeq == 0) return;  // no window yet
  if (seq == glfwGraphicsSeq) {
    glBindTexture(GL_TEXTURE_2D, texture);
    return;
  }
  // First use under this context: (re)create the texture from the copy.
  seq = glfwGraphicsSeq;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  // An error left by someone else must not pass for ours.
  drain_gl_errors();
  int tw = width, th = height;
  glTexImage2D(GL_TEXTURE_2D, 0, (GLint)format, tw, th, 0, format, GL_UNSIGNED_BYTE, nullptr);
  if (glGetError() != GL_NO_ERROR) {
    tw = next_pow2(width);
    th = next_pow2(height);
    glTexImage2D(GL_TEXTURE_2D, 0, (GLint)format, tw, th, 0, format, GL_UNSIGNED_BYTE, nullptr);
    // A second refusal is not reported: the texture has no storage and
    // draws as plain vertex colour.
    drain_gl_errors();
  }
  uscale = 1.0f / (float)tw;
  vscale = 1.0f / (float)th;
  if (!data && !path.Empty()) ReloadFromFile();
  if (data) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, format, GL_UNSIGNED_BYTE, data);
    drain_gl_errors();
  }
  if (!path.Empty()) {
    // The file can give the pixels again; GL has them now.
    std::free(data);
    data = nullptr;
  }
}

void gxtkSurface::ReloadFromFile() {
  if (!RvGame::_game) return;
  int w = 0, h = 0, d = 0;
  unsigned char* pixels = RvGame::_game->LoadImageData(path, &w, &h, &d);
  // A file changed on disk into another picture is not used: the texture
  // stays blank rather than drawn with the wrong size or layout.
  if (!pixels || w != width || h != height || d != depth) {
    std::free(pixels);
    return;
  }
  premultiply(pixels, (long long)w * h, d);
  data = pixels;
}

// [SECTION] frame ------------------------------------------------------------

gxtkGraphics::gxtkGraphics() {
  if (RvGame::_game) {
    width = RvGame::_game->GetDeviceWidth();
    height = RvGame::_game->GetDeviceHeight();
  }
  vertexCount = 0;
  // Two triangles per quad, sharing the diagonal from corner 0 to corner 2.
  for (int k = 0; k < kBatchVertices / 4; ++k) {
    std::uint16_t* q = quadIndices + k * 6;
    std::uint16_t b = (std::uint16_t)(k * 4);
    q[0] = b;
    q[1] = (std::uint16_t)(b + 1);
    q[2] = (std::uint16_t)(b + 2);
    q[3] = b;
    q[4] = (std::uint16_t)(b + 2);
    q[5] = (std::uint16_t)(b + 3);
  }
}

void gxtkGraphics::mark() {
  Object::mark();
  gc_mark_q(batchSurface);
}

int gxtkGraphics::Width() { return width; }
int gxtkGraphics::Height() { return height; }

int gxtkGraphics::BeginRender() {
  if (RvGame::_game) {
    width = RvGame::_game->GetDeviceWidth();
    height = RvGame::_game->GetDeviceHeight();
  }
  vertexCount = 0;
  frameQuads = counters.quads;
  blendMode = 0;  // set again below, with the rest of GL's frame state
  if (!drawing) return 1;

  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, width, height, 0, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();

  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glEnableClientState(GL_COLOR_ARRAY);
  glVertexPointer(2, GL_FLOAT, sizeof(Vertex), &vertices[0].x);
  glTexCoordPointer(2, GL_FLOAT, sizeof(Vertex), &vertices[0].u);
  glColorPointer(4, GL_UNSIGNED_BYTE, sizeof(Vertex), &vertices[0].color);

  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
  glDisable(GL_TEXTURE_2D);
  textureOn = false;
  return 1;
}

void gxtkGraphics::EndRender() {
  Flush();
  if (textureOn && drawing) glDisable(GL_TEXTURE_2D);  // GL left as the frame found it
  textureOn = false;
  // The performance report sizes its bare baseline by the busiest frame.
  if (profile::Enabled()) profile::Record("quads", 0, 0, counters.quads - frameQuads);
}

void gxtkGraphics::DiscardGraphics() {}

// [SECTION] state ------------------------------------------------------------

void gxtkGraphics::UpdateColor() {
  unsigned char bytes[4] = {color_byte(colorR * alpha), color_byte(colorG * alpha),
                            color_byte(colorB * alpha), color_byte(255.0f * alpha)};
  std::memcpy(&color, bytes, 4);
}

// Callers set colour and alpha often, mostly to what they already are: the
// packed colour is only worked out again on a change.
int gxtkGraphics::SetAlpha(float a) {
  if (a == alpha) return 0;
  alpha = a;
  UpdateColor();
  return 0;
}

int gxtkGraphics::SetColor(float r, float g, float b) {
  if (r == colorR && g == colorG && b == colorB) return 0;
  colorR = r;
  colorG = g;
  colorB = b;
  UpdateColor();
  return 0;
}

int gxtkGraphics::SetBlend(int blend) {
  // Asking again for the mode GL already has changes nothing on screen, so
  // it keeps the batch open: callers may set it before every primitive.
  int mode = blend == 1 ? 1 : 0;
  if (mode == blendMode) return 0;
  Flush();
  blendMode = mode;
  if (!drawing) return 0;
  if (blend == 1) {
    glBlendFunc(GL_ONE, GL_ONE);  // additive
  } else {
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);  // premultiplied alpha
  }
  return 0;
}

int gxtkGraphics::SetScissor(int x, int y, int w, int h) {
  Flush();
  if (!drawing) return 0;
  if (x == 0 && y == 0 && w == width && h == height) {
    glDisable(GL_SCISSOR_TEST);
  } else {
    if (w < 0) w = 0;
    if (h < 0) h = 0;
    glEnable(GL_SCISSOR_TEST);
    glScissor(x, height - y - h, w, h);  // GL counts rows from the bottom
  }
  return 0;
}

int gxtkGraphics::SetMatrix(float ix_, float iy_, float jx_, float jy_, float tx_, float ty_) {
  ix = ix_;
  iy = iy_;
  jx = jx_;
  jy = jy_;
  tx = tx_;
  ty = ty_;
  transformed = !(ix == 1 && iy == 0 && jx == 0 && jy == 1 && tx == 0 && ty == 0);
  return 0;
}

int gxtkGraphics::Cls(float r, float g, float b) {
  // Whatever was not flushed yet would be painted over anyway.
  vertexCount = 0;
  if (!drawing) return 0;
  glClearColor(r / 255.0f, g / 255.0f, b / 255.0f, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  return 0;
}

// [SECTION] batching ---------------------------------------------------------
//
// When the open batch is drawn (flushed), all in one place:
//  - a primitive of another type, or on another texture (or none), arrives;
//  - a primitive does not fit in the 1024 vertices left;
//  - SetBlend (to a different mode) or SetScissor changes GL state the batch
//    must be drawn under;
//  - ReadPixels must see everything drawn so far;
//  - WritePixels2 is about to change the texture of the open batch;
//  - EndRender ends the frame.
// Cls does not flush: it drops the open batch, which it would paint over.
// SetColor, SetAlpha and SetMatrix never flush: colour and position are
// baked into each vertex as it is written.

gxtkGraphics::Vertex* gxtkGraphics::Begin(int type, int count, gxtkSurface* surface) {
  if (count < 1 || count > kBatchVertices) return nullptr;
  if (type == primType && surface == batchSurface && vertexCount + count <= kBatchVertices) {
    Vertex* v = vertices + vertexCount;
    vertexCount += count;
    return v;
  }
  if (vertexCount) Flush();
  primType = type;
  gc_assign(batchSurface, surface);
  vertexCount = count;
  return vertices;
}

void gxtkGraphics::Flush() {
  if (vertexCount == 0) return;
  int n = vertexCount;
  vertexCount = 0;  // type and surface stay: the next match continues them
  ++counters.batches;
  counters.vertices += n;
  counters.lastType = primType;
  if (primType == 4) {
    counters.lastCount = n / 4 * 6;
    counters.quads += n / 4;
    ++counters.drawCalls;
  } else if (primType >= 5) {
    counters.lastCount = primType;
    counters.drawCalls += n / primType;
  } else {
    counters.lastCount = n;
    ++counters.drawCalls;
  }
  if (!drawing) return;

  // Texturing is switched only when a batch differs from the last one.
  if (batchSurface) {
    if (!textureOn) glEnable(GL_TEXTURE_2D);
    textureOn = true;
    batchSurface->Bind();
  } else if (textureOn) {
    glDisable(GL_TEXTURE_2D);
    textureOn = false;
  }
  switch (primType) {
    case 1:
      glDrawArrays(GL_POINTS, 0, n);
      break;
    case 2:
      glDrawArrays(GL_LINES, 0, n);
      break;
    case 3:
      glDrawArrays(GL_TRIANGLES, 0, n);
      break;
    case 4:
      glDrawElements(GL_TRIANGLES, n / 4 * 6, GL_UNSIGNED_SHORT, quadIndices);
      break;
    default:
      for (int i = 0; i + primType <= n; i += primType) glDrawArrays(GL_TRIANGLE_FAN, i, primType);
      break;
  }
}

// [SECTION] primitives -------------------------------------------------------

inline void gxtkGraphics::Map(float x, float y, float* ox, float* oy) const {
  if (transformed) {
    *ox = ix * x + jx * y + tx;
    *oy = iy * x + jy * y + ty;
  } else {
    *ox = x;
    *oy = y;
  }
}

// Corners (x0, y0), (x1, y0), (x1, y1), (x0, y1), mapped, with texture
// coordinates in the same order.
inline void gxtkGraphics::PutQuad(Vertex* v, float x0, float y0, float x1, float y1, float u0,
                                  float v0, float u1, float v1) {
  Map(x0, y0, &v[0].x, &v[0].y);
  Map(x1, y0, &v[1].x, &v[1].y);
  Map(x1, y1, &v[2].x, &v[2].y);
  Map(x0, y1, &v[3].x, &v[3].y);
  v[0].u = u0, v[0].v = v0;
  v[1].u = u1, v[1].v = v0;
  v[2].u = u1, v[2].v = v1;
  v[3].u = u0, v[3].v = v1;
  v[0].color = v[1].color = v[2].color = v[3].color = color;
}

int gxtkGraphics::DrawPoint(float x, float y) {
  Vertex* v = Begin(1, 1, nullptr);
  Map(x, y, &v->x, &v->y);
  v->x += 0.5f;
  v->y += 0.5f;
  v->color = color;
  return 0;
}

int gxtkGraphics::DrawLine(float x1, float y1, float x2, float y2) {
  Vertex* v = Begin(2, 2, nullptr);
  Map(x1, y1, &v[0].x, &v[0].y);
  Map(x2, y2, &v[1].x, &v[1].y);
  v[0].x += 0.5f, v[0].y += 0.5f;
  v[1].x += 0.5f, v[1].y += 0.5f;
  v[0].color = v[1].color = color;
  return 0;
}

int gxtkGraphics::DrawRect(float x, float y, float w, float h) {
  Vertex* v = Begin(4, 4, nullptr);
  Map(x, y, &v[0].x, &v[0].y);
  Map(x + w, y, &v[1].x, &v[1].y);
  Map(x + w, y + h, &v[2].x, &v[2].y);
  Map(x, y + h, &v[3].x, &v[3].y);
  v[0].color = v[1].color = v[2].color = v[3].color = color;
  return 0;
}

int gxtkGraphics::DrawOval(float x, float y, float w, float h) {
  float xr = w * 0.5f, yr = h * 0.5f;
  long long segs;
  if (transformed) {
    float dx = std::sqrt((ix * xr) * (ix * xr) + (iy * xr) * (iy * xr));
    float dy = std::sqrt((jx * yr) * (jx * yr) + (jy * yr) * (jy * yr));
    segs = TruncToInt(dx + dy);
  } else {
    segs = std::llabs(TruncToInt(xr)) + std::llabs(TruncToInt(yr));
  }
  if (segs <= 11) {
    segs = kMinOvalSegments;
  } else if (segs > kBatchVertices) {
    segs = kBatchVertices;
  } else {
    segs &= ~3;
  }

  int n = (int)segs;
  Vertex* v = Begin(n, n, nullptr);
  float cx = x + xr, cy = y + yr;
  for (int i = 0; i < n; ++i) {
    float th = (float)i * kTwoPi / (float)n;
    Map(cx + std::cos(th) * xr, cy - std::sin(th) * yr, &v[i].x, &v[i].y);
    v[i].color = color;
  }
  return 0;
}

int gxtkGraphics::DrawPoly(Array<float> verts) {
  int n = verts.Length() / 2;
  if (n < 1 || n > kBatchVertices) return 0;
  Vertex* v = Begin(n, n, nullptr);
  const float* p = verts.Data();
  for (int i = 0; i < n; ++i, p += 2) {
    Map(p[0], p[1], &v[i].x, &v[i].y);
    v[i].color = color;
  }
  return 0;
}

int gxtkGraphics::DrawPoly2(Array<float> verts, gxtkSurface* surface, int srcx, int srcy) {
  int n = verts.Length() / 4;
  if (n < 1 || n > kBatchVertices || !surface) return 0;
  Vertex* v = Begin(n, n, surface);
  const float* p = verts.Data();
  for (int i = 0; i < n; ++i, p += 4) {
    Map(p[0], p[1], &v[i].x, &v[i].y);
    v[i].u = (p[2] + (float)srcx) * surface->uscale;
    v[i].v = (p[3] + (float)srcy) * surface->vscale;
    v[i].color = color;
  }
  return 0;
}

int gxtkGraphics::DrawSurface(gxtkSurface* surface, float x, float y) {
  if (!surface) return 0;
  float w = (float)surface->Width(), h = (float)surface->Height();
  Vertex* v = Begin(4, 4, surface);
  PutQuad(v, x, y, x + w, y + h, 0, 0, w * surface->uscale, h * surface->vscale);
  return 0;
}

int gxtkGraphics::DrawSurface2(gxtkSurface* surface, float x, float y, int srcx, int srcy,
                               int srcw, int srch) {
  if (!surface) return 0;
  Vertex* v = Begin(4, 4, surface);
  float us = surface->uscale, vs = surface->vscale;
  PutQuad(v, x, y, x + (float)srcw, y + (float)srch, (float)srcx * us, (float)srcy * vs,
          (float)(srcx + srcw) * us, (float)(srcy + srch) * vs);
  return 0;
}

// [SECTION] surface loading --------------------------------------------------

gxtkSurface* gxtkGraphics::CreateSurface(int w, int h) {
  if (w <= 0 || h <= 0) return nullptr;
  gxtkSurface* surface = new gxtkSurface();
  surface->width = w;
  surface->height = h;
  surface->depth = 4;
  surface->format = GL_RGBA;
  surface->seq = -1;
  surface->uscale = 1.0f / (float)w;
  surface->vscale = 1.0f / (float)h;
  // Its texture is made when it is first drawn: a blank surface that is never
  // drawn (the game reserves one of 2048 x 2048) costs no texture memory.
  return surface;
}

gxtkSurface* gxtkGraphics::LoadSurface(String path) {
  gxtkSurface* surface = new gxtkSurface();
  if (!LoadSurface__UNSAFE__(surface, path)) return nullptr;
  if (drawing) surface->Bind();
  return surface;
}

bool gxtkGraphics::LoadSurface__UNSAFE__(gxtkSurface* surface, String path) {
  if (!surface || !RvGame::_game) return false;
  int w = 0, h = 0, d = 0;
  unsigned char* pixels = RvGame::_game->LoadImageData(path, &w, &h, &d);
  if (!pixels) return false;
  if (!surface->SetData(pixels, w, h, d)) {
    std::free(pixels);
    return false;
  }
  surface->path = path;
  return true;
}

// [SECTION] pixel transfer ---------------------------------------------------

int gxtkGraphics::ReadPixels(Array<int> pixels, int x, int y, int w, int h, int offset,
                             int pitch) {
  Flush();
  if (!rect_in_array(pixels.Length(), offset, w, h, pitch)) return 0;
  if (!drawing) return 0;
  // Reused between calls; a read-back is not a per-primitive operation.
  static std::vector<unsigned> rows;
  rows.resize((std::size_t)w * h);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glReadPixels(x, height - y - h, w, h, GL_BGRA, GL_UNSIGNED_BYTE, rows.data());
  // GL gives the bottom row first.
  for (int r = 0; r < h; ++r) {
    std::memcpy(&pixels[offset + r * pitch], rows.data() + (std::size_t)(h - 1 - r) * w,
                (std::size_t)w * 4);
  }
  return 0;
}

int gxtkGraphics::WritePixels2(gxtkSurface* surface, Array<int> pixels, int x, int y, int w,
                               int h, int offset, int pitch) {
  if (!surface || !rect_in_array(pixels.Length(), offset, w, h, pitch)) return 0;
  if (surface == batchSurface) Flush();
  surface->SetSubData(x, y, w, h, reinterpret_cast<const unsigned*>(&pixels[offset]), pitch);
  return 0;
}
