// The batched OpenGL renderer (gxtkGraphics) and its surfaces (gxtkSurface).
// Only what the application layer needs to start and frame a render exists so
// far; the drawing operations arrive with the renderer itself.
#pragma once

#include "runtime/kestro.h"

class gxtkSurface : public Object {};

class gxtkGraphics : public Object {
 public:
  gxtkGraphics();
  virtual int Width();
  virtual int Height();
  virtual int BeginRender();  // 1 = render through the graphics module
  virtual void EndRender();
  virtual void DiscardGraphics();

 protected:
  int width, height;
};
