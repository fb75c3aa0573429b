// The game's generated sounds, as the game finds them in bin/data/sfx: every
// effect is a plain PCM WAV the game's loader accepts, short, unclipped and
// ending in silence; every tune is an Ogg Vorbis loop of 30 to 90 seconds
// that starts quietly and joins its end to its start without a click. The
// generator itself is run once more to show its output is reproducible.
//
// Headers are read here by hand and the tunes decoded with libvorbisfile, so
// these tests do not lean on the framework's own readers; sox is the outside
// reference for the sample counts.
#include <gtest/gtest.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "support/process.h"

namespace {

using namespace testing_support;

const int kEffectSlots[] = {1, 2, 3, 4, 5, 6, 7, 8, 95, 96, 98, 99};
const char* const kTunes[] = {"testmusic", "artichoke", "broccoli", "horseraddish"};
constexpr int kJingleSlot = 96;

std::string DataDir() { return std::string(KESTRO_BIN_DIR) + "/data"; }
std::string GeneratorPath() { return std::string(KESTRO_BIN_DIR) + "/../tools/sounds/kestro_soundgen"; }

std::string EffectName(int slot) {
  char name[32];
  std::snprintf(name, sizeof name, "sfx/%03d.wav", slot);
  return name;
}

uint32_t U32(const std::string& b, size_t at) {
  return static_cast<uint32_t>(static_cast<unsigned char>(b[at])) |
         static_cast<uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
         static_cast<uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
         static_cast<uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}
uint16_t U16(const std::string& b, size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(b[at]) |
                               static_cast<unsigned char>(b[at + 1]) << 8);
}

struct Wav {
  std::string error;  // empty when the file is well formed
  uint16_t format = 0, channels = 0, bits = 0, block_align = 0;
  uint32_t rate = 0, byte_rate = 0;
  std::vector<int16_t> samples;  // interleaved
  double Seconds() const { return channels ? static_cast<double>(samples.size()) / channels / rate : 0; }
};

// Walks the chunks the way a strict reader would; any inconsistency between
// the sizes and the file becomes the error text.
Wav ParseWav(const std::string& b) {
  Wav w;
  if (b.size() < 12 || b.compare(0, 4, "RIFF") != 0 || b.compare(8, 4, "WAVE") != 0) {
    w.error = "not RIFF/WAVE";
    return w;
  }
  if (U32(b, 4) != b.size() - 8) {
    w.error = "RIFF size " + std::to_string(U32(b, 4)) + " for a file of " + std::to_string(b.size());
    return w;
  }
  bool have_fmt = false, have_data = false;
  for (size_t at = 12; at + 8 <= b.size();) {
    std::string tag = b.substr(at, 4);
    uint32_t size = U32(b, at + 4);
    if (size > b.size() - at - 8) {
      w.error = "chunk " + tag + " runs past the end";
      return w;
    }
    if (tag == "fmt ") {
      if (size < 16) {
        w.error = "short fmt chunk";
        return w;
      }
      w.format = U16(b, at + 8);
      w.channels = U16(b, at + 10);
      w.rate = U32(b, at + 12);
      w.byte_rate = U32(b, at + 16);
      w.block_align = U16(b, at + 20);
      w.bits = U16(b, at + 22);
      have_fmt = true;
    } else if (tag == "data") {
      if (!have_fmt || w.bits != 16) {
        w.error = "data before a 16-bit fmt chunk";
        return w;
      }
      w.samples.resize(size / 2);
      std::memcpy(w.samples.data(), b.data() + at + 8, w.samples.size() * 2);
      if (size % w.block_align != 0) w.error = "data size not a whole number of frames";
      have_data = true;
    }
    at += 8 + size + (size & 1);
  }
  if (!have_fmt || !have_data) w.error = "missing fmt or data chunk";
  return w;
}

