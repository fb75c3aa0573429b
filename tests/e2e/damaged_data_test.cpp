// The game with damaged data: a copy of the game and its data folder with one
// kind of file damaged, played as a player would (the menu, a level, a few
// hops, pause and "quit", recorded in the state file), then closed: exit code
// 0, the usual two lines on stdout, nothing on stderr. A missing or
// undecodable file only leaves its slot empty. Damage is made from the real
// files' bytes (cut, noise, header fields changed with their checksums
// recomputed), so every reader meets files that begin like the real thing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>

#include "support/play.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;
using Bytes = std::string;
using Make = std::function<Bytes(const Bytes&)>;

// ---- Damage --------------------------------------------------------------------

Bytes Noise(std::size_t n, std::uint32_t seed) {
  Bytes out(n, '\0');
  for (char& c : out) c = (char)((seed = seed * 1664525u + 1013904223u) >> 24);
  return out;
}
std::uint32_t Get(const Bytes& b, std::size_t at, bool big) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= (std::uint32_t)(unsigned char)b[at + i] << (big ? 24 - 8 * i : 8 * i);
  return v;
}
void Put(Bytes& b, std::size_t at, std::uint32_t v, bool big, int n = 4) {
  for (int i = 0; i < n; ++i) b[at + i] = (char)(v >> (big ? 8 * (n - 1 - i) : 8 * i));
}
std::uint32_t Crc32(const Bytes& b, std::size_t at, std::size_t n) {
  std::uint32_t crc = 0xffffffffu;
  for (std::size_t i = at; i < at + n; ++i) {
    crc ^= (unsigned char)b[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1)));
  }
  return ~crc;
}
// Every chunk of a PNG: (offset of its length field, data length, type).
void ForEachPngChunk(const Bytes& png, const std::function<void(std::size_t, std::uint32_t, const Bytes&)>& f) {
  for (std::size_t at = 8; at + 12 <= png.size();) {
    const std::uint32_t length = Get(png, at, true);
    if (length > png.size() - at - 12) break;
    f(at, length, png.substr(at + 4, 4));
    at += 12 + length;
  }
}
// The header claims another size, its checksum made to match.
Make PngSize(std::uint32_t side) {
  return [=](Bytes png) {
    Put(png, 16, side, true);
    Put(png, 20, side, true);
    Put(png, 29, Crc32(png, 12, 17), true);
    return png;
  };
}
// A RIFF chunk's field changed: `offset` bytes after the tag.
Make Wav(const char* tag, std::size_t offset, std::uint32_t value, int size) {
  return [=](Bytes w) {
    for (std::size_t at = 12; at + 8 <= w.size(); at += 8 + (std::size_t)Get(w, at + 4, false)) {
      if (w.compare(at, 4, tag) == 0) {
        Put(w, at + offset, value, false, size);
        break;
      }
    }
    return w;
  };
}

Make Head(std::size_t n) { return [=](const Bytes& b) { return b.substr(0, n); }; }
Make Part(double share) { return [=](const Bytes& b) { return b.substr(0, (std::size_t)((double)b.size() * share)); }; }
Make NoiseAfter(std::size_t n, std::uint32_t seed) {
  return [=](const Bytes& b) { return b.substr(0, n) + Noise(b.size() - n, seed); };
}

const std::vector<Make> kPng = {
    NoiseAfter(0, 1), NoiseAfter(8, 2), Head(0), Head(33) /* the header only */,
    [](Bytes png) {  // every checksum wrong
      ForEachPngChunk(png, [&](std::size_t at, std::uint32_t n, const Bytes&) { png[at + 11 + n] ^= 0x5a; });
      return png;
    },
    PngSize(100000), PngSize(4096), Part(0.5),
    [](Bytes png) {  // noise over the middle of the compressed pixels
      ForEachPngChunk(png, [&](std::size_t at, std::uint32_t n, const Bytes& type) {
        if (type == "IDAT" && n >= 64) png.replace(at + 8 + n / 4, n / 2, Noise(n / 2, n));
      });
      return png;
    }};
// Deleted, empty, the RIFF header only, cut inside fmt, noise, cut short,
// sizes of 2 and 4 GiB, no channels, compressed, 12-bit, noise for samples.
const std::vector<Make> kWav = {
    nullptr, Head(0), Head(12), Head(22), NoiseAfter(0, 3), Part(0.6), Wav("data", 4, 0x7ffffff0u, 4),
    Wav("fmt ", 4, 0xfffffff0u, 4), Wav("fmt ", 10, 0, 2), Wav("fmt ", 8, 2, 2), Wav("fmt ", 22, 12, 2),
    NoiseAfter(44, 4)};
// Oggs: some still decode in part (kept and played), the others give nothing.
const std::vector<Make> kOgg = {
    Part(0.33),
    [](Bytes o) {  // pages hit every tenth
      for (int k = 2; k < 10; ++k) o.replace(o.size() * k / 10, 16, Noise(16, (std::uint32_t)k));
      return o;
    },
    NoiseAfter(4, 6), NoiseAfter(0, 5), Head(1500) /* inside the headers */, Head(0)};

// ---- The cases -----------------------------------------------------------------

class DamagedData;
struct DamageSet {
  const char* name;
  // Before each round of play: the first damages the copy, later ones
  // damage more or change the window (the game is running then).
  std::vector<std::function<void(DamagedData&)>> rounds;
};

void PrintTo(const DamageSet& set, std::ostream* out) { *out << set.name; }

