// Streamed tunes heard through OpenAL Soft's wave writer: a looping tune
// goes round without a gap or a click, a tune played once ends by itself,
// pause, suspension and stop act at once, a truncated tune plays what it has and a tune
// with nothing in it stays silent. The device is pumped as the game's
// update would, while the mixer's clock runs.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "audio/sound.h"
#include "host/glfw_game.h"
#include "support/audio_capture.h"
#include "support/process.h"
#include "support/xvfb.h"

namespace {

using namespace testing_support;

constexpr double kHeard = 0.05;
constexpr double kSilent = 0.005;

class MusicStreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StartXvfb();
    dir = MakeTempDir("music-stream");
    wav_path = AudioCapture::Configure(dir);
    capture = AudioCapture(wav_path);
    host = new RvGlfwGame();
    audio = new gxtkAudio();
    rv_audio_SetAudioDevice(audio);
    ASSERT_NE(audio->alcContext, nullptr);
  }
  void TearDown() override {
    Hear();
    rv_audio_SetAudioDevice(nullptr);
    delete host;
    std::filesystem::remove_all(dir);
  }
  void Hear() {
    if (!audio->alcDevice) return;
    alcMakeContextCurrent(nullptr);
    alcDestroyContext(audio->alcContext);
    alcCloseDevice(audio->alcDevice);
    audio->alcContext = nullptr;
    audio->alcDevice = nullptr;
    ASSERT_TRUE(capture.Load());
  }
  // An Ogg tune of `seconds` of a 440 Hz sine (a whole number of cycles for
  // multiples of 1/40 s, so its loop point is smooth in the source too).
  std::string Tune(const std::string& name, double seconds) {
    std::string path = dir + "/" + name;
    EXPECT_TRUE(MakeSound(path, 44100, 2, 16,
                          std::to_string(seconds) + " sine 440 sine 440 vol 0.5"));
    return path;
  }
  // Runs the update's music pump while `seconds` of sound are mixed.
  double Pump(double seconds) {
    double end = capture.Now() + seconds;
    while (capture.Now() < end) {
      audio->UpdateMusic();
      capture.WaitFor(0.01);
    }
    return capture.Now();
  }
  int Play(const std::string& path, int loop) {
    return audio->PlayMusic(String(path.c_str()), loop);
  }

  std::string dir, wav_path;
  AudioCapture capture{""};
  RvGlfwGame* host = nullptr;
  gxtkAudio* audio = nullptr;
};

TEST_F(MusicStreamTest, ALoopingTuneGoesRoundWithoutAGapOrAClick) {
  // 0.25 s: the loop point falls inside the queue's buffers, several times.
  std::string tune = Tune("loop.ogg", 0.25);
  double t0 = capture.Now();
  ASSERT_EQ(Play(tune, 1), 0);
  EXPECT_EQ(audio->MusicState(), 1);
  double t1 = Pump(1.6);
  EXPECT_EQ(audio->MusicState(), 1);
  audio->StopMusic();
  Hear();

  const std::vector<float>& left = capture.Left();
  const int rate = capture.Rate();
  std::size_t from = (std::size_t)((t0 + 0.15) * rate), to = (std::size_t)((t1 - 0.05) * rate);
  ASSERT_LT(to, left.size());
  // The loops joined without a seam are one unbroken 440 Hz sine: its rising
  // zero crossings come every 100.2 samples. A gap, a repeat or a jump at the
  // loop point moves a crossing; a click adds one.
  std::size_t last = 0, crossings = 0;
  for (std::size_t i = from + 1; i < to; ++i) {
    if (!(left[i - 1] < 0 && left[i] >= 0)) continue;
    if (last != 0) {
      ASSERT_NEAR((double)(i - last), 44100.0 / 440, 2.0) << "at " << (double)i / rate - t0 << " s";
    }
    last = i;
    ++crossings;
  }
  EXPECT_GT(crossings, 400u);
  EXPECT_GT(capture.ToneLevel(440, t0 + 0.15, t1 - 0.05), 0.25) << "heard all along";
}