struct Tune {
  std::string error;
  int channels = 0;
  long rate = 0;
  int64_t frames = 0;            // from the stream's own length
  std::vector<int16_t> samples;  // interleaved, decoded
  double Seconds() const { return rate ? static_cast<double>(frames) / rate : 0; }
};

Tune DecodeOgg(const std::string& path) {
  Tune t;
  OggVorbis_File vf;
  if (ov_fopen(path.c_str(), &vf) != 0) {
    t.error = "libvorbisfile cannot open it";
    return t;
  }
  vorbis_info* info = ov_info(&vf, -1);
  t.channels = info->channels;
  t.rate = info->rate;
  t.frames = ov_pcm_total(&vf, -1);
  char buffer[8192];
  int section = 0;
  for (;;) {
    long n = ov_read(&vf, buffer, sizeof buffer, 0, 2, 1, &section);
    if (n < 0) {
      t.error = "decode error " + std::to_string(n);
      break;
    }
    if (n == 0) break;
    size_t old = t.samples.size();
    t.samples.resize(old + static_cast<size_t>(n) / 2);
    std::memcpy(t.samples.data() + old, buffer, static_cast<size_t>(n));
  }
  ov_clear(&vf);
  return t;
}

int Peak(const std::vector<int16_t>& s) {
  int p = 0;
  for (int16_t v : s) p = std::max(p, std::abs(static_cast<int>(v)));
  return p;
}

double Db(double linear) { return 20.0 * std::log10(std::max(linear, 1e-9)); }

// Dominant pitch of a mono stretch, from its rising zero crossings.
double ZeroCrossingHz(const std::vector<int16_t>& s, int rate, double from, double to) {
  size_t a = static_cast<size_t>(from * rate), b = std::min(s.size(), static_cast<size_t>(to * rate));
  int crossings = 0;
  for (size_t i = a + 1; i < b; ++i)
    if (s[i - 1] < 0 && s[i] >= 0) ++crossings;
  return crossings / (static_cast<double>(b - a) / rate);
}

class SoundData : public ::testing::Test {
 protected:
  Wav Effect(int slot) {
    std::string path = DataDir() + "/" + EffectName(slot);
    EXPECT_TRUE(FileExists(path)) << path;
    return ParseWav(ReadFile(path));
  }
};

TEST_F(SoundData, EveryEffectIsAPcmWavTheGameCanLoad) {
  for (int slot : kEffectSlots) {
    SCOPED_TRACE(EffectName(slot));
    Wav w = Effect(slot);
    ASSERT_EQ(w.error, "");
    EXPECT_EQ(w.format, 1);  // uncompressed PCM
    EXPECT_TRUE(w.channels == 1 || w.channels == 2);
    EXPECT_EQ(w.bits, 16);
    EXPECT_EQ(w.rate, 44100u);
    EXPECT_EQ(w.block_align, w.channels * 2);
    EXPECT_EQ(w.byte_rate, w.rate * w.block_align);
    EXPECT_GT(w.samples.size(), 0u);
  }
}

TEST_F(SoundData, EffectsAreShortAndEndInSilence) {
  for (int slot : kEffectSlots) {
    SCOPED_TRACE(EffectName(slot));
    Wav w = Effect(slot);
    ASSERT_EQ(w.error, "");
    double limit = slot == kJingleSlot ? 2.5 : 1.5;
    EXPECT_LT(w.Seconds(), limit);
    EXPECT_GT(w.Seconds(), 0.03);
    // A channel that finishes, or is cut at the end, never pops: the last
    // 5 ms are silent and the first sample starts from (near) zero.
    size_t tail = static_cast<size_t>(0.005 * w.rate) * w.channels;
    int tail_peak = 0;
    for (size_t i = w.samples.size() - tail; i < w.samples.size(); ++i)
      tail_peak = std::max(tail_peak, std::abs(static_cast<int>(w.samples[i])));
    EXPECT_LE(tail_peak, 2);
    EXPECT_LE(std::abs(static_cast<int>(w.samples[0])), 300);
  }
}

