// The main menu driven through the host with real key and mouse events:
// the level ring's key stepping and repeat, its locks and marks, dragging,
// bouncing at the ends, taps and clicks, the focus areas, the side panel's
// highscores and the credits panel.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "game/globals.h"
#include "support/game_rig.h"
#include "support/menu_helpers.h"

namespace {

using namespace testing_support;

// Ring geometry at rest with the slide finished: centre and item angle.
constexpr float kRingX = 38, kRingY = 480 - 64;

float ItemAngle(c_MyApp* app, int k) { return (float)k * 32 + 48 + app->m_ringPos; }


class Menu : public AtMenu {
 protected:
  // A key tapped, then one frame with it up before the next input.
  void Press(int key) {
    rig.TapKey(key);
    rig.Step();
  }
};

// ---- Keys ---------------------------------------------------------------------

TEST_F(Menu, HoldingDownStepsAfter30_18_6_3_3Frames) {
  ASSERT_EQ(app->m_menuLevelSel, 0);
  ASSERT_EQ(app->m_menuFocus, 1);
  std::vector<int> stepFrames;
  int last = app->m_menuLevelSel;
  rig.KeyDown(kKeyDown);
  for (int frame = 0; frame < 62; ++frame) {
    rig.Step();
    if (app->m_menuLevelSel != last) {
      stepFrames.push_back(frame);
      EXPECT_EQ(app->m_menuLevelSel, last + 1);
      last = app->m_menuLevelSel;
      EXPECT_EQ(app->m_levelListY, -32.0f * (float)last);
    }
  }
  rig.KeyUp(kKeyDown);
  std::vector<int> gaps;
  for (size_t i = 1; i < stepFrames.size(); ++i) gaps.push_back(stepFrames[i] - stepFrames[i - 1]);
  ASSERT_FALSE(stepFrames.empty());
  EXPECT_EQ(stepFrames[0], 0);  // the press itself steps
  EXPECT_EQ(gaps, (std::vector<int>{30, 18, 6, 3, 3}));

  // Released and pressed again: the slow start again.
  rig.Step();
  const int before = app->m_menuLevelSel;
  rig.KeyDown(kKeyUp);
  rig.Step();
  EXPECT_EQ(app->m_menuLevelSel, before - 1);
  rig.Step(29);
  EXPECT_EQ(app->m_menuLevelSel, before - 1);
  rig.Step();
  EXPECT_EQ(app->m_menuLevelSel, before - 2);
  rig.KeyUp(kKeyUp);
}

TEST_F(Menu, TheSelectionStaysOnTheRing) {
  Press(kKeyUp);
  EXPECT_EQ(app->m_menuLevelSel, 0);
  EXPECT_EQ(app->m_level, 1);
  app->m_menuLevelSel = 99;
  app->m_levelListY = -3168;
  rig.Step();
  Press(kKeyDown);
  EXPECT_EQ(app->m_menuLevelSel, 99);
  EXPECT_EQ(app->m_level, 100);
  // Completing level 100 can leave 101 behind; the menu pulls it back.
  app->m_menuLevelSel = 101;
  rig.Step();
  EXPECT_EQ(app->m_menuLevelSel, 100);
  EXPECT_EQ(app->m_levelListY, -3200.0f);
  EXPECT_EQ(app->m_level, 100);
  // Past the last item: a button replays level 100 only once it is passed.
  Press(kKeySpace);
  EXPECT_EQ(app->m_mode, 1);
  app->m_scores[1990] = 1;
  rig.TapKey(kKeySpace);
  EXPECT_TRUE(app->m_mode == 11 || app->m_mode == 10) << app->m_mode;
  EXPECT_EQ(app->m_level, 100);
}

TEST_F(Menu, LeftAndRightMoveTheFocusBetweenGearRingAndPanel) {
  Press(kKeyLeft);
  EXPECT_EQ(app->m_menuFocus, 0);
  Press(kKeyLeft);
  EXPECT_EQ(app->m_menuFocus, 0);
  Press(kKeyRight);
  Press(kKeyRight);
  EXPECT_EQ(app->m_menuFocus, 2);
  Press(kKeyRight);
  EXPECT_EQ(app->m_menuFocus, 2);
  // Focus on the gear and a button: the option box opens.
  Press(kKeyLeft);
  Press(kKeyLeft);
  rig.TapKey(kKeySpace);
  EXPECT_EQ(app->m_optionsOpen, 1);
  EXPECT_EQ(app->m_mode, 1);
}

// ---- Locks and marks ------------------------------------------------------------

TEST_F(Menu, LockedItemsDoNotStartButLevelOneDoes) {
  // Nothing passed: item 0 is open, the rest are locked.
  std::vector<DrawRecord> items = RingItems(rig);
  ASSERT_EQ(items.size(), 4u);  // items 0..3 around selection 0
  EXPECT_EQ(items[0].Frame(), 0);
  for (int k = 1; k < 4; ++k) EXPECT_EQ(items[k].Frame(), 2) << k;

  rig.TapKey(kKeyDown);
  rig.Step(10);
  ASSERT_EQ(app->m_menuLevelSel, 1);
  for (int key : {kKeySpace, kKeyEnter}) {
    rig.TapKey(key);
    rig.Step(3);
    EXPECT_EQ(app->m_mode, 1);
  }

  rig.TapKey(kKeyUp);
  rig.Step(10);
  ASSERT_EQ(app->m_menuLevelSel, 0);
  rig.TapKey(kKeySpace);
  EXPECT_EQ(app->m_mode == 11 || app->m_mode == 10, true) << app->m_mode;
  EXPECT_EQ(app->m_level, 1);
  EXPECT_EQ(app->m_controlStyle, 0);  // started from the keyboard
}

TEST_F(Menu, CompletedAndFailedLevelsAreMarked) {
  app->m_scores[1000] = 5;   // level 1: above 1 is read as completed...
  app->m_scores[1010] = -2;  // level 2: failed twice
  app->m_scores[1020] = -9;  // level 3: failed often (passed)
  rig.Step();  // the rewrite happens while the following item is drawn
  rig.Step();
  EXPECT_EQ(app->m_scores[1000], 1);  // ...and rewritten as 1
  EXPECT_EQ(app->m_scores[1020], -3);
  std::vector<DrawRecord> items = RingItems(rig);
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[0].Frame(), 1);  // level 1 completed
  EXPECT_EQ(items[1].Frame(), 0);  // level 2 open: level 1 passed
  EXPECT_EQ(items[2].Frame(), 2);  // level 3 locked: level 2 failed only twice
  EXPECT_EQ(items[3].Frame(), 0);  // level 4 open: level 3 failed three times
  EXPECT_TRUE(HasLine(rig, "XX")) << rig.AllText();
  EXPECT_TRUE(HasLine(rig, "XXX")) << rig.AllText();
  EXPECT_FALSE(HasLine(rig, "X")) << rig.AllText();
}

