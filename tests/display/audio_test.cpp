// The audio device heard through OpenAL Soft's wave writer (effects and
// streamed tunes, pumped as the game's update does), the device missing
// altogether, and the game's sounds. Times are seconds of mixed sound, with
// wide margins.
#include <gtest/gtest.h>

#include <climits>
#include <fstream>

#include "audio/sound.h"
#include "game/globals.h"
#include "support/audio_capture.h"
#include "support/checks.h"
#include "support/game_rig.h"

namespace {

using namespace testing_support;

constexpr double kHeard = 0.05, kSilent = 0.005;  // a centred 0.5 sine mixes at 0.35

class Audio : public ::testing::Test {
 protected:
  void SetUp() override {
    rv_audio_SetAudioDevice(audio = new gxtkAudio());
    ASSERT_NE(audio->alcContext, nullptr);
  }
  void TearDown() override { Hear(); }
  gxtkSample* Tone(const std::string& name, const std::string& synth, int channels = 1) {
    MakeSound(dir + "/" + name, 44100, channels, 16, synth);
    return audio->LoadSample(String((dir + "/" + name).c_str()));
  }
  std::string Tune(const std::string& name, double seconds, int hz = 440) {  // whole cycles: a smooth loop
    std::string sine = " sine " + std::to_string(hz);
    MakeSound(dir + "/" + name, 44100, 2, 16, std::to_string(seconds) + sine + sine + " vol 0.5");
    return dir + "/" + name;
  }
  int Play(const std::string& path, int loop) { return audio->PlayMusic(String(path.c_str()), loop); }
  double Pump(double seconds) {  // the game's update streams the tune while the mixer runs
    double end = capture.Now() + seconds;
    while (capture.Now() < end) audio->UpdateMusic(), capture.WaitFor(0.01);
    return capture.Now();
  }
  double PumpUntilStopped() {
    double start = capture.Now();
    while (audio->MusicState() != 0 && capture.Now() < start + 5) Pump(0.02);
    return capture.Now();
  }
  bool Becomes(int channel, int state) { return WaitUntil([&] { return audio->ChannelState(channel) == state; }, 30); }
  void Hear() {  // closing the device finishes the capture
    if (!audio->alcDevice) return;
    audio->StopMusic();
    alcMakeContextCurrent(nullptr);
    alcDestroyContext(audio->alcContext);
    alcCloseDevice(audio->alcDevice);
    audio->alcDevice = nullptr;
    ASSERT_TRUE(capture.Load());
  }
  double Level(double hz, double from, double to, int ear = -1) { return capture.ToneLevel(hz, from, to, ear); }
  std::string dir = MakeTempDir("display");
  AudioCapture capture{AudioCapture::Configure(dir)};
  TestHost* host = new TestHost();
  gxtkAudio* audio = nullptr;
};

TEST_F(Audio, OneShotsEndLoopsGoOnAndABusyChannelIsCutAtOnce) {
  gxtkSample* loop = Tone("loop.wav", "0.2 sine 440 vol 0.5");
  gxtkSample* once = Tone("b.wav", "0.3 sine 880 vol 0.5 pad 0 0.5");
  double t0 = capture.Now();
  ASSERT_EQ(audio->PlaySample(loop, 3, 1), 0);
  double t1 = capture.WaitFor(1.2);
  EXPECT_EQ(audio->ChannelState(3), 1) << "a loop never ends by itself";
  ASSERT_EQ(audio->PlaySample(once, 3, 0), 0);
  ASSERT_TRUE(Becomes(3, 0)) << "a finished one-shot reports 0 by itself";
  EXPECT_GE(capture.Now() - t1, 0.7) << "not before it was heard";
  double t2 = capture.WaitFor(0.3);
  ASSERT_EQ(audio->PlaySample(loop, 31, 1), 0);
  double t3 = capture.WaitFor(0.4);
  audio->StopChannel(31);
  capture.WaitFor(0.4);
  Hear();
  for (double t = t0 + 0.1; t < t1 - 0.15; t += 0.1) EXPECT_GT(Level(440, t, t + 0.1), kHeard) << t - t0;
  EXPECT_GT(Level(880, t1 + 0.08, t1 + 0.22), kHeard) << "the new sound from its start";
  EXPECT_LT(Level(440, t1 + 0.08, t1 + 0.22), kSilent) << "the old one gone at once";
  EXPECT_LT(capture.Rms(t1 + 0.35, t2 - 0.05), kSilent) << "played once";
  EXPECT_GT(Level(440, t2 + 0.1, t3 - 0.05), kHeard);
  EXPECT_LT(capture.Rms(t3 + 0.1, capture.Duration()), kSilent) << "stopped";
}

TEST_F(Audio, SuspensionKeepsWhatTheGamePaused) {
  gxtkSample* low = Tone("low.wav", "0.25 sine 440 vol 0.5");
  ASSERT_EQ(audio->PlaySample(low, 0, 1), 0);
  ASSERT_EQ(Play(Tune("tune.ogg", 0.25, 660), 1), 0);
  ASSERT_EQ(audio->PlaySample(Tone("high.wav", "0.25 sine 1000 vol 0.5"), 1, 1), 0);
  double t0 = Pump(0.3);
  audio->PauseChannel(1);
  EXPECT_EQ(audio->ChannelState(1), 2);
  double t1 = Pump(0.3);
  audio->Suspend();  // the window lost its focus: effects and tune go quiet
  double t2 = Pump(0.4);
  audio->Resume();
  EXPECT_EQ(audio->ChannelState(0), 1);
  EXPECT_EQ(audio->ChannelState(1), 2);
  EXPECT_EQ(audio->MusicState(), 1);
  double t3 = Pump(0.4);
  audio->ResumeChannel(1);
  double t4 = Pump(0.4);
  Hear();
  EXPECT_GT(Level(1000, t0 - 0.25, t0 - 0.05), kHeard);
  EXPECT_LT(Level(1000, t0 + 0.1, t1 - 0.05), kSilent) << "paused";
  EXPECT_GT(Level(440, t0 + 0.1, t1 - 0.05), kHeard);
  EXPECT_LT(capture.Rms(t1 + 0.1, t2 - 0.05), kSilent) << "suspended";
  EXPECT_GT(std::min(Level(440, t2 + 0.1, t3 - 0.05), Level(660, t2 + 0.1, t3 - 0.05)), kHeard) << "resumed";
  EXPECT_LT(Level(1000, t2 + 0.1, t3 - 0.05), kSilent) << "still paused by the game";
  EXPECT_GT(Level(1000, t3 + 0.1, t4 - 0.05), kHeard);
}

TEST_F(Audio, PanVolumeAndRateApplyToWhatPlaysAndWillPlay) {
  gxtkSample* s = Tone("loop.wav", "0.25 sine 440 vol 0.5");
  for (int ch : {33, -1, INT_MAX, INT_MIN}) {  // no such channels: ignored
    EXPECT_EQ(audio->PlaySample(s, ch, 1), -1);
    audio->SetVolume(ch, 1), audio->SetPan(ch, 1), audio->SetRate(ch, 1), audio->PauseChannel(ch);
    audio->ResumeChannel(ch), audio->StopChannel(ch), rv_audio_SetChannelVolume(ch, 1), rv_audio_StopChannel(ch);
    EXPECT_EQ(audio->ChannelState(ch), 0);
  }
  rv_audio_PlaySound(nullptr, 0, 0);
  audio->SetVolume(7, 0);  // before playing: the channel keeps it
  ASSERT_EQ(audio->PlaySample(s, 7, 1), 0);
  ASSERT_EQ(audio->PlaySample(s, 5, 1), 0);
  std::vector<double> t;
  for (auto [pan, volume, rate] : {std::tuple{1.f, 1.f, 1.f}, {-1.f, 1.f, 1.f}, {0.f, 1.f, 1.f}, {0.f, .25f, 1.f},
                                   {0.f, 1.f, 2.f}}) {
    audio->SetPan(5, pan), audio->SetVolume(5, volume), audio->SetRate(5, rate);
    t.push_back(capture.WaitFor(0.4));
  }
  Hear();
  auto ear = [&](int i, int ch) { return capture.Rms(t[i] - 0.25, t[i] - 0.05, ch); };
  EXPECT_GT(ear(0, 1), 4 * ear(0, 0)) << "pan 1 is on the right";
  EXPECT_GT(ear(1, 0), 4 * ear(1, 1)) << "pan -1 is on the left";
  EXPECT_NEAR(ear(2, 0) / ear(2, 1), 1.0, 0.2);
  EXPECT_NEAR(ear(3, -1) / ear(2, -1), 0.25, 0.08) << "volume 0.25, channel 7 silent";
  EXPECT_GT(Level(880, t[4] - 0.25, t[4] - 0.05), kHeard) << "rate 2 doubles the pitch";
  EXPECT_LT(Level(440, t[4] - 0.25, t[4] - 0.05), kSilent);
}

TEST_F(Audio, ALoopingTuneGoesRoundWithoutAGapOrAClick) {
  double t0 = capture.Now();  // 0.25 s: the loop point falls inside the queue's buffers, often
  ASSERT_EQ(Play(Tune("loop.ogg", 0.25), 1), 0);
  double t1 = Pump(1.6);
  EXPECT_EQ(audio->MusicState(), 1);
  Hear();
  // Loops joined without a seam are one unbroken 440 Hz sine: its rising zero
  // crossings come every 100.2 samples. A gap, a repeat or a jump at the loop
  // point moves a crossing; a click adds one.
  const std::vector<float>& left = capture.Left();
  std::size_t from = (std::size_t)((t0 + 0.15) * 44100), to = (std::size_t)((t1 - 0.05) * 44100);
  ASSERT_LT(to, left.size());
  std::size_t last = 0, crossings = 0;
  for (std::size_t i = from + 1; i < to; ++i) {
    if (left[i - 1] >= 0 || left[i] < 0) continue;
    if (last) {
      ASSERT_NEAR((double)(i - last), 44100.0 / 440, 2.0) << "at " << i / 44100.0 - t0 << " s";
    }
    last = i, ++crossings;
  }
  EXPECT_GT(crossings, 400u);
  EXPECT_GT(Level(440, t0 + 0.15, t1 - 0.05), 0.25) << "heard all along";
}

TEST_F(Audio, MusicKeepsItsChannelEndsWhenPlayedOnceAndPauseAndStopActAtOnce) {
  std::string tune = Tune("once.ogg", 1.0);
  gxtkSample* blip = Tone("blip.wav", "0.1 sine 1000 vol 0.02");
  double t0 = capture.Now();
  ASSERT_EQ(rv_audio_PlayMusic(String(tune.c_str()), 0), 0);
  for (int ch = 0; ch < 32; ++ch) audio->PlaySample(blip, ch, 0);  // effects leave it alone
  double t1 = Pump(0.3);
  rv_audio_PauseMusic();
  EXPECT_EQ(audio->MusicState(), 2);
  double t2 = Pump(0.4);
  EXPECT_EQ(audio->MusicState(), 2) << "a paused tune stays paused";
  rv_audio_ResumeMusic();
  audio->SetMusicVolume(0.5f);
  double t3 = capture.Now(), t4 = PumpUntilStopped();
  EXPECT_GT(t4 - t3, 0.5) << "played once, it ends by itself after the rest of it";
  Pump(0.5);
  ASSERT_EQ(Play(tune, 1), 0);
  double t5 = Pump(0.3);
  EXPECT_EQ(Play(dir + "/missing.ogg", 1), -1);
  EXPECT_EQ(audio->MusicState(), 0) << "the old tune was stopped first";
  audio->ResumeMusic();  // a stopped tune does not come back
  double t6 = Pump(0.4);
  Hear();
  double full = Level(440, t0 + 0.1, t1 - 0.05);
  EXPECT_GT(full, kHeard);
  EXPECT_LT(capture.Rms(t1 + 0.05, t2 - 0.02), kSilent) << "paused";
  EXPECT_NEAR(Level(440, t3 + 0.05, t3 + 0.4) / full, 0.5, 0.1) << "the volume";
  EXPECT_LT(capture.Rms(t4 + 0.05, t4 + 0.45), kSilent) << "not again";
  EXPECT_GT(Level(440, t5 - 0.2, t5 - 0.02), kHeard);
  EXPECT_LT(capture.Rms(t5 + 0.05, t6), kSilent) << "stopped";
}

TEST_F(Audio, ACutTunePlaysWhatItHasAndOneWithoutSoundOrJunkStaysSilent) {
  // 2 s at the highest quality: a page is about 0.3 s, so a cut halfway
  // through the sound keeps whole pages. The headers end where the third
  // page starts.
  std::string whole = dir + "/whole.ogg";
  ASSERT_EQ(RunCommand({"sox", "-n", "-r", "44100", "-c", "2", "-C", "10", whole, "synth", "2", "sine", "440",
                        "sine", "440", "vol", "0.5"}).exit_code, 0);
  std::string bytes = ReadFile(whole);
  std::size_t page = 0;
  for (int i = 0; i < 3; ++i) page = bytes.find("OggS", page + (i > 0));
  ASSERT_NE(page, std::string::npos);
  std::ofstream(dir + "/cut.ogg", std::ios::binary) << bytes.substr(0, page + (bytes.size() - page) / 2);
  std::ofstream(dir + "/empty.ogg", std::ios::binary) << bytes.substr(0, page);
  std::ofstream(dir + "/junk.ogg") << "not a tune at all";
  EXPECT_EQ(Play(dir + "/junk.ogg", 1), -1);
  double t0 = capture.Now();
  ASSERT_EQ(Play(dir + "/empty.ogg", 1), 0);
  double t1 = Pump(0.3);
  EXPECT_EQ(audio->MusicState(), 0) << "nothing to play, even looping";
  ASSERT_EQ(Play(dir + "/cut.ogg", 0), 0);
  double t2 = capture.Now(), t3 = PumpUntilStopped();
  EXPECT_TRUE(t3 - t2 > 0.2 && t3 - t2 < 1.6) << "only what the cut file holds: " << t3 - t2;
  ASSERT_EQ(Play(dir + "/cut.ogg", 1), 0);
  double t4 = Pump(1.5);
  EXPECT_EQ(audio->MusicState(), 1) << "a looping cut tune goes round what it has";
  Hear();
  EXPECT_LT(capture.Rms(t0, t1), kSilent);
  EXPECT_GT(Level(440, t2 + 0.05, t2 + 0.2), kHeard);
  EXPECT_GT(Level(440, t4 - 0.5, t4 - 0.05), kHeard);
}

TEST_F(Audio, SamplesAndBuffersLiveWhileTheyAreHeard) {
  gxtkSample* loop = Tone("loop.wav", "0.25 sine 440 vol 0.5");
  gxtkSample* paused = Tone("paused.wav", "0.25 sine 660 vol 0.5");
  gxtkSample* ended = Tone("end.wav", "0.05 sine 1000 vol 0.5");
  gxtkSample* discarded = Tone("once.wav", "0.3 sine 1000 vol 0.5");
  gxtkSample* anchor = Tone("anchor.wav", "0.05 sine 660 vol 0.1");  // replayed: flushes the dead buffers
  ALuint loopBuf = loop->al_buffer, pausedBuf = paused->al_buffer, endedBuf = ended->al_buffer,
         discardedBuf = discarded->al_buffer;
  audio->SetVolume(8, 0);
  for (auto [s, ch, looped] : {std::tuple{anchor, 8, 1}, {loop, 4, 1}, {paused, 5, 1}, {ended, 6, 0}, {discarded, 1, 0}})
    ASSERT_EQ(audio->PlaySample(s, ch, looped), 0);
  audio->PauseChannel(5);
  discarded->Discard();
  audio->PlaySample(anchor, 8, 1);
  EXPECT_TRUE(alIsBuffer(discardedBuf)) << "a discarded buffer lives while it plays";
  ASSERT_TRUE(Becomes(1, 0) && Becomes(6, 0));
  long long destroyed = gc_stats.objects_destroyed;
  ForceCollection();  // nothing but the channels refers to the samples
  EXPECT_EQ(gc_stats.objects_destroyed - destroyed, 2) << "only the finished samples went";
  audio->PlaySample(anchor, 8, 1);
  EXPECT_FALSE(alIsBuffer(endedBuf) || alIsBuffer(discardedBuf));
  EXPECT_TRUE(loop->al_buffer == loopBuf && alIsBuffer(loopBuf) && alIsBuffer(pausedBuf)) << "playing or paused: kept";
  double t1 = capture.WaitFor(0.3);
  audio->StopChannel(4), audio->StopChannel(5);
  ForceCollection();
  audio->PlaySample(anchor, 8, 1);
  EXPECT_FALSE(alIsBuffer(loopBuf) || alIsBuffer(pausedBuf));
  Hear();
  EXPECT_GT(Level(440, t1 - 0.25, t1 - 0.05), kHeard);
}

TEST(AudioNoDevice, MessagesArePrintedAndEveryCallIsHarmless) {
  setenv("ALSOFT_DRIVERS", "no-such-backend", 1);
  new TestHost();
  std::string dir = MakeTempDir("display"), wav = dir + "/a.wav";
  ASSERT_TRUE(MakeSound(wav, 22050, 1, 16, "0.2 sine 440"));
  testing::internal::CaptureStdout();
  rv_audio_SetAudioDevice(new gxtkAudio());
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            std::string(audio_messages::kOpening) + "\n" + audio_messages::kOpenFailed + "\n");
  c_Sound* sound = rv_audio_LoadSound(String(wav.c_str()));
  ASSERT_NE(sound, nullptr) << "the file still decodes";
  for (int ch : {0, 32, 33, -1}) {
    rv_audio_PlaySound(sound, ch, 1), rv_audio_SetChannelVolume(ch, 0.5f), rv_audio_SetChannelPan(ch, 1);
    rv_audio_SetChannelRate(ch, 2), rv_audio_device->PauseChannel(ch), rv_audio_device->ResumeChannel(ch);
    EXPECT_EQ(rv_audio_device->ChannelState(ch), 0);
  }
  rv_audio_device->Suspend(), rv_audio_device->Resume(), rv_audio_PauseMusic(), rv_audio_ResumeMusic();
  EXPECT_EQ(rv_audio_PlayMusic(String((dir + "/missing.ogg").c_str()), 1), -1);
  EXPECT_EQ(rv_audio_device->MusicState(), 0);
  ForceCollection();
  EXPECT_EQ(rv_audio_device->PlaySample(rv_audio_device->LoadSample(String(wav.c_str())), 0, 0), -1);
}

