// The game's sounds on a real OpenAL device: slot file names, the rotation
// over 24 effect channels, gating by the sound mode, tunes remembered while
// music is off, music following the pause, and the logo jingle heard once
// (through OpenAL Soft's wave writer).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "audio/sound.h"
#include "game/globals.h"
#include "support/audio_capture.h"
#include "support/game_rig.h"

namespace {

using namespace testing_support;

bool Requested(const GameRig& rig, const std::string& path) {
  const auto& paths = rig.Host()->dataPaths;
  return std::find(paths.begin(), paths.end(), path) != paths.end();
}

gxtkSample* OnChannel(int channel) { return rv_audio_device->channels[channel].sample; }

TEST(GameCoreSound, SlotsNameTheirFilesInThreeDigits) {
  GameRig rig;
  c_MyApp* app = rig.App();
  rig.Host()->dataPaths.clear();
  app->p_LoadSFX(7);
  EXPECT_TRUE(Requested(rig, "sfx/007.wav"));
  EXPECT_NE(app->m_sounds[7], nullptr);
  app->p_LoadSFX(42);  // no such file: the slot stays empty
  EXPECT_TRUE(Requested(rig, "sfx/042.wav"));
  EXPECT_EQ(app->m_sounds[42], nullptr);
  app->p_LoadSFX(96);
  EXPECT_TRUE(Requested(rig, "sfx/096.wav"));
  // A slot is emptied before it is loaded again.
  app->p_LoadSFX(7);
  c_Sound* seven = app->m_sounds[7];
  EXPECT_NE(seven, nullptr);
  rig.Host()->dataPaths.clear();
  app->p_LoadSFX(100);  // not a slot
  app->p_LoadSFX(-1);
  EXPECT_TRUE(rig.Host()->dataPaths.empty());
}

TEST(GameCoreSound, EffectsRotateOver24ChannelsOldestFirst) {
  GameRig rig;
  c_MyApp* app = rig.App();
  rig.RunUntilLoaded();
  // The logo jingle was the first effect: channel 1.
  ASSERT_EQ(app->m_jinglePlayed, 1);
  EXPECT_EQ(app->m_sfxChannel, 1);
  gxtkSample* jingle = app->m_sounds[96]->m_sample;
  gxtkSample* blip = app->m_sounds[99]->m_sample;
  EXPECT_EQ(OnChannel(1), jingle);
  // Looped, so that it still sounds below however long loading took.
  rv_audio_device->PlaySample(jingle, 1, 1);
  // 23 more effects use channels 2..23, then 0; the 25th takes channel 1
  // from the jingle, which still sounds.
  const int expected[] = {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13,
                          14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 0};
  for (int c : expected) {
    app->p_PlaySFX(99, 1.5f, 0.5f, 0);
    EXPECT_EQ(app->m_sfxChannel, c);
    EXPECT_EQ(OnChannel(c), blip) << c;
  }
  EXPECT_EQ(OnChannel(1), jingle);
  EXPECT_EQ(rv_audio_device->ChannelState(1), 1);
  app->p_PlaySFX(99, 1);
  EXPECT_EQ(app->m_sfxChannel, 1);
  EXPECT_EQ(OnChannel(1), blip);
  for (int c = 24; c < 32; ++c) EXPECT_EQ(OnChannel(c), nullptr) << c;
  // An empty slot plays nothing and takes no channel.
  app->p_PlaySFX(42, 1);
  app->p_PlaySFX(-5, 1);
  EXPECT_EQ(app->m_sfxChannel, 1);
}

TEST(GameCoreSound, TheSoundModeGatesEffectsAndMusic) {
  GameRig rig;
  c_MyApp* app = rig.App();
  rig.RunUntilLoaded();
  struct Case {
    int mode;
    bool effects, music;
  };
  const Case cases[] = {{0, false, false}, {1, true, true}, {2, true, false}, {3, false, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    app->p_StopTune();
    app->m_settings[5] = c.mode;
    int before = app->m_sfxChannel;
    app->p_PlaySFX(5, 1);
    EXPECT_EQ(app->m_sfxChannel != before, c.effects);
    app->p_PlayTune(String("artichoke"), 1);
    EXPECT_EQ(app->m_musicOn, c.music ? 1 : 0);
    EXPECT_EQ(rv_audio_device->MusicState(), c.music ? 1 : 0);
    EXPECT_EQ(app->m_tuneName, String("artichoke"));  // remembered either way
  }
  app->p_StopTune();
  EXPECT_EQ(app->m_musicOn, 0);
  EXPECT_EQ(rv_audio_device->MusicState(), 0);
}

TEST(GameCoreSound, TheLastTuneStartsAgainWhenMusicIsTurnedOn) {
  GameRig rig;
  c_MyApp* app = rig.App();
  rig.RunUntilLoaded();
  // Loading reads no tune: a tune is streamed from its file when it starts.
  for (const char* tune : {"testmusic", "artichoke", "broccoli", "horseraddish"}) {
    EXPECT_FALSE(Requested(rig, std::string("sfx/") + tune + ".ogg")) << tune;
  }
  rig.Host()->dataPaths.clear();
  // Before any tune "-1" does nothing.
  app->p_PlayTune(String("-1"), 1);
  EXPECT_EQ(app->m_musicOn, 0);
  EXPECT_TRUE(app->m_tuneName.Empty());
  EXPECT_TRUE(rig.Host()->dataPaths.empty());

  app->m_settings[5] = 2;  // effects only
  app->p_PlayTune(String("broccoli"), 1);
  EXPECT_EQ(app->m_musicOn, 0);
  EXPECT_TRUE(rig.Host()->dataPaths.empty());
  app->m_settings[5] = 1;
  app->p_PlayTune(String("-1"), 1);
  EXPECT_EQ(app->m_musicOn, 1);
  EXPECT_EQ(rv_audio_device->MusicState(), 1);
  EXPECT_EQ(rig.Host()->dataPaths, std::vector<std::string>{"sfx/broccoli.ogg"})
      << "the tune remembered was broccoli";

  // Without a music stream no tune starts at all.
  app->p_StopTune();
  rv_Quenmor_HasMusicStream = 0;
  app->p_PlayTune(String("artichoke"), 1);
  EXPECT_EQ(app->m_musicOn, 0);
  EXPECT_EQ(app->m_tuneName, String("broccoli"));
}

TEST(GameCoreSound, MusicPausesWithTheGame) {
  GameRig rig;
  c_MyApp* app = rig.App();
  rig.RunUntilLoaded();
  app->p_PlayTune(String("horseraddish"), 1);
  rig.Step();
  EXPECT_EQ(rv_audio_device->MusicState(), 1);
  app->m_paused = 1;
  rig.Step();
  EXPECT_EQ(rv_audio_device->MusicState(), 2);
  rig.Step();
  EXPECT_EQ(rv_audio_device->MusicState(), 2);
  app->m_paused = 0;
  rig.Step();
  EXPECT_EQ(rv_audio_device->MusicState(), 1);
}

TEST(GameCoreSound, TheLogoJingleIsHeardOnce) {
  RigOptions options;
  options.captureSound = true;
  GameRig rig(options);
  AudioCapture capture(rig.CapturePath());
  while (rig.App()->m_jinglePlayed == 0 && rig.App()->m_loadStage != 0) rig.Step();
  ASSERT_EQ(rig.App()->m_jinglePlayed, 1);
  const double start = capture.Now();  // the mixer's clock when it started
  rig.RunUntilLoaded();
  // The mixer runs in real time: let it write the whole jingle (1.9 s) and more.
  capture.WaitFor(start + 3.0 - capture.Now());
  ASSERT_TRUE(capture.Load());
  EXPECT_GT(capture.Rms(start, start + 1.7), 0.01);
  EXPECT_LT(capture.Rms(start + 2.2, start + 2.9), 0.0005);
  // A reload at a new size does not play it again.
  rig.Host()->SetGlfwWindow(800, 600, 8, 8, 8, 0, 0, 0, false);
  const double resized = capture.Now();
  rig.RunUntilLoaded();
  rig.Step(10);
  capture.WaitFor(resized + 2.0 - capture.Now());
  ASSERT_TRUE(capture.Load());
  EXPECT_LT(capture.Rms(resized, resized + 2.0), 0.0005);
  EXPECT_EQ(rig.App()->m_sfxChannel, 1);
}

}  // namespace
