// The option box.
// (Not written yet: every operation here does nothing.)
#include "game/myapp.h"

int c_MyApp::p_OptionBox() { return 0; }
