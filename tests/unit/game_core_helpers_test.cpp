// The game's drawing, text, control and effect helpers on a game object
// without a window: what they append to the draw list, how text is measured
// and laid out, which inputs make a virtual control, and the star field.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/app.h"
#include "game/globals.h"
#include "game/myapp.h"

namespace {

// A host with a clock the test sets (the text's button glyphs blink by it).
class ClockHost : public RvGame {
 public:
  int ms = 0;
  int Millisecs() override { return ms; }
};

struct Glyph {
  float x, y;
  int frame;
  float size;
};

class GameCoreHelpers : public ::testing::Test {
 protected:
  ClockHost* host = nullptr;
  c_MyApp* app = nullptr;
  c_InputDevice* input = nullptr;

  void SetUp() override {
    host = new ClockHost();
    rvInit();
    input = (new c_InputDevice())->m_new();
    rv_input_SetInputDevice(input);
    app = new c_MyApp();
    // The game font's metrics, as the loader sets them.
    app->m_fontSlot = 90;
    app->m_imageInfo[270] = 7;
    app->m_imageInfo[271] = 10;
    app->m_imageInfo[272] = 128;
  }
  void TearDown() override {
    rv_input_SetInputDevice(nullptr);
    delete host;
  }

  std::vector<Glyph> Glyphs(int slot = 90) const {
    std::vector<Glyph> out;
    for (int i = 0; i < app->m_drawCount; i += 15) {
      const float* r = app->m_drawList.Data() + i;
      if ((int)r[0] == slot) out.push_back({r[1], r[2], (int)r[6], r[4]});
    }
    return out;
  }
  void Press(int key) { input->p_KeyEvent(c_RvGameEvent::KeyDown, key); }
  void Release(int key) { input->p_KeyEvent(c_RvGameEvent::KeyUp, key); }
  void Type(int ch) { input->p_KeyEvent(c_RvGameEvent::KeyChar, ch); }
};

// ---- Draw state and records ------------------------------------------------------

TEST_F(GameCoreHelpers, NotGivenMarkersKeepTheirValues) {
  app->p_SetSize(2, -3717);
  EXPECT_EQ(app->m_sizeX, 2);
  EXPECT_EQ(app->m_sizeY, 2);
  app->p_SetSize(3, 0.5f);
  EXPECT_EQ(app->m_sizeX, 3);
  EXPECT_EQ(app->m_sizeY, 0.5f);

  app->p_Alpha(0.4f);
  app->p_SetCol(10, 20, 30, -3717);
  EXPECT_EQ(app->m_red, 10);
  EXPECT_EQ(app->m_green, 20);
  EXPECT_EQ(app->m_blue, 30);
  EXPECT_EQ(app->m_alpha, 0.4f);
  app->p_SetCol(1, 2, 3, 0.7f);
  EXPECT_EQ(app->m_alpha, 0.7f);

  app->p_SetRot(30);
  EXPECT_EQ(app->m_rot, -30);
}

TEST_F(GameCoreHelpers, RecordsCarryTheDrawStateOfTheirMoment) {
  app->p_SetCol(10, 20, 30, 0.5f);
  app->p_SetSize(2, 3);
  app->p_SetRot(45);
  app->m_blend = 3;
  app->p_DrawImg(7, 100, 50, 4);
  app->p_ResetDraw();
  app->p_Oval(1, 2, 3, 4);
  ASSERT_EQ(app->m_drawCount, 30);
  const float* r = app->m_drawList.Data();
  const float image[] = {7, 100, 50, -45, 2, 3, 4, 0.5f};
  for (int k = 0; k < 8; ++k) EXPECT_EQ(r[k], image[k]) << k;
  EXPECT_EQ(r[10], 10);
  EXPECT_EQ(r[11], 20);
  EXPECT_EQ(r[12], 30);
  EXPECT_EQ(r[13], 3);
  const float* o = r + 15;
  const float oval[] = {-3716, 1, 2, 0, 3, 4, 0, 1};
  for (int k = 0; k < 8; ++k) EXPECT_EQ(o[k], oval[k]) << k;
  EXPECT_EQ(o[10], 255);
  EXPECT_EQ(o[13], 1);
}

TEST_F(GameCoreHelpers, TheListHoldsAtMost2499Records) {
  for (int i = 0; i < 2499; ++i) app->p_Rect((float)i, 0, 1, 1);
  EXPECT_EQ(app->m_drawCount, 37485);
  app->p_Rect(-5, -5, 9, 9);
  app->p_DrawImg(3, 1, 1, 0);
  app->p_Text(10, 10, String("More"), 0, 0);
  EXPECT_EQ(app->m_drawCount, 37485);
  // The last record is still the 2499th rectangle; the floats after it were
  // never written.
  EXPECT_EQ(app->m_drawList[37470 + 1], 2498);
  for (int i = 37485; i < 37500; ++i) EXPECT_EQ(app->m_drawList[i], 0) << i;
  // A new frame starts an empty list.
  app->p_CLS2D(-3717, 0, 0, 0);
  EXPECT_EQ(app->m_drawCount, 0);
}

TEST_F(GameCoreHelpers, BackgroundEasesAnEighthTowardItsTarget) {
  app->p_DoBG(80, 160, 240, -123);
  EXPECT_EQ(app->m_bgR, 10);
  EXPECT_EQ(app->m_bgG, 20);
  EXPECT_EQ(app->m_bgB, 30);
  EXPECT_EQ(app->m_clsRed, 10);
  EXPECT_EQ(app->m_clsAlpha, 1);  // -123: not given
  // -123 and below keep the target; the colour goes on easing toward it.
  app->p_DoBG(-123, -500, 0, 0.25f);
  EXPECT_EQ(app->m_bgTargetR, 80);
  EXPECT_EQ(app->m_bgTargetG, 160);
  EXPECT_EQ(app->m_bgTargetB, 0);
  EXPECT_FLOAT_EQ(app->m_bgR, 10 + 70 * 0.125f);
  EXPECT_FLOAT_EQ(app->m_bgB, 30 - 30 * 0.125f);
  EXPECT_EQ(app->m_clsAlpha, 0.25f);
  app->p_DoBG(0, 0, 0, 7);
  EXPECT_EQ(app->m_clsAlpha, 1);
  app->p_DoBG(0, 0, 0, -2);
  EXPECT_EQ(app->m_clsAlpha, 0);
}

TEST_F(GameCoreHelpers, InkIsThePaletteTimesBrightnessClamped) {
  app->p_Ink(4, 2.0f);
  EXPECT_EQ(app->m_red, 51);
  EXPECT_EQ(app->m_green, 255);
  EXPECT_EQ(app->m_blue, 51);
  app->p_Ink(7, 1.0f);
  EXPECT_FLOAT_EQ(app->m_red, 127.5f);
  EXPECT_FLOAT_EQ(app->m_green, 25.5f);
  EXPECT_EQ(app->m_blue, 255);
  app->p_Ink(42, 1.0f);  // not in the palette: grey
  EXPECT_FLOAT_EQ(app->m_red, 76.5f);
  app->p_Ink(1, -1.0f);
  EXPECT_EQ(app->m_red, 0);
}

TEST_F(GameCoreHelpers, PaddedNumbers) {
  EXPECT_EQ(app->p_rstr(5, 42, String("0")), String("00042"));
  EXPECT_EQ(app->p_rstr(8, 0, String("0")), String("00000000"));
  EXPECT_EQ(app->p_rstr(3, 12345, String("0")), String("345"));
  EXPECT_EQ(app->p_rstr(11, -7, String(" ")), String("         -7"));
  EXPECT_EQ(app->p_rstr(4, 5, String("ab")), String("bab5"));
  EXPECT_EQ(app->p_rstr(0, 5, String("0")), String(""));
}

// ---- Text ---------------------------------------------------------------------

TEST_F(GameCoreHelpers, LevelMeasures35AndCentresOnItsMiddle) {
  app->p_Text(100, 50, String("Level"), 1, 1);
  std::vector<Glyph> g = Glyphs();
  ASSERT_EQ(g.size(), 5u);
  // The pen starts at 100 - 35 / 2; the added space moves it one advance.
  const float xs[] = {89.5f, 96.5f, 103.5f, 110.5f, 117.5f};
  const int frames[] = {'L' - 32, 'e' - 32, 'v' - 32, 'e' - 32, 'l' - 32};
  for (int i = 0; i < 5; ++i) {
    EXPECT_FLOAT_EQ(g[i].x, xs[i]) << i;
    EXPECT_FLOAT_EQ(g[i].y, 50) << i;
    EXPECT_EQ(g[i].frame, frames[i]) << i;
  }
  // Right-aligned at the top: the pen starts 35 to the left, half a line lower.
  app->m_drawCount = 0;
  app->p_Text(100, 50, String("Level"), 2, 0);
  g = Glyphs();
  ASSERT_EQ(g.size(), 5u);
  EXPECT_FLOAT_EQ(g[0].x, 72);
  EXPECT_FLOAT_EQ(g[0].y, 55);
}

TEST_F(GameCoreHelpers, KerningNarrowsAndWidensGlyphs) {
  app->p_SetSize(2);
  app->p_Text(0, 0, String("iWm x"), 0, 1);
  std::vector<Glyph> g = Glyphs();
  ASSERT_EQ(g.size(), 4u);
  EXPECT_FLOAT_EQ(g[0].x, 14);                    // after the space
  EXPECT_FLOAT_EQ(g[1].x, 14 + 2 * (7 - 3));      // "i" is 3 narrower
  EXPECT_FLOAT_EQ(g[2].x, 22 + 2 * (7 + 1));      // "W" 1 wider
  EXPECT_FLOAT_EQ(g[3].x, 38 + 2 * (7 + 2) + 14); // "m" 2 wider, then a space
  EXPECT_EQ(g[0].size, 2);
}

TEST_F(GameCoreHelpers, EmptyTextDrawsNothing) {
  app->p_Text(100, 50, String(""), 1, 1);
  app->p_Text(100, 50, String(), 2, 2);
  EXPECT_EQ(app->m_drawCount, 0);
  // Only spaces: measured, laid out, nothing drawn.
  app->p_Text(100, 50, String("   "), 1, 1);
  EXPECT_EQ(app->m_drawCount, 0);
}

TEST_F(GameCoreHelpers, LineBreaksStartOneAdvanceRightOfTheStartOneLineLower) {
  app->p_Text(10, 20, String("ab\\ncd"), 0, 0);
  std::vector<Glyph> g = Glyphs();
  ASSERT_EQ(g.size(), 4u);
  EXPECT_FLOAT_EQ(g[0].x, 17);
  EXPECT_FLOAT_EQ(g[0].y, 25);
  EXPECT_FLOAT_EQ(g[2].x, 17);
  EXPECT_FLOAT_EQ(g[2].y, 35);
  EXPECT_FLOAT_EQ(g[3].x, 24);
  // A line feed character breaks the same way, centred texts too.
  app->m_drawCount = 0;
  app->p_Text(10, 20, String("ab\ncd"), 1, 0);
  std::vector<Glyph> lf = Glyphs();
  app->m_drawCount = 0;
  app->p_Text(10, 20, String("ab\\ncd"), 1, 0);
  std::vector<Glyph> two = Glyphs();
  ASSERT_EQ(lf.size(), two.size());
  for (std::size_t i = 0; i < lf.size(); ++i) {
    EXPECT_FLOAT_EQ(lf[i].x, two[i].x);
    EXPECT_FLOAT_EQ(lf[i].y, two[i].y);
  }
}

TEST_F(GameCoreHelpers, TextFollowsTheRotation) {
  app->p_SetRot(90);  // the text runs down the screen
  app->p_Text(100, 100, String("ab"), 0, 1);
  std::vector<Glyph> g = Glyphs();
  ASSERT_EQ(g.size(), 2u);
  EXPECT_NEAR(g[0].x, 100, 1e-4);
  EXPECT_NEAR(g[0].y, 107, 1e-4);
  EXPECT_NEAR(g[1].y, 114, 1e-4);
}

TEST_F(GameCoreHelpers, CharacterZeroNeitherDrawsNorAdvances) {
  const char16_t units[] = {u'a', 0, u'b'};
  app->p_Text(0, 0, String(units, 3), 0, 1);
  std::vector<Glyph> g = Glyphs();
  ASSERT_EQ(g.size(), 2u);
  EXPECT_FLOAT_EQ(g[1].x - g[0].x, 7);
}

TEST_F(GameCoreHelpers, ButtonGlyphsFollowTheControlStyle) {
  auto frameOf = [&](const char16_t* text) {
    app->m_drawCount = 0;
    app->p_Text(0, 0, String(text), 0, 0);
    std::vector<Glyph> g = Glyphs();
    return g.size() == 1 ? g[0].frame : -1;
  };
  app->m_controlStyle = 0;  // keyboard: the key caps, 16 frames on
  EXPECT_EQ(frameOf(u"\u00acA"), 123);
  EXPECT_EQ(frameOf(u"\u00acJ"), 112);
  EXPECT_EQ(frameOf(u"\u00acU"), 116);
  EXPECT_EQ(frameOf(u"\u00acQ"), 118);
  app->m_controlStyle = 2;  // pointer: the pad's glyphs, no blinking
  EXPECT_EQ(frameOf(u"\u00acA"), 107);
  EXPECT_EQ(frameOf(u"\u00acK"), 97);
  // The pad style blinks: the lit frame for the first 200 ms of every 500.
  app->m_controlStyle = 1;
  host->ms = 10150;
  EXPECT_EQ(frameOf(u"\u00acA"), 104);
  EXPECT_EQ(frameOf(u"\u00acK"), 109);
  EXPECT_EQ(frameOf(u"\u00acO"), 110);
  EXPECT_EQ(frameOf(u"\u00acQ"), 102);  // no lit frame
  host->ms = 10300;
  EXPECT_EQ(frameOf(u"\u00acA"), 107);
  EXPECT_EQ(frameOf(u"\u00acK"), 97);
}

TEST_F(GameCoreHelpers, ButtonGlyphsMeasureAsOneAndAdvanceByTheirKerning) {
  app->m_controlStyle = 2;
  // Measured: " " 7, escape pair 2 + 7, "x" not measured: 16.
  app->p_Text(100, 0, String(u"\u00acUx"), 2, 1);
  std::vector<Glyph> g = Glyphs();
  ASSERT_EQ(g.size(), 2u);
  EXPECT_FLOAT_EQ(g[0].x, 100 - 16 + 7);
  EXPECT_EQ(g[0].frame, 100);
  EXPECT_FLOAT_EQ(g[1].x - g[0].x, 13);  // the shoulder glyph advances 6 + 7
  app->m_drawCount = 0;
  app->p_Text(100, 0, String(u"\u00acKx"), 0, 1);
  g = Glyphs();
  ASSERT_EQ(g.size(), 2u);
  EXPECT_FLOAT_EQ(g[1].x - g[0].x, 11);
}

// ---- Controls -----------------------------------------------------------------

struct Binding {
  int control;
  std::vector<int> keys;
  int joyButton;
  int padEntry;
};

const std::vector<Binding> kTable = {
    {0, {38, 87}, 9, 0},           {3, {37, 65}, 8, 3},         {5, {39, 68}, 10, 5},
    {8, {40, 83}, 11, 8},          {10, {90, 74, 32, 13}, 0, 10}, {11, {88, 75, 17}, 1, 11},
    {12, {67, 76, 16}, 2, 12},     {13, {86, 73}, 3, 13},       {14, {66, 85}, 4, 14},
    {15, {78, 79}, 5, 15},
};

TEST_F(GameCoreHelpers, EveryBindingOfTheControlTable) {
  for (const Binding& b : kTable) {
    for (int key : b.keys) {
      Press(key);
      for (int player = -1; player < 4; ++player) {
        EXPECT_EQ(app->p_PlayKey(b.control, 1, player), 1) << b.control << " key " << key;
      }
      EXPECT_EQ(app->p_PlayKeyAll(b.control, 1), 4);
      EXPECT_EQ(app->p_PlayKey(b.control, 1, -2), 0);
      Release(key);
      EXPECT_EQ(app->p_PlayKey(b.control, 1, 0), 0) << b.control;
    }
    // Joystick button of player 2 only; never for the keyboard-only player.
    int joyKey = 256 + 32 * 2 + b.joyButton;
    Press(joyKey);
    EXPECT_EQ(app->p_PlayKey(b.control, 1, 2), 1) << b.control;
    EXPECT_EQ(app->p_PlayKey(b.control, 1, 1), 0) << b.control;
    EXPECT_EQ(app->p_PlayKey(b.control, 1, -1), 0) << b.control;
    EXPECT_EQ(app->p_PlayKeyAll(b.control, 1), 1);
    Release(joyKey);
    app->m_pad[b.padEntry] = 2;
    EXPECT_EQ(app->p_PlayKey(b.control, 0, -1), 1) << b.control;
    app->m_pad[b.padEntry] = 0;
  }
  // Controls outside the table report nothing whatever is pressed.
  Press(38);
  Press(32);
  for (int control : {1, 2, 4, 6, 7, 9, 16, 17, 97, 100}) {
    EXPECT_EQ(app->p_PlayKey(control, 1, 0), 0) << control;
  }
}

TEST_F(GameCoreHelpers, BackAndStartBindingsOnDesktopConsoleAndICade) {
  auto both = [&](int player) {
    return app->p_PlayKey(98, 1, player) * 10 + app->p_PlayKey(99, 1, player);
  };
  // Desktop: Escape, the back-quote key, Delete, Backspace; buttons 6, 7, 14;
  // pad entries 16, 17, 19.
  for (int key : {27, 192, 46, 8}) {
    Press(key);
    EXPECT_EQ(both(-1), 11) << key;
    Release(key);
  }
  for (int button : {6, 7, 14}) {
    Press(256 + button);
    EXPECT_EQ(both(0), 11) << button;
    EXPECT_EQ(both(-1), 0) << button;
    Release(256 + button);
  }
  for (int entry : {16, 17, 19}) {
    app->m_pad[entry] = 1;
    EXPECT_EQ(both(-1), 11) << entry;
    app->m_pad[entry] = 0;
  }

  // Console: Escape, pad entry 19 and button 6; start also button 7.
  rv_Quenmor_isOuya = 1;
  Press(27);
  EXPECT_EQ(both(0), 11);
  Release(27);
  for (int key : {192, 46, 8}) {
    Press(key);
    EXPECT_EQ(both(0), 0) << key;
    Release(key);
  }
  app->m_pad[19] = 1;
  EXPECT_EQ(both(0), 11);
  app->m_pad[19] = 0;
  app->m_pad[16] = 1;
  EXPECT_EQ(both(0), 0);
  app->m_pad[16] = 0;
  Press(256 + 6);
  EXPECT_EQ(both(0), 11);
  Release(256 + 6);
  Press(256 + 7);
  EXPECT_EQ(both(0), 1);
  Release(256 + 7);
  Press(256 + 14);
  EXPECT_EQ(both(0), 0);
  Release(256 + 14);
  rv_Quenmor_isOuya = 0;

  // iCade: back never; start without the back-quote key.
  rv_Quenmor_iCadeControls = 1;
  for (int key : {27, 46, 8}) {
    Press(key);
    EXPECT_EQ(both(0), 1) << key;
    Release(key);
  }
  Press(192);
  EXPECT_EQ(both(0), 0);
  Release(192);
  app->m_pad[17] = 1;
  EXPECT_EQ(both(0), 1);
}

TEST_F(GameCoreHelpers, WithICadeTheLetterKeysAndSticksAreNotControls) {
  rv_Quenmor_iCadeControls = 1;
  for (int key : {87, 65, 83, 68, 90, 74, 88, 75, 67, 76, 86, 73, 66, 85, 78, 79}) {
    Press(key);
    for (int control : {0, 3, 5, 8, 10, 11, 12, 13, 14, 15}) {
      EXPECT_EQ(app->p_PlayKey(control, 1, 0), 0) << control << " " << key;
    }
    Release(key);
  }
  Press(32);  // Space is no iCade code
  EXPECT_EQ(app->p_PlayKey(10, 1, 0), 1);
  Release(32);
  input->_joyStates[0]->joyx[0] = -1;
  EXPECT_EQ(app->p_PlayKey(3, 1, 0), 0);
}

TEST_F(GameCoreHelpers, SticksSteerWhenAllowed) {
  input->_joyStates[1]->joyx[0] = -0.5f;
  EXPECT_EQ(app->p_PlayKey(3, 1, 1), 1);
  EXPECT_EQ(app->p_PlayKey(3, 0, 1), 0);   // sticks not allowed
  EXPECT_EQ(app->p_PlayKey(3, 1, 0), 0);   // another player's stick
  EXPECT_EQ(app->p_PlayKey(3, 1, -1), 0);  // keyboard only
  input->_joyStates[1]->joyx[0] = 0.3f;    // inside the dead zone
  EXPECT_EQ(app->p_PlayKey(5, 1, 1), 0);
  input->_joyStates[1]->joyx[0] = 0.41f;
  EXPECT_EQ(app->p_PlayKey(5, 1, 1), 1);
  EXPECT_FLOAT_EQ(app->p_StickX(0, 1), 0.41f);
  EXPECT_EQ(app->p_StickX(0, -1), 0);

  // Stick y is negated unless the option says the stick is "normal".
  input->_joyStates[1]->joyy[0] = 0.5f;
  EXPECT_FLOAT_EQ(app->p_StickY(0, 1), -0.5f);
  EXPECT_EQ(app->p_PlayKey(0, 1, 1), 1);
  EXPECT_EQ(app->p_PlayKey(8, 1, 1), 0);
  app->m_settings[15] = 1;
  EXPECT_FLOAT_EQ(app->p_StickY(0, 1), 0.5f);
  EXPECT_EQ(app->p_PlayKey(8, 1, 1), 1);
  input->_joyStates[1]->joyy[1] = 0.25f;
  EXPECT_FLOAT_EQ(app->p_StickY(1, 1), -0.25f);  // the right stick has its own option
  // Players and sticks the input device does not have read 0.
  EXPECT_EQ(app->p_StickY(0, 4), 0);
  EXPECT_EQ(app->p_StickX(2, 0), 0);
}

TEST_F(GameCoreHelpers, ICadeCharactersPressAndReleasePadEntries) {
  Type('q');
  Type('z');
  app->p_iCade(1);
  EXPECT_TRUE(host->KeyboardEnabled());
  EXPECT_EQ(rv_Quenmor_iCadeControls, 1);
  EXPECT_EQ(app->m_lastChar, 'z');  // the queue was drained
  EXPECT_EQ(rv_input_GetChar(), 0);

  const char presses[] = "WXADYUIOHJKL";
  const char releases[] = "EZQCTFMGRNPV";
  const int entries[] = {0, 8, 3, 5, 13, 14, 15, 16, 10, 11, 12, 17};
  for (int i = 0; i < 12; ++i) {
    input->p_EndUpdate();
    Type(i % 2 ? presses[i] : presses[i] + 32);  // either case
    app->p_iCadeChars();
    EXPECT_EQ(app->m_pad[entries[i]], 2) << presses[i];
    input->p_EndUpdate();
    Type(releases[i]);
    app->p_iCadeChars();
    EXPECT_EQ(app->m_pad[entries[i]], 0) << releases[i];
  }
  // "w" then "e" in one update: pressed, then released again.
  input->p_EndUpdate();
  Type('w');
  Type('e');
  app->p_iCadeChars();
  EXPECT_EQ(app->m_pad[0], 0);
  EXPECT_EQ(app->m_lastChar, 'e');

  app->m_pad[3] = 2;
  app->m_pad[18] = 1;
  app->m_pad[19] = 1;
  app->p_iCade(0);
  EXPECT_FALSE(host->KeyboardEnabled());
  EXPECT_EQ(rv_Quenmor_iCadeControls, 0);
  EXPECT_EQ(app->m_pad[3], 0);
  EXPECT_EQ(app->m_pad[18], 0);
  EXPECT_EQ(app->m_pad[19], 1);  // the back key is not an iCade entry
}

}  // namespace

