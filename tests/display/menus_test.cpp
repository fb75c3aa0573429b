// The menus driven with key and mouse events through the host: the level
// ring (stepping, locks and marks, taps, drags, its ends), the side panel,
// the option box (its slide, one save on closing, each row) and the pause
// menu over a running game.
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "audio/sound.h"
#include "game/globals.h"
#include "support/game_rig.h"

namespace {

using namespace testing_support;

class Menu : public ::testing::Test {
 protected:
  GameRig rig;
  c_MyApp* app = rig.app;

  // The settled menu, the pointer parked over the logo.
  void SetUp() override {
    ASSERT_GT(rig.RunUntilLoaded(), 0);
    rig.Move(250, 120);
    ASSERT_GT(rig.StepUntil([&] { return app->m_menuSlide == 0; }, 120), 0);
    rig.Step(20);
    ASSERT_EQ(app->m_mode, 1);
  }
  void Press(int key) {  // tapped, then a frame with it up
    rig.Tap(key);
    rig.Step();
  }
  bool Playing() { return app->m_mode == 10 || app->m_mode == 11; }
  // The ring's level buttons as drawn (item max(selection - 3, 0) first):
  // frame 0 open, 1 completed, 2 locked.
  std::vector<DrawRecord> Items() {
    std::vector<DrawRecord> out;
    for (const DrawRecord& r : rig.Records(95))
      if (r.Frame() <= 2) out.push_back(r);
    return out;
  }
  float ItemAngle(int k) { return (float)k * 32 + 48 + app->m_ringPos; }
  void OpenOptions() {
    rig.Click(38, 480 - 64);  // the gear at the ring's centre
    rig.Move(250, 120);
    ASSERT_EQ(app->m_optionsOpen, 1);
    ASSERT_GT(rig.StepUntil([&] { return app->m_optionsAnim == 30; }, 40), 0);
    rig.Step();
  }
  void CursorTo(int row) {
    while (app->m_optionCursor != row) Press(app->m_optionCursor < row ? kDown : kUp);
  }
};

// Saves of the state file as the kernel sees them: the host writes a
// temporary file and renames it over .kestrostate.
int SavesSeen(int fd) {
  int count = 0;
  alignas(inotify_event) char buf[4096];
  for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;)
    for (char* p = buf; p < buf + n; p += sizeof(inotify_event) + ((inotify_event*)p)->len)
      count += std::strcmp(((inotify_event*)p)->name, ".kestrostate") == 0;
  return count;
}

// ---- The level ring --------------------------------------------------------------

TEST_F(Menu, AHeldKeyStepsTheRingSlowlyThenFaster) {
  std::vector<int> steps;
  rig.KeyDown(kDown);
  for (int frame = 0; frame < 62; ++frame) {
    int before = app->m_menuLevelSel;
    rig.Step();
    if (app->m_menuLevelSel != before) steps.push_back(frame);
  }
  rig.KeyUp(kDown);
  EXPECT_EQ(steps, (std::vector<int>{0, 30, 48, 54, 57, 60}));
  EXPECT_EQ(app->m_menuLevelSel, 6);
}

TEST_F(Menu, TheSelectionStaysOnTheRing) {
  Press(kUp);
  EXPECT_EQ(app->m_menuLevelSel, 0);
  app->m_menuLevelSel = 99;
  app->m_levelListY = -3168;
  rig.Step();
  Press(kDown);
  EXPECT_EQ(app->m_menuLevelSel, 99);
  EXPECT_EQ(app->m_level, 100);
  app->m_menuLevelSel = 101;  // completing level 100 can leave 101 behind
  rig.Step();
  EXPECT_EQ(app->m_menuLevelSel, 100);
  EXPECT_EQ(app->m_level, 100);
  Press(kSpace);
  EXPECT_EQ(app->m_mode, 1) << "past the last item: level 100 only once it is passed";
  app->m_scores[1990] = 1;
  rig.Tap(kSpace);
  EXPECT_TRUE(Playing());
  EXPECT_EQ(app->m_level, 100);
}