TEST_F(MusicStreamTest, ATunePlayedOnceEndsAndPauseSuspendAndStopActAtOnce) {
  std::string tune = Tune("once.ogg", 1.0);
  double t0 = capture.Now();
  ASSERT_EQ(Play(tune, 0), 0);
  double t1 = Pump(0.3);
  audio->PauseMusic();
  EXPECT_EQ(audio->MusicState(), 2);
  double t2 = Pump(0.4);
  EXPECT_EQ(audio->MusicState(), 2) << "a paused tune stays paused";
  audio->ResumeMusic();
  double t3 = capture.Now();
  while (audio->MusicState() != 0 && capture.Now() < t3 + 5) Pump(0.02);
  double t4 = capture.Now();
  EXPECT_EQ(audio->MusicState(), 0) << "played once, it ends by itself";
  EXPECT_GT(t4 - t3, 0.5) << "the rest of the tune was heard first";
  Pump(0.5);

  ASSERT_EQ(Play(tune, 1), 0);
  double t5 = Pump(0.3);
  audio->Suspend();  // the window lost its focus
  double t6 = Pump(0.3);
  EXPECT_EQ(audio->MusicState(), 1) << "a suspension keeps the state";
  audio->Resume();
  double t7 = Pump(0.3);
  audio->StopMusic();
  EXPECT_EQ(audio->MusicState(), 0);
  audio->ResumeMusic();  // a stopped tune does not come back
  double t8 = Pump(0.4);
  Hear();

  EXPECT_GT(capture.ToneLevel(440, t0 + 0.1, t1 - 0.05), kHeard);
  EXPECT_LT(capture.Rms(t1 + 0.05, t2 - 0.02), kSilent);
  EXPECT_GT(capture.ToneLevel(440, t3 + 0.05, t3 + 0.4), kHeard);
  EXPECT_LT(capture.Rms(t4 + 0.05, t4 + 0.45), kSilent) << "not again";
  EXPECT_GT(capture.ToneLevel(440, t5 - 0.2, t5 - 0.02), kHeard);
  EXPECT_LT(capture.Rms(t5 + 0.05, t6 - 0.02), kSilent);
  EXPECT_GT(capture.ToneLevel(440, t6 + 0.05, t7 - 0.02), kHeard);
  EXPECT_LT(capture.Rms(t7 + 0.05, t8), kSilent);
}

TEST_F(MusicStreamTest, ATruncatedTunePlaysWhatItHasAndAnEmptyOneStaysSilent) {
  // 2 s at the highest quality: a page is about 0.3 s, so a cut halfway
  // through the sound keeps whole pages.
  std::string whole = dir + "/whole.ogg";
  ASSERT_EQ(RunCommand({"sox", "-n", "-r", "44100", "-c", "2", "-C", "10", whole, "synth", "2",
                        "sine", "440", "sine", "440", "vol", "0.5"})
                .exit_code,
            0);
  std::string bytes;
  {
    std::ifstream in(whole, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  // The headers end where the third page starts; the cut one keeps half of
  // the sound after them.
  std::size_t page = 0;
  for (int i = 0; i < 3; ++i) page = bytes.find("OggS", page + (i > 0));
  ASSERT_NE(page, std::string::npos);
  std::ofstream(dir + "/cut.ogg", std::ios::binary) << bytes.substr(0, page + (bytes.size() - page) / 2);
  std::ofstream(dir + "/empty.ogg", std::ios::binary) << bytes.substr(0, page);
  std::ofstream(dir + "/junk.ogg", std::ios::binary) << "not a tune at all";

  EXPECT_EQ(Play(dir + "/junk.ogg", 1), -1);
  EXPECT_EQ(audio->MusicState(), 0);

  double t0 = capture.Now();
  ASSERT_EQ(Play(dir + "/empty.ogg", 1), 0);
  double t1 = Pump(0.3);
  EXPECT_EQ(audio->MusicState(), 0) << "nothing to play, even looping";

  ASSERT_EQ(Play(dir + "/cut.ogg", 0), 0);
  double t2 = capture.Now();
  while (audio->MusicState() != 0 && capture.Now() < t2 + 5) Pump(0.02);
  double t3 = capture.Now();
  EXPECT_GT(t3 - t2, 0.2);
  EXPECT_LT(t3 - t2, 1.6) << "only what the cut file holds";

  ASSERT_EQ(Play(dir + "/cut.ogg", 1), 0);
  double t4 = Pump(1.5);
  EXPECT_EQ(audio->MusicState(), 1) << "a looping cut tune goes round what it has";
  audio->StopMusic();
  Hear();

  EXPECT_LT(capture.Rms(t0, t1), kSilent);
  EXPECT_GT(capture.ToneLevel(440, t2 + 0.05, t2 + 0.2), kHeard);
  EXPECT_GT(capture.ToneLevel(440, t4 - 0.5, t4 - 0.05), kHeard);
}

}  // namespace
