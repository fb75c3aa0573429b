// Level generator, game step, end of a game and score line.
// (Not written yet: every operation here does nothing.)
#include "game/myapp.h"

int c_MyApp::p_SeedRnd(int) { return 0; }
int c_MyApp::p_Rand(int, int) { return 0; }
int c_MyApp::p_MakePath(int) { return 0; }
int c_MyApp::p_FlushGame() { return 0; }
int c_MyApp::p_ResetObj() { return 0; }
int c_MyApp::p_ResetGrid() { return 0; }
int c_MyApp::p_ResetPlayers() { return 0; }
int c_MyApp::p_Game() { return 0; }
int c_MyApp::p_GameOver() { return 0; }
int c_MyApp::p_ScoreDisplay() { return 0; }
String c_MyApp::p_Nth(int) { return String(); }
String c_MyApp::p_MyNth() { return String(); }
