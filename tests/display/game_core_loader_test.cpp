// The game starting as a player sees it, in-process: fourteen frames of the
// loading screen (the studio logo, three spinning rings of ovals and
// "Loading..."), every asset slot of the loader filled at the level the
// device asks for, then the menu mode; the loader starting again when the
// device size changes; the frame's order of work (function keys, pointer,
// one-frame pad presses, the menu-key lock) and the mode dispatch.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "audio/sound.h"
#include "game/globals.h"
#include "support/game_rig.h"

namespace {

using namespace testing_support;

constexpr int kOval = -3716;

// One frame whose list holds only what this frame drew, also while a mode
// that does not start its own frame (a placeholder) is running.
void StepFresh(GameRig& rig, int frames = 1) {
  for (int i = 0; i < frames; ++i) {
    rig.App()->m_drawCount = 0;
    rig.Step();
  }
}

bool Requested(const GameRig& rig, const std::string& path) {
  const auto& paths = rig.Host()->dataPaths;
  return std::find(paths.begin(), paths.end(), path) != paths.end();
}

// The loading screen of the frame just stepped: logo, 33 ovals, the text.
void ExpectLoadingScreen(const GameRig& rig, const std::string& where) {
  SCOPED_TRACE(where);
  std::vector<DrawRecord> logo = rig.ImageRecords(93, 0);
  ASSERT_EQ(logo.size(), 1u);
  EXPECT_FLOAT_EQ(logo[0].X(), 320);
  EXPECT_FLOAT_EQ(logo[0].Y(), 480 * 0.48f);
  EXPECT_EQ(logo[0].v[4], 2);
  EXPECT_EQ(logo[0].v[5], 2);
  EXPECT_EQ(logo[0].Alpha(), 1);
  std::vector<DrawRecord> ovals = rig.RecordsOfType(kOval);
  ASSERT_EQ(ovals.size(), 33u);
  const float radii[] = {16, 12, 8};
  const float distances[] = {216, 192, 168};  // 0.45, 0.4, 0.35 of 480
  for (int ring = 0; ring < 3; ++ring) {
    for (int i = 0; i <= 10; ++i) {
      const DrawRecord& o = ovals[ring * 11 + i];
      EXPECT_EQ(o.v[4], radii[ring]);
      EXPECT_NEAR(o.Alpha(), i / 10.0, 1e-6);
      EXPECT_NEAR(std::hypot(o.X() - 320, o.Y() - 240), distances[ring], 1e-3);
      EXPECT_EQ(o.Red(), ring == 0 ? 0 : 255);
      EXPECT_EQ(o.Green(), 125);
      EXPECT_EQ(o.Blue(), ring == 0 ? 255 : 0);
      EXPECT_EQ(o.v[13], 1);
    }
  }
  std::vector<DrawnText> texts = rig.Texts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text, "Loading...");
  // Centred on x 320: " Loading.." measures 10 advances less kerning.
  EXPECT_FLOAT_EQ(texts[0].y, 448);
}

TEST(GameCoreLoader, FourteenFramesOfLoadingScreenThenTheMenuMode) {
  GameRig rig;
  c_MyApp* app = rig.App();
  EXPECT_EQ(app->m_mode, 1);
  EXPECT_EQ(app->m_loadStage, 1);
  float lastAngle = 0;
  for (int frame = 1; frame <= 14; ++frame) {
    rig.Step();
    ExpectLoadingScreen(rig, "frame " + std::to_string(frame));
    EXPECT_EQ(app->m_loadStage, frame <= 13 ? frame + 1 : 0);
    // The rings turn 3 degrees a frame.
    float first = rig.RecordsOfType(kOval)[0].X();
    if (frame > 1) {
      EXPECT_NE(first, lastAngle);
    }
    lastAngle = first;
  }
  EXPECT_FLOAT_EQ(app->m_spinAngle, 42);
  rig.Step();
  EXPECT_EQ(app->m_mode, 1);
  EXPECT_EQ(app->m_loadStage, 0);
  EXPECT_FLOAT_EQ(app->m_spinAngle, 42);  // the loader no longer runs
}

