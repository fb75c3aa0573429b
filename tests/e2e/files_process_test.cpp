// The host's files seen from real processes: resource paths resolve beside
// wherever the executable lies, a save killed at any moment leaves the old or
// the new state whole, and a hostile image header never gets its memory.
#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "support/process.h"

namespace {

using namespace testing_support;

std::string Probe(const std::string& exe, const std::vector<std::string>& args,
                  const std::string& cwd = "") {
  std::vector<std::string> all = {exe};
  all.insert(all.end(), args.begin(), args.end());
  if (cwd.empty()) {
    RunResult r = RunCommand(all, 60);
    EXPECT_EQ(r.exit_code, 0) << r.err;
    return r.out;
  }
  ChildProcess p;
  p.Start(all, {}, cwd);
  EXPECT_TRUE(p.Wait(60));
  EXPECT_EQ(p.ExitCode(), 0) << p.Stderr();
  return p.Stdout();
}

// A copy of the probe in a directory of the test's choosing.
std::string PlaceProbe(const std::string& dir) {
  std::string exe = dir + "/probe";
  RunResult r = RunCommand({"cp", ToolPath("files_probe"), exe});
  EXPECT_EQ(r.exit_code, 0);
  return exe;
}

TEST(FilesResourcePaths, ResolveBesideTheExecutableWhereverItLies) {
  // Spaces and non-ASCII letters in the directory survive the mapping.
  std::string base = MakeTempDir("files-paths") + "/Games dir/\xC3\xA9t\xC3\xA9";
  ASSERT_EQ(RunCommand({"mkdir", "-p", base + "/data/gfx"}).exit_code, 0);
  std::string exe = PlaceProbe(base);

  EXPECT_EQ(Probe(exe, {"path", "kestro://data/gfx/menu.png"}), base + "/data/gfx/menu.png\n");
  EXPECT_EQ(Probe(exe, {"path", "kestro://internal/save.txt"}), base + "/internal/save.txt\n");
  EXPECT_EQ(Probe(exe, {"path", "kestro://external/a/b.txt"}), base + "/external/a/b.txt\n");
  EXPECT_EQ(Probe(exe, {"path", "kestro://cache/x.txt"}), "\n");
  EXPECT_EQ(Probe(exe, {"path", "kestro:nothing"}), "\n");
  EXPECT_EQ(Probe(exe, {"path", "relative/x.txt"}), "relative/x.txt\n");
  EXPECT_EQ(Probe(exe, {"path", "/abs/x.txt"}), "/abs/x.txt\n");

  // The mapped paths really open the files there, and other areas open nothing
  // even when a same-named folder exists beside the executable.
  WriteFile(base + "/data/gfx/note.txt", "caf\xC3\xA9");
  ASSERT_EQ(RunCommand({"mkdir", "-p", base + "/cache"}).exit_code, 0);
  WriteFile(base + "/cache/note.txt", "x");
  EXPECT_EQ(Probe(exe, {"string", "kestro://data/gfx/note.txt"}), "caf\xC3\xA9\n");
  EXPECT_EQ(Probe(exe, {"open", "kestro://cache/note.txt"}), "null\n");
  EXPECT_EQ(Probe(exe, {"open", "kestro://data/gfx/missing.txt"}), "null\n");
  EXPECT_EQ(Probe(exe, {"data", "kestro://data/gfx/note.txt"}), "5 5\n");
  // A folder is not a file.
  EXPECT_EQ(Probe(exe, {"open", "kestro://data/gfx"}), "null\n");
}

TEST(FilesResourcePaths, StateFileLivesInTheCurrentDirectoryNotBesideTheProgram) {
  std::string exe_dir = MakeTempDir("files-exe");
  std::string work = MakeTempDir("files-cwd");
  std::string exe = PlaceProbe(exe_dir);
  EXPECT_EQ(Probe(exe, {"save", "level=3 caf\xC3\xA9"}, work), "0\n");
  EXPECT_EQ(ReadFile(work + "/.kestrostate"), "level=3 caf\xC3\xA9");
  EXPECT_FALSE(FileExists(exe_dir + "/.kestrostate"));
  EXPECT_EQ(Probe(exe, {"state"}, work), "level=3 caf\xC3\xA9\n");
}

std::vector<std::string> ListDir(const std::string& dir) {
  std::vector<std::string> names;
  DIR* d = opendir(dir.c_str());
  while (dirent* e = d ? readdir(d) : nullptr) {
    std::string n = e->d_name;
    if (n != "." && n != "..") names.push_back(n);
  }
  if (d) closedir(d);
  return names;
}

TEST(FilesStateCrashSafety, KilledMidSaveLeavesOldOrNewStateWhole) {
  std::string work = MakeTempDir("files-crash");
  std::string expected = MakeTempDir("files-expected");
  WriteFile(work + "/.kestrostate", "the first state");
  std::mt19937 rng(20240611);
  std::uniform_int_distribution<int> delay_us(0, 40000);
  std::string a, b;
  int saw_a = 0, saw_b = 0, saw_first = 0;
  const int kRuns = 60;
  for (int run = 0; run < kRuns; ++run) {
    ChildProcess saver;
    saver.Start({ToolPath("files_save_loop"), expected}, {}, work);
    for (int i = 0; i < 2000 && saver.Stdout().find("ready") == std::string::npos; ++i) {
      ASSERT_TRUE(saver.Running()) << saver.Stderr();
      SleepSeconds(0.005);
    }
    if (a.empty()) {
      a = ReadFile(expected + "/a.expected");
      b = ReadFile(expected + "/b.expected");
      ASSERT_GE(a.size(), 1000000u);
      ASSERT_NE(a.size(), b.size());
    }
    SleepSeconds(delay_us(rng) / 1e6);
    ASSERT_TRUE(saver.Running()) << "the saver stopped by itself: " << saver.ExitCode();
    saver.Kill(SIGKILL);
    ASSERT_TRUE(saver.Wait(10));
    std::string state = ReadFile(work + "/.kestrostate");
    if (state == a) {
      ++saw_a;
    } else if (state == b) {
      ++saw_b;
    } else if (state == "the first state") {
      ++saw_first;
    } else {
      FAIL() << "run " << run << ": the state file holds " << state.size()
             << " bytes that are neither the old nor the new state";
    }
  }
  // The kills landed at different moments of the save cycle.
  EXPECT_GT(saw_a + saw_b, kRuns / 2);
  std::printf("states after kills: a %d, b %d, first %d\n", saw_a, saw_b, saw_first);

  // Temporaries of killed savers are cleared by the next successful save.
  EXPECT_EQ(Probe(ToolPath("files_probe"), {"save", "after the storm"}, work), "0\n");
  std::vector<std::string> left = ListDir(work);
  EXPECT_EQ(left, std::vector<std::string>{".kestrostate"});
  EXPECT_EQ(ReadFile(work + "/.kestrostate"), "after the storm");
}

TEST(FilesImageLimits, HugeHeaderIsRefusedWithoutTakingItsMemory) {
  std::string dir = MakeTempDir("files-huge");
  // A real small PNG whose IHDR then claims 16384 x 16384 RGBA (1 GiB).
  ASSERT_EQ(RunCommand({"convert", "-size", "4x4", "xc:red", "PNG32:" + dir + "/small.png"})
                .exit_code,
            0);
  std::string png = ReadFile(dir + "/small.png");
  ASSERT_GT(png.size(), 24u);
  std::string huge = png;
  const unsigned char side[4] = {0, 0, 0x40, 0};
  for (int i = 0; i < 4; ++i) huge[16 + i] = huge[20 + i] = (char)side[i];
  WriteFile(dir + "/huge.png", huge);
  // A chunk length far beyond the end of the file.
  std::string long_chunk = png;
  const unsigned char len[4] = {0x3f, 0xff, 0xff, 0xff};
  std::size_t idat = long_chunk.find("IDAT") - 4;
  for (int i = 0; i < 4; ++i) long_chunk[idat + i] = (char)len[i];
  WriteFile(dir + "/long_chunk.png", long_chunk);

  std::string ok = Probe(ToolPath("files_probe"), {"image", dir + "/small.png"});
  EXPECT_EQ(ok.substr(0, 6), "4 4 4 ");
  for (const char* name : {"huge.png", "long_chunk.png"}) {
    std::string out = Probe(ToolPath("files_probe"), {"image", dir + "/" + name});
    ASSERT_EQ(out.substr(0, 20), "null largest-malloc ") << name;
    long long largest = std::stoll(out.substr(20));
    if (largest >= 0) {
      EXPECT_LT(largest, 1 << 20) << name;
    }
  }
}

}  // namespace