TEST_F(Menu, LockedLevelsDoNotStartAndMarksFollowTheRecords) {
  std::vector<DrawRecord> items = Items();
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[0].Frame(), 0);
  EXPECT_EQ(items[1].Frame(), 2);
  Press(kDown);
  rig.Step(10);
  for (int key : {kSpace, kEnter}) Press(key);
  EXPECT_EQ(app->m_mode, 1);
  app->m_scores[1000] = 5;   // level 1: above 1 reads as completed
  app->m_scores[1010] = -2;  // level 2: failed twice
  app->m_scores[1020] = -9;  // level 3: failed three times or more (passed)
  rig.Step(2);
  EXPECT_EQ(app->m_scores[1000], 1);
  EXPECT_EQ(app->m_scores[1020], -3);
  std::vector<int> frames;
  for (const DrawRecord& r : Items()) frames.push_back(r.Frame());
  EXPECT_EQ(frames, (std::vector<int>{1, 0, 2, 0, 2}));
  EXPECT_TRUE(rig.HasLine("XX") && rig.HasLine("XXX") && !rig.HasLine("X")) << rig.AllText();
  Press(kUp);
  rig.Step(10);
  rig.Tap(kSpace);
  EXPECT_TRUE(Playing());
  EXPECT_EQ(app->m_level, 1);
}

TEST_F(Menu, AClickSelectsALevelAndASecondOneStartsIt) {
  app->m_scores[1000] = 1;
  rig.Step();
  DrawRecord item = Items()[1];
  rig.Click(item.X(), item.Y());
  EXPECT_EQ(app->m_menuLevelSel, 1);
  EXPECT_EQ(app->m_mode, 1);
  rig.Move(250, 120);
  rig.Step(40);
  item = Items()[1];
  rig.Click(item.X() + 10, item.Y() + 10);
  EXPECT_TRUE(Playing());
  EXPECT_EQ(app->m_level, 2);
  EXPECT_EQ(app->m_controlStyle, 2) << "started with the pointer";
}

TEST_F(Menu, ADragEndingOnTheSelectionIsNoClick) {
  DrawRecord item = Items()[0];
  rig.Move(120, 205);
  rig.Button(true);
  rig.Step();
  for (int i = 1; i <= 10; ++i) {
    rig.Move(120 + (item.X() - 120) * i / 10, 205 + (item.Y() - 205) * i / 10);
    rig.Step();
  }
  rig.Button(false);
  rig.Step(60);
  EXPECT_EQ(app->m_mode, 1);
}

TEST_F(Menu, TheRingBouncesBackAtBothEnds) {
  for (int end : {0, 99}) {
    app->m_menuLevelSel = end;
    app->m_levelListY = app->m_ringPos = -32.0f * end;
    rig.Step(5);
    float d = end ? -12 : 12, x = end ? 250 : 100, y = end ? 400 : 250;
    rig.Move(x, y);
    rig.Button(true);
    rig.Step();
    for (int i = 1; i <= 8; ++i) {
      rig.Move(x + d * i, y + d * i);  // a hard drag past the end
      rig.Step();
    }
    rig.Button(false);
    EXPECT_TRUE(end ? ItemAngle(99) < 30 : ItemAngle(0) > 60) << "dragged past the end " << end;
    for (int i = 0; i < 300; ++i) {
      rig.Step();
      ASSERT_TRUE(app->m_menuLevelSel >= 0 && app->m_menuLevelSel <= 99);
    }
    EXPECT_EQ(app->m_ringSpin, 0);
    EXPECT_TRUE(end ? ItemAngle(99) >= 30 : ItemAngle(0) <= 60) << end;
  }
}

// ---- The side panel ---------------------------------------------------------------

TEST_F(Menu, TheSidePanelListsTheSelectedLevelsHighscores) {
  for (int i = 0; i < 10; ++i) app->m_scores[i] = 1000 - 10 * i;
  app->m_scores[10] = 77;
  app->m_scores[1000] = 1;
  rig.Step();
  EXPECT_TRUE(rig.HasLine("Top 10") && rig.HasLine("1000") && rig.HasLine("910")) << rig.AllText();
  EXPECT_FALSE(rig.HasLine("77"));
  rig.Read().Save("menu_highscores");
  Press(kDown);
  EXPECT_TRUE(rig.HasLine("77") && !rig.HasLine("1000")) << rig.AllText();
}

TEST_F(Menu, TheCreditsOpenScrollAndCloseButNeverEndTheProgram) {
  rig.Move(600, 200);  // hovering gives the panel the focus
  rig.Step(3);
  EXPECT_EQ(app->m_menuFocus, 2);
  rig.Click(600, 200);
  ASSERT_EQ(app->m_panelOpen, 1);
  rig.Step(60);
  EXPECT_TRUE(rig.HasText("A Game by") && rig.HasText("640x480")) << rig.AllText();
  rig.Read().Save("menu_credits");
  int line = app->m_creditLine;
  rig.Step(160);
  EXPECT_GT(app->m_creditLine, line) << "the credits scroll";
  Press(kEscape);  // on the bare menu this would end the program
  EXPECT_EQ(app->m_panelOpen, 0);
  Press(kRight);
  rig.Tap(kSpace);
  EXPECT_EQ(app->m_panelOpen, 1);
  rig.Step(5);
  rig.Tap(kSpace);
  EXPECT_EQ(app->m_panelOpen, 0);
  rig.Step(80);
  EXPECT_FALSE(rig.HasText("A Game by"));
}

