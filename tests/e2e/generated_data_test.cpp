// The generated data as the game finds it in bin/data: images read back with
// the game's own PNG decoder (every sheet in each resolution cut the way its
// loader cuts it, glyphs and frames that hold pictures), sounds read by hand
// and by libvorbisfile with sox as the outside reference (plain PCM effects
// that end in silence and never clip, tunes that loop without a click), and
// both generators giving the same bytes on every run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>

#include "host/image_decode.h"
#include "support/process.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

std::string Data(const std::string& name) { return std::string(KESTRO_BIN_DIR) + "/data/" + name; }
std::string Tool(const std::string& path) { return std::string(KESTRO_BIN_DIR) + "/../tools/" + path; }

struct Picture {
  int w = 0, h = 0, depth = 0;
  std::vector<unsigned char> px;
  explicit Picture(const std::string& path) {
    const std::string b = ReadFile(path);
    unsigned char* d = DecodePng(reinterpret_cast<const unsigned char*>(b.data()), b.size(), &w, &h, &depth);
    if (d) px.assign(d, d + (std::size_t)w * h * depth);
    std::free(d);
  }
  // Frame i of cells cw x ch in reading order: its pixels, and how many have ink.
  std::string Frame(int cw, int ch, int i, int* ink = nullptr) const {
    std::string bytes;
    const int x0 = i % (w / cw) * cw, y0 = i / (w / cw) * ch;
    if (ink) *ink = 0;
    for (int y = y0; y < y0 + ch; ++y) {
      bytes.append((const char*)&px[((std::size_t)y * w + x0) * depth], (std::size_t)cw * depth);
      for (int x = x0; ink && x < x0 + cw; ++x) *ink += px[((std::size_t)y * w + x) * depth + depth - 1] > 24;
    }
    return bytes;
  }
};

TEST(GeneratedImages, EverySheetHasTheFramesItsLoaderCutsInEachResolution) {
  const struct {
    const char* name;
    int cw, ch, frames;
    bool strip, sizes;  // one row of frames; "-hd" and "-hd2" sets too
  } sheets[] = {{"fonts/shadow_editundo", 16, 16, 128, true, true}, {"common/PlondrelLogo", 256, 256, 1, false, true},
                {"common/icons", 32, 32, 16, false, true},         {"common/Buttons", 64, 64, 16, false, true},
                {"common/dpad", 32, 32, 16, false, true},          {"menu", 256, 256, 4, false, true},
                {"logo", 256, 128, 1, false, true},                {"BadgesA", 64, 64, 64, false, true},
                {"parts", 8, 8, 256, false, true},                 {"common/circle", 256, 256, 4, false, true},
                {"common/light", 32, 32, 4, false, true},          {"gfx", 28, 28, 81, false, true}};
  for (const auto& s : sheets) {
    for (const auto& [suffix, k] : std::map<std::string, int>{{"", 1}, {"-hd", 2}, {"-hd2", 4}}) {
      const Picture pic(Data(s.name + suffix + ".png"));
      SCOPED_TRACE(s.name + suffix);
      ASSERT_EQ(pic.depth, 4) << "missing, not a PNG or not RGBA";
      const int cw = s.cw * k, ch = s.ch * k, cells = (pic.w / cw) * (pic.h / ch);
      EXPECT_EQ(pic.w % cw + pic.h % ch, 0);
      EXPECT_TRUE(!s.strip || (pic.w == cw * s.frames && pic.h == ch));
      EXPECT_GE(cells, s.frames);
      EXPECT_LT(cells - s.frames, pic.w / cw) << "a whole empty row";
    }
  }
  const Picture zuli(Data("zuli_font.png"));  // the default font: 96 cells in a strip
  ASSERT_EQ(zuli.w % 96, 0);
  for (int i = 1; i < 95; ++i) {
    int ink = 0;
    zuli.Frame(zuli.w / 96, zuli.h, i, &ink);
    EXPECT_GT(ink, 0) << "character " << i + 32;
  }
}

