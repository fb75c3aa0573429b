// The menus with key and mouse events through the host: the level ring
// (locks, marks, clicks), the side panel's highscores, the option box (its
// slide, closing, its rows) and the pause menu (resuming, options over it).
#include <gtest/gtest.h>

#include <algorithm>

#include "audio/sound.h"
#include "game/globals.h"
#include "support/game_rig.h"

namespace {

using namespace testing_support;

class Menu : public ::testing::Test {
 protected:
  GameRig rig;
  c_MyApp* app = rig.app;
  void SetUp() override {  // the settled menu, the pointer parked over the logo
    ASSERT_GT(rig.RunUntilLoaded(), 0);
    rig.Move(250, 120);
    ASSERT_GT(rig.StepUntil([&] { return app->m_menuSlide == 0; }, 120), 0);
    rig.Step(20);
  }
  void Press(int key, int settle = 1) {
    rig.Tap(key), rig.Step(settle);
  }
  bool Playing() { return app->m_mode == 10 || app->m_mode == 11; }
  std::vector<DrawRecord> Ring() {  // its buttons from max(selection - 3, 0)
    std::vector<DrawRecord> out = rig.Records(95);
    out.erase(std::remove_if(out.begin(), out.end(), [](const DrawRecord& r) { return r.Frame() > 2; }), out.end());
    return out;
  }
  std::vector<int> Items() {  // 0 open, 1 completed, 2 locked
    std::vector<int> out;
    for (const DrawRecord& r : Ring()) out.push_back(r.Frame());
    return out;
  }
  DrawRecord Item(int k) { return Ring().at(k); }
  void OpenOptions() {
    rig.Click(38, 480 - 64);  // the gear in the ring's centre
    rig.Move(250, 120);
    ASSERT_GT(rig.StepUntil([&] { return app->m_optionsAnim == 30; }, 40), 0);
    rig.Step();
  }
  void CursorTo(int row) {
    while (app->m_optionCursor != row) Press(app->m_optionCursor < row ? kDown : kUp);
  }
};

TEST_F(Menu, LevelsStartOnlyWhenOpenAndTheSelectionStaysOnTheRing) {
  EXPECT_EQ(Items(), (std::vector<int>{0, 2, 2, 2}));
  Press(kUp);
  EXPECT_EQ(app->m_menuLevelSel, 0);
  Press(kDown, 10);
  for (int key : {kSpace, kEnter}) Press(key);
  EXPECT_EQ(app->m_mode, 1) << "level 2 is locked";
  app->m_menuLevelSel = 99, app->m_levelListY = -3168;
  rig.Step();
  Press(kDown);
  EXPECT_EQ(app->m_menuLevelSel * 1000 + app->m_level, 99100);
  app->m_menuLevelSel = 101;  // completing level 100 can leave 101 behind
  rig.Step();
  EXPECT_EQ(app->m_menuLevelSel * 1000 + app->m_level, 100100);
  Press(kSpace);
  EXPECT_EQ(app->m_mode, 1) << "past the last item: level 100 only once passed";
  app->m_scores[1990] = 1;
  rig.Tap(kSpace);
  EXPECT_TRUE(Playing() && app->m_level == 100);
}

TEST_F(Menu, MarksFollowTheRecordsAndAClickSelectsThenStarts) {
  app->m_scores[1000] = 5;   // level 1: above 1 reads as completed
  app->m_scores[1010] = -2;  // level 2: failed twice
  app->m_scores[1020] = -9;  // level 3: failed three times or more (passed)
  rig.Step(2);
  EXPECT_EQ(app->m_scores[1000] * 10 + app->m_scores[1020], 7);  // rewritten as 1 and -3
  EXPECT_EQ(Items(), (std::vector<int>{1, 0, 2, 0}));
  EXPECT_TRUE(rig.HasLine("XX") && rig.HasLine("XXX") && !rig.HasLine("X")) << rig.AllText();
  rig.Click(Item(1).X(), Item(1).Y());
  EXPECT_EQ(app->m_menuLevelSel, 1);
  rig.Move(250, 120), rig.Step(40), rig.Click(Item(1).X() + 10, Item(1).Y() + 10);
  EXPECT_TRUE(Playing() && app->m_level == 2);
  EXPECT_EQ(app->m_controlStyle, 2) << "started with the pointer";
}

TEST_F(Menu, TheSidePanelListsTheSelectedLevelsHighscores) {
  for (int i = 0; i < 10; ++i) app->m_scores[i] = 1000 - 10 * i;
  app->m_scores[10] = 77;
  app->m_scores[1000] = 1;
  rig.Step();
  EXPECT_TRUE(rig.HasLine("Top 10") && rig.HasLine("1000") && rig.HasLine("910") && !rig.HasLine("77"));
  Press(kDown);
  EXPECT_TRUE(rig.HasLine("77") && !rig.HasLine("1000")) << rig.AllText();
}

TEST_F(Menu, AClickOnThePanelOpensTheCreditsAndTheNextClosesThem) {
  rig.Move(600, 200), rig.Step(3);  // hovering gives the panel the focus
  for (int wanted : {1, 0, 1}) {
    rig.Button(true);
    for (int frame = 0; frame < 6; ++frame) {  // a click lasts several frames
      rig.Step();
      EXPECT_EQ(app->m_panelOpen, wanted) << "held " << frame;
    }
    rig.Button(false), rig.Step(6);
    EXPECT_EQ(app->m_panelOpen, wanted) << "released";
  }
  Press(kEscape);  // on the bare menu this would end the program
  EXPECT_EQ(app->m_panelOpen, 0);
}

TEST_F(Menu, TheOptionBoxIgnoresInputWhileSlidingAndBackClosesIt) {
  Press(kLeft);
  rig.Tap(kSpace);  // on the gear
  ASSERT_EQ(app->m_optionsOpen, 1);
  for (int key : {kEscape, kDown, kSpace}) rig.Tap(key);
  EXPECT_TRUE(app->m_optionsOpen == 1 && app->m_optionCursor == 0 && app->m_settings[5] == 1);
  ASSERT_GT(rig.StepUntil([&] { return app->m_optionsAnim == 30; }, 40), 0);
  rig.Step();
  EXPECT_TRUE(rig.HasText("<[BACK]")) << rig.AllText();
  EXPECT_FALSE(rig.HasText("Top 10")) << "the highscores hide under the box";
  rig.Tap(kEscape), rig.Step(40);
  EXPECT_TRUE(app->m_mode == 1 && !rig.HasText("<[BACK]")) << "back closed the box, not the program";
  OpenOptions();
  rig.Tap(kSpace), rig.Step(40);  // a button on the back gear
  EXPECT_TRUE(app->m_optionsOpen == 0 && app->m_mode == 1) << "the button did not also start a game";
}

TEST_F(Menu, TheSoundRowTurnsFourWaysAndAnUnknownValueIsOff) {
  app->m_settings[5] = 7;
  OpenOptions();
  EXPECT_TRUE(rig.HasLine("Sound : Off")) << rig.AllText();
  CursorTo(1);
  for (auto [mode, label] : {std::pair{1, "Sound : SFX + Music"}, {2, "Sound : SFX"}, {3, "Sound : Music"}, {0, "Sound : Off"}}) {
    app->p_PlayTune(String("testmusic"), 1);
    Press(kSpace);
    EXPECT_EQ(app->m_settings[5], mode);
    EXPECT_TRUE(mode % 2 || rv_audio_device->MusicState() == 0) << "the music stops at " << mode;
    EXPECT_TRUE(rig.HasLine(label)) << rig.AllText();
  }
}

TEST_F(Menu, AHeldButtonTogglesARowOnceAndAClickTogglesItsRow) {
  OpenOptions();
  CursorTo(4);  // the left thumbstick
  rig.KeyDown(kSpace), rig.Step(20), rig.KeyUp(kSpace), rig.Step();
  EXPECT_TRUE(app->m_settings[15] == 1 && rig.HasText("Left Thumbstick Y Normal")) << rig.AllText();
  rig.Click(400, 290);  // the right thumbstick's bar: cursor and toggle
  EXPECT_TRUE(app->m_optionCursor == 5 && app->m_settings[16] == 1);
  rig.Step(), rig.Button(true), rig.Step(10), rig.Button(false), rig.Step();
  EXPECT_EQ(app->m_settings[16], 0) << "a new press, held: once";
}

class Pause : public Menu {
 protected:
  void SetUp() override {
    Menu::SetUp();
    rig.Tap(kSpace);  // level 1
    ASSERT_GT(rig.StepUntil([&] { return app->m_mode == 10; }, 5), 0);
    rig.Step(10);
    Open();
  }
  void Open() {
    rig.Tap(kEscape);
    ASSERT_GT(rig.StepUntil([&] { return app->m_pauseY >= 240; }, 20), 0);
    rig.Step();
    ASSERT_TRUE(rig.HasText("PAUSED"));
  }
  bool Resumes() {
    return rig.StepUntil([&] { return app->m_paused == 0; }, 20) > 0 &&
           rig.StepUntil([&] { return app->m_paused != 0; }, 30) < 0 && app->m_mode == 10;
  }
};

TEST_F(Pause, BackAClickOrTwoQuickPressesResumeOnce) {
  for (int way = 0; way < 3; ++way) {
    if (way == 0) rig.Tap(kEscape);
    if (way == 1) rig.Click(72, 196);  // resume
    if (way == 2) {  // no update saw the first release
      rig.KeyDown(kEscape), rig.Step(), rig.KeyUp(kEscape);
      rig.KeyDown(kEscape), rig.Step(), rig.KeyUp(kEscape);
    }
    EXPECT_TRUE(Resumes()) << way;
    if (way < 2) Open();
  }
}

TEST_F(Pause, TheOptionBoxOpensOverThePausedGameAndBackKeepsItPaused) {
  Press(kDown);
  rig.Tap(kSpace);
  ASSERT_GT(rig.StepUntil([&] { return app->m_optionsAnim == 30; }, 40), 0);
  EXPECT_TRUE(rig.HasText("PAUSED") && rig.HasText("<[BACK]"));
  rig.Step(), rig.Tap(kEscape), rig.Step(40);
  EXPECT_TRUE(app->m_optionsOpen == 0 && app->m_paused == 1);
}

}  // namespace