class DamagedData : public ::testing::TestWithParam<DamageSet> {
 public:
  std::string root = MakeTempDir("damaged-data");
  Player p;

  std::vector<std::string> Files(const std::string& extension) {
    std::vector<std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(root + "/data")) {
      if (e.path().extension() == extension) out.push_back(fs::relative(e.path(), root + "/data"));
    }
    std::sort(out.begin(), out.end());
    return out;
  }
  void Damage(const std::string& file, const Make& make) {
    const std::string path = root + "/data/" + file;
    static std::map<std::string, Bytes> real;  // a file damaged twice starts from the real bytes
    if (!real.count(path)) real[path] = ReadFile(path);
    fs::remove(path);
    if (make) WriteFile(path, make(real[path]));
  }
  void FlipWindow(int width) {
    p.Tap("F11");
    int w = 0, h = 0;
    ASSERT_TRUE(p.FollowWindow() && p.Size(&w, &h)) << p.Output();
    EXPECT_EQ(w, width);
  }

 protected:
  void TearDown() override { RunCommand({"rm", "-rf", root}); }

  // A key held while the game draws a few frames: what it shows may be
  // missing, so nothing else tells that it was seen.
  void Hold(const std::string& key) {
    p.KeyDown(key);
    p.NextFrames(3);
    p.KeyUp(key);
    p.NextFrames(3);
  }

  void PlayAndLeave(const std::string& tag) {
    fs::remove(p.StatePath());
    ASSERT_TRUE(p.WaitFor(MenuScreen)) << "no menu" << p.Output();
    ASSERT_TRUE(StartLevel(p, true)) << "no level" << p.Output();
    for (const char* key : {"l", "d", "k", "a"}) Hold(key);
    p.Keep("damaged_data_" + tag);
    // Escape on the menu would end the program: pause and quit only while
    // a game is on screen and unrecorded (the runners may have ended it).
    for (int attempt = 0; attempt < 3 && !FileExists(p.StatePath()); ++attempt) {
      if (GameScreen(p.Look())) {
        for (const char* key : {"Escape", "Up", "space"}) Hold(key);
      }
      WaitUntil([&] { return FileExists(p.StatePath()); }, 5);
    }
    ASSERT_TRUE(FileExists(p.StatePath())) << "the game was not recorded" << p.Output();
  }
};

TEST_P(DamagedData, TheGameLoadsPlaysSavesAndEndsCleanly) {
  RunCommand({"cp", "-a", GamePath(), std::string(KESTRO_BIN_DIR) + "/data", root}, 120);
  const auto& rounds = GetParam().rounds;
  for (std::size_t round = 0; round < rounds.size(); ++round) {
    rounds[round](*this);
    if (round == 0) {
      ASSERT_TRUE(p.Start({{root + "/tazmelo"}, {"ALSOFT_DRIVERS=null"}, root}));
    }
    ASSERT_NO_FATAL_FAILURE(PlayAndLeave(std::string(GetParam().name) + std::to_string(round)));
  }
  ASSERT_TRUE(p.WaitFor(MenuScreen));
  ASSERT_TRUE(p.Close()) << "the close button did not end the program";
  EXPECT_EQ(p.Process().ExitCode(), 0) << p.Output();
  EXPECT_EQ(p.Process().Stdout(), "opening openal device\nHighscores Loaded\n");
  EXPECT_EQ(p.Process().Stderr(), "");
}

// Every image and font, in all three sizes, damaged: each name gets one
// kind of damage in all its sizes (the game's font cut in half, the tiles
// scrambled); a new window size loads every image again at its own size.
void DamageImages(DamagedData& t) {
  std::map<std::string, std::size_t> family;
  for (const std::string& file : t.Files(".png")) {
    std::string name = file.substr(0, file.find('-') == std::string::npos ? file.size() - 4 : file.find('-'));
    if (!family.count(name)) family[name] = family.size() % kPng.size();
    t.Damage(file, kPng[family[name]]);
  }
}
void DamageEffects(DamagedData& t) {
  const std::vector<std::string> wavs = t.Files(".wav");
  for (std::size_t i = 0; i < wavs.size(); ++i) t.Damage(wavs[i], kWav[i % kWav.size()]);
}
// The loading screen decodes all four tunes; one that gave nothing is read
// again when it is played, so level 1's ("artichoke") changes between rounds.
void DamageTunes(DamagedData& t) {
  t.Damage("sfx/testmusic.ogg", kOgg[0]);
  t.Damage("sfx/broccoli.ogg", kOgg[1]);
  t.Damage("sfx/horseraddish.ogg", kOgg[2]);
  t.Damage("sfx/artichoke.ogg", kOgg[3]);
}

INSTANTIATE_TEST_SUITE_P(
    Sets, DamagedData,
    ::testing::Values(
        DamageSet{"no_data_folder", {[](DamagedData& t) { fs::remove_all(t.root + "/data"); }}},
        DamageSet{"images",
                  {DamageImages, [](DamagedData& t) { t.FlipWindow(1280); },
                   [](DamagedData& t) { t.FlipWindow(640); }}},
        DamageSet{"sound_effects", {DamageEffects}},
        DamageSet{"tunes",
                  {DamageTunes, [](DamagedData& t) { t.Damage("sfx/artichoke.ogg", kOgg[4]); },
                   [](DamagedData& t) { t.Damage("sfx/artichoke.ogg", kOgg[5]); }}}),
    [](const ::testing::TestParamInfo<DamageSet>& info) { return std::string(info.param.name); });

}  // namespace
