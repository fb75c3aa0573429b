// The real host in a real process under Xvfb: how the process ends, what a
// runtime error prints, the window it opens, the close request and the update
// rate it holds.
#include <gtest/gtest.h>

#include "support/process.h"
#include "support/xvfb.h"

namespace {

using namespace testing_support;

class HostProcess : public ::testing::Test {
 protected:
  void SetUp() override { StartXvfb(); }
  RunResult Probe(const std::vector<std::string>& args, const std::string& stdin_text = "") {
    std::vector<std::string> all = {ToolPath("kestro_probe")};
    all.insert(all.end(), args.begin(), args.end());
    return RunCommand(all, 60, {}, stdin_text);
  }
};

TEST_F(HostProcess, EmptyErrorEndsQuietlyWithZero) {
  RunResult r = Probe({"exit"});
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, "started\n");
  EXPECT_EQ(r.err, "");
}

TEST_F(HostProcess, RuntimeErrorWithoutDebuggerInputPrintsAndExitsMinusOne) {
  RunResult r = Probe({"error", "Boom happened"});
  EXPECT_EQ(r.exit_code, 255);
  EXPECT_EQ(r.out, "started\nKestro Runtime Error : Boom happened\n\n");
  EXPECT_EQ(r.err, "{{~~(null)~~}}\n\n");
}

TEST_F(HostProcess, DebuggerStopCommands) {
  // 'q' quits with 0; '?' is ignored; 'r' returns and the error repeats.
  RunResult q = Probe({"error", "E"}, "?\nq\n");
  EXPECT_EQ(q.exit_code, 0);
  RunResult r = Probe({"error", "E"}, "r\n");
  EXPECT_EQ(r.exit_code, 255);
  EXPECT_EQ(r.out, "started\nKestro Runtime Error : E\n\nKestro Runtime Error : E\n\n");
  RunResult bad = Probe({"error", "E"}, "zap\n");
  EXPECT_EQ(bad.exit_code, 255);
  EXPECT_EQ(bad.out, "started\nKestro Runtime Error : E\n\n????? zap ?????");
  // An address the collector does not know is never dereferenced.
  RunResult at = Probe({"error", "E"}, "@0x1234\nq\n");
  EXPECT_EQ(at.exit_code, 0);
  EXPECT_EQ(at.err, "{{~~(null)~~}}\n\n\n");
}

TEST_F(HostProcess, FatalSignalsBecomeRuntimeErrors) {
  struct {
    const char* signal;
    const char* text;
  } cases[] = {{"11", "Memory access violation"},
               {"8", "Floating point exception"},
               {"4", "Illegal instruction"}};
  for (auto& c : cases) {
    RunResult r = Probe({"signal", c.signal});
    EXPECT_EQ(r.exit_code, 255) << c.signal;
    EXPECT_EQ(r.out, std::string("started\nKestro Runtime Error : ") + c.text + "\n\n");
  }
}

TEST_F(HostProcess, UncaughtFrameworkExceptionDies) {
  RunResult r = Probe({"throw"});
  EXPECT_EQ(r.exit_code, 255);
  EXPECT_EQ(r.out, "started\nKestro Runtime Error : Uncaught Kestro Exception\n");
}

TEST_F(HostProcess, WithoutDelegateMainReturnsWithoutAWindow) {
  RunResult r = Probe({"nodelegate"});
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, "main returned\n");
}

TEST_F(HostProcess, WindowIsCentredAndCloseRequestOnlySendsTheCloseKey) {
  ChildProcess p;
  p.Start({ToolPath("kestro_probe"), "loop"});
  unsigned long w = WaitForWindow("Tazmelo");
  ASSERT_NE(w, 0u);
  // The window is found as soon as it exists; it is moved right after.
  RunResult geo;
  for (int i = 0; i < 50; ++i) {
    geo = RunCommand({"xwininfo", "-id", std::to_string(w)});
    if (geo.out.find("Absolute upper-left X:  320") != std::string::npos) break;
    SleepSeconds(0.1);
  }
  EXPECT_NE(geo.out.find("Width: 640"), std::string::npos) << geo.out;
  EXPECT_NE(geo.out.find("Height: 480"), std::string::npos);
  EXPECT_NE(geo.out.find("Absolute upper-left X:  320"), std::string::npos);
  EXPECT_NE(geo.out.find("Absolute upper-left Y:  120"), std::string::npos);

  RequestClose(w);
  SleepSeconds(1.0);
  EXPECT_TRUE(p.Running());  // the application decides; this one does not quit
  p.Kill(15);
  std::string out = p.Stdout();
  std::size_t down = out.find("key 1 432\n");
  ASSERT_NE(down, std::string::npos) << out;
  EXPECT_NE(out.find("key 2 432\n", down), std::string::npos);
}

TEST_F(HostProcess, HoldsSixtyUpdatesPerSecond) {
  ChildProcess p;
  p.Start({ToolPath("kestro_probe"), "loop"});
  ASSERT_NE(WaitForWindow("Tazmelo"), 0u);
  // Wide margins: the machine may be busy with other tests.
  for (int i = 0; i < 100 && p.Stdout().find("second 4 ") == std::string::npos; ++i) {
    SleepSeconds(0.1);
  }
  p.Kill(15);
  std::string out = p.Stdout();
  int total = 0, seconds = 0;
  for (std::size_t at = out.find("second "); at != std::string::npos;
       at = out.find("second ", at + 1)) {
    int s = 0, u = 0;
    if (std::sscanf(out.c_str() + at, "second %d updates %d", &s, &u) == 2 && s >= 2) {
      total += u;
      ++seconds;
    }
  }
  ASSERT_GE(seconds, 2) << out;
  EXPECT_NEAR((double)total / seconds, 60.0, 8.0) << out;
}

}  // namespace
