// The platform-neutral host: RvGame holds the delegate that drives the
// application and turns each platform event into exactly one delegate call,
// guarded by the started/suspended flags, shielded by the framework's
// exception handler and followed by one collector step (unless it was sent
// from inside another delegate call).
#pragma once

#include "runtime/kestro.h"

// Event codes carried in the `event` argument of the delegate's events.
struct c_RvGameEvent {
  static constexpr int KeyDown = 1;
  static constexpr int KeyUp = 2;
  static constexpr int KeyChar = 3;
  static constexpr int MouseDown = 4;
  static constexpr int MouseUp = 5;
  static constexpr int MouseMove = 6;
  static constexpr int TouchDown = 7;
  static constexpr int TouchUp = 8;
  static constexpr int TouchMove = 9;
  static constexpr int MotionAccel = 10;
};

// Receiver of the host's events. A collected object; the defaults do nothing.
class RvGameDelegate : public Object {
 public:
  virtual void StartGame() {}
  virtual void SuspendGame() {}
  virtual void ResumeGame() {}
  virtual void UpdateGame() {}
  virtual void RenderGame() {}
  virtual void KeyEvent(int event, int data) { (void)event, (void)data; }
  virtual void MouseEvent(int event, int data, float x, float y) {
    (void)event, (void)data, (void)x, (void)y;
  }
  virtual void TouchEvent(int event, int data, float x, float y) {
    (void)event, (void)data, (void)x, (void)y;
  }
  virtual void MotionEvent(int event, int data, float x, float y, float z) {
    (void)event, (void)data, (void)x, (void)y, (void)z;
  }
  virtual void DiscardGraphics() {}
};

class RvDisplayMode : public Object {
 public:
  int width = 0, height = 0;
  int depth = 0, hertz = 0, flags = 0;  // this host sets them to 0
};

class RvGlfwVideoMode : public Object {
 public:
  int width = 0, height = 0;
  int red = 0, green = 0, blue = 0;
};

class RvGame {
 public:
  RvGame();
  virtual ~RvGame();

  static RvGame* _game;

  virtual void SetDelegate(RvGameDelegate* delegate);
  virtual RvGameDelegate* Delegate();
  virtual void SetKeyboardEnabled(bool enabled);
  virtual bool KeyboardEnabled();
  virtual void SetUpdateRate(int hz);
  virtual int UpdateRate();
  virtual bool Started();
  virtual bool Suspended();
  virtual int Millisecs();
  virtual void GetDate(Array<int> date);
  virtual int SaveState(String state);
  virtual String LoadState();
  virtual String LoadString(String path);
  virtual bool PollJoystick(int port, Array<float> joyx, Array<float> joyy, Array<float> joyz,
                            Array<bool> buttons);
  virtual void OpenUrl(String url);
  virtual void SetMouseVisible(bool visible);
  virtual int GetDeviceWidth();
  virtual int GetDeviceHeight();
  virtual void SetDeviceWindow(int width, int height, int flags);
  virtual Array<RvDisplayMode*> GetDisplayModes();
  virtual RvDisplayMode* GetDesktopMode();
  virtual void SetSwapInterval(int interval);
  virtual String PathToFilePath(String path);
  virtual FILE* OpenFile(String path, String mode);
  virtual unsigned char* LoadData(String path, int* plength);
  virtual unsigned char* LoadImageData(String path, int* width, int* height, int* depth);
  virtual unsigned char* LoadAudioData(String path, int* length, int* channels, int* format,
                                       int* hertz);
  [[noreturn]] virtual void Die(ThrowableObject* ex);
  virtual void gc_collect();
  virtual void StartGame();
  virtual void SuspendGame();
  virtual void ResumeGame();
  virtual void UpdateGame();
  virtual void RenderGame();
  virtual void KeyEvent(int event, int data);
  virtual void MouseEvent(int event, int data, float x, float y);
  virtual void TouchEvent(int event, int data, float x, float y);
  virtual void MotionEvent(int event, int data, float x, float y, float z);
  virtual void DiscardGraphics();

 protected:
  RvGameDelegate* _delegate;
  bool _keyboardEnabled;
  int _updateRate;
  bool _started;
  bool _suspended;
  int _dispatchDepth = 0;  // delegate calls in progress
};

// Module-level normalisation of data paths: a bare name becomes
// "kestro://data/" + name.
String rv_data_FixDataPath(String path);

// The state file's name, relative to the current directory.
extern const char* const kStateFileName;
