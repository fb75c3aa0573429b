// The graphics module: drawing state and images over the renderer.
// Only the device hand-over and the frame bracket exist so far.
#pragma once

#include "graphics/renderer.h"

class c_Image;

extern gxtkGraphics* rv_graphics_device;
extern gxtkGraphics* rv_graphics_renderDevice;

int rv_graphics_SetGraphicsDevice(gxtkGraphics* device);
int rv_graphics_SetFont(c_Image* font, int firstChar);
int rv_graphics_BeginRender();
int rv_graphics_EndRender();