TEST(GeneratedImages, GlyphsRunnersAndBadgesHoldDistinctPictures) {
  for (const auto& [suffix, k] : std::map<std::string, int>{{"", 1}, {"-hd", 2}, {"-hd2", 4}}) {
    const Picture font(Data("fonts/shadow_editundo" + suffix + ".png")), gfx(Data("gfx" + suffix + ".png"));
    int ink = 0;
    for (int ch = 33; ch < 127; ++ch) {
      font.Frame(16 * k, 16 * k, ch - 32, &ink);
      EXPECT_GT(ink, 0) << suffix << " glyph " << (char)ch;
    }
    std::set<std::string> left, right;
    for (int i = 0; i < 6; ++i) {  // the runners: two characters, each animated
      left.insert(gfx.Frame(28 * k, 28 * k, 18 + i));
      right.insert(gfx.Frame(28 * k, 28 * k, 27 + i));
    }
    EXPECT_GE(left.size(), 4u);
    EXPECT_GE(right.size(), 4u);
    EXPECT_NE(*left.begin(), *right.begin());
  }
  const Picture badges(Data("BadgesA.png"));
  std::set<std::string> seen;
  for (int i = 0; i < 64; ++i) {
    int ink = 0;
    EXPECT_TRUE(seen.insert(badges.Frame(64, 64, i, &ink)).second) << "badge " << i << " repeats another";
    EXPECT_GT(ink, 1000) << "badge " << i;
  }
}

// ---- Sounds: sox is the reader, independent of the game's own ---------------------

const int kEffects[] = {1, 2, 3, 4, 5, 6, 7, 8, 95, 96, 98, 99};
std::string Effect(int slot) { return "sfx/" + std::string(slot < 10 ? "00" : "0") + std::to_string(slot) + ".wav"; }

struct Sound {
  std::string info;  // what soxi says
  int channels = 1;
  std::vector<short> s;  // interleaved, as sox decodes it
  explicit Sound(const std::string& name) : info(RunCommand({"soxi", Data(name)}).out) {
    const std::string raw = RunCommand({"sox", Data(name), "-t", "s16", "-"}).out;
    s.assign((const short*)raw.data(), (const short*)(raw.data() + raw.size() / 2 * 2));
    channels = info.find("Channels       : 2") != std::string::npos ? 2 : 1;
  }
  double Seconds() const { return (double)s.size() / channels / 44100; }
  double Db(std::size_t from = 0) const {
    int p = 0;
    for (std::size_t i = from; i < s.size(); ++i) p = std::max(p, std::abs((int)s[i]));
    return 20 * std::log10(std::max(p, 1) / 32768.0);
  }
  double Hz(double from, double to) const {  // rising zero crossings of the first channel
    int n = 0;
    for (std::size_t i = (std::size_t)(from * 44100) + 1; i < (std::size_t)(to * 44100); ++i) {
      n += s[(i - 1) * channels] < 0 && s[i * channels] >= 0;
    }
    return n / (to - from);
  }
};

TEST(GeneratedSounds, EffectsArePlainPcmThatEndsInSilenceAndNeverClips) {
  for (int slot : kEffects) {
    SCOPED_TRACE(Effect(slot));
    const Sound w(Effect(slot));
    const std::string bytes = ReadFile(Data(Effect(slot)));
    std::uint32_t riff = 0;
    std::memcpy(&riff, &bytes[4], 4);
    EXPECT_EQ(riff, bytes.size() - 8) << "a RIFF size that a strict reader refuses";
    EXPECT_NE(w.info.find("Sample Rate    : 44100"), std::string::npos) << w.info;
    EXPECT_NE(w.info.find("16-bit Signed Integer PCM"), std::string::npos) << w.info;
    EXPECT_LT(w.Seconds(), slot == 96 ? 2.5 : 1.5);  // the logo jingle is the long one
    // Cut or ended, a channel never pops: silent last 5 ms, a start near zero.
    EXPECT_LT(w.Db(w.s.size() - 220 * w.channels), -80.0);
    EXPECT_LE(std::abs(w.s.at(0)), 300);
    EXPECT_LT(w.Db(), -1.0);
    EXPECT_GT(w.Db(), -20.0);
  }
  // Left and right runners' hops, losses and homecomings sit at pitches
  // apart by more than the 0.9..1.1 rate spread they are played at.
  const struct {
    int left, right;
    double from, to;
  } pairs[] = {{1, 2, 0.03, 0.1}, {3, 4, 0.1, 0.4}, {6, 7, 0.0, 0.24}};
  for (const auto& pr : pairs) {
    const Sound l(Effect(pr.left)), r(Effect(pr.right));
    EXPECT_GT(r.Hz(pr.from, pr.to) / l.Hz(pr.from, pr.to), 1.1 / 0.9) << Effect(pr.left);
  }
}

