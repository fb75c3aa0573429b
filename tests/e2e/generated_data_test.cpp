// The generated data as the game finds it in bin/data: images read back with
// the game's own PNG decoder (every sheet in three scales, every glyph
// drawn), sounds read by sox as the outside reference (plain PCM effects that
// end in silence and never clip, tunes that loop without a click), and both
// generators giving the same bytes on every run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>

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
  // Pixels with ink in frame i of cells cw x ch, in reading order.
  int Ink(int cw, int ch, int i) const {
    const int x0 = i % (w / cw) * cw, y0 = i / (w / cw) * ch;
    int ink = 0;
    for (int y = y0; y < y0 + ch; ++y) {
      for (int x = x0; x < x0 + cw; ++x) ink += px[((std::size_t)y * w + x) * depth + depth - 1] > 24;
    }
    return ink;
  }
};

// Each sheet in its three scales (the loader picks one by window size, and
// cuts them all with one cell size times the scale), and every character of
// both fonts drawn.
TEST(GeneratedImages, EverySheetComesInThreeScalesAndEveryGlyphHasInk) {
  int sheets = 0;
  for (const auto& e : fs::recursive_directory_iterator(Data(""))) {
    const std::string path = e.path().string();
    if (path.size() < 7 || path.compare(path.size() - 7, 7, "-hd.png") != 0) continue;
    const std::string stem = path.substr(0, path.size() - 7);
    const Picture base(stem + ".png"), hd(path), hd2(stem + "-hd2.png");
    SCOPED_TRACE(stem);
    ++sheets;
    ASSERT_EQ(base.depth * hd.depth * hd2.depth, 64) << "missing, not a PNG or not RGBA";
    EXPECT_TRUE(hd.w == 2 * base.w && hd.h == 2 * base.h && hd2.w == 4 * base.w && hd2.h == 4 * base.h);
  }
  EXPECT_GE(sheets, 12);
  for (const auto& [suffix, k] : std::map<std::string, int>{{"", 1}, {"-hd", 2}, {"-hd2", 4}}) {
    const Picture font(Data("fonts/shadow_editundo" + suffix + ".png"));
    for (int ch = 33; ch < 127; ++ch) EXPECT_GT(font.Ink(16 * k, 16 * k, ch - 32), 0) << suffix << (char)ch;
  }
  const Picture zuli(Data("zuli_font.png"));  // the default font: 96 cells in a strip
  ASSERT_EQ(zuli.w % 96, 0);
  for (int i = 1; i < 95; ++i) EXPECT_GT(zuli.Ink(zuli.w / 96, zuli.h, i), 0) << "character " << i + 32;
}

// ---- Sounds: sox is the reader, independent of the game's own ---------------------

struct Sound {
  std::string info;  // what soxi says
  int channels = 1;
  std::vector<short> s;  // interleaved, as sox decodes it
  explicit Sound(const std::string& path) : info(RunCommand({"soxi", path}).out) {
    const std::string raw = RunCommand({"sox", path, "-t", "s16", "-"}).out;
    s.assign((const short*)raw.data(), (const short*)(raw.data() + raw.size() / 2 * 2));
    channels = info.find("Channels       : 2") != std::string::npos ? 2 : 1;
  }
  double Db(std::size_t from = 0) const {
    int p = 0;
    for (std::size_t i = from; i < s.size(); ++i) p = std::max(p, std::abs((int)s[i]));
    return 20 * std::log10(std::max(p, 1) / 32768.0);
  }
};

std::vector<std::string> Sounds(const std::string& extension) {
  std::vector<std::string> out;
  for (const auto& e : fs::directory_iterator(Data("sfx"))) out.push_back(e.path());
  out.erase(std::remove_if(out.begin(), out.end(), [&](const fs::path& f) { return f.extension() != extension; }),
            out.end());
  return out;
}

TEST(GeneratedSounds, EffectsArePlainPcmThatEndsInSilenceAndNeverClips) {
  EXPECT_GE(Sounds(".wav").size(), 12u);
  for (const std::string& path : Sounds(".wav")) {
    SCOPED_TRACE(path);
    const Sound w(path);
    const std::string bytes = ReadFile(path);
    std::uint32_t riff = 0;
    std::memcpy(&riff, &bytes[4], 4);
    EXPECT_EQ(riff, bytes.size() - 8) << "a RIFF size that a strict reader refuses";
    EXPECT_NE(w.info.find("Sample Rate    : 44100"), std::string::npos) << w.info;
    EXPECT_NE(w.info.find("16-bit Signed Integer PCM"), std::string::npos) << w.info;
    // Cut or ended, a channel never pops: silent last 5 ms, a start near zero.
    EXPECT_LT(w.Db(w.s.size() - 220 * w.channels), -80.0);
    EXPECT_LE(std::abs(w.s.at(0)), 300);
    EXPECT_TRUE(w.Db() < -1.0 && w.Db() > -20.0) << w.Db() << " dB: clips or is barely heard";
  }
}

TEST(GeneratedSounds, TunesAreStereoLoopsWithoutAClick) {
  EXPECT_EQ(Sounds(".ogg").size(), 4u);
  for (const std::string& path : Sounds(".ogg")) {
    SCOPED_TRACE(path);
    const Sound t(path);
    ASSERT_NE(t.info.find("Vorbis"), std::string::npos) << t.info;
    ASSERT_EQ(t.channels, 2);
    EXPECT_TRUE(t.Db() < -1.0 && t.Db() > -20.0) << t.Db() << " dB: clips or is barely heard";
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

TEST(Generators, GiveTheBuildsBytesOnEveryRunAndFailLoudlyWhenTheyCannotWrite) {
  const std::string images = MakeTempDir("images"), sounds = MakeTempDir("sounds");
  ASSERT_EQ(RunCommand({Tool("images/kestro_images"), images}, 120).exit_code, 0);
  // The build's sounds were made with one worker per core; one worker must
  // give the same bytes.
  ASSERT_EQ(RunCommand({Tool("sounds/kestro_soundgen"), sounds, "--threads", "1"}, 240).exit_code, 0);
  for (const std::string& dir : {images, sounds}) {
    int files = 0;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
      const std::string name = fs::relative(e.path(), dir);
      files += e.is_regular_file();
      EXPECT_TRUE(!e.is_regular_file() || ReadFile(e.path()) == ReadFile(Data(name))) << name << " differs";
    }
    EXPECT_GE(files, 12);
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
