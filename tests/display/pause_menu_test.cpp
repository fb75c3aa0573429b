// The pause menu over a running game, driven by real key and mouse events:
// pausing and resuming with the slide, a double press resuming once, the
// keyboard cursor, quitting the game (the end-of-game words "Quit" "Game"
// and the record of a failed game), the option box over it, and the
// drawing toy's limits and trail.
#include <gtest/gtest.h>

#include <string>

#include "game/globals.h"
#include "support/game_rig.h"
#include "support/menu_helpers.h"
#include "support/process.h"

namespace {

using namespace testing_support;

class PauseMenu : public AtMenu {
 protected:
  void SetUp() override {
    AtMenu::SetUp();
    rig.TapKey(kKeySpace);  // level 1
    ASSERT_GT(StepUntil(rig, [&] { return app->m_mode == 10; }, 5), 0);
    rig.Step(10);
  }

  void Pause() {
    rig.TapKey(kKeyEscape);
    ASSERT_EQ(app->m_paused, 1);
    ASSERT_GT(StepUntil(rig, [&] { return app->m_pauseY >= 240; }, 20), 0);
    rig.Step();
  }
};

TEST_F(PauseMenu, BackPausesWithASlideAndResumesTheGame) {
  rig.TapKey(kKeyEscape);
  EXPECT_EQ(app->m_paused, 1);
  EXPECT_EQ(app->m_pauseDir, 1);
  EXPECT_EQ(app->m_pauseY, -40);  // from -64, 24 a frame
  int frames = StepUntil(rig, [&] { return app->m_pauseY >= 240; }, 20);
  EXPECT_EQ(frames, 12);
  EXPECT_EQ(app->m_pauseY, 248);
  rig.Step(5);
  EXPECT_EQ(app->m_pauseY, 248);
  EXPECT_TRUE(rig.HasText("PAUSED"));
  // Resume (frame 3) at the left, quit (frame 1) above it, the options
  // gear below, the cursor on resume.
  ASSERT_EQ(rig.ImageRecords(97, 3).size(), 1u);
  EXPECT_EQ(rig.ImageRecords(97, 3)[0].X(), 72);
  EXPECT_EQ(rig.ImageRecords(97, 3)[0].Y(), 196);
  ASSERT_EQ(rig.ImageRecords(97, 1).size(), 1u);
  EXPECT_EQ(rig.ImageRecords(97, 1)[0].Y(), 96);
  ASSERT_EQ(rig.ImageRecords(97, 6).size(), 1u);
  EXPECT_EQ(rig.ImageRecords(97, 6)[0].Y(), 196);
  rig.SaveScreenshot(ScreenshotDir() + "/pause_menu.png");

  rig.TapKey(kKeyEscape);
  EXPECT_EQ(app->m_pauseDir, -1);
  EXPECT_EQ(app->m_paused, 1);  // still sliding out
  frames = StepUntil(rig, [&] { return app->m_paused == 0; }, 20);
  EXPECT_EQ(frames, 12);  // 248 down to -40
  EXPECT_EQ(app->m_mode, 10);
  rig.Step(30);
  EXPECT_EQ(app->m_paused, 0);
}

TEST_F(PauseMenu, TwoQuickBackPressesResumeOnce) {
  Pause();
  rig.KeyDown(kKeyEscape);
  rig.Step();
  rig.KeyUp(kKeyEscape);
  rig.KeyDown(kKeyEscape);  // no update saw the release
  rig.Step();
  rig.KeyUp(kKeyEscape);
  EXPECT_EQ(app->m_pauseDir, -1);
  ASSERT_GT(StepUntil(rig, [&] { return app->m_paused == 0; }, 20), 0);
  rig.Step(30);
  EXPECT_EQ(app->m_paused, 0);
  EXPECT_EQ(app->m_mode, 10);
}

TEST_F(PauseMenu, AClickOnResumeResumes) {
  Pause();
  rig.Click(72, 196);
  EXPECT_EQ(app->m_pauseDir, -1);
  ASSERT_GT(StepUntil(rig, [&] { return app->m_paused == 0; }, 20), 0);
}

TEST_F(PauseMenu, QuittingTheGameShowsQuitGameAndRecordsAFailure) {
  Pause();
  rig.TapKey(kKeyUp);
  EXPECT_EQ(app->m_pauseCursor, -1);
  rig.Step();
  ASSERT_EQ(rig.ImageRecords(97, 6).size(), 1u);
  EXPECT_EQ(rig.ImageRecords(97, 6)[0].Y(), 96);  // the cursor on quit
  rig.TapKey(kKeySpace);
  EXPECT_EQ(app->m_paused, 0);
  EXPECT_EQ(app->m_pauseY, -64);
  EXPECT_EQ(app->m_gameOverTime, 1);
  EXPECT_EQ(app->m_gameResult, -1);
  rig.Step(20);
  EXPECT_TRUE(HasLine(rig, "Quit")) << rig.AllText();
  EXPECT_TRUE(HasLine(rig, "Game")) << rig.AllText();
  rig.SaveScreenshot(ScreenshotDir() + "/pause_quit_game.png");

  ASSERT_GT(StepUntil(rig, [&] { return app->m_mode == 1; }, 120), 0);
  EXPECT_EQ(app->m_scores[1000], -1);  // level 1 finished once, not completed
  EXPECT_TRUE(FileExists(rig.Dir() + "/.kestrostate"));
}

TEST_F(PauseMenu, TheCursorOpensTheOptionBoxOverThePausedGame) {
  Pause();
  rig.TapKey(kKeyDown);
  EXPECT_EQ(app->m_pauseCursor, 1);
  rig.Step();
  EXPECT_EQ(rig.ImageRecords(97, 6)[0].Y(), 296);
  rig.TapKey(kKeySpace);
  EXPECT_EQ(app->m_optionsOpen, 1);
  ASSERT_GT(StepUntil(rig, [&] { return app->m_optionsAnim == 30; }, 40), 0);
  EXPECT_TRUE(rig.HasText("PAUSED"));
  EXPECT_TRUE(rig.HasText("<[BACK]"));
  rig.Step();
  // Back closes the box; the game stays paused.
  rig.TapKey(kKeyEscape);
  EXPECT_EQ(app->m_optionsOpen, 0);
  rig.Step(40);
  EXPECT_EQ(app->m_paused, 1);
  EXPECT_EQ(app->m_pauseDir, 1);
}

TEST_F(PauseMenu, TheToysSpeedStopsAt128AndItsArmAt0) {
  Pause();
  ASSERT_EQ(app->m_spiroSpeed, 25);
  rig.KeyDown(kKeyRight);
  rig.Step(4);
  EXPECT_EQ(app->m_spiroSpeed, 26);  // 0.25 a frame
  rig.Step(500);
  rig.KeyUp(kKeyRight);
  EXPECT_EQ(app->m_spiroSpeed, 128);
  rig.Step();
  EXPECT_TRUE(HasLine(rig, "25:128")) << rig.AllText();

  rig.KeyDown(kKeyUp);
  rig.Step(40);
  rig.KeyUp(kKeyUp);
  EXPECT_EQ(app->m_spiroRadius, 0);
  rig.KeyDown(kKeyLeft);
  rig.Step(600);
  rig.KeyUp(kKeyLeft);
  EXPECT_EQ(app->m_spiroSpeed, 0);
  rig.Step();
  EXPECT_TRUE(HasLine(rig, "0:0")) << rig.AllText();
}

TEST_F(PauseMenu, TheTrailKeeps102PointsDrawnTwice) {
  Pause();
  rig.Step(120);
  // 101 segments, each drawn twice (the second half a unit up-left).
  std::vector<DrawRecord> lines = rig.RecordsOfType(c_MyApp::kLineRecord);
  ASSERT_EQ(lines.size(), 202u);
  EXPECT_FLOAT_EQ(lines[1].v[1], lines[0].v[1] - 0.5f);
  EXPECT_FLOAT_EQ(lines[1].v[2], lines[0].v[2] - 0.5f);
  // The newest segment ends on the pen, which stays within R of the centre.
  const float R = 0.45f * 480;
  const DrawRecord& newest = lines[200];
  const float dx = newest.v[4] - (320 + 96), dy = newest.v[5] - 240;
  EXPECT_LE(dx * dx + dy * dy, R * R + 1);
  // Hues: the oldest segment is black (i = 0), the newest coloured.
  EXPECT_EQ(lines[0].Red() + lines[0].Green() + lines[0].Blue(), 0);
  EXPECT_GT(newest.Red() + newest.Green() + newest.Blue(), 0);
}

}  // namespace
