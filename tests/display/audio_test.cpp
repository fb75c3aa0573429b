// The audio device heard through OpenAL Soft's wave writer (one-shots end,
// loops go on, a busy channel is cut, pause, suspension, pan, rate, volume,
// music, buffers kept while heard), the device missing altogether, and the
// game's sounds. Times are seconds of mixed sound, with wide margins.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "audio/sound.h"
#include "game/globals.h"
#include "support/audio_capture.h"
#include "support/game_rig.h"

namespace {

using namespace testing_support;

constexpr double kHeard = 0.05;    // a centred 0.5 sine mixes at about 0.35
constexpr double kSilent = 0.005;

class Audio : public ::testing::Test {
 protected:
  void SetUp() override {
    capture = AudioCapture(AudioCapture::Configure(dir, MaxSources()));
    host = new TestHost();
    audio = new gxtkAudio();
    rv_audio_SetAudioDevice(audio);
    ASSERT_NE(audio->alcContext, nullptr);
  }
  void TearDown() override { Close(); }
  virtual int MaxSources() { return 0; }
  void Close() {  // finishes the capture file
    if (!audio->alcDevice) return;
    alcMakeContextCurrent(nullptr);
    alcDestroyContext(audio->alcContext);
    alcCloseDevice(audio->alcDevice);
    audio->alcContext = nullptr;
    audio->alcDevice = nullptr;
  }
  gxtkSample* Tone(const std::string& name, const std::string& synth, int channels = 1) {
    MakeSound(dir + "/" + name, 44100, channels, 16, synth);
    gxtkSample* s = audio->LoadSample(String((dir + "/" + name).c_str()));
    EXPECT_NE(s, nullptr) << name;
    return s;
  }
  bool StateBecomes(int channel, int state) {
    return WaitUntil([&] { return audio->ChannelState(channel) == state; }, 10);
  }
  void Hear() {
    Close();
    ASSERT_TRUE(capture.Load());
  }
  double Level(double hz, double from, double to, int ear = -1) { return capture.ToneLevel(hz, from, to, ear); }

