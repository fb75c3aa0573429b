// The audio device heard through OpenAL Soft's wave writer: what a player
// would notice (one-shots end, loops go on, a busy channel is cut, pause,
// suspension, pan, rate, volume, music) and what the game relies on behind
// it (channel states, shared sources, buffers kept while heard, samples kept
// alive by playing). Each test runs in its own process with its own capture
// file; times are seconds of mixed sound, measured with wide margins.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <string>

#include "audio/sound.h"
#include "host/glfw_game.h"
#include "support/audio_capture.h"
#include "support/process.h"
#include "support/xvfb.h"

namespace {

using namespace testing_support;

// A sine at amplitude 0.5 is mixed at about 0.35 per ear when centred.
constexpr double kHeard = 0.05;    // tone level that counts as sounding
constexpr double kSilent = 0.005;  // level that counts as silence

class AudioDevice : public ::testing::Test {
 protected:
  virtual int MaxSources() { return 0; }

  void SetUp() override {
    StartXvfb();
    dir = MakeTempDir("audio-dev");
    capture = AudioCapture(AudioCapture::Configure(dir, MaxSources()));
    host = new RvGlfwGame();
    audio = new gxtkAudio();
    rv_audio_SetAudioDevice(audio);
    ASSERT_NE(audio->alcDevice, nullptr);
    ASSERT_NE(audio->alcContext, nullptr);
  }

  void TearDown() override {
    CloseDevice();
    rv_audio_SetAudioDevice(nullptr);
    delete host;
    std::filesystem::remove_all(dir);
  }

  // Closing the device finishes the capture file.
  void CloseDevice() {
    if (!audio || !audio->alcDevice) return;
    alcMakeContextCurrent(nullptr);
    if (audio->alcContext) alcDestroyContext(audio->alcContext);
    alcCloseDevice(audio->alcDevice);
    audio->alcContext = nullptr;
    audio->alcDevice = nullptr;
  }

  std::string Tone(const std::string& name, int channels, const std::string& synth) {
    std::string path = dir + "/" + name;
    EXPECT_TRUE(MakeSound(path, 44100, channels, 16, synth));
    return path;
  }

  gxtkSample* Load(const std::string& path) {
    gxtkSample* s = audio->LoadSample(String(path.c_str()));
    EXPECT_NE(s, nullptr) << path;
    return s;
  }

  // Waits (in mixed time) until the channel reports `state`; false after
  // `timeout` seconds of wall time.
  bool WaitForState(int channel, int state, double timeout = 10) {
    for (double t = 0; t < timeout; t += 0.02) {
      if (audio->ChannelState(channel) == state) return true;
      SleepSeconds(0.02);
    }
    return false;
  }

  // Finishes the capture and reads it.
  void Hear() {
    CloseDevice();
    ASSERT_TRUE(capture.Load());
  }

  double Level(double hz, double from, double to, int ear = -1) {
    return capture.ToneLevel(hz, from, to, ear);
  }

  // Dead objects are destroyed: two flips, then an allocation larger than
  // everything on the free list.
  void CollectEverything() {
    for (int i = 0; i < 2; ++i) {
      gc_ext_malloced(9 << 20);
      gc_collect();
    }
    Array<int> big(1 << 20);
    (void)big;
  }

