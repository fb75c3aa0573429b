// Placeholder graphics module: the device hand-over and the frame bracket.
#include "graphics/graphics.h"

gxtkGraphics* rv_graphics_device;
gxtkGraphics* rv_graphics_renderDevice;

namespace {
rv_module graphics_module(
    20,
    [] {
      rv_graphics_device = nullptr;
      rv_graphics_renderDevice = nullptr;
    },
    [] {
      gc_mark_q(rv_graphics_device);
      gc_mark_q(rv_graphics_renderDevice);
    });
}  // namespace

int rv_graphics_SetGraphicsDevice(gxtkGraphics* device) {
  gc_assign(rv_graphics_device, device);
  return 0;
}
int rv_graphics_SetFont(c_Image*, int) { return 0; }
int rv_graphics_BeginRender() {
  gc_assign(rv_graphics_renderDevice, rv_graphics_device);
  return 0;
}
int rv_graphics_EndRender() {
  rv_graphics_renderDevice = nullptr;
  return 0;
}
