// The in-process test host and the game on it. TestHost: the real window
// under a private Xvfb, a clock the test owns, a data folder
// ("kestro://data/" -> dataDir when set) and scripted joysticks; OpenAL Soft
// gets its silent backend unless a test chooses, and GLFW is never
// terminated (see tests/CMakeLists.txt). GameRig starts the game as the
// program does and reads back its draw list and window. One rig per process.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "game/myapp.h"
#include "graphics/graphics.h"
#include "host/glfw_game.h"
#include "support/input_pads.h"
#include "support/process.h"

namespace testing_support {

class TestHost : public RvKestroGame {
 public:
  double clock = 10.0;  // seconds
  std::string dataDir;  // empty: beside the executable, as in the game
  std::map<int, ScriptedPad> pads;  // GLFW joystick id -> pad
  TestHost();
  void Open(int width = 640, int height = 480, bool fullscreen = false);  // (re)opens the window
  String PathToFilePath(String path) override;
  double Now() override { return clock; }
  void SleepFor(double seconds) override { clock += seconds; }

 protected:
  bool JoystickPresent(int jid) override { return pads.count(jid) != 0; }
  const float* JoystickAxes(int jid, int* count) override;
  const unsigned char* JoystickButtons(int jid, int* count) override;
  friend class GameRig;
};

TestHost* GraphicsHost();  // the process's host for renderer tests
gxtkGraphics* NewDevice();  // a fresh renderer installed as the module's device

struct Picture {  // window pixels, 0xRRGGBB, top row first
  int w = 0, h = 0;
  std::vector<uint32_t> px;
  uint32_t At(int x, int y) const { return px[(std::size_t)y * w + x] & 0xffffff; }
  double Share(int x0, int y0, int x1, int y1, const std::function<bool(int, int, int)>& rgb) const;
};
Picture ReadPicture(int width, int height);  // the back buffer
bool Near(uint32_t got, uint32_t want, int tolerance = 0);

struct DrawRecord {
  float v[15];
  int Type() const { return (int)v[0]; }  // image slot or c_MyApp::k*Record
  float X() const { return v[1]; }
  float Y() const { return v[2]; }
  int Frame() const { return (int)v[6]; }
};

class GameRig {
 public:
  explicit GameRig(bool captureSound = false);
  ~GameRig();
  c_MyApp* app = nullptr;
  TestHost* host = nullptr;
  std::string dir;      // the current directory while the rig lives
  std::string capture;  // the wave writer's file

  void Step(int n = 1);  // clock + 1/60 s, events, update, render, swap
  int StepUntil(const std::function<bool()>& done, int maxFrames = 600);  // frames, or -1
  int RunUntilLoaded() { return StepUntil([&] { return app->m_loadStage == 0; }, 300); }
  bool Reload() { return StepUntil([&] { return app->m_loadStage != 0; }, 10) > 0 && RunUntilLoaded() > 0; }
  void KeyDown(int key) { host->KeyEvent(c_RvGameEvent::KeyDown, key); }
  void KeyUp(int key) { host->KeyEvent(c_RvGameEvent::KeyUp, key); }
  void Tap(int key);  // down, one frame, up
  void Move(float x, float y) { host->MouseEvent(c_RvGameEvent::MouseMove, -1, x, y); }
  void Button(bool down);
  void Click(float x, float y);  // move, down, one frame, up
  Picture Read();                // renders the list again and reads the window
  std::vector<DrawRecord> Records(int type, int frame = -1) const;
  // Lines of text as drawn, without spaces; a button glyph reads "¬[frame]".
  std::vector<std::string> Texts() const;
  bool HasText(const std::string& part) const;  // spaces in `part` ignored
  bool HasLine(const std::string& line) const;
  std::string AllText() const;
};

void Convert(std::vector<std::string> args);  // ImageMagick; fails the test

constexpr int kEnter = 13, kEscape = 27, kSpace = 32, kLeft = 37, kUp = 38, kRight = 39, kDown = 40;

}  // namespace testing_support
