// A player at the real game: a tazmelo executable started in a working
// directory of its own under the test's Xvfb, driven with X key events
// (xdotool) and watched through screenshots of its window.
//
// Screens are told apart by the background at the left edge, which the game
// clears to a colour of its own whatever images it has: the menu's is green,
// a game's (and the loading screen's) black.
//
// Limits: one window named "Tazmelo" on the display at a time.
#pragma once

#include <functional>
#include <string>

#include "support/process.h"
#include "support/soak_x.h"  // Rgb

namespace testing_support {

// Average colour of a rectangle of a PNG, by ImageMagick.
Rgb AverageColour(const std::string& png, int x, int y, int w, int h);

// Polls `done` every 50 ms for up to `timeout` seconds.
bool WaitUntil(const std::function<bool()>& done, double timeout);

class GameSession {
 public:
  GameSession() = default;
  ~GameSession();  // lets go of the steering keys, kills a game still running
  GameSession(const GameSession&) = delete;
  GameSession& operator=(const GameSession&) = delete;

  // Starts `exe` in `dir` (OpenAL's silent driver: sounds load and play) and
  // waits for its window; false when none appears.
  bool Start(const std::string& exe, const std::string& dir);

  // A key held long enough for an update to see it, then released.
  void Press(const std::string& key);
  // One hop of each runner: K / L for the left one, A / D for the right one.
  void Hop(bool right);

  // Saves the window as ScreenshotDir()/<name>.png; gives the path, or ""
  // when the window could not be read.
  std::string Shot(const std::string& name);
  // Takes screenshots named `name` until `done` holds for one (up to
  // `timeout` seconds); gives its path, or "" when it never held.
  std::string WaitForScreen(const std::string& name,
                            const std::function<bool(const std::string&)>& done, double timeout);
  static bool MenuScreen(const std::string& png);  // green background
  static bool GameScreen(const std::string& png);  // black background

  // From the settled menu: Space until a game shows (the selected level).
  bool StartLevel(const std::string& name);
  // In a game: pause, move to "quit" and take it. The game ends as quit and
  // is recorded on the way back to the menu.
  void PauseAndQuit();

  // F11: the game opens its window again, full screen (the Xvfb screen,
  // 1280 x 720) or windowed (640 x 480); waits for the new window of
  // `width` pixels and gives it the keyboard. False when none appears.
  bool SwitchFullScreen(int width);

  // Asks the window to close as a window manager would; true when the
  // program ended within `timeout` seconds.
  bool Close(double timeout = 20);

  ChildProcess& Process() { return game_; }
  bool Running() { return game_.Pid() && game_.Running(); }
  unsigned long Window() const { return window_; }

 private:
  ChildProcess game_;
  unsigned long window_ = 0;
};

}  // namespace testing_support
