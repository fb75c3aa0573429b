// The frame profile and the performance report, on the real game under Xvfb.
//
//  - With KESTRO_PROFILE set, a game that loads, shows its menu and is ended
//    with F4 leaves a profile that places its start-up marks in order, names
//    the screen of every update (loading, then the menu), and measures short
//    steps with their CPU time inside their wall time.
//  - bench/perf_report --quick runs the whole report on the built game and
//    prints its table; pointed at a build without the game it fails loudly.
//
// Nothing here asserts that the machine is fast: the report reports.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/game_session.h"
#include "support/process.h"
#include "support/xvfb.h"

namespace {

using namespace testing_support;

struct Record {
  std::string kind;
  double at = 0, cpu = 0, wall = 0;
  long long count = 0;
};

std::vector<Record> ParseProfile(const std::string& text) {
  std::vector<Record> out;
  std::istringstream in(text);
  Record r;
  while (in >> r.kind >> r.at >> r.cpu >> r.wall >> r.count) out.push_back(r);
  return out;
}

// The menu's background is green; loading draws on black.
bool MenuShown(unsigned long window, const std::string& png) {
  return Screenshot(window, png) && GameSession::MenuScreen(png);
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

TEST(PerfProfile, StartUpMarksScreensAndStepTimesFromARealRun) {
  StartXvfb();
  const std::string dir = MakeTempDir("perf_profile");
  const std::string path = dir + "/profile.txt";
  ChildProcess game;
  game.Start({GamePath()}, {"ALSOFT_DRIVERS=null", "KESTRO_PROFILE=" + path}, dir);
  unsigned long window = WaitForWindow("Tazmelo");
  ASSERT_NE(window, 0u);
  bool menu = false;
  for (int i = 0; i < 120 && !menu && game.Running(); ++i) {
    menu = MenuShown(window, dir + "/shot.png");
    if (!menu) SleepSeconds(0.25);
  }
  ASSERT_TRUE(menu) << "the menu never appeared";
  SleepSeconds(0.5);
  Xdotool({"key", "F4"});
  ASSERT_TRUE(game.Wait(20));
  ASSERT_EQ(game.ExitCode(), 0) << game.Stdout();
  ASSERT_TRUE(FileExists(path)) << "no profile written at exit";

  std::vector<Record> records = ParseProfile(ReadFile(path));
  ASSERT_GT(records.size(), 10u);
  EXPECT_EQ(records.front().kind, "clock_base");
  EXPECT_GT(records.front().at, 0);  // a CLOCK_MONOTONIC reading
  EXPECT_EQ(records.back().kind, "peak_rss_kb");
  EXPECT_GT(records.back().count, 1000);

  std::map<std::string, double> marks;
  std::map<std::string, int> marked;
  for (const Record& r : records) {
    if (r.kind.rfind("mark:", 0) == 0) {
      marks[r.kind.substr(5)] = r.at;
      ++marked[r.kind.substr(5)];
    }
  }
  ASSERT_EQ(marked["main"], 1);
  ASSERT_EQ(marked["first_frame"], 1);
  ASSERT_EQ(marked["loaded"], 1);
  EXPECT_LT(marks["main"], marks["first_frame"]);
  EXPECT_LT(marks["first_frame"], marks["loaded"]);

  // Every update names its screen just before it ends: loading (0) until
  // the loader is done, then the menu (1).
  std::vector<long long> screens;
  int updates = 0;
  bool named = false;
  for (const Record& r : records) {
    if (r.kind == "mode") {
      EXPECT_FALSE(named) << "two screens for one update at " << r.at;
      named = true;
      screens.push_back(r.count);
    } else if (r.kind == "update") {
      EXPECT_TRUE(named) << "an update without its screen at " << r.at;
      named = false;
      ++updates;
    }
  }
  EXPECT_EQ((int)screens.size(), updates);
  ASSERT_GE(screens.size(), 20u);
  EXPECT_EQ(screens.front(), 0);
  EXPECT_EQ(screens.back(), 1);
  const auto first_menu = std::find(screens.begin(), screens.end(), 1);
  EXPECT_EQ(std::count(first_menu, screens.end(), 0), 0) << "loading again after the menu";
  // The loader runs one stage per update: 13 stages and the one that ends it.
  EXPECT_EQ(first_menu - screens.begin(), 14);
  for (const Record& r : records) {
    if (r.kind == "mode" && r.count == 1) {
      EXPECT_GE(r.at, marks["loaded"]);
      break;
    }
  }

  // A collector step takes a microsecond or so; its CPU time must not
  // include a whole read of the CPU clock, so it stays inside its wall time.
  std::vector<double> over;
  for (const Record& r : records) {
    if (r.kind == "gc") over.push_back(r.cpu - r.wall);
  }
  ASSERT_GT(over.size(), 20u);
  EXPECT_LE(Median(over), 0.0);
}

TEST(PerfReport, QuickRunPrintsTheTableAndAMissingGameFails) {
  const std::string build = std::string(KESTRO_BIN_DIR) + "/..";
  RunResult ok = RunCommand(
      {"/usr/bin/python3", SourcePath("bench/perf_report"), "--quick", "--no-build",
       "--build-dir", build},
      240);
  ASSERT_EQ(ok.exit_code, 0) << ok.out << ok.err;
  EXPECT_NE(ok.out.find("| Measure | Result |"), std::string::npos) << ok.out;
  for (const char* row :
       {"launch to the first rendered frame", "launch to the end of loading",
        "Updates per second", "slowest one-second window", "Dropped backlogs",
        "p_OnUpdate CPU", "Longest p_OnUpdate", "p_OnRender CPU", "Draw calls per frame on the menu",
        "Draw calls per frame in a game", "Peak resident memory", "Collector step"}) {
    EXPECT_NE(ok.out.find(row), std::string::npos) << row << "\n" << ok.out;
  }
  EXPECT_NE(ok.out.find("10-second scripted session"), std::string::npos) << ok.out;
  EXPECT_NE(ok.out.find("llvmpipe"), std::string::npos) << ok.out;
  // A game was started from the menu within the ten seconds.
  EXPECT_EQ(ok.out.find("0 games started"), std::string::npos) << ok.out;
  EXPECT_EQ(ok.out.find("in a game, median / max | n/a"), std::string::npos) << ok.out;

  const std::string empty = MakeTempDir("perf_report_nogame");
  RunResult bad = RunCommand({"/usr/bin/python3", SourcePath("bench/perf_report"), "--quick",
                              "--no-build", "--build-dir", empty},
                             60);
  EXPECT_EQ(bad.exit_code, 1);
  EXPECT_NE(bad.err.find("FAILED"), std::string::npos) << bad.err;
  EXPECT_EQ(bad.out.find("| Measure"), std::string::npos) << bad.out;
}

}  // namespace