TEST_F(SoundData, EffectsAreAudibleButNeverClip) {
  for (int slot : kEffectSlots) {
    SCOPED_TRACE(EffectName(slot));
    Wav w = Effect(slot);
    ASSERT_EQ(w.error, "");
    double peak_db = Db(Peak(w.samples) / 32768.0);
    EXPECT_LT(peak_db, -1.0);
    EXPECT_GT(peak_db, -20.0);
  }
}

TEST_F(SoundData, HopsAreSoftShortAndTellTheRunnersApart) {
  Wav left = Effect(1), right = Effect(2), coin = Effect(5);
  ASSERT_EQ(left.error, "");
  ASSERT_EQ(right.error, "");
  // Several hops a second: each must be over well within a hop's time and
  // quieter than the events the player has to notice.
  EXPECT_LT(left.Seconds(), 0.25);
  EXPECT_LT(right.Seconds(), 0.25);
  EXPECT_LT(Peak(left.samples), Peak(coin.samples));
  EXPECT_LT(Peak(right.samples), Peak(coin.samples));
  // Played at rates 0.9 to 1.1, the two must still differ by more than
  // that spread: the right runner's hop sits clearly higher.
  double lhz = ZeroCrossingHz(left.samples, static_cast<int>(left.rate), 0.03, 0.1);
  double rhz = ZeroCrossingHz(right.samples, static_cast<int>(right.rate), 0.03, 0.1);
  EXPECT_GT(rhz / lhz, 1.1 / 0.9) << lhz << " Hz vs " << rhz << " Hz";
}

TEST_F(SoundData, LossAndHomeSoundsSayWhichRunner) {
  // Left and right versions share a character but sit at clearly
  // different pitches, the right one higher.
  struct Pair {
    int left, right;
    double from, to;  // the stretch whose pitch is compared, seconds
  } pairs[] = {{3, 4, 0.1, 0.4}, {6, 7, 0.0, 0.24}};
  for (const Pair& p : pairs) {
    SCOPED_TRACE(EffectName(p.left));
    Wav l = Effect(p.left), r = Effect(p.right);
    ASSERT_EQ(l.error, "");
    ASSERT_EQ(r.error, "");
    double lhz = ZeroCrossingHz(l.samples, static_cast<int>(l.rate), p.from, p.to);
    double rhz = ZeroCrossingHz(r.samples, static_cast<int>(r.rate), p.from, p.to);
    EXPECT_GT(rhz / lhz, 1.15) << lhz << " Hz vs " << rhz << " Hz";
  }
}

TEST_F(SoundData, TunesAreOggVorbisLoopsOfHalfAMinuteOrMore) {
  for (const char* name : kTunes) {
    std::string path = DataDir() + "/sfx/" + name + ".ogg";
    SCOPED_TRACE(path);
    Tune t = DecodeOgg(path);
    ASSERT_EQ(t.error, "");
    EXPECT_EQ(t.channels, 2);
    EXPECT_EQ(t.rate, 44100);
    EXPECT_GE(t.Seconds(), 30.0);
    EXPECT_LE(t.Seconds(), 90.0);
    EXPECT_EQ(static_cast<int64_t>(t.samples.size()), t.frames * t.channels);
  }
}

TEST_F(SoundData, TunesHaveSaneLevelsAndNoOffset) {
  for (const char* name : kTunes) {
    SCOPED_TRACE(name);
    Tune t = DecodeOgg(DataDir() + "/sfx/" + name + ".ogg");
    ASSERT_EQ(t.error, "");
    ASSERT_FALSE(t.samples.empty());
    double sum = 0, sq = 0;
    for (int16_t v : t.samples) {
      sum += v;
      sq += static_cast<double>(v) * v;
    }
    double n = static_cast<double>(t.samples.size());
    double peak_db = Db(Peak(t.samples) / 32768.0);
    double rms_db = Db(std::sqrt(sq / n) / 32768.0);
    EXPECT_LT(peak_db, -1.0);  // headroom left after lossy coding
    EXPECT_GT(rms_db, -26.0);  // not a whisper under the effects
    EXPECT_LT(rms_db, -10.0);  // not a wall either
    EXPECT_LT(std::fabs(sum / n) / 32768.0, 0.002);
  }
}