  std::string dir;
  AudioCapture capture{""};
  RvGlfwGame* host = nullptr;
  gxtkAudio* audio = nullptr;
};

TEST_F(AudioDevice, OneShotPlaysOnceAndItsChannelEndsByItself) {
  gxtkSample* s = Load(Tone("a.wav", 1, "0.3 sine 440 vol 0.5"));
  double t0 = capture.Now();
  ASSERT_EQ(audio->PlaySample(s, 0, 0), 0);
  EXPECT_EQ(audio->ChannelState(0), 1);
  ASSERT_TRUE(WaitForState(0, 0)) << "a finished one-shot reports 0 without being stopped";
  EXPECT_GE(capture.Now() - t0, 0.2) << "it cannot end before it was heard";
  capture.WaitFor(0.8);
  Hear();

  EXPECT_GT(Level(440, t0 + 0.08, t0 + 0.22), kHeard);
  EXPECT_LT(capture.Rms(t0 + 0.5, capture.Duration()), kSilent) << "played once, not again";
  EXPECT_LT(capture.Rms(0, t0 - 0.05), kSilent);
  // About 0.3 s of sound in all.
  int sounding = 0;
  for (double t = 0; t < capture.Duration(); t += 0.01) sounding += capture.Rms(t, t + 0.01) > kHeard;
  EXPECT_GE(sounding, 20);
  EXPECT_LE(sounding, 40);
}

TEST_F(AudioDevice, LoopingSampleKeepsSoundingUntilStopped) {
  gxtkSample* s = Load(Tone("loop.wav", 1, "0.2 sine 440 vol 0.5"));
  double t0 = capture.Now();
  ASSERT_EQ(audio->PlaySample(s, 2, 1), 0);
  double t1 = capture.WaitFor(1.2);
  EXPECT_EQ(audio->ChannelState(2), 1) << "a loop never ends by itself";
  audio->StopChannel(2);
  EXPECT_EQ(audio->ChannelState(2), 0);
  capture.WaitFor(0.5);
  Hear();

  for (double t = t0 + 0.1; t < t1 - 0.15; t += 0.1) {
    EXPECT_GT(Level(440, t, t + 0.1), kHeard) << "at " << t - t0 << " s";
  }
  EXPECT_LT(capture.Rms(t1 + 0.1, capture.Duration()), kSilent);
}

TEST_F(AudioDevice, PlayingOnABusyChannelCutsTheOldSound) {
  gxtkSample* a = Load(Tone("a.wav", 1, "0.5 sine 440 vol 0.5"));
  gxtkSample* b = Load(Tone("b.wav", 1, "0.3 sine 880 vol 0.5 pad 0 0.5"));
  ASSERT_EQ(audio->PlaySample(a, 3, 1), 0);
  double t1 = capture.WaitFor(0.5);
  ASSERT_EQ(audio->PlaySample(b, 3, 0), 0);
  capture.WaitFor(1.2);
  Hear();

  EXPECT_GT(Level(440, t1 - 0.35, t1 - 0.05), kHeard);
  EXPECT_LT(Level(880, t1 - 0.35, t1 - 0.05), kSilent);
  // The new sound from its beginning (its tone is only in its first 0.3 s),
  // the old one gone at once and for good.
  EXPECT_GT(Level(880, t1 + 0.08, t1 + 0.22), kHeard);
  EXPECT_LT(Level(440, t1 + 0.08, t1 + 0.22), kSilent);
  EXPECT_LT(capture.Rms(t1 + 0.5, capture.Duration()), kSilent);
}

TEST_F(AudioDevice, PauseAndResume) {
  gxtkSample* s = Load(Tone("loop.wav", 1, "0.25 sine 440 vol 0.5"));
  audio->PauseChannel(0);  // nothing to pause yet
  EXPECT_EQ(audio->ChannelState(0), 0);
  ASSERT_EQ(audio->PlaySample(s, 0, 1), 0);
  double t1 = capture.WaitFor(0.4);
  audio->PauseChannel(0);
  EXPECT_EQ(audio->ChannelState(0), 2);
  double t2 = capture.WaitFor(0.5);
  EXPECT_EQ(audio->ChannelState(0), 2);
  audio->ResumeChannel(0);
  EXPECT_EQ(audio->ChannelState(0), 1);
  audio->ResumeChannel(0);  // already playing: nothing
  EXPECT_EQ(audio->ChannelState(0), 1);
  double t3 = capture.WaitFor(0.4);
  audio->StopChannel(0);
  Hear();

  EXPECT_GT(Level(440, t1 - 0.3, t1 - 0.05), kHeard);
  EXPECT_LT(capture.Rms(t1 + 0.1, t2 - 0.05), kSilent);
  EXPECT_GT(Level(440, t2 + 0.1, t3 - 0.05), kHeard);
}

TEST_F(AudioDevice, SuspendAndResumeLeaveGamePausedChannelsPaused) {
  gxtkSample* low = Load(Tone("low.wav", 1, "0.25 sine 440 vol 0.5"));
  gxtkSample* high = Load(Tone("high.wav", 1, "0.25 sine 1000 vol 0.5"));
  ASSERT_EQ(audio->PlaySample(low, 0, 1), 0);
  ASSERT_EQ(audio->PlaySample(high, 1, 1), 0);
  double t0 = capture.WaitFor(0.3);
  audio->PauseChannel(1);  // the game pauses this one itself
  double t1 = capture.WaitFor(0.3);
  audio->Suspend();
  EXPECT_EQ(audio->ChannelState(0), 1) << "suspension keeps the stored state";
  EXPECT_EQ(audio->ChannelState(1), 2);
  double t2 = capture.WaitFor(0.4);
  audio->Resume();
  EXPECT_EQ(audio->ChannelState(0), 1);
  EXPECT_EQ(audio->ChannelState(1), 2);
  double t3 = capture.WaitFor(0.4);
  audio->ResumeChannel(1);
  double t4 = capture.WaitFor(0.4);
  Hear();

  EXPECT_GT(Level(1000, t0 - 0.25, t0 - 0.05), kHeard);
  EXPECT_GT(Level(440, t0 + 0.1, t1 - 0.05), kHeard);
  EXPECT_LT(Level(1000, t0 + 0.1, t1 - 0.05), kSilent);
  EXPECT_LT(capture.Rms(t1 + 0.1, t2 - 0.05), kSilent) << "suspended: silence";
  EXPECT_GT(Level(440, t2 + 0.1, t3 - 0.05), kHeard) << "resumed";
  EXPECT_LT(Level(1000, t2 + 0.1, t3 - 0.05), kSilent) << "still paused by the game";
  EXPECT_GT(Level(1000, t3 + 0.1, t4 - 0.05), kHeard);
  EXPECT_GT(Level(440, t3 + 0.1, t4 - 0.05), kHeard);
}

TEST_F(AudioDevice, PanVolumeAndRateApplyToWhatPlays) {
  gxtkSample* s = Load(Tone("loop.wav", 1, "0.25 sine 440 vol 0.5"));
  ASSERT_EQ(audio->PlaySample(s, 5, 1), 0);
  audio->SetPan(5, 1);
  double a = capture.WaitFor(0.4);
  audio->SetPan(5, -1);
  double b = capture.WaitFor(0.4);
  audio->SetPan(5, 0);
  double c = capture.WaitFor(0.4);
  audio->SetVolume(5, 0.25f);
  double d = capture.WaitFor(0.4);
  audio->SetVolume(5, 1);
  audio->SetRate(5, 2);
  double e = capture.WaitFor(0.4);
  Hear();

  double right = capture.Rms(a - 0.25, a - 0.05, 1), left = capture.Rms(a - 0.25, a - 0.05, 0);
  EXPECT_GT(right, 4 * left) << "pan 1 is on the right";
  right = capture.Rms(b - 0.25, b - 0.05, 1), left = capture.Rms(b - 0.25, b - 0.05, 0);
  EXPECT_GT(left, 4 * right) << "pan -1 is on the left";
  double centre_l = capture.Rms(c - 0.25, c - 0.05, 0), centre_r = capture.Rms(c - 0.25, c - 0.05, 1);
  EXPECT_NEAR(centre_l / centre_r, 1.0, 0.2) << "pan 0 is in the middle";
  double quiet = capture.Rms(d - 0.25, d - 0.05);
  EXPECT_NEAR(quiet / capture.Rms(c - 0.25, c - 0.05), 0.25, 0.08) << "volume 0.25";
  EXPECT_GT(Level(880, e - 0.25, e - 0.05), kHeard) << "rate 2 doubles the pitch";
  EXPECT_LT(Level(440, e - 0.25, e - 0.05), kSilent);
}

TEST_F(AudioDevice, SettingsGivenBeforePlayingStayWithTheChannel) {
  gxtkSample* s = Load(Tone("a.wav", 1, "0.25 sine 440 vol 0.5"));
  audio->SetVolume(7, 0);  // the channel gets its source here
  double t0 = capture.Now();
  ASSERT_EQ(audio->PlaySample(s, 7, 1), 0);
  capture.WaitFor(0.5);
  Hear();
  EXPECT_LT(capture.Rms(t0, capture.Duration()), kSilent);
}

TEST_F(AudioDevice, MusicPlaysOnItsOwnChannelAndAMissingFileStopsIt) {
  std::string wav = Tone("tune.wav", 2, "0.5 sine 330 sine 330 vol 0.5");
  std::string ogg = dir + "/tune.ogg";
  ASSERT_EQ(RunCommand({"oggenc", "-Q", "-o", ogg, wav}).exit_code, 0);
  gxtkSample* blip = Load(Tone("blip.wav", 1, "0.1 sine 1000 vol 0.02"));
  // The tune is streamed: it needs its update while time passes.
  auto pump = [&](double seconds) {
    double end = capture.Now() + seconds;
    while (capture.Now() < end) {
      audio->UpdateMusic();
      capture.WaitFor(0.02);
    }
    return capture.Now();
  };

  ASSERT_EQ(audio->PlayMusic(String(ogg.c_str()), 1), 0);
  EXPECT_EQ(audio->MusicState(), 1);
  for (int ch = 0; ch < 32; ++ch) audio->PlaySample(blip, ch, 0);  // effects leave it alone
  double t1 = pump(0.7);
  audio->PauseMusic();
  EXPECT_EQ(audio->MusicState(), 2);
  double t2 = pump(0.4);
  audio->ResumeMusic();
  EXPECT_EQ(audio->MusicState(), 1);
  audio->SetMusicVolume(0.5f);
  double t3 = pump(0.4);
  EXPECT_EQ(audio->PlayMusic(String((dir + "/missing.ogg").c_str()), 1), -1);
  EXPECT_EQ(audio->MusicState(), 0) << "the old tune was stopped first";
  pump(0.5);
  Hear();

  EXPECT_GT(Level(330, t1 - 0.4, t1 - 0.05), kHeard);
  EXPECT_LT(capture.Rms(t1 + 0.1, t2 - 0.05), kSilent);
  double full = Level(330, t1 - 0.4, t1 - 0.05), half = Level(330, t2 + 0.1, t3 - 0.05);
  EXPECT_NEAR(half / full, 0.5, 0.1);
  EXPECT_LT(capture.Rms(t3 + 0.1, capture.Duration()), kSilent);
}

TEST_F(AudioDevice, DiscardedBuffersLiveUntilTheirChannelStops) {
  gxtkSample* loop = Load(Tone("loop.wav", 1, "0.25 sine 440 vol 0.5"));
  gxtkSample* once = Load(Tone("once.wav", 1, "0.3 sine 1000 vol 0.5"));
  std::string other_path = Tone("other.wav", 1, "0.05 sine 660 vol 0.1");
  ALuint loop_buffer = loop->al_buffer, once_buffer = once->al_buffer;
  ASSERT_EQ(audio->PlaySample(loop, 0, 1), 0);
  ASSERT_EQ(audio->PlaySample(once, 1, 0), 0);
  double t0 = capture.WaitFor(0.1);
  loop->Discard();
  once->Discard();
  EXPECT_EQ(loop->al_buffer, 0u);

  // Loading and playing flush the list: both buffers are still in use.
  gxtkSample* other = Load(other_path);
  EXPECT_TRUE(alIsBuffer(loop_buffer));
  EXPECT_TRUE(alIsBuffer(once_buffer));

  // The one-shot ends by itself: the next flush deletes its buffer.
  ASSERT_TRUE(WaitForState(1, 0));
  audio->PlaySample(other, 2, 0);
  EXPECT_FALSE(alIsBuffer(once_buffer));
  EXPECT_TRUE(alIsBuffer(loop_buffer));
  double t1 = capture.WaitFor(0.3);

  // The game stops the loop: the next flush deletes that one too.
  audio->StopChannel(0);
  audio->PlaySample(other, 2, 0);
  EXPECT_FALSE(alIsBuffer(loop_buffer));
  capture.WaitFor(0.3);
  Hear();
  EXPECT_GT(Level(440, t0 + 0.05, t1 - 0.05), kHeard) << "the discarded loop went on sounding";
}

TEST_F(AudioDevice, ASampleBeingHeardOutlivesEveryOtherReference) {
  gxtkSample* kept = Load(Tone("loop.wav", 1, "0.25 sine 440 vol 0.5"));
  gxtkSample* paused = Load(Tone("paused.wav", 1, "0.25 sine 660 vol 0.5"));
  gxtkSample* ended = Load(Tone("end.wav", 1, "0.05 sine 1000 vol 0.5"));
  // A silent loop, alive because it plays: replaying it flushes the
  // discarded buffers without making a new one (OpenAL reuses names).
  gxtkSample* anchor = Load(Tone("anchor.wav", 1, "0.05 sine 660 vol 0.1"));
  ALuint kept_buffer = kept->al_buffer, paused_buffer = paused->al_buffer,
         ended_buffer = ended->al_buffer;
  audio->SetVolume(8, 0);
  ASSERT_EQ(audio->PlaySample(anchor, 8, 1), 0);
  ASSERT_EQ(audio->PlaySample(kept, 4, 1), 0);
  ASSERT_EQ(audio->PlaySample(paused, 5, 1), 0);
  audio->PauseChannel(5);
  ASSERT_EQ(audio->PlaySample(ended, 6, 0), 0);
  capture.WaitFor(0.3);  // the short one has run out; nobody asked yet

  // Nothing but the channels refers to the samples now.
  long long destroyed = gc_stats.objects_destroyed;
  CollectEverything();
  EXPECT_EQ(gc_stats.objects_destroyed - destroyed, 1) << "only the finished sample went";
  EXPECT_EQ(kept->al_buffer, kept_buffer) << "the playing sample is alive and whole";
  EXPECT_EQ(paused->al_buffer, paused_buffer) << "a paused sample is alive too";
  // The finished one was collected: its buffer goes with the next flush.
  audio->PlaySample(anchor, 8, 1);
  EXPECT_FALSE(alIsBuffer(ended_buffer));
  EXPECT_TRUE(alIsBuffer(kept_buffer));
  EXPECT_TRUE(alIsBuffer(paused_buffer));
  double t1 = capture.WaitFor(0.3);

  // Once stopped, the other two are collected and their buffers deleted.
  audio->StopChannel(4);
  audio->StopChannel(5);
  CollectEverything();
  audio->PlaySample(anchor, 8, 1);
  EXPECT_FALSE(alIsBuffer(kept_buffer));
  EXPECT_FALSE(alIsBuffer(paused_buffer));
  Hear();
  EXPECT_GT(Level(440, t1 - 0.25, t1 - 0.05), kHeard);
}

TEST_F(AudioDevice, ChannelNumbersOutsideTheRangeAreIgnored) {
  gxtkSample* s = Load(Tone("a.wav", 1, "0.25 sine 440 vol 0.5"));
  double t0 = capture.Now();
  for (int ch : {33, 34, -1, 1000, INT_MAX, INT_MIN}) {
    SCOPED_TRACE(ch);
    EXPECT_EQ(audio->PlaySample(s, ch, 1), -1);
    EXPECT_EQ(audio->ChannelState(ch), 0);
    audio->SetVolume(ch, 1);
    audio->SetPan(ch, 1);
    audio->SetRate(ch, 1);
    audio->PauseChannel(ch);
    audio->ResumeChannel(ch);
    audio->StopChannel(ch);
    EXPECT_EQ(audio->ChannelState(ch), 0);
  }
  double t1 = capture.WaitFor(0.4);
  EXPECT_EQ(audio->PlaySample(nullptr, 0, 0), -1);
  // The edges of the range work.
  EXPECT_EQ(audio->PlaySample(s, 0, 1), 0);
  EXPECT_EQ(audio->PlaySample(s, 32, 1), 0);
  EXPECT_EQ(audio->ChannelState(32), 1);
  capture.WaitFor(0.3);
  Hear();
  EXPECT_LT(capture.Rms(t0, t1 - 0.05), kSilent);
}

TEST_F(AudioDevice, SoundModuleLoadsAndPlays) {
  std::string path = Tone("a.wav", 1, "0.3 sine 440 vol 0.5");
  EXPECT_EQ(rv_audio_LoadSound(String((dir + "/missing.wav").c_str())), nullptr);
  c_Sound* sound = rv_audio_LoadSound(String(path.c_str()));
  ASSERT_NE(sound, nullptr);
  ASSERT_NE(sound->m_sample, nullptr);
  rv_audio_PlaySound(nullptr, 0, 0);  // ignored
  c_Sound* empty = (new c_Sound())->m_new2();
  rv_audio_PlaySound(empty, 0, 0);  // ignored
  EXPECT_EQ(audio->ChannelState(0), 0);

  double t0 = capture.Now();
  rv_audio_PlaySound(sound, 9, 1);
  rv_audio_SetChannelPan(9, 1);
  rv_audio_SetChannelRate(9, 2);
  rv_audio_SetChannelVolume(9, 0.5f);
  EXPECT_EQ(audio->ChannelState(9), 1);
  double t1 = capture.WaitFor(0.4);
  rv_audio_StopChannel(9);
  EXPECT_EQ(audio->ChannelState(9), 0);

  EXPECT_EQ(rv_audio_PlayMusic(String(path.c_str()), 1), 0);
  EXPECT_EQ(audio->MusicState(), 1);
  rv_audio_PauseMusic();
  EXPECT_EQ(audio->MusicState(), 2);
  rv_audio_ResumeMusic();
  EXPECT_EQ(audio->MusicState(), 1);
  rv_audio_StopMusic();
  EXPECT_EQ(audio->MusicState(), 0);
  EXPECT_EQ(rv_audio_PlayMusic(String((dir + "/missing.ogg").c_str()), 1), -1);
  Hear();
  EXPECT_GT(Level(880, t0 + 0.1, t1 - 0.05, 1), kHeard / 2);
  EXPECT_LT(Level(880, t0 + 0.1, t1 - 0.05, 0), Level(880, t0 + 0.1, t1 - 0.05, 1) / 4);
}

// OpenAL Soft limited to four sources: the music channel holds one, three
// effect channels get the others, and further channels borrow from idle ones.
class AudioDeviceFewSources : public AudioDevice {
 protected:
  int MaxSources() override { return 4; }
};

TEST_F(AudioDeviceFewSources, IdleChannelsLendTheirSourcesAndBusyOnesKeepThem) {
  gxtkSample* blip = Load(Tone("blip.wav", 1, "0.05 sine 1000 vol 0.5"));
  gxtkSample* loop = Load(Tone("loop.wav", 1, "0.25 sine 440 vol 0.5"));
  for (int ch = 0; ch < 3; ++ch) ASSERT_EQ(audio->PlaySample(blip, ch, 0), 0);
  for (int ch = 0; ch < 3; ++ch) ASSERT_TRUE(WaitForState(ch, 0));

  // Channel 3 has no source of its own and OpenAL makes no more.
  double t0 = capture.Now();
  EXPECT_EQ(audio->PlaySample(loop, 3, 1), 0);
  EXPECT_EQ(audio->channels[0].source, 0u) << "the first idle channel lent its source";
  EXPECT_EQ(audio->PlaySample(loop, 10, 1), 0);
  EXPECT_EQ(audio->channels[1].source, 0u);
  EXPECT_EQ(audio->PlaySample(loop, 11, 1), 0);

  // Every source busy now (the music channel never lends its own).
  EXPECT_EQ(audio->PlaySample(blip, 20, 0), -1);
  EXPECT_EQ(audio->ChannelState(20), 0);
  audio->SetVolume(21, 0.5f);  // no source to be had: harmless
  double t1 = capture.WaitFor(0.4);
  Hear();
  EXPECT_GT(Level(440, t0 + 0.1, t1 - 0.05), kHeard);
  EXPECT_LT(Level(1000, t0 + 0.1, t1 - 0.05), kSilent);
}

}  // namespace