// ---- The option box ---------------------------------------------------------------

TEST_F(Menu, TheOptionBoxIgnoresInputWhileSlidingAndSavesOnceOnClosing) {
  int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ASSERT_GE(inotify_add_watch(fd, rig.dir.c_str(), IN_MOVED_TO | IN_CLOSE_WRITE), 0);
  Press(kLeft);
  EXPECT_EQ(app->m_menuFocus, 0);
  rig.Tap(kSpace);  // on the gear
  ASSERT_EQ(app->m_optionsOpen, 1);
  for (int key : {kEscape, kDown, kSpace}) rig.Tap(key);
  EXPECT_EQ(app->m_optionsOpen, 1);
  EXPECT_EQ(app->m_optionCursor, 0);
  EXPECT_EQ(app->m_settings[5], 1);
  EXPECT_EQ(SavesSeen(fd), 0);
  ASSERT_GT(rig.StepUntil([&] { return app->m_optionsAnim == 30; }, 40), 0);
  rig.Step();
  for (const char* row : {"<[BACK]", "Sound : SFX + Music", "iCade : Off", "Fullscreen", "Left Thumbstick Y Flipped",
                          "Right Thumbstick Y Flipped"})
    EXPECT_TRUE(rig.HasText(row)) << row << " in " << rig.AllText();
  EXPECT_FALSE(rig.HasText("Top 10")) << "the menu's highscores hide under the box";
  rig.Read().Save("options");
  rig.Tap(kEscape);
  EXPECT_EQ(app->m_optionsOpen, 0);
  rig.Step(40);
  EXPECT_FALSE(rig.HasText("<[BACK]"));
  EXPECT_EQ(app->m_mode, 1) << "back closed the box, not the program";
  EXPECT_EQ(SavesSeen(fd), 1);
  EXPECT_EQ(ReadText(rig.dir + "/.kestrostate").substr(0, 12), "0|0|0|0|0|1|");
  OpenOptions();
  rig.Click(100, 60);  // the back gear
  EXPECT_EQ(app->m_optionsOpen, 0);
  rig.Step(40);
  OpenOptions();
  rig.Tap(kSpace);  // a button on the back gear
  EXPECT_EQ(app->m_optionsOpen, 0);
  rig.Step(40);
  EXPECT_EQ(SavesSeen(fd), 2);
  EXPECT_EQ(app->m_mode, 1) << "the button did not also start a game";
  close(fd);
}

TEST_F(Menu, TheSoundRowTurnsFourWaysAndStopsTheMusic) {
  OpenOptions();
  CursorTo(1);
  const struct {
    int mode;
    const char* label;
  } steps[] = {{2, "Sound : SFX"}, {3, "Sound : Music"}, {0, "Sound : Off"}, {1, "Sound : SFX + Music"}};
  for (const auto& s : steps) {
    app->p_PlayTune(String("testmusic"), 1);
    rig.Tap(kSpace);
    EXPECT_EQ(app->m_settings[5], s.mode);
    EXPECT_TRUE(s.mode % 2 || rv_audio_device->MusicState() == 0) << "stopped at " << s.mode;
    rig.Step();
    EXPECT_TRUE(rig.HasLine(s.label)) << rig.AllText();
  }
}

TEST_F(Menu, AHeldButtonOrClickTogglesARowOnce) {
  OpenOptions();
  for (int row : {4, 2}) {  // left thumbstick, iCade
    CursorTo(row);
    rig.KeyDown(kSpace);
    rig.Step(row == 4 ? 20 : 10);
    rig.KeyUp(kSpace);
    rig.Step();
  }
  EXPECT_EQ(app->m_settings[15], 1);
  EXPECT_EQ(rv_Quenmor_iCadeControls, 1);
  EXPECT_TRUE(rig.HasText("Left Thumbstick Y Normal") && rig.HasText("iCade : On")) << rig.AllText();
  rig.Click(300, 170);  // the iCade bar
  EXPECT_EQ(rv_Quenmor_iCadeControls, 0);
  rig.Step();
  rig.Click(400, 290);  // the right thumbstick's bar: cursor and toggle
  EXPECT_EQ(app->m_optionCursor, 5);
  EXPECT_EQ(app->m_settings[16], 1);
  rig.Step();
  rig.Button(true);
  rig.Step(10);
  rig.Button(false);
  rig.Step();
  EXPECT_EQ(app->m_settings[16], 0);
}

