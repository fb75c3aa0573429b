// The Player, the file watch and the saved text; see player.h.
#include "support/player.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "support/xvfb.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

namespace testing_support {

#if defined(__SANITIZE_ADDRESS__)
double Player::patience = 90;
#else
double Player::patience = 30;
#endif

// ---- Shot ------------------------------------------------------------------------

namespace {
int IgnoreError(Display*, XErrorEvent*) { return 0; }
void Scale(const Shot& s, int* x, int* y, int* w, int* h) {  // design units to window pixels
  const double k = std::max(s.width / 640.0, s.height / 480.0);
  *x = (int)(*x * k), *y = (int)(*y * k);
  *w = std::max(1, (int)(*w * k)), *h = std::max(1, (int)(*h * k));
}
}  // namespace

Rgb Shot::At(int x, int y) const {
  const std::uint8_t* p = &rgb[((std::size_t)y * width + x) * 3];
  return Rgb{p[0], p[1], p[2]};
}

Rgb Shot::Mean(int x, int y, int w, int h) const {
  long long sum[3] = {0, 0, 0}, n = 0;
  Share(x, y, w, h, [&](Rgb c) { return sum[0] += c.r, sum[1] += c.g, sum[2] += c.b, ++n, true; });
  return n ? Rgb{(int)(sum[0] / n), (int)(sum[1] / n), (int)(sum[2] / n)} : Rgb{};
}

double Shot::Share(int x, int y, int w, int h, const std::function<bool(Rgb)>& test) const {
  Scale(*this, &x, &y, &w, &h);
  long n = 0, hits = 0;
  for (int yy = std::max(y, 0); yy < std::min(y + h, height); ++yy) {
    for (int xx = std::max(x, 0); xx < std::min(x + w, width); ++xx, ++n) hits += test(At(xx, yy));
  }
  return n ? (double)hits / (double)n : 0.0;
}

int Shot::Differences(const Shot& other, int x, int y, int w, int h) const {
  if (other.width != width || other.height != height) return -1;
  Scale(*this, &x, &y, &w, &h);
  int n = 0;
  for (int yy = std::max(y, 0); yy < std::min(y + h, height); ++yy) {
    for (int xx = std::max(x, 0); xx < std::min(x + w, width); ++xx) {
      Rgb a = At(xx, yy), b = other.At(xx, yy);
      n += std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b) > 24;
    }
  }
  return n;
}

int SavedText::Field(std::size_t i) const {
  return i < fields_.size() ? (int)std::strtol(fields_[i].c_str(), nullptr, 10) : 0;
}

// ---- FileWatch -----------------------------------------------------------------

FileWatch::FileWatch(const std::string& root, std::uint32_t mask) {
  fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  inotify_add_watch(fd_, root.c_str(), mask);
}

FileWatch::~FileWatch() {
  if (fd_ >= 0) close(fd_);
}

bool FileWatch::Next(Event* out, double timeout) {
  if (pending_.empty()) {
    pollfd p = {fd_, POLLIN, 0};
    if (fd_ < 0 || poll(&p, 1, (int)(timeout * 1000)) <= 0) return false;
    alignas(inotify_event) char buf[16384];
    const ssize_t n = read(fd_, buf, sizeof buf);
    for (char* at = buf; n > 0 && at < buf + n;) {
      const inotify_event* e = reinterpret_cast<const inotify_event*>(at);
      if (e->len) pending_.push_back({e->name, e->mask});
      at += sizeof(inotify_event) + e->len;
    }
    if (pending_.empty()) return false;
  }
  *out = pending_.front();
  pending_.erase(pending_.begin());
  return true;
}

bool FileWatch::WaitFor(std::uint32_t mask, const std::string& path, double timeout) {
  Event e;
  return WaitUntil([&] {
    while (Next(&e, 0.05)) {
      if ((e.mask & mask) && (path.empty() || e.path == path)) return true;
    }
    return false;
  }, timeout);
}

// ---- Player: the program -------------------------------------------------------

Player::Player() {
  StartXvfb();
  dpy_ = XOpenDisplay(nullptr);
  XSetErrorHandler(IgnoreError);
}

Player::~Player() {
  if (dpy_) {
    for (unsigned code : held_) XTestFakeKeyEvent(dpy_, code, False, CurrentTime);
    XSync(dpy_, False);
    XCloseDisplay(dpy_);
  }
  if (Running()) process_.Kill(9);
}

bool Player::Start(const Launch& how) {
  cwd_ = how.cwd.empty() ? MakeTempDir("player") : how.cwd;
  name_ = how.window;
  process_.Start(how.command, how.env, cwd_);
  window_ = 0;
  return FollowWindow();
}

unsigned long Player::FindWindow(unsigned long except) {
  ::Window root = DefaultRootWindow(dpy_), parent = 0, *children = nullptr;
  unsigned count = 0;
  unsigned long found = 0;
  if (!XQueryTree(dpy_, root, &root, &parent, &children, &count)) return 0;
  for (unsigned i = 0; i < count && !found; ++i) {
    XWindowAttributes attr;
    char* title = nullptr;
    if (children[i] == except || !XGetWindowAttributes(dpy_, children[i], &attr) ||
        attr.map_state != IsViewable || !XFetchName(dpy_, children[i], &title) || !title) {
      continue;
    }
    if (name_ == title) found = children[i];
    XFree(title);
  }
  if (children) XFree(children);
  return found;
}

