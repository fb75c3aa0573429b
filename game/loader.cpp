// Start-up, the staged asset loader and its loading screen, the per-frame
// order of work and the mode dispatch.
// (Not written yet: every operation here does nothing.)
#include "game/myapp.h"

int c_MyApp::p_OnCreate() {
  rv_app_SetUpdateRate(60);
  return 0;
}
int c_MyApp::p_OnUpdate() { return 0; }
int c_MyApp::p_OnResume() { return 0; }
int c_MyApp::p_Reload() { return 0; }
int c_MyApp::p_Loader() { return 0; }
int c_MyApp::p_WaitStart(int) { return 0; }
int c_MyApp::p_LoadGame() { return 0; }
int c_MyApp::p_InGame() { return 0; }
int c_MyApp::p_AssetLevel() { return 0; }
