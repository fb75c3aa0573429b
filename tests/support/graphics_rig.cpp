// The graphics tests' rig; see graphics_rig.h.
#include "support/graphics_rig.h"

#include <GL/gl.h>
#include <GLFW/glfw3.h>

#include <cstdio>
#include <cstdlib>

#include "support/process.h"
#include "support/xvfb.h"

#ifndef GL_BGRA
#define GL_BGRA 0x80E1
#endif

namespace testing_support {

String GraphicsTestHost::PathToFilePath(String path) {
  static const String kData("kestro://data/");
  if (!dataDir.empty() && path.StartsWith(kData)) {
    return String(dataDir.c_str()) + String("/") + path.Slice(kData.Length());
  }
  return RvKestroGame::PathToFilePath(path);
}

GraphicsTestHost* GraphicsHost() {
  static GraphicsTestHost* host = new GraphicsTestHost();
  // Another test of the same process may have made (and deleted) its own.
  RvGame::_game = host;
  RvGlfwGame::_glfwGame = host;
  return host;
}

void Convert(const std::vector<std::string>& args) {
  std::vector<std::string> cmd = {"convert"};
  cmd.insert(cmd.end(), args.begin(), args.end());
  RunResult r = RunCommand(cmd, 60);
  ASSERT_EQ(r.exit_code, 0) << "convert failed: " << r.err;
}

void MakeStrip(const std::string& path, int cellW, int cellH,
               const std::vector<std::string>& colors) {
  std::vector<std::string> args = {"-size", std::to_string(cellW) + "x" + std::to_string(cellH)};
  for (const auto& c : colors) args.push_back("xc:" + c);
  args.push_back("+append");
  args.push_back("PNG24:" + path);
  Convert(args);
}

void OpenTestWindow() {
  static bool glfw_ready = [] {
    StartXvfb();
    return glfwInit() == GLFW_TRUE;
  }();
  ASSERT_TRUE(glfw_ready);
  GraphicsHost()->SetGlfwWindow(640, 480, 8, 8, 8, 0, 0, 0, false);
  ASSERT_NE(GraphicsHost()->Window(), nullptr);
  glDisable(GL_SCISSOR_TEST);
}

gxtkGraphics* NewDevice() {
  GraphicsHost();
  gxtkGraphics* device = new gxtkGraphics();
  rv_graphics_SetGraphicsDevice(device);
  rv_graphics_renderDevice = nullptr;
  gc_assign(rv_graphics_context, (new c_GraphicsContext())->m_new());
  return device;
}

uint32_t PixelAt(int x, int y) {
  uint32_t p = 0;
  int h = GraphicsHost()->GetDeviceHeight();
  glReadPixels(x, h - 1 - y, 1, 1, GL_BGRA, GL_UNSIGNED_BYTE, &p);
  return p;
}

::testing::AssertionResult ColorNear(uint32_t got, uint32_t want, int tolerance) {
  for (int shift = 0; shift < 24; shift += 8) {
    int a = (int)(got >> shift & 0xff), b = (int)(want >> shift & 0xff);
    if (std::abs(a - b) > tolerance) {
      char text[96];
      std::snprintf(text, sizeof text, "got #%06x, want #%06x (tolerance %d)", got & 0xffffff,
                    want & 0xffffff, tolerance);
      return ::testing::AssertionFailure() << text;
    }
  }
  return ::testing::AssertionSuccess();
}

}  // namespace testing_support
