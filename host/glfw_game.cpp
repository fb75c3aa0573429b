// The desktop host: window (re)opening, device queries, the frame loop and
// start-up.
//
// Frame loop, per iteration: render once and swap; sleep until the next
// update is due; poll events (block while suspended); follow the window's
// focus into suspend/resume; then run 1 to 4 updates at the fixed rate. When
// the loop falls more than kMaxCatchUpUpdates behind, the backlog is dropped
// and timing restarts, so a slow machine slows the game down instead of
// spiralling.
#include "host/glfw_game.h"

#include <GLFW/glfw3.h>

#include <clocale>
#include <cstdlib>

#include "host/platform.h"
#include "runtime/profile.h"

namespace {
constexpr int kMaxCatchUpUpdates = 4;
constexpr int kMaxVideoModes = 1024;
}  // namespace

int glfwGraphicsSeq = 0;
RvGlfwGame* RvGlfwGame::_glfwGame = nullptr;
void (*RvKestroGame::createApp)() = nullptr;

RvGlfwGame::RvGlfwGame()
    : _updatePeriod(0), _nextUpdate(0), _swapInterval(1), _window(nullptr) {
  _glfwGame = this;
  // Found once, here: file loads may run on worker threads, which must only
  // ever read these.
  String exe = platform::ExecutablePath().Replace(String("\\"), String("/"));
  int slash = exe.FindLast(String("/"));
  _baseDir = slash > 0 ? exe.Slice(0, slash) : String(slash == 0 ? "" : ".");
  _internalDir = _baseDir + String("/internal");
}

RvKestroGame::~RvKestroGame() {}

void RvGlfwGame::SetUpdateRate(int hz) {
  RvGame::SetUpdateRate(hz);
  if (hz != 0) _updatePeriod = 1.0 / hz;
  _nextUpdate = 0;
}

int RvGlfwGame::Millisecs() { return (int)(Now() * 1000.0); }

void RvGlfwGame::OpenUrl(String url) { platform::OpenUrl(url.ToCString().c_str()); }

void RvGlfwGame::SetMouseVisible(bool visible) {
  if (_window) {
    glfwSetInputMode(_window, GLFW_CURSOR, visible ? GLFW_CURSOR_NORMAL : GLFW_CURSOR_HIDDEN);
  }
}

// The size is the one the callbacks last reported: asking GLFW would cost a
// round trip to the X server on every call, and the renderer and the app
// module ask every frame.
int RvGlfwGame::GetDeviceWidth() { return _window ? _windowWidth : 0; }
int RvGlfwGame::GetDeviceHeight() { return _window ? _windowHeight : 0; }

void RvGlfwGame::OnWindowSize(GLFWwindow* window, int width, int height) {
  if (!_glfwGame || window != _glfwGame->_window) return;
  _glfwGame->_windowWidth = width;
  _glfwGame->_windowHeight = height;
}

void RvGlfwGame::OnWindowFocus(GLFWwindow* window, int focused) {
  if (_glfwGame && window == _glfwGame->_window) _glfwGame->_windowFocused = focused != 0;
}

void RvGlfwGame::OnWindowIconify(GLFWwindow* window, int iconified) {
  if (_glfwGame && window == _glfwGame->_window) _glfwGame->_windowIconified = iconified != 0;
}

void RvGlfwGame::SetDeviceWindow(int width, int height, int flags) {
  SetGlfwWindow(width, height, 8, 8, 8, 0, 0, 0, (flags & 1) != 0);
}

Array<RvDisplayMode*> RvGlfwGame::GetDisplayModes() {
  GLFWmonitor* monitor = glfwGetPrimaryMonitor();
  int count = 0;
  const GLFWvidmode* modes = monitor ? glfwGetVideoModes(monitor, &count) : nullptr;
  if (!modes || count <= 0) return Array<RvDisplayMode*>();
  if (count > kMaxVideoModes) count = kMaxVideoModes;
  Array<RvDisplayMode*> out(count);
  for (int i = 0; i < count; ++i) {
    RvDisplayMode* mode = new RvDisplayMode();
    mode->width = modes[i].width;
    mode->height = modes[i].height;
    gc_assign(out[i], mode);
  }
  return out;
}

