// The graphics module: context, matrix stack, images and frames, loaders and
// the default font. See graphics.h for the decisions we took.
//
// Index: [SECTION] module globals, [SECTION] frames and images,
// [SECTION] loaders and font, [SECTION] frame bracket and state,
// [SECTION] matrix, [SECTION] drawing.
#include "graphics/graphics.h"

#include <cmath>

#include "host/game.h"

// [SECTION] module globals ---------------------------------------------------

gxtkGraphics* rv_graphics_device;
gxtkGraphics* rv_graphics_renderDevice;
c_GraphicsContext* rv_graphics_context;
int c_Image::m_DefaultFlags;

namespace {

constexpr int kMatrixStackFloats = 192;  // 32 matrices before it grows
constexpr float kDegToRad = 0.017453292f;
constexpr int kDefaultFirstChar = 32;
constexpr int kDefaultFontFrames = 96;  // characters 32 to 127

// Runtime error texts of this module.
const char* const kErrAlreadyInitialized = "Image already initialized";
const char* const kErrFrameOutside = "Image frame outside surface";

rv_module graphics_module(
    20,
    [] {
      rv_graphics_device = nullptr;
      rv_graphics_renderDevice = nullptr;
      gc_assign(rv_graphics_context, (new c_GraphicsContext())->m_new());
      c_Image::m_DefaultFlags = 0;
    },
    [] {
      gc_mark_q(rv_graphics_device);
      gc_mark_q(rv_graphics_context);
      gc_mark_q(rv_graphics_renderDevice);
    });

// m = m x (ix iy jx jy tx ty): the given matrix on the right, so it acts in
// the local space of m. The one place this product is worked out.
void multiply(float* m, float ix, float iy, float jx, float jy, float tx, float ty) {
  float nix = ix * m[0] + iy * m[2];
  float niy = ix * m[1] + iy * m[3];
  float njx = jx * m[0] + jy * m[2];
  float njy = jx * m[1] + jy * m[3];
  float ntx = tx * m[0] + ty * m[2] + m[4];
  float nty = tx * m[1] + ty * m[3] + m[5];
  m[0] = nix, m[1] = niy, m[2] = njx, m[3] = njy, m[4] = ntx, m[5] = nty;
}

void rotation_of(float angle, float* s, float* co) {
  float th = angle * kDegToRad;
  *s = (float)std::sin((double)th);
  *co = (float)std::cos((double)th);
}

void update_tformed(c_GraphicsContext* c) {
  c->m_tformed = !(c->m_ix == 1 && c->m_iy == 0 && c->m_jx == 0 && c->m_jy == 1 &&
                   c->m_tx == 0 && c->m_ty == 0);
  c->m_matDirty = 1;
}

}  // namespace

// [SECTION] frames and images ------------------------------------------------

c_Frame* c_Frame::m_new(int x, int y) {
  m_x = x;
  m_y = y;
  return this;
}

c_Frame* c_Frame::m_new2() { return this; }

c_Image* c_Image::m_new() { return this; }

void c_Image::mark() {
  Object::mark();
  gc_mark_q(m_surface);
  gc_mark_q(m_frames);
  gc_mark_q(m_source);
}

int c_Image::p_SetHandle(float x, float y) {
  m_tx = x;
  m_ty = y;
  m_flags &= ~CentreHandle;
  return 0;
}

int c_Image::p_ApplyFlags(int flags) {
  m_flags = flags & ~WholeSurface;
  int n = m_frames.Length();
  if (m_flags & PadX) {
    for (int i = 0; i < n; ++i) m_frames[i]->m_x += 1;
    m_width -= 2;
  }
  if (m_flags & PadY) {
    for (int i = 0; i < n; ++i) m_frames[i]->m_y += 1;
    m_height -= 2;
  }
  if (m_flags & CentreHandle) p_SetHandle((float)m_width * 0.5f, (float)m_height * 0.5f);
  if (n == 1 && m_surface && m_frames[0]->m_x == 0 && m_frames[0]->m_y == 0 &&
      m_width == m_surface->Width() && m_height == m_surface->Height()) {
    m_flags |= WholeSurface;
  }
  return 0;
}