  std::string dir = TempDir();
  AudioCapture capture{""};
  TestHost* host = nullptr;
  gxtkAudio* audio = nullptr;
};

TEST_F(Audio, AOneShotPlaysOnceAndItsChannelEndsByItself) {
  gxtkSample* s = Tone("a.wav", "0.3 sine 440 vol 0.5");
  double t0 = capture.Now();
  ASSERT_EQ(audio->PlaySample(s, 0, 0), 0);
  EXPECT_EQ(audio->ChannelState(0), 1);
  ASSERT_TRUE(StateBecomes(0, 0)) << "a finished one-shot reports 0 without being stopped";
  EXPECT_GE(capture.Now() - t0, 0.2) << "it cannot end before it was heard";
  capture.WaitFor(0.8);
  Hear();
  EXPECT_GT(Level(440, t0 + 0.08, t0 + 0.22), kHeard);
  EXPECT_LT(capture.Rms(t0 + 0.5, capture.Duration()), kSilent) << "played once, not again";
  int sounding = 0;  // hundredths of a second
  for (double t = 0; t < capture.Duration(); t += 0.01) sounding += capture.Rms(t, t + 0.01) > kHeard;
  EXPECT_GE(sounding, 20);
  EXPECT_LE(sounding, 40);
}

TEST_F(Audio, ALoopSoundsUntilStoppedAndABusyChannelCutsItAtOnce) {
  gxtkSample* loop = Tone("loop.wav", "0.2 sine 440 vol 0.5");
  gxtkSample* next = Tone("b.wav", "0.3 sine 880 vol 0.5 pad 0 0.5");
  double t0 = capture.Now();
  ASSERT_EQ(audio->PlaySample(loop, 3, 1), 0);
  double t1 = capture.WaitFor(1.2);
  EXPECT_EQ(audio->ChannelState(3), 1) << "a loop never ends by itself";
  ASSERT_EQ(audio->PlaySample(next, 3, 0), 0);
  double t2 = capture.WaitFor(0.8);
  ASSERT_EQ(audio->PlaySample(loop, 4, 1), 0);
  double t3 = capture.WaitFor(0.4);
  audio->StopChannel(4);
  EXPECT_EQ(audio->ChannelState(4), 0);
  capture.WaitFor(0.4);
  Hear();
  for (double t = t0 + 0.1; t < t1 - 0.15; t += 0.1) EXPECT_GT(Level(440, t, t + 0.1), kHeard) << t - t0;
  EXPECT_GT(Level(880, t1 + 0.08, t1 + 0.22), kHeard) << "the new sound from its start";
  EXPECT_LT(Level(440, t1 + 0.08, t1 + 0.22), kSilent) << "the old one gone at once";
  EXPECT_LT(capture.Rms(t1 + 0.5, t2 - 0.05), kSilent);
  EXPECT_GT(Level(440, t2 + 0.1, t3 - 0.05), kHeard);
  EXPECT_LT(capture.Rms(t3 + 0.1, capture.Duration()), kSilent) << "stopped";
}

TEST_F(Audio, PauseSuspendAndResumeKeepWhatTheGamePaused) {
  gxtkSample* low = Tone("low.wav", "0.25 sine 440 vol 0.5");
  gxtkSample* high = Tone("high.wav", "0.25 sine 1000 vol 0.5");
  audio->PauseChannel(0);  // nothing to pause yet
  EXPECT_EQ(audio->ChannelState(0), 0);
  ASSERT_EQ(audio->PlaySample(low, 0, 1), 0);
  ASSERT_EQ(audio->PlaySample(high, 1, 1), 0);
  double t0 = capture.WaitFor(0.3);
  audio->PauseChannel(1);  // the game pauses this one itself
  EXPECT_EQ(audio->ChannelState(1), 2);
  double t1 = capture.WaitFor(0.3);
  audio->Suspend();
  EXPECT_EQ(audio->ChannelState(0), 1) << "suspension keeps the stored state";
  double t2 = capture.WaitFor(0.4);
  audio->Resume();
  EXPECT_EQ(audio->ChannelState(1), 2);
  double t3 = capture.WaitFor(0.4);
  audio->ResumeChannel(1);
  audio->ResumeChannel(1);  // already playing: nothing
  EXPECT_EQ(audio->ChannelState(1), 1);
  double t4 = capture.WaitFor(0.4);
  Hear();
  EXPECT_GT(Level(1000, t0 - 0.25, t0 - 0.05), kHeard);
  EXPECT_GT(Level(440, t0 + 0.1, t1 - 0.05), kHeard);
  EXPECT_LT(Level(1000, t0 + 0.1, t1 - 0.05), kSilent);
  EXPECT_LT(capture.Rms(t1 + 0.1, t2 - 0.05), kSilent) << "suspended: silence";
  EXPECT_GT(Level(440, t2 + 0.1, t3 - 0.05), kHeard) << "resumed";
  EXPECT_LT(Level(1000, t2 + 0.1, t3 - 0.05), kSilent) << "still paused by the game";
  EXPECT_GT(Level(1000, t3 + 0.1, t4 - 0.05), kHeard);
}

TEST_F(Audio, PanVolumeAndRateApplyToWhatPlaysAndWhatWillPlay) {
  gxtkSample* s = Tone("loop.wav", "0.25 sine 440 vol 0.5");
  audio->SetVolume(7, 0);  // before playing: the channel keeps it
  ASSERT_EQ(audio->PlaySample(s, 7, 1), 0);
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
  auto ear = [&](double t, int ch) { return capture.Rms(t - 0.25, t - 0.05, ch); };
  EXPECT_GT(ear(a, 1), 4 * ear(a, 0)) << "pan 1 is on the right";
  EXPECT_GT(ear(b, 0), 4 * ear(b, 1)) << "pan -1 is on the left";
  EXPECT_NEAR(ear(c, 0) / ear(c, 1), 1.0, 0.2) << "pan 0 in the middle";
  EXPECT_NEAR(ear(d, -1) / ear(c, -1), 0.25, 0.08) << "volume 0.25";
  EXPECT_GT(Level(880, e - 0.25, e - 0.05), kHeard) << "rate 2 doubles the pitch";
  EXPECT_LT(Level(440, e - 0.25, e - 0.05), kSilent);
}

TEST_F(Audio, MusicPlaysOnItsOwnChannelAndAMissingFileStopsIt) {
  MakeSound(dir + "/tune.wav", 44100, 2, 16, "0.5 sine 330 sine 330 vol 0.5");
  ASSERT_TRUE(RunTool({"oggenc", "-Q", "-o", dir + "/tune.ogg", dir + "/tune.wav"}));
  gxtkSample* blip = Tone("blip.wav", "0.1 sine 1000 vol 0.02");
  ASSERT_EQ(rv_audio_PlayMusic(String((dir + "/tune.ogg").c_str()), 1), 0);
  for (int ch = 0; ch < 32; ++ch) audio->PlaySample(blip, ch, 0);  // effects leave it alone
  double t1 = capture.WaitFor(0.7);
  rv_audio_PauseMusic();
  EXPECT_EQ(audio->MusicState(), 2);
  double t2 = capture.WaitFor(0.4);
  rv_audio_ResumeMusic();
  EXPECT_EQ(audio->MusicState(), 1);
  audio->SetMusicVolume(0.5f);
  double t3 = capture.WaitFor(0.4);
  EXPECT_EQ(rv_audio_PlayMusic(String((dir + "/missing.ogg").c_str()), 1), -1);
  EXPECT_EQ(audio->MusicState(), 0) << "the old tune was stopped first";
  capture.WaitFor(0.5);
  Hear();
  double full = Level(330, t1 - 0.4, t1 - 0.05);
  EXPECT_GT(full, kHeard);
  EXPECT_LT(capture.Rms(t1 + 0.1, t2 - 0.05), kSilent);
  EXPECT_NEAR(Level(330, t2 + 0.1, t3 - 0.05) / full, 0.5, 0.1);
  EXPECT_LT(capture.Rms(t3 + 0.1, capture.Duration()), kSilent);
}

TEST_F(Audio, SamplesAndBuffersLiveWhileTheyAreHeard) {
  gxtkSample* loop = Tone("loop.wav", "0.25 sine 440 vol 0.5");
  gxtkSample* paused = Tone("paused.wav", "0.25 sine 660 vol 0.5");
  gxtkSample* ended = Tone("end.wav", "0.05 sine 1000 vol 0.5");
  gxtkSample* discarded = Tone("once.wav", "0.3 sine 1000 vol 0.5");
  // A silent loop: replaying it flushes the discarded buffers.
  gxtkSample* anchor = Tone("anchor.wav", "0.05 sine 660 vol 0.1");
  ALuint loopBuf = loop->al_buffer, pausedBuf = paused->al_buffer, endedBuf = ended->al_buffer,
         discardedBuf = discarded->al_buffer;
  audio->SetVolume(8, 0);
  ASSERT_EQ(audio->PlaySample(anchor, 8, 1), 0);
  ASSERT_EQ(audio->PlaySample(loop, 4, 1), 0);
  ASSERT_EQ(audio->PlaySample(paused, 5, 1), 0);
  audio->PauseChannel(5);
  ASSERT_EQ(audio->PlaySample(ended, 6, 0), 0);
  ASSERT_EQ(audio->PlaySample(discarded, 1, 0), 0);
  discarded->Discard();
  audio->PlaySample(anchor, 8, 1);
  EXPECT_TRUE(alIsBuffer(discardedBuf)) << "a discarded buffer lives while it plays";
  ASSERT_TRUE(StateBecomes(1, 0) && StateBecomes(6, 0));
  // Nothing but the channels refers to the samples now.
  long long destroyed = gc_stats.objects_destroyed;
  CollectEverything();
  EXPECT_EQ(gc_stats.objects_destroyed - destroyed, 2) << "only the finished samples went";
  audio->PlaySample(anchor, 8, 1);
  EXPECT_FALSE(alIsBuffer(endedBuf) || alIsBuffer(discardedBuf));
  EXPECT_EQ(loop->al_buffer, loopBuf) << "the playing sample is alive and whole";
  EXPECT_TRUE(alIsBuffer(loopBuf) && alIsBuffer(pausedBuf)) << "a paused one too";
  double t1 = capture.WaitFor(0.3);
  audio->StopChannel(4);
  audio->StopChannel(5);
  CollectEverything();
  audio->PlaySample(anchor, 8, 1);
  EXPECT_FALSE(alIsBuffer(loopBuf) || alIsBuffer(pausedBuf));
  Hear();
  EXPECT_GT(Level(440, t1 - 0.25, t1 - 0.05), kHeard);
}

TEST_F(Audio, ChannelNumbersOutsideTheRangeAreIgnored) {
  gxtkSample* s = Tone("a.wav", "0.25 sine 440 vol 0.5");
  double t0 = capture.Now();
  for (int ch : {33, 34, -1, 1000, INT_MAX, INT_MIN}) {
    EXPECT_EQ(audio->PlaySample(s, ch, 1), -1) << ch;
    audio->SetVolume(ch, 1), audio->SetPan(ch, 1), audio->SetRate(ch, 1);
    audio->PauseChannel(ch), audio->ResumeChannel(ch), audio->StopChannel(ch);
    rv_audio_SetChannelVolume(ch, 1), rv_audio_StopChannel(ch);
    EXPECT_EQ(audio->ChannelState(ch), 0) << ch;
  }
  EXPECT_EQ(audio->PlaySample(nullptr, 0, 0), -1);
  rv_audio_PlaySound(nullptr, 0, 0);
  rv_audio_PlaySound((new c_Sound())->m_new2(), 0, 0);
  double t1 = capture.WaitFor(0.4);
  EXPECT_EQ(audio->PlaySample(s, 31, 1), 0) << "the edge of the range works";
  Hear();
  EXPECT_LT(capture.Rms(t0, t1 - 0.05), kSilent);
}

// Four sources in all: the music channel keeps one, and effect channels
// borrow from idle ones.
class AudioFewSources : public Audio {
  int MaxSources() override { return 4; }
};

TEST_F(AudioFewSources, IdleChannelsLendTheirSourcesAndBusyOnesKeepThem) {
  gxtkSample* blip = Tone("blip.wav", "0.05 sine 1000 vol 0.5");
  gxtkSample* loop = Tone("loop.wav", "0.25 sine 440 vol 0.5");
  for (int ch = 0; ch < 3; ++ch) ASSERT_EQ(audio->PlaySample(blip, ch, 0), 0);
  for (int ch = 0; ch < 3; ++ch) ASSERT_TRUE(StateBecomes(ch, 0));
  double t0 = capture.Now();
  for (int ch : {3, 10, 11}) EXPECT_EQ(audio->PlaySample(loop, ch, 1), 0) << ch;
  EXPECT_EQ(audio->PlaySample(blip, 20, 0), -1) << "every source busy";
  audio->SetVolume(21, 0.5f);  // no source to be had: harmless
  double t1 = capture.WaitFor(0.4);
  Hear();
  EXPECT_GT(Level(440, t0 + 0.1, t1 - 0.05), kHeard);
  EXPECT_LT(Level(1000, t0 + 0.1, t1 - 0.05), kSilent);
}

TEST(AudioNoDevice, MessagesArePrintedAndEveryCallIsHarmless) {
  setenv("ALSOFT_DRIVERS", "no-such-backend", 1);
  new TestHost();
  std::string dir = TempDir(), wav = dir + "/a.wav", ogg = dir + "/a.ogg";
  MakeSound(wav, 22050, 1, 16, "0.2 sine 440");
  ASSERT_TRUE(RunTool({"oggenc", "-Q", "-o", ogg, wav}));
  testing::internal::CaptureStdout();
  gxtkAudio* audio = new gxtkAudio();
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            std::string(audio_messages::kOpening) + "\n" + audio_messages::kOpenFailed + "\n");
  rv_audio_SetAudioDevice(audio);
  gxtkSample* s = audio->LoadSample(String(wav.c_str()));
  ASSERT_NE(s, nullptr) << "the file still decodes";
  for (int ch : {0, 31, 32, 33, -1}) {
    EXPECT_EQ(audio->PlaySample(s, ch, 1), -1);
    audio->SetVolume(ch, 0.5f), audio->SetPan(ch, 1), audio->SetRate(ch, 2);
    audio->PauseChannel(ch), audio->ResumeChannel(ch), audio->StopChannel(ch);
    EXPECT_EQ(audio->ChannelState(ch), 0);
  }
  audio->Suspend(), audio->Resume();
  EXPECT_EQ(rv_audio_PlayMusic(String(ogg.c_str()), 1), 0);
  EXPECT_EQ(audio->MusicState(), 0);
  EXPECT_EQ(rv_audio_PlayMusic(String((dir + "/missing.ogg").c_str()), 1), -1);
  rv_audio_PauseMusic(), rv_audio_ResumeMusic(), rv_audio_StopMusic();
  audio->SetMusicVolume(0.5f);
  c_Sound* sound = rv_audio_LoadSound(String(wav.c_str()));
  ASSERT_NE(sound, nullptr);
  rv_audio_PlaySound(sound, 3, 0);
  s->Discard();
  CollectEverything();
  EXPECT_EQ(audio->PlaySample(audio->LoadSample(String(wav.c_str())), 0, 0), -1);
  RunTool({"rm", "-rf", dir});
}

