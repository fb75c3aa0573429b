// The scripted player's eyes and hands on the X server: window lookup by
// name, window contents read back with XGetImage (a few milliseconds, so a
// player can look after every move), key presses and pointer moves sent
// with XTest, focus and size as a window manager would set them.
//
// One connection per XSession; the display must be up (StartXvfb). X errors
// (a window that went away between two calls, as in a full-screen flip) are
// counted and ignored instead of ending the process, Xlib's default.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

typedef struct _XDisplay Display;

namespace testing_support {

struct Rgb {
  int r = 0, g = 0, b = 0;
};

// A window's contents, top row first, 3 bytes a pixel.
struct Shot {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;

  bool Ok() const { return width > 0 && height > 0; }
  Rgb At(int x, int y) const;
  // Mean colour of a rectangle (clipped to the shot).
  Rgb Mean(int x, int y, int w, int h) const;
  // Share of the rectangle's pixels for which `test` holds.
  template <class F>
  double Share(int x, int y, int w, int h, F test) const {
    long n = 0, hits = 0;
    for (int yy = y; yy < y + h; ++yy) {
      for (int xx = x; xx < x + w; ++xx) {
        if (xx < 0 || yy < 0 || xx >= width || yy >= height) continue;
        ++n;
        hits += test(At(xx, yy)) ? 1 : 0;
      }
    }
    return n ? (double)hits / (double)n : 0.0;
  }
  // Pixels that differ (by more than 24 over the three channels) between two
  // shots of the same size inside a rectangle; -1 when the sizes differ.
  int Differences(const Shot& other, int x, int y, int w, int h) const;
  bool SavePng(const std::string& path) const;
};

class XSession {
 public:
  XSession();
  ~XSession();
  XSession(const XSession&) = delete;
  XSession& operator=(const XSession&) = delete;

  bool Ok() const { return dpy_ != nullptr; }

  // The first viewable top-level window named `name` other than `except`,
  // waiting up to `timeout` seconds; 0 when none appears.
  unsigned long FindWindow(const std::string& name, unsigned long except = 0,
                           double timeout = 20);
  bool Exists(unsigned long window);
  bool Size(unsigned long window, int* width, int* height);
  // Resizes a top-level window as a window manager would (the program sees
  // a configure event and a new device size).
  void Resize(unsigned long window, int width, int height);
  Shot Grab(unsigned long window);

  // Keys by X keysym name ("Left", "space", "Return", "k", "F11").
  void KeyDown(const std::string& key);
  void KeyUp(const std::string& key);
  // Holds every key of `keys` together for `hold` seconds.
  void Chord(const std::vector<std::string>& keys, double hold);
  // One key held for `hold` seconds, then `gap` seconds with it released.
  void Press(const std::string& key, double hold = 0.08, double gap = 0.08);
  // Releases every key this session pressed and did not release.
  void ReleaseAll();

  // The pointer to window coordinates (x, y).
  void PointerTo(unsigned long window, int x, int y);
  // Gives the window the keyboard focus (without a window manager nothing
  // else does after a window is opened again).
  void Focus(unsigned long window);

  int Errors() const;

 private:
  unsigned Keycode(const std::string& key);
  void Flush();

  Display* dpy_ = nullptr;
  std::vector<unsigned> held_;
};

}  // namespace testing_support
