// Virtual controls: keyboard, joysticks, iCade, on-screen pad, touch and
// tilt; full screen.
// (Not written yet: every operation here does nothing.)
#include "game/myapp.h"

int c_MyApp::p_PlayKey(int, int, int) { return 0; }
int c_MyApp::p_PlayKeyAll(int, int) { return 0; }
float c_MyApp::p_StickX(int, int) { return 0; }
float c_MyApp::p_StickY(int, int) { return 0; }
int c_MyApp::p_iCade(int) { return 0; }
int c_MyApp::p_iCadeChars() { return 0; }
int c_MyApp::p_Button(int, float, float, int) { return 0; }
int c_MyApp::p_Button(float, float, int) { return 0; }
int c_MyApp::p_Button0(int, float, float, int) { return 0; }
int c_MyApp::p_Touch(float, float, float, float) { return 0; }
int c_MyApp::p_Touch(float, float) { return 0; }
int c_MyApp::p_MouseIn(float, float, float, float) { return 0; }
int c_MyApp::p_MouseIn_Centered(float, float, float, float) { return 0; }
int c_MyApp::p_MouseIn_Radius(float, float, float, float) { return 0; }
int c_MyApp::p_OnScreenPad() { return 0; }
int c_MyApp::p_Tilt() { return 0; }
int c_MyApp::p_FullscreenFlip() { return 0; }