bool Player::FollowWindow(int x, int y) {
  const unsigned long old = window_;
  unsigned long w = 0;
  if (!dpy_ || !WaitUntil([&] { return (w = FindWindow(old)) != 0 || !Running(); }, patience) ||
      !w) {
    return false;
  }
  window_ = w;
  XSetInputFocus(dpy_, window_, RevertToPointerRoot, CurrentTime);
  PointerTo(x, y);
  return true;
}

bool Player::Close(double timeout) {
  XEvent ev;
  std::memset(&ev, 0, sizeof ev);
  ev.xclient.type = ClientMessage;
  ev.xclient.window = window_;
  ev.xclient.message_type = XInternAtom(dpy_, "WM_PROTOCOLS", False);
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = (long)XInternAtom(dpy_, "WM_DELETE_WINDOW", False);
  ev.xclient.data.l[1] = CurrentTime;
  XSendEvent(dpy_, window_, False, NoEventMask, &ev);
  XSync(dpy_, False);
  return Ended(timeout);
}

// ---- Player: eyes --------------------------------------------------------------

bool Player::Size(int* width, int* height) {
  XWindowAttributes attr;
  if (!window_ || !XGetWindowAttributes(dpy_, window_, &attr)) return false;
  *width = attr.width, *height = attr.height;
  return true;
}

Shot Player::Look() {
  Shot shot;
  int w = 0, h = 0;
  if (!Size(&w, &h) || w <= 0 || h <= 0) return shot;
  XImage* image = XGetImage(dpy_, window_, 0, 0, (unsigned)w, (unsigned)h, AllPlanes, ZPixmap);
  if (!image) return shot;
  shot.width = w, shot.height = h;
  shot.rgb.resize((std::size_t)w * h * 3);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const unsigned long p = XGetPixel(image, x, y);  // 24-bit TrueColor: 0xRRGGBB
      std::uint8_t* out = &shot.rgb[((std::size_t)y * w + x) * 3];
      out[0] = (std::uint8_t)(p >> 16), out[1] = (std::uint8_t)(p >> 8), out[2] = (std::uint8_t)p;
    }
  }
  XDestroyImage(image);
  return shot;
}

bool Player::WaitFor(const std::function<bool(const Shot&)>& seen, double timeout) {
  return WaitUntil([&] { return Running() && seen(Look()); }, timeout);
}

void Player::NextFrames(int n, double timeout) {
  Shot last = Look();
  int changes = 0;
  WaitUntil([&] {
    Shot now = Look();
    if (now.Differences(last, 0, 0, 640, 480) != 0) ++changes, last = now;
    return changes >= n;
  }, timeout);
}

void Player::Keep(const std::string& name) {
  const std::string dir = std::string(KESTRO_TEST_TOOLS_DIR) + "/../screenshots";
  const Shot s = Look();
  mkdir(dir.c_str(), 0755);
  if (s.Ok()) stbi_write_png((dir + "/" + name + ".png").c_str(), s.width, s.height, 3, s.rgb.data(), s.width * 3);
}

bool Player::WaitState(const std::function<bool(const SavedText&)>& test, double timeout) {
  return WaitUntil([&] {
    SavedText saved(ReadFile(StatePath()));
    return saved.Complete() && test(saved);
  }, timeout);
}

// ---- Player: hands -------------------------------------------------------------

unsigned Player::Keycode(const std::string& key) {
  if (key.size() > 1 && key[0] == '#') return (unsigned)std::atoi(key.c_str() + 1);
  const KeySym sym = XStringToKeysym(key.c_str());
  return sym == NoSymbol ? 0 : XKeysymToKeycode(dpy_, sym);
}

void Player::Key(const std::string& key, bool down) {
  if (key.rfind("button", 0) == 0) return Button(std::atoi(key.c_str() + 6), down);
  const unsigned code = Keycode(key);
  if (!code) return;
  XTestFakeKeyEvent(dpy_, code, down, CurrentTime);
  XSync(dpy_, False);
  held_.erase(std::remove(held_.begin(), held_.end(), code), held_.end());
  if (down) held_.push_back(code);
}

bool Player::Press(const std::vector<std::string>& keys,
                   const std::function<bool(const Shot&)>& seen, int tries, double each) {
  for (int t = 0; t < tries && Running(); ++t) {
    for (const std::string& k : keys) KeyDown(k);
    const bool ok = WaitFor(seen, each);
    for (const std::string& k : keys) KeyUp(k);
    NextFrames(2);  // an update sees the keys up before they go down again
    if (ok) return true;
  }
  return false;
}

void Player::Button(int button, bool down) {
  PointerTo(pointer_[0], pointer_[1]);  // a new window may have moved after it was mapped
  XTestFakeButtonEvent(dpy_, (unsigned)button, down, CurrentTime);
  XSync(dpy_, False);
}

void Player::PointerTo(int x, int y) {
  int rx = 0, ry = 0;
  pointer_[0] = x, pointer_[1] = y;
  ::Window child;
  if (!window_ || !XTranslateCoordinates(dpy_, window_, DefaultRootWindow(dpy_), x, y, &rx, &ry, &child)) return;
  XTestFakeMotionEvent(dpy_, DefaultScreen(dpy_), rx, ry, CurrentTime);
  XSync(dpy_, False);
}

void Player::Resize(int width, int height) {
  XResizeWindow(dpy_, window_, (unsigned)width, (unsigned)height);
  XSync(dpy_, False);
}

}  // namespace testing_support
