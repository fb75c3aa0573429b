// Placeholder renderer: frames are cleared to black, nothing else is drawn.
#include "graphics/renderer.h"

#include <GL/gl.h>

#include "host/glfw_game.h"

gxtkGraphics::gxtkGraphics() {
  width = RvGame::_game->GetDeviceWidth();
  height = RvGame::_game->GetDeviceHeight();
}
int gxtkGraphics::Width() { return width; }
int gxtkGraphics::Height() { return height; }
int gxtkGraphics::BeginRender() {
  width = RvGame::_game->GetDeviceWidth();
  height = RvGame::_game->GetDeviceHeight();
  glViewport(0, 0, width, height);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  return 1;
}
void gxtkGraphics::EndRender() {}
void gxtkGraphics::DiscardGraphics() {}
