// Badge texts and pop-ups; score-board hooks.
// (Not written yet: every operation here does nothing.)
#include "game/myapp.h"

String c_MyApp::p_BadgeID(int) { return String(); }
String c_MyApp::p_BadgeName(int) { return String(); }
String c_MyApp::p_BadgeDetail(int) { return String(); }
int c_MyApp::p_ShowBadges() { return 0; }
int c_MyApp::p_GC_PostScore(int, int) { return 0; }
int c_MyApp::p_GC_Badges() { return 0; }
