#include "support/game_session.h"

#include <cstdio>
#include <cstdlib>

#include "support/game_rig.h"

namespace testing_support {

Rgb AverageColour(const std::string& png, int x, int y, int w, int h) {
  RunResult res = RunCommand({"convert", png, "-crop",
                              std::to_string(w) + "x" + std::to_string(h) + "+" +
                                  std::to_string(x) + "+" + std::to_string(y),
                              "+repage", "-resize", "1x1!", "-format",
                              "%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]", "info:"});
  Rgb c;
  std::sscanf(res.out.c_str(), "%d %d %d", &c.r, &c.g, &c.b);
  return c;
}

bool WaitUntil(const std::function<bool()>& done, double timeout) {
  for (double t = 0; t < timeout; t += 0.05) {
    if (done()) return true;
    SleepSeconds(0.05);
  }
  return done();
}

GameSession::~GameSession() {
  if (window_) {
    for (const char* key : {"k", "l", "a", "d"}) Xdotool({"keyup", key});
  }
  if (Running()) game_.Kill(9);
}

bool GameSession::Start(const std::string& exe, const std::string& dir) {
  game_.Start({exe}, {"ALSOFT_DRIVERS=null"}, dir);
  window_ = WaitForWindow("Tazmelo");
  return window_ != 0;
}

void GameSession::Press(const std::string& key) {
  Xdotool({"keydown", key, "sleep", "0.1", "keyup", key, "sleep", "0.1"});
}

// Both keys held long enough for several updates to see them, then let go so
// the next press counts again.
void GameSession::Hop(bool right) {
  const char* left = right ? "l" : "k";
  const char* other = right ? "d" : "a";
  Xdotool({"keydown", left, "keydown", other});
  SleepSeconds(0.09);
  Xdotool({"keyup", left, "keyup", other});
  SleepSeconds(0.13);
}

std::string GameSession::Shot(const std::string& name) {
  std::string path = ScreenshotDir() + "/" + name + ".png";
  return Screenshot(window_, path) ? path : std::string();
}

std::string GameSession::WaitForScreen(const std::string& name,
                                       const std::function<bool(const std::string&)>& done,
                                       double timeout) {
  for (double t = 0; t < timeout && Running(); t += 0.25) {
    std::string path = Shot(name);
    if (done(path)) return path;
    SleepSeconds(0.25);
  }
  return "";
}

bool GameSession::MenuScreen(const std::string& png) {
  Rgb c = AverageColour(png, 0, 100, 40, 40);
  return c.g > c.r + 20;
}

bool GameSession::GameScreen(const std::string& png) {
  Rgb c = AverageColour(png, 0, 100, 40, 40);
  return c.g < 40 && c.r < 40;
}

bool GameSession::StartLevel(const std::string& name) {
  for (int press = 0; press < 3; ++press) {
    Press("space");
    if (!WaitForScreen(name, GameScreen, 5).empty()) return true;
  }
  return false;
}

void GameSession::PauseAndQuit() {
  Press("Escape");
  SleepSeconds(0.5);  // the pause menu slides in
  Press("Up");        // the cursor moves from "resume" to "quit"
  Press("space");
}

namespace {

int WindowWidth(unsigned long window) {
  RunResult r = RunCommand({"xdotool", "getwindowgeometry", std::to_string(window)}, 10);
  std::size_t at = r.out.find("Geometry: ");
  return at == std::string::npos ? 0 : std::atoi(r.out.c_str() + at + 10);
}

}  // namespace

// Without a window manager a new window does not always get the focus.
bool GameSession::SwitchFullScreen(int width) {
  Xdotool({"windowfocus", std::to_string(window_)});
  Xdotool({"key", "F11"});
  const unsigned long old = window_;
  for (int i = 0; i < 100 && Running(); ++i) {
    SleepSeconds(0.1);
    unsigned long now = WaitForWindow("Tazmelo", 5);
    if (now != 0 && now != old && WindowWidth(now) == width) {
      window_ = now;
      Xdotool({"windowfocus", std::to_string(window_)});
      return true;
    }
  }
  return false;
}

bool GameSession::Close(double timeout) {
  RequestClose(window_);
  return game_.Wait(timeout);
}

}  // namespace testing_support
