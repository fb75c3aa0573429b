// Background stars and the particle pool.
// (Not written yet: every operation here does nothing.)
#include "game/myapp.h"

int c_MyApp::p_ResetStars(int) { return 0; }
int c_MyApp::p_DoStars(float, float) { return 0; }
int c_MyApp::p_ResetParticles(int) { return 0; }
int c_MyApp::p_DoParticles(float) { return 0; }