TEST(GameCoreLoader, EverySlotOfTheLoaderTableIsFilled) {
  GameRig rig;
  c_MyApp* app = rig.App();
  ASSERT_EQ(rig.RunUntilLoaded(), 14);
  // 640 x 480 asks for the "-hd" set, drawn at half scale.
  EXPECT_EQ(app->m_assetLevel, 2);
  EXPECT_EQ(app->m_imageScale, 0.5f);
  struct Slot {
    int slot;
    const char* file;
    int w, h, frames;
  };
  const Slot images[] = {
      {2, "gfx-hd.png", 56, 56, 81},           {80, "BadgesA-hd.png", 128, 128, 64},
      {85, "common/circle-hd.png", 512, 512, 4}, {86, "common/light-hd.png", 64, 64, 4},
      {93, "common/PlondrelLogo-hd.png", 512, 512, 1},
      {94, "common/dpad-hd.png", 64, 64, 16},   {95, "common/Buttons-hd.png", 128, 128, 16},
      {96, "parts-hd.png", 16, 16, 256},        {97, "common/icons-hd.png", 64, 64, 16},
      {98, "logo-hd.png", 512, 256, 1},         {99, "menu-hd.png", 512, 512, 4},
  };
  for (const Slot& s : images) {
    SCOPED_TRACE(s.file);
    EXPECT_TRUE(Requested(rig, s.file));
    c_Image* image = app->m_images[s.slot];
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->p_Frames(), s.frames);
    EXPECT_EQ(image->p_Width(), s.w);
    EXPECT_EQ(image->p_Height(), s.h);
    EXPECT_EQ(image->p_HandleX(), s.w / 2);  // centred handles
    EXPECT_EQ(app->m_imageInfo[s.slot * 3], s.w);
    EXPECT_EQ(app->m_imageInfo[s.slot * 3 + 1], s.h);
    EXPECT_EQ(app->m_imageInfo[s.slot * 3 + 2], s.frames);
  }
  // The font: 128 glyph cells; its info is the advance and line height.
  EXPECT_TRUE(Requested(rig, "fonts/shadow_editundo-hd.png"));
  ASSERT_NE(app->m_images[90], nullptr);
  EXPECT_EQ(app->m_images[90]->p_Frames(), 128);
  EXPECT_EQ(app->m_images[90]->p_Width(), 32);
  EXPECT_EQ(app->m_fontSlot, 90);
  EXPECT_EQ(app->m_imageInfo[270], 7);
  EXPECT_EQ(app->m_imageInfo[271], 10);
  // The blank 2048 x 2048 image.
  EXPECT_EQ(app->m_targetSlot, 81);
  ASSERT_NE(app->m_images[81], nullptr);
  EXPECT_EQ(app->m_images[81]->p_Width(), 2048);
  EXPECT_EQ(app->m_images[81]->p_Height(), 2048);
  EXPECT_EQ(app->m_imageInfo[243], 2048);
  // Sounds.
  for (int slot : {1, 2, 3, 4, 5, 6, 7, 8, 95, 96, 98, 99}) {
    EXPECT_NE(app->m_sounds[slot], nullptr) << slot;
  }
  int filledImages = 0, filledSounds = 0;
  for (int s = 0; s < 100; ++s) {
    filledImages += app->m_images[s] != nullptr;
    filledSounds += app->m_sounds[s] != nullptr;
  }
  EXPECT_EQ(filledImages, 13);
  EXPECT_EQ(filledSounds, 12);
}

