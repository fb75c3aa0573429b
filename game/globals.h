// The game module's globals. Start values are given by the module's init at
// start-up (rvInit); the meaning of each is in the file that uses it.
#pragma once

#include "runtime/kestro.h"

extern float rv_Quenmor_rawscrw, rv_Quenmor_rawscrh;  // design size of the virtual screen
extern float rv_Quenmor_jscrw, rv_Quenmor_jscrh;      // current virtual screen size
extern float rv_Quenmor_overscan;   // margin in device pixels on every side
extern int rv_Quenmor_isOuya;       // 1 on the console build
extern int rv_Quenmor_UseHDImages;  // 0 forces the plain image set
extern int rv_Quenmor_DebugMode;    // F1 overlay
extern int rv_Quenmor_iCadeControls;
extern int rv_Quenmor_OnScreenControls;
extern int rv_Quenmor_AccelerometerControls;
extern int rv_Quenmor_HasMusicStream;
extern int rv_Quenmor_GameNum;      // home-call identity
extern int rv_Quenmor_J_On_Allow;   // 1 enables the home call; nothing sets it
extern int rv_Quenmor_J_On_Able;    // set when the home call's answer had a body
extern Array<String> rv_Quenmor_MenuSet;
extern Array<String> rv_Quenmor_CreditText;  // 57 credit lines

// The home call's page on the maker's server and its query (homecall.cpp).
namespace homecall {
String Address();
String Query();
}  // namespace homecall
