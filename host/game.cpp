// RvGame: the base host's simple operations and the guarded event dispatch.
#include "host/game.h"

#include <ctime>

#include "host/platform.h"
#include "runtime/profile.h"

RvGame* RvGame::_game = nullptr;

RvGame::RvGame()
    : _delegate(nullptr),
      _keyboardEnabled(false),
      _updateRate(0),
      _started(false),
      _suspended(false) {
  _game = this;
  // The delegate is reachable only through the host; the verifier needs to
  // know that it is a root.
  gc_verify_extra_root = [] { return gc_as_object(_game ? _game->_delegate : nullptr); };
}

RvGame::~RvGame() {
  if (_game == this) _game = nullptr;
}

void RvGame::SetDelegate(RvGameDelegate* delegate) { _delegate = delegate; }
RvGameDelegate* RvGame::Delegate() { return _delegate; }
void RvGame::SetKeyboardEnabled(bool enabled) { _keyboardEnabled = enabled; }
bool RvGame::KeyboardEnabled() { return _keyboardEnabled; }
void RvGame::SetUpdateRate(int hz) { _updateRate = hz; }
int RvGame::UpdateRate() { return _updateRate; }
bool RvGame::Started() { return _started; }
bool RvGame::Suspended() { return _suspended; }
int RvGame::Millisecs() { return 0; }

void RvGame::GetDate(Array<int> date) {
  int n = date.Length() < 7 ? date.Length() : 7;
  if (n <= 0) return;
  std::time_t t = std::time(nullptr);
  std::tm* lt = std::localtime(&t);
  int values[7] = {lt->tm_year + 1900, lt->tm_mon + 1, lt->tm_mday, lt->tm_hour,
                   lt->tm_min,         lt->tm_sec,     0};
  for (int i = 0; i < n; ++i) date[i] = values[i];
}

bool RvGame::PollJoystick(int, Array<float>, Array<float>, Array<float>, Array<bool>) {
  return false;
}
void RvGame::OpenUrl(String) {}
void RvGame::SetMouseVisible(bool) {}
int RvGame::GetDeviceWidth() { return 0; }
int RvGame::GetDeviceHeight() { return 0; }
void RvGame::SetDeviceWindow(int, int, int) {}
Array<RvDisplayMode*> RvGame::GetDisplayModes() { return Array<RvDisplayMode*>(); }
RvDisplayMode* RvGame::GetDesktopMode() { return nullptr; }
void RvGame::SetSwapInterval(int) {}
String RvGame::PathToFilePath(String path) { return path; }
unsigned char* RvGame::LoadImageData(String, int*, int*, int*) { return nullptr; }
unsigned char* RvGame::LoadAudioData(String, int*, int*, int*, int*) { return nullptr; }

void RvGame::Die(ThrowableObject*) {
  rvPrint(String("Kestro Runtime Error : Uncaught Kestro Exception"));
  std::fflush(stdout);
  std::exit(-1);
}

void RvGame::gc_collect() {
  profile::Scope timing("gc");
  gc_mark(_delegate);
  ::gc_collect();
}

// Each event: guard, state change, the delegate's call under the exception
// handler, then one collector step. An event sent while the delegate is
// still running (key-ups when the window is reopened inside an update) must
// not collect: the application's locals are no roots. Only the outermost
// dispatch collects.
#define RV_DISPATCH(guard, change, call)        \
  do {                                          \
    if (!(guard)) return;                       \
    change;                                     \
    ++_dispatchDepth;                           \
    try {                                       \
      _delegate->call;                          \
    } catch (ThrowableObject * ex) {            \
      Die(ex);                                  \
    }                                           \
    if (--_dispatchDepth == 0) gc_collect();    \
  } while (0)

void RvGame::StartGame() { RV_DISPATCH(!_started, _started = true, StartGame()); }
void RvGame::SuspendGame() {
  RV_DISPATCH(_started && !_suspended, _suspended = true, SuspendGame());
}
void RvGame::ResumeGame() { RV_DISPATCH(_started && _suspended, _suspended = false, ResumeGame()); }
void RvGame::UpdateGame() { RV_DISPATCH(_started && !_suspended, (void)0, UpdateGame()); }
void RvGame::RenderGame() { RV_DISPATCH(_started, (void)0, RenderGame()); }
void RvGame::KeyEvent(int event, int data) {
  RV_DISPATCH(_started, (void)0, KeyEvent(event, data));
}
void RvGame::MouseEvent(int event, int data, float x, float y) {
  RV_DISPATCH(_started, (void)0, MouseEvent(event, data, x, y));
}
void RvGame::TouchEvent(int event, int data, float x, float y) {
  RV_DISPATCH(_started, (void)0, TouchEvent(event, data, x, y));
}
void RvGame::MotionEvent(int event, int data, float x, float y, float z) {
  RV_DISPATCH(_started, (void)0, MotionEvent(event, data, x, y, z));
}
void RvGame::DiscardGraphics() { RV_DISPATCH(_started, (void)0, DiscardGraphics()); }

#undef RV_DISPATCH