TEST(GameCoreLoader, TheImageSetFollowsTheDeviceSize) {
  GameRig rig;
  c_MyApp* app = rig.App();
  rig.RunUntilLoaded();
  struct Case {
    int w, h, level;
    const char* gfx;
  };
  const Case cases[] = {{1280, 720, 4, "gfx-hd2.png"},
                        {800, 600, 2, "gfx-hd.png"},
                        {630, 470, 1, "gfx.png"},
                        {640, 480, 2, "gfx-hd.png"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
    rig.Host()->dataPaths.clear();
    rig.Host()->SetGlfwWindow(c.w, c.h, 8, 8, 8, 0, 0, 0, false);
    ASSERT_EQ(rig.RunUntilLoaded(), 15);  // the render sees the size, then 14 frames
    EXPECT_EQ(app->m_assetLevel, c.level);
    EXPECT_FLOAT_EQ(app->m_imageScale, 1.0f / c.level);
    EXPECT_TRUE(Requested(rig, c.gfx));
    EXPECT_EQ(app->m_imageInfo[2 * 3], 28 * c.level);
  }
  // Without HD images the plain set, whatever the size.
  rv_Quenmor_UseHDImages = 0;
  rig.Host()->dataPaths.clear();
  rig.Host()->SetGlfwWindow(1280, 720, 8, 8, 8, 0, 0, 0, false);
  rig.RunUntilLoaded();
  EXPECT_EQ(app->m_assetLevel, 1);
  EXPECT_TRUE(Requested(rig, "gfx.png"));
  EXPECT_TRUE(Requested(rig, "fonts/shadow_editundo.png"));
}

TEST(GameCoreLoader, ANewDeviceSizeShowsTheLoadingScreenAndTheModeGoesOn) {
  GameRig rig;
  c_MyApp* app = rig.App();
  rig.RunUntilLoaded();
  // In a game: the in-game step draws the pause icon every frame.
  app->m_mode = 11;
  StepFresh(rig, 2);
  EXPECT_EQ(rig.ImageRecords(97, 0).size(), 1u);
  rig.Host()->SetGlfwWindow(800, 600, 8, 8, 8, 0, 0, 0, false);
  rig.Step();  // this frame's render sees the new size
  EXPECT_EQ(app->m_loadStage, 1);
  EXPECT_EQ(app->m_lastDevWidth, 800);
  for (int frame = 1; frame <= 14; ++frame) {
    rig.Step();
    ExpectLoadingScreen(rig, "reload frame " + std::to_string(frame));
    EXPECT_EQ(app->m_mode, 10);
  }
  EXPECT_EQ(app->m_loadStage, 0);
  float angle = app->m_spinAngle;
  StepFresh(rig);
  EXPECT_EQ(app->m_mode, 10);
  EXPECT_EQ(rig.ImageRecords(97, 0).size(), 1u);
  EXPECT_EQ(rig.ImageRecords(93).size(), 0u);
  EXPECT_FALSE(rig.HasText("Loading..."));
  EXPECT_EQ(app->m_spinAngle, angle);
  // The logo jingle played once, at the first load only: on channel 1.
  EXPECT_EQ(app->m_jinglePlayed, 1);
  gxtkSample* jingle = app->m_sounds[96]->m_sample;
  for (int c = 0; c < 32; ++c) {
    if (c != 1) {
      EXPECT_NE(rv_audio_device->channels[c].sample, jingle) << c;
    }
  }
}

TEST(GameCoreLoader, FunctionKeysToggleTheOverlayAndTheHud) {
  GameRig rig;
  c_MyApp* app = rig.App();
  rig.RunUntilLoaded();
  StepFresh(rig, 60);  // let the averaged render rate settle
  EXPECT_FALSE(rig.HasText(":"));
  app->m_drawCount = 0;
  rig.TapKey(112);  // F1
  EXPECT_EQ(rv_Quenmor_DebugMode, 1);
  std::vector<DrawnText> texts = rig.Texts();
  ASSERT_FALSE(texts.empty());
  const DrawnText& overlay = texts.back();
  int rate = 0;
  char rest[64] = {};
  ASSERT_EQ(std::sscanf(overlay.text.c_str(), "%d%63s", &rate, rest), 2) << overlay.text;
  EXPECT_STREQ(rest, ":1.0,1.0");
  // 58 or 62 renders a second frame by frame; the truncating average
  // settles up to 10 below them.
  EXPECT_GE(rate, 48);
  EXPECT_LE(rate, 62);
  EXPECT_EQ(rate, app->m_renderFpsAvg);
  EXPECT_FLOAT_EQ(overlay.x, 16 + 7);       // left-aligned at x 16 after the space
  EXPECT_FLOAT_EQ(overlay.y, 480 - 16 + 5);  // top of the line at jscrh - 16
  // Pressed again in the next frame: off again.
  app->m_drawCount = 0;
  rig.TapKey(112);
  EXPECT_EQ(rv_Quenmor_DebugMode, 0);
  EXPECT_FALSE(rig.HasText(":1.0,1.0"));

  EXPECT_EQ(app->m_hideHud, 0);
  rig.TapKey(113);  // F2
  EXPECT_EQ(app->m_hideHud, 1);
  rig.TapKey(113);
  EXPECT_EQ(app->m_hideHud, 0);
}

TEST(GameCoreLoader, PointerPositionIsInGameUnits) {
  GameRig rig;
  c_MyApp* app = rig.App();
  rig.RunUntilLoaded();
  rig.MouseMove(320, 240);
  rig.Step();
  EXPECT_EQ(app->m_mouseX, 320);
  EXPECT_EQ(app->m_mouseY, 240);
  rig.MouseMove(330, 250);
  rig.Step();
  EXPECT_EQ(app->m_oldMouseX, 320);
  EXPECT_EQ(app->m_mouseX, 330);
  // While the button is down the old position follows (no jump from a press).
  rig.MouseDown();
  rig.MouseMove(340, 260);
  rig.Step();
  EXPECT_EQ(app->m_mouseHit, 1);
  EXPECT_EQ(app->m_oldMouseX, 340);
  rig.MouseUp();
  rig.Step();
  EXPECT_EQ(app->m_mouseHit, 0);

  // A larger window: scale 1.25.
  rig.Host()->SetGlfwWindow(800, 600, 8, 8, 8, 0, 0, 0, false);
  rig.Step();
  rig.MouseMove(400, 300);
  rig.Step();
  EXPECT_EQ(app->m_mouseX, 320);
  EXPECT_EQ(app->m_mouseY, 240);
  // The console's overscan: 64 device pixels, 48 vertically on 4:3.
  rv_Quenmor_overscan = 64;
  rig.Step();
  rig.MouseMove(64 + 84, 48 + 84);  // scale (800 - 128) / 640 = 1.05
  rig.Step();
  EXPECT_EQ(app->m_mouseX, 80);
  EXPECT_EQ(app->m_mouseY, 80);
  // No touch source on the desktop: the touch table stays empty.
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(app->m_touchX[i], -3717);
    EXPECT_EQ(app->m_touchHit[i], 0);
  }
  EXPECT_EQ(app->m_touchDown, 0);
}

