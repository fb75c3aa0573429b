// The graphics module: the drawing interface the application and the game
// use. One c_GraphicsContext keeps the drawing state (matrix and its stack,
// colour, alpha, blend, scissor, font) and forwards state changes and
// primitives to the renderer; c_Image is a surface cut into frames with a
// handle point.
//
// State changes and draws go to rv_graphics_renderDevice, which is set only
// between rv_graphics_BeginRender and rv_graphics_EndRender. Matrix
// operations touch only the context and may run at any time; the renderer is
// told the matrix lazily, once per draw at most (p_Validate).
//
// Decisions that were ours (the calls are unchecked by design elsewhere):
//  - Outside a frame, colour/alpha/blend/scissor are stored in the context
//    only and draws are ignored.
//  - A frame index outside the image (or a null or uninitialised image)
//    draws nothing.
//  - PopMatrix with nothing pushed leaves the identity matrix.
//  - A frame count below 1 is refused: p_Init/p_Init2 leave the image
//    uninitialised, and the loaders give null without reading the file.
//  - p_ApplyFlags ignores a WholeSurface bit passed in by a caller; the
//    module alone decides it.
#pragma once

#include "graphics/renderer.h"

class c_Frame : public Object {
 public:
  int m_x = 0, m_y = 0;

  c_Frame* m_new(int x, int y);
  c_Frame* m_new2();
};

class c_Image : public Object {
 public:
  static constexpr int CentreHandle = 1;
  static constexpr int PadX = 2;
  static constexpr int PadY = 4;
  static constexpr int WholeSurface = 65536;
  static int m_DefaultFlags;

  gxtkSurface* m_surface = nullptr;
  int m_width = 0, m_height = 0;
  Array<c_Frame*> m_frames;
  int m_flags = 0;
  float m_tx = 0, m_ty = 0;
  c_Image* m_source = nullptr;

  c_Image* m_new();
  int p_Width() { return m_width; }
  int p_Height() { return m_height; }
  int p_Frames() { return m_frames.Length(); }
  int p_Flags() { return m_flags; }
  float p_HandleX() { return m_tx; }
  float p_HandleY() { return m_ty; }

  int p_SetHandle(float x, float y);
  int p_ApplyFlags(int flags);
  c_Image* p_Init(gxtkSurface* surface, int frameCount, int flags);
  c_Image* p_Init2(gxtkSurface* surface, int x, int y, int width, int height, int frameCount,
                   int flags, c_Image* source, int srcx, int srcy, int srcw, int srch);
  void mark() override;
};

class c_GraphicsContext : public Object {
 public:
  c_Image* m_defaultFont = nullptr;
  c_Image* m_font = nullptr;
  int m_firstChar = 0;
  int m_matrixSp = 0;
  float m_ix = 1, m_iy = 0, m_jx = 0, m_jy = 1, m_tx = 0, m_ty = 0;
  int m_tformed = 0;
  int m_matDirty = 0;
  float m_color_r = 0, m_color_g = 0, m_color_b = 0;
  float m_alpha = 0;
  int m_blend = 0;
  float m_scissor_x = 0, m_scissor_y = 0, m_scissor_width = 0, m_scissor_height = 0;
  Array<float> m_matrixStack;

  c_GraphicsContext* m_new();
  int p_Validate();
  void mark() override;
};

extern gxtkGraphics* rv_graphics_device;
extern gxtkGraphics* rv_graphics_renderDevice;
extern c_GraphicsContext* rv_graphics_context;

// Set-up (any time).
int rv_graphics_SetGraphicsDevice(gxtkGraphics* device);
int rv_graphics_SetFont(c_Image* font, int firstChar);
c_Image* rv_graphics_LoadImage(String path, int frameCount, int flags);
c_Image* rv_graphics_LoadImage2(String path, int frameWidth, int frameHeight, int frameCount,
                                int flags);
c_Image* rv_graphics_CreateImage(int width, int height, int frameCount, int flags);

// Frame bracket.
int rv_graphics_BeginRender();
int rv_graphics_EndRender();

// State (valid in a frame; stored in the context always).
int rv_graphics_SetColor(float r, float g, float b);
int rv_graphics_SetAlpha(float alpha);
int rv_graphics_SetBlend(int blend);
int rv_graphics_SetScissor(float x, float y, float width, float height);

// Matrix (any time; reset at every frame start).
int rv_graphics_SetMatrix(float ix, float iy, float jx, float jy, float tx, float ty);
int rv_graphics_SetMatrix2(Array<float> m);
int rv_graphics_Transform(float ix, float iy, float jx, float jy, float tx, float ty);
int rv_graphics_Transform2(Array<float> m);
int rv_graphics_Translate(float x, float y);
int rv_graphics_Rotate(float angle);
int rv_graphics_Scale(float x, float y);
int rv_graphics_PushMatrix();
int rv_graphics_PopMatrix();

// Primitives and images (valid in a frame).
int rv_graphics_DrawRect(float x, float y, float width, float height);
int rv_graphics_DrawLine(float x1, float y1, float x2, float y2);
int rv_graphics_DrawEllipse(float x, float y, float xRadius, float yRadius);
int rv_graphics_DrawImage(c_Image* image, float x, float y, int frame);
int rv_graphics_DrawImage2(c_Image* image, float x, float y, float rotation, float scaleX,
                           float scaleY, int frame);