RvDisplayMode* RvGlfwGame::GetDesktopMode() {
  GLFWmonitor* monitor = glfwGetPrimaryMonitor();
  const GLFWvidmode* desk = monitor ? glfwGetVideoMode(monitor) : nullptr;
  if (!desk) return nullptr;
  RvDisplayMode* mode = new RvDisplayMode();
  mode->width = desk->width;
  mode->height = desk->height;
  return mode;
}

RvGlfwVideoMode* RvGlfwGame::GetGlfwDesktopMode() {
  GLFWmonitor* monitor = glfwGetPrimaryMonitor();
  const GLFWvidmode* desk = monitor ? glfwGetVideoMode(monitor) : nullptr;
  if (!desk) return nullptr;
  RvGlfwVideoMode* mode = new RvGlfwVideoMode();
  mode->width = desk->width;
  mode->height = desk->height;
  mode->red = desk->redBits;
  mode->green = desk->greenBits;
  mode->blue = desk->blueBits;
  return mode;
}

Array<RvGlfwVideoMode*> RvGlfwGame::GetGlfwVideoModes() {
  GLFWmonitor* monitor = glfwGetPrimaryMonitor();
  int count = 0;
  const GLFWvidmode* modes = monitor ? glfwGetVideoModes(monitor, &count) : nullptr;
  if (!modes || count <= 0) return Array<RvGlfwVideoMode*>();
  if (count > kMaxVideoModes) count = kMaxVideoModes;
  Array<RvGlfwVideoMode*> out(count);
  for (int i = 0; i < count; ++i) {
    RvGlfwVideoMode* mode = new RvGlfwVideoMode();
    mode->width = modes[i].width;
    mode->height = modes[i].height;
    mode->red = modes[i].redBits;
    mode->green = modes[i].greenBits;
    mode->blue = modes[i].blueBits;
    gc_assign(out[i], mode);
  }
  return out;
}

void RvGlfwGame::SetSwapInterval(int interval) {
  _swapInterval = interval;
  if (interval >= 0 && _window) glfwSwapInterval(interval);
}

namespace {

GLFWwindow* open_window(int width, int height, int red, int green, int blue, int alpha, int depth,
                        int stencil, GLFWmonitor* monitor) {
  glfwDefaultWindowHints();
  glfwWindowHint(GLFW_REFRESH_RATE, 60);
  glfwWindowHint(GLFW_RESIZABLE, GLFW_TRUE);
  glfwWindowHint(GLFW_RED_BITS, red);
  glfwWindowHint(GLFW_GREEN_BITS, green);
  glfwWindowHint(GLFW_BLUE_BITS, blue);
  glfwWindowHint(GLFW_ALPHA_BITS, alpha);
  glfwWindowHint(GLFW_DEPTH_BITS, depth);
  glfwWindowHint(GLFW_STENCIL_BITS, stencil);
  return glfwCreateWindow(width, height, "Tazmelo", monitor, nullptr);
}

}  // namespace

void RvGlfwGame::SetGlfwWindow(int width, int height, int red, int green, int blue, int alpha,
                               int depth, int stencil, bool fullscreen) {
  // Keys held now would never see their release once the window is gone.
  if (_window) {
    for (int k = GLFW_KEY_SPACE; k <= GLFW_KEY_LAST; ++k) {
      int code = TransKey(k);
      if (code && glfwGetKey(_window, k) == GLFW_PRESS) KeyEvent(c_RvGameEvent::KeyUp, code);
    }
  }

  GLFWmonitor* monitor = glfwGetPrimaryMonitor();
  const GLFWvidmode* desk = monitor ? glfwGetVideoMode(monitor) : nullptr;
  int deskWidth = desk ? desk->width : width;
  int deskHeight = desk ? desk->height : height;

  if (_window) {
    glfwDestroyWindow(_window);
    _window = nullptr;
  }

  if (fullscreen && monitor) {
    _window = open_window(width, height, red, green, blue, alpha, depth, stencil, monitor);
    if (_window) {
      // Without a window manager a full-screen window starts unfocused.
      glfwFocusWindow(_window);
    }
  }
  if (!_window) {
    // A refused full-screen mode falls back to a window of the same size.
    _window = open_window(width, height, red, green, blue, alpha, depth, stencil, nullptr);
    if (_window) glfwSetWindowPos(_window, (deskWidth - width) / 2, (deskHeight - height) / 2);
  }
  if (!_window) {
    std::fputs("Kestro Runtime Error : Unable to open the game window\n", stdout);
    std::fflush(stdout);
    std::exit(-1);
  }
  ++glfwGraphicsSeq;
  glfwMakeContextCurrent(_window);

  if (_swapInterval >= 0) glfwSwapInterval(_swapInterval);

  glfwSetKeyCallback(_window, OnKey);
  glfwSetCharCallback(_window, OnChar);
  glfwSetMouseButtonCallback(_window, OnMouseButton);
  glfwSetCursorPosCallback(_window, OnMousePos);
  glfwSetWindowCloseCallback(_window, OnWindowClose);
  // Asked once per window; the callbacks keep the answers current.
  glfwGetWindowSize(_window, &_windowWidth, &_windowHeight);
  _windowFocused = glfwGetWindowAttrib(_window, GLFW_FOCUSED) != 0;
  _windowIconified = glfwGetWindowAttrib(_window, GLFW_ICONIFIED) != 0;
  glfwSetWindowSizeCallback(_window, OnWindowSize);
  glfwSetWindowFocusCallback(_window, OnWindowFocus);
  glfwSetWindowIconifyCallback(_window, OnWindowIconify);
}