// ---- Stars and particles -----------------------------------------------------------

namespace {

class GameCoreStars : public GameCoreHelpers {};

TEST_F(GameCoreStars, CountsOutsideOneTo499KeepThePreviousOne) {
  EXPECT_EQ(app->m_starCount, 100);
  app->p_ResetStars(0);
  EXPECT_EQ(app->m_starCount, 100);
  app->p_ResetStars(500);
  EXPECT_EQ(app->m_starCount, 100);
  app->p_ResetStars(1);
  EXPECT_EQ(app->m_starCount, 1);
  app->p_DoStars(0, 0);
  EXPECT_EQ(app->m_drawCount, 2 * 15);  // stars 0 and 1
  app->p_ResetParticles(600);
  EXPECT_EQ(app->m_particleCount, 250);
  app->p_ResetParticles(3);
  EXPECT_EQ(app->m_particleCount, 3);
}

TEST_F(GameCoreStars, StarsArePlacedFromTheClock) {
  host->ms = 123456;
  app->p_ResetStars(499);
  std::vector<float> first(app->m_stars.Data(), app->m_stars.Data() + 5000);
  for (int i = 0; i <= 499; ++i) {
    const float* s = &first[i * 10];
    EXPECT_GE(s[0], 0);
    EXPECT_LE(s[0], 255);
    EXPECT_EQ(s[0], std::floor(s[0]));
    EXPECT_GE(s[1], -8);
    EXPECT_LT(s[1], 648);
    EXPECT_GE(s[2], -8);
    EXPECT_LT(s[2], 488);
    EXPECT_GE(s[3], 0.2f);
    EXPECT_LT(s[3], 0.8f);
    EXPECT_GE(s[6], -0.5f);
    EXPECT_LT(s[6], 0.5f);
  }
  app->p_ResetStars(499);
  EXPECT_EQ(std::vector<float>(app->m_stars.Data(), app->m_stars.Data() + 5000), first);
  host->ms = 123457;
  app->p_ResetStars(499);
  EXPECT_NE(std::vector<float>(app->m_stars.Data(), app->m_stars.Data() + 5000), first);
}

TEST_F(GameCoreStars, StarsDriftByDepthAndWrapWithANewHeightDepthAndFrame) {
  app->p_ResetStars(2);
  float* s = app->m_stars.Data();
  s[0] = 7, s[1] = -10, s[2] = 100, s[3] = 0.5f, s[5] = 10, s[6] = 0.25f;  // star 0
  s[10] = 9, s[11] = 300, s[12] = 200, s[13] = 0.8f, s[16] = 0;             // star 1
  app->p_DoStars(-20, 5);
  // Star 1 only drifts: 0.8 of the camera's movement.
  EXPECT_FLOAT_EQ(s[11], 284);
  EXPECT_FLOAT_EQ(s[12], 204);
  EXPECT_EQ(s[10], 9);
  // Star 0 left by the left edge (x -20 < -16) and came in at the right.
  EXPECT_FLOAT_EQ(s[1], -20 + 672);
  EXPECT_GE(s[2], -8);
  EXPECT_LT(s[2], 488);
  EXPECT_NE(s[2], 102.5f);
  EXPECT_GE(s[3], 0.2f);
  EXPECT_LT(s[3], 0.8f);
  EXPECT_FLOAT_EQ(s[5], 10.25f);
  // Drawn as sprites of "parts" with their depth as alpha, turned by their angle.
  ASSERT_EQ(app->m_drawCount, 3 * 15);
  const float* r = app->m_drawList.Data();
  EXPECT_EQ(r[0], 96);
  EXPECT_FLOAT_EQ(r[1], s[1]);
  EXPECT_FLOAT_EQ(r[3], -10.25f);
  EXPECT_EQ(r[6], s[0]);
  EXPECT_FLOAT_EQ(r[7], s[3]);
  // The draw state is back to the default afterwards.
  EXPECT_EQ(app->m_alpha, 1);
  EXPECT_EQ(app->m_rot, 0);
}

TEST_F(GameCoreStars, AnEmptyParticlePoolDrawsNothing) {
  app->p_ResetParticles(250);
  app->p_SetCol(1, 2, 3, 0.5f);
  app->p_DoParticles(1);
  EXPECT_EQ(app->m_drawCount, 0);
  EXPECT_EQ(app->m_alpha, 1);
}

TEST_F(GameCoreStars, LiveParticlesMoveFadeAndAreFreed) {
  app->p_ResetParticles(10);
  app->m_camX = 100;
  app->m_camY = 50;
  float* p = app->m_particles.Data();
  // A falling sprite (kind 2) and a number (kind 99).
  const float spark[] = {2, 200, 100, 1, -1, 0, 5, 0.005f, 4, 17};
  const float number[] = {99, 150, 70, 0, 0, 0, 0, 2, 9, 250};
  for (int k = 0; k < 10; ++k) p[k] = spark[k], p[20 + k] = number[k];
  app->p_DoParticles(2);
  const float* r = app->m_drawList.Data();
  ASSERT_GE(app->m_drawCount, 2 * 15);
  EXPECT_EQ(r[0], 96);
  EXPECT_FLOAT_EQ(r[1], 201 - 100);
  EXPECT_FLOAT_EQ(r[2], 99 - 50);
  EXPECT_EQ(r[3], -5);
  EXPECT_EQ(r[4], 2);
  EXPECT_EQ(r[6], 17);
  EXPECT_FLOAT_EQ(r[7], 0.005f);
  EXPECT_EQ(r[11], 255);  // colour 4: green
  EXPECT_FLOAT_EQ(p[3], 0.95f);
  EXPECT_FLOAT_EQ(p[4], -0.8f);
  EXPECT_EQ(p[0], 0);  // faded below 0: free
  // The number "250" as text, unrotated, alpha clamped to 1.
  std::vector<Glyph> g = Glyphs();
  ASSERT_EQ(g.size(), 3u);
  EXPECT_EQ(g[0].frame, '2' - 32);
  EXPECT_EQ(r[15 + 7], 1);
  EXPECT_EQ(r[15 + 3], 0);
  EXPECT_FLOAT_EQ(p[27], 1.99f);
}

}  // namespace
