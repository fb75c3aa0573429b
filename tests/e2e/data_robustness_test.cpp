// The game with damaged data files. Each case copies build/bin/tazmelo and
// its data folder into a scratch directory (the game finds "data" beside its
// executable), damages one kind of file there, and plays as a player would:
// the menu, level 1 started with Space, a few hops of both runners, pause,
// "quit". The quit game is recorded in the state file on the way back to the
// menu, which proves the loader, the menu and a level all ran. Closing the
// window must end the program with exit code 0, with no line on stdout
// beyond the usual two and nothing on stderr but OpenAL's own notices: a
// missing or undecodable file only leaves its slot empty.
//
// Damage is made byte by byte from the real files (cut, overwritten with
// noise, header fields changed with their checksums recomputed), so every
// reader meets files that begin like the real thing.
//
// Screenshots of every stage: build/tests/screenshots/data_robustness_*.png.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "support/game_session.h"
#include "support/process.h"
#include "support/xvfb.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

// ---- Damage -------------------------------------------------------------------

// Deterministic noise.
std::string Noise(std::size_t n, std::uint32_t seed) {
  std::string out(n, '\0');
  for (char& c : out) {
    seed = seed * 1664525u + 1013904223u;
    c = (char)(seed >> 24);
  }
  return out;
}

std::string Cut(const std::string& bytes, double share) {
  return bytes.substr(0, (std::size_t)((double)bytes.size() * share));
}

