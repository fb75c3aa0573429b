// The home call.
// (Not written yet: every operation here does nothing.)
#include "game/myapp.h"

int c_MyApp::p_GetURL(String, String) { return 0; }
int c_MyApp::p_OnHttpRequestComplete(c_HttpRequest*) { return 0; }