// ---- The game's sounds ------------------------------------------------------------

gxtkSample* OnChannel(int channel) { return rv_audio_device->channels[channel].sample; }

TEST(GameSound, TheLogoJingleIsHeardOnceAndEffectsSpareIt) {
  GameRig rig(true);
  AudioCapture capture(rig.capture);
  c_MyApp* app = rig.app;
  ASSERT_GT(rig.StepUntil([&] { return app->m_jinglePlayed == 1; }, 20), 0);
  const double start = capture.Now();
  rig.RunUntilLoaded();
  capture.WaitFor(start + 2.2 - capture.Now());  // the jingle lasts 1.9 s
  rig.host->Open(800, 600);  // a reload does not play it again
  ASSERT_TRUE(rig.Reload());
  capture.WaitFor(start + 3.5 - capture.Now());
  ASSERT_TRUE(capture.Load());
  EXPECT_GT(capture.Rms(start, start + 1.7), 0.01);
  EXPECT_LT(capture.Rms(start + 2.2, start + 3.4), 0.0005);
  app->p_PlaySFX(96, 1);  // the next 23 effects leave it alone
  gxtkSample* jingle = app->m_sounds[96]->m_sample;
  int channel = 0;
  while (channel < 32 && OnChannel(channel) != jingle) ++channel;
  ASSERT_LT(channel, 32);
  rv_audio_device->PlaySample(jingle, channel, 1);  // looped: still sounding
  for (int i = 0; i < 23; ++i) app->p_PlaySFX(99, 1.5f, 0.5f, 0);
  EXPECT_EQ(OnChannel(channel), jingle);
}

TEST(GameSound, TheSoundModeGatesEffectsAndMusicAndTheLastTuneComesBack) {
  GameRig rig;
  c_MyApp* app = rig.app;
  rig.RunUntilLoaded();
  app->m_settings[5] = 2, app->p_PlayTune(String("broccoli"), 1);  // effects only: remembered, not played
  for (auto [mode, effects, music] : {std::tuple{0, false, 0}, {1, true, 1}, {2, true, 0}, {3, false, 1}}) {
    app->p_StopTune(), app->m_settings[5] = mode;
    int before = app->m_sfxChannel;
    app->p_PlaySFX(5, 1), app->p_PlayTune(String("-1"), 1);  // the last tune again
    EXPECT_TRUE((app->m_sfxChannel != before) == effects && rv_audio_device->MusicState() == music) << mode;
    EXPECT_EQ(app->m_tuneName, String("broccoli"));
  }
}

}  // namespace