TEST_F(Menu, AnUnknownStoredSoundValueBecomesOff) {
  app->m_settings[5] = 7;
  OpenOptions();
  EXPECT_EQ(app->m_settings[5], 0);
  EXPECT_TRUE(rig.HasLine("Sound : Off")) << rig.AllText();
}

TEST_F(Menu, TheWindowRowSwitchesToFullScreenOnceAndBack) {
  OpenOptions();
  CursorTo(3);
  rig.KeyDown(kSpace);
  rig.Step(8);
  rig.KeyUp(kSpace);
  ASSERT_TRUE(rig.Reload());
  rig.Step(3);
  EXPECT_EQ(rv_app_DeviceWidth(), 1280);
  EXPECT_TRUE(rig.HasText("Windowed")) << rig.AllText();
  rig.Tap(kSpace);
  ASSERT_TRUE(rig.Reload());
  rig.Step(3);
  EXPECT_EQ(rv_app_DeviceWidth(), 640);
  EXPECT_EQ(app->m_optionsOpen, 1);
}

// ---- The pause menu ---------------------------------------------------------------

class Pause : public Menu {
 protected:
  void SetUp() override {
    Menu::SetUp();
    rig.Tap(kSpace);  // level 1
    ASSERT_GT(rig.StepUntil([&] { return app->m_mode == 10; }, 5), 0);
    rig.Step(10);
    rig.Tap(kEscape);
    ASSERT_EQ(app->m_paused, 1);
    ASSERT_GT(rig.StepUntil([&] { return app->m_pauseY >= 240; }, 20), 0);
    rig.Step();
    ASSERT_TRUE(rig.HasText("PAUSED"));
  }
  bool Resumes() {
    return rig.StepUntil([&] { return app->m_paused == 0; }, 20) > 0 &&
           rig.StepUntil([&] { return app->m_paused != 0; }, 30) < 0 && app->m_mode == 10;
  }
};

TEST_F(Pause, BackResumes) {
  rig.Read().Save("pause");
  rig.Tap(kEscape);
  EXPECT_TRUE(Resumes());
}

TEST_F(Pause, TwoQuickBackPressesResumeOnce) {
  rig.KeyDown(kEscape);
  rig.Step();
  rig.KeyUp(kEscape);
  rig.KeyDown(kEscape);  // no update saw the release
  rig.Step();
  rig.KeyUp(kEscape);
  EXPECT_TRUE(Resumes());
}

TEST_F(Pause, AClickOnResumeResumes) {
  rig.Click(72, 196);
  EXPECT_TRUE(Resumes());
}

TEST_F(Pause, QuittingTheGameSaysSoAndRecordsAFailure) {
  Press(kUp);
  rig.Tap(kSpace);
  EXPECT_EQ(app->m_paused, 0);
  rig.Step(20);
  EXPECT_TRUE(rig.HasLine("Quit") && rig.HasLine("Game")) << rig.AllText();
  rig.Read().Save("pause_quit");
  ASSERT_GT(rig.StepUntil([&] { return app->m_mode == 1; }, 120), 0);
  EXPECT_EQ(app->m_scores[1000], -1);
  EXPECT_NE(ReadText(rig.dir + "/.kestrostate"), "");
}

TEST_F(Pause, TheOptionBoxOpensOverThePausedGameAndBackKeepsItPaused) {
  Press(kDown);
  rig.Tap(kSpace);
  ASSERT_GT(rig.StepUntil([&] { return app->m_optionsAnim == 30; }, 40), 0);
  EXPECT_TRUE(rig.HasText("PAUSED") && rig.HasText("<[BACK]"));
  rig.Step();
  rig.Tap(kEscape);
  EXPECT_EQ(app->m_optionsOpen, 0);
  rig.Step(40);
  EXPECT_EQ(app->m_paused, 1);
  EXPECT_TRUE(rig.HasText("PAUSED"));
}

TEST_F(Pause, TheDrawingToyStaysWithinItsLimits) {
  for (auto [key, frames] : {std::pair{kRight, 600}, {kUp, 40}}) {
    rig.KeyDown(key);
    rig.Step(frames);
    rig.KeyUp(key);
  }
  rig.Step();
  EXPECT_TRUE(rig.HasLine("0:128")) << rig.AllText();
  rig.KeyDown(kLeft);
  rig.Step(600);
  rig.KeyUp(kLeft);
  rig.Step();
  EXPECT_TRUE(rig.HasLine("0:0")) << rig.AllText();
}

}  // namespace
