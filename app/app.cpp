// c_App, c_GameDelegate and the app module.
//
// The render bracket follows the renderer's answer from BeginRender:
//   0  the application renders on its own, outside the graphics module;
//   1  a normal frame: the graphics module's frame around p_OnRender;
//   2  the renderer is loading: the module's frame around p_OnLoading.
#include "app/app.h"

#include "runtime/profile.h"

#include "audio/audio_device.h"
#include "audio/sound.h"
#include "graphics/graphics.h"
#include "graphics/renderer.h"

c_App* rv_app__app;
c_GameDelegate* rv_app__delegate;
RvGame* rv_app__game;
int rv_app__updateRate;
int rv_app__devWidth;
int rv_app__devHeight;
Array<c_DisplayMode*> rv_app__displayModes;
c_DisplayMode* rv_app__desktopMode;

namespace {

rv_module app_module(
    10,
    [] {
      rv_app__app = nullptr;
      rv_app__delegate = nullptr;
      rv_app__game = RvGame::_game;
      rv_app__updateRate = 0;
      rv_app__devWidth = 0;
      rv_app__devHeight = 0;
      rv_app__displayModes = Array<c_DisplayMode*>();
      rv_app__desktopMode = nullptr;
    },
    [] {
      gc_mark_q(rv_app__app);
      gc_mark_q(rv_app__delegate);
      gc_mark_q(rv_app__displayModes);
      gc_mark_q(rv_app__desktopMode);
    });

constexpr int kKeyBack = c_InputDevice::kKeyBack;
constexpr int kKeyClose = c_InputDevice::kKeyClose;

// Width in the high half, height in the low half.
int ModeKey(int width, int height) {
  return (int)(((unsigned)width << 16) | (unsigned)height);
}

}  // namespace

// ---- c_App ------------------------------------------------------------------

c_App* c_App::m_new() {
  if (rv_app__app) rvError(String("App has already been created"));
  gc_assign(rv_app__app, this);
  gc_assign(rv_app__delegate, (new c_GameDelegate())->m_new());
  if (rv_app__game) rv_app__game->SetDelegate(rv_app__delegate);
  return this;
}

int c_App::p_OnClose() { rv_app_EndApp(); }
int c_App::p_OnBack() { rv_app_EndApp(); }

// ---- c_GameDelegate -----------------------------------------------------------

void c_GameDelegate::mark() {
  RvGameDelegate::mark();
  gc_mark_q(_graphics);
  gc_mark_q(_audio);
  gc_mark_q(_input);
}

void c_GameDelegate::StartGame() {
  gc_assign(_graphics, new gxtkGraphics());
  rv_graphics_SetGraphicsDevice(_graphics);
  rv_graphics_SetFont(nullptr, 32);
  gc_assign(_audio, new gxtkAudio());
  rv_audio_SetAudioDevice(_audio);
  gc_assign(_input, (new c_InputDevice())->m_new());
  rv_input_SetInputDevice(_input);
  rv_app_ValidateDeviceWindow(false);
  rv_app_EnumDisplayModes();
  rv_app__app->p_OnCreate();
}

// The application hears of a suspension before the sound stops and of a
// resumption after it is back.
void c_GameDelegate::SuspendGame() {
  rv_app__app->p_OnSuspend();
  _audio->Suspend();
}

void c_GameDelegate::ResumeGame() {
  _audio->Resume();
  rv_app__app->p_OnResume();
}

void c_GameDelegate::UpdateGame() {
  rv_app_ValidateDeviceWindow(true);
  _input->p_BeginUpdate();
  profile::Scope timing("update");
  rv_app__app->p_OnUpdate();
  timing.Finish();
  _input->p_EndUpdate();
}

void c_GameDelegate::RenderGame() {
  rv_app_ValidateDeviceWindow(true);
  // Timed from the application's render to the renderer's last flush, with
  // the draw calls the frame made.
  profile::Scope timing("render");
  long long calls = _graphics->Stats().drawCalls;
  int mode = _graphics->BeginRender();
  if (mode == 0) {
    rv_app__app->p_OnRender();
  } else {
    rv_graphics_BeginRender();
    if (mode == 2) {
      rv_app__app->p_OnLoading();
    } else {
      rv_app__app->p_OnRender();
    }
    rv_graphics_EndRender();
  }
  _graphics->EndRender();
  timing.Finish(_graphics->Stats().drawCalls - calls);
  profile::Mark("first_frame");
}

void c_GameDelegate::KeyEvent(int event, int data) {
  _input->p_KeyEvent(event, data);
  if (event != c_RvGameEvent::KeyDown) return;
  if (data == kKeyClose) rv_app__app->p_OnClose();
  if (data == kKeyBack) rv_app__app->p_OnBack();
}

void c_GameDelegate::MouseEvent(int event, int data, float x, float y) {
  _input->p_MouseEvent(event, data, x, y);
}

void c_GameDelegate::TouchEvent(int event, int data, float x, float y) {
  _input->p_TouchEvent(event, data, x, y);
}

void c_GameDelegate::MotionEvent(int event, int data, float x, float y, float z) {
  _input->p_MotionEvent(event, data, x, y, z);
}

void c_GameDelegate::DiscardGraphics() { _graphics->DiscardGraphics(); }

// ---- The app module ---------------------------------------------------------

int rv_app_SetUpdateRate(int hz) {
  rv_app__updateRate = hz;
  rv_app__game->SetUpdateRate(hz);
  return 0;
}

int rv_app_Millisecs() { return rv_app__game->Millisecs(); }

String rv_app_LoadState() { return rv_app__game->LoadState(); }

// The host's result is passed on (0, or -1 / -2 when nothing was written):
// a caller must be able to tell that its data was not kept.
int rv_app_SaveState(String state) { return rv_app__game->SaveState(state); }

int rv_app_DeviceWidth() { return rv_app__devWidth; }
int rv_app_DeviceHeight() { return rv_app__devHeight; }

int rv_app_ValidateDeviceWindow(bool notify) {
  int width = rv_app__game->GetDeviceWidth();
  int height = rv_app__game->GetDeviceHeight();
  if (width != rv_app__devWidth || height != rv_app__devHeight) {
    rv_app__devWidth = width;
    rv_app__devHeight = height;
    if (notify && rv_app__app) rv_app__app->p_OnResize();
  }
  return 0;
}

int rv_app_EnumDisplayModes() {
  Array<RvDisplayMode*> modes = rv_app__game->GetDisplayModes();
  c_IntMap* seen = (new c_IntMap())->m_new();
  c_Stack* distinct = (new c_Stack())->m_new();
  for (int i = 0; i < modes.Length(); ++i) {
    RvDisplayMode* mode = modes[i];
    if (!mode) continue;
    int key = ModeKey(mode->width, mode->height);
    if (seen->p_Contains(key)) continue;
    c_DisplayMode* entry = (new c_DisplayMode())->m_new(mode->width, mode->height);
    seen->p_Set(key, entry);
    distinct->p_Push(entry);
  }
  rv_app__displayModes = distinct->p_ToArray();

  RvDisplayMode* desktop = rv_app__game->GetDesktopMode();
  if (desktop) {
    gc_assign(rv_app__desktopMode, (new c_DisplayMode())->m_new(desktop->width, desktop->height));
  } else {
    gc_assign(rv_app__desktopMode,
              (new c_DisplayMode())->m_new(rv_app__devWidth, rv_app__devHeight));
  }
  return 0;
}

void rv_app_EndApp() { rvError(String()); }
