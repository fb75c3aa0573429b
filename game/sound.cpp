// Sound slots, the effect channel rotation and tunes.
// (Not written yet: every operation here does nothing.)
#include "game/myapp.h"

int c_MyApp::p_LoadSFX(int) { return 0; }
int c_MyApp::p_PlaySFX(int, float, float, float) { return 0; }
int c_MyApp::p_PlaySFX(int, float) { return 0; }
int c_MyApp::p_PlayTune(String, int) { return 0; }
int c_MyApp::p_StopTune() { return 0; }
int c_MyApp::p_BankLoad() { return 0; }
