// The option box over the main menu, driven by real key and mouse events:
// its slide and the inertness while it slides, closing through the back
// control with exactly one save, the sound row's four states and the music,
// latches against held buttons, the window row, and a stored sound value
// the row does not know.
#include <gtest/gtest.h>

#include <string>

#include "audio/sound.h"
#include "game/globals.h"
#include "support/game_rig.h"
#include "support/menu_helpers.h"
#include "support/process.h"

namespace {

using namespace testing_support;

class OptionBox : public AtMenu {
 protected:
  // Opens the box with a click on the gear at the ring's centre.
  void ClickGear() {
    rig.Click(38, 480 - 64);
    rig.MouseMove(250, 120);
    ASSERT_EQ(app->m_optionsOpen, 1);
  }
  void OpenFully() {
    ClickGear();
    ASSERT_GT(StepUntil(rig, [&] { return app->m_optionsAnim == 30; }, 40), 0);
    rig.Step();
  }
  // Moves the cursor to `row` (0 = the back gear) with the keyboard.
  void CursorTo(int row) {
    while (app->m_optionCursor < row) {
      rig.TapKey(kKeyDown);
      rig.Step();
    }
    while (app->m_optionCursor > row) {
      rig.TapKey(kKeyUp);
      rig.Step();
    }
  }
};

TEST_F(OptionBox, SlidesInOver30FramesAndOutAgain) {
  ClickGear();
  EXPECT_EQ(app->m_optionsAnim, 1);
  rig.Step(28);
  EXPECT_EQ(app->m_optionsAnim, 29);
  rig.Step(5);
  EXPECT_EQ(app->m_optionsAnim, 30);
  EXPECT_TRUE(rig.HasText("<[BACK]"));
  EXPECT_TRUE(rig.HasText("Sound : SFX + Music")) << rig.AllText();
  EXPECT_TRUE(rig.HasText("iCade : Off"));
  EXPECT_TRUE(rig.HasText("Fullscreen"));
  EXPECT_TRUE(rig.HasText("Left Thumbstick Y Flipped"));
  EXPECT_TRUE(rig.HasText("Right Thumbstick Y Flipped"));
  EXPECT_FALSE(rig.HasText("Quit"));  // console only
  // The menu's highscores hide under the box.
  EXPECT_FALSE(rig.HasText("Top 10"));
  rig.SaveScreenshot(ScreenshotDir() + "/options_box.png");

  rig.TapKey(kKeyEscape);
  EXPECT_EQ(app->m_optionsOpen, 0);
  rig.Step(29);
  EXPECT_EQ(app->m_optionsAnim, 0);
  rig.Step();
  EXPECT_FALSE(rig.HasText("<[BACK]"));
  EXPECT_EQ(app->m_mode, 1);  // back closed the box, not the program
}

TEST_F(OptionBox, BackDuringTheSlideInDoesNothingAfterItClosesWithOneSave) {
  SaveCounter saves(rig.Dir());
  ASSERT_TRUE(saves.Ok());
  ClickGear();
  rig.Step(3);
  rig.TapKey(kKeyEscape);
  rig.Step(3);
  EXPECT_EQ(app->m_optionsOpen, 1);
  EXPECT_EQ(saves.Take(), 0);

  // Buttons do nothing during the slide either.
  rig.TapKey(kKeyDown);
  rig.TapKey(kKeySpace);
  EXPECT_EQ(app->m_optionCursor, 0);
  EXPECT_EQ(app->m_settings[5], 1);

  ASSERT_GT(StepUntil(rig, [&] { return app->m_optionsAnim == 30; }, 40), 0);
  rig.Step();
  rig.TapKey(kKeyEscape);
  EXPECT_EQ(app->m_optionsOpen, 0);
  rig.Step(40);
  EXPECT_EQ(saves.Take(), 1);
  // The saved text holds the settings.
  std::string saved = ReadFile(rig.Dir() + "/.kestrostate");
  EXPECT_EQ(saved.substr(0, 12), "0|0|0|0|0|1|");
}

TEST_F(OptionBox, TheBackGearClosesOnAClickOrAButtonOnIt) {
  SaveCounter saves(rig.Dir());
  OpenFully();
  // Pointer on the gear (x 100, y 60), button down.
  rig.Click(100, 60);
  EXPECT_EQ(app->m_optionsOpen, 0);
  rig.Step(40);
  EXPECT_EQ(saves.Take(), 1);

  OpenFully();
  ASSERT_EQ(app->m_optionCursor, 0);
  rig.TapKey(kKeySpace);
  EXPECT_EQ(app->m_optionsOpen, 0);
  rig.Step(40);
  EXPECT_EQ(saves.Take(), 1);
  EXPECT_EQ(app->m_mode, 1);  // the button did not also start a game
}

TEST_F(OptionBox, FourSoundActivationsReturnToTheStartAndStopTheMusicAt0And2) {
  OpenFully();
  CursorTo(1);
  ASSERT_EQ(app->m_settings[5], 1);
  auto playing = [&] { return rv_audio_device->MusicState() != 0; };

  app->p_PlayTune(String("testmusic"), 1);
  ASSERT_EQ(app->m_musicOn, 1);
  rig.TapKey(kKeySpace);
  EXPECT_EQ(app->m_settings[5], 2);
  EXPECT_EQ(app->m_musicOn, 0);
  EXPECT_FALSE(playing());
  rig.Step();
  EXPECT_TRUE(HasLine(rig, "Sound : SFX"));

  rig.TapKey(kKeySpace);
  EXPECT_EQ(app->m_settings[5], 3);
  EXPECT_EQ(app->m_musicOn, 0);  // no game runs: nothing to resume
  rig.Step();

  app->p_PlayTune(String("testmusic"), 1);
  ASSERT_EQ(app->m_musicOn, 1);
  rig.TapKey(kKeySpace);
  EXPECT_EQ(app->m_settings[5], 0);
  EXPECT_EQ(app->m_musicOn, 0);
  EXPECT_FALSE(playing());
  rig.Step();

  rig.TapKey(kKeySpace);
  EXPECT_EQ(app->m_settings[5], 1);
  rig.Step();
  EXPECT_TRUE(rig.HasText("Sound : SFX + Music"));
}

TEST_F(OptionBox, AHeldButtonTogglesARowOnce) {
  OpenFully();
  CursorTo(4);  // left thumbstick
  ASSERT_TRUE(rig.HasText("Left Thumbstick Y Flipped"));
  rig.KeyDown(kKeySpace);
  rig.Step(20);
  rig.KeyUp(kKeySpace);
  rig.Step();
  EXPECT_EQ(app->m_settings[15], 1);
  EXPECT_TRUE(rig.HasText("Left Thumbstick Y Normal"));
  rig.TapKey(kKeyEnter);
  EXPECT_EQ(app->m_settings[15], 0);

  // The iCade row as well: held for ten frames, a row that flipped every
  // frame would end where it began.
  CursorTo(2);
  rig.KeyDown(kKeySpace);
  rig.Step(10);
  rig.KeyUp(kKeySpace);
  rig.Step();
  EXPECT_EQ(rv_Quenmor_iCadeControls, 1);
  EXPECT_TRUE(rig.HasText("iCade : On"));
  // Turned off again, by a click on its bar this time.
  rig.Click(300, (30 - 30) * 24 + 130 + 40);
  rig.MouseMove(250, 120);
  EXPECT_EQ(rv_Quenmor_iCadeControls, 0);
}

TEST_F(OptionBox, ClicksOnARowMoveTheCursorAndActivateIt) {
  OpenFully();
  const float rowY = 130 + 40 * 4;  // right thumbstick, fifth row
  rig.Click(400, rowY);
  EXPECT_EQ(app->m_optionCursor, 5);
  EXPECT_EQ(app->m_settings[16], 1);
  rig.Step();
  // A new press acts again; holding the button down does nothing more.
  rig.MouseMove(400, rowY);
  rig.MouseDown(0);
  rig.Step();
  EXPECT_EQ(app->m_settings[16], 0);
  rig.Step(10);
  rig.MouseUp(0);
  rig.Step();
  EXPECT_EQ(app->m_settings[16], 0);
  EXPECT_EQ(app->m_settings[15], 0);
}

TEST_F(OptionBox, AStoredSoundValueOf7ShowsNoLabelForAFrameAndBecomes0) {
  app->m_settings[5] = 7;
  ClickGear();  // this frame is the box's first
  EXPECT_FALSE(rig.HasText("Sound")) << rig.AllText();
  EXPECT_EQ(app->m_settings[5], 0);
  rig.Step();
  EXPECT_TRUE(rig.HasText("Sound : Off"));
}

TEST_F(OptionBox, WithoutAMusicStreamTheSoundRowIsOnOrOff) {
  rv_Quenmor_HasMusicStream = 0;
  app->m_settings[5] = 3;
  OpenFully();
  EXPECT_EQ(app->m_settings[5], 0);  // 3 is unknown here: reset
  EXPECT_TRUE(HasLine(rig, "Sound : Off"));
  CursorTo(1);
  rig.TapKey(kKeySpace);
  EXPECT_EQ(app->m_settings[5], 1);
  rig.Step();
  EXPECT_TRUE(rig.HasText("Sound : On"));
  rig.TapKey(kKeySpace);
  EXPECT_EQ(app->m_settings[5], 0);
  rig.Step();
  EXPECT_TRUE(rig.HasText("Sound : Off"));
  rv_Quenmor_HasMusicStream = 1;
}

TEST_F(OptionBox, TheWindowRowSwitchesToFullScreenOnceAndBack) {
  OpenFully();
  CursorTo(3);
  ASSERT_TRUE(rig.HasText("Fullscreen"));
  rig.KeyDown(kKeySpace);
  rig.Step(8);
  rig.KeyUp(kKeySpace);
  EXPECT_EQ(app->m_fullscreen, 1);
  // The full-screen window has Xvfb's size; the assets reload for it.
  ASSERT_GT(rig.RunUntilLoaded(), 0);
  rig.Step(3);
  EXPECT_EQ(rv_app_DeviceWidth(), 1280);
  EXPECT_TRUE(rig.HasText("Windowed")) << rig.AllText();
  EXPECT_EQ(app->m_optionsOpen, 1);

  rig.TapKey(kKeySpace);
  EXPECT_EQ(app->m_fullscreen, 0);
  ASSERT_GT(rig.RunUntilLoaded(), 0);
  rig.Step(3);
  EXPECT_EQ(rv_app_DeviceWidth(), 640);
}

}  // namespace