// ---- Pointer --------------------------------------------------------------------

TEST_F(Menu, TappingAnItemSelectsItAndTappingTheSelectionStarts) {
  app->m_scores[1000] = 1;  // level 2 open
  rig.Step();
  DrawRecord item1 = RingItem(rig, 1);
  rig.Click(item1.X(), item1.Y());
  EXPECT_EQ(app->m_menuLevelSel, 1);
  EXPECT_EQ(app->m_levelListY, -32.0f);
  EXPECT_EQ(app->m_mode, 1);
  rig.MouseMove(250, 120);
  rig.Step(40);  // settles

  DrawRecord selected = RingItem(rig, 1);
  rig.Click(selected.X() + 10, selected.Y() + 10);
  EXPECT_TRUE(app->m_mode == 11 || app->m_mode == 10) << app->m_mode;
  EXPECT_EQ(app->m_level, 2);
  EXPECT_EQ(app->m_controlStyle, 2);  // started with the pointer
}

TEST_F(Menu, ADragNeverCountsAsAClick) {
  DrawRecord item0 = RingItem(rig, 0);
  // Press on the ring away from any item, drag onto the selection at more
  // than 4 units a frame and release on it.
  float x = 120, y = 205;
  rig.MouseMove(x, y);
  rig.MouseDown(0);
  rig.Step();
  int fastFrames = 0;
  for (int i = 0; i < 10; ++i) {
    x += (item0.X() - 120) / 10;
    y += (item0.Y() - 205) / 10;
    rig.MouseMove(x, y);
    rig.Step();
    fastFrames += app->m_inputUsed == -1;
    ASSERT_EQ(app->m_mode, 1) << "frame " << i;
  }
  rig.MouseUp(0);
  rig.Step(60);
  EXPECT_EQ(app->m_mode, 1);
  EXPECT_GT(fastFrames, 0);  // the drag was seen as one
  EXPECT_EQ(app->m_menuFocus, 1);
}

