// A display mode as the application sees it: just its size in pixels.
#pragma once

#include "runtime/kestro.h"

class c_DisplayMode : public Object {
 public:
  int width = 0;
  int height = 0;

  c_DisplayMode* m_new(int width, int height);
};
