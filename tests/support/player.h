// The one way tests drive a real program: a Player starts any command line,
// environment and folder under the test's Xvfb (so it drives `wine
// tazmelo.exe` too), finds its window, injects keys, pointer moves and clicks
// with XTest, closes the window as a window manager would (WM_DELETE_WINDOW),
// reads it with XGetImage and waits on what it shows, never a fixed time.
// X errors (a window gone between two calls, as in a full-screen flip) are
// ignored instead of ending the test. Also the one file watcher and the one
// reader of the saved text.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "support/process.h"

typedef struct _XDisplay Display;

namespace testing_support {

struct Rgb { int r = 0, g = 0, b = 0; };

// A window's contents. Rectangles are in the game's 640 x 480 design units,
// scaled as the game scales them to the window.
struct Shot {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;  // 3 bytes a pixel

  bool Ok() const { return width > 0 && height > 0; }
  Rgb At(int x, int y) const;  // in window pixels
  Rgb Mean(int x, int y, int w, int h) const;
  double Share(int x, int y, int w, int h, const std::function<bool(Rgb)>& test) const;
  // Pixels that differ by more than 24 over the channels; -1 for other sizes.
  int Differences(const Shot& other, int x, int y, int w, int h) const;
};

// How to start the program: {"wine", ".../tazmelo.exe"} as well; `cwd` is
// where it runs and keeps its state file (a fresh folder when empty).
struct Launch {
  std::vector<std::string> command = {GamePath()};
  std::vector<std::string> env = {"ALSOFT_DRIVERS=null"};
  std::string cwd;
  std::string window = "Tazmelo";
};

// The game's saved text: settings 0..24 and their checksum, eight badge masks
// and theirs, 105 rows of ten score / status pairs and a row checksum each;
// every field ends with "|".
class SavedText {
 public:
  static constexpr int kFields = 2240;
  explicit SavedText(const std::string& text) : fields_(SplitFields(text)) {}
  bool Complete() const { return fields_.size() == kFields + 1 && fields_.back().empty(); }
  int Field(std::size_t i) const;
  int Setting(int slot) const { return Field(slot); }
  int Status(int level) const { return Field(36 + 21 * (level - 1)); }  // level 1..100
  int Score(int level, int place) const { return Field(35 + 21 * (level - 1) + 2 * place); }

 private:
  std::vector<std::string> fields_;
};

// Events (inotify) on the files of one folder.
class FileWatch {
 public:
  FileWatch(const std::string& root, std::uint32_t mask);
  ~FileWatch();
  FileWatch(const FileWatch&) = delete;
  FileWatch& operator=(const FileWatch&) = delete;
  struct Event { std::string path; std::uint32_t mask; };
  bool Next(Event* out, double timeout);  // false when none came in time
  bool WaitFor(std::uint32_t mask, const std::string& path, double timeout);

 private:
  int fd_ = -1;
  std::vector<Event> pending_;
};

class Player {
 public:
  static double patience;  // seconds anything may take to show (longer when sanitized)

  Player();
  ~Player();  // lets go of held keys, kills a program still running
  Player(const Player&) = delete;
  Player& operator=(const Player&) = delete;

  // Starts the program; false when no window appears.
  bool Start(const Launch& how = Launch());
  ChildProcess& Process() { return process_; }
  bool Running() { return process_.Pid() > 0 && process_.Running(); }
  bool Ended(double timeout) { return process_.Wait(timeout); }
  const std::string& Dir() const { return cwd_; }
  std::string StatePath() const { return cwd_ + "/.kestrostate"; }
  // Its stdout and stderr, for failure messages.
  std::string Output() { return "\n--- stdout\n" + process_.Stdout() + "--- stderr\n" + process_.Stderr(); }

  // ---- Eyes
  bool Size(int* width, int* height);
  Shot Look();
  bool WaitFor(const std::function<bool(const Shot&)>& seen, double timeout = patience);
  void NextFrames(int n, double timeout = 0.5);  // until `n` new pictures showed
  // The window as build/tests/screenshots/<name>.png, for a person to look at.
  void Keep(const std::string& name);
  // Until the state file holds a whole text for which `test` holds.
  bool WaitState(const std::function<bool(const SavedText&)>& test, double timeout = patience);

  // ---- Hands. Keys by X keysym name ("Left", "space", "k"), "#N" for X
  // keycode N (the right-hand modifiers alone), "buttonN" for mouse button N.
  void KeyDown(const std::string& key) { Key(key, true); }
  void KeyUp(const std::string& key) { Key(key, false); }
  void Tap(const std::string& key) { KeyDown(key), KeyUp(key); }  // for keys read as hits
  // Holds `keys` until `seen` holds (up to `each` seconds), then lets go;
  // again while unseen, up to `tries` times. The game reads held keys once
  // per update: this holds them as long as it takes.
  bool Press(const std::vector<std::string>& keys, const std::function<bool(const Shot&)>& seen,
             int tries = 5, double each = patience / 10);
  void Button(int button, bool down);
  void PointerTo(int x, int y);  // window coordinates
  void Resize(int width, int height);
  // The program's new window (after a full-screen flip), focused, with the
  // pointer over (x, y).
  bool FollowWindow(int x = 250, int y = 120);
  // The window's close button; true when the program ended.
  bool Close(double timeout = patience);

 private:
  unsigned Keycode(const std::string& key);
  void Key(const std::string& key, bool down);
  unsigned long FindWindow(unsigned long except);

  Display* dpy_ = nullptr;
  ChildProcess process_;
  std::string cwd_, name_;
  unsigned long window_ = 0;
  int pointer_[2] = {0, 0};
  std::vector<unsigned> held_;
};

}  // namespace testing_support