TEST_F(Menu, TheRingBouncesBackAtBothEnds) {
  // Past item 0: a hard drag down-right turns the ring the wrong way.
  ASSERT_EQ(app->m_menuLevelSel, 0);
  float x = 100, y = 250;
  rig.MouseMove(x, y);
  rig.MouseDown(0);
  rig.Step();
  bool bounced = false;
  for (int i = 0; i < 8; ++i) {
    x += 12;
    y += 12;
    rig.MouseMove(x, y);
    rig.Step();
  }
  rig.MouseUp(0);
  EXPECT_GT(ItemAngle(app, 0), 60);
  for (int i = 0; i < 300; ++i) {
    rig.Step();
    bounced = bounced || app->m_ringSpin == -4;
    ASSERT_GE(app->m_menuLevelSel, 0);
  }
  EXPECT_TRUE(bounced);
  EXPECT_EQ(app->m_ringSpin, 0);
  EXPECT_LE(ItemAngle(app, 0), 60);  // item 0 back at or below the top

  // Past item 99, the other way.
  app->m_menuLevelSel = 99;
  app->m_levelListY = app->m_ringPos = -3168;
  rig.Step(5);
  x = 250, y = 400;
  rig.MouseMove(x, y);
  rig.MouseDown(0);
  rig.Step();
  for (int i = 0; i < 8; ++i) {
    x -= 12;
    y -= 12;
    rig.MouseMove(x, y);
    rig.Step();
  }
  rig.MouseUp(0);
  EXPECT_LT(ItemAngle(app, 99), 30);
  bounced = false;
  for (int i = 0; i < 300; ++i) {
    rig.Step();
    bounced = bounced || app->m_ringSpin == 4;
    ASSERT_LE(app->m_menuLevelSel, 99);
  }
  EXPECT_TRUE(bounced);
  EXPECT_GE(ItemAngle(app, 99), 30);
}

TEST_F(Menu, HoveringThePanelGivesItTheFocusAndAClickOpensTheCredits) {
  rig.MouseMove(600, 200);
  rig.Step();
  EXPECT_EQ(app->m_menuFocus, 2);
  rig.Step(2);
  rig.Click(600, 200);
  EXPECT_EQ(app->m_panelOpen, 1);
}

// ---- Side panel -------------------------------------------------------------------

TEST_F(Menu, TheSidePanelListsTheSelectedLevelsHighscores) {
  for (int i = 0; i < 10; ++i) app->m_scores[i] = 1000 - 10 * i;
  app->m_scores[10] = 77;
  app->m_scores[1000] = 1;
  rig.Step();
  EXPECT_TRUE(HasLine(rig, "Top 10")) << rig.AllText();
  EXPECT_TRUE(HasLine(rig, "1000")) << rig.AllText();
  EXPECT_TRUE(HasLine(rig, "910")) << rig.AllText();
  EXPECT_FALSE(HasLine(rig, "77")) << rig.AllText();

  Press(kKeyDown);  // level 2
  EXPECT_TRUE(HasLine(rig, "77")) << rig.AllText();
  EXPECT_FALSE(HasLine(rig, "1000")) << rig.AllText();
  rig.SaveScreenshot(ScreenshotDir() + "/menu_ring.png");
}

TEST_F(Menu, TheCreditsScrollAndCloseOnAButton) {
  Press(kKeyRight);
  Press(kKeyRight);
  ASSERT_EQ(app->m_menuFocus, 2);
  rig.TapKey(kKeySpace);
  ASSERT_EQ(app->m_panelOpen, 1);
  rig.Step(60);  // the panel slides across
  EXPECT_NEAR(app->m_panelX, 640 - 140, 0.01);
  std::string text = rig.AllText();
  EXPECT_NE(text.find("A Game by"), std::string::npos) << text;
  EXPECT_NE(text.find("Debug Stats"), std::string::npos) << text;
  EXPECT_NE(text.find("640x480"), std::string::npos) << text;
  EXPECT_NE(text.find("Coded in"), std::string::npos) << text;
  EXPECT_EQ(rig.RecordsOfType(c_MyApp::kOvalRecord).size(), 11u);
  rig.SaveScreenshot(ScreenshotDir() + "/menu_credits.png");

  // 0.3 units a frame: a line every 53 or 54 frames; faster with down held.
  int line = app->m_creditLine;
  rig.Step(160);
  EXPECT_EQ(app->m_creditLine, line + 3);
  line = app->m_creditLine;
  rig.KeyDown(kKeyDown);
  rig.Step(45);
  rig.KeyUp(kKeyDown);
  EXPECT_EQ(app->m_creditLine, line + 5);

  rig.TapKey(kKeySpace);
  EXPECT_EQ(app->m_panelOpen, 0);
  rig.Step(80);
  EXPECT_EQ(app->m_panelX, 0);
  EXPECT_FALSE(rig.HasText("A Game by"));
}

TEST_F(Menu, BackClosesTheCreditsInsteadOfEndingTheProgram) {
  app->m_menuFocus = 2;
  rig.TapKey(kKeySpace);
  ASSERT_EQ(app->m_panelOpen, 1);
  rig.Step(5);
  Press(kKeyEscape);  // would end the program on the bare menu
  EXPECT_EQ(app->m_panelOpen, 0);
}

}  // namespace
