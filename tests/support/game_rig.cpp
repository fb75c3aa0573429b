#include "support/game_rig.h"

#include <GL/gl.h>
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>

#include "support/audio_capture.h"
#include "support/xvfb.h"

#ifndef GL_BGRA
#define GL_BGRA 0x80E1
#endif

namespace testing_support {

TestHost::TestHost() { setenv("ALSOFT_DRIVERS", "null", 0); }  // nothing probed

void TestHost::Open(int width, int height, bool fullscreen) {
  static bool ready = (StartXvfb(), glfwInit() == GLFW_TRUE);
  SetGlfwWindow(width, height, 8, 8, 8, 0, 0, 0, fullscreen);
  if (!ready || !Window()) throw std::runtime_error("no window");
}

String TestHost::PathToFilePath(String path) {
  static const String kData("kestro://data/");
  if (dataDir.empty() || !path.StartsWith(kData)) return RvKestroGame::PathToFilePath(path);
  return String((dataDir + "/").c_str()) + path.Slice(kData.Length());
}

const float* TestHost::JoystickAxes(int jid, int* count) {
  auto it = pads.find(jid);
  *count = it == pads.end() ? 0 : (int)it->second.axes.size();
  return *count ? it->second.axes.data() : nullptr;
}

const unsigned char* TestHost::JoystickButtons(int jid, int* count) {
  auto it = pads.find(jid);
  *count = it == pads.end() ? 0 : (int)it->second.buttons.size();
  return *count ? it->second.buttons.data() : nullptr;
}

TestHost* GraphicsHost() {
  static TestHost* host = new TestHost();
  RvGame::_game = host;  // another test of the process may have made its own
  RvGlfwGame::_glfwGame = host;
  return host;
}

gxtkGraphics* NewDevice() {
  GraphicsHost();
  gxtkGraphics* device = new gxtkGraphics();
  rv_graphics_SetGraphicsDevice(device);
  rv_graphics_renderDevice = nullptr;
  gc_assign(rv_graphics_context, (new c_GraphicsContext())->m_new());
  return device;
}

Picture ReadPicture(int width, int height) {
  Picture p{width, height, std::vector<uint32_t>((std::size_t)width * height)};
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_BYTE, p.px.data());
  for (int y = 0; y < height / 2; ++y)  // GL's rows run bottom up
    std::swap_ranges(&p.px[(std::size_t)y * width], &p.px[(std::size_t)(y + 1) * width],
                     &p.px[(std::size_t)(height - 1 - y) * width]);
  return p;
}

double Picture::Share(int x0, int y0, int x1, int y1, const std::function<bool(int, int, int)>& rgb) const {
  int hits = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) hits += rgb((int)(At(x, y) >> 16), (int)(At(x, y) >> 8 & 0xff), (int)(At(x, y) & 0xff));
  return (double)hits / ((x1 - x0) * (y1 - y0));
}

bool Near(uint32_t got, uint32_t want, int tolerance) {
  for (int shift = 0; shift < 24; shift += 8)
    if (std::abs((int)(got >> shift & 0xff) - (int)(want >> shift & 0xff)) > tolerance) return false;
  return true;
}

GameRig::GameRig(bool captureSound) : dir(MakeTempDir("game")) {
  if (captureSound) capture = AudioCapture::Configure(dir);
  if (chdir(dir.c_str()) != 0) throw std::runtime_error("chdir failed");
  host = new TestHost();  // as start-up does: host, module globals, application, window
  host->dataDir = KESTRO_BIN_DIR "/data";
  rvInit(), gc_mark();
  app = (new c_MyApp())->m_new();
  host->Open(), host->StartGame();
}

GameRig::~GameRig() {
  glfwDestroyWindow(host->Window());  // GLFW stays: see TestHost
  RunCommand({"rm", "-rf", dir});
}

void GameRig::Step(int n) {
  for (int i = 0; i < n; ++i)
    host->clock += 1.0 / 60, host->PollEvents(), host->UpdateGame(), host->RenderGame(), host->SwapBuffers();
}

int GameRig::StepUntil(const std::function<bool()>& done, int maxFrames) {
  for (int i = 1; i <= maxFrames; ++i)
    if (Step(), done()) return i;
  return -1;
}

void GameRig::Tap(int key) { KeyDown(key), Step(), KeyUp(key); }

void GameRig::Button(bool down) {
  host->MouseEvent(down ? c_RvGameEvent::MouseDown : c_RvGameEvent::MouseUp, 0, rv_input_MouseX(), rv_input_MouseY());
}

void GameRig::Click(float x, float y) { Move(x, y), Button(true), Step(), Button(false); }

Picture GameRig::Read() {
  host->RenderGame();
  Picture p = ReadPicture(host->GetDeviceWidth(), host->GetDeviceHeight());
  host->SwapBuffers();
  return p;
}

static std::vector<DrawRecord> AllRecords(c_MyApp* app) {
  std::vector<DrawRecord> out(app->m_drawCount / c_MyApp::kRecordFloats);
  for (std::size_t i = 0; i < out.size(); ++i) std::copy_n(app->m_drawList.Data() + i * 15, 15, out[i].v);
  return out;
}

std::vector<DrawRecord> GameRig::Records(int type, int frame) const {
  std::vector<DrawRecord> out;
  for (const DrawRecord& r : AllRecords(app))
    if (r.Type() == type && (frame == -1 || r.Frame() == frame)) out.push_back(r);
  return out;
}

std::vector<std::string> GameRig::Texts() const {
  std::vector<std::string> lines;
  DrawRecord last{};
  bool open = false;
  for (const DrawRecord& r : AllRecords(app)) {
    if (r.Type() != app->m_fontSlot || r.v[3] != 0) {
      open = false;  // another record, or rotated text, ends the line
      continue;
    }
    if (!open || r.Y() != last.Y() || r.v[4] != last.v[4] || r.X() <= last.X()) lines.emplace_back();
    int c = r.Frame() + 32;  // glyphs from 128 on are buttons
    lines.back() += c < 128 ? std::string(1, (char)c) : "\xc2\xac[" + std::to_string(c - 32) + "]";
    last = r, open = true;
  }
  return lines;
}

static std::string NoSpaces(std::string s) { return s.erase(std::remove(s.begin(), s.end(), ' ') - s.begin()); }

bool GameRig::HasText(const std::string& part) const {
  std::vector<std::string> texts = Texts();
  return std::any_of(texts.begin(), texts.end(), [&](auto& t) { return t.find(NoSpaces(part)) != std::string::npos; });
}

bool GameRig::HasLine(const std::string& line) const {
  std::vector<std::string> texts = Texts();
  return std::find(texts.begin(), texts.end(), NoSpaces(line)) != texts.end();
}

std::string GameRig::AllText() const {
  std::string all;
  for (const std::string& t : Texts()) all += t + "\n";
  return all;
}

void Convert(std::vector<std::string> args) {
  args.insert(args.begin(), "convert");
  RunResult r = RunCommand(args);
  ASSERT_EQ(r.exit_code, 0) << "convert failed: " << r.err;
}

}  // namespace testing_support