// ---- The game's sounds ---------------------------------------------------------

gxtkSample* OnChannel(int channel) { return rv_audio_device->channels[channel].sample; }

TEST(GameSound, TheLogoJingleIsHeardOnceAndEffectsSpareIt) {
  GameRig rig(true);
  AudioCapture capture(rig.capture);
  c_MyApp* app = rig.app;
  ASSERT_GT(rig.StepUntil([&] { return app->m_jinglePlayed == 1; }, 20), 0);
  const double start = capture.Now();
  rig.RunUntilLoaded();
  capture.WaitFor(start + 3.0 - capture.Now());  // the jingle lasts 1.9 s
  ASSERT_TRUE(capture.Load());
  EXPECT_GT(capture.Rms(start, start + 1.7), 0.01);
  EXPECT_LT(capture.Rms(start + 2.2, start + 2.9), 0.0005);
  // 23 more effects take 23 other channels; only the 24th takes the
  // jingle's, and channels 24 and up are never used.
  gxtkSample* jingle = app->m_sounds[96]->m_sample;
  int channel = 0;
  while (channel < 32 && OnChannel(channel) != jingle) ++channel;
  ASSERT_LT(channel, 32);
  rv_audio_device->PlaySample(jingle, channel, 1);  // still sounding
  for (int i = 0; i < 23; ++i) app->p_PlaySFX(99, 1.5f, 0.5f, 0);
  EXPECT_EQ(OnChannel(channel), jingle);
  app->p_PlaySFX(99, 1);
  EXPECT_NE(OnChannel(channel), jingle);
  for (int c = 24; c < 32; ++c) EXPECT_EQ(OnChannel(c), nullptr) << c;
  // A reload at a new size does not play it again.
  const double resized = capture.WaitFor(1.0);
  rig.host->Open(800, 600);
  ASSERT_TRUE(rig.Reload());
  capture.WaitFor(resized + 2.0 - capture.Now());
  ASSERT_TRUE(capture.Load());
  EXPECT_LT(capture.Rms(resized, resized + 2.0), 0.0005);
}