double RvGlfwGame::Now() { return glfwGetTime(); }
void RvGlfwGame::SleepFor(double seconds) { platform::Sleep(seconds); }
bool RvGlfwGame::WindowOpen() { return _window && !glfwWindowShouldClose(_window); }
bool RvGlfwGame::WindowActive() { return _window && _windowFocused && !_windowIconified; }
void RvGlfwGame::SwapBuffers() {
  if (_window) glfwSwapBuffers(_window);
}
void RvGlfwGame::PollEvents() { glfwPollEvents(); }
void RvGlfwGame::WaitEvents() { glfwWaitEvents(); }

void RvGlfwGame::UpdateEvents() {
  if (_suspended) {
    WaitEvents();
  } else {
    PollEvents();
  }
  if (WindowActive()) {
    if (_suspended) {
      ResumeGame();
      _nextUpdate = 0;
    }
  } else if (!_suspended) {
    SuspendGame();
    _nextUpdate = 0;
  }
}

void RvGlfwGame::LoopIteration() {
  RenderGame();
  SwapBuffers();

  if (_nextUpdate != 0) {
    double wait = _nextUpdate - Now();
    if (wait > 0) SleepFor(wait);
  }

  UpdateEvents();
  if (_suspended) return;

  if (_updateRate == 0) {
    UpdateGame();
    return;
  }
  if (_nextUpdate == 0) _nextUpdate = Now();
  for (int i = 0; i < kMaxCatchUpUpdates; ++i) {
    UpdateGame();
    if (_nextUpdate == 0) return;  // the update changed the rate
    _nextUpdate += _updatePeriod;
    if (_nextUpdate > Now()) return;
  }
  _nextUpdate = 0;  // too far behind: drop the backlog
  profile::Record("drop", 0, 0, 1);
}

void RvGlfwGame::Run() {
  SetGlfwWindow(640, 480, 8, 8, 8, 0, 0, 0, false);
  StartGame();
  while (WindowOpen()) LoopIteration();
}

int RvKestroGame::Main(int argc_, char** argv_) {
  profile::Mark("main");  // start-up before this is the loader's and static init's
  platform::KeepFreedMemory();
  if (!glfwInit()) {
    std::fputs("glfwInit failed\n", stdout);
    std::fflush(stdout);
    std::exit(-1);
  }
  (new RvKestroGame())->LoadGamepadMappings();
  argc = argc_;
  argv = argv_;
  rv_install_signal_handlers();
  if (!std::setlocale(LC_CTYPE, "en_US.UTF-8")) std::setlocale(LC_CTYPE, "");
  gc_init_lists();
  try {
    rvInit();
    gc_mark();
    if (createApp) createApp();
  } catch (ThrowableObject* ex) {
    glfwTerminate();
    RvGame::_game->Die(ex);
  }
  if (RvGame::_game->Delegate()) RvGlfwGame::_glfwGame->Run();
  glfwTerminate();
  return 0;
}
