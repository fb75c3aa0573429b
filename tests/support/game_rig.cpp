// The in-process game rig; see game_rig.h.
#include "support/game_rig.h"

#include <GL/gl.h>
#include <GLFW/glfw3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <stdexcept>

#include "support/audio_capture.h"
#include "support/process.h"
#include "support/xvfb.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb/stb_image_write.h>
#pragma GCC diagnostic pop

#ifndef GL_BGRA
#define GL_BGRA 0x80E1
#endif

namespace testing_support {

namespace {

constexpr double kFrameSeconds = 1.0 / 60.0;

void RemoveTree(const std::string& dir) {
  if (dir.empty()) return;
  RunCommand({"rm", "-rf", dir}, 30);
}

// Kerning of a glyph frame as the game's text renderer applies it while
// drawing (button glyphs 4, the shoulder buttons 6).
int GlyphKerning(int frame) {
  if (frame >= 96 && frame <= 126) {
    return (frame == 100 || frame == 101 || frame == 110 || frame == 116 || frame == 117) ? 6
                                                                                        : 4;
  }
  return c_MyApp::TextKerning(frame + 32);
}

void AppendGlyph(std::string& out, int frame) {
  if (frame >= 96 && frame <= 126) {
    out += "\xc2\xac[" + std::to_string(frame) + "]";
    return;
  }
  int c = frame + 32;
  if (c < 0x80) {
    out.push_back((char)c);
  } else {
    out.push_back((char)(0xc0 | (c >> 6)));
    out.push_back((char)(0x80 | (c & 0x3f)));
  }
}

}  // namespace

// ---- GameRigHost -------------------------------------------------------------

String GameRigHost::PathToFilePath(String path) {
  static const String kData("kestro://data/");
  if (path.StartsWith(kData)) {
    dataPaths.push_back(path.Slice(kData.Length()).ToUtf8());
    return String(KESTRO_BIN_DIR "/data/") + path.Slice(kData.Length());
  }
  return RvKestroGame::PathToFilePath(path);
}

ScriptedPad& GameRigHost::Plug(int jid, int axisCount, int buttonCount) {
  pads.erase(jid);
  return pads.emplace(jid, ScriptedPad(axisCount, buttonCount)).first->second;
}

const float* GameRigHost::JoystickAxes(int jid, int* count) {
  auto it = pads.find(jid);
  *count = it == pads.end() ? 0 : (int)it->second.axes.size();
  return *count ? it->second.axes.data() : nullptr;
}

const unsigned char* GameRigHost::JoystickButtons(int jid, int* count) {
  auto it = pads.find(jid);
  *count = it == pads.end() ? 0 : (int)it->second.buttons.size();
  return *count ? it->second.buttons.data() : nullptr;
}

// ---- GameRig: start ------------------------------------------------------------

GameRig::GameRig(const RigOptions& options) {
  StartXvfb();
  dir_ = MakeTempDir("game");
  if (options.captureSound) {
    capture_ = AudioCapture::Configure(dir_);
  } else {
    setenv("ALSOFT_DRIVERS", "null", 0);  // silent, but every channel works
  }
  if (!options.keepCurrentDir) {
    char buf[4096];
    if (getcwd(buf, sizeof buf)) oldCwd_ = buf;
    if (chdir(dir_.c_str()) != 0) throw std::runtime_error("chdir failed");
  }
  if (!glfwInit()) throw std::runtime_error("glfwInit failed");

  // As start-up does: the host, the module globals, the application object;
  // then what Run() does: the window, StartGame.
  host_ = new GameRigHost();
  rvInit();
  gc_mark();
  app_ = (new c_MyApp())->m_new();
  host_->SetGlfwWindow(640, 480, 8, 8, 8, 0, 0, 0, false);
  host_->StartGame();
}

GameRig::~GameRig() {
  // The window goes, GLFW stays: terminating it unloads GL libraries whose
  // context bookkeeping LeakSanitizer then reports as lost.
  if (host_->Window()) glfwDestroyWindow(host_->Window());
  if (!oldCwd_.empty() && chdir(oldCwd_.c_str()) != 0) {
    // The test is over; nothing to do about it.
  }
  RemoveTree(dir_);
}

// ---- Frames --------------------------------------------------------------------

void GameRig::Update() {
  host_->clock += kFrameSeconds;
  host_->Poll();
  host_->UpdateGame();
}

void GameRig::Render() {
  host_->RenderGame();
  host_->Swap();
}

void GameRig::Step(int n) {
  for (int i = 0; i < n; ++i) {
    Update();
    Render();
  }
}

int GameRig::RunUntilLoaded(int maxFrames) {
  for (int frames = 1; frames <= maxFrames; ++frames) {
    Step();
    if (app_->m_loadStage == 0) return frames;
  }
  return -1;
}

// ---- Input ---------------------------------------------------------------------

void GameRig::KeyDown(int key) { host_->KeyEvent(c_RvGameEvent::KeyDown, key); }
void GameRig::KeyUp(int key) { host_->KeyEvent(c_RvGameEvent::KeyUp, key); }

void GameRig::TapKey(int key) {
  KeyDown(key);
  Step();
  KeyUp(key);
}

void GameRig::Char(int character) { host_->KeyEvent(c_RvGameEvent::KeyChar, character); }

void GameRig::MouseMove(float x, float y) {
  host_->MouseEvent(c_RvGameEvent::MouseMove, -1, x, y);
}

void GameRig::MouseDown(int button) {
  host_->MouseEvent(c_RvGameEvent::MouseDown, button, rv_input_MouseX(), rv_input_MouseY());
}

void GameRig::MouseUp(int button) {
  host_->MouseEvent(c_RvGameEvent::MouseUp, button, rv_input_MouseX(), rv_input_MouseY());
}

void GameRig::Click(float x, float y) {
  MouseMove(x, y);
  MouseDown(0);
  Step();
  MouseUp(0);
}

// ---- Pixels ----------------------------------------------------------------------

std::vector<uint32_t> GameRig::ReadWindow(int* width, int* height) {
  host_->RenderGame();
  int w = host_->GetDeviceWidth(), h = host_->GetDeviceHeight();
  std::vector<uint32_t> raw((std::size_t)w * h), out((std::size_t)w * h);
  glFinish();
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glReadPixels(0, 0, w, h, GL_BGRA, GL_UNSIGNED_BYTE, raw.data());
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) out[(std::size_t)y * w + x] = raw[(std::size_t)(h - 1 - y) * w + x];
  }
  host_->Swap();
  if (width) *width = w;
  if (height) *height = h;
  return out;
}