TEST(GameSound, TheSoundModeGatesEffectsAndMusicAndTheTuneIsRemembered) {
  GameRig rig;
  c_MyApp* app = rig.app;
  rig.RunUntilLoaded();
  app->m_settings[5] = 2;  // effects only: the tune is remembered, not played
  app->p_PlayTune(String("broccoli"), 1);
  EXPECT_EQ(rv_audio_device->MusicState(), 0);
  struct Case {
    int mode;
    bool effects, music;
  };
  for (const Case& c : {Case{0, false, false}, {1, true, true}, {2, true, false}, {3, false, true}}) {
    app->p_StopTune();
    app->m_settings[5] = c.mode;
    int before = app->m_sfxChannel;
    app->p_PlaySFX(5, 1);
    EXPECT_EQ(app->m_sfxChannel != before, c.effects) << c.mode;
    app->p_PlayTune(String("-1"), 1);  // the last tune again
    EXPECT_EQ(rv_audio_device->MusicState(), c.music ? 1 : 0) << c.mode;
    EXPECT_EQ(app->m_tuneName, String("broccoli"));
  }
  app->p_StopTune();
  EXPECT_EQ(rv_audio_device->MusicState(), 0);
}

TEST(GameSound, MusicPausesWithTheGame) {
  GameRig rig;
  rig.RunUntilLoaded();
  rig.app->p_PlayTune(String("horseraddish"), 1);
  for (int paused : {0, 1, 1, 0}) {
    rig.app->m_paused = paused;
    rig.Step();
    EXPECT_EQ(rv_audio_device->MusicState(), paused ? 2 : 1);
  }
}

}  // namespace
