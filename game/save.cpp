// Saved settings, badges and highscores; suspend.
// (Not written yet: every operation here does nothing.)
#include "game/myapp.h"

int c_MyApp::p_OnSuspend() { return 0; }
int c_MyApp::p_Save() { return 0; }
int c_MyApp::p_Load() { return 0; }
int c_MyApp::p_LoadMenu() { return 0; }
