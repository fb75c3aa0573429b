// OnRender: clears the screen and replays the draw list, scaled from the
// virtual screen to the device.
// (Not written yet: every operation here does nothing.)
#include "game/myapp.h"

int c_MyApp::p_OnRender() { return 0; }