c_Image* c_Image::p_Init(gxtkSurface* surface, int frameCount, int flags) {
  if (m_surface) rvError(String(kErrAlreadyInitialized));
  if (!surface || frameCount < 1) return this;  // refused: stays uninitialised
  gc_assign(m_surface, surface);
  m_width = surface->Width() / frameCount;
  m_height = surface->Height();
  m_frames = Array<c_Frame*>(frameCount);
  for (int i = 0; i < frameCount; ++i) {
    gc_assign(m_frames[i], (new c_Frame())->m_new(i * m_width, 0));
  }
  p_ApplyFlags(flags);
  return this;
}

c_Image* c_Image::p_Init2(gxtkSurface* surface, int x, int y, int width, int height,
                          int frameCount, int flags, c_Image* source, int srcx, int srcy,
                          int srcw, int srch) {
  if (m_surface) rvError(String(kErrAlreadyInitialized));
  if (!surface || frameCount < 1) return this;  // refused: stays uninitialised
  gc_assign(m_surface, surface);
  gc_assign(m_source, source);
  m_width = width;
  m_height = height;
  m_frames = Array<c_Frame*>(frameCount);
  // Reading order from (x, y): a frame that would pass the right edge starts
  // the next row.
  long long fx = x, fy = y;
  for (int i = 0; i < frameCount; ++i) {
    if (fx + width > srcw) {
      fx = 0;
      fy += height;
    }
    if (fx + width > srcw || fy + height > srch) rvError(String(kErrFrameOutside));
    gc_assign(m_frames[i], (new c_Frame())->m_new((int)(fx + srcx), (int)(fy + srcy)));
    fx += width;
  }
  p_ApplyFlags(flags);
  return this;
}

// [SECTION] loaders and font -------------------------------------------------

c_Image* rv_graphics_LoadImage(String path, int frameCount, int flags) {
  if (!rv_graphics_device || frameCount < 1) return nullptr;
  gxtkSurface* surface = rv_graphics_device->LoadSurface(rv_data_FixDataPath(path));
  if (!surface) return nullptr;
  return (new c_Image())->m_new()->p_Init(surface, frameCount, flags);
}

c_Image* rv_graphics_LoadImage2(String path, int frameWidth, int frameHeight, int frameCount,
                                int flags) {
  if (!rv_graphics_device || frameCount < 1) return nullptr;
  gxtkSurface* surface = rv_graphics_device->LoadSurface(rv_data_FixDataPath(path));
  if (!surface) return nullptr;
  return (new c_Image())->m_new()->p_Init2(surface, 0, 0, frameWidth, frameHeight, frameCount,
                                           flags, nullptr, 0, 0, surface->Width(),
                                           surface->Height());
}

c_Image* rv_graphics_CreateImage(int width, int height, int frameCount, int flags) {
  if (!rv_graphics_device || frameCount < 1) return nullptr;
  long long total = (long long)width * frameCount;
  if (total > 0x7fffffff) return nullptr;
  gxtkSurface* surface = rv_graphics_device->CreateSurface((int)total, height);
  if (!surface) return nullptr;
  return (new c_Image())->m_new()->p_Init(surface, frameCount, flags);
}

int rv_graphics_SetGraphicsDevice(gxtkGraphics* device) {
  gc_assign(rv_graphics_device, device);
  return 0;
}

int rv_graphics_SetFont(c_Image* font, int firstChar) {
  c_GraphicsContext* c = rv_graphics_context;
  if (!font) {
    if (!c->m_defaultFont) {
      gc_assign(c->m_defaultFont,
                rv_graphics_LoadImage(String("zuli_font.png"), kDefaultFontFrames,
                                      c_Image::PadX));
    }
    font = c->m_defaultFont;
    firstChar = kDefaultFirstChar;
  }
  gc_assign(c->m_font, font);
  c->m_firstChar = firstChar;
  return 0;
}

// [SECTION] frame bracket and state ------------------------------------------

c_GraphicsContext* c_GraphicsContext::m_new() {
  m_matrixStack = Array<float>(kMatrixStackFloats);
  return this;
}

void c_GraphicsContext::mark() {
  Object::mark();
  gc_mark_q(m_defaultFont);
  gc_mark_q(m_font);
  gc_mark_q(m_matrixStack);
}

int c_GraphicsContext::p_Validate() {
  if (m_matDirty && rv_graphics_renderDevice) {
    rv_graphics_renderDevice->SetMatrix(m_ix, m_iy, m_jx, m_jy, m_tx, m_ty);
    m_matDirty = 0;
  }
  return 0;
}

