// The application layer the game is written against: c_App (the game's base
// class, driven only through its callbacks), c_GameDelegate (the host's
// receiver: creates the graphics, audio and input devices at start and turns
// every host event into input-device state and application calls) and the
// app module's functions.
//
// Life cycle: start-up constructs the game's c_App subclass and runs m_new,
// which creates the delegate and hands it to the host; the host's StartGame
// then creates the devices and calls p_OnCreate. Pressing the close key (432)
// or the back key (416) ends the process with exit code 0.
#pragma once

#include "app/containers.h"
#include "app/display_mode.h"
#include "app/input.h"
#include "app/numeric.h"
#include "host/game.h"

class gxtkGraphics;
class gxtkAudio;

class c_App : public Object {
 public:
  // Registers this object as the application and gives the host a delegate.
  c_App* m_new();

  virtual int p_OnCreate() { return 0; }
  virtual int p_OnSuspend() { return 0; }
  virtual int p_OnResume() { return 0; }
  virtual int p_OnUpdate() { return 0; }
  virtual int p_OnRender() { return 0; }

  int p_OnResize() { return 0; }
  int p_OnLoading() { return 0; }
  int p_OnClose();  // ends the process
  int p_OnBack();   // ends the process
};

class c_GameDelegate : public RvGameDelegate {
 public:
  gxtkGraphics* _graphics = nullptr;
  gxtkAudio* _audio = nullptr;
  c_InputDevice* _input = nullptr;

  c_GameDelegate* m_new() { return this; }
  void mark() override;

  void StartGame() override;
  void SuspendGame() override;
  void ResumeGame() override;
  void UpdateGame() override;
  void RenderGame() override;
  void KeyEvent(int event, int data) override;
  void MouseEvent(int event, int data, float x, float y) override;
  void TouchEvent(int event, int data, float x, float y) override;
  void MotionEvent(int event, int data, float x, float y, float z) override;
  void DiscardGraphics() override;
};

// Module globals (start values from the module's init).
extern c_App* rv_app__app;
extern c_GameDelegate* rv_app__delegate;
extern RvGame* rv_app__game;
extern int rv_app__updateRate;
extern int rv_app__devWidth;
extern int rv_app__devHeight;
extern Array<c_DisplayMode*> rv_app__displayModes;
extern c_DisplayMode* rv_app__desktopMode;

int rv_app_SetUpdateRate(int hz);
int rv_app_Millisecs();
String rv_app_LoadState();
int rv_app_SaveState(String state);
int rv_app_DeviceWidth();
int rv_app_DeviceHeight();
int rv_app_ValidateDeviceWindow(bool notify);
// Fills rv_app__displayModes with the host's distinct modes in first-seen
// order and rv_app__desktopMode with the desktop's size (the device size when
// the host knows no desktop mode).
int rv_app_EnumDisplayModes();
[[noreturn]] void rv_app_EndApp();
