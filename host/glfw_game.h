// The desktop host on GLFW 3: the window, the frame loop and the device
// queries. RvKestroGame is the concrete host that start-up creates.
//
// The loop body talks to the window only through a few protected virtual
// hooks (clock, sleep, event poll, focus, swap), so tests can drive the
// scheduling with an injected clock.
#pragma once

#include "host/game.h"

struct GLFWwindow;
struct GLFWgamepadstate;

// Incremented every time the window (and with it the GL context) is opened;
// 0 until the first window. Surfaces compare it to know their texture is stale.
extern int glfwGraphicsSeq;

class RvGlfwGame : public RvGame {
 public:
  RvGlfwGame();

  static RvGlfwGame* _glfwGame;

  void SetUpdateRate(int hz) override;
  int Millisecs() override;
  bool PollJoystick(int port, Array<float> joyx, Array<float> joyy, Array<float> joyz,
                    Array<bool> buttons) override;
  void OpenUrl(String url) override;
  void SetMouseVisible(bool visible) override;
  int GetDeviceWidth() override;
  int GetDeviceHeight() override;
  void SetDeviceWindow(int width, int height, int flags) override;
  Array<RvDisplayMode*> GetDisplayModes() override;
  RvDisplayMode* GetDesktopMode() override;
  void SetSwapInterval(int interval) override;
  String PathToFilePath(String path) override;
  unsigned char* LoadImageData(String path, int* width, int* height, int* depth) override;
  unsigned char* LoadAudioData(String path, int* length, int* channels, int* format,
                               int* hertz) override;

  virtual void SetGlfwWindow(int width, int height, int red, int green, int blue, int alpha,
                             int depth, int stencil, bool fullscreen);
  virtual RvGlfwVideoMode* GetGlfwDesktopMode();
  virtual Array<RvGlfwVideoMode*> GetGlfwVideoModes();
  virtual void Run();

  // One event step of the loop: poll (or wait while suspended), then follow
  // the window's focus into suspend and resume.
  void UpdateEvents();
  // One iteration of the frame loop: render, sleep, events, updates.
  void LoopIteration();

  GLFWwindow* Window() const { return _window; }

  // Adds the pad mappings of a gamecontrollerdb.txt beside the executable,
  // when there is one, to GLFW's own (host/glfw_joystick.cpp).
  void LoadGamepadMappings();

  // Input callbacks (host/glfw_input.cpp).
  static void OnKey(GLFWwindow* window, int key, int scancode, int action, int mods);
  static void OnChar(GLFWwindow* window, unsigned int character);
  static void OnMouseButton(GLFWwindow* window, int button, int action, int mods);
  static void OnMousePos(GLFWwindow* window, double x, double y);
  static void OnWindowClose(GLFWwindow* window);

 protected:
  // Loop hooks; the defaults talk to GLFW and the OS clock.
  virtual double Now();
  virtual void SleepFor(double seconds);
  virtual bool WindowOpen();
  virtual bool WindowActive();
  virtual void SwapBuffers();
  virtual void PollEvents();
  virtual void WaitEvents();

  // Joystick readings as GLFW 3 gives them (host/glfw_joystick.cpp); the
  // port map and the translation are built on these alone, so tests can
  // script a pad where GLFW cannot fake one. JoystickGamepad answers false
  // for a joystick GLFW has no mapping for.
  virtual bool JoystickPresent(int jid);
  virtual bool JoystickGamepad(int jid, GLFWgamepadstate* state);
  virtual const float* JoystickAxes(int jid, int* count);
  virtual const unsigned char* JoystickButtons(int jid, int* count);

  double _updatePeriod;
  double _nextUpdate;
  String _baseDir;
  String _internalDir;
  int _swapInterval;
  GLFWwindow* _window;
  int _joyPorts[4] = {-1, -1, -1, -1};  // GLFW joystick per unit, -1 = none
};

class RvKestroGame : public RvGlfwGame {
 public:
  ~RvKestroGame() override;

  // The whole start-up: GLFW, the host, signals, locale, module globals,
  // the application object, then the host loop.
  static int Main(int argc, char** argv);

  // Creates and constructs the application object (set by the program
  // before Main; the game installs its c_MyApp here).
  static void (*createApp)();
};

// Framework key code of a GLFW key (0 when it has none) and the editing
// character a framework key types (0 when none).
int TransKey(int glfwKey);
int KeyToChar(int key);
