// Without any OpenAL device (as on a machine with no sound card): the
// start-up messages are printed and the game goes on; every device and
// sound-module call is harmless and says nothing plays.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "audio/sound.h"
#include "host/glfw_game.h"
#include "support/audio_capture.h"
#include "support/process.h"
#include "support/xvfb.h"

namespace {

using namespace testing_support;

class AudioNoDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    StartXvfb();
    DisableAudioBackends();
    dir = MakeTempDir("audio-none");
    host = new RvGlfwGame();
  }
  void TearDown() override {
    rv_audio_SetAudioDevice(nullptr);
    delete host;
    std::filesystem::remove_all(dir);
  }
  std::string dir;
  RvGlfwGame* host = nullptr;
};

TEST_F(AudioNoDevice, MessagesArePrintedAndEveryCallIsHarmless) {
  std::string wav = dir + "/a.wav", ogg = dir + "/a.ogg";
  ASSERT_TRUE(MakeSound(wav, 22050, 1, 16, "0.2 sine 440"));
  ASSERT_EQ(RunCommand({"oggenc", "-Q", "-o", ogg, wav}).exit_code, 0);

  testing::internal::CaptureStdout();
  gxtkAudio* audio = new gxtkAudio();
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, std::string(audio_messages::kOpening) + "\n" + audio_messages::kOpenFailed + "\n");
  EXPECT_EQ(audio->alcDevice, nullptr);
  EXPECT_EQ(gxtkAudio::audio, audio);
  rv_audio_SetAudioDevice(audio);

  // The file still decodes; the sample simply has no buffer to play.
  gxtkSample* s = audio->LoadSample(String(wav.c_str()));
  ASSERT_NE(s, nullptr);
  for (int ch : {0, 5, 31, 32, 33, -1}) {
    SCOPED_TRACE(ch);
    EXPECT_EQ(audio->PlaySample(s, ch, 1), -1);
    EXPECT_EQ(audio->ChannelState(ch), 0);
    audio->SetVolume(ch, 0.5f);
    audio->SetPan(ch, 1);
    audio->SetRate(ch, 2);
    audio->PauseChannel(ch);
    audio->ResumeChannel(ch);
    audio->StopChannel(ch);
    EXPECT_EQ(audio->ChannelState(ch), 0);
  }
  audio->Suspend();
  audio->Resume();
  EXPECT_EQ(audio->PlayMusic(String(ogg.c_str()), 1), 0);
  EXPECT_EQ(audio->MusicState(), 0);
  EXPECT_EQ(audio->PlayMusic(String((dir + "/missing.ogg").c_str()), 1), -1);
  audio->PauseMusic();
  audio->ResumeMusic();
  audio->SetMusicVolume(0.5f);
  audio->StopMusic();
  s->Discard();
  EXPECT_NE(audio->LoadSample(String(wav.c_str())), nullptr);

  c_Sound* sound = rv_audio_LoadSound(String(wav.c_str()));
  ASSERT_NE(sound, nullptr);
  rv_audio_PlaySound(sound, 3, 0);
  rv_audio_SetChannelVolume(3, 1);
  rv_audio_SetChannelPan(3, 0);
  rv_audio_SetChannelRate(3, 1);
  rv_audio_StopChannel(3);
  EXPECT_EQ(rv_audio_PlayMusic(String((dir + "/missing.ogg").c_str()), 0), -1);
  rv_audio_PauseMusic();
  rv_audio_ResumeMusic();
  rv_audio_StopMusic();

  // Collection with nothing playing: every sample may go.
  for (int i = 0; i < 2; ++i) {
    gc_ext_malloced(9 << 20);
    gc_collect();
  }
  Array<int> big(1 << 20);
  (void)big;
  EXPECT_EQ(audio->PlaySample(audio->LoadSample(String(wav.c_str())), 0, 0), -1);
}

TEST_F(AudioNoDevice, SoundModuleWithoutADeviceDoesNothing) {
  std::string wav = dir + "/a.wav";
  ASSERT_TRUE(MakeSound(wav, 22050, 1, 16, "0.1 sine 440"));
  EXPECT_EQ(rv_audio_LoadSound(String(wav.c_str())), nullptr);
  EXPECT_EQ(rv_audio_PlayMusic(String(wav.c_str()), 0), -1);
  rv_audio_PlaySound(nullptr, 0, 0);
  rv_audio_StopChannel(0);
  rv_audio_SetChannelVolume(0, 1);
  rv_audio_SetChannelPan(0, 1);
  rv_audio_SetChannelRate(0, 1);
  rv_audio_StopMusic();
  rv_audio_PauseMusic();
  rv_audio_ResumeMusic();
}

}  // namespace
