// The scripted player's X session; see soak_x.h.
#include "support/soak_x.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>

#include "support/game_rig.h"
#include "support/process.h"

namespace testing_support {

namespace {

std::atomic<int> x_errors{0};

int CountError(Display*, XErrorEvent*) {
  ++x_errors;
  return 0;
}

}  // namespace

// ---- Shot ----------------------------------------------------------------------

Rgb Shot::At(int x, int y) const {
  const std::uint8_t* p = &rgb[((std::size_t)y * width + x) * 3];
  return Rgb{p[0], p[1], p[2]};
}

Rgb Shot::Mean(int x, int y, int w, int h) const {
  long long r = 0, g = 0, b = 0, n = 0;
  for (int yy = std::max(y, 0); yy < std::min(y + h, height); ++yy) {
    for (int xx = std::max(x, 0); xx < std::min(x + w, width); ++xx) {
      Rgb c = At(xx, yy);
      r += c.r, g += c.g, b += c.b, ++n;
    }
  }
  if (!n) return Rgb{};
  return Rgb{(int)(r / n), (int)(g / n), (int)(b / n)};
}

int Shot::Differences(const Shot& other, int x, int y, int w, int h) const {
  if (other.width != width || other.height != height) return -1;
  int n = 0;
  for (int yy = std::max(y, 0); yy < std::min(y + h, height); ++yy) {
    for (int xx = std::max(x, 0); xx < std::min(x + w, width); ++xx) {
      Rgb a = At(xx, yy), b = other.At(xx, yy);
      n += std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b) > 24;
    }
  }
  return n;
}

bool Shot::SavePng(const std::string& path) const {
  if (!Ok()) return false;
  std::vector<uint32_t> pixels((std::size_t)width * height);
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    pixels[i] = 0xff000000u | (uint32_t)rgb[i * 3] << 16 | (uint32_t)rgb[i * 3 + 1] << 8 |
                rgb[i * 3 + 2];
  }
  return WritePng(path, pixels, width, height);
}

// ---- XSession --------------------------------------------------------------------

XSession::XSession() {
  dpy_ = XOpenDisplay(nullptr);
  XSetErrorHandler(CountError);
}

XSession::~XSession() {
  if (!dpy_) return;
  ReleaseAll();
  XCloseDisplay(dpy_);
}

int XSession::Errors() const { return x_errors.load(); }

void XSession::Flush() {
  XFlush(dpy_);
  XSync(dpy_, False);
}

unsigned long XSession::FindWindow(const std::string& name, unsigned long except,
                                   double timeout) {
  if (!dpy_) return 0;
  for (double t = 0;; t += 0.05) {
    Window root = DefaultRootWindow(dpy_), parent = 0, *children = nullptr;
    unsigned count = 0;
    unsigned long found = 0;
    if (XQueryTree(dpy_, root, &root, &parent, &children, &count)) {
      for (unsigned i = 0; i < count && !found; ++i) {
        if (children[i] == except) continue;
        XWindowAttributes attr;
        if (!XGetWindowAttributes(dpy_, children[i], &attr) || attr.map_state != IsViewable) {
          continue;
        }
        char* title = nullptr;
        if (XFetchName(dpy_, children[i], &title) && title) {
          if (name == title) found = children[i];
          XFree(title);
        }
      }
      if (children) XFree(children);
    }
    if (found || t >= timeout) return found;
    SleepSeconds(0.05);
  }
}

bool XSession::Exists(unsigned long window) {
  XWindowAttributes attr;
  return dpy_ && window && XGetWindowAttributes(dpy_, window, &attr) &&
         attr.map_state == IsViewable;
}

bool XSession::Size(unsigned long window, int* width, int* height) {
  XWindowAttributes attr;
  if (!dpy_ || !window || !XGetWindowAttributes(dpy_, window, &attr)) return false;
  *width = attr.width;
  *height = attr.height;
  return true;
}

void XSession::Resize(unsigned long window, int width, int height) {
  if (!dpy_ || !window) return;
  XResizeWindow(dpy_, window, (unsigned)width, (unsigned)height);
  Flush();
}

Shot XSession::Grab(unsigned long window) {
  Shot shot;
  int w = 0, h = 0;
  if (!Size(window, &w, &h) || w <= 0 || h <= 0) return shot;
  XImage* image = XGetImage(dpy_, window, 0, 0, (unsigned)w, (unsigned)h, AllPlanes, ZPixmap);
  if (!image) return shot;
  auto shift = [](unsigned long mask) {
    int s = 0;
    while (mask && !(mask & 1)) mask >>= 1, ++s;
    return s;
  };
  const int rs = shift(image->red_mask), gs = shift(image->green_mask),
            bs = shift(image->blue_mask);
  shot.width = w;
  shot.height = h;
  shot.rgb.resize((std::size_t)w * h * 3);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      unsigned long p = XGetPixel(image, x, y);
      std::uint8_t* out = &shot.rgb[((std::size_t)y * w + x) * 3];
      out[0] = (std::uint8_t)((p & image->red_mask) >> rs);
      out[1] = (std::uint8_t)((p & image->green_mask) >> gs);
      out[2] = (std::uint8_t)((p & image->blue_mask) >> bs);
    }
  }
  XDestroyImage(image);
  return shot;
}

unsigned XSession::Keycode(const std::string& key) {
  KeySym sym = XStringToKeysym(key.c_str());
  return sym == NoSymbol ? 0 : XKeysymToKeycode(dpy_, sym);
}

void XSession::KeyDown(const std::string& key) {
  unsigned code = Keycode(key);
  if (!dpy_ || !code) return;
  XTestFakeKeyEvent(dpy_, code, True, CurrentTime);
  Flush();
  held_.push_back(code);
}

void XSession::KeyUp(const std::string& key) {
  unsigned code = Keycode(key);
  if (!dpy_ || !code) return;
  XTestFakeKeyEvent(dpy_, code, False, CurrentTime);
  Flush();
  held_.erase(std::remove(held_.begin(), held_.end(), code), held_.end());
}

void XSession::Chord(const std::vector<std::string>& keys, double hold) {
  for (const std::string& k : keys) KeyDown(k);
  SleepSeconds(hold);
  for (const std::string& k : keys) KeyUp(k);
}

void XSession::Press(const std::string& key, double hold, double gap) {
  Chord({key}, hold);
  SleepSeconds(gap);
}

void XSession::ReleaseAll() {
  if (!dpy_) return;
  for (unsigned code : held_) XTestFakeKeyEvent(dpy_, code, False, CurrentTime);
  held_.clear();
  Flush();
}

void XSession::PointerTo(unsigned long window, int x, int y) {
  if (!dpy_ || !window) return;
  Window child;
  int rx = 0, ry = 0;
  if (!XTranslateCoordinates(dpy_, window, DefaultRootWindow(dpy_), x, y, &rx, &ry, &child)) {
    return;
  }
  XTestFakeMotionEvent(dpy_, DefaultScreen(dpy_), rx, ry, CurrentTime);
  Flush();
}

void XSession::Focus(unsigned long window) {
  if (!dpy_ || !window) return;
  XSetInputFocus(dpy_, window, RevertToPointerRoot, CurrentTime);
  Flush();
}

}  // namespace testing_support
