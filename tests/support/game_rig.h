// The game in-process, started as the program starts it: a private Xvfb, the
// real 640 x 480 window, the desktop host with an injected clock, a c_MyApp
// made by its constructor and m_new and started by the host's StartGame (so
// the delegate creates the graphics, audio and input devices and calls
// p_OnCreate). Every event goes through the host's guarded dispatch, exactly
// as the frame loop sends it, collector step included.
//
// What the rig adds:
//  - a clock the test owns: Millisecs() starts at 10 000 and each Step()
//    advances it by 1/60 s (AdvanceClock for other amounts);
//  - the data folder of the build ("kestro://data/" -> KESTRO_BIN_DIR/data);
//  - a fresh current directory per rig, so the state file lands there;
//  - scripted joysticks (no real pads are looked at);
//  - readers of the draw list (records by type, image slot and frame, and
//    the texts drawn, rebuilt from the font's glyph records);
//  - read-back of the window and PNG screenshots;
//  - sound: a silent but working OpenAL device by default, or OpenAL Soft's
//    wave writer when RigOptions::captureSound is set (see audio_capture.h).
//
// Limits: one rig at a time per process (each display test runs in its own
// process under ctest). Key 432 (close) and F4 end the process, as they do
// in the game: test them from an end-to-end test.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "game/myapp.h"
#include "host/glfw_game.h"
#include "support/input_pads.h"

namespace testing_support {

// The desktop host with the rig's clock, data folder and scripted pads.
class GameRigHost : public RvKestroGame {
 public:
  double clock = 10.0;                  // seconds; Millisecs() = clock x 1000
  std::map<int, ScriptedPad> pads;      // GLFW joystick id -> pad
  std::vector<std::string> dataPaths;   // every "kestro://data/" path asked for

  String PathToFilePath(String path) override;
  double Now() override { return clock; }
  void SleepFor(double seconds) override { clock += seconds; }

  ScriptedPad& Plug(int jid, int axisCount, int buttonCount);
  void Unplug(int jid) { pads.erase(jid); }

  // The loop's own steps, for the rig.
  void Poll() { PollEvents(); }
  void Swap() { SwapBuffers(); }

 protected:
  bool JoystickPresent(int jid) override { return pads.count(jid) != 0; }
  const float* JoystickAxes(int jid, int* count) override;
  const unsigned char* JoystickButtons(int jid, int* count) override;
};

struct RigOptions {
  bool captureSound = false;  // mix into a wave file (CapturePath())
  bool keepCurrentDir = false;  // stay in the test's directory
};

// One draw record of the game's list (15 floats).
struct DrawRecord {
  float v[15];
  int Type() const { return (int)v[0]; }  // image slot, or -3717 rect, -3716 oval, -3715 line
  float X() const { return v[1]; }
  float Y() const { return v[2]; }
  int Frame() const { return (int)v[6]; }
  float Alpha() const { return v[7]; }
  float Red() const { return v[10]; }
  float Green() const { return v[11]; }
  float Blue() const { return v[12]; }
};

// A line of text as drawn: its characters (UTF-8; a button glyph appears as
// "¬" and the glyph's frame in brackets, as "¬[123]"), the position of its
// first visible glyph and its scale.
struct DrawnText {
  std::string text;
  float x = 0, y = 0;
  float size = 1;
};

class GameRig {
 public:
  explicit GameRig(const RigOptions& options = RigOptions());
  ~GameRig();
  GameRig(const GameRig&) = delete;
  GameRig& operator=(const GameRig&) = delete;

  c_MyApp* App() const { return app_; }
  GameRigHost* Host() const { return host_; }
  const std::string& Dir() const { return dir_; }  // the rig's current directory

  // ---- Frames --------------------------------------------------------------
  // n frames: advance the clock by 1/60 s, poll the window's events, update,
  // render, swap.
  void Step(int n = 1);
  void Update();  // one update alone (clock advanced)
  void Render();  // one render and swap alone
  // Steps until the staged loader has finished (at least one frame); gives
  // the number of frames stepped, or -1 after `maxFrames`.
  int RunUntilLoaded(int maxFrames = 300);
  void AdvanceClock(double seconds) { host_->clock += seconds; }
  int Millisecs() const { return (int)(host_->clock * 1000.0); }

  // ---- Input, through the host's events --------------------------------------
  void KeyDown(int key);
  void KeyUp(int key);
  void TapKey(int key);  // down, one Step, up
  void Char(int character);
  void MouseMove(float x, float y);     // window pixels
  void MouseDown(int button = 0);       // 0 left, 1 right, 2 middle
  void MouseUp(int button = 0);
  void Click(float x, float y);         // move, down, one Step, up
  ScriptedPad& Plug(int jid, int axisCount, int buttonCount) {
    return host_->Plug(jid, axisCount, buttonCount);
  }

  // ---- Pixels ----------------------------------------------------------------
  // Renders the current draw list again and reads the whole window back
  // (0xAARRGGBB, top row first).
  std::vector<uint32_t> ReadWindow(int* width = nullptr, int* height = nullptr);
  // Saves ReadWindow() as PNG; gives false when it could not be written.
  bool SaveScreenshot(const std::string& path);

  // ---- The draw list ---------------------------------------------------------
  std::vector<DrawRecord> Records() const;
  // Image records of `slot` (and of `frame` when it is not -1).
  std::vector<DrawRecord> ImageRecords(int slot, int frame = -1) const;
  std::vector<DrawRecord> RecordsOfType(int type) const;
  // The texts of the list: runs of the font's glyph records joined back into
  // characters (at rotation 0; spaces found from the pen's advance, a new
  // line where the pen moves down).
  std::vector<DrawnText> Texts() const;
  bool HasText(const std::string& text) const;
  std::string AllText() const;  // every line, "\n" after each

  // ---- Sound -------------------------------------------------------------------
  const std::string& CapturePath() const { return capture_; }

 private:
  GameRigHost* host_ = nullptr;
  c_MyApp* app_ = nullptr;
  std::string dir_, capture_, oldCwd_;
};

// Where screenshots of the tests are kept for a person to look at
// (build/tests/screenshots); made on first use.
std::string ScreenshotDir();

// Writes 0xAARRGGBB pixels (top row first) as an RGB PNG.
bool WritePng(const std::string& path, const std::vector<uint32_t>& pixels, int width,
              int height);

// Share of the pixels of a rectangle whose colour lies within `tolerance`
// of `rgb` (0xRRGGBB) per channel.
double ColourShare(const std::vector<uint32_t>& pixels, int width, int x0, int y0, int x1,
                   int y1, uint32_t rgb, int tolerance);

}  // namespace testing_support