int rv_graphics_BeginRender() {
  gc_assign(rv_graphics_renderDevice, rv_graphics_device);
  c_GraphicsContext* c = rv_graphics_context;
  c->m_matrixSp = 0;
  c->m_ix = 1, c->m_iy = 0, c->m_jx = 0, c->m_jy = 1, c->m_tx = 0, c->m_ty = 0;
  c->m_tformed = 0;
  c->m_matDirty = 1;
  rv_graphics_SetColor(255, 255, 255);
  rv_graphics_SetAlpha(1);
  rv_graphics_SetBlend(0);
  // The device refreshes its size at its own BeginRender, just before this.
  int w = rv_graphics_device ? rv_graphics_device->Width() : 0;
  int h = rv_graphics_device ? rv_graphics_device->Height() : 0;
  rv_graphics_SetScissor(0, 0, (float)w, (float)h);
  return 0;
}

int rv_graphics_EndRender() {
  rv_graphics_renderDevice = nullptr;
  return 0;
}

int rv_graphics_SetColor(float r, float g, float b) {
  c_GraphicsContext* c = rv_graphics_context;
  c->m_color_r = r;
  c->m_color_g = g;
  c->m_color_b = b;
  if (rv_graphics_renderDevice) rv_graphics_renderDevice->SetColor(r, g, b);
  return 0;
}

int rv_graphics_SetAlpha(float alpha) {
  rv_graphics_context->m_alpha = alpha;
  if (rv_graphics_renderDevice) rv_graphics_renderDevice->SetAlpha(alpha);
  return 0;
}

int rv_graphics_SetBlend(int blend) {
  rv_graphics_context->m_blend = blend;
  if (rv_graphics_renderDevice) rv_graphics_renderDevice->SetBlend(blend);
  return 0;
}

int rv_graphics_SetScissor(float x, float y, float width, float height) {
  c_GraphicsContext* c = rv_graphics_context;
  c->m_scissor_x = x;
  c->m_scissor_y = y;
  c->m_scissor_width = width;
  c->m_scissor_height = height;
  if (rv_graphics_renderDevice) {
    rv_graphics_renderDevice->SetScissor(TruncToInt(x), TruncToInt(y), TruncToInt(width),
                                         TruncToInt(height));
  }
  return 0;
}

// [SECTION] matrix -----------------------------------------------------------

int rv_graphics_SetMatrix(float ix, float iy, float jx, float jy, float tx, float ty) {
  c_GraphicsContext* c = rv_graphics_context;
  c->m_ix = ix, c->m_iy = iy, c->m_jx = jx, c->m_jy = jy, c->m_tx = tx, c->m_ty = ty;
  update_tformed(c);
  return 0;
}

int rv_graphics_SetMatrix2(Array<float> m) {
  if (m.Length() < 6) return 0;  // a short array is not a matrix
  return rv_graphics_SetMatrix(m[0], m[1], m[2], m[3], m[4], m[5]);
}

// Multiplies the given matrix onto the right of the current one, so later
// operations act in the local space of earlier ones.
int rv_graphics_Transform(float ix, float iy, float jx, float jy, float tx, float ty) {
  c_GraphicsContext* c = rv_graphics_context;
  float m[6] = {c->m_ix, c->m_iy, c->m_jx, c->m_jy, c->m_tx, c->m_ty};
  multiply(m, ix, iy, jx, jy, tx, ty);
  return rv_graphics_SetMatrix(m[0], m[1], m[2], m[3], m[4], m[5]);
}

int rv_graphics_Transform2(Array<float> m) {
  if (m.Length() < 6) return 0;
  return rv_graphics_Transform(m[0], m[1], m[2], m[3], m[4], m[5]);
}

int rv_graphics_Translate(float x, float y) { return rv_graphics_Transform(1, 0, 0, 1, x, y); }

int rv_graphics_Scale(float x, float y) { return rv_graphics_Transform(x, 0, 0, y, 0, 0); }

int rv_graphics_Rotate(float angle) {
  float s, co;
  rotation_of(angle, &s, &co);
  return rv_graphics_Transform(co, -s, s, co, 0, 0);
}

