// The game with damaged data: a copy of the game and its data folder with one
// kind of file damaged, played as a player would (the menu, a level, a few
// hops, pause and "quit", recorded in the state file), then closed: exit code
// 0, the usual two lines on stdout, nothing on stderr. A missing or
// undecodable file only leaves its slot empty. Damage is made from the real
// files' bytes (cut, or noise after their signature), so every reader meets
// files that begin like the real thing; how each reader refuses every kind
// of damage is the unit tests' and fuzzers' to prove.
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

Bytes Noise(std::size_t n, std::uint32_t seed) {
  Bytes out(n, '\0');
  for (char& c : out) c = (char)((seed = seed * 1664525u + 1013904223u) >> 24);
  return out;
}
Make Head(std::size_t n) { return [=](const Bytes& b) { return b.substr(0, n); }; }
Make Part(double share) { return [=](const Bytes& b) { return b.substr(0, (std::size_t)((double)b.size() * share)); }; }
Make NoiseAfter(std::size_t n, std::uint32_t seed) {
  return [=](const Bytes& b) { return b.substr(0, n) + Noise(b.size() - n, seed); };
}

// Deleted (null), empty, the signature or RIFF header only, noise after it,
// cut short. Oggs cut in their headers or after them still decode in part
// (kept and played); the others give nothing.
const std::vector<Make> kPng = {nullptr, Head(0), Head(8), NoiseAfter(8, 2), Part(0.5)};
const std::vector<Make> kWav = {nullptr, Head(0), Head(12), NoiseAfter(44, 4), Part(0.6)};
const std::vector<Make> kOgg = {Part(0.33), NoiseAfter(4, 6), Head(1500), NoiseAfter(0, 5), Head(0)};

class DamagedData;
struct DamageSet {
  const char* name;
  // Before each round of play: the first damages the copy, later ones
  // damage more or flip the window (the game runs then).
  std::vector<std::function<void(DamagedData&)>> rounds;
};

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
  void FlipWindow() {
    p.Tap("F11");
    ASSERT_TRUE(p.FollowWindow()) << p.Output();
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

// Every image and font, in all three sizes: each name gets one kind of damage
// in all its sizes; a new window size loads every image again at its size.
void DamageImages(DamagedData& t) {
  std::map<std::string, std::size_t> family;
  for (const std::string& file : t.Files(".png")) {
    const std::string name = file.substr(0, std::min(file.find('-'), file.size() - 4));
    if (!family.count(name)) family[name] = family.size() % kPng.size();
    t.Damage(file, kPng[family[name]]);
  }
}
// The loading screen decodes all four tunes; one that gave nothing is read
// again when it is played, so level 1's ("artichoke") changes between rounds.
void DamageSounds(DamagedData& t) {
  const std::vector<std::string> wavs = t.Files(".wav");
  for (std::size_t i = 0; i < wavs.size(); ++i) t.Damage(wavs[i], kWav[i % kWav.size()]);
  const char* tunes[] = {"testmusic", "broccoli", "horseraddish", "artichoke"};
  for (std::size_t i = 0; i < 4; ++i) t.Damage("sfx/" + std::string(tunes[i]) + ".ogg", kOgg[i]);
}

INSTANTIATE_TEST_SUITE_P(
    Sets, DamagedData,
    ::testing::Values(
        DamageSet{"no_data_folder", {[](DamagedData& t) { fs::remove_all(t.root + "/data"); }}},
        DamageSet{"images",
                  {DamageImages, [](DamagedData& t) { t.FlipWindow(); }, [](DamagedData& t) { t.FlipWindow(); }}},
        DamageSet{"sounds",
                  {DamageSounds, [](DamagedData& t) { t.Damage("sfx/artichoke.ogg", kOgg[2]); },
                   [](DamagedData& t) { t.Damage("sfx/artichoke.ogg", kOgg[4]); }}}),
    [](const ::testing::TestParamInfo<DamageSet>& info) { return std::string(info.param.name); });

}  // namespace