std::uint32_t Crc32(const std::string& bytes, std::size_t at, std::size_t n) {
  std::uint32_t crc = 0xffffffffu;
  for (std::size_t i = at; i < at + n; ++i) {
    crc ^= (unsigned char)bytes[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

void PutU32BE(std::string& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = (char)(v >> (24 - 8 * i));
}
void PutU32LE(std::string& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = (char)(v >> (8 * i));
}
void PutU16LE(std::string& b, std::size_t at, unsigned v) {
  b[at] = (char)v;
  b[at + 1] = (char)(v >> 8);
}
std::uint32_t U32BE(const std::string& b, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v = v << 8 | (unsigned char)b[at + i];
  return v;
}
std::uint32_t U32LE(const std::string& b, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | (unsigned char)b[at + i];
  return v;
}

// A PNG's chunks: offset of the length field, data length, type.
struct PngChunk {
  std::size_t at;
  std::uint32_t length;
  std::string type;
};

std::vector<PngChunk> PngChunks(const std::string& png) {
  std::vector<PngChunk> out;
  for (std::size_t at = 8; at + 12 <= png.size();) {
    std::uint32_t length = U32BE(png, at);
    if (length > png.size() - at - 12) break;
    out.push_back({at, length, png.substr(at + 4, 4)});
    at += 12 + length;
  }
  return out;
}

// The header claims another size; its checksum is made to match, so only
// the size is wrong.
std::string PngWithSize(std::string png, std::uint32_t width, std::uint32_t height) {
  PutU32BE(png, 16, width);
  PutU32BE(png, 20, height);
  PutU32BE(png, 29, Crc32(png, 12, 17));
  return png;
}

std::string PngWithWrongCrcs(std::string png) {
  for (const PngChunk& c : PngChunks(png)) {
    std::size_t crc = c.at + 8 + c.length;
    png[crc + 3] = (char)(png[crc + 3] ^ 0x5a);
  }
  return png;
}

// Noise over the middle of the compressed pixels.
std::string PngScrambled(std::string png) {
  for (const PngChunk& c : PngChunks(png)) {
    if (c.type != "IDAT" || c.length < 64) continue;
    std::string noise = Noise(c.length / 2, c.length);
    png.replace(c.at + 8 + c.length / 4, noise.size(), noise);
  }
  return png;
}

// Offset of a RIFF chunk's tag ("fmt ", "data"), or npos.
std::size_t RiffChunk(const std::string& wav, const char* tag) {
  for (std::size_t at = 12; at + 8 <= wav.size();) {
    if (wav.compare(at, 4, tag) == 0) return at;
    at += 8 + (std::size_t)U32LE(wav, at + 4);
  }
  return std::string::npos;
}

struct Damage {
  const char* name;
  std::function<std::string(const std::string&)> make;  // from the real file's bytes
  bool remove = false;                                  // no file at all
};

// The real file with one field of RIFF chunk `tag` changed: the field lies
// `offset` bytes after the tag.
std::function<std::string(const std::string&)> WavWithU32(const char* tag, std::size_t offset,
                                                           std::uint32_t value) {
  return [=](const std::string& b) {
    std::string w = b;
    PutU32LE(w, RiffChunk(w, tag) + offset, value);
    return w;
  };
}
std::function<std::string(const std::string&)> WavWithU16(const char* tag, std::size_t offset,
                                                           unsigned value) {
  return [=](const std::string& b) {
    std::string w = b;
    PutU16LE(w, RiffChunk(w, tag) + offset, value);
    return w;
  };
}

const std::vector<Damage>& PngDamages() {
  static const std::vector<Damage> list = {
      {"noise", [](const std::string& b) { return Noise(b.size(), 1); }},
      {"signature, then noise",
       [](const std::string& b) { return b.substr(0, 8) + Noise(b.size() - 8, 2); }},
      {"empty", [](const std::string&) { return std::string(); }},
      {"cut after the header", [](const std::string& b) { return b.substr(0, 33); }},
      {"wrong checksums", PngWithWrongCrcs},
      {"100000 x 100000 pixels",
       [](const std::string& b) { return PngWithSize(b, 100000, 100000); }},
      {"4096 x 4096 pixels", [](const std::string& b) { return PngWithSize(b, 4096, 4096); }},
      {"cut in half", [](const std::string& b) { return Cut(b, 0.5); }},
      {"scrambled pixels", PngScrambled},
  };
  return list;
}

const std::vector<Damage>& WavDamages() {
  static const std::vector<Damage> list = {
      {"deleted", nullptr, true},
      {"empty", [](const std::string&) { return std::string(); }},
      {"RIFF header only", [](const std::string& b) { return b.substr(0, 12); }},
      {"cut inside fmt", [](const std::string& b) { return b.substr(0, 22); }},
      {"noise", [](const std::string& b) { return Noise(b.size(), 3); }},
      {"data cut short", [](const std::string& b) { return Cut(b, 0.6); }},
      {"data size 2 GiB", WavWithU32("data", 4, 0x7ffffff0u)},
      {"fmt size 4 GiB", WavWithU32("fmt ", 4, 0xfffffff0u)},
      {"no channels", WavWithU16("fmt ", 10, 0)},
      {"compressed", WavWithU16("fmt ", 8, 2)},
      {"12-bit samples", WavWithU16("fmt ", 22, 12)},
      {"noise after the header",
       [](const std::string& b) {
         std::size_t data = RiffChunk(b, "data");
         return b.substr(0, data) + Noise(b.size() - data, 4);
       }},
  };
  return list;
}

// Oggs: some still decode in part (those are kept and played), the others
// give nothing.
const Damage kOggCutToAThird{"cut to a third", [](const std::string& b) { return Cut(b, 0.33); }};
const Damage kOggNoise{"noise", [](const std::string& b) { return Noise(b.size(), 5); }};
const Damage kOggPagesHit{"pages hit every tenth", [](const std::string& b) {
                            std::string o = b;
                            for (int k = 2; k < 10; ++k) {
                              o.replace(o.size() * k / 10, 16, Noise(16, (std::uint32_t)k));
                            }
                            return o;
                          }};
const Damage kOggCutInHeaders{"cut inside the headers",
                              [](const std::string& b) { return b.substr(0, 1500); }};
const Damage kOggEmpty{"empty", [](const std::string&) { return std::string(); }};
const Damage kOggCaptureThenNoise{"capture pattern, then noise", [](const std::string& b) {
                                    return b.substr(0, 4) + Noise(b.size() - 4, 6);
                                  }};

// ---- The cases ----------------------------------------------------------------

class DataRobustness : public ::testing::Test {
 protected:
  std::string root, data, work;
  GameSession session;
  std::map<std::string, std::string> originals;  // data path -> real bytes
  std::string applied;                           // what was done, for messages

  void SetUp() override {
    StartXvfb();
    root = MakeTempDir("data-robustness");
    data = root + "/data";
    work = root + "/work";
    RunResult copy =
        RunCommand({"cp", "-a", GamePath(), std::string(KESTRO_BIN_DIR) + "/data", root}, 120);
    ASSERT_EQ(copy.exit_code, 0) << copy.err;
    ASSERT_EQ(mkdir(work.c_str(), 0755), 0);
  }

  void TearDown() override { RunCommand({"rm", "-rf", root}, 120); }

  // Data files with this extension, by path below data/, in order.
  std::vector<std::string> Files(const std::string& extension) {
    std::vector<std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(data)) {
      if (e.is_regular_file() && e.path().extension() == extension) {
        out.push_back(fs::relative(e.path(), data).string());
      }
    }
    std::sort(out.begin(), out.end());
    return out;
  }

  void Apply(const std::string& file, const Damage& damage) {
    const std::string path = data + "/" + file;
    if (!originals.count(file)) originals[file] = ReadFile(path);
    std::remove(path.c_str());
    if (!damage.remove) WriteFile(path, damage.make(originals[file]));
    applied += file + ": " + damage.name + "\n";
  }

  // The menu, level 1, a few hops, pause and quit; back on the menu the
  // game is recorded. `tag` names the screenshots.
  void PlayAndLeave(const std::string& tag) {
    const std::string name = "data_robustness_" + tag;
    const std::string state = work + "/.kestrostate";
    std::remove(state.c_str());
    ASSERT_NE(session.WaitForScreen(name + "_1_menu", GameSession::MenuScreen, 60), "")
        << "no menu" << Output();
    SleepSeconds(1.5);  // the menu's layout slides in
    session.Shot(name + "_1_menu");
    ASSERT_TRUE(session.StartLevel(name + "_2_level")) << "no level" << Output();
    for (int hop = 0; hop < 8; ++hop) session.Hop(hop % 2 == 0);
    session.Shot(name + "_3_playing");
    ASSERT_TRUE(session.Running()) << Output();

    // The runners may have ended the game by themselves; otherwise quit it.
    // Escape on the menu would end the program, so it is pressed only while
    // a game is on screen and unrecorded.
    bool recorded = false;
    for (int attempt = 0; attempt < 3 && !recorded; ++attempt) {
      if (!FileExists(state) && GameSession::GameScreen(session.Shot(name + "_4_leaving"))) {
        session.PauseAndQuit();
      }
      recorded = WaitUntil([&] { return FileExists(state); }, 10);
    }
    ASSERT_TRUE(recorded) << "the game was not recorded" << Output();
    ASSERT_NE(session.WaitForScreen(name + "_5_menu_again", GameSession::MenuScreen, 30), "")
        << "the menu did not come back" << Output();
  }

  void CloseAndCheck() {
    ASSERT_TRUE(session.Close(30)) << "closing the window did not end the program";
    ChildProcess& game = session.Process();
    EXPECT_EQ(game.TermSignal(), 0) << Output();
    EXPECT_EQ(game.ExitCode(), 0) << Output();
    // A missing or broken file is reported nowhere.
    EXPECT_EQ(game.Stdout(), "opening openal device\nHighscores Loaded\n");
    // Nor is anything else: the audio device is closed at exit, so not even
    // OpenAL has a word to say.
    EXPECT_EQ(game.Stderr(), "");
  }

  std::string Output() {
    return "\n--- damage\n" + applied + "--- stdout\n" + session.Process().Stdout() +
           "--- stderr\n" + session.Process().Stderr();
  }
};

TEST_F(DataRobustness, NoDataFolderAtAll) {
  RunCommand({"rm", "-rf", data});
  ASSERT_FALSE(FileExists(data));
  ASSERT_TRUE(session.Start(root + "/tazmelo", work));
  ASSERT_NO_FATAL_FAILURE(PlayAndLeave("no_data"));
  CloseAndCheck();
}

// Every image and font, in all three sizes, damaged: each name gets one kind
// of damage in all its sizes, so each set the game loads meets every kind
// (in name order: the game's font is cut in half, the tiles scrambled).
TEST_F(DataRobustness, ImagesAndFontsDamaged) {
  std::map<std::string, int> family;  // name without size suffix -> damage
  for (const std::string& file : Files(".png")) {
    std::string name = file.substr(0, file.size() - 4);
    for (const char* suffix : {"-hd2", "-hd"}) {
      std::size_t n = std::string(suffix).size();
      if (name.size() > n && name.compare(name.size() - n, n, suffix) == 0) {
        name.resize(name.size() - n);
        break;
      }
    }
    if (!family.count(name)) family[name] = (int)family.size() % (int)PngDamages().size();
    Apply(file, PngDamages()[family[name]]);
  }
  ASSERT_GE(family.size(), PngDamages().size());
  ASSERT_TRUE(session.Start(root + "/tazmelo", work));
  ASSERT_NO_FATAL_FAILURE(PlayAndLeave("png"));
  // A new window size loads every image again, at the size it calls for:
  // full screen takes the largest set ("-hd2"), windowed the "-hd" set.
  ASSERT_TRUE(session.SwitchFullScreen(1280)) << Output();
  ASSERT_NO_FATAL_FAILURE(PlayAndLeave("png_fullscreen"));
  ASSERT_TRUE(session.SwitchFullScreen(640)) << Output();
  ASSERT_NO_FATAL_FAILURE(PlayAndLeave("png_windowed_again"));
  CloseAndCheck();
}

TEST_F(DataRobustness, SoundEffectsDeletedOrDamaged) {
  std::vector<std::string> wavs = Files(".wav");
  ASSERT_GE(wavs.size(), 12u);
  for (std::size_t i = 0; i < wavs.size(); ++i)
    Apply(wavs[i], WavDamages()[i % WavDamages().size()]);
  ASSERT_TRUE(session.Start(root + "/tazmelo", work));
  ASSERT_NO_FATAL_FAILURE(PlayAndLeave("wav"));
  CloseAndCheck();
}

// The loading screen decodes all four tunes; one that gave nothing is read
// again when it is played, so the level's tune (level 1: "artichoke", after
// the game's own "testmusic") changes between rounds of one run. Missing
// tunes: the first case.
TEST_F(DataRobustness, TunesDamaged) {
  ASSERT_EQ(Files(".ogg").size(), 4u);
  Apply("sfx/testmusic.ogg", kOggCutToAThird);
  Apply("sfx/broccoli.ogg", kOggPagesHit);
  Apply("sfx/horseraddish.ogg", kOggCaptureThenNoise);
  const Damage* rounds[] = {&kOggNoise, &kOggCutInHeaders, &kOggEmpty};
  for (int round = 0; round < 3; ++round) {
    Apply("sfx/artichoke.ogg", *rounds[round]);
    if (round == 0) {
      ASSERT_TRUE(session.Start(root + "/tazmelo", work));
    }
    ASSERT_NO_FATAL_FAILURE(PlayAndLeave("ogg_round" + std::to_string(round + 1)));
  }
  CloseAndCheck();
}

}  // namespace