int rv_graphics_PushMatrix() {
  c_GraphicsContext* c = rv_graphics_context;
  int sp = c->m_matrixSp;
  if (sp >= c->m_matrixStack.Length()) {
    int len = c->m_matrixStack.Length();
    c->m_matrixStack = c->m_matrixStack.Resize(len > 0 ? len * 2 : kMatrixStackFloats);
  }
  float* m = c->m_matrixStack.Data() + sp;
  m[0] = c->m_ix, m[1] = c->m_iy, m[2] = c->m_jx, m[3] = c->m_jy, m[4] = c->m_tx,
  m[5] = c->m_ty;
  c->m_matrixSp = sp + 6;
  return 0;
}

int rv_graphics_PopMatrix() {
  c_GraphicsContext* c = rv_graphics_context;
  if (c->m_matrixSp < 6) {  // nothing pushed: back to the identity
    c->m_matrixSp = 0;
    return rv_graphics_SetMatrix(1, 0, 0, 1, 0, 0);
  }
  c->m_matrixSp -= 6;
  const float* m = c->m_matrixStack.Data() + c->m_matrixSp;
  return rv_graphics_SetMatrix(m[0], m[1], m[2], m[3], m[4], m[5]);
}

// [SECTION] drawing ----------------------------------------------------------

int rv_graphics_DrawRect(float x, float y, float width, float height) {
  if (!rv_graphics_renderDevice) return 0;
  rv_graphics_context->p_Validate();
  rv_graphics_renderDevice->DrawRect(x, y, width, height);
  return 0;
}

int rv_graphics_DrawLine(float x1, float y1, float x2, float y2) {
  if (!rv_graphics_renderDevice) return 0;
  rv_graphics_context->p_Validate();
  rv_graphics_renderDevice->DrawLine(x1, y1, x2, y2);
  return 0;
}

int rv_graphics_DrawEllipse(float x, float y, float xRadius, float yRadius) {
  if (!rv_graphics_renderDevice) return 0;
  rv_graphics_context->p_Validate();
  rv_graphics_renderDevice->DrawOval(x - xRadius, y - yRadius, xRadius * 2, yRadius * 2);
  return 0;
}

namespace {

// The frame, or null when there is nothing to draw.
c_Frame* drawable_frame(c_Image* image, int frame) {
  if (!rv_graphics_renderDevice || !image || !image->m_surface) return nullptr;
  if (frame < 0 || frame >= image->m_frames.Length()) return nullptr;
  return image->m_frames[frame];
}

void draw_frame(c_Image* image, c_Frame* f, float x, float y) {
  if (image->m_flags & c_Image::WholeSurface) {
    rv_graphics_renderDevice->DrawSurface(image->m_surface, x, y);
  } else {
    rv_graphics_renderDevice->DrawSurface2(image->m_surface, x, y, f->m_x, f->m_y,
                                           image->m_width, image->m_height);
  }
}

}  // namespace

int rv_graphics_DrawImage(c_Image* image, float x, float y, int frame) {
  c_Frame* f = drawable_frame(image, frame);
  if (!f) return 0;
  rv_graphics_context->p_Validate();
  draw_frame(image, f, x - image->m_tx, y - image->m_ty);
  return 0;
}

// The handle is the centre of rotation and scaling.
int rv_graphics_DrawImage2(c_Image* image, float x, float y, float rotation, float scaleX,
                           float scaleY, int frame) {
  c_Frame* f = drawable_frame(image, frame);
  if (!f) return 0;
  // The sprite's matrix is composed here and handed to the device alone: the
  // context's own matrix never changes, so there is nothing to push and pop.
  c_GraphicsContext* c = rv_graphics_context;
  float m[6] = {c->m_ix, c->m_iy, c->m_jx, c->m_jy, c->m_tx, c->m_ty};
  multiply(m, 1, 0, 0, 1, x, y);
  // A turn by 0 is the identity, exactly: most records skip the sine and
  // cosine (and the product) with the same result to the bit.
  if (rotation != 0) {
    float s, co;
    rotation_of(rotation, &s, &co);
    multiply(m, co, -s, s, co, 0, 0);
  }
  multiply(m, scaleX, 0, 0, scaleY, 0, 0);
  multiply(m, 1, 0, 0, 1, -image->m_tx, -image->m_ty);
  rv_graphics_renderDevice->SetMatrix(m[0], m[1], m[2], m[3], m[4], m[5]);
  draw_frame(image, f, 0, 0);
  c->m_matDirty = 1;  // the device holds the sprite's matrix, not the context's
  return 0;
}
