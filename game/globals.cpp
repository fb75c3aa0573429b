// The game module's globals and their start values.
//
// The credits' name lines are ours: they name no real person or site.
#include "game/globals.h"

float rv_Quenmor_rawscrw, rv_Quenmor_rawscrh;
float rv_Quenmor_jscrw, rv_Quenmor_jscrh;
float rv_Quenmor_overscan;
int rv_Quenmor_isOuya;
int rv_Quenmor_UseHDImages;
int rv_Quenmor_DebugMode;
int rv_Quenmor_iCadeControls;
int rv_Quenmor_OnScreenControls;
int rv_Quenmor_AccelerometerControls;
int rv_Quenmor_HasMusicStream;
int rv_Quenmor_GameNum;
int rv_Quenmor_J_On_Allow;
int rv_Quenmor_J_On_Able;
Array<String> rv_Quenmor_MenuSet;
Array<String> rv_Quenmor_CreditText;

namespace {

Array<String> strings(std::initializer_list<const char16_t*> texts) {
  Array<String> out((int)texts.size());
  int i = 0;
  for (const char16_t* t : texts) out[i++] = String(t);
  return out;
}

void init() {
  rv_Quenmor_GameNum = 415;
  rv_Quenmor_UseHDImages = 1;
  rv_Quenmor_HasMusicStream = 1;
  rv_Quenmor_rawscrw = rv_Quenmor_jscrw = 640.0f;
  rv_Quenmor_rawscrh = rv_Quenmor_jscrh = 480.0f;
  rv_Quenmor_isOuya = 0;
  rv_Quenmor_overscan = 0;
  rv_Quenmor_J_On_Allow = 0;
  rv_Quenmor_J_On_Able = 0;
  rv_Quenmor_DebugMode = 0;
  rv_Quenmor_iCadeControls = 0;
  rv_Quenmor_OnScreenControls = 0;
  rv_Quenmor_AccelerometerControls = 0;
  rv_Quenmor_MenuSet = strings({u"Easy", u"Easiest mode\nNice and Easy.", u"Normal",
                                u"Just right!\nTough, but not hard.", u"Hard",
                                u"Maybe TOO hard!\nIf you like it like that"});
  rv_Quenmor_CreditText = strings({
      u"",                      // 0
      u"A Game by",             // 1
      u"Odile Brannagh",        // 2  the author (invented, like every name here)
      u"plondrel.example",      // 3  the maker's web address
      u"",                      // 4
      u"-=-=-",                 // 5
      u"",                      // 6
      u"Developed using",       // 7
      u"Kestro",                // 8  the framework
      u"kestro.example",        // 9  its web address
      u"",                      // 10
      u"-=-=-",                 // 11
      u"",                      // 12
      u"Graphics",              // 13
      u"",                      // 14
      u"Most graphics by",      // 15
      u"Tamsin Ferrow",         // 16
      u"",                      // 17
      u"Font : EditUndo",       // 18
      u"Ansel Quibbet",         // 19  the font's author
      u"Lowercase added by",    // 20
      u"Odile Brannagh",        // 21
      u"",                      // 22
      u"",                      // 23
      u"-=-=-",                 // 24
      u"",                      // 25
      u"Audio",                 // 26
      u"",                      // 27
      u"Sound and Music by",    // 28
      u"Rufus Penhallow",       // 29
      u"using FLStudio,",       // 30
      u"KORG Gadget,",          // 31
      u"SFXr,",                 // 32
      u"Cool Edit",             // 33
      u"or whatever else",      // 34
      u"was handy!",            // 35
      u"",                      // 36
      u"-=-=-",                 // 37
      u"",                      // 38
      u"",                      // 39
      u"Hello to",              // 40
      u"The Thursday Club",     // 41
      u"",                      // 42
      u"Thanks to",             // 43
      u"Mira Okonkwo-Dale",     // 44
      u"Bastien Lourd",         // 45
      u"Hedda Virtanen",        // 46
      u"Cosmo Farthing",        // 47
      u"Pia Weatherall",        // 48
      u"Juno Asquith",          // 49
      u"Lev Marchetti",         // 50
      u"Saffron Teague",        // 51
      u"And everyone Else",     // 52
      u"arcadecorner.example",  // 53  the community web site
      u"",                      // 54
      u"-=-=-",                 // 55
      u"End",                   // 56
  });
}

void mark() {
  gc_mark_q(rv_Quenmor_MenuSet);
  gc_mark_q(rv_Quenmor_CreditText);
}

rv_module game_module(100, init, mark);

}  // namespace
