// The pause menu and the console quit prompt.
// (Not written yet: every operation here does nothing.)
#include "game/myapp.h"

int c_MyApp::p_PauseMenu() { return 0; }
int c_MyApp::p_OuyaQuit() { return 0; }