TEST(GameCoreLoader, PadPressesLastOneFrameHeldEntriesStay) {
  GameRig rig;
  c_MyApp* app = rig.App();
  rig.RunUntilLoaded();
  app->m_pad[3] = 1;
  app->m_pad[5] = 2;
  app->m_pad[18] = 1;
  rig.Step();
  EXPECT_EQ(app->m_pad[3], 0);
  EXPECT_EQ(app->m_pad[5], 2);
  EXPECT_EQ(app->m_pad[18], 0);

  // iCade characters arrive through the character queue.
  app->p_iCade(1);
  rig.Char('a');
  rig.Step();
  EXPECT_EQ(app->m_pad[3], 2);
  EXPECT_EQ(app->m_lastChar, 'a');
  EXPECT_EQ(app->p_PlayKey(3, 1, 0), 1);
  rig.Char('q');
  rig.Step();
  EXPECT_EQ(app->m_pad[3], 0);

  // The console's back button is joystick 0's button 14: one frame on pad 19.
  rv_Quenmor_isOuya = 1;
  rig.KeyDown(270);
  rig.Step();
  EXPECT_EQ(app->m_pad[19], 1);
  EXPECT_EQ(app->m_controlStyle, 1);  // the console always shows pad glyphs
  rig.Step();
  EXPECT_EQ(app->m_pad[19], 0);
}

TEST(GameCoreLoader, HeldMenuKeysKeepTheLock) {
  GameRig rig;
  c_MyApp* app = rig.App();
  rig.RunUntilLoaded();
  rig.KeyDown(38);  // Up
  app->m_keyLock = 1;
  rig.Step(3);
  EXPECT_EQ(app->m_keyLock, 1);
  rig.KeyUp(38);
  rig.Step();
  EXPECT_EQ(app->m_keyLock, 0);

  // Start on the menu with the side panel open closes it and takes the press.
  app->m_panelOpen = 1;
  app->m_overlayOpen = 1;
  app->m_pad[16] = 2;  // start, as the iCade would hold it
  rig.Step();
  EXPECT_EQ(app->m_panelOpen, 0);
  EXPECT_EQ(app->m_overlayOpen, 0);
  EXPECT_EQ(app->m_keyLock, 1);
  app->m_pad[16] = 0;
  rig.Step();
  EXPECT_EQ(app->m_keyLock, 0);

  // The option box swallows every frame's input while it is open.
  app->m_optionsOpen = 1;
  rig.Step();
  EXPECT_EQ(app->m_keyLock, 1);
  EXPECT_EQ(app->m_optionsAnim, 1);
  rig.Step(40);
  EXPECT_EQ(app->m_optionsAnim, 30);
  app->m_optionsOpen = 0;
  rig.Step(5);
  EXPECT_EQ(app->m_optionsAnim, 25);
}