TEST(GeneratedSounds, TunesAreStereoLoopsOfHalfAMinuteOrMoreWithoutAClick) {
  for (const char* name : {"testmusic", "artichoke", "broccoli", "horseraddish"}) {
    SCOPED_TRACE(name);
    const Sound t("sfx/" + std::string(name) + ".ogg");
    ASSERT_NE(t.info.find("Vorbis"), std::string::npos) << t.info;
    ASSERT_EQ(t.channels, 2);
    EXPECT_GE(t.Seconds(), 30.0);
    EXPECT_LE(t.Seconds(), 90.0);
    double sq = 0;
    for (short v : t.s) sq += (double)v * v;
    const double rms = 10 * std::log10(sq / (double)t.s.size() / (32768.0 * 32768.0));
    EXPECT_LT(t.Db(), -1.0);
    EXPECT_GT(rms, -26.0);
    EXPECT_LT(rms, -10.0);
    const std::size_t frames = t.s.size() / 2;
    for (std::size_t c = 0; c < 2; ++c) {
      // Across the seam the wave moves no more than it does within the music.
      std::vector<int> steps;
      for (std::size_t i = 1; i < frames; ++i) steps.push_back(std::abs(t.s[i * 2 + c] - t.s[i * 2 - 2 + c]));
      std::nth_element(steps.begin(), steps.begin() + steps.size() * 9 / 10, steps.end());
      EXPECT_LE(std::abs(t.s[c] - t.s[(frames - 1) * 2 + c]), steps[steps.size() * 9 / 10]) << c;
      EXPECT_LT(std::abs(t.s[c]), 32768 / 20);
    }
  }
}

// ---- The generators --------------------------------------------------------------

std::map<std::string, std::string> Tree(const std::string& root) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    if (e.is_regular_file()) files[fs::relative(e.path(), root)] = ReadFile(e.path());
  }
  return files;
}

TEST(Generators, GiveTheBuildsBytesOnEveryRunAndFailLoudlyWhenTheyCannotWrite) {
  const std::string images = MakeTempDir("images"), sounds = MakeTempDir("sounds");
  ASSERT_EQ(RunCommand({Tool("images/kestro_images"), images}, 120).exit_code, 0);
  // The build's sounds were made with one worker per core; one worker must
  // give the same bytes.
  ASSERT_EQ(RunCommand({Tool("sounds/kestro_soundgen"), sounds, "--threads", "1"}, 240).exit_code, 0);
  for (const std::string& dir : {images, sounds}) {
    const auto made = Tree(dir);
    EXPECT_GE(made.size(), 12u);
    for (const auto& [name, bytes] : made) EXPECT_TRUE(bytes == ReadFile(Data(name))) << name << " differs";
  }
  WriteFile(sounds + "/file", "x");
  for (const auto& args : {std::vector<std::string>{Tool("images/kestro_images"), sounds + "/file/data"},
                           std::vector<std::string>{Tool("sounds/kestro_soundgen"), sounds + "/file/data"}}) {
    const RunResult r = RunCommand(args, 60);
    EXPECT_NE(r.exit_code, 0) << args[0];
    EXPECT_NE(r.err.find("cannot"), std::string::npos) << r.err;
  }
  RunCommand({"rm", "-rf", images, sounds});
}

}  // namespace