bool GameRig::SaveScreenshot(const std::string& path) {
  int w = 0, h = 0;
  std::vector<uint32_t> pixels = ReadWindow(&w, &h);
  return WritePng(path, pixels, w, h);
}

bool WritePng(const std::string& path, const std::vector<uint32_t>& pixels, int width,
              int height) {
  if (width <= 0 || height <= 0 || pixels.size() < (std::size_t)width * height) return false;
  std::vector<unsigned char> rgb((std::size_t)width * height * 3);
  for (std::size_t i = 0; i < (std::size_t)width * height; ++i) {
    rgb[i * 3] = (unsigned char)(pixels[i] >> 16);
    rgb[i * 3 + 1] = (unsigned char)(pixels[i] >> 8);
    rgb[i * 3 + 2] = (unsigned char)pixels[i];
  }
  return stbi_write_png(path.c_str(), width, height, 3, rgb.data(), width * 3) != 0;
}

std::string ScreenshotDir() {
  std::string dir = KESTRO_TEST_TOOLS_DIR "/../screenshots";
  mkdir(dir.c_str(), 0755);
  return dir;
}

double ColourShare(const std::vector<uint32_t>& pixels, int width, int x0, int y0, int x1,
                   int y1, uint32_t rgb, int tolerance) {
  long long hits = 0, total = 0;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      uint32_t p = pixels[(std::size_t)y * width + x];
      bool near = true;
      for (int shift = 0; shift < 24; shift += 8) {
        int a = (int)(p >> shift & 0xff), b = (int)(rgb >> shift & 0xff);
        if (std::abs(a - b) > tolerance) near = false;
      }
      hits += near;
      ++total;
    }
  }
  return total ? (double)hits / (double)total : 0.0;
}

// ---- The draw list -------------------------------------------------------------

std::vector<DrawRecord> GameRig::Records() const {
  std::vector<DrawRecord> out;
  const float* list = app_->m_drawList.Data();
  for (int i = 0; i + c_MyApp::kRecordFloats <= app_->m_drawCount; i += c_MyApp::kRecordFloats) {
    DrawRecord r;
    for (int k = 0; k < c_MyApp::kRecordFloats; ++k) r.v[k] = list[i + k];
    out.push_back(r);
  }
  return out;
}

std::vector<DrawRecord> GameRig::ImageRecords(int slot, int frame) const {
  std::vector<DrawRecord> out;
  for (const DrawRecord& r : Records()) {
    if (r.Type() == slot && (frame == -1 || r.Frame() == frame)) out.push_back(r);
  }
  return out;
}

std::vector<DrawRecord> GameRig::RecordsOfType(int type) const { return ImageRecords(type); }

std::vector<DrawnText> GameRig::Texts() const {
  std::vector<DrawnText> out;
  int font = app_->m_fontSlot;
  float advance = (float)app_->m_imageInfo[font * 3];
  if (advance <= 0) advance = 7;
  bool open = false;  // the last record was a glyph of the current run
  float penX = 0, penY = 0;
  int lastFrame = 0;
  for (const DrawRecord& r : Records()) {
    if (r.Type() != font || r.v[3] != 0) {
      open = false;
      continue;
    }
    float size = r.v[4];
    float step = advance * size;
    bool sameLine = open && std::fabs(r.Y() - penY) < 0.01f && out.back().size == size &&
                    r.X() > penX && step > 0;
    if (sameLine) {
      float gap = r.X() - penX - (GlyphKerning(lastFrame) + advance) * size;
      int spaces = (int)std::lround(gap / step);
      for (int i = 0; i < spaces; ++i) out.back().text.push_back(' ');
    } else {
      DrawnText t;
      t.x = r.X();
      t.y = r.Y();
      t.size = size;
      out.push_back(t);
    }
    AppendGlyph(out.back().text, r.Frame());
    penX = r.X();
    penY = r.Y();
    lastFrame = r.Frame();
    open = true;
  }
  return out;
}

bool GameRig::HasText(const std::string& text) const {
  for (const DrawnText& t : Texts()) {
    if (t.text.find(text) != std::string::npos) return true;
  }
  return false;
}

std::string GameRig::AllText() const {
  std::string all;
  for (const DrawnText& t : Texts()) all += t.text + "\n";
  return all;
}

}  // namespace testing_support