TEST(GameCoreLoader, ModesHandOverInTheSameFrame) {
  GameRig rig;
  c_MyApp* app = rig.App();
  rig.RunUntilLoaded();

  // Recording a completed level goes back to the menu with the jingle.
  int channel = app->m_sfxChannel;
  app->m_mode = 2;
  app->m_gameResult = 2;
  rig.Step();
  EXPECT_EQ(app->m_mode, 1);
  EXPECT_EQ(app->m_sfxChannel, channel + 1);
  app->m_mode = 2;
  app->m_gameResult = 1;  // failed: no sound
  rig.Step();
  EXPECT_EQ(app->m_mode, 1);
  EXPECT_EQ(app->m_sfxChannel, channel + 1);

  // Starting a game: a fresh game state and its first tune, in mode 10.
  app->m_mode = 11;
  app->m_score = 55;
  app->m_gameOverTime = 1;
  app->m_player[400] = 4;
  app->m_objects[99] = 1;
  app->m_starCount = 7;
  app->m_particles[10] = 2;
  rig.Step();
  EXPECT_EQ(app->m_mode, 10);
  EXPECT_EQ(app->m_score, 0);
  EXPECT_EQ(app->m_gameOverTime, 0);
  EXPECT_EQ(app->m_player[400], 0);
  EXPECT_EQ(app->m_objects[99], 0);
  EXPECT_EQ(app->m_starCount, 100);
  EXPECT_EQ(app->m_particleCount, 250);
  EXPECT_EQ(app->m_particles[10], 0);
  EXPECT_TRUE(Requested(rig, "sfx/testmusic.ogg"));

  // In a game, start pauses it once; the lock stops a held key repeating.
  rig.KeyDown(27);
  rig.Step();
  EXPECT_EQ(app->m_paused, 1);
  EXPECT_EQ(app->m_pauseDir, 1);
  EXPECT_EQ(app->m_keyLock, 1);
  app->m_paused = 0;
  rig.Step();
  EXPECT_EQ(app->m_paused, 0);
  rig.KeyUp(27);
  StepFresh(rig);
  // The pause icon: faint unless the player steers with the pointer.
  std::vector<DrawRecord> icon = rig.ImageRecords(97, 0);
  ASSERT_EQ(icon.size(), 1u);
  EXPECT_FLOAT_EQ(icon[0].Alpha(), 0.2f);
  EXPECT_EQ(icon[0].X(), 16);
  app->m_hideHud = 1;
  StepFresh(rig);
  EXPECT_EQ(rig.ImageRecords(97, 0).size(), 0u);
}

TEST(GameCoreLoader, ResumingAGameOpensThePauseMenu) {
  GameRig rig;
  c_MyApp* app = rig.App();
  rig.RunUntilLoaded();
  app->p_iCade(1);
  app->m_pad[5] = 2;
  rig.Host()->SuspendGame();
  rig.Host()->ResumeGame();
  EXPECT_EQ(app->m_paused, 0);
  EXPECT_EQ(app->m_pauseY, 0);
  EXPECT_EQ(rv_Quenmor_iCadeControls, 0);
  EXPECT_FALSE(rig.Host()->KeyboardEnabled());
  EXPECT_EQ(app->m_pad[5], 0);
  EXPECT_EQ(rig.Host()->UpdateRate(), 60);

  app->m_mode = 10;
  rig.Host()->SuspendGame();
  rig.Host()->ResumeGame();
  EXPECT_EQ(app->m_paused, 1);
  EXPECT_EQ(app->m_pauseDir, 1);
  EXPECT_EQ(app->m_pauseY, 240);
}

}  // namespace
