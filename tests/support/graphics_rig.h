// Shared rig of the graphics tests: a host whose data folder can be pointed
// at a test's own directory, test images made by ImageMagick, a real window
// under Xvfb, and read-back of the frame buffer.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "graphics/graphics.h"
#include "host/glfw_game.h"

namespace testing_support {

// The desktop host, with "kestro://data/" optionally mapped to `dataDir`
// (empty: the real data folder beside the executable).
class GraphicsTestHost : public RvKestroGame {
 public:
  std::string dataDir;
  String PathToFilePath(String path) override;
};

// The one host of the test process (created on first use).
GraphicsTestHost* GraphicsHost();

// Runs ImageMagick's convert with these arguments; fails the test when it
// does not succeed.
void Convert(const std::vector<std::string>& args);

// A horizontal strip of solid cells, `cellW` x `cellH` each, one colour per
// cell (ImageMagick colour names or "#RRGGBB"), saved as 24-bit RGB.
void MakeStrip(const std::string& path, int cellW, int cellH,
               const std::vector<std::string>& colors);

// Opens (or reopens) the 640 x 480 window under a private Xvfb with the GL
// context current. The first call also starts Xvfb and GLFW.
void OpenTestWindow();

// A new renderer with the window's size, installed as the module's device
// with a fresh context (so tests sharing a process start alike).
gxtkGraphics* NewDevice();

// Frame buffer read-back (back buffer, top-left origin), 0xAARRGGBB.
uint32_t PixelAt(int x, int y);

// Colours equal within `tolerance` per channel (alpha ignored: the window
// has no alpha channel).
::testing::AssertionResult ColorNear(uint32_t got, uint32_t want, int tolerance = 0);

inline uint32_t Rgb(int r, int g, int b) {
  return 0xff000000u | (uint32_t)r << 16 | (uint32_t)g << 8 | (uint32_t)b;
}

}  // namespace testing_support