TEST_F(SoundData, TunesLoopWithoutAClick) {
  for (const char* name : kTunes) {
    SCOPED_TRACE(name);
    Tune t = DecodeOgg(DataDir() + "/sfx/" + name + ".ogg");
    ASSERT_EQ(t.error, "");
    const size_t ch = static_cast<size_t>(t.channels), frames = t.samples.size() / ch;
    ASSERT_GT(frames, 1000u);
    for (size_t c = 0; c < ch; ++c) {
      std::vector<int> steps;
      for (size_t i = 1; i < frames; ++i)
        steps.push_back(std::abs(t.samples[i * ch + c] - t.samples[(i - 1) * ch + c]));
      std::sort(steps.begin(), steps.end());
      int typical = steps[steps.size() * 9 / 10];
      int first = t.samples[c], last = t.samples[(frames - 1) * ch + c];
      // Across the seam the wave moves no more than it does within the
      // music, and the very first play starts close to silence.
      EXPECT_LE(std::abs(first - last), typical) << "channel " << c;
      EXPECT_LT(std::abs(first), 32768 / 20) << "channel " << c;
    }
  }
}

TEST_F(SoundData, SoxReadsTheSameLengths) {
  for (int slot : kEffectSlots) {
    std::string path = DataDir() + "/" + EffectName(slot);
    Wav w = ParseWav(ReadFile(path));
    RunResult r = RunCommand({"soxi", "-s", path}, 30);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(std::stoll(r.out), static_cast<long long>(w.samples.size() / w.channels)) << path;
  }
  for (const char* name : kTunes) {
    std::string path = DataDir() + "/sfx/" + name + ".ogg";
    Tune t = DecodeOgg(path);
    RunResult r = RunCommand({"soxi", "-s", path}, 30);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(std::stoll(r.out), static_cast<long long>(t.frames)) << path;
  }
}

TEST(SoundGenerator, SameBytesEveryRunWhateverTheThreadCount) {
  // The shipped set was made with one worker per core; one worker must give
  // exactly the same files.
  std::string dir = MakeTempDir("sounds");
  RunResult r = RunCommand({GeneratorPath(), dir, "--threads", "1"}, 240);
  ASSERT_EQ(r.exit_code, 0) << r.out << r.err;
  for (int slot : kEffectSlots) {
    std::string name = EffectName(slot);
    EXPECT_TRUE(ReadFile(dir + "/" + name) == ReadFile(DataDir() + "/" + name)) << name;
  }
  for (const char* tune : kTunes) {
    std::string name = std::string("sfx/") + tune + ".ogg";
    EXPECT_TRUE(ReadFile(dir + "/" + name) == ReadFile(DataDir() + "/" + name)) << name;
  }
  RunCommand({"rm", "-rf", dir});
}

TEST(SoundGenerator, FailsLoudlyWhenItCannotWrite) {
  // A build must stop rather than ship a missing sound.
  std::string dir = MakeTempDir("sounds-bad");
  WriteFile(dir + "/file", "x");
  RunResult r = RunCommand({GeneratorPath(), dir + "/file/data"}, 60);
  EXPECT_NE(r.exit_code, 0);
  EXPECT_NE(r.err.find("cannot create"), std::string::npos) << r.err;
  RunResult usage = RunCommand({GeneratorPath()}, 10);
  EXPECT_EQ(usage.exit_code, 2);
  RunCommand({"rm", "-rf", dir});
}

}  // namespace
