// The main menu and the credits panel.
// (Not written yet: every operation here does nothing.)
#include "game/myapp.h"

int c_MyApp::p_Menu() { return 0; }
