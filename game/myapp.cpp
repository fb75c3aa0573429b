// c_MyApp: the game's callbacks (placeholders until the game arrives).
#include "game/myapp.h"

namespace {
constexpr int kUpdatesPerSecond = 60;
}  // namespace

c_MyApp* c_MyApp::m_new() {
  c_App::m_new();
  return this;
}

void c_MyApp::mark() { c_App::mark(); }

int c_MyApp::p_OnCreate() {
  rv_app_SetUpdateRate(kUpdatesPerSecond);
  return 0;
}

int c_MyApp::p_OnUpdate() { return 0; }
int c_MyApp::p_OnRender() { return 0; }
int c_MyApp::p_OnSuspend() { return 0; }
int c_MyApp::p_OnResume() { return 0; }
